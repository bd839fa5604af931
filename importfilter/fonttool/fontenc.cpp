#include "importfilter/fonttool/fontenc.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace fontenc {
namespace {

class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (pos_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= std::uint8_t(1u << (pos_ % 8));
      ++pos_;
    }
  }
  std::vector<std::uint8_t> bytes;

 private:
  std::size_t pos_ = 0;
};

void PutU16(std::vector<std::uint8_t>& v, std::size_t at, unsigned x) {
  v[at] = std::uint8_t(x);
  v[at + 1] = std::uint8_t(x >> 8);
}

// Field of one coordinate step: its code bits and stream bits.
void StepField(int d, int w, bool isY, unsigned& code, std::uint32_t& value, int& bits) {
  const unsigned one = isY ? 0x4 : 0x1, neg = isY ? 0x8 : 0x2;
  const unsigned mag = unsigned(d < 0 ? -d : d);
  if (d == 0) {
    code |= neg;
    value = 0;
    bits = 0;
  } else if (mag <= 255) {
    code |= one | (d < 0 ? neg : 0);
    value = mag;
    bits = 8;
  } else {
    value = mag | (d < 0 ? (1u << w) : 0u);
    bits = w + 1;
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeGlyph(const Glyph& glyph, std::string& error) {
  std::vector<GlyphPoint> pts;
  std::vector<unsigned> ends;
  bool curves = false;
  for (const auto& c : glyph.contours) {
    if (c.size() < 2) {
      error = "glyph " + std::to_string(glyph.code) + ": a contour needs two points or more";
      return std::nullopt;
    }
    for (std::size_t i = 0; i < c.size(); ++i) {
      if (!c[i].control) continue;
      curves = true;
      // Controls come in pairs after an on-curve point and before one.
      const bool first = i >= 1 && !c[i - 1].control;
      const bool ok = first ? (i + 2 < c.size() && c[i + 1].control && !c[i + 2].control)
                            : (i >= 2 && c[i - 1].control && !c[i - 2].control);
      if (!ok) {
        error = "glyph " + std::to_string(glyph.code) + ": control points come in pairs between nodes";
        return std::nullopt;
      }
    }
    pts.insert(pts.end(), c.begin(), c.end());
    ends.push_back(unsigned(pts.size() - 1));
  }
  if (pts.empty() || pts.size() > 0xFFFF) {
    error = "glyph " + std::to_string(glyph.code) + ": no points or too many";
    return std::nullopt;
  }
  int maxStep = 0, px = 0, py = 0;
  for (const auto& p : pts) {
    maxStep = std::max({maxStep, std::abs(p.x - px), std::abs(p.y - py)});
    px = p.x;
    py = p.y;
  }
  int w = 9;
  while (w < 15 && maxStep >= (1 << w)) ++w;
  if (maxStep >= (1 << w)) {
    error = "glyph " + std::to_string(glyph.code) + ": a step does not fit 15 bits";
    return std::nullopt;
  }
  std::vector<std::uint8_t> rec(7 + 2 * ends.size(), 0);
  rec[4] = std::uint8_t(w | (curves ? 0 : 0x80));
  PutU16(rec, 5, unsigned(ends.size()));
  for (std::size_t i = 0; i < ends.size(); ++i) PutU16(rec, 7 + 2 * i, ends[i]);
  if (curves) {
    std::vector<std::uint8_t> segs;
    int bit = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      if (pts[i].control) continue;
      if (bit % 8 == 0) segs.push_back(0);
      const bool cubic = i >= 2 && pts[i - 1].control;
      if (cubic) segs.back() |= std::uint8_t(0x80 >> (bit % 8));
      ++bit;
    }
    rec.insert(rec.end(), segs.begin(), segs.end());
  }
  std::vector<std::uint8_t> codes((pts.size() + 1) / 2, 0);
  BitWriter stream;
  px = py = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    unsigned code = 0;
    std::uint32_t xv, yv;
    int xb, yb;
    StepField(pts[i].x - px, w, false, code, xv, xb);
    StepField(pts[i].y - py, w, true, code, yv, yb);
    px = pts[i].x;
    py = pts[i].y;
    codes[i / 2] |= std::uint8_t(i % 2 == 0 ? code << 4 : code);
    stream.Put((xv << yb) | yv, xb + yb);
  }
  rec.insert(rec.end(), codes.begin(), codes.end());
  rec.insert(rec.end(), stream.bytes.begin(), stream.bytes.end());
  const std::size_t n = rec.size();
  rec[0] = std::uint8_t(n);
  rec[1] = std::uint8_t(n >> 8);
  rec[2] = std::uint8_t(n >> 16);
  rec[3] = std::uint8_t(n >> 24);
  return rec;
}

bool ParseFontText(std::string_view text, std::vector<Glyph>& glyphs, std::string& error) {
  std::istringstream in{std::string(text)};
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    Glyph g;
    char* end = nullptr;
    g.code = int(std::strtol(word.c_str(), &end, 10));
    if (*end) {
      error = "line " + std::to_string(lineNo) + ": a character code first";
      return false;
    }
    g.contours.emplace_back();
    while (words >> word) {
      if (word == "/") {
        g.contours.emplace_back();
        continue;
      }
      GlyphPoint p;
      const char* s = word.c_str();
      if (*s == '~') {
        p.control = true;
        ++s;
      }
      p.x = int(std::strtol(s, &end, 10));
      if (*end != ',') {
        error = "line " + std::to_string(lineNo) + ": bad point '" + word + "'";
        return false;
      }
      p.y = int(std::strtol(end + 1, &end, 10));
      if (*end) {
        error = "line " + std::to_string(lineNo) + ": bad point '" + word + "'";
        return false;
      }
      g.contours.back().push_back(p);
    }
    glyphs.push_back(std::move(g));
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> BuildFont(const std::vector<Glyph>& glyphs, std::string& error) {
  const Glyph* byCode[94] = {};
  for (const Glyph& g : glyphs) {
    if (g.code < 33 || g.code > 126) {
      error = "code " + std::to_string(g.code) + " is outside 33 to 126";
      return std::nullopt;
    }
    if (byCode[g.code - 33]) {
      error = "code " + std::to_string(g.code) + " twice";
      return std::nullopt;
    }
    byCode[g.code - 33] = &g;
  }
  std::vector<std::uint8_t> font(188, 0);
  for (int i = 0; i < 94; ++i) {
    if (!byCode[i]) {
      error = "code " + std::to_string(i + 33) + " has no glyph";
      return std::nullopt;
    }
    auto rec = EncodeGlyph(*byCode[i], error);
    if (!rec) return std::nullopt;
    if (font.size() > 0xFFFF) {
      error = "the font outgrows 16-bit offsets";
      return std::nullopt;
    }
    PutU16(font, 2 * std::size_t(i), unsigned(font.size()));
    font.insert(font.end(), rec->begin(), rec->end());
  }
  font.insert(font.end(), 8, 0);
  return font;
}

}  // namespace fontenc
