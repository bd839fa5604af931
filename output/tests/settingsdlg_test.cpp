#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <asm/termbits.h>

#include "framework/dialog.h"
#include "framework/wnd.h"
#include "output/cutinfo.h"
#include "output/cutrun.h"
#include "output/cutter.h"
#include "output/halfcutdlg.h"
#include "output/portsettingdlg.h"
#include "output/tests/cutter_fixture.h"
#include "output/tests/helpers.h"
#include "platform/report.h"

namespace {

class SettingsDlgTest : public CutterFixture {
 protected:
  void SetUp() override {
    CutterFixture::SetUp();
    old_ = plat::SetReportSink(&sink);
  }
  void TearDown() override {
    plat::SetReportSink(old_);
    fw::ResetWindowSystem();
  }
  std::string PortIni() const { return dir / "Port.INI"; }
  // One run of the port dialog over the folder's "Port.INI".
  int RunPort(const std::function<void(fw::CDialog&)>& step) {
    fw::ScriptedModalDriver driver;
    driver.Then(step);
    CPortSettingDlg dlg;
    dlg.Port().SetSettingsPath(PortIni());
    return dlg.DoModal();
  }
  plat::SerialSettings Stored() {
    CPortFile p;
    p.SetSettingsPath(PortIni());
    p.LoadPortInfo();
    return p.GetSerialSettings();
  }
  plat::RecordingSink sink;

 private:
  plat::ReportSink* old_ = nullptr;
};

}  // namespace

// The typed lengths against their lower bounds: text that is no finite number
// counts as 0; exactly the bound and any larger value stay.
TEST_F(SettingsDlgTest, HalfCutLengthsAreRaisedToTheirBounds) {
  struct Case {
    const char* solid;
    const char* gap;
    float wantSolid;
    float wantGap;
  } cases[] = {
      {"", "", 0.1f, 0.05f},         {"abc", "x", 0.1f, 0.05f},     {"0.09", "0.04", 0.1f, 0.05f},
      {"0.1", "0.05", 0.1f, 0.05f},  {"500", "250", 500.0f, 250.0f}, {"inf", "nan", 0.1f, 0.05f},
      {"-3", "-1e40", 0.1f, 0.05f},  {"2.5mm", "0.3", 2.5f, 0.3f},
  };
  for (const Case& c : cases) {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      d.TypeText(cutid::IDC_SOLID_CUT, c.solid);
      d.TypeText(cutid::IDC_VOID_CUT, c.gap);
      d.ClickButton(fw::IDOK);
    });
    CHalfCutDlg dlg(nullptr, ini);
    EXPECT_EQ(dlg.DoModal(), fw::IDOK) << c.solid;
    EXPECT_FLOAT_EQ(ini.GetFloat("CutInfo", "SolidCut", -1), c.wantSolid) << c.solid;
    EXPECT_FLOAT_EQ(ini.GetFloat("CutInfo", "VoidCut", -1), c.wantGap) << c.gap;
  }
}

// The stored lengths are shown "%.2f"; Exit writes nothing; the run reads what
// OK stored.
TEST_F(SettingsDlgTest, HalfCutShowsTheStoredLengthsAndExitKeepsThem) {
  ini.WriteFloat("CutInfo", "SolidCut", 3.25f);
  ini.WriteFloat("CutInfo", "VoidCut", 0.5f);
  std::string solid, gap;
  fw::ScriptedModalDriver driver;
  driver.Then([&](fw::CDialog& d) {
    solid = d.GetDlgItemText(cutid::IDC_SOLID_CUT);
    gap = d.GetDlgItemText(cutid::IDC_VOID_CUT);
    d.TypeText(cutid::IDC_SOLID_CUT, "9");
    d.ClickButton(fw::IDCANCEL);
  });
  CHalfCutDlg dlg(nullptr, ini);
  EXPECT_EQ(dlg.DoModal(), fw::IDCANCEL);
  EXPECT_EQ(solid, "3.25");
  EXPECT_EQ(gap, "0.50");
  EXPECT_EQ(driver.Runs().at(0).caption, "HalfCutSetting...");

  driver.Then([](fw::CDialog& d) {
    d.TypeText(cutid::IDC_SOLID_CUT, "4");
    d.TypeText(cutid::IDC_VOID_CUT, "0.75");
    d.ClickButton(fw::IDOK);
  });
  CHalfCutDlg again(nullptr, ini);
  ASSERT_EQ(again.DoModal(), fw::IDOK);
  auto dev = Device("HPGL Cutter");
  CCutInfo info;
  CollectCutSettings(*dev, info, ini);
  EXPECT_FLOAT_EQ(info.solidCut, 4.0f);
  EXPECT_FLOAT_EQ(info.voidCut, 0.75f);
}

