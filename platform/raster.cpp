#include "platform/raster.h"

#include <array>
#include <utility>

namespace plat::raster {

namespace {

template <int T>
void SpanImpl(std::uint32_t* d, std::int64_t n, std::uint32_t p) {
  if constexpr (T == R2_COPYPEN - 1) {
    std::fill(d, d + n, p);
  } else if constexpr (T == R2_NOP - 1) {
    (void)d;
    (void)n;
    (void)p;
  } else {
    for (std::int64_t i = 0; i < n; ++i) d[i] = Rop2<T>(p, d[i]);
  }
}

template <std::size_t... I>
constexpr auto MakeSpanTable(std::index_sequence<I...>) {
  return std::array<SpanFn, sizeof...(I)>{&SpanImpl<int(I)>...};
}
constexpr auto kSpanTable = MakeSpanTable(std::make_index_sequence<16>{});

}  // namespace

SpanFn SpanFor(int rop2) {
  if (rop2 < 1 || rop2 > 16) rop2 = R2_COPYPEN;
  return kSpanTable[std::size_t(rop2 - 1)];
}

void RunSet::Normalize() {
  if (!pix_.empty()) {
    std::sort(pix_.begin(), pix_.end());
    pix_.erase(std::unique(pix_.begin(), pix_.end()), pix_.end());
    for (std::size_t i = 0; i < pix_.size();) {
      const LONG y = LONG(pix_[i] >> 32);
      const LONG x = LONG(std::uint32_t(pix_[i] & 0xFFFFFFFF));
      std::size_t j = i + 1;
      LONG e = x + 1;
      while (j < pix_.size() && LONG(pix_[j] >> 32) == y &&
             LONG(std::uint32_t(pix_[j] & 0xFFFFFFFF)) == e) {
        ++e;
        ++j;
      }
      runs_.push_back({y, x, e});
      i = j;
    }
    pix_.clear();
    pix_.shrink_to_fit();
  }
  std::sort(runs_.begin(), runs_.end(), [](const Run& a, const Run& b) {
    return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
  });
  std::vector<Run> merged;
  merged.reserve(runs_.size());
  for (const Run& r : runs_) {
    if (!merged.empty() && merged.back().y == r.y && r.x0 <= merged.back().x1)
      merged.back().x1 = std::max(merged.back().x1, r.x1);
    else
      merged.push_back(r);
  }
  runs_ = std::move(merged);
}

void RunSet::Subtract(const RunSet& other) {
  const std::vector<Run>& o = other.runs_;
  if (o.empty() || runs_.empty()) return;
  std::vector<Run> out;
  out.reserve(runs_.size());
  std::size_t j = 0;
  for (const Run& r : runs_) {
    while (j < o.size() && (o[j].y < r.y || (o[j].y == r.y && o[j].x1 <= r.x0))) ++j;
    LONG x = r.x0;
    std::size_t k = j;
    while (k < o.size() && o[k].y == r.y && o[k].x0 < r.x1) {
      if (o[k].x0 > x) out.push_back({r.y, x, o[k].x0});
      x = std::max(x, o[k].x1);
      ++k;
    }
    if (x < r.x1) out.push_back({r.y, x, r.x1});
  }
  runs_ = std::move(out);
}

namespace detail {

// Sutherland-Hodgman against an axis-aligned box, in double precision.
void ClipPolygon(const PointF* in, int n, double gx0, double gy0, double gx1, double gy1,
                 std::vector<PointF>& out) {
  struct P {
    double x, y;
  };
  std::vector<P> a, b;
  a.reserve(std::size_t(n) + 8);
  for (int i = 0; i < n; ++i) {
    double x = in[i].x, y = in[i].y;
    if (!std::isfinite(x)) x = 0;
    if (!std::isfinite(y)) y = 0;
    a.push_back({x, y});
  }
  auto clip = [&](auto inside, auto cross) {
    b.clear();
    const std::size_t m = a.size();
    for (std::size_t i = 0; i < m; ++i) {
      const P& s = a[i];
      const P& e = a[(i + 1) % m];
      const bool si = inside(s), ei = inside(e);
      if (si) b.push_back(s);
      if (si != ei) b.push_back(cross(s, e));
    }
    std::swap(a, b);
  };
  auto lerpX = [](const P& s, const P& e, double x) {
    const double t = (x - s.x) / (e.x - s.x);
    return P{x, s.y + (e.y - s.y) * t};
  };
  auto lerpY = [](const P& s, const P& e, double y) {
    const double t = (y - s.y) / (e.y - s.y);
    return P{s.x + (e.x - s.x) * t, y};
  };
  clip([&](const P& p) { return p.x >= gx0; }, [&](const P& s, const P& e) { return lerpX(s, e, gx0); });
  if (!a.empty())
    clip([&](const P& p) { return p.x <= gx1; }, [&](const P& s, const P& e) { return lerpX(s, e, gx1); });
  if (!a.empty())
    clip([&](const P& p) { return p.y >= gy0; }, [&](const P& s, const P& e) { return lerpY(s, e, gy0); });
  if (!a.empty())
    clip([&](const P& p) { return p.y <= gy1; }, [&](const P& s, const P& e) { return lerpY(s, e, gy1); });
  out.clear();
  for (const P& p : a) out.push_back({float(p.x), float(p.y)});
}

}  // namespace detail

std::int64_t LineSteps(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
  const std::int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
  const std::int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
  return dx > dy ? dx : dy;
}

}  // namespace plat::raster
