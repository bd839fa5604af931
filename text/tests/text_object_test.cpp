#include "text/textobject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "model/groupobject.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "platform/report.h"
#include "text/tests/text_fixtures.h"

namespace {

constexpr int G = kGbA;

std::vector<std::uint8_t> Record(CGraphObject& o) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = o.WriteRecord(&h);
  if (!n) return {};
  std::vector<std::uint8_t> out(plat::GlobalSize(h));
  {
    plat::GlobalLockGuard g(h);
    std::memcpy(out.data(), g.bytes(), out.size());
  }
  plat::GlobalFree(h);
  out.resize(n + 1);  // the record and the 255 after it
  return out;
}

std::unique_ptr<CTextObject> MakeText(const std::vector<int>& shape, int kind = 0,
                                      float width = 100) {
  auto t = std::make_unique<CTextObject>(kind, 0, 0, width, 100);
  CTextAttr attr = TestAttr();
  for (int v : shape) {
    if (v >= 0)
      t->chars.Add(std::make_unique<CBoxChar>(std::uint16_t(v), attr));
    else
      t->chars.Add(CBoxCode::MakeGap(std::uint16_t(-v), 1.0f));
  }
  t->Relayout(nullptr, -1);
  return t;
}

std::unique_ptr<CGraphObject> Load(const std::vector<std::uint8_t>& rec) {
  return CreateObjectFromRecord(rec.data(), rec.size());
}

CTextObject* AsText(CGraphObject* o) {
  return o && o->kind == OBJ_TEXT ? static_cast<CTextObject*>(o) : nullptr;
}

struct Registered {
  Registered() { RegisterTextRecordReaders(); }
};

}  // namespace

TEST(TextObject, OneCharacterRecord) {
  Registered reg;
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> t = MakeText({G});
  plat::HGLOBAL h = 0;
  const std::uint32_t length = t->WriteRecord(&h);
  ASSERT_EQ(length, 22u + 81u + 77u);
  EXPECT_EQ(plat::GlobalSize(h), 22u + 81u + 86u);
  std::vector<std::uint8_t> r(plat::GlobalSize(h));
  {
    plat::GlobalLockGuard g(h);
    std::memcpy(r.data(), g.bytes(), r.size());
  }
  plat::GlobalFree(h);
  EXPECT_EQ(r[0], '!');
  EXPECT_EQ(plat::GetU32(r.data() + 1), length);
  EXPECT_EQ(r[5], 130);
  EXPECT_EQ(plat::GetF32(r.data() + 8), t->bounds.left);
  EXPECT_EQ(plat::GetF32(r.data() + 36), 100.0f);  // layout rectangle bottom
  EXPECT_EQ(plat::GetF32(r.data() + 40), 1.0f);    // matrix m00
  EXPECT_EQ(r[76], '1');
  EXPECT_EQ(plat::GetU32(r.data() + 77), 22u);
  EXPECT_EQ(r[98], 3);
  EXPECT_EQ(plat::GetU32(r.data() + 99), 81u);
  EXPECT_EQ(r[98 + 80], 0xFE);
  EXPECT_EQ(r[179], 241);
  EXPECT_EQ(r[180], 255);

  // Without items: no box block.
  CTextObject empty(0, 0, 0, 10, 10);
  EXPECT_EQ(Record(empty).size(), 22u + 77u + 1u);
}

