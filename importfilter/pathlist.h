// The plug-in's point list of one path and the object block it is handed back in.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "importfilter/filterdefs.h"
#include "platform/gmem.h"

namespace imp {

// Fewest points before the end record that make a path record: a single line
// is a path (the older build wants three).
#ifdef TINDREL_IMPORT_OLD
constexpr std::size_t kMinRecordPoints = 3;
#else
constexpr std::size_t kMinRecordPoints = 2;
#endif

// Bounds of a run of points: on-curve points, and for a cubic segment whose
// control points lie outside the box so far, the curve sampled at
// t = 0.1 + 0.01k (k = 0..80). Points are put through `m` first when given.
// False when no point is on-curve.
bool PathBounds(const FPoint* pts, std::size_t n, const FMatrix* m, FRect& out);

class CFilterPathList {
 public:
  void Append(float x, float y, std::uint8_t flags) { points_.push_back({x, y, flags}); }
  void AppendEnd() { Append(0, 0, PF_END); }
  // Points before the end record.
  std::size_t PointCount() const;
  const std::vector<FPoint>& Points() const { return points_; }
  std::vector<FPoint>& Points() { return points_; }

  FMatrix matrix;

  // Maps every point (records of 0x80 and above are left) and resets the matrix.
  void ApplyMatrix();
  // Sets the matrix that turns the points upside down within their own
  // extent (a file's y runs up, the design's down), then scales them.
  void SetUpright(float scale);
  // The path record (letter '#', kind 128) without the 255 after it; empty
  // when fewer than kMinRecordPoints stand before the end record or the record
  // would not fit its 32-bit length. Bounds are those after the matrix.
  std::vector<std::uint8_t> PathRecord() const;
  // The path record alone in an object block: 2, u32 L + 6, the record (L
  // bytes), 254, 255, zeros to L + 10 bytes; null when there is no record.
  plat::HGLOBAL ObjectBlock() const;

 private:
  // The record's length, 0 when there is none.
  std::uint32_t RecordLength() const;
  void WriteRecord(std::uint8_t* p, std::uint32_t length) const;
  std::vector<FPoint> points_;
};

}  // namespace imp
