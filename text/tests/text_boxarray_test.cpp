#include "text/boxarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "platform/report.h"
#include "text/tests/text_fixtures.h"

namespace {

std::vector<std::uint8_t> BlockBytes(plat::HGLOBAL h, std::size_t n) {
  plat::GlobalLockGuard g(h);
  return std::vector<std::uint8_t>(g.bytes(), g.bytes() + n);
}

std::vector<std::uint8_t> FromHex(const char* hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2)
    out.push_back(std::uint8_t(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  return out;
}

std::vector<std::uint8_t> Pack(const CBoxArray& a) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = a.PackToGlobal(&h);
  std::vector<std::uint8_t> bytes = n ? BlockBytes(h, n) : std::vector<std::uint8_t>{};
  if (h) plat::GlobalFree(h);
  return bytes;
}

CBoxChar* Char(const CBoxArray& a, int i) { return a.CharAt(i); }

CBoxCode* Code(const CBoxArray& a, int i) {
  CBoxItem* item = a.GetAt(i);
  return item && item->IsCode() ? static_cast<CBoxCode*>(item) : nullptr;
}

// Codes of the items: characters as their code, control items as -code.
std::vector<int> Shape(const CBoxArray& a) {
  std::vector<int> out;
  for (CBoxItem* item : a.Items())
    out.push_back(item->IsChar() ? int(static_cast<CBoxChar*>(item)->code)
                                 : -int(static_cast<CBoxCode*>(item)->code));
  return out;
}

void AddShape(CBoxArray& a, const std::vector<int>& shape) {
  CTextAttr attr = TestAttr();
  for (int v : shape) {
    if (v >= 0)
      a.Add(std::make_unique<CBoxChar>(std::uint16_t(v), attr));
    else
      a.Add(std::make_unique<CBoxCode>(std::uint16_t(-v), 0u));
  }
}

}  // namespace

TEST(TextBoxArray, OneCharacterPacksIntoThe81ByteBlock) {
  StubGlyphSource glyphs;
  CTextAttr attr = TestAttr();
  attr.sizeY = 12.0f;
  CBoxArray a;
  a.Add(std::make_unique<CBoxChar>(kGbA, attr));
  plat::HGLOBAL h = 0;
  ASSERT_EQ(a.PackToGlobal(&h), 81u);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(plat::GlobalSize(h), 91u);
  EXPECT_EQ(BlockBytes(h, 81),
            FromHex("0351000000124B00000086410000204100004041000000000000000000000000A1B00000000000"
                    "00000000000000000080BF000080BF000080BF000080BF0000000000000000000000006500000"
                    "00000FE"));
  plat::GlobalFree(h);

  CBoxArray empty;
  const std::size_t live = plat::GlobalLiveCount();
  plat::HGLOBAL untouched = 12345;
  EXPECT_EQ(empty.PackToGlobal(&untouched), 0u);
  EXPECT_EQ(untouched, 12345u);
  EXPECT_EQ(plat::GlobalLiveCount(), live);
}

TEST(TextBoxArray, ControlItemRecordIs21Bytes) {
  CBoxCode c(2, 0x40A00000u, 7);  // line gap 5.0 mm
  c.third = 9;
  std::uint8_t buf[75] = {};
  ASSERT_EQ(c.WriteRecord(buf), 21u);
  EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + 21),
            FromHex("1115000000008002000000A0400700000009000000"));
  EXPECT_FLOAT_EQ(c.FloatValue(), 5.0f);
  CTextAttr attr;
  c.ApplyTo(attr);
  EXPECT_FLOAT_EQ(attr.lineGap, 5.0f);
}

