#include "output/carverun.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <regex>
#include <sstream>

#include "framework/wnd.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/shapebuilders.h"
#include "output/carver.h"
#include "output/clip.h"
#include "output/cuthandoff.h"
#include "output/jobfile/cutjob.h"
#include "output/tests/carve_fixture.h"
#include "output/tests/handoff_env.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

// The raster as text, '#' for a pixel that is not white.
std::string Picture(const CSegArray& list, float pw, float ph, const CarveParams& p, std::int64_t bandRows = 0,
                    CarveRasterStats* stats = nullptr) {
  const CarveRasterShape shape = CarveRasterFor(p, pw, ph);
  std::string out;
  const int r = ScanCarveRaster(
      list, pw, ph, p, shape, bandRows,
      [&](std::int64_t, const std::uint32_t* px) {
        for (std::int64_t c = 0; c < shape.width; ++c) out += (px[c] & 0xFFFFFF) == 0xFFFFFF ? '.' : '#';
        out += '\n';
        return true;
      },
      stats);
  EXPECT_EQ(r, 0);
  return out;
}

// "M%d,%d;L%d,%d;" strokes of the grid model as "row:from-to".
std::string Strokes(const std::string& stream) {
  static const std::regex stroke("M(-?[0-9]+),(-?[0-9]+);L(-?[0-9]+),(-?[0-9]+);");
  std::string out;
  for (auto it = std::sregex_iterator(stream.begin(), stream.end(), stroke); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    EXPECT_EQ(m[2], m[4]) << "a stroke stays on its row";
    if (!out.empty()) out += ' ';
    out += m[2].str() + ":" + m[1].str() + "-" + m[3].str();
  }
  return out;
}

class CarveRunTest : public CarveFixture, protected HandOffEnv {
 protected:
  void SetUp() override {
    CarveFixture::SetUp();
    InstallOutputServices();
    BeginHandOff();
  }
  void TearDown() override { EndHandOff(); }

  std::vector<std::string> TempFiles() { return plat::ListFolderNoCase(plat::GetTempFolder(), "OS*.TMP"); }

  // Page 8 x 5 mm at 1 mm: a bar at the left edge and one at the right edge
  // reaching the bottom.
  static void Bars(CSegArray& list) {
    list.Add(Rect(0, 0, 2, 4));
    list.Add(Rect(5, 1, 8, 5));
  }
  static CarveParams Params(const CSegArray& list, float pw, float ph) {
    CarveParams p;
    p.fillStep = 1.0f;
    p.mirror = false;
    p.doubleWay = false;
    p.areaKind = FindCarveArea(list, pw, ph, p.area);
    return p;
  }

  // A run of the grid model (one step a millimetre, origin at 0, 0) into the file port.
  CarveResult Run(const CSegArray& list, float pw, float ph, const CarveParams& p, CarveTrace* trace = nullptr,
                  const char* model = "Grid Carver") {
    auto dev = Device(model);
    return RunCarve(list, pw, ph, "Sign", p, *dev, port, nullptr, &idle, nullptr, trace);
  }

  std::uint32_t idle = 1;

};

// The objects are drawn black and the page inverted: without InverseOut the
// background is engraved, with it the objects.
TEST_F(CarveRunTest, BarsRasterAsPicture) {
  CSegArray list;
  Bars(list);
  CarveParams p = Params(list, 8, 5);
  EXPECT_EQ(p.areaKind, kAreaPage);
  EXPECT_EQ(Picture(list, 8, 5, p),
            "...#####\n"
            "...##...\n"
            "...##...\n"
            "...##...\n"
            "...##...\n");
}

