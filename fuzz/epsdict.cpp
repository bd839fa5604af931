// The EPS reader's default prolog ("default.dic" beside the plug-in) from
// hostile bytes, under a few bodies that bring no prolog of their own.
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "importfilter/epsreader.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string prolog(reinterpret_cast<const char*>(data), size);
  static const char* const kBodies[] = {
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n10 10 m 90 10 l 90 90 l 50 95 20 95 10 90 c f\n",
      "%!PS-Adobe-2.0 EPSF-1.2\n%%EndProlog\n0 0 m 100 0 L 100 100 L 0 100 L s\n",
      "%!PS\n/x 3 def x x m 5 5 rlineto stroke showpage\n",
  };
  for (const char* body : kBodies) {
    const std::string eps(body);
    imp::CEpsReader reader;
    imp::CFilterPathList list;
    if (reader.ReadData(reinterpret_cast<const std::uint8_t*>(eps.data()), eps.size(), &prolog, 25.4f / 72.0f,
                        list)) {
      const std::vector<std::uint8_t> rec = list.PathRecord();
      fuzz::Require(rec.empty() || plat::GetU32(rec.data() + 1) == rec.size(), "path record length");
    }
  }
  return 0;
}
