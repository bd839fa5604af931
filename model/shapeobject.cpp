#include "model/shapeobject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "model/geomutil.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "platform/dc.h"

namespace {


}  // namespace

// --- Records ----------------------------------------------------------------

bool ReadShapeHead(const CRecordReader& reader, char letter, std::uint32_t length,
                   CGraphObject& object) {
  if (reader.Letter() != letter || reader.Length() != length) return false;
  object.flags = reader.Flags();
  return true;
}

bool AllFinite(std::initializer_list<float> values) {
  for (float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

bool AllFinite(const CMatrix3& m) {
  return AllFinite({m.m00, m.m01, m.m02, m.m10, m.m11, m.m12, m.m20, m.m21, m.m22});
}

bool AllFinite(const CFRect& r) { return AllFinite({r.left, r.top, r.right, r.bottom}); }

void RecordRun::Add(const PathPoint& p) {
  recs.push_back(p);
  if (!pathrec::IsPoint(p.flags)) return;
  if (!hasBounds) {
    bounds = CFRect(p.x, p.y, p.x, p.y);
    hasBounds = true;
    return;
  }
  bounds.left = std::min(bounds.left, p.x);
  bounds.top = std::min(bounds.top, p.y);
  bounds.right = std::max(bounds.right, p.x);
  bounds.bottom = std::max(bounds.bottom, p.y);
}

plat::HGLOBAL RecordRun::TakeBlock(std::int32_t* count) {
  if (recs.empty() || recs.back().flags != PP_END) recs.push_back(PathPoint{0.0f, 0.0f, PP_END});
  *count = 0;
  if (recs.size() > std::size_t(std::numeric_limits<std::int32_t>::max()) - 2) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, (recs.size() + 2) * pathrec::kRec);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::memcpy(g.bytes(), recs.data(), recs.size() * pathrec::kRec);
  }
  *count = std::int32_t(recs.size());
  recs.clear();
  return h;
}

std::unique_ptr<CPathPointList> RecordRun::TakeList() {
  auto list = std::make_unique<CPathPointList>();
  std::int32_t count = 0;
  list->points = TakeBlock(&count);
  list->count = list->capacity = count;
  list->bounds = hasBounds ? bounds : CFRect();
  list->hasBounds = hasBounds;
  return list;
}

std::unique_ptr<CPathPointList> MapPointList(std::unique_ptr<CPathPointList> list,
                                             const CMatrix3* m) {
  if (!list || !list->points) return list;
  CMatrix3 total = list->matrix;
  if (m) total.Multiply(*m);
  if (total.IsIdentity()) return list;
  RecordRun run;
  {
    pathrec::Records r(list->points);
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(list->count, 0)), r.n);
    run.recs.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
      PathPoint p = r.p[i];
      if (p.flags == PP_END) break;
      if (pathrec::IsPoint(p.flags)) total.TransformPathPoint(p);
      run.Add(p);
    }
  }
  return run.TakeList();
}

// --- Coordinates ------------------------------------------------------------

float CShapeObject::UnitsPerPixel(const CViewServices* view) {
  return view ? float(view->GetUnitsPerPixel()) : 1.0f;
}

float CShapeObject::Tolerance(const CViewServices* view) {
  return float(3.0 * (view ? view->GetUnitsPerPixel() : 1.0));
}

bool CShapeObject::ToObject(float x, float y, CFPoint& out) const {
  if (matrix.IsIdentity()) {
    out = CFPoint{x, y};
    return true;
  }
  if (!matrix.IsInvertible()) return false;
  bool singular = false;
  std::unique_ptr<CMatrix3> inv = matrix.CreateInverse(&singular);
  if (singular) return false;
  CFPoint p{x, y};
  inv->TransformPoint(p);
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  out = p;
  return true;
}

CFPoint CShapeObject::ToPage(CFPoint p) const {
  if (!matrix.IsIdentity()) matrix.TransformPoint(p);
  return p;
}

CMatrix3 CShapeObject::PageToDevice(const CMatrix3* m) const {
  CMatrix3 total = matrix;
  if (m) total.Multiply(*m);
  return total;
}

