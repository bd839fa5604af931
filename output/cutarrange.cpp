#include "output/cutarrange.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/geomutil.h"
#include "model/graphobject.h"
#include "model/groupobject.h"
#include "model/guidelist.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/shapebuilders.h"
#include "output/cutinfo.h"
#include "output/cutlayout.h"
#include "text/textobject.h"

flexoril::WeldFn CutAreaWeld::Intersect() {
  if (!lib.IsLoaded() && !tried) {
    tried = true;
    lib.Load();
  }
  return lib.IsLoaded() ? lib.dllWeldAnd : nullptr;
}

CutAreaWeld& TheCutAreaWeld() {
  static CutAreaWeld weld;
  return weld;
}

namespace {

bool Overlaps(const CFRect& b, const CFRect& r) {
  return IntersectFRects(nullptr, b.left, b.top, b.right, b.bottom, r.left, r.top, r.right, r.bottom) != 0;
}

bool Inside(const CFRect& b, const CFRect& r) {
  return r.left <= b.left && b.right <= r.right && r.top <= b.top && b.bottom <= r.bottom;
}

}  // namespace

std::unique_ptr<CGraphObject> CutPaths(CGraphObject& o, int color, bool textFrame) {
  std::unique_ptr<CGraphObject> paths = o.ConvertToPath(color);
  if (!paths) return nullptr;
  if (textFrame && o.kind == OBJ_TEXT) {
    if (std::unique_ptr<CPathObject> frame = static_cast<CTextObject&>(o).MakeBoxOutline()) {
      auto g = std::make_unique<CGroupObject>();
      g->AddChild(std::move(frame));
      g->AddChild(std::move(paths));
      paths = std::move(g);
    }
  }
  if (paths->kind == OBJ_GROUP) {
    auto* g = static_cast<CGroupObject*>(paths.get());
    g->FlattenSubgroups();
    g->RecalcChildBounds();
  }
  return paths;
}

namespace {

// The closed part of a path inside the rectangle, through the shape library.
std::unique_ptr<CGraphObject> IntersectPath(CGraphObject& path, const CFRect& r, flexoril::WeldFn fn) {
  std::unique_ptr<CPathObject> frame = MakeRectanglePathFromRect(r);
  CFlexorilBlock a, b;
  if (!frame || !a.Write(path) || !b.Write(*frame)) return nullptr;
  return TakeResultBlock(fn(a.Get(), b.Get()));
}

// One output area: what lies inside is taken, what crosses its edge is cut
// at the edge (closed pieces through the library, else clipped open).
void CutArea(CSegArray& collected, const CFRect& r, CutAreaWeld& weld, CSegArray& out) {
  CSegArray crossing;
  flexoril::WeldFn fn = nullptr;
  bool asked = false;
  auto cross = [&](CGraphObject* o) {
    if (!asked) {
      fn = weld.Intersect();
      asked = true;
    }
    if (fn) {
      if (std::unique_ptr<CGraphObject> piece = IntersectPath(*o, r, fn)) out.Add(std::move(piece));
      delete o;
    } else {
      crossing.Add(o);
    }
  };
  for (int i = 0; i < collected.GetSize(); ++i) {
    CGraphObject* o = collected.GetAt(i);
    if (Inside(o->bounds, r)) {
      out.Add(o);
      continue;
    }
    if (o->kind != OBJ_GROUP) {
      cross(o);
      continue;
    }
    auto* g = static_cast<CGroupObject*>(o);
    if (!g->matrix.IsIdentity()) g->Transform(CMatrix3());
    CSegArray children;
    children.TakeAll(g->children);
    delete g;
    for (int k = 0; k < children.GetSize(); ++k) {
      CGraphObject* c = children.GetAt(k);
      if (Inside(c->bounds, r))
        out.Add(c);
      else if (Overlaps(c->bounds, r))
        cross(c);
      else
        delete c;
    }
    children.RemoveAll();
  }
  collected.RemoveAll();
  if (!crossing.IsEmpty()) {
    if (std::unique_ptr<CGroupObject> g = CSegArray::ClipObjectsToRect(crossing, r.left, r.top, r.right, r.bottom))
      out.Add(std::move(g));
    crossing.DeleteAll();
  }
}

}  // namespace

