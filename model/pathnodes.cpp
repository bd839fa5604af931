// Node editing of paths: node marks, selection, hit tests, node, handle,
// segment and contour drags, keys and the mouse protocol of the node tools.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "model/palette.h"
#include "model/pathnodes_util.h"
#include "model/pathobject.h"
#include "model/pathwalk.h"
#include "model/undoitems.h"
#include "platform/dc.h"
#include "platform/report.h"

using namespace pathwalk;
using namespace pathnodes;

namespace pathnodes {

plat::POINT ToDevice(const CMatrix3* vm, CFPoint p) {
  plat::POINT out{TruncToLong(p.x), TruncToLong(p.y)};
  if (vm) vm->TransformPointToInt(p, &out);
  return out;
}

UndoBracket::UndoBracket(CViewServices* view, std::uint32_t repaint) {
  CDesignViewServices* dv = view ? view->GetDesignView() : nullptr;
  list_ = dv ? dv->GetUndoList() : nullptr;
  if (list_) list_->StartRecord(repaint);
}

UndoBracket::~UndoBracket() {
  if (list_) list_->EndRecord();
}

XorViewDC::XorViewDC(CViewServices* view) : ViewDC(view) {
  if (get()) rop_ = get()->SetROP2(plat::R2_NOTXORPEN);
}

XorViewDC::~XorViewDC() {
  if (rop_) get()->SetROP2(rop_);
}

}  // namespace pathnodes

namespace {

// Selects a pen and a brush for the length of a scope.
class Tools {
 public:
  Tools(plat::DC* dc, plat::HPEN pen, plat::HBRUSH brush) : dc_(dc) {
    oldPen_ = dc_->SelectObject(pen ? pen : static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)));
    oldBrush_ = dc_->SelectObject(brush ? brush
                                        : static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
  }
  ~Tools() {
    dc_->SelectObject(oldBrush_);
    dc_->SelectObject(oldPen_);
  }
  Tools(const Tools&) = delete;
  Tools& operator=(const Tools&) = delete;

 private:
  plat::DC* dc_;
  plat::HPEN oldPen_;
  plat::HBRUSH oldBrush_;
};

plat::HBRUSH NullBrush() { return static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)); }
plat::HPEN NullPen() { return static_cast<plat::HPEN>(plat::GetStockObject(plat::NULL_PEN)); }

// Whether a mark's rectangle meets the DC's clip box at all.
bool MarkVisible(plat::DC* dc, const plat::RECT& r) {
  plat::RECT clip;
  if (dc->GetClipBox(&clip) == plat::NULLREGION) return false;
  return r.right >= clip.left && r.left <= clip.right && r.bottom >= clip.top && r.top <= clip.bottom;
}

void Square(plat::DC* dc, plat::POINT d, int half) {
  const plat::RECT r = plat::MarkRect(d, half);
  if (MarkVisible(dc, r)) dc->Rectangle(r);
}

// The inside of a node mark of the given half size: the fill of a selected
// node, toggled on its own to turn a mark hollow or filled.
void ToggleFill(plat::DC* dc, plat::POINT d, int half) {
  plat::RECT r = plat::MarkRect(d, half);
  if (!MarkVisible(dc, r)) return;
  Tools t(dc, NullPen(), SharedTools().nodeBrush);
  r.left = plat::SatAdd(r.left, 1);
  r.top = plat::SatAdd(r.top, 1);
  dc->Rectangle(r);
}

int MarkHalf(const Block& k, int i) { return k.Start(i) ? 5 : 4; }

void Move(PathPoint& p, float dx, float dy) {
  p.x += dx;
  p.y += dy;
}

void DrawSeg(plat::DC* dc, const CMatrix3* vm, const Block& k, const Seg& s) {
  const plat::POINT a = ToDevice(vm, k.At(s.a));
  const plat::POINT b = ToDevice(vm, k.At(s.b));
  if (s.Bezier()) {
    const plat::POINT pts[4] = {a, ToDevice(vm, k.At(s.c1)), ToDevice(vm, k.At(s.c2)), b};
    dc->PolyBezier(pts, 4);
  } else {
    dc->MoveTo(a);
    dc->LineTo(b);
  }
}

float SnapAxis(float p, float n, float m) {
  const float a = std::fabs(n - p) / 3.0f;
  const float b = std::fabs(m - p);
  if (b < a) return p;
  if (b <= 2.0f * a) return (p + n) / 2.0f;
  return n;
}

constexpr std::uint32_t kKeyFirst = 33;  // Page Up
constexpr std::uint32_t kKeyLast = 40;   // Down

// Calls contour(s, last) for each contour, from its start s to its last
// record, that holds a selected node.
template <class ContourFn>
void ForSelectedContours(const Block& k, ContourFn&& contour) {
  for (int s = 0; s < k.n; ++s) {
    if (!k.Start(s)) continue;
    const int last = k.ContourLast(s);
    bool any = false;
    for (int i = s; i <= last && !any; ++i) any = k.Selected(i);
    if (any) contour(s, last);
    s = std::max(s, last);
  }
}

}  // namespace

