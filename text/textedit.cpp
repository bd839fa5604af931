// Editing a text in place: caret, selection, typing with the layout timer,
// keys, mouse, deletes, clipboard, indents and character flags.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/segarray.h"
#include "model/services.h"
#include "model/undoitems.h"
#include "platform/dc.h"
#include "text/language.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

constexpr std::uint32_t kKeyShift = 4;  // OnKeyDown's modifier bits
constexpr std::uint32_t kKeyControl = 8;
constexpr std::uint32_t kBackspace = 8;

bool Recording(CViewServices* view) { return view && view->GetUndoRecordDepth() != 0; }

bool IsDoubleByteLanguage(std::uint32_t lang) {
  return lang == 128 || lang == 129 || lang == 134 || lang == 136;
}

// Length of the vector (vx, vy) carried through the matrix without translation.
float VectorLength(const CMatrix3& m, float vx, float vy) {
  return std::hypot(vx * m.m00 + vy * m.m10, vx * m.m01 + vy * m.m11);
}

// Sizes that show at (sizeX, sizeY) on the page after the matrix: along the
// direction the matrix gives each axis, the page length carried back.
void PageSizeToText(const CMatrix3& m, const CMatrix3& inverse, float& sizeX, float& sizeY) {
  const float lx = std::hypot(m.m00, m.m01), ly = std::hypot(m.m10, m.m11);
  if (lx > 0.0f && std::isfinite(lx))
    sizeX = VectorLength(inverse, sizeX * m.m00 / lx, sizeX * m.m01 / lx);
  if (ly > 0.0f && std::isfinite(ly))
    sizeY = VectorLength(inverse, sizeY * m.m10 / ly, sizeY * m.m11 / ly);
}

// Text matrix then view matrix.
CMatrix3 ToDevice(const CMatrix3& textMatrix, const CViewServices* view) {
  CMatrix3 m = textMatrix;
  if (view && view->GetViewMatrix()) m.Multiply(*view->GetViewMatrix());
  return m;
}

}  // namespace

void ScaleBoxItems(CBoxArray& items, const CMatrix3& m) {
  if (m.IsIdentity()) return;
  for (CBoxItem* item : items.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    const float sx = VectorLength(m, c->sizeX, 0.0f);
    const float sy = VectorLength(m, 0.0f, c->sizeY);
    c->sizeX = sx;
    c->sizeY = sy;
  }
}

// --- Caret ------------------------------------------------------------------

int CTextObject::NextCharIndex(int i) const { return chars.NextCharIndex(i); }

int CTextObject::PrevCharIndex(int i) const {
  for (int k = std::min(i, chars.GetSize()) - 1; k >= 0; --k)
    if (chars.GetAt(k)->IsChar()) return k;
  return -1;
}

void CTextObject::NormalizeCaret(int& index, int& side) const {
  if (index < 0) {
    index = NextCharIndex(-1);
    side = 1;
    if (index < 0) index = -1;
    return;
  }
  if (index < chars.GetSize() && chars.GetAt(index)->IsChar()) return;
  const int next = NextCharIndex(index);
  if (next >= 0) {
    index = next;
    side = 1;
    return;
  }
  const int prev = PrevCharIndex(index);
  index = prev;
  side = prev >= 0 ? 0 : 1;
}

void CTextObject::DeviceCaretLine(const CMatrix3* vm, CFPoint* a, CFPoint* b) const {
  *a = caretLine[0];
  *b = caretLine[1];
  matrix.TransformPoint(*a);
  matrix.TransformPoint(*b);
  if (vm) {
    vm->TransformPoint(*a);
    vm->TransformPoint(*b);
  }
}

void CTextObject::DrawCaretOn(plat::DC* dc, const CMatrix3* vm) const {
  if (!dc) return;
  CFPoint a, b;
  DeviceCaretLine(vm, &a, &b);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 3, 0);
  plat::HPEN oldPen = dc->SelectObject(pen);
  const int rop = dc->SetROP2(plat::R2_NOTXORPEN);
  dc->MoveTo(TruncToLong(a.x), TruncToLong(a.y));
  dc->LineTo(TruncToLong(b.x), TruncToLong(b.y));
  dc->SetROP2(rop);
  dc->SelectObject(oldPen);
  plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(pen));
}

