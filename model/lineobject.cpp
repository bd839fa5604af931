#include "model/lineobject.h"

#include <algorithm>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "platform/dc.h"

CLineObject::CLineObject() { kind = OBJ_LINE; }

CFRect CLineObject::PageBox() const {
  const CFPoint a = PageStart(), b = PageEnd();
  return CFRect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
}

void CLineObject::OffsetPoints(float dx, float dy) {
  x1 += dx;
  y1 += dy;
  x2 += dx;
  y2 += dy;
}

void CLineObject::Transform(const CMatrix3& m) {
  matrix.Append(m);
  bounds = PageBox();
}

CPathPointList* CLineObject::MakeOutline(const CMatrix3* m, int) {
  const CMatrix3 total = PageToDevice(m);
  PathPoint a{x1, y1, 0x11}, b{x2, y2, 0x21};
  total.TransformPathPoint(a);
  total.TransformPathPoint(b);
  auto list = std::make_unique<CPathPointList>();
  list->AddPoint(a);
  list->AddPoint(b);
  list->EndPoints();
  return list.release();
}

int CLineObject::HitTest(CViewServices* view, float x, float y) {
  const float t = Tolerance(view);
  const CFPoint a = PageStart(), b = PageEnd();
  CFPoint p{x, y};
  return HitTestSegment(a.x, a.y, b.x, b.y, p, t) != -1.0f ? 1 : 0;
}

int CLineObject::HitTestHandle(CViewServices* view, float x, float y, int* index) {
  const float t = Tolerance(view);
  const CFPoint handles[2] = {PageStart(), PageEnd()};
  const int indices[2] = {0, 1};
  const int hit = FirstSquareHit(handles, indices, 2, x, y, t);
  if (hit < 0) return 0;
  if (index) *index = hit;
  return 1;
}

void CLineObject::MoveHandle(CViewServices*, int handle, float x, float y) {
  CFPoint p;
  if (ToObject(x, y, p)) {
    if (handle == 0) {
      x1 = p.x;
      y1 = p.y;
    } else if (handle == 1) {
      x2 = p.x;
      y2 = p.y;
    }
  }
  bounds = PageBox();
}

void CLineObject::DrawXorOutline(plat::DC* dc, const CMatrix3* m) {
  if (!dc) return;
  const CMatrix3 total = PageToDevice(m);
  CFPoint a{x1, y1}, b{x2, y2};
  plat::POINT da, db;
  total.TransformPointToInt(a, &da);
  total.TransformPointToInt(b, &db);
  plat::HPEN oldPen = dc->SelectObject(SharedTools().xorPen);
  plat::HBRUSH oldBrush = dc->SelectObject(SharedTools().xorBrush);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  dc->MoveTo(da);
  dc->LineTo(db);
  DrawHandleSquare(dc, da.x, da.y, 3);
  DrawHandleSquare(dc, db.x, db.y, 3);
  if (oldPen) dc->SelectObject(oldPen);
  if (oldBrush) dc->SelectObject(oldBrush);
  if (oldRop) dc->SetROP2(oldRop);
}

void CLineObject::DrawHandleDragXor(CViewServices* view, int, float, float) {
  if (!view) return;
  plat::DC* dc = view->GetDC();
  if (!dc) return;
  const CMatrix3* vm = view->GetViewMatrix();
  DrawXorOutline(dc, vm);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  DrawOutline(dc, vm, nullptr);
  if (oldRop) dc->SetROP2(oldRop);
  view->ReleaseDC(dc);
}

std::uint32_t CLineObject::WriteRecord(plat::HGLOBAL* out) {
  CFPoint a{x1, y1}, b{x2, y2};
  CFRect box = bounds;
  if (!matrix.IsIdentity()) {
    a = PageStart();
    b = PageEnd();
    box = PageBox();
  }
  CRecordWriter w(REC_LINE, OBJ_LINE, flags);
  w.PutF32(a.x);
  w.PutF32(a.y);
  w.PutF32(b.x);
  w.PutF32(b.y);
  w.PutRect(box);
  w.PutU32(color);
  w.PutU32(reserved);
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CLineObject::ReadRecord(const std::uint8_t* record,
                                                      std::uint32_t length) {
  CRecordReader r(record, length, REC_KIND_HEAD_SIZE);
  auto line = std::make_unique<CLineObject>();
  if (!ReadShapeHead(r, REC_LINE, kRecordLength, *line)) return nullptr;
  CLineObject& l = *line;
  r.ReadF32(l.x1);
  r.ReadF32(l.y1);
  r.ReadF32(l.x2);
  r.ReadF32(l.y2);
  r.ReadRect(l.bounds);
  r.ReadU32(l.color);
  r.ReadU32(l.reserved);
  if (!r.Done() || !AllFinite({l.x1, l.y1, l.x2, l.y2}) || !AllFinite(l.bounds)) return nullptr;
  return line;
}
