#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/settings.h"
#include "model/tests/fakes.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/report.h"
#include "text/fontcatalog.h"
#include "text/fontdlgs.h"
#include "text/language.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

using namespace fw;

namespace {

// A design view that keeps the attributes it is given and what reaches its window.
class AttrView : public FakeView {
 public:
  using FakeView::FakeView;
  int GetSelectedCount() const override { return selected; }
  int GetTextAttributes(char*, CTextAttr* a, int) override {
    if (!hasText) return 0;
    *a = text;
    return 1;
  }
  int SetTextAttributes(CTextAttr* a, std::uint32_t mask) override {
    applied.push_back({*a, mask, GetUndoRecordDepth()});
    return applies ? 1 : 0;
  }
  void TakeFocus() override { window.push_back("focus"); }
  void PostChar(std::uint32_t ch) override { window.push_back("char " + std::to_string(ch)); }

  struct Applied {
    CTextAttr attr;
    std::uint32_t mask;
    int depth;
  };
  int selected = 0;
  bool hasText = false;
  bool applies = true;  // false: no text among the selected objects
  CTextAttr text;
  std::vector<Applied> applied;
  std::vector<std::string> window;
};

// The profile of the program in a folder of its own for one test.
class ScopedProfile {
 public:
  ScopedProfile() {
    ::setenv("TINDREL_PROFILE_DIR", dir_.path().c_str(), 1);
    before_ = plat::SetAppProfile(&profile_);
    g_Profile.Attach();
  }
  ~ScopedProfile() {
    plat::SetAppProfile(before_);
    g_Profile.Attach();
    ::unsetenv("TINDREL_PROFILE_DIR");
  }

 private:
  TempDir dir_;
  plat::UserProfile profile_{"VorlanSoft", "FontDialogTest"};
  plat::UserProfile* before_ = nullptr;
};

std::vector<std::string> Items(const CDialog& d, UINT id) {
  std::vector<std::string> out;
  if (auto* c = d.Item<CComboBox>(id))
    for (int i = 0; i < c->GetCount(); ++i) out.push_back(c->GetLBText(i));
  if (auto* l = d.Item<CListBox>(id))
    for (int i = 0; i < l->GetCount(); ++i) out.push_back(l->GetText(i));
  return out;
}

int Selected(const CDialog& d, UINT id) {
  if (auto* c = d.Item<CComboBox>(id)) return c->GetCurSel();
  if (auto* l = d.Item<CListBox>(id)) return l->GetCurSel();
  return -2;
}

// Presses the arrows so that the spin reports `delta`: these spins keep the inverted
// default range, where the up arrow counts down.
void Spin(CDialog& d, UINT id, int delta) { d.Item<CSpinButtonCtrl>(id)->UserDelta(-delta); }

// Three language slots: GB (two installed fonts, a TrueType file, one mount),
// EN (one font) and BIG5 (two fonts).
struct FontDialogsTest : ::testing::Test {
  ScopedIni ini{
      "[LANGUAGE0]\nID=134\nNAME=GB\nMounts=1\nMountName0=Own\n"
      "[LANGUAGE1]\nID=0\nNAME=EN\n"
      "[LANGUAGE2]\nID=136\nNAME=BIG5\n"};
  ScopedProfile profile;
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  FakeDocument doc;
  AttrView view{&doc};
  FakeApp app;
  CTextAttr savedDefaults;
  CWnd parent;

  void SetUp() override {
    g_Language.Load();
    g_FontCatalog.AddEntry(0, 0, CFontEntry{"", "SongA"});
    g_FontCatalog.AddEntry(0, 0, CFontEntry{"", "HeiB"});
    g_TtfFontTable.AddEntry(0, 0, CFontEntry{"/fonts/c.ttf", "TtfC"});
    g_CftFontTable.AddEntry(0, 0, CFontEntry{"/fonts/1.cft", "Own1"});
    g_CftFontTable.AddEntry(0, 0, CFontEntry{"/fonts/2.cft", "Own2"});
    g_FontCatalog.AddEntry(1, 0, CFontEntry{"", "Sans"});
    g_FontCatalog.AddEntry(2, 0, CFontEntry{"", "Ming0"});
    g_FontCatalog.AddEntry(2, 0, CFontEntry{"", "Ming1"});
    RegisterFontDialogResources();
    savedDefaults = DefaultTextAttr();
    CTextAttr& d = DefaultTextAttr();
    d = TestAttr(10.0f);
    d.fontType[0] = 0;
    d.fontId[0] = 1;  // HeiB
    d.currentFont = MakeFontSource(0, 134);
    app.activeView = &view;
    parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 800, 600}, nullptr, 0);
  }
  void TearDown() override {
    DefaultTextAttr() = savedDefaults;
    g_FontCatalog.Clear();
    g_TtfFontTable.Clear();
    g_CftFontTable.Clear();
    g_FontCatalog.scaleX = 100;
    g_FontCatalog.descent = 0.2f;
    ResetWindowSystem();
    res::Clear();
  }
  // Runs a modal dialog with one scripted step; its result.
  template <class Dlg>
  int Run(Dlg& dlg, std::function<void(CDialog&)> step) {
    ScriptedModalDriver driver;
    driver.Then(std::move(step));
    return dlg.DoModal();
  }
};

