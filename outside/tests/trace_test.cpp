// The tracing libraries loaded by name, on small masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "model/imagevector.h"
#include "outside/flexoril/shapes.h"
#include "platform/bytes.h"
#include "platform/gmem.h"
#include "platform/library.h"

namespace {

using Predicate = std::function<bool(int x, int y)>;  // y downward from the top

// A mask of w x h pixels, bottom row first, 1 where the predicate holds.
std::vector<std::uint8_t> Mask(int w, int h, const Predicate& set) {
  std::vector<std::uint8_t> m(std::size_t(w) * std::size_t(h), 0);
  for (int row = 0; row < h; ++row)
    for (int x = 0; x < w; ++x) m[std::size_t(row) * w + x] = set(x, h - 1 - row) ? 1 : 0;
  return m;
}

Predicate Disc(double cx, double cy, double r) {
  return [=](int x, int y) { return std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r; };
}

struct Traced {
  std::vector<flx::Contour> contours;
  int curves = 0;
  int nodes = 0;
  std::uint16_t flags = 0;
  float bounds[4] = {0, 0, 0, 0};  // as the record holds them
};

class TraceLib : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    module = plat::LoadLibrary(GetParam());
    ASSERT_NE(module, nullptr) << plat::GetLastErrorDetail();
    entry = plat::GetProcAddressAs<imagevector::ImageVectorFn>(module, imagevector::kEntryName);
    ASSERT_NE(entry, nullptr);
    live = plat::GlobalLiveCount();
  }
  void TearDown() override {
    EXPECT_EQ(plat::GlobalLiveCount(), live);
    if (module) plat::FreeLibrary(module);
  }
  // The result of the mask, read back and freed; nothing for no result.
  std::optional<Traced> Run(const std::vector<std::uint8_t>& mask, int w, int h, ImageVectorParams p = {}) {
    p.width = w;
    p.height = h;
    p.mask = mask.empty() ? nullptr : mask.data();
    const plat::HGLOBAL block = entry(&p);
    if (!block) return std::nullopt;
    std::optional<flx::Node> node;
    float bounds[4];
    {
      plat::GlobalLockGuard g(block);
      const std::uint32_t length = plat::GetU32(g.bytes() + 1);
      EXPECT_EQ(g.bytes()[0], '#');
      EXPECT_LE(length + 1, g.size());
      EXPECT_EQ(g.bytes()[length], 255);
      node = flx::ReadNode(g.bytes(), length);
      for (int i = 0; i < 4; ++i) bounds[i] = plat::GetF32(g.bytes() + 8 + 4 * i);
    }
    plat::GlobalFree(block);
    EXPECT_TRUE(node && !node->group);
    if (!node || node->group) return std::nullopt;
    Traced t;
    t.flags = node->flags;
    std::copy(bounds, bounds + 4, t.bounds);
    t.contours = node->path.contours;
    for (const flx::Contour& c : t.contours) {
      t.nodes += 1 + int(c.segs.size());
      for (const flx::Segment& s : c.segs) t.curves += s.curve ? 1 : 0;
    }
    return t;
  }
  plat::HMODULE module = nullptr;
  imagevector::ImageVectorFn entry = nullptr;
  std::size_t live = 0;
};

double SignedArea(const flx::Contour& c) {
  std::vector<flx::Pt> pts{c.start};
  for (const flx::Segment& s : c.segs) pts.push_back(s.to);
  double a = 0;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) a += pts[i].x * pts[i + 1].y - pts[i + 1].x * pts[i].y;
  return a / 2;
}

TEST_P(TraceLib, FilledSquareIsOneClosedContourOnItsCorners) {
  // Pixels 2..31 across and 1..20 down from the top of a 40 x 30 image.
  const auto mask = Mask(40, 30, [](int x, int y) { return x >= 2 && x <= 31 && y >= 1 && y <= 20; });
  const auto t = Run(mask, 40, 30);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->flags, 0x100);
  ASSERT_EQ(t->contours.size(), 1u);
  const flx::Contour& c = t->contours[0];
  EXPECT_TRUE(c.closed);
  std::vector<flx::Pt> nodes{c.start};
  for (const flx::Segment& s : c.segs) {
    nodes.push_back(s.to);
    EXPECT_FALSE(s.curve);
  }
  for (flx::Pt corner : {flx::Pt{2, 1}, flx::Pt{32, 1}, flx::Pt{32, 21}, flx::Pt{2, 21}}) {
    double best = 1e9;
    for (flx::Pt n : nodes) best = std::min(best, std::hypot(n.x - corner.x, n.y - corner.y));
    EXPECT_LE(best, 0.5) << corner.x << "," << corner.y;
  }
  for (flx::Pt n : nodes) {
    EXPECT_GE(n.x, 2 - 0.5);
    EXPECT_LE(n.x, 32 + 0.5);
    EXPECT_GE(n.y, 1 - 0.5);
    EXPECT_LE(n.y, 21 + 0.5);
  }
  // Straight runs keep no node inside them: four corners and the way back.
  EXPECT_EQ(c.segs.size(), 4u);
}

