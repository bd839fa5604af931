// The records of the simple shapes: the head without bounds, exact lengths,
// refusal of non-finite fields, the trip through an object-list block, and
// every byte mutated and every truncation read safely.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "model/ellipseobject.h"
#include "model/lineobject.h"
#include "model/polygonobject.h"
#include "model/records.h"
#include "model/rectobject.h"
#include "model/segarray.h"
#include "model/tests/shape_fixtures.h"
#include "platform/report.h"

using namespace shapetest;

namespace {

struct Sample {
  const char* name;
  std::function<std::unique_ptr<CGraphObject>()> make;
  char letter;
  std::uint8_t kind;
  std::uint32_t length;
  // Offsets of the f32 fields (matrix and bounds included).
  std::vector<std::size_t> floats;
};

std::vector<std::size_t> Range(std::size_t from, std::size_t count) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(from + 4 * i);
  return out;
}

std::vector<std::size_t> Join(std::initializer_list<std::vector<std::size_t>> parts) {
  std::vector<std::size_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::unique_ptr<CGraphObject> SampleLine() {
  auto l = std::make_unique<CLineObject>();
  l->x1 = 1, l->y1 = 2, l->x2 = 3, l->y2 = 4;
  l->bounds = CFRect(5, 6, 7, 8);
  l->flags = 0x0102;
  l->color = 0x00A1B2C3;
  l->reserved = 0x11223344;
  return l;
}

std::unique_ptr<CGraphObject> SampleRect() {
  auto r = std::make_unique<CRectObject>();
  r->x1 = 1, r->y1 = 2, r->x2 = 3, r->y2 = 4;
  r->matrix = CMatrix3(5, 6, 7, 8, 9, 10);
  r->rx = 0.25f, r->ry = 0.5f;
  r->bounds = CFRect(11, 12, 13, 14);
  r->flags = 0x0103;
  r->color = 0x00B1C2D3;
  r->reserved = 0x55667788;
  return r;
}

std::unique_ptr<CGraphObject> SampleEllipse() {
  auto e = std::make_unique<CEllipseObject>();
  e->x1 = 1, e->y1 = 2, e->x2 = 3, e->y2 = 4;
  e->matrix = CMatrix3(5, 6, 7, 8, 9, 10);
  e->bounds = CFRect(11, 12, 13, 14);
  e->color = 0x00C1D2E3;
  e->start = 15, e->end = 16;
  e->reserved = 0x99AABBCC;
  e->style = 17;
  e->flags = 0x0104;
  return e;
}

std::unique_ptr<CGraphObject> SamplePolygon() {
  auto p = std::make_unique<CPolygonObject>();
  p->r1 = 1, p->r2 = 2;
  p->matrix = CMatrix3(3, 4, 5, 6, 7, 8);
  p->bounds = CFRect(9, 10, 11, 12);
  p->color = 0x00D1E2F3;
  p->band = 13, p->start = 14, p->sides = 15, p->offset = 16, p->cx = 17, p->cy = 18;
  p->flags = 0x0105;
  return p;
}

std::vector<Sample> Samples() {
  return {
      {"line", SampleLine, '$', OBJ_LINE, 49, Range(8, 8)},
      {"rect", SampleRect, '%', OBJ_RECT, 93, Range(8, 19)},
      {"ellipse", SampleEllipse, '&', OBJ_ELLIPSE, 97, Join({Range(8, 17), Range(80, 2), {92}})},
      {"polygon", SamplePolygon, '\'', OBJ_POLYGON, 97,
       Join({Range(8, 15), Range(72, 2), Range(84, 3)})},
  };
}

// Where each field sits: (offset, the u32 or f32 bits there).
struct Field {
  std::size_t at;
  std::uint32_t bits;
};

std::uint32_t F(float f) { return Bits(f); }

std::unique_ptr<CGraphObject> Read(const std::vector<std::uint8_t>& b, std::size_t size) {
  ExactBytes exact(b, size);
  return CreateObjectFromRecord(exact.data.get(), exact.size);
}

}  // namespace

