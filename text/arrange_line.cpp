// The straight arrangement: lines left to right (kind 0) or right to left
// (1), columns placed rightwards (2) or leftwards (3).
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/pathobject.h"
#include "model/services.h"
#include "model/shapebuilders.h"
#include "platform/bytes.h"
#include "platform/dc.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/textattr.h"

namespace {

// Width of a character's cell across a column.
float CellWidth(const CBoxChar* c) { return c->code >= 256 ? c->sizeX : c->sizeY; }

// Advance of a placed character along its column.
float ColumnAdvance(const CBoxChar* c) {
  return c->code >= 256 ? c->sizeY * c->advanceRatio : c->sizeX * c->advanceRatio;
}

bool IsIndentOpen(const CBoxCode* c) { return (c->code & 0x20) && !(c->code & BOXC_CLOSE); }
bool IsIndentClose(const CBoxCode* c) { return (c->code & 0x20) && (c->code & BOXC_CLOSE); }

struct Indent {
  float pos = 0.0f;
  bool set = false;
};

void ApplyRunning(const CBoxCode* c, CTextAttr& attr) {
  if (c->code == 16)
    attr.mode = std::uint16_t(attr.mode | 16);
  else
    c->ApplyTo(attr);
}

}  // namespace

// What a line needs of the lines before it.
struct LineState {
  CTextAttr attr;
  bool firstLine = true;
  float prevLine = 0.0f;   // baseline, or column x
  float prevWidth = 0.0f;  // width of the previous column
  std::vector<Indent> indents;
};

CLineArrange::CLineArrange(float ax1, float ay1, float ax2, float ay2, CMatrix3* m, CBoxArray* a)
    : x1(ax1), y1(ay1), x2(ax2), y2(ay2) {
  matrix = m;
  items = a;
}

std::unique_ptr<CLineArrange> CLineArrange::FromRecord(const std::uint8_t* rec,
                                                       std::size_t available) {
  if (!rec || available < kRecordSize || rec[0] < '1' || rec[0] > '4') return nullptr;
  const std::uint32_t length = plat::GetU32(rec + 1);
  if (length < kRecordSize || length > available) return nullptr;
  auto a = std::make_unique<CLineArrange>();
  a->kind = std::uint8_t(rec[0] - '1');
  a->x1 = plat::GetF32(rec + 6);
  a->y1 = plat::GetF32(rec + 10);
  a->x2 = plat::GetF32(rec + 14);
  a->y2 = plat::GetF32(rec + 18);
  return a;
}

std::uint32_t CLineArrange::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, 32);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[0] = std::uint8_t('1' + (kind & 3));
    plat::PutU32(p + 1, kRecordSize);
    p[5] = kind;
    plat::PutF32(p + 6, x1);
    plat::PutF32(p + 10, y1);
    plat::PutF32(p + 14, x2);
    plat::PutF32(p + 18, y2);
  }
  if (out)
    *out = h;
  else
    plat::GlobalFree(h);
  return kRecordSize;
}

void CLineArrange::PlaceChar(CBoxChar* c) {
  if (!c || !c->IsChar()) return;
  const float ox = c->x, oy = c->y, sx = c->sizeX, sy = c->sizeY, r = c->advanceRatio;
  const bool db = c->code >= 256;
  const float w = db ? sx : c->code == 13 ? 0.0f : c->code == 32 ? sx / 2.0f : sx * r;
  switch (kind) {
    case 0: c->box = CFRect(ox, oy - sy, ox + w, oy); break;
    case 1: c->box = CFRect(ox - w, oy - sy, ox, oy); break;
    default:
      if (db)
        c->box = CFRect(ox, oy, ox + sx, oy + sy);
      else
        c->box = CFRect(ox, oy, ox + sy,
                        c->code == 13 ? oy : c->code == 32 ? oy + sx / 2.0f : oy + sx * r);
      break;
  }
}

std::unique_ptr<CMatrix3> CLineArrange::GetCharMatrix(const CBoxChar* c) const {
  if (!c) return nullptr;
  const float a = c->sizeX / 1024.0f, d = c->sizeY / 1024.0f;
  switch (kind) {
    case 0: return std::make_unique<CMatrix3>(a, 0.0f, 0.0f, d, c->x, c->y - c->sizeY);
    case 1:
      return std::make_unique<CMatrix3>(a, 0.0f, 0.0f, d, c->x - c->sizeX * c->advanceRatio,
                                        c->y - c->sizeY);
    default: {
      if (c->code >= 256) return std::make_unique<CMatrix3>(a, 0.0f, 0.0f, d, c->x, c->y);
      auto m = std::make_unique<CMatrix3>(a, 0.0f, 0.0f, d, c->x, c->y - c->sizeY);
      m->Multiply(CMatrix3(0.0f, 1.0f, -1.0f, 0.0f, c->x + c->y, c->y - c->x));
      return m;
    }
  }
}

