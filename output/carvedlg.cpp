#include "output/carvedlg.h"

#include <cmath>
#include <cstdlib>

#include "framework/controls.h"
#include "framework/resources.h"
#include "model/segarray.h"
#include "model/services.h"
#include "output/carveorigindlg.h"
#include "output/cutinfo.h"
#include "output/cutterbar.h"
#include "output/portsettingdlg.h"
#include "platform/report.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

constexpr const char* kSection = "CarveInfo";
constexpr std::size_t kMaxText = 79;
constexpr const char* kFillSteps[] = {"1", "0.5", "0.25", "0.20", "0.15", "0.10", "0.05", "0.02", "0.01"};
constexpr const char* kAreaKinds[] = {"Page", "方       形", "圆       形", "菱       形", "正三角形", "倒三角形"};

struct CheckKey {
  fw::UINT id;
  const char* key;
  int def;
};
constexpr CheckKey kChecks[] = {
    {carveid::IDC_MIRROR, "Mirror", 1},          {carveid::IDC_ROTATE, "Rotate", 0},
    {carveid::IDC_REMOTE_OUT, "RemoteOut", 0},   {carveid::IDC_FILL_MODE, "FILLMODE", 0},
    {carveid::IDC_DOUBLE_WAY, "DoubleWay", 1},   {carveid::IDC_DRAW_CONTOUR, "DrawContour", 0},
    {carveid::IDC_INVERSE_OUT, "InverseOut", 0},
};

