// The presentation over a small test program: a frame with a menu and an
// accelerator, a view drawing a known pattern, a dialog with an edit.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>
#include <QTabBar>
#include <QTreeWidget>
#include <QColorDialog>
#include <QFileDialog>
#include <QScrollBar>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QCursor>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/bars.h"
#include "framework/clipboard.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/docview.h"
#include "framework/input.h"
#include "framework/resources.h"
#include "model/settings.h"
#include "app/appids.h"
#include "app/appresources.h"
#include "app/imagevectordlg.h"
#include "output/carveorigindlg.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/cutwindow.h"
#include "output/portsettingdlg.h"
#include "platform/codepage.h"
#include "presentation/host.h"
#include "presentation/widgets.h"

using namespace fw;

namespace {

// One QApplication for the whole test program.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "presentation_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

constexpr UINT IDR_TEST = 1;
constexpr UINT ID_GREY = 101, ID_IN_VIEW = 102, ID_IN_DOC = 103, ID_IN_FRAME = 104, ID_IN_APP = 105;
constexpr UINT ID_LONG_RUN = 106;
constexpr UINT IDD_NAME = 200, IDC_NAME = 1000, IDC_STOP = 1001;

std::vector<std::string> g_log;

// The known pattern: bands of colour and a diagonal, so any shift or swap shows.
COLORREF PatternColor(int x, int y) {
  return plat::RGB(BYTE((x * 7) & 0xFF), BYTE((y * 11) & 0xFF), BYTE(((x / 8 + y / 8) % 2) * 200));
}

class TestDoc : public CDocument {
  FW_DECLARE_DYNCREATE(TestDoc)
 public:
  void OnInDoc() { g_log.push_back("doc"); }

 protected:
  FW_DECLARE_COMMAND_MAP()
};
FW_IMPLEMENT_DYNCREATE(TestDoc, CDocument)
FW_BEGIN_COMMAND_MAP(TestDoc, CDocument)
FW_ON_COMMAND(ID_IN_DOC, OnInDoc)
FW_END_COMMAND_MAP()

class TestView : public CView {
  FW_DECLARE_DYNCREATE(TestView)
 public:
  std::vector<std::pair<UINT, WPARAM>> chars;
  bool stop = false;
  int rounds = 0;
  void OnDraw(plat::HDC dc) override {
    RECT r;
    GetClientRect(&r);
    for (int y = 0; y < r.bottom; y += 4)
      for (int x = 0; x < r.right; x += 4) dc->FillSolidRect(RECT{x, y, x + 4, y + 4}, PatternColor(x, y));
    plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(255, 255, 0));
    plat::HGDIOBJ old = dc->SelectObject(pen);
    dc->MoveTo(0, 0);
    dc->LineTo(r.right, r.bottom);
    dc->SelectObject(old);
    plat::DeleteObject(pen);
  }
  std::vector<std::pair<UINT, LPARAM>> mouse;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_CHAR || msg == WM_IME_CHAR || msg == WM_INPUTLANGCHANGE) chars.emplace_back(msg, wp);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDOWN ||
        msg == WM_VSCROLL)
      mouse.emplace_back(msg, msg == WM_VSCROLL ? LPARAM(LOWORD(wp)) : lp);
    return CView::WindowProc(msg, wp, lp);
  }
  void OnInView() { g_log.push_back("view"); }
  void OnStop() { stop = true; }
  // A long operation that pumps one message at a time until Stop is clicked.
  void OnLongRun() {
    QElapsedTimer t;
    t.start();
    while (!stop && t.elapsed() < 5000) {
      ++rounds;
      PumpMessage();
    }
  }

 protected:
  FW_DECLARE_COMMAND_MAP()
};
FW_IMPLEMENT_DYNCREATE(TestView, CView)
FW_BEGIN_COMMAND_MAP(TestView, CView)
FW_ON_COMMAND(ID_IN_VIEW, OnInView)
FW_ON_COMMAND(ID_LONG_RUN, OnLongRun)
FW_ON_BN_CLICKED(IDC_STOP, OnStop)
FW_END_COMMAND_MAP()

class TestFrame : public CFrameWnd {
  FW_DECLARE_DYNCREATE(TestFrame)
 public:
  int initMenus = 0;
  CButton stopButton;
  void OnInFrame() { g_log.push_back("frame"); }
  void OnInitMenu(CMenu* m) override {
    ++initMenus;
    CFrameWnd::OnInitMenu(m);
  }

 protected:
  FW_DECLARE_COMMAND_MAP()
};
FW_IMPLEMENT_DYNCREATE(TestFrame, CFrameWnd)
FW_BEGIN_COMMAND_MAP(TestFrame, CFrameWnd)
FW_ON_COMMAND(ID_IN_FRAME, OnInFrame)
FW_END_COMMAND_MAP()

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp("Test") {}
  int news = 0;
  void OnNew() { ++news; }
  void OnInApp() { g_log.push_back("app"); }
  void OnUpdateGrey(CCmdUI* ui) { ui->Enable(FALSE); }

 protected:
  FW_DECLARE_COMMAND_MAP()
};
FW_BEGIN_COMMAND_MAP(TestApp, CWinApp)
FW_ON_COMMAND(ID_FILE_NEW, OnNew)
FW_ON_COMMAND(ID_IN_APP, OnInApp)
FW_ON_COMMAND(ID_GREY, OnInApp)
FW_ON_UPDATE_COMMAND_UI(ID_GREY, OnUpdateGrey)
FW_END_COMMAND_MAP()

class NameDlg : public CDialog {
 public:
  NameDlg() : CDialog(IDD_NAME) {}
  std::string name = "old";
  void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, IDC_NAME, name); }
};

void RegisterResources() {
  res::SetString(IDR_TEST, "Test");
  res::SetMenu(IDR_TEST, {MenuItemDef("&File", {MenuItemDef("&New\tCtrl+N", ID_FILE_NEW), MenuItemDef("&Grey", ID_GREY),
                                                MenuItemDef("", 0, MF_SEPARATOR), MenuItemDef("In &view", ID_IN_VIEW),
                                                MenuItemDef("In &doc", ID_IN_DOC), MenuItemDef("In &frame", ID_IN_FRAME),
                                                MenuItemDef("In &app", ID_IN_APP)})});
  res::SetAccelerators(IDR_TEST, {ACCEL{FVIRTKEY | FCONTROL, WORD('N'), WORD(ID_FILE_NEW)}});
  DialogTemplate t;
  t.caption = "Name";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.rect = RECT{0, 0, 240, 100};
  t.items = {DlgItemDef(IDC_NAME, CtrlKind::Edit, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{10, 10, 230, 34}),
             DlgItemDef(IDOK, CtrlKind::Button, "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, RECT{60, 60, 140, 86}),
             DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", WS_CHILD | WS_VISIBLE, RECT{150, 60, 230, 86})};
  res::SetDialog(IDD_NAME, t);
}

// Pumps the framework and Qt until nothing waits.
void Settle() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    PumpPendingMessages();
    if (pres::Host::Get()) pres::Host::Get()->Flush();
  }
}

struct PresentationTest : ::testing::Test {
  TestApp app;
  std::unique_ptr<pres::Host> host;
  TestFrame* frame = nullptr;
  TestView* view = nullptr;

  void SetUp() override {
    g_log.clear();
    RegisterResources();
    host = std::make_unique<pres::Host>();
    auto* doc = new TestDoc;
    CCreateContext ctx;
    ctx.m_pNewViewClass = FW_RUNTIME_CLASS(TestView);
    ctx.m_pCurrentDoc = doc;
    frame = new TestFrame;
    ASSERT_TRUE(frame->LoadFrame(IDR_TEST, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, &ctx));
    app.m_pMainWnd = frame;
    frame->InitialUpdateFrame(doc, TRUE);
    view = dynamic_cast<TestView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
    Settle();
  }
  void TearDown() override {
    ResetWindowSystem();
    Settle();
    host.reset();
    QCoreApplication::processEvents();
    ResetQuit();
    ResetClipboard();
    res::Clear();
  }

  QWidget* ViewWidget() { return host->WidgetOf(view->m_hWnd); }
  QMenuBar* MenuBar() { return host->TopOf(frame->m_hWnd)->findChild<QMenuBar*>(); }
  QAction* Item(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
      if (a->text() == text) return a;
    return nullptr;
  }
  QMenu* FileMenu() {
    QMenuBar* bar = MenuBar();
    return bar && !bar->actions().isEmpty() ? bar->actions().front()->menu() : nullptr;
  }
};

