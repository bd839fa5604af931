#include "output/cutpatterns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/helpers.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"

namespace {

using Polygon = std::vector<CFPoint>;

// The closed contours of a pattern as polygons, curves in 24 pieces each,
// through the pending matrix.
std::vector<Polygon> Contours(const CPathObject& source) {
  std::unique_ptr<CGraphObject> copy = const_cast<CPathObject&>(source).Clone();
  auto& path = dynamic_cast<CPathObject&>(*copy);
  path.ApplyTransform();
  std::vector<Polygon> out;
  pathrec::Records r(path.points);
  Polygon cur;
  std::vector<CFPoint> controls;
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    const PathPoint& p = r.p[i];
    if (!pathrec::IsPoint(p.flags)) continue;
    if (!(p.flags & PP_NODE)) {
      controls.push_back({p.x, p.y});
      continue;
    }
    if (p.flags & PP_START) {
      cur.clear();
      controls.clear();
    }
    if (controls.size() == 2 && !cur.empty()) {
      const CFPoint a = cur.back(), b = controls[0], c = controls[1], d{p.x, p.y};
      for (int k = 1; k < 24; ++k) {
        const float t = float(k) / 24.0f, u = 1.0f - t;
        cur.push_back({u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
                       u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y});
      }
    }
    controls.clear();
    cur.push_back({p.x, p.y});
    if (p.flags & (PP_CLOSEEND | PP_OPENEND)) out.push_back(cur);
  }
  return out;
}

// Even-odd inside test over all contours.
bool Inside(const std::vector<Polygon>& contours, float x, float y) {
  bool in = false;
  for (const Polygon& poly : contours)
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
      if ((poly[i].y > y) != (poly[j].y > y) &&
          x < (poly[j].x - poly[i].x) * (y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
        in = !in;
  return in;
}

struct Box {
  float l, t, r, b;
};

// Samples of the box on a grid (off the round numbers): how many lie in
// exactly one pass, in both, in none.
struct Cover {
  int one = 0, both = 0, none = 0, samples = 0;
};
Cover Sample(const CPathObject* pass0, const CPathObject* pass1, Box box, float step = 0.73f) {
  const auto c0 = pass0 ? Contours(*pass0) : std::vector<Polygon>{};
  const auto c1 = pass1 ? Contours(*pass1) : std::vector<Polygon>{};
  Cover cover;
  for (float y = box.t + 0.111f; y < box.b; y += step)
    for (float x = box.l + 0.137f; x < box.r; x += step) {
      const int n = int(Inside(c0, x, y)) + int(Inside(c1, x, y));
      ++cover.samples;
      (n == 1 ? cover.one : n == 2 ? cover.both : cover.none)++;
    }
  return cover;
}

// Contours' extents along y.
std::vector<std::pair<float, float>> YSpans(const CPathObject& path) {
  std::vector<std::pair<float, float>> out;
  for (const Polygon& poly : Contours(path)) {
    float lo = poly[0].y, hi = poly[0].y;
    for (const CFPoint& p : poly) lo = std::min(lo, p.y), hi = std::max(hi, p.y);
    out.push_back({lo, hi});
  }
  return out;
}

constexpr Box kBox{10, 20, 110, 60};  // 100 x 40

}  // namespace

// The walker gives what GetListValue gives for every n, reading each entry once.
TEST(CutListWalkerTest, MatchesTheListValues) {
  const char* lists[] = {"5,12,+6", "5,,12,-6", "5,11,-6", "2", "", ",,", "0", "+1.5", " 3 , +2 ,", "1e-30",
                         "-4,x,+", "7,+0"};
  for (const char* list : lists) {
    CutListWalker w(list);
    for (int n = 1; n <= 12; ++n) ASSERT_FLOAT_EQ(w.Next(), GetListValue(list, n)) << list << " n=" << n;
  }
  struct Case {
    const char* list;
    int after;
    bool settled;
  } cases[] = {{"5,12,+6", 5, false}, {"5,0", 2, true}, {"5,0", 1, false}, {",,", 3, true},
               {"7,+0", 2, true},     {"3", 1, true},   {"1,-1", 4, false}};
  for (const Case& c : cases) {
    CutListWalker w(c.list);
    for (int i = 0; i < c.after; ++i) w.Next();
    EXPECT_EQ(w.Settled(), c.settled) << c.list << " after " << c.after;
  }
}

// Four equal parts from the top-left corner: pass 0 the first and third
// strips, pass 1 the second and fourth; together the band, no overlap.
TEST(ParallelCutTest, FourPartsFromTheCornerSplitIntoTwoPasses) {
  auto p0 = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, 0, 4, kBox.l, kBox.t, 0);
  auto p1 = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, 0, 4, kBox.l, kBox.t, kCutPatternGapFirst);
  ASSERT_TRUE(p0 && p1);
  EXPECT_EQ(p0->flags, 0x100);
  EXPECT_EQ(p0->kind, 128);
  const auto s0 = YSpans(*p0), s1 = YSpans(*p1);
  ASSERT_EQ(s0.size(), 2u);
  ASSERT_EQ(s1.size(), 2u);
  const float want0[][2] = {{20, 30}, {40, 50}}, want1[][2] = {{30, 40}, {50, 60}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(s0[i].first, want0[i][0], 0.01f);
    EXPECT_NEAR(s0[i].second, want0[i][1], 0.01f);
    EXPECT_NEAR(s1[i].first, want1[i][0], 0.01f);
    EXPECT_NEAR(s1[i].second, want1[i][1], 0.01f);
  }
  const Cover c = Sample(p0.get(), p1.get(), kBox);
  EXPECT_EQ(c.both, 0);
  EXPECT_EQ(c.none, 0);
}

