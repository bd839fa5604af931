#include "app/selecttracker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/fwdefs.h"
#include "model/geomutil.h"
#include "model/graphobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/undoitems.h"
#include "platform/gmem.h"

namespace {

constexpr float kPi = 3.1415926f;

float ToDegrees(float radians) { return radians * 180.0f / kPi; }

// Edges included; the rectangle may have its edges in any order.
bool InRect(const CFRect& r, float grow, float x, float y) {
  const float l = std::min(r.left, r.right) - grow, rr = std::max(r.left, r.right) + grow;
  const float t = std::min(r.top, r.bottom) - grow, b = std::max(r.top, r.bottom) + grow;
  return l <= x && x <= rr && t <= y && y <= b;
}

bool InBox(float x, float y, float l, float t, float r, float b) {
  return l <= x && x <= r && t <= y && y <= b;
}

CFPoint Middle(const CFRect& r) { return {(r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f}; }

plat::POINT ToDevice(const CMatrix3& m, float x, float y) {
  CFPoint p{x, y};
  plat::POINT out{};
  m.TransformPointToInt(p, &out);
  return out;
}

// Blits a handle bitmap with SRCINVERT at a device position.
void InvertBitmap(plat::DC* dc, std::uint32_t id, plat::LONG x, plat::LONG y) {
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

// The view's DC for the span of a drawing call, unless one was given.
class ViewDC {
 public:
  ViewDC(CViewServices* view, plat::DC* dc) : view_(view), dc_(dc) {
    if (!dc_ && view_) {
      dc_ = view_->GetDC();
      own_ = true;
    }
  }
  ~ViewDC() {
    if (own_ && dc_) view_->ReleaseDC(dc_);
  }
  plat::DC* get() const { return dc_; }

 private:
  CViewServices* view_;
  plat::DC* dc_;
  bool own_ = false;
};

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

plat::HPEN DottedBluePen() {
  static plat::HPEN own = nullptr;
  if (SharedTools().dottedBluePen) return SharedTools().dottedBluePen;
  if (!own) own = plat::CreatePen(plat::PS_DOT, 1, plat::RGB(0, 0, 255));
  return own;
}

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

CSelectTracker::CSelectTracker(CDesignViewServices* owner) : m_owner(owner) {}

CDocumentServices* CSelectTracker::Objects() const {
  return m_view ? m_view->GetObjectListServices() : nullptr;
}

double CSelectTracker::Scale() const { return m_view ? m_view->GetUnitsPerPixel() : 1.0; }

const CMatrix3& CSelectTracker::ViewMatrix() const {
  static const CMatrix3 identity;
  const CMatrix3* m = m_view ? m_view->GetViewMatrix() : nullptr;
  return m ? *m : identity;
}

void CSelectTracker::CentreOnRect() { m_centre = Middle(m_rect); }

bool CSelectTracker::ShiftDown(std::uint32_t flags) const { return (flags & MK_SHIFT) != 0; }

void CSelectTracker::ShowSize(float w, float h) const {
  if (CMainFrameServices* frame = GetMainFrame()) frame->ShowSize(w, h);
}

// ---------------------------------------------------------------------------
// Bookkeeping.

void CSelectTracker::Select(CGraphObject* object) {
  if (!object) return;
  if (object->selected == OBJ_SELECTED) {
    // Already in the selection: the counts stay, the marks are drawn afresh.
    Refresh();
    return;
  }
  if (m_view && m_view->GetUndoRecordDepth() != 0)
    AppendUndo(m_view, std::make_unique<CUndoSelect>(object));
  GetSelectionBounds(nullptr);
  if (m_count == 0) {
    m_rect = object->bounds;
    m_current = object;
    m_handleMode = kModeSize;
    m_count = 1;
  } else {
    DrawSelected(nullptr, nullptr);
    m_rect.left = std::min(m_rect.left, object->bounds.left);
    m_rect.top = std::min(m_rect.top, object->bounds.top);
    m_rect.right = std::max(m_rect.right, object->bounds.right);
    m_rect.bottom = std::max(m_rect.bottom, object->bounds.bottom);
    ++m_count;
  }
  object->selected = OBJ_SELECTED;
  switch (object->kind) {
    case OBJ_TEXT: ++m_textCount; break;
    case OBJ_PATH: ++m_pathCount; break;
    case OBJ_LIBPIC: ++m_libCount; break;
    case OBJ_IMAGE: ++m_imageCount; break;
    default: break;
  }
  CentreOnRect();
  DrawSelected(nullptr, nullptr);
}

std::uint8_t CSelectTracker::GetSelectionRect(CFRect* out) {
  m_count = m_textCount = m_pathCount = m_libCount = m_imageCount = m_otherCount = 0;
  m_current = nullptr;
  std::uint8_t kind = 0;
  CDocumentServices* doc = Objects();
  const int n = doc ? doc->GetObjectCount() : 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == 0) continue;
    if (++m_count == 1) {
      m_rect = o->bounds;
      kind = o->kind;
      m_current = o;
    } else {
      const CFRect& b = o->bounds;
      if (b.left < m_rect.left) m_rect.left = b.left;
      if (b.top < m_rect.top) m_rect.top = b.top;
      if (b.right > m_rect.right) m_rect.right = b.right;
      if (b.bottom > m_rect.bottom) m_rect.bottom = b.bottom;
    }
    switch (o->kind) {
      case OBJ_PATH: ++m_pathCount; break;
      case OBJ_TEXT: ++m_textCount; break;
      case OBJ_LIBPIC: ++m_libCount; break;
      case OBJ_IMAGE: ++m_imageCount; break;
      default: ++m_otherCount; break;
    }
  }
  if (out) *out = m_rect;
  return kind;
}

std::uint8_t CSelectTracker::GetSelectionBounds(CFRect* out) {
  CFRect copy;
  const std::uint8_t kind = GetSelectionRect(&copy);
  if (out) *out = copy;
  return kind;
}

void CSelectTracker::ClearSelection(plat::DC* dc, bool unselect) {
  DrawSelected(dc, nullptr);
  if (!unselect) {
    GetSelectionRect(nullptr);
    return;
  }
  m_count = m_textCount = m_pathCount = m_libCount = m_imageCount = m_otherCount = 0;
  m_handleMode = kModeNone;
  m_currentHandle = -1;
  m_current = nullptr;
  CDocumentServices* doc = Objects();
  const int n = doc ? doc->GetObjectCount() : 0;
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o) continue;
    if (recording && o->selected != 0) AppendUndo(m_view, std::make_unique<CUndoDeselect>(o));
    o->selected = 0;
  }
}

