#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/clock.h"
#include "framework/dialog.h"
#include "framework/docview.h"
#include "framework/input.h"
#include "framework/resources.h"
#include "platform/report.h"

using namespace fw;

namespace {

std::vector<std::string> g_log;
// Who takes command 100 (the others only note that they were asked).
std::string g_taker;
// When set, a closing document tells the main window afterwards (command 49003).
bool g_tellMainOnClose = false;

constexpr UINT kCmd = 100;
constexpr UINT kRes = 129;
constexpr UINT kMainRes = 128;

class TDoc : public CDocument {
  FW_DECLARE_DYNCREATE(TDoc)
  FW_DECLARE_COMMAND_MAP()

 public:
  TDoc() { g_log.push_back("doc ctor"); }
  ~TDoc() override { g_log.push_back("doc dtor"); }
  BOOL OnNewDocument() override {
    g_log.push_back("doc new " + std::to_string(GetViews().size()));
    if (!CDocument::OnNewDocument()) return FALSE;
    UpdateAllViews(nullptr, 0x80000001);
    return TRUE;
  }
  BOOL OnOpenDocument(const std::string& path) override {
    g_log.push_back("doc open " + path);
    return path != "bad.t98";
  }
  BOOL OnSaveDocument(const std::string& path) override {
    g_log.push_back("doc save " + path);
    return CDocument::OnSaveDocument(path);
  }
  void OnCloseDocument() override {
    CDocument::OnCloseDocument();  // the document is gone now
    if (g_tellMainOnClose) AfxGetMainWnd()->SendMessage(WM_COMMAND, 49003, 0);
  }
  BOOL OnCmd(UINT) {
    g_log.push_back("doc");
    return g_taker == "doc";
  }
  void OnUpdate100(CCmdUI* ui) { ui->Enable(g_taker != "disabled"); }
};
FW_IMPLEMENT_DYNCREATE(TDoc, CDocument)
FW_BEGIN_COMMAND_MAP(TDoc, CDocument)
FW_ON_COMMAND_EX(kCmd, OnCmd)
FW_ON_UPDATE_COMMAND_UI(kCmd, OnUpdate100)
FW_END_COMMAND_MAP()

class TView : public CView {
  FW_DECLARE_DYNCREATE(TView)
  FW_DECLARE_COMMAND_MAP()

 public:
  TView() { g_log.push_back("view ctor"); }
  ~TView() override { g_log.push_back("view dtor"); }
  int OnCreate(CREATESTRUCT* cs) override {
    int r = CView::OnCreate(cs);
    g_log.push_back("view create");
    return r;
  }
  void OnInitialUpdate() override {
    g_log.push_back("view initial update");
    CView::OnInitialUpdate();
  }
  void OnUpdate(CView*, LPARAM hint, CObject*) override { g_log.push_back("view update " + std::to_string(hint)); }
  void OnActivateView(BOOL activate, CView* a, CView* d) override {
    if (activate) g_log.push_back("view activate");
    CView::OnActivateView(activate, a, d);
  }
  BOOL OnCmd(UINT) {
    g_log.push_back("view");
    return g_taker == "view";
  }
  LRESULT OnDragOver(LPARAM lp) { return lp == 7 ? 1 : 0; }
};
FW_IMPLEMENT_DYNCREATE(TView, CView)
FW_BEGIN_COMMAND_MAP(TView, CView)
FW_ON_COMMAND_EX(kCmd, OnCmd)
FW_ON_COMMAND_LPARAM(49005, OnDragOver)
FW_END_COMMAND_MAP()

class TChild : public CMDIChildWnd {
  FW_DECLARE_DYNCREATE(TChild)
  FW_DECLARE_COMMAND_MAP()

 public:
  TChild() { g_log.push_back("frame ctor"); }
  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    cs.style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_MAXIMIZE;
    return CMDIChildWnd::PreCreateWindow(cs);
  }
  int OnCreate(CREATESTRUCT* cs) override {
    g_log.push_back("frame create");
    return CMDIChildWnd::OnCreate(cs);
  }
  BOOL OnCmd(UINT) {
    g_log.push_back("child");
    return g_taker == "child";
  }
};
FW_IMPLEMENT_DYNCREATE(TChild, CMDIChildWnd)
FW_BEGIN_COMMAND_MAP(TChild, CMDIChildWnd)
FW_ON_COMMAND_EX(kCmd, OnCmd)
FW_END_COMMAND_MAP()

class TMain : public CMDIFrameWnd {
  FW_DECLARE_COMMAND_MAP()

