// Editing a text in place: typing and its layout timer, keys, selection,
// deletes, the clipboard, indents, flags and undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

constexpr int G = kGbA;

struct EditTest : ::testing::Test {
  StubGlyphSource glyphs;
  FakeApp app;
  FakeView view{nullptr, 200, 120};
  FakeClipboard clip;
  CClipboardServices* oldClip = nullptr;
  CTextAttr savedDefaults;

  void SetUp() override {
    app.activeView = &view;
    view.tool = ID_TOOL_TEXT;
    savedDefaults = DefaultTextAttr();
    DefaultTextAttr() = TestAttr();
    oldClip = SetClipboardServices(&clip);
    RegisteredClipboardFormats().boxItems = 0xC010;
  }
  void TearDown() override {
    SetClipboardServices(oldClip);
    RegisteredClipboardFormats().boxItems = 0;
    DefaultTextAttr() = savedDefaults;
  }

  // A straight text 100 wide of the given codes, laid out, in text edit mode.
  std::unique_ptr<CTextObject> MakeText(const std::vector<int>& codes, float width = 100) {
    auto t = std::make_unique<CTextObject>(0, 0, 0, width, 100);
    const CTextAttr attr = TestAttr();
    for (int v : codes) {
      if (v >= 0)
        t->chars.Add(std::make_unique<CBoxChar>(std::uint16_t(v), attr));
      else
        t->chars.Add(std::make_unique<CBoxCode>(std::uint16_t(-v), 0));
    }
    t->Relayout(nullptr, -1);
    t->editMode = ID_TOOL_TEXT;
    return t;
  }

  static std::string Codes(const CTextObject& t) {
    std::string s;
    for (CBoxItem* item : t.chars.Items()) {
      if (item->IsCode()) {
        const std::uint16_t c = static_cast<CBoxCode*>(item)->code;
        s += c == BOXC_INDENT ? "[" : c == BOXC_UNINDENT ? "]" : "#";
      } else {
        const std::uint16_t c = static_cast<CBoxChar*>(item)->code;
        s += c < 128 ? char(c) : 'G';
      }
    }
    return s;
  }
  static std::string Selected(const CTextObject& t) {
    std::string s;
    for (CBoxItem* item : t.chars.Items()) s += item->IsSelected() ? '1' : '0';
    return s;
  }
  int Count(const std::string& entry) const {
    return int(std::count(view.log.begin(), view.log.end(), entry));
  }
  void Ticks(CTextObject& t, int n) {
    for (int i = 0; i < n; ++i) EXPECT_EQ(t.OnTimer(&view, 1), 1);
  }
  void Type(CTextObject& t, const char* text) {
    for (const char* p = text; *p; ++p) t.OnCharText(&view, std::uint8_t(*p), 0);
  }
  // One recorded step around an action.
  template <class F>
  void Step(F f) {
    view.undo.StartRecord(0);
    f();
    view.undo.EndRecord();
  }
};

TEST_F(EditTest, TwoKeysLayTheTextOutOnceOnTheFourthTick) {
  auto t = MakeText({});
  t->MoveCaret(&view, -1, 1);
  Type(*t, "ab");
  EXPECT_EQ(Codes(*t), "ab");
  EXPECT_EQ(Count("SetTimer 1 50"), 2);
  EXPECT_EQ(t->caretIndex, 1);
  EXPECT_EQ(t->caretSide, 0u);
  EXPECT_EQ(t->pendingLayoutStart, 0);

  // Not laid out yet: the second character still stands at 0 and leaving is refused.
  Ticks(*t, 3);
  EXPECT_EQ(Count("KillTimer 1"), 0);
  EXPECT_EQ(t->chars.CharAt(1)->x, 0.0f);
  EXPECT_EQ(t->EndTextEdit(&view), 0);
  EXPECT_EQ(t->editMode, ID_TOOL_TEXT);

  Ticks(*t, 1);
  EXPECT_EQ(Count("KillTimer 1"), 1);
  EXPECT_EQ(Count("UpdateNow"), 1);
  EXPECT_EQ(t->idleTicks, -1);
  EXPECT_EQ(t->pendingLayoutStart, -1);
  EXPECT_EQ(t->chars.CharAt(1)->x, 5.0f);  // after a 10 mm letter of half advance
  EXPECT_EQ(t->OnTimer(&view, 2), 0);

  EXPECT_EQ(t->EndTextEdit(&view), 1);
  EXPECT_EQ(t->editMode, 0u);
  EXPECT_EQ(t->caretIndex, -1);
}

