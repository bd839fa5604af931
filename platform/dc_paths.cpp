// Paths and fills: brushes over spans, polygon and rectangle fills, figure
// outlines with their fills, and the path calls.
#include "platform/dc_impl.h"

namespace plat {

void DcImpl::ApplyRuns(DC& dc, const RunSet& set, std::uint32_t color) {
  Surface& s = Target(dc);
  const raster::SpanFn fn = raster::SpanFor(dc.rop2_);
  for (const Run& r : set.runs()) fn(s.row(r.y) + r.x0, r.x1 - r.x0, color);
}

void DcImpl::BrushRuns(DC& dc, const std::vector<Run>& runs, const Brush* b, int rop2,
                       bool opaqueBack) {
  if (b == nullptr || b->style() == BS_NULL) return;
  Surface& s = Target(dc);
  const raster::SpanFn fn = raster::SpanFor(rop2);
  const std::uint32_t bc = MapColor(s, b->color());
  if (b->style() == BS_SOLID) {
    for (const Run& r : runs) fn(s.row(r.y) + r.x0, r.x1 - r.x0, bc);
    return;
  }
  const std::uint32_t back = MapColor(s, dc.bkColor_);
  for (const Run& r : runs) {
    std::uint32_t* row = s.row(r.y);
    for (LONG x = r.x0; x < r.x1; ++x) {
      if (HatchBit(b->hatch(), x, r.y))
        fn(row + x, 1, bc);
      else if (opaqueBack)
        fn(row + x, 1, back);
    }
  }
}

void DcImpl::PaintBrush(DC& dc, const std::vector<raster::FillPoly>& fp, bool winding,
                        const Box& box, const Brush* b, int rop2, bool opaqueBack,
                        const std::vector<Run>* holes) {
  if (b == nullptr || b->style() == BS_NULL || box.empty()) return;
  Surface& s = Target(dc);
  const std::uint32_t bc = MapColor(s, b->color());
  std::size_t k = 0;  // the first hole not left behind
  auto fill = [&](auto&& paint) {
    raster::FillPolygons(fp, winding, box.x0, box.y0, box.x1, box.y1,
                         [&](LONG y, LONG x0, LONG x1) {
                           if (holes == nullptr || holes->empty()) {
                             paint(y, x0, x1);
                             return;
                           }
                           const std::vector<Run>& h = *holes;
                           while (k < h.size() && (h[k].y < y || (h[k].y == y && h[k].x1 <= x0))) ++k;
                           LONG x = x0;
                           for (std::size_t m = k; m < h.size() && h[m].y == y && h[m].x0 < x1; ++m) {
                             if (h[m].x0 > x) paint(y, x, h[m].x0);
                             x = std::max(x, h[m].x1);
                           }
                           if (x < x1) paint(y, x, x1);
                         });
  };
  if (b->style() == BS_SOLID && rop2 == R2_COPYPEN && (holes == nullptr || holes->empty())) {
    // The common case: each span a straight fill, inline.
    std::uint32_t* const px = s.data();
    const std::size_t stride = std::size_t(s.width());
    raster::FillPolygons(fp, winding, box.x0, box.y0, box.x1, box.y1, [px, stride, bc](LONG y, LONG x0, LONG x1) {
      raster::Fill(px + std::size_t(y) * stride + x0, x1 - x0, bc);
    });
    return;
  }
  if (b->style() == BS_SOLID) {
    raster::WithRop2(rop2, [&](auto op) {
      fill([&](LONG y, LONG x0, LONG x1) {
        raster::Span<decltype(op)::value>(s.row(y) + x0, x1 - x0, bc);
      });
    });
    return;
  }
  const raster::SpanFn fn = raster::SpanFor(rop2);
  const std::uint32_t back = MapColor(s, dc.bkColor_);
  const int hatch = b->hatch();
  fill([&](LONG y, LONG x0, LONG x1) {
    std::uint32_t* row = s.row(y);
    for (LONG x = x0; x < x1; ++x) {
      if (HatchBit(hatch, x, y))
        fn(row + x, 1, bc);
      else if (opaqueBack)
        fn(row + x, 1, back);
    }
  });
}

void DcImpl::FillArea(DC& dc, const std::vector<std::vector<PointF>>& area, int fillMode) {
  std::vector<raster::FillPoly> fp;
  fp.reserve(area.size());
  for (const auto& p : area) fp.push_back({p.data(), int(p.size())});
  PaintBrush(dc, fp, fillMode == WINDING, ClipBox(dc), dc.brush_, dc.rop2_, dc.bkMode_ == OPAQUE);
}

void DcImpl::DrawFigures(DC& dc, const std::vector<std::vector<P64>>& outline,
                         const std::vector<bool>& closed,
                         const std::vector<std::vector<PointF>>* fill, int fillMode,
                         KeptStroke* keep) {
  if (keep) keep->Clear();
  const Box box = ClipBox(dc);
  if (box.empty()) return;
  const bool pen = !PenNull(dc);
  if (!pen) {
    if (fill != nullptr) FillArea(dc, *fill, fillMode);
    return;
  }
  if (fill != nullptr && OneInk(dc)) {
    // A pixel of both gets the same value either way: the brush, then the
    // outline straight over it.
    FillArea(dc, *fill, fillMode);
    ThinOutline(dc, outline, closed);
    return;
  }
  const bool solid = DashFor(dc.pen_->style()).period == 0;
  if (keep && fill == nullptr && solid) {
    RunSet on, gap;
    if (dc.pen_->width() > 1)
      WideStrokeSet(dc, outline, closed, on);
    else
      ThinStrokeSets(dc, outline, closed, on, gap);
    ApplyRuns(dc, on, MapColor(Target(dc), dc.pen_->color()));
    keep->key_ = KeyOf(dc);
    keep->cur_ = dc.cur_;
    // Sized to fit: a stroke kept at a larger scale before leaves no room behind.
    std::vector<LONG> runs;
    runs.reserve(3 * on.runs().size());
    for (const Run& r : on.runs()) runs.insert(runs.end(), {r.y, r.x0, r.x1});
    keep->runs_ = std::move(runs);
    keep->kept_ = true;
    return;
  }
  if (fill == nullptr && dc.pen_->width() <= 1 && solid && dc.rop2_ == R2_COPYPEN) {
    ThinSolidStrokes(dc, outline, closed);
    return;
  }
  RunSet on, gap;
  if (pen) {
    if (dc.pen_->width() > 1)
      WideStrokeSet(dc, outline, closed, on);
    else
      ThinStrokeSets(dc, outline, closed, on, gap);
  }
  if (fill != nullptr && !BrushNull(dc)) {
    // The outline's pixels (pen and gaps, apart) as one ordered list of holes.
    std::vector<Run> holes(on.runs().size() + gap.runs().size());
    std::merge(on.runs().begin(), on.runs().end(), gap.runs().begin(), gap.runs().end(),
               holes.begin(), [](const Run& a, const Run& b) {
                 return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
               });
    std::vector<raster::FillPoly> fp;
    fp.reserve(fill->size());
    for (const auto& p : *fill) fp.push_back({p.data(), int(p.size())});
    PaintBrush(dc, fp, fillMode == WINDING, box, dc.brush_, dc.rop2_, dc.bkMode_ == OPAQUE,
               &holes);
  }
  if (pen) {
    Surface& s = Target(dc);
    ApplyRuns(dc, on, MapColor(s, dc.pen_->color()));
    ApplyRuns(dc, gap, MapColor(s, dc.bkColor_));
  }
}

std::vector<PointF> DcImpl::ToF(const std::vector<P64>& p) {
  std::vector<PointF> r;
  r.reserve(p.size());
  for (const P64& q : p) r.push_back({float(ClampCoord(q.x)), float(ClampCoord(q.y))});
  return r;
}

void DcImpl::DrawClosed(DC& dc, const std::vector<P64>& outline) {
  std::vector<std::vector<PointF>> fill;
  fill.push_back(ToF(outline));
  if (PenNull(dc)) {
    FillArea(dc, fill, dc.fillMode_);
    return;
  }
  DrawFigures(dc, {outline}, {true}, &fill, dc.fillMode_);
}

PathData::Fig& DcImpl::Figure(DC& dc) {
  PathData& p = *dc.path_;
  if (p.figs.empty() || p.figs.back().closed) {
    p.figs.push_back({});
    const P64 c = Dev(dc, dc.cur_.x, dc.cur_.y);
    p.figs.back().pts.push_back({float(c.x), float(c.y)});
  }
  return p.figs.back();
}

void DcImpl::PathMove(DC& dc, P64 p) {
  dc.path_->figs.push_back({});
  dc.path_->figs.back().pts.push_back({float(p.x), float(p.y)});
}

std::vector<P64> DcImpl::PieceSamples(const P64& from, const P64& c1, const P64& c2, const P64& end) {
  std::vector<PointF> piece;
  std::vector<P64> r;
  PieceSamplesInto(from, c1, c2, end, piece, r);
  return r;
}

void DcImpl::PieceSamplesInto(const P64& from, const P64& c1, const P64& c2, const P64& end,
                              std::vector<PointF>& piece, std::vector<P64>& r) {
  auto f = [](const P64& p) { return PointF{float(p.x), float(p.y)}; };
  const PointF p0 = f(from);
  piece.assign(1, p0);
  BezierPoints(p0, f(c1), f(c2), f(end), piece);
  RoundInto(piece, r);
  r.back() = end;
}

void DcImpl::PathCurve(DC& dc, const P64& start, const POINT* pts, int count) {
  PathData::Fig* f = nullptr;
  P64 from = start;
  // Coordinates below 2^24 pass through single precision unchanged.
  auto small = [](const P64& p) { return std::abs(p.x) < (1 << 24) && std::abs(p.y) < (1 << 24); };
  auto rounded = [](std::int64_t v) { return std::int64_t(std::llround(double(float(v)))); };
  for (int i = 0; i + 2 < count; i += 3) {
    const P64 was = from;
    const P64 ctl[4] = {was, Dev(dc, pts[i].x, pts[i].y), Dev(dc, pts[i + 1].x, pts[i + 1].y),
                        Dev(dc, pts[i + 2].x, pts[i + 2].y)};
    const P64& end = ctl[3];
    from = end;
    PathData::Curve c;
    c.pts = {was.x, was.y, ctl[1].x, ctl[1].y, ctl[2].x, ctl[2].y, end.x, end.y};
    const bool apart = small(was) && small(end)
                           ? was.x != end.x || was.y != end.y
                           : rounded(was.x) != rounded(end.x) || rounded(was.y) != rounded(end.y);
    if (apart) {
      // Its samples round to more than one point; they lie within the
      // control points' box, give or take the rounding.
      std::int64_t x0 = was.x, y0 = was.y, x1 = x0, y1 = y0, far = 0;
      for (const P64& p : ctl) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
        far = std::max({far, std::abs(p.x), std::abs(p.y)});
      }
      const std::int64_t m = 1 + (far >> 23);
      c.box = {x0 - m, y0 - m, x1 + m, y1 + m};
    } else {
      const std::vector<P64> r = PieceSamples(was, ctl[1], ctl[2], end);
      if (r.size() < 2) {
        from = was;  // nothing added: the next piece starts where this one did
        continue;
      }
      c.box = {was.x, was.y, was.x, was.y};
      for (const P64& p : r)
        c.box = {std::min(c.box[0], p.x), std::min(c.box[1], p.y), std::max(c.box[2], p.x), std::max(c.box[3], p.y)};
    }
    if (f == nullptr) f = &Figure(dc);
    c.at = f->pts.size();
    f->curves.push_back(c);
  }
}

