// The shape-operation library's 28 entry points: transforms with their
// handles and data, weld and cut, self-weld and expand. Inputs are read,
// never kept or freed; every result is a new movable block that belongs to
// the caller; 0 means nothing was produced or the input was refused.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "model/flexoril.h"
#include "outside/flexoril/clip.h"
#include "outside/flexoril/shapes.h"
#include "outside/flexoril/transforms.h"
#include "platform/dc.h"
#include "platform/gmem.h"

#define FLEXORIL_EXPORT extern "C" __attribute__((visibility("default")))

using std::uint16_t;
using std::uint32_t;
using flx::Pt;
using flx::Transform;

namespace {

std::map<uint32_t, Transform>& Table() {
  static std::map<uint32_t, Transform> table;
  return table;
}
uint32_t g_nextHandle = flexoril::kFirstHandle;
const FlexMatrix* g_viewMatrix = nullptr;

Transform* Find(uint32_t handle) {
  auto it = Table().find(handle);
  return it == Table().end() ? nullptr : &it->second;
}

uint32_t Add(Transform t) {
  if (g_nextHandle == 0) return 0;  // every handle given out once
  const uint32_t h = g_nextHandle++;
  Table().emplace(h, std::move(t));
  return h;
}

bool GoodRect(const FlexRect& r) {
  for (float v : {r.left, r.top, r.right, r.bottom})
    if (!std::isfinite(v) || std::fabs(v) > flx::kMaxCoord) return false;
  return true;
}

Pt Apply(const FlexMatrix& m, Pt p) {
  return {p.x * m.m00 + p.y * m.m10 + m.m20, p.x * m.m01 + p.y * m.m11 + m.m21};
}

// Page point back to source coordinates; false for a singular matrix.
bool Unapply(const FlexMatrix* m, Pt page, Pt& out) {
  if (!m) {
    out = page;
    return true;
  }
  const double det = double(m->m00) * m->m11 - double(m->m01) * m->m10;
  if (det == 0.0 || !std::isfinite(det)) return false;
  const double x = page.x - m->m20, y = page.y - m->m21;
  out = {(x * m->m11 - y * m->m10) / det, (y * m->m00 - x * m->m01) / det};
  return std::isfinite(out.x) && std::isfinite(out.y);
}

plat::LONG ToDevice(double v) {
  if (!(v == v)) return 0;
  return plat::LONG(std::clamp(v, -1.0e9, 1.0e9));
}

void DrawPolyline(plat::DC& dc, const std::vector<Pt>& pts, const FlexMatrix* m) {
  bool first = true;
  for (Pt p : pts) {
    if (m) p = Apply(*m, p);
    if (first)
      dc.MoveTo(ToDevice(p.x), ToDevice(p.y));
    else
      dc.LineTo(ToDevice(p.x), ToDevice(p.y));
    first = false;
  }
}

// 3 pixels in page units from the view's matrix, else 1 mm.
double HitTolerance() {
  if (g_viewMatrix) {
    const double det = double(g_viewMatrix->m00) * g_viewMatrix->m11 - double(g_viewMatrix->m01) * g_viewMatrix->m10;
    const double scale = std::sqrt(std::fabs(det));
    if (std::isfinite(scale) && scale > 0.0) return 3.0 / scale;
  }
  return 1.0;
}

int HitHandle(const Transform& t, Pt page, double tolerance) {
  for (std::size_t i = 0; i < t.handles.size(); ++i) {
    const Pt h = t.matrix ? Apply(*t.matrix, t.handles[i]) : t.handles[i];
    if (std::fabs(h.x - page.x) <= tolerance && std::fabs(h.y - page.y) <= tolerance) return int(i);
  }
  return -1;
}

plat::HBITMAP MakePicture(uint16_t number) {
  const int n = flexoril::kPictureSize;
  plat::HBITMAP bmp = plat::CreateBitmap(n, n, 1, 32, nullptr);
  if (!bmp) return nullptr;
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  if (!dc) {
    plat::DeleteObject(bmp);
    return nullptr;
  }
  plat::HBITMAP old = dc->SelectObject(bmp);
  dc->FillSolidRect(plat::RECT{0, 0, n, n}, flexoril::kPictureBack);
  dc->SelectStockObject(plat::BLACK_PEN);
  const double lo = 10, hi = n - 10, step = (hi - lo) / 4;
  const Transform t = Transform::Default(number, FlexRect{float(lo), float(lo), float(hi), float(hi)});
  for (int i = 0; i <= 4; ++i) {
    const double c = lo + step * i;
    for (const auto& [a, b] : {std::pair<Pt, Pt>{{c, lo}, {c, hi}}, std::pair<Pt, Pt>{{lo, c}, {hi, c}}}) {
      std::vector<Pt> line{t.Map(a)};
      flx::MapLine(t, a, b, line);
      for (Pt& p : line) p = {std::floor(p.x + 0.5), std::floor(p.y + 0.5)};
      DrawPolyline(*dc, line, nullptr);
    }
  }
  dc->SelectObject(old);
  plat::DeleteDC(dc);
  return bmp;
}

template <class F>
plat::HGLOBAL Guard(F&& f) {
  try {
    return f();
  } catch (...) {
    return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Transforms.

FLEXORIL_EXPORT uint32_t dllGetTransformInfo(uint32_t index, char* name, plat::HBITMAP* bitmap) {
  const uint32_t i = index & 0xFFFF;
  if (i == 0) return flexoril::kTransformCount;
  const char* text = flx::TransformName(uint16_t(i));
  if (!text) return 0;
  if (name) {
    std::memset(name, 0, flexoril::kNameSize);
    std::strncpy(name, text, flexoril::kNameSize - 1);
  }
  if (bitmap) {
    try {
      *bitmap = MakePicture(uint16_t(i));
    } catch (...) {
      *bitmap = nullptr;
    }
  }
  return 1;
}

FLEXORIL_EXPORT uint32_t dllInitTransformSeg(uint16_t number, FlexRect bounds) {
  if (flx::HandleCount(number) == 0 || !GoodRect(bounds)) return 0;
  return Add(Transform::Default(number, bounds));
}

FLEXORIL_EXPORT void dllDrawTransform(plat::HDC dc, uint32_t handle, const FlexMatrix* matrix) {
  const Transform* t = Find(handle);
  if (!dc || !t) return;
  DrawPolyline(*dc, flx::MapFrame(*t), matrix);
  for (Pt h : t->handles) {
    if (matrix) h = Apply(*matrix, h);
    const plat::LONG x = ToDevice(h.x), y = ToDevice(h.y);
    const plat::POINT sq[5] = {{x - 3, y - 3}, {x + 3, y - 3}, {x + 3, y + 3}, {x - 3, y + 3}, {x - 3, y - 3}};
    dc->Polyline(sq, 5);
  }
}

FLEXORIL_EXPORT void dllSetGlobalVarPointer(const void*, const FlexMatrix* viewMatrix, const double*,
                                            const uint32_t*) {
  g_viewMatrix = viewMatrix;
}

FLEXORIL_EXPORT uint32_t dllDoMouseCmd(uint32_t handle, uint32_t message, uint32_t keys, float x, float y) {
  Transform* t = Find(handle);
  if (!t) return 0;
  const Pt page{x, y};
  switch (message) {
    case flexoril::kLButtonDown: {
      t->moved = false;
      t->active = HitHandle(*t, page, HitTolerance());
      return t->active >= 0 ? uint32_t(t->active + 1) : 0;
    }
    case flexoril::kMouseMove: {
      if (!(keys & flexoril::kMkLButton) || t->active < 0) return 0;
      Pt src;
      if (Unapply(t->matrix, page, src) && t->MoveHandle(std::size_t(t->active), src)) t->moved = true;
      return 1;
    }
    case flexoril::kLButtonUp: {
      const bool moved = t->active >= 0 && t->moved;
      t->active = -1;
      t->moved = false;
      return moved ? 1 : 0;
    }
    default:
      return 0;
  }
}

FLEXORIL_EXPORT uint32_t dllMoveSegHandle(uint32_t handle, uint32_t index, float x, float y) {
  Transform* t = Find(handle);
  if (!t || index == 0) return 0;
  return t->MoveHandle(index - 1, Pt{x, y}) ? 1 : 0;
}

FLEXORIL_EXPORT uint32_t dllIsPointInSegHandle(uint32_t handle, float x, float y, float tolerance) {
  const Transform* t = Find(handle);
  if (!t || !(tolerance >= 0)) return 0;
  for (std::size_t i = 0; i < t->handles.size(); ++i)
    if (std::fabs(t->handles[i].x - x) <= tolerance && std::fabs(t->handles[i].y - y) <= tolerance)
      return uint32_t(i + 1);
  return 0;
}

FLEXORIL_EXPORT void dllTFTransSegData(uint32_t handle, const FlexMatrix* matrix) {
  if (Transform* t = Find(handle)) t->matrix = matrix;
}

FLEXORIL_EXPORT uint32_t dllDoCommand(uint32_t handle, uint32_t command) {
  Transform* t = Find(handle);
  if (!t || command != 1) return 0;
  t->Reset();
  return 1;
}

FLEXORIL_EXPORT uint32_t dllTFKeyDown(uint32_t, uint32_t, uint32_t, uint32_t) { return 0; }

FLEXORIL_EXPORT uint32_t dllTFOnChar(uint32_t handle, uint32_t ch, uint32_t) {
  Transform* t = Find(handle);
  if (!t || ch != 'r') return 0;
  t->Reset();
  return 1;
}

FLEXORIL_EXPORT uint32_t dllTFGetNewGlyph() { return 0; }

FLEXORIL_EXPORT plat::HGLOBAL dllDoTransform(uint32_t handle, const FlexorilRecordBlock* block) {
  return Guard([&]() -> plat::HGLOBAL {
    if (!block) return 0;
    Transform local;
    const Transform* t = nullptr;
    if (handle >= 1 && handle <= flexoril::kTransformCount) {
      if (!GoodRect(block->target)) return 0;
      local = Transform::Default(uint16_t(handle), block->target);
      t = &local;
    } else {
      t = Find(handle);
    }
    if (!t) return 0;
    const std::optional<flx::Node> node = flx::ReadBlock(block);
    if (!node) return 0;
    return flx::ToBlock(flx::MapNode(*t, *node));
  });
}

FLEXORIL_EXPORT uint32_t dllTFGetOutRect(uint32_t handle, FlexRect* out) {
  const Transform* t = Find(handle);
  if (!t || !out) return 0;
  const std::vector<Pt> frame = flx::MapFrame(*t);
  double l = frame[0].x, r = l, tp = frame[0].y, b = tp;
  for (const Pt& p : frame) {
    l = std::min(l, p.x), r = std::max(r, p.x), tp = std::min(tp, p.y), b = std::max(b, p.y);
  }
  *out = FlexRect{float(l), float(tp), float(r), float(b)};
  return 1;
}

FLEXORIL_EXPORT void dllDeleteTransform(uint32_t handle) { Table().erase(handle); }

FLEXORIL_EXPORT uint32_t dllTFCreateData(uint32_t handle, plat::HGLOBAL* out) {
  if (out) *out = 0;
  const Transform* t = Find(handle);
  if (!t || !out) return 0;
  const std::vector<std::uint8_t> data = flx::EncodeData(*t);
  const plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, data.size());
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::memcpy(g.bytes(), data.data(), data.size());
  }
  *out = h;
  return uint32_t(data.size());
}

FLEXORIL_EXPORT uint32_t dllTFCreateTransformFromData(const void* data) {
  Transform t;
  if (!flx::DecodeData(static_cast<const std::uint8_t*>(data), t)) return 0;
  return Add(std::move(t));
}

FLEXORIL_EXPORT uint32_t dllTFMatrixTransformSeg(uint32_t handle, const FlexMatrix* matrix) {
  Transform* t = Find(handle);
  if (!t || !matrix) return 0;
  std::vector<Pt> moved;
  for (const Pt& h : t->handles) {
    const Pt p = Apply(*matrix, h);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > flx::kMaxCoord ||
        std::fabs(p.y) > flx::kMaxCoord)
      return 0;
    moved.push_back({double(float(p.x)), double(float(p.y))});
  }
  t->handles = std::move(moved);
  return 1;
}

