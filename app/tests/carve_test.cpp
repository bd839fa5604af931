// "Carve Out(&F)..." on the sample: the engraver output dialog opens from the
// menu command and hands the engraving to the cut-job manager.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/appids.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "framework/menu.h"
#include "output/carvedlg.h"
#include "output/carver.h"
#include "output/cuthandoff.h"
#include "platform/tempfile.h"

using namespace apptest;

namespace {

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

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
  EXPECT_TRUE(sink.boxes.empty());
}

}  // namespace
