#include "text/glyphsource.h"

#include "model/pathpoints.h"
#include "platform/font.h"
#include "text/cftfont.h"
#include "text/fontcatalog.h"
#include "text/language.h"

namespace {

// The program's fonts: the language table's slots, the installed fonts,
// the mounted TrueType files and the own vector fonts.
class CFontLayerGlyphSource : public CGlyphSource {
 public:
  int FindSlot(std::uint8_t languageId) override { return g_Language.FindId(languageId); }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t fontType, std::uint8_t languageId,
                                             int slot, std::uint16_t fontId,
                                             std::uint16_t code) override {
    std::unique_ptr<CPathPointList> out;
    if (fontType == 0)
      out = GetTrueTypeGlyphOutline(languageId, fontId, code);
    else if (fontType == 1)
      out = g_TtfFontTable.GetGlyph(slot, fontId, code);
    else
      out = CCftFont::GetGlyph(slot, fontType - 2, fontId, code);
    if (out) out->ApplyTransform();
    return out;
  }
  bool GetMetrics(std::uint8_t languageId, std::uint16_t fontId, std::uint16_t code,
                  GlyphMetrics& metrics) override {
    plat::GLYPHMETRICS gm;
    g_FontCatalog.GetGlyphMetrics(languageId, fontId, code, &gm);
    metrics.blackBoxX = gm.gmBlackBoxX;
    metrics.blackBoxY = gm.gmBlackBoxY;
    metrics.advanceX = gm.gmCellIncX;
    return gm.gmBlackBoxX != 0 || gm.gmCellIncX != 0;
  }
};

CGlyphSource* FontLayer() {
  static CFontLayerGlyphSource fonts;
  return &fonts;
}

CGlyphSource*& Slot() {
  static CGlyphSource* source = FontLayer();
  return source;
}

}  // namespace

CGlyphSource* SetGlyphSource(CGlyphSource* source) {
  CGlyphSource* old = Slot();
  Slot() = source ? source : FontLayer();
  return old;
}

CGlyphSource& GetGlyphSource() { return *Slot(); }
