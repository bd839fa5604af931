// Little-endian fields of packed records and blocks, independent of the host.
#pragma once
#include <cstdint>
#include <cstring>

namespace plat {

inline std::uint16_t GetU16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

inline std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}

inline float GetF32(const std::uint8_t* p) {
  const std::uint32_t u = GetU32(p);
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

inline void PutF32(std::uint8_t* p, float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  PutU32(p, u);
}

}  // namespace plat
