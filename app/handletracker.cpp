#include "app/handletracker.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/fwdefs.h"
#include "model/geomutil.h"

namespace tracker {

bool InRect(const CFRect& r, float grow, float x, float y) {
  const float l = std::min(r.left, r.right) - grow, rr = std::max(r.left, r.right) + grow;
  const float t = std::min(r.top, r.bottom) - grow, b = std::max(r.top, r.bottom) + grow;
  return l <= x && x <= rr && t <= y && y <= b;
}

bool InsideBand(const CFRect& r, float left, float top, float right, float bottom) {
  return left < r.left && top < r.top && r.right < right && r.bottom < bottom;
}

CFPoint Middle(const CFRect& r) { return {(r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f}; }

CMatrix3 ScaleMatrix(const CFRect& from, const CFRect& to) {
  const float fw = from.right - from.left, fh = from.bottom - from.top;
  const float sx = fw != 0.0f ? (to.right - to.left) / fw : 1.0f;
  const float sy = fh != 0.0f ? (to.bottom - to.top) / fh : 1.0f;
  return CMatrix3(sx, 0.0f, 0.0f, sy, to.left - sx * from.left, to.top - sy * from.top);
}

}  // namespace tracker

using tracker::InRect;
using tracker::Middle;
using tracker::ViewDC;

namespace {

constexpr float kPi = 3.1415926f;

float ToDegrees(float radians) { return radians * 180.0f / kPi; }

bool InBox(float x, float y, float l, float t, float r, float b) {
  return l <= x && x <= r && t <= y && y <= b;
}

plat::POINT ToDevice(const CMatrix3& m, float x, float y) {
  CFPoint p{x, y};
  plat::POINT out{};
  m.TransformPointToInt(p, &out);
  return out;
}

// Blits a handle bitmap with SRCINVERT at a device position.
// Positions are wide: handles of a far selection sit beyond the device range
// and are passed over.
void InvertBitmap(plat::DC* dc, std::uint32_t id, std::int64_t x64, std::int64_t y64) {
  plat::RECT clip;
  if (dc->GetClipBox(&clip) == plat::NULLREGION) return;
  constexpr std::int64_t kHandleSide = 64;  // larger than any handle bitmap
  if (x64 + kHandleSide < clip.left || x64 > clip.right || y64 + kHandleSide < clip.top || y64 > clip.bottom) return;
  const plat::LONG x = plat::LONG(x64), y = plat::LONG(y64);
  plat::HBITMAP bmp = CreateHandleBitmap(id);
  if (!bmp) return;
  plat::BITMAP info;
  plat::GetBitmapInfo(bmp, &info);
  {
    plat::DC mem;
    plat::HBITMAP old = mem.SelectObject(bmp);
    dc->BitBlt(x, y, info.bmWidth, info.bmHeight, &mem, 0, 0, plat::SRCINVERT);
    mem.SelectObject(old);
  }
  plat::DeleteObject(bmp);
}

// Pen, brush and mix mode put back at the end of a scope.
class DrawState {
 public:
  DrawState(plat::DC* dc, plat::HPEN pen, plat::HBRUSH brush) : dc_(dc) {
    oldPen_ = dc_->SelectObject(pen);
    oldBrush_ = dc_->SelectObject(brush);
    oldRop_ = dc_->SetROP2(plat::R2_NOTXORPEN);
  }
  ~DrawState() {
    dc_->SetROP2(oldRop_);
    dc_->SelectObject(oldBrush_);
    dc_->SelectObject(oldPen_);
  }

 private:
  plat::DC* dc_;
  plat::HPEN oldPen_;
  plat::HBRUSH oldBrush_;
  int oldRop_;
};

plat::HBRUSH NullBrush() { return static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)); }

}  // namespace

// ---------------------------------------------------------------------------
// Handle pictures.

