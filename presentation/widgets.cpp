#include "presentation/widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "framework/bars.h"
#include "framework/caret.h"
#include "framework/controls.h"
#include "framework/docview.h"
#include "framework/input.h"
#include "framework/menu.h"
#include "presentation/host.h"

namespace pres {

using namespace fw;

namespace {

// The Qt window around a top-level window: its menu bar on top, the client below.
// The close box asks the program (WM_CLOSE); a resize by the user resizes the window.
class TopWindow : public QWidget {
 public:
  TopWindow(Host& host, HWND hwnd, QWidget* parent, Qt::WindowFlags flags)
      : QWidget(parent, flags), host_(host), hwnd_(hwnd) {
    setAcceptDrops(true);
  }
  WindowWidget* client = nullptr;
  QMenuBar* menuBar = nullptr;
  QSize applied;  // the client size last taken from the window
  QPoint placed{-100000, -100000};  // the position last taken from the window
  bool shownOnce = false;

  int MenuHeight() const { return menuBar && menuBar->isVisible() ? menuBar->sizeHint().height() : 0; }
  void LayOut() {
    int mh = MenuHeight();
    if (menuBar) menuBar->setGeometry(0, 0, width(), mh);
    if (client) client->setGeometry(0, mh, width(), std::max(0, height() - mh));
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    LayOut();
    if (!client) return;
    QSize c = client->size();
    if (c == applied) return;
    applied = c;
    HWND h = hwnd_;
    QPointer<TopWindow> self(this);
    host_.Defer(h, [h, c, self] {
      // A size the program set since then (e.g. maximising) wins over this older one.
      if (!self || self->applied != c) return;
      CWnd* w = CWnd::FromHandle(h);
      RECT r;
      w->GetWindowRect(&r);
      SIZE cs = w->GetClientSize();
      // The window keeps its scroll bars around the new client size.
      int cx = c.width() + (r.width() - cs.cx), cy = c.height() + (r.height() - cs.cy);
      if (cx != r.width() || cy != r.height())
        w->SetWindowPos(HWND_TOP, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
  }
  // Keys that reach the window itself (no widget of it has Qt's focus, as in a
  // window without controls) are the framework's all the same.
  void keyPressEvent(QKeyEvent* e) override { PostKey(host_, e, true); }
  void keyReleaseEvent(QKeyEvent* e) override { PostKey(host_, e, false); }
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    PostMessage(hwnd_, WM_CLOSE, 0, 0);
  }
  void changeEvent(QEvent* e) override {
    // Windows minimised with their owner come back with it.
    if (e->type() == QEvent::WindowStateChange && !isMinimized())
      for (QObject* o : children())
        if (auto* owned = qobject_cast<QWidget*>(o); owned && owned->isWindow() && owned->isMinimized())
          owned->showNormal();
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
      HWND h = hwnd_;
      host_.Defer(h, [h] {
        CWnd* w = CWnd::FromHandle(h);
        if (CWnd::GetActiveWindow() != w) w->SetActiveWindow();
      });
    }
    QWidget::changeEvent(e);
  }
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
  }
  void dropEvent(QDropEvent* e) override {
    std::vector<std::string> files;
    for (const QUrl& u : e->mimeData()->urls())
      if (u.isLocalFile()) files.push_back(QFile::encodeName(u.toLocalFile()).toStdString());
    if (files.empty() || !client) return;
    QPoint at = client->mapFrom(this, e->position().toPoint());
    HWND h = hwnd_;
    host_.Defer(h, [h, at, files] {
      POINT p{at.x(), at.y()};
      CWnd::FromHandle(h)->ClientToScreen(&p);
      DropFiles(p, files);
    });
    e->acceptProposedAction();
  }

 private:
  Host& host_;
  HWND hwnd_;
};

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

// Every control kind in one place: the native widget, its signals as user actions
// and its state taken from the control.
namespace controls {
WindowWidget* Make(Host& host, CWnd* w, QWidget* parent);
}

bool ScrollCodeOf(int action, UINT* code) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: *code = SB_LINEUP; return true;
    case QAbstractSlider::SliderSingleStepAdd: *code = SB_LINEDOWN; return true;
    case QAbstractSlider::SliderPageStepSub: *code = SB_PAGEUP; return true;
    case QAbstractSlider::SliderPageStepAdd: *code = SB_PAGEDOWN; return true;
    case QAbstractSlider::SliderToMinimum: *code = SB_TOP; return true;
    case QAbstractSlider::SliderToMaximum: *code = SB_BOTTOM; return true;
    case QAbstractSlider::SliderMove: *code = SB_THUMBTRACK; return true;
    default: return false;
  }
}

