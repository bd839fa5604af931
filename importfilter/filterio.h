// File access and number reading shared by the readers. Every file is
// untrusted: it is read whole, bounded, and never from a FIFO or device.
#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace imp {

// Largest file a reader takes in.
constexpr std::size_t kMaxImportFile = 256u << 20;

// The bytes of a file, with zero bytes behind them that size() does not count.
class FileBytes {
 public:
  FileBytes(std::size_t size, std::size_t pad) : bytes_(new unsigned char[size + pad]), size_(size), pad_(pad) {}
  unsigned char* data() { return bytes_.get(); }
  const unsigned char* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }
  const unsigned char* begin() const { return data(); }
  const unsigned char* end() const { return data() + size_; }
  // Keeps the first n bytes (n <= size) and zeroes the padding behind them.
  void Truncate(std::size_t n);

 private:
  std::unique_ptr<unsigned char[]> bytes_;
  std::size_t size_;
  std::size_t pad_;
};

// The whole regular file, with `pad` zero bytes behind it; nullopt when it
// cannot be opened, is not a regular file or is larger than kMaxImportFile.
std::optional<FileBytes> ReadWholeFile(const char* path, std::size_t pad = 0);
// Up to `n` bytes from the start of the regular file.
std::optional<FileBytes> ReadFileHead(const char* path, std::size_t n);

// The number at the start of `text` as the C library's atof reads it
// ([+-] digits [. digits], no exponent), independent of the locale; the first
// 99 characters are looked at; a result that is not finite reads 0.
double ParseNumber(std::string_view text);

}  // namespace imp
