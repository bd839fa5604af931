#include "model/ellipseobject.h"

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

constexpr float kPi = 3.1415925f;

std::unique_ptr<CEllipseObject> Ellipse(float x1, float y1, float x2, float y2, float start,
                                        float end, float style = 0) {
  auto e = std::make_unique<CEllipseObject>();
  e->x1 = x1, e->y1 = y1, e->x2 = x2, e->y2 = y2;
  e->start = start, e->end = end, e->style = style;
  std::unique_ptr<CPathPointList>(e->MakeOutline(nullptr, 0));
  return e;
}

Recs Outline(CGraphObject& o) {
  std::unique_ptr<CPathPointList> l(o.MakeOutline(nullptr, 0));
  return l ? RecordsOf(*l) : Recs{};
}

int Contours(const Recs& r) {
  int n = 0;
  for (const PathPoint& p : r)
    if (p.flags < 0x80 && (p.flags & 0x10)) ++n;
  return n;
}

struct EllipseTest : ::testing::Test {
  void SetUp() override { CreateSharedDrawingTools(); }
  FakeView view;
};

}  // namespace

TEST(EllipsePoints, FullEllipseFromTheLeftThroughTheTop) {
  const float k = 0.553f;
  ExpectRecords(RecordsOf(*MakeEllipsePointList(0, 0, 20, 10)),
                {{0, 5, 0x11},
                 {0, 5 - k * 5, 0x00},
                 {10 - k * 10, 0, 0x00},
                 {10, 0, 0x01},
                 {10 + k * 10, 0, 0x00},
                 {20, 5 - k * 5, 0x00},
                 {20, 5, 0x01},
                 {20, 5 + k * 5, 0x00},
                 {10 + k * 10, 10, 0x00},
                 {10, 10, 0x01},
                 {10 - k * 10, 10, 0x00},
                 {0, 5 + k * 5, 0x00},
                 {0, 5, 0x41},
                 {0, 0, 0xFF}});
}

TEST_F(EllipseTest, NewEllipseIsFull) {
  CEllipseObject e;
  EXPECT_EQ(e.kind, OBJ_ELLIPSE);
  EXPECT_EQ(Bits(e.start), 0x3FC90FDAu);
  EXPECT_EQ(Bits(e.end), 0x3FC90FDAu);
  EXPECT_EQ(e.style, 0.0f);
  e.x2 = 20, e.y2 = 10;
  const Recs r = Outline(e);
  ExpectRecords(r, RecordsOf(*MakeEllipsePointList(0, 0, 20, 10)));
  EXPECT_EQ(e.bounds, CFRect(0, 0, 20, 10));
}

