// Window surfaces at a device pixel ratio: contexts draw in logical pixels onto
// the physical ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/text_out.h"

using namespace plat;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kInk = RGB(20, 90, 200);

std::vector<std::uint32_t> Pixels(const Surface& s) {
  return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * std::size_t(s.height()));
}

// Pixels of a and b that differ.
int Differing(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int n = 0;
  for (LONG y = 0; y < a.height(); ++y)
    for (LONG x = 0; x < a.width(); ++x) n += a.row(y)[x] != b.row(y)[x];
  return n;
}

// A window surface of w x h logical pixels at a ratio.
struct Window {
  WindowSurface surface;
  Window(LONG w, LONG h, double ratio) {
    surface.SetRatio(ratio);
    surface.Resize(w, h);
  }
};

// A drawing of logical coordinates times k (pen widths above 1 too).
using Drawing = std::function<void(DC&, LONG k)>;

struct Figure {
  std::string name;
  Drawing draw;
};

std::vector<Figure> Figures() {
  auto pen = [](DC& d, int style, int width, COLORREF c) {
    HPEN p = CreatePen(style, width, c);
    DeleteObject(d.SelectObject(p));
  };
  auto brush = [](DC& d, COLORREF c) { DeleteObject(d.SelectObject(CreateSolidBrush(c))); };
  return {
      {"lines", [](DC& d, LONG k) {
         d.MoveTo(1 * k, 1 * k);
         d.LineTo(38 * k, 27 * k);
         d.LineTo(5 * k, 35 * k);
       }},
      {"rectangle with brush", [=](DC& d, LONG k) {
         brush(d, kInk);
         d.Rectangle(3 * k, 4 * k, 33 * k, 30 * k);
       }},
      {"ellipse", [](DC& d, LONG k) { d.Ellipse(2 * k, 3 * k, 37 * k, 30 * k); }},
      {"pie", [](DC& d, LONG k) { d.Pie(2 * k, 3 * k, 37 * k, 30 * k, 37 * k, 3 * k, 2 * k, 30 * k); }},
      {"star, winding", [=](DC& d, LONG k) {
         const POINT star[] = {{20 * k, 2 * k}, {31 * k, 36 * k}, {2 * k, 14 * k}, {38 * k, 14 * k}, {9 * k, 36 * k}};
         brush(d, kInk);
         d.SetPolyFillMode(WINDING);
         d.Polygon(star, 5);
       }},
      {"bezier", [](DC& d, LONG k) {
         const POINT bez[] = {{3 * k, 3 * k}, {40 * k, 0}, {-5 * k, 30 * k}, {35 * k, 35 * k}};
         d.PolyBezier(bez, 4);
       }},
      {"wide pen", [=](DC& d, LONG k) {
         pen(d, PS_SOLID, 3 * int(k), kInk);
         const POINT poly[] = {{2 * k, 30 * k}, {12 * k, 5 * k}, {22 * k, 38 * k}, {35 * k, 2 * k}};
         d.Polyline(poly, 4);
       }},
      {"dashed hairline", [=](DC& d, LONG k) {
         pen(d, PS_DOT, 0, kBlack);
         d.MoveTo(0, 20 * k);
         d.LineTo(40 * k, 20 * k);
       }},
      {"solid rectangles, origin and clip", [](DC& d, LONG k) {
         d.SetViewportOrg(5 * k, 3 * k);
         d.IntersectClipRect(0, 0, 20 * k, 25 * k);
         d.FillSolidRect({-5 * k, -3 * k, 30 * k, 10 * k}, kInk);
         d.Rectangle(1 * k, 12 * k, 25 * k, 30 * k);
       }},
      {"float polygons", [](DC& d, LONG k) {
         const float f = float(k);
         const PointF p[] = {{1.3f * f, 2.7f * f}, {30.2f * f, 8.9f * f}, {12.5f * f, 33.3f * f}};
         const int n[] = {3};
         d.FillPolygonsF(p, n, 1, WINDING, kInk);
       }},
      {"stroked path", [](DC& d, LONG k) {
         d.BeginPath();
         d.MoveTo(3 * k, 3 * k);
         const POINT c[] = {{40 * k, 0}, {-5 * k, 30 * k}, {35 * k, 35 * k}};
         d.PolyBezierTo(c, 3);
         d.CloseFigure();
         d.EndPath();
         d.StrokePath();
       }},
  };
}

}  // namespace

