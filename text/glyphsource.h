// Where characters get their shapes: the language slot of a language id,
// glyph outlines from the font sources and glyph metrics. The program
// installs the font layer's source; tests install their own.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gmem.h"

class CLanguage;
class CPathPointList;

// Metrics of a glyph at an em height of 1024 units.
struct GlyphMetrics {
  std::uint32_t blackBoxX = 0;
  std::uint32_t blackBoxY = 0;
  std::int32_t advanceX = 0;
};

class CGlyphSource {
 public:
  virtual ~CGlyphSource() = default;
  // The language slot of a language id; -1 when no slot has it.
  virtual int FindSlot(std::uint8_t languageId) = 0;
  // The outline of a character in a 1024-unit em, y downward, its own
  // transform applied; null when the source has no such glyph. Font type 0
  // the installed fonts (by language id and font id), 1 the mounted TrueType
  // files and 2 + g the own vector fonts of mount group g (by slot and font id).
  virtual std::unique_ptr<CPathPointList> GetOutline(std::uint8_t fontType,
                                                     std::uint8_t languageId, int slot,
                                                     std::uint16_t fontId,
                                                     std::uint16_t code) = 0;
  // Metrics of a single-byte character in the installed font of the language
  // and font id; false when there are none.
  virtual bool GetMetrics(std::uint8_t languageId, std::uint16_t fontId, std::uint16_t code,
                          GlyphMetrics& metrics) = 0;
  // The used-font check: the name the document's font table gives for a
  // language, font type and font id; false when it gives none.
  virtual bool GetTableFontName(const CLanguage* table, std::uint8_t languageId,
                                std::uint8_t fontType, std::uint16_t fontId, std::string& name) {
    (void)table, (void)languageId, (void)fontType, (void)fontId, (void)name;
    return false;
  }
  // The index of a font name among the installed fonts of the language's
  // slot and font type; -1 when it is not installed.
  virtual int FindInstalledFont(std::uint8_t languageId, std::uint8_t fontType,
                                const std::string& name) {
    (void)languageId, (void)fontType, (void)name;
    return -1;
  }
};

// The installed source; never null (the program's fonts unless another is
// installed). Returns the previous one.
CGlyphSource* SetGlyphSource(CGlyphSource* source);
CGlyphSource& GetGlyphSource();

// The document font table (a block of CLanguage::ReadFromFile) the program's
// source names fonts from in the used-font check; 0 for none. Returns the
// previous one. The block stays the caller's.
plat::HGLOBAL SetDocumentFontTable(plat::HGLOBAL table);

// Installs a source for a scope.
class ScopedGlyphSource {
 public:
  explicit ScopedGlyphSource(CGlyphSource* source) : prev_(SetGlyphSource(source)) {}
  ~ScopedGlyphSource() { SetGlyphSource(prev_); }
  ScopedGlyphSource(const ScopedGlyphSource&) = delete;
  ScopedGlyphSource& operator=(const ScopedGlyphSource&) = delete;

 private:
  CGlyphSource* prev_;
};
