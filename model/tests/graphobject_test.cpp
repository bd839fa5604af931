#include "model/graphobject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/records.h"
#include "model/tests/fakes.h"
#include "model/tests/testobject.h"
#include "model/undoitems.h"
#include "platform/report.h"

namespace {

class GraphObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSharedDrawingTools();
    ObjectDrag() = ObjectDragState{};
    doc.views.push_back(&view);
  }
  void TearDown() override { ObjectDrag() = ObjectDragState{}; }

  FakeDocument doc;
  FakeView view{&doc};
};

std::string Last(const TestObject& o) { return o.calls.empty() ? "" : o.calls.back(); }

}  // namespace

// --- Dispatch ----------------------------------------------------------------

TEST_F(GraphObjectTest, MouseDispatchByTool) {
  struct Case {
    std::uint32_t tool;
    const char* down;
    const char* move;
    const char* up;
  };
  const Case cases[] = {
      {ID_TOOL_SELECT, "DownSelect", "MoveSelect", "UpSelect"},
      {ID_TOOL_TEXT, "DownText", "MoveText", "UpText"},
      {ID_TOOL_NODE, "DownNode", "MoveNode", "UpNode"},
      {ID_TOOL_TEXT_DRAG, "", "", ""},
      {40093, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    TestObject o(0, 0, 10, 10);
    view.tool = c.tool;
    o.OnLButtonDown(&view, MK_LBUTTON, 5, 5);
    EXPECT_EQ(Last(o), c.down);
    o.calls.clear();
    o.OnMouseMove(&view, MK_LBUTTON, 5, 5);
    EXPECT_EQ(Last(o), c.move);
    o.calls.clear();
    const int up = o.OnLButtonUp(&view, 0, 6, 7);
    EXPECT_EQ(Last(o), c.up);
    EXPECT_EQ(up != 0, *c.up != 0);
    // The release point is the last point whatever the tool.
    EXPECT_EQ(ObjectDrag().last, (CFPoint{6, 7}));
  }
}

TEST_F(GraphObjectTest, EditModeDispatch) {
  struct Case {
    std::uint32_t mode;
    const char* ch;
    const char* key;
    const char* del;
    const char* back;
    const char* marks;
  };
  const Case cases[] = {
      {0, "", "", "", "", ""},
      {ID_TOOL_TEXT, "CharText", "KeyText 12", "DeleteAtCaret", "DeleteBeforeCaret", "TextMarks"},
      {ID_TOOL_NODE, "CharNode", "KeyNode 12", "DeleteNodes", "BackspaceNode", "NodeMarks rop 13"},
      {ID_TOOL_SELECT, "", "", "", "", ""},
  };
  view.keysDown = {VK_SHIFT, VK_CONTROL};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TestObject o;
    o.editMode = c.mode;
    EXPECT_EQ(o.OnChar(&view, 'a', 0) != 0, *c.ch != 0);
    EXPECT_EQ(Last(o), c.ch);
    o.calls.clear();
    EXPECT_EQ(o.OnKeyDown(&view, 0x25, 0) != 0, *c.key != 0);
    EXPECT_EQ(Last(o), c.key);
    o.calls.clear();
    o.DeleteInEdit(&view);
    EXPECT_EQ(Last(o), c.del);
    o.calls.clear();
    o.BackspaceInEdit(&view);
    EXPECT_EQ(Last(o), c.back);
    o.calls.clear();
    o.DrawEditMarks(view.dc.get(), nullptr);
    EXPECT_EQ(Last(o), c.marks);
  }
  // Shift alone gives 4.
  view.keysDown = {VK_SHIFT};
  TestObject o;
  o.editMode = ID_TOOL_TEXT;
  o.OnKeyDown(&view, 0x25, 0);
  EXPECT_EQ(Last(o), "KeyText 4");
}

