#include <string>
#include <utility>

#include "app/designview.h"
#include "app/screengrabdlg.h"
#include "app/viewcmd.h"
#include "framework/app.h"
#include "platform/report.h"
#include "platform/screen.h"

// ---- screen grab
namespace {

constexpr fw::UINT ID_SCREEN_GRAB = 40164;  // "Screen Image Vector(&S)"

// The main window is out of the picture while the screen is grabbed.
void OnScreenGrab(CVORLAN98View& view) {
  fw::CWnd* main = fw::AfxGetMainWnd();
  const fw::HWND mainHandle = main ? main->m_hWnd : 0;
  const bool hidden = main && (main->GetStyle() & fw::WS_VISIBLE);
  if (hidden) main->ShowWindow(fw::SW_HIDE);
  plat::Surface screen;
  std::string reason;
  const bool grabbed = plat::GrabScreen(screen, reason);
  if (grabbed) {
    CScreenGrabDlg dlg(view, std::move(screen));
    dlg.DoModal();
  }
  if (hidden && fw::CWnd::Alive(mainHandle)) main->ShowWindow(fw::SW_SHOW);
  if (!grabbed) plat::MessageBox("Screen Image Vector needs an X11 display.", "错误", plat::MB_OK | plat::MB_ICONSTOP);
}

}  // namespace
// ---- end of screen grab

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ImageMap)
VIEW_ON_COMMAND(ID_SCREEN_GRAB, OnScreenGrab)
FW_END_COMMAND_FAMILY()
