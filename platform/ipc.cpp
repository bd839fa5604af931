#include "platform/ipc.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <mutex>
#include <unordered_set>

#include "platform/tempfile.h"

namespace plat {
namespace {

std::mutex g_mutex;
std::string g_override;

bool MakePrivateFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return false;
  return true;
}

bool SafeName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_'))
      return false;
  return name[0] != '.';
}

void PutU16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(std::uint8_t(v & 0xFF));
  b.push_back(std::uint8_t((v >> 8) & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t((v >> (8 * i)) & 0xFF));
}

struct Reader {
  const std::vector<std::uint8_t>& b;
  std::size_t pos = 0;
  bool Has(std::size_t n) const { return n <= b.size() - pos; }
  unsigned U8() { return b[pos++]; }
  unsigned U16() {
    unsigned v = unsigned(b[pos]) | (unsigned(b[pos + 1]) << 8);
    pos += 2;
    return v;
  }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(b[pos + std::size_t(i)]) << (8 * i);
    pos += 4;
    return v;
  }
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string Folded(std::string_view s) {
  std::string f(s);
  for (char& c : f) c = Lower(c);
  return f;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Name table file "names.tbl": "TNAM", u32 version 1, u32 count, then per entry
// u16 id, u16 uses (0xFFFF: permanent), u8 length, the name's bytes.
constexpr char kNamesFile[] = "names.tbl";
constexpr std::size_t kMaxNamesFile = 4u << 20;
constexpr unsigned kPermanent = 0xFFFF;

struct NameEntry {
  unsigned id;
  unsigned uses;
  std::string name;
};

std::vector<NameEntry> ReadNames() {
  std::vector<NameEntry> out;
  std::vector<std::uint8_t> b;
  if (!ReadSharedFile(kNamesFile, b, kMaxNamesFile)) return out;
  Reader r{b};
  if (!r.Has(12) || std::memcmp(b.data(), "TNAM", 4) != 0) return out;
  r.pos = 4;
  if (r.U32() != 1) return out;
  std::uint32_t count = r.U32();
  std::vector<bool> idUsed(kLastSharedId - kFirstSharedId + 1);
  std::unordered_set<std::string> seen;
  for (std::uint32_t i = 0; i < count && out.size() <= kLastSharedId - kFirstSharedId; ++i) {
    if (!r.Has(5)) break;
    unsigned id = r.U16(), uses = r.U16(), len = r.U8();
    if (id < kFirstSharedId || len == 0 || !r.Has(len)) break;
    std::string name(reinterpret_cast<const char*>(b.data() + r.pos), len);
    r.pos += len;
    // A repeated id or name ends the table.
    if (idUsed[id - kFirstSharedId] || !seen.insert(Folded(name)).second) break;
    idUsed[id - kFirstSharedId] = true;
    out.push_back(NameEntry{id, uses, std::move(name)});
  }
  return out;
}

bool WriteNames(const std::vector<NameEntry>& names) {
  std::vector<std::uint8_t> b = {'T', 'N', 'A', 'M'};
  PutU32(b, 1);
  PutU32(b, std::uint32_t(names.size()));
  for (const NameEntry& e : names) {
    PutU16(b, e.id);
    PutU16(b, e.uses);
    b.push_back(std::uint8_t(e.name.size()));
    b.insert(b.end(), e.name.begin(), e.name.end());
  }
  return WriteSharedFile(kNamesFile, b);
}

// Clipboard file "clipboard.dat": "TCLP", u32 version 1, u32 sequence, u32 count,
// then per item u32 format, u32 size, the bytes.
constexpr char kClipFile[] = "clipboard.dat";

}  // namespace

std::string GetSharedFolder() {
  std::string dir;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    dir = g_override;
  }
  if (dir.empty()) {
    const char* env = std::getenv("TINDREL_IPC_DIR");
    if (env && env[0] == '/') {
      dir = env;
    } else {
      std::string tmp = GetTempFolder();
      if (tmp.empty()) return {};
      dir = tmp + "shared";
    }
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!MakePrivateFolder(dir)) return {};
  return dir + "/";
}

void SetSharedFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_override = folder;
}

SharedLock::SharedLock(std::string_view name) {
  std::string dir = GetSharedFolder();
  if (dir.empty() || !SafeName(name)) return;
  std::string path = dir + std::string(name) + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return;
    }
  }
  fd_ = fd;
}

SharedLock::~SharedLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

bool WriteSharedFile(std::string_view name, const std::vector<std::uint8_t>& bytes) {
  std::string dir = GetSharedFolder();
  if (dir.empty() || !SafeName(name)) return false;
  std::string path = dir + std::string(name);
  std::string tmp = path + ".new" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += std::size_t(n);
  }
  if (::close(fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool ReadSharedFile(std::string_view name, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
  bytes.clear();
  std::string dir = GetSharedFolder();
  if (dir.empty() || !SafeName(name)) return false;
  std::string path = dir + std::string(name);
  // Non-blocking, so that a FIFO put in place of the file cannot stall the reader.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::uint64_t(st.st_size) > maxBytes) {
    ::close(fd);
    return false;
  }
  bytes.resize(std::size_t(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank: keep what is there
    done += std::size_t(n);
  }
  bytes.resize(done);
  ::close(fd);
  return true;
}

unsigned RegisterSharedName(std::string_view name) {
  if (name.empty() || name.size() > kMaxSharedName || name.find('\0') != std::string_view::npos) return 0;
  SharedLock lock("names");
  if (!lock.locked()) return 0;
  std::vector<NameEntry> names = ReadNames();
  unsigned next = kFirstSharedId;
  for (NameEntry& e : names) {
    if (SameName(e.name, name)) {
      if (e.uses != kPermanent) {
        e.uses = kPermanent;
        if (!WriteNames(names)) return 0;
      }
      return e.id;
    }
    if (e.id >= next) next = e.id + 1;
  }
  if (next > kLastSharedId) {
    // Reuse the lowest free id below the highest one in use.
    std::vector<bool> used(kLastSharedId - kFirstSharedId + 1);
    for (const NameEntry& e : names) used[e.id - kFirstSharedId] = true;
    for (unsigned id = kFirstSharedId; id <= kLastSharedId; ++id)
      if (!used[id - kFirstSharedId]) {
        next = id;
        break;
      }
    if (next > kLastSharedId) return 0;
  }
  names.push_back(NameEntry{next, kPermanent, std::string(name)});
  return WriteNames(names) ? next : 0;
}

bool GetSharedName(unsigned id, std::string& out) {
  out.clear();
  if (id < kFirstSharedId || id > kLastSharedId) return false;
  SharedLock lock("names");
  if (!lock.locked()) return false;
  for (const NameEntry& e : ReadNames())
    if (e.id == id) {
      out = e.name;
      return true;
    }
  return false;
}

ATOM GlobalAddAtom(std::string_view name) {
  if (name.empty() || name.size() > kMaxSharedName || name.find('\0') != std::string_view::npos) return 0;
  SharedLock lock("names");
  if (!lock.locked()) return 0;
  std::vector<NameEntry> names = ReadNames();
  std::vector<bool> used(kLastSharedId - kFirstSharedId + 1);
  for (NameEntry& e : names) {
    if (SameName(e.name, name)) {
      if (e.uses == kPermanent) return ATOM(e.id);
      if (e.uses < kPermanent - 1) ++e.uses;
      return WriteNames(names) ? ATOM(e.id) : 0;
    }
    used[e.id - kFirstSharedId] = true;
  }
  for (unsigned id = kFirstSharedId; id <= kLastSharedId; ++id)
    if (!used[id - kFirstSharedId]) {
      names.push_back(NameEntry{id, 1, std::string(name)});
      return WriteNames(names) ? ATOM(id) : 0;
    }
  return 0;
}

ATOM GlobalFindAtom(std::string_view name) {
  if (name.empty() || name.size() > kMaxSharedName) return 0;
  SharedLock lock("names");
  if (!lock.locked()) return 0;
  for (const NameEntry& e : ReadNames())
    if (SameName(e.name, name)) return ATOM(e.id);
  return 0;
}

ATOM GlobalDeleteAtom(ATOM atom) {
  if (atom < kFirstSharedId) return atom;
  SharedLock lock("names");
  if (!lock.locked()) return atom;
  std::vector<NameEntry> names = ReadNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].id != atom) continue;
    if (names[i].uses == kPermanent) return 0;
    if (names[i].uses > 1) {
      --names[i].uses;
    } else {
      names.erase(names.begin() + long(i));
    }
    return WriteNames(names) ? 0 : atom;
  }
  return atom;
}

