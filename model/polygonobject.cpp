#include "model/polygonobject.h"

#include <cmath>

#include "model/ellipseobject.h"
#include "model/geomutil.h"
#include "model/shapebuilders.h"
#include "platform/dc.h"

CPolygonObject::CPolygonObject() { kind = OBJ_POLYGON; }

void CPolygonObject::OffsetPoints(float dx, float dy) {
  cx += dx;
  cy += dy;
}

float CPolygonObject::Step() const { return HasOutline() ? kShapeFullTurn / float(sides) : 0.0f; }

CFPoint CPolygonObject::At(float r, float a) const {
  return CFPoint{cx + r * std::cos(a), cy - r * std::sin(a)};
}

CFPoint CPolygonObject::Handle(int i) const {
  switch (i) {
    case kCentre: return CFPoint{cx, cy};
    case kOuter: return At(r1, start);
    default: break;
  }
  if (IsStar()) return At(r2, start + offset);
  const CFPoint first = At(r1, start);
  const float a = start + Step();
  const CFPoint other{cx - r1 * std::cos(a), cy - r1 * std::sin(a)};
  return CFPoint{(first.x + other.x) / 2.0f, (first.y + other.y) / 2.0f};
}

CPathPointList* CPolygonObject::MakeOutline(const CMatrix3* m, int) {
  if (!HasOutline()) return nullptr;
  const bool transform = !matrix.IsIdentity();
  const float step = Step();
  const bool star = IsStar();
  RecordRun run;
  run.recs.reserve(std::size_t(sides) * (star ? 2 : 1) * (band != 0.0f ? 2 : 1) + 4);
  auto add = [&](CFPoint p, std::uint8_t f) {
    PathPoint rec{p.x, p.y, f};
    if (transform) matrix.TransformPathPoint(rec);
    run.Add(rec);
  };
  auto contour = [&](float outer, float inner) {
    float a = start;
    const CFPoint first = At(outer, a);
    for (std::int32_t k = 0; k < sides; ++k) {
      add(k == 0 ? first : At(outer, a), k == 0 ? 0x11 : 0x01);
      if (star) add(At(inner, a + offset), 0x01);
      a += step;
    }
    add(first, 0x41);
  };
  contour(r1, r2);
  if (band != 0.0f) contour(r1 - band, r2 - band);
  std::unique_ptr<CPathPointList> list = run.TakeList();
  if (!list->points) return nullptr;
  bounds = list->bounds;
  if (m) {
    list->Transform(m);
    list->ApplyTransform();
  }
  return list.release();
}

int CPolygonObject::HitTestNode(CViewServices* view, float x, float y, int* index) {
  if (index) *index = -1;
  const float t = Tolerance(view);
  const CFPoint handles[3] = {ToPage(Handle(kCentre)), ToPage(Handle(kOuter)),
                              ToPage(Handle(kInner))};
  const int indices[3] = {kCentre, kOuter, kInner};
  int hit = FirstSquareHit(handles, indices, 3, x, y, t);
  CFPoint p;
  if (hit < 0 && ToObject(x, y, p)) {
    // Anywhere on the band circle.
    const CFPoint q = ToPage(At(r2 - band, VectorAngle(cx, cy, p.x, p.y)));
    if (PointDistance(x, y, q.x, q.y) <= t) hit = kBand;
  }
  if (hit < 0) return 0;
  if (index) *index = hit;
  return 1;
}

void CPolygonObject::MoveNode(CViewServices* view, int index, float x, float y,
                              std::uint32_t keyFlags) {
  CFPoint p;
  if (index < kCentre || index > kBand || !ToObject(x, y, p)) return;
  const float a = VectorAngle(cx, cy, p.x, p.y);
  const float r = PointDistance(cx, cy, p.x, p.y);
  switch (index) {
    case kCentre:
      cx = p.x;
      cy = p.y;
      break;
    case kOuter:
      start = a;
      r1 = r;
      break;
    case kInner:
      if (!(keyFlags & MK_SHIFT))
        offset = a - start;
      else if (HasOutline())
        offset = kShapeHalfTurn / float(sides);
      r2 = r;
      break;
    case kBand: {
      const CFPoint q = ToPage(At(r2, a));
      band = PointDistance(x, y, q.x, q.y) > 2.0f * UnitsPerPixel(view) ? r2 - r : 0.0f;
      break;
    }
    default: break;
  }
  RefreshBounds();
}

void CPolygonObject::DrawNodeMarks(plat::DC* dc, const CMatrix3* vm) {
  if (!dc) return;
  plat::HPEN green = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(0, 255, 0));
  plat::HPEN red = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(255, 0, 0));
  plat::HPEN blue = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(0, 0, 255));
  plat::HPEN oldPen = dc->SelectObject(green);
  plat::HBRUSH oldBrush =
      dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);

  const float rb = r2 - band;
  std::unique_ptr<CPathPointList> circle = MakeEllipsePointList(cx - rb, cy - rb, cx + rb, cy + rb);
  const CMatrix3 total = PageToDevice(vm);
  circle->Transform(&total);
  circle->DrawOutline(dc, nullptr);

  dc->SelectObject(red);
  for (int i = kCentre; i <= kInner; ++i) DrawOwnSquare(dc, vm, Handle(i));
  dc->SelectObject(blue);
  const CFPoint guide[3] = {Handle(kInner), Handle(kCentre), Handle(kOuter)};
  DrawOwnPolyline(dc, vm, guide, 3);

  if (oldPen) dc->SelectObject(oldPen);
  if (oldBrush) dc->SelectObject(oldBrush);
  if (oldRop) dc->SetROP2(oldRop);
  plat::DeleteObject(green);
  plat::DeleteObject(red);
  plat::DeleteObject(blue);
}

std::uint32_t CPolygonObject::WriteRecord(plat::HGLOBAL* out) {
  CRecordWriter w(REC_POLYGON, OBJ_POLYGON, flags);
  w.PutF32(r1);
  w.PutF32(r2);
  w.PutMatrix(matrix);
  w.PutRect(bounds);
  w.PutU32(color);
  w.PutF32(band);
  w.PutF32(start);
  w.PutI32(sides);
  w.PutF32(offset);
  w.PutF32(cx);
  w.PutF32(cy);
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CPolygonObject::ReadRecord(const std::uint8_t* record,
                                                         std::uint32_t length) {
  CRecordReader r(record, length, REC_KIND_HEAD_SIZE);
  auto polygon = std::make_unique<CPolygonObject>();
  if (!ReadShapeHead(r, REC_POLYGON, kRecordLength, *polygon)) return nullptr;
  CPolygonObject& o = *polygon;
  r.ReadF32(o.r1);
  r.ReadF32(o.r2);
  r.ReadMatrix(o.matrix);
  r.ReadRect(o.bounds);
  r.ReadU32(o.color);
  r.ReadF32(o.band);
  r.ReadF32(o.start);
  r.ReadI32(o.sides);
  r.ReadF32(o.offset);
  r.ReadF32(o.cx);
  r.ReadF32(o.cy);
  if (!r.Done() || !AllFinite({o.r1, o.r2, o.band, o.start, o.offset, o.cx, o.cy}) ||
      !AllFinite(o.matrix) || !AllFinite(o.bounds))
    return nullptr;
  return polygon;
}