 public:
  CStatusBar status;
  CToolBar tools;
  int OnCreate(CREATESTRUCT* cs) override {
    if (CMDIFrameWnd::OnCreate(cs) == -1) return -1;
    static const UINT indicators[] = {ID_SEPARATOR, 104, 105};
    if (!status.Create(this) || !status.SetIndicators(indicators, 3)) return -1;
    if (!tools.CreateEx(this, TBSTYLE_FLAT, 0x50402874, RECT{}, 132) || !tools.LoadToolBar(132)) return -1;
    tools.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&tools);
    return 0;
  }
  BOOL OnCmd(UINT) {
    g_log.push_back("main");
    return g_taker == "main";
  }
  LRESULT OnStatusText(LPARAM lp) {
    status.SetPaneText(0, reinterpret_cast<const char*>(lp));
    return 0;
  }
  LRESULT OnDocClosed(LPARAM) {
    const auto& t = AfxGetApp()->GetDocTemplates();
    g_log.push_back("closed, open " + std::to_string(t.empty() ? -1 : t.front()->GetOpenDocumentCount()));
    return 0;
  }
  // The program's main frame keeps no accelerators and no close hook in preview.
  bool plainPreview = false;
  void OnSetPreviewMode(BOOL preview, CPrintPreviewState* state) override {
    if (plainPreview) {
      m_hAccelTable = nullptr;
      state->lpfnCloseProc = nullptr;
    }
    CMDIFrameWnd::OnSetPreviewMode(preview, state);
    if (plainPreview) m_hAccelTable = nullptr;
  }
};
FW_BEGIN_COMMAND_MAP(TMain, CMDIFrameWnd)
FW_ON_COMMAND_EX(kCmd, OnCmd)
FW_ON_COMMAND_LPARAM(0x8052, OnStatusText)
FW_ON_COMMAND_LPARAM(49003, OnDocClosed)
FW_ON_COMMAND(ID_HELP_FINDER, OnHelpFinder)
FW_ON_COMMAND(ID_HELP_INDEX, OnHelpIndex)
FW_ON_COMMAND(ID_HELP, OnHelp)
FW_END_COMMAND_MAP()

class TApp : public CWinApp {
  FW_DECLARE_COMMAND_MAP()

 public:
  TApp() : CWinApp("Tindrel") {}
  BOOL InitInstance() override {
    SetRegistryKey("VorlanSoft");
    LoadStdProfileSettings(4);
    AddDocTemplate(new CMultiDocTemplate(kRes, FW_RUNTIME_CLASS(TDoc), FW_RUNTIME_CLASS(TChild),
                                         FW_RUNTIME_CLASS(TView)));
    auto* main = new TMain;
    if (!main->LoadFrame(kMainRes, WS_OVERLAPPEDWINDOW | WS_MAXIMIZE | FWS_ADDTOTITLE)) return FALSE;
    m_pMainWnd = main;
    main->ShowWindow(SW_SHOWMAXIMIZED);
    CCommandLineInfo info;
    ParseCommandLine(info);
    return ProcessShellCommand(info);
  }
  BOOL OnCmd(UINT) {
    g_log.push_back("app");
    return g_taker == "app";
  }
  void OnNew() { OnFileNew(); }
};
FW_BEGIN_COMMAND_MAP(TApp, CWinApp)
FW_ON_COMMAND_EX(kCmd, OnCmd)
FW_ON_COMMAND(ID_FILE_NEW, OnNew)
FW_END_COMMAND_MAP()

