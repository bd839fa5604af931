#include "text/fontcatalog.h"

#include <cstring>

#include "model/segarray.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "text/cftfont.h"
#include "text/language.h"
#include "text/truetype.h"

CFontCatalog g_FontCatalog;
CTtfFontTable g_TtfFontTable;
CCftFontTable g_CftFontTable;

namespace {

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path;
}

}  // namespace

// --- Common table.

const CFontEntry* CFontSourceTable::Entry(int slot, int group, int entry) const {
  if (slot < 0 || slot >= kSlots || group < 0 || entry < 0) return nullptr;
  const auto& groups = slots_[slot];
  if (std::size_t(group) >= groups.size()) return nullptr;
  const auto& entries = groups[std::size_t(group)].entries;
  if (std::size_t(entry) >= entries.size()) return nullptr;
  return &entries[std::size_t(entry)];
}

bool CFontSourceTable::GetEntryName(int slot, int group, int entry, std::string& out) const {
  const CFontEntry* e = Entry(slot, group, entry);
  out = e ? e->name : std::string();
  return e != nullptr;
}

bool CFontSourceTable::GetEntryPath(int slot, int group, int entry, std::string& out) const {
  const CFontEntry* e = Entry(slot, group, entry);
  out = e ? e->path : std::string();
  return e != nullptr;
}

int CFontSourceTable::FindEntry(int slot, int group, std::string_view name) const {
  int n = GetEntryCount(slot, group);
  for (int i = 0; i < n; ++i)
    if (slots_[slot][std::size_t(group)].entries[std::size_t(i)].name == name) return i;
  return -1;
}

int CFontSourceTable::GetGroupCount(int slot) const {
  if (slot < 0 || slot >= kSlots) return 0;
  return int(slots_[slot].size());
}

int CFontSourceTable::GetEntryCount(int slot, int group) const {
  if (slot < 0 || slot >= kSlots || group < 0 || std::size_t(group) >= slots_[slot].size()) return 0;
  return int(slots_[slot][std::size_t(group)].entries.size());
}

bool CFontSourceTable::AddEntry(int slot, int group, CFontEntry entry) {
  if (slot < 0 || slot >= kSlots || group < 0) return false;
  auto& groups = slots_[slot];
  if (std::size_t(group) > groups.size()) return false;
  if (std::size_t(group) == groups.size()) groups.emplace_back();
  groups[std::size_t(group)].entries.push_back(std::move(entry));
  return true;
}

plat::HGLOBAL CFontSourceTable::GetNameList(int slot, int group, int width) const {
  int n = GetEntryCount(slot, group);
  if (n == 0 || width < 2) return 0;
  const std::size_t w = std::size_t(width);
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, (std::size_t(n) + 1) * w);
  if (!h) return 0;
  plat::GlobalLockGuard g(h);
  for (int i = 0; i < n; ++i) {
    const std::string& name = slots_[slot][std::size_t(group)].entries[std::size_t(i)].name;
    std::memcpy(g.bytes() + w * std::size_t(i), name.data(), plat::GbkPrefixLength(name, w - 1));
  }
  return h;
}

void CFontSourceTable::MakeGroups(int slot, int count) {
  if (slot < 0 || slot >= kSlots || count < 0) return;
  if (slots_[slot].size() < std::size_t(count)) slots_[slot].resize(std::size_t(count));
}

void CFontSourceTable::Clear() {
  for (int i = kSlots - 1; i >= 0; --i) slots_[i].clear();
}

// --- Installed fonts.

int CFontCatalog::EnumWindowsFonts() {
  Clear();
  plat::EnumFontFamiliesEx(plat::DEFAULT_CHARSET, [this](const plat::LOGFONT& lf, plat::DWORD type) {
    if (!(type & plat::TRUETYPE_FONTTYPE)) return 1;
    if (static_cast<unsigned char>(lf.lfFaceName[0]) < 'A') return 1;
    int slot = g_Language.FindId(lf.lfCharSet);
    if (slot < 0) return 1;
    AddEntry(slot, 0, CFontEntry{std::string(), lf.FaceName()});
    return 1;
  });
  return 1;
}

std::unique_ptr<plat::Font> CFontCatalog::CreateCatalogFont(std::uint8_t charSet,
                                                            std::string_view face, int height) {
  if (face.empty()) return nullptr;
  plat::LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = plat::FW_DONTCARE;
  lf.lfCharSet = charSet;
  lf.lfQuality = plat::PROOF_QUALITY;
  lf.SetFaceName(face);
  return std::make_unique<plat::Font>(lf);
}

namespace {

// The font of (language ID, entry) at the em height 1024 scaled by scaleX.
std::unique_ptr<plat::Font> MakeEntryFont(const CFontCatalog& cat, std::uint8_t languageId,
                                          int index, int scaleX) {
  int slot = g_Language.FindId(languageId);
  std::string face;
  if (!cat.GetEntryName(slot, 0, index, face)) return nullptr;
  return CFontCatalog::CreateCatalogFont(languageId, face, -(1024 * scaleX / 100));
}

}  // namespace

void CFontCatalog::GetGlyphMetrics(std::uint8_t languageId, int index, unsigned code,
                                   plat::GLYPHMETRICS* gm) const {
  *gm = plat::GLYPHMETRICS{};
  auto font = MakeEntryFont(*this, languageId, index, code > 256 ? 100 : scaleX);
  if (!font) return;
  plat::MAT2 id = plat::IdentityMat2();
  if (font->GetGlyphOutline(code, plat::GGO_METRICS, gm, 0, nullptr, &id) == plat::GDI_ERROR)
    *gm = plat::GLYPHMETRICS{};
}

