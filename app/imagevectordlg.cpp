#include "app/imagevectordlg.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "app/imagevectorizer.h"
#include "app/selecttracker.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/helpers.h"
#include "model/imageobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/report.h"

using namespace ivdlg;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

constexpr char kSection[] = "VECTOR";
constexpr fw::UINT ID_TURN_BACK = 40044;
constexpr int kValueLimit = 60;
constexpr int kDefaultDelta = 2;
constexpr int kDefaultBlackThreshold = 512;

void Register() {
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kEdit = kTab | fw::ES_AUTOHSCROLL;
  auto label = [&](const char* text, int x, int y, int w = 150) {
    return DlgItemDef(0xFFFF, CtrlKind::Static, text, kChild, {x, y + 3, x + w, y + 20});
  };
  auto button = [&](fw::UINT id, const char* text, int x, int y, fw::DWORD more = 0) {
    return DlgItemDef(id, CtrlKind::Button, text, kTab | more, {x, y, x + 80, y + 26});
  };
  auto radio = [&](fw::UINT id, const char* text, int y, fw::DWORD more = 0) {
    return DlgItemDef(id, CtrlKind::Button, text, kTab | fw::BS_AUTORADIOBUTTON | more, {22, y, 140, y + 20});
  };
  auto edit = [&](fw::UINT id, int x, int y) { return DlgItemDef(id, CtrlKind::Edit, "", kEdit, {x, y, x + 70, y + 22}); };

  fw::res::SetDialog(IDD_IMAGE_VECTOR,
                     fw::DialogTemplate{"Image Vector",
                                        kPopup,
                                        {0, 0, 330, 200},
                                        {
                                            DlgItemDef(0xFFFF, CtrlKind::Button, "Setting", kChild | fw::BS_GROUPBOX,
                                                       {10, 8, 150, 150}),
                                            radio(IDC_PRECISION0, "Precision0", 26, fw::WS_GROUP),
                                            radio(IDC_PRECISION1, "Precision1", 50),
                                            radio(IDC_NORMAL, "Normal", 74),
                                            radio(IDC_PRECISION3, "Precision3", 98),
                                            radio(IDC_PRECISION4, "Precision4", 122),
                                            label("Black Threshold", 165, 6),
                                            DlgItemDef(IDC_BLACK_THRESHOLD, CtrlKind::Edit, "", kEdit | fw::WS_GROUP,
                                                       {165, 28, 235, 50}),
                                            DlgItemDef(IDC_VECTOR_MESSAGE, CtrlKind::Edit, "",
                                                       kChild | fw::ES_MULTILINE | fw::ES_READONLY,
                                                       {165, 58, 320, 140}),
                                            button(fw::IDOK, "Vector", 150, 162, fw::BS_DEFPUSHBUTTON),
                                            button(fw::IDCANCEL, "Cancel", 240, 162),
                                        }});

  fw::res::SetDialog(IDD_VECTOR_SET_ALL,
                     fw::DialogTemplate{"Image Vector Set",
                                        kPopup,
                                        {0, 0, 360, 300},
                                        {
                                            DlgItemDef(IDC_PARAM_LIST, CtrlKind::ListBox, "",
                                                       kTab | fw::WS_VSCROLL | fw::LBS_NOTIFY, {10, 10, 250, 290}),
                                            edit(IDC_PARAM_VALUE, 265, 10),
                                            button(IDC_PARAM_MODIFY, "Modify", 265, 42),
                                            button(IDC_PARAM_INITIALIZE, "Initialize", 265, 74),
                                            button(fw::IDOK, "OK", 265, 226, fw::BS_DEFPUSHBUTTON),
                                            button(fw::IDCANCEL, "Cancel", 265, 260),
                                        }});

  fw::res::SetDialog(IDD_VECTOR_SET,
                     fw::DialogTemplate{"Image Vector Set",
                                        kPopup,
                                        {0, 0, 330, 300},
                                        {
                                            label("Corners(2-10):", 10, 10),
                                            edit(IDC_CORNERS, 170, 10),
                                            label("Angle Capture(90-160):", 10, 40),
                                            edit(IDC_ANGLE_CAPTURE, 170, 40),
                                            label("Fitting Acc(0.12-1.0):", 10, 70),
                                            edit(IDC_FITTING_ACC, 170, 70),
                                            label("Fitting Times:(2-8):", 10, 100),
                                            edit(IDC_FITTING_TIMES, 170, 100),
                                            label("Line Restore:(0.05-1.0):", 10, 130),
                                            edit(IDC_LINE_RESTORE, 170, 130),
                                            label("Line Fitting:(10.0-20.0):", 10, 160),
                                            edit(IDC_LINE_FITTING, 170, 160),
                                            DlgItemDef(IDC_ANGLE, CtrlKind::Button, "Angle",
                                                       kTab | fw::BS_AUTOCHECKBOX, {10, 192, 160, 212}),
                                            button(IDC_RESTORE, "Restore", 10, 260),
                                            button(fw::IDOK, "OK", 150, 260, fw::BS_DEFPUSHBUTTON),
                                            button(fw::IDCANCEL, "Cancel", 240, 260),
                                        }});
}

