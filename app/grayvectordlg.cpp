#include "app/grayvectordlg.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <memory>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "framework/resources.h"
#include "model/imageobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/settings.h"

using namespace graydlg;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

void Register() {
  using namespace dlgutil::style;
  const dlgutil::Labels label{90};
  auto spin = [&](fw::UINT id, int x, int y) {
    return DlgItemDef(id, CtrlKind::Spin, "", kChild | fw::UDS_SETBUDDYINT, {x, y, x + 16, y + 22});
  };
  fw::res::SetDialog(IDD_GRAY_VECTOR,
                     fw::DialogTemplate{"Gray Image Vector",
                                        kPopup,
                                        {0, 0, 320, 230},
                                        {
                                            label("Width", 10, 10),
                                            DlgItemDef(IDC_GRAY_WIDTH, CtrlKind::Edit, "", kTab | fw::ES_READONLY,
                                                       {100, 10, 170, 32}),
                                            label("Height", 180, 10),
                                            DlgItemDef(IDC_GRAY_HEIGHT, CtrlKind::Edit, "", kTab | fw::ES_READONLY,
                                                       {240, 10, 310, 32}),
                                            label("Bar Height", 10, 42),
                                            DlgItemDef(IDC_GRAY_BAR, CtrlKind::Edit, "", kEdit, {100, 42, 170, 64}),
                                            label("Bars", 180, 42),
                                            DlgItemDef(IDC_GRAY_COUNT, CtrlKind::Edit, "", kEdit, {240, 42, 310, 64}),
                                            label("Min Height %", 10, 74),
                                            DlgItemDef(IDC_GRAY_MIN, CtrlKind::Edit, "", kEdit, {100, 74, 154, 96}),
                                            spin(IDC_GRAY_MIN_SPIN, 154, 74),
                                            label("Max Height %", 10, 106),
                                            DlgItemDef(IDC_GRAY_MAX, CtrlKind::Edit, "", kEdit, {100, 106, 154, 128}),
                                            spin(IDC_GRAY_MAX_SPIN, 154, 106),
                                            label("Threshold", 10, 138),
                                            DlgItemDef(IDC_GRAY_THRESHOLD, CtrlKind::Edit, "", kEdit,
                                                       {100, 138, 154, 160}),
                                            spin(IDC_GRAY_THRESHOLD_SPIN, 154, 138),
                                            DlgItemDef(IDC_GRAY_BUTTON, CtrlKind::Button, "Preview", kTab,
                                                       {240, 138, 310, 162}),
                                            DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                       kTab | fw::BS_DEFPUSHBUTTON, {150, 192, 230, 218}),
                                            DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kTab,
                                                       {240, 192, 310, 218}),
                                        }});
}

}  // namespace

void RegisterGrayVectorDialog() {
  if (!fw::res::FindDialog(IDD_GRAY_VECTOR)) Register();
}

CGrayVectorDlg::CGrayVectorDlg(CVORLAN98View& view, fw::CWnd* parent)
    : fw::CDialog(IDD_GRAY_VECTOR, parent), m_view(view) {
  RegisterGrayVectorDialog();
}

FW_BEGIN_COMMAND_MAP(CGrayVectorDlg, fw::CDialog)
FW_ON_EN_CHANGE(IDC_GRAY_BAR, OnBarChanged)
FW_ON_EN_CHANGE(IDC_GRAY_COUNT, OnCountChanged)
FW_END_COMMAND_MAP()

void CGrayVectorDlg::EnableOk(bool on) {
  on = on && m_usable;
  if (fw::CWnd* ok = GetDlgItem(fw::IDOK)) ok->EnableWindow(on ? fw::TRUE : fw::FALSE);
}

