// The system scanner library's settings for tests: a folder that names only
// its "test" backend, with that backend's settings, and "TWAIN.INI" for the
// source manager library. The scanner library reads the folder's name once
// per process, so every test of a process shares one folder and rewrites
// its files.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  explicit ScannerFolder(const std::string& testConf, const std::string& twainIni = {}) {
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
};

}  // namespace scantest
