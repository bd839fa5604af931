#include "model/ellipseobject.h"

#include <cmath>

#include "model/geomutil.h"
#include "model/shapebuilders.h"
#include "platform/dc.h"

namespace {

// An angle brought into 0..2 pi in one step, whatever its size.
float WrapAngle(float a) {
  a = std::fmod(a, kShapeFullTurn);
  if (a < 0.0f) a += kShapeFullTurn;
  return a;
}

}  // namespace

CEllipseObject::CEllipseObject() { kind = OBJ_ELLIPSE; }

void CEllipseObject::OffsetPoints(float dx, float dy) {
  x1 += dx;
  y1 += dy;
  x2 += dx;
  y2 += dy;
}

CFPoint CEllipseObject::AtAngle(float a, float grow) const {
  const CFPoint c = Centre();
  const float hw = std::fabs(x2 - x1) / 2.0f, hh = std::fabs(y2 - y1) / 2.0f;
  return CFPoint{c.x + std::cos(a) * (hw + grow), c.y - std::sin(a) * (hh + grow)};
}

float CEllipseObject::MiddleAngle() const {
  return IsFull() ? start + kShapeHalfTurn : MidAngle(start, end);
}

int CEllipseObject::Handles(float u, HandleAt out[6]) const {
  const float w = style;
  const float d = w >= 0.0f ? w / 2.0f : 0.0f;
  const float m = MiddleAngle();
  // The rotation handle sits 15 pixels outside, in the object's own units.
  const float outside = matrix.InverseLength(5.0f * 3.0f * u);
  int n = 0;
  out[n++] = {kCentre, Centre()};
  out[n++] = {kStartHandle, AtAngle(start, -d)};
  if (!IsFull()) out[n++] = {kEndHandle, AtAngle(end, -d)};
  if (w > 0.0f) {
    out[n++] = {kBandOuter, AtAngle(m, 0.0f)};
    out[n++] = {kMiddle, AtAngle(m, -w)};
  } else {
    out[n++] = {kMiddle, AtAngle(m, 0.0f)};
  }
  out[n++] = {kRotation, AtAngle(m, outside)};
  return n;
}

CPathPointList* CEllipseObject::MakeOutline(const CMatrix3* m, int) {
  std::unique_ptr<CPathPointList> list;
  if (IsFull()) {
    list = MakeEllipsePointList(x1, y1, x2, y2);
  } else {
    list = MakeArcPointList(x1, y1, x2, y2, start, end);
    const float w = style;
    if (w > 0.0f) {
      // A band: the outer arc, the inner arc backwards, closed.
      list->ReopenLastSubpath();
      std::unique_ptr<CPathPointList> inner =
          MakeArcPointList(x1 + w, y1 + w, x2 - w, y2 - w, start, end);
      std::unique_ptr<CPathPointList> back = inner->ReverseSubpaths();
      AppendContinuation(*list, *back);
      list->ReopenLastSubpath();
      list->CloseSubpath();
      list->EndPoints();
    } else {
      if (w < -1.0f) list->RemoveEndRecords();
      const float whole = std::trunc(w);
      if (whole == -1.0f) {
        const CFPoint c = Centre();
        list->ReopenLastSubpath();
        list->AddPoint(c.x, c.y, 0x01);
        list->CloseSubpath();
        list->EndPoints();
      } else if (whole != 0.0f) {
        // A chord: the arc's own contour closed straight back to its start.
        list->ReopenLastSubpath();
        list->CloseSubpath();
        list->EndPoints();
      }
    }
  }
  list = MapPointList(std::move(list), &matrix);
  if (list->hasBounds) bounds = list->bounds;
  if (m) {
    list->Transform(m);
    list->ApplyTransform();
  }
  return list.release();
}

int CEllipseObject::HitTest(CViewServices* view, float x, float y) {
  return HitTestOutline(view, x, y);
}

int CEllipseObject::HitTestNode(CViewServices* view, float x, float y, int* index) {
  if (index) *index = -1;
  HandleAt handles[6];
  const int n = Handles(UnitsPerPixel(view), handles);
  CFPoint at[6];
  int indices[6];
  for (int i = 0; i < n; ++i) {
    at[i] = ToPage(handles[i].at);
    indices[i] = handles[i].index;
  }
  const int hit = FirstSquareHit(at, indices, n, x, y, Tolerance(view));
  if (hit < 0) return 0;
  if (index) *index = hit;
  return 1;
}

