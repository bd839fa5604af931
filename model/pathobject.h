// The free-curve drawing object (kind 128, record '#'): contours of straight
// and cubic Bezier segments held as one growable block of PathPoint records,
// a pending transform, the bounds and a colour. Every other shape converts
// itself into one for cutting and export.
//
// Record (little-endian, packed), L = 69 + 9n:
//   0 '#'  1 u32 L  5 u8 128  6 u16 flags  8 4xf32 bounds  24 9xf32 matrix
//   60 u32 colour  64 u32 n  68 n records (the end record last)
//   68+9n u8 241   69+9n u8 255
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "platform/gmem.h"
#include "platform/types.h"

class CGroupObject;

class CCutterDevice;
class CCarveDevice;

// Drag kinds of node editing (the shared drag state's dragKind).
constexpr std::uint16_t DRAG_EXTEND_LINE = 19;     // extend tool: rubber line
constexpr std::uint16_t DRAG_REPLACE_CURVE = 161;  // replace-by-curve control point
constexpr std::uint16_t DRAG_EXTEND_CURVE = 163;   // extend tool: curve control point
constexpr std::uint16_t DRAG_NODES = 0x300;
constexpr std::uint16_t DRAG_NEXT_HANDLE = 0x400;  // control point after the current node
constexpr std::uint16_t DRAG_PREV_HANDLE = 0x500;  // control point before the current node
constexpr std::uint16_t DRAG_LINE_SEGMENT = 0x600;
constexpr std::uint16_t DRAG_CURVE_SEGMENT = 0x700;
constexpr std::uint16_t DRAG_CONTOURS = 0x800;

// Segment hit kinds (hitKind).
constexpr std::uint16_t HIT_LINE = 0x600;
constexpr std::uint16_t HIT_CURVE = 0x700;

// Node hit kinds of CPathObject::HitTestNode.
constexpr int NODE_HIT_SELECTED = 1;
constexpr int NODE_HIT_UNSELECTED = 2;
constexpr int NODE_HIT_FIRST_HANDLE = 17;   // a segment's first control point
constexpr int NODE_HIT_SECOND_HANDLE = 18;  // a segment's second control point

// The editing fields of a path that its undo items keep.
struct PathEditState {
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  std::int32_t selectedCount = 0;
  std::int32_t currentNode = 0;
  float hitX = 0.0f;
  float hitY = 0.0f;
  float hitParam = -1.0f;
  std::uint16_t hitKind = 0;
  std::int32_t contourStart = 0;
};

// True when two points differ by less than 0.001 in x and in y.
bool PointsCoincide(const CFPoint& a, const CFPoint& b);

class CPathObject : public CGraphObject {
 public:
  static constexpr int kFirstCapacity = 100;
  static constexpr int kGrowBy = 50;
  // Bytes of a record beyond its point records: head 68, 241 and 255, zero fill.
  static constexpr std::size_t kRecordExtra = 78;

  CPathObject();
  ~CPathObject() override;

  // --- Overridden slots.
  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  int CanNodeEdit() override { return 1; }
  int HitTest(CViewServices* view, float x, float y) override;
  // Moves the bounds and the pending translation; the points stay.
  void Offset(float dx, float dy) override;
  // Scales into the rectangle through the pending matrix; the points stay.
  void SetRect(float left, float top, float right, float bottom) override;
  // Composes the matrix after the pending one and transforms the bounds.
  void Transform(const CMatrix3& m) override;
  // The points through the pending matrix, then through `matrix` when given;
  // null without a block; the caller owns it. The second argument is not used.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  // Null handle and 0 without a block or with fewer than two records before
  // the end record; a path still being built is written terminated.
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  // Null when the filter is not -1 and differs from the colour; else a copy
  // with its pending matrix applied.
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  std::unique_ptr<CGraphObject> Clone() override;
  // The path has no transformed copy of its own.
  std::unique_ptr<CGraphObject> MakeTransformedCopy(std::uint32_t transform,
                                                    const CFRect& target) override;
  void AddColorToList(CListBoxServices* list) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  // --- Building.
  // Appends a record and keeps the bounds; returns the new count.
  int AddPoint(const PathPoint& pt);
  int AddPoint(float x, float y, std::uint8_t flags) { return AddPoint(PathPoint{x, y, flags}); }
  // Appends a record without touching the bounds; returns the new count.
  int AppendPoint(const PathPoint& pt);
  int EndPoints();
  void AddRectangle(float x1, float y1, float x2, float y2);
  void AddLine(float x1, float y1, float x2, float y2);

