// Logical fonts: realisation on an installed face, glyph outlines in the
// native outline format, glyph metrics, text metrics and extents.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/font_impl.h"

namespace plat {

void LOGFONT::SetFaceName(std::string_view name) {
  std::memset(lfFaceName, 0, sizeof(lfFaceName));
  std::memcpy(lfFaceName, name.data(), GbkPrefixLength(name, LF_FACESIZE - 1));
}

std::string LOGFONT::FaceName() const {
  return std::string(lfFaceName, strnlen(lfFaceName, sizeof(lfFaceName)));
}

namespace {

constexpr double kItalicShear = 0.2;  // x += 0.2 y for a face without an italic
constexpr double kMaxSize = 16384.0;   // pixels per em, and average width

// A 16.16 value as its 32-bit integer and back; on little-endian machines the
// value's bytes are that integer's.
std::int32_t Raw(FIXED f) {
  if constexpr (std::endian::native == std::endian::little) {
    std::int32_t v;
    std::memcpy(&v, &f, sizeof v);
    return v;
  } else {
    return FixedToLong(f);
  }
}
FIXED FromRaw(std::int32_t v) {
  FIXED f;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(static_cast<void*>(&f), &v, sizeof v);
  } else {
    f.fract = WORD(std::uint32_t(v) & 0xFFFF);
    f.value = std::int16_t(std::uint16_t(std::uint32_t(v) >> 16));
  }
  return f;
}

double Fx(FIXED f) { return FixedToDouble(f); }
// A glyph transform as the outline cache keys it; none is the identity.
void MatrixOf(const MAT2* mat, double m[4]) {
  m[0] = mat ? Fx(mat->eM11) : 1;
  m[1] = mat ? Fx(mat->eM21) : 0;
  m[2] = mat ? Fx(mat->eM12) : 0;
  m[3] = mat ? Fx(mat->eM22) : 1;
}

// Extremum of one coordinate of a quadratic segment.
void QuadExtremum(double p0, double c, double p1, double* lo, double* hi) {
  double d = p0 - 2 * c + p1;
  if (d == 0) return;
  double t = (p0 - c) / d;
  if (t <= 0 || t >= 1) return;
  double v = (1 - t) * (1 - t) * p0 + 2 * t * (1 - t) * c + t * t * p1;
  *lo = std::min(*lo, v);
  *hi = std::max(*hi, v);
}

// Running bounds of one coordinate, exact.
struct Span2 {
  std::int64_t lo = INT64_MAX, hi = INT64_MIN;
  void Add(std::int64_t v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
};

// Bounds are kept in halves of a 16.16 step: the implied on-points lie halfway
// between two points.
constexpr double kHalfSteps = 131072.0;

double Pixels(std::int64_t halves) { return double(halves) / kHalfSteps; }

void FillMetrics(const GlyphOutline& o, GLYPHMETRICS* gm) {
  if (!gm) return;
  if (o.empty) {
    gm->gmBlackBoxX = gm->gmBlackBoxY = 1;
    gm->gmptGlyphOrigin = POINT{0, 0};
  } else {
    LONG x0 = LONG(std::floor(o.xMin)), x1 = LONG(std::ceil(o.xMax));
    LONG y0 = LONG(std::floor(o.yMin)), y1 = LONG(std::ceil(o.yMax));
    gm->gmBlackBoxX = UINT(std::max<LONG>(1, x1 - x0));
    gm->gmBlackBoxY = UINT(std::max<LONG>(1, y1 - y0));
    gm->gmptGlyphOrigin = POINT{x0, y1};
  }
  gm->gmCellIncX = std::int16_t(std::lround(std::clamp(o.advX, -32768.0, 32767.0)));
  gm->gmCellIncY = std::int16_t(std::lround(std::clamp(o.advY, -32768.0, 32767.0)));
}

FontImpl* Realize(const LOGFONT& lf) {
  FaceTable& t = Faces();
  std::lock_guard lock(FontMutex());
  int famIndex = FindFamily(t, lf);
  if (famIndex < 0) return nullptr;
  const FontFamily& fam = t.families[famIndex];
  int m = PickMember(t, fam, lf.lfWeight, lf.lfItalic != 0);
  FaceFile& f = t.files[m];
  if (!OpenFace(f)) return nullptr;
  auto* impl = new FontImpl;
  impl->file = &f;
  impl->codePage = CodePageFromCharset(lf.lfCharSet);
  double cell = double(f.winAscent + f.winDescent);
  // Sizes are cut where 16.16 outlines would overflow.
  double h = std::min(std::fabs(double(lf.lfHeight)), kMaxSize);
  if (lf.lfHeight < 0) {
    impl->ppem = h;
  } else {
    impl->ppem = (lf.lfHeight == 0 ? 16.0 : h) * f.upem / cell;
  }
  impl->ppem = std::min(impl->ppem, kMaxSize);
  impl->sy = impl->ppem / f.upem;
  double w = std::min(std::fabs(double(lf.lfWidth)), kMaxSize);
  impl->sx = lf.lfWidth != 0 ? std::min(w / f.xAvgCharWidth, 4 * kMaxSize / f.upem) : impl->sy;
  LONG weight = lf.lfWeight > 0 ? lf.lfWeight : FW_NORMAL;
  impl->synBold = weight >= FW_SEMIBOLD && f.weight < FW_SEMIBOLD;
  impl->synItalic = lf.lfItalic && !f.italic;

  TEXTMETRIC& tm = impl->tm;
  tm.tmAscent = LONG(std::lround(f.winAscent * impl->sy));
  tm.tmDescent = LONG(std::lround(f.winDescent * impl->sy));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - LONG(std::lround(impl->ppem)));
  double ext = f.lineGap - ((f.winAscent + f.winDescent) - (f.hheaAscent - f.hheaDescent));
  tm.tmExternalLeading = LONG(std::lround(std::max(0.0, ext) * impl->sy));
  tm.tmAveCharWidth = LONG(std::lround(f.xAvgCharWidth * impl->sx));
  tm.tmMaxCharWidth = LONG(std::lround(f.maxAdvance * impl->sx));
  tm.tmWeight = impl->synBold ? weight : f.weight;
  tm.tmOverhang = 0;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  tm.tmCharSet = lf.lfCharSet;
  return impl;
}

}  // namespace