plat::HBITMAP CreateHandleBitmap(std::uint32_t id) {
  int w = 15, h = 15;
  if (id == IDB_HANDLE_SKEW_H) h = 9;
  if (id == IDB_HANDLE_SKEW_V) w = 9;
  if (id < IDB_HANDLE_SKEW_H || id > IDB_HANDLE_CENTRE) return nullptr;
  std::vector<std::uint32_t> px(std::size_t(w) * h, 0);
  auto set = [&](int x, int y) {
    if (x >= 0 && x < w && y >= 0 && y < h) px[std::size_t(y) * w + x] = 0x00FFFFFF;
  };
  if (id == IDB_HANDLE_SKEW_H || id == IDB_HANDLE_SKEW_V) {
    // A double arrow along the long side.
    const bool vertical = id == IDB_HANDLE_SKEW_V;
    auto put = [&](int along, int across) { vertical ? set(across, along) : set(along, across); };
    for (int a = 0; a < 15; ++a) put(a, 4);
    for (int k = 1; k <= 3; ++k) {
      put(k, 4 - k), put(k, 4 + k);
      put(14 - k, 4 - k), put(14 - k, 4 + k);
    }
  } else if (id == IDB_HANDLE_CENTRE) {
    // A ring with a dot.
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 15; ++x) {
        const double d = std::hypot(x - 7.0, y - 7.0);
        if ((d >= 5.5 && d <= 6.6) || d <= 1.2) set(x, y);
      }
  } else {
    // A quarter arc bowed toward its corner with a head at each end; the
    // top-left picture mirrored for the other corners.
    const int corner = int(id - IDB_HANDLE_ROTATE_TL);  // 0 TL, 1 TR, 2 BL, 3 BR
    const bool mirrorX = corner == 1 || corner == 3, mirrorY = corner >= 2;
    auto put = [&](int x, int y) { set(mirrorX ? 14 - x : x, mirrorY ? 14 - y : y); };
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 15; ++x) {
        const double d = std::hypot(x - 13.0, y - 13.0);
        if (d >= 9.5 && d <= 10.6) put(x, y);
      }
    for (int k = 1; k <= 3; ++k) {
      put(3 + k, 13 - k), put(3 - k, 13 - k);  // head at the lower end
      put(13 - k, 3 + k), put(13 - k, 3 - k);  // head at the right end
    }
  }
  return plat::CreateBitmap(w, h, 1, 32, px.data());
}

// ---------------------------------------------------------------------------
// The view.

double CHandleTracker::Scale() const { return m_view ? m_view->GetUnitsPerPixel() : 1.0; }

const CMatrix3& CHandleTracker::ViewMatrix() const {
  static const CMatrix3 identity;
  const CMatrix3* m = m_view ? m_view->GetViewMatrix() : nullptr;
  return m ? *m : identity;
}

void CHandleTracker::CentreOnRect() { m_centre = Middle(m_rect); }

void CHandleTracker::ShowSize(float w, float h) const {
  if (CMainFrameServices* frame = GetMainFrame()) frame->ShowSize(w, h);
}

void CHandleTracker::Hide(plat::DC* dc) {
  if (m_suspended) return;
  DrawSelected(dc, nullptr);
  m_suspended = 1;
}

void CHandleTracker::Show(plat::DC* dc) {
  m_suspended = 0;
  DrawSelected(dc, nullptr);
}

void CHandleTracker::HideForMove(bool) { Hide(nullptr); }

void CHandleTracker::ShowAfterMove() { Show(nullptr); }

// ---------------------------------------------------------------------------
// Hit tests.

bool CHandleTracker::IsNearSelection(float x, float y) const {
  return m_count > 0 && InRect(m_rect, float(5.0 * Scale()), x, y);
}

