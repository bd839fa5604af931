#include "output/cutrun.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <sstream>

#include "framework/dialog.h"
#include "framework/wnd.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "output/clip.h"
#include "output/cuthandoff.h"
#include "output/tests/cutter_fixture.h"
#include "output/tests/handoff_env.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

class CutRunTest : public CutterFixture, protected HandOffEnv {
 protected:
  void SetUp() override {
    CutterFixture::SetUp();
    InstallOutputServices();
    BeginHandOff();
  }
  void TearDown() override { EndHandOff(); }

  // The sign, in millimetres: a nested group low on the paper, an outline
  // crossing the paper's right edge, one outside the paper and one near its top.
  static void Design(CSegArray& list) {
    auto g = std::make_unique<CGroupObject>();
    g->AddChild(Rect(120, 120, 130, 125));
    list.Add(std::move(g));
    list.Add(Rect(190, 100, 210, 110));
    list.Add(Rect(250, 60, 260, 70));
    list.Add(Rect(110, 60, 120, 70));
  }

  // The parameters as the bar collects them; paper window (100, 50)-(200, 150).
  CCutInfo Params(CCutterDriver& dev, const std::string& port) {
    CCutInfo info;
    info.Load(ini);
    CollectCutSettings(dev, info, ini);
    info.left = 100, info.top = 50, info.right = 200, info.bottom = 150;
    info.port = port;
    return info;
  }

  std::vector<std::string> DataFiles() { return plat::ListFolderNoCase(plat::GetTempFolder(), "OSD*.TMP"); }


};

// Clip, map (0.5 mm margin, one more millimetre, the model's ratios), flatten,
// sort top to bottom and feed to the lowest object; the outside outline is
// left out and the crossing one is cut at the paper's edge.
TEST_F(CutRunTest, SignThroughAFileMatchesTheGoldenStream) {
  auto dev = Device("DMPL Cutter");
  CCutInfo info = Params(*dev, out());
  CSegArray list;
  Design(list);
  CutRunTrace trace;
  EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr, &trace), CutRunResult::Done);
  const std::string got = ReadBytes(out());
  ExpectGolden("cutrun_dmpl.txt", got);
  EXPECT_EQ(trace.steps, (std::vector<std::string>{"Clip        ", "Cutting!         "}));
  // Two rectangles and the crossing one's two open pieces, end records included.
  EXPECT_EQ(trace.progressRange, 6 + 6 + 6);
  EXPECT_EQ(trace.progressPos, trace.progressRange);
  EXPECT_FALSE(dev->port.IsOpen());
  // (110, 60) mm: x (10.5 / 0.1 + 10) x 0.95 = 109.25, y 115 (the model's 1.2 is out of
  // range and read as 1), vertical first.
  EXPECT_NE(got.find("U115,109"), std::string::npos);
  // Cut at the paper's right edge: (100.5 / 0.1 + 10) x 0.95.
  EXPECT_NE(got.find("U515,869D515,964 U615,964D615,869,515,869"), std::string::npos);
  // Top to bottom: the rectangle near the top, the crossing one, the group's child.
  EXPECT_LT(got.find("U115,109"), got.find("U515,869"));
  EXPECT_LT(got.find("U515,869"), got.find("U715,204"));
  // The feed: the lowest object's bottom.
  EXPECT_NE(got.find("U765,0U0,765@"), std::string::npos);
  EXPECT_TRUE(sink.boxes.empty());
  // The design is untouched.
  EXPECT_EQ(list.GetAt(3)->bounds.left, 110.0f);
}

TEST_F(CutRunTest, TopLeftOfThePaperMapsToSixtyAtTheFinestStep) {
  ini.WriteInt("HPGL", "PenMode", 1);  // no knife compensation
  auto dev = Device("HPGL Cutter");
  CCutInfo info = Params(*dev, out());
  info.sort = 0;
  CSegArray list;
  auto line = std::make_unique<CPathObject>();
  line->AddLine(100, 50, 150, 50);
  line->EndPoints();
  list.Add(std::move(line));
  EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr), CutRunResult::Done);
  const std::string got = ReadBytes(out());
  EXPECT_NE(got.find("PU60,60;PD60,2060;"), std::string::npos) << got;
}

