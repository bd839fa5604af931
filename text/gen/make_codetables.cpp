// Writes the two code conversion tables into a folder:
//   BIG52GB.DAT  BIG5 leads 0xA1..0xFE x 157 trails (0x40..0x7E, 0xA1..0xFE),
//                each the GB code (lead, trail); A1 A1 where there is none.
//   GB2BIG5.DAT  GB rows 0xA1..0xA9, 0xB0..0xFE x 95 places (trails
//                0xA1..0xFE, the 95th stays 00 00), each the BIG5 code
//                (lead, trail); 00 00 where there is none.
// Usage: make_codetables <folder>
#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Converter {
  explicit Converter(const char* name) {
    UErrorCode e = U_ZERO_ERROR;
    cnv = ucnv_open(name, &e);
    if (U_FAILURE(e)) {
      std::fprintf(stderr, "no converter %s: %s\n", name, u_errorName(e));
      cnv = nullptr;
      return;
    }
    e = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &e);
    e = U_ZERO_ERROR;
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &e);
  }
  ~Converter() {
    if (cnv) ucnv_close(cnv);
  }
  // One character of two bytes to its code point; -1 unless it is exactly one
  // code point outside the private use areas.
  UChar32 Decode2(unsigned char lead, unsigned char trail) const {
    char in[2] = {char(lead), char(trail)};
    UChar buf[8];
    UErrorCode e = U_ZERO_ERROR;
    ucnv_reset(cnv);
    int32_t n = ucnv_toUChars(cnv, buf, 8, in, 2, &e);
    if (U_FAILURE(e) || n <= 0) return -1;
    icu::UnicodeString s(buf, n);
    if (s.countChar32() != 1) return -1;
    UChar32 c = s.char32At(0);
    if ((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000) return -1;
    return c;
  }
  // Text to exactly one double-byte code; false otherwise.
  bool Encode2(const icu::UnicodeString& s, unsigned char out[2]) const {
    char buf[16];
    UErrorCode e = U_ZERO_ERROR;
    ucnv_reset(cnv);
    int32_t n = ucnv_fromUChars(cnv, buf, sizeof(buf), s.getBuffer(), s.length(), &e);
    if (U_FAILURE(e) || n != 2 || static_cast<unsigned char>(buf[0]) < 0x81) return false;
    out[0] = static_cast<unsigned char>(buf[0]);
    out[1] = static_cast<unsigned char>(buf[1]);
    return true;
  }
  UConverter* cnv;
};

std::unique_ptr<icu::Transliterator> Translit(const char* id) {
  UErrorCode e = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> t(
      icu::Transliterator::createInstance(icu::UnicodeString(id), UTRANS_FORWARD, e));
  if (U_FAILURE(e)) {
    std::fprintf(stderr, "no transliterator %s: %s\n", id, u_errorName(e));
    return nullptr;
  }
  return t;
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/') folder += '/';
  Converter big5("windows-950"), gbk("windows-936"), gb2312("GB2312");
  auto toSimplified = Translit("Traditional-Simplified");
  auto toTraditional = Translit("Simplified-Traditional");
  if (!big5.cnv || !gbk.cnv || !gb2312.cnv || !toSimplified || !toTraditional) return 1;

  std::vector<unsigned char> b2g;
  for (int lead = 0xA1; lead <= 0xFE; ++lead) {
    for (int k = 0; k < 157; ++k) {
      int trail = k < 63 ? 0x40 + k : 0x62 + k;
      unsigned char out[2] = {0xA1, 0xA1};
      UChar32 c = big5.Decode2(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (c >= 0) {
        icu::UnicodeString original(c);
        icu::UnicodeString simple(original);
        toSimplified->transliterate(simple);
        if (!gb2312.Encode2(simple, out) && !gbk.Encode2(simple, out) &&
            !gbk.Encode2(original, out)) {
          out[0] = out[1] = 0xA1;
        }
      }
      b2g.push_back(out[0]);
      b2g.push_back(out[1]);
    }
  }

  std::vector<unsigned char> g2b;
  for (int lead = 0xA1; lead <= 0xFE; ++lead) {
    if (lead >= 0xAA && lead <= 0xAF) continue;
    for (int k = 0; k < 95; ++k) {
      unsigned char out[2] = {0, 0};
      if (k < 94) {
        UChar32 c = gbk.Decode2(static_cast<unsigned char>(lead), static_cast<unsigned char>(0xA1 + k));
        if (c >= 0) {
          icu::UnicodeString original(c);
          icu::UnicodeString trad(original);
          toTraditional->transliterate(trad);
          if (!big5.Encode2(trad, out) && !big5.Encode2(original, out)) out[0] = out[1] = 0;
        }
      }
      g2b.push_back(out[0]);
      g2b.push_back(out[1]);
    }
  }

  if (!WriteFile(folder + "BIG52GB.DAT", b2g) || !WriteFile(folder + "GB2BIG5.DAT", g2b)) {
    std::fprintf(stderr, "cannot write the tables into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
