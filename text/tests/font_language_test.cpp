#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/font.h"
#include "platform/report.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/tests/font_fixtures.h"

namespace {

// Restores the global tables after a test.
class LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    g_FontCatalog.Clear();
    g_TtfFontTable.Clear();
    g_CftFontTable.Clear();
    ini_.reset();
    g_Language.Load();
  }
  void UseIni(const std::string& text) {
    ini_ = std::make_unique<ScopedIni>(text);
    g_Language.Load();
  }
  std::unique_ptr<ScopedIni> ini_;
};

// A memory file through the file interface.
class MemFile : public CFileServices {
 public:
  std::uint64_t GetPosition() const override { return pos; }
  bool Seek(std::uint64_t p) override {
    if (failSeek) return false;
    pos = p;
    return true;
  }
  std::uint64_t GetLength() const override { return data.size(); }
  std::size_t Read(void* b, std::size_t n) override {
    if (pos >= data.size()) return 0;
    n = std::min<std::size_t>(n, data.size() - pos);
    std::memcpy(b, data.data() + pos, n);
    pos += n;
    return n;
  }
  bool Write(const void* b, std::size_t n) override {
    if (failWrites) return false;
    if (data.size() < pos + n) data.resize(pos + n);
    std::memcpy(data.data() + pos, b, n);
    pos += n;
    return true;
  }
  std::string data;
  std::uint64_t pos = 0;
  bool failWrites = false, failSeek = false;
};

TEST_F(LanguageTest, WithoutLanguageSectionsEverySlotIsEmpty) {
  UseIni("[Other]\nx=1\n");
  EXPECT_EQ(g_Language.GetLastIndex(), 0);
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(g_Language.GetId(i), 0xFF);
    char name[20];
    EXPECT_FALSE(g_Language.GetName(i, name));
  }
  EXPECT_EQ(g_Language.FindId(0xFF), -1);
  for (int id = 0; id < 255; ++id) EXPECT_EQ(g_Language.FindId(std::uint8_t(id)), -1);
}

TEST_F(LanguageTest, SlotsIdsNamesAndTheLeadingRun) {
  UseIni(
      "[LANGUAGE0]\nID=134\nNAME=Simplified\n"
      "[LANGUAGE1]\nID=136\nNAME=Traditional\n"
      "[language2]\nID=0\nNAME=English\n"
      "[LANGUAGE3]\nID=134\nNAME=Again\n"
      "[LANGUAGE5]\nID=204\nNAME=Russian\n"
      "[LANGUAGE6]\nID=-1\nNAME=NoId\n");
  EXPECT_EQ(g_Language.GetLastIndex(), 3);
  EXPECT_EQ(g_Language.FindId(134), 0);  // the first slot wins
  EXPECT_EQ(g_Language.FindId(0), 2);
  EXPECT_EQ(g_Language.FindId(204), 5);  // named after an empty slot: kept
  EXPECT_EQ(g_Language.GetName(5), "Russian");
  EXPECT_EQ(g_Language.GetId(6), 0xFF);
  EXPECT_EQ(g_Language.FindId(0xFF), -1);
  EXPECT_EQ(g_Language.GetId(30), 0xFF);
  EXPECT_EQ(g_Language.GetName(-1), "");
}

TEST_F(LanguageTest, LongNamesAreCutOnACharacterBoundary) {
  // 18 ASCII bytes and a GBK pair would cut the pair at 19 bytes.
  std::string gbk = plat::Utf8ToGbk("中文");
  UseIni("[LANGUAGE0]\nID=134\nNAME=ABCDEFGHIJKLMNOPQR" + gbk + "\n"
         "MountName0=0123456789012345678901234567890123456789\n");
  EXPECT_EQ(g_Language.GetName(0), "ABCDEFGHIJKLMNOPQR");
  std::string label;
  g_Language.GetMountName(0, 0, label);
  EXPECT_EQ(label, "ABCDEFGHIJKLMNOPQR012345678901234567890123456789012345678Fonts");
}

