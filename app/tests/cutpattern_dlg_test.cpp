// The parallel-line, radiation and circle cuts: their dialogs on a real
// document through the view's commands, the shape library and one undo step.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/settingsload.h"
#include "app/cutpatterndlg.h"
#include "app/viewcmd_weld.h"
#include "dialog_fixture.h"
#include "view_fixture.h"
#include "framework/dialog.h"
#include "model/groupobject.h"
#include "model/imageobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "platform/gmem.h"

using namespace apptest;
using namespace scutid;

namespace {

// Contour areas summed (no holes expected), curves taken by their nodes and
// control points.
double Area(const CGraphObject* o) {
  if (!o) return 0.0;
  if (o->kind == OBJ_GROUP) {
    double sum = 0.0;
    for (const CGraphObject* c : static_cast<const CGroupObject*>(o)->children.Objects()) sum += Area(c);
    return sum;
  }
  const auto* p = dynamic_cast<const CPathObject*>(o);
  if (!p || !p->points) return 0.0;
  plat::GlobalLockGuard g(p->points);
  const auto* r = g.as<PathPoint>();
  std::vector<std::vector<CFPoint>> contours;
  for (int i = 0; i < p->count && r[i].flags != PP_END; ++i) {
    if (r[i].flags & PP_SPECIAL) continue;
    CFPoint q{r[i].x, r[i].y};
    p->matrix.TransformPoint(q);
    if ((r[i].flags & PP_START) || contours.empty()) contours.emplace_back();
    contours.back().push_back(q);
  }
  double total = 0.0;
  for (const auto& c : contours) {
    double a = 0.0;
    for (std::size_t i = 0; i < c.size(); ++i) {
      const CFPoint& u = c[i];
      const CFPoint& v = c[(i + 1) % c.size()];
      a += double(u.x) * v.y - double(v.x) * u.y;
    }
    total += std::fabs(a) / 2.0;
  }
  return total;
}

class CutPatternDlgTest : public StartedViewTest {
 protected:
  void TearDown() override {
    TheAppGlobals().serviceSwitch = 0;
    StartedViewTest::TearDown();
  }
  double DocArea() {
    double a = 0.0;
    for (int i = 0; i < doc->GetObjectCount(); ++i) a += Area(doc->GetObjectAt(i));
    return a;
  }
};

}  // namespace

// Each command cuts the selected rectangle with both passes: the source goes,
// the pieces (two groups) cover it once, and one Undo brings it back.
TEST_F(CutPatternDlgTest, EachCommandCutsTheSelectionInOneUndoStep) {
  struct Case {
    fw::UINT command;
    fw::UINT dialog;
    std::function<void(fw::CDialog&)> set;
  } cases[] = {
      {ID_TOOL_PARALLEL_CUT, IDD_PARALLEL_CUT,
       [](fw::CDialog& d) {
         d.TypeText(IDC_CUT_ANGLE, "30");
         d.TypeText(IDC_CUT_LINES, "4");
       }},
      {ID_TOOL_PARALLEL_CUT, IDD_PARALLEL_CUT,
       [](fw::CDialog& d) {
         d.SetCheckBox(IDC_BISECTRIX, 0);
         d.TypeText(IDC_LINE_WIDTHS, "5,+2");
         d.ClickButton(IDC_ORIGIN_BOTTOM);
       }},
      {ID_TOOL_RADIATION_CUT, IDD_RADIATION_CUT,
       [](fw::CDialog& d) {
         d.SelectComboItem(IDC_ORIGIN, 4);  // "Center"
         d.TypeText(IDC_CUT_PARTS, "8");
       }},
      {ID_TOOL_RADIATION_CUT, IDD_RADIATION_CUT,
       [](fw::CDialog& d) {
         d.SelectComboItem(IDC_ORIGIN, 0);  // "Left Up"
         d.SetCheckBox(IDC_BISECTRIX, 0);
         d.TypeText(IDC_SECTOR_WIDTHS, "10,+10");
         d.SetCheckBox(IDC_THROW_BACK, 0);
       }},
      {ID_TOOL_CIRCLE_CUT, IDD_CIRCLE_CUT,
       [](fw::CDialog& d) {
         d.SelectComboItem(IDC_ORIGIN, 6);  // "Left Bottom"
         d.TypeText(IDC_CUT_PARTS, "4");
       }},
      {ID_TOOL_CIRCLE_CUT, IDD_CIRCLE_CUT,
       [](fw::CDialog& d) {
         d.SelectComboItem(IDC_ORIGIN, 8);  // "Right Bottom": the pieces have no holes
         d.SetCheckBox(IDC_BISECTRIX, 0);
         d.TypeText(IDC_RING_WIDTHS, "3");
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n++);
    CPathObject* source = AddRect(10, 20, 50, 40);
    ASSERT_EQ(doc->GetObjectCount(), 1);
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      c.set(d);
      d.ClickButton(fw::IDOK);
    });
    Command(c.command);
    ASSERT_EQ(driver.Runs().size(), 1u);
    EXPECT_EQ(driver.Runs()[0].templateId, c.dialog);
    EXPECT_EQ(driver.Runs()[0].result, fw::IDOK);
    ASSERT_EQ(doc->GetObjectCount(), 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_NE(doc->GetObjectAt(i), source);
      EXPECT_EQ(doc->GetObjectAt(i)->kind, OBJ_GROUP);
    }
    EXPECT_NEAR(DocArea(), 800.0, 8.0);
    UndoStep();
    ASSERT_EQ(doc->GetObjectCount(), 1);
    EXPECT_EQ(doc->GetObjectAt(0), source);
    EXPECT_NEAR(DocArea(), 800.0, 0.01);
    view->Tracker()->ClearSelection(nullptr, true);
    view->Tracker()->Select(source);
    view->Tracker()->DeleteSelected();
  }
  EXPECT_TRUE(sink.boxes.empty());
}

