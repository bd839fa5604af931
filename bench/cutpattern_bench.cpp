// links: tindrel_app
// The parallel-line cut over 1,000 glyph outlines (50 mm, 40 to a row) at
// 1 mm strips (list "1"), at 0 and 30 degrees: both passes' patterns; the
// dialog's cut (both passes through the shape library, one call per glyph);
// and, as the peer, the polygon clipper on the same flattened glyphs and
// strips: one call for all, and one call per glyph with the whole pattern.
#include <benchmark/benchmark.h>

#include <array>
#include <clipper.hpp>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/selecttracker.h"
#include "bench/bench_app.h"
#include "bench/glyph_outlines.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "output/cutpatterns.h"

namespace {

namespace cl = ClipperLib;

// The glyphs in millimetres.
const std::vector<std::unique_ptr<CPathObject>>& Glyphs() {
  static const auto glyphs = [] {
    auto out = benchglyphs::GlyphOutlines(1000);
    for (auto& g : out) {
      CMatrix3 m(benchglyphs::kRs, 0, 0, benchglyphs::kRs, 0, 0);
      g->Transform(m);
      g->ApplyTransform();
    }
    return out;
  }();
  return glyphs;
}

CFRect BoxOf(const std::vector<std::unique_ptr<CPathObject>>& glyphs) {
  CFRect r = glyphs.front()->bounds;
  for (const auto& g : glyphs) {
    r.left = std::min(r.left, g->bounds.left), r.top = std::min(r.top, g->bounds.top);
    r.right = std::max(r.right, g->bounds.right), r.bottom = std::max(r.bottom, g->bounds.bottom);
  }
  return r;
}

std::unique_ptr<CPathObject> Pattern(const CFRect& b, float angle, int pass) {
  return MakeParallelCutLinesEx(b.left, b.top, b.right, b.bottom, angle, b.left, b.top, "1",
                                pass ? kCutPatternGapFirst : 0);
}

// Contours of a path, curves in 8 pieces, at 1/1000 mm.
cl::Paths Flatten(CPathObject& source) {
  source.ApplyTransform();
  cl::Paths out;
  pathrec::Records r(source.points);
  std::vector<CFPoint> ctrl;
  CFPoint last{};
  auto put = [&](float x, float y) { out.back().push_back({cl::cInt(std::llround(x * 1000)), cl::cInt(std::llround(y * 1000))}); };
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    const PathPoint& p = r.p[i];
    if (!pathrec::IsPoint(p.flags)) continue;
    if (!(p.flags & PP_NODE)) {
      ctrl.push_back({p.x, p.y});
      continue;
    }
    if ((p.flags & PP_START) || out.empty()) out.emplace_back();
    if (ctrl.size() == 2)
      for (int k = 1; k < 8; ++k) {
        const float t = float(k) / 8, u = 1 - t;
        put(u * u * u * last.x + 3 * u * u * t * ctrl[0].x + 3 * u * t * t * ctrl[1].x + t * t * t * p.x,
            u * u * u * last.y + 3 * u * u * t * ctrl[0].y + 3 * u * t * t * ctrl[1].y + t * t * t * p.y);
      }
    ctrl.clear();
    put(p.x, p.y);
    last = {p.x, p.y};
  }
  return out;
}

void BM_ParallelPatternsBothPasses(benchmark::State& state) {
  const CFRect box = BoxOf(Glyphs());
  const float angle = float(state.range(0));
  for (auto _ : state) {
    auto p0 = Pattern(box, angle, 0);
    auto p1 = Pattern(box, angle, 1);
    benchmark::DoNotOptimize(p0->count + p1->count);
  }
}
BENCHMARK(BM_ParallelPatternsBothPasses)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

// The dialog's cut without the dialog: both passes made and intersected with
// the 1,000 selected glyphs through the view.
void BM_ParallelCutThroughTheShapeLibrary(benchmark::State& state) {
  benchapp::DesignProgram program;
  if (!program.Ready(state)) return;
  CVORLAN98View* view = program.view;
  CVORLAN98Doc* doc = program.doc;
  for (const auto& g : Glyphs()) {
    auto copy = g->ClonePath();
    CPathObject* raw = copy.release();
    doc->AddObject(raw, false);
    view->Tracker()->Select(raw);
  }
  const CFRect box = BoxOf(Glyphs());
  const float angle = float(state.range(0));
  std::size_t pieces = 0;
  for (auto _ : state) {
    for (int pass = 0; pass < 2; ++pass) {
      auto pattern = Pattern(box, angle, pass);
      auto got = view->IntersectPatternWithSelection(pattern.get());
      pieces += got ? std::size_t(got->GetChildCount()) : 0;
    }
  }
  benchmark::DoNotOptimize(pieces);
}
BENCHMARK(BM_ParallelCutThroughTheShapeLibrary)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(1);

struct Flat {
  std::vector<cl::Paths> glyphs;
  cl::Paths all;
};
const Flat& FlatGlyphs() {
  static const Flat flat = [] {
    Flat f;
    for (const auto& g : Glyphs()) {
      auto copy = g->ClonePath();
      f.glyphs.push_back(Flatten(*copy));
      f.all.insert(f.all.end(), f.glyphs.back().begin(), f.glyphs.back().end());
    }
    return f;
  }();
  return flat;
}

// The pattern's two passes over the glyphs' box, flattened.
std::array<cl::Paths, 2> PatternStrips(float angle) {
  const CFRect box = BoxOf(Glyphs());
  std::array<cl::Paths, 2> strips;
  for (int pass = 0; pass < 2; ++pass) strips[std::size_t(pass)] = Flatten(*Pattern(box, angle, pass));
  return strips;
}

cl::Paths EvenOddIntersection(const cl::Paths& subject, const cl::Paths& clip) {
  cl::Clipper c;
  c.AddPaths(subject, cl::ptSubject, true);
  c.AddPaths(clip, cl::ptClip, true);
  cl::Paths out;
  c.Execute(cl::ctIntersection, out, cl::pftEvenOdd, cl::pftEvenOdd);
  return out;
}

void BM_ClipperAllGlyphsOneCall(benchmark::State& state) {
  const Flat& flat = FlatGlyphs();
  const std::array<cl::Paths, 2> strips = PatternStrips(float(state.range(0)));
  for (auto _ : state)
    for (std::size_t pass = 0; pass < 2; ++pass)
      benchmark::DoNotOptimize(EvenOddIntersection(flat.all, strips[pass]).size());
}
BENCHMARK(BM_ClipperAllGlyphsOneCall)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_ClipperPerGlyphWholePattern(benchmark::State& state) {
  const Flat& flat = FlatGlyphs();
  const std::array<cl::Paths, 2> strips = PatternStrips(float(state.range(0)));
  for (auto _ : state)
    for (std::size_t pass = 0; pass < 2; ++pass)
      for (const cl::Paths& g : flat.glyphs) benchmark::DoNotOptimize(EvenOddIntersection(g, strips[pass]).size());
}
BENCHMARK(BM_ClipperPerGlyphWholePattern)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