// The widget shows the surface pixel for pixel.
void ExpectSameAsSurface(QWidget* w, CWnd* wnd) {
  const plat::Surface& s = wnd->GetSurface().surface();
  QImage shown = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.width(), s.width());
  ASSERT_EQ(shown.height(), s.height());
  int bad = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if ((shown.pixel(x, y) & 0xFFFFFF) != s.row(y)[x] && ++bad < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << shown.pixel(x, y) << " != " << s.row(y)[x];
  EXPECT_EQ(bad, 0);
}

TEST_F(PresentationTest, ViewWidgetShowsTheSurfaceAlsoAfterAnXorMark) {
  QWidget* w = ViewWidget();
  ASSERT_NE(w, nullptr);
  RECT c;
  view->GetClientRect(&c);
  ASSERT_GT(c.width(), 100);
  EXPECT_EQ(w->size(), QSize(c.width(), c.height()));
  EXPECT_EQ(view->GetSurface().surface().GetPixel(9, 5), PatternColor(8, 4));
  ExpectSameAsSurface(w, view);

  // A mark drawn outside painting, as trackers draw them.
  plat::HDC dc = view->GetDC();
  dc->SetROP2(plat::R2_XORPEN);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(255, 255, 255));
  plat::HGDIOBJ old = dc->SelectObject(pen);
  dc->SelectObject(plat::GetStockObject(plat::NULL_BRUSH));
  dc->Rectangle(20, 20, 90, 70);
  dc->SelectObject(old);
  plat::DeleteObject(pen);
  view->ReleaseDC(dc);
  EXPECT_NE(view->GetSurface().surface().GetPixel(20, 40), PatternColor(20, 40));
  ExpectSameAsSurface(w, view);
}

// Sizes and marks taken one after another before Qt paints show as the
// surface holds them at the paint.
TEST_F(PresentationTest, PixelsTakenBeforeThePaintShowTheLatestSurface) {
  QWidget* w = ViewWidget();
  ASSERT_NE(w, nullptr);
  RECT r;
  frame->GetWindowRect(&r);
  int mark = 10;
  for (int step : {-40, 30, -10}) {
    frame->SetWindowPos(HWND_TOP, 0, 0, r.width() + step, r.height() + step, SWP_NOMOVE | SWP_NOZORDER);
    plat::HDC dc = view->GetDC();
    dc->SetROP2(plat::R2_NOT);
    dc->Rectangle(mark, mark, mark + 40, mark + 30);
    view->ReleaseDC(dc);
    mark += 15;
  }
  Settle();
  ExpectSameAsSurface(w, view);
}

// A new top-level window's first picture on screen is what its windows drew:
// Qt paints it only once they have painted.
TEST_F(PresentationTest, ANewWindowFirstShowsWhatItsWindowsDrew) {
  auto* doc = new TestDoc;
  CCreateContext ctx;
  ctx.m_pNewViewClass = FW_RUNTIME_CLASS(TestView);
  ctx.m_pCurrentDoc = doc;
  auto* second = new TestFrame;
  ASSERT_TRUE(second->LoadFrame(IDR_TEST, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, &ctx));
  second->InitialUpdateFrame(doc, TRUE);  // shown at the next pump
  auto* v = dynamic_cast<TestView*>(second->GetActiveView());
  ASSERT_NE(v, nullptr);
  QWidget* vw = host->WidgetOf(v->m_hWnd);
  ASSERT_NE(vw, nullptr);
  struct Watch : QObject {
    CWnd* view = nullptr;
    int paints = 0, beforeDrawn = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) {
        ++paints;
        if (view->GetUpdateRect(nullptr)) ++beforeDrawn;
      }
      return false;
    }
  } watch;
  watch.view = v;
  vw->installEventFilter(&watch);
  Settle();
  EXPECT_GT(watch.paints, 0);
  EXPECT_EQ(watch.beforeDrawn, 0);
  ExpectSameAsSurface(vw, v);
  vw->removeEventFilter(&watch);
  second->DestroyWindow();
  Settle();
}

TEST_F(PresentationTest, MenuChoicesRouteAndUpdateHandlersGrey) {
  QMenu* file = FileMenu();
  ASSERT_NE(file, nullptr);
  // Opening the popup runs WM_INITMENU once and the update handlers.
  file->popup(QPoint(0, 0));
  Settle();
  EXPECT_EQ(frame->initMenus, 1);
  QAction* grey = Item(file, "&Grey");
  ASSERT_NE(grey, nullptr);
  EXPECT_FALSE(grey->isEnabled());
  QAction* news = Item(file, "&New\tCtrl+N");
  ASSERT_NE(news, nullptr);
  EXPECT_TRUE(news->isEnabled());
  EXPECT_TRUE(news->shortcut().isEmpty());  // the frame translates the keys
  file->hide();
  Settle();

  struct Case {
    const char* text;
    const char* handler;
  };
  for (const Case& c : {Case{"In &view", "view"}, Case{"In &doc", "doc"}, Case{"In &frame", "frame"},
                        Case{"In &app", "app"}}) {
    g_log.clear();
    file->popup(QPoint(0, 0));
    QAction* a = Item(file, c.text);
    ASSERT_NE(a, nullptr) << c.text;
    a->trigger();
    file->hide();
    Settle();
    EXPECT_EQ(g_log, std::vector<std::string>{c.handler}) << c.text;
  }
  EXPECT_EQ(frame->initMenus, 5);
}

TEST_F(PresentationTest, CtrlNReachesTheAccelerator) {
  QTest::keyClick(ViewWidget(), Qt::Key_N, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(app.news, 1);
  // The same key without Ctrl is a character.
  QTest::keyClick(ViewWidget(), Qt::Key_N);
  Settle();
  EXPECT_EQ(app.news, 1);
  ASSERT_FALSE(view->chars.empty());
  EXPECT_EQ(view->chars.back(), std::make_pair(WM_CHAR, WPARAM('n')));
}

TEST_F(PresentationTest, ModalDialogDrivenLikeAUser) {
  NameDlg dlg;
  bool drove = false;
  QTimer::singleShot(0, [&] {
    QWidget* top = host->TopOf(dlg.m_hWnd);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->isModal());
    auto* edit = top->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "old");  // DDX filled it
    edit->selectAll();
    QInputMethodEvent chinese;
    chinese.setCommitString(QString::fromUtf8("标牌"));
    QCoreApplication::sendEvent(edit, &chinese);
    QTest::keyClicks(edit, " 40");
    QPushButton* ok = nullptr;
    for (auto* b : top->findChildren<QPushButton*>())
      if (b->text() == "OK") ok = b;
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    drove = true;
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(drove);
  EXPECT_EQ(dlg.name, "标牌 40");
}

// Counts the times its widget shows and hides.
class ShowCounter : public QObject {
 public:
  int shows = 0, hides = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) ++shows;
    if (e->type() == QEvent::Hide) ++hides;
    return false;
  }
};

// A dialog whose start lets the presentation catch up (a message box, a file
// dialog) stays hidden until its start is done.
class PumpingStartDlg : public NameDlg {
 public:
  ShowCounter counter;
  bool visibleInStart = true;
  BOOL OnInitDialog() override {
    NameDlg::OnInitDialog();
    QWidget* top = pres::Host::Get()->TopOf(m_hWnd);
    if (top) top->installEventFilter(&counter);
    pres::Host::Get()->Flush();
    QCoreApplication::processEvents();
    visibleInStart = top && top->isVisible();
    QTimer::singleShot(0, atRun);  // once the run has begun
    return TRUE;
  }
  std::function<void()> atRun;
};

