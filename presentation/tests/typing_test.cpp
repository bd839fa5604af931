// The design program under the presentation. Typing into its text: keys with
// text and input-method commits reach the edited text as characters of the
// typing language. Its property window's panels show their controls whole.
#include <gtest/gtest.h>

// Before Qt, whose "slots" is a macro.
#include "text/tests/text_fixtures.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/appids.h"
#include "app/appresources.h"
#include "app/designview.h"
#include "app/mainframe.h"
#include "app/propertyframe.h"
#include "app/tindrelapp.h"
#include "framework/caret.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "presentation/host.h"
#include "presentation/widgets.h"
#include "text/arrange.h"
#include "text/textattr.h"
#include "text/texteditordlg.h"
#include "text/textobject.h"

namespace {

void Pump() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    fw::PumpPendingMessages();
    if (pres::Host::Get()) pres::Host::Get()->Flush();
  }
}

class DesignTypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tindrel-typing-XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("TINDREL_PROFILE_DIR", (dir + "/profile").c_str(), 1);
    fw::ResetWindowSystem();
    appres::RegisterAppResources();
    saved = DefaultTextAttr();
    host = std::make_unique<pres::Host>();
    host->SetTypingLanguage([] { return int(DefaultTextAttr().doubleByteLanguage); });
    // Message boxes and dialogs of the start are answered here, not shown.
    reports = std::make_unique<plat::ScopedReportSink>(&sink);
    modal = std::make_unique<fw::ScriptedModalDriver>();
    app = std::make_unique<CVORLAN98App>();
    ASSERT_TRUE(app->InitInstance());
    Pump();
    auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
    ASSERT_NE(main, nullptr);
    view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
    ASSERT_NE(view, nullptr);
    DefaultTextAttr() = TestAttr(10.0f);
  }
  void TearDown() override {
    if (app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    Pump();
    app.reset();
    modal.reset();
    reports.reset();
    host.reset();
    QCoreApplication::processEvents();
    fw::ResetQuit();
    DefaultTextAttr() = saved;
    ::unsetenv("TINDREL_PROFILE_DIR");
    std::filesystem::remove_all(dir);
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

  std::string dir;
  StubGlyphSource glyphs;
  CTextAttr saved;
  std::unique_ptr<pres::Host> host;
  plat::RecordingSink sink;
  std::unique_ptr<plat::ScopedReportSink> reports;
  std::unique_ptr<fw::ScriptedModalDriver> modal;
  std::unique_ptr<CVORLAN98App> app;
  CVORLAN98View* view = nullptr;
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
