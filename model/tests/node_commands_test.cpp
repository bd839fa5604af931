#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "model/pathobject.h"
#include "model/tests/node_fixtures.h"
#include "platform/report.h"

using namespace nodetest;

namespace {

using Select = std::vector<int>;

class NodeCommandsTest : public NodeEditTest {
 protected:
  CPathObject& With(const Recs& recs, const Select& selected) {
    CPathObject& p = Edit(recs);
    for (int i : selected) p.SelectNode(i, &view);
    return p;
  }
  void Hit(CPathObject& p, int endNode, float t, std::uint16_t kind) {
    p.currentNode = endNode;
    p.hitParam = t;
    p.hitKind = kind;
  }
};

}  // namespace

TEST_F(NodeCommandsTest, InsertRecordsTrustsOnlyTheBlock) {
  CPathObject& p = Edit(Polyline());
  // A restored state claiming more records and room than the block holds.
  p.count = 400;
  p.capacity = 1000;
  p.InsertRecords(250, 3);
  EXPECT_LE(std::size_t(p.count) + 2, p.BlockRecords());
  const Recs r = RecordsOf(p);
  EXPECT_RECS(Recs(r.begin(), r.begin() + 4), Polyline());
  // Inserted at the clamped index, after the spare records of the block.
  EXPECT_EQ(p.count, 11);
  EXPECT_EQ(+r[4].flags, 0xFF);
  EXPECT_EQ(+r[8].flags, 0x01);
}

TEST_F(NodeCommandsTest, InsertNodeOnALineAndABezier) {
  CPathObject& p = Edit(Square());
  ASSERT_EQ(p.HitTestSegment(&view, 5.0f, 0.5f), HIT_LINE);
  p.InsertNode(&view);
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {5, 0, 0x01}, {10, 0, 0x01}, {10, 10, 0x01},
                             {0, 10, 0x01}, {0, 0, 0x41}}));
  EXPECT_LT(p.hitParam, 0.0f);

  CPathObject& q = Edit(BezierContour());
  Hit(q, 3, 0.5f, HIT_CURVE);
  q.InsertNode(&view);
  EXPECT_RECS(Body(q), (Recs{{0, 0, 0x11}, {0, 15, 0x00}, {7.5f, 22.5f, 0x00}, {15, 22.5f, 0x01},
                             {22.5f, 22.5f, 0x00}, {30, 15, 0x00}, {30, 0, 0x01}, {0, 0, 0x41}}));
  // A hit kind that does not match the segment inserts nothing.
  CPathObject& s = Edit(Square());
  Hit(s, 1, 0.5f, HIT_CURVE);
  s.InsertNode(&view);
  EXPECT_RECS(Body(s), Square());
}

TEST_F(NodeCommandsTest, DeleteSelectedNodes) {
  struct Case {
    const char* name;
    Recs path;
    Select selected;
    Recs want;
  };
  const std::vector<Case> cases = {
      {"closed start", Square(), {0},
       {{10, 0, 0x11}, {10, 10, 0x01}, {0, 10, 0x01}, {10, 0, 0x41}}},
      {"closed interior", Square(), {2},
       {{0, 0, 0x11}, {10, 0, 0x01}, {0, 10, 0x01}, {0, 0, 0x41}}},
      {"open end", Polyline(), {3}, {{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x21}}},
      {"open start", Polyline(), {0}, {{10, 0, 0x11}, {20, 0, 0x01}, {30, 0, 0x21}}},
      {"all but one", Polyline(), {0, 1, 2}, {}},
      {"open start of three nodes", {{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x21}}, {0},
       {{10, 0, 0x11}, {20, 0, 0x21}}},
      {"untouched contour kept", TwoContours(), {3},
       {{0, 0, 0x11}, {10, 0, 0x21}, {0, 20, 0x11}, {10, 30, 0x01}, {0, 20, 0x41}}},
      {"curve after a removed node becomes a line",
       {{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x00}, {10, 5, 0x00}, {10, 0, 0x21}}, {1},
       {{0, 0, 0x11}, {10, 0, 0x21}}},
      {"kept curves keep their controls",
       {{0, 0, 0x11}, {0, 5, 0x00}, {5, 5, 0x00}, {5, 0, 0x01}, {9, 0, 0x01}, {10, 0, 0x21}}, {4},
       {{0, 0, 0x11}, {0, 5, 0x00}, {5, 5, 0x00}, {5, 0, 0x01}, {10, 0, 0x21}}},
      {"colour record dropped in a rebuilt contour", ColouredContour(), {1},
       {{0, 0, 0x11}, {20, 0, 0x01}, {30, 0, 0x21}}},
  };
  for (const Case& c : cases) {
    CPathObject& p = With(c.path, c.selected);
    const auto before = BlockBytes(p);
    Command([&] { p.DeleteSelectedNodes(&view); });
    EXPECT_RECS(Body(p), c.want) << c.name;
    EXPECT_EQ(p.selectedCount, 0) << c.name;
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before) << c.name;
    EXPECT_EQ(p.selectedCount, int(c.selected.size())) << c.name;
  }
  // Without a selection nothing happens and nothing is recorded.
  CPathObject& p = Edit(TwoContours());
  p.selectedCount = 3;
  Command([&] { p.DeleteSelectedNodes(&view); });
  EXPECT_RECS(Body(p), TwoContours());
}

