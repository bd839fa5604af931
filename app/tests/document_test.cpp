#include <gtest/gtest.h>

#include "app/document.h"
#include "app_fixture.h"
#include "framework/controls.h"
#include "model/records.h"
#include "platform/bytes.h"

using namespace apptest;

namespace {

class HintView : public fw::CView {
 public:
  void OnUpdate(fw::CView*, fw::LPARAM hint, fw::CObject* object) override {
    hints.push_back(hint);
    if (auto* h = dynamic_cast<CObjectHint*>(object)) objects.push_back(h->object);
    if (auto* h = dynamic_cast<CIndexHint*>(object)) indexes.push_back(h->index);
  }
  std::vector<fw::LPARAM> hints;
  std::vector<CGraphObject*> objects;
  std::vector<int> indexes;
};

// An object the document's empty test deletes.
class EmptyObject : public CGraphObject {
 public:
  int IsEmpty() override { return 1; }
};

class DocumentTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    doc.m_bAutoDelete = fw::FALSE;
    doc.OnNewDocument();
    doc.AddView(&view);
    doc.SetModifiedFlag(fw::FALSE);
  }
  void TearDown() override {
    doc.RemoveView(&view);
    AppTest::TearDown();
  }
  CVORLAN98Doc doc;
  HintView view;
};

TEST_F(DocumentTest, AddAndInsertMarkModifiedAndTellTheViews) {
  CGraphObject* a = MakeRectPath(0, 0, 10, 10).release();
  doc.AddObject(a);
  EXPECT_TRUE(doc.IsModified());
  CGraphObject* b = MakeRectPath(5, 5, 20, 20).release();
  doc.InsertObject(b, 0);
  EXPECT_EQ(doc.GetObjectAt(0), b);
  EXPECT_EQ(doc.GetObjectAt(1), a);
  EXPECT_EQ(doc.GetObjectAt(2), nullptr);
  EXPECT_EQ(view.hints, (std::vector<fw::LPARAM>{1, 1}));
  EXPECT_EQ(view.objects, (std::vector<CGraphObject*>{a, b}));
  CSegArray more;
  more.Add(MakeLinePath(0, 0, 1, 1));
  more.Add(MakeLinePath(0, 0, 2, 2));
  doc.AddObjects(more);
  EXPECT_TRUE(more.IsEmpty());
  EXPECT_EQ(doc.GetObjectCount(), 4);
  EXPECT_EQ(view.hints.back(), 3);
  EXPECT_EQ(view.indexes, (std::vector<int>{2}));
  // Through the services interface the update is optional.
  static_cast<CDocumentServices&>(doc).AddObject(MakeLinePath(0, 0, 3, 3).release(), false);
  EXPECT_EQ(view.hints.size(), 3u);
}

TEST_F(DocumentTest, RemovingHandsObjectsBackUnmodified) {
  std::vector<CGraphObject*> five;
  for (int i = 0; i < 5; ++i) {
    five.push_back(MakeRectPath(float(i), 0, float(i) + 1, 1).release());
    doc.AddObject(five.back());
  }
  CGraphObject* keep = MakeRectPath(0, 0, 1, 1).release();
  doc.AddObject(keep);
  doc.SetModifiedFlag(fw::FALSE);
  doc.RemoveObjects(five);
  EXPECT_EQ(doc.GetObjectCount(), 1);
  EXPECT_FALSE(doc.IsModified());
  for (CGraphObject* o : five) delete o;
  // An object of another document is not found and changes nothing.
  CVORLAN98Doc other;
  CGraphObject* foreign = MakeRectPath(0, 0, 1, 1).release();
  other.AddObject(foreign);
  EXPECT_EQ(doc.IndexOfObject(foreign), -1);
  EXPECT_EQ(doc.RemoveObject(foreign), -1);
  EXPECT_EQ(doc.GetObjectCount(), 1);
  EXPECT_EQ(doc.RemoveObjectAt(0), keep);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  delete keep;
}

TEST_F(DocumentTest, BoundsAndEmptyObjects) {
  CFRect r(1, 2, 3, 4);
  EXPECT_EQ(doc.GetObjectsBounds(&r), 0);
  EXPECT_EQ(r.left, 1.0f);
  EXPECT_EQ(r.bottom, 4.0f);
  doc.AddObject(MakeRectPath(10, 20, 30, 40).release());
  doc.AddObject(MakeRectPath(-5, 25, 15, 60).release());
  ASSERT_EQ(doc.GetObjectsBounds(&r), 1);
  EXPECT_EQ(r.left, -5.0f);
  EXPECT_EQ(r.top, 20.0f);
  EXPECT_EQ(r.right, 30.0f);
  EXPECT_EQ(r.bottom, 60.0f);

  auto* e1 = new EmptyObject;
  auto* e2 = new EmptyObject;
  doc.InsertObject(e1, 0);
  doc.AddObject(e2);
  EXPECT_EQ(doc.DeleteEmptyObjects(doc.GetObjectAt(1)), 0);  // not empty
  EXPECT_EQ(doc.DeleteEmptyObjects(e1), 1);
  EXPECT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.DeleteEmptyObjects(nullptr), 1);
  EXPECT_EQ(doc.GetObjectCount(), 2);
  EXPECT_EQ(doc.DeleteEmptyObjects(nullptr), 0);
}

TEST_F(DocumentTest, NewPageFromTheProfileAndAnOpenedDocumentLoadsItsPalette) {
  view.hints.clear();
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_EQ(doc.GetPageWidth(), 400.0f);
  EXPECT_EQ(doc.GetPageHeight(), 900.0f);
  EXPECT_EQ(view.hints, (std::vector<fw::LPARAM>{fw::LPARAM(0x80000001)}));
  doc.AddObject(MakeRectPath(0, 0, 1, 1).release());
  ASSERT_TRUE(doc.OnSaveDocument(Path("a.t98")));
  CVORLAN98Doc opened;
  opened.m_bAutoDelete = fw::FALSE;
  HintView other;
  opened.AddView(&other);
  ASSERT_TRUE(opened.OnOpenDocument(Path("a.t98")));
  EXPECT_EQ(other.hints, (std::vector<fw::LPARAM>{fw::LPARAM(0x80000001)}));
  opened.RemoveView(&other);
}

TEST_F(DocumentTest, AFailedOpenLeavesTheEditorAlone) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  auto* design = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  design->AddObject(MakeRectPath(0, 0, 1, 1).release());
  main->OnTextEditor();
  main->GetTextEditor().GetEdit()->SetWindowText("kept out");
  ASSERT_TRUE(design->OnSaveDocument(Path("t.t98")));
  main->GetTextEditor().GetEdit()->SetWindowText("");
  std::vector<std::uint8_t> b = ReadBytes(Path("t.t98"));
  b[plat::GetU32(b.data() + 16 + 20) + 5] = 'Z';  // the first record's letter
  WriteBytes(Path("t.t98"), b);
  EXPECT_EQ(app->OpenDocumentFile(Path("t.t98")), nullptr);
  EXPECT_EQ(main->GetTextEditor().GetText(), "");
  // The good file hands its text over, after the editor's own.
  main->GetTextEditor().GetEdit()->SetWindowText("mine");
  b[plat::GetU32(b.data() + 16 + 20) + 5] = '#';
  WriteBytes(Path("t.t98"), b);
  ASSERT_NE(app->OpenDocumentFile(Path("t.t98")), nullptr);
  EXPECT_EQ(main->GetTextEditor().GetText(), "mine\r\rkept out");
}

}  // namespace
