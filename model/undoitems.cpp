#include "model/undoitems.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"

namespace {

CDocumentServices* DocumentOf(CViewServices& view) { return view.GetDocument(); }

}  // namespace

// The list being undone holds nothing newer (its later steps are already undone).
void ForgetInOtherViews(CViewServices& view, CDocumentServices* doc, const CGraphObject* object) {
  if (view.GetEditObject() == object) view.SetEditObject(nullptr);
  for (int i = 0; i < doc->GetViewCount(); ++i) {
    CViewServices* v = doc->GetView(i);
    if (!v || v == &view) continue;
    if (v->GetEditObject() == object) v->SetEditObject(nullptr);
    CDesignViewServices* dv = v->GetDesignView();
    CUndoList* list = dv ? dv->GetUndoList() : nullptr;
    if (list && !list->IsSuspended()) list->DeleteAll();
  }
}

int CObjectUndoItem::Undo(CUndoView& view) {
  if (auto* v = dynamic_cast<CViewServices*>(&view)) UndoIn(*v);
  return 1;
}

void CUndoSelect::UndoIn(CViewServices& view) {
  if (plat::DC* dc = view.GetDC()) {
    m_object->DrawXorOutline(dc, view.GetViewMatrix());
    view.ReleaseDC(dc);
  }
  m_object->selected = 0;
}

void CUndoDeselect::UndoIn(CViewServices&) { m_object->selected = 1; }

void CUndoMove::UndoIn(CViewServices& view) {
  m_object->Offset(-m_dx, -m_dy);
  view.RepaintView(false);
}

CUndoMatrix::CUndoMatrix(CGraphObject* object, const CMatrix3& applied)
    : m_object(object), m_bounds(object->bounds) {
  bool singular = false;
  std::unique_ptr<CMatrix3> inverse = applied.CreateInverse(&singular);
  // A flattening transform has no inverse: the undivided adjugate would
  // squash the object once more, so only the bounds come back.
  if (!singular && applied.IsInvertible()) m_inverse = std::move(inverse);
}

void CUndoMatrix::UndoIn(CViewServices& view) {
  m_object->InvalidateObjectRect(&view, true);
  if (m_inverse) m_object->Transform(*m_inverse);
  m_object->bounds = m_bounds;
  m_object->InvalidateObjectRect(&view, true);
}

void CUndoFlags::UndoIn(CViewServices& view) {
  m_object->flags = m_flags;
  m_object->InvalidateObjectRect(&view, true);
}

void CUndoAddObject::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  // Only an object that stood in the document is the document's to delete.
  if (!doc || doc->RemoveObject(m_object) < 0) return;
  m_object->InvalidateObjectRect(&view, true);
  ForgetInOtherViews(view, doc, m_object);
  delete m_object;
  m_object = nullptr;
}

void CUndoDelete::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  if (!doc || !m_object) return;
  m_object->selected = 1;
  doc->InsertObject(m_object.release(), m_index);
  view.RepaintView(false);
}

void CUndoRelink::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  if (!doc) return;
  if (m_index != -1) {
    m_object->selected = 1;
    doc->InsertObject(m_object, m_index);
  } else {
    doc->RemoveObject(m_object);
    m_object->selected = 0;
  }
}

void CUndoOrder::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  if (!doc) return;
  doc->RemoveObject(m_object);
  doc->InsertObject(m_object, m_index);
  view.RepaintView(false);
}

void CUndoEnterEdit::UndoIn(CViewServices& view) {
  m_object->EndEdit(&view);
  view.SetEditObject(nullptr);
}

void CUndoLeaveEdit::UndoIn(CViewServices& view) {
  m_object->BeginEdit(m_editMode, &view);
  view.SetEditObject(m_object);
}

void CUndoTool::UndoIn(CViewServices& view) {
  if (CDesignViewServices* dv = view.GetDesignView()) dv->SetTool(m_tool);
}

CUndoHandleDrag::CUndoHandleDrag(CGraphObject* object, std::uint32_t keyFlags)
    : m_object(object),
      m_keyFlags(keyFlags),
      m_index(object->hitIndex),
      m_start(ObjectDrag().start),
      m_end(ObjectDrag().last) {}