// ---- WindowWidget

WindowWidget::WindowWidget(Host& host, CWnd* w, QWidget* parent) : QWidget(parent), host_(host), hwnd_(w->m_hWnd) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
}

WindowWidget::~WindowWidget() = default;

void WindowWidget::Sync(UINT what) {
  CWnd* w = wnd();
  if (!w) return;
  if (what & (WOC_GEOMETRY | WOC_STYLE | WOC_SHOWN)) SyncGeometry();
  if (what & (WOC_STYLE | WOC_SCROLL | WOC_GEOMETRY)) SyncScrollBars();
  if (what & WOC_MENU) SyncMenu();
  if (what & WOC_TEXT)
    if (top_) top_->setWindowTitle(Utf8(w->GetWindowText()));
  if ((what & WOC_ZORDER) && top_ && !w->GetParent() && w->IsWindowVisible()) {
    top_->raise();
    top_->activateWindow();
  }
  if (what & WOC_ZORDER) {
    const auto& kids = w->Children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
      if (WindowWidget* k = host_.WidgetOf((*it)->m_hWnd)) k->raise();
  }
  if (what & (WOC_CONTENT | WOC_TEXT | WOC_STYLE | WOC_SHOWN)) SyncContent();
  if (what & WOC_CARET) SyncCaret();
}

void WindowWidget::SyncGeometry() {
  CWnd* w = wnd();
  if (!w) return;
  RECT r = w->GetRectInParent();
  if (top_) {
    auto* t = static_cast<TopWindow*>(top_);
    SIZE c = w->GetClientSize();
    QSize want(c.cx, c.cy + t->MenuHeight());
    bool shown = (w->GetStyle() & WS_VISIBLE) != 0;
    // The window's size first (a desktop without a window manager maximises nothing),
    // then its state; a window manager's own size comes back through resizeEvent.
    if (t->size() != want) {
      t->applied = QSize(c.cx, c.cy);
      t->resize(want);
    }
    // The program places its windows in its own screen coordinates; where the user
    // moved one afterwards stays the user's.
    if (QPoint(r.left, r.top) != t->placed && !w->IsZoomed()) {
      t->placed = QPoint(r.left, r.top);
      t->move(t->placed);
    }
    if (shown && !t->shownOnce) {
      t->shownOnce = true;
      host_.HoldFirstPaint(hwnd_, t);
    }
    // Qt keeps a hidden window's state: a maximised window shown again must be mapped
    // again too.
    if (shown && w->IsZoomed()) {
      if (!t->isMaximized() || !t->isVisible()) t->showMaximized();
    } else if (shown && w->IsIconic()) {
      if (!t->isMinimized() || !t->isVisible()) t->showMinimized();
    } else if (shown && (!t->isVisible() || t->isMaximized() || t->isMinimized())) {
      t->showNormal();
    }
    if (!shown && t->isVisible()) t->hide();
    t->LayOut();
  } else {
    setGeometry(r.left, r.top, r.width(), r.height());
    setVisible((w->GetStyle() & WS_VISIBLE) != 0);
    setEnabled(w->IsWindowEnabled());
  }
}

