#include "framework/imagelist.h"

#include <algorithm>
#include <optional>
#include <string>

#include "framework/resources.h"
#include "platform/dib.h"
#include "platform/image_io.h"
#include "platform/paths.h"

namespace fw {
namespace {

// The file of a bitmap resource: absolute, or beside the program (also under res/).
std::optional<std::string> BitmapFile(UINT id) {
  const std::string* file = res::FindBitmap(id);
  if (file == nullptr || file->empty()) return std::nullopt;
  const std::string mapped = plat::MapWindowsPath(*file);
  std::vector<std::string> tries = {mapped};
  if (mapped[0] != '/') {
    const std::string dir = plat::GetProgramFolder();
    tries.push_back(dir + mapped);
    tries.push_back(dir + "res/" + mapped);
  }
  for (const std::string& t : tries)
    if (auto found = plat::FindFileNoCase(t)) return found;
  return std::nullopt;
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b) {
  auto half = [&](int shift) { return (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2 << shift; };
  return half(16) | half(8) | half(0);
}

}  // namespace

BOOL CImageList::Create(int cx, int cy) {
  DeleteImageList();
  if (cx < 1 || cy < 1 || cx > plat::kMaxSurfaceSide || cy > plat::kMaxSurfaceSide ||
      std::int64_t(cx) * cy > plat::kMaxSurfacePixels)
    return FALSE;
  cx_ = cx;
  cy_ = cy;
  return TRUE;
}

BOOL CImageList::Create(UINT bitmapResource, int cx, COLORREF mask) {
  DeleteImageList();
  const auto file = BitmapFile(bitmapResource);
  if (!file) return FALSE;
  const auto dib = plat::ReadBmpFile(*file);
  if (!dib || dib->width() < cx || !Create(cx, int(dib->height()))) return FALSE;
  plat::HBITMAP bmp = dib->CreateBitmap();
  const int first = Add(bmp, mask);
  plat::DeleteObject(bmp);
  if (first < 0) {
    DeleteImageList();
    return FALSE;
  }
  return TRUE;
}

void CImageList::DeleteImageList() {
  images_.clear();
  cx_ = cy_ = 0;
}

int CImageList::Add(plat::HBITMAP bitmap, COLORREF mask) {
  plat::BITMAP info;
  if (!plat::GetBitmapInfo(bitmap, &info)) return -1;
  return Add(bitmap->surface(), mask);
}

int CImageList::Add(const plat::Surface& pixels, COLORREF mask) {
  if (!IsCreated() || pixels.width() <= 0 || pixels.height() <= 0) return -1;
  const int count = std::max<int>(1, int(pixels.width() / cx_));
  const std::uint32_t key = plat::PixelFromColor(mask);
  const int first = GetImageCount();
  for (int n = 0; n < count; ++n) {
    Image img;
    if (!img.pixels.Create(cx_, cy_, false, 0)) return -1;
    img.clear.assign(std::size_t(cx_) * std::size_t(cy_), 1);
    for (int y = 0; y < cy_ && y < pixels.height(); ++y) {
      const std::uint32_t* src = pixels.row(y);
      std::uint32_t* dst = img.pixels.row(y);
      for (int x = 0; x < cx_; ++x) {
        const LONG sx = LONG(n) * cx_ + x;
        if (sx >= pixels.width()) break;
        const std::uint32_t p = src[sx] & 0x00FFFFFF;
        dst[x] = p;
        img.clear[std::size_t(y) * std::size_t(cx_) + std::size_t(x)] =
            mask != CLR_NONE && p == key ? 1 : 0;
      }
    }
    images_.push_back(std::move(img));
  }
  return first;
}

BOOL CImageList::Remove(int index) {
  if (index == -1) {
    images_.clear();
    return TRUE;
  }
  if (index < 0 || index >= GetImageCount()) return FALSE;
  images_.erase(images_.begin() + index);
  return TRUE;
}

const plat::Surface* CImageList::GetImage(int index) const {
  if (index < 0 || index >= GetImageCount()) return nullptr;
  return &images_[std::size_t(index)].pixels;
}

bool CImageList::IsTransparent(int index, int x, int y) const {
  if (index < 0 || index >= GetImageCount() || x < 0 || y < 0 || x >= cx_ || y >= cy_) return true;
  return images_[std::size_t(index)].clear[std::size_t(y) * std::size_t(cx_) + std::size_t(x)] != 0;
}

BOOL CImageList::Draw(plat::HDC dc, int index, POINT pt, UINT style) const {
  if (dc == nullptr || index < 0 || index >= GetImageCount()) return FALSE;
  const Image& img = images_[std::size_t(index)];
  const std::uint32_t hi = plat::PixelFromColor(kImageHighlight);
  for (int y = 0; y < cy_; ++y) {
    const std::uint32_t* row = img.pixels.row(y);
    for (int x = 0; x < cx_; ++x) {
      if (img.clear[std::size_t(y) * std::size_t(cx_) + std::size_t(x)]) continue;
      std::uint32_t p = row[x];
      if (style & ILD_SELECTED) p = Blend(p, hi);
      dc->SetPixel(pt.x + x, pt.y + y, plat::ColorFromPixel(p));
    }
  }
  return TRUE;
}

}  // namespace fw
