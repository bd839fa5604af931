// The job list: one row per job-info file in the temporary folder, with its status,
// copies and name; the run control that picks the job and copy sent next, and the
// sender of one copy to the job's port.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/imagelist.h"

class CJobListView : public fw::CListCtrl {
  FW_DECLARE_DYNAMIC(CJobListView)

 public:
  // Run modes.
  static constexpr int kStopped = 0, kPaused = 1, kOneCopy = 2, kOneJob = 3, kAllJobs = 4;
  // Item data: copies requested in the high 16 bits, bit 0 queued.
  static constexpr std::uint32_t kQueued = 1;
  enum class CopyResult { Sent, Skipped, PortError, NoPort };

  CJobListView();
  ~CJobListView() override;
  // The report list with its four columns and state images, filling the parent.
  fw::BOOL Create(fw::CWnd* parent, fw::UINT id);

  int m_nRunMode = kStopped;
  std::uint32_t m_nStopFlag = 1;  // 0 while a copy is written

  // The row of the job being sent (kept by its job-info path), -1 for none.
  int GetCurrentRow() const;
  void SetCurrentRow(int row);
  // The row whose column 0 is the path (case ignored), -1 for none.
  int FindRow(const std::string& path) const;

  int AddJobFromAtom(unsigned atom, std::uint32_t itemData);
  int AddJobRow(const std::string& path, std::uint32_t itemData);
  void SearchJobs();
  void StartRun(int mode);
  void SendCopies();
  CopyResult SendOneCopy(const std::string& path);
  void OnPause();
  void OnAbort();
  void OnDeleteJob();
  void OnClearJobs();
  void OnIncCopy();
  void OnDecCopy();
  void PurgeStaleJobs();
  int NextQueuedRow(int after) const;
  bool IsCopying() const { return copying_; }

  static int CopiesRequested(std::uintptr_t data) { return int((data >> 16) & 0xFFFF); }
  int CopiesSent(int row) const;
  void RefreshStatus(int row);
  int GetSelectedRow() const;
  // Every text shown in column 1, in order (row path, text).
  const std::vector<std::pair<std::string, std::string>>& StatusHistory() const { return history_; }
  void ClearStatusHistory() { history_.clear(); }

  // What column 0 shows: the design's name the job carries, else its data file's
  // name; never the temporary folder the row's path lies in.
  std::string ShownJobName(int row) const;
  void DrawItem(fw::DRAWITEMSTRUCT* dis) override;
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;

 protected:
  void OnUpdateStartCopy(fw::CCmdUI* ui);
  void OnUpdateStartJob(fw::CCmdUI* ui);
  void OnUpdateStartAll(fw::CCmdUI* ui);
  void OnUpdateRowSelected(fw::CCmdUI* ui);
  void OnUpdateClear(fw::CCmdUI* ui);
  void OnUpdateDecCopy(fw::CCmdUI* ui);
  void OnStartCopy() { StartRun(kOneCopy); }
  void OnStartJob() { StartRun(kOneJob); }
  void OnStartAll() { StartRun(kAllJobs); }
  FW_DECLARE_COMMAND_MAP()

 private:
  void SetStatus(int row, const std::string& text);
  void EndOfRun();
  void RedrawRow(int row);
  void SelectRow(int row);
  std::string currentPath_;
  std::map<std::string, std::string> dataNames_;  // job-info path -> data file name
  bool copying_ = false;
  bool sendPending_ = false;
  fw::CImageList states_;
  std::vector<std::pair<std::string, std::string>> history_;
};

// Deletes a job's files: only "OSI*.TMP" and "OSD*.TMP" files of the temporary folder
// are touched; a missing file is no error. False when a file could not be removed.
bool DeleteJobFiles(const std::string& jobInfoPath, const std::string& dataPath);
