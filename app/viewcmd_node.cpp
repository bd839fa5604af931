// The node commands on the edited path, and the view's right button, double
// click and keys.
#include <memory>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "framework/app.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/undoitems.h"

namespace {

constexpr std::uint32_t ID_SHOW_PROPERTY = 32807;
constexpr std::uint32_t ID_PAGE_SET = 40061;
constexpr std::uint16_t kBandRect = 0x21;

CPathObject* EditedPath(CVORLAN98View& view) {
  CGraphObject* edit = view.GetEditObject();
  return edit && edit->kind == OBJ_PATH ? dynamic_cast<CPathObject*>(edit) : nullptr;
}

// A segment was hit by the last pointer press on the path.
bool SegmentHit(const CPathObject& path) { return path.hitParam > 0.0f; }

class Bracket {
 public:
  explicit Bracket(CVORLAN98View& view) : undo_(*view.GetUndoList()) { undo_.StartRecord(0); }
  ~Bracket() { undo_.EndRecord(); }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;

 private:
  CUndoList& undo_;
};

void OnNodeInsert(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path) return;
  if (SegmentHit(*path))
    path->InsertNode(&view);
  else
    view.ArmTool(ID_TOOL_NODE_INSERT);
}

void OnNodeDelete(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path) return;
  if (path->selectedCount < 1) return view.ArmTool(ID_TOOL_NODE_DELETE);
  Bracket step(view);
  path->DeleteSelectedNodes(&view);
}

void OnNodeBreak(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path) return;
  if (path->selectedCount != 1) return view.ArmTool(ID_TOOL_NODE_BREAK);
  Bracket step(view);
  path->BreakAtNode(&view);
}

void OnNodeLink(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path || path->selectedCount <= 1) return;
  Bracket step(view);
  path->JoinNodes(&view);
}

void OnToCurve(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path) return;
  if (!SegmentHit(*path)) return view.ArmTool(ID_TOOL_TO_CURVE);
  Bracket step(view);
  path->SegmentToCurve(&view);
}

void OnToLine(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (!path) return;
  if (!SegmentHit(*path)) return view.ArmTool(ID_TOOL_TO_LINE);
  Bracket step(view);
  path->SegmentToLine(&view);
}

// Delete a contour, replace contours with a circle or a rectangle.
void OnContourCommand(CVORLAN98View& view, fw::UINT id) {
  CPathObject* path = EditedPath(view);
  if (!path || path->selectedCount < 1) return;
  Bracket step(view);
  if (id == ID_DELETE_CONTOUR)
    path->DeleteSelectedContours(&view, nullptr);
  else if (id == ID_CONTOUR_TO_CIRCLE)
    path->ReplaceContoursWithCircle(&view);
  else
    path->ReplaceContoursWithRectangle(&view);
}

void OnReplaceCurve(CVORLAN98View& view) {
  CPathObject* path = EditedPath(view);
  if (path && path->BeginReplaceNodesWithCurve(&view)) view.ArmTool(ID_TOOL_REPLACE_CURVE);
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::NodeMap)
VIEW_ON_COMMAND(ID_TOOL_NODE_INSERT, OnNodeInsert)
VIEW_ON_COMMAND(ID_TOOL_NODE_DELETE, OnNodeDelete)
VIEW_ON_COMMAND(ID_TOOL_NODE_BREAK, OnNodeBreak)
VIEW_ON_COMMAND(ID_NODE_LINK, OnNodeLink)
VIEW_ON_COMMAND(ID_TOOL_TO_CURVE, OnToCurve)
VIEW_ON_COMMAND(ID_TOOL_TO_LINE, OnToLine)
VIEW_ON_COMMAND_RANGE(ID_DELETE_CONTOUR, ID_CONTOUR_TO_RECT, OnContourCommand)
VIEW_ON_COMMAND(ID_TOOL_REPLACE_CURVE, OnReplaceCurve)
FW_END_COMMAND_FAMILY()

// ---------------------------------------------------------------------------
// Mouse shortcuts and keys.

void CVORLAN98View::ArmTool(std::uint32_t tool) {
  m_currentTool = tool;
  SetToolCursor(tool);
}

void CVORLAN98View::OnRButtonDown(fw::UINT flags, fw::POINT pt) {
  CVORLANView::OnRButtonDown(flags, pt);
  fw::CWnd::SetCapture();
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  ObjectDragState& d = ObjectDrag();
  d.start = d.last = p;
  CSelectTracker* tracker = Tracker();
  if (tracker && tracker->OnRButtonDown(flags, p.x, p.y)) return;
  if (m_edit && m_edit->OnRButtonDown(this, flags, p.x, p.y)) return;
  if (flags & fw::MK_SHIFT) {
    d.pointIndex = 0;
    d.dragKind = kBandRect;
    DrawRubberBand(nullptr);
  } else if (m_currentTool == ID_TOOL_NODE && (flags & fw::MK_CONTROL)) {
    d.dragKind = kBandRect;
    DrawRubberBand(nullptr);
  }
}

