#include <gtest/gtest.h>

#include <cstring>

#include "model/segarray.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "text/cftfont.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/outlinecodec.h"
#include "text/tests/font_fixtures.h"

namespace {

std::vector<std::uint8_t> EncodeOutline(const std::vector<PathPoint>& pts) {
  auto list = ListOf(pts);
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  codec.Encode(*list, &h);
  std::vector<std::uint8_t> out;
  {
    plat::GlobalLockGuard g(h);
    if (g) out.assign(g.bytes(), g.bytes() + g.size());
  }
  plat::GlobalFree(h);
  return out;
}

const std::vector<PathPoint> kSquare = {
    {100, 100, 0x11}, {900, 100, 0x01}, {900, 900, 0x01}, {100, 900, 0x01}, {100, 100, 0x41}};
const std::vector<PathPoint> kBar = {{0, 500, 0x11}, {1024, 500, 0x01}, {1024, 540, 0x01}, {0, 500, 0x41}};

std::uint32_t EntryAt(const std::string& bytes, std::size_t at) {
  return plat::GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

TEST(CftFont, ExampleFileIndexAndScrambling) {
  TempDir dir;
  const std::string path = dir / "A.CFT";
  CftHeader h = CCftFont::MakeHeader(176, 176, 161, 162);
  EXPECT_EQ(CCftFont::IndexCount(h), 2u);
  EXPECT_EQ(CCftFont::EntryNumber(h, 0xB0A2), 1);
  EXPECT_EQ(CCftFont::EntryNumber(h, 0xB1A1), -1);
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  EXPECT_EQ(ReadFileBytes(path).size(), 152u);
  // The record of B0A2 lands at 152; its entry at 148 is 152 ^ (K / 4).
  auto rec = EncodeOutline(kSquare);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA2, rec.data(), rec.size()), 1);
  std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(148, 4), std::string("\x1E\xDE\xCB\x12", 4));
  EXPECT_EQ(EntryAt(bytes, 144), 0u);
  EXPECT_EQ(CCftFont::GetGlyphOffset(path, 0xB0A2), 152u);
  EXPECT_EQ(CCftFont::GetGlyphOffset(path, 0xB0A1), 0u);  // never written
  EXPECT_EQ(CCftFont::GetGlyphOffset(path, 0xB1A1), 0u);  // outside the zones
  auto glyph = CCftFont::ReadGlyph(path, 0xB0A2);
  ASSERT_TRUE(glyph);
  auto pts = PointsOf(*glyph);
  ASSERT_EQ(pts.size(), 6u);
  EXPECT_EQ(pts[2].x, 900.0f);
  EXPECT_EQ(pts[4].flags, 0x41);
  // A missing glyph is written as 0xFFFFFFFF and gives nothing.
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, nullptr, 0), 1);
  EXPECT_EQ(EntryAt(ReadFileBytes(path), 144), 0xFFFFFFFFu);
  EXPECT_FALSE(CCftFont::ReadGlyph(path, 0xB0A1));
  EXPECT_EQ(CCftFont::WriteGlyph(path, h, 0xB1, 0xA1, rec.data(), rec.size()), 0);
  EXPECT_EQ(CCftFont::WriteGlyph(dir / "none.CFT", h, 0xB0, 0xA1, rec.data(), rec.size()), 0);
}

TEST(CftFont, OffsetsAndMatricesPlaceTheGlyph) {
  TempDir dir;
  const std::string path = dir / "B.CFT";
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA1);
  h.xOffset = 10;
  h.yOffset = -20;
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  auto rec = EncodeOutline(kSquare);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, rec.data(), rec.size()), 1);
  CMatrix3 scale(2, 0, 0, 2, 0, 0);
  auto g = CCftFont::ReadGlyph(path, 0xB0A1, &scale);
  ASSERT_TRUE(g);
  auto pts = PointsOf(*g);
  EXPECT_EQ(pts[0].x, 220.0f);  // (100 + 10) * 2
  EXPECT_EQ(pts[0].y, 160.0f);  // (100 - 20) * 2
}

TEST(CftFont, RecordsWhoseEntryWouldReadAsNeverWrittenArePaddedAway) {
  // 70 zones of 256 positions: the index ends near K / (i + 3) for some i,
  // and filler makes the file end exactly there.
  TempDir dir;
  const std::string path = dir / "P.CFT";
  CftHeader h = CCftFont::MakeHeader(0, 69, 0, 255);
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  const std::uint32_t n = CCftFont::IndexCount(h);
  const std::uint32_t indexEnd = 144 + 4 * n;
  std::uint32_t i = n - 1;
  while (CCftFont::kScramble / (i + 3) < indexEnd) --i;
  const std::uint32_t target = CCftFont::kScramble / (i + 3);
  std::string bytes = ReadFileBytes(path);
  bytes.append(target - indexEnd, '\x77');
  WriteFileBytes(path, bytes);
  auto rec = EncodeOutline(kSquare);
  const std::uint16_t code = std::uint16_t((i / 256) << 8 | (i % 256));
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, std::uint8_t(code >> 8), std::uint8_t(code), rec.data(),
                                 rec.size()), 1);
  EXPECT_NE(EntryAt(ReadFileBytes(path), 144 + 4 * std::size_t(i)), 0u);
  EXPECT_EQ(CCftFont::GetGlyphOffset(path, code), target + 4);
  EXPECT_TRUE(CCftFont::ReadGlyph(path, code));
}

