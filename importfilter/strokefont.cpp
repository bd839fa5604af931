#include "importfilter/strokefont.h"

#include "platform/bytes.h"

namespace imp {

void SetGlyphBitWidth(GlyphDecoder& d, std::uint8_t format) {
  d.width = format & 0x3F;
  if (d.width > 15) d.width = 15;
  d.fieldBits = d.width + 1;
  d.signBit = 1u << d.width;
}

const std::uint8_t* SkipSegmentBits(const std::uint8_t* first, const std::uint8_t* end, std::uint32_t points) {
  const std::uint8_t* p = first;
  int bit = 6;
  std::uint32_t count = 1;
  while (count < points && p < end) {
    count += ((*p >> bit) & 1) ? 3 : 1;
    if (--bit < 0 && count < points) {
      bit = 7;
      ++p;
    }
  }
  return p < end ? p + 1 : end;
}

namespace {

std::uint64_t Read64(const std::uint8_t* p, const std::uint8_t* end) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8 && p + i < end; ++i) v |= std::uint64_t(p[i]) << (8 * i);
  return v;
}

void Apply(std::int32_t& acc, std::uint32_t field, int bits, unsigned code, unsigned one, unsigned neg,
           std::uint32_t signBit) {
  field &= 0xFFFF;
  if (code & one) {
    acc += (code & neg) ? -std::int32_t(field & 0xFF) : std::int32_t(field & 0xFF);
  } else if (code & neg) {
    // unchanged
  } else if (bits > 0) {
    const std::int32_t mag = std::int32_t(field & (signBit - 1) & 0xFFFF);
    acc += (field & signBit) ? -mag : mag;
  }
  acc = std::int16_t(std::uint16_t(acc));
}

int FieldBits(unsigned code, unsigned one, unsigned neg, int fieldBits) {
  if (code & one) return 8;
  if (code & neg) return 0;
  return fieldBits;
}

unsigned NextCode(GlyphDecoder& d) {
  if (!d.codeByte || d.codeByte >= d.end) return 0x2 | 0x8;  // no change
  unsigned c;
  if (d.highNibble) {
    c = *d.codeByte >> 4;
  } else {
    c = *d.codeByte & 0xF;
    ++d.codeByte;
  }
  d.highNibble = !d.highNibble;
  return c;
}

bool NextSegmentBit(GlyphDecoder& d) {
  if (!d.segmentByte || d.segmentByte >= d.end) return false;
  const bool set = (*d.segmentByte >> d.segmentBit) & 1;
  if (--d.segmentBit < 0) {
    d.segmentBit = 7;
    ++d.segmentByte;
  }
  return set;
}

}  // namespace

void ReadGlyphPoint(GlyphDecoder& d, std::int32_t& x, std::int32_t& y, unsigned code) {
  const int xb = FieldBits(code, 0x1, 0x2, d.fieldBits);
  const int yb = FieldBits(code, 0x4, 0x8, d.fieldBits);
  const int total = xb + yb;
  std::uint32_t xf = 0, yf = 0;
  if (total > 0 && d.stream && d.stream < d.end) {
    const std::uint64_t v = (Read64(d.stream, d.end) >> d.bitPos) & ((std::uint64_t(1) << total) - 1);
    const int move = d.bitPos + total;
    d.stream += move / 8;
    d.bitPos = move % 8;
    xf = std::uint32_t(v >> yb);
    yf = std::uint32_t(v & ((std::uint64_t(1) << yb) - 1));
  }
  Apply(x, xf, xb, code, 0x1, 0x2, d.signBit);
  Apply(y, yf, yb, code, 0x4, 0x8, d.signBit);
}

