// Pens and lines: thin and wide strokes, dash patterns, kept strokes, and the
// line-drawing calls.
#include "platform/dc_impl.h"

namespace plat {

void DcImpl::ThinLine(DC& dc, P64 a, P64 b) {
  Surface& s = Target(dc);
  const Box box = ClipBox(dc);
  const std::uint32_t pc = MapColor(s, dc.pen_->color());
  const raster::SpanFn fn = raster::SpanFor(dc.rop2_);
  const int style = dc.pen_->style();
  a = {ClampCoord(a.x), ClampCoord(a.y)};
  b = {ClampCoord(b.x), ClampCoord(b.y)};
  if (style < PS_DASH || style > PS_DASHDOTDOT) {
    if (a.y == b.y && !box.empty()) {
      if (a.y < box.y0 || a.y >= box.y1) return;
      std::int64_t x0 = a.x, x1 = b.x;  // [x0, x1) or (x1, x0]
      if (x1 < x0) {
        const std::int64_t t = x0;
        x0 = x1 + 1;
        x1 = t + 1;
      }
      x0 = std::max<std::int64_t>(x0, box.x0);
      x1 = std::min<std::int64_t>(x1, box.x1);
      if (x1 > x0) fn(s.row(LONG(a.y)) + x0, x1 - x0, pc);
      return;
    }
    std::uint32_t* const px = s.data();
    const std::size_t w = std::size_t(s.width());
    raster::WithRop2(dc.rop2_, [&](auto op) {
      raster::RasterLine(a.x, a.y, b.x, b.y, box.x0, box.y0, box.x1, box.y1,
                         [&](LONG x, LONG y, std::int64_t) {
                           raster::Span<decltype(op)::value>(px + std::size_t(y) * w + std::size_t(x), 1, pc);
                         });
    });
    return;
  }
  const Dash dash = DashFor(style);
  const std::int64_t n = raster::LineSteps(a.x, a.y, b.x, b.y);
  const bool opaque = dc.bkMode_ == OPAQUE;
  const std::uint32_t bc = MapColor(s, dc.bkColor_);
  const std::int64_t st = dc.styleState_;
  raster::RasterLine(a.x, a.y, b.x, b.y, box.x0, box.y0, box.x1, box.y1,
                     [&](LONG x, LONG y, std::int64_t i) {
                       if (dash.on[std::size_t((st + i) % dash.period)])
                         fn(s.row(y) + x, 1, pc);
                       else if (opaque)
                         fn(s.row(y) + x, 1, bc);
                     });
  dc.styleState_ = int((st + n) % dash.period);
}

void DcImpl::ThinStrokeSets(DC& dc, const std::vector<std::vector<P64>>& figs,
                            const std::vector<bool>& closed, RunSet& on, RunSet& gap) {
  const Box box = ClipBox(dc);
  const Dash dash = DashFor(dc.pen_->style());
  const bool opaque = dc.bkMode_ == OPAQUE;
  on.Bound(box.x0, box.y0, box.x1, box.y1);
  gap.Bound(box.x0, box.y0, box.x1, box.y1);
  for (std::size_t f = 0; f < figs.size(); ++f) {
    const auto& pts = figs[f];
    const std::size_t n = pts.size();
    if (n == 0) continue;
    const std::size_t segs = closed[f] ? n : n - 1;
    if (n == 1 && closed[f]) {
      // a single point closed figure: one pixel
      if (pts[0].x >= box.x0 && pts[0].x < box.x1 && pts[0].y >= box.y0 && pts[0].y < box.y1)
        on.AddPixel(LONG(pts[0].x), LONG(pts[0].y));
      continue;
    }
    // A solid pen's pixels form a set: a segment just drawn again (a dense
    // zigzag between the same pixels) adds nothing.
    const bool dedupe = dash.period == 0 && segs > 4096;
    std::array<std::array<std::int64_t, 4>, 4> recent{};
    std::size_t drawn = 0;
    for (std::size_t i = 0; i < segs; ++i) {
      P64 a = pts[i], b = pts[(i + 1) % n];
      a = {ClampCoord(a.x), ClampCoord(a.y)};
      b = {ClampCoord(b.x), ClampCoord(b.y)};
      if (dedupe) {
        const std::array<std::int64_t, 4> seg{a.x, a.y, b.x, b.y};
        bool again = false;
        for (std::size_t r = 0; r < 4 && r < drawn && !again; ++r) again = recent[r] == seg;
        if (again) continue;
        recent[drawn++ % 4] = seg;
      }
      const std::int64_t steps = raster::LineSteps(a.x, a.y, b.x, b.y);
      const std::int64_t st = dc.styleState_;
      SegmentPixels(a, b, steps, box, [&](LONG x, LONG y, std::int64_t k) {
        if (dash.period == 0 || dash.on[std::size_t((st + k) % dash.period)])
          on.AddPixel(x, y);
        else if (opaque)
          gap.AddPixel(x, y);
      });
      if (dash.period != 0) dc.styleState_ = int((st + steps) % dash.period);
    }
  }
  on.Normalize();
  gap.Normalize();
  gap.Subtract(on);
}

void DcImpl::ThinSolidStrokes(DC& dc, const std::vector<std::vector<P64>>& figs,
                              const std::vector<bool>& closed) {
  const Box box = ClipBox(dc);
  Surface& s = Target(dc);
  const std::uint32_t pc = MapColor(s, dc.pen_->color());
  std::uint32_t* const px = s.data();
  const std::size_t w = std::size_t(s.width());
  auto set = [&](LONG x, LONG y, std::int64_t) {
    raster::Span<R2_COPYPEN - 1>(px + std::size_t(y) * w + std::size_t(x), 1, pc);
  };
  for (std::size_t f = 0; f < figs.size(); ++f) {
    const auto& pts = figs[f];
    const std::size_t n = pts.size();
    if (n == 0) continue;
    if (n == 1 && closed[f]) {
      if (pts[0].x >= box.x0 && pts[0].x < box.x1 && pts[0].y >= box.y0 && pts[0].y < box.y1)
        set(LONG(pts[0].x), LONG(pts[0].y), 0);
      continue;
    }
    const std::size_t segs = closed[f] ? n : n - 1;
    for (std::size_t i = 0; i < segs; ++i) {
      P64 a = pts[i], b = pts[(i + 1) % n];
      a = {ClampCoord(a.x), ClampCoord(a.y)};
      b = {ClampCoord(b.x), ClampCoord(b.y)};
      SegmentPixels(a, b, raster::LineSteps(a.x, a.y, b.x, b.y), box, set);
    }
  }
}

void DcImpl::WideStrokeSet(DC& dc, const std::vector<std::vector<P64>>& figs,
                           const std::vector<bool>& closed, RunSet& on) {
  const Box box = ClipBox(dc);
  const double half = PenWidth(dc) / 2.0;
  std::vector<std::vector<PointF>> polys;
  auto orient = [](std::vector<PointF>& p) {
    double a = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const PointF& u = p[i];
      const PointF& v = p[(i + 1) % p.size()];
      a += double(u.x) * v.y - double(v.x) * u.y;
    }
    if (a < 0) std::reverse(p.begin(), p.end());
  };
  const int k = std::clamp(int(half * 4) + 8, 8, 64);
  auto disc = [&](double cx, double cy) {
    std::vector<PointF> c;
    for (int i = 0; i < k; ++i) {
      const double t = 2 * M_PI * i / k;
      c.push_back({float(cx + half * std::cos(t)), float(cy + half * std::sin(t))});
    }
    orient(c);
    polys.push_back(std::move(c));
  };
  for (std::size_t f = 0; f < figs.size(); ++f) {
    const auto& pts = figs[f];
    const std::size_t n = pts.size();
    if (n == 0) continue;
    for (const P64& p : pts) disc(double(ClampCoord(p.x)), double(ClampCoord(p.y)));
    const std::size_t segs = closed[f] ? n : n - 1;
    for (std::size_t i = 0; i < segs && n > 1; ++i) {
      const double ax = double(ClampCoord(pts[i].x)), ay = double(ClampCoord(pts[i].y));
      const double bx = double(ClampCoord(pts[(i + 1) % n].x)),
                   by = double(ClampCoord(pts[(i + 1) % n].y));
      const double dx = bx - ax, dy = by - ay, len = std::sqrt(dx * dx + dy * dy);
      if (len == 0) continue;
      const double nx = -dy / len * half, ny = dx / len * half;
      std::vector<PointF> q{{float(ax + nx), float(ay + ny)},
                            {float(bx + nx), float(by + ny)},
                            {float(bx - nx), float(by - ny)},
                            {float(ax - nx), float(ay - ny)}};
      orient(q);
      polys.push_back(std::move(q));
    }
  }
  std::vector<raster::FillPoly> fp;
  for (const auto& p : polys) fp.push_back({p.data(), int(p.size())});
  raster::FillPolygons(fp, true, box.x0, box.y0, box.x1, box.y1,
                       [&](LONG y, LONG x0, LONG x1) { on.AddRun(y, x0, x1); });
  on.Normalize();
}

