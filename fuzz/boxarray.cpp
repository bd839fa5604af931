// One packed box block: the items it yields pack into a block that reads
// back to the same bytes.
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/gmem.h"
#include "text/boxarray.h"

namespace {

std::vector<std::uint8_t> Packed(const CBoxArray& array) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = array.PackToGlobal(&h);
  std::vector<std::uint8_t> out;
  if (n && h) {
    plat::GlobalLockGuard lock(h);
    fuzz::Require(lock && plat::GlobalSize(h) >= n, "packed block holds its length");
    out.assign(lock.bytes(), lock.bytes() + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  std::unique_ptr<CBoxArray> array = CBoxArray::UnpackFromBuffer(data, size);
  if (!array) return 0;
  std::vector<std::uint8_t> first = Packed(*array);
  fuzz::Require(!first.empty(), "items pack");
  std::unique_ptr<CBoxArray> again = CBoxArray::UnpackFromBuffer(first.data(), first.size());
  fuzz::Require(again && again->GetSize() == array->GetSize(), "a packed block reads back whole");
  fuzz::Require(Packed(*again) == first, "same block after a round trip");
  std::string text = array->GetText();
  array->RemoveEmptyPairs(0x20);
  array->RemoveRedundantGapCodes();
  return 0;
}
