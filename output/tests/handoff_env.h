// What a run that hands its job to the cut-job manager needs around it:
// reports caught, temporary files and the inter-program folder in a test
// folder, and a stand-in started as "Kelvo" that logs what it is given.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "output/cuthandoff.h"
#include "output/tests/helpers.h"
#include "platform/report.h"

class HandOffEnv {
 protected:
  void BeginHandOff() {
    old_ = plat::SetReportSink(&sink);
    if (const char* t = std::getenv("TMPDIR")) oldTmp_ = t;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    ::setenv("TINDREL_IPC_DIR", (tmp.path() + "ipc").c_str(), 1);
  }
  // Stops every stand-in started and gives the environment back.
  void EndHandOff() {
    std::istringstream log(ReadBytes(tmp / "log"));
    for (std::string line; std::getline(log, line);)
      if (line.rfind("pid ", 0) == 0) ::kill(std::stoi(line.substr(4)), SIGKILL);
    ::unsetenv("STANDIN_LOG");
    ::unsetenv("STANDIN_MODE");
    SetCutManagerFolder("");
    if (oldTmp_.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    ::unsetenv("TINDREL_IPC_DIR");
    plat::SetReportSink(old_);
    fw::ResetWindowSystem();
  }

  // The cut-job manager stand-in, started as "Kelvo".
  void StandIn(const char* mode) {
    const std::string bin = tmp / "bin/";
    ::mkdir(bin.c_str(), 0700);
    ASSERT_EQ(::symlink(TINDREL_BIN_DIR "/cutjob_standin", (bin + "Kelvo").c_str()), 0);
    SetCutManagerFolder(bin, 1500);
    ::setenv("STANDIN_LOG", (tmp / "log").c_str(), 1);
    ::setenv("STANDIN_MODE", mode, 1);
  }
  // The jobs the stand-in was given, one "add" line each.
  std::vector<std::string> Added() {
    std::vector<std::string> out;
    std::istringstream log(ReadBytes(tmp / "log"));
    for (std::string line; std::getline(log, line);)
      if (line.rfind("add ", 0) == 0) out.push_back(line);
    return out;
  }

  plat::RecordingSink sink;
  TempFolder tmp;

 private:
  plat::ReportSink* old_ = nullptr;
  std::string oldTmp_;
};
