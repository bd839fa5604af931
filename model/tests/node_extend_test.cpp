#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/pathobject.h"
#include "model/tests/node_fixtures.h"
#include "platform/report.h"

using namespace nodetest;

namespace {

class ExtendTest : public NodeEditTest {
 protected:
  void Start(CPathObject& p) {
    view.tool = ID_TOOL_EXTEND;
    Command([&] { p.DoCommand(&view, ID_TOOL_EXTEND); });
  }
  void Down(float x, float y) {
    path->OnLButtonDown(&view, MK_LBUTTON, x, y);
    path->OnMouseMove(&view, 0, x + 1, y + 1);
    path->OnLButtonUp(&view, 0, x, y);
  }
};

}  // namespace

TEST_F(ExtendTest, ThreeClicksAddACurveFromAnOpenEnd) {
  CPathObject& p = Edit(Polyline());
  p.SelectNode(3, &view);
  const auto before = BlockBytes(p);
  Start(p);
  EXPECT_EQ(ObjectDrag().pointIndex, 1u);
  EXPECT_EQ(ObjectDrag().dragKind, DRAG_EXTEND_LINE);
  Down(40, 10);
  EXPECT_EQ(ObjectDrag().dragKind, DRAG_EXTEND_CURVE);
  Down(50, 10);
  Down(60, 0);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x01},
                             {40, 10, 0x00}, {50, 10, 0x00}, {60, 0, 0x29}}));
  EXPECT_EQ(p.currentNode, 6);
  EXPECT_EQ(p.selectedCount, 1);
  // The next segment starts at the new end.
  EXPECT_EQ(ObjectDrag().pointIndex, 1u);
  EXPECT_EQ(ObjectDrag().dragPoints[0], (CFPoint{60, 0}));
  // One undo takes the segment back, selection included.
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
}

TEST_F(ExtendTest, DoubleClickAddsALineAndStartsExtendBackwards) {
  CPathObject& p = Edit(Polyline());
  p.SelectNode(0, &view);
  Start(p);
  Down(-10, 5);
  p.OnLButtonDblClk(&view, 0, -10, 5);
  EXPECT_RECS(Body(p), (Recs{{-10, 5, 0x19}, {0, 0, 0x01}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x21}}));
  // A curve drawn from a start comes first, control points reversed.
  Down(-20, 10);
  Down(-30, 10);
  Down(-40, 5);
  const Recs r = Body(p);
  ASSERT_GE(r.size(), 5u);
  EXPECT_RECS(Recs(r.begin(), r.begin() + 5),
              (Recs{{-40, 5, 0x19}, {-30, 10, 0x00}, {-20, 10, 0x00}, {-10, 5, 0x01}, {0, 0, 0x01}}));
}

TEST_F(ExtendTest, MeetingTheOtherEndClosesWithABeep) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  view.unitsPerPixel = 0.0001;  // no node snapping: the pointer's own point
  CPathObject& p = Edit({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}});
  p.SelectNode(2, &view);
  Start(p);
  Down(0.0005f, 0.0f);
  p.OnLButtonDblClk(&view, 0, 0.0005f, 0.0f);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0.0005f, 0, 0x41}}));
  EXPECT_EQ(sink.beeps.size(), 1u);
  EXPECT_EQ(p.selectedCount, 0);
  // Nothing selected any more: the tool waits for a new contour.
  EXPECT_EQ(ObjectDrag().pointIndex, 0u);
}

TEST_F(ExtendTest, NewContourInAnEmptyPath) {
  path = std::make_unique<CPathObject>();
  CPathObject& p = *path;
  p.BeginNodeEdit(&view);
  Start(p);
  EXPECT_EQ(ObjectDrag().pointIndex, 0u);
  Down(1, 1);
  Down(5, 5);
  p.OnLButtonDblClk(&view, 0, 5, 5);
  EXPECT_RECS(RecordsOf(p), (Recs{{1, 1, 0x11}, {5, 5, 0x29}, {0, 0, 0xFF}}));
  EXPECT_EQ(p.selectedCount, 1);
  // From an interior node the next segment is a new contour too.
  CPathObject& q = Edit(Polyline());
  q.SelectNode(1, &view);
  Start(q);
  EXPECT_EQ(q.selectedCount, 0);
  Down(0, 9);
  Down(5, 9);
  q.OnLButtonDblClk(&view, 0, 5, 9);
  EXPECT_RECS(Body(q), (Recs{{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x21},
                             {0, 9, 0x11}, {5, 9, 0x29}}));
}

TEST_F(ExtendTest, RightClickStepsBack) {
  CPathObject& p = Edit(Polyline());
  p.SelectNode(3, &view);
  Start(p);
  Down(40, 10);
  Down(50, 10);
  ASSERT_EQ(ObjectDrag().pointIndex, 3u);
  EXPECT_EQ(p.OnRButtonUp(&view, 0, 50, 10), 1);
  EXPECT_EQ(ObjectDrag().pointIndex, 2u);
  p.OnRButtonUp(&view, 0, 50, 10);
  EXPECT_EQ(ObjectDrag().pointIndex, 1u);
  EXPECT_EQ(ObjectDrag().dragKind, DRAG_EXTEND_LINE);
  EXPECT_EQ(ObjectDrag().start, (CFPoint{30, 0}));
  p.OnRButtonUp(&view, 0, 50, 10);
  EXPECT_EQ(ObjectDrag().pointIndex, 0u);
  EXPECT_EQ(view.tool, ID_TOOL_NODE);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x29}}));
}

