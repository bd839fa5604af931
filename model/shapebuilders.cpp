#include "model/shapebuilders.h"

#include <algorithm>
#include <cmath>

std::unique_ptr<CPathObject> MakeStarPath(float cx, float cy, float r, float start, int n,
                                          float r2) {
  if (n < 3) return nullptr;
  const int m = r2 == 0.0f ? n : 2 * n;
  const float step = 6.2831853f / float(m);
  auto path = std::make_unique<CPathObject>();
  float a = start;
  PathPoint first{};
  for (int k = 0; k < m; ++k) {
    const float radius = (r2 != 0.0f && (k & 1)) ? r2 : r;
    PathPoint p{cx + std::cos(a) * radius, cy - std::sin(a) * radius, std::uint8_t(k ? 0x01 : 0x11)};
    if (k == 0) first = p;
    path->AddPoint(p);
    a += step;
  }
  // The closing point is the first one again: an accumulated angle would
  // leave a gap.
  path->AddPoint(PathPoint{first.x, first.y, 0x41});
  path->EndPoints();
  return path;
}

std::unique_ptr<CPathObject> MakeRegularPolygonPath(float x0, float y0, float x1, float y1, int n,
                                                    float w, float r2) {
  if (n < 3) return nullptr;
  const float s = std::min(std::fabs(x1 - x0), std::fabs(y1 - y0));
  const float cx = x0 + s / 2.0f;
  const float cy = y0 + s / 2.0f;
  const float halfPi = 1.5707963f;
  std::unique_ptr<CPathObject> path = MakeStarPath(cx, cy, s / 2.0f, halfPi, n, r2);
  if (w != 0.0f) {
    const float inner = s / 2.0f - w;
    const float inner2 = r2 != 0.0f ? r2 - w : 0.0f;
    // An inner ring of no or negative size would turn inside out.
    if (inner > 0.0f && (r2 == 0.0f || inner2 > 0.0f)) {
      std::unique_ptr<CPathObject> hole = MakeStarPath(cx, cy, inner, halfPi, n, inner2);
      if (hole) path->AppendPath(*hole);
    }
  }
  return path;
}

std::unique_ptr<CPathObject> MakeRectanglePath(float x0, float y0, float x1, float y1) {
  const float w = x1 - x0;
  const float h = y1 - y0;
  auto path = std::make_unique<CPathObject>();
  path->AddPoint(x0, y0, 0x11);
  path->AddPoint(x0 + w, y0, 0x01);
  path->AddPoint(x0 + w, y0 + h, 0x01);
  path->AddPoint(x0, y0 + h, 0x01);
  path->AddPoint(x0, y0, 0x41);
  path->EndPoints();
  return path;
}

std::unique_ptr<CPathObject> MakeRectanglePathFromRect(CFRect r) {
  r.Normalize();
  return MakeRectanglePath(r.left, r.top, r.right, r.bottom);
}

std::unique_ptr<CPathObject> MakeRectanglePathAt(float x0, float y0, float x1, float y1) {
  return MakeRectanglePath(x0, y0, x1, y1);
}

// ---------------------------------------------------------------------------
// Outlines as point lists.

namespace {

constexpr float kBezierK = 0.553f;

// A + k (B - A).
CFPoint Toward(CFPoint a, CFPoint b, float k) {
  return CFPoint{a.x + k * (b.x - a.x), a.y + k * (b.y - a.y)};
}

// The points through the matrix into a new ended list.
std::unique_ptr<CPathPointList> ListOf(std::initializer_list<PathPoint> pts, const CMatrix3* m) {
  auto list = std::make_unique<CPathPointList>();
  for (PathPoint p : pts) {
    if (m) m->TransformPathPoint(p);
    list->AddPoint(p);
  }
  list->EndPoints();
  return list;
}

PathPoint Rec(CFPoint p, std::uint8_t flags) { return PathPoint{p.x, p.y, flags}; }

// The corner pieces and edge points shared by the rounded and the chamfered
// outline: the points where the corners meet the edges.
struct CornerPoints {
  float ax, bx, ay, by;
  CornerPoints(float x1, float y1, float x2, float y2, float fx, float fy) {
    const float cx = (x1 + x2) / 2.0f, cy = (y1 + y2) / 2.0f;
    ax = x1 + (cx - x1) * fx;
    bx = x2 - (x2 - cx) * fx;
    ay = y1 + (cy - y1) * fy;
    by = y2 - (y2 - cy) * fy;
  }
};

// A path taking over the list's block, capacity, count and bounds; null
// when the list holds no point record.
std::unique_ptr<CPathObject> PathFromList(std::unique_ptr<CPathPointList> list) {
  if (!list || !list->points || !list->hasBounds) return nullptr;
  auto path = std::make_unique<CPathObject>();
  path->bounds = list->bounds;
  path->capacity = list->capacity;
  path->count = list->count;
  path->points = list->DetachPoints();
  return path;
}

}  // namespace