TEST(TextBoxArray, RecordsRoundTripEveryField) {
  StubGlyphSource glyphs;
  CBoxArray a;
  auto c = std::make_unique<CBoxChar>();
  c->kind = 0x4286;
  c->flags = 0x2085;
  c->code = 0xC4E3;
  c->reserved = 0x1234;
  c->fontId = 77;
  c->sizeX = 1.5f;
  c->sizeY = 2.5f;
  c->extentX = 3.5f;
  c->extentY = 4.5f;
  c->advanceRatio = 0.75f;
  c->x = -5.25f;
  c->y = 6.125f;
  c->box = CFRect(7.0f, 8.0f, 9.0f, 10.0f);
  c->color = 0x00ABCDEF;
  c->angle = 11.0f;
  c->skewX = 12.0f;
  c->skewY = -13.0f;
  ASSERT_NE(c->GetGlyphOutline(nullptr), nullptr);  // caches a glyph, never stored
  a.Add(std::move(c));
  auto code = std::make_unique<CBoxCode>(1024, 0xDEADBEEF, 3);
  code->third = 0xCAFEF00D;
  a.Add(std::move(code));

  std::vector<std::uint8_t> block = Pack(a);
  ASSERT_EQ(block.size(), 5u + 75u + 21u + 1u);
  std::unique_ptr<CBoxArray> b = CBoxArray::UnpackFromBuffer(block.data(), block.size());
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->GetSize(), 2);
  const CBoxChar* r = Char(*b, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->kind, 0x4286);
  EXPECT_EQ(r->flags, 0x2085);
  EXPECT_EQ(r->code, 0xC4E3);
  EXPECT_EQ(r->reserved, 0x1234);
  EXPECT_EQ(r->fontId, 77);
  EXPECT_EQ(r->sizeX, 1.5f);
  EXPECT_EQ(r->sizeY, 2.5f);
  EXPECT_EQ(r->extentX, 3.5f);
  EXPECT_EQ(r->extentY, 4.5f);
  EXPECT_EQ(r->advanceRatio, 0.75f);
  EXPECT_EQ(r->x, -5.25f);
  EXPECT_EQ(r->y, 6.125f);
  EXPECT_EQ(r->box, CFRect(7.0f, 8.0f, 9.0f, 10.0f));
  EXPECT_EQ(r->color, 0x00ABCDEFu);
  EXPECT_EQ(r->angle, 11.0f);
  EXPECT_EQ(r->skewX, 12.0f);
  EXPECT_EQ(r->skewY, -13.0f);
  EXPECT_EQ(r->CachedGlyph(), nullptr);
  const CBoxCode* rc = Code(*b, 1);
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(rc->kind, 0x8000);
  EXPECT_EQ(rc->code, 1024);
  EXPECT_EQ(rc->value, 0xDEADBEEFu);
  EXPECT_EQ(rc->selector, 3u);
  EXPECT_EQ(rc->third, 0xCAFEF00Du);
  // Packing the copy gives the same bytes.
  EXPECT_EQ(Pack(*b), block);

  // A clone copies every field but the glyph.
  std::unique_ptr<CBoxItem> copy = a.GetAt(0)->Clone();
  std::uint8_t one[75], two[75];
  a.GetAt(0)->WriteRecord(one);
  copy->WriteRecord(two);
  EXPECT_EQ(0, std::memcmp(one, two, 75));
  EXPECT_EQ(static_cast<CBoxChar*>(copy.get())->CachedGlyph(), nullptr);
  EXPECT_NE(Char(a, 0)->CachedGlyph(), nullptr);
}

TEST(TextBoxArray, PackingGrowsThroughLargeBlocks) {
  StubGlyphSource glyphs;
  for (int n : {865, 866, 1100, 10000}) {
    CBoxArray a;
    for (int i = 0; i < n; ++i) a.Add(std::make_unique<CBoxChar>(std::uint16_t('a' + i % 26), TestAttr()));
    plat::HGLOBAL h = 0;
    const std::uint32_t length = a.PackToGlobal(&h);
    ASSERT_EQ(length, 5u + 75u * std::uint32_t(n) + 1u) << n;
    EXPECT_EQ(plat::GlobalSize(h), length + 10u);
    std::vector<std::uint8_t> bytes = BlockBytes(h, length);
    EXPECT_EQ(plat::GetU32(bytes.data() + 1), length);
    EXPECT_EQ(bytes.back(), BOXBLOCK_END);
    std::unique_ptr<CBoxArray> back = CBoxArray::UnpackFromGlobal(h);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetSize(), n);
    EXPECT_EQ(Char(*back, n - 1)->code, std::uint16_t('a' + (n - 1) % 26));
    plat::GlobalFree(h);
  }
}

