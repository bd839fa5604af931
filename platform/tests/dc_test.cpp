#include "platform/dc.h"

#include <gtest/gtest.h>

#include "platform/raster.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace plat;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory context over a colour bitmap of w x h, filled white.
struct Canvas {
  DC dc;
  HBITMAP bmp;
  HBITMAP old;
  Canvas(LONG w, LONG h, COLORREF fill = kWhite) {
    bmp = CreateBitmap(w, h, 1, 32, nullptr);
    old = dc.SelectObject(bmp);
    dc.FillSolidRect({0, 0, w, h}, fill);
  }
  ~Canvas() {
    dc.SelectObject(old);
    DeleteObject(bmp);
  }
  // Rows of characters: '#' for pixels of colour `ink`, '.' for `paper`, '?' else.
  std::vector<std::string> Map(COLORREF ink = kBlack, COLORREF paper = kWhite) {
    std::vector<std::string> rows;
    const Surface& s = dc.GetSurface();
    for (LONG y = 0; y < s.height(); ++y) {
      std::string r;
      for (LONG x = 0; x < s.width(); ++x) {
        const COLORREF c = s.GetPixel(x, y);
        r += c == ink ? '#' : c == paper ? '.' : '?';
      }
      rows.push_back(r);
    }
    return rows;
  }
  std::vector<std::uint32_t> Pixels() {
    const Surface& s = dc.GetSurface();
    return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * s.height());
  }
};

std::vector<std::string> Rows(std::initializer_list<const char*> r) {
  return std::vector<std::string>(r.begin(), r.end());
}

}  // namespace

TEST(DcLines, LastPixelIsExcluded) {
  Canvas c(6, 4);
  c.dc.MoveTo(0, 0);
  c.dc.LineTo(5, 0);
  c.dc.MoveTo(0, 1);
  c.dc.LineTo(0, 3);
  c.dc.MoveTo(2, 2);
  c.dc.LineTo(4, 4);
  EXPECT_EQ(c.Map(), Rows({"#####.",
                           "#.....",
                           "#.#...",
                           "...#.."}));
  EXPECT_EQ(c.dc.GetCurrentPosition(), (POINT{4, 4}));
}

TEST(DcRectangles, RightAndBottomEdgesAreExclusive) {
  Canvas c(7, 6);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH old = c.dc.SelectObject(red);
  c.dc.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(c.Map(kBlack, RGB(255, 0, 0)), Rows({"???????",
                                                 "?#####?",
                                                 "?#...#?",
                                                 "?#...#?",
                                                 "?#####?",
                                                 "???????"}));
  // With the null pen the interior shrinks by the right and bottom pixel.
  Canvas n(5, 4);
  n.dc.SelectStockObject(NULL_PEN);
  n.dc.SelectStockObject(BLACK_BRUSH);
  n.dc.Rectangle(1, 1, 4, 4);
  EXPECT_EQ(n.Map(), Rows({".....",
                           ".##..",
                           ".##..",
                           "....."}));
  c.dc.SelectObject(old);
  DeleteObject(red);
}

TEST(DcEllipses, SmallCirclesAreThinAndSymmetric) {
  Canvas c(7, 7);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HPEN oldPen = c.dc.SelectObject(red);
  c.dc.SelectStockObject(BLACK_BRUSH);
  c.dc.Ellipse(1, 1, 6, 6);
  // 'o' outline, '#' interior
  std::vector<std::string> m = c.Map(kBlack, kWhite);
  for (auto& r : m)
    for (char& ch : r)
      if (ch == '?') ch = 'o';
  EXPECT_EQ(m, Rows({".......",
                     "..ooo..",
                     ".o###o.",
                     ".o###o.",
                     ".o###o.",
                     "..ooo..",
                     "......."}));
  c.dc.SelectObject(oldPen);
  DeleteObject(red);
}

TEST(DcModes, EveryBinaryRasterOperationOnAKnownBackground) {
  const COLORREF D = RGB(0x0F, 0x33, 0x55);
  const COLORREF P = RGB(0x3C, 0xAA, 0x69);
  const std::uint32_t m = 0xFFFFFF;
  const std::vector<std::pair<int, COLORREF>> cases = {
      {R2_BLACK, 0},
      {R2_NOTMERGEPEN, ~(P | D) & m},
      {R2_MASKNOTPEN, ~P & D & m},
      {R2_NOTCOPYPEN, ~P & m},
      {R2_MASKPENNOT, P & ~D & m},
      {R2_NOT, ~D & m},
      {R2_XORPEN, (P ^ D) & m},
      {R2_NOTMASKPEN, ~(P & D) & m},
      {R2_MASKPEN, P & D},
      {R2_NOTXORPEN, ~(P ^ D) & m},
      {R2_NOP, D},
      {R2_MERGENOTPEN, (~P | D) & m},
      {R2_COPYPEN, P},
      {R2_MERGEPENNOT, (P | ~D) & m},
      {R2_MERGEPEN, P | D},
      {R2_WHITE, m},
  };
  for (const auto& [mode, want] : cases) {
    Canvas c(4, 3, D);
    HPEN pen = CreatePen(PS_SOLID, 1, P);
    HBRUSH brush = CreateSolidBrush(P);
    HPEN op = c.dc.SelectObject(pen);
    HBRUSH ob = c.dc.SelectObject(brush);
    EXPECT_EQ(c.dc.SetROP2(mode), R2_COPYPEN);
    c.dc.MoveTo(0, 0);
    c.dc.LineTo(3, 0);                // pen over a line
    c.dc.Rectangle(0, 1, 4, 3);       // pen outline and brush
    for (LONG x = 0; x < 3; ++x) EXPECT_EQ(c.dc.GetPixel(x, 0), want) << mode;
    EXPECT_EQ(c.dc.GetPixel(3, 0), D) << mode;
    for (LONG x = 0; x < 4; ++x) EXPECT_EQ(c.dc.GetPixel(x, 1), want) << mode << " x " << x;
    c.dc.SelectObject(op);
    c.dc.SelectObject(ob);
    DeleteObject(pen);
    DeleteObject(brush);
  }
  Canvas c(2, 2);
  EXPECT_EQ(c.dc.SetROP2(0), 0);
  EXPECT_EQ(c.dc.SetROP2(17), 0);
  EXPECT_EQ(c.dc.GetROP2(), R2_COPYPEN);
}

namespace {

// A background with varied pixels, so that no raster operation can hide a fault.
void PaintNoise(DC& dc) {
  Surface& s = dc.GetSurface();
  std::uint32_t v = 12345;
  for (LONG y = 0; y < s.height(); ++y)
    for (LONG x = 0; x < s.width(); ++x) {
      v = v * 1103515245u + 12345u;
      s.row(y)[x] = (v >> 8) & 0xFFFFFF;
    }
}

}  // namespace

TEST(DcXor, DrawingTwiceRestoresTheSurfaceForEveryPrimitive) {
  const POINT star[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
  const POINT bez[] = {{3, 3}, {40, 0}, {-5, 30}, {35, 35}, {20, 50}, {10, 10}, {30, 5}};
  const POINT poly[] = {{2, 30}, {12, 5}, {22, 38}, {35, 2}};
  const std::vector<std::pair<std::string, std::function<void(DC&)>>> prims = {
      {"LineTo", [](DC& d) { d.MoveTo(1, 1); d.LineTo(38, 27); d.LineTo(5, 35); d.LineTo(1, 1); }},
      {"Polyline", [&](DC& d) { d.Polyline(poly, 4); }},
      {"PolylineTo", [&](DC& d) { d.MoveTo(20, 20); d.PolylineTo(poly, 4); }},
      {"PolyBezier", [&](DC& d) { d.PolyBezier(bez, 7); }},
      {"PolyBezierTo", [&](DC& d) { d.MoveTo(3, 3); d.PolyBezierTo(bez + 1, 6); }},
      {"Arc", [](DC& d) { d.Arc(2, 3, 37, 30, 37, 3, 2, 30); }},
      {"Polygon", [&](DC& d) { d.Polygon(star, 5); }},
      {"Rectangle", [](DC& d) { d.Rectangle(3, 4, 33, 30); }},
      {"RoundRect", [](DC& d) { d.RoundRect(3, 4, 33, 30, 12, 9); }},
      {"Ellipse", [](DC& d) { d.Ellipse(2, 3, 37, 30); }},
      {"Pie", [](DC& d) { d.Pie(2, 3, 37, 30, 37, 3, 2, 30); }},
      {"Chord", [](DC& d) { d.Chord(2, 3, 37, 30, 37, 3, 2, 30); }},
      {"StrokeAndFillPath", [&](DC& d) {
         d.BeginPath();
         d.MoveTo(star[0]);
         d.PolylineTo(star + 1, 4);
         d.CloseFigure();
         d.Ellipse(5, 5, 30, 25);
         d.EndPath();
         d.StrokeAndFillPath();
       }},
      {"StrokePath", [&](DC& d) {
         d.BeginPath();
         d.MoveTo(3, 3);
         d.PolyBezierTo(bez + 1, 6);
         d.EndPath();
         d.StrokePath();
       }},
      {"FillPath", [&](DC& d) {
         d.BeginPath();
         d.Polygon(star, 5);
         d.EndPath();
         d.FillPath();
       }},
      {"FillPolygonsF", [](DC& d) {
         const PointF p[] = {{1.3f, 2.7f}, {30.2f, 8.9f}, {12.5f, 33.3f}, {5, 5}, {20, 5}, {12, 20}};
         const int n[] = {3, 3};
         d.FillPolygonsF(p, n, 2, WINDING, RGB(200, 10, 99));
       }},
      {"PatBlt", [](DC& d) { d.PatBlt(3, 4, 20, 30, PATINVERT); }},
      {"SetPixel-free FillRect", [](DC& d) { d.PatBlt(0, 0, 40, 40, DSTINVERT); }},
  };
  struct PenCase {
    int style, width;
  };
  const PenCase pens[] = {{PS_SOLID, 1}, {PS_DOT, 1}, {PS_DASHDOT, 1}, {PS_SOLID, 5}, {PS_NULL, 1}};
  HBRUSH brushes[] = {CreateSolidBrush(RGB(12, 200, 77)), CreateHatchBrush(HS_DIAGCROSS, RGB(1, 2, 3)),
                      static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))};
  for (int rop : {R2_XORPEN, R2_NOTXORPEN, R2_NOT})
    for (const PenCase& pc : pens)
      for (HBRUSH br : brushes)
        for (const auto& [name, draw] : prims) {
          Canvas c(40, 40);
          PaintNoise(c.dc);
          const auto before = c.Pixels();
          HPEN pen = CreatePen(pc.style, pc.width, RGB(255, 40, 7));
          HPEN op = c.dc.SelectObject(pen);
          HBRUSH ob = c.dc.SelectObject(br);
          c.dc.SetROP2(rop);
          c.dc.SetBkColor(RGB(9, 99, 199));
          c.dc.SetPolyFillMode(WINDING);
          draw(c.dc);
          const auto once = c.Pixels();
          draw(c.dc);
          EXPECT_TRUE(c.Pixels() == before) << name << " rop " << rop << " pen " << pc.style
                                            << "/" << pc.width;
          if (pc.style != PS_NULL && br->style() != BS_NULL) {
            EXPECT_FALSE(once == before) << name;
          }
          c.dc.SelectObject(op);
          c.dc.SelectObject(ob);
          DeleteObject(pen);
        }
  for (HBRUSH b : brushes) DeleteObject(b);
}