void CVORLAN98View::OnRButtonUp(fw::UINT flags, fw::POINT pt) {
  if (fw::CWnd::GetCapture() == this) fw::CWnd::ReleaseCapture();
  CVORLANView::OnRButtonUp(flags, pt);
  ReleaseMouse();
  ObjectDragState& d = ObjectDrag();
  // Only the band of the press above; an edited object's feedback is its own.
  if (d.dragKind == kBandRect) {
    DrawRubberBand(nullptr);
    d.dragKind = 0;
  }
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  m_undo.StartRecord(0);
  CSelectTracker* tracker = Tracker();
  const bool taken = (tracker && tracker->OnRButtonUp(flags, p.x, p.y)) ||
                     (m_edit && m_edit->OnRButtonUp(this, flags, p.x, p.y));
  if (taken || (flags & fw::MK_SHIFT) || IsKeyDown(fw::VK_MENU)) {
    m_undo.EndRecord();
    return;
  }
  auto send = [this](std::uint32_t id) { SendMessage(fw::WM_COMMAND, id, 0); };
  const std::uint32_t tool = m_currentTool;
  switch (tool) {
    case ID_TOOL_NODE:
      if (!m_edit)
        send(ID_TOOL_SELECT);
      else if (m_edit->EndEdit(this))
        m_edit = nullptr;
      break;
    case ID_TOOL_SELECT: send(ID_TOOL_TEXT); break;
    case ID_TOOL_TEXT:
    case ID_TOOL_TEXT_DRAG: send(ID_TOOL_SELECT); break;
    case ID_TOOL_SET_OUTAREA: send(ID_TOOL_SELECT_OUTAREA); break;
    case ID_TOOL_NODE_INSERT:
    case ID_TOOL_NODE_DELETE:
    case ID_TOOL_NODE_BREAK:
    case ID_TOOL_TO_CURVE:
    case ID_TOOL_TO_LINE: ArmTool(ID_TOOL_NODE); break;
    case ID_TOOL_REPLACE_CURVE:
      if (d.pointIndex == 1) {
        d.pointIndex = 0;
        ArmTool(ID_TOOL_NODE);
        d.dragKind = 0;
      } else {
        DrawRubberBand(nullptr);
        if (d.pointIndex == 2) d.pointIndex = 1;
      }
      break;
    default:
      if (tool >= ID_TOOL_EXTEND && tool <= ID_TOOL_MOVE_CONTOUR)
        ArmTool(ID_TOOL_NODE);
      else
        send(ID_TOOL_SELECT);
      break;
  }
  m_undo.EndRecord();
}

void CVORLAN98View::OnLButtonDblClk(fw::UINT flags, fw::POINT pt) {
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  fw::CWnd::OnLButtonDblClk(flags, pt);
  if (m_currentTool == ID_TOOL_SELECT) {
    fw::CWnd* main = fw::AfxGetMainWnd();
    if (IsKeyDown(fw::VK_MENU)) {
      if (main) main->PostMessage(fw::WM_COMMAND, ID_SHOW_PROPERTY, 0);
      return;
    }
    if (flags & fw::MK_CONTROL) {
      if (main) main->PostMessage(fw::WM_COMMAND, ID_PAGE_SET, 0);
      return;
    }
    CGraphObject* hit = FindObjectAt(p.x, p.y, 0, nullptr);
    m_undo.StartRecord(1);
    if (hit && hit->BeginEdit(ID_TOOL_NODE, this)) {
      if (m_tracker) m_tracker->ClearSelection(nullptr, true);
      SetTool(ID_TOOL_NODE);
      CGraphObject* edited = hit;
      CVORLAN98Doc* doc = GetDoc();
      if (hit->kind == OBJ_IMAGE && doc) {
        // An image is traced over: the nodes go into a new path below everything.
        hit->EndEdit(this);
        auto path = std::make_unique<CPathObject>();
        path->color = 255;
        edited = path.release();
        doc->InsertObject(edited, 0);
        if (m_undo.GetRecordDepth() > 0) m_undo.AppendUndoItem(std::make_unique<CUndoAddObject>(edited));
        edited->BeginEdit(ID_TOOL_NODE, this);
      }
      m_edit = edited;
      if (m_undo.GetRecordDepth() > 0) m_undo.AppendUndoItem(std::make_unique<CUndoEnterEdit>(edited));
    }
    m_undo.EndRecord();
  }
  if (m_edit) m_edit->OnLButtonDblClk(this, flags, p.x, p.y);
}

void CVORLAN98View::OnKeyDown(fw::UINT key, fw::UINT repeat, fw::UINT flags) {
  m_undo.StartRecord(0);
  int taken = m_edit ? m_edit->OnKeyDown(this, key, flags) : 0;
  if (!taken)
    if (CSelectTracker* tracker = Tracker()) taken = tracker->OnKeyDown(this, key, repeat, flags);
  m_undo.EndRecord();
  if (!taken) CVORLANView::OnKeyDown(key, repeat, flags);
}
