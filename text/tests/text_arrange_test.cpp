#include "text/arrange.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "model/pathobject.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "text/boxarray.h"
#include "text/tests/text_fixtures.h"

namespace {

constexpr int CR = 13;
constexpr int PUNCT = 0xA3AC;  // full-width comma
constexpr int IND = -32, UNIND = -32800;

// A straight arrangement over its own items with 10 mm characters.
struct Line {
  explicit Line(int kind, float x1 = 0, float y1 = 0, float x2 = 100, float y2 = 0)
      : arrange(x1, y1, x2, y2, &matrix, &items) {
    arrange.kind = std::uint8_t(kind);
  }
  // Double-byte characters (codes >= 256), 'A'-'z' single-byte, CR, and
  // control items as negative codes (-1 box gap of 2 mm, -2 line gap of 3 mm).
  void Add(const std::vector<int>& shape) {
    CTextAttr attr = TestAttr();
    for (int v : shape) {
      if (v >= 0)
        items.Add(std::make_unique<CBoxChar>(std::uint16_t(v), attr));
      else if (v == -1)
        items.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, 2.0f));
      else if (v == -2)
        items.Add(CBoxCode::MakeGap(BOXC_LINE_GAP, 3.0f));
      else
        items.Add(std::make_unique<CBoxCode>(std::uint16_t(-v), 0u));
    }
  }
  std::vector<CFPoint> Origins() const {
    std::vector<CFPoint> out;
    for (CBoxItem* i : items.Items())
      if (i->IsChar()) out.push_back({static_cast<CBoxChar*>(i)->x, static_cast<CBoxChar*>(i)->y});
    return out;
  }
  std::vector<int> LineEnds() const {
    std::vector<int> out;
    int n = 0;
    for (CBoxItem* i : items.Items()) {
      if (!i->IsChar()) continue;
      if (static_cast<CBoxChar*>(i)->flags & BOXF_LINE_END) out.push_back(n);
      ++n;
    }
    return out;
  }
  StubGlyphSource glyphs;
  CMatrix3 matrix;
  CBoxArray items;
  CLineArrange arrange;
};

constexpr int G = kGbA;  // a double-byte character, 10 mm advance

std::string Describe(const std::vector<CFPoint>& v) {
  std::string s;
  for (const CFPoint& p : v) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return s;
}

}  // namespace

TEST(TextArrange, StraightRecords) {
  for (int kind = 0; kind < 4; ++kind) {
    CLineArrange a(1.5f, 2.5f, 3.5f, 4.5f, nullptr, nullptr);
    a.kind = std::uint8_t(kind);
    plat::HGLOBAL h = 0;
    ASSERT_EQ(a.WriteRecord(&h), 22u);
    EXPECT_EQ(plat::GlobalSize(h), 32u);
    std::vector<std::uint8_t> rec(22);
    {
      plat::GlobalLockGuard g(h);
      std::memcpy(rec.data(), g.bytes(), 22);
    }
    plat::GlobalFree(h);
    EXPECT_EQ(rec[0], '1' + kind);
    EXPECT_EQ(plat::GetU32(rec.data() + 1), 22u);
    EXPECT_EQ(rec[5], kind);
    EXPECT_EQ(plat::GetF32(rec.data() + 6), 1.5f);
    EXPECT_EQ(plat::GetF32(rec.data() + 18), 4.5f);
    std::unique_ptr<CTextArrange> back = CreateArrange(rec.data(), rec.size());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetKind(), kind);
    EXPECT_EQ(back->flags, 0);
    EXPECT_EQ(back->items, nullptr);
    EXPECT_EQ(back->GetFrame(), CFRect(1.5f, 2.5f, 3.5f, 4.5f));
  }
  // '3' loads kind 2 whatever its kind byte says, and writes '3' again.
  std::uint8_t rec[22] = {'3', 22, 0, 0, 0, 0};
  std::unique_ptr<CTextArrange> three = CreateArrange(rec, sizeof rec);
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->GetKind(), 2);
  plat::HGLOBAL h = 0;
  three->WriteRecord(&h);
  {
    plat::GlobalLockGuard g(h);
    EXPECT_EQ(g.bytes()[0], '3');
    EXPECT_EQ(g.bytes()[5], 2);
  }
  plat::GlobalFree(h);

  struct Bad {
    const char* name;
    std::uint8_t type;
    std::uint32_t length;
    std::size_t available;
  };
  const Bad bad[] = {{"short length", '1', 21, 22}, {"past the container", '2', 23, 22},
                     {"container too small", '4', 22, 21}, {"unknown type", '9', 22, 22},
                     {"type zero", 0, 22, 22}};
  for (const Bad& b : bad) {
    std::uint8_t r[32] = {b.type};
    plat::PutU32(r + 1, b.length);
    EXPECT_EQ(CreateArrange(r, b.available), nullptr) << b.name;
  }
  EXPECT_EQ(CreateArrange(nullptr, 100), nullptr);
}

