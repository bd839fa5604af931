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
// The last few made are kept: a text asks for the same font glyph after
// glyph. Null for an entry without a name.
plat::Font* EntryFont(const CFontCatalog& cat, std::uint8_t languageId, int index, int scaleX) {
  struct Kept {
    std::uint8_t charSet;
    int height;
    std::string face;
    std::unique_ptr<plat::Font> font;
  };
  static std::vector<Kept> kept;
  static std::size_t next = 0;
  constexpr std::size_t kKept = 8;
  int slot = g_Language.FindId(languageId);
  thread_local std::string face;
  if (!cat.GetEntryName(slot, 0, index, face) || face.empty()) return nullptr;
  const int height = -(1024 * scaleX / 100);
  for (Kept& k : kept)
    if (k.charSet == languageId && k.height == height && k.face == face) return k.font.get();
  auto font = CFontCatalog::CreateCatalogFont(languageId, face, height);
  Kept k{languageId, height, face, std::move(font)};
  if (kept.size() < kKept) {
    kept.push_back(std::move(k));
    return kept.back().font.get();
  }
  Kept& slotFor = kept[next++ % kKept];
  slotFor = std::move(k);
  return slotFor.font.get();
}

// Walks a native outline buffer: contour(start, bytes of its curves) for
// each polygon, then curve(type, points, count) for each of its curves.
// False as soon as the buffer proves not to be whole native polygons.
template <class Contour, class Curve>
bool WalkNative(const std::uint8_t* base, std::size_t size, Contour&& contour, Curve&& curve) {
  std::size_t pos = 0;
  while (pos < size) {
    if (size - pos < sizeof(plat::TTPOLYGONHEADER)) return false;
    plat::TTPOLYGONHEADER h;
    std::memcpy(&h, base + pos, sizeof(h));
    if (h.dwType != plat::TT_POLYGON_TYPE || h.cb < sizeof(h) || h.cb > size - pos) return false;
    const std::size_t end = pos + h.cb;
    std::size_t q = pos + sizeof(h);
    contour(h.pfxStart, end - q);
    while (q < end) {
      if (end - q < 4) return false;
      plat::WORD w[2];
      std::memcpy(w, base + q, 4);
      q += 4;
      if (w[0] < plat::TT_PRIM_LINE || w[0] > plat::TT_PRIM_CSPLINE || w[1] == 0) return false;
      if ((end - q) / sizeof(plat::POINTFX) < w[1]) return false;
      curve(w[0], base + q, std::size_t(w[1]));
      q += sizeof(plat::POINTFX) * w[1];
    }
    pos = end;
  }
  return true;
}

}  // namespace

void CFontCatalog::GetGlyphMetrics(std::uint8_t languageId, int index, unsigned code,
                                   plat::GLYPHMETRICS* gm) const {
  *gm = plat::GLYPHMETRICS{};
  plat::Font* font = EntryFont(*this, languageId, index, code > 256 ? 100 : scaleX);
  if (!font) return;
  plat::MAT2 id = plat::IdentityMat2();
  if (font->GetGlyphOutline(code, plat::GGO_METRICS, gm, 0, nullptr, &id) == plat::GDI_ERROR)
    *gm = plat::GLYPHMETRICS{};
}

std::unique_ptr<CPathPointList> GetTrueTypeGlyphOutline(std::uint8_t languageId, int index,
                                                        unsigned code, const CMatrix3* matrix) {
  plat::Font* font =
      EntryFont(g_FontCatalog, languageId, index, code > 256 ? 100 : g_FontCatalog.scaleX);
  if (!font) return nullptr;
  plat::MAT2 id = plat::IdentityMat2();
  plat::GLYPHMETRICS gm;
  // One fetch into a kept buffer; the size is asked for only when it is short.
  thread_local std::vector<std::uint8_t> buf(1 << 16);
  plat::DWORD got = font->GetGlyphOutline(code, plat::GGO_NATIVE, &gm, plat::DWORD(buf.size()),
                                          buf.data(), &id);
  if (got == plat::GDI_ERROR) {
    const plat::DWORD need = font->GetGlyphOutline(code, plat::GGO_NATIVE, &gm, 0, nullptr, &id);
    if (need != plat::GDI_ERROR && need > buf.size()) {
      buf.resize(need);
      got = font->GetGlyphOutline(code, plat::GGO_NATIVE, &gm, need, buf.data(), &id);
    }
  }
  if (got == plat::GDI_ERROR || got == 0) {
    plat::MessageBeep(0);
    return nullptr;
  }
  const float base = code < 256 ? (1.0f - g_FontCatalog.descent) * 1000.0f : 1000.0f;
  // Built as the buffer is read; a buffer that turns out broken gives nothing.
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  PathPoint* w = nullptr;
  PathPoint* room = nullptr;
  float sx = 0, sy = 0, px = 0, py = 0;
  auto add = [&](float x, float y, std::uint8_t flags) {
    PathPoint p{x, base - y, flags};
    if (matrix) matrix->TransformPathPoint(p);
    *w++ = p;
  };
  auto close = [&] {
    if (!room) return;
    add(sx, sy, 0x41);
    build.Commit(std::size_t(w - room));
  };
  const bool whole = WalkNative(
      buf.data(), got,
      [&](const plat::POINTFX& start, std::size_t bytes) {
        close();
        // A contour gives at most three records a point, its start and its close.
        room = w = build.Room(2 + 3 * (bytes / sizeof(plat::POINTFX)));
        sx = start.x.value;
        sy = start.y.value;
        add(sx, sy, 0x11);
        px = sx;
        py = sy;
      },
      [&](plat::WORD type, const std::uint8_t* pts, std::size_t n) {
        auto at = [&](std::size_t i) {
          plat::POINTFX p;
          std::memcpy(&p, pts + i * sizeof p, sizeof p);
          return p;
        };
        if (type == plat::TT_PRIM_QSPLINE) {
          for (std::size_t i = 0; i + 1 < n; ++i) {
            const plat::POINTFX b = at(i), c = at(i + 1);
            float bx = b.x.value, by = b.y.value;
            float cx = c.x.value, cy = c.y.value;
            if (i + 2 < n) {
              cx = (bx + cx) / 2.0f;
              cy = (by + cy) / 2.0f;
            }
            add(ThirdOf(px + 2.0f * bx), ThirdOf(py + 2.0f * by), 0x00);
            add(ThirdOf(cx + 2.0f * bx), ThirdOf(cy + 2.0f * by), 0x00);
            add(cx, cy, 0x01);
            px = cx;
            py = cy;
          }
        } else {
          for (std::size_t i = 0; i < n; ++i) {
            const plat::POINTFX p = at(i);
            px = p.x.value;
            py = p.y.value;
            add(px, py, 0x01);
          }
        }
      });
  if (!whole || !room) {
    plat::MessageBeep(0);
    return nullptr;
  }
  close();
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
