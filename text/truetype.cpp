#include "text/truetype.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "model/segarray.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "text/codetables.h"

namespace {

std::uint16_t BE16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
std::uint32_t BE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

constexpr std::uint16_t kLangPrc = 2052;
constexpr std::uint16_t kLangTaiwan = 1028;

// One font file: its length and table directory, and the tables the reader
// uses, each read once. Reads go through the file, or come from the whole
// file held in memory.
class TtFile {
 public:
  explicit TtFile(CFileServices& f) : f_(&f), length_(f.GetLength()) {}
  explicit TtFile(std::vector<std::uint8_t> bytes)
      : length_(bytes.size()), mem_(std::move(bytes)) {
    mem_.resize(std::size_t(length_) + 2, 0);
  }

  std::size_t MemoryBytes() const { return mem_.capacity(); }

  // Exactly n bytes at the offset, or false. Small reads from a file go
  // through a few cached blocks, so that neighbouring fields cost one file read.
  bool ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
    if (offset > length_ || n > length_ - offset) return false;
    if (n == 0) return true;
    if (!f_) {
      std::memcpy(buf, mem_.data() + offset, n);
      return true;
    }
    if (n > kBlock) return f_->Seek(offset) && f_->Read(buf, n) == n;
    auto* out = static_cast<std::uint8_t*>(buf);
    while (n > 0) {
      const std::uint64_t start = offset / kBlock * kBlock;
      const std::uint8_t* block = Block(start);
      if (!block) return false;
      const std::size_t from = std::size_t(offset - start);
      const std::size_t take = std::min<std::size_t>(n, std::size_t(std::min<std::uint64_t>(kBlock, length_ - start)) - from);
      std::memcpy(out, block + from, take);
      out += take;
      offset += take;
      n -= take;
    }
    return true;
  }
  bool ReadBytes(std::uint64_t offset, std::size_t n, std::vector<std::uint8_t>* out) {
    if (offset > length_ || n > length_ - offset) return false;
    out->resize(n);
    return ReadAt(offset, out->data(), n);
  }
  bool FindTable(const char* tag, std::uint32_t* offset, std::uint32_t* length) {
    if (!dirRead_) {
      dirRead_ = true;
      std::uint8_t head[12];
      if (!ReadAt(0, head, 12)) return false;
      // At most 40 records; a short directory keeps the records read whole.
      const std::size_t count = std::min<std::size_t>(BE16(head + 4), 40);
      std::vector<std::uint8_t> recs;
      std::size_t have = std::min<std::uint64_t>(count * 16, length_ > 12 ? (length_ - 12) / 16 * 16 : 0);
      if (!ReadBytes(12, have, &recs)) return false;
      dir_ = std::move(recs);
    }
    for (std::size_t at = 0; at + 16 <= dir_.size(); at += 16) {
      if (std::memcmp(dir_.data() + at, tag, 4) != 0) continue;
      *offset = BE32(dir_.data() + at + 8);
      *length = BE32(dir_.data() + at + 12);
      return std::uint64_t(*offset) + *length <= length_;
    }
    return false;
  }
  bool ReadTable(const char* tag, std::vector<std::uint8_t>* out) {
    std::uint32_t off, len;
    return FindTable(tag, &off, &len) && ReadBytes(off, len, out);
  }

  bool FontName(TtNameRecord* rec) {
    if (!name_.known) {
      name_.known = true;
      name_.ok = ReadFontName(&name_.rec);
    }
    if (name_.ok) *rec = name_.rec;
    return name_.ok;
  }

  bool Head(TtFontMetrics* m, int* locaFormat) {
    if (!head_.known) {
      head_.known = true;
      std::uint32_t off, len;
      std::uint8_t h[54];
      head_.ok = FindTable("head", &off, &len) && len >= 54 && ReadAt(off, h, 54);
      if (head_.ok) {
        head_.metrics.unitsPerEm = BE16(h + 18);
        head_.metrics.xMin = std::int16_t(BE16(h + 36));
        head_.metrics.yMin = std::int16_t(BE16(h + 38));
        head_.metrics.xMax = std::int16_t(BE16(h + 40));
        head_.metrics.yMax = std::int16_t(BE16(h + 42));
        head_.locaFormat = std::int16_t(BE16(h + 50));
      }
    }
    if (!head_.ok) return false;
    *m = head_.metrics;
    *locaFormat = head_.locaFormat;
    return true;
  }