// The user profile goes to a folder of the test's own.
struct ProfileDir {
  std::string dir;
  ProfileDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-prof-XXXXXX").string();
    dir = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    ::setenv("TINDREL_PROFILE_DIR", dir.c_str(), 1);
  }
  ~ProfileDir() {
    ::unsetenv("TINDREL_PROFILE_DIR");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

struct DocViewTest : ::testing::Test {
  ProfileDir profileDir;
  ManualClock clock;
  ScopedClock sc{&clock};
  plat::RecordingSink sink;
  plat::ScopedReportSink rs{&sink};
  TApp app;
  void SetUp() override {
    g_log.clear();
    g_taker.clear();
    g_tellMainOnClose = false;
    res::SetString(kRes, "\nTindrel\nTindrel\nTindrel Files (*.t98)\n.t98\nTindrel.Document\nTindrel Document");
    res::SetString(kMainRes, "Tindrel");
    res::SetString(104, "Mouse");
    res::SetString(105, "Width");
    res::SetToolBar(132, ToolBarDef{16, 15, {57600, 57601, 0, kCmd}});
    res::SetMenu(kRes, {{"&File", {{"&New", ID_FILE_NEW}, {"Cmd", kCmd}}},
                        {"&Edit", {{"Undo", 57643}}}});
    res::SetMenu(kMainRes, {{"&File", {{"&New", ID_FILE_NEW}}}});
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
  }
  TMain* Main() { return static_cast<TMain*>(app.m_pMainWnd); }
};

TEST_F(DocViewTest, TemplateCreatesInTheFrameworksOrder) {
  app.m_lpCmdLine = "";
  ASSERT_TRUE(app.InitInstance());
  std::vector<std::string> want = {"doc ctor",    "frame ctor",           "frame create",      "view ctor",
                                   "view create", "doc new 1",            "view update " + std::to_string(LPARAM(0x80000001)),
                                   "view initial update", "view update 0", "view activate"};
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(app.GetOpenDocumentCount(), 1);
  BOOL maximized = FALSE;
  CMDIChildWnd* child = Main()->MDIGetActive(&maximized);
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(maximized);
  CDocument* doc = Main()->GetActiveDocument();
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetTitle(), "Tindrel1");
  EXPECT_FALSE(doc->IsModified());
  // The maximised child puts its system-menu entry first in the shared menu bar.
  CMenu* bar = Main()->GetMenu();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetMenuItemCount(), 3);
  EXPECT_TRUE(bar->GetMenuState(0, MF_BYPOSITION) & MF_SYSMENU);
  EXPECT_EQ(bar->GetSubMenu(1)->GetMenuItemID(0), ID_FILE_NEW);

  // A failed open destroys frame, view and document again.
  g_log.clear();
  EXPECT_EQ(app.OpenDocumentFile("bad.t98"), nullptr);
  EXPECT_EQ(app.GetOpenDocumentCount(), 1);
  EXPECT_EQ(g_log.back(), "doc dtor");
  EXPECT_EQ(Main()->MDIGetActive(), child);
  CDocument* opened = app.OpenDocumentFile("/designs/sign.t98");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->GetTitle(), "sign.t98");
  EXPECT_EQ(app.GetRecentFileList()->Entries(), std::vector<std::string>{"/designs/sign.t98"});
  EXPECT_TRUE(Main()->MDIGetActive()->IsZoomed());  // opens maximised too
  // The menu bar still carries exactly one system entry.
  EXPECT_EQ(Main()->GetMenu()->GetMenuItemCount(), 3);
  // Opening the same file again activates it instead of opening a second copy.
  EXPECT_EQ(app.OpenDocumentFile("/designs/sign.t98"), opened);
  EXPECT_EQ(app.GetOpenDocumentCount(), 2);
}

TEST_F(DocViewTest, CommandsRouteViewDocumentChildMainApplication) {
  ASSERT_TRUE(app.InitInstance());
  CWnd* main = app.m_pMainWnd;
  struct Case {
    const char* taker;
    std::vector<std::string> asked;
    LRESULT result;
  };
  const Case cases[] = {
      {"view", {"view"}, 1},
      {"doc", {"view", "doc"}, 1},
      {"child", {"view", "doc", "child"}, 1},
      {"main", {"view", "doc", "child", "main"}, 1},
      {"app", {"view", "doc", "child", "main", "app"}, 1},
      {"nobody", {"view", "doc", "child", "main", "app"}, 0},
  };
  for (const Case& c : cases) {
    g_log.clear();
    g_taker = c.taker;
    EXPECT_EQ(main->SendMessage(WM_COMMAND, kCmd, 0), c.result) << c.taker;
    EXPECT_EQ(g_log, c.asked) << c.taker;
  }
  // A command whose update handler disables it does not run.
  g_log.clear();
  g_taker = "disabled";
  main->SendMessage(WM_COMMAND, kCmd, 0);
  EXPECT_TRUE(g_log.empty());
  // Posted commands run when the pump gets to them.
  g_taker = "main";
  main->PostMessage(WM_COMMAND, kCmd, 0);
  EXPECT_TRUE(g_log.empty());
  PumpPendingMessages();
  EXPECT_EQ(g_log.back(), "main");
  // A command with a value answer (drag acceptance).
  EXPECT_EQ(main->SendMessage(WM_COMMAND, 49005, 7), 1);
  EXPECT_EQ(main->SendMessage(WM_COMMAND, 49005, 8), 0);
  // No document: the view, document and child are no longer asked.
  app.CloseAllDocuments(FALSE);
  EXPECT_EQ(app.GetOpenDocumentCount(), 0);
  g_log.clear();
  g_taker = "app";
  main->SendMessage(WM_COMMAND, kCmd, 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"main", "app"}));
  EXPECT_EQ(Main()->GetMenu()->GetMenuItemCount(), 1);  // the frame's own menu again
}

