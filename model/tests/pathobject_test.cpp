#include "model/pathobject.h"
#include "model/groupobject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "model/bezier.h"
#include "model/records.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"

namespace {

using Recs = std::vector<PathPoint>;

Recs RecordsOf(const CPathObject& p, int n = -1) {
  Recs out;
  if (!p.points) return out;
  plat::GlobalLockGuard g(p.points);
  const PathPoint* r = g.as<PathPoint>();
  if (n < 0) n = p.count;
  for (int i = 0; i < n; ++i) out.push_back(r[i]);
  return out;
}

void Expect(const Recs& got, const Recs& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const float gx = got[i].x, gy = got[i].y, wx = want[i].x, wy = want[i].y;
    const int gf = got[i].flags, wf = want[i].flags;
    EXPECT_EQ(gx, wx) << "record " << i;
    EXPECT_EQ(gy, wy) << "record " << i;
    EXPECT_EQ(gf, wf) << "record " << i;
  }
}

std::unique_ptr<CPathObject> Build(const Recs& pts, bool end = true) {
  auto p = std::make_unique<CPathObject>();
  for (const PathPoint& r : pts) p->AddPoint(r);
  if (end) p->EndPoints();
  return p;
}

// The block always has room for capacity + 2 records and for every record in use.
void ExpectRoom(const CPathObject& p) {
  if (!p.points) return;
  EXPECT_GE(p.BlockRecords(), std::size_t(p.capacity) + 2);
  EXPECT_GE(std::size_t(p.capacity), std::size_t(p.count));
}

std::vector<std::uint8_t> RecordBytes(CPathObject& p, std::uint32_t* length = nullptr,
                                      std::size_t* blockSize = nullptr) {
  plat::HGLOBAL h = 77;
  std::uint32_t len = p.WriteRecord(&h);
  if (length) *length = len;
  std::vector<std::uint8_t> out;
  if (!h) return out;
  plat::GlobalLockGuard g(h);
  if (blockSize) *blockSize = g.size();
  out.assign(g.bytes(), g.bytes() + g.size());
  plat::GlobalUnlock(h);
  plat::GlobalFree(h);
  return out;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

const Recs kSquare = {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 10, 0x01}, {0, 0, 0x41}};

}  // namespace

// --- Building ----------------------------------------------------------------

TEST(PathObjectTest, NewPathIsEmpty) {
  CPathObject p;
  EXPECT_EQ(p.kind, OBJ_PATH);
  EXPECT_EQ(p.points, 0u);
  EXPECT_EQ(p.count, 0);
  EXPECT_EQ(p.capacity, 0);
  EXPECT_EQ(p.color, 0u);
  EXPECT_EQ(p.hitParam, -1.0f);
  EXPECT_EQ(p.CanNodeEdit(), 1);
  EXPECT_EQ(p.MakeOutline(nullptr, 0), nullptr);
  plat::HGLOBAL h = 5;
  EXPECT_EQ(p.WriteRecord(&h), 0u);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(p.MakeReversed(), nullptr);
}

TEST(PathObjectTest, GrowthAndTrim) {
  struct Case {
    int points;
    bool addEnd;  // end record through AddPoint (else EndPoints / AppendPoint)
    int count, capacity;
    std::size_t blockRecords;
  };
  const Case cases[] = {
      {1, false, 2, 3, 5},        // AppendPoint trims to count + 3 with capacity count + 1
      {100, false, 101, 102, 104},
      {101, false, 102, 103, 105},
      {7, true, 8, 8, 10},  // AddPoint trims to count + 2 with capacity count
  };
  for (const Case& c : cases) {
    CPathObject p;
    for (int i = 0; i < c.points; ++i) p.AddPoint(float(i), 1.0f, i ? 0x01 : 0x11);
    if (c.points == 100) {
      EXPECT_EQ(p.capacity, 100);
      EXPECT_EQ(p.BlockRecords(), 102u);
    }
    if (c.points == 101) {
      EXPECT_EQ(p.capacity, 150);  // the 101st record grew the block by 50
      EXPECT_EQ(p.BlockRecords(), 152u);
    }
    if (c.addEnd)
      p.AddPoint(PathPoint{0, 0, PP_END});
    else
      p.EndPoints();
    EXPECT_EQ(p.count, c.count) << c.points;
    EXPECT_EQ(p.capacity, c.capacity) << c.points;
    EXPECT_EQ(p.BlockRecords(), c.blockRecords) << c.points;
    ExpectRoom(p);
  }
}

TEST(PathObjectTest, PointsAddedToAFinishedPathGoBeforeItsEnd) {
  auto p = Build({{1, 1, 0x11}, {2, 2, 0x01}});
  p->AddPoint(3, 3, 0x21);
  Expect(RecordsOf(*p), {{1, 1, 0x11}, {2, 2, 0x01}, {3, 3, 0x21}, {0, 0, PP_END}});
  p->AppendPoint(PathPoint{0, 0, PP_COLOR});
  Expect(RecordsOf(*p),
         {{1, 1, 0x11}, {2, 2, 0x01}, {3, 3, 0x21}, {0, 0, PP_COLOR}, {0, 0, PP_END}});
  EXPECT_EQ(p->bounds, CFRect(1, 1, 3, 3));
  ExpectRoom(*p);
}

