// Handing a finished command stream to the cut-job manager: the job-info file, a
// global atom naming it and three messages to the manager's main window.
#pragma once
#include <string>

#include "output/jobfile/cutjob.h"

// The manager's main window by its exact title, kept in the record; 0 when none.
std::uint32_t FindCutManagerWindow(CCutJob& job);

// Writes the job-info file and hands the job over, starting the manager when it is
// not running. 1 when the manager took the job; 0 otherwise (the files are deleted,
// except the data file when the job-info file could not be made).
int SendJobToCutManager(CCutJob& job);

// The folder the manager's program is started from ("" : the program's own folder),
// and how long a started manager's window is searched for.
void SetCutManagerFolder(const std::string& folder, int waitMs = 10000);