// The strokes of small designs: every row including the last, right to
// left on odd rows with DoubleWay, runs ending at both edges.
TEST_F(CarveRunTest, StrokesOfSmallDesigns) {
  struct Case {
    const char* name;
    bool doubleWay, inverse, mirror, rotate;
    const char* want;
  } cases[] = {
      {"plain", false, false, false, false, "0:3-7 1:3-4 2:3-4 3:3-4 4:3-4"},
      {"inverse", false, true, false, false, "0:0-2 1:0-2 1:5-7 2:0-2 2:5-7 3:0-2 3:5-7 4:0-2 4:5-7"},
      // Five rows: the last one has no partner and goes left to right.
      {"double way", true, true, false, false, "0:0-2 1:7-5 1:2-0 2:0-2 2:5-7 3:7-5 3:2-0 4:0-2 4:5-7"},
      // x becomes 8 - x: the bars are [6, 8] and [0, 3].
      {"mirror", false, true, true, false, "0:6-7 1:0-3 1:6-7 2:0-3 2:6-7 3:0-3 3:6-7 4:0-3 4:6-7"},
      // 5 wide and 8 high: the whole area turned, (x, y) to (5 - y, x).
      {"rotate", false, true, false, true, "0:1-4 1:1-4 2:1-4 5:0-4 6:0-4 7:0-4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSegArray list;
    Bars(list);
    CarveParams p = Params(list, 8, 5);
    p.doubleWay = c.doubleWay;
    p.inverseOut = c.inverse;
    p.mirror = c.mirror;
    p.rotate = c.rotate;
    std::remove(out().c_str());
    CarveTrace trace;
    EXPECT_EQ(Run(list, 8, 5, p, &trace), CarveResult::Done);
    const std::string got = ReadBytes(out());
    EXPECT_EQ(Strokes(got), c.want) << got;
    EXPECT_EQ(got.substr(got.size() - 2), "E;");
    EXPECT_EQ(idle, 1u);
    EXPECT_TRUE(sink.boxes.empty());
    list.DeleteAll();
  }
}

// One object: its box is the area, framed a millimetre wider, so all of it
// is inverted. Two objects: the page.
TEST_F(CarveRunTest, OneObjectIsTheAreaTwoArePage) {
  CSegArray one;
  one.Add(Rect(2, 1, 5, 3));
  CarveParams p = Params(one, 8, 5);
  EXPECT_EQ(p.areaKind, kAreaOther);
  EXPECT_EQ(p.area, CFRect(2, 1, 5, 3));
  EXPECT_EQ(Picture(one, 8, 5, p), "...\n...\n");
  p.inverseOut = true;
  p.doubleWay = true;
  EXPECT_EQ(Run(one, 8, 5, p), CarveResult::Done);
  EXPECT_EQ(Strokes(ReadBytes(out())), "0:0-2 1:2-0");
  one.DeleteAll();

  CSegArray two;
  two.Add(Rect(2, 1, 5, 3));
  two.Add(Rect(20, 1, 25, 3));  // off the page: not counted
  EXPECT_EQ(Params(two, 8, 5).areaKind, kAreaOther);
  two.Add(Rect(6, 1, 7, 2));
  const CarveParams page = Params(two, 8, 5);
  EXPECT_EQ(page.areaKind, kAreaPage);
  EXPECT_EQ(page.area, CFRect(0, 0, 8, 5));
  two.DeleteAll();
}

// "Origin" 0 centres the raster on the device origin; 1 starts it at the
// model's origin (device steps of "SoftWareRes").
TEST_F(CarveRunTest, OriginPlacesTheRaster) {
  CSegArray list;
  list.Add(Rect(0, 0, 2, 4));
  list.Add(Rect(5, 1, 8, 5));
  CarveParams p = Params(list, 8, 5);
  p.inverseOut = true;
  CIniFile ini(Ini());
  ini.WriteString("GRID", "OriginX", "10");
  ini.WriteString("GRID", "OriginY", "2.5");
  EXPECT_EQ(Run(list, 8, 5, p), CarveResult::Done);
  EXPECT_EQ(Strokes(ReadBytes(out())).substr(0, 23), "2:10-12 3:10-12 3:15-17");
  // Centred: (c - 4, r - 2.5), truncated toward zero.
  ini.WriteString("GRID", "Origin", "0");
  EXPECT_EQ(Run(list, 8, 5, p), CarveResult::Done);
  EXPECT_EQ(Strokes(ReadBytes(out())), "-2:-4--2 -1:-4--2 -1:1-3 0:-4--2 0:1-3 0:-4--2 0:1-3 1:-4--2 1:1-3");
  list.DeleteAll();
}

// Bands of three rows give the pixels of one raster: curves, a shape far
// beyond the raster, mirrored and turned.
// The runs of a row as the pixels tested one by one give them, for rows of
// every length around the blocks the scan tests at once, runs starting and
// ending at every column, and bits above the 24 colour bits set anywhere.
TEST(CarveRuns, RunsAreThePixelsDifferingFromTheBackground) {
  auto expected = [](const std::vector<std::uint32_t>& px, std::uint32_t bg) {
    std::vector<CarveRun> runs;
    const std::int64_t w = std::int64_t(px.size());
    for (std::int64_t c = 0; c < w; ++c) {
      if (((px[std::size_t(c)] ^ bg) & 0xFFFFFF) == 0) continue;
      const std::int64_t first = c;
      while (c < w && ((px[std::size_t(c)] ^ bg) & 0xFFFFFF) != 0) ++c;
      runs.push_back({first, c - 1});
    }
    return runs;
  };
  std::uint32_t seed = 3;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::vector<CarveRun> got;
  for (std::uint32_t bg : {0xFFFFFFu, 0x000000u})
    for (std::size_t w = 0; w <= 41; ++w)
      for (int pattern = 0; pattern < 3 + 2 * int(w); ++pattern) {
        // All background, all marked, one pixel marked or one left out at
        // each column, or random with runs of random lengths.
        std::vector<std::uint32_t> px(w, bg);
        const std::uint32_t ink = bg ^ (1u << (next() % 24));
        if (pattern == 1) std::fill(px.begin(), px.end(), ink);
        if (pattern >= 3 && pattern < 3 + int(w)) px[std::size_t(pattern - 3)] = ink;
        if (pattern >= 3 + int(w)) {
          std::fill(px.begin(), px.end(), ink);
          px[std::size_t(pattern - 3 - int(w))] = bg;
        }
        if (pattern == 2)
          for (std::size_t c = 0; c < w;) {
            const std::uint32_t v = next() % 2 ? ink : bg;
            for (std::size_t n = 1 + next() % 11; n > 0 && c < w; --n) px[c++] = v;
          }
        for (std::uint32_t& v : px) v |= (next() % 256) << 24;
        FindCarveRuns(px.data(), std::int64_t(w), bg, got);
        const std::vector<CarveRun> want = expected(px, bg);
        ASSERT_EQ(got.size(), want.size()) << "width " << w << " pattern " << pattern << " bg " << bg;
        for (std::size_t i = 0; i < want.size(); ++i) {
          EXPECT_EQ(got[i].first, want[i].first) << "width " << w << " pattern " << pattern;
          EXPECT_EQ(got[i].last, want[i].last) << "width " << w << " pattern " << pattern;
        }
      }
}

TEST_F(CarveRunTest, BandsMatchOneRaster) {
  CSegArray list;
  list.Add(MakeEllipsePath(3.3f, 2.1f, 27.7f, 19.9f));
  list.Add(MakeStarPath(30.0f, 15.0f, 9.7f, 0.3f, 7, 4.1f));
  list.Add(Rect(-500, 25, 18.35f, 500));
  list.Add(MakeEllipsePath(5.05f, 21.0f, 9.95f, 28.0f));
  // Steep and shallow edges through whole pixels, crossing many bands.
  std::uint32_t seed = 7;
  auto next = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return float((seed >> 8) % std::uint32_t(n)) / 10.0f;
  };
  for (int i = 0; i < 24; ++i) {
    auto t = std::make_unique<CPathObject>();
    t->AddPoint(next(400), next(300), 0x11);
    t->AddPoint(next(400), next(300), 0x01);
    t->AddPoint(next(400), next(300), 0x01);
    t->AddPoint(next(400), next(300), 0x00);
    t->AddPoint(next(400), next(300), 0x00);
    t->AddPoint(next(400), next(300), 0x41);
    t->EndPoints();
    list.Add(std::move(t));
  }
  for (bool turned : {false, true}) {
      const bool mirror = turned, rotate = turned;
      SCOPED_TRACE(turned);
      CarveParams p = Params(list, 40, 30);
      p.fillStep = 0.1f;
      p.mirror = mirror;
      p.rotate = rotate;
      CarveRasterStats one, banded;
      const std::string whole = Picture(list, 40, 30, p, 0, &one);
      EXPECT_EQ(one.bands, 1);
      EXPECT_EQ(Picture(list, 40, 30, p, 3, &banded), whole);
      EXPECT_EQ(banded.bands, rotate ? 134 : 100);
      EXPECT_EQ(banded.peakBytes, (rotate ? 300 : 400) * 3 * 4);
      EXPECT_NE(whole.find('#'), std::string::npos);
      EXPECT_NE(whole.find('.'), std::string::npos);
    }
  // The run's commands are the same with bands.
  CarveParams p = Params(list, 40, 30);
  p.fillStep = 0.25f;
  p.doubleWay = true;
  EXPECT_EQ(Run(list, 40, 30, p), CarveResult::Done);
  const std::string whole = ReadBytes(out());
  CarveTrace trace;
  trace.maxBandRows = 3;
  EXPECT_EQ(Run(list, 40, 30, p, &trace), CarveResult::Done);
  EXPECT_EQ(ReadBytes(out()), whole);
  EXPECT_EQ(trace.raster.bands, 40);
  list.DeleteAll();
}

