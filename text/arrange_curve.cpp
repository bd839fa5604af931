// Characters on a circle: the shared cell placement, caret and page of the
// curved kinds, the arc and the arch.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/geomutil.h"
#include "model/pathpoints.h"
#include "model/services.h"
#include "platform/bytes.h"
#include "platform/dc.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/textattr.h"

namespace {

constexpr float kPi = 3.1415926f;
constexpr float kTwoPi = 6.283185f;
constexpr float kTwoPiHandle = 6.2831852f;

bool Finite(float v) { return std::isfinite(v); }

// The smallest a + k * period (k a whole number) at or above `floor`, without
// a loop: huge differences cost nothing.
float RaiseTo(float a, float floor, float period) {
  if (a >= floor) return a;
  float d = std::fmod(a - floor, period);  // in (-period, 0]
  if (d < 0.0f) d += period;
  const float r = floor + d;
  return r >= floor ? r : floor;
}

// The largest a - k * period at or below `ceiling`.
float LowerTo(float a, float ceiling, float period) {
  if (a <= ceiling) return a;
  float d = std::fmod(a - ceiling, period);  // in [0, period)
  if (d > 0.0f) d -= period;
  const float r = ceiling + d;
  return r <= ceiling ? r : ceiling;
}

// Text matrix then view matrix; the identity when neither.
CMatrix3 Through(const CMatrix3* text, const CMatrix3* view) {
  CMatrix3 m;
  if (text) m = *text;
  if (view) m.Multiply(*view);
  return m;
}

// XOR mode with the shared handle pen and no brush for a scope.
class HandleScope {
 public:
  explicit HandleScope(plat::DC* dc) : dc_(dc) {
    rop_ = dc->SetROP2(plat::R2_NOTXORPEN);
    pen_ = SharedTools().handlePen ? dc->SelectObject(SharedTools().handlePen) : nullptr;
    brush_ = dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  }
  ~HandleScope() {
    dc_->SelectObject(brush_);
    if (pen_) dc_->SelectObject(pen_);
    dc_->SetROP2(rop_);
  }
  HandleScope(const HandleScope&) = delete;
  HandleScope& operator=(const HandleScope&) = delete;

  void Square(const CMatrix3& m, CFPoint p) {
    m.TransformPoint(p);
    DrawHandleSquare(dc_, TruncToLong(p.x), TruncToLong(p.y), 3);
  }

 private:
  plat::DC* dc_;
  int rop_;
  plat::HPEN pen_;
  plat::HBRUSH brush_;
};

void DrawCircleArc(plat::DC* dc, const CMatrix3& m, CFPoint c, float r, float a0, float a1) {
  std::unique_ptr<CPathPointList> arc = MakeArcPointList(c.x - r, c.y - r, c.x + r, c.y + r, a0, a1);
  if (arc) arc->DrawOutlineWith(dc, &m);
}

bool NearPoint(CFPoint p, const CMatrix3* m, float x, float y, double tol) {
  if (m) m->TransformPoint(p);
  return std::fabs(double(x) - p.x) <= tol && std::fabs(double(y) - p.y) <= tol;
}

}  // namespace

// --- Shared -------------------------------------------------------------------

bool CCurveArrange::ParseNumber(const std::string& text, float& out) {
  const char* s = text.c_str();
  char* end = nullptr;
  const float v = std::strtof(s, &end);
  if (end == s || !Finite(v)) return false;
  while (*end == ' ') ++end;
  if (*end != '\0') return false;
  out = v;
  return true;
}

void CCurveArrange::SetNumber(CWindowServices* page, std::uint32_t id, float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", double(v));
  page->SetItemText(id, text);
}

CCurveArrange::CCurveArrange(std::uint8_t kindByte) : CTextArrange(kindByte) {
  tallest = DefaultTextAttr().sizeY;
}

