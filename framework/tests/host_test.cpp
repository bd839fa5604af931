// What the framework offers a presentation: the host loop, the window observer,
// the host clipboard store and the scroll bars' share of the client area.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/bars.h"
#include "framework/clipboard.h"
#include "framework/clock.h"
#include "framework/wnd.h"

using namespace fw;

namespace {

struct Fixture : ::testing::Test {
  ManualClock clock;
  ScopedClock sc{&clock};
  void TearDown() override {
    SetHostLoop(nullptr);
    SetWindowObserver(nullptr);
    SetHostClipboard(nullptr);
    ResetClipboard();
    ResetWindowSystem();
  }
};

// A host whose input is a list of actions, one taken per poll.
class ScriptedHost : public HostLoop {
 public:
  std::vector<std::function<void()>> input;
  std::vector<long> waits;
  int polls = 0;
  ManualClock* clock = nullptr;
  void Poll() override {
    ++polls;
    if (!input.empty()) {
      auto next = std::move(input.front());
      input.erase(input.begin());
      next();
    }
  }
  void Wait(long ms) override {
    waits.push_back(ms);
    if (clock && ms > 0) clock->Advance(DWORD(ms));
    Poll();
  }
};

// A long transfer pumping one message between chunks, as the port writers do.
class TransferWnd : public CWnd {
 public:
  bool cancelled = false;
  int written = 0;
  void Transfer(int chunks) {
    for (int i = 0; i < chunks && !cancelled; ++i) {
      ++written;
      while (PumpMessage()) {
      }
    }
  }
  BOOL OnCommand(WPARAM wp, LPARAM) override {
    if (LOWORD(wp) == IDCANCEL) cancelled = true;
    return TRUE;
  }
};

using HostLoopTest = Fixture;

TEST_F(HostLoopTest, OneMessagePumpSeesTheHostsCancelClick) {
  ScriptedHost host;
  SetHostLoop(&host);
  TransferWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0));
  HWND h = w.m_hWnd;
  host.input = {[] {}, [] {}, [h] { PostMessage(h, WM_COMMAND, IDCANCEL, 0); }};
  w.Transfer(100);
  EXPECT_TRUE(w.cancelled);
  EXPECT_EQ(w.written, 3);
}

TEST_F(HostLoopTest, PollOnlyWhenTheQueueIsEmptyAndNeverNested) {
  ScriptedHost host;
  SetHostLoop(&host);
  CWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0));
  w.PostMessage(WM_USER);
  MSG m;
  EXPECT_TRUE(PeekMessage(&m, TRUE));
  EXPECT_EQ(host.polls, 0);
  // A poll that peeks again does not poll a second time.
  int inner = 0;
  host.input = {[&] {
    MSG n;
    PeekMessage(&n, FALSE);
    inner = host.polls;
  }};
  EXPECT_FALSE(PeekMessage(&m, TRUE));
  EXPECT_EQ(host.polls, 1);
  EXPECT_EQ(inner, 1);
}

class QuitLaterApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    m_pMainWnd = &wnd;
    return wnd.CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0);
  }
  CWnd wnd;
};

TEST_F(HostLoopTest, RunWaitsInTheHostUntilTheNextTimer) {
  ScriptedHost host;
  host.clock = &clock;
  SetHostLoop(&host);
  QuitLaterApp app;
  struct Ticker : CWnd {
    int ticks = 0;
    void OnTimer(UINT) override {
      if (++ticks == 2) PostQuitMessage(7);
    }
  };
  Ticker t;
  ASSERT_TRUE(t.CreateEx(0, "", "", 0, RECT{0, 0, 10, 10}, nullptr, 0));
  t.SetTimer(1, 250);
  EXPECT_EQ(RunApplication(app, ""), 7);
  EXPECT_EQ(t.ticks, 2);
  ASSERT_GE(host.waits.size(), 2u);
  EXPECT_EQ(host.waits[0], 250);
  app.m_pMainWnd = nullptr;
}

class FailedStartApp : public CWinApp {
 public:
  BOOL InitInstance() override { return FALSE; }
};

TEST_F(HostLoopTest, AFailedStartEndsTheRunWithAnErrorCode) {
  FailedStartApp app;
  EXPECT_NE(RunApplication(app, "missing.t98"), 0);
}

// Records what the observer is told, as text.
class LogObserver : public WindowObserver {
 public:
  std::vector<std::string> log;
  std::vector<RECT> pixels;
  std::vector<bool> now;
  void Created(CWnd* w) override {
    log.push_back("created " + w->GetWindowText() + (w->GetParent() ? " in " + w->GetParent()->GetWindowText() : ""));
  }
  void Destroyed(CWnd* w, HWND h) override {
    EXPECT_EQ(w->m_hWnd, h);
    log.push_back("destroyed " + w->GetWindowText());
  }
  void Changed(CWnd* w, UINT what) override {
    log.push_back("changed " + (w ? w->GetWindowText() : std::string("-")) + " " + std::to_string(what));
  }
  void Pixels(CWnd* w, const RECT& r, bool immediate) override {
    log.push_back("pixels " + w->GetWindowText());
    pixels.push_back(r);
    now.push_back(immediate);
  }
};

class Parent : public CWnd {
 public:
  CWnd child;
  int OnCreate(CREATESTRUCT*) override {
    return child.Create("", "child", WS_CHILD | WS_VISIBLE, RECT{5, 5, 25, 25}, this, 1) ? 0 : -1;
  }
};

using ObserverTest = Fixture;

TEST_F(ObserverTest, ParentsAreKnownBeforeTheirChildrenAndGoAfterThem) {
  LogObserver o;
  SetWindowObserver(&o);
  {
    Parent p;
    ASSERT_TRUE(p.CreateEx(0, "", "parent", 0, RECT{0, 0, 100, 100}, nullptr, 0));
  }
  std::vector<std::string> want = {"created parent", "created child in parent", "destroyed child",
                                   "destroyed parent"};
  std::vector<std::string> got;
  for (const auto& l : o.log)
    if (l.rfind("created", 0) == 0 || l.rfind("destroyed", 0) == 0) got.push_back(l);
  EXPECT_EQ(got, want);
}

TEST_F(ObserverTest, EachChangeNamesItsPart) {
  CWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "w", 0, RECT{0, 0, 100, 100}, nullptr, 0));
  CWnd other;
  ASSERT_TRUE(other.CreateEx(0, "", "o", 0, RECT{0, 0, 100, 100}, nullptr, 0));
  CMenu menu;
  struct Case {
    const char* what;
    std::function<void()> act;
    UINT mask;
  };
  std::vector<Case> cases = {
      {"move", [&] { w.MoveWindow(10, 10, 100, 100); }, WOC_GEOMETRY},
      {"show", [&] { w.ShowWindow(SW_SHOW); }, WOC_SHOWN},
      {"disable", [&] { w.EnableWindow(FALSE); }, WOC_SHOWN},
      {"text", [&] { w.SetWindowText("x"); }, WOC_TEXT},
      {"style", [&] { w.ModifyStyle(0, WS_BORDER); }, WOC_STYLE},
      {"menu", [&] { w.SetMenu(&menu); }, WOC_MENU},
      {"z order", [&] { w.BringWindowToTop(); }, WOC_ZORDER},
      {"focus", [&] { w.SetFocus(); }, WOC_FOCUS},
      {"capture", [&] { w.SetCapture(); }, WOC_FOCUS},
      {"scroll", [&] { w.SetScrollPos(SB_VERT, 30); }, WOC_SCROLL},
      {"cursor", [&] { SetCursor(IDC_CROSS); }, WOC_CURSOR},
  };
  for (const Case& c : cases) {
    LogObserver o;
    SetWindowObserver(&o);
    c.act();
    SetWindowObserver(nullptr);
    bool seen = false;
    for (const auto& l : o.log)
      if (l.rfind("changed", 0) == 0 && (std::stoul(l.substr(l.rfind(' ') + 1)) & c.mask)) seen = true;
    EXPECT_TRUE(seen) << c.what;
  }
  // Nothing changed, nothing told.
  LogObserver o;
  SetWindowObserver(&o);
  w.SetWindowText("x");
  w.MoveWindow(10, 10, 100, 100);
  EXPECT_TRUE(o.log.empty());
  SetWindowObserver(nullptr);
}

