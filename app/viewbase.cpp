#include "app/viewbase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "app/rulers.h"
#include "framework/caret.h"
#include "framework/clock.h"
#include "framework/input.h"
#include "model/graphobject.h"

using fw::CView;
FW_IMPLEMENT_DYNAMIC(CVORLANView, CView)

FW_BEGIN_COMMAND_MAP(CVORLANView, fw::CView)
FW_ON_UPDATE_COMMAND_UI(ID_VIEW_GRID, OnUpdateGrid)
FW_END_COMMAND_MAP()

namespace {

constexpr fw::DWORD kScrollInterval = 100;  // ms between two steps in one direction
constexpr int kAutoScrollLeft = 10;          // px right of the vertical ruler
constexpr int kAutoScrollRight = 15;         // px from the right or bottom edge
constexpr float kPageMargin = 25.0f;         // mm around the whole page

bool IsRectKind(std::uint16_t kind) { return (kind >= DRAG_RECT && kind <= DRAG_RECT + 3) || kind == DRAG_BAND_RECT; }

}  // namespace

plat::HPEN DragPen(std::uint16_t kind) {
  CreateSharedDrawingTools();
  switch (kind & 15) {
    case DRAG_PEN_DOTTED_BLUE: return SharedTools().dottedBluePen;
    case DRAG_PEN_RED: return SharedTools().xorPen;
    case DRAG_PEN_BLUE: return SharedTools().bluePen;
    default: return static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN));
  }
}

bool DrawDragShape(plat::DC* dc, std::uint16_t kind, const CMatrix3* matrix, CFPoint a, CFPoint b,
                   const CFPoint* ref) {
  const std::uint16_t shape = kind == DRAG_BAND_RECT ? DRAG_RECT : std::uint16_t(kind & 0xFFF0);
  if (shape != DRAG_LINE && shape != DRAG_RECT && shape != DRAG_ELLIPSE && shape != DRAG_ROUND_RECT) return false;
  if (!dc) return true;
  auto toDevice = [matrix](CFPoint p) {
    plat::POINT out{TruncToLong(p.x), TruncToLong(p.y)};
    if (matrix) matrix->TransformPointToInt(p, &out);
    return out;
  };
  const plat::POINT p = toDevice(a), q = toDevice(b);
  plat::HPEN oldPen = dc->SelectObject(DragPen(kind));
  plat::HBRUSH oldBrush = dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  switch (shape) {
    case DRAG_LINE:
      dc->MoveTo(p);
      dc->LineTo(q);
      break;
    case DRAG_RECT:
      dc->Rectangle(p.x, p.y, q.x, q.y);
      break;
    case DRAG_ELLIPSE:
      dc->Ellipse(p.x, p.y, q.x, q.y);
      break;
    default: {
      // Corners reach from the edges to the reference point when it lies inside.
      plat::LONG w = 0, h = 0;
      if (ref) {
        const plat::POINT r = toDevice(*ref);
        if (r.x > std::min(p.x, q.x) && r.x < std::max(p.x, q.x) && r.y > std::min(p.y, q.y) &&
            r.y < std::max(p.y, q.y)) {
          w = std::min(std::labs(long(p.x) - r.x), std::labs(long(q.x) - r.x));
          h = std::min(std::labs(long(p.y) - r.y), std::labs(long(q.y) - r.y));
        }
      }
      if (w > 0 && h > 0)
        dc->RoundRect(p.x, p.y, q.x, q.y, w, h);
      else
        dc->Rectangle(p.x, p.y, q.x, q.y);
      break;
    }
  }
  dc->SetROP2(oldRop);
  dc->SelectObject(oldBrush);
  dc->SelectObject(oldPen);
  return true;
}

// ---------------------------------------------------------------------------

CVORLANView::CVORLANView() = default;

CVORLANView::~CVORLANView() {
  delete m_rulers;
  if (m_backBuffer) plat::DeleteObject(m_backBuffer);
}

