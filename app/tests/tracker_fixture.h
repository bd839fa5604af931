// A selection tracker on a fake design view: a document of rectangle paths,
// the view's undo list, paste of object blocks as the design view does it,
// and mouse steps bracketed in undo steps as the view's handlers bracket them.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/selecttracker.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "model/undoitems.h"
#include "platform/gmem.h"

namespace trackertest {

class TrackerView : public FakeView {
 public:
  explicit TrackerView(FakeDocument* doc) : FakeView(doc, 200, 200), doc_(doc) {}

  void PasteObjectBlock(const std::uint8_t* block, std::size_t size, const CFPoint* offset) override {
    ++pastes;
    std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(block, size);
    if (!list) return;
    for (int i = list->GetSize() - 1; i >= 0; --i) {
      CGraphObject* o = list->GetAt(i);
      if (offset) o->Offset(offset->x, offset->y);
      if (GetUndoRecordDepth() != 0) AppendUndo(this, std::make_unique<CUndoAddObject>(o));
    }
    for (CGraphObject* o : list->Objects()) doc_->AddObject(o, true);
    list->RemoveAll();
  }
  bool SnapRect(CFRect&, float) override {
    ++snaps;
    return false;
  }
  void CaptureMouse() override { captured = true; }
  void ReleaseMouse() override { captured = false; }

  int pastes = 0;
  int snaps = 0;
  bool captured = false;

 private:
  FakeDocument* doc_;
};

// Counts what reaches the clipboard.
class CountingClipboard : public CClipboardServices {
 public:
  bool Open() override { return ++opens, true; }
  bool Empty() override { return true; }
  bool SetData(std::uint32_t, plat::HGLOBAL block) override {
    plat::GlobalFree(block);
    return ++sets, true;
  }
  void Close() override {}
  int opens = 0, sets = 0;
};

inline std::unique_ptr<CPathObject> RectPath(float l, float t, float r, float b) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(l, t, r, b);
  p->EndPoints();
  return p;
}

inline std::unique_ptr<CPathObject> LinePath(float x1, float y1, float x2, float y2) {
  auto p = std::make_unique<CPathObject>();
  p->AddLine(x1, y1, x2, y2);
  p->EndPoints();
  return p;
}

class TrackerTest : public ::testing::Test {
 public:
  TrackerTest() : view(&doc), tracker(&view) {
    CreateSharedDrawingTools();
    view.hasMatrix = true;
    tracker.SetView(&view);
    tracker.EnableHandles(true);
    app.activeView = &view;
    doc.views.push_back(&view);
  }

  CGraphObject* Add(std::unique_ptr<CGraphObject> o) {
    CGraphObject* raw = o.release();
    doc.objects.push_back(raw);
    return raw;
  }
  // Three squares: 0 at (10,10)-(30,30), 1 at (50,10)-(70,30), 2 at (10,50)-(30,70).
  void AddThree() {
    Add(RectPath(10, 10, 30, 30));
    Add(RectPath(50, 10, 70, 30));
    Add(RectPath(10, 50, 30, 70));
  }
  CGraphObject* At(int i) { return doc.GetObjectAt(i); }
  std::vector<int> Selected() const {
    std::vector<int> out;
    for (std::size_t i = 0; i < doc.objects.size(); ++i)
      if (doc.objects[i]->selected) out.push_back(int(i));
    return out;
  }

  // Mouse steps as the view runs them, each press and release in one undo step.
  void Down(std::uint32_t flags, float x, float y) {
    view.undo.StartRecord(0);
    tracker.OnLButtonDown(flags | MK_LBUTTON, x, y);
    view.undo.EndRecord();
  }
  void Move(std::uint32_t flags, float x, float y) { tracker.OnMouseMove(flags | MK_LBUTTON, x, y); }
  void Up(std::uint32_t flags, float x, float y) {
    view.undo.StartRecord(0);
    tracker.OnLButtonUp(flags, x, y);
    view.undo.EndRecord();
  }
  void Click(float x, float y, std::uint32_t flags = 0) {
    Down(flags, x, y);
    Up(flags, x, y);
  }
  void Drag(float x0, float y0, float x1, float y1, std::uint32_t flags = 0) {
    Down(flags, x0, y0);
    Move(flags, (x0 + x1) / 2, (y0 + y1) / 2);
    Move(flags, x1, y1);
    Up(flags, x1, y1);
  }
  // Undoes the newest step with the marks around it, as the Undo command does.
  void UndoLast() {
    tracker.Hide(nullptr);
    view.undo.UndoLastStep(view);
    tracker.GetSelectionRect(nullptr);
    tracker.Show(nullptr);
  }

  FakeApp app;
  FakeDocument doc;
  TrackerView view;
  CSelectTracker tracker;
};

}  // namespace trackertest
