#include "model/pathpoints.h"

#include "model/palette.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "platform/bytes.h"
#include "platform/dc.h"

using plat::GlobalLockGuard;

namespace {

using namespace pathrec;
using plat::GetU32;
using plat::PutU32;

plat::COLORREF RecordColor(const PathPoint& r) {
  std::uint8_t b[9];
  std::memcpy(b, &r, kRec);
  return plat::RGB(b[0], b[1], b[2]);
}

// TruncToLong, inline here where the walks call it for every point: within
// the LONG range a plain conversion.
inline plat::LONG Trunc(float v) {
  return v >= -2147483648.0f && v < 2147483648.0f ? plat::LONG(v) : plat::SatTrunc(v);
}

// Device point of a record: through the matrix unless it is the identity
// (as CMatrix3::TransformPointToInt).
inline plat::POINT ToDevice(const CMatrix3& m, bool identity, const PathPoint& r) {
  const float x = r.x, y = r.y;
  if (identity) return {Trunc(x), Trunc(y)};
  const float tx = x * m.m00 + y * m.m10 + m.m20;
  const float ty = x * m.m01 + y * m.m11 + m.m21;
  return {Trunc(tx), Trunc(ty)};
}

// Overlap of two rectangles with exclusive right and bottom edges.
bool Meets(const plat::RECT& a, const plat::RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}


bool PtIn(const plat::RECT& r, plat::POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Pens and brushes made from colour records during one walk: the latest is
// selected, each earlier one deleted, and at the end the context gets its own
// objects back and the last ones are deleted too.
class ColorObjects {
 public:
  explicit ColorObjects(plat::DC* dc) : dc_(dc) {}
  ~ColorObjects() {
    Restore(pen_, oldPen_);
    Restore(brush_, oldBrush_);
  }
  void SelectPen(plat::COLORREF c) { Take(plat::CreatePen(plat::PS_SOLID, 1, c), pen_, oldPen_); }
  // Whether a colour record chose a pen or brush.
  bool Changed() const { return pen_ || brush_; }
  void SelectBrush(plat::COLORREF c) { Take(plat::CreateSolidBrush(c), brush_, oldBrush_); }

 private:
  // Selects `made`, deleting the one made before it; the context's own object
  // is kept for the end.
  template <class Handle>
  void Take(Handle made, Handle& own, Handle& original) {
    if (!made) return;
    Handle prev = dc_->SelectObject(made);
    if (own) {
      plat::DeleteObject(own);
    } else {
      original = prev;
    }
    own = made;
  }
  template <class Handle>
  void Restore(Handle own, Handle original) {
    if (!own) return;
    dc_->SelectObject(original);
    plat::DeleteObject(own);
  }

  plat::DC* dc_;
  plat::HPEN pen_ = nullptr;
  plat::HPEN oldPen_ = nullptr;
  plat::HBRUSH brush_ = nullptr;
  plat::HBRUSH oldBrush_ = nullptr;
};

}  // namespace

CPathPointList::~CPathPointList() { FreePoints(); }

void CPathPointList::FreePoints() {
  if (points) plat::GlobalFree(points);
  points = 0;
}

plat::HGLOBAL CPathPointList::DetachPoints() {
  plat::HGLOBAL h = points;
  points = 0;
  capacity = 0;
  count = 0;
  return h;
}

std::size_t CPathPointList::BlockRecords() const {
  return points ? plat::GlobalSize(points) / kRec : 0;
}

bool CPathPointList::Grow() {
  if (!points) {
    capacity = kFirstCapacity;
    count = 0;
    points = plat::GlobalAlloc(plat::GHND, std::size_t(capacity + 2) * kRec);
    return points != 0;
  }
  // Also grows a block that is smaller than the counts claim.
  if (count >= capacity || std::size_t(count) >= BlockRecords()) {
    std::int32_t want = std::max(capacity, count) + kGrowBy;
    if (!plat::GlobalReAlloc(points, std::size_t(want + 2) * kRec, plat::GHND)) return false;
    capacity = want;
  }
  return true;
}

int CPathPointList::AppendPoint(const PathPoint& pt) {
  if (count < 0) count = 0;
  if (!Grow()) return count;
  {
    Records r(points);
    r.p[count] = pt;
  }
  ++count;
  if (pt.flags == PP_END) {
    plat::GlobalReAlloc(points, std::size_t(count + 2) * kRec, plat::GHND);
    capacity = count;
  }
  return count;
}

namespace {

// The sample parameters of a Bezier piece that leaves the bounds: t = 0.1,
// 0.11, ... while t < 0.9, t a float stepped by 0.01; the curve's weights at
// each, as the curve evaluation gives them (its value at the unit points).
struct BoundSamples {
  static constexpr int kMax = 96;
  int n = 0;
  float w0[kMax], w1[kMax], w2[kMax], w3[kMax];
  BoundSamples() {
    for (float t = 0.1f; t < 0.9f && n < kMax; t += 0.01f, ++n) {
      CFPoint w;
      w0[n] = CBezierSegment{{1, 0}, {0, 0}, {0, 0}, {0, 0}, {}}.PointAt(t, w).x;
      w1[n] = CBezierSegment{{0, 0}, {1, 0}, {0, 0}, {0, 0}, {}}.PointAt(t, w).x;
      w2[n] = CBezierSegment{{0, 0}, {0, 0}, {1, 0}, {0, 0}, {}}.PointAt(t, w).x;
      w3[n] = CBezierSegment{{0, 0}, {0, 0}, {0, 0}, {1, 0}, {}}.PointAt(t, w).x;
    }
  }
};

const BoundSamples& Samples() {
  static const BoundSamples samples;
  return samples;
}

typedef float V4 __attribute__((vector_size(16)));
typedef int M4 __attribute__((vector_size(16)));

// Running bounds of the nodes, kept in a register by the builders as -left,
// -top, right, bottom: a point widens all four with one comparison (the
// negated lanes keep the minimum as the others the maximum, ties and NaN as
// std::min and std::max leave them).
struct Extent {
  V4 v;
  bool has;
  Extent(const CFRect& b, bool h) : v{-b.left, -b.top, b.right, b.bottom}, has(h) {}
  CFRect Rect() const { return CFRect(-v[0], -v[1], v[2], v[3]); }
  static V4 Of(float x, float y) { return V4{-x, -y, x, y}; }
  static bool All(M4 m) {
#if defined(__SSE__)
    typedef float F4 __attribute__((vector_size(16)));
    return __builtin_ia32_movmskps(reinterpret_cast<F4>(m)) == 15;
#else
    return (m[0] & m[1] & m[2] & m[3]) != 0;
#endif
  }
  bool Holds(float x, float y) const { return All(Of(x, y) <= v); }
  void Widen(float x, float y) {
    const V4 p = Of(x, y);
    v = v < p ? p : v;
  }
  void Start(float x, float y) {
    v = Of(x, y);
    has = true;
  }
};

// One axis of a Bezier piece widens the bounds [lo, hi] by its samples, one
// after another as Widen does, with the curve evaluation's sums in its order.
// Samples lie within the piece's coordinates but for rounding: a side the
// piece stays well inside of is left as it is. Else the samples go four at a
// time into a few running extremes: their smallest and largest are what the
// one-by-one widening leaves (which steps over samples that are not numbers),
// unless that extreme is a zero, whose sign depends on the order; then the
// samples go one by one.
#if defined(__x86_64__) && defined(__GNUC__)
// Eight samples a step where the processor has the wider registers.
#define SAMPLE_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define SAMPLE_CLONES
#endif

SAMPLE_CLONES void WidenAxisBySamples(float& lo, float& hi, float c0, float c1, float c2, float c3) {
  const float cmin = std::min(std::min(c0, c1), std::min(c2, c3));
  const float cmax = std::max(std::max(c0, c1), std::max(c2, c3));
  const double big = std::max(std::fabs(double(cmin)), std::fabs(double(cmax)));
  const double margin = big * 0x1p-20 + 1e-37;
  const bool low = !(double(cmin) - margin > double(lo));
  const bool high = !(double(cmax) + margin < double(hi));
  if (!low && !high) return;
  const BoundSamples& w = Samples();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  typedef float V8 __attribute__((vector_size(32)));
  // Eight running extremes a side.
  V8 lo8 = {kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf}, hi8 = -lo8;
  const int pairs = w.n / 8;
  for (int k = 0; k < pairs; ++k) {
    V8 a0, a1, a2, a3;
    std::memcpy(&a0, w.w0 + 8 * k, sizeof a0);
    std::memcpy(&a1, w.w1 + 8 * k, sizeof a1);
    std::memcpy(&a2, w.w2 + 8 * k, sizeof a2);
    std::memcpy(&a3, w.w3 + 8 * k, sizeof a3);
    const V8 u = a0 * c0 + a1 * c1 + a2 * c2 + a3 * c3;
    if (low) lo8 = u < lo8 ? u : lo8;
    if (high) hi8 = u > hi8 ? u : hi8;
  }
  float m = kInf, M = -kInf;
  for (int k = 0; k < 8; ++k) {
    m = std::min(m, lo8[k]);
    M = std::max(M, hi8[k]);
  }
  for (int i = 8 * pairs; i < w.n; ++i) {
    const float v = w.w0[i] * c0 + w.w1[i] * c1 + w.w2[i] * c2 + w.w3[i] * c3;
    m = std::min(m, v);
    M = std::max(M, v);
  }
  if ((low && m == 0.0f) || (high && M == 0.0f)) {
    for (int i = 0; i < w.n; ++i) {
      const float v = w.w0[i] * c0 + w.w1[i] * c1 + w.w2[i] * c2 + w.w3[i] * c3;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    return;
  }
  if (low) lo = std::min(lo, m);
  if (high) hi = std::max(hi, M);
}

[[gnu::noinline]] void WidenBySamples(float& left, float& top, float& right, float& bottom, float x0,
                                      float y0, float x1, float y1, float x2, float y2, float x3,
                                      float y3) {
  WidenAxisBySamples(left, right, x0, x1, x2, x3);
  WidenAxisBySamples(top, bottom, y0, y1, y2, y3);
}

void WidenBySamples(Extent& e, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                    float y3) {
  float left = -e.v[0], top = -e.v[1], right = e.v[2], bottom = e.v[3];
  WidenBySamples(left, top, right, bottom, x0, y0, x1, y1, x2, y2, x3, y3);
  e.v = V4{-left, -top, right, bottom};
}

// The bounds for the record at index i of recs (available records there).
inline void KeepExtent(Extent& e, const PathPoint* recs, std::size_t i, std::size_t available) {
  const PathPoint& pt = recs[i];
  if (!IsNode(pt.flags)) return;
  if (!e.has) {
    e.Start(pt.x, pt.y);
    return;
  }
  e.Widen(pt.x, pt.y);
  // A node ending a Bezier piece: the three records before it are P0, P1, P2.
  if ((pt.flags & PP_START) || i < 3) return;
  if (i >= available || (recs[i - 1].flags & PP_NODE)) return;
  const PathPoint &p0 = recs[i - 3], &p1 = recs[i - 2], &p2 = recs[i - 1];
  if (e.Holds(p0.x, p0.y) && e.Holds(p1.x, p1.y) && e.Holds(p2.x, p2.y) && e.Holds(pt.x, pt.y))
    return;
  WidenBySamples(e, p0.x, p0.y, p1.x, p1.y, p2.x, p2.y, pt.x, pt.y);
}

// The bounds over the records from `from` up to the first end record or
// `to`, as KeepExtent one after another would keep them; where it stopped.
std::size_t KeepRun(Extent& e, const PathPoint* recs, std::size_t from, std::size_t to) {
  std::size_t i = from;
  for (; i < to && !e.has; ++i) {
    if (recs[i].flags == PP_END) return i;
    KeepExtent(e, recs, i, to);
  }
  if (i >= to) return i;
  // The same in scalars (x < l widens left as the negated lane does), with
  // a piece's four points checked at once.
  float l = -e.v[0], t = -e.v[1], r = e.v[2], b = e.v[3];
  for (; i < to; ++i) {
    const PathPoint& pt = recs[i];
    const std::uint8_t f = pt.flags;
    if (f == PP_END) break;
    if (!IsNode(f)) continue;
    const float x = pt.x, y = pt.y;
    l = x < l ? x : l;
    t = y < t ? y : t;
    r = r < x ? x : r;
    b = b < y ? y : b;
    if (i < 3 || (f & PP_START) || (recs[i - 1].flags & PP_NODE)) continue;
    const PathPoint &p0 = recs[i - 3], &p1 = recs[i - 2], &p2 = recs[i - 1];
    const V4 lo = {l, t, l, t}, hi = {r, b, r, b};
    const V4 u = {p0.x, p0.y, p1.x, p1.y}, w = {p2.x, p2.y, x, y};
    if (!Extent::All((lo <= u) & (u <= hi) & (lo <= w) & (w <= hi)))
      WidenBySamples(l, t, r, b, p0.x, p0.y, p1.x, p1.y, p2.x, p2.y, x, y);
  }
  e.v = V4{-l, -t, r, b};
  return i;
}

}  // namespace

CPathBounds::Box CPathBounds::Sampled(Box b, float x0, float y0, float x1, float y1, float x2,
                                      float y2, float x3, float y3) {
  WidenBySamples(b.l, b.t, b.r, b.b, x0, y0, x1, y1, x2, y2, x3, y3);
  return b;
}

void CPathPointList::KeepBounds(const PathPoint* recs, std::size_t available, int n) {
  Extent e(bounds, hasBounds);
  KeepExtent(e, recs, std::size_t(n - 1), available);
  bounds = e.Rect();
  hasBounds = e.has;
}

int CPathPointList::AddPoint(const PathPoint& pt) {
  int n = AppendPoint(pt);
  if (!IsNode(pt.flags) || !points) return n;
  // Only a Bezier piece's end reads the records before it.
  if (!hasBounds || (pt.flags & PP_START) || n < 4) {
    const PathPoint one[1] = {pt};
    Extent e(bounds, hasBounds);
    KeepExtent(e, one, 0, 1);
    bounds = e.Rect();
    hasBounds = e.has;
    return n;
  }
  Records r(points);
  KeepBounds(r.p, r.n, n);
  return n;
}

// ---- Builder ----

namespace {

// Working buffers of the builders of a thread, kept for the next build.
std::vector<std::unique_ptr<CPathPointBuilder::Buffer>>& BuilderBuffers() {
  thread_local std::vector<std::unique_ptr<CPathPointBuilder::Buffer>> pool;
  return pool;
}

}  // namespace

CPathPointBuilder::CPathPointBuilder(CPathPointList& list)
    : list_(list), direct_(list.points != 0) {
  auto& pool = BuilderBuffers();
  if (pool.empty()) {
    buf_ = new Buffer;
  } else {
    buf_ = pool.back().release();
    pool.pop_back();
  }
  buf_->size = 0;
  if (!direct_) list_.count = 0;
}

CPathPointBuilder::~CPathPointBuilder() {
  if (!direct_ && dirty_) Flush();
  auto& pool = BuilderBuffers();
  // A buffer grown by a huge outline is not kept.
  if (pool.size() < 4 && buf_->cap <= (std::size_t(1) << 20))
    pool.emplace_back(buf_);
  else
    delete buf_;
}

PathPoint* CPathPointBuilder::Room(std::size_t n) {
  // A list built through its own AddPoint stages the points at the start.
  const std::size_t at = direct_ ? 0 : buf_->size;
  if (n > buf_->cap - at) {
    const std::size_t cap = std::max({std::size_t(256), 2 * buf_->cap, at + n});
    auto p = std::make_unique_for_overwrite<PathPoint[]>(cap);
    if (at) std::memcpy(p.get(), buf_->p.get(), at * kRec);
    buf_->p = std::move(p);
    buf_->cap = cap;
  }
  return buf_->p.get() + at;
}

int CPathPointBuilder::AddPoints(const PathPoint* pts, std::size_t n) {
  if (n == 0) return count();
  std::memcpy(Room(n), pts, n * kRec);
  return Commit(n);
}

int CPathPointBuilder::Commit(std::size_t n) {
  if (direct_) {
    for (std::size_t i = 0; i < n; ++i) list_.AddPoint(buf_->p[i]);
    return list_.count;
  }
  while (n > 0) {
    // A run up to and with the next end record.
    const PathPoint* recs = buf_->p.get();
    const std::size_t base = buf_->size;
    Extent e(list_.bounds, list_.hasBounds);
    const std::size_t k = KeepRun(e, recs, base, base + n) - base;
    list_.bounds = e.Rect();
    list_.hasBounds = e.has;
    const bool ends = k < n;
    const std::size_t total = base + k + (ends ? 1 : 0);
    buf_->size = total;
    dirty_ = true;
    // The list's own growth: a first block of 100 records, then 50 more
    // whenever the count reaches the capacity.
    if (capacity_ == 0 && base == 0) capacity_ = CPathPointList::kFirstCapacity;
    while (std::size_t(capacity_) < total) capacity_ += CPathPointList::kGrowBy;
    list_.count = std::int32_t(total);
    if (ends) {
      capacity_ = std::int32_t(total);
      Flush();
    }
    n -= total - base;
  }
  return list_.count;
}

int CPathPointBuilder::Commit(std::size_t n, const CPathBounds& kept) {
  if (direct_ || n == 0) return Commit(n);
  const std::size_t base = buf_->size, total = base + n;
  buf_->size = total;
  dirty_ = true;
  list_.bounds = kept.Rect();
  list_.hasBounds = kept.Has();
  if (capacity_ == 0 && base == 0) capacity_ = CPathPointList::kFirstCapacity;
  while (std::size_t(capacity_) < total) capacity_ += CPathPointList::kGrowBy;
  list_.count = std::int32_t(total);
  return list_.count;
}

void CPathPointBuilder::Flush() {
  dirty_ = false;
  const std::size_t n = buf_->size;
  if (n == 0) return;
  // Every byte is written below: the records, then zeros.
  const std::size_t bytes = std::size_t(capacity_ + 2) * kRec;
  plat::HGLOBAL h = list_.points ? plat::GlobalReAlloc(list_.points, bytes, plat::GMEM_MOVEABLE)
                                 : plat::GlobalAlloc(plat::GMEM_MOVEABLE, bytes);
  if (!h) {
    list_.FreePoints();
    list_.count = 0;
    list_.capacity = 0;
    return;
  }
  list_.points = h;
  list_.capacity = capacity_;
  list_.count = std::int32_t(n);
  GlobalLockGuard g(h);
  std::memcpy(g.bytes(), buf_->p.get(), n * kRec);
  std::memset(g.bytes() + n * kRec, 0, bytes - n * kRec);
}

int CPathPointList::EndPoints() { return AppendPoint(PathPoint{0.0f, 0.0f, PP_END}); }

void CPathPointList::CloseSubpath() {
  if (!points) return;
  PathPoint start{};
  bool found = false;
  {
    Records r(points);
    for (std::int64_t i = std::min<std::int64_t>(count, std::int64_t(r.n)) - 1; i >= 0; --i) {
      if (IsPoint(r.p[i].flags) && (r.p[i].flags & PP_START)) {
        start = r.p[i];
        found = true;
        break;
      }
    }
  }
  if (found) AddPoint(PathPoint{start.x, start.y, 0x41});
}

void CPathPointList::RemoveEndRecords() {
  if (!points || count <= 0) return;
  Records r(points);
  std::int64_t i = std::min<std::int64_t>(count, std::int64_t(r.n)) - 1;
  while (i > 0 && r.p[i].flags == PP_END) {
    r.p[i] = PathPoint{0.0f, 0.0f, 0};
    --i;
  }
  count = std::int32_t(i + 1);
}

void CPathPointList::ReopenLastSubpath() {
  if (!points || count <= 0) return;
  Records r(points);
  std::int64_t i = std::min<std::int64_t>(count, std::int64_t(r.n)) - 1;
  while (i > 0 && r.p[i].flags >= PP_SPECIAL) {
    r.p[i] = PathPoint{0.0f, 0.0f, 0};
    --i;
  }
  count = std::int32_t(i + 1);
  if (i >= 0 && IsPoint(r.p[i].flags)) r.p[i].flags &= std::uint8_t(~(PP_OPENEND | PP_CLOSEEND));
}

std::unique_ptr<CPathPointList> CPathPointList::Clone(const CMatrix3* m) const {
  if (!points) return nullptr;
  auto copy = std::make_unique<CPathPointList>();
  copy->points = plat::GlobalDuplicate(points);
  if (!copy->points) return nullptr;
  copy->bounds = bounds;
  copy->hasBounds = hasBounds;
  copy->capacity = capacity;
  copy->count = count;
  copy->matrix = matrix;
  if (m) copy->matrix.Multiply(*m);
  return copy;
}

void CPathPointList::Transform(const CMatrix3* m) {
  if (!m) return;
  matrix.Multiply(*m);
  if (hasBounds) m->TransformRectBounds(bounds);
}

void CPathPointList::ApplyTransform() {
  if (!points || matrix.IsIdentity()) return;
  Records r(points);
  bool any = false;
  float l = 0, t = 0, rt = 0, b = 0;
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    if (!IsPoint(r.p[i].flags)) continue;
    matrix.TransformPathPoint(r.p[i]);
    float x = r.p[i].x, y = r.p[i].y;
    if (!any) {
      l = rt = x;
      t = b = y;
      any = true;
    } else {
      l = std::min(l, x);
      rt = std::max(rt, x);
      t = std::min(t, y);
      b = std::max(b, y);
    }
  }
  if (any) {
    bounds = CFRect(l, t, rt, b);
    hasBounds = true;
  }
  matrix.SetIdentity();
}

void CPathPointList::AppendList(CPathPointList* other) {
  if (!other || other->count == 0 || !other->points || other == this) return;
  ApplyTransform();
  other->ApplyTransform();
  if (!points) {
    points = plat::GlobalDuplicate(other->points);
    if (!points) return;
    count = other->count;
    capacity = other->capacity;
    bounds = other->bounds;
    hasBounds = other->hasBounds;
    return;
  }
  if (other->hasBounds) {
    if (hasBounds) {
      bounds = CFRect(std::min(bounds.left, other->bounds.left),
                      std::min(bounds.top, other->bounds.top),
                      std::max(bounds.right, other->bounds.right),
                      std::max(bounds.bottom, other->bounds.bottom));
    } else {
      bounds = other->bounds;
      hasBounds = true;
    }
  }
  // Where this list's end record is; a list still being built (no end record)
  // keeps all its records and the other's follow them.
  std::size_t i;
  {
    Records r(points);
    std::int64_t k = std::min<std::int64_t>(count, std::int64_t(r.n) - 1);
    while (k >= 0 && r.p[k].flags != PP_END) --k;
    i = k >= 0 ? std::size_t(k) : std::min<std::size_t>(std::max(count, 0), r.n);
  }
  // The other's records before the first of its trailing end records.
  std::size_t j;
  {
    Records o(other->points);
    std::int64_t k = std::min<std::int64_t>(other->count, std::int64_t(o.n) - 1);
    while (k >= 0 && o.p[k].flags != PP_END) --k;
    if (k >= 0) {
      while (k > 0 && o.p[k - 1].flags == PP_END) --k;
      j = std::size_t(k);
    } else {
      j = std::min<std::size_t>(std::max(other->count, 0), o.n);
    }
  }
  const std::size_t total = i + j + 1;
  if (!plat::GlobalReAlloc(points, (total + 2) * kRec, plat::GHND)) return;
  {
    Records r(points);
    Records o(other->points);
    std::memcpy(r.p + i, o.p, j * kRec);
    r.p[i + j] = PathPoint{0.0f, 0.0f, PP_END};
  }
  capacity = std::int32_t(BlockRecords());
  count = std::int32_t(total);
}

std::unique_ptr<CPathPointList> CPathPointList::ReverseSubpaths() {
  ApplyTransform();
  auto out = std::make_unique<CPathPointList>();
  if (points) {
    Records r(points);
    std::size_t pos = 0;
    for (;;) {
      while (pos < r.n && r.p[pos].flags >= PP_SPECIAL && r.p[pos].flags != PP_END)
        out->AppendPoint(r.p[pos++]);
      // One sub-path: point records up to and including its end mark.
      std::size_t first = pos;
      while (pos < r.n && IsPoint(r.p[pos].flags)) {
        bool ends = (r.p[pos].flags & (PP_OPENEND | PP_CLOSEEND)) != 0;
        ++pos;
        if (ends) break;
      }
      if (pos == first) break;
      std::size_t last = pos - 1;
      if (first == last) {
        out->AddPoint(r.p[first]);
        continue;
      }
      std::uint8_t endFlags = r.p[last].flags;
      // A run without an end mark ends open when reversed.
      std::uint8_t kept = (endFlags & (PP_OPENEND | PP_CLOSEEND))
                              ? std::uint8_t(endFlags & ~PP_SELECTED)
                              : std::uint8_t(0x21);
      for (std::size_t k = last + 1; k-- > first;) {
        PathPoint p = r.p[k];
        if (k == last) {
          p.flags = 0x11;
        } else if (k == first) {
          p.flags = kept;
        }
        out->AddPoint(p);
      }
    }
  }
  out->EndPoints();
  return out;
}

std::unique_ptr<CPathPointList> CPathPointList::CreateFromRecord(const std::uint8_t* rec,
                                                                 std::size_t size) {
  constexpr std::size_t kHead = 68;
  if (!rec || size < kHead + 1 || rec[0] != '#') return nullptr;
  const std::uint32_t len = GetU32(rec + 1);
  if (len < 69 || len > size) return nullptr;
  const std::uint32_t n = GetU32(rec + 64);
  if (n < 1 || n > (len - 69) / 9) return nullptr;
  const std::uint8_t* recs = rec + kHead;
  if (recs[std::size_t(n - 1) * kRec + 8] != PP_END) return nullptr;

  auto list = std::make_unique<CPathPointList>();
  list->points = plat::GlobalAlloc(plat::GHND, (std::size_t(n) + 2) * kRec);
  if (!list->points) return nullptr;
  std::memcpy(&list->bounds, rec + 8, sizeof(CFRect));
  std::memcpy(&list->matrix, rec + 24, sizeof(CMatrix3));
  list->count = list->capacity = std::int32_t(n);
  Records r(list->points);
  std::memcpy(r.p, recs, std::size_t(n) * kRec);
  for (std::size_t i = 0; i < n; ++i) list->hasBounds = list->hasBounds || IsNode(r.p[i].flags);
  return list;
}

std::unique_ptr<CPathPointList> CPathPointList::CreateFromRecord(plat::HGLOBAL block) {
  GlobalLockGuard g(block);
  if (!g) return nullptr;
  return CreateFromRecord(g.bytes(), g.size());
}

std::uint32_t CPathPointList::SaveToRecord(plat::HGLOBAL* out) const {
  if (out) *out = 0;
  if (!out || !points) return 0;
  Records r(points);
  std::int64_t k = std::min<std::int64_t>(count, std::int64_t(r.n)) - 1;
  while (k >= 0 && r.p[k].flags != PP_END) --k;
  const std::int64_t n = k + 1;
  // A two-node line is a path of its own; a single node is not.
  if (n - 1 < 2) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, std::size_t(78 + 9 * n));
  if (!h) return 0;
  const std::uint32_t len = std::uint32_t(69 + 9 * n);
  {
    GlobalLockGuard g(h);
    std::uint8_t* b = g.bytes();
    b[0] = '#';
    PutU32(b + 1, len);
    b[5] = 128;
    std::memcpy(b + 8, &bounds, sizeof(CFRect));
    std::memcpy(b + 24, &matrix, sizeof(CMatrix3));
    PutU32(b + 64, std::uint32_t(n));
    std::memcpy(b + 68, r.p, std::size_t(n) * kRec);
    b[68 + 9 * n] = 0xF1;
    b[69 + 9 * n] = 0xFF;
  }
  *out = h;
  return len;
}

