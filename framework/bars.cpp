#include "framework/bars.h"

#include <algorithm>

#include "framework/controls.h"
#include "framework/docview.h"
#include "framework/resources.h"

namespace fw {

FW_IMPLEMENT_DYNAMIC(CControlBar, CWnd)
FW_IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
FW_IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)
FW_IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

namespace {
DWORD AlignOf(DWORD style) { return style & CBRS_ALIGN_ANY; }
}  // namespace

BOOL CControlBar::CreateBar(CWnd* parent, DWORD style, UINT id, const char* className) {
  barStyle_ = style & (0xFFFFu | CBRS_GRIPPER);
  DWORD ws = (style & 0xFFFF0000u & ~CBRS_GRIPPER) | WS_CHILD;
  if (!CreateEx(0, className, "", ws, RECT{}, parent, id)) return FALSE;
  DWORD a = AlignOf(barStyle_);
  dockSide_ = (a == CBRS_ALIGN_TOP || a == CBRS_ALIGN_BOTTOM || a == CBRS_ALIGN_LEFT || a == CBRS_ALIGN_RIGHT) ? a : 0;
  if (auto* f = dynamic_cast<CFrameWnd*>(parent)) f->AddControlBar(this);
  return TRUE;
}

void CControlBar::OnDestroy() {
  if (auto* f = dynamic_cast<CFrameWnd*>(GetParent())) f->RemoveControlBar(this);
  CWnd::OnDestroy();
}

CFrameWnd* CControlBar::GetDockingFrame() const { return dynamic_cast<CFrameWnd*>(GetParent()); }

SIZE CControlBar::CalcFixedLayout(BOOL, BOOL) { return SIZE{0, 0}; }

void CControlBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {}

// Tool bar.

namespace {
class CToolCmdUI : public CCmdUI {
 public:
  CToolBar* bar = nullptr;
  void Enable(BOOL on) override {
    CCmdUI::Enable(on);
    UINT s = bar->GetButtonStyle(int(m_nIndex));
    bar->SetButtonStyle(int(m_nIndex), on ? (s & ~TBBS_DISABLED) : (s | TBBS_DISABLED));
  }
  void SetCheck(int c) override {
    CCmdUI::SetCheck(c);
    UINT s = bar->GetButtonStyle(int(m_nIndex)) & ~(TBBS_CHECKED | TBBS_INDETERMINATE);
    if (c == 1) s |= TBBS_CHECKED;
    if (c == 2) s |= TBBS_INDETERMINATE;
    bar->SetButtonStyle(int(m_nIndex), s | TBBS_CHECKBOX);
  }
  void SetRadio(BOOL on) override {
    CCmdUI::SetRadio(on);
    UINT s = bar->GetButtonStyle(int(m_nIndex)) & ~(TBBS_CHECKED | TBBS_INDETERMINATE);
    bar->SetButtonStyle(int(m_nIndex), s | TBBS_CHECKBOX | (on ? TBBS_CHECKED : 0));
  }
  void SetText(const std::string&) override {}
};
}  // namespace

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, RECT, UINT id) {
  ctrlStyle_ = ctrlStyle;
  return CreateBar(parent, style, id, "FwToolBar");
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, RECT{}, id); }

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  const ToolBarDef* def = res::FindToolBar(resourceId);
  if (!def) return FALSE;
  buttonSize_ = SIZE{def->buttonWidth + 7, def->buttonHeight + 7};
  SetButtons(def->ids.data(), int(def->ids.size()));
  loaded_ = resourceId;
  ++loadCount_;
  return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  NotifyChanged(WOC_CONTENT);
  buttons_.clear();
  int image = 0;
  for (int i = 0; i < count; ++i) {
    Button b;
    b.id = ids ? ids[i] : 0;
    if (b.id == ID_SEPARATOR) {
      b.style = TBBS_SEPARATOR;
      b.image = 8;
    } else {
      b.image = image++;
    }
    buttons_.push_back(b);
  }
  if (auto* f = GetDockingFrame()) f->DelayRecalcLayout();
  return TRUE;
}

void CToolBar::SetSizes(SIZE button, SIZE) {
  NotifyChanged(WOC_CONTENT);
  buttonSize_ = button;
}

UINT CToolBar::GetItemID(int index) const {
  if (index < 0 || index >= GetCount()) return 0;
  return buttons_[size_t(index)].id;
}

