#include "output/carvedlg.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <sstream>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/services.h"
#include "output/carveorigindlg.h"
#include "output/clip.h"
#include "output/cuthandoff.h"
#include "output/tests/carve_fixture.h"
#include "output/tests/handoff_env.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

// A page of objects.
class PageDoc : public CDocumentServices {
 public:
  PageDoc(float w, float h) : w_(w), h_(h) {}
  ~PageDoc() override { list.DeleteAll(); }
  CSegArray* GetObjectList() override { return &list; }
  int GetObjectCount() const override { return list.GetSize(); }
  CGraphObject* GetObjectAt(int i) const override { return i >= 0 && i < list.GetSize() ? list.GetAt(i) : nullptr; }
  int IndexOfObject(const CGraphObject* o) const override { return list.Find(o); }
  int AddObject(CGraphObject* o, bool) override {
    list.Add(o);
    return list.GetSize() - 1;
  }
  void InsertObject(CGraphObject* o, int i) override { list.InsertAt(i, o); }
  int RemoveObject(CGraphObject* o) override {
    const int i = list.Find(o);
    if (i >= 0) list.RemoveAt(i);
    return i;
  }
  void RemoveObjects(const std::vector<CGraphObject*>& objects) override {
    for (CGraphObject* o : objects) RemoveObject(o);
  }
  float GetPageWidth() const override { return w_; }
  float GetPageHeight() const override { return h_; }
  float GetGridStep() const override { return 1.0f; }
  void SetModified(bool) override {}
  int GetViewCount() const override { return 0; }
  CViewServices* GetView(int) override { return nullptr; }

  CSegArray list;

 private:
  float w_, h_;
};

class CarveDlgTest : public CarveFixture, protected HandOffEnv {
 protected:
  void SetUp() override {
    CarveFixture::SetUp();
    InstallOutputServices();
    BeginHandOff();
    // No port device answers unless a test maps one.
    std::string devices = "[Devices]\n";
    for (int n = 1; n <= 4; ++n) devices += "COM" + std::to_string(n) + "=" + (dir / "none") + "\n";
    for (int n = 1; n <= 4; ++n) devices += "LPT" + std::to_string(n) + "=" + (dir / "none") + "\n";
    WriteBytes(PortIni(), devices);
    doc.list.Add(Rect(0, 0, 2, 4));
    doc.list.Add(Rect(5, 1, 8, 5));
  }
  void TearDown() override { EndHandOff(); }
  std::string PortIni() const { return dir / "Port.INI"; }
  std::string Stored(const char* key) {
    std::string v;
    CIniFile(Ini()).GetString("CarveInfo", key, v, "");
    return v;
  }
  void Store(const char* key, const std::string& v) { CIniFile(Ini()).WriteString("CarveInfo", key, v); }


  // One modal run of the output dialog with the step.
  int Run(const std::function<void(C2DCarveDlg&)>& step, C2DCarveDlg** kept = nullptr) {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) { step(static_cast<C2DCarveDlg&>(d)); });
    C2DCarveDlg dlg(doc, "Sign", nullptr, Ini(), PortIni());
    if (kept) *kept = &dlg;
    const int r = dlg.DoModal();
    runs = driver.Runs();
    last = dlg.LastResult();
    return r;
  }

  PageDoc doc{8, 5};
  std::vector<fw::ScriptedModalDriver::Run> runs;
  CarveResult last = CarveResult::Done;

};