std::unique_ptr<CMatrix3> CCurveArrange::CellMatrix(const CBoxChar& c, float lower) const {
  const float ratio = c.advanceRatio;
  CMatrix3 t;
  const bool upsideDown = (flags & ARRF_UPSIDE_DOWN) != 0;
  if (upsideDown) t = CMatrix3(-1, 0, 0, -1, 1024.0f * ratio, 1024.0f);
  float dy;
  switch (flags & ARRF_PLACEMENT) {
    case 2: dy = c.y; break;
    case 3: dy = c.y - c.sizeY / 2.0f; break;
    case 1: dy = upsideDown ? c.y - tallest : c.y - c.sizeY + tallest / 2.0f; break;
    default: dy = upsideDown ? c.y - tallest : c.y - c.sizeY; break;
  }
  const CMatrix3 p(c.sizeX / 1024.0f, 0, 0, c.sizeY / 1024.0f, c.x - c.sizeX * ratio / 2.0f,
                   dy - lower);
  t.Multiply(p);
  return std::make_unique<CMatrix3>(t);
}

std::unique_ptr<CMatrix3> CCurveArrange::CircleCharMatrix(const CBoxChar& c, CFPoint centre) const {
  std::unique_ptr<CMatrix3> m = CellMatrix(c, 0.0f);
  const float phi = 1.5707963f - VectorAngle(centre.x, centre.y, c.x, c.y);
  const float s = std::sin(phi), co = std::cos(phi);
  const CMatrix3 r(co, s, -s, co, (1.0f - co) * c.x + s * c.y, (1.0f - co) * c.y - s * c.x);
  m->Multiply(r);
  return m;
}

std::unique_ptr<CMatrix3> CCurveArrange::GetCharMatrixAt(int index) const {
  if (index < 0) return GetCharMatrix(nullptr);
  const CBoxChar* c = items ? items->CharAt(index) : nullptr;
  return c ? GetCharMatrix(c) : nullptr;
}

void CCurveArrange::PlaceChar(CBoxChar* c) {
  if (!c) return;
  std::unique_ptr<CMatrix3> m = GetCharMatrix(c);
  if (!m) return;
  CFRect cell(0.0f, 0.0f, 1024.0f * c->advanceRatio, 1024.0f);
  m->TransformRectBounds(cell);
  c->box = cell;
}

void CCurveArrange::PlaceChar(int index) {
  if (items) PlaceChar(items->CharAt(index));
}

CFPoint CCurveArrange::GetCaretLine(int index, int side, CFPoint* p1, CFPoint* p2) {
  if (index < 0) index = NextCharIndex(-1);
  const CBoxChar* c = items ? items->CharAt(index) : nullptr;
  std::unique_ptr<CMatrix3> m = c ? GetCharMatrix(c) : GetCharMatrix(nullptr);
  const float x = side || !c ? 0.0f : 1024.0f * c->advanceRatio;
  CFPoint a{x, 0.0f}, b{x, 1024.0f};
  if (m) {
    m->TransformPoint(a);
    m->TransformPoint(b);
  }
  if (p1) *p1 = a;
  if (p2) *p2 = b;
  return a;
}

void CCurveArrange::GetDefaultCaret(CFPoint* p1, CFPoint* p2, float, float) {
  std::unique_ptr<CMatrix3> m = GetCharMatrix(nullptr);
  CFPoint a{0.0f, 0.0f}, b{0.0f, 1024.0f};
  if (m) {
    m->TransformPoint(a);
    m->TransformPoint(b);
  }
  if (p1) *p1 = a;
  if (p2) *p2 = b;
}

int CCurveArrange::SideAtPoint(int index, float x, float y) {
  const CBoxChar* c = items ? items->CharAt(index) : nullptr;
  if (!c) return 1;
  std::unique_ptr<CMatrix3> m = GetCharMatrix(c);
  if (!m || !m->IsInvertible()) return 1;
  CFPoint p{x, y};
  m->CreateInverse()->TransformPoint(p);
  return p.x < 512.0f * c->advanceRatio ? 1 : 0;
}

