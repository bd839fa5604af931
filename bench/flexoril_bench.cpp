// The shape library loaded by name against the polygon clipper it wraps,
// on the same flattened polygons: weld of two groups of 500 glyph-like
// outlines (84,000 points), 999 pairwise welds as the weld command makes
// them, a 1 mm round expand, and a perspective of a group.
// links: tindrel_platform flexoril_core
#include <benchmark/benchmark.h>

#include <clipper.hpp>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/flexoril.h"
#include "outside/flexoril/clip.h"
#include "outside/flexoril/shapes.h"
#include "platform/bytes.h"
#include "platform/gmem.h"
#include "platform/library.h"

namespace {

namespace cl = ClipperLib;
using Bytes = std::vector<std::uint8_t>;

struct Lib {
  Lib() {
    module = plat::LoadLibrary(flexoril::kFileName);
    if (!module) std::abort();
    weld = plat::GetProcAddressAs<flexoril::WeldFn>(module, "dllWeld");
    expand = plat::GetProcAddressAs<flexoril::ExpandFn>(module, "dllExpand");
    doTransform = plat::GetProcAddressAs<flexoril::DoTransformFn>(module, "dllDoTransform");
  }
  plat::HMODULE module;
  flexoril::WeldFn weld;
  flexoril::ExpandFn expand;
  flexoril::DoTransformFn doTransform;
};
const Lib& TheLib() {
  static const Lib lib;
  return lib;
}

// A ring with a wavy rim: an outer of 60 points and a hole of 24, 84 in all.
std::vector<flx::Ring> Glyph(double cx, double cy) {
  flx::Ring outer, hole;
  for (int i = 0; i < 60; ++i) {
    const double a = 2 * M_PI * i / 60, r = 4 + 0.4 * std::sin(5 * a);
    outer.pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  for (int i = 0; i < 24; ++i) {
    const double a = 2 * M_PI * i / 24;
    hole.pts.push_back({cx + 1.5 * std::cos(a), cy + 1.5 * std::sin(a)});
  }
  return {outer, hole};
}

// 500 glyphs in rows of 25, 7 mm apart; the second group half a cell off.
std::vector<std::vector<flx::Ring>> Glyphs(double shift) {
  std::vector<std::vector<flx::Ring>> out;
  for (int i = 0; i < 500; ++i) out.push_back(Glyph(shift + 7.0 * (i % 25), shift + 7.0 * (i / 25)));
  return out;
}

Bytes GroupOf(const std::vector<std::vector<flx::Ring>>& glyphs) {
  std::vector<Bytes> paths;
  for (const auto& g : glyphs) paths.push_back(flx::PathRecord(0, 1, g));
  return flx::GroupRecord(0, paths);
}

plat::HGLOBAL Block(const Bytes& rec) {
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, rec.size() + 9);
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), rec.data(), rec.size());
  g.bytes()[rec.size()] = 255;
  return h;
}

WeldShape ShapeOf(const Bytes& rec) {
  WeldShape s;
  s.length = std::uint32_t(rec.size());
  s.record = Block(rec);
  s.bounds = s.target = FlexRect{0, 0, 200, 200};
  return s;
}

cl::Paths ToPaths(const std::vector<std::vector<flx::Ring>>& glyphs) {
  cl::Paths out;
  for (const auto& g : glyphs)
    for (const flx::Ring& r : g) {
      cl::Path p;
      for (const flx::Pt& q : r.pts) p.push_back({cl::cInt(std::llround(q.x * 1000)), cl::cInt(std::llround(q.y * 1000))});
      out.push_back(p);
    }
  return out;
}

void BM_WeldTwoGroups(benchmark::State& state) {
  const WeldShape a = ShapeOf(GroupOf(Glyphs(0))), b = ShapeOf(GroupOf(Glyphs(3.5)));
  for (auto _ : state) {
    plat::HGLOBAL h = TheLib().weld(&a, &b);
    if (!h) state.SkipWithError("no result");
    plat::GlobalFree(h);
  }
  plat::GlobalFree(a.record);
  plat::GlobalFree(b.record);
}
BENCHMARK(BM_WeldTwoGroups)->Unit(benchmark::kMillisecond);

