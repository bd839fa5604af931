#include "platform/ini.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {

// CRLF, mixed case, comments, blanks, quotes and GBK text ("中文" and a trail byte 0x5C).
const std::string kFixture =
    "; settings\r\n"
    "stray=before any section\r\n"
    "[SystemParam]\r\n"
    "UndoStep=12\r\n"
    "  Name =  \xD6\xD0\xCE\xC4 \r\n"
    "Quoted=\"  padded  \"\r\n"
    "Path=C:\\VORLAN\\\r\n"
    "Trail=\x95\x5C\r\n"
    "NoValue\r\n"
    ";Hidden=1\r\n"
    "\r\n"
    "[ Cutters ]\r\n"
    "Count=3\r\n"
    "[systemparam]\r\n"
    "UndoStep=99\r\n";

std::string Get(const char* section, const char* key, const char* def, const std::string& file,
                unsigned size = 256, unsigned* ret = nullptr) {
  std::string buf(size, '\x7F');
  unsigned n = GetPrivateProfileString(section, key, def, buf.data(), size, file);
  if (ret) *ret = n;
  return std::string(buf.data(), n);
}

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir / "VORLAN98.INI";
    WriteFileBytes(file, kFixture);
  }
  TempDir dir;
  std::string file;
};

}  // namespace

TEST_F(IniTest, ReadsAsThePlatformDoes) {
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  };
  const Case cases[] = {
      {"SystemParam", "UndoStep", "12"},           // the first of two like-named sections
      {"SYSTEMPARAM", "undostep", "12"},
      {"systemparam", "NAME", "\xD6\xD0\xCE\xC4"},  // trimmed, bytes kept
      {"SystemParam", "Quoted", "  padded  "},     // one pair of quotes dropped
      {"SystemParam", "Path", "C:\\VORLAN\\"},
      {"SystemParam", "Trail", "\x95\x5C"},
      {"SystemParam", "NoValue", ""},
      {"cutters", "Count", "3"},                   // the section name trimmed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(Get(c.section, c.key, "dflt", file), c.value);
  }
  EXPECT_EQ(Get("SystemParam", "Hidden", "dflt", file), "dflt");  // a comment is no key
  EXPECT_EQ(Get("SystemParam", "stray", "dflt", file), "dflt");   // lines before any section
  EXPECT_EQ(Get("SystemParam", "Missing", "dflt  ", file), "dflt");  // default without trailing blanks
  EXPECT_EQ(Get("Nowhere", "UndoStep", nullptr, file), "");
}

TEST_F(IniTest, TruncatesToTheBuffer) {
  WritePrivateProfileString("S", "Long", "abcdefghijklmnopqrst", file);
  unsigned n = 0;
  EXPECT_EQ(Get("S", "Long", "", file, 8, &n), "abcdefg");
  EXPECT_EQ(n, 7u);
  EXPECT_EQ(Get("S", "Missing", "0123456789", file, 4, &n), "012");
  char one = 'x';
  EXPECT_EQ(GetPrivateProfileString("S", "Long", "", &one, 1, file), 0u);
  EXPECT_EQ(one, '\0');
  EXPECT_EQ(GetPrivateProfileString("S", "Long", "", nullptr, 0, file), 0u);
}

TEST_F(IniTest, IntegersReadTheLeadingNumber) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {{"12", 12}, {"12abc", 12}, {"-5", -5}, {"+7", 7}, {"abc", 0},
                        {"0x10", 0}, {" 42 ", 42},  {"", -1}, {"4294967297", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(WritePrivateProfileString("Num", "V", c.value, file));
    EXPECT_EQ(int(GetPrivateProfileInt("Num", "V", -1, file)), c.expected);
  }
  EXPECT_EQ(int(GetPrivateProfileInt("Num", "Missing", 77, file)), 77);
  EXPECT_EQ(int(GetPrivateProfileInt("systemparam", "undostep", 0, file)), 12);
}

TEST_F(IniTest, MissingFileGivesDefaultsAndEmptyLists) {
  std::string none = dir / "none.ini";
  EXPECT_EQ(Get("S", "K", "dflt", none), "dflt");
  EXPECT_EQ(int(GetPrivateProfileInt("S", "K", 5, none)), 5);
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", buf, 4, none), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], '\0');
  EXPECT_TRUE(GetPrivateProfileSectionNames(none).empty());
  // Deleting from a missing file creates nothing.
  EXPECT_TRUE(WritePrivateProfileString("S", "K", nullptr, none));
  EXPECT_FALSE(std::filesystem::exists(none));
  // A folder is no INI file.
  EXPECT_EQ(Get("S", "K", "dflt", dir.path()), "dflt");
}