bool DcImpl::NearBox(DC& dc, bool stroke, Box& out) {
  const bool pen = stroke && !PenNull(dc);
  if (pen && dc.pen_->width() <= 1 && dc.pen_->style() >= PS_DASH && dc.pen_->style() <= PS_DASHDOTDOT)
    return false;
  const LONG m = 3 + (pen ? LONG(std::ceil(PenWidth(dc))) : 0);
  const Box b = ClipBox(dc);
  out = {b.x0 - m, b.y0 - m, b.x1 + m, b.y1 + m};
  return true;
}

std::vector<PointF> DcImpl::FigurePoints(const PathData::Fig& f, const Box* near) {
  std::vector<PointF> out;
  out.reserve(f.pts.size() + 8 * f.curves.size());
  // Kept from piece to piece.
  std::vector<PointF> piece;
  std::vector<P64> samples, pixels, chain;
  std::size_t i = 0;
  for (const PathData::Curve& c : f.curves) {
    out.insert(out.end(), f.pts.begin() + std::ptrdiff_t(i), f.pts.begin() + std::ptrdiff_t(c.at));
    i = c.at;
    const P64 end{c.pts[6], c.pts[7]};
    if (near && (c.box[2] < near->x0 || c.box[0] >= near->x1 || c.box[3] < near->y0 || c.box[1] >= near->y1)) {
      out.push_back({float(end.x), float(end.y)});  // its chord, as ThinChainNear leaves it
      continue;
    }
    const bool inside = near && c.box[0] >= near->x0 && c.box[2] < near->x1 && c.box[1] >= near->y0 &&
                        c.box[3] < near->y1;
    PieceSamplesInto({c.pts[0], c.pts[1]}, {c.pts[2], c.pts[3]}, {c.pts[4], c.pts[5]}, end, piece, samples);
    if (near && !inside)
      chain = ThinChainNear(samples, *near);
    else
      ThinChainInto(samples, false, pixels, chain);
    for (std::size_t k = 1; k < chain.size(); ++k) out.push_back({float(chain[k].x), float(chain[k].y)});
  }
  out.insert(out.end(), f.pts.begin() + std::ptrdiff_t(i), f.pts.end());
  return out;
}

