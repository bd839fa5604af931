// Path names. The Parts build Windows paths ("C:\VORLAN\", "..\Lib\A.LIB",
// "*.CFT"); these map them onto the file system:
// - a backslash becomes '/';
// - a drive prefix "X:" stands for the drive root: $TINDREL_DRIVE_ROOT when set,
//   else the user's home folder (so "C:\VORLAN\" is ~/VORLAN/);
// - file names compare case-insensitively (ASCII letters; other bytes exactly), an
//   exact match first.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The running program's file and its folder (with a trailing '/').
std::string GetProgramPath();
std::string GetProgramFolder();

// The folder the drive letters stand for, with a trailing '/'.
std::string GetDriveRoot();

// Backslashes to '/', drive prefix to the drive root. Nothing is looked up.
std::string MapWindowsPath(std::string_view path);

// The existing file or folder the (mapped) path names, each component matched
// case-insensitively where the exact name does not exist; nullopt when none.
std::optional<std::string> FindFileNoCase(std::string_view path);

// The path to use for a file that may or may not exist: the existing one
// (FindFileNoCase), else the mapped path with its existing folders matched
// case-insensitively and the last component as given.
std::string ResolvePath(std::string_view path);

// Windows wildcard match ('*', '?'; "*.*" matches every name, "*." names without
// a dot), case-insensitive.
bool MatchPatternNoCase(std::string_view name, std::string_view pattern);

// The names (not paths) in a folder that match a pattern such as "*.CFT", sorted;
// regular files only unless folders are asked for too. "." and ".." never.
std::vector<std::string> ListFolderNoCase(std::string_view folder, std::string_view pattern,
                                          bool includeFolders = false);

bool EqualNoCaseAscii(std::string_view a, std::string_view b);

}  // namespace plat
