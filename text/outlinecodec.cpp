#include <cstdint>
#include "text/outlinecodec.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/bytes.h"

namespace {

constexpr std::int32_t kMaxStep = 32767;
constexpr float kCoordLimit = 1073741824.0f;  // 2^30

struct IPoint {
  std::int32_t x, y;
  bool operator==(const IPoint&) const = default;
};

// One encoded node: a line node or a cubic piece (two controls and the node).
struct EncNode {
  bool curve;
  IPoint c1, c2, p;
};

int BitLength(std::uint32_t v) {
  int n = 0;
  while (v) {
    ++n;
    v >>= 1;
  }
  return n;
}

// Least significant bit first, into a growing byte vector.
class BitWriter {
 public:
  void Put(std::uint64_t value, int bits) {
    acc_ |= value << fill_;
    fill_ += bits;
    while (fill_ >= 8) {
      bytes_.push_back(std::uint8_t(acc_));
      acc_ >>= 8;
      fill_ -= 8;
    }
  }
  std::vector<std::uint8_t>& Finish() {
    if (fill_ > 0) bytes_.push_back(std::uint8_t(acc_));
    acc_ = 0;
    fill_ = 0;
    return bytes_;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t acc_ = 0;
  int fill_ = 0;
};

// Bounded reader of the step stream.
class BitReader {
 public:
  BitReader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  bool Get(int bits, std::uint32_t* out) {
    if (bits == 0) {
      *out = 0;
      return true;
    }
    if (bit_ + std::uint64_t(bits) > std::uint64_t(n_) * 8) return false;
    const std::size_t at = std::size_t(bit_ >> 3);
    if (at + 8 <= n_) {
      // One 64-bit window (little-endian) and a mask.
      std::uint64_t window = 0;
      for (int i = 7; i >= 0; --i) window = window << 8 | p_[at + std::size_t(i)];
      *out = std::uint32_t((window >> (bit_ & 7)) & ((std::uint64_t(1) << bits) - 1));
      bit_ += std::uint64_t(bits);
      return true;
    }
    std::uint32_t v = 0;
    for (int i = 0; i < bits;) {
      std::size_t byte = std::size_t(bit_ >> 3);
      int shift = int(bit_ & 7);
      int take = std::min(8 - shift, bits - i);
      std::uint32_t chunk = (std::uint32_t(p_[byte]) >> shift) & ((1u << take) - 1);
      v |= chunk << i;
      i += take;
      bit_ += std::uint64_t(take);
    }
    *out = v;
    return true;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::uint64_t bit_ = 0;
};

int ClassPart(std::int32_t step) {
  if (step == 0) return 2;
  if (step > 0 && step <= 255) return 1;
  if (step < 0 && step >= -255) return 3;
  return 0;
}

int FieldWidth(int part, int L) {
  switch (part) {
    case 0: return L + 1;
    case 1:
    case 3: return 8;
    default: return 0;
  }
}

std::uint32_t FieldValue(int part, std::int32_t step, int L) {
  switch (part) {
    case 0: {
      std::uint32_t mag = std::uint32_t(step < 0 ? -step : step);
      return mag | (step < 0 ? (1u << L) : 0u);
    }
    case 1: return std::uint32_t(step);
    case 3: return std::uint32_t(-step);
    default: return 0;
  }
}

std::int32_t StepOf(int part, std::uint32_t field, int L) {
  switch (part) {
    case 0: {
      std::int32_t mag = std::int32_t(field & ((1u << L) - 1));
      return (field >> L) & 1 ? -mag : mag;
    }
    case 1: return std::int32_t(field);
    case 3: return -std::int32_t(field);
    default: return 0;
  }
}

// Appends a decoded point, through the matrix when one is given.
void Put(CPathPointBuilder& out, const CMatrix3* m, float x, float y, std::uint8_t flags) {
  PathPoint p{x, y, flags};
  if (m) m->TransformPathPoint(p);
  out.AddPoint(p);
}

bool ToInt(float v, std::int32_t* out) {
  if (!std::isfinite(v) || std::fabs(v) >= kCoordLimit) return false;
  *out = std::int32_t(v);  // toward zero
  return true;
}

}  // namespace

void COutlineCodec::Reset() {
  size = 0;
  width = 0;
  contours = 0;
  contourCount = pointCount = nodeCount = 0;
  maxStep = 0;
  linesOnly = 1;
}

std::uint32_t COutlineCodec::Encode(const CPathPointList& outline, plat::HGLOBAL* out) {
  *out = 0;
  Reset();
  // The point records, up to the end record.
  std::vector<PathPoint> pts;
  {
    pathrec::Records r(outline.points);
    std::size_t n = std::min<std::size_t>(r.n, outline.count > 0 ? std::size_t(outline.count) : 0);
    for (std::size_t i = 0; i < n; ++i) {
      std::uint8_t f = r.p[i].flags;
      if (f == PP_END) break;
      if (f >= PP_SPECIAL) continue;
      pts.push_back(r.p[i]);
    }
  }
  // Nodes and contour ends (index of the contour's last node).
  std::vector<EncNode> nodes;
  std::vector<std::size_t> endNodes;
  bool open = false;
  IPoint start{0, 0};
  auto endContour = [&]() {
    endNodes.push_back(nodes.size() - 1);
    open = false;
  };
  for (std::size_t i = 0; i < pts.size();) {
    EncNode node{};
    std::uint8_t f;
    IPoint p;
    if (!(pts[i].flags & PP_NODE)) {
      // A cubic piece needs two controls and its node; a stray control is dropped.
      if (i + 2 >= pts.size() || (pts[i + 1].flags & PP_NODE) || !(pts[i + 2].flags & PP_NODE)) {
        ++i;
        continue;
      }
      if (!ToInt(pts[i].x, &node.c1.x) || !ToInt(pts[i].y, &node.c1.y) ||
          !ToInt(pts[i + 1].x, &node.c2.x) || !ToInt(pts[i + 1].y, &node.c2.y))
        return 0;
      node.curve = true;
      f = pts[i + 2].flags;
      if (!ToInt(pts[i + 2].x, &p.x) || !ToInt(pts[i + 2].y, &p.y)) return 0;
      i += 3;
    } else {
      f = pts[i].flags;
      if (!ToInt(pts[i].x, &p.x) || !ToInt(pts[i].y, &p.y)) return 0;
      ++i;
    }
    node.p = p;
    if ((f & PP_START) || !open) {
      if (open) endContour();  // a new start before the end: the last one stays open
      node.curve = false;      // a contour starts at a node
      start = p;
      open = true;
    }
    nodes.push_back(node);
    if (f & PP_CLOSEEND) {
      if (!(p == start)) nodes.push_back(EncNode{false, {}, {}, start});
      endContour();
    } else if (f & PP_OPENEND) {
      endContour();
    }
  }
  if (open) endContour();
  if (nodes.empty() || endNodes.size() > 0xFFFF) return 0;

  // Encoded points and the point index of each contour end.
  std::vector<IPoint> enc;
  std::vector<std::uint32_t> ends;
  std::vector<bool> curveBits;
  std::size_t nextEnd = 0;
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    const EncNode& n = nodes[k];
    if (n.curve) {
      enc.push_back(n.c1);
      enc.push_back(n.c2);
      linesOnly = 0;
    }
    enc.push_back(n.p);
    curveBits.push_back(n.curve);
    if (nextEnd < endNodes.size() && endNodes[nextEnd] == k) {
      ends.push_back(std::uint32_t(enc.size() - 1));
      ++nextEnd;
    }
  }
  if (enc.size() > 0x10000) return 0;
  IPoint prev{0, 0};
  std::uint32_t maxAbs = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> steps(enc.size());
  for (std::size_t k = 0; k < enc.size(); ++k) {
    std::int64_t dx = std::int64_t(enc[k].x) - prev.x, dy = std::int64_t(enc[k].y) - prev.y;
    if (dx > kMaxStep || dx < -kMaxStep || dy > kMaxStep || dy < -kMaxStep) return 0;
    steps[k] = {std::int32_t(dx), std::int32_t(dy)};
    maxAbs = std::max<std::uint32_t>(maxAbs, std::uint32_t(dx < 0 ? -dx : dx));
    maxAbs = std::max<std::uint32_t>(maxAbs, std::uint32_t(dy < 0 ? -dy : dy));
    prev = enc[k];
  }
  maxStep = maxAbs;
  const int L = BitLength(maxAbs);
  width = std::uint8_t(L | (linesOnly ? 0x80 : 0));
  contours = std::uint16_t(ends.size());
  contourCount = std::uint32_t(ends.size());
  pointCount = std::uint32_t(enc.size());
  nodeCount = std::uint32_t(nodes.size());