TEST(TextBoxArray, BadBlocksKeepTheItemsBeforeTheFault) {
  StubGlyphSource glyphs;
  CBoxArray a;
  AddShape(a, {'a', -1, 'b'});
  const std::vector<std::uint8_t> good = Pack(a);
  ASSERT_EQ(good.size(), 5u + 75 + 21 + 75 + 1);
  const std::size_t third = 5 + 75 + 21;

  struct Case {
    const char* name;
    std::size_t at;
    std::vector<std::uint8_t> bytes;  // written at `at`
    int items;                        // -1: no array
    bool message;
  };
  const std::vector<Case> cases = {
      {"wrong block kind", 0, {2}, -1, false},
      {"unknown record type", third, {19}, 2, true},
      {"character record too short", third + 1, {74, 0, 0, 0}, 2, true},
      {"control record too short", 5 + 75 + 1, {20, 0, 0, 0}, 1, true},
      {"zero record length", third + 1, {0, 0, 0, 0}, 2, true},
      {"record past the block", third + 1, {0xFF, 0xFF, 0, 0}, 2, true},
      {"first record bad", 5, {0}, -1, true},
      {"block length cuts the last record", 1, {std::uint8_t(third + 10), 0, 0, 0}, 2, true},
      {"block length zero", 1, {0, 0, 0, 0}, -1, false},
      {"end byte first", 5, {0xFE}, -1, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> block = good;
    std::memcpy(block.data() + c.at, c.bytes.data(), c.bytes.size());
    plat::RecordingSink sink;
    plat::ScopedReportSink scope(&sink);
    std::unique_ptr<CBoxArray> r = CBoxArray::UnpackFromBuffer(block.data(), block.size());
    if (c.items < 0) {
      EXPECT_EQ(r, nullptr) << c.name;
    } else {
      ASSERT_NE(r, nullptr) << c.name;
      EXPECT_EQ(r->GetSize(), c.items) << c.name;
    }
    ASSERT_EQ(sink.boxes.size(), c.message ? 1u : 0u) << c.name;
    if (c.message) {
      EXPECT_EQ(sink.boxes[0].text, "非法的CBoxArray数据结构!");
      EXPECT_EQ(sink.boxes[0].caption, "数据结构错");
    }
  }

  // Without an end byte the walk stops at the block's end.
  std::vector<std::uint8_t> noEnd(good.begin(), good.end() - 1);
  plat::PutU32(noEnd.data() + 1, 0x7FFFFFFF);
  std::unique_ptr<CBoxArray> r = CBoxArray::UnpackFromBuffer(noEnd.data(), noEnd.size());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetSize(), 3);
}

TEST(TextBoxArray, EveryByteMutatedAndEveryTruncationIsReadSafely) {
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  CBoxArray a;
  AddShape(a, {'a', -2, kGbA, -32, 13, -32800});
  const std::vector<std::uint8_t> good = Pack(a);
  const std::uint8_t values[] = {0x00, 0x01, 0x03, 0x11, 0x12, 0x4B, 0x7F, 0x80, 0xFE, 0xFF};
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (std::uint8_t v : values) {
      std::vector<std::uint8_t> block = good;
      block[i] = v;
      // An exact-size heap copy lets the sanitizer see any read past it.
      std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[block.size()]);
      std::memcpy(exact.get(), block.data(), block.size());
      std::unique_ptr<CBoxArray> r = CBoxArray::UnpackFromBuffer(exact.get(), block.size());
      if (r) {
        EXPECT_LE(r->GetSize(), a.GetSize());
        std::vector<std::uint8_t> again = Pack(*r);
        EXPECT_FALSE(again.empty());
      }
    }
  }
  for (std::size_t n = 0; n <= good.size(); ++n) {
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n + 1]);
    std::memcpy(exact.get(), good.data(), n);
    std::unique_ptr<CBoxArray> r = CBoxArray::UnpackFromBuffer(exact.get(), n);
    if (r) {
      EXPECT_LE(r->GetSize(), a.GetSize());
    }
  }
}

