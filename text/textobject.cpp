#include "text/textobject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/groupobject.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/services.h"
#include "model/undoitems.h"
#include "platform/bytes.h"
#include "platform/dc.h"
#include "text/glyphsource.h"

namespace {

bool BoxContains(const CFRect& b, float x, float y) {
  return std::min(b.left, b.right) <= x && x <= std::max(b.left, b.right) &&
         std::min(b.top, b.bottom) <= y && y <= std::max(b.top, b.bottom);
}

// The page point in the text's own units; false when the matrix cannot be inverted.
bool ToTextUnits(const CMatrix3& m, float& x, float& y) {
  if (m.IsIdentity()) return true;
  if (!m.IsInvertible()) return false;
  CFPoint p{x, y};
  m.CreateInverse()->TransformPoint(p);
  x = p.x;
  y = p.y;
  return true;
}

// Outlines gathered first and written once into one block of their total
// size: each glyph's records as its list would have them once its pending
// matrix is applied (ApplyTransform), up to its end record.
class OutlineCollector {
 public:
  explicit OutlineCollector(std::size_t items) { items_.reserve(items); }
  // The raw outline under the pending matrix and bounds of `under`; a fresh
  // outline is kept until the end.
  void Add(const CPathPointList& raw, const CPathPointList& under,
           std::unique_ptr<CPathPointList> fresh) {
    if (!raw.points) return;
    std::size_t k;
    {
      pathrec::Records r(raw.points);
      const std::size_t n = std::min<std::size_t>(std::size_t(std::max(raw.count, 0)), r.n);
      k = 0;
      while (k < n && r.p[k].flags != PP_END) ++k;
    }
    total_ += k;
    items_.push_back({&raw, under.matrix, under.bounds, under.hasBounds, k, std::move(fresh)});
  }
  CPathPointList* Finish() {
    if (items_.empty()) return nullptr;
    const std::size_t n = total_ + 1;
    auto list = std::make_unique<CPathPointList>();
    // Every byte is written: the records, the end record and two zero ones.
    list->points = plat::GlobalAlloc(plat::GMEM_MOVEABLE, (n + 2) * sizeof(PathPoint));
    if (!list->points) return nullptr;
    {
      pathrec::Records block(list->points);
      PathPoint* out = block.p;
      for (const Item& item : items_) {
        Write(item, out);
        out += item.records;
      }
      *out = PathPoint{0.0f, 0.0f, PP_END};
      std::memset(static_cast<void*>(out + 1), 0, 2 * sizeof(PathPoint));
    }
    list->count = std::int32_t(n);
    list->capacity = std::int32_t(n);
    list->bounds = bounds_;
    list->hasBounds = any_;
    return list.release();
  }

 private:
  struct Item {
    const CPathPointList* raw;
    CMatrix3 matrix;
    CFRect bounds;
    bool hasBounds;
    std::size_t records;  // before its end record
    std::unique_ptr<CPathPointList> fresh;
  };

