#include <gtest/gtest.h>

#include <cmath>

#include "model/bezier.h"
#include "model/pathobject.h"
#include "model/tests/node_fixtures.h"
#include "platform/report.h"

using namespace nodetest;

namespace {

int SelectedFlags(const CPathObject& p) {
  int n = 0;
  for (const PathPoint& r : RecordsOf(p))
    if (r.flags < 0x80 && (r.flags & PP_SELECTED)) ++n;
  return n;
}

}  // namespace

// --- Hit tests ---------------------------------------------------------------

TEST_F(NodeEditTest, HitTestNodeKindsAndHandles) {
  CPathObject& p = Edit(BezierContour());
  int kind = -1;
  EXPECT_EQ(p.HitTestNode(&view, 10.5f, 0.5f, kind), -1);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(p.HitTestNode(&view, 30.5f, 1.0f, kind), 3);
  EXPECT_EQ(kind, NODE_HIT_UNSELECTED);
  // The start is found before the closed end lying on it.
  EXPECT_EQ(p.HitTestNode(&view, 0.0f, 0.0f, kind), 0);

  // With one node selected its handles win over anything beneath them.
  p.SelectNode(3, &view);
  EXPECT_EQ(p.HitTestNode(&view, 30.0f, 0.0f, kind), 3);
  EXPECT_EQ(kind, NODE_HIT_SELECTED);
  EXPECT_EQ(p.HitTestNode(&view, 30.0f, 30.0f, kind), 2);
  EXPECT_EQ(kind, NODE_HIT_SECOND_HANDLE);
  EXPECT_EQ(p.HitTestNode(&view, 1.0f, 29.0f, kind), 1);
  EXPECT_EQ(kind, NODE_HIT_FIRST_HANDLE);

  // A handle lying on another node: the handle wins.
  CPathObject& q = Edit({{0, 0, 0x11}, {10, 0, 0x00}, {20, 0, 0x00}, {20, 0, 0x21}});
  q.SelectNode(3, &view);
  EXPECT_EQ(q.HitTestNode(&view, 20.0f, 0.0f, kind), 2);
  EXPECT_EQ(kind, NODE_HIT_SECOND_HANDLE);
}

TEST_F(NodeEditTest, ClosedEndSelectsItsStart) {
  CPathObject& p = Edit(Square());
  p.SelectNode(4, &view);
  EXPECT_EQ(+RecordsOf(p)[0].flags, 0x19);
  EXPECT_EQ(+RecordsOf(p)[4].flags, 0x41);
  EXPECT_EQ(p.selectedCount, 1);
  EXPECT_EQ(p.currentNode, 0);
  // Selecting it again changes nothing.
  p.SelectNode(4, &view);
  p.SelectNode(0, &view);
  EXPECT_EQ(p.selectedCount, 1);
}

TEST_F(NodeEditTest, HitTestSegmentLineCurveAndMiss) {
  CPathObject& p = Edit(BezierContour());
  EXPECT_EQ(p.HitTestSegment(&view, 15.0f, 15.0f), 0);
  EXPECT_LT(p.hitParam, 0.0f);
  // The curve's point at t = 0.5 is (15, 22.5).
  EXPECT_EQ(p.HitTestSegment(&view, 15.0f, 22.5f), HIT_CURVE);
  EXPECT_EQ(p.currentNode, 3);
  EXPECT_NEAR(p.hitParam, 0.5f, 0.02f);
  EXPECT_EQ(p.HitTestSegment(&view, 15.0f, 0.5f), HIT_LINE);
  EXPECT_EQ(p.currentNode, 4);
  EXPECT_NEAR(p.hitParam, 0.5f, 0.001f);
  EXPECT_EQ(p.contourStart, 0);
}

// --- Selection and its marks -------------------------------------------------

TEST_F(NodeEditTest, ClickSelectsAndUndoRestoresSelectionAndMarks) {
  const auto blank = view.Pixels();
  CPathObject& p = Edit(Square());
  Click(0, 10, 0);
  EXPECT_EQ(SelectedFlags(p), 1);
  EXPECT_EQ(p.selectedCount, 1);
  Click(MK_SHIFT, 10, 10);
  EXPECT_EQ(SelectedFlags(p), 2);
  // A click on nothing clears the selection; its marks turn hollow again.
  const auto before = BlockBytes(p);
  Click(0, 50, 50);
  EXPECT_EQ(SelectedFlags(p), 0);
  EXPECT_EQ(p.selectedCount, 0);
  // Erasing the marks of the unselected path leaves the window blank.
  {
    plat::DC* dc = view.GetDC();
    p.DrawNodeMarks(dc, view.GetViewMatrix());
  }
  EXPECT_EQ(view.Pixels(), blank);
  {
    plat::DC* dc = view.GetDC();
    p.DrawNodeMarks(dc, view.GetViewMatrix());
  }
  // Undo of the clearing click.
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
  EXPECT_EQ(p.selectedCount, 2);
}