TEST_F(NodeCommandsTest, BreakAtNode) {
  struct Case {
    const char* name;
    Recs path;
    int node;
    Recs want;  // empty: unchanged
  };
  const std::vector<Case> cases = {
      {"closed interior", Square(), 2,
       {{10, 10, 0x11}, {0, 10, 0x01}, {0, 0, 0x01}, {10, 0, 0x01}, {10, 10, 0x21}}},
      {"closed start", Square(), 0,
       {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 10, 0x01}, {0, 0, 0x21}}},
      {"open interior", Polyline(), 1,
       {{10, 0, 0x11}, {20, 0, 0x01}, {30, 0, 0x21}, {0, 0, 0x11}, {10, 0, 0x21}}},
      {"open start", Polyline(), 0, {}},
      {"open end", Polyline(), 3, {}},
      {"other contours follow", TwoContours(), 4,
       {{10, 30, 0x11}, {0, 20, 0x01}, {10, 20, 0x01}, {10, 30, 0x21}, {0, 0, 0x11}, {10, 0, 0x21}}},
  };
  for (const Case& c : cases) {
    CPathObject& p = With(c.path, {c.node});
    const auto before = BlockBytes(p);
    Command([&] { p.BreakAtNode(&view); });
    Recs want = c.want;
    if (want.empty()) {
      // Unchanged, the node still selected, nothing recorded.
      EXPECT_EQ(BlockBytes(p), before) << c.name;
      EXPECT_EQ(view.undo.GetSize(), 0) << c.name;
      continue;
    }
    EXPECT_RECS(Body(p), want) << c.name;
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before) << c.name;
  }
}

