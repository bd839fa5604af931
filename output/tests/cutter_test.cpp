#include "output/cutter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "output/cutinfo.h"
#include "output/tests/cutter_fixture.h"
#include "platform/ini.h"
#include "platform/report.h"

namespace {

// "PU20,10;" -> (10, 20): the design point of an HPGL-like command.
bool ParsePoint(const std::string& cmd, float& x, float& y) {
  int a = 0, b = 0;
  if (std::sscanf(cmd.c_str() + 2, "%d,%d", &a, &b) != 2) return false;
  x = float(b);
  y = float(a);
  return true;
}

}  // namespace

TEST(CutterUnitsTest, SinglePrecisionQuotientsTruncateAndSaturate) {
  struct Case {
    float mm, rs;
    std::int32_t want;
  } cases[] = {
      {10.0f, 0.025f, 400},  // 399 when divided in double
      {0.3f, 0.025f, 12},    {0.25f, 0.1f, 2},       {1.0f, 0.025f, 40},
      {-10.0f, 0.025f, -400}, {1e30f, 0.025f, 2147483647}, {-1e30f, 0.025f, -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(MillimetresToUnits(c.mm, c.rs), c.want) << c.mm << "/" << c.rs;
  EXPECT_EQ(int(10.0 / double(0.025f)), 399);
  EXPECT_EQ(PlotterUnits(10.9f), 10);
  EXPECT_EQ(PlotterUnits(-10.9f), -10);
  EXPECT_EQ(PlotterUnits(NAN), 0);
  EXPECT_EQ(PlotterUnits(INFINITY), 2147483647);
}

TEST_F(CutterFixture, LoadReadsTheModelAndItsDefaults) {
  auto hpgl = Device("HPGL Cutter");
  EXPECT_EQ(hpgl->sectionName, "HPGL");
  EXPECT_FLOAT_EQ(hpgl->rs, 0.025f);
  EXPECT_EQ(hpgl->commands[CCutterDriver::NewFrame], "\x1b.E");
  EXPECT_EQ(hpgl->commands[CCutterDriver::SubJoin], "\n");
  EXPECT_EQ(hpgl->maxSpeed, 80);   // "1,80"
  EXPECT_EQ(hpgl->maxForce, 200);  // "10,200"
  EXPECT_EQ(hpgl->hardOffset, 0u);
  EXPECT_EQ(hpgl->outMethod, 2);

  auto dmpl = Device("dmpl cutter");  // keys match without case
  EXPECT_EQ(dmpl->sectionName, "DMPL");
  EXPECT_EQ(dmpl->maxSpeed, 20);   // no comma: the whole text
  EXPECT_EQ(dmpl->maxForce, 250);  // ",250"
  EXPECT_FLOAT_EQ(dmpl->ratioX, 0.95f);
  EXPECT_FLOAT_EQ(dmpl->ratioY, 1.0f);  // 1.2 is outside 0.9..1.1
  EXPECT_EQ(dmpl->commands[CCutterDriver::SubJoin], " ");
  EXPECT_EQ(dmpl->commands[CCutterDriver::SpeedCmd], "V%d");  // trailing blank trimmed

  auto none = Device("No Such Model");
  EXPECT_EQ(none->sectionName, "");
  EXPECT_FLOAT_EQ(none->rs, 0.025f);
  EXPECT_EQ(none->setSpeed, 1u);
  EXPECT_EQ(none->defaultSpeed, 40);
  EXPECT_EQ(none->defaultForce, 80);
  EXPECT_EQ(none->maxSpeed, 0);
  EXPECT_EQ(none->hardOffset, 1u);
  EXPECT_FLOAT_EQ(none->offset, 0.3f);
  EXPECT_EQ(none->outMethod, 2);
  for (const std::string& c : none->commands) EXPECT_EQ(c, "");

  EXPECT_EQ(hpgl->GetModelList(), (std::vector<std::string>{"HPGL Cutter", "DMPL Cutter"}));
}

TEST_F(CutterFixture, HostileValuesTakeTheirDefaults) {
  std::string text = "[CutterDevices]\nX=X\n[X]\nRS=0\nOffset=nan\nRatioX=nan\nRatioY=0.9\n"
                     "OVERCUT=-5\nSpeedRanger=1,99999999\nPenMode=1\nHardOffset=1\n"
                     "InitCmd=" + std::string(600, 'A') + "\nHomeCmd=H\\x00IDDEN\nMoveTo=\\x41%d\n";
  WriteBytes(dir / "Cutters.INI", text);
  auto dev = Device("X");
  EXPECT_FLOAT_EQ(dev->rs, 0.025f);
  EXPECT_FLOAT_EQ(dev->offset, 0.3f);
  EXPECT_FLOAT_EQ(dev->ratioX, 1.0f);
  EXPECT_FLOAT_EQ(dev->ratioY, 0.9f);
  EXPECT_EQ(dev->overcut, 0u);
  EXPECT_EQ(dev->maxSpeed, 65535);
  EXPECT_EQ(dev->penMode, 0u);  // hard offset and no "PlotCmd": not read
  EXPECT_EQ(dev->commands[CCutterDriver::InitCmd], std::string(255, 'A'));
  EXPECT_EQ(dev->commands[CCutterDriver::HomeCmd], "H");
  EXPECT_EQ(dev->commands[CCutterDriver::MoveToCmd], "A%d");
  for (const char* rs : {"-1", "inf", "1e-50"}) {
    WriteBytes(dir / "Cutters.INI", std::string("[CutterDevices]\nX=X\n[X]\nRS=") + rs + "\n");
    dev->Load();
    EXPECT_FLOAT_EQ(dev->rs, 0.025f) << rs;
  }
}

TEST_F(CutterFixture, SaveWritesTheAdjustableKeys) {
  auto dev = Device("HPGL Cutter");
  dev->offset = 0.45f;
  dev->overcut = 40;
  dev->defaultSpeed = 33;
  dev->ratioX = 1.2f;
  dev->ratioY = 1.05f;
  dev->penMode = 1;
  dev->Save();
  EXPECT_EQ(plat::GetPrivateProfileValue("HPGL", "OverCut", dir / "Cutters.INI").value_or(""), "40");
  EXPECT_EQ(plat::GetPrivateProfileValue("HPGL", "RatioX", dir / "Cutters.INI").value_or(""), "1.0000");
  auto again = Device("HPGL Cutter");
  EXPECT_FLOAT_EQ(again->offset, 0.45f);
  EXPECT_EQ(again->overcut, 40u);  // "OVERCUT" and "OverCut" are one key
  EXPECT_EQ(again->defaultSpeed, 33);
  EXPECT_FLOAT_EQ(again->ratioX, 1.0f);
  EXPECT_FLOAT_EQ(again->ratioY, 1.05f);
  EXPECT_EQ(again->penMode, 1u);
  // No model: nothing written.
  std::string before = ReadBytes(dir / "Cutters.INI");
  CCutterDriver none(ini);
  none.Save();
  Device("Unknown")->Save();
  EXPECT_EQ(ReadBytes(dir / "Cutters.INI"), before);
}

// --- Golden streams -----------------------------------------------------------

TEST_F(CutterFixture, GoldenSquares) {
  for (const char* model : {"HPGL Cutter", "DMPL Cutter"}) {
    const std::string tag = model[0] == 'H' ? "hpgl" : "dmpl";
    for (bool comp : {false, true}) {
      auto dev = Device(model);
      dev->hardOffset = comp ? 0 : 1;
      dev->offset = 0.3f;
      CCutInfo info = Info(*dev);
      std::string s = Job(*dev, info, [](CCutterDriver& d) { Square(400, 400, 400)->PlotToCutter(d); },
                          1200.0f);
      ExpectGolden(tag + (comp ? "_square_comp.txt" : "_square_plain.txt"), s);
    }
  }
}

TEST_F(CutterFixture, SquareWithoutCompensationIsOneLineToAndThreeLineToEx) {
  auto dev = Device("HPGL Cutter");
  dev->hardOffset = 1;
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  Square(0, 0, 400)->PlotToCutter(*dev);
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()), "PU0,0;PD0,400;PD400,400;PD400,0;PD0,0; ");
}