// With "/Vorlan" the "NoCut" box shows: the two patterns are added, the
// source stays; without it the box is hidden and cleared.
TEST_F(CutPatternDlgTest, NoCutAddsThePatternsOnlyWithTheServiceSwitch) {
  CPathObject* source = AddRect(0, 0, 40, 20);
  g_Profile.WriteInt("CircleCut", "NoCut", 1);
  bool shown = true;
  unsigned checked = 9;
  fw::ScriptedModalDriver driver;
  driver.Then([&](fw::CDialog& d) {
    shown = d.GetDlgItem(IDC_NO_CUT)->IsWindowVisible();
    checked = d.IsDlgButtonChecked(IDC_NO_CUT);
    d.ClickButton(fw::IDCANCEL);
  });
  Command(ID_TOOL_CIRCLE_CUT);
  EXPECT_FALSE(shown);
  EXPECT_EQ(checked, 0u);

  TheAppGlobals().serviceSwitch = 1;
  driver.Then([&](fw::CDialog& d) {
    shown = d.GetDlgItem(IDC_NO_CUT)->IsWindowVisible();
    checked = d.IsDlgButtonChecked(IDC_NO_CUT);
    d.TypeText(IDC_CUT_PARTS, "4");
    d.ClickButton(fw::IDOK);
  });
  Command(ID_TOOL_CIRCLE_CUT);
  EXPECT_TRUE(shown);
  EXPECT_EQ(checked, 1u);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  EXPECT_EQ(doc->GetObjectAt(0), source);
  EXPECT_EQ(doc->GetObjectAt(1)->kind, OBJ_PATH);
  EXPECT_EQ(doc->GetObjectAt(1)->flags, 0x100);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 1);
}

// A cut that gives no piece keeps the selection: the library missing, or a
// width list that makes no pattern.
TEST_F(CutPatternDlgTest, NothingCutKeepsTheSource) {
  CPathObject* source = AddRect(0, 0, 40, 20);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    sink.clear();
    if (round == 0) weldcmd::LibraryFileName() = "NoSuchFlexoril.dll";
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      if (round == 1) {
        d.SetCheckBox(IDC_BISECTRIX, 0);
        d.TypeText(IDC_SECTOR_WIDTHS, "0");
      }
      d.ClickButton(fw::IDOK);
    });
    Command(ID_TOOL_RADIATION_CUT);
    weldcmd::LibraryFileName() = "Flexoril.dll";
    EXPECT_EQ(driver.Runs().at(0).result, fw::IDOK);
    ASSERT_EQ(doc->GetObjectCount(), 1);
    EXPECT_EQ(doc->GetObjectAt(0), source);
    EXPECT_EQ(source->selected != 0, true);
    if (round == 0) EXPECT_FALSE(sink.boxes.empty());  // the library's load message
    else EXPECT_TRUE(sink.boxes.empty());
  }
}