void WindowWidget::SyncScrollBars() {
  CWnd* w = wnd();
  if (!w) return;
  SIZE c = w->GetClientSize();
  for (int bar : {SB_HORZ, SB_VERT}) {
    bool want = !HasOwnScrollBars() && (w->GetStyle() & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
    if (!want) {
      if (bars_[bar]) bars_[bar]->hide();
      continue;
    }
    if (!bars_[bar]) {
      auto* sb = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, this);
      bars_[bar] = sb;
      UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
      HWND h = hwnd_;
      QObject::connect(sb, &QScrollBar::actionTriggered, sb, [this, sb, msg, h](int action) {
        UINT code = SB_ENDSCROLL;
        if (!ScrollCodeOf(action, &code)) return;
        int pos = sb->sliderPosition();
        host_.Defer(h, [h, msg, code, pos] { PostMessage(h, msg, MAKELONG(WORD(code), WORD(pos)), 0); });
      });
      QObject::connect(sb, &QScrollBar::sliderReleased, sb, [this, sb, msg, h] {
        int pos = sb->sliderPosition();
        host_.Defer(h, [h, msg, pos] {
          PostMessage(h, msg, MAKELONG(WORD(SB_THUMBPOSITION), WORD(pos)), 0);
          PostMessage(h, msg, MAKELONG(WORD(SB_ENDSCROLL), 0), 0);
        });
      });
    }
    QScrollBar* sb = bars_[bar];
    int lo = 0, hi = 0;
    w->GetScrollRange(bar, &lo, &hi);
    QSignalBlocker block(sb);
    sb->setRange(std::min(lo, hi), std::max(lo, hi));
    sb->setPageStep(std::max(1, (std::max(lo, hi) - std::min(lo, hi)) / 10));
    if (!sb->isSliderDown()) sb->setValue(w->GetScrollPos(bar));
    if (bar == SB_VERT)
      sb->setGeometry(c.cx, 0, 16, c.cy);
    else
      sb->setGeometry(0, c.cy, c.cx, 16);
    sb->show();
  }
}

void WindowWidget::SyncMenu() {
  if (!top_) return;
  auto* t = static_cast<TopWindow*>(top_);
  CWnd* w = wnd();
  CMenu* menu = w ? w->GetMenu() : nullptr;
  if (!menu) {
    if (t->menuBar) t->menuBar->hide();
    t->LayOut();
    return;
  }
  if (!t->menuBar) {
    t->menuBar = new QMenuBar(t);
    t->menuBar->setNativeMenuBar(false);
  }
  t->menuBar->clear();
  FillMenu(host_, hwnd_, nullptr, menu);
  // FillMenu with a null menu fills the bar of the window.
  t->menuBar->show();
  SyncGeometry();
}

namespace {
// The physical pixels of a logical rectangle on a surface, and back.
QRect PhysicalRect(const QRect& r, qreal k) {
  if (k == 1.0) return r;
  const int x0 = int(std::floor(r.left() * k)), y0 = int(std::floor(r.top() * k));
  const int x1 = int(std::ceil((r.right() + 1) * k)), y1 = int(std::ceil((r.bottom() + 1) * k));
  return QRect(x0, y0, x1 - x0, y1 - y0);
}
QRect LogicalRect(const QRect& r, qreal k) {
  if (k == 1.0) return r;
  const int x0 = int(std::floor(r.left() / k)), y0 = int(std::floor(r.top() / k));
  const int x1 = int(std::ceil((r.right() + 1) / k)), y1 = int(std::ceil((r.bottom() + 1) / k));
  return QRect(x0, y0, x1 - x0, y1 - y0);
}
}  // namespace

void WindowWidget::SyncRatio(bool now) {
  CWnd* w = wnd();
  if (!w || !ShowsSurface()) return;
  const qreal r = std::clamp(devicePixelRatioF(), plat::kMinPixelRatio, plat::kMaxPixelRatio);
  if (r == w->GetSurface().ratio()) return;
  auto remake = [h = hwnd_, r] {
    if (CWnd* c = CWnd::FromHandle(h); c && c->GetSurface().SetRatio(r)) c->InvalidateRect(nullptr, TRUE);
  };
  if (now)
    remake();
  else
    host_.Defer(hwnd_, remake);
}

void WindowWidget::TakePixels(const RECT& r, bool now) {
  CWnd* w = wnd();
  if (!w) return;
  const plat::Surface& s = w->GetSurface().surface();
  const qreal k = s.ratio();
  QRect q = PhysicalRect(QRect(r.left, r.top, r.width(), r.height()), k).intersected(QRect(0, 0, s.width(), s.height()));
  if (image_.width() != s.width() || image_.height() != s.height()) {
    q = QRect(0, 0, s.width(), s.height());
    if (q.isEmpty()) {
      image_ = QImage();
      due_ = QRect();
    }
  }
  if (q.isEmpty()) return;
  hasPixels_ = true;
  if (!ShowsSurface()) {
    // Bars draw from their models; a pane text set for at once shows at once.
    if (now) repaint();
    return;
  }
  // Copied when painted: a window resized or drawn several times before Qt
  // paints it is copied once.
  due_ = due_.united(q);
  const QRect shown = LogicalRect(q, k);
  if (now)
    repaint(shown);
  else
    update(shown);
}

