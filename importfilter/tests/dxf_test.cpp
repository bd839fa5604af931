#include "importfilter/dxfreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_util.h"

using namespace imp;

namespace {

std::string Pairs(std::initializer_list<std::pair<int, std::string>> pairs) {
  std::string s;
  for (const auto& [code, value] : pairs) s += std::to_string(code) + "\r\n" + value + "\r\n";
  return s;
}

std::string Entities(const std::string& body) {
  return Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1009"}, {0, "ENDSEC"},
                {0, "SECTION"}, {2, "ENTITIES"}}) +
         body + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string Line(float x1, float y1, float x2, float y2) {
  return Pairs({{0, "LINE"}, {8, "0"}, {10, std::to_string(x1)}, {20, std::to_string(y1)}, {30, "0.0"},
                {11, std::to_string(x2)}, {21, std::to_string(y2)}, {31, "0.0"}});
}

std::string LwPolyline(int flags, std::initializer_list<std::pair<float, float>> pts) {
  std::string s = Pairs({{0, "LWPOLYLINE"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbPolyline"},
                         {90, std::to_string(pts.size())}, {70, std::to_string(flags)}});
  for (auto [x, y] : pts) s += Pairs({{10, std::to_string(x)}, {20, std::to_string(y)}});
  return s;
}

struct DxfResult {
  bool ok = false;
  std::vector<Pt> points;
  FMatrix matrix;
  FRect bounds;
};

DxfResult Dxf(const std::string& text) {
  CDxfReader r;
  CFilterPathList list;
  DxfResult out;
  out.ok = r.ReadData(U8(text), text.size(), list);
  if (out.ok) {
    out.points = Tuples(list.Points());
    EXPECT_EQ(std::get<2>(out.points.back()), 0xFF);
    out.points.pop_back();
    out.matrix = list.matrix;
    PathBounds(list.Points().data(), list.PointCount(), nullptr, out.bounds);
  }
  return out;
}

}  // namespace

