// fontenc <glyphs.txt> <out.cpp>: writes the packed stroke font as a C++ array.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "importfilter/fonttool/fontenc.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fontenc <glyphs.txt> <out.cpp>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fontenc: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<fontenc::Glyph> glyphs;
  std::string error;
  std::optional<std::vector<std::uint8_t>> font;
  if (fontenc::ParseFontText(text.str(), glyphs, error)) font = fontenc::BuildFont(glyphs, error);
  if (!font) {
    std::fprintf(stderr, "fontenc: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << "// Written by fontenc from strokefont.txt.\n#include <cstddef>\n#include <cstdint>\n\n"
      << "namespace imp {\nextern const std::uint8_t kStrokeFont[];\nextern const std::size_t kStrokeFontSize;\n"
      << "alignas(8) const std::uint8_t kStrokeFont[" << font->size() << "] = {";
  for (std::size_t i = 0; i < font->size(); ++i) out << (i % 16 ? " " : "\n  ") << int((*font)[i]) << ",";
  out << "\n};\n// Without the eight bytes of padding.\nconst std::size_t kStrokeFontSize = " << font->size() - 8
      << ";\n}  // namespace imp\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "fontenc: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
