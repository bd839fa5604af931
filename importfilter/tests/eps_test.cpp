#include "importfilter/epsreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_util.h"
#include "platform/report.h"

using namespace imp;

namespace {

const std::string kDefaultProlog = "/m {moveto} def /l {lineto} def";

struct EpsResult {
  bool ok = false;
  std::vector<Pt> points;  // without the end record
  FMatrix matrix;
};

EpsResult Eps(const std::string& text, float scale = 1) {
  CEpsReader r;
  CFilterPathList list;
  EpsResult out;
  out.ok = r.ReadData(U8(text), text.size(), &kDefaultProlog, scale, list);
  out.points = Tuples(list.Points());
  if (out.ok) {
    EXPECT_EQ(std::get<2>(out.points.back()), 0xFF);
    out.points.pop_back();
  }
  out.matrix = list.matrix;
  return out;
}

// The export of the design program, as it writes a closed square.
const std::string kExported =
    "%!PS-Adobe-3.0\r\n%%Creator: Adobe Illustrator (TM) Exported From Cutter Vorlan V5.6\r\n"
    "%%BoundingBox: 0.000 0.000 100.000 50.000 \r\n%%EndComments\r\n%%BeginSetup\r\n%%EndSetup\r\n"
    "0.000 0.000 0.000 1.000 K\r\n0.215 w\r\nu\r\n0.000 0.000 m\r\n100.000 0.000 l\r\n100.000 50.000 l\r\n"
    "0.000 50.000 l\r\n0.000 0.000 l\r\ns\r\n10.000 10.000 m\r\n20.000 10.000 l\r\nS\r\nU\r\n"
    "%%PageTrailer\r\n%%Trailer\r\n%%EOF\r\n";

// The same square as the program writes it now: a self-contained EPS whose
// prolog defines the operators of the body.
const std::string kExportedWithProlog =
    "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Illustrator (TM) Exported From Cutter Vorlan V5.6\r\n"
    "%%BoundingBox: -1 -1 101 51\r\n%%HiResBoundingBox: -0.108 -0.108 100.108 50.108\r\n%%EndComments\r\n"
    "%%BeginProlog\r\n/TindrelDict 9 dict def TindrelDict begin\r\n/u {} bind def /U {} bind def\r\n"
    "/K {setcmykcolor} bind def /w {setlinewidth} bind def\r\n"
    "/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def\r\n"
    "/S {stroke} bind def /s {closepath stroke} bind def\r\nend\r\n%%EndProlog\r\n"
    "%%BeginSetup\r\nTindrelDict begin\r\n1 setlinejoin\r\n%%EndSetup\r\n"
    "0.000 0.000 0.000 1.000 K\r\n0.215 w\r\nu\r\n0.000 0.000 m\r\n100.000 0.000 l\r\n100.000 50.000 l\r\n"
    "0.000 50.000 l\r\n0.000 0.000 l\r\ns\r\n10.000 10.000 m\r\n20.000 10.000 l\r\nS\r\nU\r\n"
    "showpage\r\n%%PageTrailer\r\n%%Trailer\r\nend\r\n%%EOF\r\n";

const std::string kProlog =
    "%!PS-Adobe-2.0 EPSF-1.2\n%%BoundingBox: 0 0 100 100\n%%BeginProlog\n"
    "/Dict 40 dict def Dict begin\n"
    "/_doClip 0 def\n"
    "/mv {_doClip 1 eq {clip} if newpath moveto} bind def % m would stay moveto anyway\n"
    "/ln /lineto load def\n"
    "/cv {curveto} def\n"
    "/x {x} def\n"
    "/a {b b b b b b b b} def /b {c c c c c c c c} def /c {d d d d d d d d} def /d {a lineto} def\n"
    "/str (moveto) def\n"
    "/m {lineto} def\n"
    "%%EndProlog\n"
    "%%BeginSetup\n%%EndSetup\n"
    "% 50 50 mv\n"
    "(10 10 mv) pop\n"
    "0 0 mv 10 0 ln 9 9 x 10 10 20 10 30 0 cv\n"
    "40 0 m 50 0 l 60 0 d\n";

}  // namespace