// A value as the dialogs show it: no decimals when it is whole, else two.
bool IsWhole(float v) { return v * 100.0f == std::trunc(v) * 100.0f; }
std::string ValueText(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, IsWhole(v) ? "%-.f" : "%-.2f", double(v));
  return buf;
}
std::string LineText(float v, const char* name) {
  char buf[128];
  std::snprintf(buf, sizeof buf, IsWhole(v) ? "%5.f  =%s" : "%5.2f  =%s", double(v), name);
  return buf;
}

float FieldDefault(const char* name) {
  for (const ImageVectorField& f : ImageVectorFields())
    if (std::string(f.name) == name) return f.defaultValue;
  return 0.0f;
}

void WriteDefaults() {
  const CProfile profile;
  for (const ImageVectorField& f : ImageVectorFields()) profile.WriteFloat(kSection, f.name, f.defaultValue);
}

// The fields of dialog 212 in the order OK writes them; the check box is 0.
struct SetField {
  fw::UINT id;
  const char* name;
};
constexpr SetField kSetFields[] = {
    {IDC_CORNERS, "CornerSurround"},        {IDC_ANGLE_CAPTURE, "CornerThreshold"},
    {IDC_FITTING_ACC, "ErrorThreshold"},    {IDC_FITTING_TIMES, "FilterIterationCount"},
    {IDC_ANGLE, "KeepKnees"},               {IDC_LINE_RESTORE, "LineReversionThreshold"},
    {IDC_LINE_FITTING, "LineThreshold"},
};

constexpr char kSetCaption[] = "Image Vector Set";
constexpr char kBeyondSettings[] = "Values must be numbers within ±1000000.";

}  // namespace

void RegisterImageVectorDialogs() {
  if (!fw::res::FindDialog(IDD_IMAGE_VECTOR)) Register();
}

// --- Image Vector (280) -------------------------------------------------------------

CImageVectorDlg::CImageVectorDlg(CVORLAN98View& view, bool useVector, fw::CWnd* parent)
    : fw::CDialog(IDD_IMAGE_VECTOR, parent), m_view(view), m_useVector(useVector) {
  RegisterImageVectorDialogs();
}

CImageObject* CImageVectorDlg::SelectedImage() const {
  CSelectTracker* tracker = m_view.Tracker();
  CGraphObject* current = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!current || current->kind != OBJ_IMAGE) return nullptr;
  return dynamic_cast<CImageObject*>(current);
}

void CImageVectorDlg::NoImage() {
  SetDlgItemText(IDC_VECTOR_MESSAGE, "Please Select Image");
  if (fw::CWnd* ok = GetDlgItem(fw::IDOK)) ok->EnableWindow(fw::FALSE);
  GotoDlgCtrl(GetDlgItem(fw::IDCANCEL));
}

fw::BOOL CImageVectorDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const CProfile profile;
  const int delta = profile.GetInt(kSection, "Delta", kDefaultDelta);
  if (delta >= 0 && delta <= 4) CheckRadioButton(IDC_PRECISION0, IDC_PRECISION4, IDC_PRECISION0 + fw::UINT(delta));
  SetDlgItemInt(IDC_BLACK_THRESHOLD, fw::UINT(profile.GetInt(kSection, "BlackThreshold", kDefaultBlackThreshold)),
                fw::TRUE);
  if (!SelectedImage()) {
    NoImage();
    return fw::FALSE;
  }
  return fw::TRUE;
}

