// The selection tracker of a view: which objects are selected (their own
// flags), the derived count, bounds and current object, the mouse steps that
// pick, band-select, move, resize, rotate and skew the selection, the XOR
// marks and handles, and the cursor-key nudges. It reaches its view only
// through CViewServices, so the design view and the cut view both own one.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"

class CGraphObject;

// Values of an object's selected flag.
constexpr std::uint32_t OBJ_SELECTED = 1;  // the tracker acts on it
constexpr std::uint32_t OBJ_UNPAINTED = 2;  // left out of painting

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

class CSelectTracker : public CTrackerServices {
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

  // The design view passes itself (copy on Ctrl-drag); the cut view nothing.
  explicit CSelectTracker(CDesignViewServices* owner = nullptr);
  CSelectTracker(const CSelectTracker&) = delete;
  CSelectTracker& operator=(const CSelectTracker&) = delete;

  // Set by the view at its initial update.
  void SetView(CViewServices* view) { m_view = view; }
  CViewServices* GetView() const { return m_view; }
  void EnableHandles(bool enable) { m_handlesEnabled = enable ? 1 : 0; }
  bool HandlesEnabled() const { return m_handlesEnabled != 0; }

  // --- Mouse and keys (page points; flags are the mouse-message key flags).
  int OnLButtonDown(std::uint32_t flags, float x, float y);
  int OnMouseMove(std::uint32_t flags, float x, float y);
  int OnLButtonUp(std::uint32_t flags, float x, float y);
  int OnRButtonDown(std::uint32_t, float, float) { return 0; }
  int OnRButtonUp(std::uint32_t, float, float) { return 0; }
  // A nudge by one or ten pixels; 1 when the selection moved.
  int OnKeyDown(CViewServices* view, std::uint32_t key, std::uint32_t repeat, std::uint32_t flags);

  // --- Selection.
  void Select(CGraphObject* object);
  void ClearSelection(plat::DC* dc, bool unselect) override;
  // Selects the objects strictly inside.
  void SelectInRect(float left, float top, float right, float bottom);
  // Recounts from the flags; the kind of the first selected object, 0 when
  // none. The rectangle is defined only with a selection.
  std::uint8_t GetSelectionRect(CFRect* out);
  std::uint8_t GetSelectionBounds(CFRect* out);
  void Refresh();
  void RefreshSelection() override { Refresh(); }
  // Hide erases the marks and suspends them; Show resumes and draws them.
  void Hide(plat::DC* dc);
  void Show(plat::DC* dc);
  // The first selected object of the kind (255: any), or null.
  CGraphObject* FindSelected(std::uint8_t kind);

  // --- Operations on the selected objects.
  void MoveSelected(float dx, float dy);
  // Maps the selection from one rectangle onto another; signed extents, so a
  // target with swapped edges flips.
  void ScaleSelected(const CFRect& from, const CFRect& to);
  void TransformSelected(const CMatrix3& m);
  void UnRotateSelected();
  // 1 when objects were removed.
  int DeleteSelected();
  int ShowProperties(CWindowServices* propertyWindow);

  // --- Drawing (XOR: a second call erases).
  // Null DC: the view's own; null matrix: the view's.
  void DrawSelected(plat::DC* dc, const CMatrix3* matrix);
  void DrawSelected(plat::DC* dc, int) override { DrawSelected(dc, nullptr); }
  void DrawHandles(plat::DC* dc, const CMatrix3* matrix);
  void DrawBandRect(float x0, float y0, float x1, float y1) override;
  void DrawDragFeedback(plat::DC* dc);
  void InvalidateSelectionRect();

  // --- Hit tests and the drag.
  bool PickObject(float x, float y, bool select);
  bool IsNearSelection(float x, float y) const;
  bool HitTest(float x, float y, int* mode, int* index) const;
  bool HitTestAny(float x, float y, int* mode, int* index);
  void SetHandleCursor(int mode, int index, float x, float y);
  void GetDraggedRect(CFRect& out) const;
  // The rotation or skew of the current drag (by the current handle); null
  // for other handles.
  std::unique_ptr<CMatrix3> MakeDragMatrix() const;
  void ApplyDrag(std::uint32_t flags);

  // --- State.
  int GetSelectedCount() const { return m_count; }
  int GetTextCount() const { return m_textCount; }
  int GetPathCount() const { return m_pathCount; }
  int GetLibCount() const { return m_libCount; }
  int GetImageCount() const { return m_imageCount; }
  int GetOtherCount() const { return m_otherCount; }
  std::uint16_t GetHandleMode() const { return m_handleMode; }
  void SetHandleMode(std::uint16_t mode) { m_handleMode = mode; }
  int GetCurrentHandle() const { return m_currentHandle; }
  CGraphObject* GetCurrentObject() const { return m_current; }
  const CFRect& GetRect() const { return m_rect; }
  CFPoint GetRotationCentre() const { return m_centre; }
  std::uint16_t GetDragState() const { return m_dragState; }
  bool IsMoved() const { return m_moved != 0; }
  bool IsSuspended() const { return m_suspended != 0; }

 private:
  CDocumentServices* Objects() const;
  double Scale() const;
  const CMatrix3& ViewMatrix() const;
  void CentreOnRect();
  bool ShiftDown(std::uint32_t flags) const;
  void StartMoveDrag(float x, float y);
  // The selected objects as an object-list block (Ctrl-drag copy).
  std::vector<std::uint8_t> PackSelected() const;
  void PasteBack(const std::vector<std::uint8_t>& block);
  void ShowSize(float w, float h) const;

  CDesignViewServices* m_owner;
  std::uint16_t m_count = 0;
  std::uint32_t m_suspended = 0;
  std::uint32_t m_moved = 0;
  std::uint16_t m_textCount = 0;
  std::uint16_t m_pathCount = 0;
  std::uint16_t m_libCount = 0;
  std::uint16_t m_imageCount = 0;
  std::uint16_t m_otherCount = 0;
  std::uint16_t m_handleMode = kModeNone;
  std::int32_t m_currentHandle = -1;
  CGraphObject* m_current = nullptr;
  CFRect m_rect;
  CFPoint m_dragStart;
  CFPoint m_dragCurrent;
  CFPoint m_centre;
  std::uint16_t m_dragState = kNoDrag;
  std::uint32_t m_handlesEnabled = 0;
  CViewServices* m_view = nullptr;
};