TEST_F(DocViewTest, UpdateHandlersSetMenuItemsAndButtons) {
  ASSERT_TRUE(app.InitInstance());
  CMenu* bar = Main()->GetMenu();
  CMenu* file = bar->GetSubMenu(1);
  g_taker = "disabled";
  Main()->SendMessage(WM_INITMENUPOPUP, WPARAM(file), 0);
  EXPECT_TRUE(file->GetMenuState(kCmd, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(file->GetMenuState(ID_FILE_NEW, MF_BYCOMMAND) & MF_GRAYED);  // the app handles it
  CMenu* edit = bar->GetSubMenu(2);
  Main()->SendMessage(WM_INITMENUPOPUP, WPARAM(edit), 0);
  EXPECT_TRUE(edit->GetMenuState(57643, MF_BYCOMMAND) & MF_GRAYED);  // no handler anywhere
  g_taker = "view";
  Main()->SendMessage(WM_INITMENUPOPUP, WPARAM(file), 0);
  EXPECT_FALSE(file->GetMenuState(kCmd, MF_BYCOMMAND) & MF_GRAYED);

  // Tool bar buttons follow at idle time; 57601 has no handler.
  g_taker = "disabled";
  app.OnIdle(0);
  CToolBar& tb = Main()->tools;
  EXPECT_TRUE(tb.GetButtonStyle(tb.CommandToIndex(kCmd)) & TBBS_DISABLED);
  EXPECT_TRUE(tb.GetButtonStyle(tb.CommandToIndex(57601)) & TBBS_DISABLED);
  EXPECT_FALSE(tb.GetButtonStyle(tb.CommandToIndex(57600)) & TBBS_DISABLED);
  EXPECT_EQ(tb.GetDockSide(), CBRS_ALIGN_TOP);
  EXPECT_EQ(tb.HitTest(POINT{23 * 2 + 3, 5}), 2);  // the separator after two buttons
  EXPECT_EQ(tb.HitTest(POINT{23 * 2 + 8 + 1, 5}), 3);
}

// The standard frame commands work from the menu of a design window and of the bare frame.
TEST_F(DocViewTest, ViewAndWindowCommandsShowBarsAndArrangeTheChildren) {
  const std::vector<MenuItemDef> view{{"Toolbar", ID_VIEW_TOOLBAR}, {"Status Bar", ID_VIEW_STATUS_BAR}};
  const std::vector<MenuItemDef> window{
      {"Cascade", ID_WINDOW_CASCADE}, {"Tile", ID_WINDOW_TILE_HORZ}, {"Tile across", ID_WINDOW_TILE_VERT}};
  res::SetMenu(kRes, {{"&View", view}, {"&Window", window}});
  res::SetMenu(kMainRes, {{"&View", view}, {"&Window", window}});
  ASSERT_TRUE(app.InitInstance());
  TMain* m = Main();
  auto state = [&](int popup, UINT id) {
    CMenu* menu = m->GetMenu()->GetSubMenu(popup + (m->GetMenu()->GetMenuItemCount() > 2 ? 1 : 0));
    m->SendMessage(WM_INITMENUPOPUP, WPARAM(menu), 0);
    return menu->GetMenuState(id, MF_BYCOMMAND);
  };
  for (UINT id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
    SCOPED_TRACE(id);
    CControlBar* bar = id == ID_VIEW_TOOLBAR ? static_cast<CControlBar*>(&m->tools) : &m->status;
    EXPECT_EQ(state(0, id) & (MF_GRAYED | MF_CHECKED), UINT(MF_CHECKED));
    m->SendMessage(WM_COMMAND, id, 0);
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(state(0, id) & (MF_GRAYED | MF_CHECKED), 0u);
    m->SendMessage(WM_COMMAND, id, 0);
    EXPECT_TRUE(bar->IsVisible());
  }
  // Three design windows: cascaded one step apart, the active one in front; tiled.
  ASSERT_NE(app.OpenDocumentFile("/designs/b.t98"), nullptr);
  ASSERT_NE(app.OpenDocumentFile("/designs/c.t98"), nullptr);
  CMDIChildWnd* active = m->MDIGetActive();
  ASSERT_TRUE(active->IsZoomed());
  EXPECT_FALSE(state(1, ID_WINDOW_CASCADE) & MF_GRAYED);
  m->SendMessage(WM_COMMAND, ID_WINDOW_CASCADE, 0);
  std::vector<CMDIChildWnd*> kids = m->GetMDIChildren();
  ASSERT_EQ(kids.size(), 3u);
  EXPECT_EQ(kids[0], active);
  std::vector<RECT> rects;
  for (CMDIChildWnd* k : kids) {
    EXPECT_FALSE(k->IsZoomed());
    rects.push_back(k->GetRectInParent());
  }
  EXPECT_EQ(rects[0].left - rects[1].left, rects[1].left - rects[2].left);
  EXPECT_GT(rects[0].top, rects[1].top);
  EXPECT_EQ(rects[0].width(), rects[2].width());
  RECT client{};
  m->GetMDIClient()->GetClientRect(&client);
  for (UINT how : {ID_WINDOW_TILE_HORZ, ID_WINDOW_TILE_VERT}) {
    SCOPED_TRACE(how);
    m->SendMessage(WM_COMMAND, how, 0);
    int covered = 0;
    for (CMDIChildWnd* k : m->GetMDIChildren()) {
      const RECT r = k->GetRectInParent();
      EXPECT_EQ(how == ID_WINDOW_TILE_HORZ ? r.width() : r.height(),
                how == ID_WINDOW_TILE_HORZ ? client.width() : client.height());
      covered += how == ID_WINDOW_TILE_HORZ ? r.height() : r.width();
    }
    EXPECT_EQ(covered, how == ID_WINDOW_TILE_HORZ ? client.height() : client.width());
  }
  // Without a design window there is nothing to arrange.
  app.CloseAllDocuments(FALSE);
  EXPECT_TRUE(state(1, ID_WINDOW_CASCADE) & MF_GRAYED);
  EXPECT_FALSE(state(0, ID_VIEW_TOOLBAR) & MF_GRAYED);
}

TEST_F(DocViewTest, AcceleratorsOfTheActiveDocumentReachTheRouting) {
  res::SetAccelerators(kRes, {{FVIRTKEY | FCONTROL, 'N', WORD(ID_FILE_NEW)}, {FVIRTKEY, VK_F2, WORD(kCmd)}});
  ASSERT_TRUE(app.InitInstance());  // the template reads its table now
  ASSERT_EQ(app.GetOpenDocumentCount(), 1);
  CView* view = Main()->GetActiveView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(CWnd::GetFocus(), view);
  g_taker = "view";
  g_log.clear();
  Keyboard::Stroke(VK_F2);
  EXPECT_EQ(g_log, std::vector<std::string>{"view"});
  Keyboard::Stroke('N');  // without Ctrl: no accelerator
  EXPECT_EQ(app.GetOpenDocumentCount(), 1);
  Keyboard::Press(VK_CONTROL);
  Keyboard::Stroke('N');
  Keyboard::Release(VK_CONTROL);
  EXPECT_EQ(app.GetOpenDocumentCount(), 2);
}

TEST_F(DocViewTest, BarsShowHideAndKeepTheirStateInTheProfile) {
  ASSERT_TRUE(app.InitInstance());
  TMain* m = Main();
  CToolBar& tb = m->tools;
  RECT client{};
  m->GetMDIClient()->GetWindowRect(&client);
  LONG topWithBar = client.top;
  m->ShowControlBar(&tb, FALSE, FALSE);
  m->GetMDIClient()->GetWindowRect(&client);
  EXPECT_EQ(client.top, topWithBar - tb.GetButtonSize().cy);
  m->SaveBarState("BarStates");
  m->ShowControlBar(&tb, TRUE, TRUE);
  EXPECT_TRUE(m->LayoutPending());
  app.OnIdle(0);  // delayed layout happens at idle time
  EXPECT_FALSE(m->LayoutPending());
  EXPECT_TRUE(tb.IsVisible());
  m->LoadBarState("BarStates");
  EXPECT_FALSE(tb.IsVisible());
  EXPECT_EQ(tb.GetDockSide(), CBRS_ALIGN_TOP);
  // A dialog bar gets its controls from the template.
  res::SetDialog(176, DialogTemplate{"", WS_CHILD, RECT{0, 0, 120, 300},
                                     {{1226, CtrlKind::ListBox, "", LBS_OWNERDRAWFIXED | LBS_NOTIFY},
                                      {1134, CtrlKind::Button, "...", BS_PUSHBUTTON}}});
  CDialogBar palette;
  ASSERT_TRUE(palette.Create(m, 176, 0x404130, 176));
  palette.EnableDocking(CBRS_ALIGN_RIGHT);
  m->DockControlBar(&palette);
  EXPECT_EQ(palette.GetDockSide(), CBRS_ALIGN_RIGHT);
  EXPECT_NE(dynamic_cast<CListBox*>(palette.GetDlgItem(1226)), nullptr);
  EXPECT_EQ(m->GetControlBar(176), &palette);
  app.OnIdle(0);
  EXPECT_FALSE(palette.GetDlgItem(1134)->IsWindowEnabled());  // no handler for 1134
}

TEST_F(DocViewTest, StatusPaneTextsAreRecorded) {
  ASSERT_TRUE(app.InitInstance());
  CStatusBar& s = Main()->status;
  EXPECT_EQ(s.GetPaneText(1), "Mouse");
  s.SetPaneInfo(1, 104, SBPS_NORMAL, 90);
  Main()->SendMessage(WM_COMMAND, 0x8052, LPARAM("Reading..."));
  Main()->SendMessage(WM_COMMAND, 0x8052, LPARAM("Done"));
  ASSERT_EQ(s.TextHistory().size(), 2u);
  EXPECT_EQ(s.TextHistory()[0].text, "Reading...");
  EXPECT_EQ(s.TextHistory()[1].text, "Done");
  EXPECT_TRUE(s.TextHistory()[1].update);
  EXPECT_EQ(s.GetPaneText(0), "Done");
  UINT id, style;
  int width;
  s.GetPaneInfo(1, id, style, width);
  EXPECT_EQ(width, 90);
  // Missing indicator strings fail the bar.
  CStatusBar other;
  other.Create(Main());
  const UINT missing[] = {ID_SEPARATOR, 999};
  EXPECT_FALSE(other.SetIndicators(missing, 2));
}

TEST_F(DocViewTest, ClosingAskesToSaveModifiedDocuments) {
  ASSERT_TRUE(app.InitInstance());
  CDocument* doc = Main()->GetActiveDocument();
  doc->SetModifiedFlag();
  sink.replies = {plat::IDCANCEL};
  Main()->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_EQ(app.GetOpenDocumentCount(), 1);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].caption, "Tindrel");
  sink.replies = {plat::IDNO};
  Main()->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_EQ(app.GetOpenDocumentCount(), 0);
  EXPECT_EQ(Main()->MDIGetActive(), nullptr);
  // The main window closing ends the loop.
  Main()->SendMessage(WM_CLOSE);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  PumpPendingMessages();
  EXPECT_TRUE(QuitReceived());
  ResetQuit();
}

