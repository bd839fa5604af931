// Bounded walks over a path's point block for node editing: every index is
// checked against the records in use, the block and the end record, so a
// block with any flag sequence (a path read from a file, a restored state)
// is walked safely.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "model/pathpoints.h"

namespace pathwalk {

using pathrec::EndsContour;
using pathrec::IsControl;
using pathrec::IsNode;
using pathrec::IsPoint;

// Records a walk may visit: in use, within the block, before the end record.
inline int WalkLimit(const PathPoint* p, std::size_t blockRecords, std::int32_t count) {
  const std::size_t used =
      count <= 0 ? 0 : std::min<std::size_t>(std::size_t(count), blockRecords);
  for (std::size_t i = 0; i < used; ++i)
    if (p[i].flags == PP_END) return int(i);
  return int(used);
}

// A segment: a line a-b, or a Bezier a, c1, c2, b.
struct Seg {
  int a = -1, c1 = -1, c2 = -1, b = -1;
  bool Bezier() const { return c1 >= 0; }
};

// A locked view of a path's block for the length of a scope.
class Block {
 public:
  Block(plat::HGLOBAL h, std::int32_t count) : r_(h) {
    if (r_.p) n = WalkLimit(r_.p, r_.n, count);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  int n = 0;  // walkable records

  PathPoint& operator[](int i) { return r_.p[i]; }
  const PathPoint& operator[](int i) const { return r_.p[i]; }
  PathPoint* data() { return r_.p; }
  bool Has(int i) const { return i >= 0 && i < n; }
  std::uint8_t F(int i) const { return Has(i) ? r_.p[i].flags : PP_END; }
  bool Node(int i) const { return Has(i) && IsNode(r_.p[i].flags); }
  bool Ctrl(int i) const { return Has(i) && IsControl(r_.p[i].flags); }
  bool Start(int i) const { return Node(i) && (r_.p[i].flags & PP_START); }
  bool ClosedEnd(int i) const { return Node(i) && (r_.p[i].flags & PP_CLOSEEND); }
  bool Selected(int i) const { return Node(i) && (r_.p[i].flags & PP_SELECTED); }
  // A node the user may select: not a closed end, which follows its start.
  bool Selectable(int i) const { return Node(i) && !(r_.p[i].flags & PP_CLOSEEND); }
  CFPoint At(int i) const { return CFPoint{r_.p[i].x, r_.p[i].y}; }

  // The next or previous point record (records of 0x80 and above skipped), -1.
  int NextPoint(int i) const {
    for (++i; i < n; ++i)
      if (IsPoint(r_.p[i].flags)) return i;
    return -1;
  }
  int PrevPoint(int i) const {
    if (i > n) i = n;
    for (--i; i >= 0; --i)
      if (IsPoint(r_.p[i].flags)) return i;
    return -1;
  }
  int NextNode(int i) const {
    for (++i; i < n; ++i)
      if (IsNode(r_.p[i].flags)) return i;
    return -1;
  }
  int PrevNode(int i) const {
    if (i > n) i = n;
    for (--i; i >= 0; --i)
      if (IsNode(r_.p[i].flags)) return i;
    return -1;
  }
  // The start node at or before i, -1 when none.
  int ContourStart(int i) const {
    if (i >= n) i = n - 1;
    for (; i >= 0; --i)
      if (Start(i)) return i;
    return -1;
  }
  // The end node of the contour holding i: the first node with an end bit at
  // or after i before the next start; -1 when the contour has none.
  int ContourEnd(int i) const {
    for (int j = std::max(i, 0); j < n; ++j) {
      const std::uint8_t f = r_.p[j].flags;
      if (j > i && IsNode(f) && (f & PP_START)) return -1;
      if (IsNode(f) && EndsContour(f)) return j;
    }
    return -1;
  }
  // The last record of the contour starting at s: its end node, or the
  // record before the next start, or the last walkable record.
  int ContourLast(int s) const {
    for (int j = s; j < n; ++j) {
      const std::uint8_t f = r_.p[j].flags;
      if (j > s && IsNode(f) && (f & PP_START)) return j - 1;
      if (IsNode(f) && EndsContour(f)) return j;
    }
    return n - 1;
  }

  // The segment that node a begins; false when a begins none.
  bool SegFrom(int a, Seg& s) const {
    if (!Node(a) || EndsContour(F(a))) return false;
    const int j = NextPoint(a);
    if (j < 0) return false;
    if (IsNode(F(j))) {
      if (F(j) & PP_START) return false;
      s = Seg{a, -1, -1, j};
      return true;
    }
    const int k = NextPoint(j);
    if (k < 0 || !IsControl(F(k))) return false;
    const int b = NextPoint(k);
    if (b < 0 || !IsNode(F(b)) || (F(b) & PP_START)) return false;
    s = Seg{a, j, k, b};
    return true;
  }
  // The segment that node b ends; false when b ends none.
  bool SegTo(int b, Seg& s) const {
    if (!Node(b) || (F(b) & PP_START)) return false;
    const int p = PrevPoint(b);
    if (p < 0) return false;
    if (IsNode(F(p))) {
      if (EndsContour(F(p))) return false;
      s = Seg{p, -1, -1, b};
      return true;
    }
    const int c1 = PrevPoint(p);
    if (c1 < 0 || !IsControl(F(c1))) return false;
    const int a = PrevPoint(c1);
    if (a < 0 || !IsNode(F(a)) || EndsContour(F(a))) return false;
    s = Seg{a, c1, p, b};
    return true;
  }
  // The control point that leaves node i (-1 when none), and the one that
  // arrives at it; for a contour start, the one arriving at its closed end.
  int OutHandle(int i) const {
    Seg s;
    return SegFrom(i, s) && s.Bezier() ? s.c1 : -1;
  }
  int InHandle(int i) const {
    if (Start(i)) {
      const int e = ContourEnd(i);
      if (e < 0 || !ClosedEnd(e)) return -1;
      i = e;
    }
    Seg s;
    return SegTo(i, s) && s.Bezier() ? s.c2 : -1;
  }
  // The closed end of the contour that starts at s, -1 when it ends open.
  int ClosingEnd(int s) const {
    if (!Start(s)) return -1;
    const int e = ContourEnd(s);
    return e > s && ClosedEnd(e) ? e : -1;
  }

 private:
  pathrec::Records r_;
};

}  // namespace pathwalk
