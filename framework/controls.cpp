#include "framework/controls.h"
#include "framework/treectrl.h"

#include <algorithm>
#include <cstdlib>

#include "framework/imagelist.h"
#include "platform/report.h"
#include "platform/text_out.h"

namespace fw {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  if (prefix.size() > s.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(s[i]) != Lower(prefix[i])) return false;
  return true;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

// Searches from after `start` round to start, like the platform's list searches.
template <class Items, class Pred>
int Search(const Items& items, int start, Pred pred) {
  int n = int(items.size());
  if (n == 0) return -1;
  int first = (start < 0 || start >= n) ? 0 : start + 1;
  for (int k = 0; k < n; ++k) {
    int i = (first + k) % n;
    if (pred(items[size_t(i)].text)) return i;
  }
  return -1;
}

bool IsRadio(CWnd* w) {
  auto* b = dynamic_cast<CButton*>(w);
  return b && (b->ButtonType() == BS_RADIOBUTTON || b->ButtonType() == BS_AUTORADIOBUTTON);
}

}  // namespace

void CControl::NotifyParent(UINT code) {
  if (CWnd* p = GetParent()) p->SendMessage(WM_COMMAND, MAKELONG(WORD(GetDlgCtrlID()), WORD(code)), LPARAM(m_hWnd));
}

LRESULT CControl::NotifyParent(NMHDR& hdr) {
  hdr.hwndFrom = m_hWnd;
  hdr.idFrom = GetDlgCtrlID();
  CWnd* p = GetParent();
  return p ? p->SendMessage(WM_NOTIFY, GetDlgCtrlID(), LPARAM(&hdr)) : 0;
}

// Buttons.

void CButton::SetCheck(int check) {
  CWnd::NotifyChanged(WOC_CONTENT);
  check_ = check;
}

void CButton::Click() {
  if (!IsWindowEnabled()) return;
  switch (ButtonType()) {
    case BS_AUTOCHECKBOX:
      check_ = check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      break;
    case BS_AUTO3STATE:
      check_ = (check_ + 1) % 3;
      break;
    case BS_AUTORADIOBUTTON: {
      // Clear the other radio buttons of the group (up to the next WS_GROUP control).
      if (CWnd* p = GetParent()) {
        const auto& kids = p->Children();
        auto me = std::find(kids.begin(), kids.end(), this);
        auto first = me;
        while (first != kids.begin() && !((*first)->GetStyle() & WS_GROUP)) --first;
        for (auto it = first; it != kids.end(); ++it) {
          if (it != first && ((*it)->GetStyle() & WS_GROUP)) break;
          if (*it != this && IsRadio(*it)) static_cast<CButton*>(*it)->SetCheck(BST_UNCHECKED);
        }
      }
      check_ = BST_CHECKED;
      break;
    }
    default:
      break;
  }
  NotifyParent(BN_CLICKED);
}

// Edits.

void CEdit::SetWindowText(const std::string& text) {
  CWnd::SetWindowText(text);
  NotifyParent(EN_CHANGE);
}

void CEdit::ReplaceSel(const std::string& text) {
  CWnd::NotifyChanged(WOC_CONTENT);
  std::string t = GetWindowText();
  size_t a = size_t(std::clamp(std::min(selStart_, selEnd_), 0, int(t.size())));
  size_t b = size_t(std::clamp(std::max(selStart_, selEnd_), 0, int(t.size())));
  t.replace(a, b - a, text);
  CWnd::SetWindowText(t);
  selStart_ = selEnd_ = int(a + text.size());
  NotifyParent(EN_CHANGE);
}

BOOL CEdit::UserType(const std::string& text) {
  if (!IsWindowEnabled() || (GetStyle() & ES_READONLY)) return FALSE;
  std::string t;
  for (char c : text) {
    if ((GetStyle() & ES_NUMBER) && !(c >= '0' && c <= '9')) {
      plat::MessageBeep(0);
      continue;
    }
    t += c;
  }
  const HWND self = m_hWnd;
  if (limit_ > 0 && int(t.size()) > limit_) {
    t.resize(size_t(limit_));
    NotifyParent(EN_MAXTEXT);
    if (!Alive(self)) return FALSE;
  }
  if (t == GetWindowText()) return FALSE;
  CWnd::SetWindowText(t);
  selStart_ = selEnd_ = int(t.size());
  NotifyParent(EN_UPDATE);
  if (Alive(self)) NotifyParent(EN_CHANGE);
  return TRUE;
}

// List boxes.

int CListBox::AddString(const std::string& s) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (GetStyle() & LBS_SORT) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s,
                               [](const std::string& v, const Item& i) { return v < i.text; });
    int index = int(it - items_.begin());
    return InsertString(index, s);
  }
  return InsertString(-1, s);
}

int CListBox::InsertString(int index, const std::string& s) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index > GetCount()) index = GetCount();
  items_.insert(items_.begin() + index, Item{s, 0, false, 0});
  if (cur_ >= index) ++cur_;
  return index;
}

int CListBox::DeleteString(UINT index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index >= items_.size()) return LB_ERR;
  items_.erase(items_.begin() + long(index));
  if (cur_ == int(index))
    cur_ = LB_ERR;
  else if (cur_ > int(index))
    --cur_;
  top_ = std::clamp(top_, 0, std::max(0, GetCount() - 1));
  return GetCount();
}

