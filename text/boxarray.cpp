#include "text/boxarray.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/palette.h"
#include "model/pathpoints.h"
#include "model/services.h"
#include "model/undoitems.h"
#include "platform/bytes.h"
#include "platform/dc.h"
#include "platform/report.h"
#include "text/glyphsource.h"
#include "text/textattr.h"

using plat::GetF32;
using plat::GetU16;
using plat::GetU32;
using plat::PutF32;
using plat::PutU16;
using plat::PutU32;

namespace {

constexpr float kPi = 3.1415926f;
constexpr float kEm = 1024.0f;

float Tan(float degrees) { return std::tan(degrees * kPi / 180.0f); }

bool IsSymbolRow(std::uint16_t code) {
  const unsigned lead = code >> 8, trail = code & 0xFF;
  return lead >= 0xA1 && lead <= 0xAF && trail >= 0xA1;
}

// Skew of x about y = cy and of y about x = cx (degrees).
CMatrix3 SkewAbout(float skewX, float skewY, float cx, float cy) {
  const float tx = Tan(skewX), ty = Tan(skewY);
  return CMatrix3(1.0f, ty, tx, 1.0f, -cy * tx, -cx * ty);
}

CMatrix3 RotateAbout(float degrees, float cx, float cy) {
  const float r = degrees * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  return CMatrix3(c, s, -s, c, cx - cx * c + cy * s, cy - cx * s - cy * c);
}

bool Finite(float v) { return std::isfinite(v); }

// Field visitors for the item records: one writes, one reads.
struct StoreField {
  std::uint8_t* out;
  void operator()(std::size_t at, std::uint16_t v) const { PutU16(out + at, v); }
  void operator()(std::size_t at, std::uint32_t v) const { PutU32(out + at, v); }
  void operator()(std::size_t at, float v) const { PutF32(out + at, v); }
};

struct LoadField {
  const std::uint8_t* rec;
  void operator()(std::size_t at, std::uint16_t& v) const { v = GetU16(rec + at); }
  void operator()(std::size_t at, std::uint32_t& v) const { v = GetU32(rec + at); }
  void operator()(std::size_t at, float& v) const { v = GetF32(rec + at); }
};

// Type, length and stored fields (with their offsets) of each item record.
template <class Item>
struct BoxRecord;

template <>
struct BoxRecord<CBoxCode> {
  static constexpr std::uint8_t kType = BOXREC_CODE;
  static constexpr std::uint32_t kSize = BOXREC_CODE_SIZE;
  template <class Code, class Visit>
  static void Fields(Code& c, const Visit& f) {
    f(5, c.kind);
    f(7, c.code);
    f(9, c.value);
    f(13, c.selector);
    f(17, c.third);
  }
};

template <>
struct BoxRecord<CBoxChar> {
  static constexpr std::uint8_t kType = BOXREC_CHAR;
  static constexpr std::uint32_t kSize = BOXREC_CHAR_SIZE;
  template <class Char, class Visit>
  static void Fields(Char& c, const Visit& f) {
    f(5, c.kind);
    f(7, c.sizeX);
    f(11, c.sizeY);
    f(15, c.extentX);
    f(19, c.extentY);
    f(23, c.advanceRatio);
    f(27, c.code);
    f(29, c.angle);
    f(33, c.skewX);
    f(37, c.skewY);
    f(41, c.box.left);
    f(45, c.box.top);
    f(49, c.box.right);
    f(53, c.box.bottom);
    f(57, c.x);
    f(61, c.y);
    f(65, c.color);
    f(69, c.fontId);
    f(71, c.reserved);
    f(73, c.flags);
  }
};

template <class Item>
std::uint32_t WriteItemRecord(const Item& item, std::uint8_t* out) {
  using R = BoxRecord<Item>;
  out[0] = R::kType;
  PutU32(out + 1, R::kSize);
  R::Fields(item, StoreField{out});
  return R::kSize;
}

// The fields as stored, the kind word too.
template <class Item>
std::unique_ptr<Item> ReadItemRecord(const std::uint8_t* rec) {
  auto item = std::make_unique<Item>();
  BoxRecord<Item>::Fields(*item, LoadField{rec});
  return item;
}

// A copy through the record: every stored field, nothing else.
template <class Item>
std::unique_ptr<CBoxItem> CopyThroughRecord(const Item& item) {
  std::uint8_t rec[BoxRecord<Item>::kSize];
  WriteItemRecord(item, rec);
  return ReadItemRecord<Item>(rec);
}

}  // namespace

// ---------------------------------------------------------------------------
// Items.

std::uint32_t CBoxItem::WriteRecord(std::uint8_t*) const { return 0; }

std::unique_ptr<CBoxCode> CBoxCode::MakeGap(std::uint16_t code, float mm) {
  auto item = std::make_unique<CBoxCode>();
  item->code = code;
  std::memcpy(&item->value, &mm, sizeof mm);
  return item;
}

float CBoxCode::FloatValue() const {
  float f;
  std::memcpy(&f, &value, sizeof f);
  return f;
}

std::unique_ptr<CBoxItem> CBoxCode::Clone() const { return CopyThroughRecord(*this); }

std::uint32_t CBoxCode::WriteRecord(std::uint8_t* out) const { return WriteItemRecord(*this, out); }

