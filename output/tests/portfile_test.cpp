#include "output/portfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <asm/termbits.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include "framework/dialog.h"
#include "framework/wnd.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/tests/cutter_fixture.h"
#include "output/tests/helpers.h"

namespace {

// Sets the stop flag after it has handled `count` of its own reposted messages.
class StopWnd : public fw::CWnd {
 public:
  std::uint32_t* flag = nullptr;
  int left = 0;
  int handled = 0;
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override {
    if (msg == fw::WM_USER + 7) {
      ++handled;
      if (--left > 0)
        PostMessage(fw::WM_USER + 7);
      else if (flag)
        *flag = 1;
      return 0;
    }
    return fw::CWnd::WindowProc(msg, wp, lp);
  }
};

// Reads the port's file when its message arrives.
class ReaderWnd : public fw::CWnd {
 public:
  std::string path;
  std::vector<std::string> seen;
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override {
    if (msg == fw::WM_USER + 9) {
      seen.push_back(ReadBytes(path));
      return 0;
    }
    return fw::CWnd::WindowProc(msg, wp, lp);
  }
};

class PortFileTest : public ::testing::Test {
 protected:
  void SetUp() override { port.SetSettingsPath(dir / "Port.INI"); }
  void TearDown() override { fw::ResetWindowSystem(); }
  // Fills the line: nobody reads the master.
  static void Fill(const Pty& pty) {
    int fd = ::open(pty.slave.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'f');
    // The line discipline frees room a moment later: fill until it stays full.
    for (;;) {
      while (::write(fd, block.data(), block.size()) > 0) {
      }
      while (::write(fd, "f", 1) > 0) {
      }
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, 50) == 0) break;
    }
    ::close(fd);
  }
  TempFolder dir;
  CPortFile port;
  std::uint32_t stop = 7;
};

}  // namespace

TEST(PortCodeTest, Names) {
  struct Case {
    const char* name;
    int code;
  } cases[] = {{"FILE", 0},  {"file", 0},   {"COM1", 1},   {"COM8", 8},   {"LPT1", 16},
               {"LPT8", 23}, {"COM9", -1},  {"COM0", -1},  {"LPT10", -1}, {"com1", -1},
               {"File", 0},  {"LPT0", -1},  {"OSD1.TMP", -1}, {"", -1}};
  for (const Case& c : cases) EXPECT_EQ(GetPortCode(c.name), c.code) << c.name;
  CPortFile p;
  p.SetPortName("LPT3");
  EXPECT_EQ(p.GetPortCode(), 18);
  p.SetPortName(std::string(300, 'x').c_str());
  EXPECT_EQ(p.GetPortName().size(), CPortFile::kMaxName);
}

TEST_F(PortFileTest, SettingsLoadSaveAndCopy) {
  WriteBytes(dir / "Port.INI",
             "[PortInfo]\nTranSpeed=115200\nOECheck=2\nDataWidth=7\nStopBits=2\nRTSCTS=0\n"
             "DTRDSR=1\nXONXOFF=1\nFilePath=/tmp/cuts/\n");
  port.SetPortName("COM1");
  EXPECT_EQ(port.TranSpeed, 115200u);
  EXPECT_EQ(port.OECheck, 2);
  EXPECT_EQ(port.DataWidth, 7);
  EXPECT_EQ(port.StopBits, 2);
  EXPECT_EQ(port.RTSCTS, 0u);
  EXPECT_EQ(port.DTRDSR, 1u);
  EXPECT_EQ(port.XONXOFF, 1u);
  EXPECT_EQ(port.FilePath, "/tmp/cuts/");
  CPortFile other;
  other.SetSettingsPath(dir / "Other.INI");
  other.SetPortName("COM2");
  EXPECT_EQ(other.TranSpeed, 9600u);  // defaults
  EXPECT_EQ(other.DataWidth, 8);
  EXPECT_EQ(other.RTSCTS, 1u);
  other.CopySettings(port);
  EXPECT_EQ(other.TranSpeed, 115200u);
  EXPECT_EQ(other.XONXOFF, 1u);
  EXPECT_EQ(other.FilePath, "");  // not a line setting
  ASSERT_TRUE(other.SavePortInfo());
  other.TranSpeed = 1;
  other.LoadPortInfo();
  EXPECT_EQ(other.TranSpeed, 115200u);
}

