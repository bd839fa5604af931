// A PLT/HPGL file through both readers (with and without the ";:" mode, and
// with labels): the records they write hold their own lengths.
#include <vector>

#include "fuzz/fuzz_util.h"
#include "importfilter/pltreader.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  for (bool colon : {false, true}) {
    imp::CPltReader reader;
    reader.colonMode = colon;
    imp::CFilterPathList list = reader.ReadPoints(data, size);
    list.matrix = imp::FMatrix::Scale(0.025f, 0.025f);
    list.ApplyMatrix();
    const std::vector<std::uint8_t> rec = list.PathRecord();
    fuzz::Require(rec.empty() || plat::GetU32(rec.data() + 1) == rec.size(), "path record length");
  }
  imp::CPltReader reader;
  auto group = reader.ReadGroup(data, size);
  fuzz::Require(group != nullptr, "a group, even an empty one");
  const std::vector<std::uint8_t> rec = group->Record();
  fuzz::Require(rec.empty() || (plat::GetU32(rec.data() + 1) == rec.size() && rec.back() == 240),
                "group record length and end");
  return 0;
}
