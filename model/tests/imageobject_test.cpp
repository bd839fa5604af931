// The image object: its record, drawing, printing, tracing and bars.
#include "model/imageobject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "model/devices.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/tests/fakes.h"
#include "model/tests/image_fixtures.h"
#include "platform/bytes.h"
#include "platform/report.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> RecordBytes(CGraphObject& o) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  std::vector<std::uint8_t> out;
  if (h) {
    plat::GlobalLockGuard g(h);
    out.assign(g.bytes(), g.bytes() + n + 1);
  }
  plat::GlobalFree(h);
  return out;
}

// Unpacked copies of the point records (the records themselves are packed).
struct Pt {
  float x, y;
  int flags;
};
std::vector<Pt> PointsOf(const CPathObject& p) {
  plat::GlobalLockGuard g(p.points);
  std::vector<Pt> out;
  for (std::int32_t i = 0; i < p.count; ++i) {
    PathPoint r;
    std::memcpy(&r, g.bytes() + std::size_t(i) * sizeof(PathPoint), sizeof r);
    out.push_back({r.x, r.y, r.flags});
  }
  return out;
}

struct ImageObjectTest : ::testing::Test {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  std::string dir;
  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "tindrel-imageobj-XXXXXX").string();
    ASSERT_NE(::mkdtemp(t.data()), nullptr);
    dir = t + "/";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

TEST_F(ImageObjectTest, RecordsKeepTheName) {
  CImageObject img("pic.bmp");
  img.bounds = CFRect(1, 2, 3, 4);
  img.flags = 0x0100;
  const auto rec = RecordBytes(img);
  ASSERT_EQ(rec.size(), 86u);
  std::vector<std::uint8_t> want(86, 0);
  want[0] = '(';
  plat::PutU32(&want[1], 85);
  want[5] = 133;
  plat::PutU16(&want[6], 0x0100);
  plat::PutF32(&want[8], 1);
  plat::PutF32(&want[12], 2);
  plat::PutF32(&want[16], 3);
  plat::PutF32(&want[20], 4);
  std::memcpy(&want[24], "pic.bmp", 7);
  want[84] = 241;
  want[85] = 255;
  EXPECT_EQ(rec, want);

  // Through the factory, byte for byte.
  auto back = CreateObjectFromRecord(rec.data(), rec.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->kind, OBJ_IMAGE);
  EXPECT_EQ(RecordBytes(*back), rec);

  // 59 bytes survive; 60 are refused rather than cut (the link would break).
  const std::string longest(59, 'n');
  CImageObject a(longest);
  auto b = CImageObject::ReadRecord(RecordBytes(a).data(), 85);
  ASSERT_TRUE(b);
  EXPECT_EQ(static_cast<CImageObject*>(b.get())->fileName, longest);
  EXPECT_TRUE(CImageObject::IsStorableName(longest));
  EXPECT_FALSE(CImageObject::IsStorableName(longest + "x"));
  EXPECT_TRUE(CImageObject(longest + "x").fileName.empty());
  EXPECT_EQ(RecordBytes(a).size(), 86u);

  // A GBK name whose first byte is 133 is a name, not a record.
  const std::string gbk = "\x85\x40\xB1\xEA.bmp";
  EXPECT_EQ(CImageObject(gbk).fileName, gbk);

  // The reader takes the text up to its NUL within the field, never beyond.
  std::vector<std::uint8_t> full = want;
  std::memset(&full[24], 'z', 60);
  auto z = CImageObject::ReadRecord(full.data(), 85);
  ASSERT_TRUE(z);
  EXPECT_EQ(static_cast<CImageObject*>(z.get())->fileName, std::string(60, 'z'));
  EXPECT_FALSE(CImageObject::ReadRecord(want.data(), 84));
  EXPECT_FALSE(CImageObject::ReadRecord(want.data(), 86));  // one size only
  want[0] = '#';
  EXPECT_FALSE(CImageObject::ReadRecord(want.data(), 85));
  EXPECT_EQ(img.CanNodeEdit(), 1);
}

// A 2 x 2 image of four colours.
ImageBytes Quad() {
  BmpLayout s;
  s.bits = 24;
  s.width = 2;
  s.height = 2;
  s.value = [](int x, int y) { return std::uint32_t(y == 0 ? (x == 0 ? 0xFF0000 : 0x00FF00) : (x == 0 ? 0x0000FF : 0xFFFF00)); };
  return MakeBmp(s);
}

