#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "outside/flexoril/clip.h"
#include "outside/flexoril/transforms.h"
#include "outside/tests/records.h"
#include "platform/dc.h"
#include "platform/font.h"
#include "platform/library.h"
#include "platform/tests/block_bytes.h"
#include "platform/tests/native_outline.h"

namespace flxtest {

Measure MeasureResult(plat::HGLOBAL result) {
  Measure m;
  if (!result) return m;
  {
    plat::GlobalLockGuard g(result);
    const std::uint32_t length = plat::GetU32(g.bytes() + 1);
    // The record, 255 after it, zeros to the end of the block.
    EXPECT_EQ(g.size(), length + 9u);
    EXPECT_EQ(g.bytes()[length], 255);
    for (std::size_t i = length + 1; i < g.size(); ++i) EXPECT_EQ(g.bytes()[i], 0) << i;
    const std::optional<flx::Node> node = flx::ReadNode(g.bytes(), length);
    EXPECT_TRUE(node.has_value());
    if (node) {
      m.ok = true;
      m.letter = char(g.bytes()[0]);
      std::vector<const flx::Path*> paths;
      flx::CollectPaths(*node, paths);
      m.paths = int(paths.size());
      if (!paths.empty()) {
        m.colour = paths[0]->colour;
        m.flags = paths[0]->flags;
      }
      for (const flx::Path* p : paths) {
        double sign = 0;
        for (const flx::Contour& c : p->contours) {
          if (!c.closed) {
            ++m.open;
            continue;
          }
          std::vector<flx::Pt> pts{c.start};
          for (const flx::Segment& s : c.segs) {
            EXPECT_FALSE(s.curve);
            pts.push_back(s.to);
          }
          const double a = SignedArea(pts);
          ++m.contours;
          if (sign == 0) sign = a > 0 ? 1 : -1;
          if (a * sign < 0) ++m.holes;
          m.area += a * sign;
        }
      }
    }
  }
  plat::GlobalFree(result);
  return m;
}

std::vector<flx::Pt> Points(const flx::Node& node) {
  std::vector<flx::Pt> out;
  std::vector<const flx::Path*> paths;
  flx::CollectPaths(node, paths);
  for (const flx::Path* p : paths)
    for (const flx::Contour& c : p->contours) {
      out.push_back(c.start);
      for (const flx::Segment& s : c.segs) out.push_back(s.to);
    }
  return out;
}

}  // namespace flxtest

