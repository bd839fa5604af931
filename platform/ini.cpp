#include "platform/ini.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace plat {
namespace {

hooks::WriteProgressHook g_writeHook = nullptr;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

enum class Kind { Other, Section, Key };

struct Line {
  std::size_t begin = 0;    // first byte of the line
  std::size_t end = 0;      // end of its text, before the line break
  std::size_t next = 0;     // first byte of the next line
  Kind kind = Kind::Other;
  std::string_view name;    // section or key name, trimmed
  std::string_view value;   // key value, trimmed, quotes kept
};

struct Parsed {
  Parsed() = default;
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;
  std::string text;
  std::vector<Line> lines;
  bool crlf = true;  // line ends to write
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  std::string_view all(text);
  while (pos < text.size()) {
    Line ln;
    ln.begin = pos;
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) {
      ln.end = ln.next = text.size();
    } else {
      ln.end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
      ln.next = nl + 1;
    }
    std::string_view body = Trim(all.substr(ln.begin, ln.end - ln.begin));
    if (!body.empty() && body.front() == '[') {
      body.remove_prefix(1);
      std::size_t close = body.find(']');
      if (close != std::string_view::npos) body = body.substr(0, close);
      ln.kind = Kind::Section;
      ln.name = Trim(body);
    } else if (!body.empty() && body.front() != ';') {
      ln.kind = Kind::Key;
      std::size_t eq = body.find('=');
      if (eq == std::string_view::npos) {
        ln.name = body;
      } else {
        ln.name = Trim(body.substr(0, eq));
        ln.value = Trim(body.substr(eq + 1));
      }
      if (ln.name.empty()) ln.kind = Kind::Other;
    }
    lines.push_back(ln);
    pos = ln.next;
  }
  return lines;
}

// Reads the whole file; nullopt when it is missing, not a regular file or too large.
std::optional<std::string> ReadWholeFile(const std::string& file, bool* tooLarge = nullptr) {
  if (tooLarge) *tooLarge = false;
  // Non-blocking: opening a FIFO or a device must not wait; only regular files are read.
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string text;
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (text.size() + std::size_t(n) > kMaxIniFileBytes) {
      ::close(fd);
      if (tooLarge) *tooLarge = true;
      return std::nullopt;
    }
    text.append(chunk, std::size_t(n));
  }
  ::close(fd);
  return text;
}

// The lines point into p.text: a Parsed is filled in place, never copied or moved.
bool Load(const std::string& file, Parsed& p, bool* tooLarge = nullptr) {
  auto text = ReadWholeFile(file, tooLarge);
  if (!text) return false;
  p.text = std::move(*text);
  p.lines = SplitLines(p.text);
  std::size_t nl = p.text.find('\n');
  p.crlf = nl == std::string::npos || (nl > 0 && p.text[nl - 1] == '\r');
  return true;
}

// Index of the first line of the section's header, or -1.
long FindSection(const Parsed& p, std::string_view section) {
  for (std::size_t i = 0; i < p.lines.size(); ++i)
    if (p.lines[i].kind == Kind::Section && EqualNoCase(p.lines[i].name, section)) return long(i);
  return -1;
}

// One past the last line of the section that starts at header index h.
std::size_t SectionEnd(const Parsed& p, std::size_t h) {
  std::size_t i = h + 1;
  while (i < p.lines.size() && p.lines[i].kind != Kind::Section) ++i;
  return i;
}

