// The output-area tracker in the design view: picking, moving, resizing,
// deleting and filling areas through the view's mouse handlers and commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/outareatracker.h"
#include "app/selecttracker.h"
#include "app/tests/tracker_fixture.h"
#include "view_fixture.h"
#include "framework/clipboard.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "model/outarea.h"
#include "model/rectobject.h"

using namespace apptest;

namespace {

class AreaTest : public StartedViewTest {
 protected:
  AreaTest() : StartedViewTest(kPageView) {}
  void SetUp() override {
    StartedViewTest::SetUp();
    if (HasFatalFailure()) return;
    fw::PumpPendingMessages();
    view->SetTool(ID_TOOL_SELECT_OUTAREA);
    view->UpdateWindow();
  }
  void TearDown() override {
    for (fw::UINT vk : {fw::UINT('X'), fw::UINT('C')}) fw::SetKeyDown(vk, false);
    StartedViewTest::TearDown();
  }

  COutArea* AddArea(float l, float t, float r, float b) {
    auto* a = new COutArea(l, t, r, b);
    doc->GetOutAreaList().Add(a);
    return a;
  }
  // A: (30,30)-(150,150), B overlapping it: (90,90)-(210,210).
  void AddTwo() {
    AddArea(30, 30, 150, 150);
    AddArea(90, 90, 210, 210);
  }
  CGuideList& Areas() { return doc->GetOutAreaList(); }
  COutArea* At(int i) { return static_cast<COutArea*>(Areas().GetAt(i)); }
  std::vector<int> Selected() {
    std::vector<int> out;
    for (int i = 0; i < Areas().GetSize(); ++i)
      if (Areas().GetAt(i)->selection) out.push_back(i);
    return out;
  }
  COutAreaTracker& Tracker() { return view->AreaTracker(); }

  // The page offset a drag between two device points makes.
  CFPoint PageDelta(fw::POINT a, fw::POINT b) const {
    const CFPoint p = view->DeviceToPage(a.x, a.y), q = view->DeviceToPage(b.x, b.y);
    return CFPoint{q.x - p.x, q.y - p.y};
  }
  // Mouse steps at page points, through the view's handlers.
  void Down(fw::POINT p, fw::UINT flags = 0) { view->OnLButtonDown(flags | fw::MK_LBUTTON, p); }
  void Move(fw::POINT p, fw::UINT flags = 0) { view->OnMouseMove(flags | fw::MK_LBUTTON, p); }
  void Up(fw::POINT p, fw::UINT flags = 0) { view->OnLButtonUp(flags, p); }
  void Click(float x, float y, fw::UINT flags = 0) {
    Down(Dev(x, y), flags);
    Up(Dev(x, y), flags);
  }
  // A drag from a page point by a device offset; returns the page offset.
  CFPoint DragBy(float x, float y, int dx, int dy, fw::UINT flags = 0) {
    const fw::POINT a = Dev(x, y), b{a.x + dx, a.y + dy};
    Down(a, flags);
    Move(fw::POINT{a.x + dx / 2, a.y + dy / 2}, flags);
    Move(b, flags);
    Up(b, flags);
    return PageDelta(a, b);
  }
  void Command(std::uint32_t id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  fw::RECT InvalidRect() {
    fw::RECT r{0, 0, 0, 0};
    view->GetUpdateRect(&r);
    return r;
  }
  fw::RECT Client() {
    fw::RECT r;
    view->fw::CWnd::GetClientRect(&r);
    return r;
  }
  std::vector<std::uint32_t> Screen() {
    const plat::Surface& s = view->GetSurface().surface();
    return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * std::size_t(s.height()));
  }
};

void ExpectRect(const CFRect& r, float l, float t, float rr, float b) {
  EXPECT_NEAR(r.left, l, 1e-3f);
  EXPECT_NEAR(r.top, t, 1e-3f);
  EXPECT_NEAR(r.right, rr, 1e-3f);
  EXPECT_NEAR(r.bottom, b, 1e-3f);
}

}  // namespace

