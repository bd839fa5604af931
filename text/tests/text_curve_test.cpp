// Characters on an arc and on an arch: records, layout, character matrices,
// handles and the property page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "model/geomutil.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "text/arrange.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

constexpr float kPi = 3.1415926f;

std::vector<std::uint8_t> ArrangeRecord(CTextArrange& a) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = a.WriteRecord(&h);
  std::vector<std::uint8_t> out(n);
  if (h) {
    EXPECT_GE(plat::GlobalSize(h), n);
    plat::GlobalLockGuard g(h);
    std::memcpy(out.data(), g.bytes(), n);
    plat::GlobalFree(h);
  }
  return out;
}

std::vector<std::uint8_t> ObjectRecord(CGraphObject& o) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  std::vector<std::uint8_t> out(n);
  if (h) {
    plat::GlobalLockGuard g(h);
    std::memcpy(out.data(), g.bytes(), n);
    plat::GlobalFree(h);
  }
  return out;
}

struct CurveTest : ::testing::Test {
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
  // Characters of 10 mm: 'a' advances 5, a double-byte one 10.
  void Add(const std::vector<int>& codes) {
    for (int v : codes) {
      if (v >= 0)
        items.Add(std::make_unique<CBoxChar>(std::uint16_t(v), TestAttr()));
      else
        items.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, float(-v)));
    }
  }
  CBoxChar* C(int i) { return items.CharAt(i); }
  // Angle of a character's origin about a centre, y up.
  static float AngleOf(const CBoxChar* c, CFPoint centre) {
    return VectorAngle(centre.x, centre.y, c->x, c->y);
  }
  // An arc of radius 100 about (0, 0) from 60 to 120 degrees.
  std::unique_ptr<CArcArrange> Arc(std::uint16_t flags = 0) {
    auto a = std::make_unique<CArcArrange>();
    a->radius = 100;
    a->start = kPi / 3;
    a->end = 2 * kPi / 3;
    a->flags = flags;
    a->items = &items;
    a->matrix = &matrix;
    return a;
  }
};

TEST_F(CurveTest, ArcRecordGoldenAndRoundTrip) {
  CArcArrange a;
  a.radius = 50;
  a.centre = CFPoint{1, -2};
  a.start = 0.5f;
  a.end = 2.5f;
  a.flags = 0x8053;
  a.reserved = 0xA1B2C3D4;
  a.tallest = 12;
  const std::vector<std::uint8_t> r = ArrangeRecord(a);
  ASSERT_EQ(r.size(), 36u);
  std::vector<std::uint8_t> want(36, 0);
  want[0] = '5';
  plat::PutU32(&want[1], 36);
  want[5] = 18;
  plat::PutF32(&want[6], 50);
  plat::PutF32(&want[10], 1);
  plat::PutF32(&want[14], -2);
  plat::PutF32(&want[18], 0.5f);
  plat::PutF32(&want[22], 2.5f);
  plat::PutU16(&want[26], 0x8053);
  plat::PutU32(&want[28], 0xA1B2C3D4);
  plat::PutF32(&want[32], 12);
  EXPECT_EQ(r, want);

  std::unique_ptr<CTextArrange> back = CreateArrange(r.data(), r.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetKind(), ARR_ARC);
  EXPECT_EQ(ArrangeRecord(*back), r);

  // Refused: short, another type, a number that is not one.
  EXPECT_FALSE(CreateArrange(r.data(), 35));
  std::vector<std::uint8_t> bad = r;
  plat::PutU32(&bad[1], 20);
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  bad = r;
  plat::PutF32(&bad[22], std::numeric_limits<float>::infinity());
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
  bad = r;
  plat::PutF32(&bad[6], std::numeric_limits<float>::quiet_NaN());
  EXPECT_FALSE(CArcArrange::FromRecord(bad.data(), bad.size()));
  EXPECT_FALSE(CArchArrange::FromRecord(r.data(), r.size()));
}

