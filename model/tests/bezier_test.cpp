#include "model/bezier.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/geomutil.h"

namespace {

CBezierSegment Seg(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
  return CBezierSegment{{x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}, {}};
}

class BezierTest : public ::testing::Test {
 protected:
  void TearDown() override { FillBezierBasis(100); }
};

TEST_F(BezierTest, BasisTable) {
  EXPECT_EQ(BezierBasisTable.n, 100);  // filled at start-up
  struct Case {
    std::uint16_t asked, stored;
  } cases[] = {{0, 1}, {1, 1}, {50, 50}, {100, 100}, {101, 100}, {250, 100}};
  const CBezierSegment s = Seg(1, 2, 5, 9, 8, -3, 12, 4);
  for (const auto& c : cases) {
    EXPECT_EQ(FillBezierBasis(c.asked), c.stored);
    EXPECT_EQ(BezierBasisTable.n, c.stored);
    const float* w0 = BezierBasisTable.w[0];
    const float* wn = BezierBasisTable.w[c.stored];
    EXPECT_EQ(w0[0], 1.0f);
    EXPECT_EQ(w0[1] + w0[2] + w0[3], 0.0f);
    EXPECT_EQ(wn[3], 1.0f);
    EXPECT_EQ(wn[0] + wn[1] + wn[2], 0.0f);
    EXPECT_EQ(s.TablePoint(0), s.P0);
    EXPECT_EQ(s.TablePoint(c.stored), s.P3);
  }
  FillBezierBasis(4);
  const float* w = BezierBasisTable.w[1];  // t = 0.25
  EXPECT_EQ(w[0], 0.421875f);
  EXPECT_EQ(w[1], 0.421875f);
  EXPECT_EQ(w[2], 0.140625f);
  EXPECT_EQ(w[3], 0.015625f);
}

TEST_F(BezierTest, LengthAndWalk) {
  const CBezierSegment line = Seg(0, 0, 3, 4, 6, 8, 9, 12);  // evenly spaced, length 15
  for (std::uint16_t k : {1, 3, 7, 20, 100, 500})
    EXPECT_NEAR(BezierLength(line, k), 15.0f, 1e-4) << k;
  const CBezierSegment arc = Seg(0, 0, 0, 10, 10, 10, 10, 0);
  float coarse = BezierLength(arc, 2), fine = BezierLength(arc, 100);
  EXPECT_LT(coarse, fine);
  EXPECT_NEAR(fine, 20.0f, 0.5f);

  struct Case {
    float distance, total;
    CFPoint out;
  } cases[] = {
      {20, 15, {0, 0}},   // beyond the total
      {-1, 15, {0, 0}},
      {0, 15, {0, 0}},    // P0
      {15, 15, {9, 12}},  // P3
      {7.5f, 15, {4.5f, 6}},
  };
  for (const auto& c : cases) {
    CFPoint out{-5, -5};
    BezierPointAtLength(line, out, c.distance, c.total, 100);
    // The walk stops at the first table point at or beyond the distance.
    EXPECT_NEAR(out.x, c.out.x, 0.1f) << c.distance;
    EXPECT_NEAR(out.y, c.out.y, 0.13f) << c.distance;
  }
  CFPoint untouched{-5, -5};
  BezierPointAtLength(line, untouched, 3, 0.0f, 100);
  EXPECT_EQ(untouched, (CFPoint{-5, -5}));
}

TEST_F(BezierTest, EvaluateAndSplit) {
  const CBezierSegment s = Seg(0, 0, 0, 8, 8, 8, 8, 0);
  CFPoint p;
  EXPECT_EQ(s.PointAt(0.5f, p), (CFPoint{4, 6}));
  EXPECT_EQ(s.PointAt(0.0f, p), s.P0);
  EXPECT_EQ(s.PointAt(1.0f, p), s.P3);
  CFPoint seven[7];
  s.SplitPoints(0.5f, seven);
  const CFPoint expect[7] = {{0, 0}, {0, 4}, {2, 6}, {4, 6}, {6, 6}, {8, 4}, {8, 0}};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(seven[i], expect[i]) << i;
  CFPoint a[4], b[4], c[4], d[4];
  s.Split(0.5f, a, b);
  s.Bisect(c, d);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a[i], c[i]);
    EXPECT_EQ(b[i], d[i]);
  }
  // The halves trace the same curve.
  CBezierSegment first, second;
  s.Split(0.25f, first, second);
  CFPoint q, r;
  first.PointAt(0.5f, q);
  s.PointAt(0.125f, r);
  EXPECT_NEAR(q.x, r.x, 1e-5);
  EXPECT_NEAR(q.y, r.y, 1e-5);

  CFPoint sub[4];
  s.SubSegment(0.0f, 1.0f, sub);
  EXPECT_EQ(sub[0], s.P0);
  EXPECT_EQ(sub[1], s.P1);
  EXPECT_EQ(sub[2], s.P2);
  EXPECT_EQ(sub[3], s.P3);
  for (auto [t0, t1] : {std::pair{0.25f, 0.75f}, std::pair{0.75f, 0.25f}}) {
    s.SubSegment(t0, t1, sub);
    CFPoint e0, e1;
    s.PointAt(0.25f, e0);
    s.PointAt(0.75f, e1);
    EXPECT_NEAR(sub[0].x, e0.x, 1e-5);
    EXPECT_NEAR(sub[0].y, e0.y, 1e-5);
    EXPECT_NEAR(sub[3].x, e1.x, 1e-5);
    EXPECT_NEAR(sub[3].y, e1.y, 1e-5);
  }

  EXPECT_EQ(Seg(0, 0, 1, 2, 2, -3, 4, 0).IsFlatEnough(), 9.0f);
  EXPECT_EQ(Seg(1, 1, 5, 9, 3, 3, 1, 1).IsFlatEnough(), 0.0f);  // P0 == P3
  CBezierSegment boxed = Seg(3, 1, -2, 7, 9, -4, 0, 0);
  boxed.ComputeBox();
  EXPECT_EQ(boxed.box, CFRect(-2, -4, 9, 7));
}

