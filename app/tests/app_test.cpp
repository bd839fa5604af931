#include <gtest/gtest.h>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "app/appids.h"
#include "app/document.h"
#include "app/settingsload.h"
#include "app_fixture.h"
#include "framework/clipboard.h"
#include "framework/menu.h"
#include "model/devices.h"
#include "model/dllholder.h"
#include "model/settings.h"
#include "platform/profile.h"
#include "text/textattr.h"
#include "platform/paths.h"

using namespace apptest;

namespace {

// A static 1184 that keeps every text it is given.
class RecordingStatic : public fw::CWnd {
 public:
  void SetWindowText(const std::string& text) override {
    texts.push_back(text);
    fw::CWnd::SetWindowText(text);
  }
  std::vector<std::string> texts;
};

class AppStartTest : public AppTest {};

TEST_F(AppStartTest, StartWithoutCommandLineShowsOneMaximisedDesign) {
  CMDIMainFrame* main = StartApp();
  ASSERT_TRUE(started);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->IsZoomed());
  EXPECT_TRUE(main->IsWindowVisible());
  EXPECT_TRUE(main->GetExStyle() & fw::WS_EX_ACCEPTFILES);
  EXPECT_TRUE(app->ShellOpenEnabled());
  EXPECT_TRUE(app->Controls3d());
  ASSERT_EQ(main->GetMDIChildren().size(), 1u);
  fw::BOOL maximised = fw::FALSE;
  ASSERT_NE(main->MDIGetActive(&maximised), nullptr);
  EXPECT_TRUE(maximised);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetPageWidth(), 400.0f);
  EXPECT_EQ(doc->GetPageHeight(), 900.0f);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  // The transform library is there: no message.
  EXPECT_TRUE(TheTransformDll().IsLoaded());
  EXPECT_TRUE(sink.boxes.empty());
  // The settings files lie in the program's folder.
  EXPECT_EQ(g_IniFile.GetPath(), plat::GetProgramFolder() + "VORLAN98.INI");
  EXPECT_EQ(g_CutterIni.GetPath(), plat::GetProgramFolder() + "Cutters.INI");
}

TEST_F(AppStartTest, StartInstallsThePathClipper) {
  SetOutputServices(nullptr);
  StartApp();
  ASSERT_TRUE(started);
  EXPECT_NE(GetOutputServices(), nullptr);
}

TEST_F(AppStartTest, TemplateStrings) {
  StartApp();
  ASSERT_EQ(app->GetDocTemplates().size(), 1u);
  const fw::CDocTemplate& t = *app->GetDocTemplates().front();
  EXPECT_EQ(t.GetResourceId(), 129u);
  EXPECT_EQ(fw::res::String(129), "\nTindrel\nTindrel\nTindrel Files (*.t98)\n.t98\nTindrel.Document\nTindrel Document");
  std::string s;
  t.GetDocString(s, fw::CDocTemplate::filterName);
  EXPECT_EQ(s, "Tindrel Files (*.t98)");
  t.GetDocString(s, fw::CDocTemplate::filterExt);
  EXPECT_EQ(s, ".t98");
}

