#include "model/polygonobject.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "model/records.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"
#include "model/tests/shape_fixtures.h"

using namespace shapetest;

namespace {

constexpr float kPi = 3.1415925f;

std::unique_ptr<CPolygonObject> Polygon(int n, float r1, float start = 0, float r2 = 0,
                                        float offset = 0, float band = 0) {
  auto p = std::make_unique<CPolygonObject>();
  p->sides = n, p->r1 = r1, p->start = start, p->r2 = r2, p->offset = offset, p->band = band;
  p->cx = 50, p->cy = 50;
  std::unique_ptr<CPathPointList>(p->MakeOutline(nullptr, 0));
  return p;
}

Recs Outline(CGraphObject& o) {
  std::unique_ptr<CPathPointList> l(o.MakeOutline(nullptr, 0));
  return l ? RecordsOf(*l) : Recs{};
}

struct PolygonTest : ::testing::Test {
  void SetUp() override { CreateSharedDrawingTools(); }
  FakeView view;
};

}  // namespace

TEST_F(PolygonTest, NewPolygonIsOneClosedContourOfSixPoints) {
  CPolygonObject p;
  EXPECT_EQ(p.kind, OBJ_POLYGON);
  EXPECT_EQ(p.r1, 100.0f);
  EXPECT_EQ(p.sides, 5);
  const Recs r = Outline(p);
  EXPECT_EQ(FlagsOf(r), (std::vector<int>{0x11, 1, 1, 1, 1, 0x41, 0xFF}));
  const float x0 = r[0].x, y0 = r[0].y, x5 = r[5].x, y5 = r[5].y;
  EXPECT_EQ(x0, 100.0f);  // angle 0: straight right of the centre
  EXPECT_EQ(y0, 0.0f);
  EXPECT_EQ(x5, x0);  // the closing point is the first exactly
  EXPECT_EQ(y5, y0);
  // Counter-clockwise with y up: the second vertex above the first.
  const float y1 = r[1].y;
  EXPECT_LT(y1, 0.0f);
  EXPECT_NEAR(p.bounds.right, 100, 1e-4f);
}

