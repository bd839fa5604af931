// Libraries by name. A Part names a library as "Import.dll", "Flexoril.dll",
// "TWAIN_32.DLL"; the rule: drop a trailing ".dll" (any case) from the file name,
// and load "lib<stem>.so" from the program's folder, the stem matched
// case-insensitively ("Import.dll" and "IMPORT" both load libImport.so). A name
// that already reads "lib<stem>.so" is taken as it is. Only the program's folder
// is searched: never the library search path, never the current folder; a name
// with a folder part loads only when that folder is the program's folder.
// Entry points bind by name and only from the library itself.
#pragma once
#include <string>
#include <string_view>

#include "platform/types.h"

namespace plat {

struct ModuleTag;
using HMODULE = ModuleTag*;

// Error codes of the last failed call on this thread, with the platform's values.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;

DWORD GetLastError();
void SetLastError(DWORD code);
// The text for an error code (UTF-8, one line, under 100 bytes).
std::string FormatErrorText(DWORD code);
// The text for the last error; GetLastErrorDetail adds what was tried (file, loader message).
std::string GetLastErrorText();
std::string GetLastErrorDetail();

// "Import.dll" -> "libImport.so" (the file name the rule looks for).
std::string LibraryFileName(std::string_view name);

// Loads the library; nullptr on failure, with the last error set:
// ERROR_MOD_NOT_FOUND (no such library in the program's folder),
// ERROR_ACCESS_DENIED (a folder other than the program's), ERROR_BAD_EXE_FORMAT.
// Loading a loaded library again counts a reference and gives the same handle.
HMODULE LoadLibrary(std::string_view name);
// The entry point's address; nullptr with ERROR_PROC_NOT_FOUND when the library
// does not export it, ERROR_INVALID_HANDLE for an unknown handle.
void* GetProcAddress(HMODULE module, const char* name);
template <class F>
F GetProcAddressAs(HMODULE module, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}
// Drops one reference; false (ERROR_INVALID_HANDLE) for an unknown handle.
bool FreeLibrary(HMODULE module);
// The loaded file; "" for an unknown handle.
std::string GetModuleFileName(HMODULE module);

}  // namespace plat
