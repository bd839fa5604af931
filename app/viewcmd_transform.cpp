// Rotate, skew, mirror, scale and multiple duplication of the selection, and
// the outline expand through the shape library.
#include "app/viewcmd_transform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "app/viewcmd_weld.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/helpers.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/gmem.h"
#include "platform/report.h"

using fw::BOOL;
using fw::UINT;
using namespace transformdlg;

namespace {

std::string Format(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

double ParseNumber(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

bool FiniteFloat(double v) { return std::isfinite(v) && std::isfinite(float(v)); }

// Handles down for the scope; the selection recounted and the handles put
// back at its end.
class HandlesDown {
 public:
  explicit HandlesDown(CSelectTracker* tracker) : tracker_(tracker) {
    if (tracker_) tracker_->Hide(nullptr);
  }
  ~HandlesDown() {
    if (!tracker_) return;
    tracker_->GetSelectionRect(nullptr);
    tracker_->Show(nullptr);
  }
  HandlesDown(const HandlesDown&) = delete;
  HandlesDown& operator=(const HandlesDown&) = delete;

 private:
  CSelectTracker* tracker_;
};

class UndoStep {
 public:
  explicit UndoStep(CUndoList* undo) : undo_(undo) {
    if (undo_) undo_->StartRecord(0);
  }
  ~UndoStep() {
    if (undo_) undo_->EndRecord();
  }
  UndoStep(const UndoStep&) = delete;
  UndoStep& operator=(const UndoStep&) = delete;

 private:
  CUndoList* undo_;
};

// Transforms the selection by the matrix in one undo step.
void TransformSelection(CVORLAN98View& view, CSelectTracker& tracker, const CMatrix3& m) {
  UndoStep step(view.GetUndoList());
  tracker.TransformSelected(m);
}

}  // namespace

// --- Base ----------------------------------------------------------------------------

CSelectionDlg::CSelectionDlg(UINT templateId, CVORLAN98View* view) : fw::CDialog(templateId, view), m_view(view) {}

CSelectTracker* CSelectionDlg::Tracker() const { return m_view ? m_view->Tracker() : nullptr; }

bool CSelectionDlg::SelectionRect(CFRect* out) const {
  CSelectTracker* tracker = Tracker();
  if (!tracker) return false;
  tracker->GetSelectionRect(out);
  return tracker->GetSelectedCount() > 0;
}

bool CSelectionDlg::ReadNumber(UINT id, float* out) const {
  const double v = ParseNumber(GetDlgItemText(id));
  if (!FiniteFloat(v)) return false;
  *out = float(std::clamp(v, -kMaxPageLength, kMaxPageLength));
  return true;
}

namespace {

void FocusAllText(fw::CDialog& dlg, UINT id) {
  auto* edit = dlg.Item<fw::CEdit>(id);
  if (!edit) return;
  dlg.GotoDlgCtrl(edit);
  edit->SetSel(0, -1);
}

}  // namespace

// --- Rotate, skew, mirror --------------------------------------------------------------

BOOL CRotateDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_ROTATE_ANGLE, "0.0");
  FocusAllText(*this, IDC_ROTATE_ANGLE);
  return fw::FALSE;
}

void CRotateDlg::OnOK() {
  float angle = 0.0f;
  if (!ReadNumber(IDC_ROTATE_ANGLE, &angle)) return;
  CSelectTracker* tracker = Tracker();
  {
    HandlesDown handles(tracker);
    CFRect r;
    if (angle != 0.0f && SelectionRect(&r))
      if (std::unique_ptr<CMatrix3> m = MakeRotateMatrix(r.left, r.top, r.right, r.bottom, angle))
        TransformSelection(*m_view, *tracker, *m);
  }
  EndDialog(fw::IDOK);
}

BOOL CSkewDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_SKEW_X, "0.0");
  SetDlgItemText(IDC_SKEW_Y, "0.0");
  FocusAllText(*this, IDC_SKEW_X);
  return fw::FALSE;
}

