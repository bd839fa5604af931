#include "model/rectobject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/records.h"
#include "model/shapebuilders.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"
#include "model/tests/shape_fixtures.h"

using namespace shapetest;

namespace {

std::unique_ptr<CRectObject> Rect(float x1, float y1, float x2, float y2, float rx = 0,
                                  float ry = 0) {
  auto r = std::make_unique<CRectObject>();
  r->x1 = x1, r->y1 = y1, r->x2 = x2, r->y2 = y2;
  r->rx = rx, r->ry = ry;
  std::unique_ptr<CPathPointList>(r->MakeOutline(nullptr, 0));
  return r;
}

std::unique_ptr<CRectObject> ReadBack(CGraphObject& o) {
  std::vector<std::uint8_t> b = RecordBlock(o);
  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), b.size());
  if (!back || back->kind != OBJ_RECT) return nullptr;
  return std::unique_ptr<CRectObject>(static_cast<CRectObject*>(back.release()));
}

struct RectTest : ::testing::Test {
  void SetUp() override { CreateSharedDrawingTools(); }
  FakeView view;
};

constexpr float k = 0.553f;

}  // namespace

TEST(RectPoints, PlainRoundedAndChamferedOutlines) {
  EXPECT_EQ(Bits(k), 0x3F0D9168u);
  // Any corner order gives the normalised rectangle.
  ExpectRecords(RecordsOf(*MakeRectPoints(10, 8, 0, 2, nullptr)),
                {{0, 2, 0x11}, {10, 2, 0x01}, {10, 8, 0x01}, {0, 8, 0x01}, {0, 2, 0x41},
                 {0, 0, 0xFF}});
  CMatrix3 shift(1, 0, 0, 1, 5, -1);
  std::unique_ptr<CPathPointList> moved = MakeRectPoints(0, 2, 10, 8, &shift);
  ExpectRecords(RecordsOf(*moved), {{5, 1, 0x11}, {15, 1, 0x01}, {15, 7, 0x01}, {5, 7, 0x01},
                                    {5, 1, 0x41}, {0, 0, 0xFF}});
  EXPECT_EQ(moved->bounds, CFRect(5, 1, 15, 7));

  // Rectangle (0, 0, 20, 10), rounding half of each half size: ax 5, bx 15, ay 2.5, by 7.5.
  std::unique_ptr<CPathPointList> round = MakeRoundRectPoints(0, 0, 20, 10, 0.5f, 0.5f, nullptr);
  const float c1 = 2.5f - k * 2.5f, c2 = 5 - k * 5;
  ExpectRecords(RecordsOf(*round),
                {{0, 2.5f, 0x11},       {0, c1, 0x00},          {c2, 0, 0x00},
                 {5, 0, 0x01},          {15, 0, 0x01},          {15 + k * 5, 0, 0x00},
                 {20, c1, 0x00},        {20, 2.5f, 0x01},       {20, 7.5f, 0x01},
                 {20, 7.5f + k * 2.5f, 0x00}, {15 + k * 5, 10, 0x00}, {15, 10, 0x01},
                 {5, 10, 0x01},         {c2, 10, 0x00},         {0, 7.5f + k * 2.5f, 0x00},
                 {0, 7.5f, 0x01},       {0, 2.5f, 0x41},        {0, 0, 0xFF}});
  EXPECT_EQ(RecordsOf(*round).size(), 18u);  // 17 points and the end record

  ExpectRecords(RecordsOf(*MakeChamferRectPoints(0, 0, 20, 10, 0.5f, 0.5f, nullptr)),
                {{0, 2.5f, 0x11}, {5, 0, 0x01}, {15, 0, 0x01}, {20, 2.5f, 0x01},
                 {20, 7.5f, 0x01}, {15, 10, 0x01}, {5, 10, 0x01}, {0, 7.5f, 0x01},
                 {0, 2.5f, 0x41}, {0, 0, 0xFF}});

  // Full rounding: the straight edges vanish, an ellipse of four pieces.
  const Recs full = RecordsOf(*MakeRoundRectPoints(0, 0, 20, 10, 1, 1, nullptr));
  const float x3 = full[3].x, x4 = full[4].x, y7 = full[7].y, y8 = full[8].y;
  EXPECT_EQ(x3, 10.0f);
  EXPECT_EQ(x4, 10.0f);
  EXPECT_EQ(y7, 5.0f);
  EXPECT_EQ(y8, 5.0f);
}

TEST_F(RectTest, NewRectangleHasSquareCorners) {
  CRectObject r;
  EXPECT_EQ(r.kind, OBJ_RECT);
  EXPECT_EQ(r.rx, 0.0f);
  EXPECT_EQ(r.ry, 0.0f);
  EXPECT_EQ(r.CanNodeEdit(), 1);
  // rx without ry is square as well.
  auto half = Rect(0, 0, 20, 10, 0.5f, 0);
  std::unique_ptr<CPathPointList> o(half->MakeOutline(nullptr, 0));
  EXPECT_EQ(RecordsOf(*o).size(), 6u);
}

