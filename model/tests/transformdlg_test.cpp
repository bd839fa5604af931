#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <cstring>
#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "model/dllholder.h"
#include "model/rectobject.h"
#include "model/tests/fakes.h"
#include "model/transformdlg.h"
#include "model/transformobject.h"

namespace {

// A view whose selection the test sets.
class SelectingView : public FakeView {
 public:
  using FakeView::FakeView;
  int GetSelectedCount() const override { return int(selection.size()); }
  CGraphObject* GetSelectedObject() const override { return selection.empty() ? nullptr : selection[0]; }
  std::vector<CGraphObject*> selection;
};

CGraphObject* NewRect(float l, float t, float r, float b) {
  auto* rect = new CRectObject();
  rect->x1 = l, rect->y1 = t, rect->x2 = r, rect->y2 = b;
  rect->bounds = CFRect(l, t, r, b);
  return rect;
}

class TransformDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(TransformDll().Load(), nullptr);
    doc.views.push_back(&view);
    app.activeView = &view;
    doc.AddObject(NewRect(0, 0, 5, 5), false);
    doc.AddObject(NewRect(10, 10, 30, 20), false);
    doc.AddObject(NewRect(40, 0, 45, 5), false);
  }
  void TearDown() override {
    TransformDll().Load();
    fw::ResetWindowSystem();
  }
  // Runs the dialog with one scripted step.
  int Run(fw::ScriptedModalDriver::Step step) {
    fw::ScriptedModalDriver driver;
    driver.Then(std::move(step));
    CTransformDlg dlg;
    return dlg.DoModal();
  }

  FakeApp app;
  FakeDocument doc;
  SelectingView view{&doc, 400, 300};
};

TEST_F(TransformDlgTest, ListsTheLibrarysTransformsAndKeepsBothListsInStep) {
  const int result = Run([](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Transform");
    auto* names = d.Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
    auto* pictures = d.Item<fw::CListBox>(IDC_TRANSFORM_PICTURES);
    ASSERT_TRUE(names && pictures);
    ASSERT_EQ(names->GetCount(), 6);
    ASSERT_EQ(pictures->GetCount(), 6);
    EXPECT_EQ(names->GetLBText(2), "Curved Envelope");
    EXPECT_EQ(pictures->GetText(5), "Wave");
    EXPECT_EQ(names->GetCurSel(), 0);
    EXPECT_EQ(pictures->GetCurSel(), 0);
    EXPECT_EQ(pictures->GetItemHeight(0), 70);
    EXPECT_EQ(pictures->GetColumnWidth(), 70);
    EXPECT_EQ(static_cast<CTransformDlg&>(d).GetImages().GetImageCount(), 6);
    EXPECT_TRUE(d.SelectComboItem(IDC_TRANSFORM_NAMES, 3));
    EXPECT_EQ(pictures->GetCurSel(), 3);
    EXPECT_TRUE(d.SelectListItem(IDC_TRANSFORM_PICTURES, 1));
    EXPECT_EQ(names->GetCurSel(), 1);
    // The selected cell shows its picture as the others do, in a dark blue frame.
    plat::WindowSurface surface;
    surface.Resize(500, 100);
    plat::DC dc(surface);
    pictures->DrawItems(&dc);
    auto picture = [&](int item) {
      fw::RECT cell{};
      pictures->GetItemRect(item, &cell);
      std::vector<plat::COLORREF> px;
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) px.push_back(dc.GetPixel(cell.left + 5 + x, cell.top + 5 + y));
      return px;
    };
    const std::vector<plat::COLORREF> chosen = picture(1);
    const auto lines = std::count(chosen.begin(), chosen.end(), 0u);
    EXPECT_GT(lines, 100);                        // its lines
    EXPECT_LT(lines, std::ptrdiff_t(chosen.size()) / 2);  // on its ground, not a dark square
    auto framed = [&](int item) {
      fw::RECT cell{};
      pictures->GetItemRect(item, &cell);
      int blue = 0;
      // Its left and top edges (the neighbour's frame may reach into the right one).
      for (int y = cell.top; y < cell.bottom - 4; ++y)
        for (int x = cell.left; x < cell.right - 4; ++x)
          if (x < cell.left + 4 || y < cell.top + 4) blue += dc.GetPixel(x, y) == 0x800000u;
      return blue;
    };
    EXPECT_GT(framed(1), 60);
    EXPECT_EQ(framed(0), 0);
    // The same picture unselected draws the same pixels.
    EXPECT_TRUE(d.SelectListItem(IDC_TRANSFORM_PICTURES, 0));
    pictures->DrawItems(&dc);
    EXPECT_EQ(picture(1), chosen);
    d.ClickButton(fw::IDCANCEL);
  });
  EXPECT_EQ(result, fw::IDCANCEL);
  EXPECT_EQ(doc.GetObjectCount(), 3);
}