  // The item's records into out; its bounds into the text's.
  void Write(const Item& item, PathPoint* out) {
    pathrec::Records r(item.raw->points);
    const std::size_t k = item.records;
    CFRect b = item.bounds;
    bool has = item.hasBounds;
    const CMatrix3& m = item.matrix;
    if (m.IsIdentity()) {
      if (k) std::memcpy(out, r.p, k * sizeof(PathPoint));
    } else {
      // Every point record before the end record is transformed; their box
      // is the new bounds, when there is one. The box as the points are
      // written, the first one starting it (std::min and std::max alike, ties
      // and NaN too).
      // x and y go together in the lanes of one register: x' = x a + y c + e,
      // y' = x b + y d + f, the box's low and high corners likewise.
      typedef float V4 __attribute__((vector_size(16)));
      const V4 ma = {m.m00, m.m01, 0, 0}, mc = {m.m10, m.m11, 0, 0}, me = {m.m20, m.m21, 0, 0};
      V4 lo = {0, 0, 0, 0}, hi = lo;
      bool any = false;
      std::size_t i = 0;
      for (; i < k; ++i) {
        const PathPoint p = r.p[i];
        if (!pathrec::IsPoint(p.flags)) {
          out[i] = p;
          continue;
        }
        const V4 x = {p.x, p.x, 0, 0}, y = {p.y, p.y, 0, 0};
        const V4 q = x * ma + y * mc + me;
        // x' and y' are the record's first eight bytes.
        std::memcpy(static_cast<void*>(out + i), &q, 2 * sizeof(float));
        out[i].flags = p.flags;
        if (any) {
          lo = q < lo ? q : lo;
          hi = hi < q ? q : hi;
        } else {
          lo = hi = q;
          any = true;
        }
      }
      float l = lo[0], t = lo[1], rt = hi[0], bt = hi[1];
      std::size_t lim = k;
      while (lim < r.n && r.p[lim].flags != PP_END) ++lim;
      for (i = k; i < lim; ++i) {
        PathPoint p = r.p[i];
        if (!pathrec::IsPoint(p.flags)) continue;
        m.TransformPathPoint(p);
        if (!any) {
          l = rt = p.x;
          t = bt = p.y;
          any = true;
        } else {
          l = std::min(l, p.x);
          rt = std::max(rt, p.x);
          t = std::min(t, p.y);
          bt = std::max(bt, p.y);
        }
      }
      if (any) {
        b = CFRect(l, t, rt, bt);
        has = true;
      }
    }
    if (has) {
      if (!any_) {
        bounds_ = b;
        any_ = true;
      } else {
        bounds_ = CFRect(std::min(bounds_.left, b.left), std::min(bounds_.top, b.top),
                         std::max(bounds_.right, b.right), std::max(bounds_.bottom, b.bottom));
      }
    }
  }

  std::vector<Item> items_;
  std::size_t total_ = 0;
  CFRect bounds_;
  bool any_ = false;
};

// Keeps a character's angle at 0 for a scope (the along-path arrangement
// turns characters itself).
class ZeroAngle {
 public:
  ZeroAngle(CBoxChar* c, bool active) : c_(active ? c : nullptr), angle_(c->angle) {
    if (c_) c_->angle = 0.0f;
  }
  ~ZeroAngle() {
    if (c_) c_->angle = angle_;
  }

 private:
  CBoxChar* c_;
  float angle_;
};

}  // namespace

// ---------------------------------------------------------------------------

CTextObject::CTextObject() { kind = OBJ_TEXT; }

CTextObject::CTextObject(int variant, float left, float top, float right, float bottom)
    : CTextObject() {
  bounds = CFRect(left, top, right, bottom);
  layoutRect = bounds;
  if (variant >= 0 && variant < 4) {
    arrange = std::make_unique<CLineArrange>(left, top, right, bottom, &matrix, &chars);
    arrange->kind = std::uint8_t(variant);
  }
  caretSide = 1;
}

CTextObject::~CTextObject() {
  chars.DeleteAll();
  arrange.reset();
}

std::unique_ptr<CTextArrange> CTextObject::SetArrange(std::unique_ptr<CTextArrange> a) {
  std::unique_ptr<CTextArrange> old = std::move(arrange);
  arrange = std::move(a);
  if (arrange) {
    arrange->items = &chars;
    arrange->matrix = &matrix;
  }
  return old;
}

// --- Records ----------------------------------------------------------------

