// An own font file: header, scrambled index and glyph records.
#include "fuzz/fuzz_util.h"
#include "text/cftfont.h"
#include "text/createcftdlg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("font.cft", data, size);
  for (std::uint16_t code : {0xB0A1, 0xB0A2, 0xB0A3, 0xB1A1, 0x0141, 0xFFFF}) {
    CCftFont::GetGlyphOffset(path, code);
    CCftFont::ReadGlyph(path, code);
  }
  // The destination check of a resample (may complete a short index).
  std::string errors;
  ValidateCftHeader(path, CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA4), errors);
  return 0;
}