TEST_F(PortFileTest, OpenClearsAndCloseSetsTheStopFlag) {
  port.SetPortName((dir / "out.plt").c_str());
  ASSERT_EQ(port.Open(3, nullptr, &stop), 1);
  EXPECT_EQ(stop, 0u);
  EXPECT_EQ(port.GetOutMethod(), 1);  // a file name: one byte per write
  EXPECT_EQ(port.WriteData("ab\0cd"), 1);  // up to the zero byte
  EXPECT_EQ(port.WriteData(""), 1);
  stop = 1;  // the caller's stop button
  EXPECT_EQ(port.WriteData("XY"), 0);
  stop = 0;
  port.Close();
  EXPECT_EQ(stop, 1u);
  EXPECT_EQ(port.WriteData("zz"), 0);  // closed
  EXPECT_EQ(ReadBytes(dir / "out.plt"), "ab");
  // Opening again replaces the file.
  std::uint32_t second = 9;
  ASSERT_EQ(port.Open(2, nullptr, &second), 1);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(port.WriteData("new"), 1);
  port.Close();
  EXPECT_EQ(stop, 1u);
  EXPECT_EQ(second, 1u);
  EXPECT_EQ(ReadBytes(dir / "out.plt"), "new");
}

// Text of a given size goes whole, a zero byte among it, for a file and for
// a line; stopped or closed, nothing goes.
TEST_F(PortFileTest, SizedTextGoesWhole) {
  const std::string_view bytes("ab\0cd", 5);
  port.SetPortName((dir / "sized.plt").c_str());
  ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
  EXPECT_EQ(port.WriteData(bytes), 1);
  EXPECT_EQ(port.WriteData(std::string_view()), 1);
  stop = 1;
  EXPECT_EQ(port.WriteData(bytes), 0);
  stop = 0;
  port.Close();
  EXPECT_EQ(port.WriteData(bytes), 0);
  EXPECT_EQ(ReadBytes(dir / "sized.plt"), std::string(bytes));

  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM3=" + pty.slave);
  port.SetPortName("COM3");
  ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
  EXPECT_EQ(port.WriteData(bytes), 1);
  std::string got;
  for (int i = 0; i < 100 && got.size() < bytes.size(); ++i) got += pty.Drain(20);
  port.Close();
  EXPECT_EQ(got, std::string(bytes));
}

TEST_F(PortFileTest, UnknownNamesAreFiles) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  for (const char* name : {"COM9", "COM0", "LPT10", "com1"}) {
    CPortFile p;
    p.SetSettingsPath(dir / "Port.INI");
    p.SetPortName(name);
    std::uint32_t s = 0;
    ASSERT_EQ(p.Open(2, nullptr, &s), 1) << name;
    EXPECT_EQ(p.GetOutMethod(), 1);
    EXPECT_EQ(p.WriteData(name), 1);
    p.Close();
    EXPECT_EQ(ReadBytes(dir / name), name);
  }
  std::filesystem::current_path(cwd);
}