// Which areas a click, Shift-click or band picks.
TEST_F(AreaTest, PickRule) {
  struct Step {
    float x, y;
    fw::UINT flags;
    int bandDx = 0, bandDy = 0;  // a band drag instead of a click
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> selected;
  };
  const std::vector<Case> cases = {
      {"inside both: the first in the list", {{120, 120, 0}}, {0}},
      {"an edge of the later one inside the first wins", {{90, 120, 0}}, {1}},
      {"an edge of the first", {{30, 60, 0}}, {0}},
      {"outside the first within the tolerance", {{28.5f, 60, 0}}, {0}},
      {"inside the later one only", {{190, 190, 0}}, {1}},
      {"nowhere", {{300, 300, 0}}, {}},
      {"a click elsewhere unselects", {{190, 190, 0}, {300, 300, 0}}, {}},
      {"shift adds", {{60, 60, 0}, {190, 190, fw::MK_SHIFT}}, {0, 1}},
      {"a band takes the areas strictly inside", {{20, 20, 0, 100, 100}}, {0}},
      {"a band across an area takes none", {{20, 20, 0, 80, 80}}, {}},
  };
  AddTwo();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tracker().ClearSelection(nullptr, true);
    for (const Step& s : c.steps) {
      if (s.bandDx || s.bandDy)
        DragBy(s.x, s.y, s.bandDx, s.bandDy, s.flags);
      else
        Click(s.x, s.y, s.flags);
    }
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(Tracker().GetSelectedCount(), int(c.selected.size()));
  }
  // The areas take the press before the selection tracker: no object is picked.
  doc->AddObject(apptest::MakeRectPath(20, 20, 160, 160).release(), false);
  Click(120, 120);
  EXPECT_EQ(view->Tracker()->GetSelectedCount(), 0);
  EXPECT_EQ(doc->GetObjectAt(0)->selected, 0u);
}

// Guides, page edges and grid snap a moved object but never a moved area.
TEST_F(AreaTest, MovesAreNotSnapped) {
  COutArea* a = AddArea(30, 200, 90, 260);
  for (int key : {'X', 'C'}) fw::SetKeyDown(fw::UINT(key), true);
  // The left edge to about 5 mm from the page edge, within the snapping distance.
  const int dx = -int(25.0 / view->GetUnitsPerPixel());
  Click(60, 230);
  const CFPoint d = DragBy(45, 230, dx, 7);
  ExpectRect(a->area, 30 + d.x, 200 + d.y, 90 + d.x, 260 + d.y);
  EXPECT_GT(a->area.left, 3.0f);
  EXPECT_TRUE(doc->IsModified());

  // The same drag of an object with the Select tool snaps it to the page edge.
  view->SetTool(ID_TOOL_SELECT);
  CGraphObject* o = apptest::MakeRectPath(30, 400, 90, 460).release();
  doc->AddObject(o, false);
  Click(30, 430);
  DragBy(45, 430, dx, 7);
  EXPECT_EQ(o->bounds.left, 0.0f);
}

