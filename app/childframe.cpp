#include "app/childframe.h"

using fw::CMDIChildWnd;
FW_IMPLEMENT_DYNCREATE(CVORLAN98Frame, CMDIChildWnd)

namespace {
constexpr fw::DWORD kFrameStyle = fw::WS_CLIPSIBLINGS | fw::WS_CLIPCHILDREN | fw::WS_MAXIMIZE;
}

fw::BOOL CVORLAN98Frame::LoadFrame(fw::UINT id, fw::DWORD style, fw::CWnd* parent, fw::CCreateContext* context) {
  return fw::CMDIChildWnd::LoadFrame(id, style | kFrameStyle, parent, context);
}

fw::BOOL CVORLAN98Frame::PreCreateWindow(fw::CREATESTRUCT& cs) {
  cs.style |= kFrameStyle;
  return fw::CMDIChildWnd::PreCreateWindow(cs);
}
