// The presentation host: shows the framework's windows as Qt widgets and turns the
// user's input into the framework's messages. The framework's state is the truth;
// Qt only shows it. Qt event handlers never run program code: they queue actions
// that the framework's pump runs (PeekMessage polls the host), one action at a time,
// so that the key state a message sees is the state of its own key stroke. Only
// WM_INITMENU, WM_INITMENUPOPUP and WM_SETCURSOR are sent while Qt waits.
#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/clipboard.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "platform/report.h"
#include "platform/screen.h"

class QColor;
class QMimeData;
class QWidget;

namespace pres {

// The contrast ratio of two colours (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);

class WindowWidget;

// Copies a rectangle of a surface (0x00RRGGBB) into an RGB32 image of the same size,
// with the alpha byte set.
void CopySurface(const plat::Surface& surface, QImage& image, const fw::RECT& r);

// The host of one program run. Constructing it installs it into the framework
// (host loop, window observer, modal driver, report sink, clipboard store,
// screen source); destroying it takes it out. Needs a QApplication.
class Host : public fw::HostLoop,
             public fw::WindowObserver,
             public fw::ModalDriver,
             public plat::ReportSink,
             public fw::HostClipboard,
             public plat::ScreenSource {
 public:
  Host();
  ~Host() override;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  static Host* Get();

  // fw::HostLoop
  void Poll() override;
  void Wait(long ms) override;
  // fw::WindowObserver
  void Created(fw::CWnd* w) override;
  void Destroyed(fw::CWnd* w, fw::HWND h) override;
  void Changed(fw::CWnd* w, fw::UINT what) override;
  void Pixels(fw::CWnd* w, const fw::RECT& r, bool now) override;
  // fw::ModalDriver
  void RunModal(fw::CDialog& dlg) override;
  // plat::ReportSink
  int MessageBox(std::string_view text, std::string_view caption, unsigned style) override;
  void MessageBeep(unsigned type) override;
  // fw::HostClipboard
  bool Fetch(std::vector<plat::ClipboardItem>& items) override;
  void Publish(const std::vector<plat::ClipboardItem>& items) override;
  // plat::ScreenSource: the primary screen as an X11 display shows it, once the
  // windows hidden for the picture are off it (presentation/screen.cpp).
  bool Grab(plat::Surface& out, std::string& reason) override;

  // Queues an action for the pump; it runs only while the window still exists (0: always).
  void Defer(fw::HWND hwnd, std::function<void()> action);
  // Runs queued actions until one of them posts a message; true when any ran.
  bool RunDeferred();
  size_t DeferredCount() const { return deferred_.size(); }
  // Brings the widgets in line with the windows' changed parts.
  void Flush();
  // A top-level window about to show the first time: Qt paints it once its
  // visible windows have drawn themselves (or a moment later at the latest),
  // so that its first picture on screen is the program's own.
  void HoldFirstPaint(fw::HWND top, QWidget* window);

  // The widget showing a window's client area (null for unknown windows), and the
  // Qt window of a top-level window.
  WindowWidget* WidgetOf(fw::HWND h) const;
  QWidget* TopOf(fw::HWND h) const;

  // Text input: the charset of the input locale (as last sent in WM_INPUTLANGCHANGE)
  // and the code page typed text is encoded in: that of the program's typing
  // language when the program names one, else that of the input locale.
  int InputCharset() const { return charset_; }
  unsigned InputCodePage() const;
  void SetInputLocale(const QString& localeName);
  // The program's typing language (a charset; 0 for none), asked at each typed text.
  void SetTypingLanguage(std::function<int()> language) { typingLanguage_ = std::move(language); }
  // Posts typed text to the focus window: WM_CHAR per byte, or WM_IME_CHAR per
  // double-byte character for input-method commits; an unencodable character beeps.
  void TypeText(const QString& text, bool fromInputMethod);

  // The cursor the program asked for, as the widgets show it.
  void ApplyCursor();
  void SetHovered(WindowWidget* w);

  // Writes a PNG of the main window once start-up has settled, then ends the run.
  void TakeScreenshot(const std::string& path);
  bool ScreenshotPending() const { return !screenshot_.empty(); }
  // For the start-up benchmark: once the main window's active view (the main
  // window's client without one) is first on screen as the program drew it, says
  // "Tindrel: first paint" on standard output and ends the run.
  void QuitAtFirstPaint() { quitAtFirstPaint_ = true; }
  // A widget has painted the pixels of its window.
  void PaintedPixels(fw::HWND h);

  // Clipboard format names as MIME types: "application/x-tindrel-" and the name in
  // lower case, every run of other characters one "-".
  static QString MimeTypeOf(const std::string& formatName);

  // Counts Qt-side menu openings for WM_INITMENU (once per activation).
  void MenuOpened(fw::HWND hwnd);
  void MenuClosed();

 private:
  void UseDisabledTextColour();
  struct Pending {
    fw::HWND hwnd;
    std::function<void()> action;
  };
  void SyncFocus();
  void SettleCheck();
  void ReleaseDrawnWindows();
  int RunFileDialog(fw::CFileDialog& dlg);
  int RunColorDialog(fw::CColorDialog& dlg);
  int RunPrintDialog(fw::CPrintDialog& dlg);
  void PumpUntilEnded(fw::CDialog& dlg);

  std::unordered_map<fw::HWND, WindowWidget*> widgets_;
  std::unordered_map<fw::HWND, fw::UINT> dirty_;
  std::deque<Pending> deferred_;
  int charset_ = 0;
  std::function<int()> typingLanguage_;
  int menusOpen_ = 0;
  QPointer<QWidget> hovered_;
  fw::HWND hoveredHwnd_ = 0;
  std::string screenshot_;
  bool quitAtFirstPaint_ = false;
  struct Held {
    fw::HWND hwnd;
    QPointer<QWidget> window;
    QElapsedTimer since;
  };
  std::vector<Held> held_;
  QElapsedTimer settled_;
  bool busySinceWait_ = true;
  bool clipboardChanged_ = true;  // by someone else, since we last looked
  bool publishing_ = false;
  fw::HostLoop* prevLoop_;
  fw::WindowObserver* prevObserver_;
  fw::ModalDriver* prevDriver_;
  plat::ReportSink* prevSink_;
  fw::HostClipboard* prevClipboard_;
  plat::ScreenSource* prevScreen_;
};

}  // namespace pres
