// Guide lines, output areas, their list and its block, clipboard and file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/resources.h"
#include "model/guideline.h"
#include "model/guidelinepage.h"
#include "model/guidelist.h"
#include "model/outarea.h"
#include "model/tests/fakes.h"
#include "model/tests/memory_io.h"
#include "platform/bytes.h"
#include "platform/report.h"

namespace {

std::vector<std::uint8_t> Bytes(plat::HGLOBAL h, std::size_t n) {
  plat::GlobalLockGuard g(h);
  return std::vector<std::uint8_t>(g.bytes(), g.bytes() + n);
}

std::vector<std::uint8_t> Record(CGuideItem& item, std::size_t extra = 0) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = item.WriteRecord(&h);
  std::vector<std::uint8_t> out = Bytes(h, n + extra);
  plat::GlobalFree(h);
  return out;
}

std::vector<std::uint8_t> Pack(CGuideList& list) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  if (n == 0) return {};
  std::vector<std::uint8_t> out = Bytes(h, n);
  plat::GlobalFree(h);
  return out;
}

std::vector<std::uint8_t> F32(float f) {
  std::vector<std::uint8_t> b(4);
  plat::PutF32(b.data(), f);
  return b;
}

std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

CGuideLine* Line(CGuideList& l, int i) { return static_cast<CGuideLine*>(l.GetAt(i)); }
COutArea* Area(CGuideList& l, int i) { return static_cast<COutArea*>(l.GetAt(i)); }

struct GuideTest : ::testing::Test {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  std::size_t liveBefore = plat::GlobalLiveCount();
  void TearDown() override { EXPECT_EQ(plat::GlobalLiveCount(), liveBefore) << "leaked blocks"; }
};

// --- Records and blocks -----------------------------------------------------------

TEST_F(GuideTest, GoldenRecords) {
  CGuideLine g(12.5f, -3.0f, 33.333333333);
  const std::vector<std::uint8_t> want =
      Cat({{'A', 20, 0, 0, 0, 0, 0}, F32(33.333333333f), F32(12.5f), F32(-3.0f), {240}});
  EXPECT_EQ(Record(g), want);

  COutArea a(1.0f, 2.0f, 30.0f, 40.0f);
  a.drawFlags = 0x0123;
  const std::vector<std::uint8_t> wantArea = Cat(
      {{'B', 24, 0, 0, 0, 0x23, 0x01}, F32(1.0f), F32(2.0f), F32(30.0f), F32(40.0f), {240, 254}});
  EXPECT_EQ(Record(a, 1), wantArea);

  // Read back: the angle comes back as a 32-bit float.
  auto back = CGuideLine::LoadFromRecord(want.data(), want.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->angle, double(33.333333333f));
  EXPECT_NE(back->angle, 33.333333333);
  EXPECT_EQ(back->x, 12.5f);
  EXPECT_EQ(back->y, -3.0f);
  auto area = COutArea::LoadFromRecord(wantArea.data(), 24);
  ASSERT_TRUE(area);
  EXPECT_EQ(area->area, CFRect(1, 2, 30, 40));
  EXPECT_EQ(area->drawFlags, 0x0123);
  EXPECT_EQ(area->AllowsRotateSkew(), 0);
  EXPECT_EQ(g.AllowsRotateSkew(), 1);
  EXPECT_EQ(COutArea().drawFlags, 0x100);
}

TEST_F(GuideTest, OneGuidePacksTo26Bytes) {
  CGuideList list;
  list.Add(new CGuideLine(1, 2, 90.0));
  const std::vector<std::uint8_t> block = Pack(list);
  ASSERT_EQ(block.size(), 26u);
  EXPECT_EQ(block[0], 1);
  EXPECT_EQ(plat::GetU32(&block[1]), 26u);
  EXPECT_EQ(block[5], 'A');
  EXPECT_EQ(block[24], 240);
  EXPECT_EQ(block[25], 254);

  CGuideList empty;
  plat::HGLOBAL h = 77;
  EXPECT_EQ(empty.PackToGlobal(&h), 0u);
  EXPECT_EQ(h, 77u);
}

