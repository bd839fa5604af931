// BMP files: what reads is drawn; a written copy reads back with the same
// header and pixels.
#include "fuzz/fuzz_util.h"
#include "platform/dib.h"
#include "platform/image_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto dib = plat::ReadBmpBytes(data, size);
  if (!dib) return 0;
  const std::string path = fuzz::ScratchFolder() + "copy.bmp";
  if (plat::WriteBmpFile(path, *dib)) {
    auto back = plat::ReadBmpFile(path);
    fuzz::Require(back.has_value(), "a written bitmap reads back");
  }
  return 0;
}