  bool Maxp(std::uint16_t* glyphCount) {
    if (!maxp_.known) {
      maxp_.known = true;
      std::uint32_t off, len;
      std::uint8_t b[2];
      maxp_.ok = FindTable("maxp", &off, &len) && len >= 6 && ReadAt(off + 4, b, 2);
      if (maxp_.ok) maxp_.glyphs = BE16(b);
    }
    if (maxp_.ok) *glyphCount = maxp_.glyphs;
    return maxp_.ok;
  }

  bool Lookup(std::uint32_t code, std::uint16_t* glyph);
  bool Glyph(std::uint16_t glyph, std::vector<std::uint8_t>* data);
  // Where the glyph's bytes lie in the file; false for an index not below
  // the count or offsets outside the tables.
  bool GlyphRange(std::uint16_t glyph, std::uint64_t* at, std::size_t* size);
  // The whole file with two zero bytes after it; null when it is read
  // through a file.
  const std::uint8_t* Memory() const { return f_ ? nullptr : mem_.data(); }

 private:
  static constexpr std::size_t kBlock = 4096;
  static constexpr std::size_t kBlocks = 8;

  bool ReadFontName(TtNameRecord* rec);
  // The first 'cmap' subtable of format 2 or 4; false when there is none.
  bool CmapSubtable(std::uint16_t* format, const std::vector<std::uint8_t>** table);

  // The block at the offset (a multiple of kBlock inside the file), read
  // when it is not among the last few.
  const std::uint8_t* Block(std::uint64_t start) {
    for (auto& c : cache_)
      if (c.valid && c.start == start) return c.bytes.get();
    Cached* slot;
    if (cache_.size() < kBlocks) {
      cache_.push_back({false, 0, std::make_unique_for_overwrite<std::uint8_t[]>(kBlock)});
      slot = &cache_.back();
    } else {
      slot = &cache_[next_++ % kBlocks];
    }
    Cached& c = *slot;
    const std::size_t n = std::size_t(std::min<std::uint64_t>(kBlock, length_ - start));
    c.valid = f_->Seek(start) && f_->Read(c.bytes.get(), n) == n;
    c.start = start;
    return c.valid ? c.bytes.get() : nullptr;
  }
  struct Cached {
    bool valid;
    std::uint64_t start;
    std::unique_ptr<std::uint8_t[]> bytes;
  };
  std::vector<Cached> cache_;
  std::size_t next_ = 0;

  CFileServices* f_ = nullptr;
  std::uint64_t length_;
  std::vector<std::uint8_t> mem_;
  bool dirRead_ = false;
  std::vector<std::uint8_t> dir_;
  struct {
    bool known = false, ok = false;
    TtNameRecord rec;
  } name_;
  struct {
    bool known = false, ok = false;
    TtFontMetrics metrics;
    int locaFormat = 0;
  } head_;
  struct {
    bool known = false, ok = false;
    std::uint16_t glyphs = 0;
  } maxp_;
  struct {
    bool known = false, ok = false;
    std::uint16_t format = 0;
    std::vector<std::uint8_t> table;
  } cmap_;
  struct {
    bool known = false, ok = false;
    int format = 0;
    std::uint16_t count = 0;
    std::uint32_t glyf = 0, glyfLen = 0, loca = 0, locaLen = 0;
  } glyphs_;
};

