// The output-area tracker of the design view: selects, moves, resizes,
// fills and deletes the document's output areas with the handles and mouse
// steps of CHandleTracker. No undo, no snapping, no rotation; the mouse
// steps act only with the Select an Outarea tool.
#pragma once
#include <cstdint>
#include <memory>

#include "app/handletracker.h"

class CGuideItem;
class CGuideList;
class COutArea;
class CVORLAN98View;

// What takes the view's mouse events before anything else and keeps the
// document's output areas (the output-area tracker plugs in here).
class COutAreaHook {
 public:
  virtual ~COutAreaHook() = default;
  virtual int OnLButtonDown(std::uint32_t flags, float x, float y) = 0;
  virtual int OnMouseMove(std::uint32_t flags, float x, float y) = 0;
  virtual int OnLButtonUp(std::uint32_t flags, float x, float y) = 0;
  // A new area from a Set Outable Area drag.
  virtual void AddArea(const CFRect& area) = 0;
  // The areas and their marks, when the view paints in the output-area tools.
  virtual void DrawAreas(plat::DC* dc) = 0;
  virtual int HasSelection() const = 0;
  // 1 when any area was deleted.
  virtual int DeleteSelected() = 0;
  // Every area goes.
  virtual void ClearAll() = 0;
  // Fills the selected areas white, or draws them as outlines.
  virtual void SetFillMode(bool filled) = 0;
};

class COutAreaTracker : public CHandleTracker, public COutAreaHook {
 public:
  COutAreaTracker();

  // The owning design view (its document's output-area list).
  void SetView(CVORLAN98View* view);
  // The current tool is Set Outable Area or Select an Outarea.
  bool IsActive() const;

  // --- COutAreaHook.
  int OnLButtonDown(std::uint32_t flags, float x, float y) override {
    return CHandleTracker::OnLButtonDown(flags, x, y);
  }
  int OnMouseMove(std::uint32_t flags, float x, float y) override { return CHandleTracker::OnMouseMove(flags, x, y); }
  int OnLButtonUp(std::uint32_t flags, float x, float y) override { return CHandleTracker::OnLButtonUp(flags, x, y); }
  // A flat rectangle (a click without a drag) makes no area.
  void AddArea(const CFRect& area) override;
  void DrawAreas(plat::DC* dc) override;
  int HasSelection() const override { return m_count > 0 ? 1 : 0; }
  int DeleteSelected() override;
  void ClearAll() override;
  void SetFillMode(bool filled) override;

  // Appends the area to the document's list and shows it.
  void AddArea(std::unique_ptr<COutArea> area);
  // Every area, the last first (null DC: the view's; null matrix: the view's).
  void DrawAll(plat::DC* dc, const CMatrix3* matrix);

  // --- Selection.
  void Select(CGuideItem* area);
  void ClearSelection(plat::DC* dc, bool unselect) override;
  void SelectInRect(float left, float top, float right, float bottom) override;
  // Recounts from the areas' selection states.
  void GetSelectionRect(CFRect* out);
  // The first area whose widened rectangle holds the point, unless a later
  // one has an edge there; 1 when one was found.
  bool PickArea(float x, float y, bool select);

  // --- Operations on the selected areas.
  void MoveSelected(float dx, float dy) override;
  void ScaleSelected(const CFRect& from, const CFRect& to) override;
  void ApplyDrag(std::uint32_t flags) override;
  void DrawSelected(plat::DC* dc, const CMatrix3* matrix) override;

  CGuideItem* GetCurrentArea() const { return m_current; }
  bool RotationAllowed() const { return m_rotationAllowed != 0; }

 protected:
  bool TakesPress(std::uint32_t flags) const override;
  bool TakesMouse() const override;
  bool HandlesOn() const override { return true; }
  bool Pick(float x, float y, bool select) override { return PickArea(x, y, select); }
  void Recount() override { GetSelectionRect(nullptr); }
  bool HitItemHandle(float x, float y, int* index) override;
  void ToggleHandles() override;
  void HideForMove(bool picked) override;
  void ShowAfterMove() override;
  plat::HPEN FeedbackPen() const override;
  void AfterRelease() override;

 private:
  CGuideList* Areas() const;
  void RepaintWholeView();

  CVORLAN98View* m_owner = nullptr;
  std::uint32_t m_rotationAllowed = 0;
  CGuideItem* m_current = nullptr;
  // A move that kept the outlines and erased only the handles.
  bool m_handlesOnly = false;
};
