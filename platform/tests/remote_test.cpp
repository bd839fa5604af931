#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc.h"
#include "platform/process.h"
#include "platform/remote.h"
#include "temp_dir.h"

namespace {

struct RemoteTest : ::testing::Test {
  TempDir dir;
  std::vector<pid_t> children;
  void SetUp() override { plat::SetSharedFolder(dir.path() + "s"); }
  void TearDown() override {
    for (pid_t p : children) {
      ::kill(p, SIGKILL);
      ::waitpid(p, nullptr, 0);
    }
    plat::CloseMessageServer();
    plat::SetSharedFolder("");
  }

  // A peer process publishing window 77 "Peer"; it answers wParam + lParam, asks
  // back our window 5 for message 2, and ends without answering message 3.
  pid_t StartPeer() {
    pid_t pid = ::fork();
    if (pid == 0) {
      if (plat::OpenMessageServer() < 0) ::_exit(1);
      plat::PublishWindows({{0, 77, "PeerClass", "Peer"}});
      for (;;) {
        plat::RemoteRequest req;
        if (!plat::TakeRemoteRequest(req)) {
          ::usleep(2000);
          continue;
        }
        if (req.message == 3) ::_exit(0);
        std::int64_t r = std::int64_t(req.wParam) + req.lParam;
        if (req.message == 2) {
          std::int64_t back = 0;
          plat::SendRemoteMessage(req.pid, 5, 9, 0, 0, &back);
          r = back + 1;
        }
        plat::AnswerRemoteRequest(req, r);
      }
    }
    children.push_back(pid);
    for (int i = 0; i < 500; ++i) {
      for (const auto& w : plat::ReadPublishedWindows())
        if (w.pid == pid) return pid;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pid;
  }
};

TEST_F(RemoteTest, AtomsCountUpAndDownAndIgnoreCase) {
  plat::ATOM a = plat::GlobalAddAtom("/tmp/OSI1A2B.TMP");
  ASSERT_GE(a, 0xC000);
  EXPECT_EQ(plat::GlobalAddAtom("/TMP/osi1a2b.tmp"), a);  // count 2
  EXPECT_EQ(plat::GlobalFindAtom("/tmp/osi1a2b.TMP"), a);
  char buf[8];
  EXPECT_EQ(plat::GlobalGetAtomName(a, buf, sizeof buf), 7u);
  EXPECT_STREQ(buf, "/tmp/OS");
  std::string name;
  ASSERT_TRUE(plat::GlobalGetAtomName(a, name));
  EXPECT_EQ(name, "/tmp/OSI1A2B.TMP");
  EXPECT_EQ(plat::GlobalDeleteAtom(a), 0);
  EXPECT_EQ(plat::GlobalFindAtom("/tmp/OSI1A2B.TMP"), a);  // one use left
  EXPECT_EQ(plat::GlobalDeleteAtom(a), 0);
  EXPECT_EQ(plat::GlobalFindAtom("/tmp/OSI1A2B.TMP"), 0);
  EXPECT_EQ(plat::GlobalDeleteAtom(a), a);  // gone: the atom comes back
  EXPECT_EQ(plat::GlobalGetAtomName(a, buf, sizeof buf), 0u);
  EXPECT_EQ(plat::GlobalDeleteAtom(5), 5);
  EXPECT_EQ(plat::GlobalAddAtom(""), 0);
  EXPECT_EQ(plat::GlobalAddAtom(std::string(256, 'x')), 0);

  // A registered name stays whatever deletes it; an atom of it does not count.
  unsigned reg = plat::RegisterSharedName("Registered");
  EXPECT_EQ(plat::GlobalAddAtom("REGISTERED"), reg);
  EXPECT_EQ(plat::GlobalDeleteAtom(plat::ATOM(reg)), 0);
  EXPECT_EQ(plat::GlobalDeleteAtom(plat::ATOM(reg)), 0);
  EXPECT_EQ(plat::GlobalFindAtom("registered"), reg);
  // An atom later registered becomes permanent.
  plat::ATOM b = plat::GlobalAddAtom("later");
  EXPECT_EQ(plat::RegisterSharedName("LATER"), b);
  EXPECT_EQ(plat::GlobalDeleteAtom(b), 0);
  EXPECT_EQ(plat::GlobalFindAtom("later"), b);
}

TEST_F(RemoteTest, AtomsAreSharedWithOtherProcesses) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(plat::GlobalAddAtom("from the child") >= 0xC000 ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  plat::ATOM a = plat::GlobalFindAtom("FROM THE CHILD");
  ASSERT_NE(a, 0);
  EXPECT_EQ(plat::GlobalDeleteAtom(a), 0);
  EXPECT_EQ(plat::GlobalFindAtom("from the child"), 0);
}

TEST_F(RemoteTest, MessagesReachAWindowOfAnotherProcessAndComeBack) {
  ASSERT_GE(plat::OpenMessageServer(), 0);
  pid_t peer = StartPeer();
  auto table = plat::ReadPublishedWindows();
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].pid, peer);
  EXPECT_EQ(table[0].window, 77u);
  EXPECT_EQ(table[0].className, "PeerClass");
  EXPECT_EQ(table[0].title, "Peer");

