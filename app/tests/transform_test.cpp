// The transform, duplication and expand dialogs of the design view, opened
// by their commands and driven through the modal driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd_transform.h"
#include "app/viewcmd_weld.h"
#include "view_fixture.h"
#include "framework/clipboard.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/docview.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/gmem.h"
#include "platform/report.h"

using namespace apptest;
using namespace transformdlg;

namespace {

std::vector<CFPoint> Nodes(const CGraphObject* o) {
  std::vector<CFPoint> out;
  const auto* p = dynamic_cast<const CPathObject*>(o);
  if (!p || !p->points) return out;
  plat::GlobalLockGuard g(p->points);
  const auto* r = g.as<PathPoint>();
  for (int i = 0; i < p->count && r[i].flags != PP_END; ++i) {
    if (r[i].flags & PP_SPECIAL) continue;
    CFPoint q{r[i].x, r[i].y};
    p->matrix.TransformPoint(q);
    out.push_back(q);
  }
  return out;
}

class TransformTest : public StartedViewTest {
 protected:
  void TearDown() override {
    weldcmd::LibraryFileName() = "Flexoril.dll";
    StartedViewTest::TearDown();
  }
  // Opens the command's dialog and runs the step in it; the run's result.
  int Run(fw::UINT command, std::function<void(fw::CDialog&)> step) {
    fw::ScriptedModalDriver driver;
    driver.Then(std::move(step));
    view->SendMessage(fw::WM_COMMAND, command, 0);
    return driver.Runs().empty() ? -2 : driver.Runs().back().result;
  }
  static void ExpectRect(const CFRect& r, float l, float t, float rr, float b) {
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rr);
    EXPECT_EQ(r.bottom, b);
  }
};

}  // namespace

TEST_F(TransformTest, RotateSkewAndMirrorChangeTheSelectionInOneStep) {
  CPathObject* rect = AddRect(0, 0, 40, 20);
  const int steps = Steps();
  std::string shown;
  EXPECT_EQ(Run(40046,
                [&](fw::CDialog& d) {
                  shown = d.GetDlgItemText(IDC_ROTATE_ANGLE);
                  d.TypeText(IDC_ROTATE_ANGLE, "90");
                  d.ClickButton(fw::IDOK);
                }),
            fw::IDOK);
  EXPECT_EQ(shown, "0.0");
  // About the centre (20, 10), with exact sine and cosine.
  ExpectRect(rect->bounds, 10, -10, 30, 30);
  for (const CFPoint& p : Nodes(rect)) {
    EXPECT_TRUE(p.x == 10.0f || p.x == 30.0f) << p.x;
    EXPECT_TRUE(p.y == -10.0f || p.y == 30.0f) << p.y;
  }
  EXPECT_EQ(Steps(), steps + 1);
  UndoStep();
  ExpectRect(rect->bounds, 0, 0, 40, 20);

  // Skew by 45 degrees along x: the 20 high rectangle leans 20 over.
  Run(40047, [](fw::CDialog& d) {
    d.TypeText(IDC_SKEW_X, "45");
    d.ClickButton(fw::IDOK);
  });
  EXPECT_NEAR(rect->bounds.right - rect->bounds.left, 60.0f, 1e-3f);
  EXPECT_NEAR(rect->bounds.bottom - rect->bounds.top, 20.0f, 1e-3f);
  UndoStep();

  // Mirror across the vertical centre line: a corner node changes sides.
  auto tri = std::make_unique<CPathObject>();
  tri->AddPoint(0, 0, 0x11);
  tri->AddPoint(40, 0, 0x01);
  tri->AddPoint(0, 20, 0x41);
  tri->EndPoints();
  view->Tracker()->ClearSelection(nullptr, true);
  CPathObject* t = Add(std::move(tri));
  Run(40108, [](fw::CDialog& d) {
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_MIRROR_X), 0u);
    d.SetCheckBox(IDC_MIRROR_X, 1);
    d.ClickButton(fw::IDOK);
  });
  const std::vector<CFPoint> nodes = Nodes(t);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].x, 40.0f);
  EXPECT_EQ(nodes[2].x, 40.0f);
  EXPECT_EQ(nodes[2].y, 20.0f);
  UndoStep();
  const CFRect original = t->bounds;

  // Nothing to do: closed with OK and no step.
  const int before = Steps();
  EXPECT_EQ(Run(40046, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); }), fw::IDOK);
  EXPECT_EQ(Run(40047, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); }), fw::IDOK);
  EXPECT_EQ(Run(40108, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); }), fw::IDOK);
  EXPECT_EQ(Steps(), before);
  // A number that is no finite float keeps the dialog open, nothing moves.
  for (const char* bad : {"nan", "1e40", "-inf"}) {
    EXPECT_EQ(Run(40046,
                  [&](fw::CDialog& d) {
                    d.TypeText(IDC_ROTATE_ANGLE, bad);
                    d.ClickButton(fw::IDOK);
                    EXPECT_FALSE(d.IsEnded()) << bad;
                    d.ClickButton(fw::IDCANCEL);
                  }),
              fw::IDCANCEL);
    EXPECT_EQ(Run(40047,
                  [&](fw::CDialog& d) {
                    d.TypeText(IDC_SKEW_Y, bad);
                    d.ClickButton(fw::IDOK);
                    EXPECT_FALSE(d.IsEnded()) << bad;
                  }),
              fw::IDCANCEL);
  }
  ExpectRect(t->bounds, original.left, original.top, original.right, original.bottom);
  EXPECT_EQ(Steps(), before);
}

