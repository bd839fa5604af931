#include "platform/process.h"

#include "platform/paths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

extern char** environ;

namespace plat {
namespace {

constexpr char kReadyVar[] = "TINDREL_READY_FD";

// The program file for a name: "X.EXE" stands for "X"; the exact name first, then any case.
std::string ResolveProgram(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string dir = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
  if (name.size() > 4 && EqualNoCaseAscii(name.substr(name.size() - 4), ".exe")) name.resize(name.size() - 4);
  if (name.empty()) return {};
  return FindFileNoCase(dir + name).value_or(std::string());
}

}  // namespace

unsigned WinExec(const std::string& path, int /*show*/, int timeoutMs) {
  std::string program = ResolveProgram(path);
  if (program.empty()) return 2;
  struct stat st;
  if (::stat(program.c_str(), &st) != 0) return 2;
  if (!S_ISREG(st.st_mode) || ::access(program.c_str(), X_OK) != 0) return 11;

  int ready[2], failed[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return 11;
  if (::pipe2(failed, O_CLOEXEC) != 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return 11;
  }
  // Everything the child needs is made before the fork.
  std::string readyVar = std::string(kReadyVar) + "=" + std::to_string(ready[1]);
  std::vector<char*> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, kReadyVar, sizeof kReadyVar - 1) != 0 || (*e)[sizeof kReadyVar - 1] != '=') env.push_back(*e);
  env.push_back(readyVar.data());
  env.push_back(nullptr);
  char* argv[] = {program.data(), nullptr};

  pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::close(ready[0]);
      ::close(failed[0]);
      ::fcntl(ready[1], F_SETFD, 0);  // the starter's signal survives the exec
      ::execve(program.c_str(), argv, env.data());
      int err = errno;
      (void)!::write(failed[1], &err, sizeof err);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(ready[1]);
  ::close(failed[1]);
  unsigned result = 33;
  if (child < 0) {
    result = 11;
  } else {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(failed[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      result = 11;
    } else if (n == ssize_t(sizeof err)) {
      result = err == ENOENT ? 2 : 11;
    } else {
      // Wait for the first idle moment, the program's end or the time limit.
      auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
      for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd pf{ready[0], POLLIN, 0};
        int r = ::poll(&pf, 1, int(left));
        if (r < 0 && errno == EINTR) continue;
        break;
      }
    }
  }
  ::close(ready[0]);
  ::close(failed[0]);
  return result;
}

void InputIdle() {
  static std::once_flag once;
  std::call_once(once, [] {
    const char* v = std::getenv(kReadyVar);
    if (!v) return;
    char* end = nullptr;
    long fd = std::strtol(v, &end, 10);
    ::unsetenv(kReadyVar);
    if (!end || *end || fd < 3 || fd > 65535) return;
    struct stat st;
    if (::fstat(int(fd), &st) != 0 || !S_ISFIFO(st.st_mode)) return;
    char c = 1;
    (void)!::write(int(fd), &c, 1);
    ::close(int(fd));
  });
}

}  // namespace plat