TEST_F(GraphObjectTest, BeginAndEndEdit) {
  TestObject o;
  // Nothing can be edited: CanEdit and BeginEdit refuse for every tool.
  for (std::uint32_t tool : {ID_TOOL_TEXT, ID_TOOL_NODE, ID_TOOL_SELECT}) {
    EXPECT_EQ(o.CanEdit(tool), 0);
    EXPECT_EQ(o.BeginEdit(tool, &view), 0);
  }
  EXPECT_EQ(o.editMode, 0u);
  // EndEdit in no mode returns 1 and draws nothing.
  EXPECT_EQ(o.EndEdit(&view), 1);
  EXPECT_TRUE(o.calls.empty());
  EXPECT_EQ(view.dcTaken, 0);

  o.canNodeEdit = 1;
  EXPECT_EQ(o.CanEdit(ID_TOOL_NODE), 1);
  EXPECT_EQ(o.CanEdit(ID_TOOL_TEXT), 0);
  EXPECT_EQ(o.BeginEdit(ID_TOOL_NODE, &view), 1);
  EXPECT_EQ(o.editMode, ID_TOOL_NODE);
  EXPECT_EQ(o.calls, (std::vector<std::string>{"NodeMarks rop 13", "NodeEditBegun"}));
  o.calls.clear();
  // Leaving erases the marks in NOT-XOR while the mode is still on.
  EXPECT_EQ(o.EndEdit(&view), 1);
  EXPECT_EQ(o.editMode, 0u);
  EXPECT_EQ(o.calls, (std::vector<std::string>{"NodeMarks rop 10"}));
  EXPECT_EQ(view.dcTaken, view.dcReleased);

  o.calls.clear();
  o.canTextEdit = 1;
  EXPECT_EQ(o.BeginEdit(ID_TOOL_TEXT, &view), 1);
  EXPECT_EQ(o.editMode, ID_TOOL_TEXT);
  EXPECT_EQ(o.EndEdit(&view), 1);
  EXPECT_EQ(o.calls, (std::vector<std::string>{"TextMarks", "TextMarks"}));
}

// --- Hover -------------------------------------------------------------------

TEST_F(GraphObjectTest, HoverByToolAndEnd) {
  TestObject o(0, 0, 10, 10);
  o.nodes = {{10, 10}};
  // Outside the bounds nothing is claimed; the edge is inside.
  view.tool = ID_TOOL_SELECT;
  EXPECT_EQ(o.OnMouseOver(&view, 0, 10.5f, 5), 0);
  EXPECT_EQ(o.OnMouseOver(&view, 0, 10, 10), 1);
  EXPECT_EQ(o.hoverTool, ID_TOOL_SELECT);
  EXPECT_EQ(view.classCursor, IDC_MOVE_OBJECT);
  // With the button down the Select hover does not claim.
  o.hoverTool = 0;
  EXPECT_EQ(o.OnMouseOver(&view, MK_LBUTTON, 5, 5), 0);
  EXPECT_EQ(o.hoverTool, 0u);

  // Node hover marks the node and the cursor but answers 0.
  view.tool = ID_TOOL_NODE;
  EXPECT_EQ(o.OnMouseOver(&view, 0, 10, 10), 0);
  EXPECT_EQ(o.hoverTool, ID_TOOL_NODE);
  EXPECT_EQ(o.hitIndex, 0);
  EXPECT_EQ(view.classCursor, IDC_CROSS);
  EXPECT_EQ(o.EndMouseOver(&view), 1);
  EXPECT_EQ(o.hoverTool, 0u);
  EXPECT_EQ(o.hitIndex, -1);

  // The text drag hover needs the left button.
  view.tool = ID_TOOL_TEXT_DRAG;
  EXPECT_EQ(o.OnMouseOver(&view, 0, 5, 5), 0);
  EXPECT_EQ(o.OnMouseOver(&view, MK_LBUTTON, 5, 5), 1);
  EXPECT_EQ(Last(o), "OverTextDrag");

  // EndMouseOver by hover tool: cursor per tool; 0 leaves hitIndex alone.
  struct Case {
    std::uint32_t hover;
    int result;
    std::uint32_t cursor;
  };
  const Case cases[] = {{ID_TOOL_SELECT, 1, IDC_ARROW},
                        {ID_TOOL_TEXT, 1, IDC_IBEAM},
                        {ID_TOOL_NODE, 1, IDC_CROSS},
                        {ID_TOOL_TEXT_DRAG, 1, IDC_IBEAM},
                        {0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hover);
    view.classCursor = 0;
    o.hoverTool = c.hover;
    o.hitIndex = 5;
    EXPECT_EQ(o.EndMouseOver(&view), c.result);
    EXPECT_EQ(view.classCursor, c.cursor);
    EXPECT_EQ(o.hitIndex, c.result ? -1 : 5);
    EXPECT_EQ(o.hoverTool, 0u);
  }
}

// --- Select-tool handle drag --------------------------------------------------