TEST(TextArrange, BaseOperations) {
  CTextArrange base;
  plat::HGLOBAL h = 7;
  EXPECT_EQ(base.WriteRecord(&h), 0u);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(base.NavigateKey(NAV_LEFT, 0, nullptr), -1);
  EXPECT_EQ(base.MakeBoxOutline(), nullptr);
  EXPECT_EQ(base.GetPageId(), 264u);
  FakeWindow parent;
  CWindowServices* page = base.CreatePage(&parent);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(parent.Child()->templateId, 264u);
  EXPECT_EQ(page->GetUserData(), 264);
  base.SetPageTitle(page);
  EXPECT_EQ(parent.Child()->text, "无属性");
  CBoxChar c;
  c.sizeX = 2048;
  c.sizeY = 1024;
  c.x = 5;
  c.y = 6;
  EXPECT_EQ(*base.GetCharMatrix(&c), CMatrix3(2, 0, 0, 1, 5, 6));
  EXPECT_EQ(base.GetCharMatrixAt(0), nullptr);
}

TEST(TextArrange, LayoutCases) {
  struct Case {
    const char* name;
    int kind;
    CFRect frame;
    std::vector<int> shape;
    bool autoFill;
    bool fit;
    std::vector<CFPoint> origins;
    std::vector<int> lineEnds;  // character numbers carrying the line-end bit
    CFRect frameAfter;
  };
  const std::vector<Case> cases = {
      {"one line", 0, {0, 0, 100, 0}, {G, G, G}, true, false,
       {{0, 10}, {10, 10}, {20, 10}}, {}, {0, 0, 100, 10}},
      {"wrap, justified", 0, {0, 0, 25, 0}, {G, G, G}, true, false,
       {{0, 10}, {15, 10}, {0, 20}}, {1}, {0, 0, 25, 20}},
      {"wrap, natural spacing", 0, {0, 0, 25, 0}, {G, G, G}, false, false,
       {{0, 10}, {10, 10}, {0, 20}}, {1}, {0, 0, 25, 20}},
      {"box and line gaps", 0, {0, 0, 25, 0}, {-1, -2, G, G, G}, false, false,
       {{0, 10}, {12, 10}, {0, 23}}, {1}, {0, 0, 25, 23}},
      {"CR on an empty line", 0, {0, 0, 100, 0}, {G, CR, CR, G}, true, false,
       {{0, 10}, {10, 10}, {0, 20}, {0, 30}}, {1, 2}, {0, 0, 100, 30}},
      {"punctuation past the edge", 0, {0, 0, 20, 0}, {G, G, PUNCT, G}, false, false,
       {{0, 10}, {10, 10}, {20, 10}, {0, 20}}, {2}, {0, 0, 20, 20}},
      {"fit", 0, {0, 0, 100, 0}, {G, G, G}, true, true,
       {{0, 10}, {45, 10}, {90, 10}}, {}, {0, 0, 100, 10}},
      {"over-wide character", 0, {0, 0, 5, 0}, {G}, true, false,
       {{0, 10}}, {}, {0, 0, 11, 10}},
      {"right to left", 1, {0, 0, 100, 0}, {G, 'A', G}, true, false,
       {{100, 10}, {90, 10}, {85, 10}}, {}, {0, 0, 100, 10}},
      {"right to left wraps", 1, {75, 0, 100, 0}, {G, G, G}, false, false,
       {{100, 10}, {90, 10}, {100, 20}}, {1}, {75, 0, 100, 20}},
      {"columns rightwards", 2, {0, 0, 0, 25}, {G, G, G}, false, false,
       {{0, 0}, {0, 10}, {10, 0}}, {1}, {0, 0, 10, 25}},
      {"columns leftwards", 3, {0, 0, 100, 25}, {G, G, G}, true, false,
       {{90, 0}, {90, 15}, {80, 0}}, {1}, {80, 0, 100, 25}},
      {"column too short", 2, {0, 0, 0, 4}, {G}, true, false, {{0, 0}}, {}, {0, 0, 0, 10}},
      {"latin in a column", 2, {0, 0, 0, 100}, {'A', G}, true, false,
       {{0, 0}, {0, 5}}, {}, {0, 0, 0, 100}},
      {"indent", 0, {0, 0, 30, 0}, {G, IND, G, G, G, G, UNIND, G}, false, false,
       {{0, 10}, {10, 10}, {20, 10}, {10, 20}, {20, 20}, {0, 30}}, {2, 4}, {0, 0, 30, 30}},
      {"indent start past the edge", 0, {0, 0, 20, 0}, {G, G, IND, PUNCT, G, G}, false, false,
       {{0, 10}, {10, 10}, {20, 10}, {20, 20}, {20, 30}}, {2, 3}, {0, 0, 20, 30}},
  };
  for (const Case& c : cases) {
    SetAutoFill(c.autoFill);
    Line t(c.kind, c.frame.left, c.frame.top, c.frame.right, c.frame.bottom);
    if (c.fit) t.arrange.flags = ARRF_FIT;
    t.Add(c.shape);
    t.arrange.Layout(0);
    EXPECT_EQ(Describe(t.Origins()), Describe(c.origins)) << c.name;
    EXPECT_EQ(t.LineEnds(), c.lineEnds) << c.name;
    EXPECT_EQ(t.arrange.GetFrame(), c.frameAfter) << c.name;
    for (CBoxItem* i : t.items.Items())
      if (i->IsChar()) {
        EXPECT_TRUE(static_cast<CBoxChar*>(i)->flags & BOXF_MOVED) << c.name;
      }
  }
  SetAutoFill(true);

  // Nothing to lay out.
  Line empty(0);
  empty.arrange.Layout(5);
  EXPECT_EQ(empty.arrange.GetFrame(), CFRect(0, 0, 100, 0));
  Line codes(0);
  codes.Add({-1, -2});
  codes.arrange.Layout(-3);
  EXPECT_EQ(codes.arrange.GetFrame(), CFRect(0, 0, 100, 0));
}