TEST_F(RectTest, OutlineRefreshesBoundsBeforeTheMatrix) {
  auto r = Rect(0, 0, 20, 10);
  r->bounds = CFRect();
  CMatrix3 twice(2, 0, 0, 2, 0, 0);
  std::unique_ptr<CPathPointList> o(r->MakeOutline(&twice, 0));
  EXPECT_EQ(r->bounds, CFRect(0, 0, 20, 10));
  ExpectRecords(RecordsOf(*o), {{0, 0, 0x11}, {40, 0, 0x01}, {40, 20, 0x01}, {0, 20, 0x01},
                                {0, 0, 0x41}, {0, 0, 0xFF}});
}

TEST_F(RectTest, RotatedRectangleIsBoundedByItsOutline) {
  auto r = Rect(-10, -10, 10, 10);
  r->Transform(*MakeRotateMatrixAt(0, 0, 45));
  const float d = 10 * std::sqrt(2.0f);
  EXPECT_NEAR(r->bounds.left, -d, 1e-3f);
  EXPECT_NEAR(r->bounds.right, d, 1e-3f);
  EXPECT_NEAR(r->bounds.top, -d, 1e-3f);
  EXPECT_NEAR(r->bounds.bottom, d, 1e-3f);
  // A corner outside the old box is hit; the hit test follows the outline.
  EXPECT_EQ(r->HitTest(&view, 0, -d + 0.5f), 1);
  EXPECT_EQ(r->HitTest(&view, 0, 0), 0);
  EXPECT_EQ(r->HitTest(&view, d + 4, 0), 0);
}

TEST_F(RectTest, EveryFieldRoundTrips) {
  auto r = Rect(1.5f, 2.5f, 31, 42, 0.25f, 0.75f);
  r->flags = 0x0101;
  r->matrix = CMatrix3(1.5f, 0.25f, -0.5f, 2, 7, -3);
  r->bounds = CFRect(-1, -2, 3, 4);
  r->color = 0x00123456;
  r->reserved = 0xCAFEF00D;
  auto back = ReadBack(*r);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->flags, 0x0101);
  EXPECT_EQ(back->x1, 1.5f);
  EXPECT_EQ(back->y1, 2.5f);
  EXPECT_EQ(back->x2, 31.0f);
  EXPECT_EQ(back->y2, 42.0f);
  EXPECT_EQ(back->rx, 0.25f);
  EXPECT_EQ(back->ry, 0.75f);
  EXPECT_EQ(back->matrix, r->matrix);
  EXPECT_EQ(back->bounds, CFRect(-1, -2, 3, 4));
  EXPECT_EQ(back->color, 0x00123456u);
  EXPECT_EQ(back->reserved, 0xCAFEF00Du);
  EXPECT_EQ(RecordBlock(*back), RecordBlock(*r));
}

