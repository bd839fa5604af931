#include "model/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/pathpoints.h"

namespace {

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

#define EXPECT_F32_EQ(a, b) EXPECT_EQ(Bits(a), Bits(b)) << (a) << " vs " << (b)

TEST(CFRectTest, EdgeTests) {
  struct Case {
    CFRect r;
    float l, t, rr, b;
    bool inside, outside;
  } cases[] = {
      {{2, 2, 4, 4}, 0, 0, 10, 10, true, false},
      {{0, 0, 10, 10}, 0, 0, 10, 10, true, false},  // bounds inclusive
      {{-5, 2, 0, 4}, 0, 0, 10, 10, false, true},   // right edge on the bounds' left edge
      {{10, 2, 12, 4}, 0, 0, 10, 10, false, true},  // left edge on the bounds' right edge
      {{2, -3, 4, 0}, 0, 0, 10, 10, false, true},   // bottom on top
      {{2, 10, 4, 11}, 0, 0, 10, 10, false, true},  // top on bottom
      {{-5, 2, 0.5f, 4}, 0, 0, 10, 10, false, false},
      {{4, 2, 2, 4}, 0, 0, 10, 10, true, false},  // unordered edges
      {{-1, -1, 11, 11}, 0, 0, 10, 10, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.r.IsInside(c.l, c.t, c.rr, c.b), c.inside) << c.r.left << "," << c.r.top;
    EXPECT_EQ(c.r.IsOutside(c.l, c.t, c.rr, c.b), c.outside) << c.r.left << "," << c.r.top;
  }
}

TEST(CFRectTest, SizeMoveNormalize) {
  CFRect r;
  EXPECT_EQ(r, CFRect(0, 0, 0, 0));
  r = CFRect(5, 8, 1, 2);  // dragged up-left
  EXPECT_EQ(r.Width(), 4.0f);
  EXPECT_EQ(r.Height(), 6.0f);
  CFPoint p;
  r.GetSize(p);
  EXPECT_EQ(p, (CFPoint{4, 6}));
  r.GetTopLeft(p);
  EXPECT_EQ(p, (CFPoint{5, 8}));
  r.MoveTo(0, 0);
  EXPECT_EQ(r, CFRect(0, 0, -4, -6));  // size and orientation kept
  r.SetSize(-3, 2);
  EXPECT_EQ(r, CFRect(0, 0, 3, 2));
  r.Inflate(1, 2);
  EXPECT_EQ(r, CFRect(-1, -2, 4, 4));
  CFRect n(5, 8, 1, 8);
  n.Normalize();
  EXPECT_EQ(n, CFRect(1, 8, 5, 8));
  CFRect copy;
  EXPECT_EQ(&n.CopyTo(copy), &copy);
  EXPECT_EQ(copy, n);
}

TEST(CFRectTest, DragConstraints) {
  struct Case {
    float w, h;
    float lineW, lineH;
    float sqW, sqH;
  } cases[] = {
      {7, 0, 7, 0, 0, 0},       // ah = 0: ratio 3, horizontal
      {0, 0, 0, 0, 0, 0},       // nothing dragged
      {10, -4, 10, 0, 4, -4},   // ratio 2.5
      {10, 5, 10, 0, 5, 5},     // ratio exactly 2
      {-6, 5, -5, 5, -5, 5},    // ratio 1.2: diagonal
      {2, -4, 0, -4, 2, -2},    // ratio exactly 0.5: vertical
      {-2, 9, 0, 9, -2, 2},     // ratio 0.22
      {3, 3, 3, 3, 3, 3},
  };
  for (const auto& c : cases) {
    CFRect r(1, 2, 1 + c.w, 2 + c.h);
    r.ConstrainLine();
    EXPECT_EQ(r, CFRect(1, 2, 1 + c.lineW, 2 + c.lineH)) << c.w << "," << c.h;
    CFRect s(1, 2, 1 + c.w, 2 + c.h);
    s.ConstrainSquare();
    EXPECT_EQ(s, CFRect(1, 2, 1 + c.sqW, 2 + c.sqH)) << c.w << "," << c.h;
  }
}

TEST(CMatrix3Test, IdentityAndDivide) {
  CMatrix3 m;
  EXPECT_TRUE(m.IsIdentity());
  m.m22 = 7.0f;
  EXPECT_TRUE(m.IsIdentity());  // m22 is not examined
  m.m22 = 1.0f;
  m.m00 = 0.99999994f;
  EXPECT_FALSE(m.IsIdentity());
  for (float* f : {&m.m01, &m.m02, &m.m10, &m.m12, &m.m20, &m.m21}) {
    CMatrix3 k;
    *(&k.m00 + (f - &m.m00)) = -0.0f;  // negative zero compares equal
    EXPECT_TRUE(k.IsIdentity());
    *(&k.m00 + (f - &m.m00)) = 1e-30f;
    EXPECT_FALSE(k.IsIdentity());
  }
  CMatrix3 d(2, 4, 6, 8, 10, 12);
  CMatrix3 before = d;
  d.DivideBy(0.0f);
  EXPECT_EQ(d, before);
  d.DivideBy(2.0f);
  CMatrix3 half(1, 2, 3, 4, 5, 6);
  half.m22 = 0.5f;  // all nine values
  EXPECT_EQ(d, half);
}

TEST(CMatrix3Test, ThreeStepPointRounding) {
  // Each product and each partial sum rounds to f32: a single rounding of the
  // whole expression (double or fused) would give 1 + 2^-11 + 2^-23.
  const float a = 0x1.001p0f;  // 1 + 2^-12
  CMatrix3 m(a, a, 0x1p-12f, 0x1p-12f, 0x1p-24f, 0x1p-24f);
  CFPoint p{a, 0x1p-12f};
  m.TransformPoint(p);
  EXPECT_F32_EQ(p.x, 0x1.002p0f);
  EXPECT_F32_EQ(p.y, 0x1.002p0f);

  CFPoint src{a, 0x1p-12f}, dst;
  EXPECT_EQ(&m.TransformPointTo(src, &dst), &dst);
  EXPECT_EQ(src, (CFPoint{a, 0x1p-12f}));
  EXPECT_F32_EQ(dst.x, 0x1.002p0f);

  PathPoint pp{a, 0x1p-12f, 0x41};
  m.TransformPathPoint(pp);
  EXPECT_F32_EQ(pp.x, 0x1.002p0f);
  EXPECT_EQ(pp.flags, 0x41);
}

TEST(CMatrix3Test, TruncationToDeviceIntegers) {
  struct Case {
    float x, y;
    plat::LONG ix, iy;
  } cases[] = {
      {-0.7f, 1.9f, 0, 1}, {-1.9f, 0.7f, -1, 0}, {2.0f, -2.0f, 2, -2},
      {1e20f, -1e20f, 2147483647, -2147483647 - 1}, {NAN, NAN, 0, 0},
  };
  CMatrix3 id;
  for (const auto& c : cases) {
    CFPoint p{c.x, c.y};
    plat::POINT ip;
    id.TransformPointToInt(p, &ip);
    EXPECT_EQ(ip.x, c.ix) << c.x;
    EXPECT_EQ(ip.y, c.iy) << c.y;
  }
  CMatrix3 shift(1, 0, 0, 1, 0.5f, 0);
  CFPoint p{1.0f, 1.0f};
  plat::POINT ip;
  shift.TransformPointToInt(p, &ip);
  EXPECT_EQ(p, (CFPoint{1.0f, 1.0f}));  // source left alone
  EXPECT_EQ(ip, (plat::POINT{1, 1}));
  shift.TransformPointToInt(p);
  EXPECT_EQ(p, (CFPoint{1.5f, 1.0f}));

  CFRect r(-0.7f, 1.9f, 3.2f, -2.5f);
  plat::RECT ir;
  id.TransformRectCorners(r, &ir);
  EXPECT_EQ(ir, (plat::RECT{0, 1, 3, -2}));  // not reordered
  id.TransformRectBounds(r, &ir);
  EXPECT_EQ(ir, (plat::RECT{0, -2, 3, 1}));
}

TEST(CMatrix3Test, ProductComposesFirstThisThenArgument) {
  auto a = MakeRotateMatrix(0, 0, 10, 6, 33.0f);
  CMatrix3 b(2, 0.5f, -1, 3, 7, -4);
  CMatrix3 ab = *a;
  EXPECT_EQ(&ab.Multiply(b), &ab);
  const CFPoint pts[] = {{0, 0}, {1, 0}, {0, 1}, {3.25f, -8.5f}};
  for (CFPoint p : pts) {
    CFPoint direct = p, stepwise = p;
    ab.TransformPoint(direct);
    a->TransformPoint(stepwise);
    b.TransformPoint(stepwise);
    EXPECT_NEAR(direct.x, stepwise.x, 1e-4);
    EXPECT_NEAR(direct.y, stepwise.y, 1e-4);
  }
  // Translation then scale: exact in f32.
  CMatrix3 t(1, 0, 0, 1, 3, 4), s(2, 0, 0, 5, 0, 0);
  t.Multiply(s);
  EXPECT_EQ(t, CMatrix3(2, 0, 0, 5, 6, 20));
  // Multiplying by itself squares.
  CMatrix3 q(1, 2, 3, 4, 5, 6);
  q.Multiply(q);
  EXPECT_EQ(q, CMatrix3(7, 10, 15, 22, 28, 40));
  CMatrix3 r(1, 2, 3, 4, 5, 6);
  r.Append(r);
  EXPECT_EQ(r, q);
  // Third column is reset to 0, 0, 1 by the product (m02 from the partial sums).
  CMatrix3 odd;
  odd.m12 = 5;
  odd.m22 = 3;
  odd.Multiply(CMatrix3());
  EXPECT_EQ(odd.m12, 0.0f);
  EXPECT_EQ(odd.m22, 1.0f);
}

TEST(CMatrix3Test, TransformRects) {
  auto rot = MakeRotateMatrix(0, 0, 10, 10, 90.0f);
  CFRect r(0, 0, 10, 4);
  CFRect corners = r;
  rot->TransformRectCorners(corners);
  EXPECT_EQ(corners, CFRect(10, 0, 6, 10));
  CFRect normalized = r;
  rot->TransformRect(normalized);
  EXPECT_EQ(normalized, CFRect(6, 0, 10, 10));
  CFPoint quad[4];
  rot->TransformRectToQuad(r, quad);
  EXPECT_EQ(quad[0], (CFPoint{10, 0}));
  EXPECT_EQ(quad[1], (CFPoint{10, 10}));
  EXPECT_EQ(quad[2], (CFPoint{6, 0}));
  EXPECT_EQ(quad[3], (CFPoint{6, 10}));
  auto rot45 = MakeRotateMatrixAt(0, 0, 45.0f);
  CFRect b(0, 0, 2, 2);
  rot45->TransformRectBounds(b);
  EXPECT_NEAR(b.left, -1.41421f, 1e-4);
  EXPECT_NEAR(b.top, 0.0f, 1e-4);
  EXPECT_NEAR(b.right, 1.41421f, 1e-4);
  EXPECT_NEAR(b.bottom, 2.82843f, 1e-4);
}

TEST(TransformBuilders, Rotation) {
  struct Case {
    float angle;
    float m00, m01;
  } exact[] = {{90.0f, 0.0f, 1.0f}, {-90.0f, 0.0f, -1.0f}, {180.0f, -1.0f, 0.0f},
               {-180.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}};
  for (const auto& c : exact) {
    auto m = MakeRotateMatrixAt(3, 4, c.angle);
    EXPECT_F32_EQ(m->m00, c.m00);
    EXPECT_F32_EQ(m->m01, c.m01);
    EXPECT_F32_EQ(m->m10, -c.m01);
    EXPECT_F32_EQ(m->m11, c.m00);
    CFPoint centre{3, 4};
    m->TransformPoint(centre);
    EXPECT_EQ(centre, (CFPoint{3, 4})) << c.angle;
  }
  // 90.0001 is not special: the computed sine and cosine with pi = 3.1415926.
  auto m = MakeRotateMatrixAt(0, 0, 90.0001f);
  double rad = double(90.0001f) * 3.1415926 / 180.0;
  EXPECT_F32_EQ(m->m00, float(std::cos(rad)));
  EXPECT_F32_EQ(m->m01, float(std::sin(rad)));
  EXPECT_NE(m->m00, 0.0f);
  EXPECT_NE(Bits(m->m00), Bits(float(std::cos(double(90.0001f) * M_PI / 180.0))));
  // 270 is computed too, so its cosine is tiny but not zero.
  EXPECT_NE(MakeRotateMatrixAt(0, 0, 270.0f)->m00, 0.0f);

  auto r = MakeRotateMatrix(0, 0, 10, 10, 90);
  CFPoint p{10, 5};
  r->TransformPoint(p);
  EXPECT_EQ(p, (CFPoint{5, 10}));  // +x turns toward +y
}

TEST(TransformBuilders, SkewAndMirror) {
  auto k = MakeSkewMatrix(0, 0, 10, 20, 45.0f, 0.0f);
  CFPoint centre{5, 10};
  k->TransformPoint(centre);
  EXPECT_NEAR(centre.x, 5.0f, 1e-5);
  EXPECT_EQ(centre.y, 10.0f);
  CFPoint p{5, 12};
  k->TransformPoint(p);
  EXPECT_NEAR(p.x, 7.0f, 1e-5);
  EXPECT_EQ(p.y, 12.0f);
  EXPECT_EQ(k->m01, 0.0f);
  EXPECT_F32_EQ(k->m10, float(std::tan(45.0 * 3.1415926 / 180.0)));
  EXPECT_F32_EQ(k->m20, float(-10.0 * std::tan(45.0 * 3.1415926 / 180.0)));
  auto ky = MakeSkewMatrix(0, 0, 10, 20, 0.0f, -30.0f);
  CFPoint q{8, 10};
  ky->TransformPoint(q);
  EXPECT_EQ(q.x, 8.0f);
  EXPECT_NEAR(q.y, 10.0f - 3.0f * 0.57735f, 1e-4);

  struct Case {
    int h, v;
    CFPoint in, out;
  } cases[] = {
      {0, 0, {2, 3}, {2, 3}},
      {1, 0, {2, 3}, {8, 3}},
      {0, 5, {2, 3}, {2, 1}},
      {1, 1, {2, 3}, {8, 1}},
  };
  for (const auto& c : cases) {
    auto m = MakeMirrorMatrix(0, 0, 10, 4, c.h, c.v);
    EXPECT_EQ(m->IsIdentity(), !c.h && !c.v);
    CFPoint pt = c.in;
    m->TransformPoint(pt);
    EXPECT_EQ(pt, c.out) << c.h << c.v;
  }
}

TEST(CMatrix3Test, Inverse) {
  CMatrix3 m(2, 0, 0, 4, 6, 8);
  EXPECT_EQ(m.Determinant(), 8.0f);
  bool singular = true;
  auto inv = m.CreateInverse(&singular);
  EXPECT_FALSE(singular);
  EXPECT_EQ(*inv, CMatrix3(0.5f, 0, 0, 0.25f, -3, -2));
  EXPECT_EQ(m.InverseLength(10.0f), 2.5f);
  EXPECT_EQ(m.InverseLength(-10.0f), 2.5f);

  // Singular: the adjugate, undivided; the flag tells the caller.
  CMatrix3 z(0, 0, 3, 4, 5, 6);
  EXPECT_FALSE(z.IsInvertible());
  auto adj = z.CreateInverse(&singular);
  EXPECT_TRUE(singular);
  EXPECT_EQ(adj->m00, 4.0f);
  EXPECT_EQ(adj->m01, 0.0f);
  EXPECT_EQ(adj->m10, -3.0f);
  EXPECT_EQ(adj->m11, 0.0f);
  EXPECT_EQ(adj->m20, 3.0f * 6.0f - 4.0f * 5.0f);
  EXPECT_EQ(adj->m22, 0.0f);
  EXPECT_EQ(z.CreateInverse()->m00, 4.0f);  // flag optional
  // A shape scaled to zero height: the length falls back to d itself.
  CMatrix3 flat(1, 0, 0, 0, 0, 0);
  EXPECT_EQ(flat.InverseLength(5.0f), 5.0f);
  // NaN and overflowing inverses count as singular.
  CMatrix3 nan(NAN, 0, 0, 1, 0, 0);
  EXPECT_FALSE(nan.IsInvertible());
  nan.CreateInverse(&singular);
  EXPECT_TRUE(singular);
  CMatrix3 tiny(1e-30f, 0, 0, 1e-30f, 1e30f, 0);
  tiny.CreateInverse(&singular);
  EXPECT_TRUE(singular);
  EXPECT_EQ(tiny.InverseLength(3.0f), 3.0f);
}

}  // namespace
