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

}  // namespace
