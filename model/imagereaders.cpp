#include "model/imagereaders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/bytes.h"
#include "platform/report.h"

namespace {

// One opening of a file for bounded reads.
class ImageFile {
 public:
  explicit ImageFile(const std::string& path) : f_(std::fopen(path.c_str(), "rb")) {
    if (!f_) return;
    if (std::fseek(f_, 0, SEEK_END) == 0) {
      const long n = std::ftell(f_);
      size_ = n > 0 ? std::uint64_t(n) : 0;
    }
  }
  ~ImageFile() {
    if (f_) std::fclose(f_);
  }
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;
  bool ok() const { return f_ != nullptr; }
  std::uint64_t size() const { return size_; }
  // Exactly n bytes at the offset, which must lie inside the file.
  bool Read(std::uint64_t offset, void* buf, std::size_t n) {
    if (!f_ || offset > size_ || n > size_ - offset) return false;
    if (n == 0) return true;
    if (std::fseek(f_, long(offset), SEEK_SET) != 0) return false;
    return std::fread(buf, 1, n, f_) == n;
  }
  // Up to n bytes at the offset (zero-filled beyond the file); the count read.
  std::size_t ReadSome(std::uint64_t offset, void* buf, std::size_t n) {
    std::memset(buf, 0, n);
    if (!f_ || offset >= size_) return 0;
    const std::size_t want = std::size_t(std::min<std::uint64_t>(n, size_ - offset));
    return Read(offset, buf, want) ? want : 0;
  }

 private:
  std::FILE* f_;
  std::uint64_t size_ = 0;
};

std::string Format(const char* fmt, const std::string& arg) {
  std::vector<char> buf(std::strlen(fmt) + arg.size() + 16);
  std::snprintf(buf.data(), buf.size(), fmt, arg.c_str());
  return buf.data();
}

// The rows of an image into a movable block, bottom row first or top row first.
plat::HGLOBAL RowsToBlock(const ImagePixels& px, bool topDown) {
  const std::size_t total = px.stride * std::size_t(px.height);
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, total);
  if (!h) return 0;
  plat::GlobalLockGuard g(h);
  if (px.topFirst == topDown) {
    std::memcpy(g.bytes(), px.rows.data(), total);
  } else {
    for (std::int32_t y = 0; y < px.height; ++y)
      std::memcpy(g.bytes() + std::size_t(y) * px.stride,
                  px.rows.data() + std::size_t(px.height - 1 - y) * px.stride, px.stride);
  }
  return h;
}

plat::HGLOBAL PaletteToBlock(const std::vector<std::uint32_t>& palette) {
  if (palette.empty()) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, palette.size() * 4);
  if (!h) return 0;
  plat::GlobalLockGuard g(h);
  for (std::size_t i = 0; i < palette.size(); ++i) plat::PutU32(g.bytes() + 4 * i, palette[i]);
  return h;
}

// Shift and width of a colour mask, for scaling its value to 8 bits.
struct MaskChannel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;
  explicit MaskChannel(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    max = m >> shift;
  }
  std::uint32_t Get(std::uint32_t v) const {
    if (!max) return 0;
    return (((v & mask) >> shift) * 255 + max / 2) / max;
  }
};

bool ValidBmpDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24;
}

}  // namespace

std::size_t ImageRowBytes(std::uint32_t width, int bitCount) {
  if (bitCount <= 0 || bitCount > 32) return 0;
  return std::size_t((std::uint64_t(width) * std::uint64_t(bitCount) + 7) / 8);
}

std::size_t ImageStride(std::uint32_t width, int bitCount) {
  if (bitCount <= 0 || bitCount > 32) return 0;
  return std::size_t((std::uint64_t(width) * std::uint64_t(bitCount) + 31) / 32 * 4);
}

bool ImageSizeFits(std::int64_t w, std::int64_t h) {
  return w > 0 && h > 0 && w <= plat::kMaxSurfaceSide && h <= plat::kMaxSurfaceSide &&
         w * h <= plat::kMaxSurfacePixels;
}