void CVORLANView::PaintBuffered(const std::function<void(plat::DC*, const fw::RECT&)>& draw) {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  const fw::SIZE size = GetClientSize();
  if (ps.hdc && size.cx > 0 && size.cy > 0 && !ps.rcPaint.empty()) {
    if (!m_backBuffer || m_backSize.cx != size.cx || m_backSize.cy != size.cy) {
      if (m_backBuffer) plat::DeleteObject(m_backBuffer);
      m_backBuffer = plat::CreateCompatibleBitmap(ps.hdc, size.cx, size.cy);
      m_backSize = size;
    }
    if (m_backBuffer) {
      plat::DC mem;
      plat::HBITMAP old = mem.SelectObject(m_backBuffer);
      draw(&mem, ps.rcPaint);
      const fw::RECT& r = ps.rcPaint;
      ps.hdc->BitBlt(r.left, r.top, r.width(), r.height(), &mem, r.left, r.top, plat::SRCCOPY);
      mem.SelectObject(old);
    }
  }
  EndPaint(&ps);
}

double CVORLANView::GetScale() const { return m_rulers ? m_rulers->GetZoom() : 1.0; }

const CMatrix3* CVORLANView::GetViewMatrix() const { return m_rulers ? m_rulers->GetMatrix() : nullptr; }

CFPoint CVORLANView::DeviceToPage(int x, int y) const {
  if (!m_rulers) return CFPoint{float(x), float(y)};
  const double t = m_rulers->GetThickness();
  const double s = m_rulers->GetZoom();
  const CFPoint o = m_rulers->GetOrigin();
  return CFPoint{float((x - t) * s + o.x), float((y - t) * s + o.y)};
}

CFRect CVORLANView::DeviceRectToPage(int left, int top, int right, int bottom) const {
  const CFPoint a = DeviceToPage(left, top), b = DeviceToPage(right, bottom);
  return CFRect(a.x, a.y, b.x, b.y);
}

plat::POINT CVORLANView::PageToDevice(CFPoint page) const {
  plat::POINT out{TruncToLong(page.x), TruncToLong(page.y)};
  if (const CMatrix3* m = GetViewMatrix()) m->TransformPointToInt(page, &out);
  return out;
}

void CVORLANView::SetPageSize(float left, float top, float width, float height) {
  m_pageWidth = width;
  m_pageHeight = height;
  if (!m_rulers) return;
  CFRect r(left, top, width, height);
  m_rulers->ZoomToRect(&r);
  // Both -2n and 3n must fit the scroll range's integers.
  constexpr double kMaxSide = std::numeric_limits<int>::max() / 3;
  double n = std::max(double(width), double(height));
  if (!std::isfinite(n)) n = 0.0;
  n = std::clamp(std::trunc(n), -kMaxSide, kMaxSide);
  const int side = int(n);
  SetScrollRange(fw::SB_HORZ, -2 * side, 3 * side, fw::TRUE);
  SetScrollRange(fw::SB_VERT, -2 * side, 3 * side, fw::TRUE);
  const CFPoint o = m_rulers->GetOrigin();
  SetScrollPos(fw::SB_HORZ, TruncToLong(o.x), fw::TRUE);
  SetScrollPos(fw::SB_VERT, TruncToLong(o.y), fw::TRUE);
  KeepAsFitted();
  RepaintAll();
}

void CVORLANView::KeepAsFitted() {
  if (!m_rulers) return;
  m_fitted = true;
  m_fitZoom = m_rulers->GetZoom();
  m_fitOrigin = m_rulers->GetOrigin();
}

bool CVORLANView::ShowsFittedPage() const {
  if (!m_rulers || !m_fitted) return false;
  const CFPoint o = m_rulers->GetOrigin();
  return m_rulers->GetZoom() == m_fitZoom && o.x == m_fitOrigin.x && o.y == m_fitOrigin.y;
}