KeptStroke::Key DcImpl::KeyOf(DC& dc) {
  Surface& s = Target(dc);
  KeptStroke::Key k;
  k.width = s.width();
  k.height = s.height();
  k.clipped = dc.clipped_;
  if (dc.clipped_) k.clip = dc.clip_;
  k.org = dc.org_;
  k.ratio = Ratio(dc);
  k.penStyle = dc.pen_ ? dc.pen_->style() : PS_NULL;
  k.penWidth = dc.pen_ ? dc.pen_->width() : 0;
  return k;
}

bool DcImpl::OneInk(DC& dc) {
  if (PenNull(dc) || BrushNull(dc) || dc.pen_->width() > 1 || dc.brush_->style() != BS_SOLID) return false;
  if (DashFor(dc.pen_->style()).period != 0) return false;
  const Surface& s = Target(dc);
  const std::uint32_t p = MapColor(s, dc.pen_->color());
  if (p != MapColor(s, dc.brush_->color())) return false;
  const int t = (dc.rop2_ < R2_BLACK || dc.rop2_ > R2_WHITE ? R2_COPYPEN : dc.rop2_) - 1;
  std::uint32_t flipped = 0;  // bits the operation inverts
  if ((t & 4) != 0 && (t & 8) == 0) flipped |= p;
  if ((t & 1) != 0 && (t & 2) == 0) flipped |= ~p;
  return (flipped & raster::kMask) == 0;
}