  std::int64_t r = 0;
  ASSERT_TRUE(plat::SendRemoteMessage(peer, 77, 1, 40, -2, &r));
  EXPECT_EQ(r, 38);
  // The peer asks us back while we wait; we answer through our own server.
  int served = 0;
  ASSERT_TRUE(plat::SendRemoteMessage(peer, 77, 2, 0, 0, &r, [&] {
    plat::RemoteRequest req;
    while (plat::TakeRemoteRequest(req)) {
      EXPECT_EQ(req.window, 5u);
      EXPECT_EQ(req.pid, peer);
      ++served;
      plat::AnswerRemoteRequest(req, 40);
    }
  }));
  EXPECT_EQ(served, 1);
  EXPECT_EQ(r, 41);

  // The peer dies without answering: 0, and its entry goes.
  EXPECT_FALSE(plat::SendRemoteMessage(peer, 77, 3, 0, 0, &r));
  EXPECT_EQ(r, 0);
  ::waitpid(peer, nullptr, 0);
  children.clear();
  EXPECT_TRUE(plat::ReadPublishedWindows().empty());
  EXPECT_FALSE(plat::SendRemoteMessage(peer, 77, 1, 1, 1, &r));
}

TEST_F(RemoteTest, PublishingReplacesOurOwnEntriesOnly) {
  pid_t peer = StartPeer();
  ASSERT_TRUE(plat::PublishWindows({{0, 1, "", "One"}, {0, 2, "", ""}, {0, 3, "", std::string(256, 't')}}));
  ASSERT_GE(plat::OpenMessageServer(), 0);  // a live entry needs its socket
  auto table = plat::ReadPublishedWindows();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].pid, peer);
  EXPECT_EQ(table[1].title, "One");
  EXPECT_EQ(table[1].pid, ::getpid());
  ASSERT_TRUE(plat::PublishWindows({}));
  ASSERT_EQ(plat::ReadPublishedWindows().size(), 1u);
  // The socket is ours alone.
  struct stat st;
  ASSERT_EQ(::stat((dir.path() + "s/w" + std::to_string(::getpid()) + ".sock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RemoteTest, HostileTableFilesAreReadSafely) {
  ASSERT_GE(plat::OpenMessageServer(), 0);
  std::string self = std::to_string(::getpid());
  const std::vector<std::string> files = {
      "", "TWIN", std::string("TWIN\x01\0\0\0\xff\xff\xff\xff", 12),
      std::string("TWIN\x01\0\0\0\x02\0\0\0", 12) + std::string("\x01\0\0\0\x01\0\0\0\xff", 9),
      std::string("TWIN\x02\0\0\0\x01\0\0\0", 12)};
  for (const std::string& f : files) {
    WriteFileBytes(dir.path() + "s/windows.tbl", f);
    EXPECT_TRUE(plat::ReadPublishedWindows().empty());
  }
}

TEST_F(RemoteTest, WinExecCodes) {
  std::string bin = dir.path() + "bin/";
  ::mkdir(bin.c_str(), 0700);
  auto script = [&](const std::string& name, const std::string& body, mode_t mode) {
    WriteFileBytes(bin + name, "#!/bin/sh\n" + body + "\n");
    ::chmod((bin + name).c_str(), mode);
  };
  // Signals that it waits for input, then leaves a mark and stays a while.
  script("Ready", "printf x >&$TINDREL_READY_FD; exec 3>&-; echo started > \"$(dirname \"$0\")/mark\"; sleep 3", 0700);
  script("Quiet", "sleep 3", 0700);
  script("Plain", "exit 0", 0600);
  ::mkdir((bin + "Folder").c_str(), 0700);

  auto start = std::chrono::steady_clock::now();
  EXPECT_GT(plat::WinExec(bin + "READY.EXE", 1), 31u);  // any case, ".EXE" dropped
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  for (int i = 0; i < 200 && ReadFileBytes(bin + "mark").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFileBytes(bin + "mark"), "started\n");

  // A program that never waits for input still counts as started, after the time-out.
  EXPECT_GT(plat::WinExec(bin + "Quiet.EXE", 1, 200), 31u);
  EXPECT_EQ(plat::WinExec(bin + "Missing.EXE", 1), 2u);
  EXPECT_EQ(plat::WinExec(dir.path() + "nofolder/Kelvo.EXE", 1), 2u);
  EXPECT_EQ(plat::WinExec(bin + "Plain.EXE", 1), 11u);
  EXPECT_EQ(plat::WinExec(bin + "Folder.EXE", 1), 11u);
}

}  // namespace