unsigned FontImpl::GlyphIndexOfChar(char32_t ch) const {
  if (ch == 0 || ch == 0xFFFF) return 0;
  std::lock_guard lock(FontMutex());
  return FT_Get_Char_Index(file->face, ch);
}

unsigned FontImpl::GlyphIndexOfCode(UINT code) const {
  {
    // A size query and the fetch that follows it ask for the same code.
    std::lock_guard lock(FontMutex());
    if (lastCodeKnown && code == lastCode) return lastCodeGlyph;
  }
  char32_t ch = FontCodeToChar(codePage, code);
  const unsigned glyph = GlyphIndexOfChar(ch);
  std::lock_guard lock(FontMutex());
  lastCode = code;
  lastCodeGlyph = glyph;
  lastCodeKnown = true;
  return glyph;
}

LONG FontImpl::Advance(unsigned glyph) const {
  std::lock_guard lock(FontMutex());
  FT_Fixed adv = 0;
  if (FT_Get_Advance(file->face, glyph, FT_LOAD_NO_SCALE, &adv) != 0) return 0;
  double a = double(adv) + (synBold ? file->upem / 24.0 : 0.0);
  return LONG(std::lround(a * sx));
}

namespace {

// A 16.16 value's integer as the FIXED's bytes.
inline void PutRaw(unsigned char* p, std::int32_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);
  } else {
    const FIXED f = FromRaw(v);
    std::memcpy(p, &f, sizeof f);
  }
}

struct RawPoint {
  std::int32_t x, y;
};

// A value the compiler takes as it comes: a condition made of it is worked
// out as a value rather than turned into branches.
template <class T>
inline T Opaque(T v) {
  asm("" : "+r"(v));
  return v;
}

// A point as the native buffer holds it.
inline std::uint64_t Packed(std::int32_t x, std::int32_t y) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::uint64_t(std::uint32_t(x)) | std::uint64_t(std::uint32_t(y)) << 32;
  } else {
    unsigned char b[8];
    PutRaw(b, x);
    PutRaw(b + 4, y);
    std::uint64_t v;
    std::memcpy(&v, b, sizeof v);
    return v;
  }
}

