#include "model/graphobject.h"

#include <cmath>

#include "model/bezier.h"
#include "model/records.h"
#include "model/undoitems.h"
#include "platform/report.h"

namespace {

ObjectDragState g_drag;

bool IsMoved(const CViewServices* view, float x, float y) {
  const double threshold = DragThreshold(view);
  return std::fabs(static_cast<double>(g_drag.start.x - x)) > threshold ||
         std::fabs(static_cast<double>(g_drag.start.y - y)) > threshold;
}

// Selects the shared pens into a DC for XOR drawing and restores it after.
class XorScope {
 public:
  XorScope(plat::DC* dc, plat::HPEN pen, plat::HBRUSH brush) : dc_(dc) {
    if (pen) oldPen_ = dc_->SelectObject(pen);
    if (brush) oldBrush_ = dc_->SelectObject(brush);
    oldRop_ = dc_->SetROP2(plat::R2_NOTXORPEN);
  }
  ~XorScope() {
    if (oldPen_) dc_->SelectObject(oldPen_);
    if (oldBrush_) dc_->SelectObject(oldBrush_);
    if (oldRop_) dc_->SetROP2(oldRop_);
  }
  XorScope(const XorScope&) = delete;
  XorScope& operator=(const XorScope&) = delete;

 private:
  plat::DC* dc_;
  plat::HPEN oldPen_ = nullptr;
  plat::HBRUSH oldBrush_ = nullptr;
  int oldRop_ = 0;
};

void DrawRectOutline(plat::DC* dc, const CFRect& r) {
  const plat::LONG l = TruncToLong(r.left), t = TruncToLong(r.top);
  const plat::LONG rt = TruncToLong(r.right), b = TruncToLong(r.bottom);
  XorScope xs(dc, SharedTools().xorPen, SharedTools().xorBrush);
  dc->MoveTo(l, t);
  dc->LineTo(rt, t);
  dc->LineTo(rt, b);
  dc->LineTo(l, b);
  dc->LineTo(l, t);
}


}  // namespace

ObjectDragState& ObjectDrag() { return g_drag; }

double DragThreshold(const CViewServices* view) {
  return 3.0 * (view ? view->GetUnitsPerPixel() : 1.0);
}

CGraphObject::CGraphObject() = default;
CGraphObject::~CGraphObject() = default;

const void* CGraphObject::GetRuntimeClass() const { return nullptr; }
void CGraphObject::Serialize(void*) {}

// --- Empty or zero bases ----------------------------------------------------