TEST_F(EditTest, CharactersFromTheInput) {
  struct Case {
    std::uint8_t lang;
    std::vector<std::uint32_t> input;
    std::vector<std::uint16_t> codes;
    std::vector<std::uint8_t> langs;
  };
  const Case cases[] = {
      {134, {0xB0}, {}, {}},                          // a lead byte alone waits
      {134, {0xB0, 0xA1}, {0xB0A1}, {134}},           // lead + trail: one character
      {134, {0xB0, 0x41}, {0xB041}, {134}},           // a trail byte below 129
      {134, {0xB0A4}, {0xB0A4}, {134}},               // whole from the input method
      {134, {'a'}, {'a'}, {0}},                       // single-byte language of the defaults
      {134, {7, 27, 13}, {13}, {0}},                  // control codes but CR are ignored
      {204, {0xE0}, {0xE0}, {204}},                   // a single-byte language
      {161, {0xC1}, {0xC1}, {161}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.lang));
    view.languageId = c.lang;
    auto t = MakeText({});
    for (std::uint32_t ch : c.input) t->OnCharText(&view, ch, 0);
    ASSERT_EQ(t->chars.GetSize(), int(c.codes.size()));
    for (std::size_t i = 0; i < c.codes.size(); ++i) {
      EXPECT_EQ(t->chars.CharAt(int(i))->code, c.codes[i]);
      EXPECT_EQ(t->chars.CharAt(int(i))->LanguageId(), c.langs[i]);
    }
    EXPECT_EQ(t->pendingLead, c.codes.empty() && !c.input.empty() && c.input[0] >= 129 ? 0xB0 : 0);
  }
}

TEST_F(EditTest, ACharacterTypedIntoAScaledTextShowsAtTheDefaultSize) {
  auto t = MakeText({G});
  t->matrix = CMatrix3(2, 0, 0, 2, 7, 9);
  t->MoveCaret(&view, 0, 0);
  t->OnCharText(&view, 'a', 0);
  const CBoxChar* c = t->chars.CharAt(1);
  ASSERT_NE(c, nullptr);
  EXPECT_FLOAT_EQ(c->sizeX, 5.0f);
  float sx = 0, sy = 0;
  ASSERT_TRUE(t->GetCharSize(1, &sx, &sy));
  EXPECT_FLOAT_EQ(sx, 10.0f);
  EXPECT_FLOAT_EQ(sy, 10.0f);

  // Rotated and stretched: still the default size on the page.
  auto r = MakeText({});
  r->matrix = CMatrix3(0, 3, -1, 0, 0, 0);
  r->OnCharText(&view, 'a', 0);
  ASSERT_TRUE(r->GetCharSize(0, &sx, &sy));
  EXPECT_FLOAT_EQ(sx, 10.0f);
  EXPECT_FLOAT_EQ(sy, 10.0f);
}