TEST_F(ImageObjectTest, DrawnStretchedIntoItsBounds) {
  FakeView view(nullptr, 40, 40);
  CImageObject img(dir + "q.bmp");
  img.bounds = CFRect(2, 3, 12, 13);
  const CMatrix3 m(2, 0, 0, 2, 0, 0);
  const auto blank = view.Pixels();
  img.Draw(view.dc.get(), &m, nullptr);  // no file yet: nothing, tried again later
  EXPECT_EQ(view.Pixels(), blank);
  EXPECT_FALSE(img.GetCachedBitmap());
  WriteImageFile(dir + "q.bmp", Quad());
  img.Draw(view.dc.get(), &m, nullptr);
  ASSERT_TRUE(img.GetCachedBitmap());
  const auto at = [&](int x, int y) { return view.dc->GetPixel(x, y); };
  EXPECT_EQ(at(4, 6), plat::RGB(255, 0, 0));
  EXPECT_EQ(at(23, 6), plat::RGB(0, 255, 0));
  EXPECT_EQ(at(4, 25), plat::RGB(0, 0, 255));
  EXPECT_EQ(at(23, 25), plat::RGB(255, 255, 0));
  EXPECT_EQ(at(24, 26), plat::RGB(255, 255, 255));
  EXPECT_EQ(at(3, 5), plat::RGB(255, 255, 255));

  // Moved and scaled: the same picture in the new bounds, the name kept.
  img.SetRect(0, 0, 4, 2);
  img.Draw(view.dc.get(), &m, nullptr);
  EXPECT_EQ(at(0, 0), plat::RGB(255, 0, 0));
  EXPECT_EQ(at(7, 3), plat::RGB(255, 255, 0));
  EXPECT_EQ(img.fileName, dir + "q.bmp");
}

TEST_F(ImageObjectTest, PrintedUnlessImagesAreSuppressed) {
  WriteImageFile(dir + "q.bmp", Quad());
  FakeView view(nullptr, 40, 40);
  CImageObject img(dir + "q.bmp");
  img.bounds = CFRect(0, 0, 10, 10);
  const CMatrix3 m;
  const auto blank = view.Pixels();
  PrintSettings off;
  off.printImages = 0;
  img.Print(view.dc.get(), &m, &off);
  EXPECT_EQ(view.Pixels(), blank);
  PrintSettings on;
  const std::size_t gdi = plat::GdiObjectCount();
  img.Print(view.dc.get(), &m, &on);
  EXPECT_EQ(view.dc->GetPixel(9, 9), plat::RGB(255, 255, 0));
  EXPECT_EQ(plat::GdiObjectCount(), gdi);  // the print bitmap is deleted
  EXPECT_FALSE(img.GetCachedBitmap());

  CImageObject other(dir + "q.png");  // not a type it reads
  other.bounds = img.bounds;
  ImageInfo info;
  EXPECT_EQ(other.ReadImage(info), 0);
  EXPECT_FALSE(other.MakeBitmap(nullptr));
}

class FakeTracer : public CTraceServices {
 public:
  std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP bmp, int option) override {
    calls.push_back({bmp, option});
    if (fail) return nullptr;
    auto p = std::make_unique<CPathObject>();
    p->AddRectangle(0, 0, 2, 1);
    p->EndPoints();
    return p;
  }
  std::vector<std::pair<plat::HBITMAP, int>> calls;
  bool fail = false;
};

TEST_F(ImageObjectTest, TracedThroughTheService) {
  WriteImageFile(dir + "q.bmp", Quad());
  CImageObject img(dir + "q.bmp");
  img.bounds = CFRect(10, 20, 30, 60);
  EXPECT_FALSE(img.TraceImage(nullptr, 1));  // no service installed
  FakeTracer tracer;
  CTraceServices* old = SetTraceServices(&tracer);
  auto path = img.TraceImage(nullptr, 3);
  ASSERT_TRUE(path);
  ASSERT_EQ(tracer.calls.size(), 1u);
  EXPECT_EQ(tracer.calls[0].first, img.GetCachedBitmap());
  EXPECT_EQ(tracer.calls[0].second, 3);
  EXPECT_EQ(path->matrix, CMatrix3(10, 0, 0, 20, 10, 20));
  EXPECT_EQ(path->bounds, CFRect(10, 20, 30, 40));
  EXPECT_EQ(path->color, 255u);
  tracer.fail = true;
  EXPECT_FALSE(img.TraceImage(nullptr, 3));
  SetTraceServices(old);
}

