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
#include <cstdlib>
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
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "presentation/host.h"
#include "presentation/widgets.h"
#include "text/arrange.h"
#include "text/textattr.h"
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
