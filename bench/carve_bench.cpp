// links: tindrel_output
// The engraving of a 400 x 300 mm sign of 1,200 glyph outlines (DejaVu Sans,
// 10 mm, 40 to a row):
//  - BM_CarveRun: the whole run into a file (raster in bands, scan, strokes)
//    at 0.1 mm (4000 x 3000 pixels) and 0.02 mm (20000 x 15000);
//  - BM_CarveRasterScan: the raster and the row scan alone;
//  - BM_CairoRasterScan, its peer: cairo fills the same outlines through the
//    same matrix into an A8 surface without antialiasing (its default
//    flattening tolerance, 0.1 pixel), strokes them with a pen of one pixel
//    (each object is drawn with its own pen of width 1 too) and the frame's
//    bytes are inverted, and the same scan runs over its rows; with "pen and
//    frame" 0 it only fills.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "bench/glyph_outlines.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "output/carver.h"
#include "output/carverun.h"
#include "output/clip.h"
#include "output/portfile.h"
#include "platform/gmem.h"

namespace {

using namespace benchglyphs;

constexpr float kPageWidth = 400.0f, kPageHeight = 300.0f;
constexpr int kGlyphs = 1200;

// The glyphs at 10 mm, in page millimetres.
const CSegArray& Sign() {
  static CSegArray* sign = [] {
    auto* list = new CSegArray;
    const float mm = 10.0f / float(kGlyphUnits);
    for (auto& g : GlyphOutlines(kGlyphs)) {
      g->Transform(CMatrix3(mm, 0, 0, mm, 0, 0));
      g->ApplyTransform();
      g->RecalcBounds();
      list->Add(std::move(g));
    }
    return list;
  }();
  return *sign;
}

CarveParams Params(float step) {
  CarveParams p;
  p.fillStep = step;
  p.areaKind = FindCarveArea(Sign(), kPageWidth, kPageHeight, p.area);
  return p;
}

// The same scan over an A8 row (marked: not 0).
std::int64_t Runs(const unsigned char* px, std::int64_t w) {
  std::int64_t runs = 0;
  for (std::int64_t c = 0; c < w; ++c) {
    if (!px[c]) continue;
    while (c < w && px[c]) ++c;
    ++runs;
  }
  return runs;
}

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? std::int64_t(st.st_size) : 0;
}

void BM_CarveRun(benchmark::State& state) {
  const float step = float(state.range(0)) / 1000.0f;
  InstallOutputServices();
  const std::string ini = TempPath("Carves.INI");
  const std::string out = TempPath("carve.plt");
  {
    std::ofstream f(ini);
    f << "[CarveDevices]\nBench=BENCH\n[BENCH]\nSoftWareRes=0.01\nOrigin=1\nMoveTo=M%d,%d;\nLineTo=L%d,%d;\n"
         "LineToEx=,%d,%d\nFinishCmd=E;\n";
  }
  CCarveDriver dev("Bench", ini);
  CPortFile port;
  port.SetSettingsPath(TempPath("Port.INI"));
  const CarveParams p = Params(step);
  CarveTrace trace;
  std::uint32_t idle = 1;
  for (auto _ : state) {
    port.SetPortName(out.c_str());
    trace = CarveTrace();
    if (RunCarve(Sign(), kPageWidth, kPageHeight, "Bench", p, dev, port, nullptr, &idle, nullptr, &trace) !=
        CarveResult::Done)
      state.SkipWithError("run failed");
  }
  state.counters["commands"] = double(trace.strokes * 2);
  state.counters["bytes"] = double(FileSize(out));
  state.counters["peak raster bytes"] = double(trace.raster.peakBytes);
  state.counters["bands"] = trace.raster.bands;
  std::remove(out.c_str());
  std::remove(ini.c_str());
}
BENCHMARK(BM_CarveRun)->Arg(100)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CarveRasterScan(benchmark::State& state) {
  const CarveParams p = Params(float(state.range(0)) / 1000.0f);
  const CarveRasterShape shape = CarveRasterFor(p, kPageWidth, kPageHeight);
  std::int64_t runs = 0;
  CarveRasterStats stats;
  std::vector<CarveRun> row;
  for (auto _ : state) {
    runs = 0;
    ScanCarveRaster(
        Sign(), kPageWidth, kPageHeight, p, shape, 0,
        [&](std::int64_t, const std::uint32_t* px) {
          FindCarveRuns(px, shape.width, 0xFFFFFF, row);
          runs += std::int64_t(row.size());
          return true;
        },
        &stats);
  }
  state.counters["runs"] = double(runs);
  state.counters["peak raster bytes"] = double(stats.peakBytes);
}
BENCHMARK(BM_CarveRasterScan)->Arg(100)->Arg(20)->Unit(benchmark::kMillisecond);