void Register() {
  using namespace carveid;
  if (fw::res::FindDialog(IDD_CARVE_OUT)) return;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kList = kTab | fw::WS_VSCROLL | fw::CBS_DROPDOWNLIST;
  constexpr fw::DWORD kCombo = kTab | fw::WS_VSCROLL | fw::CBS_DROPDOWN;
  constexpr fw::DWORD kCheck = kTab | fw::BS_AUTOCHECKBOX;
  constexpr fw::DWORD kEdit = kTab | fw::WS_BORDER;
  constexpr fw::DWORD kPush = kTab | fw::BS_PUSHBUTTON;
  fw::res::SetDialog(
      IDD_CARVE_OUT,
      DialogTemplate{"Cave Out",
                     fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                     {0, 0, 420, 290},
                     {
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Device:", kChild, {10, 12, 70, 28}),
                         DlgItemDef(IDC_DEVICE, CtrlKind::ComboBox, "", kList, {74, 8, 230, 200}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Port:", kChild, {10, 42, 70, 58}),
                         DlgItemDef(IDC_PORT, CtrlKind::ComboBox, "", kList, {74, 38, 160, 200}),
                         DlgItemDef(IDC_PORT_SETTING, CtrlKind::Button, "PortSetting", kPush, {166, 36, 260, 60}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Width:", kChild, {10, 72, 70, 88}),
                         DlgItemDef(IDC_PAGE_WIDTH, CtrlKind::Static, "", kChild, {74, 72, 130, 88}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Height:", kChild, {136, 72, 190, 88}),
                         DlgItemDef(IDC_PAGE_HEIGHT, CtrlKind::Static, "", kChild, {194, 72, 250, 88}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Area:", kChild, {10, 102, 70, 118}),
                         DlgItemDef(IDC_AREA_KIND, CtrlKind::ComboBox, "", kList | fw::WS_DISABLED,
                                    {74, 98, 190, 220}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "FillStep(mm):", kChild, {10, 132, 100, 148}),
                         DlgItemDef(IDC_FILL_STEP, CtrlKind::ComboBox, "", kCombo, {104, 128, 180, 260}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Curve:", kChild, {190, 132, 240, 148}),
                         DlgItemDef(IDC_CURVE_ACCURATE, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER,
                                    {244, 128, 280, 150}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Expand(mm):", kChild, {10, 162, 100, 178}),
                         DlgItemDef(IDC_AREA_EXPAND, CtrlKind::Edit, "", kEdit, {104, 158, 180, 180}),
                         DlgItemDef(IDC_DOUBLE_WAY, CtrlKind::Button, "DoubleWay", kCheck, {10, 192, 110, 210}),
                         DlgItemDef(IDC_INVERSE_OUT, CtrlKind::Button, "InverseOut", kCheck, {114, 192, 214, 210}),
                         DlgItemDef(IDC_DRAW_CONTOUR, CtrlKind::Button, "DrawContour", kCheck, {218, 192, 318, 210}),
                         DlgItemDef(IDC_MIRROR, CtrlKind::Button, "Mirror", kCheck, {10, 214, 110, 232}),
                         DlgItemDef(IDC_ROTATE, CtrlKind::Button, "Rotate", kCheck, {114, 214, 214, 232}),
                         DlgItemDef(IDC_REMOTE_OUT, CtrlKind::Button, "RemoteOut", kCheck, {218, 214, 318, 232}),
                         DlgItemDef(IDC_FILL_MODE, CtrlKind::Button, "FillMode", kCheck, {322, 214, 412, 232}),
                         DlgItemDef(IDC_PROGRESS, CtrlKind::Progress, "", fw::WS_CHILD, {10, 244, 300, 260}),
                         DlgItemDef(IDC_ORIGIN, CtrlKind::Button, "Origin...", kPush, {320, 98, 410, 122}),
                         DlgItemDef(fw::IDOK, CtrlKind::Button, "Output", kTab | fw::BS_DEFPUSHBUTTON,
                                    {320, 8, 410, 32}),
                         DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kPush, {320, 38, 410, 62}),
                     }});
}

// atof of the text: its leading number, 0 for none.
double Number(const std::string& text) { return std::atof(text.substr(0, kMaxText).c_str()); }

bool ValidStep(double v) { return v > 0.0 && v <= 10.0; }

// The entry that begins with the stored text (any letter case), else the first.
void SelectStored(fw::CComboBox* box, const std::string& stored) {
  if (!box) return;
  const int i = stored.empty() ? -1 : box->FindString(-1, stored);
  box->SetCurSel(i >= 0 ? i : 0);
}

}  // namespace

FW_BEGIN_COMMAND_MAP(C2DCarveDlg, fw::CDialog)
FW_ON_BN_CLICKED(carveid::IDC_PORT_SETTING, OnPortSetting)
FW_ON_BN_CLICKED(carveid::IDC_ORIGIN, OnOrigin)
FW_END_COMMAND_MAP()

C2DCarveDlg::C2DCarveDlg(CDocumentServices& doc, const std::string& title, fw::CWnd* parent,
                         const std::string& iniPath, const std::string& portIni)
    : fw::CDialog(carveid::IDD_CARVE_OUT, parent), m_doc(doc), m_title(title), m_ini(iniPath),
      m_device(nullptr, iniPath) {
  Register();
  if (!portIni.empty()) m_port.SetSettingsPath(portIni);
}

fw::BOOL C2DCarveDlg::OnInitDialog() {
  using namespace carveid;
  fw::CDialog::OnInitDialog();
  m_idle = 1;
  if (fw::CWnd* bar = GetDlgItem(IDC_PROGRESS)) bar->ShowWindow(fw::SW_HIDE);
  std::string stored;
  if (auto* box = Item<fw::CComboBox>(IDC_DEVICE)) {
    box->ResetContent();
    for (const std::string& m : m_device.GetModelList()) box->AddString(m);
    m_ini.GetString(kSection, "Device", stored, "");
    SelectStored(box, stored);
  }
  if (auto* box = Item<fw::CComboBox>(IDC_PORT)) {
    box->ResetContent();
    for (const std::string& p : ListCutterPorts(m_port.GetSettingsPath())) box->AddString(p);
    m_ini.GetString(kSection, "PORT", stored, "");
    SelectStored(box, stored);
    m_port.SetPortName(GetDlgItemText(IDC_PORT).c_str());
  }
  SetDlgItemText(IDC_PAGE_HEIGHT, std::to_string(TruncToLong(m_doc.GetPageHeight())));
  SetDlgItemText(IDC_PAGE_WIDTH, std::to_string(TruncToLong(m_doc.GetPageWidth())));

  CSegArray none;
  const CSegArray* objects = m_doc.GetObjectList() ? m_doc.GetObjectList() : &none;
  m_areaKind = FindCarveArea(*objects, m_doc.GetPageWidth(), m_doc.GetPageHeight(), m_area);
  if (auto* box = Item<fw::CComboBox>(IDC_AREA_KIND)) {
    box->ResetContent();
    for (const char* k : kAreaKinds) box->AddString(k);
    box->SetCurSel(m_areaKind);
  }

  for (const CheckKey& c : kChecks) CheckDlgButton(c.id, m_ini.GetInt(kSection, c.key, c.def) ? 1 : 0);
  if (auto* box = Item<fw::CComboBox>(IDC_FILL_STEP)) {
    box->ResetContent();
    for (const char* s : kFillSteps) box->AddString(s);
    m_ini.GetString(kSection, "FillStep", stored, "");
    box->SetWindowText(stored);
  }
  SetDlgItemInt(IDC_CURVE_ACCURATE, fw::UINT(m_ini.GetInt(kSection, "CurveAccurate", 4)), fw::TRUE);
  m_ini.GetString(kSection, "AreaExpand", stored, "");
  SetDlgItemText(IDC_AREA_EXPAND, stored);
  const double expand = Number(stored);
  m_areaExpand = std::isfinite(expand) ? float(expand) : 0.0f;
  return fw::TRUE;
}

bool C2DCarveDlg::Validate() {
  using namespace carveid;
  auto check = [this](fw::UINT id) { return IsDlgButtonChecked(id) ? 1 : 0; };
  m_mirror = check(IDC_MIRROR);
  m_rotate = check(IDC_ROTATE);
  m_remoteOut = check(IDC_REMOTE_OUT);
  m_fillMode = check(IDC_FILL_MODE);
  m_doubleWay = check(IDC_DOUBLE_WAY);
  m_drawContour = check(IDC_DRAW_CONTOUR);
  m_inverseOut = check(IDC_INVERSE_OUT);
  auto fail = [] {
    plat::MessageBox("非法的输出参数", "错误", plat::MB_OK);
    return false;
  };
  const double step = Number(GetDlgItemText(IDC_FILL_STEP));
  if (!ValidStep(step)) return fail();
  m_fillStep = float(step);
  fw::BOOL ok = fw::FALSE;
  const int accuracy = int(GetDlgItemInt(IDC_CURVE_ACCURATE, &ok, fw::TRUE));
  if (!ok || accuracy < 1 || accuracy > 9) return fail();
  m_curveAccuracy = float(accuracy);
  m_device.accuracy = m_curveAccuracy;
  // A margin that is negative or no finite number is refused.
  const std::string expandText = GetDlgItemText(IDC_AREA_EXPAND);
  const double expand = Number(expandText);
  if (!(expand >= 0.0) || !std::isfinite(expand)) {
    m_areaExpand = 0.0f;
    SetDlgItemText(IDC_AREA_EXPAND, "0");
    return fail();
  }
  m_areaExpand = float(expand);
  m_ini.WriteString(kSection, "AreaExpand", expandText.substr(0, kMaxText));
  return true;
}

void C2DCarveDlg::SaveSettings() {
  using namespace carveid;
  m_ini.WriteString(kSection, "Device", GetDlgItemText(IDC_DEVICE).substr(0, kMaxText));
  const std::string port = GetDlgItemText(IDC_PORT).substr(0, kMaxText);
  m_ini.WriteString(kSection, "PORT", port);
  m_port.SetPortName(port.c_str());
  for (const CheckKey& c : kChecks) m_ini.WriteInt(kSection, c.key, IsDlgButtonChecked(c.id) ? 1 : 0);
  const std::string step = GetDlgItemText(IDC_FILL_STEP).substr(0, kMaxText);
  m_ini.WriteString(kSection, "FillStep", ValidStep(Number(step)) ? step : std::string("0.10"));
  fw::BOOL ok = fw::FALSE;
  const int accuracy = int(GetDlgItemInt(IDC_CURVE_ACCURATE, &ok, fw::TRUE));
  m_ini.WriteInt(kSection, "CurveAccurate", ok && accuracy >= 1 && accuracy <= 3 ? accuracy : 4);
  m_ini.WriteString(kSection, "AreaExpand", GetDlgItemText(carveid::IDC_AREA_EXPAND).substr(0, kMaxText));
}

CarveParams C2DCarveDlg::Params() const {
  CarveParams p;
  p.fillStep = m_fillStep;
  p.areaExpand = m_areaExpand;
  p.curveAccuracy = m_curveAccuracy;
  p.area = m_area;
  p.areaKind = m_areaKind;
  p.doubleWay = m_doubleWay != 0;
  p.inverseOut = m_inverseOut != 0;
  p.drawContour = m_drawContour != 0;
  p.rotate = m_rotate != 0;
  p.mirror = m_mirror != 0;
  p.textLine = g_CutInfo.textLine != 0;
  return p;
}

void C2DCarveDlg::Output() {
  CSegArray none;
  const CSegArray* objects = m_doc.GetObjectList() ? m_doc.GetObjectList() : &none;
  m_lastResult = RunCarve(*objects, m_doc.GetPageWidth(), m_doc.GetPageHeight(), m_title, Params(), m_device, m_port,
                          this, &m_idle, Item<fw::CProgressCtrl>(carveid::IDC_PROGRESS), &m_trace);
}

void C2DCarveDlg::OnOK() {
  fw::CWnd* exitButton = GetDlgItem(fw::IDCANCEL);
  if (m_running) {
    // The run stops at its next test of the flag.
    m_idle = 1;
    SetDlgItemText(fw::IDOK, "确认");
    if (exitButton) exitButton->EnableWindow(fw::TRUE);
    return;
  }
  if (!Validate()) return;
  const std::string model = GetDlgItemText(carveid::IDC_DEVICE).substr(0, kMaxText);
  m_ini.WriteString(kSection, "Device", model);
  m_device.Load(model.c_str());
  if (exitButton) exitButton->EnableWindow(fw::FALSE);
  SetDlgItemText(fw::IDOK, "终止");
  UpdateWindow();
  SaveSettings();
  m_running = true;
  m_idle = 0;
  Output();
  m_running = false;
  EndDialog(fw::IDOK);
  if (fw::CWnd* button = GetDlgItem(fw::IDCANCEL)) button->EnableWindow(fw::TRUE);
  m_idle = 1;
}

void C2DCarveDlg::OnCancel() {
  if (m_running) {
    OnOK();
    return;
  }
  SaveSettings();
  fw::CDialog::OnCancel();
}

void C2DCarveDlg::OnPortSetting() {
  CPortSettingDlg dlg(this);
  dlg.Port().SetSettingsPath(m_port.GetSettingsPath());
  dlg.DoModal();
  m_port.LoadPortInfo();
}

void C2DCarveDlg::OnOrigin() {
  if (!Validate()) return;
  const std::string model = GetDlgItemText(carveid::IDC_DEVICE).substr(0, kMaxText);
  m_ini.WriteString(kSection, "Device", model);
  m_device.Load(model.c_str());
  SaveSettings();
  CCarveOriginDlg dlg(this, m_ini.GetPath(), m_port.GetSettingsPath());
  dlg.DoModal();
}