TEST(PathObjectTest, Bounds) {
  // A path starting at the origin keeps the origin in its bounds.
  CPathObject line;
  line.AddLine(0, 0, 5, 5);
  EXPECT_EQ(line.bounds, CFRect(0, 0, 5, 5));

  // Control points outside the nodes: the sampled curve widens the bounds,
  // the control points themselves do not.
  auto bulge = Build({{0, 0, 0x11}, {0, 10, 0x00}, {10, 10, 0x00}, {10, 0, 0x21}});
  EXPECT_EQ(bulge->bounds.left, 0.0f);
  EXPECT_EQ(bulge->bounds.right, 10.0f);
  EXPECT_EQ(bulge->bounds.top, 0.0f);
  EXPECT_GT(bulge->bounds.bottom, 7.4f);   // the curve peaks at 7.5
  EXPECT_LE(bulge->bounds.bottom, 7.5f);

  // Control points inside the nodes' box: no sampling is needed.
  auto flat = Build({{0, 0, 0x11}, {2, 1, 0x00}, {8, 9, 0x00}, {10, 10, 0x21}});
  EXPECT_EQ(flat->bounds, CFRect(0, 0, 10, 10));

  // Colour records and control points never count as nodes.
  auto colour = Build({{50, 50, PP_COLOR}, {2, 3, 0x11}, {6, 1, 0x21}});
  EXPECT_EQ(colour->bounds, CFRect(2, 1, 6, 3));
}

// --- Structure ---------------------------------------------------------------

TEST(PathObjectTest, PendingTransformsLeaveThePoints) {
  auto p = Build(kSquare);
  const Recs before = RecordsOf(*p);
  p->Offset(5, 7);
  EXPECT_EQ(p->bounds, CFRect(5, 7, 15, 17));
  EXPECT_EQ(p->matrix.m20, 5.0f);
  EXPECT_EQ(p->matrix.m21, 7.0f);
  Expect(RecordsOf(*p), before);

  p->SetRect(0, 0, 20, 40);  // scale 2 x 4 of the moved square
  EXPECT_EQ(p->bounds, CFRect(0, 0, 20, 40));
  Expect(RecordsOf(*p), before);

  p->ApplyTransform();
  EXPECT_TRUE(p->matrix.IsIdentity());
  Expect(RecordsOf(*p),
         {{0, 0, 0x11}, {20, 0, 0x01}, {20, 40, 0x01}, {0, 40, 0x01}, {0, 0, 0x41}, {0, 0, PP_END}});

  // Transform: the pending one first, then the new one.
  CMatrix3 shift(1, 0, 0, 1, 1, 1);
  p->Transform(CMatrix3(2, 0, 0, 2, 0, 0));
  p->Transform(shift);
  EXPECT_EQ(p->bounds, CFRect(1, 1, 41, 81));
  p->ApplyTransform();
  EXPECT_EQ(float(RecordsOf(*p)[2].x), 41.0f);
  EXPECT_EQ(float(RecordsOf(*p)[2].y), 81.0f);
}

TEST(PathObjectTest, MakeOutline) {
  auto p = Build({{255, 0, PP_COLOR}, {0, 0, 0x11}, {10, 0, 0x21}});
  p->Offset(1, 2);
  std::unique_ptr<CPathPointList> list(p->MakeOutline(nullptr, 0));
  ASSERT_NE(list, nullptr);
  std::vector<PathPoint> recs;
  {
    plat::GlobalLockGuard g(list->points);
    for (int i = 0; i < list->count; ++i) recs.push_back(g.as<PathPoint>()[i]);
  }
  Expect(recs, {{255, 0, PP_COLOR}, {1, 2, 0x11}, {11, 2, 0x21}, {0, 0, PP_END}});
  // Trimmed as after appending its end record: room for two more.
  EXPECT_EQ(list->capacity, list->count);
  EXPECT_EQ(plat::GlobalSize(list->points), std::size_t(list->count + 2) * sizeof(PathPoint));
  EXPECT_EQ(list->bounds, p->bounds);
  EXPECT_TRUE(list->matrix.IsIdentity());

  CMatrix3 twice(2, 0, 0, 2, 0, 0);
  std::unique_ptr<CPathPointList> scaled(p->MakeOutline(&twice, 0));
  plat::GlobalLockGuard g(scaled->points);
  EXPECT_EQ(float(g.as<PathPoint>()[2].x), 22.0f);
  EXPECT_EQ(float(g.as<PathPoint>()[0].x), 255.0f);  // colour records are never transformed
  Expect(RecordsOf(*p), {{255, 0, PP_COLOR}, {0, 0, 0x11}, {10, 0, 0x21}, {0, 0, PP_END}});
}