bool TtFile::ReadFontName(TtNameRecord* rec) {
  std::uint32_t off, len;
  std::uint8_t h[6];
  if (!FindTable("name", &off, &len) || len < 6 || !ReadAt(off, h, 6)) return false;
  const std::size_t count = BE16(h + 2), strings = BE16(h + 4);
  std::vector<std::uint8_t> recs;
  const std::size_t have = std::min<std::size_t>(count, (len - 6) / 12);
  if (!ReadBytes(off + 6, have * 12, &recs)) return false;
  for (std::size_t i = 0; i < have; ++i) {
    const std::uint8_t* r = recs.data() + 12 * i;
    std::uint16_t platform = BE16(r), lang = BE16(r + 4), nameId = BE16(r + 6);
    if (platform != 3 || (lang != kLangPrc && lang != kLangTaiwan) || nameId != 4) continue;
    rec->platformId = platform;
    rec->encodingId = BE16(r + 2);
    rec->languageId = lang;
    rec->nameId = nameId;
    rec->length = BE16(r + 8);
    rec->offset = BE16(r + 10);
    const std::uint64_t from = std::uint64_t(strings) + rec->offset;
    if (from + rec->length > len) return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadBytes(off + from, rec->length, &bytes)) return false;
    rec->bytes.assign(bytes.begin(), bytes.end());
    return true;
  }
  return false;
}

std::uint16_t Format4(const std::uint8_t* t, std::size_t n, std::uint32_t code) {
  if (n < 14 || code > 0xFFFF) return 0;
  const std::size_t segX2 = BE16(t + 6) & ~1u;
  const std::size_t segs = segX2 / 2;
  if (segs == 0 || 16 + 4 * segX2 > n) return 0;
  const std::uint8_t* endc = t + 14;
  const std::uint8_t* startc = endc + segX2 + 2;
  const std::uint8_t* delta = startc + segX2;
  const std::uint8_t* range = delta + segX2;
  // First segment whose end is not below the code (ends ascend).
  std::size_t lo = 0, hi = segs;
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (BE16(endc + 2 * mid) < code) lo = mid + 1; else hi = mid;
  }
  if (lo == segs) return 0;
  const std::size_t i = lo;
  const std::uint16_t start = BE16(startc + 2 * i);
  if (code < start) return 0;
  const std::uint16_t d = BE16(delta + 2 * i);
  const std::uint16_t ro = BE16(range + 2 * i);
  if (ro == 0) return std::uint16_t(code + d);
  const std::size_t at = std::size_t(range + 2 * i - t) + ro + 2 * (code - start);
  if (at + 2 > n) return 0;
  const std::uint16_t g = BE16(t + at);
  return g == 0 ? 0 : std::uint16_t(g + d);
}

std::uint16_t Format2(const std::uint8_t* t, std::size_t n, std::uint32_t code) {
  if (n < 6 + 512 || code > 0xFFFF) return 0;
  const std::uint8_t hi = std::uint8_t(code >> 8), lo = std::uint8_t(code);
  std::size_t key;
  if (code < 0x100) {
    key = BE16(t + 6 + 2 * lo) / 8;
    if (key != 0) return 0;  // a lead byte alone
  } else {
    key = BE16(t + 6 + 2 * hi) / 8;
    if (key == 0) return 0;  // not a lead byte
  }
  const std::size_t sh = 6 + 512 + 8 * key;
  if (sh + 8 > n) return 0;
  const std::uint16_t first = BE16(t + sh), count = BE16(t + sh + 2);
  const std::uint16_t d = BE16(t + sh + 4), ro = BE16(t + sh + 6);
  if (lo < first || lo >= std::uint32_t(first) + count) return 0;
  const std::size_t at = sh + 6 + ro + 2 * std::size_t(lo - first);
  if (at + 2 > n) return 0;
  const std::uint16_t g = BE16(t + at);
  return g == 0 ? 0 : std::uint16_t(g + d);
}

bool TtFile::CmapSubtable(std::uint16_t* format, const std::vector<std::uint8_t>** table) {
  if (!cmap_.known) {
    cmap_.known = true;
    std::uint32_t off, len;
    std::uint8_t h[4];
    if (!FindTable("cmap", &off, &len) || len < 4 || !ReadAt(off, h, 4)) return false;
    const std::size_t count = std::min<std::size_t>(BE16(h + 2), (len - 4) / 8);
    std::vector<std::uint8_t> recs;
    if (!ReadBytes(off + 4, count * 8, &recs)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t sub = BE32(recs.data() + 8 * i + 4);
      std::uint8_t sh[4];
      if (sub > len || len - sub < 4 || !ReadAt(off + std::uint64_t(sub), sh, 4)) continue;
      const std::uint16_t f = BE16(sh);
      if (f != 2 && f != 4) continue;
      // The subtable's own length, cut to the table.
      cmap_.ok = ReadBytes(off + std::uint64_t(sub), std::min<std::size_t>(BE16(sh + 2), len - sub),
                           &cmap_.table);
      cmap_.format = f;
      break;
    }
  }
  *format = cmap_.format;
  *table = &cmap_.table;
  return cmap_.ok;
}

