#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) ::setenv(name_, old_.c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(UserProfile, LivesUnderTheCompanyKeyInTheConfigFolder) {
  TempDir dir;
  {
    ScopedEnv profile("TINDREL_PROFILE_DIR", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().c_str());
    EXPECT_EQ(UserProfile("VorlanSoft", "Tindrel").path(), dir.path() + "VorlanSoft/Tindrel.ini");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");  // not absolute: ignored
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(UserProfile("VorlanSoft", "Tindrel").path(), "/home/someone/.config/VorlanSoft/Tindrel.ini");
  }
  ScopedEnv profile("TINDREL_PROFILE_DIR", (dir / "p").c_str());
  EXPECT_EQ(UserProfile("VorlanSoft", "Kelvo").path(), dir.path() + "p/VorlanSoft/Kelvo.ini");
  EXPECT_EQ(UserProfile("Vorlan/Soft", "..").path(), dir.path() + "p/Vorlan_Soft/_.ini");
}

TEST(UserProfile, SectionsIntegersAndStrings) {
  TempDir dir;
  ScopedEnv env("TINDREL_PROFILE_DIR", dir.path().c_str());
  UserProfile p("VorlanSoft", "Tindrel");
  EXPECT_EQ(p.GetInt("SystemParam", "AutoFill", 1), 1);  // nothing there yet
  EXPECT_EQ(p.GetString("SystemParam", "FilePath", "C:\\VORLAN\\"), "C:\\VORLAN\\");
  ASSERT_TRUE(p.WriteInt("SystemParam", "AutoFill", 0));
  ASSERT_TRUE(p.WriteInt("SystemParam", "Neg", -12));
  ASSERT_TRUE(p.WriteString("Recent File List", "File1", "\xD6\xD0.t98"));
  EXPECT_EQ(p.GetInt("systemparam", "AUTOFILL", 1), 0);
  EXPECT_EQ(p.GetInt("SystemParam", "Neg", 0), -12);
  EXPECT_EQ(p.GetString("recent file list", "file1", ""), "\xD6\xD0.t98");
  EXPECT_EQ(p.GetSections(), (std::vector<std::string>{"SystemParam", "Recent File List"}));
  EXPECT_EQ(p.GetEntries("SystemParam"), (std::vector<std::string>{"AutoFill", "Neg"}));
  ASSERT_TRUE(p.WriteString("SystemParam", "Neg", nullptr));
  EXPECT_EQ(p.GetInt("SystemParam", "Neg", 5), 5);
  // A second object on the same key sees every write at once.
  EXPECT_EQ(UserProfile("VorlanSoft", "Tindrel").GetInt("SystemParam", "AutoFill", 1), 0);
  struct stat st;
  ASSERT_EQ(::stat((dir / "VorlanSoft").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(UserProfile, AppProfileIsRegistered) {
  UserProfile p("VorlanSoft", "Tindrel");
  UserProfile* prev = SetAppProfile(&p);
  EXPECT_EQ(GetAppProfile(), &p);
  EXPECT_EQ(SetAppProfile(prev), &p);
}