bool PointsCoincide(const CFPoint& a, const CFPoint& b) {
  return std::fabs(a.x - b.x) < 0.001f && std::fabs(a.y - b.y) < 0.001f;
}

// ---------------------------------------------------------------------------
// State kept by the undo items.

PathEditState CPathObject::SaveEditState() const {
  PathEditState s;
  s.capacity = capacity;
  s.count = count;
  s.selectedCount = selectedCount;
  s.currentNode = currentNode;
  s.hitX = hitX;
  s.hitY = hitY;
  s.hitParam = hitParam;
  s.hitKind = hitKind;
  s.contourStart = contourStart;
  return s;
}

void CPathObject::RestoreEditState(const PathEditState& s) {
  // The block decides what the counts may claim.
  const std::int32_t room = std::int32_t(std::min<std::size_t>(BlockRecords(), 0x7FFFFFF0));
  count = std::clamp(s.count, 0, room);
  capacity = std::clamp(s.capacity, count, std::max(count, room - 2));
  selectedCount = std::max(s.selectedCount, 0);
  currentNode = s.currentNode;
  hitX = s.hitX;
  hitY = s.hitY;
  hitParam = s.hitParam;
  hitKind = s.hitKind;
  contourStart = s.contourStart;
}

void CPathObject::RecomputeBounds() {
  if (!points) return;
  Block k(points, count);
  bool any = false;
  CFRect b;
  auto widen = [&](float x, float y) {
    b.left = std::min(b.left, x);
    b.right = std::max(b.right, x);
    b.top = std::min(b.top, y);
    b.bottom = std::max(b.bottom, y);
  };
  for (int i = 0; i < k.n; ++i) {
    if (!k.Node(i)) continue;
    if (!any) {
      b = CFRect(k[i].x, k[i].y, k[i].x, k[i].y);
      any = true;
      continue;
    }
    widen(k[i].x, k[i].y);
    Seg s;
    if (!k.SegTo(i, s) || !s.Bezier()) continue;
    CBezierSegment seg{k.At(s.a), k.At(s.c1), k.At(s.c2), k.At(s.b), {}};
    bool outside = false;
    for (const CFPoint& p : {seg.P0, seg.P1, seg.P2, seg.P3})
      outside = outside || !PointInFRect(p.x, p.y, b.left, b.top, b.right, b.bottom);
    if (!outside) continue;
    for (float t = 0.1f; t < 0.9f; t += 0.01f) {
      CFPoint q;
      seg.PointAt(t, q);
      widen(q.x, q.y);
    }
  }
  if (any) bounds = b;
}

// ---------------------------------------------------------------------------
// Marks.

void CPathObject::DrawNodes(plat::DC* dc, const CMatrix3* vm) {
  ApplyTransform();
  if (!dc || !points) return;
  Block k(points, count);
  const int rop = dc->SetROP2(plat::R2_NOTXORPEN);
  int selected = 0;
  int last = -1;
  {
    Tools t(dc, SharedTools().nodePen, NullBrush());
    for (int i = 0; i < k.n; ++i) {
      if (!k.Selectable(i)) continue;
      const plat::POINT d = ToDevice(vm, k.At(i));
      const int half = MarkHalf(k, i);
      if (k.Selected(i)) {
        ++selected;
        last = i;
        dc->SelectObject(SharedTools().nodeBrush);
        Square(dc, d, half);
        dc->SelectObject(NullBrush());
      } else {
        Square(dc, d, half);
      }
    }
  }
  if (rop) dc->SetROP2(rop);
  selectedCount = selected;
  // A pending segment hit keeps its end node as the current node.
  if (last >= 0 && hitParam < 0.0f && !k.Selected(currentNode)) currentNode = last;
}

void CPathObject::DrawCurrentHandles(plat::DC* dc, const CMatrix3* vm) {
  if (!dc || !points || selectedCount != 1) return;
  Block k(points, count);
  const int n = currentNode;
  if (!k.Selected(n)) return;
  const plat::POINT node = ToDevice(vm, k.At(n));
  Tools t(dc, SharedTools().handlePen, NullBrush());
  for (int h : {k.OutHandle(n), k.InHandle(n)}) {
    if (h < 0) continue;
    const plat::POINT d = ToDevice(vm, k.At(h));
    dc->MoveTo(node);
    dc->LineTo(d);
    Square(dc, d, 2);
  }
}

void CPathObject::DrawSegmentHitMark(plat::DC* dc, const CMatrix3* vm) {
  if (!dc || hitParam < 0.0f) return;
  Tools t(dc, SharedTools().hitMarkPen, NullBrush());
  Square(dc, ToDevice(vm, CFPoint{hitX, hitY}), 3);
}

void CPathObject::DrawCurrentSegmentHandles(plat::DC* dc, const CMatrix3* vm) {
  if (!dc || !points || hitParam < 0.0f) return;
  Block k(points, count);
  Seg s;
  if (!k.SegTo(currentNode, s) || !s.Bezier()) return;
  Tools t(dc, SharedTools().handlePen, NullBrush());
  dc->MoveTo(ToDevice(vm, k.At(s.a)));
  dc->LineTo(ToDevice(vm, k.At(s.c1)));
  dc->MoveTo(ToDevice(vm, k.At(s.c2)));
  dc->LineTo(ToDevice(vm, k.At(s.b)));
}

