// Hand-made path and group records for the library's tests, and the
// measures read back from its results.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "model/flexoril.h"
#include "outside/flexoril/shapes.h"
#include "platform/bytes.h"
#include "platform/gmem.h"

namespace flxtest {

struct P {
  float x, y;
  std::uint8_t f;
};
using Bytes = std::vector<std::uint8_t>;

inline void PutF(Bytes& b, float v) {
  std::uint8_t t[4];
  plat::PutF32(t, v);
  b.insert(b.end(), t, t + 4);
}
inline void PutU(Bytes& b, std::uint32_t v) {
  std::uint8_t t[4];
  plat::PutU32(t, v);
  b.insert(b.end(), t, t + 4);
}
inline void Head(Bytes& b, char letter, std::uint8_t kind, std::uint16_t flags, const float m[6]) {
  b.push_back(std::uint8_t(letter));
  PutU(b, 0);
  b.push_back(kind);
  b.push_back(std::uint8_t(flags));
  b.push_back(std::uint8_t(flags >> 8));
  for (int i = 0; i < 4; ++i) PutF(b, 0.0f);
  const float full[9] = {m[0], m[1], 0, m[2], m[3], 0, m[4], m[5], 1};
  for (float v : full) PutF(b, v);
}
inline const float* Identity() {
  static const float m[6] = {1, 0, 0, 1, 0, 0};
  return m;
}

// A path record of the points (the end record added), colour and flags.
inline Bytes PathRec(const std::vector<P>& pts, std::uint32_t colour = 7, std::uint16_t flags = 0x100,
                     const float* m = Identity()) {
  Bytes b;
  Head(b, '#', 128, flags, m);
  PutU(b, colour);
  PutU(b, std::uint32_t(pts.size() + 1));
  for (const P& p : pts) {
    PutF(b, p.x);
    PutF(b, p.y);
    b.push_back(p.f);
  }
  PutF(b, 0);
  PutF(b, 0);
  b.push_back(0xFF);
  b.push_back(241);
  plat::PutU32(&b[1], std::uint32_t(b.size()));
  return b;
}

inline Bytes GroupRec(const std::vector<Bytes>& children, const float* m = Identity(), std::uint16_t flags = 0) {
  Bytes b;
  Head(b, ')', 129, flags, m);
  std::size_t total = 0;
  for (const Bytes& c : children) total += c.size();
  b.push_back(2);
  PutU(b, std::uint32_t(total + 6));
  for (const Bytes& c : children) b.insert(b.end(), c.begin(), c.end());
  b.push_back(254);
  b.push_back(241);
  plat::PutU32(&b[1], std::uint32_t(b.size()));
  return b;
}

// A closed rectangle contour.
inline std::vector<P> Square(float l, float t, float r, float b) {
  return {{l, t, 0x11}, {r, t, 0x01}, {r, b, 0x01}, {l, b, 0x01}, {l, t, 0x41}};
}
inline std::vector<P> Join(std::vector<P> a, const std::vector<P>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A record in a new movable block, 255 after it.
inline plat::HGLOBAL Block(const Bytes& rec) {
  const plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, rec.size() + 9);
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), rec.data(), rec.size());
  g.bytes()[rec.size()] = 255;
  return h;
}

// Owns the record block of a shape handed to the library.
struct Shape {
  explicit Shape(const Bytes& rec) {
    block.length = std::uint32_t(rec.size());
    block.record = Block(rec);
    block.bounds = block.target = FlexRect{0, 0, 10, 10};
  }
  ~Shape() { plat::GlobalFree(block.record); }
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;
  const WeldShape* operator&() const { return &block; }
  WeldShape block;
};

// What a result holds.
struct Measure {
  bool ok = false;
  char letter = 0;
  int paths = 0;
  int contours = 0;
  int holes = 0;
  int open = 0;
  double area = 0;  // of the closed contours, holes taken away
  std::uint32_t colour = 0;
  std::uint16_t flags = 0;
};

inline double SignedArea(const std::vector<flx::Pt>& pts) {
  double a = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const flx::Pt& p = pts[i];
    const flx::Pt& q = pts[(i + 1) % pts.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

// Reads a result block (and frees it).
Measure MeasureResult(plat::HGLOBAL result);
// Every point of the node's contours, in order, with its segments' ends.
std::vector<flx::Pt> Points(const flx::Node& node);

}  // namespace flxtest
