// The tracing library on a hostile mask: two bytes give the sides (3 to 256
// pixels), 84 the 21 parameters from Delta to TangentSurround (4 bytes each,
// as they lie in the block), the rest the pixels, one bit each.
// The result block is read back through the record factory, as the program
// reads it. The library is loaded by name, as the program loads it.
#include <cmath>
#include <cstddef>
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
  constexpr std::size_t kParams = offsetof(ImageVectorParams, TangentSurround) + 4 - offsetof(ImageVectorParams, Delta);
  static_assert(kParams == 21 * 4);
  constexpr std::size_t kHead = 2 + kParams;
  if (size < kHead) return 0;
  fuzz::InstallQuietSink();
  const int w = 3 + data[0] % 254, h = 3 + data[1] % 254;
  ImageVectorParams p;
  p.width = w;
  p.height = h;
  std::memcpy(&p.Delta, data + 2, kParams);
  std::vector<std::uint8_t> mask(std::size_t(w) * std::size_t(h), 0);
  for (std::size_t i = 0; i < mask.size() && kHead + i / 8 < size; ++i)
    mask[i] = (data[kHead + i / 8] >> (i % 8)) & 1;
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