// A modal dialog shows once, already modal and placed: a window shown, hidden and
// shown again at once may stay unmapped under a window manager.
TEST_F(PresentationTest, ModalDialogShowsOnceAfterItsStart) {
  PumpingStartDlg dlg;
  int showsAtRun = -1, hidesAtRun = -1;
  bool modal = false;
  dlg.atRun = [&] {
    QWidget* top = host->TopOf(dlg.m_hWnd);
    ASSERT_NE(top, nullptr);
    showsAtRun = dlg.counter.shows;
    hidesAtRun = dlg.counter.hides;
    modal = top->isModal() && top->isVisible();
    dlg.EndDialog(IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_FALSE(dlg.visibleInStart);
  EXPECT_TRUE(modal);
  EXPECT_EQ(showsAtRun, 1);
  EXPECT_EQ(hidesAtRun, 0);
}

// Escape ends a modal dialog even without a control to take the keyboard (the
// screen grab's window): a key the window system gives the Qt window itself,
// with no widget of it focused, reaches the dialog; Qt moving its focus within
// the window the dialog disabled (as that window hides) does not take the
// keyboard from the dialog.
TEST_F(PresentationTest, EscapeEndsAModalDialogWithoutControls) {
  res::SetDialog(303, DialogTemplate{"", WS_POPUP, RECT{0, 0, 200, 100}, {}});
  CDialog dlg(303, frame);
  QObject during;  // the steps end with the test
  QTimer::singleShot(0, &during, [&] {
    QWidget* top = host->TopOf(dlg.m_hWnd);
    ASSERT_NE(top, nullptr);
    QFocusEvent moved(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(ViewWidget(), &moved);
    QTest::keyClick(top, Qt::Key_Escape);
    // The loop's next turn serves the key; a dialog still open then never got it.
    QTimer::singleShot(0, &during, [&] {
      QTimer::singleShot(0, &during, [&] {
        EXPECT_TRUE(dlg.IsEnded());
        if (!dlg.IsEnded()) dlg.EndDialog(IDOK);
      });
    });
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(PresentationTest, MessageBoxAnswers) {
  QTimer poke;
  poke.setInterval(10);
  QObject::connect(&poke, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    EXPECT_EQ(box->text(), QString::fromUtf8("保存修改?"));
    EXPECT_EQ(box->windowTitle(), "Test");
    box->button(QMessageBox::No)->click();
  });
  poke.start();
  EXPECT_EQ(plat::MessageBox("保存修改?", "Test", plat::MB_YESNOCANCEL | plat::MB_ICONQUESTION), plat::IDNO);
  poke.stop();
}

TEST_F(PresentationTest, TypedTextIsEncodedInTheInputCodePage) {
  host->SetInputLocale("zh_CN");
  Settle();
  view->chars.clear();
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("标a"));
  QCoreApplication::sendEvent(ViewWidget(), &commit);
  Settle();
  std::vector<std::pair<UINT, WPARAM>> want = {{WM_IME_CHAR, 0xB1EA}, {WM_CHAR, 'a'}};
  EXPECT_EQ(view->chars, want);

  // A key's text in two bytes comes as two WM_CHAR; a character the code page lacks beeps.
  plat::RecordingSink rec;
  plat::ScopedReportSink scoped(&rec);
  view->chars.clear();
  QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("标"));
  QCoreApplication::sendEvent(ViewWidget(), &key);
  QInputMethodEvent smile;
  smile.setCommitString(QString::fromUtf8("\U0001F600"));
  QCoreApplication::sendEvent(ViewWidget(), &smile);
  Settle();
  want = {{WM_CHAR, 0xB1}, {WM_CHAR, 0xEA}};
  EXPECT_EQ(view->chars, want);
  EXPECT_EQ(rec.beeps.size(), 1u);
}

TEST_F(PresentationTest, ClipboardBothWays) {
  UINT fmt = RegisterClipboardFormat("CutterVorlan V6.0 SegMulti");
  ASSERT_NE(fmt, 0u);
  auto block = [](const std::string& bytes) {
    HGLOBAL h = plat::GlobalAlloc(plat::GMEM_MOVEABLE, bytes.size());
    plat::GlobalLockGuard g(h);
    std::memcpy(g.bytes(), bytes.data(), bytes.size());
    return h;
  };
  // Ours to the desktop: text as text, private formats under their MIME type.
  ASSERT_TRUE(OpenClipboard(frame));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, block(plat::Utf8ToGbk("标牌") + std::string(1, '\0')));
  SetClipboardData(fmt, block(std::string("\x02\x05\x00\x00\x00\xFE", 6)));
  CloseClipboard();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text(), QString::fromUtf8("标牌"));
  EXPECT_EQ(pres::Host::MimeTypeOf("CutterVorlan V6.0 SegMulti"), "application/x-tindrel-cuttervorlan-v60-segmulti");
  EXPECT_EQ(data->data("application/x-tindrel-cuttervorlan-v60-segmulti"), QByteArray("\x02\x05\x00\x00\x00\xFE", 6));

  // The desktop's to us.
  auto* theirs = new QMimeData;
  theirs->setText(QString::fromUtf8("外来"));
  theirs->setData("application/x-tindrel-cuttervorlan-v60-segmulti", QByteArray("\x02\x01", 2));
  QGuiApplication::clipboard()->setMimeData(theirs);
  ASSERT_TRUE(IsClipboardFormatAvailable(fmt));
  ASSERT_TRUE(OpenClipboard(frame));
  HGLOBAL text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, HGLOBAL(0));
  {
    plat::GlobalLockGuard g(text);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(g.bytes())), plat::Utf8ToGbk("外来"));
  }
  HGLOBAL own = GetClipboardData(fmt);
  ASSERT_NE(own, HGLOBAL(0));
  {
    plat::GlobalLockGuard g(own);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(g.bytes()), g.size()), std::string("\x02\x01", 2));
  }
  CloseClipboard();
}

TEST_F(PresentationTest, OneMessagePumpSeesAClickOnStop) {
  ASSERT_TRUE(frame->stopButton.Create("Button", "Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{4, 4, 80, 28},
                                       view, IDC_STOP));
  Settle();
  auto* button = host->WidgetOf(frame->stopButton.m_hWnd)->findChild<QPushButton*>();
  ASSERT_NE(button, nullptr);
  QTimer::singleShot(50, [&] { QTest::mouseClick(button, Qt::LeftButton); });
  frame->SendMessage(WM_COMMAND, ID_LONG_RUN, 0);
  EXPECT_TRUE(view->stop);
  EXPECT_GT(view->rounds, 1);
}

TEST_F(PresentationTest, CursorsFollowTheProgram) {
  // Every cursor the main frame loads has a picture of its own with its hot spot.
  for (UINT id : {146u, 158u, 153u, 156u, 154u, 163u, 162u, 184u, 129u, 148u, 202u, 149u, 187u, 189u, 188u, 198u, 199u,
                  195u, 196u, 272u, 197u, 262u, 164u, 217u, 1178u, 1179u, 1146u, 263u, 266u}) {
    EXPECT_TRUE(pres::HasCursorPicture(id)) << id;
    QCursor c = pres::CursorOf(id);
    EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
    EXPECT_EQ(c.pixmap().size(), QSize(32, 32)) << id;
  }
  EXPECT_EQ(pres::CursorOf(188).hotSpot(), QPoint(11, 11));
  EXPECT_EQ(pres::CursorOf(195).hotSpot(), QPoint(1, 1));

  QWidget* w = ViewWidget();
  host->SetHovered(static_cast<pres::WindowWidget*>(w));
  SetCursor(IDC_CROSS);
  EXPECT_EQ(w->cursor().shape(), Qt::CrossCursor);
  SetCursor(188);
  EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
  ShowCursor(FALSE);
  EXPECT_EQ(w->cursor().shape(), Qt::BlankCursor);
  ShowCursor(TRUE);
  EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(PresentationTest, MouseAndScrollBarsReachTheWindow) {
  QWidget* w = ViewWidget();
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
  Settle();
  // The second press of a double click is the framework's WM_LBUTTONDBLCLK.
  std::vector<std::pair<UINT, LPARAM>> want = {{WM_LBUTTONDOWN, MAKELONG(30, 40)},
                                               {WM_LBUTTONUP, MAKELONG(30, 40)},
                                               {WM_LBUTTONDBLCLK, MAKELONG(30, 40)},
                                               {WM_LBUTTONUP, MAKELONG(30, 40)},
                                               {WM_RBUTTONDOWN, MAKELONG(7, 9)}};
  EXPECT_EQ(view->mouse, want);

  // A window with a vertical scroll bar: 16 pixels of it, the range and position shown.
  view->mouse.clear();
  view->ModifyStyle(0, WS_VSCROLL);
  view->SetScrollRange(SB_VERT, 0, 200);
  view->SetScrollPos(SB_VERT, 50);
  Settle();
  auto* bar = w->findChild<QScrollBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->width(), 16);
  EXPECT_EQ(bar->x(), view->GetClientSize().cx);
  EXPECT_EQ(bar->maximum(), 200);
  EXPECT_EQ(bar->value(), 50);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QWheelEvent wheel(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w, &wheel);
  Settle();
  want = {{WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_LINEUP}, {WM_VSCROLL, SB_LINEUP}, {WM_VSCROLL, SB_LINEUP}};
  EXPECT_EQ(view->mouse, want);
}

