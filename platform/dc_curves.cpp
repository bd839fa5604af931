// Curves: Bezier sampling, thin pixel chains, ellipse and arc outlines, and
// the curve and rounded-shape calls.
#include "platform/dc_impl.h"

namespace plat {

bool DcImpl::CurveHidden(DC& dc, const P64& start, const POINT* pts, int count) {
  if (Building(dc)) return false;
  const bool pen = !PenNull(dc);
  if (pen && dc.pen_->width() <= 1 && dc.pen_->style() >= PS_DASH &&
      dc.pen_->style() <= PS_DASHDOTDOT)
    return false;
  std::int64_t x0 = start.x, x1 = start.x, y0 = start.y, y1 = start.y;
  for (int i = 0; i < count; ++i) {
    const P64 p = Dev(dc, pts[i].x, pts[i].y);
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  const std::int64_t far = std::max(std::max(-x0, x1), std::max(-y0, y1));
  const std::int64_t m = 2 + (pen ? std::int64_t(std::ceil(PenWidth(dc))) : 0) + (far >> 20);
  const Box box = ClipBox(dc);
  return box.empty() || x1 + m < box.x0 || x0 - m >= box.x1 || y1 + m < box.y0 ||
         y0 - m >= box.y1;
}

void DcImpl::BezierPoints(const PointF& p0, const PointF& p1, const PointF& p2, const PointF& p3,
                          std::vector<PointF>& out) {
  auto dist = [](const PointF& a, const PointF& b) {
    return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
  };
  const double len = dist(p0, p1) + dist(p1, p2) + dist(p2, p3);
  const int m = std::isfinite(len) ? int(std::clamp(len / 2.0 + 1.0, 1.0, 1024.0)) : 1;
  for (int i = 1; i < m; ++i) {
    const double t = double(i) / m, u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    out.push_back({float(b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x),
                   float(b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y)});
  }
  out.push_back(p3);
}

std::int64_t DcImpl::RoundHalfAway(float v) {
  const double d = v;
  if (!(std::fabs(d) < 4503599627370496.0)) return std::int64_t(std::llround(d));
  return std::int64_t(d + (d >= 0 ? 0.5 : -0.5));
}

void DcImpl::RoundInto(const std::vector<PointF>& pts, std::vector<P64>& r) {
  r.clear();
  r.reserve(pts.size());
  for (const PointF& p : pts) {
    const P64 q{RoundHalfAway(p.x), RoundHalfAway(p.y)};
    if (r.empty() || r.back().x != q.x || r.back().y != q.y) r.push_back(q);
  }
}

std::vector<P64> DcImpl::Round(const std::vector<PointF>& pts) {
  std::vector<P64> r;
  RoundInto(pts, r);
  return r;
}

std::vector<P64> DcImpl::ThinChain(const std::vector<P64>& v, bool closed) {
  std::vector<P64> chain, out;
  ThinChainInto(v, closed, chain, out);
  return out;
}

void DcImpl::ThinChainInto(const std::vector<P64>& v, bool closed, std::vector<P64>& chain, std::vector<P64>& out) {
  out.clear();
  if (v.size() < (closed ? 3u : 2u)) {
    out = v;
    return;
  }
  const std::size_t m = v.size(), segs = closed ? m : m - 1;
  auto after = [&](std::size_t i) -> const P64& { return v[i + 1 == m ? 0 : i + 1]; };
  std::int64_t total = 0;
  for (std::size_t i = 0; i < segs; ++i) total += raster::LineSteps(v[i].x, v[i].y, after(i).x, after(i).y);
  if (total > (std::int64_t(1) << 16)) {
    out = v;
    return;
  }
  chain.clear();
  chain.reserve(std::size_t(total) + 1);
  for (std::size_t i = 0; i < segs; ++i) {
    const P64 a = v[i], b = after(i);
    raster::RasterLine(a.x, a.y, b.x, b.y, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX,
                       [&](LONG x, LONG y, std::int64_t) { chain.push_back({x, y}); });
  }
  if (!closed) chain.push_back(v.back());
  auto touch = [](const P64& a, const P64& b) {
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
  };
  const std::size_t n = chain.size();
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!closed && (i == 0 || i + 1 == n)) {
      out.push_back(chain[i]);
      continue;
    }
    const P64& prev = out.empty() ? chain[n - 1] : out.back();
    const P64& next = chain[i + 1 == n ? 0 : i + 1];
    if (n > 4 && touch(prev, next) && !(prev.x == next.x && prev.y == next.y)) continue;
    out.push_back(chain[i]);
  }
  if (out.size() < (closed ? 3u : 2u)) out = v;
}