CGraphObject* CSelectTracker::FindSelected(std::uint8_t kind) {
  if (m_count == 0) return nullptr;
  CDocumentServices* doc = Objects();
  const int n = doc ? doc->GetObjectCount() : 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (o && o->selected != 0 && (kind == 255 || o->kind == kind)) return o;
  }
  return nullptr;
}

void CSelectTracker::SelectInRect(float left, float top, float right, float bottom) {
  CDocumentServices* doc = Objects();
  const int n = doc ? doc->GetObjectCount() : 0;
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == OBJ_SELECTED) continue;
    const CFRect& b = o->bounds;
    if (left < b.left && top < b.top && b.right < right && b.bottom < bottom) {
      o->selected = OBJ_SELECTED;
      if (recording) AppendUndo(m_view, std::make_unique<CUndoSelect>(o));
    }
  }
  GetSelectionRect(nullptr);
  CentreOnRect();
  Show(nullptr);
}

void CSelectTracker::Refresh() {
  DrawSelected(nullptr, nullptr);
  GetSelectionRect(nullptr);
  DrawSelected(nullptr, nullptr);
}

void CSelectTracker::Hide(plat::DC* dc) {
  if (m_suspended) return;
  DrawSelected(dc, nullptr);
  m_suspended = 1;
}

void CSelectTracker::Show(plat::DC* dc) {
  m_suspended = 0;
  DrawSelected(dc, nullptr);
}

// ---------------------------------------------------------------------------
// Picking and hit tests.

bool CSelectTracker::PickObject(float x, float y, bool select) {
  CDocumentServices* doc = Objects();
  if (!doc) return false;
  const float tol = float(2.0 * Scale());
  CGraphObject* candidate = nullptr;
  const int n = doc->GetObjectCount();
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o) continue;
    if (!candidate && InRect(o->bounds, tol, x, y)) candidate = o;
    if (o->HitTest(m_view, x, y)) {
      if (select) Select(o);
      return true;
    }
  }
  if (!candidate) return false;
  if (select) Select(candidate);
  return true;
}

