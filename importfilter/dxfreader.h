// DXF reading: LINE, POLYLINE/VERTEX, LWPOLYLINE and CIRCLE entities of the
// ENTITIES section, merged into one path.
#pragma once
#include <cstddef>
#include <cstdint>

#include "importfilter/pathlist.h"
#include "platform/gmem.h"

namespace imp {

// Longest value kept of a line; the rest of the line is passed over.
constexpr std::size_t kMaxDxfLine = 110;

class CDxfReader {
 public:
  plat::HGLOBAL Read(const char* path, std::uint32_t value);
  // The merged path, end record included; false when no entity qualified.
  bool ReadData(const std::uint8_t* data, std::size_t size, CFilterPathList& list);
};

}  // namespace imp