std::vector<P64> DcImpl::ThinChainNear(const std::vector<P64>& v, const Box& near) {
  if (v.size() < 2) return v;
  {
    std::int64_t x0 = v[0].x, y0 = v[0].y, x1 = x0, y1 = y0;
    for (const P64& p : v) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x);
      y1 = std::max(y1, p.y);
    }
    // Wholly outside: the chord, which stays within the points' box.
    if (x1 < near.x0 || x0 >= near.x1 || y1 < near.y0 || y0 >= near.y1) return {v.front(), v.back()};
    if (x0 >= near.x0 && x1 < near.x1 && y0 >= near.y0 && y1 < near.y1) return ThinChain(v, false);
  }
  const std::size_t segs = v.size() - 1;
  std::vector<std::int64_t> off(segs + 1, 0);
  std::vector<char> isNear(segs, 0);
  bool anyFar = false;
  for (std::size_t k = 0; k < segs; ++k) {
    const P64 a = v[k], b = v[k + 1];
    off[k + 1] = off[k] + raster::LineSteps(a.x, a.y, b.x, b.y);
    isNear[k] = std::max(a.x, b.x) >= near.x0 && std::min(a.x, b.x) < near.x1 &&
                std::max(a.y, b.y) >= near.y0 && std::min(a.y, b.y) < near.y1;
    anyFar = anyFar || !isNear[k];
  }
  const std::int64_t total = segs ? off[segs] : 0;
  if (!anyFar || total > (std::int64_t(1) << 16)) return ThinChain(v, false);
  if (std::find(isNear.begin(), isNear.end(), 1) == isNear.end()) return v;
  const std::int64_t n = total + 1;  // chain pixels, the last point included
  auto touch = [](const P64& a, const P64& b) {
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
  };
  auto same = [](const P64& a, const P64& b) { return a.x == b.x && a.y == b.y; };
  // Chain pixels [from, to] (to <= total) of whole pieces, and the index of
  // the first one held.
  std::vector<P64> px;
  std::int64_t base = 0;
  auto segOf = [&](std::int64_t i) {
    return std::size_t(std::upper_bound(off.begin(), off.end(), i) - off.begin()) - 1;
  };
  auto hold = [&](std::int64_t from, std::int64_t to) {
    px.clear();
    const std::size_t k0 = std::min(segOf(from), segs - 1);
    base = off[k0];
    for (std::size_t k = k0; k < segs && off[k] <= to; ++k)
      raster::RasterLine(v[k].x, v[k].y, v[k + 1].x, v[k + 1].y, INT32_MIN, INT32_MIN, INT32_MAX,
                         INT32_MAX, [&](LONG x, LONG y, std::int64_t) { px.push_back({x, y}); });
    if (base + std::int64_t(px.size()) == total) px.push_back(v.back());
  };
  auto at = [&](std::int64_t i) -> const P64& { return px[std::size_t(i - base)]; };
  std::vector<P64> out{v[0]};
  // Decides pixels [from, to) as ThinChain does, out.back() being the last
  // kept before them; the pixel `to` must be held.
  auto walk = [&](std::int64_t from, std::int64_t to) {
    for (std::int64_t i = from; i < to; ++i) {
      if (i == 0) continue;  // v[0], kept
      const P64& prev = out.back();
      const P64& next = at(i + 1);
      if (n > 4 && touch(prev, next) && !same(prev, next)) continue;
      out.push_back(at(i));
    }
  };
  // Whether pixel q is kept whatever was kept before it: the last pixel
  // kept is within one of every pixel after it up to q (each dropped one
  // was, by the rule), so only pixels from where the chain before q spans
  // three can be it; none of them may drop q.
  auto kept = [&](std::int64_t q) {
    if (q == 0 || q + 1 >= n || n <= 4) return true;
    // The box of at(j + 1 .. q).
    std::int64_t minx = at(q).x, maxx = minx, miny = at(q).y, maxy = miny;
    for (std::int64_t j = q - 1;; --j) {
      if (j < base) return base == 0;  // no pixel before the chain's first
      if (q - j > 64) return false;
      const P64& c = at(j);
      const bool holds = std::abs(c.x - minx) <= 1 && std::abs(c.x - maxx) <= 1 &&
                         std::abs(c.y - miny) <= 1 && std::abs(c.y - maxy) <= 1;
      if (holds && touch(c, at(q + 1)) && !same(c, at(q + 1))) return false;
      minx = std::min(minx, c.x);
      maxx = std::max(maxx, c.x);
      miny = std::min(miny, c.y);
      maxy = std::max(maxy, c.y);
      if (maxx - minx >= 3 || maxy - miny >= 3) return true;
    }
  };
  std::int64_t next = 1;  // the first pixel not decided
  std::size_t k = 0;
  while (k < segs) {
    if (!isNear[k]) {
      ++k;
      continue;
    }
    const std::size_t s = k;
    while (k < segs && isNear[k]) ++k;
    const std::int64_t from = off[s], to = off[k];
    // A pixel kept for sure shortly before the stretch; else the walk goes
    // on from where it was.
    std::int64_t sync = -1;
    for (std::int64_t reach = 16; sync < 0 && from - reach > next; reach *= 4) {
      hold(std::max(next, from - reach), from + 1);
      for (std::int64_t q = from; q > base + 2 && q >= next && sync < 0; --q)
        if (kept(q)) sync = q;
    }
    if (sync < 0) {
      hold(next, to);
      walk(next, to);
    } else {
      // The pieces' own points up to the sync, which was kept.
      for (std::size_t j = segOf(next) + 1; j < segs && off[j] < sync; ++j)
        if (!same(out.back(), v[j])) out.push_back(v[j]);
      hold(sync, to);
      out.push_back(at(sync));
      walk(sync + 1, to);
    }
    next = to;
  }
  if (next < total) {
    for (std::size_t j = segOf(next) + 1; j < segs; ++j)
      if (!same(out.back(), v[j])) out.push_back(v[j]);
    if (!same(out.back(), v.back())) out.push_back(v.back());
  } else {
    out.push_back(v.back());
  }
  return out;
}

