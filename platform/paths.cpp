#include "platform/paths.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace plat {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool Exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

bool IsDir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> ReadNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// The entry of folder named like name: exact first, else the first case-insensitive match.
std::optional<std::string> MatchEntry(const std::string& folder, const std::string& name) {
  if (Exists(folder + name)) return name;
  for (const auto& n : ReadNames(folder))
    if (EqualNoCaseAscii(n, name)) return n;
  return std::nullopt;
}

bool Match(std::string_view s, std::string_view p) {
  // Iterative wildcard match with one backtrack point.
  std::size_t si = 0, pi = 0, star = std::string_view::npos, mark = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(s[si]))) {
      ++si;
      ++pi;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = si;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

// Walks the components of a mapped path; the last one may be missing when allowed.
std::optional<std::string> Walk(const std::string& mapped, bool lastMayBeMissing) {
  std::string out;
  std::size_t pos = 0;
  if (!mapped.empty() && mapped[0] == '/') {
    out = "/";
    pos = 1;
  }
  while (pos <= mapped.size()) {
    std::size_t slash = mapped.find('/', pos);
    bool last = slash == std::string::npos;
    std::string comp = mapped.substr(pos, last ? std::string::npos : slash - pos);
    if (!comp.empty()) {
      if (comp == "." || comp == "..") {
        out += comp;
      } else if (auto m = MatchEntry(out, comp)) {
        out += *m;
      } else if (last && lastMayBeMissing) {
        out += comp;
      } else {
        return std::nullopt;
      }
      if (!last) out += '/';
    }
    if (last) break;
    pos = slash + 1;
  }
  return out;
}

}  // namespace

bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string GetProgramPath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, std::size_t(n));
}

std::string GetProgramFolder() {
  std::string p = GetProgramPath();
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::string GetDriveRoot() {
  std::string root;
  if (const char* r = std::getenv("TINDREL_DRIVE_ROOT"); r && *r) {
    root = r;
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    root = h;
  } else if (const passwd* pw = ::getpwuid(::getuid())) {
    root = pw->pw_dir;
  } else {
    root = "/";
  }
  if (root.back() != '/') root.push_back('/');
  return root;
}

std::string MapWindowsPath(std::string_view path) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '\\', '/');
  if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) {
    std::string rest = s.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    s = GetDriveRoot() + rest;
  }
  return s;
}

std::optional<std::string> FindFileNoCase(std::string_view path) {
  std::string mapped = MapWindowsPath(path);
  if (mapped.empty()) return std::nullopt;
  if (Exists(mapped)) return mapped;
  return Walk(mapped, false);
}

std::string ResolvePath(std::string_view path) {
  std::string mapped = MapWindowsPath(path);
  if (mapped.empty() || Exists(mapped)) return mapped;
  if (auto w = Walk(mapped, true)) return *w;
  return mapped;
}

bool MatchPatternNoCase(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (!pattern.empty() && pattern.back() == '.' && pattern.find('.') == pattern.size() - 1) {
    // "*." and "ABC." : names without an extension.
    if (name.find('.') != std::string_view::npos) return false;
    return Match(name, pattern.substr(0, pattern.size() - 1));
  }
  return Match(name, pattern);
}

std::vector<std::string> ListFolderNoCase(std::string_view folder, std::string_view pattern,
                                          bool includeFolders) {
  std::vector<std::string> out;
  auto dir = FindFileNoCase(folder);
  if (!dir || !IsDir(*dir)) return out;
  std::string base = *dir;
  if (!base.empty() && base.back() != '/') base.push_back('/');
  for (const auto& n : ReadNames(base)) {
    if (!MatchPatternNoCase(n, pattern)) continue;
    struct stat st;
    if (::stat((base + n).c_str(), &st) != 0) continue;
    if (S_ISREG(st.st_mode) || (includeFolders && S_ISDIR(st.st_mode))) out.push_back(n);
  }
  return out;
}

}  // namespace plat