void CImageVectorDlg::SaveSettings() {
  const CProfile profile;
  // A Delta outside the buttons (all fields read from the profile) stays
  // while no button is chosen.
  const fw::UINT checked = GetCheckedRadioButton(IDC_PRECISION0, IDC_PRECISION4);
  if (checked >= IDC_PRECISION0 && checked <= IDC_PRECISION4)
    profile.WriteInt(kSection, "Delta", int(checked - IDC_PRECISION0));
  profile.WriteInt(kSection, "BlackThreshold", int(GetDlgItemInt(IDC_BLACK_THRESHOLD, nullptr, fw::TRUE)));
}

void CImageVectorDlg::PaintOver() {
  plat::HDC dc = GetDC();
  if (!dc) return;
  fw::RECT r{};
  GetClientRect(&r);
  dc->Rectangle(r.left, r.top, r.right, r.bottom);
  ReleaseDC(dc);
}

void CImageVectorDlg::OnOK() {
  CImageObject* image = SelectedImage();
  if (!image) {
    NoImage();
    return;
  }
  SaveSettings();
  CImageVectorizer vectorizer;
  CImageVectorLib& lib = vectorizer.Lib(m_useVector);
  if (!lib.IsBound()) return;
  if (!image->GetCachedBitmap()) image->LoadBitmap(nullptr);
  CBitmapColours colours;
  if (!colours.Read(image->GetCachedBitmap())) return;
  char text[64];
  std::snprintf(text, sizeof text, "图像含有%u种色彩!!", colours.Count());
  SetDlgItemText(IDC_VECTOR_MESSAGE, text);
  if (colours.Count() >= 3) {
    SetDlgItemText(IDC_VECTOR_MESSAGE, "彩色图像色彩不能超过2色");
    plat::MessageBeep();
    return;
  }
  if (colours.Count() < 2) return;
  PaintOver();
  std::unique_ptr<CGraphObject> traced = TraceColours(lib, colours, std::uint32_t(m_hWnd));
  if (!traced) {
    Invalidate(fw::TRUE);  // the dialog stays: show its controls again
    return;
  }

  // Fitted onto the image: bitmap pixels to the image's bounds.
  const CFRect& b = image->bounds;
  traced->matrix.SetIdentity();
  traced->matrix.m00 = (b.right - b.left) / float(colours.Width());
  traced->matrix.m11 = (b.bottom - b.top) / float(colours.Height());
  traced->matrix.m20 = b.left;
  traced->matrix.m21 = b.top;
  traced->matrix.TransformRect(traced->bounds);
  if (auto* path = dynamic_cast<CPathObject*>(traced.get())) path->color = 255;

  CVORLAN98Doc* doc = m_view.GetDoc();
  if (!doc) return;
  CUndoList* undo = m_view.GetUndoList();
  undo->StartRecord(0);
  CGraphObject* raw = traced.release();
  if (undo->GetRecordDepth() != 0) undo->AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
  doc->AddObject(raw, true);
  raw->InvalidateObjectRect(&m_view, true);
  m_view.SendMessage(fw::WM_COMMAND, ID_TURN_BACK, 0);
  undo->EndRecord();
  doc->SetModifiedFlag(fw::TRUE);
  fw::CDialog::OnOK();
}

void CImageVectorDlg::OnCancel() {
  SaveSettings();
  fw::CDialog::OnCancel();
}

// --- Image Vector Set (213) ---------------------------------------------------------

CVectorSetAllDlg::CVectorSetAllDlg(fw::CWnd* parent) : fw::CDialog(IDD_VECTOR_SET_ALL, parent) {
  RegisterImageVectorDialogs();
}

FW_BEGIN_COMMAND_MAP(CVectorSetAllDlg, fw::CDialog)
FW_ON_LBN_SELCHANGE(IDC_PARAM_LIST, OnSelectLine)
FW_ON_BN_CLICKED(IDC_PARAM_MODIFY, OnModify)
FW_ON_BN_CLICKED(IDC_PARAM_INITIALIZE, OnInitialize)
FW_END_COMMAND_MAP()

