#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstring>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "model/segarray.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "text/codetables.h"
#include "text/tests/font_fixtures.h"
#include "text/truetype.h"

namespace {

constexpr const char* kSungGb = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";
constexpr const char* kMingBig5 = "/usr/share/fonts/truetype/arphic-bsmi00lp/bsmi00lp.ttf";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::vector<std::uint16_t> Gb2312Codes() {
  std::vector<std::uint16_t> codes;
  for (unsigned lead = 0xB0; lead <= 0xF7; ++lead)
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail >= 0xFA) continue;
      codes.push_back(std::uint16_t(lead << 8 | trail));
    }
  return codes;
}

// A square glyph 1, an arc glyph 2, a contour starting off-curve 3 (its last
// point on-curve), an all-off-curve contour 4, a composite 5, an empty 6.
TtFontLayout SmallFont() {
  TtFontLayout f;
  f.glyphs.push_back({{{{0, 0, true}, {100, 0, true}, {100, 100, true}}}});  // glyph 0
  f.glyphs.push_back({{{{0, 0, true}, {500, 0, true}, {500, 500, true}, {0, 500, true}}}});
  f.glyphs.push_back({{{{0, 0, true}, {300, 600, false}, {600, 0, true}}}});
  f.glyphs.push_back({{{{300, 600, false}, {600, 0, true}, {0, 0, true}}}});
  f.glyphs.push_back({{{{0, 0, false}, {400, 0, false}, {400, 400, false}, {0, 400, false}}}});
  f.glyphs.push_back({{}, true});
  f.glyphs.push_back({});
  f.cmap = {{0x41, 1}, {0x42, 2}, {0x43, 3}, {0x44, 4}, {0x45, 5}, {0x20, 6}, {0x4E00, 2}};
  f.names.push_back(Utf16Name(2052, u"小字"));
  return f;
}

class TtfFile {
 public:
  explicit TtfFile(const std::string& bytes) {
    path_ = dir_ / "f.ttf";
    WriteFileBytes(path_, bytes);
  }
  const std::string& path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_;
};

std::unique_ptr<CPathPointList> Outline(const std::string& path, std::uint16_t code,
                                        int set = CTrueTypeReader::kGb2312) {
  TtFontMetrics m;
  return CTrueTypeReader::GetGlyphOutline(path, code, set, &m);
}

std::vector<std::uint8_t> BlockBytes(const CPathPointList& l) {
  std::vector<std::uint8_t> b;
  if (!l.points) return b;
  plat::GlobalLockGuard g(l.points);
  b.assign(g.bytes(), g.bytes() + g.size());
  return b;
}