std::vector<P64> DcImpl::EllipseOutline(std::int64_t l, std::int64_t t, std::int64_t r,
                                        std::int64_t b) {
  const double rx = double(r - l - 1) / 2.0, ry = double(b - t - 1) / 2.0;
  const double cx = double(l) + rx, cy = double(t) + ry;
  std::vector<P64> q;  // first quarter, from the right end up to the top
  if (rx + ry <= 32768) {
    // the pixels nearest to the curve, sampled by columns and by rows
    auto rnd = [](double v) { return std::int64_t(std::floor(v + 0.5)); };
    for (std::int64_t X = std::int64_t(std::ceil(cx)); X <= std::int64_t(std::floor(cx + rx)); ++X) {
      const double u = rx > 0 ? (double(X) - cx) / rx : 0;
      q.push_back({X, rnd(cy - ry * std::sqrt(std::max(0.0, 1 - u * u)))});
    }
    for (std::int64_t Y = std::int64_t(std::ceil(cy)); Y <= std::int64_t(std::floor(cy + ry)); ++Y) {
      const double v = ry > 0 ? (double(Y) - cy) / ry : 0;
      // row below the centre mirrored to the top half
      q.push_back({rnd(cx + rx * std::sqrt(std::max(0.0, 1 - v * v))), (t + b - 1) - Y});
    }
    std::sort(q.begin(), q.end(), [](const P64& a, const P64& b) {
      return a.x != b.x ? a.x > b.x : a.y > b.y;
    });
    q.erase(std::unique(q.begin(), q.end(),
                        [](const P64& a, const P64& b) { return a.x == b.x && a.y == b.y; }),
            q.end());
  } else {
    const int k = 1024;
    for (int i = 0; i <= k; ++i) {
      const double a = M_PI / 2 * i / k;
      const P64 p{std::int64_t(std::floor(cx + rx * std::cos(a) + 0.5)),
                  std::int64_t(std::floor(cy - ry * std::sin(a) + 0.5))};
      if (q.empty() || q.back().x != p.x || q.back().y != p.y) q.push_back(p);
    }
  }
  const std::int64_t sx = l + r - 1, sy = t + b - 1;
  std::vector<P64> out;
  auto push = [&](P64 p) {
    if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
  };
  for (const P64& p : q) push(p);                                        // right -> top
  for (auto it = q.rbegin(); it != q.rend(); ++it) push({sx - it->x, it->y});  // top -> left
  for (const P64& p : q) push({sx - p.x, sy - p.y});                     // left -> bottom
  for (auto it = q.rbegin(); it != q.rend(); ++it) push({it->x, sy - it->y});  // bottom -> right
  if (out.size() > 1 && out.front().x == out.back().x && out.front().y == out.back().y)
    out.pop_back();
  return ThinChain(out);
}