FLEXORIL_EXPORT void dllTFGetTransformMatrix(uint32_t handle, FlexMatrix* out) {
  if (!out) return;
  const Transform* t = Find(handle);
  *out = t && t->matrix ? *t->matrix : FlexMatrix{};
}

// ---------------------------------------------------------------------------
// Expand.

FLEXORIL_EXPORT plat::HGLOBAL dllExpand(plat::HGLOBAL record, double size, double, double limit, double,
                                        std::int32_t mode) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> node = flx::ReadHandle(record);
    return node ? flx::ToBlock(flx::Expand(*node, size, limit, mode, false)) : 0;
  });
}

FLEXORIL_EXPORT plat::HGLOBAL dllExpandOutLine(plat::HGLOBAL record, double size, double, double limit, double,
                                               std::int32_t mode) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> node = flx::ReadHandle(record);
    return node ? flx::ToBlock(flx::Expand(*node, size, limit, mode, true)) : 0;
  });
}

// ---------------------------------------------------------------------------
// Weld and cut.

namespace {
plat::HGLOBAL Boolean(const WeldShape* a, const WeldShape* b, flx::BoolOp op) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> na = flx::ReadBlock(a);
    if (!na) return 0;
    const std::optional<flx::Node> nb = flx::ReadBlock(b);
    if (!nb) return 0;
    return flx::ToBlock(flx::Weld(*na, *nb, op));
  });
}
}  // namespace

