// The font table section of a document: read into one block, then walked.
#include <algorithm>
#include <cstring>

#include "fuzz/fuzz_util.h"
#include "model/segarray.h"
#include "platform/gmem.h"
#include "text/language.h"

namespace {

class MemoryFile : public CFileServices {
 public:
  MemoryFile(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  std::uint64_t GetPosition() const override { return pos_; }
  bool Seek(std::uint64_t p) override {
    pos_ = p;
    return true;
  }
  std::uint64_t GetLength() const override { return n_; }
  std::size_t Read(void* b, std::size_t n) override {
    if (pos_ >= n_) return 0;
    n = std::min<std::size_t>(n, std::size_t(n_ - pos_));
    std::memcpy(b, d_ + pos_, n);
    pos_ += n;
    return n;
  }
  bool Write(const void*, std::size_t) override { return false; }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::uint64_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  MemoryFile file(data, size);
  plat::GlobalBlock block(g_Language.ReadFromFile(file));
  if (!block) return 0;
  plat::GlobalLockGuard g(block.get());
  fuzz::Require(g.size() <= size + 10 + 4 * size, "the block is bounded by the file");
  FontTableRecord r;
  for (std::uint32_t i = 0; GetFontTableRecord(g.bytes(), g.size(), i, &r); ++i) {
    fuzz::Require(i < size, "records come from the file");
    std::string name;
    for (int k = 0; k < 3; ++k) GetFontTableName(g.bytes(), g.size(), r.languageId, r.kind, k, &name);
  }
  return 0;
}