// The outlines through the raster matrix as cairo paths.
void CairoOutline(cairo_t* cr, const CPathObject& path, const CMatrix3& m) {
  plat::GlobalLockGuard lock(path.points);
  if (!lock) return;
  const std::size_t n = std::min<std::size_t>(std::size_t(path.count), lock.size() / sizeof(PathPoint));
  auto at = [&](std::size_t i) {
    PathPoint p;
    std::memcpy(&p, lock.bytes() + i * sizeof(PathPoint), sizeof p);
    return p;
  };
  auto pt = [&](const PathPoint& p) {
    CFPoint q{p.x, p.y};
    m.TransformPoint(q);
    return q;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const PathPoint r = at(i);
    if (r.flags == PP_END) break;
    if (!pathrec::IsPoint(r.flags) || !(r.flags & PP_NODE)) continue;
    const CFPoint q = pt(r);
    if (r.flags & PP_START) {
      cairo_move_to(cr, q.x, q.y);
    } else if (i >= 2 && !(at(i - 1).flags & PP_NODE)) {
      const CFPoint c1 = pt(at(i - 2)), c2 = pt(at(i - 1));
      cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, q.x, q.y);
    } else {
      cairo_line_to(cr, q.x, q.y);
    }
    if (r.flags & PP_CLOSEEND) cairo_close_path(cr);
  }
}

void BM_CairoRasterScan(benchmark::State& state) {
  const CarveParams p = Params(float(state.range(0)) / 1000.0f);
  const CarveRasterShape shape = CarveRasterFor(p, kPageWidth, kPageHeight);
  const bool penAndFrame = state.range(1) != 0;
  std::int64_t runs = 0;
  for (auto _ : state) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, int(shape.width), int(shape.height));
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_line_width(cr, 1.0);
    for (CGraphObject* o : Sign().Objects()) {
      CairoOutline(cr, *static_cast<CPathObject*>(o), shape.pageToRaster);
      if (penAndFrame) {
        cairo_fill_preserve(cr);
        cairo_stroke(cr);
      } else {
        cairo_fill(cr);
      }
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (penAndFrame) {
      // The frame (the page, the area of this design) through the matrix,
      // inverted byte by byte: a rectangle filled through XOR takes cairo's
      // general compositing and costs several times this.
      CFPoint a{0.0f, 0.0f}, b{kPageWidth, kPageHeight};
      shape.pageToRaster.TransformPoint(a);
      shape.pageToRaster.TransformPoint(b);
      const std::int64_t x0 = std::clamp<std::int64_t>(std::lround(std::min(a.x, b.x)), 0, shape.width);
      const std::int64_t x1 = std::clamp<std::int64_t>(std::lround(std::max(a.x, b.x)), 0, shape.width);
      const std::int64_t y0 = std::clamp<std::int64_t>(std::lround(std::min(a.y, b.y)), 0, shape.height);
      const std::int64_t y1 = std::clamp<std::int64_t>(std::lround(std::max(a.y, b.y)), 0, shape.height);
      for (std::int64_t r = y0; r < y1; ++r)
        for (std::int64_t c = x0; c < x1; ++c) data[r * stride + c] ^= 0xFF;
    }
    runs = 0;
    for (std::int64_t r = 0; r < shape.height; ++r) runs += Runs(data + r * stride, shape.width);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  state.counters["runs"] = double(runs);
  state.counters["peak raster bytes"] = double(shape.width * shape.height);
}
BENCHMARK(BM_CairoRasterScan)
    ->ArgNames({"", "pen and frame"})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
