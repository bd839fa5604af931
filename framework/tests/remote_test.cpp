#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "framework/remote.h"
#include "framework/wnd.h"
#include "platform/ipc.h"
#include "platform/remote.h"

using namespace fw;

namespace {

constexpr UINT kDouble = WM_USER + 10;    // answers wParam * 2
constexpr UINT kAskBack = WM_USER + 11;   // sends kDouble to the window "Own", answers + 1
constexpr UINT kDie = WM_USER + 12;       // ends the process without answering
constexpr UINT kPosted = WM_USER + 13;

class PeerWnd : public CWnd {
 public:
  std::vector<UINT> seen;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg >= WM_USER) seen.push_back(msg);
    if (msg == kDouble) return LRESULT(wp * 2);
    if (msg == kAskBack) return fw::SendMessage(fw::FindWindow(nullptr, "Own"), kDouble, 20, 0) + 1;
    if (msg == kDie) ::_exit(0);
    return CWnd::WindowProc(msg, wp, lp);
  }
};

// A forked child starts without the windows and the server of its parent.
void ForgetParent() {
  PublishTopLevelWindows(FALSE);
  ResetWindowSystem();
}

struct RemoteWindowTest : ::testing::Test {
  std::string folder;
  std::vector<pid_t> children;
  void SetUp() override {
    char tmpl[] = "/tmp/tindrel-fwremote-XXXXXX";
    folder = ::mkdtemp(tmpl);
    plat::SetSharedFolder(folder + "/s");
  }
  void TearDown() override {
    for (pid_t p : children) {
      ::kill(p, SIGKILL);
      ::waitpid(p, nullptr, 0);
    }
    PublishTopLevelWindows(FALSE);
    ResetWindowSystem();
    plat::SetSharedFolder("");
    std::filesystem::remove_all(folder);
  }
  // A peer program with one published window "Peer Frame", pumping until killed.
  pid_t StartPeer() {
    pid_t pid = ::fork();
    if (pid == 0) {
      ForgetParent();
      PeerWnd w;
      w.CreateEx(0, "PeerClass", "Peer Frame", WS_OVERLAPPED, RECT{0, 0, 10, 10}, nullptr, 0);
      if (!PublishTopLevelWindows()) ::_exit(1);
      for (;;)
        if (!PumpMessage()) ::usleep(1000);
    }
    children.push_back(pid);
    return pid;
  }
  HWND WaitFor(const char* cls, const char* title) {
    for (int i = 0; i < 1000; ++i) {
      if (HWND h = FindWindow(cls, title)) return h;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
  }
};

TEST_F(RemoteWindowTest, FindsAndSendsToAWindowOfAnotherProgram) {
  PeerWnd own;
  ASSERT_TRUE(own.CreateEx(0, "OwnClass", "Own", WS_OVERLAPPED, RECT{0, 0, 10, 10}, nullptr, 0));
  ASSERT_TRUE(PublishTopLevelWindows());
  EXPECT_EQ(FindWindow(nullptr, "Own"), own.m_hWnd);  // our own come first

  pid_t peer = StartPeer();
  HWND h = WaitFor(nullptr, "Peer Frame");
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(IsRemoteWindow(h));
  EXPECT_EQ(FindWindow("PeerClass", "Peer Frame"), h);
  EXPECT_EQ(FindWindow("Other", "Peer Frame"), 0u);
  EXPECT_EQ(FindWindow(nullptr, "Peer"), 0u);  // exact title only
  EXPECT_EQ(FindWindow(nullptr, "peer frame"), 0u);
  EXPECT_TRUE(IsWindow(h));

  EXPECT_EQ(fw::SendMessage(h, kDouble, 21, 0), 42);
  // The peer sends back to us while we wait: we serve it.
  EXPECT_EQ(fw::SendMessage(h, kAskBack, own.m_hWnd, 0), 41);
  EXPECT_EQ(own.seen, std::vector<UINT>{kDouble});
  EXPECT_TRUE(BringWindowToTop(h));

  // The owner dies while handling: 0, and the handle stops being a window.
  EXPECT_EQ(fw::SendMessage(h, kDie, 0, 0), 0);
  ::waitpid(peer, nullptr, 0);
  children.clear();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(fw::SendMessage(h, kDouble, 1, 0), 0);
  EXPECT_EQ(FindWindow(nullptr, "Peer Frame"), 0u);
}

TEST_F(RemoteWindowTest, ThePumpTakesSentMessagesBeforePostedOnes) {
  PeerWnd own;
  ASSERT_TRUE(own.CreateEx(0, "", "Receiver", WS_OVERLAPPED, RECT{0, 0, 10, 10}, nullptr, 0));
  ASSERT_TRUE(PublishTopLevelWindows());
  own.PostMessage(kPosted);
  pid_t pid = ::fork();
  if (pid == 0) {
    ForgetParent();
    HWND h = FindWindow(nullptr, "Receiver");
    ::_exit(h && fw::SendMessage(h, kDouble, 4, 0) == 8 ? 0 : 1);
  }
  pollfd pf{plat::MessageServerFd(), POLLIN, 0};
  ASSERT_EQ(::poll(&pf, 1, 5000), 1);
  ASSERT_TRUE(PumpMessage());
  ASSERT_TRUE(PumpMessage());
  EXPECT_EQ(own.seen, (std::vector<UINT>{kDouble, kPosted}));
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(RemoteWindowTest, TitlesFollowTheWindows) {
  PeerWnd own;
  ASSERT_TRUE(PublishTopLevelWindows());
  ASSERT_TRUE(own.CreateEx(0, "", "Before", WS_OVERLAPPED, RECT{0, 0, 10, 10}, nullptr, 0));
  auto titles = [] {
    std::vector<std::string> t;
    for (const auto& w : plat::ReadPublishedWindows()) t.push_back(w.title);
    return t;
  };
  EXPECT_EQ(titles(), std::vector<std::string>{"Before"});
  own.SetWindowText("After");
  EXPECT_EQ(titles(), std::vector<std::string>{"After"});
  own.DestroyWindow();
  EXPECT_TRUE(titles().empty());
}

}  // namespace

#include "framework/controls.h"
#include "framework/docview.h"
#include "framework/imagelist.h"
#include "framework/rebar.h"

namespace {

TEST(ReBarTest, ABandHoldsItsBarRightOfTheGripper) {
  CFrameWnd frame;
  frame.m_bAutoDelete = FALSE;
  ASSERT_TRUE(frame.CreateEx(0, "", "Frame", WS_OVERLAPPED | WS_VISIBLE, RECT{0, 0, 400, 200}, nullptr, 0));
  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(&frame));
  const UINT ids[] = {100, 0, 101};
  bar.SetButtons(ids, 3);
  CReBar rebar;
  ASSERT_TRUE(rebar.Create(&frame));
  ASSERT_TRUE(rebar.AddBar(&bar));
  EXPECT_EQ(bar.GetParent(), &rebar);
  EXPECT_EQ(bar.GetOwner(), &frame);  // its buttons' commands go to the frame
  EXPECT_EQ(frame.GetControlBars(), std::vector<CControlBar*>{&rebar});
  RECT grip{}, band{}, at = bar.GetRectInParent();
  ASSERT_TRUE(rebar.GetGripperRect(0, &grip));
  ASSERT_TRUE(rebar.GetBandRect(0, &band));
  EXPECT_EQ(grip.width(), CReBar::kGripperWidth);
  EXPECT_EQ(at.left, grip.right);
  EXPECT_EQ(band.height(), bar.CalcFixedLayout(FALSE, TRUE).cy + 4);
  RECT rb = rebar.GetRectInParent();
  EXPECT_EQ(rb.height(), band.height());
  EXPECT_EQ(rb.width(), 400);
  // Laid out, the rebar paints its face and the gripper's raised ridges.
  PumpPendingMessages();
  const plat::Surface& s = rebar.GetSurface().surface();
  const LONG mid = band.top + band.height() / 2;
  EXPECT_EQ(s.GetPixel(grip.left + 2, mid), plat::RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(grip.left + 3, mid), plat::RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(s.GetPixel(grip.left + 1, mid), plat::RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(s.GetPixel(grip.right - 1, band.top), plat::RGB(0xC0, 0xC0, 0xC0));
  // Hidden, the rebar gives its room back.
  frame.ShowControlBar(&rebar, FALSE, FALSE);
  EXPECT_FALSE(rebar.IsVisible());
  frame.DestroyWindow();
  ResetWindowSystem();
}

TEST(ListPartsTest, RowPartsAndHitsInReportStyle) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "p", WS_OVERLAPPED, RECT{0, 0, 600, 300}, nullptr, 0));
  CListCtrl list;
  ASSERT_TRUE(list.Create("SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED,
                          RECT{0, 0, 600, 300}, &parent, 7));
  list.InsertColumn(0, "A", LVCFMT_LEFT, 200);
  list.InsertColumn(1, "B", LVCFMT_LEFT, 60);
  list.InsertItem(0, "one");
  list.InsertItem(1, "two");
  CImageList states;
  ASSERT_TRUE(states.Create(16, 16));
  struct Case {
    UINT part;
    RECT want;  // row 1 (row height 17 below a header of 17)
  } cases[] = {{LVIR_BOUNDS, {0, 34, 260, 51}}, {LVIR_ICON, {0, 34, 16, 51}}, {LVIR_LABEL, {16, 34, 200, 51}},
               {LVIR_SELECTBOUNDS, {0, 34, 200, 51}}};
  list.SetImageList(&states, LVSIL_STATE);
  EXPECT_EQ(list.GetImageList(LVSIL_STATE), &states);
  for (const Case& c : cases) {
    RECT r{};
    ASSERT_TRUE(list.GetItemRect(1, &r, c.part));
    EXPECT_EQ(r.left, c.want.left) << c.part;
    EXPECT_EQ(r.top, c.want.top) << c.part;
    EXPECT_EQ(r.right, c.want.right) << c.part;
    EXPECT_EQ(r.bottom, c.want.bottom) << c.part;
  }
  RECT r{};
  EXPECT_FALSE(list.GetItemRect(2, &r, LVIR_BOUNDS));
  EXPECT_EQ(list.HitTest(POINT{5, 20}), 0);
  EXPECT_EQ(list.HitTest(POINT{259, 40}), 1);
  EXPECT_EQ(list.HitTest(POINT{260, 40}), -1);
  EXPECT_EQ(list.HitTest(POINT{5, 5}), -1);  // the header
  EXPECT_EQ(list.HitTest(POINT{5, 60}), -1);
  // A click through the mouse messages selects the row under it.
  list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(10, 40));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
  parent.DestroyWindow();
  ResetWindowSystem();
}

}  // namespace
