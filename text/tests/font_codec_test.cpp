#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/gmem.h"
#include "text/outlinecodec.h"
#include "text/tests/font_fixtures.h"

namespace {

std::vector<std::uint8_t> Encoded(const std::vector<PathPoint>& pts, std::uint32_t* size = nullptr) {
  auto list = ListOf(pts);
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  std::uint32_t s = codec.Encode(*list, &h);
  if (size) *size = s;
  std::vector<std::uint8_t> out;
  if (h) {
    plat::GlobalLockGuard g(h);
    out.assign(g.bytes(), g.bytes() + g.size());
  }
  plat::GlobalFree(h);
  return out;
}

std::unique_ptr<CPathPointList> DecodeBlock(const std::vector<std::uint8_t>& block,
                                            const CMatrix3* m = nullptr) {
  COutlineCodec codec;
  return codec.DecodeData(block.data() + 4, block.size() - 4, m, 6.0f);
}

std::string Hex(const std::vector<std::uint8_t>& b) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t c : b) {
    s.push_back(d[c >> 4]);
    s.push_back(d[c & 15]);
  }
  return s;
}

const std::vector<PathPoint> kTriangle = {
    {0, 0, 0x11}, {100, 0, 0x01}, {100, 100, 0x01}, {0, 0, 0x41}};

TEST(OutlineCodec, TriangleEncodesToItsBytesAndBack) {
  std::uint32_t size = 0;
  auto block = Encoded(kTriangle, &size);
  EXPECT_EQ(Hex(block), "0F00000087010003" "00A96F64646464");
  EXPECT_EQ(size, 15u);
  auto back = DecodeBlock(block);
  ASSERT_TRUE(back);
  auto pts = PointsOf(*back);
  ASSERT_EQ(pts.size(), 5u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(pts[i].x, float(kTriangle[i].x));
    EXPECT_EQ(pts[i].y, float(kTriangle[i].y));
    EXPECT_EQ(pts[i].flags, kTriangle[i].flags) << i;
  }
  EXPECT_EQ(pts[4].flags, PP_END);
}

TEST(OutlineCodec, CurvesOpenContoursAndUnclosedStartsRoundTrip) {
  // Two contours: a closed one with a cubic piece whose closing node is not
  // its start (the start is written again), and an open one with negative and
  // big steps (300 needs L = 9).
  std::vector<PathPoint> in = {
      {10, 10, 0x11}, {20, 50, 0x00}, {60, 50, 0x00}, {70, 10, 0x01}, {40, -5, 0x41},
      {-300, 600, 0x11}, {-299, 300, 0x01}, {-1000, 310, 0x21}};
  auto block = Encoded(in);
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(block[4] & 0x80, 0);  // has curves
  EXPECT_EQ(block[4] & 0x3F, 10);  // largest step 701 - 10 bits
  auto back = DecodeBlock(block);
  ASSERT_TRUE(back);
  auto pts = PointsOf(*back);
  std::vector<PathPoint> want = {
      {10, 10, 0x11}, {20, 50, 0x00}, {60, 50, 0x00}, {70, 10, 0x01}, {40, -5, 0x01}, {10, 10, 0x41},
      {-300, 600, 0x11}, {-299, 300, 0x01}, {-1000, 310, 0x21}, {0, 0, PP_END}};
  ASSERT_EQ(pts.size(), want.size());
  for (std::size_t i = 0; i + 1 < want.size(); ++i) {
    EXPECT_EQ(pts[i].x, float(want[i].x)) << i;
    EXPECT_EQ(pts[i].y, float(want[i].y)) << i;
    EXPECT_EQ(pts[i].flags, want[i].flags) << i;
  }
}

TEST(OutlineCodec, StepOf300UsesNineBitFieldsWithASignBit) {
  auto block = Encoded({{300, 0, 0x11}, {0, 0, 0x21}});
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(block[4], 0x80 | 9);
  // Classes: x big, y zero (0 + 8) twice; stream: 300 then 300 | 1 << 9.
  EXPECT_EQ(block[9], 0x88);
  const std::uint32_t bits = block[10] | block[11] << 8 | block[12] << 16;
  EXPECT_EQ(bits & 0x3FF, 300u);
  EXPECT_EQ((bits >> 10) & 0x3FF, 300u | 512u);
  auto back = DecodeBlock(block);
  ASSERT_TRUE(back);
  EXPECT_EQ(PointsOf(*back)[1].x, 0.0f);
}