// A curve's type and a count of 1 as the native buffer holds them.
inline std::uint32_t CurveHead(WORD type) {
  const WORD w[2] = {type, 1};
  std::uint32_t v;
  std::memcpy(&v, w, sizeof v);
  return v;
}

// Four 32-bit lanes: x, y, ~x, ~y of a point, where the running minimum of
// each lane keeps the least x and y and (through ~, which reverses the order
// without overflow) the greatest.
typedef std::int32_t Lanes __attribute__((vector_size(16)));

inline Lanes LanesOf(std::int32_t x, std::int32_t y) { return Lanes{x, y, ~x, ~y}; }
// The same from the point as Packed gives it.
inline Lanes LanesOf(std::uint64_t packed, std::int32_t x, std::int32_t y) {
  if constexpr (std::endian::native == std::endian::little) {
    typedef std::uint64_t U2 __attribute__((vector_size(16)));
    return reinterpret_cast<Lanes>(U2{packed, packed}) ^ Lanes{0, 0, -1, -1};
  } else {
    return LanesOf(x, y);
  }
}

// Bit i set where lane i of a is below that of b.
inline unsigned Below(Lanes a, Lanes b) {
  const Lanes m = a < b;
#if defined(__SSE__)
  typedef float F4 __attribute__((vector_size(16)));
  return unsigned(__builtin_ia32_movmskps(reinterpret_cast<F4>(m)));
#else
  return unsigned(m[0] & 1) | unsigned(m[1] & 1) << 1 | unsigned(m[2] & 1) << 2 | unsigned(m[3] & 1) << 3;
#endif
}

// Font units to 16.16 by whole steps: exact products, saturated. The
// unsaturated form keeps whether a product left the 32-bit range; the outline
// is then made again with the saturated form.
struct WholeSteps {
  std::int64_t ix, iy;
  RawPoint operator()(const FT_Vector& v) const {
    return RawPoint{std::int32_t(std::clamp<std::int64_t>(std::int64_t(v.x) * ix, INT32_MIN, INT32_MAX)),
                    std::int32_t(std::clamp<std::int64_t>(std::int64_t(v.y) * iy, INT32_MIN, INT32_MAX))};
  }
};
struct UncutWholeSteps {
  std::int64_t ix, iy;
  mutable std::uint64_t spill = 0;  // bits above 32 set: a product did not fit
  RawPoint operator()(const FT_Vector& v) const {
    const std::int64_t x = std::int64_t(v.x) * ix, y = std::int64_t(v.y) * iy;
    spill |= (std::uint64_t(x) + 0x80000000u) | (std::uint64_t(y) + 0x80000000u);
    return RawPoint{std::int32_t(std::uint32_t(std::uint64_t(x))), std::int32_t(std::uint32_t(std::uint64_t(y)))};
  }
  bool Fits() const { return (spill >> 32) == 0; }
};
// The general transform, rounded and saturated.
struct Transformed {
  double xx, xy, yx, yy;
  RawPoint operator()(const FT_Vector& v) const {
    const double u = double(v.x), w = double(v.y);
    return RawPoint{Raw(FixedFromDouble(xx * u + xy * w)), Raw(FixedFromDouble(yx * u + yy * w))};
  }
};

