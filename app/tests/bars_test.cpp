#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/mainframe.h"
#include "app/tests/app_fixture.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "model/palette.h"

using apptest::AppTest;

namespace {

class BarsTest : public AppTest {};

// A window standing in for the main window that keeps the commands it gets.
class CommandRecorder : public fw::CWnd {
 public:
  fw::BOOL OnCommand(fw::WPARAM wp, fw::LPARAM) override {
    ids.push_back(fw::UINT(wp & 0xFFFF));
    return fw::TRUE;
  }
  std::vector<fw::UINT> ids;
};

fw::POINT ButtonCentre(fw::CToolBar& bar, fw::UINT id) {
  fw::RECT r;
  bar.GetItemRect(bar.CommandToIndex(id), &r);
  return fw::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

TEST_F(BarsTest, ContextBarFollowsTheToolGroups) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CToolContextBar& bar = main->GetContextBar();
  struct Step {
    std::uint32_t tool;
    std::uint32_t group;
    fw::UINT loaded;
    int columns;
    int newLoads;
  };
  const Step steps[] = {
      {40071, 40070, 128, 2, 0},  // Text shares the Select group
      {32792, 40024, 200, 1, 1},  {32794, 40024, 200, 1, 0},  // the output-area bar loads once
      {40119, 40118, 192, 2, 1},  {32855, 40118, 192, 2, 1},  // node tools keep the node bar
      {40093, 40070, 128, 2, 1},  {40070, 40070, 128, 2, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.tool);
    const int before = bar.LoadCount();
    bar.SetToolMode(s.tool);
    EXPECT_EQ(bar.GetGroup(), s.group);
    EXPECT_EQ(bar.LoadedResource(), s.loaded);
    EXPECT_EQ(bar.GetColumns(), s.columns);
    EXPECT_EQ(bar.LoadCount() - before, s.newLoads);
    EXPECT_TRUE(bar.GetExStyle() & fw::WS_EX_NOPARENTNOTIFY);
  }
}

TEST_F(BarsTest, ColumnsWrapEveryNthButton) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CToolContextBar& bar = main->GetContextBar();
  for (int n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    bar.SetColumns(n);
    for (int i = 0; i < bar.GetCount(); ++i)
      EXPECT_EQ((bar.GetButtonStyle(i) & fw::TBBS_WRAPPED) != 0, (i + 1) % n == 0) << i;
    // Rows of n buttons: the bar is n buttons wide.
    fw::RECT first, nth;
    bar.GetItemRect(0, &first);
    bar.GetItemRect(n < bar.GetCount() ? n : 0, &nth);
    if (n < bar.GetCount()) EXPECT_GT(nth.top, first.top);
  }
}

TEST_F(BarsTest, RightButtonCommands) {
  struct Row {
    std::uint32_t button;
    bool shift;
    std::uint32_t command;
  };
  const Row rows[] = {{40070, false, 32784}, {40071, false, 40051}, {40075, false, 40079}, {40118, false, 40022},
                      {40118, true, 32787},  {40024, false, 40031}, {40046, false, 40049}, {32820, false, 40115},
                      {40080, false, 32872}, {40083, false, 32875}, {40084, false, 32876}, {40085, false, 32877},
                      {57607, false, 32888}, {60000, false, 60100}, {40093, false, 0}};
  for (const Row& r : rows) EXPECT_EQ(RightButtonCommand(r.button, r.shift), r.command) << r.button;

  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CommandRecorder recorder;
  ASSERT_TRUE(recorder.CreateEx(0, "", "", fw::WS_POPUP, fw::RECT{0, 0, 10, 10}, nullptr, 0));
  fw::CWnd* realMain = app->m_pMainWnd;
  app->m_pMainWnd = &recorder;
  CToolContextBar& bar = main->GetContextBar();
  bar.OnRButtonDown(0, ButtonCentre(bar, 40071));
  bar.OnRButtonUp(0, ButtonCentre(bar, 40071));
  bar.OnRButtonDown(fw::MK_SHIFT, ButtonCentre(bar, 40118));
  bar.OnRButtonDown(0, ButtonCentre(bar, 40093));
  fw::PumpPendingMessages();
  app->m_pMainWnd = realMain;
  EXPECT_EQ(recorder.ids, (std::vector<fw::UINT>{40051, 32787}));
  recorder.DestroyWindow();
}

TEST_F(BarsTest, PaletteListShowsThePaletteAndTakesTheDialogsCustomColours) {
  std::ofstream(Path("PALETTE.INI")) << "[PALETTE]\nPAL0=PAL0\n\n[PAL0]\nPalName=P\nColor16=10,20,30\n";
  ThePaletteStore().OpenPath(Path("PALETTE.INI"));
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  ThePaletteStore().OpenPath(Path("PALETTE.INI"));
  CColorListBox& list = main->GetPaletteBar().GetList();
  list.Fill();
  const std::vector<std::string> texts = ThePaletteStore().GetColorTexts();
  ASSERT_EQ(list.GetCount(), int(texts.size()));
  ASSERT_GT(list.GetCount(), 16);
  for (int i = 0; i < list.GetCount(); ++i) EXPECT_EQ(list.GetText(i), texts[std::size_t(i)]);
  EXPECT_EQ(list.GetText(16), std::to_string(MakePackedRGB(10, 20, 30)));

  // The dialog's custom colours: one new, one the palette holds, the rest black (held).
  fw::COLORREF* custom = fw::CColorDialog::GetSavedCustomColors();
  for (int i = 0; i < 16; ++i) custom[i] = plat::RGB(0, 0, 0);
  custom[0] = plat::RGB(10, 20, 30);
  custom[1] = plat::RGB(200, 100, 50);
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) { dynamic_cast<fw::CColorDialog&>(d).Choose(plat::RGB(1, 2, 3)); });
  driver.Then([](fw::CDialog& d) { dynamic_cast<fw::CColorDialog&>(d).Choose(plat::RGB(1, 2, 3)); });
  auto* button = dynamic_cast<fw::CButton*>(main->GetPaletteBar().GetDlgItem(appid::IDC_COLOR_BUTTON));
  ASSERT_NE(button, nullptr);
  const int before = ThePaletteStore().GetColorCount();
  button->Click();
  EXPECT_EQ(ThePaletteStore().GetColorCount(), before + 1);
  EXPECT_EQ(list.GetCount(), before + 1);
  EXPECT_EQ(list.GetText(before), std::to_string(MakePackedRGB(200, 100, 50)));
  button->Click();
  EXPECT_EQ(ThePaletteStore().GetColorCount(), before + 1);
  EXPECT_EQ(driver.Runs().size(), 2u);
}