TEST_F(BezierTest, HitTestSegment) {
  struct Case {
    float x1, y1, x2, y2;
    CFPoint in;
    float tol;
    float result;
    CFPoint out;
  } cases[] = {
      {0, 0, 10, 0, {4, 0.5f}, 1, 0.4f, {4, 0}},
      {0, 0, 10, 0, {4, 1.5f}, 1, -1, {4, 1.5f}},      // outside the grown box
      {0, 0, 10, 0, {4, 1.0f}, 1, -1, {4, 1.0f}},      // distance == tolerance
      {0, 0, 10, 0, {11.5f, 0}, 1, -1, {11.5f, 0}},
      {2, 0, 2, 10, {2.5f, 5}, 1, 0.5f, {2, 5}},       // vertical
      {0, 0, 10, 5, {4, 3.5f}, 1, -1, {4, 3.5f}},      // slanted, too far (d = 1.34)
      {0, 0, 10, 5, {4, 2.2f}, 1, 0.4083136f, {4, 2}},  // slanted, |m| <= 1: y snapped
      {0, 0, 2, 10, {1.2f, 5}, 1, 0.5042130f, {1, 5}},  // |m| > 1: x snapped
      {3, 3, 3, 3, {3.5f, 3}, 1, 0, {3, 3}},           // zero length: a point
      {3, 3, 3, 3, {3, 3}, 1, 0, {3, 3}},
      {3, 3, 3, 3, {3.8f, 3.8f}, 1, -1, {3.8f, 3.8f}},
  };
  for (const auto& c : cases) {
    CFPoint p = c.in;
    float r = HitTestSegment(c.x1, c.y1, c.x2, c.y2, p, c.tol);
    EXPECT_FLOAT_EQ(r, c.result) << c.in.x << "," << c.in.y;
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_FLOAT_EQ(p.x, c.out.x);
    EXPECT_FLOAT_EQ(p.y, c.out.y);
  }
}