TEST_F(GuideTest, ListRoundTripIsByteIdentical) {
  CGuideList list;
  list.Add(new CGuideLine(1, 2, 0.0));
  list.Add(new COutArea(0, 0, 100, 50));
  list.Add(new CGuideLine(-7.25f, 1e6f, 135.0));
  list.Add(new COutArea(5, 6, 7, 8));
  Area(list, 3)->drawFlags = 0;
  const std::vector<std::uint8_t> block = Pack(list);
  ASSERT_EQ(block.size(), 5u + 20 + 24 + 20 + 24 + 1);
  auto back = CGuideList::UnpackFromBuffer(block.data(), block.size());
  ASSERT_TRUE(back);
  ASSERT_EQ(back->GetSize(), 4);
  EXPECT_EQ(back->GetAt(1)->letter, 'B');
  EXPECT_EQ(Area(*back, 3)->drawFlags, 0);
  EXPECT_EQ(Pack(*back), block);

  // Through a file: written at the position, read back from there.
  MemFile file;
  file.data.assign(3, 0xEE);
  file.pos = 3;
  EXPECT_EQ(list.WriteToFile(file), 1);
  file.pos = 3;
  CGuideList loaded;
  loaded.Add(new CGuideLine(9, 9, 90.0));
  EXPECT_EQ(loaded.LoadFromFile(file), 1);
  EXPECT_EQ(file.pos, 3 + block.size());
  ASSERT_EQ(loaded.GetSize(), 5);
  EXPECT_EQ(Line(loaded, 0)->x, 9.0f);
  EXPECT_EQ(Line(loaded, 3)->y, 1e6f);
}

