// An output area: a rectangle over the design that marks the region to put
// out, picked by its frame and resized by its corners.
//
// Record (inside a guide-list block), L = 24:
//   0 'B'  1 u32 24  5 u16 drawFlags  7 4xf32 left, top, right, bottom  23 u8 240
//   24 u8 254 (in the record's own block only)
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/guidelist.h"

constexpr std::uint32_t OUT_AREA_RECORD_LENGTH = 24;

class COutArea : public CGuideItem {
 public:
  COutArea();
  COutArea(float left, float top, float right, float bottom);
  explicit COutArea(const CFRect& r) : COutArea(r.left, r.top, r.right, r.bottom) {}
  ~COutArea() override;

  // Green XOR frame with the null brush; twice erases it.
  void DrawGuide(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;
  int GetBounds(CFRect* out) override;
  int GetRect(CFRect* out) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  int AllowsRotateSkew() override;
  void Offset(float dx, float dy) override;
  int HitTest(float x, float y, float tolerance) override;
  int HitTestHandle(CViewServices* view, float x, float y, int* index) override;
  int SetRect(float left, float top, float right, float bottom) override;
  int InvalidateItem(CViewServices* view, bool erase) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;

  // Null unless the record starts with 'B', is at least 24 bytes long and
  // inside `available`.
  static std::unique_ptr<COutArea> LoadFromRecord(const std::uint8_t* record,
                                                  std::size_t available);

  CFRect area;
};
