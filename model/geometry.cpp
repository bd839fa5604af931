#include "model/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/pathpoints.h"

namespace {

constexpr double kPi = 3.1415926;

double DegToRad(float degrees) { return double(degrees) * kPi / 180.0; }

float Sign(float v, float magnitude) { return v < 0.0f ? -magnitude : magnitude; }

}  // namespace

plat::LONG TruncToLong(float v) { return plat::SatTrunc(v); }

// ---- CFRect ----

CFRect& CFRect::CopyTo(CFRect& dst) const {
  dst = *this;
  return dst;
}

bool CFRect::IsInside(float l, float t, float r, float b) const {
  return left >= l && left <= r && right >= l && right <= r && top >= t && top <= b &&
         bottom >= t && bottom <= b;
}

bool CFRect::IsOutside(float l, float t, float r, float b) const {
  return (left >= r && right >= r) || (left <= l && right <= l) || (top <= t && bottom <= t) ||
         (top >= b && bottom >= b);
}

void CFRect::Inflate(float dx, float dy) {
  left -= dx;
  right += dx;
  top -= dy;
  bottom += dy;
}

float CFRect::Width() const { return std::fabs(right - left); }
float CFRect::Height() const { return std::fabs(bottom - top); }
void CFRect::SetWidth(float w) { right = left + std::fabs(w); }
void CFRect::SetHeight(float h) { bottom = top + std::fabs(h); }

void CFRect::GetSize(CFPoint& size) const {
  size.x = Width();
  size.y = Height();
}

void CFRect::SetSize(float w, float h) {
  SetWidth(w);
  SetHeight(h);
}

void CFRect::GetTopLeft(CFPoint& pt) const {
  pt.x = left;
  pt.y = top;
}

void CFRect::MoveTo(float x, float y) {
  float w = right - left;
  float h = bottom - top;
  left = x;
  top = y;
  right = x + w;
  bottom = y + h;
}

void CFRect::Normalize() {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
}

void CFRect::ConstrainLine() {
  float w = right - left;
  float h = bottom - top;
  float aw = std::fabs(w);
  float ah = std::fabs(h);
  float ratio = ah == 0.0f ? 3.0f : aw / ah;
  float nw = w;
  float nh = h;
  if (ratio >= 2.0f) nh = 0.0f;
  if (ratio <= 0.5f) nw = 0.0f;
  if (ratio > 0.5f && ratio < 2.0f) {
    float m = std::min(aw, ah);
    nw = Sign(w, m);
    nh = Sign(h, m);
  }
  right = left + nw;
  bottom = top + nh;
}

void CFRect::ConstrainSquare() {
  float w = right - left;
  float h = bottom - top;
  float m = std::min(std::fabs(w), std::fabs(h));
  right = left + Sign(w, m);
  bottom = top + Sign(h, m);
}

// ---- CMatrix3 ----

void CMatrix3::SetIdentity() {
  m00 = m01 = m02 = m10 = m11 = m12 = m20 = m21 = m22 = 0.0f;
  m00 = m11 = m22 = 1.0f;
}

bool CMatrix3::IsIdentity() const {
  return m00 == 1.0f && m01 == 0.0f && m02 == 0.0f && m10 == 0.0f && m11 == 1.0f && m12 == 0.0f &&
         m20 == 0.0f && m21 == 0.0f;
}

CMatrix3& CMatrix3::Multiply(const CMatrix3& b) {
  const CMatrix3& a = *this;
  CMatrix3 r;
  r.m00 = a.m00 * b.m00 + a.m01 * b.m10;
  r.m01 = a.m00 * b.m01 + a.m01 * b.m11;
  r.m02 = a.m00 * b.m02 + a.m01 * b.m12;
  r.m10 = a.m10 * b.m00 + a.m11 * b.m10;
  r.m11 = a.m10 * b.m01 + a.m11 * b.m11;
  r.m12 = 0.0f;
  r.m20 = a.m20 * b.m00 + a.m21 * b.m10 + b.m20;
  r.m21 = a.m20 * b.m01 + a.m21 * b.m11 + b.m21;
  r.m22 = 1.0f;
  *this = r;
  return *this;
}