TEST_F(PresentationTest, ScrollBarsSpanTheClientThroughResizes) {
  QWidget* w = ViewWidget();
  view->ModifyStyle(0, WS_VSCROLL | WS_HSCROLL);
  view->SetScrollRange(SB_VERT, -1800, 2700);
  view->SetScrollRange(SB_HORZ, -1800, 2700);
  Settle();
  auto check = [&](const char* when) {
    QScrollBar* vert = nullptr;
    QScrollBar* horz = nullptr;
    for (QScrollBar* b : w->findChildren<QScrollBar*>())
      (b->orientation() == Qt::Vertical ? vert : horz) = b;
    ASSERT_NE(vert, nullptr) << when;
    ASSERT_NE(horz, nullptr) << when;
    const SIZE c = view->GetClientSize();
    RECT r = view->GetRectInParent();
    EXPECT_EQ(w->size(), QSize(r.width(), r.height())) << when;
    EXPECT_EQ(vert->geometry(), QRect(c.cx, 0, 16, c.cy)) << when;
    EXPECT_EQ(horz->geometry(), QRect(0, c.cy, c.cx, 16)) << when;
  };
  check("first");
  view->MoveWindow(0, 0, 300, 200);
  Settle();
  check("smaller");
  view->MoveWindow(0, 0, 700, 600);
  Settle();
  check("larger");
  frame->ShowWindow(SW_SHOWMAXIMIZED);
  Settle();
  check("maximised");
}

TEST_F(PresentationTest, CommonDialogsAnswerThroughTheirChoice) {
  // Colours go both ways, the sixteen custom ones too.
  COLORREF* custom = CColorDialog::GetSavedCustomColors();
  custom[3] = plat::RGB(1, 2, 3);
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->currentColor(), QColor(200, 100, 50));
    EXPECT_EQ(QColorDialog::customColor(3), QColor(1, 2, 3));
    QColorDialog::setCustomColor(5, QColor(9, 8, 7));
    d->setCurrentColor(QColor(10, 20, 30));
    d->accept();
  });
  CColorDialog color(plat::RGB(200, 100, 50));
  EXPECT_EQ(color.DoModal(), IDOK);
  EXPECT_EQ(color.GetColor(), plat::RGB(10, 20, 30));
  EXPECT_EQ(custom[5], plat::RGB(9, 8, 7));

  // File filters match in any letter case; the default extension is added.
  QTemporaryDir dir;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->nameFilters(), QStringList{"Design (*.[tT]98)"});
    d->selectFile(dir.path() + QString::fromUtf8("/标牌"));
    QMetaObject::invokeMethod(d, "accept");
  });
  CFileDialog save(FALSE, "t98", nullptr, OFN_OVERWRITEPROMPT, "Design|*.t98||");
  EXPECT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(save.GetPathName(), dir.path().toStdString() + "/标牌.t98");
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "Design|*.t98||");
  EXPECT_EQ(open.DoModal(), IDCANCEL);

  // The type box shows each filter by its name alone, the patterns matching any case.
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    auto* types = d->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
    EXPECT_EQ(shown, (QStringList{"Text File (*.TXT;*.)", "PLT File(*.plt)"}));
    EXPECT_EQ(d->nameFilters().front(), "Text File (*.TXT;*.) (*.[tT][xX][tT] *.)");
    d->selectFile(dir.path() + "/sign.txt");
    QMetaObject::invokeMethod(d, "accept");
  });
  CFileDialog export_(FALSE, nullptr, nullptr, OFN_OVERWRITEPROMPT, "Text File (*.TXT;*.)|*.TXT;*.|PLT File(*.plt)|*.PLT||");
  EXPECT_EQ(export_.DoModal(), IDOK);
  EXPECT_EQ(export_.GetPathName(), dir.path().toStdString() + "/sign.txt");
}

// Records the notifications its controls send.
class ControlsDlg : public CDialog {
 public:
  std::vector<std::pair<UINT, UINT>> notes;  // id, code
  BOOL OnCommand(WPARAM wp, LPARAM lp) override {
    if (lp) notes.emplace_back(LOWORD(wp), HIWORD(wp));
    return CDialog::OnCommand(wp, lp);
  }
};

TEST_F(PresentationTest, EveryControlKindShowsItsModelAndFeedsUserActions) {
  DialogTemplate t;
  t.caption = "Controls";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 400, 300};
  auto item = [](UINT id, CtrlKind k, const char* text, DWORD style, RECT r) { return DlgItemDef(id, k, text, style, r); };
  t.items = {item(10, CtrlKind::Button, "&Check", BS_AUTOCHECKBOX, RECT{5, 5, 100, 25}),
             item(11, CtrlKind::Button, "One", BS_AUTORADIOBUTTON | WS_GROUP, RECT{5, 30, 100, 50}),
             item(12, CtrlKind::Button, "Two", BS_AUTORADIOBUTTON, RECT{5, 55, 100, 75}),
             item(13, CtrlKind::Static, "&Name:", 0, RECT{5, 80, 100, 100}),
             item(14, CtrlKind::ComboBox, "", CBS_DROPDOWNLIST, RECT{110, 5, 250, 120}),
             item(15, CtrlKind::ListBox, "", LBS_NOTIFY, RECT{110, 130, 250, 200}),
             item(16, CtrlKind::Slider, "", 0, RECT{260, 5, 390, 30}),
             item(17, CtrlKind::Progress, "", 0, RECT{260, 35, 390, 50}),
             item(18, CtrlKind::TabCtrl, "", 0, RECT{260, 55, 390, 80}),
             item(19, CtrlKind::ListView, "", LVS_REPORT, RECT{260, 85, 390, 200}),
             item(20, CtrlKind::Spin, "", 0, RECT{5, 105, 25, 135})};
  res::SetDialog(300, t);
  ControlsDlg dlg;
  ASSERT_TRUE(dlg.Create(300, frame));
  auto* combo = dlg.Item<CComboBox>(14);
  auto* list = dlg.Item<CListBox>(15);
  ASSERT_TRUE(combo && list);
  for (const char* s : {"甲", "乙", "丙"}) combo->AddString(s), list->AddString(s);
  combo->SetCurSel(1);
  list->SetCurSel(2);
  dlg.Item<CSliderCtrl>(16)->SetRange(0, 50);
  dlg.Item<CSliderCtrl>(16)->SetPos(20);
  dlg.Item<CProgressCtrl>(17)->SetPos(70);
  dlg.Item<CTabCtrl>(18)->InsertItem(0, "A");
  dlg.Item<CTabCtrl>(18)->InsertItem(1, "B");
  dlg.Item<CTabCtrl>(18)->SetCurSel(1);
  auto* lv = dlg.Item<CListCtrl>(19);
  lv->InsertColumn(0, "Job", LVCFMT_LEFT, 80);
  lv->InsertItem(0, "one.plt");
  dlg.CheckDlgButton(11, BST_CHECKED);
  Settle();

  auto native = [&](UINT id) { return host->WidgetOf(dlg.GetDlgItem(id)->m_hWnd); };
  auto* qcombo = native(14)->findChild<QComboBox*>();
  auto* qlist = native(15)->findChild<QListWidget*>();
  ASSERT_TRUE(qcombo && qlist);
  EXPECT_EQ(qcombo->count(), 3);
  EXPECT_EQ(qcombo->currentText(), QString::fromUtf8("乙"));
  EXPECT_TRUE(qlist->item(2)->isSelected());
  EXPECT_EQ(native(16)->findChild<QSlider*>()->value(), 20);
  EXPECT_EQ(native(17)->findChild<QProgressBar*>()->value(), 70);
  EXPECT_EQ(native(18)->findChild<QTabBar*>()->currentIndex(), 1);
  EXPECT_EQ(native(19)->findChild<QTreeWidget*>()->topLevelItem(0)->text(0), "one.plt");
  EXPECT_EQ(native(13)->findChild<QLabel*>()->text(), "Name:");
  auto* one = native(11)->findChild<QRadioButton*>();
  auto* two = native(12)->findChild<QRadioButton*>();
  EXPECT_TRUE(one->isChecked());

  // The user's actions go through the controls, and their state comes back.
  QTest::mouseClick(native(10)->findChild<QCheckBox*>(), Qt::LeftButton);
  two->click();
  emit qcombo->activated(2);
  Settle();
  EXPECT_EQ(dlg.IsDlgButtonChecked(10), UINT(BST_CHECKED));
  EXPECT_EQ(dlg.IsDlgButtonChecked(12), UINT(BST_CHECKED));
  EXPECT_EQ(dlg.IsDlgButtonChecked(11), UINT(BST_UNCHECKED));
  EXPECT_FALSE(one->isChecked());
  EXPECT_EQ(combo->GetCurSel(), 2);
  std::vector<std::pair<UINT, UINT>> want = {{10, BN_CLICKED}, {12, BN_CLICKED}, {14, CBN_SELCHANGE}, {14, CBN_SELENDOK}};
  EXPECT_EQ(dlg.notes, want);
  dlg.DestroyWindow();
}

