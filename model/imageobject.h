// The image object (kind 133, record '('): a raster image linked by its file
// name, shown and printed stretched into the object's bounds, traced into a
// path through the tracing service, or turned into grey-level bars. Only the
// name is stored; the pixels are read from the file when first drawn.
//
// Record (little-endian, packed), L = 85:
//   0 '('  1 u32 85  5 u8 133  6 u16 flags  8 4xf32 bounds
//   24 char[60] file name, NUL-terminated, zero-filled  84 u8 241  85 u8 255
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "model/graphobject.h"
#include "model/imagereaders.h"

class CPathObject;

constexpr std::uint32_t IMAGE_RECORD_LENGTH = 85;
constexpr std::size_t IMAGE_NAME_FIELD = 60;

class CImageObject : public CGraphObject {
 public:
  // A name the record can keep whole: at most 59 bytes, no NUL.
  static bool IsStorableName(const std::string& name);

  // The name is kept only when it is storable (else the name stays empty).
  explicit CImageObject(const std::string& fileName = {});
  // From a record of `length` bytes: flags, bounds and the name up to its
  // NUL within the 60-byte field.
  CImageObject(const std::uint8_t* record, std::size_t length);
  ~CImageObject() override;

  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  int CanNodeEdit() override { return 1; }
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  // Null unless the record starts with '(' and is 85 bytes long.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record, std::uint32_t length);

  // Reads the file into the cached bitmap (deleting the old one).
  void LoadBitmap(plat::DC* dc);
  // A new bitmap of the file that the caller owns; null for other types.
  plat::HBITMAP MakeBitmap(plat::DC* dc);
  // The file's header; the reader's result, 0 for other types.
  int ReadImage(ImageInfo& info);
  plat::HGLOBAL ReadPalette();
  std::uint32_t GetPaletteSize();
  // The pixel rows, bottom row first; with the flag top row first.
  plat::HGLOBAL ReadPixels(bool topDown);
  // A new path traced from the bitmap and placed over the bounds, or null.
  std::unique_ptr<CPathObject> TraceImage(CViewServices* view, int option);
  // A new path of grey-level bars over the bounds, or null.
  std::unique_ptr<CPathObject> MakeImageBars();

  int FileType() const;
  plat::HBITMAP GetCachedBitmap() const { return bitmap_; }

  std::string fileName;

 private:
  void DrawImage(plat::DC* dc, const CMatrix3* matrix);
  plat::HBITMAP bitmap_ = nullptr;
};

// Bar settings (profile section "IMAGE").
struct ImageBarSettings {
  float barHeight = 7.0f;  // "BarHeight"
  int minPercent = 15;     // "BarMinHeight"
  int maxPercent = 85;     // "BarMaxHeight"
  int grayThreshold = 3;   // "GrayThreshold"
  static ImageBarSettings Load();
};

// Bars of 8-bit top-down rows (grey = the palette entry's luminance) over
// the rectangle; null for H <= 0, no bar row or no pixels.
std::unique_ptr<CPathObject> MakeGreyBars(const std::uint8_t* rows, std::size_t stride,
                                          std::int32_t width, std::int32_t height,
                                          const std::uint32_t* palette, std::size_t paletteSize,
                                          const CFRect& rect, const ImageBarSettings& settings);