bool TtFile::Lookup(std::uint32_t code, std::uint16_t* glyph) {
  *glyph = 0;
  std::uint16_t format;
  const std::vector<std::uint8_t>* t;
  if (!CmapSubtable(&format, &t)) return false;
  *glyph = format == 4 ? Format4(t->data(), t->size(), code) : Format2(t->data(), t->size(), code);
  return true;
}

bool TtFile::GlyphRange(std::uint16_t glyph, std::uint64_t* at, std::size_t* size) {
  if (!glyphs_.known) {
    glyphs_.known = true;
    TtFontMetrics m;
    glyphs_.ok = Head(&m, &glyphs_.format) && Maxp(&glyphs_.count) &&
                 FindTable("loca", &glyphs_.loca, &glyphs_.locaLen) &&
                 FindTable("glyf", &glyphs_.glyf, &glyphs_.glyfLen);
  }
  if (!glyphs_.ok || glyph >= glyphs_.count) return false;
  const std::uint32_t loca = glyphs_.loca, locaLen = glyphs_.locaLen;
  std::uint64_t from, to;
  if (glyphs_.format == 1) {
    std::uint8_t b[8];
    if (4 * std::uint64_t(glyph) + 8 > locaLen || !ReadAt(loca + 4 * std::uint64_t(glyph), b, 8))
      return false;
    from = BE32(b);
    to = BE32(b + 4);
  } else {
    std::uint8_t b[4];
    if (2 * std::uint64_t(glyph) + 4 > locaLen || !ReadAt(loca + 2 * std::uint64_t(glyph), b, 4))
      return false;
    from = 2 * std::uint64_t(BE16(b));
    to = 2 * std::uint64_t(BE16(b + 2));
  }
  if (to < from || to > glyphs_.glyfLen) return false;
  // Inside the file: the table is.
  *at = glyphs_.glyf + from;
  *size = std::size_t(to - from);
  return true;
}

bool TtFile::Glyph(std::uint16_t glyph, std::vector<std::uint8_t>* data) {
  data->clear();
  std::uint64_t at;
  std::size_t size;
  return GlyphRange(glyph, &at, &size) && ReadBytes(at, size, data);
}

// Files read once and kept whole, a few at a time, by path. Each kept file is
// watched: a change to it (written, truncated, its times or links changed,
// replaced, removed) drops it before the next use, which reads it again.
// Without a watch a file is not kept.
class FaceCache {
 public:
  static constexpr std::size_t kMaxFaces = 4;
  static constexpr std::uint64_t kMaxFileBytes = 32u << 20;
  static constexpr std::size_t kMaxBytes = 64u << 20;

  std::mutex mu;

  // The file as a whole in memory, kept here; null when it is not kept (too
  // large, not there, or not watched): then it is to be read as it is.
  TtFile* Get(const std::string& path) {
    TakeEvents();
    ++tick_;
    for (Face& f : faces_) {
      if (f.path == path) {
        f.used = tick_;
        return f.file.get();
      }
    }
    if (watcher_ < 0) return nullptr;
    // Watched first, so that a change while it is read is seen.
    const int wd = inotify_add_watch(watcher_, path.c_str(), kEvents);
    if (wd < 0) return nullptr;
    auto file = ReadWhole(path);
    if (!file) {
      Unwatch(wd);
      return nullptr;
    }
    while (!faces_.empty() &&
           (faces_.size() >= kMaxFaces || bytes_ + file->MemoryBytes() > kMaxBytes)) {
      std::size_t oldest = 0;
      for (std::size_t i = 1; i < faces_.size(); ++i)
        if (faces_[i].used < faces_[oldest].used) oldest = i;
      Drop(oldest);
    }
    bytes_ += file->MemoryBytes();
    faces_.push_back({path, wd, std::move(file), tick_});
    return faces_.back().file.get();
  }

