// links: tindrel_output tindrel_text tindrel_model tindrel_platform
// The kept fuzz inputs run again through their targets, as the replay
// programs run them: the corpus of the record, path record and clip-path
// targets and every saved crash. One case per saved crash (the corpus is too
// large for a case an input), and a last one that runs them all once per
// round and reports the slowest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define REPLAY_TARGET(name)                                                    \
  extern "C" int ReplayInput_##name(const std::uint8_t *data, std::size_t size);
REPLAY_TARGET(record)
REPLAY_TARGET(pathrecord)
REPLAY_TARGET(clippath)
REPLAY_TARGET(cutterini)
REPLAY_TARGET(outline)
REPLAY_TARGET(textrecord)
#undef REPLAY_TARGET

namespace {

namespace fs = std::filesystem;
using Entry = int (*)(const std::uint8_t *, std::size_t);

struct Target {
  const char *name;
  Entry run;
  bool corpus; // its kept corpus too, not only its saved crashes
};
constexpr Target kTargets[] = {
    {"record", ReplayInput_record, true},
    {"pathrecord", ReplayInput_pathrecord, true},
    {"clippath", ReplayInput_clippath, true},
    {"cutterini", ReplayInput_cutterini, false},
    {"outline", ReplayInput_outline, false},
    {"textrecord", ReplayInput_textrecord, false},
};

struct Input {
  std::string name; // target/folder/file
  Entry run;
  std::vector<std::uint8_t> bytes;
};

std::vector<Input> Files(const Target &t, const char *folder) {
  std::vector<Input> out;
  const fs::path dir = fs::path(TINDREL_FUZZ_DIR) / folder / t.name;
  std::error_code ec;
  std::vector<fs::path> files;
  for (const auto &e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file())
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path &f : files) {
    std::ifstream in(f, std::ios::binary);
    Input i{std::string(t.name) + "/" + folder + "/" + f.filename().string(),
            t.run,
            std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})};
    out.push_back(std::move(i));
  }
  return out;
}

const std::vector<Input> &Inputs() {
  static const std::vector<Input> all = [] {
    std::vector<Input> v;
    for (const Target &t : kTargets) {
      if (t.corpus)
        for (Input &i : Files(t, "corpus"))
          v.push_back(std::move(i));
      for (Input &i : Files(t, "crashes"))
        v.push_back(std::move(i));
    }
    // Saved crashes of targets this program does not run would go unmeasured.
    std::error_code ec;
    for (const auto &e :
         fs::directory_iterator(fs::path(TINDREL_FUZZ_DIR) / "crashes", ec)) {
      const std::string name = e.path().filename().string();
      if (std::none_of(std::begin(kTargets), std::end(kTargets),
                       [&](const Target &t) { return name == t.name; }))
        std::fprintf(stderr, "saved crashes of %s are not replayed here\n",
                     name.c_str());
    }
    return v;
  }();
  return all;
}

void Run(const Input &i) { i.run(i.bytes.data(), i.bytes.size()); }

void BM_ReplayAllSlowest(benchmark::State &state) {
  const std::vector<Input> &inputs = Inputs();
  if (inputs.empty()) {
    state.SkipWithError("no kept inputs found");
    return;
  }
  double slowest = 0;
  std::string which;
  for (auto _ : state) {
    for (const Input &i : inputs) {
      const auto t0 = std::chrono::steady_clock::now();
      Run(i);
      const double ms = std::chrono::duration<double, std::milli>(
                            std::chrono::steady_clock::now() - t0)
                            .count();
      if (ms > slowest) {
        slowest = ms;
        which = i.name;
      }
    }
  }
  state.counters["inputs"] = double(inputs.size());
  state.counters["slowest_ms"] = slowest;
  state.SetLabel("slowest: " + which);
}

[[maybe_unused]] const bool registered = [] {
  for (const Input &i : Inputs())
    if (i.name.find("/crashes/") != std::string::npos)
      benchmark::RegisterBenchmark(("BM_Replay/" + i.name).c_str(),
                                   [&i](benchmark::State &state) {
                                     for (auto _ : state)
                                       Run(i);
                                   })
          ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_ReplayAllSlowest", BM_ReplayAllSlowest)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  return true;
}();

} // namespace
