#include "model/palette.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/helpers.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/dc.h"
#include "platform/ini.h"
#include "platform/profile.h"

namespace fs = std::filesystem;
using plat::RGB;

namespace {

std::string Gbk(const char* utf8) { return plat::Utf8ToMultiByte(plat::CP_GBK, utf8); }

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void WriteFile(const fs::path& p, const std::string& content) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << content;
}

// A private folder holding a copy of a fixture as "PALETTE.INI".
struct PaletteDir {
  fs::path dir;
  fs::path ini;
  explicit PaletteDir(const char* fixture = nullptr) {
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("tindrel_palette_" + std::to_string(::getpid()) + "_" + t->test_suite_name() + "_" + t->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = dir / "PALETTE.INI";
    if (fixture) fs::copy_file(fs::path(TINDREL_TEST_DATA) / "palette" / fixture, ini);
  }
  ~PaletteDir() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Get(const char* section, const char* key) const {
    auto v = plat::GetPrivateProfileValue(section, key, ini.string());
    return v ? *v : "<missing>";
  }
  std::string Raw() const { return ReadFile(ini); }
};

struct FakeBox {
  std::vector<std::string> items;
  void AddString(const std::string& s) { items.push_back(s); }
};

const plat::COLORREF kFixedRefs[16] = {
    RGB(0, 0, 0),       RGB(0, 0, 128),   RGB(0, 128, 128), RGB(0, 128, 0),   RGB(128, 0, 0),   RGB(128, 0, 128),
    RGB(128, 128, 0),   RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 255), RGB(0, 255, 255), RGB(0, 255, 0),
    RGB(255, 0, 0),     RGB(255, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255),
};

}  // namespace

TEST(PackedColor, Conversions) {
  struct Case {
    plat::BYTE r, g, b;
    std::uint32_t packed;
    plat::COLORREF ref;
  } cases[] = {
      {255, 0, 0, 0xFF0000, 0x0000FF},
      {0, 255, 0, 0x00FF00, 0x00FF00},
      {0, 0, 255, 0x0000FF, 0xFF0000},
      {0x12, 0x34, 0x56, 0x123456, 0x563412},
      {255, 255, 255, 0xFFFFFF, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakePackedRGB(c.r, c.g, c.b), c.packed);
    EXPECT_EQ(PackedRGBToColorRef(c.packed), c.ref);
    EXPECT_EQ(ColorRefToPacked(c.ref), c.packed);
    EXPECT_EQ(ColorRefToPacked(RGB(c.r, c.g, c.b)), c.packed);
  }
  // Stray high bits of a packed value do not leak into the platform colour.
  EXPECT_EQ(PackedRGBToColorRef(0xFF123456), 0x563412u);
}

TEST(PaletteStore, LoadStopsAtTheFirstGap) {
  PaletteDir d("gaps.ini");
  CPaletteStore store(d.ini.string());
  // PAL0 and PAL2 without PAL1: one palette.
  EXPECT_EQ(store.GetPaletteCount(), 1);
  std::string name;
  EXPECT_EQ(store.GetPaletteName(0, name), 1);
  EXPECT_EQ(name, Gbk("标准色板"));
  EXPECT_EQ(store.GetPaletteName(1, name), 0);
  EXPECT_EQ(name, "");
  EXPECT_EQ(store.GetPaletteName(-1, name), 0);
  // Color16 and Color18 without Color17: 17 colours.
  EXPECT_EQ(store.GetCurrentPalette(), 0);
  ASSERT_EQ(store.GetColorCount(), 17);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(store.GetColorRef(i), kFixedRefs[i]) << i;
  EXPECT_EQ(store.GetColor(16), MakePackedRGB(10, 20, 30));
  EXPECT_EQ(store.GetColorRef(16), RGB(10, 20, 30));
  // Palette 2 is no palette: nothing changes.
  EXPECT_EQ(store.LoadPalette(2), 0);
  EXPECT_EQ(store.LoadPalette(-1), 0);
  EXPECT_EQ(store.GetColorCount(), 17);
}

