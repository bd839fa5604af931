// The ellipse and arc (kind 3, record '&'): the ellipse inscribed in a
// rectangle, an arc of it from a start to an end angle (radians, counter-
// clockwise with y up; equal angles make the full ellipse), and a style that
// builds a shape on the arc: > 0 a band of that width, 0 the open arc, -1 a
// pie (any value whose integer part is -1), anything else a chord.
// Node editing has handles for the centre, both angles, the style (middle
// points) and a rotation of the arc. (The scaling of text items under a
// transform, ScaleBoxItems, lives with the text items in text/.)
//
// Record (little-endian, packed), L = 97, block of 106 bytes:
//   0 '&'  1 u32 L  5 u8 3  6 u16 flags  8 x1 y1 x2 y2 (f32)
//   24 pending transform (9 x f32)  60 bounds (4 x f32)  76 u32 colour
//   80 start  84 end  88 u32 reserved  92 style  96 u8 241  97 u8 255
#pragma once
#include <cstdint>
#include <memory>

#include "model/shapeobject.h"

// The angle of a new ellipse: a quarter turn, the f32 0x3FC90FDA.
constexpr float kEllipseNewAngle = 3.1415925f / 2.0f;
// Half a turn as the shapes use it.
constexpr float kShapeHalfTurn = 3.1415925f;
constexpr float kShapeFullTurn = 6.283185f;

class CEllipseObject : public CShapeObject {
 public:
  static constexpr std::uint32_t kRecordLength = 97;

  // Handle indices.
  enum {
    kCentre = 0,
    kStartHandle = 1,
    kEndHandle = 2,
    kBandOuter = 3,    // the middle point on the ellipse when the style is a band
    kMiddle = 4,       // the middle point on the ellipse, or the band's inner edge
    kRotation = 5,
  };

  CEllipseObject();

  // --- Overridden slots.
  int CanNodeEdit() override { return 1; }
  void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  int HitTest(CViewServices* view, float x, float y) override;
  // The outline through the pending transform: its bounds become the
  // object's, then it is mapped through the matrix. The caller owns it.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  int HitTestNode(CViewServices* view, float x, float y, int* index) override;
  void MoveNode(CViewServices* view, int index, float x, float y, std::uint32_t flags) override;

  // The factory's reader for '&'.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length);

  bool IsFull() const { return start == end; }
  // The handles in the object's own coordinates, in hit-test order; `u` is
  // the page units per pixel. Returns how many.
  struct HandleAt {
    int index;
    CFPoint at;
  };
  int Handles(float u, HandleAt out[6]) const;
  CFPoint Centre() const { return CFPoint{(x1 + x2) / 2.0f, (y1 + y2) / 2.0f}; }
  // The middle angle of the arc; half a turn after the start for the full
  // ellipse.
  float MiddleAngle() const;

  float x1 = 0.0f, y1 = 0.0f;
  float x2 = 0.0f, y2 = 0.0f;
  float start = kEllipseNewAngle;
  float end = kEllipseNewAngle;
  float style = 0.0f;

 protected:
  void OffsetPoints(float dx, float dy) override;

 private:
  // The point at angle a on the ellipse grown by `grow` on each half axis.
  CFPoint AtAngle(float a, float grow) const;
};
