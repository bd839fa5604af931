#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "import_test_util.h"
#include "importfilter/pltreader.h"
#include "importfilter/strokefont.h"

using namespace imp;

namespace {

std::unique_ptr<CFilterObjectList> Group(const std::string& text) {
  CPltReader r;
  return r.ReadGroup(U8(text), text.size());
}

std::vector<std::vector<Pt>> Members(const CFilterObjectList& g) {
  std::vector<std::vector<Pt>> out;
  for (std::size_t i = 0; i < g.MemberCount(); ++i) out.push_back(Tuples(g.Member(i).Points()));
  return out;
}

std::size_t Contours(char c) {
  auto g = MakeLabelOutline(std::string(1, c));
  return g ? g->MemberCount() : 0;
}

}  // namespace

TEST(PltGroup, MembersPensAndLineTypes) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::vector<Pt>> members;
    std::vector<int> pens;
    std::vector<int> lineTypes;
  } cases[] = {
      {"square with pen 2", "IN;SP2;PU0,0;PD100,0,100,100,0,100,0,0;PU;",
       {{{0, 0, 0x11}, {100, 0, 1}, {100, 100, 1}, {0, 100, 1}, {0, 0, 0x41}}}, {2}, {0}},
      {"two members", "IN;PU0,0;PD10,0;PU20,0;PD30,0;",
       {{{0, 0, 0x11}, {10, 0, 0x21}}, {{20, 0, 0x11}, {30, 0, 0x21}}}, {0, 0}, {0, 0}},
      {"differs in y only", "PU0,0;PD10,0,10,10,0,10,0,5;PU;",
       {{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}, {0, 5, 0x21}}}, {0}, {0}},
      {"line type", "lt2,3;pu0,0;pd10,0,10,10;", {{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x21}}}, {0}, {0x0203}},
      {"line type reset", "LT2,3;LT;PU0,0;PD10,0;", {{{0, 0, 0x11}, {10, 0, 0x21}}}, {0}, {0}},
      {"numbers after line type skipped", "LT1,2,7,7;PU0,0;PD9,9;", {{{0, 0, 0x11}, {9, 9, 0x21}}}, {0}, {0x0102}},
      {"SI keeps the next command", "SI;PU0,0;PD10,0,10,10;", {{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x21}}}, {0}, {0}},
      {"DI keeps the next command", "DI1,0;PU0,0;PD10,0;", {{{0, 0, 0x11}, {10, 0, 0x21}}}, {0}, {0}},
      {"pen down before any PU", "PD10,0,10,10;", {{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x21}}}, {0}, {0}},
      {"pen without number", "SP5;SP;PU0,0;PD1,1;", {{{0, 0, 0x11}, {1, 1, 0x21}}}, {0}, {0}},
      {"pen saturates", "SP99999999999;PU0,0;PD1,1;", {{{0, 0, 0x11}, {1, 1, 0x21}}}, {2147483647}, {0}},
      {"no pen-down pair", "IN;PU0,0;PU5,5;", {}, {}, {}},
  };
  for (const Case& c : cases) {
    auto g = Group(c.text);
    ASSERT_TRUE(g) << c.name;
    EXPECT_EQ(Members(*g), c.members) << c.name;
    for (std::size_t i = 0; i < g->MemberCount() && i < c.pens.size(); ++i) {
      EXPECT_EQ(g->Member(i).pen, c.pens[i]) << c.name;
      EXPECT_EQ(g->Member(i).lineType, c.lineTypes[i]) << c.name;
    }
  }
}

TEST(PltGroup, LabelPlacementScaleAndPen) {
  auto g = Group("PU100,200;LBAB\x03PD110,200;");
  ASSERT_TRUE(g);
  const std::size_t a = Contours('A'), b = Contours('B');
  ASSERT_EQ(g->MemberCount(), a + b + 1);
  auto glyphB = MakeLabelOutline("AB");
  const float k = 0.29296875f;
  for (std::size_t i = 0; i < a + b; ++i) {
    const CFilterPointList& m = g->Member(i);
    EXPECT_EQ(m.pen, 7);
    const FPoint& src = glyphB->Member(i).Points()[0];
    EXPECT_FLOAT_EQ(m.Points()[0].x, 100 + k * src.x);
    EXPECT_FLOAT_EQ(m.Points()[0].y, 200 + k * src.y);
  }
  // The pen stays where the label began.
  EXPECT_EQ(Tuples(g->Member(a + b).Points()), (std::vector<Pt>{{100, 200, 0x11}, {110, 200, 0x21}}));
}

