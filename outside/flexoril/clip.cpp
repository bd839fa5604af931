#include "outside/flexoril/clip.h"

#include <algorithm>
#include <cmath>

#include <clipper.hpp>

namespace flx {
namespace {

namespace cl = ClipperLib;

constexpr double kGrid = 1000.0;  // grid points per millimetre
constexpr int kMaxPieces = 4096;  // per Bezier

cl::IntPoint ToGrid(Pt p) { return {cl::cInt(std::llround(p.x * kGrid)), cl::cInt(std::llround(p.y * kGrid))}; }
Pt FromGrid(const cl::IntPoint& p) { return {double(p.X) / kGrid, double(p.Y) / kGrid}; }

cl::Path ToGrid(const std::vector<Pt>& pts) {
  cl::Path out;
  out.reserve(pts.size());
  for (const Pt& p : pts) {
    const cl::IntPoint q = ToGrid(p);
    if (out.empty() || !(out.back() == q)) out.push_back(q);
  }
  return out;
}

// One operand: its closed region (each path's contours even-odd, oriented so
// that the union of the paths is their nonzero fill) and its open contours.
struct Operand {
  cl::Paths region;
  cl::Paths open;
  // The rule that makes `region` the operand's area: a single path's raw
  // contours fill even-odd; resolved paths fill nonzero.
  cl::PolyFillType fill = cl::pftNonZero;
};

// Work allowed to tell that a path's contours are disjoint, per edge; a path
// that needs more is resolved by the clipper instead.
constexpr std::size_t kDisjointWorkPerEdge = 64;

// Sign of the turn a -> b -> c.
int Turn(const cl::IntPoint& a, const cl::IntPoint& b, const cl::IntPoint& c) {
  const __int128 t = __int128(b.X - a.X) * (c.Y - a.Y) - __int128(b.Y - a.Y) * (c.X - a.X);
  return t > 0 ? 1 : t < 0 ? -1 : 0;
}

// c on the segment a-b, given the three are collinear.
bool Within(const cl::IntPoint& a, const cl::IntPoint& b, const cl::IntPoint& c) {
  return std::min(a.X, b.X) <= c.X && c.X <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= c.Y &&
         c.Y <= std::max(a.Y, b.Y);
}

// Whether the segments a-b and c-d have a point in common.
bool Meet(const cl::IntPoint& a, const cl::IntPoint& b, const cl::IntPoint& c, const cl::IntPoint& d) {
  const int t1 = Turn(a, b, c), t2 = Turn(a, b, d), t3 = Turn(c, d, a), t4 = Turn(c, d, b);
  if (t1 * t2 < 0 && t3 * t4 < 0) return true;
  return (t1 == 0 && Within(a, b, c)) || (t2 == 0 && Within(a, b, d)) || (t3 == 0 && Within(c, d, a)) ||
         (t4 == 0 && Within(c, d, b));
}

struct Box {
  cl::cInt x0, y0, x1, y1;
  bool Overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
  bool Holds(const Box& o) const { return x0 <= o.x0 && o.x1 <= x1 && y0 <= o.y0 && o.y1 <= y1; }
};

Box BoxOf(const cl::IntPoint& a, const cl::IntPoint& b) {
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

// Whether no two edges of the closed contours meet, but neighbours at their
// shared corner (and there without folding back along each other): the
// contours are simple and neither cross nor touch. False as well when telling
// would take more than the allowed work.
bool Disjoint(const cl::Paths& closed) {
  struct Edge {
    Box box;
    std::uint32_t contour, index;
  };
  std::vector<Edge> edges;
  std::size_t total = 0;
  for (const cl::Path& c : closed) total += c.size();
  edges.reserve(total);
  for (std::size_t k = 0; k < closed.size(); ++k) {
    const cl::Path& c = closed[k];
    for (std::size_t i = 0; i < c.size(); ++i)
      edges.push_back({BoxOf(c[i], c[(i + 1) % c.size()]), std::uint32_t(k), std::uint32_t(i)});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.box.x0 < b.box.x0; });
  std::size_t budget = kDisjointWorkPerEdge * edges.size();
  auto from = [&](const Edge& e) { return closed[e.contour][e.index]; };
  auto to = [&](const Edge& e) {
    const cl::Path& c = closed[e.contour];
    return c[(e.index + 1) % c.size()];
  };
  std::vector<const Edge*> active;
  for (const Edge& e : edges) {
    std::size_t kept = 0;
    for (const Edge* a : active) {
      if (budget-- == 0) return false;
      if (a->box.x1 < e.box.x0) continue;  // left behind for good
      active[kept++] = a;
      if (!a->box.Overlaps(e.box)) continue;
      const std::size_t n = closed[e.contour].size();
      if (a->contour == e.contour && ((a->index + 1) % n == e.index || (e.index + 1) % n == a->index)) {
        // Neighbours share one corner; they meet elsewhere only when they
        // run along each other from it.
        const bool aFirst = (a->index + 1) % n == e.index;
        const cl::IntPoint corner = aFirst ? from(e) : from(*a);
        const cl::IntPoint p = aFirst ? from(*a) : to(*a);
        const cl::IntPoint q = aFirst ? to(e) : from(e);
        if (Turn(corner, p, q) == 0 && __int128(p.X - corner.X) * (q.X - corner.X) +
                                               __int128(p.Y - corner.Y) * (q.Y - corner.Y) > 0)
          return false;
        continue;
      }
      if (Meet(from(*a), to(*a), from(e), to(e))) return false;
    }
    active.resize(kept);
    active.push_back(&e);
  }
  return true;
}

// Orients disjoint contours so that the nonzero rule fills what even-odd
// does: inside an even number of the others positive, else negative. False
// (nothing changed) when the nesting takes more than the allowed work.
bool OrientByNesting(cl::Paths& closed) {
  std::vector<Box> boxes;
  boxes.reserve(closed.size());
  std::size_t edges = 0;
  for (const cl::Path& c : closed) {
    Box b{c[0].X, c[0].Y, c[0].X, c[0].Y};
    for (const cl::IntPoint& p : c) {
      b.x0 = std::min(b.x0, p.X);
      b.y0 = std::min(b.y0, p.Y);
      b.x1 = std::max(b.x1, p.X);
      b.y1 = std::max(b.y1, p.Y);
    }
    boxes.push_back(b);
    edges += c.size();
  }
  std::size_t budget = kDisjointWorkPerEdge * edges;
  std::vector<bool> positive(closed.size(), true);
  for (std::size_t i = 0; i < closed.size(); ++i) {
    for (std::size_t j = 0; j < closed.size(); ++j) {
      if (budget == 0) return false;
      --budget;
      if (i == j || !boxes[j].Holds(boxes[i])) continue;
      if (budget < closed[j].size()) return false;
      budget -= closed[j].size();
      if (cl::PointInPolygon(closed[i][0], closed[j]) != 0) positive[i] = !positive[i];
    }
  }
  for (std::size_t i = 0; i < closed.size(); ++i)
    if (cl::Orientation(closed[i]) != positive[i]) cl::ReversePath(closed[i]);
  return true;
}

// Each polygon from its least point (by y, then x), which is never a point
// the clipper drops as lying between its neighbours; the polygons by those
// points, then by their points.
void InOrder(cl::Paths& polys) {
  auto less = [](const cl::IntPoint& a, const cl::IntPoint& b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; };
  for (cl::Path& p : polys) std::rotate(p.begin(), std::min_element(p.begin(), p.end(), less), p.end());
  std::sort(polys.begin(), polys.end(), [&](const cl::Path& a, const cl::Path& b) {
    if (!(a[0] == b[0])) return less(a[0], b[0]);
    if (a.size() != b.size()) return a.size() < b.size();
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less);
  });
}

void AddPath(const Path& path, Operand& out, Resolve resolve) {
  cl::Paths closed;
  for (const Contour& c : path.contours) {
    cl::Path g = ToGrid(Flatten(c));
    if (c.closed) {
      if (g.size() > 1 && g.front() == g.back()) g.pop_back();
      if (g.size() >= 3) closed.push_back(std::move(g));
    } else if (g.size() >= 2) {
      out.open.push_back(std::move(g));
    }
  }
  if (closed.empty()) return;
  if (closed.size() == 1) {
    if (!cl::Orientation(closed[0])) cl::ReversePath(closed[0]);
    out.region.push_back(std::move(closed[0]));
    return;
  }
  // Contours that neither cross nor touch fill even-odd as they are, once
  // oriented by their nesting; others are resolved by a union of their own.
  cl::Paths solved;
  if (resolve == Resolve::WhereNeeded && Disjoint(closed) && OrientByNesting(closed)) {
    solved = std::move(closed);
  } else {
    cl::Clipper c;
    c.AddPaths(closed, cl::ptSubject, true);
    c.Execute(cl::ctUnion, solved, cl::pftEvenOdd, cl::pftEvenOdd);
  }
  // The clipper's result depends on the order of its input where minima lie
  // level; in one order either way, the two ways give the same bytes.
  InOrder(solved);
  for (cl::Path& p : solved) out.region.push_back(std::move(p));
}

// With `resolved`, the region is oriented for the nonzero rule (the offset
// needs that); a single path otherwise keeps its contours for even-odd.
Operand ToOperand(const std::vector<const Path*>& paths, bool resolved = false,
                  Resolve resolve = Resolve::WhereNeeded) {
  Operand op;
  if (paths.size() == 1 && !resolved) {
    op.fill = cl::pftEvenOdd;
    for (const Contour& c : paths[0]->contours) {
      cl::Path g = ToGrid(Flatten(c));
      if (c.closed) {
        if (g.size() > 1 && g.front() == g.back()) g.pop_back();
        if (g.size() >= 3) op.region.push_back(std::move(g));
      } else if (g.size() >= 2) {
        op.open.push_back(std::move(g));
      }
    }
    return op;
  }
  for (const Path* p : paths) AddPath(*p, op, resolve);
  return op;
}

Operand ToOperand(const Node& node, Resolve resolve) {
  std::vector<const Path*> paths;
  CollectPaths(node, paths);
  return ToOperand(paths, false, resolve);
}

Ring ToRing(const cl::Path& p, bool closed) {
  Ring r;
  r.closed = closed;
  r.pts.reserve(p.size());
  for (const cl::IntPoint& q : p) r.pts.push_back(FromGrid(q));
  return r;
}

// Outers before their holes, then the islands inside the holes.
void EmitOuter(const cl::PolyNode* n, std::vector<Ring>& out) {
  out.push_back(ToRing(n->Contour, true));
  for (const cl::PolyNode* hole : n->Childs) out.push_back(ToRing(hole->Contour, true));
  for (const cl::PolyNode* hole : n->Childs)
    for (const cl::PolyNode* island : hole->Childs) EmitOuter(island, out);
}

void EmitTree(const cl::PolyTree& tree, std::vector<Ring>& out) {
  for (const cl::PolyNode* n : tree.Childs)
    if (!n->IsOpen()) EmitOuter(n, out);
}

std::vector<Ring> Clip(const Operand& subject, const Operand& clip, cl::ClipType type) {
  std::vector<Ring> rings;
  cl::Clipper c;
  c.AddPaths(subject.region, cl::ptSubject, true);
  c.AddPaths(clip.region, cl::ptClip, true);
  cl::PolyTree tree;
  c.Execute(type, tree, subject.fill, clip.fill);
  EmitTree(tree, rings);
  return rings;
}

// The open contours inside (intersection) or outside (difference) a region.
void ClipOpen(const cl::Paths& open, const Operand& region, cl::ClipType type, std::vector<Ring>& out) {
  if (open.empty()) return;
  cl::Clipper c;
  c.AddPaths(open, cl::ptSubject, false);
  c.AddPaths(region.region, cl::ptClip, true);
  cl::PolyTree tree;
  c.Execute(type, tree, cl::pftNonZero, region.fill);
  cl::Paths pieces;
  cl::OpenPathsFromPolyTree(tree, pieces);
  for (const cl::Path& p : pieces)
    if (p.size() >= 2) out.push_back(ToRing(p, false));
}

void KeepOpen(const cl::Paths& open, std::vector<Ring>& out) {
  for (const cl::Path& p : open) out.push_back(ToRing(p, false));
}

std::vector<std::uint8_t> PathOf(const Path& style, const std::vector<Ring>& rings) {
  return PathRecord(style.flags, style.colour, rings);
}

void CubicAt(const Pt& a, const Segment& s, double t, Pt& out) {
  const double u = 1.0 - t;
  const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
  out.x = a.x * b0 + s.c1.x * b1 + s.c2.x * b2 + s.to.x * b3;
  out.y = a.y * b0 + s.c1.y * b1 + s.c2.y * b2 + s.to.y * b3;
}

}  // namespace