double CVORLANView::ZoomToRect(const CFRect& rect) {
  if (!m_rulers) return 1.0;
  m_rulers->ZoomToRect(&rect);
  m_zoom = m_rulers->GetZoomPointer();
  m_viewMatrix = m_rulers->GetMatrix();
  return m_rulers->GetZoom();
}

void CVORLANView::RepaintAll() {
  if (m_hWnd) Invalidate(fw::TRUE);
  if (m_rulers) {
    if (m_rulers->Horizontal().m_hWnd) m_rulers->Horizontal().Invalidate(fw::FALSE);
    if (m_rulers->Vertical().m_hWnd) m_rulers->Vertical().Invalidate(fw::FALSE);
  }
}

// --- Drag feedback ------------------------------------------------------------

void CVORLANView::DrawDragFeedback(plat::DC* dc) {
  if (m_dragKind == 0) return;
  plat::HDC own = nullptr;
  if (!dc) {
    if (!m_hWnd) return;
    own = fw::CWnd::GetDC();
    dc = own;
  }
  DrawDragShape(dc, m_dragKind, GetViewMatrix(), CFPoint{m_drag.left, m_drag.top},
                CFPoint{m_drag.right, m_drag.bottom}, &ObjectDrag().refPoint);
  if (own) fw::CWnd::ReleaseDC(own);
}

void CVORLANView::DrawCurrentDragShape() {
  if (!m_hWnd) return;
  plat::HDC dc = fw::CWnd::GetDC();
  DrawDragShape(dc, m_dragKind, GetViewMatrix(), CFPoint{m_drag.left, m_drag.top},
                CFPoint{m_drag.right, m_drag.bottom}, &ObjectDrag().refPoint);
  fw::CWnd::ReleaseDC(dc);
}

void CVORLANView::DrawRubberBand(plat::DC* dc) {
  const ObjectDragState& d = ObjectDrag();
  if (d.dragKind == 0) return;
  plat::HDC own = nullptr;
  if (!dc) {
    if (!m_hWnd) return;
    own = fw::CWnd::GetDC();
    dc = own;
  }
  const std::uint16_t shape = std::uint16_t(d.dragKind & 0xFFF0);
  if (shape == DRAG_EDIT_OBJECT || shape == DRAG_PENDING_OBJECT)
    DrawObjectBand(dc, d.dragKind);
  else if (!DrawDragShape(dc, d.dragKind, GetViewMatrix(), d.start, d.last, &d.refPoint))
    CGraphObject::DrawDragBand(this, dc);
  if (own) fw::CWnd::ReleaseDC(own);
}

// --- CViewServices --------------------------------------------------------------

plat::RECT CVORLANView::GetClientRect() const {
  fw::RECT r{};
  if (m_hWnd) fw::CView::GetClientRect(&r);
  return r;
}

plat::DC* CVORLANView::GetDC() { return m_hWnd ? fw::CWnd::GetDC() : nullptr; }

void CVORLANView::ReleaseDC(plat::DC* dc) {
  if (dc) fw::CWnd::ReleaseDC(dc);
}

void CVORLANView::SetClassCursor(std::uint32_t cursor) {
  if (m_hWnd) fw::CWnd::SetClassCursor(cursor);
}

bool CVORLANView::SnapRect(CFRect& rect, float tolerance) {
  return m_rulers && m_rulers->Guides().SnapRect(rect, tolerance) != 0;
}

void CVORLANView::CaptureMouse() {
  if (m_hWnd) fw::CView::SetCapture();
}

void CVORLANView::ReleaseMouse() {
  if (fw::CWnd::GetCapture() == this) fw::CWnd::ReleaseCapture();
}

void CVORLANView::UpdateNow() {
  if (m_hWnd) fw::CView::UpdateWindow();
}

void CVORLANView::SetCursor(std::uint32_t cursor) { fw::SetCursor(cursor); }

void CVORLANView::InvalidateRect(const plat::RECT& rect, bool erase) {
  if (m_hWnd) fw::CWnd::InvalidateRect(&rect, erase ? fw::TRUE : fw::FALSE);
}

