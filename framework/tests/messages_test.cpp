#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/clock.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "framework/wnd.h"

using namespace fw;

namespace {

// Records every message it handles by name.
class LogWnd : public CWnd {
 public:
  std::vector<std::string>* log = nullptr;
  std::string name;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (log && msg != WM_SETCURSOR && msg != WM_PAINT && msg != WM_ERASEBKGND)
      log->push_back(name + ":" + std::to_string(msg) + ":" + std::to_string(wp));
    return CWnd::WindowProc(msg, wp, lp);
  }
};

struct Fixture : ::testing::Test {
  ManualClock clock;
  ScopedClock sc{&clock};
  void TearDown() override { ResetWindowSystem(); }
};

using MessageTest = Fixture;

TEST_F(MessageTest, SendRunsAtOncePostWaitsForThePump) {
  std::vector<std::string> log;
  LogWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "w", WS_VISIBLE, RECT{0, 0, 100, 100}, nullptr, 0));
  w.log = &log;
  w.name = "w";
  w.PostMessage(WM_USER + 1, 1);
  w.SendMessage(WM_USER + 2, 2);
  w.PostMessage(WM_USER + 3, 3);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "w:" + std::to_string(WM_USER + 2) + ":2");
  EXPECT_EQ(PumpPendingMessages(), 3);  // two posts and the first paint
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], "w:" + std::to_string(WM_USER + 1) + ":1");
  EXPECT_EQ(log[2], "w:" + std::to_string(WM_USER + 3) + ":3");
}

TEST_F(MessageTest, PostsToDestroyedWindowsAreDropped) {
  auto* w = new LogWnd;
  std::vector<std::string> log;
  w->CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0);
  w->log = &log;
  HWND h = w->m_hWnd;
  PostMessage(h, WM_USER, 0, 0);
  delete w;
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
  PumpPendingMessages();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);
}

// A long transfer pumps one message between writes; a Cancel posted by a button
// press during the transfer arrives before the transfer ends.
class TransferWnd : public CWnd {
 public:
  bool cancelled = false;
  int written = 0;
  void Transfer(int chunks) {
    for (int i = 0; i < chunks && !cancelled; ++i) {
      ++written;
      if (i == 2) PostMessage(WM_COMMAND, IDCANCEL, 0);  // the user presses Cancel
      while (PumpMessage()) {
      }
    }
  }
  BOOL OnCommand(WPARAM wp, LPARAM lp) override {
    if (LOWORD(wp) == IDCANCEL) {
      cancelled = true;
      return TRUE;
    }
    return CWnd::OnCommand(wp, lp);
  }
};

TEST_F(MessageTest, NestedPumpDeliversCancelDuringLongOperation) {
  TransferWnd w;
  w.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 10, 10}, nullptr, 0);
  w.PostMessage(WM_USER);  // something queued before the transfer still comes first
  w.Transfer(100);
  EXPECT_TRUE(w.cancelled);
  EXPECT_EQ(w.written, 3);
}

class TimerWnd : public CWnd {
 public:
  std::vector<std::pair<UINT, DWORD>> ticks;
  void OnTimer(UINT id) override { ticks.push_back({id, GetTickCount()}); }
};

TEST_F(MessageTest, TimersFireOnTheInjectedClock) {
  TimerWnd w;
  w.CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0);
  clock.Set(0);
  w.SetTimer(1, 50);
  w.SetTimer(2, 120);
  PumpPendingMessages();
  EXPECT_TRUE(w.ticks.empty());
  clock.Advance(49);
  PumpPendingMessages();
  EXPECT_TRUE(w.ticks.empty());
  clock.Advance(1);
  PumpPendingMessages();
  ASSERT_EQ(w.ticks.size(), 1u);
  EXPECT_EQ(w.ticks[0].first, 1u);
  // Time jumps far: each timer fires once, not once per missed period.
  clock.Advance(1000);
  PumpPendingMessages();
  ASSERT_EQ(w.ticks.size(), 3u);
  EXPECT_EQ(w.ticks[1].first, 1u);
  EXPECT_EQ(w.ticks[2].first, 2u);
  EXPECT_EQ(NextTimerDelay(), 50);
  // Setting a running timer again restarts it.
  clock.Advance(40);
  w.SetTimer(1, 50);
  clock.Advance(40);
  PumpPendingMessages();
  EXPECT_EQ(w.ticks.size(), 3u);
  EXPECT_TRUE(w.KillTimer(1));
  EXPECT_FALSE(w.KillTimer(1));
  clock.Advance(100);
  PumpPendingMessages();
  ASSERT_EQ(w.ticks.size(), 4u);
  EXPECT_EQ(w.ticks[3].first, 2u);
  EXPECT_EQ(GetTickCount(), clock.Now());
}

