// Characters along a path: the record, the walk over lines and curves, fit,
// reverse, the node handles and the page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "model/bezier.h"
#include "model/pathobject.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "text/arrange.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

namespace {

std::vector<std::uint8_t> Bytes(plat::HGLOBAL h, std::uint32_t n) {
  std::vector<std::uint8_t> out(n);
  if (!h) return {};
  {
    plat::GlobalLockGuard g(h);
    std::memcpy(out.data(), g.bytes(), n);
  }
  plat::GlobalFree(h);
  return out;
}

std::unique_ptr<CPathObject> Path(const std::vector<PathPoint>& pts) {
  auto p = std::make_unique<CPathObject>();
  for (const PathPoint& q : pts) p->AddPoint(q);
  p->EndPoints();
  return p;
}

std::unique_ptr<CPathObject> Line(float x1, float y1, float x2, float y2) {
  return Path({{x1, y1, 0x11}, {x2, y2, 0x21}});
}

struct AlongPathTest : ::testing::Test {
  StubGlyphSource glyphs;
  CTextAttr saved;
  CBoxArray items;
  CMatrix3 matrix;
  void SetUp() override {
    saved = DefaultTextAttr();
    DefaultTextAttr() = TestAttr();
  }
  void TearDown() override {
    items.DeleteAll();
    DefaultTextAttr() = saved;
  }
  // 'a' advances 5 mm (10 mm characters of ratio 0.5), not yet measured.
  void Add(int n, std::uint16_t code = 'a') {
    for (int i = 0; i < n; ++i) items.Add(std::make_unique<CBoxChar>(code, TestAttr()));
  }
  std::unique_ptr<CPathArrange> On(std::unique_ptr<CPathObject> path, std::uint16_t flags) {
    auto a = std::make_unique<CPathArrange>(std::move(path), &matrix, &items);
    a->flags = flags;
    return a;
  }
  std::vector<CFPoint> Origins() {
    std::vector<CFPoint> out;
    for (int i = 0; i < items.GetSize(); ++i)
      if (CBoxChar* c = items.CharAt(i)) out.push_back(CFPoint{c->x, c->y});
    return out;
  }
};

TEST_F(AlongPathTest, RecordGoldenAndRoundTrip) {
  CPathArrange a(Line(0, 0, 100, 0), nullptr, nullptr);
  a.distance = 1.5f;
  a.tallest = 12;
  a.pathLength = 100;
  a.count = 3;
  a.charGap = 2;
  a.start = 7;
  a.segmentDrag = 0x600;
  plat::HGLOBAL h = 0;
  const std::uint32_t n = a.WriteRecord(&h);
  plat::HGLOBAL ph = 0;
  const std::uint32_t pn = a.path->WriteRecord(&ph);
  const std::vector<std::uint8_t> pathRec = Bytes(ph, pn);
  ASSERT_EQ(n, 43u + pn);
  const std::vector<std::uint8_t> r = Bytes(h, n);
  std::vector<std::uint8_t> want(42, 0);
  want[0] = '7';
  plat::PutU32(&want[1], n);
  want[5] = 19;
  plat::PutU16(&want[6], ARRF_FIT | ARRF_TURN_ALONG);
  plat::PutF32(&want[8], 1.5f);
  plat::PutF32(&want[12], 12);
  plat::PutF32(&want[16], 100);
  plat::PutU32(&want[24], 3);
  plat::PutF32(&want[28], 2);
  plat::PutF32(&want[32], 7);
  plat::PutU16(&want[36], 0x600);
  want.insert(want.end(), pathRec.begin(), pathRec.end());
  want.push_back(241);
  EXPECT_EQ(r, want);

  std::unique_ptr<CTextArrange> back = CreateArrange(r.data(), r.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetKind(), ARR_PATH);
  plat::HGLOBAL h2 = 0;
  const std::uint32_t n2 = back->WriteRecord(&h2);
  EXPECT_EQ(Bytes(h2, n2), r);

  // Refused: a record there that is not a path, a path running past the 241,
  // a truncated record, a number that is not one.
  std::vector<std::uint8_t> bad = r;
  bad[42] = '!';
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  bad = r;
  plat::PutU32(&bad[43], pn + 1);
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  bad = r;
  plat::PutU32(&bad[43], 0xFFFFFFF0u);
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  EXPECT_FALSE(CreateArrange(r.data(), r.size() - 1));
  bad = r;
  bad.back() = 0;  // no 241 after the path
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  // A path without points carries no text.
  CPathArrange empty(std::make_unique<CPathObject>(), nullptr, nullptr);
  plat::HGLOBAL none = 0;
  EXPECT_EQ(empty.WriteRecord(&none), 0u);
  bad = r;
  plat::PutU32(&bad[42 + 64], 0);  // the path's record count
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  bad = r;
  plat::PutF32(&bad[32], std::nanf(""));
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
}

TEST_F(AlongPathTest, TextAlongAPathSavesAndLoadsByteIdentical) {
  CTextObject t(0, 0, 0, 100, 100);
  t.SetArrange(std::make_unique<CPathArrange>(Line(0, 0, 100, 30), nullptr, nullptr));
  for (int i = 0; i < 4; ++i) t.chars.Add(std::make_unique<CBoxChar>(std::uint16_t('a'), TestAttr()));
  t.Relayout(nullptr, -1);
  plat::HGLOBAL h = 0;
  const std::uint32_t n = t.WriteRecord(&h);
  const std::vector<std::uint8_t> r = Bytes(h, n);
  std::unique_ptr<CGraphObject> back = CTextObject::LoadFromRecord(r.data(), n);
  ASSERT_TRUE(back);
  EXPECT_EQ(static_cast<CTextObject*>(back.get())->GetArrangeKind(), ARR_PATH);
  plat::HGLOBAL h2 = 0;
  const std::uint32_t n2 = back->WriteRecord(&h2);
  EXPECT_EQ(Bytes(h2, n2), r);
}

TEST_F(AlongPathTest, LayoutOnLines) {
  struct Case {
    const char* name;
    std::vector<PathPoint> path;
    std::uint16_t flags;
    float start;
    int chars;
    std::vector<CFPoint> origins;
    std::vector<float> angles;
  };
  const Case cases[] = {
      {"along x", {{0, 0, 0x11}, {100, 0, 0x21}}, ARRF_TURN_ALONG, 10, 3,
       {{10, 0}, {15, 0}, {20, 0}}, {0, 0, 0}},
      {"round the corner", {{0, 0, 0x11}, {12, 0, 0x01}, {12, 50, 0x21}}, ARRF_TURN_ALONG, 2, 3,
       {{2, 0}, {7, 0}, {12, 0}}, {0, 0, -270}},
      {"upright when not turned", {{0, 0, 0x11}, {0, 50, 0x21}}, 0, 0, 2, {{0, 0}, {0, 5}}, {0, 0}},
      {"a zero-length piece is skipped", {{0, 0, 0x11}, {0, 0, 0x01}, {50, 0, 0x21}}, 0, 0, 2,
       {{0, 0}, {5, 0}}, {0, 0}},
      {"second contour carries nothing", {{0, 0, 0x11}, {6, 0, 0x21}, {0, 20, 0x11}, {90, 20, 0x21}},
       0, 0, 3, {{0, 0}, {5, 0}, {-1, -1}}, {0, 0, 0}},
      {"start past the end", {{0, 0, 0x11}, {20, 0, 0x21}}, 0, 30, 2, {{-1, -1}, {-1, -1}}, {0, 0}},
      {"reversed", {{0, 0, 0x11}, {100, 0, 0x21}}, ARRF_REVERSE | ARRF_TURN_ALONG, 10, 2,
       {{90, 0}, {85, 0}}, {-180, -180}},
      {"fit, open", {{0, 0, 0x11}, {100, 0, 0x21}}, ARRF_FIT, 0, 3, {{0, 0}, {50, 0}, {100, 0}},
       {0, 0, 0}},
      {"fit, closed", {{0, 0, 0x11}, {25, 0, 1}, {25, 25, 1}, {0, 25, 1}, {0, 0, 0x41}}, ARRF_FIT, 0,
       2, {{0, 0}, {25, 25}}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    items.DeleteAll();
    Add(c.chars);
    for (int i = 0; i < items.GetSize(); ++i) {
      items.CharAt(i)->x = -1;
      items.CharAt(i)->y = -1;
    }
    auto a = On(Path(c.path), c.flags);
    a->start = c.start;
    a->Layout(0);
    const std::vector<CFPoint> got = Origins();
    ASSERT_EQ(got.size(), c.origins.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].x, c.origins[i].x, 1e-3f) << i;
      EXPECT_NEAR(got[i].y, c.origins[i].y, 1e-3f) << i;
      if (c.origins[i].x != -1) EXPECT_EQ(items.CharAt(int(i))->angle, c.angles[i]) << i;
    }
  }
}