TEST_F(BezierTest, CurveHitTest) {
  CBezierSegment s = Seg(0, 0, 0, 8, 8, 8, 8, 0);
  CFPoint far{20, 20};
  EXPECT_EQ(s.HitTest(far, 1.0f), -1.0f);
  EXPECT_EQ(far, (CFPoint{20, 20}));
  CFPoint top{4, 6.3f};
  float t = s.HitTest(top, 0.5f);
  EXPECT_NEAR(t, 0.5f, 0.06f);  // refined on integer squared distances
  CFPoint on;
  s.PointAt(t, on);
  EXPECT_EQ(top, on);  // moved onto the curve
  CFPoint miss{4, 4};
  EXPECT_EQ(s.HitTest(miss, 0.5f), -1.0f);

  // Near either end the refinement stays within the curve's parameters.
  CBezierSegment flat = Seg(0, 0, 10, 0, 20, 0, 30, 0);
  for (CFPoint p : {CFPoint{-0.5f, 0.2f}, CFPoint{0, 0}, CFPoint{30.5f, 0}, CFPoint{30, 0.1f}}) {
    CFPoint q = p;
    float r = flat.HitTest(q, 1.0f);
    EXPECT_GE(r, 0.0f) << p.x;
    EXPECT_LE(r, 1.0f) << p.x;
    CFPoint at;
    flat.PointAt(r, at);
    EXPECT_EQ(q, at);
  }
}

TEST_F(BezierTest, LineRootsAndSortedInsert) {
  float out[4] = {1, 1, 1, 1};
  const CBezierSegment line = Seg(0, 0, 10, 0, 20, 0, 30, 0);
  EXPECT_EQ(BezierLineRoots(1, 0, 15, line, out), 1);
  EXPECT_NEAR(out[0], 0.5f, 1e-6);
  EXPECT_EQ(out[1], 1.0f);
  // Starting exactly on the line is not a sign change.
  EXPECT_EQ(BezierLineRoots(1, 0, 0, line, out), 0);
  EXPECT_EQ(BezierLineRoots(0, 1, 3, line, out), 0);
  // An S curve meets a line near its centre three times.
  const CBezierSegment s = Seg(0, -1, 1, 3, 2, -3, 3, 1);
  float roots[4] = {1, 1, 1, 1};
  EXPECT_EQ(BezierLineRoots(0, 1, 0.1f, s, roots, 4), 3);
  for (int i = 0; i < 3; ++i) {
    CFPoint p;
    s.PointAt(roots[i], p);
    EXPECT_NEAR(p.y, 0.1f, 1e-5);
  }
  EXPECT_EQ(roots[3], 1.0f);
  EXPECT_LT(roots[0], roots[1]);
  EXPECT_LT(roots[1], roots[2]);
  float one[1];
  EXPECT_EQ(BezierLineRoots(0, 1, 0.1f, s, one, 1), 1);  // bounded by the slots

  struct Case {
    float value;
    float after[5];
  } cases[] = {
      {0.5f, {0, 0.5f, 1, 10, 10}},
      {-1, {-1, 0, 1, 10, 10}},
      {1, {0, 1, 1, 10, 10}},
      {11, {0, 1, 10, 10, 10}},  // exceeds all: nothing
  };
  for (const auto& c : cases) {
    float arr[5] = {0, 1, 10, 10, 10};
    InsertSortedFloat(arr, c.value, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(arr[i], c.after[i]) << c.value << " slot " << i;
  }
  float full[3] = {1, 2, 3};
  InsertSortedFloat(full, 0, 3);  // last drops out
  EXPECT_EQ(full[2], 2.0f);
}

TEST_F(BezierTest, ClipToRect) {
  std::vector<CFPoint> out;
  CBezierSegment s = Seg(0, 0, 0, 8, 8, 8, 8, 0);
  EXPECT_EQ(s.ClipToRect(-1, -1, 9, 9, out), 1);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], s.P0);
  EXPECT_EQ(out[3], s.P3);
  EXPECT_EQ(out[4], (CFPoint{-99999.0f, -99999.0f}));
  EXPECT_EQ(s.ClipToRect(20, 20, 30, 30, out), 0);
  EXPECT_TRUE(out.empty());
  // The upper half of the arch: one piece from x = 0 line crossing to the other.
  EXPECT_EQ(s.ClipToRect(-1, 4, 9, 9, out), 1);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_NEAR(out[0].y, 4.0f, 1e-4);
  EXPECT_NEAR(out[3].y, 4.0f, 1e-4);

  // Nine crossings before the curve ends inside: the last piece must not be lost.
  CBezierSegment wave = Seg(-31, -1, 33, 30, -8, -24, 0, 0);
  EXPECT_EQ(wave.ClipToRect(-1, -1, 4, 7, out), 1);
  ASSERT_GE(out.size(), 5u);
  EXPECT_EQ(out.back(), (CFPoint{-99999.0f, -99999.0f}));
  const CFPoint& last = out[out.size() - 2];
  EXPECT_NEAR(last.x, 0.0f, 1e-4);
  EXPECT_NEAR(last.y, 0.0f, 1e-4);
  for (std::size_t i = 0; i + 1 < out.size(); ++i) {
    EXPECT_TRUE(PointInFRect(out[i].x, out[i].y, -1.001f, -1.001f, 4.001f, 7.001f) ||
                i % 4 == 1 || i % 4 == 2)
        << i;
  }
}

