#include "platform/dc.h"

#include <gtest/gtest.h>

#include <functional>
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