void WindowWidget::CopyDuePixels() {
  if (due_.isEmpty()) return;
  CWnd* w = wnd();
  if (!w) return;
  const plat::Surface& s = w->GetSurface().surface();
  if (image_.width() != s.width() || image_.height() != s.height() || image_.devicePixelRatio() != s.ratio()) {
    image_ = QImage(s.width(), s.height(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(s.ratio());
    due_ = QRect(0, 0, s.width(), s.height());
  }
  CopySurface(s, image_, RECT{due_.left(), due_.top(), due_.right() + 1, due_.bottom() + 1});
  due_ = QRect();
}

void WindowWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  QRect r = e->rect();
  if (hasPixels_ && ShowsSurface()) {
    // Moved to a screen of another density: the window is drawn again for it.
    SyncRatio(false);
    CopyDuePixels();
    // The surface's physical pixels onto the logical rectangle they cover.
    const qreal k = image_.devicePixelRatio();
    const QRect img = PhysicalRect(r, k).intersected(image_.rect());
    if (!img.isEmpty())
      p.drawImage(QRectF(img.left() / k, img.top() / k, img.width() / k, img.height() / k), image_, QRectF(img));
    QRegion rest = QRegion(r).subtracted(QRegion(LogicalRect(image_.rect(), k)));
    for (const QRect& x : rest) p.fillRect(x, palette().window());
    host_.PaintedPixels(hwnd_);
  } else {
    p.fillRect(r, palette().window());
  }
  if (!preedit_.isEmpty()) PaintPreedit(p);
}

// Mouse input goes to the framework in its own screen coordinates, so the window
// under the pointer and the capture are the framework's.
void WindowWidget::PostMouse(QMouseEvent* e, int kind) {
  MouseButton b = MouseButton::Left;
  if (e->button() == Qt::RightButton) b = MouseButton::Right;
  if (e->button() == Qt::MiddleButton) b = MouseButton::Middle;
  if (kind != 0 && e->button() != Qt::LeftButton && e->button() != Qt::RightButton && e->button() != Qt::MiddleButton)
    return;
  QPoint at = e->position().toPoint();
  Qt::KeyboardModifiers mods = e->modifiers();
  HWND h = hwnd_;
  host_.Defer(h, [h, at, mods, kind, b] {
    SetKeyDown(VK_SHIFT, mods & Qt::ShiftModifier);
    SetKeyDown(VK_CONTROL, mods & Qt::ControlModifier);
    SetKeyDown(VK_MENU, mods & Qt::AltModifier);
    POINT p{at.x(), at.y()};
    CWnd::FromHandle(h)->ClientToScreen(&p);
    POINT cur = Mouse::Position();
    if (kind == 0 || cur.x != p.x || cur.y != p.y) Mouse::MoveTo(p);
    if (kind == 1) Mouse::Down(b);
    if (kind == 2) Mouse::Up(b);
  });
}

void WindowWidget::mousePressEvent(QMouseEvent* e) { PostMouse(e, 1); }
void WindowWidget::mouseDoubleClickEvent(QMouseEvent* e) { PostMouse(e, 1); }
void WindowWidget::mouseReleaseEvent(QMouseEvent* e) { PostMouse(e, 2); }
void WindowWidget::mouseMoveEvent(QMouseEvent* e) { PostMouse(e, 0); }

void WindowWidget::wheelEvent(QWheelEvent* e) {
  int notches = e->angleDelta().y() / 120;
  if (notches == 0) return;
  HWND h = hwnd_;
  host_.Defer(h, [h, notches] {
    UINT code = notches > 0 ? SB_LINEUP : SB_LINEDOWN;
    for (int i = 0; i < 3 * std::abs(notches); ++i) PostMessage(h, WM_VSCROLL, MAKELONG(WORD(code), 0), 0);
  });
}

void WindowWidget::keyPressEvent(QKeyEvent* e) { PostKey(host_, e, true); }
void WindowWidget::keyReleaseEvent(QKeyEvent* e) { PostKey(host_, e, false); }

// ---- input method: the composition at the caret, the candidates beside it

void WindowWidget::SyncCaret() {
  RECT r{};
  QRect now;
  if (GetWindowCaret(hwnd_, &r)) {
    auto extent = [](LONG from, LONG to) { return int(std::clamp<qint64>(qint64(to) - from, 1, INT_MAX)); };
    now = QRect(r.left, r.top, extent(r.left, r.right), extent(r.top, r.bottom));
  }
  if (now == caret_) return;
  if (!preedit_.isEmpty()) update(PreeditRect());
  caret_ = now;
  if (!preedit_.isEmpty()) update(PreeditRect());
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

QFont WindowWidget::PreeditFont() const {
  QFont f = font();
  if (!caret_.isNull()) f.setPixelSize(std::clamp(caret_.height(), 8, 256));
  return f;
}

QRect WindowWidget::PreeditRect() const {
  QFontMetrics fm(PreeditFont());
  QRect box(0, 0, fm.horizontalAdvance(preedit_) + 3, fm.height() + 2);
  // Centred on the caret line, kept inside the window so it shows even for a caret
  // scrolled away.
  if (!caret_.isNull()) box.moveTo(caret_.center().x(), caret_.center().y() - box.height() / 2);
  box.moveLeft(std::max(0, std::min(box.left(), width() - box.width())));
  box.moveTop(std::max(0, std::min(box.top(), height() - box.height())));
  return box;
}

QRect WindowWidget::PreeditCursorRect() const {
  QRect box = PreeditRect();
  int at = preeditCursor_ < 0 ? int(preedit_.size()) : preeditCursor_;
  int x = box.left() + 1 + QFontMetrics(PreeditFont()).horizontalAdvance(preedit_.left(at));
  return QRect(x, box.top(), 1, box.height());
}

void WindowWidget::PaintPreedit(QPainter& p) {
  QRect box = PreeditRect();
  QFont f = PreeditFont();
  f.setUnderline(true);
  p.setFont(f);
  p.fillRect(box, palette().base());
  p.setPen(palette().text().color());
  p.drawText(box.adjusted(1, 1, -1, -1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, preedit_);
  if (preeditCursor_ >= 0) p.fillRect(PreeditCursorRect(), palette().text());
}

void WindowWidget::inputMethodEvent(QInputMethodEvent* e) {
  // The commit goes in as typed text; the composition only shows, in the window.
  if (!e->commitString().isEmpty()) host_.TypeText(e->commitString(), true);
  QString preedit = e->preeditString();
  int cursor = int(preedit.size());
  for (const QInputMethodEvent::Attribute& a : e->attributes())
    if (a.type == QInputMethodEvent::Cursor) cursor = a.length ? std::clamp(a.start, 0, int(preedit.size())) : -1;
  if (preedit != preedit_ || cursor != preeditCursor_) {
    if (!preedit_.isEmpty()) update(PreeditRect());
    preedit_ = preedit;
    preeditCursor_ = cursor;
    if (!preedit_.isEmpty()) update(PreeditRect());
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  }
  e->accept();
}

QVariant WindowWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImCursorRectangle:
      if (!preedit_.isEmpty()) return PreeditCursorRect();
      if (!caret_.isNull()) return caret_;
      break;
    case Qt::ImEnabled:
      return isEnabled() && testAttribute(Qt::WA_InputMethodEnabled);
    case Qt::ImFont:
      return PreeditFont();
    default:
      break;
  }
  return QWidget::inputMethodQuery(query);
}

void TakeFocusFromQt(HWND h) {
  CWnd* w = CWnd::FromHandle(h);
  if (!w || CWnd::GetFocus() == w || !w->IsWindowVisible()) return;
  if (CWnd* top = w->GetTopLevelParent(); top && !top->IsWindowEnabled()) return;
  w->SetFocus();
}

void WindowWidget::focusInEvent(QFocusEvent* e) {
  HWND h = hwnd_;
  host_.Defer(h, [h] { TakeFocusFromQt(h); });
  QWidget::focusInEvent(e);
}

void WindowWidget::enterEvent(QEnterEvent* e) {
  host_.SetHovered(this);
  QWidget::enterEvent(e);
}

bool WindowWidget::event(QEvent* e) {
  // Tab belongs to the framework's windows, not to Qt's focus chain.
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Tab) {
    keyPressEvent(static_cast<QKeyEvent*>(e));
    return true;
  }
  if (e->type() == QEvent::ScreenChangeInternal) SyncRatio(false);
  return QWidget::event(e);
}

