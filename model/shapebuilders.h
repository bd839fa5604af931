// Builders of simple closed shapes as new path objects: regular polygons and
// stars, polygon rings in a rectangle, rectangles. One contour of straight
// segments each (two for a ring), starting 0x11 and closing 0x41 on the
// first point exactly.
//
// Also the outlines of the simple shapes as point lists (rectangles plain,
// rounded and chamfered, the full ellipse), paths of arcs, ellipses and
// sectors, concentric ellipses, and the smoothing of a polyline path.
#pragma once
#include <memory>
#include <string_view>

#include "model/geometry.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"

// Star (inner radius r2 != 0: 2n points alternating r and r2) or polygon
// (r2 == 0: n points), starting at the angle `start` (radians, y up); null
// for n < 3.
std::unique_ptr<CPathObject> MakeStarPath(float cx, float cy, float r, float start, int n,
                                          float r2);
// The polygon or star in the square at the rectangle's first corner with the
// side of its smaller extent, first point straight above the centre. A border
// width w != 0 adds the inner contour of a ring, unless it would turn inside
// out. Null for n < 3.
std::unique_ptr<CPathObject> MakeRegularPolygonPath(float x0, float y0, float x1, float y1, int n,
                                                    float w, float r2);
// Corners (x0, y0), (x1, y0), (x1, y1), (x0, y1) in that order.
std::unique_ptr<CPathObject> MakeRectanglePath(float x0, float y0, float x1, float y1);
// The normalised rectangle from its left-top corner.
std::unique_ptr<CPathObject> MakeRectanglePathFromRect(CFRect r);
std::unique_ptr<CPathObject> MakeRectanglePathAt(float x0, float y0, float x1, float y1);

// --- Outlines as point lists (each point through the matrix when given;
// bounds from the nodes and curves; the list is ended).

// Five points around the normalised rectangle from its left-top corner:
// 0x11, 0x01 x 3, 0x41.
std::unique_ptr<CPathPointList> MakeRectPoints(float x1, float y1, float x2, float y2,
                                               const CMatrix3* m);
// Seventeen points: the edges shortened by the rounding fractions rx, ry of
// half the width and height, each corner one cubic piece. rx = ry = 1 gives
// an ellipse of four pieces.
std::unique_ptr<CPathPointList> MakeRoundRectPoints(float x1, float y1, float x2, float y2,
                                                    float rx, float ry, const CMatrix3* m);
// Nine points: the same corner cuts as straight lines.
std::unique_ptr<CPathPointList> MakeChamferRectPoints(float x1, float y1, float x2, float y2,
                                                      float fx, float fy, const CMatrix3* m);
// The full ellipse in the rectangle: from (x1, cy) through the top y1, the
// right and the bottom back to the left, four cubic quarters (13 points).
std::unique_ptr<CPathPointList> MakeEllipsePointList(float x1, float y1, float x2, float y2);

// --- Paths.

// The arc of MakeArcPointList as a path; null when it holds no point.
std::unique_ptr<CPathObject> MakeArcPath(float x1, float y1, float x2, float y2, float start,
                                         float end);
std::unique_ptr<CPathObject> MakeEllipsePath(float x1, float y1, float x2, float y2);
// The closed sector of the arc and the centre; null when the angles are
// closer than 0.001.
std::unique_ptr<CPathObject> MakePiePath(float x1, float y1, float x2, float y2, float start,
                                         float end);
// Ellipses around (cx, cy), one per field of the comma-separated x radii;
// the y radius is the same field of the y list, or the x radius when that
// field is missing or 0. One path; null when no radius gives an ellipse.
std::unique_ptr<CPathObject> MakeConcentricEllipses(float cx, float cy, std::string_view radiiX,
                                                    std::string_view radiiY);
// Replaces the path's points by cubic pieces through the midpoints of its
// edges, every contour open-ended; the old area is invalidated in the active
// view. Nothing without an active view or without points.
void SmoothPolylinePath(CPathObject& path);
