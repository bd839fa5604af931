// Far values where they enter the design: a pasted far coordinate, stored and
// typed lengths a page cannot hold, and commands that would make very many objects.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <limits>
#include <ostream>

#include "app/carddupdlg.h"
#include "app/coorddlg.h"
#include "app/cutpatterndlg.h"
#include "app/imagevectordlg.h"
#include "app/pagedlgs.h"
#include "app/palettesetdlg.h"
#include "app/shapedlgs.h"
#include "app/viewcmd_transform.h"
#include "dialog_fixture.h"
#include "framework/clipboard.h"
#include "model/helpers.h"
#include "model/palette.h"
#include "model/segarray.h"
#include "model/settings.h"

using namespace apptest;

namespace {

constexpr fw::UINT ID_CARD_DUP_CMD = 32871;
constexpr fw::UINT ID_MULTI_DUP_CMD = 40045;
constexpr fw::UINT ID_OUT_RECT_CMD = 40106;
constexpr fw::UINT ID_COORDINATE_CMD = 32820;
constexpr fw::UINT ID_PAGE_SET_CMD = 40061;
constexpr fw::UINT ID_PATH_SET_CMD = 40059;
constexpr fw::UINT ID_POLYGON_SET_CMD = 40105;
constexpr fw::UINT ID_PALETTE_SET_CMD = 40058;
constexpr fw::UINT ID_VECTOR_SET_CMD = 40149;
constexpr fw::UINT ID_GRAPH_VECTOR_SET_CMD = 40062;
// 199 fields, the most a table's list keeps: an empty field repeats the one before.
const std::string kManyFieldsText = "1" + std::string(198, ',');
const char* const kManyFields = kManyFieldsText.c_str();

class FarValuesTest : public PrivateIniViewTest {
 protected:
  // Every object's bounds within what a page holds.
  void ExpectBounded() {
    for (int i = 0; i < doc->GetObjectCount(); ++i) {
      const CFRect& b = doc->GetObjectAt(i)->bounds;
      for (float v : {b.left, b.top, b.right, b.bottom})
        EXPECT_TRUE(std::fabs(v) <= 4.0 * kMaxPageLength) << "object " << i << ": " << v;
    }
    EXPECT_LE(doc->GetPageWidth(), kMaxPageLength);
    EXPECT_LE(doc->GetPageHeight(), kMaxPageLength);
    EXPECT_LE(doc->GetPageInfo().m_gridSize, kMaxPageLength);
  }
};

TEST_F(FarValuesTest, APastedFarCoordinateIsRedrawnWithinTheDeviceRange) {
  CSegArray list;
  list.Add(MakeRectPath(1.01e32f, 0, 1.01e32f + 10, 10));
  list.Add(MakeRectPath(-1.01e32f, -1.01e32f, 0, 10));
  ASSERT_NO_FATAL_FAILURE(PutObjectList(view, list));
  view->SendMessage(fw::WM_COMMAND, fw::ID_EDIT_PASTE, 0);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(0)->bounds.left, 1.01e32f);
  // Invalidating, selecting and painting them stays within the device range.
  for (int i = 0; i < doc->GetObjectCount(); ++i) doc->GetObjectAt(i)->InvalidateObjectRect(view, true);
  SelectAll();
  view->RepaintAll();
  view->UpdateWindow();
}

TEST_F(FarValuesTest, AStoredFarCardGapGivesTheDefault) {
  g_IniFile.WriteString("CARDDUP", "GAPX", "1e30");
  g_IniFile.WriteString("CARDDUP", "GAPY", "-1e30");
  AddRect(10, 10, 80, 40);
  Run(ID_CARD_DUP_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(carddlg::IDC_CARD_GAPX), "2.00");
    EXPECT_EQ(d.GetDlgItemText(carddlg::IDC_CARD_GAPY), "2.00");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  ASSERT_EQ(doc->GetObjectCount(), 8);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(7)->bounds.left, 10.0f + 92.0f);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(7)->bounds.top, 10.0f + 3 * 57.0f);
}

