#include "platform/raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace plat::raster {

namespace {

template <int T>
void SpanImpl(std::uint32_t* d, std::int64_t n, std::uint32_t p) {
  Span<T>(d, n, p);
}

template <std::size_t... I>
constexpr auto MakeSpanTable(std::index_sequence<I...>) {
  return std::array<SpanFn, sizeof...(I)>{&SpanImpl<int(I)>...};
}
constexpr auto kSpanTable = MakeSpanTable(std::make_index_sequence<16>{});

// Buffers handed from one run set to the next on this thread (a stroke per
// glyph makes many small sets): a pixel list and the row sort's counters.
struct Spare {
  std::vector<std::int64_t> pix;
  std::vector<std::uint32_t> start, fillAt;
  std::vector<LONG> xs;
  std::vector<std::uint64_t> rows;
};
thread_local Spare t_spare;
// Larger buffers go back to the system.
constexpr std::size_t kSparePixels = std::size_t(1) << 16;

}  // namespace

SpanFn SpanFor(int rop2) {
  if (rop2 < 1 || rop2 > 16) rop2 = R2_COPYPEN;
  return kSpanTable[std::size_t(rop2 - 1)];
}

void RunSet::Bound(LONG x0, LONG y0, LONG x1, LONG y1) {
  if (!bits_.empty() || x1 <= x0 || y1 <= y0) return;
  bx0_ = x0;
  by0_ = y0;
  bx1_ = x1;
  by1_ = y1;
  words_ = (std::size_t(std::int64_t(x1) - x0) + 63) / 64;
  // A bitmap costs its words once; a pixel in the list costs a word and its
  // share of the sort.
  dense_ = words_ * std::size_t(std::int64_t(y1) - y0) + 4096;
  room_ = std::min(pix_.size(), dense_);
}

void RunSet::AddPixelSlow(LONG x, LONG y) {
  const std::int64_t k = (std::int64_t(y) << 32) | std::uint32_t(x);
  if (!bits_.empty() && x >= bx0_ && y >= by0_ && x < bx1_ && y < by1_) {
    const std::size_t dx = std::size_t(std::int64_t(x) - bx0_);
    bits_[std::size_t(std::int64_t(y) - by0_) * words_ + dx / 64] |= std::uint64_t(1) << (dx % 64);
    return;
  }
  if (bits_.empty() && used_ >= dense_) {
    ToBits();
    AddPixelSlow(x, y);
    return;
  }
  if (used_ == pix_.size()) {
    if (pix_.empty() && !t_spare.pix.empty())
      pix_.swap(t_spare.pix);
    else
      pix_.resize(std::max<std::size_t>(64, 2 * pix_.size()));
  }
  pix_[used_++] = k;
  room_ = bits_.empty() ? std::min(pix_.size(), dense_) : 0;
}

void RunSet::ToBits() {
  dense_ = SIZE_MAX;
  room_ = 0;
  bits_.assign(words_ * std::size_t(std::int64_t(by1_) - by0_), 0);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < used_; ++i) {
    const std::int64_t k = pix_[i];
    const LONG x = LONG(std::uint32_t(k & 0xFFFFFFFF)), y = LONG(k >> 32);
    if (x >= bx0_ && y >= by0_ && x < bx1_ && y < by1_) {
      const std::size_t dx = std::size_t(std::int64_t(x) - bx0_);
      bits_[std::size_t(std::int64_t(y) - by0_) * words_ + dx / 64] |= std::uint64_t(1) << (dx % 64);
    } else {
      pix_[kept++] = k;
    }
  }
  used_ = kept;
}

