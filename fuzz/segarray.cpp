// Object-list blocks: every object through the record factory; what a list
// writes must read back and write the same bytes again, and the objects draw
// as a view draws them.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "fuzz/object_util.h"
#include "model/segarray.h"
#include "platform/gmem.h"

namespace {

std::vector<std::uint8_t> Pack(CSegArray& list) {
  plat::HGLOBAL h = 0;
  std::uint32_t n = list.PackToGlobal(&h);
  std::vector<std::uint8_t> out;
  if (n && h) {
    plat::GlobalLockGuard lock(h);
    const auto* p = lock.bytes();
    fuzz::Require(p && plat::GlobalSize(h) >= n, "packed block holds its length");
    out.assign(p, p + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto list = CSegArray::UnpackFromBuffer(data, size);
  if (!list) return 0;
  CFRect box;
  list->GetBoundRect(&box, 0);
  std::vector<std::uint8_t> first = Pack(*list);
  // Saved, opened and saved again: the second save reproduces the reopened
  // first one (objects that write nothing are dropped by the first, and a
  // block left with no record is not a list).
  if (first.size() > SEG_BLOCK_EMPTY) {
    auto again = CSegArray::UnpackFromBuffer(first.data(), first.size());
    fuzz::Require(again != nullptr, "a written list reads back");
    std::vector<std::uint8_t> second = Pack(*again);
    auto third = CSegArray::UnpackFromBuffer(second.data(), second.size());
    fuzz::Require(third != nullptr && third->GetSize() == again->GetSize(),
                  "same object count after a round trip");
    fuzz::Require(Pack(*third) == second, "same bytes after a round trip");
    again->DeleteAll();
    third->DeleteAll();
  }
  // Each object drawn as a view draws it, the first few only.
  int drawn = 0;
  for (CGraphObject* object : list->Objects()) {
    if (++drawn > 16) break;
    fuzz::DrawEveryWay(*object);
  }
  list->DeleteAll();
  return 0;
}
