#include "text/sealobject.h"

#include <algorithm>
#include <cmath>

#include "model/pathnodes_util.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/shapebuilders.h"
#include "model/undoitems.h"
#include "platform/dc.h"
#include "text/sealdlg.h"

namespace {

// The frame rectangle as a plain, chamfered or rounded contour. A shape
// without width or height has no corner fractions: it is plain.
std::unique_ptr<CPathPointList> FrameContour(std::uint8_t shape, float x0, float y0, float x1,
                                             float y1, float corner) {
  const float w = x1 - x0, h = y1 - y0;
  if ((shape == 1 || shape == 2) && w != 0.0f && h != 0.0f) {
    const float fx = corner / w, fy = corner / h;
    if (std::isfinite(fx) && std::isfinite(fy)) {
      return shape == 1 ? MakeChamferRectPoints(x0, y0, x1, y1, fx, fy, nullptr)
                        : MakeRoundRectPoints(x0, y0, x1, y1, fx, fy, nullptr);
    }
  }
  return MakeRectPoints(x0, y0, x1, y1, nullptr);
}

bool Meets(const CFRect& a, const CFRect& b) {
  return !(a.right < b.left || a.left > b.right || a.bottom < b.top || a.top > b.bottom);
}

}  // namespace

CSealObject::CSealObject() { kind = OBJ_SEAL; }

CSealObject::~CSealObject() = default;

// --- Records -------------------------------------------------------------------

std::unique_ptr<CGraphObject> CSealObject::LoadFromRecord(const std::uint8_t* rec,
                                                          std::uint32_t length) {
  if (!rec || length < kRecordOverhead || rec[0] != REC_SEAL) return nullptr;
  CRecordReader reader(rec, length);
  auto seal = std::make_unique<CSealObject>();
  if (!ReadRecordHead(reader, REC_SEAL, *seal)) return nullptr;
  float shape = 0.0f;
  reader.ReadRect(seal->frame);
  reader.ReadF32(seal->marginX);
  reader.ReadF32(seal->marginY);
  reader.ReadF32(seal->gapX);
  reader.ReadF32(seal->gapY);
  reader.ReadF32(seal->borderWidth);
  reader.ReadF32(seal->cornerValue);
  reader.ReadF32(shape);
  reader.ReadU8(seal->layoutKind);
  reader.ReadMatrix(seal->matrix);
  if (reader.Failed()) return nullptr;
  // The shape is stored as a float: anything but 0, 1 or 2 is plain.
  seal->frameShape = shape >= 0.0f && shape < 3.0f ? std::uint8_t(shape) : 0;
  const std::uint32_t boxBytes = length - kRecordOverhead;
  if (boxBytes > 0) {
    if (std::unique_ptr<CBoxArray> items = CBoxArray::UnpackFromBuffer(rec + kBoxOffset, boxBytes))
      seal->chars.InsertArrayAt(0, *items);
  }
  return seal;
}

std::uint32_t CSealObject::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  plat::GlobalBlock box;
  std::uint32_t boxBytes = 0;
  if (!chars.IsEmpty()) {
    plat::HGLOBAL h = 0;
    boxBytes = chars.PackToGlobal(&h);
    box.reset(h);
    if (!boxBytes || !h) return 0;
  }
  CRecordWriter w(REC_SEAL, *this);
  w.PutRect(frame);
  w.PutF32(marginX);
  w.PutF32(marginY);
  w.PutF32(gapX);
  w.PutF32(gapY);
  w.PutF32(borderWidth);
  w.PutF32(cornerValue);
  w.PutF32(float(frameShape));
  w.PutU8(layoutKind);
  w.PutMatrix(matrix);
  if (boxBytes) {
    plat::GlobalLockGuard g(box.get());
    w.PutBytes(g.bytes(), boxBytes);
  }
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CSealObject::Clone() {
  std::unique_ptr<CGraphObject> copy = CGraphObject::Clone();
  if (auto* seal = dynamic_cast<CSealObject*>(copy.get())) seal->color = color;
  return copy;
}

// --- Cells ---------------------------------------------------------------------