bool RunSet::PixelsByRows(LONG ymin, std::size_t rows) {
  // A small box (a glyph's stroke): a row of bits each, read off as runs.
  constexpr std::size_t kMostWords = 4096;
  const std::int64_t* const pb = pix_.data();
  const std::int64_t* const pe = pb + used_;
  LONG xmin = LONG(std::uint32_t(pb[0] & 0xFFFFFFFF)), xmax = xmin;
  for (const std::int64_t* k = pb; k != pe; ++k) {
    const LONG x = LONG(std::uint32_t(*k & 0xFFFFFFFF));
    xmin = std::min(xmin, x);
    xmax = std::max(xmax, x);
  }
  const std::size_t words = std::size_t((std::int64_t(xmax) - xmin) / 64 + 1);
  if (rows > kMostWords || words > 4 || rows * words > kMostWords) return false;
  std::vector<std::uint64_t>& bits = t_spare.rows;
  bits.assign(rows * words, 0);
  for (const std::int64_t* k = pb; k != pe; ++k) {
    const std::size_t dx = std::size_t(std::int64_t(LONG(std::uint32_t(*k & 0xFFFFFFFF))) - xmin);
    bits[std::size_t(LONG(*k >> 32) - ymin) * words + dx / 64] |= std::uint64_t(1) << (dx % 64);
  }
  runs_.reserve(std::min(used_, 4 * rows + 16));
  for (std::size_t r = 0; r < rows; ++r) {
    const LONG y = ymin + LONG(r);
    const std::uint64_t* row = bits.data() + r * words;
    bool open = false;  // a run being read, from x0
    LONG x0 = 0;
    for (std::size_t w = 0; w < words; ++w) {
      const LONG base = xmin + LONG(w * 64);
      std::uint64_t b = row[w];
      for (;;) {
        if (open) {
          // The run ends at the first clear bit.
          const std::uint64_t z = ~b;
          if (z == 0) break;
          const int e = __builtin_ctzll(z);
          runs_.push_back({y, x0, base + e});
          open = false;
          b &= ~std::uint64_t(0) << e;
        }
        if (b == 0) break;
        const int s = __builtin_ctzll(b);
        x0 = base + s;
        open = true;
        b |= (std::uint64_t(1) << s) - 1;  // the bits below are read
      }
    }
    if (open) runs_.push_back({y, x0, xmin + LONG(words * 64)});
  }
  ReleasePixels();
  return true;
}

void RunSet::ReleasePixels() {
  if (pix_.size() > t_spare.pix.size() && pix_.size() <= kSparePixels) pix_.swap(t_spare.pix);
  std::vector<std::int64_t>().swap(pix_);
  used_ = room_ = 0;
}