void CListBox::ResetContent() {
  CWnd::NotifyChanged(WOC_CONTENT);
  items_.clear();
  cur_ = LB_ERR;
  top_ = 0;
}

int CListBox::GetText(int index, std::string& out) const {
  if (index < 0 || index >= GetCount()) {
    out.clear();
    return LB_ERR;
  }
  out = items_[size_t(index)].text;
  return int(out.size());
}

std::string CListBox::GetText(int index) const {
  std::string s;
  GetText(index, s);
  return s;
}

int CListBox::GetTextLen(int index) const {
  return (index < 0 || index >= GetCount()) ? LB_ERR : int(items_[size_t(index)].text.size());
}

int CListBox::GetCurSel() const { return cur_; }

int CListBox::SetCurSel(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < -1 || index >= GetCount()) return LB_ERR;
  if (!Multi())
    for (Item& i : items_) i.selected = false;
  cur_ = index;
  if (index >= 0) {
    items_[size_t(index)].selected = true;
    if (index < top_ || index >= top_ + VisibleRows()) top_ = index;
  }
  return index < 0 ? LB_ERR : index;
}

int CListBox::GetSel(int index) const {
  return (index < 0 || index >= GetCount()) ? LB_ERR : (items_[size_t(index)].selected ? 1 : 0);
}

int CListBox::SetSel(int index, BOOL select) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (!Multi()) return LB_ERR;
  if (index == -1) {
    for (Item& i : items_) i.selected = select != 0;
    return 0;
  }
  if (index < 0 || index >= GetCount()) return LB_ERR;
  items_[size_t(index)].selected = select != 0;
  cur_ = index;
  return 0;
}

int CListBox::GetSelCount() const {
  if (!Multi()) return LB_ERR;
  return int(std::count_if(items_.begin(), items_.end(), [](const Item& i) { return i.selected; }));
}

std::vector<int> CListBox::GetSelItems() const {
  std::vector<int> out;
  for (int i = 0; i < GetCount(); ++i)
    if (items_[size_t(i)].selected) out.push_back(i);
  return out;
}

int CListBox::SetItemData(int index, std::uintptr_t data) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  items_[size_t(index)].data = data;
  return 0;
}

std::uintptr_t CListBox::GetItemData(int index) const {
  return (index < 0 || index >= GetCount()) ? std::uintptr_t(LB_ERR) : items_[size_t(index)].data;
}

int CListBox::FindString(int start, const std::string& prefix) const {
  return Search(items_, start, [&](const std::string& t) { return StartsWithNoCase(t, prefix); });
}

int CListBox::FindStringExact(int start, const std::string& s) const {
  return Search(items_, start, [&](const std::string& t) { return EqualsNoCase(t, s); });
}

int CListBox::SelectString(int start, const std::string& prefix) {
  int i = FindString(start, prefix);
  if (i >= 0) SetCurSel(i);
  return i;
}

int CListBox::VisibleRows() const {
  RECT r{};
  GetClientRect(&r);
  int h = std::max(1, itemHeight_);
  int rows = std::max(1, r.height() / h);
  if (GetStyle() & LBS_MULTICOLUMN) {
    int cw = columnWidth_ > 0 ? columnWidth_ : std::max(1, r.width());
    rows *= std::max(1, r.width() / std::max(1, cw));
  }
  return rows;
}

int CListBox::SetTopIndex(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || (index >= GetCount() && GetCount() > 0)) return LB_ERR;
  top_ = index;
  Invalidate();
  return 0;
}

int CListBox::SetItemHeight(int index, UINT cy) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (cy == 0 || cy > 255) return LB_ERR;
  if ((GetStyle() & LBS_OWNERDRAWVARIABLE) && index >= 0 && index < GetCount())
    items_[size_t(index)].height = int(cy);
  else
    itemHeight_ = int(cy);
  return 0;
}

int CListBox::GetItemHeight(int index) const {
  if ((GetStyle() & LBS_OWNERDRAWVARIABLE) && index >= 0 && index < GetCount() && items_[size_t(index)].height)
    return items_[size_t(index)].height;
  return itemHeight_;
}

int CListBox::GetItemRect(int index, RECT* r) const {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  RECT c{};
  GetClientRect(&c);
  int h = std::max(1, itemHeight_);
  int k = index - top_;
  if (GetStyle() & LBS_MULTICOLUMN) {
    int rows = std::max(1, c.height() / h);
    int cw = columnWidth_ > 0 ? columnWidth_ : c.width();
    int col = k >= 0 ? k / rows : -1 - (-k - 1) / rows;
    int row = k - col * rows;
    *r = RECT{col * cw, row * h, col * cw + cw, row * h + h};
  } else {
    *r = RECT{0, k * h, c.width(), k * h + h};
  }
  return 0;
}

int CListBox::ItemFromPoint(POINT p, BOOL& outside) const {
  for (int i = top_; i < GetCount(); ++i) {
    RECT r;
    GetItemRect(i, &r);
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
      outside = FALSE;
      return i;
    }
  }
  outside = TRUE;
  return GetCount() ? GetCount() - 1 : 0;
}

