#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/shapebuilders.h"
#include "model/tests/fakes.h"
#include "model/tests/shape_fixtures.h"

using namespace shapetest;

namespace {

constexpr float t3 = 10.0f / 3.0f;  // a third of 10

std::unique_ptr<CPathObject> Build(const Recs& pts, bool end = true) {
  auto p = std::make_unique<CPathObject>();
  for (const PathPoint& r : pts) p->AddPoint(r);
  if (end) p->EndPoints();
  return p;
}

struct SmoothTest : ::testing::Test {
  SmoothTest() { app.activeView = &view; }
  FakeView view;
  FakeApp app;

  Recs Smooth(const Recs& pts, bool end = true) {
    auto p = Build(pts, end);
    SmoothPolylinePath(*p);
    return RecordsOf(*p);
  }
};

}  // namespace

TEST_F(SmoothTest, ZigzagThroughTheMidpoints) {
  ExpectNear(Smooth({{0, 0, 0x11}, {10, 10, 0x01}, {20, 0, 0x01}, {30, 10, 0x21}}),
             {{0, 0, 0x11},
              {2 * t3, 2 * t3, 0x00},
              {10 + t3 / 2, 10 - t3 / 2, 0x00},
              {15, 5, 0x01},
              {15 + t3, 5 - t3, 0x00},
              {20 + t3, t3, 0x00},
              {30, 10, 0x21},
              {0, 0, 0xFF}},
             1e-4f);
}

TEST_F(SmoothTest, ClosedTriangleWithOrWithoutTheClosingCopy) {
  const Recs want = {{0, 0, 0x11},      {2 * t3, 0, 0x00},      {10, t3 / 2, 0x00},
                     {10, 5, 0x01},     {10, 5 + t3, 0x00},     {10 - t3, 10 - t3, 0x00},
                     {0, 0, 0x21},      {0, 0, 0xFF}};
  ExpectNear(Smooth({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 0, 0x41}}), want, 1e-4f);
  // Closed on its last corner: the start joins the window after it.
  ExpectNear(Smooth({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x41}}), want, 1e-4f);
}

TEST_F(SmoothTest, ShortAndUnendedSubpaths) {
  // Two points: one straight piece.
  ExpectNear(Smooth({{0, 0, 0x11}, {6, 3, 0x21}}),
             {{0, 0, 0x11}, {4, 2, 0x00}, {6, 3, 0x00}, {6, 3, 0x21}, {0, 0, 0xFF}}, 1e-5f);
  // A lone point before the next start, then a contour left without an end.
  ExpectNear(Smooth({{1, 1, 0x11}, {0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}}),
             {{1, 1, 0x11},
              {1, 1, 0x21},
              {0, 0, 0x11},
              {2 * t3, 0, 0x00},
              {10, t3 / 2, 0x00},
              {10, 5, 0x01},
              {10, 5 + t3, 0x00},
              {10, 10, 0x00},
              {10, 10, 0x21},
              {0, 0, 0xFF}},
             1e-4f);
  // A point that starts and ends its own sub-path.
  EXPECT_EQ(FlagsOf(Smooth({{3, 3, 0x51}})), (std::vector<int>{0x11, 0, 0, 0x21, 0xFF}));
  // Colour records are left out.
  const Recs plain = Smooth({{0, 0, 0x11}, {10, 10, 0x01}, {20, 0, 0x21}});
  const Recs coloured = Smooth({{0, 0, 0x11}, {1, 2, 0x81}, {10, 10, 0x01}, {20, 0, 0x21}});
  ExpectRecords(coloured, plain);
}

TEST_F(SmoothTest, EveryContourHasOneStartAndOneEnd) {
  std::uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  const std::uint8_t kinds[] = {0x01, 0x01, 0x01, 0x11, 0x21, 0x41, 0x00, 0x51, 0x81};
  for (int round = 0; round < 200; ++round) {
    Recs in;
    const int n = 1 + int(next() % 12);
    for (int i = 0; i < n; ++i)
      in.push_back({float(next() % 50), float(next() % 50), kinds[next() % 9]});
    const Recs out = Smooth(in, next() % 2 == 0);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back().flags, 0xFF);
    bool open = false;
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
      const int f = out[i].flags;
      if (f == 0x11) {
        EXPECT_FALSE(open) << round << " at " << i;
        open = true;
      } else {
        EXPECT_TRUE(open) << round << " at " << i;
        EXPECT_TRUE(f == 0x00 || f == 0x01 || f == 0x21) << f;
        if (f == 0x21) open = false;
      }
    }
    EXPECT_FALSE(open) << round;
  }
}

TEST_F(SmoothTest, InvalidatesTheOldAreaAndTakesTheNewBounds) {
  auto p = Build({{0, 0, 0x11}, {10, 10, 0x01}, {20, 0, 0x21}});
  p->Offset(100, 0);  // a pending transform, applied first
  const CFRect old = p->bounds;
  SmoothPolylinePath(*p);
  ASSERT_EQ(view.invalidated.size(), 1u);
  EXPECT_EQ(view.invalidated[0].left, plat::LONG(old.left) - 3);
  EXPECT_TRUE(p->matrix.IsIdentity());
  EXPECT_EQ(p->bounds.left, 100.0f);
  EXPECT_EQ(p->bounds.right, 120.0f);
  EXPECT_LT(p->bounds.bottom, 10.0f);  // the curve stays below the corner
  EXPECT_GE(p->BlockRecords(), std::size_t(p->count));
}

TEST_F(SmoothTest, NothingWithoutAViewOrPoints) {
  auto p = Build({{0, 0, 0x11}, {10, 10, 0x01}, {20, 0, 0x21}});
  const Recs before = RecordsOf(*p);
  app.activeView = nullptr;
  SmoothPolylinePath(*p);
  ExpectRecords(RecordsOf(*p), before);
  app.activeView = &view;
  CPathObject empty;
  SmoothPolylinePath(empty);
  EXPECT_EQ(empty.points, 0u);
  EXPECT_TRUE(view.invalidated.empty());
}