TEST(DcFill, AlternateAndWindingOnASelfIntersectingStar) {
  // A five-pointed star drawn in one stroke: its centre pentagon has winding 2.
  const POINT star[] = {{20, 1}, {31, 36}, {1, 14}, {39, 14}, {9, 36}};
  const PointF starF[] = {{20, 1}, {31, 36}, {1, 14}, {39, 14}, {9, 36}};
  const int n5[] = {5};
  enum Way { kPolygon, kPath, kFloat };
  for (Way way : {kPolygon, kPath, kFloat})
    for (int mode : {ALTERNATE, WINDING}) {
      Canvas c(41, 41);
      c.dc.SelectStockObject(NULL_PEN);
      c.dc.SelectStockObject(BLACK_BRUSH);
      c.dc.SetPolyFillMode(mode);
      if (way == kPolygon) {
        c.dc.Polygon(star, 5);
      } else if (way == kPath) {
        c.dc.BeginPath();
        c.dc.Polygon(star, 5);
        c.dc.EndPath();
        c.dc.FillPath();
      } else {
        c.dc.FillPolygonsF(starF, n5, 1, mode, kBlack);
      }
      EXPECT_EQ(c.dc.GetPixel(20, 20), mode == WINDING ? kBlack : kWhite) << way << mode;
      EXPECT_EQ(c.dc.GetPixel(20, 8), kBlack) << way;   // top arm
      EXPECT_EQ(c.dc.GetPixel(5, 15), kBlack) << way;   // left arm
      EXPECT_EQ(c.dc.GetPixel(2, 30), kWhite) << way;   // outside
    }
}

// A star of thousands of crossing edges, whose crossings change order
// wholesale from row to row: each pixel is filled as its winding number at
// (x, y) says, counted edge by edge with the filler's 1/256 grid and its
// top-inclusive, left-inclusive rule. Whole on the canvas, and on a smaller
// one it overhangs (crossings beyond its right edge).
TEST(DcFill, DenseCrossingEdgesFillByTheirWindingNumbers) {
  constexpr int kPoints = 3001;
  auto fixed = [](float v) { return std::int64_t(std::llround(double(v) * 256.0)); };
  for (const LONG side : {48, 41}) {
    for (int mode : {ALTERNATE, WINDING}) {
      std::vector<PointF> star;
      for (int i = 0; i < kPoints; ++i) {
        const double a = 2 * M_PI * i * 1499.0 / kPoints;
        star.push_back({float(24 + 20 * std::cos(a)), float(23.3 + 19 * std::sin(a))});
      }
      Canvas c(side, side);
      const int counts[] = {kPoints};
      c.dc.FillPolygonsF(star.data(), counts, 1, mode, kBlack);
      for (LONG y = 0; y < side; ++y)
        for (LONG x = 0; x < side; ++x) {
          int w = 0;
          for (int i = 0; i < kPoints; ++i) {
            std::int64_t ax = fixed(star[i].x), ay = fixed(star[i].y);
            std::int64_t bx = fixed(star[(i + 1) % kPoints].x), by = fixed(star[(i + 1) % kPoints].y);
            int dir = 1;
            if (ay == by) continue;
            if (ay > by) {
              std::swap(ax, bx);
              std::swap(ay, by);
              dir = -1;
            }
            if (!(ay <= 256 * y && 256 * y < by)) continue;
            // the pixel lies at or right of the crossing: 256 x >= ax + (256 y - ay) dx / dy
            if (256 * x * (by - ay) >= ax * (by - ay) + (256 * y - ay) * (bx - ax)) w += dir;
          }
          const bool in = mode == WINDING ? w != 0 : (w % 2) != 0;
          ASSERT_EQ(c.dc.GetPixel(x, y), in ? kBlack : kWhite) << mode << " at " << x << "," << y;
        }
    }
  }
}

// Random self-intersecting polygons filled even-odd, whole, overhanging the
// clip box and with sub-pixel corners, on a short surface and on one too tall
// for the filler's 32-bit edge stepping: each pixel is inside as the count of
// edges crossing its row at or left of it says (1/256 grid, top and left
// inclusive), counted on the outline the filler clips to 4 pixels around the
// clip box. Every pixel is drawn once: an inverting fill shows the same.
TEST(DcFill, EvenOddFillsMatchTheirCrossingCountsPixelForPixel) {
  struct Case {
    const char* name;
    LONG w, h;
    RECT clip;
    LONG y0;  // polygons lie about rows y0 .. y0 + 60
    float spread;  // how far beyond the clip box corners may lie
    bool subPixel;
    bool star;  // corners round a circle, each edge crossing most others
  } cases[] = {
      {"inside", 64, 64, {0, 0, 64, 64}, 2, -2, false, false},
      {"overhanging the clip box", 64, 64, {9, 7, 51, 49}, 2, 25, false, false},
      {"sub-pixel corners", 64, 64, {0, 0, 64, 64}, 2, 3, true, false},
      {"edges swapping places wholesale", 64, 64, {0, 0, 64, 64}, 2, 0, true, true},
      {"tall surface", 48, 16500, {0, 0, 48, 16500}, 16400, 3, false, false},
      {"tall surface, sub-pixel", 48, 16500, {0, 0, 48, 16500}, 9000, 3, true, false},
  };
  std::uint32_t seed = 5;
  auto next = [&seed](int n) {
    seed = seed * 1664525u + 1013904223u;
    return int((seed >> 8) % std::uint32_t(n));
  };
  for (const Case& k : cases)
    for (int round = 0; round < 12; ++round) {
      const int n = k.star ? 45 + 2 * (round % 5) : 3 + next(40);
      std::vector<PointF> poly;
      const float left = float(k.clip.left) - k.spread, top = float(k.y0) - k.spread;
      const float wide = float(k.clip.right - k.clip.left) + 2 * k.spread, high = 60 + 2 * k.spread;
      for (int i = 0; i < n; ++i) {
        float x = left + float(next(int(wide) * 16)) / 16, y = top + float(next(int(high) * 16)) / 16;
        if (k.star) {
          const double a = 2 * M_PI * i * (n / 2) / n + round;
          x = float(32 + 29 * std::cos(a)), y = float(k.y0 + 30 + 29 * std::sin(a));
        }
        if (!k.subPixel) x = std::floor(x), y = std::floor(y);
        poly.push_back({x, y});
      }
      // The outline the filler walks: clipped to the guard box when it leaves it, in 1/256.
      const double gx0 = k.clip.left - 4, gy0 = k.clip.top - 4, gx1 = k.clip.right + 4, gy1 = k.clip.bottom + 4;
      std::vector<PointF> walked = poly;
      if (!std::all_of(poly.begin(), poly.end(), [&](const PointF& p) {
            return p.x >= gx0 && p.x <= gx1 && p.y >= gy0 && p.y <= gy1;
          }))
        raster::detail::ClipPolygon(poly.data(), n, gx0, gy0, gx1, gy1, walked);
      std::vector<raster::detail::Fixed> fixed;
      for (const PointF& p : walked) fixed.push_back({raster::detail::ToFixed(p.x), raster::detail::ToFixed(p.y)});
      auto inside = [&](LONG x, LONG y) {
        int crossings = 0;
        for (std::size_t i = 0; i < fixed.size(); ++i) {
          std::int64_t ax = fixed[i].x, ay = fixed[i].y;
          std::int64_t bx = fixed[(i + 1) % fixed.size()].x, by = fixed[(i + 1) % fixed.size()].y;
          if (ay == by) continue;
          if (ay > by) std::swap(ax, bx), std::swap(ay, by);
          if (!(ay <= 256 * y && 256 * y < by)) continue;
          const __int128 lhs = __int128(256 * x) * (by - ay), rhs = __int128(ax) * (by - ay) + __int128(256 * y - ay) * (bx - ax);
          crossings += lhs >= rhs;
        }
        return crossings % 2 != 0;
      };
      const int counts[] = {n};
      for (bool invert : {false, true}) {
        Canvas c(k.w, k.h);
        c.dc.IntersectClipRect(k.clip.left, k.clip.top, k.clip.right, k.clip.bottom);
        if (invert) c.dc.SetROP2(R2_NOT);
        if (k.subPixel) {
          c.dc.FillPolygonsF(poly.data(), counts, 1, ALTERNATE, kBlack);
        } else {
          std::vector<POINT> pts;
          for (const PointF& p : poly) pts.push_back({LONG(p.x), LONG(p.y)});
          c.dc.SelectStockObject(NULL_PEN);
          c.dc.SelectStockObject(BLACK_BRUSH);
          c.dc.SetPolyFillMode(ALTERNATE);
          c.dc.Polygon(pts.data(), n);
        }
        c.dc.SelectClipRect(nullptr);
        // Rows beyond the polygon's are left white by both: its band is checked.
        for (LONG y = std::max<LONG>(0, k.y0 - 30); y < std::min<LONG>(k.h, k.y0 + 90); ++y)
          for (LONG x = 0; x < k.w; ++x) {
            const bool in = x >= k.clip.left && x < k.clip.right && y >= k.clip.top && y < k.clip.bottom && inside(x, y);
            ASSERT_EQ(c.dc.GetPixel(x, y), in ? kBlack : kWhite)
                << k.name << " round " << round << (invert ? " inverted" : "") << " at " << x << "," << y;
          }
      }
    }
}