// --- Font Setting ---------------------------------------------------------------------

TEST_F(FontDialogsTest, FontSettingChecksInOrder) {
  const std::string size = "       字号<=0       ";
  const std::string skew = "      -60 < 倾斜向度 < 60     ";
  const std::string source = "      请选择一种字体类型      ";
  const std::string font = "      请选择一种字体      ";
  struct Row {
    const char *sizeX, *sizeY, *skewX, *skewY;
    int pickSource;  // -1 keeps the opening choice, -2 opens without a source
    std::string box;  // empty: the dialog closes with OK
  };
  const Row rows[] = {
      {"0", "10", "0", "0", -1, size},       {"10", "-1", "0", "0", -1, size},
      {"0", "10", "70", "0", -2, size},      // the first failing check speaks
      {"10", "10", "60", "-60", -1, ""},     {"10", "10", "60.5", "0", -1, skew},
      {"10", "10", "0", "-61", -1, skew},    {"10", "10", "0", "0", -2, source},
      {"10", "10", "0", "0", 1, font},       // a source chosen, no font yet
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.sizeX) + " " + r.sizeY + " " + r.skewX + " " + r.skewY);
    sink.clear();
    DefaultTextAttr().currentFont = r.pickSource == -2 ? MakeFontSource(5, 134) : MakeFontSource(0, 134);
    CFontSetDlg dlg;
    const int result = Run(dlg, [&](CDialog& d) {
      d.TypeText(IDC_FONT_SIZE_X, r.sizeX);
      d.TypeText(IDC_FONT_SIZE_Y, r.sizeY);
      d.TypeText(IDC_FONT_SKEW_X, r.skewX);
      d.TypeText(IDC_FONT_SKEW_Y, r.skewY);
      if (r.pickSource >= 0) d.SelectListItem(IDC_FONT_SOURCE, r.pickSource);
      d.ClickButton(IDOK);
      if (!d.IsEnded()) d.ClickButton(IDCANCEL);
    });
    if (r.box.empty()) {
      EXPECT_EQ(result, IDOK);
      EXPECT_TRUE(sink.boxes.empty());
      continue;
    }
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, r.box);
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_EQ(sink.boxes[0].style & plat::MB_ICONMASK, plat::MB_ICONSTOP);
  }
}