// ---- Drawing ----

void CPathPointList::StrokeWalk(plat::DC* dc, const plat::RECT* clip, const CMatrix3& m,
                                std::size_t limit, plat::KeptStroke* keep) const {
  Records r(points);
  const std::size_t n = std::min(limit, r.n);
  const bool identity = m.IsIdentity();
  ColorObjects colors(dc);
  dc->BeginPath();
  plat::POINT cur{};
  bool penDown = false;
  bool afterControl = false;
  for (std::size_t i = 0; i < n; ++i) {
    const PathPoint& rec = r.p[i];
    if (rec.flags == PP_END) break;
    if (rec.flags >= PP_SPECIAL) {
      if (rec.flags == PP_COLOR) colors.SelectPen(RecordColor(rec));
      continue;
    }
    if (!(rec.flags & PP_NODE)) {
      afterControl = true;
      continue;
    }
    const plat::POINT p = ToDevice(m, identity, rec);
    if ((rec.flags & 0x70) == PP_START) {
      penDown = !clip || PtIn(*clip, p);
      if (penDown) dc->MoveTo(p);
      cur = p;
    } else if (!afterControl || i < 2) {
      if (!(p == cur)) {
        if (clip) {
          plat::RECT box;
          RectFromPoints(cur.x, cur.y, p.x, p.y, box);
          box = plat::GrowRect(box, 1, 1);
          if (Meets(box, *clip)) {
            if (!penDown) dc->MoveTo(cur);
            dc->LineTo(p);
            penDown = true;
          } else {
            penDown = false;
          }
        } else {
          dc->LineTo(p);
        }
        cur = p;
      }
    } else {
      const plat::POINT pts[3] = {ToDevice(m, identity, r.p[i - 2]),
                                  ToDevice(m, identity, r.p[i - 1]), p};
      plat::LONG minx = cur.x, maxx = cur.x, miny = cur.y, maxy = cur.y;
      for (const plat::POINT& q : pts) {
        minx = std::min(minx, q.x);
        maxx = std::max(maxx, q.x);
        miny = std::min(miny, q.y);
        maxy = std::max(maxy, q.y);
      }
      const std::int64_t s = std::int64_t(maxx) - minx + (std::int64_t(maxy) - miny);
      if (s > 0) {
        const plat::RECT box{minx, miny, plat::SatAdd(maxx, 1), plat::SatAdd(maxy, 1)};
        if (!clip || Meets(box, *clip)) {
          if (clip && !penDown) dc->MoveTo(cur);
          if (s < 3) {
            dc->LineTo(p);
          } else {
            dc->PolyBezierTo(pts, 3);
          }
          penDown = true;
        } else {
          penDown = false;
        }
      }
      cur = p;
    }
    afterControl = false;
  }
  dc->EndPath();
  if (keep && !colors.Changed()) {
    dc->StrokePath(keep);
  } else {
    if (keep) keep->Clear();
    dc->StrokePath();
  }
}