std::vector<Pt> Flatten(const Contour& c) {
  std::vector<Pt> out;
  out.reserve(c.segs.size() + 1);
  out.push_back(c.start);
  Pt from = c.start;
  for (const Segment& s : c.segs) {
    if (s.curve) {
      // The deviation of n equal pieces is at most 3/4 M / n^2, M the larger
      // second difference of the control polygon.
      const double m = std::max(std::hypot(from.x - 2 * s.c1.x + s.c2.x, from.y - 2 * s.c1.y + s.c2.y),
                                std::hypot(s.c1.x - 2 * s.c2.x + s.to.x, s.c1.y - 2 * s.c2.y + s.to.y));
      const double want = std::ceil(std::sqrt(0.75 * m / kFlatness));
      const int n = std::clamp(int(std::isfinite(want) ? std::min(want, double(kMaxPieces)) : 1.0), 1, kMaxPieces);
      for (int i = 1; i < n; ++i) {
        Pt p;
        CubicAt(from, s, double(i) / n, p);
        out.push_back(p);
      }
    }
    out.push_back(s.to);
    from = s.to;
  }
  if (c.closed && out.size() > 1) {
    const Pt& f = out.front();
    const Pt& l = out.back();
    if (f.x == l.x && f.y == l.y) out.pop_back();
  }
  return out;
}