TEST(PathObjectTest, SplitContours) {
  auto p = Build({{0, 0, 0x11},
                  {5, 0, 0x41},
                  {9, 9, PP_COLOR},
                  {1, 1, 0x11},
                  {2, 1, 0x00},
                  {3, 1, 0x00},
                  {4, 4, 0x21},
                  {7, 7, 0x11},
                  {8, 8, 0x01}});  // last contour has no end node
  p->color = 0x112233;
  p->flags = OBJF_FILLED;
  p->Offset(100, 0);
  std::vector<std::unique_ptr<CPathObject>> parts;
  p->SplitContours(parts);
  ASSERT_EQ(parts.size(), 2u);
  Expect(RecordsOf(*parts[0]), {{100, 0, 0x11}, {105, 0, 0x41}, {0, 0, PP_END}});
  Expect(RecordsOf(*parts[1]),
         {{101, 1, 0x11}, {102, 1, 0x00}, {103, 1, 0x00}, {104, 4, 0x21}, {0, 0, PP_END}});
  EXPECT_EQ(parts[1]->bounds, CFRect(101, 1, 104, 4));
  for (auto& part : parts) {
    EXPECT_EQ(part->color, 0x112233u);  // Separate keeps the colour and fill
    EXPECT_EQ(part->flags, OBJF_FILLED);
    ExpectRoom(*part);
  }

  // A contour without an end node is finished by the next start; nodes that
  // come while no contour is open are skipped.
  auto q = Build({{9, 9, 0x01}, {0, 0, 0x11}, {1, 0, 0x01}, {2, 2, 0x11}, {3, 2, 0x21},
                  {8, 8, 0x01}, {4, 4, 0x11}, {5, 4, 0x41}});
  std::vector<std::unique_ptr<CPathObject>> pieces;
  q->SplitContours(pieces);
  ASSERT_EQ(pieces.size(), 3u);
  Expect(RecordsOf(*pieces[0]), {{0, 0, 0x11}, {1, 0, 0x01}, {0, 0, PP_END}});
  Expect(RecordsOf(*pieces[1]), {{2, 2, 0x11}, {3, 2, 0x21}, {0, 0, PP_END}});
  Expect(RecordsOf(*pieces[2]), {{4, 4, 0x11}, {5, 4, 0x41}, {0, 0, PP_END}});

  // Into a group, which takes the parts in order.
  CGroupObject group;
  Build({{0, 0, 0x11}, {5, 0, 0x41}, {1, 1, 0x11}, {4, 4, 0x21}})->SplitContours(group);
  ASSERT_EQ(group.GetChildCount(), 2);
  Expect(RecordsOf(*static_cast<CPathObject*>(group.GetChild(1))), {{1, 1, 0x11}, {4, 4, 0x21}, {0, 0, PP_END}});
}

TEST(PathObjectTest, CloseLastContour) {
  // The last node is off the start: a closing copy of the start is inserted.
  auto open = Build({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}});
  open->CloseLastContour();
  EXPECT_EQ(open->count, 4);  // the moved end record is not counted
  Expect(RecordsOf(*open, 5),
         {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 0, 0x41}, {0, 0, PP_END}});
  open->EndPoints();
  Expect(RecordsOf(*open),
         {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 0, 0x41}, {0, 0, PP_END}});
  ExpectRoom(*open);

  // The last node already sits on the start: it is marked closed instead.
  auto onStart = Build({{0, 0, 0x11}, {10, 0, 0x01}, {0, 0, 0x29}});
  onStart->CloseLastContour();
  EXPECT_EQ(onStart->count, 3);
  Expect(RecordsOf(*onStart, 3), {{0, 0, 0x11}, {10, 0, 0x01}, {0, 0, 0x41}});
}

TEST(PathObjectTest, CloseLastContourGrowsAFullBlockFirst) {
  // A block exactly as full as its capacity allows: loaded from a record,
  // and a path trimmed by its end record.
  auto line = Build({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x21}});
  plat::HGLOBAL h = 0;
  ASSERT_NE(line->WriteRecord(&h), 0u);
  std::unique_ptr<CPathObject> loaded;
  {
    plat::GlobalLockGuard g(h);
    loaded = CPathObject::LoadFromRecord(g.bytes(), g.size());
  }
  plat::GlobalFree(h);
  ASSERT_NE(loaded, nullptr);
  CPathObject tight;  // ended through AddPoint: trimmed to count + 2 records
  for (const PathPoint& r : Recs{{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 0, PP_END}})
    tight.AddPoint(r);
  ASSERT_EQ(tight.BlockRecords(), std::size_t(tight.count) + 2);
  tight.CloseLastContour();
  ExpectRoom(tight);
  tight.EndPoints();
  Expect(RecordsOf(tight),
         {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 0, 0x41}, {0, 0, PP_END}});
  for (CPathObject* p : {loaded.get(), line.get(), &tight}) {
    for (int round = 0; round < 3; ++round) {
      p->ReopenLastContour();
      p->AddPoint(20.0f + round, 20.0f, 0x01);
      p->CloseLastContour();
      ExpectRoom(*p);
      p->EndPoints();
      ExpectRoom(*p);
    }
    const Recs r = RecordsOf(*p);
    ASSERT_GE(r.size(), 2u);
    EXPECT_EQ(r.back().flags, PP_END);
    EXPECT_EQ(r[r.size() - 2].flags, 0x41);
  }
}