// The stored settings as the dialog shows them: models and ports by their
// first letters in any case, the page, the area kind.
TEST_F(CarveDlgTest, ShowsTheStoredSettings) {
  Store("Device", "swapped");
  Store("PORT", "fi");
  Store("Mirror", "0");
  Store("DoubleWay", "0");
  Store("InverseOut", "1");
  Store("FILLMODE", "1");
  Store("FillStep", "0.25");
  Store("CurveAccurate", "3");
  Store("AreaExpand", "1.5");
  EXPECT_EQ(Run([](C2DCarveDlg& d) {
              using namespace carveid;
              EXPECT_EQ(d.GetWindowText(), "Cave Out");
              EXPECT_EQ(d.GetDlgItemText(IDC_DEVICE), "Swapped Carver");
              EXPECT_EQ(d.Item<fw::CComboBox>(IDC_DEVICE)->GetCount(), 4);
              EXPECT_EQ(d.GetDlgItemText(IDC_PORT), "File");
              EXPECT_EQ(d.Item<fw::CComboBox>(IDC_PORT)->GetCount(), 1);
              EXPECT_EQ(d.Port().GetPortName(), "File");
              EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_WIDTH), "8");
              EXPECT_EQ(d.GetDlgItemText(IDC_PAGE_HEIGHT), "5");
              EXPECT_EQ(d.GetDlgItemText(IDC_AREA_KIND), "Page");
              EXPECT_EQ(d.IsDlgButtonChecked(IDC_MIRROR), 0u);
              EXPECT_EQ(d.IsDlgButtonChecked(IDC_DOUBLE_WAY), 0u);
              EXPECT_EQ(d.IsDlgButtonChecked(IDC_INVERSE_OUT), 1u);
              EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILL_MODE), 1u);
              EXPECT_EQ(d.IsDlgButtonChecked(IDC_ROTATE), 0u);
              EXPECT_EQ(d.GetDlgItemText(IDC_FILL_STEP), "0.25");
              EXPECT_EQ(d.GetDlgItemText(IDC_CURVE_ACCURATE), "3");
              EXPECT_EQ(d.GetDlgItemText(IDC_AREA_EXPAND), "1.5");
              EXPECT_FALSE(d.GetDlgItem(IDC_PROGRESS)->IsWindowVisible());
              d.ClickButton(fw::IDCANCEL);
            }),
            fw::IDCANCEL);
  // A design of one object: its box and its kind.
  doc.list.DeleteAll();
  doc.list.Add(Rect(1, 1, 3, 2));
  Store("Device", "");
  Run([](C2DCarveDlg& d) {
    EXPECT_EQ(d.GetDlgItemText(carveid::IDC_DEVICE), "Plain Carver");
    EXPECT_EQ(d.AreaKind(), kAreaOther);
    EXPECT_EQ(d.Area(), CFRect(1, 1, 3, 2));
    EXPECT_EQ(d.Item<fw::CComboBox>(carveid::IDC_AREA_KIND)->GetCurSel(), 1);
    d.ClickButton(fw::IDCANCEL);
  });
}

// Fill step, curve accuracy and margin: what validation accepts, and what
// Exit stores for each.
TEST_F(CarveDlgTest, ValidationAndSavedSettings) {
  struct Case {
    const char* step;
    const char* accuracy;
    const char* expand;
    bool valid;
    const char* storedStep;
    const char* storedAccuracy;
    const char* expandAfter;  // the field after validation
  } cases[] = {
      {"0.1", "4", "0", true, "0.1", "4", "0"},
      {"10", "1", "2.5", true, "10", "1", "2.5"},
      {"0.02", "3", "", true, "0.02", "3", ""},
      {"0", "4", "0", false, "0.10", "4", "0"},
      {"-1", "4", "0", false, "0.10", "4", "0"},
      {"10.01", "4", "0", false, "0.10", "4", "0"},
      {"abc", "4", "0", false, "0.10", "4", "0"},
      {"nan", "4", "0", false, "0.10", "4", "0"},
      // Accepted for the run, stored as 4.
      {"0.5", "9", "0", true, "0.5", "4", "0"},
      {"0.5", "0", "0", false, "0.5", "4", "0"},
      {"0.5", "10", "0", false, "0.5", "4", "0"},
      {"0.5", "", "0", false, "0.5", "4", "0"},
      {"0.5", "4", "-2", false, "0.5", "4", "0"},
      {"0.5", "4", "inf", false, "0.5", "4", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.step) + " " + c.accuracy + " " + c.expand);
    sink.clear();
    bool valid = !c.valid;
    std::string expandAfter;
    Run([&](C2DCarveDlg& d) {
      d.TypeText(carveid::IDC_FILL_STEP, c.step);
      d.SetDlgItemText(carveid::IDC_CURVE_ACCURATE, c.accuracy);
      d.TypeText(carveid::IDC_AREA_EXPAND, c.expand);
      d.SetCheckBox(carveid::IDC_ROTATE, 1);
      d.SetCheckBox(carveid::IDC_MIRROR, 0);
      valid = d.Validate();
      expandAfter = d.GetDlgItemText(carveid::IDC_AREA_EXPAND);
      d.ClickButton(fw::IDCANCEL);
    });
    EXPECT_EQ(valid, c.valid);
    ASSERT_EQ(sink.boxes.size(), c.valid ? 0u : 1u);
    if (!c.valid) {
      EXPECT_EQ(sink.boxes[0].text, "非法的输出参数");
      EXPECT_EQ(sink.boxes[0].caption, "错误");
    }
    EXPECT_EQ(expandAfter, c.expandAfter);
    EXPECT_EQ(Stored("FillStep"), c.storedStep);
    EXPECT_EQ(Stored("CurveAccurate"), c.storedAccuracy);
    EXPECT_EQ(Stored("AreaExpand"), c.expandAfter);
    EXPECT_EQ(Stored("Rotate"), "1");
    EXPECT_EQ(Stored("Mirror"), "0");
    EXPECT_EQ(Stored("Device"), "Plain Carver");
    EXPECT_EQ(Stored("PORT"), "File");
  }
}

