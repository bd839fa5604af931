#include "platform/dib.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/dc.h"

using namespace plat;

namespace {

std::uint32_t g_seed = 99;
std::uint32_t Next() {
  g_seed = g_seed * 1664525u + 1013904223u;
  return g_seed >> 8;
}

// Distinct colours for a table of n entries.
std::vector<RGBQUAD> DistinctPalette(std::size_t n) {
  std::vector<RGBQUAD> p;
  for (std::size_t i = 0; i < n; ++i)
    p.push_back({BYTE(i * 7 + 3), BYTE(255 - i), BYTE((i * 37) & 0xFF), 0});
  return p;
}

// An image with random content at the given depth.
Dib RandomDib(LONG w, LONG h, int bits) {
  std::vector<RGBQUAD> pal;
  if (bits <= 8) pal = DistinctPalette(std::size_t(1) << bits);
  std::optional<Dib> d = Dib::Create(w, h, bits, pal);
  EXPECT_TRUE(d.has_value());
  for (LONG y = 0; y < h; ++y)
    for (LONG x = 0; x < w; ++x) {
      if (bits <= 8)
        d->SetIndex(x, y, int(Next() % (1u << bits)));
      else
        d->SetPixel(x, y, Next() & 0xFFFFFF);
    }
  return *d;
}

}  // namespace

TEST(Dib, HeaderLayoutIsTheStoredOne) {
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biWidth), 4u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biHeight), 8u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biPlanes), 12u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biBitCount), 14u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biCompression), 16u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biSizeImage), 20u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biClrUsed), 32u);
  EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfSize), 2u);
  EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfOffBits), 10u);
  std::optional<Dib> d = Dib::Create(3, 2, 4, DistinctPalette(16));
  ASSERT_TRUE(d);
  const std::vector<BYTE>& b = d->packed();
  ASSERT_EQ(b.size(), 40u + 64u + 2u * 4u);
  EXPECT_EQ(b[0], 40);
  EXPECT_EQ(b[4], 3);
  EXPECT_EQ(b[8], 2);
  EXPECT_EQ(b[14], 4);
  EXPECT_EQ(DibRowBytes(3, 4), 4u);
  EXPECT_EQ(DibRowBytes(33, 1), 8u);
  EXPECT_EQ(DibRowBytes(5, 24), 16u);
  // Row 0 of the block is the bottom row of the image.
  d->SetIndex(0, 1, 0xA);
  EXPECT_EQ(d->bits()[0], 0xA0);
}

// Pixels beyond a short palette are black; a black-and-white 1-bit picture
// becomes a mono bitmap with the same pixels.
TEST(Dib, BitmapsOfShortAndMonoPalettes) {
  std::optional<Dib> d = Dib::Create(256, 2, 8, DistinctPalette(3));
  ASSERT_TRUE(d);
  for (LONG x = 0; x < 256; ++x) d->SetIndex(x, x & 1, int(x));
  std::optional<Dib> m = Dib::Create(19, 3, 1, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
  ASSERT_TRUE(m);
  for (LONG x = 0; x < 19; ++x) m->SetIndex(x, x % 3, int(x % 2));
  for (const Dib* dib : {&*d, &*m}) {
    HBITMAP bmp = dib->CreateBitmap();
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->bitsPixel(), dib == &*m ? 1 : 32);
    for (LONG y = 0; y < dib->height(); ++y)
      for (LONG x = 0; x < dib->width(); ++x) ASSERT_EQ(bmp->surface().GetPixel(x, y), dib->GetPixel(x, y)) << x;
    DeleteObject(bmp);
  }
  EXPECT_EQ(d->GetPixel(200, 0), RGB(0, 0, 0));
}