// A simple glyph's outline by the rules written out plainly: the points'
// flags and deltas read one by one, each contour started at an on-curve
// point, quadratic pieces raised to cubic ones, and the points added to a
// list one by one.
std::unique_ptr<CPathPointList> PlainGlyphOutline(const std::vector<std::uint8_t>& d) {
  auto be16 = [&](std::size_t at) { return std::uint16_t(d[at] << 8 | d[at + 1]); };
  if (d.size() < 10) return nullptr;
  const std::int16_t contours = std::int16_t(be16(0));
  if (contours < 1 || contours > 999) return nullptr;
  std::size_t pos = 10;
  if (pos + 2 * std::size_t(contours) + 2 > d.size()) return nullptr;
  std::vector<std::uint16_t> ends;
  for (int i = 0; i < contours; ++i, pos += 2) {
    if (!ends.empty() && be16(pos) < ends.back()) return nullptr;
    ends.push_back(be16(pos));
  }
  const std::size_t points = std::size_t(ends.back()) + 1;
  pos += 2 + be16(pos);
  if (pos > d.size()) return nullptr;
  std::vector<std::uint8_t> flags;
  while (flags.size() < points) {
    if (pos >= d.size()) return nullptr;
    const std::uint8_t f = d[pos++];
    std::size_t r = 1;
    if (f & 0x08) {
      if (pos >= d.size()) return nullptr;
      r += d[pos++];
    }
    if (flags.size() + r > points) return nullptr;
    flags.insert(flags.end(), r, f);
  }
  std::vector<std::int32_t> delta[2];
  for (int axis = 0; axis < 2; ++axis) {
    const std::uint8_t shortBit = axis == 0 ? 0x02 : 0x04, sameBit = axis == 0 ? 0x10 : 0x20;
    for (std::size_t i = 0; i < points; ++i) {
      std::int32_t v = 0;
      if (flags[i] & shortBit) {
        if (pos >= d.size()) return nullptr;
        v = (flags[i] & sameBit) ? d[pos] : -std::int32_t(d[pos]);
        ++pos;
      } else if (!(flags[i] & sameBit)) {
        if (pos + 2 > d.size()) return nullptr;
        v = std::int16_t(be16(pos));
        pos += 2;
      }
      delta[axis].push_back(v);
    }
  }
  struct P {
    float x, y;
    bool on;
  };
  auto out = std::make_unique<CPathPointList>();
  std::int32_t x = 0, y = 0;
  std::size_t first = 0;
  for (std::uint16_t end : ends) {
    std::vector<P> c;
    for (std::size_t i = first; i <= end && i < points; ++i) {
      x += delta[0][i];
      y += delta[1][i];
      c.push_back({float(x), float(y), (flags[i] & 1) != 0});
    }
    first = std::size_t(end) + 1;
    if (c.empty()) continue;
    std::vector<P> seq;
    P start;
    if (c.front().on) {
      start = c.front();
      seq.assign(c.begin() + 1, c.end());
    } else if (c.back().on) {
      start = c.back();
      seq.assign(c.begin(), c.end() - 1);
    } else {
      start = {(c.back().x + c.front().x) / 2.0f, (c.back().y + c.front().y) / 2.0f, true};
      seq = c;
    }
    std::vector<PathPoint> recs{{start.x, start.y, 0x11}};
    P p0 = start;
    for (std::size_t i = 0; i < seq.size();) {
      const P q = seq[i];
      if (q.on) {
        recs.push_back({q.x, q.y, 0x01});
        p0 = q;
        ++i;
        continue;
      }
      P p1;
      if (i + 1 >= seq.size()) {
        p1 = start;
        ++i;
      } else if (seq[i + 1].on) {
        p1 = seq[i + 1];
        i += 2;
      } else {
        p1 = {(q.x + seq[i + 1].x) / 2.0f, (q.y + seq[i + 1].y) / 2.0f, true};
        ++i;
      }
      recs.push_back({(2.0f * q.x + p0.x) / 3.0f, (2.0f * q.y + p0.y) / 3.0f, 0x00});
      recs.push_back({(2.0f * q.x + p1.x) / 3.0f, (2.0f * q.y + p1.y) / 3.0f, 0x00});
      recs.push_back({p1.x, p1.y, 0x01});
      p0 = p1;
    }
    if (recs.size() > 1) recs.back().flags = 0x41;
    for (const PathPoint& p : recs) out->AddPoint(p);
  }
  if (out->count == 0) return nullptr;
  out->EndPoints();
  return out;
}