TEST_F(LanguageTest, MountNamesPathsAndCodes) {
  std::string longPath = "/" + std::string(150, 'p') + "/fonts";
  UseIni("[LANGUAGE2]\nID=129\nNAME=X\nMounts=2\nMountName1=Song\nMountPath1=" + longPath +
         "\nTTFMountPath=/ttf\n");
  std::string out;
  EXPECT_EQ(g_Language.GetMountName(2, 1, out), 0x0300 | 129);
  EXPECT_EQ(out, "XSongFonts");
  EXPECT_EQ(g_Language.GetMountPath(2, 1, out), 0x0300 | 129);
  EXPECT_EQ(out, longPath);  // read whole
  EXPECT_EQ(g_Language.GetTtfMountPath(2, out), 0x0100 | 129);
  EXPECT_EQ(out, "/ttf");
  EXPECT_EQ(g_Language.GetMountCount(2), 2);
  EXPECT_EQ(g_Language.GetMountCount(3), 0);
}

TEST_F(LanguageTest, FontSourcesOfTheNamedSlots) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\nMounts=1\nMountName0=Song\n"
         "[LANGUAGE1]\nID=0\nNAME=EN\n"
         "[LANGUAGE3]\nID=204\nNAME=RU\n");
  g_FontCatalog.AddEntry(0, 0, {"", "Face"});
  g_FontCatalog.AddEntry(1, 0, {"", "Arial"});
  g_TtfFontTable.AddEntry(0, 0, {"/a.ttf", "T"});
  g_FontCatalog.AddEntry(3, 0, {"", "Cyr"});  // after the first unnamed slot
  FakeListBox labels, codes;
  g_Language.FillFontSources(labels, codes);
  EXPECT_EQ(labels.items, (std::vector<std::string>{"GBWinFonts  ", "GBTTFFonts  ", "GBSongFonts",
                                                    "ENWinFonts  "}));
  EXPECT_EQ(codes.items, (std::vector<std::string>{"134", "390", "646", "0"}));
  FakeListBox list;
  g_Language.ListLanguageFonts(134, list);
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_EQ(list.items[0], std::string("GBWinFonts") + std::string(30, ' ') + " -[134,0]");
  EXPECT_EQ(list.items[2].substr(40), " -[134,2]");
  FakeListBox none;
  g_Language.ListLanguageFonts(77, none);
  EXPECT_TRUE(none.items.empty());
  EXPECT_EQ(g_Language.FindFontInSource(0, 1, "T"), 0);
  EXPECT_EQ(g_Language.FindFontInSource(0, 0, "T"), -1);
  EXPECT_EQ(g_Language.FindFontInSource(0, 5, "T"), -1);
  EXPECT_EQ(g_Language.FindFontInSource(31, 0, "Face"), -1);
}

TEST_F(LanguageTest, EmptyFontTableIsFourZeroBytes) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n");
  MemFile f;
  f.data = "xx";
  f.pos = 2;
  ASSERT_EQ(g_Language.WriteToFile(f), 1);
  EXPECT_EQ(f.data, std::string("xx\0\0\0\0", 6));
  f.pos = 2;
  EXPECT_EQ(g_Language.ReadFromFile(f), 0u);
}