// ---- keys

UINT VirtualKeyOf(int key, bool keypad) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return UINT('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? UINT(0x60 + (key - Qt::Key_0)) : UINT('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return UINT(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Plus: return keypad ? 0x6B : 0xBB;
    case Qt::Key_Minus: return keypad ? 0x6D : 0xBD;
    case Qt::Key_Asterisk: return keypad ? 0x6A : 0;
    case Qt::Key_Slash: return keypad ? 0x6F : 0xBF;
    case Qt::Key_Period: return keypad ? 0x6E : 0xBE;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Equal: return 0xBB;
    default: return 0;
  }
}

void PostKey(Host& host, QKeyEvent* e, bool press) {
  // A held key repeats its press only, as the framework's keys do.
  if (!press && e->isAutoRepeat()) return;
  UINT vk = VirtualKeyOf(e->key(), e->modifiers() & Qt::KeypadModifier);
  Qt::KeyboardModifiers mods = e->modifiers();
  QString text = e->text();
  host.Defer(0, [vk, mods, press] {
    SetKeyDown(VK_SHIFT, (mods & Qt::ShiftModifier) || (press && vk == VK_SHIFT));
    SetKeyDown(VK_CONTROL, (mods & Qt::ControlModifier) || (press && vk == VK_CONTROL));
    SetKeyDown(VK_MENU, (mods & Qt::AltModifier) || (press && vk == VK_MENU));
    if (!vk) return;
    if (press)
      Keyboard::Press(vk);
    else
      Keyboard::Release(vk);
  });
  if (!press || text.isEmpty()) return;
  // Characters: printable text, and the keys that make characters (Enter, Tab,
  // Backspace, Escape); control combinations stay keys.
  char16_t c = text.size() == 1 ? text[0].unicode() : 0;
  bool control = c && c < 0x20 && c != '\r' && c != '\t' && c != '\b' && c != 0x1B;
  if (control || c == 0x7F) return;
  host.TypeText(text, false);
}