TEST_F(EllipseTest, OutlineFlagsByStyle) {
  const float q = kPi / 2;  // a quarter: one piece from (20, 5) to (10, 0)
  struct Case {
    const char* name;
    float style;
    std::vector<int> flags;
    int contours;
  } cases[] = {
      {"open arc", 0, {0x11, 0, 0, 0x21, 0xFF}, 1},
      {"small negative is open", -0.5f, {0x11, 0, 0, 0x21, 0xFF}, 1},
      {"pie", -1, {0x11, 0, 0, 0x01, 0x01, 0x41, 0xFF}, 1},
      {"pie -1.5", -1.5f, {0x11, 0, 0, 0x01, 0x01, 0x41, 0xFF}, 1},
      {"chord", -2, {0x11, 0, 0, 0x01, 0x41, 0xFF}, 1},
      {"chord -7", -7, {0x11, 0, 0, 0x01, 0x41, 0xFF}, 1},
      {"band", 2, {0x11, 0, 0, 0x01, 0x01, 0, 0, 0x01, 0x41, 0xFF}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = Ellipse(0, 0, 20, 10, 0, q, c.style);
    const Recs r = Outline(*e);
    EXPECT_EQ(FlagsOf(r), c.flags);
    EXPECT_EQ(Contours(r), c.contours);
    // Every closed contour ends where it started.
    const float x0 = r.front().x, y0 = r.front().y;
    EXPECT_EQ(x0, 20.0f);
    EXPECT_EQ(y0, 5.0f);
    const PathPoint last = r[r.size() - 2];
    if (last.flags == 0x41) {
      const float lx = last.x, ly = last.y;
      EXPECT_EQ(lx, x0);
      EXPECT_EQ(ly, y0);
    }
  }
  // The pie's centre and the band's inner arc, reversed.
  const Recs pie = Outline(*Ellipse(0, 0, 20, 10, 0, q, -1));
  EXPECT_NEAR(pie[4].x, 10, 1e-5f);
  EXPECT_NEAR(pie[4].y, 5, 1e-5f);
  const Recs band = Outline(*Ellipse(0, 0, 20, 10, 0, q, 2));
  EXPECT_NEAR(band[4].x, 10, 1e-4f);  // inner end (10, 2) first
  EXPECT_NEAR(band[4].y, 2, 1e-4f);
  EXPECT_NEAR(band[7].x, 18, 1e-4f);  // inner start (18, 5) last
  EXPECT_NEAR(band[7].y, 5, 1e-4f);
}

TEST_F(EllipseTest, HandlePositions) {
  view.unitsPerPixel = 0.5;
  auto e = Ellipse(0, 0, 20, 10, 0, kPi, 0);  // the upper half
  CEllipseObject::HandleAt h[6];
  const int n = e->Handles(0.5f, h);
  ASSERT_EQ(n, 5);
  const int order[5] = {0, 1, 2, 4, 5};
  for (int i = 0; i < n; ++i) EXPECT_EQ(h[i].index, order[i]);
  EXPECT_EQ(h[0].at, (CFPoint{10, 5}));
  EXPECT_NEAR(h[1].at.x, 20, 1e-4f);
  EXPECT_NEAR(h[2].at.x, 0, 1e-4f);
  EXPECT_NEAR(h[3].at.y, 0, 1e-4f);   // middle at the top
  EXPECT_NEAR(h[4].at.y, -7.5f, 1e-4f);  // 15 pixels of 0.5 above it
  int index = -7;
  EXPECT_EQ(e->HitTestNode(&view, 10, -7, &index), 1);
  EXPECT_EQ(index, 5);
  EXPECT_EQ(e->HitTestNode(&view, 10, 2.5f, &index), 0);
  EXPECT_EQ(index, -1);

  // A band: the middle on the ellipse is 3, the inner edge 4; the angle
  // handles sit in the middle of the band.
  auto band = Ellipse(0, 0, 20, 10, 0, kPi, 2);
  const int m = band->Handles(1, h);
  ASSERT_EQ(m, 6);
  EXPECT_EQ(h[3].index, 3);
  EXPECT_NEAR(h[3].at.y, 0, 1e-4f);
  EXPECT_EQ(h[4].index, 4);
  EXPECT_NEAR(h[4].at.y, 2, 1e-4f);
  EXPECT_NEAR(h[1].at.x, 19, 1e-4f);

  // The full ellipse has no end handle; its middle is opposite the start.
  auto full = Ellipse(0, 0, 20, 10, 0, 0);
  ASSERT_EQ(full->Handles(1, h), 4);
  EXPECT_NEAR(h[2].at.x, 0, 1e-4f);
}

TEST_F(EllipseTest, MiddleHandleSetsTheStyle) {
  struct Case {
    float x, y;
    float style;
  } cases[] = {
      {20, 10, -1},   // the centre: a pie
      {20, 7.5f, -1}, // within 3 pixels of it
      {20, -5, -2},   // outside: a chord
      {20, 1.5f, 0},  // on the ellipse within 2 pixels: the open arc
      {20, 4, 4},     // between: a band whose inner edge follows
  };
  for (const Case& c : cases) {
    auto e = Ellipse(0, 0, 40, 20, 0, kPi, 0);
    e->MoveNode(&view, CEllipseObject::kMiddle, c.x, c.y, 0);
    EXPECT_NEAR(e->style, c.style, 1e-5f) << c.x << "," << c.y;
    EXPECT_EQ(e->x2, 40.0f);
  }
}

TEST_F(EllipseTest, BandOuterHandleGrowsTheRectangle) {
  auto e = Ellipse(0, 0, 20, 10, 0, kPi, 2);
  e->MoveNode(&view, CEllipseObject::kBandOuter, 10, -3, 0);  // 8 from the centre
  // Inner edge at 3 from the centre stays: width 5, rectangle grown by 3.
  EXPECT_NEAR(e->style, 5, 1e-5f);
  EXPECT_NEAR(e->y1, -3, 1e-5f);
  EXPECT_NEAR(e->x2, 23, 1e-5f);
  auto snap = Ellipse(0, 0, 20, 10, 0, kPi, 2);
  snap->MoveNode(&view, CEllipseObject::kBandOuter, 10, 2.5f, 0);  // onto the inner edge
  EXPECT_EQ(snap->style, 0.0f);
  snap->MoveNode(&view, CEllipseObject::kBandOuter, 10, 4.5f, 0);  // near the centre
  EXPECT_EQ(snap->style, -1.0f);
}

TEST_F(EllipseTest, AngleHandlesSnapShut) {
  auto e = Ellipse(0, 0, 20, 10, 0, kPi / 2);
  e->MoveNode(&view, CEllipseObject::kStartHandle, 0, 5, 0);  // the left
  EXPECT_NEAR(e->start, kPi, 1e-5f);
  EXPECT_FALSE(e->IsFull());
  e->MoveNode(&view, CEllipseObject::kStartHandle, 10.5f, 0.2f, 0);  // within 2 px of the end
  EXPECT_TRUE(e->IsFull());
  const Recs r = Outline(*e);
  EXPECT_EQ(r.size(), 14u);  // the whole ellipse again
  auto f = Ellipse(0, 0, 20, 10, 0, kPi / 2);
  f->MoveNode(&view, CEllipseObject::kEndHandle, 20.5f, 6, 0);
  EXPECT_TRUE(f->IsFull());
  EXPECT_EQ(f->end, 0.0f);
}

TEST_F(EllipseTest, RotationHandleTurnsTheArc) {
  auto e = Ellipse(-10, -10, 10, 10, 0, kPi / 2);
  // The middle is at 45 degrees; drag it to 135.
  e->MoveNode(&view, CEllipseObject::kRotation, -10, -10, 0);
  EXPECT_NEAR(e->start, kPi / 2, 1e-5f);
  EXPECT_NEAR(e->end, kPi, 1e-5f);
  // Across zero: both angles stay in 0..2 pi, the end not below the start.
  e->MoveNode(&view, CEllipseObject::kRotation, 10, 0, 0);
  EXPECT_GE(e->start, 0.0f);
  EXPECT_LE(e->start, 6.283185f);
  EXPECT_GE(e->end, e->start);
  EXPECT_NEAR(e->end - e->start, kPi / 2, 1e-5f);

  // Huge angles are brought back in one step; the full ellipse stays full.
  for (float a : {3.0e9f, -3.0e9f, 1.0e38f}) {
    auto h = Ellipse(-10, -10, 10, 10, a, a + std::fabs(a) * 1e-6f);
    h->MoveNode(&view, CEllipseObject::kRotation, 0, -12, 0);
    EXPECT_TRUE(std::isfinite(h->start) && std::isfinite(h->end)) << a;
    EXPECT_GE(h->start, 0.0f);
    EXPECT_LE(h->end, 2 * 6.283185f);
  }
  auto full = Ellipse(-10, -10, 10, 10, 1, 1);
  full->MoveNode(&view, CEllipseObject::kRotation, 0, 12, 0);
  EXPECT_TRUE(full->IsFull());
  EXPECT_NEAR(full->start, 3 * kPi / 2 - kPi, 1e-5f);
}

TEST_F(EllipseTest, CentreHandleMovesTheEllipse) {
  auto e = Ellipse(0, 0, 20, 10, 0, kPi);
  e->MoveNode(&view, CEllipseObject::kCentre, 30, 30, 0);
  EXPECT_EQ(e->x1, 20.0f);
  EXPECT_EQ(e->y1, 25.0f);
  EXPECT_EQ(e->x2, 40.0f);
  EXPECT_NEAR(e->bounds.left, 20, 1e-4f);
  EXPECT_NEAR(e->bounds.top, 25, 1e-4f);
  // A transform that cannot be undone changes nothing.
  e->matrix = CMatrix3(0, 0, 0, 0, 1, 1);
  e->MoveNode(&view, CEllipseObject::kCentre, 0, 0, 0);
  EXPECT_EQ(e->x1, 20.0f);
}

TEST_F(EllipseTest, RotatedEllipseBoundsAndHit) {
  auto e = Ellipse(-20, -5, 20, 5, 0, 0);
  e->Transform(*MakeRotateMatrixAt(0, 0, 90));
  EXPECT_NEAR(e->bounds.top, -20, 0.2f);
  EXPECT_NEAR(e->bounds.bottom, 20, 0.2f);
  EXPECT_NEAR(e->bounds.left, -5, 0.2f);
  EXPECT_EQ(e->HitTest(&view, 0, -19.8f), 1);
  EXPECT_EQ(e->HitTest(&view, 19.8f, 0), 0);
}

TEST_F(EllipseTest, EveryFieldRoundTrips) {
  auto e = Ellipse(1, 2, 30, 40, 0.5f, 2.5f, -2);
  e->flags = 0x0107;
  e->matrix = CMatrix3(1, 2, 3, 4, 5, 6);
  e->bounds = CFRect(-1, -2, -3, -4);
  e->color = 0x00010203;
  e->reserved = 0x99887766;
  std::vector<std::uint8_t> b = RecordBlock(*e);
  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), b.size());
  ASSERT_TRUE(back);
  ASSERT_EQ(back->kind, OBJ_ELLIPSE);
  auto* o = static_cast<CEllipseObject*>(back.get());
  EXPECT_EQ(o->x2, 30.0f);
  EXPECT_EQ(o->start, 0.5f);
  EXPECT_EQ(o->end, 2.5f);
  EXPECT_EQ(o->style, -2.0f);
  EXPECT_EQ(o->matrix, e->matrix);
  EXPECT_EQ(o->bounds, e->bounds);
  EXPECT_EQ(o->color, 0x00010203u);
  EXPECT_EQ(o->reserved, 0x99887766u);
  EXPECT_EQ(RecordBlock(*o), b);
  // A stray kind byte does not make another class of it.
  b[5] = OBJ_PATH;
  back = CreateObjectFromRecord(b.data(), b.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->kind, OBJ_ELLIPSE);
}