TEST(DcFill, SubPixelFillSamplesPixelPositionsTopLeftInclusive) {
  Canvas c(6, 5);
  // [0.5, 3.5) x [1, 3): samples x = 1, 2, 3 and rows 1, 2
  const PointF sq[] = {{0.5f, 1}, {3.5f, 1}, {3.5f, 3}, {0.5f, 3}};
  const int n[] = {4};
  c.dc.FillPolygonsF(sq, n, 1, ALTERNATE, kBlack);
  EXPECT_EQ(c.Map(), Rows({"......",
                           ".###..",
                           ".###..",
                           "......",
                           "......"}));
  // Integer edges: left and top inclusive, right and bottom exclusive.
  Canvas d(6, 5);
  const PointF r[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
  d.dc.FillPolygonsF(r, n, 1, ALTERNATE, kBlack);
  EXPECT_EQ(d.Map(), Rows({"......",
                           ".###..",
                           ".###..",
                           ".###..",
                           "......"}));
}

// Glyph fills keep parts thinner than a pixel that pass between the samples: a row
// or column crossing such a part lights the pixel nearest its middle, once, inside
// the clip; parts that reach a sample fill as they always do.
TEST(DcFill, GlyphFillsKeepPartsThinnerThanAPixel) {
  // A bar 0.4 high between rows 1 and 2, a stem 0.4 wide between columns 3 and 4.
  const PointF tee[] = {{1, 1.2f}, {6, 1.2f}, {6, 1.6f}, {1, 1.6f},
                        {3.2f, 1.2f}, {3.6f, 1.2f}, {3.6f, 5}, {3.2f, 5}};
  // A filled block with a thin sliver against its right side: the row's span holds samples.
  const PointF block[] = {{0.5f, 1}, {3.5f, 1}, {3.5f, 3}, {0.5f, 3}, {3.4f, 1}, {3.7f, 1}, {3.7f, 3}, {3.4f, 3}};
  const int two[] = {4, 4};
  const auto empty = Rows({".......", ".......", ".......", ".......", ".......", "......."});
  struct Case {
    const char* name;
    const PointF* pts;
    int mode;
    RECT clip;
    std::vector<std::string> plain, glyph;
  } cases[] = {
      {"tee", tee, WINDING, {0, 0, 7, 6}, empty,
       Rows({".......", ".#####.", "...#...", "...#...", "...#...", "......."})},
      {"tee alternate", tee, ALTERNATE, {0, 0, 7, 6}, empty,
       Rows({".......", ".#####.", "...#...", "...#...", "...#...", "......."})},
      {"tee clipped", tee, WINDING, {2, 0, 7, 3}, empty,
       Rows({".......", "..####.", "...#...", ".......", ".......", "......."})},
      {"block", block, WINDING, {0, 0, 7, 6},
       Rows({".......", ".###...", ".###...", ".......", ".......", "......."}),
       Rows({".......", ".###...", ".###...", ".......", ".......", "......."})},
  };
  for (const Case& k : cases)
    for (bool keep : {false, true}) {
      Canvas c(7, 6);
      c.dc.IntersectClipRect(k.clip.left, k.clip.top, k.clip.right, k.clip.bottom);
      c.dc.FillPolygonsF(k.pts, two, 2, k.mode, kBlack, keep);
      c.dc.SelectClipRect(nullptr);
      EXPECT_EQ(c.Map(), keep ? k.glyph : k.plain) << k.name << (keep ? " glyph" : " plain");
      // Each pixel is drawn once: an inverting fill turns exactly those pixels black.
      Canvas x(7, 6);
      x.dc.IntersectClipRect(k.clip.left, k.clip.top, k.clip.right, k.clip.bottom);
      x.dc.SetROP2(R2_NOT);
      x.dc.FillPolygonsF(k.pts, two, 2, k.mode, kBlack, keep);
      x.dc.SelectClipRect(nullptr);
      EXPECT_EQ(x.Map(), c.Map()) << k.name;
    }
}

TEST(DcFill, SpansOfEveryLengthCoverExactlyTheirPixels) {
  // Copy-mode spans are written in overlapping blocks: each length and start,
  // also spans ending at the last pixel of the surface, covers [x0, x0 + n).
  constexpr LONG kW = 41;
  for (LONG n = 0; n <= kW; ++n)
    for (LONG x0 : {LONG(0), LONG(1), LONG(3), kW - n}) {
      if (x0 + n > kW) continue;
      std::string want(std::size_t(kW), '.');
      std::fill_n(want.begin() + x0, n, '#');
      Canvas c(kW, 2);
      c.dc.SelectStockObject(NULL_PEN);
      c.dc.SelectStockObject(BLACK_BRUSH);
      const POINT box[] = {{x0, 1}, {x0 + n, 1}, {x0 + n, 2}, {x0, 2}};
      c.dc.Polygon(box, 4);
      EXPECT_EQ(c.Map(), Rows({std::string(std::size_t(kW), '.').c_str(), want.c_str()}))
          << "n " << n << " x0 " << x0;
    }
}

TEST(DcCurves, BezierHitsItsEndPoints) {
  const POINT pts[] = {{2, 2}, {10, 25}, {25, -5}, {28, 14}};
  Canvas c(32, 20);
  c.dc.PolyBezier(pts, 4);
  EXPECT_EQ(c.dc.GetPixel(2, 2), kBlack);
  EXPECT_EQ(c.dc.GetPixel(28, 14), kWhite);  // the last pixel, as for a line
  bool touches = false;
  for (LONG dy = -1; dy <= 1; ++dy)
    for (LONG dx = -1; dx <= 1; ++dx) touches |= c.dc.GetPixel(28 + dx, 14 + dy) == kBlack;
  EXPECT_TRUE(touches);
  EXPECT_EQ(c.dc.GetCurrentPosition(), (POINT{0, 0}));  // PolyBezier keeps it

  Canvas d(32, 20);
  d.dc.MoveTo(2, 2);
  EXPECT_TRUE(d.dc.PolyBezierTo(pts + 1, 3));
  EXPECT_EQ(d.dc.GetCurrentPosition(), (POINT{28, 14}));
  EXPECT_EQ(d.Pixels(), c.Pixels());
  // A curve whose control points lie on its chord is the straight line.
  Canvas e(12, 3), f(12, 3);
  const POINT straight[] = {{1, 1}, {4, 1}, {7, 1}, {10, 1}};
  e.dc.PolyBezier(straight, 4);
  f.dc.MoveTo(1, 1);
  f.dc.LineTo(10, 1);
  EXPECT_EQ(e.Pixels(), f.Pixels());
  // Counts that are no chain of cubic pieces are refused.
  EXPECT_FALSE(c.dc.PolyBezier(pts, 3));
  EXPECT_FALSE(c.dc.PolyBezierTo(pts, 4));
  EXPECT_FALSE(c.dc.PolyBezier(nullptr, 4));
}

TEST(DcClip, ClippedDrawingEqualsUnclippedInsideAndTouchesNothingOutside) {
  std::uint32_t v = 7;
  auto rnd = [&](int m) {
    v = v * 1664525u + 1013904223u;
    return LONG((v >> 8) % std::uint32_t(m)) - 20;
  };
  const RECT clip{7, 5, 31, 22};
  for (int round = 0; round < 40; ++round) {
    POINT p[6];
    for (POINT& q : p) q = {rnd(80), rnd(70)};
    Canvas a(40, 30), b(40, 30);
    for (Canvas* c : {&a, &b}) {
      c->dc.SetViewportOrg(3, -2);
      c->dc.SelectStockObject(GRAY_BRUSH);
      c->dc.SetROP2(R2_XORPEN);
    }
    EXPECT_EQ(b.dc.IntersectClipRect(clip.left - 3, clip.top + 2, clip.right - 3, clip.bottom + 2),
              SIMPLEREGION);
    RECT box;
    b.dc.GetClipBox(&box);
    EXPECT_EQ(box, (RECT{clip.left - 3, clip.top + 2, clip.right - 3, clip.bottom + 2}));
    for (Canvas* c : {&a, &b}) {
      c->dc.MoveTo(p[0]);
      c->dc.LineTo(p[1]);
      c->dc.Polygon(p + 2, 4);
      c->dc.Ellipse(p[4].x, p[4].y, p[5].x, p[5].y);
      c->dc.PolyBezier(p + 1, 4);
    }
    const Surface& sa = a.dc.GetSurface();
    const Surface& sb = b.dc.GetSurface();
    for (LONG y = 0; y < 30; ++y)
      for (LONG x = 0; x < 40; ++x) {
        const bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        ASSERT_EQ(sb.GetPixel(x, y), in ? sa.GetPixel(x, y) : kWhite)
            << "round " << round << " at " << x << "," << y;
      }
  }
  Canvas c(10, 10);
  const RECT empty{4, 4, 4, 9};
  EXPECT_EQ(c.dc.SelectClipRect(&empty), NULLREGION);
  c.dc.FillSolidRect({0, 0, 10, 10}, kBlack);
  EXPECT_EQ(c.dc.SetPixel(4, 5, kBlack), CLR_INVALID);
  EXPECT_EQ(c.dc.SelectClipRect(nullptr), SIMPLEREGION);
  EXPECT_EQ(c.dc.GetPixel(4, 5), kWhite);
}

// Curves lying just outside, on and just inside each clip edge, thin and wide:
// inside the clip they draw exactly as without it (a curve is skipped only when
// nothing of it can show).
TEST(DcClip, CurvesAlongTheClipEdgesDrawAsUnclipped) {
  const RECT clip{10, 8, 30, 24};
  for (int width : {1, 4}) {
    for (int edge = 0; edge < 4; ++edge) {
      for (LONG d = -4; d <= 4; ++d) {
        // A flat arc along the edge, bulging outwards, its ends d pixels inside.
        auto at = [&](LONG along, LONG out) -> POINT {
          switch (edge) {
            case 0: return {clip.left + d - out, along};
            case 1: return {clip.right - 1 - d + out, along};
            case 2: return {along, clip.top + d - out};
            default: return {along, clip.bottom - 1 - d + out};
          }
        };
        const POINT p[4] = {at(12, 0), at(14, 6), at(18, 6), at(20, 0)};
        Canvas a(40, 32), b(40, 32);
        for (Canvas* c : {&a, &b}) {
          HPEN pen = CreatePen(PS_SOLID, width, kBlack);
          c->dc.SelectObject(pen);
          c->dc.PolyBezier(p, 4);
          c->dc.MoveTo(p[3]);
          c->dc.PolyBezierTo(p, 3);
          c->dc.SelectStockObject(BLACK_PEN);
          DeleteObject(pen);
          if (c == &a) b.dc.SelectClipRect(&clip);
        }
        const Surface& sa = a.dc.GetSurface();
        const Surface& sb = b.dc.GetSurface();
        for (LONG y = clip.top; y < clip.bottom; ++y)
          for (LONG x = clip.left; x < clip.right; ++x)
            ASSERT_EQ(sb.GetPixel(x, y), sa.GetPixel(x, y))
                << "width " << width << " edge " << edge << " d " << d << " at " << x << "," << y;
      }
    }
  }
}

// Curves flattened only near the clip box (their far stretches left as
// chords) draw inside it exactly as curves flattened whole, drawn straight or
// through paths that are stroked, filled by either rule, or both; a path made
// while clipped and used unclipped is flattened whole.
TEST(DcClip, CurvesReachingFarOutsideDrawInsideAsWhenFlattenedWhole) {
  std::uint32_t v = 11;
  auto rnd = [&](int lo, int hi) {
    v = v * 1664525u + 1013904223u;
    return LONG(lo + LONG((v >> 8) % std::uint32_t(hi - lo)));
  };
  const RECT clip{280, 230, 330, 270};
  Canvas a(600, 500), b(600, 500);
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(200, 0, 0));
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 200));
  HBRUSH brush = CreateSolidBrush(RGB(0, 150, 0));
  enum Mode { kLine, kWide, kDotted, kStroke, kFillAlternate, kStrokeAndFillWinding, kUnclippedAfter, kModes };
  for (int round = 0; round < 24; ++round) {
    // 1 to 4 pieces, the first point near the clip box, the rest anywhere.
    std::vector<POINT> p{{rnd(250, 360), rnd(200, 300)}};
    const int pieces = 1 + round % 4;
    for (int i = 0; i < 3 * pieces; ++i) p.push_back({rnd(-100, 700), rnd(-100, 600)});
    for (int mode = 0; mode < kModes; ++mode) {
      for (Canvas* c : {&a, &b}) {
        DC& dc = c->dc;
        dc.SelectClipRect(nullptr);
        dc.FillSolidRect({0, 0, 600, 500}, kWhite);
        if (c == &b) dc.SelectClipRect(&clip);
        dc.SelectObject(mode == kWide ? wide : mode == kDotted ? dotted : static_cast<HPEN>(GetStockObject(BLACK_PEN)));
        if (mode == kFillAlternate) dc.SelectStockObject(NULL_PEN);
        dc.SelectObject(brush);
        dc.SetPolyFillMode(mode == kStrokeAndFillWinding ? WINDING : ALTERNATE);
        if (mode <= kDotted) {
          dc.PolyBezier(p.data(), int(p.size()));
          continue;
        }
        dc.BeginPath();
        dc.MoveTo(p[0]);
        dc.PolyBezierTo(p.data() + 1, int(p.size()) - 1);
        dc.CloseFigure();
        dc.EndPath();
        if (mode == kUnclippedAfter) dc.SelectClipRect(nullptr);
        if (mode == kFillAlternate)
          dc.FillPath();
        else if (mode == kStrokeAndFillWinding)
          dc.StrokeAndFillPath();
        else
          dc.StrokePath();
      }
      const RECT in = mode == kUnclippedAfter ? RECT{0, 0, 600, 500} : clip;
      const Surface& sa = a.dc.GetSurface();
      const Surface& sb = b.dc.GetSurface();
      for (LONG y = in.top; y < in.bottom; ++y)
        for (LONG x = in.left; x < in.right; ++x)
          ASSERT_EQ(sb.GetPixel(x, y), sa.GetPixel(x, y)) << "round " << round << " mode " << mode << " at " << x << "," << y;
    }
  }
  for (Canvas* c : {&a, &b}) {
    c->dc.SelectStockObject(BLACK_PEN);
    c->dc.SelectStockObject(WHITE_BRUSH);
  }
  DeleteObject(wide);
  DeleteObject(dotted);
  DeleteObject(brush);
}

