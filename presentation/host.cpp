#include "presentation/host.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/app.h"
#include "framework/docview.h"
#include "framework/input.h"
#include "framework/remote.h"
#include "platform/codepage.h"
#include "platform/ipc.h"
#include "platform/remote.h"
#include "presentation/widgets.h"

namespace pres {

using namespace fw;

namespace {
Host* g_host = nullptr;

// The window classes that look like dialog faces, and the MDI client's backdrop.
void RegisterBackgrounds() {
  for (const char* name : {"#32770", "FwDialogBar", "FwToolBar", "FwStatusBar"})
    RegisterWndClass(name)->background = plat::LTGRAY_BRUSH;
  RegisterWndClass("MDIClient")->background = plat::GRAY_BRUSH;
}

int CharsetOfLocale(const QString& name) {
  if (name.startsWith("zh_CN") || name.startsWith("zh_SG") || name == "zh") return 134;
  if (name.startsWith("zh_TW") || name.startsWith("zh_HK") || name.startsWith("zh_MO")) return 136;
  if (name.startsWith("ko")) return 129;
  if (name.startsWith("ja")) return 128;
  if (name.startsWith("ru")) return 204;
  return 0;
}
}  // namespace

void CopySurface(const plat::Surface& s, QImage& image, const RECT& r) {
  const int x0 = std::max<int>(0, r.left), x1 = std::min<int>(s.width(), std::min(image.width(), int(r.right)));
  const int y0 = std::max<int>(0, r.top), y1 = std::min<int>(s.height(), std::min(image.height(), int(r.bottom)));
  if (x1 <= x0 || y1 <= y0) return;
  for (int y = y0; y < y1; ++y) {
    const std::uint32_t* src = s.row(y) + x0;
    auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(y)) + x0;
    for (int x = 0; x < x1 - x0; ++x) dst[x] = src[x] | 0xFF000000u;
  }
}

namespace {

// WCAG relative luminance of a colour.
double Luminance(const QColor& c) {
  auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Disabled captions and edits in the platform's disabled text colour (a mid
// grey), darkened where the face would leave it below 3:1.
void Host::UseDisabledTextColour() {
  QPalette pal = QApplication::palette();
  const QColor face = pal.color(QPalette::Active, QPalette::Window);
  QColor grey(0x6D, 0x6D, 0x6D);
  while (ContrastRatio(grey, face) < 3.0 && grey.value() > 0) grey = grey.darker(120);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(QPalette::Disabled, role, grey);
  QApplication::setPalette(pal);
}

Host::Host() {
  g_host = this;
  RegisterBackgrounds();
  Mouse::SetAutoPump(false);
  prevLoop_ = SetHostLoop(this);
  prevObserver_ = SetWindowObserver(this);
  prevDriver_ = SetModalDriver(this);
  prevSink_ = plat::SetReportSink(this);
  prevClipboard_ = SetHostClipboard(this);
  prevScreen_ = plat::SetScreenSource(this);
  // A maximised frame's client area: the screen less the window frame, where
  // the window system tells it before a window shows, and the menu bar.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect a = screen->availableGeometry();
    QMenuBar probe;
    probe.addMenu(QStringLiteral("&File"));
    QWidget frame;
    frame.winId();
    const QMargins m = frame.windowHandle() ? frame.windowHandle()->frameMargins() : QMargins();
    SetScreenSize(std::max(0, a.width() - m.left() - m.right()),
                  std::max(0, a.height() - m.top() - m.bottom() - probe.sizeHint().height()));
  }
  UseDisabledTextColour();
  charset_ = CharsetOfLocale(QGuiApplication::inputMethod()->locale().name());
  QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, qApp, [] {
    if (g_host && !g_host->publishing_) g_host->clipboardChanged_ = true;
  });
  QObject::connect(QGuiApplication::inputMethod(), &QInputMethod::localeChanged, qApp,
                   [] {
                     if (g_host) g_host->SetInputLocale(QGuiApplication::inputMethod()->locale().name());
                   });
}

Host::~Host() {
  plat::SetScreenSource(prevScreen_);
  SetHostClipboard(prevClipboard_);
  plat::SetReportSink(prevSink_);
  SetModalDriver(prevDriver_);
  SetWindowObserver(prevObserver_);
  SetHostLoop(prevLoop_);
  Mouse::SetAutoPump(true);
  // Deleting a top window deletes its child widgets too: each widget is
  // deleted only while it still exists.
  std::vector<QPointer<QWidget>> owned;
  for (auto& [h, w] : widgets_) {
    QWidget* top = w->topWindow();
    owned.emplace_back(top ? top : static_cast<QWidget*>(w));
  }
  widgets_.clear();
  for (QPointer<QWidget>& w : owned) delete w.data();
  if (g_host == this) g_host = nullptr;
}