void CPathPointList::DrawOutline(plat::DC* dc, const plat::RECT* clip) const {
  if (!dc || !points) return;
  StrokeWalk(dc, clip, matrix, BlockRecords());
}

void CPathPointList::DrawOutlineThrough(plat::DC* dc, const CMatrix3& m,
                                        plat::KeptStroke* keep) const {
  if (!dc || !points) {
    if (keep) keep->Clear();
    return;
  }
  StrokeWalk(dc, nullptr, m, BlockRecords(), keep);
}

bool CPathPointList::DeviceShift(const CMatrix3& from, const CMatrix3& to, plat::POINT* by) const {
  if (!points || from.m00 != to.m00 || from.m01 != to.m01 || from.m10 != to.m10 || from.m11 != to.m11)
    return false;
  Records r(points);
  const std::size_t n = std::min(BlockRecords(), r.n);
  // Through either matrix a point is the same products plus that matrix's
  // offset (as ToDevice sums them); an identity takes its own path.
  const bool shared = !from.IsIdentity() && !to.IsIdentity();
  bool first = true;
  std::int64_t dx = 0, dy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const PathPoint& rec = r.p[i];
    if (rec.flags == PP_END) break;
    if (rec.flags >= PP_SPECIAL) continue;
    plat::POINT a, b;
    if (shared) {
      const float x = rec.x, y = rec.y;
      const float px = x * from.m00 + y * from.m10, py = x * from.m01 + y * from.m11;
      a = {Trunc(px + from.m20), Trunc(py + from.m21)};
      b = {Trunc(px + to.m20), Trunc(py + to.m21)};
    } else {
      a = ToDevice(from, from.IsIdentity(), rec);
      b = ToDevice(to, to.IsIdentity(), rec);
    }
    const std::int64_t ex = std::int64_t(b.x) - std::int64_t(a.x), ey = std::int64_t(b.y) - std::int64_t(a.y);
    if (first) {
      dx = ex, dy = ey, first = false;
    } else if (ex != dx || ey != dy) {
      return false;
    }
  }
  if (first || dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) return false;
  *by = {plat::LONG(dx), plat::LONG(dy)};
  return true;
}

