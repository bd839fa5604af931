// The design view's arrangement and layout commands through WM_COMMAND: group,
// combine, convert, align, order, select all, auto fill, spacing, the arch,
// glyph cuts, adding to a graphic library and the new seal; each undone.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/settingsload.h"
#include "app/viewcmd.h"
#include "view_fixture.h"
#include "framework/dialog.h"
#include "framework/menu.h"
#include "model/ellipseobject.h"
#include "model/flexoril.h"
#include "model/rectobject.h"
#include "model/records.h"
#include "model/settings.h"
#include "platform/gmem.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/glyphsource.h"
#include "text/textattr.h"
#include "text/libbrowser.h"
#include "text/sealobject.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

// Converts to an empty path: nothing to combine.
class HollowObject : public CGraphObject {
 public:
  HollowObject() { bounds = CFRect(0, 0, 10, 10); }
  std::unique_ptr<CGraphObject> ConvertToPath(int) override { return std::make_unique<CPathObject>(); }
};

// Every glyph two overlapping squares: welded, one contour.
class OverlapGlyphs : public CGlyphSource {
 public:
  int FindSlot(std::uint8_t) override { return 0; }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t, std::uint16_t) override {
    auto l = std::make_unique<CPathPointList>();
    for (float x : {100.0f, 400.0f}) {
      l->AddPoint(x, 100, PP_START | PP_NODE);
      l->AddPoint(x + 500, 100, PP_NODE);
      l->AddPoint(x + 500, 600, PP_NODE);
      l->AddPoint(x, 600, PP_NODE);
      l->AddPoint(x, 100, PP_CLOSEEND | PP_NODE);
    }
    l->EndPoints();
    return l;
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t, GlyphMetrics& m) override {
    m.blackBoxX = m.blackBoxY = 1024;
    m.advanceX = 1024;
    return true;
  }
};

int Contours(const CPathPointList& l) {
  pathrec::Records r(l.points);
  int n = 0;
  for (std::size_t i = 0; i < r.n && i < std::size_t(l.count); ++i)
    if (r.p[i].flags < PP_SPECIAL && (r.p[i].flags & PP_START)) ++n;
  return n;
}

CRectObject* Rect(float l, float t, float r, float b) {
  auto* o = new CRectObject();
  o->x1 = l, o->y1 = t, o->x2 = r, o->y2 = b;
  o->bounds = CFRect(l, t, r, b);
  return o;
}

CEllipseObject* Ellipse(float l, float t, float r, float b) {
  auto* o = new CEllipseObject();
  o->x1 = l, o->y1 = t, o->x2 = r, o->y2 = b;
  o->bounds = CFRect(l, t, r, b);
  return o;
}

int Contours(const CGraphObject* o) {
  auto* p = dynamic_cast<const CPathObject*>(o);
  if (!p || !p->points) return 0;
  pathrec::Records r(p->points);
  int n = 0;
  for (std::size_t i = 0; i < r.n && i < std::size_t(p->count); ++i)
    if (r.p[i].flags < PP_SPECIAL && (r.p[i].flags & PP_START)) ++n;
  return n;
}

class ArrangeTest : public StartedViewTest {
 protected:
  ArrangeTest() : StartedViewTest(kPageView) {}
  void SetUp() override {
    StartedViewTest::SetUp();
    fw::PumpPendingMessages();
  }
  void TearDown() override {
    viewcmd::ShapeLibraryName() = flexoril::kFileName;
    StartedViewTest::TearDown();
  }

  // Objects into the document, the marked ones selected.
  template <class... O>
  void Put(O*... objects) {
    (doc->AddObject(objects, false), ...);
  }
  void Select(std::initializer_list<CGraphObject*> objects) {
    for (int i = 0; i < doc->GetObjectCount(); ++i) doc->GetObjectAt(i)->selected = 0;
    for (CGraphObject* o : objects) o->selected = 1;
    view->Tracker()->GetSelectionRect(nullptr);
  }
  std::vector<std::uint32_t> Selected() const {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < doc->GetObjectCount(); ++i) out.push_back(doc->GetObjectAt(i)->selected);
    return out;
  }
  void UndoStep() { ASSERT_TRUE(StartedViewTest::UndoStep()); }
};

