#include "outside/flexoril/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/bytes.h"

namespace flx {
namespace {

using plat::GetF32;
using plat::GetU16;
using plat::GetU32;

constexpr std::uint8_t kEnd = 241;
constexpr std::uint8_t kAfter = 255;
constexpr std::uint32_t kPathHead = 68;     // letter .. point count
constexpr std::uint32_t kGroupHead = 60;    // letter .. matrix
constexpr std::uint8_t kListVersion = 2;
constexpr std::uint8_t kListEnd = 254;

// Row-vector affine map: x' = x a + y c + e, y' = x b + y d + f.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Pt Map(Pt p) const { return {p.x * a + p.y * c + e, p.x * b + p.y * d + f}; }
  // First this, then `outer`.
  Affine Then(const Affine& o) const {
    return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c,
            c * o.b + d * o.d, e * o.a + f * o.c + o.e, e * o.b + f * o.d + o.f};
  }
};

bool InRange(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoord; }
bool InRange(Pt p) { return InRange(p.x) && InRange(p.y); }

bool ReadMatrix(const std::uint8_t* p, Affine& m) {
  float v[9];
  for (int i = 0; i < 9; ++i) {
    v[i] = GetF32(p + 4 * i);
    if (!std::isfinite(v[i])) return false;
  }
  m = {v[0], v[1], v[3], v[4], v[6], v[7]};
  return true;
}

struct Parser {
  bool ok = true;

  bool ReadPath(const std::uint8_t* p, std::uint32_t length, const Affine& outer, Node& node) {
    if (length < kPathHead + 1) return false;
    const std::uint32_t n = GetU32(p + 64);
    if (std::uint64_t(kPathHead) + 9 * std::uint64_t(n) + 1 != length) return false;
    Affine m;
    if (!ReadMatrix(p + 24, m)) return false;
    const Affine total = m.Then(outer);
    node.group = false;
    node.flags = GetU16(p + 6);
    node.path.flags = node.flags;
    node.path.colour = GetU32(p + 60);

    Contour cur;
    bool open = false;
    std::vector<Pt> controls;
    auto finish = [&](bool closed) {
      if (open && !cur.segs.empty()) {
        cur.closed = closed;
        node.path.contours.push_back(std::move(cur));
      }
      cur = Contour{};
      open = false;
      controls.clear();
    };
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* r = p + kPathHead + 9 * std::size_t(i);
      const std::uint8_t f = r[8];
      if (f == 0xFF) break;
      if (f >= 0x80) continue;
      const Pt raw{GetF32(r), GetF32(r + 4)};
      if (!InRange(raw)) return false;
      const Pt pt = total.Map(raw);
      if (!InRange(pt)) return false;
      if ((f & 0x10) || !open) {
        finish(false);
        cur.start = pt;
        open = true;
      } else if (f & 0x01) {
        Segment s;
        s.to = pt;
        if (controls.size() == 2) {
          s.curve = true;
          s.c1 = controls[0];
          s.c2 = controls[1];
        }
        controls.clear();
        cur.segs.push_back(s);
      } else {
        if (controls.size() == 2) controls.erase(controls.begin());
        controls.push_back(pt);
        continue;
      }
      if (f & 0x40)
        finish(true);
      else if (f & 0x20)
        finish(false);
    }
    finish(false);
    return true;
  }

  bool ReadGroup(const std::uint8_t* p, std::uint32_t length, const Affine& outer, int depth, Node& node) {
    if (depth >= kMaxDepth) return false;
    if (length < kGroupHead + 5 + 1 + 1) return false;
    Affine m;
    if (!ReadMatrix(p + 24, m)) return false;
    const Affine total = m.Then(outer);
    node.group = true;
    node.flags = GetU16(p + 6);
    const std::uint8_t* list = p + kGroupHead;
    const std::uint32_t listLength = length - kGroupHead - 1;
    if (list[0] != kListVersion || GetU32(list + 1) != listLength || list[listLength - 1] != kListEnd)
      return false;
    std::size_t at = 5;
    const std::size_t stop = listLength - 1;
    while (at < stop) {
      Node child;
      const std::size_t used = ReadAt(list + at, stop - at, total, depth + 1, child);
      if (used == 0) return false;
      node.children.push_back(std::move(child));
      at += used;
    }
    return at == stop;
  }

  // Bytes the record at p used, 0 when malformed.
  std::size_t ReadAt(const std::uint8_t* p, std::size_t available, const Affine& outer, int depth, Node& node) {
    if (available < 5) return 0;
    const std::uint32_t length = GetU32(p + 1);
    if (length < 25 || length > available || p[length - 1] != kEnd) return 0;
    bool good = false;
    if (p[0] == '#')
      good = ReadPath(p, length, outer, node);
    else if (p[0] == ')')
      good = ReadGroup(p, length, outer, depth, node);
    return good ? length : 0;
  }
};

