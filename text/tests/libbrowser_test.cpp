#include <gtest/gtest.h>

#include "framework/bars.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/tests/fakes.h"
#include "platform/report.h"
#include "text/libbrowser.h"
#include "text/libpicobject.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/tests/text_fixtures.h"

using namespace fw;

namespace {

std::vector<std::string> ComboItems(const CComboBox* c) {
  std::vector<std::string> out;
  for (int i = 0; i < c->GetCount(); ++i) out.push_back(c->GetLBText(i));
  return out;
}

// Pixels of a surface in a colour, within a rectangle.
int CountPixels(const plat::Surface& s, plat::COLORREF c, RECT r) {
  int n = 0;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) n += s.GetPixel(x, y) == c ? 1 : 0;
  return n;
}

// Two mounted libraries: STAR.LIB (kinds of 3 and 12 squares) and BLANK.LIB (no kind).
struct LibBrowserTest : ::testing::Test {
  ScopedMountFolder mount;
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  FakeDocument doc;
  FakeView view{&doc};
  FakeApp app;
  CWnd parent;

  void SetUp() override {
    RegisterLibBrowserResources();
    ASSERT_TRUE(MakeLibrary(mount / "STAR.LIB", {3, 12}, "Stars"));
    ASSERT_TRUE(MakeLibrary(mount / "BLANK.LIB", {}, "Blank"));
    ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 2);  // BLANK.LIB, STAR.LIB
    app.activeView = &view;
    parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 600, 600}, nullptr, 0);
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
  }
  void Store(int type, int number, int picture) {
    g_IniFile.WriteInt("SystemParam", "CurrentPicLibType", type);
    g_IniFile.WriteInt("SystemParam", "CurrentPicLibNo", number);
    g_IniFile.WriteInt("SystemParam", "CurrentPicNo", picture);
  }
};

TEST_F(LibBrowserTest, GlyphPanelListsTypesKindsAndPictures) {
  Store(3, 0, 0);
  CLibGlyphPanel panel;
  ASSERT_TRUE(panel.Create(&parent));
  auto* types = panel.Item<CComboBox>(IDC_LIB_TYPE);
  auto* names = panel.Item<CComboBox>(IDC_LIB_NAME);
  auto* pictures = panel.Item<CComboBox>(IDC_LIB_PICTURE);
  EXPECT_EQ(ComboItems(types), (std::vector<std::string>{"Eng Symbols", "Eng Fonts", "Blank", "Stars"}));
  EXPECT_EQ(types->GetCurSel(), 3);
  EXPECT_EQ(ComboItems(names), (std::vector<std::string>{"Kind0", "Kind1"}));
  EXPECT_EQ(pictures->GetCount(), 255);
  EXPECT_EQ(pictures->GetLBText(0), "0");

  panel.SelectComboItem(IDC_LIB_TYPE, 0);
  EXPECT_EQ(pictures->GetCount(), 223);  // codes 32 to 254
  EXPECT_EQ(pictures->GetLBText(0), "32");
  panel.SelectComboItem(IDC_LIB_TYPE, 2);  // a library without kinds
  EXPECT_EQ(names->GetCount(), 0);

  panel.SelectComboItem(IDC_LIB_TYPE, 3);
  panel.SelectComboItem(IDC_LIB_NAME, 1);
  panel.SelectComboItem(IDC_LIB_PICTURE, 2);
  int type, number, picture;
  panel.GetSelection(&type, &number, &picture);
  EXPECT_EQ(type, 3);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(picture, 2);
  std::unique_ptr<CPathPointList> o = panel.CreatePicObject();
  ASSERT_TRUE(o);
  EXPECT_EQ(LeftOf(*o), 1002.0f);  // kind 1, graph 2
  panel.SelectComboItem(IDC_LIB_PICTURE, 200);  // no such graph
  EXPECT_EQ(panel.CreatePicObject(), nullptr);
}

TEST_F(LibBrowserTest, GlyphPanelDrawsPictureAndNumber) {
  Store(3, 0, 0);
  CLibGlyphPanel panel;
  ASSERT_TRUE(panel.Create(&parent));
  auto* pictures = panel.Item<CComboBox>(IDC_LIB_PICTURE);
  pictures->SetItemHeight(0, 40);
  pictures->ShowDropDown(TRUE);
  plat::HDC dc = pictures->GetDC();
  pictures->DrawItems(dc);
  pictures->ReleaseDC(dc);
  const plat::Surface& s = pictures->GetSurface().surface();
  // Row 0 (graph 0, selected): dark blue, a white outline from x 25, a red number at x 1.
  EXPECT_EQ(s.GetPixel(100, 20), plat::RGB(0, 0, 128));
  EXPECT_GT(CountPixels(s, plat::RGB(255, 255, 255), RECT{25, 0, 130, 40}), 20);
  EXPECT_GT(CountPixels(s, plat::RGB(255, 0, 0), RECT{0, 0, 25, 40}), 0);
  // Row 3 (graph 3 does not exist in kind 0): white, nothing drawn.
  EXPECT_EQ(CountPixels(s, plat::RGB(255, 255, 255), RECT{0, 120, s.width(), 160}), s.width() * 40);
}