TEST_F(ArrangeTest, GroupKeepsTheMembersOrderAndUndoPutsThemBack) {
  auto *a = MakeRectPath(0, 0, 10, 10).release(), *b = MakeRectPath(20, 0, 30, 10).release(),
       *c = MakeRectPath(40, 0, 50, 10).release();
  Put(a, b, c);

  // One selected object makes no group and no step.
  Select({b});
  const int steps = Steps();
  Command(40036);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b, c}));
  EXPECT_EQ(Steps(), steps);

  Select({a, c});
  Command(40036);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), b);
  auto* group = dynamic_cast<CGroupObject*>(doc->GetObjectAt(1));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->kind, OBJ_GROUP);
  EXPECT_EQ(group->GetChild(0), a);
  EXPECT_EQ(group->GetChild(1), c);
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(a->selected, 0u);
  EXPECT_EQ(view->Tracker()->GetSelectedCount(), 1);
  EXPECT_FLOAT_EQ(group->bounds.left, 0.0f);
  EXPECT_FLOAT_EQ(group->bounds.right, 50.0f);

  // The group goes (its members do not) and each member is back at its place.
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b, c}));
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{1, 0, 1}));
}

TEST_F(ArrangeTest, UngroupAppliesTheGroupMatrixAndUndoRestoresTheGroup) {
  auto* x = MakeRectPath(200, 200, 210, 210).release();
  auto* y = MakeRectPath(300, 200, 310, 210).release();
  CGroupObject* group = MakeGroup().release();  // rectangle 40 x 20 and a line
  group->matrix = *MakeRotateMatrixAt(30.0f, 25.0f, 90.0f);
  group->RecalcChildBounds();
  Put(x, group, y);
  CGraphObject* rect = group->GetChild(0);
  CGraphObject* line = group->GetChild(1);
  Select({group});

  Command(40037);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{x, y, rect, line}));
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 0, 1, 1}));
  // A quarter turn: the 40 x 20 rectangle stands 20 x 40.
  EXPECT_NEAR(rect->bounds.Width(), 20.0f, 1e-3f);
  EXPECT_NEAR(rect->bounds.Height(), 40.0f, 1e-3f);

  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{x, group, y}));
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 1, 0}));
  ASSERT_EQ(group->GetChildCount(), 2);
  EXPECT_NEAR(rect->bounds.Width(), 40.0f, 1e-3f);
  EXPECT_NEAR(rect->bounds.Height(), 20.0f, 1e-3f);
}

// Steps dropped from the undo list free what they alone hold: the dissolved
// group goes, its children stay (ASan tells double frees and leaks).
TEST_F(ArrangeTest, DroppedGroupAndUngroupStepsFreeOnlyWhatTheyHold) {
  auto *a = MakeRectPath(0, 0, 10, 10).release(), *b = MakeRectPath(20, 0, 30, 10).release();
  CGroupObject* nested = MakeGroup().release();
  nested->matrix = *MakeRotateMatrixAt(30.0f, 25.0f, 45.0f);
  nested->RecalcChildBounds();
  Put(a, b, nested);
  Select({nested});
  Command(40037);  // the nested group now lives in its undo item only
  ASSERT_EQ(doc->GetObjectCount(), 4);
  Select({a, b});
  Command(40036);  // a group the document holds
  Command(40037);  // and dissolved again
  ASSERT_EQ(doc->GetObjectCount(), 4);
  // More steps than the list keeps: the steps above are dropped unrun.
  for (int i = 0; i < view->GetUndoList()->GetStepLimit() + 2; ++i) Command(40080 + i % 7);
  EXPECT_EQ(doc->GetObjectCount(), 4);
  for (CGraphObject* o : Objects()) EXPECT_NE(o->kind, OBJ_GROUP);
  // A group undone and then dropped stays the document's.
  Select({a, b});
  Command(40036);
  CGraphObject* group = doc->GetObjectAt(doc->GetObjectCount() - 1);
  Command(40037);
  UndoStep();
  EXPECT_EQ(doc->GetObjectAt(doc->GetObjectCount() - 1), group);
  for (int i = 0; i < view->GetUndoList()->GetStepLimit() + 2; ++i) Command(40080 + i % 7);
  EXPECT_EQ(doc->GetObjectAt(doc->GetObjectCount() - 1), group);
}

