#include <gtest/gtest.h>

#include <vector>

#include "framework/caret.h"
#include "framework/wnd.h"

using namespace fw;

// The caret: one for the thread, hidden until shown, hides counted, told to the
// window observer as WOC_CARET of its owner.
namespace {

class CaretLog : public WindowObserver {
 public:
  std::vector<HWND> told;
  void Changed(CWnd* w, UINT what) override {
    if (w && (what & WOC_CARET)) told.push_back(w->m_hWnd);
  }
};

struct CaretTest : ::testing::Test {
  CWnd a, b;
  CaretLog log;
  WindowObserver* before = nullptr;
  void SetUp() override {
    ASSERT_TRUE(a.CreateEx(0, "", "a", WS_VISIBLE, RECT{0, 0, 200, 100}, nullptr, 0));
    ASSERT_TRUE(b.CreateEx(0, "", "b", WS_VISIBLE, RECT{0, 0, 200, 100}, nullptr, 0));
    before = SetWindowObserver(&log);
  }
  void TearDown() override {
    DestroyCaret();
    SetWindowObserver(before);
    ResetWindowSystem();
  }
  static RECT Of(const CWnd& w, bool* shown = nullptr) {
    RECT r{-1, -1, -1, -1};
    EXPECT_TRUE(GetWindowCaret(w.m_hWnd, &r, shown));
    return r;
  }
};

TEST_F(CaretTest, CreatedHiddenShownAfterEveryHideHasItsShow) {
  ASSERT_TRUE(CreateCaret(&a, 3, 20));
  bool shown = true;
  EXPECT_EQ(Of(a, &shown), (RECT{0, 0, 3, 20}));
  EXPECT_FALSE(shown);
  EXPECT_TRUE(ShowCaret(&a));
  Of(a, &shown);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(HideCaret(&a));
  EXPECT_TRUE(HideCaret(nullptr));  // the owner's, whichever it is
  EXPECT_TRUE(ShowCaret(&a));
  Of(a, &shown);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(ShowCaret(&a));
  Of(a, &shown);
  EXPECT_TRUE(shown);
  // A window that owns no caret can neither show nor hide it.
  EXPECT_FALSE(HideCaret(&b));
  EXPECT_FALSE(GetWindowCaret(b.m_hWnd, nullptr));
  Of(a, &shown);
  EXPECT_TRUE(shown);
}

TEST_F(CaretTest, MovesInOwnerPixelsAndTellsOnlyChanges) {
  ASSERT_TRUE(CreateCaret(&a, 3, 20));
  ASSERT_TRUE(ShowCaret(&a));
  log.told.clear();
  EXPECT_TRUE(SetCaretPos(700, 300));
  EXPECT_EQ(Of(a), (RECT{700, 300, 703, 320}));
  POINT p{};
  EXPECT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p, (POINT{700, 300}));
  EXPECT_TRUE(SetCaretPos(700, 300));  // no move, nothing told
  EXPECT_TRUE(ShowCaret(&a));          // shown already, nothing told
  EXPECT_EQ(log.told, std::vector<HWND>{a.m_hWnd});
  // Far coordinates stay in range.
  EXPECT_TRUE(SetCaretPos(INT32_MAX - 1, INT32_MIN));
  EXPECT_EQ(Of(a), (RECT{INT32_MAX - 1, INT32_MIN, INT32_MAX, INT32_MIN + 20}));
}

TEST_F(CaretTest, OnePerThreadAndGoneWithItsWindow) {
  ASSERT_TRUE(CreateCaret(&a, 3, 20));
  log.told.clear();
  // A new caret ends the old one: both windows hear of it.
  ASSERT_TRUE(CreateCaret(&b, 2, 10));
  EXPECT_EQ(log.told, (std::vector<HWND>{a.m_hWnd, b.m_hWnd}));
  EXPECT_FALSE(GetWindowCaret(a.m_hWnd, nullptr));
  EXPECT_EQ(Of(b), (RECT{0, 0, 2, 10}));
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(GetWindowCaret(b.m_hWnd, nullptr));
  EXPECT_FALSE(DestroyCaret());
  EXPECT_FALSE(SetCaretPos(1, 1));

  ASSERT_TRUE(CreateCaret(&a, 3, 20));
  const HWND gone = a.m_hWnd;
  a.DestroyWindow();
  EXPECT_FALSE(GetWindowCaret(gone, nullptr));
  EXPECT_FALSE(SetCaretPos(1, 1));
  EXPECT_FALSE(ShowCaret(nullptr));
  EXPECT_FALSE(CreateCaret(&a, 3, 20));  // no caret for a window that is gone
}

}  // namespace