void CSkewDlg::OnOK() {
  float x = 0.0f, y = 0.0f;
  if (!ReadNumber(IDC_SKEW_X, &x) || !ReadNumber(IDC_SKEW_Y, &y)) return;
  CSelectTracker* tracker = Tracker();
  {
    HandlesDown handles(tracker);
    CFRect r;
    if ((x != 0.0f || y != 0.0f) && SelectionRect(&r))
      if (std::unique_ptr<CMatrix3> m = MakeSkewMatrix(r.left, r.top, r.right, r.bottom, x, y))
        TransformSelection(*m_view, *tracker, *m);
  }
  EndDialog(fw::IDOK);
}

BOOL CMirrorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckDlgButton(IDC_MIRROR_X, 0);
  CheckDlgButton(IDC_MIRROR_Y, 0);
  return fw::TRUE;
}

void CMirrorDlg::OnOK() {
  const int x = IsDlgButtonChecked(IDC_MIRROR_X) ? 1 : 0;
  const int y = IsDlgButtonChecked(IDC_MIRROR_Y) ? 1 : 0;
  CSelectTracker* tracker = Tracker();
  {
    HandlesDown handles(tracker);
    CFRect r;
    if ((x || y) && SelectionRect(&r))
      if (std::unique_ptr<CMatrix3> m = MakeMirrorMatrix(r.left, r.top, r.right, r.bottom, x, y))
        TransformSelection(*m_view, *tracker, *m);
  }
  EndDialog(fw::IDOK);
}

// --- Scale ------------------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CScaleDlg, CDialog)
FW_ON_BN_CLICKED(IDC_SCALE_BY_RATIO, OnByRatio)
FW_ON_BN_CLICKED(IDC_SCALE_BY_SIZE, OnBySize)
FW_ON_BN_CLICKED(IDC_SCALE_PROPORTION, OnProportion)
FW_ON_EN_CHANGE(IDC_SCALE_X, OnWidthChanged)
FW_ON_EN_CHANGE(IDC_SCALE_Y, OnHeightChanged)
FW_ON_EN_CHANGE(IDC_SCALE_RATIO, OnRatioChanged)
FW_END_COMMAND_MAP()

BOOL CScaleDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_updating = 1;
  SelectionRect(&m_rect);
  SetDlgItemText(IDC_SCALE_RATIO, "1");
  m_proportion = 0;
  CheckDlgButton(IDC_SCALE_PROPORTION, 0);
  CheckRadioButton(IDC_SCALE_BY_RATIO, IDC_SCALE_BY_SIZE, IDC_SCALE_BY_SIZE);
  ShowSizes();
  if (fw::CWnd* x = GetDlgItem(IDC_SCALE_X)) GotoDlgCtrl(x);
  m_updating = 0;
  return fw::FALSE;
}

void CScaleDlg::ShowSizes() {
  const std::uint32_t guard = m_updating;
  m_updating = 1;
  SetDlgItemText(IDC_SCALE_X, Format("%-8.2f", std::fabs(m_rect.right - m_rect.left)));
  SetDlgItemText(IDC_SCALE_Y, Format("%-8.2f", std::fabs(m_rect.bottom - m_rect.top)));
  SetDlgItemText(IDC_SCALE_UNIT, "mm 2<n");
  m_updating = guard;
}

void CScaleDlg::OnByRatio() { SetDlgItemText(IDC_SCALE_UNIT, "比例 0.01<n<15"); }

void CScaleDlg::Put(UINT id, double value) {
  m_updating = 1;
  SetDlgItemText(id, Format("%.2f", value));
  m_updating = 0;
}

void CScaleDlg::OnWidthChanged() {
  const double oldWidth = std::fabs(double(m_rect.right) - m_rect.left);
  const double oldHeight = std::fabs(double(m_rect.bottom) - m_rect.top);
  if (m_updating || !m_proportion || oldWidth == 0.0) return;
  const double ratio = ParseNumber(GetDlgItemText(IDC_SCALE_X)) / oldWidth;
  Put(IDC_SCALE_Y, oldHeight * ratio);
  Put(IDC_SCALE_RATIO, ratio);
}

