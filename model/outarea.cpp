#include "model/outarea.h"

#include <cmath>

#include "platform/bytes.h"

namespace {

// Selects a pen and a stock brush (and the raster operation when given) for
// one drawing and restores the DC after.
class AreaTools {
 public:
  AreaTools(plat::DC* dc, plat::HPEN pen, int stockBrush, int rop) : dc_(dc) {
    if (pen) oldPen_ = dc_->SelectObject(pen);
    oldBrush_ = dc_->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(stockBrush)));
    if (rop) oldRop_ = dc_->SetROP2(rop);
  }
  ~AreaTools() {
    if (oldRop_) dc_->SetROP2(oldRop_);
    if (oldBrush_) dc_->SelectObject(oldBrush_);
    if (oldPen_) dc_->SelectObject(oldPen_);
  }
  AreaTools(const AreaTools&) = delete;
  AreaTools& operator=(const AreaTools&) = delete;

 private:
  plat::DC* dc_;
  plat::HPEN oldPen_ = nullptr;
  plat::HBRUSH oldBrush_ = nullptr;
  int oldRop_ = 0;
};

plat::RECT DeviceRect(const CFRect& area, const CMatrix3& m) {
  CFRect r = area;
  plat::RECT out{};
  m.TransformRectCorners(r, &out);
  return out;
}

void DrawAreaRect(plat::DC* dc, const CMatrix3* matrix, const CFRect& area, plat::HPEN pen,
                  int stockBrush, int rop) {
  if (!dc || !matrix) return;
  const plat::RECT r = DeviceRect(area, *matrix);
  AreaTools tools(dc, pen, stockBrush, rop);
  dc->Rectangle(r.left, r.top, r.right, r.bottom);
}

}  // namespace

COutArea::COutArea() {
  letter = OUT_AREA_LETTER;
  drawFlags = 0x100;
  selection = 0;
}

COutArea::COutArea(float left, float top, float right, float bottom)
    : area(left, top, right, bottom) {
  letter = OUT_AREA_LETTER;
  drawFlags = 0x100;
  selection = 0;
}

COutArea::~COutArea() = default;

void COutArea::DrawGuide(plat::DC* dc, const CMatrix3* matrix, const CFRect*) {
  DrawAreaRect(dc, matrix, area, SharedTools().greenPen, plat::NULL_BRUSH, plat::R2_NOTXORPEN);
}

void COutArea::DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect*) {
  DrawAreaRect(dc, matrix, area, SharedTools().bluePen, plat::NULL_BRUSH, 0);
}

void COutArea::DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect*) {
  DrawAreaRect(dc, matrix, area, SharedTools().bluePen, plat::WHITE_BRUSH, 0);
}

int COutArea::GetBounds(CFRect* out) {
  if (out) *out = area;
  return 1;
}

int COutArea::GetRect(CFRect* out) {
  if (out) *out = area;
  return 1;
}

int COutArea::AllowsRotateSkew() { return 0; }

void COutArea::Offset(float dx, float dy) {
  area.left += dx;
  area.right += dx;
  area.top += dy;
  area.bottom += dy;
}

int COutArea::SetRect(float left, float top, float right, float bottom) {
  area = CFRect(left, top, right, bottom);
  return 1;
}

int COutArea::HitTest(float x, float y, float t) {
  const CFRect& a = area;
  if (x < a.left - t || x > a.right + t || y < a.top - t || y > a.bottom + t) return 0;
  const auto near = [t](float v, float edge) { return edge - t < v && v < edge + t; };
  return near(x, a.left) || near(x, a.right) || near(y, a.top) || near(y, a.bottom) ? 1 : 0;
}

int COutArea::HitTestHandle(CViewServices* view, float x, float y, int* index) {
  if (index) *index = -1;
  if (!view) return 0;
  const float t = static_cast<float>(3.0 * view->GetUnitsPerPixel());
  const CFPoint corners[4] = {
      {area.left, area.top}, {area.right, area.top}, {area.left, area.bottom}, {area.right, area.bottom}};
  for (int i = 0; i < 4; ++i) {
    if (std::fabs(x - corners[i].x) <= t && std::fabs(y - corners[i].y) <= t) {
      if (index) *index = i;
      return 1;
    }
  }
  return 0;
}

int COutArea::InvalidateItem(CViewServices* view, bool erase) {
  if (!view) return 0;
  const CMatrix3* m = view->GetViewMatrix();
  if (!m) return 0;
  CFRect r = area;
  m->TransformRect(r);
  const plat::RECT out{TruncToLong(r.left), TruncToLong(r.top), TruncToLong(r.right), TruncToLong(r.bottom)};
  view->InvalidateRect(plat::GrowRect(out, 8, 8), erase);
  return 1;
}

std::uint32_t COutArea::WriteRecord(plat::HGLOBAL* out) {
  if (!out) return 0;
  *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, 33);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[0] = OUT_AREA_LETTER;
    plat::PutU32(p + 1, OUT_AREA_RECORD_LENGTH);
    plat::PutU16(p + 5, drawFlags);
    plat::PutF32(p + 7, area.left);
    plat::PutF32(p + 11, area.top);
    plat::PutF32(p + 15, area.right);
    plat::PutF32(p + 19, area.bottom);
    p[23] = GUIDE_RECORD_END;
    p[24] = GUIDE_BLOCK_END;
  }
  *out = h;
  return OUT_AREA_RECORD_LENGTH;
}

std::unique_ptr<COutArea> COutArea::LoadFromRecord(const std::uint8_t* record,
                                                   std::size_t available) {
  if (!record || available < OUT_AREA_RECORD_LENGTH || record[0] != OUT_AREA_LETTER) return nullptr;
  const std::uint32_t len = plat::GetU32(record + 1);
  if (len < OUT_AREA_RECORD_LENGTH || len > available) return nullptr;
  auto a = std::make_unique<COutArea>(plat::GetF32(record + 7), plat::GetF32(record + 11),
                                      plat::GetF32(record + 15), plat::GetF32(record + 19));
  a->drawFlags = plat::GetU16(record + 5);
  return a;
}