TEST_F(PortFileTest, FileDialogChoosesOrCancels) {
  const std::string ini = "[PortInfo]\r\nFilePath=/old/folder/\r\nTranSpeed=4800\r\n";
  WriteBytes(dir / "Port.INI", ini);
  port.SetPortName("FILE");
  {
    fw::ScriptedModalDriver driver;  // no step: the dialog is cancelled
    EXPECT_EQ(port.Open(2, nullptr, &stop), 0);
    EXPECT_TRUE(port.WasCancelled());
    ASSERT_EQ(driver.Runs().size(), 1u);
  }
  EXPECT_EQ(ReadBytes(dir / "Port.INI"), ini);
  EXPECT_EQ(port.FilePath, "/old/folder/");
  {
    fw::ScriptedModalDriver driver;
    std::string seenDir;
    driver.Then([&](fw::CDialog& d) {
      auto& f = dynamic_cast<fw::CFileDialog&>(d);
      seenDir = f.m_initialDir;
      EXPECT_EQ(f.GetDefExt(), "PLT");
      f.Choose(dir / "cut");
    });
    ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
    EXPECT_EQ(seenDir, "/old/folder/");
    EXPECT_FALSE(port.WasCancelled());
    EXPECT_EQ(port.GetOutMethod(), 1);
    EXPECT_EQ(port.WriteData("PU0,0;"), 1);
    port.Close();
  }
  EXPECT_EQ(ReadBytes(dir / "cut.PLT"), "PU0,0;");
  EXPECT_EQ(port.FilePath, dir.path());
  CPortFile again;
  again.SetSettingsPath(dir / "Port.INI");
  again.SetPortName("FILE");
  EXPECT_EQ(again.FilePath, dir.path());
  EXPECT_EQ(again.TranSpeed, 4800u);
}

TEST_F(PortFileTest, APtyMappedAsCom1ReceivesACutStreamAt115200) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  WriteBytes(dir / "Cutters.INI", ReadBytes(DataPath("Cutters.INI")));
  CIniFile ini(dir / "Cutters.INI");
  WriteBytes(dir / "Port.INI", "[PortInfo]\nTranSpeed=115200\nRTSCTS=1\nStopBits=2\n");
  CCutInfo info;
  info.Load(ini);
  auto job = [&](CCutterDriver& dev) {
    ASSERT_TRUE(dev.BeginJob(nullptr, info));
    for (int i = 0; i < 200; ++i) Square(float(i * 10), 0, 400)->PlotToCutter(dev);
    dev.EndJob(info, 500);
  };

  // The job into a file: the stream the device must receive.
  CCutterDriver fileDev("HPGL Cutter", ini);
  fileDev.port.SetSettingsPath(dir / "Port.INI");
  fileDev.port.SetPortName((dir / "same.plt").c_str());
  fileDev.hardOffset = 1;
  job(fileDev);
  fileDev.ClosePort();
  const std::string want = ReadBytes(dir / "same.plt");
  ASSERT_GT(want.size(), 5000u);

  CCutterDriver dev("HPGL Cutter", ini);
  dev.port.SetSettingsPath(dir / "Port.INI");
  dev.port.SetPortName("COM1");
  dev.hardOffset = 1;
  std::string got;
  std::thread reader([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (got.size() < want.size() && std::chrono::steady_clock::now() < deadline) got += pty.Drain(20);
  });
  job(dev);
  // The line as the device holds it.
  int probe = ::open(pty.slave.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(probe, 0);
  termios2 t{};
  ASSERT_EQ(ioctl(probe, TCGETS2, &t), 0);
  close(probe);
  EXPECT_EQ(t.c_ospeed, 115200u);
  EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(B115200));
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  dev.ClosePort();
  reader.join();
  EXPECT_EQ(got, want);
}

TEST_F(PortFileTest, AClosedLineEndsTheWrite) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM2=" + pty.slave);
  port.SetPortName("COM2");
  for (int method : {1, 2, 3}) {
    Pty line;
    PortDevices m("COM2=" + line.slave);
    ASSERT_EQ(port.Open(method, nullptr, &stop), 1);
    EXPECT_EQ(port.WriteData("hello"), 1);
    EXPECT_EQ(line.Drain(), "hello");
    line.CloseMaster();  // the device is gone: I/O error, not an endless retry
    EXPECT_EQ(port.WriteData(std::string(100000, 'x').c_str()), 0) << method;
    port.Close();
  }
}

