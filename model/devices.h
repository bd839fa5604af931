// What the drawing objects use of the output subsystem: the cutter and
// engraver devices they plot themselves into, the path clipper and the print
// settings. Declared here as narrow interfaces, implemented by output/ and
// recorded by fakes in the tests (model/tests/fake_devices.h). The cutter
// receives plotter units and the engraver device steps (f32): their callers
// convert the page millimetres first. The clipper works in page millimetres.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "model/geometry.h"

struct PathPoint;
class CPathObject;

// The cutting plotter. The half-cut state is plain data: the path object
// restarts the dash pattern itself before every half-cut move.
class CCutterDevice {
 public:
  virtual ~CCutterDevice() = default;

  // Non-zero: every contour is cut as a dashed line (HalfCutMoveTo, HalfCutLineTo).
  std::uint32_t halfCut = 0;
  float solidLength = 0.0f;  // length of each cut piece of the dash pattern
  float gapLength = 0.0f;    // length of each knife-up gap
  float dashLeft = 0.0f;     // length left in the current piece
  std::uint32_t dashSolid = 1;  // 1 cutting a solid piece, 0 crossing a gap

  // Closes an open line run, moves with the knife up and remembers the point.
  virtual void MoveTo(float x, float y) = 0;
  // Knife-up move in half-cut mode; the dash pattern restarts solid.
  virtual void HalfCutMoveTo(float x, float y) = 0;
  // Knife line to the point; opens the line run.
  virtual void LineTo(float x, float y) = 0;
  // Dashed line to the point.
  virtual void HalfCutLineTo(float x, float y) = 0;
  // A cubic Bezier piece cut by subdivision; topLevel is 1 from callers.
  virtual void CurveTo(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
                       int topLevel) = 0;
  // After a closed contour: cuts on along it from its start record for the
  // overcut length. `records` holds `recordCount` readable records; the walk
  // never reads past them.
  virtual void OverCut(const PathPoint* records, std::size_t recordCount, int start) = 0;
  // Sends the run's terminator when a line run is open and closes it.
  virtual void EndPolyline() = 0;
};

// The engraving machine.
class CCarveDevice {
 public:
  virtual ~CCarveDevice() = default;

  // Knife-up move.
  virtual void MoveTo(float x, float y) = 0;
  // One polyline point; false when the send failed.
  virtual bool PolylineTo(float x, float y) = 0;
  // Comma-separated x and y values sent pair by pair through PolylineTo; a
  // leading comma is skipped; stops at the first failed send.
  virtual bool PolylineToList(std::string_view text) = 0;
  // Sends the terminator when a polyline run is open and closes it.
  virtual void EndPolyline() = 0;
};

// Passed by the document's printing to Print of every object and passed on
// unchanged; printImages 0 suppresses the printing of images.
struct PrintSettings {
  std::uint32_t printImages = 1;
};

// Output operations the objects call but do not implement.
class COutputServices {
 public:
  virtual ~COutputServices() = default;
  // A new path holding the parts of the path's outline inside the rectangle,
  // segments cut at the edges; null when nothing is inside.
  virtual std::unique_ptr<CPathObject> ClipPathObject(CPathObject& path, float left, float top,
                                                      float right, float bottom) = 0;
};

// The installed output services; null until the output subsystem installs
// them. Returns the previous ones.
inline COutputServices*& OutputServicesSlot() {
  static COutputServices* services = nullptr;
  return services;
}
inline COutputServices* SetOutputServices(COutputServices* services) {
  COutputServices* old = OutputServicesSlot();
  OutputServicesSlot() = services;
  return old;
}
inline COutputServices* GetOutputServices() { return OutputServicesSlot(); }

// Through the installed services; null without them.
std::unique_ptr<CPathObject> ClipPathObject(CPathObject& path, float left, float top, float right,
                                            float bottom);
