// Pinned output of the raster and the glyph outlines: checksums of a varied
// scene's pixels and of native outline bytes, taken before the fast paths went
// in. A change here changes what every view, page and engraving shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/font.h"

using namespace plat;

namespace {

struct Fnv {
  std::uint64_t h = 1469598103934665603ull;
  void Add(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  template <class T>
  void Add(const T& v) {
    Add(&v, sizeof v);
  }
};

struct Rng {
  std::uint32_t s;
  LONG Next(LONG lo, LONG hi) {  // [lo, hi)
    s = s * 1664525u + 1013904223u;
    return lo + LONG((s >> 8) % std::uint32_t(hi - lo));
  }
};

std::uint64_t SurfaceHash(DC& dc) {
  const Surface& s = dc.GetSurface();
  Fnv f;
  for (LONG y = 0; y < s.height(); ++y) f.Add(s.row(y), sizeof(std::uint32_t) * std::size_t(s.width()));
  return f.h;
}

std::vector<POINT> RandomPolygon(Rng& r, int n, LONG cx, LONG cy, LONG radius, bool star) {
  std::vector<POINT> p;
  for (int k = 0; k < n; ++k) {
    if (star) {
      const double a = 2 * M_PI * k / n, rr = radius * (0.3 + 0.7 * r.Next(0, 1000) / 1000.0);
      p.push_back({LONG(cx + rr * std::cos(a)), LONG(cy + rr * std::sin(a))});
    } else {
      p.push_back({cx + r.Next(-radius, radius), cy + r.Next(-radius, radius)});
    }
  }
  return p;
}

// Each stage draws onto what the earlier ones left.
struct Stage {
  const char* name;
  std::function<void(DC&, Rng&)> draw;
};

const std::vector<Stage>& Scene() {
  static const std::vector<Stage> stages = {
      {"alternate, null pen, solid brush",
       [](DC& dc, Rng& r) {
         dc.SelectStockObject(NULL_PEN);
         HBRUSH b = CreateSolidBrush(RGB(30, 160, 90));
         dc.SelectObject(b);
         dc.SetPolyFillMode(ALTERNATE);
         for (int i = 0; i < 60; ++i) {
           auto p = RandomPolygon(r, 5 + r.Next(0, 40), r.Next(-50, 690), r.Next(-50, 530),
                                  r.Next(3, 160), i % 2 == 0);
           dc.Polygon(p.data(), int(p.size()));
         }
         dc.SelectStockObject(WHITE_BRUSH);
         DeleteObject(b);
       }},
      {"winding, thin pen",
       [](DC& dc, Rng& r) {
         HBRUSH b = CreateSolidBrush(RGB(200, 40, 70));
         dc.SelectObject(b);
         dc.SelectStockObject(BLACK_PEN);
         dc.SetPolyFillMode(WINDING);
         for (int i = 0; i < 40; ++i) {
           auto p = RandomPolygon(r, 3 + r.Next(0, 30), r.Next(0, 640), r.Next(0, 480),
                                  r.Next(2, 120), i % 3 == 0);
           dc.Polygon(p.data(), int(p.size()));
         }
         dc.SelectStockObject(WHITE_BRUSH);
         DeleteObject(b);
       }},
      {"xor modes, dashed pen, hatch",
       [](DC& dc, Rng& r) {
         HPEN pen = CreatePen(PS_DASHDOT, 1, RGB(10, 20, 250));
         HBRUSH b = CreateHatchBrush(HS_DIAGCROSS, RGB(250, 250, 0));
         dc.SelectObject(pen);
         dc.SelectObject(b);
         for (int i = 0; i < 30; ++i) {
           dc.SetROP2(i % 2 ? R2_XORPEN : R2_NOTXORPEN);
           dc.SetBkMode(i % 3 ? OPAQUE : TRANSPARENT);
           dc.SetPolyFillMode(i % 4 < 2 ? ALTERNATE : WINDING);
           auto p = RandomPolygon(r, 4 + r.Next(0, 20), r.Next(0, 640), r.Next(0, 480),
                                  r.Next(5, 100), false);
           dc.Polygon(p.data(), int(p.size()));
         }
         dc.SetROP2(R2_COPYPEN);
         dc.SetBkMode(OPAQUE);
         dc.SelectStockObject(BLACK_PEN);
         dc.SelectStockObject(WHITE_BRUSH);
         DeleteObject(pen);
         DeleteObject(b);
       }},
      {"solid brush through every raster operation",
       [](DC& dc, Rng& r) {
         dc.SelectStockObject(NULL_PEN);
         HBRUSH b = CreateSolidBrush(RGB(90, 120, 230));
         dc.SelectObject(b);
         for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
           dc.SetROP2(rop);
           dc.SetPolyFillMode(rop % 2 ? ALTERNATE : WINDING);
           auto p = RandomPolygon(r, 12, r.Next(0, 640), r.Next(0, 480), r.Next(20, 90), rop % 3 == 0);
           dc.Polygon(p.data(), int(p.size()));
         }
         dc.SetROP2(R2_COPYPEN);
         dc.SelectStockObject(WHITE_BRUSH);
         DeleteObject(b);
       }},
      {"lines in copy and not-xor",
       [](DC& dc, Rng& r) {
         HPEN pen = CreatePen(PS_SOLID, 1, RGB(240, 120, 10));
         dc.SelectObject(pen);
         for (int i = 0; i < 600; ++i) {
           dc.SetROP2(i < 300 ? R2_COPYPEN : R2_NOTXORPEN);
           dc.MoveTo(r.Next(-100, 740), r.Next(-100, 580));
           dc.LineTo(r.Next(-100, 740), r.Next(-100, 580));
         }
         // Horizontal, vertical, diagonal, single-step and empty lines.
         for (int i = 0; i < 40; ++i) {
           const LONG x = r.Next(0, 640), y = r.Next(0, 480), d = r.Next(-200, 200);
           dc.MoveTo(x, y);
           dc.LineTo(x + d, y);
           dc.LineTo(x + d, y + d);
           dc.LineTo(x, y);
           dc.LineTo(x + 1, y);
           dc.LineTo(x + 1, y);
         }
         dc.SetROP2(R2_COPYPEN);
         dc.SelectStockObject(BLACK_PEN);
         DeleteObject(pen);
       }},
      {"every raster operation on lines",
       [](DC& dc, Rng& r) {
         HPEN pen = CreatePen(PS_SOLID, 0, RGB(60, 200, 140));
         dc.SelectObject(pen);
         for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
           dc.SetROP2(rop);
           for (int i = 0; i < 8; ++i) {
             dc.MoveTo(r.Next(0, 640), r.Next(0, 480));
             dc.LineTo(r.Next(0, 640), r.Next(0, 480));
           }
         }
         dc.SetROP2(R2_COPYPEN);
         dc.SelectStockObject(BLACK_PEN);
         DeleteObject(pen);
       }},
      {"dashed lines and polylines",
       [](DC& dc, Rng& r) {
         const int styles[] = {PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
         for (int i = 0; i < 80; ++i) {
           HPEN pen = CreatePen(styles[i % 4], 1, RGB(0, 0, 0));
           dc.SelectObject(pen);
           dc.SetBkMode(i % 2 ? OPAQUE : TRANSPARENT);
           dc.SetBkColor(RGB(255, 230, 200));
           dc.SetROP2(i % 5 ? R2_COPYPEN : R2_NOTXORPEN);
           POINT pts[6];
           for (POINT& p : pts) p = {r.Next(-20, 660), r.Next(-20, 500)};
           if (i % 3 == 0) {
             dc.Polyline(pts, 6);
           } else {
             dc.MoveTo(pts[0]);
             dc.LineTo(pts[1]);
             dc.LineTo(pts[2]);
           }
           dc.SelectStockObject(BLACK_PEN);
           DeleteObject(pen);
         }
         dc.SetROP2(R2_COPYPEN);
         dc.SetBkMode(OPAQUE);
         dc.SetBkColor(RGB(255, 255, 255));
       }},
      {"wide pens",
       [](DC& dc, Rng& r) {
         for (int i = 0; i < 20; ++i) {
           HPEN pen = CreatePen(PS_SOLID, 2 + i % 5, RGB(20 * i, 100, 200));
           dc.SelectObject(pen);
           POINT pts[4];
           for (POINT& p : pts) p = {r.Next(0, 640), r.Next(0, 480)};
           if (i % 2)
             dc.Polyline(pts, 4);
           else
             dc.Polygon(pts, 4);
           dc.SelectStockObject(BLACK_PEN);
           DeleteObject(pen);
         }
       }},
      {"clip rectangle and viewport origin",
       [](DC& dc, Rng& r) {
         dc.SetViewportOrg(13, -7);
         dc.IntersectClipRect(100, 80, 500, 390);
         HBRUSH b = CreateSolidBrush(RGB(250, 0, 250));
         dc.SelectObject(b);
         for (int i = 0; i < 30; ++i) {
           dc.SelectStockObject(i % 2 ? NULL_PEN : BLACK_PEN);
           dc.SetROP2(i % 3 ? R2_COPYPEN : R2_XORPEN);
           auto p = RandomPolygon(r, 3 + r.Next(0, 25), r.Next(0, 640), r.Next(0, 480),
                                  r.Next(10, 300), i % 2 == 1);
           dc.Polygon(p.data(), int(p.size()));
           dc.MoveTo(r.Next(-1000, 1600), r.Next(-1000, 1400));
           dc.LineTo(r.Next(-1000, 1600), r.Next(-1000, 1400));
         }
         dc.Rectangle(90, 70, 300, 200);
         dc.Ellipse(250, 150, 560, 420);
         dc.RoundRect(120, 300, 400, 470, 40, 30);
         dc.SetROP2(R2_COPYPEN);
         dc.SelectStockObject(BLACK_PEN);
         dc.SelectStockObject(WHITE_BRUSH);
         DeleteObject(b);
         dc.SelectClipRect(nullptr);
         dc.SetViewportOrg(0, 0);
       }},
      {"curves and far coordinates",
       [](DC& dc, Rng& r) {
         for (int i = 0; i < 20; ++i) {
           POINT pts[7];
           for (POINT& p : pts) p = {r.Next(-300, 940), r.Next(-300, 780)};
           if (i % 4 == 3) pts[2] = {r.Next(-200000, 200000), r.Next(-200000, 200000)};
           dc.PolyBezier(pts, 7);
         }
         const POINT far[] = {{-100000, 5}, {100000, 470}, {320, -900000}, {5, 2000000}};
         dc.Polygon(far, 4);
         dc.MoveTo(-2000000000, -1999999999);
         dc.LineTo(2000000000, 1999999000);
         dc.Ellipse(-300, -200, 900, 700);
       }},
      {"sub-pixel fills",
       [](DC& dc, Rng& r) {
         for (int i = 0; i < 40; ++i) {
           std::vector<PointF> pts;
           int counts[2] = {3 + r.Next(0, 12), 3 + r.Next(0, 8)};
           for (int k = 0; k < counts[0] + counts[1]; ++k)
             pts.push_back({float(r.Next(-4000, 68000)) / 100.0f, float(r.Next(-4000, 52000)) / 100.0f});
           dc.SetROP2(i % 3 ? R2_COPYPEN : R2_NOTXORPEN);
           dc.FillPolygonsF(pts.data(), counts, 2, i % 2 ? WINDING : ALTERNATE,
                            RGB(i * 6, 255 - i * 6, 128));
         }
         dc.SetROP2(R2_COPYPEN);
       }},
  };
  return stages;
}

TEST(RasterGolden, SceneChecksumsStayAsPinned) {
  const std::uint64_t want[] = {
      0x85f52b4fc0af1aaa, 0xbe604a6c7199531f, 0x5139285d0b289a4b, 0x2b569e2d6f6ec24e,
      0xedca10af55b29356, 0x7bbf44974806c084, 0x0172e5087285a141, 0xbec68a2bae2d7fd5,
      0xa6d3e6dfac47c6b6, 0xeb1fd49ca14d8383, 0xbbb89e4efcd785a3,
  };
  ASSERT_EQ(std::size(want), Scene().size());
  DC dc;
  HBITMAP bmp = CreateBitmap(640, 480, 1, 32, nullptr);
  dc.SelectObject(bmp);
  dc.GetSurface().Fill(0xFFFFFF);
  Rng r{7};
  for (std::size_t i = 0; i < Scene().size(); ++i) {
    Scene()[i].draw(dc, r);
    const std::uint64_t h = SurfaceHash(dc);
    EXPECT_EQ(h, want[i]) << Scene()[i].name << ": 0x" << std::hex << h;
  }
  // The same scene on a monochrome bitmap.
  DC mono;
  HBITMAP mbmp = CreateBitmap(333, 257, 1, 1, nullptr);
  mono.SelectObject(mbmp);
  Rng rm{11};
  for (const Stage& s : Scene()) s.draw(mono, rm);
  const std::uint64_t hm = SurfaceHash(mono);
  EXPECT_EQ(hm, 0x752c66ff81ef10c3u) << "monochrome: 0x" << std::hex << hm;
  dc.SelectObject(static_cast<HBITMAP>(nullptr));
}

// Outline bytes and metrics of GB2312 characters and Latin letters under
// integer, fractional, rotated and sheared transforms, and with the synthetic
// bold and italic.
TEST(RasterGolden, GlyphOutlineChecksumsStayAsPinned) {
  bool any = false;
  for (const FontFace& f : InstalledFontFaces()) any = any || f.englishName == "AR PL SungtiL GB";
  if (!any) GTEST_SKIP() << "AR PL SungtiL GB is not installed (scripts/deps.sh)";
  struct Setup {
    const char* face;
    BYTE charSet;
    LONG height, width, weight;
    BYTE italic;
    double m[4];
    std::uint64_t want;
  } setups[] = {
      {"AR PL SungtiL GB", GB2312_CHARSET, -1024, 0, 400, 0, {1, 0, 0, 1}, 0x6e4b1776ddae69cf},
      {"AR PL SungtiL GB", GB2312_CHARSET, -37, 0, 400, 0, {1, 0, 0, 1}, 0x0ba3b73524b24104},
      {"AR PL SungtiL GB", GB2312_CHARSET, -200, 150, 400, 0, {2, 0, 0, 0.5}, 0xa6099bff184268c5},
      {"AR PL SungtiL GB", GB2312_CHARSET, -300, 0, 700, 1, {1, 0, 0, 1}, 0x248070b58dff3e89},
      {"AR PL SungtiL GB", GB2312_CHARSET, 500, 0, 400, 0, {0.8, -0.6, 0.6, 0.8}, 0xf26a8f3c061cea3e},
      {"AR PL SungtiL GB", GB2312_CHARSET, -4096, 0, 400, 0, {1, 0.25, 0, -1}, 0x0fca43cacb27c500},
      {"DejaVu Sans", ANSI_CHARSET, -1000, 0, 400, 0, {1, 0, 0, 1}, 0xdfaad851ba02bd0e},
      {"DejaVu Sans", ANSI_CHARSET, -33, 21, 700, 0, {1.5, 0, 0, 1}, 0x1054bdbe91156e9a},
  };
  std::vector<UINT> gb;
  for (UINT i = 0; i < 6763; i += 23) gb.push_back((0xB0 + i / 94) << 8 | (0xA1 + i % 94));
  std::vector<UINT> latin;
  for (UINT c = 33; c < 127; ++c) latin.push_back(c);
  std::vector<unsigned char> buf(1 << 20);
  for (const Setup& s : setups) {
    LOGFONT lf;
    lf.lfHeight = s.height;
    lf.lfWidth = s.width;
    lf.lfWeight = s.weight;
    lf.lfItalic = s.italic;
    lf.lfCharSet = s.charSet;
    lf.SetFaceName(s.face);
    Font font(lf);
    ASSERT_EQ(font.RealizedFamily(), s.face);
    MAT2 mat{FixedFromDouble(s.m[0]), FixedFromDouble(s.m[2]), FixedFromDouble(s.m[1]),
             FixedFromDouble(s.m[3])};
    const bool identity = s.m[0] == 1 && s.m[1] == 0 && s.m[2] == 0 && s.m[3] == 1;
    Fnv f;
    std::size_t glyphs = 0;
    for (UINT code : s.charSet == GB2312_CHARSET ? gb : latin) {
      GLYPHMETRICS gm;
      const DWORD n = font.GetGlyphOutline(code, GGO_NATIVE, &gm, 0, nullptr, identity ? nullptr : &mat);
      f.Add(n);
      if (n == GDI_ERROR || n > buf.size()) continue;
      GLYPHMETRICS gm2;
      const DWORD got = font.GetGlyphOutline(code, GGO_NATIVE, &gm2, n, buf.data(), identity ? nullptr : &mat);
      ASSERT_EQ(got, n);
      f.Add(buf.data(), n);
      for (const GLYPHMETRICS* g : {&gm, &gm2}) {
        f.Add(g->gmBlackBoxX);
        f.Add(g->gmBlackBoxY);
        f.Add(g->gmptGlyphOrigin.x);
        f.Add(g->gmptGlyphOrigin.y);
        f.Add(g->gmCellIncX);
        f.Add(g->gmCellIncY);
      }
      ++glyphs;
    }
    EXPECT_GT(glyphs, 50u) << s.face << " " << s.height;
    EXPECT_EQ(f.h, s.want) << s.face << " " << s.height << ": 0x" << std::hex << f.h;
  }
}

}  // namespace
