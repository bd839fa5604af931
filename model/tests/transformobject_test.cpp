#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/lineobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/rectobject.h"
#include "model/tests/fakes.h"
#include "model/transformobject.h"
#include "platform/bytes.h"
#include "platform/tests/block_bytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<CLineObject> Line(float ax, float ay, float bx, float by) {
  auto line = std::make_unique<CLineObject>();
  line->x1 = ax, line->y1 = ay, line->x2 = bx, line->y2 = by;
  line->bounds = line->PageBox();
  return line;
}

std::unique_ptr<CRectObject> Rect(float l, float t, float r, float b) {
  auto rect = std::make_unique<CRectObject>();
  rect->x1 = l, rect->y1 = t, rect->x2 = r, rect->y2 = b;
  rect->bounds = CFRect(l, t, r, b);
  return rect;
}

Bytes RecordOf(CGraphObject& o) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  return blocktest::TakeBytes(h, n);
}

std::unique_ptr<CGraphObject> Read(const Bytes& rec) { return CreateObjectFromRecord(rec.data(), rec.size()); }

void PutF(Bytes& b, float v) {
  std::uint8_t t[4];
  plat::PutF32(t, v);
  b.insert(b.end(), t, t + 4);
}
void PutU(Bytes& b, std::uint32_t v) {
  std::uint8_t t[4];
  plat::PutU32(t, v);
  b.insert(b.end(), t, t + 4);
}

// Every test runs with the library loaded by name, as the program does.
class TransformObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TransformDll().Load(), nullptr); }
  void TearDown() override { TransformDll().Load(); }
};

// The line (10,10)-(50,30) under Perspective, byte by byte.
Bytes GoldenLineRecord(const Bytes& line) {
  Bytes b{'*'};
  PutU(b, 174);
  b.push_back(9);
  b.push_back(0);
  b.push_back(0);
  for (float v : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) PutF(b, v);
  for (float v : {10.f, 10.f, 50.f, 30.f}) PutF(b, v);
  b.insert(b.end(), line.begin(), line.end());
  PutU(b, 64);
  b.insert(b.end(), {'F', 'L', 'X', 'T', 1, 0, 1, 0});
  for (float v : {10.f, 10.f, 50.f, 30.f}) PutF(b, v);
  PutU(b, 4);
  for (float v : {20.f, 10.f, 40.f, 10.f, 50.f, 30.f, 10.f, 30.f}) PutF(b, v);
  b.push_back(241);
  return b;
}

TEST_F(TransformObjectTest, GoldenLineRecordRoundTripsWithAndWithoutTheLibrary) {
  std::unique_ptr<CGraphObject> source = Line(10, 10, 50, 30);
  const Bytes line = RecordOf(*source);
  ASSERT_EQ(line.size(), 49u);
  std::unique_ptr<CTransformObject> t = CTransformObject::Make(source, 1);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, OBJ_TRANSFORM);
  const Bytes golden = GoldenLineRecord(line);
  ASSERT_EQ(golden.size(), 174u);
  plat::HGLOBAL h = 0;
  EXPECT_EQ(t->WriteRecord(&h), 174u);
  {
    plat::GlobalLockGuard g(h);
    EXPECT_EQ(Bytes(g.bytes(), g.bytes() + 174), golden);
    EXPECT_EQ(g.size(), 174u + 9);
    EXPECT_EQ(g.bytes()[174], 255);
  }
  plat::GlobalFree(h);

  // Read with the library: a new handle from the data, written back the same.
  std::unique_ptr<CGraphObject> back = Read(golden);
  ASSERT_TRUE(back);
  auto* tb = static_cast<CTransformObject*>(back.get());
  EXPECT_NE(tb->GetTransform(), 0u);
  EXPECT_EQ(tb->GetSource()->kind, OBJ_LINE);
  EXPECT_EQ(RecordOf(*tb), golden);

  // Without the library: source and data kept, drawn through the matrix,
  // written back byte for byte, node editing inert.
  TransformDll().Unload();
  std::unique_ptr<CGraphObject> kept = Read(golden);
  ASSERT_TRUE(kept);
  auto* tk = static_cast<CTransformObject*>(kept.get());
  EXPECT_EQ(tk->GetTransform(), 0u);
  EXPECT_EQ(RecordOf(*tk), golden);
  tk->Offset(5, 0);
  std::unique_ptr<CGraphObject> path = tk->ConvertToPath(-1);
  ASSERT_TRUE(path);
  EXPECT_FLOAT_EQ(path->bounds.left, 15);
  EXPECT_FLOAT_EQ(path->bounds.right, 55);
  FakeView view;
  EXPECT_EQ(tk->OnLButtonDownNode(&view, 1, 15, 10), 0);
  EXPECT_EQ(tk->OnCharNode(&view, 'r', 0), 0);
  // The library freed before the objects: their destructors call nothing.
  back.reset();
}

