#include "app/coorddlg.h"

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "framework/input.h"
#include "framework/resources.h"
#include "model/settings.h"

using namespace coorddlg;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

void Register() {
  using namespace dlgutil::style;
  const dlgutil::Labels label{60};
  auto button = [&](fw::UINT id, const char* text, int x, int y) {
    return DlgItemDef(id, CtrlKind::Button, text, kTab, {x, y, x + 64, y + 24});
  };
  fw::res::SetDialog(IDD_COORDINATE,
                     fw::DialogTemplate{"Coordinate Setting",
                                        kPopup,
                                        {0, 0, 330, 220},
                                        {
                                            label("X:", 10, 10),
                                            DlgItemDef(IDC_COORD_X, CtrlKind::Edit, "", kEdit, {40, 10, 130, 32}),
                                            label("Y:", 10, 42),
                                            DlgItemDef(IDC_COORD_Y, CtrlKind::Edit, "", kEdit, {40, 42, 130, 64}),
                                            DlgItemDef(IDC_COORD_REFERENCE, CtrlKind::ComboBox, "",
                                                       kTab | fw::CBS_DROPDOWNLIST | fw::WS_VSCROLL,
                                                       {150, 10, 240, 120}),
                                            label("IrSpace", 10, 80),
                                            DlgItemDef(IDC_COORD_SPACE_LR, CtrlKind::Edit, "", kEdit,
                                                       {70, 80, 130, 102}),
                                            label("TbSpace", 150, 80),
                                            DlgItemDef(IDC_COORD_SPACE_TB, CtrlKind::Edit, "", kEdit,
                                                       {210, 80, 270, 102}),
                                            button(IDC_COORD_LEFT, "Left", 10, 114),
                                            button(IDC_COORD_HCENTER, "Center", 80, 114),
                                            button(IDC_COORD_RIGHT, "Right", 150, 114),
                                            button(IDC_COORD_TOP, "Top", 10, 144),
                                            button(IDC_COORD_VCENTER, "Center", 80, 144),
                                            button(IDC_COORD_BOTTOM, "Bottom", 150, 144),
                                            DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                       kTab | fw::BS_DEFPUSHBUTTON, {160, 184, 240, 210}),
                                            DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab,
                                                       {245, 184, 325, 210}),
                                        }});
}

// Where the reference point lies across (0 left, 1 centre, 2 right) and down.
int Across(int reference) {
  return reference == kCentre ? 1 : (reference == kRightTop || reference == kRightBottom) ? 2 : 0;
}
int Down(int reference) {
  return reference == kCentre ? 1 : (reference == kLeftBottom || reference == kRightBottom) ? 2 : 0;
}

}  // namespace

void RegisterCoordinateDialog() {
  if (!fw::res::FindDialog(IDD_COORDINATE)) Register();
}

bool PageAlignMove(fw::UINT id, bool shift, const CFRect& s, float width, float height, float* dx, float* dy) {
  float x = 0.0f, y = 0.0f;
  switch (id) {
    case ID_PAGE_LEFT:
      x = -s.left;
      if (shift) y = -s.top;
      break;
    case ID_PAGE_RIGHT:
      x = width - s.right;
      if (shift) y = -s.top;
      break;
    case ID_PAGE_TOP:
      if (shift) {
        x = -s.left;
        y = height - s.bottom;
      } else {
        y = -s.top;
      }
      break;
    case ID_PAGE_BOTTOM:
      y = height - s.bottom;
      if (shift) x = width - s.right;
      break;
    case ID_PAGE_HCENTER:
      x = width / 2.0f - (s.left + s.right) / 2.0f;
      break;
    case ID_PAGE_VCENTER:
      y = height / 2.0f - (s.top + s.bottom) / 2.0f;
      break;
    case ID_PAGE_CENTER:
      x = width / 2.0f - (s.left + s.right) / 2.0f;
      y = height / 2.0f - (s.top + s.bottom) / 2.0f;
      break;
    default:
      return false;
  }
  *dx = x;
  *dy = y;
  return true;
}