TEST(TextObject, RecordsRoundTrip) {
  Registered reg;
  StubGlyphSource glyphs;
  for (int kind = 0; kind < 4; ++kind) {
    std::unique_ptr<CTextObject> t = MakeText({-2, G, 'A', 13, -1, G, 'W'}, kind);
    t->flags = 0x0105;
    t->Transform(CMatrix3(2, 0.5f, 0, 1, 3, 4));
    t->Relayout(nullptr, -1);
    t->chars.CharAt(1)->color = 0x123456;
    const std::vector<std::uint8_t> rec = Record(*t);
    ASSERT_FALSE(rec.empty());
    std::unique_ptr<CGraphObject> o = Load(rec);
    CTextObject* back = AsText(o.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetArrangeKind(), kind);
    EXPECT_EQ(back->matrix, t->matrix);
    EXPECT_EQ(back->flags, 0x0105);
    EXPECT_EQ(back->chars.GetSize(), 7);
    EXPECT_EQ(back->GetText(), t->GetText());
    EXPECT_EQ(back->caretIndex, -1);
    EXPECT_EQ(back->GetArrange()->items, &back->chars);
    EXPECT_EQ(back->GetArrange()->matrix, &back->matrix);
    EXPECT_EQ(Record(*back), rec) << kind;
    // The copy lays out as the original.
    back->Relayout(nullptr, -1);
    EXPECT_EQ(Record(*back), rec) << kind;
  }
}

TEST(TextObject, ControlItemsAloneAreEmpty) {
  Registered reg;
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> t = MakeText({-1, -2});
  EXPECT_EQ(t->IsEmpty(), 1);
  EXPECT_EQ(t->GetCharCount(), 0);
  const std::vector<std::uint8_t> rec = Record(*t);
  ASSERT_EQ(rec.size(), 22u + (5 + 21 + 21 + 1) + 77u + 1u);
  EXPECT_EQ(rec[76 + 22], 3);
  EXPECT_EQ(rec[76 + 22 + 5], BOXREC_CODE);
  std::unique_ptr<CTextObject> c = MakeText({G, 13, G});
  EXPECT_EQ(c->IsEmpty(), 0);
  EXPECT_EQ(c->GetCharCount(), 2);
}

TEST(TextObject, ArrangementsThatCannotBeReadBecomeStraight) {
  Registered reg;
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> t = MakeText({G, G, G}, 0, 15);
  const std::vector<std::uint8_t> rec = Record(*t);
  const std::vector<CFPoint> where = {{t->chars.CharAt(0)->x, t->chars.CharAt(0)->y},
                                      {t->chars.CharAt(2)->x, t->chars.CharAt(2)->y}};

  // Another kind this program does not read: the characters stay where they are.
  std::vector<std::uint8_t> other = rec;
  other[76] = '5';
  std::unique_ptr<CGraphObject> o = Load(other);
  CTextObject* back = AsText(o.get());
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->GetArrange(), nullptr);
  EXPECT_EQ(back->GetArrangeKind(), 0);
  EXPECT_EQ(back->GetArrange()->GetFrame(), back->layoutRect);
  ASSERT_EQ(back->chars.GetSize(), 3);
  EXPECT_EQ(back->chars.CharAt(2)->x, where[1].x);
  EXPECT_EQ(back->chars.CharAt(2)->y, where[1].y);
  EXPECT_EQ(back->matrix, t->matrix);

  // Written without an arrangement (A = 0): the characters are kept too.
  std::vector<std::uint8_t> bare(rec.begin(), rec.begin() + 76);
  bare.insert(bare.end(), rec.begin() + 98, rec.end());
  plat::PutU32(bare.data() + 1, std::uint32_t(bare.size() - 1));
  o = Load(bare);
  back = AsText(o.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->chars.GetSize(), 3);
  EXPECT_EQ(back->GetArrangeKind(), 0);
  std::unique_ptr<CPathPointList> outline(back->MakeOutline(nullptr, 0));
  EXPECT_NE(outline, nullptr);

  // A box block that cannot be read leaves the text without items.
  std::vector<std::uint8_t> broken = rec;
  broken[98 + 5] = 99;
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  o = Load(broken);
  back = AsText(o.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->chars.GetSize(), 0);
  EXPECT_EQ(back->GetArrangeKind(), 0);
  EXPECT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(CTextObject::LoadFromRecord(rec.data(), 76), nullptr);
}

