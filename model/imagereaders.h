// Readers of linked image files: uncompressed BMP (1, 4, 8, 16 and 24 bits,
// bottom-up or top-down, 16-bit bit fields) and uncompressed single-sample
// TIFF (1, 4 and 8 bits, either byte order in the directory, any number of
// strips). Each checks a file, reads its header, colour table and pixels and
// makes a bitmap of it; every refusal is told to the user. Files are hostile:
// every offset and size is checked against the file, sides are held within
// the platform's surface limits, and each access opens the file anew.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/gmem.h"

namespace fw {
class CWnd;
}

// The header fields of either reader in one 40-byte layout.
#pragma pack(push, 1)
struct ImageInfo {
  std::uint16_t fileType = 0;     // BMP: "BM"; TIFF: the byte order
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t dataOffset = 0;   // pixel data (TIFF: the first strip)
  std::uint32_t imageSize = 0;    // BMP: the file size; TIFF: the image data bytes
  std::uint32_t reserved18 = 0;
  std::uint16_t planes = 0;       // BMP: planes; TIFF: samples per pixel
  std::uint16_t bitCount = 0;
  std::uint16_t compression = 0;  // TIFF only
  std::uint32_t reserved28 = 0;
  std::uint32_t xResolution = 0;  // BMP only
  std::uint32_t yResolution = 0;
};
#pragma pack(pop)
static_assert(sizeof(ImageInfo) == 40);

// Texts of the readers.
inline constexpr char kImageOpenFailed[] = "文件:[%s]打开失败!";
inline constexpr char kImageErrorCaption[] = "错误";
inline constexpr char kBmpFailed[] = "BMP打开失败!!!";
inline constexpr char kBmpFailedCaption[] = "严重错误";

// The pixels of an image as indexes (1, 4, 8 bits) or colours (16, 24 bits),
// rows padded to 4 bytes.
struct ImagePixels {
  std::vector<std::uint8_t> rows;
  bool topFirst = true;  // else the bottom row comes first
  std::size_t stride = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bitCount = 0;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits: red, green, blue
};

class CBmpReader {
 public:
  explicit CBmpReader(std::string path);

  // Reads the file and information headers (and the bit-field masks); 0 when
  // the file is missing or too short for them.
  int ReadHeader();
  // True when the file can be used; refusals are shown.
  bool CheckFile(fw::CWnd* parent);
  // A bitmap of the image, or null (with "BMP打开失败!!!" when given a parent).
  plat::HBITMAP CreateBitmap(plat::DC* dc, fw::CWnd* parent);
  // The same with the screen's DC, showing nothing.
  plat::HBITMAP CreateBitmapQuiet();
  // GetPaletteSize entries of (blue, green, red, 0); 0 for 16 and 24 bits.
  plat::HGLOBAL ReadPalette();
  // Colour-table entries the image uses: the header's count when it is
  // within 2^bits, else 2^bits; 0 above 8 bits.
  std::uint32_t GetPaletteSize() const;
  // The rows padded to 4 bytes, bottom row first; top row first with the flag.
  plat::HGLOBAL ReadPixels(bool topDown = false);
  void GetImageInfo(ImageInfo& out) const;

  // The pixels, checked against the header and the file; false when the
  // image cannot be read.
  bool ReadImage(ImagePixels& out, std::vector<std::uint32_t>& palette);

  const std::string& path() const { return path_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }  // as stored: negative for top-down
  int bitCount() const { return bitCount_; }

 private:
  plat::HBITMAP MakeBitmap(fw::CWnd* parent, bool quiet);

  std::string path_;
  bool headerRead_ = false;
  std::uint64_t fileSize_ = 0;
  // File header.
  std::uint16_t type_ = 0;
  std::uint32_t declaredSize_ = 0;
  std::uint32_t dataOffset_ = 0;
  // Information header.
  std::uint32_t headerSize_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint16_t planes_ = 0;
  std::uint16_t bitCount_ = 0;
  std::uint32_t compression_ = 0;
  std::uint32_t sizeImage_ = 0;
  std::int32_t xRes_ = 0;
  std::int32_t yRes_ = 0;
  std::uint32_t colorsUsed_ = 0;
  std::uint32_t colorsImportant_ = 0;
  std::uint32_t masks_[3] = {0x7C00, 0x03E0, 0x001F};
  std::uint64_t tableOffset_ = 0;
};

class CTiffReader {
 public:
  // Reads the header at once.
  explicit CTiffReader(std::string path);

  // 0 when the file is missing or its header cannot be read.
  int ReadHeader();
  bool CheckFile(fw::CWnd* parent);
  plat::HBITMAP CreateBitmap(plat::DC* dc, fw::CWnd* parent);
  // 2^bits entries (blue, green, red, 0): the colour map, or black and white
  // (1 bit) or a grey ramp (4 and 8 bits), inverted for WhiteIsZero.
  plat::HGLOBAL ReadPalette();
  std::uint32_t GetPaletteSize() const;
  // The rows padded to 4 bytes, bottom row first; top row first with the flag.
  plat::HGLOBAL ReadPixels(bool topDown = false);
  void GetImageInfo(ImageInfo& out) const;

  bool ReadImage(ImagePixels& out, std::vector<std::uint32_t>& palette);

  const std::string& path() const { return path_; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  int bitCount() const { return bitsPerSample_; }
  std::uint16_t photometric() const { return photometric_; }
  std::size_t stripCount() const { return stripOffsets_.size(); }

 private:
  CTiffReader() = default;
  std::vector<std::uint32_t> Palette() const;
  // The first reason the file cannot be used, as told to the user; empty
  // when it can.
  std::string Refusal() const;

  std::string path_;
  bool headerOk_ = false;
  std::uint64_t fileSize_ = 0;
  std::uint16_t byteOrder_ = 0;
  std::uint16_t version_ = 0;
  std::uint32_t ifdOffset_ = 0;
  std::uint16_t entryCount_ = 0;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  std::uint32_t dataOffset_ = 0;
  std::uint32_t dataBytes_ = 0;
  std::uint32_t colorMapOffset_ = 0;
  std::uint32_t colorMapCount_ = 0;
  std::uint16_t samplesPerPixel_ = 1;
  std::uint16_t bitsPerSample_ = 1;
  std::uint16_t compression_ = 1;
  std::uint16_t tag261_ = 0;
  std::uint16_t photometric_ = 1;
  std::uint32_t rowsPerStrip_ = 0xFFFFFFFFu;
  std::vector<std::uint32_t> stripOffsets_;
  std::vector<std::uint32_t> stripBytes_;
};

// Bytes of one row of an image, unpadded / padded to 4; 0 when absurd.
std::size_t ImageRowBytes(std::uint32_t width, int bitCount);
std::size_t ImageStride(std::uint32_t width, int bitCount);
// Whether a size fits the platform's surfaces.
bool ImageSizeFits(std::int64_t width, std::int64_t height);
// A bitmap of indexed or colour rows (top row first) and a palette of
// 0x00RRGGBB entries; null when it cannot be made.
plat::HBITMAP BitmapFromPixels(const ImagePixels& px, const std::vector<std::uint32_t>& palette);