  FaceCache() : watcher_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

 private:
  static constexpr std::uint32_t kEvents =
      IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;

  struct Face {
    std::string path;
    int wd;
    std::unique_ptr<TtFile> file;
    std::uint64_t used;
  };

  static std::unique_ptr<TtFile> ReadWhole(const std::string& path) {
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (!fp) return nullptr;
    struct stat st;
    std::unique_ptr<TtFile> file;
    if (::fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
        std::uint64_t(st.st_size) <= kMaxFileBytes) {
      std::vector<std::uint8_t> bytes(std::size_t(st.st_size));
      const std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), fp);
      if (got == bytes.size() && std::fgetc(fp) == EOF) file = std::make_unique<TtFile>(std::move(bytes));
    }
    std::fclose(fp);
    return file;
  }

  // Drops the files that changed since the last look.
  void TakeEvents() {
    if (watcher_ < 0 || faces_.empty()) return;
    alignas(inotify_event) char buf[4096];
    for (;;) {
      const ssize_t n = ::read(watcher_, buf, sizeof buf);
      if (n <= 0) return;
      for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
        inotify_event ev;
        std::memcpy(&ev, buf + at, sizeof ev);
        if (ev.mask & IN_Q_OVERFLOW) {
          while (!faces_.empty()) Drop(faces_.size() - 1);
        } else {
          for (std::size_t i = faces_.size(); i-- > 0;)
            if (faces_[i].wd == ev.wd) Drop(i, !(ev.mask & IN_IGNORED));
        }
        at += ssize_t(sizeof(inotify_event) + ev.len);
      }
    }
  }
  void Unwatch(int wd) {
    for (const Face& f : faces_)
      if (f.wd == wd) return;  // another path of the same file
    inotify_rm_watch(watcher_, wd);
  }
  void Drop(std::size_t i, bool unwatch = true) {
    const int wd = faces_[i].wd;
    bytes_ -= faces_[i].file->MemoryBytes();
    faces_.erase(faces_.begin() + std::ptrdiff_t(i));
    if (unwatch) Unwatch(wd);
  }

  int watcher_;
  std::vector<Face> faces_;
  std::size_t bytes_ = 0;
  std::uint64_t tick_ = 0;
};

FaceCache& Faces() {
  static FaceCache* cache = new FaceCache;  // outlives static destructors
  return *cache;
}

// The points of a simple glyph at their positions (the deltas added up from
// the first point on) with their on-curve flags.
struct GlyphPoints {
  std::vector<std::uint16_t> ends;
  std::vector<std::int32_t> x, y;
  std::vector<std::uint8_t> on;
};

