// The design view's mouse, tools, painting and input routing, driven through
// its handlers in device pixels.
#include <gtest/gtest.h>

#include "app/rulers.h"
#include "model/guideline.h"
#include "model/guidelist.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "view_fixture.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "model/dllholder.h"
#include "model/ellipseobject.h"
#include "model/lineobject.h"
#include "model/outarea.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/rectobject.h"
#include "platform/gmem.h"
#include "framework/dialog.h"
#include "text/libbrowser.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

// Counts the characters and timers it is given while edited.
class EditProbe : public CRectObject {
 public:
  int OnCharText(CViewServices* view, std::uint32_t ch, std::uint32_t) override {
    chars.push_back(ch);
    depths.push_back(view->GetUndoRecordDepth());
    return 1;
  }
  int OnTimer(CViewServices*, std::uint32_t id) override { return id == 5 ? 1 : 0; }
  std::vector<std::uint32_t> chars;
  std::vector<int> depths;
};

std::uint32_t ThreeTransforms(std::uint32_t index, char* name, plat::HBITMAP* bitmap) {
  if ((index & 0xFFFF) == 0) return 3;
  std::snprintf(name, 40, "Shape %u", index);
  if (bitmap) *bitmap = nullptr;
  return 1;
}

std::vector<PathPoint> Nodes(CGraphObject* o) {
  std::vector<PathPoint> out;
  auto* p = dynamic_cast<CPathObject*>(o);
  if (!p || !p->points) return out;
  plat::GlobalLockGuard g(p->points);
  const auto* r = g.as<PathPoint>();
  for (int i = 0; i < p->count && r[i].flags != PP_END; ++i) out.push_back(r[i]);
  return out;
}

class DesignViewTest : public StartedViewTest {
 protected:
  DesignViewTest() : StartedViewTest(kPageView) {}

  // Mouse steps in device pixels.
  void Down(int x, int y, fw::UINT flags = 0) { view->OnLButtonDown(flags | fw::MK_LBUTTON, fw::POINT{x, y}); }
  void Move(int x, int y, fw::UINT flags = 0) { view->OnMouseMove(flags | fw::MK_LBUTTON, fw::POINT{x, y}); }
  void Up(int x, int y, fw::UINT flags = 0) { view->OnLButtonUp(flags, fw::POINT{x, y}); }
  void Drag(int x0, int y0, int x1, int y1, fw::UINT flags = 0) {
    Down(x0, y0, flags);
    Move((x0 + x1) / 2, (y0 + y1) / 2, flags);
    Move(x1, y1, flags);
    Up(x1, y1, flags);
  }
  void Click(int x, int y, fw::UINT flags = 0) {
    Down(x, y, flags);
    Up(x, y, flags);
  }
  // Select runs its menu command; the others switch directly.
  void Tool(std::uint32_t id) {
    if (id == ID_TOOL_SELECT)
      view->SendMessage(fw::WM_COMMAND, id, 0);
    else
      view->SetTool(id);
  }
  void Paint() {
    view->Invalidate(fw::TRUE);
    view->UpdateWindow();
  }
  plat::COLORREF Pixel(float x, float y) {
    plat::DC dc(view->GetSurface());
    const fw::POINT p = Dev(x, y);
    return dc.GetPixel(p.x, p.y);
  }
  CGraphObject* Last() { return doc->GetObjectCount() ? doc->GetObjectAt(doc->GetObjectCount() - 1) : nullptr; }
};

CRectObject* FilledRect(float l, float t, float r, float b, std::uint32_t packed) {
  auto* o = new CRectObject();
  o->x1 = l, o->y1 = t, o->x2 = r, o->y2 = b;
  o->bounds = CFRect(l, t, r, b);
  o->color = packed;
  o->flags |= OBJF_FILLED;
  return o;
}

}  // namespace

TEST_F(DesignViewTest, PaintingAndPickingAgreeOnTheTopObject) {
  doc->AddObject(FilledRect(20, 20, 120, 120, MakePackedRGB(255, 0, 0)), false);
  doc->AddObject(FilledRect(80, 80, 180, 180, MakePackedRGB(0, 0, 255)), false);
  Paint();
  EXPECT_EQ(Pixel(100, 100), plat::RGB(255, 0, 0));  // index 0 on top
  EXPECT_EQ(Pixel(150, 150), plat::RGB(0, 0, 255));
  EXPECT_EQ(Pixel(10, 10), plat::RGB(255, 255, 255));  // the page
  const fw::POINT p = Dev(100, 100);
  Click(p.x, p.y);
  EXPECT_EQ(doc->GetObjectAt(0)->selected, 1u);
  EXPECT_EQ(doc->GetObjectAt(1)->selected, 0u);
  EXPECT_EQ(view->Tracker()->GetSelectedCount(), 1);
  // An object flagged 2 is left out of painting.
  doc->GetObjectAt(0)->selected = OBJ_UNPAINTED;
  Paint();
  EXPECT_EQ(Pixel(100, 100), plat::RGB(0, 0, 255));
}