TEST(DxfReader, Entities) {
  const std::string circle = Pairs({{0, "CIRCLE"}, {8, "0"}, {100, "AcDbCircle"}, {10, "10"}, {20, "10"},
                                    {30, "0"}, {40, "5"}});
  struct Case {
    const char* name;
    std::string body;
    std::vector<Pt> points;
  } cases[] = {
      {"two lines", Line(0, 0, 10, 0) + Line(0, 5, 10, 5),
       {{0, 0, 0x11}, {10, 0, 0x21}, {0, 5, 0x11}, {10, 5, 0x21}}},
      {"closed light polyline", LwPolyline(1, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}),
       {{0, 0, 0x11}, {4, 0, 1}, {4, 4, 1}, {0, 4, 1}, {0, 0, 0x41}}},
      {"flags 129 close", LwPolyline(129, {{0, 0}, {4, 0}, {4, 4}}),
       {{0, 0, 0x11}, {4, 0, 1}, {4, 4, 1}, {0, 0, 0x41}}},
      {"flags 128 stay open", LwPolyline(128, {{0, 0}, {4, 0}, {4, 4}}), {{0, 0, 0x11}, {4, 0, 1}, {4, 4, 0x21}}},
      {"polyline with vertices",
       Pairs({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "1"},
              {0, "VERTEX"}, {8, "0"}, {10, "1"}, {20, "1"}, {30, "0"},
              {0, "VERTEX"}, {8, "0"}, {10, "3"}, {20, "1"}, {30, "0"},
              {0, "VERTEX"}, {8, "0"}, {10, "3"}, {20, "3"}, {30, "0"}, {0, "SEQEND"}}),
       {{1, 1, 0x11}, {3, 1, 1}, {3, 3, 1}, {1, 1, 0x41}}},
      {"mview drops what came before", Line(0, 0, 1, 1) + Pairs({{0, "MVIEW"}, {10, "5"}}) + Line(2, 2, 3, 3) +
                                           Line(4, 4, 5, 5),
       {{2, 2, 0x11}, {3, 3, 0x21}, {4, 4, 0x11}, {5, 5, 0x21}}},
      {"arc skipped", Pairs({{0, "ARC"}, {100, "AcDbCircle"}, {10, "0"}, {20, "0"}, {40, "3"}, {50, "0"}, {51, "90"}}) +
                          Line(0, 0, 1, 0) + Line(0, 1, 1, 1),
       {{0, 0, 0x11}, {1, 0, 0x21}, {0, 1, 0x11}, {1, 1, 0x21}}},
      {"line without its end keeps what follows",
       Pairs({{0, "LINE"}, {10, "7"}, {20, "7"}}) + LwPolyline(0, {{0, 0}, {1, 0}, {1, 1}}),
       {{0, 0, 0x11}, {1, 0, 1}, {1, 1, 0x21}}},
      {"not numbers read 0", Line(0, 0, 0, 0) + Pairs({{0, "LINE"}, {10, "nan"}, {20, "inf"}, {11, "-inf"}, {21, "x"}}),
       {{0, 0, 0x11}, {0, 0, 0x21}, {0, 0, 0x11}, {0, 0, 0x21}}},
      {"exponents", Line(0, 0, 1, 0) + Pairs({{0, "LINE"}, {10, "1.5E+01"}, {20, "+2e0"}, {11, "0"}, {21, "0"}}),
       {{0, 0, 0x11}, {1, 0, 0x21}, {15, 2, 0x11}, {0, 0, 0x21}}},
      {"long line stays in step",
       Pairs({{999, std::string(500, 'c')}}) + Line(0, 0, 1, 0) + Pairs({{1, std::string(300, '0')}}) +
           Line(0, 1, 1, 1),
       {{0, 0, 0x11}, {1, 0, 0x21}, {0, 1, 0x11}, {1, 1, 0x21}}},
      {"empty values keep the pairs",
       Pairs({{0, "TEXT"}, {1, ""}, {7, ""}}) + Line(0, 0, 1, 0) + Line(0, 1, 1, 1),
       {{0, 0, 0x11}, {1, 0, 0x21}, {0, 1, 0x11}, {1, 1, 0x21}}},
  };
  for (const Case& c : cases) {
    const DxfResult r = Dxf(Entities(c.body));
    EXPECT_TRUE(r.ok) << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
  }
  const DxfResult c = Dxf(Entities(circle));
  ASSERT_TRUE(c.ok);
  ASSERT_EQ(c.points.size(), 13u);
  EXPECT_EQ(c.points.front(), (Pt{15, 10, 0x11}));
  EXPECT_EQ(c.points.back(), (Pt{15, 10, 0x41}));
  EXPECT_NEAR(c.bounds.left, 5, 0.01);
  EXPECT_NEAR(c.bounds.top, 5, 0.01);
  EXPECT_NEAR(c.bounds.right, 15, 0.01);
  EXPECT_NEAR(c.bounds.bottom, 15, 0.01);
  // y is mirrored about the middle of the bounds in the matrix.
  EXPECT_EQ(c.matrix.d, -1);
  EXPECT_NEAR(c.matrix.f, 20, 0.01);
}

TEST(DxfReader, NothingToImport) {
  const std::string circle0 = Pairs({{0, "CIRCLE"}, {10, "1"}, {20, "1"}, {40, "0"}});
  const std::string circleNeg = Pairs({{0, "CIRCLE"}, {10, "1"}, {20, "1"}, {40, "-3"}});
  for (const std::string& text : {Entities(Line(0, 0, 10, 0)), Entities(circle0), Entities(circleNeg),
                                  Entities(Line(0, 0, 1, 1) + Pairs({{0, "MVIEW"}})),
                                  Pairs({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}}),
                                  std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + Entities(LwPolyline(1, {{0, 0}, {1, 0}, {1, 1}})),
                                  std::string()})
    EXPECT_FALSE(Dxf(text).ok) << text.substr(0, 40);
}