void CPathObject::DrawSelectedSegmentsXor(plat::DC* dc, const CMatrix3* vm) {
  if (!dc || !points) return;
  Block k(points, count);
  plat::HPEN pen = ThePaletteStore().CreateColorPen(color, plat::PS_SOLID, 1);
  {
    Tools t(dc, pen, NullBrush());
    const int n = currentNode;
    if (selectedCount == 1 && k.Selected(n)) {
      // One node: only its two segments, without a walk over the path.
      Seg s;
      if (k.SegFrom(n, s)) DrawSeg(dc, vm, k, s);
      const int e = k.Start(n) ? k.ClosingEnd(n) : n;
      if (e >= 0 && k.SegTo(e, s) && !(k.Start(n) && s.a == n)) DrawSeg(dc, vm, k, s);
    }
    int startSelected = 0;
    for (int a = 0; a < k.n && !(selectedCount == 1 && k.Selected(n)); ++a) {
      if (!k.Node(a)) continue;
      if (k.Start(a)) startSelected = k.Selected(a);
      Seg s;
      if (!k.SegFrom(a, s)) continue;
      const bool touches = k.Selected(s.a) || k.Selected(s.b) || (k.ClosedEnd(s.b) && startSelected);
      if (touches) DrawSeg(dc, vm, k, s);
    }
  }
  plat::DeleteObject(pen);
}

void CPathObject::DrawSelectedContoursXor(plat::DC* dc, const CMatrix3* vm) {
  if (!dc || !points) return;
  Block k(points, count);
  plat::HPEN pen = ThePaletteStore().CreateColorPen(color, plat::PS_SOLID, 1);
  {
    Tools t(dc, pen, NullBrush());
    ForSelectedContours(k, [&](int s, int last) {
      for (int a = s; a <= last; ++a) {
        Seg g;
        if (k.SegFrom(a, g) && g.b <= last) DrawSeg(dc, vm, k, g);
      }
    });
  }
  plat::DeleteObject(pen);
}

void CPathObject::DrawNodeMarks(plat::DC* dc, const CMatrix3* vm) {
  DrawNodes(dc, vm);
  DrawCurrentHandles(dc, vm);
  DrawSegmentHitMark(dc, vm);
}

namespace pathnodes {

void ToggleMarks(CPathObject& path, CViewServices* view) {
  if (path.editMode != ID_TOOL_NODE || !view) return;
  XorViewDC dc(view);
  if (dc.get()) path.DrawNodeMarks(dc.get(), view->GetViewMatrix());
}

void RepaintPath(CPathObject& path, CViewServices* view) {
  if (view) path.InvalidateObjectRect(view, true);
}

}  // namespace pathnodes

// ---------------------------------------------------------------------------
// Selection.

void CPathObject::SelectNode(int index, CViewServices* view) {
  if (!points) return;
  Block k(points, count);
  if (!k.Node(index)) return;
  if (k.ClosedEnd(index)) {
    const int s = k.ContourStart(index);
    if (s < 0 || k.Selected(s)) return;
    index = s;
  }
  if (k.Selected(index)) {
    currentNode = index;
    return;
  }
  CViewServices* v = view ? view : GetActiveView();
  if (RecordingUndoList(v)) AppendUndo(v, std::make_unique<CUndoNodeSelect>(this, index));
  k[index].flags |= PP_SELECTED;
  ++selectedCount;
  currentNode = index;
}

void CPathObject::DeselectNode(int index, CViewServices* view) {
  if (!points) return;
  Block k(points, count);
  if (!k.Node(index) || !(k[index].flags & PP_SELECTED)) return;
  selectedCount = std::max(selectedCount - 1, 0);
  CViewServices* v = view ? view : GetActiveView();
  if (RecordingUndoList(v)) AppendUndo(v, std::make_unique<CUndoNodeDeselect>(this, index));
  k[index].flags &= std::uint8_t(~PP_SELECTED);
}

void CPathObject::ClearNodeSelection(CViewServices* view, int record) {
  ApplyTransform();
  const bool marks = editMode == ID_TOOL_NODE;
  XorViewDC own(marks ? view : nullptr);
  plat::DC* dc = own.get();
  const CMatrix3* vm = view ? view->GetViewMatrix() : nullptr;
  if (record && RecordingUndoList(view)) AppendUndo(view, std::make_unique<CUndoPathState>(this));
  if (hitParam >= 0.0f) {
    DrawSegmentHitMark(dc, vm);
    if (record) hitParam = -1.0f;
  }
  if (selectedCount > 0) {
    DrawCurrentHandles(dc, vm);
    if (record) selectedCount = 0;
  }
  if (!points) return;
  Block k(points, count);
  const bool undo = record && RecordingUndoList(view);
  for (int i = 0; i < k.n; ++i) {
    if (!k.Selected(i)) continue;
    if (record) {
      if (undo) AppendUndo(view, std::make_unique<CUndoNodeDeselect>(this, i));
      k[i].flags &= std::uint8_t(~PP_SELECTED);
    }
    if (dc) ToggleFill(dc, ToDevice(vm, k.At(i)), MarkHalf(k, i));
  }
}