int CCurveArrange::CaretFromPoint(int index, float x, float y, CFPoint* p1, CFPoint* p2) {
  const int side = SideAtPoint(index, x, y);
  GetCaretLine(index, side, p1, p2);
  return side;
}

int CCurveArrange::NavigateKey(std::uint32_t key, int index, int* side) {
  int s = side ? *side : 1;
  int result = index;
  switch (key) {
    case NAV_END: {
      int last = -1;
      for (int k = NextCharIndex(-1); k >= 0; k = NextCharIndex(k)) last = k;
      result = last;
      s = 0;
      break;
    }
    case NAV_HOME:
      result = NextCharIndex(-1);
      s = 1;
      break;
    case NAV_LEFT:
      if (s)
        result = PrevCharIndex(index);
      else
        s = 1;
      break;
    case NAV_RIGHT:
      if (s)
        s = 0;
      else
        result = NextCharIndex(index);
      break;
    default:
      break;
  }
  if (side) *side = s;
  return result;
}

CWindowServices* CCurveArrange::CreatePage(CWindowServices* parent) {
  if (!parent) return nullptr;
  const std::uint32_t id = GetPageId();
  CWindowServices* page = parent->CreateChildDialog(id);
  if (!page) return nullptr;
  page->MoveWindow(0, 0, page->GetClientRect().right, page->GetClientRect().bottom);
  page->Show(true);
  parent->SetText(PageTitle());
  page->SetUserData(std::intptr_t(id));
  return page;
}

void CCurveArrange::SetPageTitle(CWindowServices* page) {
  if (page) page->SetText(PageTitle());
}

void CCurveArrange::FillPage(CWindowServices* parent) {
  CWindowServices* page = parent ? parent->GetFirstChild() : nullptr;
  if (!page || page->GetUserData() != std::intptr_t(GetPageId())) return;
  static const std::uint32_t radios[4] = {IDC_ARR_PLACE_ON, IDC_ARR_PLACE_CENTRED,
                                          IDC_ARR_PLACE_HANG, IDC_ARR_PLACE_MIDDLE};
  const int placement = flags & ARRF_PLACEMENT;
  for (int i = 0; i < 4; ++i) page->CheckItem(radios[i], i == placement);
  page->CheckItem(IDC_ARR_FIT, (flags & ARRF_FIT) != 0);
  page->CheckItem(IDC_ARR_UPSIDE_DOWN, (flags & ARRF_UPSIDE_DOWN) != 0);
  page->CheckItem(IDC_ARR_REVERSE, (flags & ARRF_REVERSE) != 0);
  FillFields(page);
}

int CCurveArrange::ReadPage(CWindowServices* page) {
  if (!page) return 0;
  // The radio button rewrites the whole word; the boxes add their bits.
  std::uint16_t f = 0;
  if (page->IsItemChecked(IDC_ARR_PLACE_CENTRED))
    f = 1;
  else if (page->IsItemChecked(IDC_ARR_PLACE_HANG))
    f = 2;
  else if (page->IsItemChecked(IDC_ARR_PLACE_MIDDLE))
    f = 3;
  if (page->IsItemChecked(IDC_ARR_FIT)) f |= ARRF_FIT;
  if (page->IsItemChecked(IDC_ARR_UPSIDE_DOWN)) f |= ARRF_UPSIDE_DOWN;
  if (page->IsItemChecked(IDC_ARR_REVERSE)) f |= ARRF_REVERSE;
  flags = f;
  ReadFields(page);
  return 1;
}

