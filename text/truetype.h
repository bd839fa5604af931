// Reading TrueType font files directly: the font's full name and glyph
// outlines (quadratic contours turned into cubic ones), bounded by the file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/pathpoints.h"

class CFileServices;

struct TtNameRecord {
  std::uint16_t platformId = 0, encodingId = 0, languageId = 0, nameId = 0;
  std::uint16_t length = 0, offset = 0;
  std::string bytes;
};

struct TtFontMetrics {
  std::uint16_t unitsPerEm = 0;
  std::int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

// One point of a simple glyph: on-curve flag and deltas.
struct TtGlyphPoint {
  bool onCurve;
  std::int32_t dx, dy;
};

struct TtSimpleGlyph {
  std::vector<std::uint16_t> ends;
  std::vector<TtGlyphPoint> points;
};

class CTrueTypeReader {
 public:
  static constexpr int kGb2312 = 1;
  static constexpr int kBig5 = 2;

  // 1 and the GB text of the full name (Chinese records only), else 0 and an
  // empty text.
  static int GetFamilyName(const std::string& path, std::string& name);
  // The outline in font units (y up); null for a missing, empty, composite
  // or broken glyph.
  static std::unique_ptr<CPathPointList> GetGlyphOutline(const std::string& path,
                                                         std::uint16_t code, int charSet,
                                                         TtFontMetrics* metrics);

  // Steps.
  static bool FindTable(CFileServices& file, const char* tag, std::uint32_t* offset,
                        std::uint32_t* length);
  static bool FindFontName(CFileServices& file, TtNameRecord* record);
  static bool GetGlyfOffset(CFileServices& file, std::uint32_t* offset, std::uint32_t* length);
  // Metrics and the index-to-location format.
  static bool ReadHead(CFileServices& file, TtFontMetrics* metrics, int* locaFormat);
  static bool ReadMaxp(CFileServices& file, std::uint16_t* glyphCount);
  static bool FindLoca(CFileServices& file, std::uint32_t* offset, std::uint32_t* length);
  // Glyph index of a code in the first format 2 or 4 'cmap' subtable; 0 when
  // unmapped; false when there is no such subtable.
  static bool LookupGlyphIndex(CFileServices& file, std::uint32_t code, std::uint16_t* glyph);
  // The glyph's bytes; false for an index not below the count or offsets
  // outside the tables; an empty glyph gives true and no bytes.
  static bool ReadGlyph(CFileServices& file, std::uint16_t glyph, std::vector<std::uint8_t>* data);
  static bool ParseSimpleGlyph(const std::vector<std::uint8_t>& data, TtSimpleGlyph* glyph);
  static std::unique_ptr<CPathPointList> BuildOutline(const TtSimpleGlyph& glyph);
};
