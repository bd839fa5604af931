// Character codes of the fonts' code pages, through tables made once per code
// page from the platform's code-page conversion.
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/codepage.h"
#include "platform/font_impl.h"

namespace plat {
namespace {

bool IsDbcs(UINT cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950; }

struct CodeTable {
  bool dbcs = false;
  std::vector<char32_t> toUni;  // 256 or 65536 entries, 0 = none
};

std::unique_ptr<CodeTable> BuildTable(UINT cp) {
  auto t = std::make_unique<CodeTable>();
  t->dbcs = IsDbcs(cp);
  t->toUni.assign(t->dbcs ? 65536 : 256, 0);
  std::vector<unsigned> codes;
  codes.reserve(t->toUni.size());
  for (UINT b = 1; b < 256; ++b) {
    if (t->dbcs && IsDBCSLeadByteEx(cp, BYTE(b))) {
      for (UINT trail = 0x40; trail < 256; ++trail) codes.push_back(b << 8 | trail);
    } else {
      codes.push_back(b);
    }
  }
  std::vector<char32_t> chars(codes.size());
  CharCodesToUnicode(cp, codes.data(), codes.size(), chars.data());
  for (std::size_t i = 0; i < codes.size(); ++i)
    t->toUni[codes[i]] = chars[i] == 0xFFFD ? 0 : chars[i];  // a replacement is no character
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

char32_t FontCodeToChar(UINT codePage, UINT code) {
  const CodeTable& t = TableFor(codePage);
  if (code >= t.toUni.size()) return 0;
  if (t.dbcs && code < 256 && IsDBCSLeadByteEx(codePage, BYTE(code))) return 0;
  return t.toUni[code];
}

std::u32string FontDecode(UINT codePage, std::string_view text) {
  const CodeTable& t = TableFor(codePage);
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    BYTE b = static_cast<BYTE>(text[i]);
    if (t.dbcs && IsDBCSLeadByteEx(codePage, b)) {
      if (i + 1 >= text.size()) {
        out.push_back(0xFFFF);
        break;
      }
      UINT code = UINT(b) << 8 | static_cast<BYTE>(text[++i]);
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
