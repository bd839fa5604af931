#include "framework/caret.h"

#include <algorithm>

#include "framework/wnd.h"

namespace fw {

namespace {

struct Caret {
  HWND owner = 0;
  POINT pos{};
  SIZE size{};
  int hidden = 0;  // hides without their show
};

thread_local Caret g_caret;

// The caret, null when there is none or its window is gone.
Caret* Current() {
  if (!CWnd::Alive(g_caret.owner)) g_caret = Caret{};
  return g_caret.owner ? &g_caret : nullptr;
}

void Tell(HWND owner) {
  if (CWnd* w = CWnd::FromHandle(owner)) w->NotifyChanged(WOC_CARET);
}

Caret* Owned(CWnd* w) {
  Caret* c = Current();
  return c && (!w || w->m_hWnd == c->owner) ? c : nullptr;
}

}  // namespace

BOOL CreateCaret(CWnd* owner, int width, int height) {
  if (!owner || !CWnd::Alive(owner->m_hWnd)) return FALSE;
  const HWND old = Current() ? g_caret.owner : 0;
  g_caret = Caret{owner->m_hWnd, POINT{}, SIZE{std::max(1, width), std::max(1, height)}, 1};
  if (old && old != owner->m_hWnd) Tell(old);
  Tell(owner->m_hWnd);
  return TRUE;
}

BOOL DestroyCaret() {
  Caret* c = Current();
  if (!c) return FALSE;
  const HWND owner = c->owner;
  g_caret = Caret{};
  Tell(owner);
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  Caret* c = Current();
  if (!c) return FALSE;
  if (c->pos.x == x && c->pos.y == y) return TRUE;
  c->pos = POINT{x, y};
  Tell(c->owner);
  return TRUE;
}

BOOL GetCaretPos(POINT* p) {
  Caret* c = Current();
  if (!c || !p) return FALSE;
  *p = c->pos;
  return TRUE;
}

BOOL ShowCaret(CWnd* w) {
  Caret* c = Owned(w);
  if (!c) return FALSE;
  if (c->hidden > 0 && --c->hidden == 0) Tell(c->owner);
  return TRUE;
}

BOOL HideCaret(CWnd* w) {
  Caret* c = Owned(w);
  if (!c) return FALSE;
  if (c->hidden++ == 0) Tell(c->owner);
  return TRUE;
}

bool GetWindowCaret(HWND h, RECT* r, bool* shown) {
  Caret* c = Current();
  if (!c || !h || c->owner != h) return false;
  if (r) *r = RECT{c->pos.x, c->pos.y, plat::SatAdd(c->pos.x, c->size.cx), plat::SatAdd(c->pos.y, c->size.cy)};
  if (shown) *shown = c->hidden == 0;
  return true;
}

}  // namespace fw
