// Path point records and the point list that owns a movable block of them.
#pragma once
#include <cstdint>

#include "model/geometry.h"

// Flag bits of a point record (flags below 0x80).
constexpr std::uint8_t PP_NODE = 0x01;      // on-curve node; clear: Bezier control point
constexpr std::uint8_t PP_SELECTED = 0x08;  // selected for node editing
constexpr std::uint8_t PP_START = 0x10;     // first node of a sub-path
constexpr std::uint8_t PP_OPENEND = 0x20;   // last node of an open sub-path
constexpr std::uint8_t PP_CLOSEEND = 0x40;  // last node of a closed sub-path
// Records of 0x80 and above are not points.
constexpr std::uint8_t PP_SPECIAL = 0x80;
constexpr std::uint8_t PP_COLOR = 0x81;  // bytes 0..2: red, green, blue
constexpr std::uint8_t PP_END = 0xFF;

#pragma pack(push, 1)
struct PathPoint {
  float x;
  float y;
  std::uint8_t flags;
};
#pragma pack(pop)
static_assert(sizeof(PathPoint) == 9);