namespace {

using namespace flxtest;
using flexoril::kLButtonDown;
using flexoril::kLButtonUp;
using flexoril::kMkLButton;
using flexoril::kMouseMove;

// The library loaded by name, as the program loads it.
class Flexoril : public ::testing::Test {
 protected:
  void SetUp() override {
    module = plat::LoadLibrary(flexoril::kFileName);
    ASSERT_NE(module, nullptr) << plat::GetLastErrorDetail();
    weld = Get<flexoril::WeldFn>("dllWeld");
    cut = Get<flexoril::WeldFn>("dllWeldCut");
    both = Get<flexoril::WeldFn>("dllWeldAnd");
    xr = Get<flexoril::WeldFn>("dllWeldXor");
    lineCut = Get<flexoril::LineCutFn>("dllLineCut");
    figureCut = Get<flexoril::FigureCutFn>("dllFigureCut");
    selfWeld = Get<flexoril::SelfWeldFn>("dllSelfWeld");
    expand = Get<flexoril::ExpandFn>("dllExpand");
    expandOutLine = Get<flexoril::ExpandFn>("dllExpandOutLine");
    info = Get<flexoril::GetTransformInfoFn>("dllGetTransformInfo");
    init = Get<flexoril::InitTransformSegFn>("dllInitTransformSeg");
    transSeg = Get<flexoril::TransSegDataFn>("dllTFTransSegData");
    mouse = Get<flexoril::DoMouseCmdFn>("dllDoMouseCmd");
    onChar = Get<flexoril::OnCharFn>("dllTFOnChar");
    doTransform = Get<flexoril::DoTransformFn>("dllDoTransform");
    createData = Get<flexoril::CreateDataFn>("dllTFCreateData");
    fromData = Get<flexoril::CreateFromDataFn>("dllTFCreateTransformFromData");
    remove = Get<flexoril::DeleteTransformFn>("dllDeleteTransform");
    globals = Get<flexoril::SetGlobalVarPointerFn>("dllSetGlobalVarPointer");
    matrixOf = Get<flexoril::GetTransformMatrixFn>("dllTFGetTransformMatrix");
    draw = Get<flexoril::DrawTransformFn>("dllDrawTransform");
    globals(nullptr, nullptr, nullptr, nullptr);
    live = plat::GlobalLiveCount();
  }
  void TearDown() override {
    EXPECT_EQ(plat::GlobalLiveCount(), live);  // inputs freed by the tests, results by Measure
    if (module) plat::FreeLibrary(module);
  }
  template <class F>
  F Get(const char* name) {
    F f = plat::GetProcAddressAs<F>(module, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  // The handle's data.
  Bytes Data(std::uint32_t handle) {
    plat::HGLOBAL h = 0;
    const std::uint32_t n = createData(handle, &h);
    return blocktest::TakeBytes(h, n);
  }
  std::vector<flx::Pt> Handles(std::uint32_t handle) {
    const Bytes d = Data(handle);
    std::vector<flx::Pt> out;
    for (std::size_t at = 32; at + 8 <= d.size(); at += 8)
      out.push_back({plat::GetF32(&d[at]), plat::GetF32(&d[at + 4])});
    return out;
  }

  plat::HMODULE module = nullptr;
  std::size_t live = 0;
  flexoril::WeldFn weld{}, cut{}, both{}, xr{};
  flexoril::LineCutFn lineCut{};
  flexoril::FigureCutFn figureCut{};
  flexoril::SelfWeldFn selfWeld{};
  flexoril::ExpandFn expand{}, expandOutLine{};
  flexoril::GetTransformInfoFn info{};
  flexoril::InitTransformSegFn init{};
  flexoril::TransSegDataFn transSeg{};
  flexoril::DoMouseCmdFn mouse{};
  flexoril::OnCharFn onChar{};
  flexoril::DoTransformFn doTransform{};
  flexoril::CreateDataFn createData{};
  flexoril::CreateFromDataFn fromData{};
  flexoril::DeleteTransformFn remove{};
  flexoril::SetGlobalVarPointerFn globals{};
  flexoril::GetTransformMatrixFn matrixOf{};
  flexoril::DrawTransformFn draw{};
};

// A glyph-like outline: a 10 x 10 ring around a 4 x 4 hole, both contours
// drawn the same way round, so only the even-odd rule makes the hole.
std::vector<P> Ring() { return Join(Square(0, 0, 10, 10), Square(3, 3, 7, 7)); }

TEST_F(Flexoril, BooleanOperationsOnSquaresAndRings) {
  struct Case {
    const char* name;
    std::vector<P> a, b;
    int op;  // 0 weld, 1 cut, 2 and, 3 xor
    double area;
    int contours, holes;
  };
  const std::vector<Case> cases = {
      {"weld squares", Square(0, 0, 10, 10), Square(5, 5, 15, 15), 0, 175, 1, 0},
      {"cut squares", Square(0, 0, 10, 10), Square(5, 5, 15, 15), 1, 75, 1, 0},
      {"and squares", Square(0, 0, 10, 10), Square(5, 5, 15, 15), 2, 25, 1, 0},
      {"xor squares", Square(0, 0, 10, 10), Square(5, 5, 15, 15), 3, 150, 2, 0},
      {"weld apart", Square(0, 0, 10, 10), Square(20, 0, 30, 10), 0, 200, 2, 0},
      {"and apart", Square(0, 0, 10, 10), Square(20, 0, 30, 10), 2, 0, 0, 0},
      // The bar crosses the ring and its hole.
      {"weld ring", Ring(), Square(-2, 4, 12, 6), 0, 100, 3, 2},
      {"cut ring", Ring(), Square(-2, 4, 12, 6), 1, 72, 2, 0},
      {"and ring", Ring(), Square(-2, 4, 12, 6), 2, 12, 2, 0},
      {"xor ring", Ring(), Square(-2, 4, 12, 6), 3, 88, -1, 0},  // pieces touch at corners
      // A square inside the hole stays an island after its hole.
      {"weld island", Ring(), Square(4, 4, 6, 6), 0, 88, 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Shape a(PathRec(c.a, 42, 0x104)), b(PathRec(c.b, 9, 0));
    const flexoril::WeldFn fn[] = {weld, cut, both, xr};
    const Measure m = MeasureResult(fn[c.op](&a, &b));
    if (c.contours == 0) {
      EXPECT_FALSE(m.ok);
      continue;
    }
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.letter, '#');
    EXPECT_NEAR(m.area, c.area, 1e-3);
    if (c.contours > 0) {
      EXPECT_EQ(m.contours, c.contours);
      EXPECT_EQ(m.holes, c.holes);
    }
    EXPECT_EQ(m.colour, 42u);  // the first operand's colour and flags
    EXPECT_EQ(m.flags, 0x104);
  }
}

TEST_F(Flexoril, ResultContoursAreStraightOutersBeforeHoles) {
  Shape a(PathRec(Ring())), b(PathRec(Square(20, 20, 21, 21)));
  plat::HGLOBAL h = weld(&a, &b);
  ASSERT_NE(h, 0u);
  {
    plat::GlobalLockGuard g(h);
    const std::uint8_t* r = g.bytes();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(plat::GetF32(r + 24 + 4 * i), (i % 4 == 0) ? 1.0f : 0.0f);
    const std::uint32_t n = plat::GetU32(r + 64);
    std::vector<std::uint8_t> flags;
    for (std::uint32_t i = 0; i < n; ++i) flags.push_back(r[68 + 9 * i + 8]);
    // Three contours: each 0x11, 0x01..., 0x41; the end record last.
    int starts = 0;
    for (std::size_t i = 0; i + 1 < flags.size(); ++i) {
      if (flags[i] == 0x11) ++starts;
      EXPECT_TRUE(flags[i] == 0x11 || flags[i] == 0x01 || flags[i] == 0x41) << int(flags[i]);
    }
    EXPECT_EQ(starts, 3);
    EXPECT_EQ(flags.back(), 0xFF);
  }
  {
    // The ring's hole follows the ring's outer.
    plat::GlobalLockGuard g(h);
    const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
    std::vector<double> areas;
    for (const flx::Contour& c : node->path.contours) {
      std::vector<flx::Pt> pts{c.start};
      for (const flx::Segment& s : c.segs) pts.push_back(s.to);
      areas.push_back(std::fabs(SignedArea(pts)));
    }
    ASSERT_EQ(areas.size(), 3u);
    const auto hole = std::find_if(areas.begin(), areas.end(), [](double a) { return std::fabs(a - 16) < 1e-6; });
    ASSERT_NE(hole, areas.end());
    ASSERT_NE(hole, areas.begin());
    EXPECT_NEAR(*(hole - 1), 100, 1e-6);
  }
  const Measure m = MeasureResult(h);
  EXPECT_NEAR(m.area, 84 + 1, 1e-3);
}

TEST_F(Flexoril, OpenContoursAreClippedByAndAndCutAndKeptByWeldAndXor) {
  // A square and an open line through it and beyond.
  const std::vector<P> a = Join(Square(0, 0, 10, 10), {{-5, 5, 0x11}, {15, 5, 0x21}});
  Shape sa(PathRec(a)), sb(PathRec(Square(5, -1, 20, 11)));
  auto openLength = [](plat::HGLOBAL h) {
    double len = 0;
    {
      plat::GlobalLockGuard g(h);
      const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
      std::vector<const flx::Path*> paths;
      flx::CollectPaths(*node, paths);
      for (const flx::Path* p : paths)
        for (const flx::Contour& c : p->contours) {
          if (c.closed) continue;
          flx::Pt from = c.start;
          for (const flx::Segment& s : c.segs) {
            len += std::hypot(s.to.x - from.x, s.to.y - from.y);
            from = s.to;
          }
        }
    }
    return len;
  };
  struct Row {
    flexoril::WeldFn fn;
    double open;
    double area;
  };
  for (const Row& row : {Row{weld, 20, 230}, Row{xr, 20, 180}, Row{both, 10, 50}, Row{cut, 10, 50}}) {
    plat::HGLOBAL h = row.fn(&sa, &sb);
    ASSERT_NE(h, 0u);
    EXPECT_NEAR(openLength(h), row.open, 1e-3);
    const Measure m = MeasureResult(h);
    EXPECT_EQ(m.open, 1);
    EXPECT_NEAR(m.area, row.area, 1e-3);
  }
  // The second operand's open contours take no part.
  Shape line(PathRec({{-5, 5, 0x11}, {15, 5, 0x21}}));
  const Measure m = MeasureResult(weld(&sb, &line));
  EXPECT_EQ(m.open, 0);
  EXPECT_NEAR(m.area, 15 * 12, 1e-3);
}

TEST_F(Flexoril, CurvesAreFlattenedWithinAHundredthOfAMillimetre) {
  // A circle of radius 10 from four cubic quarters.
  const float k = 10 * 0.5522847f;
  const std::vector<P> circle = {{10, 0, 0x11},  {10, k, 0},  {k, 10, 0},   {0, 10, 0x01},  {-k, 10, 0},
                                 {-10, k, 0},    {-10, 0, 1}, {-10, -k, 0}, {-k, -10, 0},   {0, -10, 1},
                                 {k, -10, 0},    {10, -k, 0}, {10, 0, 0x41}};
  Shape a(PathRec(circle)), b(PathRec(Square(100, 100, 101, 101)));
  const Measure m = MeasureResult(weld(&a, &b));
  EXPECT_NEAR(m.area, M_PI * 100 + 1, 0.5);  // chords lose at most 0.01 mm along the rim
  EXPECT_GT(m.area, M_PI * 100 + 1 - 2 * M_PI * 10 * 0.011);
}

TEST_F(Flexoril, GroupsAreTheUnionOfTheirPathsThroughTheirMatrices) {
  // Two squares, the second moved by its own matrix and the group's.
  const float move[6] = {1, 0, 0, 1, 5, 0};
  const float scale[6] = {2, 0, 0, 2, 0, 0};
  Shape a(GroupRec({PathRec(Square(0, 0, 10, 10)), PathRec(Square(0, 0, 10, 10), 7, 0, move)}, scale));
  Shape b(PathRec(Square(1000, 1000, 1001, 1001)));
  const Measure m = MeasureResult(weld(&a, &b));
  EXPECT_NEAR(m.area, 20 * 30 + 1, 1e-3);
  EXPECT_EQ(m.contours, 2);
}

TEST_F(Flexoril, LineCutGivesBothSidesFirstTheNormalsSide) {
  Shape a(PathRec(Square(0, 0, 10, 10)));
  // Downwards line at x = 3: (-dy, dx) points to +x.
  plat::HGLOBAL h = lineCut(&a, 3, 20, 3, -20);
  ASSERT_NE(h, 0u);
  {
    plat::GlobalLockGuard g(h);
    EXPECT_EQ(g.bytes()[0], ')');
    const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
    ASSERT_TRUE(node && node->group && node->children.size() == 2);
    for (const flx::Pt& p : Points(node->children[0])) EXPECT_GE(p.x, 3.0 - 1e-6);
    for (const flx::Pt& p : Points(node->children[1])) EXPECT_LE(p.x, 3.0 + 1e-6);
  }
  const Measure m = MeasureResult(h);
  EXPECT_EQ(m.paths, 2);
  EXPECT_NEAR(m.area, 70 + 30, 1e-3);
  // No second side, or no line: nothing.
  EXPECT_EQ(lineCut(&a, 20, 0, 20, 10), 0u);
  EXPECT_EQ(lineCut(&a, 3, 3, 3, 3), 0u);
  EXPECT_EQ(lineCut(&a, NAN, 3, 3, 5), 0u);
}

TEST_F(Flexoril, FigureCutModes) {
  Shape a(GroupRec({PathRec(Square(0, 0, 10, 10), 1), PathRec(Square(20, 0, 30, 10), 2)}));
  Shape b(PathRec(Square(5, -5, 25, 5)));
  struct Row {
    std::uint32_t mode;
    int paths;
    double area;
  };
  for (const Row& row : {Row{0, 2, 150}, Row{1, 4, 200}}) {
    SCOPED_TRACE(row.mode);
    const Measure m = MeasureResult(figureCut(&a, &b, row.mode));
    EXPECT_EQ(m.letter, ')');
    EXPECT_EQ(m.paths, row.paths);
    EXPECT_NEAR(m.area, row.area, 1e-3);
  }
  // Each piece keeps its own path's colour: inside then outside.
  plat::HGLOBAL h = figureCut(&a, &b, 1);
  {
    plat::GlobalLockGuard g(h);
    const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
    ASSERT_EQ(node->children.size(), 4u);
    EXPECT_EQ(node->children[0].path.colour, 1u);
    EXPECT_EQ(node->children[3].path.colour, 2u);
  }
  MeasureResult(h);
  // A cutter covering everything leaves nothing in mode 0.
  Shape all(PathRec(Square(-100, -100, 100, 100)));
  EXPECT_EQ(figureCut(&a, &all, 0), 0u);
}

TEST_F(Flexoril, SelfWeldUnitesByTheNonzeroRule) {
  // Two overlapping squares drawn the same way round, and an open line, dropped.
  Shape a(PathRec(Join(Join(Square(0, 0, 10, 10), Square(5, 5, 15, 15)), {{0, 20, 0x11}, {5, 20, 0x21}}), 3));
  const Measure m = MeasureResult(selfWeld(&a));
  EXPECT_EQ(m.letter, '#');
  EXPECT_NEAR(m.area, 175, 1e-3);
  EXPECT_EQ(m.open, 0);
  EXPECT_EQ(m.colour, 3u);
  // The ring's hole runs the same way: nonzero fills it.
  Shape ring(PathRec(Ring()));
  EXPECT_NEAR(MeasureResult(selfWeld(&ring)).area, 100, 1e-3);
}

TEST_F(Flexoril, ExpandPerCornerModeAndOpenEnds) {
  const Bytes square = PathRec(Square(0, 0, 10, 10));
  struct Row {
    const char* name;
    Bytes rec;
    double size;
    std::int32_t mode;
    double area, tolerance;
  };
  const double chamfer = 4 * (std::sqrt(2.0) - 1) * (std::sqrt(2.0) - 1);
  const std::vector<Row> rows = {
      {"miter", square, 1, 0, 144, 1e-3},
      {"square", square, 1, 1, 144 - chamfer, 1e-2},
      {"round", square, 1, 2, 140 + M_PI, 0.06},  // chords within 0.01 mm
      {"other mode is square", square, 1, 7, 144 - chamfer, 1e-2},
      {"shrink", square, -1, 0, 64, 1e-3},
      {"line butt", PathRec({{0, 0, 0x11}, {10, 0, 0x21}}), 1, 0, 20, 1e-3},
      {"line square", PathRec({{0, 0, 0x11}, {10, 0, 0x21}}), 1, 1, 24, 1e-3},
      {"line round", PathRec({{0, 0, 0x11}, {10, 0, 0x21}}), 1, 2, 20 + M_PI, 0.06},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    plat::HGLOBAL in = Block(row.rec);
    const Measure m = MeasureResult(expand(in, row.size, 120, 50, 1e-10, row.mode));
    plat::GlobalFree(in);
    EXPECT_EQ(m.letter, ')');
    EXPECT_EQ(m.paths, 1);
    EXPECT_NEAR(m.area, row.area, row.tolerance);
  }
  // A sharp corner: the limit in degrees bounds the miter.
  // The tip needs 1/sin 9.5° ~ 6.1 times the size.
  plat::HGLOBAL spike = Block(PathRec({{0, 0, 0x11}, {30, 5, 1}, {0, 10, 1}, {0, 0, 0x41}}));
  const double wide = MeasureResult(expand(spike, 1, 0, 10, 0, 0)).area;    // limit 1/sin 5° ~ 11.5
  const double narrow = MeasureResult(expand(spike, 1, 0, 180, 0, 0)).area;  // limit 2
  EXPECT_GT(wide, narrow + 1);
  plat::GlobalFree(spike);
  // Too large or not a number: nothing.
  plat::HGLOBAL in = Block(square);
  EXPECT_EQ(expand(in, 1001, 0, 0, 0, 0), 0u);
  EXPECT_EQ(expand(in, NAN, 0, 0, 0, 0), 0u);
  EXPECT_NE(MeasureResult(expand(in, 1000, 0, 0, 0, 1)).paths, 0);
  plat::GlobalFree(in);
}

TEST_F(Flexoril, ExpandEachPathAloneOrTheUnionAsOne) {
  plat::HGLOBAL in = Block(GroupRec({PathRec(Square(0, 0, 10, 10)), PathRec(Square(5, 0, 15, 10))}));
  const Measure alone = MeasureResult(expand(in, 1, 0, 0, 0, 0));
  const Measure one = MeasureResult(expandOutLine(in, 1, 0, 0, 0, 0));
  EXPECT_EQ(alone.paths, 2);
  EXPECT_NEAR(alone.area, 2 * 144, 1e-3);
  EXPECT_EQ(one.paths, 1);
  EXPECT_NEAR(one.area, 17 * 12, 1e-3);
  // Shrinking the union is not shrinking each alone.
  const Measure shrunk = MeasureResult(expandOutLine(in, -1, 0, 0, 0, 0));
  EXPECT_NEAR(shrunk.area, 13 * 8, 1e-3);
  plat::GlobalFree(in);
}

TEST_F(Flexoril, MalformedInputsGiveNothing) {
  const Bytes good = PathRec(Square(0, 0, 10, 10));
  auto with = [&](std::size_t at, std::uint8_t v) {
    Bytes b = good;
    b[at] = v;
    return b;
  };
  auto pointAt = [&](float x) {
    Bytes b = good;
    plat::PutF32(&b[68 + 9], x);
    return b;
  };
  Bytes deep = PathRec(Square(0, 0, 1, 1));
  for (int i = 0; i < 65; ++i) deep = GroupRec({deep});
  Bytes deepest = PathRec(Square(0, 0, 1, 1));
  for (int i = 0; i < 64; ++i) deepest = GroupRec({deepest});
  Bytes countTooBig = good;
  plat::PutU32(&countTooBig[64], 1000);
  Bytes foreign = good;
  foreign[0] = '$';
  Bytes badMatrix = good;
  plat::PutF32(&badMatrix[24], INFINITY);
  struct Row {
    const char* name;
    Bytes rec;
    bool ok;
  };
  const std::vector<Row> rows = {
      {"good", good, true},
      {"letter", foreign, false},
      {"end byte", with(good.size() - 1, 0), false},
      {"count", countTooBig, false},
      {"nan point", pointAt(NAN), false},
      {"far point", pointAt(2.0e6f), false},
      {"matrix", badMatrix, false},
      {"groups 64 deep", deepest, true},
      {"groups 65 deep", deep, false},
      {"group list end", [] {
         Bytes g = GroupRec({PathRec(Square(0, 0, 1, 1))});
         g[g.size() - 2] = 0;
         return g;
       }(),
       false},
  };
  Shape other(PathRec(Square(5, 5, 15, 15)));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Shape a(row.rec);
    const plat::HGLOBAL h = weld(&a, &other);
    EXPECT_EQ(h != 0, row.ok);
    MeasureResult(h);
    MeasureResult(weld(&other, &a));
  }
  // The block's length must be the record's.
  Shape a(good);
  a.block.length -= 1;
  EXPECT_EQ(weld(&a, &other), 0u);
  a.block.length = 1u << 30;
  EXPECT_EQ(weld(&a, &other), 0u);
  a.block.length = std::uint32_t(good.size());
  EXPECT_EQ(weld(nullptr, &other), 0u);
  WeldShape none{};
  EXPECT_EQ(weld(&a, &none), 0u);
  EXPECT_EQ(selfWeld(nullptr), 0u);
  EXPECT_EQ(expand(0, 1, 0, 0, 0, 0), 0u);
}

TEST_F(Flexoril, SameInputSameBytesAndInputsUntouched) {
  const Bytes ra = PathRec(Ring()), rb = PathRec(Square(-2, 4, 12, 6));
  Shape a(ra), b(rb);
  auto bytes = [](plat::HGLOBAL h) {
    Bytes out;
    {
      plat::GlobalLockGuard g(h);
      out.assign(g.bytes(), g.bytes() + g.size());
    }
    plat::GlobalFree(h);
    return out;
  };
  const Bytes first = bytes(xr(&a, &b));
  EXPECT_EQ(bytes(xr(&a, &b)), first);
  plat::GlobalLockGuard g(a.block.record);
  EXPECT_EQ(Bytes(g.bytes(), g.bytes() + ra.size()), ra);
  EXPECT_EQ(plat::GlobalLockCount(a.block.record), 1u);  // ours only
}

// Glyph outlines of the Chinese face as path records in millimetres, 6 mm
// high in cells of 7 mm, 10 to a row from (x, y); its quadratic pieces raised
// to cubic ones. Empty when the face is missing.
std::vector<Bytes> GlyphPaths(int count, float x, float y) {
  plat::LOGFONT lf;
  lf.lfHeight = -1000;
  lf.lfCharSet = plat::GB2312_CHARSET;
  lf.SetFaceName("AR PL SungtiL GB");
  plat::Font font(lf);
  if (font.RealizedFamily() != "AR PL SungtiL GB") return {};
  std::vector<Bytes> out;
  for (plat::UINT code = 0xB0A1; int(out.size()) < count && code < 0xB0FF; ++code) {
    std::vector<plat::NativeContour> contours;
    if (!fonttest::NativeContours(font, code, &contours)) continue;
    const float ox = x + 7.0f * float(out.size() % 10), oy = y + 7.0f * float(out.size() / 10);
    auto at = [&](const plat::POINTFX& q) {
      return P{ox + float(plat::FixedToDouble(q.x)) * 0.006f, oy + 6.0f - float(plat::FixedToDouble(q.y)) * 0.006f, 1};
    };
    std::vector<P> pts;
    for (const plat::NativeContour& c : contours) {
      P cur = at(c.start);
      cur.f = 0x11;
      pts.push_back(cur);
      for (const plat::NativeCurve& piece : c.curves) {
        const std::size_t k = piece.points.size();
        for (std::size_t i = 0; i < k; ++i) {
          P next = at(piece.points[i]);
          if (piece.type == plat::TT_PRIM_QSPLINE && i + 1 < k) {
            const P after = at(piece.points[i + 1]);
            const P end = i + 2 == k ? after : P{(next.x + after.x) / 2, (next.y + after.y) / 2, 1};
            pts.push_back({cur.x + (next.x - cur.x) * 2 / 3, cur.y + (next.y - cur.y) * 2 / 3, 0});
            pts.push_back({end.x + (next.x - end.x) * 2 / 3, end.y + (next.y - end.y) * 2 / 3, 0});
            pts.push_back(end);
            cur = end;
            if (i + 2 == k) ++i;
            continue;
          }
          pts.push_back(next);
          cur = next;
        }
      }
      pts.back().f |= 0x40;
    }
    out.push_back(PathRec(pts));
  }
  return out;
}

// Paths of several contours that neither cross nor touch are oriented by
// their nesting instead of being unioned alone: every operation that takes
// several paths gives the same bytes as when each path is unioned alone.
TEST(FlexorilResolve, DisjointContoursGiveWhatAUnionOfTheirOwnGives) {
  using flx::Resolve;
  const std::vector<Bytes> glyphsA = GlyphPaths(30, 0, 0), glyphsB = GlyphPaths(30, 3.5f, 3.5f);
  if (glyphsA.empty()) GTEST_SKIP() << "AR PL SungtiL GB is not installed";
  auto path = [](std::vector<std::vector<P>> contours) {
    std::vector<P> pts;
    for (const auto& c : contours) pts.insert(pts.end(), c.begin(), c.end());
    return PathRec(pts);
  };
  auto tri = [](float x0, float y0, float x1, float y1, float x2, float y2) {
    return std::vector<P>{{x0, y0, 0x11}, {x1, y1, 1}, {x2, y2, 0x41}};
  };
  const std::vector<P> eight{{0, 0, 0x11}, {10, 10, 1}, {10, 0, 1}, {0, 10, 0x41}};
  struct Case {
    const char* what;
    std::vector<Bytes> a, b;
  };
  const std::vector<Case> cases{
      {"glyph groups", glyphsA, glyphsB},
      {"nested: outer, hole, island, a triangle beside",
       {path({Square(0, 0, 20, 20), Square(2, 2, 18, 18), Square(5, 5, 15, 15), tri(30, 0, 40, 0, 35, 8)}),
        PathRec(Square(10, -5, 35, 3))},
       {PathRec(Square(-3, 8, 50, 12))}},
      {"crossing squares", {path({Square(0, 0, 10, 10), Square(5, 5, 15, 15)}), PathRec(Square(20, 0, 25, 5))},
       {PathRec(Square(8, -2, 22, 4))}},
      {"squares sharing a side", {path({Square(0, 0, 10, 10), Square(10, 0, 20, 10)}), PathRec(Square(30, 0, 31, 1))},
       {PathRec(Square(5, 5, 25, 6))}},
      {"squares sharing a corner", {path({Square(0, 0, 10, 10), Square(10, 10, 20, 20)}), PathRec(Square(30, 0, 31, 1))},
       {PathRec(Square(5, 5, 15, 15))}},
      {"a hole touching its outer", {path({Square(0, 0, 10, 10), tri(0, 0, 5, 2, 2, 5)}), PathRec(Square(30, 0, 31, 1))},
       {PathRec(Square(1, 1, 3, 3))}},
      {"a figure eight", {path({eight, Square(20, 0, 30, 10)}), PathRec(Square(40, 0, 41, 1))},
       {PathRec(Square(2, 4, 25, 6))}},
      {"a contour folding back on itself",
       {path({{{0, 0, 0x11}, {10, 0, 1}, {10, 10, 1}, {10, 5, 1}, {0, 10, 0x41}}, Square(20, 0, 30, 10)}),
        PathRec(Square(40, 0, 41, 1))},
       {PathRec(Square(2, 4, 25, 6))}},
  };
  auto node = [](const std::vector<Bytes>& paths) {
    const Bytes rec = paths.size() == 1 ? paths[0] : GroupRec(paths);
    return *flx::ReadNode(rec.data(), rec.size());
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const flx::Node a = node(c.a), b = node(c.b);
    for (flx::BoolOp op : {flx::BoolOp::Union, flx::BoolOp::Difference, flx::BoolOp::Intersection, flx::BoolOp::Xor}) {
      const Bytes want = flx::Weld(a, b, op, Resolve::EveryPath);
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(flx::Weld(a, b, op), want) << int(op);
    }
    EXPECT_EQ(flx::LineCut(a, 4, -100, 6, 100), flx::LineCut(a, 4, -100, 6, 100, Resolve::EveryPath));
    for (bool asOne : {false, true})
      EXPECT_EQ(flx::Expand(a, 0.5, 0, 2, asOne), flx::Expand(a, 0.5, 0, 2, asOne, Resolve::EveryPath)) << asOne;
  }
}

// --- Transforms --------------------------------------------------------------------

TEST(FlexorilTransforms, EachTransformAtChosenPoints) {
  const FlexRect r{0, 0, 100, 100};
  struct Row {
    std::uint16_t number;
    flx::Pt in, out;
  };
  const std::vector<Row> rows = {
      {flx::kPerspective, {0, 0}, {25, 0}},
      {flx::kPerspective, {100, 0}, {75, 0}},
      {flx::kPerspective, {100, 100}, {100, 100}},
      {flx::kPerspective, {50, 50}, {50, 100.0 / 3}},  // where the diagonals cross
      {flx::kEnvelope, {100, 0}, {100, 25}},
      {flx::kEnvelope, {100, 50}, {100, 50}},
      {flx::kEnvelope, {50, 0}, {50, 12.5}},
      {flx::kCurvedEnvelope, {0, 0}, {0, 0}},
      {flx::kCurvedEnvelope, {50, 0}, {50, -18.75}},
      {flx::kCurvedEnvelope, {50, 100}, {50, 100 - 18.75}},
      {flx::kCurvedEnvelope, {0, 50}, {0, 50}},
      {flx::kArch, {50, 0}, {50, -25}},
      {flx::kArch, {50, 50}, {50, 50 - 12.5}},
      {flx::kArch, {50, 100}, {50, 100}},
      {flx::kArch, {0, 0}, {0, 0}},
      {flx::kBulge, {50, 0}, {50, -25}},
      {flx::kBulge, {50, 50}, {50, 50}},
      {flx::kBulge, {50, 100}, {50, 125}},
      {flx::kBulge, {0, 0}, {0, 0}},
      {flx::kWave, {25, 0}, {25, -12.5}},
      {flx::kWave, {75, 40}, {75, 52.5}},
      {flx::kWave, {50, 0}, {50, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(flx::TransformName(row.number)) + " " + std::to_string(row.in.x) + "," +
                 std::to_string(row.in.y));
    const flx::Transform t = flx::Transform::Default(row.number, r);
    const flx::Pt p = t.Map(row.in);
    EXPECT_NEAR(p.x, row.out.x, 1e-4);
    EXPECT_NEAR(p.y, row.out.y, 1e-4);
  }
  // A flat rectangle maps without dividing by zero.
  const flx::Transform flat = flx::Transform::Default(flx::kBulge, FlexRect{0, 5, 100, 5});
  EXPECT_TRUE(std::isfinite(flat.Map({50, 5}).y));
}

TEST(FlexorilTransforms, PerspectiveRefusesAConcaveQuad) {
  flx::Transform t = flx::Transform::Default(flx::kPerspective, FlexRect{0, 0, 100, 100});
  EXPECT_FALSE(t.MoveHandle(0, {80, 80}));
  EXPECT_EQ(t.handles[0].x, 25);
  EXPECT_TRUE(t.MoveHandle(0, {-10, -10}));
  EXPECT_EQ(t.handles[0].x, -10);
  // The one-handle transforms move their handle up and down only.
  flx::Transform arch = flx::Transform::Default(flx::kArch, FlexRect{0, 0, 100, 100});
  EXPECT_TRUE(arch.MoveHandle(0, {10, -40}));
  EXPECT_EQ(arch.handles[0].x, 50);
  EXPECT_EQ(arch.handles[0].y, -40);
}

TEST_F(Flexoril, DoTransformMapsWithinToleranceAndKeepsTheLetter) {
  const std::uint32_t h = init(flx::kWave, FlexRect{0, 0, 100, 100});
  ASSERT_GE(h, flexoril::kFirstHandle);
  // A straight line along the top: the wave bends it, so it is divided.
  Shape line(PathRec({{0, 0, 0x11}, {100, 0, 0x21}}, 5, 0x100));
  plat::HGLOBAL out = doTransform(h, &line);
  ASSERT_NE(out, 0u);
  {
    plat::GlobalLockGuard g(out);
    EXPECT_EQ(g.bytes()[0], '#');
    const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->path.colour, 5u);
    EXPECT_EQ(node->path.flags, 0x100);
    const std::vector<flx::Pt> pts = Points(*node);
    EXPECT_GT(pts.size(), 20u);
    // Every piece's midpoint lies within 0.02 mm of the true curve.
    const flx::Transform t = flx::Transform::Default(flx::kWave, FlexRect{0, 0, 100, 100});
    for (std::size_t i = 1; i < pts.size(); ++i) {
      const double x = (pts[i - 1].x + pts[i].x) / 2;
      EXPECT_NEAR((pts[i - 1].y + pts[i].y) / 2, t.Map({x, 0}).y, 0.021);
    }
  }
  MeasureResult(out);
  // A group stays a group; numbers 1..6 are the default shaping on the target.
  Shape group(GroupRec({PathRec(Square(0, 0, 100, 100))}));
  group.block.target = FlexRect{0, 0, 100, 100};
  plat::HGLOBAL viaNumber = doTransform(flx::kPerspective, &group);
  ASSERT_NE(viaNumber, 0u);
  {
    plat::GlobalLockGuard g(viaNumber);
    EXPECT_EQ(g.bytes()[0], ')');
    const auto node = flx::ReadNode(g.bytes(), plat::GetU32(g.bytes() + 1));
    const std::vector<flx::Pt> pts = Points(*node);
    ASSERT_EQ(pts.size(), 5u);  // straight lines stay straight under a perspective
    EXPECT_EQ(pts[0].x, 25);
    EXPECT_EQ(pts[1].x, 75);
  }
  MeasureResult(viaNumber);
  EXPECT_EQ(doTransform(0x7FFFFFFF, &group), 0u);
  EXPECT_EQ(doTransform(7, &group), 0u);
  remove(h);
}

TEST_F(Flexoril, DataRoundTripsAndHandlesAreNeverReused) {
  const std::uint32_t a = init(flx::kCurvedEnvelope, FlexRect{1, 2, 30, 40});
  const Bytes data = Data(a);
  ASSERT_EQ(data.size(), 32u + 8 * 12);
  EXPECT_EQ(plat::GetU32(&data[0]), data.size());
  EXPECT_EQ(std::memcmp(&data[4], "FLXT", 4), 0);
  EXPECT_EQ(plat::GetU16(&data[10]), flx::kCurvedEnvelope);
  const std::uint32_t b = fromData(data.data());
  EXPECT_GT(b, a);
  EXPECT_EQ(Data(b), data);
  remove(a);
  remove(b);
  const std::uint32_t c = init(flx::kArch, FlexRect{0, 0, 1, 1});
  EXPECT_GT(c, b);
  EXPECT_EQ(Data(a), Bytes{});
  // Every field is checked.
  for (std::size_t at : {0u, 4u, 8u, 10u, 28u}) {
    Bytes bad = data;
    bad[at] ^= 0x40;
    EXPECT_EQ(fromData(bad.data()), 0u) << at;
  }
  Bytes nan = data;
  plat::PutF32(&nan[40], NAN);
  EXPECT_EQ(fromData(nan.data()), 0u);
  EXPECT_EQ(fromData(nullptr), 0u);
  EXPECT_EQ(init(0, FlexRect{}), 0u);
  EXPECT_EQ(init(7, FlexRect{}), 0u);
  EXPECT_EQ(init(1, FlexRect{0, 0, INFINITY, 1}), 0u);
  remove(c);
}

TEST_F(Flexoril, MouseProtocolMovesHandles) {
  const std::uint32_t h = init(flx::kPerspective, FlexRect{0, 0, 100, 100});
  FlexMatrix pending;  // kept by pointer: later changes count
  transSeg(h, &pending);
  // No view matrix: 1 mm catches.
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 40, 40), 0u);
  EXPECT_EQ(mouse(h, kLButtonUp, 0, 40, 40), 0u);
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 75.5f, 0.5f), 2u);
  EXPECT_EQ(mouse(h, kMouseMove, 0, 90, -10), 0u);  // button not held
  EXPECT_EQ(mouse(h, kMouseMove, kMkLButton, 90, -10), 1u);
  EXPECT_EQ(mouse(h, kLButtonUp, 0, 90, -10), 1u);
  EXPECT_EQ(Handles(h)[1].x, 90);
  EXPECT_EQ(Handles(h)[1].y, -10);
  // A concave move is refused; the button-up then reports no change.
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 90, -10), 2u);
  EXPECT_EQ(mouse(h, kMouseMove, kMkLButton, 10, 90), 1u);
  EXPECT_EQ(mouse(h, kLButtonUp, 0, 10, 90), 0u);
  EXPECT_EQ(Handles(h)[1].x, 90);
  // Through the pending matrix: handles are found on the page, moved in source space.
  pending.m20 = 100;
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 125, 0), 1u);
  EXPECT_EQ(mouse(h, kMouseMove, kMkLButton, 120, -5), 1u);
  EXPECT_EQ(mouse(h, kLButtonUp, 0, 120, -5), 1u);
  EXPECT_EQ(Handles(h)[0].x, 20);
  EXPECT_EQ(Handles(h)[0].y, -5);
  // 3 pixels of a view of 10 pixels per mm: 0.3 mm.
  FlexMatrix view;
  view.m00 = view.m11 = 10;
  globals(nullptr, &view, nullptr, nullptr);
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 120.5f, -5), 0u);
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 120.25f, -5), 1u);
  mouse(h, kLButtonUp, 0, 0, 0);
  globals(nullptr, nullptr, nullptr, nullptr);
  // Other messages and keys; 'r' resets.
  EXPECT_EQ(mouse(h, 0x204, 0, 0, 0), 0u);
  EXPECT_EQ(onChar(h, 'x', 0), 0u);
  EXPECT_EQ(onChar(h, 'r', 0), 1u);
  EXPECT_EQ(Handles(h)[0].x, 25);
  FlexMatrix got;
  matrixOf(h, &got);
  EXPECT_EQ(got.m20, 100);
  remove(h);
  EXPECT_EQ(mouse(h, kLButtonDown, kMkLButton, 25, 0), 0u);
}

