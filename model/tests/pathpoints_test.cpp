#include "model/pathpoints.h"

#include "model/bezier.h"
#include "model/geomutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<PathPoint> Records(const CPathPointList& list) {
  std::vector<PathPoint> out;
  if (!list.points) return out;
  plat::GlobalLockGuard g(list.points);
  const PathPoint* p = g.as<PathPoint>();
  for (int i = 0; i < list.count; ++i) out.push_back(p[i]);
  return out;
}

void Expect(const std::vector<PathPoint>& got, const std::vector<PathPoint>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const float gx = got[i].x, gy = got[i].y, wx = want[i].x, wy = want[i].y;
    const int gf = got[i].flags, wf = want[i].flags;
    EXPECT_EQ(gx, wx) << i;
    EXPECT_EQ(gy, wy) << i;
    EXPECT_EQ(gf, wf) << i;
  }
}

std::unique_ptr<CPathPointList> Build(const std::vector<PathPoint>& pts, bool end = true) {
  auto list = std::make_unique<CPathPointList>();
  for (const auto& p : pts) list->AddPoint(p);
  if (end) list->EndPoints();
  return list;
}

TEST(PathPointListTest, GrowthAndTrim) {
  CPathPointList list;
  EXPECT_EQ(list.points, 0u);
  EXPECT_TRUE(list.matrix.IsIdentity());
  for (int i = 0; i < 100; ++i) list.AddPoint(float(i), 0, i ? 0x01 : 0x11);
  EXPECT_EQ(list.capacity, 100);
  EXPECT_EQ(plat::GlobalSize(list.points), 102u * 9);
  EXPECT_EQ(list.AddPoint(100, 0, 0x01), 101);
  EXPECT_EQ(list.capacity, 150);
  EXPECT_EQ(plat::GlobalSize(list.points), 152u * 9);

  CPathPointList seven;
  for (int i = 0; i < 7; ++i) seven.AddPoint(float(i), 1, 0x01);
  EXPECT_EQ(seven.EndPoints(), 8);
  EXPECT_EQ(seven.capacity, 8);
  EXPECT_EQ(plat::GlobalSize(seven.points), 10u * 9);
  // Appending after the end record grows again.
  seven.RemoveEndRecords();
  EXPECT_EQ(seven.count, 7);
  for (int i = 0; i < 5; ++i) seven.AddPoint(9, 9, 0x01);
  EXPECT_EQ(seven.count, 12);

  std::size_t live = plat::GlobalLiveCount();
  {
    CPathPointList scoped;
    scoped.AddPoint(1, 1, 0x11);
    EXPECT_EQ(plat::GlobalLiveCount(), live + 1);
  }
  EXPECT_EQ(plat::GlobalLiveCount(), live);  // the list frees its block
  CPathPointList given;
  given.AddPoint(1, 1, 0x11);
  plat::HGLOBAL h = given.DetachPoints();
  EXPECT_EQ(given.points, 0u);
  EXPECT_TRUE(plat::GlobalIsValid(h));
  plat::GlobalFree(h);
}

// Bounds as the list keeps them, written out plainly: nodes widen them, and
// a Bezier piece leaving them is sampled by the curve evaluation.
struct ReferenceBounds {
  CFRect b;
  bool has = false;
  std::vector<PathPoint> recs;
  void Widen(float x, float y) {
    b.left = std::min(b.left, x);
    b.right = std::max(b.right, x);
    b.top = std::min(b.top, y);
    b.bottom = std::max(b.bottom, y);
  }
  void Add(const PathPoint& pt) {
    recs.push_back(pt);
    if (pt.flags >= PP_SPECIAL || !(pt.flags & PP_NODE)) return;
    if (!has) {
      b = CFRect(pt.x, pt.y, pt.x, pt.y);
      has = true;
      return;
    }
    Widen(pt.x, pt.y);
    const std::size_t i = recs.size() - 1;
    if ((pt.flags & PP_START) || i < 3 || (recs[i - 1].flags & PP_NODE)) return;
    CBezierSegment seg{{recs[i - 3].x, recs[i - 3].y}, {recs[i - 2].x, recs[i - 2].y},
                       {recs[i - 1].x, recs[i - 1].y}, {pt.x, pt.y}, {}};
    bool outside = false;
    for (const CFPoint& p : {seg.P0, seg.P1, seg.P2, seg.P3})
      outside = outside || !PointInFRect(p.x, p.y, b.left, b.top, b.right, b.bottom);
    if (!outside) return;
    for (float t = 0.1f; t < 0.9f; t += 0.01f) {
      CFPoint s;
      seg.PointAt(t, s);
      Widen(s.x, s.y);
    }
  }
};

