// Dialog controls as models: buttons, edits, combo and list boxes (owner-drawn and
// multi-column), statics, spin buttons, sliders, list views and tab controls. User
// actions (used by the modal driver and the presentation) change the state and send
// the notification the platform sends.
#pragma once
#include <string>
#include <vector>

#include "framework/resources.h"
#include "framework/wnd.h"
#include <memory>

namespace fw {

class CImageList;

// Owner drawing.
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = 0;
  plat::HDC hDC = nullptr;  // the device context to draw into
  RECT rcItem{};
  std::uintptr_t itemData = 0;
};

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  std::uintptr_t itemData = 0;
};

}  // namespace fw

namespace fw {

constexpr int CB_ERR = -1;
constexpr int LB_ERR = -1;

// Button styles.
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr int BST_INDETERMINATE = 2;
// Edit styles.
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_NUMBER = 0x2000;
// Combo box styles.
constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD CBS_SORT = 0x0100;
constexpr DWORD CBS_HASSTRINGS = 0x0200;
// List box styles.
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
// Up-down styles.
constexpr DWORD UDS_WRAP = 0x0001;
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_AUTOBUDDY = 0x0010;
constexpr DWORD UDS_HORZ = 0x0040;
// Track bar styles and scroll codes.
constexpr DWORD TBS_VERT = 0x0002;
constexpr UINT TB_LINEUP = 0;
constexpr UINT TB_LINEDOWN = 1;
constexpr UINT TB_THUMBPOSITION = 4;
constexpr UINT TB_ENDTRACK = 8;
// List view styles, states and flags.
constexpr DWORD LVS_ICON = 0x0000;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_EDITLABELS = 0x0200;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
constexpr DWORD LVS_EX_GRIDLINES = 0x0001;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr UINT ODT_LISTVIEW = 102;
// List view item rectangle parts and image lists.
constexpr UINT LVIR_BOUNDS = 0;
constexpr UINT LVIR_ICON = 1;
constexpr UINT LVIR_LABEL = 2;
constexpr UINT LVIR_SELECTBOUNDS = 3;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;
constexpr int LVSIL_STATE = 2;
constexpr UINT ODT_TAB = 101;

struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;
  int iDelta = 0;
};

struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction{};
  LPARAM lParam = 0;
};

// A row's label for LVN_BEGINLABELEDIT and LVN_ENDLABELEDIT.
struct LVITEM {
  int iItem = -1;
  int iSubItem = 0;
  const char* pszText = nullptr;  // the edited text; null when the edit was cancelled
  LPARAM lParam = 0;
};

struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};

// The base of the controls: notifies the parent the way the platform does.
class CControl : public CWnd {
 public:
  void NotifyParent(UINT code);              // WM_COMMAND (id, code), this control
  LRESULT NotifyParent(NMHDR& hdr);          // WM_NOTIFY, code and control filled in
};

class CButton : public CControl {
 public:
  DWORD ButtonType() const { return GetStyle() & BS_TYPEMASK; }
  int GetCheck() const { return check_; }
  void SetCheck(int check);
  // A user click: an automatic box or radio changes its state, then BN_CLICKED.
  void Click();
  // The picture of a bitmap button, by bitmap resource id; returns the previous one.
  UINT SetBitmap(UINT bitmapResource) {
    UINT old = bitmap_;
    bitmap_ = bitmapResource;
    NotifyChanged(WOC_CONTENT);
    return old;
  }
  UINT GetBitmap() const { return bitmap_; }

 private:
  int check_ = BST_UNCHECKED;
  UINT bitmap_ = 0;
};

class CEdit : public CControl {
 public:
  void SetWindowText(const std::string& text) override;  // sends EN_CHANGE
  void LimitText(int n = 0) { limit_ = n > 0 ? n : 0; }
  void SetLimitText(int n) { LimitText(n); }
  int GetLimitText() const { return limit_ ? limit_ : 0x7FFFFFFE; }
  BOOL SetReadOnly(BOOL ro = TRUE) { return ModifyStyle(ro ? 0 : ES_READONLY, ro ? ES_READONLY : 0); }
  void SetSel(int start, int end) { selStart_ = start, selEnd_ = end; }
  void GetSel(int& start, int& end) const { start = selStart_, end = selEnd_; }
  void ReplaceSel(const std::string& text);
  // The user types the whole text: refused when read-only, cut at the limit (EN_MAXTEXT),
  // digits only with ES_NUMBER; then EN_CHANGE. Returns whether the text changed.
  BOOL UserType(const std::string& text);