// A bitmap taken at a depth holds what storing its pixels one by one holds:
// colours off the palette (nearest entry), runs of one colour and single
// pixels, widths around the bytes of the small depths, colour and monochrome
// bitmaps, the default and a given palette.
TEST(Dib, BitmapsAreTakenAsTheirPixelsStoredOneByOne) {
  for (int bits : {1, 4, 8, 16, 24, 32})
    for (bool mono : {false, true})
      for (bool ownPalette : {false, true})
        for (LONG w : {1, 2, 3, 7, 8, 9, 17}) {
          const LONG h = 4;
          HBITMAP bmp = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
          ASSERT_NE(bmp, nullptr);
          Surface& s = bmp->surface();
          for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w;) {
              const COLORREF c = mono ? (Next() % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0))
                                      : RGB(Next() % 256, Next() % 256, Next() % 256);
              for (LONG n = 1 + LONG(Next() % 4); n > 0 && x < w; --n, ++x)
                s.row(y)[x] = mono ? (c ? 0xFFFFFF : 0) : PixelFromColor(c);
            }
          const std::vector<RGBQUAD> pal =
              ownPalette && bits <= 8 ? DistinctPalette(std::size_t(1) << bits) : std::vector<RGBQUAD>{};
          std::optional<Dib> want = Dib::Create(w, h, bits, pal);
          ASSERT_TRUE(want);
          for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) ASSERT_TRUE(want->SetPixel(x, y, s.GetPixel(x, y)));
          std::optional<Dib> got = Dib::FromBitmap(bmp, bits, pal);
          ASSERT_TRUE(got);
          EXPECT_EQ(got->packed(), want->packed()) << bits << " bits, width " << w << (mono ? " mono" : "");
          DeleteObject(bmp);
        }
}

TEST(Dib, RoundTripsThroughBitmapsAtEveryDepth) {
  for (int bits : {1, 4, 8, 16, 24, 32})
    for (LONG w : {1, 7, 33}) {
      const Dib src = RandomDib(w, 5, bits);
      HBITMAP bmp = src.CreateBitmap();
      ASSERT_NE(bmp, nullptr);
      for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < w; ++x) ASSERT_EQ(bmp->surface().GetPixel(x, y), src.GetPixel(x, y)) << bits;
      std::optional<Dib> back = Dib::FromBitmap(bmp, bits, src.palette());
      ASSERT_TRUE(back);
      EXPECT_EQ(back->packed(), src.packed()) << bits << " bits, width " << w;

      // the same through the platform entry points
      std::vector<BYTE> info(40 + 4 * 256);
      std::memcpy(info.data(), src.packed().data(), 40 + 4 * src.palette().size());
      HBITMAP made = CreateDIBitmap(nullptr, &src.header(), CBM_INIT, src.bits(),
                                    src.rowBytes() * 5, reinterpret_cast<BITMAPINFO*>(info.data()),
                                    DIB_RGB_COLORS);
      ASSERT_NE(made, nullptr);
      for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < w; ++x)
          ASSERT_EQ(made->surface().GetPixel(x, y), src.GetPixel(x, y)) << bits;
      if (bits > 8) {
        std::vector<BYTE> rows(src.rowBytes() * 5);
        auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
        EXPECT_EQ(GetDIBits(nullptr, made, 0, 5, rows.data(), rows.size(), bi, DIB_RGB_COLORS), 5);
        EXPECT_EQ(std::memcmp(rows.data(), src.bits(), rows.size()), 0) << bits;
      }
      DeleteObject(made);
      DeleteObject(bmp);
    }
}

TEST(Dib, GetDIBitsReportsTheSizeAndTopDownImagesAreTurned) {
  HBITMAP bmp = CreateBitmap(9, 4, 1, 32, nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biBitCount = 0;
  EXPECT_EQ(GetDIBits(nullptr, bmp, 0, 4, nullptr, 0, &bi, DIB_RGB_COLORS), 4);
  EXPECT_EQ(bi.bmiHeader.biWidth, 9);
  EXPECT_EQ(bi.bmiHeader.biHeight, 4);
  EXPECT_EQ(bi.bmiHeader.biBitCount, 32);
  EXPECT_EQ(bi.bmiHeader.biSizeImage, 9u * 4u * 4u);
  EXPECT_EQ(GetDIBits(nullptr, nullptr, 0, 4, nullptr, 0, &bi, DIB_RGB_COLORS), 0);
  DeleteObject(bmp);

  // A top-down image (negative height) reads as the same picture.
  Dib bottomUp = RandomDib(3, 3, 24);
  std::vector<BYTE> td = bottomUp.packed();
  LONG h = -3;
  std::memcpy(td.data() + 8, &h, 4);
  const std::size_t rb = bottomUp.rowBytes();
  for (int r = 0; r < 3; ++r)
    std::memcpy(td.data() + 40 + rb * std::size_t(r), bottomUp.bits() + rb * std::size_t(2 - r), rb);
  std::optional<Dib> turned = Dib::FromPacked(td.data(), td.size());
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->packed(), bottomUp.packed());
}