TEST_F(NodeEditTest, BandSelectsNodesInside) {
  CPathObject& p = Edit(TwoContours());
  Drag(0, -5, -5, 12, 12);
  EXPECT_EQ(SelectedFlags(p), 2);
  EXPECT_EQ(p.currentNode, 0);
  // The closed end is not selectable on its own.
  p.ClearNodeSelection(&view, 1);
  p.SelectNodesInRect(-1, 19, 1, 21, &view);
  const Recs r = RecordsOf(p);
  EXPECT_EQ(+r[2].flags, 0x19);
  EXPECT_EQ(+r[5].flags, 0x41);
}

TEST_F(NodeEditTest, EndNodeEditClearsWithUndo) {
  CPathObject& p = Edit(Polyline());
  p.SelectNode(1, &view);
  p.SelectNode(2, &view);
  const auto before = BlockBytes(p);
  Command([&] { p.EndEdit(&view); });
  EXPECT_EQ(p.editMode, 0u);
  EXPECT_EQ(SelectedFlags(p), 0);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
  EXPECT_EQ(p.selectedCount, 2);
}

// --- Drags ------------------------------------------------------------------

TEST_F(NodeEditTest, NodeDragMovesHandlesAndUndoes) {
  CPathObject& p = Edit(BezierContour());
  const auto before = BlockBytes(p);
  // Select the start, then drag it: its outgoing handle and the closed end
  // with its incoming handle come along.
  Click(0, 0, 0);
  const auto selected = BlockBytes(p);
  Drag(0, 0, 0, 4, -8);
  const Recs r = RecordsOf(p);
  EXPECT_RECS(Recs(r.begin(), r.begin() + 5),
              (Recs{{4, -8, 0x19}, {4, 22, 0x00}, {30, 30, 0x00}, {30, 0, 0x01}, {4, -8, 0x41}}));
  EXPECT_EQ(p.bounds.top, -8.0f);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), selected);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
}

TEST_F(NodeEditTest, ShiftDragSnapsByThirds) {
  struct Case {
    float pointerX;
    float want;
  };
  // Neighbours of node 1 at x = 0 and x = 30 (a = 10).
  const Case cases[] = {{5, 0}, {9.5f, 0}, {10, 15}, {19, 15}, {20, 15}, {21, 30}, {40, 30}};
  for (const Case& c : cases) {
    CPathObject& p = Edit({{0, 0, 0x11}, {12, 0, 0x01}, {30, 0, 0x21}});
    p.SelectNode(1, &view);
    ObjectDrag().last = CFPoint{c.pointerX, 0};
    p.MoveSelectedNodes(0.5f, 0.0f, MK_SHIFT);
    EXPECT_EQ(+RecordsOf(p)[1].x, c.want) << c.pointerX;
  }
  // An open end has no next node: it moves without snapping.
  CPathObject& q = Edit(Polyline());
  q.SelectNode(3, &view);
  ObjectDrag().last = CFPoint{100, 0};
  q.MoveSelectedNodes(1.0f, 2.0f, MK_SHIFT);
  EXPECT_EQ(+RecordsOf(q)[3].x, 31.0f);
  EXPECT_EQ(+RecordsOf(q)[3].y, 2.0f);
}

TEST_F(NodeEditTest, HandleDragWithShiftTurnsTheOppositeHandle) {
  CPathObject& p = Edit({{0, 0, 0x11}, {0, 10, 0x00}, {10, 10, 0x00}, {10, 0, 0x01},
                         {10, -10, 0x00}, {20, -10, 0x00}, {20, 0, 0x21}});
  p.SelectNode(3, &view);
  const auto before = BlockBytes(p);
  // Drag the incoming handle (10, 10) to (0, 10) with Shift: the outgoing
  // one (length 10) turns to point away from it.
  Command([&] { p.OnLButtonDown(&view, MK_LBUTTON | MK_SHIFT, 10, 10); });
  p.OnMouseMove(&view, MK_LBUTTON | MK_SHIFT, 0, 10);
  p.OnLButtonUp(&view, MK_SHIFT, 0, 10);
  const Recs r = RecordsOf(p);
  EXPECT_EQ(+r[2].x, 0.0f);
  EXPECT_EQ(+r[2].y, 10.0f);
  EXPECT_NEAR(+r[4].x, 10.0f + 10.0f * std::sqrt(0.5f), 1e-4);
  EXPECT_NEAR(+r[4].y, -10.0f * std::sqrt(0.5f), 1e-4);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
}