std::unique_ptr<CGraphObject> CTextObject::LoadFromRecord(const std::uint8_t* rec,
                                                          std::uint32_t length) {
  if (!rec || length < kRecordOverhead || rec[0] != REC_TEXT) return nullptr;
  CRecordReader reader(rec, length);
  auto text = std::make_unique<CTextObject>();
  if (!ReadRecordHead(reader, REC_TEXT, *text)) return nullptr;
  reader.ReadRect(text->layoutRect);
  reader.ReadMatrix(text->matrix);
  if (reader.Failed()) return nullptr;

  // Everything after the matrix up to the end byte.
  const std::uint8_t* body = rec + kArrangeOffset;
  const std::size_t bodySize = length - kRecordOverhead;
  std::size_t arrangeSize = 0;
  bool located = true;
  std::unique_ptr<CTextArrange> a = CreateArrange(body, bodySize);
  if (a) {
    arrangeSize = plat::GetU32(body + 1);
  } else if (bodySize > 0 && body[0] == BOXBLOCK_KIND) {
    arrangeSize = 0;  // written without an arrangement
  } else if (bodySize >= 5 && plat::GetU32(body + 1) >= 5 && plat::GetU32(body + 1) <= bodySize) {
    arrangeSize = plat::GetU32(body + 1);  // a kind this program cannot read
  } else {
    located = false;
  }
  if (!a) {
    // Keep the characters where they stand under a straight arrangement.
    const CFRect& r = text->layoutRect;
    a = std::make_unique<CLineArrange>(r.left, r.top, r.right, r.bottom, nullptr, nullptr);
  }
  text->SetArrange(std::move(a));
  if (located && arrangeSize < bodySize) {
    if (std::unique_ptr<CBoxArray> items =
            CBoxArray::UnpackFromBuffer(body + arrangeSize, bodySize - arrangeSize)) {
      text->InsertAtCaret(*items);
    }
  }
  text->caretIndex = -1;
  text->caretSide = 1;
  return text;
}

std::uint32_t CTextObject::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  plat::GlobalBlock arrangeBlock;
  std::uint32_t a = 0;
  if (arrange) {
    plat::HGLOBAL h = 0;
    a = arrange->WriteRecord(&h);
    arrangeBlock.reset(h);
    if (a && (!h || plat::GlobalSize(h) < a)) return 0;
  }
  plat::GlobalBlock boxBlock;
  std::uint32_t b = 0;
  if (!chars.IsEmpty()) {
    plat::HGLOBAL h = 0;
    b = chars.PackToGlobal(&h);
    boxBlock.reset(h);
    // A text whose characters could not be packed is not written at all.
    if (!b || !h) return 0;
  }
  CRecordWriter w(REC_TEXT, *this);
  w.PutRect(layoutRect);
  w.PutMatrix(matrix);
  if (a) {
    plat::GlobalLockGuard g(arrangeBlock.get());
    w.PutBytes(g.bytes(), a);
  }
  if (b) {
    plat::GlobalLockGuard g(boxBlock.get());
    w.PutBytes(g.bytes(), b);
  }
  return w.Finish(out);
}

void RegisterTextRecordReaders() { RegisterRecordReader(REC_TEXT, &CTextObject::ReadRecord); }

// --- Items ------------------------------------------------------------------

int CTextObject::InsertAtCaret(CBoxItem* item) {
  if (!item) return 0;
  if (caretIndex < 0) {
    caretIndex = 0;
    caretSide = 1;
  } else if (caretSide == 0) {
    ++caretIndex;
    caretSide = 1;
  }
  caretIndex = std::min(caretIndex, chars.GetSize());
  chars.InsertAt(caretIndex, item);
  return 1;
}

int CTextObject::InsertAtCaret(CBoxArray& array) {
  if (caretIndex < 0) {
    caretIndex = 0;
    caretSide = 1;
  } else if (caretSide == 0) {
    ++caretIndex;
    caretSide = 1;
  }
  caretIndex = std::min(caretIndex, chars.GetSize());
  chars.InsertArrayAt(caretIndex, array);
  return 1;
}

int CTextObject::InsertItemAtCaret(CBoxItem* item) {
  if (caretIndex < 0 && chars.IsEmpty()) {
    const CTextAttr& d = DefaultTextAttr();
    if (d.lineGap != 0.0f) {
      InsertAtCaret(CBoxCode::MakeGap(BOXC_LINE_GAP, d.lineGap).release());
      caretIndex = chars.GetSize();
    }
    if (d.boxGap != 0.0f) {
      InsertAtCaret(CBoxCode::MakeGap(BOXC_BOX_GAP, d.boxGap).release());
      caretIndex = chars.GetSize();
    }
  }
  InsertAtCaret(item);
  return caretIndex;
}