TEST_F(PortFileTest, AFullDiskEndsTheWrite) {
  for (int method : {1, 2, 3}) {
    port.SetPortName("/dev/full");
    ASSERT_EQ(port.Open(method, nullptr, &stop), 1);
    EXPECT_EQ(port.WriteData("no room"), 0) << method;
    port.Close();
  }
}

TEST_F(PortFileTest, ALineThatTakesNothingExhaustsTheRetryLimit) {
  Pty pty;
  PortDevices map("COM4=" + pty.slave);
  port.SetPortName("COM4");
  ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
  Fill(pty);
  port.RetryLimit = 3;
  EXPECT_EQ(port.WriteData("more"), 0);
  port.Close();

  port.SetPortName("COM4");
  ASSERT_EQ(port.Open(1, nullptr, &stop), 1);
  Fill(pty);
  port.RetryLimit = 2;
  EXPECT_EQ(port.WriteData("m"), 0);
  // The line drains: the same write goes through.
  pty.Drain(10);
  port.RetryLimit = 50;
  EXPECT_EQ(port.WriteData("ok"), 1);
  port.Close();
}

TEST_F(PortFileTest, WaitingWritesPumpMessagesAndHearTheStopFlag) {
  Pty pty;
  PortDevices map("COM5=" + pty.slave);
  StopWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, "", "stop", 0, fw::RECT{0, 0, 10, 10}, nullptr, 0));
  for (int method : {1, 2, 3}) {
    port.SetPortName("COM5");
    ASSERT_EQ(port.Open(method, &wnd, &stop), 1);
    Fill(pty);
    wnd.flag = &stop;
    wnd.left = 4;
    wnd.handled = 0;
    wnd.PostMessage(fw::WM_USER + 7);
    // Without limit the write waits for the line, dispatching messages, until
    // the window's handler sets the stop flag.
    EXPECT_EQ(port.WriteData(std::string(10000, 'w').c_str()), 0) << method;
    EXPECT_EQ(wnd.handled, 4) << method;
    port.Close();
    pty.Drain(10);
  }
}

TEST_F(PortFileTest, OpenComPortAloneWritesInBlocks) {
  port.SetPortName((dir / "engrave.txt").c_str());
  std::uint32_t flag = 0;
  port.SetStopFlag(&flag);
  ASSERT_TRUE(port.OpenComPort());
  EXPECT_EQ(port.GetOutMethod(), 2);
  EXPECT_EQ(port.WriteData("G0X1;"), 1);
  port.Close();
  EXPECT_EQ(flag, 1u);
  EXPECT_EQ(ReadBytes(dir / "engrave.txt"), "G0X1;");
  // Method 0 has no direct access here: it writes like method 2.
  port.SetPortName("COM6");
  Pty pty;
  PortDevices map("COM6=" + pty.slave);
  ASSERT_EQ(port.Open(0, nullptr, &stop), 1);
  EXPECT_EQ(port.WriteData("direct"), 1);
  EXPECT_EQ(pty.Drain(), "direct");
  port.Close();
}

TEST_F(PortFileTest, EveryMethodDeliversTheSameBytesToFilesAndLines) {
  // Short commands, one longer than a pty takes at once, and a tail after it.
  std::vector<std::string> parts;
  for (int i = 0; i < 300; ++i) parts.push_back("PD" + std::to_string(i * 7) + "," + std::to_string(i) + ";");
  std::string big;
  for (int i = 0; i < 70000; ++i) big += char('A' + i % 26);
  parts.push_back(big);
  parts.push_back("PU0,0;");
  std::string want;
  for (const auto& p : parts) want += p;

  for (int method : {0, 1, 2, 3}) {
    port.SetPortName((dir / "blocks.plt").c_str());
    ASSERT_EQ(port.Open(method, nullptr, &stop), 1);
    for (const auto& p : parts) ASSERT_EQ(port.WriteData(p.c_str()), 1) << method;
    port.Close();
    EXPECT_EQ(ReadBytes(dir / "blocks.plt"), want) << method;

    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    PortDevices map("COM3=" + pty.slave);
    port.SetPortName("COM3");
    ASSERT_EQ(port.Open(method, nullptr, &stop), 1);
    std::string got;
    std::thread reader([&] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (got.size() < want.size() && std::chrono::steady_clock::now() < deadline) got += pty.Drain(20);
    });
    for (const auto& p : parts) EXPECT_EQ(port.WriteData(p.c_str()), 1) << method;
    reader.join();
    port.Close();
    EXPECT_EQ(got, want) << method;
  }
}