bool CSelectTracker::IsNearSelection(float x, float y) const {
  return m_count > 0 && InRect(m_rect, float(5.0 * Scale()), x, y);
}

bool CSelectTracker::HitTest(float x, float y, int* mode, int* index) const {
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

bool CSelectTracker::HitTestAny(float x, float y, int* mode, int* index) {
  if (m_count == 1) {
    CDocumentServices* doc = Objects();
    const int n = doc ? doc->GetObjectCount() : 0;
    for (int i = 0; i < n; ++i) {
      CGraphObject* o = doc->GetObjectAt(i);
      if (!o || o->selected != OBJ_SELECTED) continue;
      int own = -1;
      if (o->HitTestHandle(m_view, x, y, &own)) {
        if (mode) *mode = kModeObject;
        if (index) *index = own;
        m_current = o;
        return true;
      }
    }
  }
  return HitTest(x, y, mode, index);
}

void CSelectTracker::SetHandleCursor(int mode, int index, float x, float y) {
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

void CSelectTracker::StartMoveDrag(float x, float y) {
  SetHandleCursor(kModeSize, 0, x, y);
  m_dragState = kMoveDrag;
  Hide(nullptr);
  DrawDragFeedback(nullptr);
  m_moved = 0;
}

int CSelectTracker::OnLButtonDown(std::uint32_t flags, float x, float y) {
  if (!m_view || m_view->GetCurrentTool() != ID_TOOL_SELECT || m_view->IsKeyDown(fw::VK_MENU)) return 0;
  m_dragStart = m_dragCurrent = CFPoint{x, y};
  m_dragState = kNoDrag;

  if (m_handlesEnabled && m_count == 1 && m_current &&
      m_current->OnLButtonDown(m_view, flags, x, y)) {
    m_dragState = kObjectHandleDrag;
    m_view->CaptureMouse();
    return 1;
  }
  int mode = 0, index = -1;
  if (m_handlesEnabled && m_count > 0 && HitTest(x, y, &mode, &index)) {
    SetHandleCursor(mode, index, x, y);
    Hide(nullptr);
    m_moved = 0;
    m_dragState = kHandleDrag;
    DrawDragFeedback(nullptr);
    return 1;
  }
  if (!ShiftDown(flags)) {
    if (!IsNearSelection(x, y)) {
      ClearSelection(nullptr, true);
      if (PickObject(x, y, true)) {
        StartMoveDrag(x, y);
        m_handleMode = kModeSize | kModeChanged;
      } else {
        m_dragState = kRubberBand;
      }
    } else {
      StartMoveDrag(x, y);
    }
  } else if (PickObject(x, y, true)) {
    StartMoveDrag(x, y);
    m_handleMode |= kModeChanged;
  } else if (IsNearSelection(x, y)) {
    StartMoveDrag(x, y);
  } else {
    m_dragState = kRubberBand;
  }
  if (m_dragState == kRubberBand)
    DrawBandRect(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
  return m_dragState;
}

int CSelectTracker::OnMouseMove(std::uint32_t flags, float x, float y) {
  if (!m_view || m_view->GetCurrentTool() != ID_TOOL_SELECT) return 0;
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
      if (m_current) m_current->OnMouseMove(m_view, flags, x, y);
      break;
    case kRubberBand:
      DrawBandRect(m_dragStart.x, m_dragStart.y, m_dragCurrent.x, m_dragCurrent.y);
      DrawBandRect(m_dragStart.x, m_dragStart.y, x, y);
      m_dragCurrent = CFPoint{x, y};
      ShowSize(m_dragCurrent.x - m_dragStart.x, m_dragCurrent.y - m_dragStart.y);
      break;
    default: break;
  }
  if (m_moved) m_dragCurrent = CFPoint{x, y};
  return 1;
}

int CSelectTracker::OnLButtonUp(std::uint32_t flags, float x, float y) {
  if (!m_view || m_view->GetCurrentTool() != ID_TOOL_SELECT) return 0;
  switch (m_dragState) {
    case kHandleDrag:
    case kMoveDrag:
      DrawDragFeedback(nullptr);
      if (!m_moved) {
        if (m_handlesEnabled && !(m_handleMode & kModeChanged))
          m_handleMode = (m_handleMode & 0x7F) == kModeRotate ? kModeSize : kModeRotate;
      } else {
        ApplyDrag(flags);
      }
      Show(nullptr);
      m_handleMode &= std::uint16_t(~kModeChanged);
      break;
    case kObjectHandleDrag:
      Hide(nullptr);
      if (m_current) m_current->OnLButtonUp(m_view, flags, x, y);
      GetSelectionRect(nullptr);
      CentreOnRect();
      Show(nullptr);
      if (m_current) m_current->InvalidateObjectRect(m_view, true);
      m_view->ReleaseMouse();
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
  if (m_current && m_current->GetPropertyDialogId() != IDD_NO_PROPERTIES) {
    if (CAppServices* app = GetAppServices())
      if (CWindowServices* props = app->GetPropertyFrame()) m_current->ShowProperties(props);
    ShowSize(std::fabs(m_rect.right - m_rect.left), std::fabs(m_rect.bottom - m_rect.top));
    if (CMainFrameServices* frame = GetMainFrame()) frame->SyncWithSelection();
  }
  return 1;
}

int CSelectTracker::OnKeyDown(CViewServices* view, std::uint32_t key, std::uint32_t, std::uint32_t) {
  if (m_count == 0) return 0;
  const float s = float((view ? view : m_view) ? (view ? view : m_view)->GetUnitsPerPixel() : 1.0);
  float dx = 0.0f, dy = 0.0f;
  switch (key) {
    case fw::VK_PRIOR: dy = -10.0f * s; break;
    case fw::VK_NEXT: dy = 10.0f * s; break;
    case fw::VK_END: dx = 10.0f * s; break;
    case fw::VK_HOME: dx = -10.0f * s; break;
    case fw::VK_LEFT: dx = -s; break;
    case fw::VK_UP: dy = -s; break;
    case fw::VK_RIGHT: dx = s; break;
    case fw::VK_DOWN: dy = s; break;
    default: return 0;
  }
  DrawSelected(nullptr, nullptr);
  m_suspended = 1;
  MoveSelected(dx, dy);
  m_suspended = 0;
  DrawSelected(nullptr, nullptr);
  return 1;
}

// ---------------------------------------------------------------------------
// The drag.

void CSelectTracker::GetDraggedRect(CFRect& out) const {
  const float w = std::fabs(m_rect.right - m_rect.left);
  const float h = std::fabs(m_rect.bottom - m_rect.top);
  out = m_rect;
  const float dx = m_dragCurrent.x - m_dragStart.x;
  const float dy = m_dragCurrent.y - m_dragStart.y;
  const bool wide = w != 0.0f, tall = h != 0.0f;
  switch (m_currentHandle) {
    case 0:
      out.left += dx, out.right += dx, out.top += dy, out.bottom += dy;
      if (m_view) m_view->SnapRect(out, 0.0f);
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

std::unique_ptr<CMatrix3> CSelectTracker::MakeDragMatrix() const {
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

void CSelectTracker::DrawDragFeedback(plat::DC* given) {
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& vm = ViewMatrix();
  const std::uint16_t mode = m_handleMode & 0x7F;
  DrawState state(dc, DottedBluePen(), static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
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
    if (mode == kModeSize) ShowSize(r.right - r.left, r.bottom - r.top);
    return;
  }
  if (mode != kModeRotate) return;
  if (m_currentHandle == 9) {
    const plat::POINT c = ToDevice(vm, m_centre.x + (m_dragCurrent.x - m_dragStart.x),
                                   m_centre.y + (m_dragCurrent.y - m_dragStart.y));
    InvertBitmap(dc, IDB_HANDLE_CENTRE, c.x - 7, c.y - 7);
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
    InvertBitmap(dc, IDB_HANDLE_CENTRE, c.x - 7, c.y - 7);
  }
}

std::vector<std::uint8_t> CSelectTracker::PackSelected() const {
  std::vector<std::uint8_t> bytes;
  CDocumentServices* doc = Objects();
  if (!doc) return bytes;
  CSegArray list;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (o && o->selected != 0) list.Add(o);
  }
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  list.RemoveAll();  // the objects stay the document's
  if (!h) return bytes;
  if (n > SEG_BLOCK_EMPTY) {
    plat::GlobalLockGuard lock(h);
    if (lock.bytes()) bytes.assign(lock.bytes(), lock.bytes() + n);
  }
  plat::GlobalFree(h);
  return bytes;
}

void CSelectTracker::PasteBack(const std::vector<std::uint8_t>& block) {
  if (m_owner && !block.empty()) m_owner->PasteObjectBlock(block.data(), block.size(), nullptr);
}

void CSelectTracker::ApplyDrag(std::uint32_t flags) {
  const bool copy = (flags & MK_CONTROL) && m_handlesEnabled && m_owner;
  const float dx = m_dragCurrent.x - m_dragStart.x;
  const float dy = m_dragCurrent.y - m_dragStart.y;
  const std::uint16_t mode = m_handleMode & 0x7F;
  const int handle = m_currentHandle;
  if (handle == 0) {
    std::vector<std::uint8_t> block;
    if (copy) block = PackSelected();
    CFRect moved = m_rect;
    moved.left += dx, moved.right += dx, moved.top += dy, moved.bottom += dy;
    m_view->SnapRect(moved, 0.0f);
    MoveSelected(moved.left - m_rect.left, moved.top - m_rect.top);
    if (copy) PasteBack(block);
  } else if (mode == kModeSize && handle >= 1 && handle <= 8) {
    InvalidateSelectionRect();
    CFRect to;
    GetDraggedRect(to);
    ScaleSelected(m_rect, to);
    GetSelectionRect(nullptr);
    CentreOnRect();
    InvalidateSelectionRect();
    if (CDocumentServices* doc = m_view->GetDocument()) doc->SetModified(true);
  } else if (mode == kModeRotate) {
    if (handle == 9) {
      m_centre.x += dx;
      m_centre.y += dy;
    } else if (std::unique_ptr<CMatrix3> m = MakeDragMatrix()) {
      const bool corner = handle == 1 || handle == 3 || handle == 6 || handle == 8;
      std::vector<std::uint8_t> block;
      if (corner && copy) block = PackSelected();
      TransformSelected(*m);
      m.reset();
      m_view->UpdateNow();
      GetSelectionRect(nullptr);
      if (corner && copy) PasteBack(block);
    }
  }
  GetSelectionRect(nullptr);
}

// ---------------------------------------------------------------------------
// Operations.

void CSelectTracker::MoveSelected(float dx, float dy) {
  CDocumentServices* doc = Objects();
  if (m_count == 0 || !doc) return;
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  bool any = false;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == 0) continue;
    any = true;
    o->InvalidateObjectRect(m_view, false);
    o->Offset(dx, dy);
    if (recording) AppendUndo(m_view, std::make_unique<CUndoMove>(o, dx, dy));
    o->InvalidateObjectRect(m_view, false);
  }
  if (!any) return;
  GetSelectionRect(nullptr);
  m_centre.x += dx;
  m_centre.y += dy;
}

void CSelectTracker::ScaleSelected(const CFRect& from, const CFRect& to) {
  CDocumentServices* doc = Objects();
  if (!doc) return;
  const float fw = from.right - from.left, fh = from.bottom - from.top;
  const float sx = fw != 0.0f ? (to.right - to.left) / fw : 1.0f;
  const float sy = fh != 0.0f ? (to.bottom - to.top) / fh : 1.0f;
  const CMatrix3 m(sx, 0.0f, 0.0f, sy, to.left - sx * from.left, to.top - sy * from.top);
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected != OBJ_SELECTED) continue;
    // The corners keep their order, so a flipped target flips the object.
    CFPoint a{o->bounds.left, o->bounds.top}, b{o->bounds.right, o->bounds.bottom};
    m.TransformPoint(a);
    m.TransformPoint(b);
    if (recording) AppendUndo(m_view, std::make_unique<CUndoMatrix>(o, m));
    o->InvalidateObjectRect(m_view, true);
    o->ScaleToRect(a.x, a.y, b.x, b.y);
    o->InvalidateObjectRect(m_view, true);
  }
}

void CSelectTracker::TransformSelected(const CMatrix3& m) {
  CDocumentServices* doc = Objects();
  if (!doc) return;
  ClearSelection(nullptr, false);
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == 0) continue;
    o->InvalidateObjectRect(m_view, true);
    if (recording) AppendUndo(m_view, std::make_unique<CUndoMatrix>(o, m));
    o->Transform(m);
    o->InvalidateObjectRect(m_view, true);
  }
  ClearSelection(nullptr, false);
}

