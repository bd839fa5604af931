// The tracing library on a hostile mask: two bytes give the sides (3 to 66
// pixels), five the fitting parameters, the rest the pixels, one bit each.
// The result block is read back through the record factory, as the program
// reads it. The library is loaded by name, as the program loads it.
#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "model/graphobject.h"
#include "model/imagevector.h"
#include "model/records.h"
#include "platform/bytes.h"
#include "platform/gmem.h"
#include "platform/library.h"

namespace {

imagevector::ImageVectorFn Entry() {
  static const imagevector::ImageVectorFn entry = [] {
    plat::HMODULE module = plat::LoadLibrary(imagevector::kVectorFileName);
    if (!module) std::abort();
    auto fn = plat::GetProcAddressAs<imagevector::ImageVectorFn>(module, imagevector::kEntryName);
    if (!fn) std::abort();
    return fn;
  }();
  return entry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  fuzz::InstallQuietSink();
  const int w = 3 + data[0] % 64, h = 3 + data[1] % 64;
  ImageVectorParams p;
  p.width = w;
  p.height = h;
  p.CornerThreshold = float(data[2]) * 0.6f;
  p.KeepKnees = data[3] & 1;
  p.FilterSurround = data[4] % 8;
  p.LineThreshold = float(data[5]) / 16.0f;
  p.ErrorThreshold = float(data[6]) / 64.0f;
  std::vector<std::uint8_t> mask(std::size_t(w) * std::size_t(h), 0);
  for (std::size_t i = 0; i < mask.size() && 7 + i / 8 < size; ++i) mask[i] = (data[7 + i / 8] >> (i % 8)) & 1;
  p.mask = mask.data();
  const std::size_t live = plat::GlobalLiveCount();
  const plat::HGLOBAL result = Entry()(&p);
  if (result) {
    {
      plat::GlobalLockGuard g(result);
      fuzz::Require(g && g.size() >= 6 && g.bytes()[0] == '#', "a path record");
      const std::uint32_t length = plat::GetU32(g.bytes() + 1);
      fuzz::Require(length < g.size() && g.bytes()[length] == 255, "the record fits its block");
    }
    std::unique_ptr<CGraphObject> object = CreateObjectFromBlock(result);
    fuzz::Require(object != nullptr, "the record factory reads the result");
    // Curves fitted loosely may bulge past the pixels, never far.
    const CFRect& b = object->bounds;
    const float mx = float(w), my = float(h);
    fuzz::Require(b.left >= -mx && b.top >= -my && b.right <= 2 * mx && b.bottom <= 2 * my && b.left <= b.right &&
                      b.top <= b.bottom,
                  "the outline lies near the image");
    plat::GlobalFree(result);
  }
  fuzz::Require(plat::GlobalLiveCount() == live, "no block left behind");
  return 0;
}