TEST(TextObject, EveryByteMutatedAndEveryTruncationIsReadSafely) {
  Registered reg;
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  FakeView view;
  std::unique_ptr<CTextObject> t = MakeText({-2, G, 'A', 13, G});
  const std::vector<std::uint8_t> rec = Record(*t);
  const std::size_t length = rec.size() - 1;
  const std::uint8_t values[] = {0x00, 0x01, 0x03, 0x11, 0x12, 0x16, 0x31, 0x35, 0x7F, 0xF1, 0xFE, 0xFF};
  auto exercise = [&](const std::uint8_t* p, std::size_t n) {
    std::unique_ptr<CGraphObject> o = CreateObjectFromRecord(p, n);
    if (!o) return;
    o->Relayout(&view, -1);
    o->Draw(view.dc.get(), nullptr, nullptr);
    delete o->MakeOutline(nullptr, 0);
    o->ConvertToPath(-1);
    std::vector<std::uint8_t> again = Record(*o);
    (void)again;
  };
  for (std::size_t i = 0; i < length; ++i) {
    for (std::uint8_t v : values) {
      std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[length]);
      std::memcpy(copy.get(), rec.data(), length);
      copy[i] = v;
      exercise(copy.get(), length);
    }
  }
  for (std::size_t n = 0; n <= length; ++n) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[n + 1]);
    std::memcpy(copy.get(), rec.data(), n);
    exercise(copy.get(), n);
  }
}

TEST(TextObject, FirstCharacterOfAnEmptyTextTakesTheDefaultGaps) {
  StubGlyphSource glyphs;
  CTextAttr saved = DefaultTextAttr();
  DefaultTextAttr().lineGap = 3.0f;
  DefaultTextAttr().boxGap = 1.0f;
  CTextObject t(0, 0, 0, 100, 100);
  const int caret = t.InsertItemAtCaret(new CBoxChar(kGbA, TestAttr()));
  ASSERT_EQ(t.chars.GetSize(), 3);
  auto* line = static_cast<CBoxCode*>(t.chars.GetAt(0));
  auto* box = static_cast<CBoxCode*>(t.chars.GetAt(1));
  EXPECT_EQ(line->code, BOXC_LINE_GAP);
  EXPECT_EQ(line->FloatValue(), 3.0f);
  EXPECT_EQ(box->code, BOXC_BOX_GAP);
  EXPECT_EQ(box->FloatValue(), 1.0f);
  EXPECT_TRUE(t.chars.GetAt(2)->IsChar());
  EXPECT_EQ(caret, 2);
  // Later characters go after the caret.
  t.caretSide = 0;
  t.InsertItemAtCaret(new CBoxChar(kGbB, TestAttr()));
  EXPECT_EQ(t.chars.CharAt(3)->code, kGbB);
  DefaultTextAttr() = saved;
  CTextObject plain(0, 0, 0, 100, 100);
  plain.InsertItemAtCaret(new CBoxChar(kGbA, TestAttr()));
  EXPECT_EQ(plain.chars.GetSize(), 1);
}

