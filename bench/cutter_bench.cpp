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

#include "model/pathobject.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "bench/glyph_outlines.h"

namespace {

using namespace benchglyphs;

void BM_PlotGlyphs(benchmark::State& state) {
  const int mode = int(state.range(0));  // 0 plain, 1 compensation, 2 half cut
  const std::string iniPath = TempPath("Cutters.INI");
  {
    std::ofstream f(iniPath);
    f << "[CutterDevices]\nHPGL=HPGL\n[HPGL]\nRS=0.025\nInitCmd=IN;\nHomeCmd=PU0,0;\nAbsCmd=PA;\n"
         "PenUp=PU;\nMoveTo=PU%d,%d;\nLineTo=PD%d,%d;\nLineToEx=PD%d,%d;\nHardOffset=0\n"
         "Offset=0.3\nOVERCUT=40\n";
  }
  const std::string outPath = TempPath("job.plt");
  CIniFile ini(iniPath);
  auto glyphs = GlyphOutlines(1000);
  CCutterDriver dev("HPGL", ini);
  dev.port.SetSettingsPath(TempPath("Port.INI"));
  dev.port.SetPortName(outPath.c_str());
  dev.hardOffset = mode == 1 ? 0 : 1;
  CCutInfo info;
  info.knifeOffset = dev.offset;
  info.halfCut = mode == 2 ? 1 : 0;
  info.solidCut = 2.0f;
  info.voidCut = 0.5f;
  std::int64_t bytes = 0, commands = 0;
  for (auto _ : state) {
    if (!dev.BeginJob(nullptr, info)) {
      state.SkipWithError("port");
      break;
    }
    for (auto& g : glyphs) g->PlotToCutter(dev);
    dev.EndJob(info, 0);
    dev.ClosePort();
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
  std::remove(outPath.c_str());
  std::remove(iniPath.c_str());
}
BENCHMARK(BM_PlotGlyphs)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond);

}  // namespace
