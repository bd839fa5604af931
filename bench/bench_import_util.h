// Helpers of the import benchmarks: generated input files in the temporary
// folder, a small random sequence, and peer programs found on the PATH.
#pragma once
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/segarray.h"
#include "platform/gmem.h"

namespace benchimport {

inline std::string TempPath(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/tindrel-" + std::to_string(::getuid()) + "-" + name;
}

inline std::uint32_t Next(std::uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

inline std::uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? std::uint64_t(st.st_size) : 0;
}

inline bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a peer's command line; false unless it exited with status 0.
inline bool RunPeer(const std::string& cmd) {
  const int status = std::system(cmd.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Reads an object block into an object list and frees it; a result that is
// not one path is reported as an error of the benchmark.
inline void UnpackOne(benchmark::State& state, plat::HGLOBAL h) {
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  if (!list || list->GetSize() != 1) state.SkipWithError("the file gave no path");
}

}  // namespace benchimport
