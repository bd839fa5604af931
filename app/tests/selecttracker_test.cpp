#include <cmath>

#include "app/tests/tracker_fixture.h"
#include "model/tests/node_fixtures.h"

using namespace trackertest;

namespace {

constexpr std::uint32_t kShift = MK_SHIFT;
constexpr std::uint32_t kCtrl = MK_CONTROL;

// Page point of record i of a path (through its pending matrix).
CFPoint PagePoint(CGraphObject* o, std::size_t i) {
  auto* p = static_cast<CPathObject*>(o);
  nodetest::Recs r = nodetest::Body(*p);
  CFPoint pt{r.at(i).x, r.at(i).y};
  p->matrix.TransformPoint(pt);
  return pt;
}

void ExpectRect(const CFRect& r, float l, float t, float rr, float b, float tol = 1e-4f) {
  EXPECT_NEAR(r.left, l, tol);
  EXPECT_NEAR(r.top, t, tol);
  EXPECT_NEAR(r.right, rr, tol);
  EXPECT_NEAR(r.bottom, b, tol);
}

}  // namespace

// The mouse cases of the selection, one row each from a fresh document.
TEST_F(TrackerTest, SelectionByMouse) {
  struct Step {
    enum Kind { kClick, kDrag } kind;
    float x0, y0, x1, y1;
    std::uint32_t flags;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> selected;
    std::uint16_t mode;
  };
  const std::vector<Case> cases = {
      {"click picks", {{Step::kClick, 20, 20, 0, 0, 0}}, {0}, 2},
      {"click on the outline's tolerance picks", {{Step::kClick, 31.5f, 20, 0, 0, 0}}, {0}, 2},
      {"click elsewhere unselects", {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 100, 100, 0, 0, 0}}, {}, 0},
      {"click moves the pick", {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 60, 20, 0, 0, 0}}, {1}, 2},
      {"shift adds", {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 60, 20, 0, 0, kShift}}, {0, 1}, 2},
      {"shift on a selected one keeps it",
       {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 14, 14, 0, 0, kShift}},
       {0},
       2},
      {"second click toggles to rotate", {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 20, 20, 0, 0, 0}}, {0}, 3},
      {"third click toggles back",
       {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 20, 20, 0, 0, 0}, {Step::kClick, 20, 20, 0, 0, 0}},
       {0},
       2},
      {"3-px move is still a click",
       {{Step::kClick, 20, 20, 0, 0, 0}, {Step::kDrag, 20, 20, 23, 17, 0}},
       {0},
       3},
      {"band takes the inside ones", {{Step::kDrag, 5, 5, 75, 31, 0}}, {0, 1}, 2},
      {"band edge touching leaves one out", {{Step::kDrag, 5, 5, 70, 35, 0}}, {0}, 2},
      {"band backwards", {{Step::kDrag, 75, 31, 5, 5, 0}}, {0, 1}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (CGraphObject* o : doc.objects) delete o;
    doc.objects.clear();
    tracker.ClearSelection(nullptr, true);
    AddThree();
    for (const Step& s : c.steps) {
      if (s.kind == Step::kClick)
        Click(s.x0, s.y0, s.flags);
      else
        Drag(s.x0, s.y0, s.x1, s.y1, s.flags);
    }
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(tracker.GetSelectedCount(), int(c.selected.size()));
    EXPECT_EQ(tracker.GetHandleMode(), c.mode);
    EXPECT_EQ(tracker.GetDragState(), 0);
    EXPECT_FALSE(tracker.IsMoved());
  }
}

TEST_F(TrackerTest, SelectingAnAlreadySelectedObjectCountsItOnce) {
  AddThree();
  tracker.Select(At(0));
  const auto marked = view.Pixels();
  tracker.Select(At(0));
  EXPECT_EQ(tracker.GetSelectedCount(), 1);
  EXPECT_EQ(tracker.GetPathCount(), 1);
  EXPECT_EQ(view.Pixels(), marked);  // the marks are still there, once
  Click(20, 20);                      // a click on the selection toggles the handles
  EXPECT_EQ(tracker.GetHandleMode(), 3);
}