TEST(Dib, ConversionsMapToTheNearestEntry) {
  std::optional<Dib> c = Dib::Create(3, 1, 24);
  ASSERT_TRUE(c);
  c->SetPixel(0, 0, RGB(250, 240, 230));
  c->SetPixel(1, 0, RGB(20, 10, 40));
  c->SetPixel(2, 0, RGB(255, 0, 0));
  std::optional<Dib> m = c->ConvertTo(1);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->GetIndex(0, 0), 1);
  EXPECT_EQ(m->GetIndex(1, 0), 0);
  std::optional<Dib> v = c->ConvertTo(4);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->GetPixel(2, 0), RGB(255, 0, 0));
  std::optional<Dib> back = v->ConvertTo(32);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetPixel(2, 0), RGB(255, 0, 0));
  EXPECT_EQ(back->GetPixel(0, 0), RGB(255, 255, 255));
  // A 1-bit image with a black and white table makes a monochrome bitmap.
  HBITMAP mb = m->CreateBitmap();
  EXPECT_EQ(mb->bitsPixel(), 1);
  DeleteObject(mb);
  // Moved through a global block.
  HGLOBAL g = v->ToGlobal();
  std::optional<Dib> again = Dib::FromGlobal(g);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->packed(), v->packed());
  GlobalFree(g);
}

TEST(Dib, MalformedBlocksAreRefused) {
  const Dib good = RandomDib(5, 4, 8);
  const std::vector<BYTE>& p = good.packed();
  EXPECT_TRUE(CheckPackedDib(p.data(), p.size()));
  EXPECT_FALSE(CheckPackedDib(p.data(), p.size() - 1));  // a row short
  EXPECT_FALSE(CheckPackedDib(p.data(), 39));
  EXPECT_FALSE(CheckPackedDib(nullptr, 100));
  auto with = [&](std::size_t off, const void* v, std::size_t n) {
    std::vector<BYTE> b = p;
    std::memcpy(b.data() + off, v, n);
    return CheckPackedDib(b.data(), b.size()).has_value();
  };
  const LONG negW = -5, hugeW = 1 << 30, minH = INT32_MIN, zero = 0;
  const WORD bits2 = 2, planes2 = 2;
  const DWORD rle = 1, manyColours = 257, bigSize = 1u << 31;
  EXPECT_FALSE(with(4, &negW, 4));
  EXPECT_FALSE(with(4, &hugeW, 4));
  EXPECT_FALSE(with(8, &minH, 4));
  EXPECT_FALSE(with(8, &zero, 4));
  EXPECT_FALSE(with(14, &bits2, 2));
  EXPECT_FALSE(with(12, &planes2, 2));
  EXPECT_FALSE(with(16, &rle, 4));
  EXPECT_FALSE(with(32, &manyColours, 4));
  EXPECT_FALSE(with(0, &bigSize, 4));
  // Random damage never crashes.
  for (int i = 0; i < 3000; ++i) {
    std::vector<BYTE> b = p;
    for (int k = 0; k < 4; ++k) b[Next() % 48] = BYTE(Next());
    b.resize(Next() % (b.size() + 1));
    std::optional<Dib> d = Dib::FromPacked(b.data(), b.size());
    if (d) {
      HBITMAP bmp = d->CreateBitmap();
      DeleteObject(bmp);
    }
  }
  EXPECT_FALSE(Dib::Create(0, 5, 24));
  EXPECT_FALSE(Dib::Create(5, -1, 24));
  EXPECT_FALSE(Dib::Create(5, 5, 2));
  EXPECT_FALSE(Dib::FromBitmap(nullptr, 24));
  EXPECT_EQ(CreateDIBitmap(nullptr, nullptr, CBM_INIT, nullptr, 0, nullptr, DIB_RGB_COLORS), nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = good.header();
  std::vector<BYTE> rows(4);
  EXPECT_EQ(CreateDIBitmap(nullptr, &bi.bmiHeader, CBM_INIT, rows.data(), rows.size(), &bi,
                           DIB_RGB_COLORS),
            nullptr);  // rows shorter than the header says
}

TEST(Dib, StretchDIBitsDrawsFromTheBottomRow) {
  std::optional<Dib> d = Dib::Create(2, 2, 24);
  d->SetPixel(0, 0, RGB(255, 0, 0));  // top left
  d->SetPixel(1, 1, RGB(0, 0, 255));  // bottom right
  DC dc;
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  dc.SelectObject(bmp);
  std::vector<BYTE> info(d->packed().begin(), d->packed().begin() + 40);
  EXPECT_EQ(StretchDIBits(&dc, 0, 0, 4, 4, 0, 0, 2, 2, d->bits(), d->rowBytes() * 2,
                          reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY),
            2);
  EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(0, 0, 255));
  // the bottom row alone: source y 0 counts from the bottom
  EXPECT_EQ(StretchDIBits(&dc, 0, 0, 2, 1, 0, 0, 2, 1, d->bits(), d->rowBytes() * 2,
                          reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY),
            1);
  EXPECT_EQ(dc.GetPixel(1, 0), RGB(0, 0, 255));
  DeleteObject(bmp);  // freed when the context lets go of it
}

