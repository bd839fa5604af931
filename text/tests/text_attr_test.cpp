#include "text/textattr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

#include "model/settings.h"
#include "platform/profile.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/tests/text_fixtures.h"

namespace {

class TextAttrDefaults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-attr-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl + "/";
    ::setenv("TINDREL_PROFILE_DIR", dir.c_str(), 1);
    before = plat::SetAppProfile(&app);
    ini.SetPath(dir + "VORLAN98.INI");
  }
  void TearDown() override {
    plat::SetAppProfile(before);
    ::unsetenv("TINDREL_PROFILE_DIR");
    std::filesystem::remove_all(dir);
  }
  std::string dir;
  plat::UserProfile app{"VorlanSoft", "TextTest"};
  plat::UserProfile* before = nullptr;
  CIniFile ini;
};

}  // namespace

TEST_F(TextAttrDefaults, FromTheProfileAndTheSettingsFile) {
  CProfile profile;
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "FontSizeX", 12.5f));  // names ignore case
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "FONTANGLE", 30.0f));
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "FontSkewX", 5.0f));
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "FONTSKEWY", -5.0f));
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "LineGaps", 2.0f));
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "BoxGaps", 1.0f));
  ASSERT_TRUE(profile.WriteInt("SystemParam", "TMState", 6));
  ASSERT_TRUE(ini.WriteInt("Language1", "DefaultType", 2));
  ASSERT_TRUE(ini.WriteInt("Language1", "DefaultID", 7));
  ASSERT_TRUE(ini.WriteInt("Language2", "DefaultType", 1));  // no id: the id stays
  ASSERT_TRUE(ini.WriteInt("Language3", "DefaultID", 9));    // no type: not read

  CTextAttr a;
  a.fontType[2] = 0;
  a.fontId[2] = 44;
  a.fontType[3] = 5;
  a.fontId[3] = 55;
  a.mode = 9;
  EXPECT_TRUE(a.LoadDefaults(profile, ini, 1041));
  EXPECT_EQ(a.sizeX, 12.5f);
  EXPECT_EQ(a.sizeY, 40.0f);
  EXPECT_EQ(a.fontType[1], 2);
  EXPECT_EQ(a.fontId[1], 7);
  EXPECT_EQ(a.fontType[2], 1);
  EXPECT_EQ(a.fontId[2], 44);
  EXPECT_EQ(a.fontType[3], 5);
  EXPECT_EQ(a.fontId[3], 55);
  EXPECT_EQ(a.angle, 30.0f);
  EXPECT_EQ(a.skewX, 5.0f);
  EXPECT_EQ(a.skewY, -5.0f);
  EXPECT_EQ(a.lineGap, 2.0f);
  EXPECT_EQ(a.boxGap, 1.0f);
  EXPECT_EQ(a.tmState, 6);
  EXPECT_EQ(a.mode, 0);
  EXPECT_EQ(a.doubleByteLanguage, 128);
  EXPECT_EQ(a.singleByteLanguage, 0);
}

TEST_F(TextAttrDefaults, SizesThatCannotBeUsedGive40) {
  CProfile profile;
  for (const char* text : {"0", "-3", "nan", "inf", "abc"}) {
    ASSERT_TRUE(profile.WriteString("SystemParam", "FONTSIZEX", text));
    ASSERT_TRUE(profile.WriteString("SystemParam", "FONTSIZEY", text));
    CTextAttr a;
    a.LoadDefaults(profile, ini, 2052);
    EXPECT_EQ(a.sizeX, 40.0f) << text;
    EXPECT_EQ(a.sizeY, 40.0f) << text;
  }
}

