#include "framework/app.h"

#include <poll.h>

#include "platform/process.h"
#include "platform/remote.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "framework/dialog.h"

namespace fw {

namespace {
CWinApp* g_app = nullptr;

bool EqualNoCase(const std::string& a, const char* b) {
  size_t n = 0;
  for (; b[n]; ++n) {
    if (n >= a.size()) return false;
    char x = a[n], y = b[n];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return n == a.size();
}
}  // namespace

// Profile in memory.

int MemoryProfile::GetInt(const std::string& section, const std::string& entry, int def) {
  auto s = values.find(section);
  if (s == values.end()) return def;
  auto e = s->second.find(entry);
  if (e == s->second.end()) return def;
  try {
    return std::stoi(e->second);
  } catch (...) {
    return def;
  }
}

BOOL MemoryProfile::WriteInt(const std::string& section, const std::string& entry, int value) {
  values[section][entry] = std::to_string(value);
  return TRUE;
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& entry, const std::string& def) {
  auto s = values.find(section);
  if (s == values.end()) return def;
  auto e = s->second.find(entry);
  return e == s->second.end() ? def : e->second;
}

BOOL MemoryProfile::WriteString(const std::string& section, const std::string& entry, const std::string& value) {
  values[section][entry] = value;
  return TRUE;
}

int UserProfileStore::GetInt(const std::string& section, const std::string& entry, int def) {
  return profile_.GetInt(section.c_str(), entry.c_str(), def);
}
BOOL UserProfileStore::WriteInt(const std::string& section, const std::string& entry, int value) {
  return profile_.WriteInt(section.c_str(), entry.c_str(), value);
}
std::string UserProfileStore::GetString(const std::string& section, const std::string& entry, const std::string& def) {
  return profile_.GetString(section.c_str(), entry.c_str(), def.c_str());
}
BOOL UserProfileStore::WriteString(const std::string& section, const std::string& entry, const std::string& value) {
  return profile_.WriteString(section.c_str(), entry.c_str(), value.c_str());
}

// Recent files.

CRecentFileList::CRecentFileList(UINT start, const std::string& section, const std::string& entryFormat, int size)
    : start_(start), section_(section), entryFormat_(entryFormat), size_(size < 0 ? 0 : size) {}

void CRecentFileList::Add(const std::string& path) {
  if (size_ == 0 || path.empty()) return;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i] == path) {
      entries_.erase(entries_.begin() + long(i));
      break;
    }
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > size_t(size_)) entries_.resize(size_t(size_));
}

void CRecentFileList::Remove(int index) {
  if (index >= 0 && size_t(index) < entries_.size()) entries_.erase(entries_.begin() + index);
}

namespace {
std::string EntryName(const std::string& format, int n) {
  std::string out;
  size_t p = format.find("%d");
  if (p == std::string::npos) return format + std::to_string(n);
  return format.substr(0, p) + std::to_string(n) + format.substr(p + 2);
}
}  // namespace

void CRecentFileList::ReadList(ProfileStore& profile) {
  entries_.clear();
  for (int i = 0; i < size_; ++i) {
    std::string s = profile.GetString(section_, EntryName(entryFormat_, i + 1), "");
    if (!s.empty()) entries_.push_back(s);
  }
}

void CRecentFileList::WriteList(ProfileStore& profile) const {
  for (int i = 0; i < size_; ++i)
    profile.WriteString(section_, EntryName(entryFormat_, i + 1), size_t(i) < entries_.size() ? entries_[size_t(i)] : "");
}

void CRecentFileList::UpdateMenu(CCmdUI* ui) {
  if (!ui->m_pMenu) {
    ui->Enable(!entries_.empty());
    return;
  }
  CMenu* m = ui->m_pMenu;
  UINT first = ID_FILE_MRU_FILE1 + start_;
  for (int i = 1; i < size_; ++i) m->DeleteMenu(first + UINT(i), MF_BYCOMMAND);
  if (entries_.empty()) {
    m->ModifyMenu(ui->m_nIndex, MF_BYPOSITION | MF_STRING | MF_GRAYED, first, "Recent File");
    ui->m_bEnableChanged = TRUE;
    return;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    std::string text = "&" + std::to_string(i + 1) + " " + entries_[i];
    if (i == 0)
      m->ModifyMenu(ui->m_nIndex, MF_BYPOSITION | MF_STRING, first, text);
    else
      m->InsertMenu(ui->m_nIndex + UINT(i), MF_BYPOSITION | MF_STRING, first + UINT(i), text);
  }
  ui->m_bEnableChanged = TRUE;
}

// Command line.