void CPathPointList::DrawOutlineWith(plat::DC* dc, const CMatrix3* m) const {
  if (!dc || !points) return;
  CMatrix3 composed = matrix;
  if (m) composed.Multiply(*m);
  StrokeWalk(dc, nullptr, composed, std::size_t(std::max(count, 0)));
}

int CPathPointList::FillPath(plat::DC* dc) const {
  if (!dc || !points) return 0;
  return FillWalk(dc, matrix);
}

int CPathPointList::FillWalk(plat::DC* dc, const CMatrix3& m) const {
  Records r(points);
  const bool identity = m.IsIdentity();
  ColorObjects colors(dc);
  dc->BeginPath();
  bool afterControl = false;
  for (std::size_t i = 0; i < r.n; ++i) {
    const PathPoint& rec = r.p[i];
    if (rec.flags == PP_END) break;
    if (rec.flags >= PP_SPECIAL) {
      if (rec.flags == PP_COLOR) {
        colors.SelectPen(RecordColor(rec));
        colors.SelectBrush(RecordColor(rec));
      }
      continue;
    }
    if (!(rec.flags & PP_NODE)) {
      afterControl = true;
      continue;
    }
    const plat::POINT p = ToDevice(m, identity, rec);
    if ((rec.flags & 0x70) == PP_START) {
      dc->MoveTo(p);
    } else if (!afterControl || i < 2) {
      dc->LineTo(p);
    } else {
      const plat::POINT pts[3] = {ToDevice(m, identity, r.p[i - 2]),
                                  ToDevice(m, identity, r.p[i - 1]), p};
      if (!dc->PolyBezierTo(pts, 3)) {
        dc->AbortPath();
        return 0;
      }
    }
    if (rec.flags & PP_CLOSEEND) dc->CloseFigure();
    afterControl = false;
  }
  dc->EndPath();
  return dc->StrokeAndFillPath();
}