TEST_F(TrackerTest, MarksAreErasedByTheSecondDraw) {
  AddThree();
  const auto clean = view.Pixels();
  tracker.Select(At(0));
  tracker.Select(At(1));
  EXPECT_NE(view.Pixels(), clean);
  tracker.DrawSelected(nullptr, nullptr);  // erase the size marks
  EXPECT_EQ(view.Pixels(), clean);
  tracker.SetHandleMode(CSelectTracker::kModeRotate);
  tracker.DrawSelected(nullptr, nullptr);  // rotate marks
  EXPECT_NE(view.Pixels(), clean);
  tracker.ClearSelection(nullptr, true);
  EXPECT_EQ(view.Pixels(), clean);
  EXPECT_EQ(tracker.GetHandleMode(), 0);
}

// Handle positions around (10,10)-(50,30) widened by 8 px at 1 mm a pixel.
TEST_F(TrackerTest, HandleOrderInBothModes) {
  Add(RectPath(10, 10, 50, 30));
  tracker.Select(At(0));
  struct Row {
    float x, y;
    int size, rotate;
  };
  const Row rows[] = {
      {2, 2, 1, 1},    {30, 2, 2, 2},   {58, 2, 3, 3},   {2, 20, 4, 4},  {30, 20, 0, 9},
      {58, 20, 5, 5},  {2, 38, 6, 6},  {2, 42, -1, 6},  {30, 38, 7, 7}, {58, 38, 8, 8},
      {30, -2, -1, 2}, {30, 4, 2, -1},  {20, 20, -1, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
    int mode = -5, index = -5;
    tracker.SetHandleMode(CSelectTracker::kModeSize);
    EXPECT_EQ(tracker.HitTest(r.x, r.y, &mode, &index), r.size >= 0);
    EXPECT_EQ(index, r.size);
    EXPECT_EQ(mode, 2);
    tracker.SetHandleMode(CSelectTracker::kModeRotate);
    EXPECT_EQ(tracker.HitTest(r.x, r.y, &mode, &index), r.rotate >= 0);
    EXPECT_EQ(index, r.rotate);
    EXPECT_EQ(mode, 3);
  }
}

TEST_F(TrackerTest, CornerDragsKeepTheAspectAndFlip) {
  struct Case {
    const char* name;
    float x0, y0, x1, y1;
    float l, t, r, b;  // expected bounds
    bool flipped;
  };
  // Selection (10,10)-(50,30): w 40, h 20.
  const Case cases[] = {
      {"handle 8 grows by the smaller factor", 58, 38, 78, 42, 10, 10, 58, 34, false},
      {"handle 1 shrinks toward 8", 2, 2, 22, 2, 30, 20, 50, 30, false},
      {"handle 8 across handle 1 flips", 58, 38, -2, 8, -10, 0, 10, 10, true},
      {"edge 5 stretches one side", 58, 20, 68, 50, 10, 10, 60, 30, false},
      {"edge 2 moves the top", 30, 2, 0, -8, 10, 0, 50, 30, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (CGraphObject* o : doc.objects) delete o;
    doc.objects.clear();
    tracker.ClearSelection(nullptr, true);
    CGraphObject* line = Add(LinePath(10, 10, 50, 30));
    tracker.Select(line);
    Drag(c.x0, c.y0, c.x1, c.y1);
    ExpectRect(line->bounds, c.l, c.t, c.r, c.b);
    // The line runs from (10,10) to (50,30): a flip swaps its ends' corners.
    const CFPoint first = PagePoint(line, 0);
    EXPECT_NEAR(first.x, c.flipped ? c.r : c.l, 1e-3);
    EXPECT_NEAR(first.y, c.flipped ? c.b : c.t, 1e-3);
    ExpectRect(tracker.GetRect(), c.l, c.t, c.r, c.b);
    EXPECT_TRUE(doc.modified);
  }
}

TEST_F(TrackerTest, FlatSelectionDragsAsALine) {
  CGraphObject* line = Add(LinePath(10, 20, 50, 20));
  tracker.Select(line);
  view.dc->StartRecording();
  Down(0, 58, 28);  // handle 8 of the flat box
  Move(0, 68, 40);
  const auto calls = view.dc->Recorded();
  view.dc->StopRecording();
  bool sawLine = false, sawRect = false;
  for (const plat::DcCall& c : calls) {
    if (c.op == "LineTo" && c.penStyle == plat::PS_DOT) sawLine = true;
    if (c.op == "Rectangle" && c.penStyle == plat::PS_DOT) sawRect = true;
  }
  EXPECT_TRUE(sawLine);
  EXPECT_FALSE(sawRect);
  Up(0, 68, 40);
  // The flat axis stays; the corner moves without the proportional step.
  ExpectRect(line->bounds, 10, 20, 60, 20);
  // An edge handle across the flat axis does nothing.
  Drag(35, 28, 35, 50);
  ExpectRect(line->bounds, 10, 20, 60, 20);
}

TEST_F(TrackerTest, RotateAndSkewAtKnownAngles) {
  // Selection (10,10)-(50,30), centre (30,20); handle 8 at (58,38) is (28,18) from the centre.
  CGraphObject* line = Add(LinePath(10, 10, 50, 30));
  tracker.Select(line);
  Click(30, 20);  // to the rotate handles
  ASSERT_EQ(tracker.GetHandleMode(), 3);
  Drag(58, 38, 30 - 18, 20 + 28);  // a quarter turn that follows the pointer
  EXPECT_NEAR(PagePoint(line, 0).x, 40, 1e-3);
  EXPECT_NEAR(PagePoint(line, 0).y, 0, 1e-3);
  EXPECT_NEAR(PagePoint(line, 1).x, 20, 1e-3);
  EXPECT_NEAR(PagePoint(line, 1).y, 40, 1e-3);
  ExpectRect(line->bounds, 20, 0, 40, 40, 1e-3f);
  EXPECT_EQ(tracker.GetHandleMode(), 3);

  // Horizontal skew by 45 degrees through handle 7 (below the middle).
  for (CGraphObject* o : doc.objects) delete o;
  doc.objects.clear();
  tracker.ClearSelection(nullptr, true);
  CGraphObject* sq = Add(RectPath(10, 10, 50, 50));  // centre (30,30)
  tracker.Select(sq);
  tracker.SetHandleMode(CSelectTracker::kModeRotate);
  // Handle 7 sits at (30,58); from the centre it points straight down.
  Drag(30, 58, 30 + 28, 58);  // to 45 degrees
  const float expectShift = 20.0f;  // half height x tan 45
  ExpectRect(sq->bounds, 10 - expectShift, 10, 50 + expectShift, 50, 1e-3f);
  const CFPoint topLeft = PagePoint(sq, 0);
  EXPECT_NEAR(std::fabs(topLeft.x - 10.0f), expectShift, 1e-3);

  // Vertical skew through handle 5 moves the sides up and down.
  tracker.ClearSelection(nullptr, true);
  for (CGraphObject* o : doc.objects) delete o;
  doc.objects.clear();
  CGraphObject* sq2 = Add(RectPath(10, 10, 50, 50));
  tracker.Select(sq2);
  tracker.SetHandleMode(CSelectTracker::kModeRotate);
  Drag(58, 30, 58, 30 + 28);
  ExpectRect(sq2->bounds, 10, 10 - 20, 50, 50 + 20, 1e-3f);
}

TEST_F(TrackerTest, RotationCentreMovesWithHandleNine) {
  CGraphObject* o = Add(RectPath(10, 10, 50, 30));
  tracker.Select(o);
  tracker.SetHandleMode(CSelectTracker::kModeRotate);
  Drag(30, 20, 40, 60);
  EXPECT_EQ(tracker.GetRotationCentre(), (CFPoint{40, 60}));
  ExpectRect(o->bounds, 10, 10, 50, 30, 0);
}

TEST_F(TrackerTest, NudgesMoveOneOrTenPixelsAtAnyZoom) {
  for (double s : {1.0, 0.25}) {
    SCOPED_TRACE(s);
    for (CGraphObject* o : doc.objects) delete o;
    doc.objects.clear();
    tracker.ClearSelection(nullptr, true);
    view.unitsPerPixel = s;
    view.viewMatrix = CMatrix3(float(1 / s), 0, 0, float(1 / s), 0, 0);
    CGraphObject* o = Add(RectPath(10, 10, 30, 30));
    tracker.Select(o);
    EXPECT_EQ(tracker.OnKeyDown(&view, fw::VK_RIGHT, 1, 0), 1);
    EXPECT_EQ(tracker.OnKeyDown(&view, fw::VK_NEXT, 1, 0), 1);
    EXPECT_EQ(tracker.OnKeyDown(&view, fw::VK_HOME, 1, 0), 1);
    EXPECT_EQ(tracker.OnKeyDown(&view, 'A', 1, 0), 0);
    const float f = float(s);
    ExpectRect(o->bounds, 10 + f - 10 * f, 10 + 10 * f, 30 + f - 10 * f, 30 + 10 * f);
    EXPECT_FLOAT_EQ(tracker.GetRotationCentre().x, 20 - 9 * f);
  }
  tracker.ClearSelection(nullptr, true);
  EXPECT_EQ(tracker.OnKeyDown(&view, fw::VK_RIGHT, 1, 0), 0);  // nothing selected
}

TEST_F(TrackerTest, CtrlDragLeavesACopyAndTheClipboardAlone) {
  CountingClipboard clip;
  CClipboardServices* old = SetClipboardServices(&clip);
  AddThree();
  Click(20, 20);
  Drag(20, 20, 100, 120, kCtrl);
  SetClipboardServices(old);
  EXPECT_EQ(clip.opens, 0);
  ASSERT_EQ(doc.GetObjectCount(), 4);
  ExpectRect(At(0)->bounds, 90, 110, 110, 130);
  ExpectRect(At(3)->bounds, 10, 10, 30, 30);  // the copy, at the old place
  EXPECT_EQ(At(3)->selected, 0u);
  EXPECT_EQ(view.pastes, 1);
  // One undo step takes the copy and the move back.
  UndoLast();
  EXPECT_EQ(doc.GetObjectCount(), 3);
  ExpectRect(At(0)->bounds, 10, 10, 30, 30);

  // A plain move pastes nothing; without handles (the cut view) Ctrl copies nothing.
  Drag(20, 20, 40, 20);
  EXPECT_EQ(view.pastes, 1);
  tracker.EnableHandles(false);
  Drag(40, 20, 40, 40, kCtrl);
  EXPECT_EQ(view.pastes, 1);
  EXPECT_EQ(doc.GetObjectCount(), 3);
}

// Each change is one undo step that puts the objects back exactly.
TEST_F(TrackerTest, EachChangeIsUndoneExactly) {
  struct Case {
    const char* name;
    void (*act)(TrackerTest&);
  };
  const Case cases[] = {
      {"move", [](TrackerTest& t) { t.Drag(20, 20, 47, 33); }},
      {"scale corner", [](TrackerTest& t) { t.Drag(78, 38, 100, 60); }},
      {"scale flip", [](TrackerTest& t) { t.Drag(78, 38, -20, -10); }},
      {"rotate",
       [](TrackerTest& t) {
         t.tracker.SetHandleMode(CSelectTracker::kModeRotate);
         t.Drag(78, 38, 30, 70);
       }},
      {"skew",
       [](TrackerTest& t) {
         t.tracker.SetHandleMode(CSelectTracker::kModeRotate);
         t.Drag(40, 38, 60, 38);
       }},
      {"nudge",
       [](TrackerTest& t) {
         t.view.undo.StartRecord(0);
         t.tracker.OnKeyDown(&t.view, fw::VK_DOWN, 1, 0);
         t.view.undo.EndRecord();
       }},
      {"delete",
       [](TrackerTest& t) {
         t.view.undo.StartRecord(0);
         t.tracker.DeleteSelected();
         t.view.undo.EndRecord();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (CGraphObject* o : doc.objects) delete o;
    doc.objects.clear();
    tracker.ClearSelection(nullptr, true);
    view.undo.DeleteAll();
    AddThree();
    Drag(5, 5, 75, 35);  // squares 0 and 1
    ASSERT_EQ(Selected(), (std::vector<int>{0, 1}));
    std::vector<CFRect> before;
    std::vector<std::vector<CFPoint>> points;
    for (CGraphObject* o : doc.objects) {
      before.push_back(o->bounds);
      points.push_back({PagePoint(o, 0), PagePoint(o, 2)});
    }
    const int steps = view.undo.GetSize();
    c.act(*this);
    EXPECT_EQ(view.undo.GetSize(), steps + 1);
    EXPECT_NE(doc.objects[0]->bounds, before[0]);
    UndoLast();
    ASSERT_EQ(doc.GetObjectCount(), 3);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(doc.objects[i]->bounds, before[i]) << i;
      EXPECT_NEAR(PagePoint(doc.objects[i], 0).x, points[i][0].x, 1e-3);
      EXPECT_NEAR(PagePoint(doc.objects[i], 2).y, points[i][1].y, 1e-3);
    }
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1}));
  }
}

