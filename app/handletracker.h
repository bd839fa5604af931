// What the selection tracker and the output-area tracker share: the
// selection box with its eight size handles (or the rotate/skew set), the
// hit boxes and cursors of the handles, the dragged rectangle with its
// proportional corners, the XOR feedback, handle and band drawing, and the
// mouse steps from press to release. The item list (drawing objects or
// output areas) and what a finished drag does are the derived tracker's.
#pragma once
#include <cstdint>
#include <memory>

#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"

// Handle bitmaps of the rotate/skew set (drawn with SRCINVERT).
constexpr std::uint32_t IDB_HANDLE_SKEW_H = 229;  // 15 x 9
constexpr std::uint32_t IDB_HANDLE_SKEW_V = 230;  // 9 x 15
constexpr std::uint32_t IDB_HANDLE_ROTATE_TL = 231;  // 231-234: 15 x 15 corners
constexpr std::uint32_t IDB_HANDLE_CENTRE = 235;  // 15 x 15

// Cursor resources of the handles.
constexpr std::uint32_t IDC_HANDLE_ROTATE = 1146;
constexpr std::uint32_t IDC_HANDLE_SKEW_H = 1178;
constexpr std::uint32_t IDC_HANDLE_SKEW_V = 1179;
constexpr std::uint32_t IDC_OBJECT_HANDLE = 195;

// Private command of the main frame: a size pair (two f32).
constexpr std::uint32_t ID_STATUS_SIZE_PAIR = 32839;

// A handle bitmap made from its picture; the caller deletes it. Null for an
// unknown id.
plat::HBITMAP CreateHandleBitmap(std::uint32_t id);

class CHandleTracker {
 public:
  // Drag states.
  static constexpr std::uint16_t kNoDrag = 0;
  static constexpr std::uint16_t kMoveDrag = 0x100;
  static constexpr std::uint16_t kObjectHandleDrag = 0x200;
  static constexpr std::uint16_t kHandleDrag = 0x210;
  static constexpr std::uint16_t kRubberBand = 0x220;
  // Handle modes (low seven bits) and the bit of a press that changed the
  // selection.
  static constexpr std::uint16_t kModeNone = 0;
  static constexpr std::uint16_t kModeSize = 2;
  static constexpr std::uint16_t kModeRotate = 3;
  static constexpr std::uint16_t kModeObject = 4;
  static constexpr std::uint16_t kModeChanged = 0x80;

  CHandleTracker(const CHandleTracker&) = delete;
  CHandleTracker& operator=(const CHandleTracker&) = delete;
  virtual ~CHandleTracker() = default;

  CViewServices* GetView() const { return m_view; }

  // --- Mouse (page points; flags are the mouse-message key flags).
  // The drag state started (non-zero) when the press was taken.
  int OnLButtonDown(std::uint32_t flags, float x, float y);
  int OnMouseMove(std::uint32_t flags, float x, float y);
  int OnLButtonUp(std::uint32_t flags, float x, float y);

  // --- The item list, by the derived tracker.
  // Erases the marks; with `unselect` every item is unselected.
  virtual void ClearSelection(plat::DC* dc, bool unselect) = 0;
  // XOR marks of the selected items and the handles (a second call erases).
  // Null DC: the view's own; null matrix: the view's.
  virtual void DrawSelected(plat::DC* dc, const CMatrix3* matrix) = 0;
  // Selects the items strictly inside.
  virtual void SelectInRect(float left, float top, float right, float bottom) = 0;
  virtual void MoveSelected(float dx, float dy) = 0;
  // Maps the selection from one rectangle onto another; signed extents, so a
  // target with swapped edges flips.
  virtual void ScaleSelected(const CFRect& from, const CFRect& to) = 0;
  // The end of a moved handle or move drag.
  virtual void ApplyDrag(std::uint32_t flags) = 0;

  // Hide erases the marks and suspends them; Show resumes and draws them.
  void Hide(plat::DC* dc);
  void Show(plat::DC* dc);

  // --- Drawing (XOR: a second call erases).
  void DrawHandles(plat::DC* dc, const CMatrix3* matrix);
  virtual void DrawBandRect(float x0, float y0, float x1, float y1);
  void DrawDragFeedback(plat::DC* dc);
  // The selection box through the view matrix; a flat box is widened by a
  // pixel.
  void InvalidateSelectionRect(bool erase = false);

