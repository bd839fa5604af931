#include "importfilter/filtergroup.h"

#include <cstring>
#include <limits>

#include "platform/bytes.h"

namespace imp {
namespace {

using plat::PutF32;

void PutRect(std::uint8_t* p, const FRect& r) {
  PutF32(p, r.left);
  PutF32(p + 4, r.top);
  PutF32(p + 8, r.right);
  PutF32(p + 12, r.bottom);
}

bool SamePlace(const FPoint& a, const FPoint& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

void CFilterPointList::WidenBy(std::size_t i) {
  const FPoint& p = points_[i];
  if (!IsOnCurve(p.flags)) return;
  if (!hasBounds_) {
    bounds = {p.x, p.y, p.x, p.y};
    hasBounds_ = true;
  } else {
    bounds.Widen(p.x, p.y);
  }
  if (i < 3 || (p.flags & PF_START) || IsOnCurve(points_[i - 1].flags) ||
      points_[i - 1].flags >= PF_SPECIAL)
    return;
  const FPoint& p0 = points_[i - 3];
  const FPoint& c1 = points_[i - 2];
  const FPoint& c2 = points_[i - 1];
  if (bounds.Contains(p0.x, p0.y) && bounds.Contains(c1.x, c1.y) && bounds.Contains(c2.x, c2.y) &&
      bounds.Contains(p.x, p.y))
    return;
  for (int k = 1; k <= 9; ++k) {
    const float t = 0.1f * float(k), u = 1.0f - t;
    const float b0 = u * u * u, b1 = 3.0f * u * u * t, b2 = 3.0f * u * t * t, b3 = t * t * t;
    bounds.Widen(b0 * p0.x + b1 * c1.x + b2 * c2.x + b3 * p.x, b0 * p0.y + b1 * c1.y + b2 * c2.y + b3 * p.y);
  }
}

void CFilterPointList::AppendPoint(const FPoint& p) {
  if (p.flags == PF_END) {
    if (!points_.empty()) {
      FPoint& last = points_.back();
      last.flags = SamePlace(last, points_.front()) ? 0x61 : F_OPEN;
    }
    points_.push_back(p);
    return;
  }
  points_.push_back(p);
  WidenBy(points_.size() - 1);
}

void CFilterPointList::Transform(const FMatrix& m) {
  hasBounds_ = false;
  bounds = FRect();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    FPoint& p = points_[i];
    if (p.flags >= PF_SPECIAL) continue;
    m.Map(p.x, p.y);
    if (!hasBounds_) {
      bounds = {p.x, p.y, p.x, p.y};
      hasBounds_ = true;
      continue;
    }
    WidenBy(i);
  }
}

std::vector<std::uint8_t> CFilterPointList::Record() const {
  std::vector<std::uint8_t> rec;
  const std::size_t n = points_.size();
  if (n > (std::numeric_limits<std::uint32_t>::max() - 64) / 9) return rec;
  const std::uint32_t length = std::uint32_t(9 * n + 32);
  rec.assign(length, 0);
  std::uint8_t* p = rec.data();
  p[0] = '+';
  plat::PutU32(p + 1, length);
  plat::PutU32(p + 5, std::uint32_t(n));
  PutRect(p + 9, bounds);
  p[25] = std::uint8_t(lineType);
  p[26] = std::uint8_t(lineType >> 8);
  plat::PutU32(p + 27, std::uint32_t(pen));
  std::uint8_t* q = p + 31;
  for (const FPoint& pt : points_) {
    PutF32(q, pt.x);
    PutF32(q + 4, pt.y);
    q[8] = pt.flags;
    q += 9;
  }
  *q = 240;
  return rec;
}

void CFilterObjectList::WidenBounds(const FRect& r) {
  if (members_.empty()) {
    bounds = r;
    return;
  }
  if (r.left < bounds.left) bounds.left = r.left;
  if (r.top < bounds.top) bounds.top = r.top;
  if (r.right > bounds.right) bounds.right = r.right;
  if (r.bottom > bounds.bottom) bounds.bottom = r.bottom;
}

void CFilterObjectList::AddMember(std::unique_ptr<CFilterPointList> member) {
  if (!member) return;
  if (!matrix.IsIdentity()) ApplyMatrix();
  WidenBounds(member->bounds);
  members_.push_back(std::move(member));
}

void CFilterObjectList::Merge(CFilterObjectList& other) {
  if (&other == this || other.members_.empty()) return;
  if (!matrix.IsIdentity()) ApplyMatrix();
  WidenBounds(other.bounds);
  for (auto& m : other.members_) members_.push_back(std::move(m));
  other.members_.clear();
}

void CFilterObjectList::Combine(const FMatrix& m) {
  matrix = matrix.Then(m);
  float xs[4] = {bounds.left, bounds.right, bounds.right, bounds.left};
  float ys[4] = {bounds.top, bounds.top, bounds.bottom, bounds.bottom};
  for (int i = 0; i < 4; ++i) m.Map(xs[i], ys[i]);
  FRect r{xs[0], ys[0], xs[0], ys[0]};
  for (int i = 1; i < 4; ++i) r.Widen(xs[i], ys[i]);
  bounds = r;
}

void CFilterObjectList::ApplyMatrix() {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    members_[i]->Transform(matrix);
    const FRect& r = members_[i]->bounds;
    if (i == 0) {
      bounds = r;
    } else {
      if (r.left < bounds.left) bounds.left = r.left;
      if (r.top < bounds.top) bounds.top = r.top;
      if (r.right > bounds.right) bounds.right = r.right;
      if (r.bottom > bounds.bottom) bounds.bottom = r.bottom;
    }
  }
  matrix = FMatrix();
}

void CFilterObjectList::SetPen(std::int32_t pen) {
  for (auto& m : members_) m->pen = pen;
}

std::vector<std::uint8_t> CFilterObjectList::Record() const {
  std::vector<std::uint8_t> rec;
  if (members_.empty()) return rec;
  rec.assign(61, 0);
  std::uint8_t* p = rec.data();
  p[0] = ',';
  const float mat[9] = {matrix.a, matrix.b, 0, matrix.c, matrix.d, 0, matrix.e, matrix.f, 1};
  for (int i = 0; i < 9; ++i) PutF32(p + 5 + 4 * i, mat[i]);
  PutRect(p + 41, bounds);
  plat::PutU32(p + 57, reserved);
  for (const auto& m : members_) {
    std::vector<std::uint8_t> r = m->Record();
    if (r.empty() || rec.size() + r.size() >= std::numeric_limits<std::uint32_t>::max()) return {};
    rec.insert(rec.end(), r.begin(), r.end());
  }
  rec.push_back(240);
  plat::PutU32(rec.data() + 1, std::uint32_t(rec.size()));
  return rec;
}

std::uint32_t CFilterObjectList::WriteRecord(plat::HGLOBAL* out) const {
  if (out) *out = 0;
  std::vector<std::uint8_t> rec = Record();
  if (rec.empty() || !out) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, rec.size());
  if (!h) return 0;
  {
    plat::GlobalLockGuard lock(h);
    if (!lock.bytes()) {
      plat::GlobalFree(h);
      return 0;
    }
    std::memcpy(lock.bytes(), rec.data(), rec.size());
  }
  *out = h;
  return std::uint32_t(rec.size());
}

}  // namespace imp