// The outlines follow the raster in device steps.
TEST_F(CarveRunTest, ContourPassAfterTheRaster) {
  CSegArray list;
  list.Add(Rect(1, 1, 3, 4));
  list.Add(Rect(5, 1, 7, 2));
  CarveParams p = Params(list, 8, 5);
  p.drawContour = true;
  EXPECT_EQ(Run(list, 8, 5, p), CarveResult::Done);
  const std::string got = ReadBytes(out());
  const std::size_t contour = got.find("M1,1;L3,1;,3,4,1,4,1,1 ");
  ASSERT_NE(contour, std::string::npos) << got;
  EXPECT_NE(got.find("M5,1;L7,1;,7,2,5,2,5,1 "), std::string::npos) << got;
  EXPECT_GT(contour, got.find("M4,4;L7,4;"));
  EXPECT_EQ(got.substr(got.size() - 2), "E;");
  list.DeleteAll();
}

// A run through a port goes to the cut-job manager: header and data file.
TEST_F(CarveRunTest, PortRunIsHandedToTheManager) {
  StandIn("take");
  CSegArray list;
  Bars(list);
  CarveParams p = Params(list, 8, 5);
  port.SetPortName("COM3");
  CarveTrace trace;
  EXPECT_EQ(Run(list, 8, 5, p, &trace), CarveResult::Done);
  ASSERT_FALSE(trace.dataFile.empty());
  EXPECT_EQ(port.GetPortName(), trace.dataFile);
  const std::vector<std::string> added = Added();
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], "add 1 COM3 Sign " + trace.dataFile);
  EXPECT_EQ(Strokes(ReadBytes(trace.dataFile)), "0:3-7 1:3-4 2:3-4 3:3-4 4:3-4");
  // The job-info file the manager kept.
  std::vector<std::string> infos = plat::ListFolderNoCase(plat::GetTempFolder(), "OSI*.TMP");
  ASSERT_EQ(infos.size(), 1u);
  CCutJob job;
  ASSERT_TRUE(ReadCutJobHeader(job, (plat::GetTempFolder() + infos[0]).c_str()));
  EXPECT_EQ(job.header.OutMethod, 1);
  EXPECT_FLOAT_EQ(job.header.version, 6.0f);
  EXPECT_STREQ(job.header.portName, "COM3");
  EXPECT_EQ(job.name, "Sign");
  EXPECT_TRUE(sink.boxes.empty());
  list.DeleteAll();
}

