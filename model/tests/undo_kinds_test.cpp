#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "model/tests/node_fixtures.h"
#include "model/tests/testobject.h"
#include "model/undoitems.h"

using namespace nodetest;

namespace {

// Counts the objects alive, to see each freed exactly once.
class Counted : public TestObject {
 public:
  Counted() : TestObject(0, 0, 4, 4) { ++live; }
  ~Counted() override { --live; }
  static int live;
};
int Counted::live = 0;

class UndoKindsTest : public NodeEditTest {
 protected:
  void SetUp() override {
    NodeEditTest::SetUp();
    Counted::live = 0;
  }
  void Record(std::unique_ptr<CUndoItem> item) {
    view.undo.StartRecord(0);
    ASSERT_GE(AppendUndo(&view, std::move(item)), 0);
    view.undo.EndRecord();
  }
};

}  // namespace

// Every kind: its code, and Undo reports done.
TEST_F(UndoKindsTest, EveryKindHasItsCodeAndUndoes) {
  auto* o = new TestObject(0, 0, 10, 10);
  doc.AddObject(o, false);
  CPathObject& p = Edit(Square());
  TestObject loose(0, 0, 1, 1);  // in no document
  CGroupObject looseGroup;
  using Make = std::function<std::unique_ptr<CUndoItem>()>;
  struct Case {
    const char* name;
    Make make;
    std::uint16_t code;
  };
  const std::vector<Case> cases = {
      {"Repaint", [] { return std::make_unique<CUndoRepaint>(); }, 0x8000},
      {"Select", [&] { return std::make_unique<CUndoSelect>(o); }, 0},
      {"Deselect", [&] { return std::make_unique<CUndoDeselect>(o); }, 0},
      {"Move", [&] { return std::make_unique<CUndoMove>(o, 1.0f, 2.0f); }, 0},
      {"Matrix", [&] { return std::make_unique<CUndoMatrix>(o, CMatrix3()); }, 0},
      {"Flags", [&] { return std::make_unique<CUndoFlags>(o); }, 0},
      {"Relink", [&] { return std::make_unique<CUndoRelink>(&loose, -1); }, 0},
      {"Order", [&] { return std::make_unique<CUndoOrder>(o, 0); }, 0},
      {"EnterEdit", [&] { return std::make_unique<CUndoEnterEdit>(o); }, 0},
      {"LeaveEdit", [&] { return std::make_unique<CUndoLeaveEdit>(o); }, 0},
      {"Tool", [] { return std::make_unique<CUndoTool>(ID_TOOL_NODE); }, 0},
      {"HandleDrag", [&] { return std::make_unique<CUndoHandleDrag>(o, 0); }, 0},
      {"NodeDrag", [&] { return std::make_unique<CUndoNodeDrag>(o, 0); }, 0},
      {"TextAnchor", [&] { return std::make_unique<CUndoTextAnchor>(o, -1); }, 0},
      {"AddObjects", [] { return std::make_unique<CUndoAddObjects>(new CSegArray); }, 0},
      {"RelinkGroup", [&] { return std::make_unique<CUndoRelinkGroup>(&looseGroup, -1); }, 0},
      {"PathPoint", [&] { return std::make_unique<CUndoPathPoint>(&p, 1); }, 0},
      {"PathState", [&] { return std::make_unique<CUndoPathState>(&p); }, 0},
      {"PathSnapshot", [&] { return std::make_unique<CUndoPathSnapshot>(&p); }, 0},
      {"NodeSelect", [&] { return std::make_unique<CUndoNodeSelect>(&p, 1); }, 0},
      {"NodeDeselect", [&] { return std::make_unique<CUndoNodeDeselect>(&p, 1); }, 0},
      {"NodesMove", [&] { return std::make_unique<CUndoNodesMove>(&p, 0); }, 0},
      {"ContoursMove", [&] { return std::make_unique<CUndoContoursMove>(&p, 0); }, 0},
      {"SegmentDrag", [&] { return std::make_unique<CUndoSegmentDrag>(&p, 0); }, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CUndoItem> item = c.make();
    EXPECT_EQ(item->GetKind(), c.code) << c.name;
    EXPECT_EQ(item->Undo(view), 1) << c.name;
  }
}

TEST_F(UndoKindsTest, ImportUndoRemovesAndFreesEveryObject) {
  auto* list = new CSegArray;
  for (int i = 0; i < 3; ++i) {
    auto* c = new Counted;
    list->Add(c);
    doc.AddObject(c, false);
  }
  // One of them left the document (and was freed) by a later command.
  CGraphObject* gone = list->GetAt(1);
  doc.RemoveObject(gone);
  Record(std::make_unique<CUndoAddObjects>(list));
  EXPECT_EQ(Counted::live, 3);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(view.log.back(), "RepaintView(erase)");
  // Only the objects the undo took out of the document were freed.
  EXPECT_EQ(Counted::live, 1);
  delete gone;
  EXPECT_EQ(Counted::live, 0);
}

TEST_F(UndoKindsTest, DroppedImportStepLeavesTheObjects) {
  auto* list = new CSegArray;
  for (int i = 0; i < 2; ++i) {
    auto* c = new Counted;
    list->Add(c);
    doc.AddObject(c, false);
  }
  Record(std::make_unique<CUndoAddObjects>(list));
  view.undo.DeleteAll();  // dropped without undoing: only the list goes
  EXPECT_EQ(doc.GetObjectCount(), 2);
  EXPECT_EQ(Counted::live, 2);
  // Dropped as the oldest step.
  auto* list2 = new CSegArray;
  list2->Add(doc.GetObjectAt(0));
  Record(std::make_unique<CUndoAddObjects>(list2));
  for (int i = 0; i < 12; ++i) Record(std::make_unique<CUndoRepaint>());
  EXPECT_EQ(Counted::live, 2);
}

TEST_F(UndoKindsTest, ImportUndoClearsOtherViewsFirst) {
  FakeView other{&doc};
  doc.views.push_back(&other);
  auto* list = new CSegArray;
  auto* c = new Counted;
  list->Add(c);
  doc.AddObject(c, false);
  Record(std::make_unique<CUndoAddObjects>(list));
  other.undo.StartRecord(0);
  AppendUndo(&other, std::make_unique<CUndoMove>(c, 1.0f, 1.0f));
  other.undo.EndRecord();
  other.editObject = c;
  view.undo.UndoLastStep(view);
  EXPECT_EQ(other.undo.GetSize(), 0);
  EXPECT_EQ(other.editObject, nullptr);
  EXPECT_EQ(Counted::live, 0);
}

TEST_F(UndoKindsTest, RelinkGroup) {
  // Group made: undo takes the group out and deletes it, children live on.
  auto* g = new CGroupObject();
  auto* a = new Counted;
  g->children.Add(a);
  doc.AddObject(g, false);
  Record(std::make_unique<CUndoRelinkGroup>(g, -1));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(Counted::live, 1);
  delete a;

  // A group no longer in the document is not deleted by the undo.
  CGroupObject outside;
  Record(std::make_unique<CUndoRelinkGroup>(&outside, -1));
  view.undo.UndoLastStep(view);

  // Group taken apart: undo puts it back at its index, selected.
  auto* t = new TestObject(0, 0, 1, 1);
  doc.AddObject(t, false);
  auto* g2 = new CGroupObject();
  Record(std::make_unique<CUndoRelinkGroup>(g2, 0));
  view.undo.UndoLastStep(view);
  ASSERT_EQ(doc.GetObjectCount(), 2);
  EXPECT_EQ(doc.GetObjectAt(0), g2);
  EXPECT_EQ(g2->selected, 1u);
}

TEST_F(UndoKindsTest, PathItemsAreBoundedByTheBlock) {
  CPathObject& p = Edit(Square());
  const auto before = BlockBytes(p);
  // A point index the block does not hold is kept as nothing.
  Record(std::make_unique<CUndoPathPoint>(&p, 1000));
  Record(std::make_unique<CUndoPathPoint>(&p, -1));
  view.undo.UndoLastStep(view);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);

  // A state claiming more records than the block restores no more than it.
  p.count = 5000;
  p.capacity = 9000;
  Record(std::make_unique<CUndoPathState>(&p));
  p.count = 6;
  view.undo.UndoLastStep(view);
  EXPECT_LE(std::size_t(p.count), p.BlockRecords());
  EXPECT_LE(std::size_t(p.capacity) + 2, std::max<std::size_t>(p.BlockRecords(), std::size_t(p.count) + 2));

  // A point record written back after the block shrank is not written.
  CPathObject& q = Edit(Square());
  Record(std::make_unique<CUndoPathPoint>(&q, 4));
  q.DeleteSelectedNodes(&view);  // nothing selected: no change
  plat::GlobalReAlloc(q.points, 2 * 9, plat::GHND);
  q.count = 2;
  view.undo.UndoLastStep(view);
  EXPECT_EQ(q.BlockRecords(), 2u);
}

