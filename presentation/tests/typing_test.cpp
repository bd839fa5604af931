// The design program under the presentation. Typing into its text: keys with
// text and input-method commits reach the edited text as characters of the
// typing language. Its property window's panels show their controls whole.
#include <gtest/gtest.h>

// Before Qt, whose "slots" is a macro.
#include "text/tests/text_fixtures.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "app/appids.h"
#include "app/appresources.h"
#include "app/designview.h"
#include "app/mainframe.h"
#include "app/carddupdlg.h"
#include "app/coorddlg.h"
#include "app/cutpatterndlg.h"
#include "app/grayvectordlg.h"
#include "app/pagedlgs.h"
#include "app/palettesetdlg.h"
#include "app/propertyframe.h"
#include "app/shapedlgs.h"
#include "app/tindrelapp.h"
#include "framework/caret.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "cutmanager/kelvoids.h"
#include "model/settings.h"
#include "output/carveorigindlg.h"
#include "output/cutwindow.h"
#include "output/halfcutdlg.h"
#include "output/portsettingdlg.h"
#include "framework/resources.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "presentation/host.h"
#include "presentation/tests/started_program.h"
#include "presentation/widgets.h"
#include "platform/codepage.h"
#include "text/arrange.h"
#include "text/fontcatalog.h"
#include "text/fontdlgs.h"
#include "text/language.h"
#include "text/textattr.h"
#include "text/texteditordlg.h"
#include "text/textobject.h"

namespace {

using prestest::Pump;

class DesignTypingTest : public ::testing::Test, protected prestest::StartedProgram {
 protected:
  void SetUp() override {
    saved = DefaultTextAttr();
    Begin("typing");
    host->SetTypingLanguage([] { return int(DefaultTextAttr().doubleByteLanguage); });
    // Message boxes and dialogs of the start are answered here, not shown.
    ASSERT_NO_FATAL_FAILURE(Start());
    DefaultTextAttr() = TestAttr(10.0f);
  }
  void TearDown() override {
    Stop();
    DefaultTextAttr() = saved;
  }

  // A new text edited at a page point, the view focused.
  CTextObject* StartText() {
    view->SetTool(ID_TOOL_TEXT);
    const plat::POINT d = view->PageToDevice(CFPoint{100, 100});
    view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{d.x, d.y});
    view->OnLButtonUp(0, fw::POINT{d.x, d.y});
    view->SetFocus();
    Pump();
    return dynamic_cast<CTextObject*>(view->GetEditObject());
  }
  void Key(const char* utf8) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(utf8));
    QCoreApplication::sendEvent(host->WidgetOf(view->m_hWnd), &key);
    Pump();
  }
  void Commit(const char* utf8) {
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8(utf8));
    QCoreApplication::sendEvent(host->WidgetOf(view->m_hWnd), &commit);
    Pump();
  }
  static std::vector<std::pair<int, int>> Chars(const CTextObject* t) {
    std::vector<std::pair<int, int>> out;
    for (int k = 0; k < t->chars.GetSize(); ++k)
      if (const CBoxChar* c = t->chars.CharAt(k)) out.emplace_back(c->LanguageId(), c->code);
    return out;
  }

  StubGlyphSource glyphs;
  CTextAttr saved;
};

TEST_F(DesignTypingTest, TypedChineseComesOutAsCharactersOfTheTypingLanguage) {
  view->SendMessage(fw::WM_COMMAND, 32863, 0);  // "CHN GB (G)"
  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  ASSERT_EQ(host->WidgetOf(view->m_hWnd) != nullptr, true);

  Key("标");
  Commit("牌");
  Key("A");
  Commit("B");
  using Items = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Chars(text), (Items{{134, 0xB1EA}, {134, 0xC5C6}, {0, 'A'}, {0, 'B'}}));

  // "CHN BIG (B)": typed text in BIG5; a character BIG5 lacks beeps and is dropped whole.
  view->SendMessage(fw::WM_COMMAND, 32864, 0);
  const std::size_t beeps = sink.beeps.size();
  Commit("牌");
  Key("牌");
  Key("标");
  EXPECT_EQ(Chars(text), (Items{{134, 0xB1EA}, {134, 0xC5C6}, {0, 'A'}, {0, 'B'}, {136, 0xB550}, {136, 0xB550}}));
  EXPECT_EQ(sink.beeps.size(), beeps + 1);
}