TEST(PaletteStore, BadIndexesAndQueries) {
  PaletteDir d("gaps.ini");
  CPaletteStore store(d.ini.string());
  for (int i : {-1, 17, 1000}) {
    EXPECT_EQ(store.GetColor(i), 0u) << i;
    EXPECT_EQ(store.GetColorRef(i), RGB(0, 0, 0)) << i;
    EXPECT_EQ(store.SetColor(i, RGB(1, 2, 3)), 0) << i;
  }
  EXPECT_EQ(store.FindColor(RGB(255, 0, 0)), 12);
  EXPECT_EQ(store.FindColor(RGB(10, 20, 30)), 16);
  EXPECT_EQ(store.FindColor(RGB(9, 9, 9)), -1);
  FakeBox box;
  EXPECT_EQ(store.FillComboBox(box), 1);
  ASSERT_EQ(box.items.size(), 17u);
  EXPECT_EQ(box.items[0], "0");
  EXPECT_EQ(box.items[12], std::to_string(0xFF0000));
  EXPECT_EQ(box.items[16], std::to_string(MakePackedRGB(10, 20, 30)));
}

TEST(PaletteStore, MissingFileGivesNothing) {
  PaletteDir d;
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.GetPaletteCount(), 0);
  EXPECT_EQ(store.GetColorCount(), 0);
  EXPECT_EQ(store.GetColorRef(0), RGB(0, 0, 0));
  FakeBox box;
  EXPECT_EQ(store.FillListBox(box), 0);
  EXPECT_TRUE(box.items.empty());
  // Nothing to add a colour to; nothing is written.
  EXPECT_EQ(store.AddColor(RGB(1, 2, 3)), 0);
  EXPECT_FALSE(fs::exists(d.ini));
  EXPECT_EQ(store.DeletePalette(0), 0);
}

TEST(PaletteStore, OddValuesAreContained) {
  PaletteDir d("odd.ini");
  CPaletteStore store(d.ini.string());
  ASSERT_EQ(store.GetColorCount(), 19);
  // Each field is one byte; a missing or non-numeric field is 0.
  EXPECT_EQ(store.GetColor(16), MakePackedRGB(300 & 0xFF, 0xFF, 0));
  EXPECT_EQ(store.GetColor(17), MakePackedRGB(7, 8, 0));
  EXPECT_EQ(store.GetColor(18), MakePackedRGB(9, 10, 11));
  // A name longer than a slot keeps 39 bytes at most and no half character.
  std::string name;
  store.GetPaletteName(0, name);
  EXPECT_EQ(name, Gbk("一二三四五六七八九十一二三四五六七八九"));
}

TEST(PaletteStore, AddColor) {
  PaletteDir d("three.ini");
  CPaletteStore store(d.ini.string());
  ASSERT_EQ(store.GetColorCount(), 18);
  const std::string before = d.Raw();
  // Pure red is fixed colour 12: the result is the colour count, nothing written.
  EXPECT_EQ(store.AddColor(RGB(255, 0, 0)), 18);
  EXPECT_EQ(store.AddColor(RGB(2, 2, 2)), 18);
  EXPECT_EQ(d.Raw(), before);
  // New colours are appended and written, one after another.
  EXPECT_EQ(store.AddColor(RGB(5, 6, 7)), 18);
  EXPECT_EQ(store.AddColor(RGB(8, 9, 10)), 19);
  EXPECT_EQ(store.GetColorCount(), 20);
  EXPECT_EQ(d.Get("PAL0", "Color18"), "5,6,7");
  EXPECT_EQ(d.Get("PAL0", "Color19"), "8,9,10");
  CPaletteStore again(d.ini.string());
  ASSERT_EQ(again.GetColorCount(), 20);
  EXPECT_EQ(again.GetColorRef(19), RGB(8, 9, 10));
}

TEST(PaletteStore, ChangeAndDeleteColorRefuseFixedColors) {
  PaletteDir d("three.ini");
  CPaletteStore store(d.ini.string());
  ASSERT_EQ(store.LoadPalette(1), 1);
  const std::string before = d.Raw();
  for (int i : {-1, 0, 15, 19}) {
    EXPECT_EQ(store.ChangeColor(i, RGB(1, 2, 3)), 0) << i;
    EXPECT_EQ(store.DeleteColor(i), 0) << i;
  }
  EXPECT_EQ(d.Raw(), before);
  EXPECT_EQ(store.GetColorCount(), 19);
  EXPECT_EQ(store.GetColorRef(0), RGB(0, 0, 0));

  // Changes go to the loaded palette's section.
  EXPECT_EQ(store.ChangeColor(17, RGB(11, 22, 33)), 1);
  EXPECT_EQ(d.Get("PAL1", "Color17"), "11,22,33");
  EXPECT_EQ(d.Get("PAL0", "Color17"), "2,2,2");
  EXPECT_EQ(store.GetColorRef(17), RGB(11, 22, 33));
}

