// The stages of a held spin arrow.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/controls.h"
#include "framework/resources.h"
#include "framework/wnd.h"

namespace {

TEST(SpinAccel, HeldArrowStepsGrowByStage) {
  fw::CSpinButtonCtrl spin;
  struct Case {
    double seconds;
    int step;
  };
  for (const Case& c : {Case{0, 1}, Case{1.9, 1}, Case{2, 5}, Case{4.9, 5}, Case{5, 20}, Case{60, 20}})
    EXPECT_EQ(spin.StepAfter(c.seconds), c.step) << c.seconds;

  // Stages given out of order are kept by time; an empty table is refused.
  const fw::UDACCEL table[2] = {{3, 10}, {0, 2}};
  ASSERT_TRUE(spin.SetAccel(2, table));
  fw::UDACCEL back[3];
  ASSERT_EQ(spin.GetAccel(3, back), 2u);
  EXPECT_EQ(back[0].nSec, 0u);
  EXPECT_EQ(back[0].nInc, 2u);
  EXPECT_EQ(back[1].nInc, 10u);
  EXPECT_EQ(spin.StepAfter(0.5), 2);
  EXPECT_EQ(spin.StepAfter(3), 10);
  EXPECT_FALSE(spin.SetAccel(0, table));
  EXPECT_EQ(spin.GetAccel(0, nullptr), 2u);
}

// With a buddy that shows the number, an arrow steps from what the buddy holds.
TEST(SpinAccel, ArrowStepsFromTheTypedNumber) {
  fw::CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "p", 0, fw::RECT{0, 0, 200, 100}, nullptr, 0));
  fw::DialogTemplate t;
  t.items = {fw::DlgItemDef(10, fw::CtrlKind::Edit, "", fw::WS_CHILD, {0, 0, 40, 20}),
             fw::DlgItemDef(11, fw::CtrlKind::Spin, "", fw::WS_CHILD | fw::UDS_SETBUDDYINT | fw::UDS_AUTOBUDDY,
                            {40, 0, 54, 20})};
  std::vector<std::unique_ptr<fw::CWnd>> owned;
  fw::CreateDialogControls(&parent, t, owned);
  auto* spin = dynamic_cast<fw::CSpinButtonCtrl*>(parent.GetDlgItem(11));
  ASSERT_NE(spin, nullptr);
  spin->SetRange32(0, 250);
  spin->SetPos(120);
  parent.GetDlgItem(10)->SetWindowText("90");
  spin->UserDelta(1);
  EXPECT_EQ(spin->GetPos(), 91);
  EXPECT_EQ(parent.GetDlgItem(10)->GetWindowText(), "91");
  parent.GetDlgItem(10)->SetWindowText("900");  // beyond the range: its end
  spin->UserDelta(-1);
  EXPECT_EQ(spin->GetPos(), 249);
  parent.DestroyWindow();
  fw::ResetWindowSystem();
}

// The notification carries the signed change of position: on the inverted default range
// (100 to 0) the up arrow counts down, on a range set low to high it counts up.
TEST(SpinAccel, DeltaIsTheChangeOfPositionForTheRange) {
  struct Parent : fw::CWnd {
    std::vector<int> deltas;
    fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override {
      if (msg == fw::WM_NOTIFY) deltas.push_back(reinterpret_cast<fw::NMUPDOWN*>(lp)->iDelta);
      return fw::CWnd::WindowProc(msg, wp, lp);
    }
  } parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "p", 0, fw::RECT{0, 0, 200, 100}, nullptr, 0));
  fw::DialogTemplate t;
  t.items = {fw::DlgItemDef(11, fw::CtrlKind::Spin, "", fw::WS_CHILD, {0, 0, 14, 20})};
  std::vector<std::unique_ptr<fw::CWnd>> owned;
  fw::CreateDialogControls(&parent, t, owned);
  auto* spinp = dynamic_cast<fw::CSpinButtonCtrl*>(parent.GetDlgItem(11));
  ASSERT_NE(spinp, nullptr);
  fw::CSpinButtonCtrl& spin = *spinp;
  struct Case {
    int lower, upper, start, arrow, delta, pos;
  };
  for (const Case& c : {Case{100, 0, 50, 1, -1, 49}, Case{100, 0, 50, -1, 1, 51}, Case{0, 100, 50, 1, 1, 51},
                        Case{0, 100, 50, -2, -2, 48}, Case{3, 360, 3, -1, -1, 3}, Case{100, 0, 0, 5, -5, 0}}) {
    SCOPED_TRACE(std::to_string(c.lower) + ".." + std::to_string(c.upper) + " arrow " + std::to_string(c.arrow));
    spin.SetRange32(c.lower, c.upper);
    spin.SetPos(c.start);
    parent.deltas.clear();
    spin.UserDelta(c.arrow);
    ASSERT_EQ(parent.deltas.size(), 1u);
    EXPECT_EQ(parent.deltas[0], c.delta);
    EXPECT_EQ(spin.GetPos(), c.pos);
  }
  parent.DestroyWindow();
  fw::ResetWindowSystem();
}

}  // namespace