TEST_F(EllipseTest, NodeMarksEraseThemselves) {
  for (float style : {0.0f, 3.0f}) {
    auto e = Ellipse(10, 10, 50, 40, 0.3f, 2.0f, style);
    ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { e->DrawNodeMarks(view.dc.get(), nullptr); });
    ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { e->DrawNodeDragXor(&view, 1, 0, 0); });
  }
}

TEST_F(EllipseTest, ConvertsAndCuts) {
  auto e = Ellipse(0, 0, 20, 10, 0, kPi / 2, -1);
  e->color = 0x0A0B0C;
  EXPECT_EQ(e->ConvertToPath(1), nullptr);
  std::unique_ptr<CGraphObject> path = e->ConvertToPath(-1);
  ASSERT_TRUE(path);
  auto* p = static_cast<CPathObject*>(path.get());
  EXPECT_EQ(p->color, 0x0A0B0Cu);
  RecordingCutter cutter;
  p->PlotToCutter(cutter);
  ASSERT_EQ(cutter.calls.size(), 6u);
  EXPECT_EQ(cutter.calls[0], "MoveTo(20,5)");
  EXPECT_EQ(cutter.calls[2], "LineTo(10,5)");
  EXPECT_EQ(cutter.calls[3], "LineTo(20,5)");
  FakeListBox list;
  e->AddColorToList(&list);
  EXPECT_EQ(list.items, (std::vector<std::string>{std::to_string(0x0A0B0C)}));
}