// The reader's steps, each opening the file itself, and the plain rules: the
// outline a code has in the file as it is now.
std::unique_ptr<CPathPointList> StepOutline(const std::string& path, std::uint16_t code, int set,
                                            TtFontMetrics* m) {
  CDiskFile f;
  if (!f.Open(path, "rb")) return nullptr;
  std::uint32_t off, len;
  int locaFormat;
  if (!CTrueTypeReader::GetGlyfOffset(f, &off, &len) || !CTrueTypeReader::ReadHead(f, m, &locaFormat))
    return nullptr;
  TtNameRecord rec;
  const bool named = CTrueTypeReader::FindFontName(f, &rec);
  if (named && rec.languageId == 1028 && set == CTrueTypeReader::kGb2312) {
    code = std::uint16_t(g_CodeTables.GbToBig5(code));
    set = CTrueTypeReader::kBig5;
  } else if (named && rec.languageId == 2052 && set == CTrueTypeReader::kBig5) {
    const std::uint16_t gb = g_CodeTables.Big5ToGb(std::uint16_t((code >> 8) | (code << 8)));
    code = std::uint16_t((gb >> 8) | (gb << 8));
    set = CTrueTypeReader::kGb2312;
  }
  std::uint32_t lookup = code;
  if (!named || rec.encodingId == 1)
    lookup = plat::CharCodeToUnicode(set == CTrueTypeReader::kBig5 ? plat::CP_BIG5 : plat::CP_GBK, code);
  std::uint16_t glyph;
  if (!CTrueTypeReader::LookupGlyphIndex(f, lookup, &glyph)) return nullptr;
  std::vector<std::uint8_t> data;
  if (!CTrueTypeReader::ReadGlyph(f, glyph, &data) || data.empty()) return nullptr;
  // The reader's own parsing and building steps give the plain rules' outline.
  std::unique_ptr<CPathPointList> plain = PlainGlyphOutline(data);
  TtSimpleGlyph g;
  std::unique_ptr<CPathPointList> steps =
      CTrueTypeReader::ParseSimpleGlyph(data, &g) ? CTrueTypeReader::BuildOutline(g) : nullptr;
  EXPECT_EQ(bool(steps), bool(plain));
  if (steps && plain) {
    EXPECT_EQ(steps->count, plain->count);
    EXPECT_EQ(std::memcmp(&steps->bounds, &plain->bounds, sizeof plain->bounds), 0);
    EXPECT_EQ(BlockBytes(*steps), BlockBytes(*plain));
  }
  return plain;
}

// The outline of the code (and the metrics) equal the steps' to the byte.
void ExpectAsTheSteps(const std::string& path, std::uint16_t code, int set = CTrueTypeReader::kGb2312) {
  TtFontMetrics got, want;
  auto a = CTrueTypeReader::GetGlyphOutline(path, code, set, &got);
  auto b = StepOutline(path, code, set, &want);
  ASSERT_EQ(bool(a), bool(b)) << std::hex << code;
  EXPECT_EQ(got.unitsPerEm, want.unitsPerEm);
  EXPECT_EQ(got.xMin, want.xMin);
  EXPECT_EQ(got.yMax, want.yMax);
  if (!a) return;
  EXPECT_EQ(a->count, b->count) << std::hex << code;
  EXPECT_EQ(a->capacity, b->capacity) << std::hex << code;
  EXPECT_EQ(a->hasBounds, b->hasBounds);
  EXPECT_EQ(std::memcmp(&a->bounds, &b->bounds, sizeof a->bounds), 0) << std::hex << code;
  EXPECT_EQ(BlockBytes(*a), BlockBytes(*b)) << std::hex << code;
}

TEST(TrueTypeReader, NamesOfTheInstalledFonts) {
  std::string name;
  ASSERT_EQ(CTrueTypeReader::GetFamilyName(kSungGb, name), 1);
  EXPECT_EQ(plat::GbkToUtf8(name), "文鼎ＰＬ简报宋");
  ASSERT_EQ(CTrueTypeReader::GetFamilyName(kMingBig5, name), 1);
  EXPECT_FALSE(name.empty());
  // Only English full names: no name here.
  EXPECT_EQ(CTrueTypeReader::GetFamilyName(kDejaVu, name), 0);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(CTrueTypeReader::GetFamilyName("/nonexistent.ttf", name), 0);
}

TEST(TrueTypeReader, ByteNamesOfTaiwanFontsGoThroughTheBig5Table) {
  TtFontLayout f = SmallFont();
  f.names = {Utf16Name(1033, u"Small"), ByteName(1028, "\xA4\x40\xA4\x42")};  // BIG5 "一丁"
  TtfFile file(BuildTtf(f));
  std::string name;
  ASSERT_EQ(CTrueTypeReader::GetFamilyName(file.path(), name), 1);
  EXPECT_EQ(plat::GbkToUtf8(name), "一丁");
  // UTF-16 names are not put through the table a second time.
  f.names = {Utf16Name(1028, u"一丁")};
  TtfFile utf(BuildTtf(f));
  ASSERT_EQ(CTrueTypeReader::GetFamilyName(utf.path(), name), 1);
  EXPECT_EQ(plat::GbkToUtf8(name), "一丁");
}