TEST(TextArrange, LayoutFromAnyIndexMatchesTheWholeLayout) {
  const std::vector<int> shape = {-1, G, 'A', G, 'W', G, PUNCT, G, CR, -2, G, IND, 'B',
                                  G,  G, G,   UNIND, ' ', G,    CR, CR, G,  'x', G, G};
  for (int kind = 0; kind < 4; ++kind) {
    for (int mode = 0; mode < 3; ++mode) {
      SetAutoFill(mode != 1);
      Line t(kind, 0, 0, 47, 47);
      if (mode == 2) t.arrange.flags = ARRF_FIT;
      t.Add(shape);
      t.arrange.Layout(0);
      const std::vector<CFPoint> whole = t.Origins();
      const std::vector<int> ends = t.LineEnds();
      const CFRect frame = t.arrange.GetFrame();
      for (int from = 0; from <= t.items.GetSize(); ++from) {
        // Everything from the index on is forgotten, as if it were new.
        for (int k = from; k < t.items.GetSize(); ++k) {
          if (CBoxChar* c = t.items.CharAt(k)) {
            c->x = 999.0f;
            c->y = -999.0f;
            c->flags = 0;
          }
        }
        t.arrange.Layout(from);
        ASSERT_EQ(Describe(t.Origins()), Describe(whole)) << kind << "/" << mode << " from " << from;
        ASSERT_EQ(t.LineEnds(), ends) << kind << "/" << mode << " from " << from;
        ASSERT_EQ(t.arrange.GetFrame(), frame);
      }
    }
  }
  SetAutoFill(true);
}

TEST(TextArrange, CharacterMatricesAndBoxes) {
  Line t(0);
  t.Add({G, 'A'});
  t.arrange.Layout(0);
  CBoxChar* g = t.items.CharAt(0);
  CBoxChar* a = t.items.CharAt(1);
  const float s = 10.0f / 1024.0f;
  EXPECT_EQ(*t.arrange.GetCharMatrixAt(0), CMatrix3(s, 0, 0, s, 0, 0));
  EXPECT_EQ(*t.arrange.GetCharMatrix(a), CMatrix3(s, 0, 0, s, 10, 0));
  t.arrange.kind = 1;
  EXPECT_EQ(*t.arrange.GetCharMatrix(a), CMatrix3(s, 0, 0, s, 5, 0));
  t.arrange.kind = 2;
  EXPECT_EQ(*t.arrange.GetCharMatrix(g), CMatrix3(s, 0, 0, s, 0, 10));
  // A single-byte character lies along the column.
  std::unique_ptr<CMatrix3> m = t.arrange.GetCharMatrix(a);
  CFPoint origin{0, 1024};  // the glyph's bottom-left corner
  m->TransformPoint(origin);
  EXPECT_NEAR(origin.x, 10.0f, 1e-4);
  EXPECT_NEAR(origin.y, 10.0f, 1e-4);
  EXPECT_EQ(t.arrange.GetCharMatrixAt(9), nullptr);

  for (int kind = 0; kind < 4; ++kind) {
    t.arrange.kind = std::uint8_t(kind);
    for (CBoxItem* i : t.items.Items()) {
      auto* c = static_cast<CBoxChar*>(i);
      CBoxChar copy;
      copy.code = c->code;
      copy.sizeX = c->sizeX;
      copy.sizeY = c->sizeY;
      copy.advanceRatio = c->advanceRatio;
      copy.x = c->x;
      copy.y = c->y;
      copy.SetBoxFromPosition(kind);
      t.arrange.PlaceChar(c);
      EXPECT_EQ(c->box, copy.box) << kind;
    }
  }
}

