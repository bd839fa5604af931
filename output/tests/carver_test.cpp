#include "output/carver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/pathobject.h"
#include "output/tests/carve_fixture.h"

namespace {

using CarverTest = CarveFixture;

// What each fixture model reads, and the defaults of a model the list does
// not name.
TEST_F(CarverTest, LoadsTheModelKeys) {
  struct Case {
    const char* model;
    const char* section;
    std::int32_t maxWidth, maxHeight;
    float originX, originY, resolution;
    std::int32_t swap, origin;
    std::uint16_t speed, maxSpeed, force, maxForce, outMethod;
  } cases[] = {
      {"Plain Carver", "PLAIN", 300, 200, 12.5f, 7.25f, 0.1f, 0, 0, 25, 400, 60, 90, 3},
      {"Swapped Carver", "SWAPPED", 100, 50, 10.0f, 5.0f, 0.05f, 1, 1, 40, 400, 80, 0, 2},
      // "SoftWareRes" 0 would divide by zero.
      {"Bare Carver", "BARE", 0, 0, 0.0f, 0.0f, 0.0254f, 0, 0, 40, 0, 80, 0, 2},
      {"No Such Carver", "", 0, 0, 0.0f, 0.0f, 0.0254f, 0, 0, 40, 0, 80, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    auto dev = Device(c.model);
    EXPECT_EQ(dev->sectionName, c.section);
    EXPECT_EQ(dev->maxWidth, c.maxWidth);
    EXPECT_EQ(dev->maxHeight, c.maxHeight);
    EXPECT_FLOAT_EQ(dev->originX, c.originX);
    EXPECT_FLOAT_EQ(dev->originY, c.originY);
    EXPECT_FLOAT_EQ(dev->resolution, c.resolution);
    EXPECT_EQ(dev->swapXY, c.swap);
    EXPECT_EQ(dev->useOrigin, c.origin);
    EXPECT_EQ(dev->defaultSpeed, c.speed);
    EXPECT_EQ(dev->maxSpeed, c.maxSpeed);
    EXPECT_EQ(dev->defaultForce, c.force);
    EXPECT_EQ(dev->maxForce, c.maxForce);
    EXPECT_EQ(dev->outMethod, c.outMethod);
  }
  auto none = std::make_unique<CCarveDriver>(nullptr, Ini());
  for (const std::string& cmd : none->commands) EXPECT_TRUE(cmd.empty());
  EXPECT_EQ(none->GetModelList(),
            (std::vector<std::string>{"Plain Carver", "Swapped Carver", "Bare Carver", "Grid Carver"}));
}

TEST_F(CarverTest, UnusableResolutionsAndOriginsTakeTheDefaults) {
  for (const char* res : {"-0.1", "0", "nan", "inf", "1e40", "abc"}) {
    SCOPED_TRACE(res);
    CIniFile ini(Ini());
    ini.WriteString("BARE", "SoftWareRes", res);
    ini.WriteString("BARE", "OriginX", res);
    auto dev = Device("Bare Carver");
    EXPECT_FLOAT_EQ(dev->resolution, CCarveDriver::kDefaultResolution);
    EXPECT_TRUE(std::isfinite(dev->originX));
  }
}

// Templates are kept whole up to 255 bytes after their escapes.
TEST_F(CarverTest, LongTemplatesAreKeptWhole) {
  CIniFile ini(Ini());
  const std::string longMove = "\\x1b.(" + std::string(40, 'M') + "%d,%d;";
  ini.WriteString("PLAIN", "MoveTo", longMove);
  ini.WriteString("PLAIN", "FinishCmd", std::string(300, 'F'));
  auto dev = Device("Plain Carver");
  EXPECT_EQ(dev->commands[CCarveDriver::MoveToCmd], "\x1b.(" + std::string(40, 'M') + "%d,%d;");
  EXPECT_EQ(dev->commands[CCarveDriver::FinishCmd], std::string(255, 'F'));
}

// The whole stream of a short run: start string, speed, moves and lines,
// a polyline with a repeated point, a flattened curve list, the end.
TEST_F(CarverTest, CommandStreamsOfTheFixtureModels) {
  struct Case {
    const char* model;
    const char* want;
  } cases[] = {
      {"Plain Carver",
       "IN;PA;RS1;PU;\nVS25;PU10,20;PD30,-40;PU1,2;PD;PD5,6;,7,8 PD1,2;,3,4,5,6 PU;PU;SP0;\x1b.E"},
      // Every coordinate pair y first, the polylines' too.
      {"Swapped Carver", ";:AU V40 U20,10D-40,30U2,1DD6,5,8,7 D2,1,4,3,6,5 U@"},
      {"Bare Carver", "M10 20L30 -40M1 2DL5 6 7 8 L1 2 3 4 5 6 U"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    stop = 0;
    auto dev = Device(c.model);
    ASSERT_EQ(dev->Begin(nullptr, &port, nullptr, &stop), 1);
    EXPECT_EQ(dev->MoveTo(10, 20), 1);
    EXPECT_EQ(dev->LineTo(30, -40), 1);
    dev->MoveTo(1.9f, 2.7f);  // truncated
    dev->PenDown();
    EXPECT_TRUE(dev->PolylineTo(5.5f, 6.0f));
    EXPECT_TRUE(dev->PolylineTo(7.0f, 8.0f));
    EXPECT_TRUE(dev->PolylineTo(7.0f, 8.0f));  // nothing sent
    dev->EndPolyline();
    dev->EndPolyline();  // none open: nothing
    EXPECT_TRUE(dev->PolylineToList(",1,2,3,4,5,6"));
    EXPECT_TRUE(dev->PolylineToList("5,6,9"));  // repeated, then a lone value
    EXPECT_EQ(dev->ClosePolyline(), 1);
    dev->PenUp();
    EXPECT_EQ(dev->End(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(dev->WriteFailed());
    EXPECT_EQ(ReadBytes(out()), c.want);
  }
}

// Begin: a port that does not open accepts nothing, even when there is
// nothing to send; without "InitCmd" and "SpeedCmd" an open port is enough.
TEST_F(CarverTest, BeginNeedsAnOpenPort) {
  auto bare = Device("Bare Carver");
  CPortFile nowhere;
  nowhere.SetSettingsPath(dir / "Port.INI");
  nowhere.SetPortName((dir / "missing/x.plt").c_str());
  EXPECT_EQ(bare->Begin(nullptr, &nowhere, nullptr, &stop), 0);
  EXPECT_EQ(bare->Begin(nullptr, nullptr, nullptr, &stop), 0);
  EXPECT_EQ(bare->Begin(nullptr, &port, nullptr, &stop), 1);
  EXPECT_EQ(bare->End(), 1);
  EXPECT_EQ(ReadBytes(out()), "");
  // Closing the port sets the owner's stop flag.
  EXPECT_EQ(stop, 1u);
  // Begin loads a model it is given; the stop flag is the caller's to clear.
  EXPECT_EQ(bare->Begin("Swapped Carver", &port, nullptr, &stop), 0);
  stop = 0;
  EXPECT_EQ(bare->Begin("Swapped Carver", &port, nullptr, &stop), 1);
  EXPECT_EQ(bare->sectionName, "SWAPPED");
  bare->End();
  EXPECT_EQ(ReadBytes(out()), ";:AU V40 @");
}

// A set stop flag refuses every send; a device that takes nothing (disk full)
// fails the send, stops a point list at its first pair and is remembered.
TEST_F(CarverTest, StoppedAndFailedSends) {
  auto dev = Device("Plain Carver");
  ASSERT_EQ(dev->Begin(nullptr, &port, nullptr, &stop), 1);
  stop = 1;
  EXPECT_EQ(dev->MoveTo(1, 1), 0);
  EXPECT_EQ(dev->PenDown(), 0);
  EXPECT_FALSE(dev->PolylineToList("1,2,3,4"));
  EXPECT_EQ(dev->End(), 0);  // "FinishCmd" refused, the port closed all the same
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(dev->WriteFailed());
  EXPECT_EQ(ReadBytes(out()), "IN;PA;RS1;PU;\nVS25;");

  CPortFile full;
  full.SetSettingsPath(dir / "Port.INI");
  full.SetPortName("/dev/full");
  stop = 0;
  EXPECT_EQ(dev->Begin(nullptr, &full, nullptr, &stop), 0);
  EXPECT_TRUE(dev->WriteFailed());
  EXPECT_FALSE(dev->PolylineToList("1,2,3,4"));
  dev->End();
}

TEST_F(CarverTest, SaveOriginWritesTwoDecimals) {
  auto dev = Device("Swapped Carver");
  dev->originX = 33.333f;
  dev->originY = 0.006f;
  EXPECT_TRUE(dev->SaveOrigin(nullptr));
  CIniFile ini(Ini());
  std::string x, y;
  ini.GetString("SWAPPED", "OriginX", x, "");
  ini.GetString("SWAPPED", "OriginY", y, "");
  EXPECT_EQ(x, "33.33");
  EXPECT_EQ(y, "0.01");
  EXPECT_FLOAT_EQ(Device("Swapped Carver")->originX, 33.33f);
  // A model without a section writes nothing.
  const std::string before = ReadBytes(Ini());
  EXPECT_FALSE(dev->SaveOrigin("No Such Carver"));
  EXPECT_EQ(ReadBytes(Ini()), before);
}

// A contour through the path object's plotting: the start move, its lines
// and the closing terminator, in the model's axis order.
TEST_F(CarverTest, PathContourFollowsTheAxisOrder) {
  auto dev = Device("Swapped Carver");
  ASSERT_EQ(dev->Begin(nullptr, &port, nullptr, &stop), 1);
  CPathObject square;
  square.AddRectangle(10, 20, 30, 50);
  square.EndPoints();
  square.PlotToCarver(*dev);
  dev->End();
  const std::string got = ReadBytes(out());
  EXPECT_NE(got.find("U20,10D20,30,50,30,50,10,20,10 "), std::string::npos) << got;
}

}  // namespace
