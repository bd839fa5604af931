// "Carve Out(&F)..." on the sample: the engraver output dialog opens from the
// menu command and hands the engraving to the cut-job manager.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/appids.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "framework/menu.h"
#include "output/carvedlg.h"
#include "output/carveorigindlg.h"
#include "output/carver.h"
#include "output/cuthandoff.h"
#include "platform/tempfile.h"

using namespace apptest;

namespace {

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

// A plotter's pen over HPGL commands (coordinates in the order sent): where it
// went, and the strokes it drew with the tool down.
struct Pen {
  bool down = false;
  long a = 0, b = 0;
  struct Stroke {
    long a0, b0, a1, b1;
  };
  std::vector<Stroke> drawn;

  void Run(const std::string& hpgl) {
    std::istringstream in(hpgl);
    for (std::string c; std::getline(in, c, ';');) {
      c.erase(std::remove_if(c.begin(), c.end(), [](char ch) { return ch == ' ' || ch == '\n'; }), c.end());
      if (c.size() < 2) continue;
      const std::string op = c.substr(0, 2);
      if (op == "IN" || op == "PU") down = false;
      if (op == "PD") down = true;
      if (op != "PU" && op != "PD" && op != "PA") continue;
      std::vector<long> v;
      std::istringstream nums(c.substr(2));
      for (std::string n; std::getline(nums, n, ',');) v.push_back(std::stol(n));
      for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
        if (down && (v[i] != a || v[i + 1] != b)) drawn.push_back({a, b, v[i], v[i + 1]});
        a = v[i];
        b = v[i + 1];
      }
    }
  }
};

class CarveCommandTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    if (const char* t = std::getenv("TMPDIR")) oldTmp_ = t;
    ::setenv("TMPDIR", dir.c_str(), 1);
    ::setenv("TINDREL_IPC_DIR", Path("ipc").c_str(), 1);
    std::filesystem::copy_file(std::string(TINDREL_TEST_DATA) + "/../../defaults/Carves.INI", Path("Carves.INI"));
    CIniFile(Path("Carves.INI")).WriteString("CarveInfo", "FillStep", "1");
    CCarveDriver::SetDefaultSettingsPath(Path("Carves.INI"));
    ::mkdir(Path("bin").c_str(), 0700);
    ASSERT_EQ(::symlink(TINDREL_BIN_DIR "/cutjob_standin", Path("bin/Kelvo").c_str()), 0);
    SetCutManagerFolder(Path("bin"), 1500);
    ::setenv("STANDIN_LOG", Path("log").c_str(), 1);
    ::setenv("STANDIN_MODE", "take", 1);
  }
  void TearDown() override {
    std::istringstream log(ReadText(Path("log")));
    for (std::string line; std::getline(log, line);)
      if (line.rfind("pid ", 0) == 0) ::kill(std::stoi(line.substr(4)), SIGKILL);
    ::unsetenv("STANDIN_LOG");
    ::unsetenv("STANDIN_MODE");
    SetCutManagerFolder("");
    CCarveDriver::SetDefaultSettingsPath("");
    if (oldTmp_.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    ::unsetenv("TINDREL_IPC_DIR");
    AppTest::TearDown();
  }

 private:
  std::string oldTmp_;
};

