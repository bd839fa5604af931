#include "text/truetype.h"

#include <cstring>
#include <memory>

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

// One open font file: its length and table directory, read once.
class TtFile {
 public:
  explicit TtFile(CFileServices& f) : f_(f), length_(f.GetLength()) {}

  // Exactly n bytes at the offset, or false. Small reads go through a few
  // cached blocks, so that neighbouring fields cost one file read.
  bool ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
    if (offset > length_ || n > length_ - offset) return false;
    if (n == 0) return true;
    if (n > kBlock) return f_.Seek(offset) && f_.Read(buf, n) == n;
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

  bool Head(TtFontMetrics* m, int* locaFormat) {
    std::uint32_t off, len;
    std::uint8_t h[54];
    if (!FindTable("head", &off, &len) || len < 54 || !ReadAt(off, h, 54)) return false;
    m->unitsPerEm = BE16(h + 18);
    m->xMin = std::int16_t(BE16(h + 36));
    m->yMin = std::int16_t(BE16(h + 38));
    m->xMax = std::int16_t(BE16(h + 40));
    m->yMax = std::int16_t(BE16(h + 42));
    *locaFormat = std::int16_t(BE16(h + 50));
    return true;
  }

  bool Maxp(std::uint16_t* glyphCount) {
    std::uint32_t off, len;
    std::uint8_t b[2];
    if (!FindTable("maxp", &off, &len) || len < 6 || !ReadAt(off + 4, b, 2)) return false;
    *glyphCount = BE16(b);
    return true;
  }

  bool Lookup(std::uint32_t code, std::uint16_t* glyph);
  bool Glyph(std::uint16_t glyph, std::vector<std::uint8_t>* data);

 private:
  static constexpr std::size_t kBlock = 4096;
  static constexpr std::size_t kBlocks = 8;

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
    c.valid = f_.Seek(start) && f_.Read(c.bytes.get(), n) == n;
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

  CFileServices& f_;
  std::uint64_t length_;
  bool dirRead_ = false;
  std::vector<std::uint8_t> dir_;
};

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

bool TtFile::Lookup(std::uint32_t code, std::uint16_t* glyph) {
  *glyph = 0;
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
    const std::uint16_t format = BE16(sh);
    if (format != 2 && format != 4) continue;
    // The subtable's own length, cut to the table.
    std::vector<std::uint8_t> t;
    if (!ReadBytes(off + std::uint64_t(sub), std::min<std::size_t>(BE16(sh + 2), len - sub), &t))
      return false;
    *glyph = format == 4 ? Format4(t.data(), t.size(), code) : Format2(t.data(), t.size(), code);
    return true;
  }
  return false;
}

