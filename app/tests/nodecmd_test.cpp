// The node commands on the edited path, and the design view's right button,
// double click and keys, through the view's messages.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "view_fixture.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "model/imageobject.h"
#include "model/records.h"
#include "model/tests/shape_fixtures.h"
#include "platform/gmem.h"

using namespace apptest;

namespace {

using shapetest::RecordsOf;

bool Same(const std::vector<PathPoint>& a, const std::vector<PathPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y || (a[i].flags & ~PP_SELECTED) != (b[i].flags & ~PP_SELECTED))
      return false;
  return true;
}

// Text editing as far as the keys go: counts what reaches it.
class KeyText : public CGraphObject {
 public:
  KeyText() {
    kind = OBJ_TEXT;
    bounds = CFRect(0, 0, 10, 10);
  }
  int OnKeyDownText(CViewServices*, std::uint32_t key, std::uint32_t) override {
    keys.push_back(key);
    return 1;
  }
  std::vector<std::uint32_t> keys;
};

class NodeTest : public StartedViewTest {
 protected:
  NodeTest() : StartedViewTest(kPageView) {}
  void SetUp() override {
    StartedViewTest::SetUp();
    fw::PumpPendingMessages();
  }

  fw::LPARAM At(float x, float y) const {
    const plat::POINT p = view->PageToDevice(CFPoint{x, y});
    return fw::LPARAM(fw::MAKELONG(p.x, p.y));
  }
  void RightClick(float x, float y, fw::UINT flags = 0) {
    view->SendMessage(fw::WM_RBUTTONDOWN, flags | fw::MK_RBUTTON, At(x, y));
    view->SendMessage(fw::WM_RBUTTONUP, flags, At(x, y));
    fw::PumpPendingMessages();
  }
  void DoubleClick(float x, float y, fw::UINT flags = 0) {
    view->SendMessage(fw::WM_LBUTTONDOWN, flags | fw::MK_LBUTTON, At(x, y));
    view->SendMessage(fw::WM_LBUTTONUP, flags, At(x, y));
    view->SendMessage(fw::WM_LBUTTONDBLCLK, flags | fw::MK_LBUTTON, At(x, y));
    view->SendMessage(fw::WM_LBUTTONUP, flags, At(x, y));
    fw::PumpPendingMessages();
  }
  // A square path from (100, 100) to (200, 200) in node editing; or an open
  // line along its top, or a triangle on it.
  CPathObject* EditedSquare(int shape = 0) {
    CPathObject* path = MakeRectPath(100, 100, 200, 200).release();
    if (shape == 1) {
      delete path;
      path = MakeLinePath(100, 100, 200, 100).release();
    } else if (shape == 2) {
      delete path;
      path = new CPathObject();
      path->AddPoint(100, 100, PP_START | PP_NODE);
      path->AddPoint(200, 100, PP_NODE);
      path->AddPoint(150, 200, PP_NODE);
      path->AddPoint(100, 100, PP_CLOSEEND | PP_NODE);
      path->EndPoints();
      path->RecalcBounds();
    }
    doc->AddObject(path, false);
    view->SetCurrentTool(ID_TOOL_NODE);
    EXPECT_TRUE(path->BeginEdit(ID_TOOL_NODE, view));
    view->SetEditObject(path);
    return path;
  }
  void EndEditing() {
    if (CGraphObject* e = view->GetEditObject()) e->EndEdit(view);
    view->SetEditObject(nullptr);
    view->SetCurrentTool(ID_TOOL_SELECT);
  }
  void UndoStep() { ASSERT_TRUE(view->GetUndoList()->UndoLastStep(*view)); }
};

