// Temporary files: a private folder per user (mode 0700, owned by the user, not a
// symbolic link) and unique file names created exclusively in it.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// The user's private temporary folder with a trailing '/': "<TMPDIR or /tmp>/tindrel-<uid>/".
// When that name is taken by something unsafe (another owner, a link, a file), a
// fresh private folder is made instead for the rest of the process. "" on failure.
std::string GetTempFolder();

// Creates a new empty file "<folder><prefix><XXXX>.TMP" (the first three bytes of
// prefix, XXXX four hex digits) with O_EXCL, mode 0600, and gives its path in out.
// Returns the unique number XXXX (1..0xFFFF), or 0 with out empty when no file
// could be made.
unsigned GetTempFileName(std::string_view folder, std::string_view prefix, std::string& out);

}  // namespace plat