void CGraphObject::ReplaceFont(std::uint16_t, int, std::uint16_t, int) {}
void CGraphObject::ListUsedFonts(const CLanguage*, CListBoxServices*) {}
void CGraphObject::RecalcBounds() {}
int CGraphObject::IsEmpty() { return 0; }
void CGraphObject::Print(plat::DC*, const CMatrix3*, const PrintSettings*) {}
int CGraphObject::CanNodeEdit() { return 0; }
int CGraphObject::CanTextEdit() { return 0; }
void CGraphObject::OnNodeEditBegun(CViewServices*) {}
int CGraphObject::DoCommand(CViewServices*, std::uint32_t) { return 0; }
int CGraphObject::IsCommandEnabled(CViewServices*, std::uint32_t) { return 0; }
void CGraphObject::DeleteAtCaretInText(CViewServices*) {}
void CGraphObject::DeleteBeforeCaretInText(CViewServices*) {}
void CGraphObject::DeleteSelectedNodes(CViewServices*) {}
void CGraphObject::BackspaceInNodeEdit(CViewServices*) {}
int CGraphObject::CanDeleteInEdit(CViewServices*) { return 0; }
void CGraphObject::DrawTextEditMarks(plat::DC*, const CMatrix3*) {}
void CGraphObject::DrawNodeMarks(plat::DC*, const CMatrix3*) {}
int CGraphObject::OnMouseOverText(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnMouseOverTextDrag(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnCharText(CViewServices*, std::uint32_t, std::uint32_t) { return 0; }
int CGraphObject::OnCharNode(CViewServices*, std::uint32_t, std::uint32_t) { return 0; }
int CGraphObject::OnKeyDownNode(CViewServices*, std::uint32_t, std::uint32_t) { return 0; }
int CGraphObject::OnKeyDownText(CViewServices*, std::uint32_t, std::uint32_t) { return 0; }
int CGraphObject::OnTimer(CViewServices*, std::uint32_t) { return 0; }
int CGraphObject::OnLButtonDownText(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnLButtonUpText(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnRButtonDown(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnRButtonUp(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::OnLButtonDblClk(CViewServices*, std::uint32_t, float, float) { return 0; }
int CGraphObject::Reserved60(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t) {
  return 0;
}
int CGraphObject::RunNodeCommand(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t) {
  return 0;
}
int CGraphObject::Reserved62(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t) {
  return 0;
}
void CGraphObject::DrawHandleDragXor(CViewServices*, int, float, float) {}
void CGraphObject::MoveHandle(CViewServices*, int, float, float) {}
int CGraphObject::HitTestHandle(CViewServices*, float, float, int*) { return 0; }
void CGraphObject::Transform(const CMatrix3&) {}
CPathPointList* CGraphObject::MakeOutline(const CMatrix3*, int) { return nullptr; }
void CGraphObject::Relayout(CViewServices*, int) {}
void CGraphObject::CollectText(std::vector<std::string>&) {}
void CGraphObject::AppendPlainText(std::string&) {}
std::unique_ptr<CGraphObject> CGraphObject::ConvertToPath(int) { return nullptr; }
void CGraphObject::SetColorIndex(CViewServices*, std::uint32_t, int) {}
std::unique_ptr<CGraphObject> CGraphObject::MakeTransformedCopy(std::uint32_t, const CFRect&) {
  return nullptr;
}
void CGraphObject::AddColorToList(CListBoxServices*) {}
int CGraphObject::HitTestNode(CViewServices*, float, float, int*) { return 0; }
void CGraphObject::MoveNode(CViewServices*, int, float, float, std::uint32_t) {}
void CGraphObject::DrawNodeDragXor(CViewServices*, int, float, float) {}
void CGraphObject::FillPropertyPanel(CWindowServices*) {}
int CGraphObject::ApplyPropertyPanel(CWindowServices*) { return 0; }
CBoxArray* CGraphObject::GetBoxArray() { return nullptr; }
void CGraphObject::DrawOutline(plat::DC*, const CMatrix3*, const CFRect*) {}
void CGraphObject::DrawFilled(plat::DC*, const CMatrix3*, const CFRect*) {}

std::uint32_t CGraphObject::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  return 0;
}

// --- Geometry ---------------------------------------------------------------

void CGraphObject::ScaleToRect(float l, float t, float r, float b) {
  const float sx = bounds.right != bounds.left ? (r - l) / (bounds.right - bounds.left) : 1.0f;
  const float sy = bounds.top != bounds.bottom ? (b - t) / (bounds.bottom - bounds.top) : 1.0f;
  const float tx = l - sx * bounds.left;
  const float ty = t - sy * bounds.top;
  CMatrix3 m;
  m.m00 = sx;
  m.m11 = sy;
  m.m20 = tx;
  m.m21 = ty;
  matrix.Multiply(m);
  m.TransformRectBounds(bounds);
}

void CGraphObject::Offset(float dx, float dy) {
  bounds.left += dx;
  bounds.right += dx;
  bounds.top += dy;
  bounds.bottom += dy;
}

void CGraphObject::SetRect(float left, float top, float right, float bottom) {
  bounds = CFRect(left, top, right, bottom);
}

int CGraphObject::HitTest(CViewServices* view, float x, float y) {
  const double u = view ? view->GetUnitsPerPixel() : 1.0;
  const double dx = x, dy = y;
  if (bounds.left == bounds.right) return std::fabs(dx - bounds.left) < 3.0 * u;
  if (bounds.top == bounds.bottom) return std::fabs(dy - bounds.top) < 3.0 * u;
  return bounds.left - u < dx && dx < bounds.right + u && bounds.top - u < dy &&
         dy < bounds.bottom + u;
}

void CGraphObject::SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) {
  CViewServices* v = view ? view : GetActiveView();
  if (v && v->GetUndoRecordDepth() != 0) AppendUndo(v, std::make_unique<CUndoFlags>(this));
  flags = static_cast<std::uint16_t>((flags & ~mask) | bits);
  if (view) InvalidateObjectRect(view, false);
}

void CGraphObject::InvalidateObjectRect(CViewServices* view, bool erase) {
  if (!view) return;
  CFRect r = bounds;
  if (const CMatrix3* m = view->GetViewMatrix()) m->TransformRect(r);
  const plat::RECT rc{TruncToLong(r.left), TruncToLong(r.top), TruncToLong(r.right), TruncToLong(r.bottom)};
  view->InvalidateRect(plat::GrowRect(rc, 3, 3), erase);
}

// --- Drawing ----------------------------------------------------------------

void CGraphObject::Draw(plat::DC* dc, const CMatrix3* m, const CFRect* visible) {
  if (flags & OBJF_FILLED)
    DrawFilled(dc, m, visible);
  else
    DrawOutline(dc, m, visible);
}

void CGraphObject::DrawXorOutline(plat::DC* dc, const CMatrix3* m) {
  if (!dc) return;
  CFRect r = bounds;
  if (m) m->TransformRectBounds(r);
  DrawRectOutline(dc, r);
}

void CGraphObject::DrawXorMovedOutline(plat::DC* dc, const CMatrix3* m) {
  if (!dc) return;
  CFRect r = bounds;
  if (m) m->TransformRect(r);
  DrawRectOutline(dc, r);
}

void CGraphObject::DrawDragBand(CViewServices* view, plat::DC* given) {
  const std::uint16_t kind = g_drag.dragKind;
  if (kind == 0) return;
  ViewDC own(given ? nullptr : view);
  plat::DC* dc = given ? given : own.get();
  if (!dc) return;

  plat::HPEN pen = nullptr;
  switch (kind & 15) {
    case 0: pen = SharedTools().dottedBluePen; break;
    case 1: pen = static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)); break;
    case 2: pen = SharedTools().xorPen; break;
    case 3: pen = SharedTools().bluePen; break;
    default: break;
  }
  XorScope xs(dc, pen, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));

  const CMatrix3* vm = view ? view->GetViewMatrix() : nullptr;
  auto toDevice = [vm](CFPoint p) {
    plat::POINT out{TruncToLong(p.x), TruncToLong(p.y)};
    if (vm) vm->TransformPointToInt(p, &out);
    return out;
  };
  const plat::POINT a = toDevice(g_drag.start);
  const plat::POINT b = toDevice(g_drag.last);

  if (kind >= 16 && kind <= 19) {
    dc->MoveTo(a);
    dc->LineTo(b);
  } else if ((kind >= 32 && kind <= 35) || kind == DRAG_BAND_RECT) {
    dc->Rectangle(a.x, a.y, b.x, b.y);
  } else if (kind >= 48 && kind <= 51) {
    dc->Ellipse(a.x, a.y, b.x, b.y);
  } else if (kind >= DRAG_BEZIER_MIN && kind <= DRAG_BEZIER_MIN + 3) {
    plat::POINT d[4];
    for (int i = 0; i < 4; ++i) d[i] = toDevice(g_drag.dragPoints[i]);
    dc->MoveTo(d[0]);
    dc->LineTo(d[1]);
    dc->MoveTo(d[2]);
    dc->LineTo(d[3]);
    CBezierSegment seg;
    CFPoint* sp[4] = {&seg.P0, &seg.P1, &seg.P2, &seg.P3};
    for (int i = 0; i < 4; ++i) {
      *sp[i] = g_drag.dragPoints[i];
      if (vm) vm->TransformPoint(*sp[i]);
    }
    dc->MoveTo(d[0]);
    seg.DrawFlattened(dc, 20.0f);
  }
}

// --- Edit modes -------------------------------------------------------------

int CGraphObject::CanEdit(std::uint32_t tool) {
  if (tool == ID_TOOL_TEXT) return CanTextEdit();
  if (tool == ID_TOOL_NODE) return CanNodeEdit();
  return 0;
}

int CGraphObject::BeginEdit(std::uint32_t tool, CViewServices* view) {
  if (tool == ID_TOOL_TEXT) return BeginTextEdit(view);
  if (tool == ID_TOOL_NODE) return BeginNodeEdit(view);
  return 0;
}

int CGraphObject::BeginNodeEdit(CViewServices* view) {
  if (!CanNodeEdit()) return 0;
  {
    ViewDC dc(view);
    editMode = ID_TOOL_NODE;
    if (dc.get()) DrawEditMarks(dc.get(), view->GetViewMatrix());
  }
  OnNodeEditBegun(view);
  return 1;
}

int CGraphObject::BeginTextEdit(CViewServices* view) {
  if (!CanTextEdit()) return 0;
  ViewDC dc(view);
  editMode = ID_TOOL_TEXT;
  if (dc.get()) DrawEditMarks(dc.get(), view->GetViewMatrix());
  return 1;
}

int CGraphObject::EndEdit(CViewServices* view) {
  if (editMode == ID_TOOL_TEXT) return EndTextEdit(view);
  if (editMode == ID_TOOL_NODE) return EndNodeEdit(view);
  return 1;
}

int CGraphObject::EndNodeEdit(CViewServices* view) {
  ViewDC dc(view);
  if (dc.get()) {
    const int old = dc.get()->SetROP2(plat::R2_NOTXORPEN);
    DrawEditMarks(dc.get(), view->GetViewMatrix());
    if (old) dc.get()->SetROP2(old);
  }
  editMode = 0;
  return 1;
}

int CGraphObject::EndTextEdit(CViewServices* view) {
  ViewDC dc(view);
  if (dc.get()) DrawEditMarks(dc.get(), view->GetViewMatrix());
  editMode = 0;
  return 1;
}

void CGraphObject::DrawEditMarks(plat::DC* dc, const CMatrix3* vm) {
  if (editMode == ID_TOOL_TEXT)
    DrawTextEditMarks(dc, vm);
  else if (editMode == ID_TOOL_NODE)
    DrawNodeMarks(dc, vm);
}

void CGraphObject::DeleteInEdit(CViewServices* view) {
  if (editMode == ID_TOOL_TEXT)
    DeleteAtCaretInText(view);
  else if (editMode == ID_TOOL_NODE)
    DeleteSelectedNodes(view);
}

void CGraphObject::BackspaceInEdit(CViewServices* view) {
  if (editMode == ID_TOOL_TEXT)
    DeleteBeforeCaretInText(view);
  else if (editMode == ID_TOOL_NODE)
    BackspaceInNodeEdit(view);
}

int CGraphObject::OnChar(CViewServices* view, std::uint32_t ch, std::uint32_t keyData) {
  if (editMode == ID_TOOL_TEXT) return OnCharText(view, ch, keyData);
  if (editMode == ID_TOOL_NODE) return OnCharNode(view, ch, keyData);
  return 0;
}

int CGraphObject::OnKeyDown(CViewServices* view, std::uint32_t key, std::uint32_t) {
  std::uint32_t modifiers = 0;
  if (view && view->IsKeyDown(VK_SHIFT)) modifiers += 4;
  if (view && view->IsKeyDown(VK_CONTROL)) modifiers += 8;
  if (editMode == ID_TOOL_TEXT) return OnKeyDownText(view, key, modifiers);
  if (editMode == ID_TOOL_NODE) return OnKeyDownNode(view, key, modifiers);
  return 0;
}

// --- Hover ------------------------------------------------------------------

int CGraphObject::OnMouseOver(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!(bounds.left <= x && x <= bounds.right && bounds.top <= y && y <= bounds.bottom)) return 0;
  switch (view->GetCurrentTool()) {
    case ID_TOOL_SELECT: return OnMouseOverSelect(view, fl, x, y);
    case ID_TOOL_TEXT: return OnMouseOverText(view, fl, x, y);
    case ID_TOOL_NODE: return OnMouseOverNode(view, fl, x, y);
    case ID_TOOL_TEXT_DRAG:
      return (fl & MK_LBUTTON) ? OnMouseOverTextDrag(view, fl, x, y) : 0;
    default: return 0;
  }
}