void DcImpl::ThinOutline(DC& dc, const std::vector<std::vector<P64>>& figs, const std::vector<bool>& closed) {
  Surface& s = Target(dc);
  const Box box = ClipBox(dc);
  const std::uint32_t pc = MapColor(s, dc.pen_->color());
  auto inside = [&](const P64& p) { return p.x >= box.x0 && p.x < box.x1 && p.y >= box.y0 && p.y < box.y1; };
  raster::WithRop2(dc.rop2_, [&](auto op) {
    constexpr int T = decltype(op)::value;
    auto put = [&](LONG x, LONG y) {
      std::uint32_t* const d = s.row(y) + x;
      if constexpr (T == R2_COPYPEN - 1)
        *d = pc;
      else
        raster::Span<T>(d, 1, pc);
    };
    for (std::size_t f = 0; f < figs.size(); ++f) {
      const auto& pts = figs[f];
      const std::size_t n = pts.size();
      if (n == 0) continue;
      if (n == 1 && closed[f]) {
        if (inside(pts[0])) put(LONG(pts[0].x), LONG(pts[0].y));
        continue;
      }
      const std::size_t segs = closed[f] ? n : n - 1;
      for (std::size_t i = 0; i < segs; ++i) {
        const P64 a{ClampCoord(pts[i].x), ClampCoord(pts[i].y)};
        const P64 b{ClampCoord(pts[i + 1 == n ? 0 : i + 1].x), ClampCoord(pts[i + 1 == n ? 0 : i + 1].y)};
        const std::int64_t dx = b.x - a.x, dy = b.y - a.y;
        if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
          // One step (or none): its first pixel.
          if ((dx != 0 || dy != 0) && inside(a)) put(LONG(a.x), LONG(a.y));
          continue;
        }
        if (dy == 0) {
          if (a.y < box.y0 || a.y >= box.y1) continue;
          std::int64_t x0 = a.x, x1 = b.x;  // [x0, x1) or (x1, x0]
          if (x1 < x0) {
            x0 = b.x + 1;
            x1 = a.x + 1;
          }
          x0 = std::max<std::int64_t>(x0, box.x0);
          x1 = std::min<std::int64_t>(x1, box.x1);
          if (x1 > x0) raster::Span<T>(s.row(LONG(a.y)) + x0, x1 - x0, pc);
          continue;
        }
        raster::RasterLine(a.x, a.y, b.x, b.y, box.x0, box.y0, box.x1, box.y1,
                           [&](LONG x, LONG y, std::int64_t) { put(x, y); });
      }
    }
  });
}

