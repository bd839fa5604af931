// The cut window over a design: opened by Cutout, its view's arrangement and
// paper edges, its pages, and a run through the cutter bar to a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/appids.h"
#include "app/cutview.h"
#include "app/designview.h"
#include "app/document.h"
#include "app_fixture.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/groupobject.h"
#include "model/imageobject.h"
#include "model/outarea.h"
#include "model/records.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/cutwindow.h"
#include "output/halfcutdlg.h"
#include "output/portsettingdlg.h"
#include "output/tests/helpers.h"

using namespace apptest;

namespace {

bool MenuHas(const std::vector<fw::MenuItemDef>& items, fw::UINT id) {
  for (const fw::MenuItemDef& i : items)
    if (i.id == id || MenuHas(i.items, id)) return true;
  return false;
}

template <class T>
T& BarItem(CCutFrame& frame, fw::UINT id) {
  return *dynamic_cast<T*>(frame.GetCutterBar().GetDlgItem(id));
}

class CutWindowTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    design = StartDesignView(&main);
    ASSERT_NE(design, nullptr);
    doc = design->GetDoc();
    // The test models; a 400 x 300 mm paper at the origin.
    const std::string ini = Path("Cutters.INI");
    std::filesystem::copy_file(std::string(TINDREL_TEST_DATA) + "/../../../output/tests/data/Cutters.INI", ini);
    g_CutterIni.SetPath(ini);
    g_CutterIni.WriteString("CutInfo", "Device", "DMPL Cutter");
    g_CutterIni.WriteString("CutInfo", "Port", "File");
    g_CutterIni.WriteInt("CutInfo", "PaperWidth", 400);
    g_CutterIni.WriteInt("CutInfo", "PaperHeight", 300);
    g_CutterIni.WriteInt("CutInfo", "SavePaper", 0);
    g_CutterIni.WriteInt("CutInfo", "TextLine", 0);
    g_CutInfo = CCutInfo();
    GetCutterDevice().port.SetSettingsPath(Path("Port.INI"));
    doc->AddObject(MakeRectPath(10, 10, 50, 30).release(), false);
    doc->AddObject(MakeRectPath(100, 200, 140, 260).release(), false);
    auto image = std::make_unique<CImageObject>("photo.bmp");
    image->SetRect(200, 20, 260, 80);
    doc->AddObject(image.release(), false);
  }

  CCutFrame* Open() {
    CCutFrame* frame = design->OpenCutWindow();
    EXPECT_NE(frame, nullptr);
    if (!frame) return nullptr;
    cut = dynamic_cast<CCUTView*>(frame->GetActiveView());
    EXPECT_NE(cut, nullptr);
    return frame;
  }
  static int PathCount(CSegArray& list) {
    int n = 0;
    for (CGraphObject* o : list.Objects())
      n += o->kind == OBJ_GROUP ? static_cast<CGroupObject*>(o)->GetChildCount() : 1;
    return n;
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* design = nullptr;
  CVORLAN98Doc* doc = nullptr;
  CCUTView* cut = nullptr;
};