// Only the eight size squares: a click keeps them, corners keep the aspect
// and edges move their own edge.
TEST_F(AreaTest, SizeHandlesOnly) {
  struct Case {
    const char* name;
    float hx, hy;  // the handle (the area's box widened by 8 pixels)
    int dx, dy;
    std::uint32_t cursor;
    // Expected rectangle from the page offset (ox, oy) of the drag.
    CFRect (*expect)(float ox, float oy);
  };
  // The area (100,100)-(220,220); its box reaches 8 pixels (about 11 mm) further.
  const std::vector<Case> cases = {
      {"corner 8 keeps the aspect", 231, 231, 15, 30, IDC_SIZENWSE,
       [](float ox, float) { return CFRect(100, 100, 220 + ox, 220 + ox); }},
      {"corner 1 across the opposite one flips", 89, 89, 200, 100, IDC_SIZENWSE,
       [](float ox, float oy) {
         const float k = std::min(std::fabs(120 - ox) / 120, std::fabs(120 - oy) / 120);
         return CFRect(220 + 120 * k, 220 + 120 * k, 220, 220);
       }},
      {"right edge", 231, 160, 20, 40, IDC_SIZEWE, [](float ox, float) { return CFRect(100, 100, 220 + ox, 220); }},
      {"top edge", 160, 89, -30, -10, IDC_SIZENS, [](float, float oy) { return CFRect(100, 100 + oy, 220, 220); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Areas().DeleteAll();
    Tracker().ClearSelection(nullptr, true);
    COutArea* a = AddArea(100, 100, 220, 220);
    Click(130, 170);
    Click(130, 170);  // a second click keeps the size set
    Click(130, 170);
    EXPECT_EQ(Tracker().GetHandleMode() & 0x7F, CHandleTracker::kModeSize);
    EXPECT_FALSE(Tracker().RotationAllowed());
    const fw::POINT h = Dev(c.hx, c.hy);
    Down(h);
    EXPECT_EQ(fw::GetCursor(), c.cursor);
    const fw::POINT e{h.x + c.dx, h.y + c.dy};
    Move(e);
    Up(e);
    const CFPoint o = PageDelta(h, e);
    CFRect want = c.expect(o.x, o.y);
    CFRect got = a->area;
    got.Normalize();
    want.Normalize();
    ExpectRect(got, want.left, want.top, want.right, want.bottom);
    EXPECT_EQ(Tracker().GetHandleMode() & 0x7F, CHandleTracker::kModeSize);
  }
}

// Deleting repaints the areas that went; the last one the whole view.
TEST_F(AreaTest, DeleteRepaintsTheAreasOrTheWholeView) {
  AddArea(30, 30, 90, 90);
  COutArea* b = AddArea(200, 200, 260, 260);
  AddArea(300, 300, 360, 360);
  Click(230, 230);
  view->UpdateWindow();
  Command(ID_EDIT_DELETE);
  ASSERT_EQ(Areas().GetSize(), 2);
  EXPECT_NE(At(1), b);
  const fw::RECT r = InvalidRect();
  const fw::POINT p = Dev(200, 200), q = Dev(260, 260);
  EXPECT_LE(r.left, p.x);
  EXPECT_GE(r.right, q.x);
  EXPECT_LT(r.right - r.left, (q.x - p.x) + 30);  // its rectangle, not the view
  EXPECT_EQ(Tracker().GetSelectedCount(), 0);

  // Nothing selected: nothing goes.
  view->UpdateWindow();
  Command(ID_EDIT_DELETE);
  EXPECT_EQ(Areas().GetSize(), 2);

  Click(60, 60);
  Click(330, 330, fw::MK_SHIFT);
  view->UpdateWindow();
  Command(ID_EDIT_DELETE);
  EXPECT_TRUE(Areas().IsEmpty());
  const fw::RECT all = InvalidRect(), client = Client();
  EXPECT_EQ(all.left, client.left);
  EXPECT_EQ(all.top, client.top);
  EXPECT_EQ(all.right, client.right);
  EXPECT_EQ(all.bottom, client.bottom);
}

// Area edits leave no undo step: Undo does not move an area back.
TEST_F(AreaTest, AreasAreNotPartOfUndo) {
  COutArea* a = AddArea(30, 30, 90, 90);
  CUndoList& undo = *view->GetUndoList();
  const int steps = undo.GetSize();
  Click(60, 60);
  DragBy(45, 70, 20, 20);
  const fw::POINT h = Dev(a->area.right + 12, a->area.bottom + 12);
  Down(h);
  Move(fw::POINT{h.x + 10, h.y + 10});
  Up(fw::POINT{h.x + 10, h.y + 10});
  EXPECT_EQ(undo.GetSize(), steps);
  const CFRect after = a->area;
  EXPECT_GT(after.left, 30.0f);
  EXPECT_GT(after.right - after.left, 60.0f);
  undo.UndoLastStep(*view);
  ExpectRect(a->area, after.left, after.top, after.right, after.bottom);
}

// Hovering over a corner of the one selected area shows cursor 195; with two
// selected the corners are no handles of their own.
TEST_F(AreaTest, CornerOfOneSelectedAreaShowsItsCursor) {
  AddArea(30, 30, 90, 90);
  AddArea(200, 200, 260, 260);
  Click(60, 60);
  fw::SetCursor(fw::HCURSOR(fw::IDC_ARROW));
  view->OnMouseMove(0, Dev(90, 30));
  EXPECT_EQ(fw::GetCursor(), IDC_OBJECT_HANDLE);
  EXPECT_EQ(Tracker().GetCurrentArea(), At(0));

  Click(230, 230, fw::MK_SHIFT);
  fw::SetCursor(fw::HCURSOR(fw::IDC_ARROW));
  view->OnMouseMove(0, Dev(90, 30));
  EXPECT_EQ(fw::GetCursor(), fw::HCURSOR(fw::IDC_ARROW));
}

// Ctrl at the end of an area move copies nothing and pastes nothing.
TEST_F(AreaTest, CtrlDragLeavesObjectsAndClipboardAlone) {
  trackertest::CountingClipboard clip;
  CClipboardServices* old = SetClipboardServices(&clip);
  CGraphObject* o = apptest::MakeRectPath(300, 300, 340, 340).release();
  doc->AddObject(o, false);
  o->selected = OBJ_SELECTED;
  COutArea* a = AddArea(30, 30, 90, 90);
  Click(60, 60);
  fw::SetKeyDown(fw::VK_CONTROL, true);
  const CFPoint d = DragBy(60, 60, 20, 10, fw::MK_CONTROL);
  fw::SetKeyDown(fw::VK_CONTROL, false);
  SetClipboardServices(old);
  ExpectRect(a->area, 30 + d.x, 30 + d.y, 90 + d.x, 90 + d.y);
  EXPECT_EQ(clip.opens, 0);
  EXPECT_EQ(clip.sets, 0);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  ExpectRect(o->bounds, 300, 300, 340, 340);
  EXPECT_EQ(Areas().GetSize(), 1);
}

// The output-area commands, reached from the main menu.
TEST_F(AreaTest, Commands) {
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  for (std::uint32_t id : {40024u, 32792u, 32794u, 32791u, 40032u, 32827u}) EXPECT_TRUE(menu->HasCommand(id)) << id;

  // Cut Out: objects unselected, Select an Outarea, the view repainted.
  view->SetTool(ID_TOOL_SELECT);
  CGraphObject* o = apptest::MakeRectPath(300, 300, 340, 340).release();
  doc->AddObject(o, false);
  view->Tracker()->Select(o);
  view->UpdateWindow();
  Command(40024);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT_OUTAREA);
  EXPECT_EQ(o->selected, 0u);
  EXPECT_EQ(view->Tracker()->GetSelectedCount(), 0);
  EXPECT_FALSE(InvalidRect().empty());

  // Set Outable Area: a drag makes an area, a click none.
  Command(32792);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SET_OUTAREA);
  EXPECT_TRUE(Tracker().IsActive());
  view->UpdateWindow();
  const fw::POINT a = Dev(30, 30), b = Dev(90, 120);
  Down(a);
  Move(b);
  Up(b);
  ASSERT_EQ(Areas().GetSize(), 1);
  const CFPoint pa = view->DeviceToPage(a.x, a.y), pb = view->DeviceToPage(b.x, b.y);
  ExpectRect(At(0)->area, pa.x, pa.y, pb.x, pb.y);
  EXPECT_EQ(InvalidRect().right, Client().right);  // the first area repaints the view
  Click(200, 200);
  EXPECT_EQ(Areas().GetSize(), 1);
  view->UpdateWindow();
  const fw::POINT c = Dev(200, 200), e = Dev(150, 150);
  Down(c);
  Move(e);
  Up(e);
  ASSERT_EQ(Areas().GetSize(), 2);
  ExpectRect(At(1)->area, view->DeviceToPage(e.x, e.y).x, view->DeviceToPage(e.x, e.y).y,
             view->DeviceToPage(c.x, c.y).x, view->DeviceToPage(c.x, c.y).y);
  EXPECT_LT(InvalidRect().right, Client().right);  // later ones only their rectangles

  // Fill and Outline Mode switch the selected areas only.
  Command(32794);
  Click(60, 60);
  o->flags |= OBJF_FILLED;
  o->selected = OBJ_SELECTED;
  Command(32827);
  EXPECT_EQ(At(0)->drawFlags & 0x100, 0);
  EXPECT_EQ(At(1)->drawFlags & 0x100, 0x100);
  EXPECT_EQ(o->flags & OBJF_FILLED, OBJF_FILLED);  // objects stay as they are
  o->selected = 0;
  Command(40032);
  EXPECT_EQ(At(0)->drawFlags & 0x100, 0x100);

  // Clear Outable Area acts only with an output-area tool.
  view->SetTool(ID_TOOL_SELECT);
  EXPECT_FALSE(Tracker().IsActive());
  Command(32791);
  EXPECT_EQ(Areas().GetSize(), 2);
  view->SetTool(ID_TOOL_SET_OUTAREA);
  view->UpdateWindow();
  Command(32791);
  EXPECT_TRUE(Areas().IsEmpty());
  EXPECT_EQ(Tracker().GetSelectedCount(), 0);
  EXPECT_EQ(Tracker().GetCurrentArea(), nullptr);
  EXPECT_EQ(InvalidRect().right, Client().right);
}