std::vector<P64> DcImpl::PieceChainOf(const std::vector<P64>& r, const Box* near) {
  return near ? ThinChainNear(r, *near) : ThinChain(r, false);
}

void DcImpl::PathClosed(DC& dc, const std::vector<P64>& pts) {
  PathData::Fig f;
  for (const P64& p : pts) f.pts.push_back({float(p.x), float(p.y)});
  f.closed = true;
  dc.path_->figs.push_back(std::move(f));
}

void DcImpl::ClosedFigure(DC& dc, const std::vector<P64>& outline) {
  if (Building(dc)) {
    PathClosed(dc, outline);
    return;
  }
  dc.styleState_ = 0;
  DrawClosed(dc, outline);
}

void DcImpl::UsePath(DC& dc, bool stroke, bool fill, KeptStroke* keep) {
  std::unique_ptr<PathData> path(dc.path_);
  dc.path_ = nullptr;
  std::vector<std::vector<P64>> outline;
  std::vector<bool> closed;
  std::vector<std::vector<PointF>> area;
  Box nearBox;
  const Box* near = NearBox(dc, stroke, nearBox) ? &nearBox : nullptr;
  for (const auto& f : path->figs) {
    if (f.pts.empty()) continue;
    area.push_back(f.curves.empty() ? f.pts : FigurePoints(f, near));
    outline.push_back(Round(area.back()));
    closed.push_back(f.closed);
  }
  if (!stroke) {
    // fill only: brush without outline
    FillArea(dc, area, dc.fillMode_);
    return;
  }
  DrawFigures(dc, outline, closed, fill ? &area : nullptr, dc.fillMode_, keep);
  if (keep && keep->kept_) MarkMovable(dc, *path, *keep);
}

