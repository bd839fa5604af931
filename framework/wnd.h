// Window objects and the message machinery: handles, parent/child trees, titles,
// rectangles, visibility, class cursors, invalidation and the paint cycle, focus and
// capture, timers on the injectable clock, SendMessage/PostMessage and the pump.
#pragma once
#include <string>
#include <vector>

#include "framework/cmdtarget.h"
#include "framework/fwdefs.h"
#include "platform/dc.h"

namespace fw {

class CMenu;
class CWnd;
struct DRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT;

// Files dropped from the shell onto a window that accepts them (WM_DROPFILES, the
// list in wParam; the point in the window's client coordinates).
struct DROPFILES {
  std::vector<std::string> files;
  POINT pt{};
};
using HDROP = DROPFILES*;
// The number of files with index 0xFFFFFFFF; else the file's name into out (its length),
// 0 for a bad index.
UINT DragQueryFile(HDROP drop, UINT index, std::string* out);
BOOL DragQueryPoint(HDROP drop, POINT* pt);

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  UINT id = 0;  // control id (the menu handle's place)
  CWnd* parent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  DWORD style = 0;
  std::string name;
  std::string className;
  DWORD dwExStyle = 0;
};

struct PAINTSTRUCT {
  plat::HDC hdc = nullptr;  // clipped to rcPaint; deleted by EndPaint
  RECT rcPaint{};
  BOOL fErase = FALSE;
};

// A window class: shared by every window created with its name. The class cursor
// changed through one window changes it for all of them.
struct WndClass {
  std::string name;
  UINT style = CS_DBLCLKS;
  HCURSOR cursor = 0;
  int background = -1;  // stock brush index (platform/dc.h) the presentation erases with; -1 none
};
WndClass* RegisterWndClass(const std::string& name, UINT style = CS_DBLCLKS, HCURSOR cursor = 0);
WndClass* FindWndClass(const std::string& name);

constexpr int GCL_HCURSOR = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_ID = -12 - 0x100;  // our own index for the control id
constexpr int GWL_USERDATA = -21;
constexpr UINT USER_TIMER_MINIMUM = 10;

class CWnd : public CCmdTarget {
  FW_DECLARE_DYNAMIC(CWnd)

 public:
  HWND m_hWnd = 0;

  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  static CWnd* FromHandle(HWND h);
  // Whether the window a handle named still lives. Handles are never reused, so code
  // that keeps its own handle before a call that may destroy (and delete) it can ask
  // this afterwards without touching the object.
  static bool Alive(HWND h) { return h && FromHandle(h) != nullptr; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  bool IsDestroying() const { return destroying_; }

  // Creation. The rectangle is in the parent's client coordinates (screen for top-level
  // windows). WM_CREATE returning -1 destroys the window and fails the call.
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual BOOL CreateEx(DWORD exStyle, const std::string& className, const std::string& title,
                        DWORD style, const RECT& rect, CWnd* parent, UINT id, void* param = nullptr);
  virtual BOOL Create(const std::string& className, const std::string& title, DWORD style,
                      const RECT& rect, CWnd* parent, UINT id, void* param = nullptr);
  virtual BOOL DestroyWindow();
  // Called after the last message of the window; frames and views delete themselves here.
  virtual void PostNcDestroy() {}

  // Messages.
  LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
  BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Runs the default handling of the message being handled.
  LRESULT Default();
  static const MSG* GetCurrentMessage();
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual BOOL OnCommand(WPARAM wp, LPARAM lp);
  virtual BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result);
  // A notification reflected from the parent to the control that sent it.
  virtual BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  // Handlers (the default runs the default window procedure).
  virtual int OnCreate(CREATESTRUCT* cs);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnClose();
  virtual void OnPaint();
  // The default fills the area being painted with the class background, when it has one.
  virtual BOOL OnEraseBkgnd();
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnMove(int x, int y);
  virtual void OnShowWindow(BOOL show, UINT status);
  virtual void OnTimer(UINT id);
  virtual void OnMouseMove(UINT flags, POINT pt);
  virtual void OnLButtonDown(UINT flags, POINT pt);
  virtual void OnLButtonUp(UINT flags, POINT pt);
  virtual void OnLButtonDblClk(UINT flags, POINT pt);
  virtual void OnRButtonDown(UINT flags, POINT pt);
  virtual void OnRButtonUp(UINT flags, POINT pt);
  virtual void OnRButtonDblClk(UINT flags, POINT pt);
  virtual void OnMButtonDown(UINT flags, POINT pt);
  virtual void OnMButtonUp(UINT flags, POINT pt);
  virtual void OnKeyDown(UINT ch, UINT repeat, UINT flags);
  virtual void OnKeyUp(UINT ch, UINT repeat, UINT flags);
  virtual void OnSysKeyDown(UINT ch, UINT repeat, UINT flags);
  virtual void OnChar(UINT ch, UINT repeat, UINT flags);
  virtual void OnSetFocus(CWnd* old);
  virtual void OnKillFocus(CWnd* next);
  virtual void OnCaptureChanged(CWnd* next);
  virtual void OnHScroll(UINT code, UINT pos, CWnd* bar);
  virtual void OnVScroll(UINT code, UINT pos, CWnd* bar);
  virtual void OnInitMenu(CMenu* menu);
  virtual void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
  virtual void OnDropFiles(HDROP drop);
  virtual void OnDrawItem(int id, DRAWITEMSTRUCT* dis);
  virtual void OnMeasureItem(int id, MEASUREITEMSTRUCT* mis);
  // Owner drawing of a control, reflected from its parent.
  virtual void DrawItem(DRAWITEMSTRUCT* dis);
  virtual void MeasureItem(MEASUREITEMSTRUCT* mis);

