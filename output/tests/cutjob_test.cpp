#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/remote.h"
#include "framework/wnd.h"
#include "helpers.h"
#include "output/tests/handoff_env.h"
#include "output/cuthandoff.h"
#include "output/jobfile/cutjob.h"
#include "platform/bytes.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

// Points the temporary folder and the shared folder at folders of the test.
struct JobFolders : ::testing::Test {
  TempFolder tmp;
  std::string oldTmp;
  void SetUp() override {
    if (const char* t = std::getenv("TMPDIR")) oldTmp = t;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    ::setenv("TINDREL_IPC_DIR", (tmp.path() + "ipc").c_str(), 1);
  }
  void TearDown() override {
    if (oldTmp.empty()) ::unsetenv("TMPDIR");
    else ::setenv("TMPDIR", oldTmp.c_str(), 1);
    ::unsetenv("TINDREL_IPC_DIR");
  }
  std::string Temp() { return plat::GetTempFolder(); }
};

using CutJobFileTest = JobFolders;

TEST_F(CutJobFileTest, WritesTheHeaderNameAndPathAsStored) {
  CCutJob job;
  job.header.OutMethod = 2;
  job.header.SetPortName("COM1");
  job.name = "Sign";
  job.dataPath = "/t/OSD00A1.TMP";
  ASSERT_EQ(WriteCutJobFile(job), 1);
  EXPECT_EQ(job.jobInfoPath.compare(0, Temp().size(), Temp()), 0);
  std::string name = job.jobInfoPath.substr(Temp().size());
  EXPECT_EQ(name.size(), 11u);
  EXPECT_EQ(name.substr(0, 3), "OSI");
  EXPECT_EQ(name.substr(7), ".TMP");

  std::string want(65, '\0');
  std::memcpy(want.data(), "ODSINFO", 7);
  want.replace(16, 4, "\x00\x00\xC0\x40", 4);  // 6.0
  want[25] = 2;
  std::memcpy(want.data() + 27, "COM1", 4);
  want[37] = 65;
  want[45] = 70;
  want += std::string("Sign\0/t/OSD00A1.TMP\0", 20);
  EXPECT_EQ(ReadBytes(job.jobInfoPath), want);
  struct stat st;
  ASSERT_EQ(::stat(job.jobInfoPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  CCutJob back;
  ASSERT_EQ(ReadCutJobHeader(back, job.jobInfoPath.c_str()), 1);
  EXPECT_EQ(back.name, "Sign");
  EXPECT_EQ(back.dataPath, "/t/OSD00A1.TMP");
  EXPECT_STREQ(back.header.portName, "COM1");
  EXPECT_EQ(back.header.OutMethod, 2);
  EXPECT_EQ(back.header.nameOffset, 65u);
  EXPECT_EQ(back.header.dataPathOffset, 70u);
}

TEST_F(CutJobFileTest, NamesAreCutOnACharacterBoundaryAndLongPathsRefused) {
  CCutJob job;
  job.name = std::string(119, 'n');
  job.dataPath = std::string(149, 'p');
  ASSERT_EQ(WriteCutJobFile(job), 1);
  CCutJob back;
  ASSERT_EQ(ReadCutJobHeader(back, job.jobInfoPath.c_str()), 1);
  EXPECT_EQ(back.name, job.name);
  EXPECT_EQ(back.dataPath, job.dataPath);

  // 118 single bytes and a two-byte character: the character does not fit.
  job.name = std::string(118, 'n') + "\xB1\xEA" + "tail";
  ASSERT_EQ(WriteCutJobFile(job), 1);
  ASSERT_EQ(ReadCutJobHeader(back, job.jobInfoPath.c_str()), 1);
  EXPECT_EQ(back.name, std::string(118, 'n'));

  job.dataPath = std::string(150, 'p');
  std::size_t before = plat::ListFolderNoCase(Temp(), "OSI*.TMP").size();
  EXPECT_EQ(WriteCutJobFile(job), 0);
  EXPECT_TRUE(job.jobInfoPath.empty());
  EXPECT_EQ(plat::ListFolderNoCase(Temp(), "OSI*.TMP").size(), before);
}

TEST_F(CutJobFileTest, ReaderCases) {
  auto header = [](float version, std::uint32_t nameAt, std::uint32_t pathAt) {
    std::string h(65, '\0');
    std::memcpy(h.data(), "ODSINFO", 7);
    plat::PutF32(reinterpret_cast<std::uint8_t*>(h.data()) + 16, version);
    plat::PutU32(reinterpret_cast<std::uint8_t*>(h.data()) + 37, nameAt);
    plat::PutU32(reinterpret_cast<std::uint8_t*>(h.data()) + 45, pathAt);
    std::memcpy(h.data() + 27, "LPT1XXXXXX", 10);  // no terminator
    return h;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int result;
    std::string name, path;
  };
  std::string wrongMagic = header(6, 65, 67) + "a\0b\0";
  wrongMagic[7] = 'X';
  const std::vector<Case> cases = {
      {"6.0", header(6.0f, 65, 67) + std::string("a\0b\0", 4), 1, "a", "b"},
      {"5.9 refused", header(5.9f, 65, 67) + std::string("a\0b\0", 4), 0, "", ""},
      {"6.5 accepted", header(6.5f, 65, 67) + std::string("a\0b\0", 4), 1, "a", "b"},
      {"NaN refused", header(std::nanf(""), 65, 67) + std::string("a\0b\0", 4), 0, "", ""},
      {"other magic", wrongMagic, 0, "", ""},
      {"short header", header(6, 65, 67).substr(0, 64), 0, "", ""},
      {"blocks elsewhere", header(6, 80, 70) + std::string(5, 'x') + std::string("path\0", 5) + std::string(5, 'y') + "name" +
                               std::string(1, '\0'), 1, "name", "path"},
      {"offsets past the end", header(6, 0xFFFFFFF0u, 1000), 1, "", ""},
      {"no terminators", header(6, 65, 65) + std::string(400, 'z'), 1, std::string(119, 'z'), std::string(149, 'z')},
  };
  for (const Case& c : cases) {
    std::string path = tmp / "job.tmp";
    WriteBytes(path, c.bytes);
    CCutJob job;
    EXPECT_EQ(ReadCutJobHeader(job, path.c_str()), c.result) << c.what;
    if (c.result) {
      EXPECT_EQ(job.name, c.name) << c.what;
      EXPECT_EQ(job.dataPath, c.path) << c.what;
      EXPECT_STREQ(job.header.portName, "LPT1XXXXX") << c.what;
    }
  }
  CCutJob job;
  EXPECT_EQ(ReadCutJobHeader(job, (tmp / "missing").c_str()), 0);
  EXPECT_EQ(ReadCutJobHeader(job, tmp.path().c_str()), 0);
  std::string fifo = tmp / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadCutJobHeader(job, fifo.c_str()), 0);  // no hang
}

// The hand-off against a stand-in manager started as "Kelvo".
struct HandOffTest : ::testing::Test, HandOffEnv {
  std::string bin;
  void SetUp() override {
    BeginHandOff();
    bin = tmp / "bin/";
    ASSERT_NO_FATAL_FAILURE(StandIn("take"));
  }
  void TearDown() override { EndHandOff(); }
  std::string Temp() { return plat::GetTempFolder(); }
  CCutJob MakeJob(const std::string& name) {
    CCutJob job;
    job.header.SetPortName("COM2");
    job.name = name;
    job.dataPath = MakeCutJobDataFile();
    WriteBytes(job.dataPath, "IN;PU0,0;");
    return job;
  }
  std::vector<std::string> Log() {
    std::vector<std::string> out;
    std::istringstream log(ReadBytes(tmp / "log"));
    for (std::string line; std::getline(log, line);)
      if (line.rfind("pid ", 0) != 0) out.push_back(line);
    return out;
  }
  int Starts() {
    int n = 0;
    std::istringstream log(ReadBytes(tmp / "log"));
    for (std::string line; std::getline(log, line);) n += line.rfind("pid ", 0) == 0;
    return n;
  }
};

TEST_F(HandOffTest, AJobGoesToTheManagerStartedOnce) {
  CCutJob a = MakeJob("First");
  ASSERT_EQ(SendJobToCutManager(a), 1);
  EXPECT_NE(a.managerWindow, 0u);
  CCutJob b = MakeJob("Second");
  ASSERT_EQ(SendJobToCutManager(b), 1);
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"begin", "add 1 COM2 First " + a.dataPath, "end", "begin",
                                             "add 1 COM2 Second " + b.dataPath, "end"}));
  EXPECT_TRUE(sink.boxes.empty());
  // The files now belong to the manager; the atom is gone.
  EXPECT_TRUE(Exists(a.jobInfoPath) && Exists(a.dataPath));
  EXPECT_EQ(plat::GlobalFindAtom(a.jobInfoPath), 0);
}

