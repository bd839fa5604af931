#include "text/language.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "model/segarray.h"
#include "model/services.h"
#include "model/settings.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "text/fontcatalog.h"

CLanguage g_Language;

namespace {

std::string SectionName(int slot) {
  char s[32];
  std::snprintf(s, sizeof(s), "Language%d", slot);
  return s;
}

std::string KeyName(const char* key, int i) {
  char s[48];
  std::snprintf(s, sizeof(s), "%s%d", key, i);
  return s;
}

// A settings value read whole (the accessor's string form stops at 199 bytes;
// paths may be longer, so the buffer form is asked for with room to spare).
std::string ReadWhole(const std::string& section, const std::string& key) {
  std::vector<char> buf(4096, 0);
  g_IniFile.GetString(section.c_str(), key.c_str(), buf.data(), int(buf.size()), "");
  return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

// Cut to at most max bytes, never inside a double-byte character.
std::string CutGbk(std::string_view text, std::size_t max) {
  return std::string(text.substr(0, plat::GbkPrefixLength(text, max)));
}

const CFontSourceTable* SourceOfKind(int kind, int* group) {
  if (kind == 0) {
    *group = 0;
    return &g_FontCatalog;
  }
  if (kind == 1) {
    *group = 0;
    return &g_TtfFontTable;
  }
  *group = kind - 2;
  return &g_CftFontTable;
}

// The sources of one slot in table order: Windows, TrueType, own-font groups
// that hold a font.
struct SourceRef {
  int kind;
  const CFontSourceTable* table;
  int group;
};

std::vector<SourceRef> SourcesWithFonts(int slot) {
  std::vector<SourceRef> out;
  if (g_FontCatalog.GetEntryCount(slot, 0) > 0) out.push_back({0, &g_FontCatalog, 0});
  if (g_TtfFontTable.GetEntryCount(slot, 0) > 0) out.push_back({1, &g_TtfFontTable, 0});
  for (int j = 0; j < g_CftFontTable.GetGroupCount(slot); ++j)
    if (g_CftFontTable.GetEntryCount(slot, j) > 0) out.push_back({j + 2, &g_CftFontTable, j});
  return out;
}

void PutRecord(std::uint8_t* p, const FontTableRecord& r) {
  plat::PutU32(p, r.dataSize);
  p[4] = r.languageId;
  p[5] = r.kind;
  plat::PutU32(p + 6, r.width);
  plat::PutU32(p + 10, r.offset);
}

}  // namespace

CLanguage::CLanguage() { std::memset(ids_, kNoId, sizeof(ids_)); }

const char* CLanguage::Load() {
  std::memset(names_, 0, sizeof(names_));
  loaded_ = true;
  lastIndex_ = 0;
  bool allNamed = true;
  for (int i = 0; i < kSlots; ++i) {
    std::string section = SectionName(i);
    ids_[i] = std::uint8_t(g_IniFile.GetInt(section.c_str(), "ID", -1) & 0xFF);
    std::string name;
    g_IniFile.GetString(section.c_str(), "NAME", name, "");
    name = CutGbk(name, kNameSize - 1);
    if (name.empty()) allNamed = false;
    if (allNamed) lastIndex_ = i;
    std::memcpy(names_ + kNameSize * i, name.data(), name.size());
  }
  return names_;
}

bool CLanguage::GetName(int slot, char* name) const {
  if (!loaded_ || slot < 0 || slot >= kSlots) return false;
  std::memcpy(name, names_ + kNameSize * slot, kNameSize);
  name[kNameSize - 1] = 0;
  return name[0] != 0;
}

std::string CLanguage::GetName(int slot) const {
  char buf[kNameSize] = {};
  GetName(slot, buf);
  return buf;
}

int CLanguage::GetId(int slot) const {
  if (slot < 0 || slot >= kSlots) return kNoId;
  return ids_[slot];
}

int CLanguage::FindId(std::uint8_t id) const {
  if (id == kNoId) return -1;
  for (int i = 0; i < kSlots; ++i)
    if (ids_[i] == id) return i;
  return -1;
}

int CLanguage::GetMountCount(int slot) const {
  if (slot < 0 || slot >= kSlots) return 0;
  return g_IniFile.GetInt(SectionName(slot).c_str(), "Mounts", 0);
}

int CLanguage::GetMountName(int slot, int group, std::string& out) const {
  out = GetName(slot);
  std::string label;
  if (slot >= 0 && slot < kSlots) {
    g_IniFile.GetString(SectionName(slot).c_str(), KeyName("MountName", group).c_str(), label, "");
    label = CutGbk(label, 39);
  }
  out += label;
  out += "Fonts";
  return MakeFontSource(group + 2, std::uint8_t(GetId(slot)));
}

int CLanguage::GetMountPath(int slot, int group, std::string& out) const {
  out.clear();
  if (slot >= 0 && slot < kSlots) out = ReadWhole(SectionName(slot), KeyName("MountPath", group));
  return MakeFontSource(group + 2, std::uint8_t(GetId(slot)));
}

int CLanguage::GetTtfMountPath(int slot, std::string& out) const {
  out.clear();
  if (slot >= 0 && slot < kSlots) out = ReadWhole(SectionName(slot), "TTFMountPath");
  return MakeFontSource(1, std::uint8_t(GetId(slot)));
}

void CLanguage::FillFontSources(CListBoxServices& labels, CListBoxServices& codes) const {
  auto add = [&](const std::string& label, int code) {
    labels.AddString(label);
    codes.AddString(std::to_string(code));
  };
  for (int i = 0; i < kSlots; ++i) {
    std::string name = GetName(i);
    if (name.empty()) break;
    std::uint8_t id = std::uint8_t(GetId(i));
    if (g_FontCatalog.GetEntryCount(i, 0) > 0) add(name + "WinFonts  ", MakeFontSource(0, id));
    if (g_TtfFontTable.GetEntryCount(i, 0) > 0) add(name + "TTFFonts  ", MakeFontSource(1, id));
    int mounts = GetMountCount(i);
    for (int j = 0; j < mounts && j < 256; ++j) {
      std::string label;
      int code = GetMountName(i, j, label);
      add(label, code);
    }
  }
}

void CLanguage::ListLanguageFonts(std::uint8_t id, CListBoxServices& list) const {
  int slot = FindId(id);
  if (slot < 0) return;
  std::string name = GetName(slot);
  if (name.empty()) return;
  auto add = [&](const std::string& label, int kind) {
    char line[160];
    std::snprintf(line, sizeof(line), "%-40s -[%d,%d]", label.c_str(), int(id), kind);
    list.AddString(line);
  };
  if (g_FontCatalog.GetEntryCount(slot, 0) > 0) add(name + "WinFonts", 0);
  if (g_TtfFontTable.GetEntryCount(slot, 0) > 0) add(name + "TTFFonts", 1);
  int mounts = GetMountCount(slot);
  for (int j = 0; j < mounts && j < 256; ++j) {
    std::string label;
    GetMountName(slot, j, label);
    add(label, j + 2);
  }
}

int CLanguage::FindFontInSource(int slot, int kind, std::string_view name) const {
  if (slot < 0 || slot >= kSlots || kind < 0) return -1;
  int group = 0;
  const CFontSourceTable* table = SourceOfKind(kind, &group);
  return table->FindEntry(slot, group, name);
}

int CLanguage::WriteToFile(CFileServices& file) const {
  const std::uint64_t start = file.GetPosition();
  std::vector<SourceRef> sources;
  int last = loaded_ ? lastIndex_ : -1;
  std::vector<int> slotOf;
  for (int i = 0; i <= last && i < kSlots; ++i) {
    for (const SourceRef& s : SourcesWithFonts(i)) {
      sources.push_back(s);
      slotOf.push_back(i);
    }
  }
  const std::uint32_t n = std::uint32_t(sources.size());
  std::uint8_t head[4];
  plat::PutU32(head, n * kFontTableRecordSize);
  if (!file.Write(head, 4)) return 0;
  if (n == 0) return 1;
  std::vector<std::uint8_t> table(std::size_t(n) * kFontTableRecordSize, 0);
  if (!file.Write(table.data(), table.size())) return 0;
  for (std::uint32_t k = 0; k < n; ++k) {
    const SourceRef& s = sources[k];
    plat::GlobalBlock list(s.table->GetNameList(slotOf[k], s.group, kFontNameWidth));
    if (!list) continue;
    FontTableRecord r;
    r.languageId = std::uint8_t(GetId(slotOf[k]));
    r.kind = std::uint8_t(s.kind);
    r.width = kFontNameWidth;
    std::uint64_t pos = file.GetPosition();
    if (pos > std::numeric_limits<std::uint32_t>::max()) return 0;
    r.offset = std::uint32_t(pos);
    r.dataSize = std::uint32_t(list.size());
    plat::GlobalLockGuard g(list.get());
    if (!g || !file.Write(g.bytes(), list.size())) return 0;
    PutRecord(table.data() + std::size_t(k) * kFontTableRecordSize, r);
  }
  const std::uint64_t end = file.GetPosition();
  if (!file.Seek(start + 4) || !file.Write(table.data(), table.size()) || !file.Seek(end)) return 0;
  return 1;
}

plat::HGLOBAL CLanguage::ReadFromFile(CFileServices& file) const {
  const std::uint64_t start = file.GetPosition();
  const std::uint64_t length = file.GetLength();
  std::uint8_t head[4];
  if (file.Read(head, 4) != 4) return 0;
  const std::uint32_t t = plat::GetU32(head);
  if (t == 0) return 0;
  // The record table must lie inside the file and hold whole records.
  if (t % kFontTableRecordSize != 0 || start + 4 + std::uint64_t(t) > length) return 0;
  const std::uint32_t n = t / kFontTableRecordSize;
  std::vector<std::uint8_t> table(t);
  if (file.Read(table.data(), t) != t) return 0;
  // Data sizes beyond what the file holds cannot be real.
  std::uint64_t sum = 0;
  for (std::uint32_t k = 0; k < n; ++k) {
    sum += plat::GetU32(table.data() + std::size_t(k) * kFontTableRecordSize);
    if (sum > length) return 0;
  }
  const std::uint64_t total = std::uint64_t(t) + 4 + sum;
  if (total + 10 > std::numeric_limits<std::uint32_t>::max()) return 0;
  plat::GlobalBlock block(plat::GHND, std::size_t(total) + 10);
  if (!block) return 0;
  {
    plat::GlobalLockGuard g(block.get());
    std::uint8_t* p = g.bytes();
    std::memcpy(p, head, 4);
    std::memcpy(p + 4, table.data(), t);
    std::uint64_t r = std::uint64_t(t) + 4;
    for (std::uint32_t k = 0; k < n; ++k) {
      std::uint8_t* rec = p + 4 + std::size_t(k) * kFontTableRecordSize;
      std::uint32_t size = plat::GetU32(rec);
      std::uint32_t offset = plat::GetU32(rec + 10);
      if (size > 0 && offset < length && file.Seek(offset)) {
        std::uint64_t avail = std::min<std::uint64_t>(size, length - offset);
        file.Read(p + r, std::size_t(avail));
      }
      plat::PutU32(rec + 10, std::uint32_t(r));
      r += size;
    }
  }
  return block.release();
}

bool GetFontTableRecord(const std::uint8_t* block, std::size_t size, std::uint32_t i,
                        FontTableRecord* out) {
  if (!block || size < 4) return false;
  std::uint32_t t = plat::GetU32(block);
  if (t > size - 4 || i >= t / kFontTableRecordSize) return false;
  const std::uint8_t* p = block + 4 + std::size_t(i) * kFontTableRecordSize;
  out->dataSize = plat::GetU32(p);
  out->languageId = p[4];
  out->kind = p[5];
  out->width = plat::GetU32(p + 6);
  out->offset = plat::GetU32(p + 10);
  return true;
}

bool GetFontTableName(const std::uint8_t* block, std::size_t size, std::uint8_t languageId,
                      std::uint8_t kind, int index, std::string* name) {
  name->clear();
  if (index < 0) return false;
  FontTableRecord r;
  for (std::uint32_t i = 0; GetFontTableRecord(block, size, i, &r); ++i) {
    if (r.languageId != languageId || r.kind != kind) continue;
    if (r.width == 0) return false;
    const std::uint64_t at = std::uint64_t(r.width) * std::uint64_t(index);
    if (at + r.width > r.dataSize || std::uint64_t(r.offset) + at + r.width > size) return false;
    const char* p = reinterpret_cast<const char*>(block + r.offset + at);
    name->assign(p, strnlen(p, r.width));
    return !name->empty();
  }
  return false;
}

std::vector<std::string> FontSourceNames(std::uint8_t languageId, int kind) {
  std::vector<std::string> names;
  const int slot = g_Language.FindId(languageId);
  if (slot < 0 || kind < 0) return names;
  int group = 0;
  const CFontSourceTable* table = SourceOfKind(kind, &group);
  plat::HGLOBAL block = table->GetNameList(slot, group, int(kFontNameWidth));
  if (!block) return names;
  {
    plat::GlobalLockGuard g(block);
    for (std::size_t at = 0; g && at + kFontNameWidth <= g.size(); at += kFontNameWidth) {
      const char* p = reinterpret_cast<const char*>(g.bytes() + at);
      const std::string name(p, strnlen(p, kFontNameWidth));
      if (name.empty()) break;
      names.push_back(name);
    }
  }
  plat::GlobalFree(block);
  return names;
}
