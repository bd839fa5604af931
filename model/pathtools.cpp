// The mouse dispatch of a path over every node tool, and the extend tool that
// draws lines and curves on from an open contour's end.
#include <algorithm>
#include <cmath>
#include <memory>

#include "model/pathnodes_util.h"
#include "model/pathobject.h"
#include "model/pathwalk.h"
#include "model/undoitems.h"
#include "platform/report.h"

using namespace pathwalk;
using namespace pathnodes;

namespace {

bool RubberKind(std::uint16_t kind) {
  return (kind >= 16 && kind <= 19) || (kind >= DRAG_BEZIER_MIN && kind <= DRAG_BEZIER_MIN + 3);
}

void Feedback(CViewServices* view) { CGraphObject::DrawDragBand(view, nullptr); }

}  // namespace

// ---------------------------------------------------------------------------
// Dispatch.

int CPathObject::OnLButtonDown(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  ObjectDragState& d = ObjectDrag();
  const std::uint32_t tool = view->GetCurrentTool();
  if (tool == ID_TOOL_SELECT || tool == ID_TOOL_TEXT) return CGraphObject::OnLButtonDown(view, fl, x, y);
  d.start = d.last = CFPoint{x, y};
  d.moved = 0;
  UndoBracket bracket(view, 0);
  switch (tool) {
    case ID_TOOL_EXTEND: return ExtendToolButtonDown(view, fl, x, y);
    case ID_TOOL_MOVE_CONTOUR: {
      int kind = 0;
      const int hit = HitTestNode(view, x, y, kind);
      if (hit >= 0 && (kind == NODE_HIT_SELECTED || kind == NODE_HIT_UNSELECTED)) {
        if (kind == NODE_HIT_UNSELECTED) {
          if (!(fl & MK_SHIFT)) ClearNodeSelection(view, 1);
          ToggleMarks(*this, view);
          SelectNode(hit, view);
          ToggleMarks(*this, view);
        }
        d.dragKind = DRAG_CONTOURS;
        return 1;
      }
      if (!(fl & MK_SHIFT)) ClearNodeSelection(view, 1);
      ToggleMarks(*this, view);
      const int seg = HitTestSegment(view, x, y);
      // The hit segment's contour is the one dragged.
      if (seg) SelectNode(currentNode, view);
      ToggleMarks(*this, view);
      if (seg) {
        d.dragKind = DRAG_CONTOURS;
      } else {
        d.dragKind = DRAG_BAND_RECT;
        Feedback(view);
      }
      return 1;
    }
    case ID_TOOL_NODE: return OnLButtonDownNode(view, fl, x, y);
    case ID_TOOL_NODE_INSERT:
      ToggleMarks(*this, view);
      if (HitTestSegment(view, x, y)) {
        ToggleMarks(*this, view);
        InsertNode(view);
      } else {
        ToggleMarks(*this, view);
      }
      return 1;
    case ID_TOOL_NODE_DELETE: {
      int kind = 0;
      const int hit = HitTestNode(view, x, y, kind);
      if (hit >= 0 && (kind == NODE_HIT_SELECTED || kind == NODE_HIT_UNSELECTED)) {
        ToggleMarks(*this, view);
        SelectNode(hit, view);
        ToggleMarks(*this, view);
        DeleteSelectedNodes(view);
      } else {
        d.dragKind = DRAG_BAND_RECT;
        Feedback(view);
      }
      return 1;
    }
    case ID_TOOL_NODE_BREAK: {
      int kind = 0;
      const int hit = HitTestNode(view, x, y, kind);
      if (hit >= 0 && (kind == NODE_HIT_SELECTED || kind == NODE_HIT_UNSELECTED)) {
        ClearNodeSelection(view, 1);
        ToggleMarks(*this, view);
        SelectNode(hit, view);
        ToggleMarks(*this, view);
        BreakAtNode(view);
      }
      return 1;
    }
    case ID_TOOL_TO_CURVE:
      ToggleMarks(*this, view);
      if (HitTestSegment(view, x, y) == HIT_LINE) {
        ToggleMarks(*this, view);
        SegmentToCurve(view);
      } else {
        ToggleMarks(*this, view);
      }
      hitParam = -1.0f;
      return 1;
    case ID_TOOL_TO_LINE:
      ToggleMarks(*this, view);
      if (HitTestSegment(view, x, y) == HIT_CURVE) {
        ToggleMarks(*this, view);
        SegmentToLine(view);
      } else {
        ToggleMarks(*this, view);
      }
      hitParam = -1.0f;
      return 1;
    case ID_TOOL_REPLACE_CURVE: return 1;
    default: return 0;
  }
}

