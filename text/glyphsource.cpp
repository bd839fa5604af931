#include "text/glyphsource.h"

#include "model/pathpoints.h"

namespace {

// Until a source is installed: no slots and no glyphs.
class CEmptyGlyphSource : public CGlyphSource {
 public:
  int FindSlot(std::uint8_t) override { return -1; }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t,
                                             std::uint16_t) override {
    return nullptr;
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t, GlyphMetrics&) override {
    return false;
  }
};

CGlyphSource* Empty() {
  static CEmptyGlyphSource empty;
  return &empty;
}

CGlyphSource*& Slot() {
  static CGlyphSource* source = Empty();
  return source;
}

}  // namespace

CGlyphSource* SetGlyphSource(CGlyphSource* source) {
  CGlyphSource* old = Slot();
  Slot() = source ? source : Empty();
  return old;
}

CGlyphSource& GetGlyphSource() { return *Slot(); }