void CPathPointList::DrawFilled(plat::DC* dc) const {
  if (!FillPath(dc)) DrawOutline(dc, nullptr);
}

void CPathPointList::DrawFilledThrough(plat::DC* dc, const CMatrix3& m) const {
  if (!dc || !points) return;
  if (!FillWalk(dc, m)) StrokeWalk(dc, nullptr, m, BlockRecords());
}

void CPathPointList::DrawOutlineInColor(plat::DC* dc, std::uint32_t packed) const {
  if (!dc) return;
  plat::HPEN pen = ThePaletteStore().CreateColorPen(packed, plat::PS_SOLID, 1);
  plat::HPEN oldPen = dc->SelectObject(pen);
  DrawOutline(dc, nullptr);
  dc->SelectObject(oldPen);
  plat::DeleteObject(pen);
}

void CPathPointList::DrawFilledInColor(plat::DC* dc, std::uint32_t packed) const {
  if (!dc) return;
  plat::HPEN pen = ThePaletteStore().CreateColorPen(packed, plat::PS_SOLID, 1);
  plat::HBRUSH brush = ThePaletteStore().CreateColorBrush(packed, plat::BS_SOLID);
  plat::HPEN oldPen = dc->SelectObject(pen);
  plat::HBRUSH oldBrush = dc->SelectObject(brush);
  DrawFilled(dc);
  dc->SelectObject(oldBrush);
  dc->SelectObject(oldPen);
  plat::DeleteObject(brush);
  plat::DeleteObject(pen);
}