TEST_F(UndoKindsTest, SnapshotOwnsItsCopyUntilUndone) {
  CPathObject& p = Edit(BezierContour());
  const auto before = BlockBytes(p);
  const CFRect bounds = p.bounds;
  // Undone: the copy becomes the path's block (freed with the path).
  view.undo.StartRecord(1);
  view.undo.AppendUndoRepaintItem();
  AppendUndo(&view, std::make_unique<CUndoPathSnapshot>(&p));
  p.AddRectangle(100, 100, 200, 200);
  view.undo.EndRecord();
  EXPECT_NE(BlockBytes(p), before);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(BlockBytes(p), before);
  EXPECT_EQ(p.bounds, bounds);
  EXPECT_EQ(view.log.back(), "RepaintView");
  // Dropped: the copy is freed with its step (ASan reports a leak otherwise).
  Record(std::make_unique<CUndoPathSnapshot>(&p));
  view.undo.DeleteAll();
}

TEST_F(UndoKindsTest, DragKindsSeeTheDragReversedAndKeepTheirMode) {
  CPathObject& p = Edit(Polyline());
  p.SelectNode(1, &view);
  ObjectDrag().start = CFPoint{10, 0};
  ObjectDrag().last = CFPoint{13, 4};
  p.MoveSelectedNodes(3, 4, 0);
  Record(std::make_unique<CUndoNodesMove>(&p, 0xABCD0000u));
  view.undo.UndoLastStep(view);
  EXPECT_EQ(ObjectDrag().start, (CFPoint{13, 4}));
  EXPECT_EQ(ObjectDrag().last, (CFPoint{10, 0}));
  EXPECT_RECS(Body(p), (Recs{{0, 0, 0x11}, {10, 0, 0x09}, {20, 0, 0x01}, {30, 0, 0x21}}));
}

TEST_F(UndoKindsTest, NodeSelectionKindsSwapTheSelection) {
  CPathObject& p = Edit(Polyline());
  view.undo.StartRecord(0);
  p.SelectNode(2, &view);
  view.undo.EndRecord();
  view.undo.UndoLastStep(view);
  EXPECT_EQ(+RecordsOf(p)[2].flags, 0x01);
  EXPECT_EQ(p.selectedCount, 0);
  p.SelectNode(2, &view);
  view.undo.StartRecord(0);
  p.DeselectNode(2, &view);
  view.undo.EndRecord();
  view.undo.UndoLastStep(view);
  EXPECT_EQ(+RecordsOf(p)[2].flags, 0x09);
  EXPECT_EQ(p.selectedCount, 1);
}
