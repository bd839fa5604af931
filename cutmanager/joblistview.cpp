#include "cutmanager/joblistview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cutmanager/jobport.h"
#include "cutmanager/kelvoids.h"
#include "framework/app.h"
#include "output/jobfile/cutjob.h"
#include "platform/codepage.h"
#include "platform/font.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/port.h"
#include "platform/report.h"
#include "platform/tempfile.h"
#include "platform/text_out.h"

using namespace fw;

namespace {

const char* const kTextWaiting = "等待";
const char* const kTextStopped = "停止";
const char* const kTextQueuedLeft = "等待切割";
const char* const kTextStandBy = "待命";
const char* const kTextDone = "完成";
const char* const kTextPortError = "错误";
const char* const kTextNoPort = "端口错误";

constexpr int kImageWidth = 16;
constexpr COLORREF kImageMask = plat::RGB(0xC0, 0xC0, 0xC0);

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file the manager may delete: a job file of its own temporary folder.
bool IsTempJobFile(const std::string& path, const char* pattern) {
  std::string folder = plat::GetTempFolder();
  return !folder.empty() && FolderOf(path) == folder && plat::MatchPatternNoCase(NameOf(path), pattern);
}

bool RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  AfxMessageBox("无法删除文件 " + path, plat::MB_OK | plat::MB_ICONEXCLAMATION);
  return false;
}

plat::Font* ListFont() {
  static plat::Font* font = [] {
    plat::LOGFONT lf;
    lf.lfHeight = 14;
    lf.lfWeight = plat::FW_NORMAL;
    lf.lfCharSet = 134;  // GBK
    return plat::CreateFontIndirect(lf);
  }();
  return font;
}

// The text cut from its end, with "...", to fit the width (GBK in the list's font).
std::string FitText(plat::HDC dc, const std::string& gbk, int width) {
  SIZE size{};
  plat::GetTextExtentPoint32(dc, gbk, &size);
  if (size.cx <= width) return gbk;
  std::string t = gbk;
  while (!t.empty()) {
    t.resize(plat::GbkPrefixLength(t, t.size() - 1));
    plat::GetTextExtentPoint32(dc, t + "...", &size);
    if (size.cx <= width) break;
  }
  return t + "...";
}

}  // namespace

bool DeleteJobFiles(const std::string& jobInfoPath, const std::string& dataPath) {
  if (!jobInfoPath.empty() && IsTempJobFile(jobInfoPath, "OSI*.TMP") && !RemoveFile(jobInfoPath)) return false;
  if (!dataPath.empty() && IsTempJobFile(dataPath, "OSD*.TMP") && !RemoveFile(dataPath)) return false;
  return true;
}

FW_IMPLEMENT_DYNAMIC(CJobListView, CWnd)

FW_BEGIN_COMMAND_MAP(CJobListView, CListCtrl)
FW_ON_COMMAND(kelvo::ID_JOB_START_COPY, OnStartCopy)
FW_ON_COMMAND(kelvo::ID_JOB_START, OnStartJob)
FW_ON_COMMAND(kelvo::ID_JOB_START_ALL, OnStartAll)
FW_ON_COMMAND(kelvo::ID_JOB_PAUSE, OnPause)
FW_ON_COMMAND(kelvo::ID_JOB_ABORT, OnAbort)
FW_ON_COMMAND(kelvo::ID_JOB_DELETE, OnDeleteJob)
FW_ON_COMMAND(kelvo::ID_JOB_CLEAR, OnClearJobs)
FW_ON_COMMAND(kelvo::ID_JOB_SEARCH, SearchJobs)
FW_ON_COMMAND(kelvo::ID_COPY_INC, OnIncCopy)
FW_ON_COMMAND(kelvo::ID_COPY_DEC, OnDecCopy)
FW_ON_COMMAND(kelvo::ID_SEND_COPIES, SendCopies)
FW_ON_COMMAND(kelvo::ID_PURGE_JOBS, PurgeStaleJobs)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_JOB_START_COPY, OnUpdateStartCopy)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_JOB_START, OnUpdateStartJob)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_JOB_START_ALL, OnUpdateStartAll)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_JOB_DELETE, OnUpdateRowSelected)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_COPY_INC, OnUpdateRowSelected)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_JOB_CLEAR, OnUpdateClear)
FW_ON_UPDATE_COMMAND_UI(kelvo::ID_COPY_DEC, OnUpdateDecCopy)
FW_END_COMMAND_MAP()

