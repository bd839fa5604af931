// The design program started under the presentation for a test: its profile in
// a fresh temporary folder, message boxes answered by `sink`, dialogs by `modal`
// (unless the test runs them itself), its main frame and design view found.
#pragma once
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/mainframe.h"
#include "app/tindrelapp.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "presentation/host.h"

namespace prestest {

// Qt's events and the framework's posted messages until both are quiet.
inline void Pump() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    fw::PumpPendingMessages();
    if (pres::Host::Get()) pres::Host::Get()->Flush();
  }
}

// Begin() makes the folder and the host, Start() the program; a test may set
// the host up between the two. Stop() ends the program and forgets the folder.
class StartedProgram {
 public:
  // `tag` names the temporary folder: /tmp/tindrel-<tag>-XXXXXX.
  void Begin(const std::string& tag) {
    std::string tmpl = "/tmp/tindrel-" + tag + "-XXXXXX";
    dir = ::mkdtemp(tmpl.data());
    ::setenv("TINDREL_PROFILE_DIR", (dir + "/profile").c_str(), 1);
    fw::ResetWindowSystem();
    appres::RegisterAppResources();
    host = std::make_unique<pres::Host>();
  }
  // Without `scriptedDialogs` a modal dialog runs its own loop.
  void Start(bool scriptedDialogs = true) {
    reports = std::make_unique<plat::ScopedReportSink>(&sink);
    if (scriptedDialogs) modal = std::make_unique<fw::ScriptedModalDriver>();
    app = std::make_unique<CVORLAN98App>();
    ASSERT_TRUE(app->InitInstance());
    Pump();
    main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
    ASSERT_NE(main, nullptr);
    view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
    ASSERT_NE(view, nullptr);
  }
  void Stop() {
    if (app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    Pump();
    app.reset();
    modal.reset();
    reports.reset();
    host.reset();
    QCoreApplication::processEvents();
    fw::ResetQuit();
    ::unsetenv("TINDREL_PROFILE_DIR");
    std::filesystem::remove_all(dir);
  }

  std::string dir;
  std::unique_ptr<pres::Host> host;
  plat::RecordingSink sink;
  std::unique_ptr<plat::ScopedReportSink> reports;
  std::unique_ptr<fw::ScriptedModalDriver> modal;
  std::unique_ptr<CVORLAN98App> app;
  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
};

}  // namespace prestest