TEST(TextObject, HitTests) {
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> t = MakeText({G, 32, G, 13, G});
  // Boxes: [0,10] [10,15] [15,25] on the first line, 0..10 high.
  EXPECT_TRUE(t->HitTest(nullptr, 5, 5));
  EXPECT_FALSE(t->HitTest(nullptr, 20, 15));  // inside the bounds, beside the second line
  EXPECT_FALSE(t->HitTest(nullptr, 50, 5));   // outside the bounds
  t->chars.CharAt(2)->flags |= BOXF_SELECTED;
  int index = 0;
  EXPECT_TRUE(t->HitTestChar(20, 5, 1, &index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(t->HitTestChar(20, 5, 0, &index));
  EXPECT_EQ(index, -1);
  EXPECT_TRUE(t->HitTestChar(20, 5, 2, &index));
  // Through the text matrix.
  t->Transform(CMatrix3(2, 0, 0, 2, 100, 0));
  EXPECT_TRUE(t->HitTest(nullptr, 110, 10));
  EXPECT_FALSE(t->HitTest(nullptr, 10, 10));
  float w = 0, h = 0;
  EXPECT_TRUE(t->GetCharSize(0, &w, &h));
  EXPECT_FLOAT_EQ(w, 20.0f);
  EXPECT_FALSE(t->GetCharSize(99, &w, &h));
  EXPECT_FALSE(t->GetCharSize(-1, &w, &h));
}

TEST(TextObject, OutlinesAndPaths) {
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> none = MakeText({kMissingCode, 13, 32});
  EXPECT_EQ(none->ConvertToPath(-1), nullptr);
  EXPECT_EQ(none->MakeOutline(nullptr, 0), nullptr);

  std::unique_ptr<CTextObject> one = MakeText({kMissingCode, G});
  one->chars.CharAt(1)->color = 0xFF;
  one->chars.CharAt(1)->flags |= BOXF_FILLED;
  std::unique_ptr<CGraphObject> path = one->ConvertToPath(-1);
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(path->kind, OBJ_PATH);
  auto* p = static_cast<CPathObject*>(path.get());
  EXPECT_EQ(p->color, 0xFFu);
  EXPECT_TRUE(p->flags & OBJF_FILLED);
  EXPECT_EQ(p->count, 6);
  EXPECT_NEAR(p->bounds.left, 10.0f + 100.0f * 10.0f / 1024.0f, 1e-4);

  std::unique_ptr<CTextObject> three = MakeText({G, 'A', G});
  three->chars.CharAt(1)->color = 7;
  std::unique_ptr<CGraphObject> group = three->ConvertToPath(-1);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->kind, OBJ_GROUP);
  EXPECT_EQ(static_cast<CGroupObject*>(group.get())->GetChildCount(), 3);
  std::unique_ptr<CGraphObject> seven = three->ConvertToPath(7);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven->kind, OBJ_PATH);

  // One outline of every glyph, through the given matrix.
  CMatrix3 shift(1, 0, 0, 1, 1000, 0);
  std::unique_ptr<CPathPointList> outline(three->MakeOutline(&shift, 0));
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(outline->count, 3 * 5 + 1);
  EXPECT_GT(outline->bounds.left, 1000.0f);
}

TEST(TextObject, MissingFontsAreReplacedOnlyWhereMissing) {
  StubGlyphSource glyphs;
  // Stored fonts: id 101 is installed under another index (5); id 5 is missing.
  glyphs.tableNames[StubGlyphSource::Key(134, 1, 101)] = std::string("Song\0junk", 9);
  glyphs.tableNames[StubGlyphSource::Key(134, 1, 5)] = "Hei";
  glyphs.installed["134/1/Song"] = 5;
  std::unique_ptr<CTextObject> t = MakeText({G, G});
  CTextAttr other = TestAttr();
  other.fontId[1] = 5;
  t->chars.Add(std::make_unique<CBoxChar>(kGbB, other));
  t->chars.Add(std::make_unique<CBoxChar>(kGbB, other));
  FakeListBox list;
  t->ListUsedFonts(nullptr, &list);
  EXPECT_EQ(t->chars.CharAt(0)->fontId, 5);  // remapped to the installed index
  ASSERT_EQ(list.items.size(), 1u);
  char expect[100];
  std::snprintf(expect, sizeof expect, "%-40s  -[134,1,5] -{0,0}", "Hei");
  EXPECT_EQ(list.items[0], expect);
  EXPECT_EQ(glyphs.installedLookups, 2);  // consecutive equal fonts looked up once
  t->ListUsedFonts(nullptr, &list);
  EXPECT_EQ(list.items.size(), 1u);  // listed once

  // The user maps the missing (type 1, 134, id 5) to (type 2, 134, id 9):
  // the remapped characters, now also id 5, keep their font.
  t->ReplaceFont(0x186, 5, 0x286, 9);
  EXPECT_EQ(t->chars.CharAt(0)->kind, 0x4186);
  EXPECT_EQ(t->chars.CharAt(0)->fontId, 5);
  EXPECT_EQ(t->chars.CharAt(2)->kind, 0x4286);
  EXPECT_EQ(t->chars.CharAt(2)->fontId, 9);
  EXPECT_EQ(t->chars.CharAt(3)->fontId, 9);

  // Without a check every matching character is replaced.
  std::unique_ptr<CTextObject> u = MakeText({G});
  u->ReplaceFont(0x186, 101, 0x086, 3);
  EXPECT_EQ(u->chars.CharAt(0)->kind, 0x4086);
  EXPECT_EQ(u->chars.CharAt(0)->fontId, 3);
}

