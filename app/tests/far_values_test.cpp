// Far values where they enter the design: a pasted far coordinate, stored and
// typed lengths a page cannot hold, and commands that would make very many objects.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <ostream>

#include "app/carddupdlg.h"
#include "app/coorddlg.h"
#include "app/pagedlgs.h"
#include "app/shapedlgs.h"
#include "app/viewcmd_transform.h"
#include "dialog_fixture.h"
#include "framework/clipboard.h"
#include "model/helpers.h"
#include "model/segarray.h"
#include "model/settings.h"

using namespace apptest;

namespace {

constexpr fw::UINT ID_CARD_DUP_CMD = 32871;
constexpr fw::UINT ID_MULTI_DUP_CMD = 40045;
constexpr fw::UINT ID_OUT_RECT_CMD = 40106;
constexpr fw::UINT ID_COORDINATE_CMD = 32820;
constexpr fw::UINT ID_PAGE_SET_CMD = 40061;

class FarValuesTest : public PrivateIniViewTest {
 protected:
  // Every object's bounds within what a page holds.
  void ExpectBounded() {
    for (int i = 0; i < doc->GetObjectCount(); ++i) {
      const CFRect& b = doc->GetObjectAt(i)->bounds;
      for (float v : {b.left, b.top, b.right, b.bottom})
        EXPECT_TRUE(std::fabs(v) <= 4.0 * kMaxPageLength) << "object " << i << ": " << v;
    }
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
struct BoundsCase {
  const char* name;
  fw::UINT command;
  std::vector<std::pair<fw::UINT, const char*>> fields;
  Outcome outcome;
  const char* message;  // the box shown, or null
};

void PrintTo(const BoundsCase& c, std::ostream* os) { *os << c.name; }

class DialogBoundsTest : public FarValuesTest, public ::testing::WithParamInterface<BoundsCase> {};

TEST_P(DialogBoundsTest, RefusesOrClampsWhatAPageCannotHold) {
  const BoundsCase& c = GetParam();
  AddRect(10, 10, 30, 20);
  SelectAll();
  sink.clear();
  Run(c.command, [&](fw::CDialog& d) {
    for (const auto& [id, text] : c.fields) d.SetDlgItemText(id, text);
    d.ClickButton(fw::IDOK);
    if (c.outcome != kBounded) {
      EXPECT_FALSE(d.IsEnded());
      d.ClickButton(fw::IDCANCEL);
    }
  });
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
  }
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
                   {{coorddlg::IDC_COORD_X, "1e30"}, {coorddlg::IDC_COORD_Y, "-1e38"}}, kBounded, nullptr}),
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