TEST(PaletteStore, DeleteColorRewritesTheKeysAfterIt) {
  struct Case {
    int index;
    std::vector<std::string> keys;  // Color16.. after the delete
  } cases[] = {
      {16, {"11,22,33", "0,0,100"}},   // first custom colour
      {17, {"100,0,0", "0,0,100"}},    // middle
      {18, {"100,0,0", "11,22,33"}},   // last
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    PaletteDir d("three.ini");
    CPaletteStore store(d.ini.string());
    store.LoadPalette(1);
    store.ChangeColor(17, RGB(11, 22, 33));
    EXPECT_EQ(store.DeleteColor(c.index), 1);
    EXPECT_EQ(store.GetColorCount(), 18);
    EXPECT_EQ(d.Get("PAL1", "Color16"), c.keys[0]);
    EXPECT_EQ(d.Get("PAL1", "Color17"), c.keys[1]);
    EXPECT_EQ(d.Get("PAL1", "Color18"), "<missing>");
    // What is reloaded is what is held.
    CPaletteStore again(d.ini.string());
    again.LoadPalette(1);
    ASSERT_EQ(again.GetColorCount(), store.GetColorCount());
    for (int i = 0; i < store.GetColorCount(); ++i) EXPECT_EQ(again.GetColor(i), store.GetColor(i)) << i;
  }
}

TEST(PaletteStore, AddAndRenamePalette) {
  PaletteDir d("three.ini");
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.AddPalette(Gbk("新建")), 4);
  EXPECT_EQ(store.AddPalette(Gbk("第五")), 5);
  EXPECT_EQ(d.Get("PALETTE", "PAL3"), "PAL3");
  EXPECT_EQ(d.Get("PAL3", "PalName"), Gbk("新建"));
  EXPECT_EQ(d.Get("PALETTE", "PAL4"), "PAL4");
  EXPECT_EQ(d.Get("PAL4", "PalName"), Gbk("第五"));
  std::string name;
  store.GetPaletteName(4, name);
  EXPECT_EQ(name, Gbk("第五"));

  // Renaming palette 2 while palette 0 is loaded writes palette 2's section.
  ASSERT_EQ(store.GetCurrentPalette(), 0);
  EXPECT_EQ(store.RenamePalette(2, Gbk("改名")), 1);
  EXPECT_EQ(d.Get("PAL2", "PalName"), Gbk("改名"));
  EXPECT_EQ(d.Get("PAL0", "PalName"), Gbk("基本"));
  EXPECT_EQ(store.RenamePalette(5, "x"), 0);

  CPaletteStore again(d.ini.string());
  EXPECT_EQ(again.GetPaletteCount(), 5);
  again.GetPaletteName(2, name);
  EXPECT_EQ(name, Gbk("改名"));
  again.GetPaletteName(3, name);
  EXPECT_EQ(name, Gbk("新建"));
  EXPECT_EQ(again.LoadPalette(4), 1);
  EXPECT_EQ(again.GetColorCount(), 16);
}

TEST(PaletteStore, DeletePaletteRebuildsTheFile) {
  struct Case {
    int index;
    std::vector<std::string> names;  // GBK of the remaining palettes, in order
  } cases[] = {{0, {}}, {1, {}}, {2, {}}};
  const std::string n0 = Gbk("基本"), n2 = Gbk("霓虹灯");
  const std::string n1 = Gbk("红黄蓝绿青紫黑白灰橙粉棕金银铜铁锡铅") + "abc";  // 39 bytes
  ASSERT_EQ(n1.size(), 39u);
  cases[0].names = {n1, n2};
  cases[1].names = {n0, n2};
  cases[2].names = {n0, n1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    PaletteDir d("three.ini");
    CPaletteStore reference(d.ini.string());
    std::vector<std::vector<std::uint32_t>> colors;
    for (int k = 0; k < 3; ++k) {
      reference.LoadPalette(k);
      std::vector<std::uint32_t> v;
      for (int i = 0; i < reference.GetColorCount(); ++i) v.push_back(reference.GetColor(i));
      colors.push_back(v);
    }
    colors.erase(colors.begin() + c.index);

    CPaletteStore store(d.ini.string());
    EXPECT_EQ(store.DeletePalette(c.index), 1);
    EXPECT_EQ(store.GetPaletteCount(), 3);  // not reloaded
    EXPECT_FALSE(fs::exists(d.dir / "PALETTE.___"));
    EXPECT_EQ(d.Get("PALETTE", "PAL0"), "PAL0");
    EXPECT_EQ(d.Get("PALETTE", "PAL1"), "PAL1");
    EXPECT_EQ(d.Get("PALETTE", "PAL2"), "<missing>");

    CPaletteStore again(d.ini.string());
    ASSERT_EQ(again.GetPaletteCount(), 2);
    for (int k = 0; k < 2; ++k) {
      std::string name;
      again.GetPaletteName(k, name);
      EXPECT_EQ(name, c.names[k]) << k;  // full 39-byte names survive
      again.LoadPalette(k);
      std::vector<std::uint32_t> v;
      for (int i = 0; i < again.GetColorCount(); ++i) v.push_back(again.GetColor(i));
      EXPECT_EQ(v, colors[k]) << k;
    }
  }
  PaletteDir d("three.ini");
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.DeletePalette(3), 0);
  EXPECT_EQ(store.DeletePalette(-1), 0);
}

