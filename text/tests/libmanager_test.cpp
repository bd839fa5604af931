#include <gtest/gtest.h>

#include <algorithm>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "text/fontcatalog.h"
#include "text/libmanagerdlg.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/tests/text_fixtures.h"

using namespace fw;

namespace {

struct LibManagerTest : ::testing::Test {
  ScopedMountFolder mount;
  StubGlyphSource glyphs;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  ScriptedModalDriver driver;

  void SetUp() override {
    RegisterLibBrowserResources();
    RegisterLibManagerResources();
    ASSERT_TRUE(MakeLibrary(mount / "A.LIB", {3, 5}, "Alpha"));
    ASSERT_TRUE(MakeLibrary(mount / "B.LIB", {0}, "Beta"));
    ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 2);
    ASSERT_TRUE(g_FontCatalog.AddEntry(0, 0, CFontEntry{"", "Sans"}));
  }
  void TearDown() override {
    g_FontCatalog.Clear();
    ResetWindowSystem();
    res::Clear();
  }
  // Runs the dialog with one step.
  void Run(std::function<void(CLibManagerDlg&)> step) {
    driver.Then([step](CDialog& d) {
      step(static_cast<CLibManagerDlg&>(d));
      d.ClickButton(IDCANCEL);
    });
    CLibManagerDlg dlg;
    dlg.DoModal();
  }
  static HTREEITEM Kind(CTreeCtrl* tree, int library, int kind) {
    HTREEITEM top = tree->GetRootItem();
    for (int i = 0; i < library; ++i) top = tree->GetNextSiblingItem(top);
    HTREEITEM k = tree->GetChildItem(top);
    for (int i = 0; i < kind; ++i) k = tree->GetNextSiblingItem(k);
    return k;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& b : sink.boxes) out.push_back(b.text);
    return out;
  }
};

TEST_F(LibManagerTest, TreeOfLibrariesAndKinds) {
  Run([](CLibManagerDlg& d) {
    auto* tree = d.Item<CTreeCtrl>(IDC_MGR_TREE);
    ASSERT_EQ(tree->GetCount(), 2u + 2u + 1u);
    const HTREEITEM a = tree->GetRootItem();
    EXPECT_EQ(tree->GetItemText(a), "Alpha");
    EXPECT_EQ(tree->GetItemText(tree->GetChildItem(a)), "Kind0");
    EXPECT_EQ(tree->GetItemText(tree->GetNextSiblingItem(a)), "Beta");
    int image, selected;
    tree->GetItemImage(tree->GetChildItem(a), image, selected);
    EXPECT_EQ(image, 1);
    auto* libs = d.Item<CComboBox>(IDC_MGR_LIBRARIES);
    EXPECT_EQ(libs->GetCount(), 4);
    EXPECT_EQ(d.Item<CComboBox>(IDC_MGR_FILE_NAME)->GetLBText(1), "B.LIB");
    int library, kind;
    tree->UserSelect(tree->GetNextSiblingItem(tree->GetChildItem(a)));
    d.GetTarget(&library, &kind);
    EXPECT_EQ(library, 0);
    EXPECT_EQ(kind, 1);
    tree->UserSelect(tree->GetNextSiblingItem(a));
    d.GetTarget(&library, &kind);
    EXPECT_EQ(library, 1);
    EXPECT_EQ(kind, -1);
  });
}

TEST_F(LibManagerTest, NewLibraryNeverOverwrites) {
  const std::string before = ReadFileBytes(mount / "A.LIB");
  Run([&](CLibManagerDlg& d) {
    auto* files = d.Item<CComboBox>(IDC_MGR_FILE_NAME);
    files->UserType("STAR");
    d.ClickButton(IDC_MGR_NEW);
    auto* tree = d.Item<CTreeCtrl>(IDC_MGR_TREE);
    EXPECT_EQ(tree->GetCount(), 6u);  // the new library, without kinds
    for (const char* again : {"STAR.LIB", "star.lib", "Star", "a"}) {
      files->UserType(again);
      d.ClickButton(IDC_MGR_NEW);
    }
    EXPECT_EQ(tree->GetCount(), 6u);
  });
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(mount / "STAR.LIB"), 1);
  EXPECT_EQ(lib.GetKindCount(), 0);
  EXPECT_EQ(std::string(lib.GetHeader().name2), plat::Utf8ToGbk("新图库"));
  EXPECT_EQ(lib.GetHeader().ratio, 1024);
  EXPECT_EQ(ReadFileBytes(mount / "A.LIB"), before);
  EXPECT_FALSE(std::filesystem::exists(mount / "star.lib.LIB"));
  EXPECT_EQ(g_MountLibList.GetCount(), 3);
}

TEST_F(LibManagerTest, NewKindIsNumberedByTheKindCount) {
  Run([&](CLibManagerDlg& d) {
    d.ClickButton(IDC_MGR_NEW_KIND);
    auto* tree = d.Item<CTreeCtrl>(IDC_MGR_TREE);
    tree->UserSelect(tree->GetRootItem());
    d.ClickButton(IDC_MGR_NEW_KIND);
    EXPECT_EQ(tree->GetItemText(Kind(tree, 0, 2)), "新类别2");
  });
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Please Selecet Lib"}));
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(mount / "A.LIB"), 1);
  ASSERT_EQ(lib.GetKindCount(), 3);
  GraphKindRecord rec;
  ASSERT_EQ(lib.ReadKindRecord(2, &rec), 1);
  EXPECT_EQ(std::string(rec.name), plat::Utf8ToGbk("新类别2"));
  EXPECT_EQ(std::string(rec.name2), "New Kind 2");
}