// The contours of ol through map (FT_Vector -> RawPoint) written as the
// native buffer at out->bytes, with kBounds also the exact bounds. A contour starts at its
// first on-curve point (or, with none, halfway between its last and first
// points); a run of on-curve points is one line curve, a run of off-curve
// points with the on-curve point that ends it one spline, and a spline still
// open at the end closes at the start.
template <bool kBounds, class Map>
void BuildContours(const FT_Outline& ol, const Map& map, GlyphOutline* out) {
  // Contour starts and on-curve points met so far, 16.16, as lanes.
  Lanes on = {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
  Span2 impX, impY;  // implied on-points, halves
  double xLo = INFINITY, xHi = -INFINITY, yLo = INFINITY, yHi = -INFINITY;  // curve extrema
  unsigned char* o = out->bytes.get();
  const char* const tags = ol.tags;
  const FT_Vector* const pts = ol.points;
  // The pieces of a contour to look at again: walk position << 4 | the lanes
  // its control point lies outside of.
  thread_local std::vector<std::uint32_t> again;
  const std::size_t room = std::size_t(std::max<short>(ol.n_points, 0)) + 2;
  if (again.size() < room) again.resize(room);
  std::uint32_t* const pieces = again.data();
  const std::uint32_t heads[2] = {CurveHead(TT_PRIM_LINE), CurveHead(TT_PRIM_QSPLINE)};
  const Lanes masks[2] = {Lanes{0, 0, 0, 0}, Lanes{-1, -1, -1, -1}};
  int first = 0;
  for (int c = 0; c < ol.n_contours; ++c) {
    const int last = ol.contours[c];
    if (last < first || last >= ol.n_points) break;
    const int n = last - first + 1;
    if (n < 2) {
      first = last + 1;
      continue;
    }
    int s = first;
    while (s <= last && FT_CURVE_TAG(tags[s]) == FT_CURVE_TAG_CONIC) ++s;
    const bool allOff = s > last;
    RawPoint st;
    if (!allOff) {
      st = map(pts[s]);
    } else {
      // Only off-curve points: start at the implied point between the last and the first.
      const RawPoint a = map(pts[last]), b = map(pts[first]);
      st.x = Raw(FixedFromDouble((a.x / 65536.0 + b.x / 65536.0) / 2));
      st.y = Raw(FixedFromDouble((a.y / 65536.0 + b.y / 65536.0) / 2));
    }
    const Lanes start = LanesOf(st.x, st.y);
    on = on < start ? on : start;
    unsigned char* const head = o;
    o += sizeof(TTPOLYGONHEADER);
    // The walk, in one pass without branches on the kinds of the points, as
    // on and off-curve points alternate often. Each point goes out with the
    // type and count of a curve where it opens one (by its kind and the
    // kinds of the two before it; the start counts as on-curve and as ending
    // a curve before it): they are written where the point goes and stay
    // there only when it opens one. The bounds of the on-curve points so far
    // are kept; after each off-curve point a spline piece ends, at this
    // on-curve point or halfway to this off-curve one. A piece's extremum
    // lies at most halfway from its ends to its control point, so a control
    // point within the on-curve points met so far (a part of the final
    // bounds) cannot widen them: only pieces ending at an implied point or
    // with their control point outside are looked at again.
    unsigned char* curve = o;  // the open curve's type and count
    std::uint32_t count = 0;
    std::uint32_t k = 0;
    std::size_t np = 0;
    unsigned prevOff = 0, prevPrevOff = 1;
    Lanes before = start;  // the point before
    auto visit = [&](int i) {
      ++k;
      const RawPoint p = map(pts[i]);
      const unsigned isOff = Opaque(unsigned(FT_CURVE_TAG(tags[i]) == FT_CURVE_TAG_CONIC));
      const unsigned opens = Opaque(~prevOff & (isOff | prevPrevOff) & 1u);
      std::memcpy(o, &heads[isOff], 4);
      curve = opens ? o : curve;
      o += opens * 4;
      count = (count & (opens - 1)) + 1;
      const std::uint64_t packed = Packed(p.x, p.y);
      std::memcpy(o, &packed, sizeof packed);
      o += sizeof packed;
      const WORD cw = WORD(count);
      std::memcpy(curve + 2, &cw, sizeof cw);
      const unsigned wasOff = prevOff;
      prevPrevOff = prevOff;
      prevOff = isOff;
      if constexpr (kBounds) {
        // An off-curve point adds the start again, which changes nothing.
        const Lanes here = LanesOf(packed, p.x, p.y);
        const Lanes off = masks[isOff];
        const Lanes add = (here & ~off) | (start & off);
        on = on < add ? on : add;
        const unsigned q = Below(before, on);
        pieces[np] = k << 4 | q;
        np += wasOff & (isOff | unsigned(q != 0));
        before = here;
      }
    };
    if (!allOff) {
      for (int i = s + 1; i <= last; ++i) visit(i);
      for (int i = first; i < s; ++i) visit(i);
    } else {
      for (int i = first; i <= last; ++i) visit(i);
    }
    const std::uint32_t steps = k;
    if (prevOff) {
      // The open spline closes at the start.
      const std::uint64_t packed = Packed(st.x, st.y);
      std::memcpy(o, &packed, sizeof packed);
      o += sizeof packed;
      const WORD cw = WORD(count + 1);
      std::memcpy(curve + 2, &cw, sizeof cw);
    }
    if (kBounds && prevOff) {
      const unsigned q = Below(before, on);
      pieces[np] = (steps + 1) << 4 | q;
      np += q != 0;
    }
    // Walk position k: 0 and steps + 1 the start, else the k-th point walked.
    auto index = [&](std::uint32_t at) {
      return allOff ? first + int(at) - 1 : first + (s - first + int(at)) % n;
    };
    auto point = [&](std::uint32_t at) { return at == 0 || at > steps ? st : map(pts[index(at)]); };
    auto offCurve = [&](std::uint32_t at) {
      return at != 0 && at <= steps && FT_CURVE_TAG(tags[index(at)]) == FT_CURVE_TAG_CONIC;
    };
    // A piece from the point before its control point (halfway from it when
    // that is off-curve too) over the control point.
    for (std::size_t j = 0; j < np; ++j) {
      const std::uint32_t e = pieces[j] >> 4, q = pieces[j] & 15;
      const RawPoint p = point(e), ctl = point(e - 1);
      const bool implied = offCurve(e);
      const std::int64_t ex = implied ? std::int64_t(ctl.x) + p.x : std::int64_t(p.x) * 2;
      const std::int64_t ey = implied ? std::int64_t(ctl.y) + p.y : std::int64_t(p.y) * 2;
      if (implied) {
        impX.Add(ex);
        impY.Add(ey);
      }
      if (q == 0) continue;
      const RawPoint b = point(e - 2);
      const bool fromMid = offCurve(e - 2);
      if (q & 5) {
        const std::int64_t bx = fromMid ? std::int64_t(b.x) + ctl.x : std::int64_t(b.x) * 2;
        QuadExtremum(Pixels(bx), Pixels(std::int64_t(ctl.x) * 2), Pixels(ex), &xLo, &xHi);
      }
      if (q & 10) {
        const std::int64_t by = fromMid ? std::int64_t(b.y) + ctl.y : std::int64_t(b.y) * 2;
        QuadExtremum(Pixels(by), Pixels(std::int64_t(ctl.y) * 2), Pixels(ey), &yLo, &yHi);
      }
    }
    // A closing line back to the start is implied.
    const TTPOLYGONHEADER h{DWORD(o - head), TT_POLYGON_TYPE, POINTFX{FromRaw(st.x), FromRaw(st.y)}};
    std::memcpy(head, &h, sizeof h);
    first = last + 1;
  }
  out->size = std::size_t(o - out->bytes.get());
  out->empty = out->size == 0;
  out->bounded = kBounds;
  if (out->empty || !kBounds) {
    out->xMin = out->xMax = out->yMin = out->yMax = 0;
  } else {
    out->xMin = std::min({Pixels(std::int64_t(on[0]) * 2), Pixels(impX.lo), xLo});
    out->yMin = std::min({Pixels(std::int64_t(on[1]) * 2), Pixels(impY.lo), yLo});
    out->xMax = std::max({Pixels(std::int64_t(~on[2]) * 2), Pixels(impX.hi), xHi});
    out->yMax = std::max({Pixels(std::int64_t(~on[3]) * 2), Pixels(impY.hi), yHi});
  }
}

template <bool kBounds>
void BuildGlyphOutlineAs(const FT_Outline& ol, const double t[4], GlyphOutline* out) {
  const std::size_t np = std::size_t(std::max<short>(ol.n_points, 0));
  const std::size_t nc = std::size_t(std::max<short>(ol.n_contours, 0));
  // A contour gives its header, at most its points and the closing start,
  // and a curve's type and count for each of them.
  const std::size_t need = nc * (sizeof(TTPOLYGONHEADER) + 12) + np * 12;
  if (need > out->cap) {
    out->cap = std::max(need, 2 * out->cap);
    out->bytes = std::make_unique_for_overwrite<unsigned char[]>(out->cap);
  }
  const double xx = t[0], xy = t[1], yx = t[2], yy = t[3];
  // Without rotation or shear and with a whole number of 16.16 steps per font
  // unit (the usual sizes), a coordinate is an integer product: the rounding
  // of the general path has nothing to round and its saturation is a clamp.
  const double kx = xx * 65536.0, ky = yy * 65536.0;
  const bool whole = xy == 0 && yx == 0 && std::fabs(kx) < 2147483648.0 &&
                     std::fabs(ky) < 2147483648.0 && kx == std::trunc(kx) && ky == std::trunc(ky);
  if (whole) {
    const UncutWholeSteps uncut{std::int64_t(kx), std::int64_t(ky)};
    BuildContours<kBounds>(ol, uncut, out);
    if (!uncut.Fits()) BuildContours<kBounds>(ol, WholeSteps{std::int64_t(kx), std::int64_t(ky)}, out);
  } else {
    BuildContours<kBounds>(ol, Transformed{xx, xy, yx, yy}, out);
  }
}

}  // namespace