// Composing through an input method: the pre-edit shows at the caret over the design
// (the view's pixels stay the program's), the commit goes into the text, and the
// input method's cursor rectangle follows the caret.
class DesignCompositionTest : public DesignTypingTest {
 protected:
  fw::ManualClock clock;
  fw::ScopedClock useClock{&clock};

  // The layout timer runs out: the text is laid out and its caret placed.
  void Settle() {
    for (int i = 0; i < 8; ++i) {
      clock.Advance(fw::UINT(kTextLayoutTimerMs) + 10);
      Pump();
    }
  }
  pres::WindowWidget* Widget() { return host->WidgetOf(view->m_hWnd); }
  QRect CursorRect() { return Widget()->inputMethodQuery(Qt::ImCursorRectangle).toRect(); }
  void Compose(const char* preedit, int cursor, const char* commit = "") {
    QList<QInputMethodEvent::Attribute> attrs;
    if (cursor >= 0) attrs.append({QInputMethodEvent::Cursor, cursor, 1});
    QInputMethodEvent e(QString::fromUtf8(preedit), attrs);
    e.setCommitString(QString::fromUtf8(commit));
    QCoreApplication::sendEvent(Widget(), &e);
    Pump();
  }
  // What the widget shows over the window's own pixels.
  QImage Shown() {
    const QImage& own = Widget()->image();
    QImage shown(own.size(), QImage::Format_RGB32);
    shown.fill(Qt::black);
    Widget()->render(&shown, QPoint(), QRegion(own.rect()), QWidget::RenderFlags());  // without the child windows
    return shown;
  }
  // Pixels of the view's own picture inside r for which f(own, shown) holds.
  template <class F>
  int CountPixels(const QRect& r, const QImage& shown, F f) {
    const QImage& own = Widget()->image();
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(own.height() - 1, r.bottom()); ++y)
      for (int x = std::max(0, r.left()); x <= std::min(own.width() - 1, r.right()); ++x)
        n += f(own.pixel(x, y), shown.pixel(x, y));
    return n;
  }
  // Not the page's white in the view's own picture: the XOR caret line.
  int InkOfView(const QRect& r) {
    return CountPixels(r, Widget()->image(), [](QRgb own, QRgb) { return (own & 0xFFFFFF) != 0xFFFFFF; });
  }
  // What the widget shows over the view's own picture.
  int DifferentPixels(const QImage& shown, const QRect& r) {
    return CountPixels(r, shown, [](QRgb own, QRgb seen) { return own != seen; });
  }
  // The caret as the framework has it, in the view's pixels.
  QRect FrameworkCaret() {
    fw::RECT r{};
    if (!fw::GetWindowCaret(view->m_hWnd, &r)) return QRect();
    return QRect(r.left, r.top, r.width(), r.height());
  }
};

TEST_F(DesignCompositionTest, PreeditShowsAtTheCaretAndTheCommitGoesIntoTheText) {
  view->SendMessage(fw::WM_COMMAND, 32863, 0);  // "CHN GB (G)"
  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  Settle();
  const QRect caret = CursorRect();
  ASSERT_EQ(caret, FrameworkCaret());
  EXPECT_GT(InkOfView(caret), 0) << "the caret line is drawn inside the rectangle";
  EXPECT_EQ(Widget()->inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), caret.height());
  EXPECT_TRUE(Widget()->inputMethodQuery(Qt::ImEnabled).toBool());

  // "ni hao" with the cursor after "ni": drawn at the caret, beside it on its line,
  // nothing stored, the view's own pixels untouched.
  const QImage before = Widget()->image().copy();
  Compose("ni hao", 2);
  const QRect atNi = CursorRect();
  EXPECT_GT(atNi.left(), caret.left());
  EXPECT_LT(std::abs(atNi.center().y() - caret.center().y()), caret.height());
  Compose("ni hao", 6);
  const QRect atEnd = CursorRect();
  EXPECT_GT(atEnd.left(), atNi.left()) << "the cursor is where the input method puts it";
  EXPECT_EQ(atEnd.top(), atNi.top());
  QImage shown = Shown();
  const QRect composed(caret.left(), caret.top(), atEnd.right() - caret.left() + 1, caret.height());
  EXPECT_GT(DifferentPixels(shown, composed), 20) << "the composition is drawn at the caret";
  EXPECT_EQ(DifferentPixels(shown, QRect(0, 0, caret.left() - 2, Widget()->height())), 0);
  EXPECT_EQ(Widget()->image(), before);
  EXPECT_TRUE(Chars(text).empty());

  // The commit: the characters in the text, the composition gone.
  Compose("", -1, "你好");
  using Items = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Chars(text), (Items{{134, 0xC4E3}, {134, 0xBAC3}}));
  Settle();
  EXPECT_EQ(Shown(), Widget()->image());
  const QRect after = CursorRect();
  EXPECT_EQ(after, FrameworkCaret());
  EXPECT_GT(after.left(), caret.left() + caret.height()) << "the caret moved behind the two characters";
  EXPECT_GT(InkOfView(after), 0);
}