TEST_F(NodeTest, NodeCommandsRunArmOrDoNothing) {
  enum Outcome { kRun, kArmed, kNothing };
  struct Case {
    std::uint32_t id;
    int selected;      // nodes selected from node 0 on
    bool segmentHit;   // a hit on the top edge
    Outcome outcome;
    int shape = 0;     // 0 square, 1 open line, 2 triangle
  } cases[] = {
      {40119, 0, true, kRun},     {40119, 0, false, kArmed},  {40120, 1, false, kRun},
      {40120, 0, false, kArmed},  {40121, 1, false, kRun},    {40121, 2, false, kArmed},
      {40122, 2, false, kRun, 1},    {40122, 1, false, kNothing}, {40141, 0, true, kRun},
      {40141, 0, false, kArmed},  {40142, 0, false, kArmed},  {40165, 1, false, kRun},
      {40165, 0, false, kNothing}, {40166, 1, false, kRun},   {40166, 0, false, kNothing},
      {40167, 1, false, kRun, 2},    {40167, 0, false, kNothing}, {40168, 0, false, kNothing},
  };
  for (const Case& c : cases) {
    CPathObject* path = EditedSquare(c.shape);
    for (int i = 0; i < c.selected; ++i) path->SelectNode(i, view);
    if (c.segmentHit) ASSERT_NE(path->HitTestSegment(view, 150.0f, 100.0f), 0) << c.id;
    const std::vector<PathPoint> before = RecordsOf(*path);
    Command(c.id);
    const bool changed = !Same(before, RecordsOf(*path));
    EXPECT_EQ(changed, c.outcome == kRun) << c.id << " " << c.selected;
    EXPECT_EQ(view->GetCurrentTool(), c.outcome == kArmed ? c.id : ID_TOOL_NODE) << c.id << " " << c.selected;
    EXPECT_EQ(view->GetEditObject(), path) << c.id;
    EndEditing();
  }
  // Not a path in editing: nothing at all.
  view->SetCurrentTool(ID_TOOL_NODE);
  Command(40119);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_NODE);
}

TEST_F(NodeTest, KeysOfTheEditedPathReachTheirCommands) {
  // "d" posts the contour deletion, "h" arms the serial-node replacement
  // without leaving node editing.
  CPathObject* path = EditedSquare();
  path->SelectNode(1, view);
  path->SelectNode(2, view);
  view->SendMessage(fw::WM_CHAR, 'h', 0);
  fw::PumpPendingMessages();
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_REPLACE_CURVE);
  EXPECT_EQ(view->GetEditObject(), path);
  // The right click returns to the node tool.
  RightClick(150, 150);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_NODE);
  EXPECT_EQ(view->GetEditObject(), path);

  view->SendMessage(fw::WM_CHAR, 'd', 0);
  fw::PumpPendingMessages();
  EXPECT_EQ(view->GetEditObject(), path);
  for (const PathPoint& p : RecordsOf(*path)) EXPECT_GE(p.flags, PP_SPECIAL);

  // Arrow keys: the selected nodes of the edited path move.
  EndEditing();
  path = EditedSquare();
  path->SelectNode(0, view);
  const float x0 = RecordsOf(*path)[0].x;
  view->SendMessage(fw::WM_KEYDOWN, fw::VK_RIGHT, 0);
  EXPECT_GT(RecordsOf(*path)[0].x, x0);
  EXPECT_FLOAT_EQ(RecordsOf(*path)[1].x, 200.0f);
  EndEditing();

  // The edited text gets the keys first.
  auto* text = new KeyText();
  doc->AddObject(text, false);
  text->editMode = ID_TOOL_TEXT;
  view->SetEditObject(text);
  view->SendMessage(fw::WM_KEYDOWN, fw::VK_LEFT, 0);
  view->SendMessage(fw::WM_KEYDOWN, fw::VK_HOME, 0);
  EXPECT_EQ(text->keys, (std::vector<std::uint32_t>{fw::VK_LEFT, fw::VK_HOME}));
  text->editMode = 0;
  view->SetEditObject(nullptr);

  // Without one, the tracker nudges the selection.
  CGraphObject* square = MakeRectPath(300, 300, 320, 320).release();
  doc->AddObject(square, false);
  view->Tracker()->Select(square);
  view->SendMessage(fw::WM_KEYDOWN, fw::VK_RIGHT, 0);
  EXPECT_NEAR(square->bounds.left, 300.0 + view->GetUnitsPerPixel(), 1e-3);
  EXPECT_EQ(text->keys.size(), 2u);
}