TEST_F(BezierTest, FlattenToText) {
  EXPECT_EQ(FlattenBezierToText(Seg(0, 0, 3, 0, 7, 0, 10, 0)), "10,0");
  EXPECT_EQ(FlattenBezierToText(Seg(4, 4, 4, 4, 4, 4, 4, 4)), "");  // a single point
  EXPECT_EQ(FlattenBezierToText(Seg(-0.7f, 0, 0, 0, 0, 0, -2.9f, 1.9f)), "-2,1");
  const CBezierSegment arch = Seg(0, 0, 0, 80, 80, 80, 80, 0);
  std::string a = FlattenBezierToText(arch);
  EXPECT_EQ(a, FlattenBezierToText(arch));  // no state kept between calls
  EXPECT_GT(std::count(a.begin(), a.end(), ','), 8);
  EXPECT_EQ(a.substr(a.size() - 4), "80,0");
  // At the depth limit nothing is split.
  EXPECT_EQ(FlattenBezierToText(arch, 11), "80,0");
  // A huge curve stops at the depth limit: at most 2^11 pairs.
  std::string big = FlattenBezierToText(Seg(0, 0, 0, 1e7f, 1e7f, 1e7f, 1e7f, 0));
  EXPECT_LE(std::count(big.begin(), big.end(), ','), 2 * 2048 - 1);
}

}  // namespace

#include "model/tests/geometry_canvas.h"

namespace {

TEST_F(BezierTest, Drawing) {
  GeometryCanvas c(64, 64);
  // P0 == P3: a single line to P3.
  c.dc.MoveTo(5, 5);
  Seg(5.9f, 5.2f, 30, 40, 40, 30, 5.9f, 5.2f).DrawFlattened(&c.dc, 1.0f);
  EXPECT_EQ(c.Calls(), (std::vector<std::string>{"MoveTo 5,5", "LineTo 5,5"}));
  c.dc.ClearRecording();

  const CBezierSegment arch = Seg(2, 60, 2, 2, 60, 2, 60, 60);
  c.dc.MoveTo(2, 60);
  arch.DrawFlattened(&c.dc, 0.5f);
  const auto& calls = c.dc.Recorded();
  ASSERT_GT(calls.size(), 8u);
  EXPECT_EQ(calls.back().points[0], (plat::POINT{60, 60}));
  for (std::size_t i = 1; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].op, "LineTo");
    EXPECT_LE(calls[i].points[0].y, 60);
    EXPECT_GE(calls[i].points[0].y, 16);  // the curve tops out at y = 16.5
  }
  EXPECT_TRUE(c.Black(31, 16) || c.Black(31, 17));  // top of the curve on the pixels
  EXPECT_FALSE(c.Black(31, 30));
  c.dc.ClearRecording();

  Seg(1.9f, -0.7f, 10, 10, 20.5f, 3, 30, 8).DrawPolyBezier(&c.dc, 99.0f);
  EXPECT_EQ(c.Calls(), (std::vector<std::string>{"PolyBezier 1,0 10,10 20,3 30,8"}));

  // Degenerate input ends.
  c.dc.ClearRecording();
  Seg(NAN, 0, 1e30f, -1e30f, 3, 3, 4, NAN).DrawFlattened(&c.dc, 0.0f);
  EXPECT_LE(c.dc.Recorded().size(), 1u << 16);
}

}  // namespace
