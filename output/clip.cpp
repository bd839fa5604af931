#include "output/clip.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "model/graphobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"

namespace {

struct Rect {
  float l, t, r, b;
  bool Inside(const CFPoint& p) const { return PointInFRect(p.x, p.y, l, t, r, b); }
};

Rect Ordered(float left, float top, float right, float bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return {left, top, right, bottom};
}

// The first crossing of the line from e (outside) toward o with an edge.
bool Crossing(CFPoint& e, const CFPoint& o, const Rect& rc) {
  auto along = [](float from, float to, float at) { return (at - from) / (to - from); };
  auto onSegment = [](float u) { return u >= 0.0f && u <= 1.0f; };
  if (e.x < rc.l && o.x != e.x) {
    float u = along(e.x, o.x, rc.l);
    float y = e.y + (o.y - e.y) * u;
    if (onSegment(u) && rc.t <= y && y < rc.b) return e = {rc.l, y}, true;
  }
  if (e.x > rc.r && o.x != e.x) {
    float u = along(e.x, o.x, rc.r);
    float y = e.y + (o.y - e.y) * u;
    if (onSegment(u) && rc.t <= y && y < rc.b) return e = {rc.r, y}, true;
  }
  if (e.y < rc.t && o.y != e.y) {
    float u = along(e.y, o.y, rc.t);
    float x = e.x + (o.x - e.x) * u;
    if (onSegment(u) && rc.l <= x && x < rc.r) return e = {x, rc.t}, true;
  }
  if (e.y > rc.b && o.y != e.y) {
    float u = along(e.y, o.y, rc.b);
    float x = e.x + (o.x - e.x) * u;
    if (onSegment(u) && rc.l <= x && x < rc.r) return e = {x, rc.b}, true;
  }
  return false;
}

int ClipSegment(CFPoint& p, CFPoint& q, const Rect& rc) {
  const CFPoint p0 = p, q0 = q;
  CFPoint a = p0, b = q0;
  if (!rc.Inside(a) && !Crossing(a, q0, rc)) return 0;
  if (!rc.Inside(b) && !Crossing(b, p0, rc)) return 0;
  p = a;
  q = b;
  return 1;
}

constexpr std::uint8_t kEnds = PP_OPENEND | PP_CLOSEEND;

// The output records of a clipped path, with the piece being built.
class Pieces {
 public:
  std::vector<PathPoint> out;

  bool Open() const { return start_ >= 0; }

  void Start(const CFPoint& p, std::uint8_t flags) {
    End();
    out.push_back({p.x, p.y, flags});
    start_ = last_ = long(out.size()) - 1;
  }
  void Add(const PathPoint& r) {
    out.push_back(r);
    if (pathrec::IsNode(r.flags)) last_ = long(out.size()) - 1;
  }
  void Add(const CFPoint& p, std::uint8_t flags) { Add(PathPoint{p.x, p.y, flags}); }
  // The piece's last node takes the end flags; the piece is finished.
  void Finish(std::uint8_t ends) {
    if (!Open()) return;
    if (last_ == start_) {
      out.erase(out.begin() + start_);  // a lone point cuts nothing
    } else {
      PathPoint& n = out[std::size_t(last_)];
      n.flags = std::uint8_t((n.flags & ~kEnds) | ends);
    }
    start_ = last_ = -1;
  }
  // The piece leaves the window or its contour ends: an open end.
  void End() { Finish(PP_OPENEND); }

 private:
  long start_ = -1;
  long last_ = -1;
};

}  // namespace

int ClipSegmentToRect(CFPoint& p, CFPoint& q, float left, float top, float right, float bottom) {
  return ClipSegment(p, q, Ordered(left, top, right, bottom));
}

