// The selection tracker of a view: which objects are selected (their own
// flags), the derived count, bounds and current object, the mouse steps that
// pick, band-select, move, resize, rotate and skew the selection, the XOR
// marks and handles, and the cursor-key nudges. It reaches its view only
// through CViewServices, so the design view and the cut view both own one.
// The handles, hit boxes and mouse steps are those of CHandleTracker.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "app/handletracker.h"
#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"

class CGraphObject;

// Values of an object's selected flag.
constexpr std::uint32_t OBJ_SELECTED = 1;  // the tracker acts on it
constexpr std::uint32_t OBJ_UNPAINTED = 2;  // left out of painting

class CSelectTracker : public CTrackerServices, public CHandleTracker {
 public:
  // The design view passes itself (copy on Ctrl-drag); the cut view nothing.
  explicit CSelectTracker(CDesignViewServices* owner = nullptr);
  CSelectTracker(const CSelectTracker&) = delete;
  CSelectTracker& operator=(const CSelectTracker&) = delete;

  // Set by the view at its initial update.
  void SetView(CViewServices* view) { m_view = view; }
  void EnableHandles(bool enable) { m_handlesEnabled = enable ? 1 : 0; }
  bool HandlesEnabled() const { return m_handlesEnabled != 0; }

  // --- Keys and the right button (the left button's steps are the base's).
  int OnRButtonDown(std::uint32_t, float, float) { return 0; }
  int OnRButtonUp(std::uint32_t, float, float) { return 0; }
  // A nudge by one or ten pixels; 1 when the selection moved.
  int OnKeyDown(CViewServices* view, std::uint32_t key, std::uint32_t repeat, std::uint32_t flags);

  // --- Selection.
  void Select(CGraphObject* object);
  void ClearSelection(plat::DC* dc, bool unselect) override;
  // Selects the objects strictly inside.
  void SelectInRect(float left, float top, float right, float bottom) override;
  // Recounts from the flags; the kind of the first selected object, 0 when
  // none. The rectangle is defined only with a selection.
  std::uint8_t GetSelectionRect(CFRect* out);
  std::uint8_t GetSelectionBounds(CFRect* out);
  void Refresh();
  void RefreshSelection() override { Refresh(); }
  // The first selected object of the kind (255: any), or null.
  CGraphObject* FindSelected(std::uint8_t kind);

  // --- Operations on the selected objects.
  void MoveSelected(float dx, float dy) override;
  void ScaleSelected(const CFRect& from, const CFRect& to) override;
  void TransformSelected(const CMatrix3& m);
  void UnRotateSelected();
  // 1 when objects were removed.
  int DeleteSelected();
  // The selected objects as an object-list block (Ctrl-drag copy, multiple
  // duplication); empty when none writes a record.
  std::vector<std::uint8_t> PackSelected() const;
  int ShowProperties(CWindowServices* propertyWindow);

  // --- Drawing (XOR: a second call erases).
  // Null DC: the view's own; null matrix: the view's.
  void DrawSelected(plat::DC* dc, const CMatrix3* matrix) override;
  void DrawSelected(plat::DC* dc, int) override { DrawSelected(dc, nullptr); }
  void DrawBandRect(float x0, float y0, float x1, float y1) override {
    CHandleTracker::DrawBandRect(x0, y0, x1, y1);
  }

  // --- Hit tests and the drag.
  bool PickObject(float x, float y, bool select);
  void ApplyDrag(std::uint32_t flags) override;

  // --- State.
  int GetTextCount() const { return m_textCount; }
  int GetPathCount() const { return m_pathCount; }
  int GetLibCount() const { return m_libCount; }
  int GetImageCount() const { return m_imageCount; }
  int GetOtherCount() const { return m_otherCount; }
  CGraphObject* GetCurrentObject() const { return m_current; }

 protected:
  bool TakesPress(std::uint32_t flags) const override;
  bool TakesMouse() const override;
  bool HandlesOn() const override { return m_handlesEnabled != 0; }
  bool Pick(float x, float y, bool select) override { return PickObject(x, y, select); }
  void Recount() override { GetSelectionRect(nullptr); }
  bool HitItemHandle(float x, float y, int* index) override;
  bool BeginItemDrag(std::uint32_t flags, float x, float y) override;
  void ItemDragMove(std::uint32_t flags, float x, float y) override;
  void EndItemDrag(std::uint32_t flags, float x, float y) override;
  void ToggleHandles() override;
  plat::HPEN FeedbackPen() const override;
  void AfterRelease() override;

 private:
  CDocumentServices* Objects() const;
  void PasteBack(const std::vector<std::uint8_t>& block);

  CDesignViewServices* m_owner;
  std::uint16_t m_textCount = 0;
  std::uint16_t m_pathCount = 0;
  std::uint16_t m_libCount = 0;
  std::uint16_t m_imageCount = 0;
  std::uint16_t m_otherCount = 0;
  CGraphObject* m_current = nullptr;
  std::uint32_t m_handlesEnabled = 0;
};