TEST_F(AlongPathTest, FitOnAClosedPathSpreadsOverTheWholeLoop) {
  Add(4);
  auto a = On(Path({{0, 0, 0x11}, {25, 0, 1}, {25, 25, 1}, {0, 25, 1}, {0, 0, 0x41}}), ARRF_FIT);
  a->Layout(0);
  EXPECT_EQ(a->closed, 1u);
  EXPECT_FLOAT_EQ(a->pathLength, 100.0f);
  EXPECT_FLOAT_EQ(a->textLength, 20.0f);
  EXPECT_EQ(a->count, 4);
  EXPECT_FLOAT_EQ(a->charGap, 20.0f);
  EXPECT_EQ(a->tallest, 10.0f);
  // Every 25 mm: one character per side.
  const std::vector<CFPoint> got = Origins();
  EXPECT_NEAR(got[1].x, 25.0f, 1e-3f);
  EXPECT_NEAR(got[2].y, 25.0f, 1e-3f);
  EXPECT_NEAR(got[3].x, 0.0f, 1e-3f);
}

TEST_F(AlongPathTest, LayoutOnACurve) {
  Add(6);
  const CBezierSegment seg{{0, 0}, {0, -60}, {100, -60}, {100, 0}, {}};
  auto a = On(Path({{0, 0, 0x11}, {0, -60, 0}, {100, -60, 0}, {100, 0, 0x21}}), ARRF_TURN_ALONG);
  a->start = 3;
  a->Layout(0);
  FillBezierBasis(100);
  const float length = BezierLength(seg, 90);
  for (int i = 0; i < 6; ++i) {
    CFPoint want;
    BezierPointAtLength(seg, want, 3.0f + 5.0f * float(i), length, 90);
    EXPECT_NEAR(items.CharAt(i)->x, want.x, 1e-3f) << i;
    EXPECT_NEAR(items.CharAt(i)->y, want.y, 1e-3f) << i;
  }
  // Climbing at the start: turned up and to the right, not flat.
  EXPECT_LT(items.CharAt(0)->angle, -45.0f);
  EXPECT_EQ(items.CharAt(0)->angle, std::floor(items.CharAt(0)->angle));
  // A curve without its two control points is walked as a line.
  items.DeleteAll();
  Add(2);
  auto b = On(Path({{0, 0, 0x11}, {5, -9, 0}, {20, 0, 0x21}}), 0);
  b->Layout(0);
  EXPECT_NEAR(items.CharAt(1)->x, 5.0f, 1e-3f);
  EXPECT_NEAR(items.CharAt(1)->y, 0.0f, 1e-3f);
}