void BM_ClipperUnionOfTheSamePolygons(benchmark::State& state) {
  const cl::Paths a = ToPaths(Glyphs(0)), b = ToPaths(Glyphs(3.5));
  for (auto _ : state) {
    cl::Clipper c;
    c.AddPaths(a, cl::ptSubject, true);
    c.AddPaths(b, cl::ptClip, true);
    cl::PolyTree tree;
    c.Execute(cl::ctUnion, tree, cl::pftEvenOdd, cl::pftEvenOdd);
    benchmark::DoNotOptimize(tree.Total());
  }
}
BENCHMARK(BM_ClipperUnionOfTheSamePolygons)->Unit(benchmark::kMillisecond);

// The weld command's way: the running result welded with each next outline.
void BM_WeldPairwise999(benchmark::State& state) {
  const auto glyphs = Glyphs(0);
  std::vector<Bytes> records;
  for (int i = 0; i < 1000; ++i) records.push_back(flx::PathRecord(0, 1, glyphs[std::size_t(i % 500)]));
  for (auto _ : state) {
    Bytes acc = records[0];
    for (int i = 1; i < 1000; ++i) {
      WeldShape a = ShapeOf(acc), b = ShapeOf(records[std::size_t(i)]);
      plat::HGLOBAL h = TheLib().weld(&a, &b);
      plat::GlobalFree(a.record);
      plat::GlobalFree(b.record);
      if (!h) continue;
      plat::GlobalLockGuard g(h);
      acc.assign(g.bytes(), g.bytes() + plat::GetU32(g.bytes() + 1));
      plat::GlobalUnlock(h);
      plat::GlobalFree(h);
    }
    benchmark::DoNotOptimize(acc.size());
  }
}
BENCHMARK(BM_WeldPairwise999)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ClipperPairwise999(benchmark::State& state) {
  const auto glyphs = Glyphs(0);
  std::vector<cl::Paths> polys;
  for (int i = 0; i < 1000; ++i) polys.push_back(ToPaths({glyphs[std::size_t(i % 500)]}));
  for (auto _ : state) {
    cl::Paths acc = polys[0];
    for (int i = 1; i < 1000; ++i) {
      cl::Clipper c;
      c.AddPaths(acc, cl::ptSubject, true);
      c.AddPaths(polys[std::size_t(i)], cl::ptClip, true);
      cl::Paths out;
      c.Execute(cl::ctUnion, out, cl::pftEvenOdd, cl::pftEvenOdd);
      acc = std::move(out);
    }
    benchmark::DoNotOptimize(acc.size());
  }
}
BENCHMARK(BM_ClipperPairwise999)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Expand1mmRound(benchmark::State& state) {
  const plat::HGLOBAL in = Block(GroupOf(Glyphs(0)));
  for (auto _ : state) {
    plat::HGLOBAL h = TheLib().expand(in, 1.0, 0, 0, 0, 2);
    if (!h) state.SkipWithError("no result");
    plat::GlobalFree(h);
  }
  plat::GlobalFree(in);
}
BENCHMARK(BM_Expand1mmRound)->Unit(benchmark::kMillisecond);

void BM_ClipperOffset1mmRound(benchmark::State& state) {
  const cl::Paths a = ToPaths(Glyphs(0));
  for (auto _ : state) {
    cl::ClipperOffset co(2.0, 10.0);
    co.AddPaths(a, cl::jtRound, cl::etClosedPolygon);
    cl::PolyTree tree;
    co.Execute(tree, 1000.0);
    benchmark::DoNotOptimize(tree.Total());
  }
}
BENCHMARK(BM_ClipperOffset1mmRound)->Unit(benchmark::kMillisecond);

void BM_PerspectiveOfAGroup(benchmark::State& state) {
  WeldShape a = ShapeOf(GroupOf(Glyphs(0)));
  a.target = FlexRect{-5, -5, 175, 140};
  for (auto _ : state) {
    plat::HGLOBAL h = TheLib().doTransform(1, &a);
    if (!h) state.SkipWithError("no result");
    plat::GlobalFree(h);
  }
  plat::GlobalFree(a.record);
}
BENCHMARK(BM_PerspectiveOfAGroup)->Unit(benchmark::kMillisecond);

}  // namespace
