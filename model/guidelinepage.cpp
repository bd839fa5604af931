#include "model/guidelinepage.h"

#include <utility>

#include "framework/resources.h"
#include "model/guideline.h"
#include "model/guidelist.h"

namespace {

CGuideLinePage::ApplyHandler& Handler() {
  static CGuideLinePage::ApplyHandler handler;
  return handler;
}

}  // namespace

CGuideLinePage::CGuideLinePage() : fw::CDialog(IDD_GUIDE_LINE) {}

void CGuideLinePage::RegisterTemplate() {
  using fw::CtrlKind;
  using fw::DlgItemDef;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kEdit = kChild | fw::WS_TABSTOP | fw::ES_AUTOHSCROLL;
  fw::res::SetDialog(
      IDD_GUIDE_LINE,
      fw::DialogTemplate{
          "",
          fw::WS_CHILD,
          {0, 0, 170, 112},
          {
              DlgItemDef(IDC_GUIDE_TWO_POINTS, CtrlKind::Button, "X1,Y1 - X2,Y2",
                         kChild | fw::WS_GROUP | fw::WS_TABSTOP | fw::BS_AUTORADIOBUTTON, {4, 2, 166, 16}),
              DlgItemDef(IDC_GUIDE_POINT_ANGLE, CtrlKind::Button, "X1,Y1 + Angle",
                         kChild | fw::BS_AUTORADIOBUTTON, {4, 18, 166, 32}),
              DlgItemDef(0xFFFF, CtrlKind::Static, "X1:", kChild, {4, 38, 24, 52}),
              DlgItemDef(IDC_GUIDE_X1, CtrlKind::Edit, "", kEdit, {26, 36, 84, 52}),
              DlgItemDef(0xFFFF, CtrlKind::Static, "Y1:", kChild, {88, 38, 108, 52}),
              DlgItemDef(IDC_GUIDE_Y1, CtrlKind::Edit, "", kEdit, {110, 36, 166, 52}),
              DlgItemDef(0xFFFF, CtrlKind::Static, "X2:", kChild, {4, 58, 24, 72}),
              DlgItemDef(IDC_GUIDE_X2, CtrlKind::Edit, "", kEdit, {26, 56, 84, 72}),
              DlgItemDef(0xFFFF, CtrlKind::Static, "Y2:", kChild, {88, 58, 108, 72}),
              DlgItemDef(IDC_GUIDE_Y2, CtrlKind::Edit, "", kEdit, {110, 56, 166, 72}),
              DlgItemDef(0xFFFF, CtrlKind::Static, "Angle:", kChild, {4, 78, 46, 92}),
              DlgItemDef(IDC_GUIDE_ANGLE, CtrlKind::Edit, "", kEdit, {48, 76, 84, 92}),
              DlgItemDef(fw::IDOK, CtrlKind::Button, "OK",
                         kChild | fw::WS_TABSTOP | fw::BS_DEFPUSHBUTTON, {110, 76, 166, 92}),
          }});
}

CGuideLinePage::ApplyHandler CGuideLinePage::SetApplyHandler(ApplyHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

fw::BOOL CGuideLinePage::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  CheckRadioButton(IDC_GUIDE_TWO_POINTS, IDC_GUIDE_POINT_ANGLE, IDC_GUIDE_TWO_POINTS);
  return 1;
}

void CGuideLinePage::OnOK() {
  if (Handler()) Handler()(*this);
}
