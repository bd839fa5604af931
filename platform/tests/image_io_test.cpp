#include "platform/image_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace plat;

namespace {

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/" + std::to_string(::getpid()) + "_" + name;
}

std::vector<BYTE> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ImageIo, BmpFilesRoundTripByteForByte) {
  for (int bits : {1, 4, 8, 24, 32}) {
    std::optional<Dib> d = Dib::Create(11, 3, bits);
    ASSERT_TRUE(d);
    for (LONG x = 0; x < 11; ++x) d->SetPixel(x, x % 3, x % 2 ? RGB(255, 255, 255) : RGB(255, 0, 0));
    const std::string path = TempPath("rt.bmp");
    ASSERT_TRUE(WriteBmpFile(path, *d));
    const std::vector<BYTE> file = ReadAll(path);
    ASSERT_EQ(file.size(), 14 + d->packed().size());
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    DWORD off;
    std::memcpy(&off, file.data() + 10, 4);
    EXPECT_EQ(off, 14u + 40u + 4u * DWORD(d->palette().size()));
    std::optional<Dib> back = ReadBmpFile(path);
    ASSERT_TRUE(back) << bits;
    EXPECT_EQ(back->packed(), d->packed()) << bits;
    std::remove(path.c_str());
  }
}

TEST(ImageIo, PixelRowsAreFoundThroughTheOffsetField) {
  std::optional<Dib> d = Dib::Create(2, 2, 24);
  d->SetPixel(1, 0, RGB(1, 2, 3));
  std::vector<BYTE> file(14 + 40 + 6);  // six bytes of gap before the rows
  BITMAPFILEHEADER fh;
  fh.bfOffBits = 14 + 40 + 6;
  fh.bfSize = DWORD(file.size() + d->rowBytes() * 2);
  std::memcpy(file.data(), &fh, 14);
  std::memcpy(file.data() + 14, d->packed().data(), 40);
  file.insert(file.end(), d->bits(), d->bits() + d->rowBytes() * 2);
  std::optional<Dib> back = ReadBmpBytes(file.data(), file.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetPixel(1, 0), RGB(1, 2, 3));
  EXPECT_EQ(back->packed(), d->packed());
}

TEST(ImageIo, HostileFilesAreRefused) {
  EXPECT_FALSE(ReadBmpFile(TempPath("missing.bmp")));
  EXPECT_FALSE(ReadBmpBytes(nullptr, 0));
  const char junk[] = "BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
  EXPECT_FALSE(ReadBmpBytes(junk, sizeof junk));
  std::optional<Dib> d = Dib::Create(5, 5, 8);
  const std::string path = TempPath("h.bmp");
  ASSERT_TRUE(WriteBmpFile(path, *d));
  const std::vector<BYTE> file = ReadAll(path);
  std::uint32_t seed = 5;
  for (int i = 0; i < 3000; ++i) {
    std::vector<BYTE> b = file;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1664525u + 1013904223u;
      b[(seed >> 8) % 70] = BYTE(seed >> 3);
    }
    seed = seed * 1664525u + 1013904223u;
    b.resize((seed >> 8) % (b.size() + 1));
    (void)ReadBmpBytes(b.data(), b.size());
  }
  std::remove(path.c_str());
  EXPECT_FALSE(WriteBmpFile(path, Dib{}));
  EXPECT_FALSE(WriteBmpFile("/nonexistent-folder/x.bmp", *d));
}

TEST(ImageIo, SurfacesAreWrittenAsBmpAndPng) {
  Surface s;
  ASSERT_TRUE(s.Create(4, 3, false, PixelFromColor(RGB(10, 20, 30))));
  s.row(0)[3] = PixelFromColor(RGB(255, 0, 0));
  const std::string bmp = TempPath("s.bmp"), png = TempPath("s.png");
  ASSERT_TRUE(WriteBmpFile(bmp, s));
  std::optional<Dib> d = ReadBmpFile(bmp);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->bitCount(), 24);
  EXPECT_EQ(d->GetPixel(3, 0), RGB(255, 0, 0));
  EXPECT_EQ(d->GetPixel(0, 2), RGB(10, 20, 30));
  ASSERT_TRUE(WritePngFile(png, s));
  const std::vector<BYTE> p = ReadAll(png);
  ASSERT_GT(p.size(), 8u);
  EXPECT_EQ(std::memcmp(p.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  EXPECT_FALSE(WritePngFile(png, Surface{}));
  EXPECT_FALSE(WritePngFile("/nonexistent-folder/x.png", s));
  std::remove(bmp.c_str());
  std::remove(png.c_str());
}