void CListBox::DrawItems(plat::HDC dc) {
  CWnd* parent = GetParent();
  if (!parent) return;
  RECT c{};
  GetClientRect(&c);
  for (int i = top_; i < GetCount(); ++i) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = GetDlgCtrlID();
    dis.itemID = UINT(i);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (items_[size_t(i)].selected ? ODS_SELECTED : 0) | (IsWindowEnabled() ? 0 : ODS_DISABLED);
    dis.hwndItem = m_hWnd;
    dis.hDC = dc;
    GetItemRect(i, &dis.rcItem);
    if (dis.rcItem.top >= c.bottom && !(GetStyle() & LBS_MULTICOLUMN)) break;
    if (dis.rcItem.left >= c.right) break;
    dis.itemData = items_[size_t(i)].data;
    parent->SendMessage(WM_DRAWITEM, GetDlgCtrlID(), LPARAM(&dis));
  }
}

void CListBox::UserSelect(int index) {
  if (!IsWindowEnabled() || index < 0 || index >= GetCount()) return;
  if (Multi()) {
    items_[size_t(index)].selected = !items_[size_t(index)].selected;
    cur_ = index;
  } else {
    SetCurSel(index);
  }
  if (GetStyle() & LBS_NOTIFY) NotifyParent(LBN_SELCHANGE);
}

void CListBox::UserDoubleClick(int index) {
  UserSelect(index);
  if (GetStyle() & LBS_NOTIFY) NotifyParent(LBN_DBLCLK);
}

// Combo boxes.

int CComboBox::AddString(const std::string& s) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (GetStyle() & CBS_SORT) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s,
                               [](const std::string& v, const Item& i) { return v < i.text; });
    return InsertString(int(it - items_.begin()), s);
  }
  return InsertString(-1, s);
}

int CComboBox::InsertString(int index, const std::string& s) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index > GetCount()) index = GetCount();
  items_.insert(items_.begin() + index, Item{s, 0});
  if (cur_ >= index) ++cur_;
  return index;
}

int CComboBox::DeleteString(UINT index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index >= items_.size()) return CB_ERR;
  items_.erase(items_.begin() + long(index));
  if (cur_ == int(index))
    cur_ = CB_ERR;
  else if (cur_ > int(index))
    --cur_;
  return GetCount();
}

void CComboBox::ResetContent() {
  CWnd::NotifyChanged(WOC_CONTENT);
  items_.clear();
  cur_ = CB_ERR;
  CWnd::SetWindowText("");
}

int CComboBox::SetCurSel(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetCount()) {
    cur_ = CB_ERR;
    CWnd::SetWindowText("");
    return CB_ERR;
  }
  cur_ = index;
  CWnd::SetWindowText(items_[size_t(index)].text);
  return index;
}

int CComboBox::GetLBText(int index, std::string& out) const {
  if (index < 0 || index >= GetCount()) {
    out.clear();
    return CB_ERR;
  }
  out = items_[size_t(index)].text;
  return int(out.size());
}

std::string CComboBox::GetLBText(int index) const {
  std::string s;
  GetLBText(index, s);
  return s;
}

int CComboBox::GetLBTextLen(int index) const {
  return (index < 0 || index >= GetCount()) ? CB_ERR : int(items_[size_t(index)].text.size());
}

int CComboBox::SetItemData(int index, std::uintptr_t data) {
  if (index < 0 || index >= GetCount()) return CB_ERR;
  items_[size_t(index)].data = data;
  return 0;
}

std::uintptr_t CComboBox::GetItemData(int index) const {
  return (index < 0 || index >= GetCount()) ? std::uintptr_t(CB_ERR) : items_[size_t(index)].data;
}

int CComboBox::FindString(int start, const std::string& prefix) const {
  return Search(items_, start, [&](const std::string& t) { return StartsWithNoCase(t, prefix); });
}

int CComboBox::FindStringExact(int start, const std::string& s) const {
  return Search(items_, start, [&](const std::string& t) { return EqualsNoCase(t, s); });
}

int CComboBox::SelectString(int start, const std::string& prefix) {
  int i = FindString(start, prefix);
  if (i >= 0) SetCurSel(i);
  return i;
}

int CComboBox::SetItemHeight(int, UINT cy) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (cy == 0 || cy > 255) return CB_ERR;
  itemHeight_ = int(cy);
  return 0;
}

int CComboBox::GetItemHeight(int) const { return itemHeight_; }

void CComboBox::ShowDropDown(BOOL show) {
  CWnd::NotifyChanged(WOC_CONTENT);
  dropped_ = show;
}

void CComboBox::SetWindowText(const std::string& text) {
  std::string t = text;
  if (limit_ > 0 && int(t.size()) > limit_) t.resize(size_t(limit_));
  CWnd::SetWindowText(t);
  if ((GetStyle() & 3) == CBS_DROPDOWNLIST) cur_ = FindStringExact(-1, t);
}

void CComboBox::DrawItems(plat::HDC dc) {
  for (int i = 0; i < GetCount(); ++i)
    DrawItem(i, dc, RECT{0, i * itemHeight_, GetRectInParent().width(), (i + 1) * itemHeight_},
             i == cur_ ? ODS_SELECTED : 0);
}

