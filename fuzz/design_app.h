// The design program of the fuzz targets that go through its commands: started
// afresh for each input with its profile, shared store and port devices in the
// scratch folder, message boxes answered at once, no print server reachable,
// and the design view of its first document.
#pragma once
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/selecttracker.h"
#include "app/tindrelapp.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "framework/wnd.h"
#include "fuzz/fuzz_util.h"
#include "model/ellipseobject.h"
#include "model/pathobject.h"
#include "model/undo.h"
#include "output/cuthandoff.h"
#include "platform/ipc.h"
#include "platform/library.h"

namespace fuzz {

// Every modal run goes to `step` (when set); file dialogs choose `file`
// (cancelled when it is empty). Past kMaxRuns dialogs in one input the rest
// are cancelled, so that no dialog reopens itself for ever.
class DialogSteps : public fw::ModalDriver {
 public:
  static constexpr int kMaxRuns = 32;
  DialogSteps() : prev_(fw::SetModalDriver(this)) {}
  ~DialogSteps() override { fw::SetModalDriver(prev_); }
  DialogSteps(const DialogSteps&) = delete;
  DialogSteps& operator=(const DialogSteps&) = delete;

  void RunModal(fw::CDialog& dlg) override {
    if (++runs > kMaxRuns) return;
    if (auto* f = dynamic_cast<fw::CFileDialog*>(&dlg)) {
      if (!file.empty()) f->Choose(file);
      return;
    }
    if (step) step(dlg);
  }

  std::function<void(fw::CDialog&)> step;
  std::string file;
  int runs = 0;

 private:
  fw::ModalDriver* prev_;
};

// Once per process: the scratch folder's profile folder and shared store; the
// print server, the cut-job manager's folder and the ports' devices point into
// the scratch folder (no server, no manager, every port the file "port.out").
// The libraries loaded by name stay loaded for the process.
inline void UseScratchDesignEnvironment() {
  static const bool ready = [] {
    for (const char* name : {"Flexoril.dll", "Vector.dll", "Trace.dll"}) (void)plat::LoadLibrary(name);
    const std::string profile = ScratchFolder() + "profile";
    ::mkdir(profile.c_str(), 0700);
    ::setenv("TINDREL_PROFILE_DIR", profile.c_str(), 1);
    const std::string shared = ScratchFolder() + "shared/";
    ::mkdir(shared.c_str(), 0700);
    plat::SetSharedFolder(shared);
    ::setenv("CUPS_SERVER", (ScratchFolder() + "no-print-server").c_str(), 1);
    const std::string port = ScratchFolder() + "port.out";
    std::string devices;
    for (int n = 1; n <= 8; ++n) devices += "COM" + std::to_string(n) + "=" + port + ";";
    for (int n = 1; n <= 8; ++n) devices += "LPT" + std::to_string(n) + "=" + port + ";";
    ::setenv("TINDREL_PORT_DEVICES", devices.c_str(), 1);
    SetCutManagerFolder(ScratchFolder() + "no-manager/", 0);
    return true;
  }();
  (void)ready;
}

// The file every port writes, emptied.
inline std::string EmptyPortFile() { return WriteScratchFile("port.out", nullptr, 0); }

class DesignApp {
 public:
  static constexpr int kScreenWidth = 400;
  static constexpr int kScreenHeight = 300;
  DesignApp() {
    InstallQuietSink();
    UseScratchDesignEnvironment();
    fw::ResetWindowSystem();
    fw::SetScreenSize(kScreenWidth, kScreenHeight);  // small surfaces: quick paints
    fw::ResetClipboard();
    appres::RegisterAppResources();
    app_ = std::make_unique<CVORLAN98App>();
    if (!app_->InitInstance()) return;
    fw::PumpPendingMessages();
    main = dynamic_cast<CMDIMainFrame*>(app_->m_pMainWnd);
    view = main ? dynamic_cast<CVORLAN98View*>(main->GetActiveView()) : nullptr;
    doc = view ? view->GetDoc() : nullptr;
    if (!doc) view = nullptr;
    if (view) view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  }
  ~DesignApp() {
    if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    app_.reset();
    fw::ResetClipboard();
  }
  DesignApp(const DesignApp&) = delete;
  DesignApp& operator=(const DesignApp&) = delete;

  void Command(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  void Paint() {
    view->RepaintAll();
    view->UpdateWindow();
  }
  void AddRect(float l, float t, float r, float b) {
    auto p = std::make_unique<CPathObject>();
    p->AddRectangle(l, t, r, b);
    p->EndPoints();
    doc->AddObject(p.release(), false);
  }
  void AddEllipse(float l, float t, float r, float b) {
    auto e = std::make_unique<CEllipseObject>();
    e->SetRect(l, t, r, b);
    doc->AddObject(e.release(), false);
  }
  // Edit > Undo until no step is left; bounded by the steps there were.
  void UndoAll() {
    constexpr fw::UINT ID_UNDO = 57643;
    CUndoList* undo = view->GetUndoList();
    for (int n = undo->GetSize(); n > 0 && undo->GetStep(-1); --n) Command(ID_UNDO);
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;

 private:
  std::unique_ptr<CVORLAN98App> app_;
};

}  // namespace fuzz
