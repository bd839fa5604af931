// links: tindrel_app
// The design view's paint of a 1920 x 1080 window showing 10,000 nodes (100
// filled paths of 100 nodes, a Bezier every fourth node) with every path
// selected, so the marks are drawn too; and the selection tracker's pick over
// 10,000 objects (the hit is the last one, so every object is tried).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/selecttracker.h"
#include "bench/bench_app.h"
#include "bench/blob_path.h"
#include "model/pathobject.h"
#include "model/tests/fakes.h"

namespace {

using benchblob::Blob;

void BM_PaintView(benchmark::State& state) {
  benchapp::DesignProgram program;
  if (!program.Ready(state)) return;
  CVORLAN98View* view = program.view;
  CVORLAN98Doc* doc = program.doc;
  program.ShowPage(1920, 1080);
  for (int i = 0; i < 100; ++i)
    doc->AddObject(Blob(40.0f + float(i % 10) * 36.0f, 60.0f + float(i / 10) * 85.0f, 16.0f).release(), false);
  for (int i = 0; i < doc->GetObjectCount(); ++i) view->Tracker()->Select(doc->GetObjectAt(i));
  for (auto _ : state) {
    view->Invalidate(fw::TRUE);
    view->UpdateWindow();
  }
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMillisecond);

void BM_PickObject(benchmark::State& state) {
  FakeDocument doc;
  FakeView view(&doc, 8, 8);
  view.hasMatrix = true;
  for (int i = 0; i < 10000; ++i) {
    auto p = std::make_unique<CPathObject>();
    const float x = float(i % 100) * 4.0f, y = float(i / 100) * 4.0f;
    p->AddRectangle(x, y, x + 3.0f, y + 3.0f);
    p->EndPoints();
    doc.objects.push_back(p.release());
  }
  CSelectTracker tracker;
  tracker.SetView(&view);
  const float x = 99 * 4.0f + 1.5f, y = 99 * 4.0f + 1.5f;
  for (auto _ : state) benchmark::DoNotOptimize(tracker.PickObject(x, y, false));
}
BENCHMARK(BM_PickObject)->Unit(benchmark::kMicrosecond);

}  // namespace
