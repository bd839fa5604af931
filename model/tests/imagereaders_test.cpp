// The BMP and TIFF readers on files the tests write.
#include "model/imagereaders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "model/tests/image_fixtures.h"
#include "platform/report.h"

namespace {

namespace fs = std::filesystem;

struct ImageReaderTest : ::testing::Test {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  fw::CWnd parent;  // any owner: messages are shown only with one
  std::string dir;
  std::size_t blocksBefore = plat::GlobalLiveCount();
  std::size_t gdiBefore = plat::GdiObjectCount();

  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "tindrel-images-XXXXXX").string();
    ASSERT_NE(::mkdtemp(t.data()), nullptr);
    dir = t + "/";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    EXPECT_EQ(plat::GlobalLiveCount(), blocksBefore) << "leaked blocks";
    EXPECT_EQ(plat::GdiObjectCount(), gdiBefore) << "leaked bitmaps";
  }
  std::string File(const std::string& name, const ImageBytes& bytes) {
    return WriteImageFile(dir + name, bytes);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& b : sink.boxes) t.push_back(b.text);
    return t;
  }
};

std::uint32_t Pixel(plat::HBITMAP bmp, int x, int y) { return bmp->surface().row(y)[x]; }

std::vector<std::uint8_t> BlockBytes(plat::HGLOBAL h) {
  plat::GlobalLockGuard g(h);
  return std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size());
}

const std::vector<std::uint32_t> kColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF,
                                             0xFF00FF, 0x808080, 0x102030, 0x405060, 0x708090, 0xA0B0C0};

// --- BMP ------------------------------------------------------------------------------