std::unique_ptr<CPathPointList> GetTrueTypeGlyphOutline(std::uint8_t languageId, int index,
                                                        unsigned code, const CMatrix3* matrix) {
  auto font =
      MakeEntryFont(g_FontCatalog, languageId, index, code > 256 ? 100 : g_FontCatalog.scaleX);
  if (!font) return nullptr;
  plat::MAT2 id = plat::IdentityMat2();
  plat::GLYPHMETRICS gm;
  plat::DWORD need = font->GetGlyphOutline(code, plat::GGO_NATIVE, &gm, 0, nullptr, &id);
  if (need == plat::GDI_ERROR || need == 0) {
    plat::MessageBeep(0);
    return nullptr;
  }
  std::vector<std::uint8_t> buf(need);
  if (font->GetGlyphOutline(code, plat::GGO_NATIVE, &gm, need, buf.data(), &id) == plat::GDI_ERROR) {
    plat::MessageBeep(0);
    return nullptr;
  }
  std::vector<plat::NativeContour> contours;
  if (!plat::ParseNativeOutline(buf.data(), buf.size(), &contours) || contours.empty()) {
    plat::MessageBeep(0);
    return nullptr;
  }
  const float base = code < 256 ? (1.0f - g_FontCatalog.descent) * 1000.0f : 1000.0f;
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  auto add = [&](float x, float y, std::uint8_t flags) {
    PathPoint p{x, base - y, flags};
    if (matrix) matrix->TransformPathPoint(p);
    build.AddPoint(p);
  };
  for (const plat::NativeContour& c : contours) {
    float sx = c.start.x.value, sy = c.start.y.value;
    add(sx, sy, 0x11);
    float px = sx, py = sy;
    for (const plat::NativeCurve& cv : c.curves) {
      if (cv.type == plat::TT_PRIM_QSPLINE) {
        const std::size_t n = cv.points.size();
        for (std::size_t i = 0; i + 1 < n; ++i) {
          float bx = cv.points[i].x.value, by = cv.points[i].y.value;
          float cx = cv.points[i + 1].x.value, cy = cv.points[i + 1].y.value;
          if (i + 2 < n) {
            cx = (bx + cx) / 2.0f;
            cy = (by + cy) / 2.0f;
          }
          add((px + 2.0f * bx) / 3.0f, (py + 2.0f * by) / 3.0f, 0x00);
          add((cx + 2.0f * bx) / 3.0f, (cy + 2.0f * by) / 3.0f, 0x00);
          add(cx, cy, 0x01);
          px = cx;
          py = cy;
        }
      } else {
        for (const plat::POINTFX& p : cv.points) {
          px = p.x.value;
          py = p.y.value;
          add(px, py, 0x01);
        }
      }
    }
    add(sx, sy, 0x41);
  }
  build.EndPoints();
  return out;
}

// --- Mounted TrueType files.

int CTtfFontTable::ScanTtfMounts() {
  Clear();
  int result = 1;
  for (int slot = 0; slot < kSlots; ++slot) {
    std::string folder;
    g_Language.GetTtfMountPath(slot, folder);
    if (folder.empty()) continue;
    folder = WithSlash(folder);
    std::vector<std::string> files = plat::ListFolderNoCase(plat::MapWindowsPath(folder), "*.TTF");
    if (files.empty()) {
      result = 0;
      continue;
    }
    for (const std::string& f : files) {
      std::string path = folder + f;
      std::string name;
      if (CTrueTypeReader::GetFamilyName(plat::ResolvePath(path), name))
        AddEntry(slot, 0, CFontEntry{path, name});
    }
  }
  return result;
}

std::unique_ptr<CPathPointList> CTtfFontTable::GetGlyph(int slot, int index, unsigned code) const {
  std::string path;
  if (!GetEntryPath(slot, 0, index, path) || code > 0xFFFF) return nullptr;
  int charSet = g_Language.GetId(slot) == plat::CHINESEBIG5_CHARSET ? CTrueTypeReader::kBig5
                                                                   : CTrueTypeReader::kGb2312;
  TtFontMetrics m;
  auto out = CTrueTypeReader::GetGlyphOutline(plat::ResolvePath(path), std::uint16_t(code), charSet, &m);
  if (!out || m.unitsPerEm == 0) return nullptr;
  const float s = 1024.0f / float(m.unitsPerEm);
  CMatrix3 t(s, 0.0f, 0.0f, -s, -s * float(m.xMin), s * float(m.yMin) + 1024.0f);
  out->Transform(&t);
  return out;
}

// --- Own font files.

int CFontCatalog::ScanCftMounts() {
  g_CftFontTable.Clear();
  for (int slot = 0; slot < kSlots; ++slot) {
    int mounts = g_Language.GetMountCount(slot);
    for (int j = 0; j < mounts; ++j) {
      std::string folder;
      g_Language.GetMountPath(slot, j, folder);
      if (folder.empty()) break;
      folder = WithSlash(folder);
      for (const std::string& f : plat::ListFolderNoCase(plat::MapWindowsPath(folder), "*.CFT")) {
        std::string path = folder + f;
        CDiskFile file;
        if (!file.Open(plat::ResolvePath(path), "rb")) continue;
        CftHeader h;
        CCftFont::ReadHeader(file, &h);
        // Group j stands for mount folder j, also after a folder without files.
        g_CftFontTable.MakeGroups(slot, j);
        g_CftFontTable.AddEntry(slot, j, CFontEntry{path, CCftFont::DisplayName(h)});
      }
    }
  }
  return 1;
}