// Everything drawn at ratio 2 sets the physical pixels the same drawing sets
// at ratio 1 with every coordinate and wide pen doubled; hairlines stay one
// physical pixel.
TEST(DcPixelRatio, RatioTwoDrawsAsRatioOneAtDoubledCoordinates) {
  for (const Figure& f : Figures()) {
    SCOPED_TRACE(f.name);
    Window dense(40, 40, 2.0), plain(80, 80, 1.0);
    ASSERT_EQ(dense.surface.surface().width(), 80);
    ASSERT_EQ(dense.surface.width(), 40);
    {
      DC d(dense.surface);
      EXPECT_EQ(d.GetPixelRatio(), 2.0);
      f.draw(d, 1);
      DC p(plain.surface);
      f.draw(p, 2);
    }
    EXPECT_EQ(Differing(dense.surface.surface(), plain.surface.surface()), 0);
    EXPECT_NE(Pixels(dense.surface.surface()), std::vector<std::uint32_t>(80 * 80, 0xFFFFFF));
  }
}

// Trackers and rubber bands drawn twice with XOR or NOT-XOR leave the dense
// surface as it was, whatever the ratio.
TEST(DcPixelRatio, XorDrawnTwiceRestoresADenseSurface) {
  for (double ratio : {2.0, 1.5}) {
    for (int rop : {R2_XORPEN, R2_NOTXORPEN, R2_NOT}) {
      for (const Figure& f : Figures()) {
        if (f.name.starts_with("solid")) continue;  // FillSolidRect ignores ROP2
        SCOPED_TRACE(f.name + " ratio " + std::to_string(ratio) + " rop " + std::to_string(rop));
        Window w(40, 40, ratio);
        {
          DC d(w.surface);
          // A background that is not one colour.
          for (LONG y = 0; y < 40; y += 3) d.FillSolidRect({0, y, 40, y + 1}, RGB(y * 6, 255 - y * 6, 77));
        }
        const std::vector<std::uint32_t> before = Pixels(w.surface.surface());
        for (int i = 0; i < 2; ++i) {
          DC d(w.surface);
          d.SetROP2(rop);
          f.draw(d, 1);
          d.PatBlt(3, 4, 20, 30, PATINVERT);
        }
        EXPECT_EQ(Pixels(w.surface.surface()), before);
      }
    }
  }
}

// Logical pixels, clips and the context's buffers at ratio 2.
TEST(DcPixelRatio, PixelsClipsAndBuffersStayLogical) {
  Window w(30, 20, 2.0);
  DC d(w.surface);
  EXPECT_EQ(d.SetPixel(3, 4, kBlack), kBlack);
  EXPECT_EQ(d.GetPixel(3, 4), kBlack);
  const Surface& s = w.surface.surface();
  for (LONG y = 7; y <= 10; ++y)
    for (LONG x = 5; x <= 8; ++x)
      EXPECT_EQ(s.GetPixel(x, y), (x >= 6 && x <= 7 && y >= 8 && y <= 9) ? kBlack : kWhite) << x << "," << y;

  RECT box{};
  d.SetViewportOrg(2, 1);
  d.IntersectClipRect(1, 2, 11, 12);
  d.GetClipBox(&box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.right, 11);
  EXPECT_EQ(box.bottom, 12);
  const RECT device{4, 5, 9, 7};
  d.SelectClipRect(&device);
  d.GetClipBox(&box);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.top, 4);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 6);

  // A buffer for the window is as dense as it, sized in logical pixels.
  HBITMAP buffer = CreateCompatibleBitmap(&d, 30, 20);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->width(), 30);
  EXPECT_EQ(buffer->surface().width(), 60);
  DeleteObject(buffer);
  // A buffer made for no window, or for a memory context, is not.
  HBITMAP plain = CreateCompatibleBitmap(nullptr, 30, 20);
  EXPECT_EQ(plain->surface().width(), 30);
  DeleteObject(plain);
}

