// Page and path setting, palette set, coordinates and page alignment.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/coorddlg.h"
#include "app/pagedlgs.h"
#include "app/palettesetdlg.h"
#include "app/settingsload.h"
#include "dialog_fixture.h"
#include "framework/menu.h"
#include "model/palette.h"
#include "model/helpers.h"
#include "model/settings.h"
#include "platform/dc.h"
#include "text/language.h"

using namespace apptest;

namespace {

constexpr fw::UINT ID_PAGE_SET_CMD = 40061;
constexpr fw::UINT ID_PATH_SET_CMD = 40059;
constexpr fw::UINT ID_COORDINATE_CMD = 32820;

// The main settings file moved to a private copy while a test runs.
class SettingsDialogTest : public DialogViewTest {
 protected:
  void SetUp() override {
    DialogViewTest::SetUp();
    savedIni = g_IniFile.GetPath();
    std::filesystem::create_directory(Path("pal"));
    std::ofstream(Path("pal/PALETTE.INI"))
        << "[PALETTE]\nPAL0=PAL0\nPAL1=PAL1\n\n[PAL0]\nPalName=Base\nColor16=10,20,30\n\n[PAL1]\nPalName=Mine\n"
           "Color16=1,2,3\nColor17=4,5,6\n";
    UseIni("");
    ThePaletteStore().Open("PALETTE.INI");
  }
  void TearDown() override {
    g_IniFile.SetPath(savedIni);
    g_Language.Load();
    ThePaletteStore().Open("PALETTE.INI");
    TestPaletteSaveFaults() = {};
    DialogViewTest::TearDown();
  }
  // The settings text after a [PATH] section naming the palette folder.
  void UseIni(const std::string& text, const std::string& palettes = "pal") {
    std::ofstream(Path("VORLAN98.INI"), std::ios::binary | std::ios::trunc)
        << "[PATH]\nPALETTE=" << Path(palettes) << "/\n" << text;
    g_IniFile.SetPath(Path("VORLAN98.INI"));
  }
  std::string savedIni;
};

// --- Page setting -------------------------------------------------------------------

TEST_F(SettingsDialogTest, PageSettingOkPutsTheSameSixValuesInProfileAndPage) {
  using namespace pagedlg;
  std::uint32_t back = 0, grid = 0;
  Run(ID_PAGE_SET_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Page Setting");
    EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_WIDTH), "400.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_HEIGHT), "900.00");
    auto* backs = d.Item<fw::CComboBox>(IDC_PAGE_BACK);
    auto* grids = d.Item<fw::CComboBox>(IDC_PAGE_GRID_COLOR);
    ASSERT_TRUE(backs && grids);
    ASSERT_EQ(backs->GetCount(), ThePaletteStore().GetColorCount());
    // The page's colours are selected by their decimal text.
    EXPECT_EQ(backs->GetLBText(backs->GetCurSel()), std::to_string(doc->GetPageInfo().m_backColor));
    EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_GRID_SIZE), std::to_string(doc->GetPageInfo().m_gridSize));
    d.SelectComboItem(IDC_PAGE_BACK, 16);
    d.SelectComboItem(IDC_PAGE_GRID_COLOR, 3);
    back = std::uint32_t(std::stoul(backs->GetLBText(16)));
    grid = std::uint32_t(std::stoul(grids->GetLBText(3)));
    d.SetDlgItemText(IDC_PAGE_GRID_SIZE, "20");
    d.SetDlgItemText(IDC_PAGE_WIDTH, "600.50");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  const CPageInfo& page = doc->GetPageInfo();
  EXPECT_FLOAT_EQ(page.m_pageWidth, 600.5f);
  EXPECT_FLOAT_EQ(page.m_pageHeight, 900.0f);
  EXPECT_EQ(page.m_paletteType, ThePaletteStore().GetCurrentPalette());
  EXPECT_EQ(page.m_backColor, back);
  EXPECT_EQ(page.m_gridSize, 20);
  EXPECT_EQ(page.m_gridColor, grid);
  EXPECT_FLOAT_EQ(view->GetPageWidth(), 600.5f);
  const CProfile p;
  EXPECT_FLOAT_EQ(p.GetFloat("SystemParam", "PAGEWIDTH", 0), 600.5f);
  EXPECT_FLOAT_EQ(p.GetFloat("SystemParam", "PAGEHEIGHT", 0), 900.0f);
  EXPECT_EQ(p.GetInt("SystemParam", "PALETTETYPE", -5), page.m_paletteType);
  EXPECT_EQ(std::uint32_t(p.GetInt("SystemParam", "BACKCOLOR", 0)), back);
  EXPECT_EQ(p.GetInt("SystemParam", "GRIDSIZE", 0), 20);
  EXPECT_EQ(std::uint32_t(p.GetInt("SystemParam", "GRIDCOLOR", 0)), grid);
}