void DcImpl::DrawOpen(DC& dc, const std::vector<P64>& pts) {
  if (PenNull(dc) || pts.size() < 2) return;
  if (dc.pen_->width() > 1) {
    DrawFigures(dc, {pts}, {false}, nullptr, ALTERNATE);
    return;
  }
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) ThinLine(dc, pts[i], pts[i + 1]);
}

void DcImpl::MarkMovable(DC& dc, const PathData& path, KeptStroke& keep) {
  keep.movable_ = false;
  if (dc.pen_->width() > 1) return;
  std::int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
  auto add = [&](std::int64_t x, std::int64_t y) {
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  };
  for (const PathData::Fig& f : path.figs) {
    for (const PointF& p : f.pts) add(std::int64_t(p.x), std::int64_t(p.y));
    for (const PathData::Curve& c : f.curves) {
      std::int64_t legs = 0;
      for (int i = 0; i < 8; i += 2) {
        add(c.pts[i], c.pts[i + 1]);
        if (i > 0) legs += std::abs(c.pts[i] - c.pts[i - 2]) + std::abs(c.pts[i + 1] - c.pts[i - 1]);
      }
      if (legs >= kMovableCurveLegs) return;
    }
  }
  if (x1 < x0 || x0 < 0 || y0 < 0 || x1 >= kMovableExtent || y1 >= kMovableExtent) return;
  keep.reach_ = {LONG(x0 - 2), LONG(y0 - 2), LONG(x1 + 3), LONG(y1 + 3)};
  keep.movable_ = Movable(dc, keep.reach_);
}

bool DcImpl::Movable(DC& dc, const RECT& reach) {
  const Box box = ClipBox(dc);
  return reach.left >= box.x0 && reach.top >= box.y0 && reach.right <= box.x1 && reach.bottom <= box.y1 &&
         reach.left >= 0 && reach.top >= 0 && reach.right <= kMovableExtent && reach.bottom <= kMovableExtent;
}

POINT DC::MoveTo(LONG x, LONG y) {
  if (recording_) DcImpl::Record(*this, "MoveTo", {{x, y}});
  const POINT prev = cur_;
  cur_ = {x, y};
  styleState_ = 0;
  if (DcImpl::Building(*this)) DcImpl::PathMove(*this, DcImpl::Dev(*this, x, y));
  return prev;
}

