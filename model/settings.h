// Settings accessors: CIniFile over one INI file, CProfile over the application's
// per-user profile. Floats are stored as "%.4f" text. Nothing is cached: every
// call goes to the file or the profile. Values are stored text (GBK bytes).
#pragma once
#include <string>

namespace plat {
class UserProfile;
}

class CIniFile {
 public:
  // The program's folder + "VORLAN98.INI".
  CIniFile();
  explicit CIniFile(const std::string& path) : m_path(path) {}

  // A full path, copied as it is (any length); Windows forms and other letter
  // cases of an existing file are resolved at each access.
  void SetPath(const char* path) { m_path = path ? path : ""; }
  void SetPath(const std::string& path) { m_path = path; }
  const std::string& GetPath() const { return m_path; }

  int GetInt(const char* section, const char* key, int def) const;
  bool WriteInt(const char* section, const char* key, int value) const;
  // At most 19 characters are read; the default goes through "%.4f" too. A value
  // not finite or beyond ±kMaxPageLength (model/helpers.h) gives the default.
  float GetFloat(const char* section, const char* key, float def) const;
  bool WriteFloat(const char* section, const char* key, float value) const;
  // Clears size bytes of buf and reads at most size - 1 bytes. A null key gives
  // the section's key names, a null section the section names (each ended by a
  // zero byte, the list by a second one).
  void GetString(const char* section, const char* key, char* buf, int size, const char* def) const;
  // At most 199 characters.
  void GetString(const char* section, const char* key, std::string& out, const char* def) const;
  // Reads at most 199 characters and writes them into buf (size bytes, cleared
  // first) with their backslash escapes expanded, cut to the buffer.
  void GetEscapedString(const char* section, const char* key, char* buf, int size, const char* def) const;
  bool WriteString(const char* section, const char* key, const char* text) const;
  bool WriteString(const char* section, const char* key, const std::string& text) const {
    return WriteString(section, key, text.c_str());
  }

 private:
  std::string File() const;
  std::string m_path;
};

class CProfile {
 public:
  // Takes the application's current profile (plat::GetAppProfile), which may not
  // be there yet; until it is, reads give the defaults and writes do nothing.
  CProfile();
  plat::UserProfile* Attach();
  plat::UserProfile* GetAttached() const { return m_pProfile; }

  int GetInt(const char* section, const char* entry, int def) const;
  bool WriteInt(const char* section, const char* entry, int value) const;
  // As CIniFile::GetFloat.
  float GetFloat(const char* section, const char* entry, float def) const;
  bool WriteFloat(const char* section, const char* entry, float value) const;
  // At most size - 1 bytes and a terminator.
  void GetString(const char* section, const char* entry, char* buf, int size, const char* def) const;
  std::string GetString(const char* section, const char* entry, const char* def) const;
  bool WriteString(const char* section, const char* entry, const char* text) const;

 private:
  plat::UserProfile* m_pProfile;
};

// "%.4f" of a value, independent of the locale.
std::string FormatSettingFloat(float value);
// The leading decimal number of a text as atof reads it, as a float; 0 when none.
float ParseSettingFloat(const char* text);

// The main settings file "VORLAN98.INI", the cutter models file (set to
// "Cutters.INI" by the start-up) and the application profile.
extern CIniFile g_IniFile;
extern CIniFile g_CutterIni;
extern CProfile g_Profile;