class PaintWnd : public CWnd {
 public:
  void OnPaint() override {
    PAINTSTRUCT ps;
    BeginPaint(&ps);
    ps.hdc->FillSolidRect(RECT{0, 0, 50, 50}, 0x0000FF);
    EndPaint(&ps);
  }
};

TEST_F(ObserverTest, PixelsAtEndPaintReleaseDcAndResize) {
  PaintWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "w", WS_VISIBLE, RECT{0, 0, 100, 80}, nullptr, 0));
  PumpPendingMessages();
  LogObserver o;
  SetWindowObserver(&o);

  RECT part{10, 10, 30, 20};
  w.InvalidateRect(&part, FALSE);
  PumpPendingMessages();
  ASSERT_EQ(o.pixels.size(), 1u);
  EXPECT_EQ(o.pixels[0], part);
  EXPECT_FALSE(o.now[0]);

  // UpdateWindow asks for the pixels at once.
  w.InvalidateRect(&part, FALSE);
  w.UpdateWindow();
  ASSERT_EQ(o.pixels.size(), 2u);
  EXPECT_TRUE(o.now[1]);

  // A context drawn outside painting reports the area it could draw on, in device units.
  plat::HDC dc = w.GetDC();
  RECT clip{20, 30, 60, 70};
  dc->SelectClipRect(&clip);
  dc->SetViewportOrg(5, 5);
  dc->SetROP2(plat::R2_NOT);
  dc->MoveTo(0, 40);
  dc->LineTo(60, 40);
  w.ReleaseDC(dc);
  ASSERT_EQ(o.pixels.size(), 3u);
  EXPECT_EQ(o.pixels[2], clip);

  // A resize shows the whole new surface.
  w.MoveWindow(0, 0, 120, 90);
  ASSERT_GE(o.pixels.size(), 4u);
  EXPECT_EQ(o.pixels[3], (RECT{0, 0, 120, 90}));
  SetWindowObserver(nullptr);
}

TEST_F(ObserverTest, TheClassBackgroundErasesThePaintedArea) {
  RegisterWndClass("GreyTest")->background = plat::LTGRAY_BRUSH;
  CWnd grey, plain;
  ASSERT_TRUE(grey.CreateEx(0, "GreyTest", "", WS_VISIBLE, RECT{0, 0, 40, 30}, nullptr, 0));
  ASSERT_TRUE(plain.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 40, 30}, nullptr, 0));
  PumpPendingMessages();
  EXPECT_EQ(grey.GetSurface().surface().GetPixel(39, 29), plat::RGB(192, 192, 192));
  EXPECT_EQ(plain.GetSurface().surface().GetPixel(39, 29), plat::RGB(255, 255, 255));
  // Only the invalid area is erased.
  plat::HDC dc = grey.GetDC();
  dc->FillSolidRect(RECT{0, 0, 40, 30}, plat::RGB(0, 0, 255));
  grey.ReleaseDC(dc);
  RECT part{0, 0, 10, 10};
  grey.InvalidateRect(&part, TRUE);
  PumpPendingMessages();
  EXPECT_EQ(grey.GetSurface().surface().GetPixel(5, 5), plat::RGB(192, 192, 192));
  EXPECT_EQ(grey.GetSurface().surface().GetPixel(20, 20), plat::RGB(0, 0, 255));
}

using ScrollBarTest = Fixture;