bool CComboBox::DrawItem(int index, plat::HDC dc, const RECT& r, UINT state) {
  CWnd* parent = GetParent();
  if (!parent || index < 0 || index >= GetCount()) return false;
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_COMBOBOX;
  dis.CtlID = GetDlgCtrlID();
  dis.itemID = UINT(index);
  dis.itemAction = ODA_DRAWENTIRE;
  dis.itemState = state;
  dis.hwndItem = m_hWnd;
  dis.hDC = dc;
  dis.rcItem = r;
  dis.itemData = items_[size_t(index)].data;
  parent->SendMessage(WM_DRAWITEM, GetDlgCtrlID(), LPARAM(&dis));
  return true;
}

void CComboBox::UserSelect(int index) {
  if (!IsWindowEnabled() || index < 0 || index >= GetCount()) return;
  SetCurSel(index);
  const HWND self = m_hWnd;
  NotifyParent(CBN_SELCHANGE);
  if (Alive(self)) NotifyParent(CBN_SELENDOK);
}

BOOL CComboBox::UserSelectString(const std::string& exact) {
  int i = FindStringExact(-1, exact);
  if (i < 0) return FALSE;
  UserSelect(i);
  return TRUE;
}

void CComboBox::UserDropDown(BOOL open) {
  if (bool(open) == bool(dropped_)) return;
  dropped_ = open;
  NotifyParent(open ? CBN_DROPDOWN : CBN_CLOSEUP);
}

void CComboBox::UserType(const std::string& text) {
  if (!IsWindowEnabled() || (GetStyle() & 3) == CBS_DROPDOWNLIST) return;
  std::string t = text;
  if (limit_ > 0 && int(t.size()) > limit_) t.resize(size_t(limit_));
  CWnd::SetWindowText(t);
  cur_ = CB_ERR;
  const HWND self = m_hWnd;
  NotifyParent(CBN_EDITUPDATE);
  if (Alive(self)) NotifyParent(CBN_EDITCHANGE);
}

// Spin buttons.

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
  CWnd::NotifyChanged(WOC_CONTENT);
  lower_ = lower;
  upper_ = upper;
}

int CSpinButtonCtrl::SetPos(int pos) {
  CWnd::NotifyChanged(WOC_CONTENT);
  int old = pos_;
  pos_ = std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
  if (buddy_ && (GetStyle() & UDS_SETBUDDYINT)) buddy_->SetWindowText(std::to_string(pos_));
  return old;
}

BOOL CSpinButtonCtrl::SetAccel(int count, const UDACCEL* accel) {
  if (count <= 0 || !accel) return FALSE;
  accel_.assign(accel, accel + count);
  std::stable_sort(accel_.begin(), accel_.end(), [](const UDACCEL& a, const UDACCEL& b) { return a.nSec < b.nSec; });
  return TRUE;
}

UINT CSpinButtonCtrl::GetAccel(int count, UDACCEL* out) const {
  for (int i = 0; out && i < count && i < int(accel_.size()); ++i) out[i] = accel_[std::size_t(i)];
  return UINT(accel_.size());
}

int CSpinButtonCtrl::StepAfter(double seconds) const {
  int step = 1;
  for (const UDACCEL& a : accel_)
    if (seconds >= double(a.nSec)) step = int(std::min<UINT>(a.nInc, 0x7FFFFFFF));
  return step;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
  CWnd* old = buddy_;
  buddy_ = buddy;
  return old;
}

int CSpinButtonCtrl::OnCreate(CREATESTRUCT* cs) {
  if ((cs->style & UDS_AUTOBUDDY) && GetParent()) {
    const auto& kids = GetParent()->Children();
    auto me = std::find(kids.begin(), kids.end(), this);
    if (me != kids.begin() && me != kids.end()) buddy_ = *(me - 1);
  }
  return CControl::OnCreate(cs);
}

void CSpinButtonCtrl::UserDelta(int delta) {
  if (!IsWindowEnabled()) return;
  // The up arrow raises the position toward the upper end of the range.
  // A buddy that shows the number holds the position the user may have typed.
  if (buddy_ && (GetStyle() & UDS_SETBUDDYINT)) {
    const std::string text = buddy_->GetWindowText();
    char* end = nullptr;
    const long typed = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str())
      pos_ = int(std::clamp<long>(typed, std::min(lower_, upper_), std::max(lower_, upper_)));
  }
  // iDelta is the change of position: an inverted range (the default 100 to 0) counts down.
  NMUPDOWN nm;
  nm.hdr.code = UDN_DELTAPOS;
  nm.iPos = pos_;
  nm.iDelta = upper_ >= lower_ ? delta : -delta;
  const HWND self = m_hWnd;
  if (NotifyParent(nm.hdr) || !Alive(self)) return;
  int lo = std::min(lower_, upper_), hi = std::max(lower_, upper_);
  long target = long(pos_) + long(nm.iDelta);
  int next = int(std::clamp<long>(target, lo, hi));
  if ((GetStyle() & UDS_WRAP) && (target > hi || target < lo)) next = target > hi ? lo : hi;
  SetPos(next);
  if (CWnd* p = GetParent())
    p->SendMessage((GetStyle() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL, MAKELONG(SB_THUMBPOSITION, WORD(pos_)),
                   LPARAM(m_hWnd));
}

