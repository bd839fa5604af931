// Cut patterns from hostile parameters and width lists: every generator
// returns promptly with a bounded, terminated path or nothing.
//
// Input: byte 0 picks the generator and its flags, then eight little-endian
// f32 (box, origin, angles), an i32 count, and the rest as the width list.
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "output/cutpatterns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  constexpr std::size_t kHead = 1 + 8 * 4 + 4;
  if (size < kHead) return 0;
  const std::uint8_t pick = data[0];
  float f[8];
  std::memcpy(f, data + 1, sizeof f);
  std::int32_t parts;
  std::memcpy(&parts, data + 33, sizeof parts);
  const std::string_view list(reinterpret_cast<const char*>(data + kHead), size - kHead);
  const std::uint32_t flags = (pick & 0x10 ? kCutPatternGapFirst : 0) | (pick & 0x20 ? kCutPatternThrowBack : 0);
  std::unique_ptr<CPathObject> p;
  switch (pick % 6) {
    case 0: p = MakeParallelCutLines(f[0], f[1], f[2], f[3], f[6], parts, f[4], f[5], flags); break;
    case 1: p = MakeParallelCutLinesEx(f[0], f[1], f[2], f[3], f[6], f[4], f[5], list, flags); break;
    case 2: p = MakeRadiationCutByParts(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], parts, flags); break;
    case 3: p = MakeRadiationCutByAngles(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], list, flags); break;
    case 4: p = MakeCircleCutByParts(f[0], f[1], f[2], f[3], f[4], f[5], parts, flags); break;
    default: p = MakeCircleCutByDistances(f[0], f[1], f[2], f[3], f[4], f[5], list, flags); break;
  }
  if (!p) return 0;
  pathrec::Records r(p->points);
  fuzz::Require(p->count >= 2 && std::size_t(p->count) <= r.n, "count within the block");
  fuzz::Require(r.p[p->count - 1].flags == PP_END, "the pattern is terminated");
  int contours = 0;
  for (int i = 0; i < p->count; ++i)
    if (pathrec::IsNode(r.p[i].flags) && (r.p[i].flags & PP_START)) ++contours;
  fuzz::Require(contours <= 2 * kMaxCutParts, "at most the limit of pieces");
  return 0;
}
