// Start-up to the first painted main window, off screen: the design program on
// the sample against a bare Qt main window with a menu bar, a tool bar, an MDI
// area and a status bar (bench_startup_peer), started in turn in one run, the
// first of each pair alternating. A start is timed from the spawn to the
// program's "first paint" line (the design program's view on screen with the
// sample drawn; the peer's MDI area painted); the exit after it apart. The
// processor time the program's threads had used by then is read beside the
// wall time: on a loaded machine it is the steadier of the two.
// Reported: medians of both, their ratios, and the exits.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string ProgramFolder() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string s(path, std::size_t(n));
  return s.substr(0, s.find_last_of('/') + 1);
}

struct Start {
  bool ok = false;
  double paintMs = 0;
  double exitMs = 0;
  double cpuMs = 0;  // of all threads, at the paint
};

// Processor time of every thread of the process so far.
double ProcessorMs(pid_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  DIR* d = opendir(dir.c_str());
  if (!d) return 0;
  double ns = 0;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream f(dir + "/" + e->d_name + "/schedstat");
    double run = 0;
    if (f >> run) ns += run;
  }
  closedir(d);
  return ns / 1e6;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Reads the child's output until `marker` shows (paint) and then until it
// closes (exit), each within 20 s.
Start Launch(const std::vector<std::string>& args, const char* marker) {
  Start s;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return s;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "TINDREL_", 8) != 0) env.push_back(*e);
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("TINDREL_FIRST_PAINT=1");
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const Clock::time_point t0 = Clock::now();
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return s;
  }
  std::string text;
  bool painted = false, closed = false;
  Clock::time_point tPaint{}, tEnd{};
  const Clock::time_point deadline = t0 + std::chrono::seconds(20);
  while (!closed && Clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[512];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) {
      closed = true;
      tEnd = Clock::now();
      break;
    }
    text.append(buf, std::size_t(n));
    if (!painted && text.find(marker) != std::string::npos) {
      painted = true;
      tPaint = Clock::now();
      s.cpuMs = ProcessorMs(pid);
    }
  }
  close(out[0]);
  if (!closed) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (closed) tEnd = std::max(tEnd, Clock::now());
  s.ok = painted && closed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  s.paintMs = Ms(tPaint - t0);
  s.exitMs = Ms(tEnd - tPaint);
  return s;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_FirstPaint(benchmark::State& state) {
  const std::string folder = ProgramFolder();
  const std::string sample = TINDREL_SAMPLE;
  const std::vector<std::string> ours = {folder + "Tindrel", sample};
  const std::vector<std::string> peer = {folder + "bench_startup_peer"};
  if (sample.empty() || access(ours[0].c_str(), X_OK) != 0 || access(peer[0].c_str(), X_OK) != 0) {
    state.SkipWithError("Tindrel or bench_startup_peer not built");
    return;
  }
  std::vector<double> oursPaint, oursExit, oursCpu, peerPaint, peerExit, peerCpu;
  bool oursFirst = true;
  for (auto _ : state) {
    Start a, b;
    if (oursFirst) {
      a = Launch(ours, "Tindrel: first paint");
      b = Launch(peer, "bare: first paint");
    } else {
      b = Launch(peer, "bare: first paint");
      a = Launch(ours, "Tindrel: first paint");
    }
    oursFirst = !oursFirst;
    if (!a.ok || !b.ok) {
      state.SkipWithError(!a.ok ? "Tindrel did not paint and end" : "the peer did not paint and end");
      break;
    }
    state.SetIterationTime(a.paintMs / 1000.0);
    oursPaint.push_back(a.paintMs);
    oursExit.push_back(a.exitMs);
    oursCpu.push_back(a.cpuMs);
    peerPaint.push_back(b.paintMs);
    peerExit.push_back(b.exitMs);
    peerCpu.push_back(b.cpuMs);
  }
  const double o = Median(oursPaint), p = Median(peerPaint);
  state.counters["tindrel_ms"] = o;
  state.counters["bare_qt_ms"] = p;
  state.counters["ratio"] = p > 0 ? o / p : 0;
  const double oc = Median(oursCpu), pc = Median(peerCpu);
  state.counters["tindrel_cpu_ms"] = oc;
  state.counters["bare_qt_cpu_ms"] = pc;
  state.counters["cpu_ratio"] = pc > 0 ? oc / pc : 0;
  state.counters["tindrel_exit_ms"] = Median(oursExit);
  state.counters["bare_qt_exit_ms"] = Median(peerExit);
}
BENCHMARK(BM_FirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);

}  // namespace
