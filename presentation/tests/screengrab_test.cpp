// The screen grab under a display platform that shows no screen: the host
// tells why, and the design program's command says what it needs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/mainframe.h"
#include "app/tindrelapp.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "platform/screen.h"
#include "presentation/host.h"

namespace {

void Pump() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    fw::PumpPendingMessages();
    if (pres::Host::Get()) pres::Host::Get()->Flush();
  }
}

TEST(HostScreen, OffscreenPlatformGivesAReasonInsteadOfAPicture) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  auto host = std::make_unique<pres::Host>();
  EXPECT_EQ(plat::GetScreenSource(), host.get());
  plat::Surface shot;
  std::string reason;
  EXPECT_FALSE(plat::GrabScreen(shot, reason));
  EXPECT_NE(reason.find("offscreen"), std::string::npos) << reason;
  EXPECT_EQ(shot.width(), 0);
  host.reset();
  EXPECT_EQ(plat::GetScreenSource(), nullptr);
}

TEST(HostScreen, ScreenGrabCommandSaysItNeedsX11) {
  char tmpl[] = "/tmp/tindrel-grab-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  ::setenv("TINDREL_PROFILE_DIR", (dir + "/profile").c_str(), 1);
  fw::ResetWindowSystem();
  appres::RegisterAppResources();
  {
    pres::Host host;
    plat::RecordingSink sink;
    plat::ScopedReportSink reports(&sink);
    fw::ScriptedModalDriver modal;
    auto app = std::make_unique<CVORLAN98App>();
    ASSERT_TRUE(app->InitInstance());
    Pump();
    auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
    ASSERT_NE(main, nullptr);
    auto* view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
    ASSERT_NE(view, nullptr);
    sink.clear();
    view->SendMessage(fw::WM_COMMAND, 40164, 0);
    Pump();
    EXPECT_TRUE(modal.Runs().empty());
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "Screen Image Vector needs an X11 display.");
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_TRUE(main->IsWindowVisible());
    ASSERT_NE(host.TopOf(main->m_hWnd), nullptr);
    EXPECT_TRUE(host.TopOf(main->m_hWnd)->isVisible());
    if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    Pump();
    app.reset();
  }
  QCoreApplication::processEvents();
  fw::ResetQuit();
  ::unsetenv("TINDREL_PROFILE_DIR");
  std::filesystem::remove_all(dir);
}

}  // namespace
