// links: tindrel_import tindrel_model
// Reading a generated 6 MB Illustrator-style EPS file through the plug-in's
// EPS reader into the design program's object list, beside pstoedit
// converting the same file (it interprets the PostScript with Ghostscript and
// writes the result, where ours reads the drawing operators only). A missing peer is skipped with a note.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "bench_import_util.h"
#include "importfilter/epsreader.h"
#include "model/segarray.h"

namespace {

const std::string& EpsFile() {
  static const std::string path = [] {
    std::string p = benchimport::TempPath("import_eps_bench.eps");
    std::ofstream out(p, std::ios::binary);
    out << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 5000 5000\n%%EndComments\n%%BeginProlog\n"
           "/Adobe_bench 20 dict def Adobe_bench begin\n/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def\n"
           "/s {closepath stroke} bind def /S {stroke} bind def /f {closepath fill} bind def\nend\n"
           "%%EndProlog\n%%BeginSetup\nAdobe_bench begin\n%%EndSetup\n";
    std::uint32_t seed = 4242;
    auto num = [&] { return double(benchimport::Next(seed) % 500000) / 100.0; };
    char buf[256];
    while (out.tellp() < 6 * 1000 * 1000) {
      std::snprintf(buf, sizeof buf, "%.2f %.2f m\n%.2f %.2f l\n%.2f %.2f %.2f %.2f %.2f %.2f c\n%.2f %.2f l\ns\n",
                    num(), num(), num(), num(), num(), num(), num(), num(), num(), num(), num(), num());
      out << buf;
    }
    out << "end\n%%Trailer\n%%EOF\n";
    return p;
  }();
  return path;
}

void BM_FilterReadEps(benchmark::State& state) {
  const std::string& path = EpsFile();
  for (auto _ : state) benchimport::UnpackOne(state, imp::CEpsReader().Read(path.c_str(), 0));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(benchimport::FileSize(path)));
}
BENCHMARK(BM_FilterReadEps)->Unit(benchmark::kMillisecond);

void BM_PstoeditEps(benchmark::State& state) {
  if (!benchimport::HaveProgram("pstoedit")) {
    state.SkipWithError("pstoedit is not installed (scripts/deps.sh bench)");
    return;
  }
  const std::string out = benchimport::TempPath("import_eps_bench.hpgl");
  const std::string cmd = "pstoedit -q -f hpgl '" + EpsFile() + "' '" + out + "' >/dev/null 2>&1";
  for (auto _ : state) {
    // A failed peer would look fast.
    if (!benchimport::RunPeer(cmd)) {
      state.SkipWithError("the peer failed");
      break;
    }
  }
  std::remove(out.c_str());
}
BENCHMARK(BM_PstoeditEps)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