TEST_F(ImageReaderTest, BmpDepthsAndLayouts) {
  struct Case {
    const char* what;
    BmpLayout layout;
    // Expected colour of (x, y).
    std::function<std::uint32_t(int, int)> colour;
  };
  BmpLayout one;
  one.bits = 1;
  one.palette = {0x112233, 0xEEDDCC};
  one.width = 11;  // crosses a byte
  one.value = [](int x, int y) { return std::uint32_t((x + y) % 2); };
  BmpLayout four;
  four.bits = 4;
  four.width = 5;
  four.palette = kColours;
  four.value = [](int x, int y) { return std::uint32_t((x + 2 * y) % 12); };
  BmpLayout eight;
  eight.palette = kColours;
  eight.colorsUsed = 12;  // a short table: the pixels start right after it
  BmpLayout v4 = eight;
  v4.headerSize = 108;  // the table follows the larger header
  BmpLayout top = eight;
  top.topDown = true;
  BmpLayout rgb555;
  rgb555.bits = 16;
  rgb555.value = [](int x, int y) { return std::uint32_t((31 << 10) * (x == 0) | (31 << 5) * (y == 1) | x); };
  BmpLayout rgb565 = rgb555;
  rgb565.compression = 3;
  rgb565.masks = {0xF800, 0x07E0, 0x001F};
  rgb565.value = [](int x, int y) { return std::uint32_t((31 << 11) * (x == 0) | (63 << 5) * (y == 1) | x); };
  BmpLayout v5fields = rgb565;
  v5fields.headerSize = 124;
  BmpLayout rgb24;
  rgb24.bits = 24;
  rgb24.width = 3;
  rgb24.value = [](int x, int y) { return kColours[std::size_t(x + 3 * y)]; };

  const auto fromTable = [](const std::vector<std::uint32_t>& p, const BmpLayout& s) {
    return [p, s](int x, int y) { return p[s.value(x, y)]; };
  };
  const auto scale5 = [](std::uint32_t v) { return (v * 255 + 15) / 31; };
  const std::vector<Case> cases = {
      {"1 bit", one, fromTable(one.palette, one)},
      {"4 bits", four, fromTable(kColours, four)},
      {"8 bits, 12 colours", eight, fromTable(kColours, eight)},
      {"8 bits, 108-byte header", v4, fromTable(kColours, v4)},
      {"8 bits, top-down", top, fromTable(kColours, top)},
      {"16 bits 5-5-5", rgb555,
       [&](int x, int y) {
         return ((x == 0 ? 255u : 0u) << 16) | ((y == 1 ? 255u : 0u) << 8) | scale5(std::uint32_t(x));
       }},
      {"16 bits 5-6-5 fields", rgb565,
       [&](int x, int y) {
         return ((x == 0 ? 255u : 0u) << 16) | ((y == 1 ? 255u : 0u) << 8) | scale5(std::uint32_t(x));
       }},
      {"16 bits fields in a 124-byte header", v5fields,
       [&](int x, int y) {
         return ((x == 0 ? 255u : 0u) << 16) | ((y == 1 ? 255u : 0u) << 8) | scale5(std::uint32_t(x));
       }},
      {"24 bits", rgb24, [](int x, int y) { return kColours[std::size_t(x + 3 * y)]; }},
  };
  for (const Case& c : cases) {
    CBmpReader r(File("a.bmp", MakeBmp(c.layout)));
    EXPECT_TRUE(r.CheckFile(&parent)) << c.what;
    plat::HBITMAP bmp = r.CreateBitmap(nullptr, &parent);
    ASSERT_TRUE(bmp) << c.what;
    EXPECT_EQ(bmp->width(), c.layout.width) << c.what;
    EXPECT_EQ(bmp->height(), c.layout.height) << c.what;
    for (int y = 0; y < c.layout.height; ++y)
      for (int x = 0; x < c.layout.width; ++x)
        EXPECT_EQ(Pixel(bmp, x, y), c.colour(x, y)) << c.what << " at " << x << "," << y;
    plat::DeleteObject(bmp);

    // The rows as stored, bottom row first; with the flag top row first.
    const std::size_t stride = FixtureStride(c.layout.width, c.layout.bits);
    plat::HGLOBAL up = r.ReadPixels(false), down = r.ReadPixels(true);
    ASSERT_TRUE(up && down) << c.what;
    const auto a = BlockBytes(up), b = BlockBytes(down);
    ASSERT_EQ(a.size(), stride * c.layout.height) << c.what;
    for (int y = 0; y < c.layout.height; ++y)
      EXPECT_EQ(std::memcmp(&a[std::size_t(y) * stride],
                            &b[std::size_t(c.layout.height - 1 - y) * stride], stride),
                0)
          << c.what;
    plat::GlobalFree(up);
    plat::GlobalFree(down);
  }
  EXPECT_TRUE(sink.boxes.empty());

  // The palette: as many entries as the image uses, (blue, green, red, 0).
  CBmpReader r(File("p.bmp", MakeBmp(eight)));
  r.ReadHeader();
  EXPECT_EQ(r.GetPaletteSize(), 12u);
  plat::HGLOBAL pal = r.ReadPalette();
  const auto p = BlockBytes(pal);
  ASSERT_EQ(p.size(), 48u);
  EXPECT_EQ(p[4], 0x00);
  EXPECT_EQ(p[6], 0xFF);
  EXPECT_EQ(p[7], 0x00);
  plat::GlobalFree(pal);
  CBmpReader r24(File("q.bmp", MakeBmp(rgb24)));
  EXPECT_EQ(r24.ReadPalette(), 0u);
}