void CTextObject::DrawCaret(CViewServices* view) {
  if (!view) return;
  plat::DC* dc = view->GetDC();
  if (!dc) return;
  DrawCaretOn(dc, view->GetViewMatrix());
  view->ReleaseDC(dc);
}

void CTextObject::ComputeCaretLine() {
  if (!arrange) return;
  if (caretIndex < 0 || NextCharIndex(-1) < 0) {
    const CTextAttr& d = DefaultTextAttr();
    arrange->GetDefaultCaret(&caretLine[0], &caretLine[1], d.sizeX, d.sizeY);
  } else {
    arrange->GetCaretLine(caretIndex, int(caretSide), &caretLine[0], &caretLine[1]);
  }
}

void CTextObject::ShowCaret(CViewServices* view) {
  HideCaret(view);
  if (caretIndex < 0) caretSide = 1;
  ComputeCaretLine();
  if (!view) return;
  DrawCaret(view);
  caretShown = 1;
  PlaceViewCaret(view);
}

void CTextObject::HideCaret(CViewServices* view) {
  if (!caretShown) return;
  DrawCaret(view);
  caretShown = 0;
  PlaceViewCaret(view);
}

void CTextObject::PlaceViewCaret(CViewServices* view) const {
  if (!view) return;
  if (!caretShown) {
    view->PlaceCaret(nullptr);
    return;
  }
  CFPoint a, b;
  DeviceCaretLine(view->GetViewMatrix(), &a, &b);
  // The line's box, the pen's width across it.
  const plat::LONG x0 = TruncToLong(std::min(a.x, b.x)), x1 = TruncToLong(std::max(a.x, b.x));
  const plat::LONG y0 = TruncToLong(std::min(a.y, b.y)), y1 = TruncToLong(std::max(a.y, b.y));
  const plat::RECT r{plat::SatAdd(x0, -1), plat::SatAdd(y0, -1), plat::SatAdd(x1, 2), plat::SatAdd(y1, 2)};
  view->PlaceCaret(&r);
}

void CTextObject::UpdateCaret(CViewServices* view) {
  if (caretShown)
    ShowCaret(view);
  else
    ComputeCaretLine();
}

void CTextObject::MoveCaret(CViewServices* view, int index, int side) {
  HideCaret(view);
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = side ? 1u : 0u;
  ShowCaret(view);
}

bool CTextObject::SetCaretFromPoint(CViewServices* view, float x, float y) {
  int index = -1;
  if (!arrange || !HitTestChar(x, y, 2, &index)) return false;
  HideCaret(view);
  float tx = x, ty = y;
  if (!matrix.IsIdentity() && matrix.IsInvertible()) {
    CFPoint p{x, y};
    matrix.CreateInverse()->TransformPoint(p);
    tx = p.x;
    ty = p.y;
  }
  const int side = arrange->CaretFromPoint(index, tx, ty, &caretLine[0], &caretLine[1]);
  caretIndex = index;
  caretSide = side ? 1u : 0u;
  ShowCaret(view);
  return true;
}

// --- Selection --------------------------------------------------------------

int CTextObject::CountSelected() const {
  int n = 0;
  for (CBoxItem* item : chars.Items())
    if (item->IsChar() && item->IsSelected() && !static_cast<CBoxChar*>(item)->IsReturn()) ++n;
  return n;
}

void CTextObject::ClearSelection() {
  for (CBoxItem* item : chars.Items())
    if (item->IsChar()) static_cast<CBoxChar*>(item)->flags &= std::uint16_t(~BOXF_SELECTED);
  selectedCount = 0;
}