class MouseWnd : public CWnd {
 public:
  std::vector<std::string> log;
  void Add(const char* what, UINT flags, POINT p) {
    log.push_back(std::string(what) + " " + std::to_string(flags) + " " + std::to_string(p.x) + "," +
                  std::to_string(p.y));
  }
  void OnMouseMove(UINT f, POINT p) override { Add("move", f, p); }
  void OnLButtonDown(UINT f, POINT p) override {
    Add("down", f, p);
    SetCapture();
  }
  void OnLButtonUp(UINT f, POINT p) override {
    Add("up", f, p);
    ReleaseCapture();
  }
  void OnLButtonDblClk(UINT f, POINT p) override { Add("dbl", f, p); }
  void OnRButtonDown(UINT f, POINT p) override { Add("rdown", f, p); }
};

TEST_F(MessageTest, MouseScriptsCarryModifiersCaptureAndDoubleClickOrder) {
  MouseWnd top;
  top.CreateEx(0, "", "top", WS_VISIBLE, RECT{100, 100, 400, 400}, nullptr, 0);
  MouseWnd child;
  child.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 110}, &top, 5);
  MouseScript m(&child);
  m.Hold(VK_SHIFT).Down(5, 6).Release(VK_SHIFT).Hold(VK_CONTROL).Move(300, 300).Release(VK_CONTROL);
  // Captured: the move outside the child still goes to it, in its client coordinates.
  m.Up(300, 300);
  std::vector<std::string> want = {"move 4 5,6", "down 5 5,6", "move 9 300,300", "up 0 300,300"};
  EXPECT_EQ(child.log, want);
  EXPECT_TRUE(top.log.empty());
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  // Without capture the pointer over the parent goes to the parent.
  MouseScript(&top).Move(200, 200);
  ASSERT_EQ(top.log.size(), 1u);
  EXPECT_EQ(top.log[0], "move 0 200,200");

  child.log.clear();
  m.DoubleClick(20, 20);
  want = {"move 0 20,20", "down 1 20,20", "up 0 20,20", "dbl 1 20,20", "up 0 20,20"};
  EXPECT_EQ(child.log, want);
  // Too late for a double click: two plain presses.
  child.log.clear();
  m.Click(20, 20);
  clock.Advance(GetDoubleClickTime() + 1);
  m.Click(20, 20);
  want = {"down 1 20,20", "up 0 20,20", "down 1 20,20", "up 0 20,20"};
  EXPECT_EQ(child.log, want);
  // Right button flag.
  child.log.clear();
  m.Down(1, 1, MouseButton::Right);
  EXPECT_EQ(child.log.back(), "rdown 2 1,1");
  m.Up(1, 1, MouseButton::Right);
}

TEST_F(MessageTest, KeyStateAndToggleKeys) {
  EXPECT_EQ(GetKeyState(VK_SCROLL) & 1, 0);
  keybd_event(BYTE(VK_SCROLL), 0x45, 0);
  keybd_event(BYTE(VK_SCROLL), 0x45, KEYEVENTF_KEYUP);
  EXPECT_EQ(GetKeyState(VK_SCROLL) & 1, 1);
  EXPECT_GE(GetKeyState(VK_SCROLL), 0);  // released
  SetKeyDown(VK_CONTROL, true);
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  EXPECT_EQ(CurrentMouseKeyFlags(), MK_CONTROL);
  keybd_event(BYTE(VK_SCROLL), 0x45, 0);
  EXPECT_EQ(GetKeyState(VK_SCROLL) & 1, 0);
}