// The main menu offers Cutout; it opens the cut window over the design (the
// page's objects, no image), hides the main window, and closing it brings the
// main window back.
TEST_F(CutWindowTest, CutoutOpensTheWindowAndClosingBringsTheMainWindowBack) {
  ASSERT_NE(fw::res::FindMenu(appid::IDR_DESIGN), nullptr);
  EXPECT_TRUE(MenuHas(*fw::res::FindMenu(appid::IDR_DESIGN), ID_TOOL_CUTOUT));
  design->SendMessage(fw::WM_COMMAND, ID_TOOL_CUTOUT, 0);
  fw::CWnd* found = fw::CWnd::FindWindow(nullptr, "CutOut  ");
  auto* frame = dynamic_cast<CCutFrame*>(found);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(main->IsWindowVisible());
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_EQ(frame->GetMenu(), nullptr);
  // Maximised over the whole screen, not over the design view that owns it.
  EXPECT_TRUE(frame->IsZoomed());
  fw::RECT area{};
  frame->GetWindowRect(&area);
  EXPECT_EQ(area.width(), fw::GetScreenSize().cx);
  EXPECT_EQ(area.height(), fw::GetScreenSize().cy);
  cut = dynamic_cast<CCUTView*>(frame->GetActiveView());
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->GetCurrentTool(), 40070u);
  EXPECT_EQ(PathCount(*cut->GetObjectList()), 2);
  // The design's view list is left alone.
  EXPECT_EQ(doc->GetViewCount(), 1);
  // The colour list holds the colours of the arranged objects.
  auto* colors = frame->GetCutBar().Options().Item<fw::CComboBox>(cutid::IDC_COLOR_LIST);
  ASSERT_NE(colors, nullptr);
  EXPECT_EQ(colors->GetCount(), 1);
  // The settings dialogs are offered; the hand-over only to a device.
  CCutOptionsPage& options = frame->GetCutBar().Options();
  EXPECT_TRUE(options.GetDlgItem(cutid::IDC_HALF_SET)->IsWindowEnabled());
  EXPECT_TRUE(frame->GetCutBar().Knife().GetDlgItem(cutid::IDC_PORT_SETTING)->IsWindowEnabled());
  EXPECT_FALSE(options.GetDlgItem(cutid::IDC_KELVO)->IsWindowEnabled());

  frame->SendMessage(fw::WM_CLOSE);
  EXPECT_EQ(fw::CWnd::FindWindow(nullptr, "CutOut  "), nullptr);
  EXPECT_TRUE(main->IsWindowVisible());
}

// The view paints light grey around the white paper window, the objects on it.
TEST_F(CutWindowTest, PaintsThePaperAndTheObjects) {
  CCutFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  frame->GetInfo().right = 200;  // half the page
  cut->OnRedraw();
  cut->UpdateWindow();
  plat::DC dc(cut->GetSurface());
  auto pixel = [&](float x, float y) {
    const plat::POINT p = cut->PageToDevice(CFPoint{x, y});
    return dc.GetPixel(p.x, p.y);
  };
  EXPECT_EQ(pixel(100, 100), plat::RGB(255, 255, 255));  // paper
  EXPECT_EQ(pixel(10, 20), plat::RGB(0, 0, 0));          // the first rectangle's left side
  // Just beyond the paper's right edge (inside the client): grey.
  const plat::POINT edge = cut->PageToDevice(CFPoint{200, 100});
  const fw::SIZE client = cut->GetClientSize();
  ASSERT_LT(edge.x + 5, client.cx);
  EXPECT_EQ(dc.GetPixel(edge.x + 5, edge.y), plat::RGB(192, 192, 192));
  // A paper window far larger than the view still paints it white.
  frame->GetInfo().right = 1e7f;
  frame->GetInfo().bottom = 1e7f;
  cut->Invalidate(fw::TRUE);
  cut->UpdateWindow();
  EXPECT_EQ(dc.GetPixel(edge.x + 5, edge.y), plat::RGB(255, 255, 255));
  frame->DestroyWindow();
}

// The colour filter: "Colors" with a colour chosen rebuilds with that
// colour's outlines only.
TEST_F(CutWindowTest, ColourChoiceRebuilds) {
  static_cast<CPathObject*>(doc->GetObjectAt(1))->color = 5;
  CCutFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  CCutOptionsPage& options = frame->GetCutBar().Options();
  auto& colors = *options.Item<fw::CComboBox>(cutid::IDC_COLOR_LIST);
  ASSERT_EQ(colors.GetCount(), 2);
  options.ClickButton(cutid::IDC_COLORS);
  EXPECT_TRUE(colors.IsWindowVisible());
  colors.UserSelect(colors.FindStringExact(-1, "5"));
  fw::PumpPendingMessages();
  EXPECT_EQ(frame->GetInfo().colorIndex, 5);
  ASSERT_EQ(PathCount(*cut->GetObjectList()), 1);
  CFRect b;
  cut->GetObjectList()->GetBoundRect(&b, 0);
  EXPECT_EQ(b, CFRect(100, 200, 140, 260));
  frame->DestroyWindow();
}