  // Tree.
  CWnd* GetParent() const { return parent_; }
  CWnd* SetParent(CWnd* parent);
  CWnd* GetOwner() const { return owner_ ? owner_ : parent_; }
  void SetOwner(CWnd* owner) { owner_ = owner; }
  CWnd* GetWindow(UINT cmd) const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(UINT id) const;
  const std::vector<CWnd*>& Children() const { return children_; }
  BOOL IsChild(const CWnd* w) const;
  UINT GetDlgCtrlID() const { return id_; }
  void SetDlgCtrlID(UINT id) { id_ = id; }
  static CWnd* FindWindow(const char* className, const char* title);
  static CWnd* WindowFromPoint(POINT screen);
  CWnd* ChildWindowFromPoint(POINT client) const;

  // Text, style, user data.
  virtual void SetWindowText(const std::string& text);
  std::string GetWindowText() const { return text_; }
  int GetWindowTextLength() const { return int(text_.size()); }
  DWORD GetStyle() const { return style_; }
  DWORD GetExStyle() const { return exStyle_; }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
  LONG GetWindowLong(int index) const;
  LONG SetWindowLong(int index, LONG value);
  std::intptr_t GetUserData() const { return userData_; }
  void SetUserData(std::intptr_t v) { userData_ = v; }
  WndClass* GetWndClass() const { return class_; }
  HCURSOR GetClassCursor() const;
  HCURSOR SetClassCursor(HCURSOR cursor);

  // Geometry. Client rectangles start at 0,0; the window rectangle is in screen coordinates.
  void GetWindowRect(RECT* r) const;
  void GetClientRect(RECT* r) const;
  RECT GetRectInParent() const { return rect_; }
  void ClientToScreen(POINT* p) const;
  void ClientToScreen(RECT* r) const;
  void ScreenToClient(POINT* p) const;
  void ScreenToClient(RECT* r) const;
  void MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE);
  void MoveWindow(const RECT& r, BOOL repaint = TRUE) { MoveWindow(r.left, r.top, r.width(), r.height(), repaint); }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
  BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags);
  BOOL BringWindowToTop() { return SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }
  BOOL ShowWindow(int cmd);
  BOOL IsWindowVisible() const;  // this window and every parent visible
  BOOL IsWindowEnabled() const { return !(style_ & WS_DISABLED); }
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsZoomed() const { return (style_ & WS_MAXIMIZE) != 0; }
  BOOL IsIconic() const { return (style_ & WS_MINIMIZE) != 0; }

  // Painting.
  void Invalidate(BOOL erase = TRUE) { InvalidateRect(nullptr, erase); }
  void InvalidateRect(const RECT* r, BOOL erase = TRUE);
  void ValidateRect(const RECT* r);
  BOOL GetUpdateRect(RECT* r, BOOL erase = FALSE) const;
  void UpdateWindow();
  void BeginPaint(PAINTSTRUCT* ps);
  void EndPaint(PAINTSTRUCT* ps);
  void ScrollWindow(int dx, int dy, const RECT* scroll = nullptr, const RECT* clip = nullptr);
  // The window's persistent pixels (client size) and device contexts on them.
  plat::WindowSurface& GetSurface() { return surface_; }
  plat::HDC GetDC();
  int ReleaseDC(plat::HDC dc);
  // How many times the window has been painted (WM_PAINT handled), for tests.
  int PaintCount() const { return paintCount_; }

  // Scroll bars of the window.
  int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
  int GetScrollPos(int bar) const;
  void SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = TRUE);
  void GetScrollRange(int bar, int* minPos, int* maxPos) const;

  // Focus, capture, activation.
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  static BOOL ReleaseCapture();
  CWnd* SetActiveWindow();
  static CWnd* GetActiveWindow();

  // Timers on the clock of clock.h.
  UINT SetTimer(UINT id, UINT elapse);
  BOOL KillTimer(UINT id);

  // Shell file drops reach the window (WS_EX_ACCEPTFILES) or stop being offered to it.
  void DragAcceptFiles(BOOL accept = TRUE);

  // The menu bar of a top-level window (not owned).
  CMenu* GetMenu() const { return menu_; }
  BOOL SetMenu(CMenu* menu);
  void DrawMenuBar() {}

  // Every live window (creation order), for tests and the presentation.
  static std::vector<CWnd*> AllWindows();
  // Tells the window observer that part of the window changed (WOC_ bits).
  void NotifyChanged(UINT what);
  // The client size: the window less its scroll bars.
  SIZE GetClientSize() const;

 protected:
  BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  static BOOL ReflectChildNotify(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

 private:
  friend struct WindowManager;
  friend void DispatchMessage(const MSG* msg);
  void DestroyTree();
  void Unlink();
  void Paint(bool immediate);
  void SyncClientSize();

  CWnd* parent_ = nullptr;
  CWnd* owner_ = nullptr;
  std::vector<CWnd*> children_;  // front is the top of the Z order
  UINT id_ = 0;
  std::string text_;
  RECT rect_{};
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  WndClass* class_ = nullptr;
  std::intptr_t userData_ = 0;
  RECT update_{};
  BOOL updateErase_ = FALSE;
  int paintCount_ = 0;
  CMenu* menu_ = nullptr;
  struct Scroll {
    int min = 0, max = 100, pos = 0;
  } scroll_[2];
  bool destroying_ = false;
  plat::WindowSurface surface_;
  std::vector<plat::HDC> dcs_;
};