TEST_F(TransformTest, ScaleEditsFollowEachOtherAndOkFitsTheSelection) {
  struct Case {
    bool line;  // a horizontal line (no height) instead of 40 x 20
    bool proportion;
    fw::UINT edit;
    const char* text;
    const char* x;
    const char* y;
    const char* ratio;
  };
  const Case cases[] = {
      {false, false, IDC_SCALE_X, "80", "80", "20.00   ", "1"},
      {false, true, IDC_SCALE_X, "80", "80", "40.00", "2.00"},
      {false, true, IDC_SCALE_Y, "10", "20.00", "10", "0.50"},
      {false, false, IDC_SCALE_RATIO, "1.5", "60.00", "30.00", "1.5"},
      {false, true, IDC_SCALE_RATIO, "3", "120.00", "60.00", "3"},
      // Each handler divides by its own old size: a line scales by its width.
      {true, true, IDC_SCALE_X, "80", "80", "0.00", "2.00"},
      {true, true, IDC_SCALE_Y, "5", "40.00   ", "5", "1"},
  };
  for (const Case& c : cases) {
    Clear();
    if (c.line)
      Add(MakeLinePath(0, 0, 40, 0));
    else
      AddRect(0, 0, 40, 20);
    Run(40050, [&](fw::CDialog& d) {
      EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_UNIT), "mm 2<n");
      EXPECT_EQ(d.GetCheckedRadioButton(IDC_SCALE_BY_RATIO, IDC_SCALE_BY_SIZE), IDC_SCALE_BY_SIZE);
      if (c.proportion) d.SetCheckBox(IDC_SCALE_PROPORTION, 1);
      d.TypeText(c.edit, c.text);
      EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_X), c.x) << c.text;
      EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_Y), c.y) << c.text;
      EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_RATIO), c.ratio) << c.text;
    });
  }

  Clear();
  CPathObject* rect = AddRect(10, 10, 50, 30);
  const int steps = Steps();
  EXPECT_EQ(Run(40050,
                [](fw::CDialog& d) {
                  d.SetCheckBox(IDC_SCALE_BY_RATIO, 1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_UNIT), "比例 0.01<n<15");
                  d.SetCheckBox(IDC_SCALE_BY_SIZE, 1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_SCALE_X), "40.00   ");
                  // Zero or not a number: the dialog stays.
                  d.TypeText(IDC_SCALE_X, "0");
                  d.ClickButton(fw::IDOK);
                  EXPECT_FALSE(d.IsEnded());
                  d.TypeText(IDC_SCALE_X, "nan");
                  d.ClickButton(fw::IDOK);
                  EXPECT_FALSE(d.IsEnded());
                  d.TypeText(IDC_SCALE_X, "80");
                  d.TypeText(IDC_SCALE_Y, "10");
                  d.ClickButton(fw::IDOK);
                }),
            fw::IDOK);
  ExpectRect(rect->bounds, 10, 10, 90, 20);
  EXPECT_EQ(Steps(), steps + 1);
  UndoStep();
  ExpectRect(rect->bounds, 10, 10, 50, 30);
}