TEST_F(CarveCommandTest, CarveOutOnTheSampleHandsTheManagerAJob) {
  CMDIMainFrame* main = StartApp(std::string(TINDREL_TEST_DATA) + "/../../../samples/sign.t98");
  ASSERT_TRUE(started);
  fw::PumpPendingMessages();
  // The menu item follows "Cut Out(&D)..." and is enabled.
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  bool found = false;
  for (int i = 0; i < menu->GetMenuItemCount() && !found; ++i) {
    fw::CMenu* popup = menu->GetSubMenu(i);
    if (!popup || menu->GetMenuString(fw::UINT(i), fw::MF_BYPOSITION) != "&Output") continue;
    ASSERT_GE(popup->GetMenuItemCount(), 2);
    EXPECT_EQ(popup->GetMenuItemID(0), appid::ID_CUT_OUT);
    EXPECT_EQ(popup->GetMenuItemID(1), appid::ID_CARVE_OUT);
    EXPECT_EQ(popup->GetMenuString(1, fw::MF_BYPOSITION), "Carve Out(&F)...");
    found = true;
  }
  EXPECT_TRUE(found);
  fw::CCmdUI ui;
  ui.m_nID = appid::ID_CARVE_OUT;
  ui.DoUpdate(main, fw::TRUE);
  EXPECT_TRUE(ui.enabled);

  fw::ScriptedModalDriver driver;
  int areaKind = -1;
  driver.Then([&](fw::CDialog& d) {
    areaKind = static_cast<C2DCarveDlg&>(d).AreaKind();
    EXPECT_EQ(d.GetDlgItemText(carveid::IDC_DEVICE), "HPGL Engraver");
    d.ClickButton(fw::IDOK);
  });
  main->SendMessage(fw::WM_COMMAND, appid::ID_CARVE_OUT, 0);
  ASSERT_EQ(driver.Runs().size(), 1u);
  EXPECT_EQ(driver.Runs()[0].templateId, carveid::IDD_CARVE_OUT);
  EXPECT_EQ(driver.Runs()[0].caption, "Cave Out");
  EXPECT_EQ(driver.Runs()[0].result, fw::IDOK);
  EXPECT_EQ(areaKind, kAreaPage);

  std::string added;
  std::istringstream log(ReadText(Path("log")));
  for (std::string line; std::getline(log, line);)
    if (line.rfind("add ", 0) == 0) added = line;
  ASSERT_EQ(added.rfind("add 1 File sign.t98 ", 0), 0u) << added;
  const std::string data = ReadText(added.substr(added.rfind(' ') + 1));
  // The start string, strokes y first, the finish.
  EXPECT_EQ(data.rfind("IN;PA;PU;\nVS20;PU", 0), 0u) << data.substr(0, 80);
  EXPECT_NE(data.find(";PD"), std::string::npos);
  EXPECT_EQ(data.substr(data.size() - 9), "PU;PU0,0;");
  // Every stroke runs along a raster row (y first), the travel between them raised.
  Pen pen;
  pen.Run(data);
  EXPECT_FALSE(pen.drawn.empty());
  for (const Pen::Stroke& s : pen.drawn) EXPECT_EQ(s.a0, s.a1) << s.a0 << "," << s.b0 << " " << s.a1 << "," << s.b1;
  EXPECT_TRUE(sink.boxes.empty());
}

// The shipped engraver moves its tool to a new origin raised, and lowered only
// when "Tool Down" asks for it.
TEST_F(CarveCommandTest, TheShippedEngraverMovesToItsOriginRaised) {
  const std::string out = Path("origin.plt");
  CIniFile(Path("Carves.INI")).WriteString("CarveInfo", "PORT", out.c_str());
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    using namespace carveid;
    d.SetCheckBox(IDC_LIVE_MOVE, 1);
    d.TypeText(IDC_ORIGIN_X, "150");
    d.TypeText(IDC_ORIGIN_Y, "20");
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    using namespace carveid;
    d.SetCheckBox(IDC_LIVE_MOVE, 1);
    d.SetCheckBox(IDC_TOOL_DOWN, 1);
    d.TypeText(IDC_ORIGIN_X, "100");
    d.ClickButton(fw::IDOK);
  });
  {
    CCarveOriginDlg dlg(nullptr, Path("Carves.INI"), Path("Port.INI"));
    ASSERT_EQ(dlg.DoModal(), fw::IDOK);
    Pen pen;
    pen.Run(ReadText(out));
    EXPECT_TRUE(pen.drawn.empty()) << ReadText(out);
    EXPECT_FALSE(pen.down);
  }
  {
    CCarveOriginDlg dlg(nullptr, Path("Carves.INI"), Path("Port.INI"));
    ASSERT_EQ(dlg.DoModal(), fw::IDOK);
    Pen pen;
    pen.Run(ReadText(out));
    ASSERT_EQ(pen.drawn.size(), 1u) << ReadText(out);
    // To x = 100 mm on the row of y = 20 mm, in device steps, y first.
    EXPECT_EQ(pen.drawn[0].a1, long(20 / 0.025));
    EXPECT_EQ(pen.drawn[0].b1, long(100 / 0.025));
  }
  EXPECT_TRUE(sink.boxes.empty());
}

}  // namespace
