// Code pages: conversions between the stored multi-byte text (GBK above all)
// and UTF-8 / UTF-16, over iconv. Invalid input never fails a conversion: a bad
// byte becomes U+FFFD towards Unicode, a character the code page lacks becomes
// the default character '?' towards the code page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

constexpr unsigned CP_ACP = 0;  // the system's ANSI code page: 936 here
constexpr unsigned CP_GBK = 936;
constexpr unsigned CP_BIG5 = 950;
constexpr unsigned CP_UTF8 = 65001;

// Character sets of logical fonts (the language IDs of the text slots).
constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SHIFTJIS_CHARSET = 128;
constexpr std::uint8_t HANGUL_CHARSET = 129;
constexpr std::uint8_t GB2312_CHARSET = 134;
constexpr std::uint8_t CHINESEBIG5_CHARSET = 136;
constexpr std::uint8_t GREEK_CHARSET = 161;
constexpr std::uint8_t TURKISH_CHARSET = 162;
constexpr std::uint8_t HEBREW_CHARSET = 177;
constexpr std::uint8_t ARABIC_CHARSET = 178;
constexpr std::uint8_t BALTIC_CHARSET = 186;
constexpr std::uint8_t RUSSIAN_CHARSET = 204;
constexpr std::uint8_t THAI_CHARSET = 222;
constexpr std::uint8_t EASTEUROPE_CHARSET = 238;

// 936, 950, 949, 932, 874, 1250..1258 and 65001 (CP_ACP counts as 936).
bool IsCodePageSupported(unsigned codePage);

// The code page of a font character set (134 -> 936, 136 -> 950, 129 -> 949,
// 128 -> 932, 204 -> 1251, 238 -> 1250, 222 -> 874, ...); 1252 for ANSI and
// unknown sets, 936 for DEFAULT_CHARSET.
unsigned CodePageFromCharset(std::uint8_t charset);

// True when the byte starts a two-byte character in the code page (936, 950, 949, 932).
bool IsDBCSLeadByteEx(unsigned codePage, std::uint8_t byte);

// Multi-byte text of the code page <-> UTF-16 / UTF-8. An unsupported code page
// gives an empty result.
std::u16string MultiByteToUtf16(unsigned codePage, std::string_view text);
std::string Utf16ToMultiByte(unsigned codePage, std::u16string_view text, bool* usedDefaultChar = nullptr);
std::string MultiByteToUtf8(unsigned codePage, std::string_view text);
std::string Utf8ToMultiByte(unsigned codePage, std::string_view text, bool* usedDefaultChar = nullptr);

// Between any two supported code pages (e.g. 950 -> 936).
std::string ConvertCodePage(unsigned fromCodePage, unsigned toCodePage, std::string_view text,
                            bool* usedDefaultChar = nullptr);

// The stored text's encoding and the program's own texts.
inline std::string GbkToUtf8(std::string_view gbk) { return MultiByteToUtf8(CP_GBK, gbk); }
inline std::string Utf8ToGbk(std::string_view utf8) { return Utf8ToMultiByte(CP_GBK, utf8); }

// One character code of a code page (a single byte below 0x100, else
// lead << 8 | trail) to its Unicode code point; 0 when it is not a character.
char32_t CharCodeToUnicode(unsigned codePage, unsigned code);
// CharCodeToUnicode of each of `count` codes into out[0..count), in one pass.
void CharCodesToUnicode(unsigned codePage, const unsigned* codes, std::size_t count, char32_t* out);
// The reverse: the character code (lead << 8 | trail for two bytes); 0 when the
// code page has no such character.
unsigned UnicodeToCharCode(unsigned codePage, char32_t ch);

// Length of the longest start of a GBK text, at most maxBytes long and ending
// at a NUL or before it, that splits no double-byte character.
std::size_t GbkPrefixLength(std::string_view text, std::size_t maxBytes);

// The system's default language identifier (0x0804, simplified Chinese, whose
// code page is 936); tests may set another one.
std::uint16_t GetSystemDefaultLangID();
void SetSystemDefaultLangID(std::uint16_t id);

}  // namespace plat
