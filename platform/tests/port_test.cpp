#include "platform/port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {

// A pseudo-terminal pair: the master end and the slave's path.
struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~Pty() {
    if (master >= 0) close(master);
  }
};

class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvVar() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(PortTest, PortCodes) {
  struct Case {
    const char* name;
    int code;
  } cases[] = {
      {"FILE", 0},  {"file", 0},   {"File", 0},  {"COM1", 1},  {"COM8", 8},  {"LPT1", 16},
      {"LPT8", 23}, {"COM9", -1},  {"COM0", -1}, {"LPT10", -1}, {"com1", -1}, {"lpt2", -1},
      {"Com1", -1}, {"COM", -1},   {"", -1},     {"XYZ1", -1},  {"COM1 ", -1}, {"FILES", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(GetPortCode(c.name), c.code) << c.name;
  EXPECT_EQ(GetPortCode(nullptr), -1);
}

TEST(PortTest, DevicePathsFromEnvironmentIniAndDefaults) {
  TempDir dir;
  const std::string ini = dir / "Port.INI";
  WriteFileBytes(ini, "[Devices]\r\ncom2=/dev/ttyUSB0\r\nLPT1 = /dev/usb/lp0 \r\nCOM3=\r\n");
  {
    EnvVar env("TINDREL_PORT_DEVICES", nullptr);
    EXPECT_EQ(MapPortDevice(1, ini), "/dev/ttyS0");
    EXPECT_EQ(MapPortDevice(2, ini), "/dev/ttyUSB0");  // keys match without case
    EXPECT_EQ(MapPortDevice(3, ini), "/dev/ttyS2");    // empty value: the default
    EXPECT_EQ(MapPortDevice(8, ""), "/dev/ttyS7");
    EXPECT_EQ(MapPortDevice(16, ini), "/dev/usb/lp0");
    EXPECT_EQ(MapPortDevice(17, dir / "missing.ini"), "/dev/lp1");
    EXPECT_EQ(MapPortDevice(0, ini), "");
    EXPECT_EQ(MapPortDevice(-1, ini), "");
    EXPECT_EQ(MapPortDevice(9, ini), "");
  }
  {
    EnvVar env("TINDREL_PORT_DEVICES", "junk;COM2 = /dev/pts/7;;=x;lpt2=/dev/usb/lp3;COM4=");
    EXPECT_EQ(MapPortDevice(2, ini), "/dev/pts/7");  // the environment wins
    EXPECT_EQ(MapPortDevice(17, ini), "/dev/usb/lp3");
    EXPECT_EQ(MapPortDevice(4, ini), "/dev/ttyS3");
    EXPECT_EQ(MapPortDevice(16, ini), "/dev/usb/lp0");
  }
}

TEST(PortTest, Termios2FromSettings) {
  termios2 base{};
  base.c_iflag = ICRNL | IXANY | BRKINT;
  base.c_oflag = OPOST | ONLCR;
  base.c_lflag = ECHO | ICANON | ISIG;
  base.c_cflag = B9600 | CS7 | PARENB | HUPCL;

  // Data widths; anything outside 5..8 is refused.
  const std::pair<int, tcflag_t> widths[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
  for (auto [bits, cs] : widths) {
    SerialSettings s;
    s.dataBits = std::uint16_t(bits);
    termios2 t{};
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_EQ(t.c_cflag & CSIZE, cs);
  }
  for (int bits : {0, 4, 9, 16}) {
    SerialSettings s;
    s.dataBits = std::uint16_t(bits);
    termios2 t{};
    t.c_cflag = 12345;
    EXPECT_FALSE(MakeTermios2(s, base, t));
    EXPECT_EQ(t.c_cflag, 12345u);
  }

  // Parity.
  struct ParityCase {
    int parity;
    tcflag_t flags;
  } parities[] = {{0, 0},
                  {1, PARENB | PARODD},
                  {2, PARENB},
                  {3, PARENB | PARODD | CMSPAR},
                  {4, PARENB | CMSPAR},
                  {5, 0},
                  {65535, 0}};
  for (const ParityCase& c : parities) {
    SerialSettings s;
    s.parity = std::uint16_t(c.parity);
    termios2 t{};
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << c.parity;
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.flags != 0);
  }

  // Stop bits: 1.5 is sent as two; an unknown value keeps the device's setting.
  for (tcflag_t had : {tcflag_t(0), tcflag_t(CSTOPB)}) {
    termios2 dev = base;
    dev.c_cflag |= had;
    const std::pair<int, tcflag_t> stops[] = {{0, 0}, {1, CSTOPB}, {2, CSTOPB}, {3, had}};
    for (auto [stop, want] : stops) {
      SerialSettings s;
      s.stopBits = std::uint16_t(stop);
      termios2 t{};
      ASSERT_TRUE(MakeTermios2(s, dev, t));
      EXPECT_EQ(t.c_cflag & CSTOPB, want) << stop;
    }
  }

  // Flow control; only bit 0 counts; DTR/DSR has no counterpart.
  {
    SerialSettings s;
    s.rtsCts = 1;
    s.xonXoff = 3;
    s.dtrDsr = 1;
    termios2 t{};
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    s.rtsCts = 2;
    s.xonXoff = 0;
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
  }

  // Raw line: no output processing, no echo or canonical input, receiver on.
  {
    SerialSettings s;
    termios2 t{};
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | BRKINT), 0u);
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_cflag & HUPCL);  // kept
  }

  // Speeds: B-constants where there is one, BOTHER for the rest.
  struct SpeedCase {
    std::uint32_t bps;
    tcflag_t code;
  } speeds[] = {{9600, B9600},     {115200, B115200}, {300, B300},       {57600, B57600},
                {128000, BOTHER},  {256000, BOTHER},  {56000, BOTHER},   {14400, BOTHER},
                {230400, B230400}, {110, B110},       {4000000, B4000000}};
  for (const SpeedCase& c : speeds) {
    SerialSettings s;
    s.speed = c.bps;
    termios2 t{};
    ASSERT_TRUE(MakeTermios2(s, base, t));
    EXPECT_EQ(t.c_cflag & CBAUD, c.code) << c.bps;
    EXPECT_EQ((t.c_cflag >> IBSHIFT) & CBAUD, c.code) << c.bps;
    EXPECT_EQ(t.c_ospeed, c.bps);
    EXPECT_EQ(t.c_ispeed, c.bps);
  }
  SerialSettings zero;
  zero.speed = 0;
  termios2 t{};
  EXPECT_FALSE(MakeTermios2(zero, base, t));
}