void CPathObject::SelectNodesInRect(float x1, float y1, float x2, float y2, CViewServices* view) {
  if (!points) return;
  const float l = std::min(x1, x2), r = std::max(x1, x2);
  const float t = std::min(y1, y2), b = std::max(y1, y2);
  const int wasCurrent = currentNode;
  const bool none = selectedCount == 0;
  int first = -1;
  std::vector<int> inside;
  {
    Block k(points, count);
    for (int i = 0; i < k.n; ++i)
      if (k.Selectable(i) && !k.Selected(i) && PointInFRect(k[i].x, k[i].y, l, t, r, b))
        inside.push_back(i);
  }
  for (int i : inside) {
    SelectNode(i, view);
    if (first < 0) first = i;
  }
  currentNode = none && first >= 0 ? first : wasCurrent;
}

// ---------------------------------------------------------------------------
// Hit tests.

int CPathObject::HitTestNode(CViewServices* view, float x, float y, int& kind) {
  kind = 0;
  ApplyTransform();
  if (!points) return -1;
  const float tol = 3.0f * float(view ? view->GetUnitsPerPixel() : 1.0);
  Block k(points, count);
  auto in = [&](int i) { return std::fabs(x - k[i].x) <= tol && std::fabs(y - k[i].y) <= tol; };
  // The handle h, or the one after it in the walk's direction, when hit; -1.
  auto handles = [&](int h, int (Block::*step)(int) const, int nearKind, int farKind) {
    if (!k.Ctrl(h)) return -1;
    if (in(h)) {
      kind = nearKind;
      return h;
    }
    const int g = (k.*step)(h);
    if (k.Ctrl(g) && in(g)) {
      kind = farKind;
      return g;
    }
    return -1;
  };
  if (selectedCount == 1 && k.Selected(currentNode)) {
    const int n = currentNode;
    if (!EndsContour(k.F(n))) {
      const int h = handles(k.NextPoint(n), &Block::NextPoint, NODE_HIT_FIRST_HANDLE, NODE_HIT_SECOND_HANDLE);
      if (h >= 0) return h;
    }
    const int m = k.Start(n) ? k.ClosingEnd(n) : n;
    if (m >= 0) {
      const int h = handles(k.PrevPoint(m), &Block::PrevPoint, NODE_HIT_SECOND_HANDLE, NODE_HIT_FIRST_HANDLE);
      if (h >= 0) return h;
    }
  }
  for (int i = 0; i < k.n; ++i) {
    if (k.Node(i) && in(i)) {
      kind = k.Selected(i) ? NODE_HIT_SELECTED : NODE_HIT_UNSELECTED;
      return i;
    }
  }
  return -1;
}

int CPathObject::HitTestUnselectedNode(CViewServices* view, float x, float y) {
  if (!points) return -1;
  const float tol = 3.0f * float(view ? view->GetUnitsPerPixel() : 1.0);
  Block k(points, count);
  for (int i = 0; i < k.n; ++i)
    if (k.Node(i) && !(k[i].flags & PP_SELECTED) && std::fabs(x - k[i].x) <= tol &&
        std::fabs(y - k[i].y) <= tol)
      return i;
  return -1;
}

int CPathObject::HitTestSegment(CViewServices* view, float x, float y) {
  ApplyTransform();
  if (!points || count <= 0) return 0;
  const float tol = 3.0f * float(view ? view->GetUnitsPerPixel() : 1.0);
  Block k(points, count);
  hitParam = -1.0f;
  hitX = x;
  hitY = y;
  for (int a = 0; a < k.n; ++a) {
    if (!k.Node(a)) continue;
    if (k.Start(a)) contourStart = a;
    Seg s;
    if (!k.SegFrom(a, s)) continue;
    CFPoint pt{x, y};
    float r;
    if (s.Bezier()) {
      CBezierSegment seg{k.At(s.a), k.At(s.c1), k.At(s.c2), k.At(s.b), {}};
      r = seg.HitTest(pt, tol);
    } else {
      r = ::HitTestSegment(k[s.a].x, k[s.a].y, k[s.b].x, k[s.b].y, pt, tol);
    }
    if (r > 0.0f) {
      hitParam = std::min(r, 1.0f);
      hitX = pt.x;
      hitY = pt.y;
      currentNode = s.b;
      hitKind = s.Bezier() ? HIT_CURVE : HIT_LINE;
      return hitKind;
    }
  }
  return 0;
}

int CPathObject::FindContourStart(int index) const {
  Block k(points, count);
  if (index >= k.n) index = k.n - 1;
  for (int i = index; i >= 0; --i)
    if (IsPoint(k.F(i)) && (k.F(i) & 0x70) == PP_START) return i;
  return -1;
}

