#include "model/undoitems.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/tests/fakes.h"
#include "model/tests/testobject.h"

namespace {

class UndoItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSharedDrawingTools();
    ObjectDrag() = ObjectDragState{};
    doc.views.push_back(&view);
  }

  // A new object in the document; the document owns it.
  TestObject* Add(float l = 0, float t = 0, float r = 10, float b = 10) {
    auto* o = new TestObject(l, t, r, b);
    doc.AddObject(o, false);
    return o;
  }

  // One recorded step holding the item.
  void Record(std::unique_ptr<CUndoItem> item) {
    view.undo.StartRecord(0);
    ASSERT_GE(AppendUndo(&view, std::move(item)), 0);
    view.undo.EndRecord();
  }

  FakeDocument doc;
  FakeView view{&doc};
};

}  // namespace

TEST_F(UndoItemsTest, AppendOnlyWhileRecording) {
  TestObject* o = Add();
  EXPECT_EQ(AppendUndo(&view, std::make_unique<CUndoFlags>(o)), -1);
  EXPECT_EQ(AppendUndo(nullptr, std::make_unique<CUndoFlags>(o)), -1);
  view.undo.StartRecord(0);
  EXPECT_EQ(AppendUndo(&view, std::make_unique<CUndoFlags>(o)), 0);
  view.undo.Suspend();
  EXPECT_EQ(AppendUndo(&view, std::make_unique<CUndoFlags>(o)), -1);
  view.undo.Resume();
  view.undo.EndRecord();
  EXPECT_EQ(view.undo.GetSize(), 1);
  EXPECT_EQ(view.undo.GetStep(-1)->GetSize(), 1);
}

TEST_F(UndoItemsTest, SelectionMoveAndMatrix) {
  TestObject* o = Add(0, 0, 10, 10);
  o->selected = 1;
  view.undo.StartRecord(0);
  AppendUndo(&view, std::make_unique<CUndoSelect>(o));
  AppendUndo(&view, std::make_unique<CUndoMove>(o, 5, -2));
  o->Offset(5, -2);
  CMatrix3 scale(2, 0, 0, 2, 0, 0);
  AppendUndo(&view, std::make_unique<CUndoMatrix>(o, scale));
  o->Transform(scale);
  view.undo.EndRecord();
  EXPECT_EQ(o->bounds, CFRect(10, -4, 30, 16));
  const auto before = view.Pixels();
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o->bounds, CFRect(0, 0, 10, 10));
  EXPECT_EQ(o->selected, 0u);
  EXPECT_EQ(o->calls.back(), "Transform");  // the inverse was applied
  // The select undo erased an outline it had not drawn: drawn once.
  EXPECT_NE(view.Pixels(), before);

  Record(std::make_unique<CUndoDeselect>(o));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o->selected, 1u);
}

TEST_F(UndoItemsTest, UndoOfAFlatteningMatrixAppliesNoAdjugate) {
  TestObject* o = Add(0, 0, 10, 10);
  CMatrix3 flat(0, 0, 0, 1, 0, 0);  // zero width
  Record(std::make_unique<CUndoMatrix>(o, flat));
  o->Transform(flat);
  o->calls.clear();
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o->bounds, CFRect(0, 0, 10, 10));
  for (const auto& c : o->calls) EXPECT_NE(c, "Transform");
}

TEST_F(UndoItemsTest, DeleteOwnsTheObjectUntilUndone) {
  TestObject* a = Add();
  TestObject* b = Add();
  TestObject* c = Add();
  // Take b out while recording: the item owns it.
  view.undo.StartRecord(0);
  const int index = doc.RemoveObject(b);
  AppendUndo(&view, std::make_unique<CUndoDelete>(b, index));
  view.undo.EndRecord();
  ASSERT_EQ(doc.GetObjectCount(), 2);
  b->selected = 0;
  view.undo.UndoLastStep(view);
  ASSERT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.GetObjectAt(1), b);
  EXPECT_EQ(b->selected, 1u);
  EXPECT_EQ(view.log.back(), "RepaintView");

  // Dropped without undoing: the object is deleted with the step (the
  // sanitizer reports a leak or a double free otherwise).
  view.undo.StartRecord(0);
  doc.RemoveObject(c);
  AppendUndo(&view, std::make_unique<CUndoDelete>(c, 2));
  view.undo.EndRecord();
  view.undo.DeleteAll();
  EXPECT_EQ(doc.GetObjectCount(), 2);
  EXPECT_EQ(doc.GetObjectAt(0), a);
}

TEST_F(UndoItemsTest, AddObjectUndoRemovesAndDeletes) {
  view.undo.StartRecord(0);
  auto* o = new TestObject(0, 0, 4, 4);
  AppendUndo(&view, std::make_unique<CUndoAddObject>(o));
  doc.AddObject(o, true);
  view.editObject = o;
  view.undo.EndRecord();
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(view.editObject, nullptr);
  ASSERT_FALSE(view.invalidated.empty());
  EXPECT_TRUE(view.invalidatedErase.back());

  // An object that is not in the document is not the undo's to delete.
  TestObject outside;
  Record(std::make_unique<CUndoAddObject>(&outside));
  view.undo.UndoLastStep(view);
}

