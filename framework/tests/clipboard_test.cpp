#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "framework/clipboard.h"
#include "platform/ipc.h"

using namespace fw;

namespace {

HGLOBAL Block(const std::string& bytes) {
  HGLOBAL h = plat::GlobalAlloc(plat::GHND, bytes.size());
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), bytes.data(), bytes.size());
  return h;
}

std::string Bytes(HGLOBAL h) {
  plat::GlobalLockGuard g(h);
  return g ? std::string(reinterpret_cast<char*>(g.bytes()), g.size()) : std::string();
}

struct ClipboardTest : ::testing::Test {
  std::string folder;
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-clip-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    folder = tmpl;
    plat::SetSharedFolder(folder + "/shared");
    ResetClipboard();
  }
  void TearDown() override {
    ResetClipboard();
    SetClipboardStore(ClipboardStore::Process);
    plat::SetSharedFolder("");
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

TEST_F(ClipboardTest, OwnsBlocksAndNeedsToBeOpen) {
  size_t live = plat::GlobalLiveCount();
  UINT seg = RegisterClipboardFormat("CutterVorlan V60 - [SEGMULTI]");
  EXPECT_GE(seg, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("CUTTERVORLAN V60 - [segmulti]"), seg);
  std::string name;
  EXPECT_GT(GetClipboardFormatName(seg, name), 0);
  EXPECT_EQ(name, "CutterVorlan V60 - [SEGMULTI]");

  HGLOBAL loose = Block("x");
  EXPECT_EQ(SetClipboardData(CF_TEXT, loose), 0u);  // not open: stays the caller's
  plat::GlobalFree(loose);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  SetClipboardData(CF_TEXT, Block("AB\0"));
  SetClipboardData(seg, Block(std::string("\x02\x06\0\0\0\xFE", 6)));
  SetClipboardData(CF_TEXT, Block("CD"));  // replaces and frees the first text
  EXPECT_EQ(CountClipboardFormats(), 2);
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), seg);
  EXPECT_EQ(EnumClipboardFormats(seg), 0u);
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(seg));
  EXPECT_EQ(GetClipboardData(seg), 0u);  // closed
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Bytes(GetClipboardData(CF_TEXT)), "CD");
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(plat::GlobalLiveCount(), live);
}

TEST_F(ClipboardTest, TwoProcessesExchangeABlockUnderARegisteredFormat) {
  SetClipboardStore(ClipboardStore::Shared);
  const std::string block("\x02\x0B\0\0\0records\xFE", 11);
  int pipefd[2];
  ASSERT_EQ(::pipe(pipefd), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The other program: registers two names, copies under the second.
    ::close(pipefd[0]);
    UINT first = RegisterClipboardFormat("CutterVorlan V60 - [TextBoxes]");
    UINT seg = RegisterClipboardFormat("CutterVorlan V60 - [SEGMULTI]");
    bool ok = first && seg && first != seg && OpenClipboard(nullptr) && EmptyClipboard() &&
              SetClipboardData(seg, Block(block)) != 0 && SetClipboardData(CF_TEXT, Block("text")) != 0 &&
              CloseClipboard();
    UINT sent = ok ? seg : 0;
    ssize_t w = ::write(pipefd[1], &sent, sizeof sent);
    ::_exit(w == sizeof sent && ok ? 0 : 1);
  }
  ::close(pipefd[1]);
  UINT childSeg = 0;
  ASSERT_EQ(::read(pipefd[0], &childSeg, sizeof childSeg), ssize_t(sizeof childSeg));
  ::close(pipefd[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // This program registers only the second name and still gets the other one's id.
  UINT seg = RegisterClipboardFormat("CutterVorlan V60 - [SEGMULTI]");
  EXPECT_EQ(seg, childSeg);
  EXPECT_EQ(seg, 0xC001u);
  EXPECT_TRUE(IsClipboardFormatAvailable(seg));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Bytes(GetClipboardData(seg)), block);
  EXPECT_EQ(Bytes(GetClipboardData(CF_TEXT)), "text");
  EXPECT_EQ(GetClipboardOwner(), nullptr);  // another program owns it
  // Copying back replaces the shared content for everyone.
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block("back"));
  CloseClipboard();
  std::vector<plat::ClipboardItem> items;
  ASSERT_TRUE(plat::ReadSharedClipboard(items));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(std::string(items[0].data.begin(), items[0].data.end()), "back");
}

}  // namespace
