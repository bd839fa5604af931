// Weld, cut, and, xor, the line and reference cuts and the pattern
// intersection of the design view, through its commands and the library.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "app/viewcmd_weld.h"
#include "view_fixture.h"
#include "model/groupobject.h"
#include "model/guideline.h"
#include "model/imageobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/undoitems.h"
#include "platform/gmem.h"

using namespace apptest;

namespace {

// Contours of a path or group as node lists (control points skipped).
void Contours(const CGraphObject* o, std::vector<std::vector<CFPoint>>& out) {
  if (!o) return;
  if (o->kind == OBJ_GROUP) {
    for (const CGraphObject* c : static_cast<const CGroupObject*>(o)->children.Objects()) Contours(c, out);
    return;
  }
  const auto* p = dynamic_cast<const CPathObject*>(o);
  if (!p || !p->points) return;
  plat::GlobalLockGuard g(p->points);
  const auto* r = g.as<PathPoint>();
  for (int i = 0; i < p->count && r[i].flags != PP_END; ++i) {
    if (r[i].flags & PP_SPECIAL) continue;
    CFPoint q{r[i].x, r[i].y};
    p->matrix.TransformPoint(q);
    if ((r[i].flags & PP_START) || out.empty()) out.emplace_back();
    out.back().push_back(q);
  }
}

int ContourCount(const CGraphObject* o) {
  std::vector<std::vector<CFPoint>> c;
  Contours(o, c);
  return int(c.size());
}

// Sum of the contours' unsigned areas.
double Area(const CGraphObject* o) {
  std::vector<std::vector<CFPoint>> cs;
  Contours(o, cs);
  double total = 0.0;
  for (const auto& c : cs) {
    double a = 0.0;
    for (std::size_t i = 0; i < c.size(); ++i) {
      const CFPoint& p = c[i];
      const CFPoint& q = c[(i + 1) % c.size()];
      a += double(p.x) * q.y - double(q.x) * p.y;
    }
    total += std::fabs(a) / 2.0;
  }
  return total;
}

class WeldTest : public StartedViewTest {
 protected:
  WeldTest() : StartedViewTest(kPageView) {}
  void TearDown() override {
    weldcmd::LibraryFileName() = "Flexoril.dll";
    StartedViewTest::TearDown();
  }
  CPathObject* AddRect(float l, float t, float r, float b, std::uint32_t color = 0, bool select = true) {
    auto p = MakeRectPath(l, t, r, b);
    p->color = color;
    return Add(std::move(p), select);
  }
  bool Enabled(fw::UINT id) { return UpdateOf(view, id).enabled; }
  void Drag(CFPoint a, CFPoint b) {
    const fw::POINT p = Dev(a.x, a.y), q = Dev(b.x, b.y);
    view->OnLButtonDown(fw::MK_LBUTTON, p);
    view->OnMouseMove(fw::MK_LBUTTON, fw::POINT{(p.x + q.x) / 2, (p.y + q.y) / 2});
    view->OnMouseMove(fw::MK_LBUTTON, q);
    view->OnLButtonUp(0, q);
  }
  int Selected() {
    int n = 0;
    for (int i = 0; i < doc->GetObjectCount(); ++i) n += doc->GetObjectAt(i)->selected ? 1 : 0;
    return n;
  }
};

}  // namespace