TEST(OutlineCodec, DecodeAppliesTheMatrix) {
  CMatrix3 m(2, 0, 0, -1, 5, 1024);
  auto back = DecodeBlock(Encoded(kTriangle), &m);
  ASSERT_TRUE(back);
  auto pts = PointsOf(*back);
  EXPECT_EQ(pts[2].x, 205.0f);
  EXPECT_EQ(pts[2].y, 924.0f);
}

TEST(OutlineCodec, EncoderRefusals) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    std::vector<PathPoint> pts;
  } cases[] = {
      {"empty", {}},
      {"step of 32768", {{0, 0, 0x11}, {32768, 0, 0x21}}},
      {"negative step of 32768", {{16000, 0, 0x11}, {-16768, 0, 0x21}}},
      {"NaN", {{0, 0, 0x11}, {nan, 0, 0x21}}},
      {"infinity", {{0, inf, 0x11}, {1, 1, 0x21}}},
      {"only stray controls", {{1, 1, 0x00}, {2, 2, 0x00}}},
  };
  for (const Case& c : cases) {
    auto list = ListOf(c.pts, !c.pts.empty());
    COutlineCodec codec;
    plat::HGLOBAL h = 123;
    EXPECT_EQ(codec.Encode(*list, &h), 0u) << c.what;
    EXPECT_EQ(h, 0u) << c.what;
  }
  // 32767 is still allowed.
  EXPECT_FALSE(Encoded({{0, 0, 0x11}, {32767, -32767, 0x21}}).empty());
}

TEST(OutlineCodec, UnendedContoursEndOpenAtTheirLastNode) {
  // No end flag at all, then a new start before the first contour ended.
  auto block = Encoded({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01},
                        {50, 50, 0x11}, {60, 50, 0x01}});
  auto back = DecodeBlock(block);
  ASSERT_TRUE(back);
  auto pts = PointsOf(*back);
  ASSERT_EQ(pts.size(), 6u);
  EXPECT_EQ(pts[2].flags, 0x21);
  EXPECT_EQ(pts[3].flags, 0x11);
  EXPECT_EQ(pts[4].flags, 0x21);
  EXPECT_EQ(pts[4].x, 60.0f);
}

TEST(OutlineCodec, LongOutlinesGrowTheStream) {
  // 30,000 big steps need far more than 64,000 bytes of stream.
  std::vector<PathPoint> pts;
  for (int i = 0; i < 30000; ++i)
    pts.push_back({float(i % 2 ? 15000 : -15000), float(i % 3 ? 10000 : -10000), std::uint8_t(i == 0 ? 0x11 : 0x01)});
  pts.back().flags = 0x21;
  std::uint32_t size = 0;
  auto block = Encoded(pts, &size);
  ASSERT_GT(size, 64000u);
  auto back = DecodeBlock(block);
  ASSERT_TRUE(back);
  auto out = PointsOf(*back);
  ASSERT_EQ(out.size(), pts.size() + 1);
  EXPECT_EQ(out[29998].x, float(pts[29998].x));
  EXPECT_EQ(out[29998].y, float(pts[29998].y));
}

TEST(OutlineCodec, CoordinatesAreTruncatedTowardZero) {
  auto back = DecodeBlock(Encoded({{-1.9f, 2.9f, 0x11}, {5.5f, -0.5f, 0x21}}));
  ASSERT_TRUE(back);
  auto pts = PointsOf(*back);
  EXPECT_EQ(pts[0].x, -1.0f);
  EXPECT_EQ(pts[0].y, 2.0f);
  EXPECT_EQ(pts[1].x, 5.0f);
  EXPECT_EQ(pts[1].y, 0.0f);
}

TEST(OutlineCodec, InconsistentBlocksDecodeToNull) {
  auto good = Encoded({{10, 10, 0x11}, {20, 50, 0x00}, {60, 50, 0x00}, {70, 10, 0x41}});
  ASSERT_TRUE(DecodeBlock(good));
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  } cases[] = {
      {"no contour", 5, 0},
      {"end far past the data", 7, 200},
      {"curve past the last end", 7, 1},
      {"bitmap not covering P", 9, 0xFF},
  };
  for (const Case& c : cases) {
    auto bad = good;
    bad[c.at] = c.value;
    if (c.at == 5) bad[6] = 0;
    EXPECT_FALSE(DecodeBlock(bad)) << c.what;
  }
  // Ends that do not increase.
  auto two = Encoded({{0, 0, 0x11}, {10, 0, 0x21}, {5, 5, 0x11}, {9, 9, 0x21}});
  ASSERT_TRUE(DecodeBlock(two));
  two[9] = two[7];
  two[10] = two[8];
  EXPECT_FALSE(DecodeBlock(two));
  // A contour that would end on a control point.
  auto curve = Encoded({{0, 0, 0x11}, {10, 0, 0x21}, {5, 5, 0x11}, {6, 6, 0}, {7, 7, 0}, {9, 9, 0x21}});
  ASSERT_TRUE(DecodeBlock(curve));
  curve[7] = 3;
  EXPECT_FALSE(DecodeBlock(curve));
}

