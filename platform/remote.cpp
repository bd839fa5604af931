#include "platform/remote.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/ipc.h"

namespace plat {
namespace {

// Table file "windows.tbl": "TWIN", u32 version 1, u32 count, then per entry u32 pid,
// u32 window, u8 class length, the class, u8 title length, the title.
constexpr char kTableFile[] = "windows.tbl";
constexpr std::size_t kMaxTableFile = 1u << 20;
constexpr std::size_t kMaxEntries = 4096;
constexpr std::uint32_t kRequestMagic = 0x534D5754;  // "TWMS"
constexpr std::uint32_t kAnswerMagic = 0x414D5754;   // "TWMA"
constexpr std::size_t kRequestSize = 32;
constexpr std::size_t kAnswerSize = 16;

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
std::uint32_t Get32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(p[i]) << (8 * i);
  return v;
}
std::uint64_t Get64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= std::uint64_t(p[i]) << (8 * i);
  return v;
}

std::vector<PublishedWindow> ParseTable(const std::vector<std::uint8_t>& b) {
  std::vector<PublishedWindow> out;
  if (b.size() < 12 || std::memcmp(b.data(), "TWIN", 4) != 0 || Get32(b.data() + 4) != 1) return out;
  std::uint32_t count = Get32(b.data() + 8);
  std::size_t pos = 12;
  for (std::uint32_t i = 0; i < count && out.size() < kMaxEntries; ++i) {
    if (b.size() - pos < 9) break;
    PublishedWindow w;
    w.pid = int(Get32(b.data() + pos));
    w.window = Get32(b.data() + pos + 4);
    std::size_t len = b[pos + 8];
    pos += 9;
    if (b.size() - pos < len + 1) break;
    w.className.assign(reinterpret_cast<const char*>(b.data() + pos), len);
    pos += len;
    len = b[pos++];
    if (len == 0 || b.size() - pos < len) break;
    w.title.assign(reinterpret_cast<const char*>(b.data() + pos), len);
    pos += len;
    if (w.pid <= 0) break;
    out.push_back(std::move(w));
  }
  return out;
}

std::vector<std::uint8_t> MakeTable(const std::vector<PublishedWindow>& ws) {
  std::vector<std::uint8_t> b = {'T', 'W', 'I', 'N'};
  Put32(b, 1);
  Put32(b, std::uint32_t(ws.size()));
  for (const PublishedWindow& w : ws) {
    Put32(b, std::uint32_t(w.pid));
    Put32(b, w.window);
    b.push_back(std::uint8_t(w.className.size()));
    b.insert(b.end(), w.className.begin(), w.className.end());
    b.push_back(std::uint8_t(w.title.size()));
    b.insert(b.end(), w.title.begin(), w.title.end());
  }
  return b;
}

std::string SocketPath(int pid) {
  std::string dir = GetSharedFolder();
  if (dir.empty()) return {};
  std::string path = dir + "w" + std::to_string(pid) + ".sock";
  if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return {};
  return path;
}

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
  if (path.empty()) return false;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

bool PeerIsUs(int fd, int* pid) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
  if (pid) *pid = cred.pid;
  return cred.uid == ::geteuid();
}