void CCommandLineInfo::ParseParam(const std::string& param, BOOL flag, BOOL) {
  if (flag) {
    if (EqualNoCase(param, "pt"))
      m_nShellCommand = FilePrintTo;
    else if (EqualNoCase(param, "p"))
      m_nShellCommand = FilePrint;
    else if (EqualNoCase(param, "dde"))
      m_nShellCommand = FileDDE;
    else if (EqualNoCase(param, "unregister") || EqualNoCase(param, "unregserver"))
      m_nShellCommand = AppUnregister;
    else if (EqualNoCase(param, "embedding"))
      m_bRunEmbedded = TRUE, m_bShowSplash = FALSE;
    else if (EqualNoCase(param, "automation"))
      m_bRunAutomated = TRUE, m_bShowSplash = FALSE;
    return;
  }
  if (m_strFileName.empty()) {
    m_strFileName = param;
    if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
  } else if (m_nShellCommand == FilePrintTo && m_strPrinterName.empty()) {
    m_strPrinterName = param;
  }
}

// Application.

FW_IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

FW_BEGIN_COMMAND_MAP(CWinApp, CCmdTarget)
FW_ON_COMMAND(ID_APP_EXIT, OnAppExit)
FW_ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, OnOpenRecentFile)
FW_ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
FW_END_COMMAND_MAP()

CWinApp::CWinApp(const std::string& appName) : m_pszAppName(appName.empty() ? "App" : appName) {
  m_pszProfileName = m_pszAppName;
  profile_ = &memoryProfile_;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (m_pMainWnd) {
    CWnd* w = m_pMainWnd;
    m_pMainWnd = nullptr;
    if (w->m_hWnd) w->DestroyWindow();
  }
  templates_.clear();
  if (userProfile_ && plat::GetAppProfile() == userProfile_.get()) plat::SetAppProfile(nullptr);
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

int AfxMessageBox(const std::string& text, UINT type) {
  return plat::MessageBox(text, g_app ? g_app->m_pszAppName : std::string(), type);
}

int CWinApp::ExitInstance() {
  if (recent_) recent_->WriteList(GetProfileStore());
  return QuitCode();
}

BOOL CWinApp::OnIdle(LONG count) {
  if (count == 0)
    if (auto* f = dynamic_cast<CFrameWnd*>(m_pMainWnd)) f->UpdateControlBars(TRUE);
  return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG*) { return FALSE; }

void CWinApp::WinHelp(DWORD data, UINT cmd) {
  helpRequests_.push_back(HelpRequest{data, cmd});
  if (m_helpHandler) m_helpHandler(m_pszHelpFilePath, data, cmd);
}

int CWinApp::Run() {
  LONG idle = 0;
  bool idleDone = false;
  for (;;) {
    if (PumpMessage()) {
      idle = 0;
      idleDone = false;
      continue;
    }
    if (QuitReceived()) break;
    if (!idleDone) {
      while (OnIdle(idle++)) {
      }
      idleDone = true;
      plat::InputIdle();  // a program waiting for our start goes on now
      if (QuitReceived()) break;
      continue;
    }
    if (PostedMessageCount() == 0) {
      long delay = NextTimerDelay();
      if (m_idleWait) {
        m_idleWait(delay);
      } else if (HostLoop* host = GetHostLoop()) {
        host->Wait(delay);
      } else if (int fd = plat::MessageServerFd(); fd >= 0) {
        pollfd pf{fd, POLLIN, 0};
        ::poll(&pf, 1, delay < 0 || delay > 10 ? 10 : int(delay));
      } else {
        long ms = delay < 0 || delay > 10 ? 10 : delay;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      }
    }
  }
  return ExitInstance();
}

void CWinApp::SetRegistryKey(const std::string& company) {
  m_pszRegistryKey = company;
  m_pszProfileName = m_pszAppName;
  if (plat::GetAppProfile() == userProfile_.get()) plat::SetAppProfile(nullptr);
  userProfile_ = std::make_unique<plat::UserProfile>(company, m_pszProfileName);
  userStore_ = std::make_unique<UserProfileStore>(*userProfile_);
  plat::SetAppProfile(userProfile_.get());
  if (!profileSetExplicitly_) profile_ = userStore_.get();
}

void CWinApp::LoadStdProfileSettings(UINT maxMRU) {
  if (maxMRU == 0) return;
  recent_ = std::make_unique<CRecentFileList>(0, "Recent File List", "File%d", int(maxMRU > 16 ? 16 : maxMRU));
  recent_->ReadList(GetProfileStore());
}

void CWinApp::SetProfileStore(ProfileStore* store) {
  profileSetExplicitly_ = store != nullptr;
  profile_ = store ? store : (userStore_ ? static_cast<ProfileStore*>(userStore_.get()) : &memoryProfile_);
}
ProfileStore& CWinApp::GetProfileStore() { return *profile_; }

int CWinApp::GetProfileInt(const std::string& section, const std::string& entry, int def) {
  return profile_->GetInt(section, entry, def);
}
BOOL CWinApp::WriteProfileInt(const std::string& section, const std::string& entry, int value) {
  return profile_->WriteInt(section, entry, value);
}
std::string CWinApp::GetProfileString(const std::string& section, const std::string& entry, const std::string& def) {
  return profile_->GetString(section, entry, def);
}
BOOL CWinApp::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) {
  return profile_->WriteString(section, entry, value);
}