TEST_F(EditTest, Backspace) {
  struct Case {
    const char* name;
    int caret, side;
    const char* selected;  // per item, empty: none
    bool shown;
    int result;
    const char* after;
    int caretAfter;
  };
  const Case cases[] = {
      {"before the first", 0, 1, "", true, 1, "abcd", 0},
      {"after a character", 1, 0, "", true, 1, "acd", 0},
      {"before a character", 2, 1, "", true, 1, "acd", 1},
      {"after the last", 3, 0, "", true, 1, "abc", 2},
      {"a selection", 3, 0, "0110", true, 1, "ad", 1},
      {"caret hidden", 2, 1, "", false, 0, "abcd", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = MakeText({'a', 'b', 'c', 'd'});
    if (c.shown)
      t->MoveCaret(&view, c.caret, c.side);
    else {
      t->caretIndex = c.caret;
      t->caretSide = std::uint32_t(c.side);
    }
    for (int i = 0; c.selected[i]; ++i)
      if (c.selected[i] == '1') t->chars.CharAt(i)->flags |= BOXF_SELECTED;
    t->selectedCount = std::uint32_t(t->CountSelected());
    EXPECT_EQ(t->OnKeyDownText(&view, 8, 0), c.result);
    EXPECT_EQ(Codes(*t), c.after);
    EXPECT_EQ(t->caretIndex, c.caretAfter);
    EXPECT_EQ(t->pendingLayoutStart, -1);
    // The text is laid out again at once.
    for (int i = 1; i < t->chars.GetSize(); ++i)
      EXPECT_EQ(t->chars.CharAt(i)->x, 5.0f * float(i));
  }
}

TEST_F(EditTest, DeleteKeysThroughTheEditMode) {
  auto t = MakeText({'a', 'b', 'c'});
  t->MoveCaret(&view, 0, 0);  // after a
  t->DeleteInEdit(&view);
  EXPECT_EQ(Codes(*t), "ac");
  t->MoveCaret(&view, 1, 0);  // after the last: nothing follows
  t->DeleteInEdit(&view);
  EXPECT_EQ(Codes(*t), "ac");
  t->MoveCaret(&view, 1, 1);  // before c
  t->BackspaceInEdit(&view);
  EXPECT_EQ(Codes(*t), "c");
  EXPECT_EQ(t->caretIndex, 0);
  EXPECT_EQ(t->CanDeleteInEdit(&view), 1);
  t->editMode = 0;
  EXPECT_EQ(t->CanDeleteInEdit(&view), 0);
}

TEST_F(EditTest, ShiftArrows) {
  auto t = MakeText({'a', 'b', 'c', 'd'});
  t->MoveCaret(&view, 0, 1);
  view.keysDown.insert(VK_SHIFT);
  struct Step {
    std::uint32_t key;
    bool shift;
    const char* selected;
    int count;
  };
  const Step steps[] = {
      {NAV_RIGHT, true, "1000", 1},   // from before a: a
      {NAV_RIGHT, true, "1100", 2},
      {NAV_RIGHT, true, "1110", 3},
      {NAV_LEFT, true, "1100", 2},    // back over c gives it up
      {NAV_END, true, "1111", 4},
      {NAV_HOME, true, "0000", 0},    // back past the start of the selection
      {NAV_END, true, "1111", 4},
      {NAV_LEFT, false, "0000", 0},   // without Shift the selection goes
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << s.key << (s.shift ? " shift" : ""));
    EXPECT_EQ(t->OnKeyDownText(&view, s.key, s.shift ? 4 : 0), 1);
    EXPECT_EQ(Selected(*t), s.selected);
    EXPECT_EQ(t->selectedCount, std::uint32_t(s.count));
  }
  EXPECT_EQ(t->OnKeyDownText(&view, 65, 0), 0);
  // The marks are XOR: with the selection erased the surface is blank again.
  t->HideCaret(&view);
  EXPECT_EQ(view.Pixels(), FakeView(nullptr, 200, 120).Pixels());
}