void CTextObject::SelectRange(int a, int b) {
  if (a > b) std::swap(a, b);
  a = std::max(a, 0);
  b = std::min(b, chars.GetSize() - 1);
  for (int k = a; k <= b; ++k)
    if (CBoxChar* c = chars.CharAt(k)) c->flags |= BOXF_SELECTED;
  selectedCount = std::uint32_t(CountSelected());
}

void CTextObject::ExtendSelection(CViewServices* view, int index, int side) {
  // Positions are gaps between items: before the item (side 1) or after it.
  const int from = caretIndex < 0 ? 0 : caretIndex + (caretSide ? 0 : 1);
  const int to = index < 0 ? 0 : index + (side ? 0 : 1);
  const int lo = std::max(std::min(from, to), 0);
  const int hi = std::min(std::max(from, to), chars.GetSize());
  for (int k = lo; k < hi; ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    // Crossing a character again gives it up (Shift+Left after Shift+Right).
    c->flags ^= BOXF_SELECTED;
    InvalidateCharBox(view, c);
  }
  selectedCount = std::uint32_t(CountSelected());
}

int CTextObject::GetSelectionEnd(int* side) const {
  if (side) *side = int(caretSide);
  return caretIndex;
}

namespace {
// XOR paints the boxes of the selected characters through the matrix.
void PaintSelection(const CBoxArray& chars, plat::DC* dc, const CMatrix3& m) {
  plat::HBRUSH oldBrush =
      dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::BLACK_BRUSH)));
  plat::HPEN oldPen = dc->SelectObject(static_cast<plat::HPEN>(plat::GetStockObject(plat::NULL_PEN)));
  const int rop = dc->SetROP2(plat::R2_NOTXORPEN);
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar() || !item->IsSelected()) continue;
    CFPoint q[4];
    m.TransformRectToQuad(static_cast<CBoxChar*>(item)->box, q);
    const plat::POINT pts[4] = {{TruncToLong(q[0].x), TruncToLong(q[0].y)},
                                {TruncToLong(q[1].x), TruncToLong(q[1].y)},
                                {TruncToLong(q[3].x), TruncToLong(q[3].y)},
                                {TruncToLong(q[2].x), TruncToLong(q[2].y)}};
    dc->Polygon(pts, 4);
  }
  dc->SetROP2(rop);
  dc->SelectObject(oldPen);
  dc->SelectObject(oldBrush);
}
}  // namespace

void CTextObject::DrawSelection(CViewServices* view, plat::DC* dc, bool) {
  if (!dc || selectedCount == 0) return;
  PaintSelection(chars, dc, ToDevice(matrix, view));
}

void CTextObject::InvalidateCharBox(CViewServices* view, const CBoxChar* item) const {
  if (!view || !item) return;
  CFRect b = item->box;
  plat::RECT r;
  ToDevice(matrix, view).TransformRectBounds(b, &r);
  r.left = std::min(r.left, r.right);
  r.top = std::min(r.top, r.bottom);
  r.right = std::max(r.left, r.right);
  r.bottom = std::max(r.top, r.bottom);
  view->InvalidateRect(plat::GrowRect(r, 2, 2), false);
}

namespace {
// Draws the marks on the view's own device context.
void DrawSelectionIn(CTextObject& text, CViewServices* view, bool erase) {
  if (!view || text.selectedCount == 0) return;
  if (plat::DC* dc = view->GetDC()) {
    text.DrawSelection(view, dc, erase);
    view->ReleaseDC(dc);
  }
}
}  // namespace

// --- Removing ---------------------------------------------------------------

void CTextObject::DisposeItemAt(CViewServices* view, int index) {
  CBoxItem* item = chars.RemoveAt(index);
  if (!item) return;
  if (item->IsChar()) InvalidateCharBox(view, static_cast<CBoxChar*>(item));
  if (Recording(view))
    AppendUndo(view, std::make_unique<CUndoRemoveItem>(&chars, item, index));
  else
    delete item;
}

std::unique_ptr<CBoxArray> CTextObject::CopySelection() const {
  auto copy = std::make_unique<CBoxArray>();
  for (CBoxItem* item : chars.Items())
    if (item->IsSelected())
      if (std::unique_ptr<CBoxItem> c = item->Clone()) copy->Add(std::move(c));
  if (copy->IsEmpty()) return nullptr;
  return copy;
}