bool GlobalGetAtomName(ATOM atom, std::string& out) { return GetSharedName(atom, out); }

unsigned GlobalGetAtomName(ATOM atom, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  std::string name;
  if (!GetSharedName(atom, name)) return 0;
  std::size_t n = std::min(name.size(), std::size_t(size - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return unsigned(n);
}

namespace {

bool ParseClipboard(const std::vector<std::uint8_t>& b, std::vector<ClipboardItem>* items, std::uint32_t* seq) {
  Reader r{b};
  if (!r.Has(16) || std::memcmp(b.data(), "TCLP", 4) != 0) return false;
  r.pos = 4;
  if (r.U32() != 1) return false;
  std::uint32_t s = r.U32();
  std::uint32_t count = r.U32();
  if (seq) *seq = s;
  if (!items) return true;
  for (std::uint32_t i = 0; i < count && items->size() < kMaxClipboardItems; ++i) {
    if (!r.Has(8)) break;
    std::uint32_t format = r.U32(), size = r.U32();
    if (!r.Has(size)) break;
    ClipboardItem it;
    it.format = format;
    it.data.assign(b.begin() + long(r.pos), b.begin() + long(r.pos + size));
    r.pos += size;
    items->push_back(std::move(it));
  }
  return true;
}

}  // namespace

bool WriteSharedClipboard(const std::vector<ClipboardItem>& items, std::uint32_t* sequence) {
  if (items.size() > kMaxClipboardItems) return false;
  std::size_t total = 0;
  for (const ClipboardItem& it : items) total += it.data.size() + 8;
  if (total > kMaxClipboardBytes) return false;
  SharedLock lock("clipboard");
  if (!lock.locked()) return false;
  std::uint32_t seq = 0;
  std::vector<std::uint8_t> old;
  if (ReadSharedFile(kClipFile, old, kMaxClipboardBytes + 16)) ParseClipboard(old, nullptr, &seq);
  ++seq;
  if (seq == 0) seq = 1;
  std::vector<std::uint8_t> b = {'T', 'C', 'L', 'P'};
  PutU32(b, 1);
  PutU32(b, seq);
  PutU32(b, std::uint32_t(items.size()));
  for (const ClipboardItem& it : items) {
    PutU32(b, it.format);
    PutU32(b, std::uint32_t(it.data.size()));
    b.insert(b.end(), it.data.begin(), it.data.end());
  }
  if (!WriteSharedFile(kClipFile, b)) return false;
  if (sequence) *sequence = seq;
  return true;
}

bool ReadSharedClipboard(std::vector<ClipboardItem>& items, std::uint32_t* sequence) {
  items.clear();
  if (sequence) *sequence = 0;
  SharedLock lock("clipboard");
  if (!lock.locked()) return false;
  std::vector<std::uint8_t> b;
  if (!ReadSharedFile(kClipFile, b, kMaxClipboardBytes + 16)) return true;  // never written
  ParseClipboard(b, &items, sequence);
  return true;
}

std::uint32_t SharedClipboardSequence() {
  std::vector<std::uint8_t> head;
  SharedLock lock("clipboard");
  if (!lock.locked()) return 0;
  // The header alone decides; a larger file is fine here.
  std::string dir = GetSharedFolder();
  if (dir.empty()) return 0;
  int fd = ::open((dir + kClipFile).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return 0;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 0;
  }
  head.resize(16);
  ssize_t n = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (n != 16) return 0;
  std::uint32_t seq = 0;
  ParseClipboard(head, nullptr, &seq);
  return seq;
}

}  // namespace plat