TEST_F(EditTest, CaretDrawnTwiceLeavesTheSurfaceUnchanged) {
  view.hasMatrix = true;
  view.viewMatrix = CMatrix3(2, 0, 0, 2, 10, 10);
  auto t = MakeText({G, 'a'});
  const std::vector<std::uint32_t> blank = view.Pixels();
  t->MoveCaret(&view, 1, 0);
  EXPECT_EQ(t->caretShown, 1u);
  EXPECT_NE(view.Pixels(), blank);
  t->ShowCaret(&view);  // again: the old line goes first
  EXPECT_NE(view.Pixels(), blank);
  t->HideCaret(&view);
  EXPECT_EQ(view.Pixels(), blank);
  t->HideCaret(&view);  // not shown: nothing
  EXPECT_EQ(view.Pixels(), blank);

  // Selection marks likewise.
  t->SelectRange(0, 1);
  t->DrawSelection(&view, view.dc.get(), false);
  EXPECT_NE(view.Pixels(), blank);
  t->DrawSelection(&view, view.dc.get(), true);
  EXPECT_EQ(view.Pixels(), blank);
}

TEST_F(EditTest, NormalizedCaret) {
  auto t = MakeText({-1, 'a', -2, 'b', -1});
  struct Case {
    int index, side, wantIndex, wantSide;
  };
  const Case cases[] = {{-1, 0, 1, 1}, {1, 0, 1, 0}, {2, 0, 3, 1}, {4, 1, 3, 0}, {9, 1, 3, 0},
                        {0, 0, 1, 1}};
  for (const Case& c : cases) {
    int i = c.index, s = c.side;
    t->NormalizeCaret(i, s);
    EXPECT_EQ(i, c.wantIndex) << c.index;
    EXPECT_EQ(s, c.wantSide) << c.index;
  }
  EXPECT_EQ(t->PrevCharIndex(1), -1);
  EXPECT_EQ(t->NextCharIndex(3), -1);
}

TEST_F(EditTest, CopyAndPasteKeepPageSizes) {
  auto from = MakeText({'a', G, 'b'});
  from->matrix = CMatrix3(2, 0, 0, 2, 0, 0);  // 10 mm characters, 20 mm on the page
  from->SelectRange(1, 2);
  from->CopyToClipboard(&view);
  EXPECT_EQ(clip.opens, 1);
  EXPECT_EQ(clip.closes, 1);
  EXPECT_FALSE(clip.open);

  // Plain text sized to it: the bytes and two zeros.
  const plat::HGLOBAL text = clip.Get(CClipboardServices::kTextFormat);
  ASSERT_NE(text, 0u);
  EXPECT_EQ(plat::GlobalSize(text), 5u);
  {
    plat::GlobalLockGuard g(text);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(g.bytes())), "\xB0\xA1" "b");
  }
  // The box block carries page sizes; the source keeps its own.
  std::unique_ptr<CBoxArray> block = CBoxArray::UnpackFromGlobal(clip.Get(0xC010));
  ASSERT_TRUE(block);
  ASSERT_EQ(block->GetSize(), 2);
  EXPECT_FLOAT_EQ(block->CharAt(0)->sizeX, 20.0f);
  EXPECT_FLOAT_EQ(from->chars.CharAt(1)->sizeX, 10.0f);
  block->DeleteAll();

  auto to = MakeText({'x'});
  to->matrix = CMatrix3(4, 0, 0, 4, 0, 0);
  to->MoveCaret(&view, 0, 0);
  EXPECT_EQ(to->PasteFromClipboard(&view), 1);
  EXPECT_EQ(Codes(*to), "xGb");
  float sx = 0, sy = 0;
  ASSERT_TRUE(to->GetCharSize(1, &sx, &sy));
  EXPECT_FLOAT_EQ(sx, 20.0f);
  EXPECT_FLOAT_EQ(sy, 20.0f);
  EXPECT_EQ(Selected(*to), "000");
  EXPECT_EQ(to->caretIndex, 2);
  EXPECT_EQ(to->caretSide, 0u);
  EXPECT_FALSE(clip.open);

  // Nothing selected: the clipboard is not touched.
  auto none = MakeText({'q'});
  none->CopyToClipboard(&view);
  EXPECT_EQ(clip.opens, 2);  // only the paste opened it again
}