TEST(PortTest, PseudoTerminalTakesTheLine) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  int fd = OpenPortPath(pty.slave, false, true);
  ASSERT_GE(fd, 0);
  SerialSettings s;
  s.speed = 256000;
  s.stopBits = 2;
  s.rtsCts = 1;
  s.dataBits = 7;
  s.parity = 2;
  EXPECT_TRUE(ApplySerialSettings(fd, s));
  termios2 t{};
  ASSERT_EQ(ioctl(fd, TCGETS2, &t), 0);
  EXPECT_EQ(t.c_ospeed, 256000u);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  // Not shared: the line is in exclusive mode (root may still open it).
  int excl = 0;
  ASSERT_EQ(ioctl(fd, TIOCGEXCL, &excl), 0);
  EXPECT_NE(excl, 0);

  const std::string text = "PU0,0;PD100,0;";
  EXPECT_EQ(WritePort(fd, text.data(), text.size(), 100), long(text.size()));
  char buf[64] = {};
  ssize_t n = read(pty.master, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? std::size_t(n) : 0), text);
  ClosePort(fd);

  // Not a terminal: nothing to set.
  TempDir dir;
  int file = OpenPortPath(dir / "out.plt", true, false);
  ASSERT_GE(file, 0);
  EXPECT_FALSE(ApplySerialSettings(file, s));
  ClosePort(file);
}

TEST(PortTest, WritesEndOnHardErrorsAndTimeOutOnAFullLine) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  int fd = OpenPortPath(pty.slave, false, false);
  ASSERT_GE(fd, 0);
  SerialSettings s;
  s.rtsCts = 0;
  ApplySerialSettings(fd, s);
  // Nobody reads the master: the line fills up and a write takes nothing. The kernel moves
  // data between the pty's buffers in the background, so the line is only full once a long
  // wait took nothing as well.
  std::vector<char> block(4096, 'x');
  long total = 0;
  for (int wait : {1, 200}) {
    for (int i = 0; i < 1000; ++i) {
      long n = WritePort(fd, block.data(), block.size(), wait);
      ASSERT_GE(n, 0);
      if (n == 0) break;
      total += n;
    }
  }
  EXPECT_GT(total, 0);
  EXPECT_EQ(WritePort(fd, block.data(), block.size(), 5), 0);
  // The far end goes away: an I/O error, at once.
  close(pty.master);
  pty.master = -1;
  errno = 0;
  EXPECT_EQ(WritePort(fd, block.data(), 1, 50), -1);
  EXPECT_EQ(errno, EIO);
  ClosePort(fd);
  EXPECT_EQ(WritePort(-1, "x", 1, 0), -1);
}

TEST(PortTest, ABrokenPipeIsAnErrorNotASignal) {
  TempDir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // No reader: the open fails at once instead of hanging.
  EXPECT_LT(OpenPortPath(fifo, true, false), 0);
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  int fd = OpenPortPath(fifo, true, false);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(WritePort(fd, "ab", 2, 10), 2);
  close(reader);
  errno = 0;
  EXPECT_EQ(WritePort(fd, "ab", 2, 10), -1);
  EXPECT_EQ(errno, EPIPE);
  ClosePort(fd);
  // A folder is no file.
  EXPECT_LT(OpenPortPath(dir.path(), true, false), 0);
  EXPECT_LT(OpenPortPath("", true, false), 0);
}
