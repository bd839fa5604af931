#include <gtest/gtest.h>

#include <cstring>

#include "model/pathobject.h"
#include "platform/bytes.h"
#include "model/records.h"
#include "model/tests/fakes.h"
#include "text/libpicobject.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/tests/text_fixtures.h"

namespace {

std::string RecordBytes(CGraphObject& o, std::uint32_t* length = nullptr) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  if (length) *length = n;
  plat::GlobalBlock block(h);
  plat::GlobalLockGuard g(h);
  return g ? std::string(reinterpret_cast<const char*>(g.bytes()), g.size()) : std::string();
}

CFRect BoundsOf(const CPathPointList& l) {
  pathrec::Records r(l.points);
  CFRect b(1e30f, 1e30f, -1e30f, -1e30f);
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    if (!pathrec::IsPoint(r.p[i].flags)) continue;
    const float x = r.p[i].x, y = r.p[i].y;
    b = CFRect(std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y));
  }
  return b;
}

void ExpectRect(const CFRect& r, float l, float t, float rt, float b) {
  EXPECT_NEAR(r.left, l, 1e-4);
  EXPECT_NEAR(r.top, t, 1e-4);
  EXPECT_NEAR(r.right, rt, 1e-4);
  EXPECT_NEAR(r.bottom, b, 1e-4);
}

// A mounted library STAR.LIB: kind 0 with squares 0 and 1 (100 units).
struct LibPicTest : ::testing::Test {
  ScopedMountFolder mount;
  void SetUp() override {
    RegisterLibraryRecordReaders();
    ASSERT_TRUE(MakeLibrary(mount / "STAR.LIB", {2}));
    ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 1);
  }
};

TEST_F(LibPicTest, RecordRoundTripsBitForBit) {
  CLibPicObject pic(5, 2, 7);
  pic.flags = 0x0103;
  pic.color = 0x00ABCDEF;
  pic.bounds = CFRect(1.25f, -2.5f, 30.125f, 40.0f);
  pic.matrix = CMatrix3(0.5f, 0.25f, -0.125f, 2.0f, 11.0f, -3.5f);
  std::uint32_t n = 0;
  const std::string rec = RecordBytes(pic, &n);
  ASSERT_EQ(n, 71u);
  ASSERT_EQ(rec.size(), 80u);
  EXPECT_EQ(rec[0], '"');
  EXPECT_EQ(plat::GetU32(reinterpret_cast<const std::uint8_t*>(rec.data()) + 1), 71u);
  EXPECT_EQ(std::uint8_t(rec[5]), 131);
  EXPECT_EQ(std::uint8_t(rec[70]), 241);
  EXPECT_EQ(std::uint8_t(rec[71]), 255);
  const auto* p = reinterpret_cast<const std::uint8_t*>(rec.data());
  EXPECT_EQ(plat::GetU16(p + 60), 5);
  EXPECT_EQ(plat::GetU16(p + 62), 2);
  EXPECT_EQ(plat::GetU16(p + 64), 7);
  EXPECT_EQ(plat::GetU32(p + 66), 0x00ABCDEFu);

  auto back = CreateObjectFromRecord(p, rec.size());
  ASSERT_TRUE(back);
  auto* pic2 = dynamic_cast<CLibPicObject*>(back.get());
  ASSERT_NE(pic2, nullptr);
  EXPECT_EQ(pic2->kind, OBJ_LIBPIC);
  EXPECT_EQ(pic2->flags, 0x0103);
  EXPECT_EQ(pic2->libraryType, 5);
  EXPECT_EQ(pic2->libraryNumber, 2);
  EXPECT_EQ(pic2->pictureNumber, 7);
  EXPECT_EQ(pic2->color, 0x00ABCDEFu);
  EXPECT_TRUE(pic2->matrix == pic.matrix);
  EXPECT_EQ(RecordBytes(*pic2), rec);

  std::string other = rec;
  other[0] = '#';
  EXPECT_EQ(CLibPicObject::LoadFromRecord(reinterpret_cast<const std::uint8_t*>(other.data()), 71), nullptr);
  EXPECT_EQ(CLibPicObject::LoadFromRecord(p, 60), nullptr);  // too short for its fields
}

TEST_F(LibPicTest, OutlineOfAMountedGraphThroughTheMatrix) {
  CLibPicObject pic(LIBTYPE_MOUNTED, 0, 1);
  pic.matrix = CMatrix3(0.1f, 0, 0, 0.1f, 50, 60);
  std::unique_ptr<CPathPointList> o(pic.MakeOutline(nullptr, 0));
  ASSERT_TRUE(o);
  ExpectRect(BoundsOf(*o), 50.1f, 60, 60.1f, 70);
  ExpectRect(pic.bounds, 50.1f, 60, 60.1f, 70);  // the object takes the picture's bounds

  // A matrix argument applies after the placement; the object's bounds stay.
  CMatrix3 view(2, 0, 0, 2, 0, 0);
  o.reset(pic.MakeOutline(&view, 0));
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->matrix.IsIdentity());
  ExpectRect(BoundsOf(*o), 100.2f, 120, 120.2f, 140);
  ExpectRect(pic.bounds, 50.1f, 60, 60.1f, 70);

  // Offset moves the next outline by the same amount.
  pic.Offset(10, 5);
  ExpectRect(pic.bounds, 60.1f, 65, 70.1f, 75);
  o.reset(pic.MakeOutline(nullptr, 0));
  ExpectRect(BoundsOf(*o), 60.1f, 65, 70.1f, 75);

  // SetRect maps the bounds onto the rectangle; Transform takes the box of the corners.
  pic.SetRect(0, 0, 20, 40);
  o.reset(pic.MakeOutline(nullptr, 0));
  ExpectRect(BoundsOf(*o), 0, 0, 20, 40);
  pic.Transform(CMatrix3(0, 1, -1, 0, 0, 0));  // a quarter turn
  ExpectRect(pic.bounds, -40, 0, 0, 20);
  o.reset(pic.MakeOutline(nullptr, 0));
  ExpectRect(BoundsOf(*o), -40, 0, 0, 20);
}