TEST(ShapeRecordHead, WriterWithoutBoundsAndReaderFromOffsetEight) {
  CRecordWriter w(REC_LINE, OBJ_LINE, 0x0A0B);
  w.PutU32(0x01020304);
  const std::vector<std::uint8_t> b = w.FinishBytes();
  EXPECT_EQ(b, (std::vector<std::uint8_t>{'$', 13, 0, 0, 0, 1, 0x0B, 0x0A, 4, 3, 2, 1, 0xF1}));

  CRecordWriter big(REC_RECT, OBJ_RECT, 0x0001);
  for (int i = 0; i < 5; ++i) big.PutF32(float(i));
  const std::vector<std::uint8_t> rec = big.FinishBytes();
  CRecordReader r(rec.data(), std::uint32_t(rec.size()), REC_KIND_HEAD_SIZE);
  EXPECT_EQ(r.Offset(), 8u);
  EXPECT_EQ(r.Flags(), 0x0001);
  float f[5];
  for (float& v : f) EXPECT_TRUE(r.ReadF32(v));
  EXPECT_EQ(f[4], 4.0f);
  EXPECT_TRUE(r.Done());
  // The ordinary cursor still starts after the bounds.
  CRecordReader after(rec.data(), std::uint32_t(rec.size()));
  EXPECT_EQ(after.Offset(), 24u);
}

TEST(ShapeRecords, FieldsSitWhereTheLayoutSays) {
  // The matrices' entries 1..6 were set from the sample's a..f; m02 = 0, m22 = 1.
  const std::vector<std::vector<Field>> want = {
      // line: points, bounds, colour, reserved
      {{8, F(1)}, {12, F(2)}, {16, F(3)}, {20, F(4)}, {24, F(5)}, {36, F(8)},
       {40, 0x00A1B2C3}, {44, 0x11223344}},
      // rect: points, matrix, rx, ry, bounds, colour, reserved
      {{8, F(1)}, {20, F(4)}, {24, F(5)}, {28, F(6)}, {32, F(0)}, {48, F(9)}, {56, F(1)},
       {60, F(0.25f)}, {64, F(0.5f)}, {68, F(11)}, {80, F(14)}, {84, 0x00B1C2D3},
       {88, 0x55667788}},
      // ellipse: points, matrix, bounds, colour, start, end, reserved, style
      {{8, F(1)}, {20, F(4)}, {24, F(5)}, {48, F(9)}, {60, F(11)}, {72, F(14)},
       {76, 0x00C1D2E3}, {80, F(15)}, {84, F(16)}, {88, 0x99AABBCC}, {92, F(17)}},
      // polygon: radii, matrix, bounds, colour, band, start, sides, offset, centre
      {{8, F(1)}, {12, F(2)}, {16, F(3)}, {40, F(7)}, {52, F(9)}, {64, F(12)},
       {68, 0x00D1E2F3}, {72, F(13)}, {76, F(14)}, {80, 15}, {84, F(16)}, {88, F(17)},
       {92, F(18)}},
  };
  const std::vector<Sample> samples = Samples();
  for (std::size_t k = 0; k < samples.size(); ++k) {
    SCOPED_TRACE(samples[k].name);
    std::unique_ptr<CGraphObject> o = samples[k].make();
    const std::vector<std::uint8_t> b = RecordBlock(*o);
    ASSERT_EQ(b.size(), samples[k].length + 9);
    EXPECT_EQ(b[6] | b[7] << 8, o->flags);
    for (const Field& f : want[k]) {
      std::uint32_t got;
      std::memcpy(&got, b.data() + f.at, 4);
      EXPECT_EQ(got, f.bits) << "offset " << f.at;
    }
  }
}

