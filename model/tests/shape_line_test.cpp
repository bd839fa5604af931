#include "model/lineobject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "model/records.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"
#include "model/tests/shape_fixtures.h"

using namespace shapetest;

namespace {

std::unique_ptr<CLineObject> Line(float ax, float ay, float bx, float by) {
  auto l = std::make_unique<CLineObject>();
  l->x1 = ax, l->y1 = ay, l->x2 = bx, l->y2 = by;
  l->bounds = l->PageBox();
  return l;
}

std::unique_ptr<CLineObject> ReadBack(CGraphObject& o) {
  std::vector<std::uint8_t> b = RecordBlock(o);
  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), b.size());
  if (!back || back->kind != OBJ_LINE) return nullptr;
  return std::unique_ptr<CLineObject>(static_cast<CLineObject*>(back.release()));
}

struct LineTest : ::testing::Test {
  void SetUp() override { CreateSharedDrawingTools(); }
  FakeView view;
};

}  // namespace

TEST_F(LineTest, RecordBytesAreTheLinesLayout) {
  auto l = Line(1, 2, 11, 7);
  l->color = 0xFF0000;
  std::uint32_t length = 0;
  const std::vector<std::uint8_t> b = RecordBlock(*l, &length);
  EXPECT_EQ(length, 49u);
  const std::vector<std::uint8_t> points = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40,
                                            0x00, 0x00, 0x30, 0x41, 0x00, 0x00, 0xE0, 0x40};
  std::vector<std::uint8_t> want = {0x24, 0x31, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  want.insert(want.end(), points.begin(), points.end());
  want.insert(want.end(), points.begin(), points.end());
  const std::vector<std::uint8_t> tail = {0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF1};
  want.insert(want.end(), tail.begin(), tail.end());
  want.push_back(0xFF);
  want.resize(58, 0x00);
  EXPECT_EQ(b, want);
}

TEST_F(LineTest, EveryFieldRoundTrips) {
  auto l = Line(1.5f, -2.25f, 30.125f, 4.0f);
  l->flags = 0x0123;
  l->color = 0x00ABCDEF;
  l->reserved = 0xDEADBEEF;
  l->bounds = CFRect(-7, -8, 9, 10);  // as stored, not recomputed
  auto back = ReadBack(*l);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->kind, OBJ_LINE);
  EXPECT_EQ(back->flags, 0x0123);
  EXPECT_EQ(back->x1, 1.5f);
  EXPECT_EQ(back->y1, -2.25f);
  EXPECT_EQ(back->x2, 30.125f);
  EXPECT_EQ(back->y2, 4.0f);
  EXPECT_EQ(back->bounds, CFRect(-7, -8, 9, 10));
  EXPECT_EQ(back->color, 0x00ABCDEFu);
  EXPECT_EQ(back->reserved, 0xDEADBEEFu);
  EXPECT_TRUE(back->matrix.IsIdentity());
  EXPECT_EQ(RecordBlock(*back), RecordBlock(*l));
  // Clone goes through the record as well.
  std::unique_ptr<CGraphObject> copy = l->Clone();
  ASSERT_TRUE(copy);
  EXPECT_EQ(RecordBlock(*copy), RecordBlock(*l));
}

TEST_F(LineTest, RotatedLineReloadsInPlace) {
  auto l = Line(0, 0, 10, 0);
  std::unique_ptr<CMatrix3> rot = MakeRotateMatrixAt(0, 0, 90);
  l->Transform(*rot);
  const CFPoint a = l->PageStart(), b = l->PageEnd();
  // The bounds are the box of the turned end points at once.
  EXPECT_EQ(l->bounds, l->PageBox());
  EXPECT_NEAR(std::fabs(b.y - a.y), 10.0f, 1e-4f);
  EXPECT_NEAR(b.x - a.x, 0.0f, 1e-4f);

  // A move after the turn changes only the translation.
  l->Offset(3, 4);
  EXPECT_EQ(l->x2, 10.0f);
  EXPECT_EQ(l->y2, 0.0f);
  const CFPoint b2 = l->PageEnd();
  EXPECT_NEAR(b2.x, b.x + 3, 1e-4f);
  EXPECT_NEAR(b2.y, b.y + 4, 1e-4f);

  auto back = ReadBack(*l);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->matrix.IsIdentity());
  EXPECT_EQ(back->PageStart(), l->PageStart());
  EXPECT_EQ(back->PageEnd(), l->PageEnd());
  EXPECT_EQ(back->bounds, l->PageBox());
}

