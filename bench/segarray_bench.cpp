// links: tindrel_model
// Packing a list of 100,000 small paths into one block and reading it back.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/pathobject.h"
#include "model/segarray.h"

namespace {

constexpr int kPaths = 100000;

void FillPaths(CSegArray& list) {
  for (int i = 0; i < kPaths; ++i) {
    auto p = std::make_unique<CPathObject>();
    const float x = float(i % 1000), y = float(i / 1000);
    p->AddRectangle(x, y, x + 0.5f, y + 0.5f);
    p->EndPoints();
    list.Add(std::move(p));
  }
}

void BM_PackPaths(benchmark::State& state) {
  CSegArray list;
  FillPaths(list);
  for (auto _ : state) {
    plat::HGLOBAL h = 0;
    benchmark::DoNotOptimize(list.PackToGlobal(&h));
    plat::GlobalFree(h);
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_PackPaths)->Unit(benchmark::kMillisecond);

void BM_UnpackPaths(benchmark::State& state) {
  CSegArray list;
  FillPaths(list);
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  state.counters["block_bytes"] = n;
  for (auto _ : state) {
    std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(h);
    benchmark::DoNotOptimize(back.get());
  }
  plat::GlobalFree(h);
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_UnpackPaths)->Unit(benchmark::kMillisecond);

}  // namespace