void CLineArrange::GetHandlePoints(CFPoint& h1, CFPoint& h2) const {
  switch (kind) {
    case 2:
      h1 = {x1, y1};
      h2 = {x1, y2};
      break;
    case 3:
      h1 = {x2, y1};
      h2 = {x2, y2};
      break;
    default:
      h1 = {x1, y1};
      h2 = {x2, y1};
      break;
  }
}

void CLineArrange::DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) {
  if (!dc) return;
  CFPoint h[2];
  GetHandlePoints(h[0], h[1]);
  plat::POINT p[2];
  for (int i = 0; i < 2; ++i) {
    if (matrix) matrix->TransformPoint(h[i]);
    if (viewMatrix) viewMatrix->TransformPoint(h[i]);
    p[i] = plat::POINT{TruncToLong(h[i].x), TruncToLong(h[i].y)};
  }
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  plat::HPEN oldPen = SharedTools().handlePen ? dc->SelectObject(SharedTools().handlePen) : nullptr;
  plat::HBRUSH oldBrush =
      dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  for (const plat::POINT& q : p) dc->Rectangle(plat::MarkRect(q, 3));
  dc->MoveTo(p[0]);
  dc->LineTo(p[1]);
  dc->SelectObject(oldBrush);
  if (oldPen) dc->SelectObject(oldPen);
  dc->SetROP2(oldRop);
}

int CLineArrange::HitTestHandle(CViewServices* view, float x, float y, int* handle) {
  const double tol = 3.0 * (view ? view->GetUnitsPerPixel() : 1.0);
  CFPoint h[2];
  GetHandlePoints(h[0], h[1]);
  for (int i = 0; i < 2; ++i) {
    if (matrix) matrix->TransformPoint(h[i]);
    if (std::fabs(double(x) - h[i].x) <= tol && std::fabs(double(y) - h[i].y) <= tol) {
      if (handle) *handle = i + 1;
      return 1;
    }
  }
  return 0;
}

int CLineArrange::MoveHandle(std::uint32_t, int handle, float a, float b, const CFPoint*) {
  const bool vertical = Vertical();
  if (handle == 1) {
    if (vertical)
      y1 = b;
    else
      x1 = a;
  } else if (handle == 2) {
    if (vertical)
      y2 = b;
    else
      x2 = a;
  } else {
    return 0;
  }
  return 1;
}

void CLineArrange::OffsetBy(float dx, float dy) {
  x1 += dx;
  x2 += dx;
  y1 += dy;
  y2 += dy;
}

void CLineArrange::SetRect(float a, float b, float c, float d) {
  x1 = a;
  y1 = b;
  x2 = c;
  y2 = d;
}

void CLineArrange::GetDefaultCaret(CFPoint* p1, CFPoint* p2, float w, float h) {
  CFPoint a, b;
  switch (kind) {
    case 0: a = {x1, y1}; b = {x1, y1 + h}; break;
    case 1: a = {x2, y1}; b = {x2, y1 + h}; break;
    case 2: a = {x1, y1}; b = {x1 + w, y1}; break;
    default: a = {x2, y1}; b = {x2 - w, y1}; break;
  }
  if (p1) *p1 = a;
  if (p2) *p2 = b;
}