// Any angle and any corner the dialog offers: the two passes cover the box
// once. Angles beyond 180 and below 0 give the same directions.
TEST(ParallelCutTest, BothPassesCoverTheBoxAtEveryAngleAndCorner) {
  const float angles[] = {0, 10, 30, 45, 90, 120, 170, 180, 200, 370, -10};
  const CFPoint corners[] = {{kBox.l, kBox.t}, {kBox.r, kBox.b}, {kBox.l, kBox.b}, {kBox.r, kBox.t}};
  for (float angle : angles)
    for (int parts : {2, 5, 13}) {
      for (int corner = 0; corner < 4; ++corner) {
        // The corner pair the dialog takes for the angle.
        const bool above90 = NormalizeCutAngle(angle) > 90;
        if ((corner >= 2) != above90) continue;
        const CFPoint o = corners[corner];
        auto p0 = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, angle, parts, o.x, o.y, 0);
        auto p1 = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, angle, parts, o.x, o.y, kCutPatternGapFirst);
        ASSERT_TRUE(p0) << angle << " " << parts << " " << corner;
        const Cover c = Sample(p0.get(), p1.get(), kBox, 1.3f);
        EXPECT_EQ(c.both, 0) << angle << " parts " << parts << " corner " << corner;
        EXPECT_LE(c.none, c.samples / 100) << angle << " parts " << parts << " corner " << corner;
      }
    }
}

// An origin inside the band shifts the first strip by half a step; one on a
// corner does not.
TEST(ParallelCutTest, OriginInsideCentresTheFirstStrip) {
  auto inside = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, 0, 4, 50, 35, 0);
  ASSERT_TRUE(inside);
  const auto spans = YSpans(*inside);
  ASSERT_FALSE(spans.empty());
  EXPECT_NEAR(spans[0].first, 35 - 5, 0.01f);
  EXPECT_NEAR(spans[0].second, 35 + 5, 0.01f);
  auto corner = MakeParallelCutLines(kBox.l, kBox.t, kBox.r, kBox.b, 0, 4, kBox.l, kBox.t, 0);
  EXPECT_NEAR(YSpans(*corner)[0].first, kBox.t, 0.01f);
}

// Widths from "5,12,+6": strips 5, 18, 30 (gaps 12, 24) from the corner down;
// the other pass holds the gaps.
TEST(ParallelCutTest, WidthListAlternatesStripsAndGaps) {
  const Box tall{0, 0, 40, 100};
  auto p0 = MakeParallelCutLinesEx(tall.l, tall.t, tall.r, tall.b, 0, 0, 0, "5,12,+6", 0);
  auto p1 = MakeParallelCutLinesEx(tall.l, tall.t, tall.r, tall.b, 0, 0, 0, "5,12,+6", kCutPatternGapFirst);
  ASSERT_TRUE(p0 && p1);
  const auto s0 = YSpans(*p0), s1 = YSpans(*p1);
  ASSERT_EQ(s0.size(), 3u);
  ASSERT_EQ(s1.size(), 3u);
  // The last gap reaches past the band.
  const float want0[][2] = {{0, 5}, {17, 35}, {59, 89}}, want1[][2] = {{5, 17}, {35, 59}, {89, 125}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(s0[i].first, want0[i][0], 0.01f);
    EXPECT_NEAR(s0[i].second, want0[i][1], 0.01f);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(s1[i].first, want1[i][0], 0.01f);
    EXPECT_NEAR(s1[i].second, want1[i][1], 0.01f);
  }
  const Cover c = Sample(p0.get(), p1.get(), tall);
  EXPECT_EQ(c.both, 0);
  EXPECT_EQ(c.none, 0);
}