TEST_F(NodeEditTest, SegmentDrags) {
  // A Bezier dragged at t = 0.25 moves its second control point by a third
  // of the pointer's movement.
  CPathObject& p = Edit(BezierContour());
  p.currentNode = 3;
  p.hitParam = 0.25f;
  p.hitKind = HIT_CURVE;
  p.DragSegment(3.0f, 6.0f, 0);
  Recs r = RecordsOf(p);
  EXPECT_FLOAT_EQ(+r[2].x, 31.0f);
  EXPECT_FLOAT_EQ(+r[2].y, 32.0f);
  // ... and the curve's point at t moved by the pointer's movement.
  CBezierSegment before{{0, 0}, {0, 30}, {30, 30}, {30, 0}, {}};
  CBezierSegment after{{+r[0].x, +r[0].y}, {+r[1].x, +r[1].y}, {+r[2].x, +r[2].y}, {+r[3].x, +r[3].y}, {}};
  CFPoint a, b;
  before.PointAt(0.25f, a);
  after.PointAt(0.25f, b);
  EXPECT_NEAR(b.x - a.x, 3.0f, 1e-4);
  EXPECT_NEAR(b.y - a.y, 6.0f, 1e-4);

  // t = 1.0 is a hit; the drag stays finite.
  for (float t : {0.0f, 1.0f}) {
    CPathObject& q = Edit(BezierContour());
    q.currentNode = 3;
    q.hitParam = t;
    q.DragSegment(5.0f, 5.0f, 0);
    for (const PathPoint& rec : RecordsOf(q)) {
      EXPECT_TRUE(std::isfinite(rec.x));
      EXPECT_TRUE(std::isfinite(rec.y));
    }
  }

  // A line segment: both nodes, and the closed end with its start.
  CPathObject& s = Edit(Square());
  s.currentNode = 1;
  s.hitParam = 0.5f;
  s.DragSegment(1.0f, 2.0f, 0);
  EXPECT_RECS(Body(s), (Recs{{1, 2, 0x11}, {11, 2, 0x01}, {10, 10, 0x01}, {0, 10, 0x01}, {1, 2, 0x41}}));
}

TEST_F(NodeEditTest, SegmentDragThroughTheMouseUndoes) {
  CPathObject& p = Edit(BezierContour());
  const auto before = BlockBytes(p);
  Command([&] { p.OnLButtonDown(&view, MK_LBUTTON, 15.0f, 22.5f); });
  EXPECT_EQ(ObjectDrag().dragKind, DRAG_CURVE_SEGMENT);
  p.OnMouseMove(&view, MK_LBUTTON, 16.0f, 24.5f);
  p.OnLButtonUp(&view, 0, 16.0f, 24.5f);
  EXPECT_NE(BlockBytes(p), before);
  view.undo.UndoLastStep(view);
  const Recs r = RecordsOf(p);
  const Recs want = BezierContour();
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(r[i].x, want[i].x, 1e-4);
    EXPECT_NEAR(r[i].y, want[i].y, 1e-4);
  }
}

TEST_F(NodeEditTest, ContourDragWithControl) {
  CPathObject& p = Edit(TwoContours());
  Drag(MK_CONTROL, 5, 0, 7, 3);
  EXPECT_RECS(Body(p), (Recs{{2, 3, 0x11}, {12, 3, 0x29}, {0, 20, 0x11}, {10, 20, 0x01},
                             {10, 30, 0x01}, {0, 20, 0x41}}));
  view.undo.UndoLastStep(view);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x29}, {0, 20, 0x11}, {10, 20, 0x01},
                             {10, 30, 0x01}, {0, 20, 0x41}}));
}

TEST_F(NodeEditTest, DroppingAnOpenEndOnAnotherJoinsWithABeep) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  CPathObject& p = Edit({{0, 0, 0x11}, {10, 0, 0x21}, {20, 0, 0x11}, {30, 0, 0x21}});
  Click(0, 10, 0);
  Drag(0, 10, 0, 20, 0);
  EXPECT_EQ(sink.beeps.size(), 1u);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {20, 0, 0x09}, {30, 0, 0x21}}));
}

// --- Keys -------------------------------------------------------------------

