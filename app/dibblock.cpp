#include "app/dibblock.h"

#include <cstdlib>
#include <cstring>

#include "model/helpers.h"
#include "platform/ini.h"
#include "platform/paths.h"

bool CDibBlock::SetCopy(plat::HGLOBAL block) {
  Free();
  {
    plat::GlobalLockGuard g(block);
    if (!g || !plat::CheckPackedDib(g.bytes(), g.size())) return false;
  }
  m_block = DuplicateGlobalBlock(block);
  return m_block != 0;
}

void CDibBlock::Free() {
  if (m_block) plat::GlobalFree(m_block);
  m_block = 0;
}

plat::HBITMAP CDibBlock::CreateBitmap(plat::HDC dc) const {
  plat::GlobalLockGuard g(m_block);
  if (!g) return nullptr;
  const std::optional<plat::DibLayout> layout = plat::CheckPackedDib(g.bytes(), g.size());
  if (!layout) return nullptr;
  const auto* info = g.as<const plat::BITMAPINFO>();
  return plat::CreateDIBitmap(dc, &info->bmiHeader, plat::CBM_INIT, g.bytes() + layout->bitsOffset,
                              g.size() - layout->bitsOffset, info, plat::DIB_RGB_COLORS);
}

bool CDibBlock::GetHeader(plat::BITMAPINFOHEADER* out) const {
  plat::GlobalLockGuard g(m_block);
  if (!g || g.size() < sizeof(plat::BITMAPINFOHEADER)) return false;
  std::memcpy(out, g.bytes(), sizeof *out);
  return true;
}

bool CDibBlock::WriteBmpFile(const std::string& path) {
  plat::GlobalLockGuard g(m_block);
  if (!g) return false;
  const std::optional<plat::DibLayout> layout = plat::CheckPackedDib(g.bytes(), g.size());
  if (!layout) return false;
  auto* header = g.as<plat::BITMAPINFOHEADER>();
  // An image size of 0, or one short of the rows, becomes the rows' size.
  const std::uint64_t rows = std::uint64_t(layout->rowBytes) * std::uint64_t(layout->height);
  if (header->biSizeImage < rows) {
    if (rows > 0xFFFFFFFFu) return false;
    header->biSizeImage = plat::DWORD(rows);
  }
  // The file header, then the packed bitmap as far as the header says.
  const std::uint64_t packed = std::uint64_t(layout->bitsOffset) + header->biSizeImage;
  if (packed > g.size() || packed + 14 > 0xFFFFFFFFu) return false;
  plat::BITMAPFILEHEADER file;
  file.bfOffBits = plat::DWORD(14 + layout->bitsOffset);
  file.bfSize = plat::DWORD(14 + packed);
  std::string bytes(sizeof file + packed, '\0');
  std::memcpy(bytes.data(), &file, sizeof file);
  std::memcpy(bytes.data() + sizeof file, g.bytes(), std::size_t(packed));
  // Written beside and renamed into place: a failed write leaves no part of a file.
  return plat::ReplaceFileContent(plat::ResolvePath(path), bytes);
}