std::unique_ptr<CBoxArray> CTextObject::CutSelection(CViewServices* view) {
  int first = -1;
  if (!chars.FindFirst(&first)) return nullptr;
  std::unique_ptr<CBoxArray> cut;
  if (Recording(view)) {
    // Undo keeps the originals, unselected, and puts them back; the caller
    // gets copies.
    cut = CopySelection();
    AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
    AppendUndo(view, std::make_unique<CUndoCaret>(this, caretIndex, int(caretSide)));
    for (int k = chars.GetSize() - 1; k >= first; --k) {
      CBoxItem* item = chars.GetAt(k);
      if (!item->IsSelected()) continue;
      if (item->IsChar()) static_cast<CBoxChar*>(item)->flags &= std::uint16_t(~BOXF_SELECTED);
      DisposeItemAt(view, k);
    }
  } else {
    cut = std::make_unique<CBoxArray>();
    std::vector<CBoxItem*> taken;
    for (int k = chars.GetSize() - 1; k >= 0; --k) {
      if (!chars.GetAt(k)->IsSelected()) continue;
      CBoxItem* item = chars.RemoveAt(k);
      if (item->IsChar()) InvalidateCharBox(view, static_cast<CBoxChar*>(item));
      taken.push_back(item);
    }
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) cut->Add(*it);
  }
  selectedCount = 0;
  int index = first, side = 1;
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  return cut;
}

void CTextObject::DeleteSelection(CViewServices* view) {
  int first = -1;
  if (!chars.FindFirst(&first)) {
    selectedCount = 0;
    return;
  }
  if (Recording(view)) {
    AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
    AppendUndo(view, std::make_unique<CUndoCaret>(this, caretIndex, int(caretSide)));
  }
  for (int k = chars.GetSize() - 1; k >= first; --k)
    if (chars.GetAt(k)->IsSelected()) DisposeItemAt(view, k);
  selectedCount = 0;
  int index = first, side = 1;
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  Relayout(view, first);
}

void CTextObject::DeleteCharAtCaret(CViewServices* view) {
  if (caretIndex < 0 || caretIndex >= chars.GetSize()) return;
  // Recorded so that undo puts the character back before any earlier
  // insertion is undone (which then finds it in the text).
  if (Recording(view)) {
    AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
    AppendUndo(view, std::make_unique<CUndoCaret>(this, caretIndex, int(caretSide)));
  }
  const int at = caretIndex;
  DisposeItemAt(view, at);
  if (caretSide == 0) {
    const int prev = PrevCharIndex(at);
    if (prev >= 0) {
      caretIndex = prev;
    } else {
      caretIndex = at;
      caretSide = 1;
    }
  }
  int index = caretIndex, side = int(caretSide);
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  Relayout(view, std::max(at - 1, 0));
  pendingLayoutStart = -1;
}

// --- Clipboard --------------------------------------------------------------

void CTextObject::CopyToClipboard(CViewServices*) {
  std::unique_ptr<CBoxArray> copy = CopySelection();
  if (!copy) return;
  CClipboardServices* clip = GetClipboardServices();
  if (!clip || !clip->Open()) return;
  clip->Empty();
  std::string text;
  copy->ExtractText(text);
  text.resize(std::strlen(text.c_str()));
  // Sized to the text: its bytes and two zeros.
  plat::GlobalBlock t(plat::GHND, text.size() + 2);
  if (t) {
    {
      plat::GlobalLockGuard lock(t.get());
      if (lock && !text.empty()) std::memcpy(lock.bytes(), text.data(), text.size());
    }
    if (clip->SetData(CClipboardServices::kTextFormat, t.get())) t.release();
  }
  ScaleBoxItems(*copy, matrix);
  const std::uint32_t format = RegisteredClipboardFormats().boxItems;
  plat::HGLOBAL h = 0;
  if (format && copy->PackToGlobal(&h) && h) {
    if (!clip->SetData(format, h)) plat::GlobalFree(h);
  } else if (h) {
    plat::GlobalFree(h);
  }
  copy->DeleteAll();
  clip->Close();
}

