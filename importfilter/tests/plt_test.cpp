#include "importfilter/pltreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_util.h"

using namespace imp;

namespace {

std::vector<Pt> PltPoints(const std::string& text, bool colon = false) {
  CPltReader r;
  r.colonMode = colon;
  CFilterPathList list = r.ReadPoints(U8(text), text.size());
  std::vector<Pt> pts = Tuples(list.Points());
  EXPECT_FALSE(pts.empty());
  if (!pts.empty()) {
    EXPECT_EQ(std::get<2>(pts.back()), 0xFF);
    pts.pop_back();
  }
  return pts;
}

struct TokenSeq {
  std::vector<int> codes;
  std::vector<std::string> texts;
};

TokenSeq Tokens(const std::string& text, bool colon = false) {
  CPltReader r;
  r.colonMode = colon;
  TokenSeq out;
  std::size_t pos = 0;
  std::string t;
  for (int guard = 0; guard < 1000; ++guard) {
    const int code = r.ScanToken(U8(text), text.size(), pos, t);
    if (code == PT_END) break;
    out.codes.push_back(code);
    out.texts.push_back(t);
  }
  return out;
}

}  // namespace

TEST(PltTokens, CommandsNumbersAndTheirAdvance) {
  struct Case {
    std::string text;
    bool colon;
    std::vector<int> codes;
  } cases[] = {
      {"PUPD", false, {PT_PU, PT_PD}},
      {"PUPD", true, {PT_PU}},
      {"U0D100", false, {PT_PU, PT_NUMBER, PT_PD, PT_NUMBER}},
      {"UP", false, {PT_OTHER}},
      {"pa10,-2.5;pr+3", false, {PT_PA, PT_NUMBER, PT_NUMBER, PT_PR, PT_NUMBER}},
      {"IN;SP1;LT2,3;DI0,1;SI;DT*;LB", false, {PT_OTHER, PT_SP, PT_NUMBER, PT_LT, PT_NUMBER, PT_NUMBER, PT_DI,
                                              PT_NUMBER, PT_NUMBER, PT_SI, PT_DT, PT_LB}},
      {"!PU", false, {PT_PU}},
      {std::string("\0\0\0PD\0" "5", 7), false, {PT_PD, PT_NUMBER}},
      {";;;   \r\n", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.text, c.colon).codes, c.codes) << c.text;
  // A digit after a single letter stays with its number.
  EXPECT_EQ(Tokens("D100").texts, (std::vector<std::string>{"D", "100"}));
  // A token text is cut at 99 characters, the whole run still passed over.
  const TokenSeq longRun = Tokens(std::string(500, '7') + ";PU");
  ASSERT_EQ(longRun.codes, (std::vector<int>{PT_NUMBER, PT_PU}));
  EXPECT_EQ(longRun.texts[0].size(), 99u);
}

TEST(PltReader, PointsAndFlags) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Pt> points;
  } cases[] = {
      {"closed square", "IN;PU0,0;PD100,0,100,100,0,100,0,0;PU;",
       {{0, 0, 0x11}, {100, 0, 0x01}, {100, 100, 0x01}, {0, 100, 0x01}, {0, 0, 0x41}}},
      {"open", "PU0,0;PD100,0,100,100;", {{0, 0, 0x11}, {100, 0, 0x01}, {100, 100, 0x21}}},
      {"relative", "PU0,0;PR;PD10,0,0,10;", {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}}},
      {"pen number skipped", "SP1;PU0,0;PD5,5,10,0;", {{0, 0, 0x11}, {5, 5, 0x01}, {10, 0, 0x21}}},
      {"differs in y only", "PU0,0;PD10,0,10,10,0,10,0,5;PU;",
       {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}, {0, 5, 0x21}}},
      {"pen down before any pen-up point", "PD10,0,10,10;", {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}}},
      {"PUPD letters", "PUPD10,0,10,10;", {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}}},
      {"single letters", "U0,0;D100,0,100,100;", {{0, 0, 0x11}, {100, 0, 0x01}, {100, 100, 0x21}}},
      {"odd coordinate count", "PU0,0;PD10,0,10;PU;", {{0, 0, 0x11}, {10, 0, 0x21}}},
      {"two sub-paths", "PU0,0;PD5,0;PU0,9;PD5,9;",
       {{0, 0, 0x11}, {5, 0, 0x21}, {0, 9, 0x11}, {5, 9, 0x21}}},
      {"label text is no command", "PU0,0;PD10,0;LBprint\x03;PD10,10,0,10;",
       {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {0, 10, 0x21}}},
      {"label terminator", "DT*;PU0,0;PD10,0;LBPR*PD10,10,0,10;",
       {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {0, 10, 0x21}}},
      {"zero bytes", std::string("PU0,0;PD10,0\0,10,10\0;", 22), {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x21}}},
      {"unknown command skips numbers", "PU0,0;PD10,0;XX5,5,6,6;PD10,10;",
       {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x21}}},
      {"huge and odd numbers", "PU0,0;PD" + std::string(120, '9') + ",1.5.5,-.5,+2;",
       {{0, 0, 0x11}, {1e9f, 1.5f, 1}, {-0.5f, 2, 0x21}}},
  };
  for (const Case& c : cases) EXPECT_EQ(PltPoints(c.text), c.points) << c.name;
}

TEST(PltReader, ColonModeTakesTheWholeLetterRun) {
  const std::string text = "PU0,0;PDA10,0,10,10;";
  EXPECT_EQ(PltPoints(text, true), (std::vector<Pt>{{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}}));
  // Without the mode "A" is a command of its own and its numbers are skipped.
  EXPECT_EQ(PltPoints(text, false), std::vector<Pt>{});
}

TEST(PltReader, NumberAcrossByte79) {
  std::string text = "IN;PU0,0;PD";
  text += std::string(77 - text.size(), ' ');
  text += "12345,678,0,900;";  // the first number covers bytes 77 to 81
  EXPECT_EQ(PltPoints(text), (std::vector<Pt>{{0, 0, 0x11}, {12345, 678, 1}, {0, 900, 0x21}}));
}

TEST(PltReader, LongInputWithoutTokensEnds) {
  const std::string text(1 << 16, '\0');
  EXPECT_EQ(PltPoints(text), std::vector<Pt>{});
  const std::string semis(1 << 16, ';');
  EXPECT_EQ(PltPoints(semis), std::vector<Pt>{});
}
