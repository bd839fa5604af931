// Internal raster helpers of the device context: raster operations on pixel
// runs, exact line stepping, the scanline polygon filler and run sets.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "platform/dc.h"

namespace plat::raster {

constexpr std::uint32_t kMask = 0x00FFFFFF;

// Binary raster operation: `code` = R2_x - 1 is a truth table over pen (bit 1 of
// the index) and destination (bit 0).
template <int T>
inline std::uint32_t Rop2(std::uint32_t p, std::uint32_t d) {
  std::uint32_t r = 0;
  if constexpr ((T & 1) != 0) r |= ~p & ~d;
  if constexpr ((T & 2) != 0) r |= ~p & d;
  if constexpr ((T & 4) != 0) r |= p & ~d;
  if constexpr ((T & 8) != 0) r |= p & d;
  return r & kMask;
}
inline std::uint32_t Rop2Any(int mode, std::uint32_t p, std::uint32_t d) {
  const int t = mode - 1;
  std::uint32_t r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return r & kMask;
}

// Ternary raster operation over pattern, source, destination.
inline std::uint32_t Rop3(unsigned t, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (((t >> i) & 1) == 0) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & kMask;
}

// Applies a binary raster operation with one pen value to n pixels.
using SpanFn = void (*)(std::uint32_t* d, std::int64_t n, std::uint32_t p);
SpanFn SpanFor(int rop2);

// Sets n pixels to p. Spans are mostly short and of scattered lengths, so a
// span of up to 16 pixels is written without branching on its length: three
// single stores and four blocks of 4, each block inside the span (overlapping
// the others) or, for a span too short for it, on a scratch block. Longer
// spans: blocks of 8, the last two blocks of 4 flush with the end.
inline void Fill(std::uint32_t* d, std::int64_t n, std::uint32_t p) {
  struct Block {
    std::uint32_t v[4];
  };
  Block b;
  for (std::uint32_t& v : b.v) v = p;
  if (n > 16) {
    std::memcpy(d + n - 8, &b, sizeof b);
    std::memcpy(d + n - 4, &b, sizeof b);
    for (std::int64_t i = 0; i < n - 8; i += 8) {
      std::memcpy(d + i, &b, sizeof b);
      std::memcpy(d + i + 4, &b, sizeof b);
    }
    return;
  }
  if (n <= 0) return;
  Block scratch;
  std::uint32_t* const base[2] = {scratch.v, d};
  const bool four = n >= 4, eight = n >= 8;
  const std::int64_t last4[2] = {0, n - 4}, second4[2] = {0, 4}, last8[2] = {0, n - 8};
  d[0] = p;
  d[n >> 1] = p;
  d[n - 1] = p;
  std::memcpy(base[four], &b, sizeof b);
  std::memcpy(base[four] + last4[four], &b, sizeof b);
  std::memcpy(base[eight] + second4[eight], &b, sizeof b);
  std::memcpy(base[eight] + last8[eight], &b, sizeof b);
}

// The same, inline, for the truth table T = R2_x - 1.
template <int T>
inline void Span(std::uint32_t* d, std::int64_t n, std::uint32_t p) {
  if constexpr (T == R2_COPYPEN - 1) {
    Fill(d, n, p);
  } else if constexpr (T != R2_NOP - 1) {
    for (std::int64_t i = 0; i < n; ++i) d[i] = Rop2<T>(p, d[i]);
  }
}

// Calls f(std::integral_constant<int, R2_x - 1>) for the mode, so that the
// raster operation is chosen once for a whole primitive.
template <class F>
inline void WithRop2(int rop2, F&& f) {
  switch (rop2) {
    case R2_BLACK: return f(std::integral_constant<int, R2_BLACK - 1>{});
    case R2_NOTMERGEPEN: return f(std::integral_constant<int, R2_NOTMERGEPEN - 1>{});
    case R2_MASKNOTPEN: return f(std::integral_constant<int, R2_MASKNOTPEN - 1>{});
    case R2_NOTCOPYPEN: return f(std::integral_constant<int, R2_NOTCOPYPEN - 1>{});
    case R2_MASKPENNOT: return f(std::integral_constant<int, R2_MASKPENNOT - 1>{});
    case R2_NOT: return f(std::integral_constant<int, R2_NOT - 1>{});
    case R2_XORPEN: return f(std::integral_constant<int, R2_XORPEN - 1>{});
    case R2_NOTMASKPEN: return f(std::integral_constant<int, R2_NOTMASKPEN - 1>{});
    case R2_MASKPEN: return f(std::integral_constant<int, R2_MASKPEN - 1>{});
    case R2_NOTXORPEN: return f(std::integral_constant<int, R2_NOTXORPEN - 1>{});
    case R2_NOP: return f(std::integral_constant<int, R2_NOP - 1>{});
    case R2_MERGENOTPEN: return f(std::integral_constant<int, R2_MERGENOTPEN - 1>{});
    case R2_MERGEPENNOT: return f(std::integral_constant<int, R2_MERGEPENNOT - 1>{});
    case R2_MERGEPEN: return f(std::integral_constant<int, R2_MERGEPEN - 1>{});
    case R2_WHITE: return f(std::integral_constant<int, R2_WHITE - 1>{});
    default: return f(std::integral_constant<int, R2_COPYPEN - 1>{});
  }
}

// One run of pixels [x0, x1) on row y.
struct Run {
  LONG y;
  LONG x0;
  LONG x1;
};

// Runs sorted by row, then x, not overlapping.
class RunSet {
 public:
  void AddPixel(LONG x, LONG y) {
    if (used_ < room_) {
      pix_[used_++] = (std::int64_t(y) << 32) | std::uint32_t(x);
      return;
    }
    AddPixelSlow(x, y);
  }
  // The box [x0, x1) x [y0, y1) the pixels lie in: once there are many more
  // of them than fit a bitmap of it, they are kept in one.
  void Bound(LONG x0, LONG y0, LONG x1, LONG y1);
  void AddRun(LONG y, LONG x0, LONG x1) {
    if (x1 > x0) runs_.push_back({y, x0, x1});
  }
  // Sorts and merges what was added; call before reading.
  void Normalize();
  const std::vector<Run>& runs() const { return runs_; }
  bool empty() const { return runs_.empty() && used_ == 0 && bits_.empty(); }
  // This minus other (both normalized).
  void Subtract(const RunSet& other);

