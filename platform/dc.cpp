#include "platform/dc.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/raster.h"

namespace plat {

using raster::Run;
using raster::RunSet;

// ---------------------------------------------------------------- surfaces

namespace {
double ValidRatio(double r) {
  return std::isfinite(r) ? std::clamp(r, kMinPixelRatio, kMaxPixelRatio) : 1.0;
}
// Physical side of a logical one; false when either is out of bounds.
bool PhysicalSide(LONG logical, double r, LONG* out) {
  if (logical < 0 || logical > kMaxSurfaceSide) return false;
  const double p = r == 1.0 ? double(logical) : std::ceil(double(logical) * r - 1e-9);
  if (p > double(kMaxSurfaceSide)) return false;
  *out = LONG(p);
  return true;
}
bool SizeFits(LONG w, LONG h, double r, LONG* pw, LONG* ph) {
  return PhysicalSide(w, r, pw) && PhysicalSide(h, r, ph) &&
         std::int64_t(*pw) * std::int64_t(*ph) <= kMaxSurfacePixels;
}
}  // namespace

bool Surface::Create(LONG lw, LONG lh, bool mono, std::uint32_t fill, double ratio) {
  ratio = ValidRatio(ratio);
  LONG w = 0, h = 0;
  if (!SizeFits(lw, lh, ratio, &w, &h)) return false;
  if (mono) fill = (fill & raster::kMask) != 0 ? raster::kMask : 0;
  try {
    std::vector<std::uint32_t> px(std::size_t(w) * std::size_t(h), fill & raster::kMask);
    px_.swap(px);
  } catch (const std::bad_alloc&) {
    return false;
  }
  w_ = w;
  h_ = h;
  lw_ = lw;
  lh_ = lh;
  ratio_ = ratio;
  mono_ = mono;
  pending_ = false;
  return true;
}

void Surface::RealizeNow() const {
  px_.assign(std::size_t(w_) * std::size_t(h_), pendingFill_);
  pending_ = false;
}

bool Surface::Resize(LONG lw, LONG lh, std::uint32_t fill) {
  if (lw == lw_ && lh == lh_) return true;
  LONG w = 0, h = 0;
  if (!SizeFits(lw, lh, ratio_, &w, &h)) return false;
  std::uint32_t value = fill & raster::kMask;
  if (mono_) value = value != 0 ? raster::kMask : 0;
  if (w_ == 0 || h_ == 0 || (pending_ && pendingFill_ == value)) {
    std::vector<std::uint32_t>().swap(px_);
    w_ = w;
    h_ = h;
    lw_ = lw;
    lh_ = lh;
    pending_ = w > 0 && h > 0;
    pendingFill_ = value;
    return true;
  }
  Surface n;
  if (!n.Create(lw, lh, mono_, fill, ratio_)) return false;
  const LONG cw = std::min(w, w_), ch = std::min(h, h_);
  for (LONG y = 0; y < ch; ++y) std::copy(row(y), row(y) + cw, n.row(y));
  *this = std::move(n);
  return true;
}

COLORREF Surface::GetPixel(LONG x, LONG y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return CLR_INVALID;
  if (pending_) return ColorFromPixel(pendingFill_);
  return ColorFromPixel(row(y)[x]);
}

void Surface::Fill(std::uint32_t value) {
  if (mono_) value = (value & raster::kMask) != 0 ? raster::kMask : 0;
  if (pending_) {
    pendingFill_ = value & raster::kMask;
    return;
  }
  std::fill(px_.begin(), px_.end(), value & raster::kMask);
}

bool WindowSurface::Resize(LONG w, LONG h) { return surface_.Resize(w, h, 0xFFFFFF); }

bool WindowSurface::SetRatio(double ratio) {
  ratio = ValidRatio(ratio);
  if (ratio == surface_.ratio()) return false;
  Surface n;
  if (!n.Create(0, 0, false, 0xFFFFFF, ratio)) return false;
  const LONG w = surface_.logicalWidth(), h = surface_.logicalHeight();
  surface_ = std::move(n);
  surface_.Resize(w, h, 0xFFFFFF);
  return true;
}

// ---------------------------------------------------------------- objects

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

GdiObject::~GdiObject() = default;

Pen::Pen(int style, int width, COLORREF color)
    : GdiObject(GdiKind::Pen), style_(style), width_(width < 1 ? 1 : width), color_(color & 0xFFFFFF) {}

Brush::Brush(int style, COLORREF color, int hatch)
    : GdiObject(GdiKind::Brush), style_(style), color_(color & 0xFFFFFF), hatch_(hatch) {}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  if (width > 4096) width = 4096;
  return GdiRegistry::Add(new Pen(style, width, color));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return GdiRegistry::Add(new Brush(BS_SOLID, color, 0));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  return GdiRegistry::Add(new Brush(BS_HATCHED, color, hatch));
}

namespace {
struct StockTable {
  std::array<GdiObject*, 9> obj{};
  StockTable() {
    auto brush = [](int style, COLORREF c) {
      Brush* b = new Brush(style, c, 0);
      return b;
    };
    obj[WHITE_BRUSH] = brush(BS_SOLID, RGB(255, 255, 255));
    obj[LTGRAY_BRUSH] = brush(BS_SOLID, RGB(192, 192, 192));
    obj[GRAY_BRUSH] = brush(BS_SOLID, RGB(128, 128, 128));
    obj[DKGRAY_BRUSH] = brush(BS_SOLID, RGB(64, 64, 64));
    obj[BLACK_BRUSH] = brush(BS_SOLID, RGB(0, 0, 0));
    obj[NULL_BRUSH] = brush(BS_NULL, 0);
    obj[WHITE_PEN] = new Pen(PS_SOLID, 1, RGB(255, 255, 255));
    obj[BLACK_PEN] = new Pen(PS_SOLID, 1, RGB(0, 0, 0));
    obj[NULL_PEN] = new Pen(PS_NULL, 1, 0);
  }
};
}  // namespace

struct StockAccess {
  static GdiObject* Get(int index) {
    static StockTable* table = [] {
      auto* t = new StockTable;
      for (GdiObject* o : t->obj) {
        GdiRegistry::MarkStock(o);
        GdiRegistry::Add(o);
      }
      return t;
    }();
    if (index < 0 || index >= int(table->obj.size())) return nullptr;
    return table->obj[std::size_t(index)];
  }
};

HGDIOBJ GetStockObject(int index) { return StockAccess::Get(index); }

bool IsGdiObject(HGDIOBJ obj) { return GdiRegistry::Has(obj); }

std::size_t GdiObjectCount() {
  GdiRegistry& r = GdiRegistry::Get();
  std::lock_guard<std::mutex> lock(r.m);
  return r.nonStock;
}

BOOL DeleteObject(HGDIOBJ obj) { return GdiRegistry::Delete(obj); }

HBITMAP CreateBitmap(LONG w, LONG h, UINT planes, UINT bitsPerPixel, const void* bits) {
  const UINT depth = planes * bitsPerPixel;
  if (planes == 0 || (depth != 1 && depth != 24 && depth != 32)) return nullptr;
  auto bmp = std::make_unique<Bitmap>();
  if (!bmp->surface().Create(w, h, depth == 1, 0)) return nullptr;
  if (bits != nullptr) {
    const auto* src = static_cast<const BYTE*>(bits);
    const std::size_t rowBytes = ((std::size_t(w) * depth + 15) / 16) * 2;
    Surface& s = bmp->surface();
    for (LONG y = 0; y < h; ++y) {
      const BYTE* r = src + rowBytes * std::size_t(y);
      std::uint32_t* d = s.row(y);
      for (LONG x = 0; x < w; ++x) {
        if (depth == 1)
          d[x] = ((r[x >> 3] >> (7 - (x & 7))) & 1) ? raster::kMask : 0;
        else if (depth == 24)
          d[x] = std::uint32_t(r[3 * x]) | (std::uint32_t(r[3 * x + 1]) << 8) |
                 (std::uint32_t(r[3 * x + 2]) << 16);
        else
          d[x] = std::uint32_t(r[4 * x]) | (std::uint32_t(r[4 * x + 1]) << 8) |
                 (std::uint32_t(r[4 * x + 2]) << 16);
      }
    }
  }
  return GdiRegistry::Add(bmp.release());
}