TEST_F(WeldTest, PatternSendsOnlyItsClosedContoursAndKeepsTheSelection) {
  CPathObject* a = AddRect(0, 0, 40, 40);
  CPathObject* b = AddRect(100, 0, 140, 40);
  // Closed square over part of a, an open line across b, a colour record
  // with a far point inside the square's records.
  auto pattern = std::make_unique<CPathObject>();
  pattern->AddPoint(20, 20, 0x11);
  pattern->AddPoint(60, 20, 0x01);
  pattern->AppendPoint(PathPoint{5000, 5000, PP_COLOR});
  pattern->AddPoint(60, 60, 0x01);
  pattern->AddPoint(20, 60, 0x01);
  pattern->AddPoint(20, 20, 0x41);
  pattern->AddPoint(90, 20, 0x11);
  pattern->AddPoint(150, 20, 0x21);
  pattern->EndPoints();
  const std::size_t blocks = plat::GlobalLiveCount();
  std::unique_ptr<CGroupObject> got = view->IntersectPatternWithSelection(pattern.get());
  ASSERT_NE(got, nullptr);
  // Only a meets the square; b meets nothing but the dropped open line.
  ASSERT_EQ(got->GetChildCount(), 1);
  EXPECT_NEAR(Area(got.get()), 20.0 * 20.0, 0.01);
  EXPECT_NEAR(got->bounds.left, 20.0f, 0.01f);
  EXPECT_NEAR(got->bounds.bottom, 40.0f, 0.01f);
  // The selection stays in the document, selected; every block was freed.
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(a->selected, OBJ_SELECTED);
  EXPECT_EQ(b->selected, OBJ_SELECTED);
  got.reset();
  EXPECT_EQ(plat::GlobalLiveCount(), blocks);

  // A copy of one point, a pattern that is no path, none: nothing.
  auto lone = std::make_unique<CPathObject>();
  lone->AddPoint(0, 0, 0x11);
  lone->AddPoint(10, 10, 0x21);
  lone->AddPoint(5, 5, 0x41);
  lone->EndPoints();
  EXPECT_EQ(view->IntersectPatternWithSelection(lone.get()), nullptr);
  std::unique_ptr<CGroupObject> group = MakeGroup();
  EXPECT_EQ(view->IntersectPatternWithSelection(group.get()), nullptr);
  EXPECT_EQ(view->IntersectPatternWithSelection(nullptr), nullptr);
  EXPECT_TRUE(sink.boxes.empty());

  // The library missing: its load message, nothing made.
  weldcmd::LibraryFileName() = "NoSuchFlexoril.dll";
  EXPECT_EQ(view->IntersectPatternWithSelection(pattern.get()), nullptr);
  EXPECT_EQ(sink.boxes.size(), 1u);
}

namespace {

// A square ring: the outer contour one way, the hole the other.
std::unique_ptr<CPathObject> Ring(float x, float y, float size, float hole) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(x, y, x + size, y + size);
  const float a = x + (size - hole) / 2, b = y + (size - hole) / 2;
  p->AddPoint(a, b, 0x11);
  p->AddPoint(a, b + hole, 0x01);
  p->AddPoint(a + hole, b + hole, 0x01);
  p->AddPoint(a + hole, b, 0x01);
  p->AddPoint(a, b, 0x41);
  p->EndPoints();
  return p;
}

}  // namespace

TEST_F(WeldTest, WeldJoinsTheSelectionIntoTheTopmostAndUndoesInOneStep) {
  CPathObject* a = AddRect(0, 0, 40, 40, 0x0000FF);
  CPathObject* b = AddRect(20, 20, 60, 60, 0x00FF00);
  CPathObject* c = AddRect(40, 40, 80, 80, 0xFF0000);
  CPathObject* other = AddRect(200, 200, 210, 210, 0, false);
  const std::size_t blocks = plat::GlobalLiveCount();
  const int steps = Steps();
  Command(32830);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), other);
  auto* welded = dynamic_cast<CPathObject*>(doc->GetObjectAt(1));
  ASSERT_NE(welded, nullptr);
  EXPECT_EQ(ContourCount(welded), 1);
  EXPECT_NEAR(Area(welded), 3 * 1600.0 - 2 * 400.0, 0.01);
  EXPECT_EQ(welded->color, 0xFF0000u);  // the topmost's
  EXPECT_EQ(welded->selected, OBJ_SELECTED);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_LE(plat::GlobalLiveCount(), blocks + 1);  // the result's own points
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b, c, other}));
  EXPECT_EQ(Selected(), 3);

  // A shape and an image: fewer than two shapes, nothing changes.
  view->Tracker()->ClearSelection(nullptr, true);
  auto* image = new CImageObject();
  image->bounds = CFRect(0, 0, 50, 50);
  doc->AddObject(image, false);
  view->Tracker()->Select(image);
  view->Tracker()->Select(a);
  const int before = Steps();
  Command(32830);
  EXPECT_EQ(doc->GetObjectCount(), 5);
  EXPECT_EQ(Steps(), before);
}

