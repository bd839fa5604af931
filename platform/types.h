// Plain value types shared by every layer: colours, integer points, rectangles,
// sizes and message parameters, laid out as the platform lays them out.
#pragma once
#include <cstdint>

namespace plat {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// 0x00BBGGRR
using COLORREF = std::uint32_t;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return DWORD(lo) | (DWORD(hi) << 16); }

struct POINT {
  LONG x = 0;
  LONG y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};

// Right and bottom are exclusive.
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  // Held to the LONG range: the edges of a far rectangle sit at its ends.
  LONG width() const { return Span(left, right); }
  LONG height() const { return Span(top, bottom); }
  bool empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const RECT&, const RECT&) = default;

 private:
  static constexpr LONG Span(LONG a, LONG b) {
    const std::int64_t v = std::int64_t(b) - a;
    return v > INT32_MAX ? LONG(INT32_MAX) : v < INT32_MIN ? LONG(INT32_MIN) : LONG(v);
  }
};

// a + b, held to the LONG range: device points of far objects sit at the
// range's ends, and marks and handles drawn around them must not wrap.
constexpr LONG SatAdd(LONG a, std::int64_t b) {
  const std::int64_t v = std::int64_t(a) + b;
  return v < INT32_MIN ? LONG(INT32_MIN) : v > INT32_MAX ? LONG(INT32_MAX) : LONG(v);
}
// v truncated toward zero into a device coordinate: beyond the LONG range it
// saturates, NaN gives 0.
constexpr LONG SatTrunc(double v) {
  if (v != v) return 0;
  if (v >= 2147483647.0) return LONG(INT32_MAX);
  if (v <= -2147483648.0) return LONG(INT32_MIN);
  return LONG(v);
}
// p moved by dx, dy, held to the LONG range.
constexpr POINT OffsetPoint(POINT p, std::int64_t dx, std::int64_t dy) { return POINT{SatAdd(p.x, dx), SatAdd(p.y, dy)}; }
// r grown by dx on the left and right and dy on the top and bottom (shrunk
// when negative), held to the LONG range.
constexpr RECT GrowRect(RECT r, std::int64_t dx, std::int64_t dy) {
  return RECT{SatAdd(r.left, -dx), SatAdd(r.top, -dy), SatAdd(r.right, dx), SatAdd(r.bottom, dy)};
}
// The midpoint of a and b without overflow.
constexpr LONG Mid(LONG a, LONG b) { return LONG((std::int64_t(a) + b) / 2); }
// The square of half size `half` around c (right and bottom at c + half).
constexpr RECT MarkRect(POINT c, LONG half) {
  return RECT{SatAdd(c.x, -std::int64_t(half)), SatAdd(c.y, -std::int64_t(half)), SatAdd(c.x, half),
              SatAdd(c.y, half)};
}

}  // namespace plat