bool CHandleTracker::HitTest(float x, float y, int* mode, int* index) const {
  const std::uint16_t hm = m_handleMode & 0x7F;
  if (hm != kModeSize && hm != kModeRotate) {
    if (index) *index = -1;
    return false;
  }
  const float s = float(Scale());
  const float h = 3.0f * s;
  CFRect box = m_rect;
  box.Normalize();
  box.Inflate(8.0f * s, 8.0f * s);
  const float L = box.left, T = box.top, R = box.right, B = box.bottom;
  const float mx = (L + R) / 2.0f, my = (T + B) / 2.0f;
  struct Spot {
    int index;
    float l, t, r, b;
  };
  auto centred = [h](int i, float cx, float cy) { return Spot{i, cx - h, cy - h, cx + h, cy + h}; };
  Spot spots[9];
  if (hm == kModeSize) {
    spots[0] = centred(1, L, T);
    spots[1] = centred(2, mx, T);
    spots[2] = centred(3, R, T);
    spots[3] = centred(4, L, my);
    spots[4] = centred(0, mx, my);
    spots[5] = centred(5, R, my);
    spots[6] = centred(6, L, B);
    spots[7] = centred(7, mx, B);
    spots[8] = centred(8, R, B);
  } else {
    spots[0] = centred(1, L, T);
    spots[1] = Spot{2, mx - h, T - 2.0f * h, mx + h, T};
    spots[2] = centred(3, R, T);
    spots[3] = centred(4, L, my);
    spots[4] = centred(9, m_centre.x, m_centre.y);
    spots[5] = centred(5, R, my);
    spots[6] = Spot{6, L - h, B, L + h, B + 2.0f * h};
    spots[7] = centred(7, mx, B);
    spots[8] = centred(8, R, B);
  }
  if (mode) *mode = hm;
  for (const Spot& sp : spots)
    if (InBox(x, y, sp.l, sp.t, sp.r, sp.b)) {
      if (index) *index = sp.index;
      return true;
    }
  if (index) *index = -1;
  return false;
}

bool CHandleTracker::HitTestAny(float x, float y, int* mode, int* index) {
  int own = -1;
  if (m_count == 1 && HitItemHandle(x, y, &own)) {
    if (mode) *mode = kModeObject;
    if (index) *index = own;
    return true;
  }
  return HitTest(x, y, mode, index);
}

void CHandleTracker::SetHandleCursor(int mode, int index, float x, float y) {
  m_currentHandle = index;
  std::uint32_t cursor = 0;
  if (mode == kModeSize) {
    switch (index) {
      case 1: case 8: cursor = IDC_SIZENWSE; break;
      case 3: case 6: cursor = IDC_SIZENESW; break;
      case 2: case 7: cursor = IDC_SIZENS; break;
      case 4: case 5: cursor = IDC_SIZEWE; break;
      default: break;  // the move handle keeps the cursor
    }
  } else if (mode == kModeRotate) {
    switch (index) {
      case 1: case 3: case 6: case 8: cursor = IDC_HANDLE_ROTATE; break;
      case 2: case 7: cursor = IDC_HANDLE_SKEW_H; break;
      case 4: case 5: cursor = IDC_HANDLE_SKEW_V; break;
      case 9: cursor = IDC_CROSS; break;
      default: break;
    }
  } else {
    cursor = IDC_OBJECT_HANDLE;
  }
  if (cursor && m_view) m_view->SetCursor(cursor);
  m_dragStart = m_dragCurrent = CFPoint{x, y};
}

// ---------------------------------------------------------------------------
// Mouse.

void CHandleTracker::StartMoveDrag(float x, float y, bool picked) {
  SetHandleCursor(kModeSize, 0, x, y);
  m_dragState = kMoveDrag;
  HideForMove(picked);
  DrawDragFeedback(nullptr);
  m_moved = 0;
}

