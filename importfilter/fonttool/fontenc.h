// Encoder of the label stroke font: glyph text in, packed font table out.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fontenc {

struct GlyphPoint {
  int x = 0;
  int y = 0;
  bool control = false;
};

struct Glyph {
  int code = 0;
  std::vector<std::vector<GlyphPoint>> contours;
};

// One glyph record; nullopt (with a reason) for a contour of fewer than two
// points, controls that are not a pair before an on-curve point, or a
// coordinate step that does not fit 15 bits.
std::optional<std::vector<std::uint8_t>> EncodeGlyph(const Glyph& glyph, std::string& error);

// Lines "<code> x,y x,y / x,y ~x,y ~x,y x,y" with '#' comments.
bool ParseFontText(std::string_view text, std::vector<Glyph>& glyphs, std::string& error);

// The table of 94 offsets (codes 33 to 126, each present once) and the
// records, followed by 8 zero bytes so that 64-bit reads stay inside.
std::optional<std::vector<std::uint8_t>> BuildFont(const std::vector<Glyph>& glyphs, std::string& error);

}  // namespace fontenc
