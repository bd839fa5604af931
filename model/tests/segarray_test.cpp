#include "model/segarray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/tests/fakes.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"
#include "model/tests/memory_io.h"
#include "model/tests/segarray_fixtures.h"
#include "platform/report.h"

namespace {

const char kBadText[] = "非法的CSegArray数据结构!";
const char kBadCaption[] = "数据结构错";

struct SegArrayTest : ::testing::Test {
  LineReader lines;
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  std::size_t liveBefore = plat::GlobalLiveCount();
  void TearDown() override { EXPECT_EQ(plat::GlobalLiveCount(), liveBefore) << "leaked blocks"; }
  int BadMessages() const {
    int n = 0;
    for (const auto& b : sink.boxes) n += b.text == kBadText && b.caption == kBadCaption;
    return n;
  }
};

TEST_F(SegArrayTest, OneLinePacksTo55BytesAndReadsBack) {
  CSegArray list;
  list.Add(new TestLine(1, 2, 3, 4));
  plat::HGLOBAL h = 0;
  ASSERT_EQ(list.PackToGlobal(&h), 55u);
  std::vector<std::uint8_t> b = BlockBytes(h);
  ASSERT_EQ(b.size(), 65u);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(U32At(b, 1), 55u);
  EXPECT_EQ(b[5], '$');
  EXPECT_EQ(U32At(b, 6), 49u);
  EXPECT_EQ(b[5 + 48], 241);
  EXPECT_EQ(b[54], 254);
  EXPECT_EQ(b[55], 255);
  EXPECT_TRUE(std::all_of(b.begin() + 56, b.end(), [](std::uint8_t c) { return c == 0; }));

  std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->GetSize(), 1);
  const CLineObject* l = AsLine(back->GetAt(0));
  ASSERT_TRUE(l);
  EXPECT_EQ(l->x2, 3.0f);
  EXPECT_EQ(l->bounds, CFRect(1, 2, 3, 4));
  EXPECT_EQ(BadMessages(), 0);

  // On disk the block is its 55 bytes, without the 255.
  const std::string path =
      (std::filesystem::temp_directory_path() / ("seglist-" + std::to_string(::getpid()))).string();
  {
    CDiskFile f;
    ASSERT_TRUE(f.Open(path, "wb"));
    EXPECT_EQ(list.WriteToFile(f), 1);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 55u);
  CSegArray read;
  {
    CDiskFile f;
    ASSERT_TRUE(f.Open(path, "rb"));
    EXPECT_EQ(read.ReadFromFile(f), 1);
    EXPECT_EQ(f.GetPosition(), 55u);
  }
  std::filesystem::remove(path);
  ASSERT_EQ(read.GetSize(), 1);
  EXPECT_EQ(AsLine(read.GetAt(0))->y1, 2.0f);
}

TEST_F(SegArrayTest, EmptyAndSilentListsWriteNothing) {
  // An empty list: 0, the handle untouched, nothing written.
  CSegArray empty;
  plat::HGLOBAL h = 12345;
  EXPECT_EQ(empty.PackToGlobal(&h), 0u);
  EXPECT_EQ(h, 12345u);
  MemFile f;
  f.data = {9, 9, 9};
  EXPECT_EQ(empty.WriteToFile(f), 0);
  EXPECT_EQ(f.data.size(), 3u);

  // Objects that write nothing: the block is sized before its end bytes go in.
  CSegArray silent;
  silent.Add(new SilentObject);
  silent.Add(new SilentObject);
  h = 0;
  ASSERT_EQ(silent.PackToGlobal(&h), 6u);
  std::vector<std::uint8_t> b = BlockBytes(h);
  ASSERT_EQ(b.size(), 16u);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 7),
            (std::vector<std::uint8_t>{2, 6, 0, 0, 0, 254, 255}));
  EXPECT_FALSE(CSegArray::UnpackFromGlobal(h));  // reads back as empty
  plat::GlobalFree(h);
  EXPECT_EQ(silent.WriteToFile(f), 0);
  EXPECT_EQ(f.data.size(), 3u);
  EXPECT_EQ(BadMessages(), 0);

  // Reading where nothing (or an empty block) was written leaves the position.
  for (std::vector<std::uint8_t> bytes : {std::vector<std::uint8_t>{},
                                          std::vector<std::uint8_t>{2, 6, 0, 0, 0, 254},
                                          std::vector<std::uint8_t>{1, 60, 0, 0, 0, 254, 7}}) {
    MemFile g;
    g.data = {7, 7};
    g.data.insert(g.data.end(), bytes.begin(), bytes.end());
    g.pos = 2;
    CSegArray target;
    EXPECT_EQ(target.ReadFromFile(g), 0);
    EXPECT_EQ(g.pos, 2u);
    EXPECT_TRUE(target.IsEmpty());
  }

  // A silent object between two lines leaves no gap.
  CSegArray mixed;
  mixed.Add(new TestLine(0, 0, 1, 1));
  mixed.Add(new SilentObject);
  mixed.Add(new TestLine(2, 2, 3, 3));
  std::vector<std::uint8_t> m = Packed(mixed);
  ASSERT_EQ(m.size(), 5u + 49 + 49 + 1);
  EXPECT_EQ(m[5 + 49], '$');
}

