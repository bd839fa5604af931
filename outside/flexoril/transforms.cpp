#include "outside/flexoril/transforms.h"

#include <cmath>
#include <cstring>

#include "outside/flexoril/clip.h"
#include "platform/bytes.h"

namespace flx {
namespace {

constexpr double kPi = 3.14159265358979323846;

Pt Lerp(Pt a, Pt b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

Pt Cubic(Pt a, Pt b, Pt c, Pt d, double t) {
  const double u = 1.0 - t;
  const double k0 = u * u * u, k1 = 3 * u * u * t, k2 = 3 * u * t * t, k3 = t * t * t;
  return {a.x * k0 + b.x * k1 + c.x * k2 + d.x * k3, a.y * k0 + b.y * k1 + c.y * k2 + d.y * k3};
}

Pt Bilinear(const Pt* q, double u, double v) {
  const double a = (1 - u) * (1 - v), b = u * (1 - v), c = u * v, d = (1 - u) * v;
  return {q[0].x * a + q[1].x * b + q[2].x * c + q[3].x * d, q[0].y * a + q[1].y * b + q[2].y * c + q[3].y * d};
}

// The unit square onto the quad lt, rt, rb, lb.
Pt Homography(const Pt* q, double u, double v) {
  const double sx = q[0].x - q[1].x + q[2].x - q[3].x;
  const double sy = q[0].y - q[1].y + q[2].y - q[3].y;
  double a, b, c, d, e, f, g = 0, h = 0;
  if (sx == 0.0 && sy == 0.0) {
    a = q[1].x - q[0].x, b = q[2].x - q[1].x, c = q[0].x;
    d = q[1].y - q[0].y, e = q[2].y - q[1].y, f = q[0].y;
  } else {
    const double dx1 = q[1].x - q[2].x, dx2 = q[3].x - q[2].x;
    const double dy1 = q[1].y - q[2].y, dy2 = q[3].y - q[2].y;
    const double den = dx1 * dy2 - dx2 * dy1;
    if (std::fabs(den) < 1e-12) return Bilinear(q, u, v);
    g = (sx * dy2 - dx2 * sy) / den;
    h = (dx1 * sy - sx * dy1) / den;
    a = q[1].x - q[0].x + g * q[1].x, b = q[3].x - q[0].x + h * q[3].x, c = q[0].x;
    d = q[1].y - q[0].y + g * q[1].y, e = q[3].y - q[0].y + h * q[3].y, f = q[0].y;
  }
  const double w = g * u + h * v + 1.0;
  if (w == 0.0) return Bilinear(q, u, v);
  return {(a * u + b * v + c) / w, (d * u + e * v + f) / w};
}

bool Convex(const Pt* q) {
  int sign = 0;
  for (int i = 0; i < 4; ++i) {
    const Pt& a = q[i];
    const Pt& b = q[(i + 1) % 4];
    const Pt& c = q[(i + 2) % 4];
    const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
    const int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
    if (s == 0 || (sign != 0 && s != sign)) return false;
    sign = s;
  }
  return true;
}

double SegmentDistance(Pt p, Pt a, Pt b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return std::hypot(p.x - (a.x + dx * t), p.y - (a.y + dy * t));
}

float F(double v) { return float(v); }
Pt Fp(double x, double y) { return {double(F(x)), double(F(y))}; }

// Maps the source curve c(s), s in [s0, s1], appending the mapped points after p0.
template <class Curve>
void MapPiece(const Transform& t, const Curve& c, double s0, double s1, Pt p0, Pt p1, int depth,
              std::vector<Pt>& out) {
  bool flat = depth >= kMapDepth;
  if (!flat) {
    flat = true;
    for (double k : {0.25, 0.5, 0.75}) {
      const Pt m = t.Map(c(s0 + (s1 - s0) * k));
      if (!(SegmentDistance(m, p0, p1) <= kMapTolerance)) {
        flat = false;
        break;
      }
    }
  }
  if (flat) {
    out.push_back(p1);
    return;
  }
  const double sm = (s0 + s1) / 2;
  const Pt pm = t.Map(c(sm));
  MapPiece(t, c, s0, sm, p0, pm, depth + 1, out);
  MapPiece(t, c, sm, s1, pm, p1, depth + 1, out);
}

std::vector<Ring> MapPath(const Transform& t, const Path& path) {
  std::vector<Ring> rings;
  for (const Contour& c : path.contours) {
    Ring r;
    r.closed = c.closed;
    Pt from = c.start;
    Pt mapped = t.Map(from);
    r.pts.push_back(mapped);
    for (const Segment& s : c.segs) {
      const Pt end = t.Map(s.to);
      if (s.curve) {
        const Pt a = from;
        auto curve = [&](double u) { return Cubic(a, s.c1, s.c2, s.to, u); };
        MapPiece(t, curve, 0.0, 1.0, mapped, end, 0, r.pts);
      } else {
        const Pt a = from, b = s.to;
        auto line = [&](double u) { return Lerp(a, b, u); };
        MapPiece(t, line, 0.0, 1.0, mapped, end, 0, r.pts);
      }
      from = s.to;
      mapped = end;
    }
    if (r.closed && r.pts.size() > 1 && r.pts.front().x == r.pts.back().x && r.pts.front().y == r.pts.back().y)
      r.pts.pop_back();
    rings.push_back(std::move(r));
  }
  return rings;
}

}  // namespace

const char* TransformName(std::uint16_t number) {
  static const char* const kNames[] = {"Perspective", "Envelope", "Curved Envelope", "Arch", "Bulge", "Wave"};
  return number >= 1 && number <= 6 ? kNames[number - 1] : nullptr;
}

std::size_t HandleCount(std::uint16_t number) {
  switch (number) {
    case kPerspective:
    case kEnvelope:
      return 4;
    case kCurvedEnvelope:
      return 12;
    case kArch:
    case kBulge:
    case kWave:
      return 1;
    default:
      return 0;
  }
}

Transform Transform::Default(std::uint16_t number, const FlexRect& r) {
  Transform t;
  t.number = number;
  t.rect = r;
  t.Reset();
  return t;
}

void Transform::Reset() {
  const double l = rect.left, tp = rect.top, r = rect.right, b = rect.bottom;
  const double w = r - l, h = b - tp, cx = (l + r) / 2;
  handles.clear();
  switch (number) {
    case kPerspective:
      handles = {Fp(l + w / 4, tp), Fp(r - w / 4, tp), Fp(r, b), Fp(l, b)};
      break;
    case kEnvelope:
      handles = {Fp(l, tp), Fp(r, tp + h / 4), Fp(r, b - h / 4), Fp(l, b)};
      break;
    case kCurvedEnvelope:
      handles = {Fp(l, tp),
                 Fp(r, tp),
                 Fp(r, b),
                 Fp(l, b),
                 Fp(l + w / 3, tp - h / 4),
                 Fp(l + 2 * w / 3, tp - h / 4),
                 Fp(r, tp + h / 3),
                 Fp(r, tp + 2 * h / 3),
                 Fp(l + 2 * w / 3, b - h / 4),
                 Fp(l + w / 3, b - h / 4),
                 Fp(l, tp + 2 * h / 3),
                 Fp(l, tp + h / 3)};
      break;
    case kArch:
    case kBulge:
      handles = {Fp(cx, tp - h / 4)};
      break;
    case kWave:
      handles = {Fp(l + w / 4, tp - h / 8)};
      break;
    default:
      break;
  }
  active = -1;
  moved = false;
}

Pt Transform::Map(Pt p) const {
  const double l = rect.left, tp = rect.top, r = rect.right, b = rect.bottom;
  const double w = r - l, h = b - tp;
  const double u = w != 0 ? (p.x - l) / w : 0.0;
  const double v = h != 0 ? (p.y - tp) / h : 0.0;
  const Pt* q = handles.data();
  if (handles.size() != HandleCount(number)) return p;
  switch (number) {
    case kPerspective:
      return Homography(q, u, v);
    case kEnvelope:
      return Bilinear(q, u, v);
    case kCurvedEnvelope: {
      const Pt top = Cubic(q[0], q[4], q[5], q[1], u);
      const Pt bottom = Cubic(q[3], q[9], q[8], q[2], u);
      const Pt left = Cubic(q[0], q[11], q[10], q[3], v);
      const Pt right = Cubic(q[1], q[6], q[7], q[2], v);
      const Pt corners = Bilinear(q, u, v);
      return {(1 - v) * top.x + v * bottom.x + (1 - u) * left.x + u * right.x - corners.x,
              (1 - v) * top.y + v * bottom.y + (1 - u) * left.y + u * right.y - corners.y};
    }
    case kArch: {
      const double d = tp - q[0].y;
      return {p.x, p.y - (1 - v) * d * 4 * u * (1 - u)};
    }
    case kBulge: {
      const double d = tp - q[0].y;
      const double cy = (tp + b) / 2;
      const double k = h != 0 ? 1 + 2 * d / h * 4 * u * (1 - u) : 1.0;
      return {p.x, cy + (p.y - cy) * k};
    }
    case kWave: {
      const double a = tp - q[0].y;
      return {p.x, p.y - a * std::sin(2 * kPi * u)};
    }
    default:
      return p;
  }
}

bool Transform::MoveHandle(std::size_t index, Pt to) {
  if (index >= handles.size()) return false;
  if (!std::isfinite(to.x) || !std::isfinite(to.y) || std::fabs(to.x) > kMaxCoord || std::fabs(to.y) > kMaxCoord)
    return false;
  Pt next = Fp(to.x, to.y);
  if (number == kArch || number == kBulge || number == kWave) next.x = handles[index].x;
  if (number == kPerspective) {
    Pt q[4] = {handles[0], handles[1], handles[2], handles[3]};
    q[index] = next;
    if (!Convex(q)) return false;
  }
  handles[index] = next;
  return true;
}

void MapLine(const Transform& t, Pt a, Pt b, std::vector<Pt>& out) {
  auto line = [&](double u) { return Lerp(a, b, u); };
  MapPiece(t, line, 0.0, 1.0, t.Map(a), t.Map(b), 0, out);
}

std::vector<Pt> MapFrame(const Transform& t) {
  const Pt c[4] = {{t.rect.left, t.rect.top}, {t.rect.right, t.rect.top}, {t.rect.right, t.rect.bottom},
                   {t.rect.left, t.rect.bottom}};
  std::vector<Pt> out{t.Map(c[0])};
  for (int i = 0; i < 4; ++i) MapLine(t, c[i], c[(i + 1) % 4], out);
  return out;
}

std::vector<std::uint8_t> MapNode(const Transform& t, const Node& node) {
  if (!node.group) return PathRecord(node.path.flags, node.path.colour, MapPath(t, node.path));
  std::vector<std::vector<std::uint8_t>> children;
  for (const Node& c : node.children) {
    std::vector<std::uint8_t> rec = MapNode(t, c);
    if (!rec.empty()) children.push_back(std::move(rec));
  }
  return GroupRecord(node.flags, children);
}

std::vector<std::uint8_t> EncodeData(const Transform& t) {
  const std::size_t k = t.handles.size();
  std::vector<std::uint8_t> d(kDataSize(k));
  std::uint8_t* p = d.data();
  plat::PutU32(p, std::uint32_t(d.size()));
  std::memcpy(p + 4, flexoril::kDataMagic, 4);
  plat::PutU16(p + 8, flexoril::kDataVersion);
  plat::PutU16(p + 10, t.number);
  plat::PutF32(p + 12, t.rect.left);
  plat::PutF32(p + 16, t.rect.top);
  plat::PutF32(p + 20, t.rect.right);
  plat::PutF32(p + 24, t.rect.bottom);
  plat::PutU32(p + 28, std::uint32_t(k));
  for (std::size_t i = 0; i < k; ++i) {
    plat::PutF32(p + 32 + 8 * i, F(t.handles[i].x));
    plat::PutF32(p + 36 + 8 * i, F(t.handles[i].y));
  }
  return d;
}

bool DecodeData(const std::uint8_t* p, Transform& out) {
  if (!p) return false;
  const std::uint32_t size = plat::GetU32(p);
  if (size < flexoril::kDataHead || std::memcmp(p + 4, flexoril::kDataMagic, 4) != 0) return false;
  if (plat::GetU16(p + 8) != flexoril::kDataVersion) return false;
  const std::uint16_t number = plat::GetU16(p + 10);
  const std::size_t k = HandleCount(number);
  if (k == 0 || plat::GetU32(p + 28) != k || size != kDataSize(k)) return false;
  auto good = [](float v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoord; };
  Transform t;
  t.number = number;
  t.rect = {plat::GetF32(p + 12), plat::GetF32(p + 16), plat::GetF32(p + 20), plat::GetF32(p + 24)};
  if (!good(t.rect.left) || !good(t.rect.top) || !good(t.rect.right) || !good(t.rect.bottom)) return false;
  for (std::size_t i = 0; i < k; ++i) {
    const float x = plat::GetF32(p + 32 + 8 * i), y = plat::GetF32(p + 36 + 8 * i);
    if (!good(x) || !good(y)) return false;
    t.handles.push_back({x, y});
  }
  out = std::move(t);
  return true;
}

}  // namespace flx