 private:
  int limit_ = 0;
  int selStart_ = 0, selEnd_ = 0;
};

// A label that takes its clicks (else the mouse goes through it).
constexpr DWORD SS_NOTIFY = 0x0100;

class CStatic : public CControl {};

class CListBox : public CControl {
 public:
  int AddString(const std::string& s);
  int InsertString(int index, const std::string& s);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const { return int(items_.size()); }
  int GetText(int index, std::string& out) const;
  std::string GetText(int index) const;
  int GetTextLen(int index) const;
  int GetCurSel() const;
  int SetCurSel(int index);
  int GetSel(int index) const;
  int SetSel(int index, BOOL select = TRUE);
  int GetSelCount() const;
  std::vector<int> GetSelItems() const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;
  int FindString(int start, const std::string& prefix) const;
  int FindStringExact(int start, const std::string& s) const;
  int SelectString(int start, const std::string& prefix);
  int GetTopIndex() const { return top_; }
  int SetTopIndex(int index);
  void SetColumnWidth(int cx) { columnWidth_ = cx; }
  int GetColumnWidth() const { return columnWidth_; }
  int SetItemHeight(int index, UINT cy);
  int GetItemHeight(int index) const;
  // Rows of the item height from the top index; multi-column lists fill columns top down.
  int GetItemRect(int index, RECT* r) const;
  int ItemFromPoint(POINT p, BOOL& outside) const;
  // Sends WM_DRAWITEM for every visible item (owner-drawn lists) with the device context.
  void DrawItems(plat::HDC dc);
  // User actions: select (LBN_SELCHANGE with LBS_NOTIFY), double click (LBN_DBLCLK).
  void UserSelect(int index);
  void UserDoubleClick(int index);