TEST(EpsReader, PathsAndFlags) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Pt> points;
  } cases[] = {
      {"square", "100 100 moveto 200 100 lineto 200 200 lineto closepath",
       {{100, 100, 0x11}, {200, 100, 1}, {200, 200, 1}, {100, 100, 0x41}}},
      {"prolog-less letters", "0 0 m 5 0 l 5 5 L", {{0, 0, 0x11}, {5, 0, 1}, {5, 5, 0x21}}},
      {"curve held to the end", "0 0 moveto 10 10 20 10 30 0 curveto",
       {{0, 0, 0x11}, {10, 10, 0}, {20, 10, 0}, {30, 0, 0x21}}},
      {"close at the start", "0 0 m 10 0 l 0 0 l f", {{0, 0, 0x11}, {10, 0, 1}, {0, 0, 0x41}}},
      {"s closes", "0 0 m 10 0 l 10 10 l s", {{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {0, 0, 0x41}}},
      {"b B n close", "0 0 m 1 0 l 1 1 l b 5 5 m 6 5 l 6 6 l B 9 9 m 8 9 l 8 8 l n",
       {{0, 0, 0x11}, {1, 0, 1}, {1, 1, 1}, {0, 0, 0x41}, {5, 5, 0x11}, {6, 5, 1}, {6, 6, 1}, {5, 5, 0x41},
        {9, 9, 0x11}, {8, 9, 1}, {8, 8, 1}, {9, 9, 0x41}}},
      {"S and N end open", "0 0 m 1 0 l S 5 5 m 6 5 l N",
       {{0, 0, 0x11}, {1, 0, 0x21}, {5, 5, 0x11}, {6, 5, 0x21}}},
      {"move ends the sub-path", "0 0 m 1 0 l 5 5 m 6 6 l", {{0, 0, 0x11}, {1, 0, 0x21}, {5, 5, 0x11}, {6, 6, 0x21}}},
      {"wrong operand counts skipped", "0 0 m 1 2 3 l 4 l 9 9 l 1 2 3 4 5 c",
       {{0, 0, 0x11}, {9, 9, 0x21}}},
      {"comments and strings", "0 0 m % 10 10 l\n(20 20 l) 5 5 l (a (nested) \\) 3 3 l) 1 1 l",
       {{0, 0, 0x11}, {5, 5, 1}, {1, 1, 0x21}}},
      {"trailer ends the path", "0 0 m 5 0 l\n%%Trailer\n9 9 m 8 8 l",
       {{0, 0, 0x11}, {5, 0, 0x21}, {9, 9, 0x11}, {8, 8, 0x21}}},
      {"closepath then line", "0 0 m 5 0 l 5 5 l closepath 9 9 l",
       {{0, 0, 0x11}, {5, 0, 1}, {5, 5, 1}, {0, 0, 0x41}, {0, 0, 0x11}, {9, 9, 0x21}}},
      {"long word skipped whole", "0 0 m " + std::string(300, 'x') + " 5 5 l",
       {{0, 0, 0x11}, {5, 5, 0x21}}},
      {"moves alone paint nothing", "0 0 m 5 5 m 6 5 l 9 9 m 7 7 moveto closepath 8 8 m",
       {{5, 5, 0x11}, {6, 5, 0x21}}},
      {"a move after a close", "0 0 m 1 0 l 1 1 l closepath 7 7 m",
       {{0, 0, 0x11}, {1, 0, 1}, {1, 1, 1}, {0, 0, 0x41}}},
  };
  for (const Case& c : cases) {
    const EpsResult r = Eps(c.text);
    EXPECT_TRUE(r.ok) << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
  }
}

TEST(EpsReader, MirrorAndScaleInTheMatrix) {
  const EpsResult r = Eps("100 100 moveto 200 100 lineto 200 200 lineto closepath", 2);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.matrix.a, 2);
  EXPECT_EQ(r.matrix.d, -2);
  EXPECT_EQ(r.matrix.f, 600);  // y' = 2 (300 - y): the mirror about 150, then the scale
  // The record's bounds are those after the matrix.
  CEpsReader reader;
  CFilterPathList list;
  const std::string text = "100 100 moveto 200 100 lineto 200 200 lineto closepath";
  ASSERT_TRUE(reader.ReadData(U8(text), text.size(), &kDefaultProlog, 2, list));
  const std::vector<std::uint8_t> rec = list.PathRecord();
  ASSERT_FALSE(rec.empty());
  EXPECT_EQ(F32At(rec.data() + 8), 200);
  EXPECT_EQ(F32At(rec.data() + 12), 200);
  EXPECT_EQ(F32At(rec.data() + 16), 400);
  EXPECT_EQ(F32At(rec.data() + 20), 400);
}

TEST(EpsReader, VAndYAreCubicsAsWrittenWithC) {
  EXPECT_EQ(Eps("0 0 m 10 10 30 0 v").points, Eps("0 0 m 0 0 10 10 30 0 c").points);
  EXPECT_EQ(Eps("5 5 m 10 10 30 0 y").points, Eps("5 5 m 10 10 30 0 30 0 c").points);
  EXPECT_EQ(Eps("5 5 m 10 10 30 0 V 1 1 40 40 Y").points,
            Eps("5 5 m 5 5 10 10 30 0 c 1 1 40 40 40 40 c").points);
}

TEST(EpsReader, PrologRenamesOperators) {
  const EpsResult r = Eps(kProlog);
  ASSERT_TRUE(r.ok);
  // mv moves (its last path operator), ln and cv draw, the self-referring x
  // does nothing, the letter m keeps moving, and d draws through a.
  EXPECT_EQ(r.points, (std::vector<Pt>{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0}, {20, 10, 0}, {30, 0, 0x21},
                                       {40, 0, 0x11}, {50, 0, 1}, {60, 0, 0x21}}));
}

TEST(EpsReader, ExportedFilesReadBackClosed) {
  // Files of the older export, without a prolog, and the self-contained ones.
  for (const std::string* file : {&kExported, &kExportedWithProlog}) {
    const EpsResult r = Eps(*file, 25.4f / 72);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.points, (std::vector<Pt>{{0, 0, 0x11}, {100, 0, 1}, {100, 50, 1}, {0, 50, 1}, {0, 0, 0x41},
                                         {10, 10, 0x11}, {20, 10, 0x21}}));
  }
}

TEST(EpsReader, LineBeforeMoveIsRefusedWithAMessage) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  const EpsResult r = Eps("5 5 lineto 10 10 moveto 20 20 lineto");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.points.empty());
  // After a stroke the path has no current point.
  EXPECT_FALSE(Eps("0 0 m 5 0 l S 9 9 l").ok);
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[0].text, "     在文件中有非法的轮廓或不能识别!     ");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_EQ(sink.boxes[0].style, plat::MB_OK | plat::MB_ICONERROR);
}

TEST(EpsReader, NothingToDrawOrNoPrologGivesNothing) {
  EXPECT_FALSE(Eps("%!PS\n1 setlinewidth stroke\n").ok);
  EXPECT_FALSE(Eps("%!PS\n0 0 moveto 72 72 moveto\n").ok);
  CEpsReader r;
  CFilterPathList list;
  const std::string text = "0 0 m 1 1 l 2 2 l";
  EXPECT_FALSE(r.ReadData(U8(text), text.size(), nullptr, 1, list));
}
