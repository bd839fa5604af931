#include "output/clip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"

namespace {

std::unique_ptr<CPathObject> MakePath(const std::vector<PathPoint>& pts) {
  auto p = std::make_unique<CPathObject>();
  for (const PathPoint& r : pts) p->AddPoint(r);
  p->EndPoints();
  return p;
}

// "x,y:flags" per record, the end record left out.
std::string Dump(const CPathObject* p) {
  if (!p) return "null";
  std::string s;
  pathrec::Records r(p->points);
  for (std::size_t i = 0; i < std::size_t(p->count) && i < r.n; ++i) {
    if (r.p[i].flags == PP_END) break;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g,%g:%02x ", r.p[i].x, r.p[i].y, r.p[i].flags);
    s += buf;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

std::string Clip(const std::vector<PathPoint>& pts, float l = 0, float t = 0, float r = 10,
                 float b = 10) {
  CCutOutputServices clip;
  auto src = MakePath(pts);
  auto out = clip.ClipPathObject(*src, l, t, r, b);
  return Dump(out.get());
}

}  // namespace

TEST(ClipSegmentTest, Table) {
  struct Case {
    CFPoint p, q;
    int result;
    CFPoint wp, wq;
  } cases[] = {
      {{2, 2}, {8, 8}, 1, {2, 2}, {8, 8}},           // inside
      {{-5, 5}, {5, 5}, 1, {0, 5}, {5, 5}},          // from the left
      {{5, 5}, {15, 5}, 1, {5, 5}, {10, 5}},         // out on the right
      {{5, -5}, {5, 15}, 1, {5, 0}, {5, 10}},        // through top and bottom
      {{-1, 5}, {5, -1}, 1, {0, 4}, {4, 0}},         // across a corner
      {{-1, 0.5f}, {0.5f, -1}, 0, {-1, 0.5f}, {0.5f, -1}},  // past a corner
      {{-5, -5}, {-1, -1}, 0, {-5, -5}, {-1, -1}},   // wholly outside
      {{-5, 5}, {-2, 5}, 0, {-5, 5}, {-2, 5}},       // toward the edge, never reaching it
      {{0, 0}, {10, 10}, 1, {0, 0}, {10, 10}},       // edges count as inside
      // Crosses the left edge exactly at the bottom: that edge's span excludes
      // its lower end, so the bottom edge gives the crossing.
      {{-2, 12}, {2, 8}, 1, {0, 10}, {2, 8}},
  };
  for (const Case& c : cases) {
    CFPoint p = c.p, q = c.q;
    EXPECT_EQ(ClipSegmentToRect(p, q, 0, 0, 10, 10), c.result) << c.p.x << "," << c.p.y;
    if (c.result) {
      EXPECT_FLOAT_EQ(p.x, c.wp.x);
      EXPECT_FLOAT_EQ(p.y, c.wp.y);
      EXPECT_FLOAT_EQ(q.x, c.wq.x);
      EXPECT_FLOAT_EQ(q.y, c.wq.y);
    }
  }
  // Hostile coordinates: an answer, no crash.
  for (CFPoint bad : {CFPoint{NAN, 5}, CFPoint{1e30f, -1e30f}, CFPoint{INFINITY, 5}}) {
    CFPoint p = bad, q{5, 5};
    ClipSegmentToRect(p, q, 0, 0, 10, 10);
  }
}

TEST(ClipPathTest, WhollyInsideAndOutside) {
  // A copy with the same points; a closed contour inside keeps its closed end.
  EXPECT_EQ(Clip({{1, 1, 0x11}, {9, 1, 0x01}, {9, 9, 0x01}, {1, 1, 0x41}}),
            "1,1:11 9,1:01 9,9:01 1,1:41");
  EXPECT_EQ(Clip({{20, 20, 0x11}, {30, 20, 0x01}, {30, 30, 0x41}}), "null");
  // Colour records pass unchanged.
  EXPECT_EQ(Clip({{0, 0, 0x81}, {1, 1, 0x11}, {9, 1, 0x21}}), "0,0:81 1,1:11 9,1:21");
}

TEST(ClipPathTest, PiecesOfAClosedOutlineAreOpen) {
  // A square crossing the right edge: x 5..15.
  EXPECT_EQ(Clip({{5, 2, 0x11}, {15, 2, 0x01}, {15, 8, 0x01}, {5, 8, 0x01}, {5, 2, 0x41}}),
            // leaves at (10,2); comes back at (10,8) as a new piece; its contour ends open
            "5,2:11 10,2:21 10,8:11 5,8:01 5,2:21");
  // Starting outside: the inside run starts with 0x11 and ends where it leaves.
  EXPECT_EQ(Clip({{-5, 5, 0x11}, {5, 5, 0x01}, {5, 15, 0x01}, {-5, 15, 0x01}, {-5, 5, 0x41}}),
            "0,5:11 5,5:01 5,10:21");
  // A segment through the window from outside to outside.
  EXPECT_EQ(Clip({{-5, 5, 0x11}, {15, 5, 0x21}}), "0,5:11 10,5:21");
  // Corner crossings.
  EXPECT_EQ(Clip({{-1, 5, 0x11}, {5, -1, 0x01}, {20, 20, 0x41}}), "0,4:11 4,0:21 5.71429,0:11 10,6:21");
  // An open contour keeps its open end; a selected node its selection bit.
  EXPECT_EQ(Clip({{2, 2, 0x19}, {8, 2, 0x09}, {20, 2, 0x21}}), "2,2:19 8,2:09 10,2:21");
}

TEST(ClipPathTest, BezierPieces) {
  // Wholly inside: the records as they are.
  EXPECT_EQ(Clip({{1, 1, 0x11}, {3, 5, 0x00}, {6, 5, 0x00}, {8, 1, 0x21}}),
            "1,1:11 3,5:00 6,5:00 8,1:21");
  // Leaves over the top edge and comes back: two pieces, the first continuing
  // the contour from its previous node.
  std::string s = Clip({{1, 5, 0x11}, {2, 5, 0x01}, {2, -10, 0x00}, {8, -10, 0x00}, {8, 5, 0x01},
                        {1, 5, 0x41}});
  EXPECT_EQ(s.rfind("1,5:11 2,5:01 2,3.09017:00 ", 0), 0u) << s;
  std::size_t n = 0;
  for (std::size_t pos = s.find(":11"); pos != std::string::npos; pos = s.find(":11", pos + 1)) ++n;
  EXPECT_EQ(n, 2u) << s;
  EXPECT_EQ(s.substr(s.size() - 7), " 1,5:21") << s;  // the contour ends open
  EXPECT_EQ(s.find(":41"), std::string::npos) << s;
  // Control points outside, curve inside: one piece, still the whole contour.
  std::string whole =
      Clip({{1, 1, 0x11}, {9, 1, 0x01}, {10.2f, 3, 0x00}, {10.2f, 7, 0x00}, {9, 9, 0x01}, {1, 1, 0x41}});
  EXPECT_EQ(whole.find(":11", 6), std::string::npos) << whole;
  EXPECT_EQ(whole.substr(whole.size() - 6), "1,1:41") << whole;
}

TEST(ClipPathTest, HostileCoordinates) {
  for (float bad : {NAN, 1e30f, -1e30f, INFINITY}) {
    std::vector<PathPoint> pts = {{1, 1, 0x11}, {bad, 5, 0x01}, {5, bad, 0x00},
                                  {bad, bad, 0x00}, {9, 9, 0x01}, {1, 1, 0x41}};
    std::string s = Clip(pts);
    (void)s;
    Clip({{bad, bad, 0x11}, {5, 5, 0x01}, {bad, 1, 0x41}});
  }
  // Malformed runs: control points without a node, an end flag without a start.
  Clip({{1, 1, 0x00}, {2, 2, 0x00}, {3, 3, 0x41}, {4, 4, 0x01}, {5, 5, 0x00}});
  Clip({{1, 1, 0x41}});
}

TEST(ClipPathTest, InstalledForTheObjectList) {
  COutputServices* old = GetOutputServices();
  InstallOutputServices();
  CSegArray list;
  list.Add(MakePath({{5, 2, 0x11}, {15, 2, 0x01}, {15, 8, 0x01}, {5, 8, 0x01}, {5, 2, 0x41}}));
  list.Add(MakePath({{2, 2, 0x11}, {4, 2, 0x01}, {4, 4, 0x01}, {2, 2, 0x41}}));
  auto group = CSegArray::ClipObjectsToRect(list, 0, 0, 10, 10);
  ASSERT_TRUE(group);
  ASSERT_EQ(group->GetChildCount(), 2);
  EXPECT_EQ(Dump(static_cast<CPathObject*>(group->GetChild(0))), "5,2:11 10,2:21 10,8:11 5,8:01 5,2:21");
  SetOutputServices(old);
}
