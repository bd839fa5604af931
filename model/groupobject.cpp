#include "model/groupobject.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/devices.h"
#include "model/dllholder.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"

namespace {

void Widen(CFRect& r, const CFRect& b) {
  r.left = std::min(r.left, b.left);
  r.top = std::min(r.top, b.top);
  r.right = std::max(r.right, b.right);
  r.bottom = std::max(r.bottom, b.bottom);
}

bool IsGroup(const CGraphObject* o) { return o && o->kind == OBJ_GROUP; }

}  // namespace

CGroupObject::CGroupObject() { kind = OBJ_GROUP; }

CGroupObject::~CGroupObject() { children.DeleteAll(); }

// --- Forwarding slots ----------------------------------------------------------

void CGroupObject::ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                               int newIndex) {
  children.ReplaceFont(oldSource, oldIndex, newSource, newIndex);
}

void CGroupObject::ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) {
  for (CGraphObject* c : children.Objects())
    if (c) c->ListUsedFonts(fontTable, list);
}

void CGroupObject::SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) {
  for (CGraphObject* c : children.Objects())
    if (c) c->SetFlags(view, bits, mask);
  flags = static_cast<std::uint16_t>((flags & ~mask) | bits);
}

void CGroupObject::CollectText(std::vector<std::string>& texts) { children.CollectText(texts); }

void CGroupObject::AppendPlainText(std::string& text) {
  for (CGraphObject* c : children.Objects())
    if (c) c->AppendPlainText(text);
}

void CGroupObject::SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) {
  for (CGraphObject* c : children.Objects())
    if (c) c->SetColorIndex(view, color, redraw);
}

void CGroupObject::AddColorToList(CListBoxServices* list) { children.FillColorList(list); }

std::unique_ptr<CGraphObject> CGroupObject::MakeTransformedCopy(std::uint32_t transform, const CFRect& target) {
  CFlexorilBlock block;
  if (!block.Write(*this, &target)) return nullptr;
  return TakeResultBlock(TransformDll().DoTransform(transform, block.Get()));
}

// --- Drawing -------------------------------------------------------------------

void CGroupObject::Draw(plat::DC* dc, const CMatrix3* m, const CFRect* visible) {
  CFRect local;
  const CFRect* r = nullptr;
  if (visible) {
    bool singular = false;
    std::unique_ptr<CMatrix3> inverse = matrix.CreateInverse(&singular);
    // A flat group cannot map the rectangle back: its children are not culled.
    if (inverse && !singular && matrix.IsInvertible()) {
      local = *visible;
      inverse->TransformRectBounds(local);
      r = &local;
    }
  }
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  const auto& objs = children.Objects();
  for (auto it = objs.rbegin(); it != objs.rend(); ++it)
    if (*it) (*it)->Draw(dc, &mm, r);
}

void CGroupObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings* settings) {
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  const auto& objs = children.Objects();
  for (auto it = objs.rbegin(); it != objs.rend(); ++it)
    if (*it) (*it)->Print(dc, &mm, settings);
}

int CGroupObject::HitTest(CViewServices* view, float x, float y) {
  if (!CGraphObject::HitTest(view, x, y)) return 0;
  CFPoint p{x, y};
  if (!matrix.IsIdentity()) {
    if (!matrix.IsInvertible()) return 0;
    std::unique_ptr<CMatrix3> inverse = matrix.CreateInverse();
    if (!inverse) return 0;
    inverse->TransformPoint(p);
  }
  for (CGraphObject* c : children.Objects())
    if (c && c->HitTest(view, p.x, p.y)) return 1;
  return 0;
}

CPathPointList* CGroupObject::MakeOutline(const CMatrix3* m, int option) {
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  CPathPointList* result = nullptr;
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    CPathPointList* list = c->MakeOutline(&mm, option);
    if (!list) continue;
    if (!result) {
      result = list;
    } else {
      result->AppendList(list);
      delete list;
    }
  }
  return result;
}

// --- Geometry ------------------------------------------------------------------

void CGroupObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  if (matrix.IsIdentity()) {
    for (CGraphObject* c : children.Objects())
      if (c) c->Offset(dx, dy);
  } else {
    matrix.m20 += dx;
    matrix.m21 += dy;
  }
}