// What is shown for stored settings: an equal list entry is selected, any
// other number stands as typed text (14 is not "14400", 31250 is kept).
TEST_F(SettingsDlgTest, PortShowsStoredSettingsWithoutPrefixMatches) {
  struct Case {
    const char* ini;
    const char* speed;
    int speedSel;
    const char* bits;
  } cases[] = {
      {"TranSpeed=9600\nDataWidth=8\n", "9600", 8, "8"},
      {"TranSpeed=14\nDataWidth=7\n", "14", -1, "7"},
      {"TranSpeed=31250\nDataWidth=4\n", "31250", -1, "4"},
      {"TranSpeed=256000\nDataWidth=9\n", "256000", 0, "9"},
  };
  for (const Case& c : cases) {
    WriteBytes(PortIni(), std::string("[PortInfo]\n") + c.ini + "OECheck=2\nStopBits=1\nRTSCTS=0\nXONXOFF=1\n");
    std::string speed, bits;
    int speedSel = -2, parity = -1, stop = -1;
    unsigned rts = 9, xon = 9, dtr = 9;
    RunPort([&](fw::CDialog& d) {
      speed = d.GetDlgItemText(portid::IDC_BAUD);
      bits = d.GetDlgItemText(portid::IDC_DATA_BITS);
      speedSel = d.Item<fw::CComboBox>(portid::IDC_BAUD)->GetCurSel();
      parity = d.Item<fw::CComboBox>(portid::IDC_PARITY)->GetCurSel();
      stop = d.Item<fw::CComboBox>(portid::IDC_STOP_BITS)->GetCurSel();
      rts = d.IsDlgButtonChecked(portid::IDC_RTS_CTS);
      xon = d.IsDlgButtonChecked(portid::IDC_XON_XOFF);
      dtr = d.IsDlgButtonChecked(portid::IDC_DTR_DSR);
      d.ClickButton(fw::IDOK);
    });
    EXPECT_EQ(speed, c.speed);
    EXPECT_EQ(speedSel, c.speedSel) << c.speed;
    EXPECT_EQ(bits, c.bits);
    EXPECT_EQ(parity, 2);
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(rts, 0u);
    EXPECT_EQ(xon, 1u);
    EXPECT_EQ(dtr, 0u);
    // OK without a change stores the speed as it was (9 data bits are refused).
    EXPECT_EQ(Stored().speed, std::uint32_t(std::stoul(c.speed))) << c.speed;
  }
}

