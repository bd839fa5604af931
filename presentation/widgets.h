// The widgets that show framework windows: one WindowWidget per window (its client
// area, at the window's rectangle in its parent's client area), a TopWindow around
// each top-level window's client with its menu bar, and the kinds that draw a bar
// or carry a native control.
#pragma once
#include <QImage>
#include <QWidget>

#include "framework/wnd.h"

class QCursor;
class QPainter;
class QMenu;
class QMenuBar;
class QScrollBar;

namespace fw {
class CMenu;
}

namespace pres {

class Host;

// Qt key <-> virtual key; 0 when the key has none.
fw::UINT VirtualKeyOf(int qtKey, bool keypad);

// A scroll bar's action (QAbstractSlider::SliderAction) as its scroll code; false
// for an action that sends none.
bool ScrollCodeOf(int action, fw::UINT* code);

class WindowWidget : public QWidget {
 public:
  WindowWidget(Host& host, fw::CWnd* w, QWidget* parent);
  ~WindowWidget() override;
  fw::HWND hwnd() const { return hwnd_; }
  // The window, or null once it is gone.
  fw::CWnd* wnd() const { return fw::CWnd::FromHandle(hwnd_); }
  // The Qt window around a top-level window's client; null for child windows.
  QWidget* topWindow() const { return top_; }
  void setTopWindow(QWidget* top) { top_ = top; }
  // The Qt parent a child window's widget goes into.
  QWidget* clientArea() { return this; }

  // Brings the widget in line with the window (WOC_ bits of what changed).
  virtual void Sync(fw::UINT what);
  // The Qt widget that takes the keyboard while the window has the framework's focus.
  virtual QWidget* FocusTarget() { return this; }
  // The window's surface follows the widget's device pixel ratio (a move to
  // another screen): made again and drawn again, at once or in the pump.
  void SyncRatio(bool now);
  // Takes a rectangle (logical) of the window's surface; repaints at once when asked.
  void TakePixels(const fw::RECT& r, bool now);
  // The picture the widget shows, with what was taken since its last paint.
  const QImage& image() {
    CopyDuePixels();
    return image_;
  }
  // The caret and the composition at it, for the input method.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  // Bars and native controls show their own picture, not the surface.
  virtual bool ShowsSurface() const { return true; }
  // A native control draws its own scroll bars; the window's WS_HSCROLL/WS_VSCROLL
  // become framework bars only where the widget shows the window's surface.
  virtual bool HasOwnScrollBars() const { return false; }
  virtual void SyncContent() {}
  void SyncGeometry();
  void SyncScrollBars();
  void SyncMenu();
  void SyncCaret();
  // The composition's box at the caret, its font, and where its cursor is drawn.
  QFont PreeditFont() const;
  QRect PreeditRect() const;
  QRect PreeditCursorRect() const;
  void PaintPreedit(QPainter& p);
  // The taken rectangles of the surface into the picture.
  void CopyDuePixels();
  void PostMouse(QMouseEvent* e, int kind);  // 0 move, 1 down, 2 up
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  bool event(QEvent* e) override;

  Host& host_;
  fw::HWND hwnd_;
  QWidget* top_ = nullptr;
  QImage image_;
  QRect due_;  // taken, not yet copied into image_
  bool hasPixels_ = false;
  QScrollBar* bars_[2] = {nullptr, nullptr};  // SB_HORZ, SB_VERT
  QMenuBar* menuBar_ = nullptr;
  bool ownerDrawn_ = false;
  QRect caret_;  // the window's caret (framework/caret.h); null without one
  // The input method's composition, shown at the caret until committed or cancelled.
  QString preedit_;
  int preeditCursor_ = -1;  // -1: the input method hides its cursor
};

// A bitmap resource as an image: absolute, or beside the program (also under res/).
// Above a device pixel ratio of 1 the picture drawn at twice the size
// ("name@2x.bmp") is taken where there is one; the image carries its ratio.
QImage LoadBitmap(fw::UINT id, qreal devicePixelRatio = 1.0);

// The picture of a cursor id: a Qt shape for the system ids, our picture for the
// program's cursors (a cross for an id without one).
QCursor CursorOf(fw::HCURSOR id);
bool HasCursorPicture(fw::HCURSOR id);

// Qt's focus moved to the window's widget: the window takes the framework's focus,
// unless it is hidden or a modal dialog has disabled its top-level window (Qt moves
// its focus on as a window hides, which is no choice of the user's).
void TakeFocusFromQt(fw::HWND h);

// The title bar of an owned window, popup or message box: title, system menu
// and close box, with minimise and maximise only where asked for (a minimised
// modal window would take its disabled owner with it).
Qt::WindowFlags OwnedTitleButtons(bool minimise, bool maximise);

// Makes the widget of a new window: the kind follows the window's class.
WindowWidget* MakeWidget(Host& host, fw::CWnd* w, QWidget* parent);

// Fills a Qt menu from a framework menu; each popup runs WM_INITMENUPOPUP before it shows.
void FillMenu(Host& host, fw::HWND owner, QMenu* menu, fw::CMenu* source);

// Key input shared by every widget that feeds the framework: the key state follows
// the event's modifiers, then the key goes to the focus window, then its text.
void PostKey(Host& host, QKeyEvent* e, bool press);

}  // namespace pres