TEST(CftFont, OldCvFilesReadAsVersion54) {
  TempDir dir;
  const std::string path = dir / "OLD.CFT";
  // "CV" header of 80 bytes: names at 16, resolution at 48, ranges at 50,
  // offsets at 54; the index at 80.
  std::string f(80, '\0');
  f[0] = 'C';
  f[1] = 'V';
  std::memcpy(&f[16], "OldSong", 7);
  f[48] = 0x00;
  f[49] = 0x04;
  f[50] = char(0xB0);
  f[51] = char(0xB0);
  f[52] = char(0xA1);
  f[53] = char(0xA1);
  f[54] = 5;  // x offset 5
  f[56] = 0;
  auto glyph = MakeOld5Glyph({{{0, 0, true}, {10, 20, false}, {30, 20, false}, {40, 0, false},
                               {40, -10, true}, {0, 0, true}}});
  const std::uint32_t at = 84;
  std::uint32_t entry = CCftFont::Scramble(at, 0);
  for (int i = 0; i < 4; ++i) f.push_back(char(entry >> (8 * i)));
  std::uint32_t s = std::uint32_t(glyph.size() + 4);
  for (int i = 0; i < 4; ++i) f.push_back(char(s >> (8 * i)));
  f.append(glyph.begin(), glyph.end());
  WriteFileBytes(path, f);

  CDiskFile file;
  ASSERT_TRUE(file.Open(path, "rb"));
  CftHeader h;
  CCftFont::ReadHeader(file, &h);
  EXPECT_STREQ(h.magic, "VCFT");
  EXPECT_FLOAT_EQ(h.version, 5.4f);
  EXPECT_EQ(h.indexOffset, 80u);
  EXPECT_EQ(h.resolution, 1024);
  EXPECT_STREQ(h.cName, "OldSong");
  EXPECT_STREQ(h.eName, "OldSong");
  EXPECT_EQ(CCftFont::GetOtherName(h), "");  // below 6.0
  auto g = CCftFont::ReadGlyph(path, 0xB0A1);
  ASSERT_TRUE(g);
  auto pts = PointsOf(*g);
  EXPECT_EQ(pts[3].flags, 0x01);  // third off-curve point: a node
  EXPECT_EQ(pts[3].x, 45.0f);
}

TEST(CftFont, RecordLengthsMustFitTheFile) {
  TempDir dir;
  const std::string path = dir / "S.CFT";
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA1);
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  auto rec = EncodeOutline(kSquare);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, rec.data(), rec.size()), 1);
  const std::string good = ReadFileBytes(path);
  ASSERT_TRUE(CCftFont::ReadGlyph(path, 0xB0A1));
  for (std::uint32_t s : {0u, 1u, 3u, 4u, std::uint32_t(rec.size() + 1), 0xFFFFFFFFu}) {
    std::string bad = good;
    for (int i = 0; i < 4; ++i) bad[148 + std::size_t(i)] = char(s >> (8 * i));
    WriteFileBytes(path, bad);
    EXPECT_FALSE(CCftFont::ReadGlyph(path, 0xB0A1)) << s;
  }
}

TEST(CftFont, ShortHeadersReversedRangesAndIndexesPastTheFile) {
  TempDir dir;
  const std::string path = dir / "R.CFT";
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB1, 0xA1, 0xA2);
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  auto rec = EncodeOutline(kSquare);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB1, 0xA2, rec.data(), rec.size()), 1);
  const std::string good = ReadFileBytes(path);
  // Reversed zone range.
  std::string rev = good;
  rev[118] = char(0xB2);
  WriteFileBytes(path, rev);
  EXPECT_FALSE(CCftFont::ReadGlyph(path, 0xB1A2));
  // Index offset past the file.
  std::string far = good;
  far[112] = char(0xF0);
  far[113] = char(0xFF);
  WriteFileBytes(path, far);
  EXPECT_FALSE(CCftFont::ReadGlyph(path, 0xB1A2));
  // A header cut short reads as zeros with terminated names.
  WriteFileBytes(path, good.substr(0, 40));
  CDiskFile f;
  ASSERT_TRUE(f.Open(path, "rb"));
  CftHeader s;
  std::memset(&s, 0x55, sizeof(s));
  CCftFont::ReadHeader(f, &s);
  EXPECT_STREQ(s.magic, "VCFT");
  EXPECT_EQ(s.indexOffset, 0u);
  EXPECT_EQ(s.eName[31], 0);
}