CFPoint CLineArrange::GetCaretLine(int index, int side, CFPoint* p1, CFPoint* p2) {
  CFPoint a{x1, y1}, b{x1, y1};
  const int n = items ? items->GetSize() : 0;
  if (index < 0) {
    index = NextCharIndex(-1);
    side = 1;
  }
  if (index >= n) index = n - 1;
  if (index >= 0 && !items->CharAt(index)) {
    // A control item: before the next character, else after the previous one.
    const int next = NextCharIndex(index);
    if (next >= 0) {
      index = next;
      side = 1;
    } else {
      index = PrevCharIndex(index);
      side = 0;
    }
  }
  const CBoxChar* c = index >= 0 ? items->CharAt(index) : nullptr;
  if (!c) {
    GetDefaultCaret(&a, &b, 0.0f, 0.0f);
  } else if (!Vertical()) {
    const float adv = c->sizeX * c->advanceRatio;
    const bool lineEnd = side == 0 && (c->flags & BOXF_LINE_END);
    if (lineEnd) {
      const float edge = kind == 0 ? x1 : x2;
      a = {edge, c->y};
      b = {edge, c->y + c->sizeY};
    } else {
      a = {c->x, c->y};
      b = {c->x, c->y - c->sizeY};
      if (side == 0) {
        const float dx = kind == 0 ? adv : -adv;
        a.x += dx;
        b.x += dx;
      }
    }
  } else {
    const float cell = CellWidth(c);
    const bool lineEnd = side == 0 && (c->flags & BOXF_LINE_END);
    if (lineEnd) {
      const float nx = kind == 2 ? c->x + cell : c->x - cell;
      a = {nx, y1};
      b = {nx + cell, y1};
    } else {
      a = {c->x, c->y};
      b = {c->x + cell, c->y};
      if (side == 0) {
        a.y += ColumnAdvance(c);
        b.y += ColumnAdvance(c);
      }
    }
  }
  if (p1) *p1 = a;
  if (p2) *p2 = b;
  return a;
}

int CLineArrange::SideAtPoint(int index, float x, float y) {
  const CBoxChar* c = items ? items->CharAt(index) : nullptr;
  if (!c) return 1;
  CMatrix3 m;
  if (std::unique_ptr<CMatrix3> g = c->GetGlyphMatrix(c->CachedGlyph())) m = *g;
  if (std::unique_ptr<CMatrix3> cm = GetCharMatrix(c)) m.Multiply(*cm);
  if (!m.IsInvertible()) return 1;
  std::unique_ptr<CMatrix3> inv = m.CreateInverse();
  CFPoint p{x, y};
  inv->TransformPoint(p);
  const bool db = c->code >= 256;
  const float half = db ? 512.0f : 512.0f * c->advanceRatio;
  switch (kind) {
    case 0: return p.x < half ? 1 : 0;
    case 1: return p.x >= half ? 1 : 0;
    default: return (db ? p.y : p.x) < half ? 1 : 0;
  }
}

int CLineArrange::CaretFromPoint(int index, float x, float y, CFPoint* p1, CFPoint* p2) {
  const int side = SideAtPoint(index, x, y);
  GetCaretLine(index, side, p1, p2);
  return side;
}

// --- Layout -----------------------------------------------------------------

int CLineArrange::LineFirstChar(int i) const {
  for (int k = PrevCharIndex(i); k >= 0; k = PrevCharIndex(k))
    if (items->CharAt(k)->flags & BOXF_LINE_END) return NextCharIndex(k);
  return NextCharIndex(-1);
}

int CLineArrange::LineLastChar(int i) const {
  int last = -1;
  for (int k = items->CharAt(i) ? i : NextCharIndex(i); k >= 0; k = NextCharIndex(k)) {
    last = k;
    if (items->CharAt(k)->flags & BOXF_LINE_END) break;
  }
  return last;
}

void CLineArrange::Layout(int from) {
  if (!items) return;
  const int n = items->GetSize();
  if (n == 0) return;
  from = std::clamp(from, 0, n - 1);

  // Start at the line holding the character before `from`, and one line
  // earlier when that line wrapped into it, so an edit can pull characters up.
  int c0 = PrevCharIndex(from);
  if (c0 < 0) c0 = items->CharAt(from) ? from : NextCharIndex(from);
  int first = c0 >= 0 ? LineFirstChar(c0) : -1;
  if (first >= 0) {
    const int before = PrevCharIndex(first);
    if (before >= 0 && !items->CharAt(before)->IsReturn()) first = LineFirstChar(before);
  }
  const int lastBefore = first >= 0 ? PrevCharIndex(first) : -1;
  const int start = lastBefore >= 0 ? lastBefore + 1 : 0;

  LineState state;
  {
    std::unique_ptr<CTextAttr> running(GetRunningTextAttr(this, start, nullptr, nullptr));
    state.attr = *running;
  }
  if (lastBefore >= 0) {
    const CBoxChar* prev = items->CharAt(lastBefore);
    state.firstLine = false;
    state.prevLine = Vertical() ? prev->x : prev->y;
    if (kind == 2) {
      float width = 0.0f;
      for (int k = LineFirstChar(lastBefore); k >= 0 && k <= lastBefore; k = NextCharIndex(k))
        width = std::max(width, CellWidth(items->CharAt(k)));
      state.prevWidth = width;
    }
  }
  for (int k = 0; k < start; ++k) {
    const CBoxItem* item = items->GetAt(k);
    if (item->IsCode()) {
      const auto* c = static_cast<const CBoxCode*>(item);
      if (IsIndentOpen(c))
        state.indents.push_back(Indent{});
      else if (IsIndentClose(c) && !state.indents.empty())
        state.indents.pop_back();
      continue;
    }
    const auto* c = static_cast<const CBoxChar*>(item);
    for (Indent& in : state.indents)
      if (!in.set) in = Indent{Vertical() ? c->y : c->x, true};
  }

  for (int k = start; k < n;) k = LayoutLine(k, state);
  if (state.firstLine) return;  // no line at all
  switch (kind) {
    case 2: x2 = state.prevLine; break;
    case 3: x1 = state.prevLine; break;
    default: y2 = state.prevLine; break;
  }
}

