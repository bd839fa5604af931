// A started design view of 800 x 600 pixels on the 400 x 900 page, with
// mouse steps and helpers for the dialogs it opens.
#pragma once
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "view_fixture.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "model/pathobject.h"
#include "model/settings.h"

namespace apptest {

// Add and AddRect here put objects in unselected and redraw them.
class DialogViewTest : public StartedViewTest {
 protected:
  DialogViewTest() : StartedViewTest(kPageView) {}
  void SetUp() override {
    StartedViewTest::SetUp();
    if (HasFatalFailure()) return;
    baseSteps = view->GetUndoList()->GetSize();
  }
  // Runs the command with one scripted step for the dialog it opens.
  void Run(fw::UINT id, fw::ScriptedModalDriver::Step step) {
    fw::ScriptedModalDriver driver;
    driver.Then(std::move(step));
    view->SendMessage(fw::WM_COMMAND, id, 0);
    runs = driver.Runs();
  }
  CGraphObject* Add(std::unique_ptr<CGraphObject> o) {
    CGraphObject* raw = o.release();
    doc->AddObject(raw, true);
    return raw;
  }
  CGraphObject* AddRect(float l, float t, float r, float b) { return Add(MakeRectPath(l, t, r, b)); }
  void SelectAll() {
    for (int i = 0; i < doc->GetObjectCount(); ++i) view->Tracker()->Select(doc->GetObjectAt(i));
  }
  // The bounds of the contours of a path, in order.
  static std::vector<CFRect> Contours(CPathObject& p) {
    std::vector<std::unique_ptr<CPathObject>> parts;
    std::unique_ptr<CGraphObject> copy = p.Clone();
    static_cast<CPathObject&>(*copy).SplitContours(parts);
    std::vector<CFRect> out;
    for (auto& c : parts) {
      c->RecalcBounds();
      out.push_back(c->bounds);
    }
    return out;
  }
  // Undo steps since the start.
  int Steps() const { return view->GetUndoList()->GetSize() - baseSteps; }
  bool Undo() { return view->GetUndoList()->UndoLastStep(*view); }

  int baseSteps = 0;
  std::vector<fw::ScriptedModalDriver::Run> runs;
};

// The main settings file moved to an empty private copy while a test runs.
class PrivateIniViewTest : public DialogViewTest {
 protected:
  void SetUp() override {
    DialogViewTest::SetUp();
    savedIni = g_IniFile.GetPath();
    std::ofstream(Path("VORLAN98.INI")) << "[PATH]\n";
    g_IniFile.SetPath(Path("VORLAN98.INI"));
  }
  void TearDown() override {
    g_IniFile.SetPath(savedIni);
    DialogViewTest::TearDown();
  }
  std::string savedIni;
};

// The view's update rule of a command.
inline bool IsCommandEnabled(CVORLAN98View& view, fw::UINT id) {
  fw::CCmdUI ui;
  ui.m_nID = id;
  ui.DoUpdate(&view, fw::TRUE);
  return ui.enabled;
}

inline void ExpectRect(const CFRect& r, float l, float t, float rt, float b) {
  EXPECT_NEAR(r.left, l, 1e-3f);
  EXPECT_NEAR(r.top, t, 1e-3f);
  EXPECT_NEAR(r.right, rt, 1e-3f);
  EXPECT_NEAR(r.bottom, b, 1e-3f);
}

}  // namespace apptest
