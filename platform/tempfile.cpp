#include "platform/tempfile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <mutex>

namespace plat {
namespace {

std::mutex g_mutex;
std::string g_fallback;  // a private folder made when the usual one is unsafe

bool IsPrivateFolder(const std::string& dir) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return false;
  return true;
}

std::string TempBase() {
  const char* t = std::getenv("TMPDIR");
  std::string base = (t && t[0] == '/') ? t : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

std::string GetTempFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::string base = TempBase();
  if (!g_fallback.empty() && g_fallback.compare(0, base.size() + 1, base + "/") == 0 &&
      IsPrivateFolder(g_fallback.substr(0, g_fallback.size() - 1)))
    return g_fallback;
  std::string dir = base + "/tindrel-" + std::to_string(::getuid());
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (IsPrivateFolder(dir)) return dir + "/";
  std::string tmpl = dir + "-XXXXXX";
  if (!::mkdtemp(tmpl.data())) return {};
  g_fallback = tmpl + "/";
  return g_fallback;
}

unsigned GetTempFileName(std::string_view folder, std::string_view prefix, std::string& out) {
  out.clear();
  std::string dir(folder);
  if (dir.empty()) return 0;
  if (dir.back() != '/') dir.push_back('/');
  std::string pre(prefix.substr(0, 3));
  for (char& c : pre)
    if (c == '/' || c == '\0') c = '_';
  unsigned short start = 0;
  if (::getrandom(&start, sizeof start, 0) != sizeof start) start = (unsigned short)(::getpid() ^ ::time(nullptr));
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned n = (start + i) & 0xFFFF;
    if (n == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "%04X.TMP", n);
    std::string path = dir + pre + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      ::close(fd);
      out = path;
      return n;
    }
    if (errno != EEXIST) return 0;
  }
  return 0;
}

}  // namespace plat