TEST_F(ImageReaderTest, BmpRefusalsAreTold) {
  struct Case {
    const char* what;
    BmpLayout layout;
    std::function<void(ImageBytes&)> damage;
    std::string text;
  };
  BmpLayout rle;
  rle.compression = 1;
  BmpLayout rle4;
  rle4.bits = 4;
  rle4.compression = 2;
  BmpLayout jpeg;
  jpeg.compression = 4;
  BmpLayout deep;
  deep.bits = 32;
  BmpLayout two;
  two.bits = 2;
  const std::vector<Case> cases = {
      {"RLE", rle, nullptr, "\r\n该文件BitMap为压缩格式,不能处理!"},
      {"RLE 4", rle4, nullptr, "\r\n该文件BitMap为压缩格式,不能处理!"},
      {"JPEG", jpeg, nullptr, "\r\n该文件BitMap为JPEG压缩格式,不能处理!"},
      {"32 bits", deep, nullptr, "\r\n不能处理32位4294967296色BMP文件!"},
      {"2 bits", two, nullptr, "\r\n不能处理2位4色BMP文件!"},
      {"not BM", BmpLayout{}, [](ImageBytes& b) { b[0] = 'X'; }, "\r\n非法BitMap格式文件!"},
      {"not BM and 32 bits", deep, [](ImageBytes& b) { b[1] = 'X'; },
       "\r\n非法BitMap格式文件!\r\n不能处理32位4294967296色BMP文件!"},
      {"header cut short", BmpLayout{}, [](ImageBytes& b) { b.resize(30); }, "\r\n非法BitMap格式文件!"},
  };
  for (const Case& c : cases) {
    sink.clear();
    ImageBytes bytes = MakeBmp(c.layout);
    if (c.damage) c.damage(bytes);
    CBmpReader r(File("r.bmp", bytes));
    EXPECT_FALSE(r.CheckFile(nullptr)) << c.what;  // shown with or without an owner
    EXPECT_FALSE(r.CreateBitmap(nullptr, &parent)) << c.what;
    ASSERT_EQ(sink.boxes.size(), 2u) << c.what;
    EXPECT_EQ(sink.boxes[0].text, c.text) << c.what;
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_EQ(r.ReadPixels(), 0u) << c.what;
    sink.clear();
    EXPECT_FALSE(r.CreateBitmapQuiet()) << c.what;
    EXPECT_TRUE(sink.boxes.empty()) << c.what;
  }

  // A missing file: told only with an owner.
  sink.clear();
  CBmpReader missing(dir + "none.bmp");
  EXPECT_FALSE(missing.CheckFile(nullptr));
  EXPECT_TRUE(sink.boxes.empty());
  EXPECT_FALSE(missing.CheckFile(&parent));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "文件:[" + dir + "none.bmp]打开失败!");
  EXPECT_EQ(sink.boxes[0].caption, "错误");

  // Pixels the file does not hold: the check passes, the bitmap fails.
  ImageBytes cut = MakeBmp(BmpLayout{});
  cut.resize(cut.size() - 1);
  CBmpReader shortData(File("s.bmp", cut));
  sink.clear();
  EXPECT_TRUE(shortData.CheckFile(&parent));
  EXPECT_FALSE(shortData.CreateBitmap(nullptr, &parent));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "BMP打开失败!!!");
  EXPECT_EQ(sink.boxes[0].caption, "严重错误");
  EXPECT_EQ(sink.boxes[0].style & plat::MB_ICONMASK, plat::MB_ICONSTOP);
  EXPECT_EQ(shortData.ReadPixels(), 0u);
  sink.clear();
  EXPECT_FALSE(shortData.CreateBitmap(nullptr, nullptr));
  EXPECT_TRUE(sink.boxes.empty());

  // Sides beyond the platform's surfaces.
  BmpLayout huge;
  ImageBytes h = MakeBmp(huge);
  plat::PutU32(&h[18], 0x7FFFFFFF);
  CBmpReader tooWide(File("w.bmp", h));
  EXPECT_FALSE(tooWide.CreateBitmap(nullptr, nullptr));
}

