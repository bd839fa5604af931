#include "output/halfcutdlg.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/resources.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

constexpr const char* kSection = "CutInfo";

void Register() {
  using namespace cutid;
  if (fw::res::FindDialog(IDD_HALF_CUT)) return;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  fw::res::SetDialog(IDD_HALF_CUT,
                     DialogTemplate{"HalfCutSetting...",
                                    fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                                    {0, 0, 228, 96},
                                    {
                                        DlgItemDef(0xFFFF, CtrlKind::Static, "Solid(mm):", kChild, {8, 12, 96, 28}),
                                        DlgItemDef(IDC_SOLID_CUT, CtrlKind::Edit, "", kTab | fw::WS_BORDER,
                                                   {98, 8, 150, 30}),
                                        DlgItemDef(0xFFFF, CtrlKind::Static, "Dashed(mm):", kChild, {8, 44, 96, 60}),
                                        DlgItemDef(IDC_VOID_CUT, CtrlKind::Edit, "", kTab | fw::WS_BORDER,
                                                   {98, 40, 150, 62}),
                                        DlgItemDef(fw::IDOK, CtrlKind::Button, "OK", kTab | fw::BS_DEFPUSHBUTTON,
                                                   {158, 8, 218, 32}),
                                        DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kTab, {158, 40, 218, 64}),
                                    }});
}

// atof of at most 19 characters; "inf", "nan" and the like count as 0.
float ReadLength(const std::string& text) {
  const std::string cut = text.substr(0, 19);
  const double v = std::atof(cut.c_str());
  return std::isfinite(v) && std::fabs(v) < 3.0e38 ? float(v) : 0.0f;
}

std::string Show(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", double(v));
  return text;
}

}  // namespace

CHalfCutDlg::CHalfCutDlg(fw::CWnd* parent, const CIniFile& ini) : fw::CDialog(cutid::IDD_HALF_CUT, parent), m_ini(ini) {
  Register();
}

fw::BOOL CHalfCutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  m_fSolid = m_ini.GetFloat(kSection, "SolidCut", 2.0f);
  m_fVoid = m_ini.GetFloat(kSection, "VoidCut", 0.2f);
  SetDlgItemText(cutid::IDC_SOLID_CUT, Show(m_fSolid));
  SetDlgItemText(cutid::IDC_VOID_CUT, Show(m_fVoid));
  return fw::TRUE;
}

void CHalfCutDlg::OnOK() {
  m_fSolid = ReadLength(GetDlgItemText(cutid::IDC_SOLID_CUT));
  m_fVoid = ReadLength(GetDlgItemText(cutid::IDC_VOID_CUT));
  if (m_fSolid < kMinSolid) m_fSolid = kMinSolid;
  if (m_fVoid < kMinVoid) m_fVoid = kMinVoid;
  m_ini.WriteFloat(kSection, "SolidCut", m_fSolid);
  m_ini.WriteFloat(kSection, "VoidCut", m_fVoid);
  EndDialog(fw::IDOK);
}