int CLineArrange::LayoutLine(int start, LineState& st) {
  const int n = items->GetSize();
  const bool vertical = Vertical();
  const float dir = kind == 1 ? -1.0f : 1.0f;
  const bool fit = (flags & ARRF_FIT) != 0;

  float lineBegin = kind == 1 ? x2 : vertical ? y1 : x1;
  for (auto it = st.indents.rbegin(); it != st.indents.rend(); ++it) {
    if (it->set) {
      lineBegin = it->pos;
      break;
    }
  }
  auto farEdge = [&] { return kind == 0 ? x2 : kind == 1 ? x1 : y2; };
  auto frameLength = [&] { return vertical ? y2 - y1 : x2 - x1; };

  std::vector<int> line;
  std::vector<float> advances;
  float pen = lineBegin;
  float height = 0.0f;
  bool wrapped = false;
  int k = start;
  for (; k < n; ++k) {
    CBoxItem* item = items->GetAt(k);
    if (item->IsCode()) {
      const auto* c = static_cast<const CBoxCode*>(item);
      ApplyRunning(c, st.attr);
      if (IsIndentOpen(c))
        st.indents.push_back(Indent{});
      else if (IsIndentClose(c) && !st.indents.empty())
        st.indents.pop_back();
      continue;
    }
    auto* c = static_cast<CBoxChar*>(item);
    c->flags = std::uint16_t(c->flags & ~BOXF_LINE_END);
    const float advance = c->Measure(kind);
    const float at = line.empty() || fit ? pen : pen + dir * st.attr.boxGap;
    if (!c->IsReturn()) {
      if (line.empty()) {
        // A character wider than the whole frame widens it; the first
        // character of a line always stays on it.
        if (advance > frameLength()) {
          switch (kind) {
            case 0: x2 = x1 + advance + 1.0f; break;
            case 1: x1 = x2 - advance; break;
            default: y2 = y1 + advance; break;
          }
        }
      } else {
        const bool beyond = dir > 0 ? at + advance > farEdge() : at - advance < farEdge();
        if (beyond && !c->IsPunctuation()) {
          wrapped = true;
          break;
        }
      }
    }
    if (vertical)
      c->y = at;
    else
      c->x = at;
    pen = at + dir * advance;
    line.push_back(k);
    advances.push_back(advance);
    height = std::max(height, vertical ? CellWidth(c) : c->sizeY);
    for (Indent& in : st.indents)
      if (!in.set) in = Indent{at, true};
    if (c->IsReturn()) {
      c->flags |= BOXF_LINE_END;
      ++k;
      break;
    }
  }
  if (line.empty()) return k;
  if (wrapped) items->CharAt(line.back())->flags |= BOXF_LINE_END;

  // Characters of the line other than CR.
  std::vector<std::size_t> glyphs;
  for (std::size_t i = 0; i < line.size(); ++i)
    if (!items->CharAt(line[i])->IsReturn()) glyphs.push_back(i);
  auto along = [&](CBoxChar* c) -> float& { return vertical ? c->y : c->x; };

  if (fit && glyphs.size() >= 2) {
    float sum = 0.0f;
    for (std::size_t i : glyphs) sum += advances[i];
    const float gap = ((farEdge() - lineBegin) * dir - sum) / float(glyphs.size() - 1);
    float p = lineBegin;
    for (std::size_t i = 0; i < line.size(); ++i) {
      CBoxChar* c = items->CharAt(line[i]);
      along(c) = p;
      if (!c->IsReturn()) p += dir * (advances[i] + gap);
    }
    // A closing CR stands right after the last character.
    CBoxChar* last = items->CharAt(line.back());
    if (last->IsReturn() && line.size() >= 2) {
      CBoxChar* before = items->CharAt(line[line.size() - 2]);
      along(last) = along(before) + dir * advances[line.size() - 2];
    }
  } else if (wrapped && !fit && GetAutoFill() && glyphs.size() >= 2) {
    CBoxChar* last = items->CharAt(line[glyphs.back()]);
    const float end = along(last) + dir * advances[glyphs.back()];
    const float d = (farEdge() - end) * dir / float(glyphs.size() - 1);
    for (std::size_t j = 1; j < glyphs.size(); ++j)
      along(items->CharAt(line[glyphs[j]])) += dir * d * float(j);
  }

  // Across the lines.
  float position;
  if (!vertical) {
    position = st.firstLine ? y1 + height : st.prevLine + st.attr.lineGap + height;
  } else if (kind == 2) {
    position = st.firstLine ? x1 : st.prevLine + st.prevWidth + st.attr.lineGap;
  } else {
    position = st.firstLine ? x2 - height : st.prevLine - st.attr.lineGap - height;
  }
  for (int index : line) {
    CBoxChar* c = items->CharAt(index);
    if (vertical)
      c->x = position;
    else
      c->y = position;
    c->flags |= BOXF_MOVED;
  }
  st.firstLine = false;
  st.prevLine = position;
  st.prevWidth = height;
  return k;
}