void CMatrix3::Append(const CMatrix3& m) { Multiply(m); }

float CMatrix3::Determinant() const {
  return m00 * m11 * m22 + m01 * m12 * m20 + m02 * m10 * m21 - m02 * m11 * m20 -
         m01 * m10 * m22 - m00 * m12 * m21;
}

bool CMatrix3::IsInvertible() const {
  const float v[9] = {m00, m01, m02, m10, m11, m12, m20, m21, m22};
  for (float f : v)
    if (!std::isfinite(f)) return false;
  float det = Determinant();
  return det != 0.0f && std::isfinite(det);
}

void CMatrix3::DivideBy(float s) {
  if (s == 0.0f) return;
  m00 /= s;
  m01 /= s;
  m02 /= s;
  m10 /= s;
  m11 /= s;
  m12 /= s;
  m20 /= s;
  m21 /= s;
  m22 /= s;
}

void CMatrix3::TransformPoint(CFPoint& pt) const { TransformPointTo(pt, nullptr); }

CFPoint& CMatrix3::TransformPointTo(CFPoint& src, CFPoint* dst) const {
  float x = src.x;
  float y = src.y;
  CFPoint& out = dst ? *dst : src;
  out.x = x * m00 + y * m10 + m20;
  out.y = x * m01 + y * m11 + m21;
  return out;
}

void CMatrix3::TransformPointToInt(CFPoint& src, plat::POINT* out) const {
  if (out) {
    CFPoint t;
    TransformPointTo(src, &t);
    out->x = TruncToLong(t.x);
    out->y = TruncToLong(t.y);
  } else {
    TransformPointTo(src, nullptr);
  }
}

void CMatrix3::TransformPathPoint(PathPoint& pt) const {
  float x = pt.x;
  float y = pt.y;
  pt.x = x * m00 + y * m10 + m20;
  pt.y = x * m01 + y * m11 + m21;
}

void CMatrix3::TransformRect(CFRect& r) const {
  CFPoint lt{r.left, r.top};
  CFPoint rb{r.right, r.bottom};
  TransformPoint(lt);
  TransformPoint(rb);
  r = CFRect(lt.x, lt.y, rb.x, rb.y);
  r.Normalize();
}

void CMatrix3::TransformRectCorners(CFRect& r, plat::RECT* out) const {
  CFPoint lt{r.left, r.top};
  CFPoint rb{r.right, r.bottom};
  TransformPoint(lt);
  TransformPoint(rb);
  if (out) {
    out->left = TruncToLong(lt.x);
    out->top = TruncToLong(lt.y);
    out->right = TruncToLong(rb.x);
    out->bottom = TruncToLong(rb.y);
  } else {
    r = CFRect(lt.x, lt.y, rb.x, rb.y);
  }
}

void CMatrix3::TransformRectBounds(CFRect& r, plat::RECT* out) const {
  CFPoint q[4];
  TransformRectToQuad(r, q);
  float minx = q[0].x, maxx = q[0].x, miny = q[0].y, maxy = q[0].y;
  for (int i = 1; i < 4; ++i) {
    minx = std::min(minx, q[i].x);
    maxx = std::max(maxx, q[i].x);
    miny = std::min(miny, q[i].y);
    maxy = std::max(maxy, q[i].y);
  }
  if (out) {
    out->left = TruncToLong(minx);
    out->top = TruncToLong(miny);
    out->right = TruncToLong(maxx);
    out->bottom = TruncToLong(maxy);
  } else {
    r = CFRect(minx, miny, maxx, maxy);
  }
}

void CMatrix3::TransformRectToQuad(const CFRect& r, CFPoint quad[4]) const {
  CFPoint c[4] = {{r.left, r.top}, {r.right, r.top}, {r.left, r.bottom}, {r.right, r.bottom}};
  for (int i = 0; i < 4; ++i) TransformPointTo(c[i], &quad[i]);
}

