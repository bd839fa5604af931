// links: tindrel_app tindrel_output
// Vector export of 1,000 glyph outlines (DejaVu Sans, 50 mm, curves included)
// as HPGL and as EPS, beside the cutter flattening the same outlines into a
// file port through an HPGL-like model (the peer; goal: within 2x of it).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/vectorexport.h"
#include "bench/bench_cutter.h"
#include "bench/glyph_outlines.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"

namespace {

using namespace benchglyphs;

// The glyphs in page millimetres.
std::unique_ptr<CSegArray> GlyphDesign() {
  auto list = std::make_unique<CSegArray>();
  const CMatrix3 toMm(kRs, 0, 0, kRs, 0, 0);
  for (auto& g : GlyphOutlines(1000)) {
    g->Transform(toMm);
    list->Add(std::move(g));
  }
  return list;
}

void BM_ExportHpgl(benchmark::State& state) {
  auto design = GlyphDesign();
  const std::string out = TempPath("export.plt");
  for (auto _ : state)
    if (ExportHpgl(*design, out) != ExportResult::Written) state.SkipWithError("write");
  state.counters["objects"] = double(design->GetSize());
  std::remove(out.c_str());
}
BENCHMARK(BM_ExportHpgl)->Unit(benchmark::kMillisecond);

void BM_ExportEps(benchmark::State& state) {
  auto design = GlyphDesign();
  const std::string out = TempPath("export.eps");
  for (auto _ : state)
    if (ExportEps(*design, out) != ExportResult::Written) state.SkipWithError("write");
  std::remove(out.c_str());
}
BENCHMARK(BM_ExportEps)->Unit(benchmark::kMillisecond);

void BM_CutterPeer(benchmark::State& state) {
  benchcutter::FileCutter cutter(1, 0, "cut.plt");
  CCutterDriver& dev = cutter.dev;
  auto glyphs = GlyphOutlines(1000);
  dev.hardOffset = 1;
  CCutInfo info;
  for (auto _ : state) {
    if (!cutter.Plot(glyphs, info)) {
      state.SkipWithError("port");
      break;
    }
  }
}
BENCHMARK(BM_CutterPeer)->Unit(benchmark::kMillisecond);

}  // namespace