void BuildCutArrangement(CSegArray& design, CGuideList& areas, float pageWidth, float pageHeight,
                         const CCutInfo& info, CSegArray& out, CFRect& arrangement, CutAreaWeld& weld) {
  out.DeleteAll();
  const int color = info.colorFilter ? info.colorIndex : -1;
  const bool withAreas = !areas.IsEmpty();

  std::vector<CFRect> sources;
  if (!withAreas) {
    sources.push_back(CFRect(0.0f, 0.0f, pageWidth, pageHeight));
  } else {
    bool anySelected = false;
    for (CGuideItem* item : areas.Items()) anySelected = anySelected || (item && item->selection != 0);
    for (CGuideItem* item : areas.Items()) {
      CFRect r;
      if (!item || (anySelected && item->selection == 0) || !item->GetRect(&r)) continue;
      r.Normalize();
      sources.push_back(r);
    }
  }

  for (const CFRect& r : sources) {
    CSegArray collected;
    for (CGraphObject* o : design.Objects()) {
      if (!o || o->kind == OBJ_IMAGE || !Overlaps(o->bounds, r)) continue;
      if (std::unique_ptr<CGraphObject> paths = CutPaths(*o, color, info.textLine != 0)) collected.Add(std::move(paths));
    }
    if (collected.IsEmpty()) continue;
    CSegArray cut;
    if (!withAreas) {
      if (std::unique_ptr<CGroupObject> g = CSegArray::ClipObjectsToRect(collected, r.left, r.top, r.right, r.bottom))
        cut.Add(std::move(g));
      collected.DeleteAll();
    } else {
      CutArea(collected, r, weld, cut);
      // An area at the origin puts its objects just off the edge.
      const float dx = r.left < 1.0f ? 0.1f - r.left : 0.0f;
      const float dy = r.top < 1.0f ? 0.1f - r.top : 0.0f;
      if (dx != 0.0f || dy != 0.0f) cut.Transform(CMatrix3(1, 0, 0, 1, dx, dy), 0);
    }
    out.TakeAll(cut);
  }

  arrangement = CFRect(0.0f, 0.0f, pageWidth, pageHeight);
  CFRect b;
  if (!out.GetBoundRect(&b, 0)) return;
  const CMatrix3 m = ArrangementMatrix(b, pageWidth, info);
  if (m.IsIdentity()) return;
  out.Transform(m, 0);
  m.TransformRectBounds(arrangement);
}

CMatrix3 RearrangeMatrix(CutRearrange op, const CFRect& listBounds, const CFRect& arrangement, bool savePaper,
                         float zoomRatio) {
  CFRect lb = listBounds;
  lb.Normalize();
  CFRect ref = arrangement;
  if (savePaper) {
    ref = lb;
    ref.left = std::max(ref.left, 0.0f);
    ref.top = std::max(ref.top, 0.0f);
  }
  ref.Normalize();
  CMatrix3 m;
  switch (op) {
    case CutRearrange::SavePaper:
      return CMatrix3(1, 0, 0, 1, -ref.left, -ref.top);
    case CutRearrange::Mirror:
      m = *MakeMirrorMatrix(lb.left, lb.top, lb.right, lb.bottom, 1, 0);
      break;
    case CutRearrange::Rotate:
      m = *MakeRotateMatrixAt(lb.left, lb.bottom, 90.0f);
      break;
    case CutRearrange::Zoom:
      if (!std::isfinite(zoomRatio) || !(zoomRatio > 0.0f)) zoomRatio = 1.0f;
      m = CMatrix3(zoomRatio, 0, 0, zoomRatio, 0, 0);
      break;
  }
  CFRect moved = ref;
  m.TransformRectBounds(moved);
  const float to = op == CutRearrange::Zoom ? 1.0f : 0.0f;
  m.Multiply(CMatrix3(1, 0, 0, 1, to - moved.left, to - moved.top));
  return m;
}

bool Rearrange(CutRearrange op, CSegArray& list, CFRect& arrangement, bool savePaper, float zoomRatio) {
  CFRect b;
  if (!list.GetBoundRect(&b, 0)) return false;
  const CMatrix3 m = RearrangeMatrix(op, b, arrangement, savePaper, zoomRatio);
  list.Transform(m, 0);
  m.TransformRectBounds(arrangement);
  return true;
}
