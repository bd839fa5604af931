// Inside the font services: the face table over fontconfig and FreeType and
// the realised state of a logical font. Not for use outside platform/.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font.h"

namespace plat {

// One font file (or face of a collection) that passed the TrueType checks.
struct FaceFile {
  std::string path;
  int index = 0;
  std::string english;  // English family name (name id 1)
  std::string gbkName;  // zh-CN family name as GBK, or empty
  int weight = 400;
  bool italic = false;
  unsigned charsetMask = 0;  // bit i set: kCharSets[i] covered
  // Metrics in font units.
  int upem = 2048;
  int winAscent = 0;
  int winDescent = 0;
  int hheaAscent = 0;
  int hheaDescent = 0;  // negative
  int lineGap = 0;
  int xAvgCharWidth = 0;
  int maxAdvance = 0;
  FT_Face face = nullptr;  // opened on first use, kept
};

struct FontFamily {
  std::string faceName;  // GBK name shown
  std::string english;
  std::vector<int> members;  // indexes into FaceTable::files
  unsigned charsetMask = 0;
};

// The reported character sets, in the order of their bits.
extern const BYTE kCharSets[13];

struct FaceTable {
  std::vector<FaceFile> files;
  std::vector<FontFamily> families;
  std::vector<FontFace> faces;  // what the enumeration reports
  std::map<std::string, int> matched;  // fontconfig's answers, by request
};

// Character codes of a code page (lead << 8 | trail or one byte) to Unicode
// through a table made once per code page; 0 when the code is no character.
char32_t FontCodeToChar(UINT codePage, UINT code);
// Code-page text to characters; a broken or unknown code gives 0xFFFF.
std::u32string FontDecode(UINT codePage, std::string_view text);

// The process-wide face table, read once. Guard FreeType calls with FontMutex().
FaceTable& Faces();
std::recursive_mutex& FontMutex();
// Reads one font file's names, metrics and character sets; false when it is
// not a usable TrueType face.
bool ReadFaceFile(const char* path, int index, FaceFile* f);
// Opens the face of a file (under FontMutex); null when it cannot be opened.
FT_Face OpenFace(FaceFile& f);
// Best member of a family for a weight (0: normal) and slant.
int PickMember(const FaceTable& t, const FontFamily& fam, LONG weight, bool italic);
// Family index for a logical font (under FontMutex); -1 when no face is
// installed at all.
int FindFamily(FaceTable& t, const LOGFONT& lf);

// An outline in 16.16 device units, y up, after scaling and the transform,
// kept as the native buffer holds it: for each polygon its header, then each
// curve's type and point count followed by its points.
struct GlyphOutline {
  std::unique_ptr<unsigned char[]> bytes;
  std::size_t size = 0;  // bytes of the native buffer
  std::size_t cap = 0;
  double advX = 0, advY = 0;  // transformed advance, pixels
  bool empty = true;          // no contours
  bool bounded = false;                           // the bounds below are worked out
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // exact bounds, pixels
  void clear() {
    size = 0;
    bounded = false;
    advX = advY = 0;
    empty = true;
    xMin = yMin = xMax = yMax = 0;
  }
  // contour(start) for each polygon, then curve(type, points, count) for each
  // of its curves, in their order.
  template <class ContourFn, class CurveFn>
  void Walk(ContourFn&& contour, CurveFn&& curve) const {
    const unsigned char* b = bytes.get();
    std::size_t pos = 0;
    while (pos + sizeof(TTPOLYGONHEADER) <= size) {
      TTPOLYGONHEADER h;
      std::memcpy(&h, b + pos, sizeof h);
      const std::size_t end = pos + h.cb;
      contour(h.pfxStart);
      for (std::size_t q = pos + sizeof h; q + 4 <= end;) {
        WORD w[2];
        std::memcpy(w, b + q, sizeof w);
        q += 4;
        curve(w[0], reinterpret_cast<const POINTFX*>(b + q), std::size_t(w[1]));
        q += std::size_t(w[1]) * sizeof(POINTFX);
      }
      pos = end;
    }
  }
};

// The outline of an unscaled glyph through t (xx, xy, yx, yy: font units to
// pixels as x' = xx x + xy y, y' = yx x + yy y) into out: its native buffer
// and, with `bounds`, its exact bounds (the advance is left as it is).
void BuildGlyphOutline(const FT_Outline& ol, const double t[4], GlyphOutline* out, bool bounds = true);

class FontImpl {
 public:
  FaceFile* file = nullptr;
  UINT codePage = 936;
  double ppem = 0;
  double sx = 0, sy = 0;  // pixels per font unit
  bool synBold = false;
  bool synItalic = false;
  TEXTMETRIC tm;

  // Glyph index for a character code of the font's code page; 0 when the face
  // has none.
  unsigned GlyphIndexOfCode(UINT code) const;
  unsigned GlyphIndexOfChar(char32_t ch) const;
  // Outline of a glyph with an extra 2x2 transform (xx, xy, yx, yy as
  // x' = xx x + xy y, y' = yx x + yy y); null when the glyph cannot be loaded.
  // The result lives until the next call; hold FontMutex() while using it.
  // Without `bounds` the outline may come without them (bounded false).
  const GlyphOutline* Outline(unsigned glyph, const double m[4], bool bounds = true) const;
  // The last outline made: a size query and the fetch that follows it make
  // the outline once.
  mutable unsigned lastGlyph = 0;
  mutable double lastM[4] = {};
  mutable GlyphOutline last;
  // The last character code asked for and its glyph.
  mutable bool lastCodeKnown = false;
  mutable UINT lastCode = 0;
  mutable unsigned lastCodeGlyph = 0;
  // Rounded advance in pixels of a glyph (untransformed).
  LONG Advance(unsigned glyph) const;
};

}  // namespace plat