int CToolBar::CommandToIndex(UINT id) const {
  for (int i = 0; i < GetCount(); ++i)
    if (buttons_[size_t(i)].id == id && !(buttons_[size_t(i)].style & TBBS_SEPARATOR)) return i;
  return -1;
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const {
  if (index < 0 || index >= GetCount()) {
    id = style = 0;
    image = -1;
    return;
  }
  const Button& b = buttons_[size_t(index)];
  id = b.id;
  style = b.style;
  image = b.image;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image) {
  NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetCount()) return;
  Button& b = buttons_[size_t(index)];
  b.id = id;
  b.style = style;
  b.image = image;
}

UINT CToolBar::GetButtonStyle(int index) const {
  return (index < 0 || index >= GetCount()) ? 0 : buttons_[size_t(index)].style;
}

void CToolBar::SetButtonStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount() || buttons_[size_t(index)].style == style) return;
  buttons_[size_t(index)].style = style;
  NotifyChanged(WOC_CONTENT);
}

BOOL CToolBar::SetButtonText(int index, const std::string& text) {
  NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetCount()) return FALSE;
  buttons_[size_t(index)].text = text;
  return TRUE;
}

void CToolBar::GetItemRect(int index, RECT* r) const {
  *r = RECT{};
  int x = 0, y = 0;
  // Docked on a side, a bar whose owner wrapped no row stands in one column; its
  // separators become gaps of their width.
  bool column = (dockSide_ == CBRS_ALIGN_LEFT || dockSide_ == CBRS_ALIGN_RIGHT) &&
                std::none_of(buttons_.begin(), buttons_.end(), [](const Button& b) { return b.style & TBBS_WRAPPED; });
  if (column) {
    for (int i = 0; i < GetCount(); ++i) {
      const Button& b = buttons_[size_t(i)];
      if (b.style & TBBS_HIDDEN) {
        if (i == index) return;
        continue;
      }
      int h = (b.style & TBBS_SEPARATOR) ? std::max(0, b.image) : buttonSize_.cy;
      if (i == index) {
        *r = RECT{0, y, buttonSize_.cx, y + h};
        return;
      }
      y += h;
    }
    return;
  }
  for (int i = 0; i < GetCount(); ++i) {
    const Button& b = buttons_[size_t(i)];
    if (b.style & TBBS_HIDDEN) {
      if (i == index) return;
      continue;
    }
    int w = (b.style & TBBS_SEPARATOR) ? std::max(0, b.image) : buttonSize_.cx;
    if (i == index) {
      *r = RECT{x, y, x + w, y + buttonSize_.cy};
      return;
    }
    x += w;
    if (b.style & TBBS_WRAPPED) {
      x = 0;
      y += buttonSize_.cy;
    }
  }
}

int CToolBar::HitTest(POINT p) const {
  for (int i = 0; i < GetCount(); ++i) {
    RECT r;
    GetItemRect(i, &r);
    if (!r.empty() && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
  }
  return -1;
}

SIZE CToolBar::CalcFixedLayout(BOOL, BOOL) {
  SIZE s{0, buttons_.empty() ? 0 : buttonSize_.cy};
  for (int i = 0; i < GetCount(); ++i) {
    RECT r;
    GetItemRect(i, &r);
    s.cx = std::max(s.cx, r.right);
    s.cy = std::max(s.cy, r.bottom);
  }
  return s;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  CToolCmdUI state;
  state.bar = this;
  state.m_pOther = this;
  state.m_nIndexMax = UINT(GetCount());
  for (int i = 0; i < GetCount(); ++i) {
    const Button& b = buttons_[size_t(i)];
    if (b.style & TBBS_SEPARATOR) continue;
    state.m_nIndex = UINT(i);
    state.m_nID = b.id;
    state.DoUpdate(target, disableIfNoHandler);
  }
}

// Dialog bar.

CDialogBar::CDialogBar() = default;
CDialogBar::~CDialogBar() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialogBar::Create(CWnd* parent, UINT templateId, DWORD style, UINT id) {
  const DialogTemplate* t = res::FindDialog(templateId);
  if (!t) return FALSE;
  templateId_ = templateId;
  size_ = SIZE{t->rect.width(), t->rect.height()};
  if (!CreateBar(parent, style | WS_VISIBLE, id, "FwDialogBar")) return FALSE;
  MoveWindow(0, 0, size_.cx, size_.cy, FALSE);
  CreateDialogControls(this, *t, controls_);
  return TRUE;
}

SIZE CDialogBar::CalcFixedLayout(BOOL, BOOL) { return size_; }

void CDialogBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  CCmdUI state;
  for (CWnd* c : Children()) {
    auto* button = dynamic_cast<CButton*>(c);
    if (!button || c->GetDlgCtrlID() == 0) continue;
    state.m_nID = c->GetDlgCtrlID();
    state.m_pOther = c;
    state.enabled = true;
    state.m_bEnableChanged = FALSE;
    state.DoUpdate(target, disableIfNoHandler);
    if (state.m_bEnableChanged || disableIfNoHandler) c->EnableWindow(state.enabled);
  }
}