void CGroupObject::SetRect(float l, float t, float r, float b) {
  if (!matrix.IsIdentity()) {
    ScaleToRect(l, t, r, b);
    return;
  }
  const float sx = bounds.right != bounds.left ? (r - l) / (bounds.right - bounds.left) : 1.0f;
  const float sy = bounds.bottom != bounds.top ? (b - t) / (bounds.bottom - bounds.top) : 1.0f;
  CMatrix3 m;
  m.m00 = sx;
  m.m11 = sy;
  m.m20 = l - sx * bounds.left;
  m.m21 = t - sy * bounds.top;
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    CFRect cb = c->bounds;
    m.TransformRect(cb);
    c->SetRect(cb.left, cb.top, cb.right, cb.bottom);
  }
  bounds = CFRect(l, t, r, b);
}

void CGroupObject::Transform(const CMatrix3& m) {
  matrix.Multiply(m);
  CFRect u;
  bool first = true;
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    c->Transform(matrix);
    if (first) {
      u = c->bounds;
      first = false;
    } else {
      Widen(u, c->bounds);
    }
  }
  matrix.SetIdentity();
  bounds = u;
}

// --- Records -------------------------------------------------------------------

std::uint32_t CGroupObject::WriteRecord(plat::HGLOBAL* out) {
  if (!out) return 0;
  *out = 0;
  plat::HGLOBAL block = 0;
  const std::uint32_t n = children.PackToGlobal(&block);
  if (!block) return 0;
  std::uint32_t length = 0;
  if (n > SEG_BLOCK_EMPTY &&
      n <= std::numeric_limits<std::uint32_t>::max() - kRecordOverhead - SEG_BLOCK_EXTRA) {
    plat::GlobalLockGuard src(block);
    if (src && n <= src.size()) {
      CRecordWriter w(REC_GROUP, *this);
      w.PutMatrix(matrix);
      w.PutBytes(src.bytes(), n);
      // One byte more than a record block: the group's blocks are L + 10 long.
      plat::HGLOBAL h = 0;
      length = w.Finish(&h);
      // A failed resize leaves the L + 9 block, which is still a whole record.
      if (h) plat::GlobalReAlloc(h, std::size_t(length) + SEG_BLOCK_EXTRA, plat::GHND);
      *out = h;
      if (!h) length = 0;
    }
  }
  plat::GlobalFree(block);
  return length;
}

std::unique_ptr<CGraphObject> CGroupObject::LoadFromRecord(const std::uint8_t* record,
                                                           std::uint32_t length) {
  if (!record || length < kRecordOverhead + SEG_BLOCK_EMPTY) return nullptr;
  CRecordReader r(record, length);
  auto group = std::make_unique<CGroupObject>();
  if (!ReadRecordHead(r, REC_GROUP, *group)) return nullptr;
  if (!r.ReadMatrix(group->matrix)) return nullptr;
  const std::size_t budget = r.Remaining();
  const std::uint8_t* nested = r.Take(budget);
  if (!nested) return nullptr;
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(nested, budget);
  if (!list) return nullptr;
  group->children.TakeAll(*list);
  group->RecalcChildBounds();
  switch (group->GetChildCount()) {
    case 0:
      return nullptr;
    case 1: {
      // A group of one dissolves; its child keeps the place the group gave it.
      std::unique_ptr<CGraphObject> child = group->children.Detach(0);
      if (child) group->ApplyMatrixTo(*child);
      return child;
    }
    default:
      return group;
  }
}

// --- Conversion ----------------------------------------------------------------

std::unique_ptr<CGraphObject> CGroupObject::ConvertToPath(int colorFilter) {
  auto g = std::make_unique<CGroupObject>();
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    std::unique_ptr<CGraphObject> r = c->ConvertToPath(colorFilter);
    if (!r) continue;
    if (!matrix.IsIdentity()) r->Transform(matrix);
    g->AddChild(std::move(r));
  }
  if (g->GetChildCount() == 0) return nullptr;
  if (g->GetChildCount() == 1) return g->children.Detach(0);
  return g;
}

std::unique_ptr<CGraphObject> CGroupObject::CombineToPath(int colorFilter) {
  auto path = std::make_unique<CPathObject>();
  auto take = [&](CGraphObject& o) {
    if (o.kind == OBJ_PATH) {
      path->AppendPath(static_cast<CPathObject&>(o));
    } else if (IsGroup(&o)) {
      std::unique_ptr<CGraphObject> sub = static_cast<CGroupObject&>(o).CombineToPath(-1);
      if (sub && sub->kind == OBJ_PATH) path->AppendPath(static_cast<CPathObject&>(*sub));
    }
  };
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    if (c->kind == OBJ_PATH || IsGroup(c)) {
      take(*c);
    } else if (std::unique_ptr<CGraphObject> r = c->ConvertToPath(colorFilter)) {
      take(*r);
    }
  }
  // The children are local to the group: the path goes where they are drawn.
  if (!matrix.IsIdentity()) path->Transform(matrix);
  return path;
}

