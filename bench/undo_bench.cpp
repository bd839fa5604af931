// links: tindrel_model
// Undo of node editing: recording and undoing a snapshot of a 100,000-point
// path; 1,000 one-item commands through the default step limit.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/pathobject.h"
#include "model/tests/fakes.h"
#include "model/undoitems.h"

namespace {

std::unique_ptr<CPathObject> MakePath(int n) {
  auto p = std::make_unique<CPathObject>();
  p->AddPoint(0, 0, 0x11);
  for (int i = 1; i < n - 1; ++i) p->AddPoint(float(i % 1000), float(i / 1000), PP_NODE);
  p->AddPoint(0, 0, 0x41);
  p->EndPoints();
  return p;
}

void BM_SnapshotRecordAndUndo(benchmark::State& state) {
  FakeView view;
  auto path = MakePath(100000);
  for (auto _ : state) {
    view.undo.StartRecord(1);
    view.undo.AppendUndoRepaintItem();
    AppendUndo(&view, std::make_unique<CUndoPathSnapshot>(path.get()));
    view.undo.EndRecord();
    view.undo.UndoLastStep(view);
  }
}
BENCHMARK(BM_SnapshotRecordAndUndo)->Unit(benchmark::kMicrosecond);

void BM_ThousandCommandsThroughTheLimit(benchmark::State& state) {
  auto path = MakePath(16);
  for (auto _ : state) {
    FakeView view;
    for (int i = 0; i < 1000; ++i) {
      view.undo.StartRecord(0);
      AppendUndo(&view, std::make_unique<CUndoNodeSelect>(path.get(), 1));
      view.undo.EndRecord();
    }
    if (view.undo.GetSize() != 11) state.SkipWithError("step limit not kept");
  }
}
BENCHMARK(BM_ThousandCommandsThroughTheLimit)->Unit(benchmark::kMicrosecond);

}  // namespace
