// links: tindrel_model
// Image files: the TIFF reader's header and pixels of a 5000 x 5000 8-bit
// image (one strip, 100 strips) against the platform's BMP reader of the same
// image, the bitmap made of it, its grey bars; snapping to 1,000 guides and
// packing 10,000 guide items.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "model/guideline.h"
#include "model/guidelist.h"
#include "model/imageobject.h"
#include "model/imagereaders.h"
#include "model/outarea.h"
#include "model/pathobject.h"
#include "model/rulerguides.h"
#include "model/tests/fakes.h"
#include "model/tests/image_fixtures.h"
#include "platform/image_io.h"

namespace {

constexpr int kSide = 5000;

struct Files {
  std::string tiff1, tiff100, bmp;
  Files() {
    const std::string dir = (std::filesystem::temp_directory_path() / "tindrel-image-bench").string();
    std::filesystem::create_directories(dir);
    const auto value = [](int x, int y) { return std::uint32_t((x + 3 * y) & 0xFF); };
    TiffLayout t;
    t.width = t.height = kSide;
    t.index = value;
    t.rowsPerStrip = 0;
    t.shortValues = false;  // one strip of 25 MB needs LONG counts
    tiff1 = WriteImageFile(dir + "/one.tif", MakeTiff(t));
    t.rowsPerStrip = kSide / 100;
    tiff100 = WriteImageFile(dir + "/hundred.tif", MakeTiff(t));
    BmpLayout b;
    b.width = b.height = kSide;
    b.value = value;
    b.palette.resize(256);
    for (std::uint32_t i = 0; i < 256; ++i) b.palette[i] = i * 0x010101u;
    bmp = WriteImageFile(dir + "/same.bmp", MakeBmp(b));
  }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

void BM_TiffHeaderAndPixels(benchmark::State& state) {
  const std::string& path = state.range(0) == 1 ? TheFiles().tiff1 : TheFiles().tiff100;
  for (auto _ : state) {
    CTiffReader r(path);
    plat::HGLOBAL h = r.ReadPixels(false);
    if (!h) state.SkipWithError("unreadable");
    plat::GlobalFree(h);
  }
}
BENCHMARK(BM_TiffHeaderAndPixels)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_PlatformBmpOfTheSameImage(benchmark::State& state) {
  for (auto _ : state) {
    auto dib = plat::ReadBmpFile(TheFiles().bmp);
    if (!dib) state.SkipWithError("unreadable");
    benchmark::DoNotOptimize(dib);
  }
}
BENCHMARK(BM_PlatformBmpOfTheSameImage)->Unit(benchmark::kMillisecond);

void BM_TiffCreateBitmap(benchmark::State& state) {
  for (auto _ : state) {
    plat::HBITMAP bmp = CTiffReader(TheFiles().tiff1).CreateBitmap(nullptr, nullptr);
    if (!bmp) state.SkipWithError("no bitmap");
    plat::DeleteObject(bmp);
  }
}
BENCHMARK(BM_TiffCreateBitmap)->Unit(benchmark::kMillisecond);

void BM_ImageBars700(benchmark::State& state) {
  CImageObject img(TheFiles().tiff1);
  img.bounds = CFRect(0, 0, 4900, 4900);  // 700 rows of 7
  for (auto _ : state) {
    auto bars = img.MakeImageBars();
    if (!bars) state.SkipWithError("no bars");
    benchmark::DoNotOptimize(bars);
  }
}
BENCHMARK(BM_ImageBars700)->Unit(benchmark::kMillisecond);

void BM_SnapRectTo1000Guides(benchmark::State& state) {
  FakeDocument doc;
  FakeView view(&doc);
  view.keysDown = {'Z', 'X', 'C'};
  CRulerGuides rulers(&view, 15);
  for (int i = 0; i < 1000; ++i)
    rulers.GetGuideList().Add(new CGuideLine(float(i) * 0.37f, float(i) * 0.91f, i % 3 ? 0.0 : 90.0));
  for (auto _ : state) {
    CFRect r(100.3f, 200.7f, 150.1f, 260.2f);
    benchmark::DoNotOptimize(rulers.SnapRect(r, 0.05f));
  }
}
BENCHMARK(BM_SnapRectTo1000Guides);

void BM_PackUnpack10000Guides(benchmark::State& state) {
  CGuideList list;
  for (int i = 0; i < 10000; ++i) {
    if (i % 2)
      list.Add(new CGuideLine(float(i), float(i), 45.0));
    else
      list.Add(new COutArea(0, 0, float(i), float(i)));
  }
  for (auto _ : state) {
    plat::HGLOBAL h = 0;
    list.PackToGlobal(&h);
    auto back = CGuideList::UnpackFromGlobal(h);
    plat::GlobalFree(h);
    benchmark::DoNotOptimize(back);
  }
}
BENCHMARK(BM_PackUnpack10000Guides)->Unit(benchmark::kMillisecond);

}  // namespace
