#include "output/cutterbar.h"

#include <gtest/gtest.h>

#include "framework/controls.h"
#include "framework/wnd.h"
#include "output/tests/cutter_fixture.h"
#include "output/tests/helpers.h"
#include "platform/report.h"

namespace {

// The cut window standing in: counts its redraw commands and close requests.
class CutWindow : public fw::CWnd {
 public:
  int redraws = 0, closes = 0;
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override {
    if (msg == fw::WM_COMMAND && (wp & 0xFFFF) == cutid::ID_CUT_REDRAW) ++redraws;
    if (msg == fw::WM_CLOSE) {
      ++closes;
      return 0;
    }
    return fw::CWnd::WindowProc(msg, wp, lp);
  }
};

class CutterBarTest : public CutterFixture {
 protected:
  void SetUp() override {
    CutterFixture::SetUp();
    old_ = plat::SetReportSink(&sink_);
    ASSERT_TRUE(window.CreateEx(0, "", "cut", 0, fw::RECT{0, 0, 900, 600}, nullptr, 0));
  }
  void TearDown() override {
    plat::SetReportSink(old_);
    fw::ResetWindowSystem();
  }
  // The bar over a device and parameters read from the test models file.
  std::unique_ptr<CCutterBar> Bar() {
    dev = std::make_unique<CCutterDriver>(ini);
    dev->port.SetSettingsPath(dir / "Port.INI");
    info.Load(ini);
    auto bar = std::make_unique<CCutterBar>(*dev, info, ini);
    EXPECT_TRUE(bar->Create(&window));
    return bar;
  }
  template <class T>
  static T& Item(CCutterBar& bar, fw::UINT id) {
    return *dynamic_cast<T*>(bar.GetDlgItem(id));
  }
  static std::vector<std::string> Texts(fw::CComboBox& box) {
    std::vector<std::string> out;
    for (int i = 0; i < box.GetCount(); ++i) out.push_back(box.GetLBText(i));
    return out;
  }

  CutWindow window;
  std::unique_ptr<CCutterDriver> dev;
  CCutInfo info;
  plat::RecordingSink sink_;
  plat::ReportSink* old_ = nullptr;
};

TEST_F(CutterBarTest, ModelsInFileOrderAndTheStoredOneChosen) {
  ini.WriteString("CutInfo", "Device", "DMPL Cutter");
  auto bar = Bar();
  auto& model = Item<fw::CComboBox>(*bar, cutid::IDC_MODEL);
  EXPECT_EQ(Texts(model), (std::vector<std::string>{"HPGL Cutter", "DMPL Cutter"}));
  EXPECT_EQ(model.GetCurSel(), 1);
  EXPECT_EQ(dev->modelName, "DMPL Cutter");
  model.UserSelect(0);
  EXPECT_EQ(dev->modelName, "HPGL Cutter");
  std::string stored;
  ini.GetString("CutInfo", "Device", stored, "");
  EXPECT_EQ(stored, "HPGL Cutter");
  bar->DestroyWindow();

  ini.WriteString("CutInfo", "Device", "hpgl cutter");  // exact match only
  bar = Bar();
  EXPECT_EQ(Item<fw::CComboBox>(*bar, cutid::IDC_MODEL).GetCurSel(), 0);
}

// Speeds from the highest down to 0 in tenths (a step of at least 1); the
// default chosen; pressure's range and state from the model.
TEST_F(CutterBarTest, SpeedListAndPressureFollowTheModel) {
  struct Case {
    const char* ranger;
    std::vector<std::string> first;
    std::size_t count;
  } cases[] = {
      {"1,80", {"80", "72", "64"}, 11},
      {"5", {"5", "4", "3"}, 6},
      {"1,0", {"0"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ranger);
    ini.WriteString("HPGL", "SpeedRanger", c.ranger);
    ini.WriteString("CutInfo", "Device", "HPGL Cutter");
    auto bar = Bar();
    auto& speed = Item<fw::CComboBox>(*bar, cutid::IDC_SPEED);
    std::vector<std::string> got = Texts(speed);
    ASSERT_EQ(got.size(), c.count);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + c.first.size()), c.first);
    EXPECT_EQ(got.back(), "0");
    const int sel = speed.FindStringExact(-1, "40");
    EXPECT_EQ(speed.GetCurSel(), sel >= 0 ? sel : 0);
    bar->DestroyWindow();
  }
  ini.WriteString("CutInfo", "Device", "DMPL Cutter");
  auto bar = Bar();
  auto& spin = Item<fw::CSpinButtonCtrl>(*bar, cutid::IDC_FORCE_SPIN);
  int lo = -1, hi = -1;
  spin.GetRange32(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 250);
  // A held arrow steps by 5 over a range of 10 or more, else by 1.
  fw::UDACCEL accel[2];
  ASSERT_EQ(spin.GetAccel(2, accel), 2u);
  EXPECT_EQ(accel[1].nInc, 5u);
  EXPECT_EQ(spin.StepAfter(0), 1);
  EXPECT_EQ(bar->GetDlgItem(cutid::IDC_FORCE)->GetWindowText(), "120");
  EXPECT_TRUE(bar->GetDlgItem(cutid::IDC_FORCE)->IsWindowEnabled());
  // The arrows step from the pressure shown.
  spin.UserDelta(1);
  EXPECT_EQ(bar->GetDlgItem(cutid::IDC_FORCE)->GetWindowText(), "121");
  EXPECT_EQ(dev->defaultForce, 121);
  bar->DestroyWindow();
  ini.WriteString("DMPL", "ForceRanger", "1,8");
  bar = Bar();
  Item<fw::CSpinButtonCtrl>(*bar, cutid::IDC_FORCE_SPIN).GetAccel(2, accel);
  EXPECT_EQ(accel[1].nInc, 1u);
  // Unchecking "Pressure" disables the edit and clears the model's flag.
  Item<fw::CButton>(*bar, cutid::IDC_SET_FORCE).Click();
  EXPECT_EQ(dev->setForce, 0u);
  EXPECT_FALSE(bar->GetDlgItem(cutid::IDC_FORCE)->IsWindowEnabled());
  // A pressure typed becomes the model's default and the job's pressure.
  Item<fw::CEdit>(*bar, cutid::IDC_FORCE).SetWindowText("90");
  EXPECT_EQ(dev->defaultForce, 90);
  EXPECT_EQ(info.penForce, 90);
}