  // --- Structure.
  // Bakes a non-identity pending matrix into the points.
  void ApplyTransform();
  // Appends the other path's contours; an empty other changes nothing.
  void AppendPath(CPathObject& other);
  // One new path per contour (the Separate command), in order; a last
  // contour without an end node is dropped.
  void SplitContours(std::vector<std::unique_ptr<CPathObject>>& out);
  // The Separate command: the contours become children of the group.
  void SplitContours(CGroupObject& group);
  void CloseLastContour();
  void EndLastContourOpen();
  // Returns the former end kind (flags & 0x70) of the last point record, or
  // 0x20 when no point record is left above record 0.
  int ReopenLastContour();
  void RemoveEndRecords();
  // Every contour reversed; null without a block.
  std::unique_ptr<CPathObject> MakeReversed();
  float GetFirstContourLength(plat::BOOL* closed);

  // --- Devices.
  void PlotToCutter(CCutterDevice& device);
  void PlotToCarver(CCarveDevice& device);

  // --- Records.
  // A new path from the record at `record`, which may use at most `size`
  // bytes. Null unless it is a path record whose n records fit its length
  // and the length fits `size`; a record list without an end record gets one.
  static std::unique_ptr<CPathObject> LoadFromRecord(const std::uint8_t* record, std::size_t size);
  // The factory's reader for '#'.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length);

