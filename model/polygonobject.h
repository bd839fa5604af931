// The regular polygon and star (kind 8, record '\''): n outer vertices at
// radius R1 around a centre from a start angle (radians, counter-clockwise
// with y up); a star adds an inner vertex at radius R2 and an angular offset
// after each outer one; a band width w adds a second contour with both radii
// less w. Node editing has handles for the centre, the first outer vertex,
// the first inner vertex and the band (a circle).
//
// Record (little-endian, packed), L = 97, block of 106 bytes:
//   0 '\''  1 u32 L  5 u8 8  6 u16 flags  8 R1  12 R2
//   16 pending transform (9 x f32)  52 bounds (4 x f32)  68 u32 colour
//   72 band width  76 start angle  80 i32 sides  84 star offset
//   88 centre x  92 centre y  96 u8 241  97 u8 255
#pragma once
#include <cstdint>
#include <memory>

#include "model/shapeobject.h"

class CPolygonObject : public CShapeObject {
 public:
  static constexpr std::uint32_t kRecordLength = 97;
  // Sides outside 1..kMaxSides give no outline (the record keeps them).
  static constexpr std::int32_t kMaxSides = 100000;

  enum { kCentre = 0, kOuter = 1, kInner = 2, kBand = 3 };

  CPolygonObject();

  // --- Overridden slots.
  int CanNodeEdit() override { return 1; }
  void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  // The outline through the pending transform: its bounds become the
  // object's, then it is mapped through the matrix. Null for a number of
  // sides outside 1..100,000. The caller owns it.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  int HitTestNode(CViewServices* view, float x, float y, int* index) override;
  void MoveNode(CViewServices* view, int index, float x, float y, std::uint32_t flags) override;

  // The factory's reader for '\''.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length);

  bool IsStar() const { return offset != 0.0f && r2 != r1; }
  bool HasOutline() const { return sides >= 1 && sides <= kMaxSides; }
  // The point at radius r and angle a around the centre.
  CFPoint At(float r, float a) const;
  // Handles 0-2 in the object's own coordinates.
  CFPoint Handle(int i) const;

  float r1 = 100.0f;      // outer radius
  float r2 = 0.0f;        // inner radius of a star
  float band = 0.0f;      // band width; 0: one contour
  float start = 0.0f;     // angle of the first outer vertex
  std::int32_t sides = 5;
  float offset = 0.0f;    // from each outer vertex to the inner one after it
  float cx = 0.0f, cy = 0.0f;

 protected:
  void OffsetPoints(float dx, float dy) override;

 private:
  float Step() const;
};
