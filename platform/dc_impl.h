// Internals shared by the device-context files: the object registry, the
// path being built, pixel helpers and DcImpl, the friend that draws.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/dc.h"
#include "platform/raster.h"

namespace plat {

using raster::Run;
using raster::RunSet;

struct GdiRegistry {
  std::mutex m;
  std::unordered_set<GdiObject*> live;
  std::size_t nonStock = 0;
  static GdiRegistry& Get() {
    static GdiRegistry* r = new GdiRegistry;  // lives for the process
    return *r;
  }
  template <class T>
  static T* Add(T* o) {
    GdiRegistry& r = Get();
    std::lock_guard<std::mutex> lock(r.m);
    r.live.insert(o);
    if (!o->stock_) ++r.nonStock;
    return o;
  }
  static bool Has(const GdiObject* o) {
    if (o == nullptr) return false;
    GdiRegistry& r = Get();
    std::lock_guard<std::mutex> lock(r.m);
    return r.live.count(const_cast<GdiObject*>(o)) != 0;
  }
  static void Acquire(GdiObject* o) {
    if (o != nullptr && !o->stock_) ++o->selected_;
  }
  static void Release(GdiObject* o) {
    if (o == nullptr || o->stock_) return;
    if (--o->selected_ <= 0) {
      o->selected_ = 0;
      if (o->deletePending_) Destroy(o);
    }
  }
  static void MarkStock(GdiObject* o) { o->stock_ = true; }
  static BOOL Delete(GdiObject* o) {
    if (!Has(o)) return 0;
    if (o->stock_) return 1;
    if (o->selected_ > 0) {
      o->deletePending_ = true;
      return 1;
    }
    Destroy(o);
    return 1;
  }
  static void Destroy(GdiObject* o) {
    {
      GdiRegistry& r = Get();
      std::lock_guard<std::mutex> lock(r.m);
      if (r.live.erase(o) == 0) return;
      if (!o->stock_) --r.nonStock;
    }
    delete o;
  }
};

// ---------------------------------------------------------------- context internals

struct PathData {
  // A cubic piece in device units from the point before it, its pixel chain
  // made when the path is used, for the clip box and pen of then; it goes
  // before pts[at]. `box` bounds its rounded sample points.
  struct Curve {
    std::size_t at = 0;
    std::array<std::int64_t, 8> pts{};  // from, control, control, end
    std::array<std::int64_t, 4> box{};  // x0, y0, x1, y1 (inclusive)
  };
  struct Fig {
    std::vector<PointF> pts;
    std::vector<Curve> curves;
    bool closed = false;
  };
  std::vector<Fig> figs;
  bool building = true;
};

struct Box {
  LONG x0, y0, x1, y1;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct P64 {
  std::int64_t x, y;
};

inline bool IsLight(COLORREF c) {
  const int lum = GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11;
  return lum >= 128 * 100;
}

inline std::uint32_t MapColor(const Surface& s, COLORREF c) {
  if (s.mono()) return IsLight(c) ? raster::kMask : 0;
  return PixelFromColor(c) & raster::kMask;
}

inline bool HatchBit(int hatch, LONG x, LONG y) {
  const unsigned ux = unsigned(x) & 7, uy = unsigned(y) & 7;
  switch (hatch) {
    case HS_HORIZONTAL: return uy == 0;
    case HS_VERTICAL: return ux == 0;
    case HS_FDIAGONAL: return ((ux - uy) & 7) == 0;
    case HS_BDIAGONAL: return ((ux + uy) & 7) == 7;
    case HS_CROSS: return ux == 0 || uy == 0;
    case HS_DIAGCROSS: return ((ux - uy) & 7) == 0 || ((ux + uy) & 7) == 7;
    default: return false;
  }
}

// Dash patterns of the cosmetic pens, in pixels: on, off, on, off, ...
struct Dash {
  std::array<bool, 24> on{};
  int period = 0;  // 0: solid
};
inline Dash DashFor(int style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashdot{9, 6, 3, 6},
      dashdotdot{9, 3, 3, 3, 3, 3};
  const std::vector<int>* p = nullptr;
  switch (style) {
    case PS_DASH: p = &dash; break;
    case PS_DOT: p = &dot; break;
    case PS_DASHDOT: p = &dashdot; break;
    case PS_DASHDOTDOT: p = &dashdotdot; break;
    default: return {};
  }
  Dash d;
  int pos = 0;
  for (std::size_t i = 0; i < p->size(); ++i)
    for (int k = 0; k < (*p)[i]; ++k) d.on[std::size_t(pos++)] = (i % 2) == 0;
  d.period = pos;
  return d;
}

constexpr std::int64_t kCoordLimit = std::int64_t(1) << 40;
inline std::int64_t ClampCoord(std::int64_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

struct DcImpl {
  static Surface& Target(DC& dc) {
    return dc.window_ != nullptr ? dc.window_->surface() : dc.bitmap_->surface();
  }
  static Box ClipBox(DC& dc) {
    Surface& s = Target(dc);
    Box b{0, 0, s.width(), s.height()};
    if (dc.clipped_) {
      b.x0 = std::max(b.x0, dc.clip_.left);
      b.y0 = std::max(b.y0, dc.clip_.top);
      b.x1 = std::min(b.x1, dc.clip_.right);
      b.y1 = std::min(b.y1, dc.clip_.bottom);
    }
    if (b.empty()) b = {0, 0, 0, 0};
    return b;
  }
  static double Ratio(const DC& dc) {
    return dc.window_ != nullptr ? dc.window_->surface().ratio() : dc.bitmap_->surface().ratio();
  }
  // A device coordinate at the surface's ratio: the nearest physical pixel
  // edge, so that neighbouring logical pixels share their edges.
  static std::int64_t Scaled(std::int64_t v, double r) {
    return r == 1.0 ? v : std::int64_t(std::floor(double(v) * r + 0.5));
  }
  static P64 Dev(const DC& dc, std::int64_t x, std::int64_t y) {
    const double r = Ratio(dc);
    return {Scaled(x + dc.org_.x, r), Scaled(y + dc.org_.y, r)};
  }
  // A pen's width in physical pixels; 0 and 1 stay 1.
  static double PenWidth(const DC& dc) {
    const int w = dc.pen_->width();
    return w <= 1 ? 1.0 : w * Ratio(dc);
  }

  static void Record(DC& dc, const char* op, std::vector<POINT> pts, DWORD rop3 = 0,
                     COLORREF color = 0) {
    if (!dc.recording_) return;
    DcCall c;
    c.op = op;
    c.points = std::move(pts);
    if (dc.pen_ != nullptr) {
      c.penStyle = dc.pen_->style();
      c.penWidth = dc.pen_->width();
      c.penColor = dc.pen_->color();
    }
    if (dc.brush_ != nullptr) {
      c.brushStyle = dc.brush_->style();
      c.brushColor = dc.brush_->color();
      c.brushHatch = dc.brush_->hatch();
    }
    c.rop2 = dc.rop2_;
    c.rop3 = rop3;
    c.color = color;
    dc.calls_.push_back(std::move(c));
  }
  static std::vector<POINT> Pts(const POINT* p, int n) {
    if (p == nullptr || n <= 0) return {};
    return std::vector<POINT>(p, p + n);
  }

  static bool PenNull(const DC& dc) { return dc.pen_ == nullptr || dc.pen_->style() == PS_NULL; }
  static bool BrushNull(const DC& dc) {
    return dc.brush_ == nullptr || dc.brush_->style() == BS_NULL;
  }

  // --- pen strokes
  // Draws one width-1 line straight onto the surface.
  static void ThinLine(DC& dc, P64 a, P64 b);

  // Pixels of width-1 strokes into run sets (pen pixels, gap pixels).
  static void ThinStrokeSets(DC& dc, const std::vector<std::vector<P64>>& figs,
                             const std::vector<bool>& closed, RunSet& on, RunSet& gap);

  // RasterLine of a segment of `steps` steps; a one-step segment (as the
  // pixel chains of curves are made of) is its first pixel.
  template <class F>
  static void SegmentPixels(P64 a, P64 b, std::int64_t steps, const Box& box, F&& f) {
    if (steps == 1) {
      if (a.x >= box.x0 && a.x < box.x1 && a.y >= box.y0 && a.y < box.y1) f(LONG(a.x), LONG(a.y), 0);
      return;
    }
    raster::RasterLine(a.x, a.y, b.x, b.y, box.x0, box.y0, box.x1, box.y1, f);
  }

  // Width-1 solid strokes copied onto the surface as their pixels come:
  // setting a pixel twice is setting it once.
  static void ThinSolidStrokes(DC& dc, const std::vector<std::vector<P64>>& figs,
                               const std::vector<bool>& closed);

  // Outline of a wide pen: segments as rectangles with round joins and caps,
  // all oriented alike and filled together with the winding rule (their union).
  static void WideStrokeSet(DC& dc, const std::vector<std::vector<P64>>& figs,
                            const std::vector<bool>& closed, RunSet& on);

  static void ApplyRuns(DC& dc, const RunSet& set, std::uint32_t color);

  // Brush over runs, through `rop2`; hatch backgrounds in the background
  // colour when `opaqueBack`.
  static void BrushRuns(DC& dc, const std::vector<Run>& runs, const Brush* b, int rop2,
                        bool opaqueBack);

  // The brush over the polygons' area, span by span as the filler finds them
  // (its spans never overlap, rows come in order, spans left to right), less
  // the pixels of `holes` (runs sorted by row and x, not overlapping).
  static void PaintBrush(DC& dc, const std::vector<raster::FillPoly>& fp, bool winding,
                         const Box& box, const Brush* b, int rop2, bool opaqueBack,
                         const std::vector<Run>* holes = nullptr);

  static void FillArea(DC& dc, const std::vector<std::vector<PointF>>& area, int fillMode);

  // A closed or open figure set: brush over the fill polygons less the outline,
  // then the outline. Every pixel is touched once.
  // What a stroke's pixels are kept under.
  static KeptStroke::Key KeyOf(DC& dc);

  // With `keep` (strokes only), a solid pen's pixels are kept there.
  static void DrawFigures(DC& dc, const std::vector<std::vector<P64>>& outline,
                          const std::vector<bool>& closed,
                          const std::vector<std::vector<PointF>>* fill, int fillMode,
                          KeptStroke* keep = nullptr);

  // True when a thin solid pen and a solid brush give one pixel value and the
  // raster operation with it gives the same pixel when applied twice.
  static bool OneInk(DC& dc);

  // A thin solid pen's figures drawn line by line onto the surface: the
  // pixels of ThinStrokeSets, a pixel met twice drawn twice.
  static void ThinOutline(DC& dc, const std::vector<std::vector<P64>>& figs, const std::vector<bool>& closed);

  static std::vector<PointF> ToF(const std::vector<P64>& p);

  static void DrawClosed(DC& dc, const std::vector<P64>& outline);

  // An open polyline, segment by segment as separate lines.
  static void DrawOpen(DC& dc, const std::vector<P64>& pts);

  // --- curves
  // True when a curve from `start` over the device points cannot show: the box
  // of its control points, widened by the pen and by the rounding of the
  // flattening, misses the clip box. Not for a path being built, nor for a
  // thin dashed pen, whose pattern runs on into the next line.
  static bool CurveHidden(DC& dc, const P64& start, const POINT* pts, int count);

  static void BezierPoints(const PointF& p0, const PointF& p1, const PointF& p2, const PointF& p3,
                           std::vector<PointF>& out);

  // llround of a float: below 2^52, v +- 0.5 in double reaches the next
  // integer only from a half or beyond (a float short of a half is at least
  // 2^-25 short), so truncating it rounds.
  static std::int64_t RoundHalfAway(float v);

  static void RoundInto(const std::vector<PointF>& pts, std::vector<P64>& r);
  static std::vector<P64> Round(const std::vector<PointF>& pts);

  // The pixels of a closed outline as one 8-connected chain without corner
  // pixels (a pixel whose neighbours in the chain touch each other is dropped),
  // so that curves are one pixel thin. Large outlines stay as they are.
  static std::vector<P64> ThinChain(const std::vector<P64>& v, bool closed = true);
  // The same into `out`, the chain's pixels held in `chain`.
  static void ThinChainInto(const std::vector<P64>& v, bool closed, std::vector<P64>& chain, std::vector<P64>& out);

  // ThinChain of an open polyline for drawing within `near` (a box in device
  // units, wide enough for the pen): where a stretch of its pieces lies wholly
  // outside, the stretch keeps the polyline's own points, which stay outside
  // as the chain's pixels do, so strokes and fills inside come out the same.
  // The chain is walked only near the box: its thinning looks at a pixel's
  // neighbours and at the last pixel kept, which is found again after a
  // stretch left out.
  static std::vector<P64> ThinChainNear(const std::vector<P64>& v, const Box& near);

  // Device ellipse outline inside the box (pixel centres l..r-1), symmetric.
  static std::vector<P64> EllipseOutline(std::int64_t l, std::int64_t t, std::int64_t r,
                                         std::int64_t b);

  // Arc points counter-clockwise (on screen) from the start to the end radial.
  static std::vector<PointF> ArcPoints(std::int64_t l, std::int64_t t, std::int64_t r,
                                       std::int64_t b, P64 s, P64 e);

  static void Normalize(std::int64_t& l, std::int64_t& t, std::int64_t& r, std::int64_t& b);
  // The device box of a shape's corners, ordered; false when it holds no pixel.
  static bool ShapeBox(const DC& dc, LONG l, LONG t, LONG r, LONG b, P64& a, P64& c);

  // --- paths
  static PathData::Fig& Figure(DC& dc);
  static bool Building(const DC& dc) { return dc.path_ != nullptr && dc.path_->building; }
  static void PathMove(DC& dc, P64 p);
  static void PathAdd(DC& dc, P64 p) { Figure(dc).pts.push_back({float(p.x), float(p.y)}); }
  // The rounded sample points of a cubic piece in device units, from the
  // end of the one before; the last is its end exactly.
  static std::vector<P64> PieceSamples(const P64& from, const P64& c1, const P64& c2, const P64& end);
  // The same into `r`, the unrounded samples held in `piece`.
  static void PieceSamplesInto(const P64& from, const P64& c1, const P64& c2, const P64& end,
                               std::vector<PointF>& piece, std::vector<P64>& r);
  // Cubic pieces from `start` over logical points onto the figure; a piece
  // whose samples are one point adds nothing (and makes no figure).
  static void PathCurve(DC& dc, const P64& start, const POINT* pts, int count);
  // The box outside which a curve's chain cannot show: the clip box grown
  // by the pen (when stroking) and the rounding. False where every pixel of
  // the chain counts: a thin dashed pen's pattern runs on along it.
  static bool NearBox(DC& dc, bool stroke, Box& out);
  // A figure's points with its curves' chains in their places.
  static std::vector<PointF> FigurePoints(const PathData::Fig& f, const Box* near);
  // A piece's samples as a thin chain of pixel positions; with `near`, only
  // near that box.
  static std::vector<P64> PieceChainOf(const std::vector<P64>& r, const Box* near);
  static void PathClosed(DC& dc, const std::vector<P64>& pts);

  // A closed figure goes into the path being built, or is drawn and filled.
  static void ClosedFigure(DC& dc, const std::vector<P64>& outline);

  static void UsePath(DC& dc, bool stroke, bool fill, KeptStroke* keep = nullptr);

  // Below this a curve's samples and the pixels of its chain, and so a thin
  // solid stroke's, move exactly with its points by whole pixels: a sample
  // is a multiple of 1/m^3 (m <= 14 steps), farther from a half than a
  // float's rounding there (under 2^-13) and the double sums' error.
  static constexpr LONG kMovableExtent = 4096;
  static constexpr std::int64_t kMovableCurveLegs = 28;
  // The stroke's points all inside the clip box by its pen and rounding:
  // nothing of it was clipped or chorded.
  static void MarkMovable(DC& dc, const PathData& path, KeptStroke& keep);
  static bool Movable(DC& dc, const RECT& reach);

  // --- block transfers
  static std::uint32_t PatternAt(DC& dc, const Surface& s, LONG x, LONG y);

  // Bilinear copy of the source rectangle (sx0, sy0, ws, hs) stretched onto
  // (dx0, dy0, w, h), inside `out` of the destination; samples stay within
  // the source rectangle and surface.
  static void SmoothCopy(Surface& d, const Surface& s, const Box& out, std::int64_t dx0, std::int64_t dy0,
                         std::int64_t w, std::int64_t h, std::int64_t sx0, std::int64_t sy0,
                         std::int64_t ws, std::int64_t hs);

  static BOOL Blt(DC& dc, LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, LONG ws,
                  LONG hs, DWORD rop, bool stretch);
};

}  // namespace plat
