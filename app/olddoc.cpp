#include "app/olddoc.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/bytes.h"
#include "platform/report.h"

namespace {

constexpr std::uint32_t kEndPairY = 0x48888888;
constexpr std::uint64_t kMaxOldData = 256u << 20;

void PutU16(std::vector<std::uint8_t>& v, std::uint16_t x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
void PutU32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}
void PutF32(std::vector<std::uint8_t>& v, float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  PutU32(v, u);
}
float F32(const std::uint8_t* p) {
  const std::uint32_t u = plat::GetU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return std::isfinite(f) ? f : 0.0f;
}
// Copies n f32 fields, non-finite ones as 0.
void CopyF32s(std::vector<std::uint8_t>& v, const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) PutF32(v, F32(p + 4 * i));
}

// Head of a converted record: letter, length (set by Finish), kind, flags, bounds.
std::size_t StartRecord(std::vector<std::uint8_t>& out, char letter, std::uint8_t kind, std::uint16_t flags,
                        const std::uint8_t* bounds) {
  const std::size_t at = out.size();
  out.push_back(std::uint8_t(letter));
  PutU32(out, 0);
  out.push_back(kind);
  PutU16(out, flags);
  CopyF32s(out, bounds, 4);
  return at;
}
bool FinishRecord(std::vector<std::uint8_t>& out, std::size_t at) {
  out.push_back(241);
  const std::size_t length = out.size() - at;
  if (length > std::numeric_limits<std::uint32_t>::max() - 16) {
    out.resize(at);
    return false;
  }
  plat::PutU32(out.data() + at + 1, std::uint32_t(length));
  return true;
}

class Walker {
 public:
  Walker(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  // Converts the record at pos_; false when it is bad (the walk then ends).
  bool Record(std::vector<std::uint8_t>& out, int depth);
  std::size_t pos_ = 0;

 private:
  bool Fits(std::size_t bytes) const { return bytes <= n_ - pos_; }
  bool Group(std::vector<std::uint8_t>& out, int depth);
  bool Path(std::vector<std::uint8_t>& out);
  bool Text(std::vector<std::uint8_t>& out);
  const std::uint8_t* d_;
  std::size_t n_;
  bool reported_ = false;
};

bool Walker::Group(std::vector<std::uint8_t>& out, int depth) {
  if (!Fits(53) || depth >= kOldDocMaxNesting) return false;
  const std::uint8_t* head = d_ + pos_;
  const std::uint32_t count = plat::GetU32(head + 17);
  pos_ += 53;
  std::vector<std::uint8_t> members;
  bool ok = true;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (pos_ >= n_ || d_[pos_] < 0x81 || d_[pos_] > 0x85 || !Record(members, depth + 1)) {
      if (!reported_) plat::MessageBox(kOldDocGroupError, kOldDocGroupCaption, plat::MB_OK);
      reported_ = true;
      ok = false;
      break;
    }
  }
  if (!members.empty()) {
    const std::size_t at = StartRecord(out, ')', 129, 0, head + 1);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (float f : identity) PutF32(out, f);
    const std::size_t block = out.size();
    out.push_back(2);
    PutU32(out, 0);
    out.insert(out.end(), members.begin(), members.end());
    out.push_back(254);
    plat::PutU32(out.data() + block + 1, std::uint32_t(std::min<std::size_t>(out.size() - block, 0xFFFFFFF0u)));
    FinishRecord(out, at);
  }
  return ok;
}

