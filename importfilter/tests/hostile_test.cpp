// Every reader over every prefix and every single-byte change of small
// fixtures: no crash, no hang, records within their lengths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_util.h"
#include "importfilter/dxfreader.h"
#include "importfilter/epsreader.h"
#include "importfilter/filetype.h"
#include "importfilter/pltreader.h"
#include "platform/report.h"

using namespace imp;

namespace {

const std::string kPlt =
    "IN;SP2;LT3,4;PU0,0;PD100,0,100,100,0,100,0,0;PU;PR;PD-5,5;PA;DT*,1;SI0.2,0.3;DI0,1;"
    "LBAb!~*DT;LBq\x03U10D20;PU1e5,2;;:PDX3,3;!PU7,7;";

const std::string kEps =
    "%!PS-Adobe-3.0\n%%BeginProlog\n/Dict 9 dict def Dict begin\n/mv {newpath moveto} bind def\n"
    "/x {x} def /ln /lineto load def\n%%EndProlog\n%%EndSetup\n"
    "% 1 1 mv\n(s (t) \\) u) 0 0 mv 10 0 ln 5 5 9 9 v 1 2 3 4 y 1 2 3 4 5 6 c s\n"
    "4 4 m 8 8 l S 3 3 l b\n%%Trailer\n";

const std::string kDxf =
    "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n5\n21\n5\n"
    "0\nCIRCLE\n10\n3\n20\n3\n40\n2\n"
    "0\nLWPOLYLINE\n100\nAcDbPolyline\n70\n1\n10\n0\n20\n0\n10\n4\n20\n0\n10\n4\n20\n4\n"
    "0\nPOLYLINE\n70\n1\n0\nVERTEX\n10\n1\n20\n1\n0\nVERTEX\n10\n2\n20\n1\n0\nVERTEX\n10\n2\n20\n2\n0\nSEQEND\n"
    "0\nARC\n10\n0\n20\n0\n40\n1\n0\nENDSEC\n0\nEOF\n";

void Exercise(const std::string& s) {
  const std::uint8_t* d = U8(s);
  SniffImportBytes(d, s.size());
  for (bool colon : {false, true}) {
    CPltReader plt;
    plt.colonMode = colon;
    CFilterPathList list = plt.ReadPoints(d, s.size());
    list.matrix = FMatrix::Scale(0.025f, 0.025f);
    list.ApplyMatrix();
    const std::vector<std::uint8_t> rec = list.PathRecord();
    if (!rec.empty()) {
      ASSERT_EQ(plat::GetU32(rec.data() + 1), rec.size());
    }
  }
  {
    CPltReader plt;
    auto group = plt.ReadGroup(d, s.size());
    ASSERT_TRUE(group);
    const std::vector<std::uint8_t> rec = group->Record();
    if (!rec.empty()) {
      ASSERT_EQ(plat::GetU32(rec.data() + 1), rec.size());
    }
  }
  {
    static const std::string prolog = "/m {moveto} def";
    CEpsReader eps;
    CFilterPathList list;
    if (eps.ReadData(d, s.size(), &prolog, 0.5f, list)) list.PathRecord();
  }
  {
    CDxfReader dxf;
    CFilterPathList list;
    if (dxf.ReadData(d, s.size(), list)) list.PathRecord();
  }
}

void Mutate(const std::string& fixture) {
  for (std::size_t n = 0; n <= fixture.size(); ++n) Exercise(fixture.substr(0, n));
  static const unsigned char kBytes[] = {0x00, 0xFF, '0', '-', '.', ';', '\n', '{', '(', '%', 'L', 3};
  for (std::size_t i = 0; i < fixture.size(); ++i)
    for (unsigned char b : kBytes) {
      std::string s = fixture;
      if (std::uint8_t(s[i]) == b) continue;
      s[i] = char(b);
      Exercise(s);
    }
}

}  // namespace

TEST(HostileInput, PltFixture) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  Mutate(kPlt);
}

TEST(HostileInput, EpsFixture) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  Mutate(kEps);
}

TEST(HostileInput, DxfFixture) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  Mutate(kDxf);
}

TEST(HostileInput, DeepAndWideDefinitionsStayBounded) {
  // Every definition calls the next one eight times: linear with the cache.
  std::string prolog = "%!PS\n%%BeginProlog\n/D 99 dict def D begin\n";
  for (int i = 0; i < 200; ++i) {
    prolog += "/w" + std::to_string(i) + " {";
    for (int k = 0; k < 8; ++k) prolog += " w" + std::to_string(i + 1);
    prolog += "} def\n";
  }
  prolog += "/w200 {lineto} def\n%%EndProlog\n0 0 m 1 1 w0 2 2 w0 3 3 w150 4 4 w190\n";
  CEpsReader eps;
  CFilterPathList list;
  ASSERT_TRUE(eps.ReadData(U8(prolog), prolog.size(), nullptr, 1, list));
  // w0 is deeper than sixteen definitions and performs nothing; w190 draws.
  EXPECT_EQ(Tuples(list.Points()), (std::vector<Pt>{{0, 0, 0x11}, {4, 4, 0x21}, {0, 0, 0xFF}}));
  EXPECT_EQ(eps.OperatorOf("w190"), EO_LINE);
  EXPECT_EQ(eps.OperatorOf("w0"), EO_UNKNOWN);
}