TEST_F(SettingsDialogTest, PageSizesOfNineOrUnreadableKeepTheDialogOpen) {
  using namespace pagedlg;
  struct Case {
    const char *width, *height;
    bool closes;
  } cases[] = {{"400.00", "900.00", true}, {"9", "900", false},    {"400", "9.0", false},
               {"abc", "900", false},      {"9.5", "10", true},    {"", "900", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.width) + "x" + c.height);
    bool ended = false;
    Run(ID_PAGE_SET_CMD, [&](fw::CDialog& d) {
      d.SetDlgItemText(IDC_PAGE_WIDTH, c.width);
      d.SetDlgItemText(IDC_PAGE_HEIGHT, c.height);
      d.ClickButton(fw::IDOK);
      ended = d.IsEnded();
      if (!ended) d.ClickButton(fw::IDCANCEL);
    });
    EXPECT_EQ(ended, c.closes);
  }
  EXPECT_FLOAT_EQ(doc->GetPageWidth(), 9.5f);
}

TEST_F(SettingsDialogTest, PageTypesComeFromTheSettingsFile) {
  using namespace pagedlg;
  UseIni("[PAGE]\nA4=210,297\nBlank=\nHalf=300\n");
  Run(ID_PAGE_SET_CMD, [](fw::CDialog& d) {
    auto* types = d.Item<fw::CComboBox>(IDC_PAGE_TYPE);
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->GetCount(), 3);
    struct Case {
      int item;
      const char *width, *height;
    } cases[] = {{0, "210", "297"}, {1, "400", "900"}, {2, "300", "0"}};
    for (const Case& c : cases) {
      d.SelectComboItem(IDC_PAGE_TYPE, c.item);
      EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_WIDTH), c.width);
      EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_HEIGHT), c.height);
    }
    d.ClickButton(fw::IDCANCEL);
  });
  // Cancel changes neither the page nor the profile.
  EXPECT_FLOAT_EQ(doc->GetPageWidth(), 400.0f);
  EXPECT_FLOAT_EQ(CProfile().GetFloat("SystemParam", "PAGEWIDTH", -1.0f), -1.0f);
}

TEST_F(SettingsDialogTest, PageWithoutPaletteColoursStoresZeroColours) {
  using namespace pagedlg;
  std::filesystem::create_directory(Path("empty"));
  UseIni("", "empty");
  ThePaletteStore().Open("PALETTE.INI");
  Run(ID_PAGE_SET_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.Item<fw::CComboBox>(IDC_PAGE_BACK)->GetCount(), 0);
    EXPECT_EQ(d.Item<fw::CComboBox>(IDC_PAGE_GRID_COLOR)->GetCount(), 0);
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  EXPECT_EQ(doc->GetPageInfo().m_backColor, 0u);
  EXPECT_EQ(doc->GetPageInfo().m_gridColor, 0u);
  EXPECT_EQ(CProfile().GetInt("SystemParam", "BACKCOLOR", 7), 0);
}

