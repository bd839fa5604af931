// The screen snapshot: only an X11 display lets a program read the screen.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdint>

#include "presentation/host.h"

namespace pres {

namespace {

// How long a hidden window may take to leave the screen (a window manager's
// fade included).
constexpr int kSettleMs = 150;

}  // namespace

bool Host::Grab(plat::Surface& out, std::string& reason) {
  const QString platform = QGuiApplication::platformName();
  if (platform != QStringLiteral("xcb")) {
    reason = "the display platform \"" + platform.toStdString() + "\" gives no picture of the screen";
    return false;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) {
    reason = "there is no screen";
    return false;
  }
  // Windows the program hid for the picture leave the screen first.
  Flush();
  QGuiApplication::sync();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < kSettleMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    QThread::msleep(10);
  }
  const QPixmap pixmap = screen->grabWindow(0);
  if (pixmap.isNull() || pixmap.width() <= 0 || pixmap.height() <= 0) {
    reason = "the screen gave an empty picture";
    return false;
  }
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
  // In the program's pixels, which are the screen's logical ones.
  const QSize logical = screen->geometry().size();
  if (logical.isValid() && !logical.isEmpty() && image.size() != logical)
    image = image.scaled(logical, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (!out.Create(image.width(), image.height(), false)) {
    reason = "the picture of the screen is too large";
    return false;
  }
  for (int y = 0; y < image.height(); ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::uint32_t* dst = out.row(y);
    for (int x = 0; x < image.width(); ++x) dst[x] = src[x] & 0x00FFFFFFu;
  }
  return true;
}

}  // namespace pres