TEST_F(RectTest, HandlesFollowTheRounding) {
  auto r = Rect(0, 0, 20, 10, 0.5f, 1);
  const CFPoint want[4] = {{5, 5}, {15, 5}, {5, 5}, {15, 5}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r->Handle(i), want[i]) << i;
  auto square = Rect(0, 0, 20, 10);
  const CFPoint corners[4] = {{0, 0}, {20, 0}, {0, 10}, {20, 10}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(square->Handle(i), corners[i]) << i;
  int index = 7;
  EXPECT_EQ(square->HitTestNode(&view, 19, 9, &index), 1);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(square->HitTestNode(&view, 10, 5, &index), 0);
  EXPECT_EQ(index, -1);
}

TEST_F(RectTest, MoveNodeSetsTheRounding) {
  struct Case {
    int handle;
    float x, y;
    float rx, ry;
  } cases[] = {
      {0, 10, 5, 1, 1},        // to the centre: an ellipse
      {0, -5, -5, 0, 0},       // beyond the corner: clamped square
      {0, 5, 2.5f, 0.5f, 0.5f},
      {1, 15, 2.5f, 0.5f, 0.5f},
      {2, 5, 7.5f, 0.5f, 0.5f},
      {3, 17.5f, 10, 0.25f, 0},
      {3, 30, 30, 0, 0},
      {3, 0, 0, 1, 1},         // across the centre: clamped to full
  };
  for (const Case& c : cases) {
    auto r = Rect(0, 0, 20, 10, 0.1f, 0.2f);
    const CFRect before = r->bounds;
    r->MoveNode(&view, c.handle, c.x, c.y, 0);
    EXPECT_FLOAT_EQ(r->rx, c.rx) << c.handle << " " << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(r->ry, c.ry) << c.handle << " " << c.x << "," << c.y;
    EXPECT_EQ(r->bounds, before);
    EXPECT_EQ(r->x2, 20.0f);
  }
  // Other indices change nothing.
  auto r = Rect(0, 0, 20, 10, 0.1f, 0.2f);
  r->MoveNode(&view, 4, 10, 5, 0);
  r->MoveNode(&view, -1, 10, 5, 0);
  EXPECT_EQ(r->rx, 0.1f);
  EXPECT_EQ(r->ry, 0.2f);
}

TEST_F(RectTest, MoveNodeOnAFlatRectangleKeepsThatAxis) {
  auto flat = Rect(0, 5, 20, 5, 0.3f, 0.4f);  // no height
  flat->MoveNode(&view, 0, 10, 0, 0);
  EXPECT_FLOAT_EQ(flat->rx, 1.0f);
  EXPECT_EQ(flat->ry, 0.4f);
  auto dot = Rect(3, 3, 3, 3, 0.3f, 0.4f);
  dot->MoveNode(&view, 2, 100, -100, 0);
  EXPECT_EQ(dot->rx, 0.3f);
  EXPECT_EQ(dot->ry, 0.4f);
  // A pending transform that cannot be undone changes nothing.
  auto r = Rect(0, 0, 20, 10, 0.3f, 0.4f);
  r->matrix = CMatrix3(1, 1, 1, 1, 0, 0);
  r->MoveNode(&view, 0, 10, 5, 0);
  EXPECT_EQ(r->rx, 0.3f);
  EXPECT_EQ(r->ry, 0.4f);
}

TEST_F(RectTest, NodeDragThroughATransformIsUndone) {
  auto r = Rect(0, 0, 40, 20);
  r->Transform(CMatrix3(2, 0, 0, 2, 10, 10));  // handle 0 on the page at (10, 10)
  view.tool = ID_TOOL_NODE;
  view.undo.StartRecord(0);
  ASSERT_EQ(r->OnLButtonDown(&view, MK_LBUTTON, 10, 10), 1);
  EXPECT_EQ(r->hitIndex, 0);
  r->OnMouseMove(&view, MK_LBUTTON, 30, 20);  // page (30, 20) = own (10, 5)
  r->OnLButtonUp(&view, 0, 30, 20);
  view.undo.EndRecord();
  EXPECT_FLOAT_EQ(r->rx, 0.5f);
  EXPECT_FLOAT_EQ(r->ry, 0.5f);
  ASSERT_EQ(view.undo.GetSize(), 1);
  EXPECT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_FLOAT_EQ(r->rx, 0.0f);
  EXPECT_FLOAT_EQ(r->ry, 0.0f);
}

TEST_F(RectTest, NodeMarksAndDragFeedbackEraseThemselves) {
  auto r = Rect(5, 5, 50, 40, 0.4f, 0.6f);
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { r->DrawNodeMarks(view.dc.get(), nullptr); });
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { r->DrawNodeDragXor(&view, 0, 0, 0); });
  EXPECT_EQ(view.dcTaken, view.dcReleased);
}

TEST_F(RectTest, ConvertsCutsAndDraws) {
  auto r = Rect(1, 1, 11, 6);
  r->color = 0x102030;
  EXPECT_EQ(r->ConvertToPath(5), nullptr);
  std::unique_ptr<CGraphObject> path = r->ConvertToPath(0x102030);
  ASSERT_TRUE(path);
  auto* p = static_cast<CPathObject*>(path.get());
  EXPECT_EQ(p->bounds, CFRect(1, 1, 11, 6));
  RecordingCutter cutter;
  p->PlotToCutter(cutter);
  EXPECT_EQ(cutter.calls,
            (std::vector<std::string>{"MoveTo(1,1)", "LineTo(11,1)", "LineTo(11,6)",
                                      "LineTo(1,6)", "LineTo(1,1)", "OverCut(0)", "EndPolyline"}));
  r->flags = OBJF_FILLED;
  r->color = 0xFF0000;
  CMatrix3 scale(4, 0, 0, 4, 0, 0);
  r->Draw(view.dc.get(), &scale, nullptr);
  EXPECT_EQ(view.dc->GetPixel(20, 12), plat::RGB(255, 0, 0));  // inside, filled
  FakeListBox list;
  r->AddColorToList(&list);
  EXPECT_EQ(list.items, (std::vector<std::string>{"16711680"}));
}

TEST_F(RectTest, OffsetAndSetRect) {
  auto r = Rect(0, 0, 10, 10);
  r->Offset(2, 3);
  EXPECT_EQ(r->x1, 2.0f);
  EXPECT_EQ(r->y2, 13.0f);
  EXPECT_EQ(r->bounds, CFRect(2, 3, 12, 13));
  EXPECT_TRUE(r->matrix.IsIdentity());
  r->SetRect(0, 0, 20, 20);
  EXPECT_EQ(r->bounds, CFRect(0, 0, 20, 20));
  EXPECT_EQ(r->x1, 2.0f);  // the points stay, the transform scales them
  r->Offset(1, 1);
  EXPECT_EQ(r->x1, 2.0f);
  std::unique_ptr<CPathPointList> o(r->MakeOutline(nullptr, 0));
  EXPECT_EQ(r->bounds, CFRect(1, 1, 21, 21));
}