TEST_F(NodeTest, RightClickSwitchesTools) {
  struct Case {
    std::uint32_t tool, flags, after;
  } cases[] = {
      {ID_TOOL_SELECT, 0, ID_TOOL_TEXT},
      {ID_TOOL_TEXT, 0, ID_TOOL_SELECT},
      {ID_TOOL_TEXT_DRAG, 0, ID_TOOL_SELECT},
      {ID_TOOL_SET_OUTAREA, 0, ID_TOOL_SELECT_OUTAREA},
      {ID_TOOL_NODE, 0, ID_TOOL_SELECT},
      {ID_TOOL_NODE_INSERT, 0, ID_TOOL_NODE},
      {ID_TOOL_NODE_DELETE, 0, ID_TOOL_NODE},
      {ID_TOOL_NODE_BREAK, 0, ID_TOOL_NODE},
      {ID_TOOL_TO_CURVE, 0, ID_TOOL_NODE},
      {ID_TOOL_TO_LINE, 0, ID_TOOL_NODE},
      {ID_TOOL_EXTEND, 0, ID_TOOL_NODE},
      {ID_TOOL_RECT, 0, ID_TOOL_SELECT},
      {ID_TOOL_SELECT, fw::MK_SHIFT, ID_TOOL_SELECT},
      {ID_TOOL_TEXT, fw::MK_SHIFT, ID_TOOL_TEXT},
  };
  for (const Case& c : cases) {
    view->SetCurrentTool(c.tool);
    RightClick(600, 800, c.flags);
    EXPECT_EQ(view->GetCurrentTool(), c.after) << c.tool << " " << c.flags;
  }
  // Alt held: nothing is switched.
  view->SetCurrentTool(ID_TOOL_SELECT);
  fw::SetKeyDown(fw::VK_MENU, true);
  RightClick(600, 800);
  fw::SetKeyDown(fw::VK_MENU, false);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);

  // Node tool with a path in editing: the editing ends, the tool stays.
  CPathObject* path = EditedSquare();
  RightClick(600, 800);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  EXPECT_EQ(path->editMode, 0u);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_NODE);
}

TEST_F(NodeTest, DoubleClickEntersNodeEditing) {
  CPathObject* path = MakeRectPath(100, 100, 200, 200).release();
  doc->AddObject(path, false);
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
  fw::PumpPendingMessages();
  const int steps = Steps();
  DoubleClick(150, 102);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_NODE);
  EXPECT_EQ(view->GetEditObject(), path);
  EXPECT_EQ(path->selected, 0u);
  ASSERT_GT(Steps(), steps);
  // In node editing a double click on an edge inserts a node there.
  const std::size_t records = RecordsOf(*path).size();
  const int editing = Steps();
  DoubleClick(150, 102);
  EXPECT_EQ(RecordsOf(*path).size(), records + 1);
  while (Steps() > editing) UndoStep();
  EXPECT_EQ(RecordsOf(*path).size(), records);
  EXPECT_EQ(view->GetEditObject(), path);
  UndoStep();
  EXPECT_EQ(view->GetEditObject(), nullptr);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);

  // On an image: a new empty path below everything is edited instead, and
  // Undo takes it away again.
  EndEditing();
  auto* image = new CImageObject();
  image->bounds = CFRect(300, 300, 400, 400);
  doc->AddObject(image, false);
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
  DoubleClick(350, 350);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  auto* traced = dynamic_cast<CPathObject*>(doc->GetObjectAt(0));
  ASSERT_NE(traced, nullptr);
  EXPECT_EQ(view->GetEditObject(), traced);
  EXPECT_EQ(traced->color, 255u);
  EXPECT_EQ(image->editMode, 0u);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(1), image);
  EXPECT_EQ(view->GetEditObject(), nullptr);

  // Alt: the property window instead; Ctrl: the page setting; nothing is edited.
  view->SetCurrentTool(ID_TOOL_SELECT);
  fw::SetKeyDown(fw::VK_MENU, true);
  DoubleClick(150, 150);
  fw::SetKeyDown(fw::VK_MENU, false);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  ASSERT_NE(ThePropertyFrame(), nullptr);
  EXPECT_TRUE(ThePropertyFrame()->IsWindowVisible());
  DoubleClick(150, 150, fw::MK_CONTROL);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);
}

}  // namespace