TEST_F(CurveTest, ArchRecordGoldenAndRoundTrip) {
  CArchArrange a;
  a.endA = CFPoint{0, 50};
  a.endB = CFPoint{100, 50};
  a.apex = CFPoint{50, 10};
  a.flags = 0x12;
  a.tallest = 7;
  const std::vector<std::uint8_t> r = ArrangeRecord(a);
  ASSERT_EQ(r.size(), 40u);
  std::vector<std::uint8_t> want(40, 0);
  want[0] = '6';
  plat::PutU32(&want[1], 40);
  want[5] = 17;
  const float f[] = {0, 50, 100, 50, 50, 10};
  for (int i = 0; i < 6; ++i) plat::PutF32(&want[6 + 4 * i], f[i]);
  plat::PutU16(&want[30], 0x12);
  plat::PutF32(&want[36], 7);
  EXPECT_EQ(r, want);
  std::unique_ptr<CTextArrange> back = CreateArrange(r.data(), r.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetKind(), ARR_ARCH);
  EXPECT_EQ(ArrangeRecord(*back), r);
  std::vector<std::uint8_t> bad = r;
  plat::PutF32(&bad[26], std::numeric_limits<float>::quiet_NaN());
  EXPECT_FALSE(CreateArrange(bad.data(), bad.size()));
}

TEST_F(CurveTest, TextsOnArcsAndArchesSaveAndLoadByteIdentical) {
  RegisterTextRecordReaders();
  for (int kind : {0, 1}) {
    SCOPED_TRACE(kind);
    CTextObject t(0, 0, 0, 100, 100);
    if (kind == 0)
      t.SetArrange(std::make_unique<CArcArrange>(0, 50, 100, 10, nullptr, nullptr));
    else
      t.SetArrange(std::make_unique<CArchArrange>(0, 10, 100, 50, nullptr, nullptr));
    for (std::uint16_t code : {std::uint16_t('a'), std::uint16_t(kGbA), std::uint16_t('b')})
      t.chars.Add(std::make_unique<CBoxChar>(code, TestAttr()));
    t.Relayout(nullptr, -1);
    const std::vector<std::uint8_t> r = ObjectRecord(t);
    ASSERT_FALSE(r.empty());
    std::unique_ptr<CGraphObject> back = CTextObject::LoadFromRecord(r.data(), std::uint32_t(r.size()));
    ASSERT_TRUE(back);
    auto* bt = static_cast<CTextObject*>(back.get());
    EXPECT_EQ(bt->GetArrangeKind(), kind == 0 ? ARR_ARC : ARR_ARCH);
    EXPECT_EQ(ObjectRecord(*back), r);
  }
}