TEST_F(LibBrowserTest, GlyphPanelFollowsTheSelectedPicture) {
  Store(3, 0, 0);
  CLibGlyphPanel panel;
  ASSERT_TRUE(panel.Create(&parent));
  EXPECT_EQ(panel.SyncWithSelection(), 0);
  CLibPicObject pic(3, 1, 7);
  view.editObject = &pic;
  EXPECT_EQ(panel.SyncWithSelection(), 1);
  int type, number, picture;
  panel.GetSelection(&type, &number, &picture);
  EXPECT_EQ(type, 3);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(picture, 7);
  CLibPicObject font(1, 0, 'A');
  view.editObject = &font;
  EXPECT_EQ(panel.SyncWithSelection(), 1);
  panel.GetSelection(&type, nullptr, &picture);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(picture, 'A');
  view.editObject = nullptr;
}

TEST_F(LibBrowserTest, SymbolBarNumbersGraphsFromOne) {
  Store(3, 0, 0);
  CLibSymbolBar bar;
  ASSERT_TRUE(bar.Create(&parent, 59500));
  auto* pictures = dynamic_cast<CListBox*>(bar.GetDlgItem(IDC_LIB_PICTURE));
  ASSERT_NE(pictures, nullptr);
  EXPECT_EQ(pictures->GetCount(), 254);
  EXPECT_EQ(pictures->GetText(0), "1");
  int type, number, picture;
  bar.GetSelection(&type, &number, &picture);
  EXPECT_EQ(picture, 0);  // item "1" is graph 0
  // Choosing a kind by the user refills the list.
  auto* names = dynamic_cast<CComboBox*>(bar.GetDlgItem(IDC_LIB_NAME));
  names->UserSelect(1);
  pictures->UserSelect(2);
  bar.GetSelection(&type, &number, &picture);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(picture, 2);
  plat::HDC dc = pictures->GetDC();
  pictures->DrawItems(dc);
  pictures->ReleaseDC(dc);
  const plat::Surface& s = pictures->GetSurface().surface();
  EXPECT_GT(CountPixels(s, plat::RGB(0, 0, 0), RECT{0, 0, 140, 40}), 20);  // graph 0, black on white
  EXPECT_EQ(s.GetPixel(70, 100), plat::RGB(0, 0, 128));                   // item 2 chosen
}

TEST_F(LibBrowserTest, CellsFitTheOutlineAtOneScale) {
  FakeView v(nullptr, 100, 100);
  CPathPointList flat;
  flat.AddPoint(0, 0, PP_NODE | PP_START);
  flat.AddPoint(200, 0, PP_NODE | PP_OPENEND);
  flat.EndPoints();
  CLibBrowser::DrawCell(v.dc.get(), RECT{0, 0, 60, 40}, false, &flat);
  // Drawn at the width's scale: from x 2 to 57 on row 2.
  EXPECT_EQ(v.dc->GetPixel(2, 2), plat::RGB(0, 0, 0));
  EXPECT_EQ(v.dc->GetPixel(56, 2), plat::RGB(0, 0, 0));
  EXPECT_EQ(v.dc->GetPixel(59, 2), plat::RGB(255, 255, 255));
  CPathPointList dot;
  dot.AddPoint(5, 5, PP_NODE | PP_START);
  dot.AddPoint(5, 5, PP_NODE | PP_OPENEND);
  dot.EndPoints();
  CLibBrowser::DrawCell(v.dc.get(), RECT{0, 50, 60, 90}, true, &dot);  // nothing to fit: only the fill
  EXPECT_EQ(CountPixels(v.surface.surface(), plat::RGB(0, 0, 128), RECT{0, 50, 60, 90}), 60 * 40);
  // A tall square in a wide cell keeps its proportions.
  auto square = Square(0, 100);
  CLibBrowser::DrawCell(v.dc.get(), RECT{0, 0, 100, 40}, false, square.get());
  EXPECT_EQ(v.dc->GetPixel(37, 20), plat::RGB(0, 0, 0));  // right edge at 2 + 35
  EXPECT_EQ(v.dc->GetPixel(60, 20), plat::RGB(255, 255, 255));
}

