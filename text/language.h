// The language slots: their IDs and names from "VORLAN98.INI", the font
// sources of each slot and the font table section of a document.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gmem.h"

class CFileServices;
class CListBoxServices;

// Font-source code: (source kind << 8) | language ID. Kind 0 the installed
// fonts of the slot, 1 its mounted TrueType files, 2 + i own-font group i.
constexpr std::uint16_t MakeFontSource(int kind, std::uint8_t id) {
  return std::uint16_t((kind << 8) | id);
}

// One record of the document font table (14 bytes on file).
struct FontTableRecord {
  std::uint32_t dataSize = 0;
  std::uint8_t languageId = 0;
  std::uint8_t kind = 0;
  std::uint32_t width = 40;
  std::uint32_t offset = 0;
};
constexpr std::uint32_t kFontTableRecordSize = 14;
constexpr std::uint32_t kFontNameWidth = 40;

class CLanguage {
 public:
  static constexpr int kSlots = 30;
  static constexpr int kNameSize = 20;  // 19 bytes and the terminator
  static constexpr std::uint8_t kNoId = 0xFF;

  CLanguage();

  // Reads the 30 slots from g_IniFile; returns the 600 bytes of names
  // (slot i at 20 * i).
  const char* Load();
  // Copies the slot's name into name[20]; true when it is not empty. False
  // (nothing copied) before the first Load or outside 0..29.
  bool GetName(int slot, char* name) const;
  std::string GetName(int slot) const;
  // The slot's ID byte; 0xFF outside 0..29.
  int GetId(int slot) const;
  // First slot with this ID, else -1; 0xFF always gives -1.
  int FindId(std::uint8_t id) const;
  int GetLastIndex() const { return lastIndex_; }

  // Settings of the slot's mounts, read from the settings file at each call.
  int GetMountCount(int slot) const;
  // Slot name + "MountName%d" + "Fonts"; returns ((group + 2) << 8) | ID.
  int GetMountName(int slot, int group, std::string& out) const;
  // "MountPath%d", read whole; returns ((group + 2) << 8) | ID.
  int GetMountPath(int slot, int group, std::string& out) const;
  // "TTFMountPath"; returns (1 << 8) | ID.
  int GetTtfMountPath(int slot, std::string& out) const;

  // Every font source of every named slot (up to the first unnamed one):
  // labels into one box, the decimal codes at the same positions into the other.
  void FillFontSources(CListBoxServices& labels, CListBoxServices& codes) const;
  // One line "%-40s -[%d,%d]" per font source of the language.
  void ListLanguageFonts(std::uint8_t id, CListBoxServices& list) const;
  // Index of the font of that display name in the source, -1 when absent.
  int FindFontInSource(int slot, int kind, std::string_view name) const;

  // Writes the document font table at the file's position; 1, or 0 when a
  // write or seek fails.
  int WriteToFile(CFileServices& file) const;
  // Reads the table written by WriteToFile into one movable block (offsets
  // made relative to the block); null when the table is empty or cannot be
  // held by the file. The caller owns the block.
  plat::HGLOBAL ReadFromFile(CFileServices& file) const;

 private:
  bool loaded_ = false;
  char names_[kSlots * kNameSize] = {};
  int lastIndex_ = 0;
  std::uint8_t ids_[kSlots];
};

extern CLanguage g_Language;

// Reads record i of a font table block (bounded by size); false when it lies
// outside.
bool GetFontTableRecord(const std::uint8_t* block, std::size_t size, std::uint32_t i,
                        FontTableRecord* out);
// The name of font `index` of the (language ID, source kind) list in a font
// table block; false when the block holds no such name.
bool GetFontTableName(const std::uint8_t* block, std::size_t size, std::uint8_t languageId,
                      std::uint8_t kind, int index, std::string* name);

// The display names (GBK, at most 39 bytes) of the fonts of one source of a
// language, in entry order; none for a language without a slot.
std::vector<std::string> FontSourceNames(std::uint8_t languageId, int kind);