Host* Host::Get() { return g_host; }

// ---- the loop

void Host::Defer(HWND hwnd, std::function<void()> action) {
  deferred_.push_back(Pending{hwnd, std::move(action)});
  // Wake a waiting loop.
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

bool Host::RunDeferred() {
  bool ran = false;
  while (!deferred_.empty()) {
    Pending p = std::move(deferred_.front());
    deferred_.pop_front();
    if (p.hwnd && !IsWindow(p.hwnd)) continue;  // its window is gone
    p.action();
    ran = true;
    busySinceWait_ = true;
    if (PostedMessageCount() > 0) break;
  }
  return ran;
}

namespace {
// Messages other programs send wake the Qt loop and are served where they arrive,
// in modal loops too, as a program waiting for the user serves them.
void WatchMessageServer() {
  static QSocketNotifier* notifier = nullptr;
  static int watched = -1;
  int fd = plat::MessageServerFd();
  if (fd == watched) return;
  delete notifier;
  notifier = nullptr;
  watched = fd;
  if (fd < 0) return;
  notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, [] { fw::ServeRemoteMessages(); });
}
}  // namespace

void Host::Poll() {
  WatchMessageServer();
  ReleaseDrawnWindows();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  RunDeferred();
  Flush();
}

void Host::Wait(long ms) {
  WatchMessageServer();
  ReleaseDrawnWindows();
  Flush();
  if (!deferred_.empty()) {
    RunDeferred();
    return;
  }
  SettleCheck();
  if (ms < 0 || ms > 250) ms = 250;
  // A quit or message posted meanwhile is served at once.
  if (PostedMessageCount() > 0) ms = 0;
  if (ScreenshotPending() && ms > 50) ms = 50;
  if (ms > 0) {
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(int(ms));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  } else {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  RunDeferred();
  Flush();
}

namespace {
// Longest a new window waits for its windows to draw.
constexpr int kMostHeldMs = 200;
}  // namespace

void Host::HoldFirstPaint(HWND top, QWidget* window) {
  for (const Held& h : held_)
    if (h.hwnd == top) return;
  window->setUpdatesEnabled(false);
  held_.push_back(Held{top, window, {}});
  held_.back().since.start();
}

void Host::ReleaseDrawnWindows() {
  for (std::size_t i = 0; i < held_.size();) {
    Held& h = held_[i];
    CWnd* top = CWnd::FromHandle(h.hwnd);
    bool waiting = false;
    if (top && h.window && h.since.elapsed() < kMostHeldMs) {
      for (const auto& [hwnd, widget] : widgets_) {
        CWnd* w = CWnd::FromHandle(hwnd);
        if (w && w->GetTopLevelParent() == top && w->IsWindowVisible() && w->GetUpdateRect(nullptr)) {
          waiting = true;
          break;
        }
      }
    }
    if (waiting) {
      ++i;
      continue;
    }
    if (h.window) h.window->setUpdatesEnabled(true);
    held_.erase(held_.begin() + std::ptrdiff_t(i));
  }
}

void Host::Flush() {
  if (!dirty_.empty()) {
    auto dirty = std::move(dirty_);
    dirty_.clear();
    for (auto& [h, what] : dirty)
      if (WindowWidget* w = WidgetOf(h)) w->Sync(what);
  }
  SyncFocus();
}

// Qt's keyboard focus follows the framework's focus window within the active Qt window.
void Host::SyncFocus() {
  CWnd* f = CWnd::GetFocus();
  WindowWidget* w = f ? WidgetOf(f->m_hWnd) : nullptr;
  if (!w) return;
  QWidget* target = w->FocusTarget();
  if (target->hasFocus() || !target->isVisible() || !target->isEnabled()) return;
  if (!target->window()->isActiveWindow()) return;
  target->setFocus(Qt::OtherFocusReason);
}

// ---- the windows

WindowWidget* Host::WidgetOf(HWND h) const {
  auto it = widgets_.find(h);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* Host::TopOf(HWND h) const {
  WindowWidget* w = WidgetOf(h);
  return w ? w->topWindow() : nullptr;
}

void Host::Created(CWnd* w) {
  QWidget* parent = nullptr;
  bool child = (w->GetStyle() & WS_CHILD) && w->GetParent();
  if (child) {
    parent = WidgetOf(w->GetParent()->m_hWnd);
    if (!parent) return;  // a parent the presentation never saw (created before it)
  } else if (CWnd* owner = w->GetOwner()) {
    parent = TopOf(owner->GetTopLevelParent()->m_hWnd);
  }
  widgets_[w->m_hWnd] = MakeWidget(*this, w, parent);
  busySinceWait_ = true;
}

void Host::Destroyed(CWnd*, HWND h) {
  auto it = widgets_.find(h);
  if (it == widgets_.end()) return;
  WindowWidget* w = it->second;
  widgets_.erase(it);
  dirty_.erase(h);
  if (hoveredHwnd_ == h) hoveredHwnd_ = 0;
  QWidget* gone = w->topWindow() ? w->topWindow() : static_cast<QWidget*>(w);
  gone->hide();
  gone->deleteLater();
  busySinceWait_ = true;
}

void Host::Changed(CWnd* w, UINT what) {
  busySinceWait_ = true;
  if (!w) {
    if (what & WOC_CURSOR) ApplyCursor();
    return;
  }
  if (what & WOC_CURSOR) ApplyCursor();
  if (WidgetOf(w->m_hWnd)) dirty_[w->m_hWnd] |= what;
  // A new parent means a new Qt parent: make the widget again under it.
  if ((what & WOC_GEOMETRY) && w->GetParent()) {
    WindowWidget* ww = WidgetOf(w->m_hWnd);
    WindowWidget* pw = WidgetOf(w->GetParent()->m_hWnd);
    if (ww && pw && !ww->topWindow() && ww->parentWidget() != pw) {
      ww->setParent(pw);
      ww->show();
    }
  }
}

void Host::Pixels(CWnd* w, const RECT& r, bool now) {
  busySinceWait_ = true;
  WindowWidget* ww = WidgetOf(w->m_hWnd);
  if (!ww) return;
  if (now) Flush();
  ww->TakePixels(r, now);
}

// ---- menus

void Host::MenuOpened(HWND hwnd) {
  if (menusOpen_++ == 0)
    if (CWnd* w = CWnd::FromHandle(hwnd)) SendMessage(hwnd, WM_INITMENU, WPARAM(w->GetMenu()), 0);
}

void Host::MenuClosed() {
  if (menusOpen_ > 0) --menusOpen_;
}

// ---- text input

unsigned Host::InputCodePage() const {
  const int language = typingLanguage_ ? typingLanguage_() : 0;
  const int cs = language != 0 ? language : charset_;
  return cs == 0 ? plat::CP_GBK : plat::CodePageFromCharset(std::uint8_t(cs));
}

void Host::SetInputLocale(const QString& name) {
  int cs = CharsetOfLocale(name);
  if (cs == charset_) return;
  charset_ = cs;
  Defer(0, [cs] {
    CWnd* target = CWnd::GetFocus() ? CWnd::GetFocus() : CWnd::GetActiveWindow();
    if (target) target->PostMessage(WM_INPUTLANGCHANGE, WPARAM(cs), 0);
  });
}

void Host::TypeText(const QString& text, bool fromInputMethod) {
  unsigned cp = InputCodePage();
  std::string utf8 = text.toUtf8().toStdString();
  Defer(0, [cp, utf8, fromInputMethod] {
    std::u16string units = plat::MultiByteToUtf16(plat::CP_UTF8, utf8);
    for (size_t i = 0; i < units.size(); ++i) {
      std::u16string one(1, units[i]);
      if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size()) one += units[++i];
      bool lost = false;
      std::string bytes = plat::Utf16ToMultiByte(cp, one, &lost);
      if (lost || bytes.empty()) {
        plat::MessageBeep(0);
        continue;
      }
      CWnd* f = CWnd::GetFocus() ? CWnd::GetFocus() : CWnd::GetActiveWindow();
      if (!f) return;
      if (bytes.size() == 2 && fromInputMethod) {
        f->PostMessage(WM_IME_CHAR, (UINT(std::uint8_t(bytes[0])) << 8) | std::uint8_t(bytes[1]), 1);
      } else {
        for (char b : bytes) f->PostMessage(WM_CHAR, std::uint8_t(b), 1);
      }
    }
  });
}

// ---- settling and the screenshot

void Host::TakeScreenshot(const std::string& path) { screenshot_ = path; }

void Host::PaintedPixels(HWND h) {
  if (!quitAtFirstPaint_) return;
  CWnd* main = AfxGetMainWnd();
  if (!main || !main->m_hWnd) return;
  HWND target = main->m_hWnd;
  if (auto* frame = dynamic_cast<CFrameWnd*>(main))
    if (CFrameWnd* active = frame->GetActiveFrame())
      if (CView* view = active->GetActiveView()) target = view->m_hWnd;
  if (h != target) return;
  // Drawn by the program: no paint of the view is still due.
  CWnd* w = CWnd::FromHandle(h);
  RECT due{};
  if (!w || w->GetUpdateRect(&due)) return;
  quitAtFirstPaint_ = false;
  std::fputs("Tindrel: first paint\n", stdout);
  std::fflush(stdout);
  Defer(0, [] { PostQuitMessage(0); });
}

void Host::SettleCheck() {
  if (screenshot_.empty()) return;
  if (busySinceWait_ || PostedMessageCount() > 0) {
    busySinceWait_ = false;
    settled_.start();
    return;
  }
  if (!settled_.isValid() || settled_.elapsed() < 500) return;
  CWnd* main = AfxGetMainWnd();
  QWidget* top = main ? TopOf(main->m_hWnd) : nullptr;
  if (!top || !top->isVisible()) {
    if (settled_.elapsed() > 10000) {
      std::fprintf(stderr, "Tindrel: no main window to take a picture of\n");
      screenshot_.clear();
      PostQuitMessage(1);
    }
    return;
  }
  QImage shot = top->grab().toImage();
  bool ok = shot.save(QString::fromLocal8Bit(screenshot_.c_str()), "PNG");
  std::fprintf(stderr, ok ? "Tindrel: wrote %s (%dx%d)\n" : "Tindrel: cannot write %s\n", screenshot_.c_str(),
               shot.width(), shot.height());
  screenshot_.clear();
  PostQuitMessage(ok ? 0 : 1);
}

// ---- the clipboard

QString Host::MimeTypeOf(const std::string& name) {
  std::string out;
  bool dash = false;
  for (char c : name) {
    bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
    if (keep) {
      if (dash && !out.empty()) out += '-';
      dash = false;
      out += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (c != '.') {
      dash = true;
    }
  }
  return QString::fromStdString("application/x-tindrel-" + out);
}

void Host::Publish(const std::vector<plat::ClipboardItem>& items) {
  auto* data = new QMimeData;
  for (const plat::ClipboardItem& it : items) {
    if (it.format == CF_TEXT) {
      std::string gbk(it.data.begin(), it.data.end());
      gbk = gbk.substr(0, gbk.find('\0'));
      data->setText(QString::fromStdString(plat::GbkToUtf8(gbk)));
      continue;
    }
    std::string name;
    if (GetClipboardFormatName(it.format, name) <= 0) continue;
    data->setData(MimeTypeOf(name), QByteArray(reinterpret_cast<const char*>(it.data.data()), qsizetype(it.data.size())));
  }
  publishing_ = true;
  QGuiApplication::clipboard()->setMimeData(data);
  publishing_ = false;
  clipboardChanged_ = false;
}

bool Host::Fetch(std::vector<plat::ClipboardItem>& items) {
  if (!clipboardChanged_) return false;
  clipboardChanged_ = false;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  items.clear();
  if (!data) return true;
  if (data->hasText()) {
    plat::ClipboardItem t;
    t.format = CF_TEXT;
    std::string gbk = plat::Utf8ToGbk(data->text().toUtf8().toStdString());
    t.data.assign(gbk.begin(), gbk.end());
    t.data.push_back(0);
    items.push_back(std::move(t));
  }
  // Registered formats by name: every name of the shared table that the data carries.
  for (unsigned id = plat::kFirstSharedId; id < plat::kFirstSharedId + 4096 && items.size() < plat::kMaxClipboardItems;
       ++id) {
    std::string name;
    if (!plat::GetSharedName(id, name)) break;
    QString mime = MimeTypeOf(name);
    if (!data->hasFormat(mime)) continue;
    QByteArray bytes = data->data(mime);
    if (size_t(bytes.size()) > plat::kMaxClipboardBytes) continue;
    plat::ClipboardItem it;
    it.format = id;
    it.data.assign(bytes.begin(), bytes.end());
    items.push_back(std::move(it));
  }
  return true;
}

}  // namespace pres