// A block of two lines to damage.
std::vector<std::uint8_t> TwoLines() {
  CSegArray list;
  list.Add(new TestLine(0, 0, 1, 1));
  list.Add(new TestLine(5, 5, 6, 6));
  return Packed(list);
}

TEST_F(SegArrayTest, HostileBlocksStopCleanly) {
  struct Case {
    const char* name;
    void (*damage)(std::vector<std::uint8_t>&);
    int objects;   // read before the fault
    int messages;  // 0 or 1
  };
  const Case cases[] = {
      {"intact", [](std::vector<std::uint8_t>&) {}, 2, 0},
      {"unknown first letter", [](std::vector<std::uint8_t>& b) { b[5] = '+'; }, 0, 1},
      {"unknown second letter", [](std::vector<std::uint8_t>& b) { b[54] = ','; }, 1, 1},
      {"record length 0", [](std::vector<std::uint8_t>& b) { SetU32(b, 55, 0); }, 1, 1},
      {"record length 24", [](std::vector<std::uint8_t>& b) { SetU32(b, 55, 24); }, 1, 1},
      {"record length past the block",
       [](std::vector<std::uint8_t>& b) { SetU32(b, 55, 0x7FFFFFF0); }, 1, 1},
      {"record running over the end byte", [](std::vector<std::uint8_t>& b) { SetU32(b, 55, 50); },
       1, 1},
      {"N cuts the second record", [](std::vector<std::uint8_t>& b) { SetU32(b, 1, 80); }, 1, 1},
      {"N below the smallest block", [](std::vector<std::uint8_t>& b) { SetU32(b, 1, 3); }, 0, 1},
      {"N past the buffer", [](std::vector<std::uint8_t>& b) { SetU32(b, 1, 0xFFFFFFFF); }, 2, 0},
      {"no end byte", [](std::vector<std::uint8_t>& b) { b.back() = 0; }, 2, 1},
      {"truncated in a record", [](std::vector<std::uint8_t>& b) { b.resize(70); }, 1, 1},
      {"only the head", [](std::vector<std::uint8_t>& b) { b.resize(5); }, 0, 1},
      {"wrong version", [](std::vector<std::uint8_t>& b) { b[0] = 3; }, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.clear();
    std::vector<std::uint8_t> b = TwoLines();
    c.damage(b);
    // Copied into a buffer of exactly its size so the sanitizers see any overread.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[b.size()]);
    std::memcpy(exact.get(), b.data(), b.size());
    std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(exact.get(), b.size());
    EXPECT_EQ(list ? list->GetSize() : 0, c.objects);
    EXPECT_EQ(BadMessages(), c.messages);
    if (c.messages) {
      ASSERT_EQ(sink.boxes.size(), 1u);
      EXPECT_EQ(sink.boxes[0].style & plat::MB_TYPEMASK, plat::MB_OK);
    }
  }
}

TEST_F(SegArrayTest, MutatedNestedBlocksNeverReadOutside) {
  // Lines and groups of lines three deep, then random damage.
  auto inner = std::make_unique<CGroupObject>();
  inner->AddChild(new TestLine(0, 0, 1, 1));
  inner->AddChild(new TestLine(1, 1, 2, 2));
  inner->matrix.m20 = 3;
  auto outer = std::make_unique<CGroupObject>();
  outer->AddChild(std::move(inner));
  outer->AddChild(new TestLine(4, 4, 5, 5));
  CSegArray list;
  list.Add(std::move(outer));
  list.Add(new TestLine(7, 7, 8, 8));
  const std::vector<std::uint8_t> good = Packed(list);
  {
    std::unique_ptr<CSegArray> back = CSegArray::UnpackFromBuffer(good.data(), good.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetSize(), 2);
    EXPECT_EQ(back->GetAt(0)->kind, OBJ_GROUP);
  }
  std::mt19937 rng(9);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> b = good;
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = rng() % b.size();
      switch (rng() % 3) {
        case 0: b[at] = std::uint8_t(rng()); break;
        case 1: if (at + 4 <= b.size()) SetU32(b, at, std::uint32_t(rng() % 400)); break;
        default: b.resize(at + 1); break;
      }
    }
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[b.size()]);
    std::memcpy(exact.get(), b.data(), b.size());
    sink.clear();
    CSegArray::UnpackFromBuffer(exact.get(), b.size());
    EXPECT_LE(BadMessages(), 1);
  }
}