TEST(EllipsePaths, ArcEllipseAndPie) {
  EXPECT_EQ(MakeArcPath(0, 0, 20, 10, 1, 1), nullptr);
  std::unique_ptr<CPathObject> arc = MakeArcPath(0, 0, 20, 10, 0, kPi);
  ASSERT_TRUE(arc);
  EXPECT_EQ(FlagsOf(RecordsOf(*arc)), (std::vector<int>{0x11, 0, 0, 0x01, 0, 0, 0x21, 0xFF}));
  EXPECT_NEAR(arc->bounds.top, 0, 1e-5f);
  EXPECT_NEAR(arc->bounds.bottom, 5, 1e-5f);
  std::unique_ptr<CPathObject> ellipse = MakeEllipsePath(0, 0, 20, 10);
  ASSERT_TRUE(ellipse);
  EXPECT_EQ(ellipse->bounds, CFRect(0, 0, 20, 10));
  EXPECT_EQ(RecordsOf(*ellipse).size(), 14u);

  EXPECT_EQ(MakePiePath(0, 0, 20, 10, 1, 1.0009f), nullptr);
  std::unique_ptr<CPathObject> pie = MakePiePath(0, 0, 20, 10, 0, kPi / 2);
  ASSERT_TRUE(pie);
  const Recs r = RecordsOf(*pie);
  EXPECT_EQ(FlagsOf(r), (std::vector<int>{0x11, 0, 0, 0x01, 0x01, 0x41, 0xFF}));
  const float cx = r[4].x, cy = r[4].y, ex = r[5].x, ey = r[5].y;
  EXPECT_EQ(cx, 10.0f);
  EXPECT_EQ(cy, 5.0f);
  EXPECT_EQ(ex, 20.0f);
  EXPECT_EQ(ey, 5.0f);
}