// Glyph-like contours of Bezier pieces over a wide range of scales, with
// signed zeros, infinities and NaNs among them: the list's bounds are the
// plain rule's, to the bit.
TEST(PathPointListTest, BoundsOfBezierPiecesFollowThePlainRule) {
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const float odd[] = {0.0f, -0.0f, INFINITY, -INFINITY, NAN, 1e30f, -1e-30f};
  for (int round = 0; round < 200; ++round) {
    ReferenceBounds ref;
    CPathPointList list;
    const float scale = std::ldexp(1.0f, int(next() % 40) - 20);
    auto coord = [&] {
      if (round % 10 == 9 && next() % 16 == 0) return odd[next() % 7];
      return (float(next() % 20001) - 10000.0f) * scale;
    };
    for (int c = 0, contours = 1 + int(next() % 4); c < contours; ++c) {
      std::vector<PathPoint> pts{{coord(), coord(), 0x11}};
      for (int k = 0, pieces = 1 + int(next() % 12); k < pieces; ++k) {
        if (next() % 3 == 0) {
          pts.push_back({coord(), coord(), 0x01});
        } else {
          pts.push_back({coord(), coord(), 0x00});
          pts.push_back({coord(), coord(), 0x00});
          pts.push_back({coord(), coord(), 0x01});
        }
      }
      pts.back().flags = 0x41;
      for (const PathPoint& p : pts) {
        ref.Add(p);
        list.AddPoint(p);
      }
    }
    list.EndPoints();
    ASSERT_EQ(list.hasBounds, ref.has) << round;
    const float got[4] = {list.bounds.left, list.bounds.top, list.bounds.right, list.bounds.bottom};
    const float want[4] = {ref.b.left, ref.b.top, ref.b.right, ref.b.bottom};
    EXPECT_EQ(std::memcmp(got, want, sizeof got), 0) << round;
  }
}

// A third by multiplication is the float division's third, to the bit: every
// exponent with many significands, zeros, subnormals, the largest values.
TEST(PathPointListTest, ThirdsAreTheDivisionsThirds) {
  auto bits = [](float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
  };
  std::uint32_t seed = 99;
  std::vector<float> values = {0.0f, -0.0f, 1.0f, 3.0f, -3.0f, 1e-45f, -1e-45f, 1.1754942e-38f,
                               3.4028235e38f, -3.4028235e38f, INFINITY, -INFINITY};
  for (std::uint32_t e = 0; e < 255; ++e) {
    for (int k = 0; k < 4000; ++k) {
      seed = seed * 1664525u + 1013904223u;
      const std::uint32_t b = (seed & 0x80000000u) | (e << 23) | ((seed >> 4) & 0x7FFFFFu);
      float v;
      std::memcpy(&v, &b, sizeof v);
      values.push_back(v);
    }
  }
  for (float v : values) ASSERT_EQ(bits(ThirdOf(v)), bits(v / 3.0f)) << v;
  EXPECT_TRUE(std::isnan(ThirdOf(NAN)));
}

// The builder's list equals, byte for byte, the one built by AddPoint.
TEST(PathPointListTest, BuilderGivesTheListsOwnBlock) {
  auto line = [](int n) {
    std::vector<PathPoint> v;
    for (int i = 0; i < n; ++i) v.push_back({float(i), float(i % 7), std::uint8_t(i ? 0x01 : 0x11)});
    return v;
  };
  const PathPoint end{0, 0, PP_END};
  std::vector<PathPoint> curves = {{0, 0, 0x11},   {-10, 20, 0x00}, {30, 20, 0x00}, {20, 0, 0x01},
                                   {1, 2, PP_COLOR}, {25, -9, 0x00}, {40, 30, 0x00}, {5, 5, 0x41},
                                   {3, 3, 0x11},   {3, 3, 0x01},    {9, -4, 0x21},  end};
  std::vector<PathPoint> twoEnds = line(7);
  twoEnds.push_back(end);
  for (const PathPoint& p : line(60)) twoEnds.push_back(p);
  std::vector<PathPoint> endedThenMore = twoEnds;
  twoEnds.push_back(end);
  auto ended = [&](std::vector<PathPoint> v) {
    v.push_back(end);
    return v;
  };
  const std::vector<std::vector<PathPoint>> cases = {
      {},        ended(line(7)), line(100),     line(101),     ended(line(150)),
      ended(line(151)), curves, twoEnds, endedThenMore, ended(line(1000))};
  auto bytes = [](const CPathPointList& l) {
    std::vector<std::uint8_t> b;
    if (!l.points) return b;
    plat::GlobalLockGuard g(l.points);
    b.assign(g.bytes(), g.bytes() + g.size());
    return b;
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    CPathPointList plain, built;
    for (const PathPoint& p : cases[k]) plain.AddPoint(p);
    {
      CPathPointBuilder b(built);
      for (const PathPoint& p : cases[k]) b.AddPoint(p);
      EXPECT_EQ(b.count(), plain.count) << k;
    }
    EXPECT_EQ(built.count, plain.count) << k;
    EXPECT_EQ(built.capacity, plain.capacity) << k;
    EXPECT_EQ(built.hasBounds, plain.hasBounds) << k;
    EXPECT_EQ(built.bounds, plain.bounds) << k;
    EXPECT_EQ(bytes(built), bytes(plain)) << k;
  }
  // A list that has a block already goes on through its own AddPoint.
  CPathPointList plain, built;
  for (CPathPointList* l : {&plain, &built}) l->AddPoint(1, 1, 0x11);
  {
    CPathPointBuilder b(built);
    for (const PathPoint& p : curves) {
      plain.AddPoint(p);
      b.AddPoint(p);
    }
  }
  EXPECT_EQ(built.capacity, plain.capacity);
  EXPECT_EQ(built.bounds, plain.bounds);
  EXPECT_EQ(bytes(built), bytes(plain));
}

