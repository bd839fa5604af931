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