TEST_F(DesignViewTest, GuideLinesArePaintedAndDraggedBeforeTheObjects) {
  CGuideList& guides = view->GetRulers()->GetGuideList();
  doc->AddObject(FilledRect(20, 280, 120, 320, MakePackedRGB(255, 0, 0)), false);
  Paint();
  const plat::COLORREF page = Pixel(200, 300), object = Pixel(60, 300);
  guides.Add(std::make_unique<CGuideLine>(0.0f, 300.0f, 0.0));
  Paint();
  EXPECT_NE(Pixel(200, 300), page);  // over the page and over the object
  EXPECT_NE(Pixel(60, 300), object);

  // Pressing on the guide over the object drags the guide, not the object.
  Tool(ID_TOOL_SELECT);
  const fw::POINT p = Dev(60, 300);
  Drag(p.x, p.y, p.x, p.y + 30);
  EXPECT_EQ(guides.ItemAt(60, 300, 1.0f), nullptr);
  EXPECT_NE(guides.ItemAt(60, 345, 2.0f), nullptr);
  EXPECT_EQ(doc->GetObjectAt(0)->bounds.top, 280.0f);
  EXPECT_EQ(view->Tracker()->GetSelectedCount(), 0);
}

TEST_F(DesignViewTest, AGuideIsPulledOutOfTheTopRuler) {
  CViewRulers& rulers = *view->GetRulers();
  Tool(ID_TOOL_SELECT);
  const int before = rulers.GetGuideList().GetSize();
  // The press lands on the ruler bar's own window; the drag goes on in the view.
  rulers.Horizontal().OnLButtonDown(fw::MK_LBUTTON, fw::POINT{300, 7});
  const fw::POINT p = Dev(200, 300);
  Move(p.x, p.y);
  Up(p.x, p.y);
  ASSERT_EQ(rulers.GetGuideList().GetSize(), before + 1);
  EXPECT_NE(rulers.GetGuideList().ItemAt(50, 300, 2.0f), nullptr);
}

TEST_F(DesignViewTest, ShapeToolsMakeTheirObjectsInOneUndoStep) {
  // Rectangle: a 2-pixel drag is a click (its dialog), a 10-pixel drag up-left a rectangle.
  Tool(ID_TOOL_RECT);
  Drag(300, 300, 302, 300);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  Drag(300, 300, 290, 290);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  auto* rect = dynamic_cast<CRectObject*>(Last());
  ASSERT_NE(rect, nullptr);
  EXPECT_LT(rect->bounds.left, rect->bounds.right);
  EXPECT_NEAR(rect->bounds.right - rect->bounds.left, 15.0, 1e-3);  // 10 px at 1.5 mm
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 0);

  // Shift makes the rectangle square.
  fw::SetKeyDown(fw::VK_SHIFT, true);
  Drag(300, 300, 340, 320, fw::MK_SHIFT);
  fw::SetKeyDown(fw::VK_SHIFT, false);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  EXPECT_FLOAT_EQ(Last()->bounds.right - Last()->bounds.left, Last()->bounds.bottom - Last()->bounds.top);

  // Line: its ends are the drag's ends.
  Tool(ID_TOOL_LINE);
  const CFPoint a = view->DeviceToPage(200, 200), b = view->DeviceToPage(260, 230);
  Drag(200, 200, 260, 230);
  auto* line = dynamic_cast<CLineObject*>(Last());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ((CFPoint{line->x1, line->y1}), a);
  EXPECT_EQ((CFPoint{line->x2, line->y2}), b);

  // Ellipse: the drag rectangle as it was dragged, not normalised.
  Tool(ID_TOOL_CIRCLE);
  Drag(400, 400, 360, 380);
  auto* ellipse = dynamic_cast<CEllipseObject*>(Last());
  ASSERT_NE(ellipse, nullptr);
  EXPECT_GT(ellipse->x1, ellipse->x2);
  EXPECT_GT(ellipse->y1, ellipse->y2);
}