// 57609 puts a cut view in place of the main frame's panes; the panes come
// back when it goes.
TEST_F(CutWindowTest, CutViewInTheMainFrame) {
  design->SendMessage(fw::WM_COMMAND, ID_CUT_VIEW_IN_FRAME, 0);
  ASSERT_TRUE(main->IsInPreviewMode());
  auto* view = dynamic_cast<CCUTView*>(main->GetDlgItem(fw::AFX_IDW_PANE_FIRST));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(main->GetActiveView(), view);
  EXPECT_EQ(PathCount(*view->GetObjectList()), 2);
  EXPECT_EQ(g_CutInfo.Width(), 400.0f);  // the stored paper
  EXPECT_EQ(g_CutInfo.Height(), 300.0f);
  fw::CWnd* panes = main->GetDlgItem(fw::AFX_IDW_PANE_SAVE);
  ASSERT_NE(panes, nullptr);
  EXPECT_FALSE(panes->IsWindowVisible());
  view->DestroyWindow();
  EXPECT_FALSE(main->IsInPreviewMode());
  EXPECT_TRUE(panes->IsWindowVisible());
  EXPECT_EQ(main->GetActiveView(), design);
}

// The cut view in the main frame has a way back: its bar's "Close", or Escape, gives
// the design back with the menu and every bar that was shown.
TEST_F(CutWindowTest, CutViewInTheMainFrameClosesByButtonOrEscape) {
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  std::vector<fw::CControlBar*> shown;
  for (fw::CControlBar* b : main->GetControlBars())
    if (b->IsVisible()) shown.push_back(b);
  ASSERT_FALSE(shown.empty());
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "Close" : "Escape");
    design->SendMessage(fw::WM_COMMAND, ID_CUT_VIEW_IN_FRAME, 0);
    ASSERT_TRUE(main->IsInPreviewMode());
    auto* view = dynamic_cast<CCUTView*>(main->GetDlgItem(fw::AFX_IDW_PANE_FIRST));
    ASSERT_NE(view, nullptr);
    fw::CControlBar* bar = main->GetControlBar(fw::AFX_IDW_PREVIEW_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsVisible());
    auto* close = dynamic_cast<fw::CButton*>(bar->GetDlgItem(fw::AFX_ID_PREVIEW_CLOSE));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetWindowText(), "Close");
    // The view lies below the bar.
    EXPECT_GE(view->GetRectInParent().top, bar->GetRectInParent().bottom);
    main->UpdateControlBars(fw::TRUE);  // the bar's button finds its handler
    if (way == 0) {
      EXPECT_TRUE(close->IsWindowEnabled());
      close->Click();
    } else {
      view->SendMessage(fw::WM_KEYDOWN, fw::VK_ESCAPE, 0);
    }
    fw::PumpPendingMessages();
    EXPECT_FALSE(main->IsInPreviewMode());
    EXPECT_EQ(main->GetControlBar(fw::AFX_IDW_PREVIEW_BAR), nullptr);
    EXPECT_EQ(main->GetMenu(), menu);
    EXPECT_EQ(main->GetActiveView(), design);
    for (fw::CControlBar* b : shown) EXPECT_TRUE(b->IsVisible());
  }
}