fw::BOOL CGrayVectorDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  m_image = nullptr;
  if (CVORLAN98Doc* doc = m_view.GetDoc()) {
    for (int i = 0; i < doc->GetObjectCount() && !m_image; ++i) {
      CGraphObject* o = doc->GetObjectAt(i);
      if (o && o->kind == OBJ_IMAGE && o->selected != 0) m_image = dynamic_cast<CImageObject*>(o);
    }
  }
  if (!m_image) {
    EnableOk(false);
    if (fw::CWnd* b = GetDlgItem(IDC_GRAY_BUTTON)) b->EnableWindow(fw::FALSE);
    return fw::TRUE;
  }
  ImageInfo info{};
  const int read = m_image->ReadImage(info);
  // Fewer than 4 bits a pixel carry no grey levels to follow.
  m_usable = read != 0 && info.bitCount >= 4;
  const CProfile profile;
  const float width = m_image->bounds.right - m_image->bounds.left;
  const float height = m_image->bounds.bottom - m_image->bounds.top;
  SetDlgItemText(IDC_GRAY_WIDTH, dlgutil::Format2(width));
  SetDlgItemText(IDC_GRAY_HEIGHT, dlgutil::Format2(height));
  for (auto [spin, edit, lo, hi] : {std::tuple{IDC_GRAY_MIN_SPIN, IDC_GRAY_MIN, 0, 100},
                                    std::tuple{IDC_GRAY_MAX_SPIN, IDC_GRAY_MAX, 0, 100},
                                    std::tuple{IDC_GRAY_THRESHOLD_SPIN, IDC_GRAY_THRESHOLD, 0, 255}}) {
    if (auto* s = Item<fw::CSpinButtonCtrl>(spin)) {
      s->SetRange(lo, hi);
      s->SetBuddy(GetDlgItem(edit));
    }
  }
  SetDlgItemText(IDC_GRAY_BAR, dlgutil::Format2(profile.GetFloat("IMAGE", "BarHeight", 7.0f)));
  SetDlgItemInt(IDC_GRAY_MIN, fw::UINT(profile.GetInt("IMAGE", "BarMinHeight", 20)), fw::TRUE);
  SetDlgItemInt(IDC_GRAY_MAX, fw::UINT(profile.GetInt("IMAGE", "BarMaxHeight", 80)), fw::TRUE);
  SetDlgItemInt(IDC_GRAY_THRESHOLD, fw::UINT(profile.GetInt("IMAGE", "GrayThreshold", 3)), fw::TRUE);
  EnableOk(m_usable);
  GotoDlgCtrl(GetDlgItem(IDC_GRAY_BAR));
  return fw::FALSE;
}

void CGrayVectorDlg::OnBarChanged() {
  if (m_guard || !m_image) return;
  const float bar = dlgutil::NumberOf(*this, IDC_GRAY_BAR);
  if (!(bar > 0.0f)) {
    EnableOk(false);
    return;
  }
  EnableOk(true);
  const double count = std::floor(double(m_image->bounds.bottom - m_image->bounds.top) / bar);
  m_guard = 1;
  SetDlgItemInt(IDC_GRAY_COUNT, fw::UINT(int(std::isfinite(count) ? std::min(count, 1e9) : 0.0)), fw::TRUE);
  m_guard = 0;
}

void CGrayVectorDlg::OnCountChanged() {
  if (m_guard || !m_image) return;
  fw::BOOL ok = fw::FALSE;
  const int count = int(GetDlgItemInt(IDC_GRAY_COUNT, &ok, fw::TRUE));
  if (!ok || count < 6) {
    EnableOk(false);
    return;
  }
  EnableOk(true);
  m_guard = 1;
  SetDlgItemText(IDC_GRAY_BAR, dlgutil::Format2((m_image->bounds.bottom - m_image->bounds.top) / float(count)));
  m_guard = 0;
}

void CGrayVectorDlg::OnOK() {
  if (!m_image) return;
  const float bar = dlgutil::NumberOf(*this, IDC_GRAY_BAR);
  if (!(bar >= 1.0f)) return;
  const CProfile profile;
  profile.WriteString("IMAGE", "BarHeight", dlgutil::Format2(bar).c_str());
  profile.WriteInt("IMAGE", "BarMinHeight", int(GetDlgItemInt(IDC_GRAY_MIN, nullptr, fw::TRUE)));
  profile.WriteInt("IMAGE", "BarMaxHeight", int(GetDlgItemInt(IDC_GRAY_MAX, nullptr, fw::TRUE)));
  profile.WriteInt("IMAGE", "GrayThreshold", int(GetDlgItemInt(IDC_GRAY_THRESHOLD, nullptr, fw::TRUE)));
  if (std::unique_ptr<CPathObject> bars = m_image->MakeImageBars()) dlgutil::AddObjectAsStep(m_view, std::move(bars));
  fw::CDialog::OnOK();
}