// Sliders.

void CSliderCtrl::SetRange(int lo, int hi, BOOL) {
  CWnd::NotifyChanged(WOC_CONTENT);
  lo_ = lo;
  hi_ = hi;
  pos_ = std::clamp(pos_, std::min(lo_, hi_), std::max(lo_, hi_));
}

void CSliderCtrl::SetPos(int pos) {
  CWnd::NotifyChanged(WOC_CONTENT);
  pos_ = std::clamp(pos, std::min(lo_, hi_), std::max(lo_, hi_));
}

void CSliderCtrl::UserSetPos(int pos) {
  if (!IsWindowEnabled()) return;
  SetPos(pos);
  if (CWnd* p = GetParent()) {
    UINT msg = (GetStyle() & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    const HWND self = m_hWnd, parent = p->m_hWnd;
    fw::SendMessage(parent, msg, MAKELONG(TB_THUMBPOSITION, WORD(pos_)), LPARAM(self));
    if (Alive(self)) fw::SendMessage(parent, msg, MAKELONG(TB_ENDTRACK, 0), LPARAM(self));
  }
}

// Scroll bar.

void CScrollBar::SetScrollRange(int minPos, int maxPos, BOOL) {
  min_ = std::min(minPos, maxPos);
  max_ = std::max(minPos, maxPos);
  pos_ = std::clamp(pos_, min_, max_);
  NotifyChanged(WOC_CONTENT);
}

void CScrollBar::GetScrollRange(int* minPos, int* maxPos) const {
  if (minPos) *minPos = min_;
  if (maxPos) *maxPos = max_;
}

int CScrollBar::SetScrollPos(int pos, BOOL) {
  const int old = pos_;
  pos_ = std::clamp(pos, min_, max_);
  if (pos_ != old) NotifyChanged(WOC_CONTENT);
  return old;
}

void CScrollBar::UserScroll(UINT code, int thumbPos) {
  if (!IsWindowEnabled()) return;
  if (CWnd* p = GetParent()) {
    const UINT msg = (GetStyle() & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    const WORD pos = code == SB_THUMBPOSITION || code == SB_THUMBTRACK ? WORD(thumbPos) : 0;
    const HWND self = m_hWnd, parent = p->m_hWnd;
    fw::SendMessage(parent, msg, MAKELONG(WORD(code), pos), LPARAM(self));
    if (Alive(self)) fw::SendMessage(parent, msg, MAKELONG(SB_ENDSCROLL, 0), LPARAM(self));
  }
}

// Progress.

int CProgressCtrl::SetPos(int pos) {
  CWnd::NotifyChanged(WOC_CONTENT);
  int old = pos_;
  pos_ = std::clamp(pos, std::min(lo_, hi_), std::max(lo_, hi_));
  return old;
}

int CProgressCtrl::StepIt() {
  CWnd::NotifyChanged(WOC_CONTENT);
  int old = pos_;
  int next = pos_ + step_;
  if (next > hi_) next = lo_ + (next - hi_);  // wraps like the platform's bar
  pos_ = std::clamp(next, std::min(lo_, hi_), std::max(lo_, hi_));
  return old;
}

// List views.

int CListCtrl::InsertColumn(int index, const std::string& text, int format, int width) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index > GetColumnCount()) index = GetColumnCount();
  columns_.insert(columns_.begin() + index, Column{text, format, width < 0 ? 100 : width});
  for (Item& i : items_)
    if (i.texts.size() > size_t(index)) i.texts.insert(i.texts.begin() + index, std::string());
  return index;
}

BOOL CListCtrl::DeleteColumn(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetColumnCount()) return FALSE;
  columns_.erase(columns_.begin() + index);
  for (Item& i : items_)
    if (i.texts.size() > size_t(index)) i.texts.erase(i.texts.begin() + index);
  return TRUE;
}

const CListCtrl::Column* CListCtrl::GetColumn(int index) const {
  return (index < 0 || index >= GetColumnCount()) ? nullptr : &columns_[size_t(index)];
}

BOOL CListCtrl::SetColumnWidth(int index, int cx) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetColumnCount()) return FALSE;
  columns_[size_t(index)].width = cx;
  return TRUE;
}

int CListCtrl::GetColumnWidth(int index) const {
  return (index < 0 || index >= GetColumnCount()) ? 0 : columns_[size_t(index)].width;
}

int CListCtrl::InsertItem(int index, const std::string& text) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index > GetItemCount()) index = GetItemCount();
  Item it;
  it.texts.push_back(text);
  items_.insert(items_.begin() + index, std::move(it));
  SyncRowScroll();
  return index;
}

BOOL CListCtrl::SetItemText(int item, int sub, const std::string& text) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (item < 0 || item >= GetItemCount() || sub < 0 || sub >= std::max(1, GetColumnCount())) return FALSE;
  auto& t = items_[size_t(item)].texts;
  if (t.size() <= size_t(sub)) t.resize(size_t(sub) + 1);
  t[size_t(sub)] = text;
  return TRUE;
}

std::string CListCtrl::GetItemText(int item, int sub) const {
  if (item < 0 || item >= GetItemCount() || sub < 0) return std::string();
  const auto& t = items_[size_t(item)].texts;
  return size_t(sub) < t.size() ? t[size_t(sub)] : std::string();
}

