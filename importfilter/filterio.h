// File access and number reading shared by the readers. Every file is
// untrusted: it is read whole, bounded, and never from a FIFO or device.
#pragma once
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace imp {

// Largest file a reader takes in.
constexpr std::size_t kMaxImportFile = 256u << 20;

// The whole regular file, with `pad` zero bytes behind it; nullopt when it
// cannot be opened, is not a regular file or is larger than kMaxImportFile.
std::optional<std::vector<unsigned char>> ReadWholeFile(const char* path, std::size_t pad = 0);
// Up to `n` bytes from the start of the regular file.
std::optional<std::vector<unsigned char>> ReadFileHead(const char* path, std::size_t n);

// The number at the start of `text` as the C library's atof reads it
// ([+-] digits [. digits], no exponent), independent of the locale; the first
// 99 characters are looked at; a result that is not finite reads 0.
double ParseNumber(std::string_view text);

}  // namespace imp