void CVORLANView::SetTimer(std::uint32_t id, std::uint32_t milliseconds) {
  if (m_hWnd) fw::CWnd::SetTimer(id, milliseconds);
}

void CVORLANView::KillTimer(std::uint32_t id) {
  if (m_hWnd) fw::CWnd::KillTimer(id);
}

bool CVORLANView::IsKeyDown(int virtualKey) const { return (fw::GetKeyState(fw::UINT(virtualKey)) & 0x8000) != 0; }

void CVORLANView::PostCommand(std::uint32_t id) {
  if (m_hWnd) PostMessage(fw::WM_COMMAND, id, 0);
}

void CVORLANView::SendCommand(std::uint32_t id) {
  if (m_hWnd) SendMessage(fw::WM_COMMAND, id, 0);
}

void CVORLANView::TakeFocus() {
  if (!m_hWnd) return;
  // From a window of its own (the code table): the design's frame is activated
  // too, so its accelerators and menus take the keys again.
  if (fw::CWnd* top = GetTopLevelParent(); top && fw::CWnd::GetActiveWindow() != top) {
    top->SetActiveWindow();
    top->NotifyChanged(fw::WOC_ZORDER);
  }
  SetFocus();
}

void CVORLANView::PostChar(std::uint32_t ch) {
  if (m_hWnd) PostMessage(fw::WM_CHAR, ch, 0);
}

void CVORLANView::PlaceCaret(const plat::RECT* rect) {
  if (!m_hWnd) return;
  fw::RECT now{};
  bool shown = false;
  const bool owned = fw::GetWindowCaret(m_hWnd, &now, &shown);
  if (!rect) {
    if (owned && shown) fw::HideCaret(this);
    return;
  }
  const auto extent = [](plat::LONG from, plat::LONG to) {
    return int(std::clamp<std::int64_t>(std::int64_t(to) - from, 1, INT32_MAX));
  };
  const int cx = extent(rect->left, rect->right), cy = extent(rect->top, rect->bottom);
  if (!owned || extent(now.left, now.right) != cx || extent(now.top, now.bottom) != cy) {
    fw::CreateCaret(this, cx, cy);
    shown = false;
  }
  fw::SetCaretPos(rect->left, rect->top);
  if (!shown) fw::ShowCaret(this);
}

void CVORLANView::SetStatusText(const std::string& text) {
  if (CMainFrameServices* main = ::GetMainFrame()) main->SetStatusText(text);
}

void CVORLANView::RepaintView(bool erase) {
  if (m_hWnd) Invalidate(erase ? fw::TRUE : fw::FALSE);
}

// --- Messages ------------------------------------------------------------------

fw::BOOL CVORLANView::PreCreateWindow(fw::CREATESTRUCT& cs) {
  cs.style |= fw::WS_CLIPSIBLINGS | fw::WS_CLIPCHILDREN;
  return fw::CView::PreCreateWindow(cs);
}

void CVORLANView::OnRButtonDown(fw::UINT flags, fw::POINT pt) {
  if (flags & fw::MK_SHIFT) {
    const CFPoint p = DeviceToPage(pt.x, pt.y);
    m_drag = CFRect(p.x, p.y, p.x, p.y);
    m_dragKind = DRAG_RECT | DRAG_PEN_BLACK;
    SetCapture();
    DrawCurrentDragShape();
  }
  Default();
}

