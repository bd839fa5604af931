// A glyph source for the text targets: every language has a slot and every
// character a small square glyph, so laying out, drawing and outlines run.
#pragma once
#include <memory>

#include "model/pathpoints.h"
#include "text/glyphsource.h"

namespace fuzz {

class SquareGlyphs : public CGlyphSource {
 public:
  int FindSlot(std::uint8_t id) override { return id % 30; }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t,
                                             std::uint16_t code) override {
    auto list = std::make_unique<CPathPointList>();
    const float r = code >= 256 ? 900.0f : 450.0f;
    list->AddPoint(100, 100, 0x11);
    list->AddPoint(r, 100, 0x01);
    list->AddPoint(r, 900, 0x01);
    list->AddPoint(100, 100, 0x41);
    list->EndPoints();
    return list;
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t code, GlyphMetrics& m) override {
    m.blackBoxX = 400;
    m.blackBoxY = 700;
    m.advanceX = 300 + code;
    return true;
  }
};

inline void InstallSquareGlyphs() {
  static SquareGlyphs glyphs;
  SetGlyphSource(&glyphs);
}

}  // namespace fuzz