TEST_F(GuideTest, EmptyListWritesNothingAndReadingThereMovesFiveBytes) {
  CGuideList empty;
  MemFile file;
  EXPECT_EQ(empty.WriteToFile(file), 0);
  EXPECT_TRUE(file.data.empty());

  // What follows in the file is read as a head and refused.
  file.data = {2, 6, 0, 0, 0, 254, 1, 2, 3};
  EXPECT_FALSE(CGuideList::ReadFromFile(file));
  EXPECT_EQ(file.pos, 5u);
  EXPECT_EQ(empty.LoadFromFile(file), 1);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(GuideTest, BlocksThatCannotBeTrustedStopTheWalk) {
  CGuideList list;
  list.Add(new CGuideLine(1, 1, 0.0));
  list.Add(new COutArea(0, 0, 10, 10));
  const std::vector<std::uint8_t> good = Pack(list);  // records at 5 and 25
  struct Case {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
    int items;  // -1: no list
  };
  const std::uint8_t nan[4] = {0, 0, 0xC0, 0x7F};
  const std::vector<Case> cases = {
      {"other version byte", 0, {2}, -1},
      {"zero record length", 6, {0, 0, 0, 0}, -1},
      {"record shorter than its fields", 26, {23, 0, 0, 0}, 1},
      {"record past the block", 26, {200, 0, 0, 0}, 1},
      {"huge record length", 6, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
      {"unknown letter keeps the items before", 25, {'C'}, 1},
      {"refused record is skipped by its length", 12, {nan, nan + 4}, 1},
      {"block length beyond the buffer", 1, {0xFF, 0xFF, 0xFF, 0x7F}, 2},
      {"block length too short for any record", 1, {6, 0, 0, 0}, -1},
      {"block length below the head", 1, {2, 0, 0, 0}, -1},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> b = good;
    std::copy(c.bytes.begin(), c.bytes.end(), b.begin() + std::ptrdiff_t(c.at));
    auto read = CGuideList::UnpackFromBuffer(b.data(), b.size());
    if (c.items < 0) {
      EXPECT_FALSE(read) << c.what;
    } else {
      ASSERT_TRUE(read) << c.what;
      EXPECT_EQ(read->GetSize(), c.items) << c.what;
    }
  }
  // An area whose record is refused is skipped, the guide after it read.
  CGuideList two;
  two.Add(new CGuideLine(1, 1, 0.0));
  two.Add(new CGuideLine(2, 2, 0.0));
  std::vector<std::uint8_t> b = Pack(two);
  std::memcpy(&b[5 + 7], nan, 4);
  auto read = CGuideList::UnpackFromBuffer(b.data(), b.size());
  ASSERT_TRUE(read);
  ASSERT_EQ(read->GetSize(), 1);
  EXPECT_EQ(Line(*read, 0)->x, 2.0f);
}

TEST_F(GuideTest, EveryTruncationAndByteChangeStaysInBounds) {
  CGuideList list;
  list.Add(new CGuideLine(1, 2, 45.0));
  list.Add(new COutArea(0, 0, 10, 10));
  list.Add(new CGuideLine(3, 4, 90.0));
  const std::vector<std::uint8_t> good = Pack(list);
  for (std::size_t n = 0; n <= good.size(); ++n) {
    // An exact-size copy, so ASan sees any read past it.
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    auto read = CGuideList::UnpackFromBuffer(cut.data(), cut.size());
    if (read) EXPECT_LE(read->GetSize(), 3);
  }
  for (std::size_t i = 0; i < good.size(); ++i)
    for (int v : {0x00, 0x01, 0x05, 0x14, 0x18, 0x41, 0x42, 0x7F, 0xF0, 0xFE, 0xFF}) {
      std::vector<std::uint8_t> b = good;
      b[i] = std::uint8_t(v);
      auto read = CGuideList::UnpackFromBuffer(b.data(), b.size());
      if (read) {
        EXPECT_LE(read->GetSize(), 3);
        for (CGuideItem* item : read->Items()) Record(*item);
      }
    }
}

TEST_F(GuideTest, ReadFromFileBoundsTheBlockByTheFile) {
  CGuideList list;
  list.Add(new CGuideLine(1, 2, 0.0));
  const std::vector<std::uint8_t> block = Pack(list);
  MemFile file;
  file.data = block;
  file.data.resize(block.size() - 1);  // the end byte is missing
  EXPECT_FALSE(CGuideList::ReadFromFile(file));
  EXPECT_EQ(file.pos, 5u);

  file.data = block;
  plat::PutU32(&file.data[1], 0xFFFFFFF0u);  // would allocate 4 GB
  file.pos = 0;
  EXPECT_FALSE(CGuideList::ReadFromFile(file));
  EXPECT_EQ(file.pos, 5u);

  file.data = {1, 0};  // short head
  file.pos = 0;
  EXPECT_FALSE(CGuideList::ReadFromFile(file));
}

// --- Clipboard ----------------------------------------------------------------------

TEST_F(GuideTest, ClipboardCarriesTheSelectedItems) {
  FakeClipboard clip;
  CClipboardServices* old = SetClipboardServices(&clip);
  RegisteredClipboardFormats().guideItems = 0xC006;

  CGuideList list;
  list.Add(new CGuideLine(1, 2, 0.0));
  list.Add(new COutArea(0, 0, 10, 10));
  list.Add(new CGuideLine(3, 4, 90.0));
  clip.SetData(0xC005, plat::GlobalAlloc(plat::GHND, 8));  // something already there

  // Nothing selected: the clipboard stays as it was.
  EXPECT_EQ(list.CopyToClipboard(), 1);
  EXPECT_EQ(clip.empties, 0);
  EXPECT_NE(clip.Get(0xC005), 0u);

  list.Select(nullptr, nullptr, nullptr, list.GetAt(1));
  list.Select(nullptr, nullptr, nullptr, list.GetAt(2));
  list.GetAt(2)->selection = 2;  // marked items are not copied
  clip.canOpen = false;
  EXPECT_EQ(list.CopyToClipboard(), 0);
  EXPECT_EQ(list.PasteFromClipboard(), 0);
  clip.canOpen = true;
  EXPECT_EQ(list.CopyToClipboard(), 1);
  EXPECT_EQ(clip.empties, 1);
  EXPECT_EQ(clip.Get(0xC005), 0u);
  ASSERT_NE(clip.Get(0xC006), 0u);

  CGuideList other;
  other.Add(new CGuideLine(7, 7, 0.0));
  EXPECT_EQ(other.PasteFromClipboard(), 1);
  ASSERT_EQ(other.GetSize(), 2);
  EXPECT_EQ(Area(other, 1)->area, CFRect(0, 0, 10, 10));
  EXPECT_EQ(clip.opens, clip.closes + 2);  // the two refused opens are not closed

  // A block the list cannot read pastes nothing.
  clip.Empty();
  plat::HGLOBAL junk = plat::GlobalAlloc(plat::GHND, 3);
  clip.SetData(0xC006, junk);
  EXPECT_EQ(other.PasteFromClipboard(), 0);
  EXPECT_EQ(other.GetSize(), 2);

  RegisteredClipboardFormats().guideItems = 0;
  SetClipboardServices(old);
}

// --- Hit tests ------------------------------------------------------------------------

TEST_F(GuideTest, GuideLineHitTest) {
  struct Case {
    double angle;
    float px, py, t;
    int hit;
  };
  const float t = 0.5f;
  const std::vector<Case> cases = {
      {0.0, 999, 10.5f, t, 1},      {0.0, -5, 10.5001f, t, 0},   {180.0, 0, 9.5f, t, 1},
      {360.0, 0, 10.0f, 0.0f, 1},   {90.0, 20.5f, -1e6f, t, 1},  {270.0, 19.49f, 0, t, 0},
      {450.0, 20.0f, 77, t, 1},     {45.0, 21.0f, 9.0f, 0.01f, 1},  // on the line (y up)
      {45.0, 21.0f, 11.0f, 1.0f, 0},  // the mirrored point is ~1.41 away
      {45.0, 21.0f, 11.0f, 1.5f, 1},  {-90.0, 20.0f, 5, t, 1},
  };
  for (const Case& c : cases) {
    CGuideLine g(20.0f, 10.0f, c.angle);
    EXPECT_EQ(g.HitTest(c.px, c.py, c.t), c.hit) << c.angle << " " << c.px << "," << c.py;
  }
  CGuideLine bad(0, 0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(bad.HitTest(0, 0, 100), 0);
}

TEST_F(GuideTest, OutputAreaHitTestAndHandles) {
  COutArea a(0, 0, 100, 100);
  const float t = 2.0f;
  EXPECT_EQ(a.HitTest(50, 50, t), 0);    // centre
  EXPECT_EQ(a.HitTest(1, 50, t), 1);     // 0.5 t inside the left edge
  EXPECT_EQ(a.HitTest(-2, 50, t), 0);    // exactly t outside: strict
  EXPECT_EQ(a.HitTest(-2.1f, 50, t), 0); // outside the grown rectangle
  EXPECT_EQ(a.HitTest(50, 101.9f, t), 1);
  EXPECT_EQ(a.HitTest(99, 99, t), 1);

  FakeView view;
  view.unitsPerPixel = 0.5;  // t = 1.5
  int index = 7;
  EXPECT_EQ(a.HitTestHandle(&view, 50, 50, &index), 0);
  EXPECT_EQ(index, -1);
  const struct {
    float x, y;
    int index;
  } corners[] = {{1.5f, -1.5f, 0}, {98.5f, 0, 1}, {0, 101.5f, 2}, {101, 99, 3}};
  for (const auto& c : corners) {
    EXPECT_EQ(a.HitTestHandle(&view, c.x, c.y, &index), 1);
    EXPECT_EQ(index, c.index);
  }
  EXPECT_EQ(a.HitTestHandle(&view, 101.6f, 99, &index), 0);
  // Narrower than 2 t: the top-left corner wins.
  COutArea narrow(0, 0, 2, 50);
  EXPECT_EQ(narrow.HitTestHandle(&view, 1, 0, &index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(narrow.HitTestHandle(&view, 1, 0, nullptr), 1);
}

// --- Drawing ---------------------------------------------------------------------------

struct GuideDrawTest : GuideTest {
  FakeView view{nullptr, 120, 100};
  CFRect extent{0, 0, 60, 50};
  void SetUp() override {
    CreateSharedDrawingTools();
    view.hasMatrix = true;
    view.viewMatrix = CMatrix3(2, 0, 0, 2, 0, 0);
    view.dc->StartRecording();
  }
  const plat::DcCall* Last(const char* op) const {
    const auto& calls = view.dc->Recorded();
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->op == op) return &*it;
    return nullptr;
  }
};

TEST_F(GuideDrawTest, GuideLinesReachTheGrownExtentAndXorTwiceErases) {
  const auto before = view.Pixels();
  struct Case {
    double angle;
    std::vector<plat::POINT> ends;  // MoveTo, LineTo (device = page x 2)
  };
  // Extent grown by 5 x m00 = 10 page units: -10 .. 70, -10 .. 60.
  const std::vector<Case> cases = {
      {0.0, {{-20, 40}, {140, 40}}},
      {90.0, {{60, -20}, {60, 120}}},
      {450.0, {{60, -20}, {60, 120}}},
      {45.0, {{-20, 120}, {140, -39}}},  // shallow branch at s just below 1
      {60.0, {{94, -20}, {13, 120}}},
  };
  for (const Case& c : cases) {
    CGuideLine g(30, 20, c.angle);
    view.dc->ClearRecording();
    g.DrawGuide(view.dc.get(), &view.viewMatrix, &extent);
    const plat::DcCall* move = Last("MoveTo");
    const plat::DcCall* line = Last("LineTo");
    ASSERT_TRUE(move && line) << c.angle;
    EXPECT_NEAR(move->points[0].x, c.ends[0].x, 1) << c.angle;
    EXPECT_NEAR(move->points[0].y, c.ends[0].y, 1) << c.angle;
    EXPECT_NEAR(line->points[0].x, c.ends[1].x, 1) << c.angle;
    EXPECT_NEAR(line->points[0].y, c.ends[1].y, 1) << c.angle;
    EXPECT_EQ(line->rop2, plat::R2_NOTXORPEN);
    EXPECT_EQ(line->penColor, plat::RGB(255, 0, 0));
    EXPECT_NE(view.Pixels(), before) << c.angle;
    g.DrawOutline(view.dc.get(), &view.viewMatrix, &extent);
    EXPECT_EQ(view.Pixels(), before) << c.angle;
    if (c.angle == 450.0) EXPECT_EQ(g.angle, 90.0);  // kept reduced once drawn
  }
  EXPECT_EQ(view.dc->GetROP2(), plat::R2_COPYPEN);

  // Huge and non-finite angles end at once.
  CGuideLine huge(30, 20, 1e300);
  huge.DrawGuide(view.dc.get(), &view.viewMatrix, &extent);
  EXPECT_GE(huge.angle, 0.0);
  EXPECT_LT(huge.angle, 360.0);
  CGuideLine inf(30, 20, std::numeric_limits<double>::infinity());
  view.dc->ClearRecording();
  inf.DrawGuide(view.dc.get(), &view.viewMatrix, &extent);
  EXPECT_FALSE(Last("LineTo"));
}

TEST_F(GuideDrawTest, OutputAreaDrawing) {
  COutArea a(5, 5, 20, 15);
  const auto before = view.Pixels();
  a.DrawGuide(view.dc.get(), &view.viewMatrix, &extent);
  const plat::DcCall* r = Last("Rectangle");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->points[0].x, 10);
  EXPECT_EQ(r->points[1].y, 30);
  EXPECT_EQ(r->penColor, plat::RGB(0, 255, 0));
  EXPECT_EQ(r->brushStyle, plat::BS_NULL);
  EXPECT_EQ(r->rop2, plat::R2_NOTXORPEN);
  a.DrawGuide(view.dc.get(), &view.viewMatrix, &extent);
  EXPECT_EQ(view.Pixels(), before);

  a.Draw(view.dc.get(), &view.viewMatrix, &extent);  // filled: white brush, blue pen
  r = Last("Rectangle");
  EXPECT_EQ(r->penColor, plat::RGB(0, 0, 255));
  EXPECT_EQ(r->brushStyle, plat::BS_SOLID);
  EXPECT_EQ(r->brushColor, plat::RGB(255, 255, 255));
  EXPECT_EQ(r->rop2, plat::R2_COPYPEN);
  a.drawFlags = 0;
  a.Draw(view.dc.get(), &view.viewMatrix, &extent);
  EXPECT_EQ(Last("Rectangle")->brushStyle, plat::BS_NULL);

  EXPECT_EQ(a.InvalidateItem(&view, true), 1);
  ASSERT_EQ(view.invalidated.size(), 1u);
  EXPECT_EQ(view.invalidated[0], (plat::RECT{2, 2, 48, 38}));
  EXPECT_TRUE(view.invalidatedErase[0]);
  COutArea far(-3e38f, 0, 3e38f, 1);
  EXPECT_EQ(far.InvalidateItem(&view, false), 1);
  EXPECT_LT(view.invalidated[1].left, 0);
  EXPECT_GT(view.invalidated[1].right, 0);
}

// --- Selection and list operations ------------------------------------------------------

TEST_F(GuideDrawTest, SelectionStatesAndDeletion) {
  CGuideList list;
  auto* g1 = new CGuideLine(10, 10, 0.0);
  auto* area = new COutArea(5, 5, 20, 15);
  auto* g2 = new CGuideLine(30, 0, 90.0);
  list.Add(g1);
  list.Add(area);
  list.Add(g2);
  EXPECT_EQ(list.ItemAt(0, 10.2f, 0.5f), g1);
  EXPECT_EQ(list.ItemAt(5.1f, 10, 0.5f), g1);  // the first in list order
  EXPECT_EQ(list.ItemAt(12, 12, 0.5f), nullptr);

  plat::DC* dc = view.dc.get();
  list.Select(dc, &view.viewMatrix, &extent, area);
  list.Select(dc, &view.viewMatrix, &extent, g2);
  EXPECT_EQ(list.GetCurrent(), area);
  EXPECT_EQ(list.GetSelectedCount(), 2u);
  list.MarkAllSelected(dc, &view.viewMatrix, &extent);
  EXPECT_EQ(area->selection, 2);
  EXPECT_EQ(g2->selection, 2);
  EXPECT_EQ(g1->selection, 0);
  list.UnmarkAllSelected(dc, &view.viewMatrix, &extent);
  EXPECT_EQ(g2->selection, 1);
  list.OffsetSelected(1, 2);
  EXPECT_EQ(g2->x, 31.0f);
  EXPECT_EQ(area->area, CFRect(6, 7, 21, 17));
  EXPECT_EQ(g1->y, 10.0f);

  // Clearing erases the area's XOR mark and leaves the selected guide line drawn.
  const auto before = view.Pixels();
  area->DrawGuide(dc, &view.viewMatrix, &extent);
  list.ClearSelection(dc, &view.viewMatrix, &extent);
  EXPECT_EQ(view.Pixels(), before);
  EXPECT_EQ(area->selection, 0);
  EXPECT_EQ(list.GetCurrent(), nullptr);
  EXPECT_EQ(list.GetSelectedCount(), 0u);
  FakeWindow prop;
  EXPECT_EQ(list.ShowCurrentProperties(&prop), 0);
  EXPECT_EQ(list.ApplyCurrentProperties(&prop), 0);

  list.Select(dc, &view.viewMatrix, &extent, area);
  list.Select(dc, &view.viewMatrix, &extent, g1);
  list.DeleteSelected(&view);
  ASSERT_EQ(list.GetSize(), 1);
  EXPECT_EQ(list.GetAt(0), g2);
  EXPECT_EQ(view.invalidated.size(), 1u);  // the area invalidates its frame
  EXPECT_EQ(list.GetCurrent(), nullptr);
}

TEST_F(GuideTest, PropertyWindowPlacement) {
  FakeApp app;
  FakeWindow prop({100, 200, 300, 400});
  COutArea area(0, 0, 1, 1);
  EXPECT_EQ(area.ShowProperties(&prop), 1);
  EXPECT_EQ(prop.windowRect, (plat::RECT{100, 375, 300, 400}));
  EXPECT_EQ(prop.text, "无属性");
  ASSERT_TRUE(prop.Child());
  EXPECT_FALSE(prop.Child()->visible);
  EXPECT_TRUE(app.frame.texts.empty());  // no kind name for guide items

  CGuideLine g(1.5f, 2.25f, 0.0);
  prop.nextChildClient = {0, 0, 150, 90};
  EXPECT_EQ(g.ShowProperties(&prop), 1);
  EXPECT_EQ(prop.destroyed, 1);
  FakeWindow* panel = prop.Child();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->templateId, IDD_GUIDE_LINE);
  EXPECT_EQ(panel->userData, std::intptr_t(IDD_GUIDE_LINE));
  EXPECT_EQ(prop.windowRect, (plat::RECT{100, 400 - 25 - 90, 100 + 160, 400}));
  EXPECT_EQ(prop.text, "辅助线");
  EXPECT_TRUE(panel->IsItemChecked(IDC_GUIDE_TWO_POINTS));
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_X1), "1.50");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_Y1), "2.25");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_X2), "101.50");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_Y2), "2.25");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_ANGLE), "0.00");
  // The same panel is kept for the next guide.
  CGuideLine v(3, 4, 450.0);
  v.ShowProperties(&prop);
  EXPECT_EQ(prop.created, 2);
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_X2), "3.00");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_Y2), "-96.00");
  EXPECT_EQ(panel->GetItemText(IDC_GUIDE_ANGLE), "90.00");
}