TEST(PathObjectTest, TailEditing) {
  auto p = Build({{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x41}});
  p->AppendPoint(PathPoint{0, 0, PP_END});  // a second end record
  EXPECT_EQ(p->count, 5);
  p->RemoveEndRecords();
  EXPECT_EQ(p->count, 3);
  Expect(RecordsOf(*p, 5), {{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x41}, {0, 0, 0}, {0, 0, 0}});

  p->EndPoints();
  EXPECT_EQ(p->ReopenLastContour(), 0x40);
  EXPECT_EQ(p->count, 3);
  EXPECT_EQ(RecordsOf(*p)[2].flags, 0x01);
  p->EndLastContourOpen();
  EXPECT_EQ(RecordsOf(*p)[2].flags, 0x21);

  CPathObject single;
  single.AddPoint(1, 1, 0x11);
  single.EndPoints();
  EXPECT_EQ(single.ReopenLastContour(), 0x20);  // no point record above record 0
  EXPECT_EQ(single.count, 1);
}

TEST(PathObjectTest, MakeReversed) {
  auto p = Build({{7, 7, PP_COLOR},
                  {0, 0, 0x11},
                  {1, 0, 0x01},
                  {2, 1, 0x00},
                  {3, 1, 0x00},
                  {4, 0, 0x49},  // closed end, selected
                  {10, 10, 0x11},
                  {11, 10, 0x01},
                  {12, 12, 0x21}});
  auto r = p->MakeReversed();
  ASSERT_NE(r, nullptr);
  // Each contour reversed on its own; contours of one run in reverse order.
  Expect(RecordsOf(*r), {{7, 7, PP_COLOR},
                         {12, 12, 0x11},
                         {11, 10, 0x01},
                         {10, 10, 0x21},
                         {4, 0, 0x11},
                         {3, 1, 0x00},
                         {2, 1, 0x00},
                         {1, 0, 0x01},
                         {0, 0, 0x41},
                         {0, 0, PP_END}});
  EXPECT_EQ(r->bounds, p->bounds);

  auto twice = r->MakeReversed();
  Recs want = RecordsOf(*p);
  want[5].flags = 0x41;  // the selection bit is dropped
  Expect(RecordsOf(*twice), want);

  // The pending matrix is applied first.
  auto moved = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  moved->Offset(3, 0);
  Expect(RecordsOf(*moved->MakeReversed()), {{4, 0, 0x11}, {3, 0, 0x21}, {0, 0, PP_END}});
}

TEST(PathObjectTest, AppendPath) {
  auto a = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  auto b = Build({{5, 5, 0x11}, {6, 9, 0x21}});
  b->Offset(1, 0);
  a->AppendPath(*b);
  Expect(RecordsOf(*a),
         {{0, 0, 0x11}, {1, 0, 0x21}, {6, 5, 0x11}, {7, 9, 0x21}, {0, 0, PP_END}});
  EXPECT_EQ(a->bounds, CFRect(0, 0, 7, 9));
  ExpectRoom(*a);
  a->AddPoint(8, 8, 0x11);  // still a working path
  ExpectRoom(*a);

  // Appending an empty path changes nothing.
  CPathObject empty;
  auto c = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  c->AppendPath(empty);
  Expect(RecordsOf(*c), {{0, 0, 0x11}, {1, 0, 0x21}, {0, 0, PP_END}});

  // A path without a block takes a copy of the other's.
  CPathObject target;
  b->color = 0xFF;
  target.AppendPath(*b);
  Expect(RecordsOf(target), RecordsOf(*b));
  EXPECT_EQ(target.color, 0xFFu);
  EXPECT_NE(target.points, b->points);

  // A path ending in two end records: the appended contour follows the
  // points, not the first end record, so the walks reach it.
  auto twoEnds = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  twoEnds->AppendPoint(PathPoint{0, 0, PP_END});
  ASSERT_EQ(twoEnds->count, 4);
  twoEnds->AppendPath(*b);
  Expect(RecordsOf(*twoEnds),
         {{0, 0, 0x11}, {1, 0, 0x21}, {6, 5, 0x11}, {7, 9, 0x21}, {0, 0, PP_END}});
  ExpectRoom(*twoEnds);

  // A path still being built keeps its records; the result is finished.
  auto building = Build({{0, 0, 0x11}, {2, 0, 0x21}}, false);
  building->AppendPath(*b);
  Expect(RecordsOf(*building),
         {{0, 0, 0x11}, {2, 0, 0x21}, {6, 5, 0x11}, {7, 9, 0x21}, {0, 0, PP_END}});
  ExpectRoom(*building);
}

TEST(PathObjectTest, GetFirstContourLength) {
  FillBezierBasis(100);
  auto p = Build({{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 10, 0x01}, {0, 0, 0x41},
                  {50, 50, 0x11}, {90, 50, 0x21}});
  plat::BOOL closed = 0;
  EXPECT_FLOAT_EQ(p->GetFirstContourLength(&closed), 40.0f);
  EXPECT_NE(closed, 0);
  EXPECT_EQ(BezierBasisTable.n, 100);  // the table is switched back

  auto curve = Build({{0, 0, 0x11}, {3, 0, 0x00}, {7, 0, 0x00}, {10, 0, 0x21}});
  closed = 1;
  EXPECT_NEAR(curve->GetFirstContourLength(&closed), 10.0f, 1e-4f);
  EXPECT_EQ(closed, 0);
}

// --- Devices -----------------------------------------------------------------

