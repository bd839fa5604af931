// The font catalogue: per language slot, the installed fonts, the mounted
// TrueType files and the mounted own font files, and the outline of one
// character of one font in the 1024-unit frame (y down).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/pathpoints.h"
#include "platform/font.h"
#include "platform/gmem.h"

struct CFontEntry {
  std::string path;  // empty for installed fonts
  std::string name;  // display name (GBK)
};

struct CFontGroup {
  std::vector<CFontEntry> entries;
};

// 30 slots, each an ordered list of groups of entries.
class CFontSourceTable {
 public:
  static constexpr int kSlots = 30;

  CFontSourceTable() = default;
  virtual ~CFontSourceTable() = default;
  CFontSourceTable(const CFontSourceTable&) = delete;
  CFontSourceTable& operator=(const CFontSourceTable&) = delete;

  // True and the display name, or false and an empty text.
  bool GetEntryName(int slot, int group, int entry, std::string& out) const;
  bool GetEntryPath(int slot, int group, int entry, std::string& out) const;
  // First entry whose display name equals the name exactly, else -1.
  int FindEntry(int slot, int group, std::string_view name) const;
  // 0 outside 0..29.
  int GetGroupCount(int slot) const;
  // 0 for a missing slot or group.
  int GetEntryCount(int slot, int group) const;
  // Files the entry at the end of the group; group == count makes a new
  // group; a larger group fails.
  bool AddEntry(int slot, int group, CFontEntry entry);
  // Movable zero-filled block of (count + 1) * width bytes: name i at
  // width * i, cut to width - 1 bytes on a character boundary; null for an
  // empty or missing group or a width below 2.
  plat::HGLOBAL GetNameList(int slot, int group, int width) const;
  // Makes empty groups until the slot has at least count.
  void MakeGroups(int slot, int count);
  void Clear();

 protected:
  const CFontEntry* Entry(int slot, int group, int entry) const;

 private:
  std::vector<CFontGroup> slots_[kSlots];
};

// The installed TrueType fonts, group 0 of each slot.
class CFontCatalog : public CFontSourceTable {
 public:
  // Clears and refills the source from the installed faces.
  int EnumWindowsFonts();
  // Fills the own-font source from the mount folders; returns 1.
  int ScanCftMounts();
  // A font of the face and character set at the height (as the logical
  // font's height); null for an empty face name.
  static std::unique_ptr<plat::Font> CreateCatalogFont(std::uint8_t charSet,
                                                       std::string_view face, int height);
  // The metrics at height 1024 of the font (language ID, entry); all zero
  // when there is no such font or glyph.
  void GetGlyphMetrics(std::uint8_t languageId, int index, unsigned code,
                       plat::GLYPHMETRICS* gm) const;

  int scaleX = 100;
  int scaleY = 100;
  float descent = 0.2f;
};

// Outline of a character of an installed font: 1024 em, y down, baseline at
// (1 - descent) * 1000 (800 by default) for codes below 256 and at 1000 for
// others, then the matrix; applied before return.
std::unique_ptr<CPathPointList> GetTrueTypeGlyphOutline(std::uint8_t languageId, int index,
                                                        unsigned code,
                                                        const CMatrix3* matrix = nullptr);

// The TrueType files of each slot's "TTFMountPath", group 0.
class CTtfFontTable : public CFontSourceTable {
 public:
  // 1 when every named folder held "*.TTF" files; 0 when one had none (the
  // other folders are still scanned).
  int ScanTtfMounts();
  // The glyph in the 1024 frame, its transform pending; null when missing.
  std::unique_ptr<CPathPointList> GetGlyph(int slot, int index, unsigned code) const;
};

// Own font files, group j for "MountPath%d" j.
class CCftFontTable : public CFontSourceTable {
 public:
  // The header values of the last file read, keyed by its path.
  struct HeaderCache {
    std::string path;
    std::int16_t xOffset = 0;
    std::int16_t yOffset = 0;
    float version = 0.0f;
  };
  HeaderCache cache;
};

extern CFontCatalog g_FontCatalog;
extern CTtfFontTable g_TtfFontTable;
extern CCftFontTable g_CftFontTable;