// Many more pixels than the box has: kept as a bitmap of the box, they give
// the runs the sorted list gives, at every width around a word, with
// pixels outside the box and runs added beside them.
TEST(DcRuns, PixelsPastTheBitmapSizeGiveTheSameRuns) {
  std::uint32_t v = 5;
  auto rnd = [&](int n) {
    v = v * 1664525u + 1013904223u;
    return LONG((v >> 8) % std::uint32_t(n));
  };
  for (LONG w : {1, 63, 64, 65, 130}) {
    raster::RunSet dense, list;
    dense.Bound(-7, 3, -7 + w, 3 + 20);
    for (int i = 0; i < 20000; ++i) {
      // Mostly inside, in short horizontal strokes; now and then outside.
      const LONG y = 3 + rnd(20), x = -7 + rnd(int(w));
      const LONG len = 1 + rnd(5);
      for (LONG k = 0; k < len; ++k) {
        const LONG px = i % 97 == 0 ? x + w + 2 : x + k;
        dense.AddPixel(px, y);
        list.AddPixel(px, y);
      }
    }
    dense.AddRun(4, -20, -5);
    list.AddRun(4, -20, -5);
    dense.Normalize();
    list.Normalize();
    ASSERT_EQ(dense.runs().size(), list.runs().size()) << w;
    for (std::size_t i = 0; i < list.runs().size(); ++i) {
      const raster::Run& a = dense.runs()[i];
      const raster::Run& b = list.runs()[i];
      ASSERT_TRUE(a.y == b.y && a.x0 == b.x0 && a.x1 == b.x1) << w << " run " << i;
    }
  }
}

// Pixels alone, of boxes around one to a few words wide and beyond, negative
// places among them, one set after another on a thread (a smaller set after
// a larger one, pixels met twice): the runs of the pixels, row by row.
TEST(DcRuns, PixelListsGiveTheRunsOfTheirPixels) {
  std::uint32_t v = 11;
  auto rnd = [&](int n) {
    v = v * 1664525u + 1013904223u;
    return LONG((v >> 8) % std::uint32_t(n));
  };
  struct Case {
    LONG width, height;
    int pixels;
  } cases[] = {{1, 1, 1},     {1, 30, 40},    {63, 12, 300}, {64, 12, 300},  {65, 12, 300},
               {128, 5, 900}, {200, 16, 50},  {256, 3, 700}, {257, 3, 700},  {300, 40, 2000},
               {40, 5000, 600}, {64, 2, 5},   {20, 20, 400}};
  for (const Case& c : cases) {
    for (LONG x0 : {LONG(-70), LONG(0), LONG(1913)}) {
      raster::RunSet set;
      std::set<std::pair<LONG, LONG>> want;
      for (int i = 0; i < c.pixels; ++i) {
        const LONG y = -3 + rnd(int(c.height)), x = x0 + rnd(int(c.width));
        set.AddPixel(x, y);
        want.insert({y, x});
      }
      set.Normalize();
      std::vector<raster::Run> runs;
      for (const auto& [y, x] : want) {
        if (!runs.empty() && runs.back().y == y && runs.back().x1 == x)
          ++runs.back().x1;
        else
          runs.push_back({y, x, x + 1});
      }
      ASSERT_EQ(set.runs().size(), runs.size()) << c.width << "x" << c.height << " at " << x0;
      for (std::size_t i = 0; i < runs.size(); ++i) {
        const raster::Run& a = set.runs()[i];
        ASSERT_TRUE(a.y == runs[i].y && a.x0 == runs[i].x0 && a.x1 == runs[i].x1)
            << c.width << "x" << c.height << " at " << x0 << " run " << i;
      }
    }
  }
}