bool CPathPointList::HitTest(float x, float y, float tolerance) const {
  if (!points) return false;
  Records r(points);
  CFPoint cur{};
  bool afterControl = false;
  for (std::size_t i = 0; i < r.n; ++i) {
    const PathPoint& rec = r.p[i];
    if (rec.flags == PP_END) break;
    if (rec.flags >= PP_SPECIAL) continue;
    if (!(rec.flags & PP_NODE)) {
      afterControl = true;
      continue;
    }
    const CFPoint node{rec.x, rec.y};
    float hit = -1.0f;
    if (rec.flags & PP_START) {
      // a sub-path start only sets the current point
    } else if (!afterControl || i < 2) {
      CFPoint p{x, y};
      hit = HitTestSegment(cur.x, cur.y, node.x, node.y, p, tolerance);
    } else {
      CBezierSegment seg{cur, {r.p[i - 2].x, r.p[i - 2].y}, {r.p[i - 1].x, r.p[i - 1].y}, node,
                         {}};
      CFPoint p{x, y};
      hit = seg.HitTest(p, tolerance);
    }
    if (hit >= 0.0f) return true;
    cur = node;
    afterControl = false;
  }
  return false;
}

// ---- Builders ----

int AppendContinuation(CPathPointList& target, const CPathPointList& source) {
  if (source.points) {
    Records r(source.points);
    bool first = true;
    for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
      PathPoint p = r.p[i];
      if (first) p.flags = PP_NODE;
      first = false;
      target.AddPoint(p);
    }
  }
  return target.EndPoints();
}