std::vector<std::uint8_t> Weld(const Node& a, const Node& b, BoolOp op, Resolve resolve) {
  const Path* style = FirstPath(a);
  if (!style) return {};
  const Operand A = ToOperand(a, resolve);
  const Operand B = ToOperand(b, resolve);
  static constexpr cl::ClipType kTypes[] = {cl::ctUnion, cl::ctDifference, cl::ctIntersection, cl::ctXor};
  const cl::ClipType type = kTypes[int(op)];
  std::vector<Ring> rings = Clip(A, B, type);
  if (op == BoolOp::Intersection || op == BoolOp::Difference)
    ClipOpen(A.open, B, type, rings);
  else
    KeepOpen(A.open, rings);
  return PathOf(*style, rings);
}

std::vector<std::uint8_t> LineCut(const Node& a, double x1, double y1, double x2, double y2,
                                  Resolve resolve) {
  const Path* style = FirstPath(a);
  if (!style) return {};
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return {};
  if (std::fabs(x1) > kMaxCoord || std::fabs(y1) > kMaxCoord || std::fabs(x2) > kMaxCoord ||
      std::fabs(y2) > kMaxCoord)
    return {};
  const double dx = x2 - x1, dy = y2 - y1;
  const double len = std::hypot(dx, dy);
  if (len == 0.0) return {};
  const Operand A = ToOperand(a, resolve);
  // Reach: beyond every point of the operand and of the line.
  double reach = 1.0 + len;
  auto widen = [&](const cl::Paths& ps) {
    for (const cl::Path& p : ps)
      for (const cl::IntPoint& q : p)
        reach = std::max(reach, std::hypot(double(q.X) / kGrid - x1, double(q.Y) / kGrid - y1) + 1.0);
  };
  widen(A.region);
  widen(A.open);
  const double ux = dx / len, uy = dy / len;
  const double nx = -uy, ny = ux;
  auto half = [&](double side) {
    const Pt p0{x1 - ux * reach, y1 - uy * reach};
    const Pt p1{x1 + ux * reach, y1 + uy * reach};
    const Pt p2{p1.x + side * nx * 2 * reach, p1.y + side * ny * 2 * reach};
    const Pt p3{p0.x + side * nx * 2 * reach, p0.y + side * ny * 2 * reach};
    cl::Path h{ToGrid(p0), ToGrid(p1), ToGrid(p2), ToGrid(p3)};
    if (!cl::Orientation(h)) cl::ReversePath(h);
    Operand o;
    o.region.push_back(std::move(h));
    return o;
  };
  std::vector<std::vector<std::uint8_t>> sides;
  for (double side : {1.0, -1.0}) {
    const Operand h = half(side);
    std::vector<Ring> rings = Clip(A, h, cl::ctIntersection);
    ClipOpen(A.open, h, cl::ctIntersection, rings);
    std::vector<std::uint8_t> rec = PathOf(*style, rings);
    if (rec.empty()) return {};
    sides.push_back(std::move(rec));
  }
  return GroupRecord(style->flags, sides);
}