// Exit, the close box and the window manager all close the main frame: every modified
// document asks first. Cancel keeps everything; Yes saves (Save As when untitled); No discards.
TEST_F(DocViewTest, ClosingTheMainFrameAsksForEveryModifiedDocument) {
  ASSERT_TRUE(app.InitInstance());
  CDocument* untitled = Main()->GetActiveDocument();
  ASSERT_NE(untitled, nullptr);
  CDocument* named = app.OpenDocumentFile("/designs/b.t98");
  ASSERT_NE(named, nullptr);
  untitled->SetModifiedFlag();
  named->SetModifiedFlag();
  const HWND main = Main()->m_hWnd;
  // Cancel on the first (the active one) or on the second: nothing closes.
  for (std::vector<int> replies : {std::vector<int>{plat::IDCANCEL}, std::vector<int>{plat::IDNO, plat::IDCANCEL}}) {
    sink.boxes.clear();
    sink.replies = replies;
    EXPECT_EQ(SendMessage(main, WM_COMMAND, ID_APP_EXIT, 0), 1);
    ASSERT_TRUE(IsWindow(main));
    EXPECT_EQ(app.GetOpenDocumentCount(), 2);
    EXPECT_TRUE(untitled->IsModified());
    EXPECT_TRUE(named->IsModified());
    ASSERT_EQ(sink.boxes.size(), replies.size());
    EXPECT_EQ(sink.boxes[0].text, "Save changes to b.t98?");
  }
  EXPECT_EQ(sink.boxes[1].text, "Save changes to Tindrel1?");
  // Yes on the untitled one asks for a name; a cancelled Save As keeps the program too.
  ScriptedModalDriver driver;
  sink.replies = {plat::IDNO, plat::IDYES};
  Main()->SendMessage(WM_CLOSE);
  ASSERT_TRUE(IsWindow(main));
  EXPECT_EQ(driver.Runs().size(), 1u);
  driver.Then([](CDialog& d) { dynamic_cast<CFileDialog&>(d).Choose("/designs/new"); });
  g_log.clear();
  sink.replies = {plat::IDNO, plat::IDYES};
  Main()->SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(g_log[0], "doc save /designs/new.t98");
  PumpPendingMessages();
  EXPECT_TRUE(QuitReceived());
  ResetQuit();
}