TEST_F(NodeCommandsTest, JoinNodes) {
  const Recs two = {{0, 0, 0x11}, {10, 0, 0x21}, {20, 0, 0x11}, {30, 0, 0x21}};
  struct Case {
    const char* name;
    Recs path;
    Select selected;
    int result;
    Recs want;
  };
  const std::vector<Case> cases = {
      {"end to end", two, {1, 3}, 1, {{0, 0, 0x11}, {10, 0, 0x09}, {30, 0, 0x01}, {20, 0, 0x21}}},
      {"start to start", two, {0, 2}, 1, {{10, 0, 0x11}, {0, 0, 0x01}, {20, 0, 0x09}, {30, 0, 0x21}}},
      {"end to start", two, {1, 2}, 1, {{0, 0, 0x11}, {10, 0, 0x09}, {20, 0, 0x09}, {30, 0, 0x21}}},
      {"start to end", two, {0, 3}, 1, {{20, 0, 0x11}, {30, 0, 0x09}, {0, 0, 0x09}, {10, 0, 0x21}}},
      {"same contour closes", Polyline(), {0, 3}, 1,
       {{0, 0, 0x19}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x09}, {0, 0, 0x41}}},
      {"merged within three pixels", {{0, 0, 0x11}, {10, 0, 0x21}, {12, 2, 0x11}, {30, 0, 0x21}},
       {1, 2}, 1, {{0, 0, 0x11}, {11, 1, 0x09}, {30, 0, 0x21}}},
      {"merged ends of one contour", {{0, 0, 0x11}, {10, 0, 0x01}, {1, 1, 0x21}}, {0, 2}, 1,
       {{0.5f, 0.5f, 0x19}, {10, 0, 0x01}, {0.5f, 0.5f, 0x41}}},
      {"other contours follow", {{5, 5, 0x11}, {6, 6, 0x21}, {0, 0, 0x11}, {10, 0, 0x21},
                                 {20, 0, 0x11}, {30, 0, 0x21}},
       {3, 4}, 1,
       {{0, 0, 0x11}, {10, 0, 0x09}, {20, 0, 0x09}, {30, 0, 0x21}, {5, 5, 0x11}, {6, 6, 0x21}}},
      {"interior node refused", Polyline(), {1, 3}, 0, {}},
  };
  for (const Case& c : cases) {
    CPathObject& p = With(c.path, c.selected);
    const auto before = BlockBytes(p);
    int result = -1;
    Command([&] { result = p.JoinNodes(&view); });
    EXPECT_EQ(result, c.result) << c.name;
    if (!c.result) {
      EXPECT_EQ(BlockBytes(p), before) << c.name;
      continue;
    }
    EXPECT_RECS(Body(p), c.want) << c.name;
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before) << c.name;
  }
  // A closed contour refuses; its start alone stays selected.
  CPathObject& p = With({{0, 0, 0x11}, {10, 0, 0x21}, {0, 5, 0x11}, {5, 5, 0x01}, {0, 5, 0x41}}, {1, 2});
  EXPECT_EQ(p.JoinNodes(&view), 0);
  EXPECT_EQ(p.selectedCount, 1);
  EXPECT_EQ(p.currentNode, 2);
  EXPECT_EQ(+RecordsOf(p)[1].flags, 0x21);
  EXPECT_EQ(+RecordsOf(p)[2].flags, 0x19);
}

TEST_F(NodeCommandsTest, LineAndCurveConversions) {
  CPathObject& p = Edit({{0, 0, 0x11}, {30, 0, 0x01}, {30, 30, 0x21}});
  const auto before = BlockBytes(p);
  Hit(p, 1, 0.5f, HIT_LINE);
  Command([&] { p.ToggleSegmentKind(&view); });
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x00}, {20, 0, 0x00}, {30, 0, 0x01}, {30, 30, 0x21}}));
  EXPECT_EQ(p.currentNode, 3);
  EXPECT_EQ(p.selectedCount, 1);
  EXPECT_LT(p.hitParam, 0.0f);
  const auto curve = BlockBytes(p);
  Hit(p, 3, 0.5f, HIT_CURVE);
  Command([&] { p.ToggleSegmentKind(&view); });
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {30, 0, 0x01}, {30, 30, 0x21}}));
  EXPECT_EQ(p.currentNode, 1);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), curve);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
  // Without a pending hit nothing changes.
  p.hitParam = -1.0f;
  p.SegmentToCurve(&view);
  p.SegmentToLine(&view);
  EXPECT_EQ(BlockBytes(p), before);
}