TEST_F(ArrangeTest, CombineSeparateAndConvertToGlyphs) {
  auto *p = MakeRectPath(0, 0, 10, 10).release(), *q = MakeRectPath(20, 0, 30, 10).release();
  CRectObject* r = Rect(40, 0, 50, 10);
  Put(p, q, r);

  // One path with a shape: fewer than two paths, nothing happens.
  Select({p, r});
  int steps = Steps();
  Command(40038);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r}));
  EXPECT_EQ(Steps(), steps);

  // Two paths, a shape and a text: the shape and the text are only unselected.
  auto* text = new CTextObject(0, 10.0f, 100.0f, 300.0f, 100.0f);
  Put(text);
  Select({p, q, r, text});
  Command(40038);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  EXPECT_EQ(doc->GetObjectAt(0), r);
  EXPECT_EQ(doc->GetObjectAt(1), text);
  CGraphObject* combined = doc->GetObjectAt(2);
  EXPECT_EQ(combined->kind, OBJ_PATH);
  EXPECT_EQ(Contours(combined), 2);
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 0, 1}));
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r, text}));
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{1, 1, 1, 1}));
  doc->RemoveObject(text);
  delete text;

  // Separate: one path a contour, selected; Undo brings the whole path back.
  Select({p, q});
  Command(40038);
  combined = doc->GetObjectAt(1);
  Select({combined});
  Command(40039);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 1, 1}));
  EXPECT_EQ(Contours(doc->GetObjectAt(1)), 1);
  EXPECT_EQ(Contours(doc->GetObjectAt(2)), 1);
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{r, combined}));
  UndoStep();
  ASSERT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r}));

  // ToGlyph: each selected object a path, kept apart in one group.
  CEllipseObject* e = Ellipse(60, 0, 80, 10);
  Put(e);
  Select({r, e});
  Command(40169);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  auto* glyphs = dynamic_cast<CGroupObject*>(doc->GetObjectAt(2));
  ASSERT_NE(glyphs, nullptr);
  ASSERT_EQ(glyphs->GetChildCount(), 2);
  EXPECT_EQ(glyphs->GetChild(0)->kind, OBJ_PATH);
  EXPECT_EQ(glyphs->selected, 1u);
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r, e}));
  // One object gives its path, not a group.
  Select({e});
  Command(40169);
  EXPECT_EQ(doc->GetObjectAt(3)->kind, OBJ_PATH);
  UndoStep();

  // CombinToGlyph: one path of every selected object, selected.
  Select({r, e});
  Command(40079);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  EXPECT_EQ(doc->GetObjectAt(2)->kind, OBJ_PATH);
  EXPECT_EQ(Contours(doc->GetObjectAt(2)), 2);
  EXPECT_EQ(view->Tracker()->GetCurrentObject(), doc->GetObjectAt(2));
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r, e}));

  // Objects whose paths combine to nothing are left as they are.
  auto *h1 = new HollowObject(), *h2 = new HollowObject();
  Put(h1, h2);
  Select({h1, h2});
  steps = Steps();
  Command(40079);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{p, q, r, e, h1, h2}));
  EXPECT_EQ(Steps(), steps);
}