plat::HBITMAP BitmapFromPixels(const ImagePixels& px, const std::vector<std::uint32_t>& palette) {
  if (!ImageSizeFits(px.width, px.height) ||
      px.rows.size() < px.stride * std::size_t(px.height) ||
      px.stride < ImageRowBytes(std::uint32_t(px.width), px.bitCount))
    return nullptr;
  std::uint32_t table[256] = {};
  if (px.bitCount <= 8)
    std::copy_n(palette.begin(), std::min<std::size_t>(palette.size(), 256), table);
  plat::HBITMAP bmp = plat::CreateBitmap(px.width, px.height, 1, 32, nullptr);
  if (!bmp) return nullptr;
  plat::Surface& s = bmp->surface();
  const MaskChannel r(px.masks[0]), g(px.masks[1]), b(px.masks[2]);
  const std::int32_t w = px.width;
  for (std::int32_t y = 0; y < px.height; ++y) {
    const std::uint8_t* src =
        px.rows.data() + std::size_t(px.topFirst ? y : px.height - 1 - y) * px.stride;
    std::uint32_t* dst = s.row(y);
    switch (px.bitCount) {
      case 1:
        for (std::int32_t x = 0; x < w; ++x) dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (std::int32_t x = 0; x < w; ++x)
          dst[x] = table[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)];
        break;
      case 8:
        for (std::int32_t x = 0; x < w; ++x) dst[x] = table[src[x]];
        break;
      case 16:
        for (std::int32_t x = 0; x < w; ++x) {
          const std::uint32_t v = plat::GetU16(src + 2 * x);
          dst[x] = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
        }
        break;
      case 24:
        for (std::int32_t x = 0; x < w; ++x) {
          const std::uint8_t* p = src + 3 * x;
          dst[x] = (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
        }
        break;
      default:
        plat::DeleteObject(bmp);
        return nullptr;
    }
  }
  return bmp;
}

// --- BMP ----------------------------------------------------------------------------

CBmpReader::CBmpReader(std::string path) : path_(std::move(path)) {}

int CBmpReader::ReadHeader() {
  headerRead_ = false;
  ImageFile f(path_);
  if (!f.ok()) return 0;
  fileSize_ = f.size();
  std::uint8_t h[14 + 56];
  const std::size_t got = f.ReadSome(0, h, sizeof h);
  type_ = plat::GetU16(h);
  declaredSize_ = plat::GetU32(h + 2);
  dataOffset_ = plat::GetU32(h + 10);
  headerSize_ = plat::GetU32(h + 14);
  width_ = std::int32_t(plat::GetU32(h + 18));
  height_ = std::int32_t(plat::GetU32(h + 22));
  planes_ = plat::GetU16(h + 26);
  bitCount_ = plat::GetU16(h + 28);
  compression_ = plat::GetU32(h + 30);
  sizeImage_ = plat::GetU32(h + 34);
  xRes_ = std::int32_t(plat::GetU32(h + 38));
  yRes_ = std::int32_t(plat::GetU32(h + 42));
  colorsUsed_ = plat::GetU32(h + 46);
  colorsImportant_ = plat::GetU32(h + 50);
  masks_[0] = 0x7C00;
  masks_[1] = 0x03E0;
  masks_[2] = 0x001F;
  tableOffset_ = 14 + std::uint64_t(headerSize_);
  if (got < 54 || headerSize_ < 40 || tableOffset_ > fileSize_) return 0;
  if (compression_ == 3) {
    // Bit fields: inside a larger header, else right after the 40 bytes.
    if (got < 66) return 0;
    for (int i = 0; i < 3; ++i) masks_[i] = plat::GetU32(h + 54 + 4 * i);
    if (headerSize_ == 40) tableOffset_ += 12;
  }
  headerRead_ = true;
  return 1;
}