TEST_F(DocViewTest, CommandLineOpensTheNamedDocument) {
  app.m_lpCmdLine = "\"/my designs/a.t98\" /Vorlan";
  ASSERT_TRUE(app.InitInstance());
  ASSERT_EQ(app.GetOpenDocumentCount(), 1);
  EXPECT_EQ(Main()->GetActiveDocument()->GetPathName(), "/my designs/a.t98");
}

TEST_F(DocViewTest, FailedOpenOnTheCommandLineFailsStartUp) {
  app.m_lpCmdLine = "bad.t98";
  EXPECT_FALSE(app.InitInstance());
}

TEST_F(DocViewTest, RecentFilesKeepFourEntriesInTheProfile) {
  ASSERT_TRUE(app.InitInstance());
  for (const char* p : {"a", "b", "c", "d", "e", "c"}) app.AddToRecentFileList(p);
  EXPECT_EQ(app.GetRecentFileList()->Entries(), (std::vector<std::string>{"c", "e", "d", "b"}));
  app.ExitInstance();
  EXPECT_EQ(app.GetProfileString("Recent File List", "File1"), "c");
  EXPECT_EQ(app.GetProfileString("Recent File List", "File4"), "b");
  // Kept in the user profile under the company key, read back by the next run.
  ASSERT_EQ(plat::GetAppProfile(), app.GetUserProfile());
  EXPECT_EQ(plat::GetAppProfile()->company(), "VorlanSoft");
  EXPECT_EQ(plat::UserProfile("VorlanSoft", "Tindrel").GetString("Recent File List", "File2", ""), "e");
  CRecentFileList next(0, "Recent File List", "File%d", 4);
  next.ReadList(app.GetProfileStore());
  EXPECT_EQ(next.Entries(), app.GetRecentFileList()->Entries());
}

}  // namespace