BOOL CListCtrl::DeleteItem(int item) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (item < 0 || item >= GetItemCount()) return FALSE;
  items_.erase(items_.begin() + item);
  top_ = std::clamp(top_, 0, std::max(0, GetItemCount() - 1));
  SyncRowScroll();
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  CWnd::NotifyChanged(WOC_CONTENT);
  items_.clear();
  top_ = 0;
  SyncRowScroll();
  return TRUE;
}

BOOL CListCtrl::SetItemData(int item, std::uintptr_t data) {
  if (item < 0 || item >= GetItemCount()) return FALSE;
  items_[size_t(item)].data = data;
  return TRUE;
}

std::uintptr_t CListCtrl::GetItemData(int item) const {
  return (item < 0 || item >= GetItemCount()) ? 0 : items_[size_t(item)].data;
}

void CListCtrl::NotifyChanged(int item, UINT oldState, UINT newState) {
  NMLISTVIEW nm;
  nm.hdr.code = LVN_ITEMCHANGED;
  nm.iItem = item;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.uChanged = LVIF_STATE;
  nm.lParam = LPARAM(items_[size_t(item)].data);
  NotifyParent(nm.hdr);
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (item == -1) {
    for (int i = 0; i < GetItemCount(); ++i) SetItemState(i, state, mask);
    return TRUE;
  }
  if (item < 0 || item >= GetItemCount()) return FALSE;
  if ((GetStyle() & LVS_SINGLESEL) && (mask & state & LVIS_SELECTED))
    for (int i = 0; i < GetItemCount(); ++i)
      if (i != item && (items_[size_t(i)].state & LVIS_SELECTED)) SetItemState(i, 0, LVIS_SELECTED);
  UINT old = items_[size_t(item)].state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return TRUE;
  items_[size_t(item)].state = now;
  NotifyChanged(item, old, now);
  return TRUE;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
  return (item < 0 || item >= GetItemCount()) ? 0 : items_[size_t(item)].state & mask;
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
  for (int i = start + 1; i < GetItemCount(); ++i)
    if (!(flags & LVNI_SELECTED) || (items_[size_t(i)].state & LVIS_SELECTED)) return i;
  return -1;
}

UINT CListCtrl::GetSelectedCount() const {
  return UINT(std::count_if(items_.begin(), items_.end(), [](const Item& i) { return (i.state & LVIS_SELECTED) != 0; }));
}

int CListCtrl::GetCountPerPage() const {
  RECT r{};
  GetClientRect(&r);
  return std::max(1, (r.height() - rowHeight_) / rowHeight_);
}

BOOL CListCtrl::EnsureVisible(int item, BOOL) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (item < 0 || item >= GetItemCount()) return FALSE;
  if (item < top_) top_ = item;
  if (item >= top_ + GetCountPerPage()) top_ = item - GetCountPerPage() + 1;
  SyncRowScroll();
  return TRUE;
}

void CListCtrl::SyncRowScroll() {
  if (!m_hWnd || !(GetStyle() & LVS_OWNERDRAWFIXED)) return;
  const int rows = GetItemCount();
  const bool bar = rows > GetCountPerPage();
  if (bar != bool(GetStyle() & WS_VSCROLL)) ModifyStyle(bar ? 0 : WS_VSCROLL, bar ? WS_VSCROLL : 0);
  // The bar narrows the client only; the page keeps its rows.
  const int last = std::max(0, rows - GetCountPerPage());
  const int top = std::clamp(top_, 0, last);
  if (bar) {
    SetScrollRange(SB_VERT, 0, last, FALSE);
    SetScrollPos(SB_VERT, top, TRUE);
  }
  if (top != top_) {
    top_ = top;
    Invalidate(FALSE);
  }
}

void CListCtrl::OnSize(UINT type, int cx, int cy) {
  CControl::OnSize(type, cx, cy);
  SyncRowScroll();
}

void CListCtrl::OnVScroll(UINT code, UINT pos, CWnd* bar) {
  if (!(GetStyle() & LVS_OWNERDRAWFIXED)) {
    CControl::OnVScroll(code, pos, bar);
    return;
  }
  const int page = GetCountPerPage(), last = std::max(0, GetItemCount() - page);
  int top = top_;
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: top = int(pos); break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = last; break;
    default: return;
  }
  top = std::clamp(top, 0, last);
  if (top == top_) return;
  top_ = top;
  SetScrollPos(SB_VERT, top_, TRUE);
  Invalidate(FALSE);
}

BOOL CListCtrl::GetItemRect(int item, RECT* r) const {
  if (item < 0 || item >= GetItemCount()) return FALSE;
  int width = 0;
  for (const Column& c : columns_) width += c.width;
  int y = rowHeight_ + (item - top_) * rowHeight_;
  *r = RECT{0, y, width, y + rowHeight_};
  return TRUE;
}

