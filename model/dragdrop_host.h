// The drag hand-over on the framework's windows: the window under the point, the
// main window as fallback, WM_COMMAND with the drag object's address, the cursor.
#pragma once
#include "model/helpers.h"

class CWndDragHost : public CDragDrop::Host {
 public:
  CDragDrop::Window WindowFromPoint(int x, int y) override;
  CDragDrop::Window MainWindow() override;
  std::intptr_t SendCommand(CDragDrop::Window w, unsigned id, CDragDrop* drag) override;
  void SetCursor(CDragDrop::Cursor c) override;
};
