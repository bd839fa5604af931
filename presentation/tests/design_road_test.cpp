// The design program under the presentation, where a user meets it: the save question
// on closing, the way back from the cut view in the frame, keys after a tool-bar click,
// and the arrows of every dialog's spin.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/selecttracker.h"
#include "app/shapedlgs.h"
#include "app/tindrelapp.h"
#include "app/viewcmd_transform.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "model/pathobject.h"
#include "platform/report.h"
#include "presentation/host.h"
#include "presentation/tests/started_program.h"
#include "presentation/widgets.h"
#include "text/fontdlgs.h"

namespace {

using prestest::Pump;

class DesignRoadTest : public ::testing::Test, protected prestest::StartedProgram {
 protected:
  void SetUp() override {
    Begin("road");
    ASSERT_NO_FATAL_FAILURE(Start());
    top = host->TopOf(main->m_hWnd);
    ASSERT_NE(top, nullptr);
    top->activateWindow();
    Pump();
  }
  void TearDown() override { Stop(); }
  CPathObject* AddRect(float l, float t, float r, float b) {
    auto* raw = new CPathObject();
    raw->AddRectangle(l, t, r, b);
    raw->EndPoints();
    view->GetDoc()->AddObject(raw, false);
    return raw;
  }
  // A key as the user types it: to the widget that has Qt's focus.
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : top;
    QTest::keyClick(to, key, mods);
    Pump();
  }

  QWidget* top = nullptr;
};

// The window's close box with a changed design: the question comes, Cancel keeps the
// program and the design; No lets it end.
TEST_F(DesignRoadTest, TheCloseBoxAsksForTheChangedDesign) {
  AddRect(10, 10, 50, 30);
  view->GetDoc()->SetModifiedFlag(fw::TRUE);
  sink.replies = {plat::IDCANCEL};
  top->close();
  Pump();
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_NE(sink.boxes[0].text.find("Save changes to"), std::string::npos);
  ASSERT_EQ(app->m_pMainWnd, main);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(view->GetDoc()->GetObjectCount(), 1);
  sink.replies = {plat::IDNO};
  top->close();
  Pump();
  EXPECT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_TRUE(fw::QuitReceived());
}

// A click on a tool bar's button leaves the keys to the design view: Ctrl+A selects
// everything afterwards.
TEST_F(DesignRoadTest, KeysReachTheViewAfterAToolBarClick) {
  AddRect(10, 10, 50, 30);
  AddRect(60, 10, 90, 30);
  auto* bar = dynamic_cast<fw::CToolBar*>(main->GetControlBar(appid::IDT_CONTEXT_SELECT));
  ASSERT_NE(bar, nullptr);
  QWidget* barWidget = host->WidgetOf(bar->m_hWnd);
  ASSERT_NE(barWidget, nullptr);
  for (std::uint32_t tool : {ID_TOOL_RECT, appid::ID_TOOL_SELECT}) {
    SCOPED_TRACE(tool);
    view->Tracker()->ClearSelection(nullptr, true);
    fw::RECT r{};
    bar->GetItemRect(bar->CommandToIndex(tool), &r);
    QTest::mouseClick(barWidget, Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    Pump();
    EXPECT_EQ(view->GetCurrentTool(), tool);
    EXPECT_EQ(fw::CWnd::GetFocus(), view);
    if (tool != appid::ID_TOOL_SELECT) continue;
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->Tracker()->GetSelectedCount(), 2);
  }
}