TEST_F(AlongPathTest, CharacterMatrix) {
  Add(1);
  auto a = On(Line(0, 0, 100, 0), ARRF_TURN_ALONG);
  a->distance = 3;
  CBoxChar* c = items.CharAt(0);
  c->Measure(19);
  c->x = 20;
  c->y = 40;
  c->angle = 0;
  std::unique_ptr<CMatrix3> m = a->GetCharMatrix(c);
  EXPECT_NEAR(m->m20, 17.5f, 1e-4f);
  EXPECT_NEAR(m->m21, 40 - 10 - 3, 1e-4f);  // standing on the line, raised by the distance
  c->angle = 90;
  m = a->GetCharMatrix(c);
  CFPoint o{256, 1024};  // the foot of the cell's middle: on the origin whatever the turn
  m->TransformPoint(o);
  EXPECT_NEAR(o.x, 20.0f + (a->distance > 0 ? 0 : 0), 3.01f);
  EXPECT_TRUE(a->GetCharMatrixAt(-1));
}

TEST_F(AlongPathTest, NodeHandles) {
  FakeView view;
  auto a = On(Path({{0, 0, 0x11}, {0, -10, 0}, {50, -10, 0}, {50, 0, 1}, {100, 0, 1}, {0, 0, 0x41}}),
              ARRF_TURN_ALONG);
  int h = -2;
  EXPECT_EQ(a->HitTestHandle(&view, 50, 1, &h), 1);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(a->segmentDrag, 0);
  // A node in the middle takes both control points beside it.
  EXPECT_EQ(a->MoveHandle(MK_LBUTTON, 3, 60, 10, nullptr), 1);
  {
    pathrec::Records r(a->path->points);
    EXPECT_EQ(float(r.p[3].x), 60.0f);
    EXPECT_EQ(float(r.p[2].x), 60.0f);
    EXPECT_EQ(float(r.p[2].y), 0.0f);
    EXPECT_EQ(float(r.p[4].x), 100.0f);  // a node beside it stays
  }
  // The start of a closed contour takes its closing node along.
  EXPECT_EQ(a->MoveHandle(MK_LBUTTON, 0, 5, 5, nullptr), 1);
  {
    pathrec::Records r(a->path->points);
    EXPECT_EQ(float(r.p[5].x), 5.0f);
    EXPECT_EQ(float(r.p[5].y), 5.0f);
    EXPECT_EQ(float(r.p[1].x), 5.0f);
    EXPECT_EQ(float(r.p[1].y), -5.0f);
  }
  // Out of range, or without the button bit: nothing.
  EXPECT_EQ(a->MoveHandle(MK_LBUTTON, 99, 1, 1, nullptr), 0);
  EXPECT_EQ(a->MoveHandle(MK_LBUTTON, -1, 1, 1, nullptr), 0);
  EXPECT_EQ(a->MoveHandle(0, 3, 1, 1, nullptr), 0);
  // A miss.
  EXPECT_EQ(a->HitTestHandle(&view, 500, 500, &h), 0);
  EXPECT_EQ(h, -1);
  // Nodes drawn twice in XOR leave the surface as it was.
  const std::vector<std::uint32_t> blank = view.Pixels();
  CMatrix3 vm(0.5f, 0, 0, 0.5f, 5, 20);
  a->DrawHandles(view.dc.get(), &vm);
  EXPECT_NE(view.Pixels(), blank);
  a->DrawHandles(view.dc.get(), &vm);
  EXPECT_EQ(view.Pixels(), blank);
}

