#include "model/bezier.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/geomutil.h"
#include "platform/dc.h"

CBezierBasis BezierBasisTable;

namespace {

// Readers that run before the start-up fill (another file's static set-up) get
// the default table too.
const CBezierBasis& Basis() {
  if (BezierBasisTable.n == 0) FillBezierBasis(100);
  return BezierBasisTable;
}

struct BasisInit {
  BasisInit() { Basis(); }
} basisInit;

CFPoint Lerp(const CFPoint& a, const CFPoint& b, float t) {
  float u = 1.0f - t;
  return {a.x * u + b.x * t, a.y * u + b.y * t};
}

CFPoint Half(const CFPoint& a, const CFPoint& b) {
  return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
}

float Dist(const CFPoint& a, const CFPoint& b) { return PointDistance(a.x, a.y, b.x, b.y); }

plat::POINT ToDevice(const CFPoint& p) { return {TruncToLong(p.x), TruncToLong(p.y)}; }

// Beyond this the halves no longer shrink in f32 (or the points are not finite).
constexpr int kMaxFlattenDepth = 16;

}  // namespace

std::uint16_t FillBezierBasis(std::uint16_t n) {
  if (n == 0) n = 1;
  if (n > CBezierBasis::kMaxSteps) n = CBezierBasis::kMaxSteps;
  float step = 1.0f / float(n);
  for (int i = 0; i <= n; ++i) {
    float t = float(i) * step;
    float u = 1.0f - t;
    float* w = BezierBasisTable.w[i];
    w[0] = u * u * u;
    w[1] = 3.0f * t * u * u;
    w[2] = 3.0f * t * t * u;
    w[3] = t * t * t;
  }
  BezierBasisTable.n = n;
  return n;
}

// ---- CBezierSegment ----

CFPoint& CBezierSegment::PointAt(float t, CFPoint& out) const {
  float u = 1.0f - t;
  float w0 = u * u * u;
  float w1 = 3.0f * t * u * u;
  float w2 = 3.0f * t * t * u;
  float w3 = t * t * t;
  out.x = w0 * P0.x + w1 * P1.x + w2 * P2.x + w3 * P3.x;
  out.y = w0 * P0.y + w1 * P1.y + w2 * P2.y + w3 * P3.y;
  return out;
}

CFPoint CBezierSegment::TablePoint(int i) const {
  const float* w = Basis().w[std::clamp(i, 0, int(CBezierBasis::kMaxSteps))];
  return {w[0] * P0.x + w[1] * P1.x + w[2] * P2.x + w[3] * P3.x,
          w[0] * P0.y + w[1] * P1.y + w[2] * P2.y + w[3] * P3.y};
}

void CBezierSegment::SplitPoints(float t, CFPoint out[7]) const {
  CFPoint p01 = Lerp(P0, P1, t), p12 = Lerp(P1, P2, t), p23 = Lerp(P2, P3, t);
  CFPoint p012 = Lerp(p01, p12, t), p123 = Lerp(p12, p23, t);
  out[0] = P0;
  out[1] = p01;
  out[2] = p012;
  out[3] = Lerp(p012, p123, t);
  out[4] = p123;
  out[5] = p23;
  out[6] = P3;
}

void CBezierSegment::Split(float t, CFPoint first[4], CFPoint second[4]) const {
  CFPoint s[7];
  SplitPoints(t, s);
  for (int i = 0; i < 4; ++i) {
    first[i] = s[i];
    second[i] = s[i + 3];
  }
}

void CBezierSegment::Split(float t, CBezierSegment& first, CBezierSegment& second) const {
  CFPoint a[4], b[4];
  Split(t, a, b);
  first = {a[0], a[1], a[2], a[3], {}};
  second = {b[0], b[1], b[2], b[3], {}};
}

void CBezierSegment::Bisect(CFPoint first[4], CFPoint second[4]) const {
  CFPoint p01 = Half(P0, P1), p12 = Half(P1, P2), p23 = Half(P2, P3);
  CFPoint p012 = Half(p01, p12), p123 = Half(p12, p23);
  CFPoint mid = Half(p012, p123);
  first[0] = P0, first[1] = p01, first[2] = p012, first[3] = mid;
  second[0] = mid, second[1] = p123, second[2] = p23, second[3] = P3;
}