// Dragging each paper edge: the edge's tool and sizing cursor while it lasts,
// the size in the bar's edits as "%.1f", the paper window moved or resized
// at the release, Select again after.
TEST_F(CutWindowTest, PaperEdgesDrag) {
  CCutFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  CCutInfo& info = frame->GetInfo();
  struct Case {
    std::uint32_t tool;
    CFPoint grab;    // page point on the edge
    CFPoint to;      // where it is let go
    CFRect paper;    // afterwards
    fw::UINT edit;
    fw::HCURSOR cursor;
  } cases[] = {
      {cutid::ID_TOOL_EDGE_LEFT, {0, 150}, {20, 150}, {20, 0, 420, 300}, cutid::IDC_PAPER_WIDTH, fw::IDC_SIZEWE},
      {cutid::ID_TOOL_EDGE_RIGHT, {400, 150}, {300, 150}, {0, 0, 300, 300}, cutid::IDC_PAPER_WIDTH, fw::IDC_SIZEWE},
      {cutid::ID_TOOL_EDGE_TOP, {200, 0}, {200, 30}, {0, 30, 400, 330}, cutid::IDC_PAPER_HEIGHT, fw::IDC_SIZENS},
      {cutid::ID_TOOL_EDGE_BOTTOM, {200, 300}, {200, 250}, {0, 0, 400, 250}, cutid::IDC_PAPER_HEIGHT, fw::IDC_SIZENS},
      // A right edge pulled past the left one is refused.
      {cutid::ID_TOOL_EDGE_RIGHT, {400, 150}, {-50, 150}, {0, 0, 400, 300}, cutid::IDC_PAPER_WIDTH, fw::IDC_SIZEWE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    info.left = 0, info.top = 0, info.right = 400, info.bottom = 300;
    cut->OnRedraw();
    const plat::POINT a = cut->PageToDevice(c.grab);
    const plat::POINT b = cut->PageToDevice(c.to);
    cut->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{a.x, a.y});
    EXPECT_EQ(cut->GetCurrentTool(), c.tool);
    EXPECT_EQ(cut->GetClassCursor(), c.cursor);
    EXPECT_EQ(cut->GetDragKind() & 0xFFF0, DRAG_LINE);
    cut->OnMouseMove(0, fw::POINT{b.x, b.y});
    const CFPoint p = cut->DeviceToPage(b.x, b.y);
    float shown = c.edit == cutid::IDC_PAPER_WIDTH ? 400.0f : 300.0f;
    if (c.tool == cutid::ID_TOOL_EDGE_RIGHT) shown = p.x;
    if (c.tool == cutid::ID_TOOL_EDGE_BOTTOM) shown = p.y;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(shown));
    EXPECT_EQ(frame->GetCutterBar().GetDlgItem(c.edit)->GetWindowText(), text);
    cut->OnLButtonUp(0, fw::POINT{b.x, b.y});
    EXPECT_EQ(cut->GetCurrentTool(), 40070u);
    EXPECT_EQ(cut->GetDragKind(), 0);
    // The pointer's page point, within a pixel of the target.
    const float px = float(cut->GetScale()) * 1.01f;
    EXPECT_NEAR(info.left, c.paper.left, px);
    EXPECT_NEAR(info.top, c.paper.top, px);
    EXPECT_NEAR(info.right, c.paper.right, px);
    EXPECT_NEAR(info.bottom, c.paper.bottom, px);
  }
  // Away from the edges the press goes to the selection tracker.
  info.left = 0, info.top = 0, info.right = 400, info.bottom = 300;
  cut->OnRedraw();
  const plat::POINT inside = cut->PageToDevice(CFPoint{30, 10});
  cut->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{inside.x, inside.y});
  cut->OnLButtonUp(0, fw::POINT{inside.x, inside.y});
  EXPECT_EQ(cut->GetCurrentTool(), 40070u);
  EXPECT_EQ(cut->Tracker().GetSelectedCount(), 1);
  // The cut view's tracker has no handles.
  EXPECT_FALSE(cut->Tracker().HandlesEnabled());
}

// The pages: knife settings by the model, the blade's replacement, stepping
// the paper, the options' re-arrangements and rebuilds; Exit keeps the
// parameters and the model and closes the window.
// "HalfSet" and "PortSetting" open their dialogs over the files the run reads.
TEST_F(CutWindowTest, SettingsButtonsOpenTheirDialogs) {
  CCutFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    d.TypeText(cutid::IDC_SOLID_CUT, "1.5");
    d.TypeText(cutid::IDC_VOID_CUT, "0.01");
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    d.SelectComboString(portid::IDC_BAUD, "256000");
    d.ClickButton(fw::IDOK);
  });
  frame->GetCutBar().Options().ClickButton(cutid::IDC_HALF_SET);
  frame->GetCutBar().Knife().ClickButton(cutid::IDC_PORT_SETTING);
  ASSERT_EQ(driver.Runs().size(), 2u);
  EXPECT_EQ(driver.Runs()[0].templateId, cutid::IDD_HALF_CUT);
  EXPECT_EQ(driver.Runs()[1].templateId, portid::IDD_PORT_SETTING);
  EXPECT_FLOAT_EQ(g_CutterIni.GetFloat("CutInfo", "SolidCut", 0), 1.5f);
  EXPECT_FLOAT_EQ(g_CutterIni.GetFloat("CutInfo", "VoidCut", 0), 0.05f);
  CIniFile port(Path("Port.INI"));
  EXPECT_EQ(port.GetInt("PortInfo", "TranSpeed", 0), 256000);
}

