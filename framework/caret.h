// The caret: one per thread, owned by a window, a rectangle in that window's client
// pixels. As the platform's: CreateCaret makes it hidden (and ends any other caret),
// HideCaret and ShowCaret count (it shows once every hide has its show), DestroyCaret
// or the owner's end takes it away. Each change is told to the window observer as
// WOC_CARET of the owner: the presentation places the input method's composition
// and candidates there.
#pragma once
#include "framework/fwdefs.h"

namespace fw {

class CWnd;

BOOL CreateCaret(CWnd* owner, int width, int height);
BOOL DestroyCaret();
// Moves the caret (client pixels of its owner); FALSE without one.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* p);
// FALSE unless the window owns the caret (null: whichever window does).
BOOL ShowCaret(CWnd* w);
BOOL HideCaret(CWnd* w);

// The caret of a window: its rectangle and whether it shows; false when the window
// owns none.
bool GetWindowCaret(HWND h, RECT* r, bool* shown = nullptr);

}  // namespace fw