void CBoxCode::ApplyTo(CTextAttr& attr) const {
  switch (code) {
    case 1: attr.boxGap = FloatValue(); break;
    case 2: attr.lineGap = FloatValue(); break;
    case 4: attr.mode = 4; break;
    case 8: attr.mode = 8; break;
    case 16: attr.mode = 16; break;
    case BOXC_INDENT: attr.indentLevel = std::uint16_t(attr.indentLevel + 1); break;
    case BOXC_UNINDENT: attr.indentLevel = std::uint16_t(attr.indentLevel - 1); break;
    case 256:
    case 512:
    case 1024:
      if (selector)
        attr.mode = std::uint16_t(attr.mode | code);
      else
        attr.mode = std::uint16_t(attr.mode & ~code);
      break;
    default: break;
  }
}

std::unique_ptr<CBoxCode> CreateBoxCodeFromRecord(const std::uint8_t* rec, std::size_t available) {
  if (!rec || available < BOXREC_CODE_SIZE || rec[0] != BOXREC_CODE) return nullptr;
  auto c = ReadItemRecord<CBoxCode>(rec);
  // The record type decides the class: the kind word cannot say otherwise.
  c->kind = std::uint16_t(c->kind | BOX_KIND_CODE);
  return c;
}

// --- Characters -------------------------------------------------------------

CBoxChar::CBoxChar(std::uint16_t c, const CTextAttr& attr) { Make(0, c, attr, true); }

CBoxChar::CBoxChar(std::uint8_t languageId, std::uint16_t c, const CTextAttr& attr) {
  Make(languageId, c, attr, false);
}

namespace {

// The box of an outline's points in its own units, when they are finite.
struct PointBox {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool boxed = false;
};

}  // namespace

struct CBoxChar::KeptDraw {
  CMatrix3 matrix;
  plat::KeptStroke stroke;
  PointBox box;  // of the glyph, which stays while this is kept
  bool measured = false;
};

CBoxChar::CBoxChar() = default;
CBoxChar::~CBoxChar() = default;

void CBoxChar::Make(std::uint8_t lang, std::uint16_t c, const CTextAttr& attr, bool fromCode) {
  box = CFRect(-1.0f, -1.0f, -1.0f, -1.0f);
  code = c;
  sizeX = attr.sizeX;
  sizeY = attr.sizeY;
  auto take = [&](std::uint8_t id, bool doubleByte) {
    kind = std::uint16_t((doubleByte ? BOX_KIND_DOUBLE : 0) | id |
                         ((attr.FontTypeOf(id) & 0x0F) << 8));
    fontId = attr.FontIdOf(id);
  };
  if (fromCode) {
    if (c < 256) {
      take(0, false);
      flags = 0;
      return;
    }
    lang = attr.doubleByteLanguage;
    if (lang != 128 && lang != 129 && lang != 133 && lang != 134 && lang != 136) {
      kind = BOX_KIND_DOUBLE;
      fontId = 0;
      flags = 0;
      return;
    }
  }
  if (lang == 128 || lang == 129 || lang == 136) {
    take(lang, true);
    flags = fromCode ? 0 : attr.tmState;
  } else if (lang == 133 || lang == 134) {
    if (IsSymbolRow(c)) {
      take(133, true);
      flags = std::uint16_t(attr.tmState & ~BOXF_SIZE_MODE);
    } else {
      take(134, true);
      flags = fromCode ? 0 : attr.tmState;
    }
  } else {
    take(lang, false);
    flags = attr.tmState;
  }
}

// The cached outline and the font state stay behind.
std::unique_ptr<CBoxItem> CBoxChar::Clone() const { return CopyThroughRecord(*this); }

std::uint32_t CBoxChar::WriteRecord(std::uint8_t* out) const { return WriteItemRecord(*this, out); }

std::unique_ptr<CBoxChar> CBoxChar::FromRecord(const std::uint8_t* rec) {
  auto c = ReadItemRecord<CBoxChar>(rec);
  c->kind = std::uint16_t(c->kind & ~BOX_KIND_CODE);
  return c;
}

std::unique_ptr<CBoxChar> CreateBoxCharFromRecord(const std::uint8_t* rec, std::size_t available) {
  if (!rec || available < BOXREC_CHAR_SIZE || rec[0] != BOXREC_CHAR) return nullptr;
  return CBoxChar::FromRecord(rec);
}

std::unique_ptr<CBoxItem> CreateBoxItemFromRecord(const std::uint8_t* rec, std::size_t available) {
  if (!rec || available < 5) return nullptr;
  const std::uint32_t length = GetU32(rec + 1);
  if (length > available) return nullptr;
  if (rec[0] == BOXREC_CODE && length >= BOXREC_CODE_SIZE)
    return CreateBoxCodeFromRecord(rec, available);
  if (rec[0] == BOXREC_CHAR && length >= BOXREC_CHAR_SIZE)
    return CreateBoxCharFromRecord(rec, available);
  return nullptr;
}

bool CBoxChar::IsPunctuation() const {
  switch (code) {
    case 44: case 46: case 59: case 0xA1A2: case 0xA1A3: case 0xA1B1: case 0xA1B7:
    case 0xA3AC: case 0xA3AE: case 0xA3BB:
      return true;
    default:
      return false;
  }
}

