// The straight line (kind 1, record '$'): two end points in the object's own
// coordinates under the pending transform. The Select tool drags its end
// points as handles 0 and 1; it cannot be node-edited.
//
// Record (little-endian, packed), L = 49, block of 58 bytes:
//   0 '$'  1 u32 L  5 u8 1  6 u16 flags  8 x1 y1 x2 y2 (f32)
//   24 bounds (4 x f32)  40 u32 colour  44 u32 reserved  48 u8 241  49 u8 255
// The record holds no transform: a transformed line is written with its end
// points through the transform and their box as bounds.
#pragma once
#include <cstdint>
#include <memory>

#include "model/shapeobject.h"

class CLineObject : public CShapeObject {
 public:
  static constexpr std::uint32_t kRecordLength = 49;

  CLineObject();

  // --- Overridden slots.
  // Line and end squares in XOR through the pending transform and the matrix.
  void DrawXorOutline(plat::DC* dc, const CMatrix3* matrix) override;
  void DrawHandleDragXor(CViewServices* view, int handle, float x, float y) override;
  // Handle 0 or 1 follows the pointer; any handle refreshes the bounds.
  void MoveHandle(CViewServices* view, int handle, float x, float y) override;
  int HitTest(CViewServices* view, float x, float y) override;
  int HitTestHandle(CViewServices* view, float x, float y, int* index) override;
  void Transform(const CMatrix3& m) override;
  // The two end points (0x11, 0x21) through the pending transform and the
  // matrix; the caller owns the list.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;

  // The factory's reader for '$': null unless the letter, L = 49 and every
  // float (finite) fit.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length);

  // End points on the page (through the pending transform).
  CFPoint PageStart() const { return ToPage(CFPoint{x1, y1}); }
  CFPoint PageEnd() const { return ToPage(CFPoint{x2, y2}); }
  // The box of the two end points on the page.
  CFRect PageBox() const;

  float x1 = 0.0f, y1 = 0.0f;
  float x2 = 0.0f, y2 = 0.0f;

 protected:
  void OffsetPoints(float dx, float dy) override;
};
