// The design view's text commands through WM_COMMAND: arrangements, the
// attribute services, size modes, indents, typing languages, Undo, the text
// bar, rotation and the dialogs of the text menus.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "framework/menu.h"
#include "framework/resources.h"
#include "model/pathobject.h"
#include "model/rectobject.h"
#include "text/arrange.h"
#include "text/fontcatalog.h"
#include "text/fontdlgs.h"
#include "text/language.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

constexpr fw::UINT kArc = 40040, kWithLine = 40041, kLeftRight = 40087, kRightLeft = 32805, kTopDown = 40089,
                   kTopDown2 = 40088, kFillLine = 40091, kJustLeft = 40092;
constexpr fw::UINT kAbsSize = 40052, kAverSize = 40053, kNormalSize = 40176, kHalfWidth = 40114;
constexpr fw::UINT kIndent = 40174, kUnIndent = 40175;
constexpr fw::UINT kBig5 = 32864, kGb = 32863, kKorea = 32865, kRussia = 32878;
constexpr fw::UINT kUndo = 57643, kTextBar = 32889, kUnRotate = 40049;

class TextCommandTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CMDIMainFrame* frame = nullptr;
    view = StartDesignView(&frame);
    main = frame;
    ASSERT_NE(view, nullptr);
    doc = view->GetDoc();
    view->MoveWindow(0, 0, 800 + 15 + 16, 600 + 15 + 16);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
    saved = DefaultTextAttr();
    DefaultTextAttr() = TestAttr(10.0f);
    view->GetUndoList()->DeleteAll();  // the start's tool switch
  }
  void TearDown() override {
    DefaultTextAttr() = saved;
    AppTest::TearDown();
  }

  // A straight text of 10 mm characters over the rectangle.
  CTextObject* MakeText(const char* gbk, float l, float t, float r, float b, int variant = 0) {
    auto* text = new CTextObject(variant, l, t, r, b);
    text->chars.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, 0.0f));
    text->chars.Add(CBoxCode::MakeGap(BOXC_LINE_GAP, 0.0f));
    AddText(text->chars, gbk, TestAttr(10.0f));
    text->Relayout(nullptr, -1);
    doc->AddObject(text, false);
    return text;
  }
  void Select(CGraphObject* o) { view->Tracker()->Select(o); }
  // No objects, no selection, no undo steps.
  void Reset() {
    view->GetUndoList()->DeleteAll();
    view->Tracker()->ClearSelection(nullptr, false);
    while (doc->GetObjectCount() > 0) {
      CGraphObject* o = doc->GetObjectAt(0);
      doc->RemoveObject(o);
      delete o;
    }
    view->Tracker()->GetSelectionRect(nullptr);
  }
  void Cmd(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  fw::CCmdUI Update(fw::UINT id) { return UpdateOf(view, id); }
  int Steps() const { return view->GetUndoList()->GetSize(); }
  // Applies attributes in one undo step as the dialogs do.
  int Apply(CTextAttr attr, std::uint32_t mask) {
    view->GetUndoList()->StartRecord(0);
    const int r = view->SetTextAttributes(&attr, mask);
    view->GetUndoList()->EndRecord();
    return r;
  }
  // Item codes of a text: characters as their code, control items as "#code".
  static std::string Items(const CTextObject* t) {
    std::string out;
    for (CBoxItem* item : t->chars.Items()) {
      if (item->IsCode())
        out += "#" + std::to_string(static_cast<CBoxCode*>(item)->code) + "=" +
               std::to_string(static_cast<CBoxCode*>(item)->FloatValue()).substr(0, 3) + " ";
      else
        out += std::to_string(static_cast<CBoxChar*>(item)->code) + " ";
    }
    return out;
  }
  // Everything undo has to bring back of a character.
  static std::string Attrs(const CTextObject* t) {
    std::string out;
    char buf[128];
    for (CBoxItem* item : t->chars.Items()) {
      if (!item->IsChar()) continue;
      const auto* c = static_cast<const CBoxChar*>(item);
      std::snprintf(buf, sizeof buf, "%x %u %g %g %g %g %g|", unsigned(c->kind), unsigned(c->fontId), c->sizeX,
                    c->sizeY, c->angle, c->skewX, c->skewY);
      out += buf;
    }
    return out;
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;
  StubGlyphSource glyphs;
  CTextAttr saved;
};

// --- Arrangements -------------------------------------------------------------------

TEST_F(TextCommandTest, ArrangementCommandsBuildFromTheRightRectangleInOneStep) {
  const CFRect layout(10, 20, 110, 40);
  // The layout moves the far line edge (the bottom of lines, the outer edge
  // of columns): a result is checked on the edges it keeps.
  struct Row {
    const char* what;
    int start;  // straight variant, or 17, 18, 19
    fw::UINT command;
    std::uint8_t kind;
    float left, top, right, bottom;  // NAN: not checked
  };
  const float any = NAN;
  const Row rows[] = {
      {"left-right to top-down keeps the width as height", 0, kTopDown, 2, 10, 20, any, 120},
      {"left-right to right-left", 0, kRightLeft, 1, 10, 20, 110, any},
      {"top-down to left-right keeps the height as width", 2, kLeftRight, 0, 10, 20, 30, any},
      {"top-down to top-down2", 2, kTopDown2, 3, any, 20, any, 40},
      {"arc to left-right takes the layout rectangle", 18, kLeftRight, 0, 10, 20, 110, any},
      {"arch to top-down takes the layout rectangle", 17, kTopDown, 2, 10, 20, any, 40},
      {"along a path to left-right takes the layout rectangle", 19, kLeftRight, 0, 10, 20, 110, any},
      {"left-right to arc", 0, kArc, 18, any, any, any, any},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Reset();
    CTextObject* text = MakeText("ABC", layout.left, layout.top, layout.right, layout.bottom, r.start <= 3 ? r.start : 0);
    if (r.start == 18)
      text->SetArrange(std::make_unique<CArcArrange>(10, 20, 110, 70, nullptr, nullptr));
    else if (r.start == 17)
      text->SetArrange(std::make_unique<CArchArrange>(10, 20, 110, 70, nullptr, nullptr));
    else if (r.start == 19)
      text->SetArrange(std::make_unique<CPathArrange>(MakeLinePath(0, 0, 200, 0), nullptr, nullptr));
    text->Relayout(nullptr, -1);
    Select(text);
    const std::uint8_t before = text->GetArrangeKind();
    const CFRect beforeFrame = text->GetArrange()->GetFrame();

    EXPECT_TRUE(Update(r.command).enabled);
    Cmd(r.command);
    EXPECT_EQ(text->GetArrangeKind(), r.kind);
    const CFRect f = text->GetArrange()->GetFrame();
    const float want[] = {r.left, r.top, r.right, r.bottom}, got[] = {f.left, f.top, f.right, f.bottom};
    for (int i = 0; i < 4; ++i)
      if (!std::isnan(want[i])) {
        EXPECT_EQ(got[i], want[i]) << "edge " << i;
      }
    EXPECT_EQ(Steps(), 1);
    // The same command again is not offered and does nothing.
    EXPECT_FALSE(Update(r.command).enabled);
    Cmd(r.command);
    EXPECT_EQ(Steps(), 1);

    Cmd(kUndo);
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(text->GetArrangeKind(), before);
    EXPECT_EQ(text->GetArrange()->GetFrame().right, beforeFrame.right);
    EXPECT_EQ(text->GetArrange()->GetFrame().bottom, beforeFrame.bottom);
  }
}

TEST_F(TextCommandTest, ArcOnAFlatLayoutTakesHalfTheWidthAsHeight) {
  CTextObject* text = MakeText("AB", 10, 20, 110, 20);
  Select(text);
  Cmd(kArc);
  auto* arc = dynamic_cast<CArcArrange*>(text->GetArrange());
  ASSERT_NE(arc, nullptr);
  const CArcArrange expected(10, 20, 110, 70, nullptr, nullptr);
  EXPECT_FLOAT_EQ(arc->radius, expected.radius);
  EXPECT_FLOAT_EQ(arc->centre.x, expected.centre.x);
  EXPECT_FLOAT_EQ(arc->centre.y, expected.centre.y);
  for (fw::UINT id : {kLeftRight, kRightLeft, kTopDown, kTopDown2}) EXPECT_TRUE(Update(id).enabled) << id;
}

TEST_F(TextCommandTest, ArrangementCommandsNeedACurrentTextOutsideEditing) {
  auto rect = MakeRectPath(0, 0, 50, 50);
  CGraphObject* path = rect.release();
  doc->AddObject(path, false);
  Select(path);
  for (fw::UINT id : {kArc, kLeftRight, kTopDown}) {
    EXPECT_FALSE(Update(id).enabled) << id;
    Cmd(id);
  }
  Cmd(kFillLine);
  EXPECT_EQ(Steps(), 0);

  view->Tracker()->ClearSelection(nullptr, true);
  CTextObject* text = MakeText("AB", 10, 20, 110, 40);
  Select(text);
  view->SetEditObject(text);
  EXPECT_FALSE(Update(kTopDown).enabled);
  Cmd(kTopDown);
  Cmd(kFillLine);
  EXPECT_EQ(text->GetArrangeKind(), 0);
  EXPECT_EQ(Steps(), 0);
  view->SetEditObject(nullptr);
}

TEST_F(TextCommandTest, FillLineAndJustLeftSwitchTheFitFlagButNotOnAnArc) {
  CTextObject* text = MakeText("AB", 10, 20, 110, 40);
  Select(text);
  Cmd(kFillLine);
  EXPECT_TRUE(text->GetArrange()->flags & ARRF_FIT);
  Cmd(kJustLeft);
  EXPECT_FALSE(text->GetArrange()->flags & ARRF_FIT);
  EXPECT_EQ(Steps(), 2);
  Cmd(kUndo);
  EXPECT_TRUE(text->GetArrange()->flags & ARRF_FIT);
  Cmd(kUndo);
  EXPECT_FALSE(text->GetArrange()->flags & ARRF_FIT);

  Cmd(kArc);
  const std::uint16_t flags = text->GetArrange()->flags;
  Cmd(kFillLine);
  Cmd(kJustLeft);
  EXPECT_EQ(text->GetArrange()->flags, flags);
  EXPECT_EQ(Steps(), 1);
}

TEST_F(TextCommandTest, WithLinePutsTheTextOnThePathAndUndoBringsACopyBack) {
  // Two paths and no text: nothing.
  CGraphObject* first = MakeLinePath(0, 100, 200, 100).release();
  CGraphObject* second = MakeLinePath(0, 200, 200, 200).release();
  doc->AddObject(first, false);
  doc->AddObject(second, false);
  Select(first);
  Select(second);
  Cmd(kWithLine);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(Steps(), 0);

  CTextObject* text = MakeText("ABC", 10, 20, 110, 40);
  Select(text);
  const CFRect pathBounds = first->bounds;
  Cmd(kWithLine);
  ASSERT_EQ(text->GetArrangeKind(), ARR_PATH);
  auto* along = dynamic_cast<CPathArrange*>(text->GetArrange());
  ASSERT_NE(along, nullptr);
  EXPECT_EQ(along->path.get(), first);  // the path itself, out of the document
  EXPECT_EQ(doc->IndexOfObject(first), -1);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(Steps(), 1);
  EXPECT_FALSE(first->selected);

  Cmd(kUndo);
  EXPECT_EQ(text->GetArrangeKind(), ARR_LEFT_TO_RIGHT);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  CGraphObject* back = doc->GetObjectAt(0);
  EXPECT_EQ(back->kind, 128);
  EXPECT_EQ(back->bounds.left, pathBounds.left);
  EXPECT_EQ(back->bounds.right, pathBounds.right);
  EXPECT_EQ(back->bounds.top, pathBounds.top);
}

TEST_F(TextCommandTest, WithLineCarriesThePathIntoTheTextUnitsAndRefusesASingularText) {
  CTextObject* text = MakeText("AB", 10, 20, 110, 40);
  text->matrix = CMatrix3(2, 0, 0, 2, 0, 0);
  auto path = MakeRectPath(0, 0, 100, 50);
  path->flags |= OBJF_FILLED;
  CPathObject* raw = path.release();
  doc->AddObject(raw, false);
  Select(text);
  Select(raw);
  Cmd(kWithLine);
  ASSERT_EQ(text->GetArrangeKind(), ARR_PATH);
  raw->RecalcBounds();
  EXPECT_FLOAT_EQ(raw->bounds.right, 50.0f);
  EXPECT_FLOAT_EQ(raw->bounds.bottom, 25.0f);
  EXPECT_FALSE(raw->flags & OBJF_FILLED);

  // A text squashed flat cannot take a path: both stay as they are.
  CTextObject* flat = MakeText("AB", 10, 200, 110, 240);
  flat->matrix = CMatrix3(1, 0, 0, 0, 0, 0);
  CGraphObject* line = MakeLinePath(0, 300, 100, 300).release();
  doc->AddObject(line, false);
  view->Tracker()->ClearSelection(nullptr, true);
  Select(flat);
  Select(line);
  const int steps = Steps();
  Cmd(kWithLine);
  EXPECT_EQ(flat->GetArrangeKind(), 0);
  EXPECT_GE(doc->IndexOfObject(line), 0);
  EXPECT_EQ(Steps(), steps);
}

// --- Attributes ----------------------------------------------------------------------

// A record that differs from the test texts in everything.
CTextAttr Changed() {
  CTextAttr a = TestAttr(20.0f);
  a.angle = 30.0f;
  a.skewX = 5.0f;
  a.skewY = 6.0f;
  a.lineGap = 3.0f;
  a.boxGap = 2.0f;
  a.fontType[1] = 2;
  a.fontId[1] = 777;
  a.currentFont = std::uint16_t(0x7000 | (2 << 8) | 134);  // bits 12-15 are not the font's
  return a;
}

TEST_F(TextCommandTest, AttributesOfSelectedTextsFollowTheMaskInOneUndoStep) {
  struct Row {
    std::uint32_t mask;
    bool size, font, angle, skew;
  };
  const Row rows[] = {{1, true, false, false, false}, {2, false, true, false, false},
                      {4, false, false, true, false}, {8, false, false, false, true},
                      {15, true, true, true, true},   {0, false, false, false, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mask);
    Reset();
    // "A" is a single-byte character: only the double-byte ones take the GB font.
    CTextObject* one = MakeText("\xB0\xA1" "A\xB0\xA4", 10, 20, 210, 40);
    CTextObject* two = MakeText("\xB0\xA1", 10, 100, 210, 120);
    Select(one);
    Select(two);
    const std::string attrs1 = Attrs(one), attrs2 = Attrs(two), items1 = Items(one);
    one->chars.CharAt(2)->advanceRatio = 0.9f;

    ASSERT_EQ(Apply(Changed(), r.mask), 1);
    EXPECT_EQ(Steps(), 1);
    for (CTextObject* t : {one, two}) {
      for (int k = 0; k < t->chars.GetSize(); ++k) {
        const CBoxChar* c = t->chars.CharAt(k);
        if (!c) continue;
        EXPECT_EQ(c->sizeX, r.size ? 20.0f : 10.0f);
        EXPECT_EQ(c->angle, r.angle ? 30.0f : 0.0f);
        EXPECT_EQ(c->skewY, r.skew ? 6.0f : 0.0f);
        const bool gb = c->LanguageId() == 134;
        EXPECT_EQ(c->fontId, r.font && gb ? 777 : TestAttr().FontIdOf(c->LanguageId()));
        if (r.font && gb) {
          EXPECT_EQ(c->kind & 0x0FFF, (2 << 8) | 134);
        }
      }
    }
    // The font change measures the characters again.
    if (r.font) {
      EXPECT_NE(one->chars.CharAt(2)->advanceRatio, 0.9f);
    }
    // The gaps go to the start whatever the mask; nothing follows the range.
    EXPECT_EQ(Items(one), "#1=2.0 #2=3.0 45217 65 45220 ");

    view->SendMessage(fw::WM_COMMAND, kUndo, 0);
    EXPECT_EQ(Attrs(one), attrs1);
    EXPECT_EQ(Attrs(two), attrs2);
    EXPECT_EQ(Items(one), items1);
  }
}

TEST_F(TextCommandTest, AttributesOfAnEditSelectionKeepTheGapsAfterIt) {
  CTextObject* text = MakeText("ABCD", 10, 20, 210, 40);
  view->SetTool(ID_TOOL_TEXT);
  view->SetEditObject(text);
  text->editMode = ID_TOOL_TEXT;
  text->SelectRange(3, 4);  // B and C
  const std::string before = Items(text), attrs = Attrs(text);

  CTextAttr got;
  ASSERT_EQ(view->GetTextAttributes(nullptr, &got, 0), 1);
  EXPECT_EQ(got.sizeX, 10.0f);

  CTextAttr a = Changed();
  ASSERT_EQ(Apply(a, 1), 1);
  EXPECT_EQ(Items(text), "#1=0.0 #2=0.0 65 #1=2.0 #2=3.0 66 67 #1=0.0 #2=0.0 68 ");
  EXPECT_EQ(text->chars.CharAt(2)->sizeX, 10.0f);
  EXPECT_EQ(text->chars.CharAt(5)->sizeX, 20.0f);
  EXPECT_EQ(text->chars.CharAt(6)->sizeX, 20.0f);
  EXPECT_EQ(text->chars.CharAt(9)->sizeX, 10.0f);

  // Read back: the selection's sizes and the gaps in force at it, and its characters.
  char buffer[16];
  ASSERT_EQ(view->GetTextAttributes(buffer, &got, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "BC");
  EXPECT_EQ(got.sizeX, 20.0f);
  EXPECT_EQ(got.lineGap, 3.0f);
  EXPECT_EQ(got.boxGap, 2.0f);

  Cmd(kUndo);
  EXPECT_EQ(Items(text), before);
  EXPECT_EQ(Attrs(text), attrs);

  // No selected character: nothing to apply.
  text->ClearSelection();
  EXPECT_EQ(view->GetTextAttributes(nullptr, &got, 0), 0);
  EXPECT_EQ(Apply(a, 1), 0);
  view->SetEditObject(nullptr);
}

TEST_F(TextCommandTest, SizesOfATurnedAndScaledTextAreMeantOnThePage) {
  CTextObject* text = MakeText("AB", 10, 20, 210, 40);
  // Scaled by 2, then turned by 30 degrees.
  const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
  text->matrix = CMatrix3(2 * c, 2 * s, -2 * s, 2 * c, 0, 0);
  Select(text);
  CTextAttr got;
  ASSERT_EQ(view->GetTextAttributes(nullptr, &got, 0), 1);
  EXPECT_NEAR(got.sizeX, 20.0f, 1e-3);
  EXPECT_NEAR(got.sizeY, 20.0f, 1e-3);

  CTextAttr a = TestAttr(30.0f);
  ASSERT_EQ(Apply(a, 1), 1);
  EXPECT_NEAR(text->chars.CharAt(2)->sizeX, 15.0f, 1e-3);
  EXPECT_NEAR(text->chars.CharAt(3)->sizeY, 15.0f, 1e-3);
  ASSERT_EQ(view->GetTextAttributes(nullptr, &got, 0), 1);
  EXPECT_NEAR(got.sizeX, 30.0f, 1e-3);

  // A squashed text takes the sizes as they are, never NaN.
  text->matrix = CMatrix3(1, 0, 0, 0, 0, 0);
  ASSERT_EQ(Apply(TestAttr(12.0f), 1), 1);
  EXPECT_EQ(text->chars.CharAt(2)->sizeX, 12.0f);
  EXPECT_EQ(text->chars.CharAt(2)->sizeY, 12.0f);
}

TEST_F(TextCommandTest, AttributesWithoutTextLeaveTheDialogsTheirDefaults) {
  CGraphObject* rect = MakeRectPath(0, 0, 50, 50).release();
  doc->AddObject(rect, false);
  Select(rect);
  CTextAttr got = TestAttr(7.0f);
  EXPECT_EQ(view->GetTextAttributes(nullptr, &got, 0), 0);
  EXPECT_EQ(got.sizeX, 7.0f);
  EXPECT_EQ(Apply(TestAttr(20.0f), 1), 0);
  EXPECT_EQ(Steps(), 0);
}

// The font panel of the mode bar and the Font Setting dialog act on the
// texts through the view.
class FontDialogTextTest : public TextCommandTest {
 protected:
  void SetUp() override {
    TextCommandTest::SetUp();
    WriteBytes(Path("fonts.ini"), Bytes("[LANGUAGE0]\nID=0\nNAME=EN\n[LANGUAGE1]\nID=134\nNAME=GB\n"));
    languages = std::make_unique<ScopedLanguages>(Path("fonts.ini"));
    g_FontCatalog.Clear();
    for (int slot : {0, 1})
      for (const char* name : {"FontA", "FontB", "FontC"}) g_FontCatalog.AddEntry(slot, 0, CFontEntry{"", name});
    CTextAttr& d = DefaultTextAttr();
    for (int i = 0; i < kLanguageSlots; ++i) d.fontType[i] = 0, d.fontId[i] = 0;
    d.currentFont = std::uint16_t(134);
  }
  void TearDown() override {
    g_FontCatalog.Clear();
    languages.reset();
    TextCommandTest::TearDown();
  }
  static std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
  // A text of GB characters in font 0 of the Windows fonts.
  CTextObject* GbText(float y) {
    CTextObject* t = MakeText("\xB0\xA1\xB0\xA4\xB0\xA1", 10, y, 210, y + 20);
    for (int k = 0; k < t->chars.GetSize(); ++k)
      if (CBoxChar* c = t->chars.CharAt(k)) c->kind = std::uint16_t((c->kind & 0xF000) | 134), c->fontId = 0;
    return t;
  }
  std::unique_ptr<ScopedLanguages> languages;
};

TEST_F(FontDialogTextTest, FontSettingChangesTheSelectedTextsAndUndoTakesItBack) {
  CTextObject* one = GbText(20);
  CTextObject* two = GbText(100);
  Select(one);
  Select(two);
  const std::string before = Attrs(one);
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    d.TypeText(IDC_FONT_SIZE_X, "25");
    d.TypeText(IDC_FONT_SIZE_Y, "25");
    d.SelectListItem(IDC_FONT_LIST, 2);
    d.ClickButton(fw::IDOK);
  });
  Cmd(40051);
  ASSERT_EQ(driver.Runs().size(), 1u);
  EXPECT_EQ(driver.Runs()[0].result, fw::IDOK);
  for (CTextObject* t : {one, two}) {
    EXPECT_EQ(t->chars.CharAt(2)->sizeX, 25.0f);
    EXPECT_EQ(t->chars.CharAt(4)->fontId, 2);
  }
  EXPECT_EQ(Steps(), 1);
  EXPECT_EQ(DefaultTextAttr().sizeX, 10.0f);  // the defaults stay
  Cmd(kUndo);
  EXPECT_EQ(Attrs(one), before);
}