TEST_F(EditTest, PlainTextPastesWithinItsBlock) {
  // A block without its terminating zero is read to its end and no further.
  clip.Put(CClipboardServices::kTextFormat, "hi\r", 3);
  auto t = MakeText({});
  EXPECT_EQ(t->PasteFromClipboard(&view), 1);
  EXPECT_EQ(Codes(*t), std::string("hi\r"));
  // The clipboard cannot be opened: nothing.
  clip.canOpen = false;
  EXPECT_EQ(t->PasteFromClipboard(&view), 0);
  EXPECT_EQ(t->chars.GetSize(), 3);
  // A box block that is not one: nothing pasted, nothing lost.
  clip.canOpen = true;
  const std::uint8_t junk[] = {3, 200, 0, 0, 0, 18, 1};
  clip.Put(0xC010, junk, sizeof junk);
  EXPECT_EQ(t->PasteFromClipboard(&view), 1);
  EXPECT_EQ(t->chars.GetSize(), 3);
}

TEST_F(EditTest, IndentAndUnIndent) {
  auto t = MakeText({'a', 'b', 'c', 'd'});
  t->SelectRange(1, 2);
  Step([&] { t->Indent(&view); });
  EXPECT_EQ(Codes(*t), "a[bc]d");
  // The indented lines start at b.
  EXPECT_EQ(t->chars.CharAt(2)->x, 5.0f);

  // Inside the indent: a further level.
  t->ClearSelection();
  t->SelectRange(2, 2);
  Step([&] { t->Indent(&view); });
  EXPECT_EQ(Codes(*t), "a[[b]c]d");

  // Indenting the same selection again replaces the inner pair.
  Step([&] { t->Indent(&view); });
  EXPECT_EQ(Codes(*t), "a[[b]c]d");

  // UnIndent takes the innermost pair and leaves balanced items.
  Step([&] { t->UnIndent(&view); });
  EXPECT_EQ(Codes(*t), "a[bc]d");
  Step([&] { t->UnIndent(&view); });
  EXPECT_EQ(Codes(*t), "abcd");
  Step([&] { t->UnIndent(&view); });  // no pair: nothing
  EXPECT_EQ(Codes(*t), "abcd");

  // Undone step by step (the UnIndent that did nothing left no step).
  const char* back[] = {"a[bc]d", "a[[b]c]d", "a[[b]c]d", "a[bc]d", "abcd"};
  for (const char* want : back) {
    view.undo.UndoLastStep(view);
    EXPECT_EQ(Codes(*t), want);
  }
}

TEST_F(EditTest, TypingDeletingAndUndoing) {
  auto t = MakeText({});
  t->MoveCaret(&view, -1, 1);
  for (const char* s : {"a", "b", "c", "d"}) Step([&] { Type(*t, s); });
  Ticks(*t, 4);
  EXPECT_EQ(Codes(*t), "abcd");
  Step([&] { t->OnKeyDownText(&view, 8, 0); });  // d
  EXPECT_EQ(Codes(*t), "abc");
  t->SelectRange(0, 1);
  Step([&] { t->DeleteSelection(&view); });
  EXPECT_EQ(Codes(*t), "c");
  EXPECT_EQ(t->caretIndex, 0);

  view.undo.UndoLastStep(view);  // the selection comes back
  EXPECT_EQ(Codes(*t), "abc");
  EXPECT_EQ(t->chars.CharAt(1)->x, 5.0f);
  view.undo.UndoLastStep(view);  // d
  EXPECT_EQ(Codes(*t), "abcd");
  view.undo.UndoLastStep(view);  // typed d
  EXPECT_EQ(Codes(*t), "abc");
  EXPECT_EQ(t->caretIndex, 2);
  EXPECT_EQ(t->pendingLayoutStart, 3);

  // A character deleted while nothing records is gone; undoing its typing
  // then finds nothing to take out.
  view.depthOverride = 0;
  t->MoveCaret(&view, 2, 0);
  t->DeleteCharAtCaret(&view);
  view.depthOverride = -1;
  EXPECT_EQ(Codes(*t), "ab");
  view.undo.UndoLastStep(view);  // typed c: already gone
  EXPECT_EQ(Codes(*t), "ab");
  view.undo.UndoLastStep(view);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(Codes(*t), "");
}