TEST_F(ArrangeTest, AlignAndOrderTables) {
  CGraphObject* ref = MakeRectPath(100, 100, 140, 120).release();
  CGraphObject* o = MakeRectPath(10, 20, 30, 60).release();  // 20 x 40, centre (20, 40)
  CGraphObject* other = MakeRectPath(500, 500, 510, 510).release();
  Put(ref, other, o);
  struct Case {
    std::uint32_t id;
    float left, top;  // o's corner afterwards
  } cases[] = {
      {40080, 100, 20}, {40081, 120, 20}, {40082, 10, 100}, {40083, 10, 80},
      {40084, 110, 20}, {40085, 10, 90},  {40086, 110, 90},
  };
  for (const Case& c : cases) {
    Select({ref, o});
    Command(c.id);
    EXPECT_FLOAT_EQ(o->bounds.left, c.left) << c.id;
    EXPECT_FLOAT_EQ(o->bounds.top, c.top) << c.id;
    EXPECT_FLOAT_EQ(ref->bounds.left, 100.0f) << c.id;
    EXPECT_FLOAT_EQ(other->bounds.left, 500.0f) << c.id;
    UndoStep();
    EXPECT_FLOAT_EQ(o->bounds.left, 10.0f) << c.id;
    EXPECT_FLOAT_EQ(o->bounds.top, 20.0f) << c.id;
  }
  // One selected object is its own reference.
  Select({o});
  Command(40080);
  EXPECT_FLOAT_EQ(o->bounds.left, 10.0f);

  // Order: Turn Back sends the selection to the end of the list (drawn
  // first), Turn Prev to its start, each in its former order.
  auto *a = MakeRectPath(0, 0, 1, 1).release(), *b = MakeRectPath(0, 0, 1, 1).release(),
       *c = MakeRectPath(0, 0, 1, 1).release(), *d = MakeRectPath(0, 0, 1, 1).release();
  struct Order {
    std::uint32_t id;
    std::vector<CGraphObject*> selected, after;
  } orders[] = {
      {40044, {a, c}, {b, d, a, c}},
      {40044, {a, b, c, d}, {a, b, c, d}},
      {40044, {d}, {a, b, c, d}},
      {40044, {a}, {b, c, d, a}},
      {40043, {b, d}, {b, d, a, c}},
      {40043, {d}, {d, a, b, c}},
      {40043, {}, {a, b, c, d}},
  };
  while (doc->GetObjectCount()) doc->RemoveObjectAt(0);
  delete ref;
  delete o;
  delete other;
  Put(a, b, c, d);
  for (const Order& t : orders) {
    Select({});
    for (CGraphObject* s : t.selected) s->selected = 1;
    Command(t.id);
    EXPECT_EQ(Objects(), t.after) << t.id << " " << t.selected.size();
    if (Objects() != std::vector<CGraphObject*>{a, b, c, d}) UndoStep();
    EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a, b, c, d}));
  }
  // A list of one keeps its order and records nothing.
  while (doc->GetObjectCount() > 1) doc->RemoveObjectAt(1);
  for (CGraphObject* g : {b, c, d}) delete g;
  const int steps = Steps();
  Select({a});
  Command(40044);
  Command(40043);
  EXPECT_EQ(Steps(), steps);
}

TEST_F(ArrangeTest, SelectAllAndAutoFill) {
  auto *a = MakeRectPath(0, 0, 10, 10).release(), *b = MakeRectPath(20, 0, 30, 10).release();
  CRectObject* r = Rect(40, 0, 50, 10);
  Put(a, b, r);
  Select({b});
  Command(32784);
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{1, 1, 1}));
  CSelectTracker* tracker = view->Tracker();
  EXPECT_EQ(tracker->GetSelectedCount(), 3);
  EXPECT_EQ(tracker->GetPathCount(), 2);
  CFRect box;
  tracker->GetSelectionRect(&box);
  EXPECT_FLOAT_EQ(box.right, 50.0f);

  // Auto FillLine flips the setting, the profile and the check mark.
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  for (int expected : {0, 1}) {
    Command(40090);
    EXPECT_EQ(int(TheAppGlobals().autoFill), expected);
    EXPECT_EQ(GetAutoFill(), expected != 0);
    EXPECT_EQ(CProfile().GetInt("SystemParam", "AutoFill", -1), expected);
    EXPECT_EQ((menu->GetMenuState(40090, fw::MF_BYCOMMAND) & fw::MF_CHECKED) != 0, expected != 0);
  }
}