int CGraphObject::OnMouseOverSelect(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (fl & MK_LBUTTON) return 0;
  if (!HitTest(view, x, y)) return 0;
  view->SetClassCursor(SharedTools().moveCursor);
  hoverTool = ID_TOOL_SELECT;
  return 1;
}

int CGraphObject::OnMouseOverNode(CViewServices* view, std::uint32_t, float x, float y) {
  if (HitTestNode(view, x, y, &hitIndex)) {
    hoverTool = ID_TOOL_NODE;
    view->SetClassCursor(IDC_CROSS);
  }
  return 0;
}

int CGraphObject::EndMouseOver(CViewServices* view) {
  int done = 0;
  switch (hoverTool) {
    case ID_TOOL_SELECT: done = EndMouseOverSelect(view); break;
    case ID_TOOL_TEXT: done = EndMouseOverText(view); break;
    case ID_TOOL_NODE: done = EndMouseOverNode(view); break;
    case ID_TOOL_TEXT_DRAG: done = EndMouseOverTextDrag(view); break;
    default: return 0;
  }
  if (done) {
    hoverTool = 0;
    hitIndex = -1;
  }
  return done;
}

int CGraphObject::EndMouseOverSelect(CViewServices* view) {
  view->SetClassCursor(IDC_ARROW);
  hitIndex = -1;
  return 1;
}

