// A DXF file through the reader.
#include <vector>

#include "fuzz/fuzz_util.h"
#include "importfilter/dxfreader.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  imp::CDxfReader reader;
  imp::CFilterPathList list;
  if (reader.ReadData(data, size, list)) {
    fuzz::Require(list.PointCount() >= 3, "a result has three points or more");
    const std::vector<std::uint8_t> rec = list.PathRecord();
    fuzz::Require(!rec.empty() && plat::GetU32(rec.data() + 1) == rec.size(), "path record length");
  }
  return 0;
}