// A control's WS_VSCROLL / WS_HSCROLL are its own to draw (a combo box's drop list,
// a list's or an edit's bars); only a window that shows its surface gets the
// framework's bars.
TEST_F(PresentationTest, NativeControlsShowNoFrameworkScrollBars) {
  DialogTemplate t;
  t.caption = "Bars";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 400, 300};
  constexpr DWORD kBoth = WS_VSCROLL | WS_HSCROLL;
  t.items = {DlgItemDef(30, CtrlKind::ComboBox, "", CBS_DROPDOWNLIST | WS_VSCROLL, RECT{5, 5, 150, 200}),
             DlgItemDef(31, CtrlKind::ListBox, "", LBS_NOTIFY | kBoth, RECT{160, 5, 300, 120}),
             DlgItemDef(32, CtrlKind::Edit, "", ES_MULTILINE | kBoth, RECT{160, 130, 300, 200}),
             DlgItemDef(33, CtrlKind::Custom, "", kBoth, RECT{310, 5, 390, 200})};
  res::SetDialog(301, t);
  ControlsDlg dlg;
  ASSERT_TRUE(dlg.Create(301, frame));
  dlg.Item<CComboBox>(30)->AddString("one");
  Settle();
  auto bars = [&](UINT id) {
    return host->WidgetOf(dlg.GetDlgItem(id)->m_hWnd)->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly);
  };
  for (UINT id : {30u, 31u, 32u}) EXPECT_TRUE(bars(id).isEmpty()) << id;
  EXPECT_EQ(bars(33).size(), 2);
  dlg.DestroyWindow();
}

// Records the scroll codes its scroll bar controls send and moves them as asked.
class ScrollDlg : public CDialog {
 public:
  std::vector<std::pair<UINT, UINT>> codes;  // code, position
  void OnHScroll(UINT code, UINT pos, CWnd* bar) override {
    codes.emplace_back(code, pos);
    auto* s = dynamic_cast<CScrollBar*>(bar);
    if (s && code == SB_LINERIGHT) s->SetScrollPos(s->GetScrollPos() + 1);
    if (s && code == SB_THUMBPOSITION) s->SetScrollPos(int(pos));
  }
};

TEST_F(PresentationTest, ScrollBarControlShowsItsRangeAndSendsTheUsersScrolls) {
  DialogTemplate t;
  t.caption = "Scroll";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 300, 100};
  t.items = {DlgItemDef(40, CtrlKind::ScrollBar, "", SBS_HORZ, RECT{10, 10, 250, 26})};
  res::SetDialog(302, t);
  ScrollDlg dlg;
  ASSERT_TRUE(dlg.Create(302, frame));
  auto* bar = dlg.Item<CScrollBar>(40);
  bar->SetScrollRange(0, 300);
  bar->SetScrollPos(120);
  Settle();
  auto* q = host->WidgetOf(bar->m_hWnd)->findChild<QScrollBar*>();
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->orientation(), Qt::Horizontal);
  EXPECT_EQ(q->minimum(), 0);
  EXPECT_EQ(q->maximum(), 300);
  EXPECT_EQ(q->value(), 120);

  q->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  Settle();
  EXPECT_EQ(bar->GetScrollPos(), 121);
  EXPECT_EQ(q->value(), 121);
  q->setSliderDown(true);
  q->setSliderPosition(250);
  q->setSliderDown(false);
  Settle();
  EXPECT_EQ(bar->GetScrollPos(), 250);
  EXPECT_EQ(q->value(), 250);
  ASSERT_GE(dlg.codes.size(), 4u);
  EXPECT_EQ(dlg.codes[0], std::make_pair(UINT(SB_LINERIGHT), 0u));
  EXPECT_EQ(dlg.codes[1], std::make_pair(UINT(SB_ENDSCROLL), 0u));
  EXPECT_EQ(dlg.codes[dlg.codes.size() - 2], std::make_pair(UINT(SB_THUMBPOSITION), 250u));
  EXPECT_EQ(dlg.codes.back(), std::make_pair(UINT(SB_ENDSCROLL), 0u));
  dlg.DestroyWindow();
}

// The texts of a dialog's labels, check boxes, radio buttons and buttons that its
// controls cut off, with the room they have.
std::vector<std::string> CutTexts(pres::Host& host, CDialog& dlg) {
  std::vector<std::string> cut;
  for (CWnd* c : dlg.Children()) {
    QWidget* w = host.WidgetOf(c->m_hWnd);
    if (!w || !c->IsWindowVisible()) continue;
    const QSize room = w->size();
    auto note = [&](const QString& text, int need) {
      cut.push_back(text.toStdString() + ": " + std::to_string(need) + " > " + std::to_string(room.width()));
    };
    if (auto* l = w->findChild<QLabel*>(); l && !l->text().isEmpty()) {
      const int need = l->fontMetrics().horizontalAdvance(l->text());
      // A wrapped label shows whole when its lines fit its height.
      if (need > room.width() && (!l->wordWrap() || l->heightForWidth(room.width()) > room.height())) note(l->text(), need);
    } else if (auto* b = w->findChild<QAbstractButton*>(); b && !b->text().isEmpty() && !w->findChild<QGroupBox*>()) {
      const int indicator = qobject_cast<QPushButton*>(b) ? 8 : 20;
      const int need = b->fontMetrics().horizontalAdvance(b->text().remove('&')) + indicator;
      if (need > room.width()) note(b->text(), need);
    }
  }
  return cut;
}

// The engraving, scanning and tracing dialogs show every label whole.
TEST_F(PresentationTest, ImageAndEngravingDialogsShowTheirLabelsWhole) {
  QTemporaryDir dir;
  appres::RegisterAppResources();
  RegisterImageVectorDialogs();
  CPortSettingDlg port;                                                    // registers 299
  CCarveOriginDlg origin(nullptr, dir.path().toStdString() + "/Carves.INI",  // registers 309
                         dir.path().toStdString() + "/Port.INI");
  for (UINT id : {UINT(ivdlg::IDD_IMAGE_VECTOR), UINT(ivdlg::IDD_VECTOR_SET), UINT(ivdlg::IDD_VECTOR_SET_ALL),
                  UINT(portid::IDD_PORT_SETTING), UINT(carveid::IDD_CARVE_ORIGIN), UINT(appid::IDD_SCAN)}) {
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(id, frame)) << id;
    dlg.ShowWindow(SW_SHOW);
    Settle();
    EXPECT_EQ(CutTexts(*host, dlg), std::vector<std::string>{}) << id;
    dlg.DestroyWindow();
  }
}

// Accepts every label edit of its list and records the texts.
class LabelDlg : public CDialog {
 public:
  std::vector<std::string> ends;
  BOOL OnNotify(WPARAM, LPARAM lp, LRESULT* result) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr->code == LVN_ENDLABELEDIT) {
      auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
      ends.push_back(info->item.pszText ? info->item.pszText : "");
      *result = 1;
    }
    return TRUE;
  }
};

TEST_F(PresentationTest, ListLabelsAreEditedInPlace) {
  DialogTemplate t;
  t.caption = "Labels";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 300, 200};
  t.items = {DlgItemDef(19, CtrlKind::ListView, "", LVS_REPORT | LVS_EDITLABELS, RECT{5, 5, 290, 190})};
  res::SetDialog(304, t);
  LabelDlg dlg;
  ASSERT_TRUE(dlg.Create(304, frame));
  auto* lv = dlg.Item<CListCtrl>(19);
  lv->InsertColumn(0, "Path", LVCFMT_LEFT, 150);
  lv->InsertColumn(1, "Kind", LVCFMT_LEFT, 100);
  lv->InsertItem(0, "/old/");
  lv->SetItemText(0, 1, "fixed");
  Settle();
  auto* tree = host->WidgetOf(lv->m_hWnd)->findChild<QTreeWidget*>();
  ASSERT_NE(tree, nullptr);
  QTreeWidgetItem* row = tree->topLevelItem(0);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(row->flags() & Qt::ItemIsEditable);
  row->setText(0, QString::fromUtf8("/新/"));
  Settle();
  EXPECT_EQ(dlg.ends, std::vector<std::string>{"/新/"});
  EXPECT_EQ(lv->GetItemText(0, 0), "/新/");
  EXPECT_EQ(lv->GetItemText(0, 1), "fixed");
  dlg.DestroyWindow();
}