float CBoxChar::BoxWidth() const {
  if (code >= 256) return sizeX;
  if (code == 13) return 0.0f;
  if (code == 32) return sizeX / 2.0f;
  return sizeX * advanceRatio;
}

void CBoxChar::Offset(float dx, float dy) {
  x += dx;
  box.left += dx;
  box.right += dx;
  y += dy;
  box.top += dy;
  box.bottom += dy;
}

void CBoxChar::SetBoxFromPosition(int variant) {
  const float w = BoxWidth();
  switch (variant) {
    case 0:
      box = CFRect(x, y - sizeY, x + w, y);
      break;
    case 1:
      box = CFRect(x - w, y - sizeY, x, y);
      break;
    case 2:
    case 3:
      if (code >= 256)
        box = CFRect(x, y, x + sizeX, y + sizeY);
      else
        box = CFRect(x, y, x + sizeY, y + w);
      break;
    default:
      break;
  }
}

namespace {

bool IsHalfWidthSymbol(std::uint16_t c) {
  switch (c) {
    case 0xA1A2: case 0xA1A3: case 0xA3A1: case 0xA3A8: case 0xA3A9: case 0xA3AC:
    case 0xA3AE: case 0xA3BA: case 0xA3BB:
      return true;
    default:
      return (c >= 0xA1AE && c <= 0xA1B7) || (c >= 0xA1BC && c <= 0xA1BF);
  }
}

}  // namespace

float CBoxChar::Measure(int variant) {
  if (advanceRatio == 0.0f) {
    if (code >= 256) {
      extentX = sizeX;
      extentY = sizeY;
      advanceRatio = 1.0f;
    } else if (code == 0 || code == 10 || code == 13) {
      sizeX = 0.0f;
      extentX = 0.0f;
      extentY = sizeY;
    } else if (code == 32) {
      extentX = sizeX / 2.0f;
      extentY = sizeY;
      advanceRatio = 0.5f;
    } else {
      GlyphMetrics gm;
      if (GetGlyphSource().GetMetrics(LanguageId(), fontId, code, gm) && gm.blackBoxX != 0) {
        extentX = float(gm.blackBoxX) * sizeX / kEm;
        extentY = float(gm.blackBoxY) * sizeY / kEm;
        advanceRatio = float(gm.advanceX) / kEm;
      } else {
        extentX = sizeX / 2.0f;
        extentY = sizeY;
        advanceRatio = 0.5f;
      }
    }
  }
  if (variant == 2 || variant == 3) return (code >= 256 ? sizeY : sizeX) * advanceRatio;
  float advance = sizeX * advanceRatio;
  if (kind == BOX_KIND_DOUBLE) {
    advanceRatio = 1.0f;
    advance = sizeX;
    if ((flags & BOXF_HALF_WIDTH) && IsHalfWidthSymbol(code)) {
      advance = sizeX / 2.0f;
      advanceRatio = 0.5f;
    }
  }
  if (advanceRatio == 0.0f) y = 0.0f;
  return advance;
}

// --- Glyphs -----------------------------------------------------------------

void CBoxChar::DropGlyph() {
  glyph_.reset();
  kept_.reset();
}

const CPathPointList* CBoxChar::FetchGlyph(std::unique_ptr<CPathPointList>& fresh,
                                           bool forDrawing) {
  CGlyphSource& source = GetGlyphSource();
  const int slot = source.FindSlot(LanguageId());
  if (slot < 0) return nullptr;
  if (glyph_) return glyph_.get();
  const std::uint8_t type = FontType();
  if (type == 0 && forDrawing && code <= 32) return nullptr;
  std::unique_ptr<CPathPointList> outline =
      source.GetOutline(type, LanguageId(), slot, fontId, code);
  if (!outline || !outline->points) return nullptr;
  if (IsDoubleByte()) {
    glyph_ = std::move(outline);
    return glyph_.get();
  }
  fresh = std::move(outline);
  return fresh.get();
}

const CPathPointList* CBoxChar::LoadGlyph() {
  if (glyph_) return glyph_.get();
  std::unique_ptr<CPathPointList> fresh;
  const CPathPointList* raw = FetchGlyph(fresh, false);
  if (fresh) glyph_ = std::move(fresh);
  return raw ? glyph_.get() : nullptr;
}

void CBoxChar::SetGlyph(std::unique_ptr<CPathPointList> glyph) {
  glyph_ = std::move(glyph);
  kept_.reset();
}

