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
};

// Shape builders live in model/shapebuilders.h.