TEST_F(FontDialogTextTest, FontPanelSizeGoesToTheEditSelectionOrWithoutTextToTheDefaults) {
  CTextObject* text = GbText(20);
  view->SetTool(ID_TOOL_TEXT);
  view->SetEditObject(text);
  text->editMode = ID_TOOL_TEXT;
  text->SelectRange(2, 2);
  main->GetModeBar().SetMode(ID_TOOL_TEXT);
  CFontPanelDlg* panel = main->GetModeBar().GetFontPanel();
  ASSERT_NE(panel, nullptr);
  panel->UpdateControls();
  auto* sizes = panel->Item<fw::CComboBox>(IDC_PANEL_SIZE);
  ASSERT_NE(sizes, nullptr);
  sizes->UserType("18");
  sizes->NotifyParent(fw::CBN_KILLFOCUS);
  EXPECT_EQ(text->chars.CharAt(2)->sizeX, 18.0f);
  EXPECT_EQ(text->chars.CharAt(3)->sizeX, 10.0f);
  EXPECT_EQ(Steps(), 1);
  Cmd(kUndo);
  EXPECT_EQ(text->chars.CharAt(2)->sizeX, 10.0f);
  view->SetEditObject(nullptr);

  // Only a rectangle selected: the size becomes the default for new text.
  CGraphObject* rect = MakeRectPath(0, 300, 50, 350).release();
  doc->AddObject(rect, false);
  Select(rect);
  sizes->UserType("16");
  sizes->NotifyParent(fw::CBN_KILLFOCUS);
  EXPECT_EQ(DefaultTextAttr().sizeX, 16.0f);
  EXPECT_EQ(Steps(), 0);
}