TEST_F(GraphObjectTest, HandleDragThreshold) {
  // With u page units per pixel, a move of exactly 3u is no move; 3u plus one
  // more pixel is.
  for (double u : {1.0, 0.5}) {
    SCOPED_TRACE(u);
    view.unitsPerPixel = u;
    ObjectDrag() = ObjectDragState{};
    TestObject o(0, 0, 100, 100);
    o.handles = {{0, 0}, {50, 50}};
    view.tool = ID_TOOL_SELECT;
    ASSERT_EQ(o.OnLButtonDown(&view, MK_LBUTTON, 50, 50), 1);
    EXPECT_EQ(o.hitIndex, 1);
    const float three = static_cast<float>(3 * u);
    EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 50 + three, 50), 1);
    EXPECT_EQ(ObjectDrag().moved, 0u);
    EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 50, 50 - three), 1);
    EXPECT_EQ(ObjectDrag().moved, 0u);
    o.calls.clear();
    EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 50 + static_cast<float>(4 * u), 50), 1);
    EXPECT_EQ(ObjectDrag().moved, 1u);
    EXPECT_EQ(o.calls, (std::vector<std::string>{"MoveSelect", "HandleXor 1", "MoveHandle 1",
                                                 "HandleXor 1"}));
    EXPECT_EQ(ObjectDrag().last.x, 50 + static_cast<float>(4 * u));
  }
}

TEST_F(GraphObjectTest, HandleDragRecordsUndoOnlyWhileRecording) {
  for (int recording : {0, 1}) {
    SCOPED_TRACE(recording);
    view.undo.DeleteAll();
    TestObject o(0, 0, 100, 100);
    o.handles = {{10, 10}};
    if (recording) view.undo.StartRecord(0);
    o.OnLButtonDown(&view, MK_LBUTTON, 10, 10);
    o.OnMouseMove(&view, MK_LBUTTON, 30, 40);
    o.OnLButtonUp(&view, 0, 35, 45);
    if (recording) view.undo.EndRecord();
    EXPECT_EQ(o.handles[0], (CFPoint{35, 45}));
    EXPECT_EQ(ObjectDrag().moved, 0u);
    ASSERT_EQ(view.undo.GetSize(), recording);
    if (!recording) continue;
    ASSERT_EQ(view.undo.GetStep(-1)->GetSize(), 1);
    EXPECT_NE(dynamic_cast<CUndoHandleDrag*>(view.undo.GetStep(-1)->GetItem(0)), nullptr);
    // Undo puts the handle back at the press point.
    EXPECT_TRUE(view.undo.UndoLastStep(view));
    EXPECT_EQ(o.handles[0], (CFPoint{10, 10}));
    EXPECT_EQ(ObjectDrag().start, (CFPoint{35, 45}));
    EXPECT_EQ(ObjectDrag().last, (CFPoint{10, 10}));
  }
}

TEST_F(GraphObjectTest, TextHandleDragRecordsAnchorFirst) {
  TestObject o(0, 0, 100, 100);
  o.kind = OBJ_TEXT;
  o.handles = {{10, 10}};
  view.undo.StartRecord(0);
  o.OnLButtonDown(&view, MK_LBUTTON, 10, 10);
  o.OnMouseMove(&view, MK_LBUTTON, 20, 20);
  o.OnLButtonUp(&view, 0, 20, 20);
  view.undo.EndRecord();
  CUndoStep* step = view.undo.GetStep(-1);
  ASSERT_NE(step, nullptr);
  ASSERT_EQ(step->GetSize(), 2);
  EXPECT_NE(dynamic_cast<CUndoTextAnchor*>(step->GetItem(0)), nullptr);
  EXPECT_NE(dynamic_cast<CUndoHandleDrag*>(step->GetItem(1)), nullptr);
  o.calls.clear();
  view.undo.UndoLastStep(view);
  // Reverse order: the handle goes back, then the whole text is laid out.
  EXPECT_EQ(o.calls, (std::vector<std::string>{"MoveHandle 0", "Relayout 0", "RecalcBounds"}));
}