TEST_F(NodeEditTest, KeysNudgeByTheViewScale) {
  struct Case {
    std::uint32_t key;
    std::uint32_t modifiers;
    float dx, dy;
  };
  view.unitsPerPixel = 0.5;
  const Case cases[] = {
      {fw::VK_PRIOR, 0, 0, -5}, {fw::VK_NEXT, 0, 0, 5},   {fw::VK_END, 0, 5, 0},
      {fw::VK_HOME, 0, -5, 0},  {fw::VK_LEFT, 0, -0.5f, 0}, {fw::VK_UP, 0, 0, -0.5f},
      {fw::VK_RIGHT, 0, 0.5f, 0}, {fw::VK_DOWN, 0, 0, 0.5f},
  };
  for (const Case& c : cases) {
    CPathObject& p = Edit(Polyline());
    p.SelectNode(1, &view);
    const auto before = BlockBytes(p);
    EXPECT_EQ(p.OnKeyDownNode(&view, c.key, c.modifiers), 1);
    EXPECT_EQ(+RecordsOf(p)[1].x, 10 + c.dx) << c.key;
    EXPECT_EQ(+RecordsOf(p)[1].y, c.dy) << c.key;
    EXPECT_EQ(+RecordsOf(p)[2].x, 20.0f);
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before);
  }
  // Control moves whole contours, Shift aligns.
  CPathObject& p = Edit(TwoContours());
  p.SelectNode(3, &view);
  p.OnKeyDownNode(&view, fw::VK_UP, 8);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x21}, {0, 19.5f, 0x11}, {10, 19.5f, 0x09},
                             {10, 29.5f, 0x01}, {0, 19.5f, 0x41}}));
  CPathObject& q = Edit({{0, 0, 0x11}, {10, 4, 0x01}, {20, 8, 0x21}});
  q.SelectNode(0, &view);
  q.SelectNode(2, &view);
  q.OnKeyDownNode(&view, fw::VK_LEFT, 4);
  EXPECT_RECS(Body(q), (Recs{{10, 0, 0x19}, {10, 4, 0x01}, {10, 8, 0x29}}));
  EXPECT_EQ(q.OnKeyDownNode(&view, 'A', 0), 0);
  // Without a selection a key moves nothing and records nothing.
  CPathObject& r = Edit(Polyline());
  view.undo.DeleteAll();
  EXPECT_EQ(r.OnKeyDownNode(&view, fw::VK_UP, 0), 1);
  EXPECT_RECS(Body(r), Polyline());
  EXPECT_EQ(view.undo.GetSize(), 0);
}

TEST_F(NodeEditTest, CharactersPostCommands) {
  CPathObject& p = Edit(Square());
  struct Case {
    std::uint32_t ch;
    std::uint32_t command;
  };
  for (const Case& c : {Case{'a', ID_TOOL_EXTEND}, Case{'C', ID_CONTOUR_TO_CIRCLE},
                        Case{'d', ID_DELETE_CONTOUR}, Case{'F', ID_CONTOUR_TO_RECT},
                        Case{'h', ID_TOOL_REPLACE_CURVE}}) {
    view.posted.clear();
    EXPECT_EQ(p.OnChar(&view, c.ch, 0), 1);
    ASSERT_EQ(view.posted.size(), 1u);
    EXPECT_EQ(view.posted[0], c.command);
  }
  EXPECT_EQ(p.OnChar(&view, 'z', 0), 0);
  // In the extend tool a character first returns to the node tool.
  view.tool = ID_TOOL_EXTEND;
  p.OnChar(&view, 'z', 0);
  ASSERT_EQ(view.sent.size(), 1u);
  EXPECT_EQ(view.sent[0], ID_TOOL_NODE);
}

TEST_F(NodeEditTest, EditModeHooks) {
  CPathObject& p = Edit(Square());
  ASSERT_FALSE(app.frame.toolModes.empty());
  EXPECT_EQ(app.frame.toolModes.back(), ID_TOOL_NODE);
  EXPECT_EQ(p.CanDeleteInEdit(&view), 0);
  p.SelectNode(1, &view);
  EXPECT_EQ(p.CanDeleteInEdit(&view), 1);
  EXPECT_EQ(p.IsCommandEnabled(&view, ID_TOOL_EXTEND), 1);
  EXPECT_EQ(p.IsCommandEnabled(&view, ID_TOOL_NODE), 0);
  EXPECT_EQ(p.DoCommand(&view, ID_TOOL_NODE), 0);
}

// Nodes whose device position lands at the ends of the integer range (huge,
// infinite or NaN coordinates, or a matrix that sends them there) draw their
// marks without wrapping: the sanitizer build stops on any overflow.
TEST_F(NodeEditTest, MarksOfNodesAtTheDeviceRangeEnds) {
  const float inf = INFINITY, nan = NAN;
  CPathObject& p = Edit({{1e30f, -1e30f, 0x11}, {inf, 5, 0x00}, {-inf, nan, 0x00}, {2.2e9f, -2.2e9f, 0x01},
                         {10, 10, 0x01}, {1e30f, -1e30f, 0x41}});
  for (int i = 0; i < 5; ++i) p.SelectNode(i, &view);
  const CMatrix3 far(1e30f, 0.0f, 0.0f, -1e30f, 1e30f, -1e30f);
  const CMatrix3* matrices[] = {view.GetViewMatrix(), &far, nullptr};
  for (const CMatrix3* m : matrices) {
    plat::DC* dc = view.GetDC();
    p.DrawNodeMarks(dc, m);
    p.DrawNodeMarks(dc, m);
  }
  SUCCEED();
}
