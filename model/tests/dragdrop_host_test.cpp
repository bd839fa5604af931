#include "model/dragdrop_host.h"

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/wnd.h"
#include "model/services.h"

namespace {

// A window that takes a drag while `accept` is set and records the drops.
class DropWnd : public fw::CWnd {
 public:
  bool accept = false;
  std::vector<std::pair<unsigned, plat::LPARAM>> commands;
  plat::BOOL OnCommand(plat::WPARAM wp, plat::LPARAM lp) override {
    commands.emplace_back(unsigned(wp), lp);
    return 1;
  }
  plat::LRESULT WindowProc(plat::UINT msg, plat::WPARAM wp, plat::LPARAM lp) override {
    if (msg == fw::WM_COMMAND && wp == ID_DRAG_QUERY) {
      commands.emplace_back(unsigned(wp), lp);
      return accept ? 1 : 0;
    }
    return fw::CWnd::WindowProc(msg, wp, lp);
  }
};

class App : public fw::CWinApp {};

struct DragHostTest : ::testing::Test {
  App app;
  DropWnd main, target;
  CWndDragHost host;
  CDragDrop::Host* previous = nullptr;
  void SetUp() override {
    ASSERT_TRUE(main.CreateEx(0, "", "main", fw::WS_VISIBLE, plat::RECT{0, 0, 400, 300}, nullptr, 0));
    ASSERT_TRUE(target.CreateEx(0, "", "target", fw::WS_VISIBLE | fw::WS_CHILD, plat::RECT{100, 100, 200, 200},
                                &main, 7));
    app.m_pMainWnd = &main;
    previous = CDragDrop::SetHost(&host);
  }
  void TearDown() override {
    CDragDrop::SetHost(previous);
    app.m_pMainWnd = nullptr;
    fw::ResetWindowSystem();
  }
};

TEST_F(DragHostTest, AcceptingWindowGetsTheDropWithTheDragObject) {
  CDragDrop drag;
  drag.Begin(IDC_CROSS, IDC_ARROW);
  target.accept = true;
  EXPECT_TRUE(drag.DragOver(150, 150));
  EXPECT_EQ(fw::GetCursor(), IDC_CROSS);
  drag.Drop(ID_DRAG_DROP);
  drag.End();
  ASSERT_EQ(target.commands.size(), 2u);
  EXPECT_EQ(target.commands[0].first, ID_DRAG_QUERY);
  EXPECT_EQ(target.commands[1].first, ID_DRAG_DROP);
  EXPECT_EQ(target.commands[1].second, reinterpret_cast<plat::LPARAM>(&drag));
}

TEST_F(DragHostTest, RefusingWindowShowsTheRefuseCursorAndGetsNoDrop) {
  CDragDrop drag;
  drag.Begin(IDC_CROSS, IDC_ARROW);
  EXPECT_FALSE(drag.DragOver(150, 150));
  EXPECT_EQ(fw::GetCursor(), IDC_ARROW);
  drag.Drop(ID_DRAG_DROP);
  ASSERT_EQ(target.commands.size(), 1u);
  EXPECT_EQ(target.commands[0].first, ID_DRAG_QUERY);
}

TEST_F(DragHostTest, OutsideEveryWindowTheMainWindowIsAsked) {
  CDragDrop drag;
  drag.Begin(IDC_CROSS, IDC_ARROW);
  main.accept = true;
  EXPECT_TRUE(drag.DragOver(5000, 5000));
  drag.Drop(ID_DRAG_DROP);
  ASSERT_EQ(main.commands.size(), 2u);
  EXPECT_EQ(main.commands[1].first, ID_DRAG_DROP);
}

// Both spellings of a platform constant name one entity, so code that uses the
// framework's names unqualified still compiles beside the model's.
namespace check {
using namespace fw;
static_assert(MK_SHIFT == 0x0004 && VK_SHIFT == 0x10 && IDC_ARROW == 32512);
}  // namespace check

}  // namespace
