#include <gtest/gtest.h>

#include <cstring>

#include "platform/codepage.h"
#include "text/codetables.h"
#include "text/tests/font_fixtures.h"

namespace {

const std::string kBin = std::string(TINDREL_BIN_DIR) + "/";

TEST(CodeTables, TheBuiltTablesLieInTheProgramFolder) {
  EXPECT_EQ(ReadFileBytes(kBin + "BIG52GB.DAT").size(), 94u * 157 * 2);
  EXPECT_EQ(ReadFileBytes(kBin + "GB2BIG5.DAT").size(), 88u * 95 * 2);
  ASSERT_EQ(g_CodeTables.LoadBig5ToGb(), 1);
  ASSERT_EQ(g_CodeTables.LoadGbToBig5(), 1);
}

TEST(CodeTables, NumbersOfCodes) {
  EXPECT_EQ(CCodeTables::Big5Number(0xA4, 0x40), 471);
  EXPECT_EQ(CCodeTables::Big5Number(0xA1, 0xA1), 63);
  EXPECT_EQ(CCodeTables::Big5Number(0xA1, 0x80), 0);
  EXPECT_EQ(CCodeTables::GbNumber(0xA1, 0xA1), 0);
  EXPECT_EQ(CCodeTables::GbNumber(0xB0, 0xA1), 9 * 95);
}

TEST(CodeTables, Big5ToGb) {
  const std::string table = ReadFileBytes(kBin + "BIG52GB.DAT");
  ASSERT_GE(table.size(), 944u);
  EXPECT_EQ(table.substr(942, 2), "\xD2\xBB");  // A440 一
  // Codes in memory order: lead in the low byte.
  EXPECT_EQ(g_CodeTables.Big5ToGb(0x40A4), 0xBBD2);
  EXPECT_EQ(g_CodeTables.Big5ToGb(0x3F3F), 0xA1A1);
  struct Pair {
    const char* big5;
    const char* gb;
  } pairs[] = {{"\xA4\xA4", "中"}, {"\xB0\xEA", "国"}, {"\xC5\xE9", "体"}, {"\xA4\x48", "人"}};
  for (const Pair& p : pairs) {
    std::uint16_t code = std::uint16_t(std::uint8_t(p.big5[0]) | std::uint8_t(p.big5[1]) << 8);
    std::uint16_t gb = g_CodeTables.Big5ToGb(code);
    char out[3] = {char(gb & 0xFF), char(gb >> 8), 0};
    EXPECT_EQ(plat::GbkToUtf8(out), p.gb) << p.gb;
  }
  // Strings: mixed ASCII and a lead byte before the terminator.
  char text[] = "A\xA4\xA4\xB0\xEA" "B\xA4";
  g_CodeTables.Big5ToGbString(text);
  EXPECT_EQ(plat::GbkToUtf8(std::string(text, 6)), "A中国B");
  EXPECT_EQ(std::uint8_t(text[6]), 0xA4);
  EXPECT_EQ(text[7], 0);
}

TEST(CodeTables, GbToBig5) {
  EXPECT_EQ(g_CodeTables.GbToBig5(0xD2BB), 0xA440);
  struct Pair {
    const char* gb;
    const char* big5;
  } pairs[] = {{"国", "國"}, {"体", "體"}, {"中", "中"}};
  for (const Pair& p : pairs) {
    std::string g = plat::Utf8ToGbk(p.gb), b = plat::Utf8ToMultiByte(plat::CP_BIG5, p.big5);
    std::uint16_t code = std::uint16_t(std::uint8_t(g[0]) << 8 | std::uint8_t(g[1]));
    std::uint16_t want = std::uint16_t(std::uint8_t(b[0]) << 8 | std::uint8_t(b[1]));
    EXPECT_EQ(g_CodeTables.GbToBig5(code), want) << p.gb;
  }
  // Rows AA..AF are not in the table: they read entry 0 (the ideographic space).
  EXPECT_EQ(g_CodeTables.GbToBig5(0xAAA1), g_CodeTables.GbToBig5(0xA1A1));
  EXPECT_EQ(g_CodeTables.GbToBig5(0xB040), 0);
  EXPECT_EQ(g_CodeTables.GbToBig5(0x41), 0);
}

TEST(CodeTables, MissingAndShortTables) {
  TempDir dir;
  CCodeTables none(dir.path());
  EXPECT_EQ(none.LoadBig5ToGb(), 0);
  EXPECT_EQ(none.Big5ToGb(0x40A4), 0);
  EXPECT_EQ(none.GbToBig5(0xD2BB), 0);
  char text[] = "\xA4\x40";
  none.Big5ToGbString(text);
  EXPECT_EQ(std::string(text), "\xA4\x40");
  // A table shorter or longer than a whole one is refused: no conversion.
  const std::string whole(94 * 157 * 2, '\x01');
  for (const std::string& big5 : {std::string("\x01\x02\x03\x04"), whole.substr(1), whole + "x"}) {
    WriteFileBytes(dir / "BIG52GB.DAT", big5);
    WriteFileBytes(dir / "GB2BIG5.DAT", big5.substr(0, 2));
    CCodeTables damaged(dir.path());
    EXPECT_EQ(damaged.LoadBig5ToGb(), 0) << big5.size();
    EXPECT_EQ(damaged.LoadGbToBig5(), 0) << big5.size();
    EXPECT_EQ(damaged.Big5ToGb(0x40A4), 0);
    EXPECT_EQ(damaged.GbToBig5(0xA1A1), 0);
    char t2[] = "\xA4\x40\xA1\x40";
    damaged.Big5ToGbString(t2);
    EXPECT_EQ(std::string(t2), "\xA4\x40\xA1\x40");
  }
  WriteFileBytes(dir / "BIG52GB.DAT", whole);
  CCodeTables good(dir.path());
  EXPECT_EQ(good.LoadBig5ToGb(), 1);
  EXPECT_EQ(good.Big5ToGb(0x40A4), 0x0101);
}

}  // namespace