int CGraphObject::EndMouseOverText(CViewServices* view) {
  view->SetClassCursor(IDC_IBEAM);
  hitIndex = -1;
  return 1;
}

int CGraphObject::EndMouseOverNode(CViewServices* view) {
  view->SetClassCursor(IDC_CROSS);
  hitIndex = -1;
  return 1;
}

int CGraphObject::EndMouseOverTextDrag(CViewServices* view) {
  hitIndex = -1;
  view->SetClassCursor(IDC_IBEAM);
  return 1;
}

// --- Mouse dispatch ---------------------------------------------------------

int CGraphObject::OnLButtonDown(CViewServices* view, std::uint32_t fl, float x, float y) {
  switch (view->GetCurrentTool()) {
    case ID_TOOL_SELECT: return OnLButtonDownSelect(view, fl, x, y);
    case ID_TOOL_TEXT: return OnLButtonDownText(view, fl, x, y);
    case ID_TOOL_NODE: return OnLButtonDownNode(view, fl, x, y);
    default: return 0;
  }
}

int CGraphObject::OnMouseMove(CViewServices* view, std::uint32_t fl, float x, float y) {
  const std::uint16_t kind = g_drag.dragKind;
  if (kind >= DRAG_BEZIER_MIN && kind <= DRAG_BEZIER_MIN + 2) {
    DrawDragBand(view, nullptr);
    if (g_drag.pointIndex < 4) g_drag.dragPoints[g_drag.pointIndex] = CFPoint{x, y};
    DrawDragBand(view, nullptr);
  } else if (kind == DRAG_BAND_RECT) {
    DrawDragBand(view, nullptr);
    g_drag.last = CFPoint{x, y};
    DrawDragBand(view, nullptr);
  }
  int result = 0;
  switch (view->GetCurrentTool()) {
    case ID_TOOL_SELECT: result = OnMouseMoveSelect(view, fl, x, y); break;
    case ID_TOOL_TEXT: result = OnMouseMoveText(view, fl, x, y); break;
    case ID_TOOL_NODE: result = OnMouseMoveNode(view, fl, x, y); break;
    default: break;
  }
  if (result) g_drag.last = CFPoint{x, y};
  return result;
}

