// links: tindrel_platform
// Fill and stroke throughput of the device context on a 1920 x 1080 surface.
#include <benchmark/benchmark.h>

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