TEST_F(NodeCommandsTest, DeleteAndReplaceContours) {
  {
    CPathObject& p = With(TwoContours(), {0});
    CFRect removed;
    p.DeleteSelectedContours(&view, &removed);
    EXPECT_RECS(Body(p), (Recs{{0, 20, 0x11}, {10, 20, 0x01}, {10, 30, 0x01}, {0, 20, 0x41}}));
    EXPECT_EQ(removed, CFRect(0, 0, 10, 0));
  }
  {
    CPathObject& p = With(TwoContours(), {3});
    p.ReplaceContoursWithRectangle(&view);
    EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x21}, {0, 20, 0x11}, {10, 20, 0x01},
                               {10, 30, 0x01}, {0, 30, 0x01}, {0, 20, 0x41}}));
  }
  {
    CPathObject& p = With(Square(), {1});
    p.ReplaceContoursWithCircle(&view);
    const Recs r = Body(p);
    ASSERT_EQ(r.size(), 13u);
    const float k = 0.553f * 5.0f;
    EXPECT_RECS(Recs(r.begin(), r.begin() + 4),
                (Recs{{10, 5, 0x11}, {10, 5 + k, 0x00}, {5 + k, 10, 0x00}, {5, 10, 0x01}}));
    EXPECT_RECS(Recs(r.end() - 1, r.end()), (Recs{{10, 5, 0x41}}));
    EXPECT_EQ(p.bounds.left, 0.0f);
    EXPECT_EQ(p.bounds.bottom, 10.0f);
  }
  {
    // The box of a curve reaches past its nodes.
    CPathObject& p = Edit(BezierContour());
    CFRect box;
    p.GetContourBounds(0, &box);
    EXPECT_EQ(box.left, 0.0f);
    EXPECT_EQ(box.right, 30.0f);
    EXPECT_NEAR(box.bottom, 22.5f, 0.01f);
  }
}

TEST_F(NodeCommandsTest, ReplaceARunWithACurve) {
  struct Case {
    const char* name;
    Recs path;
    Select selected;
    Recs want;  // c marks the two control points at (100, 100) and (200, 200)
  };
  const std::vector<Case> cases = {
      {"open", Polyline(), {1, 2},
       {{0, 0, 0x11}, {100, 100, 0x00}, {200, 200, 0x00}, {30, 0, 0x21}}},
      {"closed interior", Square(), {1},
       {{0, 0, 0x11}, {100, 100, 0x00}, {200, 200, 0x00}, {10, 10, 0x01}, {0, 10, 0x01}, {0, 0, 0x41}}},
      {"closed around the start", Square(), {0, 3},
       {{10, 0, 0x11}, {10, 10, 0x01}, {100, 100, 0x00}, {200, 200, 0x00}, {10, 0, 0x41}}},
  };
  for (const Case& c : cases) {
    CPathObject& p = With(c.path, c.selected);
    const auto before = BlockBytes(p);
    view.tool = ID_TOOL_NODE;
    ASSERT_EQ(p.BeginReplaceNodesWithCurve(&view), 1) << c.name;
    EXPECT_EQ(ObjectDrag().dragKind, DRAG_REPLACE_CURVE);
    EXPECT_EQ(ObjectDrag().pointIndex, 1u);
    // Three releases in the tool place the two control points and build.
    view.tool = ID_TOOL_REPLACE_CURVE;
    for (CFPoint pt : {CFPoint{100, 100}, CFPoint{200, 200}, CFPoint{300, 300}}) {
      p.OnLButtonDown(&view, MK_LBUTTON, pt.x, pt.y);
      p.OnMouseMove(&view, MK_LBUTTON, pt.x, pt.y);
      Command([&] { p.OnLButtonUp(&view, 0, pt.x, pt.y); });
    }
    EXPECT_RECS(Body(p), c.want) << c.name;
    EXPECT_EQ(view.tool, ID_TOOL_NODE) << c.name;
    EXPECT_EQ(ObjectDrag().pointIndex, 0u);
    // A fourth move writes nowhere.
    p.OnMouseMove(&view, MK_LBUTTON, 1, 1);
    // Undo the build (and the tool switch recorded with it).
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before) << c.name;
  }
  // Every node selected: no unselected pair, no tool.
  CPathObject& p = With(Square(), {0, 1, 2, 3});
  EXPECT_EQ(p.BeginReplaceNodesWithCurve(&view), 0);
}