// Test and Reset only for a device port; the paper edits resize the paper
// from its left and top; Exit stores the settings and closes the window.
TEST_F(CutterBarTest, PortsPaperAndExit) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  ini.WriteString("CutInfo", "Device", "DMPL Cutter");
  ini.WriteString("CutInfo", "Port", "File");
  auto bar = Bar();
  auto& port = Item<fw::CComboBox>(*bar, cutid::IDC_PORT);
  std::vector<std::string> ports = Texts(port);
  ASSERT_GE(ports.size(), 2u);
  EXPECT_EQ(ports.front(), "COM1");
  EXPECT_EQ(ports.back(), "File");
  EXPECT_EQ(port.GetLBText(port.GetCurSel()), "File");
  EXPECT_FALSE(bar->GetDlgItem(cutid::IDC_TEST)->IsWindowEnabled());
  EXPECT_FALSE(bar->GetDlgItem(cutid::IDC_RESET)->IsWindowEnabled());
  port.UserSelect(0);
  EXPECT_EQ(info.port, "COM1");
  EXPECT_TRUE(bar->GetDlgItem(cutid::IDC_TEST)->IsWindowEnabled());
  EXPECT_TRUE(bar->GetDlgItem(cutid::IDC_RESET)->IsWindowEnabled());

  info.left = 10, info.top = 20;
  bar->GetDlgItem(cutid::IDC_PAPER_WIDTH)->SetWindowText("300");
  bar->SendMessage(fw::WM_COMMAND, cutid::IDC_PAPER_WIDTH | (fw::EN_KILLFOCUS << 16), 0);
  bar->GetDlgItem(cutid::IDC_PAPER_HEIGHT)->SetWindowText("0");  // below 1: ignored
  bar->SendMessage(fw::WM_COMMAND, cutid::IDC_PAPER_HEIGHT | (fw::EN_KILLFOCUS << 16), 0);
  EXPECT_EQ(info.left, 10.0f);
  EXPECT_EQ(info.right, 310.0f);
  EXPECT_EQ(window.redraws, 1);

  auto& speed = Item<fw::CComboBox>(*bar, cutid::IDC_SPEED);
  speed.UserSelect(speed.FindStringExact(-1, "16"));
  EXPECT_EQ(dev->defaultSpeed, 16);
  Item<fw::CButton>(*bar, cutid::IDC_EXIT).Click();
  fw::PumpPendingMessages();
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(ini.GetInt("DMPL", "DefaultSpeed", 0), 16);
  std::string stored;
  ini.GetString("CutInfo", "Port", stored, "");
  EXPECT_EQ(stored, "COM1");
  EXPECT_EQ(ini.GetInt("CutInfo", "PaperWidth", 0), 300);
  EXPECT_EQ(info.penSpeed, 16);
  EXPECT_EQ(info.solidCut, 2.0f);
}

}  // namespace
