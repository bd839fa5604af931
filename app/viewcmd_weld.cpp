// Weld, cut, and, xor, the line and reference cuts and the intersection of
// a cut pattern with the selection, through the shape library.
#include "app/viewcmd_weld.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "framework/wnd.h"
#include "framework/waitcursor.h"
#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/guideline.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/undoitems.h"

namespace weldcmd {

std::string& LibraryFileName() {
  static std::string name = flexoril::kFileName;
  return name;
}

bool FoldGuideAngle(double angle, double* out) {
  if (!std::isfinite(angle)) return false;
  double a = std::fmod(angle, 180.0);
  if (a < 0.0) a += 180.0;
  if (a >= 180.0) a = 0.0;  // a tiny negative rounds up to 180
  *out = a;
  return true;
}

}  // namespace weldcmd

namespace {

using WaitCursor = fw::CWaitCursor;

bool LoadWeldLib(CWeldLib& lib) {
  lib.SetFileName(weldcmd::LibraryFileName());
  return lib.Load() != nullptr;
}

// The closed contours of a pattern path: its point records with open
// contours and non-point records dropped, and where each contour starts.
struct PatternContours {
  std::vector<PathPoint> points;
  struct Piece {
    std::size_t first, last;  // [first, last) of points
    CFRect bounds;
  };
  std::vector<Piece> pieces;
};

PatternContours ReadPattern(const CPathObject& pattern) {
  PatternContours out;
  if (!pattern.points) return out;
  pathrec::Records recs(pattern.points);
  if (!recs.p) return out;
  const std::size_t n = std::min<std::size_t>(recs.n, pattern.count > 0 ? std::size_t(pattern.count) : 0);
  const bool moved = !pattern.matrix.IsIdentity();
  std::vector<std::size_t> starts;
  std::size_t mark = 0;
  for (std::size_t i = 0; i < n; ++i) {
    PathPoint r = recs.p[i];
    if (r.flags == PP_END) break;
    if (r.flags & PP_SPECIAL) continue;
    if (moved) {
      CFPoint q{r.x, r.y};
      pattern.matrix.TransformPoint(q);
      r.x = q.x, r.y = q.y;
    }
    switch (r.flags & 0x70) {
      case PP_START:
        mark = out.points.size();
        while (!starts.empty() && starts.back() >= mark) starts.pop_back();
        starts.push_back(mark);
        out.points.push_back(r);
        break;
      case PP_OPENEND:
        out.points.resize(mark);
        while (!starts.empty() && starts.back() >= mark) starts.pop_back();
        break;
      default:
        out.points.push_back(r);
        break;
    }
  }
  // Records before the first start form a piece of their own.
  if (starts.empty() || starts.front() != 0) starts.insert(starts.begin(), 0);
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t first = starts[k];
    const std::size_t last = k + 1 < starts.size() ? starts[k + 1] : out.points.size();
    if (first >= last) continue;
    CFRect b(out.points[first].x, out.points[first].y, out.points[first].x, out.points[first].y);
    for (std::size_t i = first + 1; i < last; ++i) {
      const float x = out.points[i].x, y = out.points[i].y;  // packed: copied out
      b.left = std::min(b.left, x);
      b.right = std::max(b.right, x);
      b.top = std::min(b.top, y);
      b.bottom = std::max(b.bottom, y);
    }
    out.pieces.push_back({first, last, b});
  }
  return out;
}

bool Meets(const CFRect& a, const CFRect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// The pieces of the pattern that meet the bounds as one path; null when it
// would hold one point or none.
std::unique_ptr<CPathObject> PatternCopyFor(const PatternContours& pattern, const CFRect& bounds) {
  auto copy = std::make_unique<CPathObject>();
  std::size_t points = 0;
  for (const PatternContours::Piece& piece : pattern.pieces) {
    if (!Meets(piece.bounds, bounds)) continue;
    for (std::size_t i = piece.first; i < piece.last; ++i) copy->AddPoint(pattern.points[i]);
    points += piece.last - piece.first;
  }
  if (points <= 1) return nullptr;
  copy->EndPoints();
  return copy;
}

CFRect Normalized(CFRect r) {
  r.Normalize();
  return r;
}

}  // namespace