TEST_F(ScrollBarTest, ScrollBarsTakeTheirWidthFromTheClientArea) {
  struct SizeWnd : CWnd {
    std::vector<std::pair<int, int>> sizes;
    void OnSize(UINT, int cx, int cy) override { sizes.emplace_back(cx, cy); }
  };
  SizeWnd w;
  ASSERT_TRUE(w.CreateEx(0, "", "", WS_VSCROLL, RECT{0, 0, 200, 100}, nullptr, 0));
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 16);
  RECT c;
  w.GetClientRect(&c);
  EXPECT_EQ(c, (RECT{0, 0, 184, 100}));
  EXPECT_EQ(w.GetSurface().surface().width(), 184);
  ASSERT_FALSE(w.sizes.empty());
  EXPECT_EQ(w.sizes.back(), std::make_pair(184, 100));

  w.ModifyStyle(0, WS_HSCROLL);
  w.GetClientRect(&c);
  EXPECT_EQ(c, (RECT{0, 0, 184, 84}));
  EXPECT_EQ(w.GetSurface().surface().height(), 84);
  EXPECT_EQ(w.sizes.back(), std::make_pair(184, 84));

  // The window rectangle keeps the bars; a window smaller than a bar has no client area.
  RECT wr;
  w.GetWindowRect(&wr);
  EXPECT_EQ(wr.width(), 200);
  w.MoveWindow(0, 0, 10, 10);
  w.GetClientRect(&c);
  EXPECT_TRUE(c.empty());
}

TEST_F(ScrollBarTest, ToolBarsDockedOnASideStandInOneColumn) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", 0, RECT{0, 0, 400, 300}, nullptr, 0));
  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(&parent, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_RIGHT));
  const UINT ids[] = {1, 2, ID_SEPARATOR, 3};
  bar.SetButtons(ids, 4);
  RECT r;
  bar.GetItemRect(3, &r);
  EXPECT_EQ(r, (RECT{0, 22 + 22 + 8, 23, 22 + 22 + 8 + 22}));
  EXPECT_EQ(bar.CalcFixedLayout(FALSE, FALSE).cx, 23);
  // On top it is a row again; a bar its owner wrapped keeps the owner's rows.
  bar.SetDockSide(CBRS_ALIGN_TOP);
  bar.GetItemRect(3, &r);
  EXPECT_EQ(r, (RECT{23 + 23 + 8, 0, 23 + 23 + 8 + 23, 22}));
  bar.SetDockSide(CBRS_ALIGN_LEFT);
  bar.SetButtonStyle(0, TBBS_WRAPPED);
  bar.GetItemRect(1, &r);
  EXPECT_EQ(r, (RECT{0, 22, 23, 44}));
  bar.GetItemRect(3, &r);
  EXPECT_EQ(r, (RECT{23 + 8, 22, 23 + 8 + 23, 44}));
}

// A host clipboard that counts what goes through it.
class FakeDesktopClipboard : public HostClipboard {
 public:
  std::vector<plat::ClipboardItem> desktop;
  bool changedElsewhere = false;
  int published = 0;
  bool Fetch(std::vector<plat::ClipboardItem>& items) override {
    if (!changedElsewhere) return false;
    changedElsewhere = false;
    items = desktop;
    return true;
  }
  void Publish(const std::vector<plat::ClipboardItem>& items) override {
    desktop = items;
    ++published;
  }
};

HGLOBAL Block(const std::string& s) {
  HGLOBAL h = plat::GlobalAlloc(plat::GMEM_MOVEABLE, s.size() + 1);
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), s.c_str(), s.size() + 1);
  return h;
}

std::string Text(HGLOBAL h) {
  plat::GlobalLockGuard g(h);
  return g ? std::string(reinterpret_cast<const char*>(g.bytes())) : std::string();
}

using HostClipboardTest = Fixture;

TEST_F(HostClipboardTest, PublishedOnCloseAfterAChangeFetchedOnOpen) {
  FakeDesktopClipboard desk;
  SetHostClipboard(&desk);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block("ours"));
  CloseClipboard();
  ASSERT_EQ(desk.published, 1);
  ASSERT_EQ(desk.desktop.size(), 1u);
  EXPECT_EQ(desk.desktop[0].format, CF_TEXT);
  EXPECT_EQ(std::string(desk.desktop[0].data.begin(), desk.desktop[0].data.end() - 1), "ours");

  // Reading publishes nothing; unchanged desktop content leaves ours in place.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "ours");
  CloseClipboard();
  EXPECT_EQ(desk.published, 1);

  // Another program copied: its content replaces ours, seen before opening too.
  plat::ClipboardItem theirs;
  theirs.format = CF_TEXT;
  theirs.data = {'t', 'h', 'e', 'i', 'r', 's', 0};
  desk.desktop = {theirs};
  desk.changedElsewhere = true;
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "theirs");
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  CloseClipboard();
}

}  // namespace
