#include "model/groupobject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/devices.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/tests/fakes.h"
#include "model/tests/segarray_fixtures.h"
#include "platform/report.h"

namespace {

struct GroupTest : ::testing::Test {
  LineReader lines;
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  std::size_t liveBefore = plat::GlobalLiveCount();
  void TearDown() override { EXPECT_EQ(plat::GlobalLiveCount(), liveBefore) << "leaked blocks"; }
};

// The page position of a line inside any number of groups: its points
// through its own transform, then through each enclosing matrix, innermost
// first.
CFRect PagePoints(const CLineObject& l, const std::vector<const CGroupObject*>& outerToInner) {
  CFPoint a = l.PageStart(), b = l.PageEnd();
  for (auto it = outerToInner.rbegin(); it != outerToInner.rend(); ++it) {
    (*it)->matrix.TransformPoint(a);
    (*it)->matrix.TransformPoint(b);
  }
  return CFRect(a.x, a.y, b.x, b.y);
}

std::vector<std::uint8_t> RecordOf(CGraphObject& o, std::uint32_t* length) {
  plat::HGLOBAL h = 0;
  *length = o.WriteRecord(&h);
  std::vector<std::uint8_t> b = BlockBytes(h);
  plat::GlobalFree(h);
  return b;
}

TEST_F(GroupTest, TwoLinesWriteL165AndReadBack) {
  CGroupObject g;
  g.AddChild(new TestLine(0, 0, 2, 1));
  g.AddChild(new TestLine(1, 3, 4, 5));
  g.flags = 0x100;
  g.matrix = CMatrix3(2, 0, 0, 2, 1, 1);
  g.RecalcChildBounds();
  EXPECT_EQ(g.bounds, CFRect(1, 1, 9, 11));
  std::uint32_t length = 0;
  std::vector<std::uint8_t> b = RecordOf(g, &length);
  ASSERT_EQ(length, 165u);
  ASSERT_EQ(b.size(), 175u);  // L + 10
  EXPECT_EQ(b[0], ')');
  EXPECT_EQ(U32At(b, 1), 165u);
  EXPECT_EQ(b[5], 129);
  EXPECT_EQ(b[6], 0x00);
  EXPECT_EQ(b[7], 0x01);
  float m00 = 0;
  std::memcpy(&m00, b.data() + 24, 4);
  EXPECT_EQ(m00, 2.0f);
  EXPECT_EQ(b[60], 2);                 // the nested block
  EXPECT_EQ(U32At(b, 61), 104u);       // 5 + 49 + 49 + 1
  EXPECT_EQ(b[60 + 103], 254);
  EXPECT_EQ(b[164], 241);
  EXPECT_EQ(b[165], 255);

  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), length);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->kind, OBJ_GROUP);
  auto* rg = static_cast<CGroupObject*>(back.get());
  EXPECT_EQ(rg->GetChildCount(), 2);
  EXPECT_EQ(rg->GetChild(2), nullptr);
  EXPECT_EQ(rg->flags, 0x100);
  EXPECT_EQ(rg->matrix, g.matrix);
  EXPECT_EQ(rg->bounds, g.bounds);
  EXPECT_EQ(AsLine(rg->GetChild(1))->x2, 4.0f);

  // No child writes a record: no record, and the group drops out of lists.
  CGroupObject silent;
  silent.AddChild(new SilentObject);
  plat::HGLOBAL h = 77;
  EXPECT_EQ(silent.WriteRecord(&h), 0u);
  EXPECT_EQ(h, 0u);
  CGroupObject empty;
  EXPECT_EQ(empty.WriteRecord(&h), 0u);
}

TEST_F(GroupTest, OneChildDissolvesWhereItWasDrawn) {
  CGroupObject g;
  g.AddChild(new TestLine(1, 1, 3, 2));
  g.matrix = CMatrix3(0, 1, -1, 0, 10, 20);  // quarter turn, then a move
  g.RecalcChildBounds();
  const CFRect drawn = PagePoints(*AsLine(g.GetChild(0)), {&g});
  std::uint32_t length = 0;
  std::vector<std::uint8_t> b = RecordOf(g, &length);
  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), length);
  const CLineObject* l = AsLine(back.get());
  ASSERT_TRUE(l);
  EXPECT_EQ(PagePoints(*l, {}), drawn);
  EXPECT_EQ(l->bounds, g.bounds);

  // A nested block that cannot be read gives no group.
  b[65] = '+';
  EXPECT_FALSE(CreateObjectFromRecord(b.data(), length));
  EXPECT_EQ(sink.boxes.size(), 1u);
}

