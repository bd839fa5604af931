// A stand-in for the cut-job manager, started by the hand-off tests as "Kelvo".
// STANDIN_MODE: "take" reads and keeps the job, "ignore" leaves the atom, "die" ends
// without answering. Every message and job goes as a line into STANDIN_LOG.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "framework/remote.h"
#include "framework/wnd.h"
#include "output/jobfile/cutjob.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/tempfile.h"
#include "platform/process.h"

namespace {

std::string g_mode;

void Log(const std::string& line) {
  if (const char* path = std::getenv("STANDIN_LOG")) {
    if (FILE* f = std::fopen(path, "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }
}

// Atoms of every job-info file in the temporary folder, as a crashed run leaves them.
void LeaveStaleAtoms() {
  std::string folder = plat::GetTempFolder();
  for (const std::string& name : plat::ListFolderNoCase(folder, "OSI*.TMP")) plat::GlobalAddAtom(folder + name);
}

class Manager : public fw::CWnd {
 public:
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override {
    if (msg == WM_CUTJOB_BEGIN) {
      Log("begin");
      if (g_mode == "stale") LeaveStaleAtoms();
    }
    if (msg == WM_CUTJOB_END) Log("end");
    if (msg == WM_CUTJOB_ADD) {
      if (g_mode == "die") ::_exit(3);
      if (g_mode == "ignore") {
        Log("ignored");
        return 0;
      }
      std::string path;
      if (!plat::GlobalGetAtomName(plat::ATOM(wp), path)) return 0;
      plat::GlobalDeleteAtom(plat::ATOM(wp));
      CCutJob job;
      if (!ReadCutJobHeader(job, path.c_str())) return 0;
      Log("add " + std::to_string(lp) + " " + job.header.portName + " " + job.name + " " + job.dataPath);
      return 1;
    }
    return CWnd::WindowProc(msg, wp, lp);
  }
};

}  // namespace

int main() {
  const char* mode = std::getenv("STANDIN_MODE");
  g_mode = mode ? mode : "take";
  Log("pid " + std::to_string(::getpid()));
  Manager w;
  std::string title = g_mode == "notitle" ? "Someone else" : kCutManagerTitle;
  w.CreateEx(0, "", title, fw::WS_OVERLAPPED, fw::RECT{0, 0, 500, 180}, nullptr, 0);
  if (!fw::PublishTopLevelWindows()) return 1;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    if (!fw::PumpMessage()) {
      plat::InputIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  fw::PublishTopLevelWindows(fw::FALSE);
  return 0;
}
