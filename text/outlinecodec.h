// The compact outline form of font and library files. Format 6.0 is written
// and read; the older 5.x form is only read. Coordinates are whole numbers in
// the file's units.
//
// 6.0 block: u32 S (whole length), u8 W (step width L in bits 0-5, bit 7: no
// curves), u16 n, u16 end[n] (last encoded point of each contour), the curve
// bitmap (one bit per node, MSB first) unless bit 7, one step-class nibble
// per point (high nibble first), then the step bit fields, LSB first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/pathpoints.h"
#include "platform/gmem.h"

class COutlineCodec {
 public:
  COutlineCodec() = default;
  ~COutlineCodec() = default;

  // Encodes the outline's records as stored (the pending matrix is not
  // applied) into a new movable block (the caller's) and returns its length
  // S. 0 (and *out = 0) for an outline without points, a step of 32768 or
  // more, or a coordinate that is not finite. A contour that is not ended by
  // a 0x20/0x40 node is ended as an open contour at its last node.
  std::uint32_t Encode(const CPathPointList& outline, plat::HGLOBAL* out);

  // Decodes the bytes that follow the block's u32 S (W first for 6.0), each
  // point put through the matrix when one is given. version >= 6.0 selects
  // format 6.0, lower 5.x. Null for anything inconsistent or short.
  std::unique_ptr<CPathPointList> Decode(plat::HGLOBAL data, const CMatrix3* matrix,
                                         float version);
  std::unique_ptr<CPathPointList> DecodeData(const std::uint8_t* data, std::size_t size,
                                             const CMatrix3* matrix, float version);

  void Reset();

  // State of the last encode.
  std::uint32_t size = 0;
  std::uint8_t width = 0;
  std::uint16_t contours = 0;
  std::uint32_t contourCount = 0, pointCount = 0, nodeCount = 0;
  std::uint32_t maxStep = 0;
  std::uint32_t linesOnly = 1;

 private:
  std::unique_ptr<CPathPointList> Decode60(const std::uint8_t* data, std::size_t size,
                                           const CMatrix3* matrix);
  std::unique_ptr<CPathPointList> Decode5x(const std::uint8_t* data, std::size_t size,
                                           const CMatrix3* matrix);
};
