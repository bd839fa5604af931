// The shape library loaded by name against the polygon clipper it wraps,
// on the same polygons: glyph outlines of AR PL SungtiL GB through the
// platform's outlines, 6 mm high and flattened once before timing. Weld of
// two groups of 500 glyphs, 99 pairwise welds as the weld command makes
// them, a 1 mm round expand of each glyph, and a perspective of a group. The
// clipper does the same work: each path of several contours filled even-odd
// (its own union), the paths together nonzero.
// links: tindrel_platform flexoril_core
#include <benchmark/benchmark.h>

#include <algorithm>
#include <clipper.hpp>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/flexoril.h"
#include "outside/flexoril/clip.h"
#include "outside/flexoril/shapes.h"
#include "platform/bytes.h"
#include "platform/font.h"
#include "platform/gmem.h"
#include "platform/library.h"
#include "platform/tests/native_outline.h"

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

using Glyph = std::vector<flx::Ring>;

// The first 1,000 GB2312 characters from zone 16, each a list of flattened
// contours in millimetres, 6 mm high at the origin (y down).
const std::vector<Glyph>& GlyphShapes() {
  static const std::vector<Glyph> shapes = [] {
    plat::LOGFONT lf;
    lf.lfHeight = -1000;
    lf.lfCharSet = plat::GB2312_CHARSET;
    lf.SetFaceName("AR PL SungtiL GB");
    plat::Font font(lf);
    std::vector<Glyph> out;
    if (font.RealizedFamily() != "AR PL SungtiL GB") return out;
    constexpr double kScale = 0.006;  // font units to millimetres
    for (plat::UINT lead = 0xB0; lead <= 0xF7 && out.size() < 1000; ++lead)
      for (plat::UINT trail = 0xA1; trail <= 0xFE && out.size() < 1000; ++trail) {
        const plat::UINT code = lead << 8 | trail;
        std::vector<plat::NativeContour> contours;
        if (!fonttest::NativeContours(font, code, &contours)) continue;
        auto at = [&](const plat::POINTFX& q) {
          return flx::Pt{plat::FixedToDouble(q.x) * kScale, 6.0 - plat::FixedToDouble(q.y) * kScale};
        };
        Glyph g;
        for (const plat::NativeContour& c : contours) {
          flx::Ring r;
          flx::Pt cur = at(c.start);
          r.pts.push_back(cur);
          for (const plat::NativeCurve& piece : c.curves) {
            const std::size_t k = piece.points.size();
            if (piece.type != plat::TT_PRIM_QSPLINE) {
              for (const plat::POINTFX& q : piece.points) r.pts.push_back(cur = at(q));
              continue;
            }
            // Between two controls the on-curve point is their middle; each
            // piece in equal steps within the library's flatness.
            for (std::size_t i = 0; i + 1 < k; ++i) {
              const flx::Pt ctrl = at(piece.points[i]), next = at(piece.points[i + 1]);
              const flx::Pt end = i + 2 == k ? next : flx::Pt{(ctrl.x + next.x) / 2, (ctrl.y + next.y) / 2};
              const double d = std::hypot(cur.x - 2 * ctrl.x + end.x, cur.y - 2 * ctrl.y + end.y);
              const int steps = std::max(1, int(std::ceil(std::sqrt(d / (4 * flx::kFlatness)))));
              for (int s = 1; s <= steps; ++s) {
                const double t = double(s) / steps, u = 1 - t;
                r.pts.push_back({u * u * cur.x + 2 * u * t * ctrl.x + t * t * end.x,
                                 u * u * cur.y + 2 * u * t * ctrl.y + t * t * end.y});
              }
              cur = end;
            }
          }
          if (r.pts.size() >= 3) g.push_back(std::move(r));
        }
        if (!g.empty()) out.push_back(std::move(g));
      }
    return out;
  }();
  return shapes;
}

Glyph Moved(const Glyph& g, double dx, double dy) {
  Glyph out = g;
  for (flx::Ring& r : out)
    for (flx::Pt& p : r.pts) p = {p.x + dx, p.y + dy};
  return out;
}