TEST(PathPointListTest, Bounds) {
  // A node at the origin is a node like any other.
  auto origin = Build({{0, 0, 0x11}, {5, 5, 0x21}});
  EXPECT_TRUE(origin->hasBounds);
  EXPECT_EQ(origin->bounds, CFRect(0, 0, 5, 5));
  CPathPointList empty;
  EXPECT_FALSE(empty.hasBounds);
  EXPECT_EQ(empty.bounds, CFRect());

  // Special records never widen the bounds.
  auto flat = Build({{50, 50, 0x81}, {2, 3, 0x11}, {-9, -9, 0x91}, {6, 1, 0x21}}, false);
  EXPECT_EQ(flat->bounds, CFRect(2, 1, 6, 3));

  // A bulging Bezier widens by the sampled curve, not by its control points.
  auto bulge = Build({{0, 0, 0x11}, {0, 10, 0x00}, {10, 10, 0x00}, {10, 0, 0x21}});
  EXPECT_EQ(bulge->bounds.left, 0.0f);
  EXPECT_EQ(bulge->bounds.right, 10.0f);
  EXPECT_EQ(bulge->bounds.top, 0.0f);
  EXPECT_NEAR(bulge->bounds.bottom, 7.5f, 1e-3);
  EXPECT_LT(bulge->bounds.bottom, 7.5f + 1e-6);

  // A node after a control point near the start has no three records before it.
  auto early = Build({{0, 30, 0x00}, {0, 30, 0x00}, {4, 4, 0x01}, {8, 8, 0x01}}, false);
  EXPECT_EQ(early->bounds, CFRect(4, 4, 8, 8));
  // Nor does the node at index 2 after a start and one control point: the
  // piece would begin before the block.
  auto second = Build({{0, 0, 0x11}, {0, 30, 0x00}, {4, 4, 0x01}}, false);
  EXPECT_EQ(second->bounds, CFRect(0, 0, 4, 4));
}

TEST(PathPointListTest, EditingTheTail) {
  auto list = Build({{1, 1, 0x11}, {2, 1, 0x01}, {2, 2, 0x01}}, false);
  list->CloseSubpath();
  Expect(Records(*list), {{1, 1, 0x11}, {2, 1, 0x01}, {2, 2, 0x01}, {1, 1, 0x41}});
  CPathPointList none;
  none.AddPoint(3, 3, 0x01);
  none.CloseSubpath();
  EXPECT_EQ(none.count, 1);

  list->EndPoints();
  list->AppendPoint({0, 0, 0xFF});
  EXPECT_EQ(list->count, 6);
  list->RemoveEndRecords();
  EXPECT_EQ(list->count, 4);
  list->AppendPoint({9, 9, 0x81});
  list->EndPoints();
  list->ReopenLastSubpath();
  Expect(Records(*list), {{1, 1, 0x11}, {2, 1, 0x01}, {2, 2, 0x01}, {1, 1, 0x01}});
  // Record 0 is never removed.
  auto only = Build({}, true);
  only->RemoveEndRecords();
  EXPECT_EQ(only->count, 1);
}

TEST(PathPointListTest, TransformsArePending) {
  auto list = Build({{0, 0, 0x11}, {4, 0, 0x00}, {4, 2, 0x00}, {2, 2, 0x21}});
  CMatrix3 scale(2, 0, 0, 3, 1, 1);
  list->Transform(&scale);
  list->Transform(nullptr);
  EXPECT_EQ(list->matrix, scale);
  EXPECT_EQ(+Records(*list)[1].x, 4.0f);  // points untouched
  auto clone = list->Clone(&scale);
  EXPECT_EQ(clone->matrix, CMatrix3(4, 0, 0, 9, 3, 4));
  EXPECT_NE(clone->points, list->points);
  list->ApplyTransform();
  EXPECT_TRUE(list->matrix.IsIdentity());
  Expect(Records(*list),
         {{1, 1, 0x11}, {9, 1, 0x00}, {9, 7, 0x00}, {5, 7, 0x21}, {0, 0, 0xFF}});
  EXPECT_EQ(list->bounds, CFRect(1, 1, 9, 7));  // control points count here
  CPathPointList empty;
  EXPECT_EQ(empty.Clone(), nullptr);
}