std::vector<std::uint8_t> FigureCut(const Node& a, const Node& b, std::uint32_t mode) {
  const Path* style = FirstPath(a);
  if (!style) return {};
  const Operand B = ToOperand(b, Resolve::WhereNeeded);
  std::vector<const Path*> paths;
  CollectPaths(a, paths);
  std::vector<std::vector<std::uint8_t>> pieces;
  for (const Path* p : paths) {
    const Operand P = ToOperand(std::vector<const Path*>{p});
    if (mode != 0) {
      std::vector<Ring> inside = Clip(P, B, cl::ctIntersection);
      ClipOpen(P.open, B, cl::ctIntersection, inside);
      std::vector<std::uint8_t> rec = PathOf(*p, inside);
      if (!rec.empty()) pieces.push_back(std::move(rec));
    }
    std::vector<Ring> outside = Clip(P, B, cl::ctDifference);
    ClipOpen(P.open, B, cl::ctDifference, outside);
    std::vector<std::uint8_t> rec = PathOf(*p, outside);
    if (!rec.empty()) pieces.push_back(std::move(rec));
  }
  return GroupRecord(style->flags, pieces);
}

std::vector<std::uint8_t> SelfWeld(const Node& a) {
  const Path* style = FirstPath(a);
  if (!style) return {};
  std::vector<const Path*> paths;
  CollectPaths(a, paths);
  cl::Paths closed;
  for (const Path* p : paths)
    for (const Contour& c : p->contours) {
      if (!c.closed) continue;
      cl::Path g = ToGrid(Flatten(c));
      if (g.size() >= 3) closed.push_back(std::move(g));
    }
  cl::Clipper c;
  c.AddPaths(closed, cl::ptSubject, true);
  cl::PolyTree tree;
  c.Execute(cl::ctUnion, tree, cl::pftNonZero, cl::pftNonZero);
  std::vector<Ring> rings;
  EmitTree(tree, rings);
  return PathOf(*style, rings);
}