bool CBmpReader::CheckFile(fw::CWnd* parent) {
  {
    ImageFile f(path_);
    if (!f.ok()) {
      if (parent) plat::MessageBox(Format(kImageOpenFailed, path_), kImageErrorCaption, plat::MB_OK);
      return false;
    }
  }
  if (!headerRead_) ReadHeader();
  std::string text;
  if (type_ != 0x4D42 || !headerRead_) text += "\r\n非法BitMap格式文件!";
  if (compression_ == 1 || compression_ == 2)
    text += "\r\n该文件BitMap为压缩格式,不能处理!";
  else if (compression_ > 3)
    text += "\r\n该文件BitMap为JPEG压缩格式,不能处理!";
  if (!ValidBmpDepth(bitCount_)) {
    const unsigned long long colors = bitCount_ < 64 ? 1ull << bitCount_ : 0ull;
    char buf[96];
    std::snprintf(buf, sizeof buf, "\r\n不能处理%d位%llu色BMP文件!", int(bitCount_), colors);
    text += buf;
  }
  if (text.size() > 2) {
    plat::MessageBox(text, kImageErrorCaption, plat::MB_OK);
    return false;
  }
  return true;
}

std::uint32_t CBmpReader::GetPaletteSize() const {
  if (bitCount_ == 0 || bitCount_ > 8) return 0;
  const std::uint32_t full = 1u << bitCount_;
  return colorsUsed_ > 0 && colorsUsed_ <= full ? colorsUsed_ : full;
}

bool CBmpReader::ReadImage(ImagePixels& out, std::vector<std::uint32_t>& palette) {
  ReadHeader();
  if (!headerRead_ || type_ != 0x4D42 || !ValidBmpDepth(bitCount_) ||
      (compression_ != 0 && !(compression_ == 3 && bitCount_ == 16)))
    return false;
  const std::int64_t w = width_, h = height_ < 0 ? -std::int64_t(height_) : height_;
  if (!ImageSizeFits(w, h)) return false;
  ImageFile f(path_);
  if (!f.ok()) return false;
  palette.clear();
  if (const std::uint32_t n = GetPaletteSize()) {
    std::vector<std::uint8_t> table(std::size_t(n) * 4);
    if (!f.Read(tableOffset_, table.data(), table.size())) return false;
    palette.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) palette[i] = plat::GetU32(&table[4 * i]) & 0xFFFFFF;
  }
  const std::size_t stride = ImageStride(std::uint32_t(w), bitCount_);
  // The rows must be in the file before room is made for them.
  if (dataOffset_ > f.size() || std::uint64_t(stride) * std::uint64_t(h) > f.size() - dataOffset_)
    return false;
  out.width = std::int32_t(w);
  out.height = std::int32_t(h);
  out.bitCount = bitCount_;
  out.stride = stride;
  out.topFirst = height_ < 0;
  if (bitCount_ == 16) std::copy_n(masks_, 3, out.masks);
  out.rows.resize(out.stride * std::size_t(h));
  return f.Read(dataOffset_, out.rows.data(), out.rows.size());
}

plat::HGLOBAL CBmpReader::ReadPalette() {
  if (!headerRead_) ReadHeader();
  const std::uint32_t n = GetPaletteSize();
  if (!headerRead_ || n == 0) return 0;
  ImageFile f(path_);
  std::vector<std::uint8_t> table(std::size_t(n) * 4);
  if (!f.Read(tableOffset_, table.data(), table.size())) return 0;
  std::vector<std::uint32_t> palette(n);
  for (std::uint32_t i = 0; i < n; ++i) palette[i] = plat::GetU32(&table[4 * i]) & 0xFFFFFF;
  return PaletteToBlock(palette);
}

plat::HGLOBAL CBmpReader::ReadPixels(bool topDown) {
  ImagePixels px;
  std::vector<std::uint32_t> palette;
  if (!ReadImage(px, palette)) return 0;
  return RowsToBlock(px, topDown);
}

void CBmpReader::GetImageInfo(ImageInfo& out) const {
  out = ImageInfo{};
  out.fileType = type_;
  out.width = std::uint32_t(width_);
  out.height = std::uint32_t(height_ < 0 ? -std::int64_t(height_) : height_);
  out.dataOffset = dataOffset_;
  out.imageSize = std::uint32_t(std::min<std::uint64_t>(fileSize_, 0xFFFFFFFFu));
  out.planes = planes_;
  out.bitCount = bitCount_;
  out.xResolution = std::uint32_t(xRes_);
  out.yResolution = std::uint32_t(yRes_);
}