BOOL CListCtrl::GetItemRect(int item, RECT* r, UINT part) const {
  if (!GetItemRect(item, r)) return FALSE;
  int icons = 0;
  for (int which : {LVSIL_STATE, LVSIL_SMALL})
    if (images_[which] && images_[which]->IsCreated()) icons += images_[which]->GetImageSize().cx;
  int first = columns_.empty() ? r->width() : columns_[0].width;
  switch (part) {
    case LVIR_BOUNDS:
      return TRUE;
    case LVIR_ICON:
      r->right = r->left + icons;
      return TRUE;
    case LVIR_LABEL:
      r->right = r->left + std::max(first, icons);
      r->left += icons;
      return TRUE;
    case LVIR_SELECTBOUNDS:
      r->right = r->left + std::max(first, icons);
      return TRUE;
    default:
      return FALSE;
  }
}

int CListCtrl::HitTest(POINT pt) const {
  if (pt.y < rowHeight_) return -1;
  int row = top_ + (pt.y - rowHeight_) / rowHeight_;
  RECT r{};
  if (!GetItemRect(row, &r) || pt.x < r.left || pt.x >= r.right) return -1;
  return row;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which) {
  if (which < 0 || which > LVSIL_STATE) return nullptr;
  CImageList* old = images_[which];
  images_[which] = list;
  CWnd::NotifyChanged(WOC_CONTENT);
  return old;
}

CImageList* CListCtrl::GetImageList(int which) const {
  return which >= 0 && which <= LVSIL_STATE ? images_[which] : nullptr;
}

void CListCtrl::OnLButtonDown(UINT, POINT pt) { UserClick(HitTest(pt)); }

void CListCtrl::OnLButtonDblClk(UINT, POINT pt) { UserDoubleClick(HitTest(pt)); }

void CListCtrl::DrawItems(plat::HDC dc) {
  CWnd* parent = GetParent();
  if (!parent) return;
  if (dc && (GetStyle() & LVS_REPORT)) {
    // The column header and the space below the last row.
    RECT client{};
    GetClientRect(&client);
    dc->FillSolidRect(RECT{client.left, client.top, client.right, client.top + rowHeight_}, plat::RGB(0xC0, 0xC0, 0xC0));
    int x = 0;
    dc->SetBkMode(plat::TRANSPARENT);
    dc->SetTextColor(plat::RGB(0, 0, 0));
    for (const Column& c : columns_) {
      plat::TextOut(dc, x + 4, client.top + 1, c.text);
      x += c.width;
      dc->FillSolidRect(RECT{x - 1, client.top + 2, x, client.top + rowHeight_ - 2}, plat::RGB(0x80, 0x80, 0x80));
    }
    int rows = std::max(0, std::min(GetItemCount() - top_, GetCountPerPage()));
    dc->FillSolidRect(RECT{client.left, rowHeight_ * (1 + rows), client.right, client.bottom}, plat::RGB(255, 255, 255));
  }
  for (int i = top_; i < GetItemCount() && i < top_ + GetCountPerPage(); ++i) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTVIEW;
    dis.CtlID = GetDlgCtrlID();
    dis.itemID = UINT(i);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (items_[size_t(i)].state & LVIS_SELECTED) ? ODS_SELECTED : 0;
    dis.hwndItem = m_hWnd;
    dis.hDC = dc;
    GetItemRect(i, &dis.rcItem);
    dis.itemData = items_[size_t(i)].data;
    parent->SendMessage(WM_DRAWITEM, GetDlgCtrlID(), LPARAM(&dis));
  }
}

void CListCtrl::OnPaint() {
  if (!(GetStyle() & LVS_OWNERDRAWFIXED)) {
    CControl::OnPaint();
    return;
  }
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  const HWND self = m_hWnd;
  if (ps.hdc) DrawItems(ps.hdc);
  // The owner may have destroyed the list while drawing.
  if (Alive(self)) EndPaint(&ps);
}

void CListCtrl::UserClick(int item) {
  if (!IsWindowEnabled()) return;
  if (item >= 0 && item < GetItemCount()) {
    for (int i = 0; i < GetItemCount(); ++i)
      if (i != item && (items_[size_t(i)].state & LVIS_SELECTED)) SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  NMLISTVIEW nm;
  nm.hdr.code = NM_CLICK;
  nm.iItem = item;
  NotifyParent(nm.hdr);
}

void CListCtrl::UserDoubleClick(int item) {
  const HWND self = m_hWnd;
  UserClick(item);
  if (!Alive(self)) return;
  NMLISTVIEW nm;
  nm.hdr.code = NM_DBLCLK;
  nm.iItem = item;
  NotifyParent(nm.hdr);
}

BOOL CListCtrl::UserEditLabel(int item, const std::string& text, bool cancelled) {
  if (item < 0 || item >= GetItemCount() || !(GetStyle() & LVS_EDITLABELS) || !IsWindowEnabled()) return FALSE;
  const std::string old = GetItemText(item, 0);
  NMLVDISPINFO begin;
  begin.hdr.code = LVN_BEGINLABELEDIT;
  begin.item.iItem = item;
  begin.item.pszText = old.c_str();
  begin.item.lParam = LPARAM(GetItemData(item));
  if (NotifyParent(begin.hdr) != 0) return FALSE;
  // The parent may have removed the row meanwhile.
  if (item >= GetItemCount()) return FALSE;
  NMLVDISPINFO end;
  end.hdr.code = LVN_ENDLABELEDIT;
  end.item.iItem = item;
  end.item.pszText = cancelled ? nullptr : text.c_str();
  end.item.lParam = LPARAM(GetItemData(item));
  if (NotifyParent(end.hdr) == 0 || cancelled || item >= GetItemCount()) return FALSE;
  return SetItemText(item, 0, text);
}

// Tabs.

int CTabCtrl::InsertItem(int index, const std::string& text, int image) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index > GetItemCount()) index = GetItemCount();
  items_.insert(items_.begin() + index, Item{text, image});
  if (cur_ < 0)
    cur_ = 0;
  else if (cur_ >= index && GetItemCount() > 1)
    ++cur_;
  return index;
}