// Status bar.

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateBar(parent, style, id, "FwStatusBar"); }

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  NotifyChanged(WOC_CONTENT);
  panes_.clear();
  BOOL ok = TRUE;
  for (int i = 0; i < count; ++i) {
    Pane p;
    p.id = ids[i];
    if (p.id == ID_SEPARATOR) {
      p.style = SBPS_STRETCH | SBPS_NOBORDERS;
      p.width = 1;
    } else {
      if (!res::LoadString(p.id, p.text)) ok = FALSE;
      p.width = int(p.text.size()) * 7;
    }
    panes_.push_back(std::move(p));
  }
  return ok;
}

int CStatusBar::CommandToIndex(UINT id) const {
  for (int i = 0; i < GetCount(); ++i)
    if (panes_[size_t(i)].id == id) return i;
  return -1;
}

UINT CStatusBar::GetItemID(int index) const {
  return (index < 0 || index >= GetCount()) ? 0 : panes_[size_t(index)].id;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetCount()) return;
  Pane& p = panes_[size_t(index)];
  p.id = id;
  p.style = style;
  p.width = width;
}

void CStatusBar::SetPaneWidestText(int index, const std::string& widest) {
  if (index < 0 || index >= GetCount()) return;
  NotifyChanged(WOC_CONTENT);
  Pane& p = panes_[size_t(index)];
  p.widest = widest;
}

std::string CStatusBar::GetPaneWidestText(int index) const {
  return (index < 0 || index >= GetCount()) ? std::string() : panes_[size_t(index)].widest;
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  if (index < 0 || index >= GetCount()) {
    id = style = 0;
    width = 0;
    return;
  }
  const Pane& p = panes_[size_t(index)];
  id = p.id;
  style = p.style;
  width = p.width;
}

UINT CStatusBar::GetPaneStyle(int index) const {
  return (index < 0 || index >= GetCount()) ? 0 : panes_[size_t(index)].style;
}

void CStatusBar::SetPaneStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount() || panes_[size_t(index)].style == style) return;
  panes_[size_t(index)].style = style;
  NotifyChanged(WOC_CONTENT);
}

BOOL CStatusBar::SetPaneText(int index, const std::string& text, BOOL update) {
  NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetCount()) return FALSE;
  panes_[size_t(index)].text = text;
  history_.push_back(TextRecord{index, text, update != 0});
  RECT r{};
  GetClientRect(&r);
  InvalidateRect(&r, TRUE);
  if (update) UpdateWindow();
  return TRUE;
}

std::string CStatusBar::GetPaneText(int index) const {
  return (index < 0 || index >= GetCount()) ? std::string() : panes_[size_t(index)].text;
}

SIZE CStatusBar::CalcFixedLayout(BOOL, BOOL) { return SIZE{32767, 20}; }

namespace {
class CStatusCmdUI : public CCmdUI {
 public:
  CStatusBar* bar = nullptr;
  void Enable(BOOL on) override {
    CCmdUI::Enable(on);
    UINT s = bar->GetPaneStyle(int(m_nIndex));
    bar->SetPaneStyle(int(m_nIndex), on ? (s & ~SBPS_DISABLED) : (s | SBPS_DISABLED));
  }
  void SetCheck(int c) override {
    CCmdUI::SetCheck(c);
    UINT s = bar->GetPaneStyle(int(m_nIndex));
    bar->SetPaneStyle(int(m_nIndex), c ? (s | SBPS_POPOUT) : (s & ~SBPS_POPOUT));
  }
  void SetText(const std::string& t) override {
    CCmdUI::SetText(t);
    if (bar->GetPaneText(int(m_nIndex)) != t) bar->SetPaneText(int(m_nIndex), t, FALSE);
  }
};
}  // namespace

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL) {
  CStatusCmdUI state;
  state.bar = this;
  state.m_pOther = this;
  for (int i = 0; i < GetCount(); ++i) {
    if (panes_[size_t(i)].id == ID_SEPARATOR) continue;
    state.m_nIndex = UINT(i);
    state.m_nID = panes_[size_t(i)].id;
    state.DoUpdate(target, FALSE);
  }
}

}  // namespace fw