TEST(TextObject, ThroughTheObjectList) {
  Registered reg;
  StubGlyphSource glyphs;
  CSegArray list;
  list.Add(MakeText({G, 'A', 13, G}, 2));
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  ASSERT_GT(n, 0u);
  std::unique_ptr<CSegArray> back = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->GetSize(), 1);
  CTextObject* t = AsText(back->GetAt(0));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetArrangeKind(), 2);
  EXPECT_EQ(t->GetText(), std::string("\xB0\xA1" "A\r\xB0\xA1"));
  std::vector<std::string> texts;
  back->CollectText(texts);
  EXPECT_EQ(texts, (std::vector<std::string>{std::string("\xB0\xA1" "A\r\xB0\xA1")}));
  std::unique_ptr<CGraphObject> clone = t->Clone();
  ASSERT_NE(AsText(clone.get()), nullptr);
  EXPECT_EQ(Record(*clone), Record(*t));
}

TEST(TextObject, LayoutDrawingAndUndo) {
  StubGlyphSource glyphs;
  FakeApp app;
  FakeView view(nullptr, 200, 100);
  app.activeView = &view;
  std::unique_ptr<CTextObject> t = MakeText({G, G, G}, 0, 25);
  EXPECT_EQ(t->bounds, CFRect(0, 0, 25, 20));
  for (CBoxItem* i : t->chars.Items())
    EXPECT_EQ(static_cast<CBoxChar*>(i)->flags & BOXF_MOVED, 0);

  // The pending start is cleared whatever index the layout starts from.
  t->pendingLayoutStart = 2;
  t->Relayout(&view, 1);
  EXPECT_EQ(t->pendingLayoutStart, -1);
  EXPECT_FALSE(view.invalidated.empty());

  // Undo of a text change lays the text out again.
  t->chars.CharAt(2)->x = 500;
  CUndoTextAnchor anchor(t.get(), -1);
  anchor.Undo(view);
  EXPECT_EQ(t->chars.CharAt(2)->x, 0.0f);

  // Drawing marks pixels; a clip away from the text draws nothing.
  CMatrix3 scale(2, 0, 0, 2, 0, 0);
  const std::vector<std::uint32_t> blank = view.Pixels();
  CFRect away(500, 500, 600, 600);
  t->Draw(view.dc.get(), &scale, &away);
  EXPECT_EQ(view.Pixels(), blank);
  t->Draw(view.dc.get(), &scale, nullptr);
  EXPECT_NE(view.Pixels(), blank);
  t->Draw(view.dc.get(), nullptr, nullptr);  // no view matrix

  // Flags through the object: filled characters with undo.
  view.undo.StartRecord(0);
  t->SetFlags(&view, OBJF_FILLED, OBJF_FILLED);
  view.undo.EndRecord();
  for (CBoxItem* i : t->chars.Items())
    EXPECT_TRUE(static_cast<CBoxChar*>(i)->flags & BOXF_FILLED);
  view.undo.UndoLastStep(view);
  for (CBoxItem* i : t->chars.Items())
    EXPECT_FALSE(static_cast<CBoxChar*>(i)->flags & BOXF_FILLED);
  EXPECT_EQ(t->flags & OBJF_FILLED, 0);

  // Ranges are bounded.
  t->SetCharFlagsRange(-5, 99, BOXF_SELECTED, BOXF_SELECTED);
  t->SetCharColor(-3, 50, 0xABCDEF, true);
  for (CBoxItem* i : t->chars.Items()) {
    EXPECT_TRUE(static_cast<CBoxChar*>(i)->flags & BOXF_SELECTED);
    EXPECT_EQ(static_cast<CBoxChar*>(i)->color, 0xABCDEFu);
  }
  FakeListBox colors;
  t->AddColorToList(&colors);
  EXPECT_EQ(colors.items, (std::vector<std::string>{"11259375"}));
}

