// Weld, cut, and, xor, the line and reference cuts and the pattern
// intersection of the design view, through its commands and the library.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd_weld.h"
#include "app_fixture.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
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

class WeldTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    view = StartDesignView(&main);
    ASSERT_NE(view, nullptr);
    doc = view->GetDoc();
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    weldcmd::LibraryFileName() = "Flexoril.dll";
    AppTest::TearDown();
  }
  CPathObject* AddRect(float l, float t, float r, float b, std::uint32_t color = 0, bool select = true) {
    auto p = MakeRectPath(l, t, r, b);
    p->color = color;
    CPathObject* raw = p.release();
    doc->AddObject(raw, false);
    if (select) view->Tracker()->Select(raw);
    return raw;
  }
  void Command(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  void UndoStep() {
    view->Tracker()->Hide(nullptr);
    view->GetUndoList()->UndoLastStep(*view);
    view->Tracker()->GetSelectionRect(nullptr);
    view->Tracker()->Show(nullptr);
  }
  int Selected() {
    int n = 0;
    for (int i = 0; i < doc->GetObjectCount(); ++i) n += doc->GetObjectAt(i)->selected ? 1 : 0;
    return n;
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;
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