TEST_F(ArrangeTest, AutospaceEvensTheGapsAndVaultArchesAText) {
  auto *a = MakeRectPath(0, 0, 10, 10).release(), *b = MakeRectPath(12, 30, 20, 45).release(),
       *c = MakeRectPath(40, 60, 50, 70).release();
  Put(c, a, b);  // the list order is not the spatial one
  Select({a, b});
  const int steps = Steps();
  Command(32852);  // two objects: nothing
  EXPECT_EQ(Steps(), steps);
  EXPECT_FLOAT_EQ(b->bounds.left, 12.0f);

  Select({a, b, c});
  Command(32852);  // widths 10 + 8 + 10 over 50: gaps of 11
  EXPECT_FLOAT_EQ(a->bounds.left, 0.0f);
  EXPECT_FLOAT_EQ(b->bounds.left, 21.0f);
  EXPECT_FLOAT_EQ(b->bounds.top, 30.0f);
  EXPECT_FLOAT_EQ(c->bounds.left, 40.0f);
  Command(32853);  // heights 10 + 15 + 10 over 70: gaps of 17.5
  EXPECT_FLOAT_EQ(b->bounds.top, 27.5f);
  EXPECT_FLOAT_EQ(c->bounds.top, 60.0f);
  UndoStep();
  UndoStep();
  EXPECT_FLOAT_EQ(b->bounds.left, 12.0f);
  EXPECT_FLOAT_EQ(b->bounds.top, 30.0f);

  auto* text = new CTextObject(0, 10.0f, 100.0f, 300.0f, 100.0f);
  Put(text);
  Select({});
  view->Tracker()->Select(text);
  ASSERT_NE(text->GetArrange(), nullptr);
  EXPECT_NE(text->GetArrange()->GetKind(), ARR_ARCH);
  Command(32854);
  ASSERT_NE(text->GetArrange(), nullptr);
  EXPECT_EQ(text->GetArrange()->GetKind(), ARR_ARCH);
  const int arched = Steps();
  Command(32854);  // already arched: nothing
  EXPECT_EQ(Steps(), arched);
  UndoStep();
  EXPECT_NE(text->GetArrange()->GetKind(), ARR_ARCH);
}

TEST_F(ArrangeTest, GlyphCutWithAndWithoutTheShapeLibrary) {
  CGraphObject* glyphs = MakeRectPath(0, 0, 100, 50).release();
  CGraphObject* cutter = MakeRectPath(40, -10, 60, 60).release();
  CRectObject* other = Rect(200, 0, 210, 10);
  Put(other, glyphs, cutter);

  // Without the library nothing is touched.
  viewcmd::ShapeLibraryName() = "NoSuchLib.dll";
  Select({glyphs, cutter});
  const int steps = Steps();
  Command(32866);
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{other, glyphs, cutter}));
  EXPECT_EQ(Steps(), steps);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text.rfind(" [NoSuchLib.dll] 打开失败!\n", 0), 0u);

  // The glyphs cut by the cutter's contour: the pieces inside and outside.
  viewcmd::ShapeLibraryName() = flexoril::kFileName;
  Select({glyphs, cutter});
  Command(32866);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), other);
  CGraphObject* result = doc->GetObjectAt(1);
  EXPECT_EQ(result->selected, 1u);
  auto* pieces = dynamic_cast<CGroupObject*>(result);
  ASSERT_NE(pieces, nullptr);
  EXPECT_EQ(pieces->GetChildCount(), 2);
  EXPECT_NEAR(result->bounds.left, 0.0f, 1e-3f);
  EXPECT_NEAR(result->bounds.right, 100.0f, 1e-3f);
  UndoStep();
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{other, glyphs, cutter}));
  EXPECT_EQ(Selected(), (std::vector<std::uint32_t>{0, 1, 1}));
}