TEST_F(EditTest, CutSelectionHandsOverItsItemsOrCopiesWhileRecording) {
  // Nothing records: the caller owns the very items taken out.
  auto t = MakeText({'a', 'b', 'c', 'd'});
  t->SelectRange(1, 2);
  CBoxItem* b = t->chars.GetAt(1);
  view.depthOverride = 0;
  std::unique_ptr<CBoxArray> cut = t->CutSelection(&view);
  view.depthOverride = -1;
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->GetAt(0), b);
  EXPECT_EQ(Codes(*t), "ad");

  // Recording: copies, selected as they were; one undo puts the originals
  // back in place, unselected, and the copies stay the caller's.
  auto u = MakeText({'a', 'b', 'c', 'd'});
  u->SelectRange(1, 2);
  CBoxItem* ub = u->chars.GetAt(1);
  std::unique_ptr<CBoxArray> taken;
  Step([&] { taken = u->CutSelection(&view); });
  ASSERT_TRUE(taken);
  ASSERT_EQ(taken->GetSize(), 2);
  EXPECT_NE(taken->GetAt(0), ub);
  EXPECT_TRUE(taken->GetAt(0)->IsSelected());
  EXPECT_EQ(Codes(*u), "ad");
  EXPECT_EQ(u->selectedCount, 0u);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(Codes(*u), "abcd");
  EXPECT_EQ(u->chars.GetAt(1), ub);
  EXPECT_EQ(Selected(*u), "0000");
  EXPECT_EQ(u->chars.CharAt(2)->x, 10.0f);
  EXPECT_EQ(taken->CharAt(1)->code, std::uint16_t('c'));  // still whole after the undo
}

TEST_F(EditTest, CharacterFlagsWithUndo) {
  auto t = MakeText({'a', 'b', 'c'});
  t->chars.CharAt(1)->flags |= 2;
  Step([&] { t->SetCharFlags(&view, 0, 9, 2, BOXF_SIZE_MODE); });
  for (int i = 0; i < 3; ++i) EXPECT_EQ(t->chars.CharAt(i)->flags & 3, 2);
  EXPECT_EQ(t->pendingLayoutStart, 0);
  // The anchor and the two changed characters.
  ASSERT_NE(view.undo.GetStep(-1), nullptr);
  view.undo.UndoLastStep(view);
  EXPECT_EQ(t->chars.CharAt(0)->flags & 3, 0);
  EXPECT_EQ(t->chars.CharAt(1)->flags & 3, 2);
  EXPECT_EQ(t->pendingLayoutStart, -1);

  const std::uint16_t before = t->chars.CharAt(2)->flags;
  CUndoCharFlags f(t.get(), t->chars.CharAt(2));
  t->chars.CharAt(2)->flags = 0x77;
  f.Undo(view);
  EXPECT_EQ(t->chars.CharAt(2)->flags, before);
}

TEST_F(EditTest, AttributeUndoDropsTheOtherFontsMeasure) {
  auto t = MakeText({G});
  CBoxChar* c = t->chars.CharAt(0);
  c->Measure(0);
  const std::uint16_t kind = c->kind;
  CUndoCharAttr undo(t.get(), c, true);
  c->kind = std::uint16_t((kind & 0xF000) | 0x0286);
  c->fontId = 9;
  c->sizeX = 30;
  c->angle = 15;
  c->extentX = 4;
  c->advanceRatio = 0.7f;
  undo.Undo(view);
  EXPECT_EQ(c->kind, kind);
  EXPECT_EQ(c->fontId, TestAttr().fontId[1]);
  EXPECT_EQ(c->sizeX, 10.0f);
  EXPECT_EQ(c->angle, 0.0f);
  EXPECT_EQ(c->extentX, 0.0f);
  EXPECT_EQ(c->advanceRatio, 0.0f);
  EXPECT_EQ(c->CachedGlyph(), nullptr);

  // An item no longer in its text is left alone.
  auto* loose = new CBoxChar('z', TestAttr());
  CUndoInsertChar gone(loose, t.get());
  gone.Undo(view);
  EXPECT_EQ(t->chars.GetSize(), 1);
  delete loose;
}