TEST_F(NodeCommandsTest, ToolClicks) {
  {
    // Node Insert tool.
    CPathObject& p = Edit(Square());
    view.tool = ID_TOOL_NODE_INSERT;
    Click(0, 5, 0);
    EXPECT_EQ(Body(p).size(), 6u);
  }
  {
    // Delete tool: a click on a node deletes it.
    CPathObject& p = Edit(Polyline());
    view.tool = ID_TOOL_NODE_DELETE;
    Click(0, 30, 0);
    EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x21}}));
    // ... and a band deletes the nodes inside it.
    Drag(0, -5, -5, 11, 1);
    EXPECT_TRUE(Body(p).empty());
  }
  {
    // Break tool: the node clicked breaks.
    CPathObject& p = Edit(Polyline());
    view.tool = ID_TOOL_NODE_BREAK;
    Click(0, 10, 0);
    EXPECT_RECS(Body(p), (Recs{{10, 0, 0x11}, {20, 0, 0x01}, {30, 0, 0x21}, {0, 0, 0x11}, {10, 0, 0x21}}));
  }
  {
    // Convert tools.
    CPathObject& p = Edit({{0, 0, 0x11}, {30, 0, 0x21}});
    view.tool = ID_TOOL_TO_CURVE;
    Click(0, 15, 0);
    EXPECT_EQ(Body(p).size(), 4u);
    view.tool = ID_TOOL_TO_LINE;
    Click(0, 15, 0);
    EXPECT_EQ(Body(p).size(), 2u);
  }
  {
    // Double click in the node tool: insert on a pending hit, else break.
    CPathObject& p = Edit(Polyline());
    view.tool = ID_TOOL_NODE;
    Click(0, 5, 0);
    p.OnLButtonDblClk(&view, 0, 5, 0);
    EXPECT_EQ(Body(p).size(), 5u);
    Click(0, 10, 0);
    Click(0, 20, 0);
    p.OnLButtonDblClk(&view, 0, 20, 0);
    EXPECT_EQ(+Body(p)[0].flags, 0x11);
    EXPECT_EQ(+Body(p)[0].x, 20.0f);
  }
  {
    // Control with the right button: a band deletes.
    CPathObject& p = Edit(Polyline());
    p.OnRButtonDown(&view, MK_CONTROL, -1, -1);
    p.OnMouseMove(&view, MK_CONTROL, 11, 1);
    EXPECT_EQ(p.OnRButtonUp(&view, MK_CONTROL, 11, 1), 1);
    EXPECT_RECS(Body(p), (Recs{{20, 0, 0x11}, {30, 0, 0x21}}));
    // A right click without a drag deletes the node under it.
    p.OnRButtonDown(&view, MK_CONTROL, 30, 0);
    EXPECT_EQ(p.OnRButtonUp(&view, MK_CONTROL, 30, 0), 1);
    EXPECT_TRUE(Body(p).empty());
    EXPECT_EQ(p.OnRButtonUp(&view, MK_SHIFT, 0, 0), 0);
  }
}