TEST_F(IniTest, NullKeyListsKeysNullSectionListsSections) {
  EXPECT_EQ(Get("systemPARAM", nullptr, "", file),
            std::string("UndoStep\0Name\0Quoted\0Path\0Trail\0NoValue\0", 40));
  EXPECT_EQ(Get(nullptr, nullptr, "", file), std::string("SystemParam\0Cutters\0systemparam\0", 32));
  // Too small: cut, ended by two zero bytes, size - 2 returned.
  char buf[10];
  EXPECT_EQ(GetPrivateProfileString("SystemParam", nullptr, "", buf, sizeof buf, file), 8u);
  EXPECT_EQ(std::string(buf, 10), std::string("UndoStep\0\0", 10));
  EXPECT_EQ(GetPrivateProfileKeyNames("Cutters", file), std::vector<std::string>{"Count"});
}

TEST_F(IniTest, WritesKeepEverythingElse) {
  ASSERT_TRUE(WritePrivateProfileString("SYSTEMPARAM", "undostep", "20", file));  // stored case kept
  ASSERT_TRUE(WritePrivateProfileString("SystemParam", "NewKey", "\xB1\xED", file));  // before the blank line
  ASSERT_TRUE(WritePrivateProfileString("Cutters", "Count", nullptr, file));       // delete a key
  ASSERT_TRUE(WritePrivateProfileString("New Section", "A", "1", file));           // appended
  ASSERT_TRUE(WritePrivateProfileString("systemparam", "Evil", "x\r\n[Injected]\r\ny=1", file));
  std::string expected =
      "; settings\r\n"
      "stray=before any section\r\n"
      "[SystemParam]\r\n"
      "UndoStep=20\r\n"
      "  Name =  \xD6\xD0\xCE\xC4 \r\n"
      "Quoted=\"  padded  \"\r\n"
      "Path=C:\\VORLAN\\\r\n"
      "Trail=\x95\x5C\r\n"
      "NoValue\r\n"
      ";Hidden=1\r\n"
      "NewKey=\xB1\xED\r\n"
      "Evil=x\r\n"
      "\r\n"
      "[ Cutters ]\r\n"
      "[systemparam]\r\n"
      "UndoStep=99\r\n"
      "[New Section]\r\n"
      "A=1\r\n";
  EXPECT_EQ(ReadFileBytes(file), expected);
  EXPECT_EQ(Get("SystemParam", "NewKey", "", file), "\xB1\xED");
  EXPECT_EQ(Get("SystemParam", "Name", "", file), "\xD6\xD0\xCE\xC4");

  ASSERT_TRUE(WritePrivateProfileString("systemparam", nullptr, nullptr, file));  // the first one goes
  EXPECT_EQ(Get("SystemParam", "UndoStep", "", file), "99");
  EXPECT_EQ(GetPrivateProfileSectionNames(file), (std::vector<std::string>{"Cutters", "systemparam", "New Section"}));
}

TEST_F(IniTest, CreatesFileAndKeepsLineEnds) {
  std::string fresh = dir / "Port.INI";
  ASSERT_TRUE(WritePrivateProfileString("COM1", "Baud", "9600", fresh));
  ASSERT_TRUE(WritePrivateProfileString("COM1", "Parity", "N", fresh));
  EXPECT_EQ(ReadFileBytes(fresh), "[COM1]\r\nBaud=9600\r\nParity=N\r\n");

  std::string lf = dir / "lf.ini";
  WriteFileBytes(lf, "[A]\nx=1\n[B]\ny=2");  // LF, no break at the end
  ASSERT_TRUE(WritePrivateProfileString("B", "z", "3", lf));
  ASSERT_TRUE(WritePrivateProfileString("A", "x", "10", lf));
  EXPECT_EQ(ReadFileBytes(lf), "[A]\nx=10\n[B]\ny=2\nz=3\n");
}

TEST_F(IniTest, NothingIsCached) {
  EXPECT_EQ(Get("Cutters", "Count", "", file), "3");
  WriteFileBytes(file, "[Cutters]\r\nCount=4\r\n");
  EXPECT_EQ(Get("Cutters", "Count", "", file), "4");
  std::filesystem::remove(file);
  EXPECT_EQ(Get("Cutters", "Count", "gone", file), "gone");
}

