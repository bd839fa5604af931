// links: tindrel_app flexoril_core
// Weld through the design view's command on 1,000 selected, overlapping
// glyph outlines (in millimetres, 30 mm apart at 50 mm high) with its undo
// step, against the polygon clipper doing the same work on the same outlines,
// flattened in the timed loop as ours are: each outline's contours filled
// even-odd (a union of their own where there are several), then one nonzero
// union of all.
#include <benchmark/benchmark.h>

#include <clipper.hpp>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/selecttracker.h"
#include "bench/bench_app.h"
#include "bench/glyph_outlines.h"
#include "model/pathobject.h"
#include "outside/flexoril/clip.h"
#include "outside/flexoril/shapes.h"
#include "platform/gmem.h"

namespace {

namespace cl = ClipperLib;

constexpr int kGlyphs = 1000;

// The glyphs in millimetres, their 50 mm cells drawn 30 mm apart.
std::vector<std::unique_ptr<CPathObject>> OverlappingGlyphs() {
  std::vector<std::unique_ptr<CPathObject>> glyphs = benchglyphs::GlyphOutlines(kGlyphs);
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const float col = float(i % 40), row = float(i / 40);
    const CMatrix3 m(benchglyphs::kRs, 0, 0, benchglyphs::kRs, -20.0f * col, -20.0f * row);
    glyphs[i]->Transform(m);
    glyphs[i]->ApplyTransform();
  }
  return glyphs;
}

void BM_WeldCommandOnOverlappingGlyphs(benchmark::State& state) {
  benchapp::DesignProgram program;
  if (!program.Ready(state)) return;
  CVORLAN98View* view = program.view;
  CVORLAN98Doc* doc = program.doc;
  for (std::unique_ptr<CPathObject>& g : OverlappingGlyphs()) doc->AddObject(g.release(), false);
  if (doc->GetObjectCount() != kGlyphs) {
    state.SkipWithError("glyph outlines missing (no DejaVu Sans?)");
    return;
  }
  for (int i = 0; i < doc->GetObjectCount(); ++i) view->Tracker()->Select(doc->GetObjectAt(i));
  for (auto _ : state) {
    view->SendMessage(fw::WM_COMMAND, 32830, 0);
    state.PauseTiming();
    if (doc->GetObjectCount() != 1) state.SkipWithError("the weld made no single outline");
    view->GetUndoList()->UndoLastStep(*view);
    view->Tracker()->GetSelectionRect(nullptr);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WeldCommandOnOverlappingGlyphs)->Unit(benchmark::kMillisecond);

// Each glyph's record read before timing; its contours flattened in the
// timed loop, as the weld command flattens them. Empty, the benchmark
// skipped, without the outlines.
std::vector<flx::Node> GlyphNodes(benchmark::State& state) {
  std::vector<flx::Node> nodes;
  for (const std::unique_ptr<CPathObject>& g : OverlappingGlyphs()) {
    plat::HGLOBAL h = 0;
    g->WriteRecord(&h);
    if (!h) continue;
    std::optional<flx::Node> node = flx::ReadHandle(h);
    plat::GlobalFree(h);
    if (node) nodes.push_back(std::move(*node));
  }
  if (nodes.empty()) state.SkipWithError("glyph outlines missing (no DejaVu Sans?)");
  return nodes;
}

cl::Paths NonZeroUnion(const cl::Paths& polygons) {
  cl::Clipper c;
  c.AddPaths(polygons, cl::ptSubject, true);
  cl::Paths out;
  c.Execute(cl::ctUnion, out, cl::pftNonZero, cl::pftNonZero);
  return out;
}

cl::Path Flattened(const flx::Contour& c) {
  cl::Path p;
  for (const flx::Pt& q : flx::Flatten(c))
    p.push_back({cl::cInt(std::llround(q.x * 1000.0)), cl::cInt(std::llround(q.y * 1000.0))});
  return p;
}

void BM_ClipperUnionEvenOddPerPath(benchmark::State& state) {
  const std::vector<flx::Node> nodes = GlyphNodes(state);
  if (nodes.empty()) return;
  for (auto _ : state) {
    cl::Paths polygons;
    for (const flx::Node& node : nodes) {
      cl::Paths path;
      for (const flx::Contour& c : node.path.contours) path.push_back(Flattened(c));
      if (path.size() == 1) {
        polygons.push_back(std::move(path[0]));
        if (!cl::Orientation(polygons.back())) cl::ReversePath(polygons.back());
        continue;
      }
      cl::Clipper c;
      c.AddPaths(path, cl::ptSubject, true);
      cl::Paths solved;
      c.Execute(cl::ctUnion, solved, cl::pftEvenOdd, cl::pftEvenOdd);
      polygons.insert(polygons.end(), solved.begin(), solved.end());
    }
    benchmark::DoNotOptimize(NonZeroUnion(polygons).size());
  }
}
BENCHMARK(BM_ClipperUnionEvenOddPerPath)->Unit(benchmark::kMillisecond);

// The plain union of every contour at once, for scale: the same area for
// these outlines (their contours do not overlap), without the per-path rule.
void BM_ClipperOneUnionOfAllContours(benchmark::State& state) {
  const std::vector<flx::Node> nodes = GlyphNodes(state);
  if (nodes.empty()) return;
  for (auto _ : state) {
    cl::Paths polygons;
    for (const flx::Node& node : nodes)
      for (const flx::Contour& c : node.path.contours) polygons.push_back(Flattened(c));
    benchmark::DoNotOptimize(NonZeroUnion(polygons).size());
  }
}
BENCHMARK(BM_ClipperOneUnionOfAllContours)->Unit(benchmark::kMillisecond);

}  // namespace