TEST_F(AppStartTest, BarsPanesAndTheirStyles) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  struct Bar {
    fw::CControlBar* bar;
    fw::UINT id;
    fw::DWORD style;  // bar style bits (low word and gripper)
    fw::DWORD side;
    fw::DWORD dockable;
    fw::UINT loaded;
  };
  const Bar bars[] = {
      {&main->GetMainBar(), 132, 0x00402874, fw::CBRS_ALIGN_TOP, fw::CBRS_ALIGN_ANY, 132},
      {&main->GetContextBar(), 128, 0x00401432, fw::CBRS_ALIGN_LEFT, fw::CBRS_ALIGN_LEFT, 128},
      {&main->GetSecondBar(), 136, 0x00404174, fw::CBRS_ALIGN_RIGHT, fw::CBRS_ALIGN_ANY, 136},
      {&main->GetPaletteBar(), 176, 0x00404130, fw::CBRS_ALIGN_RIGHT, fw::CBRS_ALIGN_RIGHT, 0},
      {&main->GetModeBar(), 158, 0x00402834, fw::CBRS_ALIGN_TOP, fw::CBRS_ALIGN_ANY, 151},
  };
  for (const Bar& b : bars) {
    SCOPED_TRACE(b.id);
    EXPECT_EQ(b.bar->GetDlgCtrlID(), b.id);
    EXPECT_EQ(b.bar->GetBarStyle(), b.style);
    EXPECT_EQ(b.bar->GetDockSide(), b.side);
    EXPECT_EQ(b.bar->GetDockStyle(), b.dockable);
    EXPECT_TRUE(b.bar->IsVisible());
    if (auto* tb = dynamic_cast<fw::CToolBar*>(b.bar); tb && b.loaded) {
      EXPECT_EQ(tb->LoadedResource(), b.loaded);
      EXPECT_TRUE(tb->GetToolBarCtrlStyle() & fw::TBSTYLE_FLAT);
    }
  }
  EXPECT_EQ(main->GetContextBar().GetGroup(), 40070u);
  EXPECT_EQ(main->GetModeBar().GetMode(), 40071u);
  EXPECT_EQ(main->GetDockingSides(), fw::CBRS_ALIGN_ANY);
  // The second bar stands in one column on the right; the main bar in one row.
  EXPECT_EQ(main->GetSecondBar().CalcFixedLayout(fw::FALSE, fw::FALSE).cx, main->GetSecondBar().GetButtonSize().cx);
  EXPECT_EQ(main->GetMainBar().CalcFixedLayout(fw::FALSE, fw::TRUE).cy, main->GetMainBar().GetButtonSize().cy);

  fw::CStatusBar& status = main->GetStatusBar();
  EXPECT_EQ(status.GetDlgCtrlID(), fw::AFX_IDW_STATUS_BAR);
  EXPECT_EQ(status.GetDockSide(), fw::CBRS_ALIGN_BOTTOM);
  ASSERT_EQ(status.GetCount(), 5);
  const fw::UINT ids[] = {fw::ID_SEPARATOR, 104, 105, 106, 107};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(status.GetItemID(i), ids[i]);
  EXPECT_EQ(status.GetPaneText(1), "Mouse");
  EXPECT_EQ(status.GetPaneText(4), "Type");
  fw::UINT id, style;
  int width;
  status.GetPaneInfo(1, id, style, width);
  EXPECT_EQ(style, fw::SBPS_NORMAL);
  EXPECT_EQ(width, 90);
  status.GetPaneInfo(4, id, style, width);
  EXPECT_EQ(style, fw::SBPS_NOBORDERS);
  EXPECT_EQ(width, 80);
}

TEST_F(AppStartTest, StageTextsInOrder) {
  fw::CWnd window;
  ASSERT_TRUE(window.CreateEx(0, "FwTest", "", fw::WS_POPUP, fw::RECT{0, 0, 100, 100}, nullptr, 0));
  auto* text = new RecordingStatic;
  ASSERT_TRUE(text->CreateEx(0, "FwTest", "", fw::WS_CHILD, fw::RECT{0, 0, 50, 10}, &window, appid::IDC_LOGO_TEXT));
  LoadAppSettings(SETTINGS_ALL, &window);
  const std::vector<std::string> expected = {
      "初始化...  裁剪板!",         "初始化...  版面!",        "Initalize...  Ini",
      "Initalize...  Palette",     "Initalize...  TrueType Fonts", "Initalize...  Mount FH",
      "Initalize...  Mount Graph Libary",
  };
  EXPECT_EQ(text->texts, expected);
  // One stage alone shows its own text only.
  text->texts.clear();
  LoadAppSettings(SETTINGS_FONTS, &window);
  EXPECT_EQ(text->texts, (std::vector<std::string>{"Initalize...  TrueType Fonts", "Initalize...  Mount FH",
                                                   "Initalize...  Mount Graph Libary"}));
  window.DestroyWindow();
  delete text;
}

TEST_F(AppStartTest, LayoutStageReadsAutoFillAndAutoBD) {
  fw::CWinApp holder("Tindrel");
  holder.SetRegistryKey("VorlanSoft");
  g_Profile.Attach();
  g_Profile.WriteInt("SystemParam", "AutoFill", 0);
  g_Profile.WriteInt("SystemParam", "AutoBD", 7);
  LoadAppSettings(SETTINGS_LAYOUT, nullptr);
  EXPECT_EQ(TheAppGlobals().autoFill, 0u);
  EXPECT_EQ(TheAppGlobals().autoBD, 1u);
  g_Profile.WriteInt("SystemParam", "AutoFill", 1);
  LoadAppSettings(SETTINGS_LAYOUT, nullptr);
  EXPECT_EQ(TheAppGlobals().autoFill, 1u);
  plat::SetAppProfile(nullptr);
  g_Profile = CProfile();
}