TEST(EllipsePaths, ConcentricEllipses) {
  std::unique_ptr<CPathObject> p = MakeConcentricEllipses(50, 50, "10,20", "5");
  ASSERT_TRUE(p);
  std::vector<std::unique_ptr<CPathObject>> parts;
  p->SplitContours(parts);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0]->bounds, CFRect(40, 45, 60, 55));  // 10 x 5
  EXPECT_EQ(parts[1]->bounds, CFRect(30, 30, 70, 70));  // 20 x 20
  // A zero field of the y list falls back on x as well.
  std::unique_ptr<CPathObject> q = MakeConcentricEllipses(0, 0, "4", "0");
  ASSERT_TRUE(q);
  EXPECT_EQ(q->bounds, CFRect(-4, -4, 4, 4));
  EXPECT_EQ(MakeConcentricEllipses(0, 0, "", "5"), nullptr);
  EXPECT_EQ(MakeConcentricEllipses(0, 0, "0,x", "5"), nullptr);
}

TEST_F(EllipseTest, StyleDragIsUndone) {
  auto e = Ellipse(0, 0, 40, 20, 0, kPi, 0);  // middle handle at (20, 0)
  view.tool = ID_TOOL_NODE;
  view.undo.StartRecord(0);
  ASSERT_EQ(e->OnLButtonDown(&view, MK_LBUTTON, 20, 0), 1);
  EXPECT_EQ(e->hitIndex, CEllipseObject::kMiddle);
  e->OnMouseMove(&view, MK_LBUTTON, 20, 10);  // onto the centre: a pie
  e->OnLButtonUp(&view, 0, 20, 10);
  view.undo.EndRecord();
  EXPECT_EQ(e->style, -1.0f);
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(e->style, 0.0f);  // the handle back on the ellipse: the open arc
}