// --- Frame ------------------------------------------------------------------

bool CLineArrange::GetTextFrame(CFRect& frame) const {
  if (!items) return false;
  int last = -1;
  float maxX = -1e30f, minX = 1e30f, maxY = -1e30f;
  for (int k = 0; k < items->GetSize(); ++k) {
    const CBoxChar* c = items->CharAt(k);
    if (!c) continue;
    last = k;
    const float adv = c->sizeX * c->advanceRatio;
    if (!Vertical()) {
      maxX = std::max(maxX, c->x + adv);
      minX = std::min(minX, c->x - adv);
    } else {
      maxX = std::max(maxX, c->x + CellWidth(c));
      maxY = std::max(maxY, c->y + ColumnAdvance(c));
    }
  }
  if (last < 0) return false;
  const CBoxChar* lc = items->CharAt(last);
  frame = CFRect(x1, y1, x2, y2);
  switch (kind) {
    case 0:
      frame.bottom = lc->y;
      frame.right = maxX;
      break;
    case 1:
      frame.bottom = lc->y;
      frame.left = minX;
      break;
    case 2:
      frame.right = maxX;
      frame.bottom = maxY;
      break;
    default:
      frame.left = lc->x;
      frame.bottom = maxY;
      break;
  }
  return true;
}

std::unique_ptr<CPathObject> CLineArrange::MakeBoxOutline() {
  CFRect frame;
  if (!GetTextFrame(frame)) return nullptr;
  std::unique_ptr<CPathObject> path = MakeRectanglePathFromRect(frame);
  frame.Normalize();
  path->RemoveEndRecords();
  bool lineStart = true;
  for (int k = 0; k < items->GetSize(); ++k) {
    const CBoxChar* c = items->CharAt(k);
    if (!c) continue;
    if (lineStart) {
      if (!Vertical()) {
        path->AddPoint(frame.left, c->y, 0x11);
        path->AddPoint(frame.right, c->y, 0x21);
      } else {
        path->AddPoint(c->x, frame.top, 0x11);
        path->AddPoint(c->x, frame.bottom, 0x21);
      }
    }
    lineStart = (c->flags & BOXF_LINE_END) != 0;
  }
  path->EndPoints();
  return path;
}

// --- Keys -------------------------------------------------------------------