// The glyph's n bytes at d, which has two more readable bytes after them.
bool ParsePoints(const std::uint8_t* d, std::size_t n, GlyphPoints* g) {
  g->ends.clear();
  if (n < 10) return false;
  const std::int16_t contours = std::int16_t(BE16(d));
  if (contours < 1 || contours > 999) return false;
  std::size_t pos = 10;
  if (pos + 2 * std::size_t(contours) + 2 > n) return false;
  for (int i = 0; i < contours; ++i) {
    std::uint16_t e = BE16(d + pos);
    pos += 2;
    if (!g->ends.empty() && e < g->ends.back()) {
      for (int b = 0; b < 4; ++b) plat::MessageBeep(0);
      return false;
    }
    g->ends.push_back(e);
  }
  const std::size_t points = std::size_t(g->ends.back()) + 1;
  const std::size_t instr = BE16(d + pos);
  pos += 2 + instr;
  if (pos > n) return false;
  std::vector<std::uint8_t>& flags = g->on;
  flags.resize(points);
  for (std::size_t have = 0; have < points;) {
    if (pos >= n) return false;
    std::uint8_t f = d[pos++];
    std::size_t r = 1;
    if (f & 0x08) {
      if (pos >= n) return false;
      r += d[pos++];
    }
    if (have + r > points) return false;
    if (r == 1)
      flags[have] = f;
    else
      std::memset(flags.data() + have, f, r);
    have += r;
  }
  g->x.resize(points);
  g->y.resize(points);
  for (int axis = 0; axis < 2; ++axis) {
    const int shortShift = axis == 0 ? 1 : 2, sameShift = axis == 0 ? 4 : 5;
    // Short deltas take one byte, long ones two, repeated ones none; the
    // bytes they need must be there (bytes are read at most at the end, in
    // the two readable ones after it). Kinds: bit 0 short, bit 1 same or
    // positive.
    static constexpr std::uint8_t kBytes[4] = {2, 1, 0, 1};
    std::int32_t* out = axis == 0 ? g->x.data() : g->y.data();
    std::int32_t at = 0;
    for (std::size_t i = 0; i < points; ++i) {
      const unsigned f = flags[i];
      const std::int32_t sh = std::int32_t((f >> shortShift) & 1);
      const std::int32_t same = std::int32_t((f >> sameShift) & 1);
      const std::size_t rp = std::min(pos, n);
      const std::int32_t b0 = d[rp], b1 = d[rp + 1];
      const std::int32_t neg = same - 1;  // all ones when the short delta is negative
      const std::int32_t shortDelta = (b0 ^ neg) - neg;
      const std::int32_t longDelta = std::int32_t(std::int16_t(std::uint16_t(b0 << 8 | b1))) & neg;
      const std::int32_t pick = -sh;  // all ones for a short delta
      at = std::int32_t(std::uint32_t(at) + std::uint32_t((shortDelta & pick) | (longDelta & ~pick)));
      pos += kBytes[unsigned(sh) | unsigned(same) << 1];
      out[i] = at;
    }
    if (pos > n) return false;
  }
  for (std::uint8_t& f : flags) f &= 0x01;
  return true;
}

// One contour's records into out (room for 1 + 3 count); their count. It
// starts at an on-curve point (its first, else its last, else the midpoint
// of the last and the first), quadratic pieces become cubic ones, and the
// node of its last point closes it.
std::size_t ContourRecords(const std::int32_t* xs, const std::int32_t* ys, const std::uint8_t* on,
                           std::size_t count, PathPoint* out) {
  struct Pt {
    float x, y;
    bool on;
  };
  if (count == 0) return 0;
  PathPoint* w = out;
  auto at = [&](std::size_t i) { return Pt{float(xs[i]), float(ys[i]), on[i] != 0}; };
  std::size_t sb, n;
  Pt start;
  if (on[0]) {
    start = at(0);
    sb = 1;
    n = count - 1;
  } else if (on[count - 1]) {
    start = at(count - 1);
    sb = 0;
    n = count - 1;
  } else {
    const Pt last = at(count - 1), first = at(0);
    start = {(last.x + first.x) / 2.0f, (last.y + first.y) / 2.0f, true};
    sb = 0;
    n = count;
  }
  auto seq = [&](std::size_t i) { return at(sb + i); };
  *w++ = {start.x, start.y, 0x11};
  Pt p0 = start;
  for (std::size_t i = 0; i < n;) {
    const Pt q = seq(i);
    if (q.on) {
      *w++ = {q.x, q.y, 0x01};
      p0 = q;
      ++i;
      continue;
    }
    Pt p1;
    if (i + 1 >= n) {
      p1 = start;
      ++i;
    } else if (const Pt r = seq(i + 1); r.on) {
      p1 = r;
      i += 2;
    } else {
      p1 = {(q.x + r.x) / 2.0f, (q.y + r.y) / 2.0f, true};
      ++i;
    }
    *w++ = {ThirdOf(2.0f * q.x + p0.x), ThirdOf(2.0f * q.y + p0.y), 0x00};
    *w++ = {ThirdOf(2.0f * q.x + p1.x), ThirdOf(2.0f * q.y + p1.y), 0x00};
    *w++ = {p1.x, p1.y, 0x01};
    p0 = p1;
  }
  const std::size_t written = std::size_t(w - out);
  if (written > 1) w[-1].flags = 0x41;
  return written;
}