// ---- menus

namespace {
bool Reaches(CMenu* from, CMenu* target) {
  if (!from) return false;
  if (from == target) return true;
  for (const CMenu::Item& it : from->Items())
    if (it.popup && Reaches(it.popup.get(), target)) return true;
  return false;
}

void AddItems(Host& host, HWND owner, QWidget* into, CMenu* source);

constexpr UINT kScRestore = 0xF120, kScClose = 0xF060;

// The popup the MDI frame puts first on its menu bar for a maximised child.
bool IsSystemPopup(HWND owner, CMenu* popup) {
  CWnd* w = CWnd::FromHandle(owner);
  CMenu* bar = w ? w->GetMenu() : nullptr;
  const CMenu::Item* first = bar ? bar->FindItem(0, MF_BYPOSITION) : nullptr;
  return first && (first->flags & MF_SYSMENU) && first->popup.get() == popup;
}

QMenu* AddPopup(Host& host, HWND owner, QWidget* into, CMenu* popup, const QString& title, UINT index, bool enabled) {
  QMenu* m = nullptr;
  if (auto* bar = dynamic_cast<QMenuBar*>(into))
    m = bar->addMenu(title);
  else
    m = static_cast<QMenu*>(into)->addMenu(title);
  m->setEnabled(enabled);
  QObject::connect(m, &QMenu::aboutToShow, m, [&host, owner, m, popup, index] {
    CWnd* w = CWnd::FromHandle(owner);
    host.MenuOpened(owner);
    if (!w || !Reaches(w->GetMenu(), popup)) return;  // the menu changed under us
    SendMessage(owner, WM_INITMENUPOPUP, WPARAM(popup), MAKELONG(WORD(index), 0));
    if (!CWnd::FromHandle(owner) || !Reaches(CWnd::FromHandle(owner)->GetMenu(), popup)) return;
    m->clear();
    AddItems(host, owner, m, popup);
  });
  QObject::connect(m, &QMenu::aboutToHide, m, [&host] { host.MenuClosed(); });
  return m;
}

void AddItems(Host& host, HWND owner, QWidget* into, CMenu* source) {
  const auto& items = source->Items();
  for (size_t i = 0; i < items.size(); ++i) {
    const CMenu::Item& it = items[i];
    bool enabled = !(it.flags & (MF_GRAYED | MF_DISABLED));
    if (it.flags & MF_SEPARATOR) {
      if (auto* m = dynamic_cast<QMenu*>(into)) m->addSeparator();
      continue;
    }
    // Text after a tab shows as the shortcut; the frames translate the keys themselves.
    QString text = QString::fromUtf8(it.text.data(), qsizetype(it.text.size()));
    if (it.flags & MF_SYSMENU) text = QStringLiteral("\u2261");
    if (it.popup) {
      QMenu* sub = AddPopup(host, owner, into, it.popup.get(), text, UINT(i), enabled);
      // Let the popup open even before WM_INITMENUPOPUP has filled it.
      if (it.popup->GetMenuItemCount() > 0) AddItems(host, owner, sub, it.popup.get());
      continue;
    }
    auto* a = new QAction(text, into);
    a->setEnabled(enabled);
    if (it.flags & MF_CHECKED) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    UINT id = it.id;
    QObject::connect(a, &QAction::triggered, a, [owner, id] { PostMessage(owner, WM_COMMAND, MAKELONG(WORD(id), 0), 0); });
    // The maximised document window's own menu restores or closes that window.
    if (source->GetMenuItemCount() > 0 && IsSystemPopup(owner, source)) {
      QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
      QObject::connect(a, &QAction::triggered, a, [owner, id] {
        auto* mdi = dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandle(owner));
        CMDIChildWnd* child = mdi ? mdi->MDIGetActive() : nullptr;
        if (!child) return;
        if (id == kScClose) PostMessage(child->m_hWnd, WM_CLOSE, 0, 0);
        if (id == kScRestore) PostMessage(mdi->GetMDIClient()->m_hWnd, WM_MDIRESTORE, WPARAM(child->m_hWnd), 0);
      });
    }
    into->addAction(a);
  }
}
}  // namespace

