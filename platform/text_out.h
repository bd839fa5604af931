// Text in a device context, with the context's selected font (platform/font.h).
// Glyphs are filled from their outlines through the context's own fill, so text
// honours the raster operation and the clip like any other figure.
#pragma once
#include <string_view>

#include "platform/dc.h"
#include "platform/font.h"

namespace plat {

// The font used by a context that has none selected.
Font* GetDefaultFont();

// Draws code-page text (the font's code page; GBK for character set 134) at
// (x, y) by the context's text alignment (TA_TOP: the top of the character
// cell), in the text colour; in OPAQUE mode the cell is first filled with the
// background colour. The font's escapement turns the line: -900 runs downward,
// with the tops of the letters to the right. Characters the face has no glyph
// for draw nothing and advance by the face's missing-glyph width.
BOOL TextOut(HDC dc, LONG x, LONG y, std::string_view text);

// Width and height of the text in the selected font (see Font::GetTextExtent).
BOOL GetTextExtentPoint32(HDC dc, std::string_view text, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Font::GetGlyphOutline of the selected font.
DWORD GetGlyphOutline(HDC dc, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                      const MAT2* mat);

}  // namespace plat