void CEllipseObject::MoveNode(CViewServices* view, int index, float x, float y, std::uint32_t) {
  CFPoint p;
  if (index < kCentre || index > kRotation || !ToObject(x, y, p)) return;
  const float u = UnitsPerPixel(view);
  const CFPoint c = Centre();
  const float r = PointDistance(c.x, c.y, p.x, p.y);
  switch (index) {
    case kCentre: {
      OffsetPoints(p.x - c.x, p.y - c.y);
      break;
    }
    case kStartHandle:
    case kEndHandle: {
      float& angle = index == kStartHandle ? start : end;
      const float other = index == kStartHandle ? end : start;
      angle = VectorAngle(c.x, c.y, p.x, p.y);
      // Close enough to the other end on the page: the full ellipse again.
      const CFPoint a = ToPage(AtAngle(angle, 0.0f)), b = ToPage(AtAngle(other, 0.0f));
      if (PointDistance(a.x, a.y, b.x, b.y) <= 2.0f * u) angle = other;
      break;
    }
    case kBandOuter: {
      if (r <= 2.0f * u) {
        style = -1.0f;
        break;
      }
      const float m = MiddleAngle();
      const CFPoint inner = AtAngle(m, -(style >= 0.0f ? style : 0.0f));
      const CFPoint outer = AtAngle(m, 0.0f);
      const float ri = PointDistance(c.x, c.y, inner.x, inner.y);
      const float ro = PointDistance(c.x, c.y, outer.x, outer.y);
      if (std::fabs(r - ri) <= 2.0f * u || r <= ri) {
        style = 0.0f;
      } else {
        style = r - ri;
        // The outer edge follows the pointer; the inner edge stays.
        const float g = r - ro;
        x1 -= g;
        y1 -= g;
        x2 += g;
        y2 += g;
      }
      break;
    }
    case kMiddle: {
      if (r <= 3.0f * u) {
        style = -1.0f;
        break;
      }
      const CFPoint outer = AtAngle(MiddleAngle(), 0.0f);
      const float ro = PointDistance(c.x, c.y, outer.x, outer.y);
      if (std::fabs(r - ro) <= 2.0f * u)
        style = 0.0f;
      else if (r < ro)
        style = ro - r;
      else
        style = -2.0f;
      break;
    }
    case kRotation: {
      const bool full = IsFull();
      const float turn = MiddleAngle() - VectorAngle(c.x, c.y, p.x, p.y);
      float s = WrapAngle(start - turn);
      float e = WrapAngle(end - turn);
      if (e < s) e += kShapeFullTurn;
      if (full) s = e;
      if (std::isfinite(s) && std::isfinite(e)) {
        start = s;
        end = e;
      }
      break;
    }
    default: break;
  }
  RefreshBounds();
}

void CEllipseObject::DrawNodeMarks(plat::DC* dc, const CMatrix3* vm) {
  if (!dc) return;
  const float u = vm ? vm->InverseLength(1.0f) : 1.0f;
  HandleAt handles[6];
  const int n = Handles(u, handles);
  plat::HPEN oldPen = dc->SelectObject(SharedTools().xorPen);
  plat::HBRUSH oldBrush =
      dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  // The middle points first, then the angles and the rotation handle.
  for (int order : {int(kBandOuter), int(kMiddle), int(kStartHandle), int(kEndHandle),
                    int(kRotation)})
    for (int i = 0; i < n; ++i)
      if (handles[i].index == order) DrawOwnSquare(dc, vm, handles[i].at);
  if (SharedTools().dottedBluePen) dc->SelectObject(SharedTools().dottedBluePen);
  const CFPoint guide[2] = {handles[n - 1].at, handles[0].at};
  DrawOwnPolyline(dc, vm, guide, 2);
  dc->SelectObject(SharedTools().xorPen);
  DrawOwnSquare(dc, vm, handles[0].at);
  if (oldPen) dc->SelectObject(oldPen);
  if (oldBrush) dc->SelectObject(oldBrush);
  if (oldRop) dc->SetROP2(oldRop);
}

std::uint32_t CEllipseObject::WriteRecord(plat::HGLOBAL* out) {
  CRecordWriter w(REC_ELLIPSE, OBJ_ELLIPSE, flags);
  w.PutF32(x1);
  w.PutF32(y1);
  w.PutF32(x2);
  w.PutF32(y2);
  w.PutMatrix(matrix);
  w.PutRect(bounds);
  w.PutU32(color);
  w.PutF32(start);
  w.PutF32(end);
  w.PutU32(reserved);
  w.PutF32(style);
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CEllipseObject::ReadRecord(const std::uint8_t* record,
                                                         std::uint32_t length) {
  CRecordReader r(record, length, REC_KIND_HEAD_SIZE);
  auto ellipse = std::make_unique<CEllipseObject>();
  if (!ReadShapeHead(r, REC_ELLIPSE, kRecordLength, *ellipse)) return nullptr;
  CEllipseObject& o = *ellipse;
  r.ReadF32(o.x1);
  r.ReadF32(o.y1);
  r.ReadF32(o.x2);
  r.ReadF32(o.y2);
  r.ReadMatrix(o.matrix);
  r.ReadRect(o.bounds);
  r.ReadU32(o.color);
  r.ReadF32(o.start);
  r.ReadF32(o.end);
  r.ReadU32(o.reserved);
  r.ReadF32(o.style);
  if (!r.Done() || !AllFinite({o.x1, o.y1, o.x2, o.y2, o.start, o.end, o.style}) ||
      !AllFinite(o.matrix) || !AllFinite(o.bounds))
    return nullptr;
  return ellipse;
}
