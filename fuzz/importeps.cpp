// An EPS/AI file through the reader, with the default prolog for files that
// bring none.
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "importfilter/epsreader.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const std::string prolog = "/m {moveto} def /l {lineto} def /c {curveto} def";
  imp::CEpsReader reader;
  imp::CFilterPathList list;
  if (reader.ReadData(data, size, &prolog, 25.4f / 72.0f, list)) {
    const std::vector<std::uint8_t> rec = list.PathRecord();
    fuzz::Require(rec.empty() || plat::GetU32(rec.data() + 1) == rec.size(), "path record length");
  }
  return 0;
}
