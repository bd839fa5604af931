// Text output: glyph outlines flattened into polygons and filled through the
// device context.
#include "platform/text_out.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/font_impl.h"

namespace plat {
namespace {

Font* FontOf(HDC dc) {
  Font* f = dc ? dc->GetCurrentFont() : nullptr;
  return f ? f : GetDefaultFont();
}

// Cosine and sine of an escapement in tenths of a degree, exact for the
// right angles.
void Direction(LONG escapement, double* c, double* s) {
  LONG e = escapement % 3600;
  if (e < 0) e += 3600;
  switch (e) {
    case 0: *c = 1, *s = 0; return;
    case 900: *c = 0, *s = 1; return;
    case 1800: *c = -1, *s = 0; return;
    case 2700: *c = 0, *s = -1; return;
    default: {
      double a = e / 10.0 * std::numbers::pi / 180.0;
      *c = std::cos(a);
      *s = std::sin(a);
    }
  }
}

constexpr double kFlatness = 0.1;  // pixels between a curve and its chords

struct Polygons {
  std::vector<PointF> pts;
  std::vector<int> counts;
  double ox = 0, oy = 0;  // glyph origin, device
  double unit = 1;        // device units per glyph unit (glyphs at physical size)
  void add(double x, double y) {  // glyph coordinates, y up
    pts.push_back(PointF{float(ox + x * unit), float(oy - y * unit)});
    ++counts.back();
  }
  void quad(double x0, double y0, double cx, double cy, double x1, double y1) {
    double dx = x0 - 2 * cx + x1, dy = y0 - 2 * cy + y1;
    double dev = std::sqrt(dx * dx + dy * dy) / 4;
    int n = int(std::ceil(std::sqrt(dev / kFlatness)));
    n = n < 1 ? 1 : n > 64 ? 64 : n;
    for (int i = 1; i <= n; ++i) {
      double t = double(i) / n, u = 1 - t;
      add(u * u * x0 + 2 * u * t * cx + t * t * x1, u * u * y0 + 2 * u * t * cy + t * t * y1);
    }
  }
  void outline(const GlyphOutline& o) {
    auto fx = [](FIXED f) { return FixedToDouble(f); };
    double px = 0, py = 0;
    auto close = [&] {
      if (!counts.empty() && counts.back() < 3) {  // nothing to fill
        pts.resize(pts.size() - counts.back());
        counts.pop_back();
      }
    };
    const std::size_t before = counts.size();
    o.Walk(
        [&](const POINTFX& start) {
          if (counts.size() > before) close();
          counts.push_back(0);
          px = fx(start.x), py = fx(start.y);
          add(px, py);
        },
        [&](WORD type, const POINTFX* p, std::size_t count) {
          if (type != TT_PRIM_QSPLINE) {
            for (std::size_t i = 0; i < count; ++i) add(fx(p[i].x), fx(p[i].y));
            px = fx(p[count - 1].x), py = fx(p[count - 1].y);
            return;
          }
          for (std::size_t i = 0; i + 1 < count; ++i) {
            double cx = fx(p[i].x), cy = fx(p[i].y);
            double ex = fx(p[i + 1].x), ey = fx(p[i + 1].y);
            if (i + 2 < count) ex = (cx + ex) / 2, ey = (cy + ey) / 2;
            quad(px, py, cx, cy, ex, ey);
            px = ex, py = ey;
          }
        });
    if (counts.size() > before) close();
  }
};

}  // namespace

Font* GetDefaultFont() {
  static Font* font = [] {
    LOGFONT lf;
    lf.lfHeight = 16;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    return new Font(lf);  // lives for the process
  }();
  return font;
}

BOOL TextOut(HDC dc, LONG x, LONG y, std::string_view text) {
  if (!dc) return 0;
  Font* font = FontOf(dc);
  if (dc->IsRecording()) {
    DcCall call;
    call.op = "TextOut";
    call.points = {{x, y}};
    call.color = dc->GetTextColor();
    call.rop2 = dc->GetROP2();
    call.text = std::string(text);
    const LOGFONT& lf = font->GetLogFont();
    call.fontHeight = lf.lfHeight;
    call.fontWidth = lf.lfWidth;
    call.fontEscapement = lf.lfEscapement;
    call.fontWeight = lf.lfWeight;
    call.fontFace = lf.FaceName();
    dc->RecordCall(std::move(call));
  }
  FontImpl* p = font->impl();
  if (!p) return 0;
  const TEXTMETRIC& tm = p->tm;
  double c, s;
  Direction(font->GetLogFont().lfEscapement, &c, &s);
  // Outlines at the surface's physical size (a dense window's text is drawn
  // from the font at that size), placed in logical units.
  const double ratio = dc->GetPixelRatio();
  const double m[4] = {c * ratio, -s * ratio, s * ratio, c * ratio};  // rotation, y up

  std::lock_guard lock(FontMutex());
  std::vector<unsigned> glyphs;
  std::vector<LONG> advances;
  LONG total = 0;
  for (char32_t ch : FontDecode(p->codePage, text)) {
    unsigned g = p->GlyphIndexOfChar(ch);
    glyphs.push_back(g);
    advances.push_back(p->Advance(g));
    total += advances.back();
  }

  const UINT align = dc->GetTextAlign();
  POINT ref{x, y};
  if (align & TA_UPDATECP) ref = dc->GetCurrentPosition();
  double along = 0;
  if ((align & TA_CENTER) == TA_CENTER) {
    along = -total / 2.0;
  } else if (align & TA_RIGHT) {
    along = -double(total);
  }
  double up = -double(tm.tmAscent);  // TA_TOP
  if ((align & TA_BASELINE) == TA_BASELINE) {
    up = 0;
  } else if (align & TA_BOTTOM) {
    up = tm.tmDescent;
  }
  // Text space (a along the line, v up) to device.
  auto devX = [&](double a, double v) { return ref.x + a * c - v * s; };
  auto devY = [&](double a, double v) { return ref.y - (a * s + v * c); };
  const double bx = devX(along, up) - ref.x, by = devY(along, up) - ref.y;

  if (dc->GetBkMode() == OPAQUE && total > 0) {
    const double corners[4][2] = {{0, -double(tm.tmDescent)},
                                  {double(total), -double(tm.tmDescent)},
                                  {double(total), double(tm.tmAscent)},
                                  {0, double(tm.tmAscent)}};
    PointF cell[4];
    for (int i = 0; i < 4; ++i) {
      cell[i] = PointF{float(devX(corners[i][0], corners[i][1]) + bx), float(devY(corners[i][0], corners[i][1]) + by)};
    }
    int four = 4;
    dc->FillPolygonsF(cell, &four, 1, ALTERNATE, dc->GetBkColor());
  }

  Polygons polys;
  polys.unit = 1 / ratio;
  LONG pen = 0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (glyphs[i] != 0) {
      if (const GlyphOutline* o = p->Outline(glyphs[i], m, false)) {
        polys.ox = devX(pen, 0) + bx;
        polys.oy = devY(pen, 0) + by;
        polys.outline(*o);
      }
    }
    pen += advances[i];
  }
  if (!polys.counts.empty()) {
    dc->FillPolygonsF(polys.pts.data(), polys.counts.data(), int(polys.counts.size()), WINDING,
                      dc->GetTextColor(), true);
  }
  if (align & TA_UPDATECP) {
    dc->MoveTo(LONG(std::lround(devX(total, 0))), LONG(std::lround(devY(total, 0))));
  }
  return 1;
}

BOOL GetTextExtentPoint32(HDC dc, std::string_view text, SIZE* size) {
  if (!size) return 0;
  Font* font = FontOf(dc);
  if (!font->IsRealized()) return 0;
  *size = font->GetTextExtent(text);
  return 1;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) { return FontOf(dc)->GetTextMetrics(tm) ? 1 : 0; }

DWORD GetGlyphOutline(HDC dc, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cbBuffer, void* buffer,
                      const MAT2* mat) {
  return FontOf(dc)->GetGlyphOutline(ch, format, gm, cbBuffer, buffer, mat);
}

}  // namespace plat