TEST_F(MessageTest, PaintCycleClipsToTheInvalidRectangle) {
  struct PaintWnd : CWnd {
    std::vector<RECT> painted;
    void OnPaint() override {
      PAINTSTRUCT ps;
      BeginPaint(&ps);
      painted.push_back(ps.rcPaint);
      EndPaint(&ps);
    }
  } w;
  w.CreateEx(0, "", "", 0, RECT{0, 0, 200, 100}, nullptr, 0);
  w.InvalidateRect(nullptr);
  PumpPendingMessages();
  EXPECT_TRUE(w.painted.empty());  // hidden windows are not painted
  w.ShowWindow(SW_SHOW);
  PumpPendingMessages();
  ASSERT_EQ(w.painted.size(), 1u);
  EXPECT_EQ(w.painted[0], (RECT{0, 0, 200, 100}));
  RECT a{10, 10, 20, 20}, b{50, 5, 60, 15}, outside{150, 90, 400, 400};
  w.InvalidateRect(&a);
  w.InvalidateRect(&b);
  w.InvalidateRect(&outside);
  PumpPendingMessages();
  ASSERT_EQ(w.painted.size(), 2u);
  EXPECT_EQ(w.painted[1], (RECT{10, 5, 200, 100}));
  w.InvalidateRect(&a);
  w.UpdateWindow();  // paints at once
  ASSERT_EQ(w.painted.size(), 3u);
  EXPECT_EQ(w.painted[2], a);
  EXPECT_FALSE(w.GetUpdateRect(nullptr));
}

TEST_F(MessageTest, MaximisedChildrenFillTheParentOwnedWindowsTheScreen) {
  SIZE screen = GetScreenSize();
  SetScreenSize(1000, 700);
  CWnd owner, child, owned;
  owner.CreateEx(0, "", "", WS_OVERLAPPEDWINDOW, RECT{0, 0, 300, 200}, nullptr, 0);
  child.CreateEx(0, "", "", WS_CHILD, RECT{5, 5, 20, 20}, &owner, 1);
  owned.CreateEx(0, "", "", WS_OVERLAPPEDWINDOW, RECT{5, 5, 20, 20}, &owner, 0);
  child.ShowWindow(SW_SHOWMAXIMIZED);
  owned.ShowWindow(SW_SHOWMAXIMIZED);
  RECT c{}, o{}, oc{};
  owner.GetClientRect(&oc);
  child.GetWindowRect(&c);
  owned.GetWindowRect(&o);
  EXPECT_EQ(c.width(), oc.width());
  EXPECT_EQ(c.height(), oc.height());
  EXPECT_EQ(o, (RECT{0, 0, 1000, 700}));
  owned.DestroyWindow();
  child.DestroyWindow();
  owner.DestroyWindow();
  SetScreenSize(screen.cx, screen.cy);
}

TEST_F(MessageTest, PaintingDrawsOnThePersistentSurfaceClipped) {
  struct FillWnd : CWnd {
    void OnPaint() override {
      PAINTSTRUCT ps;
      BeginPaint(&ps);
      RECT all{0, 0, 100, 100};
      plat::HBRUSH b = plat::CreateSolidBrush(plat::RGB(255, 0, 0));
      ps.hdc->FillRect(all, b);
      plat::DeleteObject(b);
      EndPaint(&ps);
    }
  } w;
  w.CreateEx(0, "", "", 0, RECT{0, 0, 100, 100}, nullptr, 0);
  EXPECT_EQ(w.GetSurface().surface().width(), 100);
  w.ShowWindow(SW_SHOW);
  w.ValidateRect(nullptr);
  RECT part{10, 10, 20, 20};
  w.InvalidateRect(&part);
  PumpPendingMessages();
  const plat::Surface& s = w.GetSurface().surface();
  EXPECT_EQ(s.GetPixel(15, 15), plat::RGB(255, 0, 0));
  EXPECT_EQ(s.GetPixel(25, 15), plat::RGB(255, 255, 255));
  // An XOR mark drawn outside painting stays on the surface; resizing keeps the pixels.
  plat::HDC dc = w.GetDC();
  dc->SetROP2(plat::R2_NOT);
  dc->MoveTo(0, 50);
  dc->LineTo(100, 50);
  EXPECT_EQ(w.ReleaseDC(dc), 1);
  EXPECT_EQ(w.ReleaseDC(dc), 0);
  w.MoveWindow(0, 0, 120, 60);
  EXPECT_EQ(s.width(), 120);
  EXPECT_EQ(s.GetPixel(50, 50), plat::RGB(0, 0, 0));
}

