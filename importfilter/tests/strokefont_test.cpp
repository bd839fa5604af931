#include "importfilter/strokefont.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import_test_util.h"
#include "importfilter/fonttool/fontenc.h"

using namespace imp;

namespace {

std::vector<std::vector<Pt>> Members(const CFilterObjectList& g) {
  std::vector<std::vector<Pt>> out;
  for (std::size_t i = 0; i < g.MemberCount(); ++i) out.push_back(Tuples(g.Member(i).Points()));
  return out;
}

std::vector<std::vector<Pt>> Decode(const std::vector<std::uint8_t>& rec) {
  GlyphDecoder d;
  auto g = DecodeGlyph(d, rec.data(), rec.size(), nullptr);
  return g ? Members(*g) : std::vector<std::vector<Pt>>{};
}

std::vector<std::vector<Pt>> Glyph(char c) {
  auto g = MakeLabelOutline(std::string(1, c));
  return g ? Members(*g) : std::vector<std::vector<Pt>>{};
}

}  // namespace

TEST(StrokeFont, GlyphExamples) {
  EXPECT_EQ(Glyph('!'), (std::vector<std::vector<Pt>>{{{591, 637, 0x11}, {591, 1254, 0x21}}}));
  EXPECT_EQ(Glyph('T'),
            (std::vector<std::vector<Pt>>{{{444, 431, 0x11}, {444, 1254, 1}, {33, 1254, 1}, {855, 1254, 0x21}}}));
  EXPECT_EQ(Glyph('L'), (std::vector<std::vector<Pt>>{{{351, 1254, 0x11}, {351, 431, 1}, {762, 431, 0x21}}}));
}

TEST(StrokeFont, TextsPlaceCharactersInCells) {
  auto tl = MakeLabelOutline("TL");
  ASSERT_TRUE(tl);
  auto members = Members(*tl);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[1], (std::vector<Pt>{{1024 + 351, 1254, 0x11}, {1024 + 351, 431, 1}, {1024 + 762, 431, 0x21}}));
  for (std::size_t i = 0; i < tl->MemberCount(); ++i) EXPECT_EQ(tl->Member(i).pen, 7);
  EXPECT_EQ(tl->bounds.left, 33);
  EXPECT_EQ(tl->bounds.right, 1024 + 762);

  auto blankA = MakeLabelOutline(" A");
  auto a = MakeLabelOutline("A");
  ASSERT_TRUE(blankA && a);
  ASSERT_EQ(blankA->MemberCount(), a->MemberCount());
  for (std::size_t i = 0; i < a->MemberCount(); ++i)
    EXPECT_EQ(blankA->Member(i).Points()[0].x, a->Member(i).Points()[0].x + 1024);

  for (const char* nothing : {"", "   ", "\x7f\x80\xff", " \x01\x1f"}) EXPECT_FALSE(MakeLabelOutline(nothing)) << nothing;
}

TEST(StrokeFont, EveryGlyphDecodesToItsSource) {
  std::ifstream in(TINDREL_TEST_DATA "/../../font/strokefont.txt");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<fontenc::Glyph> glyphs;
  std::string error;
  ASSERT_TRUE(fontenc::ParseFontText(text.str(), glyphs, error)) << error;
  ASSERT_EQ(glyphs.size(), 94u);
  auto built = fontenc::BuildFont(glyphs, error);
  ASSERT_TRUE(built) << error;
  ASSERT_EQ(built->size(), kStrokeFontSize + 8);
  EXPECT_EQ(std::vector<std::uint8_t>(kStrokeFont, kStrokeFont + kStrokeFontSize + 8), *built);
  for (const fontenc::Glyph& g : glyphs) {
    std::vector<std::vector<Pt>> want;
    for (const auto& c : g.contours) {
      std::vector<Pt> pts;
      for (std::size_t i = 0; i < c.size(); ++i) {
        int flags = i == 0 ? 0x11 : 0x01;
        if (i + 1 == c.size()) flags = (c[i].x == c[0].x && c[i].y == c[0].y) ? 0x41 : 0x21;
        pts.emplace_back(float(c[i].x), float(c[i].y), flags);
        EXPECT_GE(c[i].y, 0);
        EXPECT_LE(c[i].x, 1024);
      }
      want.push_back(pts);
    }
    EXPECT_EQ(Glyph(char(g.code)), want) << char(g.code);
    EXPECT_GE(g.contours.size(), 1u);
    EXPECT_LE(g.contours.size(), 4u) << char(g.code);
  }
}