TEST_F(TransformObjectTest, ReaderRefusesWhatItCannotTrust) {
  std::unique_ptr<CGraphObject> source = Line(10, 10, 50, 30);
  const Bytes golden = GoldenLineRecord(RecordOf(*source));
  auto with = [&](std::size_t at, std::uint32_t v, int width) {
    Bytes b = golden;
    if (width == 4)
      plat::PutU32(&b[at], v);
    else
      b[at] = std::uint8_t(v);
    return b;
  };
  struct Row {
    const char* name;
    Bytes rec;
  };
  Bytes nested = golden;  // a transformed object as the source
  nested[60] = '*';
  Bytes image = golden;
  image[60] = '(';
  const std::vector<Row> rows = {
      {"source longer than the record", with(61, 174 - 61 - 31, 4)},
      {"source too short", with(61, 10, 4)},
      {"transformed source", nested},
      {"image source", image},
      {"data length", with(109, 65, 4)},
      {"source end byte", with(108, 0, 1)},
      {"matrix not a number", [&] {
         Bytes b = golden;
         plat::PutF32(&b[8], NAN);
         return b;
       }()},
  };
  for (const Row& row : rows) EXPECT_EQ(Read(row.rec), nullptr) << row.name;
  EXPECT_NE(Read(golden), nullptr);
  // Data the library refuses: kept, as without the library.
  Bytes foreign = with(113, 'Q', 1);
  std::unique_ptr<CGraphObject> kept = Read(foreign);
  ASSERT_TRUE(kept);
  EXPECT_EQ(static_cast<CTransformObject*>(kept.get())->GetTransform(), 0u);
  EXPECT_EQ(RecordOf(*kept), foreign);
}

TEST_F(TransformObjectTest, EveryMutatedByteOfARecordIsSafe) {
  std::unique_ptr<CGraphObject> source = Rect(0, 0, 20, 10);
  std::unique_ptr<CTransformObject> t = CTransformObject::Make(source, 3);
  ASSERT_TRUE(t);
  const Bytes rec = RecordOf(*t);
  ASSERT_FALSE(rec.empty());
  for (std::size_t at = 0; at < rec.size(); ++at)
    for (std::uint8_t v : {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(rec[at] ^ 0x01)}) {
      Bytes b = rec;
      b[at] = v;
      std::unique_ptr<CGraphObject> o = Read(b);
      if (!o) continue;
      std::unique_ptr<CGraphObject> path(o->ConvertToPath(-1));
      RecordOf(*o);
    }
}

TEST_F(TransformObjectTest, ResultIsBuiltThroughTheLibraryAndMovesWithTheMatrix) {
  std::unique_ptr<CGraphObject> source = Rect(0, 0, 40, 20);
  CGraphObject* raw = source.get();
  std::unique_ptr<CTransformObject> t = CTransformObject::Make(source, 4);  // Arch
  ASSERT_TRUE(t);
  EXPECT_EQ(t->GetSource(), raw);
  EXPECT_EQ(t->GetResult(), nullptr);
  t->flags = OBJF_FILLED;
  FakeView view;
  t->Draw(view.dc.get(), nullptr, nullptr);
  ASSERT_NE(t->GetResult(), nullptr);
  EXPECT_EQ(t->GetResult()->kind, OBJ_GROUP);
  // The flag word is set on the hidden result without undo items.
  EXPECT_EQ(t->GetResult()->flags, OBJF_FILLED);
  EXPECT_EQ(static_cast<CGroupObject*>(t->GetResult())->GetChild(0)->flags, OBJF_FILLED);
  EXPECT_EQ(view.undo.GetSize(), 0);
  // The arch lifts the middle of the top edge by a quarter of the height.
  EXPECT_NEAR(t->bounds.top, -5, 0.05);
  EXPECT_NEAR(t->bounds.bottom, 20, 1e-4);

  // Moving changes only the pending translation, never the source.
  const CFRect sourceBounds = raw->bounds;
  t->Offset(10, 3);
  EXPECT_EQ(raw->bounds, sourceBounds);
  EXPECT_EQ(t->matrix.m20, 10);
  EXPECT_EQ(t->matrix.m21, 3);
  std::unique_ptr<CGraphObject> path = t->ConvertToPath(-1);
  ASSERT_TRUE(path);
  EXPECT_NEAR(path->bounds.left, 10, 1e-4);
  EXPECT_NEAR(path->bounds.top, -2, 0.05);
  std::unique_ptr<CPathPointList> outline(t->MakeOutline(nullptr, 0));
  ASSERT_TRUE(outline);
  EXPECT_NEAR(outline->bounds.right, 50, 1e-4);

  // Scaling into a rectangle goes through the matrix.
  t->ScaleToRect(0, 0, 2 * (t->bounds.right - t->bounds.left), t->bounds.bottom - t->bounds.top);
  EXPECT_NEAR(t->bounds.left, 0, 1e-4);
  EXPECT_NEAR(t->bounds.right - t->bounds.left, 80, 1e-3);
}