std::unique_ptr<CPathPointList> MakeArcPointList(float x1, float y1, float x2, float y2,
                                                 float start, float end) {
  constexpr float kQuarter = 1.5707963f;
  constexpr float kTwoPi = 6.2831852f;
  constexpr float kTangent = 0.553f;
  const float cx = (x1 + x2) / 2.0f, cy = (y1 + y2) / 2.0f;
  const float rx = (x2 - x1) / 2.0f, ry = (y2 - y1) / 2.0f;
  auto at = [&](float a) { return CFPoint{cx + rx * std::cos(a), cy - ry * std::sin(a)}; };
  auto list = std::make_unique<CPathPointList>();
  if (!std::isfinite(start) || !std::isfinite(end)) {
    list->EndPoints();
    return list;
  }
  const CFPoint startPt = at(start), endPt = at(end);
  // Far-out angles are brought near the circle so that the loops end.
  if (std::fabs(start) > 1.0e5f) start = std::fmod(start, kTwoPi);
  if (std::fabs(end) > 1.0e5f) end = std::fmod(end, kTwoPi);
  while (start < 0.0f) start += kTwoPi;
  while (end < 0.0f) end += kTwoPi;
  while (end < start) end += kTwoPi;

  bool firstPiece = true;
  for (int pieces = 0; start < end && pieces < 1000; ++pieces) {
    const int q = int(std::trunc((start + 0.00001f) / kQuarter)) % 4;
    CBezierSegment seg;
    switch (q) {
      case 0:
        seg = {{x2, cy}, {x2, cy - kTangent * (cy - y1)}, {cx + kTangent * (x2 - cx), y1},
               {cx, y1}, {}};
        break;
      case 1:
        seg = {{cx, y1}, {cx - kTangent * (cx - x1), y1}, {x1, cy - kTangent * (cy - y1)},
               {x1, cy}, {}};
        break;
      case 2:
        seg = {{x1, cy}, {x1, cy + kTangent * (y2 - cy)}, {cx - kTangent * (cx - x1), y2},
               {cx, y2}, {}};
        break;
      default:
        seg = {{cx, y2}, {cx + kTangent * (x2 - cx), y2}, {x2, cy + kTangent * (y2 - cy)},
               {x2, cy}, {}};
        break;
    }
    float next = start - std::fmod(start, kQuarter) + kQuarter;
    if (std::fabs(next - start) < 0.00001f) next = start + kQuarter;
    if (firstPiece) {
      float f = std::fmod(start, kQuarter) / kQuarter;
      if (f > 0.0f && f < 0.9999f) {
        CBezierSegment head, tail;
        seg.Split(f, head, tail);
        seg = tail;
      }
    }
    if (next > end) {
      float f = (end - start) / (next - start);
      if (f != 0.0f) {
        CBezierSegment head, tail;
        seg.Split(f, head, tail);
        seg = head;
      }
    }
    if (firstPiece) list->AddPoint(startPt.x, startPt.y, 0x11);
    list->AddPoint(seg.P1.x, seg.P1.y, 0x00);
    list->AddPoint(seg.P2.x, seg.P2.y, 0x00);
    if (next >= end) {
      list->AddPoint(endPt.x, endPt.y, 0x21);
    } else {
      list->AddPoint(seg.P3.x, seg.P3.y, 0x01);
    }
    firstPiece = false;
    start = next;
  }
  list->EndPoints();
  return list;
}

// ---- Export writers --------------------------------------------------------