TEST(TextArrange, CaretsAndSides) {
  Line t(0, 5, 0, 100, 0);
  t.Add({G, CR, G});
  t.arrange.Layout(0);
  CFPoint p1, p2;
  t.arrange.GetCaretLine(0, 1, &p1, &p2);
  EXPECT_EQ(p1, (CFPoint{5, 10}));
  EXPECT_EQ(p2, (CFPoint{5, 0}));
  t.arrange.GetCaretLine(0, 0, &p1, &p2);
  EXPECT_EQ(p1, (CFPoint{15, 10}));
  t.arrange.GetCaretLine(1, 0, &p1, &p2);  // after the line end: the next line's start
  EXPECT_EQ(p1, (CFPoint{5, 10}));
  EXPECT_EQ(p2, (CFPoint{5, 20}));
  t.arrange.GetCaretLine(-1, 0, &p1, &p2);
  EXPECT_EQ(p1, (CFPoint{5, 10}));

  t.arrange.GetDefaultCaret(&p1, &p2, 4, 8);
  EXPECT_EQ(p2, (CFPoint{5, 8}));
  t.arrange.kind = 3;
  t.arrange.GetDefaultCaret(&p1, &p2, 4, 8);
  EXPECT_EQ(p1, (CFPoint{100, 0}));
  EXPECT_EQ(p2, (CFPoint{96, 0}));
  t.arrange.kind = 0;

  // The glyph's halves decide the side.
  EXPECT_EQ(t.arrange.SideAtPoint(0, 7, 5), 1);
  EXPECT_EQ(t.arrange.SideAtPoint(0, 13, 5), 0);
  CFPoint q1, q2;
  EXPECT_EQ(t.arrange.CaretFromPoint(0, 13, 5, &q1, &q2), 0);
  EXPECT_EQ(q1, (CFPoint{15, 10}));
  t.items.InsertAt(0, CBoxCode::MakeGap(1, 1.0f).release());
  EXPECT_EQ(t.arrange.SideAtPoint(0, 13, 5), 1);
  t.arrange.kind = 1;
  EXPECT_EQ(t.arrange.SideAtPoint(1, 13, 5), 1);
}

