// A TrueType face file through the font layer: names, metrics and character
// sets as the face table reads them, then glyph indexes and outlines.
#include <mutex>

#include "fuzz/fuzz_util.h"
#include "platform/font_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("face.ttf", data, size);
  plat::FaceFile file;
  if (!plat::ReadFaceFile(path.c_str(), 0, &file)) return 0;
  fuzz::Require(!file.english.empty() && file.charsetMask != 0, "a read face has a name and a set");
  std::lock_guard lock(plat::FontMutex());
  if (!plat::OpenFace(file)) return 0;
  plat::FontImpl impl;
  impl.file = &file;
  impl.ppem = 64;
  impl.sx = impl.sy = 64.0 / file.upem;
  const double identity[4] = {1, 0, 0, 1};
  const double turn[4] = {0, -1, 1, 0};
  const long glyphs = file.face->num_glyphs;
  for (long g = 0; g < glyphs && g < 32; ++g) {
    impl.Outline(unsigned(g), identity);
    impl.Outline(unsigned(g), turn);
    impl.Advance(unsigned(g));
  }
  for (char32_t ch : {U'A', U'g', U'标', U'牌', U'\u00e9'}) {
    if (unsigned g = impl.GlyphIndexOfChar(ch)) impl.Outline(g, identity);
  }
  FT_Done_Face(file.face);
  file.face = nullptr;
  return 0;
}