TEST_F(TransformObjectTest, ANodeDragReportedAsAChangeRebuildsAndRepaintsBothRectangles) {
  std::unique_ptr<CGraphObject> source = Rect(0, 0, 40, 20);
  std::unique_ptr<CTransformObject> t = CTransformObject::Make(source, 4);
  ASSERT_TRUE(t);
  FakeView view;
  t->Draw(view.dc.get(), nullptr, nullptr);
  const CFRect before = t->bounds;
  // The arch handle sits above the middle of the top: (20, -5).
  EXPECT_TRUE(t->OnLButtonDownNode(&view, 1, 20, -5));
  EXPECT_EQ(t->hitIndex, 1);
  EXPECT_EQ(ObjectDrag().start.x, 20);
  EXPECT_TRUE(t->OnMouseMoveNode(&view, 1, 20, -15));
  view.invalidated.clear();
  EXPECT_TRUE(t->OnLButtonUpNode(&view, 0, 20, -15));
  EXPECT_EQ(view.invalidated.size(), 2u);
  EXPECT_LT(t->bounds.top, before.top - 4);
  // A press beside every handle catches nothing; its release changes nothing.
  EXPECT_FALSE(t->OnLButtonDownNode(&view, 1, 30, 30));
  view.invalidated.clear();
  EXPECT_FALSE(t->OnLButtonUpNode(&view, 0, 30, 30));
  EXPECT_TRUE(view.invalidated.empty());
  // 'r' puts the default shaping back.
  EXPECT_TRUE(t->OnCharNode(&view, 'r', 0));
  EXPECT_NEAR(t->bounds.top, before.top, 1e-4);
  EXPECT_EQ(t->OnLButtonDblClk(&view, 0, 0, 0), 0);
}

TEST_F(TransformObjectTest, UndoOfMakeAndRemove) {
  FakeDocument doc;
  FakeView view(&doc);
  doc.views.push_back(&view);
  doc.AddObject(Rect(100, 100, 110, 110).release(), false);
  CGraphObject* rect = Rect(0, 0, 20, 10).release();
  doc.AddObject(rect, false);
  doc.AddObject(Rect(200, 200, 210, 210).release(), false);

  // Make: the source leaves the document, the transformed object comes in.
  ASSERT_EQ(doc.RemoveObject(rect), 1);
  std::unique_ptr<CGraphObject> source(rect);
  std::unique_ptr<CTransformObject> made = CTransformObject::Make(source, 2);
  ASSERT_TRUE(made);
  CTransformObject* t = made.get();
  doc.AddObject(made.release(), false);
  CUndoMakeTransform undoMake(t, 1);
  undoMake.Undo(view);
  ASSERT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.GetObjectAt(1), rect);

  // Remove (UnTransform): the source goes into the document in its place.
  doc.RemoveObject(rect);
  source.reset(rect);
  std::unique_ptr<CTransformObject> again = CTransformObject::Make(source, 2);
  ASSERT_TRUE(again);
  std::unique_ptr<CGraphObject> back = again->DetachSource();
  doc.InsertObject(back.release(), 1);
  CTransformObject* held = again.get();
  CUndoRemoveTransform undoRemove(std::move(again), rect, 1);
  undoRemove.Undo(view);
  EXPECT_EQ(doc.GetObjectAt(1), held);
  EXPECT_EQ(held->GetSource(), rect);
  EXPECT_EQ(doc.IndexOfObject(rect), -1);
}

TEST_F(TransformObjectTest, NoTransformWithoutTheLibrary) {
  TransformDll().Unload();
  std::unique_ptr<CGraphObject> source = Rect(0, 0, 20, 10);
  CGraphObject* raw = source.get();
  EXPECT_EQ(CTransformObject::Make(source, 1), nullptr);
  EXPECT_EQ(source.get(), raw);  // given back
  EXPECT_EQ(TransformDll().GetTransformCount(), 0);
}

}  // namespace
