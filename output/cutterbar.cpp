#include "output/cutterbar.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include "framework/controls.h"
#include "framework/resources.h"
#include "output/cutinfo.h"
#include "output/cutrun.h"
#include "output/cutter.h"
#include "platform/port.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

void RegisterBar() {
  // Again after the tables were cleared.
  if (fw::res::FindDialog(cutid::IDD_CUTTER_BAR)) return;
  {
    using namespace cutid;
    constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
    constexpr fw::DWORD kList = kChild | fw::WS_TABSTOP | fw::WS_VSCROLL | fw::CBS_DROPDOWNLIST;
    constexpr fw::DWORD kCheck = kChild | fw::WS_TABSTOP | fw::BS_AUTOCHECKBOX;
    constexpr fw::DWORD kEdit = kChild | fw::WS_TABSTOP | fw::WS_BORDER;
    constexpr fw::DWORD kPush = kChild | fw::WS_TABSTOP | fw::BS_PUSHBUTTON;
    fw::res::SetDialog(
        IDD_CUTTER_BAR,
        DialogTemplate{"",
                       fw::WS_CHILD,
                       {0, 0, 910, 30},
                       {
                           DlgItemDef(0xFFFF, CtrlKind::Static, "DEV:", kChild, {4, 8, 34, 22}),
                           DlgItemDef(IDC_MODEL, CtrlKind::ComboBox, "", kList, {36, 4, 176, 200}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Port:", kChild, {182, 8, 212, 22}),
                           DlgItemDef(IDC_PORT, CtrlKind::ComboBox, "", kList, {214, 4, 274, 160}),
                           DlgItemDef(IDC_SET_SPEED, CtrlKind::Button, "Speed", kCheck, {280, 6, 344, 24}),
                           DlgItemDef(IDC_SPEED, CtrlKind::ComboBox, "", kList, {346, 4, 396, 200}),
                           DlgItemDef(IDC_SET_FORCE, CtrlKind::Button, "Pressure", kCheck, {402, 6, 472, 24}),
                           DlgItemDef(IDC_FORCE, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {474, 5, 510, 25}),
                           DlgItemDef(IDC_FORCE_SPIN, CtrlKind::Spin, "",
                                      kChild | fw::UDS_SETBUDDYINT | fw::UDS_AUTOBUDDY, {510, 5, 524, 25}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Width:", kChild, {530, 8, 570, 22}),
                           DlgItemDef(IDC_PAPER_WIDTH, CtrlKind::Edit, "", kEdit, {572, 5, 622, 25}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Height:", kChild, {626, 8, 670, 22}),
                           DlgItemDef(IDC_PAPER_HEIGHT, CtrlKind::Edit, "", kEdit, {672, 5, 722, 25}),
                           DlgItemDef(IDC_TEST, CtrlKind::Button, "Test", kPush, {728, 4, 772, 26}),
                           DlgItemDef(IDC_RESET, CtrlKind::Button, "Reset", kPush, {774, 4, 818, 26}),
                           DlgItemDef(IDC_OUTPUT, CtrlKind::Button, "Output", kPush, {820, 4, 864, 26}),
                           DlgItemDef(IDC_EXIT, CtrlKind::Button, "Exit", kPush, {866, 4, 908, 26}),
                       }});
  }
}

long Number(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

std::vector<std::string> ListCutterPorts(const std::string& portIni) {
  std::vector<std::string> out;
  char name[8];
  for (int n = 1; n <= 4; ++n) {
    const std::string dev = plat::MapPortDevice(n, portIni);
    const int fd = dev.empty() ? -1 : ::open(dev.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      if (::isatty(fd)) {
        std::snprintf(name, sizeof name, "COM%d", n);
        out.push_back(name);
      }
      ::close(fd);
    }
  }
  for (int n = 1; n <= 4; ++n) {
    const std::string dev = plat::MapPortDevice(n + 15, portIni);
    const int fd = dev.empty() ? -1 : ::open(dev.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const bool offer = fd >= 0 || errno == EACCES;
    if (fd >= 0) ::close(fd);
    if (offer) {
      std::snprintf(name, sizeof name, "LPT%d", n);
      out.push_back(name);
    }
  }
  out.push_back("File");
  return out;
}

FW_BEGIN_COMMAND_MAP(CCutterBar, fw::CDialogBar)
FW_ON_CBN_SELCHANGE(cutid::IDC_MODEL, OnModelChange)
FW_ON_CBN_SELCHANGE(cutid::IDC_PORT, OnPortChange)
FW_ON_CBN_SELCHANGE(cutid::IDC_SPEED, OnSpeedChange)
FW_ON_EN_CHANGE(cutid::IDC_FORCE, OnForceChange)
FW_ON_BN_CLICKED(cutid::IDC_SET_SPEED, OnSetSpeed)
FW_ON_BN_CLICKED(cutid::IDC_SET_FORCE, OnSetForce)
FW_ON_EN_KILLFOCUS(cutid::IDC_PAPER_WIDTH, OnWidthKillFocus)
FW_ON_EN_KILLFOCUS(cutid::IDC_PAPER_HEIGHT, OnHeightKillFocus)
FW_ON_BN_CLICKED(cutid::IDC_TEST, OnTest)
FW_ON_BN_CLICKED(cutid::IDC_RESET, OnReset)
FW_ON_BN_CLICKED(cutid::IDC_OUTPUT, OnOutput)
FW_ON_BN_CLICKED(cutid::IDC_EXIT, OnExit)
FW_END_COMMAND_MAP()

CCutterBar::CCutterBar(CCutterDriver& device, CCutInfo& info, const CIniFile& ini)
    : device_(device), info_(info), ini_(ini) {}

fw::BOOL CCutterBar::Create(fw::CWnd* parent) {
  using namespace cutid;
  RegisterBar();
  if (!fw::CDialogBar::Create(parent, IDD_CUTTER_BAR, fw::WS_CHILD | fw::CBRS_TOP | fw::WS_THICKFRAME,
                              IDD_CUTTER_BAR))
    return fw::FALSE;
  // The models, in file order; the one of "Device", else the first.
  auto* model = dynamic_cast<fw::CComboBox*>(GetDlgItem(IDC_MODEL));
  auto* port = dynamic_cast<fw::CComboBox*>(GetDlgItem(IDC_PORT));
  if (!model || !port) return fw::FALSE;
  std::string current;
  ini_.GetString("CutInfo", "Device", current, "");
  for (const std::string& m : device_.GetModelList()) model->AddString(m);
  int sel = current.empty() ? -1 : model->FindStringExact(-1, current);
  model->SetCurSel(sel >= 0 ? sel : 0);
  // The ports; the one of "PORT", else the first.
  for (const std::string& p : ListCutterPorts(device_.port.GetSettingsPath())) port->AddString(p);
  sel = info_.port.empty() ? -1 : port->FindStringExact(-1, info_.port);
  port->SetCurSel(sel >= 0 ? sel : 0);
  info_.port = port->GetLBText(port->GetCurSel()).substr(0, CCutInfo::kMaxPort);
  SetItemText(IDC_PAPER_WIDTH, std::to_string(PlotterUnits(info_.Width())));
  SetItemText(IDC_PAPER_HEIGHT, std::to_string(PlotterUnits(info_.Height())));
  OnModelChange();
  return fw::TRUE;
}

std::string CCutterBar::ItemText(fw::UINT id) const {
  fw::CWnd* w = GetDlgItem(id);
  return w ? w->GetWindowText() : std::string();
}

void CCutterBar::SetItemText(fw::UINT id, const std::string& text) {
  if (fw::CWnd* w = GetDlgItem(id)) w->SetWindowText(text);
}

void CCutterBar::OnModelChange() {
  auto* model = dynamic_cast<fw::CComboBox*>(GetDlgItem(cutid::IDC_MODEL));
  if (!model || model->GetCurSel() < 0) return;
  std::string name = model->GetLBText(model->GetCurSel());
  if (name.size() > CCutterDriver::kMaxModelName) name.resize(CCutterDriver::kMaxModelName);
  device_.Load(name.c_str());
  ini_.WriteString("CutInfo", "Device", name);
  Refresh();
}

void CCutterBar::Refresh() {
  using namespace cutid;
  auto* speed = dynamic_cast<fw::CComboBox*>(GetDlgItem(IDC_SPEED));
  auto* setSpeed = dynamic_cast<fw::CButton*>(GetDlgItem(IDC_SET_SPEED));
  auto* setForce = dynamic_cast<fw::CButton*>(GetDlgItem(IDC_SET_FORCE));
  auto* spin = dynamic_cast<fw::CSpinButtonCtrl*>(GetDlgItem(IDC_FORCE_SPIN));
  fw::CWnd* force = GetDlgItem(IDC_FORCE);
  if (!speed || !setSpeed || !setForce || !spin || !force) return;

  speed->ResetContent();
  if (!device_.commands[CCutterDriver::SpeedCmd].empty()) {
    const int high = device_.maxSpeed;
    const int step = std::max(high / 10, 1);
    for (int v = high; v >= 0; v -= step) speed->AddString(std::to_string(v));
    const int sel = speed->FindStringExact(-1, std::to_string(device_.defaultSpeed));
    speed->SetCurSel(sel >= 0 ? sel : 0);
    setSpeed->EnableWindow(fw::TRUE);
    setSpeed->SetCheck(device_.setSpeed ? 1 : 0);
    speed->EnableWindow(device_.setSpeed ? fw::TRUE : fw::FALSE);
  } else {
    setSpeed->EnableWindow(fw::FALSE);
    speed->EnableWindow(fw::FALSE);
  }

  if (!device_.commands[CCutterDriver::ForceCmd].empty()) {
    setForce->EnableWindow(fw::TRUE);
    SetItemText(IDC_FORCE, std::to_string(device_.defaultForce));
    spin->SetRange32(0, device_.maxForce);
    // A held arrow soon steps by 5 over a range of 10 or more.
    const fw::UDACCEL accel[2] = {{0, 1}, {2, device_.maxForce >= 10 ? 5u : 1u}};
    spin->SetAccel(2, accel);
    setForce->SetCheck(device_.setForce ? 1 : 0);
    force->EnableWindow(device_.setForce ? fw::TRUE : fw::FALSE);
  } else {
    setForce->EnableWindow(fw::FALSE);
    force->EnableWindow(fw::FALSE);
  }

  const bool device = GetPortCode(info_.port.c_str()) > 0;
  if (fw::CWnd* w = GetDlgItem(IDC_TEST)) w->EnableWindow(device ? fw::TRUE : fw::FALSE);
  if (fw::CWnd* w = GetDlgItem(IDC_RESET)) w->EnableWindow(device ? fw::TRUE : fw::FALSE);
  if (pages_) pages_->RefreshPages(device);
}

void CCutterBar::OnPortChange() {
  auto* port = dynamic_cast<fw::CComboBox*>(GetDlgItem(cutid::IDC_PORT));
  if (!port || port->GetCurSel() < 0) return;
  info_.port = port->GetLBText(port->GetCurSel()).substr(0, CCutInfo::kMaxPort);
  Refresh();
}

void CCutterBar::OnSpeedChange() {
  auto* speed = dynamic_cast<fw::CComboBox*>(GetDlgItem(cutid::IDC_SPEED));
  if (!speed || speed->GetCurSel() < 0) return;
  const long v = std::clamp(Number(speed->GetLBText(speed->GetCurSel())), 0L, 65535L);
  device_.defaultSpeed = std::uint16_t(v);
  info_.penSpeed = std::uint16_t(v);
}

void CCutterBar::OnForceChange() {
  const long v = std::clamp(Number(ItemText(cutid::IDC_FORCE)), 0L, 65535L);
  device_.defaultForce = std::uint16_t(v);
  info_.penForce = std::uint16_t(v);
}

void CCutterBar::OnSetSpeed() {
  auto* box = dynamic_cast<fw::CButton*>(GetDlgItem(cutid::IDC_SET_SPEED));
  if (!box) return;
  device_.setSpeed = box->GetCheck() ? 1 : 0;
  info_.setSpeed = device_.setSpeed;
  if (fw::CWnd* w = GetDlgItem(cutid::IDC_SPEED)) w->EnableWindow(device_.setSpeed ? fw::TRUE : fw::FALSE);
}

void CCutterBar::OnSetForce() {
  auto* box = dynamic_cast<fw::CButton*>(GetDlgItem(cutid::IDC_SET_FORCE));
  if (!box) return;
  device_.setForce = box->GetCheck() ? 1 : 0;
  info_.setForce = device_.setForce;
  if (fw::CWnd* w = GetDlgItem(cutid::IDC_FORCE)) w->EnableWindow(device_.setForce ? fw::TRUE : fw::FALSE);
}

void CCutterBar::PaperEdge(fw::UINT id, bool width) {
  const long v = Number(ItemText(id));
  if (v < 1) return;
  if (width) info_.right = info_.left + float(v);
  else info_.bottom = info_.top + float(v);
  if (fw::CWnd* w = CutWindow()) w->SendMessage(fw::WM_COMMAND, cutid::ID_CUT_REDRAW, 0);
}

void CCutterBar::OnWidthKillFocus() { PaperEdge(cutid::IDC_PAPER_WIDTH, true); }
void CCutterBar::OnHeightKillFocus() { PaperEdge(cutid::IDC_PAPER_HEIGHT, false); }

void CCutterBar::CollectSettings() {
  if (pages_) pages_->CollectPages();
  CollectCutSettings(device_, info_, ini_);
}

void CCutterBar::OnTest() {
  CollectSettings();
  RunCutterTest(device_, info_, CutWindow());
}

void CCutterBar::OnReset() {
  CollectSettings();
  RunCutterReset(device_, info_, CutWindow());
}

void CCutterBar::OnOutput() {
  CollectSettings();
  info_.Save(ini_);
  device_.Save();
  if (!objects_) return;
  lastRun_ = int(RunCut(*objects_, device_, info_, title_, CutWindow()));
  if (fw::CWnd* exit = GetDlgItem(cutid::IDC_EXIT)) exit->SetFocus();
}

void CCutterBar::OnExit() {
  if (fw::CWnd* w = CutWindow(); w && !w->IsWindowEnabled()) return;  // a job runs
  CollectSettings();
  info_.Save(ini_);
  device_.Save();
  if (fw::CWnd* w = CutWindow()) w->PostMessage(fw::WM_CLOSE);
}
