#include "platform/library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/paths.h"
#include "platform/tests/temp_dir.h"

using namespace plat;

namespace {
using AddFn = int (*)(int, int);
using NameFn = const char* (*)();
}  // namespace

TEST(Library, NameRule) {
  struct Case {
    const char* name;
    const char* file;
  };
  const Case cases[] = {{"Import.dll", "libImport.so"},   {"Flexoril.DLL", "libFlexoril.so"},
                        {"TWAIN_32.DLL", "libTWAIN_32.so"}, {"Trace", "libTrace.so"},
                        {"libVector.so", "libVector.so"},   {"C:\\VORLAN\\Import.dll", "libImport.so"}};
  for (const auto& c : cases) EXPECT_EQ(LibraryFileName(c.name), c.file) << c.name;
}

TEST(Library, LoadsFromTheProgramFolderByStemInAnyCase) {
  HMODULE a = LoadLibrary("PlugTest.dll");
  ASSERT_NE(a, nullptr) << GetLastErrorDetail();
  EXPECT_EQ(GetModuleFileName(a), GetProgramFolder() + "libPlugTest.so");
  HMODULE b = LoadLibrary("PLUGTEST.DLL");
  HMODULE c = LoadLibrary(GetProgramFolder() + "plugtest");  // the program's own folder named
  EXPECT_EQ(b, a);
  EXPECT_EQ(c, a);
  auto add = GetProcAddressAs<AddFn>(a, "PlugAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  EXPECT_STREQ(GetProcAddressAs<NameFn>(a, "PlugName")(), "PlugTest");
  EXPECT_TRUE(FreeLibrary(c));
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_NE(GetProcAddress(a, "PlugAdd"), nullptr);  // one reference is left
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_FALSE(FreeLibrary(a));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetProcAddress(a, "PlugAdd"), nullptr);
}

TEST(Library, MissingEntryPointIsReported) {
  HMODULE h = LoadLibrary("PlugTest.dll");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetProcAddress(h, "ImageVector"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(GetLastErrorText(), "找不到指定的程序。");
  // Only the library's own exports, not those of what it links.
  EXPECT_EQ(GetProcAddress(h, "malloc"), nullptr);
  EXPECT_EQ(GetProcAddress(h, ""), nullptr);
  EXPECT_TRUE(FreeLibrary(h));
}

TEST(Library, RefusesLibrariesOutsideTheProgramFolder) {
  TempDir dir;
  std::filesystem::copy_file(GetProgramFolder() + "libPlugTest.so", dir / "libOutside.so");
  std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);  // not the current folder either
  HMODULE h = LoadLibrary("Outside.dll");
  int err = int(GetLastError());
  std::string text = GetLastErrorText();
  HMODULE full = LoadLibrary(dir / "libOutside.so");
  int errFull = int(GetLastError());
  HMODULE win = LoadLibrary(dir.path() + "Outside.dll");
  HMODULE up = LoadLibrary(GetProgramFolder() + "../bin/../Outside.dll");
  HMODULE wild = LoadLibrary("*.dll");
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(err, int(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(text, "找不到指定的模块。");
  EXPECT_EQ(full, nullptr);
  EXPECT_EQ(errFull, int(ERROR_ACCESS_DENIED));
  EXPECT_EQ(win, nullptr);
  EXPECT_EQ(up, nullptr);
  EXPECT_EQ(wild, nullptr);
}

TEST(Library, NotALibrary) {
  std::string junk = GetProgramFolder() + "libJunkFormat.so";
  WriteFileBytes(junk, "this is no library");
  HMODULE h = LoadLibrary("JunkFormat.dll");
  DWORD err = GetLastError();
  std::filesystem::remove(junk);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(err, ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "PlugAdd"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