TEST_F(CutterFixture, CompensationSwivelsAtTheStartAndAtCorners) {
  auto dev = Device("HPGL Cutter");  // offset 0.3 mm = 12 units, software compensation
  ASSERT_TRUE(dev->CompensationActive());
  CCutInfo info = Info(*dev);
  info.autoFeed = 0;
  std::string s = Job(*dev, info, [](CCutterDriver& d) { Square(400, 400, 400)->PlotToCutter(d); });
  // Alignment: a cut along +y from the origin, then the offset trails along +y.
  EXPECT_EQ(s.rfind("IN;PU0,0;PA;PU;\nVS60;PU0,0;PD100,0;PU;PU0,0;", 0), 0u) << s;
  EXPECT_NE(s.find("PU0,0; PU412,400;"), std::string::npos) << s;  // moved with the +y offset
  // First segment along +x: swivel about the start point, then the cut.
  EXPECT_NE(s.find("PU412,400;PD400,412;PD400,812;"), std::string::npos) << s;
  // Every corner turns by 90 degrees: a swivel before each further side.
  EXPECT_NE(s.find("PD412,800;PD812,800;"), std::string::npos) << s;
  EXPECT_NE(s.find("PD800,788;PD800,388;"), std::string::npos) << s;
  EXPECT_NE(s.find("PD788,400;PD388,400;"), std::string::npos) << s;
}