TEST_F(Flexoril, InfoNamesAndPictures) {
  EXPECT_EQ(info(0, nullptr, nullptr), 6u);
  EXPECT_EQ(info(0xABCD0000u, nullptr, nullptr), 6u);  // high bits ignored
  const char* names[] = {"Perspective", "Envelope", "Curved Envelope", "Arch", "Bulge", "Wave"};
  for (std::uint32_t i = 1; i <= 6; ++i) {
    char name[40];
    std::memset(name, 'x', sizeof name);
    plat::HBITMAP bmp = nullptr;
    EXPECT_EQ(info(i, name, &bmp), 1u);
    EXPECT_STREQ(name, names[i - 1]);
    ASSERT_NE(bmp, nullptr);
    plat::BITMAP bm{};
    ASSERT_TRUE(plat::GetBitmapInfo(bmp, &bm));
    EXPECT_EQ(bm.bmWidth, 60);
    EXPECT_EQ(bm.bmHeight, 60);
    // Red ground, black grid lines.
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    plat::HBITMAP old = dc->SelectObject(bmp);
    EXPECT_EQ(dc->GetPixel(1, 1), 0x0000FFu);
    int black = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) black += dc->GetPixel(x, y) == 0;
    EXPECT_GT(black, 150);
    dc->SelectObject(old);
    plat::DeleteDC(dc);
    plat::DeleteObject(bmp);
  }
  EXPECT_EQ(info(7, nullptr, nullptr), 0u);
}

