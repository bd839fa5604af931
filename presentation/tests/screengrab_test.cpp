// The screen snapshot: under a display platform that shows no screen the host
// tells why, and the design program's command says what it needs; on an X11
// display (a private one, see CMakeLists.txt) it is what the screen shows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QScreen>
#include <QWidget>
#include <memory>
#include <string>

#include "app/designview.h"
#include "app/mainframe.h"
#include "app/screengrabdlg.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "platform/screen.h"
#include "presentation/host.h"
#include "presentation/tests/started_program.h"
#include "presentation/widgets.h"

namespace {

using prestest::Pump;

bool OnX11() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

TEST(HostScreen, OffscreenPlatformGivesAReasonInsteadOfAPicture) {
  if (OnX11()) GTEST_SKIP() << "runs under the offscreen platform";
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
  if (OnX11()) GTEST_SKIP() << "runs under the offscreen platform";
  prestest::StartedProgram p;
  p.Begin("grab");
  ASSERT_NO_FATAL_FAILURE(p.Start());
  p.sink.clear();
  p.view->SendMessage(fw::WM_COMMAND, 40164, 0);
  Pump();
  EXPECT_TRUE(p.modal->Runs().empty());
  ASSERT_EQ(p.sink.boxes.size(), 1u);
  EXPECT_EQ(p.sink.boxes[0].text, "Screen Image Vector needs an X11 display.");
  EXPECT_EQ(p.sink.boxes[0].caption, "错误");
  EXPECT_TRUE(p.main->IsWindowVisible());
  ASSERT_NE(p.host->TopOf(p.main->m_hWnd), nullptr);
  EXPECT_TRUE(p.host->TopOf(p.main->m_hWnd)->isVisible());
  p.Stop();
}

// A top-level window of one colour.
class ColourWindow : public fw::CWnd {
 public:
  explicit ColourWindow(fw::COLORREF c) : colour_(c) {}
  void OnPaint() override {
    fw::PAINTSTRUCT ps;
    BeginPaint(&ps);
    fw::RECT r{};
    GetClientRect(&r);
    ps.hdc->FillSolidRect(r, colour_);
    EndPaint(&ps);
  }

 private:
  fw::COLORREF colour_;
};

TEST(X11Screen, SnapshotShowsTheScreenWithoutTheWindowsJustHidden) {
  if (!OnX11()) GTEST_SKIP() << "needs an X11 display (the presentation_x11 test)";
  fw::ResetWindowSystem();
  pres::Host host;
  fw::RegisterWndClass("GrabTestWindow");
  ColourWindow red(plat::RGB(255, 0, 0)), green(plat::RGB(0, 255, 0));
  ASSERT_TRUE(red.CreateEx(0, "GrabTestWindow", "red", fw::WS_POPUP | fw::WS_VISIBLE, fw::RECT{40, 40, 140, 120},
                           nullptr, 0));
  ASSERT_TRUE(green.CreateEx(0, "GrabTestWindow", "green", fw::WS_POPUP | fw::WS_VISIBLE,
                             fw::RECT{200, 40, 300, 120}, nullptr, 0));
  Pump();
  for (fw::CWnd* w : {static_cast<fw::CWnd*>(&red), static_cast<fw::CWnd*>(&green)}) {
    ASSERT_NE(host.TopOf(w->m_hWnd), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.TopOf(w->m_hWnd)));
  }
  Pump();
  // Hidden just before the picture, as the screen grab does with the main window.
  green.ShowWindow(fw::SW_HIDE);
  plat::Surface shot;
  std::string reason;
  ASSERT_TRUE(plat::GrabScreen(shot, reason)) << reason;
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(shot.width(), screen->geometry().width());
  EXPECT_EQ(shot.height(), screen->geometry().height());
  EXPECT_EQ(shot.row(80)[90], 0xFF0000u);
  EXPECT_NE(shot.row(80)[250], 0x00FF00u);
  red.DestroyWindow();
  green.DestroyWindow();
  fw::ResetWindowSystem();
  Pump();
}

// 40164 as a user meets it: the grab window shows the screen without the main
// window, the drag draws its band there, and letting go ends the grab.
TEST(X11Screen, ScreenGrabCommandShowsTheScreenAndTakesTheDrag) {
  if (!OnX11()) GTEST_SKIP() << "needs an X11 display (the presentation_x11 test)";
  // The grab window runs its own modal loop.
  prestest::StartedProgram p;
  p.Begin("grab");
  ASSERT_NO_FATAL_FAILURE(p.Start(false));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(p.host->TopOf(p.main->m_hWnd)));
  Pump();

  bool mainShown = true, sawGrab = false;
  QPoint placed;
  QSize size;
  std::uint32_t outline = 0, inside = 0, before = 0;
  fw::HWND grab = 0;
  int stage = 0;
  // Each step on its own tick: the program paints and takes the mouse between them.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!grab)
      for (fw::CWnd* w : fw::CWnd::AllWindows())
        if (dynamic_cast<CScreenGrabDlg*>(w)) grab = w->m_hWnd;
    QWidget* top = grab ? p.host->TopOf(grab) : nullptr;
    pres::WindowWidget* client = grab ? p.host->WidgetOf(grab) : nullptr;
    if (!top || !client || !top->isVisible()) return;
    const QImage& shown = client->image();
    if (stage == 0) {
      if (shown.width() <= 40 || shown.height() <= 30) return;
      sawGrab = true;
      mainShown = p.host->TopOf(p.main->m_hWnd)->isVisible();
      placed = top->pos();
      size = top->size();
      before = shown.pixel(40, 30) & 0xFFFFFFu;
      QTest::mousePress(client, Qt::LeftButton, {}, QPoint(20, 20));
      QTest::mouseMove(client, QPoint(40, 30));
      stage = 1;
    } else if (stage < 5) {
      ++stage;  // a few ticks for the band to be drawn and shown
    } else if (stage == 5) {
      outline = shown.pixel(40, 30) & 0xFFFFFFu;
      inside = shown.pixel(30, 25) & 0xFFFFFFu;
      QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(40, 30));
      stage = 6;
    }
  });
  poll.start(20);
  // Whatever happens, the grab ends.
  QTimer::singleShot(20000, [&] {
    if (fw::CWnd* w = fw::CWnd::FromHandle(grab)) static_cast<fw::CDialog*>(w)->EndDialog(fw::IDCANCEL);
  });
  p.view->SendMessage(fw::WM_COMMAND, 40164, 0);
  poll.stop();
  Pump();
  EXPECT_TRUE(sawGrab);
  EXPECT_FALSE(mainShown);
  EXPECT_EQ(placed, QPoint(1, 1));
  EXPECT_EQ(size, QGuiApplication::primaryScreen()->geometry().size());
  EXPECT_EQ(outline, ~before & 0xFFFFFFu);
  EXPECT_NE(inside, ~before & 0xFFFFFFu);
  EXPECT_FALSE(fw::CWnd::Alive(grab));
  EXPECT_TRUE(p.host->TopOf(p.main->m_hWnd)->isVisible());
  EXPECT_TRUE(p.sink.boxes.empty());
  p.Stop();
}

}  // namespace