std::unique_ptr<CGroupObject> CVORLAN98View::IntersectPatternWithSelection(CGraphObject* pattern) {
  WaitCursor wait;
  if (!pattern || pattern->kind != OBJ_PATH) return nullptr;
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return nullptr;
  CWeldLib lib;
  if (!LoadWeldLib(lib) || !lib.dllWeldAnd) return nullptr;
  const PatternContours contours = ReadPattern(static_cast<CPathObject&>(*pattern));
  std::unique_ptr<CGroupObject> result;
  bool marks = true;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o || o->selected == 0 || o->kind == OBJ_IMAGE) continue;
    // The marks are XOR: erased once, not toggled per object.
    if (marks && m_tracker) m_tracker->ClearSelection(nullptr, false);
    marks = false;
    std::unique_ptr<CGraphObject> shape = o->ConvertToPath(-1);
    if (!shape) continue;
    if (shape->kind == OBJ_GROUP) static_cast<CGroupObject&>(*shape).FlattenSubgroups();
    if (shape->kind == OBJ_PATH) static_cast<CPathObject&>(*shape).ApplyTransform();
    std::unique_ptr<CPathObject> copy = PatternCopyFor(contours, Normalized(shape->bounds));
    if (!copy) continue;
    CFlexorilBlock a, b;
    if (!a.Write(*shape) || !b.Write(*copy)) continue;
    std::unique_ptr<CGraphObject> piece = TakeResultBlock(lib.dllWeldAnd(a.Get(), b.Get()));
    if (!piece) continue;
    if (!result) result = std::make_unique<CGroupObject>();
    result->AddChild(std::move(piece));
  }
  if (result && result->GetChildCount() == 0) result.reset();
  return result;
}

namespace {

constexpr std::uint32_t ID_WELD = 32830;
constexpr std::uint32_t ID_WELD_CUT = 32831;
constexpr std::uint32_t ID_WELD_AND = 32832;
constexpr std::uint32_t ID_WELD_XOR = 32833;
constexpr std::uint32_t ID_REFERENCE_CUT = 32887;

flexoril::WeldFn WeldEntry(const CWeldLib& lib, std::uint32_t op) {
  switch (op) {
    case ID_WELD:
      return lib.dllWeld;
    case ID_WELD_CUT:
      return lib.dllWeldCut;
    case ID_WELD_AND:
      return lib.dllWeldAnd;
    case ID_WELD_XOR:
      return lib.dllWeldXor;
    default:
      return nullptr;
  }
}

// One call on the path forms of a and b (a path is sent as it is).
std::unique_ptr<CGraphObject> CallWeld(flexoril::WeldFn fn, CGraphObject& a, CGraphObject& b) {
  if (!fn) return nullptr;
  std::unique_ptr<CGraphObject> ca, cb;
  CGraphObject* pa = &a;
  CGraphObject* pb = &b;
  if (a.kind != OBJ_PATH) pa = (ca = a.ConvertToPath(-1)).get();
  if (b.kind != OBJ_PATH) pb = (cb = b.ConvertToPath(-1)).get();
  if (!pa || !pb) return nullptr;
  CFlexorilBlock sa, sb;
  if (!sa.Write(*pa) || !sb.Write(*pb)) return nullptr;
  ca.reset();
  cb.reset();
  return TakeResultBlock(fn(sa.Get(), sb.Get()));
}

// The object's path form as one flat group, as the line cut sends it.
std::unique_ptr<CGroupObject> FlatGroupOf(CGraphObject& o) {
  std::unique_ptr<CGraphObject> shape = o.ConvertToPath(-1);
  if (!shape) return nullptr;
  std::unique_ptr<CGroupObject> group;
  if (shape->kind == OBJ_GROUP) {
    group.reset(static_cast<CGroupObject*>(shape.release()));
  } else {
    group = std::make_unique<CGroupObject>();
    group->AddChild(std::move(shape));
  }
  group->FlattenSubgroups();
  return group;
}

std::unique_ptr<CGraphObject> CallLineCut(const CWeldLib& lib, CGraphObject& o, float x1, float y1, float x2,
                                          float y2) {
  if (!lib.dllLineCut) return nullptr;
  std::unique_ptr<CGroupObject> group = FlatGroupOf(o);
  CFlexorilBlock block;
  if (!group || !block.Write(*group)) return nullptr;
  return TakeResultBlock(lib.dllLineCut(block.Get(), x1, y1, x2, y2));
}

// Takes the object out of the document: an undo item keeps it while the
// view records, else it is deleted.
void TakeOut(CVORLAN98View& view, CVORLAN98Doc& doc, CGraphObject* o) {
  const int index = doc.RemoveObject(o);
  if (index < 0) return;
  o->InvalidateObjectRect(&view, true);
  if (view.GetHoverObject() == o) view.SetHoverObject(nullptr);
  if (view.GetEditObject() == o) view.SetEditObject(nullptr);
  CUndoList* undo = view.GetUndoList();
  if (undo->GetRecordDepth() != 0)
    undo->AppendUndoItem(std::make_unique<CUndoDelete>(o, index));
  else
    DeleteDetachedObject(&doc, o);
}

CGraphObject* AddOnTop(CVORLAN98View& view, CVORLAN98Doc& doc, std::unique_ptr<CGraphObject> o) {
  CGraphObject* raw = o.release();
  CUndoList* undo = view.GetUndoList();
  if (undo->GetRecordDepth() != 0) undo->AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
  doc.AddObject(raw, true);
  return raw;
}

// Selected objects other than images, from the last of the list to the first.
std::vector<CGraphObject*> SelectedTopDown(const CVORLAN98Doc& doc) {
  std::vector<CGraphObject*> out;
  for (int i = doc.GetObjectCount() - 1; i >= 0; --i)
    if (CGraphObject* o = doc.GetObjectAt(i); o && o->selected != 0 && o->kind != OBJ_IMAGE) out.push_back(o);
  return out;
}

}  // namespace