TEST_F(ExtendTest, PointsCoincide) {
  EXPECT_TRUE(PointsCoincide({1, 1}, {1.0009f, 0.9991f}));
  EXPECT_FALSE(PointsCoincide({1, 1}, {1.0011f, 1}));
  EXPECT_FALSE(PointsCoincide({1, 1}, {1, 1.0011f}));
}

// Paths with any flag sequence go through every command and tool without
// reading or writing outside their block.
TEST_F(NodeEditTest, RandomFlagSequencesThroughEveryCommandAndTool) {
  std::mt19937 rng(20261210);
  const std::uint8_t flagPool[] = {0x00, 0x01, 0x08, 0x09, 0x11, 0x19, 0x21, 0x29, 0x31, 0x41,
                                   0x49, 0x51, 0x61, 0x71, 0x81, 0x90, 0xC1, 0xFF, 0x10, 0x20};
  const std::uint32_t tools[] = {ID_TOOL_NODE,        ID_TOOL_EXTEND,      ID_TOOL_MOVE_CONTOUR,
                                 ID_TOOL_NODE_INSERT, ID_TOOL_NODE_DELETE, ID_TOOL_NODE_BREAK,
                                 ID_TOOL_TO_CURVE,    ID_TOOL_TO_LINE,     ID_TOOL_REPLACE_CURVE};
  auto coord = [&] { return float(int(rng() % 7) * 5); };
  for (int round = 0; round < 10000; ++round) {
    const int n = 1 + int(rng() % 9);
    auto p = std::make_unique<CPathObject>();
    p->capacity = 0;
    p->points = plat::GlobalAlloc(plat::GHND, std::size_t(n + int(rng() % 3)) * 9);
    {
      plat::GlobalLockGuard g(p->points);
      auto* r = g.as<PathPoint>();
      for (int i = 0; i < n; ++i) {
        const std::uint8_t f = rng() % 4 == 0 ? std::uint8_t(rng()) : flagPool[rng() % std::size(flagPool)];
        const PathPoint rec{coord(), coord(), f};
        std::memcpy(&r[i], &rec, 9);
      }
    }
    // Counts that may lie about the block.
    p->count = rng() % 5 == 0 ? n + int(rng() % 20) : n;
    p->capacity = int(rng() % 40) - 5;
    p->selectedCount = int(rng() % 4);
    p->currentNode = int(rng() % 30) - 10;
    p->contourStart = int(rng() % 30) - 10;
    path = std::move(p);
    CPathObject& q = *path;
    q.BeginNodeEdit(&view);
    view.undo.DeleteAll();
    for (int step = 0; step < 6; ++step) {
      view.tool = tools[rng() % std::size(tools)];
      const float x = coord(), y = coord();
      const std::uint32_t fl = (rng() % 3 == 0 ? MK_SHIFT : 0) | (rng() % 3 == 0 ? MK_CONTROL : 0);
      view.undo.StartRecord(0);
      switch (rng() % 22) {
        case 0: q.OnLButtonDown(&view, fl | MK_LBUTTON, x, y); break;
        case 1: q.OnMouseMove(&view, fl | MK_LBUTTON, x, y); break;
        case 2: q.OnLButtonUp(&view, fl, x, y); break;
        case 3: q.OnLButtonDblClk(&view, fl, x, y); break;
        case 4: q.OnRButtonDown(&view, fl, x, y); break;
        case 5: q.OnRButtonUp(&view, fl, x, y); break;
        case 6: q.OnKeyDownNode(&view, 33 + rng() % 8, (rng() % 3) * 4); break;
        case 7: q.OnChar(&view, " +-aAcdfh"[rng() % 9], 0); break;
        case 8: q.SelectNode(int(rng() % 14) - 2, &view); break;
        case 9: q.InsertNode(&view); break;
        case 10: q.DeleteSelectedNodes(&view); break;
        case 11: q.BreakAtNode(&view); break;
        case 12: q.JoinNodes(&view); break;
        case 13: q.ToggleSegmentKind(&view); break;
        case 14: q.DeleteSelectedContours(&view, nullptr); break;
        case 15: q.ReplaceContoursWithCircle(&view); break;
        case 16: q.ReplaceContoursWithRectangle(&view); break;
        case 17:
          if (q.BeginReplaceNodesWithCurve(&view)) q.ReplaceNodesWithCurve(&view);
          break;
        case 18: q.DoCommand(&view, ID_TOOL_EXTEND); break;
        case 19: q.HitTestSegment(&view, x, y); q.DragSegment(1, 2, fl); break;
        case 20: q.DragHandle(1, 1, rng() % 2 ? DRAG_NEXT_HANDLE : DRAG_PREV_HANDLE, fl); break;
        default: q.RunNodeCommand(reinterpret_cast<std::intptr_t>(&view), " CDFH!(%"[rng() % 8], 0, 0); break;
      }
      view.undo.EndRecord();
      if (rng() % 4 == 0) view.undo.UndoLastStep(view);
    }
    q.EndEdit(&view);
    view.undo.DeleteAll();
    ObjectDrag() = ObjectDragState{};
    view.tool = ID_TOOL_NODE;
  }
}
