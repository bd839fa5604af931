// The design view's left mouse button: who gets each event (output-area
// hook, edited object, rulers, selection tracker, then the tool), the rubber
// bands and what each tool makes on release, zoom, Alt panning and the text
// tool's steps.
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/rulers.h"
#include "platform/gmem.h"
#include "app/selecttracker.h"
#include "app/shapedlgs.h"
#include "framework/app.h"
#include "model/ellipseobject.h"
#include "model/lineobject.h"
#include "model/pathobject.h"
#include "model/polygonobject.h"
#include "model/records.h"
#include "model/rectobject.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "text/libbrowser.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

// Band kinds of the tools: shape and pen.
constexpr std::uint16_t kBandLine = 0x11;
constexpr std::uint16_t kBandRect = 0x21;
constexpr std::uint16_t kBandEllipse = 0x31;
constexpr std::uint16_t kBandOutArea = 0x22;
constexpr std::uint16_t kBandMeasure = 0x12;
constexpr std::uint16_t kBandPending = 0xB1;

constexpr std::uint32_t kStatusMouse = 0x8046;
constexpr std::uint32_t kStatusSize = 0x8047;
constexpr std::uint32_t kStatusMeasure = 0x804A;

bool IsSquareTool(std::uint32_t t) {
  return t == ID_TOOL_RECT || t == ID_TOOL_CIRCLE || t == ID_TOOL_TABLE || t == ID_TOOL_GRAPHLIB ||
         t == ID_TOOL_GET_IMAGE;
}
bool IsLineTool(std::uint32_t t) {
  return t == ID_TOOL_LINE || t == ID_TOOL_POLYGON || t == ID_TOOL_POLYLINE || t == ID_TOOL_BEZIER ||
         t == ID_TOOL_LINE_CUT;
}

void SendStatus(std::uint32_t id, const float* values) {
  if (fw::CWnd* main = fw::AfxGetMainWnd())
    main->SendMessage(fw::WM_COMMAND, id, fw::LPARAM(reinterpret_cast<std::intptr_t>(values)));
}

bool InBounds(const CFRect& b, float x, float y) {
  return std::min(b.left, b.right) <= x && x <= std::max(b.left, b.right) && std::min(b.top, b.bottom) <= y &&
         y <= std::max(b.top, b.bottom);
}

// Closes the view's undo bracket at the end of a handler.
class UndoScope {
 public:
  explicit UndoScope(CUndoList& undo) : undo_(undo) { undo_.StartRecord(0); }
  ~UndoScope() { undo_.EndRecord(); }

 private:
  CUndoList& undo_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Finding objects.

CGraphObject* CVORLAN98View::FindObjectAt(float x, float y, std::uint8_t kind, int* index) const {
  if (index) *index = -1;
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return nullptr;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || (kind && o->kind != kind) || !InBounds(o->bounds, x, y)) continue;
    if (index) *index = i;
    return o;
  }
  return nullptr;
}

bool CVORLAN98View::FindTextCharAt(float x, float y, int* objectIndex, int* charIndex, int mode) const {
  int i = -1;
  auto* text = dynamic_cast<CTextObject*>(FindObjectAt(x, y, OBJ_TEXT, &i));
  if (objectIndex) *objectIndex = i;
  int c = -1;
  const bool hit = text && text->HitTestChar(x, y, mode, &c);
  if (charIndex) *charIndex = hit ? c : -1;
  return hit;
}

// ---------------------------------------------------------------------------
// Objects made from the drag.

void CVORLAN98View::AppendObject(CGraphObject* object) {
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) {
    delete object;
    return;
  }
  if (m_undo.GetRecordDepth() != 0) m_undo.AppendUndoItem(std::make_unique<CUndoAddObject>(object));
  doc->AddObject(object, true);
}

void CVORLAN98View::AddLineFromDrag() {
  const ObjectDragState& d = ObjectDrag();
  auto line = std::make_unique<CLineObject>();
  line->x1 = d.start.x, line->y1 = d.start.y, line->x2 = d.last.x, line->y2 = d.last.y;
  CFRect r(d.start.x, d.start.y, d.last.x, d.last.y);
  r.Normalize();
  line->bounds = r;
  UndoScope step(m_undo);
  AppendObject(line.release());
  ObjectDrag().multiClickOpen = 0;
}