// A group record around `inside` (an object-list block).
std::vector<std::uint8_t> GroupAround(const std::vector<std::uint8_t>& inside) {
  CRecordWriter w(REC_GROUP, OBJ_GROUP, 0, CFRect(0, 0, 1, 1));
  w.PutMatrix(CMatrix3());
  w.PutBytes(inside.data(), inside.size());
  return w.FinishBytes();
}

std::vector<std::uint8_t> ListAround(const std::vector<std::vector<std::uint8_t>>& records) {
  std::vector<std::uint8_t> b(5, 0);
  b[0] = 2;
  for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
  b.push_back(254);
  SetU32(b, 1, std::uint32_t(b.size()));
  return b;
}

TEST_F(SegArrayTest, DeepNestingIsCappedWithOneMessage) {
  TestLine a(0, 0, 1, 1), c(2, 2, 3, 3);
  auto record = [](CGraphObject& o) {
    plat::HGLOBAL h = 0;
    const std::uint32_t n = o.WriteRecord(&h);
    std::vector<std::uint8_t> r = BlockBytes(h);
    plat::GlobalFree(h);
    r.resize(n);
    return r;
  };
  const std::vector<std::uint8_t> la = record(a), lc = record(c);
  // Within the cap the groups read; far beyond it the reading stops cleanly.
  for (int depth : {SEG_MAX_NESTING, 300}) {
    SCOPED_TRACE(depth);
    sink.clear();
    std::vector<std::uint8_t> block = ListAround({la, lc});
    for (int i = 0; i < depth; ++i) block = ListAround({la, GroupAround(block)});
    std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(block.data(), block.size());
    ASSERT_TRUE(list);
    // Beyond the cap the deepest readable level keeps the line read before
    // its refused group; everything above it reads as before.
    EXPECT_EQ(BadMessages(), depth <= SEG_MAX_NESTING ? 0 : 1);
    ASSERT_EQ(list->GetSize(), 2);
    EXPECT_EQ(list->GetAt(1)->kind, OBJ_GROUP);
  }
}

