#include <string>
#include <utility>

#include "app/appids.h"
#include "app/designview.h"
#include "app/imagevectordlg.h"
#include "app/scandlg.h"
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

namespace {

// --- Tracing ---------------------------------------------------------------------------

constexpr fw::UINT ID_IMAGE_VECTOR = 40022;      // "Image Vector...(&V)"
constexpr fw::UINT ID_IMAGE_TRACE = 32868;       // the same dialog over "Trace.dll"
constexpr fw::UINT ID_GRAPH_VECTOR_SET = 40062;  // "Graph Vector Set...(&V)"
constexpr fw::UINT ID_VECTOR_SET = 40149;        // "VS (&N)"

void OnImageVector(CVORLAN98View& view) {
  CImageVectorDlg dlg(view, true, &view);
  dlg.DoModal();
}

void OnImageTrace(CVORLAN98View& view) {
  CImageVectorDlg dlg(view, false, &view);
  dlg.DoModal();
}

void OnGraphVectorSet(CVORLAN98View& view) {
  CVectorSetDlg dlg(&view);
  dlg.DoModal();
}

void OnVectorSet(CVORLAN98View& view) {
  CVectorSetAllDlg dlg(&view);
  dlg.DoModal();
}

}  // namespace

namespace {

// Scanning.
void OnScan(CVORLAN98View& view) {
  CScanDlg dlg(&view);
  dlg.DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ImageMap)
VIEW_ON_COMMAND(appid::ID_SCAN, OnScan)
VIEW_ON_COMMAND(ID_SCREEN_GRAB, OnScreenGrab)
VIEW_ON_COMMAND(ID_IMAGE_VECTOR, OnImageVector)
VIEW_ON_COMMAND(ID_IMAGE_TRACE, OnImageTrace)
VIEW_ON_COMMAND(ID_GRAPH_VECTOR_SET, OnGraphVectorSet)
VIEW_ON_COMMAND(ID_VECTOR_SET, OnVectorSet)
FW_END_COMMAND_FAMILY()