TEST(ShapeRecords, LengthsBlocksAndRoundTrips) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    std::unique_ptr<CGraphObject> o = s.make();
    std::uint32_t length = 0;
    const std::vector<std::uint8_t> b = RecordBlock(*o, &length);
    EXPECT_EQ(length, s.length);
    ASSERT_EQ(b.size(), s.length + 9);
    EXPECT_EQ(b[0], std::uint8_t(s.letter));
    EXPECT_EQ(b[5], s.kind);
    EXPECT_EQ(b[s.length - 1], 0xF1);
    EXPECT_EQ(b[s.length], 0xFF);
    for (std::size_t i = s.length + 1; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << i;
    std::unique_ptr<CGraphObject> back = Read(b, s.length);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, s.kind);
    EXPECT_EQ(back->flags, o->flags);
    EXPECT_EQ(back->bounds, o->bounds);
    EXPECT_EQ(RecordBlock(*back), b);
  }
}

TEST(ShapeRecords, ThroughAnObjectListBlock) {
  CSegArray list;
  for (const Sample& s : Samples()) list.Add(s.make());
  plat::HGLOBAL h = 0;
  ASSERT_NE(list.PackToGlobal(&h), 0u);
  std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->GetSize(), list.GetSize());
  for (int i = 0; i < list.GetSize(); ++i)
    EXPECT_EQ(RecordBlock(*back->GetAt(i)), RecordBlock(*list.GetAt(i))) << i;
}

TEST(ShapeRecords, AListStopsWithItsMessageAtARefusedShape) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped(&sink);
  CSegArray list;
  list.Add(SampleLine());
  auto bad = SampleRect();
  static_cast<CRectObject*>(bad.get())->rx = std::numeric_limits<float>::quiet_NaN();
  list.Add(std::move(bad));
  list.Add(SampleLine());
  plat::HGLOBAL h = 0;
  ASSERT_NE(list.PackToGlobal(&h), 0u);
  std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetSize(), 1);
  EXPECT_EQ(sink.boxes.size(), 1u);
}

TEST(ShapeRecords, WrongLengthLetterOrNonFiniteFieldIsRefused) {
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    std::unique_ptr<CGraphObject> o = s.make();
    const std::vector<std::uint8_t> good = RecordBlock(*o);
    for (std::size_t at : s.floats) {
      for (float v : bad) {
        std::vector<std::uint8_t> b = good;
        PutF32At(b, at, v);
        EXPECT_EQ(Read(b, b.size()), nullptr) << at;
      }
    }
    // One byte more or less in L, with the end byte where L says.
    for (int delta : {-1, 1}) {
      std::vector<std::uint8_t> b = good;
      b.resize(b.size() + 1, 0);
      const std::uint32_t len = s.length + std::uint32_t(delta);
      std::memcpy(b.data() + 1, &len, 4);
      b[len - 1] = 0xF1;
      EXPECT_EQ(Read(b, b.size()), nullptr) << delta;
    }
    // Another shape's letter over this payload (the ellipse and the
    // polygon share their length and read each other's payload).
    for (const Sample& t : Samples()) {
      if (t.length == s.length) continue;
      const char other = t.letter;
      std::vector<std::uint8_t> b = good;
      b[0] = std::uint8_t(other);
      EXPECT_EQ(Read(b, b.size()), nullptr) << other;
    }
  }
}

TEST(ShapeRecords, EveryByteMutatedAndEveryTruncationReadsSafely) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped(&sink);
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    std::unique_ptr<CGraphObject> o = s.make();
    const std::vector<std::uint8_t> good = RecordBlock(*o);
    for (std::size_t n = 0; n < s.length; ++n) EXPECT_EQ(Read(good, n), nullptr) << n;
    for (std::size_t at = 0; at < s.length; ++at) {
      for (std::uint8_t v : {std::uint8_t(0x00), std::uint8_t(0xFF), std::uint8_t(good[at] ^ 0x80),
                             std::uint8_t(good[at] + 1)}) {
        std::vector<std::uint8_t> b = good;
        b[at] = v;
        std::unique_ptr<CGraphObject> back = Read(b, s.length);
        if (!back) continue;
        // Whatever is read draws, converts and writes again.
        std::unique_ptr<CPathPointList>(back->MakeOutline(nullptr, 0));
        back->ConvertToPath(-1);
        EXPECT_EQ(RecordBlock(*back).size(), s.length + 9);
      }
    }
  }
}