CJobListView::CJobListView() = default;
CJobListView::~CJobListView() = default;

BOOL CJobListView::Create(CWnd* parent, UINT id) {
  RECT rc{};
  if (parent) parent->GetClientRect(&rc);
  DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED;
  if (!CWnd::Create("SysListView32", "", style, rc, parent, id)) return FALSE;
  InsertColumn(0, "Job Names", LVCFMT_LEFT, 200);
  InsertColumn(1, "Status", LVCFMT_LEFT, 60);
  InsertColumn(2, "Copies", LVCFMT_LEFT, 60);
  InsertColumn(3, "File Names", LVCFMT_LEFT, 200);
  if (states_.Create(kelvo::IDB_JOBSTATES, kImageWidth, kImageMask)) SetImageList(&states_, LVSIL_STATE);
  return TRUE;
}

int CJobListView::FindRow(const std::string& path) const {
  for (int i = 0; i < GetItemCount(); ++i)
    if (plat::EqualNoCaseAscii(GetItemText(i, 0), path)) return i;
  return -1;
}

int CJobListView::GetCurrentRow() const { return currentPath_.empty() ? -1 : FindRow(currentPath_); }

void CJobListView::SetCurrentRow(int row) {
  int old = GetCurrentRow();
  currentPath_ = row >= 0 && row < GetItemCount() ? GetItemText(row, 0) : std::string();
  RedrawRow(old);
  RedrawRow(row);
}

int CJobListView::GetSelectedRow() const { return GetNextItem(-1, LVNI_SELECTED); }

int CJobListView::CopiesSent(int row) const { return std::atoi(GetItemText(row, 2).c_str()); }

void CJobListView::SetStatus(int row, const std::string& text) {
  if (row < 0 || row >= GetItemCount()) return;
  SetItemText(row, 1, text);
  history_.emplace_back(GetItemText(row, 0), text);
}

void CJobListView::RedrawRow(int row) {
  RECT r{};
  if (row >= 0 && GetItemRect(row, &r, LVIR_BOUNDS)) InvalidateRect(&r, FALSE);
}

void CJobListView::SelectRow(int row) {
  for (int i = 0; i < GetItemCount(); ++i)
    if (i != row && GetItemState(i, LVIS_SELECTED | LVIS_FOCUSED)) SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0) SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CJobListView::AddJobFromAtom(unsigned atom, std::uint32_t itemData) {
  std::string path;
  if (!plat::GlobalGetAtomName(plat::ATOM(atom), path) || path.size() > kMaxCutJobInfoPath) return 0;
  // The atom goes only once the job is listed, so a refused job stays refused.
  int known = FindRow(path);
  if (!AddJobRow(path, itemData)) return 0;
  if (known >= 0 && CopiesRequested(GetItemData(known)) == 0 && !(GetItemData(known) & kQueued)) {
    // Listed by a search before it arrived: it takes the copies asked for now.
    SetItemData(known, itemData);
    SetStatus(known, CopiesRequested(itemData) ? kTextWaiting : kTextStopped);
  }
  plat::GlobalDeleteAtom(plat::ATOM(atom));
  if (GetCurrentRow() < 0) {
    m_nRunMode = kOneCopy;
    SetCurrentRow(FindRow(path));
    PostMessage(WM_COMMAND, kelvo::ID_SEND_COPIES, 0);
  }
  return 1;
}

int CJobListView::AddJobRow(const std::string& path, std::uint32_t itemData) {
  CCutJob job;
  if (!ReadCutJobHeader(job, path.c_str())) return 0;
  if (FindRow(path) >= 0) return 1;
  int row = InsertItem(GetItemCount(), path);
  SetItemData(row, itemData);
  SetStatus(row, CopiesRequested(itemData) ? kTextWaiting : kTextStopped);
  SetItemText(row, 2, "0");
  SetItemText(row, 3, plat::GbkToUtf8(job.name));
  dataNames_[path] = plat::GbkToUtf8(NameOf(job.dataPath));
  return 1;
}