TEST_F(TransformTest, MultiDuplicatePastesInMemoryInOneStep) {
  CPathObject* rect = AddRect(0, 0, 10, 10);
  // The user's clipboard text survives.
  ASSERT_TRUE(fw::OpenClipboard(view));
  fw::EmptyClipboard();
  const plat::HGLOBAL text = plat::GlobalAlloc(plat::GHND, 6);
  std::memcpy(plat::GlobalLock(text), "hello", 6);
  plat::GlobalUnlock(text);
  fw::SetClipboardData(fw::CF_TEXT, text);
  fw::CloseClipboard();
  const int steps = Steps();
  EXPECT_EQ(Run(40045,
                [](fw::CDialog& d) {
                  EXPECT_EQ(d.GetDlgItemText(IDC_DUP_SIZE_X), "10.00   ");
                  EXPECT_EQ(d.GetDlgItemText(IDC_DUP_GAPS_X), "2.0");
                  EXPECT_EQ(d.GetDlgItemText(IDC_DUP_LABEL_X), "横向间隔:");
                  d.TypeText(IDC_DUP_COLUMNS, "4");
                  d.TypeText(IDC_DUP_ROWS, "2");
                  d.TypeText(IDC_DUP_GAPS_X, "2,5");
                  d.TypeText(IDC_DUP_GAPS_Y, "3");
                  d.ClickButton(fw::IDOK);
                }),
            fw::IDOK);
  // Gaps 2, 5, 5 along a row; rows 13 apart.
  ASSERT_EQ(doc->GetObjectCount(), 8);
  std::vector<std::pair<float, float>> corners;
  for (int i = 0; i < doc->GetObjectCount(); ++i)
    corners.emplace_back(doc->GetObjectAt(i)->bounds.left, doc->GetObjectAt(i)->bounds.top);
  std::sort(corners.begin(), corners.end(),
            [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
  const std::vector<std::pair<float, float>> expected = {{0, 0},  {12, 0},  {27, 0},  {42, 0},
                                                         {0, 13}, {12, 13}, {27, 13}, {42, 13}};
  EXPECT_EQ(corners, expected);
  EXPECT_EQ(Steps(), steps + 1);
  ASSERT_TRUE(fw::OpenClipboard(view));
  const plat::HGLOBAL kept = fw::GetClipboardData(fw::CF_TEXT);
  ASSERT_NE(kept, 0u);
  EXPECT_STREQ(static_cast<const char*>(plat::GlobalLock(kept)), "hello");
  plat::GlobalUnlock(kept);
  fw::CloseClipboard();
  UndoStep();
  ASSERT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(doc->GetObjectAt(0), rect);

  // One by one: no copy, no step.
  Run(40045, [](fw::CDialog& d) {
    d.TypeText(IDC_DUP_COLUMNS, "1");
    d.ClickButton(fw::IDOK);
  });
  EXPECT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(Steps(), steps);

  // Fit Page: margins of 5 on a 100 x 50 page fit 5 x 2 squares of 20.
  doc->GetPageInfo().m_pageWidth = 100;
  doc->GetPageInfo().m_pageHeight = 50;
  Run(40045, [](fw::CDialog& d) {
    d.TypeText(IDC_DUP_GAPS_X, "5");
    d.TypeText(IDC_DUP_GAPS_Y, "-3");
    d.SetCheckBox(IDC_DUP_FIT_PAGE, 1);
    EXPECT_EQ(d.GetDlgItemText(IDC_DUP_LABEL_X), "左右留空:");
    EXPECT_EQ(d.GetDlgItemText(IDC_DUP_GAPS_Y), "1.00");  // negative: 1
    EXPECT_EQ(d.GetDlgItemText(IDC_DUP_COLUMNS), "5");
    EXPECT_EQ(d.GetDlgItemText(IDC_DUP_ROWS), "4");
    d.TypeText(IDC_DUP_GAPS_Y, "5");
    d.TypeText(IDC_DUP_ROWS, "2");
    d.ClickButton(fw::IDOK);
  });
  ASSERT_EQ(doc->GetObjectCount(), 10);
  ExpectRect(rect->bounds, 5, 5, 15, 15);
  float maxLeft = 0, maxTop = 0;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    maxLeft = std::max(maxLeft, doc->GetObjectAt(i)->bounds.left);
    maxTop = std::max(maxTop, doc->GetObjectAt(i)->bounds.top);
  }
  EXPECT_EQ(maxLeft, 85.0f);
  EXPECT_EQ(maxTop, 25.0f);
  UndoStep();
  ASSERT_EQ(doc->GetObjectCount(), 1);
  ExpectRect(rect->bounds, 0, 0, 10, 10);

  // A vertical line with no margin divides by nothing: one copy across.
  Clear();
  Add(MakeLinePath(10, 0, 10, 20));
  Run(40045, [](fw::CDialog& d) {
    d.TypeText(IDC_DUP_GAPS_X, "0");
    d.SetCheckBox(IDC_DUP_FIT_PAGE, 1);
    EXPECT_EQ(d.GetDlgItemText(IDC_DUP_COLUMNS), "1");
    d.ClickButton(fw::IDCANCEL);
  });

  // Nothing selected: OK does nothing.
  Clear();
  EXPECT_EQ(Run(40045, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); }), fw::IDOK);
  EXPECT_EQ(doc->GetObjectCount(), 0);

  // A selection that makes no block: the message, the dialog stays.
  auto* blank = new CGraphObject();
  blank->bounds = CFRect(0, 0, 5, 5);
  doc->AddObject(blank, false);
  view->Tracker()->Select(blank);
  const int before = Steps();
  EXPECT_EQ(Run(40045,
                [](fw::CDialog& d) {
                  d.ClickButton(fw::IDOK);
                  EXPECT_FALSE(d.IsEnded());
                }),
            fw::IDCANCEL);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "缓冲区申请错误!");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_EQ(sink.boxes[0].style & plat::MB_ICONSTOP, plat::MB_ICONSTOP);
  EXPECT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(Steps(), before);
}