TEST_F(UndoItemsTest, UndoingAnAddInOneViewLeavesNoStepOfAnotherViewOnTheObject) {
  FakeView other{&doc};
  doc.views.push_back(&other);
  view.undo.StartRecord(0);
  auto* o = new TestObject(0, 0, 4, 4);
  AppendUndo(&view, std::make_unique<CUndoAddObject>(o));
  doc.AddObject(o, true);
  view.undo.EndRecord();
  // The second view moves the new object and edits it.
  other.undo.StartRecord(0);
  AppendUndo(&other, std::make_unique<CUndoMove>(o, 1.0f, 1.0f));
  other.undo.EndRecord();
  other.editObject = o;

  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(other.editObject, nullptr);
  EXPECT_EQ(other.undo.GetSize(), 0);
  EXPECT_FALSE(other.undo.UndoLastStep(other));  // no step left on the deleted object
  doc.views.pop_back();
}

TEST_F(UndoItemsTest, RelinkAndOrder) {
  TestObject* a = Add();
  TestObject* b = Add();
  // Order: b moved to the front; undo puts it back at 1.
  Record(std::make_unique<CUndoOrder>(b, 1));
  doc.RemoveObject(b);
  doc.InsertObject(b, 0);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectAt(1), b);

  // Relink with -1: the object was put into the document; undo takes it out
  // and keeps it (its group owns it).
  TestObject child;
  doc.AddObject(&child, false);
  child.selected = 1;
  Record(std::make_unique<CUndoRelink>(&child, -1));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.IndexOfObject(&child), -1);
  EXPECT_EQ(child.selected, 0u);
  // Relink with an index: undo puts it back there, selected.
  doc.RemoveObject(a);
  Record(std::make_unique<CUndoRelink>(a, 0));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectAt(0), a);
  EXPECT_EQ(a->selected, 1u);
}

TEST_F(UndoItemsTest, EditAndToolItems) {
  TestObject* o = Add();
  o->canNodeEdit = 1;
  // Leaving an edit: undo enters the saved mode again.
  o->editMode = ID_TOOL_NODE;
  Record(std::make_unique<CUndoLeaveEdit>(o));
  o->editMode = 0;
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o->editMode, ID_TOOL_NODE);
  EXPECT_EQ(view.editObject, o);
  // Entering an edit: undo ends it.
  Record(std::make_unique<CUndoEnterEdit>(o));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(o->editMode, 0u);
  EXPECT_EQ(view.editObject, nullptr);

  // A tool switch: undo switches back; recording is off meanwhile, so the
  // switch made by the undo records nothing.
  view.tool = ID_TOOL_SELECT;
  view.undo.StartRecord(0);
  view.SetTool(ID_TOOL_NODE);
  view.undo.EndRecord();
  ASSERT_EQ(view.undo.GetSize(), 1);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(view.tool, ID_TOOL_SELECT);
  EXPECT_EQ(view.undo.GetSize(), 0);
}

TEST_F(UndoItemsTest, ItemsIgnoreAViewOfAnotherKind) {
  class PlainView : public CUndoView {
   public:
    void SetStatusText(const std::string&) override {}
    void RepaintView(bool) override {}
  } plain;
  TestObject* o = Add();
  CUndoFlags item(o);
  EXPECT_EQ(item.Undo(plain), 1);
}

// An object deleted while nothing records must not stay behind in an older
// undo step: its undo would then work on freed memory.
TEST_F(UndoItemsTest, DeletingAnUnrecordedObjectClearsTheUndoLists) {
  TestObject* o = Add();
  // An older step points at the object.
  view.undo.StartRecord(0);
  o->SetFlags(&view, 0x0100, 0x0100);
  view.undo.EndRecord();
  ASSERT_EQ(view.undo.GetSize(), 1);
  view.editObject = o;
  // The object leaves the document while nothing records.
  doc.RemoveObject(o);
  DeleteDetachedObject(&doc, o);
  EXPECT_EQ(view.undo.GetSize(), 0);
  EXPECT_EQ(view.editObject, nullptr);
  // Undo has nothing left that could reach the freed object.
  EXPECT_FALSE(view.undo.UndoLastStep(view));
}

TEST_F(UndoItemsTest, DeletingDuringAnUndoWaitsUntilTheUndoEnds) {
  // An undo item whose undo removes and deletes an unrecorded object, as a
  // tool switch that drops an empty text does.
  class DropObject : public CObjectUndoItem {
   public:
    explicit DropObject(CGraphObject* o) : o_(o) {}

   protected:
    void UndoIn(CViewServices& v) override {
      v.GetDocument()->RemoveObject(o_);
      DeleteDetachedObject(v.GetDocument(), o_);
    }

   private:
    CGraphObject* o_;
  };
  TestObject* o = Add();
  // An older step that points at the object.
  Record(std::make_unique<CUndoMove>(o, 1, 1));
  view.undo.StartRecord(0);
  AppendUndo(&view, std::make_unique<CUndoFlags>(o));  // undone after the drop
  AppendUndo(&view, std::make_unique<DropObject>(o));
  view.undo.EndRecord();
  ASSERT_EQ(view.undo.GetSize(), 2);
  o->flags = 0x0100;
  EXPECT_TRUE(view.undo.UndoLastStep(view));
  // The object stayed alive for the rest of the step and waits; the older
  // step is still there.
  EXPECT_EQ(PendingDetachedObjects(), 1u);
  EXPECT_EQ(view.undo.GetSize(), 1);
  // Once the undo is over the lists are cleared and the object deleted.
  FlushDetachedObjects(&doc);
  EXPECT_EQ(PendingDetachedObjects(), 0u);
  EXPECT_EQ(view.undo.GetSize(), 0);
}

TEST_F(UndoItemsTest, DetachedObjectWithoutDocumentIsDeleted) {
  DeleteDetachedObject(nullptr, new TestObject());
  DeleteDetachedObject(&doc, nullptr);
  EXPECT_EQ(PendingDetachedObjects(), 0u);
}