BOOL CTabCtrl::DeleteItem(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetItemCount()) return FALSE;
  items_.erase(items_.begin() + index);
  if (cur_ == index)
    cur_ = GetItemCount() ? 0 : -1;
  else if (cur_ > index)
    --cur_;
  return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
  CWnd::NotifyChanged(WOC_CONTENT);
  items_.clear();
  cur_ = -1;
  return TRUE;
}

std::string CTabCtrl::GetItemText(int index) const {
  return (index < 0 || index >= GetItemCount()) ? std::string() : items_[size_t(index)].text;
}

int CTabCtrl::SetCurSel(int index) {
  CWnd::NotifyChanged(WOC_CONTENT);
  if (index < 0 || index >= GetItemCount()) return -1;
  int old = cur_;
  cur_ = index;
  return old;
}

BOOL CTabCtrl::UserSelect(int index) {
  if (!IsWindowEnabled() || index < 0 || index >= GetItemCount() || index == cur_) return FALSE;
  NMHDR hdr;
  hdr.code = TCN_SELCHANGING;
  const HWND self = m_hWnd;
  if (NotifyParent(hdr) || !Alive(self)) return FALSE;
  cur_ = index;
  NMHDR done;
  done.code = TCN_SELCHANGE;
  NotifyParent(done);
  return TRUE;
}

// Creation from a template.

namespace {

std::unique_ptr<CWnd> MakeControl(CtrlKind kind, const char** className) {
  switch (kind) {
    case CtrlKind::Button:
      *className = "Button";
      return std::make_unique<CButton>();
    case CtrlKind::Edit:
      *className = "Edit";
      return std::make_unique<CEdit>();
    case CtrlKind::Static:
      *className = "Static";
      return std::make_unique<CStatic>();
    case CtrlKind::ComboBox:
      *className = "ComboBox";
      return std::make_unique<CComboBox>();
    case CtrlKind::ListBox:
      *className = "ListBox";
      return std::make_unique<CListBox>();
    case CtrlKind::Spin:
      *className = "msctls_updown32";
      return std::make_unique<CSpinButtonCtrl>();
    case CtrlKind::Slider:
      *className = "msctls_trackbar32";
      return std::make_unique<CSliderCtrl>();
    case CtrlKind::ListView:
      *className = "SysListView32";
      return std::make_unique<CListCtrl>();
    case CtrlKind::TabCtrl:
      *className = "SysTabControl32";
      return std::make_unique<CTabCtrl>();
    case CtrlKind::Progress:
      *className = "msctls_progress32";
      return std::make_unique<CProgressCtrl>();
    case CtrlKind::TreeView:
      *className = "SysTreeView32";
      return std::make_unique<CTreeCtrl>();
    case CtrlKind::ScrollBar:
      *className = "ScrollBar";
      return std::make_unique<CScrollBar>();
    default:
      *className = "Custom";
      return std::make_unique<CControl>();
  }
}

}  // namespace

void CreateDialogControls(CWnd* parent, const DialogTemplate& t, std::vector<std::unique_ptr<CWnd>>& owned) {
  for (const DlgItemDef& d : t.items) {
    const char* cls = "";
    std::unique_ptr<CWnd> c = MakeControl(d.kind, &cls);
    if (!c->CreateEx(d.exStyle, cls, d.text, d.style | WS_CHILD | WS_VISIBLE, d.rect, parent, d.id)) continue;
    if (auto* combo = dynamic_cast<CComboBox*>(c.get()); combo && !d.text.empty()) combo->CWnd::SetWindowText(d.text);
    owned.push_back(std::move(c));
  }
}

BOOL SubclassDlgItem(CWnd& ctrl, UINT id, CWnd* parent) {
  if (!parent || ctrl.m_hWnd) return FALSE;
  CWnd* old = parent->GetDlgItem(id);
  if (!old) return FALSE;
  const auto& kids = parent->Children();
  auto pos = std::find(kids.begin(), kids.end(), old);
  CWnd* before = pos == kids.begin() ? nullptr : *(pos - 1);
  std::string cls = old->GetWndClass() ? old->GetWndClass()->name : std::string();
  RECT r = old->GetRectInParent();
  DWORD style = old->GetStyle(), ex = old->GetExStyle();
  std::string text = old->GetWindowText();
  old->DestroyWindow();
  if (!ctrl.CreateEx(ex, cls, text, style, r, parent, id)) return FALSE;
  // Back into the old control's place in the Z (and tab) order.
  if (before)
    ctrl.SetWindowPos(before, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    ctrl.SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return TRUE;
}

}  // namespace fw