void CVORLAN98View::AddRectangleFromDrag() {
  const ObjectDragState& d = ObjectDrag();
  CFRect r(d.start.x, d.start.y, d.last.x, d.last.y);
  r.Normalize();
  auto rect = std::make_unique<CRectObject>();
  rect->x1 = r.left, rect->y1 = r.top, rect->x2 = r.right, rect->y2 = r.bottom;
  rect->bounds = r;
  UndoScope step(m_undo);
  AppendObject(rect.release());
}

void CVORLAN98View::AddEllipseFromDrag() {
  const ObjectDragState& d = ObjectDrag();
  auto ellipse = std::make_unique<CEllipseObject>();
  ellipse->x1 = d.start.x, ellipse->y1 = d.start.y, ellipse->x2 = d.last.x, ellipse->y2 = d.last.y;
  ellipse->bounds = CFRect(d.start.x, d.start.y, d.last.x, d.last.y);
  ellipse->style = 0.0f;
  UndoScope step(m_undo);
  AppendObject(ellipse.release());
}

void CVORLAN98View::AddPolylineVertex() {
  ObjectDragState& d = ObjectDrag();
  const CFPoint p = d.last;
  auto* path = dynamic_cast<CPathObject*>(m_pending.get());
  if (path) {
    // A click on the last vertex adds no second node there.
    const std::vector<CFPoint> nodes = PendingNodes();
    if (nodes.empty() || !(nodes.back() == p)) {
      path->InvalidateObjectRect(this, true);
      path->RemoveEndRecords();
      path->ReopenLastContour();
      path->AddPoint(p.x, p.y, 0x21);
      path->EndPoints();
    }
  } else {
    auto fresh = std::make_unique<CPathObject>();
    fresh->AddPoint(d.start.x, d.start.y, 0x11);
    if (!(d.start == p)) fresh->AddPoint(p.x, p.y, 0x21);
    fresh->EndPoints();
    m_pending = std::move(fresh);
    path = static_cast<CPathObject*>(m_pending.get());
  }
  path->InvalidateObjectRect(this, true);
  d.start = d.last = p;
}

std::vector<CFPoint> CVORLAN98View::PendingNodes() const {
  std::vector<CFPoint> out;
  auto* path = dynamic_cast<CPathObject*>(m_pending.get());
  if (!path) return out;
  std::unique_ptr<CPathPointList> list(path->MakeOutline(nullptr, 0));
  if (!list || !list->points) return out;
  plat::GlobalLockGuard g(list->points);
  const auto* r = g.as<PathPoint>();
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max(list->count, 0)), g.size() / sizeof(PathPoint));
  for (std::size_t i = 0; i < n && r[i].flags != PP_END; ++i) out.push_back(CFPoint{r[i].x, r[i].y});
  return out;
}

// ---------------------------------------------------------------------------
// Zoom and panning.

void CVORLAN98View::ZoomAt(std::uint32_t tool, std::uint32_t flags) {
  const ObjectDragState& d = ObjectDrag();
  const double s = GetScale();
  const fw::SIZE client = GetClientSize();
  CFRect r(d.start.x, d.start.y, d.last.x, d.last.y);
  r.Normalize();
  const bool ctrl = (flags & fw::MK_CONTROL) != 0;
  const bool dragged = tool == ID_TOOL_ZOOM_IN && (r.Width() > 4.0 * s || r.Height() > 4.0 * s);
  if (!dragged) {
    double fx = 1.0 / 8.0;
    if ((tool == ID_TOOL_ZOOM_IN) == ctrl) fx = 1.5;
    const double hw = client.cx * fx * s, hh = client.cy * fx * s;
    const CFPoint c = d.last;
    r = CFRect(float(c.x - hw), float(c.y - hh), float(c.x + hw), float(c.y + hh));
  }
  ZoomToRect(r);
  RepaintAll();
}

// ---------------------------------------------------------------------------
// Text tool.

bool CVORLAN98View::EndTextEditing() {
  if (!m_edit) return true;
  if (!m_edit->EndEdit(this)) return false;
  if (m_edit->IsEmpty()) RemoveEmptyObject(m_edit);
  m_edit = nullptr;
  return true;
}