// --- Size modes, half width, indents ---------------------------------------------------

TEST_F(TextCommandTest, SizeModesSetTheSelectedCharactersOrTheDefault) {
  CTextObject* text = MakeText("ABC", 10, 20, 210, 40);
  // Edited without a selected character: new text gets the mode.
  view->SetEditObject(text);
  Cmd(kAbsSize);
  EXPECT_EQ(Steps(), 0);
  EXPECT_EQ(DefaultTextAttr().tmState & 3, 2);
  EXPECT_TRUE(Update(kAbsSize).radio);
  EXPECT_EQ(Update(kAbsSize).check, 1);
  EXPECT_EQ(Update(kNormalSize).check, 0);
  for (int k = 0; k < text->chars.GetSize(); ++k)
    if (const CBoxChar* c = text->chars.CharAt(k)) {
      EXPECT_EQ(c->flags & 3, 0);
    }

  // Edited with a selection: those characters, in one step.
  text->SelectRange(3, 4);
  Cmd(kAverSize);
  EXPECT_EQ(text->chars.CharAt(2)->flags & 3, 0);
  EXPECT_EQ(text->chars.CharAt(3)->flags & 3, 1);
  EXPECT_EQ(text->chars.CharAt(4)->flags & 3, 1);
  EXPECT_EQ(Steps(), 1);
  EXPECT_EQ(DefaultTextAttr().tmState & 3, 2);
  Cmd(kUndo);
  EXPECT_EQ(text->chars.CharAt(3)->flags & 3, 0);
  text->ClearSelection();
  view->SetEditObject(nullptr);

  // Selected texts: every character.
  Select(text);
  Cmd(kAbsSize);
  for (int k = 2; k < 5; ++k) EXPECT_EQ(text->chars.CharAt(k)->flags & 3, 2);
  Cmd(kUndo);
  for (int k = 2; k < 5; ++k) EXPECT_EQ(text->chars.CharAt(k)->flags & 3, 0);

  // Half-width symbols toggle the default's bit 2.
  const std::uint16_t state = DefaultTextAttr().tmState;
  Cmd(kHalfWidth);
  EXPECT_EQ(DefaultTextAttr().tmState, state ^ 4);
  EXPECT_EQ(Update(kHalfWidth).check, (state & 4) ? 0 : 1);
  Cmd(kHalfWidth);
  EXPECT_EQ(DefaultTextAttr().tmState, state);
}