TEST_F(ImageReaderTest, ImageInfoLayout) {
  BmpLayout s;
  CBmpReader r(File("i.bmp", MakeBmp(s)));
  r.ReadHeader();
  ImageInfo info;
  r.GetImageInfo(info);
  std::uint8_t raw[40];
  std::memcpy(raw, &info, 40);
  EXPECT_EQ(plat::GetU16(raw), 0x4D42);
  EXPECT_EQ(plat::GetU32(raw + 2), 4u);
  EXPECT_EQ(plat::GetU32(raw + 6), 3u);
  EXPECT_EQ(plat::GetU32(raw + 10), 14u + 40 + 1024);
  EXPECT_EQ(plat::GetU32(raw + 14), std::uint32_t(fs::file_size(dir + "i.bmp")));
  EXPECT_EQ(plat::GetU16(raw + 22), 1);
  EXPECT_EQ(plat::GetU16(raw + 24), 8);
  EXPECT_EQ(plat::GetU32(raw + 32), 2835u);
  EXPECT_EQ(plat::GetU32(raw + 36), 2836u);

  TiffLayout t;
  t.rowsPerStrip = 3;
  CTiffReader tr(File("i.tif", MakeTiff(t)));
  tr.GetImageInfo(info);
  std::memcpy(raw, &info, 40);
  EXPECT_EQ(plat::GetU16(raw), 0x4949);
  EXPECT_EQ(plat::GetU32(raw + 2), 5u);
  EXPECT_EQ(plat::GetU32(raw + 6), 4u);
  EXPECT_EQ(plat::GetU32(raw + 10), 8u);
  EXPECT_EQ(plat::GetU32(raw + 14), 20u);  // both strips
  EXPECT_EQ(plat::GetU16(raw + 22), 1);
  EXPECT_EQ(plat::GetU16(raw + 24), 8);
  EXPECT_EQ(plat::GetU16(raw + 26), 1);
  EXPECT_EQ(plat::GetU32(raw + 32), 0u);
}

// --- TIFF -----------------------------------------------------------------------------