bool Walker::Path(std::vector<std::uint8_t>& out) {
  if (!Fits(55)) return false;
  const std::uint8_t* head = d_ + pos_;
  pos_ += 55;
  std::vector<std::uint8_t> points;
  std::uint32_t n = 0;
  bool ended = false;
  while (Fits(8)) {
    const std::uint8_t* p = d_ + pos_;
    pos_ += 8;
    if (p[0] == 'f' && plat::GetU32(p + 4) == kEndPairY) {
      ended = true;
      break;
    }
    const std::uint32_t first = plat::GetU32(p);
    const std::int32_t fixed = std::int32_t(first) >> 8;  // signed 24 bits
    std::uint8_t flags = std::uint8_t(first);
    if (flags == 0xFF) flags = 0x01;
    PutF32(points, float(fixed) / 100.0f);
    PutF32(points, F32(p + 4));
    points.push_back(flags);
    ++n;
  }
  if (n > 0) {
    const std::size_t at = StartRecord(out, '#', 128, plat::GetU16(head + 53), head + 1);
    CopyF32s(out, head + 17, 9);
    PutU32(out, 0);
    PutU32(out, n + 1);
    out.insert(out.end(), points.begin(), points.end());
    PutF32(out, 0);
    PutF32(out, 0);
    out.push_back(0xFF);
    FinishRecord(out, at);
  }
  return ended;
}

// Old character items, 67 bytes: 0 u8 18  1 u16 kind  3 f32 size x, size y,
// extent x, extent y, advance ratio  23 u16 code  25 f32 angle, skew x, skew y
// 37 4 f32 glyph box  53 f32 x, y  61 u32 colour  65 u16 font id. The new
// record adds the length, a reserved word and the flags word (0).
void TextChar(std::vector<std::uint8_t>& box, const std::uint8_t* p) {
  box.push_back(18);
  PutU32(box, 75);
  PutU16(box, plat::GetU16(p + 1));
  CopyF32s(box, p + 3, 5);
  PutU16(box, plat::GetU16(p + 23));
  CopyF32s(box, p + 25, 3 + 4 + 2);
  PutU32(box, plat::GetU32(p + 61));
  PutU16(box, plat::GetU16(p + 65));
  PutU16(box, 0);
  PutU16(box, 0);
}

// Old control items, 15 bytes: 0 u8 17  1 u16 kind  3 u16 code  5 u32 value
// 9 u32 selector  13 u16 third.
void TextControl(std::vector<std::uint8_t>& box, const std::uint8_t* p) {
  box.push_back(17);
  PutU32(box, 21);
  PutU16(box, plat::GetU16(p + 1));
  PutU16(box, plat::GetU16(p + 3));
  PutU32(box, plat::GetU32(p + 5));
  PutU32(box, plat::GetU32(p + 9));
  PutU32(box, plat::GetU16(p + 13));
}

bool Walker::Text(std::vector<std::uint8_t>& out) {
  if (!Fits(70)) return false;
  const std::uint8_t* head = d_ + pos_;
  const std::uint32_t count = plat::GetU32(head + 53);
  pos_ += 70;
  // The box block: 3, u32 length through the end byte, the items, 0xFE.
  std::vector<std::uint8_t> box = {3, 0, 0, 0, 0};
  bool ok = true;
  bool anyChar = false;
  float firstY = 0.0f, lastY = 0.0f;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (pos_ >= n_) {
      ok = false;
      break;
    }
    const std::uint8_t* item = d_ + pos_;
    const std::size_t size = item[0] == 18 ? 67 : item[0] == 17 ? 15 : 0;
    if (!size || !Fits(size)) {
      ok = false;
      break;
    }
    pos_ += size;
    if (size == 67) {
      TextChar(box, item);
      lastY = F32(item + 57);
      if (!anyChar) firstY = lastY;
      anyChar = true;
    } else {
      TextControl(box, item);
    }
  }
  // A text keeps the items read before a bad one; without a character there
  // is no text.
  if (!anyChar) return ok;
  box.push_back(0xFE);
  plat::PutU32(box.data() + 1, std::uint32_t(std::min<std::size_t>(box.size(), 0xFFFFFFF0u)));

  const std::size_t at = StartRecord(out, '!', 130, 0, head + 1);
  CopyF32s(out, head + 1, 4);   // the layout rectangle: the bounds
  CopyF32s(out, head + 17, 9);  // the text matrix
  // A straight arrangement over the bounds, its first baseline at the first
  // character; the characters keep their stored places.
  out.push_back('1');
  PutU32(out, 22);
  out.push_back(0);
  PutF32(out, F32(head + 1));
  PutF32(out, firstY);
  PutF32(out, F32(head + 9));
  PutF32(out, lastY);
  out.insert(out.end(), box.begin(), box.end());
  FinishRecord(out, at);
  return ok;
}