void CSelectTracker::UnRotateSelected() {
  CDocumentServices* doc = Objects();
  if (!doc) return;
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected != OBJ_SELECTED) continue;
    CFPoint p0{0.0f, 0.0f}, p1{100.0f, 0.0f};
    o->matrix.TransformPoint(p0);
    o->matrix.TransformPoint(p1);
    const float angle =
        float((std::atan2(100.0, 0.0) + std::atan2(double(p0.x - p1.x), double(p0.y - p1.y))) / 3.1415926 * 180.0);
    std::unique_ptr<CMatrix3> m =
        MakeRotateMatrix(o->bounds.left, o->bounds.top, o->bounds.right, o->bounds.bottom, angle);
    // Recorded first: the item keeps the bounds before the turn.
    if (recording) AppendUndo(m_view, std::make_unique<CUndoMatrix>(o, *m));
    o->Transform(*m);
  }
  if (m_view) m_view->RepaintView(false);
  Refresh();
}

int CSelectTracker::DeleteSelected() {
  CDocumentServices* doc = Objects();
  if (m_count == 0 || !doc) return 0;
  Hide(nullptr);
  const bool recording = m_view && m_view->GetUndoRecordDepth() != 0;
  int removed = 0;
  for (int i = doc->GetObjectCount() - 1; i >= 0; --i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == 0) continue;
    const int index = doc->RemoveObject(o);
    if (index < 0) continue;
    ++removed;
    o->InvalidateObjectRect(m_view, true);
    if (m_current == o) m_current = nullptr;
    if (recording)
      AppendUndo(m_view, std::make_unique<CUndoDelete>(o, index));
    else
      DeleteDetachedObject(m_view->GetDocument() ? m_view->GetDocument() : doc, o);
  }
  ClearSelection(nullptr, true);
  Show(nullptr);
  return removed ? 1 : 0;
}

