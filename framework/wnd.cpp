#include "framework/wnd.h"

#include "framework/remote.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>

#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "framework/resources.h"

namespace fw {

namespace {

RECT Normalized(const RECT& r) {
  RECT n = r;
  if (n.right < n.left) std::swap(n.left, n.right);
  if (n.bottom < n.top) std::swap(n.top, n.bottom);
  return n;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.empty()) return RECT{};
  return r;
}

RECT Union(const RECT& a, const RECT& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

struct Timer {
  HWND hwnd;
  UINT id;
  UINT elapse;
  DWORD due;
  std::uint64_t seq;
};

}  // namespace

struct WindowManager {
  std::unordered_map<HWND, CWnd*> handles;
  std::vector<CWnd*> order;      // creation order
  std::vector<CWnd*> topLevel;   // front is the top of the Z order
  HWND next = 0x10000;
  std::deque<MSG> posted;
  std::vector<Timer> timers;
  std::uint64_t timerSeq = 0;
  std::vector<MSG> current;  // messages being handled, innermost last
  std::map<std::string, std::unique_ptr<WndClass>> classes;
  CWnd* focus = nullptr;
  CWnd* capture = nullptr;
  CWnd* active = nullptr;
  bool quit = false;
  int quitCode = 0;
  SIZE screen{1024, 768};
  HCURSOR cursor = IDC_ARROW;
  int cursorCount = 0;
  WindowObserver* observer = nullptr;
  HostLoop* host = nullptr;
  bool polling = false;
  bool immediatePaint = false;

  static WindowManager& Get() {
    static WindowManager m;
    return m;
  }

  void Forget(CWnd* w) {
    handles.erase(w->m_hWnd);
    order.erase(std::remove(order.begin(), order.end(), w), order.end());
    topLevel.erase(std::remove(topLevel.begin(), topLevel.end(), w), topLevel.end());
    timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == w->m_hWnd; }),
                 timers.end());
    if (focus == w) focus = nullptr;
    if (capture == w) capture = nullptr;
    if (active == w) active = nullptr;
  }
};

namespace {
WindowManager& WM() { return WindowManager::Get(); }
WindowObserver* Observer() { return WM().observer; }

constexpr int kScrollBarSize = 16;

struct CurrentMessage {
  explicit CurrentMessage(const MSG& m) { WM().current.push_back(m); }
  ~CurrentMessage() { WM().current.pop_back(); }
};
}  // namespace

WndClass* RegisterWndClass(const std::string& name, UINT style, HCURSOR cursor) {
  auto& slot = WM().classes[name];
  if (!slot) {
    slot = std::make_unique<WndClass>();
    slot->name = name;
    slot->style = style;
    slot->cursor = cursor;
  }
  return slot.get();
}

WndClass* FindWndClass(const std::string& name) {
  auto it = WM().classes.find(name);
  return it == WM().classes.end() ? nullptr : it->second.get();
}

FW_IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd) DestroyWindow();
}

CWnd* CWnd::FromHandle(HWND h) {
  auto& m = WM().handles;
  auto it = m.find(h);
  return it == m.end() ? nullptr : it->second;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(const std::string& className, const std::string& title, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, void* param) {
  return CreateEx(0, className, title, style, rect, parent, id, param);
}

BOOL CWnd::CreateEx(DWORD exStyle, const std::string& className, const std::string& title, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, void* param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.id = id;
  cs.parent = parent;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.width();
  cs.cy = rect.height();
  cs.style = style;
  cs.name = title;
  cs.className = className.empty() ? std::string("FwWnd") : className;
  cs.dwExStyle = exStyle;
  if (!PreCreateWindow(cs)) return FALSE;

  WindowManager& m = WM();
  m_hWnd = m.next++;
  m.handles[m_hWnd] = this;
  m.order.push_back(this);
  class_ = RegisterWndClass(cs.className);
  id_ = cs.id;
  text_ = cs.name;
  style_ = cs.style;
  exStyle_ = cs.dwExStyle;
  rect_ = RECT{cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy)};
  SIZE client = GetClientSize();
  surface_.Resize(client.cx, client.cy);
  if ((cs.style & WS_CHILD) && cs.parent) {
    parent_ = cs.parent;
    parent_->children_.push_back(this);
  } else {
    owner_ = cs.parent;
    m.topLevel.insert(m.topLevel.begin(), this);
  }
  if (WindowObserver* o = Observer()) o->Created(this);
  const HWND self = m_hWnd;
  if (SendMessage(WM_CREATE, 0, LPARAM(&cs)) == -1) {
    if (Alive(self)) DestroyWindow();
    return FALSE;
  }
  if (!Alive(self)) return FALSE;
  if (style_ & WS_MAXIMIZE) {
    style_ &= ~WS_MAXIMIZE;
    ShowWindow(SW_SHOWMAXIMIZED);
    if (!(cs.style & WS_VISIBLE)) style_ &= ~WS_VISIBLE;
  } else {
    SIZE c = GetClientSize();
    SendMessage(WM_SIZE, 0, MAKELONG(WORD(c.cx), WORD(c.cy)));
  }
  if (style_ & WS_VISIBLE) InvalidateRect(nullptr, TRUE);
  if (!parent_) detail::TopLevelChanged();
  return TRUE;
}

void CWnd::DestroyTree() {
  destroying_ = true;
  SendMessage(WM_DESTROY);
  std::vector<CWnd*> kids = children_;
  for (CWnd* c : kids)
    if (c->m_hWnd) c->DestroyWindow();
  // Owned top-level windows go with their owner.
  std::vector<CWnd*> owned;
  for (CWnd* w : WM().topLevel)
    if (w->owner_ == this) owned.push_back(w);
  for (CWnd* w : owned)
    if (w->m_hWnd) w->DestroyWindow();
}

