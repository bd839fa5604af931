#include "model/palette.h"
#include "platform/bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "model/helpers.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace {

constexpr plat::COLORREF kFixed[CPaletteStore::kFixedColors] = {
    plat::RGB(0, 0, 0),       plat::RGB(0, 0, 128),     plat::RGB(0, 128, 128),   plat::RGB(0, 128, 0),
    plat::RGB(128, 0, 0),     plat::RGB(128, 0, 128),   plat::RGB(128, 128, 0),   plat::RGB(192, 192, 192),
    plat::RGB(128, 128, 128), plat::RGB(0, 0, 255),     plat::RGB(0, 255, 255),   plat::RGB(0, 255, 0),
    plat::RGB(255, 0, 0),     plat::RGB(255, 0, 255),   plat::RGB(255, 255, 0),   plat::RGB(255, 255, 255),
};

std::string Key(const char* format, int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// One read of the palette file; sections and keys are looked up as the
// private-profile reads look them up (case-insensitive, first match).
class PaletteFile {
 public:
  explicit PaletteFile(const std::string& path) : m_sections(plat::ReadPrivateProfile(plat::ResolvePath(path))) {}

  // The value of at most maxChars bytes; "" when missing.
  std::string Get(const std::string& section, const std::string& key, std::size_t maxChars) {
    const Index* index = Find(section);
    if (!index) return {};
    auto it = index->find(Lower(key));
    if (it == index->end()) return {};
    return it->second->size() > maxChars ? it->second->substr(0, maxChars) : *it->second;
  }

 const std::vector<plat::ProfileSection>& Sections() const { return m_sections; }

  static std::string Lower(std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
  }

 private:
  using Index = std::unordered_map<std::string, const std::string*>;

  const Index* Find(const std::string& section) {
    std::string name = Lower(section);
    auto cached = m_index.find(name);
    if (cached != m_index.end()) return &cached->second;
    for (const plat::ProfileSection& sec : m_sections) {
      if (Lower(sec.name) != name) continue;
      Index& index = m_index[name];
      for (const auto& [key, value] : sec.entries) index.emplace(Lower(key), &value);  // first wins
      return &index;
    }
    return nullptr;
  }

  std::vector<plat::ProfileSection> m_sections;
  std::unordered_map<std::string, Index> m_index;
};

void WriteValue(const std::string& file, const std::string& section, const std::string& key, const char* value) {
  plat::WritePrivateProfileString(section.c_str(), key.c_str(), value, plat::ResolvePath(file));
}

plat::BYTE ColorField(const std::string& text, int n) {
  std::string field;
  GetField(text, n, field, ',');
  return static_cast<plat::BYTE>(std::atoi(field.c_str()) & 0xFF);
}

std::string ColorText(std::uint32_t packed) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%d,%d,%d", int((packed >> 16) & 0xFF), int((packed >> 8) & 0xFF),
                int(packed & 0xFF));
  return buf;
}

// At most max bytes of GBK text, never ending in half a character.
std::string Truncate(const std::string& s, std::size_t max) {
  std::size_t n = 0;
  while (n < s.size()) {
    std::size_t len = plat::IsDBCSLeadByteEx(plat::CP_GBK, static_cast<std::uint8_t>(s[n])) ? 2 : 1;
    if (n + len > max || n + len > s.size()) break;
    n += len;
  }
  return s.substr(0, n);
}

}  // namespace

// ---------------------------------------------------------------------------

CPaletteStore::CPaletteStore() { Open("PALETTE.INI"); }

CPaletteStore::CPaletteStore(const std::string& path) { OpenPath(path); }

std::string CPaletteStore::GetPaletteFolder(const CIniFile& settings) {
  std::string folder;
  settings.GetString("PATH", "PALETTE", folder, (GetProgramParentFolder() + "PALETTE\\").c_str());
  return folder;
}

std::string CPaletteStore::GetPaletteFolder() { return GetPaletteFolder(g_IniFile); }

void CPaletteStore::Open(const std::string& fileName) { OpenPath(GetPaletteFolder() + fileName); }

void CPaletteStore::OpenPath(const std::string& path) {
  FreeBlocks();
  m_path = path;
  LoadPaletteNames();
  LoadPalette(0);
}

void CPaletteStore::FreeBlocks() {
  m_colors.reset();
  m_names.reset();
  m_colorCount = 0;
  m_paletteCount = 0;
  m_currentPalette = 0;
}

std::uint32_t* CPaletteStore::Colors() const {
  if (!m_colors) return nullptr;
  return static_cast<std::uint32_t*>(plat::GlobalLock(m_colors.get()));
}