int CTextObject::GetCharCount() const {
  int n = 0;
  for (CBoxItem* item : chars.Items())
    if (item->IsChar() && !static_cast<CBoxChar*>(item)->IsReturn()) ++n;
  return n;
}

std::uint8_t CTextObject::GetArrangeKind() const { return arrange ? arrange->GetKind() : 0; }

bool CTextObject::GetCharSize(int index, float* x, float* y) const {
  const CBoxChar* c = chars.CharAt(index);
  if (!c) return false;
  float sx = c->sizeX, sy = c->sizeY;
  if (!matrix.IsIdentity()) {
    sx = std::hypot(c->sizeX * matrix.m00, c->sizeX * matrix.m01);
    sy = std::hypot(c->sizeY * matrix.m10, c->sizeY * matrix.m11);
  }
  if (x) *x = sx;
  if (y) *y = sy;
  return true;
}

bool CTextObject::HitTestChar(float x, float y, int mode, int* index) const {
  if (index) *index = -1;
  if (!ToTextUnits(matrix, x, y)) return false;
  for (int k = 0; k < chars.GetSize(); ++k) {
    const CBoxChar* c = chars.CharAt(k);
    if (!c || !BoxContains(c->box, x, y)) continue;
    const bool selected = c->IsSelected() != 0;
    if ((mode == 0 && selected) || (mode == 1 && !selected)) continue;
    if (index) *index = k;
    return true;
  }
  return false;
}

void CTextObject::SetCharColor(int first, int last, std::uint32_t color, bool invalidate,
                               CViewServices* view) {
  first = std::max(first, 0);
  last = std::min(last, chars.GetSize() - 1);
  for (int k = first; k <= last; ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c || c->color == color) continue;
    c->color = color;
    if (invalidate) {
      CMatrix3 m = matrix;
      CViewServices* v = view ? view : GetActiveView();
      if (v && v->GetViewMatrix()) m.Multiply(*v->GetViewMatrix());
      c->InvalidateBox(v, &m);
    }
  }
}

void CTextObject::SetCharFlagsRange(int first, int last, std::uint16_t value, std::uint16_t mask,
                                    CViewServices* view) {
  CViewServices* v = view ? view : GetActiveView();
  first = std::max(first, 0);
  last = std::min(last, chars.GetSize() - 1);
  for (int k = first; k <= last; ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    if (v && v->GetUndoRecordDepth() != 0) AppendUndo(v, std::make_unique<CUndoItemFlags>(c));
    c->flags = std::uint16_t((c->flags & ~mask) | value);
  }
}

std::unique_ptr<CPathObject> CTextObject::MakeBoxOutline() {
  if (!arrange) return nullptr;
  std::unique_ptr<CPathObject> path = arrange->MakeBoxOutline();
  if (path && !matrix.IsIdentity()) {
    path->Transform(matrix);
    path->ApplyTransform();
  }
  return path;
}

std::string CTextObject::GetText() const { return chars.GetText(); }
void CTextObject::AppendTextTo(std::string& text) const { chars.AppendTextTo(text); }
void CTextObject::CollectText(std::vector<std::string>& texts) { texts.push_back(GetText()); }
// The clipboard's plain text: the characters only, no separator after them.
void CTextObject::AppendPlainText(std::string& text) { chars.ExtractText(text); }

// --- Slots ------------------------------------------------------------------

void CTextObject::ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                              int newIndex) {
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    // A character whose font the check found (and remapped) keeps it.
    if (c->fontState == 1) continue;
    if (c->FontSource() != (oldSource & 0x0FFF) || c->fontId != std::uint16_t(oldIndex)) continue;
    c->kind = std::uint16_t((c->kind & 0xF000) | (newSource & 0x0FFF));
    c->fontId = std::uint16_t(newIndex);
    c->advanceRatio = 0.0f;
    c->DropGlyph();
  }
}

