#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "platform/report.h"
#include "text/libconvertdlg.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"

using namespace fw;

namespace {

std::vector<std::uint8_t> OldSquare(std::int16_t id) {
  return MakeOld5Glyph({{{id, 0, true}, {std::int16_t(id + 50), 0, true}, {std::int16_t(id + 50), 50, true},
                         {id, 50, true}, {id, 0, true}}});
}

struct LibConvertTest : ::testing::Test {
  ScopedMountFolder mount;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  ScriptedModalDriver driver;
  std::string out;

  void SetUp() override {
    RegisterLibConvertResources();
    WriteFileBytes(mount / "OLD.LIB", MakeOldLibrary("Old Signs", {{"Arrows", {OldSquare(1), OldSquare(2), OldSquare(3)}},
                                                                  {"Empty", {}}}));
    ASSERT_TRUE(MakeLibrary(mount / "NEW.LIB", {1}, "Newer"));
    ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 2);
    out = mount.dir() / "out";
    std::filesystem::create_directories(out);
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
  }
};

TEST_F(LibConvertTest, ConvertsAnOldLibrary) {
  std::vector<std::string> shown;
  driver.Then([&](CDialog& d) {
    auto* combo = d.Item<CComboBox>(IDC_CONVERT_SOURCE);
    EXPECT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetLBText(0), "NEW.LIB");
    shown = {d.GetDlgItemText(IDC_CONVERT_OUT_PATH), d.GetDlgItemText(IDC_CONVERT_ID),
             d.GetDlgItemText(IDC_CONVERT_VERSION), d.GetDlgItemText(IDC_CONVERT_RATIO),
             d.GetDlgItemText(IDC_CONVERT_INC_X), d.GetDlgItemText(IDC_CONVERT_NAME1)};
    EXPECT_TRUE(d.SelectComboString(IDC_CONVERT_SOURCE, "OLD.LIB"));
    EXPECT_EQ(d.GetDlgItemText(IDC_CONVERT_NAME1), "Old Signs");
    EXPECT_EQ(d.GetDlgItemText(IDC_CONVERT_NAME3), "Old Signs");
    d.TypeText(IDC_CONVERT_OUT_PATH, out);  // no trailing separator
    d.TypeText(IDC_CONVERT_NAME2, "Signs");
    d.TypeText(IDC_CONVERT_RATIO, "512.7");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_EQ(d.GetDlgItemText(IDOK), "Empty");  // the last kind copied
    d.ClickButton(IDCANCEL);
  });
  CLibConvertDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(shown, (std::vector<std::string>{"C:\\VORLAN\\MOUNT", "VLIB", "6.0", "1024", "0", "Newer"}));
  EXPECT_TRUE(sink.boxes.empty());

  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(out + "/OLD.LIB"), 1);
  EXPECT_TRUE(lib.IsCurrent());
  EXPECT_EQ(lib.GetHeader().ratio, 512);
  EXPECT_EQ(std::string(lib.GetHeader().name2), "Signs");
  ASSERT_EQ(lib.GetKindCount(), 2);
  EXPECT_EQ(lib.GetKindName(0), "Arrows");
  EXPECT_EQ(lib.GetKindName(1), "Empty");
  GraphKindRecord rec;
  ASSERT_EQ(lib.ReadKindRecord(1, &rec), 1);
  EXPECT_EQ(std::string(rec.name2), "New Kind 2");
  EXPECT_EQ(rec.graphCount, 0u);
  ASSERT_EQ(lib.ReadKindRecord(0, &rec), 1);
  EXPECT_EQ(std::string(rec.name2), "New Kind 1");
  EXPECT_EQ(rec.graphCount, 3u);
  for (int j = 0; j < 3; ++j) {
    auto g = lib.ReadGraph(0, j, nullptr);
    ASSERT_TRUE(g);
    EXPECT_EQ(LeftOf(*g), float(j + 1));
  }

  // Cancel stored the values for the next time.
  std::string text;
  g_IniFile.GetString("LibConvert", "OutPath", text, "");
  EXPECT_EQ(text, out);
  g_IniFile.GetString("LibConvert", "VER", text, "");
  EXPECT_EQ(text, "6.0000");
  EXPECT_EQ(g_IniFile.GetInt("LibConvert", "Ratio", 0), 512);
}

TEST_F(LibConvertTest, RefusesTheSourceAndUnopenableHeaders) {
  const std::string before = ReadFileBytes(mount / "OLD.LIB");
  driver.Then([&](CDialog& d) {
    d.SelectComboString(IDC_CONVERT_SOURCE, "OLD.LIB");
    d.TypeText(IDC_CONVERT_OUT_PATH, mount.mount());  // the MOUNTLIB folder itself
    d.ClickButton(IDOK);
    d.TypeText(IDC_CONVERT_OUT_PATH, out + "/");
    d.TypeText(IDC_CONVERT_ID, "XLIB");
    d.ClickButton(IDOK);
    d.TypeText(IDC_CONVERT_ID, "VLIB");
    d.TypeText(IDC_CONVERT_VERSION, "5.4");
    d.ClickButton(IDOK);
    d.ClickButton(IDCANCEL);
  });
  CLibConvertDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(ReadFileBytes(mount / "OLD.LIB"), before);
  ASSERT_EQ(sink.boxes.size(), 3u);
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_NE(sink.boxes[0].text.find("OLD.LIB"), std::string::npos);
  EXPECT_EQ(sink.boxes[1].text, "图形库打开失败!");
  EXPECT_EQ(sink.boxes[2].text, "图形库打开失败!");
  EXPECT_FALSE(std::filesystem::exists(out + "/OLD.LIB"));  // nothing left behind
}

}  // namespace