void BuildGlyphOutline(const FT_Outline& ol, const double t[4], GlyphOutline* out, bool bounds) {
  if (bounds) {
    BuildGlyphOutlineAs<true>(ol, t, out);
  } else {
    BuildGlyphOutlineAs<false>(ol, t, out);
  }
}

const GlyphOutline* FontImpl::Outline(unsigned glyph, const double m[4], bool bounds) const {
  std::lock_guard lock(FontMutex());
  if (glyph != 0 && glyph == lastGlyph && std::memcmp(m, lastM, sizeof lastM) == 0 &&
      (last.bounded || !bounds))
    return &last;
  lastGlyph = 0;
  GlyphOutline* out = &last;
  out->clear();
  FT_Face face = file->face;
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) != 0) return nullptr;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  FT_Outline& ol = slot->outline;
  double advance = double(slot->metrics.horiAdvance);
  if (synBold) {
    FT_Pos strength = std::max(1, file->upem / 24);
    FT_Outline_EmboldenXY(&ol, strength, 0);
    advance += double(strength);
  }
  // Font units -> pixels: scale, the shear of a synthetic italic, then m.
  double ax = sx, bx = synItalic ? kItalicShear * sy : 0.0, dy = sy;
  const double t[4] = {m[0] * ax, m[0] * bx + m[1] * dy, m[2] * ax, m[2] * bx + m[3] * dy};
  BuildGlyphOutline(ol, t, out, bounds);
  out->advX = m[0] * advance * sx;
  out->advY = m[2] * advance * sx;
  lastGlyph = glyph;
  std::memcpy(lastM, m, sizeof lastM);
  return out;
}