TEST_F(AppStartTest, ClipboardFormatsAreTheSameInASecondProgram) {
  LoadAppSettings(SETTINGS_CLIPBOARD, nullptr);
  const AppGlobals& g = TheAppGlobals();
  
  for (std::uint32_t id : g.clipboardFormats) EXPECT_NE(id, 0u);
  EXPECT_EQ(RegisteredClipboardFormats().objectList, g.clipboardFormats[5]);
  EXPECT_EQ(RegisteredClipboardFormats().guideItems, g.clipboardFormats[6]);
  EXPECT_EQ(RegisteredClipboardFormats().boxItems, g.clipboardFormats[0]);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    TheAppGlobals() = AppGlobals{};
    LoadAppSettings(SETTINGS_CLIPBOARD, nullptr);
    const ssize_t n = ::write(fds[1], TheAppGlobals().clipboardFormats, sizeof TheAppGlobals().clipboardFormats);
    ::_exit(n == ssize_t(sizeof TheAppGlobals().clipboardFormats) ? 0 : 1);
  }
  ::close(fds[1]);
  std::uint32_t other[7] = {};
  EXPECT_EQ(::read(fds[0], other, sizeof other), ssize_t(sizeof other));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(other[i], g.clipboardFormats[i]) << i;
  std::string formatName;
  fw::GetClipboardFormatName(g.clipboardFormats[5], formatName);
  EXPECT_EQ(formatName, "CutterVorlan V60 - [SEGMULTI]");

}

TEST_F(AppStartTest, ServiceSwitchAndTheReserveMenu) {
  struct Case {
    const char* line;
    std::uint32_t expected;
  };
  for (const Case& c : {Case{"", 0}, Case{"/Vorlan", 1}, Case{"-x /Vorlan -y", 1}, Case{"/vorlan", 0},
                        Case{"/VORLAN", 0}}) {
    SCOPED_TRACE(c.line);
    CMDIMainFrame* main = StartApp(c.line);
    ASSERT_TRUE(started);
    EXPECT_EQ(TheAppGlobals().serviceSwitch, c.expected);
    fw::CMenu* bar = main->GetMenu();
    ASSERT_NE(bar, nullptr);
    main->SendMessage(fw::WM_INITMENU, fw::WPARAM(bar), 0);
    // "Reserve" is the item of "&System" whose popup holds 40072.
    fw::CMenu* system = bar->GetSubMenu(8);
    ASSERT_NE(system, nullptr);
    ASSERT_NE(system->GetSubMenu(10), nullptr);
    EXPECT_TRUE(system->GetSubMenu(10)->HasCommand(appid::ID_NEW_WINFONTS));
    const fw::UINT state = system->GetMenuState(10, fw::MF_BYPOSITION);
    EXPECT_EQ((state & fw::MF_GRAYED) == 0, c.expected == 1);
    StopApp();
  }
}

TEST_F(AppStartTest, NewWinFontsOpensTheFontFileBuilder) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  fw::ScriptedModalDriver driver;
  main->SendMessage(fw::WM_COMMAND, appid::ID_NEW_WINFONTS, 0);
  ASSERT_EQ(driver.Runs().size(), 1u);
  EXPECT_EQ(driver.Runs()[0].templateId, 269u);
  EXPECT_EQ(driver.Runs()[0].caption, "Create Fonts Lib From WinTrueType");
  StopApp();
}

std::uint32_t FakeTransformInfo(std::uint32_t index, char* name, plat::HBITMAP* bitmap) {
  if ((index & 0xFFFF) == 0) return 3;
  std::snprintf(name, 40, "Shape %u", index);
  if (bitmap) *bitmap = plat::CreateBitmap(2, 2, 1, 1, nullptr);
  return 1;
}