HBITMAP CreateCompatibleBitmap(HDC dc, LONG w, LONG h) {
  bool mono = false;
  if (dc != nullptr && dc->IsMemoryDC() && dc->GetCurrentBitmap() != nullptr)
    mono = dc->GetCurrentBitmap()->surface().mono();
  const double ratio = dc != nullptr && !mono ? dc->GetPixelRatio() : 1.0;
  if (ratio == 1.0) return CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
  auto bmp = std::make_unique<Bitmap>();
  if (!bmp->surface().Create(w, h, false, 0, ratio)) return nullptr;
  return GdiRegistry::Add(bmp.release());
}

bool GetBitmapInfo(HBITMAP bmp, BITMAP* out) {
  if (!GdiRegistry::Has(bmp) || bmp->kind() != GdiKind::Bitmap || out == nullptr) return false;
  out->bmType = 0;
  out->bmWidth = bmp->width();
  out->bmHeight = bmp->height();
  out->bmBitsPixel = WORD(bmp->bitsPixel());
  out->bmPlanes = 1;
  out->bmWidthBytes = LONG(((std::int64_t(bmp->width()) * bmp->bitsPixel() + 15) / 16) * 2);
  out->bmBits = nullptr;
  return true;
}

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

namespace {

struct Box {
  LONG x0, y0, x1, y1;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct P64 {
  std::int64_t x, y;
};

bool IsLight(COLORREF c) {
  const int lum = GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11;
  return lum >= 128 * 100;
}

std::uint32_t MapColor(const Surface& s, COLORREF c) {
  if (s.mono()) return IsLight(c) ? raster::kMask : 0;
  return PixelFromColor(c) & raster::kMask;
}

bool HatchBit(int hatch, LONG x, LONG y) {
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
Dash DashFor(int style) {
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
std::int64_t ClampCoord(std::int64_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

}  // namespace

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
  static void ThinLine(DC& dc, P64 a, P64 b) {
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

  // Pixels of width-1 strokes into run sets (pen pixels, gap pixels).
  static void ThinStrokeSets(DC& dc, const std::vector<std::vector<P64>>& figs,
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

  // Outline of a wide pen: segments as rectangles with round joins and caps,
  // all oriented alike and filled together with the winding rule (their union).
  static void WideStrokeSet(DC& dc, const std::vector<std::vector<P64>>& figs,
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

  static void ApplyRuns(DC& dc, const RunSet& set, std::uint32_t color) {
    Surface& s = Target(dc);
    const raster::SpanFn fn = raster::SpanFor(dc.rop2_);
    for (const Run& r : set.runs()) fn(s.row(r.y) + r.x0, r.x1 - r.x0, color);
  }

  // Brush over runs, through `rop2`; hatch backgrounds in the background
  // colour when `opaqueBack`.
  static void BrushRuns(DC& dc, const std::vector<Run>& runs, const Brush* b, int rop2,
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

  // The brush over the polygons' area, span by span as the filler finds them
  // (its spans never overlap, rows come in order, spans left to right), less
  // the pixels of `holes` (runs sorted by row and x, not overlapping).
  static void PaintBrush(DC& dc, const std::vector<raster::FillPoly>& fp, bool winding,
                         const Box& box, const Brush* b, int rop2, bool opaqueBack,
                         const std::vector<Run>* holes = nullptr) {
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

  static void FillArea(DC& dc, const std::vector<std::vector<PointF>>& area, int fillMode) {
    std::vector<raster::FillPoly> fp;
    fp.reserve(area.size());
    for (const auto& p : area) fp.push_back({p.data(), int(p.size())});
    PaintBrush(dc, fp, fillMode == WINDING, ClipBox(dc), dc.brush_, dc.rop2_, dc.bkMode_ == OPAQUE);
  }

  // A closed or open figure set: brush over the fill polygons less the outline,
  // then the outline. Every pixel is touched once.
  // What a stroke's pixels are kept under.
  static KeptStroke::Key KeyOf(DC& dc) {
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

  // With `keep` (strokes only), a solid pen's pixels are kept there.
  static void DrawFigures(DC& dc, const std::vector<std::vector<P64>>& outline,
                          const std::vector<bool>& closed,
                          const std::vector<std::vector<PointF>>* fill, int fillMode,
                          KeptStroke* keep = nullptr) {
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

  // True when a thin solid pen and a solid brush give one pixel value and the
  // raster operation with it gives the same pixel when applied twice.
  static bool OneInk(DC& dc) {
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

  // A thin solid pen's figures drawn line by line onto the surface: the
  // pixels of ThinStrokeSets, a pixel met twice drawn twice.
  static void ThinOutline(DC& dc, const std::vector<std::vector<P64>>& figs, const std::vector<bool>& closed) {
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

  static std::vector<PointF> ToF(const std::vector<P64>& p) {
    std::vector<PointF> r;
    r.reserve(p.size());
    for (const P64& q : p) r.push_back({float(ClampCoord(q.x)), float(ClampCoord(q.y))});
    return r;
  }

  static void DrawClosed(DC& dc, const std::vector<P64>& outline) {
    std::vector<std::vector<PointF>> fill;
    fill.push_back(ToF(outline));
    if (PenNull(dc)) {
      FillArea(dc, fill, dc.fillMode_);
      return;
    }
    DrawFigures(dc, {outline}, {true}, &fill, dc.fillMode_);
  }

  // An open polyline, segment by segment as separate lines.
  static void DrawOpen(DC& dc, const std::vector<P64>& pts) {
    if (PenNull(dc) || pts.size() < 2) return;
    if (dc.pen_->width() > 1) {
      DrawFigures(dc, {pts}, {false}, nullptr, ALTERNATE);
      return;
    }
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) ThinLine(dc, pts[i], pts[i + 1]);
  }

  // --- curves

  // True when a curve from `start` over the device points cannot show: the box
  // of its control points, widened by the pen and by the rounding of the
  // flattening, misses the clip box. Not for a path being built, nor for a
  // thin dashed pen, whose pattern runs on into the next line.
  static bool CurveHidden(DC& dc, const P64& start, const POINT* pts, int count) {
    if (Building(dc)) return false;
    const bool pen = !PenNull(dc);
    if (pen && dc.pen_->width() <= 1 && dc.pen_->style() >= PS_DASH &&
        dc.pen_->style() <= PS_DASHDOTDOT)
      return false;
    std::int64_t x0 = start.x, x1 = start.x, y0 = start.y, y1 = start.y;
    for (int i = 0; i < count; ++i) {
      const P64 p = Dev(dc, pts[i].x, pts[i].y);
      x0 = std::min(x0, p.x);
      x1 = std::max(x1, p.x);
      y0 = std::min(y0, p.y);
      y1 = std::max(y1, p.y);
    }
    const std::int64_t far = std::max(std::max(-x0, x1), std::max(-y0, y1));
    const std::int64_t m = 2 + (pen ? std::int64_t(std::ceil(PenWidth(dc))) : 0) + (far >> 20);
    const Box box = ClipBox(dc);
    return box.empty() || x1 + m < box.x0 || x0 - m >= box.x1 || y1 + m < box.y0 ||
           y0 - m >= box.y1;
  }

  static void BezierPoints(const PointF& p0, const PointF& p1, const PointF& p2, const PointF& p3,
                           std::vector<PointF>& out) {
    auto dist = [](const PointF& a, const PointF& b) {
      return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    };
    const double len = dist(p0, p1) + dist(p1, p2) + dist(p2, p3);
    const int m = std::isfinite(len) ? int(std::clamp(len / 2.0 + 1.0, 1.0, 1024.0)) : 1;
    for (int i = 1; i < m; ++i) {
      const double t = double(i) / m, u = 1 - t;
      const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
      out.push_back({float(b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x),
                     float(b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y)});
    }
    out.push_back(p3);
  }

  // llround of a float: below 2^52, v +- 0.5 in double reaches the next
  // integer only from a half or beyond (a float short of a half is at least
  // 2^-25 short), so truncating it rounds.
  static std::int64_t RoundHalfAway(float v) {
    const double d = v;
    if (!(std::fabs(d) < 4503599627370496.0)) return std::int64_t(std::llround(d));
    return std::int64_t(d + (d >= 0 ? 0.5 : -0.5));
  }

  static void RoundInto(const std::vector<PointF>& pts, std::vector<P64>& r) {
    r.clear();
    r.reserve(pts.size());
    for (const PointF& p : pts) {
      const P64 q{RoundHalfAway(p.x), RoundHalfAway(p.y)};
      if (r.empty() || r.back().x != q.x || r.back().y != q.y) r.push_back(q);
    }
  }
  static std::vector<P64> Round(const std::vector<PointF>& pts) {
    std::vector<P64> r;
    RoundInto(pts, r);
    return r;
  }

  // The pixels of a closed outline as one 8-connected chain without corner
  // pixels (a pixel whose neighbours in the chain touch each other is dropped),
  // so that curves are one pixel thin. Large outlines stay as they are.
  static std::vector<P64> ThinChain(const std::vector<P64>& v, bool closed = true) {
    std::vector<P64> chain, out;
    ThinChainInto(v, closed, chain, out);
    return out;
  }
  // The same into `out`, the chain's pixels held in `chain`.
  static void ThinChainInto(const std::vector<P64>& v, bool closed, std::vector<P64>& chain, std::vector<P64>& out) {
    out.clear();
    if (v.size() < (closed ? 3u : 2u)) {
      out = v;
      return;
    }
    const std::size_t m = v.size(), segs = closed ? m : m - 1;
    auto after = [&](std::size_t i) -> const P64& { return v[i + 1 == m ? 0 : i + 1]; };
    std::int64_t total = 0;
    for (std::size_t i = 0; i < segs; ++i) total += raster::LineSteps(v[i].x, v[i].y, after(i).x, after(i).y);
    if (total > (std::int64_t(1) << 16)) {
      out = v;
      return;
    }
    chain.clear();
    chain.reserve(std::size_t(total) + 1);
    for (std::size_t i = 0; i < segs; ++i) {
      const P64 a = v[i], b = after(i);
      raster::RasterLine(a.x, a.y, b.x, b.y, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX,
                         [&](LONG x, LONG y, std::int64_t) { chain.push_back({x, y}); });
    }
    if (!closed) chain.push_back(v.back());
    auto touch = [](const P64& a, const P64& b) {
      return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
    };
    const std::size_t n = chain.size();
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      if (!closed && (i == 0 || i + 1 == n)) {
        out.push_back(chain[i]);
        continue;
      }
      const P64& prev = out.empty() ? chain[n - 1] : out.back();
      const P64& next = chain[i + 1 == n ? 0 : i + 1];
      if (n > 4 && touch(prev, next) && !(prev.x == next.x && prev.y == next.y)) continue;
      out.push_back(chain[i]);
    }
    if (out.size() < (closed ? 3u : 2u)) out = v;
  }

  // ThinChain of an open polyline for drawing within `near` (a box in device
  // units, wide enough for the pen): where a stretch of its pieces lies wholly
  // outside, the stretch keeps the polyline's own points, which stay outside
  // as the chain's pixels do, so strokes and fills inside come out the same.
  // The chain is walked only near the box: its thinning looks at a pixel's
  // neighbours and at the last pixel kept, which is found again after a
  // stretch left out.
  static std::vector<P64> ThinChainNear(const std::vector<P64>& v, const Box& near) {
    if (v.size() < 2) return v;
    {
      std::int64_t x0 = v[0].x, y0 = v[0].y, x1 = x0, y1 = y0;
      for (const P64& p : v) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
      }
      // Wholly outside: the chord, which stays within the points' box.
      if (x1 < near.x0 || x0 >= near.x1 || y1 < near.y0 || y0 >= near.y1) return {v.front(), v.back()};
      if (x0 >= near.x0 && x1 < near.x1 && y0 >= near.y0 && y1 < near.y1) return ThinChain(v, false);
    }
    const std::size_t segs = v.size() - 1;
    std::vector<std::int64_t> off(segs + 1, 0);
    std::vector<char> isNear(segs, 0);
    bool anyFar = false;
    for (std::size_t k = 0; k < segs; ++k) {
      const P64 a = v[k], b = v[k + 1];
      off[k + 1] = off[k] + raster::LineSteps(a.x, a.y, b.x, b.y);
      isNear[k] = std::max(a.x, b.x) >= near.x0 && std::min(a.x, b.x) < near.x1 &&
                  std::max(a.y, b.y) >= near.y0 && std::min(a.y, b.y) < near.y1;
      anyFar = anyFar || !isNear[k];
    }
    const std::int64_t total = segs ? off[segs] : 0;
    if (!anyFar || total > (std::int64_t(1) << 16)) return ThinChain(v, false);
    if (std::find(isNear.begin(), isNear.end(), 1) == isNear.end()) return v;
    const std::int64_t n = total + 1;  // chain pixels, the last point included
    auto touch = [](const P64& a, const P64& b) {
      return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
    };
    auto same = [](const P64& a, const P64& b) { return a.x == b.x && a.y == b.y; };
    // Chain pixels [from, to] (to <= total) of whole pieces, and the index of
    // the first one held.
    std::vector<P64> px;
    std::int64_t base = 0;
    auto segOf = [&](std::int64_t i) {
      return std::size_t(std::upper_bound(off.begin(), off.end(), i) - off.begin()) - 1;
    };
    auto hold = [&](std::int64_t from, std::int64_t to) {
      px.clear();
      const std::size_t k0 = std::min(segOf(from), segs - 1);
      base = off[k0];
      for (std::size_t k = k0; k < segs && off[k] <= to; ++k)
        raster::RasterLine(v[k].x, v[k].y, v[k + 1].x, v[k + 1].y, INT32_MIN, INT32_MIN, INT32_MAX,
                           INT32_MAX, [&](LONG x, LONG y, std::int64_t) { px.push_back({x, y}); });
      if (base + std::int64_t(px.size()) == total) px.push_back(v.back());
    };
    auto at = [&](std::int64_t i) -> const P64& { return px[std::size_t(i - base)]; };
    std::vector<P64> out{v[0]};
    // Decides pixels [from, to) as ThinChain does, out.back() being the last
    // kept before them; the pixel `to` must be held.
    auto walk = [&](std::int64_t from, std::int64_t to) {
      for (std::int64_t i = from; i < to; ++i) {
        if (i == 0) continue;  // v[0], kept
        const P64& prev = out.back();
        const P64& next = at(i + 1);
        if (n > 4 && touch(prev, next) && !same(prev, next)) continue;
        out.push_back(at(i));
      }
    };
    // Whether pixel q is kept whatever was kept before it: the last pixel
    // kept is within one of every pixel after it up to q (each dropped one
    // was, by the rule), so only pixels from where the chain before q spans
    // three can be it; none of them may drop q.
    auto kept = [&](std::int64_t q) {
      if (q == 0 || q + 1 >= n || n <= 4) return true;
      // The box of at(j + 1 .. q).
      std::int64_t minx = at(q).x, maxx = minx, miny = at(q).y, maxy = miny;
      for (std::int64_t j = q - 1;; --j) {
        if (j < base) return base == 0;  // no pixel before the chain's first
        if (q - j > 64) return false;
        const P64& c = at(j);
        const bool holds = std::abs(c.x - minx) <= 1 && std::abs(c.x - maxx) <= 1 &&
                           std::abs(c.y - miny) <= 1 && std::abs(c.y - maxy) <= 1;
        if (holds && touch(c, at(q + 1)) && !same(c, at(q + 1))) return false;
        minx = std::min(minx, c.x);
        maxx = std::max(maxx, c.x);
        miny = std::min(miny, c.y);
        maxy = std::max(maxy, c.y);
        if (maxx - minx >= 3 || maxy - miny >= 3) return true;
      }
    };
    std::int64_t next = 1;  // the first pixel not decided
    std::size_t k = 0;
    while (k < segs) {
      if (!isNear[k]) {
        ++k;
        continue;
      }
      const std::size_t s = k;
      while (k < segs && isNear[k]) ++k;
      const std::int64_t from = off[s], to = off[k];
      // A pixel kept for sure shortly before the stretch; else the walk goes
      // on from where it was.
      std::int64_t sync = -1;
      for (std::int64_t reach = 16; sync < 0 && from - reach > next; reach *= 4) {
        hold(std::max(next, from - reach), from + 1);
        for (std::int64_t q = from; q > base + 2 && q >= next && sync < 0; --q)
          if (kept(q)) sync = q;
      }
      if (sync < 0) {
        hold(next, to);
        walk(next, to);
      } else {
        // The pieces' own points up to the sync, which was kept.
        for (std::size_t j = segOf(next) + 1; j < segs && off[j] < sync; ++j)
          if (!same(out.back(), v[j])) out.push_back(v[j]);
        hold(sync, to);
        out.push_back(at(sync));
        walk(sync + 1, to);
      }
      next = to;
    }
    if (next < total) {
      for (std::size_t j = segOf(next) + 1; j < segs; ++j)
        if (!same(out.back(), v[j])) out.push_back(v[j]);
      if (!same(out.back(), v.back())) out.push_back(v.back());
    } else {
      out.push_back(v.back());
    }
    return out;
  }

  // Device ellipse outline inside the box (pixel centres l..r-1), symmetric.
  static std::vector<P64> EllipseOutline(std::int64_t l, std::int64_t t, std::int64_t r,
                                         std::int64_t b) {
    const double rx = double(r - l - 1) / 2.0, ry = double(b - t - 1) / 2.0;
    const double cx = double(l) + rx, cy = double(t) + ry;
    std::vector<P64> q;  // first quarter, from the right end up to the top
    if (rx + ry <= 32768) {
      // the pixels nearest to the curve, sampled by columns and by rows
      auto rnd = [](double v) { return std::int64_t(std::floor(v + 0.5)); };
      for (std::int64_t X = std::int64_t(std::ceil(cx)); X <= std::int64_t(std::floor(cx + rx)); ++X) {
        const double u = rx > 0 ? (double(X) - cx) / rx : 0;
        q.push_back({X, rnd(cy - ry * std::sqrt(std::max(0.0, 1 - u * u)))});
      }
      for (std::int64_t Y = std::int64_t(std::ceil(cy)); Y <= std::int64_t(std::floor(cy + ry)); ++Y) {
        const double v = ry > 0 ? (double(Y) - cy) / ry : 0;
        // row below the centre mirrored to the top half
        q.push_back({rnd(cx + rx * std::sqrt(std::max(0.0, 1 - v * v))), (t + b - 1) - Y});
      }
      std::sort(q.begin(), q.end(), [](const P64& a, const P64& b) {
        return a.x != b.x ? a.x > b.x : a.y > b.y;
      });
      q.erase(std::unique(q.begin(), q.end(),
                          [](const P64& a, const P64& b) { return a.x == b.x && a.y == b.y; }),
              q.end());
    } else {
      const int k = 1024;
      for (int i = 0; i <= k; ++i) {
        const double a = M_PI / 2 * i / k;
        const P64 p{std::int64_t(std::floor(cx + rx * std::cos(a) + 0.5)),
                    std::int64_t(std::floor(cy - ry * std::sin(a) + 0.5))};
        if (q.empty() || q.back().x != p.x || q.back().y != p.y) q.push_back(p);
      }
    }
    const std::int64_t sx = l + r - 1, sy = t + b - 1;
    std::vector<P64> out;
    auto push = [&](P64 p) {
      if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
    };
    for (const P64& p : q) push(p);                                        // right -> top
    for (auto it = q.rbegin(); it != q.rend(); ++it) push({sx - it->x, it->y});  // top -> left
    for (const P64& p : q) push({sx - p.x, sy - p.y});                     // left -> bottom
    for (auto it = q.rbegin(); it != q.rend(); ++it) push({it->x, sy - it->y});  // bottom -> right
    if (out.size() > 1 && out.front().x == out.back().x && out.front().y == out.back().y)
      out.pop_back();
    return ThinChain(out);
  }

  // Arc points counter-clockwise (on screen) from the start to the end radial.
  static std::vector<PointF> ArcPoints(std::int64_t l, std::int64_t t, std::int64_t r,
                                       std::int64_t b, P64 s, P64 e) {
    const double rx = double(r - l - 1) / 2.0, ry = double(b - t - 1) / 2.0;
    const double cx = double(l) + rx, cy = double(t) + ry;
    double a0 = std::atan2(-(double(s.y) - cy) * (rx > 0 ? rx : 1),
                           (double(s.x) - cx) * (ry > 0 ? ry : 1));
    double a1 = std::atan2(-(double(e.y) - cy) * (rx > 0 ? rx : 1),
                           (double(e.x) - cx) * (ry > 0 ? ry : 1));
    if (a1 <= a0) a1 += 2 * M_PI;
    const double sweep = a1 - a0;
    const int k = std::clamp(int((rx + ry) * sweep * 0.8) + 2, 2, 4096);
    std::vector<PointF> out;
    for (int i = 0; i <= k; ++i) {
      const double a = a0 + sweep * i / k;
      out.push_back({float(cx + rx * std::cos(a)), float(cy - ry * std::sin(a))});
    }
    return out;
  }

  static void Normalize(std::int64_t& l, std::int64_t& t, std::int64_t& r, std::int64_t& b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    l = ClampCoord(l);
    t = ClampCoord(t);
    r = ClampCoord(r);
    b = ClampCoord(b);
  }

  // --- paths

  static PathData::Fig& Figure(DC& dc) {
    PathData& p = *dc.path_;
    if (p.figs.empty() || p.figs.back().closed) {
      p.figs.push_back({});
      const P64 c = Dev(dc, dc.cur_.x, dc.cur_.y);
      p.figs.back().pts.push_back({float(c.x), float(c.y)});
    }
    return p.figs.back();
  }
  static bool Building(const DC& dc) { return dc.path_ != nullptr && dc.path_->building; }
  static void PathMove(DC& dc, P64 p) {
    dc.path_->figs.push_back({});
    dc.path_->figs.back().pts.push_back({float(p.x), float(p.y)});
  }
  static void PathAdd(DC& dc, P64 p) { Figure(dc).pts.push_back({float(p.x), float(p.y)}); }
  // The rounded sample points of a cubic piece in device units, from the
  // end of the one before; the last is its end exactly.
  static std::vector<P64> PieceSamples(const P64& from, const P64& c1, const P64& c2, const P64& end) {
    std::vector<PointF> piece;
    std::vector<P64> r;
    PieceSamplesInto(from, c1, c2, end, piece, r);
    return r;
  }
  // The same into `r`, the unrounded samples held in `piece`.
  static void PieceSamplesInto(const P64& from, const P64& c1, const P64& c2, const P64& end,
                               std::vector<PointF>& piece, std::vector<P64>& r) {
    auto f = [](const P64& p) { return PointF{float(p.x), float(p.y)}; };
    const PointF p0 = f(from);
    piece.assign(1, p0);
    BezierPoints(p0, f(c1), f(c2), f(end), piece);
    RoundInto(piece, r);
    r.back() = end;
  }
  // Cubic pieces from `start` over logical points onto the figure; a piece
  // whose samples are one point adds nothing (and makes no figure).
  static void PathCurve(DC& dc, const P64& start, const POINT* pts, int count) {
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
  // The box outside which a curve's chain cannot show: the clip box grown
  // by the pen (when stroking) and the rounding. False where every pixel of
  // the chain counts: a thin dashed pen's pattern runs on along it.
  static bool NearBox(DC& dc, bool stroke, Box& out) {
    const bool pen = stroke && !PenNull(dc);
    if (pen && dc.pen_->width() <= 1 && dc.pen_->style() >= PS_DASH && dc.pen_->style() <= PS_DASHDOTDOT)
      return false;
    const LONG m = 3 + (pen ? LONG(std::ceil(PenWidth(dc))) : 0);
    const Box b = ClipBox(dc);
    out = {b.x0 - m, b.y0 - m, b.x1 + m, b.y1 + m};
    return true;
  }
  // A figure's points with its curves' chains in their places.
  static std::vector<PointF> FigurePoints(const PathData::Fig& f, const Box* near) {
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
  // A piece's samples as a thin chain of pixel positions; with `near`, only
  // near that box.
  static std::vector<P64> PieceChainOf(const std::vector<P64>& r, const Box* near) {
    return near ? ThinChainNear(r, *near) : ThinChain(r, false);
  }
  static void PathClosed(DC& dc, const std::vector<P64>& pts) {
    PathData::Fig f;
    for (const P64& p : pts) f.pts.push_back({float(p.x), float(p.y)});
    f.closed = true;
    dc.path_->figs.push_back(std::move(f));
  }

  // A closed figure goes into the path being built, or is drawn and filled.
  static void ClosedFigure(DC& dc, const std::vector<P64>& outline) {
    if (Building(dc)) {
      PathClosed(dc, outline);
      return;
    }
    dc.styleState_ = 0;
    DrawClosed(dc, outline);
  }

  static void UsePath(DC& dc, bool stroke, bool fill, KeptStroke* keep = nullptr) {
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

  // Below this a curve's samples and the pixels of its chain, and so a thin
  // solid stroke's, move exactly with its points by whole pixels: a sample
  // is a multiple of 1/m^3 (m <= 14 steps), farther from a half than a
  // float's rounding there (under 2^-13) and the double sums' error.
  static constexpr LONG kMovableExtent = 4096;
  static constexpr std::int64_t kMovableCurveLegs = 28;
  // The stroke's points all inside the clip box by its pen and rounding:
  // nothing of it was clipped or chorded.
  static void MarkMovable(DC& dc, const PathData& path, KeptStroke& keep) {
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
  static bool Movable(DC& dc, const RECT& reach) {
    const Box box = ClipBox(dc);
    return reach.left >= box.x0 && reach.top >= box.y0 && reach.right <= box.x1 && reach.bottom <= box.y1 &&
           reach.left >= 0 && reach.top >= 0 && reach.right <= kMovableExtent && reach.bottom <= kMovableExtent;
  }

  // --- block transfers

  static std::uint32_t PatternAt(DC& dc, const Surface& s, LONG x, LONG y) {
    const Brush* b = dc.brush_;
    if (b == nullptr || b->style() == BS_NULL) return 0;
    if (b->style() == BS_SOLID) return MapColor(s, b->color());
    return HatchBit(b->hatch(), x, y) ? MapColor(s, b->color()) : MapColor(s, dc.bkColor_);
  }

  // Bilinear copy of the source rectangle (sx0, sy0, ws, hs) stretched onto
  // (dx0, dy0, w, h), inside `out` of the destination; samples stay within
  // the source rectangle and surface.
  static void SmoothCopy(Surface& d, const Surface& s, const Box& out, std::int64_t dx0, std::int64_t dy0,
                         std::int64_t w, std::int64_t h, std::int64_t sx0, std::int64_t sy0,
                         std::int64_t ws, std::int64_t hs) {
    const std::int64_t lx = std::max<std::int64_t>(sx0, 0), hx = std::min<std::int64_t>(sx0 + ws, s.width()) - 1;
    const std::int64_t ly = std::max<std::int64_t>(sy0, 0), hy = std::min<std::int64_t>(sy0 + hs, s.height()) - 1;
    if (hx < lx || hy < ly) return;
    struct Tap {
      LONG a, b;
      unsigned f;  // weight of b in 256ths
    };
    auto taps = [](std::int64_t from, std::int64_t to, std::int64_t d0, std::int64_t n, std::int64_t s0,
                   std::int64_t sn, std::int64_t lo, std::int64_t hi) {
      std::vector<Tap> t;
      t.reserve(std::size_t(to - from));
      for (std::int64_t p = from; p < to; ++p) {
        const double u = double(s0) + (double(p - d0) + 0.5) * double(sn) / double(n) - 0.5;
        const double fl = std::floor(u);
        std::int64_t a = std::int64_t(fl);
        unsigned f = unsigned(std::lround((u - fl) * 256));
        if (f >= 256) ++a, f = 0;
        const std::int64_t b = std::clamp<std::int64_t>(a + 1, lo, hi);
        t.push_back({LONG(std::clamp<std::int64_t>(a, lo, hi)), LONG(b), f});
      }
      return t;
    };
    const std::vector<Tap> cols = taps(out.x0, out.x1, dx0, w, sx0, ws, lx, hx);
    const std::vector<Tap> rows = taps(out.y0, out.y1, dy0, h, sy0, hs, ly, hy);
    auto mix = [](std::uint32_t p, std::uint32_t q, unsigned f) {
      const std::uint32_t rb = (((p & 0xFF00FF) * (256 - f) + (q & 0xFF00FF) * f) >> 8) & 0xFF00FF;
      const std::uint32_t g = (((p & 0x00FF00) * (256 - f) + (q & 0x00FF00) * f) >> 8) & 0x00FF00;
      return rb | g;
    };
    for (std::size_t j = 0; j < rows.size(); ++j) {
      const Tap& r = rows[j];
      const std::uint32_t* ra = s.row(r.a);
      const std::uint32_t* rb = s.row(r.b);
      std::uint32_t* dst = d.row(LONG(out.y0 + std::int64_t(j))) + out.x0;
      for (std::size_t i = 0; i < cols.size(); ++i) {
        const Tap& c = cols[i];
        const std::uint32_t top = mix(ra[c.a] & raster::kMask, ra[c.b] & raster::kMask, c.f);
        const std::uint32_t bottom = mix(rb[c.a] & raster::kMask, rb[c.b] & raster::kMask, c.f);
        dst[i] = mix(top, bottom, r.f);
      }
    }
  }

  static BOOL Blt(DC& dc, LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, LONG ws,
                  LONG hs, DWORD rop, bool stretch) {
    const unsigned t = (rop >> 16) & 0xFF;
    const bool usesSrc = (((t >> 2) ^ t) & 0x33) != 0;
    const bool usesPat = (((t >> 4) ^ t) & 0x0F) != 0;
    if (usesSrc && src == nullptr) return 0;
    if (w == 0 || h == 0) return 1;
    if (stretch && usesSrc && (ws == 0 || hs == 0)) return 1;
    if (!stretch) {
      ws = w;
      hs = h;
    }
    Surface& d = Target(dc);
    const Box box = ClipBox(dc);
    // destination rectangle in device units; sizes from here on are physical
    const P64 d0 = Dev(dc, x, y), d1 = Dev(dc, std::int64_t(x) + w, std::int64_t(y) + h);
    const std::int64_t dx0 = d0.x, dy0 = d0.y;
    const std::int64_t W = d1.x - d0.x, H = d1.y - d0.y;
    if (W == 0 || H == 0) return 1;
    std::int64_t rx0 = W > 0 ? dx0 : dx0 + W, rx1 = W > 0 ? dx0 + W : dx0;
    std::int64_t ry0 = H > 0 ? dy0 : dy0 + H, ry1 = H > 0 ? dy0 + H : dy0;
    rx0 = std::max<std::int64_t>(rx0, box.x0);
    ry0 = std::max<std::int64_t>(ry0, box.y0);
    rx1 = std::min<std::int64_t>(rx1, box.x1);
    ry1 = std::min<std::int64_t>(ry1, box.y1);
    if (rx1 <= rx0 || ry1 <= ry0) return 1;
    // source in its device units; a copy when it is the destination itself
    const Surface* sp = nullptr;
    Surface copy;
    std::int64_t sx0 = 0, sy0 = 0, WS = W, HS = H;
    std::uint32_t srcBack = 0;
    bool smooth = false;
    if (usesSrc) {
      Surface& ss = Target(*src);
      const P64 s0 = Dev(*src, xs, ys), s1 = Dev(*src, std::int64_t(xs) + ws, std::int64_t(ys) + hs);
      sx0 = s0.x;
      sy0 = s0.y;
      WS = s1.x - s0.x;
      HS = s1.y - s0.y;
      if (WS == 0 || HS == 0) return 1;
      // Surfaces of different ratios: the source stretched onto the
      // destination, smoothed where a plain colour copy grows.
      if (WS != W || HS != H) {
        stretch = true;
        smooth = t == 0xCC && !ss.mono() && !d.mono() && Ratio(*src) < Ratio(dc) && W > 0 && H > 0 &&
                 WS > 0 && HS > 0;
      }
      srcBack = PixelFromColor(src->bkColor_) & raster::kMask;
      sp = &ss;
      if (&ss == &d) {
        copy = ss;
        sp = &copy;
      }
    }
    const bool dMono = d.mono();
    const bool sMono = sp != nullptr && sp->mono();
    const std::uint32_t fore = MapColor(d, dc.textColor_), back = MapColor(d, dc.bkColor_);
    auto convert = [&](std::uint32_t v) -> std::uint32_t {
      if (sMono && !dMono) return v != 0 ? back : fore;
      if (!sMono && dMono) return v == srcBack ? raster::kMask : 0;
      return v;
    };
    // source coordinate of a destination pixel: floor(s0 + (2 (p - d0) + 1) ws / (2 w))
    auto mapX = [&](std::int64_t px) {
      if (!stretch) return sx0 + (px - dx0);
      const __int128 num = __int128(2 * (px - dx0) + 1) * WS;
      const __int128 den = __int128(2) * W;
      return std::int64_t(sx0 + raster::detail::FloorDiv128(den < 0 ? -num : num,
                                                             den < 0 ? -den : den));
    };
    auto mapY = [&](std::int64_t py) {
      if (!stretch) return sy0 + (py - dy0);
      const __int128 num = __int128(2 * (py - dy0) + 1) * HS;
      const __int128 den = __int128(2) * H;
      return std::int64_t(sy0 + raster::detail::FloorDiv128(den < 0 ? -num : num,
                                                             den < 0 ? -den : den));
    };
    // A plain copy between surfaces of one kind: the columns whose source
    // pixel exists, row by row.
    if (t == 0xCC && !stretch && sMono == dMono) {
      const std::int64_t a = std::max(rx0, dx0 - sx0), b = std::min(rx1, dx0 - sx0 + sp->width());
      if (b <= a) return 1;
      for (std::int64_t py = ry0; py < ry1; ++py) {
        const std::int64_t sy = sy0 + (py - dy0);
        if (sy < 0 || sy >= sp->height()) continue;
        std::uint32_t* dst = d.row(LONG(py)) + a;
        const std::uint32_t* src = sp->row(LONG(sy)) + (sx0 + a - dx0);
        for (std::int64_t k = 0; k < b - a; ++k) dst[k] = src[k] & raster::kMask;
      }
      return 1;
    }
    if (smooth) {
      SmoothCopy(d, *sp, {LONG(rx0), LONG(ry0), LONG(rx1), LONG(ry1)}, dx0, dy0, W, H, sx0, sy0, WS, HS);
      return 1;
    }
    std::vector<std::int64_t> colMap;
    if (usesSrc) {
      colMap.resize(std::size_t(rx1 - rx0));
      for (std::int64_t px = rx0; px < rx1; ++px) colMap[std::size_t(px - rx0)] = mapX(px);
    }
    for (std::int64_t py = ry0; py < ry1; ++py) {
      std::uint32_t* drow = d.row(LONG(py));
      const std::uint32_t* srow = nullptr;
      if (usesSrc) {
        const std::int64_t sy = mapY(py);
        if (sy < 0 || sy >= sp->height()) continue;
        srow = sp->row(LONG(sy));
      }
      for (std::int64_t px = rx0; px < rx1; ++px) {
        std::uint32_t S = 0;
        if (usesSrc) {
          const std::int64_t sx = colMap[std::size_t(px - rx0)];
          if (sx < 0 || sx >= sp->width()) continue;
          S = convert(srow[sx]);
        }
        const std::uint32_t P = usesPat ? PatternAt(dc, d, LONG(px), LONG(py)) : 0;
        std::uint32_t& D = drow[px];
        std::uint32_t v;
        switch (t) {
          case 0xCC: v = S; break;
          case 0x66: v = S ^ D; break;
          case 0x88: v = S & D; break;
          case 0xEE: v = S | D; break;
          case 0xF0: v = P; break;
          default: v = raster::Rop3(t, P, S, D); break;
        }
        D = v & raster::kMask;
      }
    }
    return 1;
  }
};

// ---------------------------------------------------------------- context

DC::DC() {
  defaultBitmap_ = new Bitmap;
  defaultBitmap_->surface_.Create(1, 1, true, 0);
  GdiRegistry::MarkStock(defaultBitmap_);
  GdiRegistry::Add(defaultBitmap_);
  defaultBitmap_->owner_ = this;
  bitmap_ = defaultBitmap_;
  pen_ = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  brush_ = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

DC::DC(WindowSurface& window) : window_(&window) {
  pen_ = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  brush_ = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

using SelectAccess = GdiRegistry;

DC::~DC() {
  SelectAccess::Release(pen_);
  SelectAccess::Release(brush_);
  if (bitmap_ != nullptr && bitmap_ != defaultBitmap_) {
    bitmap_->owner_ = nullptr;
    SelectAccess::Release(bitmap_);
  }
  if (defaultBitmap_ != nullptr) GdiRegistry::Destroy(defaultBitmap_);
  delete path_;
}

Surface& DC::GetSurface() { return DcImpl::Target(*this); }

double DC::GetPixelRatio() const { return DcImpl::Ratio(*this); }

HGDIOBJ DC::SelectObject(HGDIOBJ obj) {
  if (!GdiRegistry::Has(obj)) return nullptr;
  switch (obj->kind()) {
    case GdiKind::Pen: return SelectObject(static_cast<HPEN>(obj));
    case GdiKind::Brush: return SelectObject(static_cast<HBRUSH>(obj));
    case GdiKind::Bitmap: return SelectObject(static_cast<HBITMAP>(obj));
  }
  return nullptr;
}

HPEN DC::SelectObject(HPEN pen) {
  if (!GdiRegistry::Has(pen) || pen->kind() != GdiKind::Pen) return nullptr;
  HPEN prev = pen_;
  if (pen == prev) return prev;
  SelectAccess::Acquire(pen);
  pen_ = pen;
  styleState_ = 0;
  SelectAccess::Release(prev);
  return prev;
}

HBRUSH DC::SelectObject(HBRUSH brush) {
  if (!GdiRegistry::Has(brush) || brush->kind() != GdiKind::Brush) return nullptr;
  HBRUSH prev = brush_;
  if (brush == prev) return prev;
  SelectAccess::Acquire(brush);
  brush_ = brush;
  SelectAccess::Release(prev);
  return prev;
}

HBITMAP DC::SelectObject(HBITMAP bmp) {
  if (window_ != nullptr) return nullptr;
  if (!GdiRegistry::Has(bmp) || bmp->kind() != GdiKind::Bitmap) return nullptr;
  HBITMAP prev = bitmap_;
  if (bmp == prev) return prev;
  if (bmp->owner_ != nullptr && bmp->owner_ != this) return nullptr;
  bmp->owner_ = this;
  SelectAccess::Acquire(bmp);
  bitmap_ = bmp;
  if (prev != nullptr) {
    prev->owner_ = nullptr;
    SelectAccess::Release(prev);
  }
  return prev;
}

HGDIOBJ DC::SelectStockObject(int index) {
  HGDIOBJ o = GetStockObject(index);
  return o != nullptr ? SelectObject(o) : nullptr;
}

Font* DC::SelectFont(Font* font) {
  Font* prev = font_;
  font_ = font;
  return prev;
}

int DC::SetROP2(int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  const int prev = rop2_;
  rop2_ = mode;
  return prev;
}

int DC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  const int prev = bkMode_;
  bkMode_ = mode;
  return prev;
}

COLORREF DC::SetBkColor(COLORREF c) {
  const COLORREF prev = bkColor_;
  bkColor_ = c & 0xFFFFFF;
  return prev;
}

COLORREF DC::SetTextColor(COLORREF c) {
  const COLORREF prev = textColor_;
  textColor_ = c & 0xFFFFFF;
  return prev;
}

int DC::SetPolyFillMode(int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  const int prev = fillMode_;
  fillMode_ = mode;
  return prev;
}

UINT DC::SetTextAlign(UINT align) {
  const UINT prev = textAlign_;
  textAlign_ = align;
  return prev;
}

POINT DC::SetViewportOrg(LONG x, LONG y) {
  const POINT prev = org_;
  org_ = {x, y};
  return prev;
}

int DC::SelectClipRect(const RECT* r) {
  if (r == nullptr) {
    clipped_ = false;
    return SIMPLEREGION;
  }
  RECT c = *r;
  if (c.left > c.right) std::swap(c.left, c.right);
  if (c.top > c.bottom) std::swap(c.top, c.bottom);
  if (const double k = DcImpl::Ratio(*this); k != 1.0) {
    auto dev = [k](LONG v) {
      return LONG(std::clamp<std::int64_t>(DcImpl::Scaled(v, k), INT32_MIN, INT32_MAX));
    };
    c = {dev(c.left), dev(c.top), dev(c.right), dev(c.bottom)};
  }
  clipped_ = true;
  clip_ = c;
  return c.empty() ? NULLREGION : SIMPLEREGION;
}

int DC::IntersectClipRect(LONG l, LONG t, LONG r, LONG b) {
  const double k = DcImpl::Ratio(*this);
  auto dev = [k](std::int64_t v, LONG o) {
    return LONG(std::clamp<std::int64_t>(DcImpl::Scaled(v + o, k), INT32_MIN, INT32_MAX));
  };
  RECT c{dev(std::min(l, r), org_.x), dev(std::min(t, b), org_.y), dev(std::max(l, r), org_.x),
         dev(std::max(t, b), org_.y)};
  if (clipped_) {
    c.left = std::max(c.left, clip_.left);
    c.top = std::max(c.top, clip_.top);
    c.right = std::min(c.right, clip_.right);
    c.bottom = std::min(c.bottom, clip_.bottom);
    if (c.right < c.left) c.right = c.left;
    if (c.bottom < c.top) c.bottom = c.top;
  }
  clipped_ = true;
  clip_ = c;
  return c.empty() ? NULLREGION : SIMPLEREGION;
}

int DC::GetClipBox(RECT* out) const {
  const Box b = DcImpl::ClipBox(const_cast<DC&>(*this));
  if (out != nullptr) {
    // The logical pixels the physical box touches.
    const double k = DcImpl::Ratio(*this);
    auto lo = [k](LONG v, LONG o) { return LONG(k == 1.0 ? v : std::floor(v / k)) - o; };
    auto hi = [k](LONG v, LONG o) { return LONG(k == 1.0 ? v : std::ceil(v / k)) - o; };
    *out = {lo(b.x0, org_.x), lo(b.y0, org_.y), hi(b.x1, org_.x), hi(b.y1, org_.y)};
  }
  return b.empty() ? NULLREGION : SIMPLEREGION;
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

namespace {
// Logical points in device units.
std::vector<P64> DevicePoints(const DC& dc, const POINT* pts, int count) {
  std::vector<P64> out;
  out.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) out.push_back(DcImpl::Dev(dc, pts[i].x, pts[i].y));
  return out;
}

// The curve through the pieces as one thin chain, starting with `start` and
// ending on the last point exactly.
std::vector<P64> BezierChain(const P64& start, const std::vector<P64>& pts, const Box* near) {
  std::vector<P64> out{start};
  for (std::size_t i = 0; i + 2 < pts.size(); i += 3) {
    const std::vector<P64> c =
        DcImpl::PieceChainOf(DcImpl::PieceSamples(out.back(), pts[i], pts[i + 1], pts[i + 2]), near);
    out.insert(out.end(), c.begin() + 1, c.end());
  }
  return out;
}
}  // namespace

BOOL DC::PolyBezier(const POINT* pts, int count) {
  if (pts == nullptr || count < 1 || (count - 1) % 3 != 0) return 0;
  if (recording_) DcImpl::Record(*this, "PolyBezier", DcImpl::Pts(pts, count));
  const P64 start = DcImpl::Dev(*this, pts[0].x, pts[0].y);
  if (DcImpl::CurveHidden(*this, start, pts + 1, count - 1)) {
    styleState_ = 0;
    return 1;
  }
  if (DcImpl::Building(*this)) {
    DcImpl::PathMove(*this, start);
    DcImpl::PathCurve(*this, start, pts + 1, count - 1);
    return 1;
  }
  styleState_ = 0;
  Box near;
  DcImpl::DrawOpen(*this, BezierChain(start, DevicePoints(*this, pts + 1, count - 1),
                                      DcImpl::NearBox(*this, true, near) ? &near : nullptr));
  return 1;
}

BOOL DC::PolyBezierTo(const POINT* pts, int count) {
  if (pts == nullptr || count < 3 || count % 3 != 0) return 0;
  if (recording_) DcImpl::Record(*this, "PolyBezierTo", DcImpl::Pts(pts, count));
  const P64 start = DcImpl::Dev(*this, cur_.x, cur_.y);
  if (DcImpl::CurveHidden(*this, start, pts, count)) {
    cur_ = pts[count - 1];
    return 1;
  }
  if (DcImpl::Building(*this)) {
    DcImpl::PathCurve(*this, start, pts, count);
  } else {
    Box near;
    DcImpl::DrawOpen(*this, BezierChain(start, DevicePoints(*this, pts, count),
                                        DcImpl::NearBox(*this, true, near) ? &near : nullptr));
  }
  cur_ = pts[count - 1];
  return 1;
}

BOOL DC::Arc(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Arc", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  const std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  styleState_ = 0;
  DcImpl::DrawOpen(*this, DcImpl::ThinChain(DcImpl::Round(f), false));
  return 1;
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
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  const std::vector<P64> o{{a.x, a.y}, {c.x - 1, a.y}, {c.x - 1, c.y - 1}, {a.x, c.y - 1}};
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

BOOL DC::RoundRect(LONG l, LONG t, LONG r, LONG b, LONG w, LONG h) {
  DcImpl::Record(*this, "RoundRect", {{l, t}, {r, b}, {w, h}});
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  const double ew = std::min<double>(std::abs(double(w)), double(c.x - a.x));
  const double eh = std::min<double>(std::abs(double(h)), double(c.y - a.y));
  const double rx = std::max(0.0, (ew - 1) / 2.0), ry = std::max(0.0, (eh - 1) / 2.0);
  const double L = double(a.x), T = double(a.y), R = double(c.x - 1), B = double(c.y - 1);
  std::vector<PointF> f;
  const int k = std::clamp(int((rx + ry) * 1.6) + 2, 2, 1024);
  auto corner = [&](double cx, double cy, double a0) {
    for (int i = 0; i <= k; ++i) {
      const double an = a0 + M_PI / 2 * i / k;
      f.push_back({float(cx + rx * std::cos(an)), float(cy - ry * std::sin(an))});
    }
  };
  corner(R - rx, T + ry, 0);
  corner(L + rx, T + ry, M_PI / 2);
  corner(L + rx, B - ry, M_PI);
  corner(R - rx, B - ry, 3 * M_PI / 2);
  std::vector<P64> o = DcImpl::Round(f);
  if (o.size() > 1 && o.front().x == o.back().x && o.front().y == o.back().y) o.pop_back();
  o = DcImpl::ThinChain(o);
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

BOOL DC::Ellipse(LONG l, LONG t, LONG r, LONG b) {
  DcImpl::Record(*this, "Ellipse", {{l, t}, {r, b}});
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  const std::vector<P64> o = DcImpl::EllipseOutline(a.x, a.y, c.x, c.y);
  DcImpl::ClosedFigure(*this, o);
  return 1;
}

BOOL DC::Pie(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Pie", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  f.push_back({float(double(a.x + c.x - 1) / 2.0), float(double(a.y + c.y - 1) / 2.0)});
  styleState_ = 0;
  DcImpl::DrawClosed(*this, DcImpl::ThinChain(DcImpl::Round(f)));
  return 1;
}

BOOL DC::Chord(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4) {
  DcImpl::Record(*this, "Chord", {{l, t}, {r, b}, {x3, y3}, {x4, y4}});
  P64 a = DcImpl::Dev(*this, l, t), c = DcImpl::Dev(*this, r, b);
  DcImpl::Normalize(a.x, a.y, c.x, c.y);
  if (c.x - a.x < 1 || c.y - a.y < 1) return 1;
  const std::vector<PointF> f =
      DcImpl::ArcPoints(a.x, a.y, c.x, c.y, DcImpl::Dev(*this, x3, y3), DcImpl::Dev(*this, x4, y4));
  styleState_ = 0;
  DcImpl::DrawClosed(*this, DcImpl::ThinChain(DcImpl::Round(f)));
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

COLORREF DC::SetPixel(LONG x, LONG y, COLORREF c) {
  DcImpl::Record(*this, "SetPixel", {{x, y}}, 0, c);
  const Box box = DcImpl::ClipBox(*this);
  const P64 p = DcImpl::Dev(*this, x, y);
  if (p.x < box.x0 || p.x >= box.x1 || p.y < box.y0 || p.y >= box.y1) return CLR_INVALID;
  Surface& s = GetSurface();
  const std::uint32_t v = MapColor(s, c);
  // The physical pixels of the logical one (one at ratio 1).
  const P64 q = DcImpl::Dev(*this, std::int64_t(x) + 1, std::int64_t(y) + 1);
  const std::int64_t x1 = std::clamp<std::int64_t>(q.x, p.x + 1, box.x1);
  const std::int64_t y1 = std::clamp<std::int64_t>(q.y, p.y + 1, box.y1);
  for (std::int64_t yy = p.y; yy < y1; ++yy) std::fill(s.row(LONG(yy)) + p.x, s.row(LONG(yy)) + x1, v);
  return ColorFromPixel(v);
}

COLORREF DC::GetPixel(LONG x, LONG y) const {
  const Box box = DcImpl::ClipBox(const_cast<DC&>(*this));
  const P64 p = DcImpl::Dev(*this, x, y);
  if (p.x < box.x0 || p.x >= box.x1 || p.y < box.y0 || p.y >= box.y1) return CLR_INVALID;
  return ColorFromPixel(const_cast<DC&>(*this).GetSurface().row(LONG(p.y))[p.x]);
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

BOOL DC::BitBlt(LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, DWORD rop) {
  DcImpl::Record(*this, "BitBlt", {{x, y}, {w, h}, {xs, ys}}, rop);
  if (w < 0 || h < 0) return 0;
  return DcImpl::Blt(*this, x, y, w, h, src, xs, ys, w, h, rop, false);
}

BOOL DC::StretchBlt(LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, LONG ws, LONG hs,
                    DWORD rop) {
  DcImpl::Record(*this, "StretchBlt", {{x, y}, {w, h}, {xs, ys}, {ws, hs}}, rop);
  return DcImpl::Blt(*this, x, y, w, h, src, xs, ys, ws, hs, rop, true);
}

BOOL DC::PatBlt(LONG x, LONG y, LONG w, LONG h, DWORD rop) {
  DcImpl::Record(*this, "PatBlt", {{x, y}, {w, h}}, rop);
  const unsigned t = (rop >> 16) & 0xFF;
  if ((((t >> 2) ^ t) & 0x33) != 0) return 0;  // uses a source
  return DcImpl::Blt(*this, x, y, w, h, nullptr, 0, 0, w, h, rop, true);
}

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

void DC::StartRecording() { recording_ = true; }
void DC::StopRecording() { recording_ = false; }

HDC CreateCompatibleDC(HDC) { return new DC(); }

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr) return 0;
  delete dc;
  return 1;
}

}  // namespace plat
