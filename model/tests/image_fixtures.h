// Small BMP and TIFF files written by the tests themselves: every depth and
// layout the readers take, and the ones they refuse.
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/bytes.h"

using ImageBytes = std::vector<std::uint8_t>;

struct BmpLayout {
  int width = 4;
  int height = 3;
  int bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> masks;    // written with compression 3
  bool topDown = false;
  // Index (<= 8 bits), raw 16-bit value or 0x00RRGGBB (24 bits) at (x, y), y = 0 the top row.
  std::function<std::uint32_t(int, int)> value = [](int x, int y) { return std::uint32_t(x + 4 * y); };
};

inline void PutLe(ImageBytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

inline std::size_t FixtureStride(int width, int bits) { return std::size_t((width * bits + 31) / 32 * 4); }

// Packs one row of values into bytes, most significant bits first.
inline void PackRow(std::uint8_t* dst, int width, int bits, const std::function<std::uint32_t(int)>& v) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t value = v(x);
    switch (bits) {
      case 1: dst[x / 8] |= std::uint8_t((value & 1) << (7 - x % 8)); break;
      case 4: dst[x / 2] |= std::uint8_t((value & 15) << (x % 2 ? 0 : 4)); break;
      case 8: dst[x] = std::uint8_t(value); break;
      case 16: plat::PutU16(dst + 2 * x, std::uint16_t(value)); break;
      case 24:
        dst[3 * x] = std::uint8_t(value);
        dst[3 * x + 1] = std::uint8_t(value >> 8);
        dst[3 * x + 2] = std::uint8_t(value >> 16);
        break;
      default: break;
    }
  }
}

