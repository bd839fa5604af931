// Installed fonts: enumeration per character set, logical fonts, glyph
// outlines in the native outline format, glyph and text metrics.
//
// Faces come from fontconfig and are read with FreeType. Only scalable
// TrueType faces (glyf outlines) are offered; CFF-flavoured OpenType faces are
// left out. Face names are GBK bytes: a face's zh-CN family name when it has
// one that GBK can hold, else its English family name.
//
// Character codes are given in the code page of the font's character set:
// a double-byte code is lead << 8 | trail (GBK for 134, BIG5 for 136, ...),
// a single byte is the code itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/types.h"

namespace plat {

// Character sets: platform/codepage.h; and
constexpr BYTE SYMBOL_CHARSET = 2;

// Weights.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;

// Quality (kept in the logical font; outlines are the same for every quality).
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;

// Font types reported by the enumeration.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

constexpr int LF_FACESIZE = 32;

struct LOGFONT {
  LONG lfHeight = 0;  // < 0: character (em) height, > 0: cell height, 0: default;
                     // at most 16384 pixels (larger heights are cut)
  LONG lfWidth = 0;   // average character width; 0: from the height
  LONG lfEscapement = 0;   // tenths of a degree, counter-clockwise
  LONG lfOrientation = 0;
  LONG lfWeight = FW_DONTCARE;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};  // GBK, NUL-terminated

  // Copies a face name, cut to LF_FACESIZE - 1 bytes (never inside a
  // double-byte character).
  void SetFaceName(std::string_view name);
  std::string FaceName() const;
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmCharSet = 0;
};

// 16.16 fixed point, laid out as the platform lays it out.
#pragma pack(push, 1)
struct FIXED {
  WORD fract = 0;
  std::int16_t value = 0;
};
struct POINTFX {
  FIXED x;
  FIXED y;
};
struct MAT2 {
  FIXED eM11, eM12, eM21, eM22;
};
struct TTPOLYGONHEADER {
  DWORD cb;      // bytes of this polygon: header and its curves
  DWORD dwType;  // TT_POLYGON_TYPE
  POINTFX pfxStart;
};
struct TTPOLYCURVE {
  WORD wType;  // TT_PRIM_LINE or TT_PRIM_QSPLINE
  WORD cpfx;   // number of points that follow
  POINTFX apfx[1];
};
#pragma pack(pop)
static_assert(sizeof(FIXED) == 4 && sizeof(POINTFX) == 8 && sizeof(MAT2) == 16);
static_assert(sizeof(TTPOLYGONHEADER) == 16 && sizeof(TTPOLYCURVE) == 12);

constexpr DWORD TT_POLYGON_TYPE = 24;
constexpr WORD TT_PRIM_LINE = 1;
constexpr WORD TT_PRIM_QSPLINE = 2;
constexpr WORD TT_PRIM_CSPLINE = 3;  // never produced: no cubic faces are offered

struct GLYPHMETRICS {
  UINT gmBlackBoxX = 0;
  UINT gmBlackBoxY = 0;
  POINT gmptGlyphOrigin;  // upper-left corner of the black box, y up from the baseline
  std::int16_t gmCellIncX = 0;
  std::int16_t gmCellIncY = 0;
};

// GetGlyphOutline formats.
constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_NATIVE = 2;
constexpr UINT GGO_UNHINTED = 0x0100;  // accepted; outlines are never hinted
constexpr DWORD GDI_ERROR = 0xFFFFFFFF;

// Rounds to the nearest 1/65536; saturates outside the range (NaN gives 0).
inline FIXED FixedFromDouble(double v) {
  double w = v * 65536.0;
  std::int32_t i;
  if (!(w == w)) {
    i = 0;
  } else if (w >= 2147483647.0) {
    i = 2147483647;
  } else if (w <= -2147483648.0) {
    i = -2147483647 - 1;
  } else {
    i = static_cast<std::int32_t>(w + (w < 0 ? -0.5 : 0.5));
  }
  FIXED f;
  f.fract = WORD(std::uint32_t(i) & 0xFFFF);
  f.value = std::int16_t(std::uint16_t(std::uint32_t(i) >> 16));
  return f;
}
inline std::int32_t FixedToLong(FIXED f) {
  return std::int32_t(std::uint32_t(std::uint16_t(f.value)) << 16 | f.fract);
}
inline double FixedToDouble(FIXED f) { return FixedToLong(f) / 65536.0; }
inline MAT2 IdentityMat2() {
  MAT2 m{};
  m.eM11.value = 1;
  m.eM22.value = 1;
  return m;
}