// --- Children ------------------------------------------------------------------

void CGroupObject::AddChild(CGraphObject* child) {
  if (!child) return;
  const bool first = children.IsEmpty();
  children.Add(child);
  CFRect b = child->bounds;
  matrix.TransformRectBounds(b);
  if (first)
    bounds = b;
  else
    Widen(bounds, b);
}

void CGroupObject::AddChildren(const CSegArray& list) {
  for (CGraphObject* o : list.Objects()) AddChild(o);
}

CGraphObject* CGroupObject::GetChild(int index) const { return children.GetAt(index); }

void CGroupObject::RemoveChild(CGraphObject* child) {
  const int i = children.Find(child);
  if (i < 0) return;
  children.RemoveAt(i);
  delete child;
}

void CGroupObject::RecalcChildBounds() {
  CFRect u;
  bool first = true;
  for (CGraphObject* c : children.Objects()) {
    if (!c) continue;
    CFRect b = c->bounds;
    matrix.TransformRectBounds(b);
    if (first) {
      u = b;
      first = false;
    } else {
      Widen(u, b);
    }
  }
  bounds = u;
}

void CGroupObject::ApplyMatrixTo(CGraphObject& child) const {
  if (!matrix.IsIdentity()) child.Transform(matrix);
}

void CGroupObject::DetachChild(CGraphObject* child) {
  const int i = children.Find(child);
  if (i < 0) return;
  children.RemoveAt(i);
  ApplyMatrixTo(*child);
  RecalcChildBounds();
}

namespace {

// Takes the children of the kind out of the group (subgroups searched
// first-to-last, emptied subgroups deleted), each placed in the group's
// parent coordinates.
void CollectKind(CGroupObject& group, std::uint8_t kind, std::vector<CGraphObject*>& out) {
  CSegArray& list = group.children;
  int i = 0;
  bool changed = false;
  while (i < list.GetSize()) {
    CGraphObject* c = list.GetAt(i);
    if (c && c->kind == kind) {
      list.RemoveAt(i);
      if (!group.matrix.IsIdentity()) c->Transform(group.matrix);
      out.push_back(c);
      changed = true;
      continue;
    }
    if (IsGroup(c)) {
      auto* sub = static_cast<CGroupObject*>(c);
      std::vector<CGraphObject*> moved;
      CollectKind(*sub, kind, moved);
      for (CGraphObject* m : moved) {
        if (!group.matrix.IsIdentity()) m->Transform(group.matrix);
        out.push_back(m);
      }
      if (sub->GetChildCount() == 0) {
        list.RemoveAt(i);
        delete sub;
        changed = true;
        continue;
      }
      if (!moved.empty()) changed = true;
    }
    ++i;
  }
  if (changed) group.RecalcChildBounds();
}

}  // namespace

void CGroupObject::MoveChildrenOfKind(CGroupObject& target, std::uint8_t k) {
  if (&target == this) return;
  std::vector<CGraphObject*> moved;
  CollectKind(*this, k, moved);
  for (CGraphObject* m : moved) target.AddChild(m);
}

void CGroupObject::FlattenSubgroups() {
  int i = 0;
  while (i < children.GetSize()) {
    CGraphObject* c = children.GetAt(i);
    if (!IsGroup(c)) {
      ++i;
      continue;
    }
    auto* sub = static_cast<CGroupObject*>(c);
    children.RemoveAt(i);
    for (CGraphObject* g : sub->children.Objects()) {
      if (!g) continue;
      if (!sub->matrix.IsIdentity()) g->Transform(sub->matrix);
      children.Add(g);
    }
    sub->children.RemoveAll();
    delete sub;
  }
}

int CGroupObject::CountPathPoints() const {
  int n = 0;
  for (CGraphObject* c : children.Objects())
    if (c && c->kind == OBJ_PATH) n += static_cast<const CPathObject*>(c)->count;
  return n;
}

void CGroupObject::SortChildrenBy(float CFRect::*edge) {
  for (int k = children.GetSize() - 1; k >= 1; --k) {
    int best = 0;
    for (int j = 1; j <= k; ++j)
      if (children.GetAt(j)->bounds.*edge > children.GetAt(best)->bounds.*edge) best = j;
    if (best != k) {
      CGraphObject* a = children.GetAt(best);
      children.SetAt(best, children.GetAt(k));
      children.SetAt(k, a);
    }
  }
}

void CGroupObject::SortChildrenByLeft() { SortChildrenBy(&CFRect::left); }

void CGroupObject::SortChildrenByTop() { SortChildrenBy(&CFRect::top); }