std::unique_ptr<CMatrix3> CBoxChar::GetGlyphMatrix(const CPathPointList* outline) const {
  CMatrix3 m;
  bool any = false;
  const int sizeMode = flags & BOXF_SIZE_MODE;
  if (code >= 256 && (sizeMode == 1 || sizeMode == 2) && outline && outline->hasBounds) {
    const CFRect& b = outline->bounds;
    const float w = b.right - b.left, h = b.bottom - b.top;
    // A flat axis has no extent to scale to: it stays unscaled.
    const bool hasW = w > 0.0f && Finite(w), hasH = h > 0.0f && Finite(h);
    const float sx = hasW ? kEm / w : 1.0f, sy = hasH ? kEm / h : 1.0f;
    if (sizeMode == 1) {
      float s = 1.0f;
      if (hasW && hasH)
        s = std::min(sx, sy);
      else if (hasW)
        s = sx;
      else if (hasH)
        s = sy;
      const float cx = (b.left + b.right) / 2.0f, cy = (b.top + b.bottom) / 2.0f;
      m = CMatrix3(s, 0.0f, 0.0f, s, 512.0f - cx * s, 512.0f - cy * s);
    } else {
      m = CMatrix3(sx, 0.0f, 0.0f, sy, -b.left * sx, -b.top * sy);
    }
    any = true;
  }
  if (skewX != 0.0f || skewY != 0.0f) {
    m.Multiply(SkewAbout(skewX, skewY, 512.0f * advanceRatio, 512.0f));
    any = true;
  }
  if (angle != 0.0f) {
    m.Multiply(RotateAbout(angle, 512.0f * advanceRatio, 512.0f));
    any = true;
  }
  if (!any) return nullptr;
  return std::make_unique<CMatrix3>(m);
}

std::unique_ptr<CMatrix3> CBoxChar::GetPlacementMatrix(int variant) const {
  CMatrix3 m;
  const float px = x + advanceRatio / 2.0f, py = y - sizeY / 2.0f;
  if (skewX != 0.0f || skewY != 0.0f) m.Multiply(SkewAbout(skewX, skewY, px, py));
  if (angle != 0.0f) m.Multiply(RotateAbout(angle, px, py));
  m.m00 = sizeX / kEm;
  m.m11 = sizeY / kEm;
  if (variant == 2 || variant == 3) {
    m.m20 = x;
    m.m21 = code >= 256 ? y : y - sizeY;
    if (code < 256) m.Multiply(CMatrix3(0.0f, 1.0f, -1.0f, 0.0f, x + y, y - x));
  } else {
    m.m20 = x;
    m.m21 = y - sizeY;
  }
  if (m.IsIdentity()) return nullptr;
  return std::make_unique<CMatrix3>(m);
}

const CPathPointList* CBoxChar::GlyphUnder(const CMatrix3* matrix,
                                           std::unique_ptr<CPathPointList>& fresh,
                                           CPathPointList* under) {
  const CPathPointList* raw = FetchGlyph(fresh, true);
  if (!raw) return nullptr;
  under->matrix = raw->matrix;
  under->bounds = raw->bounds;
  under->hasBounds = raw->hasBounds;
  if (std::unique_ptr<CMatrix3> gm = GetGlyphMatrix(raw)) under->Transform(gm.get());
  under->Transform(matrix);
  return raw;
}

std::unique_ptr<CPathPointList> CBoxChar::GetGlyphOutline(const CMatrix3* matrix) {
  std::unique_ptr<CPathPointList> fresh;
  CPathPointList under;
  const CPathPointList* raw = GlyphUnder(matrix, fresh, &under);
  if (!raw) return nullptr;
  std::unique_ptr<CPathPointList> result = fresh ? std::move(fresh) : raw->Clone();
  if (!result) return nullptr;
  result->matrix = under.matrix;
  result->bounds = under.bounds;
  result->hasBounds = under.hasBounds;
  return result;
}

std::unique_ptr<CPathPointList> CBoxChar::GetPlacedOutline(const CMatrix3* matrix, int variant) {
  std::unique_ptr<CPathPointList> fresh;
  const CPathPointList* raw = FetchGlyph(fresh, false);
  if (!raw) return nullptr;
  if (raw->hasBounds) {
    extentX = std::fabs(raw->bounds.right - raw->bounds.left) * sizeX / kEm;
    extentY = std::fabs(raw->bounds.bottom - raw->bounds.top) * sizeY / kEm;
  }
  std::unique_ptr<CPathPointList> result = fresh ? std::move(fresh) : raw->Clone();
  if (!result) return nullptr;
  if (std::unique_ptr<CMatrix3> pm = GetPlacementMatrix(variant)) result->Transform(pm.get());
  result->Transform(matrix);
  return result;
}

void CBoxChar::InvalidateBox(CViewServices* view, const CMatrix3* matrix) const {
  if (box.left == box.right || box.top == box.bottom) return;
  CViewServices* v = view ? view : GetActiveView();
  if (!v) return;
  CFRect r = box;
  if (matrix) matrix->TransformRectBounds(r);
  plat::RECT rc{TruncToLong(std::min(r.left, r.right)), TruncToLong(std::min(r.top, r.bottom)),
                TruncToLong(std::max(r.left, r.right) + 1.0f),
                TruncToLong(std::max(r.top, r.bottom) + 1.0f)};
  v->InvalidateRect(rc, true);
}

