#include "platform/dib.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

namespace plat {

namespace {

bool ValidDepth(int b) { return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32; }

// 16-bit pixels are 5-5-5 (bit 15 unused); five bits widen to eight by
// repeating their top bits, so 31 gives 255.
BYTE Widen5(unsigned v) { return BYTE((v << 3) | (v >> 2)); }

template <class T>
T Load(const BYTE* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

COLORREF QuadColor(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// Nearest palette entry (squared distance, first of equals), memoised.
class Nearest {
 public:
  explicit Nearest(const std::vector<RGBQUAD>& pal) : pal_(pal) {}
  int operator()(COLORREF c) {
    auto it = cache_.find(c);
    if (it != cache_.end()) return it->second;
    int best = 0;
    long bestD = -1;
    for (std::size_t i = 0; i < pal_.size(); ++i) {
      const long dr = long(GetRValue(c)) - pal_[i].rgbRed;
      const long dg = long(GetGValue(c)) - pal_[i].rgbGreen;
      const long db = long(GetBValue(c)) - pal_[i].rgbBlue;
      const long d = dr * dr + dg * dg + db * db;
      if (bestD < 0 || d < bestD) {
        bestD = d;
        best = int(i);
      }
    }
    if (cache_.size() < 65536) cache_.emplace(c, best);
    return best;
  }

 private:
  const std::vector<RGBQUAD>& pal_;
  std::unordered_map<COLORREF, int> cache_;
};

}  // namespace

std::size_t DibColorCount(const BITMAPINFOHEADER& h) {
  if (h.biClrUsed != 0) return h.biClrUsed;
  if (h.biBitCount >= 1 && h.biBitCount <= 8) return std::size_t(1) << h.biBitCount;
  return 0;
}

std::size_t DibRowBytes(LONG width, int bitCount) {
  if (width < 0 || width > kMaxSurfaceSide || bitCount <= 0 || bitCount > 32) return 0;
  return ((std::size_t(width) * std::size_t(bitCount) + 31) / 32) * 4;
}

std::optional<DibLayout> CheckPackedDib(const void* data, std::size_t size) {
  if (data == nullptr || size < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  const auto* p = static_cast<const BYTE*>(data);
  DibLayout l;
  std::memcpy(&l.header, p, sizeof l.header);
  const BITMAPINFOHEADER& h = l.header;
  if (h.biSize < 40 || h.biSize > size || h.biSize > 4096) return std::nullopt;
  if (h.biPlanes != 1 || !ValidDepth(h.biBitCount) || h.biCompression != BI_RGB)
    return std::nullopt;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return std::nullopt;
  l.width = h.biWidth;
  l.topDown = h.biHeight < 0;
  l.height = l.topDown ? -h.biHeight : h.biHeight;
  if (l.width > kMaxSurfaceSide || l.height > kMaxSurfaceSide ||
      std::int64_t(l.width) * l.height > kMaxSurfacePixels)
    return std::nullopt;
  l.colorCount = DibColorCount(h);
  if (h.biBitCount <= 8 && l.colorCount > (std::size_t(1) << h.biBitCount)) return std::nullopt;
  if (l.colorCount > 256) return std::nullopt;
  l.colorOffset = h.biSize;
  l.bitsOffset = l.colorOffset + 4 * l.colorCount;
  l.rowBytes = DibRowBytes(l.width, h.biBitCount);
  const std::size_t need = l.rowBytes * std::size_t(l.height);
  if (l.bitsOffset > size || size - l.bitsOffset < need) return std::nullopt;
  return l;
}

std::vector<RGBQUAD> Dib::DefaultPalette(int bitCount) {
  std::vector<RGBQUAD> p;
  auto q = [](int r, int g, int b) {
    return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0};
  };
  if (bitCount == 1) {
    p = {q(0, 0, 0), q(255, 255, 255)};
  } else if (bitCount == 4) {
    p = {q(0, 0, 0),       q(128, 0, 0),   q(0, 128, 0),   q(128, 128, 0),
         q(0, 0, 128),     q(128, 0, 128), q(0, 128, 128), q(192, 192, 192),
         q(128, 128, 128), q(255, 0, 0),   q(0, 255, 0),   q(255, 255, 0),
         q(0, 0, 255),     q(255, 0, 255), q(0, 255, 255), q(255, 255, 255)};
  } else if (bitCount == 8) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) p.push_back(q(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i) {
      const int v = (i + 1) * 255 / 41;
      p.push_back(q(v, v, v));
    }
  }
  return p;
}

std::optional<Dib> Dib::Create(LONG w, LONG h, int bitCount, const std::vector<RGBQUAD>& palette) {
  if (!ValidDepth(bitCount) || w <= 0 || h <= 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide ||
      std::int64_t(w) * h > kMaxSurfacePixels)
    return std::nullopt;
  BITMAPINFOHEADER hd;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biBitCount = WORD(bitCount);
  const std::size_t colors = bitCount <= 8 ? (std::size_t(1) << bitCount) : 0;
  const std::size_t rb = DibRowBytes(w, bitCount);
  hd.biSizeImage = DWORD(rb * std::size_t(h));
  Dib d;
  try {
    d.bytes_.assign(40 + 4 * colors + rb * std::size_t(h), 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::memcpy(d.bytes_.data(), &hd, 40);
  const std::vector<RGBQUAD> table = palette.empty() ? DefaultPalette(bitCount) : palette;
  for (std::size_t i = 0; i < colors && i < table.size(); ++i)
    std::memcpy(d.bytes_.data() + 40 + 4 * i, &table[i], 4);
  d.bitsOffset_ = 40 + 4 * colors;
  return d;
}

std::optional<Dib> Dib::FromPacked(const void* data, std::size_t size) {
  const std::optional<DibLayout> l = CheckPackedDib(data, size);
  if (!l) return std::nullopt;
  const auto* p = static_cast<const BYTE*>(data);
  BITMAPINFOHEADER hd = l->header;
  hd.biSize = 40;
  hd.biHeight = l->height;
  Dib d;
  const std::size_t bitsBytes = l->rowBytes * std::size_t(l->height);
  try {
    d.bytes_.assign(40 + 4 * l->colorCount + bitsBytes, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::memcpy(d.bytes_.data(), &hd, 40);
  std::memcpy(d.bytes_.data() + 40, p + l->colorOffset, 4 * l->colorCount);
  d.bitsOffset_ = 40 + 4 * l->colorCount;
  for (LONG y = 0; y < l->height; ++y) {
    const LONG sy = l->topDown ? l->height - 1 - y : y;
    std::memcpy(d.bytes_.data() + d.bitsOffset_ + l->rowBytes * std::size_t(y),
                p + l->bitsOffset + l->rowBytes * std::size_t(sy), l->rowBytes);
  }
  return d;
}

std::optional<Dib> Dib::FromGlobal(HGLOBAL h) {
  GlobalLockGuard lock(h);
  if (!lock) return std::nullopt;
  return FromPacked(lock.bytes(), lock.size());
}

std::optional<Dib> Dib::FromBitmap(HBITMAP bmp, int bitCount, const std::vector<RGBQUAD>& palette) {
  if (!IsGdiObject(bmp) || bmp->kind() != GdiKind::Bitmap) return std::nullopt;
  const Surface& s = bmp->surface();
  std::vector<RGBQUAD> pal = palette.empty() ? DefaultPalette(bitCount) : palette;
  std::optional<Dib> d = Create(s.width(), s.height(), bitCount, pal);
  if (!d) return std::nullopt;
  if (bitCount <= 8 && pal.size() > (std::size_t(1) << bitCount)) pal.resize(std::size_t(1) << bitCount);
  Nearest nearest(pal);
  // Row by row, each pixel as SetIndex / SetPixel store it; a colour like the
  // one before keeps its index.
  const LONG w = s.width(), h = s.height();
  const std::size_t stride = d->rowBytes();
  std::uint32_t last = s.row(0)[0];
  int lastIndex = bitCount <= 8 ? nearest(ColorFromPixel(last)) : 0;
  auto index = [&](std::uint32_t px) {
    if (px != last) {
      last = px;
      lastIndex = nearest(ColorFromPixel(px));
    }
    return lastIndex;
  };
  for (LONG y = 0; y < h; ++y) {
    const std::uint32_t* r = s.row(y);
    BYTE* out = d->bits() + stride * std::size_t(h - 1 - y);
    switch (bitCount) {
      case 1:
        for (LONG x = 0; x < w; x += 8) {
          unsigned byte = 0;
          for (LONG k = 0; k < 8 && x + k < w; ++k) byte |= unsigned(index(r[x + k]) != 0) << (7 - k);
          out[x >> 3] = BYTE(byte);
        }
        break;
      case 4:
        for (LONG x = 0; x < w; ++x) out[x >> 1] = BYTE(out[x >> 1] | (index(r[x]) << ((x & 1) ? 0 : 4)));
        break;
      case 8:
        for (LONG x = 0; x < w; ++x) out[x] = BYTE(index(r[x]));
        break;
      case 16:
        for (LONG x = 0; x < w; ++x) {
          const COLORREF c = ColorFromPixel(r[x]);
          const unsigned v = unsigned(GetRValue(c) >> 3) << 10 | unsigned(GetGValue(c) >> 3) << 5 |
                             unsigned(GetBValue(c) >> 3);
          out[2 * x] = BYTE(v & 0xFF);
          out[2 * x + 1] = BYTE(v >> 8);
        }
        break;
      default: {
        const std::size_t step = std::size_t(bitCount / 8);
        for (LONG x = 0; x < w; ++x) {
          const COLORREF c = ColorFromPixel(r[x]);
          BYTE* px = out + std::size_t(x) * step;
          px[0] = GetBValue(c);
          px[1] = GetGValue(c);
          px[2] = GetRValue(c);
          if (step == 4) px[3] = 0;
        }
      }
    }
  }
  return d;
}

const BITMAPINFOHEADER& Dib::header() const {
  static const BITMAPINFOHEADER none{};
  if (bytes_.size() < 40) return none;
  return *reinterpret_cast<const BITMAPINFOHEADER*>(bytes_.data());
}
LONG Dib::width() const { return empty() ? 0 : header().biWidth; }
LONG Dib::height() const { return empty() ? 0 : header().biHeight; }
int Dib::bitCount() const { return empty() ? 0 : header().biBitCount; }
std::size_t Dib::rowBytes() const { return DibRowBytes(width(), bitCount()); }
BYTE* Dib::bits() { return empty() ? nullptr : bytes_.data() + bitsOffset_; }
const BYTE* Dib::bits() const { return empty() ? nullptr : bytes_.data() + bitsOffset_; }

std::vector<RGBQUAD> Dib::palette() const {
  std::vector<RGBQUAD> p;
  if (empty()) return p;
  const std::size_t n = (bitsOffset_ - 40) / 4;
  p.resize(n);
  if (n > 0) std::memcpy(p.data(), bytes_.data() + 40, 4 * n);
  return p;
}

int Dib::GetIndex(LONG x, LONG y) const {
  const int b = bitCount();
  if (b == 0 || b > 8 || x < 0 || y < 0 || x >= width() || y >= height()) return -1;
  const BYTE* row = bits() + rowBytes() * std::size_t(height() - 1 - y);
  switch (b) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

bool Dib::SetIndex(LONG x, LONG y, int index) {
  const int b = bitCount();
  if (b == 0 || b > 8 || x < 0 || y < 0 || x >= width() || y >= height()) return false;
  if (index < 0 || index >= (1 << b)) return false;
  BYTE* row = bits() + rowBytes() * std::size_t(height() - 1 - y);
  switch (b) {
    case 1: {
      const BYTE m = BYTE(0x80 >> (x & 7));
      row[x >> 3] = BYTE(index ? (row[x >> 3] | m) : (row[x >> 3] & ~m));
      break;
    }
    case 4:
      if (x & 1)
        row[x >> 1] = BYTE((row[x >> 1] & 0xF0) | index);
      else
        row[x >> 1] = BYTE((row[x >> 1] & 0x0F) | (index << 4));
      break;
    default: row[x] = BYTE(index); break;
  }
  return true;
}

COLORREF Dib::GetPixel(LONG x, LONG y) const {
  const int b = bitCount();
  if (b == 0 || x < 0 || y < 0 || x >= width() || y >= height()) return CLR_INVALID;
  if (b <= 8) {
    const int i = GetIndex(x, y);
    const std::size_t n = (bitsOffset_ - 40) / 4;
    if (i < 0 || std::size_t(i) >= n) return RGB(0, 0, 0);
    RGBQUAD q;
    std::memcpy(&q, bytes_.data() + 40 + 4 * std::size_t(i), 4);
    return QuadColor(q);
  }
  const BYTE* row = bits() + rowBytes() * std::size_t(height() - 1 - y);
  const BYTE* px = row + std::size_t(x) * std::size_t(b / 8);
  if (b == 16) {
    const unsigned v = unsigned(px[0]) | unsigned(px[1]) << 8;
    return RGB(Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31));
  }
  return RGB(px[2], px[1], px[0]);
}

bool Dib::SetPixel(LONG x, LONG y, COLORREF c) {
  const int b = bitCount();
  if (b == 0 || x < 0 || y < 0 || x >= width() || y >= height()) return false;
  if (b <= 8) {
    const std::vector<RGBQUAD> pal = palette();
    if (pal.empty()) return SetIndex(x, y, 0);
    Nearest n(pal);
    return SetIndex(x, y, n(c));
  }
  BYTE* row = bits() + rowBytes() * std::size_t(height() - 1 - y);
  BYTE* px = row + std::size_t(x) * std::size_t(b / 8);
  if (b == 16) {
    const unsigned v = unsigned(GetRValue(c) >> 3) << 10 | unsigned(GetGValue(c) >> 3) << 5 |
                       unsigned(GetBValue(c) >> 3);
    px[0] = BYTE(v & 0xFF);
    px[1] = BYTE(v >> 8);
    return true;
  }
  px[0] = GetBValue(c);
  px[1] = GetGValue(c);
  px[2] = GetRValue(c);
  if (b == 32) px[3] = 0;
  return true;
}

std::optional<Dib> Dib::ConvertTo(int bitCount, const std::vector<RGBQUAD>& palette) const {
  if (empty()) return std::nullopt;
  std::vector<RGBQUAD> pal = palette.empty() ? DefaultPalette(bitCount) : palette;
  std::optional<Dib> d = Create(width(), height(), bitCount, pal);
  if (!d) return std::nullopt;
  if (bitCount <= 8 && pal.size() > (std::size_t(1) << bitCount)) pal.resize(std::size_t(1) << bitCount);
  Nearest nearest(pal);
  for (LONG y = 0; y < height(); ++y)
    for (LONG x = 0; x < width(); ++x) {
      const COLORREF c = GetPixel(x, y);
      if (bitCount <= 8)
        d->SetIndex(x, y, nearest(c));
      else
        d->SetPixel(x, y, c);
    }
  return d;
}

HBITMAP Dib::CreateBitmap() const {
  if (empty()) return nullptr;
  const int b = bitCount();
  bool mono = false;
  if (b == 1) {
    const std::vector<RGBQUAD> p = palette();
    mono = p.size() == 2 && QuadColor(p[0]) == RGB(0, 0, 0) && QuadColor(p[1]) == RGB(255, 255, 255);
  }
  const LONG w = width(), h = height();
  HBITMAP bmp = plat::CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
  if (bmp == nullptr) return nullptr;
  Surface& s = bmp->surface();
  // Row by row, as GetPixel gives each pixel: an index beyond the palette is black.
  std::uint32_t lut[256];
  if (b <= 8) {
    const std::size_t n = std::min<std::size_t>((bitsOffset_ - 40) / 4, 256);
    std::fill(std::begin(lut), std::end(lut), PixelFromColor(RGB(0, 0, 0)));
    for (std::size_t i = 0; i < n; ++i) {
      RGBQUAD q;
      std::memcpy(&q, bytes_.data() + 40 + 4 * i, 4);
      lut[i] = PixelFromColor(QuadColor(q));
    }
  }
  const std::size_t stride = rowBytes();
  for (LONG y = 0; y < h; ++y) {
    const BYTE* row = bits() + stride * std::size_t(h - 1 - y);
    std::uint32_t* r = s.row(y);
    switch (b) {
      case 1:
        for (LONG x = 0; x < w; ++x) r[x] = lut[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (LONG x = 0; x < w; ++x) r[x] = lut[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
        break;
      case 8:
        for (LONG x = 0; x < w; ++x) r[x] = lut[row[x]];
        break;
      case 16:
        for (LONG x = 0; x < w; ++x) {
          const unsigned v = unsigned(row[2 * x]) | unsigned(row[2 * x + 1]) << 8;
          r[x] = PixelFromColor(RGB(Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31)));
        }
        break;
      default: {
        const std::size_t step = std::size_t(b / 8);
        for (LONG x = 0; x < w; ++x) {
          const BYTE* px = row + std::size_t(x) * step;
          r[x] = PixelFromColor(RGB(px[2], px[1], px[0]));
        }
      }
    }
  }
  return bmp;
}

HGLOBAL Dib::ToGlobal() const {
  if (empty()) return 0;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
  if (h == 0) return 0;
  {
    GlobalLockGuard lock(h);
    if (lock) std::memcpy(lock.bytes(), bytes_.data(), bytes_.size());
  }
  return h;
}

// ---------------------------------------------------------------- entry points

namespace {
// Header + table of `info` and the rows at `bits` as one packed block.
std::optional<Dib> PackedFrom(const BITMAPINFO* info, const void* bits, std::size_t bitsSize) {
  if (info == nullptr || bits == nullptr) return std::nullopt;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40 || h.biSize > 4096) return std::nullopt;
  BITMAPINFOHEADER hd = h;
  hd.biSize = 40;
  // The table is read from the caller's block, whose size is not known: at most
  // 2^depth entries for indexed depths (the most a caller provides), none for
  // the others, which do not use it.
  std::size_t colors = 0;
  if (hd.biBitCount >= 1 && hd.biBitCount <= 8)
    colors = std::min(DibColorCount(hd), std::size_t(1) << hd.biBitCount);
  hd.biClrUsed = DWORD(colors);
  const std::size_t rb = DibRowBytes(hd.biWidth, hd.biBitCount);
  const std::int64_t rows = hd.biHeight < 0 ? -std::int64_t(hd.biHeight) : hd.biHeight;
  if (rb == 0 || rows <= 0 || rows > kMaxSurfaceSide) return std::nullopt;
  const std::size_t need = rb * std::size_t(rows);
  if (bitsSize < need) return std::nullopt;
  std::vector<BYTE> buf;
  try {
    buf.resize(40 + 4 * colors + need);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::memcpy(buf.data(), &hd, 40);
  const auto* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
  std::memcpy(buf.data() + 40, table, 4 * colors);
  std::memcpy(buf.data() + 40 + 4 * colors, bits, need);
  return Dib::FromPacked(buf.data(), buf.size());
}

bool MonoTarget(HDC dc) {
  return dc != nullptr && dc->IsMemoryDC() && dc->GetCurrentBitmap() != nullptr &&
         dc->GetCurrentBitmap()->surface().mono();
}
}  // namespace

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       std::size_t bitsSize, const BITMAPINFO* info, UINT usage) {
  if (header == nullptr || usage != DIB_RGB_COLORS) return nullptr;
  const LONG w = header->biWidth;
  const LONG h = header->biHeight < 0 ? (header->biHeight == INT32_MIN ? -1 : -header->biHeight)
                                      : header->biHeight;
  if (w < 0 || h < 0) return nullptr;
  const bool mono = MonoTarget(dc);
  if ((init & CBM_INIT) == 0) return CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
  std::optional<Dib> d = PackedFrom(info, bits, bitsSize);
  if (!d || d->width() != w || d->height() != h) return nullptr;
  HBITMAP bmp = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
  if (bmp == nullptr) return nullptr;
  Surface& s = bmp->surface();
  for (LONG y = 0; y < h; ++y) {
    std::uint32_t* r = s.row(y);
    for (LONG x = 0; x < w; ++x) {
      const COLORREF c = d->GetPixel(x, y);
      r[x] = mono ? (c == RGB(0, 0, 0) ? 0 : 0xFFFFFF) : PixelFromColor(c);
    }
  }
  return bmp;
}

int GetDIBits(HDC, HBITMAP bmp, UINT start, UINT lines, void* bits, std::size_t bitsSize,
              BITMAPINFO* info, UINT usage) {
  if (info == nullptr || usage != DIB_RGB_COLORS) return 0;
  if (!IsGdiObject(bmp) || bmp->kind() != GdiKind::Bitmap) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40) return 0;
  const LONG w = bmp->width(), ht = bmp->height();
  if (bits == nullptr) {
    if (h.biBitCount == 0) {
      h.biBitCount = WORD(bmp->bitsPixel());
      h.biPlanes = 1;
      h.biCompression = BI_RGB;
      h.biClrUsed = 0;
    }
    if (!ValidDepth(h.biBitCount)) return 0;
    h.biWidth = w;
    h.biHeight = h.biHeight < 0 ? -ht : ht;
    h.biSizeImage = DWORD(DibRowBytes(w, h.biBitCount) * std::size_t(ht));
    return ht > 0 ? ht : 1;
  }
  if (!ValidDepth(h.biBitCount) || h.biCompression != BI_RGB || w <= 0 || ht <= 0) return 0;
  const bool topDown = h.biHeight < 0;
  std::optional<Dib> d = Dib::FromBitmap(bmp, h.biBitCount);
  if (!d) return 0;
  h.biWidth = w;
  h.biHeight = topDown ? -ht : ht;
  h.biPlanes = 1;
  h.biSizeImage = DWORD(d->rowBytes() * std::size_t(ht));
  if (h.biBitCount <= 8) {
    const std::vector<RGBQUAD> pal = d->palette();
    std::memcpy(info->bmiColors, pal.data(), 4 * pal.size());
    h.biClrUsed = 0;
  }
  if (start >= UINT(ht)) return 0;
  const UINT n = std::min<UINT>(lines, UINT(ht) - start);
  const std::size_t rb = d->rowBytes();
  auto* out = static_cast<BYTE*>(bits);
  UINT copied = 0;
  for (UINT i = 0; i < n; ++i) {
    if ((std::size_t(i) + 1) * rb > bitsSize) break;
    // line start + i counted from the bottom (or from the top for top-down)
    const std::size_t bottomIndex = topDown ? std::size_t(ht) - 1 - (start + i) : start + i;
    std::memcpy(out + std::size_t(i) * rb, d->bits() + bottomIndex * rb, rb);
    ++copied;
  }
  return int(copied);
}

int StretchDIBits(HDC dc, LONG x, LONG y, LONG w, LONG h, LONG xs, LONG ys, LONG ws, LONG hs,
                  const void* bits, std::size_t bitsSize, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
  if (dc == nullptr || usage != DIB_RGB_COLORS) return 0;
  std::optional<Dib> d = PackedFrom(info, bits, bitsSize);
  if (!d) return 0;
  HBITMAP bmp = d->CreateBitmap();
  if (bmp == nullptr) return 0;
  int result = 0;
  {
    DC mem;
    mem.SelectObject(bmp);
    // the source rectangle is given from the image's bottom row
    const std::int64_t top = std::int64_t(d->height()) - std::int64_t(ys) - hs;
    if (top >= INT32_MIN && top <= INT32_MAX &&
        dc->StretchBlt(x, y, w, h, &mem, xs, LONG(top), ws, hs, rop))
      result = hs < 0 ? -hs : hs;
  }
  DeleteObject(bmp);
  return result;
}

}  // namespace plat
