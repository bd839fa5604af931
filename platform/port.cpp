#include "platform/port.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/ini.h"
#include "platform/paths.h"

namespace plat {

int GetPortCode(const char* name) {
  if (!name) return -1;
  std::string_view n(name);
  if (n.size() != 4) return -1;
  if (EqualNoCaseAscii(n, "FILE")) return 0;
  if (n[3] < '1' || n[3] > '8') return -1;
  int digit = n[3] - '0';
  // Only the capitals name ports.
  if (n.substr(0, 3) == "LPT") return digit + 15;
  if (n.substr(0, 3) == "COM") return digit;
  return -1;
}

namespace {

std::string PortName(int code) {
  if (code >= 1 && code <= 8) return "COM" + std::to_string(code);
  if (code >= 16 && code <= 23) return "LPT" + std::to_string(code - 15);
  return {};
}

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

// "COM1=/dev/pts/7;LPT2=/dev/usb/lp0": the path given for `name`, or "".
std::string FromEnvironment(const std::string& name) {
  const char* env = std::getenv("TINDREL_PORT_DEVICES");
  if (!env) return {};
  std::string_view rest(env);
  while (!rest.empty()) {
    std::size_t semi = rest.find(';');
    std::string_view item = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    if (EqualNoCaseAscii(Trim(item.substr(0, eq)), name)) {
      std::string path = Trim(item.substr(eq + 1));
      if (!path.empty()) return path;
    }
  }
  return {};
}

}  // namespace

std::string MapPortDevice(int portCode, const std::string& portIni) {
  const std::string name = PortName(portCode);
  if (name.empty()) return {};
  if (std::string p = FromEnvironment(name); !p.empty()) return p;
  if (!portIni.empty()) {
    char buf[1024] = {};
    GetPrivateProfileString("Devices", name.c_str(), "", buf, sizeof buf, ResolvePath(portIni));
    std::string p = Trim(buf);
    if (!p.empty()) return p;
  }
  if (portCode <= 8) return "/dev/ttyS" + std::to_string(portCode - 1);
  return "/dev/lp" + std::to_string(portCode - 16);
}

namespace {

struct Rate {
  std::uint32_t bps;
  tcflag_t code;
};
constexpr Rate kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

}  // namespace

bool MakeTermios2(const SerialSettings& s, const termios2& in, termios2& out) {
  if (s.dataBits < 5 || s.dataBits > 8 || s.speed == 0) return false;
  termios2 t = in;
  t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                         IXANY | INPCK | IGNPAR);
  t.c_oflag &= ~tcflag_t(OPOST);
  t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  tcflag_t keepStop = t.c_cflag & CSTOPB;
  t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD |
                         (CBAUD << IBSHIFT));
  t.c_cflag |= CREAD | CLOCAL;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[s.dataBits - 5];
  switch (s.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (t.c_cflag & PARENB) t.c_iflag |= INPCK;
  switch (s.stopBits) {
    case 0: break;
    case 1:
    case 2: t.c_cflag |= CSTOPB; break;
    default: t.c_cflag |= keepStop; break;
  }
  if (s.rtsCts & 1) t.c_cflag |= CRTSCTS;
  if (s.xonXoff & 1) t.c_iflag |= IXON | IXOFF;

  tcflag_t code = BOTHER;
  for (const Rate& r : kRates)
    if (r.bps == s.speed) code = r.code;
  t.c_cflag |= code | (code << IBSHIFT);
  t.c_ispeed = s.speed;
  t.c_ospeed = s.speed;
  out = t;
  return true;
}

int OpenPortPath(const std::string& path, bool create, bool exclusive) {
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
  if (create) flags |= O_CREAT | O_TRUNC;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return -1;
  if (exclusive && ::isatty(fd)) ::ioctl(fd, TIOCEXCL);
  return fd;
}

bool ApplySerialSettings(int fd, const SerialSettings& s) {
  termios2 cur{};
  if (fd < 0 || ::ioctl(fd, TCGETS2, &cur) != 0) return false;
  termios2 want{};
  if (!MakeTermios2(s, cur, want)) return false;
  bool ok = false;
  for (int attempt = 0; attempt < 10 && !ok; ++attempt) ok = ::ioctl(fd, TCSETS2, &want) == 0;
  int dtr = TIOCM_DTR;
  ::ioctl(fd, TIOCMBIS, &dtr);  // a pseudo-terminal has no modem lines
  return ok;
}

