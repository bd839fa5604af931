// The wait cursor for a scope: shown at construction, the previous cursor
// given back at destruction.
#pragma once
#include "framework/wnd.h"

namespace fw {

class CWaitCursor {
 public:
  CWaitCursor() : old_(SetCursor(LoadStandardCursor(IDC_WAIT))) {}
  ~CWaitCursor() { SetCursor(old_); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR old_;
};

}  // namespace fw