void CSealObject::LayoutChars() {
  struct Cell {
    float x, bottom, height;
  };
  const float x0 = frame.left, y0 = frame.top, x1 = frame.right, y1 = frame.bottom;
  const float w = borderWidth;
  const float cw = (x1 - x0 - 2 * w - 2 * marginX - gapX) / 2;
  const float hf = y1 - y0 - 2 * w - 2 * marginY;
  const float hh = (y1 - y0 - 2 * w - 2 * marginY - gapY) / 2;
  const float left = x0 + w + marginX;
  const float right = x1 - w - marginX - cw;
  const float b1 = y1 - w - marginY;
  const float b0 = y0 + w + marginY + hh;
  std::vector<Cell> cells;
  switch (layoutKind) {
    case 2: cells = {{right, b0, hh}, {right, b1, hh}, {left, b1, hf}}; break;
    case 3: cells = {{right, b1, hf}, {left, b0, hh}, {left, b1, hh}}; break;
    case 4: cells = {{right, b0, hh}, {right, b1, hh}, {left, b0, hh}, {left, b1, hh}}; break;
    case 1: break;
    default: return;  // nothing is placed
  }
  int n = 0;
  for (CBoxItem* item : chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    Cell cell;
    if (layoutKind == 1)
      cell = {right - float(n) * (cw + gapX), b1, hf};
    else
      cell = cells[std::min<std::size_t>(std::size_t(n), cells.size() - 1)];
    c->sizeX = cw;
    c->sizeY = cell.height;
    c->x = cell.x;
    c->y = cell.bottom;
    c->box = CFRect(cell.x, cell.bottom - cell.height, cell.x + cw, cell.bottom);
    ++n;
  }
}

std::unique_ptr<CMatrix3> CSealObject::GetCharMatrix(int index) const {
  const CBoxChar* c = chars.CharAt(index);
  if (!c) return nullptr;
  auto m = std::make_unique<CMatrix3>();
  m->m00 = c->sizeX / 1024.0f;
  m->m11 = c->sizeY / 1024.0f;
  m->m20 = c->x;
  m->m21 = c->y - c->sizeY;
  return m;
}

// --- Outlines --------------------------------------------------------------------

std::unique_ptr<CPathPointList> CSealObject::MakeFrameOutline(const CMatrix3* m) const {
  const float x0 = frame.left, y0 = frame.top, x1 = frame.right, y1 = frame.bottom;
  std::unique_ptr<CPathPointList> outline = FrameContour(frameShape, x0, y0, x1, y1, cornerValue);
  if (!outline) return nullptr;
  const float w = borderWidth;
  if (w > 0.0f) {
    std::unique_ptr<CPathPointList> inner = FrameContour(
        frameShape, x0 + w, y0 + w, x1 - w, y1 - w, std::max(cornerValue - w, 0.0f));
    if (inner) outline->AppendList(inner.get());
  }
  outline->Transform(&matrix);
  if (m) outline->Transform(m);
  return outline;
}

CPathPointList* CSealObject::MakeOutline(const CMatrix3* m, int) {
  std::unique_ptr<CPathPointList> outline = MakeFrameOutline(m);
  if (!outline) return nullptr;
  CMatrix3 placed = matrix;
  if (m) placed.Multiply(*m);
  for (int i = 0; i < chars.GetSize(); ++i) {
    CBoxChar* c = chars.CharAt(i);
    std::unique_ptr<CMatrix3> cm = GetCharMatrix(i);
    if (!c || !cm) continue;
    cm->Multiply(placed);
    if (std::unique_ptr<CPathPointList> glyph = c->GetGlyphOutline(cm.get()))
      outline->AppendList(glyph.get());
  }
  outline->ApplyTransform();
  return outline.release();
}

std::unique_ptr<CGraphObject> CSealObject::ConvertToPath(int colorFilter) {
  if (colorFilter != -1 && std::uint32_t(colorFilter) != color) return nullptr;
  std::unique_ptr<CPathPointList> outline(MakeOutline(nullptr, 0));
  if (!outline || !outline->points) return nullptr;
  auto path = std::make_unique<CPathObject>();
  path->bounds = outline->bounds;
  path->capacity = outline->capacity;
  path->count = outline->count;
  path->points = outline->DetachPoints();
  path->color = color;
  return path;
}

// --- Drawing ---------------------------------------------------------------------

void CSealObject::DrawFrame(plat::DC* dc, const CMatrix3* m) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> outline = MakeFrameOutline(m);
  if (!outline) return;
  outline->ApplyTransform();
  if (flags & OBJF_FILLED)
    outline->DrawFilledInColor(dc, color);
  else
    outline->DrawOutlineInColor(dc, color);
}

void CSealObject::Draw(plat::DC* dc, const CMatrix3* viewMatrix, const CFRect* visible) {
  if (!dc) return;
  DrawFrame(dc, viewMatrix);
  CMatrix3 placed = matrix;
  if (viewMatrix) placed.Multiply(*viewMatrix);
  for (int i = 0; i < chars.GetSize(); ++i) {
    CBoxChar* c = chars.CharAt(i);
    std::unique_ptr<CMatrix3> cm = GetCharMatrix(i);
    if (!c || !cm) continue;
    if (visible) {
      CFRect cell = c->box;
      if (!matrix.IsIdentity()) matrix.TransformRectBounds(cell);
      if (!Meets(cell, *visible)) continue;
    }
    cm->Multiply(placed);
    c->Draw(dc, cm.get());
  }
}