TEST(TextBoxArray, MakingCharacters) {
  StubGlyphSource glyphs;
  CTextAttr attr = TestAttr();
  attr.tmState = 0x0006;  // half-width symbols, size mode 2
  struct Case {
    const char* name;
    int language;  // -1: from the code
    std::uint8_t doubleByte;
    std::uint16_t code;
    std::uint16_t kind;
    std::uint16_t fontId;
    std::uint16_t flags;
  };
  // Slots: 0->0 (type 0), 134->1 (type 1), 133->2 (type 2), 136->3 (type 0),
  // 128->4 (type 1), 129->5 (type 2), 204->6 (type 0); font id 100 + slot.
  const Case cases[] = {
      {"japanese", 128, 134, 0x8140, 0x4000 | 0x100 | 128, 104, 6},
      {"korean", 129, 134, 0xB0A1, 0x4000 | 0x200 | 129, 105, 6},
      {"traditional", 136, 134, 0xA440, 0x4000 | 136, 103, 6},
      {"simplified", 134, 134, kGbA, 0x4000 | 0x100 | 134, 101, 6},
      {"symbol row", 134, 134, 0xA1A1, 0x4000 | 0x200 | 133, 102, 4},
      {"symbol row last", 134, 134, 0xAFFE, 0x4000 | 0x200 | 133, 102, 4},
      {"below symbol trail", 134, 134, 0xA1A0, 0x4000 | 0x100 | 134, 101, 6},
      {"133 as 134", 133, 134, kGbB, 0x4000 | 0x100 | 134, 101, 6},
      {"russian", 204, 134, 0xC0, 204, 106, 6},
      {"western", 0, 134, 'A', 0, 100, 6},
      {"no slot", 99, 134, 'A', 99, 0, 6},
      {"code: single byte", -1, 136, 'A', 0, 100, 0},
      {"code: simplified", -1, 134, kGbA, 0x4000 | 0x100 | 134, 101, 0},
      {"code: symbol row", -1, 134, 0xA3AC, 0x4000 | 0x200 | 133, 102, 4},
      {"code: traditional", -1, 136, 0xA440, 0x4000 | 136, 103, 0},
      {"code: other language", -1, 0, kGbA, 0x4000, 0, 0},
  };
  for (const Case& c : cases) {
    attr.doubleByteLanguage = c.doubleByte;
    std::unique_ptr<CBoxChar> ch = c.language < 0
                                       ? std::make_unique<CBoxChar>(c.code, attr)
                                       : std::make_unique<CBoxChar>(std::uint8_t(c.language), c.code, attr);
    EXPECT_EQ(ch->kind, c.kind) << c.name;
    EXPECT_EQ(ch->fontId, c.fontId) << c.name;
    EXPECT_EQ(ch->flags, c.flags) << c.name;
    EXPECT_EQ(ch->code, c.code) << c.name;
    EXPECT_EQ(ch->box, CFRect(-1, -1, -1, -1)) << c.name;
    EXPECT_EQ(ch->sizeX, 10.0f);
    EXPECT_EQ(ch->color, 0u);
  }
  // A language without a slot has no glyph, and the source is not asked.
  CBoxChar orphan(99, 'A', attr);
  const int before = glyphs.outlineRequests;
  EXPECT_EQ(orphan.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.outlineRequests, before);
}

TEST(TextBoxArray, MeasureByVariant) {
  StubGlyphSource glyphs;
  CTextAttr attr = TestAttr();
  attr.sizeY = 20.0f;
  struct Case {
    const char* name;
    std::uint16_t code;
    std::uint16_t kind;  // 0: as made
    std::uint16_t flags;
    int variant;
    float advance;
    float ratio;
  };
  const Case cases[] = {
      {"double-byte", kGbA, 0, 0, 0, 10.0f, 1.0f},
      {"double-byte column", kGbA, 0, 0, 2, 20.0f, 1.0f},
      {"space", 32, 0, 0, 0, 5.0f, 0.5f},
      {"space column", 32, 0, 0, 3, 5.0f, 0.5f},
      {"latin from metrics", 'A', 0, 0, 0, 5.0f, 0.5f},
      {"wide latin", 'W', 0, 0, 1, 10.0f, 1.0f},
      {"latin without metrics", 'X', 0, 0, 0, 5.0f, 0.5f},
      {"latin column", 'W', 0, 0, 2, 10.0f, 1.0f},
      {"return", 13, 0, 0, 0, 0.0f, 0.0f},
      {"line feed", 10, 0, 0, 2, 0.0f, 0.0f},
      {"bare double-byte", 0xA1A3, 0x4000, 0, 0, 10.0f, 1.0f},
      {"half-width symbol", 0xA1A3, 0x4000, BOXF_HALF_WIDTH, 0, 5.0f, 0.5f},
      {"half-width range", 0xA1B0, 0x4000, BOXF_HALF_WIDTH, 1, 5.0f, 0.5f},
      {"half-width, other code", 0xA1B8, 0x4000, BOXF_HALF_WIDTH, 0, 10.0f, 1.0f},
  };
  for (const Case& c : cases) {
    CBoxChar ch(c.code, attr);
    if (c.kind) ch.kind = c.kind;
    ch.flags = c.flags;
    ch.y = 3.0f;
    EXPECT_FLOAT_EQ(ch.Measure(c.variant), c.advance) << c.name;
    EXPECT_FLOAT_EQ(ch.advanceRatio, c.ratio) << c.name;
    if (c.code == 13) {
      EXPECT_EQ(ch.sizeX, 0.0f);
      EXPECT_EQ(ch.extentY, 20.0f);
      EXPECT_EQ(ch.y, 0.0f);
    }
  }
  CBoxChar a('A', attr);
  a.Measure(0);
  EXPECT_FLOAT_EQ(a.extentX, 350.0f * 10.0f / 1024.0f);
  EXPECT_FLOAT_EQ(a.extentY, 800.0f * 20.0f / 1024.0f);
  // Measured once.
  const int asked = glyphs.metricRequests;
  a.Measure(0);
  EXPECT_EQ(glyphs.metricRequests, asked);
}