void CPaletteStore::LoadPaletteNames() {
  m_names.reset();
  m_paletteCount = 0;
  PaletteFile file(m_path);
  std::vector<std::string> names;
  for (int k = 0; k < kMaxPalettes; ++k) {
    std::string section = file.Get("PALETTE", Key("PAL%d", k), kNameSlotSize - 1);
    if (section.empty()) break;
    names.push_back(Truncate(file.Get(section, "PalName", kNameSlotSize - 1), kNameSlotSize - 1));
  }
  m_names = plat::GlobalBlock(plat::GHND, names.size() * kNameSlotSize);
  if (!m_names) return;
  for (std::size_t k = 0; k < names.size(); ++k) SetNameSlot(static_cast<int>(k), names[k]);
  m_paletteCount = static_cast<int>(names.size());
}

bool CPaletteStore::SetNameSlot(int i, const std::string& name) {
  if (i < 0) return false;
  std::size_t need = std::size_t(i + 1) * kNameSlotSize;
  if (!m_names) {
    m_names = plat::GlobalBlock(plat::GHND, need);
    if (!m_names) return false;
  } else if (m_names.size() < need) {
    if (!plat::GlobalReAlloc(m_names.get(), need, plat::GMEM_MOVEABLE | plat::GMEM_ZEROINIT)) return false;
  }
  plat::GlobalLockGuard lock(m_names.get());
  if (!lock) return false;
  char* slot = reinterpret_cast<char*>(lock.bytes()) + std::size_t(i) * kNameSlotSize;
  std::memset(slot, 0, kNameSlotSize);
  std::string cut = Truncate(name, kNameSlotSize - 1);
  std::memcpy(slot, cut.data(), cut.size());
  return true;
}

int CPaletteStore::LoadPalette(int i) {
  if (i < 0 || i >= m_paletteCount) return 0;
  std::vector<std::uint32_t> colors;
  for (plat::COLORREF c : kFixed) colors.push_back(ColorRefToPacked(c));
  PaletteFile file(m_path);
  std::string section = Key("Pal%d", i);
  while (static_cast<int>(colors.size()) < kMaxColors) {
    std::string v = file.Get(section, Key("Color%d", static_cast<int>(colors.size())), 29);
    if (v.empty()) break;
    colors.push_back(MakePackedRGB(ColorField(v, 0), ColorField(v, 1), ColorField(v, 2)));
  }
  // One spare entry, as the block always had.
  plat::GlobalBlock block(plat::GHND, (colors.size() + 1) * sizeof(std::uint32_t));
  if (!block) return 0;
  {
    plat::GlobalLockGuard lock(block.get());
    std::memcpy(lock.bytes(), colors.data(), colors.size() * sizeof(std::uint32_t));
  }
  m_colors = std::move(block);
  m_currentPalette = i;
  m_colorCount = static_cast<int>(colors.size());
  return 1;
}

int CPaletteStore::GetPaletteName(int i, std::string& name) const {
  name.clear();
  if (i < 0 || i >= m_paletteCount || !m_names) return 0;
  plat::GlobalLockGuard lock(m_names.get());
  if (!lock || lock.size() < std::size_t(i + 1) * kNameSlotSize) return 0;
  const char* slot = reinterpret_cast<const char*>(lock.bytes()) + std::size_t(i) * kNameSlotSize;
  name.assign(slot, strnlen(slot, kNameSlotSize));
  return 1;
}

std::uint32_t CPaletteStore::GetColor(int i) const {
  if (i < 0 || i >= m_colorCount || !m_colors) return 0;
  plat::GlobalLockGuard lock(m_colors.get());
  return lock ? lock.as<std::uint32_t>()[i] : 0;
}

plat::COLORREF CPaletteStore::GetColorRef(int i) const { return PackedRGBToColorRef(GetColor(i)); }

int CPaletteStore::FindColor(plat::COLORREF c) const {
  if (!m_colors) return -1;
  std::uint32_t packed = ColorRefToPacked(c);
  plat::GlobalLockGuard lock(m_colors.get());
  if (!lock) return -1;
  const std::uint32_t* colors = lock.as<std::uint32_t>();
  for (int i = 0; i < m_colorCount; ++i)
    if (colors[i] == packed) return i;
  return -1;
}

std::vector<std::string> CPaletteStore::GetColorTexts() const {
  std::vector<std::string> texts;
  for (int i = 0; i < m_colorCount; ++i) texts.push_back(std::to_string(GetColor(i)));
  return texts;
}