std::string CJobListView::ShownJobName(int row) const {
  std::string name = GetItemText(row, 3);
  if (!name.empty()) return name;
  auto it = dataNames_.find(GetItemText(row, 0));
  return it != dataNames_.end() ? it->second : NameOf(GetItemText(row, 0));
}

void CJobListView::SearchJobs() {
  std::string folder = plat::GetTempFolder();
  if (folder.empty()) return;
  for (const std::string& name : plat::ListFolderNoCase(folder, "OSI*.TMP")) AddJobRow(folder + name, 2);
}

void CJobListView::StartRun(int mode) {
  if (m_nRunMode >= kPaused && m_nRunMode <= kAllJobs) {
    m_nRunMode = mode;
    RedrawRow(GetCurrentRow());
    return;
  }
  int row = GetSelectedRow();
  if (row < 0) return;
  std::uintptr_t data = GetItemData(row);
  int sent = CopiesSent(row);
  if (sent >= CopiesRequested(data)) data = (std::uintptr_t(std::min(sent + 1, 0xFFFF)) << 16) | (data & 0xFFFF);
  SetItemData(row, data | kQueued);
  RefreshStatus(row);
  if (GetCurrentRow() < 0) {
    SetCurrentRow(row);
    m_nRunMode = mode;
    PostMessage(WM_COMMAND, kelvo::ID_SEND_COPIES, 0);
    if (mode == kOneCopy || mode == kOneJob) plat::MessageBeep(plat::MB_OK);
  }
  RedrawRow(row);
}

void CJobListView::SendCopies() {
  if (copying_) {
    sendPending_ = true;  // one copy at a time: the command runs again when this one ends
    return;
  }
  int row = GetCurrentRow();
  if (row < 0) return;
  copying_ = true;
  SelectRow(row);
  SetFocus();
  const std::string path = GetItemText(row, 0);
  int n = CopiesSent(row);
  bool portError = false;
  for (;;) {
    row = FindRow(path);
    if (row < 0 || GetCurrentRow() != row || n >= CopiesRequested(GetItemData(row))) break;
    SetItemText(row, 2, std::to_string(n + 1));
    if (m_nRunMode == kStopped) {
      SetItemText(row, 2, std::to_string(n));
      break;
    }
    CopyResult result = SendOneCopy(path);
    row = FindRow(path);
    if (result == CopyResult::PortError || result == CopyResult::NoPort) {
      if (row >= 0) {
        SetItemText(row, 2, std::to_string(n));
        SetStatus(row, result == CopyResult::NoPort ? kTextNoPort : kTextPortError);
      }
      portError = true;
      break;
    }
    ++n;
    if (m_nRunMode == kOneCopy || m_nRunMode == kStopped) break;
  }
  copying_ = false;
  if (portError) {
    EndOfRun();
  } else if (m_nRunMode == kOneCopy || m_nRunMode == kOneJob) {
    EndOfRun();
  } else if (m_nRunMode == kAllJobs) {
    int next = NextQueuedRow(GetCurrentRow());
    if (next >= 0) {
      SetCurrentRow(next);
      PostMessage(WM_COMMAND, kelvo::ID_SEND_COPIES, 0);
    } else {
      EndOfRun();
    }
  }
  if (sendPending_) {
    sendPending_ = false;
    PostMessage(WM_COMMAND, kelvo::ID_SEND_COPIES, 0);
  }
}

void CJobListView::EndOfRun() {
  SendMessage(WM_COMMAND, kelvo::ID_JOB_ABORT, 0);
  if (CWnd* main = AfxGetMainWnd()) main->BringWindowToTop();
  for (int i = 0; i < 5; ++i) plat::MessageBeep(plat::MB_OK);
}

int CJobListView::NextQueuedRow(int after) const {
  for (int i = after + 1; i < GetItemCount(); ++i)
    if (GetItemData(i) & kQueued) return i;
  return -1;
}