// One enumerated face: reported once per character set it covers.
struct FontFace {
  std::string faceName;     // GBK: zh-CN name or English family name
  std::string englishName;  // English family name (ASCII/GBK)
  BYTE charSet = 0;
  DWORD fontType = TRUETYPE_FONTTYPE;
};

// Every installed TrueType face family, each once per character set it covers,
// sorted by face name and then character set. Read once per process.
const std::vector<FontFace>& InstalledFontFaces();

// Calls proc for each face of the character set (DEFAULT_CHARSET: every face
// under every character set), with a logical font naming the face and its
// character set, and the font type. proc returns 0 to stop; the last value is
// returned (1 when nothing was reported).
using FontEnumProc = std::function<int(const LOGFONT&, DWORD fontType)>;
int EnumFontFamiliesEx(BYTE charSet, const FontEnumProc& proc);

class FontImpl;

// A logical font. Realised on first use: the face is found by its face name
// (the GBK name or the English one); an unknown or empty name falls back on
// fontconfig's choice for the character set's language.
class Font {
 public:
  explicit Font(const LOGFONT& lf);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const LOGFONT& GetLogFont() const { return lf_; }
  // False when no installed face could be found at all.
  bool IsRealized() const;
  // English family name of the face in use (empty when none).
  std::string RealizedFamily() const;
  // Code page the font's character codes are given in.
  UINT CodePage() const;

  // Writes the outline of one character. format GGO_NATIVE: with no buffer
  // (or cbBuffer 0) returns the bytes needed; with a buffer of at least that
  // size fills it and returns the bytes written; too small a buffer, a code
  // the face has no glyph for, or one the code page does not hold give
  // GDI_ERROR and zero metrics. GGO_METRICS fills only the metrics (returns 0).
  // A glyph without contours (a blank) needs 0 bytes. Points are 16.16 pixels,
  // y up from the baseline; mat (null: identity) is applied as
  // x' = eM11 x + eM21 y, y' = eM12 x + eM22 y.
  DWORD GetGlyphOutline(UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                        const MAT2* mat) const;
  // The same for a Unicode character.
  DWORD GetGlyphOutlineW(char32_t ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                         const MAT2* mat) const;

  // The GGO_NATIVE outline of a character (identity matrix when mat is null)
  // handed over instead of written out: Native with the buffer as
  // GetGlyphOutline would write it (for the call only), which unless
  // overridden hands it over in its order as Contour for each polygon, then
  // Curve for each of its curves. False where GetGlyphOutline gives GDI_ERROR
  // for it (a buffer large enough given); an empty buffer for a blank.
  class NativeOutlineSink {
   public:
    virtual void Native(const void* buffer, std::size_t size);
    virtual void Contour(const POINTFX&) {}
    virtual void Curve(WORD, const POINTFX*, std::size_t) {}

   protected:
    ~NativeOutlineSink() = default;
  };
  bool WalkGlyphOutline(UINT ch, const MAT2* mat, NativeOutlineSink& sink) const;
  bool GetTextMetrics(TEXTMETRIC* tm) const;
  // Width (sum of the rounded advances) and height (tmHeight) of GBK/code-page
  // text.
  SIZE GetTextExtent(std::string_view text) const;

  FontImpl* impl() const;

 private:
  DWORD OutlineOfGlyph(unsigned glyph, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                     const MAT2* mat) const;
  LOGFONT lf_;
  mutable FontImpl* impl_ = nullptr;
  mutable bool tried_ = false;
};

// Heap fonts for callers that pass fonts around by pointer.
Font* CreateFontIndirect(const LOGFONT& lf);
Font* CreateFont(LONG height, LONG width, LONG escapement, LONG orientation, LONG weight,
                 BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                 BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, std::string_view face);
void DeleteFont(Font* font);

// Reading a native outline buffer back (bounded: a malformed buffer ends the
// walk and gives false).
struct NativeCurve {
  WORD type = 0;  // TT_PRIM_LINE, TT_PRIM_QSPLINE or TT_PRIM_CSPLINE
  std::vector<POINTFX> points;
};
struct NativeContour {
  POINTFX start;
  std::vector<NativeCurve> curves;
};
bool ParseNativeOutline(const void* buffer, std::size_t size, std::vector<NativeContour>* out);

}  // namespace plat