TEST_F(TrackerTest, WithoutHandlesNothingIsRecordedOrToggled) {
  AddThree();
  view.depthOverride = 0;  // the cut view never records
  tracker.EnableHandles(false);
  Click(20, 20);
  Click(20, 20);
  EXPECT_EQ(tracker.GetHandleMode(), 2);  // no toggle
  Down(0, 38, 38);  // where handle 8 would be: a band instead
  EXPECT_EQ(tracker.GetDragState(), CSelectTracker::kRubberBand);
  Up(0, 38, 38);
  Click(20, 20);
  Drag(20, 20, 40, 40);
  ExpectRect(At(0)->bounds, 30, 30, 50, 50);
  EXPECT_EQ(view.undo.GetSize(), 0);
}

TEST_F(TrackerTest, AltPressAndOtherToolsAreNotTaken) {
  AddThree();
  view.keysDown.insert(int(fw::VK_MENU));
  EXPECT_EQ(tracker.OnLButtonDown(MK_LBUTTON, 20, 20), 0);
  view.keysDown.clear();
  view.tool = ID_TOOL_TEXT;
  EXPECT_EQ(tracker.OnLButtonDown(MK_LBUTTON, 20, 20), 0);
  EXPECT_EQ(tracker.OnMouseMove(MK_LBUTTON, 20, 20), 0);
  EXPECT_EQ(tracker.OnLButtonUp(0, 20, 20), 0);
  EXPECT_TRUE(Selected().empty());
}

