// What a scanner backend announces and sends, assembled into one bitmap: up
// to four frames, each an 11-byte head (format, depth, last, pixels a line,
// lines (signed), bytes a line, bytes sent; little-endian 16-bit) and its
// bytes. Whatever comes out is a packed bitmap that reads.
#include <algorithm>
#include <cstdint>

#include "fuzz/fuzz_util.h"
#include "outside/twain/scanframe.h"
#include "platform/dib.h"
#include "platform/gmem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto u16 = [](const std::uint8_t* p) { return int(p[0] | (p[1] << 8)); };
  scanframe::Assembler image;
  std::size_t at = 0;
  for (int frame = 0; frame < 4 && size - at >= 11; ++frame) {
    const std::uint8_t* h = data + at;
    at += 11;
    scanframe::FrameParams p;
    p.format = h[0] % 6;
    p.depth = h[1];
    p.lastFrame = h[2] & 1;
    p.pixelsPerLine = u16(h + 3);
    p.lines = std::int16_t(u16(h + 5));
    p.bytesPerLine = u16(h + 7);
    const std::size_t n = std::min<std::size_t>(std::size_t(u16(h + 9)), size - at);
    if (!image.BeginFrame(p)) break;
    // In two pieces, as reads arrive.
    image.Add(data + at, n / 2);
    image.Add(data + at + n / 2, n - n / 2);
    at += n;
    image.EndFrame();
    if (image.Complete()) break;
  }
  const int rows = image.Rows();
  plat::HGLOBAL dib = image.TakeDib();
  fuzz::Require((dib != 0) == (rows > 0), "an image exactly when rows arrived");
  if (!dib) return 0;
  {
    plat::GlobalLockGuard g(dib);
    auto layout = plat::CheckPackedDib(g.bytes(), g.size());
    fuzz::Require(layout.has_value(), "the image is a readable packed bitmap");
    fuzz::Require(layout->height == rows && !layout->topDown, "bottom-up with every row");
  }
  plat::GlobalFree(dib);
  return 0;
}