// "Center" in 8 parts: 45 degree sectors, four a pass, together the box.
TEST(RadiationCutTest, CenterInEightPartsGivesFourSectorsAPass) {
  const float cx = 60, cy = 40;
  for (std::uint32_t back : {0u, kCutPatternThrowBack}) {
    auto p0 = MakeRadiationCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, cx, cy, 0, 360, 8, back);
    auto p1 = MakeRadiationCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, cx, cy, 0, 360, 8, back | kCutPatternGapFirst);
    ASSERT_TRUE(p0 && p1);
    EXPECT_EQ(Contours(*p0).size(), 4u);
    EXPECT_EQ(Contours(*p1).size(), 4u);
    const Cover c = Sample(p0.get(), p1.get(), kBox);
    EXPECT_EQ(c.both, 0);
    EXPECT_EQ(c.none, 0);
    // The first sector of pass 0 (walking up) is 0..45 degrees, y up.
    const auto c0 = Contours(*p0);
    const float a = 22.5f * 3.14159265f / 180;
    EXPECT_EQ(Inside(c0, cx + 10 * std::cos(a), cy - 10 * std::sin(a)), back != 0);
  }
}

// "Left Up" covers the box from its top-left corner with 270..360 degrees;
// sums that pass the end are clipped, so no sector overlaps another.
TEST(RadiationCutTest, SectorsStayInsideTheRange) {
  for (int parts : {2, 3, 7}) {
    auto p0 = MakeRadiationCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, kBox.l, kBox.t, 270, 360, parts, kCutPatternThrowBack);
    auto p1 = MakeRadiationCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, kBox.l, kBox.t, 270, 360, parts,
                                      kCutPatternThrowBack | kCutPatternGapFirst);
    ASSERT_TRUE(p0);
    EXPECT_EQ(Contours(*p0).size() + (p1 ? Contours(*p1).size() : 0), std::size_t(parts));
    const Cover c = Sample(p0.get(), p1.get(), kBox);
    EXPECT_EQ(c.both, 0) << parts;
    EXPECT_EQ(c.none, 0) << parts;
  }
  // A list whose sum overshoots 360 from the centre: no sector beyond it.
  auto over = MakeRadiationCutByAngles(kBox.l, kBox.t, kBox.r, kBox.b, 60, 40, 0, 360, "100", kCutPatternThrowBack);
  auto under = MakeRadiationCutByAngles(kBox.l, kBox.t, kBox.r, kBox.b, 60, 40, 0, 360, "100",
                                        kCutPatternThrowBack | kCutPatternGapFirst);
  ASSERT_TRUE(over && under);
  const Cover c = Sample(over.get(), under.get(), kBox);
  EXPECT_EQ(c.both, 0);
  EXPECT_EQ(c.none, 0);
}

// "10,+10" from 0 upward: sector 0..10, gap 10..30, sector 30..60, gap
// 60..100, sector 100..150 ...
TEST(RadiationCutTest, WidthListGrowsTheSectors) {
  auto p0 = MakeRadiationCutByAngles(-50, -50, 50, 50, 0, 0, 0, 360, "10,+10", kCutPatternThrowBack);
  ASSERT_TRUE(p0);
  const auto c0 = Contours(*p0);
  struct Probe {
    float deg;
    bool in;
  } probes[] = {{5, true}, {15, false}, {25, false}, {35, true}, {55, true}, {65, false}, {95, false},
                {105, true}, {145, true}, {155, false}, {205, false}, {215, true}};
  for (const Probe& p : probes) {
    const float a = p.deg * 3.14159265f / 180;
    EXPECT_EQ(Inside(c0, 20 * std::cos(a), -20 * std::sin(a)), p.in) << p.deg;
  }
}