int CTextObject::PasteFromClipboard(CViewServices* view) {
  CClipboardServices* clip = GetClipboardServices();
  if (!clip || !clip->Open()) return 0;
  std::unique_ptr<CBoxArray> items;
  const std::uint32_t format = RegisteredClipboardFormats().boxItems;
  if (format && clip->IsFormatAvailable(format)) {
    items = CBoxArray::UnpackFromGlobal(clip->GetData(format));
  } else if (clip->IsFormatAvailable(CClipboardServices::kTextFormat)) {
    const plat::HGLOBAL h = clip->GetData(CClipboardServices::kTextFormat);
    plat::GlobalLockGuard lock(h);
    if (lock) {
      // Within the block, whether or not it holds its terminating zero.
      const auto* p = reinterpret_cast<const char*>(lock.bytes());
      const std::string text(p, strnlen(p, lock.size()));
      items = TextToBoxArray(text.c_str());
    }
  }
  clip->Close();
  if (!items || items->IsEmpty()) return 1;
  // The clipboard holds page sizes; the text's own units are before its matrix.
  if (!matrix.IsIdentity() && matrix.IsInvertible()) ScaleBoxItems(*items, *matrix.CreateInverse());
  for (CBoxItem* item : items->Items())
    if (item->IsChar()) static_cast<CBoxChar*>(item)->flags &= std::uint16_t(~BOXF_SELECTED);
  HideCaret(view);
  InsertItemsAtCaret(view, *items);
  if (editMode == ID_TOOL_TEXT) ShowCaret(view);
  return 1;
}

int CTextObject::InsertItemsAtCaret(CViewServices* view, CBoxArray& items) {
  if (items.IsEmpty()) return -1;
  std::vector<CBoxItem*> inserted(items.Items());
  InsertAtCaret(items);
  const int first = caretIndex;
  if (Recording(view)) {
    AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
    for (CBoxItem* item : inserted) AppendUndo(view, std::make_unique<CUndoInsertChar>(item, this));
  }
  caretIndex = first + int(inserted.size()) - 1;
  caretSide = 0;
  int index = caretIndex, side = 0;
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  Relayout(view, std::max(first - 1, 0));
  pendingLayoutStart = -1;
  return first;
}

// --- Flags and indents ------------------------------------------------------

void CTextObject::SetCharFlags(CViewServices* view, int first, int last, std::uint16_t value,
                               std::uint16_t mask) {
  first = std::max(first, 0);
  last = std::min(last, chars.GetSize() - 1);
  if (first > last) return;
  const bool rec = Recording(view);
  if (rec) AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
  for (int k = first; k <= last; ++k) {
    CBoxChar* c = chars.CharAt(k);
    if (!c) continue;
    const std::uint16_t flagsNow = std::uint16_t((c->flags & ~mask) | (value & mask));
    if (flagsNow == c->flags) continue;
    if (rec) AppendUndo(view, std::make_unique<CUndoItemFlags>(c));
    c->flags = flagsNow;
  }
  pendingLayoutStart = first;
}

void CTextObject::Indent(CViewServices* view) {
  int first = -1, last = -1;
  if (!chars.FindFirst(&first)) return;
  const bool rec = Recording(view);
  if (rec) AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
  chars.RemovePairsInSelection(BOXC_INDENT);
  if (!chars.FindFirst(&first) || !chars.FindLast(&last)) return;
  auto* open = new CBoxCode(BOXC_INDENT, 0);
  auto* close = new CBoxCode(BOXC_UNINDENT, 0);
  chars.InsertAt(last + 1, close);
  chars.InsertAt(first, open);
  if (rec) {
    AppendUndo(view, std::make_unique<CUndoInsertChar>(close, this));
    AppendUndo(view, std::make_unique<CUndoInsertChar>(open, this));
  }
  if (caretIndex >= first) ++caretIndex;
  if (caretIndex > last + 1) ++caretIndex;
  chars.RemoveEmptyPairs(BOXC_INDENT);
  int index = caretIndex, side = int(caretSide);
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  Relayout(view, std::max(first - 1, 0));
}

