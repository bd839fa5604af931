#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "Fonts/Sub.cft");
    for (const char* f : {"Fonts/Song.CFT", "Fonts/hei.cft", "Fonts/Readme", "Fonts/a.b.c", "Fonts/\xD6\xD0.cft"})
      WriteFileBytes(dir / f, "x");
    ::setenv("TINDREL_DRIVE_ROOT", dir.path().c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TINDREL_DRIVE_ROOT"); }
  TempDir dir;
};

}  // namespace

TEST_F(PathsTest, MapsWindowsPaths) {
  struct Case {
    const char* in;
    std::string out;
  };
  const Case cases[] = {
      {"C:\\VORLAN\\", dir.path() + "VORLAN/"},
      {"d:\\Fonts\\Song.CFT", dir.path() + "Fonts/Song.CFT"},
      {"C:", dir.path()},
      {"..\\Lib\\A.LIB", "../Lib/A.LIB"},
      {"/usr/share/x", "/usr/share/x"},
      {"1:\\x", "1:/x"},  // no drive letter
  };
  for (const auto& c : cases) EXPECT_EQ(MapWindowsPath(c.in), c.out) << c.in;
  ::unsetenv("TINDREL_DRIVE_ROOT");
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  if (!home.empty() && home.back() != '/') home += '/';
  if (!home.empty()) {
    EXPECT_EQ(MapWindowsPath("C:\\VORLAN\\"), home + "VORLAN/");
  }
}

TEST_F(PathsTest, FindsExistingFilesInAnyLetterCase) {
  EXPECT_EQ(FindFileNoCase("C:\\FONTS\\song.cft"), dir / "Fonts/Song.CFT");
  EXPECT_EQ(FindFileNoCase(dir / "fonts/HEI.CFT"), dir / "Fonts/hei.cft");
  EXPECT_EQ(FindFileNoCase(dir / "Fonts/Song.CFT"), dir / "Fonts/Song.CFT");
  EXPECT_EQ(FindFileNoCase(dir / "Fonts/\xD6\xD0.CFT"), dir / "Fonts/\xD6\xD0.cft");
  EXPECT_EQ(FindFileNoCase(dir / "Fonts/Kai.cft"), std::nullopt);
  EXPECT_EQ(FindFileNoCase(dir / "Nowhere/Song.cft"), std::nullopt);
  EXPECT_EQ(FindFileNoCase(""), std::nullopt);
  // An exact match wins over another case.
  WriteFileBytes(dir / "Fonts/SONG.CFT", "y");
  EXPECT_EQ(FindFileNoCase(dir / "Fonts/SONG.CFT"), dir / "Fonts/SONG.CFT");
  // A file to be made: its folders resolved, its own name as given.
  EXPECT_EQ(ResolvePath("C:\\FONTS\\New.CFT"), dir / "Fonts/New.CFT");
  EXPECT_EQ(ResolvePath("C:\\FONTS\\HEI.CFT"), dir / "Fonts/hei.cft");
  EXPECT_EQ(ResolvePath(dir / "None/New.CFT"), dir / "None/New.CFT");
}

TEST_F(PathsTest, ListsByPatternInAnyLetterCase) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ListFolderNoCase(dir / "FONTS", "*.CFT"), (V{"Song.CFT", "hei.cft", "\xD6\xD0.cft"}));
  EXPECT_EQ(ListFolderNoCase(dir / "Fonts", "*.cft", true), (V{"Song.CFT", "Sub.cft", "hei.cft", "\xD6\xD0.cft"}));
  EXPECT_EQ(ListFolderNoCase("C:\\Fonts\\", "*."), (V{"Readme"}));
  EXPECT_EQ(ListFolderNoCase(dir / "Fonts", "*.*").size(), 5u);
  EXPECT_EQ(ListFolderNoCase(dir / "Fonts", "?ONG.*"), (V{"Song.CFT"}));
  EXPECT_TRUE(ListFolderNoCase(dir / "Nowhere", "*.CFT").empty());
  EXPECT_TRUE(ListFolderNoCase(dir / "Fonts/Song.CFT", "*").empty());  // not a folder
}

TEST(Paths, PatternMatching) {
  static const std::string longName(200, 'a');
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"SONG.CFT", "*.cft", true},  {"song.cftx", "*.CFT", false}, {"a.b.c", "*.c", true},
      {"abc", "a*b*c", true},       {"abc", "a*b*d", false},       {"", "*", true},
      {"x", "", false},             {"ab", "a?", true},            {"a", "a?", false},
      {"Readme", "*.", true},       {"a.b", "*.", false},          {"anything", "*.*", true},
      {longName.c_str(), "*a*a*a*a*a*a*a*b", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchPatternNoCase(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

TEST(Paths, ProgramFolder) {
  EXPECT_EQ(GetProgramFolder(), std::string(TINDREL_BIN_DIR) + "/");
  EXPECT_EQ(GetProgramPath(), std::string(TINDREL_BIN_DIR) + "/platform_tests");
}