Font::Font(const LOGFONT& lf) : lf_(lf) { lf_.lfFaceName[LF_FACESIZE - 1] = '\0'; }

Font::~Font() { delete impl_; }

FontImpl* Font::impl() const {
  if (!tried_) {
    tried_ = true;
    impl_ = Realize(lf_);
  }
  return impl_;
}

bool Font::IsRealized() const { return impl() != nullptr; }

std::string Font::RealizedFamily() const {
  FontImpl* p = impl();
  return p ? p->file->english : std::string();
}

UINT Font::CodePage() const { return CodePageFromCharset(lf_.lfCharSet); }

DWORD Font::GetGlyphOutline(UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                            const MAT2* mat) const {
  if (gm) *gm = GLYPHMETRICS{};
  FontImpl* p = impl();
  return p ? OutlineOfGlyph(p->GlyphIndexOfCode(ch), format, gm, cbBuffer, buffer, mat) : GDI_ERROR;
}

DWORD Font::GetGlyphOutlineW(char32_t ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                             const MAT2* mat) const {
  if (gm) *gm = GLYPHMETRICS{};
  FontImpl* p = impl();
  return p ? OutlineOfGlyph(p->GlyphIndexOfChar(ch), format, gm, cbBuffer, buffer, mat) : GDI_ERROR;
}