 private:
  void AddPixelSlow(LONG x, LONG y);
  void ToBits();
  // Normalize for pixels alone within a few words' width: false where they
  // spread wider.
  bool PixelsByRows(LONG ymin, std::size_t rows);
  // The pixel list emptied, its buffer kept for the next set on this thread.
  void ReleasePixels();
  std::vector<std::int64_t> pix_;  // pixels in [0, used_)
  std::size_t used_ = 0;
  std::size_t room_ = 0;  // where the list stops taking pixels straight away
  std::vector<Run> runs_;
  std::size_t dense_ = SIZE_MAX;  // pixels beyond which the bitmap is used
  std::vector<std::uint64_t> bits_;
  LONG bx0_ = 0, by0_ = 0, bx1_ = 0, by1_ = 0;
  std::size_t words_ = 0;  // per row
};

// Exact line stepping from (x0, y0) towards (x1, y1), the last pixel left out,
// limited to the clip box [cx0, cx1) x [cy0, cy1). Calls f(x, y, i) with the
// step index i from the start (for dash patterns). Returns the step count of
// the whole line.
std::int64_t LineSteps(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);

template <class F>
void RasterLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, LONG cx0,
                LONG cy0, LONG cx1, LONG cy1, F&& f);

// Polygon filler: polygons in device units (pixel (x, y) sampled at (x, y)),
// left/top inclusive, right/bottom exclusive; spans limited to the clip box;
// emit(y, x0, x1) is called row by row, x ascending.
struct FillPoly {
  const PointF* pts;
  int count;
};
template <class Emit>
void FillPolygons(const std::vector<FillPoly>& polys, bool winding, LONG cx0, LONG cy0, LONG cx1,
                  LONG cy1, Emit&& emit);

// Dropout control for glyph outlines: where a row (or column) of sample points
// crosses a piece of the inside that holds no sample point, as a stroke thinner
// than a pixel does, the pixel nearest the middle of that piece is added to
// `out`, inside the clip box. The filler lights none of these pixels.
void AddDropouts(const std::vector<FillPoly>& polys, bool winding, LONG cx0, LONG cy0, LONG cx1,
                 LONG cy1, RunSet& out);