TEST_F(TextCommandTest, IndentAndUnIndentAreUndoneInOneStep) {
  CTextObject* text = MakeText("ABC", 10, 20, 210, 40);
  view->SetTool(ID_TOOL_TEXT);
  view->SetEditObject(text);
  text->editMode = ID_TOOL_TEXT;
  text->SelectRange(3, 4);
  const std::string plain = Items(text);
  Cmd(kIndent);
  const std::string indented = Items(text);
  EXPECT_EQ(indented, "#1=0.0 #2=0.0 65 #32=0.0 66 67 #32800=0.0 ");
  EXPECT_EQ(Steps(), 1);
  Cmd(kUndo);
  EXPECT_EQ(Items(text), plain);

  Cmd(kIndent);
  Cmd(kUnIndent);
  EXPECT_EQ(Items(text), plain);
  EXPECT_EQ(Steps(), 2);
  Cmd(kUndo);
  EXPECT_EQ(Items(text), indented);
  view->SetEditObject(nullptr);
}

// --- Typing languages -------------------------------------------------------------------

TEST_F(TextCommandTest, CodePageChoicesMoveTheRadioMarkAndTheTypingLanguage) {
  // A text being typed into (the text tool's font panel sets the languages of
  // its font when the tool starts).
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_TEXT, 0);
  const plat::POINT d = view->PageToDevice(CFPoint{100, 100});
  view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{d.x, d.y});
  view->OnLButtonUp(0, fw::POINT{d.x, d.y});
  auto* text = dynamic_cast<CTextObject*>(view->GetEditObject());
  ASSERT_NE(text, nullptr);

  Cmd(kBig5);
  EXPECT_EQ(DefaultTextAttr().doubleByteLanguage, 136);
  EXPECT_EQ(view->GetLanguageId(), 136);
  EXPECT_EQ(Update(kBig5).check, 1);
  EXPECT_EQ(Update(kGb).check, 0);
  Cmd(kGb);
  EXPECT_EQ(Update(kBig5).check, 0);
  EXPECT_EQ(Update(kGb).check, 1);
  Cmd(kRussia);
  Cmd(kBig5);
  EXPECT_EQ(Update(kRussia).check, 1);
  EXPECT_EQ(DefaultTextAttr().singleByteLanguage, 204);
  EXPECT_EQ(Update(kKorea).check, 0);
  EXPECT_TRUE(Update(kKorea).enabled);

  // Typed after "CHN BIG (B)": an IME character and a character in two bytes.
  view->SendMessage(fw::WM_IME_CHAR, 0xB550, 0);
  view->SendMessage(fw::WM_CHAR, 0xB5, 0);
  view->SendMessage(fw::WM_CHAR, 0x50, 0);
  view->SendMessage(fw::WM_CHAR, 'A', 0);
  std::vector<std::pair<int, int>> got;
  for (int k = 0; k < text->chars.GetSize(); ++k)
    if (const CBoxChar* c = text->chars.CharAt(k)) got.emplace_back(c->LanguageId(), c->code);
  const std::vector<std::pair<int, int>> want = {{136, 0xB550}, {136, 0xB550}, {204, 'A'}};
  EXPECT_EQ(got, want);
}

