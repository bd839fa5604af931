#include "importfilter/filterio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <limits>

#include "importfilter/filterdefs.h"

namespace imp {
namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::optional<FileBytes> ReadBounded(const char* path, std::size_t limit,
                                                      std::size_t pad, bool refuseLarger) {
  if (!path || !*path) return std::nullopt;
  Fd f{::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (f.fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return std::nullopt;
  std::size_t size = std::size_t(st.st_size);
  if (size > limit) {
    if (refuseLarger) return std::nullopt;
    size = limit;
  }
  std::optional<FileBytes> data;
  try {
    data.emplace(size, pad);
  } catch (...) {
    return std::nullopt;
  }
  std::size_t got = 0;
  while (got < size) {
    const ssize_t r = ::read(f.fd, data->data() + got, size - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += std::size_t(r);
  }
  // A file that shrank while read keeps what was there.
  data->Truncate(got);
  return data;
}

}  // namespace

void FileBytes::Truncate(std::size_t n) {
  if (n < size_) size_ = n;
  std::memset(bytes_.get() + size_, 0, pad_);
}

std::optional<FileBytes> ReadWholeFile(const char* path, std::size_t pad) {
  return ReadBounded(path, kMaxImportFile, pad, true);
}

std::optional<FileBytes> ReadFileHead(const char* path, std::size_t n) {
  return ReadBounded(path, n, 0, false);
}

double ParseNumber(std::string_view text) {
  if (text.size() > 99) text = text.substr(0, 99);
  std::size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  {
    // Whole numbers of up to 18 digits, the common case, exactly and at once.
    std::size_t k = i;
    std::uint64_t whole = 0;
    while (k < text.size() && k - i < 18 && text[k] >= '0' && text[k] <= '9') whole = whole * 10 + unsigned(text[k++] - '0');
    if (k > i && (k == text.size() || (text[k] != '.' && (text[k] < '0' || text[k] > '9')))) {
      const double v = double(whole);
      return neg ? -v : v;
    }
  }
  char buf[104];
  std::size_t n = 0;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    buf[n++] = text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    buf[n++] = text[i++];
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      buf[n++] = text[i++];
      digits = true;
    }
  }
  if (!digits) return 0;
  double v = 0;
  const auto r = std::from_chars(buf, buf + n, v, std::chars_format::fixed);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  return neg ? -v : v;
}

FMatrix MakeRotation(float x, float y, double degrees) {
  double c, s;
  if (degrees == 180.0 || degrees == -180.0) {
    c = -1;
    s = 0;
  } else if (degrees == 90.0) {
    c = 0;
    s = 1;
  } else if (degrees == -90.0) {
    c = 0;
    s = -1;
  } else {
    c = std::cos(degrees * kRadPerDeg);
    s = std::sin(degrees * kRadPerDeg);
  }
  FMatrix m;
  m.a = float(c);
  m.b = float(s);
  m.c = float(-s);
  m.d = float(c);
  m.e = float((1 - c) * x + y * s);
  m.f = float((1 - c) * y - x * s);
  return m;
}

float ScaleFromValue(std::uint32_t value, float natural) {
  float f;
  static_assert(sizeof f == 4);
  std::memcpy(&f, &value, 4);
  if (!std::isfinite(f) || f <= 0) return natural;
  return f;
}

std::int32_t SaturateToInt(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= double(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  if (v <= double(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
  return std::int32_t(v);
}

}  // namespace imp