void CVectorSetAllDlg::Fill(int select) {
  auto* list = Item<fw::CListBox>(IDC_PARAM_LIST);
  if (!list) return;
  list->ResetContent();
  const auto& fields = ImageVectorFields();
  for (std::size_t i = 0; i < fields.size(); ++i) list->AddString(LineText(m_values[i], fields[i].name));
  if (select >= 0) list->SetCurSel(select);
}

fw::BOOL CVectorSetAllDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const CProfile profile;
  m_values.clear();
  // A value missing from the profile shows its default.
  for (const ImageVectorField& f : ImageVectorFields())
    m_values.push_back(profile.GetFloat(kSection, f.name, f.defaultValue));
  Fill(-1);
  return fw::TRUE;
}

void CVectorSetAllDlg::OnSelectLine() {
  auto* list = Item<fw::CListBox>(IDC_PARAM_LIST);
  const int i = list ? list->GetCurSel() : -1;
  if (i < 0 || std::size_t(i) >= m_values.size()) return;
  SetDlgItemText(IDC_PARAM_VALUE, ValueText(m_values[std::size_t(i)]));
}

void CVectorSetAllDlg::OnModify() {
  auto* list = Item<fw::CListBox>(IDC_PARAM_LIST);
  const int i = list ? list->GetCurSel() : -1;
  if (i < 0 || std::size_t(i) >= m_values.size()) return;
  const std::string text = GetDlgItemText(IDC_PARAM_VALUE).substr(0, kValueLimit);
  const float v = ParseSettingFloat(text.c_str());
  if (!PageHolds(v)) return dlgutil::Refuse(kBeyondSettings, kSetCaption);
  if (!(v >= 0.0f)) return;
  m_values[std::size_t(i)] = v;
  Fill(i);
}

void CVectorSetAllDlg::OnInitialize() {
  WriteDefaults();
  m_values.clear();
  for (const ImageVectorField& f : ImageVectorFields()) m_values.push_back(f.defaultValue);
  Fill(-1);
}

void CVectorSetAllDlg::OnOK() {
  const CProfile profile;
  const auto& fields = ImageVectorFields();
  for (std::size_t i = 0; i < fields.size() && i < m_values.size(); ++i)
    profile.WriteFloat(kSection, fields[i].name, m_values[i]);
  fw::CDialog::OnOK();
}

// --- Image Vector Set (212) ---------------------------------------------------------

CVectorSetDlg::CVectorSetDlg(fw::CWnd* parent) : fw::CDialog(IDD_VECTOR_SET, parent) { RegisterImageVectorDialogs(); }

FW_BEGIN_COMMAND_MAP(CVectorSetDlg, fw::CDialog)
FW_ON_BN_CLICKED(IDC_RESTORE, OnRestore)
FW_END_COMMAND_MAP()

void CVectorSetDlg::Show() {
  const CProfile profile;
  for (const SetField& f : kSetFields) {
    const float v = profile.GetFloat(kSection, f.name, FieldDefault(f.name));
    if (f.id == IDC_ANGLE)
      CheckDlgButton(IDC_ANGLE, v != 0.0f ? 1 : 0);
    else
      SetDlgItemText(f.id, ValueText(v));
  }
}

fw::BOOL CVectorSetDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  Show();
  return fw::TRUE;
}

void CVectorSetDlg::OnRestore() {
  WriteDefaults();
  Show();
}

void CVectorSetDlg::OnOK() {
  // The fields written, up to the first that reads as 0: all or none of them.
  std::vector<std::pair<const char*, float>> values;
  for (const SetField& f : kSetFields) {
    if (f.id == IDC_ANGLE) {
      values.emplace_back(f.name, IsDlgButtonChecked(IDC_ANGLE) ? 1.0f : 0.0f);
      continue;
    }
    const float v = ParseSettingFloat(GetDlgItemText(f.id).c_str());
    if (v == 0.0f) break;
    if (!PageHolds(v)) return dlgutil::Refuse(kBeyondSettings, kSetCaption);
    values.emplace_back(f.name, v);
  }
  const CProfile profile;
  for (const auto& [name, v] : values) profile.WriteFloat(kSection, name, v);
  fw::CDialog::OnOK();
}
