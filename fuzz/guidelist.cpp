// Guide-list blocks (guide lines and output areas) as a document file holds
// them: read through the file reader and the block reader; what a list
// writes must read back and write the same bytes again.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "model/guidelist.h"
#include "model/segarray.h"
#include "platform/gmem.h"

namespace {

std::vector<std::uint8_t> Pack(CGuideList& list) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  std::vector<std::uint8_t> out;
  if (n && h) {
    plat::GlobalLockGuard lock(h);
    fuzz::Require(lock && lock.size() >= n, "packed block holds its length");
    out.assign(lock.bytes(), lock.bytes() + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  {
    const std::string path = fuzz::WriteScratchFile("guides.bin", data, size);
    CDiskFile file;
    if (file.Open(path, "rb")) {
      CGuideList loaded;
      loaded.LoadFromFile(file);
      fuzz::Require(file.GetPosition() <= size, "the reader stays inside the file");
    }
  }
  auto list = CGuideList::UnpackFromBuffer(data, size);
  if (!list) return 0;
  const std::vector<std::uint8_t> first = Pack(*list);
  fuzz::Require(!first.empty(), "a list that was read writes a block");
  auto again = CGuideList::UnpackFromBuffer(first.data(), first.size());
  fuzz::Require(again && again->GetSize() == list->GetSize(), "a written list reads back whole");
  fuzz::Require(Pack(*again) == first, "same bytes after a round trip");
  for (CGuideItem* item : list->Items()) {
    item->HitTest(1.0f, 2.0f, 0.5f);
    CFRect r;
    item->GetRect(&r);
  }
  return 0;
}