// ---- templates ----

namespace detail {
// floor(a / b) for b > 0.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
inline __int128 FloorDiv128(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
inline __int128 CeilDiv128(__int128 a, __int128 b) { return -FloorDiv128(-a, b); }

// An edge as the scanline walk steps it: pixel start q (the ceiling of the
// crossing) with remainder r in [0, den), advanced by sq, sr per row.
struct Edge {
  std::int64_t r, den, sr;
  std::int32_t q, sq;  // inside the guard box both fit
  LONG ye;             // rows covered [ys, ye)
  std::int32_t dir;
};
// An active edge: its current pixel start and its index.
struct ActiveKey {
  std::int32_t q;
  std::uint32_t edge;
};
// A point in 1/256 pixel.
struct Fixed {
  std::int64_t x, y;
};
// llround(v * 256) for v inside the guard box (|v * 256| < 2^40): v * 256 and
// v * 256 +- 0.5 are exact in double, so truncating the latter rounds half away
// from zero.
inline std::int64_t ToFixed(float v) {
  const double d = double(v) * 256.0;
  return std::int64_t(d + (d >= 0 ? 0.5 : -0.5));
}
// An edge's first row and crossing, for activating the edges in row order
// and, within a row, mostly in place.
struct EdgeStart {
  LONG ys;
  std::int32_t q;
  std::uint32_t index;
};

// Sorts by row, then crossing: by counting where the rows are few for the
// edges, each row's few edges by insertion.
inline void SortStarts(std::vector<EdgeStart>& starts) {
  auto less = [](const EdgeStart& a, const EdgeStart& b) { return a.ys != b.ys ? a.ys < b.ys : a.q < b.q; };
  if (starts.size() < 2) return;
  LONG lo = starts[0].ys, hi = lo;
  for (const EdgeStart& e : starts) {
    lo = std::min(lo, e.ys);
    hi = std::max(hi, e.ys);
  }
  const std::uint64_t rows = std::uint64_t(std::int64_t(hi) - lo) + 1;
  if (rows > 2 * std::uint64_t(starts.size()) + 64) {
    std::sort(starts.begin(), starts.end(), less);
    return;
  }
  static thread_local std::vector<std::uint32_t> atStore;
  static thread_local std::vector<EdgeStart> sortedStore;
  std::vector<EdgeStart>& sortedVec = sortedStore;
  atStore.assign(std::size_t(rows) + 1, 0);
  std::uint32_t* const at = atStore.data();
  for (const EdgeStart& e : starts) ++at[std::size_t(e.ys - lo) + 1];
  for (std::size_t r = 0; r < rows; ++r) at[r + 1] += at[r];
  sortedVec.resize(starts.size());
  EdgeStart* const sorted = sortedVec.data();
  for (const EdgeStart& e : starts) sorted[at[std::size_t(e.ys - lo)]++] = e;
  // at[r] is now the end of row r.
  std::size_t begin = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t end = at[r];
    if (end - begin > 16) {
      std::sort(sorted + begin, sorted + end, less);
    } else {
      for (std::size_t i = begin + 1; i < end; ++i) {
        const EdgeStart k = sorted[i];
        std::size_t j = i;
        for (; j > begin && sorted[j - 1].q > k.q; --j) sorted[j] = sorted[j - 1];
        sorted[j] = k;
      }
    }
    begin = end;
  }
  starts.swap(sortedVec);
}

void ClipPolygon(const PointF* in, int n, double gx0, double gy0, double gx1, double gy1,
                 std::vector<PointF>& out);

// The even-odd rows with the active edges kept column by column in 32 bits,
// in order of their crossings: they step together, and as edges that cross
// between rows are few, reordering them is rare (where many swap places, a
// full sort). This holds while `den` stays below 2^30; it is used for fewer
// edges than the clip box has pixels across. `live` has room for six
// columns of every edge; edges come in `starts` order by row, then crossing.
template <class Emit>
void OddRows(const Edge* edge, const EdgeStart* start, std::size_t starting, std::int32_t* live,
             LONG cx0, LONG cx1, Emit& emit) {
  std::int32_t* const q = live;
  std::int32_t* const r = q + starting;
  std::int32_t* const sr = r + starting;
  std::int32_t* const den = sr + starting;
  std::int32_t* const sq = den + starting;
  std::int32_t* const ye = sq + starting;
  auto move = [&](std::size_t to, std::size_t from) {
    q[to] = q[from];
    r[to] = r[from];
    sr[to] = sr[from];
    den[to] = den[from];
    sq[to] = sq[from];
    ye[to] = ye[from];
  };
  // Moves the edge at i left to its place by crossing; how far.
  auto settle = [&](std::size_t i) {
    const std::int32_t kq = q[i], kr = r[i], ksr = sr[i], kden = den[i], ksq = sq[i], kye = ye[i];
    std::size_t j = i;
    for (; j > 0 && q[j - 1] > kq; --j) move(j, j - 1);
    q[j] = kq;
    r[j] = kr;
    sr[j] = ksr;
    den[j] = kden;
    sq[j] = ksq;
    ye[j] = kye;
    return i - j;
  };
  static thread_local std::vector<std::uint32_t> orderStore;
  static thread_local std::vector<std::int32_t> columnStore;
  // Puts the first n edges in order: by insertion while few move, else by sorting.
  auto order = [&](std::size_t n) {
    std::size_t moves = 0;
    const std::size_t limit = 4 * n + 64;
    for (std::size_t i = 1; i < n; ++i) {
      if (q[i - 1] <= q[i]) continue;
      moves += settle(i);
      if (moves > limit) break;
    }
    if (moves <= limit) return;
    orderStore.resize(n);
    columnStore.resize(n);
    std::uint32_t* const o = orderStore.data();
    for (std::size_t i = 0; i < n; ++i) o[i] = std::uint32_t(i);
    std::sort(o, o + n, [&](std::uint32_t a, std::uint32_t b) { return q[a] < q[b]; });
    for (std::int32_t* col : {r, sr, den, sq, ye, q}) {
      for (std::size_t i = 0; i < n; ++i) columnStore[i] = col[o[i]];
      std::copy(columnStore.begin(), columnStore.end(), col);
    }
  };
  std::size_t count = 0, next = 0;
  LONG y = start[0].ys;
  LONG drop = std::numeric_limits<LONG>::max();  // the first row an active edge ends before
  for (;;) {
    if (count == 0) {
      if (next >= starting) break;
      y = std::max(y, start[next].ys);
    }
    bool added = false;
    while (next < starting && start[next].ys <= y) {
      const Edge& e = edge[start[next++].index];
      q[count] = e.q;
      r[count] = std::int32_t(e.r);
      sr[count] = std::int32_t(e.sr);
      den[count] = std::int32_t(e.den);
      sq[count] = e.sq;
      ye[count] = e.ye;
      drop = std::min(drop, e.ye);
      ++count;
      added = true;
    }
    if (added) order(count);
    for (std::size_t i = 0; i + 1 < count; i += 2) {
      const LONG a = std::max(LONG(q[i]), cx0), b = std::min(LONG(q[i + 1]), cx1);
      if (b > a) emit(y, a, b);
    }
    ++y;
    if (y >= drop) {
      std::size_t k = 0;
      drop = std::numeric_limits<LONG>::max();
      for (std::size_t i = 0; i < count; ++i) {
        if (ye[i] <= y) continue;
        move(k++, i);
        drop = std::min(drop, ye[i]);
      }
      count = k;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::int32_t s = r[i] + sr[i];
      const std::int32_t carry = s >= den[i] ? 1 : 0;
      r[i] = s - (carry ? den[i] : 0);
      q[i] += sq[i] + carry;
    }
    order(count);
  }
}
}  // namespace detail