TEST(TrueTypeReader, QuadraticArcsBecomeCubicPieces) {
  TtfFile file(BuildTtf(SmallFont()));
  TtFontMetrics m;
  auto arc = CTrueTypeReader::GetGlyphOutline(file.path(), 0x42, 1, &m);
  ASSERT_TRUE(arc);
  EXPECT_EQ(m.unitsPerEm, 2048);
  EXPECT_EQ(m.xMin, -100);
  EXPECT_EQ(m.yMin, -200);
  auto p = PointsOf(*arc);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0].flags, 0x11);
  EXPECT_EQ(p[1].x, 200.0f);
  EXPECT_EQ(p[1].y, 400.0f);
  EXPECT_EQ(p[1].flags, 0x00);
  EXPECT_EQ(p[2].x, 400.0f);
  EXPECT_EQ(p[2].y, 400.0f);
  EXPECT_EQ(p[3].x, 600.0f);
  EXPECT_EQ(p[3].y, 0.0f);
  EXPECT_EQ(p[3].flags, 0x41);
  EXPECT_EQ(p[4].flags, PP_END);
}

TEST(TrueTypeReader, OffCurveStartsBeginAtAnOnCurvePoint) {
  TtfFile file(BuildTtf(SmallFont()));
  // Last point on-curve: the contour starts there and curves through the
  // first (off-curve) point.
  auto a = Outline(file.path(), 0x43);
  ASSERT_TRUE(a);
  auto p = PointsOf(*a);
  ASSERT_GE(p.size(), 5u);
  EXPECT_EQ(p[0].x, 0.0f);
  EXPECT_EQ(p[0].y, 0.0f);
  EXPECT_EQ(p[0].flags, 0x11);
  EXPECT_EQ(p[1].x, 200.0f);
  EXPECT_EQ(p[1].y, 400.0f);
  EXPECT_EQ(p[3].x, 600.0f);
  EXPECT_EQ(p[3].flags, 0x41);
  for (const Pt& q : p)
    if (q.flags & PP_NODE) {
      EXPECT_FALSE(q.x == 300.0f && q.y == 600.0f);
    }
  // All off-curve: implied nodes at the midpoints, closing at the start.
  auto b = Outline(file.path(), 0x44);
  ASSERT_TRUE(b);
  auto r = PointsOf(*b);
  std::vector<std::pair<float, float>> nodes;
  for (const Pt& q : r)
    if (q.flags != PP_END && (q.flags & PP_NODE)) nodes.push_back({q.x, q.y});
  std::vector<std::pair<float, float>> want = {{0, 200}, {200, 0}, {400, 200}, {200, 400}, {0, 200}};
  EXPECT_EQ(nodes, want);
  EXPECT_EQ(r[r.size() - 2].flags, 0x41);
}

