#include "output/portsettingdlg.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "framework/resources.h"
#include "platform/report.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

constexpr const char* kSpeeds[] = {"256000", "128000", "115200", "57600", "56000", "38400", "19200",
                                   "14400",  "9600",   "4800",   "2400",  "1200",  "600"};
constexpr const char* kParities[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kDataBits[] = {"8", "7", "6", "5", "4"};
constexpr const char* kStopBits[] = {"1", "1.5", "2"};
constexpr std::size_t kMaxText = 19;

void Register() {
  using namespace portid;
  if (fw::res::FindDialog(IDD_PORT_SETTING)) return;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kCombo = kTab | fw::WS_VSCROLL | fw::CBS_DROPDOWN;
  constexpr fw::DWORD kList = kTab | fw::WS_VSCROLL | fw::CBS_DROPDOWNLIST;
  constexpr fw::DWORD kCheck = kTab | fw::BS_AUTOCHECKBOX;
  fw::res::SetDialog(
      IDD_PORT_SETTING,
      DialogTemplate{"PortSetting",
                     fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                     {0, 0, 250, 210},
                     {
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Baud", kChild, {10, 12, 70, 28}),
                         DlgItemDef(IDC_BAUD, CtrlKind::ComboBox, "", kCombo, {74, 8, 160, 200}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Parity", kChild, {10, 40, 70, 56}),
                         DlgItemDef(IDC_PARITY, CtrlKind::ComboBox, "", kList, {74, 36, 160, 160}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "DataBits", kChild, {10, 68, 70, 84}),
                         DlgItemDef(IDC_DATA_BITS, CtrlKind::ComboBox, "", kCombo, {74, 64, 160, 160}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Stopbits", kChild, {10, 96, 70, 112}),
                         DlgItemDef(IDC_STOP_BITS, CtrlKind::ComboBox, "", kList, {74, 92, 160, 160}),
                         DlgItemDef(IDC_RTS_CTS, CtrlKind::Button, "RTS/CTS", kCheck, {10, 124, 90, 142}),
                         DlgItemDef(IDC_XON_XOFF, CtrlKind::Button, "XON/XOFF", kCheck, {90, 124, 170, 142}),
                         DlgItemDef(IDC_DTR_DSR, CtrlKind::Button, "DTR/DSR", kCheck, {170, 124, 245, 142}),
                         DlgItemDef(fw::IDOK, CtrlKind::Button, "OK", kTab | fw::BS_DEFPUSHBUTTON,
                                    {170, 8, 240, 32}),
                         DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kTab, {170, 40, 240, 64}),
                         DlgItemDef(IDC_PORT_RESET, CtrlKind::Button, "Reset", kTab, {170, 72, 240, 96}),
                     }});
}

// A whole number of digits only; false for anything else or one too large.
bool ParseWhole(const std::string& text, unsigned long max, unsigned long& out) {
  if (text.empty() || text.size() > kMaxText) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  const unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v > max) return false;
  out = v;
  return true;
}

// An equal entry is selected; anything else stands as the box's text.
void ShowNumber(fw::CComboBox* box, unsigned long value) {
  if (!box) return;
  const std::string text = std::to_string(value);
  const int i = box->FindStringExact(-1, text);
  if (i >= 0) {
    box->SetCurSel(i);
  } else {
    box->SetCurSel(-1);
    box->SetWindowText(text);
  }
}

}  // namespace

FW_BEGIN_COMMAND_MAP(CPortSettingDlg, fw::CDialog)
FW_ON_BN_CLICKED(portid::IDC_PORT_RESET, OnReset)
FW_END_COMMAND_MAP()

CPortSettingDlg::CPortSettingDlg(fw::CWnd* parent) : fw::CDialog(portid::IDD_PORT_SETTING, parent) { Register(); }

fw::BOOL CPortSettingDlg::OnInitDialog() {
  using namespace portid;
  fw::CDialog::OnInitDialog();
  auto fill = [this](fw::UINT id, auto& items) {
    if (auto* box = Item<fw::CComboBox>(id)) {
      box->ResetContent();
      for (const char* s : items) box->AddString(s);
      box->LimitText(int(kMaxText));
    }
  };
  fill(IDC_BAUD, kSpeeds);
  fill(IDC_PARITY, kParities);
  fill(IDC_DATA_BITS, kDataBits);
  fill(IDC_STOP_BITS, kStopBits);
  m_port.LoadPortInfo();
  Show(m_port.TranSpeed, m_port.OECheck, m_port.DataWidth, m_port.StopBits, m_port.RTSCTS & 1,
       m_port.XONXOFF & 1, m_port.DTRDSR & 1);
  return fw::TRUE;
}

void CPortSettingDlg::Show(std::uint32_t speed, int parity, int dataBits, int stopBits, bool rtsCts,
                           bool xonXoff, bool dtrDsr) {
  using namespace portid;
  ShowNumber(Item<fw::CComboBox>(IDC_BAUD), speed);
  ShowNumber(Item<fw::CComboBox>(IDC_DATA_BITS), unsigned(dataBits));
  if (auto* box = Item<fw::CComboBox>(IDC_PARITY)) box->SetCurSel(parity);
  if (auto* box = Item<fw::CComboBox>(IDC_STOP_BITS)) box->SetCurSel(stopBits);
  CheckDlgButton(IDC_RTS_CTS, rtsCts ? 1 : 0);
  CheckDlgButton(IDC_XON_XOFF, xonXoff ? 1 : 0);
  CheckDlgButton(IDC_DTR_DSR, dtrDsr ? 1 : 0);
}

void CPortSettingDlg::OnReset() { Show(9600, 0, 8, 0, true, false, false); }

void CPortSettingDlg::OnOK() {
  using namespace portid;
  auto refuse = [this](fw::UINT id) {
    plat::MessageBeep();
    GotoDlgCtrl(GetDlgItem(id));
  };
  unsigned long speed = 0, bits = 0;
  if (!ParseWhole(GetDlgItemText(IDC_BAUD), 0xFFFFFFFFul, speed) || speed == 0) return refuse(IDC_BAUD);
  if (!ParseWhole(GetDlgItemText(IDC_DATA_BITS), 8, bits) || bits < 4) return refuse(IDC_DATA_BITS);
  // Nothing selected (a stored index outside the list) keeps the stored value.
  auto index = [this](fw::UINT id, std::uint16_t& field) {
    auto* box = Item<fw::CComboBox>(id);
    if (box && box->GetCurSel() >= 0) field = std::uint16_t(box->GetCurSel());
  };
  m_port.LoadPortInfo();  // keeps "FilePath" as it is now
  m_port.TranSpeed = std::uint32_t(speed);
  m_port.DataWidth = std::uint16_t(bits);
  index(IDC_PARITY, m_port.OECheck);
  index(IDC_STOP_BITS, m_port.StopBits);
  m_port.RTSCTS = IsDlgButtonChecked(IDC_RTS_CTS) ? 1 : 0;
  m_port.XONXOFF = IsDlgButtonChecked(IDC_XON_XOFF) ? 1 : 0;
  m_port.DTRDSR = IsDlgButtonChecked(IDC_DTR_DSR) ? 1 : 0;
  m_port.SavePortInfo();
  fw::CDialog::OnOK();
}
