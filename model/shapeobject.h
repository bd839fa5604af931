// What the simple shapes (line, rectangle, ellipse, regular polygon) share:
// a packed colour and a reserved word, drawing and printing through their
// outline with pens of that colour, conversion to a path, moves that go to
// the points or to the pending transform, hit tests on the outline, the XOR
// feedback of a node drag, and the mapping of pointer positions between the
// page and the object's own coordinates.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/records.h"

class CShapeObject : public CGraphObject {
 public:
  // --- Overridden slots.
  // Through the outline: a filled draw when the object is filled.
  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  // Moves the bounds; with the identity as pending transform the object's
  // own points move, otherwise the transform's translation grows.
  void Offset(float dx, float dy) override;
  // Scales into the rectangle through the pending transform.
  void SetRect(float left, float top, float right, float bottom) override;
  // Appends the matrix to the pending transform; the bounds follow the
  // outline at once.
  void Transform(const CMatrix3& m) override;
  // Null when the filter is not -1 and differs from the colour; else a path
  // holding the outline (pending transform applied) in the shape's colour.
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  // The colour as decimal text, unless the list already holds it.
  void AddColorToList(CListBoxServices* list) override;
  // Outline and node marks in XOR on the view's DC, once before and once
  // after each node move of a drag.
  void DrawNodeDragXor(CViewServices* view, int index, float x, float y) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  // --- Fields.
  std::uint32_t color = 0;     // packed 0x00RRGGBB
  std::uint32_t reserved = 0;  // carried through the record unchanged

 protected:
  // Moves the object's own points (pending transform the identity).
  virtual void OffsetPoints(float dx, float dy) = 0;

  // Outline hit test: nothing outside the bounds grown by 3 pixels, else the
  // outline within 3 pixels.
  int HitTestOutline(CViewServices* view, float x, float y);
  // A page point in the object's own coordinates. False (out untouched) when
  // the pending transform cannot be undone: a move then changes nothing.
  bool ToObject(float x, float y, CFPoint& out) const;
  // A point of the object's own coordinates on the page.
  CFPoint ToPage(CFPoint p) const;
  // The pending transform followed by the given matrix.
  CMatrix3 PageToDevice(const CMatrix3* m) const;
  // A handle square of half-size 3 pixels at an own point, through the
  // pending transform and the given matrix; pen, brush and mix mode are the
  // caller's.
  void DrawOwnSquare(plat::DC* dc, const CMatrix3* m, CFPoint p) const;
  // A polyline through own points, likewise.
  void DrawOwnPolyline(plat::DC* dc, const CMatrix3* m, const CFPoint* pts, int count) const;
  // Makes the outline once to refresh the bounds (the shapes' MakeOutline
  // copies its bounds into the object).
  void RefreshBounds();
  // The first handle of a table whose square of half-size t holds the page
  // point; -1 when none.
  static int FirstSquareHit(const CFPoint* handles, const int* indices, int count, float x,
                            float y, float t);
  // 3 x the view's page units per pixel (1 pixel = 1 unit without a view).
  static float Tolerance(const CViewServices* view);
  static float UnitsPerPixel(const CViewServices* view);
};

// Helpers of the shape records: the head of a simple shape (letter and exact
// length checked, flags taken) and the test of every float read.
bool ReadShapeHead(const CRecordReader& reader, char letter, std::uint32_t length,
                   CGraphObject& object);
bool AllFinite(std::initializer_list<float> values);
bool AllFinite(const CMatrix3& m);
bool AllFinite(const CFRect& r);

// Records gathered in one go and handed to a list or path in one block of
// count + 2 records (no growing record by record). The bounds hold every
// point record, control points included, so they contain the curves.
struct RecordRun {
  std::vector<PathPoint> recs;
  CFRect bounds;
  bool hasBounds = false;

  void Add(const PathPoint& p);
  void Add(float x, float y, std::uint8_t flags) { Add(PathPoint{x, y, flags}); }
  // A new block of the records with an end record after them (count + 2
  // records), or 0; `count` gets the records written.
  plat::HGLOBAL TakeBlock(std::int32_t* count);
  // A new ended list owning the block.
  std::unique_ptr<CPathPointList> TakeList();
};

// A copy of the list's point records (pending transform applied) mapped
// through the matrix, bounded as a RecordRun; the list itself when the
// matrix is null or the identity.
std::unique_ptr<CPathPointList> MapPointList(std::unique_ptr<CPathPointList> list,
                                             const CMatrix3* m);