TEST_F(NodeCommandsTest, EveryCommandUndoesByteExact) {
  using Run = std::function<void(CPathObject&)>;
  struct Case {
    const char* name;
    Recs path;
    Select selected;
    Run run;
  };
  auto hit = [](int node, float t, std::uint16_t kind) {
    return [=](CPathObject& p) {
      p.currentNode = node;
      p.hitParam = t;
      p.hitKind = kind;
    };
  };
  const std::vector<Case> cases = {
      {"insert", BezierContour(), {0}, [&](CPathObject& p) { hit(3, 0.3f, HIT_CURVE)(p); p.InsertNode(&view); }},
      {"delete", TwoContours(), {0, 3}, [&](CPathObject& p) { p.DeleteSelectedNodes(&view); }},
      {"break", BezierContour(), {3}, [&](CPathObject& p) { p.BreakAtNode(&view); }},
      {"join", {{0, 0, 0x11}, {10, 0, 0x21}, {1, 2, 0x81}, {20, 0, 0x11}, {30, 0, 0x21}}, {1, 3},
       [&](CPathObject& p) { p.JoinNodes(&view); }},
      {"to curve", Polyline(), {2}, [&](CPathObject& p) { hit(1, 0.5f, HIT_LINE)(p); p.SegmentToCurve(&view); }},
      {"to line", BezierContour(), {}, [&](CPathObject& p) { hit(3, 0.5f, HIT_CURVE)(p); p.SegmentToLine(&view); }},
      {"delete contour", TwoContours(), {1}, [&](CPathObject& p) { p.DeleteSelectedContours(&view, nullptr); }},
      {"circle", ColouredContour(), {1}, [&](CPathObject& p) { p.ReplaceContoursWithCircle(&view); }},
      {"rectangle", BezierContour(), {3}, [&](CPathObject& p) { p.ReplaceContoursWithRectangle(&view); }},
      {"run", Square(), {2}, [&](CPathObject& p) {
         p.BeginReplaceNodesWithCurve(&view);
         p.ReplaceNodesWithCurve(&view);
       }},
      {"align", {{0, 0, 0x11}, {10, 4, 0x01}, {20, 8, 0x21}}, {0, 2}, [&](CPathObject& p) { p.OnKeyDownNode(&view, fw::VK_UP, 4); }},
      {"nudge", Polyline(), {1}, [&](CPathObject& p) { p.OnKeyDownNode(&view, fw::VK_PRIOR, 0); }},
  };
  for (const Case& c : cases) {
    CPathObject& p = With(c.path, c.selected);
    const auto before = BlockBytes(p);
    const PathEditState state = p.SaveEditState();
    const CFRect bounds = p.bounds;
    Command([&] { c.run(p); });
    EXPECT_NE(BlockBytes(p), before) << c.name;
    ASSERT_GE(view.undo.GetSize(), 1) << c.name;
    EXPECT_EQ(view.undo.GetStep(-1)->GetItem(0)->GetKind(), CUndoItem::kRepaintKind) << c.name;
    view.undo.UndoLastStep(view);
    EXPECT_EQ(BlockBytes(p), before) << c.name;
    EXPECT_EQ(p.count, state.count) << c.name;
    EXPECT_EQ(p.selectedCount, state.selectedCount) << c.name;
    EXPECT_EQ(p.bounds, bounds) << c.name;
  }
}

// Random selections and commands on well-formed paths: every result keeps its
// counts within its block and one Undo gives the block back byte for byte.
TEST_F(NodeCommandsTest, RandomCommandsOnWellFormedPathsUndoExactly) {
  std::mt19937 rng(77);
  const std::vector<Recs> fixtures = {Square(), Polyline(), TwoContours(), BezierContour(),
                                      ColouredContour()};
  for (int round = 0; round < 2000; ++round) {
    CPathObject& p = Edit(fixtures[rng() % fixtures.size()]);
    const int records = int(Body(p).size());
    for (int i = 0; i < records; ++i)
      if (rng() % 3 == 0) p.SelectNode(i, &view);
    if (rng() % 2) p.HitTestSegment(&view, float(rng() % 31), float(rng() % 31));
    view.undo.DeleteAll();
    const auto before = BlockBytes(p);
    const int command = int(rng() % 10);
    Command([&] {
      switch (command) {
        case 0: p.InsertNode(&view); break;
        case 1: p.DeleteSelectedNodes(&view); break;
        case 2: p.BreakAtNode(&view); break;
        case 3: p.JoinNodes(&view); break;
        case 4: p.ToggleSegmentKind(&view); break;
        case 5: p.DeleteSelectedContours(&view, nullptr); break;
        case 6: p.ReplaceContoursWithCircle(&view); break;
        case 7: p.ReplaceContoursWithRectangle(&view); break;
        case 8:
          if (p.BeginReplaceNodesWithCurve(&view)) p.ReplaceNodesWithCurve(&view);
          break;
        default: p.OnKeyDownNode(&view, 33 + rng() % 8, (rng() % 3) * 4); break;
      }
    });
    ASSERT_GE(p.count, 0);
    ASSERT_LE(std::size_t(p.count), p.BlockRecords()) << command;
    const Recs after = RecordsOf(p);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(+after.back().flags, 0xFF) << command;
    view.undo.UndoLastStep(view);
    ASSERT_EQ(BlockBytes(p), before) << "command " << command << " round " << round;
  }
}
