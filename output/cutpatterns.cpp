#include "output/cutpatterns.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <vector>

#include "model/geometry.h"
#include "model/geomutil.h"
#include "model/helpers.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/shapebuilders.h"
#include "platform/gmem.h"

namespace {

constexpr std::uint16_t kFilled = 0x100;
// Strips and gaps, sectors and gaps, rings and gaps.
constexpr int kMaxSteps = 2 * kMaxCutParts + 1;

bool Finite(std::initializer_list<float> values) {
  for (float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

double ReadNumber(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : 0.0;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

float FarthestCorner(float left, float top, float right, float bottom, float x, float y) {
  return std::max({PointDistance(x, y, left, top), PointDistance(x, y, right, top),
                   PointDistance(x, y, left, bottom), PointDistance(x, y, right, bottom)});
}

// A filled path of the records and an end record, in one block.
std::unique_ptr<CPathObject> Build(const std::vector<PathPoint>& recs) {
  if (recs.empty()) return nullptr;
  auto path = std::make_unique<CPathObject>();
  const std::size_t n = recs.size() + 1;
  path->points = plat::GlobalAlloc(plat::GHND, (n + 2) * sizeof(PathPoint));
  if (!path->points) return nullptr;
  {
    pathrec::Records r(path->points);
    std::memcpy(r.p, recs.data(), recs.size() * sizeof(PathPoint));
    r.p[recs.size()] = PathPoint{0.0f, 0.0f, PP_END};
  }
  path->count = std::int32_t(n);
  path->capacity = std::int32_t(n);
  path->RecomputeBounds();
  path->flags = kFilled;
  return path;
}

// The pieces' contours in order, as one path.
void Collect(std::vector<PathPoint>& recs, CPathObject& piece) {
  piece.ApplyTransform();
  pathrec::Records r(piece.points);
  for (std::size_t i = 0; i < r.n && i < std::size_t(std::max(piece.count, 0)) && r.p[i].flags != PP_END; ++i)
    recs.push_back(r.p[i]);
}

// --- Parallel strips ----------------------------------------------------------------

// The band across the box and where the origin lies in it.
struct Band {
  float angle = 0.0f;  // reduced: at most 180
  float theta = 0.0f;
  float cx = 0.0f, cy = 0.0f;
  float length = 0.0f;  // of a strip
  float width = 0.0f;   // of the band, a little more
  float before = 0.0f;  // a: extent of the band behind the base line
  float after = 0.0f;   // b: extent ahead of it
};

Band MakeBand(float left, float top, float right, float bottom, float angle, float ox, float oy, float zero) {
  Band band;
  angle = NormalizeCutAngle(angle);
  band.angle = angle;
  band.theta = angle / 180.0f * 3.1415926f;
  band.cx = (left + right) / 2.0f;
  band.cy = (top + bottom) / 2.0f;
  const float nx = band.cx + 50.0f * std::cos(band.theta + 1.5707963f);
  const float ny = band.cy - 50.0f * std::sin(band.theta + 1.5707963f);
  const float e = std::max({PointLineDistance(band.cx, band.cy, nx, ny, left, top),
                            PointLineDistance(band.cx, band.cy, nx, ny, right, top),
                            PointLineDistance(band.cx, band.cy, nx, ny, left, bottom),
                            PointLineDistance(band.cx, band.cy, nx, ny, right, bottom)});
  band.length = e * 2.05f;
  const float lx = band.cx + 50.0f * std::cos(band.theta);
  const float ly = band.cy - 50.0f * std::sin(band.theta);
  float w = 2.0f * PointLineDistance(band.cx, band.cy, lx, ly, left, angle > 90.0f ? bottom : top);
  const float d = PointLineDistance(band.cx, band.cy, lx, ly, ox, oy);
  float a = w / 2.0f - d, b = w / 2.0f + d;
  if (a < zero) a = 0.0f;
  if (b < zero) b = 0.0f;
  float beta = VectorAngle(band.cx, band.cy, ox, oy) * 180.0f / 3.1415926f;
  if (!(beta > 0.0f)) beta = 360.0f;
  if (beta > 360.0f) beta -= 360.0f;
  w += 0.0001f;
  const float big = std::max(a, b), small = std::min(a, b);
  if (beta <= angle || beta >= angle + 180.0f) {
    a = big;
    b = w < big + small ? 0.0f : small;
  } else {
    b = big;
    a = w < big + small ? 0.0f : small;
  }
  band.width = w;
  band.before = a;
  band.after = b;
  return band;
}

// A rectangle from (0, y1) to (length, y2); a line where the two meet.
void AddStrip(std::vector<PathPoint>& path, float length, float y1, float y2) {
  if (y1 == y2) {
    path.push_back({0.0f, y1, 0x11});
    path.push_back({length, y1, 0x21});
    return;
  }
  const float lo = std::min(y1, y2), hi = std::max(y1, y2);
  path.push_back({0.0f, lo, 0x11});
  path.push_back({length, lo, 0x01});
  path.push_back({length, hi, 0x01});
  path.push_back({0.0f, hi, 0x01});
  path.push_back({0.0f, lo, 0x41});
}

// Moves the strips built along y = 0 onto the base line through the origin.
std::unique_ptr<CPathObject> PlaceStrips(const std::vector<PathPoint>& strips, const Band& band, float left,
                                         float right, float ox, float oy) {
  std::unique_ptr<CPathObject> path = Build(strips);
  if (!path) return nullptr;
  const float mx = (left + right) / 2.0f;
  path->Offset(mx - band.length / 2.0f, oy);
  path->Transform(*MakeRotateMatrixAt(mx, oy, -band.angle));
  CFPoint x;
  const float nx = band.cx + 50.0f * std::cos(band.theta + 1.5707963f);
  const float ny = band.cy - 50.0f * std::sin(band.theta + 1.5707963f);
  if (LineIntersection(band.cx, band.cy, nx, ny, ox, oy, ox + 50.0f * std::cos(band.theta),
                       oy - 50.0f * std::sin(band.theta), x))
    path->Offset(x.x - mx, x.y - oy);
  return path;
}

// One list walk away from the base line: widths alternate strip and gap.
// Ends past `extent`, when the list stays at 0 for good, or at the limit.
void WalkStrips(std::vector<PathPoint>& path, float length, std::string_view list, float extent, float direction,
                bool draw, int& made) {
  CutListWalker walker(list);
  float p = 0.0f;
  for (int step = 0; p < extent && step < kMaxSteps && made < kMaxCutParts; ++step) {
    const float w = std::fabs(walker.Next());
    if (!std::isfinite(w) || (w == 0.0f && walker.Settled())) break;
    if (draw) {
      AddStrip(path, length, direction * p, direction * (p + w));
      ++made;
    }
    p += w;
    draw = !draw;
  }
}

// Widths a walk of the list takes to cover `extent`: a width of 0 becomes
// `least` when that is above 0, else a list settled at 0 ends the walk.
// Counted up to kMaxCutParts + 1; -1 at a value a page cannot hold.
int CountListSteps(std::string_view list, float extent, float least) {
  CutListWalker walker(list);
  float p = 0.0f;
  int steps = 0;
  while (p < extent && steps <= kMaxCutParts) {
    const float v = walker.Next();
    if (!PageHolds(v)) return -1;
    float w = std::fabs(v);
    if (!(w > 0.0f)) {
      if (least > 0.0f)
        w = least;
      else if (walker.Settled())
        break;
    }
    p += w;
    ++steps;
  }
  return steps;
}

// --- Sectors and rings ----------------------------------------------------------------

std::unique_ptr<CPathObject> Sector(float ox, float oy, float radius, float a1, float a2) {
  constexpr float kRad = 3.1415925f / 180.0f;
  return MakePiePath(ox - radius, oy - radius, ox + radius, oy + radius, a1 * kRad, a2 * kRad);
}

void AddRing(std::vector<PathPoint>& out, float ox, float oy, float d1, float d2) {
  for (float d : {d1, d2}) {
    if (d == 0.0f) continue;
    if (auto circle = MakeEllipsePath(ox - d, oy - d, ox + d, oy + d)) Collect(out, *circle);
  }
}

}  // namespace

// --- List walker ------------------------------------------------------------------------

CutListWalker::CutListWalker(std::string_view list) : list_(list) {}

float CutListWalker::Next() {
  std::string_view entry;
  if (pastEnd_) {
    entry = last_;
  } else {
    const std::size_t comma = list_.find(',', pos_);
    entry = Trim(list_.substr(pos_, comma == std::string_view::npos ? std::string_view::npos : comma - pos_));
    if (comma == std::string_view::npos) {
      pastEnd_ = true;
      last_ = entry;
    } else {
      pos_ = comma + 1;
    }
  }
  if (!entry.empty()) {
    if (entry.front() == '+' || entry.front() == '-')
      value_ = float(double(value_) + ReadNumber(entry));
    else
      value_ = float(ReadNumber(entry));
  }
  return value_;
}

bool CutListWalker::Settled() const {
  if (!pastEnd_) return false;
  if (last_.empty()) return true;
  if (last_.front() != '+' && last_.front() != '-') return true;
  return ReadNumber(last_) == 0.0;
}

float NormalizeCutAngle(float angle) {
  if (angle > 180.0f) {
    angle = std::fmod(angle, 180.0f);
    if (angle == 0.0f) angle = 180.0f;
  } else if (angle < 0.0f) {
    angle = std::fmod(angle, 180.0f) + 180.0f;
  }
  return angle;
}

float ReduceCutDirection(float angle) {
  if (!std::isfinite(angle)) return 0.0f;
  float r = std::fmod(angle, 360.0f);
  if (r < 0.0f) r += 360.0f;
  if (r >= 360.0f) r -= 360.0f;
  if (r >= 180.0f) r -= 180.0f;
  return r;
}

int ParallelCutListSteps(float left, float top, float right, float bottom, float angle, float originX,
                         float originY, std::string_view list) {
  if (!Finite({left, top, right, bottom, angle, originX, originY})) return 0;
  const Band band = MakeBand(left, top, right, bottom, angle, originX, originY, 0.001f);
  const int ahead = CountListSteps(list, band.after, 0.0f);
  const int behind = CountListSteps(list, band.before, 0.0f);
  if (ahead < 0 || behind < 0) return -1;
  return std::min(ahead + behind, kMaxCutParts + 1);
}

int RadiationCutListSteps(float start, float end, std::string_view list) {
  return CountListSteps(list, std::fabs(end - start), 0.0f);
}

int CircleCutListSteps(float left, float top, float right, float bottom, float originX, float originY,
                       std::string_view list) {
  if (!Finite({left, top, right, bottom, originX, originY})) return 0;
  return CountListSteps(list, FarthestCorner(left, top, right, bottom, originX, originY), 0.05f);
}

// --- Generators -------------------------------------------------------------------------

std::unique_ptr<CPathObject> MakeParallelCutLines(float left, float top, float right, float bottom,
                                                  float angle, int parts, float originX, float originY,
                                                  std::uint32_t flags) {
  if (parts < 1 || !Finite({left, top, right, bottom, angle, originX, originY})) return nullptr;
  const Band band = MakeBand(left, top, right, bottom, angle, originX, originY, 0.0001f);
  const float s = band.width / float(parts);
  if (!std::isfinite(s) || !std::isfinite(band.length)) return nullptr;
  // Strip k lies at y0 + k s; pass 0 takes the even ones, pass 1 the odd ones.
  // With the whole band behind the base line the strips go that way.
  float extent = band.after, direction = 1.0f, y0 = 0.0f;
  if (band.after == 0.0f) {
    extent = band.before;
    direction = -1.0f;
  } else if (band.before != 0.0f) {
    y0 = -s / 2.0f;  // centred on the origin
  }
  const int first = flags & kCutPatternGapFirst ? 1 : 0;
  std::vector<PathPoint> path;
  int made = 0;
  for (int k = 0; k < kMaxSteps && made < kMaxCutParts; ++k) {
    const float y = y0 + float(k) * s;
    if (!(y < extent)) break;
    if (k % 2 != first) continue;
    if (s == 0.0f)
      AddStrip(path, band.length, direction * y, direction * y);
    else
      AddStrip(path, band.length, direction * y, direction * (y0 + float(k + 1) * s));
    ++made;
  }
  if (made == 0) return nullptr;
  return PlaceStrips(path, band, left, right, originX, originY);
}

std::unique_ptr<CPathObject> MakeParallelCutLinesEx(float left, float top, float right, float bottom,
                                                    float angle, float originX, float originY,
                                                    std::string_view list, std::uint32_t flags) {
  if (!Finite({left, top, right, bottom, angle, originX, originY})) return nullptr;
  const Band band = MakeBand(left, top, right, bottom, angle, originX, originY, 0.001f);
  if (!std::isfinite(band.length)) return nullptr;
  const bool draw = !(flags & kCutPatternGapFirst);
  std::vector<PathPoint> path;
  int made = 0;
  WalkStrips(path, band.length, list, band.after, 1.0f, draw, made);
  WalkStrips(path, band.length, list, band.before, -1.0f, draw, made);
  if (made == 0) return nullptr;
  return PlaceStrips(path, band, left, right, originX, originY);
}

std::unique_ptr<CPathObject> MakeRadiationCutByParts(float left, float top, float right, float bottom,
                                                     float originX, float originY, float start, float end,
                                                     int parts, std::uint32_t flags) {
  if (parts < 1 || !Finite({left, top, right, bottom, originX, originY, start, end})) return nullptr;
  const float radius = 1.02f * FarthestCorner(left, top, right, bottom, originX, originY);
  const float step = std::fabs(end - start) / float(parts);
  if (!std::isfinite(step) || !std::isfinite(radius)) return nullptr;
  const int first = flags & kCutPatternGapFirst ? 1 : 0;
  const bool up = flags & kCutPatternThrowBack;
  std::vector<PathPoint> pieces;
  int made = 0;
  const int steps = std::min(parts, kMaxSteps);
  for (int k = 0; k < steps && made < kMaxCutParts; ++k) {
    float a1, a2;
    if (up) {
      a1 = start + float(k) * step;
      if (!(a1 < end)) break;
      a2 = std::min(a1 + step, end);
    } else {
      a2 = end - float(k) * step;
      if (!(a2 > start)) break;
      a1 = std::max(a2 - step, start);
    }
    if (k % 2 != first) continue;
    if (auto sector = Sector(originX, originY, radius, a1, a2)) Collect(pieces, *sector), ++made;
  }
  return Build(pieces);
}

std::unique_ptr<CPathObject> MakeRadiationCutByAngles(float left, float top, float right, float bottom,
                                                      float originX, float originY, float start, float end,
                                                      std::string_view list, std::uint32_t flags) {
  if (!Finite({left, top, right, bottom, originX, originY, start, end})) return nullptr;
  const float radius = 1.02f * FarthestCorner(left, top, right, bottom, originX, originY);
  if (!std::isfinite(radius)) return nullptr;
  const bool up = flags & kCutPatternThrowBack;
  bool draw = !(flags & kCutPatternGapFirst);
  CutListWalker walker(list);
  std::vector<PathPoint> pieces;
  int made = 0;
  float a = up ? start : end;
  for (int step = 0; (up ? a < end : a > start) && step < kMaxSteps && made < kMaxCutParts;
       ++step) {
    const float w = std::fabs(walker.Next());
    if (!std::isfinite(w) || (w == 0.0f && walker.Settled())) break;
    if (draw && w > 0.0f) {
      const float a1 = up ? a : std::max(a - w, start);
      const float a2 = up ? std::min(a + w, end) : a;
      if (auto sector = Sector(originX, originY, radius, a1, a2)) Collect(pieces, *sector), ++made;
    }
    a = up ? a + w : a - w;
    draw = !draw;
  }
  return Build(pieces);
}

std::unique_ptr<CPathObject> MakeCircleCutByParts(float left, float top, float right, float bottom,
                                                  float originX, float originY, int parts, std::uint32_t flags) {
  if (parts < 1 || !Finite({left, top, right, bottom, originX, originY})) return nullptr;
  const float radius = FarthestCorner(left, top, right, bottom, originX, originY);
  if (!std::isfinite(radius)) return nullptr;
  float step = radius / float(parts);
  if (!(step > 0.0f)) step = 0.05f;
  const int first = flags & kCutPatternGapFirst ? 1 : 0;
  std::vector<PathPoint> pieces;
  int rings = 0;
  for (int k = 0; k < kMaxSteps && rings < kMaxCutParts; ++k) {
    const float d = float(k) * step;
    if (!(d < radius)) break;
    if (k % 2 != first) continue;
    AddRing(pieces, originX, originY, d, float(k + 1) * step);
    ++rings;
  }
  return Build(pieces);
}

std::unique_ptr<CPathObject> MakeCircleCutByDistances(float left, float top, float right, float bottom,
                                                      float originX, float originY, std::string_view list,
                                                      std::uint32_t flags) {
  if (!Finite({left, top, right, bottom, originX, originY})) return nullptr;
  const float radius = FarthestCorner(left, top, right, bottom, originX, originY);
  if (!std::isfinite(radius)) return nullptr;
  bool draw = !(flags & kCutPatternGapFirst);
  CutListWalker walker(list);
  std::vector<PathPoint> pieces;
  int rings = 0;
  float d = 0.0f;
  for (int step = 0; d < radius && step < kMaxSteps && rings < kMaxCutParts; ++step) {
    float w = std::fabs(walker.Next());
    if (!std::isfinite(w)) break;
    if (!(w > 0.0f)) w = 0.05f;
    if (draw) {
      AddRing(pieces, originX, originY, d, d + w);
      ++rings;
    }
    d += w;
    draw = !draw;
  }
  return Build(pieces);
}