void CVORLAN98View::RemoveEmptyObject(CGraphObject* object) {
  CVORLAN98Doc* doc = GetDoc();
  if (!doc || !object) return;
  const int index = doc->RemoveObject(object);
  if (index < 0) return;
  object->InvalidateObjectRect(this, true);
  if (m_edit == object) m_edit = nullptr;
  if (m_hover == object) m_hover = nullptr;
  // Earlier undo items may point at it: while recording an item keeps it.
  if (m_undo.GetRecordDepth() != 0)
    m_undo.AppendUndoItem(std::make_unique<CUndoDelete>(object, index));
  else
    DeleteDetachedObject(doc, object);
}

void CVORLAN98View::TextToolButtonDown(std::uint32_t flags, CFPoint p) {
  int oi = -1, ci = -1;
  if (FindTextCharAt(p.x, p.y, &oi, &ci, 1)) {
    auto* text = static_cast<CTextObject*>(GetObjectAt(oi));
    text->HideCaret(this);
    text->caretIndex = -1;
    m_currentTool = ID_TOOL_TEXT_DRAG;
    if (text->OnMouseOver(this, flags, p.x, p.y)) m_hover = text;
    return;
  }
  if (!EndTextEditing()) return;
  if (FindTextCharAt(p.x, p.y, &oi, &ci, 2)) {
    auto* text = static_cast<CTextObject*>(GetObjectAt(oi));
    m_edit = text;
    text->mouseAnchor = ci;
    text->caretIndex = ci;
    text->BeginEdit(ID_TOOL_TEXT, this);
    if (!text->SetCaretFromPoint(this, p.x, p.y)) text->MoveCaret(this, ci, 1);
    // A new press: the selection waits for a move past the threshold.
    ObjectDrag().moved = 0;
  }
}

void CVORLAN98View::DrawTextSelection(CTextObject* text) {
  if (!text || text->selectedCount == 0) return;
  if (plat::DC* dc = GetDC()) {
    text->DrawSelection(this, dc, false);
    ReleaseDC(dc);
  }
}

void CVORLAN98View::TextToolMouseMove(std::uint32_t flags, CFPoint p) {
  int oi = -1, ci = -1;
  if (m_currentTool == ID_TOOL_TEXT && m_edit) {
    if (FindTextCharAt(p.x, p.y, &oi, &ci, 2)) {
      auto* text = dynamic_cast<CTextObject*>(m_edit);
      if (text && GetObjectAt(oi) == text) {
        DrawTextSelection(text);  // erases the marks
        text->ClearSelection();
        text->SetCaretFromPoint(this, p.x, p.y);
        if (text->mouseAnchor >= 0) text->SelectRange(text->mouseAnchor, ci);
        DrawTextSelection(text);
      }
    } else if (oi < 0) {
      m_edit->EndTextEdit(this);
    }
  } else if (m_currentTool == ID_TOOL_TEXT_DRAG) {
    // The text under the pointer shows where the characters would go.
    CGraphObject* over = FindTextCharAt(p.x, p.y, &oi, &ci, 2) ? GetObjectAt(oi) : nullptr;
    if (m_hover && m_hover != over) {
      m_hover->EndMouseOver(this);
      m_hover = nullptr;
    }
    if (over && over->OnMouseOver(this, flags | fw::MK_LBUTTON, p.x, p.y)) m_hover = over;
  }
}

void CVORLAN98View::EndTextDrag() {
  m_currentTool = ID_TOOL_TEXT;
  SetToolCursor(ID_TOOL_TEXT);
}

