// The filled path of the drawing benchmarks: 100 nodes round a centre, the
// radius alternating between r and 0.8 r, a Bezier every fourth node.
#pragma once
#include <cmath>
#include <cstdint>
#include <memory>

#include "model/pathobject.h"

namespace benchblob {

inline std::unique_ptr<CPathObject> Blob(float cx, float cy, float r) {
  auto p = std::make_unique<CPathObject>();
  for (int i = 0; i < 100; ++i) {
    const double a = 2.0 * 3.14159265358979 * i / 100.0;
    const float rr = r * (i % 2 ? 0.8f : 1.0f);
    std::uint8_t flags = (i % 4 == 1 || i % 4 == 2) ? 0x00 : 0x01;  // two control points, then a node
    if (i == 0) flags = 0x11;
    if (i == 99) flags = 0x41;
    p->AddPoint(cx + rr * float(std::cos(a)), cy + rr * float(std::sin(a)), flags);
  }
  p->EndPoints();
  p->flags |= 0x100;  // filled
  return p;
}

}  // namespace benchblob
