// A glyph's outline as a font hands it out (GGO_NATIVE: its size asked
// first, then fetched), parsed into contours.
#pragma once
#include <vector>

#include "platform/font.h"

namespace fonttest {

// False when the font has no outline for the code or it does not parse.
inline bool NativeContours(plat::Font& font, plat::UINT code, std::vector<plat::NativeContour>* contours) {
  plat::GLYPHMETRICS gm;
  const plat::DWORD n = font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, 0, nullptr, nullptr);
  if (n == plat::GDI_ERROR || n == 0) return false;
  std::vector<char> buf(n);
  font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, n, buf.data(), nullptr);
  return plat::ParseNativeOutline(buf.data(), buf.size(), contours);
}

}  // namespace fonttest
