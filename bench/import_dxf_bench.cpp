// links: tindrel_import tindrel_model
// Reading a generated 15 MB R12 DXF file (LINE, CIRCLE and POLYLINE entities)
// through the plug-in's DXF reader into the design program's object list,
// beside ezdxf's readfile timed inside Debian's python3 (the interpreter's
// start not counted). A missing peer is skipped with a note.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "bench_import_util.h"
#include "importfilter/dxfreader.h"
#include "model/segarray.h"

namespace {

const std::string& DxfFile() {
  static const std::string path = [] {
    std::string p = benchimport::TempPath("import_dxf_bench.dxf");
    std::ofstream out(p, std::ios::binary);
    out << "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
    std::uint32_t seed = 777;
    auto num = [&] { return double(benchimport::Next(seed) % 1000000) / 100.0; };
    while (out.tellp() < 15 * 1000 * 1000) {
      out << "  0\nLINE\n  8\n0\n 10\n" << num() << "\n 20\n" << num() << "\n 30\n0.0\n 11\n" << num() << "\n 21\n"
          << num() << "\n 31\n0.0\n";
      out << "  0\nCIRCLE\n  8\n0\n 10\n" << num() << "\n 20\n" << num() << "\n 30\n0.0\n 40\n"
          << 1 + num() / 100 << "\n";
      out << "  0\nPOLYLINE\n  8\n0\n 66\n1\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n1\n";
      for (int k = 0; k < 6; ++k)
        out << "  0\nVERTEX\n  8\n0\n 10\n" << num() << "\n 20\n" << num() << "\n 30\n0.0\n";
      out << "  0\nSEQEND\n  8\n0\n";
    }
    out << "  0\nENDSEC\n  0\nEOF\n";
    return p;
  }();
  return path;
}

void BM_FilterReadDxf(benchmark::State& state) {
  const std::string& path = DxfFile();
  for (auto _ : state) benchimport::UnpackOne(state, imp::CDxfReader().Read(path.c_str(), 0));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(benchimport::FileSize(path)));
}
BENCHMARK(BM_FilterReadDxf)->Unit(benchmark::kMillisecond);

// Runs a command that prints the seconds it measured itself.
double TimedRun(const std::string& cmd) {
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return -1;
  char line[128] = {};
  const bool got = std::fgets(line, sizeof line, p) != nullptr;
  ::pclose(p);
  return got ? std::atof(line) : -1;
}

void BM_EzdxfReadfile(benchmark::State& state) {
  if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) {
    state.SkipWithError("python3-ezdxf is not installed (scripts/deps.sh bench)");
    return;
  }
  const std::string cmd = "/usr/bin/python3 -c 'import sys, time, ezdxf\nt = time.perf_counter()\nezdxf.readfile(sys.argv[1])\n"
                          "print(time.perf_counter() - t)' '" + DxfFile() + "' 2>/dev/null";
  for (auto _ : state) {
    const double s = TimedRun(cmd);
    if (s < 0) {
      state.SkipWithError("ezdxf failed");
      break;
    }
    state.SetIterationTime(s);
  }
}
BENCHMARK(BM_EzdxfReadfile)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace
