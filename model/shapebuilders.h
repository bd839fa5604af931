// Builders of simple closed shapes as new path objects: regular polygons and
// stars, polygon rings in a rectangle, rectangles. One contour of straight
// segments each (two for a ring), starting 0x11 and closing 0x41 on the
// first point exactly.
#pragma once
#include <memory>

#include "model/geometry.h"
#include "model/pathobject.h"

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