void CScaleDlg::OnHeightChanged() {
  const double oldWidth = std::fabs(double(m_rect.right) - m_rect.left);
  const double oldHeight = std::fabs(double(m_rect.bottom) - m_rect.top);
  if (m_updating || !m_proportion || oldHeight == 0.0) return;
  const double ratio = ParseNumber(GetDlgItemText(IDC_SCALE_Y)) / oldHeight;
  Put(IDC_SCALE_X, oldWidth * ratio);
  Put(IDC_SCALE_RATIO, ratio);
}

void CScaleDlg::OnRatioChanged() {
  if (m_updating) return;
  const double ratio = ParseNumber(GetDlgItemText(IDC_SCALE_RATIO));
  Put(IDC_SCALE_X, std::fabs(double(m_rect.right) - m_rect.left) * ratio);
  Put(IDC_SCALE_Y, std::fabs(double(m_rect.bottom) - m_rect.top) * ratio);
}

void CScaleDlg::OnProportion() { m_proportion = IsDlgButtonChecked(IDC_SCALE_PROPORTION) ? 1 : 0; }

void CScaleDlg::OnOK() {
  float width = 0.0f, height = 0.0f;
  if (!ReadNumber(IDC_SCALE_X, &width) || !ReadNumber(IDC_SCALE_Y, &height)) return;
  if (!(width > 0.0f && height > 0.0f)) return;
  const CFRect target(m_rect.left, m_rect.top, m_rect.left + width, m_rect.top + height);
  CSelectTracker* tracker = Tracker();
  {
    HandlesDown handles(tracker);
    if (tracker && tracker->GetSelectedCount() > 0) {
      UndoStep step(m_view->GetUndoList());
      tracker->ScaleSelected(m_rect, target);
    }
  }
  EndDialog(fw::IDOK);
}

// --- Multiple duplication -----------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CMultiDupDlg, CDialog)
FW_ON_BN_CLICKED(IDC_DUP_FIT_PAGE, OnFitPage)
FW_END_COMMAND_MAP()

BOOL CMultiDupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_any = SelectionRect(&m_rect);
  if (m_any) {
    SetDlgItemText(IDC_DUP_SIZE_X, Format("%-8.2f", std::fabs(m_rect.right - m_rect.left)));
    SetDlgItemText(IDC_DUP_SIZE_Y, Format("%-8.2f", std::fabs(m_rect.bottom - m_rect.top)));
  }
  SetDlgItemText(IDC_DUP_GAPS_X, "2.0");
  SetDlgItemText(IDC_DUP_GAPS_Y, "2.0");
  SetDlgItemText(IDC_DUP_COLUMNS, "2");
  SetDlgItemText(IDC_DUP_ROWS, "1");
  ShowLabels(false);
  return fw::TRUE;
}

void CMultiDupDlg::ShowLabels(bool fit) {
  SetDlgItemText(IDC_DUP_LABEL_X, fit ? "左右留空:" : "横向间隔:");
  SetDlgItemText(IDC_DUP_LABEL_Y, fit ? "上下留空:" : "纵向间隔:");
}

float CMultiDupDlg::ReadMargin(UINT id) {
  double v = ParseNumber(GetDlgItemText(id));
  if (v < 0.0 || !FiniteFloat(v)) v = 1.0;
  v = std::min(v, kMaxPageLength);
  SetDlgItemText(id, Format("%.2f", v));
  return float(v);
}

namespace {

// Copies that fit along a page side; at least 1, also when nothing can be divided.
int CopiesAlong(double page, double size, double margin) {
  const double step = size + 2.0 * margin;
  if (!(step > 0.0)) return 1;
  const double n = page / step;
  if (!(n >= 1.0)) return 1;
  return n >= 1.0e6 ? 1000000 : int(n);
}

}  // namespace

