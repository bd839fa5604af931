// Image lists: pictures of one size kept side by side, cut from bitmaps (a bitmap
// resource or a bitmap handle) with an optional transparent colour, and drawn
// into a device context by index.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/fwdefs.h"
#include "platform/dc.h"

namespace fw {

// No transparent colour.
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;

// Drawing styles.
constexpr UINT ILD_NORMAL = 0x0000;       // transparent pixels left as they are
constexpr UINT ILD_TRANSPARENT = 0x0001;  // the same
constexpr UINT ILD_SELECTED = 0x0004;     // blended half with the highlight colour

// Highlight colour of the selected style.
constexpr COLORREF kImageHighlight = 0x00800000;

class CImageList {
 public:
  // An empty list of cx x cy pictures; FALSE for a size below 1 or beyond the
  // surface bounds. Clears any earlier content.
  BOOL Create(int cx, int cy);
  // A list of pictures cx wide, as high as the bitmap resource, cut from it left
  // to right; `mask` (CLR_NONE for none) is transparent. FALSE (list left empty)
  // when the resource is missing, unreadable or narrower than one picture.
  BOOL Create(UINT bitmapResource, int cx, COLORREF mask);
  void DeleteImageList();

  bool IsCreated() const { return cx_ > 0; }
  int GetImageCount() const { return int(images_.size()); }
  SIZE GetImageSize() const { return SIZE{cx_, cy_}; }

  // Adds the bitmap's pictures: its width divided by the picture width, at least
  // one; parts beyond the bitmap are transparent. Returns the index of the first
  // one added, -1 on failure (no list, unknown bitmap, empty bitmap).
  int Add(plat::HBITMAP bitmap, COLORREF mask);
  int Add(const plat::Surface& pixels, COLORREF mask);
  BOOL Remove(int index);  // -1 removes all

  // The picture's pixels (0x00RRGGBB, cx x cy) and whether (x, y) is transparent.
  const plat::Surface* GetImage(int index) const;
  bool IsTransparent(int index, int x, int y) const;

  // Draws picture `index` with its top-left corner at pt (logical units of the
  // context, through its clip); FALSE for a bad index or context.
  BOOL Draw(plat::HDC dc, int index, POINT pt, UINT style) const;

 private:
  struct Image {
    plat::Surface pixels;
    std::vector<std::uint8_t> clear;  // 1 where transparent
  };
  int cx_ = 0;
  int cy_ = 0;
  std::vector<Image> images_;
};

}  // namespace fw