TEST_F(LineTest, TransformBoundsFollowTheEndPointsNotTheRectangleCorners) {
  // A line falling to the left: the corners of its box are not its ends.
  auto l = Line(10, 0, 0, 10);
  CMatrix3 skew(1, 0, 1, 1, 0, 0);  // x' = x + y
  l->Transform(skew);
  EXPECT_EQ(l->bounds, CFRect(10, 0, 10, 10));
}

TEST_F(LineTest, HitTestAlongTheSegmentWithThreePixels) {
  view.unitsPerPixel = 0.5;
  auto l = Line(0, 0, 20, 0);
  struct Case {
    float x, y;
    int hit;
  } cases[] = {{10, 0, 1}, {10, 1.4f, 1}, {10, -1.4f, 1}, {10, 1.6f, 0}, {-1.4f, 0, 1},
               {-1.6f, 0, 0}, {21.4f, 0, 1}, {30, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(l->HitTest(&view, c.x, c.y), c.hit) << c.x << "," << c.y;

  // A zero-length line is hit within the tolerance around its point.
  auto dot = Line(5, 5, 5, 5);
  EXPECT_EQ(dot->HitTest(&view, 6.4f, 5), 1);
  EXPECT_EQ(dot->HitTest(&view, 6.6f, 5), 0);

  // Through the pending transform.
  l->Transform(*MakeRotateMatrixAt(0, 0, 90));
  const CFPoint e = l->PageEnd();
  EXPECT_EQ(l->HitTest(&view, e.x / 2, e.y / 2), 1);
  EXPECT_EQ(l->HitTest(&view, 10, 0), 0);
}

TEST_F(LineTest, HandlesSitOnTheEndsAndTheFirstWins) {
  auto l = Line(0, 0, 2, 0);  // squares of half-size 3 overlap
  int index = -5;
  EXPECT_EQ(l->HitTestHandle(&view, 1, 0, &index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(l->HitTestHandle(&view, 4.5f, 2, &index), 1);
  EXPECT_EQ(index, 1);
  index = -5;
  EXPECT_EQ(l->HitTestHandle(&view, 5.5f, 0, &index), 0);
  EXPECT_EQ(index, -5);
  EXPECT_EQ(l->HitTestHandle(&view, 0, 0, nullptr), 1);
}

TEST_F(LineTest, MoveHandleMapsThePointerBackThroughTheTransform) {
  auto l = Line(0, 0, 10, 0);
  l->Transform(*MakeRotateMatrixAt(0, 0, 90));
  l->MoveHandle(&view, 1, 3, -20);
  const CFPoint e = l->PageEnd();
  EXPECT_NEAR(e.x, 3, 1e-4f);
  EXPECT_NEAR(e.y, -20, 1e-4f);
  EXPECT_EQ(l->bounds, l->PageBox());

  // Other handle numbers change nothing but the bounds.
  const float x1 = l->x1, y1 = l->y1, x2 = l->x2, y2 = l->y2;
  l->bounds = CFRect();
  l->MoveHandle(&view, 2, 100, 100);
  EXPECT_EQ(l->x1, x1);
  EXPECT_EQ(l->y1, y1);
  EXPECT_EQ(l->x2, x2);
  EXPECT_EQ(l->y2, y2);
  EXPECT_EQ(l->bounds, l->PageBox());
}

TEST_F(LineTest, SingularTransformLeavesTheEndPoints) {
  for (CMatrix3 m : {CMatrix3(0, 0, 0, 0, 5, 5), CMatrix3(1, 2, 2, 4, 0, 0)}) {
    auto l = Line(1, 1, 4, 5);
    l->matrix = m;
    l->MoveHandle(&view, 0, 50, 60);
    EXPECT_EQ(l->x1, 1.0f);
    EXPECT_EQ(l->y1, 1.0f);
    EXPECT_TRUE(std::isfinite(l->bounds.left) && std::isfinite(l->bounds.bottom));
  }
}

TEST_F(LineTest, HandleDragIsUndone) {
  auto l = Line(10, 10, 40, 10);
  view.tool = ID_TOOL_SELECT;
  view.undo.StartRecord(0);
  ASSERT_EQ(l->OnLButtonDown(&view, MK_LBUTTON, 40, 10), 1);
  EXPECT_EQ(l->hitIndex, 1);
  l->OnMouseMove(&view, MK_LBUTTON, 45, 20);
  l->OnLButtonUp(&view, 0, 50, 30);
  view.undo.EndRecord();
  EXPECT_EQ(l->x2, 50.0f);
  EXPECT_EQ(l->y2, 30.0f);
  EXPECT_EQ(l->bounds, CFRect(10, 10, 50, 30));
  ASSERT_EQ(view.undo.GetSize(), 1);
  EXPECT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(l->x2, 40.0f);
  EXPECT_EQ(l->y2, 10.0f);
  EXPECT_EQ(l->bounds, CFRect(10, 10, 40, 10));
  EXPECT_EQ(l->x1, 10.0f);
}

TEST_F(LineTest, OutlineConversionAndCutting) {
  auto l = Line(1, 2, 11, 7);
  l->color = 0x00FF00;
  std::unique_ptr<CPathPointList> outline(l->MakeOutline(nullptr, 0));
  ASSERT_TRUE(outline);
  ExpectRecords(RecordsOf(*outline), {{1, 2, 0x11}, {11, 7, 0x21}, {0, 0, 0xFF}});
  CMatrix3 twice(2, 0, 0, 2, 1, 1);
  std::unique_ptr<CPathPointList> scaled(l->MakeOutline(&twice, 7));
  ExpectRecords(RecordsOf(*scaled), {{3, 5, 0x11}, {23, 15, 0x21}, {0, 0, 0xFF}});

  EXPECT_EQ(l->ConvertToPath(0xFF0000), nullptr);
  std::unique_ptr<CGraphObject> path = l->ConvertToPath(-1);
  ASSERT_TRUE(path);
  ASSERT_EQ(path->kind, OBJ_PATH);
  auto* p = static_cast<CPathObject*>(path.get());
  EXPECT_EQ(p->color, 0x00FF00u);
  EXPECT_EQ(p->bounds, CFRect(1, 2, 11, 7));
  EXPECT_NE(l->ConvertToPath(0x00FF00), nullptr);
  RecordingCutter cutter;
  p->PlotToCutter(cutter);
  EXPECT_EQ(cutter.calls, (std::vector<std::string>{"MoveTo(1,2)", "LineTo(11,7)", "EndPolyline"}));
}

TEST_F(LineTest, XorFeedbackErasesItself) {
  auto l = Line(5, 5, 50, 40);
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { l->DrawXorOutline(view.dc.get(), nullptr); });
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { l->DrawHandleDragXor(&view, 1, 0, 0); });
  EXPECT_EQ(view.dcTaken, view.dcReleased);
  EXPECT_EQ(view.dc->GetROP2(), plat::R2_COPYPEN);
}

TEST_F(LineTest, DrawsInItsColourAndAddsItToTheList) {
  auto l = Line(2, 30, 60, 30);
  l->color = 0x0000FF;  // blue as 0x00RRGGBB
  l->Draw(view.dc.get(), nullptr, nullptr);
  EXPECT_EQ(view.dc->GetPixel(30, 30), plat::RGB(0, 0, 255));
  FakeListBox list;
  l->AddColorToList(&list);
  l->AddColorToList(&list);
  EXPECT_EQ(list.items, (std::vector<std::string>{"255"}));
  l->SetColorIndex(&view, 255, 1);
  EXPECT_TRUE(view.invalidated.empty());
  l->SetColorIndex(&view, 7, 1);
  EXPECT_EQ(l->color, 7u);
  EXPECT_EQ(view.invalidated.size(), 1u);
}
