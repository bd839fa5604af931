// A TrueType file through the system's own reader: name and outlines.
#include "fuzz/fuzz_util.h"
#include "text/truetype.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("reader.ttf", data, size);
  std::string name;
  CTrueTypeReader::GetFamilyName(path, name);
  for (std::uint16_t code : {0x41, 0x67, 0xB1EA, 0xC5C6, 0xA440}) {
    TtFontMetrics m;
    CTrueTypeReader::GetGlyphOutline(path, code, CTrueTypeReader::kGb2312, &m);
    CTrueTypeReader::GetGlyphOutline(path, code, CTrueTypeReader::kBig5, &m);
  }
  return 0;
}