TEST(TextArrange, NavigateKeys) {
  // Two lines: characters 0-2 and 3-5 (wrapped after 2), all 10 mm.
  struct Case {
    int kind;
    std::uint32_t key;
    int index, side;
    int toIndex, toSide;
  };
  const Case cases[] = {
      {0, NAV_RIGHT, 0, 1, 0, 0}, {0, NAV_RIGHT, 0, 0, 1, 0}, {0, NAV_LEFT, 1, 1, 0, 1},
      {0, NAV_LEFT, 1, 0, 1, 1},  {0, NAV_LEFT, 0, 1, 0, 1},  {0, NAV_RIGHT, 5, 0, 5, 0},
      {0, NAV_END, 0, 1, 2, 0},   {0, NAV_HOME, 4, 0, 3, 1},  {0, NAV_END, 3, 1, 5, 0},
      {0, NAV_DOWN, 1, 1, 3, 0},  {0, NAV_DOWN, 1, 0, 4, 0},  {0, NAV_UP, 4, 1, 1, 1},
      {0, NAV_UP, 1, 1, 1, 1},    {0, NAV_DOWN, 4, 1, 4, 1},
      {1, NAV_HOME, 0, 1, 2, 0},  {1, NAV_LEFT, 0, 1, 0, 0},  {1, NAV_RIGHT, 1, 1, 0, 1},
      {2, NAV_DOWN, 0, 1, 0, 0},  {2, NAV_RIGHT, 1, 1, 3, 0}, {2, NAV_UP, 1, 1, 0, 1},
      {3, NAV_LEFT, 1, 1, 3, 0},  {3, NAV_DOWN, 0, 1, 0, 0},
      {0, 41, 0, 1, -1, 1},       {0, NAV_LEFT, 9, 1, -1, 1},
  };
  for (const Case& c : cases) {
    SetAutoFill(false);
    Line t(c.kind, 0, 0, 35, 35);
    t.Add({G, G, G, G, G, G});
    t.arrange.Layout(0);
    for (CBoxItem* i : t.items.Items()) t.arrange.PlaceChar(static_cast<CBoxChar*>(i));
    int side = c.side;
    EXPECT_EQ(t.arrange.NavigateKey(c.key, c.index, &side), c.toIndex)
        << "kind " << c.kind << " key " << c.key << " from " << c.index << "/" << c.side;
    if (c.toIndex >= 0) {
      EXPECT_EQ(side, c.toSide) << "kind " << c.kind << " key " << c.key;
    }
  }
  SetAutoFill(true);

  // A line end: End stops before it; from after it, Home goes to the next line.
  Line t(0);
  t.Add({G, G, CR, G, G});
  t.arrange.Layout(0);
  int side = 1;
  EXPECT_EQ(t.arrange.NavigateKey(NAV_END, 0, &side), 1);
  EXPECT_EQ(side, 0);
  side = 0;
  EXPECT_EQ(t.arrange.NavigateKey(NAV_HOME, 2, &side), 3);
  EXPECT_EQ(side, 1);
}

TEST(TextArrange, HandlesAndFrame) {
  Line t(0, 10, 20, 60, 0);
  t.Add({G, G, CR, 'A'});
  t.arrange.Layout(0);
  FakeView view;
  view.unitsPerPixel = 1.0;
  int handle = 0;
  EXPECT_EQ(t.arrange.HitTestHandle(&view, 12, 22, &handle), 1);
  EXPECT_EQ(handle, 1);
  EXPECT_EQ(t.arrange.HitTestHandle(&view, 58, 18, &handle), 1);
  EXPECT_EQ(handle, 2);
  EXPECT_EQ(t.arrange.HitTestHandle(&view, 35, 20, &handle), 0);
  // Through the text matrix.
  t.matrix = CMatrix3(1, 0, 0, 1, 100, 0);
  EXPECT_EQ(t.arrange.HitTestHandle(&view, 110, 20, &handle), 1);
  t.matrix.SetIdentity();

  EXPECT_EQ(t.arrange.MoveHandle(0, 2, 80, 999, nullptr), 1);
  EXPECT_EQ(t.arrange.x2, 80.0f);
  EXPECT_EQ(t.arrange.MoveHandle(0, 3, 1, 1, nullptr), 0);
  t.arrange.kind = 2;
  EXPECT_EQ(t.arrange.MoveHandle(0, 1, 999, 5, nullptr), 1);
  EXPECT_EQ(t.arrange.y1, 5.0f);
  t.arrange.kind = 0;
  t.arrange.y1 = 20;
  t.arrange.OffsetBy(1, 2);
  EXPECT_EQ(t.arrange.GetFrame(), CFRect(11, 22, 81, 42));
  t.arrange.SetRect(10, 20, 60, 0);

  // Handles drawn twice leave the surface as it was.
  const std::vector<std::uint32_t> before = view.Pixels();
  t.arrange.DrawHandles(view.dc.get(), nullptr);
  EXPECT_NE(view.Pixels(), before);
  t.arrange.DrawHandles(view.dc.get(), nullptr);
  EXPECT_EQ(view.Pixels(), before);

  // The frame: the rectangle, one segment per line.
  t.arrange.Layout(0);
  std::unique_ptr<CPathObject> frame = t.arrange.MakeBoxOutline();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->count, 5 + 2 + 2 + 1);
  EXPECT_EQ(frame->bounds, CFRect(10, 20, 30, 40));
  Line none(0);
  none.Add({-1});
  EXPECT_EQ(none.arrange.MakeBoxOutline(), nullptr);
  for (int kind = 1; kind < 4; ++kind) {
    Line v(kind, 0, 0, 100, 100);
    v.Add({G, 'A', G});
    v.arrange.Layout(0);
    std::unique_ptr<CPathObject> f = v.arrange.MakeBoxOutline();
    ASSERT_NE(f, nullptr) << kind;
    EXPECT_EQ(f->count, 5 + 2 + 1) << kind;
  }
}