TEST(PathObjectTest, PlotToCutter) {
  auto p = Build({{0, 0, PP_COLOR},
                  {0, 0, 0x11},
                  {10, 0, 0x01},
                  {10, 10, 0x01},
                  {0, 0, 0x41},
                  {20, 0, 0x11},
                  {21, 1, 0x00},
                  {22, 1, 0x00},
                  {23, 0, 0x01},
                  {30, 0, 0x21}});
  RecordingCutter cutter;
  p->PlotToCutter(cutter);
  EXPECT_EQ(cutter.calls,
            (std::vector<std::string>{"MoveTo(0,0)", "LineTo(10,0)", "LineTo(10,10)",
                                      "LineTo(0,0)", "OverCut(1)", "EndPolyline", "MoveTo(20,0)",
                                      "CurveTo(20,0,21,1,22,1,23,0,1)", "LineTo(30,0)",
                                      "EndPolyline"}));
  EXPECT_EQ(cutter.overcutStartOk, std::vector<bool>{true});

  RecordingCutter half;
  half.halfCut = 1;
  half.solidLength = 4;
  half.gapLength = 2;
  half.dashSolid = 0;
  half.dashLeft = 0.5f;
  p->PlotToCutter(half);
  EXPECT_EQ(half.calls,
            (std::vector<std::string>{"HalfCutMoveTo(0,0,1,4)", "HalfCutLineTo(10,0)",
                                      "HalfCutLineTo(10,10)", "HalfCutLineTo(0,0)", "OverCut(1)",
                                      "EndPolyline", "HalfCutMoveTo(20,0,1,4)",
                                      "CurveTo(20,0,21,1,22,1,23,0,1)", "HalfCutLineTo(30,0)",
                                      "EndPolyline"}));

  // Pending moves are applied before plotting.
  auto moved = Build({{0, 0, 0x11}, {1, 0, 0x21}});
  moved->Offset(5, 5);
  RecordingCutter c2;
  moved->PlotToCutter(c2);
  EXPECT_EQ(c2.calls, (std::vector<std::string>{"MoveTo(5,5)", "LineTo(6,5)", "EndPolyline"}));
}

TEST(PathObjectTest, PlotToCarver) {
  auto p = Build({{0, 0, 0x11},
                  {10, 0, 0x01},
                  {10, 10, 0x41},
                  {20, 0, 0x11},
                  {20, 40, 0x00},
                  {60, 40, 0x00},
                  {60, 0, 0x21},
                  {40, 0, 0x11},
                  {43, 0.3f, 0x00},
                  {47, 0.6f, 0x00},
                  {50.7f, 0.9f, 0x21}});  // flat: one pair, truncated
  RecordingCarver carver;
  p->PlotToCarver(carver);
  CBezierSegment seg{{20, 0}, {20, 40}, {60, 40}, {60, 0}, {}};
  const std::string flat = FlattenBezierToText(seg);
  ASSERT_FALSE(flat.empty());
  EXPECT_NE(flat.find(','), std::string::npos);
  EXPECT_EQ(carver.calls,
            (std::vector<std::string>{"MoveTo(0,0)", "PolylineTo(10,0)", "PolylineTo(10,10)",
                                      "EndPolyline", "MoveTo(20,0)",
                                      "PolylineToList(" + flat + ")", "EndPolyline",
                                      "MoveTo(40,0)", "PolylineToList(50,0)", "EndPolyline"}));
}

TEST(PathObjectTest, ClippingGoesThroughTheInstalledOutputServices) {
  auto p = Build(kSquare);
  ASSERT_EQ(GetOutputServices(), nullptr);
  EXPECT_EQ(ClipPathObject(*p, 1, 2, 3, 4), nullptr);  // nothing installed
  FakeOutputServices services;
  services.result = Build({{1, 2, 0x11}, {3, 2, 0x21}});
  CPathObject* made = services.result.get();
  EXPECT_EQ(SetOutputServices(&services), nullptr);
  std::unique_ptr<CPathObject> clipped = ClipPathObject(*p, 1, 2, 3, 4);
  EXPECT_EQ(clipped.get(), made);
  EXPECT_EQ(services.last, p.get());
  EXPECT_EQ(services.rect, CFRect(1, 2, 3, 4));
  EXPECT_EQ(ClipPathObject(*p, 0, 0, 1, 1), nullptr);  // the service found nothing inside
  EXPECT_EQ(services.calls, 2);
  EXPECT_EQ(SetOutputServices(nullptr), &services);
}

// --- Hit test ----------------------------------------------------------------

