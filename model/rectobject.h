// The rectangle (kind 2, record '%') with optional rounded corners. The
// rounding rx, ry is a fraction 0..1 of half the width and half the height;
// the corners are round only when both are not 0. In node editing four
// corner handles set the rounding of all four corners alike.
//
// Record (little-endian, packed), L = 93, block of 102 bytes:
//   0 '%'  1 u32 L  5 u8 2  6 u16 flags  8 x1 y1 x2 y2 (f32)
//   24 pending transform (9 x f32)  60 rx  64 ry  68 bounds (4 x f32)
//   84 u32 colour  88 u32 reserved  92 u8 241  93 u8 255
#pragma once
#include <cstdint>
#include <memory>

#include "model/shapeobject.h"

class CRectObject : public CShapeObject {
 public:
  static constexpr std::uint32_t kRecordLength = 93;

  CRectObject();

  // --- Overridden slots.
  int CanNodeEdit() override { return 1; }
  // XOR squares at the four handles, with guide strokes for round corners.
  void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  int HitTest(CViewServices* view, float x, float y) override;
  // The outline through the pending transform: its bounds become the
  // object's, then it is mapped through the matrix. The caller owns it.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  int HitTestNode(CViewServices* view, float x, float y, int* index) override;
  // Handles 0-3 set the rounding from the pointer; the rectangle stays.
  void MoveNode(CViewServices* view, int index, float x, float y, std::uint32_t flags) override;

  // The factory's reader for '%'.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length);

  bool IsRounded() const { return rx != 0.0f && ry != 0.0f; }
  // Handle i (0-3) in the object's own coordinates.
  CFPoint Handle(int i) const;

  float x1 = 0.0f, y1 = 0.0f;
  float x2 = 0.0f, y2 = 0.0f;
  float rx = 0.0f;  // corner rounding across x, 0..1 of half the width
  float ry = 0.0f;  // corner rounding across y, 0..1 of half the height

 protected:
  void OffsetPoints(float dx, float dy) override;
};