void CWnd::Unlink() {
  if (WindowObserver* o = Observer()) o->Destroyed(this, m_hWnd);
  for (plat::HDC dc : dcs_) delete dc;
  dcs_.clear();
  if (parent_) {
    auto& s = parent_->children_;
    s.erase(std::remove(s.begin(), s.end(), this), s.end());
    parent_ = nullptr;
  }
  for (CWnd* c : children_) c->parent_ = nullptr;
  children_.clear();
  WM().Forget(this);
  if (!(style_ & WS_CHILD)) detail::TopLevelChanged();
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd || destroying_) return FALSE;
  CWnd* capture = WM().capture;
  if (capture == this || (capture && IsChild(capture))) ReleaseCapture();
  DestroyTree();
  HWND h = m_hWnd;
  {
    MSG msg{h, WM_NCDESTROY, 0, 0, GetTickCount(), {}};
    CurrentMessage cur(msg);
    Unlink();
    m_hWnd = 0;
    destroying_ = false;
    OnNcDestroy();  // may delete this
  }
  return TRUE;
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wp, LPARAM lp) { return fw::SendMessage(m_hWnd, msg, wp, lp); }
BOOL CWnd::PostMessage(UINT msg, WPARAM wp, LPARAM lp) { return fw::PostMessage(m_hWnd, msg, wp, lp); }

const MSG* CWnd::GetCurrentMessage() {
  auto& c = WM().current;
  return c.empty() ? nullptr : &c.back();
}

LRESULT CWnd::Default() {
  const MSG* m = GetCurrentMessage();
  if (!m) return 0;
  MSG copy = *m;
  return DefWindowProc(copy.message, copy.wParam, copy.lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT r = 0;
  const HWND self = m_hWnd;
  // A handler may have destroyed the window: then there is no default left to run.
  if (!OnWndMsg(msg, wp, lp, &r) && (!self || Alive(self))) r = DefWindowProc(msg, wp, lp);
  return r;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(&ps);
      EndPaint(&ps);
      return 0;
    }
    case WM_ERASEBKGND:
      if (class_ && class_->background >= 0 && !update_.empty()) {
        plat::DC dc(surface_);
        if (auto* brush = dynamic_cast<plat::HBRUSH>(plat::GetStockObject(class_->background))) dc.FillRect(update_, brush);
        return TRUE;
      }
      return FALSE;
    case WM_SETCURSOR:
      if (class_ && class_->cursor) {
        fw::SetCursor(class_->cursor);
        return TRUE;
      }
      return FALSE;
    default:
      return 0;
  }
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::ReflectChildNotify(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  CWnd* c = FromHandle(child);
  return c ? c->OnChildNotify(msg, wp, lp, result) : FALSE;
}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  CmdCall call;
  call.reflected = true;
  call.wParam = wp;
  call.lParam = lp;
  if (msg == WM_COMMAND) {
    call.kind = CmdKind::Command;
    call.id = LOWORD(wp);
    call.code = HIWORD(wp);
  } else if (msg == WM_NOTIFY) {
    auto* nm = reinterpret_cast<NMHDR*>(lp);
    if (!nm) return FALSE;
    call.kind = CmdKind::Notify;
    call.id = nm->idFrom;
    call.code = nm->code;
    call.nmhdr = nm;
  } else {
    return FALSE;
  }
  if (!DispatchCmdMsg(call)) return FALSE;
  if (result) *result = call.result;
  return TRUE;
}

namespace {
// The result of the WM_COMMAND being handled, kept off the window: the command may
// destroy it.
LRESULT g_commandResult = 1;
}  // namespace

BOOL CWnd::OnCommand(WPARAM wp, LPARAM lp) {
  UINT id = LOWORD(wp);
  UINT code = HIWORD(wp);
  // lParam names a control only when it is one of our children; private commands
  // carry pointers or numbers there.
  CWnd* ctrl = (lp > 0 && std::uintptr_t(lp) <= 0xFFFFFFFFu) ? FromHandle(HWND(lp)) : nullptr;
  if (ctrl && ctrl->parent_ == this) {
    LRESULT r = 0;
    if (ctrl->OnChildNotify(WM_COMMAND, wp, lp, &r)) return TRUE;
  } else if (lp == 0 && code <= 1) {
    // A menu or accelerator command runs only while its update handler leaves it enabled.
    CCmdUI state;
    state.m_nID = id;
    CmdCall upd;
    upd.kind = CmdKind::Update;
    upd.id = id;
    upd.ui = &state;
    const HWND self = m_hWnd;
    OnCmdMsg(upd);
    if (!state.enabled || (self && !Alive(self))) return TRUE;
    code = 0;
  }
  CmdCall call;
  call.kind = CmdKind::Command;
  call.id = id;
  call.code = code;
  call.wParam = wp;
  call.lParam = lp;
  call.result = 1;
  if (!OnCmdMsg(call)) return FALSE;
  g_commandResult = call.result;
  return TRUE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lp, LRESULT* result) {
  auto* nm = reinterpret_cast<NMHDR*>(lp);
  if (!nm) return FALSE;
  if (ReflectChildNotify(nm->hwndFrom, WM_NOTIFY, 0, lp, result)) return TRUE;
  CmdCall call;
  call.kind = CmdKind::Notify;
  call.id = nm->idFrom;
  call.code = nm->code;
  call.nmhdr = nm;
  if (!OnCmdMsg(call)) return FALSE;
  if (result) *result = call.result;
  return TRUE;
}