TEST_F(DesignViewTest, MultiClickToolsMakeOnePathWhenTheToolEnds) {
  struct Case {
    std::uint32_t tool;
    int clicks;
    std::size_t nodes;  // 0: any number above the clicks (a curve)
    std::uint8_t lastFlags;
  };
  const Case cases[] = {
      {ID_TOOL_POLYLINE, 3, 3, 0x21},
      {ID_TOOL_POLYGON, 3, 4, 0x41},  // the closing node repeats the first
      {ID_TOOL_BEZIER, 4, 0, 0},
      {ID_TOOL_POLYLINE, 1, 0, 0},  // one click: nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    const int before = doc->GetObjectCount();
    Tool(c.tool);
    const int xs[] = {100, 200, 200, 100};
    const int ys[] = {100, 100, 200, 250};
    for (int i = 0; i < c.clicks; ++i) Click(xs[i], ys[i]);
    Tool(ID_TOOL_SELECT);
    if (c.clicks < 2) {
      EXPECT_EQ(doc->GetObjectCount(), before);
      continue;
    }
    ASSERT_EQ(doc->GetObjectCount(), before + 1);
    const std::vector<PathPoint> nodes = Nodes(Last());
    if (c.nodes) {
      ASSERT_EQ(nodes.size(), c.nodes);
      const std::uint8_t lastFlags = nodes.back().flags, firstFlags = nodes.front().flags;
      EXPECT_EQ(lastFlags, c.lastFlags);
      EXPECT_EQ(firstFlags, 0x11);
      if (c.tool == ID_TOOL_POLYGON) {
        const float bx = nodes.back().x, by = nodes.back().y;
        const float fx = nodes.front().x, fy = nodes.front().y;
        EXPECT_EQ(bx, fx);
        EXPECT_EQ(by, fy);
      }
    } else {
      EXPECT_GT(nodes.size(), std::size_t(c.clicks));
      bool control = false;
      for (const PathPoint& n : nodes) {
        const std::uint8_t f = n.flags;
        control = control || !(f & 0x01);
      }
      EXPECT_TRUE(control);  // Bezier control points
    }
  }
}

// Each multi-click tool ended through the command route (a tool button, F2's zoom)
// after no, one or two clicks: only a real line reaches the document, and a lone
// click's path is dropped unused (the sanitizer build sees any later read of it).
TEST_F(DesignViewTest, MultiClickToolsEndThroughCommandsAfterAnyClickCount) {
  constexpr fw::UINT kZoomIn = 40112;
  for (std::uint32_t tool : {ID_TOOL_POLYLINE, ID_TOOL_POLYGON, ID_TOOL_BEZIER})
    for (int clicks = 0; clicks <= 2; ++clicks)
      for (fw::UINT next : {kZoomIn, fw::UINT(ID_TOOL_SELECT)}) {
        SCOPED_TRACE(std::to_string(tool) + " clicks " + std::to_string(clicks) + " then " + std::to_string(next));
        const int before = doc->GetObjectCount();
        main->SendMessage(fw::WM_COMMAND, tool, 0);
        ASSERT_EQ(view->GetCurrentTool(), tool);
        for (int i = 0; i < clicks; ++i) Click(100 + 100 * i, 100 + 50 * i);
        main->SendMessage(fw::WM_COMMAND, next, 0);
        EXPECT_EQ(view->GetCurrentTool(), next);
        EXPECT_EQ(view->GetPendingObject(), nullptr);
        EXPECT_EQ(doc->GetObjectCount(), before + (clicks == 2 ? 1 : 0));
      }
}

TEST_F(DesignViewTest, ZoomToolsAndAltPanning) {
  const double s0 = view->GetScale();
  Tool(ID_TOOL_ZOOM_IN);
  Click(400, 300);
  const double s1 = view->GetScale();
  EXPECT_NEAR(s0 / s1, 4.0, 0.6);  // a quarter of the area around the point
  fw::SetKeyDown(fw::VK_CONTROL, true);
  Click(400, 300, fw::MK_CONTROL);
  fw::SetKeyDown(fw::VK_CONTROL, false);
  EXPECT_NEAR(view->GetScale() / s1, 3.0, 0.5);  // with Ctrl: out by three
  const double s2 = view->GetScale();
  Drag(100, 100, 300, 250);  // a rectangle over 4 pixels
  EXPECT_LT(view->GetScale(), s2);
  Tool(ID_TOOL_ZOOM_OUT);
  const double s3 = view->GetScale();
  Click(400, 300);
  EXPECT_NEAR(view->GetScale() / s3, 3.0, 0.5);

  // Alt: 2 pixels do not pan; 20 pixels move the page with the pointer.
  Tool(ID_TOOL_SELECT);
  const CMatrix3 m0 = *view->GetViewMatrix();
  fw::SetKeyDown(fw::VK_MENU, true);
  Drag(300, 300, 302, 301);
  EXPECT_EQ(*view->GetViewMatrix(), m0);
  Drag(300, 300, 320, 290);
  fw::SetKeyDown(fw::VK_MENU, false);
  EXPECT_FLOAT_EQ(view->GetViewMatrix()->m20, m0.m20 + 20.0f);
  EXPECT_FLOAT_EQ(view->GetViewMatrix()->m21, m0.m21 - 10.0f);
}