void CVORLANView::OnMouseMove(fw::UINT flags, fw::POINT pt) {
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  if (m_rulers) m_rulers->TrackMouse(p);
  if ((flags & fw::MK_LBUTTON) && m_rulers) {
    const int t = m_rulers->GetThickness();
    const fw::SIZE c = GetClientSize();
    if (pt.x < t + kAutoScrollLeft)
      Scroll(fw::SB_HORZ, fw::SB_LINELEFT);
    else if (pt.x > c.cx - kAutoScrollRight)
      Scroll(fw::SB_HORZ, fw::SB_LINERIGHT);
    if (pt.y < t + kAutoScrollLeft)
      Scroll(fw::SB_VERT, fw::SB_LINEUP);
    else if (pt.y > c.cy - kAutoScrollRight)
      Scroll(fw::SB_VERT, fw::SB_LINEDOWN);
  }
  if (m_dragKind != 0) {
    DrawCurrentDragShape();
    m_drag.right = p.x;
    m_drag.bottom = p.y;
    DrawCurrentDragShape();
  }
}

void CVORLANView::OnRButtonUp(fw::UINT flags, fw::POINT pt) {
  (void)pt;
  ReleaseMouse();
  const std::uint16_t kind = m_dragKind;
  if (kind != 0) DrawCurrentDragShape();
  m_dragKind = 0;

  bool zoom = false;
  CFRect target;
  const fw::SIZE c = GetClientSize();
  auto zoomOut = [&] {
    const int w = c.cx, h = c.cy;
    target = DeviceRectToPage(-w / 2, -h / 2, w + w / 2, h + h / 2);
    zoom = true;
  };
  if (IsKeyDown(fw::VK_MENU)) {
    zoomOut();
  } else if ((flags & fw::MK_SHIFT) && IsRectKind(kind)) {
    const double tiny = 3.0 * GetScale();
    CFRect r = m_drag;
    if (std::fabs(double(r.right) - r.left) < tiny || std::fabs(double(r.bottom) - r.top) < tiny) {
      if (m_currentTool == ID_TOOL_NODE) {
        zoomOut();
      } else {
        target = CFRect(-kPageMargin, -kPageMargin, m_pageWidth, m_pageHeight);
        zoom = true;
      }
    } else {
      r.Normalize();
      target = r;
      zoom = true;
    }
  }
  if (zoom && m_rulers) {
    ZoomToRect(target);
    RepaintAll();
  }
  Default();
}

bool CVORLANView::Scroll(int bar, fw::UINT code) {
  const fw::SIZE c = GetClientSize();
  const double extent = bar == fw::SB_HORZ ? c.cx : c.cy;
  double step;
  switch (code) {
    case fw::SB_LINEUP: step = extent / 10.0; break;
    case fw::SB_LINEDOWN: step = -extent / 10.0; break;
    case fw::SB_PAGEUP: step = extent / 3.0; break;
    case fw::SB_PAGEDOWN: step = -extent / 3.0; break;
    default: return false;
  }
  const fw::DWORD now = fw::GetTickCount();
  if (m_stepped[bar] && now - m_lastStep[bar] < kScrollInterval) return false;
  m_stepped[bar] = true;
  m_lastStep[bar] = now;
  if (!m_rulers) return true;
  const int px = int(step);
  const int dx = bar == fw::SB_HORZ ? px : 0, dy = bar == fw::SB_VERT ? px : 0;
  DrawDragFeedback(nullptr);
  m_rulers->ScrollBy(dx, dy);
  if (m_hWnd) {
    const int t = m_rulers->GetThickness();
    const fw::RECT area{t, t, c.cx, c.cy};
    ScrollWindow(dx, dy, &area, &area);
    const CFPoint o = m_rulers->GetOrigin();
    SetScrollPos(bar, TruncToLong(bar == fw::SB_HORZ ? o.x : o.y), fw::TRUE);
    UpdateWindow();
  }
  DrawDragFeedback(nullptr);
  return true;
}

void CVORLANView::OnHScroll(fw::UINT code, fw::UINT, fw::CWnd*) { Scroll(fw::SB_HORZ, code); }

void CVORLANView::OnVScroll(fw::UINT code, fw::UINT, fw::CWnd*) { Scroll(fw::SB_VERT, code); }

void CVORLANView::OnUpdateGrid(fw::CCmdUI* ui) { ui->SetCheck((fw::GetKeyState(fw::VK_SCROLL) & 1) ? 1 : 0); }