void CTextObject::ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) {
  CGlyphSource& source = GetGlyphSource();
  bool haveLast = false;
  std::uint8_t lastLang = 0, lastType = 0;
  std::uint16_t lastId = 0;
  bool lastNamed = false;
  int lastFound = -1;
  std::string name;
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    // A remapped font id indexes the installed fonts, no longer the table.
    if (c->fontState == 1) continue;
    const std::uint8_t lang = c->LanguageId(), type = c->FontType();
    const std::uint16_t id = c->fontId;
    if (!haveLast || lang != lastLang || type != lastType || id != lastId) {
      name.clear();
      lastNamed = source.GetTableFontName(fontTable, lang, type, id, name);
      // A name holds no byte past its terminator.
      name = std::string(name.c_str());
      lastFound = lastNamed ? source.FindInstalledFont(lang, type, name) : -1;
      haveLast = true;
      lastLang = lang;
      lastType = type;
      lastId = id;
    }
    if (!lastNamed) continue;
    if (lastFound >= 0) {
      if (c->fontId != std::uint16_t(lastFound)) {
        c->fontId = std::uint16_t(lastFound);
        c->DropGlyph();
      }
      c->fontState = 1;
      continue;
    }
    c->fontState = 2;
    if (!list) continue;
    char line[160];
    std::snprintf(line, sizeof line, "%-40s  -[%d,%d,%d] -{0,0}", name.c_str(), int(lang),
                  int(type), int(id));
    if (list->FindStringExact(line) < 0) list->AddString(line);
  }
}

void CTextObject::RecalcBounds() {
  bool any = false;
  CFRect page, own;
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    const CFRect& b = static_cast<CBoxChar*>(item)->box;
    if (b.top == b.bottom) continue;
    CFRect t = b;
    matrix.TransformRectBounds(t);
    if (!any) {
      page = t;
      own = b;
      any = true;
      continue;
    }
    page = CFRect(std::min(page.left, t.left), std::min(page.top, t.top),
                  std::max(page.right, t.right), std::max(page.bottom, t.bottom));
    own = CFRect(std::min(own.left, b.left), std::min(own.top, b.top),
                 std::max(own.right, b.right), std::max(own.bottom, b.bottom));
  }
  if (!any) return;
  bounds = page;
  layoutRect = page;
  if (arrange) arrange->SetRect(own.left, own.top, own.right, own.bottom);
}

int CTextObject::IsEmpty() {
  for (CBoxItem* item : chars.Items())
    if (item->IsChar()) return 0;
  return 1;
}

void CTextObject::SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) {
  CGraphObject::SetFlags(view, bits, mask);
  if (!(mask & OBJF_FILLED)) return;
  const std::uint16_t value = (bits & OBJF_FILLED) ? BOXF_FILLED : 0;
  int first = 0, last = chars.GetSize() - 1;
  if (editMode == ID_TOOL_TEXT) {
    if (!chars.FindFirst(&first)) return;
    chars.FindLast(&last);
  }
  SetCharFlagsRange(first, last, value, BOXF_FILLED, view);
}

std::unique_ptr<CMatrix3> CTextObject::CharMatrix(int index, const CMatrix3* after) const {
  if (!arrange) return nullptr;
  std::unique_ptr<CMatrix3> m = arrange->GetCharMatrixAt(index);
  if (!m) return nullptr;
  m->Multiply(matrix);
  if (after) m->Multiply(*after);
  return m;
}