TEST_F(Flexoril, DrawsTheFrameAndHandleSquares) {
  const std::uint32_t h = init(flx::kArch, FlexRect{0, 0, 40, 40});
  plat::HBITMAP bmp = plat::CreateBitmap(100, 100, 1, 32, nullptr);
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HBITMAP old = dc->SelectObject(bmp);
  dc->SelectStockObject(plat::WHITE_PEN);
  FlexMatrix m;
  m.m20 = m.m21 = 30;
  draw(dc, h, &m);
  // The handle square around (50, 20) and the bottom edge of the frame.
  EXPECT_NE(dc->GetPixel(47, 22), 0u);
  EXPECT_NE(dc->GetPixel(53, 18), 0u);
  EXPECT_EQ(dc->GetPixel(50, 50), 0u);
  EXPECT_NE(dc->GetPixel(50, 70), 0u);
  dc->SelectObject(old);
  plat::DeleteDC(dc);
  plat::DeleteObject(bmp);
  remove(h);
}

// Every byte of each input block, set to values that stress the reader.
TEST_F(Flexoril, EveryMutatedInputByteIsSafe) {
  const float k = 0.55f;
  const Bytes path = PathRec({{0, 0, 0x11}, {k, 0, 0}, {1, 1 - k, 0}, {1, 1, 1}, {0, 1, 0x41}, {5, 5, 0x11}, {6, 6, 0x21}});
  const Bytes group = GroupRec({path, PathRec(Square(0, 0, 2, 2))});
  const std::uint32_t handle = init(flx::kCurvedEnvelope, FlexRect{0, 0, 2, 2});
  Shape other(PathRec(Square(0.5f, 0.5f, 3, 3)));
  for (const Bytes* base : {&path, &group}) {
    for (std::size_t at = 0; at < base->size(); ++at) {
      for (std::uint8_t v : {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(0x7F), std::uint8_t((*base)[at] ^ 1)}) {
        Bytes b = *base;
        b[at] = v;
        Shape s(b);
        MeasureResult(weld(&s, &other));
        MeasureResult(xr(&other, &s));
        MeasureResult(lineCut(&s, 1, 0, 1, 1));
        MeasureResult(figureCut(&s, &other, 1));
        MeasureResult(selfWeld(&s));
        MeasureResult(doTransform(handle, &s));
        MeasureResult(expandOutLine(s.block.record, 0.5, 0, 0, 0, 2));
      }
    }
  }
  const Bytes data = Data(handle);
  for (std::size_t at = 0; at < data.size(); ++at)
    for (std::uint8_t v : {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(data[at] ^ 1)}) {
      Bytes b = data;
      b[at] = v;
      remove(fromData(b.data()));
    }
  remove(handle);
}

}  // namespace
