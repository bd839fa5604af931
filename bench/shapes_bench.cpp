// links: tindrel_model
// Drawing the simple shapes (each draw builds its outline) against drawing
// the same shapes converted to paths, and smoothing a long polyline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "model/ellipseobject.h"
#include "model/lineobject.h"
#include "model/pathobject.h"
#include "model/polygonobject.h"
#include "model/rectobject.h"
#include "model/shapebuilders.h"
#include "model/tests/fakes.h"
#include "platform/dc.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Deterministic pseudo-random numbers.
struct Lcg {
  std::uint32_t s = 2024;
  float Next(float lo, float hi) {
    s = s * 1664525u + 1013904223u;
    return lo + (hi - lo) * float(s >> 8) / float(1u << 24);
  }
};

// 10,000 shapes in page millimetres, a quarter of each kind.
std::vector<std::unique_ptr<CGraphObject>> MixedShapes(int n) {
  Lcg r;
  std::vector<std::unique_ptr<CGraphObject>> out;
  for (int i = 0; i < n; ++i) {
    const float x = r.Next(0, 450), y = r.Next(0, 250), w = r.Next(5, 40), h = r.Next(5, 30);
    switch (i % 4) {
      case 0: {
        auto l = std::make_unique<CLineObject>();
        l->x1 = x, l->y1 = y, l->x2 = x + w, l->y2 = y + h;
        l->bounds = l->PageBox();
        out.push_back(std::move(l));
        break;
      }
      case 1: {
        auto o = std::make_unique<CRectObject>();
        o->x1 = x, o->y1 = y, o->x2 = x + w, o->y2 = y + h;
        if (i % 8 == 1) o->rx = 0.3f, o->ry = 0.4f;
        out.push_back(std::move(o));
        break;
      }
      case 2: {
        auto e = std::make_unique<CEllipseObject>();
        e->x1 = x, e->y1 = y, e->x2 = x + w, e->y2 = y + h;
        if (i % 8 == 2) e->start = 0.3f, e->end = 4.0f, e->style = float(i % 3) - 2.0f;
        out.push_back(std::move(e));
        break;
      }
      default: {
        auto p = std::make_unique<CPolygonObject>();
        p->cx = x, p->cy = y, p->r1 = w / 2, p->sides = 3 + i % 6;
        if (i % 8 == 3) p->r2 = w / 4, p->offset = 0.3f;
        out.push_back(std::move(p));
        break;
      }
    }
    if (i % 5 == 0) out.back()->flags = OBJF_FILLED;
  }
  return out;
}

// A memory DC on a 1920 x 1080 bitmap and a view matrix of 4 pixels per mm.
struct Canvas {
  Canvas() : bmp(plat::CreateBitmap(kWidth, kHeight, 1, 32, nullptr)) { old = dc.SelectObject(bmp); }
  ~Canvas() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
  }
  plat::DC dc;
  plat::HBITMAP bmp;
  plat::HBITMAP old = nullptr;
  CMatrix3 view{4, 0, 0, 4, 0, 0};
};

void BM_DrawShapes(benchmark::State& state) {
  auto shapes = MixedShapes(int(state.range(0)));
  Canvas c;
  for (auto _ : state)
    for (auto& s : shapes) s->Draw(&c.dc, &c.view, nullptr);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawShapes)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_DrawShapesAsPaths(benchmark::State& state) {
  auto shapes = MixedShapes(int(state.range(0)));
  std::vector<std::unique_ptr<CGraphObject>> paths;
  for (auto& s : shapes) {
    paths.push_back(s->ConvertToPath(-1));
    paths.back()->flags = s->flags;
  }
  Canvas c;
  for (auto _ : state)
    for (auto& p : paths) p->Draw(&c.dc, &c.view, nullptr);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawShapesAsPaths)->Arg(10000)->Unit(benchmark::kMillisecond);

// A zigzag polyline of n nodes in one open contour.
std::unique_ptr<CPathObject> Zigzag(int n) {
  auto p = std::make_unique<CPathObject>();
  for (int i = 0; i < n; ++i)
    p->AddPoint(float(i) * 0.1f, (i & 1) ? 1.0f : 0.0f,
                i == 0 ? 0x11 : (i == n - 1 ? 0x21 : 0x01));
  p->EndPoints();
  return p;
}

void BM_SmoothPolyline(benchmark::State& state) {
  FakeApp app;
  FakeView view;
  app.activeView = &view;
  const int n = int(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto path = Zigzag(n);
    state.ResumeTiming();
    SmoothPolylinePath(*path);
    benchmark::DoNotOptimize(path->count);
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SmoothPolyline)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