// A thin solid pen and a solid brush of one colour, through an operation that
// gives the same pixel applied twice, are drawn as the brush and then the
// outline straight over it; through any other operation each pixel still
// changes once. For curves, self-crossing and nested figures, a lone point,
// open figures and figures reaching far out, both fill rules, with and
// without a clip and a viewport origin: the pixels are those of the fill and
// the stroke drawn apart, and where they lie those of a brush of another
// colour under the same pen.
TEST(DcPaths, PenAndBrushOfOneColourDrawAsTheirFillAndStroke) {
  const std::vector<std::pair<std::string, std::function<void(DC&)>>> shapes = {
      {"curves", [](DC& d) {
         const POINT b[] = {{38, 2}, {30, 40}, {20, 30}, {0, 35}, {-4, 0}, {6, 4}};
         d.MoveTo(6, 4);
         d.PolyBezierTo(b, 6);
         d.CloseFigure();
         const POINT c[] = {{25, 10}, {30, 25}, {12, 20}};
         d.MoveTo(14, 12);
         d.PolyBezierTo(c, 3);
         d.CloseFigure();
       }},
      {"self-crossing star", [](DC& d) {
         const POINT star[] = {{31, 36}, {1, 14}, {39, 14}, {9, 36}};
         d.MoveTo(20, 1);
         d.PolylineTo(star, 4);
         d.CloseFigure();
       }},
      {"nested ellipses", [](DC& d) {
         d.Ellipse(2, 3, 37, 34);
         d.Ellipse(10, 9, 28, 26);
         d.Ellipse(14, 13, 22, 20);
       }},
      {"lone point and open figures", [](DC& d) {
         d.MoveTo(4, 30);
         d.LineTo(4, 30);
         d.CloseFigure();
         d.MoveTo(2, 2);
         d.LineTo(36, 2);
         d.LineTo(36, 25);
         d.LineTo(5, 12);
         d.MoveTo(30, 37);
         d.LineTo(8, 37);
         d.MoveTo(38, 33);
         d.LineTo(38, 6);
       }},
      {"reaching far out", [](DC& d) {
         const POINT b[] = {{900, -400}, {-500, 300}, {30, 30}, {60, 5}, {20, -90}, {5, 8}};
         d.MoveTo(5, 8);
         d.PolyBezierTo(b, 6);
         d.CloseFigure();
         const POINT far[] = {{-100000, 5}, {100000, 30}, {20, 900000}};
         d.Polygon(far, 3);
       }},
  };
  struct Ink {
    int rop;
    COLORREF colour;
    bool twiceAsOnce;
  };
  const Ink inks[] = {{R2_COPYPEN, RGB(200, 90, 7), true},    {R2_MASKPEN, RGB(90, 250, 60), true},
                      {R2_MERGEPEN, RGB(5, 130, 40), true},    {R2_NOTCOPYPEN, RGB(0, 0, 0), true},
                      {R2_WHITE, RGB(1, 2, 3), true},          {R2_MASKPENNOT, RGB(0, 0, 0), true},
                      {R2_NOTMERGEPEN, RGB(255, 255, 255), true}, {R2_XORPEN, RGB(200, 90, 7), false},
                      {R2_NOTXORPEN, RGB(0, 0, 0), false},     {R2_NOT, RGB(5, 130, 40), false},
                      {R2_MASKPENNOT, RGB(0, 255, 0), false}};
  enum Clip { kNone, kClip, kOriginAndClip };
  auto draw = [](DC& d, const std::function<void(DC&)>& shape, bool apart) {
    d.BeginPath();
    shape(d);
    d.EndPath();
    if (!apart) {
      d.StrokeAndFillPath();
      return;
    }
    d.FillPath();
    d.BeginPath();
    shape(d);
    d.EndPath();
    d.StrokePath();
  };
  HBRUSH otherBrush = CreateSolidBrush(RGB(99, 0, 222));
  for (const auto& [name, shape] : shapes)
    for (int mode : {ALTERNATE, WINDING})
      for (Clip cl : {kNone, kClip, kOriginAndClip}) {
        auto setUp = [&, mode = mode, cl = cl](DC& d, int rop) {
          if (cl == kOriginAndClip) d.SetViewportOrg(3, -2);
          if (cl != kNone) d.IntersectClipRect(7, 9, 33, 29);
          d.SetROP2(rop);
          d.SetPolyFillMode(mode);
        };
        const std::string where = name + " mode " + std::to_string(mode) + " clip " + std::to_string(cl);
        // The pixels of the pen and of a brush of another colour, on white.
        Canvas two(40, 40);
        setUp(two.dc, R2_COPYPEN);
        two.dc.SelectStockObject(BLACK_PEN);
        two.dc.SelectObject(otherBrush);
        draw(two.dc, shape, false);
        std::vector<bool> covered;
        for (std::uint32_t v : two.Pixels()) covered.push_back(v != 0xFFFFFF);
        for (const Ink& ink : inks) {
          const std::string what = where + " rop " + std::to_string(ink.rop);
          Canvas one(40, 40), apart(40, 40);
          HPEN pen = CreatePen(PS_SOLID, 1, ink.colour);
          HBRUSH brush = CreateSolidBrush(ink.colour);
          for (Canvas* c : {&one, &apart}) {
            PaintNoise(c->dc);
            setUp(c->dc, ink.rop);
            c->dc.SelectObject(pen);
            c->dc.SelectObject(brush);
          }
          const auto before = one.Pixels();
          draw(one.dc, shape, false);
          draw(apart.dc, shape, true);
          if (ink.twiceAsOnce) {
            EXPECT_TRUE(one.Pixels() == apart.Pixels()) << what;
          }
          const auto after = one.Pixels();
          for (std::size_t i = 0; i < after.size(); ++i) {
            const std::uint32_t d = before[i];
            const std::uint32_t want =
                covered[i] ? raster::Rop2Any(ink.rop, PixelFromColor(ink.colour) & raster::kMask, d) : d;
            ASSERT_EQ(after[i], want) << what << " at " << i % 40 << "," << i / 40;
          }
          for (Canvas* c : {&one, &apart}) {
            c->dc.SelectStockObject(BLACK_PEN);
            c->dc.SelectStockObject(WHITE_BRUSH);
          }
          DeleteObject(pen);
          DeleteObject(brush);
        }
        two.dc.SelectStockObject(WHITE_BRUSH);
      }
  DeleteObject(otherBrush);
}

// A thin stroke of thousands of crossing segments over a small surface
// covers what its segments drawn one by one cover.
TEST(DcPaths, DenseStrokeCoversWhatItsLinesCover) {
  constexpr int kPoints = 6000;
  std::vector<POINT> star;
  for (int i = 0; i < kPoints; ++i) {
    const double a = 2 * M_PI * i / kPoints * 7, r = i % 2 ? 10 : 60;
    star.push_back({LONG(std::lround(32 + r * std::cos(a))), LONG(std::lround(30 + r * std::sin(a)))});
  }
  Canvas path(64, 60), lines(64, 60);
  path.dc.BeginPath();
  path.dc.Polygon(star.data(), kPoints);
  path.dc.EndPath();
  path.dc.StrokePath();
  lines.dc.MoveTo(star.back());
  for (const POINT& p : star) lines.dc.LineTo(p);
  EXPECT_EQ(path.Map(), lines.Map());
}

TEST(DcPens, DashPatternsAndBackgroundMode) {
  Canvas c(14, 2);
  HPEN dot = CreatePen(PS_DOT, 1, kBlack);
  HPEN old = c.dc.SelectObject(dot);
  c.dc.SetBkColor(RGB(255, 0, 0));
  c.dc.MoveTo(0, 0);
  c.dc.LineTo(13, 0);
  c.dc.SetBkMode(TRANSPARENT);
  c.dc.MoveTo(0, 1);
  c.dc.LineTo(13, 1);
  EXPECT_EQ(c.Map(), Rows({"###???###???#.",
                           "###...###...#."}));
  c.dc.SelectObject(old);
  DeleteObject(dot);
  // A wide pen covers its width around the line, with round caps at both ends.
  Canvas w(12, 9);
  HPEN wide = CreatePen(PS_SOLID, 3, kBlack);
  w.dc.SelectObject(wide);
  w.dc.MoveTo(3, 4);
  w.dc.LineTo(8, 4);
  EXPECT_EQ(w.Map(), Rows({"............",
                           "............",
                           "............",
                           "..########..",
                           "..########..",
                           "..########..",
                           "............",
                           "............",
                           "............"}));
  w.dc.SelectStockObject(BLACK_PEN);
  DeleteObject(wide);
}

TEST(DcBrushes, HatchesAreAlignedToTheSurfaceAndUseTheBackground) {
  Canvas c(10, 4);
  HBRUSH h = CreateHatchBrush(HS_VERTICAL, kBlack);
  c.dc.SelectObject(h);
  c.dc.SelectStockObject(NULL_PEN);
  c.dc.SetBkMode(TRANSPARENT);
  c.dc.Rectangle(0, 0, 11, 5);
  EXPECT_EQ(c.Map(), Rows({"#.......#.",
                           "#.......#.",
                           "#.......#.",
                           "#.......#."}));
  c.dc.SetBkMode(OPAQUE);
  c.dc.SetBkColor(RGB(255, 0, 0));
  c.dc.FillRect({0, 0, 10, 4}, h);
  EXPECT_EQ(c.Map()[0], "#???????#?");
  c.dc.SelectStockObject(WHITE_BRUSH);
  DeleteObject(h);
  EXPECT_EQ(CreateHatchBrush(6, kBlack), nullptr);
}

TEST(DcObjects, SelectReturnsThePreviousObjectAndRestores) {
  const std::size_t base = GdiObjectCount();
  DC dc;
  EXPECT_EQ(dc.GetCurrentPen(), GetStockObject(BLACK_PEN));
  EXPECT_EQ(dc.GetCurrentBrush(), GetStockObject(WHITE_BRUSH));
  HPEN pen = CreatePen(PS_DASH, 2, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  EXPECT_EQ(GdiObjectCount(), base + 2);
  HPEN oldPen = dc.SelectObject(pen);
  HBRUSH oldBrush = dc.SelectObject(brush);
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(dc.SelectObject(static_cast<HGDIOBJ>(pen)), pen);  // re-selecting gives itself
  EXPECT_EQ(dc.GetCurrentPen()->width(), 2);
  EXPECT_EQ(dc.GetCurrentBrush()->color(), RGB(4, 5, 6));

  // Deleting a selected object is deferred until it is deselected.
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(IsGdiObject(pen));
  EXPECT_EQ(dc.SelectObject(oldPen), pen);
  EXPECT_FALSE(IsGdiObject(pen));
  EXPECT_EQ(dc.SelectObject(oldBrush), brush);
  EXPECT_EQ(dc.GetCurrentBrush(), GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush));  // gone
  EXPECT_EQ(GdiObjectCount(), base);

  // Stock objects survive deletion; unknown handles are refused.
  EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH)));
  EXPECT_TRUE(IsGdiObject(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(dc.SelectObject(static_cast<HGDIOBJ>(nullptr)), nullptr);
  EXPECT_EQ(dc.GetCurrentPen(), GetStockObject(BLACK_PEN));

  // A bitmap is selected into one memory context at a time, never into a window's.
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  HBITMAP first = dc.SelectObject(bmp);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->width(), 1);
  EXPECT_EQ(first->bitsPixel(), 1);
  DC other;
  EXPECT_EQ(other.SelectObject(bmp), nullptr);
  WindowSurface win;
  win.Resize(3, 3);
  DC wdc(win);
  EXPECT_EQ(wdc.SelectObject(bmp), nullptr);
  EXPECT_EQ(dc.SelectObject(first), bmp);
  EXPECT_NE(other.SelectObject(bmp), nullptr);
  // A context that goes away releases what it holds.
  HDC mem = CreateCompatibleDC(nullptr);
  HPEN p2 = CreatePen(PS_SOLID, 1, 0);
  mem->SelectObject(p2);
  DeleteObject(p2);
  EXPECT_TRUE(IsGdiObject(p2));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_FALSE(IsGdiObject(p2));
  other.SelectObject(first);
  (void)first;
}

TEST(DcSurfaces, WindowSurfaceKeepsXorMarksBetweenContexts) {
  WindowSurface win;
  ASSERT_TRUE(win.Resize(8, 4));
  {
    DC dc(win);
    dc.SetROP2(R2_NOTXORPEN);
    dc.MoveTo(0, 1);
    dc.LineTo(8, 1);
  }
  EXPECT_EQ(win.surface().GetPixel(3, 1), kBlack);
  ASSERT_TRUE(win.Resize(10, 5));  // content kept, new part white
  EXPECT_EQ(win.surface().GetPixel(3, 1), kBlack);
  EXPECT_EQ(win.surface().GetPixel(9, 4), kWhite);
  {
    DC dc(win);
    dc.SetROP2(R2_NOTXORPEN);
    dc.MoveTo(0, 1);
    dc.LineTo(8, 1);
  }
  for (LONG x = 0; x < 10; ++x) EXPECT_EQ(win.surface().GetPixel(x, 1), kWhite);
  EXPECT_FALSE(win.Resize(-1, 5));
}

