// Shared types of the import plug-in: packed points, row-form matrices and
// float rectangles. The plug-in links only the platform library, so it keeps
// its own small twins of the model's geometry.
#pragma once
#include <cmath>
#include <cstdint>

namespace imp {

constexpr std::uint8_t PF_CONTROL = 0x00;
constexpr std::uint8_t PF_NODE = 0x01;
constexpr std::uint8_t PF_START = 0x10;
constexpr std::uint8_t PF_OPENEND = 0x20;
constexpr std::uint8_t PF_CLOSEEND = 0x40;
constexpr std::uint8_t PF_SPECIAL = 0x80;
constexpr std::uint8_t PF_END = 0xFF;

constexpr std::uint8_t F_FIRST = PF_START | PF_NODE;       // 0x11
constexpr std::uint8_t F_MID = PF_NODE;                    // 0x01
constexpr std::uint8_t F_OPEN = PF_OPENEND | PF_NODE;      // 0x21
constexpr std::uint8_t F_CLOSED = PF_CLOSEEND | PF_NODE;   // 0x41

inline bool IsOnCurve(std::uint8_t f) { return f < PF_SPECIAL && (f & PF_NODE); }

// Degrees and radians as the plug-in converts them.
constexpr double kDegPerRad = 57.29582790879778;
constexpr double kRadPerDeg = 0.017453292222222222;

struct FPoint {
  float x = 0;
  float y = 0;
  std::uint8_t flags = 0;
};

struct FRect {
  float left = 0, top = 0, right = 0, bottom = 0;
  void Widen(float x, float y) {
    if (x < left) left = x;
    if (x > right) right = x;
    if (y < top) top = y;
    if (y > bottom) bottom = y;
  }
  bool Contains(float x, float y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Row form: x' = x a + y c + e, y' = x b + y d + f.
struct FMatrix {
  float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  bool IsIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1 && e == 0 && f == 0; }
  void Map(float& x, float& y) const {
    const float nx = x * a + y * c + e;
    const float ny = x * b + y * d + f;
    x = nx;
    y = ny;
  }
  // This matrix first, then m.
  FMatrix Then(const FMatrix& m) const {
    FMatrix r;
    r.a = a * m.a + b * m.c;
    r.b = a * m.b + b * m.d;
    r.c = c * m.a + d * m.c;
    r.d = c * m.b + d * m.d;
    r.e = e * m.a + f * m.c + m.e;
    r.f = e * m.b + f * m.d + m.f;
    return r;
  }
  static FMatrix Scale(float sx, float sy) {
    FMatrix m;
    m.a = sx;
    m.d = sy;
    return m;
  }
};

// Turns a drawing upside down within its own extent: y' = top + bottom - y.
inline FMatrix MirrorY(const FRect& extent) {
  FMatrix m;
  m.d = -1;
  m.f = extent.top + extent.bottom;
  return m;
}

// A turn about (x, y) by an angle in degrees.
FMatrix MakeRotation(float x, float y, double degrees);

// The f32 in the 32 bits the host passes as the scale; values that are zero,
// negative or not finite stand for the reader's natural unit.
float ScaleFromValue(std::uint32_t value, float natural);

// Saturating conversion of a file number to an integer.
std::int32_t SaturateToInt(double v);

}  // namespace imp