TEST_F(BarsTest, PaletteListScrollsWithinItsRows) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CColorListBox& list = main->GetPaletteBar().GetList();
  fw::RECT client;
  list.GetClientRect(&client);
  const int page = std::max(1, client.height() / list.GetItemHeight(0));
  const int count = 3 * page + 5;
  while (list.GetCount() < count) list.AddString("0");
  list.ScrollRows(-1);
  EXPECT_EQ(list.GetTopIndex(), 0);
  list.ScrollRows(1);
  EXPECT_EQ(list.GetTopIndex(), 1);
  list.ScrollRows(100000);
  EXPECT_EQ(list.GetTopIndex(), count - page);  // the last full page
  list.ScrollRows(-100000);
  EXPECT_EQ(list.GetTopIndex(), 0);
}

TEST_F(BarsTest, ColourCellsAreFramedBySelection) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CColorListBox& list = main->GetPaletteBar().GetList();
  list.ResetContent();
  list.AddString(std::to_string(MakePackedRGB(255, 0, 0)));
  plat::WindowSurface surface;
  surface.Resize(40, 20);
  plat::DC dc(surface);
  fw::DRAWITEMSTRUCT dis;
  dis.hDC = &dc;
  dis.itemID = 0;
  dis.rcItem = fw::RECT{0, 0, 40, 20};
  list.DrawItem(&dis);
  EXPECT_EQ(dc.GetPixel(20, 10), plat::RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(0, 0), plat::RGB(255, 255, 255));
  dis.itemState = fw::ODS_SELECTED;
  list.DrawItem(&dis);
  EXPECT_EQ(dc.GetPixel(0, 0), plat::RGB(0, 0, 128));
  EXPECT_EQ(dc.GetPixel(20, 10), plat::RGB(255, 0, 0));
}

TEST_F(BarsTest, LibraryModeShowsTheGlyphPanelOverItsFirstButton) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CModeBar& bar = main->GetModeBar();
  const int loads = bar.LoadCount();
  bar.SetMode(40075);
  EXPECT_EQ(bar.LoadedResource(), 221u);
  ASSERT_NE(bar.GetGlyphPanel(), nullptr);
  CLibGlyphPanel* panel = bar.GetGlyphPanel();
  EXPECT_TRUE(panel->IsWindowVisible());
  fw::RECT r;
  panel->GetWindowRect(&r);
  EXPECT_TRUE(bar.GetButtonStyle(0) & fw::TBBS_SEPARATOR);
  fw::RECT cell;
  bar.GetItemRect(0, &cell);
  EXPECT_EQ(cell.width(), r.width());
  bar.SetMode(40075);  // no change: nothing rebuilt
  EXPECT_EQ(bar.LoadCount(), loads + 1);
  bar.SetMode(40071);
  EXPECT_EQ(bar.LoadedResource(), 151u);
  EXPECT_FALSE(panel->IsWindowVisible());
  bar.SetMode(40075);
  EXPECT_EQ(bar.GetGlyphPanel(), panel);  // made once
  EXPECT_TRUE(panel->IsWindowVisible());
}

TEST_F(BarsTest, TextModeShowsTheFontPanelWhenDockedAcross) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CModeBar& bar = main->GetModeBar();
  ASSERT_EQ(bar.GetMode(), 40071u);
  CFontPanelDlg* panel = bar.GetFontPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetParent(), &bar);
  EXPECT_TRUE(panel->IsWindowVisible());
  EXPECT_TRUE(bar.GetButtonStyle(0) & fw::TBBS_SEPARATOR);
  fw::RECT cell, r;
  bar.GetItemRect(0, &cell);
  panel->GetWindowRect(&r);
  EXPECT_EQ(cell.width(), r.width());
  // Library mode hides it; back in text mode the same panel shows again.
  bar.SetMode(40075);
  EXPECT_FALSE(panel->IsWindowVisible());
  EXPECT_TRUE(bar.GetGlyphPanel()->IsWindowVisible());
  bar.SetMode(40071);
  EXPECT_EQ(bar.GetFontPanel(), panel);
  EXPECT_TRUE(panel->IsWindowVisible());
  EXPECT_FALSE(bar.GetGlyphPanel()->IsWindowVisible());
  // A vertical layout hides it, a horizontal one shows it.
  bar.CalcFixedLayout(fw::FALSE, fw::FALSE);
  EXPECT_FALSE(panel->IsWindowVisible());
  bar.CalcFixedLayout(fw::FALSE, fw::TRUE);
  EXPECT_TRUE(panel->IsWindowVisible());
}