TEST(TextBoxArray, BoxesFromThePosition) {
  CTextAttr attr = TestAttr();
  attr.sizeY = 20.0f;
  struct Case {
    std::uint16_t code;
    int variant;
    CFRect box;
  };
  // Origin (100, 50); ratio 0.5 for the single-byte codes.
  const Case cases[] = {
      {kGbA, 0, {100, 30, 110, 50}}, {kGbA, 1, {90, 30, 100, 50}},
      {kGbA, 2, {100, 50, 110, 70}}, {kGbA, 3, {100, 50, 110, 70}},
      {'A', 0, {100, 30, 105, 50}},  {'A', 1, {95, 30, 100, 50}},
      {'A', 2, {100, 50, 120, 55}},  {13, 0, {100, 30, 100, 50}},
      {32, 3, {100, 50, 120, 55}},
  };
  for (const Case& c : cases) {
    CBoxChar ch(c.code, attr);
    ch.advanceRatio = 0.5f;
    ch.x = 100.0f;
    ch.y = 50.0f;
    ch.SetBoxFromPosition(c.variant);
    EXPECT_EQ(ch.box, c.box) << c.code << " variant " << c.variant;
  }
  CBoxChar ch(kGbA, attr);
  ch.SetBoxFromPosition(4);
  EXPECT_EQ(ch.box, CFRect(-1, -1, -1, -1));
}

TEST(TextBoxArray, SizeModesScaleTheGlyphIntoTheEm) {
  StubGlyphSource glyphs;
  CTextAttr attr = TestAttr();
  struct Case {
    std::uint16_t code;
    std::uint16_t mode;
    CFRect bounds;
  };
  const Case cases[] = {
      {kGbA, 0, {100, 100, 900, 900}},
      {kGbA, 1, {0, 0, 1024, 1024}},
      {kGbA, 2, {0, 0, 1024, 1024}},
      // A flat glyph: its flat axis stays as it is.
      {kFlatCode, 1, {0, 512, 1024, 512}},
      {kFlatCode, 2, {0, 0, 1024, 0}},
      // Single-byte glyphs keep their design size.
      {'A', 2, {100, 100, 450, 900}},
  };
  for (const Case& c : cases) {
    CBoxChar ch(c.code, attr);
    ch.flags = c.mode;
    std::unique_ptr<CPathPointList> o = ch.GetGlyphOutline(nullptr);
    ASSERT_NE(o, nullptr);
    o->ApplyTransform();
    EXPECT_NEAR(o->bounds.left, c.bounds.left, 1e-3) << c.code << "/" << c.mode;
    EXPECT_NEAR(o->bounds.top, c.bounds.top, 1e-3) << c.code << "/" << c.mode;
    EXPECT_NEAR(o->bounds.right, c.bounds.right, 1e-3) << c.code << "/" << c.mode;
    EXPECT_NEAR(o->bounds.bottom, c.bounds.bottom, 1e-3) << c.code << "/" << c.mode;
  }
  // Rotation about the em centre: a quarter turn keeps the square in place.
  CBoxChar turned(kGbA, attr);
  turned.advanceRatio = 1.0f;
  turned.angle = 90.0f;
  std::unique_ptr<CPathPointList> o = turned.GetGlyphOutline(nullptr);
  o->ApplyTransform();
  EXPECT_NEAR(o->bounds.left, 124.0f, 0.1f);
  EXPECT_NEAR(o->bounds.bottom, 900.0f, 0.1f);
  // A skew moves the top edge sideways.
  CBoxChar slanted(kGbA, attr);
  slanted.skewX = 45.0f;
  o = slanted.GetGlyphOutline(nullptr);
  o->ApplyTransform();
  EXPECT_NEAR(o->bounds.left, 100.0f - 412.0f, 0.5f);
  EXPECT_NEAR(o->bounds.right, 900.0f + 388.0f, 0.5f);
}