TEST_P(TraceLib, RingHasAnOuterContourAndAHole) {
  const auto mask = Mask(40, 40, [](int x, int y) {
    const double d = std::hypot(x + 0.5 - 20, y + 0.5 - 20);
    return d <= 15 && d >= 7;
  });
  const auto t = Run(mask, 40, 40);
  ASSERT_TRUE(t);
  ASSERT_EQ(t->contours.size(), 2u);
  const double outer = SignedArea(t->contours[0]), hole = SignedArea(t->contours[1]);
  EXPECT_LT(outer * hole, 0.0);  // wound the other way
  EXPECT_GT(std::fabs(outer), std::fabs(hole));
  EXPECT_GT(t->curves, 0);
  // The bounds are the outline's, not its control points': the outer edge
  // of the ring, 5 to 35.
  for (float v : t->bounds) EXPECT_NEAR(std::fabs(v - 20.0f), 15.0f, 0.6f);
}

TEST_P(TraceLib, RefusedMasks) {
  const auto mask = Mask(8, 8, [](int, int) { return true; });
  EXPECT_FALSE(Run(mask, 2, 8));
  EXPECT_FALSE(Run(mask, 8, 2));
  EXPECT_FALSE(Run(mask, 2, 2));
  EXPECT_FALSE(Run(mask, -8, 8));
  EXPECT_FALSE(Run({}, 8, 8));                 // no mask
  EXPECT_FALSE(Run(mask, 0x10000, 0x10000));  // more pixels than a mask can hold
  EXPECT_FALSE(Run(Mask(8, 8, [](int, int) { return false; }), 8, 8));  // nothing set
  EXPECT_EQ(entry(nullptr), 0u);
  EXPECT_TRUE(Run(Mask(3, 3, [](int x, int y) { return x == 1 && y == 1; }), 3, 3,
                  [] { ImageVectorParams p; p.FilterSurround = 0; return p; }()));
}

TEST_P(TraceLib, ParametersShapeTheOutline) {
  const auto mask = Mask(60, 60, Disc(30, 30, 22));
  const auto plain = Run(mask, 60, 60);
  ASSERT_TRUE(plain);
  EXPECT_GT(plain->curves, 0);

  ImageVectorParams corners;
  corners.CornerThreshold = 0.0f;  // every node a corner: lines only
  const auto lines = Run(mask, 60, 60, corners);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->curves, 0);
  EXPECT_GT(lines->nodes, plain->nodes);

  ImageVectorParams straight;
  straight.LineThreshold = 100.0f;  // every cubic near enough its chord
  const auto chords = Run(mask, 60, 60, straight);
  ASSERT_TRUE(chords);
  EXPECT_EQ(chords->curves, 0);

  ImageVectorParams knees;
  knees.KeepKnees = 1;  // no joining of curves
  const auto kept = Run(mask, 60, 60, knees);
  ASSERT_TRUE(kept);
  EXPECT_GT(kept->nodes, plain->nodes);

  // A speck of 2 pixels is dropped with FilterSurround 2, kept with 0.
  auto specked = Mask(60, 60, [](int x, int y) { return (x == 5 || x == 6) && y == 5; });
  ImageVectorParams keep;
  keep.FilterSurround = 0;
  EXPECT_FALSE(Run(specked, 60, 60));
  const auto speck = Run(specked, 60, 60, keep);
  ASSERT_TRUE(speck);
  EXPECT_EQ(speck->contours.size(), 1u);

  // Out-of-range values are held to what the tracer takes.
  ImageVectorParams wild;
  wild.CornerThreshold = std::nanf("");
  wild.ErrorThreshold = -5.0f;
  wild.LineThreshold = std::numeric_limits<float>::infinity();
  wild.FilterSurround = -3;
  EXPECT_TRUE(Run(mask, 60, 60, wild));
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, TraceLib,
                         ::testing::Values(imagevector::kVectorFileName, imagevector::kTraceFileName));

}  // namespace