TEST(PaletteStore, DeletePaletteKeepsSectionsThatAreNoPalettes) {
  PaletteDir d("three.ini");
  plat::WritePrivateProfileString("PageSize", "A4", "210,297", d.ini.string());
  plat::WritePrivateProfileString("PageSize", "Name", Gbk("信纸").c_str(), d.ini.string());
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.DeletePalette(1), 1);
  EXPECT_EQ(d.Get("PageSize", "A4"), "210,297");
  EXPECT_EQ(d.Get("PageSize", "Name"), Gbk("信纸"));
  EXPECT_EQ(d.Get("PAL2", "PalName"), "<missing>");  // the old last palette's section is gone
  EXPECT_EQ(d.Get("PAL1", "PalName"), Gbk("霓虹灯"));
}

TEST(PaletteStore, DeletePaletteThatCannotBeWrittenKeepsTheFile) {
  PaletteDir d("three.ini");
  const std::string before = d.Raw();
  // A folder in the way of the temporary file: the rebuild cannot be written.
  fs::create_directories(d.dir / "PALETTE.___" / "busy");
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.DeletePalette(1), 0);
  EXPECT_EQ(d.Raw(), before);
  CPaletteStore again(d.ini.string());
  EXPECT_EQ(again.GetPaletteCount(), 3);
}

TEST(PaletteStore, LargeFilesGrowTheBlocks) {
  PaletteDir d;
  // 300 palettes, the first with 1600 custom colours.
  std::string text = "[PALETTE]\r\n";
  for (int k = 0; k < 300; ++k) text += "PAL" + std::to_string(k) + "=PAL" + std::to_string(k) + "\r\n";
  for (int k = 0; k < 300; ++k) {
    text += "[PAL" + std::to_string(k) + "]\r\nPalName=P" + std::to_string(k) + "\r\n";
    if (k == 0)
      for (int c = 16; c < 1616; ++c)
        text += "Color" + std::to_string(c) + "=" + std::to_string(c & 255) + "," + std::to_string((c >> 8) & 255) +
                ",7\r\n";
  }
  WriteFile(d.ini, text);
  CPaletteStore store(d.ini.string());
  ASSERT_EQ(store.GetPaletteCount(), 300);
  ASSERT_EQ(store.GetColorCount(), 1616);
  EXPECT_EQ(store.GetColorRef(1615), RGB(1615 & 255, 1615 >> 8, 7));
  std::string name;
  store.GetPaletteName(299, name);
  EXPECT_EQ(name, "P299");

  EXPECT_EQ(store.AddColor(RGB(1, 200, 3)), 1616);
  EXPECT_EQ(store.AddColor(RGB(1, 201, 3)), 1617);
  EXPECT_EQ(store.GetColorRef(1617), RGB(1, 201, 3));
  EXPECT_EQ(store.AddPalette("more"), 301);
  EXPECT_EQ(store.AddPalette("again"), 302);
  store.GetPaletteName(301, name);
  EXPECT_EQ(name, "again");
  EXPECT_EQ(d.Get("PAL0", "Color1617"), "1,201,3");
}