void CMultiDupDlg::OnFitPage() {
  const bool fit = IsDlgButtonChecked(IDC_DUP_FIT_PAGE) != 0;
  ShowLabels(fit);
  if (!fit) return;
  const float mx = ReadMargin(IDC_DUP_GAPS_X);
  const float my = ReadMargin(IDC_DUP_GAPS_Y);
  CVORLAN98Doc* doc = m_view ? m_view->GetDoc() : nullptr;
  if (!doc) return;
  const double width = std::fabs(double(m_rect.right) - m_rect.left);
  const double height = std::fabs(double(m_rect.bottom) - m_rect.top);
  SetDlgItemInt(IDC_DUP_COLUMNS, UINT(CopiesAlong(doc->GetPageWidth(), width, mx)));
  SetDlgItemInt(IDC_DUP_ROWS, UINT(CopiesAlong(doc->GetPageHeight(), height, my)));
}

void CMultiDupDlg::OnOK() {
  const int columns = int(GetDlgItemInt(IDC_DUP_COLUMNS, nullptr, fw::TRUE));
  const int rows = int(GetDlgItemInt(IDC_DUP_ROWS, nullptr, fw::TRUE));
  CSelectTracker* tracker = Tracker();
  CFRect rect;
  if (!tracker || !SelectionRect(&rect)) {
    EndDialog(fw::IDOK);
    return;
  }
  const bool fit = IsDlgButtonChecked(IDC_DUP_FIT_PAGE) != 0;
  float mx = 0.0f, my = 0.0f;
  if (fit && (!ReadNumber(IDC_DUP_GAPS_X, &mx) || !ReadNumber(IDC_DUP_GAPS_Y, &my))) return;
  const double copies = double(std::max(columns, 0)) * std::max(rows, 0) - 1.0;
  if (!dlgutil::ConfirmObjects(copies * tracker->GetSelectedCount(), "Multi Duplicate", true)) return;
  mx = mx < 0.0f ? 1.0f : mx;
  my = my < 0.0f ? 1.0f : my;
  const std::string gapsX = GetDlgItemText(IDC_DUP_GAPS_X).substr(0, 220);
  const std::string gapsY = GetDlgItemText(IDC_DUP_GAPS_Y).substr(0, 220);
  const float width = std::fabs(rect.right - rect.left);
  const float height = std::fabs(rect.bottom - rect.top);
  HandlesDown handles(tracker);
  UndoStep step(m_view->GetUndoList());
  // Packed where the selection stands now; with Fit Page it moves after.
  const std::vector<std::uint8_t> block = tracker->PackSelected();
  if (block.empty()) {
    plat::MessageBox("缓冲区申请错误!", "错误", plat::MB_OK | plat::MB_ICONSTOP);
    return;
  }
  const float moveX = fit ? mx - rect.left : 0.0f, moveY = fit ? my - rect.top : 0.0f;
  if (fit) tracker->MoveSelected(moveX, moveY);
  // Field k of a gap list; a missing or unreadable one repeats the one before.
  auto gap = [](const std::string& list, int k, float& last) {
    float v = 0.0f;
    if (GetNumberField(list, v, k)) last = v;
    return last;
  };
  float lastY = 0.0f;
  double y = 0.0;
  for (int j = 0; j < rows; ++j) {
    float lastX = 0.0f;
    double x = 0.0;
    for (int i = 0; i < columns; ++i) {
      if (i > 0) x += fit ? double(width) + 2.0 * mx : double(width) + gap(gapsX, i - 1, lastX);
      if (i == 0 && j == 0) continue;
      const CFPoint offset{float(x + moveX), float(y + moveY)};
      m_view->PasteObjectBlock(block.data(), block.size(), &offset);
    }
    y += fit ? double(height) + 2.0 * my : double(height) + gap(gapsY, j, lastY);
  }
  m_view->Invalidate();
  EndDialog(fw::IDOK);
}