TEST_F(DesignCompositionTest, EmptyCommitCancelsTheComposition) {
  view->SendMessage(fw::WM_COMMAND, 32863, 0);
  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  Settle();
  const QRect caret = CursorRect();
  Compose("ni", 1);
  EXPECT_NE(Shown(), Widget()->image());
  Compose("", -1);
  EXPECT_EQ(Shown(), Widget()->image());
  EXPECT_EQ(CursorRect(), caret);
  Settle();
  EXPECT_TRUE(Chars(text).empty());
}

TEST_F(DesignCompositionTest, CursorRectangleFollowsTheCaret) {
  view->SendMessage(fw::WM_COMMAND, 32863, 0);
  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  Compose("", -1, "你好你好");
  Settle();
  QRect last = CursorRect();
  struct Step {
    const char* what;
    std::function<void()> act;
    std::function<bool(const QRect& was, const QRect& now)> moved;
  };
  const std::vector<Step> steps{
      {"typing", [&] { Compose("", -1, "好"); Settle(); },
       [](const QRect& was, const QRect& now) { return now.left() > was.left(); }},
      {"arrow left",
       [&] {
         QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
         QCoreApplication::sendEvent(Widget(), &left);
         QKeyEvent up(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
         QCoreApplication::sendEvent(Widget(), &up);
         Pump();
       },
       [](const QRect& was, const QRect& now) { return now.left() < was.left(); }},
      {"scroll down",
       [&] {
         view->SendMessage(fw::WM_VSCROLL, fw::SB_LINEDOWN, 0);
         Pump();
       },
       [](const QRect& was, const QRect& now) { return now.top() < was.top(); }},
      {"zoom in at the caret",
       [&] {
         fw::POINT at{last.center().x(), last.center().y()};
         view->ClientToScreen(&at);
         fw::Mouse::MoveTo(at);
         view->SendMessage(fw::WM_COMMAND, 49008, 0);  // "Zoom In at Pointer"
         Pump();
       },
       [](const QRect& was, const QRect& now) { return now.height() > was.height(); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    clock.Advance(1000);
    step.act();
    const QRect now = CursorRect();
    EXPECT_TRUE(step.moved(last, now)) << last.x() << "," << last.y() << " " << last.height() << " -> " << now.x()
                                       << "," << now.y() << " " << now.height();
    EXPECT_EQ(now, FrameworkCaret());
    EXPECT_GT(InkOfView(now), 0) << "the caret line is drawn inside the rectangle";
    last = now;
  }
  EXPECT_EQ(Chars(text).size(), 5u);
}

// The text editor window is a native edit box: it shows the composition itself and
// the commit lands in its text.
TEST_F(DesignCompositionTest, TextEditorWindowTakesTheCommit) {
  auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
  main->OpenTextEditor();
  Pump();
  CTextEditorDlg& editor = main->GetTextEditor();
  ASSERT_TRUE(editor.Exists());
  fw::CEdit* edit = editor.GetEdit();
  ASSERT_NE(edit, nullptr);
  auto* box = host->WidgetOf(edit->m_hWnd)->findChild<QPlainTextEdit*>();
  ASSERT_NE(box, nullptr);
  QInputMethodEvent preedit(QStringLiteral("ni hao"), {{QInputMethodEvent::Cursor, 2, 1}});
  QCoreApplication::sendEvent(box, &preedit);
  Pump();
  EXPECT_EQ(editor.GetText(), "");
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("你好"));
  QCoreApplication::sendEvent(box, &commit);
  Pump();
  EXPECT_EQ(editor.GetText(), "你好");
}

// A language slot chosen in the text bar sticks: the bar takes a face of the
// slot, the keyboard goes back to the design, and the text typed next is of
// the slot's language in that face.
TEST_F(DesignTypingTest, LanguageChosenInTheBarSticksForTypedText) {
  ScopedGlyphSource programFonts(nullptr);  // the slots as the program files them
  auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
  CTextAttr& defaults = DefaultTextAttr();
  defaults.currentFont = MakeFontSource(0, 0);
  defaults.doubleByteLanguage = 136;
  main->GetModeBar().SetMode(ID_TOOL_TEXT);
  CFontPanelDlg* panel = main->GetModeBar().GetFontPanel();
  ASSERT_NE(panel, nullptr);
  panel->UpdateControls();
  Pump();
  auto combo = [&](fw::UINT id) { return host->WidgetOf(panel->GetDlgItem(id)->m_hWnd)->findChild<QComboBox*>(); };
  QComboBox* languages = combo(IDC_FONT_LANGUAGE);
  QComboBox* fonts = combo(IDC_PANEL_FONT);
  ASSERT_TRUE(languages && fonts);
  const int gb = g_Language.FindId(134);
  ASSERT_GE(gb, 0);
  languages->setFocus();
  languages->setCurrentIndex(gb);
  emit languages->activated(gb);
  Pump();
  EXPECT_EQ(fw::CWnd::GetFocus(), view);
  EXPECT_EQ(fonts->currentIndex(), 0);  // the stored face is not installed: the first
  // The face box reads the face's own name whole, not a stray mark.
  const QImage shown = fonts->grab().toImage();
  int left = shown.width(), right = -1;
  for (int y = 4; y < shown.height() - 4; ++y)
    for (int x = 4; x < shown.width() - 30; ++x)
      if (qGray(shown.pixel(x, y)) < 80) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_GE(right - left, 60) << "the seven characters of the name";
  const std::string song = plat::Utf8ToGbk("文鼎ＰＬ简报宋");
  const int face = g_FontCatalog.FindEntry(gb, 0, song);
  ASSERT_EQ(face, 0);

  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  Commit("欢迎");
  Key("光");
  Key("临");
  const std::vector<std::uint16_t> codes = TextToCharCodes(plat::Utf8ToGbk("欢迎光临").c_str());
  ASSERT_EQ(text->chars.GetSize(), int(codes.size()));
  for (int k = 0; k < text->chars.GetSize(); ++k) {
    const CBoxChar* c = text->chars.CharAt(k);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->code, codes[std::size_t(k)]);
    EXPECT_EQ(c->FontSource(), MakeFontSource(0, 134));
    EXPECT_EQ(c->fontId, face);
  }
  // The bar still shows the slot and its face.
  EXPECT_EQ(languages->currentIndex(), gb);
  EXPECT_EQ(fonts->currentIndex(), face);
}

// The code table window stays above the frame that owns it, shows its zone in
// 20-pixel columns, and after a pick gives the keyboard back to the design with
// its menus.
TEST_F(DesignTypingTest, CodeTableStaysAboveTheFrameAndGivesTheKeysBack) {
  auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
  CTextObject* text = StartText();
  ASSERT_NE(text, nullptr);
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_QUWEI, 0);
  Pump();
  CQuWeiDlg& table = main->GetQuWei();
  ASSERT_TRUE(table.IsWindowVisible());
  EXPECT_EQ(table.GetOwner(), main);
  QWidget* tableTop = host->TopOf(table.m_hWnd);
  ASSERT_NE(tableTop, nullptr);
  EXPECT_EQ(tableTop->parentWidget(), host->TopOf(main->m_hWnd));

  auto* list = host->WidgetOf(table.GetDlgItem(IDC_CODE_LIST)->m_hWnd)->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 94);
  EXPECT_EQ(list->gridSize().width(), 20);
  std::set<int> columns;
  for (int i = 0; i < list->count(); ++i) columns.insert(list->visualItemRect(list->item(i)).x());
  const int rows = (94 + int(columns.size()) - 1) / int(columns.size());
  EXPECT_GE(int(columns.size()), 10) << rows << " rows";
  EXPECT_LE(rows * (list->gridSize().height()), list->viewport()->height() + list->gridSize().height());

  // A double click in the table types the character into the text.
  tableTop->activateWindow();
  list->setFocus();
  Pump();
  const int before = text->chars.GetSize();
  list->setCurrentRow(15);
  emit list->itemPressed(list->item(15));
  emit list->itemDoubleClicked(list->item(15));
  Pump();
  ASSERT_EQ(text->chars.GetSize(), before + 1);
  EXPECT_EQ(text->chars.CharAt(before)->code, (0xA1 << 8) | (0xA1 + 15));
  EXPECT_EQ(fw::CWnd::GetFocus(), view);
  EXPECT_EQ(fw::CWnd::GetActiveWindow(), main);
  EXPECT_EQ(QApplication::activeWindow(), host->TopOf(main->m_hWnd));
  // Alt+S opens the System menu; it types nothing.
  QWidget* keys = QApplication::focusWidget();
  ASSERT_NE(keys, nullptr);
  QTest::keyClick(keys, Qt::Key_S, Qt::AltModifier);
  Pump();
  EXPECT_EQ(text->chars.GetSize(), before + 1);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_NE(menu, nullptr);
  menu->close();
  Pump();
}

