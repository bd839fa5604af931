// The cut-job manager's application object.
#pragma once
#include <memory>
#include <string>

#include "cutmanager/mainframe.h"
#include "framework/app.h"

class CKelvoApp : public fw::CWinApp {
 public:
  CKelvoApp();
  ~CKelvoApp() override;
  fw::BOOL InitInstance() override;
  int ExitInstance() override;
  CMainFrame* GetMainFrame() const { return frame_.get(); }
  // "Cutters.INI" beside the program (kept, not read).
  std::string m_strCuttersIni;

 protected:
  void OnAppAbout();
  FW_DECLARE_COMMAND_MAP()

 private:
  std::unique_ptr<CMainFrame> frame_;
};

// Runs the manager: its window is shown to the user's other programs and it serves
// their messages. Returns the exit code.
int RunKelvo(int argc, char** argv);