// The selection moves through its tracker in one undo step, marks off during the move.
static bool MoveSelection(CVORLAN98View& view, float dx, float dy) {
  CSelectTracker* tracker = view.Tracker();
  if (!tracker) return false;
  tracker->DrawSelected(nullptr, nullptr);
  CUndoList* undo = view.GetUndoList();
  undo->StartRecord(0);
  tracker->MoveSelected(dx, dy);
  undo->EndRecord();
  tracker->DrawSelected(nullptr, nullptr);
  if (CVORLAN98Doc* doc = view.GetDoc()) doc->SetModifiedFlag(fw::TRUE);
  return true;
}

void CVORLAN98View::AlignSelectionToPage(fw::UINT id) {
  CSelectTracker* tracker = Tracker();
  CVORLAN98Doc* doc = GetDoc();
  CFRect r;
  // Nothing selected: no rectangle to align.
  if (!tracker || !doc || tracker->GetSelectionRect(&r) == 0 || GetSelectedCount() == 0) return;
  const bool shift = fw::GetKeyState(fw::VK_SHIFT) < 0;
  float dx = 0.0f, dy = 0.0f;
  if (!PageAlignMove(id, shift, r, doc->GetPageWidth(), doc->GetPageHeight(), &dx, &dy)) return;
  MoveSelection(*this, dx, dy);
}

// --- The dialog -------------------------------------------------------------------

CCoordinateDlg::CCoordinateDlg(CVORLAN98View& view, fw::CWnd* parent)
    : fw::CDialog(IDD_COORDINATE, parent), m_view(view) {
  RegisterCoordinateDialog();
}

FW_BEGIN_COMMAND_MAP(CCoordinateDlg, fw::CDialog)
FW_ON_EN_CHANGE(IDC_COORD_SPACE_LR, OnSpaceChanged)
FW_ON_EN_CHANGE(IDC_COORD_SPACE_TB, OnSpaceChanged)
FW_ON_CBN_SELCHANGE(IDC_COORD_REFERENCE, OnReferenceChanged)
FW_ON_COMMAND_RANGE(IDC_COORD_LEFT, IDC_COORD_RIGHT, OnHorizontal)
FW_ON_COMMAND_RANGE(IDC_COORD_VCENTER, IDC_COORD_BOTTOM, OnVertical)
FW_ON_COMMAND_RANGE(IDC_COORD_TOP, IDC_COORD_TOP, OnVertical)
FW_END_COMMAND_MAP()

CFPoint CCoordinateDlg::ReferencePoint(const CFRect& r, int reference) {
  const float xs[3] = {r.left, (r.left + r.right) / 2.0f, r.right};
  const float ys[3] = {r.top, (r.top + r.bottom) / 2.0f, r.bottom};
  return CFPoint{xs[Across(reference)], ys[Down(reference)]};
}

fw::BOOL CCoordinateDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  if (CVORLAN98Doc* doc = m_view.GetDoc()) {
    m_pageWidth = doc->GetPageWidth();
    m_pageHeight = doc->GetPageHeight();
  }
  CSelectTracker* tracker = m_view.Tracker();
  m_hasSelection = tracker && m_view.GetSelectedCount() > 0 && tracker->GetSelectionRect(&m_rect) != 0;
  if (!m_hasSelection) m_rect = CFRect(0.0f, 0.0f, 0.0f, 0.0f);
  const CProfile profile;
  m_spaceLR = profile.GetFloat("Coordinate", "SPACELR", 0.0f);
  m_spaceTB = profile.GetFloat("Coordinate", "SPACETB", 0.0f);
  SetDlgItemText(IDC_COORD_SPACE_LR, dlgutil::Format2(m_spaceLR));
  SetDlgItemText(IDC_COORD_SPACE_TB, dlgutil::Format2(m_spaceTB));
  SetDlgItemText(IDC_COORD_X, dlgutil::Format2(m_rect.left));
  SetDlgItemText(IDC_COORD_Y, dlgutil::Format2(m_rect.top));
  if (auto* refs = Item<fw::CComboBox>(IDC_COORD_REFERENCE)) {
    for (const char* name : {"L-U", "L-B", "Center", "R-U", "R-B"}) refs->AddString(name);
    refs->SetCurSel(kLeftTop);
  }
  m_reference = kLeftTop;
  GotoDlgCtrl(GetDlgItem(IDC_COORD_X));
  return fw::FALSE;
}