TEST_F(CutterFixture, TurnsAboveHalfACircleAreMeasuredTheShortWay) {
  auto dev = Device("HPGL Cutter");
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  const float a = std::atan2(0.0f, -1.0f);  // heading -x
  struct Case {
    float last;
    bool swivel;
  } cases[] = {
      {0.0f, true},        // a reversal
      {a - 3.2f, true},    // 3.2 is 3.08 the short way: a near-reversal swivels
      {a - 5.0f, false},   // 5.0 is 1.28 the short way
      {a - 1.0f, false},
      {a - 1.5f, true},
  };
  for (const Case& c : cases) {
    dev->lineRun = 1;
    dev->lastPoint = {1000, 1000};
    dev->lastDirection = c.last;
    const std::size_t before = Written(*dev).size();
    dev->LineTo(500, 1000);
    auto cmds = SplitCommands(Written(*dev).substr(before));
    EXPECT_EQ(cmds.size(), c.swivel ? 2u : 1u) << c.last;
  }
  dev->ClosePort();
}

TEST_F(CutterFixture, CoordinatesVerticalFirstAndTruncated) {
  auto dev = Device("HPGL Cutter");
  dev->hardOffset = 1;
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  dev->MoveTo(10.9f, 20.0f);
  dev->MoveTo(-10.9f, -20.7f);
  dev->MoveTo(NAN, 3e10f);
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()), "PU20,10;PU-20,-10;PU2147483647,0;");
}

TEST_F(CutterFixture, GoldenOvercut) {
  // Two contours; the second one begins right after the first closes.
  for (std::uint32_t over : {0u, 40u, 5000u}) {
    auto dev = Device("HPGL Cutter");
    dev->hardOffset = 1;
    dev->overcut = over;
    CCutInfo info = Info(*dev);
    std::string s = Job(*dev, info, [](CCutterDriver& d) {
      CPathObject p;
      p.AddRectangle(0, 0, 400, 400);
      p.AddRectangle(1000, 1000, 1100, 1100);
      p.EndPoints();
      p.PlotToCutter(d);
    });
    ExpectGolden("hpgl_overcut_" + std::to_string(over) + ".txt", s);
    // The overcut never reaches into the second contour before its move.
    std::size_t second = s.find("PU1000,1000;");
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(s.substr(0, second).find("1100"), std::string::npos) << s;
  }
}

TEST_F(CutterFixture, OvercutStopsAtTheContoursEnd) {
  auto dev = Device("HPGL Cutter");
  dev->hardOffset = 1;
  dev->overcut = 1000000;
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  CPathObject p;
  p.AddRectangle(0, 0, 400, 400);
  p.AddRectangle(1000, 1000, 1100, 1100);
  p.EndPoints();
  p.PlotToCutter(*dev);
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()),
            "PU0,0;PD0,400;PD400,400;PD400,0;PD0,0;"   // the first square
            "PD0,400;PD400,400;PD400,0;PD0,0; "         // one lap of overcut, no more
            "PU1000,1000;PD1000,1100;PD1100,1100;PD1100,1000;PD1000,1000;"
            "PD1000,1100;PD1100,1100;PD1100,1000;PD1000,1000; ");
}

TEST_F(CutterFixture, OvercutOfFortyUnits) {
  auto dev = Device("HPGL Cutter");
  dev->hardOffset = 1;
  dev->overcut = 40;
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  Square(0, 0, 400)->PlotToCutter(*dev);
  dev->overcut = 0;
  Square(1000, 0, 400)->PlotToCutter(*dev);
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()),
            "PU0,0;PD0,400;PD400,400;PD400,0;PD0,0;PD0,40; "
            "PU0,1000;PD0,1400;PD400,1400;PD400,1000;PD0,1000; ");
}

