#include "importfilter/pathlist.h"

#include <cstring>
#include <limits>

#include "platform/bytes.h"

namespace imp {
namespace {

using plat::PutF32;

FPoint Mapped(const FPoint& p, const FMatrix* m) {
  FPoint q = p;
  if (m && q.flags < PF_SPECIAL) m->Map(q.x, q.y);
  return q;
}

void Cubic(const FPoint& p0, const FPoint& p1, const FPoint& p2, const FPoint& p3, float t, float& x,
           float& y) {
  const float u = 1.0f - t;
  const float b0 = u * u * u, b1 = 3.0f * u * u * t, b2 = 3.0f * u * t * t, b3 = t * t * t;
  x = b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x;
  y = b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y;
}

}  // namespace

bool PathBounds(const FPoint* pts, std::size_t n, const FMatrix* m, FRect& out) {
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    const FPoint p = Mapped(pts[i], m);
    if (!IsOnCurve(p.flags)) continue;
    if (!any) {
      out = {p.x, p.y, p.x, p.y};
      any = true;
    } else {
      out.Widen(p.x, p.y);
    }
    if (i < 3 || (p.flags & PF_START)) continue;
    const FPoint c1 = Mapped(pts[i - 2], m), c2 = Mapped(pts[i - 1], m);
    if (c1.flags >= PF_SPECIAL || c2.flags >= PF_SPECIAL || IsOnCurve(c1.flags) || IsOnCurve(c2.flags))
      continue;
    if (out.Contains(c1.x, c1.y) && out.Contains(c2.x, c2.y)) continue;
    const FPoint p0 = Mapped(pts[i - 3], m);
    for (int k = 0; k <= 80; ++k) {
      float x, y;
      Cubic(p0, c1, c2, p, 0.1f + 0.01f * float(k), x, y);
      out.Widen(x, y);
    }
  }
  return any;
}

std::size_t CFilterPathList::PointCount() const {
  std::size_t n = points_.size();
  if (n && points_.back().flags == PF_END) --n;
  return n;
}

void CFilterPathList::ApplyMatrix() {
  for (FPoint& p : points_)
    if (p.flags < PF_SPECIAL) matrix.Map(p.x, p.y);
  matrix = FMatrix();
}

void CFilterPathList::SetUpright(float scale) {
  FRect extent;
  PathBounds(points_.data(), PointCount(), nullptr, extent);
  matrix = MirrorY(extent).Then(FMatrix::Scale(scale, scale));
}

std::uint32_t CFilterPathList::RecordLength() const {
  const std::size_t count = PointCount();
  if (count < kMinRecordPoints) return 0;
  const std::size_t n = count + 1;  // with the end record
  if (n > (std::numeric_limits<std::uint32_t>::max() - 80) / 9) return 0;
  return std::uint32_t(9 * n + 69);
}

void CFilterPathList::WriteRecord(std::uint8_t* p, std::uint32_t length) const {
  const std::size_t count = PointCount();
  FRect bounds;
  PathBounds(points_.data(), count, &matrix, bounds);
  p[0] = '#';
  plat::PutU32(p + 1, length);
  p[5] = 128;
  p[6] = p[7] = 0;
  PutF32(p + 8, bounds.left);
  PutF32(p + 12, bounds.top);
  PutF32(p + 16, bounds.right);
  PutF32(p + 20, bounds.bottom);
  const float mat[9] = {matrix.a, matrix.b, 0, matrix.c, matrix.d, 0, matrix.e, matrix.f, 1};
  for (int i = 0; i < 9; ++i) PutF32(p + 24 + 4 * i, mat[i]);
  plat::PutU32(p + 60, 0);
  plat::PutU32(p + 64, std::uint32_t(count + 1));
  std::uint8_t* q = p + 68;
  for (std::size_t i = 0; i < count; ++i, q += 9) {
    PutF32(q, points_[i].x);
    PutF32(q + 4, points_[i].y);
    q[8] = points_[i].flags;
  }
  std::memset(q, 0, 8);
  q[8] = PF_END;
  q[9] = 241;
}

std::vector<std::uint8_t> CFilterPathList::PathRecord() const {
  std::vector<std::uint8_t> rec;
  const std::uint32_t length = RecordLength();
  if (!length) return rec;
  rec.resize(length);
  WriteRecord(rec.data(), length);
  return rec;
}

plat::HGLOBAL CFilterPathList::ObjectBlock() const {
  const std::uint32_t l = RecordLength();
  if (!l) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GMEM_MOVEABLE, std::size_t(l) + 10);
  if (!h) return 0;
  plat::GlobalLockGuard lock(h);
  std::uint8_t* p = lock.bytes();
  if (!p) {
    plat::GlobalFree(h);
    return 0;
  }
  p[0] = 2;
  plat::PutU32(p + 1, l + 6);
  WriteRecord(p + 5, l);
  p[l + 5] = 254;
  p[l + 6] = 255;
  std::memset(p + l + 7, 0, 3);
  return h;
}

}  // namespace imp