// Four rings: pass 0 the disc to R/4 and the ring R/2..3R/4, pass 1 the
// others.
TEST(CircleCutTest, FourPartsAlternateDiscAndRings) {
  const float ox = kBox.l, oy = kBox.t;
  const float r = std::hypot(100.0f, 40.0f);
  auto p0 = MakeCircleCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, ox, oy, 4, 0);
  auto p1 = MakeCircleCutByParts(kBox.l, kBox.t, kBox.r, kBox.b, ox, oy, 4, kCutPatternGapFirst | kCutPatternThrowBack);
  ASSERT_TRUE(p0 && p1);
  EXPECT_EQ(Contours(*p0).size(), 3u);  // no inner circle for the disc
  EXPECT_EQ(Contours(*p1).size(), 4u);
  const auto c0 = Contours(*p0), c1 = Contours(*p1);
  for (float f : {0.1f, 0.35f, 0.6f, 0.9f}) {
    const bool even = f < 0.25f || (f > 0.5f && f < 0.75f);
    const float x = ox + f * r * 100.0f / r, y = oy + f * r * 40.0f / r;
    EXPECT_EQ(Inside(c0, x, y), even) << f;
    EXPECT_EQ(Inside(c1, x, y), !even) << f;
  }
  const Cover c = Sample(p0.get(), p1.get(), kBox);
  EXPECT_EQ(c.both, 0);
  EXPECT_EQ(c.none, 0);
  // A list of 0 steps by 0.05.
  auto zero = MakeCircleCutByDistances(0, 0, 0.3f, 0.4f, 0, 0, "0", 0);
  ASSERT_TRUE(zero);
  EXPECT_EQ(Contours(*zero).size(), 1u + 2u * 4u);  // disc, then rings 0.1..0.15, ... 0.4..0.45
}

// Input that would never end or makes nothing: null or a bounded pattern.
TEST(CutPatternTest, HostileInputEndsPromptly) {
  const float nan = std::nanf("");
  for (int parts : {0, -5}) {
    EXPECT_EQ(MakeParallelCutLines(0, 0, 10, 10, 0, parts, 0, 0, 0), nullptr);
    EXPECT_EQ(MakeRadiationCutByParts(0, 0, 10, 10, 5, 5, 0, 360, parts, 0), nullptr);
    EXPECT_EQ(MakeCircleCutByParts(0, 0, 10, 10, 5, 5, parts, 0), nullptr);
  }
  EXPECT_EQ(MakeParallelCutLines(0, 0, 10, 10, nan, 4, 0, 0, 0), nullptr);
  EXPECT_EQ(MakeParallelCutLinesEx(0, 0, 10, 10, 0, nan, 0, "1", 0), nullptr);
  EXPECT_EQ(MakeRadiationCutByAngles(0, 0, 10, 10, 5, 5, 0, INFINITY, "1", 0), nullptr);
  EXPECT_EQ(MakeCircleCutByDistances(0, 0, nan, 10, 5, 5, "1", 0), nullptr);

  auto contours = [](const std::unique_ptr<CPathObject>& p) {
    std::size_t n = 0;
    if (!p) return n;
    pathrec::Records r(p->points);
    for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i)
      if (pathrec::IsNode(r.p[i].flags) && (r.p[i].flags & PP_START)) ++n;
    return n;
  };
  // Huge counts: at most kMaxCutParts pieces.
  const int huge = 0x7FFFFFFF;
  EXPECT_LE(contours(MakeParallelCutLines(0, 0, 10, 10, 30, huge, 0, 0, 0)), std::size_t(kMaxCutParts));
  EXPECT_LE(contours(MakeRadiationCutByParts(0, 0, 10, 10, 5, 5, 0, 360, huge, 0)), std::size_t(kMaxCutParts));
  EXPECT_LE(contours(MakeCircleCutByParts(0, 0, 10, 10, 5, 5, huge, 0)), std::size_t(2 * kMaxCutParts));
  // Lists that stop moving.
  for (const char* list : {"0", ",,", "", "1e-30", "nan", "-0,+0"}) {
    for (std::uint32_t f : {0u, kCutPatternGapFirst}) {
      EXPECT_LE(contours(MakeParallelCutLinesEx(0, 0, 10, 10, 0, 0, 0, list, f)), std::size_t(kMaxCutParts)) << list;
      EXPECT_LE(contours(MakeRadiationCutByAngles(0, 0, 10, 10, 5, 5, 0, 360, list, f | kCutPatternThrowBack)),
                std::size_t(kMaxCutParts))
          << list;
      EXPECT_LE(contours(MakeRadiationCutByAngles(0, 0, 10, 10, 5, 5, 0, 360, list, f)), std::size_t(kMaxCutParts))
          << list;
      EXPECT_LE(contours(MakeCircleCutByDistances(0, 0, 20, 20, 5, 5, list, f)), std::size_t(2 * kMaxCutParts))
          << list;
    }
  }
  EXPECT_EQ(MakeParallelCutLinesEx(0, 0, 10, 10, 0, 0, 0, "0", 0), nullptr);
  EXPECT_EQ(MakeRadiationCutByAngles(0, 0, 10, 10, 5, 5, 0, 360, "0", 0), nullptr);
  // 0.05 steps that would take longer than the limit.
  EXPECT_EQ(contours(MakeCircleCutByDistances(0, 0, 1000, 1000, 5, 5, "0", 0)), std::size_t(2 * kMaxCutParts - 1));
  // Angles far out: reduced, not stepped.
  EXPECT_NE(MakeParallelCutLines(0, 0, 10, 10, 1e30f, 4, 0, 0, 0), nullptr);
  EXPECT_NE(MakeParallelCutLinesEx(0, 0, 10, 10, -1e30f, 0, 0, "1", 0), nullptr);
  EXPECT_LE(contours(MakeRadiationCutByParts(0, 0, 10, 10, 5, 5, -1e30f, 1e30f, 8, 0)), 8u);
  // A flat box, and one of no extent around the origin.
  EXPECT_EQ(MakeParallelCutLines(0, 5, 10, 5, 0, 4, 0, 5, 0), nullptr);  // strips along it: no band
  EXPECT_NE(MakeParallelCutLines(0, 5, 10, 5, 30, 4, 0, 5, 0), nullptr);
  EXPECT_EQ(MakeCircleCutByParts(5, 5, 5, 5, 5, 5, 4, 0), nullptr);
  EXPECT_EQ(MakeRadiationCutByParts(0, 0, 10, 10, 5, 5, 90, 90, 4, 0), nullptr);
}