TEST_F(FontDialogsTest, FontSettingOpensOnTheRecordAndHandsItsChangeMask) {
  view.selected = 1;
  view.hasText = true;
  view.text = DefaultTextAttr();
  view.text.sizeX = 12.5f;
  view.text.angle = 30.0f;
  view.text.fontId[2] = 1;
  view.text.currentFont = MakeFontSource(0, 136);
  // The opening shows the selected text's values; the mask starts empty.
  CFontSetDlg first;
  Run(first, [&](CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_X), "12.50");
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_ANGLE), "30.00");
    EXPECT_EQ(Items(d, IDC_FONT_SOURCE),
              (std::vector<std::string>{"GBWinFonts", "GBTTFFonts", "GBOwnFonts", "ENWinFonts", "BIG5WinFonts"}));
    EXPECT_EQ(Selected(d, IDC_FONT_SOURCE), 4);
    EXPECT_EQ(Items(d, IDC_FONT_LIST), (std::vector<std::string>{"Ming0", "Ming1"}));
    EXPECT_EQ(Selected(d, IDC_FONT_LIST), 1);
    EXPECT_EQ(Items(d, IDC_FONT_LANGUAGE), (std::vector<std::string>{"GB", "EN", "BIG5"}));
    EXPECT_EQ(Selected(d, IDC_FONT_LANGUAGE), 2);
    d.ClickButton(IDOK);
  });
  ASSERT_EQ(view.applied.size(), 1u);
  EXPECT_EQ(view.applied[0].mask, 0u);
  EXPECT_EQ(view.applied[0].depth, 1);  // inside one undo step
  EXPECT_EQ(view.applied[0].attr.currentFont, MakeFontSource(0, 136));

  struct Row {
    const char* what;
    std::function<void(CDialog&)> act;
    std::uint32_t mask;
  };
  const Row rows[] = {
      {"size x", [](CDialog& d) { d.TypeText(IDC_FONT_SIZE_X, "20"); }, 1},
      {"size y", [](CDialog& d) { d.TypeText(IDC_FONT_SIZE_Y, "20"); }, 1},
      {"spin", [](CDialog& d) { Spin(d, IDC_FONT_SPIN_Y, 1); }, 1},
      {"slider", [](CDialog& d) { d.Item<CSliderCtrl>(IDC_FONT_SLIDER)->UserSetPos(30); }, 1},
      {"font", [](CDialog& d) { d.SelectListItem(IDC_FONT_LIST, 0); }, 2},
      {"rotate", [](CDialog& d) { d.TypeText(IDC_FONT_ANGLE, "15"); }, 4},
      {"skew x", [](CDialog& d) { d.TypeText(IDC_FONT_SKEW_X, "5"); }, 8},
      {"skew y and rotate",
       [](CDialog& d) {
         d.TypeText(IDC_FONT_SKEW_Y, "5");
         d.TypeText(IDC_FONT_ANGLE, "1");
       },
       12},
      {"gaps", [](CDialog& d) { d.TypeText(IDC_FONT_LINE_GAP, "3"); }, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    view.applied.clear();
    CFontSetDlg dlg;
    Run(dlg, [&](CDialog& d) {
      r.act(d);
      d.ClickButton(IDOK);
    });
    ASSERT_EQ(view.applied.size(), 1u);
    EXPECT_EQ(view.applied[0].mask, r.mask);
  }
  // The gaps go with the record whatever the mask.
  EXPECT_EQ(view.applied[0].attr.lineGap, 3.0f);
}

TEST_F(FontDialogsTest, FontSettingSpinsAndSliderKeepSizesAtZeroOrAbove) {
  CFontSetDlg dlg;
  Run(dlg, [&](CDialog& d) {
    auto* slider = d.Item<CSliderCtrl>(IDC_FONT_SLIDER);
    EXPECT_EQ(slider->GetRangeMin(), 0);
    EXPECT_EQ(slider->GetRangeMax(), 1500);
    d.TypeText(IDC_FONT_SIZE_X, "2");
    Spin(d, IDC_FONT_SPIN_X, -1);  // a step of 0 or less adds one
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_X), "3.00");
    Spin(d, IDC_FONT_SPIN_X, 0);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_X), "4.00");
    d.TypeText(IDC_FONT_SIZE_X, "1");
    Spin(d, IDC_FONT_SPIN_X, 1);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_X), "0.00");  // zero is taken
    d.TypeText(IDC_FONT_SIZE_Y, "0.5");
    Spin(d, IDC_FONT_SPIN_Y, 1);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "0.5");  // below zero: not taken

    auto scroll = [&](UINT code) { d.SendMessage(WM_VSCROLL, MAKELONG(code, 0), LPARAM(slider->m_hWnd)); };
    d.TypeText(IDC_FONT_SIZE_Y, "10");
    scroll(SB_LINEDOWN);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "11.00");
    scroll(SB_PAGEDOWN);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "31.00");
    scroll(SB_PAGEUP);
    scroll(SB_LINEUP);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "10.00");
    slider->UserSetPos(700);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "700.00");
    d.TypeText(IDC_FONT_SIZE_Y, "5");
    scroll(SB_PAGEUP);
    EXPECT_EQ(d.GetDlgItemText(IDC_FONT_SIZE_Y), "0.00");
    EXPECT_EQ(slider->GetPos(), 0);
    d.ClickButton(IDCANCEL);
  });
}

