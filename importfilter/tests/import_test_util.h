// Helpers of the import plug-in tests: data from strings, points as tuples,
// records read back from blocks.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "importfilter/filterdefs.h"
#include "platform/bytes.h"
#include "platform/gmem.h"

using Pt = std::tuple<float, float, int>;

inline const std::uint8_t* U8(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

template <class Points>
std::vector<Pt> Tuples(const Points& points) {
  std::vector<Pt> out;
  for (const auto& p : points) out.emplace_back(p.x, p.y, p.flags);
  return out;
}

inline float F32At(const std::uint8_t* p) {
  std::uint32_t u = plat::GetU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// The bytes of a movable block; empty for a null handle. Frees the block.
inline std::vector<std::uint8_t> TakeBlock(plat::HGLOBAL h) {
  std::vector<std::uint8_t> out;
  if (!h) return out;
  {
    plat::GlobalLockGuard lock(h);
    out.assign(lock.bytes(), lock.bytes() + plat::GlobalSize(h));
  }
  plat::GlobalFree(h);
  return out;
}

// The path record inside an object block.
struct PathRecordView {
  bool ok = false;
  float bounds[4] = {};
  float matrix[9] = {};
  std::vector<Pt> points;  // with the end record
};

inline PathRecordView ReadPathBlock(const std::vector<std::uint8_t>& b) {
  PathRecordView v;
  if (b.size() < 5 + 69 || b[0] != 2 || b[5] != '#') return v;
  const std::uint8_t* r = b.data() + 5;
  for (int i = 0; i < 4; ++i) v.bounds[i] = F32At(r + 8 + 4 * i);
  for (int i = 0; i < 9; ++i) v.matrix[i] = F32At(r + 24 + 4 * i);
  const std::uint32_t n = plat::GetU32(r + 64);
  if (68 + 9 * std::size_t(n) + 1 > b.size() - 5) return v;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint8_t* q = r + 68 + 9 * i;
    v.points.emplace_back(F32At(q), F32At(q + 4), q[8]);
  }
  v.ok = true;
  return v;
}
