#include "cutmanager/mainframe.h"

#include "cutmanager/kelvoids.h"
#include "framework/app.h"
#include "output/jobfile/cutjob.h"

using namespace fw;

FW_IMPLEMENT_DYNAMIC(CMainFrame, CFrameWnd)

FW_BEGIN_COMMAND_MAP(CMainFrame, CFrameWnd)
FW_ON_COMMAND(ID_VIEW_TOOLBAR, OnViewToolBar)
FW_ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateViewToolBar)
FW_END_COMMAND_MAP()

CMainFrame::CMainFrame() { m_bAutoDelete = FALSE; }
CMainFrame::~CMainFrame() {
  if (m_hWnd) DestroyWindow();
}

BOOL CMainFrame::Create(int cmdShow) {
  if (!LoadFrame(kelvo::IDR_MAINFRAME, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX)) return FALSE;
  ShowWindow(cmdShow);
  UpdateWindow();
  return TRUE;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  // The lower right of the screen, 500 by 180; no maximize box.
  cs.style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
  cs.cx = 500;
  cs.cy = 180;
  cs.x = GetSystemMetrics(SM_CXSCREEN) - 500;
  cs.y = GetSystemMetrics(SM_CYSCREEN) - 200;
  return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CREATESTRUCT* cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  if (!m_wndJobList.Create(this, kelvo::IDC_JOBLIST)) return -1;
  if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) ||
      !m_wndToolBar.LoadToolBar(kelvo::IDR_MAINFRAME))
    return -1;
  if (!m_wndReBar.Create(this) || !m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS)) return -1;
  RecalcLayout();
  return 0;
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CUTJOB_ADD: {
      std::uint32_t data = (lp >= 1 && lp <= 100) ? (std::uint32_t(lp) << 16) + 3 : (1u << 16) + 3;
      return m_wndJobList.AddJobFromAtom(unsigned(wp), data);
    }
    case WM_CUTJOB_BEGIN:
    case WM_CUTJOB_END:
      return 1;
    default:
      return CFrameWnd::WindowProc(msg, wp, lp);
  }
}

BOOL CMainFrame::OnCmdMsg(CmdCall& call) {
  // The job list has the first say.
  if (m_wndJobList.m_hWnd && m_wndJobList.OnCmdMsg(call)) return TRUE;
  return CFrameWnd::OnCmdMsg(call);
}

void CMainFrame::OnClose() {
  if (m_wndJobList.m_nStopFlag != 1) return;  // a copy is being written
  m_wndJobList.SendMessage(WM_COMMAND, kelvo::ID_PURGE_JOBS, 0);
  CFrameWnd::OnClose();
}

void CMainFrame::OnViewToolBar() {
  ShowControlBar(&m_wndReBar, !m_wndReBar.IsVisible(), FALSE);
}

void CMainFrame::OnUpdateViewToolBar(CCmdUI* ui) { ui->SetCheck(m_wndReBar.IsVisible() ? 1 : 0); }