int CPaletteStore::SetColor(int i, plat::COLORREF c) {
  if (i < 0 || i >= m_colorCount || !m_colors) return 0;
  plat::GlobalLockGuard lock(m_colors.get());
  if (!lock) return 0;
  lock.as<std::uint32_t>()[i] = ColorRefToPacked(c);
  return 1;
}

std::string CPaletteStore::CurrentSection() const { return Key("PAL%d", m_currentPalette); }

void CPaletteStore::WriteColorKey(int i, std::uint32_t packed) const {
  WriteValue(m_path, CurrentSection(), Key("Color%d", i), ColorText(packed).c_str());
}

int CPaletteStore::ChangeColor(int i, plat::COLORREF c) {
  // The fixed colours are never read from the file.
  if (i < kFixedColors) return 0;
  if (!SetColor(i, c)) return 0;
  WriteColorKey(i, ColorRefToPacked(c));
  return 1;
}

bool CPaletteStore::EnsureColorCapacity(int count) {
  std::size_t need = (std::size_t(count) + 1) * sizeof(std::uint32_t);
  if (!m_colors) {
    m_colors = plat::GlobalBlock(plat::GHND, need);
    return bool(m_colors);
  }
  if (m_colors.size() >= need) return true;
  return plat::GlobalReAlloc(m_colors.get(), need, plat::GMEM_MOVEABLE | plat::GMEM_ZEROINIT) != 0;
}

int CPaletteStore::AddColor(plat::COLORREF c) {
  if (m_colorCount < kFixedColors) return 0;  // no palette loaded
  if (FindColor(c) >= 0) return m_colorCount;
  int n = m_colorCount;
  if (n >= kMaxColors) return 0;
  if (!EnsureColorCapacity(n + 1)) return 0;
  m_colorCount = n + 1;
  SetColor(n, c);
  WriteColorKey(n, ColorRefToPacked(c));
  return n;
}

int CPaletteStore::DeleteColor(int i) {
  if (i < kFixedColors || i >= m_colorCount || !m_colors) return 0;
  int last = m_colorCount - 1;
  {
    plat::GlobalLockGuard lock(m_colors.get());
    if (!lock) return 0;
    std::uint32_t* colors = lock.as<std::uint32_t>();
    for (int k = i; k < last; ++k) colors[k] = colors[k + 1];
    colors[last] = 0;
  }
  m_colorCount = last;
  for (int k = i; k < m_colorCount; ++k) WriteColorKey(k, GetColor(k));
  WriteValue(m_path, CurrentSection(), Key("Color%d", last), nullptr);
  return 1;
}

int CPaletteStore::AddPalette(const std::string& name) {
  int n = m_paletteCount;
  if (n >= kMaxPalettes || !SetNameSlot(n, name)) return m_paletteCount;
  m_paletteCount = n + 1;
  std::string section = Key("PAL%d", n);
  WriteValue(m_path, "PALETTE", section, section.c_str());
  WriteValue(m_path, section, "PalName", Truncate(name, kNameSlotSize - 1).c_str());
  return m_paletteCount;
}

int CPaletteStore::RenamePalette(int i, const std::string& name) {
  if (i < 0 || i >= m_paletteCount) return 0;
  // The section of the palette renamed, whichever is loaded.
  WriteValue(m_path, Key("PAL%d", i), "PalName", Truncate(name, kNameSlotSize - 1).c_str());
  SetNameSlot(i, name);
  return 1;
}

