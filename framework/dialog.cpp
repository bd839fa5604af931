#include "framework/dialog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "framework/app.h"
#include "framework/input.h"
#include "platform/report.h"

namespace fw {

namespace {

ModalDriver* g_driver = nullptr;

void Complain(const std::string& text) {
  plat::MessageBox(text, AfxGetApp() ? AfxGetApp()->m_pszAppName : std::string(),
                   plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return std::string();
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool ParseLong(const std::string& text, long long& out) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(t.c_str(), &end, 10);
  if (errno || !end || *end) return false;
  out = v;
  return true;
}

bool ParseDouble(const std::string& text, double& out) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (errno || !end || *end) return false;
  out = v;
  return true;
}

std::string FormatG(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

std::string FileNameOf(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace

ModalDriver* SetModalDriver(ModalDriver* driver) {
  ModalDriver* prev = g_driver;
  g_driver = driver;
  return prev;
}

ModalDriver* GetModalDriver() { return g_driver; }

ScriptedModalDriver::ScriptedModalDriver() : prev_(SetModalDriver(this)) {}
ScriptedModalDriver::~ScriptedModalDriver() { SetModalDriver(prev_); }

void ScriptedModalDriver::RunModal(CDialog& dlg) {
  if (steps_.empty()) {
    dlg.scriptedRun_ = false;
    dlg.EndDialog(IDCANCEL);
    return;
  }
  Step step = std::move(steps_.front());
  steps_.erase(steps_.begin());
  dlg.scriptedRun_ = true;
  step(dlg);
}

void ScriptedModalDriver::Finished(CDialog& dlg) {
  runs_.push_back(Run{dlg.GetTemplateId(), dlg.GetWindowText(), dlg.GetResult(), dlg.scriptedRun_});
}

// Data exchange.

void CDataExchange::Fail() {
  failed = true;
  if (m_idLastControl)
    if (CWnd* c = m_pDlgWnd->GetDlgItem(m_idLastControl)) c->SetFocus();
}

CWnd* CDataExchange::PrepareCtrl(UINT id) {
  m_idLastControl = id;
  return m_pDlgWnd->GetDlgItem(id);
}

// Dialog.

FW_IMPLEMENT_DYNAMIC(CDialog, CWnd)

FW_BEGIN_COMMAND_MAP(CDialog, CWnd)
FW_ON_COMMAND(IDOK, OnOKCommand)
FW_ON_COMMAND(IDCANCEL, OnCancelCommand)
FW_END_COMMAND_MAP()

CDialog::CDialog() = default;
CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialog::CreateDialogWindow(CWnd* parent, bool modal) {
  const DialogTemplate* t = nullptr;
  if (templateId_) {
    t = res::FindDialog(templateId_);
    if (!t) return FALSE;
  }
  DWORD style = t ? t->style : (WS_POPUP | WS_CAPTION | WS_SYSMENU);
  RECT r = t ? t->rect : RECT{0, 0, 320, 240};
  std::string caption = t ? t->caption : caption_;
  // A modal dialog shows once its start is done (see DoModal).
  if (modal) style = (style & ~(WS_CHILD | WS_VISIBLE)) | WS_POPUP;
  if (!CreateEx(0, "#32770", caption, style, r, parent, 0)) return FALSE;
  return TRUE;
}

int CDialog::OnCreate(CREATESTRUCT* cs) {
  if (templateId_)
    if (const DialogTemplate* t = res::FindDialog(templateId_)) CreateDialogControls(this, *t, controls_);
  return CWnd::OnCreate(cs);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) return OnInitDialog();
  return CWnd::WindowProc(msg, wp, lp);
}

int CDialog::DoModal() {
  ended_ = false;
  modal_ = true;
  scriptedRun_ = false;
  result_ = IDCANCEL;
  CWnd* owner = parent_ ? parent_ : AfxGetMainWnd();
  if (owner && !owner->m_hWnd) owner = nullptr;
  CWnd* top = owner ? owner->GetTopLevelParent() : nullptr;
  bool reenable = top && top->IsWindowEnabled();
  HWND topHandle = top ? top->m_hWnd : 0;
  if (reenable) top->EnableWindow(FALSE);
  CWnd* before = CWnd::GetFocus();
  const HWND beforeHandle = before ? before->m_hWnd : 0;
  if (!CreateDialogWindow(owner, true)) {
    if (reenable && IsWindow(topHandle)) top->EnableWindow(TRUE);
    modal_ = false;
    return -1;
  }
  const HWND self = m_hWnd;
  const LRESULT focusFirst = SendMessage(WM_INITDIALOG);
  // As the platform does: the keyboard goes into the dialog (its first tab stop, else
  // the dialog itself), then the dialog shows; a common dialog's own window only
  // stands in for the host's dialog and never shows.
  if (!ended_ && IsWindow(self) && !dynamic_cast<const CCommonDialog*>(this)) {
    if (focusFirst) FocusFirstTabStop();
    if (IsWindow(self)) ShowWindow(SW_SHOW);
  }
  if (!ended_ && IsWindow(self))
    if (ModalDriver* d = GetModalDriver()) d->RunModal(*this);
  if (!ended_) {
    ended_ = true;
    result_ = IDCANCEL;
  }
  if (auto* s = dynamic_cast<ScriptedModalDriver*>(GetModalDriver())) s->Finished(*this);
  if (reenable && IsWindow(topHandle)) top->EnableWindow(TRUE);
  if (m_hWnd) DestroyWindow();
  // The keyboard goes back where it was when it left with the dialog.
  if (!CWnd::GetFocus() && beforeHandle && IsWindow(beforeHandle)) CWnd::FromHandle(beforeHandle)->SetFocus();
  modal_ = false;
  return result_;
}

void CDialog::FocusFirstTabStop() {
  for (CWnd* c : Children()) {
    const DWORD s = c->GetStyle();
    if ((s & WS_TABSTOP) && (s & WS_VISIBLE) && !(s & WS_DISABLED)) {
      c->SetFocus();
      return;
    }
  }
  SetFocus();
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  templateId_ = templateId;
  parent_ = parent;
  modal_ = false;
  ended_ = false;
  if (!CreateDialogWindow(parent, false)) return FALSE;
  SendMessage(WM_INITDIALOG);
  return m_hWnd != 0;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
  result_ = result;
  ended_ = true;
  if (!modal_ && m_hWnd) ShowWindow(SW_HIDE);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL save) {
  CDataExchange dx(this, save);
  DoDataExchange(&dx);
  return !dx.failed;
}

void CDialog::OnClose() { SendMessage(WM_COMMAND, MAKELONG(IDCANCEL, BN_CLICKED), 0); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return FALSE;
  CWnd* target = CWnd::FromHandle(msg->hwnd);
  if (!target || (target != this && !IsChild(target))) return FALSE;
  if (msg->wParam == VK_ESCAPE) {
    if (!ClickButton(IDCANCEL)) OnCancel();
    return TRUE;
  }
  if (msg->wParam == VK_RETURN) {
    if (auto* e = dynamic_cast<CEdit*>(target); e && (e->GetStyle() & ES_MULTILINE)) return FALSE;
    UINT def = IDOK;
    for (CWnd* c : Children())
      if (auto* b = dynamic_cast<CButton*>(c); b && b->ButtonType() == BS_DEFPUSHBUTTON) {
        def = b->GetDlgCtrlID();
        break;
      }
    if (!ClickButton(def) && def == IDOK) OnOK();
    return TRUE;
  }
  return FALSE;
}

void CDialog::SetDlgItemText(UINT id, const std::string& text) {
  if (CWnd* c = GetDlgItem(id)) c->SetWindowText(text);
}

std::string CDialog::GetDlgItemText(UINT id) const {
  CWnd* c = GetDlgItem(id);
  return c ? c->GetWindowText() : std::string();
}

void CDialog::SetDlgItemInt(UINT id, UINT value, BOOL isSigned) {
  SetDlgItemText(id, isSigned ? std::to_string(int(value)) : std::to_string(value));
}

UINT CDialog::GetDlgItemInt(UINT id, BOOL* ok, BOOL isSigned) const {
  long long v = 0;
  bool good = GetDlgItem(id) && ParseLong(GetDlgItemText(id), v);
  if (good && !isSigned && v < 0) good = false;
  if (good && (v > 0xFFFFFFFFll || v < -0x80000000ll)) good = false;
  if (ok) *ok = good;
  return good ? UINT(v) : 0;
}

void CDialog::CheckDlgButton(UINT id, UINT check) {
  if (auto* b = Item<CButton>(id)) b->SetCheck(int(check));
}

UINT CDialog::IsDlgButtonChecked(UINT id) const {
  auto* b = Item<CButton>(id);
  return b ? UINT(b->GetCheck()) : 0;
}

void CDialog::CheckRadioButton(UINT first, UINT last, UINT check) {
  for (UINT id = first; id <= last; ++id) CheckDlgButton(id, id == check ? BST_CHECKED : BST_UNCHECKED);
}

UINT CDialog::GetCheckedRadioButton(UINT first, UINT last) const {
  for (UINT id = first; id <= last; ++id)
    if (IsDlgButtonChecked(id) == BST_CHECKED) return id;
  return 0;
}

void CDialog::GotoDlgCtrl(CWnd* ctrl) {
  if (ctrl) ctrl->SetFocus();
}

BOOL CDialog::ClickButton(UINT id) {
  auto* b = Item<CButton>(id);
  if (!b || !b->IsWindowEnabled()) return FALSE;
  b->Click();
  return TRUE;
}

BOOL CDialog::SelectComboItem(UINT id, int index) {
  auto* c = Item<CComboBox>(id);
  if (!c || !c->IsWindowEnabled() || index < 0 || index >= c->GetCount()) return FALSE;
  c->UserSelect(index);
  return TRUE;
}

BOOL CDialog::SelectComboString(UINT id, const std::string& exact) {
  auto* c = Item<CComboBox>(id);
  return c && c->IsWindowEnabled() && c->UserSelectString(exact);
}

BOOL CDialog::SelectListItem(UINT id, int index) {
  auto* l = Item<CListBox>(id);
  if (!l || !l->IsWindowEnabled() || index < 0 || index >= l->GetCount()) return FALSE;
  l->UserSelect(index);
  return TRUE;
}

BOOL CDialog::TypeText(UINT id, const std::string& text) {
  if (auto* e = Item<CEdit>(id)) return e->UserType(text) || e->GetWindowText() == text;
  if (auto* c = Item<CComboBox>(id); c && c->IsWindowEnabled()) {
    c->UserType(text);
    return TRUE;
  }
  return FALSE;
}

BOOL CDialog::SetCheckBox(UINT id, int check) {
  auto* b = Item<CButton>(id);
  if (!b || !b->IsWindowEnabled()) return FALSE;
  for (int i = 0; i < 3 && b->GetCheck() != check; ++i) {
    DWORD t = b->ButtonType();
    if (t != BS_AUTOCHECKBOX && t != BS_AUTO3STATE && t != BS_AUTORADIOBUTTON) {
      b->SetCheck(check);
      const HWND button = b->m_hWnd;
      b->NotifyParent(BN_CLICKED);
      return Alive(button) && b->GetCheck() == check;
    }
    const HWND button = b->m_hWnd;
    b->Click();
    if (!Alive(button)) return FALSE;
  }
  return b->GetCheck() == check;
}

// Exchange functions.

void DDX_Text(CDataExchange* dx, UINT id, std::string& value) {
  if (dx->failed) return;
  CWnd* c = dx->PrepareCtrl(id);
  if (!c) return;
  if (dx->m_bSaveAndValidate)
    value = c->GetWindowText();
  else
    c->SetWindowText(value);
}

namespace {
template <class T>
void ExchangeInteger(CDataExchange* dx, UINT id, T& value, long long lo, long long hi) {
  if (dx->failed) return;
  CWnd* c = dx->PrepareCtrl(id);
  if (!c) return;
  if (dx->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseLong(c->GetWindowText(), v) || v < lo || v > hi) {
      Complain("Please enter an integer.");
      dx->Fail();
      return;
    }
    value = T(v);
  } else {
    c->SetWindowText(std::to_string(value));
  }
}

template <class T>
void ExchangeFloat(CDataExchange* dx, UINT id, T& value, int digits) {
  if (dx->failed) return;
  CWnd* c = dx->PrepareCtrl(id);
  if (!c) return;
  if (dx->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseDouble(c->GetWindowText(), v)) {
      Complain("Please enter a number.");
      dx->Fail();
      return;
    }
    value = T(v);
  } else {
    c->SetWindowText(FormatG(double(value), digits));
  }
}
}  // namespace

void DDX_Text(CDataExchange* dx, UINT id, int& value) { ExchangeInteger(dx, id, value, -0x80000000ll, 0x7FFFFFFFll); }
void DDX_Text(CDataExchange* dx, UINT id, UINT& value) { ExchangeInteger(dx, id, value, 0, 0xFFFFFFFFll); }
void DDX_Text(CDataExchange* dx, UINT id, long& value) { ExchangeInteger(dx, id, value, -0x80000000ll, 0x7FFFFFFFll); }
void DDX_Text(CDataExchange* dx, UINT id, float& value) { ExchangeFloat(dx, id, value, 6); }
void DDX_Text(CDataExchange* dx, UINT id, double& value) { ExchangeFloat(dx, id, value, 15); }

void DDX_Check(CDataExchange* dx, UINT id, int& value) {
  if (dx->failed) return;
  auto* b = dynamic_cast<CButton*>(dx->PrepareCtrl(id));
  if (!b) return;
  if (dx->m_bSaveAndValidate)
    value = b->GetCheck();
  else
    b->SetCheck(value);
}

void DDX_Radio(CDataExchange* dx, UINT id, int& value) {
  if (dx->failed) return;
  CWnd* first = dx->PrepareCtrl(id);
  if (!first) return;
  const auto& kids = dx->m_pDlgWnd->Children();
  auto it = std::find(kids.begin(), kids.end(), first);
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (; it != kids.end(); ++it) {
    if (it != std::find(kids.begin(), kids.end(), first) && ((*it)->GetStyle() & WS_GROUP)) break;
    auto* b = dynamic_cast<CButton*>(*it);
    if (!b || (b->ButtonType() != BS_RADIOBUTTON && b->ButtonType() != BS_AUTORADIOBUTTON)) continue;
    if (dx->m_bSaveAndValidate) {
      if (b->GetCheck() == BST_CHECKED) value = index;
    } else {
      b->SetCheck(index == value ? BST_CHECKED : BST_UNCHECKED);
    }
    ++index;
  }
}

void DDX_CBIndex(CDataExchange* dx, UINT id, int& value) {
  if (dx->failed) return;
  auto* c = dynamic_cast<CComboBox*>(dx->PrepareCtrl(id));
  if (!c) return;
  if (dx->m_bSaveAndValidate)
    value = c->GetCurSel();
  else
    c->SetCurSel(value);
}

void DDX_CBString(CDataExchange* dx, UINT id, std::string& value) {
  if (dx->failed) return;
  auto* c = dynamic_cast<CComboBox*>(dx->PrepareCtrl(id));
  if (!c) return;
  if (dx->m_bSaveAndValidate) {
    value = c->GetWindowText();
  } else if (c->SelectString(-1, value) == CB_ERR && (c->GetStyle() & 3) != CBS_DROPDOWNLIST) {
    c->SetWindowText(value);
  }
}

void DDX_CBStringExact(CDataExchange* dx, UINT id, std::string& value) {
  if (dx->failed) return;
  auto* c = dynamic_cast<CComboBox*>(dx->PrepareCtrl(id));
  if (!c) return;
  if (dx->m_bSaveAndValidate) {
    value = c->GetWindowText();
    return;
  }
  int i = c->FindStringExact(-1, value);
  if (i >= 0)
    c->SetCurSel(i);
  else if ((c->GetStyle() & 3) != CBS_DROPDOWNLIST)
    c->SetWindowText(value);
}

void DDX_LBIndex(CDataExchange* dx, UINT id, int& value) {
  if (dx->failed) return;
  auto* l = dynamic_cast<CListBox*>(dx->PrepareCtrl(id));
  if (!l) return;
  if (dx->m_bSaveAndValidate)
    value = l->GetCurSel();
  else
    l->SetCurSel(value);
}

void DDX_LBString(CDataExchange* dx, UINT id, std::string& value) {
  if (dx->failed) return;
  auto* l = dynamic_cast<CListBox*>(dx->PrepareCtrl(id));
  if (!l) return;
  if (dx->m_bSaveAndValidate)
    value = l->GetText(l->GetCurSel());
  else if (l->SelectString(-1, value) == LB_ERR)
    l->SetCurSel(-1);
}

void DDX_Slider(CDataExchange* dx, UINT id, int& value) {
  if (dx->failed) return;
  auto* s = dynamic_cast<CSliderCtrl*>(dx->PrepareCtrl(id));
  if (!s) return;
  if (dx->m_bSaveAndValidate)
    value = s->GetPos();
  else
    s->SetPos(value);
}

void DDX_Control(CDataExchange* dx, UINT id, CWnd& control) {
  if (dx->failed || control.m_hWnd) return;
  SubclassDlgItem(control, id, dx->m_pDlgWnd);
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
  if (dx->failed) return;
  if (!dx->m_bSaveAndValidate) {
    if (auto* e = dynamic_cast<CEdit*>(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl))) e->LimitText(maxChars);
    if (auto* c = dynamic_cast<CComboBox*>(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl))) c->LimitText(maxChars);
    return;
  }
  if (int(value.size()) > maxChars) {
    Complain("Enter no more than " + std::to_string(maxChars) + " characters.");
    dx->Fail();
  }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minVal, int maxVal) {
  if (dx->failed || !dx->m_bSaveAndValidate) return;
  if (value < minVal || value > maxVal) {
    Complain("Please enter an integer between " + std::to_string(minVal) + " and " + std::to_string(maxVal) + ".");
    dx->Fail();
  }
}