namespace {
bool IsIndentCode(const CBoxItem* item, std::uint16_t code) {
  return item && item->IsCode() && static_cast<const CBoxCode*>(item)->code == code;
}
}  // namespace

void CTextObject::UnIndent(CViewServices* view) {
  int first = -1;
  if (!chars.FindFirst(&first)) return;
  // The innermost open indent before the first selected item.
  int open = -1, depth = 0;
  for (int k = first - 1; k >= 0; --k) {
    const CBoxItem* item = chars.GetAt(k);
    if (IsIndentCode(item, BOXC_UNINDENT)) {
      ++depth;
    } else if (IsIndentCode(item, BOXC_INDENT)) {
      if (depth == 0) {
        open = k;
        break;
      }
      --depth;
    }
  }
  if (open < 0) return;
  int close = -1;
  depth = 0;
  for (int k = open + 1; k < chars.GetSize(); ++k) {
    const CBoxItem* item = chars.GetAt(k);
    if (IsIndentCode(item, BOXC_INDENT)) {
      ++depth;
    } else if (IsIndentCode(item, BOXC_UNINDENT)) {
      if (depth == 0) {
        close = k;
        break;
      }
      --depth;
    }
  }
  if (Recording(view)) AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, pendingLayoutStart));
  // The closer first, so that undo puts the opener back before it.
  if (close >= 0) {
    DisposeItemAt(view, close);
    if (caretIndex > close) --caretIndex;
  }
  DisposeItemAt(view, open);
  if (caretIndex > open) --caretIndex;
  int index = caretIndex, side = int(caretSide);
  NormalizeCaret(index, side);
  caretIndex = index;
  caretSide = std::uint32_t(side);
  Relayout(view, std::max(open - 1, 0));
}

// --- Slots ------------------------------------------------------------------

int CTextObject::CanTextEdit() {
  pendingLead = 0;
  pendingTrail = 0;
  return 1;
}

int CTextObject::CanDeleteInEdit(CViewServices*) { return editMode == ID_TOOL_TEXT ? 1 : 0; }

void CTextObject::DeleteAtCaretInText(CViewServices* view) {
  if (CountSelected() > 0) {
    DeleteSelection(view);
    UpdateCaret(view);
    return;
  }
  if (caretIndex < 0) return;
  if (caretSide == 0) {
    const int next = NextCharIndex(caretIndex);
    if (next < 0) return;
    HideCaret(view);
    caretIndex = next;
    caretSide = 1;
  } else if (!chars.CharAt(caretIndex)) {
    return;
  }
  const bool shown = caretShown != 0;
  DeleteCharAtCaret(view);
  if (shown) ShowCaret(view);
}

void CTextObject::DeleteBeforeCaretInText(CViewServices* view) {
  const bool shown = caretShown != 0;
  HideCaret(view);
  if (CountSelected() > 0) {
    DeleteSelection(view);
    const int prev = PrevCharIndex(caretIndex);
    if (prev >= 0) {
      caretIndex = prev;
      caretSide = 0;
    }
  } else if (caretIndex >= 0) {
    if (caretSide == 1) {
      const int prev = PrevCharIndex(caretIndex);
      if (prev >= 0) {
        caretIndex = prev;
        DeleteCharAtCaret(view);
      }
    } else {
      DeleteCharAtCaret(view);
    }
  }
  if (shown) ShowCaret(view);
}

int CTextObject::EndTextEdit(CViewServices* view) {
  if (pendingLayoutStart >= 0) return 0;
  DrawSelectionIn(*this, view, true);
  ClearSelection();
  HideCaret(view);
  caretIndex = -1;
  mouseAnchor = -1;
  editMode = 0;
  RecalcBounds();
  return 1;
}