// A surface sized before anything is drawn reads as its fill everywhere,
// through later sizes, a fill and the first drawing; drawn pixels stay.
TEST(DcSurfaces, SurfacesSizedBeforeDrawingReadAsTheirFill) {
  Surface s;
  ASSERT_TRUE(s.Resize(6, 3, 0xFFFFFF));
  ASSERT_TRUE(s.Resize(9, 5, 0xFFFFFF));
  EXPECT_EQ(s.GetPixel(8, 4), kWhite);
  s.Fill(0x123456);
  ASSERT_TRUE(s.Resize(12, 6, 0xFFFFFF));  // the old part keeps the fill, the new part is white
  for (LONG y = 0; y < 6; ++y)
    for (LONG x = 0; x < 12; ++x) ASSERT_EQ(s.row(y)[x], x < 9 && y < 5 ? 0x123456u : 0xFFFFFFu) << x << "," << y;

  Surface t;
  ASSERT_TRUE(t.Resize(4, 4, 0xFFFFFF));
  const Surface& read = t;
  for (LONG y = 0; y < 4; ++y)
    for (LONG x = 0; x < 4; ++x) ASSERT_EQ(read.row(y)[x], 0xFFFFFFu);
  t.row(1)[1] = 5;
  ASSERT_TRUE(t.Resize(2, 2, 0xFFFFFF));
  EXPECT_EQ(t.row(1)[1], 5u);
  EXPECT_FALSE(t.Resize(kMaxSurfaceSide + 1, 1, 0xFFFFFF));
  EXPECT_FALSE(Surface().Resize(kMaxSurfaceSide + 1, 1, 0xFFFFFF));
  EXPECT_EQ(t.width(), 2);
  EXPECT_EQ(t.row(1)[1], 5u);

  Surface m;
  ASSERT_TRUE(m.Create(0, 0, true));
  ASSERT_TRUE(m.Resize(3, 3, 0x808080));  // a mono surface holds black or white
  EXPECT_EQ(m.GetPixel(2, 2), kWhite);
  EXPECT_EQ(m.data()[8], 0xFFFFFFu);
}

TEST(DcSurfaces, MonochromeBitmapsHoldBlackAndWhite) {
  DC dc;  // its first bitmap is 1 x 1 monochrome
  HBITMAP mono = CreateCompatibleBitmap(&dc, 8, 2);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->bitsPixel(), 1);
  HBITMAP old = dc.SelectObject(mono);
  HPEN light = CreatePen(PS_SOLID, 1, RGB(200, 220, 180));
  dc.SelectObject(light);
  dc.FillSolidRect({0, 0, 8, 2}, RGB(30, 0, 0));
  EXPECT_EQ(dc.GetPixel(0, 0), kBlack);
  dc.MoveTo(0, 0);
  dc.LineTo(8, 0);
  EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
  dc.SetROP2(R2_XORPEN);
  dc.MoveTo(0, 1);
  dc.LineTo(4, 1);
  EXPECT_EQ(dc.GetPixel(1, 1), kWhite);
  EXPECT_EQ(dc.GetPixel(5, 1), kBlack);
  dc.SelectObject(old);
  dc.SelectStockObject(BLACK_PEN);
  DeleteObject(light);
  DeleteObject(mono);
  WindowSurface win;
  win.Resize(2, 2);
  DC wdc(win);
  HBITMAP colour = CreateCompatibleBitmap(&wdc, 3, 3);
  EXPECT_EQ(colour->bitsPixel(), 32);
  DeleteObject(colour);
}

TEST(DcPaths, PathFiguresDrawLikeTheirPrimitives) {
  const POINT tri[] = {{2, 2}, {20, 6}, {7, 17}};
  Canvas a(24, 20), b(24, 20);
  for (Canvas* c : {&a, &b}) c->dc.SelectStockObject(GRAY_BRUSH);
  a.dc.Polygon(tri, 3);
  b.dc.BeginPath();
  EXPECT_TRUE(b.dc.InPath());
  b.dc.MoveTo(tri[0]);
  b.dc.LineTo(tri[1]);
  b.dc.LineTo(tri[2]);
  b.dc.CloseFigure();
  EXPECT_EQ(b.Pixels(), Canvas(24, 20).Pixels());  // nothing drawn while building
  EXPECT_FALSE(b.dc.StrokeAndFillPath());  // still open
  EXPECT_TRUE(b.dc.EndPath());
  EXPECT_TRUE(b.dc.StrokeAndFillPath());
  EXPECT_EQ(b.Pixels(), a.Pixels());
  EXPECT_FALSE(b.dc.StrokePath());  // the path was used up
  EXPECT_FALSE(b.dc.EndPath());
  // An open figure strokes as a polyline.
  Canvas c(24, 20), d(24, 20);
  c.dc.Polyline(tri, 3);
  d.dc.BeginPath();
  d.dc.Polyline(tri, 3);
  d.dc.EndPath();
  d.dc.StrokePath();
  EXPECT_EQ(c.Pixels(), d.Pixels());
  d.dc.BeginPath();
  d.dc.LineTo(5, 5);
  d.dc.AbortPath();
  EXPECT_FALSE(d.dc.FillPath());
  EXPECT_EQ(c.Pixels(), d.Pixels());
}

TEST(DcRecording, CallsAreRecordedWithTheirState) {
  Canvas c(10, 10);
  HPEN red = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
  c.dc.SelectObject(red);
  c.dc.SelectStockObject(NULL_BRUSH);
  c.dc.StartRecording();
  c.dc.SetROP2(R2_NOTXORPEN);
  c.dc.MoveTo(1, 2);
  c.dc.LineTo(3, 4);
  c.dc.Rectangle(0, 0, 5, 5);
  c.dc.BitBlt(0, 0, 2, 2, nullptr, 0, 0, BLACKNESS);
  c.dc.StopRecording();
  c.dc.LineTo(0, 0);
  const auto& calls = c.dc.Recorded();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].op, "MoveTo");
  EXPECT_EQ(calls[1].op, "LineTo");
  EXPECT_EQ(calls[1].points, (std::vector<POINT>{{3, 4}}));
  EXPECT_EQ(calls[1].penStyle, PS_DOT);
  EXPECT_EQ(calls[1].penColor, RGB(255, 0, 0));
  EXPECT_EQ(calls[1].rop2, R2_NOTXORPEN);
  EXPECT_EQ(calls[2].op, "Rectangle");
  EXPECT_EQ(calls[2].brushStyle, BS_NULL);
  EXPECT_EQ(calls[2].points, (std::vector<POINT>{{0, 0}, {5, 5}}));
  EXPECT_EQ(calls[3].op, "BitBlt");
  EXPECT_EQ(calls[3].rop3, BLACKNESS);
  c.dc.ClearRecording();
  EXPECT_TRUE(c.dc.Recorded().empty());
  c.dc.SelectStockObject(BLACK_PEN);
  DeleteObject(red);
}