TEST_F(DesignViewTest, MeasureShowsTheDistance) {
  Tool(ID_TOOL_MEASURE);
  Down(100, 100);
  Move(140, 130);
  EXPECT_EQ(main->GetStatusBar().GetPaneText(0).rfind("Measure (X = ", 0), 0u);
  EXPECT_NE(main->GetStatusBar().GetPaneText(0).find("Lenth:75.0"), std::string::npos);  // 50 px at 1.5
  Up(140, 130);
}

TEST_F(DesignViewTest, EmptyTextsGoWithTheirUndoKept) {
  Tool(ID_TOOL_TEXT);
  Click(200, 200);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(view->GetEditObject(), Last());
  EXPECT_EQ(Last()->kind, OBJ_TEXT);
  // A second click elsewhere: the first, still empty, goes; a new one comes.
  Click(300, 400);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  // The tool ends: the empty text goes too.
  Tool(ID_TOOL_SELECT);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  // Every step undoes without touching freed objects.
  int guard = 0;
  while (view->GetUndoList()->GetSize() > 0 && guard++ < 20) UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 0);
}

TEST_F(DesignViewTest, CharactersAndTimersGoToTheEditedObject) {
  auto* probe = new EditProbe();
  probe->bounds = CFRect(10, 10, 20, 20);
  probe->editMode = ID_TOOL_TEXT;
  doc->AddObject(probe, false);
  view->SetEditObject(probe);
  view->SendMessage(fw::WM_CHAR, 'A', 0);
  view->SendMessage(fw::WM_IME_CHAR, 0xB1EA, 0);
  EXPECT_EQ(probe->chars, (std::vector<std::uint32_t>{'A', 0xB1EA}));
  EXPECT_EQ(probe->depths, (std::vector<int>{1, 1}));
  EXPECT_EQ(view->GetUndoList()->GetRecordDepth(), 0);
  view->SendMessage(fw::WM_INPUTLANGCHANGE, 136, 0);
  EXPECT_EQ(view->GetInputCharset(), 136u);

  // A timer the object takes stays; one it does not is killed.
  view->fw::CWnd::SetTimer(5, 100);
  view->fw::CWnd::SetTimer(6, 100);
  view->SendMessage(fw::WM_TIMER, 5, 0);
  view->SendMessage(fw::WM_TIMER, 6, 0);
  EXPECT_TRUE(view->fw::CWnd::KillTimer(5));
  EXPECT_FALSE(view->fw::CWnd::KillTimer(6));
  view->SetEditObject(nullptr);
  view->fw::CWnd::SetTimer(7, 100);
  view->SendMessage(fw::WM_TIMER, 7, 0);
  EXPECT_FALSE(view->fw::CWnd::KillTimer(7));
}

TEST_F(DesignViewTest, DeleteTakesTheSelectionOrTheAreasOnly) {
  doc->AddObject(FilledRect(20, 20, 120, 120, 0), false);
  doc->AddObject(FilledRect(200, 200, 220, 220, 0), false);
  const fw::POINT p = Dev(60, 60);
  Click(p.x, p.y);
  Tool(ID_TOOL_SELECT_OUTAREA);
  view->SendMessage(fw::WM_COMMAND, ID_EDIT_DELETE, 0);
  EXPECT_EQ(doc->GetObjectCount(), 2);  // an output-area tool never deletes objects
  EXPECT_EQ(view->GetUndoList()->GetRecordDepth(), 0);
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
  view->Tracker()->Select(doc->GetObjectAt(0));
  view->SendMessage(fw::WM_COMMAND, ID_EDIT_DELETE, 0);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(doc->GetObjectAt(0)->bounds.left, 200.0f);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 2);
}