void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minVal, UINT maxVal) {
  if (dx->failed || !dx->m_bSaveAndValidate) return;
  if (value < minVal || value > maxVal) {
    Complain("Please enter an integer between " + std::to_string(minVal) + " and " + std::to_string(maxVal) + ".");
    dx->Fail();
  }
}

void DDV_MinMaxFloat(CDataExchange* dx, float value, float minVal, float maxVal) {
  DDV_MinMaxDouble(dx, double(value), double(minVal), double(maxVal));
}

void DDV_MinMaxDouble(CDataExchange* dx, double value, double minVal, double maxVal) {
  if (dx->failed || !dx->m_bSaveAndValidate) return;
  if (!(value >= minVal && value <= maxVal)) {
    Complain("Please enter a number between " + FormatG(minVal, 6) + " and " + FormatG(maxVal, 6) + ".");
    dx->Fail();
  }
}

// Common dialogs.

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : CCommonDialog(parent), m_flags(flags), open_(openFileDialog) {
  caption_ = open_ ? "Open" : "Save As";
  if (defExt) defExt_ = defExt;
  if (fileName) path_ = fileName;
  if (filter) {
    std::string f = filter;
    size_t pos = 0;
    while (pos < f.size()) {
      size_t a = f.find('|', pos);
      if (a == std::string::npos || a == pos) break;
      size_t b = f.find('|', a + 1);
      if (b == std::string::npos) b = f.size();
      filters_.emplace_back(f.substr(pos, a - pos), f.substr(a + 1, b - a - 1));
      pos = b + 1;
    }
  }
}

