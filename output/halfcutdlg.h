// The half-cut settings dialog (303 "HalfCutSetting..."): the lengths of the
// dashed cut's pieces and gaps in "Cutters.INI" section "CutInfo".
#pragma once
#include "framework/dialog.h"
#include "model/settings.h"

namespace cutid {
constexpr fw::UINT IDD_HALF_CUT = 303;
constexpr fw::UINT IDC_SOLID_CUT = 1308;
constexpr fw::UINT IDC_VOID_CUT = 1309;
}  // namespace cutid

class CHalfCutDlg : public fw::CDialog {
 public:
  static constexpr float kMinSolid = 0.1f;
  static constexpr float kMinVoid = 0.05f;

  explicit CHalfCutDlg(fw::CWnd* parent = nullptr, const CIniFile& ini = g_CutterIni);

  fw::BOOL OnInitDialog() override;
  // Both lengths raised to their lower bounds (text that is no finite number
  // counts as 0), stored, then IDOK.
  void OnOK() override;

  float m_fSolid = 2.0f;
  float m_fVoid = 0.2f;

 private:
  const CIniFile& m_ini;
};
