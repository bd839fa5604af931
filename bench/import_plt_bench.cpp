// links: tindrel_import tindrel_model
// Reading a generated 12 MB HPGL file (100,000 sub-paths, 1,000,000 points)
// through the plug-in's PLT reader into the design program's object list,
// beside hp2xx reading the same file (it also writes the file converted to
// HPGL again, so it does more than read); and 10,000 labels through the reader
// with labels. A missing peer program is skipped with a note.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench_import_util.h"
#include "importfilter/pltreader.h"
#include "model/segarray.h"

namespace {

const std::string& PltFile() {
  static const std::string path = [] {
    std::string p = benchimport::TempPath("import_plt_bench.plt");
    std::ofstream out(p, std::ios::binary);
    out << "IN;SP1;\n";
    std::uint32_t seed = 12345;
    for (int s = 0; s < 100000; ++s) {
      const int x0 = int(benchimport::Next(seed) % 400000), y0 = int(benchimport::Next(seed) % 400000);
      out << "PU" << x0 << ',' << y0 << ";PD";
      for (int k = 0; k < 9; ++k) {
        out << x0 + int(benchimport::Next(seed) % 20000) << ',' << y0 + int(benchimport::Next(seed) % 20000);
        out << (k < 8 ? ',' : ';');
      }
      out << '\n';
    }
    out << "PU;\n";
    return p;
  }();
  return path;
}

const std::string& LabelFile() {
  static const std::string path = [] {
    std::string p = benchimport::TempPath("import_label_bench.plt");
    std::ofstream out(p, std::ios::binary);
    out << "IN;SP1;SI0.3,0.4;\n";
    for (int i = 0; i < 10000; ++i)
      out << "PU" << (i % 100) * 3000 << ',' << (i / 100) * 3000 << ";LBSign " << i << "\x03\n";
    return p;
  }();
  return path;
}

void BM_FilterReadPlt(benchmark::State& state) {
  const std::string& path = PltFile();
  for (auto _ : state) {
    benchimport::UnpackOne(state, imp::CPltReader().Read(path.c_str(), 0));
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(benchimport::FileSize(path)));
}
BENCHMARK(BM_FilterReadPlt)->Unit(benchmark::kMillisecond);

void BM_Hp2xxPlt(benchmark::State& state) {
  if (!benchimport::HaveProgram("hp2xx")) {
    state.SkipWithError("hp2xx is not installed (scripts/deps.sh bench)");
    return;
  }
  const std::string& path = PltFile();
  const std::string out = benchimport::TempPath("import_plt_bench.out");
  const std::string cmd = "hp2xx -q -m hpgl -f '" + out + "' '" + path + "' >/dev/null 2>&1";
  for (auto _ : state) {
    // A failed peer would look fast.
    if (!benchimport::RunPeer(cmd)) {
      state.SkipWithError("the peer failed");
      break;
    }
  }
  std::remove(out.c_str());
}
BENCHMARK(BM_Hp2xxPlt)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_NFilterReadLabels(benchmark::State& state) {
  const std::string& path = LabelFile();
  for (auto _ : state) {
    plat::HGLOBAL h = imp::CPltReader().ReadWithLabels(path.c_str(), 0);
    if (!h) state.SkipWithError("no group record");
    plat::GlobalFree(h);
  }
}
BENCHMARK(BM_NFilterReadLabels)->Unit(benchmark::kMillisecond);

}  // namespace