int CGraphObject::OnMouseMoveText(CViewServices*, std::uint32_t fl, float, float) {
  return static_cast<int>(fl & MK_LBUTTON);
}

int CGraphObject::OnLButtonUp(CViewServices* view, std::uint32_t fl, float x, float y) {
  g_drag.last = CFPoint{x, y};
  switch (view->GetCurrentTool()) {
    case ID_TOOL_SELECT: return OnLButtonUpSelect(view, fl, x, y);
    case ID_TOOL_TEXT: return OnLButtonUpText(view, fl, x, y);
    case ID_TOOL_NODE: return OnLButtonUpNode(view, fl, x, y);
    default: return 0;
  }
}

// --- Select-tool handle drag ------------------------------------------------

int CGraphObject::OnLButtonDownSelect(CViewServices* view, std::uint32_t, float x, float y) {
  if (!HitTestHandle(view, x, y, &hitIndex)) return 0;
  if (hitIndex < 0) plat::MessageBeep(0);
  g_drag.start = g_drag.last = CFPoint{x, y};
  return 1;
}

int CGraphObject::OnMouseMoveSelect(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!(fl & MK_LBUTTON) || hitIndex < 0) return 0;
  if (!g_drag.moved && IsMoved(view, x, y)) g_drag.moved = 1;
  if (g_drag.moved) {
    DrawHandleDragXor(view, hitIndex, x, y);
    MoveHandle(view, hitIndex, x, y);
    DrawHandleDragXor(view, hitIndex, x, y);
  }
  return 1;
}