TEST(TrueTypeReader, GlyphsThatGiveNoOutline) {
  TtfFile file(BuildTtf(SmallFont()));
  EXPECT_FALSE(Outline(file.path(), 0x45));  // composite
  EXPECT_FALSE(Outline(file.path(), 0x20));  // empty
  // An unmapped code gives glyph 0.
  auto zero = Outline(file.path(), 0x5A);
  ASSERT_TRUE(zero);
  EXPECT_EQ(PointsOf(*zero)[1].x, 100.0f);
  // A GB code goes through Unicode: 一 (D2BB) is U+4E00, mapped to the arc.
  auto yi = Outline(file.path(), 0xD2BB);
  ASSERT_TRUE(yi);
  EXPECT_EQ(PointsOf(*yi)[3].x, 600.0f);
  // A glyph index equal to the glyph count is refused.
  TtFontLayout f = SmallFont();
  f.declaredGlyphs = 2;
  TtfFile cut(BuildTtf(f));
  EXPECT_TRUE(Outline(cut.path(), 0x41));
  EXPECT_FALSE(Outline(cut.path(), 0x42));
  // Decreasing contour ends beep four times.
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  {
    // Two contours whose ends are 3 then 1.
    TtFontLayout h;
    h.glyphs.push_back({{{{0, 0, true}, {1, 0, true}, {1, 1, true}, {0, 1, true}}, {{5, 5, true}, {6, 6, true}}}});
    h.cmap = {{0x41, 0}};
    std::string b = BuildTtf(h);
    // The glyph's end list lies right after its 10-byte head in 'glyf'.
    std::size_t rec = b.find("glyf");
    ASSERT_NE(rec, std::string::npos);
    std::size_t ends = 10;
    for (int i = 0; i < 4; ++i) ends += std::size_t(std::uint8_t(b[rec + 8 + std::size_t(i)])) << (8 * (3 - i));
    b[ends] = 0;
    b[ends + 1] = 3;
    b[ends + 2] = 0;
    b[ends + 3] = 1;
    TtfFile bad(b);
    EXPECT_FALSE(Outline(bad.path(), 0x41));
    EXPECT_EQ(sink.beeps.size(), 4u);
  }
}

TEST(TrueTypeReader, LongAndShortLocationFormats) {
  TtFontLayout f = SmallFont();
  f.locaFormat = 0;
  TtfFile file(BuildTtf(f));
  auto sq = Outline(file.path(), 0x41);
  ASSERT_TRUE(sq);
  EXPECT_EQ(PointsOf(*sq)[2].y, 500.0f);
}

TEST(TrueTypeReader, EveryTruncationAndCorruptionStaysInBounds) {
  const std::string good = BuildTtf(SmallFont());
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  TempDir dir;
  const std::string path = dir / "x.ttf";
  for (std::size_t n = 0; n < good.size(); n += 3) {
    WriteFileBytes(path, good.substr(0, n));
    std::string name;
    CTrueTypeReader::GetFamilyName(path, name);
    for (std::uint16_t c : {0x41, 0x42, 0x44, 0xD2BB}) ExpectAsTheSteps(path, c);
  }
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (int v : {0x00, 0x7F, 0xFF}) {
      std::string bad = good;
      bad[i] = char(v);
      WriteFileBytes(path, bad);
      std::string name;
      CTrueTypeReader::GetFamilyName(path, name);
      for (std::uint16_t c : {0x41, 0x43, 0x44}) ExpectAsTheSteps(path, c);
    }
  }
}

// The installed faces, read once and kept: every GB2312 character (and a
// few through BIG5) as the steps read it from the file.
TEST(TrueTypeReader, KeptFilesGiveTheOutlinesOfTheSteps) {
  for (std::uint16_t code : Gb2312Codes()) ExpectAsTheSteps(kSungGb, code);
  for (std::uint16_t code : {0xA440, 0xA4A4, 0xB0EA}) {
    ExpectAsTheSteps(kMingBig5, code, CTrueTypeReader::kBig5);
    ExpectAsTheSteps(kSungGb, code, CTrueTypeReader::kBig5);
  }
  for (std::uint16_t code : {0xD2BB, 0xB1EA, 0x41}) ExpectAsTheSteps(kMingBig5, code);
  ExpectAsTheSteps(kDejaVu, 0x41);
}

