// Bars and dialog controls: tool bars and status bars drawn from their models,
// native widgets for the controls, and owner-drawn controls from their surfaces.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QPointer>
#include <QElapsedTimer>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>
#include <qdrawutil.h>
#include <QTreeWidget>
#include <map>

#include "framework/bars.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "platform/paths.h"
#include "presentation/host.h"
#include "presentation/widgets.h"

namespace pres {

using namespace fw;

namespace {

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

QString PlainText(const std::string& utf8) {
  QString s = Utf8(utf8), out;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += s[i];
  }
  return out;
}

// "dir/name.bmp" -> "dir/name@2x.bmp".
std::string DoubleSizeName(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "@2x";
  return path.substr(0, dot) + "@2x" + path.substr(dot);
}

}  // namespace

QImage LoadBitmap(UINT id, qreal devicePixelRatio) {
  const std::string* file = res::FindBitmap(id);
  if (!file || file->empty()) return QImage();
  std::string mapped = plat::MapWindowsPath(*file);
  std::vector<std::string> tries = {mapped};
  if (!mapped.empty() && mapped[0] != '/') {
    std::string dir = plat::GetProgramFolder();
    tries.push_back(dir + "/" + mapped);
    tries.push_back(dir + "/res/" + mapped);
  }
  const bool dense = devicePixelRatio > 1.0;
  for (int pass = dense ? 0 : 1; pass < 2; ++pass) {
    for (const std::string& t : tries) {
      auto found = plat::FindFileNoCase(pass == 0 ? DoubleSizeName(t) : t);
      if (!found) continue;
      QImage img(QString::fromLocal8Bit(found->c_str()));
      if (img.isNull()) continue;
      img = img.convertToFormat(QImage::Format_ARGB32);
      img.setDevicePixelRatio(pass == 0 ? 2.0 : 1.0);
      return img;
    }
  }
  return QImage();
}

namespace {

// Tool bar strips paint their background light grey; it shows through.
QImage Transparent(QImage img) {
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((row[x] & 0xFFFFFF) == 0xC0C0C0 || (row[x] & 0xFFFFFF) == 0xFF00FF) row[x] = 0;
  }
  return img;
}

// The tooltip of a command: the second line of its string.
QString ToolTipOf(UINT id) {
  std::string s = res::String(id);
  size_t nl = s.find('\n');
  return Utf8(nl == std::string::npos ? s : s.substr(nl + 1));
}

class ToolBarWidget : public WindowWidget {
 public:
  ToolBarWidget(Host& host, CToolBar* bar, QWidget* parent) : WindowWidget(host, bar, parent) {
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  bool ShowsSurface() const override { return false; }
  void SyncContent() override {
    auto* bar = dynamic_cast<CToolBar*>(wnd());
    if (bar && bar->LoadedResource() != strip_) {
      strip_ = bar->LoadedResource();
      LoadStrip();
    }
    update();
  }
  // The strip drawn for this screen: at 2x where pixels are dense and there is one.
  void LoadStrip() {
    stripRatio_ = devicePixelRatioF();
    icons_ = Transparent(LoadBitmap(strip_, stripRatio_));
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    auto* bar = dynamic_cast<CToolBar*>(wnd());
    if (!bar) return;
    SIZE bs = bar->GetButtonSize();
    int iw = std::max(1, int(bs.cx) - 7), ih = std::max(1, int(bs.cy) - 7);
    if (strip_ && devicePixelRatioF() != stripRatio_) LoadStrip();  // moved to another screen
    const int ratio = icons_.devicePixelRatio() > 1.0 ? 2 : 1;
    for (int i = 0; i < bar->GetCount(); ++i) {
      RECT r;
      bar->GetItemRect(i, &r);
      if (r.empty()) continue;
      QRect q(r.left, r.top, r.width(), r.height());
      const CToolBar::Button& b = bar->GetButton(i);
      if (b.style & TBBS_SEPARATOR) {
        // Across the bar: upright in a bar along the top or bottom, flat in one on a side.
        p.setPen(palette().mid().color());
        bool side = bar->GetDockSide() == CBRS_ALIGN_LEFT || bar->GetDockSide() == CBRS_ALIGN_RIGHT;
        if (side)
          p.drawLine(2, q.center().y(), width() - 3, q.center().y());
        else
          p.drawLine(q.center().x(), q.top() + 2, q.center().x(), q.bottom() - 2);
        continue;
      }
      bool down = (b.style & (TBBS_CHECKED | TBBS_PRESSED)) || i == pressed_;
      bool disabled = b.style & TBBS_DISABLED;
      if (down) {
        p.fillRect(q.adjusted(1, 1, -1, -1), palette().midlight());
        qDrawShadePanel(&p, q, palette(), true, 1);
      } else if (i == hot_ && !disabled) {
        qDrawShadePanel(&p, q, palette(), false, 1);
      }
      if (!icons_.isNull() && b.image >= 0) {
        QPixmap icon = QPixmap::fromImage(icons_.copy(b.image * iw * ratio, 0, iw * ratio, ih * ratio));
        icon.setDevicePixelRatio(ratio);
        // A disabled button shows its picture the way the style greys icons.
        if (disabled) icon = QIcon(icon).pixmap(QSize(iw, ih), ratio, QIcon::Disabled);
        QPoint at(q.left() + (q.width() - iw) / 2 + (down ? 1 : 0), q.top() + (q.height() - ih) / 2 + (down ? 1 : 0));
        p.drawPixmap(at, icon);
      } else if (!b.text.empty()) {
        p.setPen(disabled ? palette().mid().color() : palette().buttonText().color());
        p.drawText(q, Qt::AlignCenter, Utf8(b.text));
      }
    }
  }
  int HitEnabled(QPoint pos) const {
    auto* bar = dynamic_cast<CToolBar*>(wnd());
    if (!bar) return -1;
    int i = bar->HitTest(POINT{pos.x(), pos.y()});
    if (i < 0) return -1;
    UINT style = bar->GetButtonStyle(i);
    return (style & (TBBS_SEPARATOR | TBBS_DISABLED)) ? -1 : i;
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return WindowWidget::mousePressEvent(e);
    pressed_ = HitEnabled(e->position().toPoint());
    update();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return WindowWidget::mouseReleaseEvent(e);
    int i = HitEnabled(e->position().toPoint());
    auto* bar = dynamic_cast<CToolBar*>(wnd());
    if (bar && i >= 0 && i == pressed_) {
      UINT id = bar->GetItemID(i);
      CWnd* owner = bar->GetOwner();
      if (owner) PostMessage(owner->m_hWnd, WM_COMMAND, MAKELONG(WORD(id), 0), 0);
    }
    pressed_ = -1;
    update();
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    int i = HitEnabled(e->position().toPoint());
    if (i != hot_) {
      hot_ = i;
      update();
    }
  }
  void leaveEvent(QEvent*) override {
    hot_ = -1;
    update();
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ToolTip) {
      auto* help = static_cast<QHelpEvent*>(e);
      auto* bar = dynamic_cast<CToolBar*>(wnd());
      int i = bar ? bar->HitTest(POINT{help->pos().x(), help->pos().y()}) : -1;
      if (i >= 0 && !(bar->GetButtonStyle(i) & TBBS_SEPARATOR))
        QToolTip::showText(help->globalPos(), ToolTipOf(bar->GetItemID(i)), this);
      else
        QToolTip::hideText();
      return true;
    }
    return WindowWidget::event(e);
  }