// OK engraves: "File" goes to the manager with the strokes; the dialog closes.
TEST_F(CarveDlgTest, OkEngravesAndHandsTheJobOver) {
  StandIn("take");
  Store("Device", "Grid Carver");
  Store("FillStep", "1");
  Store("Mirror", "0");
  Store("DoubleWay", "0");
  std::string label;
  bool progressShown = false;
  C2DCarveDlg* dlg = nullptr;
  EXPECT_EQ(Run(
                [&](C2DCarveDlg& d) {
                  d.Trace().afterRow = [&](std::int64_t) {
                    label = d.GetDlgItemText(fw::IDOK);
                    progressShown = d.GetDlgItem(carveid::IDC_PROGRESS)->IsWindowVisible();
                  };
                  d.ClickButton(fw::IDOK);
                },
                &dlg),
            fw::IDOK);
  EXPECT_EQ(last, CarveResult::Done);
  EXPECT_EQ(label, "终止");
  EXPECT_TRUE(progressShown);
  const std::vector<std::string> added = Added();
  ASSERT_EQ(added.size(), 1u);
  const std::string data = added[0].substr(added[0].rfind(' ') + 1);
  EXPECT_EQ(added[0], "add 1 File Sign " + data);
  EXPECT_EQ(ReadBytes(data), "M3,0;L7,0;M3,1;L4,1;M3,2;L4,2;M3,3;L4,3;M3,4;L4,4;E;");
  EXPECT_TRUE(sink.boxes.empty());
}