void CCurveArrange::LayoutOnCircle(CFPoint centre, float radius, float a0, float a1) {
  if (!items) return;
  // Nothing can be placed on a circle without a usable radius or angles.
  if (!Finite(radius) || radius <= 0.0f || !Finite(centre.x) || !Finite(centre.y) || !Finite(a0) ||
      !Finite(a1))
    return;
  a1 = RaiseTo(a1, a0, kTwoPi);
  const float circumference = 2.0f * radius * kPi;
  tallest = 0.0f;
  for (CBoxItem* item : items->Items())
    if (item->IsChar() && static_cast<CBoxChar*>(item)->advanceRatio == 0.0f)
      static_cast<CBoxChar*>(item)->Measure(kind);

  float gap = 0.0f;
  if (flags & ARRF_FIT) {
    int n = 0;
    float sum = 0.0f, prev = 0.0f;
    for (CBoxItem* item : items->Items()) {
      if (!item->IsChar()) continue;
      const auto* c = static_cast<CBoxChar*>(item);
      const float w = c->sizeX * c->advanceRatio;
      if (n > 0) sum += prev / 2.0f + w / 2.0f;
      prev = w;
      ++n;
    }
    if (n > 1) gap = ((a1 - a0) * radius - sum) / float(n - 1);
  }

  const bool reverse = (flags & ARRF_REVERSE) != 0;
  float angle = reverse ? a1 : a0;
  float d = 0.0f, boxGap = 0.0f;
  bool first = true;
  for (CBoxItem* item : items->Items()) {
    if (item->IsCode()) {
      const auto* code = static_cast<CBoxCode*>(item);
      if (code->code == BOXC_BOX_GAP) boxGap = code->FloatValue();
      continue;
    }
    auto* c = static_cast<CBoxChar*>(item);
    tallest = std::max(tallest, c->sizeY);
    const float w = c->sizeX * c->advanceRatio;
    if (!first) {
      d += w / 2.0f + gap;
      const float turn = d / circumference * 2.0f * kPi;
      angle += reverse ? -turn : turn;
    }
    c->x = centre.x + radius * std::cos(angle);
    c->y = centre.y - radius * std::sin(angle);
    // Every pair of neighbours is a box gap apart, the first pair too.
    d = boxGap + w / 2.0f;
    first = false;
    c->flags |= BOXF_MOVED;
  }
}

// --- Arc ----------------------------------------------------------------------

CArcArrange::CArcArrange() : CCurveArrange(ARR_ARC) { tallest = 0.0f; }

CArcArrange::CArcArrange(float x1, float y1, float x2, float y2, CMatrix3* m, CBoxArray* it)
    : CCurveArrange(ARR_ARC) {
  matrix = m;
  items = it;
  flags = ARRF_FIT;
  radius = ArcCircleFromRect(x1, y1, x2, y2);
  centre.x = (x1 + x2) / 2.0f;
  if (y2 <= y1) {
    centre.y = y1 - radius;
    start = VectorAngle(centre.x, centre.y, x1, y1);
    end = VectorAngle(centre.x, centre.y, x2, y1);
  } else {
    flags |= ARRF_REVERSE;
    centre.y = y1 + radius;
    start = VectorAngle(centre.x, centre.y, x2, y2);
    end = VectorAngle(centre.x, centre.y, x1, y2);
  }
}

std::unique_ptr<CArcArrange> CArcArrange::FromRecord(const std::uint8_t* rec, std::size_t available) {
  if (!rec || available < kRecordSize || rec[0] != '5') return nullptr;
  const std::uint32_t length = plat::GetU32(rec + 1);
  if (length < kRecordSize || length > available) return nullptr;
  auto a = std::make_unique<CArcArrange>();
  a->radius = plat::GetF32(rec + 6);
  a->centre.x = plat::GetF32(rec + 10);
  a->centre.y = plat::GetF32(rec + 14);
  a->start = plat::GetF32(rec + 18);
  a->end = plat::GetF32(rec + 22);
  a->flags = plat::GetU16(rec + 26);
  a->reserved = plat::GetU32(rec + 28);
  a->tallest = plat::GetF32(rec + 32);
  if (!Finite(a->radius) || !Finite(a->centre.x) || !Finite(a->centre.y) || !Finite(a->start) ||
      !Finite(a->end) || !Finite(a->tallest))
    return nullptr;
  return a;
}