void CUndoHandleDrag::UndoIn(CViewServices& view) {
  // The move operation sees the drag running backwards.
  ObjectDrag().start = m_end;
  ObjectDrag().last = m_start;
  m_object->MoveHandle(&view, m_index, m_start.x, m_start.y);
  view.RepaintView(false);
}

void CUndoNodeDrag::UndoIn(CViewServices& view) {
  ObjectDrag().start = m_end;
  ObjectDrag().last = m_start;
  m_object->MoveNode(&view, m_index, m_start.x, m_start.y, m_keyFlags);
  view.RepaintView(false);
}

void CUndoTextAnchor::UndoIn(CViewServices& view) {
  // Setting the pending layout start and laying out from it is laying out
  // from the saved start, or from 0 when none was pending.
  m_text->Relayout(&view, m_start < 0 ? 0 : m_start);
  m_text->RecalcBounds();
}

// ---------------------------------------------------------------------------
// Object lists and groups.

CUndoAddObjects::~CUndoAddObjects() {
  if (!m_list) return;
  // The objects live in the document; only the list is this item's.
  m_list->RemoveAll();
  delete m_list;
}

void CUndoAddObjects::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  if (!m_list) return;
  std::vector<CGraphObject*> taken;
  if (doc) {
    for (CGraphObject* o : m_list->Objects())
      if (o && doc->RemoveObject(o) >= 0) taken.push_back(o);
  }
  view.RepaintView(true);
  m_list->RemoveAll();
  delete m_list;
  m_list = nullptr;
  // Objects no longer in the document are not the list's to delete.
  for (CGraphObject* o : taken) {
    ForgetInOtherViews(view, doc, o);
    delete o;
  }
}

void CUndoRelinkGroup::UndoIn(CViewServices& view) {
  CDocumentServices* doc = DocumentOf(view);
  if (!doc || !m_group) return;
  if (m_index != -1) {
    m_group->selected = 1;
    doc->InsertObject(m_group, m_index);
    return;
  }
  // Only a group the document held is deleted; its children live on.
  if (doc->RemoveObject(m_group) < 0) return;
  ForgetInOtherViews(view, doc, m_group);
  m_group->children.RemoveAll();
  delete m_group;
  m_group = nullptr;
}

// ---------------------------------------------------------------------------
// Path nodes.

CUndoPathPoint::CUndoPathPoint(CPathObject* path, int index) : m_path(path), m_index(index) {
  if (!path->points || index < 0 || std::size_t(index) >= path->BlockRecords()) return;
  plat::GlobalLockGuard g(path->points);
  std::memcpy(m_record, g.bytes() + std::size_t(index) * sizeof(PathPoint), sizeof m_record);
  m_valid = true;
}

void CUndoPathPoint::UndoIn(CViewServices&) {
  // The block may have changed since: write only where it still holds the index.
  if (!m_valid || !m_path->points || std::size_t(m_index) >= m_path->BlockRecords()) return;
  plat::GlobalLockGuard g(m_path->points);
  std::memcpy(g.bytes() + std::size_t(m_index) * sizeof(PathPoint), m_record, sizeof m_record);
}

CUndoPathState::CUndoPathState(CPathObject* path)
    : m_path(path), m_state(std::make_unique<PathEditState>(path->SaveEditState())) {}

CUndoPathState::~CUndoPathState() = default;

void CUndoPathState::UndoIn(CViewServices&) { m_path->RestoreEditState(*m_state); }

CUndoPathSnapshot::CUndoPathSnapshot(CPathObject* path)
    : m_path(path),
      m_block(path->points ? plat::GlobalDuplicate(path->points) : 0),
      m_state(std::make_unique<PathEditState>(path->SaveEditState())),
      m_bounds(path->bounds) {}

CUndoPathSnapshot::~CUndoPathSnapshot() {
  if (m_block) plat::GlobalFree(m_block);
}

void CUndoPathSnapshot::UndoIn(CViewServices&) {
  if (m_path->points) plat::GlobalFree(m_path->points);
  m_path->points = m_block;
  m_block = 0;
  m_path->RestoreEditState(*m_state);
  m_path->bounds = m_bounds;
}

void CUndoNodeSelect::UndoIn(CViewServices& view) { m_path->DeselectNode(m_index, &view); }

void CUndoNodeDeselect::UndoIn(CViewServices& view) { m_path->SelectNode(m_index, &view); }

