#include "platform/text_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/tests/font_faces.h"

using namespace plat;

namespace {

constexpr const char* kDejaVu = "DejaVu Sans";       // fonts-dejavu-core
constexpr const char* kSungGB = "AR PL SungtiL GB";  // fonts-arphic-gbsn00lp
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

LOGFONT Face(const char* face, LONG height, LONG escapement = 0, BYTE charSet = ANSI_CHARSET) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfEscapement = escapement;
  lf.lfCharSet = charSet;
  lf.SetFaceName(face);
  return lf;
}

// A memory context on a w x h bitmap with a red/green checker background.
class Canvas {
 public:
  Canvas(LONG w, LONG h) : w_(w), h_(h) {
    bmp_ = CreateBitmap(w, h, 1, 32, nullptr);
    dc.SelectObject(bmp_);
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) dc.SetPixel(x, y, ((x + y) & 1) ? kRed : kGreen);
  }
  ~Canvas() {
    dc.SelectFont(nullptr);
    DeleteObject(bmp_);
  }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> p;
    for (LONG y = 0; y < h_; ++y)
      for (LONG x = 0; x < w_; ++x) p.push_back(dc.GetPixel(x, y));
    return p;
  }
  bool Original(LONG x, LONG y) const { return dc.GetPixel(x, y) == (((x + y) & 1) ? kRed : kGreen); }
  // Bounds of the pixels of one colour: left, top, right, bottom inclusive.
  RECT InkBox(COLORREF c) const {
    RECT r{w_, h_, -1, -1};
    for (LONG y = 0; y < h_; ++y)
      for (LONG x = 0; x < w_; ++x)
        if (dc.GetPixel(x, y) == c) {
          r.left = std::min(r.left, x), r.top = std::min(r.top, y);
          r.right = std::max(r.right, x), r.bottom = std::max(r.bottom, y);
        }
    return r;
  }
  LONG w_, h_;
  HBITMAP bmp_;
  DC dc;
};

}  // namespace

