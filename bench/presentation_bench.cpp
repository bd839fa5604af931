// links: tindrel_presentation
// Surface to screen image: the copy the presentation makes of every drawn rectangle.
#include <benchmark/benchmark.h>

#include <QImage>

#include "platform/dc.h"
#include "presentation/host.h"

namespace {

void Copy(benchmark::State& state, int w, int h, plat::RECT r) {
  plat::Surface s;
  s.Create(w, h, false, 0x00336699);
  QImage image(w, h, QImage::Format_RGB32);
  for (auto _ : state) {
    pres::CopySurface(s, image, r);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t(r.width()) * r.height() * 4);
}

void BM_FullFrame(benchmark::State& state) { Copy(state, 1920, 1080, plat::RECT{0, 0, 1920, 1080}); }
void BM_Rectangle200(benchmark::State& state) { Copy(state, 1920, 1080, plat::RECT{500, 300, 700, 500}); }

}  // namespace

BENCHMARK(BM_FullFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rectangle200)->Unit(benchmark::kMicrosecond);