TEST_F(FontDialogsTest, FontSettingWithoutSelectionStoresTheDefaults) {
  CFontSetDlg dlg;
  const int result = Run(dlg, [&](CDialog& d) {
    d.TypeText(IDC_FONT_SIZE_X, "12.5");
    d.TypeText(IDC_FONT_SIZE_Y, "1.0");
    d.TypeText(IDC_FONT_SKEW_X, "-7");
    d.SelectComboItem(IDC_FONT_LANGUAGE, 2);  // BIG5: its sources by kind
    EXPECT_EQ(Items(d, IDC_FONT_SOURCE), (std::vector<std::string>{"BIG5WinFonts", "BIG5TTFFonts"}));
    EXPECT_EQ(Selected(d, IDC_FONT_SOURCE), 0);
    d.SelectListItem(IDC_FONT_LIST, 1);
    d.ClickButton(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_TRUE(view.applied.empty());
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FontSizeX", "none"), "12.5000");
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FontSizeY", "none"), "none");  // 1.0 is not stored
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FontSkewX", "none"), "-7.0000");
  EXPECT_EQ(g_Profile.GetString("SystemParam", "LineGaps", "none"), "0.0000");
  EXPECT_EQ(g_IniFile.GetInt("Language2", "DefaultType", -1), 0);
  EXPECT_EQ(g_IniFile.GetInt("Language2", "DefaultID", -1), 1);
  const CTextAttr& d = DefaultTextAttr();
  EXPECT_EQ(d.sizeX, 12.5f);
  EXPECT_EQ(d.sizeY, 1.0f);
  EXPECT_EQ(d.skewX, -7.0f);
  EXPECT_EQ(d.fontId[2], 1);
  EXPECT_EQ(d.currentFont, MakeFontSource(0, 136));
  // The stored sizes are read back under the loader's key names.
  CTextAttr loaded;
  loaded.LoadDefaults();
  EXPECT_EQ(loaded.sizeX, 12.5f);
  EXPECT_EQ(loaded.fontId[2], 1);
}

TEST_F(FontDialogsTest, FontSettingPreviewShowsTheSelectedCharacterWhenItSuits) {
  // The edited text's first character, or the language's sample.
  struct Row {
    std::uint16_t font;
    std::uint16_t first;
    int characters;
  };
  const Row rows[] = {
      {MakeFontSource(0, 134), kGbA, 1},     {MakeFontSource(0, 134), 0xA1A2, 4},  // a symbol row: "Skelbrin"
      {MakeFontSource(0, 0), 'W', 1},        {MakeFontSource(0, 0), kGbA, 13},     // "CutterVorlan!"
      {MakeFontSource(0, 136), kGbA, 0},     // the kept sample, empty
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.first);
    CTextObject text(0, 0, 0, 100, 100);
    text.chars.Add(std::make_unique<CBoxChar>(r.first, TestAttr()));
    view.editObject = &text;
    view.hasText = true;
    view.text = DefaultTextAttr();
    view.text.currentFont = r.font;
    CFontSetDlg dlg;
    Run(dlg, [&](CDialog&) {
      glyphs.outlineRequests = 0;
      dlg.DrawPreview();
      EXPECT_EQ(glyphs.outlineRequests, r.characters);
    });
    view.editObject = nullptr;
  }
}

// --- Baseline Setting -------------------------------------------------------------------

TEST_F(FontDialogsTest, BaselineStepsStayInTheirLimits) {
  CBaseLineDlg dlg;
  Run(dlg, [&](CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_BASE_VALUE), "0.20");
    EXPECT_EQ(d.GetDlgItemText(IDC_BASE_SCALE), "100");
    struct Row {
      UINT edit, spin;
      const char* start;
      int delta;
      const char* after;
    };
    const Row rows[] = {
        {IDC_BASE_VALUE, IDC_BASE_SPIN, "0.45", 0, "0.50"},   {IDC_BASE_VALUE, IDC_BASE_SPIN, "0.50", -1, "0.50"},
        {IDC_BASE_VALUE, IDC_BASE_SPIN, "-0.45", 1, "-0.50"}, {IDC_BASE_VALUE, IDC_BASE_SPIN, "-0.50", 1, "-0.50"},
        {IDC_BASE_VALUE, IDC_BASE_SPIN, "0.2", 3, "0.15"},    {IDC_BASE_SCALE, IDC_BASE_SCALE_SPIN, "199", -1, "200"},
        {IDC_BASE_SCALE, IDC_BASE_SCALE_SPIN, "200", 0, "200"}, {IDC_BASE_SCALE, IDC_BASE_SCALE_SPIN, "50", 1, "50"},
        {IDC_BASE_SCALE, IDC_BASE_SCALE_SPIN, "51", 1, "50"},
    };
    for (const Row& r : rows) {
      SCOPED_TRACE(std::string(r.start) + " " + std::to_string(r.delta));
      d.TypeText(r.edit, r.start);
      Spin(d, r.spin, r.delta);
      EXPECT_EQ(d.GetDlgItemText(r.edit), r.after);
    }
    // The preview draws "SkelPagebrin" at a scale of 50 or more only.
    glyphs.outlineRequests = 0;
    dlg.DrawPreview();
    EXPECT_EQ(glyphs.outlineRequests, 12);
    d.TypeText(IDC_BASE_SCALE, "40");
    dlg.DrawPreview();
    EXPECT_EQ(glyphs.outlineRequests, 12);
    d.ClickButton(IDCANCEL);
  });
  // The catalogue's values were lent to the preview only.
  EXPECT_EQ(g_FontCatalog.scaleX, 100);
  EXPECT_FLOAT_EQ(g_FontCatalog.descent, 0.2f);
}

