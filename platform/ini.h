// Private-profile INI files, read and written as the platform does:
// - sections and keys compare case-insensitively (ASCII letters; other bytes exactly);
// - values are trimmed of blanks and tabs, one pair of enclosing quotes is dropped,
//   every other byte is kept as stored (GBK text round-trips unchanged);
// - LF and CRLF files are read; a write keeps the file's line ends (CRLF for a new file)
//   and every line it does not change, comments included;
// - nothing is cached: every call reads the file again;
// - a write builds the whole new file beside the old one and renames it over it, so a
//   full disk or a crash mid-write leaves the old file whole.
// Files larger than kMaxIniFileBytes are treated as unreadable (defaults; writes refused).
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

constexpr std::size_t kMaxIniFileBytes = 16u << 20;

// Reads the value of key in section into buf (at most size - 1 bytes and a
// terminator) and returns the number of bytes copied. A missing file, section or
// key gives the default (nullptr: "") without its trailing blanks.
// key == nullptr: the section's key names, each NUL-terminated, and one more NUL.
// section == nullptr: the section names in the same form.
// A list that does not fit is cut, ends in two NULs and returns size - 2.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* def, char* buf,
                                 unsigned size, const std::string& file);

// The value's leading decimal number (optional sign, 32-bit wrap-around), 0 when
// the value does not start with one, def when the key is missing or empty.
unsigned GetPrivateProfileInt(const char* section, const char* key, int def, const std::string& file);

// Writes key=value into section, creating the file and the section when needed.
// value == nullptr deletes the key; key == nullptr deletes the whole section.
// A value is cut at its first line break; a section or key name holding one is
// refused (false, file unchanged). Returns false when the file could not be
// written (the old file is then unchanged).
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& file);

// The same reads without a buffer limit.
std::optional<std::string> GetPrivateProfileValue(const char* section, const char* key,
                                                  const std::string& file);
std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file);
std::vector<std::string> GetPrivateProfileKeyNames(const char* section, const std::string& file);

// The whole file in one read: its sections in file order, each with its keys and
// values in file order (values as GetPrivateProfileValue gives them). Names keep
// their stored case; a reader looks them up case-insensitively, first match wins.
// Empty for a missing or unreadable file.
struct ProfileSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};
std::vector<ProfileSection> ReadPrivateProfile(const std::string& file);

// Replaces a file's content through a temporary file in the same folder and a rename.
// Keeps the old file's permissions. Returns false (old file unchanged) on any failure.
bool ReplaceFileContent(const std::string& path, const std::string& content);

namespace hooks {
// Called after each chunk written to the temporary file of a replace, with the
// bytes written so far; lets tests stop a write midway.
using WriteProgressHook = void (*)(std::size_t written);
void SetWriteProgressHook(WriteProgressHook hook);
}  // namespace hooks

}  // namespace plat