// The outline of parsed points; null without records.
std::unique_ptr<CPathPointList> OutlineOfPoints(const GlyphPoints& g) {
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  std::size_t first = 0;
  for (std::uint16_t end : g.ends) {
    if (first <= end && first < g.x.size()) {
      const std::size_t n = std::min<std::size_t>(end, g.x.size() - 1) - first + 1;
      PathPoint* room = build.Room(1 + 3 * n);
      build.Commit(ContourRecords(g.x.data() + first, g.y.data() + first, g.on.data() + first, n, room));
    }
    first = std::size_t(end) + 1;
  }
  if (build.count() == 0) return nullptr;
  build.EndPoints();
  return out;
}

std::unique_ptr<CPathPointList> OutlineOf(TtFile& tt, std::uint16_t code, int charSet,
                                          TtFontMetrics* metrics) {
  std::uint32_t glyf, glyfLen;
  int locaFormat = 0;
  if (!tt.FindTable("glyf", &glyf, &glyfLen) || !tt.Head(metrics, &locaFormat)) return nullptr;
  TtNameRecord rec;
  bool named = tt.FontName(&rec);
  // Codes in the font's own code.
  if (named && rec.languageId == kLangTaiwan && charSet == CTrueTypeReader::kGb2312) {
    code = std::uint16_t(g_CodeTables.GbToBig5(code));
    charSet = CTrueTypeReader::kBig5;
  } else if (named && rec.languageId == kLangPrc && charSet == CTrueTypeReader::kBig5) {
    std::uint16_t mem = std::uint16_t((code >> 8) | (code << 8));  // lead in the low byte
    std::uint16_t gb = g_CodeTables.Big5ToGb(mem);
    code = std::uint16_t((gb >> 8) | (gb << 8));
    charSet = CTrueTypeReader::kGb2312;
  }
  std::uint32_t lookup = code;
  if (!named || rec.encodingId == 1) {
    lookup = plat::CharCodeToUnicode(charSet == CTrueTypeReader::kBig5 ? plat::CP_BIG5 : plat::CP_GBK,
                                     code);
  }
  std::uint16_t glyph = 0;
  if (!tt.Lookup(lookup, &glyph)) return nullptr;
  thread_local std::vector<std::uint8_t> data;
  thread_local GlyphPoints g;
  std::uint64_t at;
  std::size_t n;
  if (!tt.GlyphRange(glyph, &at, &n) || n == 0) return nullptr;
  // The parser reads a little ahead: a file in memory has room for it.
  const std::uint8_t* bytes = tt.Memory() ? tt.Memory() + at : nullptr;
  if (!bytes) {
    if (!tt.ReadBytes(at, n, &data)) return nullptr;
    data.resize(n + 2, 0);
    bytes = data.data();
  }
  if (!ParsePoints(bytes, n, &g)) return nullptr;
  return OutlineOfPoints(g);
}

}  // namespace

bool CTrueTypeReader::FindTable(CFileServices& file, const char* tag, std::uint32_t* offset,
                                std::uint32_t* length) {
  return TtFile(file).FindTable(tag, offset, length);
}

bool CTrueTypeReader::FindFontName(CFileServices& file, TtNameRecord* record) {
  return TtFile(file).FontName(record);
}

bool CTrueTypeReader::GetGlyfOffset(CFileServices& file, std::uint32_t* offset,
                                    std::uint32_t* length) {
  return TtFile(file).FindTable("glyf", offset, length);
}

bool CTrueTypeReader::ReadHead(CFileServices& file, TtFontMetrics* metrics, int* locaFormat) {
  return TtFile(file).Head(metrics, locaFormat);
}

bool CTrueTypeReader::ReadMaxp(CFileServices& file, std::uint16_t* glyphCount) {
  return TtFile(file).Maxp(glyphCount);
}

bool CTrueTypeReader::FindLoca(CFileServices& file, std::uint32_t* offset, std::uint32_t* length) {
  return TtFile(file).FindTable("loca", offset, length);
}

bool CTrueTypeReader::LookupGlyphIndex(CFileServices& file, std::uint32_t code,
                                       std::uint16_t* glyph) {
  return TtFile(file).Lookup(code, glyph);
}