// --- Undo, sub-tools, bars, rotation, dialogs, menus ---------------------------------------------

TEST_F(TextCommandTest, UndoIsOfferedOnlyWithAStepAndNoPendingObject) {
  EXPECT_FALSE(Update(kUndo).enabled);
  Cmd(kUndo);
  EXPECT_EQ(Steps(), 0);

  CTextObject* text = MakeText("AB", 10, 20, 110, 40);
  Select(text);
  Cmd(kTopDown);
  EXPECT_TRUE(Update(kUndo).enabled);
  view->SetPendingObject(std::make_unique<CPathObject>());
  EXPECT_FALSE(Update(kUndo).enabled);
  view->SetPendingObject(nullptr);
  EXPECT_TRUE(Update(kUndo).enabled);

  // A text made and typed into: every step undone by the command, the text gone.
  Reset();
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_TEXT, 0);
  const plat::POINT d = view->PageToDevice(CFPoint{100, 100});
  view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{d.x, d.y});
  view->OnLButtonUp(0, fw::POINT{d.x, d.y});
  ASSERT_NE(view->GetEditObject(), nullptr);
  for (char c : std::string("AB")) view->SendMessage(fw::WM_CHAR, fw::WPARAM(std::uint8_t(c)), 0);
  ASSERT_GT(Steps(), 0);
  for (int guard = 0; Steps() > 0 && guard < 20; ++guard) Cmd(kUndo);
  EXPECT_EQ(Steps(), 0);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_EQ(view->GetEditObject(), nullptr);
}