  const std::size_t P = enc.size();
  const std::size_t B = linesOnly ? 0 : (nodes.size() + 7) / 8;
  std::vector<std::uint8_t> classes((P + 1) / 2, 0);
  BitWriter bits;
  for (std::size_t k = 0; k < P; ++k) {
    int xp = ClassPart(steps[k].first), yp = ClassPart(steps[k].second);
    int cls = xp | (yp << 2);
    classes[k / 2] |= std::uint8_t(k % 2 == 0 ? cls << 4 : cls);
    int yw = FieldWidth(yp, L);
    std::uint64_t field = (std::uint64_t(FieldValue(xp, steps[k].first, L)) << yw) |
                          FieldValue(yp, steps[k].second, L);
    bits.Put(field, FieldWidth(xp, L) + yw);
  }
  std::vector<std::uint8_t>& stream = bits.Finish();
  const std::size_t total = 7 + 2 * ends.size() + B + classes.size() + stream.size();
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, total);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    plat::PutU32(p, std::uint32_t(total));
    p[4] = width;
    p[5] = std::uint8_t(contours);
    p[6] = std::uint8_t(contours >> 8);
    std::size_t pos = 7;
    for (std::uint32_t e : ends) {
      p[pos++] = std::uint8_t(e);
      p[pos++] = std::uint8_t(e >> 8);
    }
    if (B) {
      for (std::size_t k = 0; k < curveBits.size(); ++k)
        if (curveBits[k]) p[pos + k / 8] |= std::uint8_t(0x80 >> (k % 8));
      pos += B;
    }
    std::memcpy(p + pos, classes.data(), classes.size());
    pos += classes.size();
    if (!stream.empty()) std::memcpy(p + pos, stream.data(), stream.size());
  }
  std::uint32_t s = std::uint32_t(total);
  Reset();
  size = s;
  *out = h;
  return s;
}