TEST(CutPatternTest, TypedAnglesReduceToADirection) {
  struct Case {
    float typed, want;
  } cases[] = {{370, 10}, {-10, 170}, {200, 20}, {0, 0}, {90, 90}, {180, 0}, {270, 90}, {360, 0}, {-370, 170}};
  for (const Case& c : cases) EXPECT_NEAR(ReduceCutDirection(c.typed), c.want, 1e-3f) << c.typed;
  EXPECT_GE(ReduceCutDirection(1e30f), 0.0f);
  EXPECT_LT(ReduceCutDirection(1e30f), 180.0f);
  EXPECT_EQ(ReduceCutDirection(std::nanf("")), 0.0f);
}

// A width list's count is what the two passes make together (a strip or a
// sector is one contour, a ring two but the disc one); a value a page cannot
// hold gives -1, a list too fine for the limit stops counting past it.
TEST(CutPatternTest, ListStepsCountWhatBothPassesMake) {
  auto contours = [](const std::unique_ptr<CPathObject>& p) { return p ? int(Contours(*p).size()) : 0; };
  const struct {
    const char* list;
    int strips, sectors, rings;  // -1: refused; kMaxCutParts + 1: too many
  } cases[] = {
      {"5,12,+6", 6, 11, 4},  // 5 17 35 59 89 125 ...
      {"7", 15, 52, 8},
      {"3,4", 26, 91, 13},
      {"0", 0, 0, 1000},  // rings of 0.05
      {"0.001", kMaxCutParts + 1, kMaxCutParts + 1, kMaxCutParts + 1},
      {"1,+2000000", -1, -1, -1},
      {"-1e39", -1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    // Strips over 100 mm from a corner of a 40 x 100 box at 0 degrees;
    // sectors of the full turn; rings out to a corner 50 mm away.
    EXPECT_EQ(ParallelCutListSteps(0, 0, 40, 100, 0, 0, 0, c.list), c.strips);
    EXPECT_EQ(RadiationCutListSteps(0, 360, c.list), c.sectors);
    // 1000 steps of 0.05 add up to 50 give or take the last bit.
    const int rings = CircleCutListSteps(-30, -40, 30, 40, 0, 0, c.list);
    if (c.rings == 1000)
      EXPECT_NEAR(rings, c.rings, 1);
    else
      EXPECT_EQ(rings, c.rings);
    if (c.strips < 0 || c.strips > kMaxCutParts) continue;
    EXPECT_EQ(contours(MakeParallelCutLinesEx(0, 0, 40, 100, 0, 0, 0, c.list, 0)) +
                  contours(MakeParallelCutLinesEx(0, 0, 40, 100, 0, 0, 0, c.list, kCutPatternGapFirst)),
              c.strips);
    EXPECT_EQ(contours(MakeRadiationCutByAngles(-5, -5, 5, 5, 0, 0, 0, 360, c.list, kCutPatternThrowBack)) +
                  contours(MakeRadiationCutByAngles(-5, -5, 5, 5, 0, 0, 0, 360, c.list,
                                                    kCutPatternThrowBack | kCutPatternGapFirst)),
              c.sectors);
  }
}