TEST_F(TextCommandTest, NodeSubToolsSwitchDirectly) {
  const int steps = Steps();
  Cmd(ID_TOOL_MOVE_CONTOUR);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_MOVE_CONTOUR);
  EXPECT_EQ(Update(ID_TOOL_MOVE_CONTOUR).check, 1);
  EXPECT_EQ(Update(ID_TOOL_EXTEND).check, 0);
  Cmd(ID_TOOL_EXTEND);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_EXTEND);
  EXPECT_EQ(view->GetClassCursor(), ToolCursor(ID_TOOL_EXTEND));
  EXPECT_EQ(Steps(), steps);  // no tool switch recorded
}

TEST_F(TextCommandTest, TextbarTogglesTheModeBarAndLeavesThePaletteBit) {
  CModeBar& bar = main->GetModeBar();
  ASSERT_TRUE(bar.m_hWnd);
  const bool shown = bar.IsVisible();
  const std::uint16_t mask = view->GetBarMask();
  Cmd(kTextBar);
  EXPECT_EQ(bar.IsVisible(), !shown);
  EXPECT_EQ(Update(kTextBar).check, shown ? 0 : 1);
  EXPECT_EQ(view->GetBarMask(), mask);
  Cmd(kTextBar);
  EXPECT_EQ(bar.IsVisible(), shown);
  EXPECT_EQ(view->GetBarMask(), mask);
}

