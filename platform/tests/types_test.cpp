// The saturating device-coordinate helpers: far points sit at the ends of the
// 32-bit range and what is built around them stays there.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/types.h"

namespace {

constexpr plat::LONG kMin = INT32_MIN, kMax = INT32_MAX;

TEST(DeviceCoordinates, TruncationSaturatesAndNaNIsZero) {
  const struct {
    double v;
    plat::LONG expected;
  } cases[] = {{0.9, 0},       {-0.9, 0},       {12345.7, 12345}, {2147483647.0, kMax}, {3e9, kMax},
               {1e32, kMax},   {-2147483648.0, kMin}, {-1e32, kMin}, {HUGE_VAL, kMax}, {-HUGE_VAL, kMin},
               {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(plat::SatTrunc(c.v), c.expected) << c.v;
}

TEST(DeviceCoordinates, GrowOffsetAndWidthHoldToTheRange) {
  EXPECT_EQ(plat::GrowRect(plat::RECT{10, 20, 30, 40}, 3, 2), (plat::RECT{7, 18, 33, 42}));
  EXPECT_EQ(plat::GrowRect(plat::RECT{10, 20, 30, 40}, -3, -2), (plat::RECT{13, 22, 27, 38}));
  EXPECT_EQ(plat::GrowRect(plat::RECT{kMin, kMin + 1, kMax, kMax - 1}, 3, 3), (plat::RECT{kMin, kMin, kMax, kMax}));
  EXPECT_EQ(plat::GrowRect(plat::RECT{kMax, kMax, kMax, kMax}, -3, 3), (plat::RECT{kMax, kMax - 3, kMax - 3, kMax}));
  EXPECT_EQ(plat::OffsetPoint(plat::POINT{kMax - 1, kMin + 1}, 5, -5), (plat::POINT{kMax, kMin}));
  EXPECT_EQ(plat::OffsetPoint(plat::POINT{1, 2}, 5, -5), (plat::POINT{6, -3}));
  EXPECT_EQ(plat::MarkRect(plat::POINT{kMin, kMax}, 4), (plat::RECT{kMin, kMax - 4, kMin + 4, kMax}));
  EXPECT_EQ(plat::Mid(kMin, kMax), 0);
  EXPECT_EQ((plat::RECT{kMin, kMin, kMax, kMax}).width(), kMax);
  EXPECT_EQ((plat::RECT{kMax, 0, kMin, -5}).width(), kMin);
  EXPECT_EQ((plat::RECT{kMax, 0, kMin, -5}).height(), -5);
}

}  // namespace