TEST_F(HandOffTest, AStaleAtomOfTheSameNameDoesNotMakeTheJobLookRefused) {
  ::setenv("STANDIN_MODE", "stale", 1);
  CCutJob job = MakeJob("Stale");
  EXPECT_EQ(SendJobToCutManager(job), 1);
  EXPECT_TRUE(sink.boxes.empty());
  EXPECT_TRUE(Exists(job.jobInfoPath));
}

TEST_F(HandOffTest, FailureRows) {
  struct Case {
    const char* what;
    const char* mode;
    bool program;
    int result;
    std::string text, caption;
  };
  const std::vector<Case> cases = {
      {"not taken", "ignore", true, 0, "数据发送失败", "错误!"},
      {"dies while taking", "die", true, 0, "数据发送失败", "错误!"},
      {"started, no window", "notitle", true, 0, "", ""},
      {"cannot start", "take", false, 0, "运行 " + bin + "Kelvo.EXE 错误", "错误"},
  };
  for (const Case& c : cases) {
    ::setenv("STANDIN_MODE", c.mode, 1);
    if (!c.program) ::unlink((bin + "Kelvo").c_str());
    sink.clear();
    CCutJob job = MakeJob(c.what);
    EXPECT_EQ(SendJobToCutManager(job), c.result) << c.what;
    if (c.text.empty()) {
      EXPECT_TRUE(sink.boxes.empty()) << c.what;
    } else {
      ASSERT_EQ(sink.boxes.size(), 1u) << c.what;
      EXPECT_EQ(sink.boxes[0].text, c.text) << c.what;
      EXPECT_EQ(sink.boxes[0].caption, c.caption) << c.what;
      EXPECT_EQ(sink.boxes[0].style, plat::MB_OK) << c.what;
    }
    EXPECT_FALSE(Exists(job.jobInfoPath)) << c.what;
    EXPECT_FALSE(Exists(job.dataPath)) << c.what;
    EXPECT_EQ(plat::GlobalFindAtom(job.jobInfoPath), 0) << c.what;
    // Each case starts its own manager: end the last one.
    std::istringstream log(ReadBytes(tmp / "log"));
    for (std::string line; std::getline(log, line);)
      if (line.rfind("pid ", 0) == 0) ::kill(std::stoi(line.substr(4)), SIGKILL);
    for (int i = 0; i < 200 && fw::FindWindow(nullptr, kCutManagerTitle); ++i) ::usleep(10000);
  }
}