TEST_F(GraphObjectTest, ReleaseClearsTheHandleSoALaterDragNeedsANewHit) {
  // After a release, moved or not, no handle stays armed: a later move with
  // the button down (without a press on a handle) must not move handle 0.
  for (bool drag : {false, true}) {
    SCOPED_TRACE(drag);
    TestObject o(0, 0, 100, 100);
    o.handles = {{10, 10}};
    o.OnLButtonDown(&view, MK_LBUTTON, 10, 10);
    if (drag) o.OnMouseMove(&view, MK_LBUTTON, 30, 30);
    o.OnLButtonUp(&view, 0, drag ? 30.0f : 10.0f, drag ? 30.0f : 10.0f);
    EXPECT_EQ(o.hitIndex, -1);
    const CFPoint before = o.handles[0];
    // A press elsewhere (no handle) followed by a drag.
    EXPECT_EQ(o.OnLButtonDown(&view, MK_LBUTTON, 80, 80), 0);
    o.calls.clear();
    EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 90, 90), 0);
    EXPECT_EQ(o.OnLButtonUp(&view, 0, 90, 90), 1);
    EXPECT_EQ(o.handles[0], before);
    for (const auto& c : o.calls) EXPECT_EQ(c.find("MoveHandle"), std::string::npos) << c;
  }
}

TEST_F(GraphObjectTest, NegativeHandleIndexBeepsAndIsIgnored) {
  class NegativeHandle : public TestObject {
   public:
    int HitTestHandle(CViewServices*, float, float, int* index) override {
      *index = -1;
      return 1;
    }
  } o;
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  EXPECT_EQ(o.OnLButtonDown(&view, MK_LBUTTON, 5, 5), 1);
  ASSERT_EQ(sink.beeps.size(), 1u);
  EXPECT_EQ(sink.beeps[0], 0u);
  EXPECT_EQ(ObjectDrag().start, (CFPoint{5, 5}));
  EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 50, 50), 0);
}

// --- Node drag -----------------------------------------------------------------

TEST_F(GraphObjectTest, NodeDrag) {
  view.tool = ID_TOOL_NODE;
  TestObject o(0, 0, 100, 100);
  o.nodes = {{0, 0}, {20, 20}};
  // Without the button: the cursor over a node, nothing claimed.
  EXPECT_EQ(o.OnMouseMove(&view, 0, 20, 20), 0);
  EXPECT_EQ(view.cursor, IDC_CROSS);
  EXPECT_EQ(o.hitIndex, -1);
  // With the button but no node pressed: nothing.
  EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 20, 20), 0);

  view.undo.StartRecord(0);
  ASSERT_EQ(o.OnLButtonDown(&view, MK_LBUTTON, 20, 20), 1);
  EXPECT_EQ(o.hitIndex, 1);
  EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 23, 23), 1);  // exactly 3 pixels
  EXPECT_EQ(ObjectDrag().moved, 0u);
  o.calls.clear();
  EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 24, 20), 1);
  EXPECT_EQ(o.calls,
            (std::vector<std::string>{"MoveNode", "NodeXor 1", "MoveNode 1", "NodeXor 1"}));
  EXPECT_EQ(o.OnLButtonUp(&view, 0, 24, 20), 1);
  view.undo.EndRecord();
  EXPECT_EQ(o.hitIndex, -1);
  EXPECT_EQ(ObjectDrag().moved, 0u);
  ASSERT_EQ(view.undo.GetSize(), 1);
  EXPECT_NE(dynamic_cast<CUndoNodeDrag*>(view.undo.GetStep(-1)->GetItem(0)), nullptr);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o.nodes[1], (CFPoint{20, 20}));

  // A click on a node without moving records nothing and still disarms it.
  view.undo.StartRecord(0);
  o.OnLButtonDown(&view, MK_LBUTTON, 0, 0);
  EXPECT_EQ(o.hitIndex, 0);
  o.OnLButtonUp(&view, 0, 0, 0);
  view.undo.EndRecord();
  EXPECT_EQ(o.hitIndex, -1);
  EXPECT_EQ(view.undo.GetSize(), 0);
  o.calls.clear();
  EXPECT_EQ(o.OnMouseMove(&view, MK_LBUTTON, 40, 40), 0);
  EXPECT_EQ(o.nodes[0], (CFPoint{0, 0}));
}

// --- Drawing -------------------------------------------------------------------