std::uint32_t CArcArrange::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, kRecordSize + 10);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[0] = '5';
    plat::PutU32(p + 1, kRecordSize);
    p[5] = ARR_ARC;
    plat::PutF32(p + 6, radius);
    plat::PutF32(p + 10, centre.x);
    plat::PutF32(p + 14, centre.y);
    plat::PutF32(p + 18, start);
    plat::PutF32(p + 22, end);
    plat::PutU16(p + 26, flags);
    plat::PutU32(p + 28, reserved);
    plat::PutF32(p + 32, tallest);
  }
  if (out)
    *out = h;
  else
    plat::GlobalFree(h);
  return kRecordSize;
}

CFPoint CArcArrange::PointAt(float a) const {
  return CFPoint{centre.x + radius * std::cos(a), centre.y - radius * std::sin(a)};
}

std::unique_ptr<CMatrix3> CArcArrange::GetCharMatrix(const CBoxChar* item) const {
  if (item) return CircleCharMatrix(*item, centre);
  CBoxChar def;
  const CTextAttr& d = DefaultTextAttr();
  def.sizeX = d.sizeX;
  def.sizeY = d.sizeY;
  const CFPoint o = DefaultOrigin();
  def.x = o.x;
  def.y = o.y;
  return CircleCharMatrix(def, centre);
}

void CArcArrange::Layout(int) {
  if (!Finite(start) || !Finite(end)) return;
  end = RaiseTo(end, start, kTwoPi);
  LayoutOnCircle(centre, radius, start, end);
}

void CArcArrange::DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) {
  if (!dc) return;
  const CMatrix3 m = Through(matrix, viewMatrix);
  HandleScope scope(dc);
  DrawCircleArc(dc, m, centre, radius, start, end);
  scope.Square(m, PointAt(start));
  scope.Square(m, PointAt(end));
  scope.Square(m, PointAt(MidAngle(start, end)));
}

int CArcArrange::HitTestHandle(CViewServices* view, float x, float y, int* handle) {
  const double tol = 3.0 * (view ? view->GetUnitsPerPixel() : 1.0);
  const CFPoint points[3] = {PointAt((start + end) / 2.0f), PointAt(start), PointAt(end)};
  for (int i = 0; i < 3; ++i) {
    if (NearPoint(points[i], matrix, x, y, tol)) {
      if (handle) *handle = i + 1;
      return 1;
    }
  }
  // On the arc between the ends: the bend handle.
  CFPoint p{x, y};
  if (matrix && !matrix->IsIdentity()) {
    if (!matrix->IsInvertible()) return 0;
    matrix->CreateInverse()->TransformPoint(p);
  }
  float a = VectorAngle(centre.x, centre.y, p.x, p.y);
  if (!Finite(a) || !Finite(start) || !Finite(end)) return 0;
  a = LowerTo(a, end, kTwoPiHandle);
  a = RaiseTo(a, start, kTwoPiHandle);
  if (a > start && a < end) {
    const CFPoint on = PointAt(a);
    if (PointDistance(on.x, on.y, p.x, p.y) < tol) {
      if (handle) *handle = 4;
      return 1;
    }
  }
  return 0;
}