// A file port gathers its writes: whoever looks at the file, a message handler
// the write loop runs, a caller after Flush, or after Close or a new Open,
// finds every byte taken so far, in order.
TEST_F(PortFileTest, AFileReaderMidJobSeesEveryByteTaken) {
  ReaderWnd reader;
  reader.path = dir / "mid.plt";
  ASSERT_TRUE(reader.CreateEx(0, "", "reader", 0, fw::RECT{0, 0, 10, 10}, nullptr, 0));
  port.SetPortName(reader.path.c_str());
  ASSERT_EQ(port.Open(1, &reader, &stop), 1);
  std::string want;
  std::vector<std::string> wantSeen;
  for (int i = 0; i < 20000; ++i) {
    if (i == 3 || i == 7000) {
      reader.PostMessage(fw::WM_USER + 9);
      wantSeen.push_back(want);
    }
    const std::string cmd = "PD" + std::to_string(i) + "," + std::to_string(i * 3) + ";";
    ASSERT_EQ(port.WriteData(cmd.c_str()), 1) << i;
    want += cmd;
  }
  ASSERT_GT(want.size(), 3u * 64 * 1024);  // several blocks
  EXPECT_EQ(reader.seen, wantSeen);
  EXPECT_TRUE(port.Flush());
  EXPECT_EQ(port.Pending(), 0u);
  EXPECT_EQ(ReadBytes(reader.path), want);
  EXPECT_EQ(port.WriteData("PU;"), 1);
  port.Close();
  EXPECT_EQ(ReadBytes(reader.path), want + "PU;");

  // Opening again writes out what the port took for the first file.
  port.SetPortName((dir / "first.plt").c_str());
  ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
  EXPECT_EQ(port.WriteData("IN;PA;"), 1);
  port.SetPortName((dir / "second.plt").c_str());
  ASSERT_EQ(port.Open(2, nullptr, &stop), 1);
  EXPECT_EQ(ReadBytes(dir / "first.plt"), "IN;PA;");
  port.Close();
  EXPECT_EQ(ReadBytes(dir / "second.plt"), "");
}

// A file that cannot grow fails a write and every later one, and the flush;
// what it holds is the start of what was written.
TEST_F(PortFileTest, AFileThatCannotGrowFailsTheWrite) {
  constexpr rlim_t kLimit = 100000;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  if (old.rlim_max != RLIM_INFINITY && old.rlim_max < kLimit) GTEST_SKIP() << "file size limit below the test's";
  port.SetPortName((dir / "limit.plt").c_str());
  ASSERT_EQ(port.Open(1, nullptr, &stop), 1);
  auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim{kLimit, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  std::string want;
  int failedAt = -1;
  for (int i = 0; i < 1000 && failedAt < 0; ++i) {
    const std::string cmd = "PD" + std::string(997, char('a' + i % 26)) + ";";
    if (port.WriteData(cmd.c_str()) == 0)
      failedAt = i;
    else
      want += cmd;
  }
  const bool flushed = port.Flush();
  const int later = port.WriteData("PU;");
  port.Close();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_GE(failedAt, int(kLimit / 1000));
  EXPECT_FALSE(flushed);
  EXPECT_EQ(later, 0);
  const std::string got = ReadBytes(dir / "limit.plt");
  EXPECT_EQ(got.size(), kLimit);
  EXPECT_EQ(want.compare(0, got.size(), got), 0);
}