TEST_F(CutWindowTest, PagesAndExit) {
  g_CutterIni.WriteString("CutInfo", "Device", "HPGL Cutter");
  g_CutterIni.WriteInt("HPGL", "HardOffset", 1);  // and no "PlotCmd": "PlotMode" has nothing to switch
  g_CutterIni.WriteString("HPGL", "Offset", "0.6");
  CCutFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  CCutKnifePage& knife = frame->GetCutBar().Knife();
  CCutOptionsPage& options = frame->GetCutBar().Options();
  EXPECT_FALSE(knife.GetDlgItem(cutid::IDC_PLOT_MODE)->IsWindowEnabled());
  EXPECT_FALSE(knife.GetDlgItem(cutid::IDC_BLADE)->IsWindowEnabled());
  EXPECT_EQ(knife.GetDlgItemText(cutid::IDC_RATIO_X), "1.0000");
  // What the page does not let the user change stays the model's.
  knife.Collect();
  EXPECT_FLOAT_EQ(GetCutterDevice().offset, 0.6f);
  // The knife model with a plot command: "PlotMode" follows "PenMode".
  auto& model = BarItem<fw::CComboBox>(*frame, cutid::IDC_MODEL);
  model.UserSelect(model.FindStringExact(-1, "DMPL Cutter"));
  EXPECT_TRUE(knife.GetDlgItem(cutid::IDC_PLOT_MODE)->IsWindowEnabled());

  g_CutterIni.WriteInt("HPGL", "HardOffset", 0);
  g_CutterIni.WriteString("HPGL", "Offset", "0.3");
  model.UserSelect(model.FindStringExact(-1, "HPGL Cutter"));
  ASSERT_TRUE(knife.GetDlgItem(cutid::IDC_BLADE)->IsWindowEnabled());
  EXPECT_EQ(knife.GetDlgItemText(cutid::IDC_BLADE), "0.30");
  for (const char* blade : {"0.1", "0.51", "0.6", "x"}) {
    SCOPED_TRACE(blade);
    knife.SetDlgItemText(cutid::IDC_BLADE, blade);
    knife.SendMessage(fw::WM_COMMAND, cutid::IDC_BLADE | (fw::EN_KILLFOCUS << 16), 0);
    const bool taken = std::string(blade) == "0.1" || std::string(blade) == "0.51";
    EXPECT_EQ(knife.GetDlgItemText(cutid::IDC_BLADE), taken ? blade : "0.35");
    knife.Collect();
    EXPECT_FLOAT_EQ(GetCutterDevice().offset, taken ? std::stof(blade) : 0.35f);
  }

  // Stepping left from 5 mm puts the paper at 0 with a beep.
  CCutInfo& info = frame->GetInfo();
  info.left = 5, info.right = 405;
  knife.SetDlgItemText(cutid::IDC_LAP, "10");
  const std::size_t beeps = sink.beeps.size();
  knife.ClickButton(cutid::IDC_STEP_LEFT);
  EXPECT_EQ(info.left, 0.0f);
  EXPECT_EQ(info.right, 400.0f);
  EXPECT_EQ(sink.beeps.size(), beeps + 1);
  knife.ClickButton(cutid::IDC_STEP_RIGHT);
  EXPECT_EQ(info.left, 390.0f);

  // Save Paper moves the arrangement to the origin; Mir keeps the "Mirror" parameter.
  options.ClickButton(cutid::IDC_SAVE_PAPER);
  ASSERT_TRUE(info.savePaper);
  CFRect b;
  cut->GetObjectList()->GetBoundRect(&b, 0);
  EXPECT_EQ(b.left, 0.0f);
  EXPECT_EQ(b.top, 0.0f);
  options.ClickButton(cutid::IDC_MIRROR);
  EXPECT_EQ(info.mirror, 0u);
  // Entries that cannot be taken show their replacements.
  options.SetDlgItemText(cutid::IDC_ZOOM, "0");
  options.SendMessage(fw::WM_COMMAND, cutid::IDC_ZOOM | (fw::EN_KILLFOCUS << 16), 0);
  EXPECT_EQ(options.GetDlgItemText(cutid::IDC_ZOOM), "1");
  options.SetDlgItemText(cutid::IDC_ACCURACY, "0.2");
  options.SendMessage(fw::WM_COMMAND, cutid::IDC_ACCURACY | (fw::EN_KILLFOCUS << 16), 0);
  EXPECT_EQ(options.GetDlgItemText(cutid::IDC_ACCURACY), "0.5");
  EXPECT_EQ(info.curveAccurate, 0.5f);
  // TextLine rebuilds from the design: the arrangement starts again.
  options.ClickButton(cutid::IDC_TEXT_LINE);
  fw::PumpPendingMessages();
  cut->GetObjectList()->GetBoundRect(&b, 0);
  EXPECT_NEAR(b.left, 0.1f, 1e-5);  // rebuilt with "SavePaper" set

  knife.SetDlgItemText(cutid::IDC_OVERCUT, "7");
  BarItem<fw::CButton>(*frame, cutid::IDC_EXIT).Click();
  fw::PumpPendingMessages();
  EXPECT_EQ(fw::CWnd::FindWindow(nullptr, "CutOut  "), nullptr);
  EXPECT_TRUE(main->IsWindowVisible());
  EXPECT_EQ(g_CutterIni.GetInt("HPGL", "OVERCUT", -1), 7);
  EXPECT_EQ(g_CutterIni.GetInt("CutInfo", "SavePaper", -1), 1);
  EXPECT_EQ(g_CutterIni.GetInt("CutInfo", "TextLine", -1), 1);
}