namespace {

struct PropertyFrame : CMiniFrameWnd {
  PropertyFrame** self;
  explicit PropertyFrame(PropertyFrame** s) : self(s) {}
  ~PropertyFrame() override { *self = nullptr; }
};

TEST_F(DocViewTest, MiniFrameClosesAndGoesWithItsOwner) {
  ASSERT_TRUE(app.InitInstance());
  PropertyFrame* prop = nullptr;
  prop = new PropertyFrame(&prop);
  ASSERT_TRUE(prop->Create("", "Property", 0x80C81180, RECT{0, 700, 200, 725}, Main()));
  prop->ShowWindow(SW_SHOW);
  EXPECT_EQ(prop->GetWindowText(), "Property");
  EXPECT_EQ(prop->GetOwner(), Main());
  EXPECT_EQ(prop->GetParent(), nullptr);
  prop->SendMessage(WM_CLOSE);
  EXPECT_EQ(prop, nullptr);  // deleted, pointer cleared
  prop = new PropertyFrame(&prop);
  ASSERT_TRUE(prop->Create("", "Property", 0x80C81180, RECT{0, 700, 200, 725}, Main()));
  Main()->DestroyWindow();
  EXPECT_EQ(prop, nullptr);
}

}  // namespace

namespace {

TEST_F(DocViewTest, ClosedDocumentIsGoneWhenTheMainWindowHearsOfIt) {
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile("/designs/b.t98"), nullptr);
  g_tellMainOnClose = true;
  g_log.clear();
  // By the child's close box, by File Close, and by a failed open.
  Main()->MDIGetActive()->SendMessage(WM_CLOSE);
  EXPECT_EQ(g_log, (std::vector<std::string>{"view activate", "view dtor", "doc dtor", "closed, open 1"}));
  g_log.clear();
  Main()->SendMessage(WM_COMMAND, ID_FILE_CLOSE, 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"view dtor", "doc dtor", "closed, open 0"}));
  EXPECT_EQ(Main()->MDIGetActive(), nullptr);
  g_log.clear();
  EXPECT_EQ(app.OpenDocumentFile("bad.t98"), nullptr);
  ASSERT_GE(g_log.size(), 2u);
  EXPECT_EQ(g_log[g_log.size() - 2], "doc dtor");
  EXPECT_EQ(g_log.back(), "closed, open 0");
}

// The frame is deleted inside the command; the dispatch must not touch it afterwards
// (the sanitizer build catches a write into it).
TEST_F(DocViewTest, ExitFromTheMenuEndsWithTheFrameUntouched) {
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile("/designs/b.t98"), nullptr);
  const HWND main = Main()->m_hWnd;
  EXPECT_EQ(SendMessage(main, WM_COMMAND, ID_APP_EXIT, 0), 1);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  PumpPendingMessages();
  EXPECT_TRUE(QuitReceived());
}

TEST_F(DocViewTest, FilesDroppedOnTheMainFrameOpen) {
  ASSERT_TRUE(app.InitInstance());
  RECT r{};
  Main()->GetWindowRect(&r);
  POINT overView{r.left + 300, r.top + 300};
  EXPECT_NE(CWnd::WindowFromPoint(overView), Main());
  EXPECT_FALSE(DropFiles(overView, {"/designs/x.t98"}));  // not accepted yet
  EXPECT_EQ(app.GetOpenDocumentCount(), 1);
  Main()->DragAcceptFiles();
  EXPECT_TRUE(Main()->GetExStyle() & WS_EX_ACCEPTFILES);
  // Dropped over the view, the files reach the frame that accepts them.
  EXPECT_TRUE(DropFiles(overView, {"/designs/x.t98", "/designs/y.t98"}));
  EXPECT_EQ(app.GetOpenDocumentCount(), 3);
  EXPECT_EQ(Main()->GetActiveDocument()->GetPathName(), "/designs/y.t98");
  EXPECT_FALSE(DropFiles(overView, {}));
  Main()->DragAcceptFiles(FALSE);
  EXPECT_FALSE(DropFiles(overView, {"/designs/z.t98"}));
  EXPECT_EQ(app.GetOpenDocumentCount(), 3);
  DROPFILES d{{"a", "bc"}, POINT{1, 2}};
  std::string name;
  EXPECT_EQ(DragQueryFile(&d, 0xFFFFFFFFu, nullptr), 2u);
  EXPECT_EQ(DragQueryFile(&d, 1, &name), 2u);
  EXPECT_EQ(name, "bc");
  EXPECT_EQ(DragQueryFile(&d, 2, &name), 0u);
  EXPECT_EQ(name, "");
}