TEST_F(CurveTest, ArcLayout) {
  const float a0 = kPi / 3, a1 = 2 * kPi / 3;
  const float step = 5.0f / 100.0f;  // two 'a' cells apart: 2.5 + 2.5 mm on radius 100
  struct Case {
    const char* name;
    std::vector<int> codes;
    std::uint16_t flags;
    std::vector<float> angles;
  };
  const Case cases[] = {
      {"forwards", {'a', 'a', 'a'}, 0, {a0, a0 + step, a0 + 2 * step}},
      {"reverse", {'a', 'a', 'a'}, ARRF_REVERSE, {a1, a1 - step, a1 - 2 * step}},
      {"box gap between every pair", {-2, 'a', 'a', 'a'}, 0, {a0, a0 + 0.07f, a0 + 0.14f}},
      {"wide and narrow", {'a', kGbA}, 0, {a0, a0 + 7.5f / 100.0f}},
      {"fit, one character", {'a'}, ARRF_FIT, {a0}},
      {"fit, reverse, one character", {'a'}, ARRF_FIT | ARRF_REVERSE, {a1}},
      {"fit, three", {'a', 'a', 'a'}, ARRF_FIT, {a0, (a0 + a1) / 2, a1}},
      {"fit, reverse", {'a', 'a', 'a'}, ARRF_FIT | ARRF_REVERSE, {a1, (a0 + a1) / 2, a0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    items.DeleteAll();
    Add(c.codes);
    auto arc = Arc(c.flags);
    arc->Layout(7);  // any start: the whole text
    std::vector<float> got;
    for (int i = 0; i < items.GetSize(); ++i)
      if (CBoxChar* ch = C(i)) {
        got.push_back(AngleOf(ch, arc->centre));
        EXPECT_TRUE(ch->flags & BOXF_MOVED);
        EXPECT_NEAR(std::hypot(ch->x, ch->y), 100.0f, 1e-3f);
      }
    ASSERT_EQ(got.size(), c.angles.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.angles[i], 1e-4f) << i;
    EXPECT_EQ(arc->tallest, 10.0f);
  }
}

TEST_F(CurveTest, ArcAnglesThatCannotBeSweptPlaceNothingAndEnd) {
  Add({'a', 'a'});
  C(0)->x = 7;
  struct Case {
    float radius, start, end;
    bool placed;
  };
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  const Case cases[] = {{100, 0, -1e30f, true},  {100, 1e30f, 0, true},  {100, 0, -inf, false},
                        {100, nan, 1, false},    {0, 0, 1, false},       {-5, 0, 1, false},
                        {inf, 0, 1, false},      {100, 2, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.radius << " " << c.start << " " << c.end);
    auto arc = Arc();
    arc->radius = c.radius;
    arc->start = c.start;
    arc->end = c.end;
    C(0)->x = 7;
    arc->Layout(0);
    EXPECT_EQ(C(0)->x != 7.0f, c.placed);
    if (c.placed) {
      EXPECT_GE(arc->end, arc->start);
      EXPECT_LE(arc->end - arc->start, 6.2832f);
    }
  }
}

TEST_F(CurveTest, ArcCharacterMatrices) {
  Add({'a'});
  CBoxChar* c = C(0);
  c->Measure(18);
  c->x = 0;
  c->y = -100;  // straight above the centre: no turn
  struct Case {
    std::uint16_t flags;
    float m00, m20, m21;
  };
  // tallest 20, size 10, ratio 0.5.
  const Case cases[] = {
      {0, 10.0f / 1024, -2.5f, -110},
      {1, 10.0f / 1024, -2.5f, -100},
      {2, 10.0f / 1024, -2.5f, -100},
      {3, 10.0f / 1024, -2.5f, -105},
      {ARRF_UPSIDE_DOWN, -10.0f / 1024, 2.5f, -110},
      {ARRF_UPSIDE_DOWN | 1, -10.0f / 1024, 2.5f, -110},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.flags);
    auto arc = Arc(k.flags);
    arc->tallest = 20;
    std::unique_ptr<CMatrix3> m = arc->GetCharMatrix(c);
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->m00, k.m00, 1e-6f);
    EXPECT_NEAR(m->m20, k.m20, 1e-3f);
    EXPECT_NEAR(m->m21, k.m21, 1e-3f);
  }
  // On the right of the centre the cell is turned a quarter.
  c->x = 100;
  c->y = 0;
  auto arc = Arc();
  std::unique_ptr<CMatrix3> m = arc->GetCharMatrix(c);
  EXPECT_NEAR(m->m01, 10.0f / 1024, 1e-6f);
  EXPECT_NEAR(m->m00, 0.0f, 1e-6f);
  // The default character stands at the end angle.
  std::unique_ptr<CMatrix3> d = arc->GetCharMatrixAt(-1);
  CFPoint o{0, 1024};  // the foot of the cell, on the arc
  d->TransformPoint(o);
  EXPECT_NEAR(std::hypot(o.x, o.y), 100.0f, 1e-3f);
}