// A kept file is read again once it changes: rewritten in place (same
// size, other points and em), replaced by another file, cut short, removed.
TEST(TrueTypeReader, KeptFilesFollowTheirFile) {
  TempDir dir;
  const std::string path = dir / "k.ttf";
  auto squareY = [&] {
    auto o = Outline(path, 0x41);
    return o ? PointsOf(*o)[2].y : -1.0f;
  };
  TtFontLayout f = SmallFont();
  const std::string first = BuildTtf(f);
  WriteFileBytes(path, first);
  EXPECT_EQ(squareY(), 500.0f);
  EXPECT_EQ(squareY(), 500.0f);
  f.glyphs[1] = {{{{0, 0, true}, {400, 0, true}, {400, 400, true}, {0, 400, true}}}};
  f.unitsPerEm = 1000;
  const std::string second = BuildTtf(f);
  ASSERT_EQ(second.size(), first.size());
  WriteFileBytes(path, second);
  EXPECT_EQ(squareY(), 400.0f);
  TtFontMetrics m;
  ASSERT_TRUE(CTrueTypeReader::GetGlyphOutline(path, 0x41, 1, &m));
  EXPECT_EQ(m.unitsPerEm, 1000);
  // Replaced by renaming another file over it.
  f.glyphs[1] = {{{{0, 0, true}, {300, 0, true}, {300, 300, true}, {0, 300, true}}}};
  WriteFileBytes(dir / "new.ttf", BuildTtf(f));
  std::filesystem::rename(dir / "new.ttf", path);
  EXPECT_EQ(squareY(), 300.0f);
  WriteFileBytes(path, second.substr(0, 40));
  EXPECT_EQ(squareY(), -1.0f);
  WriteFileBytes(path, first);
  EXPECT_EQ(squareY(), 500.0f);
  std::filesystem::remove(path);
  EXPECT_EQ(squareY(), -1.0f);
  WriteFileBytes(path, second);
  EXPECT_EQ(squareY(), 400.0f);
}

TEST(TrueTypeReader, Big5FontsLookUpConvertedCodes) {
  if (!g_CodeTables.LoadGbToBig5()) GTEST_SKIP() << "no code tables";
  // 一 as a GB code in the BIG5 font and as a BIG5 code.
  auto fromGb = Outline(kMingBig5, 0xD2BB, CTrueTypeReader::kGb2312);
  auto fromBig5 = Outline(kMingBig5, 0xA440, CTrueTypeReader::kBig5);
  ASSERT_TRUE(fromGb);
  ASSERT_TRUE(fromBig5);
  EXPECT_EQ(fromGb->count, fromBig5->count);
  EXPECT_GT(fromGb->count, 4);
  // And a BIG5 code in the GB font.
  auto gbFont = Outline(kSungGb, 0xA440, CTrueTypeReader::kBig5);
  auto gbFontDirect = Outline(kSungGb, 0xD2BB, CTrueTypeReader::kGb2312);
  ASSERT_TRUE(gbFont);
  ASSERT_TRUE(gbFontDirect);
  EXPECT_EQ(gbFont->count, gbFontDirect->count);
}

// FreeType's on-curve points (font units) of every GB2312 character are nodes
// of our outline.
TEST(TrueTypeReader, OnCurvePointsAgreeWithFreeType) {
  FT_Library lib;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Face(lib, kSungGb, 0, &face), 0);
  int compared = 0, missingHere = 0;
  for (std::uint16_t code : Gb2312Codes()) {
    char32_t u = plat::CharCodeToUnicode(plat::CP_GBK, code);
    FT_UInt gi = FT_Get_Char_Index(face, u);
    std::set<std::pair<int, int>> theirs;
    if (gi && FT_Load_Glyph(face, gi, FT_LOAD_NO_SCALE) == 0 &&
        face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      const FT_Outline& o = face->glyph->outline;
      for (int i = 0; i < o.n_points; ++i)
        if (FT_CURVE_TAG(o.tags[i]) == FT_CURVE_TAG_ON) theirs.insert({int(o.points[i].x), int(o.points[i].y)});
    }
    auto ours = Outline(kSungGb, code);
    if (!ours) {
      if (!theirs.empty()) ++missingHere;
      continue;
    }
    std::set<std::pair<int, int>> nodes;
    for (const Pt& p : PointsOf(*ours))
      if (p.flags != PP_END && (p.flags & PP_NODE)) nodes.insert({int(p.x), int(p.y)});
    for (const auto& q : theirs) {
      ASSERT_TRUE(nodes.count(q)) << std::hex << code << " " << std::dec << q.first << "," << q.second;
    }
    ++compared;
  }
  EXPECT_EQ(missingHere, 0);
  EXPECT_GT(compared, 6700);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}

}  // namespace