std::unique_ptr<CPathPointList> MakeRectPoints(float x1, float y1, float x2, float y2,
                                               const CMatrix3* m) {
  CFRect r(x1, y1, x2, y2);
  r.Normalize();
  return ListOf({{r.left, r.top, 0x11},
                 {r.right, r.top, 0x01},
                 {r.right, r.bottom, 0x01},
                 {r.left, r.bottom, 0x01},
                 {r.left, r.top, 0x41}},
                m);
}

std::unique_ptr<CPathPointList> MakeRoundRectPoints(float x1, float y1, float x2, float y2,
                                                    float rx, float ry, const CMatrix3* m) {
  const CornerPoints c(x1, y1, x2, y2, rx, ry);
  const float k = kBezierK;
  // Each corner: from A on one edge around the corner B to C on the next.
  auto c1 = [k](CFPoint a, CFPoint b) { return Rec(Toward(a, b, k), 0x00); };
  const CFPoint p0{x1, c.ay}, p1{c.ax, y1}, p2{c.bx, y1}, p3{x2, c.ay};
  const CFPoint p4{x2, c.by}, p5{c.bx, y2}, p6{c.ax, y2}, p7{x1, c.by};
  const CFPoint lt{x1, y1}, rt{x2, y1}, rb{x2, y2}, lb{x1, y2};
  return ListOf({Rec(p0, 0x11), c1(p0, lt), c1(p1, lt), Rec(p1, 0x01),
                 Rec(p2, 0x01), c1(p2, rt), c1(p3, rt), Rec(p3, 0x01),
                 Rec(p4, 0x01), c1(p4, rb), c1(p5, rb), Rec(p5, 0x01),
                 Rec(p6, 0x01), c1(p6, lb), c1(p7, lb), Rec(p7, 0x01),
                 Rec(p0, 0x41)},
                m);
}

std::unique_ptr<CPathPointList> MakeChamferRectPoints(float x1, float y1, float x2, float y2,
                                                      float fx, float fy, const CMatrix3* m) {
  const CornerPoints c(x1, y1, x2, y2, fx, fy);
  return ListOf({{x1, c.ay, 0x11},
                 {c.ax, y1, 0x01},
                 {c.bx, y1, 0x01},
                 {x2, c.ay, 0x01},
                 {x2, c.by, 0x01},
                 {c.bx, y2, 0x01},
                 {c.ax, y2, 0x01},
                 {x1, c.by, 0x01},
                 {x1, c.ay, 0x41}},
                m);
}

std::unique_ptr<CPathPointList> MakeEllipsePointList(float x1, float y1, float x2, float y2) {
  const float cx = (x1 + x2) / 2.0f, cy = (y1 + y2) / 2.0f;
  const float k = kBezierK;
  const float up = cy - k * (cy - y1), down = cy + k * (y2 - cy);
  const float left = cx - k * (cx - x1), right = cx + k * (x2 - cx);
  return ListOf({{x1, cy, 0x11},
                 {x1, up, 0x00},
                 {left, y1, 0x00},
                 {cx, y1, 0x01},
                 {right, y1, 0x00},
                 {x2, up, 0x00},
                 {x2, cy, 0x01},
                 {x2, down, 0x00},
                 {right, y2, 0x00},
                 {cx, y2, 0x01},
                 {left, y2, 0x00},
                 {x1, down, 0x00},
                 {x1, cy, 0x41}},
                nullptr);
}

// ---------------------------------------------------------------------------
// Paths.

std::unique_ptr<CPathObject> MakeArcPath(float x1, float y1, float x2, float y2, float start,
                                         float end) {
  return PathFromList(MakeArcPointList(x1, y1, x2, y2, start, end));
}

std::unique_ptr<CPathObject> MakeEllipsePath(float x1, float y1, float x2, float y2) {
  return PathFromList(MakeEllipsePointList(x1, y1, x2, y2));
}

std::unique_ptr<CPathObject> MakePiePath(float x1, float y1, float x2, float y2, float start,
                                         float end) {
  if (!(std::fabs(start - end) >= 0.001f)) return nullptr;
  std::unique_ptr<CPathObject> path = MakeArcPath(x1, y1, x2, y2, start, end);
  if (!path) return nullptr;
  path->RemoveEndRecords();
  path->ReopenLastContour();
  path->AddPoint((x1 + x2) / 2.0f, (y1 + y2) / 2.0f, 0x01);
  path->CloseLastContour();
  path->EndPoints();
  return path;
}