BOOL DC::LineTo(LONG x, LONG y) {
  if (recording_) DcImpl::Record(*this, "LineTo", {{x, y}});
  if (DcImpl::Building(*this)) {
    DcImpl::PathAdd(*this, DcImpl::Dev(*this, x, y));
  } else if (!DcImpl::PenNull(*this)) {
    if (pen_->width() > 1)
      DcImpl::DrawOpen(*this, {DcImpl::Dev(*this, cur_.x, cur_.y), DcImpl::Dev(*this, x, y)});
    else
      DcImpl::ThinLine(*this, DcImpl::Dev(*this, cur_.x, cur_.y), DcImpl::Dev(*this, x, y));
  }
  cur_ = {x, y};
  return 1;
}

BOOL DC::Polyline(const POINT* pts, int count) {
  if (pts == nullptr || count < 2) return 0;
  if (recording_) DcImpl::Record(*this, "Polyline", DcImpl::Pts(pts, count));
  if (DcImpl::Building(*this)) {
    DcImpl::PathMove(*this, DcImpl::Dev(*this, pts[0].x, pts[0].y));
    for (int i = 1; i < count; ++i) DcImpl::PathAdd(*this, DcImpl::Dev(*this, pts[i].x, pts[i].y));
    return 1;
  }
  std::vector<P64> p;
  for (int i = 0; i < count; ++i) p.push_back(DcImpl::Dev(*this, pts[i].x, pts[i].y));
  styleState_ = 0;
  DcImpl::DrawOpen(*this, p);
  return 1;
}

BOOL DC::PolylineTo(const POINT* pts, int count) {
  if (pts == nullptr || count < 1) return 0;
  if (recording_) DcImpl::Record(*this, "PolylineTo", DcImpl::Pts(pts, count));
  if (DcImpl::Building(*this)) {
    for (int i = 0; i < count; ++i) DcImpl::PathAdd(*this, DcImpl::Dev(*this, pts[i].x, pts[i].y));
  } else {
    std::vector<P64> p{DcImpl::Dev(*this, cur_.x, cur_.y)};
    for (int i = 0; i < count; ++i) p.push_back(DcImpl::Dev(*this, pts[i].x, pts[i].y));
    DcImpl::DrawOpen(*this, p);
  }
  cur_ = pts[count - 1];
  return 1;
}

BOOL DC::StrokePath() {
  DcImpl::Record(*this, "StrokePath", {});
  if (path_ == nullptr || path_->building) return 0;
  styleState_ = 0;
  DcImpl::UsePath(*this, true, false);
  return 1;
}

BOOL DC::StrokePath(KeptStroke* keep) {
  if (keep) keep->Clear();
  DcImpl::Record(*this, "StrokePath", {});
  if (path_ == nullptr || path_->building) return 0;
  styleState_ = 0;
  DcImpl::UsePath(*this, true, false, keep);
  return 1;
}

bool DC::StrokeKept(const KeptStroke& keep) { return StrokeKept(keep, 0, 0); }

bool DC::StrokeKept(const KeptStroke& keep, LONG dx, LONG dy) {
  if (recording_ || !keep.kept_ || !(keep.key_ == DcImpl::KeyOf(*this))) return false;
  if (dx != 0 || dy != 0) {
    const RECT& r = keep.reach_;
    if (!keep.movable_ || std::abs(std::int64_t(dx)) >= DcImpl::kMovableExtent ||
        std::abs(std::int64_t(dy)) >= DcImpl::kMovableExtent ||
        !DcImpl::Movable(*this, RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}))
      return false;
  }
  delete path_;
  path_ = nullptr;
  cur_ = {keep.cur_.x + dx, keep.cur_.y + dy};
  styleState_ = 0;
  Surface& s = DcImpl::Target(*this);
  const raster::SpanFn fn = raster::SpanFor(rop2_);
  const std::uint32_t color = MapColor(s, pen_->color());
  for (std::size_t i = 0; i + 2 < keep.runs_.size(); i += 3)
    fn(s.row(keep.runs_[i] + dy) + keep.runs_[i + 1] + dx, keep.runs_[i + 2] - keep.runs_[i + 1], color);
  return true;
}

}  // namespace plat
