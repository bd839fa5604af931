#include "model/dragdrop_host.h"

#include "framework/app.h"
#include "framework/wnd.h"

CDragDrop::Window CWndDragHost::WindowFromPoint(int x, int y) {
  return fw::CWnd::WindowFromPoint(plat::POINT{x, y});
}

CDragDrop::Window CWndDragHost::MainWindow() { return fw::AfxGetMainWnd(); }

std::intptr_t CWndDragHost::SendCommand(CDragDrop::Window w, unsigned id, CDragDrop* drag) {
  auto* wnd = static_cast<fw::CWnd*>(w);
  if (!wnd || !fw::IsWindow(wnd->m_hWnd)) return 0;
  return wnd->SendMessage(fw::WM_COMMAND, id, reinterpret_cast<plat::LPARAM>(drag));
}

void CWndDragHost::SetCursor(CDragDrop::Cursor c) { fw::SetCursor(c); }