FLEXORIL_EXPORT plat::HGLOBAL dllWeld(const WeldShape* a, const WeldShape* b) {
  return Boolean(a, b, flx::BoolOp::Union);
}
FLEXORIL_EXPORT plat::HGLOBAL dllWeldCut(const WeldShape* a, const WeldShape* b) {
  return Boolean(a, b, flx::BoolOp::Difference);
}
FLEXORIL_EXPORT plat::HGLOBAL dllWeldAnd(const WeldShape* a, const WeldShape* b) {
  return Boolean(a, b, flx::BoolOp::Intersection);
}
FLEXORIL_EXPORT plat::HGLOBAL dllWeldXor(const WeldShape* a, const WeldShape* b) {
  return Boolean(a, b, flx::BoolOp::Xor);
}

FLEXORIL_EXPORT plat::HGLOBAL dllLineCut(const WeldShape* a, float x1, float y1, float x2, float y2) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> na = flx::ReadBlock(a);
    return na ? flx::ToBlock(flx::LineCut(*na, x1, y1, x2, y2)) : 0;
  });
}

FLEXORIL_EXPORT plat::HGLOBAL dllFigureCut(const WeldShape* a, const WeldShape* b, uint32_t mode) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> na = flx::ReadBlock(a);
    if (!na) return 0;
    const std::optional<flx::Node> nb = flx::ReadBlock(b);
    if (!nb) return 0;
    return flx::ToBlock(flx::FigureCut(*na, *nb, mode));
  });
}

FLEXORIL_EXPORT plat::HGLOBAL dllSelfWeld(const WeldShape* path) {
  return Guard([&]() -> plat::HGLOBAL {
    const std::optional<flx::Node> n = flx::ReadBlock(path);
    return n ? flx::ToBlock(flx::SelfWeld(*n)) : 0;
  });
}
