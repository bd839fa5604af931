#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

namespace plat {
namespace {

constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16 = "UTF-16LE";
constexpr const char* kUtf32 = "UTF-32LE";

const char* IconvName(unsigned cp) {
  switch (cp) {
    case CP_ACP:
    case 936: return "CP936";
    case 950: return "CP950";
    case 949: return "CP949";
    case 932: return "CP932";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case CP_UTF8: return kUtf8;
    default: return nullptr;
  }
}

// Conversion descriptors are costly to open: keep them per thread.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& [key, cd] : cds_) iconv_close(cd);
  }
  iconv_t Get(const char* from, const char* to) {
    auto key = std::make_pair(std::string(from), std::string(to));
    auto it = cds_.find(key);
    if (it != cds_.end()) {
      iconv(it->second, nullptr, nullptr, nullptr, nullptr);
      return it->second;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    cds_.emplace(std::move(key), cd);
    return cd;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> cds_;
};

thread_local IconvCache t_cache;

// Length of the well-formed UTF-8 sequence at p, or 0.
std::size_t Utf8SeqLen(const unsigned char* p, std::size_t left) {
  unsigned char c = p[0];
  std::size_t n;
  char32_t min;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000;
  else return 0;
  if (left < n) return 0;
  char32_t v = c & (0x3F >> (n - 1));
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (p[i] & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return n;
}

// How many input bytes to step over at a sequence iconv refused.
std::size_t SkipLen(const char* from, const unsigned char* p, std::size_t left) {
  if (from == kUtf8) {
    std::size_t n = Utf8SeqLen(p, left);
    return n ? n : 1;
  }
  if (from == kUtf16) {
    if (left < 2) return left;
    unsigned u = p[0] | (p[1] << 8);
    if (u >= 0xD800 && u <= 0xDBFF && left >= 4) {
      unsigned v = p[2] | (p[3] << 8);
      if (v >= 0xDC00 && v <= 0xDFFF) return 4;
    }
    return 2;
  }
  return 1;
}

std::string_view Replacement(const char* to) {
  if (to == kUtf8) return "\xEF\xBF\xBD";
  if (to == kUtf16) return std::string_view("\xFD\xFF", 2);
  if (to == kUtf32) return std::string_view("\xFD\xFF\x00\x00", 4);
  return "?";
}

// Converts in bulk; refused sequences become the target's replacement (or, when
// strict, fail the whole conversion). Returns false only on failure.
bool Run(const char* from, const char* to, std::string_view in, std::string& out, bool strict,
         bool* replaced) {
  out.clear();
  if (replaced) *replaced = false;
  if (!from || !to) return false;
  if (in.empty()) return true;
  iconv_t cd = t_cache.Get(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;

  const char* src = in.data();
  std::size_t srcLeft = in.size();
  std::string buf(in.size() * 4 + 16, '\0');
  std::size_t used = 0;
  while (srcLeft > 0) {
    char* dst = buf.data() + used;
    std::size_t dstLeft = buf.size() - used;
    std::size_t r = iconv(cd, const_cast<char**>(&src), &srcLeft, &dst, &dstLeft);
    used = buf.size() - dstLeft;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (errno != EILSEQ && errno != EINVAL) return false;
    if (strict) return false;
    // A bad or unmappable sequence (EILSEQ), or an incomplete one at the end (EINVAL).
    std::string_view rep = Replacement(to);
    if (buf.size() - used < rep.size()) buf.resize(buf.size() * 2);
    std::memcpy(buf.data() + used, rep.data(), rep.size());
    used += rep.size();
    if (replaced) *replaced = true;
    std::size_t skip = errno == EINVAL ? srcLeft
                                       : SkipLen(from, reinterpret_cast<const unsigned char*>(src), srcLeft);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  for (;;) {
    char* dst = buf.data() + used;
    std::size_t dstLeft = buf.size() - used;
    std::size_t r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    used = buf.size() - dstLeft;
    if (r != static_cast<std::size_t>(-1) || errno != E2BIG) break;
    buf.resize(buf.size() * 2);
  }
  buf.resize(used);
  out = std::move(buf);
  return true;
}

std::u16string ToU16(const std::string& bytes) {
  std::u16string s(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return s;
}

std::string FromU16(std::u16string_view s) {
  std::string bytes(s.size() * 2, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) {
    bytes[2 * i] = char(s[i] & 0xFF);
    bytes[2 * i + 1] = char(s[i] >> 8);
  }
  return bytes;
}

}  // namespace

bool IsCodePageSupported(unsigned codePage) { return IconvName(codePage) != nullptr; }

unsigned CodePageFromCharset(std::uint8_t charset) {
  switch (charset) {
    case DEFAULT_CHARSET:
    case GB2312_CHARSET: return 936;
    case CHINESEBIG5_CHARSET: return 950;
    case HANGUL_CHARSET: return 949;
    case SHIFTJIS_CHARSET: return 932;
    case THAI_CHARSET: return 874;
    case EASTEUROPE_CHARSET: return 1250;
    case RUSSIAN_CHARSET: return 1251;
    case GREEK_CHARSET: return 1253;
    case TURKISH_CHARSET: return 1254;
    case HEBREW_CHARSET: return 1255;
    case ARABIC_CHARSET: return 1256;
    case BALTIC_CHARSET: return 1257;
    default: return 1252;
  }
}

bool IsDBCSLeadByteEx(unsigned codePage, std::uint8_t b) {
  switch (codePage) {
    case CP_ACP:
    case 936:
    case 950:
    case 949: return b >= 0x81 && b <= 0xFE;
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    default: return false;
  }
}

std::u16string MultiByteToUtf16(unsigned codePage, std::string_view text) {
  std::string out;
  if (!Run(IconvName(codePage), kUtf16, text, out, false, nullptr)) return {};
  return ToU16(out);
}

std::string Utf16ToMultiByte(unsigned codePage, std::u16string_view text, bool* usedDefaultChar) {
  std::string out;
  const char* to = IconvName(codePage);
  if (!Run(kUtf16, to, FromU16(text), out, false, usedDefaultChar)) return {};
  return out;
}

std::string MultiByteToUtf8(unsigned codePage, std::string_view text) {
  std::string out;
  const char* from = IconvName(codePage);
  if (!Run(from, kUtf8, text, out, false, nullptr)) return {};
  return out;
}

std::string Utf8ToMultiByte(unsigned codePage, std::string_view text, bool* usedDefaultChar) {
  std::string out;
  const char* to = IconvName(codePage);
  if (!Run(kUtf8, to, text, out, false, usedDefaultChar)) return {};
  return out;
}

std::string ConvertCodePage(unsigned fromCodePage, unsigned toCodePage, std::string_view text,
                            bool* usedDefaultChar) {
  if (usedDefaultChar) *usedDefaultChar = false;
  if (!IsCodePageSupported(fromCodePage) || !IsCodePageSupported(toCodePage)) return {};
  // Through UTF-8: a bad input byte becomes U+FFFD there and the default character here.
  return Utf8ToMultiByte(toCodePage, MultiByteToUtf8(fromCodePage, text), usedDefaultChar);
}

char32_t CharCodeToUnicode(unsigned codePage, unsigned code) {
  if (code == 0 || code > 0xFFFF) return 0;
  std::string in;
  if (code > 0xFF) in.push_back(char(code >> 8));
  in.push_back(char(code & 0xFF));
  const char* from = IconvName(codePage);
  std::string out;
  if (!Run(from, kUtf32, in, out, true, nullptr) || out.size() != 4) return 0;
  char32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(out[i]);
  return v;
}

namespace {

// One code on its own, as CharCodeToUnicode.
char32_t ConvertOneCode(iconv_t cd, unsigned code) {
  if (code == 0 || code > 0xFFFF) return 0;
  char in[2];
  std::size_t inLen = 0;
  if (code > 0xFF) in[inLen++] = char(code >> 8);
  in[inLen++] = char(code & 0xFF);
  char buf[32];
  char* src = in;
  char* dst = buf;
  std::size_t srcLeft = inLen, dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return 0;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // any shift state
  if (sizeof buf - dstLeft != 4) return 0;
  char32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(buf[k]);
  return v;
}

// Two-byte codes converted together, a refused code skipped as none. False
// (and nothing kept) unless every code gave exactly one character.
bool ConvertTwoByteRun(iconv_t cd, const unsigned* codes, std::size_t n, char32_t* out) {
  std::string bytes(2 * n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    bytes[2 * i] = char(codes[i] >> 8);
    bytes[2 * i + 1] = char(codes[i] & 0xFF);
  }
  std::string buf(4 * n + 16, '\0');
  std::size_t pos = 0;
  while (pos < n) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = bytes.data() + 2 * pos;
    char* dst = buf.data();
    std::size_t srcLeft = 2 * (n - pos), dstLeft = buf.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int err = errno;
    const std::size_t consumed = std::size_t(src - (bytes.data() + 2 * pos));
    const std::size_t produced = buf.size() - dstLeft;
    if (consumed % 2 != 0 || produced != 2 * consumed) return false;
    for (std::size_t k = 0; k < consumed / 2; ++k) {
      char32_t v = 0;
      for (int b = 3; b >= 0; --b) v = (v << 8) | static_cast<unsigned char>(buf[4 * k + std::size_t(b)]);
      out[pos + k] = v;
    }
    pos += consumed / 2;
    if (r != static_cast<std::size_t>(-1)) {
      if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) != 0 || buf.size() - dstLeft != produced) return false;
      break;
    }
    if (err != EILSEQ && err != EINVAL) return false;
    out[pos++] = 0;
  }
  return true;
}

}  // namespace

void CharCodesToUnicode(unsigned codePage, const unsigned* codes, std::size_t count, char32_t* out) {
  std::fill(out, out + count, char32_t(0));
  const char* from = IconvName(codePage);
  if (!from) return;
  iconv_t cd = t_cache.Get(from, kUtf32);
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  // Runs of two-byte codes go through in one call where each code stands for
  // one character; anything else code by code.
  constexpr std::size_t kRun = 256;
  std::size_t i = 0;
  while (i < count) {
    std::size_t end = i;
    while (end < count && end - i < kRun && codes[end] > 0xFF && codes[end] <= 0xFFFF) ++end;
    if (end - i >= 2 && ConvertTwoByteRun(cd, codes + i, end - i, out + i)) {
      i = end;
      continue;
    }
    for (std::size_t k = i; k < std::max(end, i + 1); ++k) out[k] = ConvertOneCode(cd, codes[k]);
    i = std::max(end, i + 1);
  }
}

unsigned UnicodeToCharCode(unsigned codePage, char32_t ch) {
  if (ch == 0 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
  char in[4] = {char(ch & 0xFF), char((ch >> 8) & 0xFF), char((ch >> 16) & 0xFF), 0};
  const char* to = IconvName(codePage);
  if (to == kUtf8) return 0;  // not a one- or two-byte code page
  std::string out;
  if (!Run(kUtf32, to, std::string_view(in, 4), out, true, nullptr)) return 0;
  if (out.size() == 1) return static_cast<unsigned char>(out[0]);
  if (out.size() == 2) return (unsigned(static_cast<unsigned char>(out[0])) << 8) | static_cast<unsigned char>(out[1]);
  return 0;
}

std::size_t GbkPrefixLength(std::string_view text, std::size_t maxBytes) {
  std::size_t i = 0, keep = 0;
  while (i < text.size() && text[i] != '\0') {
    std::size_t n = static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
    if (i + n > maxBytes) break;
    i += n;
    keep = i;
  }
  return keep;
}

namespace {
std::uint16_t g_defaultLangId = 0x0804;
}

std::uint16_t GetSystemDefaultLangID() { return g_defaultLangId; }
void SetSystemDefaultLangID(std::uint16_t id) { g_defaultLangId = id; }

}  // namespace plat