TEST_F(GroupTest, OffsetMovesChildrenOrOnlyTheMatrix) {
  CGroupObject g;
  g.AddChild(new TestLine(0, 0, 1, 1));
  g.AddChild(new TestLine(2, 2, 3, 3));
  g.Offset(5, 6);
  EXPECT_EQ(g.bounds, CFRect(5, 6, 8, 9));
  EXPECT_EQ(AsLine(g.GetChild(1))->x1, 7.0f);
  EXPECT_TRUE(g.matrix.IsIdentity());

  g.matrix.m00 = 2;  // no longer the identity
  g.Offset(1, -1);
  EXPECT_EQ(g.matrix.m20, 1.0f);
  EXPECT_EQ(g.matrix.m21, -1.0f);
  EXPECT_EQ(g.bounds, CFRect(6, 5, 9, 8));
  EXPECT_EQ(AsLine(g.GetChild(1))->x1, 7.0f);  // children unchanged
  EXPECT_EQ(AsLine(g.GetChild(1))->bounds, CFRect(7, 8, 8, 9));
}

TEST_F(GroupTest, SortsByLeftAndTop) {
  CGroupObject g;
  auto* first = new TestLine(3, 0, 4, 1);
  auto* middle = new TestLine(1, 5, 2, 6);
  auto* last = new TestLine(3, 2, 4, 3);
  g.AddChild(first);
  g.AddChild(middle);
  g.AddChild(last);
  g.SortChildrenByLeft();
  EXPECT_EQ(g.GetChild(0), middle);
  EXPECT_EQ(g.GetChild(1), last);
  EXPECT_EQ(g.GetChild(2), first);  // equal edges do not keep their order
  g.SortChildrenByTop();
  EXPECT_EQ(g.GetChild(0), first);
  EXPECT_EQ(g.GetChild(1), last);
  EXPECT_EQ(g.GetChild(2), middle);
}

TEST_F(GroupTest, TransformPushesTheMatrixDown) {
  CGroupObject g;
  g.AddChild(new TestLine(0, 0, 1, 1));
  g.AddChild(new TestLine(2, 1, 3, 4));
  g.matrix = CMatrix3(1, 0, 0, 1, 10, 0);
  g.RecalcChildBounds();
  g.Transform(CMatrix3(2, 0, 0, 2, 0, 0));
  EXPECT_TRUE(g.matrix.IsIdentity());
  EXPECT_EQ(AsLine(g.GetChild(0))->PageStart().x, 20.0f);
  EXPECT_EQ(AsLine(g.GetChild(1))->bounds, CFRect(24, 2, 26, 8));
  EXPECT_EQ(g.bounds, CFRect(20, 0, 26, 8));

  // SetRect with the identity maps every child into the new rectangle.
  g.SetRect(0, 0, 3, 4);
  EXPECT_EQ(g.bounds, CFRect(0, 0, 3, 4));
  EXPECT_EQ(AsLine(g.GetChild(1))->bounds, CFRect(2, 1, 3, 4));
  // With a matrix it is composed into the matrix only.
  g.matrix.m20 = 1;
  g.SetRect(0, 0, 6, 8);
  EXPECT_EQ(g.matrix.m00, 2.0f);
  EXPECT_EQ(AsLine(g.GetChild(1))->bounds, CFRect(2, 1, 3, 4));
}