class TestChild : public CMDIChildWnd {
  FW_DECLARE_DYNCREATE(TestChild)
};
FW_IMPLEMENT_DYNCREATE(TestChild, CMDIChildWnd)

// A multi-document main window, shown, with one document template whose
// views are of `viewClass`; no window when the frame does not load.
struct MdiWindow {
  CMultiDocTemplate* tmpl = nullptr;
  CMDIFrameWnd* mdi = nullptr;
};
MdiWindow OpenMdiWindow(CWinApp& app, const CRuntimeClass* viewClass, int show) {
  constexpr UINT IDR_MDI = 2, IDR_DOC = 3;
  res::SetString(IDR_MDI, "Main");
  res::SetMenu(IDR_MDI, {MenuItemDef("&File", {MenuItemDef("&New", ID_FILE_NEW)})});
  res::SetString(IDR_DOC, "Doc\nDoc\nDoc");
  res::SetMenu(IDR_DOC, {MenuItemDef("&File", {MenuItemDef("&Close", ID_FILE_CLOSE)})});
  MdiWindow w;
  w.tmpl = new CMultiDocTemplate(IDR_DOC, FW_RUNTIME_CLASS(TestDoc), FW_RUNTIME_CLASS(TestChild), viewClass);
  app.AddDocTemplate(w.tmpl);
  auto* mdi = new CMDIFrameWnd;
  if (!mdi->LoadFrame(IDR_MDI)) return w;
  w.mdi = mdi;
  app.m_pMainWnd = mdi;
  mdi->ShowWindow(show);
  return w;
}

TEST_F(PresentationTest, MaximisedDocumentWindowsMenuRestoresAndCloses) {
  auto [tmpl, mdi] = OpenMdiWindow(app, FW_RUNTIME_CLASS(TestView), SW_SHOW);
  ASSERT_NE(mdi, nullptr);
  auto systemItem = [&](const QString& text) -> QAction* {
    Settle();
    QMenuBar* bar = host->TopOf(mdi->m_hWnd)->findChild<QMenuBar*>();
    if (!bar || bar->actions().isEmpty() || !bar->actions().front()->menu()) return nullptr;
    for (QAction* a : bar->actions().front()->menu()->actions())
      if (a->text() == text) return a;
    return nullptr;
  };

  ASSERT_NE(tmpl->OpenDocumentFile(nullptr), nullptr);
  mdi->MDIGetActive()->MDIMaximize();
  QAction* restore = systemItem("&Restore");
  ASSERT_NE(restore, nullptr);
  restore->trigger();
  Settle();
  EXPECT_FALSE(mdi->MDIGetActive()->IsZoomed());

  mdi->MDIGetActive()->MDIMaximize();
  QAction* close = systemItem("&Close");
  ASSERT_NE(close, nullptr);
  close->trigger();
  Settle();
  EXPECT_EQ(mdi->MDIGetActive(), nullptr);
  EXPECT_EQ(tmpl->GetOpenDocumentCount(), 0);
}

// Paints each item of its owner-drawn list in a colour of its own.
class SwatchDlg : public ControlsDlg {
 public:
  void OnDrawItem(int, DRAWITEMSTRUCT* dis) override {
    dis->hDC->FillSolidRect(dis->rcItem, plat::RGB(BYTE(40 * dis->itemID), 100, 200));
  }
};

// A view with both scroll bars that asks to be maximised, as the design view does.
class ScrolledView : public TestView {
  FW_DECLARE_DYNCREATE(ScrolledView)

 public:
  BOOL Create(const std::string& cls, const std::string& title, DWORD style, const RECT& rect, CWnd* parent, UINT id,
              void* param) override {
    RECT r = rect;
    if (CWnd* main = AfxGetMainWnd()) main->GetClientRect(&r);
    return TestView::Create(cls, title, style | WS_MAXIMIZE | WS_VSCROLL | WS_HSCROLL, r, parent, id, param);
  }
};
FW_IMPLEMENT_DYNCREATE(ScrolledView, TestView)

TEST_F(PresentationTest, ScrollBarsOfAMaximisedDocumentViewSpanItsClient) {
  auto [tmpl, mdi] = OpenMdiWindow(app, FW_RUNTIME_CLASS(ScrolledView), SW_SHOWMAXIMIZED);
  ASSERT_NE(mdi, nullptr);
  Settle();
  ASSERT_NE(tmpl->OpenDocumentFile(nullptr), nullptr);
  mdi->MDIGetActive()->MDIMaximize();
  Settle();
  CView* v = mdi->MDIGetActive()->GetActiveView();
  ASSERT_NE(v, nullptr);
  v->SetScrollRange(SB_VERT, -1800, 2700);
  Settle();
  QWidget* w = host->WidgetOf(v->m_hWnd);
  ASSERT_NE(w, nullptr);
  QScrollBar* vert = nullptr;
  for (QScrollBar* b : w->findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) vert = b;
  ASSERT_NE(vert, nullptr);
  const SIZE c = v->GetClientSize();
  const RECT r = v->GetRectInParent();
  EXPECT_EQ(w->size(), QSize(r.width(), r.height()));
  EXPECT_EQ(vert->geometry(), QRect(c.cx, 0, 16, c.cy));
  EXPECT_TRUE(vert->isVisible());
  // The child fills the MDI client.
  RECT mc;
  mdi->GetMDIClient()->GetClientRect(&mc);
  EXPECT_EQ(r.height(), mc.bottom) << r.top;
}

TEST_F(PresentationTest, OwnerDrawnListsShowWhatTheirOwnerDrew) {
  DialogTemplate t;
  t.caption = "Swatches";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 200, 200};
  t.items = {DlgItemDef(30, CtrlKind::ListBox, "", LBS_NOTIFY | LBS_OWNERDRAWFIXED, RECT{10, 10, 110, 150})};
  res::SetDialog(301, t);
  SwatchDlg dlg;
  ASSERT_TRUE(dlg.Create(301, frame));
  auto* list = dlg.Item<CListBox>(30);
  for (int i = 0; i < 4; ++i) list->AddString("");
  Settle();
  QWidget* w = host->WidgetOf(list->m_hWnd);
  RECT row;
  list->GetItemRect(2, &row);
  EXPECT_EQ(list->GetSurface().surface().GetPixel(5, row.top + 1), plat::RGB(80, 100, 200));
  ExpectSameAsSurface(w, list);
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, row.top + 1));
  Settle();
  EXPECT_EQ(list->GetCurSel(), 2);
  ASSERT_FALSE(dlg.notes.empty());
  EXPECT_EQ(dlg.notes.back(), std::make_pair(30u, LBN_SELCHANGE));
  dlg.DestroyWindow();
}

