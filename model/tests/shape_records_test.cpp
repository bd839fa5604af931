// The records of the simple shapes: the head without bounds, exact lengths,
// refusal of non-finite fields, the trip through an object-list block, and
// every byte mutated and every truncation read safely.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "model/lineobject.h"
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

std::vector<Sample> Samples() {
  return {
      {"line", SampleLine, '$', OBJ_LINE, 49, Range(8, 8)},
      {"rect", SampleRect, '%', OBJ_RECT, 93, Range(8, 19)},
  };
}

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
    // Another shape's letter over this payload.
    for (char other : {'$', '%', '&', '\''}) {
      if (other == s.letter) continue;
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