TEST(PathObjectTest, HitTest) {
  FakeView view;
  view.unitsPerPixel = 1.0;
  auto p = Build({{0, 0, 0x11}, {100, 0, 0x01}, {100, 100, 0x21}});
  struct Case {
    float x, y;
    int hit;
  };
  const Case cases[] = {
      {50, 1, 1},     // near the first segment
      {99, 50, 1},    // near the second
      {50, 50, 0},    // inside the bounds, far from the segments
      {-2, 0, 0},     // outside the bounds grown by one unit
      {100.5f, 100.5f, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(p->HitTest(&view, c.x, c.y), c.hit) << c.x << "," << c.y;

  // A zero-width path is hit along its line only, not across the page.
  auto vertical = Build({{10, 20, 0x11}, {10, 40, 0x21}});
  const Case flat[] = {
      {11, 30, 1}, {10, 18, 1}, {12.9f, 42, 1}, {13, 30, 0},
      {500, 40, 0},  // on the line y = bottom, far away
      {10, 44, 0},   // beyond the end
  };
  for (const Case& c : flat)
    EXPECT_EQ(vertical->HitTest(&view, c.x, c.y), c.hit) << c.x << "," << c.y;
  auto horizontal = Build({{20, 10, 0x11}, {40, 10, 0x21}});
  for (const Case& c : flat)
    EXPECT_EQ(horizontal->HitTest(&view, c.y, c.x), c.hit) << c.y << "," << c.x;

  // Tolerances scale with the view.
  view.unitsPerPixel = 10.0;
  EXPECT_EQ(p->HitTest(&view, 50, 25), 1);
  // The pending matrix moves the tested segments.
  view.unitsPerPixel = 1.0;
  p->Offset(0, 30);
  EXPECT_EQ(p->HitTest(&view, 50, 30), 1);
  EXPECT_EQ(p->HitTest(&view, 50, 1), 0);

  CPathObject empty;
  EXPECT_EQ(empty.HitTest(&view, 0, 0), 0);
}

// --- Records -----------------------------------------------------------------

TEST(PathObjectTest, GoldenRecordOfATwoNodeLine) {
  CPathObject p;
  p.AddLine(1, 2, 3, 4);
  p.EndPoints();
  p.color = 0x00A0B0C0;
  p.flags = 0x0102;
  std::uint32_t length = 0;
  std::size_t blockSize = 0;
  const std::size_t pointBlock = plat::GlobalSize(p.points);
  const std::vector<std::uint8_t> b = RecordBytes(p, &length, &blockSize);
  ASSERT_EQ(length, 96u);
  EXPECT_EQ(blockSize, pointBlock + 78);

  std::vector<std::uint8_t> want(97, 0);
  want[0] = '#';
  want[1] = 96;
  want[5] = 128;
  want[6] = 0x02;
  want[7] = 0x01;
  const float head[4 + 9] = {1, 2, 3, 4, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::memcpy(&want[8], head, sizeof head);
  want[60] = 0xC0;
  want[61] = 0xB0;
  want[62] = 0xA0;
  want[64] = 3;
  const PathPoint recs[3] = {{1, 2, 0x11}, {3, 4, 0x21}, {0, 0, 0xFF}};
  std::memcpy(&want[68], recs, sizeof recs);
  want[95] = 241;
  want[96] = 255;
  ASSERT_GE(b.size(), want.size());
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 97), want);
  for (std::size_t i = 97; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST(PathObjectTest, WriteRecordEdgeCases) {
  CPathObject single;
  single.AddPoint(1, 1, 0x11);
  single.EndPoints();
  EXPECT_TRUE(RecordBytes(single).empty());  // fewer than two records before the end

  // A path still being built is written with an end record of its own.
  auto building = Build({{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x21}}, false);
  std::uint32_t length = 0;
  const std::vector<std::uint8_t> b = RecordBytes(*building, &length);
  ASSERT_EQ(length, 69u + 36);
  EXPECT_EQ(U32(b, 64), 4u);
  EXPECT_EQ(b[68 + 27 + 8], PP_END);
  EXPECT_EQ(b[68 + 36], 241);
  EXPECT_EQ(b[69 + 36], 255);
  EXPECT_EQ(building->count, 3);  // the path itself is left as it was
}

TEST(PathObjectTest, RecordRoundTripThroughTheFactory) {
  auto p = Build({{0, 0, 0x11}, {4, 8, 0x00}, {6, 8, 0x00}, {10, 0, 0x41}, {9, 9, PP_COLOR}});
  p->color = 0x123456;
  p->flags = OBJF_FILLED;
  p->Offset(1, 1);
  plat::HGLOBAL h = 0;
  const std::uint32_t len = p->WriteRecord(&h);
  ASSERT_EQ(len, 69u + 9 * 6);
  std::unique_ptr<CGraphObject> obj = CreateObjectFromBlock(h);
  plat::GlobalFree(h);
  ASSERT_NE(obj, nullptr);
  auto* q = dynamic_cast<CPathObject*>(obj.get());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->kind, OBJ_PATH);
  EXPECT_EQ(q->flags, OBJF_FILLED);
  EXPECT_EQ(q->color, 0x123456u);
  EXPECT_EQ(q->bounds, p->bounds);
  EXPECT_EQ(q->matrix, p->matrix);
  EXPECT_EQ(q->count, 6);
  Expect(RecordsOf(*q), RecordsOf(*p));
  ExpectRoom(*q);
  q->AddPoint(3, 3, 0x11);  // a loaded path can be extended
  ExpectRoom(*q);

  // The base Clone path (record and factory) and the path's own Clone agree.
  std::unique_ptr<CGraphObject> c = p->Clone();
  auto* cp = dynamic_cast<CPathObject*>(c.get());
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->flags, OBJF_FILLED);  // a filled path clones filled
  EXPECT_EQ(cp->color, p->color);
  EXPECT_EQ(cp->matrix, p->matrix);
  EXPECT_NE(cp->points, p->points);
  Expect(RecordsOf(*cp), RecordsOf(*p));
}

TEST(PathObjectTest, LoadFromRecordRefusesCorruptRecords) {
  auto p = Build({{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x21}});
  plat::HGLOBAL h = 0;
  const std::uint32_t len = p->WriteRecord(&h);
  std::vector<std::uint8_t> good;
  {
    plat::GlobalLockGuard g(h);
    good.assign(g.bytes(), g.bytes() + len + 1);
  }
  plat::GlobalFree(h);
  auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    std::memcpy(&b[at], &v, 4);
  };
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&, std::size_t&)> spoil;
    bool loads;
  };
  const Case cases[] = {
      {"intact", [](auto&, auto&) {}, true},
      {"other letter", [](auto& b, auto&) { b[0] = '$'; }, false},
      {"n beyond L", [&](auto& b, auto&) { put32(b, 64, 5); }, false},
      {"huge n", [&](auto& b, auto&) { put32(b, 64, 0xFFFFFFFFu); }, false},
      {"L beyond the block", [](auto&, auto& size) { size -= 2; }, false},
      {"head cut off", [](auto&, auto& size) { size = 40; }, false},
      {"L smaller than the records", [&](auto& b, auto&) { put32(b, 1, 80); }, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> b = good;
    std::size_t size = b.size();
    c.spoil(b, size);
    // Exactly `size` bytes of their own, so the sanitizers see any over-read.
    std::vector<std::uint8_t> exact(b.begin(), b.begin() + std::ptrdiff_t(size));
    auto q = CPathObject::LoadFromRecord(exact.data(), exact.size());
    EXPECT_EQ(q != nullptr, c.loads) << c.what;
    EXPECT_EQ(CreateObjectFromRecord(exact.data(), exact.size()) != nullptr, c.loads) << c.what;
  }

  // A record list without its end record gets one.
  std::vector<std::uint8_t> noEnd = good;
  noEnd[68 + 27 + 8] = 0x01;
  auto q = CPathObject::LoadFromRecord(noEnd.data(), noEnd.size());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->count, 5);
  EXPECT_EQ(RecordsOf(*q).back().flags, PP_END);
  ExpectRoom(*q);

  // n = 0: an empty but valid path.
  std::vector<std::uint8_t> none = good;
  put32(none, 64, 0);
  auto z = CPathObject::LoadFromRecord(none.data(), none.size());
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->count, 1);
  EXPECT_TRUE(RecordBytes(*z).empty());
}