// Shows a bordered sample popup beside its combo box while the list is dropped.
class SampleSwatchDlg : public SwatchDlg {
 public:
  CDialog sample;
  BOOL OnCommand(WPARAM wp, LPARAM lp) override {
    if (HIWORD(wp) == CBN_DROPDOWN) {
      if (!sample.m_hWnd) sample.Create(303, this);
      sample.SetWindowPos(nullptr, 300, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      sample.ShowWindow(SW_SHOWNOACTIVATE);
    }
    return SwatchDlg::OnCommand(wp, lp);
  }
};

// A combo box its owner draws: shut, it shows the owner's picture of the selection;
// a click drops the list of pictures without choosing (a popup the owner shows then
// leaves it open); a pick in the list selects.
TEST_F(PresentationTest, OwnerDrawnComboShowsItsSelectionAndPicksFromItsList) {
  res::SetDialog(303, DialogTemplate{"", WS_POPUP | WS_BORDER, RECT{0, 0, 120, 40}, {}});
  DialogTemplate t;
  t.caption = "Swatches";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 200, 200};
  t.items = {DlgItemDef(31, CtrlKind::ComboBox, "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                        RECT{10, 10, 160, 150})};
  res::SetDialog(302, t);
  SampleSwatchDlg dlg;
  ASSERT_TRUE(dlg.Create(302, frame));
  auto* combo = dlg.Item<CComboBox>(31);
  for (const char* s : {"a", "b", "c"}) combo->AddString(s);
  combo->SetCurSel(1);
  Settle();
  QWidget* w = host->WidgetOf(combo->m_hWnd);
  auto* qcombo = w->findChild<QComboBox*>();
  ASSERT_NE(qcombo, nullptr);
  auto shut = [&] {
    QImage img = qcombo->grab().toImage();
    return img.pixel(img.width() / 3, img.height() / 2) & 0xFFFFFF;
  };
  EXPECT_EQ(shut(), qRgb(40, 100, 200) & 0xFFFFFF);

  QTest::mouseClick(qcombo, Qt::LeftButton, Qt::NoModifier, QPoint(qcombo->width() / 3, qcombo->height() / 2));
  Settle();
  QAbstractItemView* list = qcombo->view();
  ASSERT_TRUE(list->isVisible());
  EXPECT_TRUE(combo->GetDroppedState());
  EXPECT_EQ(combo->GetCurSel(), 1);
  auto has = [&](UINT code) {
    return std::find(dlg.notes.begin(), dlg.notes.end(), std::make_pair(31u, code)) != dlg.notes.end();
  };
  EXPECT_TRUE(has(CBN_DROPDOWN));
  EXPECT_FALSE(has(CBN_SELCHANGE));
  QWidget* sample = host->TopOf(dlg.sample.m_hWnd);
  ASSERT_NE(sample, nullptr);
  EXPECT_TRUE(sample->isVisible());
  EXPECT_TRUE(sample->windowFlags() & Qt::FramelessWindowHint);
  QRect row = list->visualRect(list->model()->index(2, 0));
  ASSERT_TRUE(row.isValid());
  QImage items = list->viewport()->grab().toImage();
  EXPECT_EQ(items.pixel(row.center()) & 0xFFFFFF, qRgb(80, 100, 200) & 0xFFFFFF);

  // The list takes no release within a double-click time of its opening.
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseMove(list->viewport(), row.center());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  Settle();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_TRUE(has(CBN_SELCHANGE));
  EXPECT_TRUE(has(CBN_CLOSEUP));
  EXPECT_FALSE(combo->GetDroppedState());
  EXPECT_EQ(shut(), qRgb(80, 100, 200) & 0xFFFFFF);
  dlg.sample.DestroyWindow();
  dlg.DestroyWindow();
}

TEST_F(PresentationTest, InputForADestroyedWindowIsDropped) {
  QWidget* w = ViewWidget();
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_GT(host->DeferredCount(), 0u);
  frame->DestroyWindow();
  EXPECT_FALSE(host->RunDeferred());  // each action finds its window gone
  EXPECT_EQ(host->DeferredCount(), 0u);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

// A pane sized for its widest text shows such a text whole: were it cut, two texts
// that differ only in their last character would look the same.
TEST_F(PresentationTest, StatusPanesShowTheirWidestTextWhole) {
  res::SetString(0x7101, "Width");
  res::SetString(0x7102, "Mouse");
  static const UINT ids[] = {ID_SEPARATOR, 0x7101, 0x7102};
  CStatusBar bar;
  ASSERT_TRUE(bar.Create(frame));
  ASSERT_TRUE(bar.SetIndicators(ids, 3));
  bar.SetPaneWidestText(1, "W: 99999.9");
  bar.SetPaneWidestText(2, "M: -9999.9,-9999.9");
  frame->RecalcLayout();
  Settle();
  QWidget* w = host->WidgetOf(bar.m_hWnd);
  ASSERT_NE(w, nullptr);
  auto shot = [&](int pane, const char* text) {
    bar.SetPaneText(pane, text);
    Settle();
    return w->grab().toImage();
  };
  struct Case {
    int pane;
    const char* a;
    const char* b;
  };
  const Case cases[] = {
      {1, "W: 1234.5", "W: 1234.6"},
      {1, "W: 12345.5", "W: 12345.6"},
      {2, "M: -1234.5,-1234.5", "M: -1234.5,-1234.6"},
  };
  for (const Case& c : cases) EXPECT_NE(shot(c.pane, c.a), shot(c.pane, c.b)) << c.a;
}

// A bar's pictures come from the strip drawn for the screen: at a device pixel
// ratio of 2 the 2x strip, pixel for pixel (a fine checker no enlarged 1x picture
// can show), else the 1x one. The ratio-2 case runs as its own test program run
// under QT_SCALE_FACTOR=2.
TEST_F(PresentationTest, ToolBarPicturesFollowThePixelRatio) {
  constexpr UINT IDT_PICTURES = 300;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString one = dir.path() + "/bar.bmp", two = dir.path() + "/bar@2x.bmp";
  QImage plain(32, 15, QImage::Format_RGB32), fine(64, 30, QImage::Format_RGB32);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 32; ++x) plain.setPixel(x, y, x < 16 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 64; ++x)
      fine.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : x < 32 ? qRgb(0, 160, 0) : qRgb(0, 0, 0));
  ASSERT_TRUE(plain.save(one, "BMP"));
  ASSERT_TRUE(fine.save(two, "BMP"));
  ToolBarDef def;
  def.ids = {ID_IN_FRAME, 0, ID_GREY};
  res::SetToolBar(IDT_PICTURES, def);
  res::SetBitmap(IDT_PICTURES, one.toStdString());

  // The loader: the 2x strip above ratio 1, carrying its ratio.
  for (qreal ratio : {1.0, 1.5, 2.0}) {
    QImage img = pres::LoadBitmap(IDT_PICTURES, ratio);
    const int scale = ratio > 1.0 ? 2 : 1;
    EXPECT_EQ(img.size(), QSize(32 * scale, 15 * scale)) << ratio;
    EXPECT_EQ(img.devicePixelRatio(), qreal(scale)) << ratio;
  }

  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP));
  ASSERT_TRUE(bar.LoadToolBar(IDT_PICTURES));
  frame->RecalcLayout();
  Settle();
  QWidget* w = host->WidgetOf(bar.m_hWnd);
  ASSERT_NE(w, nullptr);
  const qreal ratio = w->devicePixelRatioF();
  if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
    ASSERT_EQ(ratio, 2.0);
  }
  const bool dense = ratio > 1.0;
  const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // The enabled and the greyed button: neighbouring device pixels of the middle
  // of the picture differ only where the 2x strip is drawn.
  for (int i : {0, 2}) {
    SCOPED_TRACE(i);
    RECT r;
    bar.GetItemRect(i, &r);
    const QPoint mid(int((r.left + r.right) / 2 * ratio), int((r.top + r.bottom) / 2 * ratio));
    int differ = 0, same = 0;
    for (int y = -4; y < 4; ++y)
      for (int x = -4; x < 4; ++x)
        (shot.pixel(mid + QPoint(x, y)) != shot.pixel(mid + QPoint(x + 1, y)) ? differ : same)++;
    if (dense) {
      EXPECT_EQ(same, 0);
    } else {
      EXPECT_EQ(differ, 0);
    }
  }
  const QRgb first = [&] {
    RECT r;
    bar.GetItemRect(0, &r);
    return shot.pixel(int((r.left + r.right) / 2 * ratio), int((r.top + r.bottom) / 2 * ratio));
  }();
  if (!dense) {
    EXPECT_EQ(first & 0xFFFFFF, 0xFF0000u);
  } else {
    EXPECT_TRUE((first & 0xFFFFFF) == 0x00A000u || (first & 0xFFFFFF) == 0xFFFFFFu) << std::hex << first;
  }

  // Without a 2x strip a dense screen shows the 1x one.
  ASSERT_TRUE(QFile::remove(two));
  QImage img = pres::LoadBitmap(IDT_PICTURES, 2.0);
  EXPECT_EQ(img.size(), QSize(32, 15));
  EXPECT_EQ(img.devicePixelRatio(), 1.0);
}

