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

using tracker::ViewDC;

namespace {

plat::HPEN DottedBluePen() {
  static plat::HPEN own = nullptr;
  if (SharedTools().dottedBluePen) return SharedTools().dottedBluePen;
  if (!own) own = plat::CreatePen(plat::PS_DOT, 1, plat::RGB(0, 0, 255));
  return own;
}

// Selects each unselected object of the document that `take` accepts, with
// an undo item while the view records a step.
template <class Take>
void SelectEach(CDocumentServices* doc, CViewServices* view, Take take) {
  const int n = doc ? doc->GetObjectCount() : 0;
  const bool recording = view && view->GetUndoRecordDepth() != 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == OBJ_SELECTED || !take(*o)) continue;
    o->selected = OBJ_SELECTED;
    if (recording) AppendUndo(view, std::make_unique<CUndoSelect>(o));
  }
}

}  // namespace

// ---------------------------------------------------------------------------

CSelectTracker::CSelectTracker(CDesignViewServices* owner) : CHandleTracker(true, true), m_owner(owner) {}

CDocumentServices* CSelectTracker::Objects() const {
  return m_view ? m_view->GetObjectListServices() : nullptr;
}

bool CSelectTracker::TakesPress(std::uint32_t) const {
  return m_view->GetCurrentTool() == ID_TOOL_SELECT && !m_view->IsKeyDown(fw::VK_MENU);
}

bool CSelectTracker::TakesMouse() const { return m_view->GetCurrentTool() == ID_TOOL_SELECT; }

plat::HPEN CSelectTracker::FeedbackPen() const { return DottedBluePen(); }

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
  SelectEach(Objects(), m_view, [&](const CGraphObject& o) {
    return tracker::InsideBand(o.bounds, left, top, right, bottom);
  });
  GetSelectionRect(nullptr);
  CentreOnRect();
  Show(nullptr);
}

void CSelectTracker::SelectAll() {
  DrawSelected(nullptr, nullptr);
  SelectEach(Objects(), m_view, [](const CGraphObject&) { return true; });
  GetSelectionRect(nullptr);
  if (m_count > 0 && m_handleMode == kModeNone) m_handleMode = kModeSize;
  CentreOnRect();
  DrawSelected(nullptr, nullptr);
}

void CSelectTracker::Refresh() {
  DrawSelected(nullptr, nullptr);
  GetSelectionRect(nullptr);
  DrawSelected(nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Picking and hit tests.

bool CSelectTracker::PickObject(float x, float y, bool select) {
  CDocumentServices* doc = Objects();
  if (!doc) return false;
  const int i = tracker::PickIndex(
      doc->GetObjectCount(), x, y, float(2.0 * Scale()),
      [doc](int k, CFRect& r) {
        CGraphObject* o = doc->GetObjectAt(k);
        if (o) r = o->bounds;
        return o != nullptr;
      },
      [&](int k) { return doc->GetObjectAt(k)->HitTest(m_view, x, y) != 0; });
  if (i < 0) return false;
  if (select) Select(doc->GetObjectAt(i));
  return true;
}

bool CSelectTracker::HitItemHandle(float x, float y, int* index) {
  CDocumentServices* doc = Objects();
  const int n = doc ? doc->GetObjectCount() : 0;
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected != OBJ_SELECTED) continue;
    if (o->HitTestHandle(m_view, x, y, index)) {
      m_current = o;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Mouse.

bool CSelectTracker::BeginItemDrag(std::uint32_t flags, float x, float y) {
  return m_handlesEnabled && m_count == 1 && m_current && m_current->OnLButtonDown(m_view, flags, x, y);
}

void CSelectTracker::ItemDragMove(std::uint32_t flags, float x, float y) {
  if (m_current) m_current->OnMouseMove(m_view, flags, x, y);
}

void CSelectTracker::EndItemDrag(std::uint32_t flags, float x, float y) {
  Hide(nullptr);
  if (m_current) m_current->OnLButtonUp(m_view, flags, x, y);
  GetSelectionRect(nullptr);
  CentreOnRect();
  Show(nullptr);
  if (m_current) m_current->InvalidateObjectRect(m_view, true);
  m_view->ReleaseMouse();
}

void CSelectTracker::ToggleHandles() {
  if (m_handlesEnabled) m_handleMode = (m_handleMode & 0x7F) == kModeRotate ? kModeSize : kModeRotate;
}

void CSelectTracker::AfterRelease() {
  if (m_current && m_current->GetPropertyDialogId() != IDD_NO_PROPERTIES) {
    if (CAppServices* app = GetAppServices())
      if (CWindowServices* props = app->GetPropertyFrame()) m_current->ShowProperties(props);
    ShowSize(std::fabs(m_rect.right - m_rect.left), std::fabs(m_rect.bottom - m_rect.top));
    if (CMainFrameServices* frame = GetMainFrame()) frame->SyncWithSelection();
  }
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
    ResizeToDraggedRect(false);
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
  const CMatrix3 m = tracker::ScaleMatrix(from, to);
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