long FindKey(const Parsed& p, long h, std::string_view key) {
  if (h < 0) return -1;
  std::size_t end = SectionEnd(p, std::size_t(h));
  for (std::size_t i = std::size_t(h) + 1; i < end; ++i)
    if (p.lines[i].kind == Kind::Key && EqualNoCase(p.lines[i].name, key)) return long(i);
  return -1;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::optional<std::string> LookUp(const char* section, const char* key, const std::string& file) {
  Parsed p;
  if (!Load(file, p)) return std::nullopt;
  long k = FindKey(p, FindSection(p, section), key);
  if (k < 0) return std::nullopt;
  return std::string(Unquote(p.lines[std::size_t(k)].value));
}

unsigned CopyList(const std::vector<std::string>& names, char* buf, unsigned size) {
  std::string joined;
  for (const auto& n : names) {
    joined += n;
    joined.push_back('\0');
  }
  if (joined.size() + 1 <= size) {
    std::memcpy(buf, joined.data(), joined.size());
    buf[joined.size()] = '\0';
    if (joined.empty() && size > 1) buf[1] = '\0';
    return unsigned(joined.size());
  }
  if (size < 2) {
    buf[0] = '\0';
    return 0;
  }
  std::memcpy(buf, joined.data(), size - 2);
  buf[size - 2] = '\0';
  buf[size - 1] = '\0';
  return size - 2;
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  constexpr std::size_t kChunk = 4096;
  while (done < content.size()) {
    std::size_t n = std::min(kChunk, content.size() - done);
    ssize_t w = ::write(fd, content.data() + done, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += std::size_t(w);
    if (g_writeHook) g_writeHook(done);
  }
  return true;
}

mode_t NewFileMode() {
  // The process's umask, read without changing it.
  mode_t mask = 022;
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = mode_t(std::strtoul(line + 6, nullptr, 8));
        break;
      }
    }
    std::fclose(f);
  }
  return 0666 & ~mask;
}

// Serialises writers of one file across processes (readers need no lock: the
// rename is atomic). Locks the file itself; when a writer replaced it while we
// waited, the new file is locked instead. With create, a missing file is made
// empty first so that two first writers do not lose each other's update.
class WriteLock {
 public:
  WriteLock(const std::string& path, bool create) {
    for (int tries = 0; tries < 100; ++tries) {
      int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0), 0666);
      if (fd < 0) return;
      if (::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        return;
      }
      struct stat a, b;
      if (::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev) {
        fd_ = fd;
        return;
      }
      ::close(fd);
    }
  }
  ~WriteLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

void hooks::SetWriteProgressHook(WriteProgressHook hook) { g_writeHook = hook; }

bool ReplaceFileContent(const std::string& path, const std::string& content) {
  if (path.empty()) return false;
  // Write through a symbolic link to its target, so the link stays.
  std::string target = path;
  struct stat lst;
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) target = resolved;
  }
  std::size_t slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string tmp = dir + "." + base + ".XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

unsigned GetPrivateProfileString(const char* section, const char* key, const char* def, char* buf,
                                 unsigned size, const std::string& file) {
  if (!buf || size == 0) return 0;
  if (!section) return CopyList(GetPrivateProfileSectionNames(file), buf, size);
  if (!key) return CopyList(GetPrivateProfileKeyNames(section, file), buf, size);
  std::string value;
  if (auto v = LookUp(section, key, file)) {
    value = std::move(*v);
  } else {
    std::string_view d = def ? def : "";
    while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
    value = d;
  }
  std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buf, value.data(), n);
  buf[n] = '\0';
  return unsigned(n);
}

unsigned GetPrivateProfileInt(const char* section, const char* key, int def, const std::string& file) {
  if (!section || !key) return unsigned(def);
  auto v = LookUp(section, key, file);
  if (!v || v->empty()) return unsigned(def);
  std::string_view s(*v);
  bool neg = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  unsigned r = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    r = r * 10u + unsigned(c - '0');
  }
  return neg ? 0u - r : r;
}

std::optional<std::string> GetPrivateProfileValue(const char* section, const char* key,
                                                  const std::string& file) {
  if (!section || !key) return std::nullopt;
  return LookUp(section, key, file);
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file) {
  std::vector<std::string> names;
  Parsed p;
  if (!Load(file, p)) return names;
  for (const auto& ln : p.lines)
    if (ln.kind == Kind::Section) names.emplace_back(ln.name);
  return names;
}