TEST_F(DesignViewTest, OutputAreaToolsGreyThePageOnceAnAreaExists) {
  Tool(ID_TOOL_SELECT_OUTAREA);
  Paint();
  EXPECT_EQ(Pixel(50, 50), plat::RGB(255, 255, 255));
  fw::RECT client;
  view->fw::CWnd::GetClientRect(&client);
  plat::DC dc(view->GetSurface());
  EXPECT_EQ(dc.GetPixel(client.right - 2, client.bottom - 2), plat::RGB(192, 192, 192));
  doc->GetOutAreaList().Add(std::make_unique<COutArea>(300, 300, 350, 350));
  Paint();
  EXPECT_EQ(Pixel(50, 50), plat::RGB(240, 240, 240));
  EXPECT_EQ(doc->GetPageInfo().m_backColor, 0xFFFFFFu);  // the stored colour is back
  Tool(ID_TOOL_SELECT);
  Paint();
  EXPECT_EQ(Pixel(50, 50), plat::RGB(255, 255, 255));
}

TEST_F(DesignViewTest, TransformItemsGoInOnceForTwoWindows) {
  CTransformDll& lib = TheTransformDll();
  ASSERT_TRUE(lib.IsLoaded());
  const auto saved = lib.dllGetTransformInfo;
  lib.dllGetTransformInfo = &ThreeTransforms;
  app->OnFileNew();
  app->OnFileNew();
  fw::PumpPendingMessages();
  lib.dllGetTransformInfo = saved;
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->HasCommand(60001));
  fw::CMenu* owner = nullptr;
  int at = -1;
  ASSERT_TRUE(menu->FindItem(60003, fw::MF_BYCOMMAND, &owner, &at));
  EXPECT_EQ(owner->GetMenuItemCount(), 3);
}

TEST_F(DesignViewTest, PaletteSwitchFollowsTheBar) {
  CPaletteBar& bar = main->GetPaletteBar();
  const bool shown = bar.IsVisible();
  view->SendMessage(fw::WM_COMMAND, ID_TOGGLE_PALETTE, 0);
  EXPECT_NE(bar.IsVisible(), shown);
  EXPECT_EQ((view->GetBarMask() & 8) != 0, !shown);
  view->SendMessage(fw::WM_COMMAND, ID_TOGGLE_PALETTE, 0);
  EXPECT_EQ(bar.IsVisible(), shown);
}

TEST_F(DesignViewTest, PaletteColourReachesTheSelection) {
  doc->AddObject(FilledRect(20, 20, 120, 120, 0), false);
  view->Tracker()->Select(doc->GetObjectAt(0));
  ASSERT_TRUE(SendColorToActiveView(MakePackedRGB(1, 2, 3)));
  EXPECT_EQ(static_cast<CRectObject*>(doc->GetObjectAt(0))->color, MakePackedRGB(1, 2, 3));
}

TEST_F(DesignViewTest, LibraryToolOpensThePictureChooserOnTheDraggedRectangle) {
  fw::ScriptedModalDriver driver;
  CFRect target;
  driver.Then([&](fw::CDialog& d) {
    if (auto* chooser = dynamic_cast<CLibInfoDlg*>(&d)) target = chooser->target;
    d.EndDialog(fw::IDCANCEL);
  });
  Tool(ID_TOOL_GRAPHLIB);
  const CFPoint a = view->DeviceToPage(300, 300), b = view->DeviceToPage(240, 260);
  Drag(300, 300, 240, 260);
  ASSERT_EQ(driver.Runs().size(), 1u);
  EXPECT_EQ(driver.Runs()[0].templateId, IDD_LIB_INFO);
  EXPECT_EQ(target, CFRect(b.x, b.y, a.x, a.y));
  EXPECT_EQ(doc->GetObjectCount(), 0);  // cancelled: nothing placed
}

TEST_F(DesignViewTest, CodeTableTypesIntoTheEditedTextInOneStep) {
  view->SetLanguageId(134);
  Tool(ID_TOOL_TEXT);
  Click(200, 200);
  auto* text = dynamic_cast<CTextObject*>(view->GetEditObject());
  ASSERT_NE(text, nullptr);
  const int steps = view->GetUndoList()->GetSize();
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_QUWEI, 0);
  CQuWeiDlg& qw = main->GetQuWei();
  ASSERT_TRUE(qw.m_hWnd);
  for (int i = 0; i < 15; ++i) qw.Item<fw::CSpinButtonCtrl>(IDC_CODE_ZONE_SPIN)->UserDelta(-1);  // down: zone + 1
  qw.Item<fw::CListBox>(IDC_CODE_LIST)->UserDoubleClick(0);
  fw::PumpPendingMessages();
  EXPECT_EQ(fw::CWnd::GetFocus(), view);
  ASSERT_EQ(text->chars.GetSize(), 1);
  ASSERT_NE(text->chars.CharAt(0), nullptr);
  EXPECT_EQ(text->chars.CharAt(0)->code, 0xB0A1);
  EXPECT_EQ(view->GetUndoList()->GetSize(), steps + 1);
  UndoStep();
  EXPECT_EQ(text->chars.GetSize(), 0);
}