TEST_F(SettingsDialogTest, ColourItemsAreFramedByTheirSelection) {
  using namespace pagedlg;
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    auto* backs = d.Item<fw::CComboBox>(IDC_PAGE_BACK);
    ASSERT_NE(backs, nullptr);
    d.SelectComboItem(IDC_PAGE_BACK, 16);
    plat::WindowSurface surface;
    surface.Resize(200, 40);
    plat::DC dc(surface);
    dc.FillSolidRect(fw::RECT{0, 0, 200, 40}, 0);
    backs->DrawItem(16, &dc, fw::RECT{0, 0, 100, 20}, fw::ODS_SELECTED);
    EXPECT_EQ(dc.GetPixel(3, 0), 0x800000u);
    EXPECT_EQ(dc.GetPixel(50, 10), PackedRGBToColorRef(ThePaletteStore().GetColor(16)));
    EXPECT_EQ(dc.GetPixel(0, 10), 0u);  // two pixels left out on each side
    backs->DrawItem(3, &dc, fw::RECT{0, 20, 100, 40}, 0);
    EXPECT_EQ(dc.GetPixel(3, 20), 0xFFFFFFu);
    d.ClickButton(fw::IDCANCEL);
  });
  CPageSetDlg dlg(*view);
  dlg.DoModal();
}

// --- Path setting -------------------------------------------------------------------

const char kPathIni[] =
    "MOUNTLIB=/p/lib/\n"
    "[Language0]\nID=0\nNAME=English\nTTFMountPath=/p/ttf/\nMounts=1\nMountName0=Own\nMountPath0=/p/own/\n"
    "[Language1]\nID=134\nNAME=Second\n";

TEST_F(SettingsDialogTest, PathRowsShowTheFoldersAndEditsGoBackToTheirKeys) {
  using namespace pagedlg;
  UseIni(kPathIni);
  g_Language.Load();
  Run(ID_PATH_SET_CMD, [&](fw::CDialog& d) {
    auto* list = d.Item<fw::CListCtrl>(IDC_PATH_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetColumn(0)->text, "路径");
    EXPECT_EQ(list->GetColumnWidth(1), 150);
    ASSERT_EQ(list->GetItemCount(), 4);
    const std::string pal = Path("pal") + "/";
    const char* rows[4][2] = {
        {pal.c_str(), "调色板"}, {"/p/lib/", "GraphLib"}, {"/p/ttf/", "EnglishTTFFonts"}, {"/p/own/", "EnglishOwnFonts"}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(list->GetItemText(i, 0), rows[i][0]);
      EXPECT_EQ(list->GetItemText(i, 1), rows[i][1]);
    }
    // A cancelled edit keeps the row; a cleared one takes the folder above the program's.
    EXPECT_FALSE(list->UserEditLabel(2, "x", true));
    list->UserEditLabel(2, "");
    EXPECT_EQ(list->GetItemText(2, 0), GetProgramParentFolder());
    list->UserEditLabel(3, "/q/own");
    EXPECT_EQ(list->GetItemText(3, 0), "/q/own\\");
    d.ClickButton(fw::IDOK);
  });
  std::string ttf, own;
  g_IniFile.GetString("Language0", "TTFMountPath", ttf, "");
  g_IniFile.GetString("Language0", "MountPath0", own, "");
  EXPECT_EQ(ttf, GetProgramParentFolder());
  EXPECT_EQ(own, "/q/own\\");
  std::string pal;
  g_IniFile.GetString("PATH", "PALETTE", pal, "");
  EXPECT_EQ(pal, Path("pal") + "/");
}

TEST_F(SettingsDialogTest, PathOkWithoutAnEditLeavesTheFileAsItWas) {
  UseIni(kPathIni);
  g_Language.Load();
  const auto before = ReadBytes(Path("VORLAN98.INI"));
  Run(ID_PATH_SET_CMD, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); });
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].result, fw::IDOK);
  EXPECT_EQ(ReadBytes(Path("VORLAN98.INI")), before);
}

// --- Palette set --------------------------------------------------------------------

class PaletteSetTest : public SettingsDialogTest {
 protected:
  void SetUp() override {
    SettingsDialogTest::SetUp();
    original = ReadBytes(Path("pal/PALETTE.INI"));
  }
  // Runs the palette command as the menu does (the design window's frame takes it).
  void RunPalette(std::vector<fw::ScriptedModalDriver::Step> steps) {
    fw::ScriptedModalDriver driver;
    for (auto& s : steps) driver.Then(std::move(s));
    main->SendMessage(fw::WM_COMMAND, 40058, 0);
    runs = driver.Runs();
  }
  static bool Enabled(fw::CDialog& d, fw::UINT id) { return d.GetDlgItem(id)->IsWindowEnabled() != 0; }
  std::vector<std::uint8_t> original;
};