TEST(PathPointListTest, AppendList) {
  auto a = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  auto b = Build({{5, 5, 0x11}, {6, 6, 0x41}});
  b->AppendPoint({0, 0, 0xFF});  // a run of end records
  CMatrix3 shift(1, 0, 0, 1, 10, 0);
  b->Transform(&shift);
  a->AppendList(b.get());
  Expect(Records(*a), {{0, 0, 0x11}, {1, 0, 0x21}, {15, 5, 0x11}, {16, 6, 0x41}, {0, 0, 0xFF}});
  EXPECT_EQ(a->count, 5);
  EXPECT_EQ(a->capacity, 7);
  EXPECT_EQ(a->bounds, CFRect(0, 0, 16, 6));
  EXPECT_TRUE(b->matrix.IsIdentity());
  EXPECT_EQ(b->count, 4);

  CPathPointList empty;
  empty.AppendList(b.get());
  EXPECT_EQ(empty.count, b->count);
  EXPECT_EQ(empty.capacity, b->capacity);
  EXPECT_EQ(empty.bounds, b->bounds);
  EXPECT_NE(empty.points, b->points);

  // A list still being built keeps its points.
  auto open = Build({{0, 0, 0x11}, {1, 1, 0x01}}, false);
  open->AppendList(b.get());
  Expect(Records(*open), {{0, 0, 0x11}, {1, 1, 0x01}, {15, 5, 0x11}, {16, 6, 0x41}, {0, 0, 0xFF}});
  open->AppendList(nullptr);
  CPathPointList nothing;
  open->AppendList(&nothing);
  EXPECT_EQ(open->count, 5);

  auto target = Build({{0, 0, 0x11}, {1, 0, 0x01}}, false);
  EXPECT_EQ(AppendContinuation(*target, *b), 5);
  Expect(Records(*target), {{0, 0, 0x11}, {1, 0, 0x01}, {15, 5, 0x01}, {16, 6, 0x41}, {0, 0, 0xFF}});
}

TEST(PathPointListTest, ReverseSubpaths) {
  struct Case {
    std::vector<PathPoint> in, out;
  } cases[] = {
      {{{1, 0, 0x11}, {2, 0, 0x01}, {3, 0, 0x41}}, {{3, 0, 0x11}, {2, 0, 0x01}, {1, 0, 0x41}}},
      // Control points stay between their nodes; the selection bit of the old end is dropped.
      {{{0, 0, 0x11}, {1, 1, 0x00}, {2, 1, 0x00}, {3, 0, 0x29}},
       {{3, 0, 0x11}, {2, 1, 0x00}, {1, 1, 0x00}, {0, 0, 0x21}}},
      // Colour records stay in front of their sub-path.
      {{{255, 0, 0x81}, {0, 0, 0x11}, {1, 0, 0x21}, {0, 255, 0x81}, {5, 5, 0x11}, {6, 6, 0x09},
        {7, 7, 0x41}},
       {{255, 0, 0x81}, {1, 0, 0x11}, {0, 0, 0x21}, {0, 255, 0x81}, {7, 7, 0x11}, {6, 6, 0x09},
        {5, 5, 0x41}}},
      // Without an end mark the reversed run ends open.
      {{{0, 0, 0x11}, {1, 0, 0x01}}, {{1, 0, 0x11}, {0, 0, 0x21}}},
  };
  for (const auto& c : cases) {
    auto list = Build({}, false);
    for (const auto& p : c.in) list->AppendPoint(p);
    list->EndPoints();
    auto rev = list->ReverseSubpaths();
    auto want = c.out;
    want.push_back({0, 0, 0xFF});
    Expect(Records(*rev), want);
  }
}

// A path record as the list writes it, for n records (the end record last).
std::vector<std::uint8_t> RecordOf(const CPathPointList& list) {
  plat::HGLOBAL h = 0;
  std::uint32_t len = list.SaveToRecord(&h);
  std::vector<std::uint8_t> out;
  if (!h) return out;
  plat::GlobalLockGuard g(h);
  out.assign(g.bytes(), g.bytes() + g.size());
  EXPECT_EQ(out.size(), len + 9u);
  plat::GlobalFree(h);
  return out;
}

