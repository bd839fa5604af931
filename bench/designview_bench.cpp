// links: tindrel_app
// The selection tracker's pick over 10,000 objects (the hit is the last one,
// so every object is tried).
#include <benchmark/benchmark.h>

#include <memory>

#include "app/selecttracker.h"
#include "model/pathobject.h"
#include "model/tests/fakes.h"

namespace {

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