TEST_F(CurveTest, ArcHandles) {
  FakeView view;
  auto arc = Arc();
  const CFPoint mid = arc->PointAt(kPi / 2), s = arc->PointAt(arc->start), e = arc->PointAt(arc->end);
  int h = 0;
  EXPECT_EQ(arc->HitTestHandle(&view, mid.x + 2, mid.y, &h), 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(arc->HitTestHandle(&view, s.x, s.y - 2, &h), 1);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(arc->HitTestHandle(&view, e.x, e.y, &h), 1);
  EXPECT_EQ(h, 3);
  const CFPoint onArc = arc->PointAt(kPi / 2 + 0.3f);
  EXPECT_EQ(arc->HitTestHandle(&view, onArc.x, onArc.y + 1, &h), 1);
  EXPECT_EQ(h, 4);
  const CFPoint outside = arc->PointAt(kPi);  // on the circle, off the arc
  h = 0;
  EXPECT_EQ(arc->HitTestHandle(&view, outside.x, outside.y, &h), 0);
  EXPECT_EQ(arc->HitTestHandle(&view, 0, 0, &h), 0);

  // Rotate: both angles follow the pointer.
  EXPECT_EQ(arc->MoveHandle(1, 1, 100, 0, nullptr), 1);
  EXPECT_NEAR(arc->start, -kPi / 6, 1e-4f);
  EXPECT_NEAR(arc->end, kPi / 6, 1e-4f);
  EXPECT_EQ(arc->MoveHandle(1, 3, 0, -100, nullptr), 1);
  EXPECT_NEAR(arc->end, kPi / 2, 1e-4f);
  // Bend through a point further out: a larger circle through both ends.
  const CFPoint a = arc->PointAt(arc->start), b = arc->PointAt(arc->end);
  EXPECT_EQ(arc->MoveHandle(1, 4, 0, 0, nullptr), 1);
  EXPECT_NEAR(PointDistance(arc->centre.x, arc->centre.y, a.x, a.y), arc->radius, 1e-2f);
  EXPECT_NEAR(PointDistance(arc->centre.x, arc->centre.y, b.x, b.y), arc->radius, 1e-2f);
  EXPECT_LE(arc->end - arc->start, 6.2832f);
  EXPECT_EQ(arc->MoveHandle(1, 5, 0, 0, nullptr), 0);

  // Drawn twice in XOR: the surface is as before.
  SharedTools().handlePen = nullptr;
  const std::vector<std::uint32_t> blank = view.Pixels();
  CMatrix3 vm(0.2f, 0, 0, 0.2f, 32, 32);
  arc->DrawHandles(view.dc.get(), &vm);
  EXPECT_NE(view.Pixels(), blank);
  arc->DrawHandles(view.dc.get(), &vm);
  EXPECT_EQ(view.Pixels(), blank);
}

TEST_F(CurveTest, ArcFromARectangle) {
  CArcArrange over(0, 50, 100, 10, nullptr, nullptr);  // y2 <= y1: the underside form
  EXPECT_EQ(over.flags, ARRF_FIT);
  EXPECT_EQ(over.radius, ArcCircleFromRect(0, 50, 100, 10));
  EXPECT_EQ(over.centre.y, 50 - over.radius);
  EXPECT_EQ(over.start, VectorAngle(over.centre.x, over.centre.y, 0, 50));
  EXPECT_EQ(over.end, VectorAngle(over.centre.x, over.centre.y, 100, 50));
  CArcArrange top(0, 10, 100, 50, nullptr, nullptr);
  EXPECT_EQ(top.flags, ARRF_FIT | ARRF_REVERSE);
  EXPECT_NEAR(top.PointAt(top.start).x, 100.0f, 1e-3f);
  EXPECT_NEAR(top.PointAt(top.start).y, 50.0f, 1e-3f);
  EXPECT_EQ(top.tallest, 10.0f);
}

TEST_F(CurveTest, ArcPageFillAndRead) {
  FakeWindow parent;
  auto arc = Arc(ARRF_FIT | ARRF_UPSIDE_DOWN | 2);
  CWindowServices* page = arc->CreatePage(&parent);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(parent.Child()->templateId, IDD_ARRANGE_ARC);
  EXPECT_EQ(page->GetUserData(), 260);
  EXPECT_EQ(parent.text, "弧形排列");
  EXPECT_EQ(arc->GetPageId(), 260u);
  arc->FillPage(&parent);
  FakeWindow* p = parent.Child();
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_PLACE_HANG), 1u);
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_PLACE_ON), 0u);
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_FIT), 1u);
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_UPSIDE_DOWN), 1u);
  EXPECT_EQ(p->checkedItems.count(IDC_ARR_REVERSE), 0u);
  EXPECT_EQ(p->itemTexts[IDC_ARC_START], "60.0");
  EXPECT_EQ(p->itemTexts[IDC_ARC_END], "120.0");
  EXPECT_EQ(p->itemTexts[IDC_ARC_RADIUS], "100.0");

  // Unchecking a box clears its flag: the radio button rewrites the word.
  p->checkedItems.erase(IDC_ARR_UPSIDE_DOWN);
  p->checkedItems.erase(IDC_ARR_PLACE_HANG);
  p->checkedItems.insert(IDC_ARR_PLACE_MIDDLE);
  p->checkedItems.insert(IDC_ARR_REVERSE);
  p->itemTexts[IDC_ARC_START] = "-30";
  p->itemTexts[IDC_ARC_END] = "210.5";
  EXPECT_EQ(arc->ReadPage(p), 1);
  EXPECT_EQ(arc->flags, ARRF_FIT | ARRF_REVERSE | 3);
  EXPECT_NEAR(arc->start, -kPi / 6, 1e-5f);
  EXPECT_NEAR(arc->end, 210.5f * kPi / 180, 1e-5f);
  // Radii that cannot be one and numbers that are not numbers leave the value.
  for (const char* text : {"0", "-4", "inf", "nan", "1e39", "abc", ""}) {
    p->itemTexts[IDC_ARC_RADIUS] = text;
    arc->ReadPage(p);
    EXPECT_EQ(arc->radius, 100.0f) << text;
  }
  for (const char* text : {"inf", "-inf", "nan", "1e39", "abc", "", "12x"}) {
    p->itemTexts[IDC_ARC_END] = text;
    arc->ReadPage(p);
    EXPECT_NEAR(arc->end, 210.5f * kPi / 180, 1e-5f) << text;
  }
  p->itemTexts[IDC_ARC_END] = "-4";  // angles are taken as typed
  arc->ReadPage(p);
  EXPECT_NEAR(arc->end, -4 * kPi / 180, 1e-6f);
  // A page of another kind is not filled.
  FakeWindow other;
  other.CreateChildDialog(264)->SetUserData(264);
  arc->FillPage(&other);
  EXPECT_TRUE(other.Child()->checkedItems.empty());
}