void PutF(std::vector<std::uint8_t>& b, float v) {
  std::uint8_t t[4];
  plat::PutF32(t, v);
  b.insert(b.end(), t, t + 4);
}
void PutU(std::vector<std::uint8_t>& b, std::uint32_t v) {
  std::uint8_t t[4];
  plat::PutU32(t, v);
  b.insert(b.end(), t, t + 4);
}
void PutHead(std::vector<std::uint8_t>& b, char letter, std::uint8_t kind, std::uint16_t flags) {
  b.push_back(std::uint8_t(letter));
  PutU(b, 0);
  b.push_back(kind);
  b.push_back(std::uint8_t(flags));
  b.push_back(std::uint8_t(flags >> 8));
  for (int i = 0; i < 4; ++i) PutF(b, 0.0f);  // bounds, filled at the end
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (float v : identity) PutF(b, v);
}
// The bounds of the points added; all zero while there are none.
struct Extent {
  float l = 0, t = 0, r = 0, b = 0;
  bool empty = true;
  void Add(float x, float y) {
    if (empty) {
      l = r = x;
      t = b = y;
      empty = false;
    } else {
      l = std::min(l, x);
      r = std::max(r, x);
      t = std::min(t, y);
      b = std::max(b, y);
    }
  }
};

void PutBounds(std::vector<std::uint8_t>& b, float l, float t, float r, float bo) {
  plat::PutF32(&b[8], l);
  plat::PutF32(&b[12], t);
  plat::PutF32(&b[16], r);
  plat::PutF32(&b[20], bo);
}
void EndRecord(std::vector<std::uint8_t>& b) {
  b.push_back(kEnd);
  plat::PutU32(&b[1], std::uint32_t(b.size()));
}

// The end point record, the bounds and the record's end.
void EndPathRecord(std::vector<std::uint8_t>& b, const Extent& box) {
  PutF(b, 0.0f);
  PutF(b, 0.0f);
  b.push_back(0xFF);
  PutBounds(b, box.l, box.t, box.r, box.b);
  EndRecord(b);
}

// The points of the cubic where x or y turns (0 < t < 1).
template <class F>
void CurveExtremes(Pt p0, Pt p1, Pt p2, Pt p3, F&& visit) {
  auto point = [&](double u) {
    const double v = 1.0 - u;
    const double a = v * v * v, bb = 3 * v * v * u, cc = 3 * v * u * u, d = u * u * u;
    return Pt{a * p0.x + bb * p1.x + cc * p2.x + d * p3.x, a * p0.y + bb * p1.y + cc * p2.y + d * p3.y};
  };
  auto roots = [&](double q0, double q1, double q2, double q3) {
    // B'(u)/3 = A u^2 + B u + C
    const double A = -q0 + 3 * q1 - 3 * q2 + q3, B = 2 * (q0 - 2 * q1 + q2), C = q1 - q0;
    auto take = [&](double u) {
      if (u > 0.0 && u < 1.0) visit(point(u));
    };
    if (std::fabs(A) < 1e-12) {
      if (std::fabs(B) > 1e-12) take(-C / B);
      return;
    }
    const double disc = B * B - 4 * A * C;
    if (disc < 0) return;
    const double sq = std::sqrt(disc);
    take((-B + sq) / (2 * A));
    take((-B - sq) / (2 * A));
  };
  roots(p0.x, p1.x, p2.x, p3.x);
  roots(p0.y, p1.y, p2.y, p3.y);
}

}  // namespace

std::optional<Node> ReadNode(const std::uint8_t* p, std::size_t available) {
  if (!p) return std::nullopt;
  Parser parser;
  Node node;
  const std::size_t used = parser.ReadAt(p, available, Affine{}, 0, node);
  if (used == 0) return std::nullopt;
  return node;
}

std::optional<Node> ReadHandle(plat::HGLOBAL handle) {
  if (!handle) return std::nullopt;
  plat::GlobalLockGuard g(handle);
  if (!g) return std::nullopt;
  return ReadNode(g.bytes(), g.size());
}

std::optional<Node> ReadBlock(const FlexorilRecordBlock* block) {
  if (!block || !block->record) return std::nullopt;
  plat::GlobalLockGuard g(block->record);
  if (!g || block->length > g.size() || block->length < 5) return std::nullopt;
  if (GetU32(g.bytes() + 1) != block->length) return std::nullopt;
  return ReadNode(g.bytes(), block->length);
}

void CollectPaths(const Node& node, std::vector<const Path*>& out) {
  if (!node.group) {
    out.push_back(&node.path);
    return;
  }
  for (const Node& c : node.children) CollectPaths(c, out);
}

const Path* FirstPath(const Node& node) {
  if (!node.group) return &node.path;
  for (const Node& c : node.children)
    if (const Path* p = FirstPath(c)) return p;
  return nullptr;
}

