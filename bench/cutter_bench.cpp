// links: tindrel_output
// The cutter device: 1,000 glyph outlines (DejaVu Sans, 50 mm, curves
// included) plotted through an HPGL-like model into a file port, with the
// knife compensation off and on, and as a half cut.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_cutter.h"
#include "bench/glyph_outlines.h"
#include "model/pathobject.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"

namespace {

using namespace benchglyphs;

void BM_PlotGlyphs(benchmark::State& state) {
  const int mode = int(state.range(0));  // 0 plain, 1 compensation, 2 half cut
  benchcutter::FileCutter cutter(0, 40, "job.plt");
  const std::string& outPath = cutter.outPath;
  CCutterDriver& dev = cutter.dev;
  auto glyphs = GlyphOutlines(1000);
  dev.hardOffset = mode == 1 ? 0 : 1;
  CCutInfo info;
  info.knifeOffset = dev.offset;
  info.halfCut = mode == 2 ? 1 : 0;
  info.solidCut = 2.0f;
  info.voidCut = 0.5f;
  std::int64_t bytes = 0, commands = 0;
  for (auto _ : state) {
    if (!cutter.Plot(glyphs, info)) {
      state.SkipWithError("port");
      break;
    }
    state.PauseTiming();
    std::ifstream f(outPath, std::ios::binary);
    std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    bytes += std::int64_t(s.size());
    commands += std::count(s.begin(), s.end(), ';');
    state.ResumeTiming();
  }
  state.counters["glyphs"] = double(glyphs.size());
  state.counters["bytes_per_s"] = benchmark::Counter(double(bytes), benchmark::Counter::kIsRate);
  state.counters["commands_per_s"] = benchmark::Counter(double(commands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlotGlyphs)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond);

}  // namespace