CUndoNodesMove::CUndoNodesMove(CPathObject* path, std::uint32_t mode)
    : m_path(path),
      m_mode(mode),
      m_index(path->currentNode),
      m_start(ObjectDrag().start),
      m_end(ObjectDrag().last) {}

CFPoint CUndoNodesMove::Reverse() {
  ObjectDrag().start = m_end;
  ObjectDrag().last = m_start;
  return CFPoint{m_start.x - m_end.x, m_start.y - m_end.y};
}

void CUndoNodesMove::UndoIn(CViewServices& view) {
  const CFPoint d = Reverse();
  m_path->MoveSelectedNodes(d.x, d.y, m_mode);
  m_path->RecomputeBounds();
  view.RepaintView(false);
}

void CUndoContoursMove::UndoIn(CViewServices& view) {
  const CFPoint d = Reverse();
  m_path->MoveSelectedContours(d.x, d.y, m_mode);
  m_path->RecomputeBounds();
  view.RepaintView(false);
}

CUndoSegmentDrag::CUndoSegmentDrag(CPathObject* path, std::uint32_t mode)
    : CUndoNodesMove(path, mode), m_param(path->hitParam), m_hitKind(path->hitKind) {}

void CUndoSegmentDrag::UndoIn(CViewServices& view) {
  const CFPoint d = Reverse();
  // The segment the drag reshaped, whatever was hit since.
  const int node = m_path->currentNode;
  const float param = m_path->hitParam;
  const std::uint16_t hit = m_path->hitKind;
  m_path->currentNode = m_index;
  m_path->hitParam = m_param;
  m_path->hitKind = m_hitKind;
  m_path->DragSegment(d.x, d.y, m_mode);
  m_path->currentNode = node;
  m_path->hitParam = param;
  m_path->hitKind = hit;
  m_path->RecomputeBounds();
  view.RepaintView(false);
}

// ---------------------------------------------------------------------------

int AppendUndo(CViewServices* view, std::unique_ptr<CUndoItem> item) {
  CUndoList* list = RecordingUndoList(view);
  if (!list) return -1;
  return list->AppendUndoItem(std::move(item));
}

namespace {

struct Detached {
  CDocumentServices* doc;
  std::unique_ptr<CGraphObject> object;
};

std::vector<Detached>& Pending() {
  static std::vector<Detached> pending;
  return pending;
}

bool AnyListUndoing(CDocumentServices* doc) {
  for (int i = 0; i < doc->GetViewCount(); ++i) {
    CViewServices* v = doc->GetView(i);
    CDesignViewServices* dv = v ? v->GetDesignView() : nullptr;
    CUndoList* list = dv ? dv->GetUndoList() : nullptr;
    if (list && list->IsSuspended()) return true;
  }
  return false;
}

void ClearUndoLists(CDocumentServices* doc, const CGraphObject* object) {
  for (int i = 0; i < doc->GetViewCount(); ++i) {
    CViewServices* v = doc->GetView(i);
    if (!v) continue;
    if (v->GetEditObject() == object) v->SetEditObject(nullptr);
    CDesignViewServices* dv = v->GetDesignView();
    if (CUndoList* list = dv ? dv->GetUndoList() : nullptr) list->DeleteAll();
  }
}

}  // namespace

void DeleteDetachedObject(CDocumentServices* doc, CGraphObject* object) {
  if (!object) return;
  std::unique_ptr<CGraphObject> owned(object);
  if (!doc) return;
  if (AnyListUndoing(doc)) {
    Pending().push_back(Detached{doc, std::move(owned)});
    return;
  }
  ClearUndoLists(doc, object);
  FlushDetachedObjects(doc);
}

void FlushDetachedObjects(CDocumentServices* doc) {
  if (!doc || AnyListUndoing(doc)) return;
  auto& pending = Pending();
  bool any = false;
  for (const Detached& d : pending)
    if (d.doc == doc) {
      any = true;
      ClearUndoLists(doc, d.object.get());
    }
  if (!any) return;
  pending.erase(std::remove_if(pending.begin(), pending.end(),
                               [doc](const Detached& d) { return d.doc == doc; }),
                pending.end());
}

std::size_t PendingDetachedObjects() { return Pending().size(); }