// 500 glyphs in rows of 25, 7 mm apart; the second group (the next 500
// characters) half a cell off.
std::vector<Glyph> Glyphs(double shift) {
  const std::vector<Glyph>& shapes = GlyphShapes();
  std::vector<Glyph> out;
  if (shapes.size() < 1000) return out;
  const std::size_t first = shift == 0 ? 0 : 500;
  for (std::size_t i = 0; i < 500; ++i)
    out.push_back(Moved(shapes[first + i], shift + 7.0 * double(i % 25), shift + 7.0 * double(i / 25)));
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

// A glyph's contours on the library's grid, through the single precision of
// the records it reads.
cl::Paths ToPaths(const Glyph& g) {
  cl::Paths out;
  for (const flx::Ring& r : g) {
    cl::Path p;
    for (const flx::Pt& q : r.pts)
      p.push_back({cl::cInt(std::llround(double(float(q.x)) * 1000)), cl::cInt(std::llround(double(float(q.y)) * 1000))});
    out.push_back(std::move(p));
  }
  return out;
}
std::vector<cl::Paths> ToPaths(const std::vector<Glyph>& glyphs) {
  std::vector<cl::Paths> out;
  for (const Glyph& g : glyphs) out.push_back(ToPaths(g));
  return out;
}

// One path's area by the even-odd rule as polygons for the nonzero rule: a
// lone contour turned outwards, several through a union of their own.
void Resolve(const cl::Paths& path, cl::Paths& out) {
  if (path.size() == 1) {
    out.push_back(path[0]);
    if (!cl::Orientation(out.back())) cl::ReversePath(out.back());
    return;
  }
  cl::Clipper c;
  c.AddPaths(path, cl::ptSubject, true);
  cl::Paths solved;
  c.Execute(cl::ctUnion, solved, cl::pftEvenOdd, cl::pftEvenOdd);
  out.insert(out.end(), solved.begin(), solved.end());
}

bool HaveGlyphs(benchmark::State& state) {
  if (GlyphShapes().size() >= 1000) return true;
  state.SkipWithError("AR PL SungtiL GB is not installed");
  return false;
}

void BM_WeldTwoGroups(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
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

// The same rule: each glyph resolved even-odd, then one nonzero union.
void BM_ClipperUnionEvenOddPerPath(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
  const std::vector<cl::Paths> a = ToPaths(Glyphs(0)), b = ToPaths(Glyphs(3.5));
  std::size_t points = 0;
  for (const auto* group : {&a, &b})
    for (const cl::Paths& path : *group)
      for (const cl::Path& p : path) points += p.size();
  for (auto _ : state) {
    cl::Paths subject, clip;
    for (const cl::Paths& path : a) Resolve(path, subject);
    for (const cl::Paths& path : b) Resolve(path, clip);
    cl::Clipper c;
    c.AddPaths(subject, cl::ptSubject, true);
    c.AddPaths(clip, cl::ptClip, true);
    cl::PolyTree tree;
    c.Execute(cl::ctUnion, tree, cl::pftNonZero, cl::pftNonZero);
    benchmark::DoNotOptimize(tree.Total());
  }
  state.counters["points"] = double(points);
}
BENCHMARK(BM_ClipperUnionEvenOddPerPath)->Unit(benchmark::kMillisecond);

// The first 100 glyphs of both groups, by turns.
std::vector<Glyph> Pairs() {
  const std::vector<Glyph> a = Glyphs(0), b = Glyphs(3.5);
  std::vector<Glyph> out;
  for (std::size_t i = 0; i < 50; ++i) {
    out.push_back(a[i]);
    out.push_back(b[i]);
  }
  return out;
}

// The weld command's way: the running result welded with each next outline.
void BM_WeldPairwise99(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
  std::vector<Bytes> records;
  for (const Glyph& g : Pairs()) records.push_back(flx::PathRecord(0, 1, g));
  for (auto _ : state) {
    Bytes acc = records[0];
    for (std::size_t i = 1; i < records.size(); ++i) {
      WeldShape a = ShapeOf(acc), b = ShapeOf(records[i]);
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
BENCHMARK(BM_WeldPairwise99)->Unit(benchmark::kMillisecond);

// Two single paths: both even-odd.
void BM_ClipperPairwise99(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
  const std::vector<cl::Paths> polys = ToPaths(Pairs());
  for (auto _ : state) {
    cl::Paths acc = polys[0];
    for (std::size_t i = 1; i < polys.size(); ++i) {
      cl::Clipper c;
      c.AddPaths(acc, cl::ptSubject, true);
      c.AddPaths(polys[i], cl::ptClip, true);
      cl::Paths out;
      c.Execute(cl::ctUnion, out, cl::pftEvenOdd, cl::pftEvenOdd);
      acc = std::move(out);
    }
    benchmark::DoNotOptimize(acc.size());
  }
}
BENCHMARK(BM_ClipperPairwise99)->Unit(benchmark::kMillisecond);

// Each glyph of a group grown on its own.
void BM_Expand1mmRound(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
  const plat::HGLOBAL in = Block(GroupOf(Glyphs(0)));
  for (auto _ : state) {
    plat::HGLOBAL h = TheLib().expand(in, 1.0, 0, 0, 0, 2);
    if (!h) state.SkipWithError("no result");
    plat::GlobalFree(h);
  }
  plat::GlobalFree(in);
}
BENCHMARK(BM_Expand1mmRound)->Unit(benchmark::kMillisecond);

void BM_ClipperOffset1mmRoundPerPath(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
  const std::vector<cl::Paths> a = ToPaths(Glyphs(0));
  for (auto _ : state) {
    for (const cl::Paths& path : a) {
      cl::Paths resolved;
      Resolve(path, resolved);
      cl::ClipperOffset co(2.0, 10.0);
      co.AddPaths(resolved, cl::jtRound, cl::etClosedPolygon);
      cl::PolyTree tree;
      co.Execute(tree, 1000.0);
      benchmark::DoNotOptimize(tree.Total());
    }
  }
}
BENCHMARK(BM_ClipperOffset1mmRoundPerPath)->Unit(benchmark::kMillisecond);

void BM_PerspectiveOfAGroup(benchmark::State& state) {
  if (!HaveGlyphs(state)) return;
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