std::string CFileDialog::GetFileName() const { return FileNameOf(path_); }

std::string CFileDialog::GetFileTitle() const {
  std::string n = GetFileName();
  size_t dot = n.rfind('.');
  return dot == std::string::npos ? n : n.substr(0, dot);
}

std::string CFileDialog::GetFileExt() const {
  std::string n = GetFileName();
  size_t dot = n.rfind('.');
  return dot == std::string::npos ? std::string() : n.substr(dot + 1);
}

std::string CFileDialog::GetFolderPath() const {
  size_t p = path_.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path_.substr(0, p);
}

void CFileDialog::Choose(const std::string& path, int filterIndex) {
  path_ = path;
  if (!defExt_.empty() && GetFileName().find('.') == std::string::npos) path_ += "." + defExt_;
  if (filterIndex > 0) m_nFilterIndex = filterIndex;
  EndDialog(IDOK);
}

CColorDialog::CColorDialog(COLORREF init, DWORD flags, CWnd* parent)
    : CCommonDialog(parent), m_flags(flags), color_(init) {
  caption_ = "Color";
}

COLORREF* CColorDialog::GetSavedCustomColors() {
  static COLORREF colors[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  return colors;
}

void CColorDialog::Choose(COLORREF c) {
  color_ = c;
  EndDialog(IDOK);
}

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd* parent)
    : CCommonDialog(parent), m_flags(flags | (printSetupOnly ? PD_PRINTSETUP : 0)), setupOnly_(printSetupOnly) {
  caption_ = setupOnly_ ? "Print Setup" : "Print";
}