std::unique_ptr<CGraphObject> CVORLAN98View::WeldPair(std::uint32_t op, CGraphObject* a, CGraphObject* b) {
  CWeldLib lib;
  if (!a || !b || !LoadWeldLib(lib)) return nullptr;
  return CallWeld(WeldEntry(lib, op), *a, *b);
}

void CVORLAN98View::WeldObjects(std::uint32_t op) {
  WaitCursor wait;
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  CWeldLib lib;
  if (!LoadWeldLib(lib)) return;
  const flexoril::WeldFn fn = WeldEntry(lib, op);
  std::vector<CGraphObject*> objects = SelectedTopDown(*doc);
  if (!fn || objects.size() < 2) return;
  CSelectTracker* tracker = Tracker();
  if (tracker) tracker->ClearSelection(nullptr, false);
  m_undo.StartRecord(0);
  std::unique_ptr<CGraphObject> result;
  // Weld: the topmost object with a group of all the others in one call.
  if (op == ID_WELD) {
    std::unique_ptr<CGraphObject> first = objects[0]->ConvertToPath(-1);
    auto rest = std::make_unique<CGroupObject>();
    std::vector<CGraphObject*> welded{objects[0]};
    for (std::size_t i = 1; i < objects.size(); ++i)
      if (std::unique_ptr<CGraphObject> p = objects[i]->ConvertToPath(-1)) {
        rest->AddChild(std::move(p));
        welded.push_back(objects[i]);
      }
    rest->FlattenSubgroups();
    if (first && rest->GetChildCount() > 0) result = CallWeld(fn, *first, *rest);
    if (result)
      for (CGraphObject* o : welded) TakeOut(*this, *doc, o);
  }
  // Else pairwise, the result so far first: a pair the library refuses stays.
  if (!result) {
    for (CGraphObject* o : objects) {
      if (!result) {
        result = o->ConvertToPath(-1);
        if (result) TakeOut(*this, *doc, o);
        continue;
      }
      if (std::unique_ptr<CGraphObject> r = CallWeld(fn, *result, *o)) {
        TakeOut(*this, *doc, o);
        result = std::move(r);
      }
    }
  }
  if (result) {
    CGraphObject* added = AddOnTop(*this, *doc, std::move(result));
    if (tracker) tracker->Select(added);
    Invalidate();
  }
  m_undo.EndRecord();
}

void CVORLAN98View::LineCutObject(std::uint32_t, float, float) {
  WaitCursor wait;
  CWeldLib lib;
  if (!LoadWeldLib(lib)) return;
  CVORLAN98Doc* doc = GetDoc();
  CSelectTracker* tracker = Tracker();
  CGraphObject* o = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!doc || !o || o->kind == OBJ_IMAGE || doc->IndexOfObject(o) < 0) return;
  const ObjectDragState& d = ObjectDrag();
  std::unique_ptr<CGraphObject> pieces = CallLineCut(lib, *o, d.start.x, d.start.y, d.last.x, d.last.y);
  // Nothing back: the object stays as it was.
  if (!pieces) return;
  m_undo.StartRecord(0);
  tracker->ClearSelection(nullptr, false);
  TakeOut(*this, *doc, o);
  CGraphObject* added = AddOnTop(*this, *doc, std::move(pieces));
  tracker->Select(added);
  m_undo.EndRecord();
  Invalidate();
}