// A loaded path's block holds its records, the end record and two cleared
// spare ones, whatever the memory held before (a freed block of the same
// size, filled, is what the allocator hands out next; the sanitizer fills
// new memory).
TEST(PathObjectTest, LoadFromRecordWritesTheWholeBlock) {
  for (bool ended : {true, false}) {
    auto p = Build({{0, 0, 0x11}, {5, 0, 0x01}, {5, 5, 0x21}});
    plat::HGLOBAL h = 0;
    const std::uint32_t len = p->WriteRecord(&h);
    std::vector<std::uint8_t> rec;
    {
      plat::GlobalLockGuard g(h);
      rec.assign(g.bytes(), g.bytes() + len);
    }
    plat::GlobalFree(h);
    if (!ended) rec[68 + 27 + 8] = 0x01;  // the end record's place holds a node
    const std::size_t n = 4, blockBytes = (n + (ended ? 2 : 3)) * 9;
    plat::HGLOBAL dirty = plat::GlobalAlloc(plat::GMEM_MOVEABLE, blockBytes);
    std::memset(plat::GlobalLock(dirty), 0xAB, blockBytes);
    plat::GlobalUnlock(dirty);
    plat::GlobalFree(dirty);
    auto q = CPathObject::LoadFromRecord(rec.data(), rec.size());
    ASSERT_NE(q, nullptr);
    std::vector<std::uint8_t> want(rec.begin() + 68, rec.begin() + 68 + std::ptrdiff_t(n * 9));
    if (!ended) {
      want.insert(want.end(), 9, 0);
      want.back() = PP_END;
    }
    want.resize(blockBytes, 0);
    plat::GlobalLockGuard g(q->points);
    ASSERT_EQ(g.size(), want.size());
    EXPECT_EQ(std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size()), want) << ended;
  }
}