namespace {

void AppendInt(std::string& out, plat::LONG v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// "%.3f" without the locale.
void AppendFixed3(std::string& out, float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, double(v), std::chars_format::fixed, 3);
  if (r.ec != std::errc()) {
    out += "0.000";
    return;
  }
  out.append(buf, r.ptr);
}

void HpglMove(std::string& out, const char* op, float x, float y) {
  out += op;
  AppendInt(out, TruncToLong(x));
  out += ',';
  AppendInt(out, TruncToLong(y));
  out += ";\r\n";
}

bool Finite(const PathPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The point records of a list in order, through its pending matrix, up to the
// end record; `fn(point, finite)` for each.
template <class F>
void WalkPoints(const CPathPointList& list, F&& fn) {
  if (!list.points) return;
  Records r(list.points);
  const bool identity = list.matrix.IsIdentity();
  for (std::size_t i = 0; i < r.n; ++i) {
    PathPoint p = r.p[i];
    if (p.flags == PP_END) break;
    if (!IsPoint(p.flags)) continue;
    if (!identity) list.matrix.TransformPathPoint(p);
    fn(p, Finite(p));
  }
}

// The last three points walked, newest last, and whether each was finite.
struct Recent {
  PathPoint p[3]{};
  bool ok[3]{};
  int have = 0;
  void Push(const PathPoint& pt, bool finite) {
    p[0] = p[1];
    p[1] = p[2];
    p[2] = pt;
    ok[0] = ok[1];
    ok[1] = ok[2];
    ok[2] = finite;
    if (have < 3) ++have;
  }
  // The point before this one ends a cubic segment: the two before it are
  // control points and the one before those a node, all finite.
  bool EndsCurve() const {
    return have == 3 && IsControl(p[2].flags) && IsControl(p[1].flags) && ok[0] && ok[1] && ok[2];
  }
  bool AfterControl() const { return have > 0 && IsControl(p[2].flags); }
};

}  // namespace

void CPathPointList::WriteHpglBezier(std::string& out, const CFPoint p[4], int depth) {
  if (p[0] == p[1] && p[0] == p[2] && p[0] == p[3]) return;
  constexpr float kTwoPi = 6.2831852f;
  constexpr float kFlat = 0.0872663888888889f;  // 5 degrees
  constexpr float kEven = 0.017453277777777776f;  // 1 degree
  const float chord = std::atan2(p[3].y - p[0].y, p[3].x - p[0].x);
  const float a1 = std::atan2(p[1].y - p[0].y, p[1].x - p[0].x);
  const float a2 = std::atan2(p[3].y - p[2].y, p[3].x - p[2].x);
  float d1 = std::fabs(chord - a1);
  float d2 = std::fabs(chord - a2);
  d1 = std::min(d1, kTwoPi - d1);
  d2 = std::min(d2, kTwoPi - d2);
  if ((d1 < kFlat && d2 < kFlat) || depth >= 11) {
    HpglMove(out, "PD", p[3].x, p[3].y);
    return;
  }
  float t = 0.5f;
  if (!(std::fabs(d1 - d2) < kEven)) t = d1 <= d2 ? 0.6666f : 0.3333f;
  auto lerp = [t](const CFPoint& a, const CFPoint& b) {
    return CFPoint{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
  };
  const CFPoint q0 = lerp(p[0], p[1]), q1 = lerp(p[1], p[2]), q2 = lerp(p[2], p[3]);
  const CFPoint r0 = lerp(q0, q1), r1 = lerp(q1, q2);
  const CFPoint m = lerp(r0, r1);
  const CFPoint left[4] = {p[0], q0, r0, m};
  const CFPoint right[4] = {m, r1, q2, p[3]};
  WriteHpglBezier(out, left, depth + 1);
  WriteHpglBezier(out, right, depth + 1);
}

void CPathPointList::WriteHpgl(std::string& out) const {
  CFPoint start{};
  bool startWaiting = false;  // written with the sub-path's first node: a lone start paints nothing
  Recent recent;
  WalkPoints(*this, [&](const PathPoint& pt, bool finite) {
    if (finite) {
      if (pt.flags & PP_START) {
        start = {pt.x, pt.y};
        startWaiting = true;
      } else if (pt.flags & PP_NODE) {
        if (startWaiting) HpglMove(out, "PU", start.x, start.y);
        startWaiting = false;
        if (recent.EndsCurve()) {
          const CFPoint seg[4] = {{recent.p[0].x, recent.p[0].y},
                                  {recent.p[1].x, recent.p[1].y},
                                  {recent.p[2].x, recent.p[2].y},
                                  {pt.x, pt.y}};
          WriteHpglBezier(out, seg, 0);
        } else {
          HpglMove(out, "PD", pt.x, pt.y);
        }
        if ((pt.flags & PP_CLOSEEND) && !(CFPoint{pt.x, pt.y} == start)) HpglMove(out, "PD", start.x, start.y);
      }
    }
    recent.Push(pt, finite);
  });
}

void CPathPointList::WriteEps(std::string& out) const {
  out += "u\r\n";
  auto pair = [&out](float x, float y, const char* after) {
    AppendFixed3(out, x);
    out += ' ';
    AppendFixed3(out, y);
    out += after;
  };
  CFPoint start{};
  bool startWaiting = false;  // as in WriteHpgl
  Recent recent;
  WalkPoints(*this, [&](const PathPoint& pt, bool finite) {
    if (finite && (pt.flags & PP_START)) {
      start = {pt.x, pt.y};
      startWaiting = true;
    } else if (finite && (pt.flags & PP_NODE)) {
      if (startWaiting) pair(start.x, start.y, " m\r\n");
      startWaiting = false;
      if (recent.EndsCurve()) {
        pair(recent.p[1].x, recent.p[1].y, " ");
        pair(recent.p[2].x, recent.p[2].y, " ");
        pair(pt.x, pt.y, " c\r\n");
      } else {
        pair(pt.x, pt.y, " l\r\n");
      }
      if (pt.flags & PP_OPENEND) out += "S\r\n";
      else if (pt.flags & PP_CLOSEEND) out += "s\r\n";
    }
    recent.Push(pt, finite);
  });
  out += "U\r\n";
}
