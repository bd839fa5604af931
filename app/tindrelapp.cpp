#include "app/tindrelapp.h"

#include <memory>

#include "app/appids.h"
#include "app/appresources.h"
#include "app/childframe.h"
#include "app/clipboard.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/imagevectorizer.h"
#include "app/logodlg.h"
#include "app/mainframe.h"
#include "app/settingsload.h"
#include "app/textseams.h"
#include "framework/input.h"
#include "model/dllholder.h"
#include "model/settings.h"
#include "output/clip.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

// The command line of the program: an optional document path; "/Vorlan" is
// the service switch, which the start-up has read already.
class CTindrelCommandLine : public fw::CCommandLineInfo {
 public:
  void ParseParam(const std::string& param, fw::BOOL flag, fw::BOOL last) override {
    if (flag && param == "Vorlan") return;
    fw::CCommandLineInfo::ParseParam(param, flag, last);
  }
};

}  // namespace

CAboutDlg::CAboutDlg() : fw::CDialog(appid::IDD_ABOUT) {}

FW_BEGIN_COMMAND_MAP(CVORLAN98App, fw::CWinApp)
FW_ON_COMMAND(appid::ID_APP_ABOUT, OnAppAbout)
FW_ON_COMMAND(fw::ID_FILE_NEW, OnNewDocument)
FW_ON_COMMAND(fw::ID_FILE_OPEN, OnOpenDocument)
FW_ON_COMMAND(fw::ID_FILE_PRINT_SETUP, OnPrintSetup)
FW_END_COMMAND_MAP()

CVORLAN98App::CVORLAN98App() : fw::CWinApp("Tindrel") { m_prevServices = SetAppServices(this); }

CVORLAN98App::~CVORLAN98App() {
  RemoveClipboard();
  RemoveTraceServices();
  if (GetAppServices() == this) SetAppServices(m_prevServices);
  // The global profile accessor lets go of this application's profile.
  if (GetUserProfile() && g_Profile.GetAttached() == GetUserProfile()) {
    if (plat::GetAppProfile() == GetUserProfile()) plat::SetAppProfile(nullptr);
    g_Profile = CProfile();
  }
}

void CVORLAN98App::LoadSettings(unsigned stages, fw::CWnd* statusWindow) { LoadAppSettings(stages, statusWindow); }

fw::BOOL CVORLAN98App::InitInstance() {
  appres::RegisterAppResources();
  InstallOutputServices();
  AppGlobals& g = TheAppGlobals();
  Enable3dControls();
  g.systemLanguageId = plat::GetSystemDefaultLangID();
  const std::string folder = plat::GetProgramFolder();
  g_CutterIni.SetPath(folder + "Cutters.INI");
  g_IniFile.SetPath(folder + "VORLAN98.INI");
  SetRegistryKey("VorlanSoft");
  LoadStdProfileSettings(4);
  g.serviceSwitch = m_lpCmdLine.find("/Vorlan") != std::string::npos ? 1 : 0;

  auto logo = std::make_unique<CLogoDlg>();
  if (logo->Create()) {
    logo->SetWindowPos(fw::HWND_TOP, 0, 0, 0, 0, fw::SWP_NOSIZE | fw::SWP_NOMOVE | fw::SWP_SHOWWINDOW);
    logo->UpdateWindow();
  }
  g_Profile.Attach();
  LoadSettings(SETTINGS_ALL, logo->m_hWnd ? logo.get() : nullptr);

  AddDocTemplate(new fw::CMultiDocTemplate(appid::IDR_DESIGN, FW_RUNTIME_CLASS(CVORLAN98Doc),
                                           FW_RUNTIME_CLASS(CVORLAN98Frame), FW_RUNTIME_CLASS(CVORLAN98View)));
  TheTransformDll().Load();
  if (!m_clipboardInstalled) {
    m_prevClipboard = SetClipboardServices(&TheAppClipboard());
    m_clipboardInstalled = true;
  }
  if (!m_traceServices) {
    m_traceServices = MakeAppTraceServices();
    m_prevTraceServices = SetTraceServices(m_traceServices.get());
  }
  // A design opens with its grid shown: the grid follows Scroll Lock.
  if (!(fw::GetKeyState(fw::VK_SCROLL) & 1)) fw::SetKeyToggled(fw::VK_SCROLL, true);
  if (logo->m_hWnd) logo->DestroyWindow();
  logo.reset();

  auto* main = new CMDIMainFrame;
  if (!main->LoadFrame(appid::IDR_MAINFRAME, fw::WS_OVERLAPPEDWINDOW | fw::WS_MAXIMIZE | fw::FWS_ADDTOTITLE)) {
    if (!main->m_hWnd) delete main;
    return fw::FALSE;
  }
  main->ShowWindow(fw::SW_SHOWMAXIMIZED);
  m_pMainWnd = main;
  main->DragAcceptFiles();
  EnableShellOpen();
  RegisterShellFileTypes(fw::TRUE);

  CTindrelCommandLine info;
  ParseCommandLine(info);
  if (!ProcessShellCommand(info)) return fw::FALSE;

  if (fw::CMDIChildWnd* child = main->MDIGetActive()) main->MDIMaximize(child);
  main->UpdateWindow();
  return fw::TRUE;
}

int CVORLAN98App::ExitInstance() {
  g_Profile.WriteInt("SystemParam", "TMState", int(appseam::GetTextTMState()));
  RemoveClipboard();
  RemoveTraceServices();
  return fw::CWinApp::ExitInstance();
}

CWindowServices* CVORLAN98App::GetPropertyFrame() {
  CPropertyFrame* frame = ThePropertyFrame();
  if (!frame || !frame->m_hWnd || !frame->IsWindowVisible()) return nullptr;
  return &frame->Services();
}

void CVORLAN98App::RemoveTraceServices() {
  if (!m_traceServices) return;
  if (GetTraceServices() == m_traceServices.get()) SetTraceServices(m_prevTraceServices);
  m_prevTraceServices = nullptr;
  m_traceServices.reset();
}

void CVORLAN98App::RemoveClipboard() {
  if (!m_clipboardInstalled) return;
  if (GetClipboardServices() == &TheAppClipboard()) SetClipboardServices(m_prevClipboard);
  m_prevClipboard = nullptr;
  m_clipboardInstalled = false;
}

void CVORLAN98App::OnAppAbout() {
  CAboutDlg dlg;
  dlg.DoModal();
}

CViewServices* CVORLAN98App::GetActiveView() {
  auto* main = dynamic_cast<CMDIMainFrame*>(m_pMainWnd);
  return main ? dynamic_cast<CViewServices*>(main->GetActiveView()) : nullptr;
}

CMainFrameServices* CVORLAN98App::GetMainFrame() { return dynamic_cast<CMDIMainFrame*>(m_pMainWnd); }

CVORLAN98App& TheApp() {
  static CVORLAN98App app;
  return app;
}

int RunTindrel(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (!line.empty()) line += ' ';
    const std::string arg = argv[i];
    line += arg.find_first_of(" \t") != std::string::npos ? "\"" + arg + "\"" : arg;
  }
  return fw::RunApplication(TheApp(), line);
}