TEST(TextAttr, StartsZeroed) {
  const CTextAttr a;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&a);
  for (std::size_t i = 0; i < sizeof a; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(TextAttr, Languages) {
  struct Case {
    std::uint8_t id;
    std::uint8_t doubleByte, singleByte;
  };
  // Starting from double-byte 136, single-byte 204.
  const Case set[] = {{128, 128, 204}, {129, 129, 204}, {134, 134, 204}, {136, 136, 204},
                      {133, 134, 204}, {204, 136, 204}, {222, 136, 222}, {0, 136, 0},
                      {130, 136, 0},   {255, 136, 0}};
  for (const Case& c : set) {
    CTextAttr a;
    a.doubleByteLanguage = 136;
    a.singleByteLanguage = 204;
    EXPECT_EQ(a.SetLanguage(c.id), 1);
    EXPECT_EQ(a.doubleByteLanguage, c.doubleByte) << int(c.id);
    EXPECT_EQ(a.singleByteLanguage, c.singleByte) << int(c.id);
  }
  struct Locale {
    std::uint32_t id;
    std::uint8_t doubleByte, singleByte;
  };
  const Locale locales[] = {{1028, 136, 0}, {3076, 136, 0},     {4100, 136, 0},
                            {1041, 128, 0}, {1042, 129, 0},     {2066, 129, 0},
                            {2052, 134, 0}, {1049, 134, 204},   {1054, 134, 222},
                            {1033, 134, 0}, {0x10404, 136, 0}};  // high bits ignored
  for (const Locale& l : locales) {
    CTextAttr a;
    a.doubleByteLanguage = 1;
    a.singleByteLanguage = 1;
    EXPECT_EQ(a.SetLanguageFromLocale(l.id), 1);
    EXPECT_EQ(a.doubleByteLanguage, l.doubleByte) << l.id;
    EXPECT_EQ(a.singleByteLanguage, l.singleByte) << l.id;
  }
  CTextAttr a = TestAttr(3.0f);
  a.angle = 4.0f;
  a.currentFont = 0x186;
  CTextAttr b;
  b.Assign(a);
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

TEST(TextAttr, RunningAttributesWalkEveryItemBeforeN) {
  StubGlyphSource glyphs;
  CBoxArray items;
  CMatrix3 m;
  CLineArrange arrange(10.0f, 20.0f, 200.0f, 300.0f, &m, &items);
  CTextAttr attr = TestAttr();
  items.Add(CBoxCode::MakeGap(BOXC_LINE_GAP, 2.0f));
  items.Add(std::make_unique<CBoxChar>(std::uint16_t('a'), attr));
  items.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, 1.5f));  // after the first character
  items.Add(std::make_unique<CBoxCode>(BOXC_INDENT, 0u));
  items.Add(std::make_unique<CBoxCode>(16, 0u));
  items.Add(std::make_unique<CBoxCode>(4, 0u));
  items.Add(std::make_unique<CBoxCode>(512, 0u, 1u));
  items.Add(std::make_unique<CBoxChar>(std::uint16_t('b'), attr));

  float extent = 0, start = 0;
  std::unique_ptr<CTextAttr> none(GetRunningTextAttr(&arrange, 0, &extent, &start));
  EXPECT_EQ(start, 20.0f);
  EXPECT_EQ(none->sizeX, 0.0f);
  EXPECT_EQ(none->mode, 0);

  std::unique_ptr<CTextAttr> all(GetRunningTextAttr(&arrange, 100, nullptr, &start));
  EXPECT_EQ(all->lineGap, 2.0f);
  EXPECT_EQ(all->boxGap, 1.5f);
  EXPECT_EQ(all->indentLevel, 1);
  EXPECT_EQ(all->mode, 4 | 512);

  // Lines: the extent of the last line, its first character counted.
  CBoxChar* a = items.CharAt(1);
  CBoxChar* b = items.CharAt(7);
  a->y = 50.0f;
  a->flags = BOXF_LINE_END;
  b->y = 62.0f;
  b->sizeY = 30.0f;
  std::unique_ptr<CTextAttr> lines(GetRunningTextAttr(&arrange, 8, &extent, &start));
  EXPECT_EQ(start, 52.0f);
  EXPECT_EQ(extent, 32.0f);

  // Columns: variant 3 starts at the right edge and steps left.
  arrange.kind = 3;
  a->x = 180.0f;
  b->x = 160.0f;
  std::unique_ptr<CTextAttr> cols(GetRunningTextAttr(&arrange, 8, &extent, &start));
  EXPECT_EQ(start, 178.0f);
  EXPECT_EQ(extent, 30.0f);  // single-byte: its size y across the column
  arrange.kind = 2;
  std::unique_ptr<CTextAttr> first(GetRunningTextAttr(&arrange, 0, &extent, &start));
  EXPECT_EQ(start, 10.0f);
}
