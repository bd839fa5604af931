// The tracing libraries' entry point "ImageVector" over potrace: the mask
// becomes a bitmap, its outlines one path record in pixels, y downward from
// the image's top-left corner. Built twice, as libTrace.so and libVector.so.
#include "model/imagevector.h"

#include <potracelib.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "outside/flexoril/shapes.h"

#define TRACE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using flx::Contour;
using flx::Pt;
using flx::Segment;

constexpr int kWordBits = int(sizeof(potrace_word) * 8);
constexpr std::uint16_t kFilled = 0x100;

bool Finite(float v) { return std::isfinite(v); }

// The mask's rows as potrace scanlines: row 0 (the bottom) is scanline 0.
std::vector<potrace_word> PackMask(const ImageVectorParams& p, int& dy) {
  const std::size_t w = std::size_t(p.width), h = std::size_t(p.height);
  const std::size_t words = (w + kWordBits - 1) / kWordBits;
  dy = int(words);
  std::vector<potrace_word> map(words * h, 0);
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* row = p.mask + y * w;
    potrace_word* out = map.data() + y * words;
    for (std::size_t x0 = 0; x0 < w; x0 += kWordBits) {
      const std::size_t n = std::min<std::size_t>(kWordBits, w - x0);
      potrace_word v = 0;
      for (std::size_t i = 0; i < n; ++i) v = (v << 1) | potrace_word(row[x0 + i] != 0);
      out[x0 / kWordBits] = v << (kWordBits - n);
    }
  }
  return map;
}

void SetParams(const ImageVectorParams& p, potrace_param_t& param) {
  param.turdsize = std::max(0, p.FilterSurround);
  const double alpha = Finite(p.CornerThreshold) ? double(p.CornerThreshold) / 100.0 : 1.0;
  param.alphamax = std::clamp(alpha, 0.0, 4.0 / 3.0);
  param.opticurve = p.KeepKnees == 0 ? 1 : 0;
  const double tolerance = Finite(p.ErrorThreshold) ? double(p.ErrorThreshold) * 0.4 : 0.2;
  param.opttolerance = std::clamp(tolerance, 0.0, 1.0e6);
}

double DistanceToChord(Pt p, Pt a, Pt b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// b lies on the straight way from a to c.
bool Between(Pt a, Pt b, Pt c) {
  const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
  const double scale = std::max({std::fabs(ux), std::fabs(uy), std::fabs(vx), std::fabs(vy)});
  return std::fabs(ux * vy - uy * vx) <= 1e-9 * scale * scale && ux * vx + uy * vy > 0.0;
}

// Drops the nodes of a closed contour that sit inside a straight run.
void MergeStraightRuns(Contour& c) {
  std::vector<Segment> out;
  out.reserve(c.segs.size());
  for (const Segment& s : c.segs) {
    if (!s.curve && !out.empty() && !out.back().curve) {
      const Pt from = out.size() >= 2 ? out[out.size() - 2].to : c.start;
      if (Between(from, out.back().to, s.to)) {
        out.back().to = s.to;
        continue;
      }
    }
    out.push_back(s);
  }
  // The start itself may sit inside the run from the last piece to the first.
  while (out.size() > 3 && !out.back().curve && !out.front().curve &&
         Between(out[out.size() - 2].to, c.start, out.front().to)) {
    c.start = out[out.size() - 2].to;
    out.pop_back();
  }
  c.segs = std::move(out);
}

Segment Line(Pt to) {
  Segment s;
  s.to = to;
  return s;
}

// A closed potrace curve in pixels, y downward; a corner is two lines, a
// cubic near enough its chord one.
Contour ToContour(const potrace_curve_t& curve, double height, double lineThreshold) {
  auto at = [height](const potrace_dpoint_t& d) { return Pt{d.x, height - d.y}; };
  Contour c;
  c.closed = true;
  c.start = at(curve.c[curve.n - 1][2]);
  Pt prev = c.start;
  for (int i = 0; i < curve.n; ++i) {
    const Pt end = at(curve.c[i][2]);
    if (curve.tag[i] == POTRACE_CORNER) {
      c.segs.push_back(Line(at(curve.c[i][1])));
      c.segs.push_back(Line(end));
    } else {
      Segment s = Line(end);
      const Pt c1 = at(curve.c[i][0]), c2 = at(curve.c[i][1]);
      if (!(DistanceToChord(c1, prev, end) <= lineThreshold && DistanceToChord(c2, prev, end) <= lineThreshold)) {
        s.curve = true;
        s.c1 = c1;
        s.c2 = c2;
      }
      c.segs.push_back(s);
    }
    prev = end;
  }
  MergeStraightRuns(c);
  return c;
}

plat::HGLOBAL Trace(const ImageVectorParams& p) {
  int dy = 0;
  std::vector<potrace_word> map = PackMask(p, dy);
  potrace_bitmap_t bitmap{p.width, p.height, dy, map.data()};
  potrace_param_t* param = potrace_param_default();
  if (!param) return 0;
  SetParams(p, *param);
  potrace_state_t* state = potrace_trace(param, &bitmap);
  potrace_param_free(param);
  if (!state) return 0;
  std::vector<Contour> contours;
  if (state->status == POTRACE_STATUS_OK) {
    const double lineThreshold = Finite(p.LineThreshold) ? std::max(0.0, double(p.LineThreshold)) : 0.0;
    for (const potrace_path_t* path = state->plist; path; path = path->next)
      if (path->curve.n > 0) contours.push_back(ToContour(path->curve, double(p.height), lineThreshold));
  }
  potrace_state_free(state);
  return flx::ToBlock(flx::ContourRecord(kFilled, 0, contours));
}

}  // namespace

TRACE_EXPORT plat::HGLOBAL ImageVector(const ImageVectorParams* params) {
  if (!params || !params->mask) return 0;
  const ImageVectorParams& p = *params;
  if (p.width < imagevector::kMinSide || p.height < imagevector::kMinSide) return 0;
  if (std::uint64_t(p.width) * std::uint64_t(p.height) > imagevector::kMaxPixels) return 0;
  try {
    return Trace(p);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
