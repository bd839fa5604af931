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

POINTFX ToFx(double x, double y) { return POINTFX{FixedFromDouble(x), FixedFromDouble(y)}; }

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

size_t NativeSize(const GlyphOutline& o) {
  return o.contours.size() * sizeof(TTPOLYGONHEADER) + o.curves.size() * 4 + o.points.size() * sizeof(POINTFX);
}

void WriteNative(const GlyphOutline& o, unsigned char* out) {
  for (const auto& c : o.contours) {
    unsigned char* head = out;
    out += sizeof(TTPOLYGONHEADER);
    for (std::uint32_t k = c.first; k < c.first + c.count; ++k) {
      const auto& cv = o.curves[k];
      WORD w[2] = {cv.type, cv.count};
      std::memcpy(out, w, 4);
      out += 4;
      // Curves hold a few points: copied one by one rather than through a call.
      const POINTFX* p = &o.points[cv.first];
      for (WORD i = 0; i < cv.count; ++i, out += sizeof(POINTFX)) std::memcpy(out, p + i, sizeof(POINTFX));
    }
    TTPOLYGONHEADER h{DWORD(out - head), TT_POLYGON_TYPE, c.start};
    std::memcpy(head, &h, sizeof(h));
  }
}

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

const GlyphOutline* FontImpl::Outline(unsigned glyph, const double m[4]) const {
  std::lock_guard lock(FontMutex());
  if (glyph != 0 && glyph == lastGlyph && std::memcmp(m, lastM, sizeof lastM) == 0) return &last;
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
  const double xx = m[0] * ax, xy = m[0] * bx + m[1] * dy;
  const double yx = m[2] * ax, yy = m[2] * bx + m[3] * dy;
  // Without rotation or shear and with a whole number of 16.16 steps per font
  // unit (the usual sizes), a coordinate is an integer product: the rounding
  // of the general path has nothing to round and its saturation is a clamp.
  const double kx = xx * 65536.0, ky = yy * 65536.0;
  const bool whole = xy == 0 && yx == 0 && std::fabs(kx) < 2147483648.0 &&
                     std::fabs(ky) < 2147483648.0 && kx == std::trunc(kx) && ky == std::trunc(ky);
  const std::int64_t ix = std::int64_t(kx), iy = std::int64_t(ky);
  auto fixed = [](std::int64_t v) {
    return FromRaw(std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)));
  };
  out->advX = m[0] * advance * sx;
  out->advY = m[2] * advance * sx;

  const std::size_t np = std::size_t(std::max<short>(ol.n_points, 0));
  const std::size_t nc = std::size_t(std::max<short>(ol.n_contours, 0));
  // A contour gives at most its points and the closing start; every curve
  // holds a point.
  out->points.reserve(np + nc);
  out->curves.reserve(np + nc);
  out->contours.reserve(nc);
  Span2 onX, onY;  // contour starts and on-curve points, 16.16
  struct {
    Span2 x, y;
    void Add(std::int64_t a, std::int64_t b) {
      x.Add(a);
      y.Add(b);
    }
  } implied;  // implied on-points, halves
  double xLo = INFINITY, xHi = -INFINITY, yLo = INFINITY, yHi = -INFINITY;  // curve extrema
  auto build = [&](auto map) {
    std::vector<POINTFX>& P = out->points;
    std::vector<GlyphOutline::Curve>& C = out->curves;
    int first = 0;
    for (int c = 0; c < ol.n_contours; ++c) {
      int last = ol.contours[c];
      if (last < first || last >= ol.n_points) break;
      int n = last - first + 1;
      if (n < 2) {
        first = last + 1;
        continue;
      }
      int s = -1;
      for (int i = first; i <= last; ++i) {
        if (FT_CURVE_TAG(ol.tags[i]) != FT_CURVE_TAG_CONIC) {
          s = i;
          break;
        }
      }
      GlyphOutline::Contour con{};
      con.first = std::uint32_t(C.size());
      int steps;
      int from;
      if (s >= 0) {
        con.start = map(ol.points[s]);
        from = s + 1;
        steps = n - 1;
      } else {
        // Only off-curve points: start at the implied point between the last and the first.
        POINTFX a = map(ol.points[last]), b = map(ol.points[first]);
        con.start = POINTFX{FixedFromDouble((Fx(a.x) + Fx(b.x)) / 2), FixedFromDouble((Fx(a.y) + Fx(b.y)) / 2)};
        from = first;
        steps = n;
      }
      onX.Add(Raw(con.start.x));
      onY.Add(Raw(con.start.y));
      // The exact bounds as the points go by, in halves: `px`, `py` the last
      // on-curve or implied point, `cx`, `cy` the pending control point. A
      // piece's extremum lies at most halfway from its ends to its control
      // point, so a control point within the on-curve points met so far (a part
      // of the final bounds) cannot widen them and its piece is not solved.
      std::int64_t px = std::int64_t(Raw(con.start.x)) * 2, py = std::int64_t(Raw(con.start.y)) * 2;
      std::int64_t cx = 0, cy = 0;
      auto quad = [&](std::int64_t ex, std::int64_t ey) {
        // The piece from (px, py) over (cx, cy) to (ex, ey).
        if ((cx < onX.lo * 2) | (cx > onX.hi * 2)) [[unlikely]]
          QuadExtremum(Pixels(px), Pixels(cx), Pixels(ex), &xLo, &xHi);
        if ((cy < onY.lo * 2) | (cy > onY.hi * 2)) [[unlikely]]
          QuadExtremum(Pixels(py), Pixels(cy), Pixels(ey), &yLo, &yHi);
        px = ex, py = ey;
      };
      WORD type = 0;
      std::uint32_t opened = 0;  // first point of the open curve
      auto open = [&](WORD t) {
        if (C.size() > con.first) C.back().count = WORD(P.size() - opened);
        type = t;
        opened = std::uint32_t(P.size());
        C.push_back(GlyphOutline::Curve{t, 0, opened});
      };
      for (int k = 0, i = from > last ? first : from; k < steps; ++k, i = i == last ? first : i + 1) {
        const POINTFX p = map(ol.points[i]);
        const std::int64_t hx = std::int64_t(Raw(p.x)) * 2, hy = std::int64_t(Raw(p.y)) * 2;
        if (FT_CURVE_TAG(ol.tags[i]) != FT_CURVE_TAG_CONIC) {
          if (type == 0) open(TT_PRIM_LINE);
          P.push_back(p);
          onX.Add(Raw(p.x));
          onY.Add(Raw(p.y));
          if (type == TT_PRIM_QSPLINE) {
            quad(hx, hy);
            type = 0;  // the on-curve point ends the spline
          } else {
            px = hx, py = hy;
          }
        } else {
          if (type != TT_PRIM_QSPLINE) {
            open(TT_PRIM_QSPLINE);
          } else {
            const std::int64_t mx = (cx + hx) / 2, my = (cy + hy) / 2;  // implied on-point
            implied.Add(mx, my);
            quad(mx, my);
          }
          P.push_back(p);
          cx = hx, cy = hy;
        }
      }
      if (type == TT_PRIM_QSPLINE) {
        P.push_back(con.start);
        quad(std::int64_t(Raw(con.start.x)) * 2, std::int64_t(Raw(con.start.y)) * 2);
      }
      if (C.size() > con.first) C.back().count = WORD(P.size() - opened);
      // A closing line back to the start is implied.
      con.count = std::uint32_t(C.size()) - con.first;
      if (con.count > 0) out->contours.push_back(con);
      first = last + 1;
    }
  };
  if (whole) {
    build([&](const FT_Vector& v) {
      return POINTFX{fixed(std::int64_t(v.x) * ix), fixed(std::int64_t(v.y) * iy)};
    });
  } else {
    build([&](const FT_Vector& v) {
      const double u = double(v.x), w = double(v.y);
      return ToFx(xx * u + xy * w, yx * u + yy * w);
    });
  }
  out->empty = out->contours.empty();
  if (out->empty) {
    out->xMin = out->xMax = out->yMin = out->yMax = 0;
  } else {
    out->xMin = std::min({Pixels(onX.lo * 2), Pixels(implied.x.lo), xLo});
    out->xMax = std::max({Pixels(onX.hi * 2), Pixels(implied.x.hi), xHi});
    out->yMin = std::min({Pixels(onY.lo * 2), Pixels(implied.y.lo), yLo});
    out->yMax = std::max({Pixels(onY.hi * 2), Pixels(implied.y.hi), yHi});
  }
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
  double m[4] = {1, 0, 0, 1};
  if (mat) {
    m[0] = Fx(mat->eM11);
    m[1] = Fx(mat->eM21);
    m[2] = Fx(mat->eM12);
    m[3] = Fx(mat->eM22);
  }
  std::lock_guard lock(FontMutex());
  const GlyphOutline* po = p->Outline(glyph, m);
  if (!po) return GDI_ERROR;
  const GlyphOutline& o = *po;
  if (format == GGO_METRICS) {
    FillMetrics(o, gm);
    return 0;
  }
  size_t need = NativeSize(o);
  if (need > 0xFFFFFFF0u) return GDI_ERROR;
  if (cbBuffer == 0 || buffer == nullptr) {
    FillMetrics(o, gm);
    return DWORD(need);
  }
  if (cbBuffer < need) return GDI_ERROR;
  WriteNative(o, static_cast<unsigned char*>(buffer));
  FillMetrics(o, gm);
  return DWORD(need);
}

bool Font::WalkGlyphOutline(UINT ch, const MAT2* mat, NativeOutlineSink& sink) const {
  FontImpl* p = impl();
  if (!p) return false;
  const unsigned glyph = p->GlyphIndexOfCode(ch);
  if (glyph == 0) return false;
  double m[4] = {1, 0, 0, 1};
  if (mat) {
    m[0] = Fx(mat->eM11);
    m[1] = Fx(mat->eM21);
    m[2] = Fx(mat->eM12);
    m[3] = Fx(mat->eM22);
  }
  std::lock_guard lock(FontMutex());
  const GlyphOutline* po = p->Outline(glyph, m);
  if (!po || NativeSize(*po) > 0xFFFFFFF0u) return false;
  const GlyphOutline& o = *po;
  for (const auto& c : o.contours) {
    sink.Contour(c.start);
    for (std::uint32_t k = c.first; k < c.first + c.count; ++k)
      sink.Curve(o.curves[k].type, o.points.data() + o.curves[k].first, o.curves[k].count);
  }
  return true;
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
