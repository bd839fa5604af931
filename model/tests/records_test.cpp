#include "model/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "model/graphobject.h"
#include "model/tests/testobject.h"

namespace {

// A record in a heap buffer of exactly its bytes, so that any read past it
// is caught by the address sanitizer.
struct ExactBuffer {
  explicit ExactBuffer(const std::vector<std::uint8_t>& bytes)
      : size(bytes.size()), data(new std::uint8_t[bytes.size()]) {
    if (size) std::memcpy(data.get(), bytes.data(), size);
  }
  std::size_t size;
  std::unique_ptr<std::uint8_t[]> data;
};

std::vector<std::uint8_t> TestRecord(std::uint32_t value, const std::string& payload) {
  TestObject o(1, 2, 3, 4);
  o.flags = 0x0105;
  o.value = value;
  o.payload = payload;
  CRecordWriter w(TestObject::kLetter, o);
  w.PutU32(value);
  w.PutU16(static_cast<std::uint16_t>(payload.size()));
  w.PutBytes(payload.data(), payload.size());
  return w.FinishBytes();
}

void PutLength(std::vector<std::uint8_t>& rec, std::uint32_t len) {
  for (int i = 0; i < 4; ++i) rec[1 + i] = static_cast<std::uint8_t>(len >> (8 * i));
}

}  // namespace

TEST(ObjectKinds, NameIdsAndLetters) {
  struct Case {
    int kind;
    char letter;
    int nameId;
  };
  const Case cases[] = {
      {1, '$', 189},  {2, '%', 190},   {3, '&', 191},   {8, '\'', 192}, {9, '*', 195},
      {128, '#', 193}, {129, ')', 197}, {130, '!', 196}, {131, '"', 194}, {133, '(', 198},
      {144, 'P', 201}, {145, 0, 202},   {146, 0, 203},   {147, 0, 204},  {148, 0, 205},
      {0, 0, 199},    {4, 0, 199},     {5, 0, 199},     {6, 0, 199},    {7, 0, 199},
      {132, 0, 199},  {149, 0, 199},   {255, 0, 199},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(ObjectTypeNameStringId(static_cast<std::uint8_t>(c.kind)), c.nameId);
    EXPECT_EQ(RecordLetterOfKind(static_cast<std::uint8_t>(c.kind)), c.letter);
    if (c.letter) {
      EXPECT_EQ(KindOfRecordLetter(c.letter), c.kind);
    }
    std::string name;
    EXPECT_TRUE(ObjectTypeNameId(static_cast<std::uint8_t>(c.kind), name));
    EXPECT_FALSE(name.empty());
  }
  // The letters run from '!' to '*' plus 'P'; nothing else names a kind.
  for (int ch = 0; ch < 256; ++ch) {
    const bool named = (ch >= '!' && ch <= '*') || ch == 'P';
    EXPECT_EQ(KindOfRecordLetter(static_cast<char>(ch)) != 0, named) << ch;
  }
  EXPECT_EQ(LoadObjectString(200), nullptr);
}

TEST(RecordWriter, BlockHoldsRecordThe255AndZeros) {
  // A record with a 24-byte payload has the length of a line record: 49.
  TestObject o(10, 20, 30, 40);
  o.flags = 0x0100;
  CRecordWriter w(REC_LINE, OBJ_LINE, o.flags, o.bounds);
  for (int i = 0; i < 6; ++i) w.PutF32(static_cast<float>(i));
  plat::HGLOBAL h = 0;
  ASSERT_EQ(w.Finish(&h), 49u);
  ASSERT_NE(h, 0u);
  plat::GlobalBlock block(h);
  ASSERT_EQ(plat::GlobalSize(h), 58u);
  plat::GlobalLockGuard lock(h);
  const std::uint8_t* p = lock.bytes();
  EXPECT_EQ(p[0], '$');
  EXPECT_EQ(p[1] | p[2] << 8 | p[3] << 16 | p[4] << 24, 49);
  EXPECT_EQ(p[5], OBJ_LINE);
  EXPECT_EQ(p[6] | p[7] << 8, 0x0100);
  float left;
  std::memcpy(&left, p + 8, 4);
  EXPECT_EQ(left, 10.0f);
  EXPECT_EQ(p[48], REC_END_BYTE);
  EXPECT_EQ(p[49], REC_AFTER_BYTE);
  for (int i = 50; i < 58; ++i) EXPECT_EQ(p[i], 0) << i;
}