void CWinApp::AddDocTemplate(CDocTemplate* tmpl) {
  if (tmpl) templates_.emplace_back(tmpl);
}

int CWinApp::GetOpenDocumentCount() const {
  int n = 0;
  for (const auto& t : templates_) n += t->GetOpenDocumentCount();
  return n;
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path) {
  for (const auto& t : templates_)
    for (CDocument* d : t->GetDocuments())
      if (d->GetPathName() == path) {
        if (!d->GetViews().empty())
          if (CFrameWnd* f = d->GetViews().front()->GetParentFrame()) f->ActivateFrame(-1);
        return d;
      }
  if (templates_.empty()) return nullptr;
  return templates_.front()->OpenDocumentFile(path.c_str());
}

void CWinApp::AddToRecentFileList(const std::string& path) {
  if (recent_) recent_->Add(path);
}

BOOL CWinApp::SaveAllModified(CDocument* first) {
  if (first && !first->SaveModified()) return FALSE;
  for (const auto& t : templates_)
    if (!t->SaveAllModified(first)) return FALSE;
  return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL endSession) {
  for (const auto& t : templates_) t->CloseAllDocuments(endSession);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  std::vector<std::pair<std::string, bool>> params;  // text, was quoted
  const std::string& s = m_lpCmdLine;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    std::string p;
    bool quoted = false, anyQuote = false;
    while (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
      if (s[i] == '"')
        quoted = !quoted, anyQuote = true;
      else
        p += s[i];
      ++i;
    }
    params.emplace_back(p, anyQuote);
  }
  for (size_t k = 0; k < params.size(); ++k) {
    const std::string& p = params[k].first;
    // A quoted parameter is never a flag; "/x" is one only when it is no absolute path.
    bool flag = !params[k].second && !p.empty() &&
                (p[0] == '-' || (p[0] == '/' && p.find('/', 1) == std::string::npos));
    info.ParseParam(flag ? p.substr(1) : p, flag, k + 1 == params.size());
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      if (!OnCmdMsg(ID_FILE_NEW, CmdKind::Command)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(info.m_strFileName) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
      CDocument* d = OpenDocumentFile(info.m_strFileName);
      if (!d) return FALSE;
      if (m_pMainWnd) m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
      d->OnCloseDocument();
      return TRUE;
    }
    case CCommandLineInfo::FileDDE:
      m_nCmdShow = SW_HIDE;
      return TRUE;
    default:
      return TRUE;
  }
}

void CWinApp::OnFileNew() {
  if (!templates_.empty()) templates_.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  std::string filter, ext;
  if (!templates_.empty()) {
    std::string name;
    templates_.front()->GetDocString(name, CDocTemplate::filterName);
    templates_.front()->GetDocString(ext, CDocTemplate::filterExt);
    if (!name.empty() && !ext.empty()) filter = name + "|*" + ext + "||";
  }
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter.c_str());
  if (dlg.DoModal() != IDOK) return;
  OpenDocumentFile(dlg.GetPathName());
}

void CWinApp::OnFilePrintSetup() {
  CPrintDialog dlg(TRUE);
  dlg.DoModal();
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

BOOL CWinApp::OnOpenRecentFile(UINT id) {
  if (!recent_) return FALSE;
  int index = int(id - ID_FILE_MRU_FILE1);
  std::string path = (*recent_)[index];
  if (path.empty()) return FALSE;
  if (!OpenDocumentFile(path)) recent_->Remove(index);
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* ui) {
  if (recent_)
    recent_->UpdateMenu(ui);
  else
    ui->Enable(FALSE);
}

int RunApplication(CWinApp& app, const std::string& commandLine) {
  app.m_lpCmdLine = commandLine;
  ResetQuit();
  if (!app.InitInstance()) {
    if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd) app.m_pMainWnd->DestroyWindow();
    // A start that failed (a file that would not open, no main window) is a failure
    // to whoever started the program.
    const int code = app.ExitInstance();
    return code != 0 ? code : 1;
  }
  return app.Run();
}

}  // namespace fw