TEST_F(WeldTest, OneCallWeldEqualsThePairwiseLoopAndARefusedObjectStays) {
  for (int i = 0; i < 50; ++i) {
    CPathObject* ring = Ring(float(i % 10) * 8.0f, float(i / 10) * 8.0f + float(i % 3), 10.0f, 4.0f).release();
    doc->AddObject(ring, false);
    view->Tracker()->Select(ring);
  }
  const std::vector<CGraphObject*> rings = Objects();
  Command(32830);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  const double area = Area(doc->GetObjectAt(0));
  const int contours = ContourCount(doc->GetObjectAt(0));
  EXPECT_GT(contours, 1);
  UndoStep();
  ASSERT_EQ(Objects(), rings);
  // The loop: the result so far with each lower ring.
  std::unique_ptr<CGraphObject> acc = rings.back()->ConvertToPath(-1);
  for (int i = 48; i >= 0; --i) {
    std::unique_ptr<CGraphObject> r = view->WeldPair(32830, acc.get(), rings[std::size_t(i)]);
    ASSERT_NE(r, nullptr) << i;
    acc = std::move(r);
  }
  EXPECT_NEAR(Area(acc.get()), area, area * 1e-4);
  EXPECT_EQ(ContourCount(acc.get()), contours);

  // Far beyond the library's range: refused, it stays; the others weld.
  Clear();
  CPathObject* far = AddRect(2.0e6f, 0, 2.0e6f + 10, 10);
  AddRect(0, 0, 40, 40);
  AddRect(20, 0, 60, 40);
  Command(32830);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), far);
  EXPECT_NEAR(Area(doc->GetObjectAt(1)), 60.0 * 40.0, 0.01);
  EXPECT_EQ(Selected(), 2);

  // An object without a path form takes no part and stays.
  Clear();
  auto* blank = new CGraphObject();
  blank->bounds = CFRect(0, 0, 5, 5);
  doc->AddObject(blank, false);
  view->Tracker()->Select(blank);
  AddRect(0, 0, 40, 40);
  AddRect(20, 0, 60, 40);
  Command(32830);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), blank);
  EXPECT_NEAR(Area(doc->GetObjectAt(1)), 60.0 * 40.0, 0.01);
}

TEST_F(WeldTest, CutAndXorTakeTwoShapes) {
  struct Case {
    fw::UINT id;
    double area;
    int contours;
  };
  // b over a: the cut takes the lower one out of the upper one.
  const Case cases[] = {{32831, 1600.0 - 400.0, 1}, {32832, 400.0, 1}, {32833, 2 * 1600.0 - 2 * 400.0, 2}};
  for (const Case& k : cases) {
    CPathObject* a = AddRect(0, 0, 40, 40);
    CPathObject* b = AddRect(20, 20, 60, 60);
    EXPECT_TRUE(Enabled(k.id));
    Command(k.id);
    ASSERT_EQ(doc->GetObjectCount(), 1) << k.id;
    EXPECT_NEAR(Area(doc->GetObjectAt(0)), k.area, 0.01) << k.id;
    EXPECT_EQ(ContourCount(doc->GetObjectAt(0)), k.contours) << k.id;
    if (k.id == 32831) {
      // What is left of b: its far corner is still there.
      EXPECT_NEAR(doc->GetObjectAt(0)->bounds.right, 60.0f, 0.01f);
      EXPECT_NEAR(doc->GetObjectAt(0)->bounds.left, 20.0f, 0.01f);
    }
    UndoStep();
    EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b})) << k.id;
    Clear();
  }

  // Enabling: exactly two shapes for cut, and, xor; exactly one for the line cut.
  struct Rule {
    int selected;
    bool image;
    bool two, one;
  };
  const Rule rules[] = {{1, false, false, true},
                        {2, false, true, false},
                        {3, false, false, false},
                        {2, true, false, false},
                        {1, true, false, false}};
  for (const Rule& r : rules) {
    Clear();
    for (int i = 0; i < r.selected; ++i) {
      if (r.image && i == 0) {
        auto* image = new CImageObject();
        image->bounds = CFRect(0, 0, 5, 5);
        doc->AddObject(image, false);
        view->Tracker()->Select(image);
      } else {
        AddRect(float(i) * 10, 0, float(i) * 10 + 5, 5);
      }
    }
    for (fw::UINT id : {32831u, 32832u, 32833u}) EXPECT_EQ(Enabled(id), r.two) << r.selected << r.image << id;
    EXPECT_EQ(Enabled(ID_TOOL_LINE_CUT), r.one) << r.selected << r.image;
  }
}