void CTextObject::Draw(plat::DC* dc, const CMatrix3* viewMatrix, const CFRect* visible) {
  if (!dc || !arrange) return;
  const bool alongPath = arrange->GetKind() == ARR_PATH;
  // One pen for each run of characters of a colour, not one for each.
  plat::HPEN held = nullptr, oldPen = nullptr;
  std::uint32_t heldColor = 0;
  for (int k = 0; k < chars.GetSize(); ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    if (visible) {
      CFRect b = c->box;
      if (!matrix.IsIdentity()) matrix.TransformRectBounds(b);
      if (!(visible->left <= b.right && b.left <= visible->right && b.top <= visible->bottom &&
            visible->top <= b.bottom))
        continue;
    }
    std::unique_ptr<CMatrix3> m = CharMatrix(k, viewMatrix);
    if (!m) continue;
    if (!held || heldColor != c->color) {
      if (plat::HPEN pen = ThePaletteStore().CreateColorPen(c->color, plat::PS_SOLID, 1)) {
        plat::HPEN prev = dc->SelectObject(pen);
        if (held)
          plat::DeleteObject(held);
        else
          oldPen = prev;
        held = pen;
        heldColor = c->color;
      }
    }
    ZeroAngle keep(c, alongPath);
    c->Draw(dc, m.get());
  }
  if (held) {
    dc->SelectObject(oldPen);
    plat::DeleteObject(held);
  }
}

void CTextObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings*) {
  if (!dc || !arrange) return;
  for (int k = 0; k < chars.GetSize(); ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    std::unique_ptr<CMatrix3> cm = CharMatrix(k, m);
    if (cm) c->Draw(dc, cm.get());
  }
}

int CTextObject::OnLButtonUpSelect(CViewServices* view, std::uint32_t fl, float x, float y) {
  const bool moved = ObjectDrag().moved != 0;
  const int r = CGraphObject::OnLButtonUpSelect(view, fl, x, y);
  if (moved) Relayout(view, -1);
  return r;
}

void CTextObject::DrawXorOutline(plat::DC* dc, const CMatrix3* m) {
  if (arrange) arrange->DrawHandles(dc, m);
}

void CTextObject::DrawHandleDragXor(CViewServices* view, int, float, float) {
  if (!view || !arrange) return;
  if (plat::DC* dc = view->GetDC()) {
    arrange->DrawHandles(dc, view->GetViewMatrix());
    view->ReleaseDC(dc);
  }
}

void CTextObject::MoveHandle(CViewServices*, int handle, float x, float y) {
  if (!arrange || !ToTextUnits(matrix, x, y)) return;
  CFPoint p{x, y};
  arrange->MoveHandle(MK_LBUTTON, handle, x, y, &p);
}

int CTextObject::HitTestHandle(CViewServices* view, float x, float y, int* index) {
  return arrange ? arrange->HitTestHandle(view, x, y, index) : 0;
}

int CTextObject::HitTest(CViewServices*, float x, float y) {
  const CFRect b = bounds;
  if (x < std::min(b.left, b.right) || x > std::max(b.left, b.right) ||
      y < std::min(b.top, b.bottom) || y > std::max(b.top, b.bottom))
    return 0;
  return HitTestChar(x, y, 2, nullptr) ? 1 : 0;
}

void CTextObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  if (matrix.IsIdentity()) {
    for (CBoxItem* item : chars.Items())
      if (item->IsChar()) static_cast<CBoxChar*>(item)->Offset(dx, dy);
    if (arrange) arrange->OffsetBy(dx, dy);
  } else {
    matrix.m20 += dx;
    matrix.m21 += dy;
  }
}

void CTextObject::SetRect(float left, float top, float right, float bottom) {
  ScaleToRect(left, top, right, bottom);
  bounds = CFRect(left, top, right, bottom);
}

void CTextObject::Transform(const CMatrix3& m) {
  matrix.Multiply(m);
  RecalcBounds();
}

CPathPointList* CTextObject::MakeOutline(const CMatrix3* m, int) {
  if (!arrange) return nullptr;
  OutlineCollector out(std::size_t(std::max(chars.GetSize(), 0)));
  for (int k = 0; k < chars.GetSize(); ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    std::unique_ptr<CMatrix3> cm = CharMatrix(k, m);
    if (!cm) continue;
    std::unique_ptr<CPathPointList> fresh;
    CPathPointList under;
    if (const CPathPointList* raw = c->GlyphUnder(cm.get(), fresh, &under))
      out.Add(*raw, under, std::move(fresh));
  }
  return out.Finish();
}