// Reads exactly n bytes within the time limit (ms); false on end, error or time-out.
bool ReadFully(int fd, std::uint8_t* p, std::size_t n, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::size_t done = 0;
  while (done < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left < 0) return false;
    pollfd pf{fd, POLLIN, 0};
    int r = ::poll(&pf, 1, int(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t k = ::recv(fd, p + done, n - done, MSG_DONTWAIT);
    if (k < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (k <= 0) return false;
    done += std::size_t(k);
  }
  return true;
}

bool SendFully(int fd, const std::uint8_t* p, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    ssize_t k = ::send(fd, p + done, n - done, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    done += std::size_t(k);
  }
  return true;
}

struct Server {
  std::mutex mutex;
  int fd = -1;
  int pid = 0;
  std::string path;
};
Server& TheServer() {
  static Server s;
  return s;
}

}  // namespace

bool IsProcessAlive(int pid) {
  if (pid <= 0) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool PublishWindows(const std::vector<PublishedWindow>& windows) {
  SharedLock lock("windows");
  if (!lock.locked()) return false;
  std::vector<std::uint8_t> b;
  std::vector<PublishedWindow> table;
  if (ReadSharedFile(kTableFile, b, kMaxTableFile)) table = ParseTable(b);
  int self = int(::getpid());
  std::vector<PublishedWindow> kept;
  for (PublishedWindow& w : table)
    if (w.pid != self && IsProcessAlive(w.pid)) kept.push_back(std::move(w));
  for (const PublishedWindow& w : windows) {
    if (w.title.empty() || w.title.size() > 255 || kept.size() >= kMaxEntries) continue;
    PublishedWindow e = w;
    e.pid = self;
    if (e.className.size() > 255) e.className.clear();
    kept.push_back(std::move(e));
  }
  return WriteSharedFile(kTableFile, MakeTable(kept));
}

std::vector<PublishedWindow> ReadPublishedWindows() {
  SharedLock lock("windows");
  if (!lock.locked()) return {};
  std::vector<std::uint8_t> b;
  if (!ReadSharedFile(kTableFile, b, kMaxTableFile)) return {};
  std::vector<PublishedWindow> table = ParseTable(b), live;
  for (PublishedWindow& w : table) {
    struct stat st;
    std::string sock = SocketPath(w.pid);
    if (IsProcessAlive(w.pid) && !sock.empty() && ::lstat(sock.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
      live.push_back(std::move(w));
  }
  if (live.size() != table.size()) WriteSharedFile(kTableFile, MakeTable(live));
  return live;
}

int OpenMessageServer() {
  Server& s = TheServer();
  std::lock_guard<std::mutex> guard(s.mutex);
  int self = int(::getpid());
  if (s.fd >= 0 && s.pid == self) return s.fd;
  if (s.fd >= 0) ::close(s.fd);  // inherited over a fork: not ours
  s.fd = -1;
  std::string path = SocketPath(self);
  sockaddr_un addr;
  if (!MakeAddress(path, addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  ::unlink(path.c_str());  // left by a dead process with our pid
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::chmod(path.c_str(), 0600) != 0 ||
      ::listen(fd, 16) != 0) {
    ::close(fd);
    return -1;
  }
  s.fd = fd;
  s.pid = self;
  s.path = path;
  return fd;
}

void CloseMessageServer() {
  Server& s = TheServer();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (s.fd < 0) return;
  ::close(s.fd);
  if (s.pid == int(::getpid())) ::unlink(s.path.c_str());
  s.fd = -1;
}

int MessageServerFd() {
  Server& s = TheServer();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.pid == int(::getpid()) ? s.fd : -1;
}

bool TakeRemoteRequest(RemoteRequest& req) {
  int server = MessageServerFd();
  if (server < 0) return false;
  for (;;) {
    int fd = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return false;
    }
    int pid = 0;
    std::uint8_t b[kRequestSize];
    if (!PeerIsUs(fd, &pid) || !ReadFully(fd, b, sizeof b, 2000) || Get32(b) != kRequestMagic) {
      ::close(fd);
      continue;
    }
    req.window = Get32(b + 4);
    req.message = Get32(b + 8);
    req.wParam = Get64(b + 16);
    req.lParam = std::int64_t(Get64(b + 24));
    req.fd = fd;
    req.pid = pid;
    return true;
  }
}

void AnswerRemoteRequest(RemoteRequest& req, std::int64_t result) {
  if (req.fd < 0) return;
  std::uint8_t b[kAnswerSize] = {};
  Put32(b, kAnswerMagic);
  Put64(b + 8, std::uint64_t(result));
  SendFully(req.fd, b, sizeof b);
  ::close(req.fd);
  req.fd = -1;
}

bool SendRemoteMessage(int pid, std::uint32_t window, std::uint32_t message, std::uint64_t wParam,
                       std::int64_t lParam, std::int64_t* result, const std::function<void()>& serve) {
  if (result) *result = 0;
  sockaddr_un addr;
  if (pid <= 0 || !MakeAddress(SocketPath(pid), addr)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int r;
  do {
    r = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (r != 0 && errno == EINTR);
  int peer = 0;
  if (r != 0 || !PeerIsUs(fd, &peer) || peer != pid) {
    ::close(fd);
    return false;
  }
  std::uint8_t b[kRequestSize] = {};
  Put32(b, kRequestMagic);
  Put32(b + 4, window);
  Put32(b + 8, message);
  Put64(b + 16, wParam);
  Put64(b + 24, std::uint64_t(lParam));
  if (!SendFully(fd, b, sizeof b)) {
    ::close(fd);
    return false;
  }
  std::uint8_t a[kAnswerSize];
  std::size_t got = 0;
  bool ok = false;
  for (;;) {
    pollfd pf[2] = {{fd, POLLIN, 0}, {serve ? MessageServerFd() : -1, POLLIN, 0}};
    int n = ::poll(pf, 2, 50);
    if (n < 0 && errno != EINTR) break;
    if (n > 0 && (pf[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t k = ::recv(fd, a + got, sizeof a - got, MSG_DONTWAIT);
      if (k < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (k <= 0) break;  // the owner died or dropped us
      got += std::size_t(k);
      if (got == sizeof a) {
        ok = Get32(a) == kAnswerMagic;
        break;
      }
      continue;
    }
    if (serve) serve();
  }
  ::close(fd);
  if (ok && result) *result = std::int64_t(Get64(a + 8));
  return ok;
}

}  // namespace plat