// A typed speed is stored as typed; a speed that is no positive whole number
// or data bits outside 4..8 are refused with a beep, the focus on the field
// and nothing written.
TEST_F(SettingsDlgTest, PortStoresTypedSpeedsAndRefusesBadOnes) {
  WriteBytes(PortIni(), "[PortInfo]\nTranSpeed=9600\nDataWidth=8\n");
  EXPECT_EQ(RunPort([](fw::CDialog& d) {
              d.TypeText(portid::IDC_BAUD, "31250");
              d.TypeText(portid::IDC_DATA_BITS, "4");
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(Stored().speed, 31250u);
  EXPECT_EQ(Stored().dataBits, 4u);

  struct Bad {
    const char* speed;
    const char* bits;
    fw::UINT field;
  } bad[] = {{"0", "8", portid::IDC_BAUD},       {"-9600", "8", portid::IDC_BAUD},
             {"96OO", "8", portid::IDC_BAUD},    {"", "8", portid::IDC_BAUD},
             {"4294967296", "8", portid::IDC_BAUD}, {"9600", "3", portid::IDC_DATA_BITS},
             {"9600", "9", portid::IDC_DATA_BITS},  {"9600", "x", portid::IDC_DATA_BITS}};
  for (const Bad& b : bad) {
    sink.clear();
    const std::string before = ReadBytes(PortIni());
    bool stillOpen = false;
    fw::UINT focus = 0;
    EXPECT_EQ(RunPort([&](fw::CDialog& d) {
                d.TypeText(portid::IDC_BAUD, b.speed);
                d.TypeText(portid::IDC_DATA_BITS, b.bits);
                d.ClickButton(fw::IDOK);
                stillOpen = !d.IsEnded();
                if (fw::CWnd* f = fw::CWnd::GetFocus()) focus = f->GetDlgCtrlID();
                d.ClickButton(fw::IDCANCEL);
              }),
              fw::IDCANCEL);
    EXPECT_TRUE(stillOpen) << b.speed << " " << b.bits;
    EXPECT_EQ(focus, b.field) << b.speed << " " << b.bits;
    EXPECT_EQ(sink.beeps.size(), 1u);
    EXPECT_EQ(ReadBytes(PortIni()), before);
  }
}

// Reset shows the defaults without storing them; OK then stores them.
TEST_F(SettingsDlgTest, PortResetShowsDefaultsUntilOk) {
  WriteBytes(PortIni(), "[PortInfo]\nTranSpeed=57600\nOECheck=1\nDataWidth=7\nStopBits=2\nRTSCTS=0\nDTRDSR=1\nXONXOFF=1\n");
  const std::string before = ReadBytes(PortIni());
  RunPort([](fw::CDialog& d) {
    d.ClickButton(portid::IDC_PORT_RESET);
    d.ClickButton(fw::IDCANCEL);
  });
  EXPECT_EQ(ReadBytes(PortIni()), before);
  RunPort([](fw::CDialog& d) {
    d.ClickButton(portid::IDC_PORT_RESET);
    d.ClickButton(fw::IDOK);
  });
  const plat::SerialSettings p = Stored();
  EXPECT_EQ(p.speed, 9600u);
  EXPECT_EQ(p.parity, 0u);
  EXPECT_EQ(p.dataBits, 8u);
  EXPECT_EQ(p.stopBits, 0u);
  EXPECT_EQ(p.rtsCts, 1u);
  EXPECT_EQ(p.dtrDsr, 0u);
  EXPECT_EQ(p.xonXoff, 0u);
}

// Choosing "256000" reaches the next job on a serial port: the line opens at
// 256000 bits per second.
TEST_F(SettingsDlgTest, PortSpeedChosenReachesTheNextJob) {
  Pty pty;
  ASSERT_FALSE(pty.slave.empty());
  PortDevices map("COM1=" + pty.slave);
  ASSERT_EQ(RunPort([](fw::CDialog& d) {
              d.SelectComboString(portid::IDC_BAUD, "256000");
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(Stored().speed, 256000u);
  auto dev = Device("HPGL Cutter");
  dev->port.SetPortName("COM1");
  CCutInfo info = Info(*dev);
  ASSERT_TRUE(dev->BeginJob(nullptr, info));
  int probe = ::open(pty.slave.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(probe, 0);
  termios2 t{};
  ASSERT_EQ(ioctl(probe, TCGETS2, &t), 0);
  ::close(probe);
  EXPECT_EQ(t.c_ospeed, 256000u);
  dev->EndJob(info, 0);
  dev->ClosePort();
}

// Data bits and parity as the line asks for them (a pty itself always keeps
// 8 bits without parity, so the mapping is checked before it is applied).
TEST_F(SettingsDlgTest, PortSettingsMapOntoTheLine) {
  struct Case {
    std::uint16_t bits, parity, stop;
    bool ok;
    tcflag_t size, par;
    bool twoStops;
  } cases[] = {
      {8, 0, 0, true, CS8, 0, false},
      {7, 2, 2, true, CS7, PARENB, true},
      {5, 1, 1, true, CS5, PARENB | PARODD, true},
      {6, 3, 0, true, CS6, PARENB | PARODD | CMSPAR, false},
      {8, 4, 0, true, CS8, PARENB | CMSPAR, false},
      {4, 0, 0, false, 0, 0, false},  // the port cannot take it: the line stays
  };
  for (const Case& c : cases) {
    CPortFile p;
    p.DataWidth = c.bits;
    p.OECheck = c.parity;
    p.StopBits = c.stop;
    termios2 in{}, out{};
    in.c_cflag = CS8 | CSTOPB;
    ASSERT_EQ(plat::MakeTermios2(p.GetSerialSettings(), in, out), c.ok) << c.bits;
    if (!c.ok) continue;
    EXPECT_EQ(out.c_cflag & CSIZE, c.size) << c.bits;
    EXPECT_EQ(out.c_cflag & (PARENB | PARODD | CMSPAR), c.par) << c.parity;
    EXPECT_EQ((out.c_cflag & CSTOPB) != 0, c.twoStops) << c.stop;
  }
}