TEST_F(LibBrowserTest, LibInfoScrollsAndPlacesThePicture) {
  Store(3, 1, 3);
  std::vector<int> shown;
  ScriptedModalDriver driver;
  driver.Then([&](CDialog& d) {
    auto& dlg = static_cast<CLibInfoDlg&>(d);
    EXPECT_EQ(d.GetDlgItemText(IDC_LIB_WIDTH), "     40.00");
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_LIB_RATIO), UINT(BST_UNCHECKED));
    auto* bar = d.Item<CScrollBar>(IDC_LIB_SCROLL);
    ASSERT_NE(bar, nullptr);
    shown.push_back(bar->GetScrollPos());
    bar->UserScroll(SB_LINERIGHT);
    shown.push_back(bar->GetScrollPos());
    bar->UserScroll(SB_PAGELEFT);
    shown.push_back(bar->GetScrollPos());
    bar->UserScroll(SB_THUMBPOSITION, 300);
    shown.push_back(bar->GetScrollPos());
    bar->UserScroll(SB_THUMBPOSITION, 5);
    shown.push_back(dlg.CellPicture(0));
    dlg.ChooseCell(2);
    EXPECT_EQ(d.GetDlgItemText(IDC_LIB_NUMBER), "7");
    // The chosen cell is drawn selected, with graph 7 (kind 1 holds 12).
    const plat::Surface& s = d.GetDlgItem(IDC_LIB_CELL_FIRST + 2)->GetSurface().surface();
    EXPECT_EQ(s.GetPixel(55, 55), plat::RGB(0, 0, 128));
    EXPECT_GT(CountPixels(s, plat::RGB(255, 255, 255), RECT{0, 0, 60, 60}), 20);
    d.ClickButton(IDOK);
  });
  CLibInfoDlg dlg;
  dlg.target = CFRect(10, 20, 50, 100);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<int>{3, 4, 0, 247, 5}));
  EXPECT_EQ(g_IniFile.GetInt("SystemParam", "CurrentPicNo", 0), 7);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  auto* pic = dynamic_cast<CLibPicObject*>(doc.GetObjectAt(0));
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->libraryType, 3);
  EXPECT_EQ(pic->libraryNumber, 1);
  EXPECT_EQ(pic->pictureNumber, 7);
  std::unique_ptr<CPathPointList> o(pic->MakeOutline(nullptr, 0));
  ASSERT_TRUE(o);
  EXPECT_NEAR(o->bounds.left, 10, 1e-3);
  EXPECT_NEAR(o->bounds.top, 20, 1e-3);
  EXPECT_NEAR(o->bounds.right, 50, 1e-3);
  EXPECT_NEAR(o->bounds.bottom, 100, 1e-3);
  ASSERT_EQ(view.undo.GetSize(), 1);
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(doc.GetObjectCount(), 0);
}

TEST_F(LibBrowserTest, LibInfoRatioGraphAndCancel) {
  Store(3, 0, 1);
  view.unitsPerPixel = 0.5;
  ScriptedModalDriver driver;
  driver.Then([&](CDialog& d) {
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_LIB_RATIO), UINT(BST_CHECKED));  // the target has no width
    d.ClickButton(IDOK);
  });
  CLibInfoDlg dlg;
  dlg.target = CFRect(10, 20, 10, 60);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  std::unique_ptr<CPathPointList> o(doc.GetObjectAt(0)->MakeOutline(nullptr, 0));
  ASSERT_TRUE(o);
  EXPECT_NEAR(o->bounds.right - o->bounds.left, 50, 1e-3);  // 100 pixels of 0.5
  EXPECT_NEAR(o->bounds.bottom - o->bounds.top, 50, 1e-3);

  // Closing otherwise stores scroll position + chosen cell.
  driver.Then([&](CDialog& d) {
    d.Item<CScrollBar>(IDC_LIB_SCROLL)->UserScroll(SB_THUMBPOSITION, 20);
    static_cast<CLibInfoDlg&>(d).ChooseCell(5);
    d.ClickButton(IDCANCEL);
  });
  CLibInfoDlg again;
  EXPECT_EQ(again.DoModal(), IDCANCEL);
  EXPECT_EQ(g_IniFile.GetInt("SystemParam", "CurrentPicNo", 0), 25);
  EXPECT_EQ(doc.GetObjectCount(), 1);
}

TEST_F(LibBrowserTest, LibInfoShowsTypedCharacters) {
  Store(1, 0, 40);
  ScriptedModalDriver driver;
  std::vector<int> cells;
  driver.Then([&](CDialog& d) {
    auto& dlg = static_cast<CLibInfoDlg&>(d);
    cells.push_back(dlg.CellPicture(0));
    d.TypeText(IDC_LIB_NUMBER, " AB");
    for (int i = 0; i < 3; ++i) cells.push_back(dlg.CellPicture(i));
    d.ClickButton(IDCANCEL);
  });
  CLibInfoDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(cells, (std::vector<int>{40, 'A', 'B', 32}));
}

}  // namespace