TEST_F(CutterFixture, HalfCutPatternCarriesIntoTheNextSegment) {
  auto dev = Device("DMPL Cutter");  // RS 0.1: 0.2 mm = 2 units, 0.1 mm = 1 unit
  dev->hardOffset = 1;
  CCutInfo info = Info(*dev);
  info.halfCut = 1;
  info.solidCut = 0.2f;
  info.voidCut = 0.1f;
  info.autoFeed = 0;
  ASSERT_TRUE(dev->BeginJob(nullptr, info));
  EXPECT_FLOAT_EQ(dev->solidLength, 2.0f);
  EXPECT_FLOAT_EQ(dev->gapLength, 1.0f);
  const std::size_t start = Written(*dev).size();
  // A segment of 5 units entered at the start of a solid piece, then one of 3.
  dev->HalfCutMoveTo(0, 0);
  dev->HalfCutLineTo(5, 0);
  EXPECT_EQ(dev->dashSolid, 0u);
  EXPECT_FLOAT_EQ(dev->dashLeft, 1.0f);
  dev->HalfCutLineTo(5, 3);
  dev->EndPolyline();
  dev->ClosePort();
  std::string s = ReadBytes(out()).substr(start);
  // Cut 0..2, gap to 3, cut 3..5; then a gap to (5,1), cut to (5,3).
  EXPECT_EQ(s, "U0,0D0,2 U0,3D0,5 U1,5D3,5 ");
}

TEST_F(CutterFixture, GoldenHalfCut) {
  auto dev = Device("DMPL Cutter");
  dev->hardOffset = 1;
  CCutInfo info = Info(*dev);
  info.halfCut = 1;
  info.solidCut = 0.2f;
  info.voidCut = 0.1f;
  std::string s = Job(*dev, info, [](CCutterDriver& d) {
    CPathObject p;
    p.AddPoint(0, 0, 0x11);
    p.AddPoint(5, 0, 0x01);
    p.AddPoint(5, 3, 0x01);
    p.AddPoint(0, 3, 0x01);
    p.AddPoint(0, 0, 0x41);
    p.EndPoints();
    p.PlotToCutter(d);
  });
  ExpectGolden("dmpl_halfcut.txt", s);
}

TEST_F(CutterFixture, DegenerateDashLengthsNeverLoop) {
  auto dev = Device("DMPL Cutter");
  dev->hardOffset = 1;
  CCutInfo info = Info(*dev);
  info.halfCut = 1;
  for (auto [solid, gap] : {std::pair{0.0f, 0.0f}, {-1.0f, -5.0f}, {NAN, NAN}, {INFINITY, 0.0f}}) {
    info.solidCut = solid;
    info.voidCut = gap;
    ASSERT_TRUE(dev->BeginJob(nullptr, info));
    EXPECT_GE(dev->solidLength, 1.0f);  // 0.1 mm at RS 0.1
    EXPECT_GE(dev->gapLength, 0.5f);
    dev->HalfCutMoveTo(0, 0);
    dev->HalfCutLineTo(100, 0);
    dev->HalfCutLineTo(INFINITY, 0);
    dev->HalfCutLineTo(NAN, 5);
    dev->ClosePort();
  }
  // Lengths set directly to nothing: the segment is cut whole.
  ASSERT_TRUE(dev->BeginJob(nullptr, info));
  dev->solidLength = 0.0f;
  dev->gapLength = 0.0f;
  dev->HalfCutMoveTo(0, 0);
  const std::size_t before = Written(*dev).size();
  dev->HalfCutLineTo(100, 0);
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()).substr(before), "D0,100");
}