TEST_F(PaletteSetTest, PaletteZeroIsProtectedWithoutTheSwitch) {
  using namespace palettedlg;
  for (bool vorlan : {false, true}) {
    SCOPED_TRACE(vorlan);
    TheAppGlobals().serviceSwitch = vorlan ? 1 : 0;
    RunPalette({[&](fw::CDialog& d) {
      EXPECT_EQ(d.GetWindowText(), "Palette Set");
      auto* colours = d.Item<fw::CListBox>(IDC_PALETTE_COLORS);
      ASSERT_EQ(colours->GetCount(), 17);
      EXPECT_EQ(colours->GetText(16), "016");
      for (fw::UINT id : {IDC_COLOR_ADD, IDC_COLOR_MODIFY, IDC_COLOR_DELETE, IDC_PALETTE_DELETE})
        EXPECT_EQ(Enabled(d, id), vorlan) << id;
      EXPECT_FALSE(Enabled(d, IDC_PALETTE_ADD));
      EXPECT_FALSE(Enabled(d, IDC_PALETTE_RENAME));
      d.SelectComboItem(IDC_PALETTE_NAMES, 1);
      EXPECT_EQ(colours->GetCount(), 18);
      EXPECT_TRUE(Enabled(d, IDC_COLOR_ADD));
      EXPECT_TRUE(Enabled(d, IDC_PALETTE_DELETE));
      d.ClickButton(fw::IDCANCEL);
    }});
  }
  TheAppGlobals().serviceSwitch = 0;
  EXPECT_EQ(ReadBytes(Path("pal/PALETTE.INI")), original);
  EXPECT_TRUE(std::filesystem::exists(Path("pal/PALETTE.TMP")));
}

TEST_F(PaletteSetTest, EditsGoToTheCopyAndSaveRefillsTheBar) {
  using namespace palettedlg;
  RunPalette({[&](fw::CDialog& d) {
                d.SelectComboItem(IDC_PALETTE_NAMES, 1);
                d.SelectListItem(IDC_PALETTE_COLORS, 16);
                d.ClickButton(IDC_COLOR_MODIFY);  // the colour dialog, step 2
                d.ClickButton(IDC_COLOR_ADD);     // step 3
                d.ClickButton(IDC_COLOR_ADD);     // cancelled (no step left is cancel)
                EXPECT_FALSE(Enabled(d, IDC_PALETTE_NAMES));
                auto* colours = d.Item<fw::CListBox>(IDC_PALETTE_COLORS);
                EXPECT_EQ(colours->GetCount(), 19);
                EXPECT_EQ(colours->GetCurSel(), 18);
                d.SelectListItem(IDC_PALETTE_COLORS, 17);
                d.ClickButton(IDC_COLOR_DELETE);
                EXPECT_EQ(colours->GetCount(), 18);
                // The file itself is not touched before Save.
                EXPECT_EQ(ReadBytes(Path("pal/PALETTE.INI")), original);
                d.ClickButton(fw::IDOK);
                EXPECT_TRUE(d.IsEnded());
              },
              [](fw::CDialog& d) { static_cast<fw::CColorDialog&>(d).Choose(plat::RGB(7, 8, 9)); },
              [](fw::CDialog& d) { static_cast<fw::CColorDialog&>(d).Choose(plat::RGB(70, 80, 90)); }});
  ASSERT_EQ(runs.size(), 4u);
  CPaletteStore saved(Path("pal/PALETTE.INI"));
  ASSERT_TRUE(saved.LoadPalette(1));
  ASSERT_EQ(saved.GetColorCount(), 18);
  EXPECT_EQ(saved.GetColor(16), MakePackedRGB(7, 8, 9));
  EXPECT_EQ(saved.GetColor(17), MakePackedRGB(70, 80, 90));
  EXPECT_EQ(ReadBytes(Path("pal/PALETTE.OLD")), original);
  CColorListBox& bar = main->GetPaletteBar().GetList();
  EXPECT_EQ(bar.GetCount(), ThePaletteStore().GetColorCount());
}

