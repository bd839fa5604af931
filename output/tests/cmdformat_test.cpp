#include "output/cmdformat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "model/helpers.h"

TEST(CmdFormatTest, ConversionsFlagsWidthAndPrecision) {
  struct Case {
    const char* tmpl;
    std::vector<std::int32_t> args;
    const char* want;
  } cases[] = {
      {"PU%d,%d;", {20, 10}, "PU20,10;"},
      {"PD%i,%i;", {-5, 7}, "PD-5,7;"},
      {"%u", {-1}, "4294967295"},
      {"%x %X %o", {255, 255, 8}, "ff FF 10"},
      {"%#x %#X %#o %#x", {255, 255, 8, 0}, "0xff 0XFF 010 0"},
      {"[%5d][%-5d][%05d]", {42, 42, 42}, "[   42][42   ][00042]"},
      {"[%+d][% d][%+d]", {3, 3, -3}, "[+3][ 3][-3]"},
      {"[%.3d][%8.3d][%.0d]", {7, 7, 0}, "[007][     007][]"},
      {"[%05.2d]", {7}, "[   07]"},
      {"[%-+6d]", {12}, "[+12   ]"},
      {"%c%c", {'A', 0x142}, "AB"},
      {"[%3c]", {'z'}, "[  z]"},
      {"%d", {INT_MIN}, "-2147483648"},
      {"%hd %hhd %ld %lld", {70000, 300, 5, 6}, "4464 44 5 6"},
      {"%hu", {-1}, "65535"},
      {"100%%", {}, "100%"},
      {"%%d", {5}, "%d"},
      {"no args", {1, 2}, "no args"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatCommand(c.tmpl, c.args), c.want) << c.tmpl;
}

// Every combination of flags, width and precision as the C library formats it.
TEST(CmdFormatTest, FieldsAsTheCLibraryFormatsThem) {
  const char* flags[] = {"", "-", "+", " ", "#", "0", "-0", "+0", "#0", "- #", "+ 0", "-+#0"};
  const char* widths[] = {"", "1", "6", "14"};
  const char* precisions[] = {"", ".0", ".1", ".4", ".13"};
  const std::int32_t values[] = {0, 1, -1, 7, 8, 255, -300, 12345, INT_MAX, INT_MIN};
  for (const char* f : flags)
    for (const char* w : widths)
      for (const char* p : precisions)
        for (char conv : std::string("diuxXo"))
          for (std::int32_t v : values) {
            const std::string spec = std::string("<%") + f + w + p + conv + ">";
            char want[64];
            if (conv == 'd' || conv == 'i')
              std::snprintf(want, sizeof want, spec.c_str(), v);
            else
              std::snprintf(want, sizeof want, spec.c_str(), unsigned(v));
            ASSERT_EQ(FormatCommand(spec, std::vector<std::int32_t>{v}), want) << spec << " " << v;
          }
}

TEST(CmdFormatTest, WhatIsNotAnIntegerConversionStaysAsItIs) {
  struct Case {
    const char* tmpl;
    std::vector<std::int32_t> args;
    const char* want;
  } cases[] = {
      {"%s%n%p%f", {1, 2, 3, 4}, "%s%n%p%f"},
      {"%d,%d", {9}, "9,%d"},          // one beyond the arguments
      {"%d %5.2d", {}, "%d %5.2d"},     // a template read without arguments
      {"PU%", {1}, "PU%"},              // cut short at the end
      {"PU%5", {1}, "PU%5"},
      {"%*d", {4, 5}, "%*d"},
      {"%999d|%d", {1, 2}, "%999d|1"},  // width beyond 255
      {"%.300d", {1}, "%.300d"},
      {"%s%d", {6}, "%s6"},             // a literal conversion takes no argument
      {"%lf%d", {6}, "%lf6"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatCommand(c.tmpl, c.args), c.want) << c.tmpl;
  // The widest field is bounded.
  EXPECT_EQ(FormatCommand("%255d", std::vector<std::int32_t>{1}).size(), 255u);
}

TEST(CmdFormatTest, EscapesOfTheTemplates) {
  struct Case {
    const char* raw;
    std::string want;
  } cases[] = {
      {"\\x1b.E", "\x1b.E"}, {"\\X41\\x4a", "AJ"}, {"a\\\\b", "a\\b"},
      {"\\b\\n\\r", "\x07\n\r"}, {"PU;\\q", "PU;\\"}, {"\\x4", ""}, {"\\", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(UnescapeString(c.raw), c.want) << c.raw;
}

// Appended after what `out` holds; the count is of the bytes before a zero
// byte (a "%c" of 0, a zero in the template), all of them without one.
TEST(CmdFormatTest, AppendCountsTheBytesBeforeAZero) {
  struct Case {
    std::string tmpl;
    std::vector<std::int32_t> args;
    std::string appended;
    std::size_t count;
  } cases[] = {
      {"PD%d,%d;", {-12, 345}, "PD-12,345;", 10},
      {"A%cB", {0}, std::string("A\0B", 3), 1},
      {"%c", {0}, std::string(1, '\0'), 0},
      {std::string("PU\0;", 4), {}, std::string("PU\0;", 4), 2},
      {"%x%d", {0, 0}, "00", 2},
      {"", {1}, "", 0},
  };
  for (const Case& c : cases) {
    std::string out = "IN;";
    EXPECT_EQ(AppendCommand(out, c.tmpl, c.args), c.count) << c.tmpl;
    EXPECT_EQ(out, "IN;" + c.appended) << c.tmpl;
  }
}

// Long literal text and many numbers: the same bytes however they are gathered.
TEST(CmdFormatTest, LongTemplatesAsTheirParts) {
  for (std::size_t literal : {0u, 1u, 255u, 256u, 257u, 700u}) {
    std::string tmpl(literal, 'x'), want(literal, 'x');
    std::vector<std::int32_t> args;
    for (int i = 0; i < 80; ++i) {
      const std::int32_t v = i % 3 == 0 ? -(i * 12345679) : i * 98765;
      tmpl += "%d" + std::string(std::size_t(i % 4), ',') + (i % 7 == 0 ? "%%" : "");
      want += std::to_string(v) + std::string(std::size_t(i % 4), ',') + (i % 7 == 0 ? "%" : "");
      args.push_back(v);
    }
    tmpl += std::string(literal, 'y') + "%05d";
    want += std::string(literal, 'y') + "00042";
    args.push_back(42);
    EXPECT_EQ(FormatCommand(tmpl, args), want) << literal;
  }
}