TEST_F(LibManagerTest, RenamesGoToTheFileOrAreRefused) {
  WriteFileBytes(mount / "C.LIB", MakeOldLibrary("Old", {{"K", {}}}));
  g_MountLibList.ScanMountedLibraries();
  Run([&](CLibManagerDlg& d) {
    auto* tree = d.Item<CTreeCtrl>(IDC_MGR_TREE);
    EXPECT_TRUE(tree->UserEditLabel(Kind(tree, 0, 1), "Flowers"));
    EXPECT_TRUE(tree->UserEditLabel(tree->GetRootItem(), "Alphabet"));
    HTREEITEM old = tree->GetNextSiblingItem(tree->GetNextSiblingItem(tree->GetRootItem()));
    EXPECT_FALSE(tree->UserEditLabel(old, "New name"));  // a 5.x library is not written
    EXPECT_EQ(tree->GetItemText(old), "Old");
    EXPECT_FALSE(tree->UserEditLabel(tree->GetChildItem(old), "x"));
  });
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(mount / "A.LIB"), 1);
  EXPECT_EQ(lib.GetKindName(1), "Flowers");
  EXPECT_EQ(std::string(lib.GetHeader().name1), "Alphabet");
}

TEST_F(LibManagerTest, PicturesAreAddedAppendedAndDeleted) {
  Run([&](CLibManagerDlg& d) {
    auto* tree = d.Item<CTreeCtrl>(IDC_MGR_TREE);
    // Source: library A, kind 0 (graphs 0, 1, 2).
    d.SelectComboItem(IDC_MGR_SOURCE_TYPE, 2);
    EXPECT_EQ(d.Item<CListBox>(IDC_MGR_PICTURES)->GetCount(), 256);
    auto* list = d.Item<CListBox>(IDC_MGR_PICTURES);
    list->UserDoubleClick(1);  // no target kind yet
    tree->UserSelect(Kind(tree, 1, 0));
    list->UserDoubleClick(1);
    d.ClickButton(IDC_MGR_APPEND_KIND);  // graphs 0, 1, 2, then stops at 3
    // A font source: every code with a glyph ('X' has none).
    d.SelectComboItem(IDC_MGR_SOURCE_TYPE, 1);
    EXPECT_EQ(list->GetCount(), 223);
    d.ClickButton(IDC_MGR_DELETE_GRAPH);  // no picture chosen
    list->UserSelect(0);
    d.ClickButton(IDC_MGR_DELETE_GRAPH);
    tree->UserSelect(Kind(tree, 0, 0));
    d.ClickButton(IDC_MGR_APPEND_KIND);
    // Delete graph 1 of library A's kind 1.
    d.SelectComboItem(IDC_MGR_SOURCE_TYPE, 2);
    d.SelectComboItem(IDC_MGR_SOURCE_NAME, 1);
    list->UserSelect(1);
    d.ClickButton(IDC_MGR_DELETE_GRAPH);
  });
  EXPECT_EQ(Messages(), (std::vector<std::string>{"请选中一个图形库类别!", "请先选中一个图形!", "不能删除Windows图形!"}));
  EXPECT_EQ(sink.beeps.size(), 2u);  // the added picture and the deletion
  CGraphLib b;
  ASSERT_EQ(b.OpenPath(mount / "B.LIB"), 1);
  std::vector<float> ids;
  for (int j = 0; auto g = b.ReadGraph(0, j, nullptr); ++j) ids.push_back(LeftOf(*g));
  EXPECT_EQ(ids, (std::vector<float>{1, 0, 1, 2}));
  CGraphLib a;
  ASSERT_EQ(a.OpenPath(mount / "A.LIB"), 1);
  GraphKindRecord rec;
  ASSERT_EQ(a.ReadKindRecord(0, &rec), 1);
  EXPECT_EQ(rec.graphCount, 3u + 222u);  // codes 32..254 but 'X'
  ASSERT_EQ(a.ReadKindRecord(1, &rec), 1);
  EXPECT_EQ(rec.graphCount, 4u);
  EXPECT_EQ(LeftOf(*a.ReadGraph(1, 1, nullptr)), 1002.0f);
}

TEST_F(LibManagerTest, RandomizeKeepsTheGraphs) {
  Run([&](CLibManagerDlg& d) {
    d.SelectComboItem(IDC_MGR_SOURCE_TYPE, 2);
    d.SelectComboItem(IDC_MGR_SOURCE_NAME, 1);
    d.ClickButton(IDC_MGR_RANDOMIZE);
  });
  CGraphLib a;
  ASSERT_EQ(a.OpenPath(mount / "A.LIB"), 1);
  std::vector<float> ids;
  for (int j = 0; auto g = a.ReadGraph(1, j, nullptr); ++j) ids.push_back(LeftOf(*g));
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<float>{1000, 1001, 1002, 1003, 1004}));
  GraphKindRecord rec;
  ASSERT_EQ(a.ReadKindRecord(1, &rec), 1);
  EXPECT_EQ(rec.graphCount, 5u);
}

}  // namespace
