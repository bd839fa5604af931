// The seal (kind 144, record 'P'): a frame (plain, chamfered or rounded
// rectangle, a ring when it has a border width) and its characters in two,
// three or four fixed cells, columns from the right, each from the y0 edge.
//
// Record, L = B + 106 (B: the packed box block):
//   0 'P'  1 u32 L  5 u8 144  6 u16 flags  8 4xf32 bounds  24 4xf32 frame
//   40 f32 horizontal margin, vertical margin, horizontal gap, vertical gap
//   56 f32 border width  60 f32 corner value  64 f32 frame shape
//   68 u8 layout kind  69 9xf32 matrix  105 box block (B bytes)
//   105+B u8 241  (106+B u8 255)
// The colour is not stored.
#pragma once
#include <cstdint>
#include <memory>

#include "model/graphobject.h"
#include "text/boxarray.h"

class CSealObject : public CGraphObject {
 public:
  static constexpr std::uint32_t kRecordOverhead = 106;
  static constexpr std::uint32_t kBoxOffset = 105;

  CSealObject();
  ~CSealObject() override;

  static std::unique_ptr<CGraphObject> LoadFromRecord(const std::uint8_t* record,
                                                      std::uint32_t length);

  // Sets every character's cell from the frame, spacings and layout kind.
  void LayoutChars();
  // The frame alone: its pending transform is the placement matrix, then `m`.
  std::unique_ptr<CPathPointList> MakeFrameOutline(const CMatrix3* m) const;
  // Font units (1024 em) to page units for the character at an item index;
  // null for an index that holds no character.
  std::unique_ptr<CMatrix3> GetCharMatrix(int index) const;
  void DrawFrame(plat::DC* dc, const CMatrix3* m);
  void SetCharFlags(int first, int last, std::uint16_t bits, std::uint16_t mask);
  void SetCharColor(CViewServices* view, int first, int last, std::uint32_t color,
                    bool invalidate);
  void InvalidateChar(CViewServices* view, const CBoxChar* item) const;

  void SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) override;
  void Draw(plat::DC* dc, const CMatrix3* viewMatrix, const CFRect* visible) override;
  void Offset(float dx, float dy) override;
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  // A copy through the record that keeps the colour.
  std::unique_ptr<CGraphObject> Clone() override;
  int ShowProperties(CWindowServices* propertyWindow) override;
  CBoxArray* GetBoxArray() override { return &chars; }
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  CFRect frame;
  std::uint8_t layoutKind = 0;
  float borderWidth = 0.0f;
  std::uint8_t frameShape = 0;
  float cornerValue = 0.0f;
  float marginX = 0.0f, marginY = 0.0f;
  float gapX = 0.0f, gapY = 0.0f;
  std::uint32_t color = 0;
  CBoxArray chars;
};