 private:
  UINT strip_ = 0;
  QImage icons_;  // the bar's picture strip
  qreal stripRatio_ = 1.0;  // the device pixel ratio it was loaded for
  int pressed_ = -1;
  int hot_ = -1;
};

class StatusBarWidget : public WindowWidget {
 public:
  StatusBarWidget(Host& host, CStatusBar* bar, QWidget* parent) : WindowWidget(host, bar, parent) {
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  bool ShowsSurface() const override { return false; }
  void SyncContent() override { update(); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    auto* bar = dynamic_cast<CStatusBar*>(wnd());
    if (!bar) return;
    // Fixed panes keep their widths (plus borders), wide enough for their widest text in
    // this font; the stretching pane takes the rest.
    const int n = bar->GetCount();
    std::vector<int> widths(size_t(std::max(0, n)));
    int fixed = 0, stretch = -1;
    for (int i = 0; i < n; ++i) {
      UINT id, style;
      int w;
      bar->GetPaneInfo(i, id, style, w);
      if ((style & SBPS_STRETCH) && stretch < 0) stretch = i;
      const std::string widest = bar->GetPaneWidestText(i);
      if (!widest.empty()) w = std::max(w, fontMetrics().horizontalAdvance(Utf8(widest)));
      widths[size_t(i)] = std::max(0, w) + 6;
      fixed += widths[size_t(i)] + 2;
    }
    if (stretch >= 0) widths[size_t(stretch)] += std::max(0, width() - 4 - fixed);
    int x = 2;
    for (int i = 0; i < n; ++i) {
      UINT id, style;
      int w;
      bar->GetPaneInfo(i, id, style, w);
      QRect q(x, 2, widths[size_t(i)], height() - 4);
      x += widths[size_t(i)] + 2;
      if (!(style & SBPS_NOBORDERS)) qDrawShadePanel(&p, q, palette(), !(style & SBPS_POPOUT), 1);
      if (style & SBPS_DISABLED) continue;
      p.setPen(palette().buttonText().color());
      QString text = Utf8(bar->GetPaneText(i));
      p.drawText(q.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 fontMetrics().elidedText(text, Qt::ElideRight, q.width() - 6));
    }
  }
};

// Owner-drawn lists and buttons show their surface; the presentation asks them
// to draw their items (inside the pump) whenever their content or size changes.
class OwnerDrawnWidget : public WindowWidget {
 public:
  OwnerDrawnWidget(Host& host, CWnd* w, QWidget* parent) : WindowWidget(host, w, parent) {}

