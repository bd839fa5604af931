// An own font file: header, scrambled index and glyph records.
#include "fuzz/fuzz_util.h"
#include "text/cftfont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("font.cft", data, size);
  for (std::uint16_t code : {0xB0A1, 0xB0A2, 0xB0A3, 0xB1A1, 0x0141, 0xFFFF}) {
    CCftFont::GetGlyphOffset(path, code);
    CCftFont::ReadGlyph(path, code);
  }
  return 0;
}