std::unique_ptr<CPathObject> CCutOutputServices::ClipPathObject(CPathObject& path, float left,
                                                                float top, float right,
                                                                float bottom) {
  if (path.kind != OBJ_PATH || !path.points) return nullptr;
  const Rect rc = Ordered(left, top, right, bottom);
  Pieces pieces;
  {
    pathrec::Records rec(path.points);
    const std::size_t used = std::min(std::size_t(std::max(path.count, 0)), rec.n);
    const PathPoint* p = rec.p;

    CFPoint prev{};
    bool prevIn = false;
    bool inContour = false;  // a contour start was seen and its end not yet
    bool whole = false;      // every part of the contour so far lies inside

    // The end flags a node of the source keeps in its piece.
    auto endsOf = [&](std::uint8_t flags) -> std::uint8_t {
      std::uint8_t e = flags & kEnds;
      if (!e) return 0;
      return (e & PP_CLOSEEND) && whole ? PP_CLOSEEND : PP_OPENEND;
    };
    auto withEnds = [&](std::uint8_t flags) {
      return std::uint8_t((flags & ~kEnds) | endsOf(flags));
    };

    for (std::size_t i = 0; i < used && p[i].flags != PP_END; ++i) {
      const PathPoint& r = p[i];
      if (!pathrec::IsPoint(r.flags)) {
        pieces.Add(r);
        continue;
      }
      if (!(r.flags & PP_NODE)) continue;  // control points come with their node
      const CFPoint cur{r.x, r.y};
      const bool curIn = rc.Inside(cur);

      if ((r.flags & PP_START) || !inContour) {
        pieces.End();
        whole = curIn;
        if (curIn) pieces.Start(cur, std::uint8_t(r.flags | PP_START));
        prev = cur;
        prevIn = curIn;
        inContour = !(r.flags & kEnds);
        if (!inContour && pieces.Open()) pieces.End();
        continue;
      }

      const bool bezier = i >= 2 && pathrec::IsControl(p[i - 1].flags) &&
                          pathrec::IsControl(p[i - 2].flags);
      if (!bezier) {
        if (prevIn && curIn && pieces.Open()) {
          pieces.Add(cur, withEnds(r.flags));
        } else {
          whole = false;
          CFPoint a = prev, b = cur;
          if (IntersectFRects(nullptr, rc.l, rc.t, rc.r, rc.b, prev.x, prev.y, cur.x, cur.y) &&
              ClipSegment(a, b, rc)) {
            if (!prevIn || !pieces.Open()) pieces.Start(a, PP_START | PP_NODE);
            if (curIn) {
              pieces.Add(b, withEnds(r.flags));
            } else {
              pieces.Add(b, PP_NODE);
              pieces.End();  // leaves the window
            }
          } else {
            pieces.End();
          }
        }
      } else {
        const PathPoint& c1 = p[i - 2];
        const PathPoint& c2 = p[i - 1];
        if (prevIn && pieces.Open() && rc.Inside({c1.x, c1.y}) && rc.Inside({c2.x, c2.y}) &&
            curIn) {
          pieces.Add(c1);
          pieces.Add(c2);
          pieces.Add(cur, withEnds(r.flags));
        } else {
          CBezierSegment seg{prev, {c1.x, c1.y}, {c2.x, c2.y}, cur, {}};
          std::vector<CFPoint> pts;
          seg.ClipToRect(rc.l, rc.t, rc.r, rc.b, pts);
          const std::size_t count = pts.empty() ? 0 : (pts.size() - 1) / 4;
          const bool stays = count == 1 && prevIn && pieces.Open() && pts[0] == prev && curIn &&
                             pts[3] == cur;
          if (!stays) whole = false;
          for (std::size_t k = 0; k < count; ++k) {
            const CFPoint* q = &pts[4 * k];
            if (!(k == 0 && pieces.Open() && q[0] == prev)) pieces.Start(q[0], PP_START | PP_NODE);
            pieces.Add(q[1], 0);
            pieces.Add(q[2], 0);
            const bool last = k + 1 == count;
            if (last && curIn) {
              pieces.Add(q[3], withEnds(std::uint8_t(PP_NODE | (r.flags & kEnds))));
            } else {
              pieces.Add(q[3], PP_NODE);
              pieces.End();  // leaves the window
            }
          }
          if (count == 0) pieces.End();
        }
      }
      if (r.flags & kEnds) {
        if (pieces.Open()) pieces.Finish(endsOf(r.flags) ? endsOf(r.flags) : PP_OPENEND);
        inContour = false;
      }
      prev = cur;
      prevIn = curIn;
    }
    pieces.End();
  }
  if (pieces.out.size() < 2) return nullptr;
  auto clipped = std::make_unique<CPathObject>();
  for (const PathPoint& r : pieces.out) clipped->AddPoint(r);
  clipped->EndPoints();
  clipped->color = path.color;
  return clipped;
}

COutputServices* InstallOutputServices() {
  static CCutOutputServices services;
  SetOutputServices(&services);
  return &services;
}