TEST(PltGroup, LabelTerminatorsAndSizes) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t members;
  } cases[] = {
      {"DT takes the byte after it", "DT*;PU0,0;LBL*PU;", Contours('L')},
      {"DT; restores ETX", "DT*;DT;PU0,0;LBL*L\x03", 2 * Contours('L') + Contours('*')},
      {"DT mode number consumed", "DT*,1;PU0,0;LBL*", Contours('L')},
      {"DI before LB", "PU0,0;DI;LBL\x03", Contours('L')},
      {"blank draws nothing", "PU0,0;LB \x03", 0},
      {"bytes above 126 draw nothing", "PU0,0;LB\x80\xff\x7f\x03", 0},
      {"no terminator: to the end", "PU0,0;LBLL", 2 * Contours('L')},
      {"label cut at 4096 bytes", "PU0,0;LB" + std::string(5000, 'L') + "\x03", 4096 * Contours('L')},
  };
  for (const Case& c : cases) {
    auto g = Group(c.text);
    ASSERT_TRUE(g) << c.name;
    EXPECT_EQ(g->MemberCount(), c.members) << c.name;
  }
}

TEST(PltGroup, CharacterSizeScalesLabels) {
  auto g = Group("SI1,2;PU0,0;LBL\x03");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->MemberCount(), 1u);
  // L: (351, 1254), (351, 431), (762, 431).
  EXPECT_EQ(Tuples(g->Member(0).Points()),
            (std::vector<Pt>{{351 * 0.5859375f, 1254 * 1.171875f, 0x11},
                             {351 * 0.5859375f, 431 * 1.171875f, 0x01},
                             {762 * 0.5859375f, 431 * 1.171875f, 0x21}}));
}

TEST(PltGroup, LabelDirections) {
  struct Case {
    float run, rise;
    double degrees;
  } cases[] = {
      {0, 1, 90},   {0, -1, -90}, {-1, 1, 135},  {1, 0, 0},    {0, 0, 0},
      {1, 1, 45},   {2, 2, 45},   {-1, 0, 180},  {-2, -2, -135}, {3, -3, -45},
  };
  for (const Case& c : cases) EXPECT_NEAR(LabelAngle(c.run, c.rise), c.degrees, 1e-3) << c.run << "," << c.rise;
  // A quarter turn is exact: L's corner (351, 431) about (0, 0).
  auto g = Group("DI0,1;PU0,0;LBL\x03");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->MemberCount(), 1u);
  const float k = 0.29296875f;
  const FPoint& corner = g->Member(0).Points()[1];
  EXPECT_FLOAT_EQ(corner.x, -431 * k);
  EXPECT_FLOAT_EQ(corner.y, 351 * k);
}

TEST(PltGroup, RecordLayout) {
  auto g = Group("SP3;PU0,0;PD10,0,10,10;");
  ASSERT_TRUE(g);
  const std::vector<std::uint8_t> rec = g->Record();
  ASSERT_EQ(rec.size(), 61u + (9 * 3 + 32) + 1);
  EXPECT_EQ(rec[0], ',');
  EXPECT_EQ(plat::GetU32(rec.data() + 1), rec.size());
  EXPECT_EQ(F32At(rec.data() + 5), 1.0f);   // a
  EXPECT_EQ(F32At(rec.data() + 37), 1.0f);  // the 1 of the third column
  EXPECT_EQ(F32At(rec.data() + 41 + 8), 10.0f);  // right
  const std::uint8_t* m = rec.data() + 61;
  EXPECT_EQ(m[0], '+');
  EXPECT_EQ(plat::GetU32(m + 1), 9u * 3 + 32);
  EXPECT_EQ(plat::GetU32(m + 5), 3u);
  EXPECT_EQ(plat::GetU32(m + 27), 3u);  // pen
  EXPECT_EQ(m[31 + 8], 0x11);
  EXPECT_EQ(m[31 + 27 - 1], 0x21);
  EXPECT_EQ(m[31 + 27], 240);
  EXPECT_EQ(rec.back(), 240);
}
