// Shared pieces of the output tests: a temporary folder with a copy of the
// cutter models file, and golden files.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "model/pathobject.h"
#include "model/settings.h"
#include "output/tests/pty.h"

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tindrel-output-XXXXXX").string();
    char* p = ::mkdtemp(tmpl.data());
    path_ = p ? std::string(p) + "/" : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A finished rectangle path.
inline std::unique_ptr<CPathObject> Rect(float l, float t, float r, float b) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(l, t, r, b);
  p->EndPoints();
  return p;
}

inline std::string DataPath(const std::string& name) { return std::string(TINDREL_TEST_DATA) + "/" + name; }

// Compares with data/<name>; TINDREL_UPDATE_GOLDEN=1 rewrites the file instead.
inline void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = DataPath(name);
  if (const char* u = std::getenv("TINDREL_UPDATE_GOLDEN"); u && *u == '1') {
    WriteBytes(path, actual);
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_EQ(actual, ReadBytes(path)) << name;
}

// Splits a stream after each ';'.
inline std::vector<std::string> SplitCommands(const std::string& s, char sep = ';') {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    cur.push_back(c);
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Maps ports onto devices for one test.
class PortDevices {
 public:
  explicit PortDevices(const std::string& value) { setenv("TINDREL_PORT_DEVICES", value.c_str(), 1); }
  ~PortDevices() { unsetenv("TINDREL_PORT_DEVICES"); }
};