 protected:
  void SyncContent() override {
    HWND h = hwnd_;
    host_.Defer(h, [h] {
      CWnd* w = CWnd::FromHandle(h);
      plat::HDC dc = w->GetDC();
      if (auto* l = dynamic_cast<CListBox*>(w)) {
        l->DrawItems(dc);
      } else if (auto* v = dynamic_cast<CListCtrl*>(w)) {
        v->DrawItems(dc);
      } else if (auto* b = dynamic_cast<CButton*>(w); b && w->GetParent()) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = w->GetDlgCtrlID();
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (w->IsWindowEnabled() ? 0 : ODS_DISABLED) | (b->GetCheck() ? ODS_SELECTED : 0);
        dis.hwndItem = h;
        dis.hDC = dc;
        w->GetClientRect(&dis.rcItem);
        w->GetParent()->SendMessage(WM_DRAWITEM, w->GetDlgCtrlID(), LPARAM(&dis));
      }
      if (CWnd::FromHandle(h)) w->ReleaseDC(dc);
    });
  }
  void mousePressEvent(QMouseEvent* e) override {
    QPoint at = e->position().toPoint();
    bool dbl = e->type() == QEvent::MouseButtonDblClick;
    HWND h = hwnd_;
    host_.Defer(h, [h, at, dbl] {
      CWnd* w = CWnd::FromHandle(h);
      if (auto* l = dynamic_cast<CListBox*>(w)) {
        BOOL outside = FALSE;
        int i = l->ItemFromPoint(POINT{at.x(), at.y()}, outside);
        if (outside || i < 0) return;
        if (dbl)
          l->UserDoubleClick(i);
        else
          l->UserSelect(i);
      } else if (auto* b = dynamic_cast<CButton*>(w)) {
        b->Click();
      } else if (dynamic_cast<CListCtrl*>(w)) {
        // The list and its owner see the click as mouse messages.
        LPARAM at2 = LPARAM(MAKELONG(WORD(at.x()), WORD(at.y())));
        w->SendMessage(dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at2);
        if (CWnd::FromHandle(h)) w->SendMessage(WM_LBUTTONUP, 0, at2);
      }
    });
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
};

class Control : public WindowWidget {
 public:
  // The native widget draws the control; what it leaves shows its parent.
  Control(Host& host, CWnd* w, QWidget* parent) : WindowWidget(host, w, parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
  }
  void SetNative(QWidget* n) {
    native_ = n;
    n->setParent(this);
    n->setGeometry(rect());
    n->installEventFilter(this);
    n->show();
  }
  void Sync(UINT what) override {
    WindowWidget::Sync(what);
    if (native_) native_->setGeometry(rect());
  }
  QWidget* native() const { return native_; }
  QWidget* FocusTarget() override { return native_ ? native_ : this; }

 protected:
  bool ShowsSurface() const override { return false; }
  bool HasOwnScrollBars() const override { return true; }
  void paintEvent(QPaintEvent*) override {}
  // Runs a user action on the control inside the pump, then shows its state again.
  template <class T, class F>
  void Act(F f) {
    HWND h = hwnd_;
    host_.Defer(h, [h, f] {
      if (auto* c = dynamic_cast<T*>(CWnd::FromHandle(h))) f(c);
      if (CWnd* w = CWnd::FromHandle(h)) w->NotifyChanged(WOC_CONTENT | WOC_TEXT);
    });
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == native_ && e->type() == QEvent::FocusIn) {
      HWND h = hwnd_;
      host_.Defer(h, [h] { TakeFocusFromQt(h); });
    }
    if (o == native_ && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
      auto* k = static_cast<QKeyEvent*>(e);
      int key = k->key();
      bool multiline = dynamic_cast<QPlainTextEdit*>(native_) != nullptr;
      if (((key == Qt::Key_Return || key == Qt::Key_Enter) && !multiline) || key == Qt::Key_Escape) {
        PostKey(host_, k, e->type() == QEvent::KeyPress);
        return true;
      }
    }
    return WindowWidget::eventFilter(o, e);
  }
  QWidget* native_ = nullptr;
};

class ButtonControl : public Control {
 public:
  ButtonControl(Host& host, CButton* b, QWidget* parent) : Control(host, b, parent) {
    DWORD type = b->ButtonType();
    if (type == BS_GROUPBOX) {
      SetNative(group_ = new QGroupBox);
      setAttribute(Qt::WA_TransparentForMouseEvents);
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE) {
      check_ = new QCheckBox;
      check_->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
      SetNative(check_);
      QObject::connect(check_, &QCheckBox::clicked, check_, [this] { Act<CButton>([](CButton* c) { c->Click(); }); });
    } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
      radio_ = new QRadioButton;
      radio_->setAutoExclusive(false);
      SetNative(radio_);
      QObject::connect(radio_, &QRadioButton::clicked, radio_, [this] { Act<CButton>([](CButton* c) { c->Click(); }); });
    } else {
      push_ = new QPushButton;
      push_->setAutoDefault(false);
      SetNative(push_);
      QObject::connect(push_, &QPushButton::clicked, push_, [this] { Act<CButton>([](CButton* c) { c->Click(); }); });
    }
  }

 protected:
  void SyncContent() override {
    auto* b = dynamic_cast<CButton*>(wnd());
    if (!b) return;
    QString text = Utf8(b->GetWindowText());
    if (group_) group_->setTitle(PlainText(b->GetWindowText()));
    if (check_) {
      QSignalBlocker s(check_);
      check_->setText(text);
      check_->setCheckState(b->GetCheck() == BST_CHECKED ? Qt::Checked
                            : b->GetCheck() == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                 : Qt::Unchecked);
    }
    if (radio_) {
      QSignalBlocker s(radio_);
      radio_->setText(text);
      radio_->setChecked(b->GetCheck() == BST_CHECKED);
    }
    if (push_) {
      push_->setText(text);
      push_->setDefault(b->ButtonType() == BS_DEFPUSHBUTTON);
    }
    // A push button, box or radio button with a picture shows it before its text,
    // drawn at 2x where pixels are dense and there is one.
    QAbstractButton* pictured = push_ ? static_cast<QAbstractButton*>(push_)
                                : check_ ? static_cast<QAbstractButton*>(check_)
                                         : radio_;
    if (pictured && (b->GetBitmap() != bitmap_ || (bitmap_ && devicePixelRatioF() != bitmapRatio_))) {
      bitmap_ = b->GetBitmap();
      bitmapRatio_ = devicePixelRatioF();
      QImage img = bitmap_ ? Transparent(LoadBitmap(bitmap_, bitmapRatio_)) : QImage();
      pictured->setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
      if (!img.isNull()) pictured->setIconSize(img.deviceIndependentSize().toSize());
    }
  }

 private:
  QGroupBox* group_ = nullptr;
  QCheckBox* check_ = nullptr;
  QRadioButton* radio_ = nullptr;
  QPushButton* push_ = nullptr;
  UINT bitmap_ = 0;
  qreal bitmapRatio_ = 1.0;
};