TEST_F(TrackerTest, HoverSetsTheHandleCursor) {
  Add(RectPath(10, 10, 50, 30));
  tracker.Select(At(0));
  struct Row {
    std::uint16_t mode;
    float x, y;
    std::uint32_t cursor;
  };
  const Row rows[] = {
      {2, 2, 2, IDC_SIZENWSE},           {2, 58, 2, IDC_SIZENESW},        {2, 30, 2, IDC_SIZENS},
      {2, 2, 20, IDC_SIZEWE},            {3, 2, 2, IDC_HANDLE_ROTATE},    {3, 30, -2, IDC_HANDLE_SKEW_H},
      {3, 58, 20, IDC_HANDLE_SKEW_V},    {3, 30, 20, IDC_CROSS},
  };
  for (const Row& r : rows) {
    view.cursor = 0;
    tracker.SetHandleMode(r.mode);
    EXPECT_EQ(tracker.OnMouseMove(0, r.x, r.y), 0);
    EXPECT_EQ(view.cursor, r.cursor) << r.x << "," << r.y;
  }
  view.cursor = 0;
  tracker.SetHandleMode(2);
  tracker.OnMouseMove(0, 30, 20);  // the move handle leaves the cursor
  EXPECT_EQ(view.cursor, 0u);
}

