#include "model/imageobject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/devices.h"
#include "model/filetype.h"
#include "model/geomutil.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/settings.h"
#include "platform/bytes.h"
#include "platform/dib.h"

namespace {

// More bar rows than this is no halftone any more: refused.
constexpr double kMaxBarRows = 65536.0;
// Bar rows times pixel columns: the work and, at worst, the points of the
// path; a larger image or more rows are refused.
constexpr double kMaxBarCells = double(1 << 25);

std::string NameFromField(const std::uint8_t* field, std::size_t n) {
  const auto* end = static_cast<const std::uint8_t*>(std::memchr(field, 0, n));
  return std::string(reinterpret_cast<const char*>(field), end ? std::size_t(end - field) : n);
}

// Stretches the whole bitmap into the rectangle with SRCCOPY.
void StretchInto(plat::DC* dc, plat::HBITMAP bmp, const plat::RECT& r) {
  plat::HDC mem = plat::CreateCompatibleDC(dc);
  if (!mem) return;
  plat::HBITMAP old = mem->SelectObject(bmp);
  if (old)
    dc->StretchBlt(r.left, r.top, r.width(), r.height(), mem, 0, 0, bmp->width(),
                   bmp->height(), plat::SRCCOPY);
  if (old) mem->SelectObject(old);
  plat::DeleteDC(mem);
}

}  // namespace

bool CImageObject::IsStorableName(const std::string& name) {
  return name.size() < IMAGE_NAME_FIELD && name.find('\0') == std::string::npos;
}

CImageObject::CImageObject(const std::string& name) {
  kind = OBJ_IMAGE;
  selected = 0;
  bounds = CFRect();
  if (IsStorableName(name)) fileName = name;
}

CImageObject::CImageObject(const std::uint8_t* record, std::size_t length) : CImageObject() {
  if (!record || length < IMAGE_RECORD_LENGTH) return;
  flags = plat::GetU16(record + 6);
  bounds = CFRect(plat::GetF32(record + 8), plat::GetF32(record + 12), plat::GetF32(record + 16),
                  plat::GetF32(record + 20));
  fileName = NameFromField(record + 24, IMAGE_NAME_FIELD);
}

CImageObject::~CImageObject() {
  if (bitmap_) plat::DeleteObject(bitmap_);
}

std::unique_ptr<CGraphObject> CImageObject::ReadRecord(const std::uint8_t* record,
                                                       std::uint32_t length) {
  // The record has one size; another length is no image record.
  if (!record || length != IMAGE_RECORD_LENGTH || record[0] != REC_IMAGE) return nullptr;
  return std::make_unique<CImageObject>(record, length);
}

std::uint32_t CImageObject::WriteRecord(plat::HGLOBAL* out) {
  if (!out) return 0;
  *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, IMAGE_RECORD_LENGTH + REC_BLOCK_EXTRA);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[5] = OBJ_IMAGE;
    plat::PutU16(p + 6, flags);
    plat::PutF32(p + 8, bounds.left);
    plat::PutF32(p + 12, bounds.top);
    plat::PutF32(p + 16, bounds.right);
    plat::PutF32(p + 20, bounds.bottom);
    std::memcpy(p + 24, fileName.data(), std::min(fileName.size(), IMAGE_NAME_FIELD - 1));
    p[84] = REC_END_BYTE;
    p[85] = REC_AFTER_BYTE;
    p[0] = REC_IMAGE;
    plat::PutU32(p + 1, IMAGE_RECORD_LENGTH);
  }
  *out = h;
  return IMAGE_RECORD_LENGTH;
}

int CImageObject::FileType() const { return GetFileTypeByExtension(fileName); }

// --- Reading the file -------------------------------------------------------------

plat::HBITMAP CImageObject::MakeBitmap(plat::DC*) {
  switch (FileType()) {
    case kImportTif: return CTiffReader(fileName).CreateBitmap(nullptr, nullptr);
    case kImportBmp: return CBmpReader(fileName).CreateBitmapQuiet();
    default: return nullptr;
  }
}

void CImageObject::LoadBitmap(plat::DC* dc) {
  if (bitmap_) plat::DeleteObject(bitmap_);
  bitmap_ = MakeBitmap(dc);
}

int CImageObject::ReadImage(ImageInfo& info) {
  switch (FileType()) {
    case kImportTif: {
      CTiffReader r(fileName);
      r.GetImageInfo(info);
      return r.ReadHeader();
    }
    case kImportBmp: {
      CBmpReader r(fileName);
      const int ok = r.ReadHeader();
      r.GetImageInfo(info);
      return ok;
    }
    default: return 0;
  }
}