  // --- Node editing (pathnodes.cpp).
  void OnNodeEditBegun(CViewServices* view) override;
  int DoCommand(CViewServices* view, std::uint32_t command) override;
  int IsCommandEnabled(CViewServices* view, std::uint32_t command) override;
  void DeleteSelectedNodes(CViewServices* view) override;
  int CanDeleteInEdit(CViewServices* view) override;
  int EndNodeEdit(CViewServices* view) override;
  void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  int OnCharNode(CViewServices* view, std::uint32_t ch, std::uint32_t keyData) override;
  // Modifiers: 4 Shift, 8 Control.
  int OnKeyDownNode(CViewServices* view, std::uint32_t key, std::uint32_t modifiers) override;
  int OnLButtonDown(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnMouseMove(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonUp(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnRButtonDown(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnRButtonUp(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonDblClk(CViewServices* view, std::uint32_t flags, float x, float y) override;
  // (view, key): the node command of a key, or a nudge of the selected nodes.
  int RunNodeCommand(std::intptr_t view, std::intptr_t key, std::intptr_t, std::intptr_t) override;
  int OnLButtonDownNode(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnMouseMoveNode(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonUpNode(CViewServices* view, std::uint32_t flags, float x, float y) override;

  void DrawNodes(plat::DC* dc, const CMatrix3* viewMatrix);
  // Selection changes record their undo items in `view` (the active view
  // when null) while it records.
  void SelectNode(int index, CViewServices* view = nullptr);
  void DeselectNode(int index, CViewServices* view = nullptr);
  // record 0 only toggles the marks; 1 also clears the selection and the
  // segment hit, with undo.
  void ClearNodeSelection(CViewServices* view, int record);
  void SelectNodesInRect(float x1, float y1, float x2, float y2, CViewServices* view = nullptr);
  // Index of the node or handle under the point, -1 for none; kind gets one
  // of the NODE_HIT_ values (0 for none).
  using CGraphObject::HitTestNode;
  int HitTestNode(CViewServices* view, float x, float y, int& kind);
  int HitTestUnselectedNode(CViewServices* view, float x, float y);
  // HIT_LINE or HIT_CURVE when a segment is under the point (the hit fields
  // set), else 0.
  int HitTestSegment(CViewServices* view, float x, float y);
  void MoveSelectedNodes(float dx, float dy, std::uint32_t flags);
  void DragHandle(float dx, float dy, int kind, std::uint32_t flags);
  void DragSegment(float dx, float dy, std::uint32_t flags);
  void MoveSelectedContours(float dx, float dy, std::uint32_t flags);
  void AlignSelectedNodes(CViewServices* view, std::uint32_t key, std::uint32_t flags);
  int FindContourStart(int index) const;
  int FindContourEnd(int index) const;
  void DrawCurrentHandles(plat::DC* dc, const CMatrix3* viewMatrix);
  void DrawSelectedSegmentsXor(plat::DC* dc, const CMatrix3* viewMatrix);
  void DrawSegmentHitMark(plat::DC* dc, const CMatrix3* viewMatrix);
  void DrawCurrentSegmentHandles(plat::DC* dc, const CMatrix3* viewMatrix);
  void DrawSelectedContoursXor(plat::DC* dc, const CMatrix3* viewMatrix);

  // --- Node commands.
  void InsertRecords(int index, int n);
  void InsertRecordsAfter(int index, int n);
  void InsertNode(CViewServices* view);
  void BreakAtNode(CViewServices* view);
  int JoinNodes(CViewServices* view);
  void SegmentToCurve(CViewServices* view);
  void SegmentToLine(CViewServices* view);
  void ToggleSegmentKind(CViewServices* view);
  void DeleteSelectedContours(CViewServices* view, CFRect* removed);
  void ReplaceContoursWithCircle(CViewServices* view);
  void ReplaceContoursWithRectangle(CViewServices* view);
  int BeginReplaceNodesWithCurve(CViewServices* view);
  void ReplaceNodesWithCurve(CViewServices* view);
  // A new path of the contour starting at index; null below two records.
  std::unique_ptr<CPathObject> ExtractContour(int index);
  void GetContourBounds(int start, CFRect* out);

  // --- Extend tool.
  int CanExtendFromSelection(CViewServices* view);
  void BeginExtendContour(CViewServices* view);
  int ExtendToolButtonDown(CViewServices* view, std::uint32_t flags, float x, float y);
  int ExtendToolDoubleClick(CViewServices* view, std::uint32_t flags, float x, float y);
  void ExtendWithLine(CViewServices* view, const CFPoint* points);
  void ExtendWithCurve(CViewServices* view, const CFPoint* points);

  // --- Undo support.
  PathEditState SaveEditState() const;
  // Writes the fields back, bounded by the block the path holds now.
  void RestoreEditState(const PathEditState& state);
  // Node and curve extent box of the points (empty path: unchanged).
  void RecomputeBounds();

  // A copy of this path with its own block (flags included).
  std::unique_ptr<CPathObject> ClonePath() const;
  // Records the block holds (its size / 9).
  std::size_t BlockRecords() const;

  // --- Fields.
  std::uint32_t color = 0;  // packed 0x00RRGGBB
  plat::HGLOBAL points = 0;
  std::int32_t capacity = 0;  // the block has room for capacity + 2 records
  std::int32_t count = 0;     // records in use, the end record included once written
  std::int32_t selectedCount = 0;
  std::int32_t currentNode = 0;
  float hitX = 0.0f;
  float hitY = 0.0f;
  float hitParam = -1.0f;
  std::uint16_t hitKind = 0;  // 0x600 line hit, 0x700 Bezier hit, 0 none
  std::int32_t contourStart = 0;

 private:
  bool Grow();
  // Makes room for at least `records` records plus the two spare ones.
  bool Reserve(std::size_t records);
  void Trim(std::size_t records);
  void Widen(float x, float y);
  void FreePoints();

  // Node editing helpers (pathnodes.cpp).
  void RecordSnapshot(CViewServices* view);
  void TakeOver(CViewServices* view, CPathObject& built, bool wholeView);
  std::unique_ptr<CPathObject> NewBuilt(std::size_t reserve) const;
  void ExtendWith(CViewServices* view, const CFPoint* points, bool curve);
  void ExtendCapture(float x, float y);
  void RestartExtendAt(CFPoint p);
  int DeleteInBand(CViewServices* view);
};

// Shape builders live in model/shapebuilders.h.