long WritePort(int fd, const void* data, std::size_t size, int waitMs) {
  if (fd < 0) {
    errno = EBADF;
    return -1;
  }
  if (size == 0) return 0;
  pollfd p{fd, POLLOUT, 0};
  int r = ::poll(&p, 1, waitMs < 0 ? 0 : waitMs);
  if (r < 0) return errno == EINTR ? 0 : -1;
  if (r == 0) return 0;
  if (p.revents & POLLNVAL) {
    errno = EBADF;
    return -1;
  }
  // On POLLERR or POLLHUP the write itself reports what went wrong.

  // A reader that went away must not end the program with SIGPIPE.
  sigset_t pipeSet, old, pending;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  sigpending(&pending);
  bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
  ssize_t n = ::write(fd, data, size);
  int err = errno;
  if (n < 0 && err == EPIPE && !wasPending) {
    timespec zero{0, 0};
    sigtimedwait(&pipeSet, nullptr, &zero);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = err;
  if (n >= 0) return long(n);
  if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) return 0;
  return -1;
}

bool IsRegularFile(int fd) {
  struct stat st {};
  return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

long WriteFileData(int fd, const void* data, std::size_t size) {
  for (;;) {
    ssize_t n = ::write(fd, data, size);
    if (n >= 0) return long(n);
    if (errno != EINTR) return -1;
  }
}

void ClosePort(int fd) {
  if (fd >= 0) ::close(fd);
}

int OpenPortDevice(const std::string& device, int portCode, const SerialSettings& s) {
  const int fd = OpenPortPath(device, false, true);
  if (fd >= 0 && portCode >= 1 && portCode <= 8) ApplySerialSettings(fd, s);
  return fd;
}

SerialSettings PortInfo::GetSerialSettings() const {
  SerialSettings s;
  s.speed = TranSpeed;
  s.parity = OECheck;
  s.dataBits = DataWidth;
  s.stopBits = StopBits;
  s.rtsCts = RTSCTS;
  s.dtrDsr = DTRDSR;
  s.xonXoff = XONXOFF;
  return s;
}

namespace {
constexpr const char* kPortInfo = "PortInfo";
}  // namespace

void PortInfo::Load(const std::string& ini, std::size_t maxFilePath) {
  std::string path(maxFilePath + 1, '\0');
  GetPrivateProfileString(kPortInfo, "FilePath", "", path.data(), unsigned(path.size()), ini);
  FilePath = path.c_str();
  auto get = [&](const char* key, int def) { return GetPrivateProfileInt(kPortInfo, key, def, ini); };
  OECheck = std::uint16_t(get("OECheck", 0));
  TranSpeed = get("TranSpeed", 9600);
  StopBits = std::uint16_t(get("StopBits", 0));
  DataWidth = std::uint16_t(get("DataWidth", 8));
  RTSCTS = get("RTSCTS", 1);
  DTRDSR = get("DTRDSR", 0);
  XONXOFF = get("XONXOFF", 0);
}

bool PortInfo::Save(const std::string& ini) const {
  auto put = [&](const char* key, const std::string& v) {
    return WritePrivateProfileString(kPortInfo, key, v.c_str(), ini);
  };
  bool ok = put("FilePath", FilePath);
  ok = put("OECheck", std::to_string(OECheck)) && ok;
  ok = put("TranSpeed", std::to_string(TranSpeed)) && ok;
  ok = put("StopBits", std::to_string(StopBits)) && ok;
  ok = put("DataWidth", std::to_string(DataWidth)) && ok;
  ok = put("RTSCTS", std::to_string(RTSCTS)) && ok;
  ok = put("DTRDSR", std::to_string(DTRDSR)) && ok;
  ok = put("XONXOFF", std::to_string(XONXOFF)) && ok;
  return ok;
}

bool PortInfo::KeepFileFolder(const std::string& path, std::size_t maxFilePath) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (folder.size() > maxFilePath) return false;
  FilePath = std::move(folder);
  return true;
}

}  // namespace plat