// Outside the output-area tools the fill switch goes to the selected objects,
// in one undo step.
TEST_F(AreaTest, FillModeOfObjectsIsOneUndoStep) {
  view->SetTool(ID_TOOL_SELECT);
  auto* a = new CRectObject();
  a->bounds = CFRect(10, 10, 50, 50);
  a->flags |= OBJF_FILLED;
  auto* b = new CRectObject();
  b->bounds = CFRect(100, 10, 150, 50);
  b->flags |= OBJF_FILLED;
  doc->AddObject(a, false);
  doc->AddObject(b, false);
  view->Tracker()->Select(a);
  Command(32827);
  EXPECT_EQ(a->flags & OBJF_FILLED, 0);
  EXPECT_EQ(b->flags & OBJF_FILLED, OBJF_FILLED);
  view->Tracker()->Hide(nullptr);
  view->GetUndoList()->UndoLastStep(*view);
  EXPECT_EQ(a->flags & OBJF_FILLED, OBJF_FILLED);
}

// Painted areas: filled ones white, outlined ones showing the page; a click
// on the selection leaves the screen as it was.
TEST_F(AreaTest, PaintingAndMarks) {
  COutArea* filled = AddArea(30, 30, 90, 90);
  COutArea* outline = AddArea(150, 30, 210, 90);
  outline->drawFlags = 0;
  (void)filled;
  view->Invalidate(fw::TRUE);
  view->UpdateWindow();
  plat::DC dc(view->GetSurface());
  const fw::POINT in1 = Dev(60, 60), in2 = Dev(180, 60), edge = Dev(150, 60);
  EXPECT_EQ(dc.GetPixel(in1.x, in1.y), plat::RGB(255, 255, 255));
  EXPECT_EQ(dc.GetPixel(in2.x, in2.y), plat::RGB(240, 240, 240));
  EXPECT_EQ(dc.GetPixel(edge.x, edge.y), plat::RGB(0, 0, 255));

  const std::vector<std::uint32_t> plain = Screen();
  const fw::POINT tl = Dev(30, 30);  // the top-left handle is 8 pixels out
  const plat::COLORREF bare = dc.GetPixel(tl.x - 8, tl.y - 8);
  Click(45, 70);
  const std::vector<std::uint32_t> marked = Screen();
  EXPECT_FALSE(marked == plain);
  // Off the middle handle: the press is near the selection and picks nothing new.
  Click(45, 70);
  EXPECT_TRUE(Screen() == marked);
  // A repaint while the button is down keeps the handles off until the
  // release puts them back.
  const plat::COLORREF handle = dc.GetPixel(tl.x - 8, tl.y - 8);
  ASSERT_NE(handle, bare);
  Down(Dev(45, 70));
  view->Invalidate(fw::TRUE);
  view->UpdateWindow();
  EXPECT_EQ(dc.GetPixel(tl.x - 8, tl.y - 8), bare);
  Up(Dev(45, 70));
  EXPECT_EQ(dc.GetPixel(tl.x - 8, tl.y - 8), handle);
  // Painting draws the same marks again.
  view->Invalidate(fw::TRUE);
  view->UpdateWindow();
  EXPECT_TRUE(Screen() == marked);
}