bool TtFile::Glyph(std::uint16_t glyph, std::vector<std::uint8_t>* data) {
  data->clear();
  TtFontMetrics m;
  int format = 0;
  std::uint16_t count = 0;
  std::uint32_t glyf, glyfLen, loca, locaLen;
  if (!Head(&m, &format) || !Maxp(&count) || !FindTable("loca", &loca, &locaLen) ||
      !FindTable("glyf", &glyf, &glyfLen))
    return false;
  if (glyph >= count) return false;
  std::uint64_t from, to;
  if (format == 1) {
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
  if (to < from || to > glyfLen) return false;
  return ReadBytes(glyf + from, std::size_t(to - from), data);
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
  if (d.size() < 10) return false;
  const std::int16_t contours = std::int16_t(BE16(d.data()));
  if (contours < 1 || contours > 999) return false;
  std::size_t pos = 10;
  if (pos + 2 * std::size_t(contours) + 2 > d.size()) return false;
  for (int i = 0; i < contours; ++i) {
    std::uint16_t e = BE16(d.data() + pos);
    pos += 2;
    if (!g->ends.empty() && e < g->ends.back()) {
      for (int b = 0; b < 4; ++b) plat::MessageBeep(0);
      return false;
    }
    g->ends.push_back(e);
  }
  const std::size_t points = std::size_t(g->ends.back()) + 1;
  const std::size_t instr = BE16(d.data() + pos);
  pos += 2 + instr;
  if (pos > d.size()) return false;
  std::vector<std::uint8_t> flags;
  flags.reserve(points);
  while (flags.size() < points) {
    if (pos >= d.size()) return false;
    std::uint8_t f = d[pos++];
    std::size_t r = 1;
    if (f & 0x08) {
      if (pos >= d.size()) return false;
      r += d[pos++];
    }
    if (flags.size() + r > points) return false;
    flags.insert(flags.end(), r, f);
  }
  g->points.resize(points);
  for (int axis = 0; axis < 2; ++axis) {
    const std::uint8_t shortBit = axis == 0 ? 0x02 : 0x04, sameBit = axis == 0 ? 0x10 : 0x20;
    for (std::size_t i = 0; i < points; ++i) {
      const std::uint8_t f = flags[i];
      std::int32_t v = 0;
      if (f & shortBit) {
        if (pos >= d.size()) return false;
        v = (f & sameBit) ? d[pos] : -std::int32_t(d[pos]);
        ++pos;
      } else if (!(f & sameBit)) {
        if (pos + 2 > d.size()) return false;
        v = std::int16_t(BE16(d.data() + pos));
        pos += 2;
      }
      (axis == 0 ? g->points[i].dx : g->points[i].dy) = v;
      g->points[i].onCurve = f & 0x01;
    }
  }
  return true;
}

std::unique_ptr<CPathPointList> CTrueTypeReader::BuildOutline(const TtSimpleGlyph& g) {
  struct Pt {
    float x, y;
    bool on;
  };
  auto out = std::make_unique<CPathPointList>();
  std::int32_t x = 0, y = 0;
  std::size_t first = 0;
  for (std::uint16_t end : g.ends) {
    std::vector<Pt> c;
    for (std::size_t i = first; i <= end && i < g.points.size(); ++i) {
      x += g.points[i].dx;
      y += g.points[i].dy;
      c.push_back({float(x), float(y), g.points[i].onCurve});
    }
    first = std::size_t(end) + 1;
    if (c.empty()) continue;
    // The contour starts at an on-curve point: its first, else its last, else
    // the midpoint of the last and the first.
    std::vector<Pt> seq;
    Pt start;
    if (c.front().on) {
      start = c.front();
      seq.assign(c.begin() + 1, c.end());
    } else if (c.back().on) {
      start = c.back();
      seq.assign(c.begin(), c.end() - 1);
    } else {
      start = {(c.back().x + c.front().x) / 2.0f, (c.back().y + c.front().y) / 2.0f, true};
      seq = c;
    }
    std::vector<PathPoint> recs;
    recs.push_back({start.x, start.y, 0x11});
    Pt p0 = start;
    for (std::size_t i = 0; i < seq.size();) {
      const Pt& q = seq[i];
      if (q.on) {
        recs.push_back({q.x, q.y, 0x01});
        p0 = q;
        ++i;
        continue;
      }
      Pt p1;
      if (i + 1 >= seq.size()) {
        p1 = start;
        ++i;
      } else if (seq[i + 1].on) {
        p1 = seq[i + 1];
        i += 2;
      } else {
        p1 = {(q.x + seq[i + 1].x) / 2.0f, (q.y + seq[i + 1].y) / 2.0f, true};
        ++i;
      }
      recs.push_back({(2.0f * q.x + p0.x) / 3.0f, (2.0f * q.y + p0.y) / 3.0f, 0x00});
      recs.push_back({(2.0f * q.x + p1.x) / 3.0f, (2.0f * q.y + p1.y) / 3.0f, 0x00});
      recs.push_back({p1.x, p1.y, 0x01});
      p0 = p1;
    }
    if (recs.size() > 1) recs.back().flags = 0x41;
    for (const PathPoint& p : recs) out->AddPoint(p);
  }
  if (out->count == 0) return nullptr;
  out->EndPoints();
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
  CDiskFile f;
  if (!f.Open(path, "rb")) return nullptr;
  TtFile tt(f);
  std::uint32_t glyf, glyfLen;
  int locaFormat = 0;
  if (!tt.FindTable("glyf", &glyf, &glyfLen) || !tt.Head(metrics, &locaFormat)) return nullptr;
  TtNameRecord rec;
  bool named = tt.FontName(&rec);
  // Codes in the font's own code.
  if (named && rec.languageId == kLangTaiwan && charSet == kGb2312) {
    code = std::uint16_t(g_CodeTables.GbToBig5(code));
    charSet = kBig5;
  } else if (named && rec.languageId == kLangPrc && charSet == kBig5) {
    std::uint16_t mem = std::uint16_t((code >> 8) | (code << 8));  // lead in the low byte
    std::uint16_t gb = g_CodeTables.Big5ToGb(mem);
    code = std::uint16_t((gb >> 8) | (gb << 8));
    charSet = kGb2312;
  }
  std::uint32_t lookup = code;
  if (!named || rec.encodingId == 1) {
    lookup = plat::CharCodeToUnicode(charSet == kBig5 ? plat::CP_BIG5 : plat::CP_GBK, code);
  }
  std::uint16_t glyph = 0;
  if (!tt.Lookup(lookup, &glyph)) return nullptr;
  std::vector<std::uint8_t> data;
  if (!tt.Glyph(glyph, &data) || data.empty()) return nullptr;
  TtSimpleGlyph g;
  if (!ParseSimpleGlyph(data, &g)) return nullptr;
  return BuildOutline(g);
}