void CPrintDialog::Choose(const std::string& device, int copies, bool landscape, int paperSize) {
  device_ = device;
  copies_ = copies < 1 ? 1 : copies;
  landscape_ = landscape;
  if (device != m_devNames.device) {
    plat::DevNames names;
    plat::DevMode mode;
    if (plat::GetPrinter(device, &names, &mode)) {
      m_devNames = names;
      m_devMode = mode;
    } else {
      m_devNames = {};
      m_devNames.device = device;
    }
  }
  m_devMode.copies = short(std::min(copies_, 9999));
  m_devMode.orientation = landscape ? plat::DMORIENT_LANDSCAPE : plat::DMORIENT_PORTRAIT;
  if (paperSize > 0 && paperSize <= 0x7FFF) m_devMode.paperSize = short(paperSize);
  EndDialog(IDOK);
}

BOOL CPrintDialog::GetDefaults() {
  plat::DevNames names;
  plat::DevMode mode;
  if (!plat::GetDefaultPrinter(&names, &mode)) {
    m_devNames = {};
    m_devMode = {};
    device_.clear();
    return FALSE;
  }
  m_devNames = names;
  m_devMode = mode;
  device_ = names.device;
  copies_ = mode.copies;
  landscape_ = mode.orientation == plat::DMORIENT_LANDSCAPE;
  return TRUE;
}

std::unique_ptr<plat::PrinterDC> CPrintDialog::CreatePrinterDC() const {
  if (!HasPrinter()) return nullptr;
  return plat::PrinterDC::Create(m_devNames, m_devMode);
}

}  // namespace fw