std::vector<PointF> DcImpl::ArcPoints(std::int64_t l, std::int64_t t, std::int64_t r,
                                      std::int64_t b, P64 s, P64 e) {
  const double rx = double(r - l - 1) / 2.0, ry = double(b - t - 1) / 2.0;
  const double cx = double(l) + rx, cy = double(t) + ry;
  double a0 = std::atan2(-(double(s.y) - cy) * (rx > 0 ? rx : 1),
                         (double(s.x) - cx) * (ry > 0 ? ry : 1));
  double a1 = std::atan2(-(double(e.y) - cy) * (rx > 0 ? rx : 1),
                         (double(e.x) - cx) * (ry > 0 ? ry : 1));
  if (a1 <= a0) a1 += 2 * M_PI;
  const double sweep = a1 - a0;
  const int k = std::clamp(int((rx + ry) * sweep * 0.8) + 2, 2, 4096);
  std::vector<PointF> out;
  for (int i = 0; i <= k; ++i) {
    const double a = a0 + sweep * i / k;
    out.push_back({float(cx + rx * std::cos(a)), float(cy - ry * std::sin(a))});
  }
  return out;
}

void DcImpl::Normalize(std::int64_t& l, std::int64_t& t, std::int64_t& r, std::int64_t& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  l = ClampCoord(l);
  t = ClampCoord(t);
  r = ClampCoord(r);
  b = ClampCoord(b);
}

bool DcImpl::ShapeBox(const DC& dc, LONG l, LONG t, LONG r, LONG b, P64& a, P64& c) {
  a = Dev(dc, l, t);
  c = Dev(dc, r, b);
  Normalize(a.x, a.y, c.x, c.y);
  return c.x - a.x >= 1 && c.y - a.y >= 1;
}

namespace {
// Logical points in device units.
std::vector<P64> DevicePoints(const DC& dc, const POINT* pts, int count) {
  std::vector<P64> out;
  out.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) out.push_back(DcImpl::Dev(dc, pts[i].x, pts[i].y));
  return out;
}

// The curve through the pieces as one thin chain, starting with `start` and
// ending on the last point exactly.
std::vector<P64> BezierChain(const P64& start, const std::vector<P64>& pts, const Box* near) {
  std::vector<P64> out{start};
  for (std::size_t i = 0; i + 2 < pts.size(); i += 3) {
    const std::vector<P64> c =
        DcImpl::PieceChainOf(DcImpl::PieceSamples(out.back(), pts[i], pts[i + 1], pts[i + 2]), near);
    out.insert(out.end(), c.begin() + 1, c.end());
  }
  return out;
}
}  // namespace

