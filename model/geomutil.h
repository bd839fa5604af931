// Plane geometry helpers in single-precision document units: point and
// rectangle tests, distances, intersections, angles, circles through three
// points, and small drawing helpers in device coordinates. Angles are radians
// unless a name says degrees.
#pragma once
#include "model/geometry.h"
#include "platform/types.h"

namespace plat {
class DC;
}

// Bounds inclusive; the rectangle must be ordered.
bool PointInFRect(float x, float y, float left, float top, float right, float bottom);
// The same test; z takes no part.
bool PointInFRectEx(float x, float y, float z, float left, float top, float right, float bottom);
// Two rectangles by two corners each, in any order. 0 when apart (touching
// overlaps); else 1 and the intersection into *out when given.
int IntersectFRects(CFRect* out, float x1, float y1, float x2, float y2, float x3, float y3,
                    float x4, float y4);
void RectFromPoints(plat::LONG x1, plat::LONG y1, plat::LONG x2, plat::LONG y2, plat::RECT& out);
// The range of directions (degrees, y up) from (px, py) that the ordered
// rectangle covers; end >= start.
void GetRectAngleRange(float x1, float y1, float x2, float y2, float px, float py, float& start,
                       float& end);

float PointDistance(float x1, float y1, float x2, float y2);
// Distance of (px, py) from the infinite line through the two points.
float PointLineDistance(float x1, float y1, float x2, float y2, float px, float py);
// Intersection of two infinite lines; 0 (out untouched) when parallel.
int LineIntersection(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4, CFPoint& out);
void PointOnSegment(float x1, float y1, float x2, float y2, float t, CFPoint& out);

// Angle of the vector with the y axis pointing up, in [0, 2 pi).
float VectorAngle(float x1, float y1, float x2, float y2);
// Bisector of the counter-clockwise sweep from a1 to a2.
float MidAngle(float a1, float a2);

// Radius of the circle through three points, its centre into *centre.
// Collinear (or coincident) points give 100000 and the centre (0, 0).
float CircleFromThreePoints(float x1, float y1, float x2, float y2, float x3, float y3,
                            CFPoint* centre = nullptr);
// The arch spanning the rectangle from its bottom corners through its top centre.
float ArcCircleFromRect(float x1, float y1, float x2, float y2, CFPoint* centre = nullptr);

// Drawing helpers in device coordinates; pens, brushes and ROP2 are the caller's.
void DrawHandleSquare(plat::DC* dc, plat::LONG x, plat::LONG y, plat::LONG r);
// Corners p0 p1 (top row) and p2 p3 (bottom row) through the matrix.
void DrawTransformedQuad(plat::DC* dc, float x0, float y0, float x1, float y1, float x2, float y2,
                         float x3, float y3, const CMatrix3& m);
void DrawTransformedRect(plat::DC* dc, const CFRect& r, const CMatrix3& m);
