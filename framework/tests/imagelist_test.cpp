#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "framework/imagelist.h"
#include "framework/resources.h"
#include "platform/dib.h"
#include "platform/image_io.h"

using namespace fw;
using plat::RGB;
using plat::GetRValue;
using plat::GetGValue;
using plat::GetBValue;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A strip of `cells` pictures w x h: picture i is filled with grey level 10 * (i + 1),
// its left column pure red (the transparent colour of the tests).
plat::Dib Strip(int cells, int w, int h) {
  auto dib = plat::Dib::Create(cells * w, h, 24);
  for (int i = 0; i < cells; ++i)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const BYTE g = BYTE(10 * (i + 1));
        dib->SetPixel(i * w + x, y, x == 0 ? kRed : RGB(g, g, g));
      }
  return *dib;
}

struct ImageListTest : ::testing::Test {
  std::string folder;
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-imgl-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    folder = tmpl;
  }
  void TearDown() override {
    res::Clear();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  void Register(UINT id, const plat::Dib& dib) {
    const std::string file = folder + "/strip.bmp";
    ASSERT_TRUE(plat::WriteBmpFile(file, dib));
    res::SetBitmap(id, file);
  }
};

TEST_F(ImageListTest, CutsCellsFromBitmapResource) {
  Register(307, Strip(7, 60, 60));
  CImageList list;
  ASSERT_TRUE(list.Create(307, 60, kRed));
  EXPECT_EQ(list.GetImageCount(), 7);
  EXPECT_EQ(list.GetImageSize().cx, 60);
  EXPECT_EQ(list.GetImageSize().cy, 60);
  for (int i = 0; i < 7; ++i) {
    const plat::Surface* s = list.GetImage(i);
    ASSERT_NE(s, nullptr);
    const BYTE g = BYTE(10 * (i + 1));
    EXPECT_EQ(s->GetPixel(30, 59), RGB(g, g, g)) << i;
    EXPECT_TRUE(list.IsTransparent(i, 0, 30));
    EXPECT_FALSE(list.IsTransparent(i, 1, 30));
  }
  EXPECT_EQ(list.GetImage(7), nullptr);
  EXPECT_EQ(list.GetImage(-1), nullptr);
}

TEST_F(ImageListTest, ResourceFailuresLeaveListEmpty) {
  CImageList list;
  EXPECT_FALSE(list.Create(999, 60, kRed));  // no such resource
  res::SetBitmap(998, folder + "/missing.bmp");
  EXPECT_FALSE(list.Create(998, 60, kRed));
  Register(997, Strip(1, 40, 60));
  EXPECT_FALSE(list.Create(997, 60, kRed));  // narrower than one picture
  EXPECT_FALSE(list.IsCreated());
  EXPECT_EQ(list.GetImageCount(), 0);
  // Not a picture at all.
  const std::string junk = folder + "/junk.bmp";
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("BM not a bitmap", f);
  std::fclose(f);
  res::SetBitmap(996, junk);
  EXPECT_FALSE(list.Create(996, 60, kRed));
}

TEST_F(ImageListTest, AddsBitmapHandlesAndPadsNarrowOnes) {
  CImageList list;
  EXPECT_EQ(list.Add(nullptr, kRed), -1);
  ASSERT_TRUE(list.Create(60, 60));
  EXPECT_FALSE(CImageList().Create(0, 60));

  plat::HBITMAP two = Strip(2, 60, 60).CreateBitmap();
  plat::HBITMAP small = Strip(1, 20, 10).CreateBitmap();
  EXPECT_EQ(list.Add(two, kRed), 0);
  EXPECT_EQ(list.Add(small, CLR_NONE), 2);
  EXPECT_EQ(list.GetImageCount(), 3);
  // No transparent colour: the red column stays; outside the bitmap is transparent.
  EXPECT_FALSE(list.IsTransparent(2, 0, 0));
  EXPECT_FALSE(list.IsTransparent(2, 19, 9));
  EXPECT_TRUE(list.IsTransparent(2, 20, 9));
  EXPECT_TRUE(list.IsTransparent(2, 19, 10));
  EXPECT_EQ(list.Add(two, kRed), 3);  // a deleted handle is refused below
  plat::DeleteObject(two);
  plat::DeleteObject(small);
  EXPECT_EQ(list.Add(two, kRed), -1);

  EXPECT_TRUE(list.Remove(0));
  EXPECT_EQ(list.GetImageCount(), 4);
  EXPECT_FALSE(list.Remove(4));
  EXPECT_TRUE(list.Remove(-1));
  EXPECT_EQ(list.GetImageCount(), 0);
}

TEST_F(ImageListTest, DrawsOpaquePixelsOnly) {
  CImageList list;
  ASSERT_TRUE(list.Create(60, 60));
  plat::HBITMAP strip = Strip(2, 60, 60).CreateBitmap();
  ASSERT_EQ(list.Add(strip, kRed), 0);
  plat::DeleteObject(strip);

  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HBITMAP target = plat::CreateBitmap(80, 80, 1, 32, nullptr);
  dc->SelectObject(target);
  dc->FillSolidRect(RECT{0, 0, 80, 80}, kBlue);
  EXPECT_TRUE(list.Draw(dc, 1, POINT{5, 5}, ILD_NORMAL));
  EXPECT_EQ(dc->GetPixel(5, 30), kBlue);  // transparent column
  EXPECT_EQ(dc->GetPixel(6, 30), RGB(20, 20, 20));
  EXPECT_EQ(dc->GetPixel(64, 64), RGB(20, 20, 20));
  EXPECT_EQ(dc->GetPixel(65, 65), kBlue);
  EXPECT_TRUE(list.Draw(dc, 0, POINT{5, 5}, ILD_SELECTED));
  EXPECT_EQ(dc->GetPixel(5, 30), kBlue);
  const COLORREF hi = kImageHighlight;
  EXPECT_EQ(dc->GetPixel(6, 30), RGB((10 + GetRValue(hi)) / 2, (10 + GetGValue(hi)) / 2,
                                     (10 + GetBValue(hi)) / 2));
  // Partly outside the surface: clipped, not a crash.
  EXPECT_TRUE(list.Draw(dc, 0, POINT{70, -30}, ILD_NORMAL));
  EXPECT_FALSE(list.Draw(dc, 2, POINT{0, 0}, ILD_NORMAL));
  EXPECT_FALSE(list.Draw(nullptr, 0, POINT{0, 0}, ILD_NORMAL));
  plat::DeleteDC(dc);
  plat::DeleteObject(target);
}

}  // namespace