void CVORLAN98View::DropDraggedText(std::uint32_t flags, CFPoint p) {
  int oi = -1, ci = -1;
  auto* source = dynamic_cast<CTextObject*>(m_edit);
  auto* target = dynamic_cast<CTextObject*>(m_hover);
  if (m_hover) m_hover->EndMouseOver(this);
  m_hover = nullptr;
  // Onto the selection itself (or with nothing dragged): nothing moves.
  if (FindTextCharAt(p.x, p.y, &oi, &ci, 1) || !source || source->selectedCount == 0) {
    auto* text = oi >= 0 && ci >= 0 ? static_cast<CTextObject*>(GetObjectAt(oi)) : source;
    if (text && text != m_edit && EndTextEditing()) {
      m_edit = text;
      text->BeginEdit(ID_TOOL_TEXT, this);
    }
    if (text && text == m_edit) text->MoveCaret(this, ci >= 0 ? ci : text->caretIndex, 1);
    EndTextDrag();
    return;
  }
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) {
    EndTextDrag();
    return;
  }
  const bool copy = (flags & fw::MK_CONTROL) != 0;
  // The drop gap in the target, counted without the items that leave it.
  int gap = 0;
  if (target) {
    gap = target->caretIndex < 0 ? 0 : target->caretIndex + (target->caretSide ? 0 : 1);
    if (target == source && !copy) {
      int leaving = 0;
      for (int k = 0; k < std::min(gap, source->chars.GetSize()); ++k)
        if (source->chars.GetAt(k)->IsSelected()) ++leaving;
      gap -= leaving;
    }
  }
  // Ending the editing and undoing the items fit the frames to the
  // characters: undo puts both frames back after the characters.
  if (m_undo.GetRecordDepth() != 0) {
    m_undo.AppendUndoItem(std::make_unique<CUndoTextFrame>(source));
    if (target && target != source) m_undo.AppendUndoItem(std::make_unique<CUndoTextFrame>(target));
  }
  std::unique_ptr<CBoxArray> moved;
  if (copy) {
    moved = source->CopySelection();
    DrawTextSelection(source);  // erases the marks
    source->ClearSelection();
  } else {
    moved = source->CutSelection(this);
  }
  source->InvalidateObjectRect(this, true);
  if (!moved || moved->IsEmpty()) {
    EndTextDrag();
    return;
  }
  ScaleBoxItems(*moved, source->matrix);
  if (target == source) {
    // Moved within one text: it stays in editing, its frame as it is.
    const int n = target->chars.GetSize();
    target->caretIndex = gap < n ? gap : n - 1;
    target->caretSide = gap < n ? 1u : 0u;
  } else {
    if (source->pendingLayoutStart >= 0 || !copy) source->Relayout(this, 0);
    source->EndEdit(this);
    if (m_edit == source) m_edit = nullptr;
    if (!copy && source->IsEmpty()) RemoveEmptyObject(source);
  }

  if (target) {
    if (target != source) target->BeginEdit(ID_TOOL_TEXT, this);
    float sx = 0.0f, sy = 0.0f;
    if ((flags & fw::MK_SHIFT) && target->GetCharSize(target->caretIndex, &sx, &sy)) {
      for (CBoxItem* item : moved->Items())
        if (item->IsChar()) {
          static_cast<CBoxChar*>(item)->sizeX = sx;
          static_cast<CBoxChar*>(item)->sizeY = sy;
        }
    }
  } else {
    auto fresh = std::make_unique<CTextObject>(0, p.x, p.y, p.x + doc->GetPageWidth(), p.y);
    target = fresh.get();
    AppendObject(fresh.release());
    target->BeginEdit(ID_TOOL_TEXT, this);
  }
  if (!target->matrix.IsIdentity() && target->matrix.IsInvertible())
    ScaleBoxItems(*moved, *target->matrix.CreateInverse());
  target->HideCaret(this);
  target->InsertItemsAtCaret(this, *moved);
  target->Relayout(this, 0);
  target->InvalidateObjectRect(this, true);
  target->selectedCount = std::uint32_t(target->CountSelected());
  m_edit = target;
  DrawTextSelection(target);
  target->ShowCaret(this);
  EndTextDrag();
}

void CVORLAN98View::TextToolButtonUp(std::uint32_t flags, CFPoint p) {
  int oi = -1, ci = -1;
  if (m_currentTool == ID_TOOL_TEXT_DRAG) {
    DropDraggedText(flags, p);
    return;
  }
  if (!EndTextEditing()) return;
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  if (FindTextCharAt(p.x, p.y, &oi, &ci, 2)) {
    auto* text = static_cast<CTextObject*>(GetObjectAt(oi));
    m_edit = text;
    text->BeginEdit(ID_TOOL_TEXT, this);
    text->MoveCaret(this, ci, 1);
  } else {
    auto text = std::make_unique<CTextObject>(0, p.x, p.y, p.x + doc->GetPageWidth(), p.y);
    CTextObject* raw = text.get();
    AppendObject(text.release());
    raw->BeginEdit(ID_TOOL_TEXT, this);
    raw->MoveCaret(this, 0, 1);
    m_edit = raw;
  }
  if (CMDIMainFrame* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd())) main->SyncWithSelection();
}