int CArcArrange::MoveHandle(std::uint32_t, int handle, float x, float y, const CFPoint* point) {
  const CFPoint target = point ? *point : CFPoint{x, y};
  switch (handle) {
    case 1: {
      const float turn = VectorAngle(centre.x, centre.y, target.x, target.y) - (start + end) / 2.0f;
      start += turn;
      end += turn;
      break;
    }
    case 2: start = VectorAngle(centre.x, centre.y, target.x, target.y); break;
    case 3: end = VectorAngle(centre.x, centre.y, target.x, target.y); break;
    case 4: {
      const CFPoint a = PointAt(start), b = PointAt(end);
      CFPoint c;
      const float r = CircleFromThreePoints(a.x, a.y, target.x, target.y, b.x, b.y, &c);
      radius = r;
      centre = c;
      start = VectorAngle(c.x, c.y, a.x, a.y);
      end = RaiseTo(VectorAngle(c.x, c.y, b.x, b.y), start, kTwoPiHandle);
      const float dragged = RaiseTo(VectorAngle(c.x, c.y, target.x, target.y), start, kTwoPiHandle);
      if (dragged > end) std::swap(start, end);
      break;
    }
    default: return 0;
  }
  if (end - start > kTwoPiHandle) end -= kTwoPi;
  return 1;
}

void CArcArrange::OffsetBy(float dx, float dy) {
  centre.x += dx;
  centre.y += dy;
}

void CArcArrange::FillFields(CWindowServices* page) {
  SetNumber(page, IDC_ARC_START, start * 180.0f / kPi);
  SetNumber(page, IDC_ARC_END, end * 180.0f / kPi);
  SetNumber(page, IDC_ARC_RADIUS, radius);
}

void CArcArrange::ReadFields(CWindowServices* page) {
  float v = 0.0f;
  if (ParseNumber(page->GetItemText(IDC_ARC_RADIUS), v) && v > 0.0f) radius = v;
  if (ParseNumber(page->GetItemText(IDC_ARC_START), v)) start = v * kPi / 180.0f;
  if (ParseNumber(page->GetItemText(IDC_ARC_END), v)) end = v * kPi / 180.0f;
}

// --- Arch ---------------------------------------------------------------------

CArchArrange::CArchArrange() : CCurveArrange(ARR_ARCH) {}

CArchArrange::CArchArrange(float x1, float y1, float x2, float y2, CMatrix3* m, CBoxArray* it)
    : CCurveArrange(ARR_ARCH) {
  matrix = m;
  items = it;
  flags = ARRF_FIT;
  const float base = std::max(y1, y2);
  endA = CFPoint{x1, base};
  endB = CFPoint{x2, base};
  apex = CFPoint{(x1 + x2) / 2.0f, std::min(y1, y2)};
  if (y2 > y1) flags |= ARRF_REVERSE;
}

std::unique_ptr<CArchArrange> CArchArrange::FromRecord(const std::uint8_t* rec,
                                                       std::size_t available) {
  if (!rec || available < kRecordSize || rec[0] != '6') return nullptr;
  const std::uint32_t length = plat::GetU32(rec + 1);
  if (length < kRecordSize || length > available) return nullptr;
  auto a = std::make_unique<CArchArrange>();
  a->endA = CFPoint{plat::GetF32(rec + 6), plat::GetF32(rec + 10)};
  a->endB = CFPoint{plat::GetF32(rec + 14), plat::GetF32(rec + 18)};
  a->apex = CFPoint{plat::GetF32(rec + 22), plat::GetF32(rec + 26)};
  a->flags = plat::GetU16(rec + 30);
  a->tallest = plat::GetF32(rec + 36);
  for (float v : {a->endA.x, a->endA.y, a->endB.x, a->endB.y, a->apex.x, a->apex.y, a->tallest})
    if (!Finite(v)) return nullptr;
  return a;
}

std::uint32_t CArchArrange::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, kRecordSize + 10);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[0] = '6';
    plat::PutU32(p + 1, kRecordSize);
    p[5] = ARR_ARCH;
    plat::PutF32(p + 6, endA.x);
    plat::PutF32(p + 10, endA.y);
    plat::PutF32(p + 14, endB.x);
    plat::PutF32(p + 18, endB.y);
    plat::PutF32(p + 22, apex.x);
    plat::PutF32(p + 26, apex.y);
    plat::PutU16(p + 30, flags);
    plat::PutU32(p + 32, 0);
    plat::PutF32(p + 36, tallest);
  }
  if (out)
    *out = h;
  else
    plat::GlobalFree(h);
  return kRecordSize;
}