int CPathObject::FindContourEnd(int index) const {
  Block k(points, count);
  for (int i = std::max(index, 0); i < k.n; ++i) {
    const int kindBits = k.F(i) & 0x70;
    if (IsPoint(k.F(i)) && (kindBits == 0x20 || kindBits == 0x40 || kindBits == 0x60)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Moves.

void CPathObject::MoveSelectedNodes(float dx, float dy, std::uint32_t fl) {
  if (!points) return;
  Block k(points, count);
  if (selectedCount == 1 && (fl & MK_SHIFT)) {
    int n = currentNode;
    if (!k.Selected(n)) {
      n = -1;
      for (int i = 0; i < k.n && n < 0; ++i)
        if (k.Selected(i)) n = i;
    }
    if (n < 0) return;
    Seg in, out;
    const int e = k.ClosingEnd(n);
    const bool hasPrev = k.Start(n) ? (e >= 0 && k.SegTo(e, in)) : k.SegTo(n, in);
    const bool hasNext = k.SegFrom(n, out);
    if (hasPrev && hasNext) {
      const CFPoint m = ObjectDrag().last;
      const PathPoint& p = k[in.a];
      const PathPoint& q = k[out.b];
      const float nx = SnapAxis(p.x, q.x, m.x);
      const float ny = SnapAxis(p.y, q.y, m.y);
      const float ddx = nx - k[n].x, ddy = ny - k[n].y;
      if (in.Bezier()) Move(k[in.c2], ddx, ddy);
      if (out.Bezier()) Move(k[out.c1], ddx, ddy);
      k[n].x = nx;
      k[n].y = ny;
      if (e >= 0) {
        k[e].x = nx;
        k[e].y = ny;
      }
      return;
    }
  }
  const int one = selectedCount == 1 && k.Selected(currentNode) ? currentNode : -1;
  int startSelected = 0;
  // One node: only it and what hangs on it, without a walk over the path.
  const int from = one >= 0 ? one : 0;
  const int to = one >= 0 ? one + 1 : k.n;
  for (int i = from; i < to; ++i) {
    if (!k.Node(i)) continue;
    if (k.Start(i)) startSelected = k.Selected(i);
    if (one >= 0 && k.Start(i)) {
      const int e = k.ClosingEnd(i);
      if (e >= 0 && !k.Selected(e)) {
        Move(k[e], dx, dy);
        const int h = k.InHandle(e);
        if (h >= 0) Move(k[h], dx, dy);
      }
    }
    if (k.Selected(i)) {
      Move(k[i], dx, dy);
      const int o = k.OutHandle(i);
      if (o >= 0) Move(k[o], dx, dy);
      if (!k.Start(i)) {
        const int h = k.InHandle(i);
        if (h >= 0) Move(k[h], dx, dy);
      }
    } else if (k.ClosedEnd(i) && startSelected) {
      Move(k[i], dx, dy);
      const int h = k.InHandle(i);
      if (h >= 0) Move(k[h], dx, dy);
    }
  }
}

void CPathObject::DragHandle(float dx, float dy, int kind, std::uint32_t fl) {
  if (!points || selectedCount != 1) return;
  Block k(points, count);
  const int n = currentNode;
  if (!k.Selected(n)) return;
  int h = -1, opposite = -1;
  if (kind == DRAG_NEXT_HANDLE) {
    h = k.OutHandle(n);
    opposite = k.InHandle(n);
  } else if (kind == DRAG_PREV_HANDLE) {
    h = k.InHandle(n);
    opposite = k.OutHandle(n);
  }
  if (h < 0) return;
  Move(k[h], dx, dy);
  if ((fl & MK_SHIFT) && opposite >= 0 && opposite != h) {
    const float angle = std::atan2(k[n].y - k[h].y, k[n].x - k[h].x);
    const float len = PointDistance(k[opposite].x, k[opposite].y, k[n].x, k[n].y);
    k[opposite].x = k[n].x + len * std::cos(angle);
    k[opposite].y = k[n].y + len * std::sin(angle);
  }
}

void CPathObject::DragSegment(float dx, float dy, std::uint32_t) {
  if (!points || hitParam < 0.0f) return;
  Block k(points, count);
  Seg s;
  if (!k.SegTo(currentNode, s)) return;
  if (!s.Bezier()) {
    Move(k[s.a], dx, dy);
    Move(k[s.b], dx, dy);
    const int e = k.ClosingEnd(s.a);
    if (e >= 0 && e != s.b) Move(k[e], dx, dy);
    if (k.ClosedEnd(s.b)) {
      const int st = k.ContourStart(s.b);
      if (st >= 0 && st != s.a) Move(k[st], dx, dy);
    }
    return;
  }
  // The curve's point at t follows the pointer; t = 0 or 1 would divide by 0.
  const float t = std::clamp(hitParam, 0.01f, 0.99f);
  const float u = 1.0f - t;
  const float w1 = 3.0f * u * u * t;  // weight of C1
  const float w2 = 3.0f * u * t * t;  // weight of C2
  float d1x, d1y, d2x, d2y;
  if (t >= 0.5f) {
    d1x = dx * u / t;
    d1y = dy * u / t;
    d2x = (dx - w1 * d1x) / w2;
    d2y = (dy - w1 * d1y) / w2;
  } else {
    d2x = dx * t / u;
    d2y = dy * t / u;
    d1x = (dx - w2 * d2x) / w1;
    d1y = (dy - w2 * d2y) / w1;
  }
  Move(k[s.c1], d1x, d1y);
  Move(k[s.c2], d2x, d2y);
}

void CPathObject::MoveSelectedContours(float dx, float dy, std::uint32_t) {
  if (!points) return;
  Block k(points, count);
  ForSelectedContours(k, [&](int s, int last) {
    for (int i = s; i <= last; ++i)
      if (IsPoint(k.F(i))) Move(k[i], dx, dy);
  });
}

void CPathObject::AlignSelectedNodes(CViewServices* view, std::uint32_t key, std::uint32_t) {
  if (!points) return;
  const bool horizontal = key == fw::VK_LEFT || key == fw::VK_RIGHT;
  const bool vertical = key == fw::VK_UP || key == fw::VK_DOWN;
  if (!horizontal && !vertical) return;
  {
    Block k(points, count);
    int n = 0;
    float l = 0, t = 0, r = 0, b = 0;
    for (int i = 0; i < k.n; ++i) {
      if (!k.Selected(i)) continue;
      if (n++ == 0) {
        l = r = k[i].x;
        t = b = k[i].y;
      } else {
        l = std::min(l, float(k[i].x));
        r = std::max(r, float(k[i].x));
        t = std::min(t, float(k[i].y));
        b = std::max(b, float(k[i].y));
      }
    }
    if (n < 2) return;
    const float cx = (l + r) / 2.0f, cy = (t + b) / 2.0f;
    auto set = [&](int i) {
      if (i < 0) return;
      if (horizontal)
        k[i].x = cx;
      else
        k[i].y = cy;
    };
    int startSelected = 0;
    for (int i = 0; i < k.n; ++i) {
      if (!k.Node(i)) continue;
      if (k.Start(i)) startSelected = k.Selected(i);
      if (k.Selected(i)) {
        set(i);
        set(k.OutHandle(i));
        if (!k.Start(i)) set(k.InHandle(i));
      } else if (k.ClosedEnd(i) && startSelected) {
        set(i);
        set(k.InHandle(i));
      }
    }
  }
  if (view) view->RepaintView(false);
}

// ---------------------------------------------------------------------------
// Edit mode.

void CPathObject::OnNodeEditBegun(CViewServices*) {
  if (CMainFrameServices* frame = GetMainFrame()) frame->SetToolMode(ID_TOOL_NODE);
}

int CPathObject::CanDeleteInEdit(CViewServices*) {
  return editMode == ID_TOOL_NODE && selectedCount > 0;
}

int CPathObject::EndNodeEdit(CViewServices* view) {
  ClearNodeSelection(view, 1);
  return CGraphObject::EndNodeEdit(view);
}

int CPathObject::IsCommandEnabled(CViewServices*, std::uint32_t command) {
  return command == ID_TOOL_EXTEND;
}

int CPathObject::DoCommand(CViewServices* view, std::uint32_t command) {
  if (command != ID_TOOL_EXTEND || !IsCommandEnabled(view, command)) return 0;
  BeginExtendContour(view);
  return 1;
}

// ---------------------------------------------------------------------------
// Keys.

namespace {

bool NudgeOffset(std::uint32_t key, float s, float& dx, float& dy) {
  dx = dy = 0.0f;
  switch (key) {
    case fw::VK_PRIOR: dy = -10.0f * s; return true;
    case fw::VK_NEXT: dy = 10.0f * s; return true;
    case fw::VK_END: dx = 10.0f * s; return true;
    case fw::VK_HOME: dx = -10.0f * s; return true;
    case fw::VK_LEFT: dx = -s; return true;
    case fw::VK_UP: dy = -s; return true;
    case fw::VK_RIGHT: dx = s; return true;
    case fw::VK_DOWN: dy = s; return true;
    default: return false;
  }
}

}  // namespace

int CPathObject::OnKeyDownNode(CViewServices* view, std::uint32_t key, std::uint32_t modifiers) {
  if (key < kKeyFirst || key > kKeyLast || !view || !points) return 0;
  const float s = float(view->GetUnitsPerPixel());
  {
    // Nothing selected: nothing to move or align, nothing recorded.
    Block k(points, count);
    int selected = 0;
    for (int i = 0; i < k.n && !selected; ++i) selected = k.Selected(i);
    if (!selected) return 1;
  }
  // Every nudge and alignment is one step that restores the block exactly.
  UndoBracket bracket(view, 1);
  if (CUndoList* list = RecordingUndoList(view)) {
    list->AppendUndoRepaintItem();
    AppendUndo(view, std::make_unique<CUndoPathSnapshot>(this));
  }
  if (modifiers & 4) {
    ToggleMarks(*this, view);
    AlignSelectedNodes(view, key, modifiers);
    ToggleMarks(*this, view);
    RecomputeBounds();
    return 1;
  }
  float dx, dy;
  NudgeOffset(key, s, dx, dy);
  RepaintPath(*this, view);
  ToggleMarks(*this, view);
  {
    XorViewDC dc(view);
    const CMatrix3* vm = view->GetViewMatrix();
    if (modifiers & 8) {
      DrawSelectedContoursXor(dc.get(), vm);
      MoveSelectedContours(dx, dy, 0);
      DrawSelectedContoursXor(dc.get(), vm);
    } else {
      DrawSelectedSegmentsXor(dc.get(), vm);
      MoveSelectedNodes(dx, dy, 0);
      DrawSelectedSegmentsXor(dc.get(), vm);
    }
  }
  ToggleMarks(*this, view);
  RecomputeBounds();
  RepaintPath(*this, view);
  return 1;
}

int CPathObject::OnCharNode(CViewServices* view, std::uint32_t ch, std::uint32_t) {
  if (!view) return 0;
  if (view->GetCurrentTool() == ID_TOOL_EXTEND) {
    view->SendCommand(ID_TOOL_NODE);
    ObjectDrag().dragKind = 0;
  }
  UndoBracket bracket(view, 0);
  switch (ch) {
    case ' ': ToggleSegmentKind(view); return 1;
    case '+': InsertNode(view); return 1;
    case '-': DeleteSelectedNodes(view); return 1;
    case 'A':
    case 'a':
      view->PostCommand(ID_TOOL_EXTEND);
      ObjectDrag().pointIndex = 0;
      view->RepaintView(false);
      return 1;
    case 'C':
    case 'c': view->PostCommand(ID_CONTOUR_TO_CIRCLE); return 1;
    case 'D':
    case 'd': view->PostCommand(ID_DELETE_CONTOUR); return 1;
    case 'F':
    case 'f': view->PostCommand(ID_CONTOUR_TO_RECT); return 1;
    case 'H':
    case 'h': view->PostCommand(ID_TOOL_REPLACE_CURVE); return 1;
    default: return 0;
  }
}

int CPathObject::RunNodeCommand(std::intptr_t a, std::intptr_t b, std::intptr_t, std::intptr_t) {
  auto* view = reinterpret_cast<CViewServices*>(a);
  const auto key = std::uint32_t(b);
  if (!view) return 0;
  if (key >= kKeyFirst && key <= kKeyLast) {
    if (selectedCount <= 0) return 0;
    std::uint32_t modifiers = 0;
    if (view->IsKeyDown(int(fw::VK_SHIFT))) modifiers |= 4;
    if (view->IsKeyDown(int(fw::VK_CONTROL))) modifiers |= 8;
    return OnKeyDownNode(view, key, modifiers);
  }
  UndoBracket bracket(view, 0);
  switch (key) {
    case ' ': ToggleSegmentKind(view); return 1;
    case 'C':
    case 'c': ReplaceContoursWithCircle(view); return 1;
    case 'D':
    case 'd': DeleteSelectedContours(view, nullptr); return 1;
    case 'F':
    case 'f': ReplaceContoursWithRectangle(view); return 1;
    case 'H':
    case 'h':
      // The view's command starts the replacement and arms its tool, keeping
      // the path in editing.
      view->PostCommand(ID_TOOL_REPLACE_CURVE);
      return 1;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------
// Mouse in the node tool.

int CPathObject::OnLButtonDownNode(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  UndoBracket bracket(view, 1);
  ObjectDragState& d = ObjectDrag();
  d.start = d.last = CFPoint{x, y};
  d.moved = 0;
  int kind = 0;
  const int hit = HitTestNode(view, x, y, kind);
  if (hit < 0) {
    if (!(fl & MK_SHIFT)) ClearNodeSelection(view, 1);
    ToggleMarks(*this, view);
    const int seg = HitTestSegment(view, x, y);
    if (seg && (fl & MK_CONTROL)) SelectNode(currentNode, view);  // its contour is dragged
    ToggleMarks(*this, view);
    if (!seg) {
      d.dragKind = DRAG_BAND_RECT;
      DrawDragBand(view, nullptr);
    } else if (fl & MK_CONTROL) {
      d.dragKind = DRAG_CONTOURS;
    } else {
      d.dragKind = std::uint16_t(seg);
      XorViewDC dc(view);
      DrawCurrentSegmentHandles(dc.get(), view->GetViewMatrix());
    }
    return 1;
  }
  if (kind == NODE_HIT_SELECTED || kind == NODE_HIT_UNSELECTED) {
    if (kind == NODE_HIT_UNSELECTED) {
      if (!(fl & MK_SHIFT)) ClearNodeSelection(view, 1);
      ToggleMarks(*this, view);
      SelectNode(hit, view);
      ToggleMarks(*this, view);
    }
    d.dragKind = DRAG_NODES;
    return 1;
  }
  // A handle: its node becomes the only selected one.
  d.dragKind = 0;
  int node, opposite;
  {
    Block k(points, count);
    node = kind == NODE_HIT_FIRST_HANDLE ? k.PrevPoint(hit) : k.NextPoint(hit);
    if (k.ClosedEnd(node)) node = k.ContourStart(node);
    if (!k.Node(node)) return 1;
    opposite = kind == NODE_HIT_FIRST_HANDLE ? k.InHandle(node) : k.OutHandle(node);
  }
  if (node != currentNode) {
    ClearNodeSelection(view, 1);
    ToggleMarks(*this, view);
    SelectNode(node, view);
    ToggleMarks(*this, view);
  }
  if (RecordingUndoList(view)) {
    AppendUndo(view, std::make_unique<CUndoPathPoint>(this, hit));
    // Shift turns the opposite handle too.
    if (opposite >= 0 && opposite != hit)
      AppendUndo(view, std::make_unique<CUndoPathPoint>(this, opposite));
  }
  d.dragKind = kind == NODE_HIT_FIRST_HANDLE ? DRAG_NEXT_HANDLE : DRAG_PREV_HANDLE;
  return 1;
}

namespace {

void SegmentFeedback(CPathObject& path, CViewServices* view) {
  XorViewDC dc(view);
  if (!dc.get() || !path.points) return;
  const CMatrix3* vm = view->GetViewMatrix();
  path.DrawCurrentSegmentHandles(dc.get(), vm);
  Block k(path.points, path.count);
  Seg s;
  if (!k.SegTo(path.currentNode, s)) return;
  plat::HPEN pen = ThePaletteStore().CreateColorPen(path.color, plat::PS_SOLID, 1);
  {
    Tools t(dc.get(), pen, NullBrush());
    DrawSeg(dc.get(), vm, k, s);
  }
  plat::DeleteObject(pen);
}

void NodeFeedback(CPathObject& path, CViewServices* view) {
  XorViewDC dc(view);
  path.DrawSelectedSegmentsXor(dc.get(), view->GetViewMatrix());
  path.DrawCurrentHandles(dc.get(), view->GetViewMatrix());
}

void ContourFeedback(CPathObject& path, CViewServices* view) {
  XorViewDC dc(view);
  path.DrawSelectedContoursXor(dc.get(), view->GetViewMatrix());
}

}  // namespace

int CPathObject::OnMouseMoveNode(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view || !(fl & MK_LBUTTON)) return 0;
  ObjectDragState& d = ObjectDrag();
  const float dx = x - d.last.x, dy = y - d.last.y;
  switch (d.dragKind) {
    case DRAG_NODES:
      NodeFeedback(*this, view);
      d.last = CFPoint{x, y};
      MoveSelectedNodes(dx, dy, fl);
      NodeFeedback(*this, view);
      break;
    case DRAG_NEXT_HANDLE:
    case DRAG_PREV_HANDLE:
      NodeFeedback(*this, view);
      DragHandle(dx, dy, d.dragKind, fl);
      NodeFeedback(*this, view);
      break;
    case DRAG_LINE_SEGMENT:
    case DRAG_CURVE_SEGMENT:
      SegmentFeedback(*this, view);
      DragSegment(dx, dy, fl);
      SegmentFeedback(*this, view);
      break;
    case DRAG_CONTOURS:
      ContourFeedback(*this, view);
      MoveSelectedContours(dx, dy, fl);
      ContourFeedback(*this, view);
      break;
    default: return 0;
  }
  if (dx != 0.0f || dy != 0.0f) d.moved = 1;
  d.last = CFPoint{x, y};
  return 1;
}

int CPathObject::OnLButtonUpNode(CViewServices* view, std::uint32_t fl, float x, float y) {
  if (!view) return 0;
  UndoBracket bracket(view, 0);
  ObjectDragState& d = ObjectDrag();
  const bool record = RecordingUndoList(view) != nullptr;
  const std::uint16_t kind = d.dragKind;
  d.dragKind = 0;
  switch (kind) {
    case DRAG_BAND_RECT:
      d.dragKind = kind;
      DrawDragBand(view, nullptr);
      d.dragKind = 0;
      ToggleMarks(*this, view);
      SelectNodesInRect(d.start.x, d.start.y, d.last.x, d.last.y, view);
      ToggleMarks(*this, view);
      break;
    case DRAG_NODES: {
      if (d.moved && record) AppendUndo(view, std::make_unique<CUndoNodesMove>(this, fl));
      if (selectedCount != 1) break;
      const int other = HitTestUnselectedNode(view, x, y);
      if (other < 0 || other == currentNode) break;
      const int dragged = currentNode;
      ToggleMarks(*this, view);
      SelectNode(other, view);
      if (JoinNodes(view)) {
        plat::MessageBeep(0);
        break;
      }
      {
        // Refused: the dragged node alone stays selected.
        std::vector<int> others;
        bool draggedSelected;
        {
          Block k(points, count);
          for (int i = 0; i < k.n; ++i)
            if (i != dragged && k.Selected(i)) others.push_back(i);
          draggedSelected = k.Selected(dragged);
        }
        for (int i : others) DeselectNode(i, view);
        if (!draggedSelected) SelectNode(dragged, view);
      }
      selectedCount = 1;
      currentNode = dragged;
      ToggleMarks(*this, view);
      break;
    }
    case DRAG_LINE_SEGMENT:
    case DRAG_CURVE_SEGMENT:
      if (d.moved && record) AppendUndo(view, std::make_unique<CUndoSegmentDrag>(this, fl));
      break;
    case DRAG_CONTOURS:
      if (d.moved && record) AppendUndo(view, std::make_unique<CUndoContoursMove>(this, fl));
      break;
    default: break;
  }
  if (kind != DRAG_BAND_RECT && kind != 0) {
    RepaintPath(*this, view);
    RecomputeBounds();
    RepaintPath(*this, view);
  }
  d.moved = 0;
  return 1;
}