// ---------------------------------------------------------------------------
// The three handlers.

void CVORLAN98View::OnLButtonDown(fw::UINT flags, fw::POINT pt) {
  fw::CWnd::SetCapture();
  SetFocus();
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  ObjectDragState& d = ObjectDrag();
  if (IsKeyDown(fw::VK_MENU)) {
    d.dragKind = kBandLine;
    d.start = d.last = d.refPoint = p;
    DrawRubberBand(nullptr);
    return;
  }
  if (!d.multiClickOpen) d.start = d.last = p;
  UndoScope bracket(m_undo);
  if (m_areaHook && m_areaHook->OnLButtonDown(flags, p.x, p.y)) return;
  if (m_edit && m_edit->OnLButtonDown(this, flags, p.x, p.y)) return;
  if ((m_currentTool == ID_TOOL_SELECT || m_currentTool == ID_TOOL_NODE) && m_rulers &&
      m_rulers->OnLButtonDown(flags, pt.x, pt.y))
    return;
  if (CSelectTracker* tracker = Tracker(); tracker && tracker->OnLButtonDown(flags, p.x, p.y)) return;
  switch (m_currentTool) {
    case ID_TOOL_TEXT:
      TextToolButtonDown(flags, p);
      break;
    case ID_TOOL_SET_OUTAREA:
      d.dragKind = kBandOutArea;
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_GET_IMAGE:
    case ID_TOOL_GRAPHLIB:
    case ID_TOOL_RECT:
    case ID_TOOL_TABLE:
    case ID_TOOL_ZOOM_IN:
      d.dragKind = kBandRect;
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_LINE:
    case ID_TOOL_LINE_CUT:
      d.dragKind = kBandLine;
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_CIRCLE:
      d.dragKind = kBandEllipse;
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_POLYGON:
    case ID_TOOL_POLYLINE:
    case ID_TOOL_BEZIER:
      // The band from the last vertex; drawn so that the first move's erase
      // takes it away again.
      d.dragKind = kBandLine;
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_RIGHT_POLYGON: {
      auto polygon = std::make_unique<CPolygonObject>();
      polygon->cx = d.start.x;
      polygon->cy = d.start.y;
      const CProfile profile;
      polygon->band = profile.GetFloat("SystemParam", "PolygonWidth", 2.0f);
      polygon->sides = profile.GetInt("SystemParam", "PolygonAmount", 3);
      if (polygon->sides > 10000) polygon->sides = 3;  // beyond what the dialog takes
      polygon->r1 = 0.0f;  // the outer radius follows the drag
      polygon->r2 = 0.0f;
      polygon->start = 1.5707963f;
      polygon->offset = profile.GetInt("SystemParam", "SharpPolygon", 0) != 0
                            ? 3.1415926f / float(std::max(1, polygon->sides))
                            : 0.0f;
      m_pending = std::move(polygon);
      d.dragKind = kBandPending;
      break;
    }
    case ID_TOOL_PARALLEL_CUT:
    case ID_TOOL_RADIATION_CUT:
    case ID_TOOL_CIRCLE_CUT:
      // The pattern follows the pointer as its outline until the release cuts.
      d.dragKind = kBandPending;
      m_pending = MakeCutPattern(m_currentTool, p.x, p.y, 0);
      DrawRubberBand(nullptr);
      break;
    case ID_TOOL_MEASURE:
      d.dragKind = kBandMeasure;
      DrawRubberBand(nullptr);
      break;
    default:
      break;
  }
}

