// A glyph source for the text tests: fixed slots, one square outline per
// code (narrow for single-byte codes), one code without a glyph and one with
// a flat outline; every request is counted.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/pathpoints.h"
#include "model/services.h"
#include "text/boxarray.h"
#include "text/glyphsource.h"
#include "text/textattr.h"

constexpr std::uint16_t kMissingCode = 0xB0A2;  // no glyph anywhere
constexpr std::uint16_t kFlatCode = 0xB0A3;     // a horizontal line only
constexpr std::uint16_t kGbA = 0xB0A1;          // 啊
constexpr std::uint16_t kGbB = 0xB0A4;

class StubGlyphSource : public CGlyphSource {
 public:
  StubGlyphSource() : scope_(this) {}
  int FindSlot(std::uint8_t id) override {
    auto it = slots.find(id);
    return it == slots.end() ? -1 : it->second;
  }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t type, std::uint8_t lang, int slot,
                                             std::uint16_t fontId, std::uint16_t code) override {
    ++outlineRequests;
    lastType = type;
    lastLang = lang;
    lastSlot = slot;
    lastFontId = fontId;
    if (code == kMissingCode || code == 'X') return nullptr;
    auto list = std::make_unique<CPathPointList>();
    if (code == kFlatCode) {
      list->AddPoint(100, 500, 0x11);
      list->AddPoint(900, 500, 0x41);
    } else {
      const float r = code >= 256 ? 900.0f : 450.0f;
      list->AddPoint(100, 100, 0x11);
      list->AddPoint(r, 100, 0x01);
      list->AddPoint(r, 900, 0x01);
      list->AddPoint(100, 900, 0x01);
      list->AddPoint(100, 100, 0x41);
    }
    list->EndPoints();
    return list;
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t code, GlyphMetrics& m) override {
    ++metricRequests;
    if (code == 'X') return false;
    m.blackBoxX = 350;
    m.blackBoxY = 800;
    m.advanceX = code == 'W' ? 1024 : 512;
    return true;
  }
  bool GetTableFontName(const CLanguage*, std::uint8_t lang, std::uint8_t type, std::uint16_t id,
                        std::string& name) override {
    auto it = tableNames.find(Key(lang, type, id));
    if (it == tableNames.end()) return false;
    name = it->second;
    return true;
  }
  int FindInstalledFont(std::uint8_t lang, std::uint8_t type, const std::string& name) override {
    ++installedLookups;
    auto it = installed.find(std::to_string(lang) + "/" + std::to_string(type) + "/" + name);
    return it == installed.end() ? -1 : it->second;
  }
  static std::uint32_t Key(std::uint8_t lang, std::uint8_t type, std::uint16_t id) {
    return (std::uint32_t(lang) << 24) | (std::uint32_t(type) << 16) | id;
  }

  std::map<std::uint8_t, int> slots{{0, 0}, {134, 1}, {133, 2}, {136, 3}, {128, 4},
                                    {129, 5}, {204, 6}, {222, 7}};
  std::map<std::uint32_t, std::string> tableNames;
  std::map<std::string, int> installed;  // "lang/type/name" -> index
  int outlineRequests = 0, metricRequests = 0, installedLookups = 0;
  std::uint8_t lastType = 0, lastLang = 0;
  int lastSlot = -2;
  std::uint16_t lastFontId = 0;

 private:
  ScopedGlyphSource scope_;
};

// Attributes with a distinct font per slot and 10 mm characters.
inline CTextAttr TestAttr(float size = 10.0f) {
  CTextAttr a;
  a.sizeX = size;
  a.sizeY = size;
  a.doubleByteLanguage = 134;
  for (int i = 0; i < kLanguageSlots; ++i) {
    a.fontType[i] = std::uint8_t(i % 3);
    a.fontId[i] = std::uint16_t(100 + i);
  }
  return a;
}

// Characters from GBK text (double-byte codes from lead bytes 0x81 and up).
inline void AddText(CBoxArray& array, const char* text, const CTextAttr& attr) {
  for (std::uint16_t code : TextToCharCodes(text))
    array.Add(std::make_unique<CBoxChar>(code, attr));
}