bool Walker::Record(std::vector<std::uint8_t>& out, int depth) {
  const std::uint8_t code = d_[pos_];
  switch (code) {
    case 0x81:
      return Group(out, depth);
    case 0x82:
      return Text(out);
    case 0x83: {
      if (!Fits(62)) return false;
      const std::uint8_t* r = d_ + pos_;
      pos_ += 62;
      const std::size_t at = StartRecord(out, '"', 131, plat::GetU16(r + 59), r + 1);
      CopyF32s(out, r + 17, 9);
      PutU16(out, plat::GetU16(r + 53));
      PutU16(out, plat::GetU16(r + 55));
      PutU16(out, plat::GetU16(r + 57));
      PutU32(out, 0);
      return FinishRecord(out, at);
    }
    case 0x84:
      return Path(out);
    case 0x85: {
      if (!Fits(78)) return false;
      const std::uint8_t* r = d_ + pos_;
      pos_ += 78;
      const std::size_t at = StartRecord(out, '(', 133, 0, r + 1);
      char name[60] = {};
      std::memcpy(name, r + 17, 59);
      name[::strnlen(name, 59)] = 0;
      out.insert(out.end(), name, name + 60);
      return FinishRecord(out, at);
    }
    default:
      return false;
  }
}

}  // namespace

std::vector<std::uint8_t> COldDocReader::ConvertData(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out;
  out.push_back(2);
  PutU32(out, 0);
  Walker w(data, size);
  while (w.pos_ < size) {
    const std::uint8_t code = data[w.pos_];
    if (code == 0xFF) break;
    if (code >= 0xFC && code <= 0xFE) {
      ++w.pos_;
      continue;
    }
    if (code == 0x86) {
      if (size - w.pos_ < 5) break;
      const std::uint64_t next = std::uint64_t(w.pos_) + 6 + plat::GetU32(data + w.pos_ + 1);
      if (next > size) break;
      w.pos_ = std::size_t(next);
      continue;
    }
    if (!w.Record(out, 0)) break;
  }
  out.push_back(254);
  plat::PutU32(out.data() + 1, std::uint32_t(std::min<std::size_t>(out.size(), 0xFFFFFFF0u)));
  out.push_back(255);
  return out;
}

int COldDocReader::CheckHeader() {
  if (!m_file.ReadExact(m_header, sizeof m_header)) return kDocBadHeader;
  if (std::memcmp(m_header, kOldDocMagic, 20) != 0) return kDocBadHeader;
  const std::uint32_t offset = plat::GetU32(m_header + 52);
  if (offset > m_file.GetLength()) return kDocBadHeader;
  return kDocReadOk;
}

plat::HGLOBAL COldDocReader::ReadData() {
  const std::uint32_t offset = plat::GetU32(m_header + 52);
  if (!m_file.Seek(offset)) return 0;
  const std::uint64_t n = m_file.Remaining();
  if (n > kMaxOldData) return 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, std::size_t(n) + 10);
  if (!h) return 0;
  bool ok;
  {
    plat::GlobalLockGuard lock(h);
    ok = lock && m_file.ReadExact(lock.bytes(), std::size_t(n));
  }
  m_file.Close();
  if (!ok) {
    plat::GlobalFree(h);
    return 0;
  }
  return h;
}

int COldDocReader::Convert(plat::HGLOBAL* result, plat::HGLOBAL data) {
  m_file.Close();
  if (!data) return kDocBadHeader;
  std::vector<std::uint8_t> block;
  {
    plat::GlobalLockGuard lock(data);
    if (!lock) return kDocBadConversion;
    block = ConvertData(lock.bytes(), plat::GlobalSize(data) - 10);
  }
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, block.size() + 9);
  if (!h) return kDocBadConversion;
  {
    plat::GlobalLockGuard lock(h);
    std::memcpy(lock.bytes(), block.data(), block.size());
  }
  *result = h;
  return kDocReadOk;
}