void CVORLAN98View::OnMouseMove(fw::UINT flags, fw::POINT pt) {
  CVORLANView::OnMouseMove(flags, pt);
  CFPoint p = DeviceToPage(pt.x, pt.y);
  const float pos[2] = {p.x, p.y};
  SendStatus(kStatusMouse, pos);
  ObjectDragState& d = ObjectDrag();
  if ((flags & fw::MK_LBUTTON) && IsKeyDown(fw::VK_MENU) && d.dragKind == kBandLine) {
    DrawRubberBand(nullptr);
    d.last = d.refPoint = p;
    DrawRubberBand(nullptr);
    return;
  }
  if (m_rulers && m_rulers->OnMouseMove(flags, pt.x, pt.y)) return;
  if (m_areaHook && m_areaHook->OnMouseMove(flags, p.x, p.y)) return;
  if (CSelectTracker* tracker = Tracker(); tracker && tracker->OnMouseMove(flags, p.x, p.y)) return;
  // A character drag keeps its drop target until the pointer leaves it.
  if (m_currentTool != ID_TOOL_TEXT_DRAG) m_hover = nullptr;
  if (m_edit && m_edit->OnMouseMove(this, flags, p.x, p.y)) return;
  if (!(flags & fw::MK_LBUTTON)) return;
  DrawRubberBand(nullptr);
  if (flags & fw::MK_SHIFT) {
    CFRect r(d.start.x, d.start.y, p.x, p.y);
    if (IsSquareTool(m_currentTool)) {
      r.ConstrainSquare();
      p = CFPoint{r.right, r.bottom};
    } else if (IsLineTool(m_currentTool)) {
      r.ConstrainLine();
      p = CFPoint{r.right, r.bottom};
    }
  }
  switch (m_currentTool) {
    case ID_TOOL_TEXT:
    case ID_TOOL_TEXT_DRAG:
      TextToolMouseMove(flags, p);
      break;
    case ID_TOOL_RIGHT_POLYGON:
      if (auto* polygon = dynamic_cast<CPolygonObject*>(m_pending.get())) {
        polygon->r1 = std::min(p.x - d.start.x, p.y - d.start.y);
        polygon->r2 = polygon->r1 / 2.0f;
        std::unique_ptr<CPathPointList>(polygon->MakeOutline(nullptr, 0));
      }
      break;
    case ID_TOOL_PARALLEL_CUT:
    case ID_TOOL_RADIATION_CUT:
    case ID_TOOL_CIRCLE_CUT:
      m_pending = MakeCutPattern(m_currentTool, p.x, p.y, 0);
      break;
    case ID_TOOL_MEASURE: {
      const float r[4] = {d.start.x, d.start.y, p.x, p.y};
      SendStatus(kStatusMeasure, r);
      break;
    }
    default:
      break;
  }
  d.refPoint = d.last = p;
  const float size[2] = {d.last.x - d.start.x, d.last.y - d.start.y};
  SendStatus(kStatusSize, size);
  DrawRubberBand(nullptr);
}