TEST_F(ImageObjectTest, BarsFromARampAlikeFromBmpAndTiff) {
  BmpLayout b;
  b.width = 16;
  b.height = 12;
  b.palette.resize(256);
  for (std::uint32_t i = 0; i < 256; ++i) b.palette[i] = i * 0x010101u;
  b.value = [](int x, int y) { return std::uint32_t(x * 16 + y * 5); };
  TiffLayout t;
  t.width = 16;
  t.height = 12;
  t.rowsPerStrip = 5;
  t.index = b.value;
  WriteImageFile(dir + "ramp.bmp", MakeBmp(b));
  WriteImageFile(dir + "ramp.tif", MakeTiff(t));
  CImageObject fromBmp(dir + "ramp.bmp"), fromTiff(dir + "ramp.tif");
  fromBmp.bounds = fromTiff.bounds = CFRect(5, 6, 37, 30);  // 24 high: 3 rows of 7
  auto pb = fromBmp.MakeImageBars();
  auto pt = fromTiff.MakeImageBars();
  ASSERT_TRUE(pb && pt);
  const auto a = PointsOf(*pb), c = PointsOf(*pt);
  ASSERT_EQ(a.size(), c.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].x, c[i].x) << i;
    EXPECT_EQ(a[i].y, c[i].y) << i;
    EXPECT_EQ(a[i].flags, c[i].flags) << i;
  }
  EXPECT_EQ(pb->matrix.m00, 7.0f / 4.0f);  // 4 pixel rows per bar
  EXPECT_EQ(pb->matrix.m20, 5.0f);
  EXPECT_EQ(pb->matrix.m21, 6.0f);
  EXPECT_EQ(pb->bounds, fromBmp.bounds);
  // First bar: start, the right and top edges, the left side, then the grey of
  // column 0 averaged over rows 0-3 (top rows first for both readers).
  ASSERT_GE(a.size(), 7u);
  EXPECT_EQ(a[0].flags, 0x11);
  EXPECT_EQ(a[0].x, 17.0f);
  EXPECT_EQ(a[0].y, 3.5f);
  EXPECT_EQ(a[3].x, 0.0f);
  EXPECT_EQ(a[3].y, 0.0f);
  const float g0 = (0 + 5 + 10 + 15) * (0.25f - 0.0025f);
  EXPECT_NEAR(a[5].y, g0 * 0.7f / 255.0f * 7.0f + 1.05f, 1e-4);
  int ends = 0;
  for (const Pt& p : a) ends += p.flags == 0x41;
  EXPECT_EQ(ends, 3);
  EXPECT_EQ(a.back().flags, 0xFF);

  // Not 8 bits, or no whole bar row: nothing.
  BmpLayout c24;
  c24.bits = 24;
  WriteImageFile(dir + "c.bmp", MakeBmp(c24));
  CImageObject colour(dir + "c.bmp");
  colour.bounds = CFRect(0, 0, 10, 100);
  EXPECT_FALSE(colour.MakeImageBars());
  fromBmp.bounds = CFRect(0, 0, 10, 6.9f);
  EXPECT_FALSE(fromBmp.MakeImageBars());
}

TEST_F(ImageObjectTest, GreyBarsEdges) {
  const std::uint8_t white[3] = {255, 255, 255};
  const std::uint32_t grey[256] = {};
  ImageBarSettings s;
  // One pixel row per bar: a white row is 0.85 x 7 high, less the weight step.
  auto p = MakeGreyBars(white, 3, 3, 1, nullptr, 0, CFRect(0, 0, 3, 7), s);
  ASSERT_TRUE(p);
  const auto pts = PointsOf(*p);
  EXPECT_NEAR(pts[5].y, 255.0f * 0.9975f * 0.7f / 255.0f * 7.0f + 1.05f, 1e-4);
  EXPECT_NEAR(pts[6].y, pts[5].y, 1e-4);  // column 1: the last one is always emitted
  // Indexes are looked up: index 255 of an all-black table is black.
  auto dark = MakeGreyBars(white, 3, 3, 1, grey, 256, CFRect(0, 0, 3, 7), s);
  ASSERT_TRUE(dark);
  EXPECT_NEAR(PointsOf(*dark)[5].y, 1.05f, 1e-4);

  struct Case {
    float h;
    CFRect r;
  };
  for (const Case& c : {Case{0.0f, {0, 0, 3, 7}}, Case{-7.0f, {0, 0, 3, 7}},
                        Case{std::numeric_limits<float>::quiet_NaN(), {0, 0, 3, 7}},
                        Case{7.0f, {0, 0, 3, 6.5f}}, Case{1e-30f, {0, 0, 3, 7}},
                        Case{7.0f, {0, 0, 3, std::numeric_limits<float>::infinity()}}}) {
    s.barHeight = c.h;
    EXPECT_FALSE(MakeGreyBars(white, 3, 3, 1, nullptr, 0, c.r, s)) << c.h;
  }
  // Bar rows times columns beyond what a halftone needs: refused, not built.
  s.barHeight = 7.0f;
  const std::vector<std::uint8_t> wide(1024, 255);
  EXPECT_FALSE(MakeGreyBars(wide.data(), 1024, 1024, 1, nullptr, 0, CFRect(0, 0, 1, 7.0f * 40000), s));
  EXPECT_TRUE(MakeGreyBars(wide.data(), 1024, 1024, 1, nullptr, 0, CFRect(0, 0, 1, 7.0f * 20), s));
  // More bar rows than pixel rows stay within the rows.
  s.barHeight = 1.0f;
  auto many = MakeGreyBars(white, 3, 3, 1, nullptr, 0, CFRect(0, 0, 3, 50), s);
  ASSERT_TRUE(many);
}

}  // namespace