void CSealObject::DrawOutline(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawOutlineInColor(dc, color);
}

void CSealObject::DrawFilled(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawFilledInColor(dc, color);
}

// --- Flags, colours, moving --------------------------------------------------------

void CSealObject::SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) {
  CGraphObject::SetFlags(view, bits, mask);
  if (!(mask & OBJF_FILLED) || chars.IsEmpty()) return;
  int first = 0, last = chars.GetSize() - 1;
  if (editMode == ID_TOOL_TEXT) {
    if (!chars.FindFirst(&first)) return;
    chars.FindLast(&last);
  }
  SetCharFlags(first, last, (bits & OBJF_FILLED) ? BOXF_FILLED : 0, BOXF_FILLED);
}

void CSealObject::SetCharFlags(int first, int last, std::uint16_t bits, std::uint16_t mask) {
  CViewServices* view = GetActiveView();
  first = std::max(first, 0);
  last = std::min(last, chars.GetSize() - 1);
  for (int i = first; i <= last; ++i) {
    CBoxChar* c = chars.CharAt(i);
    if (!c) continue;
    if (view && view->GetUndoRecordDepth() != 0) AppendUndo(view, std::make_unique<CUndoItemFlags>(c));
    c->flags = std::uint16_t((c->flags & ~mask) | bits);
  }
}

void CSealObject::SetCharColor(CViewServices* view, int first, int last, std::uint32_t c,
                               bool invalidate) {
  first = std::max(first, 0);
  last = std::min(last, chars.GetSize() - 1);
  for (int i = first; i <= last; ++i) {
    CBoxChar* item = chars.CharAt(i);
    if (!item || item->color == c) continue;
    item->color = c;
    if (invalidate) InvalidateChar(view, item);
  }
}

void CSealObject::InvalidateChar(CViewServices* view, const CBoxChar* item) const {
  CViewServices* v = view ? view : GetActiveView();
  if (!v || !item) return;
  CFRect r = item->box;
  if (!matrix.IsIdentity()) matrix.TransformRectBounds(r);
  if (const CMatrix3* vm = v->GetViewMatrix()) vm->TransformRectBounds(r);
  const plat::RECT rc{TruncToLong(std::min(r.left, r.right)), TruncToLong(std::min(r.top, r.bottom)),
                      TruncToLong(std::max(r.left, r.right)), TruncToLong(std::max(r.top, r.bottom))};
  v->InvalidateRect(plat::GrowRect(rc, 2, 2), true);
}

void CSealObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  if (matrix.IsIdentity()) {
    for (CBoxItem* item : chars.Items())
      if (item->IsChar()) static_cast<CBoxChar*>(item)->Offset(dx, dy);
    frame.left += dx;
    frame.right += dx;
    frame.top += dy;
    frame.bottom += dy;
  } else {
    matrix.m20 += dx;
    matrix.m21 += dy;
  }
}

// --- Properties ------------------------------------------------------------------

int CSealObject::ShowProperties(CWindowServices* propertyWindow) {
  if (propertyWindow) propertyWindow->Show(false);
  CSealParamDlg dlg(layoutKind, this);
  if (dlg.DoModal() != fw::IDOK) return 0;
  std::unique_ptr<CSealObject> fresh = dlg.TakeSeal();
  CViewServices* view = GetActiveView();
  CDocumentServices* doc = view ? view->GetDocument() : nullptr;
  const int index = doc && fresh ? doc->IndexOfObject(this) : -1;
  if (index < 0) return 0;
  // The edited seal takes this one's place in one undo step.
  {
    pathnodes::UndoBracket bracket(view, 0);
    const bool recording = view->GetUndoRecordDepth() != 0;
    InvalidateObjectRect(view, true);
    CSealObject* made = fresh.release();
    made->selected = selected;
    doc->RemoveObject(this);
    doc->InsertObject(made, index);
    made->InvalidateObjectRect(view, true);
    doc->SetModified(true);
    if (recording) {
      AppendUndo(view, std::make_unique<CUndoDelete>(this, index));
      AppendUndo(view, std::make_unique<CUndoAddObject>(made));
    } else {
      DeleteDetachedObject(doc, this);  // this object is gone from here on
    }
  }
  if (CDesignViewServices* dv = view->GetDesignView())
    if (CTrackerServices* t = dv->GetSelectTracker()) t->RefreshSelection();
  return 0;
}
