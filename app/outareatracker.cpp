#include "app/outareatracker.h"

#include <algorithm>

#include "app/designview.h"
#include "app/document.h"
#include "model/guidelist.h"
#include "model/outarea.h"

using tracker::ViewDC;

namespace {

constexpr std::uint16_t kFilled = 0x100;

plat::HPEN GreyPen() {
  static plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(128, 128, 128));
  return pen;
}

CFRect RectOf(CGuideItem* item) {
  CFRect r;
  if (item) item->GetRect(&r);
  return r;
}

}  // namespace

COutAreaTracker::COutAreaTracker() : CHandleTracker(false, false) {}

void COutAreaTracker::SetView(CVORLAN98View* view) {
  m_owner = view;
  m_view = view;
}

CGuideList* COutAreaTracker::Areas() const {
  CVORLAN98Doc* doc = m_owner ? m_owner->GetDoc() : nullptr;
  return doc ? &doc->GetOutAreaList() : nullptr;
}

bool COutAreaTracker::IsActive() const {
  if (!m_view) return false;
  const std::uint32_t tool = m_view->GetCurrentTool();
  return tool == ID_TOOL_SET_OUTAREA || tool == ID_TOOL_SELECT_OUTAREA;
}

bool COutAreaTracker::TakesPress(std::uint32_t) const { return TakesMouse(); }

bool COutAreaTracker::TakesMouse() const { return m_view->GetCurrentTool() == ID_TOOL_SELECT_OUTAREA; }

plat::HPEN COutAreaTracker::FeedbackPen() const { return GreyPen(); }

void COutAreaTracker::RepaintWholeView() {
  if (m_view) m_view->RepaintView(false);
}

// ---------------------------------------------------------------------------
// The list.

void COutAreaTracker::AddArea(const CFRect& area) {
  CFRect r = area;
  r.Normalize();
  if (r.right - r.left <= 0.0f || r.bottom - r.top <= 0.0f) return;
  AddArea(std::make_unique<COutArea>(r));
}

void COutAreaTracker::AddArea(std::unique_ptr<COutArea> area) {
  CGuideList* list = Areas();
  if (!list || !area) return;
  CGuideItem* raw = area.get();
  list->Add(std::move(area));
  if (list->GetSize() < 2)
    RepaintWholeView();
  else
    raw->InvalidateItem(m_view, false);
}

void COutAreaTracker::DrawAll(plat::DC* given, const CMatrix3* matrix) {
  CGuideList* list = Areas();
  if (!list || list->IsEmpty()) return;
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3* m = matrix ? matrix : &ViewMatrix();
  for (int i = list->GetSize() - 1; i >= 0; --i)
    if (CGuideItem* item = list->GetAt(i)) item->Draw(dc, m, nullptr);
}

void COutAreaTracker::DrawAreas(plat::DC* dc) {
  DrawAll(dc, nullptr);
  DrawSelected(dc, nullptr);
}

void COutAreaTracker::DrawSelected(plat::DC* given, const CMatrix3* matrix) {
  CGuideList* list = Areas();
  if (!list || list->IsEmpty() || m_count == 0 || m_suspended) return;
  ViewDC vdc(m_view, given);
  plat::DC* dc = vdc.get();
  if (!dc) return;
  const CMatrix3* m = matrix ? matrix : &ViewMatrix();
  for (int i = list->GetSize() - 1; i >= 0; --i) {
    CGuideItem* item = list->GetAt(i);
    if (item && item->selection == 1) item->DrawGuide(dc, m, nullptr);
  }
  // During a move that erased only the handles they stay off.
  if (!m_handlesOnly) DrawHandles(dc, m);
}

// ---------------------------------------------------------------------------
// Selection.