TEST_F(FontDialogsTest, BaselineOkSetsTheCatalogueAndStoresBelowFiftyNothing) {
  CBaseLineDlg dlg;
  const int result = Run(dlg, [&](CDialog& d) {
    d.TypeText(IDC_BASE_SCALE, "49");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_EQ(g_FontCatalog.scaleX, 100);
    d.TypeText(IDC_BASE_SCALE, "120");
    d.TypeText(IDC_BASE_VALUE, "0.30");
    d.ClickButton(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(g_FontCatalog.scaleX, 120);
  EXPECT_FLOAT_EQ(g_FontCatalog.descent, 0.3f);
  EXPECT_EQ(g_Profile.GetString("SystemParam", "EnBaseLine", ""), "0.30");
  EXPECT_EQ(g_Profile.GetInt("SystemParam", "EnZoom", 0), 120);
  EXPECT_EQ(view.log.back(), "RepaintView(erase)");
  // The next opening shows the stored values.
  CBaseLineDlg again;
  Run(again, [&](CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_BASE_VALUE), "0.30");
    EXPECT_EQ(d.GetDlgItemText(IDC_BASE_SCALE), "120");
  });
}

// --- Code-table input -------------------------------------------------------------------

TEST_F(FontDialogsTest, CodeTableTypesTheChosenCharacterIntoTheView) {
  CQuWeiDlg qw;
  ASSERT_TRUE(qw.Create(IDD_CODE_TABLE, nullptr));
  auto* list = qw.Item<CListBox>(IDC_CODE_LIST);
  ASSERT_EQ(list->GetCount(), 94);
  EXPECT_EQ(list->GetColumnWidth(), 20);
  EXPECT_EQ(list->GetText(0), "\u3000");  // A1A1, the full-width blank
  EXPECT_EQ(qw.GetDlgItemText(IDC_CODE_TEXT), "0101");
  Spin(qw, IDC_CODE_ZONE_SPIN, -1);  // lowering at 161 does nothing
  EXPECT_EQ(qw.GetZone(), 161);
  for (int i = 0; i < 15; ++i) Spin(qw, IDC_CODE_ZONE_SPIN, 1);
  EXPECT_EQ(qw.GetZone(), 176);
  EXPECT_EQ(list->GetText(0), "啊");
  list->UserSelect(3);
  EXPECT_EQ(qw.GetDlgItemText(IDC_CODE_TEXT), "1604");
  list->UserDoubleClick(0);
  EXPECT_EQ(qw.GetDlgItemText(IDC_CODE_TEXT), "1601");
  EXPECT_EQ(view.window, (std::vector<std::string>{"focus", "char 176", "char 161"}));

  for (int i = 0; i < 80; ++i) Spin(qw, IDC_CODE_ZONE_SPIN, 1);
  EXPECT_EQ(qw.GetZone(), 251);  // raising at 251 does nothing
  EXPECT_EQ(qw.GetDlgItemText(IDC_CODE_TEXT), "9101");

  // The page spin moves the first shown item by the columns less one.
  list->MoveWindow(0, 25, 100, 80);  // five columns
  Spin(qw, IDC_CODE_PAGE_SPIN, -1);
  EXPECT_EQ(list->GetTopIndex(), 4);
  Spin(qw, IDC_CODE_PAGE_SPIN, 0);
  Spin(qw, IDC_CODE_PAGE_SPIN, 0);
  EXPECT_EQ(list->GetTopIndex(), 0);
  // A resize gives the list the client below the code line.
  qw.SendMessage(WM_SIZE, 0, MAKELONG(300, 200));
  const RECT r = list->GetRectInParent();
  EXPECT_EQ(r.top, 25);
  EXPECT_EQ(r.width(), 300);
  EXPECT_EQ(r.height(), 175);
}

// --- Font panel -------------------------------------------------------------------------

TEST_F(FontDialogsTest, FontPanelSelectsTheFontOfTheWordsOwnSlot) {
  struct Row {
    std::uint16_t code;
    int expectSource, expectFont;
  };
  // Slot fonts: GB 1, EN 0, BIG5 0 (slot 2).
  const Row rows[] = {{MakeFontSource(0, 136), 4, 0}, {MakeFontSource(0, 134), 0, 1}, {MakeFontSource(0, 0), 3, 0},
                      {MakeFontSource(2, 134), 2, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    CTextAttr& d = DefaultTextAttr();
    d.fontId[0] = 1;
    d.fontId[1] = 0;
    d.fontId[2] = 0;
    d.currentFont = r.code;
    CFontPanelDlg panel;
    ASSERT_TRUE(panel.Create(&parent));
    EXPECT_EQ(Selected(panel, IDC_FONT_SOURCE), r.expectSource);
    EXPECT_EQ(Selected(panel, IDC_PANEL_FONT), r.expectFont);
    EXPECT_EQ(panel.GetDlgItemText(IDC_PANEL_SIZE), "10.00");
    panel.DestroyWindow();
  }
  // A word whose source is not listed leaves the fonts alone.
  DefaultTextAttr().currentFont = MakeFontSource(7, 134);
  CFontPanelDlg panel;
  ASSERT_TRUE(panel.Create(&parent));
  EXPECT_EQ(Selected(panel, IDC_FONT_SOURCE), -1);
  EXPECT_TRUE(Items(panel, IDC_PANEL_FONT).empty());
}

TEST_F(FontDialogsTest, FontPanelAppliesFontAndSize) {
  CFontPanelDlg panel;
  ASSERT_TRUE(panel.Create(&parent));
  auto* sources = panel.Item<CComboBox>(IDC_FONT_SOURCE);
  auto* fonts = panel.Item<CComboBox>(IDC_PANEL_FONT);
  auto* sizes = panel.Item<CComboBox>(IDC_PANEL_SIZE);

  // Choosing sources sets the default languages.
  sources->UserSelect(4);
  EXPECT_EQ(DefaultTextAttr().doubleByteLanguage, 136);
  EXPECT_EQ(Items(panel, IDC_PANEL_FONT), (std::vector<std::string>{"Ming0", "Ming1"}));
  sources->UserSelect(3);
  EXPECT_EQ(DefaultTextAttr().singleByteLanguage, 0);

  // Nothing selected: a font goes to the defaults and the settings file.
  sources->UserSelect(4);
  fonts->UserSelect(1);
  EXPECT_TRUE(view.applied.empty());
  EXPECT_EQ(DefaultTextAttr().fontId[2], 1);
  EXPECT_EQ(DefaultTextAttr().currentFont, MakeFontSource(0, 136));
  EXPECT_EQ(g_IniFile.GetInt("Language2", "DefaultID", -1), 1);

  // A size typed and left, then one chosen from the list.
  sizes->UserType("25");
  sizes->NotifyParent(CBN_KILLFOCUS);
  EXPECT_EQ(DefaultTextAttr().sizeX, 25.0f);
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FontSizeY", ""), "25.0000");
  EXPECT_EQ(Items(panel, IDC_PANEL_SIZE), (std::vector<std::string>{"25.00"}));

  // With a selection the view applies size (1) and font (2) in an undo step.
  view.selected = 1;
  for (int s = 1; s <= 11; ++s) {
    sizes->UserType(std::to_string(s));
    sizes->NotifyParent(CBN_KILLFOCUS);
  }
  ASSERT_EQ(view.applied.size(), 11u);
  EXPECT_EQ(view.applied.back().mask, 1u);
  EXPECT_EQ(view.applied.back().depth, 1);
  EXPECT_EQ(view.applied.back().attr.sizeY, 11.0f);
  std::vector<std::string> list = Items(panel, IDC_PANEL_SIZE);
  ASSERT_EQ(list.size(), 10u);  // at most ten, the newest on top
  EXPECT_EQ(list.front(), "11.00");
  EXPECT_EQ(list.back(), "2.00");
  // Leaving the box without typing applies nothing; Enter after typing does.
  sizes->NotifyParent(CBN_KILLFOCUS);
  EXPECT_EQ(view.applied.size(), 11u);
  sizes->UserType("30");
  panel.SendMessage(WM_COMMAND, IDOK, 0);
  ASSERT_EQ(view.applied.size(), 12u);
  EXPECT_EQ(view.applied.back().attr.sizeX, 30.0f);
  EXPECT_EQ(Items(panel, IDC_PANEL_SIZE).back(), "3.00");  // 2.00 fell off the end
  sizes->UserSelect(9);
  EXPECT_EQ(view.applied.back().attr.sizeX, 3.0f);
  EXPECT_EQ(Items(panel, IDC_PANEL_SIZE).front(), "3.00");
  fonts->UserSelect(0);
  EXPECT_EQ(view.applied.back().mask, 2u);
  EXPECT_EQ(view.applied.back().attr.fontId[2], 0);
  EXPECT_EQ(DefaultTextAttr().sizeX, 25.0f);  // the defaults stay
  // A selection without any text: the size goes to the defaults instead.
  view.applies = false;
  sizes->UserType("14");
  sizes->NotifyParent(CBN_KILLFOCUS);
  EXPECT_EQ(view.applied.back().attr.sizeX, 14.0f);
  EXPECT_EQ(DefaultTextAttr().sizeX, 14.0f);
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FontSizeY", ""), "14.0000");
  view.applies = true;

  // The language choice lists that slot's sources and takes the slot's face.
  view.window.clear();
  panel.SelectComboItem(IDC_FONT_LANGUAGE, 0);
  EXPECT_EQ(Items(panel, IDC_FONT_SOURCE), (std::vector<std::string>{"GBWinFonts", "GBTTFFonts", "GBOwnFonts"}));
  EXPECT_EQ(Selected(panel, IDC_FONT_SOURCE), 0);
  EXPECT_EQ(Items(panel, IDC_PANEL_FONT), (std::vector<std::string>{"SongA", "HeiB"}));
  EXPECT_EQ(Selected(panel, IDC_PANEL_FONT), 1);  // HeiB, the slot's face
  EXPECT_EQ(view.applied.back().mask, 2u);
  EXPECT_EQ(view.applied.back().attr.currentFont, MakeFontSource(0, 134));
  EXPECT_EQ(view.window, (std::vector<std::string>{"focus"}));
  // A source without a chosen font: a size beeps.
  sources->UserSelect(1);
  EXPECT_EQ(Selected(panel, IDC_PANEL_FONT), -1);
  const std::size_t before = view.applied.size();
  sizes->UserType("9");
  sizes->NotifyParent(CBN_KILLFOCUS);
  EXPECT_EQ(sink.beeps.size(), 1u);
  EXPECT_EQ(view.applied.size(), before);
}

// A language slot chosen in the panel comes with a face of that language: the
// slot's stored face, else the first of its installed faces; it becomes the
// default for new text, so the panel shows it again when it is next updated.
TEST_F(FontDialogsTest, FontPanelLanguageChoiceTakesAFaceOfTheSlot) {
  struct Case {
    int slot;
    std::uint8_t type;
    std::uint16_t id;
    int source, face;
    std::uint16_t code;
  };
  const Case cases[] = {
      {2, 0, 1, 0, 1, MakeFontSource(0, 136)},  // stored face Ming1
      {2, 0, 7, 0, 0, MakeFontSource(0, 136)},  // stored face gone: the first
      {0, 1, 0, 1, 0, MakeFontSource(1, 134)},  // stored TrueType file
      {0, 3, 0, 0, 0, MakeFontSource(0, 134)},  // stored source gone: installed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slot * 100 + c.type * 10 + c.id);
    CTextAttr& d = DefaultTextAttr();
    d.currentFont = MakeFontSource(0, 0);
    d.fontType[c.slot] = c.type;
    d.fontId[c.slot] = c.id;
    CFontPanelDlg panel;
    ASSERT_TRUE(panel.Create(&parent));
    view.window.clear();
    panel.SelectComboItem(IDC_FONT_LANGUAGE, c.slot);
    EXPECT_EQ(Selected(panel, IDC_FONT_SOURCE), c.source);
    EXPECT_EQ(Selected(panel, IDC_PANEL_FONT), c.face);
    EXPECT_EQ(d.currentFont, c.code);
    EXPECT_EQ(d.fontId[c.slot], c.face);
    EXPECT_EQ(view.window, (std::vector<std::string>{"focus"}));
    panel.UpdateControls();
    EXPECT_EQ(Selected(panel, IDC_FONT_LANGUAGE), c.slot);
    EXPECT_EQ(Selected(panel, IDC_PANEL_FONT), c.face);
    panel.DestroyWindow();
  }
}

TEST_F(FontDialogsTest, FontPanelPreviewFollowsTheDroppedList) {
  CFontPanelDlg panel;
  ASSERT_TRUE(panel.Create(&parent));
  auto* fonts = panel.Item<CComboBox>(IDC_PANEL_FONT);
  fonts->UserDropDown(TRUE);
  CFontPreviewDlg* preview = panel.GetPreview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->IsWindowVisible());
  RECT list, own, box;
  fonts->GetDroppedControlRect(&list);
  preview->GetWindowRect(&own);
  panel.GetWindowRect(&box);
  EXPECT_EQ(own.left, list.right);
  EXPECT_EQ(own.top, list.top + box.height());
  EXPECT_EQ(own.width(), 240);

  // The highlighted row: white on dark blue, and its font in the popup.
  fonts->SetItemHeight(0, 20);
  plat::HDC dc = fonts->GetDC();
  fonts->DrawItems(dc);
  fonts->ReleaseDC(dc);
  const plat::Surface& s = fonts->GetSurface().surface();
  EXPECT_EQ(s.GetPixel(150, 30), plat::RGB(0, 0, 128));  // row 1, HeiB, the current one
  EXPECT_EQ(s.GetPixel(150, 10), plat::RGB(255, 255, 255));
  EXPECT_EQ(preview->record.fontId[0], 1);
  fonts->UserDropDown(FALSE);
  EXPECT_FALSE(preview->IsWindowVisible());
  dc = fonts->GetDC();
  fonts->DrawItems(dc);
  fonts->ReleaseDC(dc);
  EXPECT_EQ(s.GetPixel(150, 30), plat::RGB(255, 255, 255));  // closed: no highlight
}

// --- Samples ----------------------------------------------------------------------------

TEST_F(FontDialogsTest, SampleTextsByLanguage) {
  auto bytes = [](const std::string& s) {
    std::vector<std::uint16_t> out;
    for (char c : s) out.push_back(std::uint8_t(c));
    return out;
  };
  struct Row {
    std::uint8_t id;
    std::vector<std::uint16_t> codes;
  };
  const Row rows[] = {
      {0, bytes("CutterVorlan!")},
      {129, {0xB8F0, 0xB5A5, 0xBAB8, 0xB5E4}},
      {133, {0xA3AC, 0xA1A2, 0xA1A3, 0xA3BA, 0xA3BB}},
      {134, {0x4172, 0x646F, 0x6D65, 0x6353, 0x6B65, 0x6C62, 0x7269, 0x6EA1}},  // odd length: 0xA1 trail
      {204, bytes("\xF4\xD4\xE8\xC8\xF1\xD1\xE2\xC2\xF3\xD3\xE0\xC0\xEF\xCF")},
      {222, bytes("\xC8\xCB\xC3\xF1\xBD\xE2\xB7\xC5\xD6\xD0\xB9\xFA\xC4\xE0\xD3")},
      {128, {}},
      {77, bytes("AgeOther")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.id));
    EXPECT_EQ(BuildFontSampleText(r.id), r.codes);
  }
  SetKeptFontSample(136, "\xA4\x40\xA4");
  EXPECT_EQ(BuildFontSampleText(136), (std::vector<std::uint16_t>{0xA440, 0xA4A1}));
  SetKeptFontSample(136, "");
}

TEST_F(FontDialogsTest, PreviewPaintsAtMostSixteenCharacters) {
  CFontPreviewDlg preview;
  ASSERT_TRUE(preview.Create(&parent));
  preview.record = DefaultTextAttr();
  preview.record.currentFont = MakeFontSource(0, 136);
  SetKeptFontSample(136, std::string(40, '\xB0'));  // twenty characters
  plat::HDC dc = preview.GetDC();
  preview.Paint(dc);
  preview.ReleaseDC(dc);
  SetKeptFontSample(136, "");
  EXPECT_EQ(glyphs.outlineRequests, 16);
  EXPECT_EQ(glyphs.lastLang, 136);
  // Characters 0.8 of the 60-pixel height, the baseline at 48 + 5.
  EXPECT_FLOAT_EQ(preview.record.sizeY, 48.0f);
  const plat::Surface& s = preview.GetSurface().surface();
  int ink = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) ink += s.GetPixel(x, y) != plat::RGB(255, 255, 255) ? 1 : 0;
  EXPECT_GT(ink, 100);
}

}  // namespace
