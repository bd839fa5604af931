// Palettes of colours kept in "PALETTE.INI", the packed colour helpers and the
// page record of a document.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/types.h"

class CIniFile;

// Packed colour 0x00RRGGBB, as drawing objects store it. The platform's colour
// value (COLORREF) is 0x00BBGGRR.
constexpr std::uint32_t MakePackedRGB(plat::BYTE r, plat::BYTE g, plat::BYTE b) {
  return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
}
constexpr plat::COLORREF PackedRGBToColorRef(std::uint32_t p) {
  return plat::RGB(plat::BYTE((p >> 16) & 0xFF), plat::BYTE((p >> 8) & 0xFF), plat::BYTE(p & 0xFF));
}
constexpr std::uint32_t ColorRefToPacked(plat::COLORREF c) {
  return MakePackedRGB(plat::BYTE(c & 0xFF), plat::BYTE((c >> 8) & 0xFF), plat::BYTE((c >> 16) & 0xFF));
}

// The palettes of one palette file: the names of all palettes and the colours
// of the loaded one. Every change goes to the file at once.
class CPaletteStore {
 public:
  static constexpr int kFixedColors = 16;
  static constexpr int kNameSlotSize = 40;  // 39 bytes and a terminator
  // Bounds on what one file holds (pens take the colour index as u16); what
  // lies beyond them is neither read nor added.
  static constexpr int kMaxPalettes = 65536;
  static constexpr int kMaxColors = 65536;

  // Opens "PALETTE.INI" in the palette folder.
  CPaletteStore();
  // Opens the palette file at a full path.
  explicit CPaletteStore(const std::string& path);
  CPaletteStore(const CPaletteStore&) = delete;
  CPaletteStore& operator=(const CPaletteStore&) = delete;

  // The palette folder: [PATH] "PALETTE" of the main settings file, by default
  // the folder above the program's followed by "PALETTE\".
  static std::string GetPaletteFolder();
  static std::string GetPaletteFolder(const CIniFile& settings);

  // Reloads from the palette folder + name: names, then palette 0.
  void Open(const std::string& fileName);
  // The same with a full path.
  void OpenPath(const std::string& path);
  const std::string& GetPath() const { return m_path; }

  void LoadPaletteNames();
  // Loads palette i's colours; 0 (nothing changed) when i is no palette.
  int LoadPalette(int i);

  int GetCurrentPalette() const { return m_currentPalette; }
  int GetPaletteCount() const { return m_paletteCount; }
  // Copies palette i's name; 0 (name cleared) when i is no palette.
  int GetPaletteName(int i, std::string& name) const;

  int GetColorCount() const { return m_colorCount; }
  // Packed colour i; 0 for a bad index.
  std::uint32_t GetColor(int i) const;
  // Platform colour of colour i; black for a bad index.
  plat::COLORREF GetColorRef(int i) const;
  // Index of the first colour equal to c, or -1.
  int FindColor(plat::COLORREF c) const;
  // The colours' packed values as decimal text, in order.
  std::vector<std::string> GetColorTexts() const;
  // Adds every colour's packed value as decimal text to a combo or list box
  // (anything with AddString); 0 when there are no colours.
  template <class Box>
  int FillComboBox(Box& box) const {
    return FillBox(box);
  }
  template <class Box>
  int FillListBox(Box& box) const {
    return FillBox(box);
  }

  // Stores colour i in memory; 0 for a bad index.
  int SetColor(int i, plat::COLORREF c);
  // Stores colour i and writes it to the file; 0 for a bad index or a fixed colour.
  int ChangeColor(int i, plat::COLORREF c);
  // Appends the colour and writes it; returns its index. A colour already in
  // the palette adds nothing and returns the colour count; 0 when no palette
  // is loaded or the palette is full.
  int AddColor(plat::COLORREF c);
  // Removes colour i and rewrites the keys after it; 0 for a bad index or a
  // fixed colour.
  int DeleteColor(int i);

  // Appends a palette; returns the new palette count.
  int AddPalette(const std::string& name);
  // Renames palette i in the file and in memory; 0 for a bad index.
  int RenamePalette(int i, const std::string& name);
  // Rebuilds the file without palette i. The names and colours are not
  // reloaded. 0 when i is no palette or the file could not be replaced (it is
  // then unchanged).
  int DeletePalette(int i);

  // Pens and brushes belong to the caller, which deletes them.
  // A pen of colour i; null when i, taken as u16, is not below the colour count.
  plat::HPEN CreateIndexPen(int i, int style, int width) const;
  plat::HPEN CreateColorPen(std::uint32_t packed, int style, int width) const;
  // A brush of the style (BS_SOLID, BS_HATCHED with horizontal hatch, BS_NULL)
  // and colour i; null for a bad index or style.
  plat::HBRUSH CreateIndexBrush(int i, int brushStyle) const;
  plat::HBRUSH CreateColorBrush(std::uint32_t packed, int brushStyle) const;

 private:
  template <class Box>
  int FillBox(Box& box) const {
    if (m_colorCount <= 0) return 0;
    for (const std::string& t : GetColorTexts()) box.AddString(t);
    return 1;
  }
  void FreeBlocks();
  std::uint32_t* Colors() const;
  bool SetNameSlot(int i, const std::string& name);
  bool EnsureColorCapacity(int count);
  void WriteColorKey(int i, std::uint32_t packed) const;
  std::string CurrentSection() const;

  std::string m_path;
  int m_colorCount = 0;
  int m_paletteCount = 0;
  int m_currentPalette = 0;
  plat::GlobalBlock m_colors;  // u32 packed colours
  plat::GlobalBlock m_names;   // name slots of kNameSlotSize bytes
  int m_nameSlotSize = kNameSlotSize;
};

// The global palette store of the program.
CPaletteStore& ThePaletteStore();

// The page record of a document.
class CPageInfo {
 public:
  static constexpr std::size_t kBlockSize = 32;

  // Palette type, back colour, grid size and grid colour from the profile
  // section "SystemParam"; the page size is set by the document.
  CPageInfo();

  // Appends the 32-byte block: u32 32, the six fields, u32 0.
  void Write(std::vector<std::uint8_t>& out) const;
  // Reads the length and the six fields when the document's format version
  // is 6.0 and the data holds them; otherwise reads nothing and returns 0.
  int Read(const std::uint8_t* data, std::size_t size, float version);

  float m_pageWidth = 0.0f;
  float m_pageHeight = 0.0f;
  std::int32_t m_paletteType = 0;
  std::uint32_t m_backColor = 0xFFFFFF;  // packed colour
  std::int32_t m_gridSize = 50;
  std::uint32_t m_gridColor = 0x808080;  // packed colour
};