TEST_F(PolygonTest, OutlineShapes) {
  struct Case {
    const char* name;
    int n;
    float r2, offset, band;
    int contours, perContour;
  } cases[] = {
      {"plain", 4, 0, 0, 0, 1, 5},
      {"offset but equal radii", 4, 20, 0.3f, 0, 1, 5},
      {"star", 4, 10, kPi / 4, 0, 1, 9},
      {"banded plain", 3, 0, 0, 2, 2, 4},
      {"banded star", 5, 10, kPi / 5, 2, 2, 11},
      {"one side", 1, 0, 0, 0, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = Polygon(c.n, 20, 0, c.r2, c.offset, c.band);
    const Recs r = Outline(*p);
    ASSERT_EQ(r.size(), std::size_t(c.contours * c.perContour + 1));
    for (int k = 0; k < c.contours; ++k) {
      const std::size_t first = std::size_t(k * c.perContour), last = first + c.perContour - 1;
      EXPECT_EQ(r[first].flags, 0x11);
      EXPECT_EQ(r[last].flags, 0x41);
      for (std::size_t i = first + 1; i < last; ++i) EXPECT_EQ(r[i].flags, 0x01) << i;
      const float fx = r[first].x, lx = r[last].x;
      EXPECT_EQ(fx, lx);
      // The second contour's radii are less the band width.
      const float d = std::hypot(r[first].x - 50.0f, r[first].y - 50.0f);
      EXPECT_NEAR(d, 20 - (k ? c.band : 0), 1e-4f);
    }
    if (c.offset != 0 && c.r2 != 20) {
      const float d = std::hypot(r[1].x - 50.0f, r[1].y - 50.0f);
      EXPECT_NEAR(d, c.r2, 1e-4f);
    }
  }
}

TEST_F(PolygonTest, SidesOutOfRangeGiveNoOutlineButRoundTrip) {
  for (int n : {0, -3, 100001, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(n);
    auto p = Polygon(n, 20);
    EXPECT_FALSE(p->HasOutline());
    p->bounds = CFRect(1, 2, 3, 4);
    EXPECT_EQ(p->MakeOutline(nullptr, 0), nullptr);
    EXPECT_EQ(p->ConvertToPath(-1), nullptr);
    p->Draw(view.dc.get(), nullptr, nullptr);
    p->Transform(CMatrix3(2, 0, 0, 2, 0, 0));
    int index = 0;
    p->HitTestNode(&view, 70, 50, &index);
    p->MoveNode(&view, CPolygonObject::kInner, 60, 60, MK_SHIFT);
    EXPECT_TRUE(std::isfinite(p->offset));
    std::vector<std::uint8_t> b = RecordBlock(*p);
    std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), b.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(static_cast<CPolygonObject*>(back.get())->sides, n);
    EXPECT_EQ(RecordBlock(*back), b);
  }
  CPolygonObject most;
  most.sides = 100000;
  EXPECT_TRUE(most.HasOutline());
  most.sides = 1;
  EXPECT_TRUE(most.HasOutline());
}

TEST_F(PolygonTest, Handles) {
  // A plain triangle pointing up: handle 2 is the middle of the edge from
  // the first to the last vertex.
  auto p = Polygon(3, 20, kPi / 2);
  EXPECT_EQ(p->Handle(0), (CFPoint{50, 50}));
  EXPECT_NEAR(p->Handle(1).x, 50, 1e-4f);
  EXPECT_NEAR(p->Handle(1).y, 30, 1e-4f);
  const Recs r = Outline(*p);
  const float midx = (r[0].x + r[2].x) / 2, midy = (r[0].y + r[2].y) / 2;
  EXPECT_NEAR(p->Handle(2).x, midx, 1e-4f);
  EXPECT_NEAR(p->Handle(2).y, midy, 1e-4f);
  // A star: the first inner vertex.
  auto s = Polygon(5, 20, 0, 8, 0.2f);
  EXPECT_NEAR(s->Handle(2).x, 50 + 8 * std::cos(0.2f), 1e-4f);
  EXPECT_NEAR(s->Handle(2).y, 50 - 8 * std::sin(0.2f), 1e-4f);

  int index = 9;
  EXPECT_EQ(s->HitTestNode(&view, 69, 50, &index), 1);
  EXPECT_EQ(index, 1);
  // Handle 3 anywhere on the circle of R2 - w.
  s->band = 3;
  EXPECT_EQ(s->HitTestNode(&view, 50, 55.5f, &index), 1);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(s->HitTestNode(&view, 50 - 5 / std::sqrt(2.0f), 50 - 5 / std::sqrt(2.0f), &index),
            1);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(s->HitTestNode(&view, 50, 40, &index), 0);
  EXPECT_EQ(index, -1);
}

TEST_F(PolygonTest, MoveNode) {
  auto p = Polygon(5, 20);
  p->MoveNode(&view, CPolygonObject::kOuter, 50, 20, 0);  // straight up, 30 away
  EXPECT_NEAR(p->start, kPi / 2, 1e-5f);
  EXPECT_NEAR(p->r1, 30, 1e-5f);
  EXPECT_NEAR(p->bounds.top, 20, 1e-4f);

  // Handle 2 makes a star; with Shift symmetric whatever the angle.
  p->MoveNode(&view, CPolygonObject::kInner, 60, 40, 0);
  EXPECT_NEAR(p->offset, kPi / 4 - kPi / 2, 1e-5f);
  EXPECT_NEAR(p->r2, std::sqrt(200.0f), 1e-4f);
  EXPECT_TRUE(p->IsStar());
  p->MoveNode(&view, CPolygonObject::kInner, 45, 58, MK_SHIFT);
  EXPECT_FLOAT_EQ(p->offset, kPi / 5);
  EXPECT_NEAR(p->r2, std::hypot(5.0f, 8.0f), 1e-4f);

  // Handle 3: off the R2 circle sets the band, back onto it clears it.
  p->r2 = 10;
  p->MoveNode(&view, CPolygonObject::kBand, 50, 56, 0);
  EXPECT_NEAR(p->band, 4, 1e-5f);
  p->MoveNode(&view, CPolygonObject::kBand, 50, 59, 0);
  EXPECT_EQ(p->band, 0.0f);

  p->MoveNode(&view, CPolygonObject::kCentre, 10, 20, 0);
  EXPECT_EQ(p->cx, 10.0f);
  EXPECT_EQ(p->cy, 20.0f);
  // A singular pending transform changes nothing.
  p->matrix = CMatrix3(1, 1, 2, 2, 0, 0);
  p->MoveNode(&view, CPolygonObject::kCentre, 0, 0, 0);
  EXPECT_EQ(p->cx, 10.0f);
}

TEST_F(PolygonTest, MovesTransformsAndRecords) {
  auto p = Polygon(4, 10);
  p->Offset(5, 5);
  EXPECT_EQ(p->cx, 55.0f);
  p->Transform(*MakeRotateMatrixAt(55, 50, 45));
  // Bounds follow the turned outline at once.
  EXPECT_NEAR(p->bounds.right - p->bounds.left, 10 * std::sqrt(2.0f), 1e-3f);
  p->Offset(1, 0);
  EXPECT_EQ(p->cx, 55.0f);
  p->flags = 0x0100;
  p->color = 0x00FEDCBA;
  p->r2 = 3, p->offset = 0.7f, p->band = 1.5f;
  std::vector<std::uint8_t> b = RecordBlock(*p);
  std::unique_ptr<CGraphObject> back = CreateObjectFromRecord(b.data(), b.size());
  ASSERT_TRUE(back);
  auto* o = static_cast<CPolygonObject*>(back.get());
  EXPECT_EQ(o->matrix, p->matrix);
  EXPECT_EQ(o->r2, 3.0f);
  EXPECT_EQ(o->offset, 0.7f);
  EXPECT_EQ(o->band, 1.5f);
  EXPECT_EQ(o->color, 0x00FEDCBAu);
  EXPECT_EQ(RecordBlock(*o), b);
  // Filled, converted and cut.
  FakeListBox list;
  o->AddColorToList(&list);
  EXPECT_EQ(list.items.size(), 1u);
  std::unique_ptr<CGraphObject> path = o->ConvertToPath(-1);
  ASSERT_TRUE(path);
  RecordingCutter cutter;
  static_cast<CPathObject*>(path.get())->PlotToCutter(cutter);
  int overcuts = 0;
  for (const std::string& c : cutter.calls) overcuts += c.rfind("OverCut", 0) == 0;
  EXPECT_EQ(overcuts, 2);  // two closed contours: outer and band
}

TEST_F(PolygonTest, NodeMarksEraseThemselves) {
  auto p = Polygon(5, 20, 0, 8, 0.3f, 2);
  p->cx = 32, p->cy = 32;
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { p->DrawNodeMarks(view.dc.get(), nullptr); });
  ExpectDrawnTwiceErased([&] { return view.Pixels(); }, [&] { p->DrawNodeDragXor(&view, 0, 0, 0); });
}
