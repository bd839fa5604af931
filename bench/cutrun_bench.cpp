// links: tindrel_output
// The cut run of 1,000 glyph outlines (DejaVu Sans, 50 mm, 40 to a row) into
// a file, with a paper window over half of them: clip, map to plotter units,
// sort and plot. Reported per run and per 1,000 nodes cut.
// BM_CutRunLines cuts 100 paths of 1,000 line nodes each into a file; its peer
// BM_PlainWriteLines writes the same bytes the way the file port does: a
// fresh file, 64 KiB a write, closed. Both remove the last pass's file untimed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
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
#include "platform/port.h"

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

// 100 closed paths of 1,000 line nodes, 40 mm rings with a ripple, in mm.
struct LineJob {
  std::string iniPath = TempPath("LinesCutters.INI");
  std::string outPath = TempPath("lines.plt");
  CSegArray design;
  std::unique_ptr<CIniFile> ini;
  std::unique_ptr<CCutterDriver> dev;
  CCutInfo info;

  LineJob() {
    InstallOutputServices();
    {
      std::ofstream f(iniPath);
      f << "[CutterDevices]\nHPGL=HPGL\n[HPGL]\nRS=0.025\nInitCmd=IN;\nHomeCmd=PU0,0;\nAbsCmd=PA;\n"
           "PenUp=PU;\nMoveTo=PU%d,%d;\nLineTo=PD%d,%d;\nLineToEx=PD%d,%d;\nHardOffset=1\n";
    }
    for (int p = 0; p < 100; ++p) {
      auto path = std::make_unique<CPathObject>();
      const float cx = 50.0f + float(p % 10) * 100.0f, cy = 50.0f + float(p / 10) * 100.0f;
      CFPoint first{};
      for (int k = 0; k < 999; ++k) {
        const float a = float(k) * 6.2831853f / 999.0f;
        const float r = 40.0f + 3.0f * std::sin(a * 25.0f);
        const CFPoint q{cx + r * std::cos(a), cy + r * std::sin(a)};
        if (k == 0) first = q;
        path->AddPoint(q.x, q.y, k == 0 ? 0x11 : 0x01);
      }
      path->AddPoint(first.x, first.y, 0x41);
      path->EndPoints();
      design.Add(std::move(path));
    }
    ini = std::make_unique<CIniFile>(iniPath);
    dev = std::make_unique<CCutterDriver>("HPGL", *ini);
    dev->port.SetSettingsPath(TempPath("LinesPort.INI"));
    CollectCutSettings(*dev, info, *ini);
    info.port = outPath;
    CFRect all;
    design.GetBoundRect(&all, 0);
    info.left = all.left - 1, info.top = all.top - 1;
    info.right = all.right + 1, info.bottom = all.bottom + 1;
  }
  ~LineJob() {
    dev.reset();
    std::remove(outPath.c_str());
    std::remove(iniPath.c_str());
    std::remove(TempPath("LinesPort.INI").c_str());
    fw::ResetWindowSystem();
  }
  bool Run() { return RunCut(design, *dev, info, "bench", nullptr, nullptr) == CutRunResult::Done; }
  std::string Output() const {
    std::ifstream f(outPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

void BM_CutRunLines(benchmark::State& state) {
  LineJob job;
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(job.outPath.c_str());
    state.ResumeTiming();
    if (!job.Run()) {
      state.SkipWithError("run");
      break;
    }
  }
  state.counters["bytes"] = double(job.Output().size());
}
BENCHMARK(BM_CutRunLines)->Unit(benchmark::kMillisecond);

void BM_PlainWriteLines(benchmark::State& state) {
  std::string bytes;
  {
    LineJob job;
    if (!job.Run()) {
      state.SkipWithError("run");
      return;
    }
    bytes = job.Output();
  }
  const std::string path = TempPath("plain.plt");
  constexpr std::size_t kBlock = 64 * 1024;
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
    const int fd = plat::OpenPortPath(path, true, false);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
      const std::size_t n = std::min(kBlock, bytes.size() - done);
      ok = plat::WriteFileData(fd, bytes.data() + done, n) == long(n);
      done += n;
    }
    plat::ClosePort(fd);
    if (!ok) {
      state.SkipWithError("write");
      break;
    }
  }
  state.counters["bytes"] = double(bytes.size());
  std::remove(path.c_str());
}
BENCHMARK(BM_PlainWriteLines)->Unit(benchmark::kMillisecond);

}  // namespace