TEST_F(GroupTest, RegroupingKeepsObjectsInPlace) {
  // outer (scaled) > sub (moved) > line a, plus line b in outer.
  auto build = [](CGroupObject& outer, TestLine*& a, TestLine*& b, CGroupObject*& sub) {
    sub = new CGroupObject;
    a = new TestLine(1, 1, 2, 3);
    sub->AddChild(a);
    sub->AddChild(new TestLine(0, 0, 1, 1));
    sub->matrix = CMatrix3(1, 0, 0, 1, 5, 0);
    sub->RecalcChildBounds();
    b = new TestLine(4, 4, 6, 5);
    outer.AddChild(sub);
    outer.AddChild(b);
    outer.matrix = CMatrix3(2, 0, 0, 3, 0, 1);
    outer.RecalcChildBounds();
  };
  {
    CGroupObject outer;
    TestLine *a, *b;
    CGroupObject* sub;
    build(outer, a, b, sub);
    const CFRect pa = PagePoints(*a, {&outer, sub}), pb = PagePoints(*b, {&outer});
    const CFRect bounds = outer.bounds;
    outer.FlattenSubgroups();
    ASSERT_EQ(outer.GetChildCount(), 3);
    EXPECT_EQ(outer.GetChild(0), b);
    EXPECT_EQ(outer.GetChild(1), a);
    EXPECT_EQ(PagePoints(*a, {&outer}), pa);
    EXPECT_EQ(PagePoints(*b, {&outer}), pb);
    EXPECT_EQ(outer.bounds, bounds);
  }
  {
    CGroupObject outer, target;
    TestLine *a, *b;
    CGroupObject* sub;
    build(outer, a, b, sub);
    const CFRect pa = PagePoints(*a, {&outer, sub}), pb = PagePoints(*b, {&outer});
    outer.MoveChildrenOfKind(target, OBJ_LINE);
    EXPECT_EQ(outer.GetChildCount(), 0);  // the emptied subgroup is deleted
    ASSERT_EQ(target.GetChildCount(), 3);
    EXPECT_EQ(target.GetChild(0), a);
    EXPECT_EQ(target.GetChild(2), b);
    EXPECT_EQ(PagePoints(*a, {&target}), pa);
    EXPECT_EQ(PagePoints(*b, {&target}), pb);
    CFRect u = target.GetChild(0)->bounds;
    for (int i = 1; i < 3; ++i) {
      const CFRect& c = target.GetChild(i)->bounds;
      u = CFRect(std::min(u.left, c.left), std::min(u.top, c.top), std::max(u.right, c.right),
                 std::max(u.bottom, c.bottom));
    }
    EXPECT_EQ(target.bounds, u);
  }
  {
    CGroupObject outer;
    TestLine *a, *b;
    CGroupObject* sub;
    build(outer, a, b, sub);
    const CFRect pb = PagePoints(*b, {&outer});
    outer.DetachChild(b);
    std::unique_ptr<TestLine> owned(b);
    EXPECT_EQ(PagePoints(*b, {}), pb);  // the line itself moved
    EXPECT_EQ(outer.GetChildCount(), 1);
    CFRect subOnPage = sub->bounds;
    outer.matrix.TransformRectBounds(subOnPage);
    EXPECT_EQ(outer.bounds, subOnPage);
    outer.RemoveChild(sub);
    EXPECT_EQ(outer.GetChildCount(), 0);
  }
}