class EditControl : public Control {
 public:
  EditControl(Host& host, CEdit* e, QWidget* parent) : Control(host, e, parent) {
    if (e->GetStyle() & ES_MULTILINE) {
      multi_ = new QPlainTextEdit;
      SetNative(multi_);
      QObject::connect(multi_, &QPlainTextEdit::textChanged, multi_, [this] {
        std::string t = ToUtf8(multi_->toPlainText());
        // Lines end in CR LF in the control's text.
        std::string crlf;
        for (char c : t) {
          if (c == '\n') crlf += '\r';
          crlf += c;
        }
        Act<CEdit>([crlf](CEdit* c) { c->UserType(crlf); });
      });
    } else {
      line_ = new QLineEdit;
      SetNative(line_);
      QObject::connect(line_, &QLineEdit::textEdited, line_, [this](const QString& s) {
        std::string t = ToUtf8(s);
        Act<CEdit>([t](CEdit* c) { c->UserType(t); });
      });
    }
  }

 protected:
  void SyncContent() override {
    auto* e = dynamic_cast<CEdit*>(wnd());
    if (!e) return;
    bool ro = e->GetStyle() & ES_READONLY;
    if (line_) {
      QString t = Utf8(e->GetWindowText());
      if (line_->text() != t) {
        QSignalBlocker s(line_);
        int cur = line_->cursorPosition();
        line_->setText(t);
        line_->setCursorPosition(std::min<int>(cur, int(t.size())));
      }
      line_->setReadOnly(ro);
      line_->setEchoMode((e->GetStyle() & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
    }
    if (multi_) {
      std::string text = e->GetWindowText(), lf;
      for (char c : text)
        if (c != '\r') lf += c;
      QString t = Utf8(lf);
      if (multi_->toPlainText() != t) {
        QSignalBlocker s(multi_);
        multi_->setPlainText(t);
      }
      multi_->setReadOnly(ro);
    }
  }

 private:
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* multi_ = nullptr;
};

class StaticControl : public Control {
 public:
  StaticControl(Host& host, CStatic* s, QWidget* parent) : Control(host, s, parent) {
    label_ = new QLabel;
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetNative(label_);
    setFocusPolicy(Qt::NoFocus);
    // Statics take no clicks: what lies under them does.
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void SyncContent() override {
    if (CWnd* w = wnd()) label_->setText(PlainText(w->GetWindowText()));
  }

 private:
  QLabel* label_;
};

class ComboControl : public Control {
 public:
  ComboControl(Host& host, CComboBox* c, QWidget* parent, QComboBox* combo = nullptr)
      : Control(host, c, parent), combo_(combo ? combo : new QComboBox) {
    combo_->setEditable((c->GetStyle() & 3) != CBS_DROPDOWNLIST);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    SetNative(combo_);
    // The box's height does not follow its items (they carry no icons): taken
    // while it has none, as measuring every item again at each sync is slow.
    boxHeight_ = combo_->sizeHint().height();
    QObject::connect(combo_, &QComboBox::activated, combo_,
                     [this](int i) { Act<CComboBox>([i](CComboBox* c) { c->UserSelect(i); }); });
    if (QLineEdit* e = combo_->lineEdit())
      QObject::connect(e, &QLineEdit::textEdited, e, [this](const QString& s) {
        std::string t = ToUtf8(s);
        Act<CComboBox>([t](CComboBox* c) { c->UserType(t); });
      });
  }

 protected:
  void Sync(UINT what) override {
    Control::Sync(what);
    // The templates give a combo box the height of its dropped list.
    if (native_) native_->setGeometry(0, 0, width(), std::min(height(), boxHeight_));
  }
  void SyncContent() override {
    auto* c = dynamic_cast<CComboBox*>(wnd());
    if (!c) return;
    QSignalBlocker s(combo_);
    QStringList items;
    for (int i = 0; i < c->GetCount(); ++i) items << Utf8(c->GetLBText(i));
    QStringList now;
    for (int i = 0; i < combo_->count(); ++i) now << combo_->itemText(i);
    if (items != now) {
      combo_->clear();
      combo_->addItems(items);
    }
    combo_->setCurrentIndex(c->GetCurSel());
    if (combo_->isEditable() && combo_->currentText() != Utf8(c->GetWindowText()))
      combo_->setEditText(Utf8(c->GetWindowText()));
  }

  QComboBox* combo_;
  int boxHeight_ = 0;  // the box's own height (its size hint's)
};

// What an owner-drawn combo box shows: its owner's pictures of the items, the
// text of an item not drawn yet.
class PictureCombo : public QComboBox {
 public:
  QImage current;              // the selection, as the closed box shows it
  std::vector<QImage> plain;   // each item in the dropped list
  std::vector<QImage> lit;     // each item highlighted, once drawn so
  int itemHeight = 16;
  std::function<void(bool)> dropped;  // the list opens (true) or closes, however it closes

  void showPopup() override {
    if (dropped) dropped(true);
    QComboBox::showPopup();
  }
  // The edit field's rectangle, where the closed box shows the selection.
  QRect Field() const {
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (isEditable() || current.isNull()) return QComboBox::paintEvent(e);
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    QRect field = Field();
    p.setClipRect(field);
    p.drawImage(field.left(), field.top() + (field.height() - current.height()) / 2, current);
  }
};

class PictureDelegate : public QStyledItemDelegate {
 public:
  explicit PictureDelegate(PictureCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const size_t i = size_t(index.row());
    const bool hi = option.state & QStyle::State_Selected;
    const QImage* img = hi && i < combo_->lit.size() && !combo_->lit[i].isNull() ? &combo_->lit[i]
                        : i < combo_->plain.size() && !combo_->plain[i].isNull() ? &combo_->plain[i]
                                                                                 : nullptr;
    if (!img) return QStyledItemDelegate::paint(p, option, index);
    p->save();
    p->setClipRect(option.rect);
    p->drawImage(option.rect.topLeft(), *img);
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    return QSize(s.width(), combo_->itemHeight);
  }

 private:
  PictureCombo* combo_;
};

// Item `i` as the owner draws it into a w x h picture (white where it draws nothing).
QImage DrawComboItem(CComboBox* c, int i, int w, int h, UINT state) {
  w = std::max(1, w), h = std::max(1, h);
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HBITMAP bmp = plat::CreateCompatibleBitmap(nullptr, w, h);
  bmp->surface().Fill(0xFFFFFF);
  plat::HBITMAP old = dc->SelectObject(bmp);
  HWND hwnd = c->m_hWnd;
  bool drawn = c->DrawItem(i, dc, RECT{0, 0, w, h}, state | (c->IsWindowEnabled() ? 0 : ODS_DISABLED));
  if (drawn) CopySurface(bmp->surface(), img, RECT{0, 0, w, h});
  dc->SelectObject(old);
  plat::DeleteDC(dc);
  plat::DeleteObject(bmp);
  return drawn && CWnd::FromHandle(hwnd) ? img : QImage();
}

// An owner-drawn combo box: a native combo whose closed box and dropped list show
// the pictures its owner draws (WM_DRAWITEM, run inside the pump). Opening and
// closing the list tell the control (CBN_DROPDOWN / CBN_CLOSEUP); picking an item
// selects it as a plain combo box does.
class OwnerDrawnCombo : public ComboControl {
 public:
  OwnerDrawnCombo(Host& host, CComboBox* c, QWidget* parent)
      : ComboControl(host, c, parent, new PictureCombo) {
    picture_ = static_cast<PictureCombo*>(combo_);
    picture_->setItemDelegate(new PictureDelegate(picture_));
    // However the list closes (a pick, a click outside, another window), the control hears.
    list_ = picture_->view()->window();
    list_->installEventFilter(this);
    // The control's change redraws the pictures for the list's new state.
    picture_->dropped = [this](bool open) { Act<CComboBox>([open](CComboBox* c) { c->UserDropDown(open); }); };
    QObject::connect(picture_, &QComboBox::highlighted, picture_, [this](int i) { DrawLit(i); });
  }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == list_ && e->type() == QEvent::Hide && picture_->dropped) picture_->dropped(false);
    return ComboControl::eventFilter(o, e);
  }
  void Sync(UINT what) override {
    ComboControl::Sync(what);
    // Tall enough for an item's picture.
    if (native_)
      native_->setGeometry(0, 0, width(),
                           std::min(height(), std::max(boxHeight_, picture_->itemHeight + 6)));
  }
  void SyncContent() override {
    ComboControl::SyncContent();
    Redraw(picture_->view()->isVisible());
  }
  // Draws the closed box's selection, or every item of the dropped list (the
  // selection highlighted) while it is open.
  void Redraw(bool open) {
    HWND h = hwnd_;
    QPointer<PictureCombo> pc = picture_;
    const int fieldWidth = picture_->Field().width(), listWidth = std::max(width(), picture_->view()->width());
    host_.Defer(h, [h, pc, open, fieldWidth, listWidth] {
      auto* c = dynamic_cast<CComboBox*>(CWnd::FromHandle(h));
      if (!c || !pc) return;
      const int ih = c->GetItemHeight(0), cur = c->GetCurSel();
      pc->itemHeight = ih;
      if (!open) {
        pc->current = cur >= 0 ? DrawComboItem(c, cur, fieldWidth, ih, 0) : QImage();
        pc->update();
        return;
      }
      std::vector<QImage> plain(size_t(c->GetCount())), lit(size_t(c->GetCount()));
      for (int i = 0; i < c->GetCount() && CWnd::FromHandle(h); ++i)
        plain[size_t(i)] = DrawComboItem(c, i, listWidth, ih, 0);
      // The selection last: the owner's highlight follows what it drew last.
      if (cur >= 0 && cur < c->GetCount() && CWnd::FromHandle(h))
        lit[size_t(cur)] = DrawComboItem(c, cur, listWidth, ih, ODS_SELECTED);
      if (!pc) return;
      pc->plain = std::move(plain);
      pc->lit = std::move(lit);
      pc->view()->viewport()->update();
    });
  }
  // The item under the pointer in the dropped list, highlighted.
  void DrawLit(int i) {
    HWND h = hwnd_;
    QPointer<PictureCombo> pc = picture_;
    const int listWidth = std::max(width(), picture_->view()->width());
    host_.Defer(h, [h, pc, i, listWidth] {
      auto* c = dynamic_cast<CComboBox*>(CWnd::FromHandle(h));
      if (!c || !pc || i < 0 || i >= c->GetCount()) return;
      QImage img = DrawComboItem(c, i, listWidth, c->GetItemHeight(0), ODS_SELECTED);
      if (!pc) return;
      if (pc->lit.size() <= size_t(i)) pc->lit.resize(size_t(i) + 1);
      pc->lit[size_t(i)] = img;
      pc->view()->viewport()->update();
    });
  }

 private:
  PictureCombo* picture_;
  QWidget* list_ = nullptr;  // the dropped list's popup
};

class ListControl : public Control {
 public:
  ListControl(Host& host, CListBox* l, QWidget* parent) : Control(host, l, parent) {
    list_ = new QListWidget;
    bool multi = l->GetStyle() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
    list_->setSelectionMode(multi ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    if (l->GetStyle() & LBS_MULTICOLUMN) {
      // Items run down a column, then on in the next; the columns scroll across.
      list_->setFlow(QListView::TopToBottom);
      list_->setWrapping(true);
      list_->setResizeMode(QListView::Adjust);
      list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    SetNative(list_);
    QObject::connect(list_, &QListWidget::itemPressed, list_, [this](QListWidgetItem* it) {
      int i = list_->row(it);
      Act<CListBox>([i](CListBox* c) { c->UserSelect(i); });
    });
    QObject::connect(list_, &QListWidget::itemDoubleClicked, list_, [this](QListWidgetItem* it) {
      int i = list_->row(it);
      Act<CListBox>([i](CListBox* c) { c->UserDoubleClick(i); });
    });
  }

 protected:
  void SyncContent() override {
    auto* l = dynamic_cast<CListBox*>(wnd());
    if (!l) return;
    QSignalBlocker s(list_);
    if ((l->GetStyle() & LBS_MULTICOLUMN) && l->GetColumnWidth() > 0)
      list_->setGridSize(QSize(l->GetColumnWidth(), list_->fontMetrics().height() + 2));
    // An entry wider than the list shows whole in its tooltip.
    if (list_->count() != l->GetCount()) {
      list_->clear();
      for (int i = 0; i < l->GetCount(); ++i) {
        list_->addItem(Utf8(l->GetText(i)));
        list_->item(i)->setToolTip(list_->item(i)->text());
      }
    } else {
      for (int i = 0; i < l->GetCount(); ++i)
        if (list_->item(i)->text() != Utf8(l->GetText(i))) {
          list_->item(i)->setText(Utf8(l->GetText(i)));
          list_->item(i)->setToolTip(list_->item(i)->text());
        }
    }
    for (int i = 0; i < l->GetCount(); ++i) list_->item(i)->setSelected(l->GetSel(i) > 0);
  }

 private:
  QListWidget* list_;
};

class SliderControl : public Control {
 public:
  SliderControl(Host& host, CSliderCtrl* s, QWidget* parent) : Control(host, s, parent) {
    slider_ = new QSlider((s->GetStyle() & TBS_VERT) ? Qt::Vertical : Qt::Horizontal);
    SetNative(slider_);
    QObject::connect(slider_, &QSlider::sliderMoved, slider_,
                     [this](int v) { Act<CSliderCtrl>([v](CSliderCtrl* c) { c->UserSetPos(v); }); });
    QObject::connect(slider_, &QSlider::actionTriggered, slider_, [this](int) {
      int v = slider_->sliderPosition();
      Act<CSliderCtrl>([v](CSliderCtrl* c) { c->UserSetPos(v); });
    });
  }

 protected:
  void SyncContent() override {
    auto* s = dynamic_cast<CSliderCtrl*>(wnd());
    if (!s) return;
    QSignalBlocker b(slider_);
    slider_->setRange(s->GetRangeMin(), s->GetRangeMax());
    if (!slider_->isSliderDown()) slider_->setValue(s->GetPos());
  }

 private:
  QSlider* slider_;
};

// A scroll bar control moves only when its parent sets the position: the user's
// arrows, track clicks and thumb drop go to the parent as scroll codes.
class ScrollBarControl : public Control {
 public:
  ScrollBarControl(Host& host, CScrollBar* s, QWidget* parent) : Control(host, s, parent) {
    bar_ = new QScrollBar((s->GetStyle() & SBS_VERT) ? Qt::Vertical : Qt::Horizontal);
    bar_->setPageStep(10);
    SetNative(bar_);
    QObject::connect(bar_, &QScrollBar::actionTriggered, bar_, [this](int action) {
      UINT code = 0;
      if (!ScrollCodeOf(action, &code)) return;
      const int pos = bar_->sliderPosition();
      Act<CScrollBar>([code, pos](CScrollBar* c) { c->UserScroll(code, pos); });
    });
    QObject::connect(bar_, &QScrollBar::sliderReleased, bar_, [this] {
      const int pos = bar_->sliderPosition();
      Act<CScrollBar>([pos](CScrollBar* c) { c->UserScroll(SB_THUMBPOSITION, pos); });
    });
  }

 protected:
  void SyncContent() override {
    auto* s = dynamic_cast<CScrollBar*>(wnd());
    if (!s) return;
    int lo = 0, hi = 0;
    s->GetScrollRange(&lo, &hi);
    QSignalBlocker b(bar_);
    bar_->setRange(lo, hi);
    if (!bar_->isSliderDown()) bar_->setValue(s->GetScrollPos());
  }

 private:
  QScrollBar* bar_;
};

class ProgressControl : public Control {
 public:
  ProgressControl(Host& host, CProgressCtrl* p, QWidget* parent) : Control(host, p, parent) {
    bar_ = new QProgressBar;
    bar_->setTextVisible(false);
    SetNative(bar_);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void SyncContent() override {
    auto* p = dynamic_cast<CProgressCtrl*>(wnd());
    if (!p) return;
    int lo, hi;
    p->GetRange(lo, hi);
    bar_->setRange(std::min(lo, hi), std::max(lo, hi));
    bar_->setValue(p->GetPos());
  }

 private:
  QProgressBar* bar_;
};

class SpinControl : public Control {
 public:
  SpinControl(Host& host, CSpinButtonCtrl* s, QWidget* parent) : Control(host, s, parent) {
    auto* box = new QWidget;
    horizontal_ = s->GetStyle() & UDS_HORZ;
    up_ = new QToolButton(box);
    down_ = new QToolButton(box);
    up_->setArrowType(horizontal_ ? Qt::RightArrow : Qt::UpArrow);
    down_->setArrowType(horizontal_ ? Qt::LeftArrow : Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    SetNative(box);
    // A held arrow repeats; its steps grow by the control's stages.
    for (QToolButton* b : {up_, down_}) {
      const int sign = b == up_ ? 1 : -1;
      QObject::connect(b, &QToolButton::pressed, b, [this] { held_.start(); });
      QObject::connect(b, &QToolButton::clicked, b, [this, sign] {
        const double seconds = held_.isValid() ? double(held_.elapsed()) / 1000.0 : 0.0;
        Act<CSpinButtonCtrl>([sign, seconds](CSpinButtonCtrl* c) { c->UserDelta(sign * c->StepAfter(seconds)); });
      });
    }
  }

 protected:
  void Sync(UINT what) override {
    Control::Sync(what);
    int w = width(), h = height();
    if (horizontal_) {
      down_->setGeometry(0, 0, w / 2, h);
      up_->setGeometry(w / 2, 0, w - w / 2, h);
    } else {
      up_->setGeometry(0, 0, w, h / 2);
      down_->setGeometry(0, h / 2, w, h - h / 2);
    }
  }

 private:
  bool horizontal_;
  QToolButton* up_;
  QToolButton* down_;
  QElapsedTimer held_;
};

class ListViewControl : public Control {
 public:
  ListViewControl(Host& host, CListCtrl* l, QWidget* parent) : Control(host, l, parent) {
    tree_ = new QTreeWidget;
    tree_->setRootIsDecorated(false);
    tree_->setSelectionMode((l->GetStyle() & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                             : QAbstractItemView::ExtendedSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    SetNative(tree_);
    QObject::connect(tree_, &QTreeWidget::itemPressed, tree_, [this](QTreeWidgetItem* it, int) {
      int i = tree_->indexOfTopLevelItem(it);
      Act<CListCtrl>([i](CListCtrl* c) { c->UserClick(i); });
    });
    QObject::connect(tree_, &QTreeWidget::itemDoubleClicked, tree_, [this](QTreeWidgetItem* it, int) {
      int i = tree_->indexOfTopLevelItem(it);
      Act<CListCtrl>([i](CListCtrl* c) { c->UserDoubleClick(i); });
    });
    if (l->GetStyle() & LVS_EDITLABELS) {
      tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
      // An edited first column is the user's label edit; the control decides the text.
      QObject::connect(tree_, &QTreeWidget::itemChanged, tree_, [this](QTreeWidgetItem* it, int column) {
        if (column != 0) return;
        const int i = tree_->indexOfTopLevelItem(it);
        const std::string text = it->text(0).toUtf8().toStdString();
        Act<CListCtrl>([i, text](CListCtrl* c) { c->UserEditLabel(i, text); });
      });
    }
  }

 protected:
  void SyncContent() override {
    auto* l = dynamic_cast<CListCtrl*>(wnd());
    if (!l) return;
    QSignalBlocker s(tree_);
    int cols = std::max(1, l->GetColumnCount());
    QStringList headers;
    for (int c = 0; c < l->GetColumnCount(); ++c) headers << Utf8(l->GetColumn(c)->text);
    tree_->setColumnCount(cols);
    tree_->setHeaderLabels(headers);
    tree_->setHeaderHidden(l->GetColumnCount() == 0);
    for (int c = 0; c < l->GetColumnCount(); ++c)
      if (l->GetColumnWidth(c) > 0) tree_->setColumnWidth(c, l->GetColumnWidth(c));
    while (tree_->topLevelItemCount() > l->GetItemCount()) delete tree_->takeTopLevelItem(tree_->topLevelItemCount() - 1);
    while (tree_->topLevelItemCount() < l->GetItemCount()) tree_->addTopLevelItem(new QTreeWidgetItem);
    for (int i = 0; i < l->GetItemCount(); ++i) {
      QTreeWidgetItem* it = tree_->topLevelItem(i);
      for (int c = 0; c < cols; ++c) it->setText(c, Utf8(l->GetItemText(i, c)));
      if (l->GetStyle() & LVS_EDITLABELS) it->setFlags(it->flags() | Qt::ItemIsEditable);
      it->setSelected(l->GetItemState(i, LVIS_SELECTED) != 0);
    }
  }

 private:
  QTreeWidget* tree_;
};

class TabControl : public Control {
 public:
  TabControl(Host& host, CTabCtrl* t, QWidget* parent) : Control(host, t, parent) {
    tabs_ = new QTabBar;
    tabs_->setExpanding(false);
    SetNative(tabs_);
    QObject::connect(tabs_, &QTabBar::tabBarClicked, tabs_,
                     [this](int i) { Act<CTabCtrl>([i](CTabCtrl* c) { c->UserSelect(i); }); });
  }

 protected:
  void Sync(UINT what) override {
    Control::Sync(what);
    if (native_) native_->setGeometry(0, 0, width(), std::min(height(), tabs_->sizeHint().height()));
  }
  void SyncContent() override {
    auto* t = dynamic_cast<CTabCtrl*>(wnd());
    if (!t) return;
    QSignalBlocker s(tabs_);
    while (tabs_->count() > t->GetItemCount()) tabs_->removeTab(tabs_->count() - 1);
    while (tabs_->count() < t->GetItemCount()) tabs_->addTab(QString());
    for (int i = 0; i < t->GetItemCount(); ++i) tabs_->setTabText(i, PlainText(t->GetItemText(i)));
    tabs_->setCurrentIndex(t->GetCurSel());
  }

 private:
  QTabBar* tabs_;
};

bool OwnerDrawn(CWnd* w) {
  DWORD s = w->GetStyle();
  if (auto* b = dynamic_cast<CButton*>(w)) return b->ButtonType() == BS_OWNERDRAW;
  if (dynamic_cast<CListBox*>(w)) return s & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE);
  if (dynamic_cast<CComboBox*>(w)) return s & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE);
  if (dynamic_cast<CListCtrl*>(w)) return s & LVS_OWNERDRAWFIXED;
  return false;
}

}  // namespace

namespace controls {

WindowWidget* Make(Host& host, CWnd* w, QWidget* parent) {
  if (auto* t = dynamic_cast<CToolBar*>(w)) return new ToolBarWidget(host, t, parent);
  if (auto* s = dynamic_cast<CStatusBar*>(w)) return new StatusBarWidget(host, s, parent);
  if (auto* c = dynamic_cast<CComboBox*>(w); c && OwnerDrawn(w)) return new OwnerDrawnCombo(host, c, parent);
  if (OwnerDrawn(w)) return new OwnerDrawnWidget(host, w, parent);
  if (auto* b = dynamic_cast<CButton*>(w)) return new ButtonControl(host, b, parent);
  if (auto* e = dynamic_cast<CEdit*>(w)) return new EditControl(host, e, parent);
  if (auto* s = dynamic_cast<CStatic*>(w)) return new StaticControl(host, s, parent);
  if (auto* c = dynamic_cast<CComboBox*>(w)) return new ComboControl(host, c, parent);
  if (auto* l = dynamic_cast<CListBox*>(w)) return new ListControl(host, l, parent);
  if (auto* s = dynamic_cast<CSliderCtrl*>(w)) return new SliderControl(host, s, parent);
  if (auto* s = dynamic_cast<CScrollBar*>(w)) return new ScrollBarControl(host, s, parent);
  if (auto* p = dynamic_cast<CProgressCtrl*>(w)) return new ProgressControl(host, p, parent);
  if (auto* s = dynamic_cast<CSpinButtonCtrl*>(w)) return new SpinControl(host, s, parent);
  if (auto* l = dynamic_cast<CListCtrl*>(w)) return new ListViewControl(host, l, parent);
  if (auto* t = dynamic_cast<CTabCtrl*>(w)) return new TabControl(host, t, parent);
  return nullptr;
}

}  // namespace controls
}  // namespace pres