// The frame is cut without the knife compensation the model uses; the model's
// pen mode comes back, and the feed is the paper's height.
TEST_F(CutRunTest, PageFrameWithoutCompensation) {
  auto dev = Device("HPGL Cutter");
  ASSERT_TRUE(dev->CompensationActive());
  CCutInfo info = Params(*dev, out());
  info.pageRect = 1;
  CSegArray list;
  list.Add(Rect(110, 60, 120, 70));
  EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr), CutRunResult::Done);
  const std::string got = ReadBytes(out());
  EXPECT_NE(got.find("PU0,0;PD0,4000;PD4000,4000;PD4000,0;PD0,0;"), std::string::npos) << got;
  EXPECT_NE(got.find("PU4000,0;"), std::string::npos) << got;  // the feed
  EXPECT_EQ(dev->penMode, 0u);
  EXPECT_TRUE(dev->CompensationActive());
}

TEST_F(CutRunTest, NothingInsideSendsNothing) {
  auto dev = Device("DMPL Cutter");
  CCutInfo info = Params(*dev, out());
  CSegArray list;
  list.Add(Rect(250, 60, 260, 70));
  CutRunTrace trace;
  EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr, &trace), CutRunResult::NothingInside);
  EXPECT_EQ(trace.steps.back(), "Processing Ok !  ");
  EXPECT_FALSE(Exists(out()));
  CSegArray empty;
  EXPECT_EQ(RunCut(empty, *dev, info, "Sign", nullptr), CutRunResult::NothingInside);
  EXPECT_FALSE(Exists(out()));
}

// Cancel posted after the first object: it is heard at the next write, and
// the rest and the end commands are dropped, nothing is handed over and the data file is gone.
TEST_F(CutRunTest, CancelStopsBeforeTheNextObjectAndHandsNothingOver) {
  for (int remote : {0, 1}) {
    SCOPED_TRACE(remote);
    if (remote) StandIn("take");
    auto dev = Device("DMPL Cutter");
    CCutInfo info = Params(*dev, out());
    info.remoteCut = std::uint32_t(remote);
    CSegArray list;
    Design(list);
    CutRunTrace trace;
    std::string dataFile;
    int calls = 0;
    trace.afterObject = [&](CutProgressDlg& dlg) {
      if (calls++ == 0) {
        dataFile = dev->port.GetPortName();
        dlg.PostMessage(fw::WM_COMMAND, fw::IDCANCEL, 0);
      }
    };
    EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr, &trace), CutRunResult::Cancelled);
    EXPECT_EQ(calls, 2);  // the loop stops before the third object
    if (!remote) {
      const std::string got = ReadBytes(out());
      const std::string golden = ReadBytes(DataPath("cutrun_dmpl.txt"));
      EXPECT_LT(got.size(), golden.size());
      EXPECT_EQ(golden.compare(0, got.size(), got), 0);
      EXPECT_NE(got.find("U115,109"), std::string::npos);
      EXPECT_EQ(got.find("U515,869"), std::string::npos);
      EXPECT_NE(got.back(), '@');
    } else {
      EXPECT_FALSE(Exists(dataFile));
      EXPECT_TRUE(DataFiles().empty());
      EXPECT_TRUE(Added().empty());
    }
  }
}