TEST_F(AppStartTest, TransformItemsGoInOnceAfterTransform) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  CTransformDll& lib = TheTransformDll();
  ASSERT_TRUE(lib.IsLoaded());
  const auto saved = lib.dllGetTransformInfo;
  lib.dllGetTransformInfo = &FakeTransformInfo;
  fw::CMenu* bar = main->GetMenu();
  main->SendMessage(fw::WM_INITMENU, fw::WPARAM(bar), 0);
  main->SendMessage(fw::WM_INITMENU, fw::WPARAM(bar), 0);
  lib.dllGetTransformInfo = saved;
  fw::CMenu* distortion = bar->GetSubMenu(5);
  ASSERT_NE(distortion, nullptr);
  EXPECT_EQ(distortion->GetMenuItemID(4), appid::ID_TRANSFORM);
  fw::CMenu* transforms = distortion->GetSubMenu(5);
  ASSERT_NE(transforms, nullptr);
  ASSERT_EQ(transforms->GetMenuItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(transforms->GetMenuItemID(i), 60001u + fw::UINT(i));
    EXPECT_EQ(transforms->GetMenuString(fw::UINT(i), fw::MF_BYPOSITION), "Shape " + std::to_string(i + 1));
  }
  int popups = 0;
  for (int i = 0; i < distortion->GetMenuItemCount(); ++i)
    if (distortion->GetSubMenu(i)) ++popups;
  EXPECT_EQ(popups, 1);
  // The shape library's own six go in.
  StopApp();
  main = StartApp();
  bar = main->GetMenu();
  main->SendMessage(fw::WM_INITMENU, fw::WPARAM(bar), 0);
  EXPECT_TRUE(bar->HasCommand(60001));
  EXPECT_TRUE(bar->HasCommand(60006));
  EXPECT_FALSE(bar->HasCommand(60007));
}

TEST_F(AppStartTest, ClosingTheLastDocumentHidesTheBars) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  app->OnFileNew();  // a second design
  ASSERT_EQ(main->GetMDIChildren().size(), 2u);
  doc->OnCloseDocument();
  EXPECT_TRUE(main->GetMainBar().IsVisible());  // one document is left
  dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument())->OnCloseDocument();
  for (fw::CControlBar* bar : std::initializer_list<fw::CControlBar*>{
           &main->GetMainBar(), &main->GetSecondBar(), &main->GetContextBar(), &main->GetPaletteBar()})
    EXPECT_FALSE(bar->IsVisible()) << bar->GetDlgCtrlID();
  EXPECT_TRUE(main->GetModeBar().IsVisible());
  // A new design brings them back.
  app->OnFileNew();
  EXPECT_TRUE(main->GetMainBar().IsVisible());
  EXPECT_TRUE(main->GetPaletteBar().IsVisible());
}

TEST_F(AppStartTest, StatusCommandsShowTheirTexts) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  fw::CStatusBar& status = main->GetStatusBar();
  auto send = [&](fw::UINT id, const void* data) { main->SendMessage(fw::WM_COMMAND, id, fw::LPARAM(data)); };
  const float mouse[2] = {12.345f, -6.0f};
  send(32838, mouse);
  EXPECT_EQ(status.GetPaneText(1), "M: 12.3,-6.0");
  const float size[2] = {12.345f, 6.0f};
  send(32839, size);
  EXPECT_EQ(status.GetPaneText(2), "W: 12.3");
  EXPECT_EQ(status.GetPaneText(3), "H: 6.0");
  send(32840, "路径 Path");
  EXPECT_EQ(status.GetPaneText(4), "路径 Path");
  const float measure[4] = {0.0f, 0.0f, 3.0f, -4.0f};
  send(32842, measure);
  EXPECT_EQ(status.GetPaneText(0), "Measure (X = 0.0 , Y = 0.0) -Lenth:5.0");
  send(32850, "撤消 Undo");
  EXPECT_EQ(status.GetPaneText(0), "撤消 Undo");
  main->SendMessage(fw::WM_COMMAND, 32851, 110);
  EXPECT_EQ(status.GetPaneText(0), fw::res::String(110));
  for (const auto& r : status.TextHistory()) EXPECT_TRUE(r.update);
  // A status command without data changes nothing.
  const std::size_t before = status.TextHistory().size();
  for (fw::UINT id : {32838u, 32839u, 32840u, 32842u, 32850u, 32851u}) main->SendMessage(fw::WM_COMMAND, id, 0);
  EXPECT_EQ(status.TextHistory().size(), before);
  // Through the services of the model.
  GetMainFrame()->SetStatusText("ok");
  EXPECT_EQ(status.GetPaneText(0), "ok");
  GetMainFrame()->ShowSize(1.25f, 2.0f);
  EXPECT_EQ(status.GetPaneText(2), "W: 1.2");
}

