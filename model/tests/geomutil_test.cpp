#include "model/geomutil.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

TEST(GeomUtilTest, PointAndRectTests) {
  struct Case {
    float x, y;
    bool in;
  } cases[] = {{0, 0, true}, {10, 5, true}, {5, 10, true}, {10.001f, 5, false},
               {-0.001f, 5, false}, {5, -1, false}, {NAN, 5, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(PointInFRect(c.x, c.y, 0, 0, 10, 10), c.in) << c.x << "," << c.y;
    EXPECT_EQ(PointInFRectEx(c.x, c.y, 123.0f, 0, 0, 10, 10), c.in);
  }

  CFRect out(-1, -1, -1, -1);
  // Sharing an edge overlaps with zero width; corners in any order.
  EXPECT_EQ(IntersectFRects(&out, 10, 10, 0, 0, 10, 2, 20, 8), 1);
  EXPECT_EQ(out, CFRect(10, 2, 10, 8));
  EXPECT_EQ(IntersectFRects(&out, 0, 0, 4, 4, 2, 6, 8, 1), 1);
  EXPECT_EQ(out, CFRect(2, 1, 4, 4));
  out = CFRect(7, 7, 7, 7);
  EXPECT_EQ(IntersectFRects(&out, 0, 0, 4, 4, 4.5f, 0, 8, 4), 0);
  EXPECT_EQ(out, CFRect(7, 7, 7, 7));
  EXPECT_EQ(IntersectFRects(nullptr, 0, 0, 4, 4, 0, 5, 4, 8), 0);
  EXPECT_EQ(IntersectFRects(nullptr, 0, 0, 4, 4, 1, 1, 2, 2), 1);

  plat::RECT r;
  RectFromPoints(7, -2, 3, 9, r);
  EXPECT_EQ(r, (plat::RECT{3, -2, 7, 9}));
}

TEST(GeomUtilTest, RectAngleRangeByZone) {
  // Rectangle (0, 0)-(10, 10); angles in degrees with y up.
  struct Case {
    float px, py;
    float start, end;
  } cases[] = {
      {-10, -10, -63.4349f, -26.5651f},  // left, above
      {-10, 5, -26.5651f, 26.5651f},     // left, level
      {-10, 20, 26.5651f, 63.4349f},     // left, below
      {5, -10, -116.5651f, -63.4349f},   // above
      {5, 5, 0.0f, 360.0f},              // inside
      {5, 0, 0.0f, 360.0f},              // on an edge
      {5, 20, 63.4349f, 116.5651f},      // below
      {20, -10, -153.4349f, -116.5651f},  // right, above
      {20, 5, 153.4349f, 206.5651f},     // right, level: end wraps by 360
      {20, 20, 116.5651f, 153.4349f},    // right, below
  };
  for (const auto& c : cases) {
    float s = 0, e = 0;
    GetRectAngleRange(0, 0, 10, 10, c.px, c.py, s, e);
    EXPECT_NEAR(s, c.start, 1e-3) << c.px << "," << c.py;
    EXPECT_NEAR(e, c.end, 1e-3) << c.px << "," << c.py;
  }
}

TEST(GeomUtilTest, DistancesAndIntersections) {
  EXPECT_EQ(PointDistance(0, 0, 3, 4), 5.0f);
  struct LineCase {
    float x1, y1, x2, y2, px, py, d;
  } lines[] = {
      {2, 0, 2, 9, 5, 100, 3},      // vertical
      {0, 1, 9, 1, 100, -3, 4},     // horizontal
      {0, 0, 4, 4, 0, 2, std::sqrt(2.0f)},
      {0, 0, 2, 1, 0, 5, 5 * 2 / std::sqrt(5.0f)},
  };
  for (const auto& c : lines)
    EXPECT_FLOAT_EQ(PointLineDistance(c.x1, c.y1, c.x2, c.y2, c.px, c.py), c.d);

  struct IsectCase {
    float v[8];
    int result;
    CFPoint at;
  } isects[] = {
      {{0, 0, 10, 10, 0, 10, 10, 0}, 1, {5, 5}},
      {{3, -5, 3, 5, 0, 1, 10, 1}, 1, {3, 1}},    // vertical first line
      {{0, 2, 8, 2, 6, 0, 6, 1}, 1, {6, 2}},      // horizontal first line
      {{0, 0, 10, 10, 0, 1, 10, 11}, 0, {-7, -7}},  // parallel: out untouched
      {{1, 1, 1, 1, 2, 2, 2, 2}, 0, {-7, -7}},    // both degenerate
  };
  for (const auto& c : isects) {
    CFPoint out{-7, -7};
    EXPECT_EQ(LineIntersection(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], c.v[6], c.v[7], out),
              c.result);
    EXPECT_NEAR(out.x, c.at.x, 1e-5);
    EXPECT_NEAR(out.y, c.at.y, 1e-5);
  }

  struct SegCase {
    float t;
    CFPoint out;
  } segs[] = {{-1, {0, 0}}, {0, {0, 0}}, {0.25f, {1, 2}}, {1, {4, 8}}, {1.5f, {4, 8}}};
  for (const auto& c : segs) {
    CFPoint p;
    PointOnSegment(0, 0, 4, 8, c.t, p);
    EXPECT_EQ(p, c.out) << c.t;
  }
}