void FillMenu(Host& host, HWND owner, QMenu* menu, CMenu* source) {
  if (menu) {
    AddItems(host, owner, menu, source);
    return;
  }
  QWidget* top = host.TopOf(owner);
  auto* t = dynamic_cast<TopWindow*>(top);
  if (!t || !t->menuBar) return;
  AddItems(host, owner, t->menuBar, source);
}

// ---- making widgets

Qt::WindowFlags OwnedTitleButtons(bool minimise, bool maximise) {
  Qt::WindowFlags flags =
      Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (minimise) flags |= Qt::WindowMinimizeButtonHint;
  if (maximise) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

WindowWidget* MakeWidget(Host& host, CWnd* w, QWidget* parent) {
  bool topLevel = !(w->GetStyle() & WS_CHILD) || !w->GetParent();
  if (!topLevel) {
    WindowWidget* c = controls::Make(host, w, parent);
    if (!c) c = new WindowWidget(host, w, parent);
    c->SyncRatio(true);
    c->Sync(WOC_GEOMETRY | WOC_STYLE | WOC_CONTENT | WOC_TEXT | WOC_SCROLL);
    return c;
  }
  Qt::WindowFlags flags = Qt::Window;
  if (parent) flags = Qt::Dialog;
  // As on the platform, an owned window or popup has the minimise and maximise
  // buttons its style asks for, and no others.
  if (parent || (w->GetStyle() & WS_POPUP))
    flags |= OwnedTitleButtons(w->GetStyle() & WS_MINIMIZEBOX, w->GetStyle() & WS_MAXIMIZEBOX);
  // A popup without a title bar (a border alone is no caption) has no frame.
  if ((w->GetStyle() & WS_POPUP) && (w->GetStyle() & WS_CAPTION) != WS_CAPTION)
    flags = Qt::Tool | Qt::FramelessWindowHint;
  auto* top = new TopWindow(host, w->m_hWnd, parent, flags);
  auto* client = new WindowWidget(host, w, top);
  top->client = client;
  client->setTopWindow(top);
  top->setWindowTitle(Utf8(w->GetWindowText()));
  client->SyncRatio(true);
  client->Sync(WOC_GEOMETRY | WOC_STYLE | WOC_MENU | WOC_SCROLL);
  return client;
}

}  // namespace pres
