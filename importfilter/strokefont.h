// The label stroke font: packed glyph records for the codes 33 to 126 and the
// decoder that turns them into sub-paths.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "importfilter/filtergroup.h"

namespace imp {

extern const std::uint8_t kStrokeFont[];
extern const std::size_t kStrokeFontSize;

// The decoder's state for one glyph; points into the record, owns nothing.
// Reads never leave [record, end).
struct GlyphDecoder {
  const std::uint8_t* end = nullptr;
  const std::uint8_t* contourEnd = nullptr;  // next contour-end entry
  const std::uint8_t* contourEndStop = nullptr;
  const std::uint8_t* segmentByte = nullptr;
  int segmentBit = 7;
  const std::uint8_t* codeByte = nullptr;
  bool highNibble = true;
  const std::uint8_t* stream = nullptr;
  int bitPos = 0;
  int width = 0;      // w
  int fieldBits = 0;  // w + 1
  std::uint32_t signBit = 0;
  bool hasSegmentBits = false;
};

void SetGlyphBitWidth(GlyphDecoder& d, std::uint8_t format);
// The byte where the point codes start, behind the segment-kind bits that
// cover `points` points from `first`; never past `end`.
const std::uint8_t* SkipSegmentBits(const std::uint8_t* first, const std::uint8_t* end, std::uint32_t points);
void ReadGlyphPoint(GlyphDecoder& d, std::int32_t& x, std::int32_t& y, unsigned code);

// One member per contour of the glyph record (`size` bytes available), each
// point put through `m` when given; null for a record that does not fit.
std::unique_ptr<CFilterObjectList> DecodeGlyph(GlyphDecoder& d, const std::uint8_t* record,
                                               std::size_t size, const FMatrix* m);
// The glyph record of a code 33..126 in a font table; null otherwise.
const std::uint8_t* GlyphRecord(const std::uint8_t* font, std::size_t fontSize, unsigned code,
                                std::size_t* size);

// The outlines of a text in font units, character i moved right by i x 1024,
// every member with pen 7; null when no character is drawable.
std::unique_ptr<CFilterObjectList> MakeLabelOutline(std::string_view text);

}  // namespace imp