inline ImageBytes MakeBmp(const BmpLayout& s) {
  const std::size_t stride = FixtureStride(s.width, s.bits);
  std::uint32_t entries = 0;
  if (s.bits <= 8) entries = s.colorsUsed ? s.colorsUsed : (1u << s.bits);
  const bool loneMasks = s.compression == 3 && s.headerSize == 40;
  const std::uint32_t offBits = 14 + s.headerSize + (loneMasks ? 12 : 0) + 4 * entries;
  const std::uint32_t fileSize = offBits + std::uint32_t(stride * s.height);
  ImageBytes b;
  PutLe(b, 0x4D42, 2);
  PutLe(b, fileSize, 4);
  PutLe(b, 0, 4);
  PutLe(b, offBits, 4);
  PutLe(b, s.headerSize, 4);
  PutLe(b, std::uint32_t(s.width), 4);
  PutLe(b, std::uint32_t(s.topDown ? -s.height : s.height), 4);
  PutLe(b, 1, 2);
  PutLe(b, std::uint32_t(s.bits), 2);
  PutLe(b, s.compression, 4);
  PutLe(b, std::uint32_t(stride * s.height), 4);
  PutLe(b, 2835, 4);
  PutLe(b, 2836, 4);
  PutLe(b, s.colorsUsed, 4);
  PutLe(b, 0, 4);
  if (s.compression == 3)
    for (std::uint32_t m : s.masks) PutLe(b, m, 4);
  b.resize(14 + s.headerSize + (loneMasks ? 12 : 0), 0);
  for (std::uint32_t i = 0; i < entries; ++i)
    PutLe(b, i < s.palette.size() ? s.palette[i] : 0, 4);
  ImageBytes rows(stride * std::size_t(s.height), 0);
  for (int y = 0; y < s.height; ++y) {
    const int fileRow = s.topDown ? y : s.height - 1 - y;
    PackRow(rows.data() + std::size_t(fileRow) * stride, s.width, s.bits,
            [&](int x) { return s.value(x, y); });
  }
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

struct TiffLayout {
  bool bigEndian = false;
  int width = 5;
  int height = 4;
  int bits = 8;
  int rowsPerStrip = 0;      // 0: one strip
  bool shortValues = true;   // SHORT or LONG sizes, offsets and counts
  int photometric = 1;       // -1: no entry
  std::vector<std::uint32_t> colorMap;  // 0x00RRGGBB, written as 16-bit values
  int compression = 1;
  int samples = 1;
  int extraEntries = 0;
  std::function<std::uint32_t(int, int)> index = [](int x, int y) { return std::uint32_t(x + 5 * y); };
};

inline ImageBytes MakeTiff(const TiffLayout& s) {
  const bool be = s.bigEndian;
  const auto put = [be](ImageBytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * (be ? n - 1 - i : i))));
  };
  const auto patch = [be](ImageBytes& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * (be ? n - 1 - i : i)));
  };
  const int rowBytes = (s.width * s.bits + 7) / 8;
  const int perStrip = s.rowsPerStrip > 0 ? s.rowsPerStrip : s.height;
  const int strips = (s.height + perStrip - 1) / perStrip;
  ImageBytes b;
  put(b, be ? 0x4D4D : 0x4949, 2);
  if (be) std::swap(b[0], b[1]);
  put(b, 42, 2);
  put(b, 0, 4);  // IFD offset, patched
  std::vector<std::uint32_t> offsets, counts;
  for (int st = 0; st < strips; ++st) {
    const int first = st * perStrip, rows = std::min(perStrip, s.height - first);
    offsets.push_back(std::uint32_t(b.size()));
    counts.push_back(std::uint32_t(rows * rowBytes));
    for (int r = 0; r < rows; ++r) {
      ImageBytes row(std::size_t(rowBytes), 0);
      PackRow(row.data(), s.width, s.bits, [&](int x) { return s.index(x, first + r); });
      b.insert(b.end(), row.begin(), row.end());
    }
    b.push_back(0xAB);  // a gap between strips
  }
  std::uint32_t mapAt = 0;
  if (!s.colorMap.empty()) {
    mapAt = std::uint32_t(b.size());
    for (int ch = 2; ch >= 0; --ch)
      for (std::uint32_t c : s.colorMap) put(b, ((c >> (8 * ch)) & 0xFF) * 257, 2);
  }
  const int valueSize = s.shortValues ? 2 : 4;
  const auto array = [&](const std::vector<std::uint32_t>& v) {
    const std::uint32_t at = std::uint32_t(b.size());
    for (std::uint32_t x : v) put(b, x, valueSize);
    return at;
  };
  const std::uint32_t offsetsAt = array(offsets), countsAt = array(counts);
  if (b.size() % 2) b.push_back(0);
  patch(b, 4, std::uint32_t(b.size()), 4);
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  const std::uint16_t sizeType = s.shortValues ? 3 : 4;
  std::vector<Entry> e = {{256, sizeType, 1, std::uint32_t(s.width)},
                          {257, sizeType, 1, std::uint32_t(s.height)},
                          {258, 3, 1, std::uint32_t(s.bits)},
                          {259, 3, 1, std::uint32_t(s.compression)}};
  if (s.photometric >= 0) e.push_back({262, 3, 1, std::uint32_t(s.photometric)});
  const std::uint32_t n = std::uint32_t(strips);
  const bool inlineArrays = n * std::uint32_t(valueSize) <= 4;
  e.push_back({273, sizeType, n, inlineArrays ? offsets[0] : offsetsAt});
  e.push_back({277, 3, 1, std::uint32_t(s.samples)});
  e.push_back({278, sizeType, 1, std::uint32_t(perStrip)});
  e.push_back({279, sizeType, n, inlineArrays ? counts[0] : countsAt});
  if (!s.colorMap.empty()) e.push_back({320, 3, std::uint32_t(3 * s.colorMap.size()), mapAt});
  for (int i = 0; i < s.extraEntries; ++i) e.push_back({std::uint16_t(400 + i), 3, 1, 0});
  put(b, std::uint32_t(e.size()), 2);
  for (const Entry& x : e) {
    put(b, x.tag, 2);
    put(b, x.type, 2);
    put(b, x.count, 4);
    // One short value sits in the first two bytes of the field.
    if (x.type == 3 && x.count == 1) {
      put(b, x.value, 2);
      put(b, 0, 2);
    } else if (x.type == 3 && x.count == 2 && inlineArrays) {
      put(b, x.tag == 273 ? offsets[0] : counts[0], 2);
      put(b, x.tag == 273 ? offsets[1] : counts[1], 2);
    } else {
      put(b, x.value, 4);
    }
  }
  put(b, 0, 4);
  return b;
}

// A file of a test folder.
inline std::string WriteImageFile(const std::string& path, const ImageBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}