TEST(PathPointListTest, SaveToRecord) {
  plat::HGLOBAL h = 123;
  auto one = Build({{0, 0, 0x11}});
  EXPECT_EQ(one->SaveToRecord(&h), 0u);  // fewer than two records before the end
  EXPECT_EQ(h, 0u);
  auto two = Build({{0, 0, 0x11}, {5, 5, 0x21}});
  EXPECT_EQ(two->SaveToRecord(&h), 69u + 27);  // a two-node line is written
  plat::GlobalFree(h);
  auto three = Build({{0, 0, 0x11}, {5, 5, 0x01}, {5, 0, 0x21}});
  EXPECT_EQ(three->SaveToRecord(&h), 69u + 36);
  plat::GlobalFree(h);

  auto four = Build({{0, 0, 0x11}, {1, 2, 0x00}, {3, 4, 0x00}, {5, 0, 0x21}});
  CMatrix3 m(2, 0, 0, 2, 7, 8);
  four->Transform(&m);
  std::vector<std::uint8_t> rec = RecordOf(*four);
  ASSERT_EQ(rec.size(), 78u + 45);
  EXPECT_EQ(rec[0], '#');
  std::uint32_t len;
  std::memcpy(&len, &rec[1], 4);
  EXPECT_EQ(len, 114u);
  EXPECT_EQ(rec[5], 128);
  EXPECT_EQ(rec[6] | rec[7], 0);
  CFRect bounds;
  std::memcpy(&bounds, &rec[8], 16);
  EXPECT_EQ(bounds, four->bounds);
  CMatrix3 stored;
  std::memcpy(&stored, &rec[24], 36);
  EXPECT_EQ(stored, m);
  EXPECT_EQ(rec[60] | rec[61] | rec[62] | rec[63], 0);
  std::uint32_t n;
  std::memcpy(&n, &rec[64], 4);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(rec[68 + 4 * 9 + 8], 0xFF);
  EXPECT_EQ(rec[68 + 45], 0xF1);
  EXPECT_EQ(rec[69 + 45], 0xFF);

  // Byte-for-byte round trip.
  auto back = CPathPointList::CreateFromRecord(rec.data(), rec.size());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->count, 5);
  EXPECT_EQ(back->capacity, 5);
  EXPECT_EQ(plat::GlobalSize(back->points), 7u * 9);
  EXPECT_EQ(back->matrix, m);
  EXPECT_EQ(RecordOf(*back), rec);
  // Points can be appended again within the block.
  back->RemoveEndRecords();
  back->AddPoint(9, 9, 0x01);
  back->AddPoint(9, 9, 0x01);
  EXPECT_EQ(back->count, 6);

  // From the block itself.
  plat::HGLOBAL blk = plat::GlobalAlloc(plat::GHND, rec.size());
  {
    plat::GlobalLockGuard g(blk);
    std::memcpy(g.bytes(), rec.data(), rec.size());
  }
  auto fromBlock = CPathPointList::CreateFromRecord(blk);
  ASSERT_NE(fromBlock, nullptr);
  EXPECT_EQ(RecordOf(*fromBlock), rec);
  plat::GlobalFree(blk);
  EXPECT_EQ(CPathPointList::CreateFromRecord(plat::HGLOBAL(0)), nullptr);
}

