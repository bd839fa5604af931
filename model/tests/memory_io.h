// A file in memory for the tests of the lists that store blocks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "model/segarray.h"
#include "platform/gmem.h"

// A file in memory; `readLimit` makes reads come up short.
class MemFile : public CFileServices {
 public:
  std::vector<std::uint8_t> data;
  std::uint64_t pos = 0;
  std::size_t readLimit = SIZE_MAX;

  std::uint64_t GetPosition() const override { return pos; }
  bool Seek(std::uint64_t p) override {
    pos = p;
    return true;
  }
  std::uint64_t GetLength() const override { return data.size(); }
  std::size_t Read(void* buf, std::size_t n) override {
    if (pos >= data.size()) return 0;
    n = std::min({n, std::size_t(data.size() - pos), readLimit});
    std::memcpy(buf, data.data() + pos, n);
    pos += n;
    return n;
  }
  bool Write(const void* buf, std::size_t n) override {
    const auto* p = static_cast<const std::uint8_t*>(buf);
    if (data.size() < pos + n) data.resize(pos + n);
    std::memcpy(data.data() + pos, p, n);
    pos += n;
    return true;
  }
};