int CGraphObject::OnLButtonUpSelect(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (g_drag.moved) {
    if (view->GetUndoRecordDepth() != 0) {
      if (kind == OBJ_TEXT) AppendUndo(view, std::make_unique<CUndoTextAnchor>(this, -1));
      AppendUndo(view, std::make_unique<CUndoHandleDrag>(this, fl));
    }
    MoveHandle(view, hitIndex, x, y);
    g_drag.moved = 0;
  }
  // Every release ends the drag: a later move must not find an old handle.
  hitIndex = -1;
  return 1;
}

// --- Node-tool drag ---------------------------------------------------------

int CGraphObject::OnLButtonDownNode(CViewServices* view, std::uint32_t, float x, float y) {
  if (!HitTestNode(view, x, y, &hitIndex)) return 0;
  g_drag.start = g_drag.last = CFPoint{x, y};
  return 1;
}

int CGraphObject::OnMouseMoveNode(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!(fl & MK_LBUTTON)) {
    int index = -1;
    if (HitTestNode(view, x, y, &index)) view->SetCursor(IDC_CROSS);
    return 0;
  }
  if (hitIndex < 0) return 0;
  if (!g_drag.moved && IsMoved(view, x, y)) g_drag.moved = 1;
  if (g_drag.moved) {
    DrawNodeDragXor(view, hitIndex, x, y);
    MoveNode(view, hitIndex, x, y, fl);
    DrawNodeDragXor(view, hitIndex, x, y);
  }
  return 1;
}

int CGraphObject::OnLButtonUpNode(CViewServices* view, std::uint32_t fl, float, float) {
  if (g_drag.moved && view->GetUndoRecordDepth() != 0)
    AppendUndo(view, std::make_unique<CUndoNodeDrag>(this, fl));
  // Cleared on every release, moved or not.
  hitIndex = -1;
  g_drag.moved = 0;
  return 1;
}

// --- Copy -------------------------------------------------------------------

std::unique_ptr<CGraphObject> CGraphObject::Clone() {
  plat::HGLOBAL h = 0;
  WriteRecord(&h);
  if (!h) return nullptr;
  std::unique_ptr<CGraphObject> copy = CreateObjectFromBlock(h);
  plat::GlobalFree(h);
  return copy;
}

// --- Property panel ---------------------------------------------------------

std::uint32_t CGraphObject::GetPropertyDialogId() { return IDD_NO_PROPERTIES; }

void FitPropertyPanel(CWindowServices* window, std::uint32_t id,
                      CWindowServices* (*create)(void* owner, CWindowServices* window), void* owner, int caption,
                      int bareWidth) {
  CWindowServices* panel = window->GetFirstChild();
  if (panel && panel->GetUserData() != static_cast<std::intptr_t>(id)) {
    panel->Destroy();
    panel = nullptr;
  }
  if (!panel) panel = create(owner, window);

  const plat::RECT wr = window->GetWindowRect();
  if (id == IDD_NO_PROPERTIES) {
    if (panel) panel->Show(false);
    window->MoveWindow(wr.left, wr.bottom - caption, bareWidth, caption);
    window->Show(true);
  } else if (panel) {
    const plat::RECT cr = panel->GetClientRect();
    const int w = cr.width(), h = cr.height();
    window->MoveWindow(wr.left, wr.bottom - caption - h, w + 10, h + caption);
    window->Show(true);
  }
}

int CGraphObject::ShowProperties(CWindowServices* prop) {
  std::string name;
  if (ObjectTypeNameId(kind, name))
    if (CMainFrameServices* frame = GetMainFrame()) frame->ShowText(name);
  if (!prop) return 1;
  FitPropertyPanel(
      prop, GetPropertyDialogId(),
      [](void* self, CWindowServices* w) { return static_cast<CGraphObject*>(self)->CreatePropertyPanel(w); },
      this, 20, 100);
  SetPropertyTitle(prop);
  FillPropertyPanel(prop);
  return 1;
}

void CGraphObject::SetPropertyTitle(CWindowServices* prop) {
  if (prop) prop->SetText("无属性");
}

CWindowServices* CGraphObject::CreatePropertyPanel(CWindowServices* parent) {
  if (!parent) return nullptr;
  CWindowServices* panel = parent->CreateChildDialog(IDD_NO_PROPERTIES);
  if (panel) panel->SetUserData(IDD_NO_PROPERTIES);
  return panel;
}