TEST_F(ImageReaderTest, TiffDepthsStripsValuesAndPhotometric) {
  struct Case {
    const char* what;
    TiffLayout layout;
    std::function<std::uint32_t(std::uint32_t)> colour;  // of an index
  };
  const auto grey = [](std::uint32_t g) { return g * 0x010101u; };
  TiffLayout one;
  one.bits = 1;
  one.width = 13;
  one.photometric = -1;
  one.index = [](int x, int y) { return std::uint32_t((x * y + x) % 2); };
  TiffLayout oneWhiteIsZero = one;
  oneWhiteIsZero.photometric = 0;
  TiffLayout four;
  four.bits = 4;
  four.index = [](int x, int y) { return std::uint32_t((x + 5 * y) % 16); };
  TiffLayout fourMap = four;
  fourMap.photometric = 3;
  fourMap.colorMap = std::vector<std::uint32_t>(16, 0x123456);
  for (std::size_t i = 0; i < 12; ++i) fourMap.colorMap[i] = kColours[i];
  TiffLayout eight;
  eight.rowsPerStrip = 1;  // four strips, SHORT arrays at offsets
  TiffLayout eightLong = eight;
  eightLong.shortValues = false;
  eightLong.rowsPerStrip = 3;  // two strips, the last one short
  TiffLayout eightMm = eight;
  TiffLayout eightInverted;
  eightInverted.photometric = 0;
  eightInverted.rowsPerStrip = 2;  // two SHORT values inline
  TiffLayout eightMap;
  eightMap.photometric = 3;
  eightMap.colorMap.resize(256);
  for (std::uint32_t i = 0; i < 256; ++i) eightMap.colorMap[i] = (i << 16) | ((255 - i) << 8) | 7;
  const std::vector<Case> cases = {
      {"1 bit, no photometric: 0 black", one, [](std::uint32_t i) { return i ? 0xFFFFFFu : 0u; }},
      {"1 bit, WhiteIsZero", oneWhiteIsZero, [](std::uint32_t i) { return i ? 0u : 0xFFFFFFu; }},
      {"4 bits, grey ramp", four, [&](std::uint32_t i) { return grey(i * 17); }},
      {"4 bits, colour map", fourMap, [&](std::uint32_t i) { return fourMap.colorMap[i]; }},
      {"8 bits, four strips", eight, [&](std::uint32_t i) { return grey(i); }},
      {"8 bits, LONG values, short last strip", eightLong, [&](std::uint32_t i) { return grey(i); }},
      {"8 bits, inverted", eightInverted, [&](std::uint32_t i) { return grey(255 - i); }},
      {"8 bits, colour map", eightMap, [&](std::uint32_t i) { return eightMap.colorMap[i]; }},
  };
  for (const Case& c : cases) {
    CTiffReader r(File("a.tif", MakeTiff(c.layout)));
    EXPECT_TRUE(r.CheckFile(&parent)) << c.what;
    plat::HBITMAP bmp = r.CreateBitmap(nullptr, &parent);
    ASSERT_TRUE(bmp) << c.what;
    for (int y = 0; y < c.layout.height; ++y)
      for (int x = 0; x < c.layout.width; ++x)
        EXPECT_EQ(Pixel(bmp, x, y), c.colour(c.layout.index(x, y))) << c.what << " at " << x << "," << y;
    plat::DeleteObject(bmp);

    // Rows bottom row first, padded to 4 bytes; top row first with the flag.
    plat::HGLOBAL up = r.ReadPixels(false), down = r.ReadPixels(true);
    ASSERT_TRUE(up && down) << c.what;
    const std::size_t stride = FixtureStride(c.layout.width, c.layout.bits);
    const auto a = BlockBytes(up), b = BlockBytes(down);
    ASSERT_EQ(a.size(), stride * c.layout.height);
    if (c.layout.bits == 8)
      for (int y = 0; y < c.layout.height; ++y)
        for (int x = 0; x < c.layout.width; ++x) {
          EXPECT_EQ(b[std::size_t(y) * stride + x], c.layout.index(x, y)) << c.what;
          EXPECT_EQ(a[std::size_t(c.layout.height - 1 - y) * stride + x], c.layout.index(x, y)) << c.what;
        }
    plat::GlobalFree(up);
    plat::GlobalFree(down);
    plat::HGLOBAL pal = r.ReadPalette();
    EXPECT_EQ(plat::GlobalSize(pal), 4u << c.layout.bits) << c.what;
    plat::GlobalFree(pal);
  }
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ImageReaderTest, TiffRefusalsAreTold) {
  struct Case {
    const char* what;
    TiffLayout layout;
    std::string text;
  };
  TiffLayout mm;
  mm.bigEndian = true;
  TiffLayout many;
  many.extraEntries = 44;  // 53 entries
  TiffLayout packed;
  packed.compression = 32773;
  TiffLayout rgb;
  rgb.samples = 3;
  TiffLayout sixteen;
  sixteen.bits = 16;
  const std::vector<Case> cases = {
      {"big-endian", mm, "非INTER数据类型TIF文件!"},
      {"53 entries", many, "文件IFD＝[53]!"},
      {"compressed", packed, "不能处理压缩格式TIF文件!"},
      {"three samples", rgb, "不能处理多页面式TIF文件!"},
      {"16 bits", sixteen, "不能处理大于256色TIF文件!"},
  };
  for (const Case& c : cases) {
    sink.clear();
    CTiffReader r(File("r.tif", MakeTiff(c.layout)));
    EXPECT_FALSE(r.CheckFile(nullptr)) << c.what;
    EXPECT_TRUE(sink.boxes.empty()) << c.what;  // told only with an owner
    EXPECT_FALSE(r.CreateBitmap(nullptr, &parent)) << c.what;
    ASSERT_EQ(sink.boxes.size(), 1u) << c.what;
    EXPECT_EQ(sink.boxes[0].text, c.text) << c.what;
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_EQ(sink.boxes[0].style & plat::MB_ICONMASK, plat::MB_ICONSTOP);
    EXPECT_EQ(r.ReadPixels(), 0u) << c.what;
  }
  // The big-endian file's header is read all the same.
  CTiffReader mmReader(File("m.tif", MakeTiff(mm)));
  EXPECT_EQ(mmReader.width(), 5u);
  EXPECT_EQ(mmReader.height(), 4u);

  // Data the file does not hold: the check passes, the bitmap is refused.
  TiffLayout s;
  s.rowsPerStrip = 2;
  ImageBytes cut = MakeTiff(s);
  plat::PutU32(&cut[cut.size() - 4 - 12 * 4 + 8], 0x7FFFFFF0);  // the strip offsets' field
  sink.clear();
  CTiffReader bad(File("b.tif", cut));
  EXPECT_TRUE(bad.CheckFile(&parent));
  EXPECT_FALSE(bad.CreateBitmap(nullptr, &parent));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "文件:[" + dir + "b.tif]打开失败!");
  CTiffReader missing(dir + "none.tif");
  EXPECT_EQ(missing.ReadHeader(), 0);
  EXPECT_FALSE(missing.CheckFile(nullptr));
}