TEST_F(TrackerTest, StatusAndRecountFollowTheSelection) {
  AddThree();
  Drag(5, 5, 75, 75);
  EXPECT_EQ(tracker.GetSelectedCount(), 3);
  EXPECT_EQ(tracker.GetPathCount(), 3);
  ExpectRect(tracker.GetRect(), 10, 10, 70, 70);
  EXPECT_EQ(tracker.GetRotationCentre(), (CFPoint{40, 40}));
  ASSERT_FALSE(app.frame.sizes.empty());
  EXPECT_EQ(app.frame.sizes.back(), (CFPoint{60, 60}));
  EXPECT_EQ(tracker.FindSelected(OBJ_PATH), At(0));
  EXPECT_EQ(tracker.FindSelected(OBJ_TEXT), nullptr);
  EXPECT_EQ(tracker.FindSelected(255), At(0));
  At(0)->selected = 0;
  CFRect r;
  EXPECT_EQ(tracker.GetSelectionBounds(&r), OBJ_PATH);
  ExpectRect(r, 10, 10, 70, 70);
  EXPECT_EQ(tracker.GetCurrentObject(), At(1));
}

TEST_F(TrackerTest, DeleteWithoutRecordingDeletesAtOnce) {
  AddThree();
  Click(20, 20);
  EXPECT_EQ(tracker.DeleteSelected(), 1);
  EXPECT_EQ(doc.GetObjectCount(), 2);
  EXPECT_EQ(tracker.GetSelectedCount(), 0);
  EXPECT_EQ(tracker.DeleteSelected(), 0);
}

TEST_F(TrackerTest, UnRotateTurnsTheObjectBack) {
  CGraphObject* o = Add(RectPath(10, 10, 50, 30));
  std::unique_ptr<CMatrix3> m = MakeRotateMatrixAt(30, 20, 30.0f);
  o->Transform(*m);
  tracker.Select(o);
  view.undo.StartRecord(0);
  tracker.UnRotateSelected();
  view.undo.EndRecord();
  EXPECT_NEAR(o->matrix.m01, 0.0f, 1e-4);
  EXPECT_NEAR(o->matrix.m00, 1.0f, 1e-4);
  UndoLast();
  EXPECT_NEAR(o->matrix.m01, m->m01, 1e-4);
}