TEST_F(DesignViewTest, FontCommandsOpenTheirDialogs) {
  fw::ScriptedModalDriver driver;
  // From the menu and the mode bar's first button (its right-button command too).
  main->SendMessage(fw::WM_COMMAND, appid::ID_FONT_SET, 0);
  main->SendMessage(fw::WM_COMMAND, appid::ID_BASELINE_SET, 0);
  ASSERT_EQ(driver.Runs().size(), 2u);
  EXPECT_EQ(driver.Runs()[0].templateId, 174u);
  EXPECT_EQ(driver.Runs()[0].caption, "Font Setting");
  EXPECT_EQ(driver.Runs()[1].templateId, 175u);
  fw::CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(appid::IDR_DESIGN));
  EXPECT_TRUE(menu.HasCommand(appid::ID_FONT_SET));
  EXPECT_TRUE(menu.HasCommand(appid::ID_BASELINE_SET));
}

namespace {

// Texts of single-byte characters 30 mm high (10 pixels wide at 1.5 mm a
// pixel), drawn by the stub glyphs, edited with the Text tool.
class TextDragTest : public DesignViewTest {
 protected:
  void SetUp() override {
    DesignViewTest::SetUp();
    saved = DefaultTextAttr();
    DefaultTextAttr() = TestAttr(30.0f);
    Tool(ID_TOOL_TEXT);
  }
  void TearDown() override {
    DefaultTextAttr() = saved;
    DesignViewTest::TearDown();
  }
  CTextObject* AddText(const char* s, float x, float y, float size = 30.0f) {
    auto* t = new CTextObject(0, x, y, x + 300, y + 60);
    for (const char* c = s; *c; ++c)
      t->chars.Add(std::make_unique<CBoxChar>(std::uint16_t(std::uint8_t(*c)), TestAttr(size)));
    t->Relayout(nullptr, -1);
    doc->AddObject(t, false);
    return t;
  }
  // A device point inside a character, at a fraction of its width.
  fw::POINT At(const CTextObject* t, int index, float along = 0.5f) {
    CFRect b = t->chars.CharAt(index)->box;
    t->matrix.TransformRectBounds(b);
    return Dev(b.left + (b.right - b.left) * along, (b.top + b.bottom) / 2);
  }
  fw::POINT Before(const CTextObject* t, int index) { return At(t, index, 0.2f); }
  fw::POINT After(const CTextObject* t, int index) { return At(t, index, 0.8f); }
  // Press on the first character, drag to the last, release.
  void Select(const CTextObject* t, int first, int last) {
    const fw::POINT a = Before(t, first), b = After(t, last);
    Down(a.x, a.y);
    Move(b.x, b.y);
    Up(b.x, b.y);
  }
  // Press on the selection, move to the drop point, release there.
  void DragTo(const CTextObject* from, int index, fw::POINT drop, fw::UINT flags = 0) {
    const fw::POINT a = At(from, index);
    Down(a.x, a.y, flags);
    Move((a.x + drop.x) / 2, (a.y + drop.y) / 2, flags);
    Move(drop.x, drop.y, flags);
    Up(drop.x, drop.y, flags);
  }
  static std::string Selected(const CTextObject* t) {
    std::string s;
    for (CBoxItem* item : t->chars.Items()) s += item->IsSelected() ? '1' : '0';
    return s;
  }
  // Every object's characters with sizes and places, selection left out.
  std::string Snapshot() const {
    std::string out;
    char buf[96];
    for (int i = 0; i < doc->GetObjectCount(); ++i) {
      auto* t = dynamic_cast<CTextObject*>(doc->GetObjectAt(i));
      if (!t) continue;
      const CFRect f = t->GetArrange()->GetFrame(), l = t->layoutRect;
      std::snprintf(buf, sizeof buf, "%p %g %g %g %g / %g %g %g %g:", static_cast<void*>(t), f.left, f.top,
                    f.right, f.bottom, l.left, l.top, l.right, l.bottom);
      out += buf;
      for (CBoxItem* item : t->chars.Items()) {
        if (!item->IsChar()) continue;
        const auto* c = static_cast<const CBoxChar*>(item);
        std::snprintf(buf, sizeof buf, "%c %g %g %g %g %x|", char(c->code), c->sizeX, c->sizeY,
                      c->box.left, c->box.top, unsigned(c->flags & ~BOXF_SELECTED));
        out += buf;
      }
      out += "\n";
    }
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (int i = 0; i < doc->GetObjectCount(); ++i)
      if (auto* t = dynamic_cast<CTextObject*>(doc->GetObjectAt(i))) out.push_back(t->GetText());
    return out;
  }

