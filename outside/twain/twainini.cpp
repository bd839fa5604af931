#include "outside/twain/twainini.h"

#include <cstdlib>

#include "model/twain.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace twainini {

std::string SettingsPath() {
  if (const char* env = std::getenv(twain::kIniEnv); env && *env) return env;
  const std::string folder = plat::GetProgramFolder();
  if (auto found = plat::FindFileNoCase(folder + twain::kIniName)) return *found;
  return folder + twain::kIniName;
}

Settings ReadSettings(const std::string& path) {
  Settings out;
  for (const plat::ProfileSection& section : plat::ReadPrivateProfile(path)) {
    if (!plat::EqualNoCaseAscii(section.name, "Source")) continue;
    bool haveDevice = false;
    for (const auto& [key, value] : section.entries) {
      if (key.empty() || key.size() > kMaxNameBytes || value.size() > kMaxValueBytes) continue;
      if (plat::EqualNoCaseAscii(key, "Device")) {
        if (!haveDevice) out.device = value;
        haveDevice = true;
        continue;
      }
      if (value.empty() || out.options.size() >= kMaxOptions) continue;
      bool repeated = false;
      for (const auto& o : out.options) repeated = repeated || plat::EqualNoCaseAscii(o.first, key);
      if (!repeated) out.options.emplace_back(key, value);
    }
    break;  // the first section of that name
  }
  return out;
}

}  // namespace twainini