plat::HGLOBAL CImageObject::ReadPalette() {
  switch (FileType()) {
    case kImportTif: return CTiffReader(fileName).ReadPalette();
    case kImportBmp: return CBmpReader(fileName).ReadPalette();
    default: return 0;
  }
}

std::uint32_t CImageObject::GetPaletteSize() {
  switch (FileType()) {
    case kImportTif: return CTiffReader(fileName).GetPaletteSize();
    case kImportBmp: {
      CBmpReader r(fileName);
      r.ReadHeader();
      return r.GetPaletteSize();
    }
    default: return 0;
  }
}

plat::HGLOBAL CImageObject::ReadPixels(bool topDown) {
  switch (FileType()) {
    case kImportTif: return CTiffReader(fileName).ReadPixels(topDown);
    case kImportBmp: return CBmpReader(fileName).ReadPixels(topDown);
    default: return 0;
  }
}

// --- Drawing and printing -----------------------------------------------------------

void CImageObject::DrawImage(plat::DC* dc, const CMatrix3* matrix) {
  if (!dc) return;
  CFRect f = bounds;
  if (matrix) matrix->TransformRect(f);
  const plat::RECT r{TruncToLong(f.left), TruncToLong(f.top), TruncToLong(f.right),
                     TruncToLong(f.bottom)};
  if (!bitmap_) LoadBitmap(dc);
  if (bitmap_) StretchInto(dc, bitmap_, r);
}

void CImageObject::DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect*) {
  DrawImage(dc, matrix);
}

void CImageObject::DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect*) {
  DrawImage(dc, matrix);
}

void CImageObject::Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) {
  if (!dc || (settings && settings->printImages == 0)) return;
  CFRect f = bounds;
  plat::RECT r{};
  if (matrix)
    matrix->TransformRectBounds(f, &r);
  else
    r = {TruncToLong(f.left), TruncToLong(f.top), TruncToLong(f.right), TruncToLong(f.bottom)};
  plat::HBITMAP bmp = MakeBitmap(dc);
  if (!bmp) return;
  StretchInto(dc, bmp, r);
  plat::DeleteObject(bmp);
}

// --- Tracing -------------------------------------------------------------------------

std::unique_ptr<CPathObject> CImageObject::TraceImage(CViewServices*, int option) {
  if (!bitmap_) LoadBitmap(nullptr);
  if (!bitmap_) return nullptr;
  std::unique_ptr<CPathObject> path = TraceBitmap(bitmap_, option);
  if (!path) return nullptr;
  plat::BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  plat::GetDIBits(nullptr, bitmap_, 0, 0, nullptr, 0, &info, plat::DIB_RGB_COLORS);
  const plat::LONG w = info.bmiHeader.biWidth;
  const plat::LONG h = info.bmiHeader.biHeight < 0 ? -info.bmiHeader.biHeight : info.bmiHeader.biHeight;
  if (w <= 0 || h <= 0) return nullptr;
  path->matrix.SetIdentity();
  path->matrix.m00 = (bounds.right - bounds.left) / float(w);
  path->matrix.m11 = (bounds.bottom - bounds.top) / float(h);
  path->matrix.m20 = bounds.left;
  path->matrix.m21 = bounds.top;
  path->matrix.TransformRect(path->bounds);
  path->color = 255;
  return path;
}

// --- Bars -----------------------------------------------------------------------------

ImageBarSettings ImageBarSettings::Load() {
  ImageBarSettings s;
  s.barHeight = g_Profile.GetFloat("IMAGE", "BarHeight", 7.0f);
  s.minPercent = g_Profile.GetInt("IMAGE", "BarMinHeight", 15);
  s.maxPercent = g_Profile.GetInt("IMAGE", "BarMaxHeight", 85);
  s.grayThreshold = g_Profile.GetInt("IMAGE", "GrayThreshold", 3);
  return s;
}