void CTextObject::DrawTextEditMarks(plat::DC* dc, const CMatrix3* vm) {
  if (!dc) return;
  if (caretShown) DrawCaretOn(dc, vm);
  if (selectedCount == 0) return;
  CMatrix3 m = matrix;
  if (vm) m.Multiply(*vm);
  PaintSelection(chars, dc, m);
}

int CTextObject::OnMouseOverText(CViewServices*, std::uint32_t fl, float x, float y) {
  if (fl & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) return 1;
  int index = -1;
  if (HitTestChar(x, y, 1, &index)) {
    hitIndex = index;
    hoverTool = ID_TOOL_TEXT;
  }
  return 1;
}

int CTextObject::OnMouseOverTextDrag(CViewServices* view, std::uint32_t, float x, float y) {
  int index = -1;
  if (!HitTestChar(x, y, 2, &index)) return 0;
  hitIndex = index;
  hoverTool = ID_TOOL_TEXT_DRAG;
  if (view) view->SetCursor(SharedTools().moveCursor);
  SetCaretFromPoint(view, x, y);
  return 1;
}

int CTextObject::EndMouseOverTextDrag(CViewServices* view) {
  if (view) view->SetCursor(IDC_IBEAM);
  HideCaret(view);
  hitIndex = -1;
  return 1;
}

int CTextObject::OnCharText(CViewServices* view, std::uint32_t ch, std::uint32_t) {
  if (ch < 32 && ch != 13) return 0;
  CDesignViewServices* design = view ? view->GetDesignView() : nullptr;
  const std::uint32_t lang = design ? design->GetLanguageId() : DefaultTextAttr().doubleByteLanguage;
  const CTextAttr& attr = DefaultTextAttr();
  std::unique_ptr<CBoxChar> c;
  if (IsDoubleByteLanguage(lang)) {
    if (ch > 256) {
      c = std::make_unique<CBoxChar>(std::uint8_t(lang), std::uint16_t(ch), attr);
    } else if (pendingLead != 0) {
      // The byte after a lead byte is its trail byte.
      pendingTrail = std::uint8_t(ch);
      c = std::make_unique<CBoxChar>(std::uint8_t(lang),
                                     std::uint16_t((pendingLead << 8) | pendingTrail), attr);
      pendingLead = 0;
      pendingTrail = 0;
    } else if (ch >= 129) {
      pendingLead = std::uint8_t(ch);
      return 1;
    } else {
      c = std::make_unique<CBoxChar>(attr.singleByteLanguage, std::uint16_t(ch), attr);
    }
  } else {
    c = std::make_unique<CBoxChar>(std::uint8_t(lang), std::uint16_t(ch), attr);
  }
  if (!matrix.IsIdentity() && matrix.IsInvertible())
    PageSizeToText(matrix, *matrix.CreateInverse(), c->sizeX, c->sizeY);

  CBoxChar* item = c.release();
  InsertItemAtCaret(item);
  if (Recording(view)) AppendUndo(view, std::make_unique<CUndoInsertChar>(item, this));
  const int index = chars.IndexOf(item);
  caretIndex = index;
  caretSide = 0;
  if (pendingLayoutStart < 0) pendingLayoutStart = index;
  idleTicks = 0;
  if (view) view->SetTimer(kTextLayoutTimer, kTextLayoutTimerMs);
  return 1;
}

int CTextObject::OnTimer(CViewServices* view, std::uint32_t timerId) {
  if (timerId != kTextLayoutTimer) return 0;
  ++idleTicks;
  if (idleTicks > 3) {
    if (view) view->KillTimer(kTextLayoutTimer);
    idleTicks = -1;
    const bool shown = caretShown != 0;
    Relayout(view, pendingLayoutStart);
    pendingLayoutStart = -1;
    if (!shown && editMode == ID_TOOL_TEXT) ShowCaret(view);
    if (view) view->UpdateNow();
  }
  return 1;
}

