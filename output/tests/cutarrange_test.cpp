#include "output/cutarrange.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/groupobject.h"
#include "model/guidelist.h"
#include "model/imageobject.h"
#include "model/outarea.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "output/clip.h"
#include "output/cutinfo.h"
#include "platform/report.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

namespace {

std::unique_ptr<CPathObject> Rect(float l, float t, float r, float b, std::uint32_t color = 0) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(l, t, r, b);
  p->EndPoints();
  p->color = color;
  return p;
}

// Every path of the list, groups opened.
void Paths(CGraphObject* o, std::vector<CPathObject*>& out) {
  if (!o) return;
  if (o->kind == OBJ_PATH) out.push_back(static_cast<CPathObject*>(o));
  if (o->kind == OBJ_GROUP)
    for (CGraphObject* c : static_cast<CGroupObject*>(o)->children.Objects()) Paths(c, out);
}
std::vector<CPathObject*> Paths(CSegArray& list) {
  std::vector<CPathObject*> out;
  for (CGraphObject* o : list.Objects()) Paths(o, out);
  return out;
}

std::vector<PathPoint> Points(CPathObject& p) {
  p.ApplyTransform();
  std::vector<PathPoint> out;
  plat::GlobalLockGuard g(p.points);
  const auto* r = g.as<PathPoint>();
  for (int i = 0; i < p.count && r[i].flags != PP_END; ++i) out.push_back(r[i]);
  return out;
}

void ExpectNear(const CFRect& a, const CFRect& b, float tol = 1e-3f) {
  EXPECT_NEAR(a.left, b.left, tol);
  EXPECT_NEAR(a.top, b.top, tol);
  EXPECT_NEAR(a.right, b.right, tol);
  EXPECT_NEAR(a.bottom, b.bottom, tol);
}

CFRect Bounds(CSegArray& list) {
  CFRect b;
  list.GetBoundRect(&b, 0);
  return b;
}

class CutArrangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallOutputServices();
    // Arranged where they lie: no paper saving, mirror or zoom.
    info.savePaper = 0;
    info.mirror = 0;
    info.zoomCut = 1.0f;
    info.textLine = 0;
    // Inside the page, crossing its right edge, an image, outside the page.
    design.Add(Rect(10, 10, 50, 30, 1));
    design.Add(Rect(380, 100, 420, 120, 2));
    auto image = std::make_unique<CImageObject>("photo.bmp");
    image->SetRect(100, 100, 150, 150);
    design.Add(std::move(image));
    design.Add(Rect(500, 10, 520, 20, 1));
  }
  COutArea* Area(float l, float t, float r, float b, bool selected) {
    auto a = std::make_unique<COutArea>(l, t, r, b);
    a->selection = selected ? 1 : 0;
    COutArea* raw = a.get();
    areas.Add(std::move(a));
    return raw;
  }
  void Build(CutAreaWeld& weld = TheCutAreaWeld()) {
    BuildCutArrangement(design, areas, 400, 300, info, out, arrangement, weld);
  }

  CSegArray design, out;
  CGuideList areas;
  CCutInfo info;
  CFRect arrangement;
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
};

// Without output areas: the page's objects, the crossing one cut open at the
// page edge, nothing outside the page and never an image.
TEST_F(CutArrangeTest, WithoutAreasThePageIsClipped) {
  Build();
  std::vector<CPathObject*> paths = Paths(out);
  ASSERT_EQ(paths.size(), 2u);  // the inside rectangle and the crossing one cut open
  EXPECT_EQ(paths[0]->bounds, CFRect(10, 10, 50, 30));
  EXPECT_EQ(paths[1]->bounds, CFRect(380, 100, 400, 120));
  EXPECT_EQ(Points(*paths[1]).back().flags & PP_OPENEND, PP_OPENEND);
  EXPECT_EQ(arrangement, CFRect(0, 0, 400, 300));
  // The colour filter keeps one palette index.
  info.colorFilter = 1;
  info.colorIndex = 1;
  Build();
  paths = Paths(out);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->color, 1u);
}

// Only the selected area gives objects; all areas when none is selected; a
// crossing object is cut at the area's edge into a closed piece; an area at
// the origin puts its objects at 0.1 mm.
TEST_F(CutArrangeTest, SelectedAreasCutTheirObjects) {
  COutArea* first = Area(5, 5, 45, 40, false);   // the first rectangle crosses its right edge
  Area(370, 90, 430, 130, true);                  // holds the second one whole
  Build();
  std::vector<CPathObject*> paths = Paths(out);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->bounds, CFRect(380, 100, 420, 120));

  areas.GetAt(1)->selection = 0;
  first->selection = 1;
  Build();
  paths = Paths(out);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->bounds, CFRect(10, 10, 45, 30));
  std::vector<PathPoint> pts = Points(*paths[0]);
  ASSERT_GE(pts.size(), 4u);
  EXPECT_EQ(pts.back().flags & PP_CLOSEEND, PP_CLOSEEND);
  EXPECT_EQ(pts.front().x, pts.back().x);
  EXPECT_EQ(pts.front().y, pts.back().y);

  first->selection = 0;
  Build();
  EXPECT_EQ(Paths(out).size(), 2u);

  // An open line across the edge keeps its inside part.
  design.Add(std::unique_ptr<CPathObject>([] {
    auto p = new CPathObject;
    p->AddLine(20, 35, 60, 35);
    p->EndPoints();
    return p;
  }()));
  first->selection = 1;
  Build();
  paths = Paths(out);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[1]->bounds, CFRect(20, 35, 45, 35));
  pts = Points(*paths[1]);
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_EQ(pts.back().flags & PP_OPENEND, PP_OPENEND);
  design.Detach(design.GetSize() - 1);
  first->selection = 0;

  // At the origin on both axes: moved so that the area's corner lies at 0.1 mm.
  areas.DeleteAll();
  Area(0.5f, 0, 60, 40, false);
  Build();
  paths = Paths(out);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_FLOAT_EQ(paths[0]->bounds.left, 10 - 0.4f);
  EXPECT_FLOAT_EQ(paths[0]->bounds.top, 10.1f);
}