namespace {

// The whole-pixel move of every device coordinate (a truncated float sum of
// products and the matrix's offset) from offset t0 to t1, told from the
// range of the products alone: t1 - t0 is an integer k, and where every sum
// before and after the move lies within one binade of at most 2^22 (one
// sign, one spacing of which k is an even multiple) the rounding and the
// truncation move by k as well.
bool AxisMove(double lo, double hi, double err, float t0, float t1, std::int64_t& k) {
  auto plain = [](float t) { return t == 0.0f || (std::fabs(t) >= 0x1p-8f && std::fabs(t) < 0x1p22f); };
  if (!plain(t0) || !plain(t1)) return false;
  const double d = double(t1) - double(t0);  // exact for such offsets
  if (d != std::trunc(d)) return false;
  k = std::int64_t(d);
  double u = std::min(lo - err + t0, lo - err + t1), v = std::max(hi + err + t0, hi + err + t1);
  if (v < 0) {
    const double w = -u;
    u = -v, v = w;
  }
  if (!(u >= 1.0 && v < 0x1p22)) return false;
  const int e = std::ilogb(u);
  return v <= std::ldexp(1.0, e + 1) - std::ldexp(1.0, e - 23);
}

bool BoxMove(const PointBox& kept, const CMatrix3& from, const CMatrix3& to, plat::POINT* by) {
  if (!kept.boxed || from.m00 != to.m00 || from.m01 != to.m01 || from.m10 != to.m10 || from.m11 != to.m11 ||
      from.IsIdentity() || to.IsIdentity())
    return false;
  auto range = [&](double a, double b, double& lo, double& hi, double& err) {
    const double c[4] = {kept.x0 * a + kept.y0 * b, kept.x1 * a + kept.y0 * b, kept.x0 * a + kept.y1 * b,
                         kept.x1 * a + kept.y1 * b};
    lo = std::min({c[0], c[1], c[2], c[3]});
    hi = std::max({c[0], c[1], c[2], c[3]});
    // Two products and their sum, each rounded to single precision.
    err = (std::max(std::fabs(kept.x0), std::fabs(kept.x1)) * std::fabs(a) +
           std::max(std::fabs(kept.y0), std::fabs(kept.y1)) * std::fabs(b)) * 0x1p-21;
  };
  double lo, hi, err;
  std::int64_t kx, ky;
  range(from.m00, from.m10, lo, hi, err);
  if (!AxisMove(lo, hi, err, from.m20, to.m20, kx)) return false;
  range(from.m01, from.m11, lo, hi, err);
  if (!AxisMove(lo, hi, err, from.m21, to.m21, ky)) return false;
  *by = {plat::LONG(kx), plat::LONG(ky)};
  return true;
}

// The kept stroke set again through m: as it was, or moved by whole pixels
// (a scroll) when every point moves alike.
bool KeptFits(plat::DC& dc, const CPathPointList& outline, const CMatrix3& keptMatrix,
              const plat::KeptStroke& stroke, const PointBox& box, const CMatrix3& m) {
  if (std::memcmp(&keptMatrix, &m, sizeof m) == 0) return dc.StrokeKept(stroke);
  plat::POINT by{};
  if (BoxMove(box, keptMatrix, m, &by) || outline.DeviceShift(keptMatrix, m, &by))
    return dc.StrokeKept(stroke, by.x, by.y);
  return false;
}

// The box of the outline's points (those a stroke walks).
void KeepBox(const CPathPointList& outline, PointBox& kept) {
  pathrec::Records r(outline.points);
  kept.boxed = false;
  bool any = false;
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    if (r.p[i].flags >= PP_SPECIAL) continue;
    const double x = r.p[i].x, y = r.p[i].y;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!any) kept.x0 = kept.x1 = x, kept.y0 = kept.y1 = y, any = true;
    kept.x0 = std::min(kept.x0, x), kept.x1 = std::max(kept.x1, x);
    kept.y0 = std::min(kept.y0, y), kept.y1 = std::max(kept.y1, y);
  }
  kept.boxed = any;
}

}  // namespace

void CBoxChar::DrawWith(plat::DC* dc, const CPathPointList& outline, const CMatrix3& m,
                        bool filled, KeptDraw* kept) {
  // A pen of this kind already selected (the text's, held over its
  // characters) draws alike.
  const plat::HPEN current = dc->GetCurrentPen();
  const bool penThere = current && current->style() == plat::PS_SOLID && current->width() == 1 &&
                        current->color() == PackedRGBToColorRef(color);
  plat::HPEN pen = penThere ? nullptr : ThePaletteStore().CreateColorPen(color, plat::PS_SOLID, 1);
  plat::HPEN oldPen = pen ? dc->SelectObject(pen) : nullptr;
  plat::HBRUSH brush = nullptr, oldBrush = nullptr;
  if (filled) {
    brush = ThePaletteStore().CreateColorBrush(color, plat::BS_SOLID);
    if (brush) oldBrush = dc->SelectObject(brush);
    outline.DrawFilledThrough(dc, m);
  } else if (!kept) {
    outline.DrawOutlineThrough(dc, m);
  } else if (!(kept->stroke.IsKept() && KeptFits(*dc, outline, kept->matrix, kept->stroke, kept->box, m))) {
    kept->matrix = m;
    if (!kept->measured) KeepBox(outline, kept->box);
    kept->measured = true;
    outline.DrawOutlineThrough(dc, m, &kept->stroke);
  }
  // The old tools go back in before ours are deleted.
  if (brush) {
    dc->SelectObject(oldBrush);
    plat::DeleteObject(brush);
  }
  if (pen) {
    dc->SelectObject(oldPen);
    plat::DeleteObject(pen);
  }
}