int CTextObject::OnKeyDownText(CViewServices* view, std::uint32_t key, std::uint32_t modifiers) {
  if (key == kBackspace) {
    if (!caretShown) return 0;
    if (CountSelected() > 0) {
      DeleteSelection(view);
      UpdateCaret(view);
      return 1;
    }
    HideCaret(view);
    bool remove = true;
    if (caretSide == 1) {
      const int prev = PrevCharIndex(caretIndex);
      if (prev < 0)
        remove = false;
      else
        caretIndex = prev;
    }
    if (remove) DeleteCharAtCaret(view);
    ShowCaret(view);
    return 1;
  }
  if (key < NAV_END || key > NAV_DOWN || !arrange) return 0;
  const bool shift = (modifiers & kKeyShift) != 0;
  int side = int(caretSide);
  int index = caretIndex;
  if (!shift && CountSelected() > 0) index = GetSelectionEnd(&side);
  if (index < 0) NormalizeCaret(index, side);
  const int next = arrange->NavigateKey(key, index, &side);
  if (next < 0) return 0;
  if (selectedCount > 0) DrawSelectionIn(*this, view, true);
  if (!shift) {
    ClearSelection();
  } else {
    caretIndex = index;
    ExtendSelection(view, next, side);
  }
  MoveCaret(view, next, side);
  DrawSelectionIn(*this, view, false);
  return 1;
}

int CTextObject::OnLButtonDownText(CViewServices* view, std::uint32_t, float x, float y) {
  int index = -1;
  if (!HitTestChar(x, y, 0, &index)) return 0;
  DrawSelectionIn(*this, view, true);
  ClearSelection();
  mouseAnchor = index;
  ObjectDrag().start = ObjectDrag().last = CFPoint{x, y};
  ObjectDrag().moved = 0;
  SetCaretFromPoint(view, x, y);
  return 1;
}

int CTextObject::OnMouseMoveText(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!(fl & MK_LBUTTON)) return 0;
  ObjectDragState& drag = ObjectDrag();
  if (!drag.moved) {
    const double t = DragThreshold(view);
    if (std::fabs(double(drag.start.x) - x) <= t && std::fabs(double(drag.start.y) - y) <= t) return 1;
    drag.moved = 1;
  }
  if (mouseAnchor < 0) return 1;
  int index = -1;
  if (!HitTestChar(x, y, 2, &index)) return 1;
  DrawSelectionIn(*this, view, true);
  ClearSelection();
  SetCaretFromPoint(view, x, y);
  SelectRange(mouseAnchor, caretIndex);
  DrawSelectionIn(*this, view, false);
  return 1;
}

int CTextObject::OnLButtonUpText(CViewServices*, std::uint32_t, float, float) {
  const CBoxChar* c = chars.CharAt(caretIndex);
  CMainFrameServices* frame = GetMainFrame();
  if (c) {
    float sx = 0.0f, sy = 0.0f;
    GetCharSize(caretIndex, &sx, &sy);
    DefaultTextAttr().sizeX = sx;
    DefaultTextAttr().sizeY = sy;
    if (frame) {
      // The em vectors after the glyph matrix and the text matrix.
      CMatrix3 m;
      if (std::unique_ptr<CMatrix3> g = c->GetGlyphMatrix(nullptr)) m = *g;
      m.Multiply(matrix);
      frame->ShowSize(VectorLength(m, c->sizeX, 0.0f), VectorLength(m, 0.0f, c->sizeY));
      const int slot = g_Language.FindId(c->LanguageId());
      frame->ShowText(slot >= 0 ? g_Language.GetName(slot) : std::string());
    }
  }
  if (frame) frame->SyncWithSelection();
  return 1;
}

int CTextObject::OnLButtonDblClk(CViewServices* view, std::uint32_t fl, float, float) {
  if (editMode != ID_TOOL_TEXT) return 0;
  CMainFrameServices* frame = GetMainFrame();
  if ((fl & MK_CONTROL) && !(fl & MK_SHIFT)) {
    if (frame) frame->CopyTextEditorSelection();
    PasteFromClipboard(view);
  } else if (frame) {
    frame->OpenTextEditor();
  }
  return 0;
}