void CShapeObject::DrawOwnSquare(plat::DC* dc, const CMatrix3* m, CFPoint p) const {
  const CMatrix3 total = PageToDevice(m);
  plat::POINT d;
  total.TransformPointToInt(p, &d);
  DrawHandleSquare(dc, d.x, d.y, 3);
}

void CShapeObject::DrawOwnPolyline(plat::DC* dc, const CMatrix3* m, const CFPoint* pts,
                                   int count) const {
  if (count < 2) return;
  const CMatrix3 total = PageToDevice(m);
  std::vector<plat::POINT> d(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    CFPoint p = pts[i];
    total.TransformPointToInt(p, &d[std::size_t(i)]);
  }
  dc->Polyline(d.data(), count);
}

int CShapeObject::FirstSquareHit(const CFPoint* handles, const int* indices, int count, float x,
                                 float y, float t) {
  for (int i = 0; i < count; ++i) {
    const CFPoint& h = handles[i];
    if (PointInFRect(x, y, h.x - t, h.y - t, h.x + t, h.y + t)) return indices[i];
  }
  return -1;
}

void CShapeObject::RefreshBounds() { std::unique_ptr<CPathPointList> list(MakeOutline(nullptr, 0)); }

// --- Slots ------------------------------------------------------------------

void CShapeObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  if (matrix.IsIdentity()) {
    OffsetPoints(dx, dy);
  } else {
    matrix.m20 += dx;
    matrix.m21 += dy;
  }
}

void CShapeObject::SetRect(float left, float top, float right, float bottom) {
  ScaleToRect(left, top, right, bottom);
  CGraphObject::SetRect(left, top, right, bottom);
}

void CShapeObject::Transform(const CMatrix3& m) {
  matrix.Append(m);
  RefreshBounds();
}

int CShapeObject::HitTestOutline(CViewServices* view, float x, float y) {
  const float t = Tolerance(view);
  if (!PointInFRect(x, y, bounds.left - t, bounds.top - t, bounds.right + t, bounds.bottom + t))
    return 0;
  std::unique_ptr<CPathPointList> list(MakeOutline(nullptr, 0));
  return list && list->HitTest(x, y, t) ? 1 : 0;
}

std::unique_ptr<CGraphObject> CShapeObject::ConvertToPath(int colorFilter) {
  if (colorFilter != -1 && std::uint32_t(colorFilter) != color) return nullptr;
  std::unique_ptr<CPathPointList> list(MakeOutline(nullptr, 0));
  if (!list || !list->points) return nullptr;
  auto path = std::make_unique<CPathObject>();
  path->bounds = list->bounds;
  path->capacity = list->capacity;
  path->count = list->count;
  path->points = list->DetachPoints();
  path->color = color;
  return path;
}

void CShapeObject::SetColorIndex(CViewServices* view, std::uint32_t c, int redraw) {
  if (c == color) return;
  color = c;
  if (redraw && view) InvalidateObjectRect(view, true);
}

void CShapeObject::AddColorToList(CListBoxServices* list) {
  if (!list) return;
  const std::string text = std::to_string(color);
  if (list->FindStringExact(text) < 0) list->AddString(text);
}

void CShapeObject::DrawOutline(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> list(MakeOutline(m, 0));
  if (list) list->DrawOutlineInColor(dc, color);
}

void CShapeObject::DrawFilled(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> list(MakeOutline(m, 0));
  if (list) list->DrawFilledInColor(dc, color);
}

void CShapeObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings*) {
  if (flags & OBJF_FILLED)
    DrawFilled(dc, m, nullptr);
  else
    DrawOutline(dc, m, nullptr);
}

void CShapeObject::DrawNodeDragXor(CViewServices* view, int, float, float) {
  ViewDC dc(view);
  if (!dc.get()) return;
  const int old = dc.get()->SetROP2(plat::R2_NOTXORPEN);
  const CMatrix3* vm = view->GetViewMatrix();
  DrawOutline(dc.get(), vm, nullptr);
  DrawNodeMarks(dc.get(), vm);
  if (old) dc.get()->SetROP2(old);
}