  // --- Hit tests and the drag.
  bool IsNearSelection(float x, float y) const;
  bool HitTest(float x, float y, int* mode, int* index) const;
  // An item's own handle (mode 4) with exactly one selected, else HitTest.
  bool HitTestAny(float x, float y, int* mode, int* index);
  void SetHandleCursor(int mode, int index, float x, float y);
  void GetDraggedRect(CFRect& out) const;
  // The rotation or skew of the current drag (by the current handle); null
  // for other handles.
  std::unique_ptr<CMatrix3> MakeDragMatrix() const;

  // --- State.
  int GetSelectedCount() const { return m_count; }
  std::uint16_t GetHandleMode() const { return m_handleMode; }
  void SetHandleMode(std::uint16_t mode) { m_handleMode = mode; }
  int GetCurrentHandle() const { return m_currentHandle; }
  const CFRect& GetRect() const { return m_rect; }
  CFPoint GetRotationCentre() const { return m_centre; }
  std::uint16_t GetDragState() const { return m_dragState; }
  bool IsMoved() const { return m_moved != 0; }
  bool IsSuspended() const { return m_suspended != 0; }

 protected:
  // `sizeFeedback`: the drag feedback and the band report their size;
  // `snapMoves`: a moved selection is snapped by the rulers.
  CHandleTracker(bool sizeFeedback, bool snapMoves) : m_sizeFeedback(sizeFeedback), m_snapMoves(snapMoves) {}

  // --- What the mouse steps ask of the derived tracker.
  // Whether the tool (and keys) let the tracker take a press, or a move or
  // release.
  virtual bool TakesPress(std::uint32_t flags) const = 0;
  virtual bool TakesMouse() const = 0;
  virtual bool HandlesOn() const = 0;
  // Picks the item under the point; 1 when one was found.
  virtual bool Pick(float x, float y, bool select) = 0;
  // Recounts the selection from the items.
  virtual void Recount() = 0;
  // An item's own handle under the point (one item selected).
  virtual bool HitItemHandle(float, float, int*) { return false; }
  // An item's own press, move and release (ObjectHandleDrag).
  virtual bool BeginItemDrag(std::uint32_t, float, float) { return false; }
  virtual void ItemDragMove(std::uint32_t, float, float) {}
  virtual void EndItemDrag(std::uint32_t, float, float) {}
  // A click on the selection switches the handle set.
  virtual void ToggleHandles() = 0;
  // Marks off for a move drag, and back on after it; `picked` tells a press
  // that picked an item from one near the selection.
  virtual void HideForMove(bool picked);
  virtual void ShowAfterMove();
  virtual plat::HPEN FeedbackPen() const = 0;
  // After every release.
  virtual void AfterRelease() {}

  // The resize of a size-handle drag: the box is invalidated before and
  // after, the selection scaled onto the dragged rectangle and recounted.
  void ResizeToDraggedRect(bool erase);

  double Scale() const;
  const CMatrix3& ViewMatrix() const;
  void CentreOnRect();
  void ShowSize(float w, float h) const;
  void StartMoveDrag(float x, float y, bool picked);

  std::uint16_t m_count = 0;
  std::uint32_t m_suspended = 0;
  std::uint32_t m_moved = 0;
  std::uint16_t m_handleMode = kModeNone;
  std::int32_t m_currentHandle = -1;
  CFRect m_rect;
  CFPoint m_dragStart;
  CFPoint m_dragCurrent;
  CFPoint m_centre;
  std::uint16_t m_dragState = kNoDrag;
  CViewServices* m_view = nullptr;

 private:
  bool m_sizeFeedback;
  bool m_snapMoves;
};

// Shared drawing helpers of the trackers.
namespace tracker {

// Edges included; the rectangle may have its edges in any order.
bool InRect(const CFRect& r, float grow, float x, float y);
// Strictly inside the band.
bool InsideBand(const CFRect& r, float left, float top, float right, float bottom);
CFPoint Middle(const CFRect& r);
// The matrix that maps one rectangle onto another (a flat source keeps its
// scale on that axis).
CMatrix3 ScaleMatrix(const CFRect& from, const CFRect& to);

// The pick rule: among items 0..count-1 the first whose rectangle widened by
// the tolerance holds the point is the candidate, but an item that `hit`
// finds wins at once. The index, or -1. rectOf(i, r) is false for no item.
template <class RectOf, class Hit>
int PickIndex(int count, float x, float y, float tolerance, RectOf&& rectOf, Hit&& hit) {
  int candidate = -1;
  for (int i = 0; i < count; ++i) {
    CFRect r;
    if (!rectOf(i, r)) continue;
    if (candidate < 0 && InRect(r, tolerance, x, y)) candidate = i;
    if (hit(i)) return i;
  }
  return candidate;
}

using ::ViewDC;

}  // namespace tracker
