// A scanner's image block in the scan dialog's holder: refused or held, then
// drawn and written as a BMP file that reads back.
#include <cstring>

#include "app/dibblock.h"
#include "fuzz/fuzz_util.h"
#include "platform/dib.h"
#include "platform/gmem.h"
#include "platform/image_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  plat::HGLOBAL block = plat::GlobalAlloc(plat::GMEM_MOVEABLE, size);
  if (!block) return 0;
  if (size) std::memcpy(plat::GlobalLockGuard(block).bytes(), data, size);
  CDibBlock held;
  const bool taken = held.SetCopy(block);
  plat::GlobalFree(block);
  fuzz::Require(taken == plat::CheckPackedDib(data, size).has_value(), "held exactly when readable");
  if (!taken) return 0;
  plat::BITMAPINFOHEADER header;
  fuzz::Require(held.GetHeader(&header), "a held image has a header");
  if (plat::HBITMAP bmp = held.CreateBitmap()) plat::DeleteObject(bmp);
  const std::string path = fuzz::ScratchFolder() + "scan.bmp";
  if (held.WriteBmpFile(path)) fuzz::Require(plat::ReadBmpFile(path).has_value(), "a written scan reads back");
  return 0;
}