CJobListView::CopyResult CJobListView::SendOneCopy(const std::string& path) {
  CCutJob job;
  if (!ReadCutJobHeader(job, path.c_str())) return CopyResult::Skipped;
  // A job names a COM or LPT port, or "FILE"; any other text is refused.
  if (plat::GetPortCode(job.header.portName) < 0) return CopyResult::NoPort;
  int fd = ::open(job.dataPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return CopyResult::Skipped;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return CopyResult::Skipped;
  }
  const std::uint64_t length = std::uint64_t(st.st_size);
  const std::size_t piece = std::size_t(std::clamp<std::uint64_t>(length / 100, 20, 200));
  CJobPort port;
  port.SetPortName(job.header.portName);
  if (!port.Open(job.header.OutMethod, this, &m_nStopFlag)) {
    port.Close();
    ::close(fd);
    return CopyResult::PortError;
  }
  char buffer[210];
  std::uint64_t sent = 0;
  bool failed = false;
  for (;;) {
    std::size_t got = 0;
    while (got < piece) {
      ssize_t k = ::read(fd, buffer + got, piece - got);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) break;
      got += std::size_t(k);
    }
    if (got == 0) break;
    if (int row = FindRow(path); row >= 0) {
      SetStatus(row, std::to_string(length ? sent * 100 / length : 0) + "/100");
      UpdateWindow();
    }
    if (!port.WriteText(buffer, got)) {
      failed = true;
      break;
    }
    sent += got;
    if (m_nStopFlag) break;
  }
  ::close(fd);
  port.Close();
  if (failed) return CopyResult::PortError;
  if (int row = FindRow(path); row >= 0) {
    SetStatus(row, kTextDone);
    UpdateWindow();
  }
  return CopyResult::Sent;
}

void CJobListView::OnPause() {
  if (m_nRunMode < kOneCopy || m_nRunMode > kAllJobs) return;
  m_nRunMode = kPaused;
  RedrawRow(GetCurrentRow());
}

void CJobListView::OnAbort() {
  if (m_nRunMode < kPaused || m_nRunMode > kAllJobs) return;
  m_nRunMode = kStopped;
  m_nStopFlag = 1;
  Invalidate(FALSE);
  SetCurrentRow(-1);
}

void CJobListView::OnDeleteJob() {
  int row = GetSelectedRow();
  if (row < 0) return;
  if (row == GetCurrentRow()) {
    m_nRunMode = kStopped;
    m_nStopFlag = 1;  // a copy in progress stops before its files go
    SetCurrentRow(-1);
  }
  CCutJob job;
  if (ReadCutJobHeader(job, GetItemText(row, 0).c_str()) && !DeleteJobFiles(job.jobInfoPath, job.dataPath)) return;
  m_nRunMode = kStopped;
  DeleteItem(row);
}

void CJobListView::OnClearJobs() {
  m_nRunMode = kStopped;
  m_nStopFlag = 1;
  SetCurrentRow(-1);
  while (GetItemCount() > 0) {
    CCutJob job;
    if (ReadCutJobHeader(job, GetItemText(0, 0).c_str()) && !DeleteJobFiles(job.jobInfoPath, job.dataPath)) return;
    DeleteItem(0);
  }
}

void CJobListView::OnIncCopy() {
  int row = GetSelectedRow();
  if (row < 0) return;
  std::uintptr_t data = GetItemData(row);
  int copies = std::min(CopiesRequested(data) + 1, 0xFFFF);
  SetItemData(row, (std::uintptr_t(copies) << 16) | (data & 0xFFFF));
  RefreshStatus(row);
}

void CJobListView::OnDecCopy() {
  int row = GetSelectedRow();
  if (row < 0) return;
  std::uintptr_t data = GetItemData(row);
  if (CopiesSent(row) >= CopiesRequested(data)) return;
  SetItemData(row, (std::uintptr_t(CopiesRequested(data) - 1) << 16) | (data & 0xFFFF));
  RefreshStatus(row);
}

void CJobListView::RefreshStatus(int row) {
  if (row < 0 || row >= GetItemCount()) return;
  int sent = CopiesSent(row);
  SetItemText(row, 2, std::to_string(sent));
  std::uintptr_t data = GetItemData(row);
  if (sent >= CopiesRequested(data))
    SetStatus(row, kTextDone);
  else
    SetStatus(row, (data & kQueued) ? kTextQueuedLeft : kTextStandBy);
}

