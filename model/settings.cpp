#include "model/settings.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "model/helpers.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/profile.h"

std::string FormatSettingFloat(float value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::fixed, 4);
  if (r.ec != std::errc()) return "0.0000";
  return std::string(buf, r.ptr);
}

float ParseSettingFloat(const char* text) {
  if (!text) return 0.0f;
  std::string_view s(text);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc()) return 0.0f;
  return float(v);
}

CIniFile::CIniFile() : m_path(GetProgramFolder() + "VORLAN98.INI") {}

std::string CIniFile::File() const { return plat::ResolvePath(m_path); }

int CIniFile::GetInt(const char* section, const char* key, int def) const {
  return int(plat::GetPrivateProfileInt(section, key, def, File()));
}

bool CIniFile::WriteInt(const char* section, const char* key, int value) const {
  return WriteString(section, key, std::to_string(value).c_str());
}

float CIniFile::GetFloat(const char* section, const char* key, float def) const {
  char buf[20] = {};
  plat::GetPrivateProfileString(section, key, FormatSettingFloat(def).c_str(), buf, sizeof buf, File());
  const float v = ParseSettingFloat(buf);
  return PageHolds(v) ? v : def;
}

bool CIniFile::WriteFloat(const char* section, const char* key, float value) const {
  return WriteString(section, key, FormatSettingFloat(value).c_str());
}

void CIniFile::GetString(const char* section, const char* key, char* buf, int size, const char* def) const {
  if (!buf || size <= 0) return;
  std::memset(buf, 0, std::size_t(size));
  plat::GetPrivateProfileString(section, key, def, buf, unsigned(size), File());
}

void CIniFile::GetString(const char* section, const char* key, std::string& out, const char* def) const {
  char buf[200] = {};
  plat::GetPrivateProfileString(section, key, def, buf, sizeof buf, File());
  out = buf;
}

void CIniFile::GetEscapedString(const char* section, const char* key, char* buf, int size,
                                const char* def) const {
  char raw[200] = {};
  plat::GetPrivateProfileString(section, key, def, raw, sizeof raw, File());
  if (!buf || size <= 0) return;
  std::memset(buf, 0, std::size_t(size));
  UnescapeString(raw, buf, std::size_t(size));
}

bool CIniFile::WriteString(const char* section, const char* key, const char* text) const {
  return plat::WritePrivateProfileString(section, key, text, File());
}

CProfile::CProfile() : m_pProfile(plat::GetAppProfile()) {}

plat::UserProfile* CProfile::Attach() {
  m_pProfile = plat::GetAppProfile();
  return m_pProfile;
}

int CProfile::GetInt(const char* section, const char* entry, int def) const {
  return m_pProfile ? m_pProfile->GetInt(section, entry, def) : def;
}

bool CProfile::WriteInt(const char* section, const char* entry, int value) const {
  return m_pProfile && m_pProfile->WriteInt(section, entry, value);
}

float CProfile::GetFloat(const char* section, const char* entry, float def) const {
  std::string text = FormatSettingFloat(def);
  if (m_pProfile) text = m_pProfile->GetString(section, entry, text.c_str());
  const float v = ParseSettingFloat(text.c_str());
  return PageHolds(v) ? v : def;
}

bool CProfile::WriteFloat(const char* section, const char* entry, float value) const {
  return WriteString(section, entry, FormatSettingFloat(value).c_str());
}

void CProfile::GetString(const char* section, const char* entry, char* buf, int size, const char* def) const {
  if (!buf || size <= 0) return;
  std::string s = GetString(section, entry, def);
  std::size_t n = std::min(s.size(), std::size_t(size) - 1);
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
}

std::string CProfile::GetString(const char* section, const char* entry, const char* def) const {
  if (!m_pProfile) return def ? def : "";
  return m_pProfile->GetString(section, entry, def);
}

bool CProfile::WriteString(const char* section, const char* entry, const char* text) const {
  return m_pProfile && m_pProfile->WriteString(section, entry, text);
}

CIniFile g_IniFile;
CIniFile g_CutterIni;
CProfile g_Profile;
