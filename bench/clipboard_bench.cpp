// links: tindrel_app
// Copy of 10,000 selected paths of 20 nodes to the program's clipboard and
// their paste through the design view's Paste command (the objects inserted
// with their undo step, the view redrawn), against a floor that only copies
// the clipboard block's bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/appresources.h"
#include "app/clipboard.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/tindrelapp.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/wnd.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/services.h"
#include "platform/gmem.h"
#include "platform/report.h"

namespace {

constexpr int kPaths = 10000;
constexpr int kNodes = 20;
constexpr fw::UINT kEditPaste = 57637;

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

void FillPaths(CSegArray& list) {
  for (int i = 0; i < kPaths; ++i) {
    auto p = std::make_unique<CPathObject>();
    const float x = float(i % 100) * 4.0f, y = float(i / 100) * 4.0f;
    for (int k = 0; k < kNodes; ++k) {
      std::uint8_t flags = PP_NODE;
      if (k == 0) flags |= PP_START;
      if (k == kNodes - 1) flags |= PP_CLOSEEND;
      p->AddPoint(x + float(k % 5), y + float(k / 5), flags);
    }
    p->EndPoints();
    p->selected = 1;
    list.Add(std::move(p));
  }
}

// Copy before the loop; each pass pastes through the view's command and
// redraws, and its undo runs untimed.
void BM_CopyPastePaths(benchmark::State& state) {
  char tmpl[] = "/tmp/tindrel-bench-XXXXXX";
  const char* dir = ::mkdtemp(tmpl);
  ::setenv("TINDREL_PROFILE_DIR", (std::string(dir ? dir : "/tmp") + "/profile").c_str(), 1);
  QuietSink sink;
  plat::ScopedReportSink scoped(&sink);
  fw::ResetWindowSystem();
  fw::ResetClipboard();
  appres::RegisterAppResources();
  {
    CVORLAN98App app;
    if (!app.InitInstance()) {
      state.SkipWithError("the program did not start");
      return;
    }
    fw::PumpPendingMessages();
    auto* main = dynamic_cast<CMDIMainFrame*>(app.m_pMainWnd);
    auto* view = main ? dynamic_cast<CVORLAN98View*>(main->GetActiveView()) : nullptr;
    if (!view) {
      state.SkipWithError("no design view");
      return;
    }
    view->MoveWindow(0, 0, 1920, 1080);
    CVORLAN98Doc* doc = view->GetDoc();
    CSegArray list;
    FillPaths(list);
    const auto copyStart = std::chrono::steady_clock::now();
    list.CopyToClipboard();
    state.counters["copy ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - copyStart).count();
    view->UpdateWindow();
    for (auto _ : state) {
      view->SendMessage(fw::WM_COMMAND, kEditPaste, 0);
      view->UpdateWindow();
      state.PauseTiming();
      if (doc->GetObjectCount() != kPaths) state.SkipWithError("paste lost objects");
      view->GetUndoList()->UndoLastStep(*view);
      view->UpdateWindow();
      state.ResumeTiming();
    }
    if (main->m_hWnd) main->DestroyWindow();
    fw::ResetWindowSystem();
  }
  fw::ResetClipboard();
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_CopyPastePaths)->Unit(benchmark::kMillisecond);

// The floor: the same list's clipboard block copied byte for byte.
void BM_FloorCopyBlockBytes(benchmark::State& state) {
  CSegArray list;
  FillPaths(list);
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  std::vector<std::uint8_t> block;
  {
    plat::GlobalLockGuard lock(h);
    block.assign(lock.bytes(), lock.bytes() + n);
  }
  plat::GlobalFree(h);
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[block.size()]);
    std::memcpy(copy.get(), block.data(), block.size());
    benchmark::DoNotOptimize(copy.get());
  }
  state.counters["bytes"] = double(block.size());
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_FloorCopyBlockBytes)->Unit(benchmark::kMillisecond);

}  // namespace