std::unique_ptr<CMatrix3> CMatrix3::CreateInverse(bool* singular) const {
  float det = Determinant();
  auto q = std::make_unique<CMatrix3>();
  q->m00 = m11 * m22 - m12 * m21;
  q->m01 = -(m01 * m22 - m02 * m21);
  q->m02 = m01 * m12 - m02 * m11;
  q->m10 = -(m10 * m22 - m12 * m20);
  q->m11 = m00 * m22 - m02 * m20;
  q->m12 = -(m00 * m12 - m02 * m10);
  q->m20 = m10 * m21 - m11 * m20;
  q->m21 = -(m00 * m21 - m01 * m20);
  q->m22 = m00 * m11 - m01 * m10;
  q->DivideBy(det);
  if (singular) {
    // An inverse that overflows is no more usable than none.
    bool finite = IsInvertible();
    const float v[9] = {q->m00, q->m01, q->m02, q->m10, q->m11, q->m12, q->m20, q->m21, q->m22};
    for (float f : v) finite = finite && std::isfinite(f);
    *singular = !finite;
  }
  return q;
}

float CMatrix3::InverseLength(float d) const {
  bool singular = false;
  auto inv = CreateInverse(&singular);
  if (singular) return std::fabs(d);
  CFPoint a{0.0f, 0.0f};
  CFPoint b{0.0f, d};
  inv->TransformPoint(a);
  inv->TransformPoint(b);
  float dx = a.x - b.x;
  float dy = a.y - b.y;
  return std::fabs(std::sqrt(dx * dx + dy * dy));
}

// ---- Builders ----

std::unique_ptr<CMatrix3> MakeRotateMatrixAt(float cx, float cy, float angle) {
  double rad = DegToRad(angle);
  double s = std::sin(rad);
  double c = std::cos(rad);
  if (angle == 90.0f) {
    s = 1.0;
    c = 0.0;
  } else if (angle == -90.0f) {
    s = -1.0;
    c = 0.0;
  } else if (angle == 180.0f || angle == -180.0f) {
    s = 0.0;
    c = -1.0;
  }
  auto m = std::make_unique<CMatrix3>();
  m->m00 = float(c);
  m->m01 = float(s);
  m->m10 = float(-s);
  m->m11 = float(c);
  m->m20 = float((1.0 - c) * cx + cy * s);
  m->m21 = float((1.0 - c) * cy - cx * s);
  return m;
}

std::unique_ptr<CMatrix3> MakeRotateMatrix(float x1, float y1, float x2, float y2, float angle) {
  float cx = (x1 + x2) / 2.0f;
  float cy = (y1 + y2) / 2.0f;
  return MakeRotateMatrixAt(cx, cy, angle);
}

std::unique_ptr<CMatrix3> MakeSkewMatrix(float x1, float y1, float x2, float y2, float angleX,
                                         float angleY) {
  float cx = (x1 + x2) / 2.0f;
  float cy = (y1 + y2) / 2.0f;
  double tx = std::tan(DegToRad(angleX));
  double ty = std::tan(DegToRad(angleY));
  auto m = std::make_unique<CMatrix3>();
  m->m10 = float(tx);
  m->m20 = float(-cy * tx);
  m->m01 = float(ty);
  m->m21 = float(-cx * ty);
  return m;
}

std::unique_ptr<CMatrix3> MakeMirrorMatrix(float x1, float y1, float x2, float y2, int horizontal,
                                           int vertical) {
  float cx = (x1 + x2) / 2.0f;
  float cy = (y1 + y2) / 2.0f;
  float sx = horizontal ? -1.0f : 1.0f;
  float sy = vertical ? -1.0f : 1.0f;
  auto m = std::make_unique<CMatrix3>();
  m->m00 = sx;
  m->m11 = sy;
  m->m20 = (1.0f - sx) * cx;
  m->m21 = (1.0f - sy) * cy;
  return m;
}