TEST_F(LibPicTest, MissingPicturesGiveNothingAndKeepTheBounds) {
  struct Case {
    std::uint16_t type, kind, graph;
  } cases[] = {{3, 0, 0}, {LIBTYPE_MOUNTED, 1, 0}, {LIBTYPE_MOUNTED, 0, 2}, {LIBTYPE_MOUNTED, 0, 255}};
  for (const Case& c : cases) {
    CLibPicObject pic(c.type, c.kind, c.graph);
    pic.bounds = CFRect(1, 2, 3, 4);
    EXPECT_EQ(pic.MakeOutline(nullptr, 0), nullptr);
    EXPECT_EQ(pic.ConvertToPath(-1), nullptr);
    FakeView view;
    const auto before = view.Pixels();
    pic.DrawOutline(view.dc.get(), nullptr, nullptr);
    pic.DrawFilled(view.dc.get(), nullptr, nullptr);
    EXPECT_EQ(view.Pixels(), before);
    ExpectRect(pic.bounds, 1, 2, 3, 4);
  }
  // An empty MOUNTLIB folder: no library at all.
  std::filesystem::remove(mount / "STAR.LIB");
  EXPECT_EQ(g_MountLibList.ScanMountedLibraries(), 0);
  CLibPicObject pic(LIBTYPE_MOUNTED, 0, 0);
  EXPECT_EQ(pic.MakeOutline(nullptr, 0), nullptr);
}

TEST_F(LibPicTest, FontPicturesComeFromTheirLanguageSlot) {
  StubGlyphSource glyphs;
  struct Case {
    std::uint16_t type;
    int slot;
  } cases[] = {{LIBTYPE_SYMBOLS, 2}, {LIBTYPE_FONTS, 0}};
  for (const Case& c : cases) {
    CLibPicObject pic(c.type, 4, 'A');
    pic.matrix = CMatrix3(0.01f, 0, 0, 0.01f, 5, 5);
    std::unique_ptr<CPathPointList> o(pic.MakeOutline(nullptr, 0));
    ASSERT_TRUE(o);
    EXPECT_EQ(glyphs.lastSlot, c.slot);
    EXPECT_EQ(glyphs.lastFontId, 4);
    EXPECT_EQ(glyphs.lastType, 0);
    ExpectRect(BoundsOf(*o), 6, 6, 9.5f, 14);  // the stub's narrow square, 100..450 x 100..900
  }
  CLibPicObject missing(LIBTYPE_FONTS, 0, 'X');
  EXPECT_EQ(missing.MakeOutline(nullptr, 0), nullptr);
}

TEST_F(LibPicTest, ConvertsDrawsAndColours) {
  CLibPicObject pic(LIBTYPE_MOUNTED, 0, 0);
  pic.color = 0x0000FF;
  pic.flags = OBJF_FILLED;
  pic.matrix = CMatrix3(0.2f, 0, 0, 0.2f, 10, 10);
  auto path = pic.ConvertToPath(-1);
  ASSERT_TRUE(path);
  auto* p = dynamic_cast<CPathObject*>(path.get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->color, 0x0000FFu);
  ExpectRect(p->bounds, 10, 10, 30, 30);
  EXPECT_EQ(pic.ConvertToPath(5), nullptr);
  EXPECT_TRUE(pic.ConvertToPath(0x0000FF));

  FakeView view;
  const plat::COLORREF blue = plat::RGB(0, 0, 255);  // packed 0x0000FF
  pic.Print(view.dc.get(), nullptr, nullptr);  // filled: inside in the colour
  EXPECT_EQ(view.dc->GetPixel(20, 20), blue);
  pic.flags = 0;
  view.dc->FillSolidRect(plat::RECT{0, 0, 64, 64}, plat::RGB(255, 255, 255));
  pic.Draw(view.dc.get(), nullptr, nullptr);  // outline only
  EXPECT_EQ(view.dc->GetPixel(20, 20), plat::RGB(255, 255, 255));
  EXPECT_EQ(view.dc->GetPixel(10, 20), blue);

  pic.SetColorIndex(&view, 0x0000FF, 1);
  EXPECT_TRUE(view.invalidated.empty());
  pic.SetColorIndex(&view, 0x00FF00, 1);
  EXPECT_EQ(pic.color, 0x00FF00u);
  EXPECT_EQ(view.invalidated.size(), 1u);
  FakeListBox list;
  pic.AddColorToList(&list);
  pic.AddColorToList(&list);
  EXPECT_EQ(list.items, (std::vector<std::string>{"65280"}));
}

}  // namespace
