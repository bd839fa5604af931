#include "model/undoitems.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

CDocumentServices* DocumentOf(CViewServices& view) { return view.GetDocument(); }

}  // namespace

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
  if (view.GetEditObject() == m_object) view.SetEditObject(nullptr);
  // Other views of the document may have recorded steps on the object since
  // it was added: their lists go before it does. The list being undone holds
  // nothing newer (its later steps are already undone).
  for (int i = 0; i < doc->GetViewCount(); ++i) {
    CViewServices* v = doc->GetView(i);
    if (!v || v == &view) continue;
    if (v->GetEditObject() == m_object) v->SetEditObject(nullptr);
    CDesignViewServices* dv = v->GetDesignView();
    CUndoList* list = dv ? dv->GetUndoList() : nullptr;
    if (list && !list->IsSuspended()) list->DeleteAll();
  }
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