std::unique_ptr<CPathPointList> COutlineCodec::Decode(plat::HGLOBAL data, const CMatrix3* matrix,
                                                      float version) {
  plat::GlobalLockGuard g(data);
  if (!g) return nullptr;
  return DecodeData(g.bytes(), g.size(), matrix, version);
}

std::unique_ptr<CPathPointList> COutlineCodec::DecodeData(const std::uint8_t* data,
                                                          std::size_t n, const CMatrix3* matrix,
                                                          float version) {
  Reset();
  if (!data) return nullptr;
  return version >= 6.0f ? Decode60(data, n, matrix) : Decode5x(data, n, matrix);
}

std::unique_ptr<CPathPointList> COutlineCodec::Decode60(const std::uint8_t* d, std::size_t n,
                                                        const CMatrix3* m) {
  if (n < 3) return nullptr;
  const std::uint8_t w = d[0];
  const int L = w & 0x3F;
  if (L > 30) return nullptr;
  const std::size_t count = plat::GetU16(d + 1);
  if (count == 0 || 3 + 2 * count > n) return nullptr;
  std::vector<std::uint32_t> ends(count);
  for (std::size_t i = 0; i < count; ++i) {
    ends[i] = plat::GetU16(d + 3 + 2 * i);
    if (i > 0 && ends[i] <= ends[i - 1]) return nullptr;
  }
  const std::size_t P = std::size_t(ends.back()) + 1;
  std::size_t pos = 3 + 2 * count;
  // The curve bitmap covers the P points exactly.
  std::vector<bool> curve;
  if (!(w & 0x80)) {
    std::size_t covered = 0;
    while (covered < P) {
      std::size_t k = curve.size();
      if (pos + k / 8 >= n) return nullptr;
      bool c = (d[pos + k / 8] >> (7 - k % 8)) & 1;
      curve.push_back(c);
      covered += c ? 3 : 1;
    }
    if (covered != P) return nullptr;
    pos += (curve.size() + 7) / 8;
  } else {
    curve.assign(P, false);
  }
  const std::size_t classBytes = (P + 1) / 2;
  if (pos + classBytes > n) return nullptr;
  const std::uint8_t* classes = d + pos;
  BitReader bits(d + pos + classBytes, n - pos - classBytes);

  std::int32_t x = 0, y = 0;
  std::size_t k = 0;  // point index
  auto next = [&](std::int32_t* ox, std::int32_t* oy) {
    int cls = k % 2 == 0 ? classes[k / 2] >> 4 : classes[k / 2] & 0x0F;
    int xp = cls & 3, yp = (cls >> 2) & 3;
    int xw = FieldWidth(xp, L), yw = FieldWidth(yp, L);
    std::uint32_t yf, xf;
    if (!bits.Get(yw, &yf) || !bits.Get(xw, &xf)) return false;
    // A running coordinate that leaves the 32-bit range is no outline.
    const std::int64_t nx = std::int64_t(x) + StepOf(xp, xf, L);
    const std::int64_t ny = std::int64_t(y) + StepOf(yp, yf, L);
    if (nx < INT32_MIN || nx > INT32_MAX || ny < INT32_MIN || ny > INT32_MAX) return false;
    x = std::int32_t(nx);
    y = std::int32_t(ny);
    *ox = x;
    *oy = y;
    ++k;
    return true;
  };
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  std::size_t c = 0;
  bool startNext = true;
  std::int32_t sx = 0, sy = 0;
  for (bool isCurve : curve) {
    std::int32_t px, py;
    if (isCurve) {
      for (int j = 0; j < 2; ++j) {
        if (c >= count || k >= ends[c]) return nullptr;  // a contour cannot end on a control
        if (!next(&px, &py)) return nullptr;
        Put(build, m, float(px), float(py), 0x00);
      }
    }
    if (c >= count) return nullptr;
    const std::size_t index = k;
    if (!next(&px, &py)) return nullptr;
    std::uint8_t flags;
    if (startNext) {
      flags = 0x11;
      sx = px;
      sy = py;
      startNext = false;
      if (index == ends[c]) {
        ++c;
        startNext = true;
      }
    } else if (index == ends[c]) {
      flags = (px == sx && py == sy) ? 0x41 : 0x21;
      ++c;
      startNext = true;
    } else {
      flags = 0x01;
    }
    Put(build, m, float(px), float(py), flags);
  }
  build.EndPoints();
  return out;
}