// The hand-over: the stream goes into an "OSD" data file that the manager takes
// with the document's title, the parameters' port and the model's method.
TEST_F(CutRunTest, HandOverQueuesTheStreamWithTheManager) {
  StandIn("take");
  auto dev = Device("DMPL Cutter");
  CCutInfo info = Params(*dev, "COM2");
  info.remoteCut = 1;
  CSegArray list;
  Design(list);
  EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr), CutRunResult::Done);
  const std::vector<std::string> added = Added();
  ASSERT_EQ(added.size(), 1u);
  const std::vector<std::string> files = DataFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(added[0].find(" COM2 Sign "), std::string::npos) << added[0];
  const std::string data = plat::GetTempFolder() + files[0];
  EXPECT_NE(added[0].find(data), std::string::npos) << added[0];
  EXPECT_EQ(ReadBytes(data), ReadBytes(DataPath("cutrun_dmpl.txt")));
  EXPECT_TRUE(sink.boxes.empty());
}

// A port that does not open ends the run after its message: no "Processing Ok",
// no hand-over, no data file left.
TEST_F(CutRunTest, APortThatFailsEndsTheRun) {
  for (int remote : {0, 1}) {
    SCOPED_TRACE(remote);
    sink.clear();
    auto dev = Device("DMPL Cutter");
    CCutInfo info = Params(*dev, tmp / "missing/folder/job.plt");
    if (remote) {
      StandIn("take");
      info.remoteCut = 1;
      ::setenv("TMPDIR", (tmp / "missing").c_str(), 1);
    }
    CSegArray list;
    Design(list);
    CutRunTrace trace;
    EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr, &trace), CutRunResult::PortFailed);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_NE(sink.boxes[0].text.find("打开失败"), std::string::npos);
    EXPECT_EQ(trace.steps.back(), "Cutting!         ");
    EXPECT_TRUE(Added().empty());
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    EXPECT_TRUE(DataFiles().empty());
  }
}

TEST_F(CutRunTest, OutputToAPtyMappedAsComOneAndToAChosenFile) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  {
    auto dev = Device("DMPL Cutter");
    CCutInfo info = Params(*dev, "COM1");
    CSegArray list;
    Design(list);
    EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr), CutRunResult::Done);
    EXPECT_EQ(pty.Drain(), ReadBytes(DataPath("cutrun_dmpl.txt")));
  }
  {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) { dynamic_cast<fw::CFileDialog&>(d).Choose(dir / "cut"); });
    auto dev = Device("DMPL Cutter");
    CCutInfo info = Params(*dev, "FILE");
    CSegArray list;
    Design(list);
    EXPECT_EQ(RunCut(list, *dev, info, "Sign", nullptr), CutRunResult::Done);
    EXPECT_EQ(ReadBytes(dir / "cut.PLT"), ReadBytes(DataPath("cutrun_dmpl.txt")));
  }
  EXPECT_TRUE(sink.boxes.empty());
}

// Test and Reset act only on a device port and close it afterwards; a test
// width of 3 mm or less cuts no square.
TEST_F(CutRunTest, TestAndResetCloseThePort) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  auto dev = Device("DMPL Cutter");
  CCutInfo info = Params(*dev, "COM1");
  info.testWidth = 10;
  EXPECT_TRUE(RunCutterTest(*dev, info, nullptr));
  EXPECT_FALSE(dev->port.IsOpen());
  const std::string square = pty.Drain();
  EXPECT_NE(square.find("D0,100"), std::string::npos) << square;  // 10 mm at 0.1 mm
  EXPECT_TRUE(RunCutterReset(*dev, info, nullptr));
  EXPECT_FALSE(dev->port.IsOpen());
  const std::string reset = pty.Drain();
  EXPECT_EQ(reset.find("D0,100"), std::string::npos) << reset;
  info.testWidth = 3;
  EXPECT_TRUE(RunCutterTest(*dev, info, nullptr));
  EXPECT_EQ(pty.Drain(), reset);

  info.port = "FILE";
  EXPECT_FALSE(RunCutterTest(*dev, info, nullptr));
  EXPECT_FALSE(RunCutterReset(*dev, info, nullptr));
}

}  // namespace