TEST_F(IniTest, CrashMidWriteLeavesTheOldFileWhole) {
  std::string big(100000, 'v');
  EXPECT_EXIT(
      {
        hooks::SetWriteProgressHook([](std::size_t written) {
          if (written > 8192) _exit(3);
        });
        WritePrivateProfileString("SystemParam", "Big", big.c_str(), file);
        _exit(0);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(ReadFileBytes(file), kFixture);
  EXPECT_EQ(Get("SystemParam", "UndoStep", "", file), "12");
  // The next write works and the file is whole again.
  ASSERT_TRUE(WritePrivateProfileString("SystemParam", "Big", big.c_str(), file));
  EXPECT_EQ(Get("SystemParam", "Big", "", file, 200000), big);
}

TEST_F(IniTest, FullDiskLeavesTheOldFileWholeAndReportsFailure) {
  std::string big(200000, 'v');
  EXPECT_EXIT(
      {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim;
        lim.rlim_cur = lim.rlim_max = 65536;
        setrlimit(RLIMIT_FSIZE, &lim);
        bool ok = WritePrivateProfileString("SystemParam", "Big", big.c_str(), file);
        _exit(ok ? 1 : 4);
      },
      ::testing::ExitedWithCode(4), "");
  EXPECT_EQ(ReadFileBytes(file), kFixture);
}

TEST_F(IniTest, KeepsPermissionsAndLinks) {
  ::chmod(file.c_str(), 0640);
  std::string link = dir / "link.ini";
  std::filesystem::create_symlink(file, link);
  ASSERT_TRUE(WritePrivateProfileString("Cutters", "Count", "5", link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Get("Cutters", "Count", "", file), "5");
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left beside it.
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) n += e.path().filename().string()[0] == '.';
  EXPECT_EQ(n, 0);
}

TEST_F(IniTest, HostileContentIsReadSafely) {
  const std::string odd[] = {
      std::string("[A\0B]\r\nK\0=\0V\r\n", 14), "[", "[]\r\n=\r\n==\r\n", "\r\r\r\n\n\n[A]\rK=V",
      std::string(5000, '['), "[A]\r\nK=\"", "[A]\r\nK='x\"",
  };
  for (const auto& content : odd) {
    WriteFileBytes(file, content);
    Get("A", "K", "", file);
    GetPrivateProfileSectionNames(file);
    GetPrivateProfileKeyNames("A", file);
    EXPECT_TRUE(WritePrivateProfileString("A", "K", "v", file));
    EXPECT_EQ(Get("A", "K", "", file), "v");
  }
}

TEST_F(IniTest, FifosAndFoldersGiveDefaultsWithoutWaitingAndAreNotReplaced) {
  const std::string fifo = dir / "FIFO.INI";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, dir.path()}) {
    auto calls = std::async(std::launch::async, [&] {
      std::string v = Get("A", "K", "dflt", path);
      bool wrote = WritePrivateProfileString("A", "K", "v", path);
      return std::make_pair(v, wrote);
    });
    if (calls.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "blocked on " << path;
      // Let the calls blocked on the FIFO go.
      while (calls.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (w >= 0) ::close(w);
      }
    }
    auto [value, wrote] = calls.get();
    EXPECT_EQ(value, "dflt");
    EXPECT_FALSE(wrote);
  }
  struct stat st;
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniTest, NamesWithLineBreaksAreRefused) {
  const struct {
    const char* section;
    const char* key;
  } bad[] = {{"A\r\n[B]", "K"}, {"A", "K\nX=1"}, {"A\n", nullptr}, {"A", "K\r"}};
  for (const auto& b : bad) {
    EXPECT_FALSE(WritePrivateProfileString(b.section, b.key, "v", file)) << b.section;
    EXPECT_EQ(ReadFileBytes(file), kFixture);
  }
}

TEST_F(IniTest, OversizedFileIsNotReadNorReplaced) {
  std::string huge = "[A]\r\nK=1\r\n" + std::string(kMaxIniFileBytes, 'x');
  WriteFileBytes(file, huge);
  EXPECT_EQ(Get("A", "K", "dflt", file), "dflt");
  EXPECT_FALSE(WritePrivateProfileString("A", "K", "2", file));
  EXPECT_EQ(std::filesystem::file_size(file), huge.size());
}

TEST_F(IniTest, WritersInTwoProcessesLoseNothing) {
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = fork();
    ASSERT_GE(kids[k], 0);
    if (kids[k] == 0) {
      bool ok = true;
      for (int i = 0; i < 40; ++i) {
        std::string key = "P" + std::to_string(k) + "_" + std::to_string(i);
        ok = WritePrivateProfileString("Shared", key.c_str(), "1", file) && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t kid : kids) {
    int status = 0;
    ASSERT_EQ(waitpid(kid, &status, 0), kid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(GetPrivateProfileKeyNames("Shared", file).size(), 80u);
  EXPECT_EQ(Get("SystemParam", "UndoStep", "", file), "12");
}
