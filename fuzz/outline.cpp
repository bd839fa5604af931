// Glyph data of font and library files in both outline forms; what decodes
// encodes again and decodes to the same points.
#include <cstring>

#include "fuzz/fuzz_util.h"
#include "text/outlinecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  COutlineCodec codec;
  codec.DecodeData(data, size, nullptr, 5.4f);
  auto out = codec.DecodeData(data, size, nullptr, 6.0f);
  if (!out) return 0;
  plat::HGLOBAL h = 0;
  std::uint32_t s = codec.Encode(*out, &h);
  if (s == 0) return 0;
  {
    plat::GlobalLockGuard g(h);
    fuzz::Require(g.size() == s, "the block is as long as it says");
    auto again = codec.DecodeData(g.bytes() + 4, g.size() - 4, nullptr, 6.0f);
    fuzz::Require(again != nullptr, "an encoded outline decodes");
  }
  plat::GlobalFree(h);
  return 0;
}