// A shape library that does not load is reported once; the crossing objects
// are clipped at the edge instead, nothing lost.
TEST_F(CutArrangeTest, MissingShapeLibraryFallsBackToClipping) {
  CutAreaWeld weld;
  weld.lib.SetFileName("NoSuchShapes.dll");
  Area(5, 5, 45, 40, true);
  Build(weld);
  Build(weld);
  EXPECT_EQ(sink.boxes.size(), 1u);
  std::vector<CPathObject*> paths = Paths(out);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->bounds, CFRect(10, 10, 45, 30));
  EXPECT_EQ(Points(*paths[0]).back().flags & PP_OPENEND, PP_OPENEND);
}

// "TextLine" adds each text's frame, grouped with its outline.
TEST_F(CutArrangeTest, TextLineAddsTheTextFrame) {
  StubGlyphSource glyphs;
  design.DeleteAll();
  auto text = std::make_unique<CTextObject>(0, 0, 0, 100, 100);
  text->chars.Add(std::make_unique<CBoxChar>(kGbA, TestAttr()));
  text->chars.Add(std::make_unique<CBoxChar>(kGbB, TestAttr()));
  text->Relayout(nullptr, -1);
  text->Offset(20, 20);
  const CFRect frame = text->MakeBoxOutline()->bounds;
  design.Add(std::move(text));

  Build();
  const std::size_t glyphsOnly = Paths(out).size();
  EXPECT_EQ(glyphsOnly, 2u);
  info.textLine = 1;
  Build();
  std::vector<CPathObject*> paths = Paths(out);
  ASSERT_EQ(paths.size(), glyphsOnly + 1);
  EXPECT_EQ(paths[0]->bounds, frame);
}

// The arrangement on the paper: paper saving moves the objects to 0.1 mm, a
// mirror flips them across the wider of page and objects, the zoom scales.
TEST_F(CutArrangeTest, ArrangementFollowsTheParameters) {
  design.DeleteAll();
  design.Add(Rect(10, 20, 50, 40));
  info.savePaper = 1;
  Build();
  ExpectNear(Bounds(out), CFRect(0.1f, 0.1f, 40.1f, 20.1f));
  ExpectNear(arrangement, CFRect(-9.9f, -19.9f, 390.1f, 280.1f));
  info.savePaper = 0;
  info.mirror = 1;
  info.zoomCut = 2.0f;
  Build();
  EXPECT_EQ(Bounds(out), CFRect(700, 40, 780, 80));
  EXPECT_EQ(arrangement, CFRect(0, 0, 800, 600));
}

// The options page's re-arrangements, each one matrix on the list and the
// arrangement rectangle.
TEST_F(CutArrangeTest, Rearrangements) {
  struct Case {
    CutRearrange op;
    bool savePaper;
    float ratio;
    CFRect list, arrangement;
  } cases[] = {
      {CutRearrange::SavePaper, true, 1, {0, 0, 40, 20}, {-10, -20, 390, 280}},
      {CutRearrange::SavePaper, false, 1, {10, 20, 50, 40}, {0, 0, 400, 300}},
      {CutRearrange::Mirror, true, 1, {0, 0, 40, 20}, {-350, -20, 50, 280}},
      {CutRearrange::Mirror, false, 1, {350, 20, 390, 40}, {0, 0, 400, 300}},
      {CutRearrange::Rotate, true, 1, {0, 0, 20, 40}, {-260, -10, 40, 390}},
      {CutRearrange::Zoom, true, 2, {1, 1, 81, 41}, {-19, -39, 781, 561}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.op) * 10 + c.savePaper);
    CSegArray list;
    list.Add(Rect(10, 20, 50, 40));
    CFRect arr(0, 0, 400, 300);
    ASSERT_TRUE(Rearrange(c.op, list, arr, c.savePaper, c.ratio));
    ExpectNear(Bounds(list), c.list);
    ExpectNear(arr, c.arrangement);
  }
  CSegArray empty;
  CFRect arr(0, 0, 400, 300);
  EXPECT_FALSE(Rearrange(CutRearrange::Mirror, empty, arr, true));
  EXPECT_EQ(arr, CFRect(0, 0, 400, 300));
}

}  // namespace