TEST(RecordFactory, LettersWithoutReaderOrOutsideTheTableGiveNull) {
  const auto rec = TestRecord(7, "abc");
  // '+' and ',' (the plug-in's own records) and any other byte name no class.
  for (int ch : {int('+'), int(','), int(' '), int('A'), int('Q'), 0, 0xFF}) {
    auto bytes = rec;
    bytes[0] = static_cast<std::uint8_t>(ch);
    ExactBuffer buf(bytes);
    EXPECT_EQ(CreateObjectFromRecord(buf.data.get(), buf.size), nullptr) << ch;
    EXPECT_FALSE(RegisterRecordReader(static_cast<char>(ch), &TestObject::Read));
  }
  // A letter of the table with no class installed.
  ExactBuffer buf(rec);
  ScopedRecordReader none(TestObject::kLetter, nullptr);
  EXPECT_EQ(GetRecordReader(TestObject::kLetter), nullptr);
  EXPECT_EQ(CreateObjectFromRecord(buf.data.get(), buf.size), nullptr);
}

TEST(RecordFactory, ReadsThroughTheInstalledReader) {
  ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
  ASSERT_TRUE(reg.Installed());
  ExactBuffer buf(TestRecord(0xDEADBEEF, "payload"));
  auto obj = CreateObjectFromRecord(buf.data.get(), buf.size);
  ASSERT_NE(obj, nullptr);
  auto* t = dynamic_cast<TestObject*>(obj.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->kind, TestObject::kKind);
  EXPECT_EQ(t->flags, 0x0105);
  EXPECT_EQ(t->bounds, CFRect(1, 2, 3, 4));
  EXPECT_EQ(t->value, 0xDEADBEEFu);
  EXPECT_EQ(t->payload, "payload");
}

TEST(RecordFactory, RecordsThatDoNotFitAreRefusedWithoutReadingPastThem) {
  ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
  const auto good = TestRecord(1, "xyz");
  const std::uint32_t L = static_cast<std::uint32_t>(good.size());

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::size_t available;  // 0: the buffer's size
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}, 0});
  cases.push_back({"letter only", {std::uint8_t(TestObject::kLetter)}, 0});
  cases.push_back({"length cut", {good.begin(), good.begin() + 4}, 0});
  cases.push_back({"truncated", {good.begin(), good.end() - 1}, 0});
  cases.push_back({"head only", {good.begin(), good.begin() + 24}, 0});
  {
    auto b = good;
    PutLength(b, 24);  // shorter than head and end byte
    cases.push_back({"length 24", b, 0});
  }
  {
    auto b = good;
    PutLength(b, L + 1);  // claims a byte beyond the block
    cases.push_back({"oversized", b, 0});
  }
  {
    auto b = good;
    PutLength(b, 0xFFFFFFFFu);
    cases.push_back({"huge length", b, 0});
  }
  {
    auto b = good;
    b[L - 1] = 0;  // no end byte
    cases.push_back({"no end byte", b, 0});
  }
  {
    // Fits the buffer but not the budget of its containing block.
    cases.push_back({"beyond budget", good, L - 1});
  }
  {
    // A nested count that runs past the record: the record itself is sound,
    // the class reader must refuse it.
    auto b = good;
    b[28] = 0xFF;
    b[29] = 0x7F;
    cases.push_back({"nested count too large", b, 0});
  }
  {
    // Length shortened so that the payload no longer holds the nested bytes,
    // with a valid end byte at the new end.
    auto b = good;
    b.resize(L - 2);
    b.back() = REC_END_BYTE;
    PutLength(b, static_cast<std::uint32_t>(b.size()));
    cases.push_back({"payload cut", b, 0});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExactBuffer buf(c.bytes);
    const std::size_t avail = c.available ? c.available : buf.size;
    EXPECT_EQ(CreateObjectFromRecord(buf.size ? buf.data.get() : nullptr, avail), nullptr);
  }
  // The sound record still reads with an exact budget.
  ExactBuffer buf(good);
  EXPECT_NE(CreateObjectFromRecord(buf.data.get(), L), nullptr);
}