DWORD Font::OutlineOfGlyph(unsigned glyph, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                         const MAT2* mat) const {
  FontImpl* p = impl();
  format &= ~GGO_UNHINTED;
  if (glyph == 0 || (format != GGO_NATIVE && format != GGO_METRICS)) return GDI_ERROR;
  double m[4];
  MatrixOf(mat, m);
  std::lock_guard lock(FontMutex());
  const GlyphOutline* po = p->Outline(glyph, m);
  if (!po) return GDI_ERROR;
  const GlyphOutline& o = *po;
  if (format == GGO_METRICS) {
    FillMetrics(o, gm);
    return 0;
  }
  const size_t need = o.size;
  if (need > 0xFFFFFFF0u) return GDI_ERROR;
  if (cbBuffer == 0 || buffer == nullptr) {
    FillMetrics(o, gm);
    return DWORD(need);
  }
  if (cbBuffer < need) return GDI_ERROR;
  if (need) std::memcpy(buffer, o.bytes.get(), need);
  FillMetrics(o, gm);
  return DWORD(need);
}

bool Font::WalkGlyphOutline(UINT ch, const MAT2* mat, NativeOutlineSink& sink) const {
  FontImpl* p = impl();
  if (!p) return false;
  // Held once for the whole walk.
  std::lock_guard lock(FontMutex());
  const unsigned glyph = p->GlyphIndexOfCode(ch);
  if (glyph == 0) return false;
  double m[4];
  MatrixOf(mat, m);
  const GlyphOutline* po = p->Outline(glyph, m, false);
  if (!po || po->size > 0xFFFFFFF0u) return false;
  sink.Native(po->bytes.get(), po->size);
  return true;
}

void Font::NativeOutlineSink::Native(const void* buffer, std::size_t size) {
  std::vector<NativeContour> contours;
  if (!ParseNativeOutline(buffer, size, &contours)) return;
  for (const NativeContour& c : contours) {
    Contour(c.start);
    for (const NativeCurve& cv : c.curves) Curve(cv.type, cv.points.data(), cv.points.size());
  }
}

bool Font::GetTextMetrics(TEXTMETRIC* tm) const {
  FontImpl* p = impl();
  if (!p || !tm) return false;
  *tm = p->tm;
  return true;
}

SIZE Font::GetTextExtent(std::string_view text) const {
  FontImpl* p = impl();
  if (!p) return SIZE{};
  LONG cx = 0;
  for (char32_t ch : FontDecode(p->codePage, text)) cx += p->Advance(p->GlyphIndexOfChar(ch));
  return SIZE{cx, p->tm.tmHeight};
}

Font* CreateFontIndirect(const LOGFONT& lf) { return new Font(lf); }

Font* CreateFont(LONG height, LONG width, LONG escapement, LONG orientation, LONG weight, BYTE italic,
                 BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                 BYTE quality, BYTE pitchAndFamily, std::string_view face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeOut;
  lf.lfCharSet = charSet;
  lf.lfOutPrecision = outPrecision;
  lf.lfClipPrecision = clipPrecision;
  lf.lfQuality = quality;
  lf.lfPitchAndFamily = pitchAndFamily;
  lf.SetFaceName(face);
  return new Font(lf);
}

void DeleteFont(Font* font) { delete font; }

bool ParseNativeOutline(const void* buffer, std::size_t size, std::vector<NativeContour>* out) {
  out->clear();
  if (!buffer) return size == 0;
  const auto* base = static_cast<const unsigned char*>(buffer);
  size_t pos = 0;
  while (pos < size) {
    if (size - pos < sizeof(TTPOLYGONHEADER)) return false;
    TTPOLYGONHEADER h;
    std::memcpy(&h, base + pos, sizeof(h));
    if (h.dwType != TT_POLYGON_TYPE || h.cb < sizeof(h) || h.cb > size - pos) return false;
    NativeContour c;
    c.start = h.pfxStart;
    size_t end = pos + h.cb;
    size_t q = pos + sizeof(h);
    while (q < end) {
      if (end - q < 4) return false;
      WORD w[2];
      std::memcpy(w, base + q, 4);
      q += 4;
      if (w[0] < TT_PRIM_LINE || w[0] > TT_PRIM_CSPLINE || w[1] == 0) return false;
      if ((end - q) / sizeof(POINTFX) < w[1]) return false;
      NativeCurve cv;
      cv.type = w[0];
      cv.points.resize(w[1]);
      std::memcpy(cv.points.data(), base + q, sizeof(POINTFX) * w[1]);
      q += sizeof(POINTFX) * w[1];
      c.curves.push_back(std::move(cv));
    }
    out->push_back(std::move(c));
    pos = end;
  }
  return true;
}

}  // namespace plat