TEST_F(SegArrayTest, ReadFromFileBoundsTheLengthAndFailsShortReads) {
  std::vector<std::uint8_t> block = TwoLines();
  // A length far beyond the file: nothing huge is allocated, the lines inside are read.
  {
    MemFile f;
    f.data = block;
    SetU32(f.data, 1, 0xFFFFFFF0);
    CSegArray list;
    EXPECT_EQ(list.ReadFromFile(f), 1);
    EXPECT_EQ(list.GetSize(), 2);
  }
  // The file ends inside the second record: the first one is kept, with the message.
  {
    MemFile f;
    f.data.assign(block.begin(), block.begin() + 80);
    CSegArray list;
    list.Add(new TestLine(9, 9, 9, 9));
    EXPECT_EQ(list.ReadFromFile(f), 1);
    EXPECT_EQ(list.GetSize(), 2);
    EXPECT_EQ(BadMessages(), 1);
  }
  // A read that comes up short fails, the list and the position stay.
  {
    MemFile f;
    f.data = {1, 2, 3};
    f.data.insert(f.data.end(), block.begin(), block.end());
    f.pos = 3;
    f.readLimit = 40;
    CSegArray list;
    EXPECT_EQ(list.ReadFromFile(f), 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(f.pos, 3u);
  }
}

TEST_F(SegArrayTest, BoundsTransformAndWalks) {
  CSegArray list;
  CFRect r(1, 1, 1, 1);
  EXPECT_EQ(list.GetBoundRect(&r, 0), 0);
  EXPECT_EQ(list.Transform(CMatrix3(), 0), 0);
  list.Add(new TestLine(-5, 1, -2, 3));
  list.Add(new TestLine(1, -9, 4, -1));
  EXPECT_EQ(list.GetBoundRect(nullptr, 0), 0);
  ASSERT_EQ(list.GetBoundRect(&r, 0), 1);
  EXPECT_EQ(r, CFRect(-5, -9, 4, 3));
  EXPECT_EQ(list.bounds, r);
  // Every object before the origin: 1 and all zeros.
  ASSERT_EQ(list.GetBoundRect(&r, 1), 1);
  EXPECT_EQ(r, CFRect());
  EXPECT_EQ(list.bounds, CFRect());

  list.Add(new TestLine(2, 2, 3, 3));
  const CMatrix3 shift(1, 0, 0, 1, 10, 0);
  EXPECT_EQ(list.Transform(shift, 1), 1);
  EXPECT_EQ(AsLine(list.GetAt(0))->PageStart().x, -5.0f);  // skipped
  EXPECT_EQ(AsLine(list.GetAt(2))->PageStart().x, 12.0f);
  EXPECT_EQ(list.Transform(shift, 0), 1);
  EXPECT_EQ(AsLine(list.GetAt(0))->PageStart().x, 5.0f);

  FakeListBox colors;
  auto path = std::make_unique<CPathObject>();
  path->AddLine(0, 0, 1, 1);
  path->EndPoints();
  path->color = 255;
  list.Add(std::move(path));
  list.FillColorList(&colors);
  list.FillColorList(&colors);
  // The lines' black once, the path's red once.
  EXPECT_EQ(colors.items, (std::vector<std::string>{"0", "255"}));
}

TEST_F(SegArrayTest, ClipToRectTakesPathsAndGroups) {
  FakeOutputServices clipper;
  COutputServices* old = SetOutputServices(&clipper);
  auto makePath = [](float l, float t, float r, float b) {
    auto p = std::make_unique<CPathObject>();
    p->AddRectangle(l, t, r, b);
    p->EndPoints();
    return p;
  };
  CSegArray list;
  list.Add(makePath(1, 1, 2, 2));      // inside: cloned
  list.Add(makePath(8, 8, 12, 12));    // across the edge: clipped (the fake gives nothing)
  list.Add(makePath(30, 30, 40, 40));  // outside
  list.Add(new TestLine(1, 1, 2, 2));  // not a path: not taken
  // A moved path: its pending matrix is applied first.
  auto moved = makePath(50, 50, 51, 51);
  moved->Offset(-47, -47);
  list.Add(std::move(moved));
  // A subgroup placed by its matrix: its paths are clipped where they are drawn.
  auto sub = std::make_unique<CGroupObject>();
  sub->AddChild(makePath(100, 100, 101, 101));
  sub->AddChild(makePath(200, 200, 201, 201));
  sub->matrix = CMatrix3(1, 0, 0, 1, -95, -95);
  sub->RecalcChildBounds();
  list.Add(std::move(sub));

  std::unique_ptr<CGroupObject> g = CSegArray::ClipObjectsToRect(list, 0, 0, 10, 10);
  ASSERT_TRUE(g);
  EXPECT_EQ(clipper.calls, 1);
  EXPECT_EQ(clipper.last, list.GetAt(1));
  ASSERT_EQ(g->GetChildCount(), 3);
  EXPECT_EQ(g->GetChild(0)->bounds, CFRect(1, 1, 2, 2));
  EXPECT_EQ(g->GetChild(1)->bounds, CFRect(3, 3, 4, 4));
  EXPECT_TRUE(static_cast<CPathObject*>(list.GetAt(4))->matrix.IsIdentity());
  ASSERT_EQ(g->GetChild(2)->kind, OBJ_GROUP);
  auto* clippedSub = static_cast<CGroupObject*>(g->GetChild(2));
  ASSERT_EQ(clippedSub->GetChildCount(), 1);
  EXPECT_EQ(clippedSub->GetChild(0)->bounds, CFRect(5, 5, 6, 6));

  EXPECT_FALSE(CSegArray::ClipObjectsToRect(list, 500, 500, 600, 600));
  SetOutputServices(old);
}

TEST_F(SegArrayTest, CopyToClipboardTakesTheSelection) {
  FakeClipboard clip;
  CClipboardServices* old = SetClipboardServices(&clip);
  RegisteredClipboardFormats().objectList = 0xC005;

  CSegArray list;
  auto* line = new TestLine(1, 1, 2, 2);
  list.Add(line);
  list.Add(new TestLine(3, 3, 4, 4));
  // Nothing selected: the clipboard is only emptied.
  clip.Put(0xC005, "old", 4);
  EXPECT_EQ(list.CopyToClipboard(), 1);
  EXPECT_EQ(clip.opens, 1);
  EXPECT_EQ(clip.empties, 1);
  EXPECT_EQ(clip.Get(0xC005), 0u);
  EXPECT_EQ(clip.Get(CClipboardServices::kTextFormat), 0u);

  line->selected = 1;
  clip.canOpen = false;
  EXPECT_EQ(list.CopyToClipboard(), 0);
  clip.canOpen = true;
  EXPECT_EQ(list.CopyToClipboard(), 1);
  EXPECT_EQ(clip.empties, 2);
  EXPECT_EQ(clip.closes, 2);
  EXPECT_EQ(clip.Get(CClipboardServices::kTextFormat), 0u);  // no text for a line
  std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(clip.Get(0xC005));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->GetSize(), 1);
  EXPECT_EQ(AsLine(back->GetAt(0))->x1, 1.0f);
  EXPECT_EQ(plat::GlobalSize(clip.Get(0xC005)), 55u + 10);

  // Texts longer than any fixed buffer go whole; a seal goes by its record.
  const std::string big(70000, 'a');
  auto* text = new TextStandIn(big);
  text->selected = 1;
  list.Add(text);
  auto* seal = new TestLine(0, 0, 1, 1);
  seal->kind = OBJ_SEAL;
  seal->selected = 1;
  list.Add(seal);
  EXPECT_EQ(list.CopyToClipboard(), 1);
  std::vector<std::uint8_t> t = BlockBytes(clip.Get(CClipboardServices::kTextFormat));
  ASSERT_EQ(t.size(), big.size() + 1);
  EXPECT_EQ(std::string(t.begin(), t.end() - 1), big);
  EXPECT_EQ(t.back(), 0);
  EXPECT_EQ(U32At(BlockBytes(clip.Get(0xC005)), 1), 55u + 49u);
  back = CSegArray::UnpackFromGlobal(clip.Get(0xC005));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetSize(), 2);

  SetClipboardServices(old);
  RegisteredClipboardFormats().objectList = 0;
}

TEST_F(SegArrayTest, DeleteAllAndCarriers) {
  CSegArray list;
  list.Add(new TestLine);
  list.Add(new TestLine);
  CSegArray carrier;
  carrier.TakeAll(list);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(carrier.GetSize(), 2);
  std::unique_ptr<CGraphObject> one = carrier.Detach(0);
  EXPECT_TRUE(one);
  EXPECT_EQ(carrier.GetSize(), 1);
  EXPECT_FALSE(carrier.Detach(5));
  EXPECT_EQ(carrier.GetAt(1), nullptr);
  carrier.DeleteAll();
  EXPECT_TRUE(carrier.IsEmpty());
}

}  // namespace
