// Helpers of the object-record fuzz targets.
#pragma once
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "platform/gmem.h"

namespace fuzz {

// The record an object writes, as bytes (empty when it writes none).
inline std::vector<std::uint8_t> WrittenRecord(CGraphObject& object) {
  plat::HGLOBAL h = 0;
  std::uint32_t n = object.WriteRecord(&h);
  std::vector<std::uint8_t> out;
  if (n && h) {
    plat::GlobalLockGuard lock(h);
    Require(lock && plat::GlobalSize(h) >= n, "written block holds its record");
    out.assign(lock.bytes(), lock.bytes() + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

// What the object writes reads back and writes the same bytes again.
inline void RequireStableRecord(CGraphObject& object) {
  const std::vector<std::uint8_t> first = WrittenRecord(object);
  if (first.empty()) return;
  auto again = CreateObjectFromRecord(first.data(), first.size());
  Require(again != nullptr, "a written record reads back");
  Require(WrittenRecord(*again) == first, "same record after a round trip");
}

// Whether the object's outline through the matrix stays within a million
// device units. Farther curves are flattened in full before clipping, which
// is correct but slow enough under the sanitizers to pass for a hang; the
// far ends of the device range have drawing tests of their own.
inline bool WithinDrawingRange(CGraphObject& object, const CMatrix3* matrix) {
  std::unique_ptr<CPathPointList> outline(object.MakeOutline(matrix, 0));
  if (!outline || !outline->points) return true;
  plat::GlobalLockGuard lock(outline->points);
  if (!lock) return true;
  const std::size_t records = plat::GlobalSize(outline->points) / sizeof(PathPoint);
  const auto* p = reinterpret_cast<const PathPoint*>(lock.bytes());
  for (std::size_t i = 0; i < records && i < std::size_t(std::max(outline->count, 0)); ++i) {
    if (p[i].flags & PP_SPECIAL) continue;
    if (!(std::fabs(p[i].x) <= 1e6f && std::fabs(p[i].y) <= 1e6f)) return false;
  }
  return true;
}

}  // namespace fuzz