TEST(TextObject, MovingAndScaling) {
  StubGlyphSource glyphs;
  std::unique_ptr<CTextObject> t = MakeText({G, G});
  t->Offset(5, 6);
  EXPECT_EQ(t->chars.CharAt(0)->x, 5.0f);
  EXPECT_EQ(t->chars.CharAt(0)->box.top, 6.0f);
  EXPECT_EQ(t->GetArrange()->GetFrame().left, 5.0f);
  EXPECT_EQ(t->bounds, CFRect(5, 6, 25, 16));
  // Scaled onto a rectangle, then moved by the matrix only.
  t->SetRect(0, 0, 40, 20);
  EXPECT_EQ(t->bounds, CFRect(0, 0, 40, 20));
  EXPECT_FALSE(t->matrix.IsIdentity());
  const float x = t->chars.CharAt(0)->x;
  t->Offset(1, 1);
  EXPECT_EQ(t->chars.CharAt(0)->x, x);
  EXPECT_EQ(t->bounds, CFRect(1, 1, 41, 21));
  std::unique_ptr<CPathObject> frame = t->MakeBoxOutline();
  ASSERT_NE(frame, nullptr);
  EXPECT_NEAR(frame->bounds.left, 1.0f, 1e-4);

  // The arrangement's page.
  FakeWindow prop;
  EXPECT_EQ(t->GetPropertyDialogId(), 264u);
  ASSERT_NE(t->CreatePropertyPanel(&prop), nullptr);
  t->SetPropertyTitle(&prop);
  EXPECT_EQ(prop.text, "无属性");
  EXPECT_EQ(t->ApplyPropertyPanel(prop.Child()), 0);
}

namespace {

// Curved glyphs whose shape follows the font id, so that a font change shows.
class CurvedGlyphs : public StubGlyphSource {
 public:
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t fontId,
                                             std::uint16_t code) override {
    if (code == kMissingCode) return nullptr;
    const float k = float(fontId % 7) * 40.0f, w = code >= 256 ? 900.0f : 450.0f;
    auto list = std::make_unique<CPathPointList>();
    list->AddPoint(100, 120 + k, 0x11);
    list->AddPoint(w * 0.6f, -80 + k, 0x00);
    list->AddPoint(w, 300, 0x00);
    list->AddPoint(w, 880 - k, 0x01);
    list->AddPoint(300 + k, 950, 0x01);
    list->AddPoint(-60, 700, 0x00);
    list->AddPoint(40, 300 - k, 0x00);
    list->AddPoint(100, 120 + k, 0x41);
    list->AddPoint(400, 400, 0x11);
    list->AddPoint(600 - k, 500, 0x21);
    list->EndPoints();
    return list;
  }
};

// A white colour surface of 240 x 120, not recording.
struct TextCanvas {
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(240, 120, 1, 32, nullptr);
  plat::HBITMAP old = dc.SelectObject(bmp);
  TextCanvas() { dc.FillSolidRect({0, 0, 240, 120}, plat::RGB(255, 255, 255)); }
  ~TextCanvas() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
  }
  std::vector<std::uint32_t> Pixels() {
    const plat::Surface& s = dc.GetSurface();
    return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * s.height());
  }
};

std::unique_ptr<CTextObject> CurvedText(const CTextAttr& attr) {
  auto t = std::make_unique<CTextObject>(0, 0, 0, 200, 100);
  for (std::uint16_t c : {kGbA, kGbB, std::uint16_t('A'), std::uint16_t(0xB1EA), std::uint16_t(13),
                          std::uint16_t(0xC5C6), kMissingCode, std::uint16_t(0xB0A5)})
    t->chars.Add(std::make_unique<CBoxChar>(c, attr));
  t->chars.CharAt(3)->angle = 30.0f;
  t->chars.CharAt(5)->skewX = 15.0f;
  t->chars.CharAt(7)->flags |= 1;  // fit
  t->Relayout(nullptr, -1);
  return t;
}

}  // namespace