TEST_F(GuideTest, PanelApplyInBothModes) {
  FakeWindow panel;
  struct Case {
    bool pointAngle;
    const char* x1;
    const char* y1;
    const char* x2;
    const char* y2;
    const char* a;
    int ok;
    float x, y;
    double angle;
  };
  const std::vector<Case> cases = {
      {false, "10", "20", "110", "20", "", 1, 10, 20, 0.0},
      {false, "10", "20", "10", "0", "", 1, 10, 20, 90.0},
      {false, "10", "20", "-5", "20", "", 1, 10, 20, 180.0},
      {false, "10", "20", "10", "30", "", 1, 10, 20, 270.0},
      {false, "0", "0", "100", "-100", "", 1, 0, 0, 45.0},
      {false, "0", "0", "-100", "100", "", 1, 0, 0, 225.0},
      {false, " 1.5 ", "2", "1.5", "2", "", 0, 0, 0, 0},  // equal points
      {false, "1", "2", "abc", "2", "", 0, 0, 0, 0},
      {false, "1", "", "3", "2", "", 0, 0, 0, 0},
      {false, "1e39", "2", "3", "2", "", 0, 0, 0, 0},  // beyond a float
      {true, "5", "6", "", "", "30", 1, 5, 6, 30.0},
      {true, "5", "6", "", "", "-90", 1, 5, 6, 270.0},
      {true, "5", "6", "", "", "720.5", 1, 5, 6, 0.5},
      {true, "5", "6", "", "", "nan", 0, 0, 0, 0},
      {true, "5", "6", "", "", "inf", 0, 0, 0, 0},
      {true, "5", "6", "", "", "12x", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    panel.CheckItem(IDC_GUIDE_TWO_POINTS, !c.pointAngle);
    panel.CheckItem(IDC_GUIDE_POINT_ANGLE, c.pointAngle);
    panel.SetItemText(IDC_GUIDE_X1, c.x1);
    panel.SetItemText(IDC_GUIDE_Y1, c.y1);
    panel.SetItemText(IDC_GUIDE_X2, c.x2);
    panel.SetItemText(IDC_GUIDE_Y2, c.y2);
    panel.SetItemText(IDC_GUIDE_ANGLE, c.a);
    CGuideLine g(-1, -1, 11.0);
    EXPECT_EQ(g.ApplyPropertyPanel(&panel), c.ok) << c.x1 << " " << c.x2 << " " << c.a;
    if (c.ok) {
      EXPECT_EQ(g.x, c.x);
      EXPECT_EQ(g.y, c.y);
      EXPECT_NEAR(g.angle, c.angle, 1e-9) << c.x2 << "," << c.y2 << " " << c.a;
    } else {
      EXPECT_EQ(g.x, -1.0f);
      EXPECT_EQ(g.angle, 11.0);
    }
  }
  // Fill then apply gives the guide back in either mode.
  for (bool pointAngle : {false, true}) {
    CGuideLine g(12.25f, -4.5f, 30.0);
    FillGuidePanel(panel, g.x, g.y, g.angle);
    panel.CheckItem(IDC_GUIDE_POINT_ANGLE, pointAngle);
    CGuideLine back;
    ASSERT_EQ(back.ApplyPropertyPanel(&panel), 1);
    EXPECT_EQ(back.x, 12.25f);
    EXPECT_EQ(back.y, -4.5f);
    EXPECT_NEAR(back.angle, 30.0, 0.01);
  }
}

TEST_F(GuideTest, GuideLinePageChecksTwoPointsAndHandsItselfOnOk) {
  CGuideLinePage::RegisterTemplate();
  fw::CWnd parent;
  parent.CreateEx(0, "", "", fw::WS_VISIBLE, fw::RECT{0, 0, 300, 300}, nullptr, 0);
  CGuideLinePage page;
  ASSERT_TRUE(page.Create(IDD_GUIDE_LINE, &parent));
  EXPECT_EQ(page.GetCheckedRadioButton(IDC_GUIDE_TWO_POINTS, IDC_GUIDE_POINT_ANGLE),
            IDC_GUIDE_TWO_POINTS);
  for (std::uint32_t id : {IDC_GUIDE_X1, IDC_GUIDE_Y1, IDC_GUIDE_X2, IDC_GUIDE_Y2, IDC_GUIDE_ANGLE})
    EXPECT_TRUE(page.GetDlgItem(id)) << id;
  int applied = 0;
  auto old = CGuideLinePage::SetApplyHandler([&](CGuideLinePage& p) {
    ++applied;
    EXPECT_EQ(&p, &page);
  });
  EXPECT_TRUE(page.ClickButton(fw::IDOK));
  EXPECT_EQ(applied, 1);
  EXPECT_FALSE(page.IsEnded());  // the panel stays
  CGuideLinePage::SetApplyHandler(old);
}

}  // namespace