TEST_F(TextCommandTest, UnRotateTurnsTheSelectionBackInOneStep) {
  CTextObject* text = MakeText("AB", 10, 20, 110, 40);
  text->Transform(*MakeRotateMatrix(10, 20, 110, 40, 30.0f));
  const CMatrix3 turned = text->matrix;
  Select(text);
  Cmd(kUnRotate);
  EXPECT_EQ(Steps(), 1);
  CFPoint o{0, 0}, x{100, 0};
  text->matrix.TransformPoint(o);
  text->matrix.TransformPoint(x);
  EXPECT_NEAR(x.y - o.y, 0.0f, 1e-2);
  Cmd(kUndo);
  EXPECT_NEAR(text->matrix.m01, turned.m01, 1e-4);
  EXPECT_NEAR(text->matrix.m20, turned.m20, 1e-3);
}

TEST_F(TextCommandTest, LibraryDialogsOpenFromTheirItems) {
  fw::ScriptedModalDriver driver;
  Cmd(40150);
  Cmd(32869);
  Cmd(40171);
  ASSERT_EQ(driver.Runs().size(), 3u);
  EXPECT_EQ(driver.Runs()[0].templateId, 281u);
  EXPECT_EQ(driver.Runs()[1].templateId, 282u);
  EXPECT_EQ(driver.Runs()[2].templateId, 239u);
}