TEST_F(LanguageTest, FontTableRoundTrip) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=0\nNAME=EN\n[LANGUAGE2]\nID=204\nNAME=RU\n"
         "[LANGUAGE3]\nID=129\n");
  g_FontCatalog.AddEntry(0, 0, {"", "Song"});
  g_FontCatalog.AddEntry(0, 0, {"", "Hei"});
  g_FontCatalog.AddEntry(0, 0, {"", "Kai"});
  g_CftFontTable.MakeGroups(0, 1);
  g_CftFontTable.AddEntry(0, 1, {"/x/A.CFT", "Mine"});
  g_FontCatalog.AddEntry(2, 0, {"", "Cyr"});
  g_FontCatalog.AddEntry(3, 0, {"", "Beyond"});  // slot 3 is past the leading run
  MemFile f;
  f.data = "HEAD";
  f.pos = 4;
  ASSERT_EQ(g_Language.WriteToFile(f), 1);
  EXPECT_EQ(f.pos, f.data.size());
  const auto* d = reinterpret_cast<const std::uint8_t*>(f.data.data()) + 4;
  ASSERT_EQ(plat::GetU32(d), 3u * 14);
  // Records: (134, kind 0, 4 entries), (134, kind 3, 2), (204, kind 0, 2).
  EXPECT_EQ(plat::GetU32(d + 4), 160u);
  EXPECT_EQ(d[8], 134);
  EXPECT_EQ(d[9], 0);
  EXPECT_EQ(plat::GetU32(d + 10), 40u);
  EXPECT_EQ(plat::GetU32(d + 14), 4u + 4 + 42);  // absolute
  EXPECT_EQ(d[4 + 14 + 5], 3);
  EXPECT_EQ(d[4 + 28 + 4], 204);
  EXPECT_EQ(f.data.size(), 4u + 4 + 42 + 160 + 80 + 80);

  f.pos = 4;
  plat::GlobalBlock block(g_Language.ReadFromFile(f));
  ASSERT_TRUE(block);
  plat::GlobalLockGuard g(block.get());
  FontTableRecord r;
  ASSERT_TRUE(GetFontTableRecord(g.bytes(), g.size(), 0, &r));
  EXPECT_EQ(r.offset, 46u);  // in the block now
  EXPECT_STREQ(reinterpret_cast<const char*>(g.bytes() + r.offset + 40), "Hei");
  ASSERT_TRUE(GetFontTableRecord(g.bytes(), g.size(), 1, &r));
  EXPECT_STREQ(reinterpret_cast<const char*>(g.bytes() + r.offset), "Mine");
  ASSERT_TRUE(GetFontTableRecord(g.bytes(), g.size(), 2, &r));
  EXPECT_STREQ(reinterpret_cast<const char*>(g.bytes() + r.offset), "Cyr");
  EXPECT_FALSE(GetFontTableRecord(g.bytes(), g.size(), 3, &r));
  // Names by language, kind and index.
  std::string name;
  EXPECT_TRUE(GetFontTableName(g.bytes(), g.size(), 134, 0, 2, &name));
  EXPECT_EQ(name, "Kai");
  EXPECT_TRUE(GetFontTableName(g.bytes(), g.size(), 134, 3, 0, &name));
  EXPECT_EQ(name, "Mine");
  EXPECT_FALSE(GetFontTableName(g.bytes(), g.size(), 134, 0, 3, &name));  // the empty last entry
  EXPECT_FALSE(GetFontTableName(g.bytes(), g.size(), 134, 0, 4, &name));  // past the list
  EXPECT_FALSE(GetFontTableName(g.bytes(), g.size(), 134, 1, 0, &name));
  EXPECT_FALSE(GetFontTableName(g.bytes(), g.size(), 204, 0, -1, &name));
  EXPECT_FALSE(GetFontTableName(g.bytes(), 60, 204, 0, 0, &name));  // cut block
}

TEST_F(LanguageTest, FailedWritesAreReported) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n");
  g_FontCatalog.AddEntry(0, 0, {"", "Song"});
  MemFile f;
  f.failWrites = true;
  EXPECT_EQ(g_Language.WriteToFile(f), 0);
  MemFile s;
  s.failSeek = true;
  EXPECT_EQ(g_Language.WriteToFile(s), 0);
}

TEST_F(LanguageTest, HostileFontTablesAreBoundedByTheFile) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n");
  g_FontCatalog.AddEntry(0, 0, {"", "Song"});
  MemFile f;
  ASSERT_EQ(g_Language.WriteToFile(f), 1);
  const std::string good = f.data;
  auto read = [](const std::string& bytes) {
    MemFile m;
    m.data = bytes;
    return plat::GlobalBlock(g_Language.ReadFromFile(m));
  };
  // T not a multiple of 14, T past the file, sizes beyond the file.
  std::string bad = good;
  bad[0] = 13;
  EXPECT_FALSE(read(bad));
  bad = good;
  bad[0] = char(0xFF);
  bad[3] = 0x7F;
  EXPECT_FALSE(read(bad));
  bad = good;
  bad[4 + 3] = 0x7F;  // data size ~2 GB
  EXPECT_FALSE(read(bad));
  // An offset past the file leaves zeros.
  bad = good;
  bad[4 + 13] = 0x70;
  auto z = read(bad);
  ASSERT_TRUE(z);
  {
    plat::GlobalLockGuard g(z.get());
    EXPECT_EQ(g.bytes()[18], 0);
  }
  for (std::size_t n = 0; n < good.size(); ++n) read(good.substr(0, n));
  for (std::size_t i = 0; i < good.size(); ++i)
    for (int v : {0x00, 0x0E, 0x80, 0xFF}) {
      bad = good;
      bad[i] = char(v);
      read(bad);
    }
}

