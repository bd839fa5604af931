// Fixtures of the font tests: a settings file for the language slots, small
// hand-built TrueType files, 5.x glyph data and helpers on point lists.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/pathpoints.h"
#include "model/settings.h"
#include "platform/tests/temp_dir.h"

// Points the main settings file at a file of the given text for a scope.
class ScopedIni {
 public:
  explicit ScopedIni(const std::string& text) : old_(g_IniFile.GetPath()) {
    path_ = dir_ / "VORLAN98.INI";
    WriteFileBytes(path_, text);
    g_IniFile.SetPath(path_);
  }
  ~ScopedIni() { g_IniFile.SetPath(old_); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string path_;
  std::string old_;
};

// A point record unpacked (packed floats cannot be bound to references).
struct Pt {
  float x, y;
  std::uint8_t flags;
};
inline std::vector<Pt> PointsOf(const CPathPointList& list) {
  std::vector<Pt> out;
  pathrec::Records r(list.points);
  for (std::size_t i = 0; i < r.n && i < std::size_t(list.count); ++i)
    out.push_back({r.p[i].x, r.p[i].y, r.p[i].flags});
  return out;
}

inline std::unique_ptr<CPathPointList> ListOf(const std::vector<PathPoint>& pts, bool end = true) {
  auto l = std::make_unique<CPathPointList>();
  for (const PathPoint& p : pts) l->AddPoint(p);
  if (end) l->EndPoints();
  return l;
}

// --- 5.x glyph data: 8 unread bytes, n, 1-based ends, run-length flags,
// coordinates. Each point here is stored with 16-bit steps.
struct Old5Point {
  std::int16_t x, y;
  bool on;
};
inline std::vector<std::uint8_t> MakeOld5Glyph(const std::vector<std::vector<Old5Point>>& contours) {
  std::vector<std::uint8_t> d(8, 0xEE);
  auto u16 = [&](unsigned v) {
    d.push_back(std::uint8_t(v));
    d.push_back(std::uint8_t(v >> 8));
  };
  u16(unsigned(contours.size()));
  unsigned total = 0;
  for (const auto& c : contours) u16(total += unsigned(c.size()));
  for (const auto& c : contours)
    for (const Old5Point& p : c) d.push_back(p.on ? 1 : 0);
  std::int32_t x = 0, y = 0;
  for (const auto& c : contours)
    for (const Old5Point& p : c) {
      u16(std::uint16_t(std::int16_t(p.x - x)));
      u16(std::uint16_t(std::int16_t(p.y - y)));
      x = p.x;
      y = p.y;
    }
  return d;
}

// --- Hand-built TrueType files.
struct TtPoint {
  int x, y;
  bool on;
};
struct TtGlyphSpec {
  std::vector<std::vector<TtPoint>> contours;
  bool composite = false;
};
struct TtNameSpec {
  std::uint16_t language;
  std::u16string text;
  std::uint16_t encoding = 1;
  std::string bytes;  // used when encoding is not 1
};
inline TtNameSpec Utf16Name(std::uint16_t language, std::u16string text) {
  TtNameSpec n;
  n.language = language;
  n.text = std::move(text);
  return n;
}
inline TtNameSpec ByteName(std::uint16_t language, std::string bytes) {
  TtNameSpec n;
  n.language = language;
  n.encoding = 0;
  n.bytes = std::move(bytes);
  return n;
}
struct TtFontLayout {
  std::vector<TtGlyphSpec> glyphs;           // glyph 0 first
  std::map<std::uint16_t, std::uint16_t> cmap;  // code -> glyph, format 4
  std::vector<TtNameSpec> names;
  std::uint16_t unitsPerEm = 2048;
  std::int16_t xMin = -100, yMin = -200, xMax = 2000, yMax = 1800;
  int locaFormat = 1;
  int declaredGlyphs = -1;  // maxp glyph count; -1: the number of glyphs
};

namespace ttbuild {
inline void BE16(std::string& s, unsigned v) {
  s.push_back(char(v >> 8));
  s.push_back(char(v));
}
inline void BE32(std::string& s, std::uint32_t v) {
  BE16(s, v >> 16);
  BE16(s, v & 0xFFFF);
}
inline std::string Glyph(const TtGlyphSpec& g) {
  std::string s;
  if (g.composite) {
    BE16(s, 0xFFFF);  // -1 contours
    for (int i = 0; i < 4; ++i) BE16(s, 0);
    BE16(s, 0x0002);  // flags: args are xy values, bytes
    BE16(s, 1);       // glyph 1
    s.push_back(0);
    s.push_back(0);
    return s;
  }
  if (g.contours.empty()) return s;
  BE16(s, unsigned(g.contours.size()));
  for (int i = 0; i < 4; ++i) BE16(s, 0);
  unsigned n = 0;
  for (const auto& c : g.contours) BE16(s, (n += unsigned(c.size())) - 1);
  BE16(s, 0);  // no instructions
  for (const auto& c : g.contours)
    for (const TtPoint& p : c) s.push_back(char(p.on ? 1 : 0));
  int last = 0;
  for (const auto& c : g.contours)
    for (const TtPoint& p : c) {
      BE16(s, unsigned(std::uint16_t(std::int16_t(p.x - last))));
      last = p.x;
    }
  last = 0;
  for (const auto& c : g.contours)
    for (const TtPoint& p : c) {
      BE16(s, unsigned(std::uint16_t(std::int16_t(p.y - last))));
      last = p.y;
    }
  while (s.size() % 4) s.push_back(0);
  return s;
}
}  // namespace ttbuild

inline std::string BuildTtf(const TtFontLayout& layout) {
  using namespace ttbuild;
  std::map<std::string, std::string> tables;
  std::string glyf, loca;
  std::vector<std::uint32_t> offsets;
  for (const auto& g : layout.glyphs) {
    offsets.push_back(std::uint32_t(glyf.size()));
    glyf += Glyph(g);
  }
  offsets.push_back(std::uint32_t(glyf.size()));
  for (std::uint32_t o : offsets) {
    if (layout.locaFormat == 1)
      BE32(loca, o);
    else
      BE16(loca, o / 2);
  }
  std::string head(54, '\0');
  {
    std::string h;
    BE32(h, 0x00010000);
    BE32(h, 0x00010000);
    BE32(h, 0);
    BE32(h, 0x5F0F3CF5);
    BE16(h, 0);
    BE16(h, layout.unitsPerEm);
    h.append(16, '\0');
    BE16(h, std::uint16_t(layout.xMin));
    BE16(h, std::uint16_t(layout.yMin));
    BE16(h, std::uint16_t(layout.xMax));
    BE16(h, std::uint16_t(layout.yMax));
    BE16(h, 0);
    BE16(h, 8);
    BE16(h, 2);
    BE16(h, unsigned(layout.locaFormat));
    BE16(h, 0);
    head = h;
  }
  std::string maxp;
  BE32(maxp, 0x00005000);
  BE16(maxp, layout.declaredGlyphs >= 0 ? unsigned(layout.declaredGlyphs) : unsigned(layout.glyphs.size()));
  // cmap: one format 4 subtable (3, 1), one segment per code and the last.
  std::string sub;
  {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> segs(layout.cmap.begin(), layout.cmap.end());
    unsigned segCount = unsigned(segs.size()) + 1;
    std::string endc, startc, delta, range;
    for (auto& [code, glyph] : segs) {
      BE16(endc, code);
      BE16(startc, code);
      BE16(delta, std::uint16_t(glyph - code));
      BE16(range, 0);
    }
    BE16(endc, 0xFFFF);
    BE16(startc, 0xFFFF);
    BE16(delta, 1);
    BE16(range, 0);
    std::string body;
    BE16(body, 2 * segCount);
    BE16(body, 0);
    BE16(body, 0);
    BE16(body, 0);
    body += endc;
    BE16(body, 0);
    body += startc + delta + range;
    BE16(sub, 4);
    BE16(sub, unsigned(body.size() + 6));
    BE16(sub, 0);
    sub += body;
  }
  std::string cmap;
  BE16(cmap, 0);
  BE16(cmap, 1);
  BE16(cmap, 3);
  BE16(cmap, 1);
  BE32(cmap, 12);
  cmap += sub;
  std::string name, strings;
  BE16(name, 0);
  BE16(name, unsigned(layout.names.size()));
  BE16(name, unsigned(6 + 12 * layout.names.size()));
  for (const TtNameSpec& n : layout.names) {
    std::string bytes;
    if (n.encoding == 1) {
      for (char16_t c : n.text) BE16(bytes, c);
    } else {
      bytes = n.bytes;
    }
    BE16(name, 3);
    BE16(name, n.encoding);
    BE16(name, n.language);
    BE16(name, 4);
    BE16(name, unsigned(bytes.size()));
    BE16(name, unsigned(strings.size()));
    strings += bytes;
  }
  name += strings;
  tables["cmap"] = cmap;
  tables["glyf"] = glyf;
  tables["head"] = head;
  tables["loca"] = loca;
  tables["maxp"] = maxp;
  tables["name"] = name;
  std::string out;
  BE32(out, 0x00010000);
  BE16(out, unsigned(tables.size()));
  BE16(out, 0);
  BE16(out, 0);
  BE16(out, 0);
  std::uint32_t at = std::uint32_t(12 + 16 * tables.size());
  std::string body;
  for (auto& [tag, data] : tables) {
    out += tag;
    BE32(out, 0);
    BE32(out, at + std::uint32_t(body.size()));
    BE32(out, std::uint32_t(data.size()));
    body += data;
    while (body.size() % 4) body.push_back(0);
  }
  return out + body;
}