TEST_F(PaletteSetTest, PalettesAreAddedRenamedAndDeleted) {
  using namespace palettedlg;
  RunPalette({[&](fw::CDialog& d) {
    auto* names = d.Item<fw::CComboBox>(IDC_PALETTE_NAMES);
    names->UserType("Mine");
    EXPECT_FALSE(Enabled(d, IDC_PALETTE_ADD));
    names->UserType("Third");
    EXPECT_TRUE(Enabled(d, IDC_PALETTE_ADD));
    EXPECT_FALSE(Enabled(d, IDC_PALETTE_RENAME));  // palette 0
    d.ClickButton(IDC_PALETTE_ADD);
    ASSERT_EQ(names->GetCount(), 3);
    EXPECT_EQ(names->GetCurSel(), 2);
    names->UserType("Renamed");
    EXPECT_TRUE(Enabled(d, IDC_PALETTE_RENAME));
    d.ClickButton(IDC_PALETTE_RENAME);
    EXPECT_EQ(names->GetLBText(2), "Renamed");
    d.SelectComboItem(IDC_PALETTE_NAMES, 1);
    d.ClickButton(IDC_PALETTE_DELETE);
    ASSERT_EQ(names->GetCount(), 2);
    EXPECT_EQ(names->GetLBText(1), "Renamed");
    EXPECT_EQ(names->GetCurSel(), 1);
    d.ClickButton(fw::IDOK);
  }});
  CPaletteStore saved(Path("pal/PALETTE.INI"));
  ASSERT_EQ(saved.GetPaletteCount(), 2);
  std::string name;
  saved.GetPaletteName(1, name);
  EXPECT_EQ(name, "Renamed");
}

TEST_F(PaletteSetTest, FailedSaveKeepsThePaletteFileAndTheDialog) {
  using namespace palettedlg;
  for (int fault = 0; fault < 2; ++fault) {
    SCOPED_TRACE(fault);
    sink.clear();
    TestPaletteSaveFaults() = {};
    (fault == 0 ? TestPaletteSaveFaults().copy : TestPaletteSaveFaults().rename) = true;
    bool open = false;
    RunPalette({[&](fw::CDialog& d) {
      d.SelectComboItem(IDC_PALETTE_NAMES, 1);
      d.SelectListItem(IDC_PALETTE_COLORS, 16);
      d.ClickButton(IDC_COLOR_DELETE);
      d.ClickButton(fw::IDOK);
      open = !d.IsEnded();
      EXPECT_EQ(d.Item<fw::CListBox>(IDC_PALETTE_COLORS)->GetCount(), 17);
      d.ClickButton(fw::IDCANCEL);
    }});
    EXPECT_TRUE(open);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "调色板保存失败!");
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_EQ(ReadBytes(Path("pal/PALETTE.INI")), original);
  }
}

TEST_F(PaletteSetTest, NoWorkingCopyNoDialog) {
  std::filesystem::create_directory(Path("pal/PALETTE.TMP"));  // a folder where the copy goes
  RunPalette({[](fw::CDialog& d) { d.ClickButton(fw::IDOK); }});
  EXPECT_TRUE(runs.empty());
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "文件:[" + Path("pal") + "/PALETTE.TMP]打开失败!");
}

// --- Coordinates and page alignment ---------------------------------------------------

class CoordinateTest : public DialogViewTest {
 protected:
  void TearDown() override {
    fw::SetKeyDown(fw::VK_SHIFT, false);
    DialogViewTest::TearDown();
  }
  CFRect Selection() {
    CFRect r;
    view->Tracker()->GetSelectionRect(&r);
    return r;
  }
};