// Dashes below one plotter step once multiplied a segment into up to 2^18
// commands; they are cut one step long, so the stream grows with the length.
TEST_F(CutterFixture, DashesAreAtLeastOnePlotterStep) {
  struct Case {
    const char* what;
    float rs;          // plotter step, mm
    float solid, gap;  // set directly after BeginJob when positive
  } cases[] = {
      {"coarse step", 1e30f, 0.0f, 0.0f},
      {"tiny lengths", 0.1f, 1e-30f, 1e-30f},
      {"sub-step lengths", 0.1f, 0.25f, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto dev = Device("DMPL Cutter");
    dev->hardOffset = 1;
    dev->rs = c.rs;
    CCutInfo info = Info(*dev);
    info.halfCut = 1;
    info.solidCut = 0.2f;
    info.voidCut = 0.1f;
    ASSERT_TRUE(dev->BeginJob(nullptr, info));
    dev->rs = c.rs;
    if (c.solid > 0.0f) {
      dev->solidLength = c.solid;
      dev->gapLength = c.gap;
    }
    if (c.solid == 0.0f) {
      EXPECT_FLOAT_EQ(dev->solidLength, 1.0f);
      EXPECT_FLOAT_EQ(dev->gapLength, 1.0f);
    }
    const std::size_t start = Written(*dev).size();
    dev->HalfCutMoveTo(0, 0);
    dev->HalfCutLineTo(6, 0);
    dev->HalfCutLineTo(400, 0);
    dev->EndPolyline();
    dev->ClosePort();
    const std::string s = ReadBytes(out()).substr(start);
    EXPECT_EQ(s.substr(0, 31), "U0,0D0,1 U0,2D0,3 U0,4D0,5 U0,6") << s.substr(0, 60);
    // One command per step of the 400 units, at most.
    std::size_t commands = 0;
    for (char ch : s) commands += ch == 'U' || ch == 'D';
    EXPECT_LE(commands, 402u);
    EXPECT_GE(commands, 398u);
  }
}

// Far out a dash no longer moves a single-precision point: the segment is cut
// in one piece instead of the piece limit's worth of commands in one place.
TEST_F(CutterFixture, DashesThatCannotMoveTheKnifeCutThePlainSegment) {
  auto dev = Device("DMPL Cutter");
  dev->hardOffset = 1;
  CCutInfo info = Info(*dev);
  info.halfCut = 1;
  ASSERT_TRUE(dev->BeginJob(nullptr, info));
  const std::size_t start = Written(*dev).size();
  dev->HalfCutMoveTo(1e30f, 0);
  dev->HalfCutLineTo(3e30f, 0);
  dev->EndPolyline();
  dev->ClosePort();
  EXPECT_EQ(ReadBytes(out()).substr(start), "U0,2147483647D0,2147483647 ");
}

TEST_F(CutterFixture, Beziers) {
  auto dev = Device("HPGL Cutter");
  dev->hardOffset = 1;
  ASSERT_TRUE(dev->port.Open(2, nullptr, &dev->abortFlag));
  dev->accuracy = 2.0f;
  dev->MoveTo(0, 0);
  std::size_t mark = Written(*dev).size();
  // Four coincident points: nothing.
  dev->CurveTo({0, 0}, {0, 0}, {0, 0}, {0, 0}, 1);
  EXPECT_EQ(Written(*dev).size(), mark);
  // Control points on the chord: one line.
  dev->CurveTo({0, 0}, {100, 0}, {200, 0}, {300, 0}, 1);
  EXPECT_EQ(Written(*dev).substr(mark), "PD0,300;");
  dev->EndPolyline();

  // A quarter circle of radius 4000 units (100 mm).
  const float r = 4000.0f, k = 0.5522847f * r;
  const CFPoint p0{r, 0}, p1{r, k}, p2{k, r}, p3{0, r};
  for (float acc : {0.5f, 2.0f, 10.0f}) {
    dev->accuracy = acc;
    dev->MoveTo(p0.x, p0.y);
    mark = Written(*dev).size();
    dev->CurveTo(p0, p1, p2, p3, 1);
    EXPECT_EQ(dev->depth, 0);
    auto cmds = SplitCommands(Written(*dev).substr(mark));
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_LE(cmds.size(), 2048u);
    // Every line stays within the tolerance of the arc: the distance tolerance,
    // or the sagitta a piece within the angle tolerance may have. The curve is
    // within 1.2 units of the circle; truncation adds at most 1.5.
    const float angle = acc * 3.14159f / 180.0f;
    const float tol = std::max(std::max(acc / 2.0f, 1.0f), r * (1.0f - std::cos(angle))) + 2.7f;
    float px = p0.x, py = p0.y;
    for (const std::string& c : cmds) {
      float x, y;
      ASSERT_TRUE(ParsePoint(c, x, y)) << c;
      EXPECT_LE(std::fabs(std::hypot(x, y) - r), tol) << c;
      EXPECT_LE(r - std::hypot((x + px) / 2, (y + py) / 2), tol) << c;  // the chord's middle
      px = x;
      py = y;
    }
    EXPECT_EQ(cmds.back(), "PD4000,0;");
    dev->EndPolyline();
  }
  // Hostile points: bounded, no crash.
  mark = Written(*dev).size();
  dev->CurveTo({0, 0}, {NAN, 1e30f}, {-1e30f, INFINITY}, {1e30f, 5}, 1);
  EXPECT_LE(SplitCommands(Written(*dev).substr(mark)).size(), 2048u);
  dev->ClosePort();
}

TEST_F(CutterFixture, GoldenCurves) {
  auto dev = Device("HPGL Cutter");
  CCutInfo info = Info(*dev);
  std::string s = Job(*dev, info, [](CCutterDriver& d) {
    CPathObject p;  // a rounded shape: two lines and two curves
    p.AddPoint(0, 0, 0x11);
    p.AddPoint(2000, 0, 0x01);
    p.AddPoint(3104, 0, 0x00);
    p.AddPoint(4000, 896, 0x00);
    p.AddPoint(4000, 2000, 0x01);
    p.AddPoint(4000, 4000, 0x01);
    p.AddPoint(1000, 4000, 0x00);
    p.AddPoint(0, 3000, 0x00);
    p.AddPoint(0, 0, 0x41);
    p.EndPoints();
    p.PlotToCutter(d);
  }, 4400.0f);
  ExpectGolden("hpgl_curves.txt", s);
}

TEST_F(CutterFixture, SetUpStringJoinsTheRawTemplatesInOrder) {
  const std::string a(60, 'a'), h(70, 'h');
  WriteBytes(dir / "Cutters.INI",
             "[CutterDevices]\nLong=L\n[L]\nInitCmd=" + a + "%d\nHomeCmd=" + h +
                 "\nRSCMD=<rs%%>\nAbsCmd=<abs>\nPenUp=<up>\nSubJoin=<join\\x21>\nCutCmd=<cut%%>\n"
                 "SpeedCmd=<v%d>\nForceCmd=<f%03d>\nSetForce=1\nSetSpeed=1\nHardOffset=1\n"
                 "NewFrame=<new>\nFeedCmd=<feed %d>\nMoveTo=<m%d,%d>\n");
  auto dev = Device("Long");
  CCutInfo info = Info(*dev);
  info.penSpeed = 7;
  info.penForce = 9;
  std::string s = Job(*dev, info, [](CCutterDriver&) {}, 123.9f);
  EXPECT_EQ(s, a + "%d" + h + "<rs%%><abs><up><join!>" + "<cut%><v7><f009><up>" + h +
                   "<m123,0><feed 123><new>");
}

TEST_F(CutterFixture, EndJobWithoutFeedGoesHome) {
  auto dev = Device("DMPL Cutter");
  CCutInfo info = Info(*dev);
  info.autoFeed = 0;
  std::string s = Job(*dev, info, [](CCutterDriver& d) { d.MoveTo(5, 5); });
  EXPECT_EQ(s, ";:HEC1AU P1V60BP60UHU5,5U0,0UH@");
}

TEST_F(CutterFixture, AJobThatCannotOpenItsPortSendsNothing) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  auto dev = Device("HPGL Cutter");
  dev->port.SetPortName((dir / "no/such/folder/job.plt").c_str());
  CCutInfo info = Info(*dev);
  EXPECT_FALSE(dev->BeginJob(nullptr, info));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "文件:[" + dir / "no/such/folder/job.plt" + "]打开失败!");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_NE(dev->abortFlag, 0u);
  dev->MoveTo(1, 1);  // refused quietly
  dev->EndJob(info, 0);
  dev->ClosePort();
}

TEST_F(CutterFixture, ACutterThatIsNotThereIsReported) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  WriteBytes(dir / "Port.INI", "[Devices]\nCOM3=" + dir / "missing-tty" + "\n");
  auto dev = Device("HPGL Cutter");
  dev->port.SetPortName("COM3");
  CCutInfo info = Info(*dev);
  EXPECT_FALSE(dev->BeginJob(nullptr, info));
  ASSERT_EQ(sink.boxes.size(), 1u);
  // The message names the device the port stands for and why it would not open.
  EXPECT_EQ(sink.boxes[0].text, "文件:[COM3]打开失败!\n" + dir / "missing-tty" + ": " + std::strerror(ENOENT));
}