int CPathObject::OnMouseMove(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  ObjectDragState& d = ObjectDrag();
  const std::uint32_t tool = view->GetCurrentTool();
  const std::uint16_t kind = d.dragKind;
  if (kind == DRAG_BAND_RECT) {
    Feedback(view);
    d.last = CFPoint{x, y};
    Feedback(view);
  } else if (RubberKind(kind)) {
    Feedback(view);
    if (tool == ID_TOOL_EXTEND) {
      ExtendCapture(x, y);
    } else if (d.pointIndex == 1 || d.pointIndex == 2) {
      // The curve's ends are fixed: only its control points follow.
      d.dragPoints[d.pointIndex] = CFPoint{x, y};
    }
    Feedback(view);
  }
  int handled = 0;
  switch (tool) {
    case ID_TOOL_EXTEND:
    case ID_TOOL_REPLACE_CURVE: handled = 1; break;
    case ID_TOOL_MOVE_CONTOUR:
    case ID_TOOL_NODE: handled = OnMouseMoveNode(view, fl, x, y); break;
    case ID_TOOL_SELECT: handled = OnMouseMoveSelect(view, fl, x, y); break;
    case ID_TOOL_TEXT: handled = OnMouseMoveText(view, fl, x, y); break;
    default: break;
  }
  if (handled) d.last = CFPoint{x, y};
  return handled;
}

int CPathObject::OnLButtonUp(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  ObjectDragState& d = ObjectDrag();
  const std::uint32_t tool = view->GetCurrentTool();
  if (tool == ID_TOOL_SELECT || tool == ID_TOOL_TEXT) return CGraphObject::OnLButtonUp(view, fl, x, y);
  if (tool == ID_TOOL_NODE) {
    d.last = CFPoint{x, y};
    return OnLButtonUpNode(view, fl, x, y);
  }
  UndoBracket bracket(view, 0);
  const std::uint16_t kind = d.dragKind;
  if (kind == DRAG_BAND_RECT) {
    Feedback(view);
    d.last = CFPoint{x, y};
  }
  switch (tool) {
    case ID_TOOL_MOVE_CONTOUR:
      if (kind == DRAG_BAND_RECT) {
        d.dragKind = 0;
        ToggleMarks(*this, view);
        SelectNodesInRect(d.start.x, d.start.y, d.last.x, d.last.y, view);
        ToggleMarks(*this, view);
      } else if (kind == DRAG_CONTOURS) {
        if (d.moved && RecordingUndoList(view))
          AppendUndo(view, std::make_unique<CUndoContoursMove>(this, fl));
        RepaintPath(*this, view);
        RecomputeBounds();
        RepaintPath(*this, view);
      }
      d.dragKind = 0;
      d.moved = 0;
      return 1;
    case ID_TOOL_NODE_DELETE:
      if (kind == DRAG_BAND_RECT) {
        d.dragKind = 0;
        SelectNodesInRect(d.start.x, d.start.y, d.last.x, d.last.y, view);
        if (selectedCount > 0) DeleteSelectedNodes(view);
        view->RepaintView(false);
      }
      d.dragKind = 0;
      return 1;
    case ID_TOOL_REPLACE_CURVE: {
      if (kind < DRAG_BEZIER_MIN || kind > DRAG_BEZIER_MIN + 2) return 1;
      Feedback(view);
      // Releases 1 and 2 place the control points; the curve's ends are fixed.
      if (d.pointIndex == 1 || d.pointIndex == 2) d.dragPoints[d.pointIndex] = CFPoint{x, y};
      if (d.pointIndex < 3) {
        ++d.pointIndex;
        Feedback(view);
        return 1;
      }
      // The third release builds the curve.
      d.dragKind = 0;
      d.pointIndex = 0;
      ReplaceNodesWithCurve(view);
      if (CDesignViewServices* dv = view->GetDesignView()) {
        dv->SetTool(ID_TOOL_NODE);
        dv->SetToolCursor(ID_TOOL_NODE);
      }
      view->RepaintView(false);
      return 1;
    }
    case ID_TOOL_EXTEND: return 1;
    default: return 0;
  }
}

