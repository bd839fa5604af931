// The per-user profile (the stand-in for the registry area of an application):
// sections of named integers and strings under a company key, kept in an INI-format
// file with the semantics of platform/ini.h (case-insensitive, nothing cached,
// atomic writes). The file is
//   $TINDREL_PROFILE_DIR/<company>/<application>.ini   when that variable is set,
//   else $XDG_CONFIG_HOME/<company>/<application>.ini  (when absolute),
//   else ~/.config/<company>/<application>.ini.
// Folders are created (0700) on the first write.
#pragma once
#include <string>
#include <vector>

namespace plat {

class UserProfile {
 public:
  // company: "VorlanSoft"; application: the program's profile name.
  UserProfile(std::string company, std::string application);

  const std::string& company() const { return company_; }
  const std::string& application() const { return application_; }
  // The profile file, resolved from the environment at each call.
  std::string path() const;

  int GetInt(const char* section, const char* entry, int def) const;
  bool WriteInt(const char* section, const char* entry, int value) const;
  std::string GetString(const char* section, const char* entry, const char* def) const;
  // value == nullptr deletes the entry.
  bool WriteString(const char* section, const char* entry, const char* value) const;
  std::vector<std::string> GetSections() const;
  std::vector<std::string> GetEntries(const char* section) const;

 private:
  std::string company_;
  std::string application_;
};

// The folder that holds the company folders of profiles (with a trailing '/').
std::string GetUserConfigFolder();

// The application object's profile, registered by the framework when the
// application sets its company key; nullptr before that.
UserProfile* GetAppProfile();
UserProfile* SetAppProfile(UserProfile* profile);  // returns the previous one

}  // namespace plat
