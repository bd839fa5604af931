// Keyboard and mouse state, injectable by tests (and later fed by the presentation).
// Injected input is posted to the window that would get it (the capture window,
// else the window under the pointer for the mouse; the focus window for keys),
// with the modifier flags of the current key state.
#pragma once
#include "framework/fwdefs.h"

namespace fw {

class CWnd;

// High bit set while the key is down; low bit set while a toggle key (Caps, Num,
// Scroll Lock) is on.
short GetKeyState(UINT vk);
short GetAsyncKeyState(UINT vk);
// Sets a key's state without any message (tests).
void SetKeyDown(UINT vk, bool down);
void SetKeyToggled(UINT vk, bool on);
// A keyboard event as the platform makes it: press (or release with KEYEVENTF_KEYUP);
// a press of a toggle key flips its toggle. Posts WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN
// while Alt is down) to the focus window.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extra = 0);
// Modifier flags of the mouse messages from the current state.
UINT CurrentMouseKeyFlags();
void ResetInputState();

constexpr UINT GetDoubleClickTime() { return 500; }
constexpr int SM_CXDOUBLECLK = 4;
constexpr int SM_CYDOUBLECLK = 4;

enum class MouseButton { Left, Right, Middle };

// The pointer: screen position and button state. Each call posts the message(s) a
// real pointer would cause and, unless pumping is off, pumps them.
class Mouse {
 public:
  static POINT Position();
  static void MoveTo(POINT screen);
  static void Down(MouseButton b = MouseButton::Left);
  static void Up(MouseButton b = MouseButton::Left);
  static void SetAutoPump(bool on);
};

// A script in the client coordinates of one window: moves, presses, releases,
// clicks and double clicks (down, up, double-click, up), with modifiers held.
class MouseScript {
 public:
  explicit MouseScript(CWnd* wnd) : wnd_(wnd) {}
  MouseScript& Move(int x, int y);
  MouseScript& Down(int x, int y, MouseButton b = MouseButton::Left);
  MouseScript& Up(int x, int y, MouseButton b = MouseButton::Left);
  MouseScript& Click(int x, int y, MouseButton b = MouseButton::Left);
  MouseScript& DoubleClick(int x, int y, MouseButton b = MouseButton::Left);
  MouseScript& Drag(int x0, int y0, int x1, int y1, int steps = 2, MouseButton b = MouseButton::Left);
  // Modifier keys for the following steps (no key messages).
  MouseScript& Hold(UINT vk);
  MouseScript& Release(UINT vk);

 private:
  POINT ToScreen(int x, int y) const;
  CWnd* wnd_;
};

// Keys for the focus window: press, release, type a character (WM_CHAR).
class Keyboard {
 public:
  static void Press(UINT vk);
  static void Release(UINT vk);
  static void Stroke(UINT vk) {
    Press(vk);
    Release(vk);
  }
  static void Type(UINT ch);
};

}  // namespace fw