TEST(RecordFactory, ReaderIsCalledOnlyForRecordsThatFit) {
  ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
  auto b = TestRecord(1, "");
  PutLength(b, static_cast<std::uint32_t>(b.size()) + 5);
  ExactBuffer buf(b);
  const int before = TestObject::readerCalls;
  EXPECT_EQ(CreateObjectFromRecord(buf.data.get(), buf.size), nullptr);
  EXPECT_EQ(TestObject::readerCalls, before);
}

TEST(RecordFactory, BlockOfTwoRecordsReadsEachWithinItsLength) {
  ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
  auto a = TestRecord(1, "first");
  auto b = TestRecord(2, "second");
  std::vector<std::uint8_t> block = a;
  block.insert(block.end(), b.begin(), b.end());
  ExactBuffer buf(block);
  std::uint32_t len = 0;
  ASSERT_TRUE(CheckRecord(buf.data.get(), buf.size, &len));
  EXPECT_EQ(len, a.size());
  auto first = CreateObjectFromRecord(buf.data.get(), buf.size);
  auto second = CreateObjectFromRecord(buf.data.get() + len, buf.size - len);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(static_cast<TestObject*>(first.get())->payload, "first");
  EXPECT_EQ(static_cast<TestObject*>(second.get())->value, 2u);
}

TEST(RecordReader, ReadsStopAtTheEndByte) {
  CRecordWriter w(REC_RECT, OBJ_RECT, 0, CFRect());
  w.PutU16(0x1234);
  w.PutF32(2.5f);
  CMatrix3 m(1, 2, 3, 4, 5, 6);
  w.PutMatrix(m);
  const auto rec = w.FinishBytes();
  ExactBuffer buf(rec);
  CRecordReader r(buf.data.get(), static_cast<std::uint32_t>(buf.size));
  std::uint16_t u = 0;
  float f = 0;
  CMatrix3 back;
  EXPECT_TRUE(r.ReadU16(u));
  EXPECT_TRUE(r.ReadF32(f));
  EXPECT_TRUE(r.ReadMatrix(back));
  EXPECT_EQ(u, 0x1234);
  EXPECT_EQ(f, 2.5f);
  EXPECT_EQ(back, m);
  EXPECT_TRUE(r.Done());
  // The end byte is not payload: one more byte fails and marks the reader.
  std::uint8_t extra = 0;
  EXPECT_FALSE(r.ReadU8(extra));
  EXPECT_TRUE(r.Failed());
  EXPECT_FALSE(r.Done());
  // Once failed, later reads fail as well.
  EXPECT_EQ(r.Take(0), nullptr);
}

TEST(RecordFactory, ScopedReaderRestoresThePrevious) {
  const RecordReaderFn own = GetRecordReader(TestObject::kLetter);
  {
    ScopedRecordReader reg(TestObject::kLetter, &TestObject::Read);
    EXPECT_EQ(GetRecordReader(TestObject::kLetter), &TestObject::Read);
    {
      ScopedRecordReader none(TestObject::kLetter, nullptr);
      EXPECT_EQ(GetRecordReader(TestObject::kLetter), nullptr);
    }
    EXPECT_EQ(GetRecordReader(TestObject::kLetter), &TestObject::Read);
  }
  EXPECT_EQ(GetRecordReader(TestObject::kLetter), own);
}

TEST(RecordReader, LengthTooShortForTheHeadReadsNothing) {
  // A reader built over fewer bytes than a head holds must not touch them.
  for (std::uint32_t len : {0u, 1u, 3u, 24u}) {
    SCOPED_TRACE(len);
    std::vector<std::uint8_t> bytes(len, 0xF1);
    ExactBuffer buf(bytes);
    CRecordReader r(len ? buf.data.get() : nullptr, len);
    EXPECT_EQ(r.Letter(), 0);
    EXPECT_EQ(r.Kind(), 0);
    EXPECT_EQ(r.Flags(), 0);
    EXPECT_EQ(r.Bounds(), CFRect());
    EXPECT_EQ(r.Remaining(), 0u);
    std::uint8_t b = 0;
    EXPECT_FALSE(r.ReadU8(b));
    EXPECT_TRUE(r.Failed());
  }
}