TEST_F(CoordinateTest, AlignmentsMoveTheSelectionAgainstThePageInOneStep) {
  using namespace coorddlg;
  // Page 400 x 900; selection 20 x 10 at (30, 40).
  struct Case {
    fw::UINT id;
    bool shift;
    float left, top;
  } cases[] = {
      {ID_PAGE_LEFT, false, 0, 40},     {ID_PAGE_LEFT, true, 0, 0},       {ID_PAGE_RIGHT, false, 380, 40},
      {ID_PAGE_RIGHT, true, 380, 0},    {ID_PAGE_TOP, false, 30, 0},      {ID_PAGE_TOP, true, 0, 890},
      {ID_PAGE_BOTTOM, false, 30, 890}, {ID_PAGE_BOTTOM, true, 380, 890}, {ID_PAGE_HCENTER, false, 190, 40},
      {ID_PAGE_VCENTER, true, 30, 445}, {ID_PAGE_CENTER, false, 190, 445}, {ID_PAGE_CENTER, true, 190, 445},
  };
  CGraphObject* o = AddRect(30, 40, 50, 50);
  view->Tracker()->Select(o);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << (c.shift ? " shift" : ""));
    const int steps = Steps();
    fw::SetKeyDown(fw::VK_SHIFT, c.shift);
    view->SendMessage(fw::WM_COMMAND, c.id, 0);
    ExpectRect(o->bounds, c.left, c.top, c.left + 20, c.top + 10);
    ExpectRect(Selection(), c.left, c.top, c.left + 20, c.top + 10);
    EXPECT_EQ(Steps(), steps + 1);
    ASSERT_TRUE(Undo());
    ExpectRect(o->bounds, 30, 40, 50, 50);
  }
}

TEST_F(CoordinateTest, NothingSelectedAlignsNothing) {
  CGraphObject* o = AddRect(30, 40, 50, 50);
  for (fw::UINT id : {coorddlg::ID_PAGE_LEFT, coorddlg::ID_PAGE_CENTER}) view->SendMessage(fw::WM_COMMAND, id, 0);
  ExpectRect(o->bounds, 30, 40, 50, 50);
  EXPECT_EQ(Steps(), 0);
  // The dialog shows zeros and OK only stores the margins.
  Run(ID_COORDINATE_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(coorddlg::IDC_COORD_X), "0.00");
    EXPECT_EQ(d.GetDlgItemText(coorddlg::IDC_COORD_Y), "0.00");
    d.SetDlgItemText(coorddlg::IDC_COORD_SPACE_LR, "4.5");
    d.SetDlgItemText(coorddlg::IDC_COORD_X, "100");
    d.ClickButton(fw::IDOK);
  });
  ExpectRect(o->bounds, 30, 40, 50, 50);
  EXPECT_EQ(Steps(), 0);
  EXPECT_FLOAT_EQ(CProfile().GetFloat("Coordinate", "SPACELR", 0), 4.5f);
}

TEST_F(CoordinateTest, ButtonsFillTheCoordinatesOfEachReference) {
  using namespace coorddlg;
  CGraphObject* o = AddRect(30, 40, 50, 50);  // 20 x 10
  view->Tracker()->Select(o);
  // Page 400 x 900, margins 5 and 7.
  struct Case {
    int reference;
    fw::UINT button;
    fw::UINT edit;
    const char* value;
  } cases[] = {
      {kLeftTop, IDC_COORD_LEFT, IDC_COORD_X, "5.00"},      {kCentre, IDC_COORD_LEFT, IDC_COORD_X, "15.00"},
      {kRightBottom, IDC_COORD_LEFT, IDC_COORD_X, "25.00"}, {kLeftBottom, IDC_COORD_HCENTER, IDC_COORD_X, "190.00"},
      {kCentre, IDC_COORD_HCENTER, IDC_COORD_X, "200.00"},  {kRightTop, IDC_COORD_HCENTER, IDC_COORD_X, "210.00"},
      {kLeftTop, IDC_COORD_RIGHT, IDC_COORD_X, "375.00"},   {kCentre, IDC_COORD_RIGHT, IDC_COORD_X, "385.00"},
      {kRightBottom, IDC_COORD_RIGHT, IDC_COORD_X, "395.00"}, {kRightTop, IDC_COORD_TOP, IDC_COORD_Y, "7.00"},
      {kCentre, IDC_COORD_TOP, IDC_COORD_Y, "12.00"},       {kLeftBottom, IDC_COORD_TOP, IDC_COORD_Y, "17.00"},
      {kLeftTop, IDC_COORD_VCENTER, IDC_COORD_Y, "445.00"}, {kCentre, IDC_COORD_VCENTER, IDC_COORD_Y, "450.00"},
      {kRightBottom, IDC_COORD_VCENTER, IDC_COORD_Y, "455.00"}, {kRightTop, IDC_COORD_BOTTOM, IDC_COORD_Y, "883.00"},
      {kCentre, IDC_COORD_BOTTOM, IDC_COORD_Y, "888.00"},   {kLeftBottom, IDC_COORD_BOTTOM, IDC_COORD_Y, "893.00"},
  };
  Run(ID_COORDINATE_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Coordinate Setting");
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_X), "30.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_Y), "40.00");
    d.TypeText(IDC_COORD_SPACE_LR, "5");
    d.TypeText(IDC_COORD_SPACE_TB, "7");
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.reference << " " << c.button);
      d.SelectComboItem(IDC_COORD_REFERENCE, c.reference);
      d.ClickButton(c.button);
      EXPECT_EQ(d.GetDlgItemText(c.edit), c.value);
    }
    d.ClickButton(fw::IDCANCEL);
  });
  ExpectRect(o->bounds, 30, 40, 50, 50);
}

