// Shared pieces of the fuzz targets: a private scratch folder and file helpers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>
#include <unistd.h>

#include "platform/report.h"

namespace fuzz {

// A private folder made once per process and kept to its end.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tindrel-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return folder;
}

// Writes the input to a file, its folder made when missing.
inline void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// Writes the input to a file of the scratch folder and returns its path.
inline std::string WriteScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
  std::string path = ScratchFolder() + name;
  WriteFile(path, data, size);
  return path;
}

// A property every input must keep; a broken one is a finding.
inline void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

// Message boxes answer their default at once and print nothing.
class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned style) override {
    return plat::DefaultButton(style);
  }
  void MessageBeep(unsigned) override {}
};

inline void InstallQuietSink() {
  static QuietSink sink;
  plat::SetReportSink(&sink);
}

}  // namespace fuzz