// --- Hostile files ----------------------------------------------------------------------

void RunEveryReader(const std::string& path, bool tiff) {
  {
    const int pass = tiff ? 1 : 0;
    ImageInfo info;
    plat::HBITMAP bmp = nullptr;
    plat::HGLOBAL pal = 0, px = 0, pxDown = 0;
    if (pass == 0) {
      CBmpReader r(path);
      r.CheckFile(nullptr);
      bmp = r.CreateBitmapQuiet();
      pal = r.ReadPalette();
      px = r.ReadPixels(false);
      pxDown = r.ReadPixels(true);
      r.GetImageInfo(info);
    } else {
      CTiffReader r(path);
      r.CheckFile(nullptr);
      bmp = r.CreateBitmap(nullptr, nullptr);
      pal = r.ReadPalette();
      px = r.ReadPixels(false);
      pxDown = r.ReadPixels(true);
      r.GetImageInfo(info);
    }
    if (bmp) plat::DeleteObject(bmp);
    for (plat::HGLOBAL h : {pal, px, pxDown})
      if (h) plat::GlobalFree(h);
  }
}

TEST_F(ImageReaderTest, EveryByteAndTruncationOfEachFixture) {
  BmpLayout b8;
  b8.colorsUsed = 5;
  b8.palette = kColours;
  b8.value = [](int x, int y) { return std::uint32_t((x + y) % 5); };
  BmpLayout b16;
  b16.bits = 16;
  b16.compression = 3;
  b16.masks = {0xF800, 0x07E0, 0x001F};
  b16.topDown = true;
  TiffLayout t;
  t.rowsPerStrip = 1;
  t.photometric = 3;
  t.bits = 4;
  t.colorMap.assign(16, 0x445566);
  TiffLayout tl;
  tl.shortValues = false;
  tl.rowsPerStrip = 3;
  const std::vector<ImageBytes> fixtures = {MakeBmp(b8), MakeBmp(b16), MakeTiff(t), MakeTiff(tl)};
  const std::string path = dir + "x.img";
  for (std::size_t f = 0; f < fixtures.size(); ++f) {
    const ImageBytes& good = fixtures[f];
    const bool tiff = f >= 2;
    for (std::size_t n = 0; n < good.size(); ++n)
      RunEveryReader(File("x.img", ImageBytes(good.begin(), good.begin() + std::ptrdiff_t(n))), tiff);
    for (std::size_t i = 0; i < good.size(); ++i)
      for (std::uint8_t v : {std::uint8_t(0x00), std::uint8_t(0xFF), std::uint8_t(good[i] ^ 0x80)}) {
        ImageBytes b = good;
        if (b[i] == v) continue;
        b[i] = v;
        RunEveryReader(File("x.img", b), tiff);
      }
  }
}

}  // namespace