TEST(TextOut, TransparentTextTouchesOnlyItsGlyphs) {
  REQUIRE_FACE(kDejaVu);
  Canvas cv(80, 40);
  Font font(Face(kDejaVu, -24));
  cv.dc.SelectFont(&font);
  cv.dc.SetBkMode(TRANSPARENT);
  cv.dc.SetTextColor(kBlack);
  ASSERT_TRUE(TextOut(&cv.dc, 4, 4, "HI"));
  SIZE ext;
  ASSERT_TRUE(GetTextExtentPoint32(&cv.dc, "HI", &ext));
  int ink = 0;
  for (LONG y = 0; y < 40; ++y) {
    for (LONG x = 0; x < 80; ++x) {
      if (cv.dc.GetPixel(x, y) == kBlack) {
        ++ink;
        EXPECT_TRUE(x >= 4 && x < 4 + ext.cx && y >= 4 && y < 4 + ext.cy) << x << "," << y;
      } else {
        EXPECT_TRUE(cv.Original(x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_GT(ink, 40);
  // Baseline at 4 + ascent (22). The left stem of H covers x 6.36 .. 8.72;
  // the gap between the stems above the bar stays background.
  EXPECT_EQ(cv.dc.GetPixel(7, 20), kBlack);
  EXPECT_EQ(cv.dc.GetPixel(8, 12), kBlack);
  EXPECT_TRUE(cv.Original(11, 12));
  EXPECT_EQ(cv.dc.GetPixel(11, 16), kBlack);  // the bar, 8.33 .. 10.32 above the baseline
}

TEST(TextOut, OpaqueModeFillsTheCellWithTheBackgroundColour) {
  REQUIRE_FACE(kDejaVu);
  Canvas cv(80, 40);
  Font font(Face(kDejaVu, -24));
  cv.dc.SelectFont(&font);
  cv.dc.SetBkMode(OPAQUE);
  cv.dc.SetBkColor(kBlue);
  cv.dc.SetTextColor(kBlack);
  TextOut(&cv.dc, 4, 4, "HI");
  SIZE ext = font.GetTextExtent("HI");
  for (LONG y = 0; y < 40; ++y) {
    for (LONG x = 0; x < 80; ++x) {
      bool inCell = x >= 4 && x < 4 + ext.cx && y >= 4 && y < 4 + ext.cy;
      COLORREF c = cv.dc.GetPixel(x, y);
      if (inCell) {
        EXPECT_TRUE(c == kBlue || c == kBlack) << x << "," << y;
      } else {
        EXPECT_TRUE(cv.Original(x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(cv.dc.GetPixel(11, 12), kBlue);
  EXPECT_EQ(cv.dc.GetPixel(7, 20), kBlack);
}

TEST(TextOut, XorTextDrawnTwiceErasesItself) {
  REQUIRE_FACE(kDejaVu);
  for (int mode : {TRANSPARENT, OPAQUE}) {
    Canvas cv(90, 40);
    Font font(Face(kDejaVu, -20));
    cv.dc.SelectFont(&font);
    cv.dc.SetBkMode(mode);
    cv.dc.SetBkColor(kBlue);
    cv.dc.SetTextColor(RGB(255, 255, 255));
    cv.dc.SetROP2(R2_XORPEN);
    const auto before = cv.Pixels();
    TextOut(&cv.dc, 3, 5, "OHO");
    EXPECT_NE(cv.Pixels(), before) << mode;
    TextOut(&cv.dc, 3, 5, "OHO");
    EXPECT_EQ(cv.Pixels(), before) << mode;
  }
}

TEST(TextOut, EscapementMinus900RunsDownward) {
  REQUIRE_FACE(kDejaVu);
  Canvas flat(100, 40);
  Font across(Face(kDejaVu, -24));
  flat.dc.SelectFont(&across);
  flat.dc.SetBkMode(TRANSPARENT);
  TextOut(&flat.dc, 10, 4, "HHH");
  RECT h = flat.InkBox(kBlack);

  Canvas tall(40, 100);
  Font down(Face(kDejaVu, -24, -900));
  tall.dc.SelectFont(&down);
  tall.dc.SetBkMode(TRANSPARENT);
  TextOut(&tall.dc, 30, 10, "HHH");
  RECT v = tall.InkBox(kBlack);
  ASSERT_GE(v.right, 0) << "nothing drawn";
  // The line runs from the reference point downward; the letters' tops face
  // right, so the cell lies to the left of x = 30.
  EXPECT_GE(v.top, 10);
  EXPECT_LE(v.right, 30);
  EXPECT_GT(v.bottom - v.top, 2 * (v.right - v.left));
  // The same ink turned: the horizontal run's width becomes the height.
  EXPECT_NEAR(v.bottom - v.top, h.right - h.left, 1);
  EXPECT_NEAR(v.right - v.left, h.bottom - h.top, 1);
  EXPECT_NEAR(v.top - 10, h.left - 10, 1);
}

TEST(TextOut, ClipAndAlignmentAreHonoured) {
  REQUIRE_FACE(kDejaVu);
  Canvas cv(80, 40);
  Font font(Face(kDejaVu, -24));
  cv.dc.SelectFont(&font);
  cv.dc.SetBkMode(TRANSPARENT);
  cv.dc.SetTextAlign(TA_BASELINE);
  TextOut(&cv.dc, 4, 30, "H");
  RECT ink = cv.InkBox(kBlack);
  EXPECT_EQ(ink.bottom, 29);  // the glyph stands on the baseline, which is exclusive
  EXPECT_EQ(ink.top, 13);     // 17.5 pixels high
  EXPECT_EQ(ink.left, 7);     // 4 + 2.36

  Canvas clipped(80, 40);
  clipped.dc.SelectFont(&font);
  clipped.dc.SetBkMode(OPAQUE);
  clipped.dc.SetBkColor(kBlue);
  clipped.dc.IntersectClipRect(0, 0, 10, 40);
  TextOut(&clipped.dc, 4, 4, "HH");
  clipped.dc.SelectClipRect(nullptr);  // pixels outside a clip read as CLR_INVALID
  for (LONG y = 0; y < 40; ++y)
    for (LONG x = 10; x < 80; ++x) EXPECT_TRUE(clipped.Original(x, y)) << x << "," << y;
  EXPECT_EQ(clipped.dc.GetPixel(9, 10), kBlue);
}

TEST(TextOut, FillsThroughTheContextInOneCallPerLayer) {
  REQUIRE_FACE(kDejaVu);
  Canvas cv(60, 30);
  Font font(Face(kDejaVu, -16));
  cv.dc.SelectFont(&font);
  cv.dc.SetTextColor(kBlack);
  cv.dc.SetBkColor(kBlue);
  cv.dc.StartRecording();
  cv.dc.SetBkMode(TRANSPARENT);
  TextOut(&cv.dc, 0, 0, "Ab");
  cv.dc.SetBkMode(OPAQUE);
  TextOut(&cv.dc, 0, 0, "Ab");
  TextOut(&cv.dc, 0, 0, "");  // nothing to draw
  // Each TextOut is recorded itself, then its fills.
  std::vector<DcCall> calls;
  int texts = 0;
  for (const DcCall& c : cv.dc.Recorded()) {
    if (c.op == "TextOut")
      ++texts;
    else
      calls.push_back(c);
  }
  EXPECT_EQ(texts, 3);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].op, "FillPolygonsF");
  EXPECT_EQ(calls[0].color, kBlack);
  EXPECT_EQ(calls[1].color, kBlue);  // the cell first
  EXPECT_EQ(calls[1].points.size(), 4u);
  EXPECT_EQ(calls[2].color, kBlack);
}

TEST(TextOut, ChineseTextAndGlyphsTheFaceLacks) {
  REQUIRE_FACE(kSungGB);
  Canvas cv(80, 40);
  Font font(Face(kSungGB, -24, 0, GB2312_CHARSET));
  cv.dc.SelectFont(&font);
  cv.dc.SetBkMode(TRANSPARENT);
  TextOut(&cv.dc, 2, 2, "\x81\x40");  // a GBK code outside GB2312: no glyph, nothing drawn
  EXPECT_LT(cv.InkBox(kBlack).right, 0);
  TextOut(&cv.dc, 2, 2, "\xD6\xD0");  // 中
  RECT ink = cv.InkBox(kBlack);
  EXPECT_GE(ink.left, 2);
  EXPECT_LT(ink.right, 2 + 24);
  EXPECT_GT(ink.bottom - ink.top, 15);
}

// A Song face at list size has Latin strokes thinner than a pixel: every glyph
// drawn in one piece still shows as one piece of ink.
TEST(TextOut, ThinStrokesOfASmallFaceStayWhole) {
  REQUIRE_FACE(kSungGB);
  Font font(Face(kSungGB, 14, 0, GB2312_CHARSET));
  for (const char* text : {"l", "T", "L", "/", "1", "7", "\xD2\xBB", "\xCA\xAE", "\xB6\xA1"}) {  // 一 十 丁
    Canvas cv(24, 24);
    cv.dc.SelectFont(&font);
    cv.dc.SetBkMode(TRANSPARENT);
    TextOut(&cv.dc, 4, 4, text);
    int ink = 0;
    for (COLORREF c : cv.Pixels()) ink += c == kBlack;
    ASSERT_GT(ink, 0) << text << ": nothing drawn";
    // One piece: the pixels reached from the first, neighbours diagonal too.
    std::vector<POINT> todo;
    std::vector<bool> seen(24 * 24);
    for (LONG y = 0; y < 24 && todo.empty(); ++y)
      for (LONG x = 0; x < 24 && todo.empty(); ++x)
        if (cv.dc.GetPixel(x, y) == kBlack) todo.push_back({x, y}), seen[y * 24 + x] = true;
    int reached = 0;
    while (!todo.empty()) {
      const POINT p = todo.back();
      todo.pop_back();
      ++reached;
      for (LONG dy = -1; dy <= 1; ++dy)
        for (LONG dx = -1; dx <= 1; ++dx) {
          const LONG x = p.x + dx, y = p.y + dy;
          if (x < 0 || y < 0 || x >= 24 || y >= 24 || seen[y * 24 + x] || cv.dc.GetPixel(x, y) != kBlack) continue;
          seen[y * 24 + x] = true;
          todo.push_back({x, y});
        }
    }
    EXPECT_EQ(reached, ink) << text << ": the glyph falls apart";
    cv.dc.SelectFont(nullptr);
  }
}

TEST(TextOut, ContextWithoutAFontUsesTheDefaultFont) {
  Canvas cv(40, 30);
  TEXTMETRIC tm;
  if (!GetTextMetrics(&cv.dc, &tm)) GTEST_SKIP() << "no TrueType face installed";
  EXPECT_NEAR(tm.tmHeight, 16, 1);
  SIZE a, b;
  ASSERT_TRUE(GetTextExtentPoint32(&cv.dc, "Hi", &a));
  EXPECT_EQ(a.cy, tm.tmHeight);
  cv.dc.SelectFont(GetDefaultFont());
  GetTextExtentPoint32(&cv.dc, "Hi", &b);
  EXPECT_EQ(a, b);
  EXPECT_FALSE(TextOut(nullptr, 0, 0, "x"));
  EXPECT_FALSE(GetTextExtentPoint32(&cv.dc, "x", nullptr));
}

TEST(TextOut, VerticalRulerLabelsInABoldAliasedFace) {
  // A bold "Arial" of 6 by 8 turned by -900, as a vertical ruler labels its ticks;
  // the name is not installed and falls back on fontconfig's choice.
  Font* font = CreateFont(-8, -6, -900, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  if (!font->IsRealized()) {
    DeleteFont(font);
    GTEST_SKIP() << "no TrueType face installed";
  }
  TEXTMETRIC tm;
  ASSERT_TRUE(font->GetTextMetrics(&tm));
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  EXPECT_EQ(tm.tmAveCharWidth, 6);
  Canvas cv(15, 60);
  cv.dc.SelectFont(font);
  cv.dc.SetBkMode(TRANSPARENT);
  TextOut(&cv.dc, 11, 3, "100   ");
  RECT ink = cv.InkBox(kBlack);
  ASSERT_GE(ink.right, 0) << "nothing drawn";
  EXPECT_LE(ink.right, 11);
  EXPECT_GE(ink.left, 11 - tm.tmHeight);
  EXPECT_GE(ink.top, 3);
  EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
  cv.dc.SelectFont(nullptr);
  DeleteFont(font);
}