TEST(PathObjectTest, RandomRecordsNeverCrash) {
  // Hostile point records: walks stay within the block.
  std::uint32_t seed = 12345;
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  FakeView view;
  for (int round = 0; round < 200; ++round) {
    const std::uint32_t n = 1 + next() % 12;
    std::vector<std::uint8_t> b(69 + 9 * n + 1, 0);
    b[0] = '#';
    const std::uint32_t len = 69 + 9 * n;
    std::memcpy(&b[1], &len, 4);
    b[5] = 128;
    const float ident[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(&b[24], ident, sizeof ident);
    std::memcpy(&b[64], &n, 4);
    for (std::uint32_t i = 0; i < n; ++i) {
      PathPoint pt{float(next() % 50), float(next() % 50), std::uint8_t(next())};
      if (next() % 3 == 0) pt.flags = std::uint8_t(0x01 | (next() % 8) * 0x10);
      std::memcpy(&b[68 + 9 * i], &pt, 9);
    }
    b[len - 1] = 241;
    b[len] = 255;
    auto p = CPathObject::LoadFromRecord(b.data(), b.size());
    ASSERT_NE(p, nullptr);
    p->bounds = CFRect(0, 0, 50, 50);
    RecordingCutter cutter;
    p->PlotToCutter(cutter);
    RecordingCarver carver;
    p->PlotToCarver(carver);
    p->HitTest(&view, 25, 25);
    delete p->MakeOutline(nullptr, 0);
    p->MakeReversed();
    std::vector<std::unique_ptr<CPathObject>> parts;
    p->SplitContours(parts);
    plat::BOOL closed;
    p->GetFirstContourLength(&closed);
    p->CloseLastContour();
    ExpectRoom(*p);
    p->EndPoints();
    plat::HGLOBAL h = 0;
    p->WriteRecord(&h);
    if (h) plat::GlobalFree(h);
    auto other = p->ClonePath();
    p->AppendPath(*other);
    ExpectRoom(*p);
  }
}

TEST(PathObjectTest, ExtremeCoordinatesNeverCrash) {
  // Coordinates far outside the device range, infinite or not numbers: every
  // walk, drawing included, stays defined.
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float values[] = {3e9f, -3e9f, 1e30f, inf, -inf, nan};
  FakeView view(nullptr, 16, 16);
  for (float v : values) {
    const Recs shapes[] = {
        {{0, 0, 0x11}, {v, 0, 0x00}, {v, 5, 0x00}, {5, 5, 0x01}, {v, v, 0x41}},
        {{v, v, 0x11}, {v, 1, 0x01}, {2, v, 0x00}, {1, 1, 0x00}, {v, 0, 0x21}},
    };
    for (const Recs& shape : shapes) {
      auto p = Build(shape);
      for (std::uint16_t f : {std::uint16_t(0), OBJF_FILLED}) {
        p->flags = f;
        p->Draw(view.dc.get(), nullptr, nullptr);
      }
      p->HitTest(&view, 2, 2);
      RecordingCutter cutter;
      p->PlotToCutter(cutter);
      RecordingCarver carver;
      p->PlotToCarver(carver);
      plat::BOOL closed;
      p->GetFirstContourLength(&closed);
      p->Transform(CMatrix3(2, 0, 0, 2, 1, 1));
      p->HitTest(&view, 2, 2);
      p->Draw(view.dc.get(), nullptr, nullptr);
      EXPECT_NE(p->MakeReversed(), nullptr);
    }
  }
}

// --- Other slots -------------------------------------------------------------

TEST(PathObjectTest, ConvertToPathAndColours) {
  auto p = Build(kSquare);
  p->color = 0xFF0000;
  p->Offset(1, 0);
  EXPECT_EQ(p->ConvertToPath(0x00FF00), nullptr);
  std::unique_ptr<CGraphObject> all = p->ConvertToPath(-1);
  auto* c = dynamic_cast<CPathObject*>(all.get());
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->matrix.IsIdentity());
  EXPECT_EQ(float(RecordsOf(*c)[1].x), 11.0f);
  EXPECT_FALSE(p->matrix.IsIdentity());  // the original keeps its pending move
  EXPECT_NE(p->ConvertToPath(0xFF0000), nullptr);
  EXPECT_EQ(p->MakeTransformedCopy(1, CFRect(0, 0, 1, 1)), nullptr);

  FakeListBox list;
  p->AddColorToList(&list);
  p->AddColorToList(&list);
  EXPECT_EQ(list.items, std::vector<std::string>{"16711680"});

  FakeView view;
  p->SetColorIndex(&view, 0xFF0000, 1);
  EXPECT_TRUE(view.invalidated.empty());  // unchanged: nothing to redraw
  p->SetColorIndex(&view, 0x0000FF, 0);
  EXPECT_EQ(p->color, 0x0000FFu);
  EXPECT_TRUE(view.invalidated.empty());
  p->SetColorIndex(&view, 0x00FF00, 1);
  EXPECT_EQ(view.invalidated.size(), 1u);
}

TEST(PathObjectTest, DrawsInItsColour) {
  FakeView view(nullptr, 32, 32);
  auto p = Build({{4, 4, 0x11}, {24, 4, 0x01}, {24, 24, 0x01}, {4, 24, 0x01}, {4, 4, 0x41}});
  p->color = 0xFF0000;  // packed red
  const plat::COLORREF red = plat::RGB(255, 0, 0);
  const plat::Surface& s = view.surface.surface();
  const plat::COLORREF background = s.GetPixel(14, 14);
  plat::HPEN pen = view.dc->GetCurrentPen();
  plat::HBRUSH brush = view.dc->GetCurrentBrush();
  p->Draw(view.dc.get(), nullptr, nullptr);
  EXPECT_EQ(s.GetPixel(4, 14), red);
  EXPECT_EQ(s.GetPixel(14, 14), background);  // outline only
  p->flags = OBJF_FILLED;
  p->Print(view.dc.get(), nullptr, nullptr);
  EXPECT_EQ(s.GetPixel(14, 14), red);
  // The device context gets its own pen and brush back.
  EXPECT_EQ(view.dc->GetCurrentPen(), pen);
  EXPECT_EQ(view.dc->GetCurrentBrush(), brush);
}
