// The design program of the benchmarks: started with its profile in a fresh
// temporary folder and message boxes answered at once, its design view found.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/tindrelapp.h"
#include "framework/app.h"
#include "framework/wnd.h"
#include "platform/report.h"

namespace benchapp {

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

// `view` and `doc` are null when the program did not start or showed no
// design view. The windows go, and the profile folder is forgotten, with it.
class DesignProgram {
 public:
  DesignProgram() {
    char tmpl[] = "/tmp/tindrel-bench-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    ::setenv("TINDREL_PROFILE_DIR", (std::string(dir ? dir : "/tmp") + "/profile").c_str(), 1);
    fw::ResetWindowSystem();
    appres::RegisterAppResources();
    app_ = std::make_unique<CVORLAN98App>();
    started_ = app_->InitInstance() != 0;
    if (!started_) return;
    fw::PumpPendingMessages();
    main_ = dynamic_cast<CMDIMainFrame*>(app_->m_pMainWnd);
    view = main_ ? dynamic_cast<CVORLAN98View*>(main_->GetActiveView()) : nullptr;
    doc = view ? view->GetDoc() : nullptr;
  }
  ~DesignProgram() {
    if (main_ && main_->m_hWnd) main_->DestroyWindow();
    fw::ResetWindowSystem();
    app_.reset();
    ::unsetenv("TINDREL_PROFILE_DIR");
  }
  DesignProgram(const DesignProgram&) = delete;
  DesignProgram& operator=(const DesignProgram&) = delete;

  // False, with the benchmark skipped, when there is no design view.
  bool Ready(benchmark::State& state) const {
    if (view) return true;
    state.SkipWithError(started_ ? "no design view" : "the program did not start");
    return false;
  }
  // The view's drawing area at the size given, showing the whole page.
  void ShowPage(int width, int height) {
    view->MoveWindow(0, 0, width, height);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  }

  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;

 private:
  QuietSink sink_;
  plat::ScopedReportSink scoped_{&sink_};
  std::unique_ptr<CVORLAN98App> app_;
  bool started_ = false;
  CMDIMainFrame* main_ = nullptr;
};

}  // namespace benchapp