std::unique_ptr<CPathObject> MakeGreyBars(const std::uint8_t* rows, std::size_t stride,
                                          std::int32_t width, std::int32_t height,
                                          const std::uint32_t* palette, std::size_t paletteSize,
                                          const CFRect& rect, const ImageBarSettings& s) {
  const double H = s.barHeight;
  if (!rows || width <= 0 || height <= 0 || stride < std::size_t(width) || !(H > 0.0) ||
      !std::isfinite(H))
    return nullptr;
  const double span = std::fabs(double(rect.bottom) - rect.top);
  if (!std::isfinite(span)) return nullptr;
  const double barRows = std::trunc(span / H);
  if (barRows < 1.0 || barRows > kMaxBarRows || barRows * width > kMaxBarCells) return nullptr;
  const int nBars = int(barRows);
  const float base = float(s.minPercent / 100.0 * H);
  const float perGrey = float((s.maxPercent - s.minPercent) / 100.0 / 255.0 * H);
  const float perBar = float(double(height) / nBars);  // pixel rows per bar

  // Grey of an index: the palette entry's luminance, the index without one.
  float grey[256];
  for (int i = 0; i < 256; ++i) {
    if (std::size_t(i) < paletteSize) {
      const std::uint32_t c = palette[i];
      const double r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      grey[i] = float((299.0 * r + 587.0 * g + 114.0 * b) / 1000.0);
    } else {
      grey[i] = paletteSize == 0 ? float(i) : 0.0f;
    }
  }

  auto path = std::make_unique<CPathObject>();
  path->matrix.m00 = float(H / perBar);
  path->matrix.m20 = rect.left;
  path->matrix.m21 = rect.top;
  const float xStep = 1.0f / path->matrix.m00;
  const float fw = float(width);
  const float halfH = float(H / 2.0);
  std::vector<float> g(static_cast<std::size_t>(width));
  std::vector<double> sum(static_cast<std::size_t>(width));
  for (int i = 0; i < nBars; ++i) {
    const float ybase = float(i * H);
    // The covered pixel rows, each weighted by the share of the bar it covers.
    std::fill(sum.begin(), sum.end(), 0.0);
    const double start = double(i) * perBar, end = start + perBar;
    for (double cur = start; cur < end;) {
      const double row = std::floor(cur);
      const double next = std::min(row + 1.0, end);
      if (!(next > cur)) break;
      const double weight = (next - cur) / perBar - 0.0025;
      if (row >= 0.0 && row < double(height)) {
        const std::uint8_t* src = rows + std::size_t(row) * stride;
        for (std::int32_t x = 0; x < width; ++x) sum[std::size_t(x)] += grey[src[x]] * weight;
      }
      cur = next;
    }
    for (std::int32_t x = 0; x < width; ++x)
      g[std::size_t(x)] = float(std::clamp(sum[std::size_t(x)], 0.0, 255.0));
    const auto yOf = [&](std::int32_t x) { return ybase + g[std::size_t(x)] * perGrey + base; };

    path->AddPoint(fw + 1.0f, ybase + halfH, 0x11);
    path->AddPoint(fw + 1.0f + xStep, ybase + halfH, 0x01);
    path->AddPoint(fw + 1.0f + xStep, ybase, 0x01);
    path->AddPoint(0.0f, ybase, 0x01);
    path->AddPoint(0.0f, ybase + halfH, 0x01);
    path->AddPoint(xStep, yOf(0), 0x01);
    std::int32_t sx = 0, px = 1;
    for (std::int32_t x = 2; x < width; ++x) {
      const std::int32_t p = std::min(px, width - 1);
      const float d = PointLineDistance(float(sx), g[std::size_t(sx)], float(p), g[std::size_t(p)],
                                        float(x), g[std::size_t(x)]);
      if (d <= float(s.grayThreshold) && x != width - 1) continue;
      path->AddPoint(float(x - 1), yOf(x - 1), 0x01);
      sx = x - 1;
      px = x;
    }
    path->AddPoint(fw + 1.0f, ybase + halfH, 0x41);
  }
  path->EndPoints();
  path->bounds = rect;
  return path;
}

std::unique_ptr<CPathObject> CImageObject::MakeImageBars() {
  ImagePixels px;
  std::vector<std::uint32_t> palette;
  bool ok = false;
  switch (FileType()) {
    case kImportTif: ok = CTiffReader(fileName).ReadImage(px, palette); break;
    case kImportBmp: ok = CBmpReader(fileName).ReadImage(px, palette); break;
    default: break;
  }
  if (!ok || px.bitCount != 8) return nullptr;
  // Top row first for both readers.
  if (!px.topFirst) {
    for (std::int32_t y = 0; y < px.height / 2; ++y)
      std::swap_ranges(px.rows.begin() + std::ptrdiff_t(std::size_t(y) * px.stride),
                       px.rows.begin() + std::ptrdiff_t(std::size_t(y + 1) * px.stride),
                       px.rows.begin() + std::ptrdiff_t(std::size_t(px.height - 1 - y) * px.stride));
    px.topFirst = true;
  }
  return MakeGreyBars(px.rows.data(), px.stride, px.width, px.height, palette.data(),
                      palette.size(), bounds, ImageBarSettings::Load());
}