int CPathObject::OnRButtonDown(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  const bool shift = fl & MK_SHIFT, ctrl = fl & MK_CONTROL;
  if (ctrl && !shift) {
    ObjectDragState& d = ObjectDrag();
    d.start = d.last = CFPoint{x, y};
    d.dragKind = DRAG_BAND_RECT;
    Feedback(view);
    return 1;
  }
  if (shift && !ctrl) return 0;
  return view->GetCurrentTool() == ID_TOOL_REPLACE_CURVE;
}

int CPathObject::OnRButtonUp(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  ObjectDragState& d = ObjectDrag();
  const bool shift = fl & MK_SHIFT, ctrl = fl & MK_CONTROL;
  if (shift && !ctrl) return 0;
  if (ctrl && !shift && d.dragKind == DRAG_BAND_RECT) {
    Feedback(view);
    d.last = CFPoint{x, y};
    d.dragKind = 0;
    UndoBracket bracket(view, 0);
    const float tol = 3.0f * float(view->GetUnitsPerPixel());
    if (std::fabs(d.last.x - d.start.x) < tol && std::fabs(d.last.y - d.start.y) < tol) {
      int kind = 0;
      const int hit = HitTestNode(view, x, y, kind);
      if (hit >= 0 && (kind == NODE_HIT_SELECTED || kind == NODE_HIT_UNSELECTED)) {
        ClearNodeSelection(view, 1);
        SelectNode(hit, view);
        DeleteSelectedNodes(view);
      }
    } else {
      ClearNodeSelection(view, 1);
      SelectNodesInRect(d.start.x, d.start.y, d.last.x, d.last.y, view);
      DeleteSelectedNodes(view);
    }
    return 1;
  }
  const std::uint32_t tool = view->GetCurrentTool();
  if (tool != ID_TOOL_EXTEND && tool != ID_TOOL_REPLACE_CURVE) return 0;
  // A right click steps back.
  Feedback(view);
  if (tool == ID_TOOL_EXTEND && d.pointIndex == 2) {
    d.start = d.dragPoints[0];
    d.last = CFPoint{x, y};
    d.dragKind = DRAG_EXTEND_LINE;
  }
  if (d.pointIndex > 1) {
    --d.pointIndex;
    Feedback(view);
  } else {
    d.pointIndex = 0;
    d.dragKind = 0;
    if (CDesignViewServices* dv = view->GetDesignView()) dv->SetTool(ID_TOOL_NODE);
  }
  return 1;
}

