#include "framework/input.h"

#include <cstdlib>

#include "framework/clock.h"
#include "framework/wnd.h"

namespace fw {
namespace {

struct InputState {
  bool down[256] = {};
  bool toggled[256] = {};
  POINT pos{};
  bool autoPump = true;
  // Double-click tracking per button.
  struct Last {
    HWND hwnd = 0;
    DWORD time = 0;
    POINT pt{};
    bool armed = false;
  } last[3];
};

InputState& S() {
  static InputState s;
  return s;
}

bool IsToggleKey(UINT vk) { return vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL; }

UINT ButtonVk(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return VK_LBUTTON;
    case MouseButton::Right:
      return VK_RBUTTON;
    default:
      return VK_MBUTTON;
  }
}

CWnd* MouseTarget(POINT screen) {
  if (CWnd* c = CWnd::GetCapture()) return c;
  return CWnd::WindowFromPoint(screen);
}

void PostMouse(UINT msg, POINT screen) {
  CWnd* w = MouseTarget(screen);
  if (!w) return;
  POINT c = screen;
  w->ScreenToClient(&c);
  const HWND h = w->m_hWnd;
  if (msg == WM_MOUSEMOVE && !CWnd::GetCapture()) w->SendMessage(WM_SETCURSOR, h, 0);
  PostMessage(h, msg, CurrentMouseKeyFlags(), LPARAM(MAKELONG(WORD(c.x), WORD(c.y))));
  if (S().autoPump) PumpPendingMessages();
}

void PostKey(UINT msg, UINT vk, LPARAM lp) {
  CWnd* f = CWnd::GetFocus();
  if (!f) f = CWnd::GetActiveWindow();
  if (f) f->PostMessage(msg, vk, lp);
  if (S().autoPump) PumpPendingMessages();
}

}  // namespace

short GetKeyState(UINT vk) {
  if (vk > 255) return 0;
  short s = 0;
  if (S().down[vk]) s = short(0x8000);
  if (S().toggled[vk]) s = short(s | 1);
  return s;
}

short GetAsyncKeyState(UINT vk) { return GetKeyState(vk); }

void SetKeyDown(UINT vk, bool down) {
  if (vk < 256) S().down[vk] = down;
}

void SetKeyToggled(UINT vk, bool on) {
  if (vk < 256) S().toggled[vk] = on;
}

UINT CurrentMouseKeyFlags() {
  UINT f = 0;
  if (S().down[VK_LBUTTON]) f |= MK_LBUTTON;
  if (S().down[VK_RBUTTON]) f |= MK_RBUTTON;
  if (S().down[VK_MBUTTON]) f |= MK_MBUTTON;
  if (S().down[VK_SHIFT]) f |= MK_SHIFT;
  if (S().down[VK_CONTROL]) f |= MK_CONTROL;
  return f;
}

void ResetInputState() {
  bool pump = S().autoPump;
  S() = InputState{};
  S().autoPump = pump;
}

void keybd_event(BYTE vk, BYTE, DWORD flags, std::uintptr_t) {
  if (flags & KEYEVENTF_KEYUP)
    Keyboard::Release(vk);
  else
    Keyboard::Press(vk);
}

POINT Mouse::Position() { return S().pos; }

void Mouse::MoveTo(POINT screen) {
  S().pos = screen;
  PostMouse(WM_MOUSEMOVE, screen);
}

void Mouse::Down(MouseButton b) {
  InputState& s = S();
  int i = int(b);
  UINT vk = ButtonVk(b);
  s.down[vk] = true;
  static const UINT downMsg[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT dblMsg[3] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  CWnd* target = MouseTarget(s.pos);
  DWORD now = GetTickCount();
  InputState::Last& last = s.last[i];
  bool dbl = target && last.armed && last.hwnd == target->m_hWnd && (now - last.time) <= GetDoubleClickTime() &&
             std::abs(s.pos.x - last.pt.x) <= SM_CXDOUBLECLK / 2 && std::abs(s.pos.y - last.pt.y) <= SM_CYDOUBLECLK / 2 &&
             target->GetWndClass() && (target->GetWndClass()->style & CS_DBLCLKS);
  if (dbl) {
    last.armed = false;  // a third press starts over
  } else {
    last.armed = target != nullptr;
    last.hwnd = target ? target->m_hWnd : 0;
    last.time = now;
    last.pt = s.pos;
  }
  PostMouse(dbl ? dblMsg[i] : downMsg[i], s.pos);
}

void Mouse::Up(MouseButton b) {
  S().down[ButtonVk(b)] = false;
  static const UINT upMsg[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  PostMouse(upMsg[int(b)], S().pos);
}

void Mouse::SetAutoPump(bool on) { S().autoPump = on; }

POINT MouseScript::ToScreen(int x, int y) const {
  POINT p{x, y};
  if (wnd_) wnd_->ClientToScreen(&p);
  return p;
}

MouseScript& MouseScript::Move(int x, int y) {
  Mouse::MoveTo(ToScreen(x, y));
  return *this;
}

MouseScript& MouseScript::Down(int x, int y, MouseButton b) {
  POINT p = ToScreen(x, y);
  if (p.x != Mouse::Position().x || p.y != Mouse::Position().y) Mouse::MoveTo(p);
  Mouse::Down(b);
  return *this;
}

MouseScript& MouseScript::Up(int x, int y, MouseButton b) {
  POINT p = ToScreen(x, y);
  if (p.x != Mouse::Position().x || p.y != Mouse::Position().y) Mouse::MoveTo(p);
  Mouse::Up(b);
  return *this;
}

MouseScript& MouseScript::Click(int x, int y, MouseButton b) { return Down(x, y, b).Up(x, y, b); }

MouseScript& MouseScript::DoubleClick(int x, int y, MouseButton b) {
  return Down(x, y, b).Up(x, y, b).Down(x, y, b).Up(x, y, b);
}

MouseScript& MouseScript::Drag(int x0, int y0, int x1, int y1, int steps, MouseButton b) {
  Down(x0, y0, b);
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps; ++i) Move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  return Up(x1, y1, b);
}

MouseScript& MouseScript::Hold(UINT vk) {
  SetKeyDown(vk, true);
  return *this;
}

MouseScript& MouseScript::Release(UINT vk) {
  SetKeyDown(vk, false);
  return *this;
}

void Keyboard::Press(UINT vk) {
  if (vk > 255) return;
  InputState& s = S();
  bool repeat = s.down[vk];
  s.down[vk] = true;
  if (IsToggleKey(vk) && !repeat) s.toggled[vk] = !s.toggled[vk];
  UINT msg = (s.down[VK_MENU] && vk != VK_CONTROL) || vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
  LPARAM lp = 1 | (repeat ? (LPARAM(1) << 30) : 0) | (msg == WM_SYSKEYDOWN && vk != VK_MENU ? (LPARAM(1) << 29) : 0);
  PostKey(msg, vk, lp);
}

void Keyboard::Release(UINT vk) {
  if (vk > 255) return;
  InputState& s = S();
  s.down[vk] = false;
  UINT msg = (s.down[VK_MENU] || vk == VK_MENU) ? WM_SYSKEYUP : WM_KEYUP;
  PostKey(msg, vk, LPARAM(1) | (LPARAM(3) << 30));
}

void Keyboard::Type(UINT ch) { PostKey(WM_CHAR, ch, 1); }

}  // namespace fw
