// Single-precision plane geometry: float points and rectangles, the affine
// 3x3 matrix and the builders of rotation, skew and mirror matrices.
#pragma once
#include <memory>

#include "platform/types.h"

struct PathPoint;

// Truncates toward zero into a device integer. Values beyond the integer range
// saturate and NaN gives 0, so hostile coordinates never overflow.
plat::LONG TruncToLong(float v);

struct CFPoint {
  float x = 0.0f;
  float y = 0.0f;
  friend bool operator==(const CFPoint&, const CFPoint&) = default;
};
static_assert(sizeof(CFPoint) == 8);

// Edges are not kept ordered until Normalize: a dragged rectangle keeps its
// anchor corner in left, top.
struct CFRect {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  CFRect() = default;
  CFRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
  CFRect(const CFRect&) = default;
  CFRect& operator=(const CFRect&) = default;
  friend bool operator==(const CFRect&, const CFRect&) = default;

  CFRect& CopyTo(CFRect& dst) const;
  bool IsInside(float l, float t, float r, float b) const;
  // Touching an edge counts as outside.
  bool IsOutside(float l, float t, float r, float b) const;
  void Inflate(float dx, float dy);
  float Width() const;
  float Height() const;
  void SetWidth(float w);
  void SetHeight(float h);
  void GetSize(CFPoint& size) const;
  void SetSize(float w, float h);
  void GetTopLeft(CFPoint& pt) const;
  void MoveTo(float x, float y);
  void Normalize();
  // Drag constraints from the anchor corner left, top.
  void ConstrainLine();
  void ConstrainSquare();
};
static_assert(sizeof(CFRect) == 16);

// Row-vector affine matrix: x' = x*m00 + y*m10 + m20, y' = x*m01 + y*m11 + m21.
// The third column is 0, 0, 1 in every matrix built here.
struct CMatrix3 {
  float m00, m01, m02;
  float m10, m11, m12;
  float m20, m21, m22;

  CMatrix3() { SetIdentity(); }
  CMatrix3(float a, float b, float c, float d, float e, float f)
      : m00(a), m01(b), m02(0.0f), m10(c), m11(d), m12(0.0f), m20(e), m21(f), m22(1.0f) {}
  CMatrix3(const CMatrix3&) = default;
  CMatrix3& operator=(const CMatrix3&) = default;
  friend bool operator==(const CMatrix3&, const CMatrix3&) = default;

  void SetIdentity();
  // Exact comparison; m22 is not examined.
  bool IsIdentity() const;
  // this = this x m: first this matrix, then m. m may be this matrix.
  CMatrix3& Multiply(const CMatrix3& m);
  void Append(const CMatrix3& m);
  float Determinant() const;
  // False for a singular matrix (determinant 0) or one holding NaN or infinity.
  bool IsInvertible() const;
  // Nothing for s == 0.
  void DivideBy(float s);

  void TransformPoint(CFPoint& pt) const;
  CFPoint& TransformPointTo(CFPoint& src, CFPoint* dst = nullptr) const;
  // With an integer point: truncated coordinates there, the source untouched.
  // Without: the floats back into the source.
  void TransformPointToInt(CFPoint& src, plat::POINT* out = nullptr) const;
  void TransformPathPoint(PathPoint& pt) const;
  void TransformRect(CFRect& r) const;
  void TransformRectCorners(CFRect& r, plat::RECT* out = nullptr) const;
  void TransformRectBounds(CFRect& r, plat::RECT* out = nullptr) const;
  // Corners in the order left-top, right-top, left-bottom, right-bottom.
  void TransformRectToQuad(const CFRect& r, CFPoint quad[4]) const;

  // The adjugate divided by the determinant. A singular matrix yields its
  // adjugate undivided; *singular (when given) tells the caller so.
  std::unique_ptr<CMatrix3> CreateInverse(bool* singular = nullptr) const;
  // Document length of a vertical distance d measured after this matrix.
  // A singular matrix has no such length: d itself is returned (as abs).
  float InverseLength(float d) const;
};
static_assert(sizeof(CMatrix3) == 36);

// Builders: angles in degrees, about the centre of the rectangle (or point).
std::unique_ptr<CMatrix3> MakeRotateMatrix(float x1, float y1, float x2, float y2, float angle);
std::unique_ptr<CMatrix3> MakeRotateMatrixAt(float cx, float cy, float angle);
std::unique_ptr<CMatrix3> MakeSkewMatrix(float x1, float y1, float x2, float y2, float angleX,
                                         float angleY);
std::unique_ptr<CMatrix3> MakeMirrorMatrix(float x1, float y1, float x2, float y2, int horizontal,
                                           int vertical);