TEST(PathPointListTest, CreateFromRecordRefusesBadRecords) {
  auto four = Build({{0, 0, 0x11}, {1, 2, 0x00}, {3, 4, 0x00}, {5, 0, 0x21}});
  const std::vector<std::uint8_t> good = RecordOf(*four);
  auto put32 = [](std::vector<std::uint8_t>& r, std::size_t at, std::uint32_t v) {
    std::memcpy(&r[at], &v, 4);
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> rec;
  };
  std::vector<Case> cases;
  {
    auto r = good;
    r[0] = '$';
    cases.push_back({"letter", r});
  }
  {
    auto r = good;
    put32(r, 64, 0);
    cases.push_back({"no records", r});
  }
  {
    auto r = good;
    put32(r, 64, 6);
    cases.push_back({"more records than the length holds", r});
  }
  {
    auto r = good;
    put32(r, 64, 0x40000000);
    cases.push_back({"huge count", r});
  }
  {
    auto r = good;
    put32(r, 1, 0xFFFFFFF0u);
    put32(r, 64, 0x1C71C71Bu);
    cases.push_back({"length beyond the block", r});
  }
  {
    auto r = good;
    put32(r, 1, 60);
    cases.push_back({"length below the header", r});
  }
  {
    auto r = good;
    r[68 + 4 * 9 + 8] = 0x41;
    cases.push_back({"no end record", r});
  }
  {
    auto r = good;
    put32(r, 64, 4);
    cases.push_back({"count short of the end record", r});
  }
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    if (cut >= 114) break;  // from the length on the record is whole
    cases.push_back({"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + cut)});
  }
  for (const auto& c : cases) {
    // An exactly sized heap copy, so the sanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[c.rec.size() + (c.rec.empty() ? 1 : 0)]);
    if (!c.rec.empty()) std::memcpy(buf.get(), c.rec.data(), c.rec.size());
    EXPECT_EQ(CPathPointList::CreateFromRecord(buf.get(), c.rec.size()), nullptr)
        << c.what << " " << c.rec.size();
  }
  EXPECT_EQ(CPathPointList::CreateFromRecord(nullptr, 100), nullptr);
  // A longer length than needed is fine as long as it lies within the block.
  auto r = good;
  r.resize(good.size() + 18);
  put32(r, 1, 114 + 18);
  EXPECT_NE(CPathPointList::CreateFromRecord(r.data(), r.size()), nullptr);
}

TEST(PathPointListTest, HitTest) {
  auto list = Build({{0, 0, 0x81}, {0, 0, 0x11}, {10, 0, 0x01}, {10, 4, 0x00}, {0, 4, 0x00},
                     {0, 10, 0x21}, {50, 50, 0x11}, {60, 50, 0x21}});
  struct Case {
    float x, y;
    bool hit;
  } cases[] = {
      {5, 0.5f, true},    // first segment, after a colour record
      {5, 2, false},
      {7.5f, 3.5f, true},  // on the Bezier piece
      {10, 12, false},
      {55, 50.2f, true},
      {30, 30, false},
  };
  for (const auto& c : cases) EXPECT_EQ(list->HitTest(c.x, c.y, 1.0f), c.hit) << c.x << "," << c.y;
  CPathPointList empty;
  EXPECT_FALSE(empty.HitTest(0, 0, 1));
}

TEST(PathPointListTest, ArcPointList) {
  auto quarter = MakeArcPointList(0, 0, 10, 10, 0, 1.5707963f);
  auto q = Records(*quarter);
  ASSERT_EQ(q.size(), 5u);
  EXPECT_EQ(+q[0].x, 10.0f);
  EXPECT_EQ(+q[0].y, 5.0f);
  EXPECT_EQ(+q[0].flags, 0x11);
  EXPECT_EQ(+q[1].flags, 0x00);
  EXPECT_EQ(+q[1].x, 10.0f);
  EXPECT_EQ(+q[2].flags, 0x00);
  EXPECT_EQ(+q[2].y, 0.0f);
  EXPECT_NEAR(q[3].x, 5.0f, 1e-6);  // cos of the f32 quarter angle is not 0
  EXPECT_EQ(+q[3].y, 0.0f);
  EXPECT_EQ(+q[3].flags, 0x21);
  EXPECT_EQ(+q[4].flags, 0xFF);

  struct Case {
    float start, end;
    int pieces;
  } cases[] = {{0, 6.2831852f, 4}, {0.3f, 2.0f, 2}, {-1.0f, 1.0f, 2}, {5.0f, 1.0f, 2},
               {1.5707963f, 3.1415926f, 1}};
  for (const auto& c : cases) {
    auto arc = MakeArcPointList(0, 0, 20, 10, c.start, c.end);
    auto r = Records(*arc);
    ASSERT_EQ(int(r.size()), 1 + 3 * c.pieces + 1) << c.start;
    EXPECT_NEAR(r[0].x, 10 + 10 * std::cos(c.start), 1e-4);
    EXPECT_NEAR(r[0].y, 5 - 5 * std::sin(c.start), 1e-4);
    EXPECT_EQ(+r[0].flags, 0x11);
    const PathPoint& last = r[r.size() - 2];
    EXPECT_NEAR(last.x, 10 + 10 * std::cos(c.end), 1e-4);
    EXPECT_NEAR(last.y, 5 - 5 * std::sin(c.end), 1e-4);
    EXPECT_EQ(+last.flags, 0x21);
    // Every node lies on the ellipse.
    for (std::size_t i = 3; i + 1 < r.size(); i += 3) {
      float ex = (r[i].x - 10) / 10, ey = (r[i].y - 5) / 5;
      EXPECT_NEAR(ex * ex + ey * ey, 1.0f, 1e-4) << i;
    }
  }
  // Non-finite angles give an empty list rather than a hang.
  auto bad = MakeArcPointList(0, 0, 10, 10, NAN, INFINITY);
  EXPECT_EQ(bad->count, 1);
  auto wide = MakeArcPointList(0, 0, 10, 10, 0, 1e30f);
  EXPECT_GT(wide->count, 1);
}

}  // namespace

#include "model/tests/geometry_canvas.h"

namespace {

using Calls = std::vector<std::string>;

PathPoint Color(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  PathPoint p{0, 0, 0x81};
  std::uint8_t bytes[9] = {r, g, b, 0, 0, 0, 0, 0, 0x81};
  std::memcpy(&p, bytes, 9);
  return p;
}

// Every byte of a record changed in turn, and the tail cut at every length:
// what is accepted stays within its block when walked, drawn and saved again.
TEST(PathPointDrawTest, CorruptRecordsAreWalkedWithinTheirBlocks) {
  auto list = Build({{0x81, 0, 0x81}, {0, 0, 0x11}, {1, 2, 0x00}, {3, 4, 0x00}, {5, 0, 0x01},
                     {9, 9, 0x41}});
  const std::vector<std::uint8_t> good = RecordOf(*list);
  ASSERT_FALSE(good.empty());
  GeometryCanvas canvas(16, 16);
  int accepted = 0;
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (std::uint8_t v : {std::uint8_t(0x00), std::uint8_t(0x7F), std::uint8_t(0x80),
                           std::uint8_t(0xFF)}) {
      std::vector<std::uint8_t> r = good;
      r[at] = v;
      for (std::size_t size : {r.size(), std::size_t(at + 1)}) {
        std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[size]);
        std::memcpy(buf.get(), r.data(), size);
        auto back = CPathPointList::CreateFromRecord(buf.get(), size);
        if (!back) continue;
        ++accepted;
        canvas.dc.ClearRecording();
        back->HitTest(2, 2, 1);
        const plat::RECT clip{0, 0, 8, 8};
        back->DrawOutline(&canvas.dc);
        back->DrawOutline(&canvas.dc, &clip);
        back->FillPath(&canvas.dc);
        back->ApplyTransform();
        plat::HGLOBAL h = 0;
        if (back->SaveToRecord(&h)) plat::GlobalFree(h);
        back->RemoveEndRecords();
        back->AddPoint(1, 1, 0x01);
        back->EndPoints();
      }
    }
  }
  EXPECT_GT(accepted, 0);
}