namespace {
POINT PointFromLParam(LPARAM lp) {
  return POINT{LONG(std::int16_t(LOWORD(std::uintptr_t(lp)))), LONG(std::int16_t(HIWORD(std::uintptr_t(lp))))};
}
}  // namespace

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  {
    CmdCall call;
    call.kind = CmdKind::Message;
    call.id = msg;
    call.wParam = wp;
    call.lParam = lp;
    if (DispatchCmdMsg(call)) {
      *result = call.result;
      return TRUE;
    }
  }
  *result = 0;
  switch (msg) {
    case WM_COMMAND: {
      const LRESULT outer = g_commandResult;
      g_commandResult = 1;
      const BOOL handled = OnCommand(wp, lp);
      if (handled) *result = g_commandResult;
      g_commandResult = outer;
      return handled;
    }
    case WM_NOTIFY:
      return OnNotify(wp, lp, result);
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCT*>(lp));
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_ERASEBKGND:
      *result = OnEraseBkgnd();
      return TRUE;
    case WM_SIZE:
      OnSize(UINT(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_MOVE:
      OnMove(std::int16_t(LOWORD(std::uintptr_t(lp))), std::int16_t(HIWORD(std::uintptr_t(lp))));
      return TRUE;
    case WM_SHOWWINDOW:
      OnShowWindow(BOOL(wp), UINT(lp));
      return TRUE;
    case WM_TIMER:
      OnTimer(UINT(wp));
      return TRUE;
    case WM_MOUSEMOVE:
      OnMouseMove(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_LBUTTONDOWN:
      OnLButtonDown(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_LBUTTONUP:
      OnLButtonUp(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_RBUTTONDOWN:
      OnRButtonDown(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_RBUTTONUP:
      OnRButtonUp(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_RBUTTONDBLCLK:
      OnRButtonDblClk(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_MBUTTONDOWN:
      OnMButtonDown(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_MBUTTONUP:
      OnMButtonUp(UINT(wp), PointFromLParam(lp));
      return TRUE;
    case WM_KEYDOWN:
      OnKeyDown(UINT(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_KEYUP:
      OnKeyUp(UINT(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_SYSKEYDOWN:
      OnSysKeyDown(UINT(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_CHAR:
      OnChar(UINT(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_SETFOCUS:
      OnSetFocus(FromHandle(HWND(wp)));
      return TRUE;
    case WM_KILLFOCUS:
      OnKillFocus(FromHandle(HWND(wp)));
      return TRUE;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(FromHandle(HWND(lp)));
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      CWnd* bar = (lp > 0 && std::uintptr_t(lp) <= 0xFFFFFFFFu) ? FromHandle(HWND(lp)) : nullptr;
      if (bar && bar->parent_ == this && bar->OnChildNotify(msg, wp, lp, result)) return TRUE;
      if (msg == WM_HSCROLL)
        OnHScroll(LOWORD(wp), HIWORD(wp), bar);
      else
        OnVScroll(LOWORD(wp), HIWORD(wp), bar);
      return TRUE;
    }
    case WM_INITMENU:
      OnInitMenu(reinterpret_cast<CMenu*>(wp));
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wp));
      return TRUE;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<CMenu*>(wp), LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp)));
      return TRUE;
    case WM_DRAWITEM:
      OnDrawItem(int(wp), reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      *result = TRUE;
      return TRUE;
    case WM_MEASUREITEM:
      OnMeasureItem(int(wp), reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
      *result = TRUE;
      return TRUE;
    default:
      return FALSE;
  }
}

int CWnd::OnCreate(CREATESTRUCT*) { return 0; }
BOOL CWnd::OnEraseBkgnd() { return BOOL(Default()); }
void CWnd::OnDestroy() {}
void CWnd::OnNcDestroy() { PostNcDestroy(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnMove(int, int) {}
void CWnd::OnShowWindow(BOOL, UINT) {}
void CWnd::OnTimer(UINT) { Default(); }
void CWnd::OnMouseMove(UINT, POINT) { Default(); }
void CWnd::OnLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnLButtonUp(UINT, POINT) { Default(); }
void CWnd::OnLButtonDblClk(UINT, POINT) { Default(); }
void CWnd::OnRButtonDown(UINT, POINT) { Default(); }
void CWnd::OnRButtonUp(UINT, POINT) { Default(); }
void CWnd::OnRButtonDblClk(UINT, POINT) { Default(); }
void CWnd::OnMButtonDown(UINT, POINT) { Default(); }
void CWnd::OnMButtonUp(UINT, POINT) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) {}
void CWnd::OnKillFocus(CWnd*) {}
void CWnd::OnCaptureChanged(CWnd*) {}
void CWnd::OnHScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnInitMenu(CMenu*) {}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) {}
void CWnd::OnDropFiles(HDROP) { Default(); }

void CWnd::DragAcceptFiles(BOOL accept) {
  if (accept)
    exStyle_ |= WS_EX_ACCEPTFILES;
  else
    exStyle_ &= ~WS_EX_ACCEPTFILES;
}

UINT DragQueryFile(HDROP drop, UINT index, std::string* out) {
  if (out) out->clear();
  if (!drop) return 0;
  if (index == 0xFFFFFFFFu) return UINT(drop->files.size());
  if (index >= drop->files.size()) return 0;
  if (out) *out = drop->files[index];
  return UINT(drop->files[index].size());
}

BOOL DragQueryPoint(HDROP drop, POINT* pt) {
  if (!drop || !pt) return FALSE;
  *pt = drop->pt;
  return TRUE;
}

BOOL DropFiles(POINT screen, const std::vector<std::string>& files) {
  CWnd* w = CWnd::WindowFromPoint(screen);
  while (w && !(w->GetExStyle() & WS_EX_ACCEPTFILES)) w = w->GetParent();
  if (!w || files.empty()) return FALSE;
  DROPFILES drop{files, screen};
  w->ScreenToClient(&drop.pt);
  w->SendMessage(WM_DROPFILES, WPARAM(&drop), 0);
  return TRUE;
}

void CWnd::OnDrawItem(int, DRAWITEMSTRUCT* dis) {
  if (dis) {
    if (CWnd* c = FromHandle(dis->hwndItem); c && c->parent_ == this) c->DrawItem(dis);
  }
}

void CWnd::OnMeasureItem(int id, MEASUREITEMSTRUCT* mis) {
  if (CWnd* c = GetDlgItem(UINT(id))) c->MeasureItem(mis);
}

void CWnd::DrawItem(DRAWITEMSTRUCT*) {}
void CWnd::MeasureItem(MEASUREITEMSTRUCT*) {}

CWnd* CWnd::SetParent(CWnd* parent) {
  CWnd* old = parent_;
  if (parent_) {
    auto& s = parent_->children_;
    s.erase(std::remove(s.begin(), s.end(), this), s.end());
  } else {
    auto& t = WM().topLevel;
    t.erase(std::remove(t.begin(), t.end(), this), t.end());
  }
  parent_ = parent;
  if (parent_)
    parent_->children_.push_back(this);
  else
    WM().topLevel.insert(WM().topLevel.begin(), this);
  NotifyChanged(WOC_GEOMETRY | WOC_ZORDER);
  return old;
}

CWnd* CWnd::GetWindow(UINT cmd) const {
  const std::vector<CWnd*>& sib = parent_ ? parent_->children_ : WM().topLevel;
  auto it = std::find(sib.begin(), sib.end(), this);
  switch (cmd) {
    case GW_CHILD:
      return children_.empty() ? nullptr : children_.front();
    case GW_HWNDFIRST:
      return sib.empty() ? nullptr : sib.front();
    case GW_HWNDLAST:
      return sib.empty() ? nullptr : sib.back();
    case GW_HWNDNEXT:
      return (it == sib.end() || it + 1 == sib.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return (it == sib.end() || it == sib.begin()) ? nullptr : *(it - 1);
    case GW_OWNER:
      return owner_;
    default:
      return nullptr;
  }
}

CWnd* CWnd::GetTopLevelParent() const {
  const CWnd* w = this;
  while (w->parent_) w = w->parent_;
  return const_cast<CWnd*>(w);
}

CWnd* CWnd::GetDlgItem(UINT id) const {
  for (CWnd* c : children_)
    if (c->id_ == id) return c;
  return nullptr;
}

BOOL CWnd::IsChild(const CWnd* w) const {
  for (const CWnd* p = w ? w->parent_ : nullptr; p; p = p->parent_)
    if (p == this) return TRUE;
  return FALSE;
}

CWnd* CWnd::FindWindow(const char* className, const char* title) {
  for (CWnd* w : WM().topLevel) {
    if (className && (!w->class_ || w->class_->name != className)) continue;
    if (title && w->text_ != title) continue;
    return w;
  }
  return nullptr;
}

CWnd* CWnd::ChildWindowFromPoint(POINT p) const {
  for (CWnd* c : children_) {
    if (!(c->style_ & WS_VISIBLE)) continue;
    const RECT& r = c->rect_;
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
      POINT q{p.x - r.left, p.y - r.top};
      CWnd* deeper = c->ChildWindowFromPoint(q);
      return deeper ? deeper : c;
    }
  }
  return nullptr;
}

namespace {
constexpr DWORD kButtonTypeMask = 0x000F;

// Labels, frames and group boxes let the mouse through to what lies under them,
// unless a label asks for its clicks.
bool TransparentToMouse(const CWnd* w) {
  const WndClass* c = w->GetWndClass();
  if (!c || !(w->GetStyle() & WS_CHILD)) return false;
  if (c->name == "Static") return !(w->GetStyle() & SS_NOTIFY);
  if (c->name == "Button") return (w->GetStyle() & kButtonTypeMask) == BS_GROUPBOX;
  return false;
}

// The deepest visible window under a point of `w`'s client that takes the mouse.
CWnd* MouseChildAt(const CWnd* w, POINT p) {
  for (CWnd* c : w->Children()) {
    if (!(c->GetStyle() & WS_VISIBLE)) continue;
    const RECT r = c->GetRectInParent();
    if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) continue;
    if (CWnd* deeper = MouseChildAt(c, POINT{p.x - r.left, p.y - r.top})) return deeper;
    if (!TransparentToMouse(c)) return c;
  }
  return nullptr;
}
}  // namespace

CWnd* CWnd::WindowFromPoint(POINT s) {
  for (CWnd* w : WM().topLevel) {
    if (!(w->style_ & WS_VISIBLE)) continue;
    const RECT& r = w->rect_;
    if (s.x >= r.left && s.x < r.right && s.y >= r.top && s.y < r.bottom) {
      CWnd* c = MouseChildAt(w, POINT{s.x - r.left, s.y - r.top});
      return c ? c : w;
    }
  }
  return nullptr;
}

void CWnd::SetWindowText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  NotifyChanged(WOC_TEXT);
  if (!parent_) detail::TopLevelChanged();
}

void CWnd::NotifyChanged(UINT what) {
  if (WindowObserver* o = Observer(); o && m_hWnd) o->Changed(this, what);
}

SIZE CWnd::GetClientSize() const {
  LONG w = rect_.width() - ((style_ & WS_VSCROLL) ? kScrollBarSize : 0);
  LONG h = rect_.height() - ((style_ & WS_HSCROLL) ? kScrollBarSize : 0);
  return SIZE{std::max<LONG>(0, w), std::max<LONG>(0, h)};
}

// After the scroll bars came or went: the surface and the program follow the new
// client size.
void CWnd::SyncClientSize() {
  SIZE c = GetClientSize();
  if (c.cx == surface_.width() && c.cy == surface_.height()) return;
  surface_.Resize(c.cx, c.cy);
  NotifyChanged(WOC_GEOMETRY);
  const HWND self = m_hWnd;
  SendMessage(WM_SIZE, IsZoomed() ? 2 : 0, MAKELONG(WORD(c.cx), WORD(c.cy)));
  if (Alive(self)) InvalidateRect(nullptr, TRUE);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  DWORD old = style_;
  style_ = (style_ & ~remove) | add;
  if (old == style_) return FALSE;
  NotifyChanged(WOC_STYLE);
  if ((old ^ style_) & (WS_VSCROLL | WS_HSCROLL)) SyncClientSize();
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
  DWORD old = exStyle_;
  exStyle_ = (exStyle_ & ~remove) | add;
  if (old == exStyle_) return FALSE;
  NotifyChanged(WOC_STYLE);
  return TRUE;
}

LONG CWnd::GetWindowLong(int index) const {
  switch (index) {
    case GWL_STYLE:
      return LONG(style_);
    case GWL_EXSTYLE:
      return LONG(exStyle_);
    case GWL_USERDATA:
      return LONG(userData_);
    case GWL_ID:
      return LONG(id_);
    default:
      return 0;
  }
}

LONG CWnd::SetWindowLong(int index, LONG value) {
  LONG old = GetWindowLong(index);
  switch (index) {
    case GWL_STYLE: {
      DWORD was = style_;
      style_ = DWORD(value);
      NotifyChanged(WOC_STYLE);
      if ((was ^ style_) & (WS_VSCROLL | WS_HSCROLL)) SyncClientSize();
      break;
    }
    case GWL_EXSTYLE:
      exStyle_ = DWORD(value);
      NotifyChanged(WOC_STYLE);
      break;
    case GWL_USERDATA:
      userData_ = value;
      break;
    case GWL_ID:
      id_ = UINT(value);
      break;
    default:
      return 0;
  }
  return old;
}

HCURSOR CWnd::GetClassCursor() const { return class_ ? class_->cursor : 0; }

HCURSOR CWnd::SetClassCursor(HCURSOR cursor) {
  if (!class_) return 0;
  HCURSOR old = class_->cursor;
  class_->cursor = cursor;
  NotifyChanged(WOC_CURSOR);
  return old;
}

void CWnd::GetWindowRect(RECT* r) const {
  *r = RECT{0, 0, rect_.width(), rect_.height()};
  ClientToScreen(r);
}

void CWnd::GetClientRect(RECT* r) const {
  SIZE c = GetClientSize();
  *r = RECT{0, 0, c.cx, c.cy};
}

void CWnd::ClientToScreen(POINT* p) const {
  for (const CWnd* w = this; w; w = w->parent_) {
    p->x += w->rect_.left;
    p->y += w->rect_.top;
  }
}

void CWnd::ClientToScreen(RECT* r) const {
  POINT a{r->left, r->top}, b{r->right, r->bottom};
  ClientToScreen(&a);
  ClientToScreen(&b);
  *r = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::ScreenToClient(POINT* p) const {
  for (const CWnd* w = this; w; w = w->parent_) {
    p->x -= w->rect_.left;
    p->y -= w->rect_.top;
  }
}

void CWnd::ScreenToClient(RECT* r) const {
  POINT a{r->left, r->top}, b{r->right, r->bottom};
  ScreenToClient(&a);
  ScreenToClient(&b);
  *r = RECT{a.x, a.y, b.x, b.y};
}

void CWnd::MoveWindow(int x, int y, int cx, int cy, BOOL repaint) {
  SetWindowPos(HWND_TOP, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
  return SetWindowPos(after ? after->m_hWnd : HWND_TOP, x, y, cx, cy, flags);
}

BOOL CWnd::SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!m_hWnd) return FALSE;
  bool restacked = false;
  if (!(flags & SWP_NOZORDER)) {
    std::vector<CWnd*>& sib = parent_ ? parent_->children_ : WM().topLevel;
    std::vector<CWnd*> before = sib;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
    if (after == HWND_BOTTOM) {
      sib.push_back(this);
    } else if (after == HWND_TOP || after == HWND_TOPMOST) {
      sib.insert(sib.begin(), this);
    } else {
      auto it = std::find(sib.begin(), sib.end(), FromHandle(after));
      sib.insert(it == sib.end() ? sib.begin() : it + 1, this);
    }
    restacked = before != sib;
  }
  RECT old = rect_;
  if (!(flags & SWP_NOMOVE)) {
    rect_.right = x + rect_.width();
    rect_.bottom = y + rect_.height();
    rect_.left = x;
    rect_.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    rect_.right = rect_.left + std::max(0, cx);
    rect_.bottom = rect_.top + std::max(0, cy);
  }
  bool moved = old.left != rect_.left || old.top != rect_.top;
  bool sized = old.width() != rect_.width() || old.height() != rect_.height();
  if (sized) {
    SIZE c = GetClientSize();
    surface_.Resize(c.cx, c.cy);
  }
  if (moved || sized || restacked)
    NotifyChanged((moved || sized ? WOC_GEOMETRY : 0) | (restacked ? WOC_ZORDER : 0));
  if (sized)
    if (WindowObserver* o = Observer()) {
      SIZE c = GetClientSize();
      o->Pixels(this, RECT{0, 0, c.cx, c.cy}, false);
    }
  // Each message below may destroy the window.
  const HWND self = m_hWnd;
  if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOWNA);
  if ((flags & SWP_HIDEWINDOW) && Alive(self)) ShowWindow(SW_HIDE);
  if (moved && Alive(self)) SendMessage(WM_MOVE, 0, MAKELONG(WORD(rect_.left), WORD(rect_.top)));
  if (sized && Alive(self)) {
    SIZE c = GetClientSize();
    SendMessage(WM_SIZE, IsZoomed() ? 2 : 0, MAKELONG(WORD(c.cx), WORD(c.cy)));
    if (!(flags & SWP_NOREDRAW) && Alive(self)) InvalidateRect(nullptr, TRUE);
  }
  return TRUE;
}

BOOL CWnd::ShowWindow(int cmd) {
  if (!m_hWnd) return FALSE;
  BOOL wasVisible = (style_ & WS_VISIBLE) != 0;
  bool show = cmd != SW_HIDE;
  if (cmd == SW_SHOWMAXIMIZED) {
    style_ = (style_ & ~WS_MINIMIZE) | WS_MAXIMIZE;
    RECT area{};
    if (parent_ && (style_ & WS_CHILD))
      parent_->GetClientRect(&area);
    else
      area = RECT{0, 0, WM().screen.cx, WM().screen.cy};
    SetWindowPos(HWND_TOP, area.left, area.top, area.width(), area.height(), SWP_NOZORDER);
  } else if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED) {
    style_ = (style_ & ~WS_MAXIMIZE) | WS_MINIMIZE;
  } else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
    style_ &= ~(WS_MAXIMIZE | WS_MINIMIZE);
  }
  if (show != bool(wasVisible)) {
    if (show)
      style_ |= WS_VISIBLE;
    else
      style_ &= ~WS_VISIBLE;
    NotifyChanged(WOC_SHOWN | WOC_STYLE);
    const HWND self = m_hWnd;
    SendMessage(WM_SHOWWINDOW, show, 0);
    if (show && Alive(self)) InvalidateRect(nullptr, TRUE);
  } else {
    NotifyChanged(WOC_STYLE);
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  if (!m_hWnd) return FALSE;
  for (const CWnd* w = this; w; w = w->parent_)
    if (!(w->style_ & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  BOOL wasDisabled = (style_ & WS_DISABLED) != 0;
  if (enable)
    style_ &= ~WS_DISABLED;
  else
    style_ |= WS_DISABLED;
  if (bool(wasDisabled) == bool(enable)) NotifyChanged(WOC_SHOWN);
  SendMessage(WM_ENABLE, enable, 0);
  return wasDisabled;
}

void CWnd::InvalidateRect(const RECT* r, BOOL erase) {
  if (!m_hWnd) return;
  SIZE cs = GetClientSize();
  RECT client{0, 0, cs.cx, cs.cy};
  RECT add = r ? Intersect(Normalized(*r), client) : client;
  if (add.empty()) return;
  update_ = Union(update_, add);
  if (erase) updateErase_ = TRUE;
}

void CWnd::ValidateRect(const RECT* r) {
  if (!r) {
    update_ = RECT{};
    updateErase_ = FALSE;
    return;
  }
  RECT v = Normalized(*r);
  // A rectangle keeps its part outside the validated band only when the band spans it.
  if (v.left <= update_.left && v.right >= update_.right) {
    if (v.top <= update_.top && v.bottom > update_.top) update_.top = std::min(v.bottom, update_.bottom);
    if (v.bottom >= update_.bottom && v.top < update_.bottom) update_.bottom = std::max(v.top, update_.top);
  }
  if (update_.empty()) update_ = RECT{};
}

BOOL CWnd::GetUpdateRect(RECT* r, BOOL) const {
  if (r) *r = update_;
  return !update_.empty();
}

void CWnd::UpdateWindow() { Paint(true); }

void CWnd::Paint(bool immediate) {
  if (m_hWnd && IsWindowVisible() && !update_.empty()) {
    bool was = WM().immediatePaint;
    WM().immediatePaint = immediate;
    const HWND self = m_hWnd;
    SendMessage(WM_PAINT);
    WM().immediatePaint = was;
    if (Alive(self) && !update_.empty()) ValidateRect(nullptr);
  }
}

plat::HDC CWnd::GetDC() {
  if (!m_hWnd) return nullptr;
  plat::HDC dc = new plat::DC(surface_);
  dcs_.push_back(dc);
  return dc;
}

int CWnd::ReleaseDC(plat::HDC dc) {
  auto it = std::find(dcs_.begin(), dcs_.end(), dc);
  if (it == dcs_.end()) return 0;
  dcs_.erase(it);
  if (WindowObserver* o = Observer()) {
    RECT drawn{};
    if (dc->GetClipBox(&drawn) == plat::SIMPLEREGION) {
      // The clip box is in logical units; the surface takes device units.
      POINT org = dc->GetViewportOrg();
      drawn = RECT{drawn.left + org.x, drawn.top + org.y, drawn.right + org.x, drawn.bottom + org.y};
      SIZE c = GetClientSize();
      drawn = Intersect(drawn, RECT{0, 0, c.cx, c.cy});
      if (!drawn.empty()) o->Pixels(this, drawn, WM().immediatePaint);
    }
  }
  delete dc;
  return 1;
}

void CWnd::BeginPaint(PAINTSTRUCT* ps) {
  ps->rcPaint = update_;
  ps->hdc = GetDC();
  if (ps->hdc) ps->hdc->SelectClipRect(&ps->rcPaint);
  ps->fErase = updateErase_;
  if (updateErase_) SendMessage(WM_ERASEBKGND);
  update_ = RECT{};
  updateErase_ = FALSE;
  ++paintCount_;
}

void CWnd::EndPaint(PAINTSTRUCT* ps) {
  if (ps->hdc) {
    auto it = std::find(dcs_.begin(), dcs_.end(), ps->hdc);
    if (it != dcs_.end()) {
      dcs_.erase(it);
      delete ps->hdc;
    }
  }
  ps->hdc = nullptr;
  if (WindowObserver* o = Observer(); o && m_hWnd && !ps->rcPaint.empty())
    o->Pixels(this, ps->rcPaint, WM().immediatePaint);
}

void CWnd::ScrollWindow(int, int, const RECT* scroll, const RECT* clip) {
  RECT r{};
  GetClientRect(&r);
  if (scroll) r = Intersect(r, *scroll);
  if (clip) r = Intersect(r, *clip);
  InvalidateRect(&r, TRUE);
  if (WindowObserver* o = Observer(); o && !r.empty()) o->Pixels(this, r, false);
}

int CWnd::SetScrollPos(int bar, int pos, BOOL) {
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  Scroll& s = scroll_[bar];
  int old = s.pos;
  s.pos = std::clamp(pos, std::min(s.min, s.max), std::max(s.min, s.max));
  if (s.pos != old) NotifyChanged(WOC_SCROLL);
  return old;
}

int CWnd::GetScrollPos(int bar) const { return (bar == SB_HORZ || bar == SB_VERT) ? scroll_[bar].pos : 0; }

void CWnd::SetScrollRange(int bar, int minPos, int maxPos, BOOL) {
  if (bar != SB_HORZ && bar != SB_VERT) return;
  scroll_[bar].min = minPos;
  scroll_[bar].max = maxPos;
  scroll_[bar].pos = std::clamp(scroll_[bar].pos, std::min(minPos, maxPos), std::max(minPos, maxPos));
  NotifyChanged(WOC_SCROLL);
}

void CWnd::GetScrollRange(int bar, int* minPos, int* maxPos) const {
  if (bar != SB_HORZ && bar != SB_VERT) return;
  if (minPos) *minPos = scroll_[bar].min;
  if (maxPos) *maxPos = scroll_[bar].max;
}

CWnd* CWnd::SetFocus() {
  WindowManager& m = WM();
  CWnd* old = m.focus;
  if (old == this || !m_hWnd) return old;
  m.focus = this;
  NotifyChanged(WOC_FOCUS);
  const HWND self = m_hWnd;
  const HWND oldHandle = old ? old->m_hWnd : 0;
  if (old) old->SendMessage(WM_KILLFOCUS, self);
  if (Alive(self) && m.focus == this) SendMessage(WM_SETFOCUS, oldHandle);
  return old;
}

CWnd* CWnd::GetFocus() { return WM().focus; }

CWnd* CWnd::SetCapture() {
  WindowManager& m = WM();
  CWnd* old = m.capture;
  m.capture = this;
  NotifyChanged(WOC_FOCUS);
  if (old && old != this) old->SendMessage(WM_CAPTURECHANGED, 0, LPARAM(m_hWnd));
  return old;
}

CWnd* CWnd::GetCapture() { return WM().capture; }

BOOL CWnd::ReleaseCapture() {
  WindowManager& m = WM();
  CWnd* old = m.capture;
  m.capture = nullptr;
  if (old) old->NotifyChanged(WOC_FOCUS);
  if (old) old->SendMessage(WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

CWnd* CWnd::SetActiveWindow() {
  WindowManager& m = WM();
  CWnd* top = GetTopLevelParent();
  CWnd* old = m.active;
  if (old == top) return old;
  m.active = top;
  const HWND topHandle = top->m_hWnd;
  const HWND oldHandle = old ? old->m_hWnd : 0;
  if (old) old->SendMessage(WM_ACTIVATE, 0, LPARAM(topHandle));
  fw::SendMessage(topHandle, WM_ACTIVATE, 1, LPARAM(oldHandle));
  return old;
}

CWnd* CWnd::GetActiveWindow() { return WM().active; }

UINT CWnd::SetTimer(UINT id, UINT elapse) {
  if (!m_hWnd) return 0;
  WindowManager& m = WM();
  elapse = std::max(elapse, USER_TIMER_MINIMUM);
  DWORD due = GetTickCount() + elapse;
  for (Timer& t : m.timers) {
    if (t.hwnd == m_hWnd && t.id == id) {
      t.elapse = elapse;
      t.due = due;
      return id;
    }
  }
  m.timers.push_back(Timer{m_hWnd, id, elapse, due, m.timerSeq++});
  return id;
}

BOOL CWnd::KillTimer(UINT id) {
  auto& ts = WM().timers;
  auto it = std::find_if(ts.begin(), ts.end(), [&](const Timer& t) { return t.hwnd == m_hWnd && t.id == id; });
  if (it == ts.end()) return FALSE;
  ts.erase(it);
  return TRUE;
}

BOOL CWnd::SetMenu(CMenu* menu) {
  menu_ = menu;
  NotifyChanged(WOC_MENU);
  return TRUE;
}

std::vector<CWnd*> CWnd::AllWindows() { return WM().order; }

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (IsRemoteWindow(hwnd)) return detail::RemoteSendMessage(hwnd, msg, wp, lp);
  CWnd* w = CWnd::FromHandle(hwnd);
  if (!w) return 0;
  MSG m{hwnd, msg, wp, lp, GetTickCount(), {}};
  CurrentMessage cur(m);
  return w->WindowProc(msg, wp, lp);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (hwnd && !CWnd::FromHandle(hwnd)) return FALSE;
  WM().posted.push_back(MSG{hwnd, msg, wp, lp, GetTickCount(), {}});
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (IsRemoteWindow(hwnd)) return detail::RemoteIsWindow(hwnd);
  return CWnd::FromHandle(hwnd) != nullptr;
}

void PostQuitMessage(int exitCode) { WM().posted.push_back(MSG{0, WM_QUIT, WPARAM(exitCode), 0, GetTickCount(), {}}); }

namespace {

CWnd* FindPaintTarget() {
  for (CWnd* w : WM().order)
    if (!w->GetUpdateRect(nullptr) ? false : w->IsWindowVisible()) return w;
  return nullptr;
}

Timer* FindDueTimer() {
  WindowManager& m = WM();
  DWORD now = GetTickCount();
  Timer* best = nullptr;
  for (Timer& t : m.timers) {
    if (std::int32_t(now - t.due) < 0) continue;
    if (!best || std::int32_t(t.due - best->due) < 0 || (t.due == best->due && t.seq < best->seq)) best = &t;
  }
  return best;
}

// Gives each window from the target up to its top-level parent a chance to translate.
bool WalkPreTranslate(MSG* msg) {
  for (CWnd* w = CWnd::FromHandle(msg->hwnd); w; w = w->GetParent()) {
    const HWND h = w->m_hWnd;
    if (w->PreTranslateMessage(msg)) return true;
    if (!CWnd::FromHandle(msg->hwnd) || !CWnd::Alive(h)) return true;
  }
  return false;
}

}  // namespace

namespace {
// Turns waiting host input into posted messages, never from inside a poll.
void PollHost() {
  WindowManager& m = WM();
  if (m.posted.empty() && m.host && !m.polling) {
    m.polling = true;
    m.host->Poll();
    m.polling = false;
  }
}
}  // namespace

BOOL PeekMessage(MSG* msg, BOOL remove) {
  WindowManager& m = WM();
  PollHost();
  if (!m.posted.empty()) {
    *msg = m.posted.front();
    if (remove) m.posted.pop_front();
    return TRUE;
  }
  if (CWnd* w = FindPaintTarget()) {
    *msg = MSG{w->m_hWnd, WM_PAINT, 0, 0, GetTickCount(), {}};
    return TRUE;
  }
  if (Timer* t = FindDueTimer()) {
    *msg = MSG{t->hwnd, WM_TIMER, t->id, 0, GetTickCount(), {}};
    if (remove) t->due = GetTickCount() + t->elapse;
    return TRUE;
  }
  return FALSE;
}

void DispatchMessage(const MSG* msg) {
  CWnd* w = CWnd::FromHandle(msg->hwnd);
  if (!w) return;
  if (msg->message == WM_PAINT) {
    w->Paint(false);
    return;
  }
  SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PumpMessage() {
  WindowManager& m = WM();
  if (m.quit) return FALSE;
  // Messages sent by other programs come before posted ones.
  if (ServeRemoteMessages() > 0) return TRUE;
  MSG msg;
  if (!PeekMessage(&msg, TRUE)) return FALSE;
  if (msg.message == WM_QUIT) {
    m.quit = true;
    m.quitCode = int(msg.wParam);
    return FALSE;
  }
  if (msg.hwnd == 0) return TRUE;  // thread messages have no handler here
  if (!WalkPreTranslate(&msg)) DispatchMessage(&msg);
  return TRUE;
}

int PumpPendingMessages() {
  // Each timer fires at most once here, so a clock that stands still cannot spin.
  std::vector<std::pair<HWND, UINT>> fired;
  int n = 0;
  WindowManager& m = WM();
  for (;;) {
    if (m.quit) break;
    n += ServeRemoteMessages();
    PollHost();
    if (m.posted.empty() && !FindPaintTarget()) {
      Timer* t = FindDueTimer();
      if (!t) break;
      auto key = std::make_pair(t->hwnd, t->id);
      if (std::find(fired.begin(), fired.end(), key) != fired.end()) break;
      fired.push_back(key);
    }
    if (!PumpMessage()) break;
    ++n;
  }
  return n;
}

bool QuitReceived() { return WM().quit; }
int QuitCode() { return WM().quitCode; }
void ResetQuit() {
  WM().quit = false;
  WM().quitCode = 0;
}

long NextTimerDelay() {
  WindowManager& m = WM();
  if (m.timers.empty()) return -1;
  DWORD now = GetTickCount();
  long best = -1;
  for (const Timer& t : m.timers) {
    long d = std::max<long>(0, long(std::int32_t(t.due - now)));
    if (best < 0 || d < best) best = d;
  }
  return best;
}

size_t PostedMessageCount() { return WM().posted.size(); }

void ResetWindowSystem() {
  WindowManager& m = WM();
  while (!m.topLevel.empty()) {
    CWnd* w = m.topLevel.front();
    if (!w->DestroyWindow()) {
      m.Forget(w);
    }
  }
  while (!m.order.empty()) {
    CWnd* w = m.order.front();
    if (!w->DestroyWindow()) m.Forget(w);
  }
  m.posted.clear();
  m.timers.clear();
  m.focus = m.capture = m.active = nullptr;
  m.quit = false;
  m.quitCode = 0;
  m.cursor = IDC_ARROW;
  m.cursorCount = 0;
  ResetInputState();
}

void SetScreenSize(int cx, int cy) { WM().screen = SIZE{cx, cy}; }
SIZE GetScreenSize() { return WM().screen; }

HCURSOR LoadCursor(UINT resourceId) { return res::HasCursor(resourceId) ? HCURSOR(resourceId) : 0; }
HCURSOR LoadStandardCursor(HCURSOR idc) { return idc; }

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = WM().cursor;
  WM().cursor = cursor;
  if (old != cursor)
    if (WindowObserver* o = Observer()) o->Changed(nullptr, WOC_CURSOR);
  return old;
}

HCURSOR GetCursor() { return WM().cursor; }

int ShowCursor(BOOL show) {
  int n = show ? ++WM().cursorCount : --WM().cursorCount;
  if (WindowObserver* o = Observer()) o->Changed(nullptr, WOC_CURSOR);
  return n;
}

int GetCursorDisplayCount() { return WM().cursorCount; }

WindowObserver* SetWindowObserver(WindowObserver* observer) {
  WindowObserver* old = WM().observer;
  WM().observer = observer;
  return old;
}
WindowObserver* GetWindowObserver() { return WM().observer; }

HostLoop* SetHostLoop(HostLoop* loop) {
  HostLoop* old = WM().host;
  WM().host = loop;
  return old;
}
HostLoop* GetHostLoop() { return WM().host; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return WM().screen.cx;
    case SM_CYSCREEN:
      return WM().screen.cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return kScrollBarSize;
    default:
      return 0;
  }
}

DWORD SetClassLong(HWND hwnd, int index, DWORD value) {
  CWnd* w = CWnd::FromHandle(hwnd);
  if (!w || index != GCL_HCURSOR) return 0;
  return w->SetClassCursor(value);
}

DWORD GetClassLong(HWND hwnd, int index) {
  CWnd* w = CWnd::FromHandle(hwnd);
  if (!w || index != GCL_HCURSOR) return 0;
  return w->GetClassCursor();
}

}  // namespace fw