TEST_F(EditTest, MouseSelection) {
  auto t = MakeText({'a', 'b', 'c', 'd', 'e'});
  const float y = 5.0f;
  EXPECT_EQ(t->OnLButtonDownText(&view, MK_LBUTTON, 1.0f, y), 1);
  EXPECT_EQ(t->mouseAnchor, 0);
  EXPECT_EQ(t->caretIndex, 0);
  EXPECT_EQ(t->caretSide, 1u);
  // Within the drag threshold nothing is selected.
  EXPECT_EQ(t->OnMouseMoveText(&view, MK_LBUTTON, 3.0f, y), 1);
  EXPECT_EQ(t->selectedCount, 0u);
  EXPECT_EQ(t->OnMouseMoveText(&view, MK_LBUTTON, 16.0f, y), 1);
  EXPECT_EQ(Selected(*t), "11110");
  EXPECT_EQ(t->OnMouseMoveText(&view, MK_LBUTTON, 6.0f, y), 1);
  EXPECT_EQ(Selected(*t), "11000");
  EXPECT_EQ(t->OnMouseMoveText(&view, 0, 6.0f, y), 0);
  // A press on the selection is the view's (a text drag).
  EXPECT_EQ(t->OnLButtonDownText(&view, MK_LBUTTON, 1.0f, y), 0);
  // Hovering over the selection.
  t->hitIndex = -1;
  EXPECT_EQ(t->OnMouseOverText(&view, 0, 6.0f, y), 1);
  EXPECT_EQ(t->hitIndex, 1);
  EXPECT_EQ(t->hoverTool, ID_TOOL_TEXT);
  EXPECT_EQ(t->OnMouseOverTextDrag(&view, MK_LBUTTON, 21.0f, y), 1);
  EXPECT_EQ(t->hoverTool, ID_TOOL_TEXT_DRAG);
  EXPECT_EQ(t->caretIndex, 4);
  EXPECT_EQ(t->OnMouseOverTextDrag(&view, MK_LBUTTON, 90.0f, y), 0);
  EXPECT_EQ(t->EndMouseOverTextDrag(&view), 1);
  EXPECT_EQ(view.cursor, IDC_IBEAM);
  EXPECT_EQ(t->hitIndex, -1);

  // Releasing on a character: its page size becomes the default size.
  t->matrix = CMatrix3(3, 0, 0, 3, 0, 0);
  t->caretIndex = 2;
  t->OnLButtonUpText(&view, 0, 0, 0);
  EXPECT_EQ(DefaultTextAttr().sizeX, 30.0f);
  ASSERT_EQ(app.frame.sizes.size(), 1u);
  EXPECT_FLOAT_EQ(app.frame.sizes[0].x, 30.0f);
  EXPECT_EQ(app.frame.texts.size(), 1u);
}

TEST_F(EditTest, DoubleClickOpensOrPastesFromTheEditor) {
  auto t = MakeText({'a'});
  EXPECT_EQ(t->OnLButtonDblClk(&view, MK_LBUTTON, 0, 0), 0);
  EXPECT_EQ(app.frame.editorOpened, 1);
  clip.Put(CClipboardServices::kTextFormat, "z", 2);
  t->MoveCaret(&view, 0, 0);
  t->OnLButtonDblClk(&view, MK_LBUTTON | MK_CONTROL, 0, 0);
  EXPECT_EQ(app.frame.editorCopies, 1);
  EXPECT_EQ(Codes(*t), "az");
  t->editMode = 0;
  t->OnLButtonDblClk(&view, MK_LBUTTON, 0, 0);
  EXPECT_EQ(app.frame.editorOpened, 1);
}

}  // namespace