TEST_F(TransformTest, ExpandKeepsItsSettingsAndAddsOneOutline) {
  AddRect(0, 0, 20, 20);
  AddRect(50, 0, 70, 20);
  // The spins keep the inverted default range: the up arrow reports -1.
  auto spin = [](fw::CDialog& d, fw::UINT id, int delta) { d.Item<fw::CSpinButtonCtrl>(id)->UserDelta(-delta); };
  const int steps = Steps();
  EXPECT_EQ(Run(40153,
                [&](fw::CDialog& d) {
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_SIZE), "5.0");
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ANGLE), "120.0");
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_LIMIT), "50.0");
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ACCURATE), "-10");
                  EXPECT_EQ(d.IsDlgButtonChecked(IDC_EXPAND_WORD), 1u);
                  EXPECT_EQ(d.GetCheckedRadioButton(IDC_EXPAND_KEEP, IDC_EXPAND_SMOOTH), IDC_EXPAND_CORNER);
                  // Spins: up adds 1, down takes 1; the angles and the accuracy keep their bounds.
                  d.TypeText(IDC_EXPAND_SIZE, "0.5");
                  spin(d, IDC_EXPAND_SIZE_SPIN, 1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_SIZE), "-0.5");
                  spin(d, IDC_EXPAND_SIZE_SPIN, -1);
                  spin(d, IDC_EXPAND_SIZE_SPIN, 0);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_SIZE), "1.5");
                  d.TypeText(IDC_EXPAND_ANGLE, "179.5");
                  spin(d, IDC_EXPAND_ANGLE_SPIN, -1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ANGLE), "180.00");
                  d.TypeText(IDC_EXPAND_LIMIT, "0.5");
                  spin(d, IDC_EXPAND_LIMIT_SPIN, 1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_LIMIT), "0.00");
                  d.TypeText(IDC_EXPAND_ACCURATE, "-6");
                  spin(d, IDC_EXPAND_ACCURATE_SPIN, -1);
                  spin(d, IDC_EXPAND_ACCURATE_SPIN, -1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ACCURATE), "-5");
                  d.TypeText(IDC_EXPAND_ACCURATE, "-14");
                  spin(d, IDC_EXPAND_ACCURATE_SPIN, 1);
                  spin(d, IDC_EXPAND_ACCURATE_SPIN, 1);
                  EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ACCURATE), "-15");
                  // Typed beyond the spins' range: kept as typed.
                  d.TypeText(IDC_EXPAND_ANGLE, "200");
                  d.SetCheckBox(IDC_EXPAND_SMOOTH, 1);
                  d.ClickButton(fw::IDOK);
                }),
            fw::IDOK);
  EXPECT_EQ(g_Profile.GetString("SystemParam", "EXPANDTHICK", ""), "1.5");
  EXPECT_EQ(g_Profile.GetString("SystemParam", "EXPANDTHORHOLD", ""), "200");
  EXPECT_EQ(g_Profile.GetString("SystemParam", "EXPANDANGLELIMITED", ""), "0.00");
  EXPECT_EQ(g_Profile.GetInt("SystemParam", "EXPANDACCURATE", 0), -15);
  EXPECT_EQ(g_Profile.GetInt("SystemParam", "EXPANDOUTLINE", 0), 1);
  EXPECT_EQ(g_Profile.GetInt("SystemParam", "EXPANDMODE", 0), 2);
  // "Word": both squares in one outline path, on top of them.
  ASSERT_EQ(doc->GetObjectCount(), 3);
  const CGraphObject* outline = doc->GetObjectAt(2);
  EXPECT_EQ(outline->kind, OBJ_PATH);
  EXPECT_NEAR(outline->bounds.left, -1.5f, 0.01f);
  EXPECT_NEAR(outline->bounds.right, 71.5f, 0.01f);
  EXPECT_EQ(Steps(), steps + 1);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 2);

  // Reopened with the stored values; without "Word" one outline each.
  Run(40153, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_SIZE), "1.5");
    EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ANGLE), "200.0");
    EXPECT_EQ(d.GetDlgItemText(IDC_EXPAND_ACCURATE), "-15");
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_EXPAND_KEEP, IDC_EXPAND_SMOOTH), IDC_EXPAND_SMOOTH);
    d.SetCheckBox(IDC_EXPAND_WORD, 0);
    d.ClickButton(fw::IDOK);
  });
  ASSERT_EQ(doc->GetObjectCount(), 3);
  const auto* group = dynamic_cast<const CGroupObject*>(doc->GetObjectAt(2));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->GetChildCount(), 2);
  UndoStep();

  // The library missing: both messages, the dialog open, nothing added.
  weldcmd::LibraryFileName() = "NoSuchFlexoril.dll";
  sink.boxes.clear();
  const int before = Steps();
  Run(40153, [](fw::CDialog& d) {
    d.ClickButton(fw::IDOK);
    EXPECT_FALSE(d.IsEnded());
  });
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[1].text, "Flexoril.Dll调用失败");
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(Steps(), before);

  // Nothing selected: nothing sent, the dialog closes.
  weldcmd::LibraryFileName() = "Flexoril.dll";
  view->Tracker()->ClearSelection(nullptr, true);
  const std::size_t blocks = plat::GlobalLiveCount();
  EXPECT_EQ(Run(40153, [](fw::CDialog& d) { d.ClickButton(fw::IDOK); }), fw::IDOK);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(plat::GlobalLiveCount(), blocks);
}