TEST_F(AppStartTest, ToolWindowsToggleAndKeepTheirPlace) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_QUWEI, 0);
  CQuWeiDlg& qw = main->GetQuWei();
  ASSERT_TRUE(qw.m_hWnd);
  EXPECT_TRUE(qw.IsWindowVisible());
  fw::RECT first, frame, client;
  qw.GetWindowRect(&first);
  main->GetWindowRect(&frame);
  qw.GetClientRect(&client);
  EXPECT_EQ(first.left, frame.right - client.width() - 20);
  EXPECT_EQ(first.top, frame.bottom - client.height() - 20);
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_QUWEI, 0);
  EXPECT_FALSE(qw.IsWindowVisible());
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_QUWEI, 0);
  fw::RECT again;
  qw.GetWindowRect(&again);
  EXPECT_EQ(again.left, first.left);
  EXPECT_EQ(again.top, first.top);

  main->SendMessage(fw::WM_COMMAND, appid::ID_TEXT_EDITOR, 0);
  CTextEditorDlg& editor = main->GetTextEditor();
  ASSERT_TRUE(editor.Exists());
  EXPECT_TRUE(editor.IsWindowVisible());
  EXPECT_EQ(editor.GetEdit()->GetLimitText(), 65536);
  fw::RECT r;
  editor.GetWindowRect(&r);
  EXPECT_EQ(r.left, frame.left + 20);
  EXPECT_EQ(r.width(), frame.width() - 50);
  main->SendMessage(fw::WM_COMMAND, appid::ID_TEXT_EDITOR, 0);
  EXPECT_FALSE(editor.IsWindowVisible());

  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_PROPERTY, 0);
  CPropertyFrame* property = ThePropertyFrame();
  ASSERT_NE(property, nullptr);
  EXPECT_TRUE(property->IsWindowVisible());
  EXPECT_EQ(property->GetWindowText(), "Property");
  main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_PROPERTY, 0);
  EXPECT_FALSE(property->IsWindowVisible());
  StopApp();
  EXPECT_EQ(ThePropertyFrame(), nullptr);
}

TEST_F(AppStartTest, ExitWritesTheTMState) {
  StartApp();
  ASSERT_TRUE(started);
  DefaultTextAttr().tmState = 0x1234;
  app->ExitInstance();
  EXPECT_EQ(g_Profile.GetInt("SystemParam", "TMState", -1), 0x1234);
  // The next start reads it back into the running attributes.
  DefaultTextAttr().tmState = 0;
  LoadAppSettings(SETTINGS_LAYOUT, nullptr);
  EXPECT_EQ(DefaultTextAttr().tmState, 0x1234);
}

TEST_F(AppStartTest, TheSampleOpensMaximisedFromTheCommandLine) {
  CMDIMainFrame* main = StartApp(std::string(TINDREL_TEST_DATA) + "/../../../samples/sign.t98");
  ASSERT_TRUE(started);
  fw::BOOL maximised = fw::FALSE;
  ASSERT_NE(main->MDIGetActive(&maximised), nullptr);
  EXPECT_TRUE(maximised);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetObjectCount(), 4);
  EXPECT_EQ(doc->GetTitle(), "sign.t98");
  EXPECT_TRUE(main->GetMainBar().IsVisible());
  EXPECT_EQ(main->GetStatusBar().GetPaneText(0), fw::res::String(122));
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(AppStartTest, CommandLineWithAMissingFileEndsTheStart) {
  StartApp(Path("none.t98"));
  EXPECT_FALSE(started);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "Open error!  ");
}

TEST_F(AppStartTest, ClosingTheMainWindowKeepsTheBarLayout) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  main->ShowControlBars(0, appid::BAR_SECOND);
  main->SendMessage(fw::WM_CLOSE);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  StopApp();
  main = StartApp();
  ASSERT_NE(main, nullptr);
  // The design window's activation shows the bars of its mask again.
  EXPECT_TRUE(main->GetSecondBar().IsVisible());
  EXPECT_EQ(app->GetProfileInt("BarStates-Summary", "Bars", 0), 6);
}

}  // namespace