TEST(OutlineCodec, EveryTruncationAndCorruptionStaysInBounds) {
  auto block = Encoded({{10, 10, 0x11}, {20, 50, 0x00}, {60, 50, 0x00}, {70, 10, 0x01},
                        {400, -300, 0x41}, {5, 5, 0x11}, {7000, 9, 0x21}});
  ASSERT_FALSE(block.empty());
  // Each cut decodes in a buffer of exactly that length.
  for (std::size_t n = 4; n < block.size(); ++n) {
    std::vector<std::uint8_t> cut(block.begin() + 4, block.begin() + std::ptrdiff_t(n));
    COutlineCodec codec;
    auto out = codec.DecodeData(cut.data(), cut.size(), nullptr, 6.0f);
    EXPECT_FALSE(out) << n;  // the last stream byte is needed
    codec.DecodeData(cut.data(), cut.size(), nullptr, 5.4f);
  }
  for (std::size_t i = 4; i < block.size(); ++i) {
    for (int v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      auto bad = block;
      bad[i] = std::uint8_t(v);
      std::vector<std::uint8_t> data(bad.begin() + 4, bad.end());
      COutlineCodec codec;
      codec.DecodeData(data.data(), data.size(), nullptr, 6.0f);
      codec.DecodeData(data.data(), data.size(), nullptr, 5.0f);
    }
  }
}

TEST(OutlineCodec, Old5GlyphUsesTheThreeOffCurveRule) {
  auto data = MakeOld5Glyph({{{0, 0, true}, {10, 20, false}, {30, 20, false}, {40, 0, false},
                              {40, -10, true}, {0, 0, true}},
                             {{100, 100, true}, {200, 100, true}, {200, 200, true}}});
  COutlineCodec codec;
  CMatrix3 shift(1, 0, 0, 1, 1000, 0);
  auto out = codec.DecodeData(data.data(), data.size(), &shift, 5.4f);
  ASSERT_TRUE(out);
  auto pts = PointsOf(*out);
  std::vector<std::uint8_t> flags;
  for (const auto& p : pts) flags.push_back(p.flags);
  EXPECT_EQ(flags, (std::vector<std::uint8_t>{0x11, 0x00, 0x00, 0x01, 0x01, 0x41, 0x11, 0x01,
                                                0x21, PP_END}));
  EXPECT_EQ(pts[3].x, 1040.0f);
  EXPECT_EQ(pts[8].y, 200.0f);
}

TEST(OutlineCodec, Old5GlyphWithFewerThanFivePointsIsNull) {
  auto four = MakeOld5Glyph({{{0, 0, true}, {10, 0, true}, {10, 10, true}, {0, 0, true}}});
  COutlineCodec codec;
  EXPECT_FALSE(codec.DecodeData(four.data(), four.size(), nullptr, 5.4f));
  auto five = MakeOld5Glyph({{{0, 0, true}, {10, 0, true}, {10, 10, true}, {0, 10, true}, {0, 0, true}}});
  EXPECT_TRUE(codec.DecodeData(five.data(), five.size(), nullptr, 5.4f));
}

TEST(OutlineCodec, Old5RunsAndShortCoordinates) {
  // Flags with a repeat count: on-curve, one-byte x and y (x added, y
  // subtracted), standing for 5 points.
  std::vector<std::uint8_t> d(8, 0);
  d.insert(d.end(), {1, 0, 5, 0});        // n = 1, end = 5
  d.insert(d.end(), {0x01 | 2 | 4 | 8 | 32, 5});
  for (int i = 0; i < 5; ++i) d.insert(d.end(), {10, 3});
  COutlineCodec codec;
  auto out = codec.DecodeData(d.data(), d.size(), nullptr, 5.4f);
  ASSERT_TRUE(out);
  auto pts = PointsOf(*out);
  EXPECT_EQ(pts[4].x, 50.0f);
  EXPECT_EQ(pts[4].y, -15.0f);  // bit 32 with a one-byte y: subtracted
  // Repeats past T, or coordinates cut short, give null.
  auto past = d;
  past[13] = 6;
  EXPECT_FALSE(codec.DecodeData(past.data(), past.size(), nullptr, 5.4f));
  EXPECT_FALSE(codec.DecodeData(d.data(), d.size() - 1, nullptr, 5.4f));
}

}  // namespace