 private:
  struct Item {
    std::string text;
    std::uintptr_t data = 0;
    bool selected = false;
    int height = 0;
  };
  bool Multi() const { return (GetStyle() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
  int VisibleRows() const;
  std::vector<Item> items_;
  int cur_ = LB_ERR;
  int top_ = 0;
  int columnWidth_ = 0;
  int itemHeight_ = 16;
};

class CComboBox : public CControl {
 public:
  int AddString(const std::string& s);
  int InsertString(int index, const std::string& s);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const { return int(items_.size()); }
  int GetCurSel() const { return cur_; }
  // Selects without notification; the edit part shows the item.
  int SetCurSel(int index);
  int GetLBText(int index, std::string& out) const;
  std::string GetLBText(int index) const;
  int GetLBTextLen(int index) const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;
  int FindString(int start, const std::string& prefix) const;
  int FindStringExact(int start, const std::string& s) const;
  int SelectString(int start, const std::string& prefix);
  BOOL LimitText(int n) {
    limit_ = n;
    return TRUE;
  }
  int SetItemHeight(int index, UINT cy);
  int GetItemHeight(int index) const;
  BOOL GetDroppedState() const { return dropped_; }
  void ShowDropDown(BOOL show = TRUE);
  // Screen rectangle of the box with its list dropped: the control's rectangle, whose
  // height (as in the templates) takes in the list.
  void GetDroppedControlRect(RECT* r) const { GetWindowRect(r); }
  void SetWindowText(const std::string& text) override;
  void DrawItems(plat::HDC dc);
  // Sends WM_DRAWITEM for one item (ODA_DRAWENTIRE, with `state`'s ODS_ bits) drawing
  // into `dc` at `r`; false for a bad index or a control without a parent.
  bool DrawItem(int index, plat::HDC dc, const RECT& r, UINT state);
  // User actions: pick an item (CBN_SELCHANGE then CBN_SELENDOK), open or close the
  // list (CBN_DROPDOWN / CBN_CLOSEUP), type into the edit part (CBN_EDITCHANGE).
  void UserSelect(int index);
  BOOL UserSelectString(const std::string& exact);
  void UserDropDown(BOOL open);
  void UserType(const std::string& text);

 private:
  struct Item {
    std::string text;
    std::uintptr_t data = 0;
  };
  std::vector<Item> items_;
  int cur_ = CB_ERR;
  int limit_ = 0;
  int itemHeight_ = 16;
  BOOL dropped_ = FALSE;
};

// A stage of a held arrow: after nSec seconds each step moves by nInc.
struct UDACCEL {
  UINT nSec = 0;
  UINT nInc = 1;
};

class CSpinButtonCtrl : public CControl {
 public:
  // The stages of a held arrow, by rising time; the default steps by 1, by 5
  // after 2 s and by 20 after 5 s. An empty table is refused.
  BOOL SetAccel(int count, const UDACCEL* accel);
  // Copies up to `count` stages; returns how many the control has.
  UINT GetAccel(int count, UDACCEL* out) const;
  // The step of an arrow held for `seconds`.
  int StepAfter(double seconds) const;
  void SetRange(int lower, int upper) { SetRange32(lower, upper); }
  void SetRange32(int lower, int upper);
  void GetRange32(int& lower, int& upper) const { lower = lower_, upper = upper_; }
  int SetPos(int pos);
  int GetPos() const { return pos_; }
  CWnd* SetBuddy(CWnd* buddy);
  CWnd* GetBuddy() const { return buddy_; }
  // The user presses an arrow, `delta` steps (positive: the up or right arrow):
  // UDN_DELTAPOS with the signed change of position (non-zero answer cancels), the new
  // position, the buddy's number, then WM_VSCROLL (WM_HSCROLL with UDS_HORZ).
  void UserDelta(int delta);
  int OnCreate(CREATESTRUCT* cs) override;

 private:
  int lower_ = 100, upper_ = 0, pos_ = 0;
  CWnd* buddy_ = nullptr;
  std::vector<UDACCEL> accel_{{0, 1}, {2, 5}, {5, 20}};
};

// Scroll bar control styles.
constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;

// A scroll bar control: a range and a position. A user action sends WM_HSCROLL
// (WM_VSCROLL with SBS_VERT) to the parent, which moves the position itself.
class CScrollBar : public CControl {
 public:
  void SetScrollRange(int minPos, int maxPos, BOOL redraw = TRUE);
  void GetScrollRange(int* minPos, int* maxPos) const;
  // Clamped to the range; returns the previous position.
  int SetScrollPos(int pos, BOOL redraw = TRUE);
  int GetScrollPos() const { return pos_; }
  // The user presses an arrow or the track (SB_LINE*, SB_PAGE*) or drops the
  // thumb (SB_THUMBPOSITION at thumbPos): that code, then SB_ENDSCROLL.
  void UserScroll(UINT code, int thumbPos = 0);

 private:
  int min_ = 0, max_ = 100, pos_ = 0;
};

class CSliderCtrl : public CControl {
 public:
  void SetRange(int lo, int hi, BOOL redraw = FALSE);
  void GetRange(int& lo, int& hi) const { lo = lo_, hi = hi_; }
  int GetRangeMin() const { return lo_; }
  int GetRangeMax() const { return hi_; }
  void SetPos(int pos);
  int GetPos() const { return pos_; }
  void SetTicFreq(int f) { ticFreq_ = f; }
  int GetTicFreq() const { return ticFreq_; }
  int SetPageSize(int s) { int o = page_; page_ = s; return o; }
  int SetLineSize(int s) { int o = line_; line_ = s; return o; }
  // The user drags the thumb: new position, then WM_HSCROLL (WM_VSCROLL with TBS_VERT)
  // TB_THUMBPOSITION and TB_ENDTRACK to the parent.
  void UserSetPos(int pos);

 private:
  int lo_ = 0, hi_ = 100, pos_ = 0, ticFreq_ = 1, page_ = 20, line_ = 1;
};

class CProgressCtrl : public CControl {
 public:
  void SetRange32(int lo, int hi) {
    lo_ = lo, hi_ = hi;
    NotifyChanged(WOC_CONTENT);
  }
  void SetRange(short lo, short hi) { SetRange32(lo, hi); }
  void GetRange(int& lo, int& hi) const { lo = lo_, hi = hi_; }
  int SetPos(int pos);
  int GetPos() const { return pos_; }
  int OffsetPos(int d) { return SetPos(pos_ + d); }
  int SetStep(int s) { int o = step_; step_ = s; return o; }
  int StepIt();

 private:
  int lo_ = 0, hi_ = 100, pos_ = 0, step_ = 10;
};

class CListCtrl : public CControl {
 public:
  struct Column {
    std::string text;
    int format = LVCFMT_LEFT;
    int width = 0;
  };
  int InsertColumn(int index, const std::string& text, int format = LVCFMT_LEFT, int width = -1);
  BOOL DeleteColumn(int index);
  int GetColumnCount() const { return int(columns_.size()); }
  const Column* GetColumn(int index) const;
  BOOL SetColumnWidth(int index, int cx);
  int GetColumnWidth(int index) const;
  int InsertItem(int index, const std::string& text);
  BOOL SetItemText(int item, int sub, const std::string& text);
  std::string GetItemText(int item, int sub) const;
  BOOL DeleteItem(int item);
  BOOL DeleteAllItems();
  int GetItemCount() const { return int(items_.size()); }
  BOOL SetItemData(int item, std::uintptr_t data);
  std::uintptr_t GetItemData(int item) const;
  // Changes state bits under a mask; each change sends LVN_ITEMCHANGED.
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const;
  int GetNextItem(int start, UINT flags) const;
  UINT GetSelectedCount() const;
  BOOL EnsureVisible(int item, BOOL partialOK);
  int GetTopIndex() const { return top_; }
  DWORD SetExtendedStyle(DWORD ex) { DWORD o = exStyle_; exStyle_ = ex; return o; }
  DWORD GetExtendedStyle() const { return exStyle_; }
  int GetCountPerPage() const;
  // Row rectangles in report style, below a header of the row height.
  BOOL GetItemRect(int item, RECT* r) const;
  // A part of the row: LVIR_BOUNDS the row, LVIR_ICON its state and small images at
  // the left, LVIR_LABEL the rest of the first column, LVIR_SELECTBOUNDS icon and label.
  BOOL GetItemRect(int item, RECT* r, UINT part) const;
  // The row under a client point, -1 for none.
  int HitTest(POINT pt) const;
  // Image lists (not owned); returns the previous one.
  CImageList* SetImageList(CImageList* list, int which);
  CImageList* GetImageList(int which) const;
  // Owner-drawn lists take the mouse as messages: a click selects the row under it.
  void OnLButtonDown(UINT flags, POINT pt) override;
  void OnLButtonDblClk(UINT flags, POINT pt) override;
  void DrawItems(plat::HDC dc);
  // An owner-drawn list paints what was invalidated through DrawItems; with more
  // rows than its page it has a vertical scroll bar that moves the top row.
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnVScroll(UINT code, UINT pos, CWnd* bar) override;
  // User actions: click a row (selection changes, then NM_CLICK), double click (NM_DBLCLK).
  void UserClick(int item);
  void UserDoubleClick(int item);
  // The user edits a row's label (LVS_EDITLABELS): LVN_BEGINLABELEDIT (a
  // non-zero answer refuses the edit), then LVN_ENDLABELEDIT with the text,
  // or a null text when `cancelled`; a non-zero answer to a text sets the
  // label. FALSE when no label was set.
  BOOL UserEditLabel(int item, const std::string& text, bool cancelled = false);

 private:
  struct Item {
    std::vector<std::string> texts;
    std::uintptr_t data = 0;
    UINT state = 0;
  };
  void NotifyChanged(int item, UINT oldState, UINT newState);
  void SyncRowScroll();
  std::vector<Column> columns_;
  std::vector<Item> items_;
  int top_ = 0;
  int rowHeight_ = 17;
  DWORD exStyle_ = 0;
  CImageList* images_[3] = {};
};

class CTabCtrl : public CControl {
 public:
  int InsertItem(int index, const std::string& text, int image = -1);
  BOOL DeleteItem(int index);
  BOOL DeleteAllItems();
  int GetItemCount() const { return int(items_.size()); }
  std::string GetItemText(int index) const;
  int GetCurSel() const { return cur_; }
  int SetCurSel(int index);  // no notification
  // The user picks a tab: TCN_SELCHANGING (non-zero answer keeps the old tab), then TCN_SELCHANGE.
  BOOL UserSelect(int index);

 private:
  struct Item {
    std::string text;
    int image = -1;
  };
  std::vector<Item> items_;
  int cur_ = -1;
};

// Creates the controls of a template as children of parent (visible), in table order.
void CreateDialogControls(CWnd* parent, const DialogTemplate& t, std::vector<std::unique_ptr<CWnd>>& owned);
// Puts `ctrl` in the place of the child control `id` of parent (same style, rectangle,
// text and Z position) and destroys the one it replaces. FALSE when there is none.
BOOL SubclassDlgItem(CWnd& ctrl, UINT id, CWnd* parent);

}  // namespace fw