// A repaint sets the pixels a first paint set: again through the same view,
// through another view, after a font change, in another colour, under a
// clip and an origin, and in XOR (twice restoring the surface).
TEST(TextObject, RepaintsDrawAsFreshTexts) {
  CurvedGlyphs glyphs;
  CTextAttr attr = TestAttr(9.0f);
  std::unique_ptr<CTextObject> kept = CurvedText(attr);
  auto paint = [](CTextObject& t, const CMatrix3& view, int rop = plat::R2_COPYPEN,
                  const plat::RECT* clip = nullptr, plat::POINT org = {}) {
    TextCanvas c;
    c.dc.SetROP2(rop);
    if (clip) c.dc.IntersectClipRect(clip->left, clip->top, clip->right, clip->bottom);
    c.dc.SetViewportOrg(org.x, org.y);
    t.Draw(&c.dc, &view, nullptr);
    return c.Pixels();
  };
  const CMatrix3 view(2.5f, 0, 0, 2.5f, 3.3f, 1.7f), other(1.75f, 0.2f, -0.1f, 1.9f, 20, 4);
  const std::vector<std::uint32_t> first = paint(*kept, view);
  EXPECT_NE(first, TextCanvas().Pixels());
  EXPECT_EQ(paint(*kept, view), first);
  EXPECT_EQ(paint(*CurvedText(attr), view), first);
  EXPECT_EQ(paint(*kept, other), paint(*CurvedText(attr), other));
  EXPECT_EQ(paint(*kept, view), first);

  const plat::RECT clip{30, 10, 150, 90};
  EXPECT_EQ(paint(*kept, view, plat::R2_COPYPEN, &clip, {5, -3}),
            paint(*CurvedText(attr), view, plat::R2_COPYPEN, &clip, {5, -3}));
  EXPECT_EQ(paint(*kept, view, plat::R2_NOTXORPEN), paint(*CurvedText(attr), view, plat::R2_NOTXORPEN));
  {
    TextCanvas c;
    c.dc.SetROP2(plat::R2_XORPEN);
    kept->Draw(&c.dc, &view, nullptr);
    kept->Draw(&c.dc, &view, nullptr);
    EXPECT_EQ(c.Pixels(), TextCanvas().Pixels());
  }

  kept->SetCharColor(0, 7, 0x3080C0, false);
  std::unique_ptr<CTextObject> blue = CurvedText(attr);
  blue->SetCharColor(0, 7, 0x3080C0, false);
  EXPECT_EQ(paint(*kept, view), paint(*blue, view));

  CTextAttr font = attr;
  font.currentFont = std::uint16_t((font.fontType[1] << 8) | 134);
  font.fontId[1] = 104;
  kept->chars.ApplyTextAttr(font, 2);
  std::unique_ptr<CTextObject> refont = CurvedText(attr);
  refont->SetCharColor(0, 7, 0x3080C0, false);
  refont->chars.ApplyTextAttr(font, 2);
  const std::vector<std::uint32_t> after = paint(*kept, view);
  EXPECT_NE(after, paint(*blue, view));
  EXPECT_EQ(after, paint(*refont, view));
}

// Characters in runs of colours each draw in their own colour, whatever pen
// the caller has selected, which is selected again afterwards.
TEST(TextObject, CharactersDrawInTheirColoursUnderTheCallersPen) {
  CurvedGlyphs glyphs;
  const CTextAttr attr = TestAttr(9.0f);
  const CMatrix3 view(2.5f, 0, 0, 2.5f, 3.3f, 1.7f);
  const std::uint32_t colours[] = {0x0000C0, 0x0000C0, 0x00A000, 0x0000C0, 0x00A000, 0x00A000, 0xC00000, 0xC00000};
  std::unique_ptr<CTextObject> t = CurvedText(attr);
  for (int k = 0; k < t->chars.GetSize(); ++k)
    if (CBoxChar* c = t->chars.CharAt(k)) c->color = colours[k % 8];
  TextCanvas plain;
  t->Draw(&plain.dc, &view, nullptr);
  TextCanvas callers;
  const plat::HPEN red = plat::CreatePen(plat::PS_SOLID, 3, plat::RGB(255, 0, 0));
  const plat::HPEN before = callers.dc.SelectObject(red);
  t->Draw(&callers.dc, &view, nullptr);
  EXPECT_EQ(callers.dc.GetCurrentPen(), red);
  callers.dc.SelectObject(before);
  plat::DeleteObject(red);
  const std::vector<std::uint32_t> pixels = plain.Pixels();
  EXPECT_EQ(callers.Pixels(), pixels);
  std::set<std::uint32_t> seen(pixels.begin(), pixels.end());
  std::set<std::uint32_t> want{TextCanvas().Pixels()[0]};
  for (std::uint32_t c : {0x0000C0u, 0x00A000u, 0xC00000u}) {
    TextCanvas one;
    one.dc.FillSolidRect({0, 0, 1, 1}, PackedRGBToColorRef(c));
    want.insert(one.Pixels()[0]);
  }
  EXPECT_EQ(seen, want);
}