void CBoxChar::Draw(plat::DC* dc, const CMatrix3* matrix) {
  flags = std::uint16_t(flags & ~BOXF_MOVED);
  if (!dc) return;
  // Straight from the kept outline through its matrix: nothing is copied. A
  // kept glyph's stroke keeps its pixels, set again while nothing changed.
  std::unique_ptr<CPathPointList> fresh;
  CPathPointList under;
  const CPathPointList* raw = GlyphUnder(matrix, fresh, &under);
  if (!raw) return;
  const bool filled = (flags & BOXF_FILLED) != 0;
  KeptDraw* kept = nullptr;
  if (!filled && raw == glyph_.get()) {
    if (!kept_) kept_ = std::make_unique<KeptDraw>();
    kept = kept_.get();
  }
  DrawWith(dc, *raw, under.matrix, filled, kept);
}

void CBoxChar::DrawPlaced(plat::DC* dc, const CMatrix3* matrix, int variant) {
  flags = std::uint16_t(flags & ~BOXF_MOVED);
  if (!dc) return;
  if (auto outline = GetPlacedOutline(matrix, variant)) DrawWith(dc, *outline, outline->matrix, false);
}

void CBoxChar::DrawPlacedFilled(plat::DC* dc, const CMatrix3* matrix, int variant) {
  flags = std::uint16_t(flags & ~BOXF_MOVED);
  if (!dc) return;
  if (auto outline = GetPlacedOutline(matrix, variant)) DrawWith(dc, *outline, outline->matrix, true);
}

// ---------------------------------------------------------------------------
// The array.

CBoxArray::~CBoxArray() { DeleteAll(); }

void CBoxArray::DeleteAll() {
  for (CBoxItem* item : items_) delete item;
  items_.clear();
}

CBoxItem* CBoxArray::GetAt(int index) const {
  return index >= 0 && index < GetSize() ? items_[std::size_t(index)] : nullptr;
}

CBoxChar* CBoxArray::CharAt(int index) const {
  CBoxItem* item = GetAt(index);
  return item && item->IsChar() ? static_cast<CBoxChar*>(item) : nullptr;
}

int CBoxArray::Add(CBoxItem* item) {
  if (!item) return -1;
  items_.push_back(item);
  return GetSize() - 1;
}

void CBoxArray::InsertAt(int index, CBoxItem* item) {
  if (!item) return;
  index = std::clamp(index, 0, GetSize());
  items_.insert(items_.begin() + index, item);
}

void CBoxArray::InsertArrayAt(int index, CBoxArray& other) {
  if (&other == this) return;
  index = std::clamp(index, 0, GetSize());
  items_.insert(items_.begin() + index, other.items_.begin(), other.items_.end());
  other.items_.clear();
}

int CBoxArray::IndexOf(const CBoxItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return int(i);
  return -1;
}

int CBoxArray::Remove(const CBoxItem* item) {
  for (int i = GetSize() - 1; i >= 0; --i) {
    if (items_[std::size_t(i)] == item) {
      items_.erase(items_.begin() + i);
      return i;
    }
  }
  return -1;
}

CBoxItem* CBoxArray::RemoveAt(int index) {
  CBoxItem* item = GetAt(index);
  if (item) items_.erase(items_.begin() + index);
  return item;
}

int CBoxArray::PrevCharIndex(int i) const {
  for (int k = std::min(i, GetSize()) - 1; k >= 0; --k)
    if (items_[std::size_t(k)]->IsChar()) return k;
  return i;
}

int CBoxArray::NextCharIndex(int i) const {
  if (i >= GetSize()) return -1;
  for (int k = std::max(i, -1) + 1; k < GetSize(); ++k)
    if (items_[std::size_t(k)]->IsChar()) return k;
  return -1;
}

CBoxItem* CBoxArray::FindFirst(int* index) const {
  for (int k = 0; k < GetSize(); ++k) {
    if (items_[std::size_t(k)]->IsSelected()) {
      if (index) *index = k;
      return items_[std::size_t(k)];
    }
  }
  if (index) *index = -1;
  return nullptr;
}

CBoxItem* CBoxArray::FindLast(int* index) const {
  for (int k = GetSize() - 1; k >= 0; --k) {
    if (items_[std::size_t(k)]->IsSelected()) {
      if (index) *index = k;
      return items_[std::size_t(k)];
    }
  }
  if (index) *index = -1;
  return nullptr;
}

float CBoxArray::GetTotalAdvance(int* count) const {
  float total = 0.0f;
  int n = 0;
  for (CBoxItem* item : items_) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    if (c->IsReturn()) continue;
    total += c->sizeX * c->advanceRatio;
    ++n;
  }
  if (count) *count = n;
  return total;
}

float CBoxArray::MeasureLine(float* total, float* largestSizeY, int* count, bool whole) const {
  float sum = 0.0f, tallest = 0.0f, prevHalf = 0.0f;
  int n = 0;
  for (CBoxItem* item : items_) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    if (c->IsReturn()) continue;
    const float advance = c->sizeX * c->advanceRatio;
    if (whole) {
      sum += advance;
    } else {
      if (n > 0) sum += prevHalf + advance / 2.0f;
      prevHalf = advance / 2.0f;
    }
    tallest = std::max(tallest, c->sizeY);
    ++n;
  }
  if (total) *total = sum;
  if (largestSizeY) *largestSizeY = tallest;
  if (count) *count = n;
  return sum;
}