TEST_F(MessageTest, ClassCursorIsSharedAndSetOnPointerMoves) {
  CWnd a, b;
  a.CreateEx(0, "ViewClass", "", WS_VISIBLE, RECT{0, 0, 50, 50}, nullptr, 0);
  b.CreateEx(0, "ViewClass", "", WS_VISIBLE, RECT{100, 0, 150, 50}, nullptr, 0);
  SetClassLong(a.m_hWnd, GCL_HCURSOR, IDC_CROSS);
  EXPECT_EQ(b.GetClassCursor(), IDC_CROSS);
  SetCursor(IDC_ARROW);
  MouseScript(&b).Move(5, 5);
  EXPECT_EQ(GetCursor(), IDC_CROSS);
  EXPECT_EQ(ShowCursor(TRUE), 1);
}

TEST_F(MessageTest, DestroyOrderAndWindowTree) {
  std::vector<std::string> log;
  struct DWnd : CWnd {
    std::vector<std::string>* log;
    std::string name;
    void OnDestroy() override { log->push_back(name + " destroy"); }
    void OnNcDestroy() override { log->push_back(name + " ncdestroy"); }
  };
  DWnd p, c1, c2;
  p.log = c1.log = c2.log = &log;
  p.name = "p";
  c1.name = "c1";
  c2.name = "c2";
  p.CreateEx(0, "", "Main Title", WS_VISIBLE, RECT{0, 0, 100, 100}, nullptr, 0);
  c1.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, &p, 7);
  c2.CreateEx(0, "", "", WS_CHILD, RECT{0, 0, 10, 10}, &p, 8);
  EXPECT_EQ(p.GetWindow(GW_CHILD), &c1);
  EXPECT_EQ(p.GetDlgItem(8), &c2);
  EXPECT_EQ(CWnd::FindWindow(nullptr, "Main Title"), &p);
  EXPECT_FALSE(c2.IsWindowVisible());
  p.DestroyWindow();
  std::vector<std::string> want = {"p destroy", "c1 destroy", "c1 ncdestroy", "c2 destroy", "c2 ncdestroy",
                                   "p ncdestroy"};
  EXPECT_EQ(log, want);
  EXPECT_EQ(c1.m_hWnd, 0u);
  EXPECT_EQ(CWnd::FindWindow(nullptr, "Main Title"), nullptr);
}

TEST(MenuTest, ChangedByPositionAndById) {
  CMenu bar;
  bar.Build({{"&File", {{"&New", 57600}, {"", 0, MF_SEPARATOR}, {"E&xit", 57665}}},
             {"&Edit", {{"&Undo", 57643}, {"Sub", {{"Deep", 60000}}}}}});
  EXPECT_EQ(bar.GetMenuItemCount(), 2);
  EXPECT_EQ(bar.GetMenuItemID(0), MENU_NOT_FOUND);
  CMenu* edit = bar.GetSubMenu(1);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(bar.HasCommand(60000));
  EXPECT_FALSE(bar.HasCommand(60001));
  CMenu* sub = edit->GetSubMenu(1);
  for (UINT i = 3; i >= 1; --i) sub->InsertMenu(0, MF_BYPOSITION | MF_STRING, 60000 + i, "T" + std::to_string(i));
  EXPECT_EQ(sub->GetMenuItemID(0), 60001u);
  EXPECT_EQ(sub->GetMenuItemID(2), 60003u);
  EXPECT_EQ(sub->GetMenuItemID(3), 60000u);
  // By command reaches into popups; by position stays at its level.
  EXPECT_EQ(bar.EnableMenuItem(60002, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(sub->GetMenuState(1, MF_BYPOSITION) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(bar.EnableMenuItem(10, MF_BYPOSITION | MF_GRAYED), MENU_NOT_FOUND);
  EXPECT_EQ(bar.GetSubMenu(0)->EnableMenuItem(2, MF_BYPOSITION | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(bar.GetMenuState(57665, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(bar.GetSubMenu(0)->GetMenuItemID(1), 0u);  // separator
  EXPECT_TRUE(bar.InsertMenu(57665, MF_BYCOMMAND, 57601, "&Open"));
  EXPECT_EQ(bar.GetSubMenu(0)->GetMenuItemID(2), 57601u);
  EXPECT_TRUE(bar.DeleteMenu(57601, MF_BYCOMMAND));
  EXPECT_EQ(bar.CheckMenuItem(57600, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(bar.CheckMenuItem(57600, MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(bar.GetMenuString(57643, MF_BYCOMMAND), "&Undo");
}

}  // namespace
