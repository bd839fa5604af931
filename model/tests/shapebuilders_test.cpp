#include "model/shapebuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/tests/shape_fixtures.h"

namespace {

using shapetest::RecordsOf;

int Contours(const std::vector<PathPoint>& r) {
  int n = 0;
  for (const PathPoint& p : r)
    if (p.flags < 0x80 && (p.flags & 0x10)) ++n;
  return n;
}

// One closed contour of nodes: 0x11, 0x01..., 0x41 on the first point exactly, end record.
void ExpectClosedContours(const std::vector<PathPoint>& r) {
  ASSERT_FALSE(r.empty());
  EXPECT_EQ(r.back().flags, 0xFF);
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < r.size(); ++i) {
    const int f = r[i].flags;
    if (f == 0x11) {
      start = i;
    } else if (f == 0x41) {
      EXPECT_EQ(float(r[i].x), float(r[start].x)) << i;  // exactly: no gap when cut
      EXPECT_EQ(float(r[i].y), float(r[start].y)) << i;
    } else {
      EXPECT_EQ(f, 0x01) << i;
    }
  }
}

}  // namespace

TEST(ShapeBuildersTest, StarsAndPolygons) {
  EXPECT_EQ(MakeStarPath(0, 0, 10, 0, 2, 0), nullptr);
  EXPECT_EQ(MakeRegularPolygonPath(0, 0, 10, 10, 2, 0, 0), nullptr);

  struct Case {
    int n;
    float r2;
    std::size_t records;  // before the end record
  };
  const Case cases[] = {{3, 0, 4}, {5, 0, 6}, {5, 10, 11}, {7, 3, 15}, {37, 0, 38}, {360, 0, 361}};
  for (const Case& c : cases) {
    auto p = MakeStarPath(50, 60, 20, 0.3f, c.n, c.r2);
    ASSERT_NE(p, nullptr);
    const auto r = RecordsOf(*p);
    ASSERT_EQ(r.size(), c.records + 1) << c.n;
    ExpectClosedContours(r);
    EXPECT_EQ(Contours(r), 1);
    for (std::size_t k = 0; k + 1 < r.size(); ++k) {
      const float want = (c.r2 != 0 && (k % 2) && k + 1 != c.records) ? c.r2 : 20.0f;
      EXPECT_NEAR(std::hypot(r[k].x - 50, r[k].y - 60), want, 1e-3f) << c.n << " " << k;
    }
  }
  // The first point at the start angle, y up.
  auto tri = MakeStarPath(0, 0, 10, 1.5707963f, 3, 0);
  const auto t = RecordsOf(*tri);
  EXPECT_NEAR(float(t[0].x), 0.0f, 1e-5f);
  EXPECT_NEAR(float(t[0].y), -10.0f, 1e-5f);
  EXPECT_EQ(tri->bounds.top, float(t[0].y));
}

TEST(ShapeBuildersTest, PolygonInARectangle) {
  // The square at the first corner with the smaller side, whatever the signs.
  auto p = MakeRegularPolygonPath(10, 10, 50, 30, 4, 0, 0);
  auto r = RecordsOf(*p);
  ASSERT_EQ(r.size(), 6u);
  EXPECT_NEAR(float(r[0].x), 20.0f, 1e-4f);  // centre (20, 20), radius 10, first point above
  EXPECT_NEAR(float(r[0].y), 10.0f, 1e-4f);
  auto back = MakeRegularPolygonPath(10, 10, -30, -10, 4, 0, 0);
  EXPECT_NEAR(float(RecordsOf(*back)[0].x), 20.0f, 1e-4f);

  struct Case {
    float w, r2;
    int contours;
  };
  const Case cases[] = {
      {1, 0, 2},    // a ring: outer and inner contour
      {1, 6, 2},    // a star ring
      {10, 0, 1},   // s / 2 - w = 0: the inner ring would invert
      {12, 0, 1},
      {6, 6, 1},    // r2 - w = 0
      {0, 6, 1},
  };
  for (const Case& c : cases) {
    auto q = MakeRegularPolygonPath(0, 0, 20, 20, 5, c.w, c.r2);
    ASSERT_NE(q, nullptr);
    const auto rr = RecordsOf(*q);
    EXPECT_EQ(Contours(rr), c.contours) << c.w << " " << c.r2;
    ExpectClosedContours(rr);
    int ends = 0;
    for (const PathPoint& x : rr) ends += x.flags == 0xFF;
    EXPECT_EQ(ends, 1);
  }
  auto ring = RecordsOf(*MakeRegularPolygonPath(0, 0, 20, 20, 5, 1, 0));
  EXPECT_NEAR(std::hypot(ring[6].x - 10, ring[6].y - 10), 9.0f, 1e-4f);
}

TEST(ShapeBuildersTest, Rectangles) {
  auto a = RecordsOf(*MakeRectanglePath(10, 20, 0, 5));
  ASSERT_EQ(a.size(), 6u);
  const float want[5][2] = {{10, 20}, {0, 20}, {0, 5}, {10, 5}, {10, 20}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(float(a[i].x), want[i][0]);
    EXPECT_EQ(float(a[i].y), want[i][1]);
  }
  ExpectClosedContours(a);
  auto b = RecordsOf(*MakeRectanglePathFromRect(CFRect(10, 20, 0, 5)));
  EXPECT_EQ(float(b[0].x), 0.0f);
  EXPECT_EQ(float(b[0].y), 5.0f);
  EXPECT_EQ(float(b[2].x), 10.0f);
  EXPECT_EQ(float(b[2].y), 20.0f);
  auto c = MakeRectanglePathAt(0, 0, 3, 4);
  EXPECT_EQ(c->bounds, CFRect(0, 0, 3, 4));
}
