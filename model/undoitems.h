// Undo item kinds of the drawing objects, the selection and the tools. Each
// saves what its change needs when it is made and restores it in Undo with
// the design view. Kinds tied to one object class (text items, path nodes,
// groups, transformed objects, object lists) live with their classes.
//
// Ownership: an item owns only what its comment says. An object that leaves
// the document while nothing records is deleted at once through
// DeleteDetachedObject, which first clears the undo lists that may still
// point at it.
#pragma once
#include <cstdint>
#include <memory>

#include "model/geometry.h"
#include "model/graphobject.h"
#include "model/services.h"
#include "model/undo.h"

class CPathObject;
class CSegArray;
class CGroupObject;
struct PathEditState;

// Base of the kinds below: reaches the view's own services from the undo
// manager's view. Undo returns 1, also when the view offers nothing to act on.
class CObjectUndoItem : public CUndoItem {
 public:
  int Undo(CUndoView& view) final;

 protected:
  virtual void UndoIn(CViewServices& view) = 0;
};

// The selection tracker selected the object: erases its outline, unselects it.
class CUndoSelect : public CObjectUndoItem {
 public:
  explicit CUndoSelect(CGraphObject* object) : m_object(object) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
};

// The object was unselected: selects it again.
class CUndoDeselect : public CObjectUndoItem {
 public:
  explicit CUndoDeselect(CGraphObject* object) : m_object(object) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
};

// The object was moved by (dx, dy).
class CUndoMove : public CObjectUndoItem {
 public:
  CUndoMove(CGraphObject* object, float dx, float dy) : m_object(object), m_dx(dx), m_dy(dy) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  float m_dx, m_dy;
};

// The object was transformed by a matrix: keeps its bounds and the inverse.
class CUndoMatrix : public CObjectUndoItem {
 public:
  CUndoMatrix(CGraphObject* object, const CMatrix3& applied);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  CFRect m_bounds;
  std::unique_ptr<CMatrix3> m_inverse;  // owned
};

// Keeps the object's flag word.
class CUndoFlags : public CObjectUndoItem {
 public:
  explicit CUndoFlags(CGraphObject* object) : m_object(object), m_flags(object->flags) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  std::uint16_t m_flags;
};

// A new object was added to the document: undo takes it out and deletes it.
// Owns nothing: the object belongs to the document until then.
class CUndoAddObject : public CObjectUndoItem {
 public:
  explicit CUndoAddObject(CGraphObject* object) : m_object(object) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
};

// The object was taken out of the document at an index. Owns it until it is
// undone; deleting the item without undoing deletes the object.
class CUndoDelete : public CObjectUndoItem {
 public:
  CUndoDelete(CGraphObject* object, int index) : m_object(object), m_index(index) {}
  const CGraphObject* Held() const { return m_object.get(); }

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  std::unique_ptr<CGraphObject> m_object;
  int m_index;
};

// The object was moved between a group and the document (Ungroup): index -1
// means it was put into the document and undo takes it out again.
class CUndoRelink : public CObjectUndoItem {
 public:
  CUndoRelink(CGraphObject* object, int index) : m_object(object), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  int m_index;
};

// The object's place in the drawing order changed.
class CUndoOrder : public CObjectUndoItem {
 public:
  CUndoOrder(CGraphObject* object, int index) : m_object(object), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  int m_index;
};

// The object entered text or node editing: undo ends it.
class CUndoEnterEdit : public CObjectUndoItem {
 public:
  explicit CUndoEnterEdit(CGraphObject* object) : m_object(object) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
};

// The view left a tool while the object was edited: undo enters the edit
// mode again and makes it the edit object.
class CUndoLeaveEdit : public CObjectUndoItem {
 public:
  explicit CUndoLeaveEdit(CGraphObject* object)
      : m_object(object), m_editMode(object->editMode) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_object;
  std::uint32_t m_editMode;
};

// The view switched tools: undo switches back to the previous one.
class CUndoTool : public CObjectUndoItem {
 public:
  explicit CUndoTool(std::uint32_t previousTool) : m_tool(previousTool) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  std::uint32_t m_tool;
};

// A handle drag of the Select tool: keeps the handle index and the drag's
// start and end from the object and the shared drag state.
class CUndoHandleDrag : public CObjectUndoItem {
 public:
  CUndoHandleDrag(CGraphObject* object, std::uint32_t keyFlags);

 protected:
  void UndoIn(CViewServices& view) override;

  CGraphObject* m_object;
  std::uint32_t m_keyFlags;
  int m_index;
  CFPoint m_start;
  CFPoint m_end;
};

// A control-point drag of the node tool.
class CUndoNodeDrag : public CUndoHandleDrag {
 public:
  CUndoNodeDrag(CGraphObject* object, std::uint32_t keyFlags)
      : CUndoHandleDrag(object, keyFlags) {}

 protected:
  void UndoIn(CViewServices& view) override;
};