void CJobListView::PurgeStaleJobs() {
  std::string folder = plat::GetTempFolder();
  if (folder.empty()) return;
  for (const std::string& name : plat::ListFolderNoCase(folder, "OSI*.TMP")) {
    std::string path = folder + name;
    if (FindRow(path) >= 0) continue;
    CCutJob job;
    if (ReadCutJobHeader(job, path.c_str())) DeleteJobFiles(path, job.dataPath);
  }
}

void CJobListView::OnUpdateStartCopy(CCmdUI* ui) { ui->Enable(m_nRunMode != kOneCopy); }
void CJobListView::OnUpdateStartJob(CCmdUI* ui) { ui->Enable(m_nRunMode != kOneJob); }
void CJobListView::OnUpdateStartAll(CCmdUI* ui) { ui->Enable(m_nRunMode != kAllJobs); }
void CJobListView::OnUpdateRowSelected(CCmdUI* ui) { ui->Enable(GetSelectedRow() >= 0); }
void CJobListView::OnUpdateClear(CCmdUI* ui) { ui->Enable(GetItemCount() > 0); }
void CJobListView::OnUpdateDecCopy(CCmdUI* ui) {
  int row = GetSelectedRow();
  ui->Enable(row >= 0 && CopiesSent(row) < CopiesRequested(GetItemData(row)));
}

void CJobListView::OnLButtonDown(UINT flags, POINT pt) {
  CListCtrl::OnLButtonDown(flags, pt);
  int row = HitTest(pt);
  if (row < 0 || row == GetCurrentRow()) return;
  RECT label{};
  GetItemRect(row, &label, LVIR_LABEL);
  if (pt.x >= label.left + kImageWidth) return;
  SetItemData(row, GetItemData(row) ^ kQueued);
  RedrawRow(row);
}

void CJobListView::DrawItem(DRAWITEMSTRUCT* dis) {
  plat::HDC dc = dis->hDC;
  const int row = int(dis->itemID);
  if (!dc || row < 0 || row >= GetItemCount()) return;
  RECT bounds = dis->rcItem;
  RECT label{};
  GetItemRect(row, &label, LVIR_LABEL);
  const bool selected = GetItemState(row, LVIS_SELECTED) && (GetFocus() == this || (GetStyle() & LVS_SHOWSELALWAYS));
  COLORREF back = selected ? plat::RGB(0, 0, 128) : plat::RGB(255, 255, 255);
  COLORREF fore = selected ? plat::RGB(255, 255, 255) : plat::RGB(0, 0, 0);
  dc->FillSolidRect(bounds, back);
  POINT at{bounds.left, bounds.top};
  if (row == GetCurrentRow()) states_.Draw(dc, std::clamp(m_nRunMode, 0, 4), at, ILD_TRANSPARENT);
  at.x += kImageWidth;
  states_.Draw(dc, (GetItemData(row) & kQueued) ? 6 : 5, at, ILD_TRANSPARENT);
  plat::Font* old = dc->SelectFont(ListFont());
  dc->SetBkMode(plat::TRANSPARENT);
  dc->SetTextColor(fore);
  int x = label.left + kImageWidth;
  int right = bounds.left;
  for (int col = 0; col < GetColumnCount(); ++col) {
    right += GetColumnWidth(col);
    std::string text = col == 0 ? ShownJobName(row) : GetItemText(row, col);
    if (col == 2) text += "/" + std::to_string(CopiesRequested(GetItemData(row)));
    int width = right - x - 4;
    if (width > 0) plat::TextOut(dc, x + 2, bounds.top + 1, FitText(dc, plat::Utf8ToGbk(text), width));
    x = right;
  }
  dc->SelectFont(old);
  if (GetItemState(row, LVIS_FOCUSED)) {
    // The focus frame: the row's edge inverted.
    int oldRop = dc->SetROP2(plat::R2_NOT);
    dc->MoveTo(bounds.left, bounds.top);
    dc->LineTo(bounds.right - 1, bounds.top);
    dc->LineTo(bounds.right - 1, bounds.bottom - 1);
    dc->LineTo(bounds.left, bounds.bottom - 1);
    dc->LineTo(bounds.left, bounds.top);
    dc->SetROP2(oldRop);
  }
}
