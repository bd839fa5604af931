// Clipping paths to the paper window: the parts of an outline inside a
// rectangle (design millimetres) as a new path. Installed as the output
// services, so CSegArray::ClipObjectsToRect reaches it.
#pragma once
#include <memory>

#include "model/devices.h"
#include "model/geometry.h"

class CPathObject;

// Clips the segment p-q to the rectangle (edges included), replacing an end
// outside by the first crossing found on the left, right, top, bottom edge
// (the span of each edge excludes its larger end). 0 when no part is inside.
int ClipSegmentToRect(CFPoint& p, CFPoint& q, float left, float top, float right, float bottom);

// The output services of this program: the path clipper.
class CCutOutputServices final : public COutputServices {
 public:
  // A new path with the parts of the outline inside the rectangle; the source
  // is not changed; null when fewer than two records are inside. A piece ends
  // with the open-end flag where it leaves the rectangle and where its contour
  // ends; only a contour wholly inside keeps its closed end.
  std::unique_ptr<CPathObject> ClipPathObject(CPathObject& path, float left, float top,
                                              float right, float bottom) override;
};

// Installs the services (once; the application at start-up) and returns them.
COutputServices* InstallOutputServices();