TEST(CftFont, EveryTruncationAndCorruptionStaysInBounds) {
  TempDir dir;
  const std::string path = dir / "T.CFT";
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA3);
  ASSERT_TRUE(CCftFont::CreateFile(path, h));
  auto a = EncodeOutline(kSquare), b = EncodeOutline(kBar);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, a.data(), a.size()), 1);
  ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA3, b.data(), b.size()), 1);
  const std::string good = ReadFileBytes(path);
  for (std::size_t n = 0; n < good.size(); ++n) {
    WriteFileBytes(path, good.substr(0, n));
    for (std::uint16_t c : {0xB0A1, 0xB0A2, 0xB0A3}) CCftFont::ReadGlyph(path, c);
  }
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (int v : {0x00, 0x01, 0x80, 0xFF}) {
      std::string bad = good;
      bad[i] = char(v);
      WriteFileBytes(path, bad);
      for (std::uint16_t c : {0xB0A1, 0xB0A3}) CCftFont::ReadGlyph(path, c);
    }
  }
  // A "CV" start on the same bytes.
  std::string cv = good;
  cv[0] = 'C';
  cv[1] = 'V';
  WriteFileBytes(path, cv);
  CCftFont::ReadGlyph(path, 0xB0A1);
}

TEST(CftFont, OtherNameRoundTripsThroughItsLoweredForm) {
  CftHeader h = CCftFont::MakeHeader(1, 1, 1, 1);
  CCftFont::SetOtherName(h, "Song");
  EXPECT_EQ(h.oName[0], 'S' - 16);
  EXPECT_EQ(h.oName[4], 0);
  EXPECT_EQ(CCftFont::GetOtherName(h), "Song");
}

class CftMounts : public ::testing::Test {
 protected:
  void SetUp() override {
    // Slot 0: ID 134 with two mount folders; the same file name at the same
    // position of each folder, with different offsets.
    for (int g = 0; g < 2; ++g) {
      std::string folder = dir_.path() + (g == 0 ? "one" : "two");
      std::filesystem::create_directories(folder);
      CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA1);
      std::strcpy(h.cName, g == 0 ? "\xCB\xCE" : "\xBA\xDA");  // GBK
      std::strcpy(h.eName, g == 0 ? "Song" : "Hei");
      CCftFont::SetOtherName(h, g == 0 ? "OSong" : "OHei");
      h.xOffset = std::int16_t(g == 0 ? 0 : 500);
      std::string path = folder + "/F.CFT";
      ASSERT_TRUE(CCftFont::CreateFile(path, h));
      auto rec = EncodeOutline(kSquare);
      ASSERT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, rec.data(), rec.size()), 1);
    }
    ini_ = std::make_unique<ScopedIni>(
        "[LANGUAGE0]\nID=134\nNAME=GB\n"
        "Mounts=2\nMountName0=Song\nMountPath0=" + dir_.path() + "one\n"
        "MountName1=Hei\nMountPath1=" + dir_.path() + "two/\n");
    g_Language.Load();
  }
  void TearDown() override {
    g_CftFontTable.Clear();
    ini_.reset();
    g_Language.Load();
  }
  TempDir dir_;
  std::unique_ptr<ScopedIni> ini_;
};

TEST_F(CftMounts, FilesInDifferentGroupsKeepTheirOwnOffsets) {
  ASSERT_EQ(g_FontCatalog.ScanCftMounts(), 1);
  ASSERT_EQ(g_CftFontTable.GetGroupCount(0), 2);
  std::string name;
  ASSERT_TRUE(g_CftFontTable.GetEntryName(0, 0, 0, name));
  EXPECT_EQ(name, "\xCB\xCE");  // CName under the simplified Chinese system
  auto a = CCftFont::GetGlyph(0, 0, 0, 0xB0A1);
  auto b = CCftFont::GetGlyph(0, 1, 0, 0xB0A1);
  auto a2 = CCftFont::GetGlyph(0, 0, 0, 0xB0A1);
  ASSERT_TRUE(a && b && a2);
  EXPECT_EQ(PointsOf(*a)[0].x, 100.0f);
  EXPECT_EQ(PointsOf(*b)[0].x, 600.0f);
  EXPECT_EQ(PointsOf(*a2)[0].x, 100.0f);
  EXPECT_FALSE(CCftFont::GetGlyph(0, 2, 0, 0xB0A1));
  EXPECT_FALSE(CCftFont::GetGlyph(30, 0, 0, 0xB0A1));
  EXPECT_FALSE(CCftFont::GetGlyph(0, 0, 1, 0xB0A1));
  EXPECT_EQ(CCftFont::GetOtherName(0, 1, 0), "OHei");
}

TEST_F(CftMounts, EnglishSystemsShowTheEnglishName) {
  plat::SetSystemDefaultLangID(0x0409);
  g_FontCatalog.ScanCftMounts();
  plat::SetSystemDefaultLangID(0x0804);
  std::string name;
  ASSERT_TRUE(g_CftFontTable.GetEntryName(0, 1, 0, name));
  EXPECT_EQ(name, "Hei");
}

}  // namespace