// --- Expand ------------------------------------------------------------------------------

namespace {

constexpr const char* kSection = "SystemParam";

struct SpinRule {
  UINT spin, edit;
  double low, high;  // low > high: no bounds
  const char* format;
};
const SpinRule kSpins[] = {
    {IDC_EXPAND_SIZE_SPIN, IDC_EXPAND_SIZE, 1.0, 0.0, "%.1f"},
    {IDC_EXPAND_ANGLE_SPIN, IDC_EXPAND_ANGLE, 0.0, 180.0, "%.2f"},
    {IDC_EXPAND_LIMIT_SPIN, IDC_EXPAND_LIMIT, 0.0, 180.0, "%.2f"},
    {IDC_EXPAND_ACCURATE_SPIN, IDC_EXPAND_ACCURATE, -15.0, -5.0, "%.0f"},
};

// The stored text of a setting shown as "%.1f".
std::string SettingText(const char* key, const char* def) {
  const std::string text = g_Profile.GetString(kSection, key, def);
  return Format("%.1f", ParseNumber(text));
}

// The selection's path forms as the children of one group.
std::unique_ptr<CGroupObject> SelectionPaths(CVORLAN98Doc& doc) {
  auto group = std::make_unique<CGroupObject>();
  for (int i = 0; i < doc.GetObjectCount(); ++i) {
    CGraphObject* o = doc.GetObjectAt(i);
    if (!o || o->selected == 0) continue;
    std::unique_ptr<CGraphObject> path = o->ConvertToPath(-1);
    if (!path) continue;
    if (path->kind == OBJ_GROUP) {
      auto& sub = static_cast<CGroupObject&>(*path);
      while (sub.GetChildCount() > 0) {
        CGraphObject* c = sub.GetChild(0);
        sub.DetachChild(c);
        group->AddChild(c);
      }
    } else {
      group->AddChild(std::move(path));
    }
  }
  return group;
}

}  // namespace

FW_BEGIN_COMMAND_MAP(CExpandDlg, CDialog)
FW_ON_NOTIFY(fw::UDN_DELTAPOS, IDC_EXPAND_SIZE_SPIN, OnSpin)
FW_ON_NOTIFY(fw::UDN_DELTAPOS, IDC_EXPAND_ANGLE_SPIN, OnSpin)
FW_ON_NOTIFY(fw::UDN_DELTAPOS, IDC_EXPAND_LIMIT_SPIN, OnSpin)
FW_ON_NOTIFY(fw::UDN_DELTAPOS, IDC_EXPAND_ACCURATE_SPIN, OnSpin)
FW_END_COMMAND_MAP()

BOOL CExpandDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_EXPAND_SIZE, SettingText("EXPANDTHICK", "5.0"));
  SetDlgItemText(IDC_EXPAND_ANGLE, SettingText("EXPANDTHORHOLD", "120.0"));
  SetDlgItemText(IDC_EXPAND_LIMIT, SettingText("EXPANDANGLELIMITED", "50.0"));
  SetDlgItemText(IDC_EXPAND_ACCURATE, std::to_string(g_Profile.GetInt(kSection, "EXPANDACCURATE", -10)));
  CheckDlgButton(IDC_EXPAND_WORD, g_Profile.GetInt(kSection, "EXPANDOUTLINE", 1) ? 1 : 0);
  const int mode = std::clamp(g_Profile.GetInt(kSection, "EXPANDMODE", 1), 0, 2);
  CheckRadioButton(IDC_EXPAND_KEEP, IDC_EXPAND_SMOOTH, IDC_EXPAND_KEEP + UINT(mode));
  return fw::TRUE;
}