int CPaletteStore::DeletePalette(int i) {
  if (i < 0 || i >= m_paletteCount) return 0;
  namespace fs = std::filesystem;
  fs::path original(plat::ResolvePath(m_path));
  fs::path temp = original.parent_path() / "PALETTE.___";
  std::error_code ec;
  fs::remove(temp, ec);

  // The new file is written in one go, then renamed over the original in one
  // step: a failure at any point leaves the original whole.
  PaletteFile file(m_path);
  std::string out = "[PALETTE]\r\n";
  for (int k = 0; k + 1 < m_paletteCount; ++k) out += Key("PAL%d", k) + "=" + Key("PAL%d", k) + "\r\n";
  for (int k = 0; k < m_paletteCount; ++k) {
    if (k == i) continue;
    std::string from = Key("PAL%d", k);
    out += "[" + Key("PAL%d", k < i ? k : k - 1) + "]\r\n";
    out += "PalName=" + Truncate(file.Get(from, "PalName", kNameSlotSize - 1), kNameSlotSize - 1) + "\r\n";
    for (int c = kFixedColors; c < kMaxColors; ++c) {
      std::string v = file.Get(from, Key("Color%d", c), 29);
      if (v.empty()) break;
      out += Key("Color%d", c) + "=" + v + "\r\n";
    }
  }
  // Sections that are not palettes stay as they were.
  std::vector<std::string> rebuilt = {"palette"};
  for (int k = 0; k < m_paletteCount; ++k) rebuilt.push_back(PaletteFile::Lower(Key("PAL%d", k)));
  std::vector<std::string> copied;
  for (const plat::ProfileSection& sec : file.Sections()) {
    std::string name = PaletteFile::Lower(sec.name);
    if (std::find(rebuilt.begin(), rebuilt.end(), name) != rebuilt.end()) continue;
    if (std::find(copied.begin(), copied.end(), name) != copied.end()) continue;  // the first one counts
    copied.push_back(name);
    out += "[" + sec.name + "]\r\n";
    for (const auto& [key, value] : sec.entries) out += key + "=" + value + "\r\n";
  }
  if (!plat::ReplaceFileContent(temp.string(), out)) {
    fs::remove(temp, ec);
    return 0;
  }
  fs::rename(temp, original, ec);
  if (ec) {
    fs::remove(temp, ec);
    return 0;
  }
  return 1;
}

plat::HPEN CPaletteStore::CreateIndexPen(int i, int style, int width) const {
  if (static_cast<std::uint16_t>(i) >= m_colorCount) return nullptr;
  return plat::CreatePen(style, width, GetColorRef(static_cast<std::uint16_t>(i)));
}

plat::HPEN CPaletteStore::CreateColorPen(std::uint32_t packed, int style, int width) const {
  return plat::CreatePen(style, width, PackedRGBToColorRef(packed));
}

plat::HBRUSH CPaletteStore::CreateIndexBrush(int i, int brushStyle) const {
  if (i < 0 || i >= m_colorCount) return nullptr;
  return CreateColorBrush(GetColor(i), brushStyle);
}

plat::HBRUSH CPaletteStore::CreateColorBrush(std::uint32_t packed, int brushStyle) const {
  plat::COLORREF c = PackedRGBToColorRef(packed);
  switch (brushStyle) {
    case plat::BS_SOLID:
      return plat::CreateSolidBrush(c);
    case plat::BS_HATCHED:
      return plat::CreateHatchBrush(plat::HS_HORIZONTAL, c);
    case plat::BS_NULL:
      return static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH));
    default:
      return nullptr;
  }
}

CPaletteStore& ThePaletteStore() {
  static CPaletteStore store;
  return store;
}

// ---------------------------------------------------------------------------

namespace {

using plat::GetU32;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

}  // namespace

CPageInfo::CPageInfo()
    : m_paletteType(g_Profile.GetInt("SystemParam", "PaletteType", 0)),
      m_backColor(static_cast<std::uint32_t>(g_Profile.GetInt("SystemParam", "BackColor", 0xFFFFFF))),
      m_gridSize(g_Profile.GetInt("SystemParam", "GridSize", 50)),
      m_gridColor(static_cast<std::uint32_t>(g_Profile.GetInt("SystemParam", "GridColor", 0x808080))) {}

void CPageInfo::Write(std::vector<std::uint8_t>& out) const {
  std::uint32_t w, h;
  std::memcpy(&w, &m_pageWidth, 4);
  std::memcpy(&h, &m_pageHeight, 4);
  PutU32(out, static_cast<std::uint32_t>(kBlockSize));
  PutU32(out, w);
  PutU32(out, h);
  PutU32(out, static_cast<std::uint32_t>(m_paletteType));
  PutU32(out, m_backColor);
  PutU32(out, static_cast<std::uint32_t>(m_gridSize));
  PutU32(out, m_gridColor);
  PutU32(out, 0);
}

int CPageInfo::Read(const std::uint8_t* data, std::size_t size, float version) {
  if (version != 6.0f) return 0;
  if (!data || size < 28) return 0;
  std::uint32_t w = GetU32(data + 4), h = GetU32(data + 8);
  std::memcpy(&m_pageWidth, &w, 4);
  std::memcpy(&m_pageHeight, &h, 4);
  m_paletteType = static_cast<std::int32_t>(GetU32(data + 12));
  m_backColor = GetU32(data + 16);
  m_gridSize = static_cast<std::int32_t>(GetU32(data + 20));
  m_gridColor = GetU32(data + 24);
  return 1;
}
