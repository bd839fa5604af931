// The outline builder against the outline rules written out plainly: contours
// of curves of points gathered one by one, the buffer written from them, the
// bounds kept as the points go by.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/font_impl.h"

using namespace plat;

namespace {

struct Plain {
  std::vector<unsigned char> bytes;
  bool empty = true;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

void Extremum(double p0, double c, double p1, double* lo, double* hi) {
  const double d = p0 - 2 * c + p1;
  if (d == 0) return;
  const double t = (p0 - c) / d;
  if (t <= 0 || t >= 1) return;
  const double v = (1 - t) * (1 - t) * p0 + 2 * t * (1 - t) * c + t * t * p1;
  *lo = std::min(*lo, v);
  *hi = std::max(*hi, v);
}

struct Span {
  std::int64_t lo = INT64_MAX, hi = INT64_MIN;
  void Add(std::int64_t v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
};

double Px(std::int64_t halves) { return double(halves) / 131072.0; }

// A contour starts at its first on-curve point (with none, halfway between its
// last and first points); an on-curve point after a line goes on it, after a
// spline it ends the spline, else it opens a line; an off-curve point after a
// spline goes on it (with an implied on-point halfway to the last), else it
// opens one; a spline open at the end closes at the start. Contours of fewer
// than two points are left out; a contour end out of order stops. The bounds:
// the starts, the on-curve and the implied points, and the extremum of each
// spline piece whose control point lies outside the on-curve points so far.
Plain PlainOutline(const FT_Outline& ol, const double t[4]) {
  const double kx = t[0] * 65536.0, ky = t[3] * 65536.0;
  const bool whole = t[1] == 0 && t[2] == 0 && std::fabs(kx) < 2147483648.0 &&
                     std::fabs(ky) < 2147483648.0 && kx == std::trunc(kx) && ky == std::trunc(ky);
  auto map = [&](const FT_Vector& v) {
    if (whole) {
      auto fixed = [](std::int64_t w) {
        const auto r = std::uint32_t(std::int32_t(std::clamp<std::int64_t>(w, INT32_MIN, INT32_MAX)));
        FIXED f;
        f.fract = WORD(r & 0xFFFF);
        f.value = std::int16_t(std::uint16_t(r >> 16));
        return f;
      };
      return POINTFX{fixed(std::int64_t(v.x) * std::int64_t(kx)), fixed(std::int64_t(v.y) * std::int64_t(ky))};
    }
    const double u = double(v.x), w = double(v.y);
    return POINTFX{FixedFromDouble(t[0] * u + t[1] * w), FixedFromDouble(t[2] * u + t[3] * w)};
  };
  auto raw = [](FIXED f) { return std::int64_t(FixedToLong(f)); };
  struct Curve {
    WORD type;
    std::vector<POINTFX> points;
  };
  struct Contour {
    POINTFX start;
    std::vector<Curve> curves;
  };
  std::vector<Contour> contours;
  Span onX, onY, impX, impY;
  double xLo = INFINITY, xHi = -INFINITY, yLo = INFINITY, yHi = -INFINITY;
  int first = 0;
  for (int c = 0; c < ol.n_contours; ++c) {
    const int last = ol.contours[c];
    if (last < first || last >= ol.n_points) break;
    const int n = last - first + 1;
    if (n < 2) {
      first = last + 1;
      continue;
    }
    auto isOff = [&](int i) { return FT_CURVE_TAG(ol.tags[i]) == FT_CURVE_TAG_CONIC; };
    int s = first;
    while (s <= last && isOff(s)) ++s;
    Contour con;
    int steps, from;
    if (s <= last) {
      con.start = map(ol.points[s]);
      from = s + 1;
      steps = n - 1;
    } else {
      const POINTFX a = map(ol.points[last]), b = map(ol.points[first]);
      con.start = POINTFX{FixedFromDouble((FixedToDouble(a.x) + FixedToDouble(b.x)) / 2),
                          FixedFromDouble((FixedToDouble(a.y) + FixedToDouble(b.y)) / 2)};
      from = first;
      steps = n;
    }
    onX.Add(raw(con.start.x));
    onY.Add(raw(con.start.y));
    std::int64_t px = raw(con.start.x) * 2, py = raw(con.start.y) * 2, cx = 0, cy = 0;
    auto piece = [&](std::int64_t ex, std::int64_t ey) {
      if (cx < onX.lo * 2 || cx > onX.hi * 2) Extremum(Px(px), Px(cx), Px(ex), &xLo, &xHi);
      if (cy < onY.lo * 2 || cy > onY.hi * 2) Extremum(Px(py), Px(cy), Px(ey), &yLo, &yHi);
      px = ex, py = ey;
    };
    WORD type = 0;
    for (int k = 0, i = from > last ? first : from; k < steps; ++k, i = i == last ? first : i + 1) {
      const POINTFX p = map(ol.points[i]);
      const std::int64_t hx = raw(p.x) * 2, hy = raw(p.y) * 2;
      if (!isOff(i)) {
        if (type == 0) con.curves.push_back(Curve{type = TT_PRIM_LINE, {}});
        con.curves.back().points.push_back(p);
        onX.Add(raw(p.x));
        onY.Add(raw(p.y));
        if (type == TT_PRIM_QSPLINE) {
          piece(hx, hy);
          type = 0;
        } else {
          px = hx, py = hy;
        }
      } else {
        if (type != TT_PRIM_QSPLINE) {
          con.curves.push_back(Curve{type = TT_PRIM_QSPLINE, {}});
        } else {
          impX.Add((cx + hx) / 2);
          impY.Add((cy + hy) / 2);
          piece((cx + hx) / 2, (cy + hy) / 2);
        }
        con.curves.back().points.push_back(p);
        cx = hx, cy = hy;
      }
    }
    if (type == TT_PRIM_QSPLINE) {
      con.curves.back().points.push_back(con.start);
      piece(raw(con.start.x) * 2, raw(con.start.y) * 2);
    }
    contours.push_back(std::move(con));
    first = last + 1;
  }
  Plain out;
  auto put = [&](const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    out.bytes.insert(out.bytes.end(), b, b + n);
  };
  for (const Contour& con : contours) {
    const std::size_t head = out.bytes.size();
    out.bytes.resize(head + sizeof(TTPOLYGONHEADER));
    for (const Curve& cv : con.curves) {
      const WORD w[2] = {cv.type, WORD(cv.points.size())};
      put(w, sizeof w);
      put(cv.points.data(), cv.points.size() * sizeof(POINTFX));
    }
    const TTPOLYGONHEADER h{DWORD(out.bytes.size() - head), TT_POLYGON_TYPE, con.start};
    std::memcpy(out.bytes.data() + head, &h, sizeof h);
  }
  out.empty = contours.empty();
  if (!out.empty) {
    out.xMin = std::min({Px(onX.lo * 2), Px(impX.lo), xLo});
    out.xMax = std::max({Px(onX.hi * 2), Px(impX.hi), xHi});
    out.yMin = std::min({Px(onY.lo * 2), Px(impY.lo), yLo});
    out.yMax = std::max({Px(onY.hi * 2), Px(impY.hi), yHi});
  }
  return out;
}

// The builder's outline equals the plain one, bytes and bounds.
::testing::AssertionResult SameOutline(const FT_Outline& ol, const double t[4], GlyphOutline* built) {
  const Plain want = PlainOutline(ol, t);
  BuildGlyphOutline(ol, t, built);
  const std::vector<unsigned char> got(built->bytes.get(), built->bytes.get() + built->size);
  if (got != want.bytes) return ::testing::AssertionFailure() << "buffers differ";
  GlyphOutline unbounded;
  BuildGlyphOutline(ol, t, &unbounded, false);
  if (std::vector<unsigned char>(unbounded.bytes.get(), unbounded.bytes.get() + unbounded.size) != want.bytes)
    return ::testing::AssertionFailure() << "buffers without bounds differ";
  if (built->empty != want.empty || built->xMin != want.xMin || built->xMax != want.xMax ||
      built->yMin != want.yMin || built->yMax != want.yMax)
    return ::testing::AssertionFailure() << "bounds differ: " << built->xMin << " " << built->yMin << " "
                                         << built->xMax << " " << built->yMax << " for " << want.xMin
                                         << " " << want.yMin << " " << want.xMax << " " << want.yMax;
  return ::testing::AssertionSuccess();
}

// xx, xy, yx, yy: whole steps (SungtiL's unit, DejaVu's at 1024), a scale
// that is not, a turn, a slant, a mirror, and whole steps that overflow.
constexpr double kTransforms[][4] = {
    {1, 0, 0, 1}, {0.5, 0, 0, 0.5}, {1.024, 0, 0, 1.024}, {0.8, -0.6, 0.6, 0.8},
    {1, 0.2, 0, 1}, {-3, 0, 0, 2},  {4096, 0, 0, 4096},
};

FT_Face FaceOf(const Font& f) {
  FontImpl* p = f.impl();
  return p ? p->file->face : nullptr;
}

constexpr const char* kDejaVu = "DejaVu Sans";       // fonts-dejavu-core
constexpr const char* kSungGB = "AR PL SungtiL GB";  // fonts-arphic-gbsn00lp

LOGFONT Logical(const char* face, BYTE charSet) {
  LOGFONT lf;
  lf.lfHeight = -1024;
  lf.lfCharSet = charSet;
  lf.SetFaceName(face);
  return lf;
}

}  // namespace

// Every glyph of the test faces (simple and composite, lines and
// quadratic splines), unscaled as they are loaded, under each transform.
TEST(GlyphOutlineBuilder, EveryGlyphOfTheTestFacesAsThePlainRules) {
  for (const char* name : {kSungGB, kDejaVu}) {
    Font font(Logical(name, name == kSungGB ? GB2312_CHARSET : ANSI_CHARSET));
    if (font.RealizedFamily() != name) GTEST_SKIP() << name << " is not installed";
    FT_Face face = FaceOf(font);
    ASSERT_NE(face, nullptr);
    std::lock_guard lock(FontMutex());
    GlyphOutline built;
    long checked = 0;
    for (FT_Long g = 1; g < face->num_glyphs; ++g) {
      if (FT_Load_Glyph(face, FT_UInt(g), FT_LOAD_NO_SCALE) != 0) continue;
      const FT_Outline& ol = face->glyph->outline;
      for (const auto& t : kTransforms) ASSERT_TRUE(SameOutline(ol, t, &built)) << name << " glyph " << g;
      ++checked;
    }
    EXPECT_GT(checked, name == kSungGB ? 7000 : 3000) << name;
  }
}

// Outlines no face above has: what the walk must start, close, skip or stop at.
TEST(GlyphOutlineBuilder, DegenerateOutlinesAsThePlainRules) {
  constexpr char On = FT_CURVE_TAG_ON, Off = FT_CURVE_TAG_CONIC, Cubic = FT_CURVE_TAG_CUBIC;
  struct Case {
    const char* what;
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<short> ends;
  } cases[] = {
      {"no contours", {}, {}, {}},
      {"a lone point, then a triangle", {{5, 5}, {0, 0}, {100, 0}, {50, 80}}, {On, On, On, On}, {0, 3}},
      {"two points", {{0, 0}, {30, -40}}, {On, On}, {1}},
      {"only off-curve points, odd", {{0, 0}, {101, 0}, {50, 87}}, {Off, Off, Off}, {2}},
      {"only off-curve points, even", {{-7, -3}, {9, -3}, {9, 11}, {-7, 11}}, {Off, Off, Off, Off}, {3}},
      {"the only on-curve point last", {{0, 50}, {50, 0}, {0, -50}, {-50, 0}}, {Off, Off, Off, On}, {3}},
      {"runs of off-curve points, closing at the start",
       {{0, 0}, {10, 40}, {30, 45}, {50, 40}, {60, 0}, {70, -30}, {30, -60}},
       {On, Off, Off, Off, On, Off, Off},
       {6}},
      {"cubic controls count as on-curve",
       {{0, 0}, {20, 60}, {60, 60}, {80, 0}, {40, -20}},
       {On, Cubic, Cubic, On, Off},
       {4}},
      {"a contour end beyond the points stops", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {On, On, On, On}, {2, 9}},
      {"contour ends out of order stop",
       {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}},
       {On, On, Off, On, On},
       {3, 1}},
      {"a control point outside the points so far but not outside all",
       {{0, 0}, {50, 90}, {100, 0}, {0, 0}, {100, 0}, {50, 120}},
       {On, Off, On, On, On, On},
       {2, 5}},
      {"coordinates whose products overflow",
       {{-40000, 0}, {40000, 0}, {0, 32767}, {1, -32768}},
       {On, Off, On, Off},
       {3}},
  };
  GlyphOutline built;
  for (Case& c : cases) {
    FT_Outline ol{};
    ol.n_points = short(c.points.size());
    ol.n_contours = short(c.ends.size());
    ol.points = c.points.data();
    ol.tags = c.tags.data();
    ol.contours = c.ends.data();
    for (const auto& t : kTransforms) EXPECT_TRUE(SameOutline(ol, t, &built)) << c.what << " under " << t[0];
  }
}

// The GB2312 characters through the font: the native buffer and the walk
// give the plain outline of the face's glyph at its scale.
TEST(GlyphOutlineBuilder, Gb2312CharactersThroughTheFont) {
  Font font(Logical(kSungGB, GB2312_CHARSET));
  if (font.RealizedFamily() != kSungGB) GTEST_SKIP() << kSungGB << " is not installed";
  Font fetching(Logical(kSungGB, GB2312_CHARSET));
  FontImpl* p = font.impl();
  ASSERT_FALSE(p->synBold || p->synItalic);
  const double t[4] = {p->sx, 0, 0, p->sy};
  struct Writer : Font::NativeOutlineSink {
    std::vector<unsigned char> bytes;
    std::size_t head = 0;
    void Contour(const POINTFX& start) override {
      head = bytes.size();
      const TTPOLYGONHEADER h{0, TT_POLYGON_TYPE, start};
      Put(&h, sizeof h);
    }
    void Curve(WORD type, const POINTFX* pts, std::size_t n) override {
      const WORD w[2] = {type, WORD(n)};
      Put(w, sizeof w);
      Put(pts, n * sizeof(POINTFX));
      const DWORD cb = DWORD(bytes.size() - head);
      std::memcpy(bytes.data() + head, &cb, sizeof cb);
    }
    void Put(const void* q, std::size_t n) {
      const auto* b = static_cast<const unsigned char*>(q);
      bytes.insert(bytes.end(), b, b + n);
    }
  };
  int checked = 0;
  for (UINT lead = 0xB0; lead <= 0xF7; ++lead) {
    for (UINT trail = 0xA1; trail <= 0xFE; ++trail) {
      const UINT code = lead << 8 | trail;
      const unsigned glyph = p->GlyphIndexOfCode(code);
      if (glyph == 0) continue;
      Plain want;
      {
        std::lock_guard lock(FontMutex());
        ASSERT_EQ(FT_Load_Glyph(p->file->face, glyph, FT_LOAD_NO_SCALE), 0);
        want = PlainOutline(p->file->face->glyph->outline, t);
      }
      // Walked first (an outline without bounds), then fetched: the metrics
      // are those of a font that only fetches.
      Writer walked;
      ASSERT_TRUE(font.WalkGlyphOutline(code, nullptr, walked));
      ASSERT_EQ(walked.bytes, want.bytes) << std::hex << code;
      GLYPHMETRICS gm, fetched;
      const DWORD n = font.GetGlyphOutline(code, GGO_NATIVE, &gm, 0, nullptr, nullptr);
      ASSERT_EQ(n, want.bytes.size()) << std::hex << code;
      std::vector<unsigned char> got(n);
      ASSERT_EQ(font.GetGlyphOutline(code, GGO_NATIVE, &gm, n, got.data(), nullptr), n);
      ASSERT_EQ(got, want.bytes) << std::hex << code;
      ASSERT_EQ(fetching.GetGlyphOutline(code, GGO_NATIVE, &fetched, 0, nullptr, nullptr), n);
      ASSERT_EQ(gm.gmBlackBoxX, fetched.gmBlackBoxX) << std::hex << code;
      ASSERT_EQ(gm.gmBlackBoxY, fetched.gmBlackBoxY) << std::hex << code;
      ASSERT_EQ(gm.gmptGlyphOrigin.x, fetched.gmptGlyphOrigin.x) << std::hex << code;
      ASSERT_EQ(gm.gmptGlyphOrigin.y, fetched.gmptGlyphOrigin.y) << std::hex << code;
      ASSERT_EQ(gm.gmCellIncX, fetched.gmCellIncX) << std::hex << code;
      ++checked;
    }
  }
  EXPECT_GT(checked, 6700);
}
