// links: tindrel_app
// The arrangement commands of the design view on 10,000 small paths, each one
// command through WM_COMMAND (undone again outside the timing): Select All,
// Group, Ungroup, Turn Back with every other path selected, Align Left. The
// peer is the selection tracker's band selection of the same objects.
#include <benchmark/benchmark.h>

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
#include "framework/wnd.h"
#include "model/pathobject.h"
#include "platform/report.h"

namespace {

constexpr int kObjects = 10000;

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

// The program with one design of kObjects square paths in a 100 x 100 grid.
class Design {
 public:
  Design() {
    char tmpl[] = "/tmp/tindrel-bench-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    ::setenv("TINDREL_PROFILE_DIR", (std::string(dir ? dir : "/tmp") + "/profile").c_str(), 1);
    fw::ResetWindowSystem();
    appres::RegisterAppResources();
    if (!app_.InitInstance()) return;
    fw::PumpPendingMessages();
    main_ = dynamic_cast<CMDIMainFrame*>(app_.m_pMainWnd);
    view = main_ ? dynamic_cast<CVORLAN98View*>(main_->GetActiveView()) : nullptr;
    if (!view) return;
    doc = view->GetDoc();
    view->MoveWindow(0, 0, 1280, 1024);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
    for (int i = 0; i < kObjects; ++i) {
      auto p = std::make_unique<CPathObject>();
      const float x = 2.0f + float(i % 100) * 3.5f, y = 2.0f + float(i / 100) * 8.5f;
      p->AddRectangle(x, y, x + 3.0f, y + 3.0f);
      p->EndPoints();
      doc->AddObject(p.release(), false);
    }
  }
  ~Design() {
    if (main_ && main_->m_hWnd) main_->DestroyWindow();
    fw::ResetWindowSystem();
  }
  void Select(const std::function<bool(int)>& pick) {
    for (int i = 0; i < doc->GetObjectCount(); ++i) doc->GetObjectAt(i)->selected = pick(i) ? 1 : 0;
    view->Tracker()->GetSelectionRect(nullptr);
  }
  void Command(std::uint32_t id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  void Undo() { view->GetUndoList()->UndoLastStep(*view); }

  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;

 private:
  QuietSink sink_;
  plat::ScopedReportSink scoped_{&sink_};
  CVORLAN98App app_;
  CMDIMainFrame* main_ = nullptr;
};

// Times one command from the state `prepare` makes; `restore` runs untimed.
void RunCommand(benchmark::State& state, std::uint32_t id, const std::function<void(Design&)>& prepare,
                const std::function<void(Design&)>& restore) {
  Design d;
  if (!d.view) {
    state.SkipWithError("no design view");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    prepare(d);
    state.ResumeTiming();
    d.Command(id);
    state.PauseTiming();
    restore(d);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_SelectAll(benchmark::State& state) {
  RunCommand(
      state, 32784, [](Design& d) { d.Select([](int) { return false; }); },
      [](Design& d) { d.Select([](int) { return false; }); });
}

void BM_SelectInRectPeer(benchmark::State& state) {
  Design d;
  if (!d.view) {
    state.SkipWithError("no design view");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    d.Select([](int) { return false; });
    state.ResumeTiming();
    d.view->Tracker()->SelectInRect(0.0f, 0.0f, 400.0f, 900.0f);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_Group(benchmark::State& state) {
  RunCommand(
      state, 40036, [](Design& d) { d.Select([](int) { return true; }); }, [](Design& d) { d.Undo(); });
}

void BM_Ungroup(benchmark::State& state) {
  Design d;
  if (!d.view) {
    state.SkipWithError("no design view");
    return;
  }
  d.Select([](int) { return true; });
  d.Command(40036);  // one group of every path
  for (auto _ : state) {
    state.PauseTiming();
    d.Select([](int) { return true; });
    state.ResumeTiming();
    d.Command(40037);
    state.PauseTiming();
    d.Undo();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_TurnBack(benchmark::State& state) {
  RunCommand(
      state, 40044, [](Design& d) { d.Select([](int i) { return i % 2 == 0; }); }, [](Design& d) { d.Undo(); });
}

void BM_AlignLeft(benchmark::State& state) {
  RunCommand(
      state, 40080, [](Design& d) { d.Select([](int) { return true; }); }, [](Design& d) { d.Undo(); });
}

}  // namespace

BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectInRectPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Group)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ungroup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlignLeft)->Unit(benchmark::kMillisecond);