void CCoordinateDlg::OnSpaceChanged() {
  m_spaceLR = dlgutil::NumberOf(*this, IDC_COORD_SPACE_LR);
  m_spaceTB = dlgutil::NumberOf(*this, IDC_COORD_SPACE_TB);
}

void CCoordinateDlg::OnReferenceChanged() {
  auto* refs = Item<fw::CComboBox>(IDC_COORD_REFERENCE);
  if (!refs || refs->GetCurSel() < 0) return;
  const int next = refs->GetCurSel();
  const float w = m_rect.right - m_rect.left, h = m_rect.bottom - m_rect.top;
  // The rectangle the shown point describes under the old reference.
  const float left = dlgutil::NumberOf(*this, IDC_COORD_X) - float(Across(m_reference)) * w / 2.0f;
  const float top = dlgutil::NumberOf(*this, IDC_COORD_Y) - float(Down(m_reference)) * h / 2.0f;
  const CFPoint p = ReferencePoint(CFRect(left, top, left + w, top + h), next);
  SetDlgItemText(IDC_COORD_X, dlgutil::Format2(p.x));
  SetDlgItemText(IDC_COORD_Y, dlgutil::Format2(p.y));
  m_reference = next;
}

void CCoordinateDlg::OnHorizontal(fw::UINT id) {
  const float w = m_rect.right - m_rect.left;
  const int col = Across(m_reference);
  const float offset[3] = {0.0f, w / 2.0f, w};
  float x = 0.0f;
  if (id == IDC_COORD_LEFT) x = m_spaceLR + offset[col];
  else if (id == IDC_COORD_HCENTER) x = m_pageWidth / 2.0f - w / 2.0f + offset[col];
  else x = m_pageWidth - m_spaceLR - w + offset[col];
  SetDlgItemText(IDC_COORD_X, dlgutil::Format2(x));
}

void CCoordinateDlg::OnVertical(fw::UINT id) {
  const float h = m_rect.bottom - m_rect.top;
  const int row = Down(m_reference);
  const float offset[3] = {0.0f, h / 2.0f, h};
  float y = 0.0f;
  if (id == IDC_COORD_TOP) y = m_spaceTB + offset[row];
  else if (id == IDC_COORD_VCENTER) y = m_pageHeight / 2.0f - h / 2.0f + offset[row];
  else y = m_pageHeight - m_spaceTB - h + offset[row];
  SetDlgItemText(IDC_COORD_Y, dlgutil::Format2(y));
}

void CCoordinateDlg::OnOK() {
  float x = 0.0f, y = 0.0f;
  if (m_hasSelection && (!dlgutil::ReadNumber(*this, IDC_COORD_X, &x) || !dlgutil::ReadNumber(*this, IDC_COORD_Y, &y))) {
    dlgutil::Refuse("X and Y must be numbers.", "Coordinate Setting");
    return;
  }
  const CProfile profile;
  profile.WriteFloat("Coordinate", "SPACELR", m_spaceLR);
  profile.WriteFloat("Coordinate", "SPACETB", m_spaceTB);
  if (m_hasSelection) {
    const CFPoint ref = ReferencePoint(m_rect, m_reference);
    MoveSelection(m_view, x - ref.x, y - ref.y);
  }
  fw::CDialog::OnOK();
}
