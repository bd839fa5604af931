// links: tindrel_cutmanager tindrel_output
// The cut-job manager on a 115200-baud line: one copy of a 256 KB job through a
// pseudo-terminal whose far end is read at 11,520 bytes/s. line_busy is the bytes
// received over what the far end's reads could take until the last one. Then the time of
// one hand-off from the design program to a manager that is already running.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "cutmanager/kelvoapp.h"
#include "cutmanager/kelvoids.h"
#include "cutmanager/mainframe.h"
#include "framework/remote.h"
#include "output/cuthandoff.h"
#include "output/jobfile/cutjob.h"
#include "platform/ipc.h"
#include "bench_serial_line.h"

namespace {

// Private temporary and shared folders for the run.
struct Folders {
  std::string dir;
  Folders() {
    char tmpl[] = "/tmp/tindrel-kelvo-bench-XXXXXX";
    dir = std::string(::mkdtemp(tmpl)) + "/";
    ::setenv("TMPDIR", dir.c_str(), 1);
    ::setenv("TINDREL_IPC_DIR", (dir + "ipc").c_str(), 1);
  }
  ~Folders() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

CCutJob MakeJob(const std::string& data) {
  CCutJob job;
  job.header.SetPortName("COM1");
  job.name = "Bench";
  job.dataPath = MakeCutJobDataFile();
  std::ofstream(job.dataPath, std::ios::binary) << data;
  WriteCutJobFile(job);
  return job;
}

void BM_KelvoCopyOnALine(benchmark::State& state) {
  const std::size_t size = std::size_t(state.range(0));
  Folders folders;
  SerialLine line;
  if (!line.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  kelvo::RegisterKelvoResources();
  CMainFrame frame;
  frame.Create();
  CJobListView& list = frame.m_wndJobList;
  const CCutJob job = MakeJob(std::string(size, 'x'));
  list.AddJobRow(job.jobInfoPath, (1u << 16) | 3);
  double busy = 0.0;
  for (auto _ : state) {
    busy = line.Busy(size, [&] {
      if (list.SendOneCopy(job.jobInfoPath) != CJobListView::CopyResult::Sent) state.SkipWithError("copy");
    });
  }
  frame.DestroyWindow();
  state.counters["line_busy"] = busy;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_KelvoCopyOnALine)->Arg(256 * 1024)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A headless manager in a child process; its jobs go to /dev/null.
void BM_HandOffToARunningManager(benchmark::State& state) {
  Folders folders;
  ::setenv("TINDREL_PORT_DEVICES", "COM1=/dev/null", 1);
  pid_t child = ::fork();
  if (child == 0) ::_exit(RunKelvo(0, nullptr));
  CCutJob probe;
  for (int i = 0; i < 500 && !FindCutManagerWindow(probe); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!probe.managerWindow) state.SkipWithError("no manager");
  for (auto _ : state) {
    CCutJob job = MakeJob("IN;PU0,0;PD10,10;");
    if (SendJobToCutManager(job) != 1) state.SkipWithError("hand-off");
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::unsetenv("TINDREL_PORT_DEVICES");
}
BENCHMARK(BM_HandOffToARunningManager)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