// Back buffers at the window's ratio copy exactly; a plain bitmap (an image, a
// preview) drawn onto the dense surface is scaled and smoothed.
TEST(DcPixelRatio, BlitsBetweenRatios) {
  Window w(40, 20, 2.0), reference(40, 20, 2.0);
  DC win(w.surface);
  HBITMAP back = CreateCompatibleBitmap(&win, 40, 20);
  {
    DC mem;
    HBITMAP old = mem.SelectObject(back);
    mem.FillSolidRect({0, 0, 40, 20}, kWhite);
    mem.Ellipse(2, 2, 30, 18);
    win.BitBlt(0, 0, 40, 20, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    DC ref(reference.surface);
    ref.Ellipse(2, 2, 30, 18);
  }
  DeleteObject(back);
  EXPECT_EQ(Differing(w.surface.surface(), reference.surface.surface()), 0);

  // Scrolling inside the window moves physical pixels.
  win.BitBlt(5, 0, 35, 20, &win, 0, 0, SRCCOPY);
  EXPECT_EQ(w.surface.surface().GetPixel(2 * 2 + 10, 20), reference.surface.surface().GetPixel(2 * 2, 20));

  // Left half black, right half white, 8 x 2 logical, drawn 2x larger.
  DC mem;
  HBITMAP bmp = CreateBitmap(8, 2, 1, 32, nullptr);
  HBITMAP old = mem.SelectObject(bmp);
  mem.FillSolidRect({0, 0, 8, 2}, kWhite);
  mem.FillSolidRect({0, 0, 4, 2}, kBlack);
  EXPECT_TRUE(win.StretchBlt(0, 0, 16, 4, &mem, 0, 0, 8, 2, SRCCOPY));
  mem.SelectObject(old);
  DeleteObject(bmp);
  const Surface& s = w.surface.surface();
  EXPECT_EQ(s.GetPixel(0, 3), kBlack);
  EXPECT_EQ(s.GetPixel(31, 3), kWhite);
  int grey = 0;
  for (LONG x = 0; x < 32; ++x) {
    const COLORREF c = s.GetPixel(x, 3);
    grey += c != kBlack && c != kWhite;
    if (x > 0) EXPECT_GE(GetRValue(c), GetRValue(s.GetPixel(x - 1, 3))) << x;  // no ringing
  }
  EXPECT_GT(grey, 0);
}

// Text at ratio 2 is drawn from the font at twice the size.
TEST(DcPixelRatio, TextIsDrawnFromTheFontAtThePhysicalSize) {
  const auto& faces = InstalledFontFaces();
  if (std::none_of(faces.begin(), faces.end(), [](const FontFace& f) { return f.englishName == "DejaVu Sans"; }))
    GTEST_SKIP() << "DejaVu Sans is not installed";
  auto face = [](LONG height) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfCharSet = ANSI_CHARSET;
    lf.SetFaceName("DejaVu Sans");
    return lf;
  };
  Font small(face(-11)), large(face(-22));
  Window dense(40, 20, 2.0), plain(80, 40, 1.0);
  {
    DC d(dense.surface);
    d.SelectFont(&small);
    d.SetBkMode(TRANSPARENT);
    d.SetTextAlign(TA_BASELINE);
    TextOut(&d, 3, 15, "8");
    DC p(plain.surface);
    p.SelectFont(&large);
    p.SetBkMode(TRANSPARENT);
    p.SetTextAlign(TA_BASELINE);
    TextOut(&p, 6, 30, "8");
  }
  EXPECT_EQ(Differing(dense.surface.surface(), plain.surface.surface()), 0);
  EXPECT_NE(Pixels(dense.surface.surface()), std::vector<std::uint32_t>(80 * 40, 0xFFFFFF));
}
