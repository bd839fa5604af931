// Shared set-up of the application tests: a private folder (also the profile
// folder), recorded message boxes, the program's resources, and small designs.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/docfile.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/settingsload.h"
#include "app/tindrelapp.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/cmdtarget.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "framework/wnd.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/services.h"
#include "platform/dc.h"
#include "platform/report.h"
#include "model/settings.h"

namespace apptest {

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::unique_ptr<CPathObject> MakeRectPath(float x1, float y1, float x2, float y2) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(x1, y1, x2, y2);
  p->EndPoints();
  return p;
}

inline std::unique_ptr<CPathObject> MakeLinePath(float x1, float y1, float x2, float y2) {
  auto p = std::make_unique<CPathObject>();
  p->AddLine(x1, y1, x2, y2);
  p->EndPoints();
  return p;
}

inline std::unique_ptr<CGroupObject> MakeGroup() {
  auto g = std::make_unique<CGroupObject>();
  g->AddChild(MakeRectPath(10, 10, 50, 30));
  g->AddChild(MakeLinePath(10, 40, 50, 40));
  g->RecalcBounds();
  return g;
}

// The list on the clipboard in the object-list format, as the program's copy
// leaves it; `owner` opens the clipboard.
inline void PutObjectList(fw::CWnd* owner, CSegArray& list) {
  plat::HGLOBAL block = 0;
  ASSERT_GT(list.PackToGlobal(&block), 0u);
  ASSERT_TRUE(fw::OpenClipboard(owner));
  fw::EmptyClipboard();
  fw::SetClipboardData(RegisteredClipboardFormats().objectList, block);
  fw::CloseClipboard();
}

// A command's update state as the target answers it.
inline fw::CCmdUI UpdateOf(fw::CCmdTarget* target, fw::UINT id) {
  fw::CCmdUI ui;
  ui.m_nID = id;
  target->OnCmdMsg(id, fw::CmdKind::Update, &ui);
  return ui;
}

// The view's page painted on a white memory context of its client size.
class PagePixels {
 public:
  explicit PagePixels(CVORLAN98View* v) {
    const fw::SIZE c = v->GetClientSize();
    bmp = plat::CreateBitmap(c.cx, c.cy, 1, 32, nullptr);
    old = dc.SelectObject(bmp);
    dc.FillRect(fw::RECT{0, 0, c.cx, c.cy}, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH)));
    v->PaintPage(&dc);
  }
  ~PagePixels() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
  }
  PagePixels(const PagePixels&) = delete;
  PagePixels& operator=(const PagePixels&) = delete;
  plat::COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
  plat::COLORREF At(plat::POINT p) const { return dc.GetPixel(p.x, p.y); }

  plat::DC dc;
  plat::HBITMAP bmp = nullptr;
  plat::HBITMAP old = nullptr;
};

// The main settings file moved to `path` and the languages and fonts read
// from it while in scope; both come back afterwards.
class ScopedLanguages {
 public:
  explicit ScopedLanguages(const std::string& path) : saved_(g_IniFile.GetPath()) {
    g_IniFile.SetPath(path);
    LoadAppSettings(SETTINGS_FONTS, nullptr);
  }
  ~ScopedLanguages() {
    g_IniFile.SetPath(saved_);
    LoadAppSettings(SETTINGS_FONTS, nullptr);
  }
  ScopedLanguages(const ScopedLanguages&) = delete;
  ScopedLanguages& operator=(const ScopedLanguages&) = delete;

 private:
  std::string saved_;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tindrel-app-XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("TINDREL_PROFILE_DIR", (dir + "/profile").c_str(), 1);
    fw::ResetWindowSystem();
    appres::RegisterAppResources();
    TestDocWriteFaults() = {};
  }
  void TearDown() override {
    StopApp();
    fw::ResetWindowSystem();
    TestDocWriteFaults() = {};
    ::unsetenv("TINDREL_PROFILE_DIR");
    std::filesystem::remove_all(dir);
  }

  // Starts the program with a command line; the main frame or null.
  CMDIMainFrame* StartApp(const std::string& commandLine = {}) {
    app = std::make_unique<CVORLAN98App>();
    app->m_lpCmdLine = commandLine;
    started = app->InitInstance() != 0;
    return dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
  }
  // Starts the program and returns the design view of its first document, or null.
  CVORLAN98View* StartDesignView(CMDIMainFrame** frame) {
    CMDIMainFrame* main = StartApp();
    *frame = main;
    if (!main) return nullptr;
    fw::PumpPendingMessages();
    return dynamic_cast<CVORLAN98View*>(main->GetActiveView());
  }
  void StopApp() {
    if (!app) return;
    if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
    fw::ResetWindowSystem();
    app.reset();
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }

  std::string dir;
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  std::unique_ptr<CVORLAN98App> app;
  bool started = false;
};

// StartDocument(), from a SetUp: the program started, its first document and
// view found. `driver` answers the dialogs the test opens.
class StartedDocumentTest : public AppTest {
 protected:
  void StartDocument() {
    main = StartApp();
    ASSERT_NE(main, nullptr);
    fw::PumpPendingMessages();
    doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
    view = main->GetActiveView();
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(view, nullptr);
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98Doc* doc = nullptr;
  fw::CView* view = nullptr;
  fw::ScriptedModalDriver driver;
};

}  // namespace apptest