std::vector<std::string> GetPrivateProfileKeyNames(const char* section, const std::string& file) {
  std::vector<std::string> names;
  if (!section) return names;
  Parsed p;
  if (!Load(file, p)) return names;
  long h = FindSection(p, section);
  if (h < 0) return names;
  std::size_t end = SectionEnd(p, std::size_t(h));
  for (std::size_t i = std::size_t(h) + 1; i < end; ++i)
    if (p.lines[i].kind == Kind::Key) names.emplace_back(p.lines[i].name);
  return names;
}

std::vector<ProfileSection> ReadPrivateProfile(const std::string& file) {
  std::vector<ProfileSection> sections;
  Parsed p;
  if (!Load(file, p)) return sections;
  for (const auto& ln : p.lines) {
    if (ln.kind == Kind::Section)
      sections.push_back({std::string(ln.name), {}});
    else if (ln.kind == Kind::Key && !sections.empty())
      sections.back().entries.emplace_back(std::string(ln.name), std::string(Unquote(ln.value)));
  }
  return sections;
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& file) {
  if (!section) return !key && !value;  // nothing cached, nothing to flush
  // A line break in a name would make lines of its own: refused.
  auto breaks = [](const char* s) { return s && std::strpbrk(s, "\r\n") != nullptr; };
  if (breaks(section) || breaks(key)) return false;
  struct stat st;
  if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;  // never replace a FIFO, device, folder
  WriteLock lock(file, key && value);
  bool tooLarge = false;
  Parsed p;
  if (!Load(file, p, &tooLarge)) {
    if (tooLarge) return false;
    if (!key || !value) return true;  // nothing to delete
  }
  const char* eol = p.crlf ? "\r\n" : "\n";
  long h = FindSection(p, section);
  std::string out;

  if (!key) {  // delete the section
    if (h < 0) return true;
    std::size_t end = SectionEnd(p, std::size_t(h));
    std::size_t from = p.lines[std::size_t(h)].begin;
    std::size_t to = end < p.lines.size() ? p.lines[end].begin : p.text.size();
    out = p.text.substr(0, from) + p.text.substr(to);
    return ReplaceFileContent(file, out);
  }
  long k = FindKey(p, h, key);
  if (!value) {  // delete the key
    if (k < 0) return true;
    const Line& ln = p.lines[std::size_t(k)];
    out = p.text.substr(0, ln.begin) + p.text.substr(ln.next);
    return ReplaceFileContent(file, out);
  }

  std::string_view v(value);
  v = v.substr(0, std::min(v.find('\r'), v.find('\n')));
  if (k >= 0) {
    // Replace the value, keep the stored key name and the line's break.
    const Line& ln = p.lines[std::size_t(k)];
    out = p.text.substr(0, ln.begin);
    out.append(ln.name);
    out.push_back('=');
    out.append(v);
    out.append(p.text, ln.end, std::string::npos);
    return ReplaceFileContent(file, out);
  }
  std::string entry = std::string(key) + "=" + std::string(v) + eol;
  if (h >= 0) {
    // After the section's last non-blank line.
    std::size_t end = SectionEnd(p, std::size_t(h));
    std::size_t last = std::size_t(h);
    for (std::size_t i = std::size_t(h) + 1; i < end; ++i)
      if (p.lines[i].kind != Kind::Other || !Trim(std::string_view(p.text).substr(p.lines[i].begin, p.lines[i].end - p.lines[i].begin)).empty())
        last = i;
    const Line& ln = p.lines[last];
    out = p.text.substr(0, ln.next);
    if (ln.next == ln.end) out += eol;  // the last line had no break
    out += entry;
    out.append(p.text, ln.next, std::string::npos);
    return ReplaceFileContent(file, out);
  }
  out = p.text;
  if (!out.empty() && out.back() != '\n') out += eol;
  out += "[" + std::string(section) + "]" + eol + entry;
  return ReplaceFileContent(file, out);
}

}  // namespace plat