void CloseHook(CFrameWnd*) { g_log.push_back("close hook"); }

TEST_F(DocViewTest, PreviewStandsInForThePanesAndGivesEverythingBack) {
  res::SetAccelerators(kMainRes, {{FVIRTKEY, VK_F2, WORD(kCmd)}});
  ASSERT_TRUE(app.InitInstance());
  TMain* m = Main();
  CView* design = m->GetActiveView();
  ASSERT_NE(design, nullptr);
  CMenu* menu = m->GetMenu();
  const std::vector<ACCEL>* accel = m->m_hAccelTable;
  ASSERT_NE(accel, nullptr);
  ASSERT_TRUE(m->tools.IsVisible());

  CPrintPreviewState state;
  state.lpfnCloseProc = CloseHook;
  m->OnSetPreviewMode(TRUE, &state);
  EXPECT_TRUE(m->IsInPreviewMode());
  EXPECT_EQ(m->GetMenu(), nullptr);
  EXPECT_EQ(m->m_hAccelTable, nullptr);
  EXPECT_FALSE(m->tools.IsVisible());
  EXPECT_FALSE(m->status.IsVisible());
  EXPECT_FALSE(m->GetMDIClient()->IsWindowVisible());
  // A second view of the document takes the frame's first pane and the commands.
  CCreateContext ctx;
  ctx.m_pNewViewClass = FW_RUNTIME_CLASS(TView);
  ctx.m_pCurrentDoc = design->GetDocument();
  CView* cut = m->CreateView(&ctx, AFX_IDW_PANE_FIRST);
  ASSERT_NE(cut, nullptr);
  m->SetActiveView(cut);
  m->RecalcLayout();
  RECT client{};
  m->GetClientRect(&client);
  EXPECT_EQ(cut->GetRectInParent(), client);
  EXPECT_EQ(m->GetActiveView(), cut);
  EXPECT_EQ(m->GetActiveDocument(), design->GetDocument());
  g_log.clear();
  g_taker = "nobody";
  m->SendMessage(WM_COMMAND, kCmd, 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"view", "doc", "main", "app"}));  // no child frame
  // Closing runs the preview's hook instead.
  g_log.clear();
  m->SendMessage(WM_CLOSE);
  EXPECT_EQ(g_log, std::vector<std::string>{"close hook"});
  ASSERT_EQ(app.m_pMainWnd, m);

  cut->DestroyWindow();
  m->OnSetPreviewMode(FALSE, &state);
  EXPECT_FALSE(m->IsInPreviewMode());
  EXPECT_EQ(m->GetMenu(), menu);
  EXPECT_EQ(m->m_hAccelTable, accel);
  EXPECT_TRUE(m->tools.IsVisible());
  EXPECT_TRUE(m->status.IsVisible());
  EXPECT_TRUE(m->GetMDIClient()->IsWindowVisible());
  EXPECT_EQ(m->GetActiveView(), design);
  EXPECT_EQ(m->m_lpfnCloseProc, nullptr);

  // A frame that drops its table and the hook around the switch keeps neither.
  m->plainPreview = true;
  CPrintPreviewState again;
  again.lpfnCloseProc = CloseHook;
  m->OnSetPreviewMode(TRUE, &again);
  EXPECT_EQ(m->m_lpfnCloseProc, nullptr);
  m->OnSetPreviewMode(FALSE, &again);
  EXPECT_EQ(m->m_hAccelTable, nullptr);
  EXPECT_EQ(m->GetMenu(), menu);
  g_log.clear();
  m->SendMessage(WM_CLOSE);
  EXPECT_TRUE(g_log.empty() || g_log.back() != "close hook");
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

}  // namespace

namespace {

TEST_F(DocViewTest, HelpCommandsReachTheApplicationsHelp) {
  ASSERT_TRUE(app.InitInstance());
  std::vector<std::string> shown;
  app.m_pszHelpFilePath = "Tindrel.hlp";
  app.m_helpHandler = [&](const std::string& file, DWORD data, UINT cmd) {
    shown.push_back(file + " " + std::to_string(data) + " " + std::to_string(cmd));
  };
  // Sent to the main window with a design window open: the menu's help items.
  for (UINT id : {ID_HELP_FINDER, ID_HELP_INDEX, ID_HELP}) Main()->SendMessage(WM_COMMAND, id, 0);
  EXPECT_EQ(shown, (std::vector<std::string>{"Tindrel.hlp 0 11", "Tindrel.hlp 0 3",
                                             "Tindrel.hlp " + std::to_string(HID_BASE_RESOURCE + kMainRes) + " 1"}));
  ASSERT_EQ(app.HelpRequests().size(), 3u);
  EXPECT_EQ(app.HelpRequests()[0].cmd, HELP_FINDER);
}

}  // namespace