TEST_F(FarValuesTest, AStoredFarFrameSpacingIsHeldToThePage) {
  for (const char* key : {"LINEXSPACE", "LINEXWIDTH", "LINEYSPACE", "LINEYWIDTH"})
    CProfile().WriteString("SystemParam", key, "1e30");
  AddRect(10, 10, 30, 20);
  SelectAll();
  Run(ID_OUT_RECT_CMD, [](fw::CDialog& d) {
    d.ClickButton(shapedlg::IDC_LINE_DOUBLE);
    d.ClickButton(fw::IDOK);
  });
  ASSERT_EQ(doc->GetObjectCount(), 2);
  const CFRect& b = doc->GetObjectAt(1)->bounds;
  EXPECT_FLOAT_EQ(b.left, 10.0f - float(kMaxPageLength) - float(kMaxPageLength));
  ExpectBounded();
}

TEST_F(FarValuesTest, SettingsGiveTheDefaultForValuesAPageCannotHold) {
  const struct {
    const char* text;
    float expected;
  } cases[] = {{"12.5", 12.5f},    {"-1000000", -1.0e6f}, {"1000001", 7.0f}, {"1e30", 7.0f},
               {"-1e30", 7.0f},    {"1e39", 7.0f},        {"nan", 7.0f},     {"inf", 7.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    g_IniFile.WriteString("T", "K", c.text);
    EXPECT_EQ(g_IniFile.GetFloat("T", "K", 7.0f), c.expected);
    CProfile().WriteString("T", "K", c.text);
    EXPECT_EQ(CProfile().GetFloat("T", "K", 7.0f), c.expected);
  }
}

// Each design dialog with a value a page cannot hold, or a count beyond
// 10,000 objects: refused (nothing made, no undo step) or held to the page.
enum Outcome { kRefused, kAsked, kBounded };
// How the dialog opens: a command to the view, to the main frame (which
// passes it to the design window's frame), or the drawing tool's dialog.
enum Opener { kViewCommand, kFrameCommand, kShapeTool };
using DialogAct = std::function<void(fw::CDialog&)>;
struct BoundsCase {
  const char* name;
  fw::UINT command;
  std::vector<std::pair<fw::UINT, const char*>> fields;
  Outcome outcome;
  const char* message;  // the box shown, or null
  Opener opener = kViewCommand;
  DialogAct act = nullptr;  // what the user does after the fields; OK when null
  void (*setup)(const std::string& dir) = nullptr;
};

void PrintTo(const BoundsCase& c, std::ostream* os) { *os << c.name; }

// Palette 1 holds as many colours as a palette can.
void FullPalette(const std::string& dir) {
  std::filesystem::create_directory(dir + "/pal");
  std::ofstream out(dir + "/pal/PALETTE.INI");
  out << "[PALETTE]\nPAL0=PAL0\nPAL1=PAL1\n\n[PAL0]\nPalName=Base\n\n[PAL1]\nPalName=Full\n";
  for (int i = 16; i < CPaletteStore::kMaxColors; ++i)
    out << "Color" << i << "=" << (i & 255) << "," << ((i >> 8) & 255) << ",7\n";
  out.close();
  std::ofstream(dir + "/VORLAN98.INI") << "[PATH]\nPALETTE=" << dir << "/pal/\n";
  ThePaletteStore().Open("PALETTE.INI");
}

class DialogBoundsTest : public FarValuesTest, public ::testing::WithParamInterface<BoundsCase> {
 protected:
  void TearDown() override {
    FarValuesTest::TearDown();
    ThePaletteStore().Open("PALETTE.INI");
  }
};

TEST_P(DialogBoundsTest, RefusesOrClampsWhatAPageCannotHold) {
  const BoundsCase& c = GetParam();
  if (c.setup) c.setup(dir);
  AddRect(10, 10, 30, 20);
  SelectAll();
  ObjectDrag().start = CFPoint{5, 5};
  ObjectDrag().last = CFPoint{0, 0};
  const float pageWidth = doc->GetPageWidth(), pageHeight = doc->GetPageHeight();
  sink.clear();
  fw::ScriptedModalDriver driver;
  driver.Then([&](fw::CDialog& d) {
    for (const auto& [id, text] : c.fields) d.SetDlgItemText(id, text);
    if (c.act)
      c.act(d);
    else
      d.ClickButton(fw::IDOK);
    if (c.outcome != kBounded) {
      EXPECT_FALSE(d.IsEnded());
      d.ClickButton(fw::IDCANCEL);
    }
  });
  if (c.opener == kShapeTool)
    OpenShapeDialog(*view, c.command);
  else
    (c.opener == kFrameCommand ? static_cast<fw::CWnd*>(main) : view)->SendMessage(fw::WM_COMMAND, c.command, 0);
  EXPECT_EQ(driver.Runs().size(), 1u);
  if (c.message) {
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, c.message);
    if (c.outcome == kAsked) {
      EXPECT_EQ(sink.boxes[0].style & plat::MB_TYPEMASK, plat::MB_YESNO);
    }
  } else {
    EXPECT_TRUE(sink.boxes.empty());
  }
  if (c.outcome == kBounded) {
    EXPECT_GE(doc->GetObjectCount(), 1);
    ExpectBounded();
  } else {
    // Nothing made, nothing left behind.
    EXPECT_EQ(doc->GetObjectCount(), 1);
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(doc->GetPageWidth(), pageWidth);
    EXPECT_EQ(doc->GetPageHeight(), pageHeight);
  }
}