  StubGlyphSource glyphs;
  CTextAttr saved;
};

}  // namespace

TEST_F(TextDragTest, DraggingOverATextSelectsFromThePressedCharacter) {
  CTextObject* t = AddText("abcdef", 20, 50);
  Select(t, 1, 3);
  EXPECT_EQ(view->GetEditObject(), t);
  EXPECT_EQ(Selected(t), "011100");
  EXPECT_EQ(t->selectedCount, 3u);
  // From an unselected character back over the old selection: from the
  // pressed character to the one under the pointer, both included.
  const fw::POINT a = Before(t, 5), b = Before(t, 1);
  Down(a.x, a.y);
  Move(b.x, b.y);
  Up(b.x, b.y);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_TEXT);
  EXPECT_EQ(Selected(t), "011111");
  EXPECT_EQ(t->selectedCount, 5u);

  // The view's own step: from the anchor to the character under the pointer;
  // off every text the editing ends.
  t->mouseAnchor = 2;
  view->TextToolMouseMove(fw::MK_LBUTTON, view->DeviceToPage(After(t, 4).x, After(t, 4).y));
  EXPECT_EQ(Selected(t), "001110");
  EXPECT_EQ(t->caretIndex, 4);
  view->TextToolMouseMove(fw::MK_LBUTTON, CFPoint{380, 800});
  EXPECT_EQ(t->editMode, 0u);
  EXPECT_EQ(Selected(t), "000000");
  EXPECT_EQ(view->GetEditObject(), t);

  // A press on another text starts afresh, the caret on the pressed side of
  // the character; a jitter within the threshold selects nothing, whatever
  // an earlier drag left behind.
  CTextObject* u = AddText("uvw", 20, 300);
  ObjectDrag().moved = 1;
  const fw::POINT e = After(u, 1);
  Down(e.x, e.y);
  Move(e.x + 1, e.y);
  Up(e.x + 1, e.y);
  EXPECT_EQ(u->editMode, ID_TOOL_TEXT);
  EXPECT_EQ(view->GetEditObject(), u);
  EXPECT_EQ(Selected(u), "000");
  EXPECT_EQ(u->caretIndex, 1);
  EXPECT_EQ(u->caretSide, 0u);
}

