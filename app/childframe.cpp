#include "app/childframe.h"

#include "app/palettesetdlg.h"

using fw::CMDIChildWnd;
FW_IMPLEMENT_DYNCREATE(CVORLAN98Frame, CMDIChildWnd)

FW_BEGIN_COMMAND_MAP(CVORLAN98Frame, CMDIChildWnd)
FW_ON_COMMAND(40058, OnPaletteSet)
FW_END_COMMAND_MAP()

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

void CVORLAN98Frame::OnPaletteSet() {
  CPaletteSetDlg dlg(this);
  dlg.DoModal();
}