int CLineArrange::MoveVertical(int index, int side, bool down, int* outSide) const {
  const CBoxChar* cur = items->CharAt(index);
  // Signed positions along the line: the start and end edge of a box.
  auto edges = [&](const CBoxChar* c, float& a0, float& a1) {
    switch (kind) {
      case 0: a0 = c->box.left; a1 = c->box.right; break;
      case 1: a0 = -c->box.right; a1 = -c->box.left; break;
      default: a0 = c->box.top; a1 = c->box.bottom; break;
    }
  };
  float c0, c1;
  edges(cur, c0, c1);
  const float u = side ? c0 : c1;
  const int first = LineFirstChar(index);
  const int last = LineLastChar(index);
  if (!down) {
    const int prevEnd = first >= 0 ? PrevCharIndex(first) : -1;
    if (prevEnd < 0) {
      *outSide = side;
      return index;
    }
    const int prevFirst = LineFirstChar(prevEnd);
    for (int k = prevEnd; k >= prevFirst && k >= 0; k = PrevCharIndex(k)) {
      const CBoxChar* c = items->CharAt(k);
      float a0, a1;
      edges(c, a0, a1);
      if (a1 == u) {
        *outSide = 0;
        return k;
      }
      if (a0 == u) {
        *outSide = 1;
        return k;
      }
      if (a0 < u) {
        *outSide = (u - a0) < (a1 - u) ? 1 : 0;
        return k;
      }
    }
    *outSide = 1;
    return prevFirst;
  }
  const int nextFirst = last >= 0 ? NextCharIndex(last) : -1;
  if (nextFirst < 0) {
    *outSide = side;
    return index;
  }
  const int nextLast = LineLastChar(nextFirst);
  for (int k = nextFirst; k >= 0 && k <= nextLast; k = NextCharIndex(k)) {
    const CBoxChar* c = items->CharAt(k);
    float a0, a1;
    edges(c, a0, a1);
    if (a0 == u) {
      *outSide = 1;
      return k;
    }
    if (a1 == u) {
      *outSide = 0;
      return k;
    }
    if (a1 >= u) {
      *outSide = (u - a0) < (a1 - u) ? 1 : 0;
      return k;
    }
  }
  *outSide = 0;
  return nextLast;
}

int CLineArrange::NavigateKey(std::uint32_t key, int index, int* side) {
  if (!items || !side) return -1;
  // The key in this variant's directions.
  switch (kind) {
    case 1:
      if (key == NAV_HOME) key = NAV_END;
      else if (key == NAV_END) key = NAV_HOME;
      else if (key == NAV_LEFT) key = NAV_RIGHT;
      else if (key == NAV_RIGHT) key = NAV_LEFT;
      break;
    case 2:
      if (key == NAV_LEFT) key = NAV_UP;
      else if (key == NAV_RIGHT) key = NAV_DOWN;
      else if (key == NAV_UP) key = NAV_LEFT;
      else if (key == NAV_DOWN) key = NAV_RIGHT;
      break;
    case 3:
      if (key == NAV_LEFT) key = NAV_DOWN;
      else if (key == NAV_RIGHT) key = NAV_UP;
      else if (key == NAV_UP) key = NAV_LEFT;
      else if (key == NAV_DOWN) key = NAV_RIGHT;
      break;
    default:
      break;
  }
  if (key < NAV_END || key > NAV_DOWN) return -1;
  if (index < 0 || index >= items->GetSize()) return -1;
  if (!items->CharAt(index)) {
    const int next = NextCharIndex(index);
    if (next >= 0) {
      index = next;
      *side = 1;
    } else {
      index = PrevCharIndex(index);
      *side = 0;
      if (index < 0) return -1;
    }
  }
  const CBoxChar* cur = items->CharAt(index);
  const bool afterLineEnd = *side == 0 && (cur->flags & BOXF_LINE_END);
  switch (key) {
    case NAV_END: {
      int from = index;
      if (afterLineEnd) {
        const int next = NextCharIndex(index);
        if (next < 0) return index;
        from = next;
      }
      const int e = LineLastChar(from);
      if (items->CharAt(e)->IsReturn()) {
        const int before = PrevCharIndex(e);
        if (before >= 0 && before >= LineFirstChar(e)) {
          *side = 0;
          return before;
        }
        *side = 1;
        return e;
      }
      *side = 0;
      return e;
    }
    case NAV_HOME: {
      int from = index;
      if (afterLineEnd) {
        const int next = NextCharIndex(index);
        if (next < 0) return index;
        from = next;
      }
      *side = 1;
      return LineFirstChar(from);
    }
    case NAV_LEFT: {
      if (*side) {
        const int prev = PrevCharIndex(index);
        return prev >= 0 ? prev : index;
      }
      *side = 1;
      return index;
    }
    case NAV_RIGHT: {
      if (*side) {
        *side = 0;
        return index;
      }
      const int next = NextCharIndex(index);
      return next >= 0 ? next : index;
    }
    case NAV_UP:
    case NAV_DOWN: {
      int s = *side;
      const int k = MoveVertical(index, *side, key == NAV_DOWN, &s);
      *side = s;
      return k;
    }
    default:
      return -1;
  }
}
