// Resource and command ids of the cut-job manager.
#pragma once
#include "framework/fwdefs.h"

namespace kelvo {

constexpr fw::UINT IDR_MAINFRAME = 128;  // menu, tool bar, title string, icon
constexpr fw::UINT IDB_JOBSTATES = 130;  // run-mode and queued-mark images
constexpr fw::UINT IDD_ABOUTBOX = 100;
constexpr fw::UINT IDC_JOBLIST = fw::AFX_IDW_PANE_FIRST;
constexpr fw::UINT IDC_REBAR = 0xE804;

constexpr fw::UINT ID_JOB_START = 32771;       // one job, run mode 3
constexpr fw::UINT ID_JOB_PAUSE = 32772;
constexpr fw::UINT ID_JOB_ABORT = 32773;
constexpr fw::UINT ID_JOB_DELETE = 32774;
constexpr fw::UINT ID_JOB_CLEAR = 32775;
constexpr fw::UINT ID_PAUSE_ON_PAGE = 32777;
constexpr fw::UINT ID_JOB_SEARCH = 32778;
constexpr fw::UINT ID_NEW_JOB = 32779;
constexpr fw::UINT ID_AUTO_EXIT = 32780;
constexpr fw::UINT ID_NO_EXIT = 32781;
constexpr fw::UINT ID_COPY_INC = 32782;
constexpr fw::UINT ID_COPY_DEC = 32783;
constexpr fw::UINT ID_SEND_COPIES = 32784;     // posted by the program
constexpr fw::UINT ID_NO_AUTOCUT = 32785;
constexpr fw::UINT ID_JOB_START_COPY = 32786;  // one copy, run mode 2
constexpr fw::UINT ID_JOB_START_ALL = 32787;   // all queued jobs, run mode 4
constexpr fw::UINT ID_PURGE_JOBS = 32789;      // sent when the window closes

// Registers the menu, tool bar, strings, bitmaps and the about box (once).
void RegisterKelvoResources();

}  // namespace kelvo
