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

#include "app/selecttracker.h"
#include "bench/bench_app.h"
#include "model/pathobject.h"

namespace {

constexpr int kObjects = 10000;

// The program with one design of kObjects square paths in a 100 x 100 grid.
class Design : public benchapp::DesignProgram {
 public:
  Design() {
    if (!view) return;
    ShowPage(1280, 1024);
    for (int i = 0; i < kObjects; ++i) {
      auto p = std::make_unique<CPathObject>();
      const float x = 2.0f + float(i % 100) * 3.5f, y = 2.0f + float(i / 100) * 8.5f;
      p->AddRectangle(x, y, x + 3.0f, y + 3.0f);
      p->EndPoints();
      doc->AddObject(p.release(), false);
    }
  }
  void Select(const std::function<bool(int)>& pick) {
    for (int i = 0; i < doc->GetObjectCount(); ++i) doc->GetObjectAt(i)->selected = pick(i) ? 1 : 0;
    view->Tracker()->GetSelectionRect(nullptr);
  }
  void Command(std::uint32_t id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  void Undo() { view->GetUndoList()->UndoLastStep(*view); }
};

// Times one command from the state `prepare` makes; `restore` runs untimed.
void RunCommand(benchmark::State& state, std::uint32_t id, const std::function<void(Design&)>& prepare,
                const std::function<void(Design&)>& restore) {
  Design d;
  if (!d.Ready(state)) return;
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
  if (!d.Ready(state)) return;
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
  if (!d.Ready(state)) return;
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
