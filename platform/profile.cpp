#include "platform/profile.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstdio>

#include "platform/ini.h"

namespace plat {
namespace {

std::atomic<UserProfile*> g_appProfile{nullptr};

std::string WithSlash(std::string s) {
  if (!s.empty() && s.back() != '/') s.push_back('/');
  return s;
}

bool MakeFolders(const std::string& path) {
  // Every folder of path up to its last '/'.
  for (std::size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos) {
    std::string dir = path.substr(0, pos);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// A company or application name as one safe path component.
std::string Component(const std::string& name) {
  std::string s;
  for (char c : name) s.push_back(c == '/' || c == '\\' || c == '\0' ? '_' : c);
  if (s.empty() || s == "." || s == "..") s = "_";
  return s;
}

}  // namespace

std::string GetUserConfigFolder() {
  if (const char* d = std::getenv("TINDREL_PROFILE_DIR"); d && *d) return WithSlash(d);
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && x[0] == '/') return WithSlash(x);
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
  }
  return WithSlash(std::string(home ? home : "") + "/.config");
}

UserProfile::UserProfile(std::string company, std::string application)
    : company_(std::move(company)), application_(std::move(application)) {}

std::string UserProfile::path() const {
  return GetUserConfigFolder() + Component(company_) + "/" + Component(application_) + ".ini";
}

int UserProfile::GetInt(const char* section, const char* entry, int def) const {
  return int(GetPrivateProfileInt(section, entry, def, path()));
}

bool UserProfile::WriteInt(const char* section, const char* entry, int value) const {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return WriteString(section, entry, text);
}

std::string UserProfile::GetString(const char* section, const char* entry, const char* def) const {
  if (auto v = GetPrivateProfileValue(section, entry, path())) return *v;
  return def ? def : "";
}

bool UserProfile::WriteString(const char* section, const char* entry, const char* value) const {
  std::string file = path();
  if (!MakeFolders(file)) return false;
  return WritePrivateProfileString(section, entry, value, file);
}

std::vector<std::string> UserProfile::GetSections() const { return GetPrivateProfileSectionNames(path()); }

std::vector<std::string> UserProfile::GetEntries(const char* section) const {
  return GetPrivateProfileKeyNames(section, path());
}

UserProfile* GetAppProfile() { return g_appProfile.load(); }
UserProfile* SetAppProfile(UserProfile* profile) { return g_appProfile.exchange(profile); }

}  // namespace plat