void CExpandDlg::OnSpin(fw::NMHDR* hdr, fw::LRESULT* result) {
  *result = 1;  // the step is taken here
  const SpinRule* rule = nullptr;
  for (const SpinRule& r : kSpins)
    if (r.spin == hdr->idFrom) rule = &r;
  if (!rule) return;
  const int delta = reinterpret_cast<fw::NMUPDOWN*>(hdr)->iDelta;
  double v = ParseNumber(GetDlgItemText(rule->edit)) + (delta < 1 ? 1.0 : -1.0);
  if (rule->low <= rule->high) v = std::clamp(v, rule->low, rule->high);
  SetDlgItemText(rule->edit, Format(rule->format, v));
}

void CExpandDlg::OnOK() {
  auto text10 = [this](UINT id) { return GetDlgItemText(id).substr(0, 10); };
  const std::string size = text10(IDC_EXPAND_SIZE);
  const std::string angle = text10(IDC_EXPAND_ANGLE);
  const std::string limit = text10(IDC_EXPAND_LIMIT);
  const int accurate = int(GetDlgItemInt(IDC_EXPAND_ACCURATE, nullptr, fw::TRUE));
  const int word = IsDlgButtonChecked(IDC_EXPAND_WORD) ? 1 : 0;
  const UINT checked = GetCheckedRadioButton(IDC_EXPAND_KEEP, IDC_EXPAND_SMOOTH);
  const int mode = checked >= IDC_EXPAND_KEEP && checked <= IDC_EXPAND_SMOOTH ? int(checked - IDC_EXPAND_KEEP) : 1;
  g_Profile.WriteString(kSection, "EXPANDTHICK", size.c_str());
  g_Profile.WriteString(kSection, "EXPANDTHORHOLD", angle.c_str());
  g_Profile.WriteString(kSection, "EXPANDANGLELIMITED", limit.c_str());
  g_Profile.WriteInt(kSection, "EXPANDACCURATE", accurate);
  g_Profile.WriteInt(kSection, "EXPANDOUTLINE", word);
  g_Profile.WriteInt(kSection, "EXPANDMODE", mode);
  const double accuracy = ParseNumber("1e" + std::to_string(accurate));

  CExpandLib lib;
  lib.SetFileName(weldcmd::LibraryFileName());
  const flexoril::ExpandFn fn = lib.Load() ? (word ? lib.dllExpandOutLine : lib.dllExpand) : nullptr;
  if (!fn) {
    fw::AfxMessageBox("Flexoril.Dll调用失败");
    return;
  }
  CVORLAN98Doc* doc = m_view ? m_view->GetDoc() : nullptr;
  std::unique_ptr<CGroupObject> source = doc ? SelectionPaths(*doc) : nullptr;
  if (!source || source->GetChildCount() == 0) {
    EndDialog(fw::IDOK);
    return;
  }
  source->FlattenSubgroups();
  plat::HGLOBAL record = 0;
  source->WriteRecord(&record);
  source.reset();
  plat::HGLOBAL back = 0;
  if (record) {
    back = fn(record, ParseNumber(size), ParseNumber(angle), ParseNumber(limit), accuracy, mode);
    plat::GlobalFree(record);
  }
  // A block the reader refuses counts as nothing back.
  if (std::unique_ptr<CGraphObject> outline = TakeResultBlock(back)) {
    CGraphObject* raw = outline.release();
    UndoStep step(m_view->GetUndoList());
    doc->AddObject(raw, true);
    if (m_view->GetUndoRecordDepth() != 0) m_view->GetUndoList()->AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
    raw->InvalidateObjectRect(m_view, true);
  }
  EndDialog(fw::IDOK);
}

// --- Templates ------------------------------------------------------------------------------