BOOL DC::Polygon(const POINT* pts, int count) {
  if (pts == nullptr || count < 2) return 0;
  if (recording_) DcImpl::Record(*this, "Polygon", DcImpl::Pts(pts, count));
  std::vector<P64> p;
  p.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) p.push_back(DcImpl::Dev(*this, pts[i].x, pts[i].y));
  DcImpl::ClosedFigure(*this, p);
  return 1;
}

BOOL DC::Rectangle(LONG l, LONG t, LONG r, LONG b) {
  DcImpl::Record(*this, "Rectangle", {{l, t}, {r, b}});
  P64 a, c;
  if (!DcImpl::ShapeBox(*this, l, t, r, b, a, c)) return 1;
  const std::vector<P64> o{{a.x, a.y}, {c.x - 1, a.y}, {c.x - 1, c.y - 1}, {a.x, c.y - 1}};
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

int DC::FillRect(const RECT& rc, HBRUSH brush) {
  if (!GdiRegistry::Has(brush) || brush->kind() != GdiKind::Brush) return 0;
  DcImpl::Record(*this, "FillRect", {{rc.left, rc.top}, {rc.right, rc.bottom}});
  const Box box = DcImpl::ClipBox(*this);
  P64 a = DcImpl::Dev(*this, rc.left, rc.top), c = DcImpl::Dev(*this, rc.right, rc.bottom);
  const std::int64_t x0 = std::max<std::int64_t>(a.x, box.x0), x1 = std::min<std::int64_t>(c.x, box.x1);
  const std::int64_t y0 = std::max<std::int64_t>(a.y, box.y0), y1 = std::min<std::int64_t>(c.y, box.y1);
  if (x1 <= x0 || y1 <= y0) return 1;
  std::vector<Run> runs;
  for (std::int64_t y = y0; y < y1; ++y) runs.push_back({LONG(y), LONG(x0), LONG(x1)});
  DcImpl::BrushRuns(*this, runs, brush, R2_COPYPEN, true);
  return 1;
}

void DC::FillSolidRect(const RECT& rc, COLORREF color) {
  DcImpl::Record(*this, "FillSolidRect", {{rc.left, rc.top}, {rc.right, rc.bottom}}, 0, color);
  const Box box = DcImpl::ClipBox(*this);
  P64 a = DcImpl::Dev(*this, rc.left, rc.top), c = DcImpl::Dev(*this, rc.right, rc.bottom);
  const std::int64_t x0 = std::max<std::int64_t>(a.x, box.x0), x1 = std::min<std::int64_t>(c.x, box.x1);
  const std::int64_t y0 = std::max<std::int64_t>(a.y, box.y0), y1 = std::min<std::int64_t>(c.y, box.y1);
  if (x1 <= x0 || y1 <= y0) return;
  Surface& s = GetSurface();
  const std::uint32_t v = MapColor(s, color);
  for (std::int64_t y = y0; y < y1; ++y) std::fill(s.row(LONG(y)) + x0, s.row(LONG(y)) + x1, v);
}

BOOL DC::BeginPath() {
  DcImpl::Record(*this, "BeginPath", {});
  delete path_;
  path_ = new PathData;
  return 1;
}

BOOL DC::EndPath() {
  DcImpl::Record(*this, "EndPath", {});
  if (!DcImpl::Building(*this)) return 0;
  path_->building = false;
  return 1;
}

BOOL DC::AbortPath() {
  DcImpl::Record(*this, "AbortPath", {});
  delete path_;
  path_ = nullptr;
  return 1;
}

BOOL DC::CloseFigure() {
  DcImpl::Record(*this, "CloseFigure", {});
  if (!DcImpl::Building(*this) || path_->figs.empty()) return 0;
  path_->figs.back().closed = true;
  return 1;
}

BOOL DC::FillPath() {
  DcImpl::Record(*this, "FillPath", {});
  if (path_ == nullptr || path_->building) return 0;
  DcImpl::UsePath(*this, false, true);
  return 1;
}

BOOL DC::StrokeAndFillPath() {
  DcImpl::Record(*this, "StrokeAndFillPath", {});
  if (path_ == nullptr || path_->building) return 0;
  styleState_ = 0;
  DcImpl::UsePath(*this, true, true);
  return 1;
}

bool DC::InPath() const { return DcImpl::Building(*this); }

void DC::FillPolygonsF(const PointF* pts, const int* counts, int polyCount, int fillMode,
                       COLORREF color, bool keepThinParts) {
  if (pts == nullptr || counts == nullptr || polyCount <= 0) return;
  std::vector<std::vector<PointF>> polys;
  std::size_t at = 0;
  std::vector<POINT> rec;
  const float ratio = float(DcImpl::Ratio(*this));
  for (int i = 0; i < polyCount; ++i) {
    if (counts[i] < 0) return;
    std::vector<PointF> p;
    p.reserve(std::size_t(counts[i]));
    for (int k = 0; k < counts[i]; ++k, ++at) {
      float x = pts[at].x + float(org_.x), y = pts[at].y + float(org_.y);
      if (ratio != 1.0f) x *= ratio, y *= ratio;
      if (!std::isfinite(x)) x = 0;
      if (!std::isfinite(y)) y = 0;
      p.push_back({x, y});
      if (recording_) rec.push_back({LONG(std::lround(std::clamp(pts[at].x, -2e9f, 2e9f))),
                                     LONG(std::lround(std::clamp(pts[at].y, -2e9f, 2e9f)))});
    }
    polys.push_back(std::move(p));
  }
  DcImpl::Record(*this, "FillPolygonsF", std::move(rec), 0, color);
  const Box box = DcImpl::ClipBox(*this);
  if (box.empty()) return;
  std::vector<raster::FillPoly> fp;
  for (const auto& p : polys) fp.push_back({p.data(), int(p.size())});
  Surface& s = GetSurface();
  const std::uint32_t v = MapColor(s, color);
  if (keepThinParts) {
    // The filler's runs and the added pixels as one set: each pixel is drawn once.
    raster::RunSet runs;
    raster::FillPolygons(fp, fillMode == WINDING, box.x0, box.y0, box.x1, box.y1,
                         [&](LONG y, LONG x0, LONG x1) { runs.AddRun(y, x0, x1); });
    raster::AddDropouts(fp, fillMode == WINDING, box.x0, box.y0, box.x1, box.y1, runs);
    runs.Normalize();
    const raster::SpanFn fn = raster::SpanFor(rop2_);
    for (const raster::Run& r : runs.runs()) fn(s.row(r.y) + r.x0, r.x1 - r.x0, v);
    return;
  }
  raster::WithRop2(rop2_, [&](auto op) {
    raster::FillPolygons(fp, fillMode == WINDING, box.x0, box.y0, box.x1, box.y1,
                         [&](LONG y, LONG x0, LONG x1) {
                           raster::Span<decltype(op)::value>(s.row(y) + x0, x1 - x0, v);
                         });
  });
}

}  // namespace plat
