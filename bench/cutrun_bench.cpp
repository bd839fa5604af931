// links: tindrel_output
// The cut run of 1,000 glyph outlines (DejaVu Sans, 50 mm, 40 to a row) into
// a file, with a paper window over half of them: clip, map to plotter units,
// sort and plot. Reported per run and per 1,000 nodes cut.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "bench/glyph_outlines.h"
#include "framework/wnd.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "output/clip.h"
#include "output/cutinfo.h"
#include "output/cutrun.h"
#include "output/cutter.h"

namespace {

using namespace benchglyphs;

void BM_CutRun(benchmark::State& state) {
  InstallOutputServices();
  const std::string iniPath = TempPath("Cutters.INI");
  {
    std::ofstream f(iniPath);
    f << "[CutterDevices]\nHPGL=HPGL\n[HPGL]\nRS=0.025\nInitCmd=IN;\nHomeCmd=PU0,0;\nAbsCmd=PA;\n"
         "PenUp=PU;\nMoveTo=PU%d,%d;\nLineTo=PD%d,%d;\nLineToEx=PD%d,%d;\nHardOffset=1\n";
  }
  const std::string outPath = TempPath("job.plt");
  CIniFile ini(iniPath);
  // The glyphs in millimetres.
  CSegArray design;
  for (auto& g : GlyphOutlines(1000)) {
    g->Transform(CMatrix3(kRs, 0, 0, kRs, 0, 0));
    g->ApplyTransform();
    design.Add(std::move(g));
  }
  CFRect all;
  design.GetBoundRect(&all, 0);
  CCutterDriver dev("HPGL", ini);
  dev.port.SetSettingsPath(TempPath("Port.INI"));
  CCutInfo info;
  CollectCutSettings(dev, info, ini);
  info.port = outPath;
  // Half the columns, the window's right edge through the middle of one.
  info.left = all.left, info.top = all.top;
  info.right = all.left + (all.right - all.left) / 2 + 25.0f;
  info.bottom = all.bottom;
  std::int64_t nodes = 0;
  for (auto _ : state) {
    CutRunTrace trace;
    if (RunCut(design, dev, info, "bench", nullptr, &trace) != CutRunResult::Done) {
      state.SkipWithError("run");
      break;
    }
    nodes += trace.progressRange;
  }
  state.counters["glyphs"] = double(design.GetSize());
  // Time per 1,000 nodes cut (seconds; benchmark prints the unit).
  state.counters["per_1000_nodes"] =
      benchmark::Counter(double(nodes) / 1000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["nodes"] = benchmark::Counter(double(nodes), benchmark::Counter::kAvgIterations);
  std::remove(outPath.c_str());
  std::remove(iniPath.c_str());
  fw::ResetWindowSystem();
}
BENCHMARK(BM_CutRun)->Unit(benchmark::kMillisecond);

}  // namespace
