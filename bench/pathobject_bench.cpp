// links: tindrel_model
// Plotting a large outline into a cutter, and building and writing it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "model/devices.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"

namespace {

// Counts the calls; keeps a sum so the work is not optimised away.
class CountingCutter : public CCutterDevice {
 public:
  void MoveTo(float x, float y) override { sum += x + y; }
  void HalfCutMoveTo(float x, float y) override { sum += x + y; }
  void LineTo(float x, float y) override { sum += x - y; }
  void HalfCutLineTo(float x, float y) override { sum += x - y; }
  void CurveTo(const CFPoint&, const CFPoint&, const CFPoint&, const CFPoint& p3, int) override {
    sum += p3.x;
  }
  void OverCut(const PathPoint*, std::size_t, int start) override { sum += start; }
  void EndPolyline() override { sum += 1; }
  double sum = 0.0;
};

// Closed contours of 1,000 nodes each, every fourth segment a Bezier.
std::unique_ptr<CPathObject> MakeOutline(int nodes) {
  auto p = std::make_unique<CPathObject>();
  const int perContour = 1000;
  for (int base = 0; base < nodes; base += perContour) {
    const float cx = float(base / perContour) * 100.0f;
    for (int k = 0; k < perContour; ++k) {
      const float a = float(k) * 6.2831853f / perContour;
      const float x = cx + 40.0f * std::cos(a), y = 40.0f * std::sin(a);
      if (k == 0) {
        p->AddPoint(x, y, 0x11);
      } else if (k % 4 == 0) {
        p->AddPoint(x + 0.1f, y, 0x00);
        p->AddPoint(x, y + 0.1f, 0x00);
        p->AddPoint(x, y, k == perContour - 1 ? 0x41 : 0x01);
      } else {
        p->AddPoint(x, y, k == perContour - 1 ? 0x41 : 0x01);
      }
    }
  }
  p->EndPoints();
  return p;
}

void BM_PlotToCutter(benchmark::State& state) {
  auto path = MakeOutline(int(state.range(0)));
  CountingCutter cutter;
  for (auto _ : state) {
    path->PlotToCutter(cutter);
    benchmark::DoNotOptimize(cutter.sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlotToCutter)->Arg(100000);

void BM_PlotToCutterHalfCut(benchmark::State& state) {
  auto path = MakeOutline(int(state.range(0)));
  CountingCutter cutter;
  cutter.halfCut = 1;
  cutter.solidLength = 2.0f;
  for (auto _ : state) {
    path->PlotToCutter(cutter);
    benchmark::DoNotOptimize(cutter.sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlotToCutterHalfCut)->Arg(100000);

void BM_BuildAndWriteRecord(benchmark::State& state) {
  for (auto _ : state) {
    auto path = MakeOutline(int(state.range(0)));
    plat::HGLOBAL h = 0;
    benchmark::DoNotOptimize(path->WriteRecord(&h));
    plat::GlobalFree(h);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildAndWriteRecord)->Arg(100000);

}  // namespace
