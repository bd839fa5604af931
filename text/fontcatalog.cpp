#include "text/fontcatalog.h"

#include <algorithm>
#include <cstddef>
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

namespace {

// The records of a native outline as it comes (quadratic pieces raised to
// cubic ones, integer parts of the points), y flipped about the base line,
// then through the matrix; each contour closed at its start. The list's
// bounds are kept as the records go (each is known here for what it is).
class NativeToRecords : public plat::Font::NativeOutlineSink {
 public:
  NativeToRecords(CPathPointBuilder& build, const CPathPointList& list, float base,
                  const CMatrix3* matrix)
      : build_(build), kept_(list), base_(base), matrix_(matrix) {}
  void Native(const void* buffer, std::size_t size) override {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    // A polygon's 16 bytes give two records, a point's 8 at most three.
    PathPoint* const room = build_.Room(size / 2 + 1);
    PathPoint* w = room;
    CPathBounds kept = kept_;
    const float base = base_;
    const CMatrix3* const m = matrix_;
    struct XY {
      float x, y;
    };
    auto put = [&](float x, float y, std::uint8_t flags) {
      XY p{x, base - y};
      if (m) {
        PathPoint q{p.x, p.y, flags};
        m->TransformPathPoint(q);
        p = XY{q.x, q.y};
      }
      w->x = p.x;
      w->y = p.y;
      w->flags = flags;
      ++w;
      return p;
    };
    // The integer part of a 16.16 value at b.
    auto whole = [](const unsigned char* b) {
      std::int16_t v;
      std::memcpy(&v, b + offsetof(plat::FIXED, value), sizeof v);
      return float(v);
    };
    std::size_t pos = 0;
    while (size - pos >= sizeof(plat::TTPOLYGONHEADER)) {
      plat::TTPOLYGONHEADER h;
      std::memcpy(&h, bytes + pos, sizeof h);
      if (h.cb < sizeof h || h.cb > size - pos) break;
      const std::size_t end = pos + h.cb;
      const float sx = h.pfxStart.x.value, sy = h.pfxStart.y.value;
      float px = sx, py = sy;
      XY last = put(sx, sy, 0x11);
      kept.Node(last.x, last.y);
      for (std::size_t q = pos + sizeof h; end - q >= 4;) {
        plat::WORD tc[2];
        std::memcpy(tc, bytes + q, sizeof tc);
        q += 4;
        const std::size_t n = std::min<std::size_t>(tc[1], (end - q) / sizeof(plat::POINTFX));
        const unsigned char* pt = bytes + q;
        q += n * sizeof(plat::POINTFX);
        if (tc[0] == plat::TT_PRIM_QSPLINE) {
          for (std::size_t i = 0; i + 1 < n; ++i, pt += sizeof(plat::POINTFX)) {
            const float bx = whole(pt), by = whole(pt + 4);
            float cx = whole(pt + 8), cy = whole(pt + 12);
            if (i + 2 < n) {
              cx = (bx + cx) / 2.0f;
              cy = (by + cy) / 2.0f;
            }
            const XY c1 = put(ThirdOf(px + 2.0f * bx), ThirdOf(py + 2.0f * by), 0x00);
            const XY c2 = put(ThirdOf(cx + 2.0f * bx), ThirdOf(cy + 2.0f * by), 0x00);
            const XY e = put(cx, cy, 0x01);
            kept.PieceEnd(last.x, last.y, c1.x, c1.y, c2.x, c2.y, e.x, e.y);
            last = e;
            px = cx;
            py = cy;
          }
        } else {
          for (std::size_t i = 0; i < n; ++i, pt += sizeof(plat::POINTFX)) {
            px = whole(pt);
            py = whole(pt + 4);
            last = put(px, py, 0x01);
            kept.Node(last.x, last.y);
          }
        }
      }
      last = put(sx, sy, 0x41);
      kept.Node(last.x, last.y);
      pos = end;
    }
    records_ = std::size_t(w - room);
    if (records_) build_.Commit(records_, kept);
    kept_ = kept;
  }
  // Whether there was a contour.
  bool Finish() const { return records_ != 0; }

 private:
  CPathPointBuilder& build_;
  CPathBounds kept_;
  const float base_;
  const CMatrix3* matrix_;
  std::size_t records_ = 0;
};

}  // namespace

std::unique_ptr<CPathPointList> GetTrueTypeGlyphOutline(std::uint8_t languageId, int index,
                                                        unsigned code, const CMatrix3* matrix) {
  plat::Font* font =
      EntryFont(g_FontCatalog, languageId, index, code > 256 ? 100 : g_FontCatalog.scaleX);
  if (!font) return nullptr;
  const plat::MAT2 id = plat::IdentityMat2();
  const float base = code < 256 ? (1.0f - g_FontCatalog.descent) * 1000.0f : 1000.0f;
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  NativeToRecords records(build, *out, base, matrix);
  // No outline, or a blank one: nothing.
  if (!font->WalkGlyphOutline(code, &id, records) || !records.Finish()) {
    plat::MessageBeep(0);
    return nullptr;
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