TEST_F(AlongPathTest, TheTextDragsThePathHandleAndMovesItsPath) {
  FakeView view;
  CTextObject t(0, 0, 0, 100, 100);
  t.SetArrange(std::make_unique<CPathArrange>(Line(0, 0, 100, 0), nullptr, nullptr));
  int h = -1;
  ASSERT_EQ(t.HitTestHandle(&view, 100, 0, &h), 1);
  t.MoveHandle(&view, h, 100, 40);
  auto* a = static_cast<CPathArrange*>(t.GetArrange());
  pathrec::Records r(a->path->points);
  EXPECT_EQ(float(r.p[1].y), 40.0f);
  // Moving the text moves the path it runs along.
  t.Offset(5, 5);
  EXPECT_EQ(float(r.p[0].x), 5.0f);
  EXPECT_EQ(float(r.p[1].y), 45.0f);
}

TEST_F(AlongPathTest, Page) {
  auto a = On(Line(0, 0, 100, 0), ARRF_TURN_ALONG | 1);
  a->distance = 2.25f;
  a->charGap = -1;
  FakeWindow parent;
  a->CreatePage(&parent);
  EXPECT_EQ(parent.text, "沿线排版");
  EXPECT_EQ(parent.Child()->GetUserData(), 268);
  a->FillPage(&parent);
  FakeWindow* p = parent.Child();
  EXPECT_EQ(p->itemTexts[IDC_PATH_DISTANCE], "2.2");
  EXPECT_EQ(p->itemTexts[IDC_PATH_GAP], "-1.0");
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_PLACE_CENTRED), 1u);
  p->checkedItems.erase(IDC_ARR_PLACE_CENTRED);
  p->checkedItems.insert(IDC_ARR_FIT);
  p->itemTexts[IDC_PATH_DISTANCE] = "4";
  p->itemTexts[IDC_PATH_GAP] = "nan";
  EXPECT_EQ(a->ReadPage(p), 1);
  EXPECT_EQ(a->flags, ARRF_FIT | ARRF_TURN_ALONG);  // turning always added
  EXPECT_EQ(a->distance, 4.0f);
  EXPECT_EQ(a->charGap, -1.0f);
}

}  // namespace