TEST_F(HandOffTest, PathsTooLongForTheFileAreRefused) {
  CCutJob job = MakeJob("Long");
  std::string longPath = tmp.path() + std::string(150 - tmp.path().size(), 'd');
  ASSERT_EQ(::rename(job.dataPath.c_str(), longPath.c_str()), 0);
  job.dataPath = longPath;
  EXPECT_EQ(SendJobToCutManager(job), 0);
  EXPECT_FALSE(Exists(longPath));
  EXPECT_EQ(Starts(), 0);
  EXPECT_TRUE(plat::ListFolderNoCase(Temp(), "OSI*.TMP").empty());
}

}  // namespace

namespace {

// The real manager, shown offscreen, sends a handed-over job to a pty mapped as COM1.
TEST_F(CutJobFileTest, EndToEndTheManagerSendsAHandedOverJobToItsPort) {
  const std::string bin = TINDREL_BIN_DIR "/";
  if (!Exists(bin + "Kelvo")) GTEST_SKIP() << "the manager is built with the presentation only";
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  ::setenv("TINDREL_PORT_DEVICES", (std::string("COM1=") + ::ptsname(master)).c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string oldAsan = asan ? asan : "";
  // The toolkit's own allocations at exit are not the manager's to free.
  ::setenv("ASAN_OPTIONS", (oldAsan.empty() ? "" : oldAsan + ":") .append("detect_leaks=0").c_str(), 1);
  SetCutManagerFolder(bin);
  plat::RecordingSink sink;
  plat::ReportSink* old = plat::SetReportSink(&sink);

  std::string data;
  for (int i = 0; i < 400; ++i) data += "PD" + std::to_string(i) + "," + std::to_string(2 * i) + ";";
  CCutJob job;
  job.header.SetPortName("COM1");
  job.header.OutMethod = 2;
  job.name = "\xB1\xEA\xC5\xC6";  // GBK
  job.dataPath = MakeCutJobDataFile();
  WriteBytes(job.dataPath, data);
  EXPECT_EQ(SendJobToCutManager(job), 1);
  EXPECT_TRUE(sink.boxes.empty());

  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (got.size() < data.size() && std::chrono::steady_clock::now() < end) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buf[4096];
    ssize_t n = ::read(master, buf, sizeof buf);
    if (n > 0) got.append(buf, std::size_t(n));
  }
  EXPECT_EQ(got, data);

  // The manager closes when asked, once its copy is done.
  for (int i = 0; i < 300 && fw::IsWindow(job.managerWindow); ++i) {
    fw::SendMessage(job.managerWindow, fw::WM_CLOSE, 0, 0);
    ::usleep(20000);
  }
  EXPECT_FALSE(fw::IsWindow(job.managerWindow));
  plat::SetReportSink(old);
  SetCutManagerFolder("");
  ::unsetenv("TINDREL_PORT_DEVICES");
  ::unsetenv("QT_QPA_PLATFORM");
  if (oldAsan.empty()) ::unsetenv("ASAN_OPTIONS");
  else ::setenv("ASAN_OPTIONS", oldAsan.c_str(), 1);
  ::close(master);
}

}  // namespace