TEST_F(GroupTest, HitDrawAndOutlineGoThroughTheMatrix) {
  auto makePath = [](float l, float t, float r, float b) {
    auto p = std::make_unique<CPathObject>();
    p->AddRectangle(l, t, r, b);
    p->EndPoints();
    return p;
  };
  CGroupObject g;
  g.AddChild(makePath(0, 0, 10, 10));
  g.AddChild(makePath(20, 0, 30, 10));
  g.matrix = CMatrix3(1, 0, 0, 1, 100, 0);
  g.RecalcChildBounds();
  EXPECT_EQ(g.bounds, CFRect(100, 0, 130, 10));
  EXPECT_EQ(g.CountPathPoints(), 12);

  FakeView view;
  EXPECT_TRUE(g.HitTest(&view, 100, 5));    // on the first square's edge
  EXPECT_FALSE(g.HitTest(&view, 115, 5));   // between the squares
  EXPECT_FALSE(g.HitTest(&view, 5, 5));     // where the children would be without the matrix

  std::unique_ptr<CPathPointList> outline(g.MakeOutline(nullptr, 0));
  ASSERT_TRUE(outline);
  EXPECT_EQ(outline->count, 11);  // two closed squares and one end record
  outline->ApplyTransform();
  {
    plat::GlobalLockGuard lock(outline->points);
    PathPoint p0, p5;
    std::memcpy(&p0, lock.bytes(), sizeof p0);
    std::memcpy(&p5, lock.bytes() + 5 * sizeof p0, sizeof p0);
    EXPECT_EQ(p0.x, 100.0f);
    EXPECT_EQ(p5.x, 120.0f);
  }

  // Conversion and combination keep the page position.
  std::unique_ptr<CGraphObject> converted = g.ConvertToPath(-1);
  ASSERT_TRUE(converted);
  ASSERT_EQ(converted->kind, OBJ_GROUP);
  EXPECT_EQ(static_cast<CGroupObject*>(converted.get())->GetChild(1)->bounds,
            CFRect(120, 0, 130, 10));
  std::unique_ptr<CGraphObject> combined = g.CombineToPath(-1);
  ASSERT_TRUE(combined);
  EXPECT_EQ(combined->kind, OBJ_PATH);
  EXPECT_EQ(combined->bounds, CFRect(100, 0, 130, 10));

  // Flags and colours go to every child.
  g.SetFlags(nullptr, 0x100, 0x100);
  EXPECT_EQ(g.flags, 0x100);
  EXPECT_EQ(g.GetChild(1)->flags, 0x100);
  g.SetColorIndex(nullptr, 0xFF00, 0);
  FakeListBox colors;
  g.AddColorToList(&colors);
  EXPECT_EQ(colors.items, (std::vector<std::string>{"65280"}));
}

// Records how it is drawn and printed.
class DrawSpy : public CGraphObject {
 public:
  DrawSpy(std::vector<DrawSpy*>& order) : order_(order) { bounds = CFRect(0, 0, 1, 1); }
  void Draw(plat::DC*, const CMatrix3* m, const CFRect* v) override {
    order_.push_back(this);
    matrixSeen = m ? *m : CMatrix3();
    visibleSeen = v ? *v : CFRect(-1, -1, -1, -1);
  }
  void Print(plat::DC*, const CMatrix3* m, const PrintSettings* s) override {
    order_.push_back(this);
    matrixSeen = m ? *m : CMatrix3();
    settingsSeen = s;
  }
  CMatrix3 matrixSeen;
  CFRect visibleSeen;
  const PrintSettings* settingsSeen = nullptr;

 private:
  std::vector<DrawSpy*>& order_;
};

TEST_F(GroupTest, DrawsAndPrintsLastToFirstThroughBothMatrices) {
  std::vector<DrawSpy*> order;
  CGroupObject g;
  auto* a = new DrawSpy(order);
  auto* b = new DrawSpy(order);
  g.AddChild(a);
  g.AddChild(b);
  g.matrix = CMatrix3(2, 0, 0, 2, 10, 0);
  const CMatrix3 view(1, 0, 0, 1, 0, 5);
  const CFRect visible(10, 0, 30, 20);
  g.Draw(nullptr, &view, &visible);
  ASSERT_EQ(order, (std::vector<DrawSpy*>{b, a}));
  EXPECT_EQ(a->matrixSeen, CMatrix3(2, 0, 0, 2, 10, 5));
  EXPECT_EQ(a->visibleSeen, CFRect(0, 0, 10, 10));  // in the children's coordinates
  g.Draw(nullptr, nullptr, nullptr);
  EXPECT_EQ(b->matrixSeen, g.matrix);
  EXPECT_EQ(b->visibleSeen, CFRect(-1, -1, -1, -1));

  order.clear();
  PrintSettings settings;
  g.Print(nullptr, &view, &settings);
  ASSERT_EQ(order, (std::vector<DrawSpy*>{b, a}));
  EXPECT_EQ(a->matrixSeen, CMatrix3(2, 0, 0, 2, 10, 5));
  EXPECT_EQ(a->settingsSeen, &settings);
}

TEST_F(GroupTest, TextsAreCollectedFromTheChildren) {
  CGroupObject g;
  g.AddChild(new TextStandIn("AB"));
  auto sub = std::make_unique<CGroupObject>();
  sub->AddChild(new TextStandIn("CD"));
  g.AddChild(std::move(sub));
  std::string text;
  g.AppendPlainText(text);
  EXPECT_EQ(text, "ABCD");
}

}  // namespace