void RunSet::Normalize() {
  std::vector<Run> fromPix;
  const bool fromBits = !bits_.empty();
  if (fromBits) {
    // the bitmap's rows as runs, in order
    const std::size_t rows = std::size_t(std::int64_t(by1_) - by0_);
    for (std::size_t r = 0; r < rows; ++r) {
      const std::uint64_t* row = bits_.data() + r * words_;
      const LONG y = by0_ + LONG(r);
      bool open = false;  // a run being read, from x0
      LONG x0 = 0;
      for (std::size_t w = 0; w < words_; ++w) {
        const std::uint64_t bits = row[w];
        if (bits == (open ? ~std::uint64_t(0) : 0)) continue;
        for (int b = 0; b < 64; ++b) {
          const bool on = (bits >> b) & 1;
          if (on == open) continue;
          const LONG x = bx0_ + LONG(w * 64) + b;
          if (on) {
            x0 = x;
          } else {
            fromPix.push_back({y, x0, x});
          }
          open = on;
        }
      }
      if (open) fromPix.push_back({y, x0, bx0_ + LONG(words_ * 64)});
    }
    bits_.clear();
    bits_.shrink_to_fit();
  }
  if (used_ != 0) {
    const std::int64_t* const pb = pix_.data();
    const std::int64_t* const pe = pb + used_;
    // counting sort by row, then each row's columns
    LONG ymin = LONG(pb[0] >> 32), ymax = ymin;
    for (const std::int64_t* k = pb; k != pe; ++k) {
      const LONG y = LONG(*k >> 32);
      ymin = std::min(ymin, y);
      ymax = std::max(ymax, y);
    }
    const std::size_t rows = std::size_t(std::int64_t(ymax) - ymin + 1);
    if (!fromBits && runs_.empty() && PixelsByRows(ymin, rows)) return;
    std::vector<std::uint32_t>& start = t_spare.start;
    start.assign(rows + 1, 0);
    for (const std::int64_t* k = pb; k != pe; ++k) ++start[std::size_t(LONG(*k >> 32) - ymin) + 1];
    for (std::size_t i = 0; i < rows; ++i) start[i + 1] += start[i];
    std::vector<LONG>& xs = t_spare.xs;
    xs.resize(used_);
    std::vector<std::uint32_t>& fillAt = t_spare.fillAt;
    fillAt.assign(start.begin(), start.end() - 1);
    fromPix.reserve(std::min(used_, 4 * rows + 16));
    for (const std::int64_t* k = pb; k != pe; ++k)
      xs[fillAt[std::size_t(LONG(*k >> 32) - ymin)]++] = LONG(std::uint32_t(*k & 0xFFFFFFFF));
    for (std::size_t r = 0; r < rows; ++r) {
      auto b = xs.begin() + start[r], e = xs.begin() + start[r + 1];
      if (b == e) continue;
      std::sort(b, e);
      const LONG y = ymin + LONG(r);
      LONG x0 = *b, x1 = *b + 1;
      for (auto it = b + 1; it != e; ++it) {
        if (*it <= x1) {
          x1 = std::max(x1, *it + 1);
        } else {
          fromPix.push_back({y, x0, x1});
          x0 = *it;
          x1 = *it + 1;
        }
      }
      fromPix.push_back({y, x0, x1});
    }
    ReleasePixels();
    if (xs.capacity() > kSparePixels) std::vector<LONG>().swap(xs);
    if (start.capacity() > kSparePixels) {
      std::vector<std::uint32_t>().swap(start);
      std::vector<std::uint32_t>().swap(fillAt);
    }
    if (!fromBits && runs_.empty()) {
      // Rows in order, each row's runs apart: already the result.
      runs_.swap(fromPix);
      return;
    }
  }
  auto less = [](const Run& a, const Run& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; };
  if (!std::is_sorted(fromPix.begin(), fromPix.end(), less))
    std::sort(fromPix.begin(), fromPix.end(), less);
  if (!std::is_sorted(runs_.begin(), runs_.end(), less))
    std::sort(runs_.begin(), runs_.end(), less);
  std::vector<Run> all;
  if (fromPix.empty()) {
    all.swap(runs_);
  } else if (runs_.empty()) {
    all.swap(fromPix);
  } else {
    all.resize(runs_.size() + fromPix.size());
    std::merge(runs_.begin(), runs_.end(), fromPix.begin(), fromPix.end(), all.begin(), less);
  }
  runs_.clear();
  runs_.reserve(all.size());
  for (const Run& r : all) {
    if (!runs_.empty() && runs_.back().y == r.y && r.x0 <= runs_.back().x1)
      runs_.back().x1 = std::max(runs_.back().x1, r.x1);
    else
      runs_.push_back(r);
  }
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

namespace {

// An edge crossing a line of sample points: `at` the position along the line,
// `first` the first sample at or after it.
struct Crossing {
  LONG line;
  double at;
  std::int64_t first;
  int dir;
};

// The crossings of the polygons (points in 1/256 pixel) with the sample lines
// l0 <= l < l1: rows, or columns when `columns`.
void CrossLines(const std::vector<std::vector<detail::Fixed>>& polys, bool columns, LONG l0, LONG l1,
                std::vector<Crossing>& out) {
  using detail::FloorDiv;
  for (const auto& poly : polys) {
    const std::size_t n = poly.size();
    for (std::size_t i = 0; i < n; ++i) {
      const detail::Fixed& A = poly[i];
      const detail::Fixed& B = poly[i + 1 == n ? 0 : i + 1];
      // a along the line, b across it
      std::int64_t aa = columns ? A.y : A.x, ab = columns ? A.x : A.y;
      std::int64_t ba = columns ? B.y : B.x, bb = columns ? B.x : B.y;
      if (ab == bb) continue;
      int dir = 1;
      if (ab > bb) {
        std::swap(aa, ba);
        std::swap(ab, bb);
        dir = -1;
      }
      const std::int64_t ls = std::max<std::int64_t>(-FloorDiv(-ab, 256), l0);
      const std::int64_t le = std::min<std::int64_t>(-FloorDiv(-bb, 256), l1);
      const std::int64_t dB = bb - ab, dA = ba - aa, den = 256 * dB;
      for (std::int64_t l = ls; l < le; ++l) {
        const std::int64_t num = aa * dB + (256 * l - ab) * dA;
        out.push_back({LONG(l), double(num) / double(den), -FloorDiv(-num, den), dir});
      }
    }
  }
}

// Walks each line's crossings; an inside piece of positive length without a
// sample gives the pixel nearest its middle.
void LineDropouts(std::vector<Crossing>& c, bool winding, bool columns, LONG p0, LONG p1, RunSet& out) {
  std::sort(c.begin(), c.end(),
            [](const Crossing& a, const Crossing& b) { return a.line != b.line ? a.line < b.line : a.at < b.at; });
  for (std::size_t i = 0; i < c.size();) {
    const LONG line = c[i].line;
    int w = 0;
    std::size_t begin = i;
    for (; i < c.size() && c[i].line == line; ++i) {
      const int before = w;
      w = winding ? w + c[i].dir : w ^ 1;
      if (before == 0 && w != 0) {
        begin = i;
      } else if (before != 0 && w == 0 && c[begin].first == c[i].first && c[i].at > c[begin].at) {
        const double mid = (c[begin].at + c[i].at) / 2;
        const double p = std::floor(mid + 0.5);
        if (p >= p0 && p < p1) {
          if (columns)
            out.AddPixel(line, LONG(p));
          else
            out.AddPixel(LONG(p), line);
        }
      }
    }
  }
}

}  // namespace

void AddDropouts(const std::vector<FillPoly>& polys, bool winding, LONG cx0, LONG cy0, LONG cx1,
                 LONG cy1, RunSet& out) {
  if (cx1 <= cx0 || cy1 <= cy0) return;
  // The filler's guard box and rounding, so both see the same outline.
  const double gx0 = double(cx0) - 4, gy0 = double(cy0) - 4;
  const double gx1 = double(cx1) + 4, gy1 = double(cy1) + 4;
  std::vector<std::vector<detail::Fixed>> fixed;
  std::vector<PointF> clipped;
  for (const FillPoly& poly : polys) {
    if (poly.count < 2 || poly.pts == nullptr) continue;
    const PointF* p = poly.pts;
    int n = poly.count;
    const bool inside = std::all_of(p, p + n, [&](const PointF& q) {
      return q.x >= gx0 && q.x <= gx1 && q.y >= gy0 && q.y <= gy1;
    });
    if (!inside) {
      detail::ClipPolygon(p, n, gx0, gy0, gx1, gy1, clipped);
      p = clipped.data();
      n = int(clipped.size());
      if (n < 2) continue;
    }
    auto& f = fixed.emplace_back(std::size_t(n));
    for (int i = 0; i < n; ++i) f[std::size_t(i)] = {detail::ToFixed(p[i].x), detail::ToFixed(p[i].y)};
  }
  std::vector<Crossing> c;
  CrossLines(fixed, false, cy0, cy1, c);
  LineDropouts(c, winding, false, cx0, cx1, out);
  c.clear();
  CrossLines(fixed, true, cx0, cx1, c);
  LineDropouts(c, winding, true, cy0, cy1, out);
}

std::int64_t LineSteps(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
  const std::int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
  const std::int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
  return dx > dy ? dx : dy;
}

}  // namespace plat::raster