std::vector<std::uint8_t> PathRecord(std::uint16_t flags, std::uint32_t colour, const std::vector<Ring>& rings) {
  std::vector<std::uint8_t> b;
  std::size_t count = 0;
  for (const Ring& r : rings)
    if (r.pts.size() >= 2) count += r.pts.size() + (r.closed ? 1 : 0);
  if (count == 0) return b;
  b.reserve(kPathHead + 9 * (count + 1) + 1);
  PutHead(b, '#', 128, flags);
  PutU(b, colour);
  PutU(b, std::uint32_t(count + 1));
  Extent box;
  auto put = [&](Pt p, std::uint8_t f) {
    const float x = float(p.x), y = float(p.y);
    PutF(b, x);
    PutF(b, y);
    b.push_back(f);
    box.Add(x, y);
  };
  for (const Ring& ring : rings) {
    if (ring.pts.size() < 2) continue;
    put(ring.pts[0], 0x11);
    for (std::size_t i = 1; i + 1 < ring.pts.size(); ++i) put(ring.pts[i], 0x01);
    if (ring.closed) {
      put(ring.pts.back(), 0x01);
      put(ring.pts[0], 0x41);
    } else {
      put(ring.pts.back(), 0x21);
    }
  }
  EndPathRecord(b, box);
  return b;
}

std::vector<std::uint8_t> ContourRecord(std::uint16_t flags, std::uint32_t colour,
                                        const std::vector<Contour>& contours) {
  std::vector<std::uint8_t> b;
  auto endsOnStart = [](const Contour& c) {
    return c.segs.back().to.x == c.start.x && c.segs.back().to.y == c.start.y;
  };
  std::size_t count = 0;
  for (const Contour& c : contours) {
    if (c.segs.empty()) continue;
    count += 1;
    for (const Segment& s : c.segs) count += s.curve ? 3 : 1;
    if (c.closed && !endsOnStart(c)) count += 1;
  }
  if (count == 0 || count >= 0x1C000000) return b;
  b.reserve(kPathHead + 9 * (count + 1) + 1);
  PutHead(b, '#', 128, flags);
  PutU(b, colour);
  PutU(b, std::uint32_t(count + 1));
  // Bounds of the outline itself: its nodes and the turning points of its curves.
  Extent box;
  auto widen = [&](float x, float y) { box.Add(x, y); };
  auto put = [&](Pt p, std::uint8_t f) {
    PutF(b, float(p.x));
    PutF(b, float(p.y));
    b.push_back(f);
  };
  for (const Contour& c : contours) {
    if (c.segs.empty()) continue;
    put(c.start, 0x11);
    widen(float(c.start.x), float(c.start.y));
    Pt from = c.start;
    const bool closeWithLine = c.closed && !endsOnStart(c);
    for (std::size_t i = 0; i < c.segs.size(); ++i) {
      const Segment& s = c.segs[i];
      if (s.curve) {
        put(s.c1, 0x00);
        put(s.c2, 0x00);
        CurveExtremes(from, s.c1, s.c2, s.to, [&](Pt q) { widen(float(q.x), float(q.y)); });
      }
      std::uint8_t f = 0x01;
      if (i + 1 == c.segs.size() && !closeWithLine) f |= c.closed ? 0x40 : 0x20;
      put(s.to, f);
      widen(float(s.to.x), float(s.to.y));
      from = s.to;
    }
    if (closeWithLine) put(c.start, 0x41);
  }
  EndPathRecord(b, box);
  return b;
}

std::vector<std::uint8_t> GroupRecord(std::uint16_t flags, const std::vector<std::vector<std::uint8_t>>& children) {
  std::vector<std::uint8_t> b;
  std::size_t total = 0;
  for (const auto& c : children) total += c.size();
  if (total == 0) return b;
  b.reserve(kGroupHead + 6 + total + 1);
  PutHead(b, ')', 129, flags);
  b.push_back(kListVersion);
  PutU(b, std::uint32_t(total + 6));
  float l = 0, t = 0, r = 0, bo = 0;
  bool first = true;
  for (const auto& c : children) {
    if (c.empty()) continue;
    b.insert(b.end(), c.begin(), c.end());
    const float cl = GetF32(&c[8]), ct = GetF32(&c[12]), cr = GetF32(&c[16]), cb = GetF32(&c[20]);
    if (first) {
      l = cl, t = ct, r = cr, bo = cb;
      first = false;
    } else {
      l = std::min(l, cl), t = std::min(t, ct), r = std::max(r, cr), bo = std::max(bo, cb);
    }
  }
  b.push_back(kListEnd);
  PutBounds(b, l, t, r, bo);
  EndRecord(b);
  return b;
}

plat::HGLOBAL ToBlock(const std::vector<std::uint8_t>& record) {
  if (record.empty()) return 0;
  const plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, record.size() + 9);
  if (!h) return 0;
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), record.data(), record.size());
  g.bytes()[record.size()] = kAfter;
  return h;
}

}  // namespace flx