TEST(PathPointDrawTest, OutlineCalls) {
  struct Case {
    const char* what;
    std::vector<PathPoint> pts;
    Calls calls;
  } cases[] = {
      {"lines and a curve",
       {{1, 1, 0x11}, {10, 1, 0x01}, {10.9f, 1.5f, 0x01}, {10, 5, 0x00}, {5, 10, 0x00},
        {1, 10, 0x21}},
       {"BeginPath", "MoveTo 1,1", "LineTo 10,1", "PolyBezierTo 10,5 5,10 1,10", "EndPath",
        "StrokePath"}},
      {"a Bezier 1 wide and 1 high is a line, one that collapses is nothing",
       {{3, 3, 0x11}, {3.5f, 4, 0x00}, {4, 3, 0x00}, {4, 4, 0x01}, {4.2f, 4, 0x00},
        {4.9f, 4.9f, 0x00}, {4, 4, 0x21}},
       {"BeginPath", "MoveTo 3,3", "LineTo 4,4", "EndPath", "StrokePath"}},
      {"special records are stepped over, control points read back by their node",
       {{0, 0, 0x90}, {2, 2, 0x11}, {7, 7, 0xA0}, {8, 2, 0x41}},
       {"BeginPath", "MoveTo 2,2", "LineTo 8,2", "EndPath", "StrokePath"}},
  };
  for (const auto& c : cases) {
    GeometryCanvas cv(32, 32);
    auto list = Build(c.pts);
    list->DrawOutline(&cv.dc);
    EXPECT_EQ(cv.Calls(), c.calls) << c.what;
  }
  GeometryCanvas cv(32, 32);
  CPathPointList empty;
  empty.DrawOutline(&cv.dc);
  EXPECT_EQ(empty.FillPath(&cv.dc), 0);
  empty.DrawFilled(&cv.dc);
  EXPECT_TRUE(cv.Calls().empty());
  auto list = Build({{1, 1, 0x11}, {5, 5, 0x21}});
  list->DrawOutline(nullptr);
}

TEST(PathPointDrawTest, PendingMatrixAndCount) {
  GeometryCanvas cv(64, 64);
  auto list = Build({{1.7f, 1, 0x11}, {10.2f, 1, 0x01}, {10, 9.6f, 0x21}});
  CMatrix3 shift(1, 0, 0, 1, 0.5f, -1.4f);
  list->Transform(&shift);
  list->DrawOutline(&cv.dc);
  EXPECT_EQ(cv.Calls(),
            (Calls{"BeginPath", "MoveTo 2,0", "LineTo 10,0", "LineTo 10,8", "EndPath", "StrokePath"}));
  cv.dc.ClearRecording();
  CMatrix3 twice(2, 0, 0, 2, 0, 0);
  list->count = 2;  // DrawOutlineWith stops after count records
  list->DrawOutlineWith(&cv.dc, &twice);
  EXPECT_EQ(cv.Calls(), (Calls{"BeginPath", "MoveTo 4,0", "LineTo 21,0", "EndPath", "StrokePath"}));
  list->count = 4;
}

TEST(PathPointDrawTest, ClipDrivesMoves) {
  GeometryCanvas cv(64, 64);
  auto list = Build({{30, 30, 0x11},   // outside: no move
                     {40, 40, 0x01},   // misses the clip: pen up
                     {10, 10, 0x01},   // meets: move to the current point first
                     {15, 15, 0x01},   // pen down: line only
                     {50, 15, 0x01},
                     {60, 60, 0x01},   // misses
                     {5, 5, 0x01},
                     {5, 5, 0x01},     // equal to the current point: nothing
                     {50, 5, 0x01},
                     {40, 40, 0x00}, {40, 50, 0x00}, {45, 45, 0x01},  // curve box misses
                     {2, 2, 0x21}});
  plat::RECT clip{0, 0, 20, 20};
  list->DrawOutline(&cv.dc, &clip);
  EXPECT_EQ(cv.Calls(), (Calls{"BeginPath", "MoveTo 40,40", "LineTo 10,10", "LineTo 15,15",
                               "LineTo 50,15", "MoveTo 60,60", "LineTo 5,5", "LineTo 50,5", "MoveTo 45,45",
                               "LineTo 2,2", "EndPath", "StrokePath"}));
  // A start inside the clip moves at once; a segment touching the clip within
  // one unit still counts.
  cv.dc.ClearRecording();
  auto inside = Build({{3, 3, 0x11}, {3, 8, 0x01}, {20, 8, 0x11}, {20, 30, 0x21}});
  inside->DrawOutline(&cv.dc, &clip);
  EXPECT_EQ(cv.Calls(), (Calls{"BeginPath", "MoveTo 3,3", "LineTo 3,8", "MoveTo 20,8",
                               "LineTo 20,30", "EndPath", "StrokePath"}));
}