int CBoxArray::ApplyTextAttr(CTextAttr& attr, std::uint32_t mask) {
  attr.currentFont = std::uint16_t(attr.currentFont % 4096);
  const std::uint8_t fontLang = std::uint8_t(attr.currentFont & 0xFF);
  for (CBoxItem* item : items_) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    if ((mask & 2) && c->LanguageId() == fontLang) {
      c->kind = std::uint16_t((c->kind & 0xF000) | attr.currentFont);
      c->fontId = attr.FontIdOf(fontLang);
      c->advanceRatio = 0.0f;
      c->DropGlyph();
    }
    if (mask & 1) {
      c->sizeX = attr.sizeX;
      c->sizeY = attr.sizeY;
      c->extentX = 0.0f;
      c->extentY = 0.0f;
    }
    if (mask & 4) c->angle = attr.angle;
    if (mask & 8) {
      c->skewX = attr.skewX;
      c->skewY = attr.skewY;
    }
  }
  return 1;
}

void CBoxArray::GetGapsAt(int index, CTextAttr& attr) const {
  const int end = std::min(index, GetSize());
  for (int k = 0; k < end; ++k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (!item->IsCode()) continue;
    auto* c = static_cast<CBoxCode*>(item);
    if (c->code == BOXC_BOX_GAP) attr.boxGap = c->FloatValue();
    if (c->code == BOXC_LINE_GAP) attr.lineGap = c->FloatValue();
  }
}

// --- Removals ---------------------------------------------------------------

void CBoxArray::Dispose(CBoxItem* item, int index) {
  CViewServices* view = GetActiveView();
  if (view && view->GetUndoRecordDepth() != 0 &&
      AppendUndo(view, std::make_unique<CUndoRemoveItem>(this, item, index)) >= 0)
    return;
  delete item;
}

bool CBoxArray::IsMaskedCode(const CBoxItem* item, std::uint16_t codeMask) const {
  return item && item->IsCode() &&
         (static_cast<const CBoxCode*>(item)->code & codeMask & ~BOXC_CLOSE) != 0;
}

void CBoxArray::RemoveCodesInRange(int first, int last, std::uint16_t codeMask) {
  first = std::max(first, 0);
  for (int k = std::min(GetSize(), last) - 1; k >= first; --k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (item->IsCode() && (static_cast<CBoxCode*>(item)->code & codeMask) != 0)
      Dispose(RemoveAt(k), k);
  }
}

void CBoxArray::RemoveRedundantGapCodes() {
  for (int k = 0; k < GetSize(); ++k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (!item->IsCode()) continue;
    const std::uint16_t code = static_cast<CBoxCode*>(item)->code;
    if (code != BOXC_BOX_GAP && code != BOXC_LINE_GAP) continue;
    for (int j = k + 1; j < GetSize(); ++j) {
      CBoxItem* next = items_[std::size_t(j)];
      if (next->IsChar()) break;
      if (static_cast<CBoxCode*>(next)->code == code) {
        Dispose(RemoveAt(k), k);
        --k;
        break;
      }
    }
  }
}

int CBoxArray::RemoveCodePairs(int& index, std::uint16_t codeMask) {
  int balance = 1;
  for (int k = index + 1; k >= 0 && k < GetSize(); ++k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (!IsMaskedCode(item, codeMask)) continue;
    balance += (static_cast<CBoxCode*>(item)->code & BOXC_CLOSE) ? -1 : 1;
    if (balance == 0) {
      Dispose(RemoveAt(k), k);
      return 1;
    }
  }
  return 0;
}

int CBoxArray::RemoveCodePairsBackward(int& index, std::uint16_t codeMask) {
  int balance = 1;
  for (int k = std::min(index, GetSize()) - 1; k >= 0; --k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (!IsMaskedCode(item, codeMask)) continue;
    balance += (static_cast<CBoxCode*>(item)->code & BOXC_CLOSE) ? 1 : -1;
    if (balance == 0) {
      Dispose(RemoveAt(k), k);
      --index;
      return 1;
    }
  }
  return 0;
}

void CBoxArray::RemovePairsInSelection(std::uint16_t codeMask) {
  int first = -1;
  if (!FindFirst(&first)) return;
  // From the nearest character at or before the first selected item.
  int k = first;
  while (k > 0 && !items_[std::size_t(k)]->IsChar()) --k;
  bool seenSelected = false;
  for (; k < GetSize(); ++k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (item->IsChar()) {
      // Indexes shift as pairs go: the walk ends at the first unselected
      // character after a selected one, not at a saved index.
      if (item->IsSelected())
        seenSelected = true;
      else if (seenSelected)
        break;
      continue;
    }
    if (!IsMaskedCode(item, codeMask)) continue;
    int at = k;
    if (static_cast<CBoxCode*>(item)->code & BOXC_CLOSE) {
      RemoveCodePairsBackward(at, codeMask);
    } else {
      RemoveCodePairs(at, codeMask);
    }
    Dispose(RemoveAt(at), at);
    k = at - 1;
  }
}