TEST(Dib, SixteenBitPixelsAreFiveFiveFive) {
  // 2 x 1, bottom-up: pure red (0x7C00) and white (0x7FFF), then row padding.
  std::vector<BYTE> block(40 + 4);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biBitCount = 16;
  std::memcpy(block.data(), &h, 40);
  const BYTE row[4] = {0x00, 0x7C, 0xFF, 0x7F};
  std::memcpy(block.data() + 40, row, 4);
  std::optional<Dib> d = Dib::FromPacked(block.data(), block.size());
  ASSERT_TRUE(d);
  EXPECT_EQ(d->GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(d->GetPixel(1, 0), RGB(255, 255, 255));
  HBITMAP bmp = CreateDIBitmap(nullptr, &h, CBM_INIT, row, sizeof row,
                               reinterpret_cast<const BITMAPINFO*>(block.data()), DIB_RGB_COLORS);
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->surface().GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(bmp->surface().GetPixel(1, 0), RGB(255, 255, 255));
  DeleteObject(bmp);
}

TEST(Dib, ColourCountsBeyondTheDepthReadNoTableTheCallerLacks) {
  // Headers copied from a file may claim a table the caller's block does not
  // hold: 24 bits with 200 colours used, 1 bit with 256. The info blocks here
  // are exactly as long as their callers make them.
  struct Case {
    WORD bits;
    DWORD clrUsed;
    std::size_t infoBytes;
  };
  for (const Case& c : {Case{24, 200, 40}, Case{1, 256, 40 + 8}}) {
    std::optional<Dib> img = Dib::Create(3, 2, c.bits);
    ASSERT_TRUE(img);
    img->SetPixel(1, 0, RGB(255, 255, 255));
    std::vector<BYTE> info(img->packed().begin(), img->packed().begin() + long(c.infoBytes));
    BITMAPINFOHEADER h = img->header();
    h.biClrUsed = c.clrUsed;
    std::memcpy(info.data(), &h, 40);
    const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
    HBITMAP bmp = CreateDIBitmap(nullptr, &h, CBM_INIT, img->bits(), img->rowBytes() * 2, bi,
                                 DIB_RGB_COLORS);
    ASSERT_NE(bmp, nullptr) << c.bits;
    EXPECT_EQ(bmp->surface().GetPixel(1, 0), RGB(255, 255, 255)) << c.bits;
    EXPECT_EQ(bmp->surface().GetPixel(0, 0), RGB(0, 0, 0)) << c.bits;
    DeleteObject(bmp);
    DC dc;
    HBITMAP target = CreateBitmap(3, 2, 1, 32, nullptr);
    dc.SelectObject(target);
    EXPECT_EQ(StretchDIBits(&dc, 0, 0, 3, 2, 0, 0, 3, 2, img->bits(), img->rowBytes() * 2, bi,
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(dc.GetPixel(1, 0), RGB(255, 255, 255)) << c.bits;
    DeleteObject(target);
  }
}