void CVORLAN98View::ReferenceLineCut() {
  WaitCursor wait;
  CVORLAN98Doc* doc = GetDoc();
  auto* guide = m_rulers ? dynamic_cast<CGuideLine*>(m_rulers->Guides().GetSelectedGuide()) : nullptr;
  double angle = 0.0;
  if (!doc || !guide || !weldcmd::FoldGuideAngle(guide->angle, &angle)) return;
  CWeldLib lib;
  if (!LoadWeldLib(lib)) return;
  std::vector<CGraphObject*> objects = SelectedTopDown(*doc);
  std::reverse(objects.begin(), objects.end());
  if (objects.empty()) return;
  CSelectTracker* tracker = Tracker();
  if (tracker) tracker->ClearSelection(nullptr, false);
  m_undo.StartRecord(0);
  const double r = angle / 180.0 * 3.1415926;
  const double gx = guide->x, gy = guide->y;
  std::unique_ptr<CGroupObject> collected;
  for (CGraphObject* o : objects) {
    CFRect b = o->bounds;
    b.Normalize();
    float x1, y1, x2, y2;
    if (angle < 45.0 || angle > 135.0) {
      x1 = b.left - 10.0f, x2 = b.right + 10.0f;
      y1 = float(gy + std::sin(r) * (gx - x1) / std::cos(r));
      y2 = float(gy + std::sin(r) * (gx - x2) / std::cos(r));
    } else {
      y1 = b.top - 10.0f, y2 = b.bottom + 10.0f;
      x1 = float(gx + std::cos(r) * (gy - y1) / std::sin(r));
      x2 = float(gx + std::cos(r) * (gy - y2) / std::sin(r));
    }
    std::unique_ptr<CGraphObject> pieces = CallLineCut(lib, *o, x1, y1, x2, y2);
    // Nothing back: the object stays.
    if (!pieces) continue;
    TakeOut(*this, *doc, o);
    if (!collected) collected = std::make_unique<CGroupObject>();
    collected->AddChild(std::move(pieces));
  }
  if (collected) {
    collected->FlattenSubgroups();
    while (collected->GetChildCount() > 0) AddOnTop(*this, *doc, collected->children.Detach(0));
  }
  if (tracker) tracker->GetSelectionRect(nullptr);
  m_undo.EndRecord();
  Invalidate();
}

namespace {

void OnWeld(CVORLAN98View& v, fw::UINT id) { v.WeldObjects(id); }
void OnLineCutTool(CVORLAN98View& v) { v.SetTool(ID_TOOL_LINE_CUT); }
void OnReferenceCut(CVORLAN98View& v) { v.ReferenceLineCut(); }

// Selected objects and selected images, counted from the flags.
void CountSelection(CVORLAN98View& v, int* objects, int* images) {
  *objects = *images = 0;
  CVORLAN98Doc* doc = v.GetDoc();
  for (int i = 0; doc && i < doc->GetObjectCount(); ++i)
    if (CGraphObject* o = doc->GetObjectAt(i); o && o->selected != 0) {
      ++*objects;
      *images += o->kind == OBJ_IMAGE;
    }
}

void OnUpdateOneShape(CVORLAN98View& v, fw::CCmdUI* ui) {
  int n, images;
  CountSelection(v, &n, &images);
  ui->Enable(n == 1 && images == 0);
}

void OnUpdateSomeShapes(CVORLAN98View& v, fw::CCmdUI* ui) {
  int n, images;
  CountSelection(v, &n, &images);
  ui->Enable(n >= 1 && images == 0);
}

void OnUpdateTwoShapes(CVORLAN98View& v, fw::CCmdUI* ui) {
  int n, images;
  CountSelection(v, &n, &images);
  ui->Enable(n == 2 && images == 0);
}

void OnUpdateReferenceCut(CVORLAN98View& v, fw::CCmdUI* ui) {
  int n, images;
  CountSelection(v, &n, &images);
  CViewRulers* rulers = v.GetRulers();
  ui->Enable(n > images && rulers && rulers->Guides().HasSelectedGuide());
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::WeldMap)
VIEW_ON_COMMAND_RANGE(ID_WELD, ID_WELD_XOR, OnWeld)
VIEW_ON_COMMAND(ID_TOOL_LINE_CUT, OnLineCutTool)
VIEW_ON_COMMAND(ID_REFERENCE_CUT, OnReferenceCut)
VIEW_ON_UPDATE(ID_TOOL_LINE_CUT, OnUpdateOneShape)
VIEW_ON_UPDATE(ID_TOOL_PARALLEL_CUT, OnUpdateSomeShapes)
VIEW_ON_UPDATE_RANGE(ID_TOOL_RADIATION_CUT, ID_TOOL_CIRCLE_CUT, OnUpdateOneShape)
VIEW_ON_UPDATE_RANGE(ID_WELD_CUT, ID_WELD_XOR, OnUpdateTwoShapes)
VIEW_ON_UPDATE(ID_REFERENCE_CUT, OnUpdateReferenceCut)
FW_END_COMMAND_FAMILY()