TEST_F(LanguageTest, SourceTables) {
  CFontSourceTable& t = g_TtfFontTable;
  EXPECT_FALSE(t.AddEntry(0, 1, {"p", "n"}));  // no group 0 yet
  EXPECT_TRUE(t.AddEntry(0, 0, {"p", "n"}));
  EXPECT_FALSE(t.AddEntry(0, 2, {"p", "n"}));
  EXPECT_TRUE(t.AddEntry(0, 1, {"q", "m"}));
  EXPECT_EQ(t.GetGroupCount(0), 2);
  EXPECT_EQ(t.GetGroupCount(30), 0);
  EXPECT_FALSE(t.AddEntry(30, 0, {"", ""}));
  std::string s = "junk";
  EXPECT_FALSE(t.GetEntryName(0, 0, 1, s));
  EXPECT_EQ(s, "");
  EXPECT_TRUE(t.GetEntryPath(0, 1, 0, s));
  EXPECT_EQ(s, "q");
  EXPECT_EQ(t.FindEntry(0, 1, "m"), 0);
  EXPECT_EQ(t.FindEntry(0, 1, "M"), -1);
  // Three names at width 40 and one cut on a character boundary.
  t.AddEntry(5, 0, {"", "A"});
  t.AddEntry(5, 0, {"", std::string(38, 'x') + "\xD6\xD0"});
  t.AddEntry(5, 0, {"", "C"});
  plat::GlobalBlock list(t.GetNameList(5, 0, 40));
  ASSERT_EQ(list.size(), 160u);
  plat::GlobalLockGuard g(list.get());
  EXPECT_STREQ(reinterpret_cast<const char*>(g.bytes() + 40), std::string(38, 'x').c_str());
  EXPECT_STREQ(reinterpret_cast<const char*>(g.bytes() + 80), "C");
  for (int i = 120; i < 160; ++i) EXPECT_EQ(g.bytes()[i], 0);
  EXPECT_EQ(t.GetNameList(6, 0, 40), 0u);
  t.Clear();
  EXPECT_EQ(t.GetGroupCount(0), 0);
}

TEST_F(LanguageTest, InstalledFontsAreFiledByCharacterSet) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=136\nNAME=BIG5\n"
         "[LANGUAGE2]\nID=0\nNAME=EN\n[LANGUAGE3]\nID=204\nNAME=RU\n");
  g_FontCatalog.EnumWindowsFonts();
  EXPECT_GE(g_FontCatalog.FindEntry(0, 0, plat::Utf8ToGbk("文鼎ＰＬ简报宋")), 0);
  EXPECT_GE(g_FontCatalog.FindEntry(1, 0, "AR PL Mingti2L Big5"), 0);
  EXPECT_GE(g_FontCatalog.FindEntry(2, 0, "DejaVu Sans"), 0);
  EXPECT_GE(g_FontCatalog.FindEntry(3, 0, "DejaVu Sans"), 0);
  EXPECT_EQ(g_FontCatalog.FindEntry(0, 0, "DejaVu Sans"), -1);
  for (int slot = 0; slot < 4; ++slot)
    for (int i = 0; i < g_FontCatalog.GetEntryCount(slot, 0); ++i) {
      std::string name;
      g_FontCatalog.GetEntryName(slot, 0, i, name);
      EXPECT_GE(static_cast<unsigned char>(name[0]), 'A') << name;
    }
}