int CPathObject::OnLButtonDblClk(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  const std::uint32_t tool = view->GetCurrentTool();
  if (tool == ID_TOOL_EXTEND) return ExtendToolDoubleClick(view, fl, x, y);
  if (tool != ID_TOOL_NODE) return 0;
  UndoBracket bracket(view, 0);
  if (hitParam >= 0.0f) {
    InsertNode(view);
    return 1;
  }
  if (selectedCount == 1) {
    BreakAtNode(view);
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The extend tool.

int CPathObject::CanExtendFromSelection(CViewServices* view) {
  if (!points) return 0;
  int n = -1, selected = 0;
  bool ok = false;
  {
    Block k(points, count);
    for (int i = 0; i < k.n; ++i)
      if (k.Selected(i) && selected++ == 0) n = i;
    if (selected == 1) {
      if (k[n].flags & PP_OPENEND) {
        ok = true;
      } else if (k.Start(n)) {
        const int e = k.ContourEnd(n);
        ok = e < 0 || !k.ClosedEnd(e);
      }
    }
  }
  if (selected == 0) return 0;
  if (ok) return 1;
  ClearNodeSelection(view, 1);
  return 0;
}

void CPathObject::BeginExtendContour(CViewServices* view) {
  ObjectDragState& d = ObjectDrag();
  UndoBracket bracket(view, 0);
  if (points && CanExtendFromSelection(view)) {
    CFPoint p{};
    {
      Block k(points, count);
      for (int i = 0; i < k.n; ++i)
        if (k.Selected(i)) {
          p = k.At(i);
          break;
        }
    }
    for (CFPoint& c : d.dragPoints) c = p;
    d.start = d.last = p;
    d.dragKind = DRAG_EXTEND_LINE;
    d.pointIndex = 1;
    return;
  }
  // From anything else the next segment starts a new contour.
  if (points && selectedCount > 0) ClearNodeSelection(view, 1);
  d.dragKind = 0;
  d.pointIndex = 0;
}

void CPathObject::ExtendCapture(float x, float y) {
  ObjectDragState& d = ObjectDrag();
  const CFPoint p{x, y};
  d.last = p;
  switch (d.pointIndex) {
    case 0:
    case 1: d.dragPoints[1] = d.dragPoints[2] = d.dragPoints[3] = p; break;
    case 2: d.dragPoints[2] = d.dragPoints[3] = p; break;
    default: d.dragPoints[3] = p; break;
  }
}

void CPathObject::RestartExtendAt(CFPoint p) {
  ObjectDragState& d = ObjectDrag();
  for (CFPoint& c : d.dragPoints) c = p;
  d.start = d.last = p;
  d.dragKind = DRAG_EXTEND_LINE;
  d.pointIndex = 1;
  if (selectedCount <= 0) {
    d.dragKind = 0;
    d.pointIndex = 0;
  }
}

namespace {

// The pointer, or the exact position of an unselected node under it.
CFPoint EndPoint(CPathObject& path, CViewServices* view, float x, float y) {
  int kind = 0;
  const int hit = path.HitTestNode(view, x, y, kind);
  if (hit >= 0 && kind == NODE_HIT_UNSELECTED) {
    Block k(path.points, path.count);
    if (k.Has(hit)) return k.At(hit);
  }
  return CFPoint{x, y};
}

}  // namespace

int CPathObject::ExtendToolButtonDown(CViewServices* view, std::uint32_t, float x, float y) {
  ObjectDragState& d = ObjectDrag();
  const CFPoint p{x, y};
  Feedback(view);
  switch (d.pointIndex) {
    case 0:
      for (CFPoint& c : d.dragPoints) c = p;
      d.start = d.last = p;
      d.dragKind = DRAG_EXTEND_LINE;
      d.pointIndex = 1;
      break;
    case 1:
      d.dragPoints[1] = d.dragPoints[2] = d.dragPoints[3] = p;
      d.dragKind = DRAG_EXTEND_CURVE;
      d.pointIndex = 2;
      break;
    case 2:
      d.dragPoints[2] = d.dragPoints[3] = p;
      d.dragKind = DRAG_EXTEND_CURVE;
      d.pointIndex = 3;
      break;
    default: {
      d.pointIndex = 0;
      d.dragKind = 0;
      d.dragPoints[3] = EndPoint(*this, view, x, y);
      const CFPoint end = d.dragPoints[3];
      const CFPoint pts[4] = {d.dragPoints[0], d.dragPoints[1], d.dragPoints[2], end};
      {
        UndoBracket bracket(view, 1);
        ExtendWithCurve(view, pts);
      }
      RestartExtendAt(end);
      break;
    }
  }
  Feedback(view);
  return 1;
}

int CPathObject::ExtendToolDoubleClick(CViewServices* view, std::uint32_t, float x, float y) {
  ObjectDragState& d = ObjectDrag();
  if (d.pointIndex != 2) return 0;
  Feedback(view);
  UndoBracket bracket(view, 1);
  d.dragKind = 0;
  const CFPoint end = EndPoint(*this, view, x, y);
  d.dragPoints[1] = d.dragPoints[2] = d.dragPoints[3] = end;
  const CFPoint pts[4] = {d.dragPoints[0], end, end, end};
  ExtendWithLine(view, pts);
  RestartExtendAt(end);
  Feedback(view);
  return 1;
}

void CPathObject::ExtendWithLine(CViewServices* view, const CFPoint* pts) { ExtendWith(view, pts, false); }

void CPathObject::ExtendWithCurve(CViewServices* view, const CFPoint* pts) { ExtendWith(view, pts, true); }

void CPathObject::ExtendWith(CViewServices* view, const CFPoint* pts, bool curve) {
  if (!pts) return;
  const CFPoint end = curve ? pts[3] : pts[1];
  RecordSnapshot(view);
  int n = -1, selected = 0;
  bool openEnd = false, start = false;
  if (points) {
    Block k(points, count);
    for (int i = 0; i < k.n; ++i)
      if (k.Selected(i) && selected++ == 0) n = i;
    if (selected == 1) {
      openEnd = (k[n].flags & PP_OPENEND) != 0;
      start = !openEnd && k.Start(n);
      if (start) {
        const int e = k.ContourEnd(n);
        start = e < 0 || !k.ClosedEnd(e);
      }
    }
  }
  const int added = curve ? 3 : 1;
  int newNode = -1;
  if (openEnd || start) {
    ClearNodeSelection(view, 1);
    ToggleMarks(*this, view);
    if (openEnd) {
      InsertRecordsAfter(n, added);
      Block k(points, count);
      if (k.Has(n + added)) {
        k[n].flags = PP_NODE;
        if (curve) {
          k[n + 1] = PathPoint{pts[1].x, pts[1].y, 0x00};
          k[n + 2] = PathPoint{pts[2].x, pts[2].y, 0x00};
        }
        k[n + added] = PathPoint{end.x, end.y, 0x21};
        newNode = n + added;
      }
    } else {
      InsertRecords(n, added);
      Block k(points, count);
      if (k.Has(n + added)) {
        k[n + added].flags = PP_NODE;
        k[n] = PathPoint{end.x, end.y, 0x11};
        if (curve) {
          k[n + 1] = PathPoint{pts[2].x, pts[2].y, 0x00};
          k[n + 2] = PathPoint{pts[1].x, pts[1].y, 0x00};
        }
        newNode = n;
      }
    }
    if (newNode >= 0) {
      SelectNode(newNode, view);
      currentNode = newNode;
    }
    ToggleMarks(*this, view);
    if (newNode < 0) return;
    int s, e;
    {
      Block k(points, count);
      s = k.ContourStart(newNode);
      e = s >= 0 ? k.ContourEnd(s) : -1;
      if (s < 0 || e <= s || !PointsCoincide(k.At(s), k.At(e))) {
        RecomputeBounds();
        RepaintPath(*this, view);
        return;
      }
    }
    // The drawn end met the other end: the contour closes.
    ClearNodeSelection(view, 1);
    ToggleMarks(*this, view);
    {
      Block k(points, count);
      if (k.Has(e)) k[e].flags = 0x41;
    }
    ToggleMarks(*this, view);
    plat::MessageBeep(0);
    RecomputeBounds();
    RepaintPath(*this, view);
    return;
  }
  // A new contour.
  if (selected > 0) ClearNodeSelection(view, 1);
  ToggleMarks(*this, view);
  const bool empty = !points || count <= 0;
  currentNode = count - 1;
  AddPoint(pts[0].x, pts[0].y, 0x11);
  if (curve) {
    AddPoint(pts[1].x, pts[1].y, 0x00);
    AddPoint(pts[2].x, pts[2].y, 0x00);
  }
  AddPoint(end.x, end.y, 0x21);
  if (empty) EndPoints();
  {
    Block k(points, count);
    newNode = k.PrevNode(k.n);
  }
  if (newNode >= 0) SelectNode(newNode, view);
  ToggleMarks(*this, view);
  RepaintPath(*this, view);
}