// A stop asked for mid-run ends the device run: no finish command, the data
// file deleted, nothing handed over.
TEST_F(CarveRunTest, StoppedRunHandsNothingOver) {
  StandIn("take");
  CSegArray list;
  Bars(list);
  CarveParams p = Params(list, 8, 5);
  p.drawContour = true;
  port.SetPortName("File");
  CarveTrace trace;
  std::string partial;
  trace.afterRow = [&](std::int64_t r) {
    if (r == 1) {
      idle = 1;
      port.Flush();
      partial = ReadBytes(trace.dataFile);
    }
  };
  EXPECT_EQ(Run(list, 8, 5, p, &trace), CarveResult::Stopped);
  EXPECT_EQ(Strokes(partial), "0:3-7 1:3-4");
  EXPECT_TRUE(Added().empty());
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(sink.boxes.empty());
  EXPECT_EQ(idle, 1u);
  list.DeleteAll();
}

// Failures end the run before anything is handed over, each with its message.
TEST_F(CarveRunTest, FailuresAreReportedAndNothingIsHandedOver) {
  CSegArray list;
  Bars(list);
  // A raster side above the platform's limit: refused before any command.
  {
    CarveParams p = Params(list, 8, 5);
    p.fillStep = 1e-6f;
    EXPECT_EQ(Run(list, 8, 5, p), CarveResult::NoBitmap);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "Error In CreateBitmap,C2DCARVEDLG");
    EXPECT_EQ(sink.boxes[0].caption, "error");
    EXPECT_FALSE(Exists(out()));
    sink.clear();
  }
  // The device takes nothing (a full disk).
  {
    port.SetPortName("/dev/full");
    EXPECT_EQ(Run(list, 8, 5, Params(list, 8, 5)), CarveResult::SendFailed);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "数据发送失败");
    EXPECT_EQ(sink.boxes[0].caption, "错误!");
    sink.clear();
  }
  // No data file can be made: the port does not open.
  {
    WriteBytes(tmp / "notafolder", "x");
    ::setenv("TMPDIR", (tmp / "notafolder").c_str(), 1);
    port.SetPortName("COM1");
    EXPECT_EQ(Run(list, 8, 5, Params(list, 8, 5)), CarveResult::PortFailed);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text.rfind("文件:[", 0), 0u) << sink.boxes[0].text;
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
  }
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(idle, 1u);
  list.DeleteAll();
}

}  // namespace
