// links: tindrel_platform
// Fill and stroke throughput of the device context on a 1920 x 1080 surface;
// the scene of filled polygons and lines also drawn by cairo (image surface,
// no antialiasing) from the same points in the same run.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/dc.h"

using namespace plat;

namespace {

constexpr LONG kW = 1920, kH = 1080;

struct Screen {
  DC dc;
  HBITMAP bmp = CreateBitmap(kW, kH, 1, 32, nullptr);
  Screen() { dc.SelectObject(bmp); }
  ~Screen() { DeleteObject(bmp); }  // freed when the context lets go
};

std::uint32_t g_seed = 1;
LONG Rand(LONG n) {
  g_seed = g_seed * 1664525u + 1013904223u;
  return LONG((g_seed >> 8) % std::uint32_t(n));
}

// Pixels a 1-pixel line covers.
std::int64_t LinePixels(const POINT& a, const POINT& b) {
  return std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
}

void BM_RandomLines(benchmark::State& state) {
  Screen s;
  s.dc.SetROP2(int(state.range(0)));
  std::vector<POINT> pts;
  std::int64_t pixels = 0;
  for (int i = 0; i < 20000; ++i) pts.push_back({Rand(kW), Rand(kH)});
  for (int i = 0; i < 20000; i += 2) pixels += LinePixels(pts[std::size_t(i)], pts[std::size_t(i) + 1]);
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.size(); i += 2) {
      s.dc.MoveTo(pts[i]);
      s.dc.LineTo(pts[i + 1]);
    }
    benchmark::ClobberMemory();
  }
  state.counters["lines/s"] = benchmark::Counter(10000.0 * double(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(double(pixels) * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RandomLines)->Arg(R2_COPYPEN)->Arg(R2_NOTXORPEN)->Unit(benchmark::kMillisecond);

// 1,000 star-shaped polygons of 50 points each, of radius 20-200 pixels.
std::vector<std::vector<POINT>> Polygons() {
  std::vector<std::vector<POINT>> polys;
  for (int i = 0; i < 1000; ++i) {
    const double cx = Rand(kW), cy = Rand(kH), r = 20 + Rand(180);
    std::vector<POINT> p;
    for (int k = 0; k < 50; ++k) {
      const double a = 2 * M_PI * k / 50, rr = r * (0.6 + 0.4 * double(Rand(1000)) / 1000.0);
      p.push_back({LONG(cx + rr * std::cos(a)), LONG(cy + rr * std::sin(a))});
    }
    polys.push_back(std::move(p));
  }
  return polys;
}

// Pixels one pass fills, counted inside each polygon's bounding box.
std::int64_t CoveredPixels(const std::vector<std::vector<POINT>>& polys) {
  std::int64_t n = 0;
  Screen s;
  s.dc.SelectStockObject(NULL_PEN);
  s.dc.SelectStockObject(WHITE_BRUSH);
  s.dc.SetROP2(R2_XORPEN);  // white over black: each pass leaves the surface black
  for (const auto& p : polys) {
    LONG x0 = kW, y0 = kH, x1 = 0, y1 = 0;
    for (const POINT& q : p) {
      x0 = std::min(x0, q.x);
      y0 = std::min(y0, q.y);
      x1 = std::max(x1, q.x + 1);
      y1 = std::max(y1, q.y + 1);
    }
    x0 = std::max<LONG>(x0, 0);
    y0 = std::max<LONG>(y0, 0);
    x1 = std::min(x1, kW);
    y1 = std::min(y1, kH);
    s.dc.Polygon(p.data(), int(p.size()));
    const Surface& sf = s.dc.GetSurface();
    for (LONG y = y0; y < y1; ++y)
      for (LONG x = x0; x < x1; ++x) n += sf.row(y)[x] != 0;
    s.dc.Polygon(p.data(), int(p.size()));
  }
  return n;
}

void BM_FilledPolygons(benchmark::State& state) {
  g_seed = 1;
  const auto polys = Polygons();
  const std::int64_t pixels = CoveredPixels(polys);
  Screen s;
  HBRUSH brush = CreateSolidBrush(RGB(30, 160, 90));
  s.dc.SelectObject(brush);
  if (state.range(0) == 0) s.dc.SelectStockObject(NULL_PEN);
  s.dc.SetROP2(int(state.range(1)));
  for (auto _ : state) {
    for (const auto& p : polys) s.dc.Polygon(p.data(), int(p.size()));
    benchmark::ClobberMemory();
  }
  s.dc.SelectStockObject(WHITE_BRUSH);
  DeleteObject(brush);
  state.counters["polygons/s"] = benchmark::Counter(1000.0 * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(double(pixels) * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
// (pen: 0 none, 1 black; rop)
BENCHMARK(BM_FilledPolygons)
    ->Args({0, R2_COPYPEN})
    ->Args({1, R2_COPYPEN})
    ->Args({0, R2_NOTXORPEN})
    ->Unit(benchmark::kMillisecond);

// 1,000 polygons of 50 random points each, inside squares of half-side 20-200
// pixels: self-intersecting, many edges crossing each row.
std::vector<std::vector<POINT>> RandomPolygons() {
  std::vector<std::vector<POINT>> polys;
  for (int i = 0; i < 1000; ++i) {
    const LONG cx = Rand(kW), cy = Rand(kH), r = 20 + Rand(180);
    std::vector<POINT> p;
    for (int k = 0; k < 50; ++k) p.push_back({cx - r + Rand(2 * r), cy - r + Rand(2 * r)});
    polys.push_back(std::move(p));
  }
  return polys;
}

// The scene: those polygons filled even-odd with no outline, then 10,000
// random one-pixel lines.
struct Scene {
  std::vector<std::vector<POINT>> polys;
  std::vector<POINT> ends;  // line i runs from ends[2i] to ends[2i + 1]
  static const Scene& Get() {
    static const Scene scene = [] {
      Scene s;
      g_seed = 1;
      s.polys = RandomPolygons();
      for (int i = 0; i < 20000; ++i) s.ends.push_back({Rand(kW), Rand(kH)});
      return s;
    }();
    return scene;
  }
};

enum ScenePart { kPolygons = 1, kLines = 2, kWhole = 3 };

void BM_SceneOurs(benchmark::State& state) {
  const Scene& sc = Scene::Get();
  const int part = int(state.range(0));
  Screen s;
  HBRUSH brush = CreateSolidBrush(RGB(30, 160, 90));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 40, 20));
  s.dc.SetPolyFillMode(ALTERNATE);
  for (auto _ : state) {
    if (part & kPolygons) {
      s.dc.SelectStockObject(NULL_PEN);
      s.dc.SelectObject(brush);
      for (const auto& p : sc.polys) s.dc.Polygon(p.data(), int(p.size()));
    }
    if (part & kLines) {
      s.dc.SelectObject(pen);
      for (std::size_t i = 0; i < sc.ends.size(); i += 2) {
        s.dc.MoveTo(sc.ends[i]);
        s.dc.LineTo(sc.ends[i + 1]);
      }
    }
    benchmark::ClobberMemory();
  }
  s.dc.SelectStockObject(BLACK_PEN);
  s.dc.SelectStockObject(WHITE_BRUSH);
  DeleteObject(brush);
  DeleteObject(pen);
}

void BM_SceneCairo(benchmark::State& state) {
  const Scene& sc = Scene::Get();
  const int part = int(state.range(0));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_line_width(cr, 1.0);
  for (auto _ : state) {
    if (part & kPolygons) {
      cairo_set_source_rgb(cr, 30 / 255.0, 160 / 255.0, 90 / 255.0);
      for (const auto& p : sc.polys) {
        cairo_move_to(cr, p[0].x, p[0].y);
        for (std::size_t k = 1; k < p.size(); ++k) cairo_line_to(cr, p[k].x, p[k].y);
        cairo_close_path(cr);
        cairo_fill(cr);
      }
    }
    if (part & kLines) {
      cairo_set_source_rgb(cr, 200 / 255.0, 40 / 255.0, 20 / 255.0);
      for (std::size_t i = 0; i < sc.ends.size(); i += 2) {
        // Pixel centres, as our lines step through them.
        cairo_move_to(cr, sc.ends[i].x + 0.5, sc.ends[i].y + 0.5);
        cairo_line_to(cr, sc.ends[i + 1].x + 0.5, sc.ends[i + 1].y + 0.5);
        cairo_stroke(cr);
      }
    }
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
// (part: 1 polygons, 2 lines, 3 both)
BENCHMARK(BM_SceneOurs)->Arg(kWhole)->Arg(kPolygons)->Arg(kLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneCairo)->Arg(kWhole)->Arg(kPolygons)->Arg(kLines)->Unit(benchmark::kMillisecond);

void BM_SubPixelFill(benchmark::State& state) {
  g_seed = 1;
  const auto polys = Polygons();
  const std::int64_t pixels = CoveredPixels(polys);
  std::vector<PointF> pts;
  std::vector<int> counts;
  for (const auto& p : polys) {
    for (const POINT& q : p) pts.push_back({float(q.x) + 0.3f, float(q.y) + 0.7f});
    counts.push_back(int(p.size()));
  }
  Screen s;
  for (auto _ : state) {
    for (std::size_t i = 0, at = 0; i < counts.size(); at += std::size_t(counts[i]), ++i)
      s.dc.FillPolygonsF(pts.data() + at, &counts[i], 1, WINDING, RGB(0, 0, 0));
    benchmark::ClobberMemory();
  }
  state.counters["polygons/s"] = benchmark::Counter(1000.0 * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(double(pixels) * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SubPixelFill)->Unit(benchmark::kMillisecond);

void BM_FullSurfaceXorRectangle(benchmark::State& state) {
  Screen s;
  s.dc.SetROP2(R2_XORPEN);
  s.dc.SelectStockObject(GRAY_BRUSH);
  for (auto _ : state) {
    s.dc.Rectangle(0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] = benchmark::Counter(double(kW) * kH * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullSurfaceXorRectangle)->Unit(benchmark::kMillisecond);

void BM_PixelReads(benchmark::State& state) {
  Screen s;
  for (auto _ : state) {
    std::int64_t marked = 0;
    for (LONG y = 0; y < kH; ++y)
      for (LONG x = 0; x < kW; ++x) marked += s.dc.GetPixel(x, y) != RGB(255, 255, 255);
    benchmark::DoNotOptimize(marked);
  }
  state.counters["pixels/s"] = benchmark::Counter(double(kW) * kH * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PixelReads)->Unit(benchmark::kMillisecond);

void BM_StretchBlt(benchmark::State& state) {
  Screen src, dst;
  for (auto _ : state) {
    dst.dc.StretchBlt(0, 0, kW, kH, &src.dc, 0, 0, kW / 2, kH / 2, DWORD(state.range(0)));
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] = benchmark::Counter(double(kW) * kH * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StretchBlt)->Arg(SRCCOPY)->Arg(MERGECOPY)->Unit(benchmark::kMillisecond);

}  // namespace
