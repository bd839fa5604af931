#include <gtest/gtest.h>

#include <cmath>

#include "model/pathobject.h"
#include "model/records.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "text/libpicobject.h"
#include "text/sealobject.h"
#include "text/tests/text_fixtures.h"

namespace {

// Frame 20 x 20 at the origin, ring 1, margins and gaps 0.5: column width
// 8.25, full height 17, half height 8.25; left column x 1.5, right 10.25;
// cell bottoms 9.75 (y0 half) and 18.5 (y1 side).
void MakeSeal(CSealObject& s, std::uint8_t layout, const char* text) {
  s.frame = s.bounds = CFRect(0, 0, 20, 20);
  s.layoutKind = layout;
  s.borderWidth = 1.0f;
  s.marginX = s.marginY = s.gapX = s.gapY = 0.5f;
  AddText(s.chars, text, TestAttr());
  s.LayoutChars();
}

struct Cell {
  float x, bottom, height;
};

std::vector<std::vector<PathPoint>> Contours(const CPathPointList& l) {
  std::vector<std::vector<PathPoint>> out;
  pathrec::Records r(l.points);
  for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
    if (!pathrec::IsPoint(r.p[i].flags)) continue;
    if ((r.p[i].flags & PP_START) || out.empty()) out.emplace_back();
    out.back().push_back(r.p[i]);
  }
  return out;
}

CFRect BoxOf(const std::vector<PathPoint>& c) {
  CFRect b(1e30f, 1e30f, -1e30f, -1e30f);
  for (const PathPoint& p : c) {
    const float x = p.x, y = p.y;
    b = CFRect(std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y));
  }
  return b;
}

std::string RecordBytes(CGraphObject& o, std::uint32_t* length = nullptr) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  if (length) *length = n;
  plat::GlobalBlock block(h);
  plat::GlobalLockGuard g(h);
  return g ? std::string(reinterpret_cast<const char*>(g.bytes()), n) : std::string();
}

TEST(Seal, CellsOfEachLayout) {
  StubGlyphSource glyphs;
  const Cell R0{10.25f, 9.75f, 8.25f}, R1{10.25f, 18.5f, 8.25f}, RF{10.25f, 18.5f, 17};
  const Cell L0{1.5f, 9.75f, 8.25f}, L1{1.5f, 18.5f, 8.25f}, LF{1.5f, 18.5f, 17};
  struct Case {
    std::uint8_t layout;
    const char* text;
    std::vector<Cell> cells;
  } cases[] = {
      {1, "A", {RF}},
      {1, "ABC", {RF, LF, {-7.25f, 18.5f, 17}}},  // the row goes on towards x0
      {2, "AB", {R0, R1}},
      {2, "ABCD", {R0, R1, LF, LF}},
      {3, "ABC", {RF, L0, L1}},
      {3, "ABCDE", {RF, L0, L1, L1, L1}},
      {4, "ABCD", {R0, R1, L0, L1}},
      {4, "ABC", {R0, R1, L0}},
      {4, "ABCDE", {R0, R1, L0, L1, L1}},
  };
  for (const Case& c : cases) {
    CSealObject s;
    MakeSeal(s, c.layout, c.text);
    ASSERT_EQ(s.chars.GetSize(), int(c.cells.size()));
    for (int i = 0; i < s.chars.GetSize(); ++i) {
      const CBoxChar* ch = s.chars.CharAt(i);
      const Cell& want = c.cells[std::size_t(i)];
      SCOPED_TRACE(std::string(c.text) + " layout " + std::to_string(c.layout) + " char " + std::to_string(i));
      EXPECT_FLOAT_EQ(ch->x, want.x);
      EXPECT_FLOAT_EQ(ch->y, want.bottom);
      EXPECT_FLOAT_EQ(ch->sizeX, 8.25f);
      EXPECT_FLOAT_EQ(ch->sizeY, want.height);
      EXPECT_FLOAT_EQ(ch->box.left, want.x);
      EXPECT_FLOAT_EQ(ch->box.right, want.x + 8.25f);
      EXPECT_FLOAT_EQ(ch->box.top, want.bottom - want.height);
      EXPECT_FLOAT_EQ(ch->box.bottom, want.bottom);
      auto m = s.GetCharMatrix(i);
      ASSERT_TRUE(m);
      EXPECT_FLOAT_EQ(m->m00, 8.25f / 1024);
      EXPECT_FLOAT_EQ(m->m11, want.height / 1024);
      EXPECT_FLOAT_EQ(m->m20, want.x);
      EXPECT_FLOAT_EQ(m->m21, want.bottom - want.height);
    }
  }
  // Kinds 0, 5 and 6 place nothing: the characters stay where they were.
  for (std::uint8_t layout : {0, 5, 6}) {
    CSealObject s;
    AddText(s.chars, "AB", TestAttr());
    s.chars.CharAt(1)->Offset(3, 4);
    const float x = s.chars.CharAt(1)->x, y = s.chars.CharAt(1)->y;
    s.layoutKind = layout;
    s.frame = CFRect(0, 0, 20, 20);
    s.LayoutChars();
    EXPECT_EQ(s.chars.CharAt(1)->x, x);
    EXPECT_EQ(s.chars.CharAt(1)->y, y);
  }
  CSealObject s;
  EXPECT_EQ(s.GetCharMatrix(0), nullptr);
}

