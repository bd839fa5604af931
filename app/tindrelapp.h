// The application object: start-up, the one document template, the main
// frame, the command line and the TM state written at exit.
#pragma once
#include <memory>
#include <string>

#include "framework/app.h"
#include "framework/dialog.h"
#include "model/services.h"

class CLogoDlg;
class CClipboardServices;

class CAboutDlg : public fw::CDialog {
 public:
  CAboutDlg();
};

class CVORLAN98App : public fw::CWinApp, public CAppServices {
  FW_DECLARE_COMMAND_MAP()

 public:
  CVORLAN98App();
  ~CVORLAN98App() override;

  fw::BOOL InitInstance() override;
  int ExitInstance() override;
  fw::BOOL OnIdle(fw::LONG count) override { return fw::CWinApp::OnIdle(count); }
  fw::BOOL OnCmdMsg(fw::CmdCall& call) override { return fw::CWinApp::OnCmdMsg(call); }

  // The staged settings loader (see settingsload.h).
  void LoadSettings(unsigned stages, fw::CWnd* statusWindow);

  // CAppServices.
  CViewServices* GetActiveView() override;
  CMainFrameServices* GetMainFrame() override;
  // The property window while it is shown.
  CWindowServices* GetPropertyFrame() override;

  void OnAppAbout();
  void OnNewDocument() { OnFileNew(); }
  void OnOpenDocument() { OnFileOpen(); }
  void OnPrintSetup() { OnFilePrintSetup(); }

 private:
  // Puts back the clipboard that was there before start-up.
  void RemoveClipboard();
  // Puts back the tracing services that were there before start-up.
  void RemoveTraceServices();

  CAppServices* m_prevServices = nullptr;
  CClipboardServices* m_prevClipboard = nullptr;
  bool m_clipboardInstalled = false;
  std::unique_ptr<CTraceServices> m_traceServices;
  CTraceServices* m_prevTraceServices = nullptr;
};

// The program's application object.
CVORLAN98App& TheApp();

// Runs the program with its arguments (argv[1..]); the exit code.
int RunTindrel(int argc, char** argv);