TEST_F(CoordinateTest, ReferenceChangeAndOkMoveTheSelection) {
  using namespace coorddlg;
  CGraphObject* o = AddRect(30, 40, 50, 50);
  view->Tracker()->Select(o);
  Run(ID_COORDINATE_CMD, [&](fw::CDialog& d) {
    d.SelectComboItem(IDC_COORD_REFERENCE, kRightBottom);
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_X), "50.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_Y), "50.00");
    d.SelectComboItem(IDC_COORD_REFERENCE, kCentre);
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_X), "40.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_COORD_Y), "45.00");
    // The right edge at the page's width less the margin.
    d.SelectComboItem(IDC_COORD_REFERENCE, kRightBottom);
    d.TypeText(IDC_COORD_SPACE_LR, "10");
    d.ClickButton(IDC_COORD_RIGHT);
    d.ClickButton(fw::IDOK);
  });
  ExpectRect(o->bounds, 370, 40, 390, 50);
  EXPECT_EQ(Steps(), 1);
  ASSERT_TRUE(Undo());
  ExpectRect(o->bounds, 30, 40, 50, 50);
}

}  // namespace

namespace {

TEST(PageMenus, ItemsAndKeysOfTheDesignWindow) {
  fw::ResetWindowSystem();
  appres::RegisterAppResources();
  fw::CMenu design;
  ASSERT_TRUE(design.LoadMenu(129));
  for (auto [id, text] : std::initializer_list<std::pair<fw::UINT, const char*>>{
           {40061, "&PageSet\t[F10]"},
           {40059, "Pa&thSet..."},
           {40058, "P&alette..."},
           {40105, "RightPolygonSet..."},
           {40107, "Table..."},
           {40106, "OutRect...\t[F9]"},
           {32820, "Coordinate...(&O)\t[F5]"},
           {40115, "Center\t[CTRL+ENTER]"},
           {32872, "Left(&L)"},
           {32877, "Vert Center(&F)"},
           {32871, "Card Dup...(R)\tShift+[F7]"},
           {32787, "Gray Image Vector...(&B)"}})
    EXPECT_EQ(design.GetMenuString(id, fw::MF_BYCOMMAND), text) << id;
  const auto* keys = fw::res::FindAccelerators(129);
  ASSERT_NE(keys, nullptr);
  auto find = [&](fw::BYTE mods, fw::UINT key) {
    for (const fw::ACCEL& a : *keys)
      if (a.key == key && (a.fVirt & (fw::FSHIFT | fw::FCONTROL | fw::FALT)) == mods) return fw::UINT(a.cmd);
    return fw::UINT(0);
  };
  EXPECT_EQ(find(0, fw::VK_F10), 40061u);
  EXPECT_EQ(find(0, fw::VK_F5), 32820u);
  EXPECT_EQ(find(fw::FCONTROL, fw::VK_RETURN), 40115u);
  EXPECT_EQ(find(fw::FSHIFT, fw::VK_F7), 32871u);
  fw::ResetWindowSystem();
}

}  // namespace