TEST_F(TransformTest, MenuItemsAndKeysOpenTheDialogs) {
  fw::CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(129));
  const std::pair<fw::UINT, const char*> items[] = {{32830, "&Weld"},
                                                    {32831, "&Cut"},
                                                    {32832, "&And"},
                                                    {32833, "&Xor"},
                                                    {32834, "&LineCut"},
                                                    {32887, "&Reference Cut"},
                                                    {40153, "&Expand...\t[Ctrl+E]"},
                                                    {40046, "&Rotate..."},
                                                    {40108, "&Mirror..."},
                                                    {40047, "&Italic..."},
                                                    {40050, "&Scale...\t[F8]"},
                                                    {40045, "Muti Dup...(&M)\t[F7]"}};
  for (const auto& [id, text] : items) EXPECT_EQ(menu.GetMenuString(id, fw::MF_BYCOMMAND), text) << id;

  AddRect(0, 0, 10, 10);
  fw::CFrameWnd* frame = view->GetParentFrame();
  ASSERT_NE(frame, nullptr);
  struct Key {
    fw::UINT vk;
    bool control;
    fw::UINT dialog;
  };
  const Key keys[] = {
      {fw::VK_F1 + 7, false, IDD_SCALE}, {fw::VK_F1 + 6, false, IDD_MULTI_DUP}, {'E', true, IDD_EXPAND}};
  for (const Key& k : keys) {
    fw::ScriptedModalDriver driver;
    fw::SetKeyDown(fw::VK_CONTROL, k.control);
    fw::MSG msg;
    msg.hwnd = view->m_hWnd;
    msg.message = fw::WM_KEYDOWN;
    msg.wParam = k.vk;
    EXPECT_TRUE(frame->PreTranslateMessage(&msg)) << k.vk;
    fw::SetKeyDown(fw::VK_CONTROL, false);
    ASSERT_EQ(driver.Runs().size(), 1u) << k.vk;
    EXPECT_EQ(driver.Runs()[0].templateId, k.dialog);
  }
}
