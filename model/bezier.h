// Cubic Bezier pieces: evaluation, measuring, splitting, flattening, clipping
// and hit testing, with a global table of Bernstein weights for sampling at
// evenly spaced parameters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/geometry.h"

namespace plat {
class DC;
}

struct CBezierBasis {
  static constexpr int kMaxSteps = 100;
  float w[kMaxSteps + 1][4] = {};
  std::uint16_t n = 0;
};
// Filled for 100 steps at start-up; every reader uses the n it holds.
extern CBezierBasis BezierBasisTable;

// Fills entries 0..n for n steps (0 counts as 1, above 100 as 100); returns n.
std::uint16_t FillBezierBasis(std::uint16_t n);

struct CBezierSegment {
  CFPoint P0, P1, P2, P3;
  CFRect box;  // filled by ComputeBox

  // The points written by ClipToRect end with this marker.
  static constexpr float kClipEnd = -99999.0f;

  CFPoint& PointAt(float t, CFPoint& out) const;
  // The table point of entry i (0..n of the table).
  CFPoint TablePoint(int i) const;
  // P0, P01, P012, P0123, P123, P23, P3.
  void SplitPoints(float t, CFPoint out[7]) const;
  void Split(float t, CFPoint first[4], CFPoint second[4]) const;
  void Split(float t, CBezierSegment& first, CBezierSegment& second) const;
  void Bisect(CFPoint first[4], CFPoint second[4]) const;
  void Bisect(CBezierSegment& first, CBezierSegment& second) const;
  // Larger squared distance of P1, P2 from the line P0-P3; 0 when P0 == P3.
  float IsFlatEnough() const;
  // Line-to calls from the current position; points and the squared
  // tolerance in device units.
  void DrawFlattened(plat::DC* dc, float tolerance) const;
  void DrawPolyBezier(plat::DC* dc, float tolerance) const;
  void ComputeBox();
  float NearestParameter(float x, float y, float t0, float t1) const;
  // Parameter in [0, 1] of the hit, the point moved onto the curve; -1 for a miss.
  float HitTest(CFPoint& pt, float tolerance);
  // The part between t0 and t1 (taken in ascending order).
  void SubSegment(float t0, float t1, CFPoint out[4]) const;
  // The pieces inside the rectangle, four points each, then the point
  // (kClipEnd, kClipEnd). 0 (out cleared) when the rectangle misses the box.
  int ClipToRect(float left, float top, float right, float bottom, std::vector<CFPoint>& out);

 private:
  void DrawFlattenedDepth(plat::DC* dc, float tolerance, int depth) const;
};

float BezierLength(const CBezierSegment& seg, std::uint16_t k);
void BezierPointAtLength(const CBezierSegment& seg, CFPoint& out, float distance, float total,
                         std::uint16_t k);
// Fraction along the segment of a point within the tolerance of it, the point
// snapped onto it; -1 for a miss. A zero-length segment is tested as a point.
float HitTestSegment(float x1, float y1, float x2, float y2, CFPoint& pt, float tolerance);
// Parameters in [0, 1] where the curve meets a x + b y = c, written from
// out[0] on, at most `slots`; returns how many.
int BezierLineRoots(float a, float b, float c, const CBezierSegment& seg, float* out,
                    int slots = 4);
// Inserts before the first entry >= value, the last entry dropping out.
void InsertSortedFloat(float* arr, float value, int slots);
// Integer "x,y" pairs of the flattened curve, comma separated; empty for a
// curve that is a single point. depth counts the splits above this call.
std::string FlattenBezierToText(const CBezierSegment& seg, int depth = 0);