// A second OK during the run stops it, and so does Exit (Escape) or closing
// the window, which do not end the dialog under the run: nothing handed
// over, no file left.
TEST_F(CarveDlgTest, SecondOkStopsTheRun) {
  StandIn("take");
  Store("Device", "Grid Carver");
  Store("FillStep", "1");
  struct Case {
    fw::UINT message;
    fw::WPARAM wp;
  } cases[] = {{fw::WM_COMMAND, fw::MAKELONG(fw::WORD(fw::IDOK), fw::WORD(fw::BN_CLICKED))},
               {fw::WM_COMMAND, fw::MAKELONG(fw::WORD(fw::IDCANCEL), fw::WORD(fw::BN_CLICKED))},
               {fw::WM_CLOSE, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string during, after;
    bool exitEnabled = false;
    EXPECT_EQ(Run([&](C2DCarveDlg& d) {
                d.Trace().afterRow = [&](std::int64_t r) {
                  if (r == 0) {
                    during = d.GetDlgItemText(fw::IDOK);
                    EXPECT_FALSE(d.GetDlgItem(fw::IDCANCEL)->IsWindowEnabled());
                    d.PostMessage(c.message, c.wp, 0);
                  }
                  after = d.GetDlgItemText(fw::IDOK);
                  exitEnabled = d.GetDlgItem(fw::IDCANCEL)->IsWindowEnabled();
                };
                d.ClickButton(fw::IDOK);
              }),
              fw::IDOK);
    EXPECT_EQ(last, CarveResult::Stopped);
    EXPECT_EQ(during, "终止");
    EXPECT_EQ(after, "确认");
    EXPECT_TRUE(exitEnabled);
    EXPECT_TRUE(Added().empty());
    EXPECT_TRUE(plat::ListFolderNoCase(plat::GetTempFolder(), "OS*.TMP").empty());
  }
}

// The buttons: "PortSetting" opens the port dialog, the origin button the
// origin dialog once the values are valid.
TEST_F(CarveDlgTest, ButtonsOpenTheirDialogs) {
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    d.ClickButton(carveid::IDC_PORT_SETTING);
    d.TypeText(carveid::IDC_FILL_STEP, "0");
    d.ClickButton(carveid::IDC_ORIGIN);
    d.TypeText(carveid::IDC_FILL_STEP, "0.5");
    d.ClickButton(carveid::IDC_ORIGIN);
    d.ClickButton(fw::IDCANCEL);
  });
  C2DCarveDlg dlg(doc, "Sign", nullptr, Ini(), PortIni());
  EXPECT_EQ(dlg.DoModal(), fw::IDCANCEL);
  // The "File" port of the origin dialog asks for its file first (cancelled).
  // Runs are recorded as they end.
  ASSERT_EQ(driver.Runs().size(), 4u);
  EXPECT_EQ(driver.Runs()[0].templateId, 299u);
  EXPECT_EQ(driver.Runs()[1].templateId, 0u);
  EXPECT_EQ(driver.Runs()[2].templateId, 309u);
  EXPECT_EQ(driver.Runs()[3].templateId, 297u);
  // The refused step, and the origin dialog's port that did not open.
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[0].text, "非法的输出参数");
  EXPECT_EQ(sink.boxes[1].text, "没有联机");
  EXPECT_EQ(Stored("FillStep"), "0.5");
}

// --- The origin dialog.

class CarveOriginTest : public CarveDlgTest {
 protected:
  int Origin(const std::function<void(CCarveOriginDlg&)>& step) {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) { step(static_cast<CCarveOriginDlg&>(d)); });
    CCarveOriginDlg dlg(nullptr, Ini(), PortIni());
    return dlg.DoModal();
  }
  std::string Model(const char* section, const char* key) {
    std::string v;
    CIniFile(Ini()).GetString(section, key, v, "");
    return v;
  }
};

// On a line: the start string, live moves (a repeated one sends nothing),
// a refused value, the thumb at the end, the tool down and up, OK.
TEST_F(CarveOriginTest, MovesTheToolOnALine) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  Store("Device", "Plain Carver");
  Store("PORT", "COM1");
  std::string start, moves, thumb, tool;
  EXPECT_EQ(Origin([&](CCarveOriginDlg& d) {
              using namespace carveid;
              start = pty.Drain();
              EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "12.50");
              EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_Y), "7.25");
              EXPECT_EQ(d.Item<fw::CScrollBar>(IDC_SCROLL_X)->GetScrollPos(), 12);
              int lo = -1, hi = -1;
              d.Item<fw::CScrollBar>(IDC_SCROLL_Y)->GetScrollRange(&lo, &hi);
              EXPECT_EQ(hi, 200);
              d.SetCheckBox(IDC_LIVE_MOVE, 1);
              d.TypeText(IDC_ORIGIN_X, "20");
              d.TypeText(IDC_ORIGIN_X, "20.00");  // the same place: nothing sent
              d.TypeText(IDC_ORIGIN_X, "301");    // outside: a beep, the origin stays
              EXPECT_FLOAT_EQ(d.OriginX(), 20.0f);
              EXPECT_EQ(d.Item<fw::CScrollBar>(IDC_SCROLL_X)->GetScrollPos(), 20);
              d.TypeText(IDC_ORIGIN_Y, "200");  // the edge is inside
              moves = pty.Drain();
              d.Item<fw::CScrollBar>(IDC_SCROLL_X)->UserScroll(fw::SB_THUMBPOSITION, 300);
              EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "300.00");
              d.Item<fw::CScrollBar>(IDC_SCROLL_X)->UserScroll(fw::SB_LINERIGHT);  // held at the end
              EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "300.00");
              thumb = pty.Drain();
              d.SetCheckBox(IDC_TOOL_DOWN, 1);
              d.SetCheckBox(IDC_TOOL_DOWN, 0);
              tool = pty.Drain();
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(start, "IN;PA;RS1;PU;\nVS25;");
  EXPECT_EQ(moves, "PD200,72;,200,2000");
  EXPECT_EQ(thumb, ",3000,2000");
  EXPECT_EQ(tool, "PD;PU;");
  EXPECT_EQ(pty.Drain(), "PU;PU;SP0;\x1b.E");
  ASSERT_EQ(sink.beeps.size(), 1u);
  EXPECT_EQ(Model("PLAIN", "OriginX"), "300.00");
  EXPECT_EQ(Model("PLAIN", "OriginY"), "200.00");
}

