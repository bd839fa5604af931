// A file and a clipboard in memory for the tests of the lists that store
// and copy blocks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
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

// The clipboard in memory: records what is set and owns the blocks.
class FakeClipboard : public CClipboardServices {
 public:
  ~FakeClipboard() override {
    for (auto& d : data) plat::GlobalFree(d.second);
  }
  bool Open() override {
    ++opens;
    return canOpen;
  }
  bool Empty() override {
    ++empties;
    for (auto& d : data) plat::GlobalFree(d.second);
    data.clear();
    return true;
  }
  bool SetData(std::uint32_t format, plat::HGLOBAL block) override {
    data.emplace_back(format, block);
    return true;
  }
  void Close() override { ++closes; }
  bool IsFormatAvailable(std::uint32_t format) override { return Get(format) != 0; }
  plat::HGLOBAL GetData(std::uint32_t format) override { return Get(format); }
  plat::HGLOBAL Get(std::uint32_t format) const {
    for (auto& d : data)
      if (d.first == format) return d.second;
    return 0;
  }
  bool canOpen = true;
  int opens = 0, empties = 0, closes = 0;
  std::vector<std::pair<std::uint32_t, plat::HGLOBAL>> data;
};