TEST_F(ArrangeTest, WordWeldWeldsEachCharacterOutline) {
  OverlapGlyphs glyphs;
  ScopedGlyphSource scoped(&glyphs);
  auto* text = new CTextObject(0, 10.0f, 100.0f, 300.0f, 100.0f);
  text->chars.Add(std::make_unique<CBoxChar>(std::uint16_t('A'), DefaultTextAttr()));
  text->chars.Add(std::make_unique<CBoxChar>(std::uint16_t('B'), DefaultTextAttr()));
  Put(text);
  view->Tracker()->Select(text);
  auto* a = text->chars.CharAt(0);
  ASSERT_NE(a, nullptr);

  // Without the library nothing is fetched or changed.
  viewcmd::ShapeLibraryName() = "NoSuchLib.dll";
  Command(32886);
  EXPECT_EQ(a->CachedGlyph(), nullptr);

  viewcmd::ShapeLibraryName() = flexoril::kFileName;
  const int steps = Steps();
  Command(32886);
  for (int i = 0; i < 2; ++i) {
    const CPathPointList* welded = text->chars.CharAt(i)->CachedGlyph();
    ASSERT_NE(welded, nullptr) << i;
    EXPECT_EQ(Contours(*welded), 1) << i;
    ASSERT_TRUE(welded->hasBounds);
    EXPECT_NEAR(welded->bounds.right - welded->bounds.left, 800.0f, 1.0f) << i;
  }
  EXPECT_EQ(Steps(), steps);  // no undo
}

TEST_F(ArrangeTest, AddSelectionToAGraphicLibrary) {
  ScopedMountFolder mount;
  ASSERT_TRUE(MakeLibrary(mount / "STAR.LIB", {2}, "Stars"));
  ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 1);
  CGraphObject* a = MakeRectPath(0, 0, 100, 50).release();
  Put(a);
  Select({a});

  // The library panel comes up; a font type cannot take pictures.
  Command(32870);
  CLibGlyphPanel* panel = main->GetModeBar().GetGlyphPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "不能将图形加入WindowFonts! ");
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);

  ASSERT_TRUE(panel->SelectComboItem(IDC_LIB_TYPE, 2));
  ASSERT_TRUE(panel->SelectComboItem(IDC_LIB_NAME, 0));
  Command(32870);
  EXPECT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);
  CGraphLib lib;
  ASSERT_TRUE(lib.OpenPath(mount / "STAR.LIB"));
  std::unique_ptr<CPathPointList> added = lib.ReadGraph(0, 2, nullptr);
  ASSERT_TRUE(added);
  ASSERT_TRUE(added->hasBounds);
  // Scaled so that the larger side is 2047.
  EXPECT_NEAR(added->bounds.right - added->bounds.left, 2047.0f, 1.0f);
  EXPECT_NEAR(added->bounds.bottom - added->bounds.top, 1023.5f, 1.0f);
  // The selected object stays the document's.
  EXPECT_EQ(Objects(), (std::vector<CGraphObject*>{a}));

  // Nothing selected, or a flat selection: nothing is added.
  for (bool flat : {false, true}) {
    CGraphObject* line = MakeLinePath(0, 10, 0, 10).release();
    Put(line);
    Select(flat ? std::initializer_list<CGraphObject*>{line} : std::initializer_list<CGraphObject*>{});
    sink.boxes.clear();
    Command(32870);
    ASSERT_EQ(sink.boxes.size(), 1u) << flat;
    EXPECT_EQ(sink.boxes[0].text, "加入图形失败!") << flat;
  }
  ASSERT_TRUE(lib.OpenPath(mount / "STAR.LIB"));
  EXPECT_EQ(lib.ReadGraph(0, 3, nullptr), nullptr);
}

TEST_F(ArrangeTest, NewStampPlacesTheSealInOneStep) {
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) { d.ClickButton(fw::IDOK); });
  driver.Then([](fw::CDialog& d) { d.ClickButton(fw::IDOK); });
  const int steps = Steps();
  Command(32893);
  ASSERT_EQ(driver.Runs().size(), 2u);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  CGraphObject* seal = doc->GetObjectAt(0);
  EXPECT_EQ(seal->kind, OBJ_SEAL);
  EXPECT_EQ(seal->selected, 1u);
  EXPECT_EQ(Steps(), steps + 1);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 0);

  // Cancelled: nothing.
  driver.Then([](fw::CDialog& d) { d.ClickButton(fw::IDCANCEL); });
  Command(32893);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_EQ(Steps(), steps);
}

}  // namespace