// A width list's parts with the check box of equal parts cleared.
DialogAct ListParts(fw::UINT list, const char* text) {
  return [=](fw::CDialog& d) {
    d.ClickButton(scutid::IDC_BISECTRIX);
    d.SetDlgItemText(list, text);
    d.ClickButton(fw::IDOK);
  };
}

using namespace transformdlg;
INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogBoundsTest,
    ::testing::Values(
        BoundsCase{"MultiDup10000x10000", ID_MULTI_DUP_CMD, {{IDC_DUP_COLUMNS, "10000"}, {IDC_DUP_ROWS, "10000"}},
                   kAsked, "将生成 99999999 个对象，是否继续？"},
        BoundsCase{"MultiDupFarGaps", ID_MULTI_DUP_CMD,
                   {{IDC_DUP_COLUMNS, "3"}, {IDC_DUP_ROWS, "2"}, {IDC_DUP_GAPS_X, "1e30"},
                    {IDC_DUP_GAPS_Y, "99999999999999999999999999999999"}},
                   kBounded, nullptr},
        BoundsCase{"NameCards2000Across", ID_CARD_DUP_CMD, {{carddlg::IDC_CARD_DUPX, "2000"}}, kRefused,
                   "名片数量超出范围"},
        BoundsCase{"NameCards200x100", ID_CARD_DUP_CMD,
                   {{carddlg::IDC_CARD_DUPX, "200"}, {carddlg::IDC_CARD_DUPY, "100"}}, kAsked,
                   "将生成 19999 个对象，是否继续？"},
        BoundsCase{"NameCardsFarGaps", ID_CARD_DUP_CMD,
                   {{carddlg::IDC_CARD_GAPX, "1e30"}, {carddlg::IDC_CARD_GAPY, "-inf"}}, kBounded, nullptr},
        BoundsCase{"FramesFarSpacing", ID_OUT_RECT_CMD,
                   {{shapedlg::IDC_LINE_XSPACE, "1e30"},
                    {shapedlg::IDC_LINE_YSPACE, "-1e30"},
                    {shapedlg::IDC_LINE_WIDTH, "nan"}},
                   kBounded, nullptr},
        BoundsCase{"CoordinateFarAway", ID_COORDINATE_CMD,
                   {{coorddlg::IDC_COORD_X, "1e30"}, {coorddlg::IDC_COORD_Y, "-1e38"}}, kBounded, nullptr},
        BoundsCase{"CoordinateNotANumber", ID_COORDINATE_CMD, {{coorddlg::IDC_COORD_X, "nan"}}, kRefused,
                   "X and Y must be numbers."},
        BoundsCase{"PageNotANumber", ID_PAGE_SET_CMD, {{pagedlg::IDC_PAGE_WIDTH, "inf"}}, kRefused,
                   "Width and Lenth must be numbers."},
        BoundsCase{"PageFarSizeAndGrid", ID_PAGE_SET_CMD,
                   {{pagedlg::IDC_PAGE_WIDTH, "1e30"},
                    {pagedlg::IDC_PAGE_HEIGHT, "99999999999"},
                    {pagedlg::IDC_PAGE_GRID_SIZE, "2000000000"}},
                   kBounded, nullptr},
        BoundsCase{"PathLongerThanTheSettingsKeep", ID_PATH_SET_CMD, {}, kRefused, "路径太长", kViewCommand,
                   [](fw::CDialog& d) {
                     auto* list = d.Item<fw::CListCtrl>(pagedlg::IDC_PATH_LIST);
                     ASSERT_NE(list, nullptr);
                     const std::string before = list->GetItemText(1, 0);
                     list->UserEditLabel(1, "/" + std::string(5000, 'p') + "/");
                     EXPECT_EQ(list->GetItemText(1, 0), before);
                   }},
        BoundsCase{"Polygon20000Sides", ID_POLYGON_SET_CMD, {{shapedlg::IDC_POLY_SIDES, "20000"}}, kRefused,
                   "A polygon has at most 10000 sides."},
        BoundsCase{"TableBeyondThePage", ID_TOOL_TABLE, {{shapedlg::IDC_WIDTHS, "99999999999,1000000"}}, kRefused,
                   "The table is larger than a page can hold."},
        BoundsCase{"Table199x199Cells", ID_TOOL_TABLE,
                   {{shapedlg::IDC_WIDTHS, kManyFields}, {shapedlg::IDC_HEIGHTS, kManyFields}}, kAsked,
                   "This makes 39601 objects. Go on?"},
        BoundsCase{"TableFarMargin", ID_TOOL_TABLE, {{shapedlg::IDC_TABLE_LINE, "1e30"}}, kRefused,
                   "The table is larger than a page can hold."},
        BoundsCase{"RectangleFarWidth", ID_TOOL_RECT, {{shapedlg::IDC_WIDTHS, "99999999999999999999,5"}}, kBounded,
                   nullptr, kShapeTool},
        BoundsCase{"CircleFarRadius", ID_TOOL_CIRCLE, {{shapedlg::IDC_CIRCLE_RX, "1e30"}}, kBounded, nullptr,
                   kShapeTool},
        BoundsCase{"ArcsFarRadii", ID_TOOL_CIRCLE,
                   {{shapedlg::IDC_CIRCLE_RX, "99999999999,5"}, {shapedlg::IDC_CIRCLE_RY, "99999999999"}}, kBounded,
                   nullptr, kShapeTool,
                   [](fw::CDialog& d) {
                     d.ClickButton(shapedlg::IDC_CIRCLE_PIE);
                     d.ClickButton(fw::IDOK);
                   }},
        BoundsCase{"PaletteFull", ID_PALETTE_SET_CMD, {}, kRefused, "调色板颜色已满", kFrameCommand,
                   [](fw::CDialog& d) {
                     d.SelectComboItem(palettedlg::IDC_PALETTE_NAMES, 1);
                     d.ClickButton(palettedlg::IDC_COLOR_ADD);  // no colour dialog opens
                   },
                   FullPalette},
        BoundsCase{"ParallelCut20000Parts", ID_TOOL_PARALLEL_CUT, {{scutid::IDC_CUT_LINES, "20000"}}, kRefused,
                   "等分数不能大于10000"},
        BoundsCase{"ParallelCutFineList", ID_TOOL_PARALLEL_CUT, {}, kRefused, "分割数不能大于10000", kViewCommand,
                   ListParts(scutid::IDC_LINE_WIDTHS, "0.0005")},
        BoundsCase{"ParallelCutFarList", ID_TOOL_PARALLEL_CUT, {}, kRefused, "间隔数值超出范围", kViewCommand,
                   ListParts(scutid::IDC_LINE_WIDTHS, "1,+2000000")},
        BoundsCase{"RadiationCut20000Parts", ID_TOOL_RADIATION_CUT, {{scutid::IDC_CUT_PARTS, "20000"}}, kRefused,
                   "等分数不能大于10000"},
        BoundsCase{"RadiationCutFineList", ID_TOOL_RADIATION_CUT, {}, kRefused, "分割数不能大于10000", kViewCommand,
                   ListParts(scutid::IDC_SECTOR_WIDTHS, "0.005")},
        BoundsCase{"RadiationCutInfiniteList", ID_TOOL_RADIATION_CUT, {}, kRefused, "间隔数值超出范围", kViewCommand,
                   ListParts(scutid::IDC_SECTOR_WIDTHS, "1e39")},
        BoundsCase{"CircleCut20000Parts", ID_TOOL_CIRCLE_CUT, {{scutid::IDC_CUT_PARTS, "20000"}}, kRefused,
                   "等分数不能大于10000"},
        BoundsCase{"CircleCutFineList", ID_TOOL_CIRCLE_CUT, {}, kRefused, "分割数不能大于10000", kViewCommand,
                   ListParts(scutid::IDC_RING_WIDTHS, "0.001")},
        BoundsCase{"CircleCutFarList", ID_TOOL_CIRCLE_CUT, {}, kRefused, "间隔数值超出范围", kViewCommand,
                   ListParts(scutid::IDC_RING_WIDTHS, "-3000000")},
        BoundsCase{"VectorSettingsFarValue", ID_VECTOR_SET_CMD, {}, kRefused,
                   "Values must be numbers within ±1000000.", kViewCommand,
                   [](fw::CDialog& d) {
                     d.SelectListItem(ivdlg::IDC_PARAM_LIST, 0);
                     const std::string before = d.Item<fw::CListBox>(ivdlg::IDC_PARAM_LIST)->GetText(0);
                     d.SetDlgItemText(ivdlg::IDC_PARAM_VALUE, "1e30");
                     d.ClickButton(ivdlg::IDC_PARAM_MODIFY);
                     EXPECT_EQ(d.Item<fw::CListBox>(ivdlg::IDC_PARAM_LIST)->GetText(0), before);
                   }},
        BoundsCase{"FittingSettingsFarValue", ID_GRAPH_VECTOR_SET_CMD,
                   {{ivdlg::IDC_CORNERS, "4"}, {ivdlg::IDC_ANGLE_CAPTURE, "inf"}}, kRefused,
                   "Values must be numbers within ±1000000."}),
    [](const ::testing::TestParamInfo<BoundsCase>& info) { return std::string(info.param.name); });