// A text change that needs a new layout: keeps the pending layout start
// (-1 none, which lays the whole text out again).
class CUndoTextAnchor : public CObjectUndoItem {
 public:
  CUndoTextAnchor(CGraphObject* text, int layoutStart) : m_text(text), m_start(layoutStart) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGraphObject* m_text;
  int m_start;
};

// Objects read from one file were added to the document (Import). Owns the
// list, not its objects: undo takes the objects out of the document and
// deletes those it took out; dropping the step leaves them in the document.
class CUndoAddObjects : public CObjectUndoItem {
 public:
  explicit CUndoAddObjects(CSegArray* list) : m_list(list) {}
  ~CUndoAddObjects() override;
  const CSegArray* Held() const { return m_list; }

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CSegArray* m_list;
};

// A group was made (index -1: undo takes it out of the document, frees its
// child array without deleting the children and deletes the group) or one
// was taken apart (undo puts it back at the index, selected).
class CUndoRelinkGroup : public CObjectUndoItem {
 public:
  CUndoRelinkGroup(CGroupObject* group, int index) : m_group(group), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CGroupObject* m_group;
  int m_index;
};

// One point record of a path before a node change.
class CUndoPathPoint : public CObjectUndoItem {
 public:
  CUndoPathPoint(CPathObject* path, int index);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CPathObject* m_path;
  int m_index;
  bool m_valid = false;
  std::uint8_t m_record[9] = {};
};

// The editing fields of a path (counts, current node, segment hit).
class CUndoPathState : public CObjectUndoItem {
 public:
  explicit CUndoPathState(CPathObject* path);
  ~CUndoPathState() override;

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CPathObject* m_path;
  std::unique_ptr<PathEditState> m_state;
};

// The whole point block of a path, its editing fields and bounds, before a
// structural change. Owns the copy until it is undone.
class CUndoPathSnapshot : public CObjectUndoItem {
 public:
  explicit CUndoPathSnapshot(CPathObject* path);
  ~CUndoPathSnapshot() override;
  plat::HGLOBAL Held() const { return m_block; }

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CPathObject* m_path;
  plat::HGLOBAL m_block = 0;
  std::unique_ptr<PathEditState> m_state;
  CFRect m_bounds;
};

// A node was selected: undo deselects it.
class CUndoNodeSelect : public CObjectUndoItem {
 public:
  CUndoNodeSelect(CPathObject* path, int index) : m_path(path), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CPathObject* m_path;
  int m_index;
};

// A node was deselected: undo selects it again.
class CUndoNodeDeselect : public CObjectUndoItem {
 public:
  CUndoNodeDeselect(CPathObject* path, int index) : m_path(path), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CPathObject* m_path;
  int m_index;
};

// A drag of the selected nodes: keeps the mode bits (all 32), the current
// node and the drag's start and end from the shared drag state; undo runs
// the move backwards.
class CUndoNodesMove : public CObjectUndoItem {
 public:
  CUndoNodesMove(CPathObject* path, std::uint32_t mode);

 protected:
  void UndoIn(CViewServices& view) override;
  // Reverses the drag state; returns the offset that takes the drag back.
  CFPoint Reverse();

  CPathObject* m_path;
  std::uint32_t m_mode;
  int m_index;
  CFPoint m_start;
  CFPoint m_end;
};

// A drag of whole contours.
class CUndoContoursMove : public CUndoNodesMove {
 public:
  CUndoContoursMove(CPathObject* path, std::uint32_t mode) : CUndoNodesMove(path, mode) {}

 protected:
  void UndoIn(CViewServices& view) override;
};

// A drag of a hit segment; also keeps the segment hit it reshaped.
class CUndoSegmentDrag : public CUndoNodesMove {
 public:
  CUndoSegmentDrag(CPathObject* path, std::uint32_t mode);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  float m_param;
  std::uint16_t m_hitKind;
};

// Appends an item to the view's undo list while it records; the item is
// dropped otherwise. Returns the item's index in its step, or -1.
int AppendUndo(CViewServices* view, std::unique_ptr<CUndoItem> item);

// Deletes an object that has left the document while nothing records. Undo
// steps of the document's views may still point at it, so their undo lists
// are cleared first and views editing it stop editing. While a list of the
// document is being undone the object is kept until FlushDetachedObjects
// (or the next call here) can clear the lists safely.
void DeleteDetachedObject(CDocumentServices* doc, CGraphObject* object);
// Before an object the document no longer holds is deleted: other views of
// the document may have recorded steps on it or be editing it.
void ForgetInOtherViews(CViewServices& view, CDocumentServices* doc, const CGraphObject* object);
// Deletes objects kept back by DeleteDetachedObject once no undo list of the
// document is being undone. The design view calls it after an undo.
void FlushDetachedObjects(CDocumentServices* doc);
// Number of objects waiting for FlushDetachedObjects.
std::size_t PendingDetachedObjects();