std::unique_ptr<CFilterObjectList> DecodeGlyph(GlyphDecoder& d, const std::uint8_t* record, std::size_t size,
                                               const FMatrix* m) {
  d = GlyphDecoder();
  if (!record || size < 7) return nullptr;
  std::size_t length = plat::GetU32(record);
  if (length < 7 || length > size) return nullptr;
  d.end = record + length;
  const std::uint8_t format = record[4];
  const std::uint32_t contours = plat::GetU16(record + 5);
  if (contours == 0 || 7 + 2 * std::size_t(contours) > length) return nullptr;
  d.contourEnd = record + 7;
  d.contourEndStop = record + 7 + 2 * contours;
  const std::uint32_t points = std::uint32_t(plat::GetU16(d.contourEndStop - 2)) + 1;
  SetGlyphBitWidth(d, format);
  d.hasSegmentBits = !(format & 0x80);
  if (d.hasSegmentBits) {
    d.segmentByte = d.contourEndStop;
    d.codeByte = SkipSegmentBits(d.contourEndStop, d.end, points);
  } else {
    d.codeByte = d.contourEndStop;
  }
  const std::size_t codeBytes = (std::size_t(points) + 1) / 2;
  d.stream = std::size_t(d.end - d.codeByte) >= codeBytes ? d.codeByte + codeBytes : d.end;

  auto group = std::make_unique<CFilterObjectList>();
  std::unique_ptr<CFilterPointList> member;
  std::int32_t x = 0, y = 0, sx = 0, sy = 0;
  std::uint8_t prevFlags = 0;
  auto put = [&](std::uint8_t flags) {
    float px = float(x), py = float(y);
    if (m) m->Map(px, py);
    member->AppendPoint(px, py, flags);
  };
  std::uint32_t n = 0;
  while (n < points) {
    if (d.hasSegmentBits && NextSegmentBit(d) && member) {
      for (int k = 0; k < 2; ++k) {
        ReadGlyphPoint(d, x, y, NextCode(d));
        put(0x00);
      }
      n += 2;
      if (n >= points) break;
    }
    ReadGlyphPoint(d, x, y, NextCode(d));
    // Contour-end entries behind the point index are spent.
    while (d.contourEnd < d.contourEndStop && plat::GetU16(d.contourEnd) < n) d.contourEnd += 2;
    std::uint8_t flags;
    if (n == 0 || (prevFlags & (PF_OPENEND | PF_CLOSEEND))) {
      if (member) group->AddMember(std::move(member));
      member = std::make_unique<CFilterPointList>();
      flags = F_FIRST;
      sx = x;
      sy = y;
    } else if (d.contourEnd < d.contourEndStop && plat::GetU16(d.contourEnd) == n) {
      flags = (x == sx && y == sy) ? F_CLOSED : F_OPEN;
      d.contourEnd += 2;
    } else {
      flags = F_MID;
    }
    put(flags);
    prevFlags = flags;
    ++n;
  }
  if (member) group->AddMember(std::move(member));
  d = GlyphDecoder();
  return group;
}

const std::uint8_t* GlyphRecord(const std::uint8_t* font, std::size_t fontSize, unsigned code,
                                std::size_t* size) {
  if (code < 33 || code > 126 || fontSize < 188) return nullptr;
  const std::size_t off = plat::GetU16(font + 2 * (code - 33));
  if (off < 188 || off >= fontSize) return nullptr;
  if (size) *size = fontSize - off;
  return font + off;
}

std::unique_ptr<CFilterObjectList> MakeLabelOutline(std::string_view text) {
  if (auto zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);
  std::unique_ptr<CFilterObjectList> result;
  GlyphDecoder d;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::size_t size = 0;
    const std::uint8_t* rec = GlyphRecord(kStrokeFont, kStrokeFontSize + 8, std::uint8_t(text[i]), &size);
    if (!rec) continue;
    FMatrix m;
    m.e = float(i) * 1024.0f;
    auto glyph = DecodeGlyph(d, rec, size, &m);
    if (!glyph || glyph->MemberCount() == 0) continue;
    if (!result)
      result = std::move(glyph);
    else
      result->Merge(*glyph);
  }
  if (result) result->SetPen(7);
  return result;
}

}  // namespace imp
