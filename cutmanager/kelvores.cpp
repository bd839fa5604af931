#include "cutmanager/kelvoids.h"
#include "framework/controls.h"
#include "framework/menu.h"
#include "framework/resources.h"
#include "output/jobfile/cutjob.h"

namespace kelvo {

void RegisterKelvoResources() {
  using fw::MenuItemDef;
  if (fw::res::FindMenu(IDR_MAINFRAME) && fw::res::FindToolBar(IDR_MAINFRAME)) return;
  fw::res::SetString(IDR_MAINFRAME, kCutManagerTitle);
  fw::res::SetMenu(IDR_MAINFRAME,
                   {
                       MenuItemDef("&File", {MenuItemDef("&Pause on Page", ID_PAUSE_ON_PAGE),
                                             MenuItemDef("Clear &All Jobs", ID_JOB_CLEAR),
                                             MenuItemDef("&Search Jobs", ID_JOB_SEARCH),
                                             MenuItemDef("", 0, fw::MF_SEPARATOR),
                                             MenuItemDef("E&xit", fw::ID_APP_EXIT)}),
                       MenuItemDef("", {MenuItemDef("NewJob", ID_NEW_JOB), MenuItemDef("NOEXIT", ID_NO_EXIT),
                                        MenuItemDef("自动退出", ID_AUTO_EXIT), MenuItemDef("新切割", ID_SEND_COPIES),
                                        MenuItemDef("CV_NOAUTOCUT", ID_NO_AUTOCUT),
                                        MenuItemDef("CV_STOP", ID_JOB_ABORT)}),
                       MenuItemDef("&Edit", {MenuItemDef("&Start a Job", ID_JOB_START), MenuItemDef("&Pause", ID_JOB_PAUSE),
                                             MenuItemDef("&Abort Job", ID_JOB_ABORT),
                                             MenuItemDef("&Delete a Job", ID_JOB_DELETE)}),
                       MenuItemDef("&View", {MenuItemDef("&Tool Bar", fw::ID_VIEW_TOOLBAR)}),
                       MenuItemDef("&Help", {MenuItemDef("&About Kelvo...", fw::ID_APP_ABOUT)}),
                       MenuItemDef("Reserve", {MenuItemDef("1234", ID_PURGE_JOBS)}),
                   });
  fw::ToolBarDef bar;
  bar.buttonWidth = 16;
  bar.buttonHeight = 15;
  bar.ids = {ID_JOB_START_ALL, ID_JOB_START, 0, ID_JOB_START_COPY, ID_JOB_ABORT, ID_JOB_DELETE, 0,
             ID_COPY_INC, ID_COPY_DEC, 0, ID_JOB_SEARCH, 0, ID_JOB_CLEAR, ID_NEW_JOB};
  fw::res::SetToolBar(IDR_MAINFRAME, bar);
  fw::res::SetBitmap(IDR_MAINFRAME, "res/kelvo-tools.bmp");
  fw::res::SetBitmap(IDB_JOBSTATES, "res/kelvo-states.bmp");
  // Prompt, then tool tip.
  const std::pair<fw::UINT, const char*> tips[] = {
      {ID_JOB_START, "Begin a job, then pause\nBegin a job, then pause"},
      {ID_JOB_PAUSE, "Pause\nPause"},
      {ID_JOB_ABORT, "Abort\nAbort"},
      {ID_JOB_DELETE, "Abort, and Clear the job\nClear the job"},
      {ID_JOB_CLEAR, "Abort and Clear all  jobs\nClear all  jobs"},
      {ID_JOB_SEARCH, "Search Jobs from datas\nSearch Jobs from datas"},
      {ID_COPY_INC, "Inc a Copy\nInc a Copy"},
      {ID_COPY_DEC, "dec a Copy\ndec a Copy"},
      {ID_JOB_START_COPY, "Begin a job, then pause at Page\nBegin a job, then pause at Page"},
      {ID_JOB_START_ALL, "Begin all jobs, no pause\nBegin all jobs, no pause"},
  };
  for (const auto& [id, text] : tips) fw::res::SetString(id, text);
  fw::DialogTemplate about;
  about.caption = "About Kelvo";
  about.style = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  about.rect = fw::RECT{0, 0, 260, 90};
  about.items = {
      fw::DlgItemDef(0xFFFF, fw::CtrlKind::Static, "Kelvo: cut-job manager", fw::WS_CHILD | fw::WS_VISIBLE,
                     fw::RECT{16, 16, 240, 34}),
      fw::DlgItemDef(fw::IDOK, fw::CtrlKind::Button, "OK", fw::WS_CHILD | fw::WS_VISIBLE | fw::WS_TABSTOP | fw::BS_DEFPUSHBUTTON,
                     fw::RECT{180, 50, 244, 74}),
  };
  fw::res::SetDialog(IDD_ABOUTBOX, about);
}

}  // namespace kelvo