void COutAreaTracker::Select(CGuideItem* area) {
  if (!area) return;
  if (area->selection == 1) {
    // Already selected: counted once, the marks drawn afresh.
    DrawSelected(nullptr, nullptr);
    GetSelectionRect(nullptr);
    DrawSelected(nullptr, nullptr);
    return;
  }
  const CFRect r = RectOf(area);
  if (m_count == 0) {
    m_rect = r;
    m_current = area;
    m_handleMode = kModeSize;
    m_rotationAllowed = area->AllowsRotateSkew() ? 1 : 0;
    m_count = 1;
  } else {
    DrawSelected(nullptr, nullptr);
    m_rect.left = std::min(m_rect.left, r.left);
    m_rect.top = std::min(m_rect.top, r.top);
    m_rect.right = std::max(m_rect.right, r.right);
    m_rect.bottom = std::max(m_rect.bottom, r.bottom);
    m_rotationAllowed &= area->AllowsRotateSkew() ? 1u : 0u;
    ++m_count;
  }
  area->selection = 1;
  CentreOnRect();
  DrawSelected(nullptr, nullptr);
}

void COutAreaTracker::GetSelectionRect(CFRect* out) {
  m_count = 0;
  m_current = nullptr;
  m_rotationAllowed = 0;
  if (CGuideList* list = Areas()) {
    for (CGuideItem* item : list->Items()) {
      if (!item || item->selection == 0) continue;
      const CFRect r = RectOf(item);
      const std::uint32_t allows = item->AllowsRotateSkew() ? 1 : 0;
      if (++m_count == 1) {
        m_rect = r;
        m_current = item;
        m_rotationAllowed = allows;
        continue;
      }
      if (r.left < m_rect.left) m_rect.left = r.left;
      if (r.top < m_rect.top) m_rect.top = r.top;
      if (r.right > m_rect.right) m_rect.right = r.right;
      if (r.bottom > m_rect.bottom) m_rect.bottom = r.bottom;
      m_rotationAllowed &= allows;
    }
  }
  if (out) *out = m_rect;
}

void COutAreaTracker::ClearSelection(plat::DC* dc, bool unselect) {
  DrawSelected(dc, nullptr);
  if (!unselect) return;
  m_count = 0;
  m_handleMode = kModeNone;
  m_rotationAllowed = 0;
  m_currentHandle = -1;
  m_current = nullptr;
  if (CGuideList* list = Areas())
    for (CGuideItem* item : list->Items())
      if (item) item->selection = 0;
}

void COutAreaTracker::SelectInRect(float left, float top, float right, float bottom) {
  if (CGuideList* list = Areas())
    for (CGuideItem* item : list->Items())
      if (item && item->selection != 1 && tracker::InsideBand(RectOf(item), left, top, right, bottom))
        item->selection = 1;
  GetSelectionRect(nullptr);
  CentreOnRect();
  Show(nullptr);
}

bool COutAreaTracker::PickArea(float x, float y, bool select) {
  CGuideList* list = Areas();
  if (!list) return false;
  const float tol = float(2.0 * Scale());
  const int i = tracker::PickIndex(
      list->GetSize(), x, y, tol,
      [list](int k, CFRect& r) {
        CGuideItem* item = list->GetAt(k);
        return item && item->GetRect(&r) != 0;
      },
      [&](int k) { return list->GetAt(k)->HitTest(x, y, tol) != 0; });
  if (i < 0) return false;
  if (select) Select(list->GetAt(i));
  return true;
}

