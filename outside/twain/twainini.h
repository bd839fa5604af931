// The source manager library's settings: [Source] of "TWAIN.INI" names the
// device ("Device") and the options to set on it when a source opens (every
// other key, in file order: "mode", "depth", "resolution", "source", ...).
#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace twainini {

// Bounds of what is taken from the file.
constexpr std::size_t kMaxOptions = 64;
constexpr std::size_t kMaxNameBytes = 256;
constexpr std::size_t kMaxValueBytes = 1024;

struct Settings {
  std::string device;  // empty: the first device found
  std::vector<std::pair<std::string, std::string>> options;
};

// The settings file: $TINDREL_TWAIN_INI when set and not empty, else
// "TWAIN.INI" in the program folder (any letter case).
std::string SettingsPath();
// [Source] of the file; empty settings for a missing or unreadable file.
// Keys without a value, overlong names or values and repeated keys (after
// the first) are left out; at most kMaxOptions options.
Settings ReadSettings(const std::string& path);

}  // namespace twainini
