// Glyph outlines for the output benchmarks: DejaVu Sans at 50 mm in plotter
// units of 0.025 mm, 40 to a row, quadratic pieces raised to cubic Beziers.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/pathobject.h"
#include "platform/font.h"
#include "platform/tests/native_outline.h"

namespace benchglyphs {

constexpr float kRs = 0.025f;
constexpr int kGlyphUnits = int(50.0f / kRs);  // 50 mm in plotter units

inline std::string TempPath(const char* name) {
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/tindrel-bench-" + std::to_string(getpid()) + "-" + name;
}

// One path per glyph, quadratic pieces raised to cubic Beziers.
inline std::vector<std::unique_ptr<CPathObject>> GlyphOutlines(int count) {
  plat::LOGFONT lf{};
  lf.lfHeight = -kGlyphUnits;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "DejaVu Sans");
  plat::Font font(lf);
  std::vector<std::unique_ptr<CPathObject>> out;
  const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789&@%$?";
  for (int i = 0; out.size() < std::size_t(count) && i < count * 4; ++i) {
    const unsigned ch = static_cast<unsigned char>(chars[std::size_t(i) % chars.size()]);
    std::vector<plat::NativeContour> contours;
    if (!fonttest::NativeContours(font, ch, &contours)) continue;
    const float ox = float((out.size() % 40) * kGlyphUnits), oy = float((out.size() / 40) * kGlyphUnits);
    auto pt = [&](const plat::POINTFX& p) {
      return CFPoint{ox + float(plat::FixedToDouble(p.x)), oy + kGlyphUnits - float(plat::FixedToDouble(p.y))};
    };
    auto path = std::make_unique<CPathObject>();
    for (const plat::NativeContour& c : contours) {
      CFPoint cur = pt(c.start);
      const CFPoint first = cur;
      path->AddPoint(cur.x, cur.y, 0x11);
      for (const plat::NativeCurve& curve : c.curves) {
        if (curve.type == plat::TT_PRIM_QSPLINE) {
          // Controls; between two of them the on-curve point is their middle.
          const std::size_t n = curve.points.size();
          for (std::size_t k = 0; k + 1 < n; ++k) {
            const CFPoint ctrl = pt(curve.points[k]);
            const CFPoint next = pt(curve.points[k + 1]);
            const CFPoint end = k + 2 == n ? next : CFPoint{(ctrl.x + next.x) / 2, (ctrl.y + next.y) / 2};
            path->AddPoint(cur.x + (ctrl.x - cur.x) * 2 / 3, cur.y + (ctrl.y - cur.y) * 2 / 3, 0);
            path->AddPoint(end.x + (ctrl.x - end.x) * 2 / 3, end.y + (ctrl.y - end.y) * 2 / 3, 0);
            path->AddPoint(end.x, end.y, 0x01);
            cur = end;
          }
        } else {
          for (const plat::POINTFX& p : curve.points) {
            cur = pt(p);
            path->AddPoint(cur.x, cur.y, 0x01);
          }
        }
      }
      path->AddPoint(first.x, first.y, 0x41);
    }
    path->EndPoints();
    out.push_back(std::move(path));
  }
  return out;
}

}  // namespace benchglyphs