// "Click Ok" hands over to the view's tool and cuts nothing yet.
TEST_F(CutPatternDlgTest, ClickOkSwitchesToTheCutTool) {
  AddRect(0, 0, 40, 20);
  for (fw::UINT command : {ID_TOOL_RADIATION_CUT, ID_TOOL_CIRCLE_CUT}) {
    std::string start, end;
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      d.SelectComboItem(IDC_ORIGIN, kClickOrigin);
      start = d.GetDlgItemText(IDC_START_ANGLE);
      end = d.GetDlgItemText(IDC_END_ANGLE);
      d.ClickButton(fw::IDOK);
    });
    Command(command);
    EXPECT_EQ(view->GetCurrentTool(), command);
    EXPECT_EQ(doc->GetObjectCount(), 1);
    if (command == ID_TOOL_RADIATION_CUT) {
      EXPECT_EQ(start, "-1");
      EXPECT_EQ(end, "-1");
    }
    EXPECT_EQ(g_Profile.GetInt(command == ID_TOOL_RADIATION_CUT ? "RadiationCut" : "CircleCut", "Origin", 0),
              kClickOrigin);
  }
}

// The special cuts enable by the selection: parallel lines with at least one shape,
// radiation and circles with exactly one; never with an image among them.
TEST_F(CutPatternDlgTest, SpecialCutsEnableByTheSelection) {
  struct Case {
    int shapes;
    bool image;
    bool parallel, single;
  };
  const Case cases[] = {{0, false, false, false}, {1, false, true, true}, {2, false, true, false},
                        {1, true, false, false}, {0, true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shapes) + (c.image ? " and an image" : ""));
    view->Tracker()->ClearSelection(nullptr, true);
    while (doc->GetObjectCount() > 0) {
      view->Tracker()->SelectAll();
      view->Tracker()->DeleteSelected();
    }
    for (int i = 0; i < c.shapes; ++i) AddRect(10.0f * i, 0, 10.0f * i + 5, 5);
    if (c.image) {
      auto* image = new CImageObject();
      image->bounds = CFRect(0, 20, 5, 25);
      doc->AddObject(image, false);
      view->Tracker()->Select(image);
    }
    EXPECT_EQ(IsCommandEnabled(*view, ID_TOOL_PARALLEL_CUT), c.parallel);
    EXPECT_EQ(IsCommandEnabled(*view, ID_TOOL_RADIATION_CUT), c.single);
    EXPECT_EQ(IsCommandEnabled(*view, ID_TOOL_CIRCLE_CUT), c.single);
  }
}

// "Click Ok", then a click in the view: the pattern made at the clicked point cuts
// the selection in one undo step, and the tool goes back to Select. The pieces are
// those the dialog makes for the same origin.
TEST_F(CutPatternDlgTest, AClickedOriginCutsTheSelection) {
  view->MoveWindow(0, 0, 800, 600);
  view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  struct Case {
    fw::UINT command;
    int origin;  // the dialog's choice at the clicked corner
    std::function<void(fw::CDialog&)> set;
  } cases[] = {
      {ID_TOOL_RADIATION_CUT, 6, [](fw::CDialog& d) { d.TypeText(IDC_CUT_PARTS, "6"); }},
      {ID_TOOL_CIRCLE_CUT, 6, [](fw::CDialog& d) { d.TypeText(IDC_CUT_PARTS, "4"); }},
      {ID_TOOL_CIRCLE_CUT, 6,
       [](fw::CDialog& d) {
         d.SetCheckBox(IDC_BISECTRIX, 0);
         d.TypeText(IDC_RING_WIDTHS, "7");
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n++);
    // The dialog's own origin first: what the click must give.
    CPathObject* source = AddRect(10, 20, 50, 40);
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      c.set(d);
      d.SelectComboItem(IDC_ORIGIN, c.origin);
      d.ClickButton(fw::IDOK);
    });
    Command(c.command);
    ASSERT_EQ(doc->GetObjectCount(), 2);
    const double want = Area(doc->GetObjectAt(0));
    EXPECT_GT(want, 1.0);
    UndoStep();
    ASSERT_EQ(doc->GetObjectAt(0), source);
    view->Tracker()->ClearSelection(nullptr, true);
    view->Tracker()->Select(source);

    driver.Then([&](fw::CDialog& d) {
      c.set(d);
      d.SelectComboItem(IDC_ORIGIN, kClickOrigin);
      d.ClickButton(fw::IDOK);
    });
    Command(c.command);
    ASSERT_EQ(view->GetCurrentTool(), c.command);
    ASSERT_EQ(doc->GetObjectCount(), 1);
    const int steps = view->GetUndoList()->GetSize();
    const plat::POINT at = view->PageToDevice(CFPoint{10, 40});
    view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{at.x + 9, at.y});
    view->OnMouseMove(fw::MK_LBUTTON, fw::POINT{at.x, at.y});
    view->OnLButtonUp(0, fw::POINT{at.x, at.y});
    EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);
    EXPECT_EQ(view->GetUndoList()->GetSize(), steps + 1);
    ASSERT_EQ(doc->GetObjectCount(), 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_NE(doc->GetObjectAt(i), source);
      EXPECT_EQ(doc->GetObjectAt(i)->kind, OBJ_GROUP);
    }
    EXPECT_NEAR(Area(doc->GetObjectAt(0)), want, want * 0.05);
    EXPECT_NEAR(DocArea(), 800.0, 8.0);
    UndoStep();
    ASSERT_EQ(doc->GetObjectCount(), 1);
    EXPECT_EQ(doc->GetObjectAt(0), source);
    view->Tracker()->ClearSelection(nullptr, true);
    view->Tracker()->Select(source);
    view->Tracker()->DeleteSelected();
  }
  EXPECT_TRUE(sink.boxes.empty());
}