TEST(GeomUtilTest, Angles) {
  EXPECT_NEAR(VectorAngle(0, 0, 0, 10), 3 * kPi / 2, 1e-6);  // down the page
  EXPECT_EQ(VectorAngle(0, 0, 10, 0), 0.0f);
  EXPECT_NEAR(VectorAngle(0, 0, 0, -10), kPi / 2, 1e-6);
  EXPECT_NEAR(VectorAngle(0, 0, -10, 0), kPi, 1e-6);
  struct Case {
    float a1, a2, mid;
  } cases[] = {
      {kPi, kPi / 2, 7 * kPi / 4},  // the sweep passes through 0
      {0, kPi, kPi / 2},
      {-kPi / 2, kPi / 2, 2 * kPi},  // not lowered at exactly 2 pi
      {kPi / 2, kPi / 2, kPi / 2},
  };
  for (const auto& c : cases) EXPECT_NEAR(MidAngle(c.a1, c.a2), c.mid, 1e-5) << c.a1 << " " << c.a2;
  // Far-out and non-finite angles end.
  EXPECT_TRUE(std::isfinite(MidAngle(-1e30f, 1e30f)));
  EXPECT_TRUE(std::isfinite(MidAngle(-INFINITY, NAN)));
}

TEST(GeomUtilTest, CircleFromThreePoints) {
  struct Case {
    float v[6];
    float radius;
    CFPoint centre;
  } cases[] = {
      {{0, 0, 1, 1, 2, 2}, 100000.0f, {0, 0}},  // collinear
      {{0, 0, 2, 0, 1, 1}, 1.0f, {1, 0}},
      {{0, 0, 0, 2, 1, 1}, 1.0f, {0, 1}},        // x2 == x1
      {{0, 0, 1, 1, 0, 2}, 1.0f, {0, 1}},        // x3 == x1
      {{3, 1, 3, 5, 3, 9}, 100000.0f, {0, 0}},   // all on one vertical
      {{3, 1, 3, 1, 7, 2}, 100000.0f, {0, 0}},   // coincident points
      {{0, 0, 6, 0, 0, 8}, 5.0f, {3, 4}},
  };
  for (const auto& c : cases) {
    CFPoint centre{-1, -1};
    float r = CircleFromThreePoints(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], &centre);
    EXPECT_NEAR(r, c.radius, 1e-5) << c.v[0] << "," << c.v[1] << " " << c.v[2] << "," << c.v[3];
    EXPECT_NEAR(centre.x, c.centre.x, 1e-5);
    EXPECT_NEAR(centre.y, c.centre.y, 1e-5);
    EXPECT_TRUE(std::isfinite(r));
  }
  EXPECT_EQ(CircleFromThreePoints(0, 0, 2, 0, 1, 1), 1.0f);  // centre optional
  CFPoint c;
  EXPECT_NEAR(ArcCircleFromRect(0, 0, 10, 5, &c), 5.0f, 1e-5);
  EXPECT_NEAR(c.x, 5.0f, 1e-5);
  EXPECT_NEAR(c.y, 5.0f, 1e-5);
}

}  // namespace

#include "model/tests/geometry_canvas.h"

namespace {

using Calls = std::vector<std::string>;

TEST(GeomUtilDrawTest, HandlesAndTransformedOutlines) {
  GeometryCanvas c(40, 40);
  DrawHandleSquare(&c.dc, 35, 30, 3);
  CMatrix3 m(1, 0, 0, 1, 0.5f, -0.7f);
  DrawTransformedQuad(&c.dc, 1, 1, 20.6f, 1, 1.9f, 15, 20, 15, m);
  DrawTransformedRect(&c.dc, CFRect(2, 3, 30.6f, 20), m);
  DrawHandleSquare(nullptr, 1, 1, 1);
  EXPECT_EQ(c.Calls(), (Calls{"Rectangle 32,27 38,33", "MoveTo 1,0", "LineTo 21,0", "LineTo 20,14",
                              "LineTo 2,14", "LineTo 1,0", "Polygon 2,2 31,2 31,19 2,19 2,2"}));
  // Pixels: the handle's frame and the quad's top edge.
  EXPECT_TRUE(c.Black(32, 30));
  EXPECT_FALSE(c.Black(35, 30));
  EXPECT_TRUE(c.Black(10, 0));
}

}  // namespace
