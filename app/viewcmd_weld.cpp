// Weld, cut, and, xor, the line and reference cuts and the intersection of
// a cut pattern with the selection, through the shape library.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "app/viewcmd_weld.h"
#include "framework/wnd.h"
#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"

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

// The wait cursor for a scope.
class WaitCursor {
 public:
  WaitCursor() : old_(fw::SetCursor(fw::LoadStandardCursor(fw::IDC_WAIT))) {}
  ~WaitCursor() { fw::SetCursor(old_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  fw::HCURSOR old_;
};

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

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::WeldMap)
FW_END_COMMAND_FAMILY()