TEST_F(LanguageTest, InstalledFontOutlinesInThe1024Frame) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=0\nNAME=EN\n");
  g_FontCatalog.EnumWindowsFonts();
  int song = g_FontCatalog.FindEntry(0, 0, plat::Utf8ToGbk("文鼎ＰＬ简报宋"));
  ASSERT_GE(song, 0);
  auto yi = GetTrueTypeGlyphOutline(134, song, 0xD2BB);  // 一
  ASSERT_TRUE(yi);
  auto pts = PointsOf(*yi);
  EXPECT_EQ(pts[0].flags, 0x11);
  EXPECT_EQ(pts.back().flags, PP_END);
  EXPECT_EQ(pts[pts.size() - 2].flags, 0x41);
  for (const Pt& p : pts) {
    if (p.flags == PP_END) continue;
    EXPECT_GE(p.x, -50.0f);
    EXPECT_LE(p.x, 1100.0f);
    EXPECT_GE(p.y, 0.0f);
    EXPECT_LE(p.y, 1100.0f);
  }
  // A matrix is applied after the frame.
  CMatrix3 shift(1, 0, 0, 1, 5000, 0);
  auto moved = GetTrueTypeGlyphOutline(134, song, 0xD2BB, &shift);
  ASSERT_TRUE(moved);
  EXPECT_EQ(PointsOf(*moved)[0].x, pts[0].x + 5000.0f);
  // Latin letters sit on the 800 baseline.
  int dejavu = g_FontCatalog.FindEntry(1, 0, "DejaVu Sans");
  ASSERT_GE(dejavu, 0);
  auto l = GetTrueTypeGlyphOutline(0, dejavu, 'L');
  ASSERT_TRUE(l);
  float maxY = 0;
  for (const Pt& p : PointsOf(*l))
    if (p.flags != PP_END) maxY = std::max(maxY, p.y);
  EXPECT_EQ(maxY, 800.0f);
  g_FontCatalog.descent = 0.25f;
  auto lower = GetTrueTypeGlyphOutline(0, dejavu, 'L');
  g_FontCatalog.descent = 0.2f;
  ASSERT_TRUE(lower);
  EXPECT_EQ(PointsOf(*lower)[0].y, PointsOf(*l)[0].y - 50.0f);
  plat::GLYPHMETRICS gm;
  g_FontCatalog.GetGlyphMetrics(0, dejavu, 'L', &gm);
  EXPECT_GT(gm.gmBlackBoxX, 0u);
  EXPECT_GT(gm.gmCellIncX, 0);
  g_FontCatalog.GetGlyphMetrics(0, 999, 'L', &gm);
  EXPECT_EQ(gm.gmBlackBoxX, 0u);
  // No such font: null; a blank glyph beeps and gives null.
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  EXPECT_FALSE(GetTrueTypeGlyphOutline(0, 999, 'L'));
  EXPECT_FALSE(GetTrueTypeGlyphOutline(0, dejavu, ' '));
  EXPECT_EQ(sink.beeps.size(), 1u);
}

TEST_F(LanguageTest, MountedTrueTypeFilesInThe1024Frame) {
  TempDir dir;
  std::filesystem::copy_file("/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf",
                             dir / "gbsn00lp.ttf");
  std::filesystem::create_directories(dir / "empty");
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\nTTFMountPath=" + dir.path() + "\n"
         "[LANGUAGE1]\nID=136\nNAME=BIG5\nTTFMountPath=" + (dir / "empty") + "\n"
         "[LANGUAGE2]\nID=0\nNAME=EN\nTTFMountPath=" + dir.path() + "\n");
  // The empty folder of slot 1 does not stop the scan of slot 2.
  EXPECT_EQ(g_TtfFontTable.ScanTtfMounts(), 0);
  ASSERT_EQ(g_TtfFontTable.GetEntryCount(0, 0), 1);
  EXPECT_EQ(g_TtfFontTable.GetEntryCount(2, 0), 1);
  std::string name;
  g_TtfFontTable.GetEntryName(0, 0, 0, name);
  EXPECT_EQ(plat::GbkToUtf8(name), "文鼎ＰＬ简报宋");
  auto g = g_TtfFontTable.GetGlyph(0, 0, 0xD2BB);
  ASSERT_TRUE(g);
  g->ApplyTransform();
  for (const Pt& p : PointsOf(*g)) {
    if (p.flags == PP_END) continue;
    EXPECT_GE(p.x, 0.0f);
    EXPECT_LE(p.x, 1100.0f);
    EXPECT_GE(p.y, 0.0f);
    EXPECT_LE(p.y, 1100.0f);
  }
  EXPECT_FALSE(g_TtfFontTable.GetGlyph(0, 1, 0xD2BB));
  EXPECT_FALSE(g_TtfFontTable.GetGlyph(1, 0, 0xD2BB));
}

TEST_F(LanguageTest, NoTrueTypeFoldersScanToAnEmptySource) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n");
  EXPECT_EQ(g_TtfFontTable.ScanTtfMounts(), 1);
  EXPECT_EQ(g_TtfFontTable.GetGroupCount(0), 0);
}

}  // namespace