// Parts below 2 or above 10000 are refused with a message and the focus on
// the field; the dialog stays open and nothing is cut.
TEST_F(CutPatternDlgTest, PartsOutsideTheRangeAreRefused) {
  AddRect(0, 0, 40, 20);
  struct Case {
    fw::UINT command, field;
    const char* parts;
    const char* message;
  } cases[] = {
      {ID_TOOL_PARALLEL_CUT, IDC_CUT_LINES, "1", "等分数不能小于2"},
      {ID_TOOL_PARALLEL_CUT, IDC_CUT_LINES, "", "等分数不能小于2"},
      {ID_TOOL_RADIATION_CUT, IDC_CUT_PARTS, "0", "等分数不能小于2"},
      {ID_TOOL_CIRCLE_CUT, IDC_CUT_PARTS, "10001", "等分数不能大于10000"},
      {ID_TOOL_PARALLEL_CUT, IDC_CUT_LINES, "2147483647", "等分数不能大于10000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parts);
    sink.clear();
    bool open = false;
    fw::UINT focus = 0;
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      d.TypeText(c.field, c.parts);
      d.ClickButton(fw::IDOK);
      open = !d.IsEnded();
      if (fw::CWnd* f = fw::CWnd::GetFocus()) focus = f->GetDlgCtrlID();
      d.ClickButton(fw::IDCANCEL);
    });
    Command(c.command);
    EXPECT_TRUE(open);
    EXPECT_EQ(focus, c.field);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, c.message);
    EXPECT_EQ(sink.boxes[0].caption, "");
    EXPECT_EQ(doc->GetObjectCount(), 1);
  }
}

// The size of the selection and the length across the lines, recomputed on
// typing; the corners follow the angle the strips are laid at.
TEST_F(CutPatternDlgTest, ParallelDialogShowsSizeAndLengthAcrossTheLines) {
  AddRect(10, 20, 50, 40);  // 40 x 20
  struct Probe {
    const char* angle;
    double length;
  } probes[] = {{"0", 20.0}, {"90", 40.0}, {"30", 40 * 0.5 + 20 * std::cos(M_PI / 6)},
                {"370", 40 * std::sin(M_PI / 18) + 20 * std::cos(M_PI / 18)},
                {"-10", 40 * std::sin(M_PI / 18) + 20 * std::cos(M_PI / 18)},
                {"200", 40 * std::sin(M_PI / 9) + 20 * std::cos(M_PI / 9)}};
  std::string w, h;
  std::vector<std::string> shown;
  bool okEnabled = false;
  fw::ScriptedModalDriver driver;
  driver.Then([&](fw::CDialog& d) {
    w = d.GetDlgItemText(IDC_SEL_WIDTH);
    h = d.GetDlgItemText(IDC_SEL_HEIGHT);
    okEnabled = d.GetDlgItem(fw::IDOK)->IsWindowEnabled();
    for (const Probe& p : probes) {
      d.TypeText(IDC_CUT_ANGLE, p.angle);
      shown.push_back(d.GetDlgItemText(IDC_TOTAL_LENGTH));
    }
    d.ClickButton(fw::IDCANCEL);
  });
  Command(ID_TOOL_PARALLEL_CUT);
  EXPECT_EQ(w, "40.00");
  EXPECT_EQ(h, "20.00");
  EXPECT_TRUE(okEnabled);
  ASSERT_EQ(shown.size(), std::size(probes));
  for (std::size_t i = 0; i < shown.size(); ++i)
    EXPECT_NEAR(std::stod(shown[i]), probes[i].length, 1e-3) << probes[i].angle;

  // Without a selection the command is disabled, and the dialog's OK too.
  view->Tracker()->ClearSelection(nullptr, true);
  driver.Then([&](fw::CDialog& d) {
    okEnabled = d.GetDlgItem(fw::IDOK)->IsWindowEnabled();
    d.ClickButton(fw::IDCANCEL);
  });
  Command(ID_TOOL_PARALLEL_CUT);
  EXPECT_EQ(driver.Pending(), 1u);
  CParallelCutDlg dlg(*view);
  dlg.DoModal();
  EXPECT_FALSE(okEnabled);
}