// Scrolled by whole pixels (from a view with a fractional offset), partly
// and wholly out of the surface and back, a kept text draws as a fresh one;
// so does a scroll by a fraction of a pixel and a zoom.
TEST(TextObject, ScrolledRepaintsDrawAsFreshTexts) {
  CurvedGlyphs glyphs;
  const CTextAttr attr = TestAttr(9.0f);
  std::unique_ptr<CTextObject> kept = CurvedText(attr);
  auto paint = [](CTextObject& t, const CMatrix3& view) {
    TextCanvas c;
    t.Draw(&c.dc, &view, nullptr);
    return c.Pixels();
  };
  for (float scale : {0.6f, 1.2f, 2.5f}) {
    CMatrix3 view(scale, 0, 0, scale, 3.3f, 1.7f);
    EXPECT_EQ(paint(*kept, view), paint(*CurvedText(attr), view)) << scale;
    const float moves[][2] = {{0, 1}, {5, -2}, {-3, 7}, {12, 0}, {-190, 0}, {190, 0},
                              {0, -150}, {0, 150}, {40, 30}, {0.5f, 0}, {-40.5f, -30}};
    for (const auto& by : moves) {
      view.m20 += by[0];
      view.m21 += by[1];
      EXPECT_EQ(paint(*kept, view), paint(*CurvedText(attr), view)) << scale << " " << by[0] << " " << by[1];
    }
  }
}

// The text's outline, gathered straight from the kept glyphs, is the one of
// its glyph outlines with their matrices applied, to the byte.
TEST(TextObject, OutlineOfTheKeptGlyphsIsTheirOutlinesJoined) {
  CurvedGlyphs glyphs;
  std::unique_ptr<CTextObject> t = CurvedText(TestAttr(9.0f));
  delete t->MakeOutline(nullptr, 0);  // the glyphs are kept now
  const CMatrix3 m(1.5f, 0.25f, -0.5f, 2.0f, 7.0f, -3.0f);
  std::unique_ptr<CPathPointList> got(t->MakeOutline(&m, 0));
  ASSERT_NE(got, nullptr);
  CPathPointList want;
  for (int k = 0; k < t->chars.GetSize(); ++k) {
    CBoxChar* c = t->chars.CharAt(k);
    std::unique_ptr<CMatrix3> cm = c ? t->arrange->GetCharMatrixAt(k) : nullptr;
    if (!cm) continue;
    cm->Multiply(t->matrix);
    cm->Multiply(m);
    if (std::unique_ptr<CPathPointList> o = c->GetGlyphOutline(cm.get())) want.AppendList(o.get());
  }
  ASSERT_EQ(got->count, want.count);
  EXPECT_EQ(std::memcmp(&got->bounds, &want.bounds, sizeof want.bounds), 0);
  pathrec::Records a(got->points), b(want.points);
  ASSERT_GE(a.n, std::size_t(got->count));
  ASSERT_GE(b.n, std::size_t(want.count));
  EXPECT_EQ(std::memcmp(a.p, b.p, std::size_t(got->count) * sizeof(PathPoint)), 0);
}