TEST(PaletteStore, PensAndBrushesFromIndexesAndColors) {
  PaletteDir d("three.ini");
  CPaletteStore store(d.ini.string());
  ASSERT_EQ(store.GetColorCount(), 18);
  const std::size_t live = plat::GdiObjectCount();

  plat::HPEN pen = store.CreateIndexPen(12, plat::PS_DASH, 3);
  ASSERT_TRUE(pen);
  EXPECT_EQ(pen->color(), RGB(255, 0, 0));
  EXPECT_EQ(pen->style(), plat::PS_DASH);
  EXPECT_EQ(pen->width(), 3);
  plat::DeleteObject(pen);
  pen = store.CreateIndexPen(17, plat::PS_SOLID, 1);
  ASSERT_TRUE(pen);
  EXPECT_EQ(pen->color(), RGB(2, 2, 2));
  plat::DeleteObject(pen);
  EXPECT_EQ(store.CreateIndexPen(18, plat::PS_SOLID, 1), nullptr);  // the colour count
  EXPECT_EQ(store.CreateIndexPen(-1, plat::PS_SOLID, 1), nullptr);  // 65535 as u16

  pen = store.CreateColorPen(0x123456, plat::PS_SOLID, 1);
  ASSERT_TRUE(pen);
  EXPECT_EQ(pen->color(), RGB(0x12, 0x34, 0x56));
  plat::DeleteObject(pen);

  plat::HBRUSH brush = store.CreateIndexBrush(9, plat::BS_SOLID);
  ASSERT_TRUE(brush);
  EXPECT_EQ(brush->style(), plat::BS_SOLID);
  EXPECT_EQ(brush->color(), RGB(0, 0, 255));
  plat::DeleteObject(brush);
  EXPECT_EQ(store.CreateIndexBrush(18, plat::BS_SOLID), nullptr);
  EXPECT_EQ(store.CreateIndexBrush(-1, plat::BS_SOLID), nullptr);

  brush = store.CreateColorBrush(0xFF8000, plat::BS_SOLID);
  ASSERT_TRUE(brush);
  EXPECT_EQ(brush->color(), RGB(255, 128, 0));
  plat::DeleteObject(brush);
  brush = store.CreateColorBrush(0x00FF00, plat::BS_HATCHED);
  ASSERT_TRUE(brush);
  EXPECT_EQ(brush->style(), plat::BS_HATCHED);
  EXPECT_EQ(brush->color(), RGB(0, 255, 0));
  plat::DeleteObject(brush);
  brush = store.CreateColorBrush(0x00FF00, plat::BS_NULL);
  ASSERT_TRUE(brush);
  EXPECT_EQ(brush->style(), plat::BS_NULL);
  plat::DeleteObject(brush);
  EXPECT_EQ(store.CreateColorBrush(0x00FF00, 7), nullptr);
  EXPECT_EQ(plat::GdiObjectCount(), live);
}

TEST(PageInfo, BlockBytesAndVersionRule) {
  CPageInfo info;
  info.m_pageWidth = 400.0f;
  info.m_pageHeight = 900.5f;
  info.m_paletteType = 2;
  info.m_backColor = 0x00FFEEDD;
  info.m_gridSize = -5;
  info.m_gridColor = 0x00808080;
  std::vector<std::uint8_t> out;
  info.Write(out);
  const std::vector<std::uint8_t> expected = {
      0x20, 0, 0, 0,                     // length 32
      0x00, 0x00, 0xC8, 0x43,            // 400.0f
      0x00, 0x20, 0x61, 0x44,            // 900.5f
      2, 0, 0, 0,                        // palette type
      0xDD, 0xEE, 0xFF, 0x00,            // back colour
      0xFB, 0xFF, 0xFF, 0xFF,            // grid size -5
      0x80, 0x80, 0x80, 0x00,            // grid colour
      0, 0, 0, 0,
  };
  EXPECT_EQ(out, expected);

  CPageInfo back;
  const CPageInfo defaults = back;
  // Another version reads nothing and leaves the defaults.
  for (float v : {5.4f, 6.5f, 0.0f}) {
    EXPECT_EQ(back.Read(out.data(), out.size(), v), 0) << v;
    EXPECT_EQ(back.m_paletteType, defaults.m_paletteType);
    EXPECT_EQ(back.m_backColor, defaults.m_backColor);
    EXPECT_EQ(back.m_gridSize, defaults.m_gridSize);
  }
  // Short data reads nothing.
  EXPECT_EQ(back.Read(out.data(), 27, 6.0f), 0);
  EXPECT_EQ(back.Read(nullptr, 32, 6.0f), 0);
  EXPECT_EQ(back.m_gridColor, defaults.m_gridColor);

  EXPECT_EQ(back.Read(out.data(), out.size(), 6.0f), 1);
  EXPECT_EQ(back.m_pageWidth, 400.0f);
  EXPECT_EQ(back.m_pageHeight, 900.5f);
  EXPECT_EQ(back.m_paletteType, 2);
  EXPECT_EQ(back.m_backColor, 0x00FFEEDDu);
  EXPECT_EQ(back.m_gridSize, -5);
  EXPECT_EQ(back.m_gridColor, 0x00808080u);
}