// The settings come back the next time; the radiation dialog shows the
// origin's angles, swapped without "Inverse".
TEST_F(CutPatternDlgTest, SettingsAreKeptAndAnglesFollowTheOrigin) {
  AddRect(0, 0, 40, 20);
  fw::ScriptedModalDriver driver;
  std::vector<std::pair<std::string, std::string>> angles;
  auto read = [&](fw::CDialog& d) {
    angles.push_back({d.GetDlgItemText(IDC_START_ANGLE), d.GetDlgItemText(IDC_END_ANGLE)});
  };
  driver.Then([&](fw::CDialog& d) {
    read(d);  // "Left Up", inverse: the defaults
    d.SelectComboItem(IDC_ORIGIN, 3);
    read(d);
    d.SetCheckBox(IDC_THROW_BACK, 0);
    read(d);
    d.SetCheckBox(IDC_BISECTRIX, 0);
    d.TypeText(IDC_SECTOR_WIDTHS, "15,+5");
    d.SetCheckBox(IDC_KEEP_BORDER, 0);
    d.SetCheckBox(IDC_NO_CUT, 1);
    d.ClickButton(fw::IDCANCEL);
  });
  Command(ID_TOOL_RADIATION_CUT);
  ASSERT_EQ(angles.size(), 3u);
  EXPECT_EQ(angles[0], std::make_pair(std::string("270.0"), std::string("360.0")));
  EXPECT_EQ(angles[1], std::make_pair(std::string("270.0"), std::string("450.0")));
  EXPECT_EQ(angles[2], std::make_pair(std::string("450.0"), std::string("270.0")));

  driver.Then([&](fw::CDialog& d) {
    d.SelectComboItem(IDC_ORIGIN, 2);
    d.SetCheckBox(IDC_BISECTRIX, 0);
    d.TypeText(IDC_SECTOR_WIDTHS, "15,+5");
    d.SetCheckBox(IDC_THROW_BACK, 0);
    d.SetCheckBox(IDC_KEEP_BORDER, 0);
    d.ClickButton(fw::IDOK);
  });
  Command(ID_TOOL_RADIATION_CUT);
  EXPECT_EQ(g_Profile.GetString("RadiationCut", "CutAngle", ""), "15,+5");
  EXPECT_EQ(g_Profile.GetInt("RadiationCut", "Origin", -1), 2);
  EXPECT_EQ(g_Profile.GetInt("RadiationCut", "ThrowBack", -1), 0);
  EXPECT_EQ(g_Profile.GetInt("RadiationCut", "KeepBorder", -1), 0);
  EXPECT_EQ(g_Profile.GetString("RadiationCut", "StartAngle", ""), "270.0");
  EXPECT_EQ(g_Profile.GetString("RadiationCut", "EndAngle", ""), "180.0");

  std::string list;
  unsigned bisectrix = 9, inverse = 9;
  int origin = -1;
  view->Tracker()->ClearSelection(nullptr, true);
  view->Tracker()->Select(doc->GetObjectAt(0));
  driver.Then([&](fw::CDialog& d) {
    list = d.GetDlgItemText(IDC_SECTOR_WIDTHS);
    bisectrix = d.IsDlgButtonChecked(IDC_BISECTRIX);
    inverse = d.IsDlgButtonChecked(IDC_THROW_BACK);
    origin = d.Item<fw::CComboBox>(IDC_ORIGIN)->GetCurSel();
    d.ClickButton(fw::IDCANCEL);
  });
  Command(ID_TOOL_RADIATION_CUT);
  EXPECT_EQ(list, "15,+5");
  EXPECT_EQ(bisectrix, 0u);
  EXPECT_EQ(inverse, 0u);
  EXPECT_EQ(origin, 2);
}
