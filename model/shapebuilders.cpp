#include "model/shapebuilders.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "model/ellipseobject.h"
#include "model/helpers.h"
#include "model/shapeobject.h"

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
  RecordRun run;
  run.recs.reserve(pts.size() + 1);
  for (PathPoint p : pts) {
    if (m) m->TransformPathPoint(p);
    run.Add(p);
  }
  return run.TakeList();
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

std::unique_ptr<CPathObject> MakeConcentricEllipses(float cx, float cy, std::string_view radiiX,
                                                    std::string_view radiiY) {
  // A field as a number held to the page; 0 for an empty or unreadable one.
  auto number = [](std::string_view text, int i) {
    std::string field;
    if (!GetField(text, i, field, ',')) return 0.0f;
    const float v = std::strtof(field.c_str(), nullptr);
    return std::isfinite(v) ? float(std::clamp(double(v), -kMaxPageLength, kMaxPageLength)) : 0.0f;
  };
  std::unique_ptr<CPathObject> result;
  CEllipseObject ellipse;
  const int fields = radiiX.empty() ? 0 : CountFields(radiiX, ',');
  for (int i = 0; i < fields; ++i) {
    const float rx = number(radiiX, i);
    if (rx == 0.0f) continue;  // no radius in this field
    float ry = number(radiiY, i);
    if (ry == 0.0f) ry = rx;
    ellipse.x1 = cx - rx;
    ellipse.y1 = cy - ry;
    ellipse.x2 = cx + rx;
    ellipse.y2 = cy + ry;
    std::unique_ptr<CGraphObject> converted = ellipse.ConvertToPath(-1);
    if (!converted) continue;
    auto* path = static_cast<CPathObject*>(converted.get());
    if (!result) {
      converted.release();
      result.reset(path);
    } else {
      result->AppendPath(*path);
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Smoothing.

namespace {

// Builds the smooth contours of a polyline: each edge's midpoint becomes a
// node, each corner the control of a quadratic piece written as a cubic.
class Smoother {
 public:
  explicit Smoother(RecordRun& out) : out_(out) {}

  void Point(const PathPoint& rec) {
    const CFPoint p{rec.x, rec.y};
    const bool ends = (rec.flags & (PP_OPENEND | PP_CLOSEEND)) != 0;
    if ((rec.flags & PP_START) || !open_) {
      // A new sub-path; one left without an end is ended first.
      Finish();
      Start(p);
      if (ends) End(p, (rec.flags & PP_CLOSEEND) != 0);
      return;
    }
    if (ends)
      End(p, (rec.flags & PP_CLOSEEND) != 0);
    else
      Add(p);
  }

  // Ends a sub-path left without an end record: its last point ends it.
  void Finish() {
    if (!open_) return;
    if (count_ == 1) {
      Write(win_[0], 0x21);  // a single point: a straight piece of no length
    } else {
      Last();
    }
    open_ = false;
    count_ = 0;
  }

 private:
  void Write(CFPoint p, std::uint8_t flags) { out_.Add(p.x, p.y, flags); }

  void Start(CFPoint p) {
    Write(p, 0x11);
    start_ = p;
    win_[0] = p;
    count_ = 1;
    open_ = true;
  }

  // Three points A, B, C: from A with the corner B to the middle of B-C.
  void Add(CFPoint p) {
    win_[count_++] = p;
    if (count_ < 3) return;
    const CFPoint a = win_[0], b = win_[1], c = win_[2];
    const CFPoint m{(b.x + c.x) / 2.0f, (b.y + c.y) / 2.0f};
    Write(CFPoint{a.x + 2.0f / 3.0f * (b.x - a.x), a.y + 2.0f / 3.0f * (b.y - a.y)}, 0x00);
    Write(CFPoint{b.x + 1.0f / 3.0f * (m.x - b.x), b.y + 1.0f / 3.0f * (m.y - b.y)}, 0x00);
    Write(m, 0x01);
    win_[0] = m;
    win_[1] = c;
    count_ = 2;
  }

  void End(CFPoint p, bool closed) {
    if (closed && !(p == start_)) {
      Add(p);
      win_[count_++] = start_;
    } else {
      win_[count_++] = p;
    }
    Last();
    open_ = false;
    count_ = 0;
  }

  // The last piece through the window's last three points (the last one
  // repeated when there are two), ended open.
  void Last() {
    if (count_ == 2) win_[count_++] = win_[1];
    const CFPoint p = win_[0], q = win_[1], r = win_[2];
    Write(CFPoint{p.x + 2.0f / 3.0f * (q.x - p.x), p.y + 2.0f / 3.0f * (q.y - p.y)}, 0x00);
    Write(CFPoint{q.x + 1.0f / 3.0f * (r.x - q.x), q.y + 1.0f / 3.0f * (r.y - q.y)}, 0x00);
    Write(r, 0x21);
  }

  RecordRun& out_;
  CFPoint win_[3];
  int count_ = 0;
  CFPoint start_;
  bool open_ = false;
};

}  // namespace

void SmoothPolylinePath(CPathObject& path) {
  CViewServices* view = GetActiveView();
  if (!view || !path.points) return;
  // The points as they are drawn: the new bounds are the page's.
  path.ApplyTransform();
  RecordRun run;
  {
    pathrec::Records r(path.points);
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(path.count, 0)), r.n);
    run.recs.reserve(n * 3 + 4);
    Smoother s(run);
    for (std::size_t i = 0; i < n && r.p[i].flags != PP_END; ++i)
      if (pathrec::IsPoint(r.p[i].flags)) s.Point(r.p[i]);
    s.Finish();
  }
  std::int32_t count = 0;
  const CFRect bounds = run.hasBounds ? run.bounds : CFRect();
  plat::HGLOBAL block = run.TakeBlock(&count);
  if (!block) return;
  path.InvalidateObjectRect(view, true);
  plat::GlobalFree(path.points);
  path.points = block;
  path.bounds = bounds;
  path.capacity = count;
  path.count = count;
  path.selectedCount = 0;
}