std::unique_ptr<CGraphObject> CTextObject::ConvertToPath(int colorFilter) {
  if (!arrange) return nullptr;
  const bool alongPath = arrange->GetKind() == ARR_PATH;
  auto group = std::make_unique<CGroupObject>();
  for (int k = 0; k < chars.GetSize(); ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c || (colorFilter != -1 && c->color != std::uint32_t(colorFilter))) continue;
    std::unique_ptr<CMatrix3> cm = CharMatrix(k, nullptr);
    if (!cm) continue;
    std::unique_ptr<CPathPointList> o;
    {
      ZeroAngle keep(c, alongPath);
      o = c->GetGlyphOutline(cm.get());
    }
    if (!o) continue;
    o->ApplyTransform();
    auto path = std::make_unique<CPathObject>();
    path->count = o->count;
    path->points = o->DetachPoints();
    path->capacity = std::max<std::int32_t>(0, std::int32_t(path->BlockRecords()) - 2);
    path->bounds = o->bounds;
    path->color = c->color;
    if (c->flags & BOXF_FILLED) path->flags |= OBJF_FILLED;
    group->AddChild(std::move(path));
  }
  if (group->GetChildCount() == 0) return nullptr;
  if (group->GetChildCount() == 1) return group->children.Detach(0);
  return group;
}

void CTextObject::SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) {
  SetCharColor(0, chars.GetSize() - 1, color, redraw != 0, view);
}

void CTextObject::AddColorToList(CListBoxServices* list) {
  if (!list) return;
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    if (c->code == 13 || c->code == 32) continue;
    const std::string text = std::to_string(c->color);
    if (list->FindStringExact(text) < 0) list->AddString(text);
  }
}

void CTextObject::Relayout(CViewServices* view, int fromIndex) {
  const bool shown = caretShown != 0;
  HideCaret(view);
  CMatrix3 m = matrix;
  if (view && view->GetViewMatrix()) m.Multiply(*view->GetViewMatrix());
  const int start = fromIndex >= 0 ? fromIndex : pendingLayoutStart >= 0 ? pendingLayoutStart : 0;
  pendingLayoutStart = -1;
  if (!arrange) return;
  arrange->Layout(start);
  bool any = false;
  CFRect u;
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    if (c->IsReturn()) continue;
    if (c->flags & BOXF_MOVED) {
      if (view) c->InvalidateBox(view, &m);
      arrange->PlaceChar(c);
      if (view) c->InvalidateBox(view, &m);
      c->flags = std::uint16_t(c->flags & ~BOXF_MOVED);
    }
    const CFRect& b = c->box;
    if (!any) {
      u = b;
      any = true;
    } else {
      u = CFRect(std::min(u.left, b.left), std::min(u.top, b.top), std::max(u.right, b.right),
                 std::max(u.bottom, b.bottom));
    }
  }
  if (any) {
    matrix.TransformRectBounds(u);
    bounds = u;
  }
  if (shown) MoveCaret(view, caretIndex, int(caretSide));
}

std::uint32_t CTextObject::GetPropertyDialogId() {
  return arrange ? arrange->GetPageId() : CGraphObject::GetPropertyDialogId();
}

void CTextObject::SetPropertyTitle(CWindowServices* prop) {
  if (arrange)
    arrange->SetPageTitle(prop);
  else
    CGraphObject::SetPropertyTitle(prop);
}

CWindowServices* CTextObject::CreatePropertyPanel(CWindowServices* parent) {
  return arrange ? arrange->CreatePage(parent) : CGraphObject::CreatePropertyPanel(parent);
}

void CTextObject::FillPropertyPanel(CWindowServices* prop) {
  if (arrange) arrange->FillPage(prop);
}

int CTextObject::ApplyPropertyPanel(CWindowServices* panel) {
  if (!arrange) return 0;
  const int changed = arrange->ReadPage(panel);
  Relayout(GetActiveView(), -1);
  return changed;
}