int CHandleTracker::OnLButtonDown(std::uint32_t flags, float x, float y) {
  if (!m_view || !TakesPress(flags)) return 0;
  m_dragStart = m_dragCurrent = CFPoint{x, y};
  m_dragState = kNoDrag;

  if (BeginItemDrag(flags, x, y)) {
    m_dragState = kObjectHandleDrag;
    m_view->CaptureMouse();
    return 1;
  }
  int mode = 0, index = -1;
  if (HandlesOn() && m_count > 0 && HitTest(x, y, &mode, &index)) {
    SetHandleCursor(mode, index, x, y);
    Hide(nullptr);
    m_moved = 0;
    m_dragState = kHandleDrag;
    DrawDragFeedback(nullptr);
    return 1;
  }
  if (!(flags & MK_SHIFT)) {
    if (!IsNearSelection(x, y)) {
      ClearSelection(nullptr, true);
      if (Pick(x, y, true)) {
        StartMoveDrag(x, y, true);
        m_handleMode = kModeSize | kModeChanged;
      } else {
        m_dragState = kRubberBand;
      }
    } else {
      StartMoveDrag(x, y, false);
    }
  } else if (Pick(x, y, true)) {
    StartMoveDrag(x, y, true);
    m_handleMode |= kModeChanged;
  } else if (IsNearSelection(x, y)) {
    StartMoveDrag(x, y, false);
  } else {
    m_dragState = kRubberBand;
  }
  if (m_dragState == kRubberBand)
    DrawBandRect(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
  return m_dragState;
}

int CHandleTracker::OnMouseMove(std::uint32_t flags, float x, float y) {
  if (!m_view || !TakesMouse()) return 0;
  if (!(flags & MK_LBUTTON)) {
    int mode = 0, index = -1;
    if (m_count > 0 && HitTestAny(x, y, &mode, &index)) SetHandleCursor(mode, index, x, y);
    return 0;
  }
  const double limit = 3.0 * Scale();
  if (!m_moved && (std::fabs(double(m_dragStart.x) - x) > limit || std::fabs(double(m_dragStart.y) - y) > limit))
    m_moved = 1;
  switch (m_dragState) {
    case kHandleDrag:
    case kMoveDrag:
      if (m_moved) {
        DrawDragFeedback(nullptr);
        m_dragCurrent = CFPoint{x, y};
        DrawDragFeedback(nullptr);
      }
      break;
    case kObjectHandleDrag:
      ItemDragMove(flags, x, y);
      break;
    case kRubberBand:
      DrawBandRect(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
      DrawBandRect(m_dragStart.x, m_dragStart.y, x, y);
      m_dragCurrent = CFPoint{x, y};
      if (m_sizeFeedback) ShowSize(m_dragCurrent.x - m_dragStart.x, m_dragCurrent.y - m_dragStart.y);
      break;
    default: break;
  }
  if (m_moved) m_dragCurrent = CFPoint{x, y};
  return 1;
}

int CHandleTracker::OnLButtonUp(std::uint32_t flags, float x, float y) {
  if (!m_view || !TakesMouse()) return 0;
  switch (m_dragState) {
    case kHandleDrag:
    case kMoveDrag: {
      const bool move = m_dragState == kMoveDrag;
      DrawDragFeedback(nullptr);
      if (!m_moved) {
        if (!(m_handleMode & kModeChanged)) ToggleHandles();
      } else {
        ApplyDrag(flags);
      }
      if (move)
        ShowAfterMove();
      else
        Show(nullptr);
      m_handleMode &= std::uint16_t(~kModeChanged);
      break;
    }
    case kObjectHandleDrag:
      EndItemDrag(flags, x, y);
      break;
    case kRubberBand: {
      DrawBandRect(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
      CFRect band(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
      band.Normalize();
      SelectInRect(band.left, band.top, band.right, band.bottom);
      break;
    }
    default: break;
  }
  m_moved = 0;
  m_dragState = kNoDrag;
  AfterRelease();
  return 1;
}

// ---------------------------------------------------------------------------
// The drag.

void CHandleTracker::GetDraggedRect(CFRect& out) const {
  const float w = std::fabs(m_rect.right - m_rect.left);
  const float h = std::fabs(m_rect.bottom - m_rect.top);
  out = m_rect;
  const float dx = m_dragCurrent.x - m_dragStart.x;
  const float dy = m_dragCurrent.y - m_dragStart.y;
  const bool wide = w != 0.0f, tall = h != 0.0f;
  switch (m_currentHandle) {
    case 0:
      out.left += dx, out.right += dx, out.top += dy, out.bottom += dy;
      if (m_snapMoves && m_view) m_view->SnapRect(out, 0.0f);
      return;
    case 2: if (tall) out.top += dy; return;
    case 7: if (tall) out.bottom += dy; return;
    case 4: if (wide) out.left += dx; return;
    case 5: if (wide) out.right += dx; return;
    case 1: if (wide) out.left += dx; if (tall) out.top += dy; break;
    case 3: if (wide) out.right += dx; if (tall) out.top += dy; break;
    case 6: if (wide) out.left += dx; if (tall) out.bottom += dy; break;
    case 8: if (wide) out.right += dx; if (tall) out.bottom += dy; break;
    default: return;
  }
  if (!wide || !tall) return;
  const float nw = out.right - out.left, nh = out.bottom - out.top;
  const float k = std::min(std::fabs(nw / w), std::fabs(nh / h));
  const float sx = out.left > out.right ? -1.0f : 1.0f;
  const float sy = out.top > out.bottom ? -1.0f : 1.0f;
  const float kw = w * k * sx, kh = h * k * sy;
  switch (m_currentHandle) {
    case 1: out.left = m_rect.right - kw, out.top = m_rect.bottom - kh; break;
    case 3: out.right = m_rect.left + kw, out.top = m_rect.bottom - kh; break;
    case 6: out.left = m_rect.right - kw, out.bottom = m_rect.top + kh; break;
    case 8: out.right = m_rect.left + kw, out.bottom = m_rect.top + kh; break;
    default: break;
  }
}

std::unique_ptr<CMatrix3> CHandleTracker::MakeDragMatrix() const {
  switch (m_currentHandle) {
    case 1: case 3: case 6: case 8: {
      const float a0 = VectorAngle(m_centre.x, m_centre.y, m_dragStart.x, m_dragStart.y);
      const float a1 = VectorAngle(m_centre.x, m_centre.y, m_dragCurrent.x, m_dragCurrent.y);
      return MakeRotateMatrixAt(m_centre.x, m_centre.y, ToDegrees(a0 - a1));
    }
    case 2: case 7: case 4: case 5: {
      const CFPoint m = Middle(m_rect);
      const float a0 = VectorAngle(m.x, m.y, m_dragStart.x, m_dragStart.y);
      const float a1 = VectorAngle(m.x, m.y, m_dragCurrent.x, m_dragCurrent.y);
      const bool horizontal = m_currentHandle == 2 || m_currentHandle == 7;
      return MakeSkewMatrix(m_rect.left, m_rect.top, m_rect.right, m_rect.bottom,
                            horizontal ? ToDegrees(a1 - a0) : 0.0f, horizontal ? 0.0f : ToDegrees(a0 - a1));
    }
    default: return nullptr;
  }
}

void CHandleTracker::ResizeToDraggedRect(bool erase) {
  InvalidateSelectionRect(erase);
  CFRect to;
  GetDraggedRect(to);
  ScaleSelected(m_rect, to);
  Recount();
  CentreOnRect();
  InvalidateSelectionRect(erase);
  if (CDocumentServices* doc = m_view ? m_view->GetDocument() : nullptr) doc->SetModified(true);
}

// ---------------------------------------------------------------------------
// Marks.

void CHandleTracker::DrawDragFeedback(plat::DC* given) {
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& vm = ViewMatrix();
  const std::uint16_t mode = m_handleMode & 0x7F;
  DrawState state(dc, FeedbackPen(), NullBrush());
  if (mode == kModeSize || m_currentHandle == 0) {
    CFRect r;
    GetDraggedRect(r);
    const plat::POINT a = ToDevice(vm, r.left, r.top), b = ToDevice(vm, r.right, r.bottom);
    if (a.x == b.x || a.y == b.y) {
      dc->MoveTo(a);
      dc->LineTo(b);
    } else {
      dc->Rectangle(a.x, a.y, b.x, b.y);
    }
    if (mode == kModeSize && m_sizeFeedback) ShowSize(r.right - r.left, r.bottom - r.top);
    return;
  }
  if (mode != kModeRotate) return;
  if (m_currentHandle == 9) {
    const plat::POINT c = ToDevice(vm, m_centre.x + (m_dragCurrent.x - m_dragStart.x),
                                   m_centre.y + (m_dragCurrent.y - m_dragStart.y));
    InvertBitmap(dc, IDB_HANDLE_CENTRE, std::int64_t(c.x) - 7, std::int64_t(c.y) - 7);
    return;
  }
  std::unique_ptr<CMatrix3> m = MakeDragMatrix();
  if (!m) return;
  CFPoint q[4];
  m->TransformRectToQuad(m_rect, q);
  DrawTransformedQuad(dc, q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y, vm);
  const bool corner = m_currentHandle == 1 || m_currentHandle == 3 || m_currentHandle == 6 || m_currentHandle == 8;
  if (corner) {
    const plat::POINT c = ToDevice(vm, m_centre.x, m_centre.y);
    InvertBitmap(dc, IDB_HANDLE_CENTRE, std::int64_t(c.x) - 7, std::int64_t(c.y) - 7);
  }
}

void CHandleTracker::InvalidateSelectionRect(bool erase) {
  if (!m_view) return;
  CFRect r = m_rect;
  plat::RECT rc{};
  ViewMatrix().TransformRectBounds(r, &rc);
  if (rc.right == rc.left) rc.left = plat::SatAdd(rc.left, -1), rc.right = plat::SatAdd(rc.right, 1);
  if (rc.bottom == rc.top) rc.top = plat::SatAdd(rc.top, -1), rc.bottom = plat::SatAdd(rc.bottom, 1);
  m_view->InvalidateRect(rc, erase);
}

void CHandleTracker::DrawHandles(plat::DC* given, const CMatrix3* matrix) {
  if (m_count == 0 || m_suspended) return;
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& m = matrix ? *matrix : ViewMatrix();
  CFRect r = m_rect;
  plat::RECT box{};
  m.TransformRectBounds(r, &box);
  const std::int64_t L = std::int64_t(box.left) - 8, T = std::int64_t(box.top) - 8;
  const std::int64_t R = std::int64_t(box.right) + 8, B = std::int64_t(box.bottom) + 8;
  const std::int64_t mx = (L + R) / 2, my = (T + B) / 2;
  {
    DrawState state(dc, static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)),
                    static_cast<plat::HBRUSH>(plat::GetStockObject(plat::BLACK_BRUSH)));
    if ((m_handleMode & 0x7F) == kModeRotate) {
      InvertBitmap(dc, IDB_HANDLE_ROTATE_TL, L - 7, T - 7);
      InvertBitmap(dc, IDB_HANDLE_ROTATE_TL + 1, R - 7, T - 7);
      InvertBitmap(dc, IDB_HANDLE_ROTATE_TL + 2, L - 7, B - 7);
      InvertBitmap(dc, IDB_HANDLE_ROTATE_TL + 3, R - 7, B - 7);
      InvertBitmap(dc, IDB_HANDLE_SKEW_H, mx - 7, T - 7);
      InvertBitmap(dc, IDB_HANDLE_SKEW_H, mx - 7, B);
      InvertBitmap(dc, IDB_HANDLE_SKEW_V, L - 4, my - 7);
      InvertBitmap(dc, IDB_HANDLE_SKEW_V, R - 4, my - 7);
      const plat::POINT c = ToDevice(m, m_centre.x, m_centre.y);
      InvertBitmap(dc, IDB_HANDLE_CENTRE, std::int64_t(c.x) - 7, std::int64_t(c.y) - 7);
    } else {
      m_handleMode = kModeSize;
      const std::int64_t spots[8][2] = {{L, T}, {mx, T}, {R, T}, {L, my}, {R, my}, {L, B}, {mx, B}, {R, B}};
      for (const auto& p : spots) {
        const plat::LONG x = plat::SatAdd(0, p[0]), y = plat::SatAdd(0, p[1]);
        if (x == p[0] && y == p[1]) DrawHandleSquare(dc, x, y, 3);
      }
    }
  }
  ShowSize(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
}

void CHandleTracker::DrawBandRect(float x0, float y0, float x1, float y1) {
  ViewDC vdc(m_view, nullptr);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& m = ViewMatrix();
  DrawState state(dc, static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)), NullBrush());
  const plat::POINT a = ToDevice(m, x0, y0), b = ToDevice(m, x1, y1);
  dc->Rectangle(a.x, a.y, b.x, b.y);
}
