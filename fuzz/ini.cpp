// INI files through the profile API, the settings file and the user profile:
// every section, key and value is read; a value written reads back.
#include <string>

#include <sys/stat.h>

#include "fuzz/fuzz_util.h"
#include "model/settings.h"
#include "platform/ini.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("fuzz.ini", data, size);
  std::size_t keys = 0;
  for (const std::string& section : plat::GetPrivateProfileSectionNames(path)) {
    for (const std::string& key : plat::GetPrivateProfileKeyNames(section.c_str(), path)) {
      if (++keys > 256) break;
      char buf[200];
      plat::GetPrivateProfileString(section.c_str(), key.c_str(), "", buf, sizeof buf, path);
      plat::GetPrivateProfileInt(section.c_str(), key.c_str(), 0, path);
      plat::GetPrivateProfileValue(section.c_str(), key.c_str(), path);
    }
  }
  char list[64];
  plat::GetPrivateProfileString(nullptr, nullptr, "", list, sizeof list, path);
  plat::GetPrivateProfileString("PATH", nullptr, "", list, sizeof list, path);

  CIniFile ini(path);
  ini.GetFloat("Text", "Size", 40.0f);
  char escaped[20];
  ini.GetEscapedString("Cutter", "Init", escaped, sizeof escaped, "");
  fuzz::Require(ini.WriteString("Fuzz", "Key", "Value 标牌"), "a value can be written");
  std::string back;
  ini.GetString("Fuzz", "Key", back, "");
  fuzz::Require(back == "Value 标牌", "a written value reads back");
  fuzz::Require(ini.WriteFloat("Fuzz", "Size", 12.5f), "a float can be written");
  fuzz::Require(ini.GetFloat("Fuzz", "Size", 0.0f) == 12.5f, "a written float reads back");

  // The same bytes as the user profile.
  static plat::UserProfile& profile = [&]() -> plat::UserProfile& {
    ::setenv("TINDREL_PROFILE_DIR", fuzz::ScratchFolder().c_str(), 1);
    ::mkdir((fuzz::ScratchFolder() + "VorlanSoft").c_str(), 0700);
    static plat::UserProfile p("VorlanSoft", "Fuzz");
    return p;
  }();
  plat::SetAppProfile(&profile);
  fuzz::WriteScratchFile("VorlanSoft/Fuzz.ini", data, size);
  fuzz::Require(profile.path() == fuzz::ScratchFolder() + "VorlanSoft/Fuzz.ini", "profile in the scratch folder");
  CProfile settings;
  settings.GetInt("Settings", "Units", 0);
  settings.GetString("Settings", "Recent", "");
  fuzz::Require(settings.WriteInt("Fuzz", "Count", 7), "a profile value can be written");
  fuzz::Require(settings.GetInt("Fuzz", "Count", 0) == 7, "a profile value reads back");
  plat::SetAppProfile(nullptr);
  return 0;
}