TEST_F(FarValuesTest, ShapeListsAndThePageAreHeldToThePage) {
  ObjectDrag().start = CFPoint{5, 5};
  ObjectDrag().last = CFPoint{0, 0};
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    d.SetDlgItemText(shapedlg::IDC_WIDTHS, "99999999999999999999999999999999999999999,10");
    d.SetDlgItemText(shapedlg::IDC_HEIGHTS, "5");
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    d.SetDlgItemText(shapedlg::IDC_CIRCLE_RX, "1e30");
    d.ClickButton(fw::IDOK);
  });
  OpenShapeDialog(*view, ID_TOOL_RECT);
  OpenShapeDialog(*view, ID_TOOL_CIRCLE);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(0)->bounds.right, float(kMaxPageLength / 2));
  ExpectBounded();

  Run(ID_PAGE_SET_CMD, [](fw::CDialog& d) {
    d.SetDlgItemText(pagedlg::IDC_PAGE_WIDTH, "1e30");
    d.SetDlgItemText(pagedlg::IDC_PAGE_HEIGHT, "inf");
    d.ClickButton(fw::IDOK);
    EXPECT_FALSE(d.IsEnded());  // not a number a page can take
    d.SetDlgItemText(pagedlg::IDC_PAGE_HEIGHT, "1e30");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  EXPECT_EQ(doc->GetPageWidth(), float(kMaxPageLength));
  EXPECT_EQ(doc->GetPageHeight(), float(kMaxPageLength));
}

}  // namespace
