// Helpers of the shape tests: the records of a point list or path, their
// comparison with a table, the bytes of an object's record block, and a
// fake view with the shared drawing tools made.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "model/graphobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "platform/gmem.h"

namespace shapetest {

using Recs = std::vector<PathPoint>;

inline Recs RecordsOfBlock(plat::HGLOBAL h, int count) {
  Recs out;
  if (!h) return out;
  plat::GlobalLockGuard g(h);
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max(count, 0)), g.size() / 9);
  for (std::size_t i = 0; i < n; ++i) out.push_back(g.as<PathPoint>()[i]);
  return out;
}
inline Recs RecordsOf(const CPathPointList& l) { return RecordsOfBlock(l.points, l.count); }
inline Recs RecordsOf(const CPathObject& p) { return RecordsOfBlock(p.points, p.count); }

inline std::vector<int> FlagsOf(const Recs& r) {
  std::vector<int> out;
  for (const PathPoint& p : r) out.push_back(p.flags);
  return out;
}

// Exact coordinates and flags.
inline void ExpectRecords(const Recs& got, const Recs& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const float gx = got[i].x, gy = got[i].y, wx = want[i].x, wy = want[i].y;
    EXPECT_EQ(gx, wx) << "record " << i;
    EXPECT_EQ(gy, wy) << "record " << i;
    EXPECT_EQ(int(got[i].flags), int(want[i].flags)) << "record " << i;
  }
}

// Coordinates within a tolerance, flags exactly.
inline void ExpectNear(const Recs& got, const Recs& want, float tol) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, tol) << "record " << i;
    EXPECT_NEAR(got[i].y, want[i].y, tol) << "record " << i;
    EXPECT_EQ(int(got[i].flags), int(want[i].flags)) << "record " << i;
  }
}

// The whole block an object's record was written into; empty for none.
inline std::vector<std::uint8_t> RecordBlock(CGraphObject& o, std::uint32_t* length = nullptr) {
  plat::HGLOBAL h = 0;
  const std::uint32_t len = o.WriteRecord(&h);
  if (length) *length = len;
  std::vector<std::uint8_t> out;
  if (!h) return out;
  {
    plat::GlobalLockGuard g(h);
    out.assign(g.bytes(), g.bytes() + g.size());
  }
  plat::GlobalFree(h);
  return out;
}

inline float F32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

inline void PutF32At(std::vector<std::uint8_t>& b, std::size_t at, float v) {
  std::memcpy(b.data() + at, &v, 4);
}

inline std::uint32_t Bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

inline float FromBits(std::uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// A copy in a block of exactly `size` bytes, so reads past it show under ASan.
struct ExactBytes {
  explicit ExactBytes(const std::vector<std::uint8_t>& b, std::size_t size)
      : data(new std::uint8_t[size ? size : 1]), size(size) {
    std::memcpy(data.get(), b.data(), std::min(size, b.size()));
  }
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size;
};

// XOR feedback: a first draw changes the pixels, the same draw again puts
// them back.
inline void ExpectDrawnTwiceErased(const std::function<std::vector<std::uint32_t>()>& pixels,
                                   const std::function<void()>& draw) {
  const std::vector<std::uint32_t> before = pixels();
  draw();
  EXPECT_NE(pixels(), before);
  draw();
  EXPECT_EQ(pixels(), before);
}

}  // namespace shapetest