BOOL DC::PolyBezier(const POINT* pts, int count) {
  if (pts == nullptr || count < 1 || (count - 1) % 3 != 0) return 0;
  if (recording_) DcImpl::Record(*this, "PolyBezier", DcImpl::Pts(pts, count));
  const P64 start = DcImpl::Dev(*this, pts[0].x, pts[0].y);
  if (DcImpl::CurveHidden(*this, start, pts + 1, count - 1)) {
    styleState_ = 0;
    return 1;
  }
  if (DcImpl::Building(*this)) {
    DcImpl::PathMove(*this, start);
    DcImpl::PathCurve(*this, start, pts + 1, count - 1);
    return 1;
  }
  styleState_ = 0;
  Box near;
  DcImpl::DrawOpen(*this, BezierChain(start, DevicePoints(*this, pts + 1, count - 1),
                                      DcImpl::NearBox(*this, true, near) ? &near : nullptr));
  return 1;
}

BOOL DC::PolyBezierTo(const POINT* pts, int count) {
  if (pts == nullptr || count < 3 || count % 3 != 0) return 0;
  if (recording_) DcImpl::Record(*this, "PolyBezierTo", DcImpl::Pts(pts, count));
  const P64 start = DcImpl::Dev(*this, cur_.x, cur_.y);
  if (DcImpl::CurveHidden(*this, start, pts, count)) {
    cur_ = pts[count - 1];
    return 1;
  }
  if (DcImpl::Building(*this)) {
    DcImpl::PathCurve(*this, start, pts, count);
  } else {
    Box near;
    DcImpl::DrawOpen(*this, BezierChain(start, DevicePoints(*this, pts, count),
                                        DcImpl::NearBox(*this, true, near) ? &near : nullptr));
  }
  cur_ = pts[count - 1];
  return 1;
}

BOOL DC::Arc(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Arc", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  const std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  styleState_ = 0;
  DcImpl::DrawOpen(*this, DcImpl::ThinChain(DcImpl::Round(f), false));
  return 1;
}

BOOL DC::RoundRect(LONG l, LONG t, LONG r, LONG b, LONG w, LONG h) {
  DcImpl::Record(*this, "RoundRect", {{l, t}, {r, b}, {w, h}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  const double ew = std::min<double>(std::abs(double(w)), double(c.x - a.x));
  const double eh = std::min<double>(std::abs(double(h)), double(c.y - a.y));
  const double rx = std::max(0.0, (ew - 1) / 2.0), ry = std::max(0.0, (eh - 1) / 2.0);
  const double L = double(a.x), T = double(a.y), R = double(c.x - 1), B = double(c.y - 1);
  std::vector<PointF> f;
  const int k = std::clamp(int((rx + ry) * 1.6) + 2, 2, 1024);
  auto corner = [&](double cx, double cy, double a0) {
    for (int i = 0; i <= k; ++i) {
      const double an = a0 + M_PI / 2 * i / k;
      f.push_back({float(cx + rx * std::cos(an)), float(cy - ry * std::sin(an))});
    }
  };
  corner(R - rx, T + ry, 0);
  corner(L + rx, T + ry, M_PI / 2);
  corner(L + rx, B - ry, M_PI);
  corner(R - rx, B - ry, 3 * M_PI / 2);
  std::vector<P64> o = DcImpl::Round(f);
  if (o.size() > 1 && o.front().x == o.back().x && o.front().y == o.back().y) o.pop_back();
  o = DcImpl::ThinChain(o);
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

BOOL DC::Ellipse(LONG l, LONG t, LONG r, LONG b) {
  DcImpl::Record(*this, "Ellipse", {{l, t}, {r, b}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  const std::vector<P64> o = DcImpl::EllipseOutline(a.x, a.y, c.x, c.y);
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

BOOL DC::Pie(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Pie", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  f.push_back({float(double(a.x + c.x - 1) / 2.0), float(double(a.y + c.y - 1) / 2.0)});
  styleState_ = 0;
  DcImpl::DrawClosed(*this, DcImpl::ThinChain(DcImpl::Round(f)));
  return 1;
}

BOOL DC::Chord(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Chord", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  const std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  styleState_ = 0;
  DcImpl::DrawClosed(*this, DcImpl::ThinChain(DcImpl::Round(f)));
  return 1;
}

}  // namespace plat
