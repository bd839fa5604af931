// Device-independent bitmaps: the packed layout (40-byte BITMAPINFOHEADER,
// colour table of RGBQUADs, pixel rows padded to 4 bytes, bottom row first),
// 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel, and conversions to and from
// bitmaps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/types.h"

namespace plat {

constexpr DWORD BI_RGB = 0;
constexpr DWORD CBM_INIT = 4;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: bottom row first; negative: top row first
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
  friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct BITMAPFILEHEADER {
  WORD bfType = 0x4D42;  // "BM"
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPFILEHEADER) == 14);

// Colour table entries of a header: biClrUsed, or 2^biBitCount when that is 0
// and the depth is at most 8; none otherwise.
std::size_t DibColorCount(const BITMAPINFOHEADER& h);
// Bytes of one pixel row, padded to 4 bytes; 0 for an absurd width.
std::size_t DibRowBytes(LONG width, int bitCount);

// Checked view of a packed DIB: a header this layer can read (size >= 40,
// planes 1, depth 1/4/8/16/24/32, BI_RGB, table <= 256 entries for <= 8 bits,
// sides within the surface bounds) and enough bytes for table and rows.
struct DibLayout {
  BITMAPINFOHEADER header;
  std::size_t colorCount = 0;
  std::size_t colorOffset = 0;  // bytes from the start of the block
  std::size_t bitsOffset = 0;
  std::size_t rowBytes = 0;
  LONG width = 0;
  LONG height = 0;  // absolute
  bool topDown = false;
};
std::optional<DibLayout> CheckPackedDib(const void* data, std::size_t size);

// An owned packed DIB.
class Dib {
 public:
  Dib() = default;
  // A zero-filled image; for 1/4/8 bits the palette fills the table (missing
  // entries black, at most 2^bits used; empty: the default palette of the
  // depth, see FromBitmap). Nothing for a bad size or depth.
  static std::optional<Dib> Create(LONG w, LONG h, int bitCount,
                                   const std::vector<RGBQUAD>& palette = {});
  // A copy of a packed DIB (header, table, rows); nothing when malformed.
  // Top-down images are turned into bottom-up ones.
  static std::optional<Dib> FromPacked(const void* data, std::size_t size);
  static std::optional<Dib> FromGlobal(HGLOBAL h);
  // The bitmap's pixels at the given depth; for 1/4/8 bits each pixel takes the
  // nearest palette entry (first of equals). An empty palette means the
  // default one of the depth (1: black, white; 4: the 16 standard colours;
  // 8: a 6 x 6 x 6 colour cube followed by 40 greys).
  static std::optional<Dib> FromBitmap(HBITMAP bmp, int bitCount,
                                       const std::vector<RGBQUAD>& palette = {});
  static std::vector<RGBQUAD> DefaultPalette(int bitCount);

  bool empty() const { return bytes_.empty(); }
  LONG width() const;
  LONG height() const;
  int bitCount() const;
  const BITMAPINFOHEADER& header() const;
  std::vector<RGBQUAD> palette() const;
  const std::vector<BYTE>& packed() const { return bytes_; }
  // Rows, bottom row first.
  BYTE* bits();
  const BYTE* bits() const;
  std::size_t rowBytes() const;

  // (x, y) with y = 0 the top row. CLR_INVALID / false outside.
  COLORREF GetPixel(LONG x, LONG y) const;
  // Indexed depths store the nearest palette entry.
  bool SetPixel(LONG x, LONG y, COLORREF c);
  // Palette index of an indexed image, -1 outside or for 24/32 bits.
  int GetIndex(LONG x, LONG y) const;
  bool SetIndex(LONG x, LONG y, int index);

  std::optional<Dib> ConvertTo(int bitCount, const std::vector<RGBQUAD>& palette = {}) const;
  // A colour bitmap (monochrome for 1 bit with a black/white table) with the
  // image's pixels; null when empty.
  HBITMAP CreateBitmap() const;
  // A movable global block with a copy of the packed bytes (0 when empty).
  HGLOBAL ToGlobal() const;

 private:
  std::vector<BYTE> bytes_;
  std::size_t bitsOffset_ = 0;
};

// The platform's entry points over these.
// A bitmap from a packed header and rows (with CBM_INIT in `init`, else
// black); null for a malformed header or rows shorter than the header says.
// `bitsSize` bounds the bytes read from `bits`.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       std::size_t bitsSize, const BITMAPINFO* info, UINT usage);
// With `bits` null: fills the header's size fields (width, height, planes,
// depth 32 or 1, image size) and returns the height. Else copies rows
// [start, start + lines) (counted from the bottom) in the header's depth into
// `bits` (at most `bitsSize` bytes) and the colour table after the header
// (room for 2^depth entries needed for <= 8 bits); returns the lines copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bmp, UINT start, UINT lines, void* bits, std::size_t bitsSize,
              BITMAPINFO* info, UINT usage);
// Draws a packed image stretched into the destination rectangle with a
// ternary raster operation; returns the lines drawn, 0 on failure.
int StretchDIBits(HDC dc, LONG x, LONG y, LONG w, LONG h, LONG xs, LONG ys, LONG ws, LONG hs,
                  const void* bits, std::size_t bitsSize, const BITMAPINFO* info, UINT usage,
                  DWORD rop);

}  // namespace plat