std::unique_ptr<CPathPointList> COutlineCodec::Decode5x(const std::uint8_t* d, std::size_t n,
                                                        const CMatrix3* m) {
  if (n < 10) return nullptr;
  const std::size_t count = plat::GetU16(d + 8);
  if (count == 0 || 10 + 2 * count > n) return nullptr;
  std::vector<std::uint32_t> ends(count);
  for (std::size_t i = 0; i < count; ++i) {
    ends[i] = plat::GetU16(d + 10 + 2 * i);
    if (ends[i] == 0 || (i > 0 && ends[i] <= ends[i - 1])) return nullptr;
  }
  const std::size_t T = ends.back();
  std::size_t pos = 10 + 2 * count;
  std::vector<std::uint8_t> flags;
  flags.reserve(T);
  while (flags.size() < T) {
    if (pos >= n) return nullptr;
    std::uint8_t f = d[pos++];
    std::size_t r = 1;
    if (f & 8) {
      if (pos >= n) return nullptr;
      r = d[pos++];
    }
    if (flags.size() + r > T) return nullptr;
    flags.insert(flags.end(), r, f);
  }
  auto coord = [&](std::uint8_t f, std::uint8_t shortBit, std::uint8_t sameBit, float* v) {
    if (f & shortBit) {
      if (pos >= n) return false;
      std::uint8_t b = d[pos++];
      *v += (f & sameBit) ? -float(b) : float(b);
    } else if (!(f & sameBit)) {
      if (pos + 2 > n) return false;
      *v += float(std::int16_t(plat::GetU16(d + pos)));
      pos += 2;
    }
    return true;
  };
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  float x = 0.0f, y = 0.0f, sx = 0.0f, sy = 0.0f;
  std::size_t c = 0;
  bool startNext = true;
  int offRun = 0;
  for (std::size_t i = 0; i < T; ++i) {
    const std::uint8_t f = flags[i];
    if (!coord(f, 2, 16, &x) || !coord(f, 4, 32, &y)) return nullptr;
    bool node = f & 1;
    if (node) {
      offRun = 0;
    } else if (++offRun == 3) {
      node = true;  // the end node of a cubic piece
      offRun = 0;
    }
    const bool atEnd = i + 1 == ends[c];
    std::uint8_t pf = 0x00;
    if (node) {
      if (startNext) {
        pf = 0x11;
        sx = x;
        sy = y;
        startNext = false;
      } else if (atEnd) {
        pf = (x == sx && y == sy) ? 0x41 : 0x21;
      } else {
        pf = 0x01;
      }
    }
    Put(build, m, x, y, pf);
    if (atEnd) {
      ++c;
      startNext = true;
      offRun = 0;
    }
  }
  build.EndPoints();
  if (out->count < 6) return nullptr;
  return out;
}
