#include "model/rectobject.h"

#include <algorithm>
#include <cmath>

#include "model/geomutil.h"
#include "model/shapebuilders.h"
#include "platform/dc.h"

CRectObject::CRectObject() { kind = OBJ_RECT; }

void CRectObject::OffsetPoints(float dx, float dy) {
  x1 += dx;
  y1 += dy;
  x2 += dx;
  y2 += dy;
}

CPathPointList* CRectObject::MakeOutline(const CMatrix3* m, int) {
  const CMatrix3* pending = matrix.IsIdentity() ? nullptr : &matrix;
  std::unique_ptr<CPathPointList> list =
      IsRounded() ? MakeRoundRectPoints(x1, y1, x2, y2, rx, ry, pending)
                  : MakeRectPoints(x1, y1, x2, y2, pending);
  if (!list) return nullptr;
  bounds = list->bounds;
  if (m) {
    list->Transform(m);
    list->ApplyTransform();
  }
  return list.release();
}

int CRectObject::HitTest(CViewServices* view, float x, float y) {
  return HitTestOutline(view, x, y);
}

CFPoint CRectObject::Handle(int i) const {
  const float w = std::fabs(x2 - x1), h = std::fabs(y2 - y1);
  const float dx = w * rx / 2.0f, dy = h * ry / 2.0f;
  const float hx = (i == 0 || i == 2) ? x1 + dx : x2 - dx;
  const float hy = (i == 0 || i == 1) ? y1 + dy : y2 - dy;
  return CFPoint{hx, hy};
}

int CRectObject::HitTestNode(CViewServices* view, float x, float y, int* index) {
  if (index) *index = -1;
  const float t = Tolerance(view);
  CFPoint handles[4];
  const int indices[4] = {0, 1, 2, 3};
  for (int i = 0; i < 4; ++i) handles[i] = ToPage(Handle(i));
  const int hit = FirstSquareHit(handles, indices, 4, x, y, t);
  if (hit < 0) return 0;
  if (index) *index = hit;
  return 1;
}

void CRectObject::MoveNode(CViewServices*, int index, float x, float y, std::uint32_t) {
  if (index < 0 || index > 3) return;
  CFPoint p;
  if (!ToObject(x, y, p)) return;
  const float hw = std::fabs(x2 - x1) / 2.0f, hh = std::fabs(y2 - y1) / 2.0f;
  const float cx = (x1 + x2) / 2.0f, cy = (y1 + y2) / 2.0f;
  const bool left = index == 0 || index == 2, top = index == 0 || index == 1;
  // A fraction from a distance along one axis; an axis of no size keeps
  // the rounding it has.
  auto fraction = [](float towards, float half, float& r) {
    if (half == 0.0f) return;
    const float u = towards / half;
    if (std::isnan(u)) return;
    r = std::fabs(1.0f - std::clamp(u, 0.0f, 1.0f));
  };
  fraction(left ? cx - p.x : p.x - cx, hw, rx);
  fraction(top ? cy - p.y : p.y - cy, hh, ry);
}

void CRectObject::DrawNodeMarks(plat::DC* dc, const CMatrix3* vm) {
  if (!dc) return;
  plat::HPEN oldPen = dc->SelectObject(SharedTools().xorPen);
  plat::HBRUSH oldBrush =
      dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  for (int i = 0; i < 4; ++i) DrawOwnSquare(dc, vm, Handle(i));
  if (IsRounded()) {
    if (SharedTools().dottedBluePen) dc->SelectObject(SharedTools().dottedBluePen);
    const float w = std::fabs(x2 - x1), h = std::fabs(y2 - y1);
    const float dx = w * rx / 2.0f, dy = h * ry / 2.0f;
    for (int i = 0; i < 4; ++i) {
      const bool left = i == 0 || i == 2, top = i == 0 || i == 1;
      const float ex = left ? x1 : x2, ey = top ? y1 : y2;
      const CFPoint stroke[3] = {{left ? x1 + dx : x2 - dx, ey},
                                 Handle(i),
                                 {ex, top ? y1 + dy : y2 - dy}};
      DrawOwnPolyline(dc, vm, stroke, 3);
    }
  }
  if (oldPen) dc->SelectObject(oldPen);
  if (oldBrush) dc->SelectObject(oldBrush);
  if (oldRop) dc->SetROP2(oldRop);
}

std::uint32_t CRectObject::WriteRecord(plat::HGLOBAL* out) {
  CRecordWriter w(REC_RECT, OBJ_RECT, flags);
  w.PutF32(x1);
  w.PutF32(y1);
  w.PutF32(x2);
  w.PutF32(y2);
  w.PutMatrix(matrix);
  w.PutF32(rx);
  w.PutF32(ry);
  w.PutRect(bounds);
  w.PutU32(color);
  w.PutU32(reserved);
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CRectObject::ReadRecord(const std::uint8_t* record,
                                                      std::uint32_t length) {
  CRecordReader r(record, length, REC_KIND_HEAD_SIZE);
  auto rect = std::make_unique<CRectObject>();
  if (!ReadShapeHead(r, REC_RECT, kRecordLength, *rect)) return nullptr;
  CRectObject& o = *rect;
  r.ReadF32(o.x1);
  r.ReadF32(o.y1);
  r.ReadF32(o.x2);
  r.ReadF32(o.y2);
  r.ReadMatrix(o.matrix);
  r.ReadF32(o.rx);
  r.ReadF32(o.ry);
  r.ReadRect(o.bounds);
  r.ReadU32(o.color);
  r.ReadU32(o.reserved);
  if (!r.Done() || !AllFinite({o.x1, o.y1, o.x2, o.y2, o.rx, o.ry}) || !AllFinite(o.matrix) ||
      !AllFinite(o.bounds))
    return nullptr;
  return rect;
}