plat::HBITMAP CBmpReader::MakeBitmap(fw::CWnd* parent, bool quiet) {
  if (quiet) {
    ReadHeader();
  } else if (!CheckFile(parent)) {
    return nullptr;
  }
  ImagePixels px;
  std::vector<std::uint32_t> palette;
  plat::HBITMAP bmp = ReadImage(px, palette) ? BitmapFromPixels(px, palette) : nullptr;
  if (!bmp && parent && !quiet) plat::MessageBox(kBmpFailed, kBmpFailedCaption, plat::MB_ICONSTOP);
  return bmp;
}

plat::HBITMAP CBmpReader::CreateBitmap(plat::DC*, fw::CWnd* parent) { return MakeBitmap(parent, false); }

plat::HBITMAP CBmpReader::CreateBitmapQuiet() { return MakeBitmap(nullptr, true); }

// --- TIFF ---------------------------------------------------------------------------

namespace {

constexpr std::uint16_t kIntel = 0x4949;     // "II"
constexpr std::uint16_t kMotorola = 0x4D4D;  // "MM"
// Strips of one image are bounded by its rows; this bounds a hostile count.
constexpr std::uint32_t kMaxTiffValues = 1u << 20;

struct TiffOrder {
  bool big = false;
  std::uint16_t U16(const std::uint8_t* p) const {
    return big ? std::uint16_t((p[0] << 8) | p[1]) : plat::GetU16(p);
  }
  std::uint32_t U32(const std::uint8_t* p) const {
    return big ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                     (std::uint32_t(p[2]) << 8) | p[3]
               : plat::GetU32(p);
  }
};

// The values of a directory entry by their type (BYTE, SHORT, LONG); those
// that do not fit the 4-byte field lie at its offset, inside the file.
bool EntryValues(ImageFile& f, const TiffOrder& o, std::uint16_t type, std::uint32_t count,
                 const std::uint8_t* field, std::vector<std::uint32_t>& out) {
  out.clear();
  const std::size_t size = type == 1 ? 1 : type == 3 ? 2 : type == 4 ? 4 : 0;
  if (size == 0 || count == 0 || count > kMaxTiffValues) return false;
  const std::size_t bytes = size * count;
  std::vector<std::uint8_t> local;
  const std::uint8_t* p = field;
  if (bytes > 4) {
    local.resize(bytes);
    if (!f.Read(o.U32(field), local.data(), bytes)) return false;
    p = local.data();
  }
  out.resize(count);
  for (std::uint32_t i = 0; i < count; ++i)
    out[i] = size == 1 ? p[i] : size == 2 ? o.U16(p + 2 * i) : o.U32(p + 4 * i);
  return true;
}

}  // namespace

CTiffReader::CTiffReader(std::string path) : path_(std::move(path)) { ReadHeader(); }

