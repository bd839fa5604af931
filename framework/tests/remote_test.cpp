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