TEST_F(GraphObjectTest, XorOutlineTwiceLeavesTheSurfaceUnchanged) {
  view.hasMatrix = true;
  view.viewMatrix = CMatrix3(2, 0, 0, 2, 4, 4);
  TestObject o(1.5f, 2.5f, 20.25f, 12.75f);
  view.dc->FillSolidRect(plat::RECT{0, 0, 64, 64}, plat::RGB(30, 200, 90));
  const auto before = view.Pixels();
  o.DrawXorOutline(view.dc.get(), view.GetViewMatrix());
  EXPECT_NE(view.Pixels(), before);
  o.DrawXorOutline(view.dc.get(), view.GetViewMatrix());
  EXPECT_EQ(view.Pixels(), before);
  o.DrawXorMovedOutline(view.dc.get(), view.GetViewMatrix());
  EXPECT_NE(view.Pixels(), before);
  o.DrawXorMovedOutline(view.dc.get(), view.GetViewMatrix());
  EXPECT_EQ(view.Pixels(), before);
  // The DC's state is given back.
  EXPECT_EQ(view.dc->GetROP2(), plat::R2_COPYPEN);
}

TEST_F(GraphObjectTest, XorOutlineCornersThroughTheMatrix) {
  TestObject o(1.9f, 2.1f, 10.7f, 8.2f);
  view.dc->StartRecording();
  o.DrawXorOutline(view.dc.get(), nullptr);
  view.dc->StopRecording();
  const auto& calls = view.dc->Recorded();
  std::vector<plat::POINT> pts;
  for (const auto& c : calls)
    if (c.op == "MoveTo" || c.op == "LineTo") {
      EXPECT_EQ(c.rop2, plat::R2_NOTXORPEN);
      EXPECT_EQ(c.penColor, plat::RGB(255, 0, 0));
      pts.push_back(c.points.back());
    }
  // Edges truncated: (1, 2) - (10, 8), closed.
  const std::vector<plat::POINT> want = {{1, 2}, {10, 2}, {10, 8}, {1, 8}, {1, 2}};
  EXPECT_EQ(pts, want);

  // A rotated matrix: the bounding box of the four corners; the moved outline
  // takes only the two corners.
  CMatrix3 swap(0, 1, 1, 0, 0, 0);  // x' = y, y' = x
  TestObject r(0, 0, 10, 4);
  view.dc->ClearRecording();
  view.dc->StartRecording();
  r.DrawXorOutline(view.dc.get(), &swap);
  view.dc->StopRecording();
  ASSERT_FALSE(view.dc->Recorded().empty());
  const auto& moveTo = view.dc->Recorded().front();
  EXPECT_EQ(moveTo.op, "MoveTo");
  EXPECT_EQ(moveTo.points.back(), (plat::POINT{0, 0}));
}

