#include <gtest/gtest.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ipc.h"
#include "temp_dir.h"

using namespace std::string_literals;

namespace {

struct IpcTest : ::testing::Test {
  TempDir dir;
  void SetUp() override { plat::SetSharedFolder(dir.path() + "shared"); }
  void TearDown() override { plat::SetSharedFolder(""); }
  std::string File(const char* name) { return dir.path() + "shared/" + name; }
};

TEST_F(IpcTest, NamesKeepTheirIdsAndIgnoreAsciiCase) {
  unsigned a = plat::RegisterSharedName("CutterVorlan V60 - [TextBoxes]");
  unsigned b = plat::RegisterSharedName("CutterVorlan V60 - [SEGMULTI]");
  EXPECT_EQ(a, plat::kFirstSharedId);
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(plat::RegisterSharedName("cuttervorlan v60 - [segmulti]"), b);
  std::string name;
  ASSERT_TRUE(plat::GetSharedName(b, name));
  EXPECT_EQ(name, "CutterVorlan V60 - [SEGMULTI]");
  EXPECT_FALSE(plat::GetSharedName(b + 1, name));
  EXPECT_FALSE(plat::GetSharedName(1, name));
  // Bad names are refused.
  EXPECT_EQ(plat::RegisterSharedName(""), 0u);
  EXPECT_EQ(plat::RegisterSharedName(std::string(256, 'x')), 0u);
  EXPECT_EQ(plat::RegisterSharedName(std::string("a\0b", 3)), 0u);
  EXPECT_NE(plat::RegisterSharedName(std::string(255, 'x')), 0u);
}

TEST_F(IpcTest, ProcessesRacingForNamesAgree) {
  // Four processes register the same names in different orders at once.
  const std::vector<std::string> names = {"A", "B", "C", "D", "E", "F"};
  std::vector<pid_t> kids;
  for (int k = 0; k < 4; ++k) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (size_t i = 0; i < names.size(); ++i) ok = ok && plat::RegisterSharedName(names[(i + size_t(k)) % names.size()]) != 0;
      ::_exit(ok ? 0 : 1);
    }
    kids.push_back(pid);
  }
  for (pid_t p : kids) {
    int status = 0;
    ::waitpid(p, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<unsigned> ids;
  for (const std::string& n : names) ids.push_back(plat::RegisterSharedName(n));
  std::sort(ids.begin(), ids.end());
  for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], plat::kFirstSharedId + i);
}

TEST_F(IpcTest, HostileNameTablesKeepWhatReadsAndNeverCrash) {
  plat::RegisterSharedName("first");
  plat::RegisterSharedName("second");
  std::string good = ReadFileBytes(File("names.tbl"));
  const std::string cases[] = {
      "",
      "TNAM",
      "XXXX\x01\0\0\0\x01\0\0\0"s,
      good.substr(0, good.size() - 3),               // second entry cut off
      good.substr(0, 8) + "\xff\xff\xff\xff" + good.substr(12),  // absurd count
      good + std::string(5000, '\xff'),
  };
  for (const std::string& bytes : cases) {
    WriteFileBytes(File("names.tbl"), bytes);
    unsigned id = plat::RegisterSharedName("first");
    EXPECT_GE(id, plat::kFirstSharedId);
    EXPECT_LE(id, plat::kLastSharedId);
    std::string n;
    EXPECT_TRUE(plat::GetSharedName(id, n));
  }
  // A truncated table keeps its first entry's id.
  WriteFileBytes(File("names.tbl"), good.substr(0, good.size() - 3));
  EXPECT_EQ(plat::RegisterSharedName("FIRST"), plat::kFirstSharedId);
}

