// The program started with the design view of its first document, and the
// steps its tests take on the view: objects in, commands, undo.
#pragma once
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app_fixture.h"
#include "framework/input.h"
#include "model/pathobject.h"
#include "model/undoitems.h"

namespace apptest {

class StartedViewTest : public AppTest {
 protected:
  // kPageView: a drawing area of 800 x 600 showing the 400 x 900 page, 1.5 mm
  // a pixel. kStartSize: the view as the program opened it.
  enum ViewSize { kStartSize, kPageView };
  explicit StartedViewTest(ViewSize area = kStartSize) : area_(area) {}

  void SetUp() override {
    AppTest::SetUp();
    view = StartDesignView(&main);
    ASSERT_NE(view, nullptr);
    doc = view->GetDoc();
    ASSERT_NE(doc, nullptr);
    if (area_ == kPageView) {
      view->MoveWindow(0, 0, 800 + 15 + 16, 600 + 15 + 16);
      view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
    }
  }
  void TearDown() override {
    for (int vk : {fw::VK_MENU, fw::VK_SHIFT, fw::VK_CONTROL}) fw::SetKeyDown(fw::UINT(vk), false);
    AppTest::TearDown();
  }

  // The path into the document, selected unless `select` is false.
  CPathObject* Add(std::unique_ptr<CPathObject> p, bool select = true) {
    CPathObject* raw = p.release();
    doc->AddObject(raw, false);
    if (select) view->Tracker()->Select(raw);
    return raw;
  }
  CPathObject* AddRect(float l, float t, float r, float b, bool select = true) {
    return Add(MakeRectPath(l, t, r, b), select);
  }
  // The device pixel of a page point.
  fw::POINT Dev(float x, float y) const {
    const plat::POINT p = view->PageToDevice(CFPoint{x, y});
    return fw::POINT{p.x, p.y};
  }
  void Command(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  // Undoes the last step as the Undo command does; false when there was none.
  bool UndoStep() {
    view->Tracker()->Hide(nullptr);
    const bool undone = view->GetUndoList()->UndoLastStep(*view);
    view->Tracker()->GetSelectionRect(nullptr);
    view->Tracker()->Show(nullptr);
    return undone;
  }
  int Steps() const { return view->GetUndoList()->GetSize(); }
  std::vector<CGraphObject*> Objects() const {
    std::vector<CGraphObject*> out;
    for (int i = 0; i < doc->GetObjectCount(); ++i) out.push_back(doc->GetObjectAt(i));
    return out;
  }
  // Every object out, the undo steps with them.
  void Clear() {
    view->Tracker()->ClearSelection(nullptr, true);
    while (doc->GetObjectCount()) DeleteDetachedObject(doc, doc->RemoveObjectAt(0));
  }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;

 private:
  ViewSize area_;
};

}  // namespace apptest