TEST(DcMalformed, HugeCoordinatesAndBadSizesNeitherCrashNorHang) {
  EXPECT_EQ(CreateBitmap(-1, 4, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, -1, 1, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(1 << 30, 1 << 30, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(kMaxSurfaceSide + 1, 1, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, -5, 5), nullptr);
  HBITMAP zero = CreateBitmap(0, 0, 1, 32, nullptr);
  ASSERT_NE(zero, nullptr);
  DC z;
  z.SelectObject(zero);
  z.Rectangle(-5, -5, 5, 5);
  z.MoveTo(0, 0);
  z.LineTo(10, 10);
  EXPECT_EQ(z.GetPixel(0, 0), CLR_INVALID);
  z.StretchBlt(0, 0, 10, 10, &z, 0, 0, 5, 5, SRCCOPY);
  z.SelectObject(static_cast<HBITMAP>(nullptr));

  Canvas c(30, 20);
  const LONG big = 2147483647, small = -2147483647 - 1;
  HPEN wide = CreatePen(PS_SOLID, 7, kBlack);
  HPEN dash = CreatePen(PS_DASHDOTDOT, 1, kBlack);
  c.dc.SetViewportOrg(big, small);
  c.dc.LineTo(0, 0);
  c.dc.SetViewportOrg(0, 0);
  for (HPEN p : {static_cast<HPEN>(GetStockObject(BLACK_PEN)), wide, dash}) {
    c.dc.SelectObject(p);
    c.dc.SelectStockObject(GRAY_BRUSH);
    c.dc.MoveTo(small, small);
    c.dc.LineTo(big, big);
    c.dc.LineTo(small, big);
    c.dc.LineTo(big, 3);
    const POINT poly[] = {{small, small}, {big, small}, {big, big}, {3, 7}, {small, big}};
    c.dc.Polygon(poly, 5);
    c.dc.Polyline(poly, 5);
    c.dc.PolyBezier(poly, 4);
    c.dc.Rectangle(small, small, big, big);
    c.dc.Ellipse(small, small, big, big);
    c.dc.Ellipse(-100000000, 5, 100000000, 15);
    c.dc.RoundRect(small, small, big, big, big, big);
    c.dc.Arc(small, small, big, big, 0, 0, 0, 0);
    c.dc.Pie(small, small, big, big, big, 0, 0, big);
    c.dc.Chord(-1000000, -1000000, 1000000, 1000000, 1, 0, 0, 1);
    c.dc.BeginPath();
    c.dc.Polygon(poly, 5);
    c.dc.EndPath();
    c.dc.StrokeAndFillPath();
  }
  const PointF f[] = {{1e30f, -1e30f}, {std::numeric_limits<float>::infinity(), 0},
                      {std::numeric_limits<float>::quiet_NaN(), 5}, {3, 3e20f}};
  const int n[] = {4};
  c.dc.FillPolygonsF(f, n, 1, WINDING, kBlack);
  const int bad[] = {-4};
  c.dc.FillPolygonsF(f, bad, 1, WINDING, kBlack);
  c.dc.PatBlt(small, small, big, big, PATINVERT);
  c.dc.StretchBlt(small, small, big, big, &c.dc, big, small, -5, big, SRCCOPY);
  c.dc.StretchBlt(0, 0, 30, 20, &c.dc, 0, 0, big, big, SRCINVERT);
  c.dc.BitBlt(0, 0, 30, 20, &c.dc, small, big, SRCCOPY);
  EXPECT_FALSE(c.dc.BitBlt(0, 0, -3, 20, &c.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(c.dc.BitBlt(0, 0, 3, 3, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(c.dc.Polygon(nullptr, 3));
  EXPECT_FALSE(c.dc.Polyline(nullptr, 1));
  c.dc.SelectStockObject(BLACK_PEN);
  DeleteObject(wide);
  DeleteObject(dash);
  DeleteObject(zero);
}

// ---------------------------------------------------------------- block transfers

namespace {

// Reference ternary operation, bit by bit from the truth table.
std::uint32_t RefRop3(unsigned t, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t r = 0;
  for (int b = 0; b < 24; ++b) {
    const unsigned idx = (((p >> b) & 1) << 2) | (((s >> b) & 1) << 1) | ((d >> b) & 1);
    r |= std::uint32_t((t >> idx) & 1) << b;
  }
  return r;
}

}  // namespace

TEST(DcBlit, EveryTernaryCodeFollowsItsTruthTable) {
  const COLORREF dst[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0x12, 0xF0, 0x5A), RGB(0xC3, 0x3C, 0x99)};
  const COLORREF src[] = {RGB(255, 255, 255), RGB(0x0F, 0x55, 0xAA), RGB(0, 0, 0), RGB(0x81, 0x7E, 0x42)};
  const COLORREF pat = RGB(0x6B, 0xD2, 0x1C);
  Canvas s(4, 1);
  for (LONG x = 0; x < 4; ++x) s.dc.SetPixel(x, 0, src[x]);
  HBRUSH brush = CreateSolidBrush(pat);
  for (unsigned t = 0; t < 256; ++t) {
    Canvas d(4, 1);
    for (LONG x = 0; x < 4; ++x) d.dc.SetPixel(x, 0, dst[x]);
    d.dc.SelectObject(brush);
    ASSERT_TRUE(d.dc.BitBlt(0, 0, 4, 1, &s.dc, 0, 0, DWORD(t) << 16));
    for (LONG x = 0; x < 4; ++x)
      ASSERT_EQ(d.dc.GetPixel(x, 0), RefRop3(t, pat, src[x], dst[x])) << "code " << t << " x " << x;
    d.dc.SelectStockObject(WHITE_BRUSH);
  }
  DeleteObject(brush);
  EXPECT_EQ(MERGECOPY >> 16, 0xC0u);
  EXPECT_EQ(NOTSRCCOPY >> 16, 0x33u);
}

TEST(DcBlit, StretchedMaskAndMergeCopy) {
  // 2 x 2 mask: black where the image shows, white where the target shows.
  const BYTE maskBits[] = {0x40, 0, 0x80, 0};  // rows padded to 2 bytes
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
  ASSERT_NE(mask, nullptr);
  DC maskDC;
  HBITMAP oldMask = maskDC.SelectObject(mask);
  Canvas image(2, 2, kBlack);
  image.dc.SetPixel(0, 0, RGB(255, 0, 0));
  image.dc.SetPixel(1, 1, RGB(0, 0, 255));
  Canvas d(4, 4, RGB(0, 255, 0));
  ASSERT_TRUE(d.dc.StretchBlt(0, 0, 4, 4, &maskDC, 0, 0, 2, 2, SRCAND));
  ASSERT_TRUE(d.dc.StretchBlt(0, 0, 4, 4, &image.dc, 0, 0, 2, 2, SRCPAINT));
  const COLORREF want[2][2] = {{RGB(255, 0, 0), RGB(0, 255, 0)}, {RGB(0, 255, 0), RGB(0, 0, 255)}};
  for (LONG y = 0; y < 4; ++y)
    for (LONG x = 0; x < 4; ++x) EXPECT_EQ(d.dc.GetPixel(x, y), want[y / 2][x / 2]) << x << "," << y;

  // Monochrome sources take the target's text and background colours.
  Canvas t(2, 2);
  t.dc.SetTextColor(RGB(10, 20, 30));
  t.dc.SetBkColor(RGB(200, 100, 50));
  t.dc.BitBlt(0, 0, 2, 2, &maskDC, 0, 0, SRCCOPY);
  EXPECT_EQ(t.dc.GetPixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(t.dc.GetPixel(1, 0), RGB(200, 100, 50));

  // MERGECOPY: brush AND source, stretched 1 -> 3.
  Canvas src(2, 1);
  src.dc.SetPixel(0, 0, RGB(0xFF, 0xFF, 0xFF));
  src.dc.SetPixel(1, 0, RGB(0x3C, 0xC3, 0x0F));
  Canvas m(6, 2, RGB(1, 2, 3));
  HBRUSH b = CreateSolidBrush(RGB(0xF0, 0x0F, 0xAA));
  m.dc.SelectObject(b);
  ASSERT_TRUE(m.dc.StretchBlt(0, 0, 6, 2, &src.dc, 0, 0, 2, 1, MERGECOPY));
  for (LONG y = 0; y < 2; ++y) {
    for (LONG x = 0; x < 3; ++x) EXPECT_EQ(m.dc.GetPixel(x, y), RGB(0xF0, 0x0F, 0xAA));
    for (LONG x = 3; x < 6; ++x) EXPECT_EQ(m.dc.GetPixel(x, y), RGB(0x30, 0x03, 0x0A));
  }
  m.dc.SelectStockObject(WHITE_BRUSH);
  DeleteObject(b);
  maskDC.SelectObject(oldMask);
  DeleteObject(mask);
}

TEST(DcBlit, ColourToMonochromeMirroringAndOverlap) {
  // Colour -> monochrome: the source's background colour becomes white.
  Canvas src(3, 1);
  src.dc.SetPixel(0, 0, RGB(255, 0, 0));
  src.dc.SetPixel(1, 0, RGB(0, 0, 255));
  src.dc.SetPixel(2, 0, RGB(255, 255, 255));
  src.dc.SetBkColor(RGB(255, 0, 0));
  DC mono;
  HBITMAP mb = CreateBitmap(3, 1, 1, 1, nullptr);
  HBITMAP old = mono.SelectObject(mb);
  mono.BitBlt(0, 0, 3, 1, &src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.GetPixel(0, 0), kWhite);
  EXPECT_EQ(mono.GetPixel(1, 0), kBlack);
  EXPECT_EQ(mono.GetPixel(2, 0), kBlack);
  mono.SelectObject(old);
  DeleteObject(mb);

  // Negative source width mirrors.
  Canvas d(3, 1);
  d.dc.StretchBlt(0, 0, 3, 1, &src.dc, 3, 0, -3, 1, SRCCOPY);
  EXPECT_EQ(d.dc.GetPixel(0, 0), kWhite);
  EXPECT_EQ(d.dc.GetPixel(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(d.dc.GetPixel(2, 0), RGB(255, 0, 0));

  // A copy within one surface reads the source as it was.
  Canvas s(5, 5);
  PaintNoise(s.dc);
  const Surface before = s.dc.GetSurface();
  s.dc.BitBlt(1, 1, 4, 4, &s.dc, 0, 0, SRCCOPY);
  for (LONG y = 1; y < 5; ++y)
    for (LONG x = 1; x < 5; ++x) EXPECT_EQ(s.dc.GetPixel(x, y), before.GetPixel(x - 1, y - 1));
  // Codes that use no source need none.
  EXPECT_TRUE(s.dc.BitBlt(0, 0, 5, 5, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(s.dc.GetPixel(4, 4), kWhite);
  EXPECT_FALSE(s.dc.PatBlt(0, 0, 5, 5, SRCCOPY));
}

// A plain copy gives what the same copy through the general path (a stretch
// of one to one) gives: sources partly outside, clipping, offsets, one surface.
TEST(DcBlit, PlainCopiesMatchTheOneToOneStretch) {
  struct Case {
    LONG x, y, w, h, xs, ys;
  } cases[] = {{0, 0, 9, 7, 0, 0},   {2, 1, 9, 7, -3, -2}, {-4, -3, 20, 20, 1, 1},
               {3, 3, 5, 2, 6, 5},   {0, 0, 9, 7, 9, 0},   {1, 2, 4, 4, 2, -5}};
  for (bool clip : {false, true})
    for (const Case& c : cases) {
      Canvas src(9, 7);
      PaintNoise(src.dc);
      Canvas a(11, 8, RGB(1, 2, 3)), b(11, 8, RGB(1, 2, 3));
      if (clip) {
        const RECT r{2, 1, 8, 6};
        a.dc.SelectClipRect(&r);
        b.dc.SelectClipRect(&r);
        a.dc.SetViewportOrg(1, -1);
        b.dc.SetViewportOrg(1, -1);
      }
      ASSERT_TRUE(a.dc.BitBlt(c.x, c.y, c.w, c.h, &src.dc, c.xs, c.ys, SRCCOPY));
      ASSERT_TRUE(b.dc.StretchBlt(c.x, c.y, c.w, c.h, &src.dc, c.xs, c.ys, c.w, c.h, SRCCOPY));
      EXPECT_EQ(a.Pixels(), b.Pixels()) << c.x << "," << c.y << " from " << c.xs << "," << c.ys << " clip " << clip;
      // Within one surface.
      Canvas s1(9, 7), s2(9, 7);
      PaintNoise(s1.dc);
      PaintNoise(s2.dc);
      s1.dc.BitBlt(c.x, c.y, c.w, c.h, &s1.dc, c.xs, c.ys, SRCCOPY);
      s2.dc.StretchBlt(c.x, c.y, c.w, c.h, &s2.dc, c.xs, c.ys, c.w, c.h, SRCCOPY);
      EXPECT_EQ(s1.Pixels(), s2.Pixels()) << c.x << "," << c.y;
    }
}

TEST(DcLines, ClippedLongLinesStayOnTheirCourse) {
  // A line from far outside: one pixel per column, within half a pixel of the
  // exact course where it crosses the surface.
  for (LONG scale : {1000, 1000000}) {
    Canvas c(40, 30);
    c.dc.MoveTo(-4 * scale, -3 * scale);
    c.dc.LineTo(4 * scale + 1, 3 * scale);
    for (LONG x = 0; x < 40; ++x) {
      int hits = 0;
      for (LONG y = 0; y < 30; ++y)
        if (c.dc.GetPixel(x, y) == kBlack) {
          ++hits;
          const double exact = -3.0 * scale + (double(x) + 4.0 * scale) * (6.0 * scale) / (8.0 * scale + 1);
          EXPECT_LE(std::abs(double(y) - exact), 0.5 + 1e-6) << scale << " x " << x;
        }
      EXPECT_EQ(hits, 1) << scale << " x " << x;
    }
  }
  // Corners given in any order draw the same rectangle (rubber bands).
  Canvas a(10, 10), b(10, 10);
  a.dc.Rectangle(2, 3, 8, 9);
  b.dc.Rectangle(8, 9, 2, 3);
  EXPECT_EQ(a.Pixels(), b.Pixels());
}

TEST(DcSurfaces, RasterOfAMemoryContextReadPixelByPixel) {
  // The engraver's way: a memory context, a bitmap compatible with it (as on
  // the platform, monochrome like the context's first bitmap), a white field,
  // black fills, a NOT-XOR frame with the null pen, then pixel reads.
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 12, 6);
  ASSERT_NE(bmp, nullptr);
  HBITMAP old = mem->SelectObject(bmp);
  mem->SelectStockObject(WHITE_PEN);
  mem->SelectStockObject(WHITE_BRUSH);
  mem->Rectangle(-10, -10, 22, 16);
  mem->SetViewportOrg(0, 0);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  mem->SelectObject(black);
  mem->SelectStockObject(BLACK_PEN);
  mem->Rectangle(2, 1, 6, 5);
  mem->SetROP2(R2_NOTXORPEN);
  mem->SelectStockObject(NULL_PEN);
  mem->Rectangle(0, 0, 13, 7);  // the whole raster inverted
  std::string row;
  for (LONG x = 0; x < 12; ++x) row += mem->GetPixel(x, 2) == kWhite ? '.' : '#';
  EXPECT_EQ(row, "##....######");
  EXPECT_EQ(mem->GetPixel(12, 2), CLR_INVALID);
  mem->SelectObject(old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

namespace {

// A path of lines, a curve, one-step segments, a closed figure and a line
// across the whole surface.
void KeptPath(DC& dc) {
  dc.BeginPath();
  dc.MoveTo(3, 3);
  dc.LineTo(40, 9);
  dc.LineTo(12, 30);
  const POINT bez[] = {{30, 40}, {60, -10}, {50, 25}};
  dc.PolyBezierTo(bez, 3);
  dc.CloseFigure();
  dc.MoveTo(5, 35);
  dc.LineTo(6, 36);
  dc.LineTo(7, 36);
  dc.LineTo(7, 37);
  dc.MoveTo(-10, 20);
  dc.LineTo(70, 22);
  dc.EndPath();
}

}  // namespace

// Stroked twice, kept pixels or not, a path sets the same pixels, for thin
// and wide pens, several raster operations, under a clip and an origin; the
// second time straight from what the first kept. Another clip, origin, pen
// width or surface, a dashed pen, or recording keeps or sets nothing.
TEST(DcPaths, KeptStrokesSetWhatTheStrokeSets) {
  for (int rop : {R2_COPYPEN, R2_XORPEN, R2_NOTXORPEN, R2_MASKPEN}) {
    for (int width : {1, 3}) {
      HPEN pen = CreatePen(PS_SOLID, width, RGB(200, 30, 90));
      Canvas plain(48, 40, RGB(90, 200, 10)), kept(48, 40, RGB(90, 200, 10));
      for (Canvas* c : {&plain, &kept}) {
        c->dc.SelectObject(pen);
        c->dc.SetROP2(rop);
        c->dc.IntersectClipRect(2, 1, 45, 38);
        c->dc.SetViewportOrg(1, -2);
      }
      KeptStroke keep;
      KeptPath(plain.dc);
      plain.dc.StrokePath();
      KeptPath(kept.dc);
      kept.dc.StrokePath(&keep);
      ASSERT_TRUE(keep.IsKept());
      EXPECT_EQ(kept.Pixels(), plain.Pixels()) << rop << " " << width;
      KeptPath(plain.dc);
      plain.dc.StrokePath();
      kept.dc.MoveTo(0, 0);
      kept.dc.BeginPath();  // left over: a kept stroke ends it as the stroke did
      EXPECT_TRUE(kept.dc.StrokeKept(keep));
      EXPECT_EQ(kept.Pixels(), plain.Pixels()) << rop << " " << width;
      EXPECT_EQ(kept.dc.GetCurrentPosition(), plain.dc.GetCurrentPosition());
      EXPECT_FALSE(kept.dc.InPath());
      kept.dc.SelectStockObject(NULL_PEN);
      DeleteObject(pen);
    }
  }
  Canvas c(48, 40);
  HPEN thin = CreatePen(PS_SOLID, 1, kBlack), wide = CreatePen(PS_SOLID, 2, kBlack);
  HPEN dashed = CreatePen(PS_DASH, 1, kBlack);
  c.dc.SelectObject(thin);
  KeptStroke keep;
  KeptPath(c.dc);
  c.dc.StrokePath(&keep);
  ASSERT_TRUE(keep.IsKept());
  const std::vector<std::uint32_t> once = c.Pixels();
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  c.dc.SelectObject(red);  // another colour of the same shape sets its own colour
  EXPECT_TRUE(c.dc.StrokeKept(keep));
  EXPECT_NE(c.Pixels(), once);
  c.dc.SelectObject(thin);
  EXPECT_TRUE(c.dc.StrokeKept(keep));
  EXPECT_EQ(c.Pixels(), once);
  c.dc.SelectObject(wide);
  EXPECT_FALSE(c.dc.StrokeKept(keep));
  c.dc.SelectObject(thin);
  c.dc.SetViewportOrg(0, 1);
  EXPECT_FALSE(c.dc.StrokeKept(keep));
  c.dc.SetViewportOrg(0, 0);
  c.dc.IntersectClipRect(0, 0, 30, 30);
  EXPECT_FALSE(c.dc.StrokeKept(keep));
  c.dc.SelectClipRect(nullptr);
  c.dc.StartRecording();
  EXPECT_FALSE(c.dc.StrokeKept(keep));
  c.dc.StopRecording();
  Canvas larger(49, 40);
  larger.dc.SelectObject(thin);
  EXPECT_FALSE(larger.dc.StrokeKept(keep));
  EXPECT_EQ(c.Pixels(), once);
  c.dc.SelectObject(dashed);
  KeptPath(c.dc);
  c.dc.StrokePath(&keep);
  EXPECT_FALSE(keep.IsKept());
  EXPECT_FALSE(c.dc.StrokeKept(keep));
  c.dc.SelectStockObject(BLACK_PEN);
  larger.dc.SelectStockObject(BLACK_PEN);
  for (HPEN p : {thin, wide, dashed, red}) DeleteObject(p);
}

// A kept thin stroke of small curves moved by whole pixels sets what the
// path moved so sets, for paths of random small curves and lines across a
// wide surface (coordinates up to 4,000) and random moves; it refuses where
// the stroke, or its moved place, reaches out of the clip box, for a wide
// pen, and for a curve too long to tell.
TEST(DcPaths, KeptStrokesMovedByWholePixelsSetWhatTheMovedStrokeSets) {
  std::uint32_t seed = 7;
  auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % std::uint32_t(n));
  };
  auto path = [](DC& dc, const std::vector<POINT>& pts, POINT by) {
    dc.BeginPath();
    dc.MoveTo(pts[0].x + by.x, pts[0].y + by.y);
    for (std::size_t i = 1; i + 2 < pts.size(); i += 3) {
      const POINT bez[] = {{pts[i].x + by.x, pts[i].y + by.y},
                           {pts[i + 1].x + by.x, pts[i + 1].y + by.y},
                           {pts[i + 2].x + by.x, pts[i + 2].y + by.y}};
      if (i % 2) dc.PolyBezierTo(bez, 3);
      else dc.LineTo(bez[2].x, bez[2].y);
    }
    dc.CloseFigure();
    dc.EndPath();
  };
  HPEN thin = CreatePen(PS_SOLID, 1, RGB(20, 40, 200));
  int moved = 0;
  Canvas kept(4096, 64), fresh(4096, 64);
  kept.dc.SelectObject(thin);
  fresh.dc.SelectObject(thin);
  for (int round = 0; round < 40; ++round) {
    std::vector<POINT> pts{{LONG(8 + next(3970)), LONG(20 + next(20))}};
    for (int k = 0; k < 24; ++k) {
      const POINT& b = pts.back();
      pts.push_back({std::clamp<LONG>(b.x + next(9) - 4, 3, 4085), std::clamp<LONG>(b.y + next(9) - 4, 3, 60)});
    }
    const POINT by{LONG(next(4000)) - pts[0].x, LONG(20 + next(24)) - pts[0].y};
    KeptStroke keep;
    path(kept.dc, pts, {0, 0});
    kept.dc.StrokePath(&keep);
    ASSERT_TRUE(keep.IsKept());
    kept.dc.FillSolidRect({0, 0, 4096, 64}, kWhite);
    fresh.dc.FillSolidRect({0, 0, 4096, 64}, kWhite);
    path(fresh.dc, pts, by);
    fresh.dc.StrokePath();
    if (kept.dc.StrokeKept(keep, by.x, by.y)) {
      ++moved;
      ASSERT_EQ(kept.Pixels(), fresh.Pixels()) << round;
      EXPECT_EQ(kept.dc.GetCurrentPosition(), fresh.dc.GetCurrentPosition());
    }
  }
  kept.dc.SelectStockObject(BLACK_PEN);
  fresh.dc.SelectStockObject(BLACK_PEN);
  EXPECT_GT(moved, 30);

  Canvas c(64, 48);
  HPEN wide = CreatePen(PS_SOLID, 2, kBlack);
  const std::vector<POINT> small{{10, 10}, {14, 8}, {18, 12}, {20, 16}, {0, 0}, {0, 0}, {16, 22}};
  struct Case {
    const char* what;
    std::vector<POINT> pts;
    HPEN pen;
    RECT clip;
    POINT by;
    bool moves;
  };
  const Case cases[] = {
      {"inside", small, thin, {0, 0, 64, 48}, {30, 20}, true},
      {"back past the origin", small, thin, {0, 0, 64, 48}, {-7, -5}, true},
      {"moved onto the clip edge", small, thin, {0, 0, 64, 48}, {42, 0}, false},
      {"moved out", small, thin, {0, 0, 64, 48}, {0, 60}, false},
      {"clipped where kept", small, thin, {12, 0, 64, 48}, {20, 0}, false},
      {"wide pen", small, wide, {0, 0, 64, 48}, {3, 3}, false},
      {"long curve", {{4, 4}, {30, 4}, {30, 30}, {4, 30}}, thin, {0, 0, 64, 48}, {1, 0}, false},
  };
  for (const Case& k : cases) {
    c.dc.SelectObject(k.pen);
    c.dc.SelectClipRect(nullptr);
    c.dc.IntersectClipRect(k.clip.left, k.clip.top, k.clip.right, k.clip.bottom);
    KeptStroke keep;
    path(c.dc, k.pts, {0, 0});
    c.dc.StrokePath(&keep);
    ASSERT_TRUE(keep.IsKept()) << k.what;
    EXPECT_EQ(c.dc.StrokeKept(keep, k.by.x, k.by.y), k.moves) << k.what;
    EXPECT_TRUE(c.dc.StrokeKept(keep, 0, 0)) << k.what;
  }
  c.dc.SelectStockObject(BLACK_PEN);
  DeleteObject(thin);
  DeleteObject(wide);
}
