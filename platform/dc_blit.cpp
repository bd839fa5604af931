// Surfaces and bitmaps, and the block transfers between them.
#include "platform/dc_impl.h"

namespace plat {

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

// ---------------------------------------------------------------- block transfers

std::uint32_t DcImpl::PatternAt(DC& dc, const Surface& s, LONG x, LONG y) {
  const Brush* b = dc.brush_;
  if (b == nullptr || b->style() == BS_NULL) return 0;
  if (b->style() == BS_SOLID) return MapColor(s, b->color());
  return HatchBit(b->hatch(), x, y) ? MapColor(s, b->color()) : MapColor(s, dc.bkColor_);
}

void DcImpl::SmoothCopy(Surface& d, const Surface& s, const Box& out, std::int64_t dx0, std::int64_t dy0,
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

BOOL DcImpl::Blt(DC& dc, LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, LONG ws,
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

}  // namespace plat
