#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace plat;

namespace {

struct Sample {
  unsigned cp;
  const char* bytes;
  const char* utf8;
};

const Sample kSamples[] = {
    {936, "\xD6\xD0\xCE\xC4", "中文"},
    {950, "\xA4\xA4\xA4\xE5", "中文"},
    {949, "\xC7\xD1\xB1\xDB", "한글"},
    {932, "\x93\xFA\x96\x7B", "日本"},
    {874, "\xA1", "ก"},
    {1250, "\xF8", "ř"},
    {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
    {1252, "\xE9\x80", "é€"},
    {1253, "\xD9", "Ω"},
    {1254, "\xFE", "ş"},
    {1255, "\xE0", "א"},
    {1256, "\xDA", "ع"},
    {1257, "\xE0", "ą"},
    {1258, "\xD0", "Đ"},
};

bool IsValidUtf8(const std::string& s) { return MultiByteToUtf8(CP_UTF8, s) == s; }

}  // namespace

TEST(CodePage, RoundTripsEveryNamedCodePage) {
  for (const auto& s : kSamples) {
    SCOPED_TRACE(s.cp);
    std::string mixed = std::string("Ab1 ") + s.bytes + "\r\n";
    std::string utf8 = std::string("Ab1 ") + s.utf8 + "\r\n";
    EXPECT_EQ(MultiByteToUtf8(s.cp, mixed), utf8);
    bool usedDefault = true;
    EXPECT_EQ(Utf8ToMultiByte(s.cp, utf8, &usedDefault), mixed);
    EXPECT_FALSE(usedDefault);
    std::u16string u16 = MultiByteToUtf16(s.cp, mixed);
    EXPECT_EQ(Utf16ToMultiByte(s.cp, u16), mixed);
    EXPECT_EQ(Utf16ToMultiByte(CP_UTF8, u16), utf8);
  }
  EXPECT_EQ(MultiByteToUtf16(936, "\xD6\xD0"), u"中");
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(Utf8ToGbk("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(MultiByteToUtf8(CP_ACP, "\xD6\xD0"), "中");
  // The euro sign of code page 936.
  EXPECT_EQ(MultiByteToUtf8(936, "\x80"), "€");
}

TEST(CodePage, BadBytesBecomeReplacementsNeverFailures) {
  struct Case {
    unsigned cp;
    std::string in;
    std::string utf8;
  };
  const Case cases[] = {
      {936, "A\x81", "A\xEF\xBF\xBD"},                   // lead byte at the end
      {936, "A\x81\x20" "B", "A\xEF\xBF\xBD B"},          // bad trail byte: only the lead is lost
      {936, "\xFF\xD6\xD0", "\xEF\xBF\xBD中"},
      {950, "\xA4", "\xEF\xBF\xBD"},
      {932, "\x81", "\xEF\xBF\xBD"},
      {CP_UTF8, "a\xC3\x28", "a\xEF\xBF\xBD("},
      {CP_UTF8, "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // encoded surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(MultiByteToUtf8(c.cp, c.in), c.utf8);
  }
  bool usedDefault = false;
  EXPECT_EQ(Utf8ToMultiByte(936, "x\xC3\x28y", &usedDefault), "x?(y");
  EXPECT_TRUE(usedDefault);
  usedDefault = false;
  EXPECT_EQ(Utf8ToMultiByte(936, "a😀b", &usedDefault), "a?b");  // no such character in GBK
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(Utf8ToMultiByte(1251, "中"), "?");
  EXPECT_EQ(Utf16ToMultiByte(936, std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");  // lone surrogate
  EXPECT_EQ(MultiByteToUtf8(12345, "abc"), "");  // unsupported code page
  EXPECT_FALSE(IsCodePageSupported(12345));
}

TEST(CodePage, RandomBytesGiveValidTextInEveryCodePage) {
  std::mt19937 rng(7);
  const unsigned pages[] = {936, 950, 949, 932, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, CP_UTF8};
  for (int round = 0; round < 200; ++round) {
    std::string in(rng() % 64, '\0');
    for (char& c : in) c = char(rng());
    for (unsigned cp : pages) {
      std::string utf8 = MultiByteToUtf8(cp, in);
      ASSERT_TRUE(IsValidUtf8(utf8)) << cp;
      // What survives one round trip survives the next unchanged.
      std::string back = Utf8ToMultiByte(cp, utf8);
      ASSERT_EQ(Utf8ToMultiByte(cp, MultiByteToUtf8(cp, back)), back) << cp;
    }
  }
}

TEST(CodePage, BetweenCodePages) {
  bool usedDefault = true;
  EXPECT_EQ(ConvertCodePage(950, 936, "\xA4\xA4\xA4\xE5", &usedDefault), "\xD6\xD0\xCE\xC4");
  EXPECT_FALSE(usedDefault);
  EXPECT_EQ(ConvertCodePage(936, 950, "\xD6\xD0\xCE\xC4"), "\xA4\xA4\xA4\xE5");
  EXPECT_EQ(ConvertCodePage(936, 1251, "\xD6\xD0", &usedDefault), "?");
  EXPECT_TRUE(usedDefault);
}

// Codes converted together give what each gives alone: every two-byte code of
// the double-byte pages, shuffled runs of mixed codes, codes out of range.
TEST(CodePage, CodesInOnePassAsOneByOne) {
  for (unsigned cp : {936u, 950u, 949u, 932u, 1251u, 1252u, 12345u}) {
    std::vector<unsigned> codes;
    const unsigned top = cp >= 932 && cp <= 950 ? 0x10000 : 0x200;
    for (unsigned c = 0; c < top; ++c) codes.push_back(c);
    codes.push_back(0x10000);
    codes.push_back(0xFFFFFFFFu);
    std::vector<unsigned> mixed = codes;
    std::shuffle(mixed.begin(), mixed.end(), std::mt19937(cp));
    for (const auto* list : {&codes, &mixed}) {
      std::vector<char32_t> got(list->size(), 7);
      CharCodesToUnicode(cp, list->data(), list->size(), got.data());
      for (std::size_t i = 0; i < list->size(); ++i)
        ASSERT_EQ(got[i], CharCodeToUnicode(cp, (*list)[i])) << cp << " " << std::hex << (*list)[i];
    }
  }
}

TEST(CodePage, SingleCharacterCodes) {
  EXPECT_EQ(CharCodeToUnicode(936, 0xD6D0), U'中');
  EXPECT_EQ(CharCodeToUnicode(950, 0xA4A4), U'中');
  EXPECT_EQ(CharCodeToUnicode(949, 0xC7D1), U'한');
  EXPECT_EQ(CharCodeToUnicode(1251, 0xCF), U'П');
  EXPECT_EQ(CharCodeToUnicode(936, 'A'), U'A');
  EXPECT_EQ(CharCodeToUnicode(936, 0x81), 0u);    // a lead byte alone
  EXPECT_EQ(CharCodeToUnicode(936, 0x8120), 0u);  // bad trail byte
  EXPECT_EQ(CharCodeToUnicode(936, 0), 0u);
  EXPECT_EQ(UnicodeToCharCode(936, U'中'), 0xD6D0u);
  EXPECT_EQ(UnicodeToCharCode(950, U'文'), 0xA4E5u);
  EXPECT_EQ(UnicodeToCharCode(1251, U'П'), 0xCFu);
  EXPECT_EQ(UnicodeToCharCode(1251, U'中'), 0u);
  EXPECT_EQ(UnicodeToCharCode(936, char32_t(0xD800)), 0u);
}

TEST(CodePage, CharsetsAndLeadBytes) {
  struct Case {
    std::uint8_t charset;
    unsigned cp;
  };
  const Case cases[] = {{GB2312_CHARSET, 936}, {CHINESEBIG5_CHARSET, 950}, {HANGUL_CHARSET, 949},
                        {SHIFTJIS_CHARSET, 932}, {RUSSIAN_CHARSET, 1251}, {EASTEUROPE_CHARSET, 1250},
                        {THAI_CHARSET, 874}, {BALTIC_CHARSET, 1257}, {ANSI_CHARSET, 1252}};
  for (const auto& c : cases) EXPECT_EQ(CodePageFromCharset(c.charset), c.cp) << int(c.charset);
  EXPECT_TRUE(IsDBCSLeadByteEx(936, 0x81));
  EXPECT_FALSE(IsDBCSLeadByteEx(936, 0x80));
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xA1));  // half-width katakana
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xE0));
  EXPECT_FALSE(IsDBCSLeadByteEx(1251, 0xCF));
}