bool CTrueTypeReader::ReadGlyph(CFileServices& file, std::uint16_t glyph,
                                std::vector<std::uint8_t>* data) {
  return TtFile(file).Glyph(glyph, data);
}

bool CTrueTypeReader::ParseSimpleGlyph(const std::vector<std::uint8_t>& d, TtSimpleGlyph* g) {
  g->ends.clear();
  g->points.clear();
  thread_local std::vector<std::uint8_t> padded;
  thread_local GlyphPoints parsed;
  padded.assign(d.begin(), d.end());
  padded.resize(d.size() + 2, 0);
  if (!ParsePoints(padded.data(), d.size(), &parsed)) return false;
  g->ends = parsed.ends;
  g->points.resize(parsed.x.size());
  for (std::size_t i = 0; i < parsed.x.size(); ++i) {
    // Differences of running sums of 16-bit deltas stay within 32 bits.
    const std::int32_t px = i ? parsed.x[i - 1] : 0, py = i ? parsed.y[i - 1] : 0;
    g->points[i] = {parsed.on[i] != 0, std::int32_t(std::uint32_t(parsed.x[i]) - std::uint32_t(px)),
                    std::int32_t(std::uint32_t(parsed.y[i]) - std::uint32_t(py))};
  }
  return true;
}

std::unique_ptr<CPathPointList> CTrueTypeReader::BuildOutline(const TtSimpleGlyph& g) {
  auto out = std::make_unique<CPathPointList>();
  CPathPointBuilder build(*out);
  // Working lists of one contour, kept for the next.
  thread_local std::vector<std::int32_t> xs, ys;
  thread_local std::vector<std::uint8_t> on;
  std::int32_t x = 0, y = 0;
  std::size_t first = 0;
  for (std::uint16_t end : g.ends) {
    xs.clear();
    ys.clear();
    on.clear();
    for (std::size_t i = first; i <= end && i < g.points.size(); ++i) {
      x += g.points[i].dx;
      y += g.points[i].dy;
      xs.push_back(x);
      ys.push_back(y);
      on.push_back(g.points[i].onCurve);
    }
    first = std::size_t(end) + 1;
    PathPoint* room = build.Room(1 + 3 * xs.size());
    build.Commit(ContourRecords(xs.data(), ys.data(), on.data(), xs.size(), room));
  }
  if (build.count() == 0) return nullptr;
  build.EndPoints();
  return out;
}

int CTrueTypeReader::GetFamilyName(const std::string& path, std::string& name) {
  name.clear();
  CDiskFile f;
  if (!f.Open(path, "rb")) return 0;
  TtNameRecord rec;
  if (!TtFile(f).FontName(&rec)) return 0;
  if (rec.encodingId == 1) {
    std::u16string u;
    for (std::size_t i = 0; i + 1 < rec.bytes.size(); i += 2)
      u.push_back(char16_t(std::uint8_t(rec.bytes[i]) << 8 | std::uint8_t(rec.bytes[i + 1])));
    std::string gb = plat::Utf16ToMultiByte(plat::CP_ACP, u);
    name = gb.substr(0, plat::GbkPrefixLength(gb, 80));
  } else {
    name.assign(rec.bytes.c_str());
    if (rec.languageId == kLangTaiwan) {
      std::vector<char> buf(name.begin(), name.end());
      buf.push_back(0);
      g_CodeTables.Big5ToGbString(buf.data());
      name = buf.data();
    }
  }
  if (name.empty()) return 0;
  return 1;
}

std::unique_ptr<CPathPointList> CTrueTypeReader::GetGlyphOutline(const std::string& path,
                                                                 std::uint16_t code, int charSet,
                                                                 TtFontMetrics* metrics) {
  FaceCache& cache = Faces();
  std::lock_guard lock(cache.mu);
  CDiskFile f;
  std::unique_ptr<TtFile> own;
  TtFile* tt = cache.Get(path);
  if (!tt) {
    if (!f.Open(path, "rb")) return nullptr;
    own = std::make_unique<TtFile>(f);
    tt = own.get();
  }
  return OutlineOf(*tt, code, charSet, metrics);
}
