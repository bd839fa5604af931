#include "app/childframe.h"

using fw::CMDIChildWnd;
FW_IMPLEMENT_DYNCREATE(CVORLAN98Frame, CMDIChildWnd)

fw::BOOL CVORLAN98Frame::PreCreateWindow(fw::CREATESTRUCT& cs) {
  cs.style |= fw::WS_CLIPSIBLINGS | fw::WS_CLIPCHILDREN;
  return fw::CMDIChildWnd::PreCreateWindow(cs);
}
