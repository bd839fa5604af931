// BMP files as an image object links them: check, header, palette, pixels
// both ways, the bitmap and the grey bars of 8-bit images.
#include "fuzz/fuzz_util.h"
#include "model/imageobject.h"
#include "model/imagereaders.h"
#include "model/pathobject.h"
#include "platform/gmem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("image.bmp", data, size);
  CBmpReader r(path);
  r.CheckFile(nullptr);
  ImageInfo info;
  r.GetImageInfo(info);
  if (plat::HBITMAP bmp = r.CreateBitmapQuiet()) {
    fuzz::Require(bmp->width() == std::int32_t(info.width), "bitmap width from the header");
    plat::DeleteObject(bmp);
  }
  for (plat::HGLOBAL h : {r.ReadPalette(), r.ReadPixels(false), r.ReadPixels(true)})
    if (h) plat::GlobalFree(h);
  CImageObject img(path);
  img.bounds = CFRect(0, 0, 50, 50);
  img.MakeImageBars();
  return 0;
}
