// The manager's main window: a single frame at the screen's lower right with the
// job list as its client and a flat tool bar in a rebar band.
#pragma once
#include "cutmanager/joblistview.h"
#include "framework/bars.h"
#include "framework/rebar.h"
#include "framework/docview.h"

class CMainFrame : public fw::CFrameWnd {
  FW_DECLARE_DYNAMIC(CMainFrame)

 public:
  CMainFrame();
  ~CMainFrame() override;
  // Creates the window from resource 128 at its place and shows it.
  fw::BOOL Create(int cmdShow = fw::SW_SHOWNORMAL);

  CJobListView m_wndJobList;
  fw::CToolBar m_wndToolBar;
  fw::CReBar m_wndReBar;

  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
  int OnCreate(fw::CREATESTRUCT* cs) override;
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override;
  fw::BOOL OnCmdMsg(fw::CmdCall& call) override;
  void OnClose() override;

 protected:
  void OnViewToolBar();
  void OnUpdateViewToolBar(fw::CCmdUI* ui);
  FW_DECLARE_COMMAND_MAP()
};