TEST_F(CurveTest, ArchLayoutHandlesAndPage) {
  CArchArrange a(0, 10, 100, 50, &matrix, &items);  // ends at y 50, apex (50, 10)
  EXPECT_EQ(a.flags, ARRF_FIT | ARRF_REVERSE);
  EXPECT_EQ(a.endA.x, 0.0f);
  EXPECT_EQ(a.endB.y, 50.0f);
  EXPECT_EQ(a.apex.y, 10.0f);
  Add({'a', 'a', 'a'});
  a.Layout(0);
  // Reverse and fit: from end A over the apex to end B.
  EXPECT_NEAR(C(0)->x, 0.0f, 1e-3f);
  EXPECT_NEAR(C(0)->y, 50.0f, 1e-3f);
  EXPECT_NEAR(C(1)->x, 50.0f, 1e-3f);
  EXPECT_NEAR(C(1)->y, 10.0f, 1e-3f);
  EXPECT_NEAR(C(2)->x, 100.0f, 1e-3f);

  // Collinear points: the far circle, still a layout.
  CArchArrange flat;
  flat.items = &items;
  flat.endA = CFPoint{0, 50};
  flat.endB = CFPoint{100, 50};
  flat.apex = CFPoint{50, 50};
  flat.flags = 0;
  CFPoint c;
  EXPECT_EQ(flat.Circle(&c), 100000.0f);
  flat.Layout(0);
  EXPECT_NEAR(std::hypot(C(0)->x - c.x, C(0)->y - c.y), 100000.0f, 10.0f);

  // Handles: the ends mirror about the apex.
  FakeView view;
  int h = 0;
  EXPECT_EQ(a.HitTestHandle(&view, 1, 49, &h), 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(a.HitTestHandle(&view, 100, 50, &h), 1);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(a.HitTestHandle(&view, 50, 12, &h), 1);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(a.HitTestHandle(&view, 30, 30, &h), 0);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(a.MoveHandle(1, 1, 10, 60, nullptr), 1);
  EXPECT_EQ(a.endB.x, 90.0f);
  EXPECT_EQ(a.endB.y, 60.0f);
  EXPECT_EQ(a.MoveHandle(1, 2, 95, 55, nullptr), 1);
  EXPECT_EQ(a.endA.x, 5.0f);
  EXPECT_EQ(a.endA.y, 55.0f);
  EXPECT_EQ(a.MoveHandle(1, 3, 70, 20, nullptr), 1);
  EXPECT_EQ(a.apex.x, 50.0f);
  EXPECT_EQ(a.apex.y, 20.0f);
  EXPECT_EQ(a.MoveHandle(1, 4, 0, 0, nullptr), 0);
  a.OffsetBy(1, 2);
  EXPECT_EQ(a.apex.y, 22.0f);
  EXPECT_EQ(a.endA.x, 6.0f);

  // Page: height 0 leaves the apex, the width always applies.
  FakeWindow parent;
  a.CreatePage(&parent);
  EXPECT_EQ(parent.text, "拱形排列");
  a.FillPage(&parent);
  FakeWindow* p = parent.Child();
  EXPECT_EQ(p->itemTexts[IDC_ARCH_HEIGHT], "35.0");
  EXPECT_EQ(p->itemTexts[IDC_ARCH_WIDTH], "90.0");
  p->itemTexts[IDC_ARCH_HEIGHT] = "0";
  p->itemTexts[IDC_ARCH_WIDTH] = "40";
  a.ReadPage(p);
  EXPECT_EQ(a.apex.y, 22.0f);
  EXPECT_EQ(a.endA.x, 31.0f);
  EXPECT_EQ(a.endB.x, 71.0f);
  p->itemTexts[IDC_ARCH_HEIGHT] = "15";
  a.ReadPage(p);
  EXPECT_EQ(a.apex.y, 42.0f);
}

TEST_F(CurveTest, CaretAndKeysOnAnArc) {
  Add({-1, 'a', 'a', 'a'});
  auto arc = Arc();
  arc->Layout(0);
  int side = 1;
  EXPECT_EQ(arc->NavigateKey(NAV_END, 2, &side), 3);
  EXPECT_EQ(side, 0);
  EXPECT_EQ(arc->NavigateKey(NAV_HOME, 3, &side), 1);
  EXPECT_EQ(side, 1);
  EXPECT_EQ(arc->NavigateKey(NAV_LEFT, 1, &side), -1);
  side = 1;
  EXPECT_EQ(arc->NavigateKey(NAV_RIGHT, 2, &side), 2);
  EXPECT_EQ(side, 0);
  EXPECT_EQ(arc->NavigateKey(NAV_RIGHT, 2, &side), 3);
  EXPECT_EQ(arc->NavigateKey(NAV_UP, 2, &side), 2);

  // The caret runs along the cell's edges; each half of the cell gives its side.
  for (int i = 1; i <= 3; ++i) arc->PlaceChar(C(i));
  CFPoint p1, p2;
  arc->GetCaretLine(2, 1, &p1, &p2);
  EXPECT_NEAR(PointDistance(p1.x, p1.y, p2.x, p2.y), 10.0f, 1e-3f);
  std::unique_ptr<CMatrix3> m = arc->GetCharMatrix(C(2));
  CFPoint left{100, 500}, right{400, 500};
  m->TransformPoint(left);
  m->TransformPoint(right);
  EXPECT_EQ(arc->SideAtPoint(2, left.x, left.y), 1);
  EXPECT_EQ(arc->CaretFromPoint(2, right.x, right.y, &p1, &p2), 0);
  // The box holds the cell.
  EXPECT_TRUE(C(2)->box.left <= right.x && right.x <= C(2)->box.right);
}

TEST_F(CurveTest, ArrangementChangesAreUndone) {
  FakeView view;
  CTextObject t(0, 0, 0, 100, 100);
  t.chars.Add(std::make_unique<CBoxChar>(std::uint16_t('a'), TestAttr()));
  t.chars.Add(std::make_unique<CBoxChar>(std::uint16_t('b'), TestAttr()));
  t.Relayout(nullptr, -1);
  const float straightX = t.chars.CharAt(1)->x;

  // The arc replaces the straight arrangement; undo puts the old one back and lays out.
  view.undo.StartRecord(0);
  std::unique_ptr<CTextArrange> old =
      t.SetArrange(std::make_unique<CArcArrange>(0, 50, 100, 10, nullptr, nullptr));
  AppendUndo(&view, std::make_unique<CUndoArrange>(&t, std::move(old)));
  view.undo.EndRecord();
  t.Relayout(&view, -1);
  EXPECT_EQ(t.GetArrangeKind(), ARR_ARC);
  EXPECT_NE(t.chars.CharAt(1)->x, straightX);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(t.GetArrangeKind(), ARR_LEFT_TO_RIGHT);
  EXPECT_EQ(t.chars.CharAt(1)->x, straightX);
  ASSERT_NE(t.GetArrange(), nullptr);
  EXPECT_EQ(t.GetArrange()->items, &t.chars);

  // Flags likewise.
  view.undo.StartRecord(0);
  AppendUndo(&view, std::make_unique<CUndoArrangeFlags>(&t));
  view.undo.EndRecord();
  t.GetArrange()->flags = ARRF_FIT;
  view.undo.UndoLastStep(view);
  EXPECT_EQ(t.GetArrange()->flags, 0);

  // Dropped without undoing, the kept arrangement goes with the item.
  {
    CUndoArrange dropped(&t, std::make_unique<CArchArrange>());
  }
}

}  // namespace