TEST(Seal, FrameContours) {
  struct Case {
    std::uint8_t shape;
    float width, height, border, corner;
    std::size_t contours;
    std::size_t pointsPerContour;
  } cases[] = {
      {0, 20, 20, 0, 2, 1, 5},  {0, 20, 20, 2, 2, 2, 5},  {1, 20, 20, 0, 2, 1, 9},
      {1, 20, 20, 2, 2, 2, 9},  {2, 20, 20, 0, 2, 1, 17}, {2, 20, 20, 2, 2, 2, 17},
      {1, 0, 20, 0, 2, 1, 5},   {2, 20, 0, 0, 2, 1, 5},   {7, 20, 20, 0, 2, 1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("shape " + std::to_string(c.shape) + " w " + std::to_string(c.border) + " W " +
                 std::to_string(c.width));
    CSealObject s;
    s.frame = CFRect(10, 10, 10 + c.width, 10 + c.height);
    s.frameShape = c.shape;
    s.borderWidth = c.border;
    s.cornerValue = c.corner;
    auto frame = s.MakeFrameOutline(nullptr);
    ASSERT_TRUE(frame);
    frame->ApplyTransform();
    const auto contours = Contours(*frame);
    ASSERT_EQ(contours.size(), c.contours);
    for (const auto& k : contours) {
      EXPECT_EQ(k.size(), c.pointsPerContour);
      for (const PathPoint& p : k) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
    const CFRect outer = BoxOf(contours[0]);
    EXPECT_FLOAT_EQ(outer.left, 10);
    EXPECT_FLOAT_EQ(outer.right, 10 + c.width);
    if (c.contours == 2) {
      const CFRect inner = BoxOf(contours[1]);
      EXPECT_FLOAT_EQ(inner.left, 10 + c.border);
      EXPECT_FLOAT_EQ(inner.top, 10 + c.border);
      EXPECT_FLOAT_EQ(inner.right, 10 + c.width - c.border);
    }
  }
  // Chamfer of 2 cuts 1 from each corner; corner 1 with ring 2 leaves the inner corners square.
  CSealObject s;
  s.frame = CFRect(0, 0, 20, 20);
  s.frameShape = 1;
  s.cornerValue = 2;
  auto frame = s.MakeFrameOutline(nullptr);
  frame->ApplyTransform();
  bool cut = false;
  const auto chamfered = Contours(*frame);
  for (const PathPoint& p : chamfered[0]) {
    const float x = p.x, y = p.y;
    cut = cut || (std::fabs(x - 1) < 1e-5f && y == 0);
    EXPECT_FALSE(x == 0 && y == 0);
  }
  EXPECT_TRUE(cut);
  s.cornerValue = 1;
  s.borderWidth = 2;
  frame = s.MakeFrameOutline(nullptr);
  frame->ApplyTransform();
  const auto ring = Contours(*frame);
  for (const PathPoint& p : ring[1]) {
    const float x = p.x, y = p.y;
    EXPECT_TRUE((x == 2 || x == 18) && (y == 2 || y == 18)) << x << "," << y;
  }
  // The placement matrix and the argument apply to the frame.
  s.matrix = CMatrix3(1, 0, 0, 1, 100, 0);
  CMatrix3 twice(2, 0, 0, 2, 0, 0);
  frame = s.MakeFrameOutline(&twice);
  frame->ApplyTransform();
  EXPECT_FLOAT_EQ(BoxOf(Contours(*frame)[0]).left, 200);
}

TEST(Seal, OutlineHoldsFrameAndGlyphsInTheirCells) {
  StubGlyphSource glyphs;
  CSealObject s;
  MakeSeal(s, 4, "\xB0\xA1\xB0\xA4\xB0\xA1\xB0\xA4");
  std::unique_ptr<CPathPointList> o(s.MakeOutline(nullptr, 0));
  ASSERT_TRUE(o);
  const auto contours = Contours(*o);
  ASSERT_EQ(contours.size(), 2u + 4u);
  // The stub's square spans 100..900 of the 1024 em: inside the first cell (x1/y0).
  const CFRect g = BoxOf(contours[2]);
  EXPECT_NEAR(g.left, 10.25f + 8.25f * 100 / 1024, 1e-4);
  EXPECT_NEAR(g.bottom, 1.5f + 8.25f * 900 / 1024, 1e-4);
  EXPECT_TRUE(o->matrix.IsIdentity());

  s.color = 0x00FF00;
  auto path = s.ConvertToPath(-1);
  ASSERT_TRUE(path);
  EXPECT_EQ(static_cast<CPathObject*>(path.get())->color, 0x00FF00u);
  EXPECT_EQ(s.ConvertToPath(5), nullptr);
}

TEST(Seal, RecordRoundTripLosesOnlyTheColour) {
  StubGlyphSource glyphs;
  RegisterLibraryRecordReaders();
  CSealObject s;
  MakeSeal(s, 3, "A\xB0\xA1Z");
  s.frameShape = 2;
  s.cornerValue = 3.5f;
  s.flags = 0x0100;
  s.color = 0x123456;
  s.matrix = CMatrix3(1, 0.5f, 0, 1, 7, 8);
  s.chars.CharAt(1)->color = 0xFF;
  std::uint32_t n = 0;
  const std::string rec = RecordBytes(s, &n);
  const auto* p = reinterpret_cast<const std::uint8_t*>(rec.data());
  plat::HGLOBAL h = 0;
  const std::uint32_t box = s.chars.PackToGlobal(&h);
  plat::GlobalFree(h);
  ASSERT_EQ(n, box + 106);
  EXPECT_EQ(rec[0], 'P');
  EXPECT_EQ(p[5], 144);
  EXPECT_EQ(plat::GetF32(p + 64), 2.0f);
  EXPECT_EQ(p[68], 3);
  EXPECT_EQ(p[n - 1], 241);

  auto back = CreateObjectFromRecord(p, n);
  ASSERT_TRUE(back);
  auto* s2 = dynamic_cast<CSealObject*>(back.get());
  ASSERT_NE(s2, nullptr);
  EXPECT_EQ(s2->color, 0u);
  EXPECT_EQ(s2->frameShape, 2);
  EXPECT_EQ(s2->layoutKind, 3);
  EXPECT_EQ(s2->cornerValue, 3.5f);
  EXPECT_EQ(s2->flags, 0x0100);
  EXPECT_TRUE(s2->matrix == s.matrix);
  ASSERT_EQ(s2->chars.GetSize(), 3);
  EXPECT_EQ(s2->chars.GetText(), s.chars.GetText());
  EXPECT_EQ(s2->chars.CharAt(1)->color, 0xFFu);
  EXPECT_EQ(RecordBytes(*s2), rec);

  // A copy keeps the colour; the first byte decides the class.
  auto copy = s.Clone();
  ASSERT_TRUE(copy);
  EXPECT_EQ(static_cast<CSealObject*>(copy.get())->color, 0x123456u);
  std::string other = rec;
  other[0] = 'Q';
  EXPECT_EQ(CSealObject::LoadFromRecord(reinterpret_cast<const std::uint8_t*>(other.data()), n), nullptr);

  // Stored shapes outside 0..2 read as 0; a seal without characters is 106 bytes.
  for (float shape : {-1.0f, 3.0f, 1e30f, std::nanf(""), 2.9f}) {
    std::string bad = rec;
    plat::PutF32(reinterpret_cast<std::uint8_t*>(bad.data()) + 64, shape);
    auto b = CSealObject::LoadFromRecord(reinterpret_cast<const std::uint8_t*>(bad.data()), n);
    ASSERT_TRUE(b);
    EXPECT_EQ(static_cast<CSealObject*>(b.get())->frameShape, shape == 2.9f ? 2 : 0) << shape;
  }
  CSealObject empty;
  EXPECT_EQ(RecordBytes(empty).size(), 106u);
}

TEST(Seal, EmbeddedBlockIsReadWithinTheRecord) {
  StubGlyphSource glyphs;
  CSealObject s;
  MakeSeal(s, 4, "ABCD");
  std::uint32_t n = 0;
  const std::string rec = RecordBytes(s, &n);
  // The box block claims more bytes than the record holds.
  std::string bad = rec;
  plat::PutU32(reinterpret_cast<std::uint8_t*>(bad.data()) + CSealObject::kBoxOffset + 1, 0x7FFFFFFF);
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  auto b = CSealObject::LoadFromRecord(reinterpret_cast<const std::uint8_t*>(bad.data()), n);
  ASSERT_TRUE(b);
  EXPECT_LE(static_cast<CSealObject*>(b.get())->chars.GetSize(), 4);
  // Every cut of the record: read (or refused) without reading past it.
  for (std::uint32_t len = 0; len < n; ++len) {
    std::vector<std::uint8_t> cut(rec.begin(), rec.begin() + len);
    auto o = CSealObject::LoadFromRecord(cut.data(), len);
    if (o) delete o->MakeOutline(nullptr, 0);
  }
}

TEST(Seal, OffsetMovesFrameAndCharactersOrTheMatrix) {
  StubGlyphSource glyphs;
  CSealObject s;
  MakeSeal(s, 4, "AB");
  s.Offset(5, 6);
  EXPECT_FLOAT_EQ(s.frame.left, 5);
  EXPECT_FLOAT_EQ(s.frame.bottom, 26);
  EXPECT_FLOAT_EQ(s.chars.CharAt(0)->x, 15.25f);
  EXPECT_FLOAT_EQ(s.chars.CharAt(0)->box.bottom, 15.75f);
  EXPECT_FLOAT_EQ(s.bounds.left, 5);
  EXPECT_TRUE(s.matrix.IsIdentity());

  s.matrix = CMatrix3(2, 0, 0, 2, 1, 1);
  s.Offset(5, 6);
  EXPECT_FLOAT_EQ(s.frame.left, 5);
  EXPECT_FLOAT_EQ(s.chars.CharAt(0)->x, 15.25f);
  EXPECT_FLOAT_EQ(s.matrix.m20, 6);
  EXPECT_FLOAT_EQ(s.matrix.m21, 7);
  EXPECT_FLOAT_EQ(s.bounds.left, 10);
}

TEST(Seal, FilledFlagReachesTheCharactersWithUndo) {
  StubGlyphSource glyphs;
  FakeDocument doc;
  FakeView view(&doc);
  FakeApp app;
  app.activeView = &view;
  CSealObject s;
  MakeSeal(s, 4, "ABCD");
  view.undo.StartRecord(0);
  s.SetFlags(&view, OBJF_FILLED, OBJF_FILLED);
  view.undo.EndRecord();
  EXPECT_EQ(s.flags, OBJF_FILLED);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(s.chars.CharAt(i)->flags & BOXF_FILLED, BOXF_FILLED);
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(s.flags, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(s.chars.CharAt(i)->flags & BOXF_FILLED, 0);

  // Colours of a range, each changed cell invalidated once.
  view.invalidated.clear();
  s.SetCharColor(&view, 1, 9, 0xFF, true);
  EXPECT_EQ(s.chars.CharAt(0)->color, 0u);
  EXPECT_EQ(s.chars.CharAt(3)->color, 0xFFu);
  EXPECT_EQ(view.invalidated.size(), 3u);
  s.SetCharColor(&view, 0, 3, 0xFF, true);
  EXPECT_EQ(view.invalidated.size(), 4u);
}

TEST(Seal, DrawingSkipsCellsOutsideTheVisibleArea) {
  StubGlyphSource glyphs;
  CSealObject s;
  MakeSeal(s, 4, "ABCD");  // single-byte glyphs are fetched for every drawing
  s.color = 0x0000FF;
  FakeView view;
  CMatrix3 scale(3, 0, 0, 3, 0, 0);
  glyphs.outlineRequests = 0;
  s.Draw(view.dc.get(), &scale, nullptr);
  EXPECT_EQ(glyphs.outlineRequests, 4);
  EXPECT_EQ(view.dc->GetPixel(0, 30), plat::RGB(0, 0, 255));  // the frame, in the seal's colour
  struct Case {
    CFRect visible;
    int drawn;
  } cases[] = {
      {CFRect(9.75f, 0, 20, 20), 4},  // touching the left column counts as meeting
      {CFRect(10, 0, 20, 20), 2},
      {CFRect(10, 9.75f, 20, 20), 2},  // the right column's y0 cell ends at 9.75
      {CFRect(10, 10, 20, 20), 1},
      {CFRect(19, 0, 20, 20), 0},
      {CFRect(0, 18.6f, 20, 30), 0},
  };
  for (const Case& c : cases) {
    glyphs.outlineRequests = 0;
    s.Draw(view.dc.get(), &scale, &c.visible);
    EXPECT_EQ(glyphs.outlineRequests, c.drawn) << c.visible.left << "," << c.visible.top;
  }
}

}  // namespace
