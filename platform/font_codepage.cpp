// Character-set code pages and table-driven conversion of character codes.
#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/font.h"

namespace plat {
namespace {

const char* IconvName(UINT cp) {
  switch (cp) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "CP1361";
    default: return nullptr;
  }
}

bool IsLeadByte(UINT cp, unsigned b) {
  switch (cp) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default: return false;
  }
}

struct CodeTable {
  bool dbcs = false;
  std::vector<char32_t> toUni;  // 256 or 65536 entries, 0 = none
  std::unordered_map<char32_t, UINT> fromUni;
};

char32_t ConvertOne(iconv_t cd, const unsigned char* bytes, size_t n) {
  char in[2] = {char(bytes[0]), n > 1 ? char(bytes[1]) : '\0'};
  char32_t out[2] = {};
  char* ip = in;
  char* op = reinterpret_cast<char*>(out);
  size_t il = n, ol = sizeof(out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return 0;
  if (sizeof(out) - ol != sizeof(char32_t)) return 0;  // must be exactly one character
  return out[0];
}

std::unique_ptr<CodeTable> BuildTable(UINT cp) {
  auto t = std::make_unique<CodeTable>();
  const char* name = IconvName(cp);
  t->dbcs = IsLeadByte(cp, 0x81) || IsLeadByte(cp, 0x84);
  t->toUni.assign(t->dbcs ? 65536 : 256, 0);
  for (unsigned c = 0; c < 0x80; ++c) t->toUni[c] = c;
  if (name) {
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd != iconv_t(-1)) {
      for (unsigned b = 0x80; b < 256; ++b) {
        if (IsLeadByte(cp, b)) continue;
        unsigned char s[1] = {static_cast<unsigned char>(b)};
        t->toUni[b] = ConvertOne(cd, s, 1);
      }
      if (t->dbcs) {
        for (unsigned lead = 0x81; lead < 256; ++lead) {
          if (!IsLeadByte(cp, lead)) continue;
          for (unsigned trail = 0x40; trail < 256; ++trail) {
            unsigned char s[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            t->toUni[lead << 8 | trail] = ConvertOne(cd, s, 2);
          }
        }
      }
      iconv_close(cd);
    }
  } else {
    for (unsigned c = 0x80; c < 256; ++c) t->toUni[c] = c;  // Latin-1 as a last resort
  }
  for (UINT code = 0; code < t->toUni.size(); ++code) {
    char32_t u = t->toUni[code];
    if (u != 0) t->fromUni.emplace(u, code);  // first (lowest) code wins
  }
  return t;
}

const CodeTable& TableFor(UINT cp) {
  static std::mutex mu;
  static std::unordered_map<UINT, std::unique_ptr<CodeTable>> tables;
  std::lock_guard lock(mu);
  auto& slot = tables[cp];
  if (!slot) slot = BuildTable(cp);
  return *slot;
}

}  // namespace

UINT CodePageOfCharSet(BYTE charSet) {
  switch (charSet) {
    case ANSI_CHARSET: return 1252;
    case SHIFTJIS_CHARSET: return 932;
    case HANGUL_CHARSET: return 949;
    case 130: return 1361;  // Johab
    case GB2312_CHARSET: return 936;
    case CHINESEBIG5_CHARSET: return 950;
    case GREEK_CHARSET: return 1253;
    case TURKISH_CHARSET: return 1254;
    case 163: return 1258;  // Vietnamese
    case HEBREW_CHARSET: return 1255;
    case ARABIC_CHARSET: return 1256;
    case BALTIC_CHARSET: return 1257;
    case RUSSIAN_CHARSET: return 1251;
    case THAI_CHARSET: return 874;
    case EASTEUROPE_CHARSET: return 1250;
    default: return 936;  // the system code page
  }
}

char32_t CodeToUnicode(UINT codePage, UINT code) {
  const CodeTable& t = TableFor(codePage);
  if (code >= t.toUni.size()) return 0;
  if (t.dbcs && code < 256 && IsLeadByte(codePage, code)) return 0;
  return t.toUni[code];
}

UINT UnicodeToCode(UINT codePage, char32_t ch) {
  const CodeTable& t = TableFor(codePage);
  auto it = t.fromUni.find(ch);
  return it == t.fromUni.end() ? 0 : it->second;
}

std::u32string DecodeCodePage(UINT codePage, std::string_view text) {
  const CodeTable& t = TableFor(codePage);
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned b = static_cast<unsigned char>(text[i]);
    if (t.dbcs && IsLeadByte(codePage, b)) {
      if (i + 1 >= text.size()) {
        out.push_back(0xFFFF);
        break;
      }
      unsigned code = b << 8 | static_cast<unsigned char>(text[++i]);
      char32_t u = t.toUni[code];
      out.push_back(u ? u : 0xFFFF);
    } else {
      char32_t u = t.toUni[b];
      out.push_back(u || b == 0 ? u : 0xFFFF);
    }
  }
  return out;
}

}  // namespace plat