float CArchArrange::Circle(CFPoint* c) const {
  return CircleFromThreePoints(endA.x, endA.y, apex.x, apex.y, endB.x, endB.y, c);
}

std::unique_ptr<CMatrix3> CArchArrange::GetCharMatrix(const CBoxChar* item) const {
  CFPoint c;
  Circle(&c);
  if (item) return CircleCharMatrix(*item, c);
  CBoxChar def;
  const CTextAttr& d = DefaultTextAttr();
  def.sizeX = d.sizeX;
  def.sizeY = d.sizeY;
  def.x = endA.x;
  def.y = endA.y;
  return CircleCharMatrix(def, c);
}

void CArchArrange::Layout(int) {
  CFPoint c;
  const float r = Circle(&c);
  // The sweep runs over the top of the arch: from the end on its left as
  // seen from the centre.
  float a0, a1;
  if (apex.y > endA.y) {
    a0 = VectorAngle(c.x, c.y, endA.x, endA.y);
    a1 = VectorAngle(c.x, c.y, endB.x, endB.y);
  } else {
    a0 = VectorAngle(c.x, c.y, endB.x, endB.y);
    a1 = VectorAngle(c.x, c.y, endA.x, endA.y);
  }
  LayoutOnCircle(c, r, a0, a1);
}

void CArchArrange::DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) {
  if (!dc) return;
  const CMatrix3 m = Through(matrix, viewMatrix);
  HandleScope scope(dc);
  CFPoint c;
  const float r = Circle(&c);
  float a0 = VectorAngle(c.x, c.y, endA.x, endA.y), a1 = VectorAngle(c.x, c.y, endB.x, endB.y);
  if (apex.y <= endA.y) std::swap(a0, a1);
  if (Finite(a0) && Finite(a1)) DrawCircleArc(dc, m, c, r, a0, RaiseTo(a1, a0, kTwoPi));
  scope.Square(m, endA);
  scope.Square(m, endB);
  scope.Square(m, apex);
}

int CArchArrange::HitTestHandle(CViewServices* view, float x, float y, int* handle) {
  const double tol = 3.0 * (view ? view->GetUnitsPerPixel() : 1.0);
  const CFPoint points[3] = {endA, endB, apex};
  for (int i = 0; i < 3; ++i) {
    if (NearPoint(points[i], matrix, x, y, tol)) {
      if (handle) *handle = i + 1;
      return 1;
    }
  }
  if (handle) *handle = -1;
  return 0;
}

int CArchArrange::MoveHandle(std::uint32_t, int handle, float x, float y, const CFPoint*) {
  switch (handle) {
    case 1:
      endA = CFPoint{x, y};
      endB = CFPoint{2.0f * apex.x - x, y};
      return 1;
    case 2:
      endB = CFPoint{x, y};
      endA = CFPoint{2.0f * apex.x - x, y};
      return 1;
    case 3: apex.y = y; return 1;
    default: return 0;
  }
}

void CArchArrange::OffsetBy(float dx, float dy) {
  for (CFPoint* p : {&endA, &endB, &apex}) {
    p->x += dx;
    p->y += dy;
  }
}

void CArchArrange::FillFields(CWindowServices* page) {
  SetNumber(page, IDC_ARCH_HEIGHT, endA.y - apex.y);
  SetNumber(page, IDC_ARCH_WIDTH, std::fabs(endB.x - endA.x));
}

void CArchArrange::ReadFields(CWindowServices* page) {
  float w = 0.0f;
  if (ParseNumber(page->GetItemText(IDC_ARCH_WIDTH), w)) {
    endA.x = apex.x - w / 2.0f;
    endB.x = apex.x + w / 2.0f;
  }
  float h = 0.0f;
  if (ParseNumber(page->GetItemText(IDC_ARCH_HEIGHT), h) && h != 0.0f) apex.y = endA.y - h;
}