std::vector<std::uint8_t> Expand(const Node& a, double size, double limit, std::int32_t mode, bool asOne,
                                 Resolve resolve) {
  const Path* style = FirstPath(a);
  if (!style) return {};
  if (!std::isfinite(size) || std::fabs(size) > 1000.0) return {};
  cl::JoinType join = cl::jtSquare;
  cl::EndType end = cl::etOpenSquare;
  double miter = 2.0;
  if (mode == 0) {
    join = cl::jtMiter;
    end = cl::etOpenButt;
    const double s = std::sin(limit * M_PI / 180.0 / 2.0);
    if (std::isfinite(s) && s > 0.0) miter = std::clamp(1.0 / s, 2.0, 1000.0);
  } else if (mode == 2) {
    join = cl::jtRound;
    end = cl::etOpenRound;
  }
  auto offset = [&](const Operand& op) {
    cl::ClipperOffset co(miter, kFlatness * kGrid);
    co.AddPaths(op.region, join, cl::etClosedPolygon);
    co.AddPaths(op.open, join, end);
    cl::PolyTree tree;
    co.Execute(tree, size * kGrid);
    std::vector<Ring> rings;
    EmitTree(tree, rings);
    return PathOf(*style, rings);
  };
  std::vector<const Path*> paths;
  CollectPaths(a, paths);
  std::vector<std::vector<std::uint8_t>> pieces;
  if (asOne) {
    Operand all = ToOperand(paths, true, resolve);
    if (all.region.size() > 1) {
      cl::Clipper c;
      c.AddPaths(all.region, cl::ptSubject, true);
      cl::Paths merged;
      c.Execute(cl::ctUnion, merged, cl::pftNonZero, cl::pftNonZero);
      all.region = std::move(merged);
    }
    std::vector<std::uint8_t> rec = offset(all);
    if (!rec.empty()) pieces.push_back(std::move(rec));
  } else {
    for (const Path* p : paths) {
      std::vector<std::uint8_t> rec = offset(ToOperand(std::vector<const Path*>{p}, true, resolve));
      if (!rec.empty()) pieces.push_back(std::move(rec));
    }
  }
  return GroupRecord(style->flags, pieces);
}

}  // namespace flx
