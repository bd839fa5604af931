#include "output/cuthandoff.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "framework/remote.h"
#include "framework/wnd.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/report.h"
#include "platform/tempfile.h"

namespace {

std::string g_managerFolder;
int g_waitMs = 10000;

void DeleteJobFiles(const CCutJob& job) {
  if (!job.jobInfoPath.empty()) ::unlink(job.jobInfoPath.c_str());
  if (!job.dataPath.empty()) ::unlink(job.dataPath.c_str());
}

// Searches for the manager's window until it shows (ten seconds at most), pumping meanwhile.
bool WaitForManager(CCutJob& job) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_waitMs);
  while (!FindCutManagerWindow(job)) {
    if (std::chrono::steady_clock::now() >= end) return false;
    fw::PumpPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace

void SetCutManagerFolder(const std::string& folder, int waitMs) {
  g_managerFolder = folder;
  g_waitMs = waitMs;
}

std::uint32_t FindCutManagerWindow(CCutJob& job) {
  job.managerWindow = fw::FindWindow(nullptr, kCutManagerTitle);
  return job.managerWindow;
}

int SendJobToCutManager(CCutJob& job) {
  if (!WriteCutJobFile(job)) {
    // A path the file cannot hold would reach the manager cut: the job is refused.
    std::string folder = plat::GetTempFolder();
    if (job.dataPath.size() > kMaxCutJobDataPath || folder.size() + 11 > kMaxCutJobInfoPath) DeleteJobFiles(job);
    return 0;
  }
  if (!FindCutManagerWindow(job)) {
    std::string folder = g_managerFolder.empty() ? plat::GetProgramFolder() : g_managerFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::string program = folder + kCutManagerProgram;
    if (plat::WinExec(program, 1 /* shown normally */) <= 31) {
      plat::MessageBox("运行 " + program + " 错误", "错误", plat::MB_OK);
      DeleteJobFiles(job);
      return 0;
    }
    if (!WaitForManager(job)) {
      DeleteJobFiles(job);
      return 0;
    }
  }
  fw::HWND manager = job.managerWindow;
  fw::SendMessage(manager, WM_CUTJOB_BEGIN, 0, 0);
  fw::BringWindowToTop(manager);
  // An atom of the same name left behind would count this one twice.
  for (int i = 0; i < 0x4000; ++i) {
    plat::ATOM stale = plat::GlobalFindAtom(job.jobInfoPath);
    if (!stale || plat::GlobalDeleteAtom(stale) != 0) break;
  }
  plat::ATOM atom = plat::GlobalAddAtom(job.jobInfoPath);
  if (atom) fw::SendMessage(manager, WM_CUTJOB_ADD, atom, 1);
  int result = 1;
  if (!atom || plat::GlobalFindAtom(job.jobInfoPath)) {
    DeleteJobFiles(job);
    if (atom) plat::GlobalDeleteAtom(atom);
    plat::MessageBox("数据发送失败", "错误!", plat::MB_OK);
    result = 0;
  }
  fw::SendMessage(manager, WM_CUTJOB_END, 0, 0);
  return result;
}