TEST(StrokeFont, HandMadeRecords) {
  // Straight glyph, w = 9: (5, 0) with an 8-bit x and no y; (5, -300) with a
  // 10-bit sign-and-magnitude y.
  const std::vector<std::uint8_t> straight = {13, 0, 0, 0, 0x89, 1, 0, 1, 0, 0x92, 0x05, 0x2C, 0x03};
  EXPECT_EQ(Decode(straight), (std::vector<std::vector<Pt>>{{{5, 0, 0x11}, {5, -300, 0x21}}}));
  // Segment-kind bits: the fourth point ends a cubic segment.
  const std::vector<std::uint8_t> curved = {19,   0,    0,    0,    0x09, 1,    0,    3,    0,    0x40,
                                            0x55, 0xD9, 0x0A, 0x0A, 0x0A, 0x0A, 0x14, 0x0A, 0x0A};
  EXPECT_EQ(Decode(curved), (std::vector<std::vector<Pt>>{{{10, 10, 0x11}, {20, 20, 0}, {30, 0, 0}, {40, 0, 0x21}}}));
  EXPECT_EQ(SkipSegmentBits(curved.data() + 9, curved.data() + curved.size(), 4), curved.data() + 10);
  // Cut records decode within their bytes.
  for (std::size_t n = 0; n < curved.size(); ++n) {
    GlyphDecoder d;
    DecodeGlyph(d, curved.data(), n, nullptr);
  }
}

TEST(FontEncoder, CurvesRoundTripAndBadContoursAreRefused) {
  fontenc::Glyph g;
  g.code = 65;
  g.contours = {{{0, 0}, {100, 300, true}, {400, 300, true}, {500, 0}, {1000, -600}},
                {{10, 10}, {20, 20}, {30, 10}, {10, 10}}};
  std::string error;
  auto rec = fontenc::EncodeGlyph(g, error);
  ASSERT_TRUE(rec) << error;
  EXPECT_EQ((*rec)[4] & 0x80, 0);
  EXPECT_EQ((*rec)[4] & 0x3F, 10);  // a step of 1000 needs ten bits
  EXPECT_EQ(Decode(*rec), (std::vector<std::vector<Pt>>{
                              {{0, 0, 0x11}, {100, 300, 0}, {400, 300, 0}, {500, 0, 1}, {1000, -600, 0x21}},
                              {{10, 10, 0x11}, {20, 20, 1}, {30, 10, 1}, {10, 10, 0x41}}}));

  const std::vector<std::vector<fontenc::GlyphPoint>> bad[] = {
      {{{5, 5}}},
      {{{0, 0}, {1, 1, true}, {2, 2}}},
      {{{0, 0, true}, {1, 1, true}, {2, 2}}},
      {{{0, 0}, {1, 1, true}, {2, 2, true}}},
      {{{0, 0}, {40000, 0}}},
  };
  for (const auto& contours : bad) {
    fontenc::Glyph b{66, contours};
    error.clear();
    EXPECT_FALSE(fontenc::EncodeGlyph(b, error));
    EXPECT_FALSE(error.empty());
  }
  std::vector<fontenc::Glyph> glyphs;
  EXPECT_FALSE(fontenc::ParseFontText("65 1,2 3", glyphs, error));
  glyphs.clear();
  ASSERT_TRUE(fontenc::ParseFontText("65 0,0 10,10\n", glyphs, error));
  EXPECT_FALSE(fontenc::BuildFont(glyphs, error));  // the other 93 codes are missing
}