// A reader must neither stall on something that is no file nor crawl through a
// table crafted to be slow.
TEST_F(IpcTest, FifosAndHugeTablesDoNotStallReaders) {
  ::alarm(60);  // a stalled reader ends the test program
  ASSERT_NE(plat::RegisterSharedName("first"), 0u);
  for (const char* name : {"names.tbl", "clipboard.dat"}) {
    ::unlink(File(name).c_str());
    ASSERT_EQ(::mkfifo(File(name).c_str(), 0600), 0);
  }
  std::vector<plat::ClipboardItem> got;
  EXPECT_TRUE(plat::ReadSharedClipboard(got));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(plat::SharedClipboardSequence(), 0u);
  std::string n;
  EXPECT_FALSE(plat::GetSharedName(plat::kFirstSharedId, n));
  // The writers put real files back.
  EXPECT_EQ(plat::RegisterSharedName("again"), plat::kFirstSharedId);
  std::vector<plat::ClipboardItem> one(1);
  one[0].format = 1;
  EXPECT_TRUE(plat::WriteSharedClipboard(one));
  EXPECT_EQ(plat::SharedClipboardSequence(), 1u);

  // Nearly every id taken by long names that differ only at their end.
  std::string table = "TNAM\x01\0\0\0"s;
  const unsigned count = plat::kLastSharedId - plat::kFirstSharedId;
  for (int i = 0; i < 4; ++i) table += char((count >> (8 * i)) & 0xFF);
  for (unsigned i = 0; i < count; ++i) {
    unsigned id = plat::kFirstSharedId + i;
    std::string name = std::string(235, 'n') + std::to_string(100000 + i);
    table += char(id & 0xFF);
    table += char(id >> 8);
    table += "\xff\xff"s;
    table += char(name.size());
    table += name;
  }
  WriteFileBytes(File("names.tbl"), table);
  EXPECT_EQ(plat::RegisterSharedName(std::string(235, 'n') + "100007"), plat::kFirstSharedId + 7);
  EXPECT_EQ(plat::RegisterSharedName("last one"), plat::kLastSharedId);
  EXPECT_EQ(plat::RegisterSharedName("no room"), 0u);
  ::alarm(0);
}

TEST_F(IpcTest, ClipboardRoundTripsAndCountsWrites) {
  std::vector<plat::ClipboardItem> items(2);
  items[0].format = 1;
  items[0].data = {'h', 'i', 0};
  items[1].format = 0xC001;
  items[1].data = {2, 10, 0, 0, 0, 0xFE};
  std::vector<plat::ClipboardItem> got;
  std::uint32_t seq = 99;
  ASSERT_TRUE(plat::ReadSharedClipboard(got, &seq));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(seq, 0u);
  ASSERT_TRUE(plat::WriteSharedClipboard(items, &seq));
  EXPECT_EQ(seq, 1u);
  ASSERT_TRUE(plat::WriteSharedClipboard(items, &seq));
  EXPECT_EQ(seq, 2u);
  EXPECT_EQ(plat::SharedClipboardSequence(), 2u);
  ASSERT_TRUE(plat::ReadSharedClipboard(got, &seq));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].format, 0xC001u);
  EXPECT_EQ(got[1].data, items[1].data);
  // A damaged file: the items before the damage survive.
  std::string bytes = ReadFileBytes(File("clipboard.dat"));
  WriteFileBytes(File("clipboard.dat"), bytes.substr(0, bytes.size() - 2));
  ASSERT_TRUE(plat::ReadSharedClipboard(got, &seq));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].data, items[0].data);
  WriteFileBytes(File("clipboard.dat"), "garbage");
  ASSERT_TRUE(plat::ReadSharedClipboard(got, &seq));
  EXPECT_TRUE(got.empty());
  std::vector<plat::ClipboardItem> tooMany(plat::kMaxClipboardItems + 1);
  EXPECT_FALSE(plat::WriteSharedClipboard(tooMany));
}

TEST_F(IpcTest, UnsafeFolderIsRefused) {
  std::string target = dir.path() + "elsewhere";
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  std::string link = dir.path() + "link";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  plat::SetSharedFolder(link);
  EXPECT_EQ(plat::GetSharedFolder(), "");
  EXPECT_EQ(plat::RegisterSharedName("x"), 0u);
}

}  // namespace