int CTiffReader::ReadHeader() {
  const std::string path = std::move(path_);
  *this = CTiffReader();
  path_ = path;
  ImageFile f(path_);
  if (!f.ok()) return 0;
  fileSize_ = f.size();
  std::uint8_t head[8];
  if (!f.Read(0, head, sizeof head)) return 0;
  byteOrder_ = plat::GetU16(head);
  if (byteOrder_ != kIntel && byteOrder_ != kMotorola) return 0;
  const TiffOrder o{byteOrder_ == kMotorola};
  version_ = o.U16(head + 2);
  ifdOffset_ = o.U32(head + 4);
  std::uint8_t countBytes[2];
  if (!f.Read(ifdOffset_, countBytes, 2)) return 0;
  entryCount_ = o.U16(countBytes);
  // Only the entries the file holds.
  const std::uint64_t room = (fileSize_ - ifdOffset_ - 2) / 12;
  const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(entryCount_, room));
  std::vector<std::uint8_t> dir(std::size_t(n) * 12);
  if (!f.Read(ifdOffset_ + 2, dir.data(), dir.size())) return 0;
  std::vector<std::uint32_t> v;
  // The tags read, each at its first entry only: a directory repeating a
  // tag with a large array cannot make the reading grow with its square.
  static constexpr std::uint16_t kTags[] = {256, 257, 258, 259, 261, 262, 273, 277, 278, 279, 320, 324};
  bool seen[std::size(kTags)] = {};
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint8_t* e = &dir[std::size_t(i) * 12];
    const std::uint16_t tag = o.U16(e), type = o.U16(e + 2);
    const std::uint32_t count = o.U32(e + 4);
    const std::size_t k = std::size_t(std::find(std::begin(kTags), std::end(kTags), tag) - std::begin(kTags));
    if (k == std::size(kTags) || seen[k]) continue;
    seen[k] = true;
    if (tag == 320) {  // the colour map is read where it lies
      colorMapOffset_ = o.U32(e + 8);
      colorMapCount_ = count;
      continue;
    }
    if (!EntryValues(f, o, type, count, e + 8, v)) continue;
    switch (tag) {
      case 256: width_ = v[0]; break;
      case 257: height_ = v[0]; break;
      case 258: bitsPerSample_ = std::uint16_t(std::min<std::uint32_t>(v[0], 0xFFFF)); break;
      case 259: compression_ = std::uint16_t(std::min<std::uint32_t>(v[0], 0xFFFF)); break;
      case 261: tag261_ = std::uint16_t(v[0]); break;
      case 262: photometric_ = std::uint16_t(std::min<std::uint32_t>(v[0], 0xFFFF)); break;
      case 273:
      case 324: stripOffsets_ = v; break;
      case 277: samplesPerPixel_ = std::uint16_t(std::min<std::uint32_t>(v[0], 0xFFFF)); break;
      case 278: rowsPerStrip_ = v[0]; break;
      case 279: stripBytes_ = v; break;
      default: break;
    }
  }
  if (!stripOffsets_.empty()) dataOffset_ = stripOffsets_[0];
  std::uint64_t total = 0;
  for (std::uint32_t b : stripBytes_) total += b;
  dataBytes_ = std::uint32_t(std::min<std::uint64_t>(total, 0xFFFFFFFFu));
  headerOk_ = true;
  return 1;
}

std::string CTiffReader::Refusal() const {
  if (byteOrder_ != kIntel) return "非INTER数据类型TIF文件!";
  if (!headerOk_) return Format(kImageOpenFailed, path_);
  if (entryCount_ > 50) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "文件IFD＝[%d]!", int(entryCount_));
    return buf;
  }
  if (compression_ != 1) return "不能处理压缩格式TIF文件!";
  if (samplesPerPixel_ != 1) return "不能处理多页面式TIF文件!";
  if (bitsPerSample_ != 1 && bitsPerSample_ != 4 && bitsPerSample_ != 8)
    return "不能处理大于256色TIF文件!";
  return {};
}

bool CTiffReader::CheckFile(fw::CWnd* parent) {
  std::string text;
  {
    ImageFile f(path_);
    if (!f.ok()) text = Format(kImageOpenFailed, path_);
  }
  if (text.empty()) {
    ReadHeader();
    text = Refusal();
  }
  if (text.empty()) return true;
  if (parent) plat::MessageBox(text, kImageErrorCaption, plat::MB_ICONSTOP);
  return false;
}

std::uint32_t CTiffReader::GetPaletteSize() const {
  return bitsPerSample_ >= 1 && bitsPerSample_ <= 8 ? 1u << bitsPerSample_ : 0;
}