// A glyph's list as the list's own AddPoint builds it from the native
// outline: each contour from its start (0x11) through its curves (a
// quadratic spline raised to cubic pieces, integer parts of the points) back
// to its start (0x41), y flipped about the base line, then through the
// matrix; records, counts, block and bounds alike.
TEST_F(LanguageTest, InstalledFontGlyphsAsTheListsOwnAddPointBuildsThem) {
  UseIni("[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=0\nNAME=EN\n");
  g_FontCatalog.EnumWindowsFonts();
  const std::string songName = plat::Utf8ToGbk("文鼎ＰＬ简报宋");
  const int song = g_FontCatalog.FindEntry(0, 0, songName);
  const int dejavu = g_FontCatalog.FindEntry(1, 0, "DejaVu Sans");
  ASSERT_GE(song, 0);
  ASSERT_GE(dejavu, 0);
  auto gb = CFontCatalog::CreateCatalogFont(134, songName, -1024);
  auto latin = CFontCatalog::CreateCatalogFont(0, "DejaVu Sans", -(1024 * g_FontCatalog.scaleX / 100));
  const CMatrix3 turn(0.8f, 0.6f, -0.6f, 0.8f, 100.0f, -50.0f);
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  auto expected = [&](const plat::Font& font, unsigned code, const CMatrix3* m) {
    auto list = std::make_unique<CPathPointList>();
    const plat::MAT2 id = plat::IdentityMat2();
    plat::GLYPHMETRICS gm;
    const plat::DWORD n = font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, 0, nullptr, &id);
    if (n == plat::GDI_ERROR || n == 0) return std::unique_ptr<CPathPointList>();
    std::vector<unsigned char> buf(n);
    font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, n, buf.data(), &id);
    std::vector<plat::NativeContour> contours;
    EXPECT_TRUE(plat::ParseNativeOutline(buf.data(), n, &contours));
    const float base = code < 256 ? (1.0f - g_FontCatalog.descent) * 1000.0f : 1000.0f;
    auto put = [&](float x, float y, std::uint8_t flags) {
      PathPoint p{x, base - y, flags};
      if (m) m->TransformPathPoint(p);
      list->AddPoint(p);
    };
    for (const plat::NativeContour& c : contours) {
      float px = c.start.x.value, py = c.start.y.value;
      put(px, py, 0x11);
      for (const plat::NativeCurve& cv : c.curves) {
        const auto& q = cv.points;
        if (cv.type != plat::TT_PRIM_QSPLINE) {
          for (const plat::POINTFX& p : q) put(px = p.x.value, py = p.y.value, 0x01);
          continue;
        }
        for (std::size_t i = 0; i + 1 < q.size(); ++i) {
          const float bx = q[i].x.value, by = q[i].y.value;
          float ex = q[i + 1].x.value, ey = q[i + 1].y.value;
          if (i + 2 < q.size()) ex = (bx + ex) / 2.0f, ey = (by + ey) / 2.0f;
          put((px + 2.0f * bx) / 3.0f, (py + 2.0f * by) / 3.0f, 0x00);
          put((ex + 2.0f * bx) / 3.0f, (ey + 2.0f * by) / 3.0f, 0x00);
          put(px = ex, py = ey, 0x01);
        }
      }
      put(c.start.x.value, c.start.y.value, 0x41);
    }
    list->AddPoint(PathPoint{0.0f, 0.0f, PP_END});
    return list;
  };
  auto same = [](const CPathPointList& a, const CPathPointList& b) {
    if (a.count != b.count || a.capacity != b.capacity || a.hasBounds != b.hasBounds ||
        std::memcmp(&a.bounds, &b.bounds, sizeof a.bounds) != 0)
      return false;
    plat::GlobalLockGuard ga(a.points), gb(b.points);
    return ga.size() == gb.size() && std::memcmp(ga.bytes(), gb.bytes(), ga.size()) == 0;
  };
  std::vector<unsigned> gbCodes, latinCodes;
  for (unsigned lead = 0xB0; lead <= 0xF7; ++lead)
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) gbCodes.push_back(lead << 8 | trail);
  for (unsigned c = 33; c < 256; ++c) latinCodes.push_back(c);
  struct Run {
    std::uint8_t language;
    int index;
    const plat::Font* font;
    const std::vector<unsigned>* codes;
  } runs[] = {{134, song, gb.get(), &gbCodes}, {0, dejavu, latin.get(), &latinCodes}};
  int checked = 0;
  for (const Run& run : runs) {
    for (unsigned code : *run.codes) {
      for (const CMatrix3* m : {static_cast<const CMatrix3*>(nullptr), &turn}) {
        auto got = GetTrueTypeGlyphOutline(run.language, run.index, code, m);
        auto want = expected(*run.font, code, m);
        ASSERT_EQ(bool(got), bool(want)) << std::hex << code;
        if (!got) continue;
        ASSERT_TRUE(same(*got, *want)) << std::hex << code << (m ? " turned" : "");
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 13500);
}