// The cut view in the frame (Print Preview) goes by Escape and by its Close button;
// the menu bar and the bars come back.
TEST_F(DesignRoadTest, PrintPreviewHasAWayBack) {
  std::vector<fw::CControlBar*> shown;
  for (fw::CControlBar* b : main->GetControlBars())
    if (b->IsVisible()) shown.push_back(b);
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "Escape" : "Close");
    view->SendMessage(fw::WM_COMMAND, ID_CUT_VIEW_IN_FRAME, 0);
    Pump();
    ASSERT_TRUE(main->IsInPreviewMode());
    fw::CControlBar* bar = main->GetControlBar(fw::AFX_IDW_PREVIEW_BAR);
    ASSERT_NE(bar, nullptr);
    QWidget* close = host->WidgetOf(bar->GetDlgItem(fw::AFX_ID_PREVIEW_CLOSE)->m_hWnd);
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isVisible());
    if (way == 0) {
      Key(Qt::Key_Escape);
    } else {
      auto* button = close->findChild<QAbstractButton*>();
      ASSERT_NE(button, nullptr);
      QTest::mouseClick(button, Qt::LeftButton);
    }
    Pump();
    EXPECT_FALSE(main->IsInPreviewMode());
    EXPECT_EQ(main->GetActiveView(), view);
    EXPECT_NE(main->GetMenu(), nullptr);
    for (fw::CControlBar* b : shown) EXPECT_TRUE(b->IsVisible());
  }
}

// Each dialog's spin, pressed up and down through its Qt arrows, moves its value the
// way the dialog's rule has it for the arrow the platform reports.
TEST_F(DesignRoadTest, SpinArrowsMoveEveryDialogsValue) {
  AddRect(10, 10, 50, 30);
  view->Tracker()->SelectAll();
  struct Case {
    const char* what;
    std::function<void()> open;
    fw::UINT spin, edit;
    const char* start;
    const char* up;
    const char* down;
  };
  const Case cases[] = {
      {"expand size", [&] { view->SendMessage(fw::WM_COMMAND, 40153, 0); }, transformdlg::IDC_EXPAND_SIZE_SPIN,
       transformdlg::IDC_EXPAND_SIZE, "5.0", "6.0", "4.0"},
      {"expand accuracy", [&] { view->SendMessage(fw::WM_COMMAND, 40153, 0); },
       transformdlg::IDC_EXPAND_ACCURATE_SPIN, transformdlg::IDC_EXPAND_ACCURATE, "-10", "-9", "-11"},
      {"polygon sides", [&] { view->SendMessage(fw::WM_COMMAND, 40105, 0); }, shapedlg::IDC_POLY_SPIN, shapedlg::IDC_POLY_SIDES, "5",
       "6", "4"},
      {"font size", [&] { view->SendMessage(fw::WM_COMMAND, appid::ID_FONT_SET, 0); }, IDC_FONT_SPIN_X,
       IDC_FONT_SIZE_X, "2", "3.00", "1.00"},
      {"baseline", [&] { view->SendMessage(fw::WM_COMMAND, appid::ID_BASELINE_SET, 0); }, IDC_BASE_SPIN,
       IDC_BASE_VALUE, "0.20", "0.25", "0.15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string afterUp, afterDown;
    modal->Then([&](fw::CDialog& d) {
      Pump();
      auto* spin = d.Item<fw::CSpinButtonCtrl>(c.spin);
      ASSERT_NE(spin, nullptr);
      QWidget* w = host->WidgetOf(spin->m_hWnd);
      ASSERT_NE(w, nullptr);
      const QList<QToolButton*> arrows = w->findChildren<QToolButton*>();
      ASSERT_EQ(arrows.size(), 2);
      QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
      QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];
      d.TypeText(c.edit, c.start);
      QTest::mouseClick(up, Qt::LeftButton);
      Pump();
      afterUp = d.GetDlgItemText(c.edit);
      d.TypeText(c.edit, c.start);
      QTest::mouseClick(down, Qt::LeftButton);
      Pump();
      afterDown = d.GetDlgItemText(c.edit);
      d.EndDialog(fw::IDCANCEL);
    });
    c.open();
    Pump();
    EXPECT_EQ(modal->Pending(), 0u);
    EXPECT_EQ(afterUp, c.up);
    EXPECT_EQ(afterDown, c.down);
  }
}

}  // namespace