void CBezierSegment::Bisect(CBezierSegment& first, CBezierSegment& second) const {
  CFPoint a[4], b[4];
  Bisect(a, b);
  first = {a[0], a[1], a[2], a[3], {}};
  second = {b[0], b[1], b[2], b[3], {}};
}

float CBezierSegment::IsFlatEnough() const {
  if (P0 == P3) return 0.0f;
  float dx = P3.x - P0.x;
  float dy = P3.y - P0.y;
  float len2 = dx * dx + dy * dy;
  float c1 = (P1.x - P0.x) * dy - (P1.y - P0.y) * dx;
  float c2 = (P2.x - P0.x) * dy - (P2.y - P0.y) * dx;
  return std::max(c1 * c1 / len2, c2 * c2 / len2);
}

void CBezierSegment::DrawFlattened(plat::DC* dc, float tolerance) const {
  if (!dc) return;
  DrawFlattenedDepth(dc, tolerance, 0);
}

void CBezierSegment::DrawFlattenedDepth(plat::DC* dc, float tolerance, int depth) const {
  if (depth >= kMaxFlattenDepth || !(IsFlatEnough() > tolerance)) {
    dc->LineTo(ToDevice(P3));
    return;
  }
  CBezierSegment a, b;
  Bisect(a, b);
  a.DrawFlattenedDepth(dc, tolerance, depth + 1);
  b.DrawFlattenedDepth(dc, tolerance, depth + 1);
}

void CBezierSegment::DrawPolyBezier(plat::DC* dc, float /*tolerance*/) const {
  if (!dc) return;
  const plat::POINT pts[4] = {ToDevice(P0), ToDevice(P1), ToDevice(P2), ToDevice(P3)};
  dc->PolyBezier(pts, 4);
}

void CBezierSegment::ComputeBox() {
  box.left = std::min({P0.x, P1.x, P2.x, P3.x});
  box.top = std::min({P0.y, P1.y, P2.y, P3.y});
  box.right = std::max({P0.x, P1.x, P2.x, P3.x});
  box.bottom = std::max({P0.y, P1.y, P2.y, P3.y});
}

float CBezierSegment::NearestParameter(float x, float y, float t0, float t1) const {
  auto dist2 = [&](float t) {
    CFPoint p;
    PointAt(t, p);
    float dx = p.x - x;
    float dy = p.y - y;
    return TruncToLong(dx * dx + dy * dy);
  };
  // Each round halves the interval; the bound only matters for NaN input.
  for (int round = 0; round < 64; ++round) {
    float mid = (t0 + t1) / 2.0f;
    if (t1 - t0 < 0.01f) return mid;
    plat::LONG d0 = dist2(t0), dm = dist2(mid), d1 = dist2(t1);
    if (d0 < dm || (dm <= d1 && d0 < d1)) {
      t1 = mid;
    } else {
      t0 = mid;
    }
  }
  return (t0 + t1) / 2.0f;
}

float CBezierSegment::HitTest(CFPoint& pt, float tolerance) {
  ComputeBox();
  if (!PointInFRect(pt.x, pt.y, box.left - tolerance, box.top - tolerance, box.right + tolerance,
                    box.bottom + tolerance))
    return -1.0f;
  const int n = Basis().n;
  int stride = n >= 20 ? n / 20 : n;
  if (stride < 1) stride = 1;
  float span = float(stride) / float(n);
  CFPoint prev = P0;
  float r = -1.0f;
  int i = stride;
  for (; i <= n; i += stride) {
    CFPoint s = TablePoint(i);
    if (!(s == prev)) {
      r = HitTestSegment(prev.x, prev.y, s.x, s.y, pt, tolerance);
      if (r >= 0.0f) break;
    }
    prev = s;
  }
  if (!(r >= 0.0f)) return -1.0f;
  float t = float(i) / float(n) - (1.0f - r) * span;
  // Refine near the chord, but never outside the curve's own parameters.
  float lo = std::max(t - 0.05f, 0.0f);
  float hi = std::min(t + 0.05f, 1.0f);
  float tn = std::clamp(NearestParameter(pt.x, pt.y, lo, hi), 0.0f, 1.0f);
  PointAt(tn, pt);
  return tn;
}

