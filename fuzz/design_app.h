// The design program of the fuzz targets that go where users go: started
// afresh for each input with its profile, shared store and port devices in
// the scratch folder, message boxes answered at once, no print server
// reachable; the design view of its first document shows the whole page.
#pragma once
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/selecttracker.h"
#include "app/tindrelapp.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/controls.h"
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
#include "platform/profile.h"

namespace fuzz {

// Every modal run goes to `step` (when set; else the dialog is left open,
// which cancels it); file dialogs choose `file` (cancelled when it is empty).
// Past kMaxRuns dialogs in one input the rest are cancelled, so that no
// dialog reopens itself for ever.
class DialogSteps : public fw::ModalDriver {
 public:
  static constexpr int kMaxRuns = 64;
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

  // The step of every dialog becomes: type the `typed` texts into its edit
  // fields, in order across dialogs, then click OK (Enter where there is no
  // OK button), then Cancel when the dialog refuses and stays open.
  void TypeThenOk() {
    step = [this](fw::CDialog& dlg) {
      for (fw::CWnd* child : std::vector<fw::CWnd*>(dlg.Children())) {
        if (next_ == typed.size()) break;
        if (dynamic_cast<fw::CEdit*>(child) && child->IsWindowEnabled())
          dlg.TypeText(child->GetDlgCtrlID(), typed[next_++]);
      }
      if (!dlg.ClickButton(fw::IDOK)) dlg.OnOK();
      if (!dlg.IsEnded() && !dlg.ClickButton(fw::IDCANCEL)) dlg.OnCancel();
    };
  }

  std::function<void(fw::CDialog&)> step;
  std::string file;
  std::vector<std::string> typed;
  int runs = 0;

 private:
  fw::ModalDriver* prev_;
  std::size_t next_ = 0;
};

// Once per process: the scratch folder's profile folder and shared store; the
// print server, the cut-job manager's folder and the ports' devices point into
// the scratch folder (no server, no manager, every port the file "port.out").
// The libraries loaded by name stay loaded: the fuzzer keeps counting in them
// between inputs.
inline void UseScratchEnvironment() {
  static const bool ready = [] {
    for (const char* name : {"Flexoril.dll", "Import.dll", "Vector.dll", "Trace.dll"})
      (void)plat::LoadLibrary(name);
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

class DesignProgram {
 public:
  static constexpr int kScreenWidth = 400;
  static constexpr int kScreenHeight = 300;
  DesignProgram() {
    InstallQuietSink();
    UseScratchEnvironment();
    fw::ResetWindowSystem();
    fw::SetScreenSize(kScreenWidth, kScreenHeight);  // small surfaces: quick paints
    fw::ResetClipboard();
    appres::RegisterAppResources();
    app_ = std::make_unique<CVORLAN98App>();
    if (!app_->InitInstance()) return;
    fw::PumpPendingMessages();
    main = dynamic_cast<CMDIMainFrame*>(app_->m_pMainWnd);
    TakeActiveView();
  }
  ~DesignProgram() {
    if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    app_.reset();
    fw::ResetClipboard();
  }
  DesignProgram(const DesignProgram&) = delete;
  DesignProgram& operator=(const DesignProgram&) = delete;

  // The profile file the program reads: learnt from a first start.
  static const std::string& ProfilePath() {
    static const std::string path = [] {
      DesignProgram probe;
      plat::UserProfile* profile = plat::GetAppProfile();
      Require(profile != nullptr, "the program has a profile");
      return profile->path();
    }();
    return path;
  }

  // The main frame's active design view (null when there is none), showing
  // the whole page.
  void TakeActiveView() {
    view = main ? dynamic_cast<CVORLAN98View*>(main->GetActiveView()) : nullptr;
    doc = view ? view->GetDoc() : nullptr;
    if (!doc) {
      view = nullptr;
      return;
    }
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  }

  void Command(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  void Paint() {
    view->RepaintAll();
    view->UpdateWindow();
  }
  void SelectAll() {
    for (int i = 0; i < doc->GetObjectCount(); ++i) view->Tracker()->Select(doc->GetObjectAt(i));
  }
  // Clicks with the current tool at the corners and middle of the drawing
  // area and at the page's origin, then drags across the area.
  void Click() {
    fw::RECT r;
    view->GetClientRect(&r);
    const int w = std::max(int(r.right), 8), h = std::max(int(r.bottom), 8);
    const plat::POINT origin = view->PageToDevice(CFPoint{0.0f, 0.0f});
    fw::MouseScript mouse(view);
    mouse.Click(2, 2).Click(w / 2, h / 2).Click(w - 3, h - 3);
    if (origin.x >= 0 && origin.x < w && origin.y >= 0 && origin.y < h) mouse.Click(origin.x, origin.y);
    mouse.Drag(4, 4, w - 5, h - 5, 3);
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