template <class F>
void RasterLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, LONG cx0,
                LONG cy0, LONG cx1, LONG cy1, F&& f) {
  const std::int64_t dx = x1 - x0, dy = y1 - y0;
  const std::int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xmajor = adx >= ady;
  const std::int64_t n = xmajor ? adx : ady;  // steps; pixel i for i in [0, n)
  if (n == 0 || cx1 <= cx0 || cy1 <= cy0) return;
  const std::int64_t a = xmajor ? ady : adx;  // minor delta
  const int smaj = xmajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
  const int smin = xmajor ? (dy < 0 ? -1 : 1) : (dx < 0 ? -1 : 1);
  const std::int64_t maj0 = xmajor ? x0 : y0, min0 = xmajor ? y0 : x0;
  const std::int64_t step = 2 * a, mod = 2 * n;
  auto walk = [&](std::int64_t from, std::int64_t to, std::int64_t q, std::int64_t r) {
    std::int64_t maj = maj0 + smaj * from;
    for (std::int64_t i = from; i <= to; ++i) {
      const std::int64_t mn = min0 + smin * q;
      if (xmajor)
        f(LONG(maj), LONG(mn), i);
      else
        f(LONG(mn), LONG(maj), i);
      maj += smaj;
      r += step;
      if (r >= mod) {
        r -= mod;
        ++q;
      }
    }
  };
  // Both ends inside the clip box: so is every pixel between them.
  if (x0 >= cx0 && x0 < cx1 && y0 >= cy0 && y0 < cy1 && x1 >= cx0 && x1 < cx1 && y1 >= cy0 && y1 < cy1) {
    walk(0, n - 1, 0, n);
    return;
  }
  const std::int64_t majLo = xmajor ? cx0 : cy0, majHi = (xmajor ? cx1 : cy1) - 1;
  const std::int64_t minLo = xmajor ? cy0 : cx0, minHi = (xmajor ? cy1 : cx1) - 1;
  // Range of i with the major coordinate inside.
  __int128 ia = 0, ib = n - 1;
  auto limitMajor = [&](std::int64_t lo, std::int64_t hi) {
    // maj0 + smaj * i in [lo, hi]
    __int128 l, h;
    if (smaj > 0) {
      l = __int128(lo) - maj0;
      h = __int128(hi) - maj0;
    } else {
      l = __int128(maj0) - hi;
      h = __int128(maj0) - lo;
    }
    ia = std::max(ia, l);
    ib = std::min(ib, h);
  };
  limitMajor(majLo, majHi);
  if (ia > ib) return;
  // Minor offset of step i: floor((2 i a + n) / (2 n)).
  const __int128 n2 = __int128(2) * n;
  if (a > 0) {
    // k range of the minor offset inside the clip.
    __int128 kLo, kHi;
    if (smin > 0) {
      kLo = __int128(minLo) - min0;
      kHi = __int128(minHi) - min0;
    } else {
      kLo = __int128(min0) - minHi;
      kHi = __int128(min0) - minLo;
    }
    // smallest i with offset >= kLo: i >= ceil((2 n kLo - n) / (2a))
    const __int128 iLo = detail::CeilDiv128(n2 * kLo - n, __int128(2) * a);
    // largest i with offset <= kHi: i <= ceil((2 n (kHi + 1) - n) / (2a)) - 1
    const __int128 iHi = detail::CeilDiv128(n2 * (kHi + 1) - n, __int128(2) * a) - 1;
    ia = std::max(ia, iLo);
    ib = std::min(ib, iHi);
  } else {
    if (min0 < minLo || min0 > minHi) return;
  }
  if (ia > ib) return;
  const __int128 num = __int128(2) * ia * a + n;
  const std::int64_t q = std::int64_t(detail::FloorDiv128(num, n2));
  walk(std::int64_t(ia), std::int64_t(ib), q, std::int64_t(num - __int128(q) * n2));
}