TEST_F(TransformDlgTest, OkReplacesTheSelectedObjectAsOneUndoStep) {
  CGraphObject* rect = doc.objects[1];
  view.selection = {rect};
  EXPECT_EQ(Run([](fw::CDialog& d) {
              d.SelectComboItem(IDC_TRANSFORM_NAMES, 4);  // Bulge
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  ASSERT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.IndexOfObject(rect), -1);
  auto* t = dynamic_cast<CTransformObject*>(doc.objects[2]);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetSource(), rect);
  EXPECT_EQ(view.tool, ID_TOOL_NODE);
  EXPECT_EQ(view.editObject, t);
  EXPECT_EQ(t->editMode, ID_TOOL_NODE);
  EXPECT_FALSE(view.invalidated.empty());
  EXPECT_EQ(view.tracker.log.front(), "ClearSelection(unselect)");
  ASSERT_EQ(view.undo.GetSize(), 1);

  // One undo puts the rectangle back at its place and the tool back.
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  ASSERT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.objects[1], rect);
  EXPECT_EQ(view.tool, ID_TOOL_SELECT);
  EXPECT_EQ(view.editObject, nullptr);
}

TEST_F(TransformDlgTest, OkChangesNothingItCannotTransform) {
  CGraphObject* image = doc.objects[0];
  image->kind = OBJ_IMAGE;
  std::unique_ptr<CGraphObject> source(NewRect(0, 0, 4, 4));
  CGraphObject* transformed = CTransformObject::Make(source, 1).release();
  doc.AddObject(transformed, false);
  const std::vector<std::vector<CGraphObject*>> selections = {
      {}, {doc.objects[1], doc.objects[2]}, {image}, {transformed}};
  for (const auto& selection : selections) {
    view.selection = selection;
    Run([](fw::CDialog& d) { d.ClickButton(fw::IDOK); });
    EXPECT_EQ(doc.GetObjectCount(), 4);
    EXPECT_EQ(view.undo.GetSize(), 0);
    EXPECT_EQ(view.tool, ID_TOOL_SELECT);
  }
  image->kind = OBJ_RECT;
}

TEST_F(TransformDlgTest, WithoutTheLibraryTheListsAreEmptyAndOkCloses) {
  TransformDll().Unload();
  view.selection = {doc.objects[1]};
  EXPECT_EQ(Run([](fw::CDialog& d) {
              EXPECT_EQ(d.Item<fw::CComboBox>(IDC_TRANSFORM_NAMES)->GetCount(), 0);
              EXPECT_EQ(d.Item<fw::CListBox>(IDC_TRANSFORM_PICTURES)->GetCount(), 0);
              d.ClickButton(fw::IDOK);
            }),
            fw::IDOK);
  EXPECT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(dynamic_cast<CTransformObject*>(doc.objects[2]), nullptr);
}

std::uint32_t UnterminatedInfo(std::uint32_t index, char* name, plat::HBITMAP* bitmap) {
  if ((index & 0xFFFF) == 0) return 2;
  std::memset(name, 'A' + int(index), flexoril::kNameSize);  // no NUL
  if (bitmap && index == 2) *bitmap = nullptr;                 // no picture
  return 1;
}

TEST_F(TransformDlgTest, NamesWithoutTheirEndAndTransformsWithoutPictures) {
  CTransformDll& lib = TransformDll();
  const auto saved = lib.dllGetTransformInfo;
  lib.dllGetTransformInfo = &UnterminatedInfo;
  Run([](fw::CDialog& d) {
    auto* names = d.Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
    ASSERT_EQ(names->GetCount(), 2);
    EXPECT_EQ(names->GetLBText(0), std::string(39, 'B'));
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_TRANSFORM_PICTURES)->GetText(1), std::string(39, 'C'));
    EXPECT_EQ(static_cast<CTransformDlg&>(d).GetImages().GetImageCount(), 0);
    plat::WindowSurface surface;
    surface.Resize(300, 100);
    plat::DC dc(surface);
    d.Item<fw::CListBox>(IDC_TRANSFORM_PICTURES)->DrawItems(&dc);  // empty cells draw
  });
  lib.dllGetTransformInfo = saved;
}

}  // namespace