void transformdlg::RegisterResources() {
  using fw::CtrlKind;
  using fw::DialogTemplate;
  using fw::DlgItemDef;
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kEdit = kTab | fw::ES_AUTOHSCROLL;
  constexpr fw::DWORD kCheck = kTab | fw::BS_AUTOCHECKBOX;
  constexpr fw::DWORD kRadio = kTab | fw::BS_AUTORADIOBUTTON;
  auto buttons = [&](std::vector<DlgItemDef> items, int y) {
    items.push_back(DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok", kTab | fw::BS_DEFPUSHBUTTON, {20, y, 90, y + 22}));
    items.push_back(DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab, {110, y, 180, y + 22}));
    return items;
  };
  auto label = [&](const char* text, int x, int y) {
    return DlgItemDef(0, CtrlKind::Static, text, kChild, {x, y + 2, x + 70, y + 18});
  };
  fw::res::SetDialog(
      IDD_ROTATE, DialogTemplate{"Rotate",
                                 kPopup,
                                 {0, 0, 200, 80},
                                 buttons({label("Angle", 10, 10),
                                          DlgItemDef(IDC_ROTATE_ANGLE, CtrlKind::Edit, "", kEdit, {90, 10, 180, 28})},
                                         44)});
  fw::res::SetDialog(
      IDD_SKEW,
      DialogTemplate{
          "Skew",
          kPopup,
          {0, 0, 200, 104},
          buttons({label("X Angle:", 10, 10), DlgItemDef(IDC_SKEW_X, CtrlKind::Edit, "", kEdit, {90, 10, 180, 28}),
                   label("Y Angle:", 10, 36), DlgItemDef(IDC_SKEW_Y, CtrlKind::Edit, "", kEdit, {90, 36, 180, 54})},
                  70)});
  fw::res::SetDialog(
      IDD_MIRROR,
      DialogTemplate{"Mirror",
                     kPopup,
                     {0, 0, 200, 100},
                     buttons({DlgItemDef(IDC_MIRROR_X, CtrlKind::Button, "X Mirror", kCheck, {20, 10, 180, 28}),
                              DlgItemDef(IDC_MIRROR_Y, CtrlKind::Button, "Y mirror", kCheck, {20, 36, 180, 54})},
                             66)});
  fw::res::SetDialog(
      IDD_SCALE,
      DialogTemplate{
          "Scale",
          kPopup,
          {0, 0, 250, 184},
          buttons(
              {DlgItemDef(IDC_SCALE_BY_SIZE, CtrlKind::Button, "Size", kRadio | fw::WS_GROUP, {10, 8, 80, 24}),
               DlgItemDef(IDC_SCALE_BY_RATIO, CtrlKind::Button, "Ratio", kRadio, {90, 8, 160, 24}), label("X:", 10, 32),
               DlgItemDef(IDC_SCALE_X, CtrlKind::Edit, "", kEdit | fw::WS_GROUP, {90, 32, 180, 50}),
               label("Y:", 10, 58), DlgItemDef(IDC_SCALE_Y, CtrlKind::Edit, "", kEdit, {90, 58, 180, 76}),
               DlgItemDef(IDC_SCALE_UNIT, CtrlKind::Static, "", kChild, {10, 84, 240, 100}),
               DlgItemDef(IDC_SCALE_PROPORTION, CtrlKind::Button, "Proportion", kCheck, {10, 106, 120, 124}),
               label("Ratio", 10, 130), DlgItemDef(IDC_SCALE_RATIO, CtrlKind::Edit, "", kEdit, {90, 130, 180, 148})},
              154)});
  fw::res::SetDialog(
      IDD_MULTI_DUP,
      DialogTemplate{
          "Multi Duplicate",
          kPopup,
          {0, 0, 300, 190},
          buttons({label("Size X:", 10, 10),
                   DlgItemDef(IDC_DUP_SIZE_X, CtrlKind::Edit, "", kEdit | fw::ES_READONLY, {90, 10, 180, 28}),
                   label("Size Y:", 10, 34),
                   DlgItemDef(IDC_DUP_SIZE_Y, CtrlKind::Edit, "", kEdit | fw::ES_READONLY, {90, 34, 180, 52}),
                   label("X copies", 10, 58), DlgItemDef(IDC_DUP_COLUMNS, CtrlKind::Edit, "", kEdit, {90, 58, 180, 76}),
                   label("Y copies", 10, 82), DlgItemDef(IDC_DUP_ROWS, CtrlKind::Edit, "", kEdit, {90, 82, 180, 100}),
                   DlgItemDef(IDC_DUP_LABEL_X, CtrlKind::Static, "", kChild, {10, 108, 88, 124}),
                   DlgItemDef(IDC_DUP_GAPS_X, CtrlKind::Edit, "", kEdit, {90, 106, 290, 124}),
                   DlgItemDef(IDC_DUP_LABEL_Y, CtrlKind::Static, "", kChild, {10, 132, 88, 148}),
                   DlgItemDef(IDC_DUP_GAPS_Y, CtrlKind::Edit, "", kEdit, {90, 130, 290, 148}),
                   DlgItemDef(IDC_DUP_FIT_PAGE, CtrlKind::Button, "Fit Page", kCheck, {190, 10, 290, 28})},
                  160)});
  auto spinRow = [&](std::vector<DlgItemDef>& items, const char* text, UINT edit, UINT spin, int y) {
    items.push_back(DlgItemDef(0, CtrlKind::Static, text, kChild, {6, y + 2, 192, y + 18}));
    items.push_back(DlgItemDef(edit, CtrlKind::Edit, "", kEdit, {194, y, 264, y + 18}));
    items.push_back(DlgItemDef(spin, CtrlKind::Spin, "", kChild, {264, y, 280, y + 18}));
  };
  std::vector<DlgItemDef> expand;
  spinRow(expand, "Size(mm):", IDC_EXPAND_SIZE, IDC_EXPAND_SIZE_SPIN, 10);
  spinRow(expand, "Angle ThresHold(0-180):", IDC_EXPAND_ANGLE, IDC_EXPAND_ANGLE_SPIN, 34);
  spinRow(expand, "Insert Angle ThresHold(0-180)", IDC_EXPAND_LIMIT, IDC_EXPAND_LIMIT_SPIN, 58);
  spinRow(expand, "Accurate", IDC_EXPAND_ACCURATE, IDC_EXPAND_ACCURATE_SPIN, 82);
  expand.push_back(DlgItemDef(IDC_EXPAND_WORD, CtrlKind::Button, "Word", kCheck, {10, 108, 100, 126}));
  expand.push_back(DlgItemDef(0, CtrlKind::Button, "Corner", kChild | fw::BS_GROUPBOX, {104, 104, 296, 150}));
  expand.push_back(DlgItemDef(IDC_EXPAND_KEEP, CtrlKind::Button, "Keep", kRadio | fw::WS_GROUP, {108, 122, 160, 140}));
  expand.push_back(DlgItemDef(IDC_EXPAND_CORNER, CtrlKind::Button, "Angle", kRadio, {162, 122, 218, 140}));
  expand.push_back(DlgItemDef(IDC_EXPAND_SMOOTH, CtrlKind::Button, "Smooth", kRadio, {220, 122, 292, 140}));
  fw::res::SetDialog(IDD_EXPAND, DialogTemplate{"Expand", kPopup, {0, 0, 300, 190}, buttons(std::move(expand), 160)});
}

// --- Commands ------------------------------------------------------------------------------

namespace {

template <class Dlg>
void OpenDialog(CVORLAN98View& view) {
  auto dlg = std::make_unique<Dlg>(&view);
  dlg->DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::TransformMap)
VIEW_ON_COMMAND(40046, OpenDialog<CRotateDlg>)
VIEW_ON_COMMAND(40108, OpenDialog<CMirrorDlg>)
VIEW_ON_COMMAND(40047, OpenDialog<CSkewDlg>)
VIEW_ON_COMMAND(40050, OpenDialog<CScaleDlg>)
VIEW_ON_COMMAND(40045, OpenDialog<CMultiDupDlg>)
VIEW_ON_COMMAND(40153, OpenDialog<CExpandDlg>)
FW_END_COMMAND_FAMILY()