TEST(PathPointDrawTest, ColourRecordsAreRestoredAndDeleted) {
  GeometryCanvas cv(32, 32);
  const plat::HPEN pen = cv.dc.GetCurrentPen();
  const plat::HBRUSH brush = cv.dc.GetCurrentBrush();
  const std::size_t objects = plat::GdiObjectCount();
  auto list = Build({Color(255, 0, 0), {2, 2, 0x11}, {20, 2, 0x21}, Color(0, 0, 255),
                     {2, 10, 0x11}, {20, 10, 0x21}});
  list->DrawOutline(&cv.dc);
  const auto& calls = cv.dc.Recorded();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[2].op, "LineTo");
  EXPECT_EQ(calls[2].penColor, plat::RGB(255, 0, 0));
  EXPECT_EQ(calls[4].penColor, plat::RGB(0, 0, 255));
  EXPECT_EQ(calls[6].op, "StrokePath");
  EXPECT_EQ(calls[6].penColor, plat::RGB(0, 0, 255));
  EXPECT_EQ(cv.dc.GetCurrentPen(), pen);
  EXPECT_EQ(plat::GdiObjectCount(), objects);
  EXPECT_EQ(cv.dc.GetPixel(10, 10), plat::RGB(0, 0, 255));

  cv.dc.ClearRecording();
  auto square = Build({Color(0, 200, 0), {4, 4, 0x11}, {28, 4, 0x01}, {28, 28, 0x01},
                       {4, 28, 0x41}});
  EXPECT_NE(square->FillPath(&cv.dc), 0);
  const plat::DcCall& last = cv.dc.Recorded().back();
  EXPECT_EQ(last.op, "StrokeAndFillPath");
  EXPECT_EQ(last.penColor, plat::RGB(0, 200, 0));
  EXPECT_EQ(last.brushColor, plat::RGB(0, 200, 0));
  EXPECT_EQ(last.brushStyle, plat::BS_SOLID);
  EXPECT_EQ(cv.dc.GetCurrentPen(), pen);
  EXPECT_EQ(cv.dc.GetCurrentBrush(), brush);
  EXPECT_EQ(plat::GdiObjectCount(), objects);
  EXPECT_EQ(cv.dc.GetPixel(16, 16), plat::RGB(0, 200, 0));
  EXPECT_EQ(cv.dc.GetPixel(30, 30), plat::RGB(255, 255, 255));
}

TEST(PathPointDrawTest, FillCallsAndPixels) {
  GeometryCanvas cv(48, 48);
  auto shape = Build({{4, 4, 0x11}, {40, 4, 0x01}, {40, 4, 0x01}, {40, 20, 0x00}, {20, 40, 0x00},
                      {4, 40, 0x41}, {10, 10, 0x11}, {20, 10, 0x01}, {20, 20, 0x41}});
  EXPECT_NE(shape->FillPath(&cv.dc), 0);
  EXPECT_EQ(cv.Calls(), (Calls{"BeginPath", "MoveTo 4,4", "LineTo 40,4", "LineTo 40,4",
                               "PolyBezierTo 40,20 20,40 4,40", "CloseFigure", "MoveTo 10,10",
                               "LineTo 20,10", "LineTo 20,20", "CloseFigure", "EndPath",
                               "StrokeAndFillPath"}));
  // Default white brush, black pen: the outline is black on white.
  EXPECT_TRUE(cv.Black(20, 4));
  EXPECT_TRUE(cv.Black(4, 20));
  EXPECT_FALSE(cv.Black(30, 10));

  GeometryCanvas px(48, 48);
  auto outline = Build({{4, 4, 0x11}, {40, 4, 0x01}, {40, 40, 0x01}, {4, 40, 0x01}, {4, 4, 0x41}});
  outline->Draw(&px.dc);  // filled drawing
  EXPECT_TRUE(px.Black(20, 4));
  EXPECT_TRUE(px.Black(40, 20));
  EXPECT_FALSE(px.Black(20, 20));
  GeometryCanvas stroke(48, 48);
  outline->DrawOutline(&stroke.dc);
  EXPECT_TRUE(stroke.Black(4, 20));
  EXPECT_TRUE(stroke.Black(20, 40));
  EXPECT_FALSE(stroke.Black(20, 20));
  EXPECT_GT(stroke.CountNonWhite(), 4 * 30);
}

}  // namespace
