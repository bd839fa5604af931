// Tracing one 2000 x 2000 1-bit image of 300 overlapping discs: "ImageVector"
// of libVector.so loaded by name against the potrace program on the same
// image (potrace -b svg -o /dev/null, skipped when it is missing), and
// VectorizeBitmap end to end from a monochrome bitmap.
// links: tindrel_app
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "app/imagevectorizer.h"
#include "bench/bench_import_util.h"
#include "model/imagevector.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/library.h"

namespace {

constexpr int kSide = 2000;

// One byte a pixel, y downward; 1 inside a disc.
const std::vector<std::uint8_t>& Discs() {
  static const std::vector<std::uint8_t> image = [] {
    std::vector<std::uint8_t> px(std::size_t(kSide) * kSide, 0);
    std::uint32_t seed = 45;
    for (int i = 0; i < 300; ++i) {
      const int cx = int(benchimport::Next(seed) % kSide), cy = int(benchimport::Next(seed) % kSide);
      const int r = 15 + int(benchimport::Next(seed) % 90);
      for (int y = std::max(0, cy - r); y < std::min(kSide, cy + r + 1); ++y)
        for (int x = std::max(0, cx - r); x < std::min(kSide, cx + r + 1); ++x)
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) px[std::size_t(y) * kSide + x] = 1;
    }
    return px;
  }();
  return image;
}

// The mask: bottom row first.
const std::vector<std::uint8_t>& Mask() {
  static const std::vector<std::uint8_t> mask = [] {
    const auto& px = Discs();
    std::vector<std::uint8_t> m(px.size());
    for (int row = 0; row < kSide; ++row)
      std::copy_n(px.begin() + std::ptrdiff_t(kSide - 1 - row) * kSide, kSide, m.begin() + std::ptrdiff_t(row) * kSide);
    return m;
  }();
  return mask;
}

imagevector::ImageVectorFn Entry() {
  static const imagevector::ImageVectorFn entry = [] {
    plat::HMODULE module = plat::LoadLibrary(imagevector::kVectorFileName);
    if (!module) std::abort();
    return plat::GetProcAddressAs<imagevector::ImageVectorFn>(module, imagevector::kEntryName);
  }();
  return entry;
}

void BM_ImageVector_Library(benchmark::State& state) {
  ImageVectorParams p;
  p.width = p.height = kSide;
  p.mask = Mask().data();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const plat::HGLOBAL h = Entry()(&p);
    if (!h) {
      state.SkipWithError("no result");
      break;
    }
    bytes = plat::GlobalSize(h);
    plat::GlobalFree(h);
  }
  state.counters["record_bytes"] = double(bytes);
}
BENCHMARK(BM_ImageVector_Library)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_ImageVector_PotraceProgram(benchmark::State& state) {
  if (!benchimport::HaveProgram("potrace")) {
    state.SkipWithError("potrace is not installed (scripts/deps.sh bench)");
    return;
  }
  const std::string path = benchimport::TempPath("trace-discs.pbm");
  {
    std::ofstream out(path, std::ios::binary);
    out << "P4\n" << kSide << " " << kSide << "\n";
    const auto& px = Discs();
    std::vector<char> row((kSide + 7) / 8);
    for (int y = 0; y < kSide; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (int x = 0; x < kSide; ++x)
        if (px[std::size_t(y) * kSide + x]) row[std::size_t(x) / 8] |= char(0x80 >> (x % 8));
      out.write(row.data(), std::streamsize(row.size()));
    }
  }
  const std::string cmd = "potrace -b svg -o /dev/null " + path;
  for (auto _ : state)
    if (!benchimport::RunPeer(cmd)) {
      state.SkipWithError("potrace failed");
      break;
    }
  std::remove(path.c_str());
}
// The work runs in a child process: wall clock, a fixed count.
BENCHMARK(BM_ImageVector_PotraceProgram)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_VectorizeBitmap(benchmark::State& state) {
  const std::size_t stride = (kSide + 15) / 16 * 2;
  std::vector<std::uint8_t> rows(stride * kSide, 0);
  const auto& px = Discs();
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      if (!px[std::size_t(y) * kSide + x]) rows[std::size_t(y) * stride + std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
  plat::HBITMAP bmp = plat::CreateBitmap(kSide, kSide, 1, 1, rows.data());
  CImageVectorizer vectorizer;
  for (auto _ : state) {
    std::unique_ptr<CGraphObject> o = vectorizer.VectorizeBitmap(bmp, true, 0);
    if (!o) {
      state.SkipWithError("nothing traced");
      break;
    }
  }
  plat::DeleteObject(bmp);
}
BENCHMARK(BM_VectorizeBitmap)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace
