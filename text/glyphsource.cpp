#include "text/glyphsource.h"

#include "model/pathpoints.h"
#include "platform/font.h"
#include "text/cftfont.h"
#include "text/fontcatalog.h"
#include "text/language.h"

namespace {

plat::HGLOBAL g_documentFontTable = 0;

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
  bool GetTableFontName(const CLanguage*, std::uint8_t languageId, std::uint8_t fontType,
                        std::uint16_t fontId, std::string& name) override {
    if (!g_documentFontTable) return false;
    plat::GlobalLockGuard g(g_documentFontTable);
    if (!g) return false;
    return GetFontTableName(g.bytes(), g.size(), languageId, fontType, fontId, &name);
  }
  int FindInstalledFont(std::uint8_t languageId, std::uint8_t fontType,
                        const std::string& name) override {
    const int slot = g_Language.FindId(languageId);
    return slot < 0 ? -1 : g_Language.FindFontInSource(slot, fontType, name);
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

plat::HGLOBAL SetDocumentFontTable(plat::HGLOBAL table) {
  const plat::HGLOBAL old = g_documentFontTable;
  g_documentFontTable = table;
  return old;
}