// What the presentation sees of the windows: every creation (before WM_CREATE, so a
// parent is always known before its children), destruction, change of a part (WOC_
// bits; a null window for program-wide state such as the cursor) and every rectangle
// of pixels drawn: at EndPaint, at ReleaseDC of a window context (the area the
// context could draw on), at ScrollWindow and at a resize. `now` asks for the pixels
// on screen at once (UpdateWindow): the program may stay busy after it.
constexpr UINT WOC_GEOMETRY = 0x0001;  // rectangle or parent
constexpr UINT WOC_SHOWN = 0x0002;     // visible or enabled
constexpr UINT WOC_TEXT = 0x0004;
constexpr UINT WOC_STYLE = 0x0008;
constexpr UINT WOC_MENU = 0x0010;
constexpr UINT WOC_ZORDER = 0x0020;
constexpr UINT WOC_CURSOR = 0x0040;
constexpr UINT WOC_FOCUS = 0x0080;     // focus or capture
constexpr UINT WOC_SCROLL = 0x0100;    // scroll bar range or position
constexpr UINT WOC_CONTENT = 0x0200;   // items of a bar or a control
constexpr UINT WOC_CARET = 0x0400;     // the caret (framework/caret.h)
class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  virtual void Created(CWnd*) {}
  // The window is still linked; its children are gone already.
  virtual void Destroyed(CWnd*, HWND) {}
  virtual void Changed(CWnd*, UINT) {}
  virtual void Pixels(CWnd*, const RECT&, bool) {}
};
// Installs the observer (nullptr: none); returns the previous one.
WindowObserver* SetWindowObserver(WindowObserver* observer);
WindowObserver* GetWindowObserver();

// The host's event loop (the presentation's): Poll turns waiting host input into
// posted messages without blocking; Wait blocks until host input arrives or ms
// milliseconds passed (-1: no limit). PeekMessage polls when its queue is empty, so
// loops that pump one message at a time still see the user's clicks.
class HostLoop {
 public:
  virtual ~HostLoop() = default;
  virtual void Poll() = 0;
  virtual void Wait(long ms) = 0;
};
HostLoop* SetHostLoop(HostLoop* loop);
HostLoop* GetHostLoop();

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
int GetSystemMetrics(int index);

// Messages by handle.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
BOOL IsWindow(HWND hwnd);
void PostQuitMessage(int exitCode);

// The pump. Order: posted messages first, then paints of visible windows, then due
// timers (at most one WM_TIMER pending per timer). WM_QUIT stops the pump.
// Pumps one message; FALSE when none is waiting or WM_QUIT was taken.
BOOL PumpMessage();
// Pumps until nothing waits (each due timer fires at most once per call); returns the count.
int PumpPendingMessages();
// Removes the next message without dispatching it; FALSE when none waits.
BOOL PeekMessage(MSG* msg, BOOL remove);
void DispatchMessage(const MSG* msg);
bool QuitReceived();
int QuitCode();
void ResetQuit();
// Milliseconds until the next timer is due (0 when one is due now); -1 without timers.
long NextTimerDelay();
size_t PostedMessageCount();
// Destroys every window and drops every message and timer (tests).
void ResetWindowSystem();

// What the shell does when files are dropped at a screen point: WM_DROPFILES goes to the
// window under the point or its nearest parent that accepts files. FALSE when none does.
BOOL DropFiles(POINT screen, const std::vector<std::string>& files);

// Screen size for maximised top-level windows.
void SetScreenSize(int cx, int cy);
SIZE GetScreenSize();

// A program cursor by resource id (0 when the table has none), a system cursor by its IDC_ id.
HCURSOR LoadCursor(UINT resourceId);
HCURSOR LoadStandardCursor(HCURSOR idc);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);  // the display counter after the call; shown while >= 0
int GetCursorDisplayCount();
DWORD SetClassLong(HWND hwnd, int index, DWORD value);
DWORD GetClassLong(HWND hwnd, int index);

}  // namespace fw