template <class Emit>
void FillPolygons(const std::vector<FillPoly>& polys, bool winding, LONG cx0, LONG cy0, LONG cx1,
                  LONG cy1, Emit&& emit) {
  using namespace detail;
  if (cx1 <= cx0 || cy1 <= cy0) return;
  // Scratch kept between calls: most primitives are small. Written through
  // plain pointers, the thread's block looked up once.
  struct Scratch {
    std::vector<Edge> edges;
    std::vector<EdgeStart> starts;
    std::vector<ActiveKey> active;
    std::vector<Fixed> fixed;
    std::vector<std::int32_t> live;
  };
  static thread_local Scratch scratch;
  Scratch& sc = scratch;
  std::vector<Edge>& edges = sc.edges;
  std::vector<EdgeStart>& starts = sc.starts;
  std::size_t made = 0;  // edges made
  // Guard box: outside it geometry is clipped away, keeping the winding numbers
  // inside; keeps the fixed-point arithmetic in range.
  const double gx0 = double(cx0) - 4, gy0 = double(cy0) - 4;
  const double gx1 = double(cx1) + 4, gy1 = double(cy1) + 4;
  std::vector<PointF> clipped;
  for (const FillPoly& poly : polys) {
    if (poly.count < 2 || poly.pts == nullptr) continue;
    const PointF* p = poly.pts;
    int n = poly.count;
    bool inside = true;
    for (int i = 0; i < n; ++i) {
      const float x = p[i].x, y = p[i].y;
      if (!(x >= gx0 && x <= gx1 && y >= gy0 && y <= gy1)) {
        inside = false;
        break;
      }
    }
    if (!inside) {
      ClipPolygon(p, n, gx0, gy0, gx1, gy1, clipped);
      p = clipped.data();
      n = int(clipped.size());
      if (n < 2) continue;
    }
    // Points in 1/256 pixel, each rounded once.
    if (sc.fixed.size() < std::size_t(n)) sc.fixed.resize(std::size_t(n));
    Fixed* const fixed = sc.fixed.data();
    for (int i = 0; i < n; ++i) fixed[i] = {ToFixed(p[i].x), ToFixed(p[i].y)};
    // Room for an edge a point.
    if (edges.size() < made + std::size_t(n)) edges.resize(made + std::size_t(n));
    if (starts.size() < made + std::size_t(n)) starts.resize(made + std::size_t(n));
    Edge* const edgeOut = edges.data();
    EdgeStart* const startOut = starts.data();
    for (int i = 0; i < n; ++i) {
      const Fixed& A = fixed[i];
      const Fixed& B = fixed[i + 1 == n ? 0 : i + 1];
      std::int64_t ax = A.x, ay = A.y, bx = B.x, by = B.y;
      if (ay == by) continue;
      Edge e;
      e.dir = 1;
      if (ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
        e.dir = -1;
      }
      // rows y with y*256 in [y0, y1)
      std::int64_t ys = -FloorDiv(-ay, 256), ye = -FloorDiv(-by, 256);
      ys = std::max<std::int64_t>(ys, cy0);
      ye = std::min<std::int64_t>(ye, cy1);
      if (ys >= ye) continue;
      e.ye = LONG(ye);
      // crossing at row y: X = x0 + (256 y - y0) dx / dy (fixed); pixel start =
      // ceil(X / 256) = ceil(num / den), num = x0 dy + (256 y - y0) dx, den = 256 dy.
      const std::int64_t dY = by - ay, dX = bx - ax;
      e.den = 256 * dY;
      if (256 * ys == ay && (ax & 255) == 0) {
        // Starting on a pixel position: the crossing is exact.
        e.q = std::int32_t(ax >> 8);
        e.r = e.den - 1;
      } else {
        const std::int64_t num = ax * dY + (256 * ys - ay) * dX;
        // ceil(num/den) = floor((num + den - 1) / den)
        const std::int64_t nn = num + e.den - 1;
        const std::int64_t q = FloorDiv(nn, e.den);
        e.r = nn - q * e.den;
        e.q = std::int32_t(q);
      }
      if (ye - ys > 1) {
        const std::int64_t s = 256 * dX;
        const std::int64_t sq = FloorDiv(s, e.den);
        e.sr = s - sq * e.den;
        e.sq = std::int32_t(sq);
      } else {
        e.sr = 0;  // one row: never advanced
        e.sq = 0;
      }
      startOut[made] = {LONG(ys), e.q, std::uint32_t(made)};
      edgeOut[made++] = e;
    }
  }
  if (made == 0) return;
  starts.resize(made);
  SortStarts(starts);
  const std::int64_t lo = std::int64_t(cx0) - 1, hi = std::int64_t(cx1) + 1;
  if (!winding && std::int64_t(cy1) - cy0 + 8 <= (1 << 14) && std::int64_t(made) < hi - lo) {
    if (sc.live.size() < 6 * made) sc.live.resize(6 * made);
    OddRows(edges.data(), starts.data(), made, sc.live.data(), cx0, cx1, emit);
    return;
  }
  if (sc.active.size() < made) sc.active.resize(made);
  // The active edges as (crossing, edge) keys, kept sorted by their crossing
  // from row to row; the order of equal crossings does not change which
  // pixels a row covers. The edges' remainders stay in place.
  ActiveKey* const act = sc.active.data();
  Edge* const edge = edges.data();
  const EdgeStart* const start = starts.data();
  const std::size_t starting = starts.size();
  std::size_t count = 0;
  std::size_t next = 0;
  LONG y = start[0].ys;
  // Crossings by pixel, for rows with more crossings than pixels.
  const std::size_t bins = std::size_t(hi - lo) + 1;
  static thread_local std::vector<int> binStore;
  int* bin = nullptr;
  for (;;) {
    if (count == 0) {
      if (next >= starting) break;
      y = std::max(y, start[next].ys);
    }
    while (next < starting && start[next].ys <= y) {
      const std::uint32_t e = start[next++].index;
      act[count++] = {edge[e].q, e};
    }
    if (count >= bins) {
      if (!bin) {
        if (binStore.size() < bins) binStore.resize(bins);
        bin = binStore.data();
      }
      // More crossings than pixels: which pixels the row covers depends only
      // on how many crossings lie at or left of each, so count them by pixel
      // instead of ordering them.
      for (std::size_t x = 0; x < bins; ++x) bin[x] = 0;
      for (std::size_t i = 0; i < count; ++i)
        bin[std::size_t(std::clamp<std::int64_t>(act[i].q, lo, hi) - lo)] += winding ? edge[act[i].edge].dir : 1;
      int w = 0;
      bool on = false;
      LONG begin = 0;
      for (std::size_t x = 0; x < bins; ++x) {
        w += bin[x];
        const bool in = winding ? w != 0 : (w & 1) != 0;
        if (in == on) continue;
        const LONG at = LONG(lo + std::int64_t(x));
        if (in) {
          begin = at;
        } else {
          const LONG a = std::max(begin, cx0), b = std::min(at, cx1);
          if (b > a) emit(y, a, b);
        }
        on = in;
      }
    } else {
      // Edges that cross between rows move little, so insertion mostly; where
      // many swap places (dense crossing edges), a full sort.
      std::size_t moves = 0;
      const std::size_t moveLimit = 4 * count + 64;
      for (std::size_t i = 1; i < count; ++i) {
        if (act[i - 1].q <= act[i].q) continue;
        const ActiveKey k = act[i];
        std::size_t j = i;
        do {
          act[j] = act[j - 1];
          --j;
          ++moves;
        } while (j > 0 && act[j - 1].q > k.q);
        act[j] = k;
        if (moves > moveLimit) {
          std::sort(act, act + count, [](const ActiveKey& a, const ActiveKey& b) { return a.q < b.q; });
          break;
        }
      }
      auto at = [&](std::size_t i) { return LONG(std::clamp<std::int64_t>(act[i].q, lo, hi)); };
      if (winding) {
        int w = 0;
        LONG begin = 0;
        for (std::size_t i = 0; i < count; ++i) {
          const int before = w;
          w += edge[act[i].edge].dir;
          if (before == 0 && w != 0) {
            begin = at(i);
          } else if (before != 0 && w == 0) {
            const LONG a = std::max(begin, cx0), b = std::min(at(i), cx1);
            if (b > a) emit(y, a, b);
          }
        }
      } else {
        for (std::size_t i = 0; i + 1 < count; i += 2) {
          const LONG a = std::max(at(i), cx0), b = std::min(at(i + 1), cx1);
          if (b > a) emit(y, a, b);
        }
      }
    }
    ++y;
    // advance and drop finished edges (the carry without a branch: it is
    // taken about every other row)
    std::size_t k = 0;
    for (std::size_t i = 0; i < count; ++i) {
      ActiveKey key = act[i];
      Edge& e = edge[key.edge];
      if (e.ye <= y) continue;
      const std::int64_t r = e.r + e.sr;
      const bool carry = r >= e.den;
      e.r = r - (carry ? e.den : 0);
      key.q += e.sq + std::int32_t(carry);
      act[k++] = key;
    }
    count = k;
  }
}

}  // namespace plat::raster