bool COutAreaTracker::HitItemHandle(float x, float y, int* index) {
  CGuideList* list = Areas();
  if (!list) return false;
  for (CGuideItem* item : list->Items()) {
    if (!item || item->selection != 1) continue;
    if (item->HitTestHandle(m_view, x, y, index)) {
      m_current = item;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Mouse steps that differ from the selection tracker's.

void COutAreaTracker::ToggleHandles() {
  if ((m_handleMode & 0x7F) == kModeRotate)
    m_handleMode = kModeSize;
  else if (m_rotationAllowed)
    m_handleMode = kModeRotate;
}

void COutAreaTracker::HideForMove(bool picked) {
  if (picked) {
    Hide(nullptr);
    return;
  }
  // The outlines stay during the drag; only the handles go.
  DrawHandles(nullptr, nullptr);
  m_handlesOnly = true;
}

void COutAreaTracker::ShowAfterMove() {
  if (!m_handlesOnly) {
    Show(nullptr);
    return;
  }
  m_handlesOnly = false;
  DrawHandles(nullptr, nullptr);
}

void COutAreaTracker::AfterRelease() {
  if (m_owner) m_owner->SetHoverObject(nullptr);
}

// ---------------------------------------------------------------------------
// Operations.

void COutAreaTracker::ApplyDrag(std::uint32_t) {
  // Ctrl changes nothing here: the areas move, objects and clipboard stay.
  const std::uint16_t mode = m_handleMode & 0x7F;
  if (m_currentHandle == 0) {
    MoveSelected(m_dragCurrent.x - m_dragStart.x, m_dragCurrent.y - m_dragStart.y);
    if (CDocumentServices* doc = m_view->GetDocument()) doc->SetModified(true);
  } else if (mode == kModeSize && m_currentHandle >= 1 && m_currentHandle <= 8) {
    ResizeToDraggedRect(true);
  }
  GetSelectionRect(nullptr);
}

void COutAreaTracker::MoveSelected(float dx, float dy) {
  CGuideList* list = Areas();
  if (m_count == 0 || !list) return;
  bool any = false;
  for (CGuideItem* item : list->Items()) {
    if (!item || item->selection == 0) continue;
    any = true;
    item->InvalidateItem(m_view, false);
    item->Offset(dx, dy);
    item->InvalidateItem(m_view, false);
  }
  if (!any) return;
  GetSelectionRect(nullptr);
  m_centre.x += dx;
  m_centre.y += dy;
}

void COutAreaTracker::ScaleSelected(const CFRect& from, const CFRect& to) {
  CGuideList* list = Areas();
  if (!list) return;
  const CMatrix3 m = tracker::ScaleMatrix(from, to);
  for (CGuideItem* item : list->Items()) {
    CFRect r;
    if (!item || item->selection != 1 || !item->GetRect(&r)) continue;
    CFPoint a{r.left, r.top}, b{r.right, r.bottom};
    m.TransformPoint(a);
    m.TransformPoint(b);
    CFRect out(a.x, a.y, b.x, b.y);
    out.Normalize();
    item->SetRect(out.left, out.top, out.right, out.bottom);
  }
}

void COutAreaTracker::SetFillMode(bool filled) {
  CGuideList* list = Areas();
  if (!list || m_count == 0 || m_suspended) return;
  for (int i = list->GetSize() - 1; i >= 0; --i) {
    CGuideItem* item = list->GetAt(i);
    if (!item || item->selection == 0) continue;
    item->drawFlags = std::uint16_t(item->drawFlags & ~kFilled);
    if (filled) item->drawFlags = std::uint16_t(item->drawFlags | kFilled);
    item->InvalidateItem(m_view, false);
  }
}

int COutAreaTracker::DeleteSelected() {
  CGuideList* list = Areas();
  if (m_count == 0 || !list) return 0;
  Hide(nullptr);
  int removed = 0;
  for (int i = list->GetSize() - 1; i >= 0; --i) {
    CGuideItem* item = list->GetAt(i);
    if (!item || item->selection == 0) continue;
    list->RemoveAt(i);
    item->InvalidateItem(m_view, false);
    delete item;
    ++removed;
  }
  ClearSelection(nullptr, true);
  Show(nullptr);
  if (list->IsEmpty()) RepaintWholeView();
  return removed ? 1 : 0;
}

void COutAreaTracker::ClearAll() {
  CGuideList* list = Areas();
  if (!list || list->IsEmpty()) return;
  list->DeleteAll();
  // Nothing may point at the deleted areas.
  m_count = 0;
  m_current = nullptr;
  m_handleMode = kModeNone;
  m_currentHandle = -1;
  m_rotationAllowed = 0;
  RepaintWholeView();
}
