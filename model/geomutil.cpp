#include "model/geomutil.h"

#include <algorithm>
#include <cmath>

#include "platform/dc.h"

namespace {

constexpr float kTwoPi = 6.2831852f;

// Brings a huge or non-finite angle near the range the loops below walk, so
// they always end; ordinary angles are left exactly as they are.
float TameAngle(float a) {
  if (!std::isfinite(a)) return 0.0f;
  if (std::fabs(a) > 1.0e5f) a = std::fmod(a, kTwoPi);
  return a;
}

float CornerAngle(float px, float py, float x, float y) {
  return float(std::atan2(double(py - y), double(x - px)) * 180.0 / 3.1415926);
}

}  // namespace

bool PointInFRect(float x, float y, float left, float top, float right, float bottom) {
  return left <= x && x <= right && top <= y && y <= bottom;
}

bool PointInFRectEx(float x, float y, float /*z*/, float left, float top, float right,
                    float bottom) {
  return PointInFRect(x, y, left, top, right, bottom);
}

int IntersectFRects(CFRect* out, float x1, float y1, float x2, float y2, float x3, float y3,
                    float x4, float y4) {
  float l1 = std::min(x1, x2), r1 = std::max(x1, x2), t1 = std::min(y1, y2),
        b1 = std::max(y1, y2);
  float l2 = std::min(x3, x4), r2 = std::max(x3, x4), t2 = std::min(y3, y4),
        b2 = std::max(y3, y4);
  if (r1 < l2 || r2 < l1 || b1 < t2 || b2 < t1) return 0;
  if (out) *out = CFRect(std::max(l1, l2), std::max(t1, t2), std::min(r1, r2), std::min(b1, b2));
  return 1;
}

void RectFromPoints(plat::LONG x1, plat::LONG y1, plat::LONG x2, plat::LONG y2, plat::RECT& out) {
  out.left = std::min(x1, x2);
  out.top = std::min(y1, y2);
  out.right = std::max(x1, x2);
  out.bottom = std::max(y1, y2);
}

void GetRectAngleRange(float x1, float y1, float x2, float y2, float px, float py, float& start,
                       float& end) {
  auto a = [&](float x, float y) { return CornerAngle(px, py, x, y); };
  if (px < x1) {
    if (py < y1) {
      start = a(x1, y2), end = a(x2, y1);
    } else if (py <= y2) {
      start = a(x1, y2), end = a(x1, y1);
    } else {
      start = a(x2, y2), end = a(x1, y1);
    }
  } else if (px <= x2) {
    if (py < y1) {
      start = a(x1, y1), end = a(x2, y1);
    } else if (py <= y2) {
      start = 0.0f, end = 360.0f;
    } else {
      start = a(x2, y2), end = a(x1, y2);
    }
  } else {
    if (py < y1) {
      start = a(x1, y1), end = a(x2, y2);
    } else if (py <= y2) {
      start = a(x2, y1), end = a(x2, y2);
    } else {
      start = a(x2, y1), end = a(x1, y2);
    }
  }
  if (end < start) end += 360.0f;
}

float PointDistance(float x1, float y1, float x2, float y2) {
  float dx = x1 - x2;
  float dy = y1 - y2;
  return std::sqrt(dx * dx + dy * dy);
}

float PointLineDistance(float x1, float y1, float x2, float y2, float px, float py) {
  if (x1 == x2) return std::fabs(px - x2);
  if (y1 == y2) return std::fabs(py - y2);
  float m = (y1 - y2) / (x1 - x2);
  float b = y1 - x1 * m;
  return std::fabs(m * px - py + b) / std::sqrt(m * m + 1.0f);
}

int LineIntersection(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4, CFPoint& out) {
  double dx1 = double(x2) - x1, dy1 = double(y2) - y1;
  double dx2 = double(x4) - x3, dy2 = double(y4) - y3;
  if (dy2 * dx1 == dy1 * dx2) return 0;
  double y = (y3 * dy1 * dx2 - y1 * dy2 * dx1 + (double(x1) - x3) * dy1 * dy2) /
             (dy1 * dx2 - dy2 * dx1);
  double x = dy1 != 0.0 ? (y - y1) * dx1 / dy1 + x1 : (y - y3) * dx2 / dy2 + x3;
  out.x = float(x);
  out.y = float(y);
  return 1;
}