void CVORLAN98View::OnLButtonUp(fw::UINT flags, fw::POINT pt) {
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  if (fw::CWnd::GetCapture() == this) fw::CWnd::ReleaseCapture();
  ObjectDragState& d = ObjectDrag();
  if (IsKeyDown(fw::VK_MENU) && d.dragKind == kBandLine) {
    DrawRubberBand(nullptr);
    d.dragKind = 0;
    const double s = GetScale();
    const long dx = std::lround((d.last.x - d.start.x) / s);
    const long dy = std::lround((d.last.y - d.start.y) / s);
    if (std::labs(dx) < 3 && std::labs(dy) < 3) return;
    if (m_rulers) m_rulers->ScrollBy(int(dx), int(dy));
    RepaintAll();
    return;
  }
  UndoScope bracket(m_undo);
  if (m_rulers && m_rulers->OnLButtonUp(flags, pt.x, pt.y)) {
    SetFocus();
    return;
  }
  if (m_areaHook && m_areaHook->OnLButtonUp(flags, p.x, p.y)) return;
  if (CSelectTracker* tracker = Tracker(); tracker && tracker->OnLButtonUp(flags, p.x, p.y)) {
    if (CVORLAN98Doc* doc = GetDoc()) doc->SetModifiedFlag(fw::TRUE);
    SetFocus();
    return;
  }
  SetFocus();
  if (m_edit && m_edit->OnLButtonUp(this, flags, p.x, p.y)) {
    d.dragKind = 0;
    return;
  }
  DrawRubberBand(nullptr);
  const std::uint32_t tool = m_currentTool;
  switch (tool) {
    case ID_TOOL_TEXT:
    case ID_TOOL_TEXT_DRAG:
      TextToolButtonUp(flags, p);
      d.multiClickOpen = 0;
      break;
    case ID_TOOL_GRAPHLIB: {
      d.dragKind = 0;
      d.multiClickOpen = 0;
      // The picture chooser places its choice into the dragged rectangle.
      CLibInfoDlg chooser;
      chooser.target = CFRect(d.start.x, d.start.y, d.last.x, d.last.y);
      chooser.target.Normalize();
      chooser.DoModal();
      break;
    }
    case ID_TOOL_LINE:
      AddLineFromDrag();
      break;
    case ID_TOOL_LINE_CUT:
      LineCutObject(flags, p.x, p.y);
      break;
    case ID_TOOL_RECT:
    case ID_TOOL_CIRCLE: {
      const double limit = 3.0 * GetScale();
      const bool click =
          std::fabs(double(d.last.x) - d.start.x) <= limit && std::fabs(double(d.last.y) - d.start.y) <= limit;
      d.dragKind = 0;
      d.multiClickOpen = 0;
      // A click opens the shape's dialog around the clicked point.
      if (!click) tool == ID_TOOL_RECT ? AddRectangleFromDrag() : AddEllipseFromDrag();
      else OpenShapeDialog(*this, tool);
      break;
    }
    case ID_TOOL_POLYGON:
    case ID_TOOL_POLYLINE:
    case ID_TOOL_BEZIER: {
      // The vertex goes where the button comes up (kept on its line with Shift).
      CFPoint v = p;
      if (flags & fw::MK_SHIFT) {
        CFRect r(d.start.x, d.start.y, p.x, p.y);
        r.ConstrainLine();
        v = CFPoint{r.right, r.bottom};
      }
      d.last = v;
      AddPolylineVertex();
      d.multiClickOpen = 1;
      break;
    }
    case ID_TOOL_RIGHT_POLYGON: {
      std::unique_ptr<CGraphObject> pending = std::move(m_pending);
      auto* polygon = dynamic_cast<CPolygonObject*>(pending.get());
      // A click without a drag makes no polygon.
      if (polygon && polygon->r1 != 0.0f) {
        std::unique_ptr<CPathPointList>(polygon->MakeOutline(nullptr, 0));
        UndoScope step(m_undo);
        AppendObject(pending.release());
      }
      d.dragKind = 0;
      break;
    }
    case ID_TOOL_TABLE:
      d.dragKind = 0;
      OpenShapeDialog(*this, tool);
      break;
    case ID_TOOL_PARALLEL_CUT:
    case ID_TOOL_RADIATION_CUT:
    case ID_TOOL_CIRCLE_CUT:
      m_pending.reset();
      d.dragKind = 0;
      CutPatternAt(tool, p.x, p.y);
      break;
    case ID_TOOL_GET_IMAGE:
      d.dragKind = 0;
      PostMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
      break;
    case ID_TOOL_ZOOM_IN:
    case ID_TOOL_ZOOM_OUT:
      d.last = p;
      if (tool == ID_TOOL_ZOOM_OUT) d.start = p;
      ZoomAt(tool, flags);
      d.dragKind = 0;
      break;
    case ID_TOOL_NODE:
      if (!m_edit) {
        CGraphObject* o = FindObjectAt(p.x, p.y, 0, nullptr);
        if (o && o->BeginEdit(ID_TOOL_NODE, this)) {
          if (m_undo.GetRecordDepth() != 0) m_undo.AppendUndoItem(std::make_unique<CUndoEnterEdit>(o));
          m_edit = o;
        }
      }
      break;
    case ID_TOOL_SET_OUTAREA:
      if (m_areaHook) {
        CFRect r(d.start.x, d.start.y, d.last.x, d.last.y);
        r.Normalize();
        m_areaHook->AddArea(r);
      }
      d.dragKind = 0;
      break;
    default:
      d.dragKind = 0;
      d.multiClickOpen = 0;
      break;
  }
}