int CSelectTracker::ShowProperties(CWindowServices* propertyWindow) {
  if (!m_current) return 0;
  return m_current->ShowProperties(propertyWindow);
}

// ---------------------------------------------------------------------------
// Marks.

void CSelectTracker::InvalidateSelectionRect() {
  if (!m_view) return;
  CFRect r = m_rect;
  plat::RECT rc{};
  ViewMatrix().TransformRectBounds(r, &rc);
  if (rc.right == rc.left) --rc.left, ++rc.right;
  if (rc.bottom == rc.top) --rc.top, ++rc.bottom;
  m_view->InvalidateRect(rc, false);
}

void CSelectTracker::DrawSelected(plat::DC* given, const CMatrix3* matrix) {
  if (m_count == 0 || m_suspended) return;
  CDocumentServices* doc = Objects();
  if (!doc) return;
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3* m = matrix ? matrix : &ViewMatrix();
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (o && o->selected == OBJ_SELECTED) o->DrawXorOutline(dc, m);
  }
  DrawHandles(dc, m);
}

void CSelectTracker::DrawHandles(plat::DC* given, const CMatrix3* matrix) {
  if (m_count == 0 || m_suspended) return;
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& m = matrix ? *matrix : ViewMatrix();
  CFRect r = m_rect;
  plat::RECT box{};
  m.TransformRectBounds(r, &box);
  const plat::LONG L = box.left - 8, T = box.top - 8, R = box.right + 8, B = box.bottom + 8;
  const plat::LONG mx = (L + R) / 2, my = (T + B) / 2;
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
      InvertBitmap(dc, IDB_HANDLE_CENTRE, c.x - 7, c.y - 7);
    } else {
      m_handleMode = kModeSize;
      const plat::POINT spots[8] = {{L, T}, {mx, T}, {R, T}, {L, my}, {R, my}, {L, B}, {mx, B}, {R, B}};
      for (const plat::POINT& p : spots) DrawHandleSquare(dc, p.x, p.y, 3);
    }
  }
  ShowSize(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
}

void CSelectTracker::DrawBandRect(float x0, float y0, float x1, float y1) {
  ViewDC vdc(m_view, nullptr);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3& m = ViewMatrix();
  DrawState state(dc, static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)),
                  static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  const plat::POINT a = ToDevice(m, x0, y0), b = ToDevice(m, x1, y1);
  dc->Rectangle(a.x, a.y, b.x, b.y);
}