void PointOnSegment(float x1, float y1, float x2, float y2, float t, CFPoint& out) {
  if (t <= 0.0f) {
    out = {x1, y1};
  } else if (t >= 1.0f) {
    out = {x2, y2};
  } else {
    out = {x1 + (x2 - x1) * t, y1 + (y2 - y1) * t};
  }
}

float VectorAngle(float x1, float y1, float x2, float y2) {
  float a = float(std::atan2(double(y1 - y2), double(x2 - x1)));
  while (a < 0.0f) a += 6.283185f;
  return a;
}

float MidAngle(float a1, float a2) {
  a1 = TameAngle(a1);
  a2 = TameAngle(a2);
  while (a1 < 0.0f) a1 += kTwoPi;
  while (a2 < a1) a2 += kTwoPi;
  float mid = (a1 + a2) / 2.0f;
  while (mid > kTwoPi) mid -= kTwoPi;
  return mid;
}

float CircleFromThreePoints(float x1, float y1, float x2, float y2, float x3, float y3,
                            CFPoint* centre) {
  float s1 = x1 * x1 + y1 * y1;
  float s2 = x2 * x2 + y2 * y2;
  float s3 = x3 * x3 + y3 * y3;
  float radius = 100000.0f;
  CFPoint c{0.0f, 0.0f};
  if (x2 != x1 && x3 != x1) {
    float k = (y2 - y1) / (x2 - x1) - (y3 - y1) / (x3 - x1);
    if (k != 0.0f) {
      float e = ((s1 - s2) / (x2 - x1) - (s1 - s3) / (x3 - x1)) / k;
      float d = ((s1 - s3) - (y3 - y1) * e) / (x3 - x1);
      float f = -d * x1 - e * y1 - s1;
      radius = std::sqrt(std::max(0.0f, d * d + e * e - 4.0f * f)) / 2.0f;
      c = {-d / 2.0f, -e / 2.0f};
    }
  } else {
    // A first point level in x with another: the same circle by Cramer's rule.
    double ax = x1, ay = y1, bx = x2, by = y2, cx = x3, cy = y3;
    double det = 2.0 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (det != 0.0) {
      double ux = (double(s1) * (by - cy) + double(s2) * (cy - ay) + double(s3) * (ay - by)) / det;
      double uy = (double(s1) * (cx - bx) + double(s2) * (ax - cx) + double(s3) * (bx - ax)) / det;
      c = {float(ux), float(uy)};
      radius = float(std::sqrt((ax - ux) * (ax - ux) + (ay - uy) * (ay - uy)));
    }
  }
  if (centre) *centre = c;
  return radius;
}

float ArcCircleFromRect(float x1, float y1, float x2, float y2, CFPoint* centre) {
  return CircleFromThreePoints(x1, y2, (x1 + x2) / 2.0f, y1, x2, y2, centre);
}

// ---- Drawing helpers ----

void DrawHandleSquare(plat::DC* dc, plat::LONG x, plat::LONG y, plat::LONG r) {
  if (!dc) return;
  dc->Rectangle(plat::MarkRect(plat::POINT{x, y}, r));
}

void DrawTransformedQuad(plat::DC* dc, float x0, float y0, float x1, float y1, float x2, float y2,
                         float x3, float y3, const CMatrix3& m) {
  if (!dc) return;
  CFPoint c[4] = {{x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}};
  plat::POINT p[4];
  for (int i = 0; i < 4; ++i) m.TransformPointToInt(c[i], &p[i]);
  dc->MoveTo(p[0]);
  dc->LineTo(p[1]);
  dc->LineTo(p[3]);
  dc->LineTo(p[2]);
  dc->LineTo(p[0]);
}

void DrawTransformedRect(plat::DC* dc, const CFRect& r, const CMatrix3& m) {
  if (!dc) return;
  CFPoint c[5] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom},
                  {r.left, r.top}};
  plat::POINT p[5];
  for (int i = 0; i < 5; ++i) m.TransformPointToInt(c[i], &p[i]);
  dc->Polygon(p, 5);
}
