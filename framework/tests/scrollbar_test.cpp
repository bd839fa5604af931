#include <gtest/gtest.h>

#include <vector>

#include "framework/controls.h"
#include "framework/wnd.h"

using namespace fw;

namespace {

// Records the scroll messages it receives.
class Parent : public CWnd {
 public:
  struct Call {
    bool horizontal;
    UINT code, pos;
    CWnd* bar;
  };
  std::vector<Call> calls;
  void OnHScroll(UINT code, UINT pos, CWnd* bar) override { calls.push_back({true, code, pos, bar}); }
  void OnVScroll(UINT code, UINT pos, CWnd* bar) override { calls.push_back({false, code, pos, bar}); }
};

TEST(ScrollBar, RangePositionAndUserActions) {
  Parent parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 100}, nullptr, 0));
  CScrollBar bar, upright;
  ASSERT_TRUE(bar.CreateEx(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 16}, &parent, 7));
  ASSERT_TRUE(upright.CreateEx(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, RECT{0, 20, 16, 100}, &parent, 8));

  bar.SetScrollRange(40, 10);  // given either way round
  int lo = 0, hi = 0;
  bar.GetScrollRange(&lo, &hi);
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 40);
  EXPECT_EQ(bar.GetScrollPos(), 10);  // moved into the range
  EXPECT_EQ(bar.SetScrollPos(25), 10);
  EXPECT_EQ(bar.SetScrollPos(99), 25);
  EXPECT_EQ(bar.GetScrollPos(), 40);
  bar.SetScrollPos(-5);
  EXPECT_EQ(bar.GetScrollPos(), 10);

  // The parent is told; the position is the parent's to move.
  bar.UserScroll(SB_PAGERIGHT);
  bar.UserScroll(SB_THUMBPOSITION, 33);
  upright.UserScroll(SB_LINEDOWN);
  ASSERT_EQ(parent.calls.size(), 6u);
  EXPECT_TRUE(parent.calls[0].horizontal);
  EXPECT_EQ(parent.calls[0].code, SB_PAGERIGHT);
  EXPECT_EQ(parent.calls[0].bar, &bar);
  EXPECT_EQ(parent.calls[1].code, SB_ENDSCROLL);
  EXPECT_EQ(parent.calls[2].code, SB_THUMBPOSITION);
  EXPECT_EQ(parent.calls[2].pos, 33u);
  EXPECT_FALSE(parent.calls[4].horizontal);
  EXPECT_EQ(parent.calls[4].code, SB_LINEDOWN);
  EXPECT_EQ(bar.GetScrollPos(), 10);

  bar.EnableWindow(FALSE);
  bar.UserScroll(SB_LINERIGHT);
  EXPECT_EQ(parent.calls.size(), 6u);
  ResetWindowSystem();
}

}  // namespace
