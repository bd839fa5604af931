// The text attribute record: size, font per language slot, angle, skew, gaps,
// the text-mode flags and the running layout state that control items change
// while an arrangement walks a text.
#pragma once
#include <cstdint>

class CIniFile;
class CProfile;
class CTextArrange;

// Language slots of the language table.
constexpr int kLanguageSlots = 30;

// Running layout mode bits.
constexpr std::uint16_t TA_MODE_4 = 4;
constexpr std::uint16_t TA_MODE_8 = 8;
constexpr std::uint16_t TA_MODE_16 = 16;

class CTextAttr {
 public:
  // Every field 0.
  CTextAttr() = default;

  // Sizes (profile "SystemParam" FONTSIZEX, FONTSIZEY; 40 mm when missing,
  // not positive or not finite), per-slot fonts from "Language%d"
  // DefaultType/DefaultID of the INI file, angle, skews and gaps from the
  // profile, TM state "TMState", mode 0, then the languages from the locale.
  bool LoadDefaults();
  bool LoadDefaults(const CProfile& profile, const CIniFile& ini, std::uint16_t systemLangId);

  // 128, 129, 134, 136 double-byte; 133 gives 134; 204, 222 single-byte;
  // any other id sets the single-byte language to 0. Returns 1.
  int SetLanguage(std::uint8_t languageId);
  // From a Windows language id (low 16 bits). Returns 1.
  int SetLanguageFromLocale(std::uint32_t windowsLangId);
  CTextAttr& Assign(const CTextAttr& other);

  // Font type and id of the slot of a language id; type 0 and id 0 for a
  // language without a slot.
  std::uint8_t FontTypeOf(std::uint8_t languageId) const;
  std::uint16_t FontIdOf(std::uint8_t languageId) const;

  float sizeX = 0.0f;
  float sizeY = 0.0f;
  std::uint8_t doubleByteLanguage = 0;
  std::uint8_t singleByteLanguage = 0;
  std::uint8_t fontType[kLanguageSlots] = {};
  std::uint16_t fontId[kLanguageSlots] = {};
  std::uint16_t tmState = 0;
  std::uint16_t mode = 0;
  std::uint16_t indentLevel = 0;
  float lineGap = 0.0f;
  float boxGap = 0.0f;
  float angle = 0.0f;
  float skewX = 0.0f;
  float skewY = 0.0f;
  std::uint16_t currentFont = 0;
};

// The program's default attributes (lives for the whole run).
CTextAttr& DefaultTextAttr();

// The attributes in force before item n of the arrangement's items; the caller
// owns the result. The line start is the top of the arrangement rectangle
// (variants 0, 1), its left (2) or right edge (3), moved by every line end
// met. With `lineExtent` the walk also measures the extent of the line or
// column the walk ends in.
CTextAttr* GetRunningTextAttr(const CTextArrange* arrange, int n, float* lineExtent,
                              float* lineStart);