// The text a button or static shows, its mnemonic marks taken out.
QString Shown(QString text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// The statics, check boxes, radio buttons and push buttons of a dialog that are
// narrower than their text, measured with each widget's own font.
std::vector<std::string> CutLabels(pres::Host& host, fw::CWnd& dlg) {
  std::vector<std::string> cut;
  for (fw::CWnd* item : dlg.Children()) {
    pres::WindowWidget* ww = host.WidgetOf(item->m_hWnd);
    // Hidden or placed out of sight on purpose: nothing to read.
    if (!ww || !item->IsWindowVisible() || item->GetRectInParent().width() == 0) continue;
    QWidget* shown = nullptr;
    QString text;
    int needs = 0;
    if (auto* label = ww->findChild<QLabel*>()) {
      text = label->text();
      const QFontMetrics fm = label->fontMetrics();
      const QRect room = label->contentsRect();
      for (const QString& word : text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        needs = std::max(needs, fm.horizontalAdvance(word));
      // Wrapped onto more lines than the static has room for.
      const int lines = fm.boundingRect(QRect(0, 0, std::max(1, room.width()), 100000), Qt::TextWordWrap, text).height();
      if (needs <= room.width() && lines > room.height() + fm.height() / 2) needs = room.width() + 1;
      shown = label;
      needs -= room.width() - label->width();
    } else if (auto* button = ww->findChild<QAbstractButton*>()) {
      text = Shown(button->text());
      const QFontMetrics fm = button->fontMetrics();
      for (const QString& line : text.split('\n')) needs = std::max(needs, fm.horizontalAdvance(line));
      if (!button->icon().isNull()) needs += button->iconSize().width() + 4;
      QStyle* st = button->style();
      if (qobject_cast<QCheckBox*>(button))
        needs += st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
                 st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
      else if (qobject_cast<QRadioButton*>(button))
        needs += st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
                 st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
      else
        needs += 6;  // the button's frame
      shown = button;
    }
    if (!shown || text.trimmed().isEmpty() || needs <= shown->width()) continue;
    cut.push_back(std::to_string(item->GetDlgCtrlID()) + " \"" + text.toStdString() + "\" needs " +
                  std::to_string(needs) + " has " + std::to_string(shown->width()));
  }
  return cut;
}

// Opens every dialog template offscreen and lists where a label is cut.
void SweepDialogs(pres::Host& host, fw::CWnd* owner) {
  int opened = 0;
  for (fw::UINT id = 1; id < 0x10000; ++id) {
    const fw::DialogTemplate* t = fw::res::FindDialog(id);
    if (!t || t->items.empty()) continue;
    SCOPED_TRACE("dialog " + std::to_string(id) + " \"" + t->caption + "\"");
    fw::CDialog dlg(id);
    ASSERT_TRUE(dlg.Create(id, owner));
    dlg.ShowWindow(fw::SW_SHOW);
    Pump();
    EXPECT_EQ(CutLabels(host, dlg), std::vector<std::string>{});
    dlg.DestroyWindow();
    Pump();
    ++opened;
  }
  EXPECT_GT(opened, 0);
}

// Every dialog of the design program shows its labels whole.
TEST_F(DesignTypingTest, NoDialogCutsALabel) {
  // The templates registered when their dialog first opens, too.
  RegisterShapeDialogs();
  RegisterPageDialogs();
  RegisterCardDupDialog();
  RegisterCoordinateDialog();
  RegisterPaletteSetDialog();
  RegisterGrayVectorDialog();
  RegisterCutPatternResources();
  RegisterCutWindowResources();
  CHalfCutDlg halfCut(nullptr, g_IniFile);
  CCarveOriginDlg carveOrigin(nullptr, "", "");
  CPortSettingDlg port(nullptr);
  SweepDialogs(*host, app->m_pMainWnd);
}

// And every dialog of the cut-job manager.
TEST(KelvoDialogs, NoDialogCutsALabel) {
  fw::ResetWindowSystem();
  fw::res::Clear();
  kelvo::RegisterKelvoResources();
  {
    pres::Host host;
    fw::CWnd owner;
    owner.CreateEx(0, "", "", fw::WS_VISIBLE, fw::RECT{0, 0, 800, 600}, nullptr, 0);
    SweepDialogs(host, &owner);
    owner.DestroyWindow();
    Pump();
  }
  fw::ResetWindowSystem();
  fw::res::Clear();
}

// Disabled captions, boxes and edits read at 3:1 or more against the dialog face.
TEST_F(DesignTypingTest, DisabledTextIsLegible) {
  constexpr fw::UINT kDialog = 9001;
  constexpr fw::DWORD kItem = fw::WS_CHILD | fw::WS_VISIBLE | fw::WS_DISABLED;
  fw::res::SetDialog(kDialog, fw::DialogTemplate{"Disabled", fw::WS_POPUP | fw::WS_CAPTION, {0, 0, 300, 120},
                                                 {fw::DlgItemDef(1, fw::CtrlKind::Static, "Paper Width", kItem, {10, 10, 150, 30}),
                                                  fw::DlgItemDef(2, fw::CtrlKind::Edit, "210.00", kItem, {160, 10, 280, 34}),
                                                  fw::DlgItemDef(3, fw::CtrlKind::Button, "Kelvo", kItem | fw::BS_AUTOCHECKBOX,
                                                                 {10, 50, 150, 70}),
                                                  fw::DlgItemDef(4, fw::CtrlKind::Button, "Print", kItem, {160, 50, 280, 80})}});
  fw::CDialog dlg(kDialog);
  ASSERT_TRUE(dlg.Create(kDialog, app->m_pMainWnd));
  dlg.ShowWindow(fw::SW_SHOW);
  Pump();
  const QColor face = host->WidgetOf(dlg.m_hWnd)->palette().color(QPalette::Window);
  for (fw::UINT id : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(id);
    QWidget* w = host->WidgetOf(dlg.GetDlgItem(id)->m_hWnd);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->findChild<QWidget*>()->isEnabled());
    const QImage img = w->grab().toImage();
    QColor darkest = Qt::white;
    // The text, not the frames or the check box's square.
    for (int y = 3; y < img.height() - 3; ++y)
      for (int x = id == 3 ? 24 : 4; x < img.width() - 4; ++x)
        if (qGray(img.pixel(x, y)) < qGray(darkest.rgb())) darkest = QColor(img.pixel(x, y));
    EXPECT_GE(pres::ContrastRatio(darkest, face), 3.0) << darkest.name().toStdString();
  }
  dlg.DestroyWindow();
}

// A dialog gets no minimise button (its style asks for none); one minimised
// anyway comes back when its owner is restored.
TEST_F(DesignTypingTest, DialogsHaveNoMinimiseButtonAndComeBackWithTheirOwner) {
  constexpr fw::UINT kDialog = 9002;
  fw::res::SetDialog(kDialog, fw::DialogTemplate{"Plain", fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                                                 {0, 0, 200, 100}, {}});
  fw::CDialog dlg(kDialog);
  ASSERT_TRUE(dlg.Create(kDialog, app->m_pMainWnd));
  dlg.ShowWindow(fw::SW_SHOW);
  Pump();
  QWidget* top = host->TopOf(dlg.m_hWnd);
  QWidget* owner = host->TopOf(app->m_pMainWnd->m_hWnd);
  ASSERT_TRUE(top && owner);
  EXPECT_FALSE(top->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(owner->windowFlags() & Qt::WindowMinimizeButtonHint);
  top->showMinimized();
  owner->showMinimized();
  Pump();
  owner->showNormal();
  Pump();
  EXPECT_FALSE(top->isMinimized());
  dlg.DestroyWindow();
}

// The program's own message boxes (the save question among them) have the
// close box but no minimise or maximise button, owned by the main window or not.
TEST_F(DesignTypingTest, MessageBoxesHaveNoMinimiseOrMaximiseButton) {
  QWidget* owner = host->TopOf(app->m_pMainWnd->m_hWnd);
  ASSERT_NE(owner, nullptr);
  for (bool shown : {true, false}) {
    SCOPED_TRACE(shown);
    owner->setVisible(shown);
    Pump();
    int seen = 0;
    QTimer poke;
    poke.setInterval(10);
    QObject::connect(&poke, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      ++seen;
      const Qt::WindowFlags flags = box->windowFlags();
      EXPECT_TRUE(flags & Qt::CustomizeWindowHint);  // else the window manager adds every button
      EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
      EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
      EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
      EXPECT_EQ(box->parentWidget(), shown ? owner : nullptr);
      box->button(QMessageBox::Cancel)->click();
    });
    poke.start();
    EXPECT_EQ(host->MessageBox("Save changes to Sign1?", "Tindrel", plat::MB_YESNOCANCEL | plat::MB_ICONQUESTION),
              plat::IDCANCEL);
    poke.stop();
    EXPECT_EQ(seen, 1);
  }
  owner->setVisible(true);
  Pump();
}

class DesignPanelTest : public DesignTypingTest {};

// The text arrangement panels' seven picture buttons show their picture and
// their text, neither cut by the button's rectangle.
TEST_F(DesignPanelTest, ArrangementPanelButtonsShowPictureAndTextWhole) {
  auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_PROPERTY, 0);
  Pump();
  CPropertyFrame* frame = ThePropertyFrame();
  ASSERT_NE(frame, nullptr);
  for (std::uint32_t page : {IDD_ARRANGE_ARC, IDD_ARRANGE_ARCH, IDD_ARRANGE_PATH}) {
    SCOPED_TRACE(page);
    ASSERT_NE(frame->CreatePage(page), nullptr);
    Pump();
    for (std::uint32_t id : {IDC_ARR_PLACE_ON, IDC_ARR_PLACE_HANG, IDC_ARR_PLACE_CENTRED, IDC_ARR_PLACE_MIDDLE,
                             IDC_ARR_REVERSE, IDC_ARR_UPSIDE_DOWN, IDC_ARR_FIT}) {
      SCOPED_TRACE(id);
      fw::CWnd* item = frame->GetPage()->GetDlgItem(id);
      ASSERT_NE(item, nullptr);
      auto* button = host->WidgetOf(item->m_hWnd)->findChild<QAbstractButton*>();
      ASSERT_NE(button, nullptr);
      EXPECT_FALSE(button->icon().isNull());
      EXPECT_EQ(button->iconSize(), QSize(24, 16));
      const QSize wants = button->sizeHint();
      EXPECT_GE(button->width(), wants.width()) << button->text().toStdString();
      EXPECT_GE(button->height(), wants.height()) << button->text().toStdString();
    }
  }
}

}  // namespace