// Exit writes nothing; without a device the dialog still edits the origin.
TEST_F(CarveOriginTest, ExitAndNoDevice) {
  Store("Device", "Swapped Carver");
  Store("PORT", "COM2");
  const std::string before = ReadBytes(Ini());
  EXPECT_EQ(Origin([](CCarveOriginDlg& d) {
              d.TypeText(carveid::IDC_ORIGIN_X, "50");
              d.ClickButton(fw::IDCANCEL);
            }),
            fw::IDCANCEL);
  EXPECT_EQ(ReadBytes(Ini()), before);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "没有联机");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_EQ(sink.beeps.size(), 1u);
  sink.clear();
  // A click in the work area: its share of the width and height.
  EXPECT_EQ(Origin([](CCarveOriginDlg& d) {
              const fw::RECT f = d.Frame();
              d.SendMessage(fw::WM_LBUTTONUP, 0, fw::MAKELONG(fw::WORD(f.left + f.width() / 2), fw::WORD(f.top + f.height() / 2)));
              EXPECT_EQ(d.GetDlgItemText(carveid::IDC_ORIGIN_X), "50.00");
              EXPECT_EQ(d.GetDlgItemText(carveid::IDC_ORIGIN_Y), "25.00");
              d.SendMessage(fw::WM_LBUTTONUP, 0, fw::MAKELONG(fw::WORD(f.right + 5), fw::WORD(f.top + 1)));  // outside
              EXPECT_EQ(d.GetDlgItemText(carveid::IDC_ORIGIN_X), "50.00");
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(Model("SWAPPED", "OriginX"), "50.00");
  EXPECT_EQ(Model("SWAPPED", "OriginY"), "25.00");
}

// A work area of no size: only 0 is taken and the cross sits at the frame's
// edge; a stored origin outside it is shown at the edge, not left unset.
TEST_F(CarveOriginTest, WorkAreaWithoutSize) {
  Store("Device", "Bare Carver");
  Store("PORT", "COM2");
  CIniFile(Ini()).WriteString("BARE", "OriginX", "5");
  EXPECT_EQ(Origin([](CCarveOriginDlg& d) {
              using namespace carveid;
              EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "0.00");
              int lo = -1, hi = -1;
              d.Item<fw::CScrollBar>(IDC_SCROLL_X)->GetScrollRange(&lo, &hi);
              EXPECT_EQ(lo, 0);
              EXPECT_EQ(hi, 0);
              d.TypeText(IDC_ORIGIN_X, "0.5");
              EXPECT_FLOAT_EQ(d.OriginX(), 0.0f);
              d.Invalidate();
              d.UpdateWindow();
              const fw::RECT f = d.Frame();
              const plat::Surface& s = d.GetSurface().surface();
              // The cross at the frame's top-left corner inverts its black outline.
              EXPECT_EQ(s.row(f.top)[f.left + 3] & 0xFFFFFF, 0xFFFFFFu);
              EXPECT_EQ(s.row(f.top + 3)[f.left] & 0xFFFFFF, 0xFFFFFFu);
              EXPECT_EQ(s.row(f.top)[f.left + 8] & 0xFFFFFF, 0u);
              EXPECT_EQ(s.row(f.top + 20)[f.left + 20] & 0xFFFFFF, 0xFFFFFFu);
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(Model("BARE", "OriginX"), "0.00");
}

}  // namespace