// Push buttons, boxes and radio buttons with a bitmap show it before their text:
// the 2x picture where pixels are dense, at the picture's own size either way.
TEST_F(PresentationTest, ButtonPicturesFollowThePixelRatio) {
  constexpr UINT IDB_BUTTON = 305, IDD_BUTTONS = 305;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage plain(24, 16, QImage::Format_RGB32), fine(48, 32, QImage::Format_RGB32);
  plain.fill(qRgb(255, 0, 0));
  fine.fill(qRgb(0, 160, 0));
  ASSERT_TRUE(plain.save(dir.path() + "/button.bmp", "BMP"));
  ASSERT_TRUE(fine.save(dir.path() + "/button@2x.bmp", "BMP"));
  res::SetBitmap(IDB_BUTTON, (dir.path() + "/button.bmp").toStdString());
  DialogTemplate t;
  t.caption = "Pictures";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = RECT{0, 0, 200, 100};
  t.items = {DlgItemDef(10, CtrlKind::Button, "Push", BS_PUSHBUTTON, RECT{5, 5, 120, 30}),
             DlgItemDef(11, CtrlKind::Button, "Box", BS_AUTOCHECKBOX, RECT{5, 35, 120, 60}),
             DlgItemDef(12, CtrlKind::Button, "Radio", BS_AUTORADIOBUTTON, RECT{5, 65, 120, 90})};
  res::SetDialog(IDD_BUTTONS, t);
  CDialog dlg;
  ASSERT_TRUE(dlg.Create(IDD_BUTTONS, frame));
  for (UINT id : {10u, 11u, 12u}) dlg.Item<CButton>(id)->SetBitmap(IDB_BUTTON);
  Settle();
  for (UINT id : {10u, 11u, 12u}) {
    SCOPED_TRACE(id);
    auto* b = host->WidgetOf(dlg.GetDlgItem(id)->m_hWnd)->findChild<QAbstractButton*>();
    ASSERT_NE(b, nullptr);
    const qreal ratio = b->devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
      ASSERT_EQ(ratio, 2.0);
    }
    const int scale = ratio > 1.0 ? 2 : 1;
    ASSERT_FALSE(b->icon().isNull());
    EXPECT_EQ(b->iconSize(), QSize(24, 16));
    const QImage shown = b->icon().pixmap(b->iconSize(), ratio).toImage();
    EXPECT_EQ(shown.size(), QSize(24 * scale, 16 * scale));
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2) & 0xFFFFFF, scale == 2 ? 0x00A000u : 0xFF0000u);
  }
  // Taking the bitmap away takes the picture away.
  dlg.Item<CButton>(11)->SetBitmap(0);
  Settle();
  EXPECT_TRUE(host->WidgetOf(dlg.GetDlgItem(11)->m_hWnd)->findChild<QAbstractButton*>()->icon().isNull());
  dlg.DestroyWindow();
}

// A common dialog shows one window, the host's dialog, modal over its owner; the
// framework's window standing for it never shows.
TEST_F(PresentationTest, CommonDialogsShowOnlyTheirOwnWindow) {
  QWidget* mainTop = host->TopOf(frame->m_hWnd);
  ASSERT_NE(mainTop, nullptr);
  ASSERT_TRUE(mainTop->isVisible());
  struct Case {
    const char* what;
    std::function<int()> run;
    const char* qtClass;
  };
  const Case cases[] = {
      {"open", [] { CFileDialog d(TRUE, "t98", nullptr, OFN_FILEMUSTEXIST, "Designs|*.t98||"); return d.DoModal(); },
       "QFileDialog"},
      {"save as", [] { CFileDialog d(FALSE, "t98", "x.t98", OFN_OVERWRITEPROMPT, "Designs|*.t98||"); return d.DoModal(); },
       "QFileDialog"},
      {"colour", [] { CColorDialog d(plat::RGB(1, 2, 3)); return d.DoModal(); }, "QColorDialog"},
      {"print setup", [] { CPrintDialog d(TRUE); return d.DoModal(); }, "QPageSetupDialog"},
      {"print", [] { CPrintDialog d(FALSE); return d.DoModal(); }, "QPrintDialog"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // What shows while the dialog runs; the dialog is closed whatever it finds.
    std::string modalClass = "(none)", titles;
    bool ownedByMain = false;
    int others = 0;
    QTimer::singleShot(0, [&] {
      host->Flush();
      QCoreApplication::processEvents();
      QWidget* modal = QApplication::activeModalWidget();
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != mainTop && w != modal) {
          ++others;
          titles += "[" + w->windowTitle().toStdString() + "]";
        }
      if (auto* d = qobject_cast<QDialog*>(modal)) {
        modalClass = modal->metaObject()->className();
        ownedByMain = modal->parentWidget() == mainTop;
        d->reject();
      } else {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* other = qobject_cast<QDialog*>(w); other && other->isVisible()) other->reject();
      }
    });
    EXPECT_EQ(c.run(), IDCANCEL);
    EXPECT_EQ(modalClass, c.qtClass);
    EXPECT_TRUE(ownedByMain);
    EXPECT_EQ(others, 0) << titles;
    Settle();
  }
}

}  // namespace

// The cut window: a top-level window of its own, maximised over the hidden
// main window, with the cutter bar along the top and the tabbed bar whose tabs
// switch its pages; closing it brings the main window back.
TEST_F(PresentationTest, CutWindowShowsItsBarsAndPages) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string ini = dir.path().toStdString() + "/Cutters.INI";
  const QString models = QDir::cleanPath(QString(TINDREL_TEST_DATA) + "/../../../output/tests/data/Cutters.INI");
  ASSERT_TRUE(QFile::copy(models, QString::fromStdString(ini)));
  CIniFile cutters;
  cutters.SetPath(ini);
  CCutterDriver device(cutters);
  device.port.SetSettingsPath(dir.path().toStdString() + "/Port.INI");
  CCutInfo info;
  RegisterCutWindowResources();
  auto* cut = new CCutFrame(device, info, cutters);
  CCreateContext ctx;
  ctx.m_pNewViewClass = FW_RUNTIME_CLASS(TestView);
  ASSERT_TRUE(cut->LoadFrame(cutid::IDR_CUT_FRAME, WS_OVERLAPPEDWINDOW, view, &ctx));
  cut->SetMenu(nullptr);
  cut->InitialUpdateFrame(nullptr, FALSE);
  cut->SetWindowText("CutOut  ");
  frame->ShowWindow(SW_SHOWMAXIMIZED);
  Settle();
  cut->ShowWindow(SW_SHOWMAXIMIZED);
  frame->ShowWindow(SW_HIDE);
  Settle();

  QWidget* top = host->TopOf(cut->m_hWnd);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  EXPECT_TRUE(top->isMaximized());
  EXPECT_EQ(top->windowTitle(), QString("CutOut  "));
  EXPECT_FALSE(host->TopOf(frame->m_hWnd)->isVisible());

  QWidget* bar = host->WidgetOf(cut->GetCutterBar().m_hWnd);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  QWidget* model = host->WidgetOf(cut->GetCutterBar().GetDlgItem(cutid::IDC_MODEL)->m_hWnd);
  ASSERT_NE(model, nullptr);
  ASSERT_NE(model->findChild<QComboBox*>(), nullptr);
  EXPECT_EQ(model->findChild<QComboBox*>()->count(), 2);

  CCutBar& side = cut->GetCutBar();
  QWidget* tabs = host->WidgetOf(side.GetDlgItem(cutid::IDC_CUT_TAB)->m_hWnd);
  ASSERT_NE(tabs, nullptr);
  auto* tabBar = tabs->findChild<QTabBar*>();
  ASSERT_NE(tabBar, nullptr);
  EXPECT_EQ(tabBar->count(), 2);
  QWidget* optionsPage = host->WidgetOf(side.Options().m_hWnd);
  QWidget* knifePage = host->WidgetOf(side.Knife().m_hWnd);
  ASSERT_TRUE(optionsPage && knifePage);
  EXPECT_TRUE(optionsPage->isVisible());
  EXPECT_FALSE(knifePage->isVisible());
  QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(1).center());
  Settle();
  EXPECT_TRUE(side.Knife().IsWindowVisible());
  EXPECT_FALSE(side.Options().IsWindowVisible());
  EXPECT_TRUE(knifePage->isVisible());

  top->close();
  Settle();
  EXPECT_EQ(CWnd::FindWindow(nullptr, "CutOut  "), nullptr);
  // The main window comes back as it was: shown, maximised, active, its view drawn.
  QWidget* mainTop = host->TopOf(frame->m_hWnd);
  ASSERT_NE(mainTop, nullptr);
  EXPECT_TRUE(mainTop->isVisible());
  EXPECT_TRUE(mainTop->isMaximized());
  EXPECT_TRUE(frame->IsZoomed());
  EXPECT_EQ(CWnd::GetActiveWindow(), frame);
  EXPECT_EQ(QApplication::activeWindow(), mainTop);
  EXPECT_TRUE(ViewWidget()->isVisible());
  ExpectSameAsSurface(ViewWidget(), view);
}