TEST(PaletteStore, FileBeyondTheBoundsStopsThere) {
  PaletteDir d;
  std::string text = "[PALETTE]\r\nPAL0=PAL0\r\n[PAL0]\r\nPalName=big\r\n";
  const int keys = CPaletteStore::kMaxColors + 100;
  for (int c = 16; c < keys; ++c) text += "Color" + std::to_string(c) + "=1,2,3\r\n";
  WriteFile(d.ini, text);
  CPaletteStore store(d.ini.string());
  EXPECT_EQ(store.GetColorCount(), CPaletteStore::kMaxColors);
  EXPECT_EQ(store.AddColor(RGB(9, 9, 9)), 0);  // full: nothing added
  EXPECT_EQ(store.GetColorCount(), CPaletteStore::kMaxColors);
  plat::HPEN pen = store.CreateIndexPen(CPaletteStore::kMaxColors - 1, plat::PS_SOLID, 1);
  ASSERT_TRUE(pen);
  EXPECT_EQ(pen->color(), RGB(1, 2, 3));
  plat::DeleteObject(pen);
}

TEST(PaletteStore, PaletteFolderFromTheMainSettings) {
  PaletteDir d;
  CIniFile settings((d.dir / "VORLAN98.INI").string());
  // Missing key: the folder above the program's, then "PALETTE\".
  EXPECT_EQ(CPaletteStore::GetPaletteFolder(settings), GetProgramParentFolder() + "PALETTE\\");
  settings.WriteString("PATH", "PALETTE", (d.dir.string() + "/pal/").c_str());
  EXPECT_EQ(CPaletteStore::GetPaletteFolder(settings), d.dir.string() + "/pal/");
}

TEST(PaletteStore, WindowsFormsOfThePathAreResolved) {
  PaletteDir d("three.ini");
  // Backslashes and another letter case name the same file.
  std::string path = d.dir.string() + "\\palette.ini";
  CPaletteStore store(path);
  EXPECT_EQ(store.GetPaletteCount(), 3);
  EXPECT_EQ(store.AddColor(RGB(4, 5, 6)), 18);
  EXPECT_EQ(d.Get("PAL0", "Color18"), "4,5,6");
  EXPECT_EQ(store.DeletePalette(2), 1);
  EXPECT_EQ(d.Get("PALETTE", "PAL2"), "<missing>");
  EXPECT_FALSE(fs::exists(d.dir / "palette.ini"));
}

TEST(PageInfo, DefaultsFromTheProfile) {
  PaletteDir d;
  const char* old = std::getenv("TINDREL_PROFILE_DIR");
  std::string saved = old ? old : "";
  ::setenv("TINDREL_PROFILE_DIR", d.dir.c_str(), 1);
  plat::UserProfile profile("VorlanSoft", "Tindrel");
  plat::UserProfile* prev = plat::SetAppProfile(&profile);
  g_Profile.Attach();
  {
    CPageInfo info;  // nothing stored: the defaults
    EXPECT_EQ(info.m_paletteType, 0);
    EXPECT_EQ(info.m_backColor, 0xFFFFFFu);
    EXPECT_EQ(info.m_gridSize, 50);
    EXPECT_EQ(info.m_gridColor, 0x808080u);
  }
  profile.WriteInt("SystemParam", "PaletteType", 3);
  profile.WriteInt("SystemParam", "BackColor", 0x102030);
  profile.WriteInt("SystemParam", "GridSize", 25);
  profile.WriteInt("SystemParam", "GridColor", 0x0000FF);
  {
    CPageInfo info;
    EXPECT_EQ(info.m_paletteType, 3);
    EXPECT_EQ(info.m_backColor, 0x102030u);
    EXPECT_EQ(info.m_gridSize, 25);
    EXPECT_EQ(info.m_gridColor, 0x0000FFu);
  }
  plat::SetAppProfile(prev);
  g_Profile.Attach();
  if (old)
    ::setenv("TINDREL_PROFILE_DIR", saved.c_str(), 1);
  else
    ::unsetenv("TINDREL_PROFILE_DIR");
}