TEST_F(TextCommandTest, DesignMenuCarriesTheTextItems) {
  fw::CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(appid::IDR_DESIGN));
  const std::pair<fw::UINT, const char*> items[] = {
      {kArc, "&Arc"}, {kLeftRight, "&Left->Right"}, {kRightLeft, "&Right->Left"}, {kTopDown, "&Top->Down"},
      {kTopDown2, "&Top->Down2"}, {kFillLine, "&Fill Line"}, {kJustLeft, "&Just Left"}, {kWithLine, "&With Line"},
      {kAbsSize, "&AbsSize"}, {kAverSize, "A&verSize"}, {kNormalSize, "&NormalSize"},
      {kIndent, "&Indent\t[Ctrl+Z]"}, {kUnIndent, "&UnIndent\t[Ctrl+X]"}, {kHalfWidth, "Half Width CHS Symbol(&H)"},
      {kBig5, "CHN BIG (B)"}, {kGb, "CHN GB (G)"}, {kKorea, "Korea (&K)"}, {kRussia, "Russia(R)"},
      {32862, "Move a Contour[CTRL]"}, {40150, "Graphic Manager...(&T)"}, {40171, "&4 Lib TypeSet\t[Ctrl+K]"},
      {32869, "&2 Lib Convert 5.x->6.x"}, {kUnRotate, "Un&Rotate(&C)"}, {32892, "Set Out Area (&R)"},
      {kTextBar, "Textbar(&G)"}};
  for (const auto& [id, text] : items) EXPECT_EQ(menu.GetMenuString(id, fw::MF_BYCOMMAND), text) << id;
  const auto* keys = fw::res::FindAccelerators(appid::IDR_DESIGN);
  ASSERT_NE(keys, nullptr);
  bool ctrlK = false;
  for (const fw::ACCEL& a : *keys) ctrlK = ctrlK || (a.key == 'K' && (a.fVirt & fw::FCONTROL) && a.cmd == 40171);
  EXPECT_TRUE(ctrlK);
  // Indent and UnIndent left the Autospace ids; the old Lib Convert id is gone.
  EXPECT_EQ(menu.GetMenuString(32852, fw::MF_BYCOMMAND), "Horz Autospace");
  EXPECT_EQ(menu.GetMenuString(32853, fw::MF_BYCOMMAND), "Vert Autospace");
  EXPECT_FALSE(menu.HasCommand(40073));
  for (fw::UINT enabled : {57607u, 40024u, 32892u}) EXPECT_TRUE(Update(enabled).enabled) << enabled;
}

}  // namespace