void CBoxArray::RemoveEmptyPairs(std::uint16_t codeMask) {
  for (int k = 0; k < GetSize(); ++k) {
    CBoxItem* item = items_[std::size_t(k)];
    if (!IsMaskedCode(item, codeMask) || (static_cast<CBoxCode*>(item)->code & BOXC_CLOSE))
      continue;
    int balance = 1, partner = -1;
    bool hasChar = false;
    for (int j = k + 1; j < GetSize(); ++j) {
      CBoxItem* next = items_[std::size_t(j)];
      if (next->IsChar()) {
        if (balance == 1) hasChar = true;
        continue;
      }
      if (!IsMaskedCode(next, codeMask)) continue;
      balance += (static_cast<CBoxCode*>(next)->code & BOXC_CLOSE) ? -1 : 1;
      if (balance == 0) {
        partner = j;
        break;
      }
    }
    if (hasChar) continue;
    if (partner >= 0) Dispose(RemoveAt(partner), partner);
    Dispose(RemoveAt(k), k);
    k = -1;  // the enclosing pairs may be empty now
  }
}

// --- Text -------------------------------------------------------------------

void CBoxArray::ExtractText(std::string& out) const { ExtractBoxText(out, *this); }

void ExtractBoxText(std::string& out, const CBoxArray& array) {
  for (CBoxItem* item : array.Items()) {
    if (!item->IsChar()) continue;
    const std::uint16_t code = static_cast<CBoxChar*>(item)->code;
    if (code >> 8) out.push_back(char(code >> 8));
    out.push_back(char(code & 0xFF));
  }
}

std::string CBoxArray::GetText() const {
  std::string s;
  ExtractText(s);
  return s;
}

void CBoxArray::AppendTextTo(std::string& out) const {
  ExtractText(out);
  for (CBoxItem* item : items_) {
    if (item->IsChar()) {
      out += "\r\n\r\n";
      return;
    }
  }
}

std::unique_ptr<CBoxArray> TextToBoxArray(const char* text) {
  auto array = std::make_unique<CBoxArray>();
  const CTextAttr& attr = DefaultTextAttr();
  for (std::uint16_t code : TextToCharCodes(text))
    array->Add(std::make_unique<CBoxChar>(code, attr));
  if (array->IsEmpty()) return nullptr;
  return array;
}

// --- Blocks -----------------------------------------------------------------

std::uint32_t CBoxArray::PackToGlobal(plat::HGLOBAL* out) const {
  if (items_.empty()) return 0;
  if (out) *out = 0;
  plat::GlobalBlock block(plat::GHND, kFirstBlock);
  if (!block) return 0;
  std::size_t limit = kFirstBlock - 100;
  std::size_t pos = 5;
  auto* p = static_cast<std::uint8_t*>(plat::GlobalLock(block.get()));
  if (!p) return 0;
  p[0] = BOXBLOCK_KIND;
  for (CBoxItem* item : items_) {
    pos += item->WriteRecord(p + pos);
    if (pos > limit) {
      plat::GlobalUnlock(block.get());
      const std::size_t size = limit + kGrowBy;
      if (!plat::GlobalReAlloc(block.get(), size, plat::GHND)) return 0;
      limit = size - 100;
      p = static_cast<std::uint8_t*>(plat::GlobalLock(block.get()));
      if (!p) return 0;
    }
  }
  p[pos] = BOXBLOCK_END;
  if (pos + 1 > 0xFFFFFFFFu) {
    plat::GlobalUnlock(block.get());
    return 0;
  }
  PutU32(p + 1, std::uint32_t(pos + 1));
  plat::GlobalUnlock(block.get());
  if (!plat::GlobalReAlloc(block.get(), pos + 11, plat::GHND)) return 0;
  if (out) *out = block.release();
  return std::uint32_t(pos + 1);
}

std::unique_ptr<CBoxArray> CBoxArray::UnpackFromBuffer(const std::uint8_t* block,
                                                       std::size_t size) {
  if (!block || size < 6 || block[0] != BOXBLOCK_KIND) return nullptr;
  const std::size_t total = std::min<std::size_t>(GetU32(block + 1), size);
  auto array = std::make_unique<CBoxArray>();
  std::size_t pos = 5;
  while (pos < total && block[pos] != BOXBLOCK_END) {
    std::unique_ptr<CBoxItem> item = CreateBoxItemFromRecord(block + pos, total - pos);
    if (!item) {
      plat::MessageBox("非法的CBoxArray数据结构!", "数据结构错", plat::MB_OK);
      break;
    }
    pos += GetU32(block + pos + 1);
    array->Add(std::move(item));
  }
  if (array->IsEmpty()) return nullptr;
  return array;
}

std::unique_ptr<CBoxArray> CBoxArray::UnpackFromGlobal(plat::HGLOBAL h) {
  plat::GlobalLockGuard guard(h);
  if (!guard) return nullptr;
  return UnpackFromBuffer(guard.bytes(), guard.size());
}

// ---------------------------------------------------------------------------
// Undo kinds.

CUndoRemoveItem::~CUndoRemoveItem() { delete m_item; }

int CUndoRemoveItem::Undo(CUndoView&) {
  if (m_array && m_item) {
    m_array->InsertAt(m_index, m_item);
    m_item = nullptr;
  }
  return 1;
}

int CUndoItemFlags::Undo(CUndoView&) {
  if (m_item) m_item->flags = m_flags;
  return 1;
}