TEST_F(TextDragTest, DroppedCharactersMoveOrCopyInOneUndoStep) {
  struct Case {
    const char* name;
    const char* a;
    int first, last;       // the selection in the first text
    int dropText;          // 0 the first text, 1 the second, -1 empty page
    int dropChar;          // the character the drop lands on
    bool after;            // on its right half
    fw::UINT flags;
    std::vector<std::string> texts;  // in document order afterwards
    const char* selection;           // of the text edited afterwards
  };
  const Case cases[] = {
      {"within one text", "abcdef", 1, 2, 0, 4, false, 0, {"adbcef", "xyz"}, "001100"},
      {"to its end", "abcdef", 0, 1, 0, 5, true, 0, {"cdefab", "xyz"}, "000011"},
      {"to its start", "abcdef", 3, 5, 0, 0, false, 0, {"defabc", "xyz"}, "111000"},
      {"into another text", "abc", 1, 1, 1, 1, false, 0, {"ac", "xbyz"}, "0100"},
      {"copy with Ctrl", "abc", 1, 1, 1, 1, false, fw::MK_CONTROL, {"abc", "xbyz"}, "0100"},
      {"copy within one text", "abcdef", 1, 2, 0, 4, false, fw::MK_CONTROL, {"abcdbcef", "xyz"}, "00001100"},
      {"an emptied text goes", "ab", 0, 1, 1, 2, true, 0, {"xyzab"}, "00011"},
      {"onto the page", "abc", 1, 1, -1, 0, false, 0, {"ac", "xyz", "b"}, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTextObject* a = AddText(c.a, 20, 50);
    CTextObject* b = AddText("xyz", 20, 200);
    const std::string before = Snapshot();
    const std::vector<std::string> texts = Texts();
    Select(a, c.first, c.last);
    ASSERT_EQ(a->CountSelected(), c.last - c.first + 1);
    const int steps = view->GetUndoList()->GetSize();
    CTextObject* to = c.dropText == 0 ? a : b;
    const fw::POINT drop = c.dropText < 0 ? Dev(100, 600) : At(to, c.dropChar, c.after ? 0.8f : 0.2f);
    DragTo(a, c.first, drop, c.flags);
    EXPECT_EQ(Texts(), c.texts);
    EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_TEXT);
    // The characters that came are the selection of the edited text.
    auto* edited = dynamic_cast<CTextObject*>(view->GetEditObject());
    ASSERT_NE(edited, nullptr);
    EXPECT_EQ(edited, c.dropText < 0 ? Last() : to);
    EXPECT_EQ(edited->editMode, ID_TOOL_TEXT);
    EXPECT_EQ(Selected(edited), c.selection);
    EXPECT_EQ(int(edited->selectedCount), c.last - c.first + 1);
    if (edited != a) {
      EXPECT_EQ(a->CountSelected(), 0);
      EXPECT_EQ(a->editMode, 0u);
    }

    // One step takes all of it back, the emptied text included.
    ASSERT_EQ(view->GetUndoList()->GetSize(), steps + 1);
    UndoStep();
    EXPECT_EQ(Texts(), texts);
    EXPECT_EQ(Snapshot(), before);
    // The view keeps no text that the undo took away.
    if (CGraphObject* e = view->GetEditObject()) EXPECT_GE(doc->IndexOfObject(e), 0);

    view->SetEditObject(nullptr);
    view->SetHoverObject(nullptr);
    view->GetUndoList()->DeleteAll();
    while (doc->GetObjectCount() > 0) {
      CGraphObject* o = doc->GetObjectAt(0);
      doc->RemoveObject(o);
      delete o;
    }
  }
}

TEST_F(TextDragTest, MovedCharactersKeepTheirPageSizeOrTakeTheCaretsWithShift) {
  // The target shows its 20-unit characters twice as large: 40 mm.
  CTextObject* b = AddText("xyz", 10, 100, 20.0f);
  b->matrix = CMatrix3(2, 0, 0, 2, 0, 0);
  b->Relayout(nullptr, -1);
  for (fw::UINT flags : {fw::UINT(0), fw::UINT(fw::MK_SHIFT)}) {
    SCOPED_TRACE(flags);
    // The source shows its 20-unit characters at 30 mm.
    CTextObject* a = AddText("abc", 20, flags ? 400.0f : 500.0f, 20.0f);
    a->matrix = CMatrix3(1.5f, 0, 0, 1.5f, 0, 0);
    a->Relayout(nullptr, -1);
    Select(a, 1, 1);
    const int at = flags ? 2 : 1;  // before the 'y'
    DragTo(a, 1, Before(b, at), flags);
    ASSERT_EQ(b->GetText(), flags ? "xbbyz" : "xbyz");
    const CBoxChar* moved = b->chars.CharAt(at);
    // 30 mm on the page either way without Shift; the caret's 40 mm with it.
    const float expected = flags ? 20.0f : 15.0f;
    EXPECT_FLOAT_EQ(moved->sizeX, expected);
    EXPECT_FLOAT_EQ(moved->sizeY, expected);
    view->SetEditObject(nullptr);
  }
}

TEST_F(TextDragTest, ADropOnTheSelectionMovesNothing) {
  CTextObject* a = AddText("abcd", 20, 50);
  Select(a, 1, 2);
  const int steps = view->GetUndoList()->GetSize();
  DragTo(a, 1, After(a, 2));
  EXPECT_EQ(a->GetText(), "abcd");
  EXPECT_EQ(Selected(a), "0110");
  EXPECT_EQ(view->GetEditObject(), a);
  EXPECT_EQ(a->caretIndex, 2);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_TEXT);
  EXPECT_EQ(view->GetHoverObject(), nullptr);
  EXPECT_EQ(view->GetUndoList()->GetSize(), steps);
}

TEST_F(DesignViewTest, ZoomAndMeasureToolsComeFromTheirCommands) {
  for (std::uint32_t id : {ID_TOOL_ZOOM_IN, ID_TOOL_ZOOM_OUT, ID_TOOL_MEASURE}) {
    view->SendMessage(fw::WM_COMMAND, id, 0);
    EXPECT_EQ(view->GetCurrentTool(), id);
  }
}
