#include "cutmanager/kelvoapp.h"

#include "cutmanager/kelvoids.h"
#include "framework/dialog.h"
#include "framework/remote.h"
#include "platform/paths.h"

using namespace fw;

FW_BEGIN_COMMAND_MAP(CKelvoApp, CWinApp)
FW_ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
FW_ON_COMMAND(ID_APP_EXIT, OnAppExit)
FW_END_COMMAND_MAP()

CKelvoApp::CKelvoApp() : CWinApp("Kelvo") {}
CKelvoApp::~CKelvoApp() = default;

BOOL CKelvoApp::InitInstance() {
  Enable3dControls();
  m_strCuttersIni = plat::GetProgramFolder() + "Cutters.INI";
  kelvo::RegisterKelvoResources();
  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->Create(m_nCmdShow)) {
    frame_.reset();
    return FALSE;
  }
  m_pMainWnd = frame_.get();
  // Jobs queued before this run are listed, so that nothing is purged unseen.
  frame_->m_wndJobList.SearchJobs();
  PublishTopLevelWindows();
  return TRUE;
}

int CKelvoApp::ExitInstance() {
  PublishTopLevelWindows(FALSE);
  if (frame_ && frame_->m_hWnd) frame_->DestroyWindow();
  m_pMainWnd = nullptr;
  return CWinApp::ExitInstance();
}

void CKelvoApp::OnAppAbout() {
  CDialog about(kelvo::IDD_ABOUTBOX, m_pMainWnd);
  about.DoModal();
}

int RunKelvo(int argc, char** argv) {
  CKelvoApp app;
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return RunApplication(app, line);
}
