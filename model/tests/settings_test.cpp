#include "model/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "model/helpers.h"
#include "platform/profile.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl + "/";
    ini.SetPath(dir + "Cutters.INI");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir;
  CIniFile ini;
};

}  // namespace

TEST_F(SettingsTest, DefaultPathIsTheMainSettingsFileInTheProgramFolder) {
  CIniFile def;
  EXPECT_EQ(def.GetPath(), std::string(TINDREL_BIN_DIR) + "/VORLAN98.INI");
  EXPECT_EQ(g_IniFile.GetPath(), def.GetPath());
}

TEST_F(SettingsTest, FloatsUseFourDecimals) {
  ASSERT_TRUE(ini.WriteFloat("Model", "Step", 0.1f));
  ASSERT_TRUE(ini.WriteFloat("Model", "Big", 2.5f));
  ASSERT_TRUE(ini.WriteFloat("Model", "Neg", -0.00004f));
  EXPECT_EQ(ReadAll(ini.GetPath()), "[Model]\r\nStep=0.1000\r\nBig=2.5000\r\nNeg=-0.0000\r\n");
  EXPECT_FLOAT_EQ(ini.GetFloat("Model", "Step", 0.0f), 0.1f);
  EXPECT_EQ(ini.GetFloat("Model", "Missing", 1.23456f), 1.2346f);  // the default rounded too
  ASSERT_TRUE(ini.WriteString("Model", "Bad", "abc"));
  EXPECT_EQ(ini.GetFloat("Model", "Bad", 7.0f), 0.0f);
  ASSERT_TRUE(ini.WriteString("Model", "Long", "1.25000000000000000009"));  // 19 characters read
  EXPECT_EQ(ini.GetFloat("Model", "Long", 0.0f), 1.25f);
  ASSERT_TRUE(ini.WriteString("Model", "Cut", "00000000000000012349"));  // the 20th digit is not read
  EXPECT_EQ(ini.GetFloat("Model", "Cut", 0.0f), 1234.0f);
  // Beyond what a page holds: the default.
  ASSERT_TRUE(ini.WriteString("Model", "Far", "12345678901234567899"));
  EXPECT_EQ(ini.GetFloat("Model", "Far", 5.0f), 5.0f);
}

TEST_F(SettingsTest, IntegersAndStrings) {
  ASSERT_TRUE(ini.WriteInt("Model", "Count", -3));
  EXPECT_EQ(ini.GetInt("model", "count", 0), -3);
  EXPECT_EQ(ini.GetInt("Model", "Missing", 9), 9);
  ASSERT_TRUE(ini.WriteString("Model", "Name", std::string(20, 'n')));
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  ini.GetString("Model", "Name", buf, sizeof buf, "");
  EXPECT_EQ(std::string(buf), "nnnnnnn");
  std::string s;
  ASSERT_TRUE(ini.WriteString("Model", "Huge", std::string(300, 'h')));
  ini.GetString("Model", "Huge", s, "");
  EXPECT_EQ(s, std::string(199, 'h'));
  ini.GetString("Model", "Missing", s, "\xD6\xD0");
  EXPECT_EQ(s, "\xD6\xD0");
  char list[64];
  ini.GetString("Model", nullptr, list, sizeof list, "");
  EXPECT_EQ(std::string(list, 22), std::string("Count\0Name\0Huge\0\0\0\0\0\0", 22));
}

TEST_F(SettingsTest, EscapedTemplates) {
  ASSERT_TRUE(ini.WriteString("Cutter", "Init", "IN;\\r\\nPA\\x41\\b\\\\"));
  char buf[200];
  ini.GetEscapedString("Cutter", "Init", buf, sizeof buf, "");
  EXPECT_EQ(std::string(buf), "IN;\r\nPAA\x07\\");
  char small[5];
  ini.GetEscapedString("Cutter", "Init", small, sizeof small, "");  // cut to the buffer
  EXPECT_EQ(std::string(small), "IN;\r");
  ini.GetEscapedString("Cutter", "Missing", buf, sizeof buf, "\\x1B");
  EXPECT_EQ(std::string(buf), "\x1B");
}

TEST_F(SettingsTest, LongPathsAndOtherLetterCases) {
  std::string deep = dir + std::string(120, 'd') + "/";
  std::filesystem::create_directories(deep);
  CIniFile longIni(deep + "VORLAN98.INI");
  ASSERT_TRUE(longIni.WriteInt("A", "B", 1));
  EXPECT_EQ(longIni.GetInt("A", "B", 0), 1);
  // An installed "cutters.ini" is found under the name the program uses.
  std::ofstream(dir + "carves.ini") << "[Carve]\r\nCount=2\r\n";
  CIniFile carves(dir + "Carves.INI");
  EXPECT_EQ(carves.GetInt("Carve", "Count", 0), 2);
  ASSERT_TRUE(carves.WriteInt("Carve", "Count", 3));
  EXPECT_EQ(ReadAll(dir + "carves.ini"), "[Carve]\r\nCount=3\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir + "Carves.INI"));
}

TEST_F(SettingsTest, ProfileAccessor) {
  ::setenv("TINDREL_PROFILE_DIR", dir.c_str(), 1);
  CProfile early;  // before the application has a profile
  plat::UserProfile* before = plat::GetAppProfile();
  plat::SetAppProfile(nullptr);
  EXPECT_EQ(early.Attach(), nullptr);
  EXPECT_EQ(early.GetInt("SystemParam", "AutoFill", 1), 1);
  EXPECT_FALSE(early.WriteInt("SystemParam", "AutoFill", 0));
  EXPECT_EQ(early.GetFloat("SystemParam", "Zoom", 1.23456f), 1.2346f);

  plat::UserProfile app("VorlanSoft", "Tindrel");
  plat::SetAppProfile(&app);
  CProfile profile;
  EXPECT_EQ(profile.Attach(), &app);
  ASSERT_TRUE(profile.WriteFloat("SystemParam", "Zoom", 2.5f));
  EXPECT_EQ(app.GetString("SystemParam", "Zoom", ""), "2.5000");
  EXPECT_EQ(profile.GetFloat("SystemParam", "Zoom", 0.0f), 2.5f);
  ASSERT_TRUE(profile.WriteInt("SystemParam", "UndoStep", 10));
  EXPECT_EQ(profile.GetInt("SYSTEMPARAM", "undostep", 0), 10);
  ASSERT_TRUE(profile.WriteString("SystemParam", "FilePath", "C:\\VORLAN\\"));
  char buf[5];
  profile.GetString("SystemParam", "FilePath", buf, sizeof buf, "");
  EXPECT_EQ(std::string(buf), "C:\\V");
  EXPECT_EQ(profile.GetString("SystemParam", "Missing", "dflt"), "dflt");
  plat::SetAppProfile(before);
  ::unsetenv("TINDREL_PROFILE_DIR");
}