void CBezierSegment::SubSegment(float t0, float t1, CFPoint out[4]) const {
  if (t0 > t1) std::swap(t0, t1);
  if (t0 >= 1.0f) {
    out[0] = out[1] = out[2] = out[3] = P3;
    return;
  }
  CFPoint head[4], tail[4];
  Split(t0, head, tail);
  CBezierSegment rest{tail[0], tail[1], tail[2], tail[3], {}};
  float u = (t1 - t0) / (1.0f - t0);
  CFPoint second[4];
  rest.Split(u, out, second);
}

int CBezierSegment::ClipToRect(float left, float top, float right, float bottom,
                               std::vector<CFPoint>& out) {
  out.clear();
  ComputeBox();
  if (!IntersectFRects(nullptr, left, top, right, bottom, box.left, box.top, box.right,
                       box.bottom))
    return 0;
  // 0, 1 and up to four crossings of each of the four edges.
  constexpr int kSlots = 2 + 4 * 4;
  float params[kSlots];
  params[0] = 0.0f;
  params[1] = 1.0f;
  for (int i = 2; i < kSlots; ++i) params[i] = 10.0f;
  auto cross = [&](float a, float b, float edge) {
    float roots[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    int found = BezierLineRoots(a, b, edge, *this, roots, 4);
    for (int j = 0; j < found; ++j) InsertSortedFloat(params, roots[j], kSlots);
  };
  if (box.left < left && left < box.right) cross(1.0f, 0.0f, left);
  if (box.left < right && right < box.right) cross(1.0f, 0.0f, right);
  if (box.top < top && top < box.bottom) cross(0.0f, 1.0f, top);
  if (box.top < bottom && bottom < box.bottom) cross(0.0f, 1.0f, bottom);
  CFRect clip(left, top, right, bottom);
  clip.Normalize();
  for (int i = 0; i + 1 < kSlots && params[i + 1] < 10.0f; ++i) {
    CFPoint mid;
    PointAt((params[i] + params[i + 1]) / 2.0f, mid);
    if (PointInFRect(mid.x, mid.y, clip.left, clip.top, clip.right, clip.bottom)) {
      CFPoint piece[4];
      SubSegment(params[i], params[i + 1], piece);
      out.insert(out.end(), piece, piece + 4);
    }
  }
  out.push_back({kClipEnd, kClipEnd});
  return 1;
}

// ---- Free routines ----

float BezierLength(const CBezierSegment& seg, std::uint16_t k) {
  const int n = Basis().n;
  int stride = n / std::max<int>(k, 1);
  if (stride < 1) stride = 1;
  CFPoint prev = seg.P0;
  float length = 0.0f;
  for (int i = 0; i < n; i += stride) {
    CFPoint p = seg.TablePoint(i);
    length += Dist(prev, p);
    prev = p;
  }
  length += Dist(prev, seg.P3);
  return length;
}

void BezierPointAtLength(const CBezierSegment& seg, CFPoint& out, float distance, float total,
                         std::uint16_t k) {
  if (total == 0.0f) return;
  float f = distance / total;
  out = {0.0f, 0.0f};
  if (f < 0.0f || f > 1.0f) return;
  if (f == 0.0f) {
    out = seg.P0;
    return;
  }
  if (f == 1.0f) {
    out = seg.P3;
    return;
  }
  const int n = Basis().n;
  int stride = n / std::max<int>(k, 1);
  if (stride < 1) stride = 1;
  CFPoint prev = seg.P0;
  float run = 0.0f;
  for (int i = stride; run < distance && i < n; i += stride) {
    CFPoint p = seg.TablePoint(i);
    run += Dist(prev, p);
    prev = p;
  }
  out = prev;
}

float HitTestSegment(float x1, float y1, float x2, float y2, CFPoint& pt, float tolerance) {
  if (pt.x < std::min(x1, x2) - tolerance || pt.x > std::max(x1, x2) + tolerance ||
      pt.y < std::min(y1, y2) - tolerance || pt.y > std::max(y1, y2) + tolerance)
    return -1.0f;
  if (x1 == x2 && y1 == y2) {
    // No direction to measure along: the segment is a point.
    if (!(PointDistance(pt.x, pt.y, x1, y1) < tolerance)) return -1.0f;
    pt = {x1, y1};
    return 0.0f;
  }
  float d = PointLineDistance(x1, y1, x2, y2, pt.x, pt.y);
  if (!(d < tolerance)) return -1.0f;
  float len = PointDistance(x1, y1, x2, y2);
  if (x1 == x2) {
    pt.x = x1;
  } else if (y1 == y2) {
    pt.y = y1;
  }
  float along = PointDistance(x1, y1, pt.x, pt.y);
  if (x1 != x2 && y1 != y2) {
    float m = (y2 - y1) / (x2 - x1);
    if (std::fabs(m) <= 1.0f) {
      pt.y = (pt.x - x1) * m + y1;
    } else {
      pt.x = (pt.y - y1) / m + x1;
    }
  }
  return along / len;
}

int BezierLineRoots(float a, float b, float c, const CBezierSegment& seg, float* out,
                    int slots) {
  double p0 = double(a) * seg.P0.x + double(b) * seg.P0.y;
  double p1 = double(a) * seg.P1.x + double(b) * seg.P1.y;
  double p2 = double(a) * seg.P2.x + double(b) * seg.P2.y;
  double p3 = double(a) * seg.P3.x + double(b) * seg.P3.y;
  const double A = 3.0 * (p1 - p2) + p3 - p0;
  const double B = 3.0 * (p0 - 2.0 * p1 + p2);
  const double C = 3.0 * (p1 - p0);
  const double D = p0 - double(c);
  auto f = [&](double t) { return ((A * t + B) * t + C) * t + D; };
  int found = 0;
  double t0 = 0.0;
  double f0 = f(t0);
  for (;;) {
    double t1 = std::min(t0 + 0.0001, 1.0);
    double f1 = f(t1);
    if (f0 * f1 < 0.0 && found < slots) {
      double lo = t0, hi = t1, flo = f0, mid;
      for (;;) {
        mid = (lo + hi) / 2.0;
        double fm = f(mid);
        if (std::fabs(fm) < 1e-7 || std::fabs(hi - mid) <= 1e-7) break;
        if (flo * fm < 0.0) {
          hi = mid;
        } else {
          lo = mid;
          flo = fm;
        }
      }
      out[found++] = float(mid);
    }
    if (t1 >= 1.0) break;
    t0 = t1;
    f0 = f1;
  }
  return found;
}

void InsertSortedFloat(float* arr, float value, int slots) {
  int i = 0;
  while (i < slots && !(arr[i] >= value)) ++i;
  if (i >= slots) return;
  for (int j = slots - 1; j > i; --j) arr[j] = arr[j - 1];
  arr[i] = value;
}

namespace {

float Direction(const CFPoint& from, const CFPoint& to) {
  return float(std::atan2(double(to.y - from.y), double(to.x - from.x)));
}

float FoldAngle(float d) {
  float a = std::fabs(d);
  return std::min(a, 6.2831852f - a);
}

}  // namespace

std::string FlattenBezierToText(const CBezierSegment& seg, int depth) {
  if (seg.P0 == seg.P3 && seg.P1 == seg.P3 && seg.P2 == seg.P3) return {};
  float dmax = std::max(PointLineDistance(seg.P0.x, seg.P0.y, seg.P3.x, seg.P3.y, seg.P1.x,
                                          seg.P1.y),
                        PointLineDistance(seg.P0.x, seg.P0.y, seg.P3.x, seg.P3.y, seg.P2.x,
                                          seg.P2.y));
  if (depth < 11 && dmax > 1.0f) {
    float chord = Direction(seg.P0, seg.P3);
    float e1 = FoldAngle(chord - Direction(seg.P0, seg.P1));
    float e2 = FoldAngle(chord - Direction(seg.P2, seg.P3));
    float t = 0.5f;
    if (std::fabs(e1 - e2) >= 0.0174533f) t = e1 <= e2 ? 0.6666f : 0.3333f;
    CBezierSegment first, second;
    seg.Split(t, first, second);
    std::string a = FlattenBezierToText(first, depth + 1);
    std::string b = FlattenBezierToText(second, depth + 1);
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + "," + b;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld,%ld", long(TruncToLong(seg.P3.x)),
                long(TruncToLong(seg.P3.y)));
  return buf;
}