TEST_F(WeldTest, LineCutSplitsAcrossAndLeavesAMissAlone) {
  CPathObject* rect = AddRect(100, 100, 140, 140);
  Command(ID_TOOL_LINE_CUT);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_LINE_CUT);
  const int steps = Steps();
  // Beside: nothing comes back and the rectangle stays (no step).
  Drag(CFPoint{150, 80}, CFPoint{150, 160});
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{rect}));
  EXPECT_EQ(Steps(), steps);
  // Across: two pieces in one group, selected, in one step.
  Drag(CFPoint{120, 80}, CFPoint{120, 160});
  ASSERT_EQ(doc->GetObjectCount(), 1);
  CGraphObject* cut = doc->GetObjectAt(0);
  EXPECT_NE(cut, rect);
  EXPECT_EQ(ContourCount(cut), 2);
  EXPECT_NEAR(Area(cut), 1600.0, 1.0);
  EXPECT_EQ(cut->selected, OBJ_SELECTED);
  EXPECT_EQ(Steps(), steps + 1);
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{rect}));
}

TEST_F(WeldTest, ReferenceCutFollowsTheGuideAngle) {
  struct Case {
    double angle;
    double smaller;  // area of the smaller piece of the 40 x 40 square
  };
  // The guide passes through (10, 20).
  const double t20 = std::tan(20.0 / 180.0 * 3.1415926);
  const Case cases[] = {{0, 800}, {45, 450}, {90, 400}, {135, 450}, {200, 800 - 400 * t20}};
  auto& guides = view->GetRulers()->GetGuideList();
  for (const Case& k : cases) {
    CPathObject* square = AddRect(0, 0, 40, 40);
    CPathObject* untouched = AddRect(100, 0, 110, 10, 0, false);
    auto* guide = new CGuideLine(10.0f, 20.0f, k.angle);
    guide->selection = 1;
    guides.Add(guide);
    EXPECT_TRUE(Enabled(32887));
    Command(32887);
    std::vector<CGraphObject*> now = Objects();
    ASSERT_EQ(now.size(), 3u) << k.angle;
    EXPECT_EQ(now[0], untouched);
    const double a = Area(now[1]), b = Area(now[2]);
    EXPECT_NEAR(std::min(a, b), k.smaller, 0.05) << k.angle;
    EXPECT_NEAR(a + b, 1600.0, 0.05) << k.angle;
    EXPECT_EQ(Selected(), 0);
    UndoStep();
    EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{square, untouched})) << k.angle;
    Clear();
    guides.DeleteAll();
  }
  // A huge angle folds and cuts; a non-finite one or no guide cuts nothing.
  AddRect(0, 0, 40, 40);
  auto* guide = new CGuideLine(10.0f, 20.0f, 1e30);
  guide->selection = 1;
  guides.Add(guide);
  Command(32887);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  UndoStep();
  guide->angle = std::nan("");
  Command(32887);
  EXPECT_EQ(doc->GetObjectCount(), 1);
  guide->selection = 0;
  EXPECT_FALSE(Enabled(32887));
  Command(32887);
  EXPECT_EQ(doc->GetObjectCount(), 1);
}

TEST_F(WeldTest, AMissingLibraryIsReportedAndChangesNothing) {
  weldcmd::LibraryFileName() = "NoSuchFlexoril.dll";
  CPathObject* a = AddRect(0, 0, 40, 40);
  CPathObject* b = AddRect(20, 20, 60, 60);
  const int steps = Steps();
  for (fw::UINT id : {32830u, 32831u, 32832u, 32833u}) Command(id);
  EXPECT_EQ(sink.boxes.size(), 4u);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b}));
  EXPECT_EQ(Steps(), steps);
}
