#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/tests/fakes.h"
#include "platform/report.h"
#include "text/libcatalogdlg.h"
#include "text/libpicobject.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

using namespace fw;

namespace {

// STAR.LIB: kind 0 with 7 squares of 100, kind 1 with 30.
struct LibCatalogTest : ::testing::Test {
  ScopedMountFolder mount;
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  FakeDocument doc;
  FakeView view{&doc};
  FakeApp app;
  ScriptedModalDriver driver;

  void SetUp() override {
    RegisterLibCatalogResources();
    ASSERT_TRUE(MakeLibrary(mount / "STAR.LIB", {7, 30}, "Stars"));
    ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 1);
    app.activeView = &view;
    DefaultTextAttr() = TestAttr(7.0f);
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
    DefaultTextAttr() = CTextAttr();
  }
  // Runs the dialog: the fields typed, then the button.
  int Run(std::vector<std::pair<UINT, std::string>> fields, int kind, UINT button = IDOK) {
    driver.Then([=](CDialog& d) {
      d.SelectComboItem(IDC_CAT_KIND, kind);
      for (const auto& [id, text] : fields) d.TypeText(id, text);
      d.ClickButton(button);
      if (!d.IsEnded()) d.ClickButton(IDCANCEL);
    });
    CNewGraphLibDlg dlg;
    return dlg.DoModal();
  }
  std::vector<CLibPicObject*> Pictures() const {
    std::vector<CLibPicObject*> out;
    for (CGraphObject* o : doc.objects)
      if (auto* p = dynamic_cast<CLibPicObject*>(o)) out.push_back(p);
    return out;
  }
};

const std::vector<std::pair<UINT, std::string>> kPage = {{IDC_CAT_END_X, "210"}, {IDC_CAT_END_Y, "280"}};

TEST_F(LibCatalogTest, DefaultsPlaceNothing) {
  std::vector<std::string> shown;
  driver.Then([&](CDialog& d) {
    for (UINT id : {IDC_CAT_START_X, IDC_CAT_END_Y, IDC_CAT_SIZE_X, IDC_CAT_GAP_Y, IDC_CAT_ROWS, IDC_CAT_LABEL_GAP,
                    IDC_CAT_START_NO})
      shown.push_back(d.GetDlgItemText(id));
    EXPECT_EQ(d.Item<CComboBox>(IDC_CAT_KIND)->GetCount(), 2);
    d.ClickButton(IDOK);
  });
  CNewGraphLibDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"10", "10", "40", "10", "6", "2", "0"}));
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(g_IniFile.GetInt("LibTypeSet", "StartNo", -1), 0);
  EXPECT_EQ(g_IniFile.GetInt("LibTypeSet", "SIZEX", -1), 40);
}

TEST_F(LibCatalogTest, GridOfPicturesWithLabelsInOneUndoStep) {
  const float sizeBefore = DefaultTextAttr().sizeX;
  ASSERT_EQ(Run(kPage, 1), IDOK);
  // Four columns (10, 60, 110, 160), rows while y + 52 < 280: 10 .. 210, so 20 pictures.
  const auto pics = Pictures();
  ASSERT_EQ(pics.size(), 20u);
  EXPECT_EQ(doc.GetObjectCount(), 40);
  EXPECT_FLOAT_EQ(pics[3]->bounds.left, 160);
  EXPECT_FLOAT_EQ(pics[4]->bounds.top, 60);
  EXPECT_FLOAT_EQ(pics[19]->bounds.top, 210);
  EXPECT_EQ(pics[5]->pictureNumber, 5);
  std::unique_ptr<CPathPointList> o(pics[0]->MakeOutline(nullptr, 0));
  EXPECT_NEAR(o->bounds.left, 10, 1e-3);
  EXPECT_NEAR(o->bounds.right, 50, 1e-3);
  auto* label = dynamic_cast<CTextObject*>(doc.objects[3]);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetText(), "1");
  EXPECT_FLOAT_EQ(label->chars.CharAt(0)->sizeY, 10);
  EXPECT_EQ(g_IniFile.GetInt("LibTypeSet", "StartNo", -1), 20);
  EXPECT_EQ(DefaultTextAttr().sizeX, sizeBefore);  // the user's defaults stay
  ASSERT_EQ(view.undo.GetSize(), 1);
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  EXPECT_EQ(doc.GetObjectCount(), 0);

  // The next page continues at 20; end x 200 leaves three columns.
  ASSERT_EQ(Run({{IDC_CAT_END_X, "200"}, {IDC_CAT_END_Y, "70"}}, 1), IDOK);
  const auto next = Pictures();
  ASSERT_EQ(next.size(), 3u);
  EXPECT_EQ(next[0]->pictureNumber, 20);
}

TEST_F(LibCatalogTest, AShortKindEndsTheCatalogue) {
  ASSERT_EQ(Run(kPage, 0), IDOK);
  EXPECT_EQ(Pictures().size(), 7u);
  EXPECT_EQ(g_IniFile.GetInt("LibTypeSet", "StartNo", -1), 7);
}

TEST_F(LibCatalogTest, CellsThatAreNotSquareKeepThePictureInside) {
  auto fields = kPage;
  fields.push_back({IDC_CAT_SIZE_Y, "20"});
  ASSERT_EQ(Run(fields, 1), IDOK);
  const auto pics = Pictures();
  ASSERT_FALSE(pics.empty());
  std::unique_ptr<CPathPointList> o(pics[0]->MakeOutline(nullptr, 0));
  // A 100 x 100 square in a 40 x 20 cell: 20 x 20, centred across.
  EXPECT_NEAR(o->bounds.left, 20, 1e-3);
  EXPECT_NEAR(o->bounds.right, 40, 1e-3);
  EXPECT_NEAR(o->bounds.top, 10, 1e-3);
  EXPECT_NEAR(o->bounds.bottom, 30, 1e-3);
}

TEST_F(LibCatalogTest, StepsThatDoNotMoveAreRefused) {
  auto fields = kPage;
  fields.push_back({IDC_CAT_SIZE_X, "10"});
  fields.push_back({IDC_CAT_GAP_X, "-10"});
  Run(fields, 1);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].caption, "错误");
}

}  // namespace