std::vector<std::uint32_t> CTiffReader::Palette() const {
  const std::uint32_t n = GetPaletteSize();
  std::vector<std::uint32_t> palette(n, 0);
  if (n == 0) return palette;
  const bool useMap = colorMapOffset_ != 0 && colorMapCount_ >= 3 * n &&
                      (bitsPerSample_ > 1 || photometric_ == 3);
  if (useMap) {
    ImageFile f(path_);
    std::vector<std::uint8_t> map(std::size_t(n) * 6);
    if (f.Read(colorMapOffset_, map.data(), map.size())) {
      const TiffOrder o{byteOrder_ == kMotorola};
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t r = o.U16(&map[2 * i]) >> 8;
        const std::uint32_t g = o.U16(&map[2 * (n + i)]) >> 8;
        const std::uint32_t b = o.U16(&map[2 * (2 * n + i)]) >> 8;
        palette[i] = (r << 16) | (g << 8) | b;
      }
      return palette;
    }
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    std::uint32_t grey = i * 255 / (n - 1);
    if (photometric_ == 0) grey = 255 - grey;  // WhiteIsZero
    palette[i] = grey * 0x010101u;
  }
  return palette;
}

plat::HGLOBAL CTiffReader::ReadPalette() {
  if (!headerOk_) return 0;
  return PaletteToBlock(Palette());
}

bool CTiffReader::ReadImage(ImagePixels& out, std::vector<std::uint32_t>& palette) {
  if (!Refusal().empty() || !ImageSizeFits(width_, height_) || stripOffsets_.empty()) return false;
  const std::size_t rowBytes = ImageRowBytes(width_, bitsPerSample_);
  const std::uint32_t perStrip = rowsPerStrip_ == 0 ? height_ : std::min(rowsPerStrip_, height_);
  const std::uint64_t strips = (std::uint64_t(height_) + perStrip - 1) / perStrip;
  if (stripOffsets_.size() < strips || (!stripBytes_.empty() && stripBytes_.size() < strips))
    return false;
  ImageFile f(path_);
  if (!f.ok() || std::uint64_t(rowBytes) * height_ > f.size()) return false;
  out.width = std::int32_t(width_);
  out.height = std::int32_t(height_);
  out.bitCount = bitsPerSample_;
  out.topFirst = true;
  out.stride = ImageStride(width_, bitsPerSample_);
  out.rows.assign(out.stride * std::size_t(height_), 0);
  std::vector<std::uint8_t> strip;
  for (std::uint64_t s = 0; s < strips; ++s) {
    const std::uint32_t first = std::uint32_t(s * perStrip);
    const std::uint32_t rows = std::min(perStrip, height_ - first);
    const std::size_t need = rowBytes * rows;
    if (!stripBytes_.empty() && stripBytes_[s] < need) return false;
    std::uint8_t* dst = out.rows.data() + std::size_t(first) * out.stride;
    if (out.stride == rowBytes) {
      if (!f.Read(stripOffsets_[s], dst, need)) return false;
      continue;
    }
    strip.resize(need);
    if (!f.Read(stripOffsets_[s], strip.data(), need)) return false;
    for (std::uint32_t r = 0; r < rows; ++r)
      std::memcpy(dst + std::size_t(r) * out.stride, strip.data() + std::size_t(r) * rowBytes, rowBytes);
  }
  palette = Palette();
  return true;
}

plat::HGLOBAL CTiffReader::ReadPixels(bool topDown) {
  ImagePixels px;
  std::vector<std::uint32_t> palette;
  if (!ReadImage(px, palette)) return 0;
  return RowsToBlock(px, topDown);
}

void CTiffReader::GetImageInfo(ImageInfo& out) const {
  out = ImageInfo{};
  out.fileType = byteOrder_;
  out.width = width_;
  out.height = height_;
  out.dataOffset = dataOffset_;
  out.imageSize = dataBytes_;
  out.planes = samplesPerPixel_;
  out.bitCount = bitsPerSample_;
  out.compression = compression_;
}

plat::HBITMAP CTiffReader::CreateBitmap(plat::DC*, fw::CWnd* parent) {
  if (!CheckFile(parent)) return nullptr;
  ImagePixels px;
  std::vector<std::uint32_t> palette;
  plat::HBITMAP bmp = ReadImage(px, palette) ? BitmapFromPixels(px, palette) : nullptr;
  if (!bmp && parent)
    plat::MessageBox(Format(kImageOpenFailed, path_), kImageErrorCaption, plat::MB_ICONSTOP);
  return bmp;
}