// A design with output areas, Cutout, the terminal mapped as COM1 chosen,
// Output: the selected area's objects go out as the golden stream.
TEST_F(CutWindowTest, OutputOfASelectedAreaToATerminal) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  auto first = std::make_unique<COutArea>(5, 5, 45, 40);  // crosses the first rectangle
  first->selection = 1;
  doc->GetOutAreaList().Add(std::move(first));
  doc->GetOutAreaList().Add(std::make_unique<COutArea>(90, 190, 150, 270));
  design->SendMessage(fw::WM_COMMAND, ID_TOOL_CUTOUT, 0);
  auto* frame = dynamic_cast<CCutFrame*>(fw::CWnd::FindWindow(nullptr, "CutOut  "));
  ASSERT_NE(frame, nullptr);
  auto& port = BarItem<fw::CComboBox>(*frame, cutid::IDC_PORT);
  ASSERT_EQ(port.GetLBText(0), "COM1");
  port.UserSelect(0);
  EXPECT_TRUE(frame->GetCutBar().Options().GetDlgItem(cutid::IDC_KELVO)->IsWindowEnabled());
  BarItem<fw::CButton>(*frame, cutid::IDC_OUTPUT).Click();
  EXPECT_EQ(frame->GetCutterBar().LastRun(), 0);
  ExpectGolden("cutwindow_com1.txt", pty.Drain());
  frame->DestroyWindow();
}

// Exit and the close box while a job runs (the job pumps messages between writes): the
// window stays until the job ended, then closes as asked again.
TEST_F(CutWindowTest, ExitAndCloseWaitForTheRunningJob) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  design->SendMessage(fw::WM_COMMAND, ID_TOOL_CUTOUT, 0);
  auto* frame = dynamic_cast<CCutFrame*>(fw::CWnd::FindWindow(nullptr, "CutOut  "));
  ASSERT_NE(frame, nullptr);
  const fw::HWND h = frame->m_hWnd;
  auto& port = BarItem<fw::CComboBox>(*frame, cutid::IDC_PORT);
  ASSERT_EQ(port.GetLBText(0), "COM1");
  port.UserSelect(0);
  auto& exit = BarItem<fw::CButton>(*frame, cutid::IDC_EXIT);
  frame->GetCutterBar().PostMessage(fw::WM_COMMAND, fw::MAKELONG(cutid::IDC_EXIT, fw::BN_CLICKED),
                                    fw::LPARAM(exit.m_hWnd));
  frame->PostMessage(fw::WM_CLOSE);
  BarItem<fw::CButton>(*frame, cutid::IDC_OUTPUT).Click();
  ASSERT_TRUE(fw::IsWindow(h));
  EXPECT_EQ(frame->GetCutterBar().LastRun(), 0);
  EXPECT_TRUE(frame->IsWindowEnabled());
  EXPECT_FALSE(pty.Drain().empty());
  frame->SendMessage(fw::WM_CLOSE);
  EXPECT_FALSE(fw::IsWindow(h));
}

}  // namespace
