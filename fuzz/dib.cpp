// Packed bitmaps (header, colours, bits in one block): checked, copied,
// converted, made into a bitmap and stretched onto a small surface.
#include "fuzz/fuzz_util.h"
#include "platform/dc.h"
#include "platform/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto layout = plat::CheckPackedDib(data, size);
  auto dib = plat::Dib::FromPacked(data, size);
  fuzz::Require(layout.has_value() == dib.has_value(), "check and copy agree");
  if (!dib) return 0;
  dib->GetPixel(0, 0);
  dib->GetPixel(dib->width() - 1, dib->height() - 1);
  auto again = plat::Dib::FromPacked(dib->packed().data(), dib->packed().size());
  fuzz::Require(again && again->packed() == dib->packed(), "a copy reads back the same");
  if (auto rgb = dib->ConvertTo(24)) rgb->GetPixel(0, 0);

  plat::DC dc;
  plat::HBITMAP target = plat::CreateBitmap(32, 32, 1, 32, nullptr);
  auto old = dc.SelectObject(target);
  const auto* info = reinterpret_cast<const plat::BITMAPINFO*>(data);
  plat::StretchDIBits(&dc, 0, 0, 32, 32, 0, 0, layout->width, layout->height,
                      data + layout->bitsOffset, size - layout->bitsOffset, info,
                      plat::DIB_RGB_COLORS, plat::SRCCOPY);
  if (plat::HBITMAP bmp = dib->CreateBitmap()) plat::DeleteObject(bmp);
  dc.SelectObject(old);
  plat::DeleteObject(target);
  return 0;
}