TEST(TextBoxArray, GlyphsAreFetchedCachedAndDropped) {
  StubGlyphSource glyphs;
  CTextAttr attr = TestAttr();
  CBoxChar db(kGbA, attr);
  ASSERT_NE(db.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.lastType, 1);  // slot 1's font type
  EXPECT_EQ(glyphs.lastSlot, 1);
  EXPECT_EQ(glyphs.lastFontId, 101);
  const int n = glyphs.outlineRequests;
  ASSERT_NE(db.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.outlineRequests, n);  // cached
  db.DropGlyph();
  ASSERT_NE(db.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.outlineRequests, n + 1);

  CBoxChar sb('A', attr);
  ASSERT_NE(sb.GetGlyphOutline(nullptr), nullptr);
  ASSERT_NE(sb.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.outlineRequests, n + 3);  // single-byte glyphs are not kept
  EXPECT_EQ(sb.CachedGlyph(), nullptr);

  // The installed fonts are not asked for codes up to the space.
  CBoxChar space(32, attr);
  EXPECT_EQ(space.GetGlyphOutline(nullptr), nullptr);
  EXPECT_EQ(glyphs.outlineRequests, n + 3);
  CBoxChar missing(kMissingCode, attr);
  EXPECT_EQ(missing.GetGlyphOutline(nullptr), nullptr);

  // The placed outline sets the extents from the glyph's bounds.
  CBoxChar placed(kGbA, attr);
  placed.x = 10.0f;
  placed.y = 30.0f;
  std::unique_ptr<CPathPointList> p = placed.GetPlacedOutline(nullptr, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_FLOAT_EQ(placed.extentX, 800.0f * 10.0f / 1024.0f);
  p->ApplyTransform();
  EXPECT_NEAR(p->bounds.left, 10.0f + 100.0f * 10.0f / 1024.0f, 1e-4);
  EXPECT_NEAR(p->bounds.bottom, 20.0f + 900.0f * 10.0f / 1024.0f, 1e-4);
}

TEST(TextBoxArray, DrawingRestoresTheDeviceTools) {
  StubGlyphSource glyphs;
  plat::WindowSurface surface;
  surface.Resize(64, 64);
  plat::DC dc(surface);
  const plat::HPEN pen = dc.GetCurrentPen();
  const plat::HBRUSH brush = dc.GetCurrentBrush();
  CTextAttr attr = TestAttr();
  for (std::uint16_t flags : {std::uint16_t(0), BOXF_FILLED}) {
    CBoxChar c(kGbA, attr);
    c.flags = std::uint16_t(flags | BOXF_MOVED);
    CMatrix3 m(0.05f, 0, 0, 0.05f, 2, 2);
    c.Draw(&dc, &m);
    EXPECT_EQ(dc.GetCurrentPen(), pen);
    EXPECT_EQ(dc.GetCurrentBrush(), brush);
    EXPECT_EQ(c.flags & BOXF_MOVED, 0);
    c.DrawPlacedFilled(&dc, &m, 0);
    EXPECT_EQ(dc.GetCurrentBrush(), brush);
  }
}

TEST(TextBoxArray, TextOfTheItems) {
  StubGlyphSource glyphs;
  CBoxArray a;
  AddShape(a, {'H', -1, kGbA, 13, 'i'});
  EXPECT_EQ(a.GetText(), std::string("H\xB0\xA1\ri"));
  std::string s = "x";
  a.AppendTextTo(s);
  EXPECT_EQ(s, std::string("xH\xB0\xA1\ri\r\n\r\n"));
  CBoxArray codes;
  AddShape(codes, {-1, -2});
  std::string t;
  codes.AppendTextTo(t);
  EXPECT_EQ(t, "");
  // Longer than any fixed buffer.
  CBoxArray big;
  for (int i = 0; i < 3000; ++i) big.Add(std::make_unique<CBoxChar>(kGbA, TestAttr()));
  EXPECT_EQ(big.GetText().size(), 6000u);

  std::unique_ptr<CBoxArray> from = TextToBoxArray("A\x01\r\xB0\xA1 \xB0");
  ASSERT_NE(from, nullptr);
  EXPECT_EQ(Shape(*from), (std::vector<int>{'A', 13, kGbA, ' '}));
  EXPECT_EQ(TextToBoxArray(""), nullptr);
  EXPECT_EQ(TextToBoxArray("\x01\x02"), nullptr);
  EXPECT_EQ(TextToBoxArray(nullptr), nullptr);
}

TEST(TextBoxArray, WalksAndMeasures) {
  StubGlyphSource glyphs;
  CBoxArray a;
  AddShape(a, {-1, -2, 'a', -4, kGbA, 13});
  EXPECT_EQ(a.PrevCharIndex(2), 2);  // only control items before it
  EXPECT_EQ(a.PrevCharIndex(4), 2);
  EXPECT_EQ(a.PrevCharIndex(100), 5);
  EXPECT_EQ(a.NextCharIndex(-1), 2);
  EXPECT_EQ(a.NextCharIndex(4), 5);
  EXPECT_EQ(a.NextCharIndex(5), -1);
  int index = 7;
  EXPECT_EQ(a.FindFirst(&index), nullptr);
  EXPECT_EQ(index, -1);
  Char(a, 4)->flags |= BOXF_SELECTED;
  Char(a, 2)->flags |= BOXF_SELECTED;
  EXPECT_EQ(a.FindFirst(&index), a.GetAt(2));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(a.FindLast(&index), a.GetAt(4));
  EXPECT_EQ(index, 4);

  for (CBoxItem* item : a.Items())
    if (item->IsChar()) static_cast<CBoxChar*>(item)->Measure(0);
  int count = 0;
  EXPECT_FLOAT_EQ(a.GetTotalAdvance(&count), 5.0f + 10.0f);
  EXPECT_EQ(count, 2);
  float total = 0, tallest = 0;
  EXPECT_FLOAT_EQ(a.MeasureLine(&total, &tallest, &count, false), 2.5f + 5.0f);
  EXPECT_FLOAT_EQ(a.MeasureLine(&total, &tallest, &count, true), 15.0f);
  EXPECT_EQ(tallest, 10.0f);

  CTextAttr attr;
  auto gap = CBoxCode::MakeGap(BOXC_BOX_GAP, 1.5f);
  a.InsertAt(3, gap.release());
  a.GetGapsAt(4, attr);
  EXPECT_EQ(attr.boxGap, 1.5f);
  a.GetGapsAt(1, attr);
  EXPECT_EQ(attr.boxGap, 0.0f);  // the first item's 0 value
}

TEST(TextBoxArray, ApplyingAttributes) {
  StubGlyphSource glyphs;
  CBoxArray a;
  AddShape(a, {'a', kGbA, -1});
  ASSERT_NE(Char(a, 1)->GetGlyphOutline(nullptr), nullptr);
  Char(a, 1)->Measure(0);
  CTextAttr attr = TestAttr(7.0f);
  attr.currentFont = 0x1000 | 0x0286;  // type 2, language 134; bits above 12 dropped
  attr.fontId[1] = 55;
  attr.angle = 15.0f;
  attr.skewX = 5.0f;
  attr.skewY = 6.0f;
  EXPECT_EQ(a.ApplyTextAttr(attr, 1 | 2 | 4 | 8), 1);
  EXPECT_EQ(attr.currentFont, 0x0286);
  const CBoxChar* c = Char(a, 1);
  EXPECT_EQ(c->kind, 0x4000 | 0x0286);
  EXPECT_EQ(c->fontId, 55);
  EXPECT_EQ(c->advanceRatio, 0.0f);
  EXPECT_EQ(c->CachedGlyph(), nullptr);
  EXPECT_EQ(c->sizeX, 7.0f);
  EXPECT_EQ(c->extentX, 0.0f);
  EXPECT_EQ(c->angle, 15.0f);
  EXPECT_EQ(c->skewY, 6.0f);
  EXPECT_EQ(Char(a, 0)->kind, 0);  // another language keeps its font
  EXPECT_EQ(Char(a, 0)->sizeX, 7.0f);
}

TEST(TextBoxArray, PairRemovals) {
  StubGlyphSource glyphs;
  const int O = -32, C = -32800;
  struct Case {
    const char* name;
    std::vector<int> items;
    int op;  // 0 forward at index, 1 backward at index, 2 empty pairs, 3 redundant gaps, 4 range
    int index;
    std::vector<int> after;
    int indexAfter;
  };
  const std::vector<Case> cases = {
      {"forward finds the outer partner", {O, O, 'a', C, 'b', C}, 0, 0, {O, O, 'a', C, 'b'}, 0},
      {"backward finds the outer partner", {O, 'a', O, 'b', C, C}, 1, 5, {'a', O, 'b', C, C}, 4},
      {"forward without partner", {O, 'a'}, 0, 0, {O, 'a'}, 0},
      {"empty pair", {O, C, 'a'}, 2, 0, {'a'}, 0},
      {"pair with a character", {O, 'a', C}, 2, 0, {O, 'a', C}, 0},
      {"nested empty inner pair", {O, O, C, 'a', C}, 2, 0, {O, 'a', C}, 0},
      {"a character in a nested pair only", {O, O, 'a', C, C}, 2, 0, {O, 'a', C}, 0},
      {"opener at the end", {'a', O}, 2, 0, {'a'}, 0},
      {"opener before a character", {O, 'a'}, 2, 0, {O, 'a'}, 0},
      {"redundant gaps", {-1, -2, -1, 'a', -1, 'b', -2, -2}, 3, 0, {-2, -1, 'a', -1, 'b', -2}, 0},
      {"range", {-1, 'a', -2, -4, 'b', -1}, 4, 0, {-1, 'a', -4, 'b', -1}, 0},
  };
  for (const Case& c : cases) {
    CBoxArray a;
    AddShape(a, c.items);
    int index = c.index;
    switch (c.op) {
      case 0: a.RemoveCodePairs(index, 32); break;
      case 1: a.RemoveCodePairsBackward(index, 32); break;
      case 2: a.RemoveEmptyPairs(32); break;
      case 3: a.RemoveRedundantGapCodes(); break;
      case 4: a.RemoveCodesInRange(1, 5, 2); break;
    }
    EXPECT_EQ(Shape(a), c.after) << c.name;
    if (c.op <= 1) {
      EXPECT_EQ(index, c.indexAfter) << c.name;
    }
  }

  // Pairs in the selection go with their partners outside it.
  CBoxArray a;
  AddShape(a, {'x', O, 'a', 'b', C, 'y'});
  Char(a, 2)->flags |= BOXF_SELECTED;
  Char(a, 3)->flags |= BOXF_SELECTED;
  a.RemovePairsInSelection(32);
  EXPECT_EQ(Shape(a), (std::vector<int>{'x', 'a', 'b', 'y'}));
}

TEST(TextBoxArray, RemovalsAreUndoneWhileTheViewRecords) {
  StubGlyphSource glyphs;
  FakeApp app;
  FakeView view;
  app.activeView = &view;
  CBoxArray a;
  AddShape(a, {-32, 'a', -32800, 'b'});
  view.undo.StartRecord(0);
  int index = 0;
  a.RemoveCodePairs(index, 32);
  delete a.RemoveAt(0);
  view.undo.EndRecord();
  // The partner went to the undo list; the opener was taken by hand.
  EXPECT_EQ(Shape(a), (std::vector<int>{'a', 'b'}));
  ASSERT_EQ(view.undo.GetSize(), 1);
  EXPECT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(Shape(a), (std::vector<int>{'a', 'b', -32800}));  // back at its index

  // A dropped step deletes the item it holds (the sanitizer checks the leak).
  view.undo.StartRecord(0);
  a.RemoveCodesInRange(0, 3, 0x20);
  view.undo.EndRecord();
  EXPECT_EQ(Shape(a), (std::vector<int>{'a', 'b'}));
  view.undo.DeleteAll();

  // Flags come back without a redraw.
  CBoxChar* c = Char(a, 0);
  CUndoItemFlags undo(c);
  c->flags = 0x8081;
  undo.Undo(view);
  EXPECT_EQ(c->flags, 0);
  EXPECT_TRUE(view.invalidated.empty());
}
