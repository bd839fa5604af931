#include "platform/image_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>

namespace plat {

namespace {

std::optional<Dib> SurfaceToDib(const Surface& s) {
  std::optional<Dib> d = Dib::Create(s.width(), s.height(), 24);
  if (!d) return std::nullopt;
  const std::size_t rb = d->rowBytes();
  for (LONG y = 0; y < s.height(); ++y) {
    BYTE* row = d->bits() + rb * std::size_t(s.height() - 1 - y);
    const std::uint32_t* src = s.row(y);
    for (LONG x = 0; x < s.width(); ++x) {
      row[3 * x] = BYTE(src[x] & 0xFF);
      row[3 * x + 1] = BYTE((src[x] >> 8) & 0xFF);
      row[3 * x + 2] = BYTE((src[x] >> 16) & 0xFF);
    }
  }
  return d;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

}  // namespace

bool WriteBmpFile(const std::string& path, const Dib& dib) {
  if (dib.empty()) return false;
  const std::vector<BYTE>& packed = dib.packed();
  BITMAPFILEHEADER fh;
  const std::size_t colors = dib.palette().size();
  fh.bfOffBits = DWORD(14 + 40 + 4 * colors);
  fh.bfSize = DWORD(14 + packed.size());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(&fh), 14);
  out.write(reinterpret_cast<const char*>(packed.data()), std::streamsize(packed.size()));
  out.flush();
  return bool(out);
}

bool WriteBmpFile(const std::string& path, const Surface& surface) {
  const std::optional<Dib> d = SurfaceToDib(surface);
  return d && WriteBmpFile(path, *d);
}

std::optional<Dib> ReadBmpBytes(const void* data, std::size_t size) {
  if (data == nullptr || size < 14 + 40) return std::nullopt;
  const auto* p = static_cast<const BYTE*>(data);
  BITMAPFILEHEADER fh;
  std::memcpy(&fh, p, 14);
  if (fh.bfType != 0x4D42) return std::nullopt;
  const std::optional<DibLayout> l = CheckPackedDib(p + 14, size - 14);
  // The rows may stand elsewhere than right after the table: bfOffBits says where.
  BITMAPINFOHEADER h;
  std::memcpy(&h, p + 14, 40);
  if (h.biSize < 40 || h.biSize > size - 14) return std::nullopt;
  const std::size_t colors = DibColorCount(h);
  if (colors > 256) return std::nullopt;
  const std::size_t tableEnd = 14 + std::size_t(h.biSize) + 4 * colors;
  std::size_t bitsAt = fh.bfOffBits != 0 ? fh.bfOffBits : tableEnd;
  if (bitsAt < tableEnd || bitsAt > size) {
    if (!l) return std::nullopt;
    bitsAt = tableEnd;
  }
  if (bitsAt == tableEnd) {
    if (!l) return std::nullopt;
    return Dib::FromPacked(p + 14, size - 14);
  }
  std::vector<BYTE> buf;
  try {
    buf.reserve(tableEnd - 14 + (size - bitsAt));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  buf.insert(buf.end(), p + 14, p + tableEnd);
  buf.insert(buf.end(), p + bitsAt, p + size);
  return Dib::FromPacked(buf.data(), buf.size());
}

std::optional<Dib> ReadBmpFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return std::nullopt;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return std::nullopt;
  const long len = std::ftell(f.get());
  // header, table and the largest image this layer accepts
  const long limit = long(14 + 4096 + 1024 + kMaxSurfacePixels * 4 + 4 * kMaxSurfaceSide);
  if (len < 0 || len > limit) return std::nullopt;
  std::rewind(f.get());
  std::vector<BYTE> buf;
  try {
    buf.resize(std::size_t(len));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (len > 0 && std::fread(buf.data(), 1, buf.size(), f.get()) != buf.size()) return std::nullopt;
  return ReadBmpBytes(buf.data(), buf.size());
}

bool WritePngFile(const std::string& path, const Surface& surface) {
  if (surface.width() <= 0 || surface.height() <= 0) return false;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(std::size_t(surface.width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, png_uint_32(surface.width()), png_uint_32(surface.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (LONG y = 0; y < surface.height(); ++y) {
    const std::uint32_t* src = surface.row(y);
    for (LONG x = 0; x < surface.width(); ++x) {
      row[3 * std::size_t(x)] = png_byte((src[x] >> 16) & 0xFF);
      row[3 * std::size_t(x) + 1] = png_byte((src[x] >> 8) & 0xFF);
      row[3 * std::size_t(x) + 2] = png_byte(src[x] & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f.get()) == 0;
}

}  // namespace plat
