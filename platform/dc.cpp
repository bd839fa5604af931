// The device context: object selection, modes, clip box, origin and pixel
// ratio, single pixels and recording; the stock and drawing objects.
#include "platform/dc_impl.h"

namespace plat {

// ---------------------------------------------------------------- objects

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

void DC::StartRecording() { recording_ = true; }
void DC::StopRecording() { recording_ = false; }

HDC CreateCompatibleDC(HDC) { return new DC(); }

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr) return 0;
  delete dc;
  return 1;
}

}  // namespace plat
