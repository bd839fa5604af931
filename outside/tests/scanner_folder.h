// The system scanner library's settings for tests: a folder that names only
// its "test" backend, with that backend's settings, and "TWAIN.INI" for the
// source manager library. The scanner library reads the folder's name once
// per process, so every test of a process shares one folder and rewrites
// its files.
//
// The scanner library unloads its backends when it is closed. The "test"
// backend loses memory of its own (a reader thread's buffer when a scan
// ends), which would be reported as a leak of an unknown module. Tests that
// scan keep the backend loaded for the process, so that what it loses is
// named by its file in the test programs' leak suppressions; a test that
// checks what a load and unload cycle leaves behind asks for kBackendUnloads.
//
// The backend ends a scan by cancelling its reader thread asynchronously; a
// scan stopped early (an error, a cancel) can leave the thread cancelled
// inside the allocator, which then blocks the leak check at exit. Such scans
// run in a child process that ends without that check (ScanInChild).
#pragma once
#include <dlfcn.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "model/twain.h"

namespace scantest {

inline void WriteText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
}

class ScannerFolder {
 public:
  // `testConf` follows two devices at 50 dpi; `twainIni` is the settings
  // file's whole text (none when empty).
  enum Backend { kBackendKept, kBackendUnloads };
  explicit ScannerFolder(const std::string& testConf, const std::string& twainIni = {},
                         Backend backend = kBackendKept) {
    if (backend == kBackendKept) {
      static const bool kept = KeepTestBackendLoaded();
      (void)kept;
    }
    const std::filesystem::path& dir = Dir();
    WriteText(dir / "dll.conf", "test\n");
    WriteText(dir / "test.conf", "number_of_devices 2\nresolution 50.0\n" + testConf);
    std::filesystem::remove(dir / "TWAIN.INI");
    if (!twainIni.empty()) WriteText(dir / "TWAIN.INI", twainIni);
    ::setenv("SANE_CONFIG_DIR", dir.c_str(), 1);
    ::setenv(twain::kIniEnv, (dir / "TWAIN.INI").c_str(), 1);
  }
  ~ScannerFolder() { ::unsetenv(twain::kIniEnv); }
  ScannerFolder(const ScannerFolder&) = delete;
  ScannerFolder& operator=(const ScannerFolder&) = delete;

  static const std::filesystem::path& Dir() {
    static const Folder folder;
    return folder.path;
  }

 private:
  struct Folder {
    Folder() {
      char tmpl[] = "/tmp/tindrel-scanner-XXXXXX";
      path = ::mkdtemp(tmpl);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
  };

  // The backend lies in "sane/" beside the scanner library.
  static bool KeepTestBackendLoaded() {
    void* sane = ::dlopen("libsane.so.1", RTLD_NOW | RTLD_NODELETE);
    void* init = sane ? ::dlsym(sane, "sane_init") : nullptr;
    Dl_info info{};
    if (!init || !::dladdr(init, &info) || !info.dli_fname) return false;
    const std::filesystem::path backend =
        std::filesystem::path(info.dli_fname).parent_path() / "sane" / "libsane-test.so.1";
    return ::dlopen(backend.c_str(), RTLD_NOW | RTLD_NODELETE) != nullptr;
  }
};

// Runs the body in a child process; it passes when no expectation failed there.
inline void ScanInChild(const std::function<void()>& body) {
  EXPECT_EXIT(
      {
        ::alarm(60);
        body();
        std::fflush(stdout);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace scantest