TEST_F(GraphObjectTest, DragBandShapesByKind) {
  struct Case {
    std::uint16_t kind;
    const char* op;
  };
  const Case cases[] = {{0x11, "LineTo"}, {0x21, "Rectangle"}, {0x31, "Ellipse"},
                        {DRAG_BAND_RECT, "Rectangle"}, {0x60, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ObjectDrag().dragKind = c.kind;
    ObjectDrag().start = {5, 5};
    ObjectDrag().last = {30, 20};
    const auto before = view.Pixels();
    view.dc->ClearRecording();
    view.dc->StartRecording();
    CGraphObject::DrawDragBand(&view, nullptr);
    view.dc->StopRecording();
    bool found = false;
    for (const auto& call : view.dc->Recorded())
      if (call.op == c.op) {
        found = true;
        EXPECT_EQ(call.rop2, plat::R2_NOTXORPEN);
      }
    EXPECT_EQ(found, *c.op != 0);
    CGraphObject::DrawDragBand(&view, nullptr);
    EXPECT_EQ(view.Pixels(), before);
  }
  EXPECT_EQ(view.dcTaken, view.dcReleased);
  // The Bezier feedback: two handle lines and the curve, erased by a second call.
  ObjectDrag().dragKind = DRAG_BEZIER_MIN + 1;
  ObjectDrag().dragPoints[0] = {5, 5};
  ObjectDrag().dragPoints[1] = {5, 40};
  ObjectDrag().dragPoints[2] = {50, 40};
  ObjectDrag().dragPoints[3] = {50, 5};
  const auto before = view.Pixels();
  CGraphObject::DrawDragBand(&view, view.dc.get());
  EXPECT_NE(view.Pixels(), before);
  CGraphObject::DrawDragBand(&view, view.dc.get());
  EXPECT_EQ(view.Pixels(), before);
}

TEST_F(GraphObjectTest, MouseMoveCarriesTheBandPoint) {
  ObjectDrag().dragKind = DRAG_BEZIER_MIN;
  ObjectDrag().pointIndex = 2;
  TestObject o;
  view.tool = 40093;
  o.OnMouseMove(&view, MK_LBUTTON, 7, 9);
  EXPECT_EQ(ObjectDrag().dragPoints[2], (CFPoint{7, 9}));
  ObjectDrag().dragKind = DRAG_BAND_RECT;
  o.OnMouseMove(&view, MK_LBUTTON, 11, 13);
  EXPECT_EQ(ObjectDrag().last, (CFPoint{11, 13}));
  // An index outside the four drag points is ignored.
  ObjectDrag().dragKind = DRAG_BEZIER_MIN;
  ObjectDrag().pointIndex = 7;
  o.OnMouseMove(&view, MK_LBUTTON, 1, 1);
}

TEST_F(GraphObjectTest, DrawChoosesFilledByFlag) {
  TestObject o;
  o.Draw(nullptr, nullptr, nullptr);
  EXPECT_EQ(Last(o), "DrawOutline");
  o.flags = OBJF_FILLED;
  o.Draw(nullptr, nullptr, nullptr);
  EXPECT_EQ(Last(o), "DrawFilled");
}

// --- Geometry ------------------------------------------------------------------

TEST_F(GraphObjectTest, HitTestCases) {
  struct Case {
    CFRect bounds;
    float x, y;
    double u;
    int hit;
  };
  const Case cases[] = {
      // Zero width: only the distance from the line counts, < 3u.
      {{5, 0, 5, 10}, 7.9f, 50, 1.0, 1},
      {{5, 0, 5, 10}, 8, 0, 1.0, 0},
      {{5, 0, 5, 10}, 2.1f, 5, 1.0, 1},
      {{5, 0, 5, 10}, 6.4f, 5, 0.5, 1},
      {{5, 0, 5, 10}, 6.5f, 5, 0.5, 0},
      // Zero height.
      {{0, 5, 10, 5}, 100, 7.9f, 1.0, 1},
      {{0, 5, 10, 5}, 5, 8, 1.0, 0},
      // A box: strictly inside the bounds grown by 1u.
      {{0, 0, 10, 10}, -0.9f, 5, 1.0, 1},
      {{0, 0, 10, 10}, -1, 5, 1.0, 0},
      {{0, 0, 10, 10}, 10.9f, 10.9f, 1.0, 1},
      {{0, 0, 10, 10}, 11, 5, 1.0, 0},
      {{0, 0, 10, 10}, 5, -2, 1.0, 0},
      {{0, 0, 10, 10}, 5, 11.5f, 2.0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " u=" << c.u);
    TestObject o(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom);
    view.unitsPerPixel = c.u;
    EXPECT_EQ(o.HitTest(&view, c.x, c.y), c.hit);
  }
}

TEST_F(GraphObjectTest, ScaleToRect) {
  TestObject o(10, 20, 30, 60);
  o.ScaleToRect(0, 0, 40, 20);
  EXPECT_EQ(o.bounds, CFRect(0, 0, 40, 20));
  EXPECT_EQ(o.matrix.m00, 2.0f);
  EXPECT_EQ(o.matrix.m11, 0.5f);
  EXPECT_EQ(o.matrix.m20, -20.0f);
  EXPECT_EQ(o.matrix.m21, -10.0f);
  // Composed into the pending matrix: a second scale multiplies onto it.
  o.ScaleToRect(0, 0, 80, 40);
  EXPECT_EQ(o.matrix.m00, 4.0f);
  EXPECT_EQ(o.matrix.m20, -40.0f);

  // Onto a zero-width rectangle: the object becomes flat.
  TestObject p(10, 20, 30, 60);
  p.ScaleToRect(5, 0, 5, 10);
  EXPECT_EQ(p.bounds, CFRect(5, 0, 5, 10));
  EXPECT_EQ(p.matrix.m00, 0.0f);

  // A flat object keeps factor 1.0 on its flat axis and is only moved there.
  TestObject q(5, 0, 5, 10);
  q.ScaleToRect(8, 0, 12, 20);
  EXPECT_EQ(q.matrix.m00, 1.0f);
  EXPECT_EQ(q.matrix.m20, 3.0f);
  EXPECT_EQ(q.matrix.m11, 2.0f);
  EXPECT_EQ(q.bounds, CFRect(8, 0, 8, 20));
  // Flat on both axes: a pure move.
  TestObject r(5, 5, 5, 5);
  r.ScaleToRect(1, 2, 1, 2);
  EXPECT_EQ(r.bounds, CFRect(1, 2, 1, 2));
  EXPECT_EQ(r.matrix.m00, 1.0f);
  EXPECT_EQ(r.matrix.m11, 1.0f);
}

TEST_F(GraphObjectTest, OffsetSetRectAndInvalidate) {
  TestObject o(1, 2, 3, 4);
  o.Offset(10, 20);
  EXPECT_EQ(o.bounds, CFRect(11, 22, 13, 24));
  o.SetRect(0.5f, 1.5f, 10.9f, 20.2f);
  view.hasMatrix = true;
  view.viewMatrix = CMatrix3(2, 0, 0, 2, 0, 0);
  o.InvalidateObjectRect(&view, true);
  ASSERT_EQ(view.invalidated.size(), 1u);
  EXPECT_EQ(view.invalidated[0], (plat::RECT{1 - 3, 3 - 3, 21 + 3, 40 + 3}));
  EXPECT_TRUE(view.invalidatedErase[0]);
}

TEST_F(GraphObjectTest, FarObjectsInvalidateWithinTheDeviceRange) {
  view.hasMatrix = true;
  view.viewMatrix = CMatrix3(2, 0, 0, 2, 0, 0);
  const struct {
    CFRect bounds;
    plat::RECT expected;
  } cases[] = {
      {CFRect(1.01e32f, 0, 1.01e32f, 10), {INT32_MAX - 3, -3, INT32_MAX, 23}},
      {CFRect(-1e30f, -1e30f, 1e30f, 1e30f), {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
      {CFRect(-1073741823.0f, 0, 1073741823.0f, 1), {INT32_MIN, -3, INT32_MAX, 5}},
  };
  for (const auto& c : cases) {
    TestObject o(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom);
    view.invalidated.clear();
    o.InvalidateObjectRect(&view, false);
    ASSERT_EQ(view.invalidated.size(), 1u);
    EXPECT_EQ(view.invalidated[0], c.expected);
  }
}

// --- Flags ---------------------------------------------------------------------

TEST_F(GraphObjectTest, SetFlagsWithUndo) {
  FakeApp app;
  TestObject o;
  o.flags = 0x00F0;
  // A view that records: one item, then the change and an invalidation.
  view.undo.StartRecord(0);
  o.SetFlags(&view, 0x0100, 0x0130);
  view.undo.EndRecord();
  EXPECT_EQ(o.flags, 0x01C0);
  EXPECT_EQ(view.invalidated.size(), 1u);
  EXPECT_FALSE(view.invalidatedErase[0]);
  ASSERT_EQ(view.undo.GetSize(), 1);
  EXPECT_NE(dynamic_cast<CUndoFlags*>(view.undo.GetStep(-1)->GetItem(0)), nullptr);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o.flags, 0x00F0);

  // A view that does not record: the change only.
  o.SetFlags(&view, 0, 0x00F0);
  EXPECT_EQ(o.flags, 0);
  EXPECT_EQ(view.undo.GetSize(), 0);

  // No view and no active view: flags change, nothing recorded or drawn.
  view.invalidated.clear();
  o.SetFlags(nullptr, 0x0100, 0x0100);
  EXPECT_EQ(o.flags, 0x0100);
  EXPECT_TRUE(view.invalidated.empty());

  // No view given: the active view records, but nothing is invalidated.
  app.activeView = &view;
  view.undo.StartRecord(0);
  o.SetFlags(nullptr, 0, 0x0100);
  view.undo.EndRecord();
  EXPECT_EQ(o.flags, 0);
  EXPECT_EQ(view.undo.GetSize(), 1);
  EXPECT_TRUE(view.invalidated.empty());
}

// --- Clone ---------------------------------------------------------------------

TEST_F(GraphObjectTest, CloneThroughRecord) {
  ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
  TestObject o(1.25f, -2.5f, 300.75f, 4e6f);
  o.flags = 0x0103;
  o.value = 42;
  o.payload = std::string("\x00\xF1\xFF", 3);
  o.selected = 1;
  const std::size_t live = plat::GlobalLiveCount();
  auto copy = o.Clone();
  EXPECT_EQ(plat::GlobalLiveCount(), live);  // the record block is freed
  ASSERT_NE(copy, nullptr);
  auto* t = dynamic_cast<TestObject*>(copy.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->kind, o.kind);
  EXPECT_EQ(t->flags, o.flags);
  EXPECT_EQ(t->bounds, o.bounds);
  EXPECT_EQ(t->value, 42u);
  EXPECT_EQ(t->payload, o.payload);
  EXPECT_EQ(t->selected, 0u);
  EXPECT_EQ(t->hitIndex, -1);

  // A class that writes no record clones to null; so does the base.
  o.writes = false;
  EXPECT_EQ(o.Clone(), nullptr);
  CGraphObject base;
  plat::HGLOBAL h = 123;
  EXPECT_EQ(base.WriteRecord(&h), 0u);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(base.Clone(), nullptr);
}

TEST(GraphObjectBase, ConstructionState) {
  CGraphObject o;
  EXPECT_EQ(o.kind, 0);
  EXPECT_EQ(o.flags, 0);
  EXPECT_EQ(o.selected, 0u);
  EXPECT_EQ(o.bounds, CFRect());
  EXPECT_TRUE(o.matrix.IsIdentity());
  EXPECT_EQ(o.hitIndex, -1);
  EXPECT_EQ(o.editMode, 0u);
  EXPECT_EQ(o.hoverTool, 0u);
  EXPECT_EQ(o.GetPropertyDialogId(), 264u);
  EXPECT_EQ(o.IsEmpty(), 0);
  EXPECT_EQ(o.GetBoxArray(), nullptr);
}

// --- Property panel -------------------------------------------------------------

TEST_F(GraphObjectTest, ShowPropertiesWithoutAttributes) {
  FakeApp app;
  FakeWindow prop(plat::RECT{100, 200, 400, 500});
  TestObject o;
  o.kind = OBJ_LINE;
  EXPECT_EQ(o.ShowProperties(&prop), 1);
  ASSERT_EQ(app.frame.texts.size(), 1u);
  EXPECT_EQ(app.frame.texts[0], LoadObjectString(189));
  // A panel 264 is made, hidden, and the window shrinks to a 100 x 20 strip
  // at its old bottom.
  ASSERT_EQ(prop.children.size(), 1u);
  EXPECT_EQ(prop.Child()->templateId, 264u);
  EXPECT_EQ(prop.Child()->userData, 264);
  EXPECT_FALSE(prop.Child()->visible);
  EXPECT_EQ(prop.windowRect, (plat::RECT{100, 480, 200, 500}));
  EXPECT_TRUE(prop.visible);
  EXPECT_EQ(prop.text, "无属性");
  // Shown again: the panel with the right id is kept.
  EXPECT_EQ(o.ShowProperties(&prop), 1);
  EXPECT_EQ(prop.created, 1);
  EXPECT_EQ(prop.destroyed, 0);

  // Without a property window only the name is sent.
  EXPECT_EQ(o.ShowProperties(nullptr), 1);
  EXPECT_EQ(app.frame.texts.size(), 3u);
}

TEST_F(GraphObjectTest, ShowPropertiesReplacesAPanelOfAnotherObject) {
  FakeApp app;
  class Panelled : public TestObject {
   public:
    std::uint32_t GetPropertyDialogId() override { return 300; }
    CWindowServices* CreatePropertyPanel(CWindowServices* parent) override {
      CWindowServices* p = parent->CreateChildDialog(300);
      if (p) p->SetUserData(300);
      return p;
    }
    void FillPropertyPanel(CWindowServices*) override { calls.push_back("Fill"); }
    void SetPropertyTitle(CWindowServices* w) override { w->SetText("panel"); }
  } o;
  FakeWindow prop(plat::RECT{10, 20, 300, 400});
  prop.CreateChildDialog(264)->SetUserData(264);
  prop.nextChildClient = plat::RECT{0, 0, 150, 90};
  EXPECT_EQ(o.ShowProperties(&prop), 1);
  EXPECT_EQ(prop.destroyed, 1);
  ASSERT_EQ(prop.children.size(), 1u);
  EXPECT_EQ(prop.Child()->templateId, 300u);
  // Placed above the old bottom, sized from the panel's client area.
  EXPECT_EQ(prop.windowRect, (plat::RECT{10, 400 - 20 - 90, 10 + 160, 400 - 20 - 90 + 110}));
  EXPECT_EQ(prop.text, "panel");
  EXPECT_EQ(Last(o), "Fill");
  // A panel that cannot be made leaves the window where it is.
  prop.children.clear();
  prop.failCreate = true;
  prop.moves = 0;
  EXPECT_EQ(o.ShowProperties(&prop), 1);
  EXPECT_EQ(prop.moves, 0);
}
