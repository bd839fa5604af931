// The application object: start-up and exit hooks, command line, profile under the
// company key, recent-file list, document templates and the message loop.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/cmdtarget.h"
#include "framework/docview.h"
#include "platform/profile.h"

namespace fw {

// Where the application's profile settings go. The default keeps them in memory;
// the program binds the user profile.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual int GetInt(const std::string& section, const std::string& entry, int def) = 0;
  virtual BOOL WriteInt(const std::string& section, const std::string& entry, int value) = 0;
  virtual std::string GetString(const std::string& section, const std::string& entry, const std::string& def) = 0;
  virtual BOOL WriteString(const std::string& section, const std::string& entry, const std::string& value) = 0;
};

class MemoryProfile : public ProfileStore {
 public:
  int GetInt(const std::string& section, const std::string& entry, int def) override;
  BOOL WriteInt(const std::string& section, const std::string& entry, int value) override;
  std::string GetString(const std::string& section, const std::string& entry, const std::string& def) override;
  BOOL WriteString(const std::string& section, const std::string& entry, const std::string& value) override;
  std::map<std::string, std::map<std::string, std::string>> values;
};

// The user profile of the platform under the application's company key.
class UserProfileStore : public ProfileStore {
 public:
  explicit UserProfileStore(plat::UserProfile& p) : profile_(p) {}
  int GetInt(const std::string& section, const std::string& entry, int def) override;
  BOOL WriteInt(const std::string& section, const std::string& entry, int value) override;
  std::string GetString(const std::string& section, const std::string& entry, const std::string& def) override;
  BOOL WriteString(const std::string& section, const std::string& entry, const std::string& value) override;

 private:
  plat::UserProfile& profile_;
};

class CRecentFileList {
 public:
  CRecentFileList(UINT start, const std::string& section, const std::string& entryFormat, int size);
  int GetSize() const { return size_; }
  const std::vector<std::string>& Entries() const { return entries_; }
  std::string operator[](int i) const { return i >= 0 && size_t(i) < entries_.size() ? entries_[size_t(i)] : std::string(); }
  // Puts the path first; an entry already in the list moves up; the last one drops off.
  void Add(const std::string& path);
  void Remove(int index);
  void ReadList(ProfileStore& profile);
  void WriteList(ProfileStore& profile) const;
  // Shows the entries in place of the ID_FILE_MRU_FILE1 item of the update.
  void UpdateMenu(CCmdUI* ui);

 private:
  UINT start_;
  std::string section_;
  std::string entryFormat_;  // "File%d"
  int size_;
  std::vector<std::string> entries_;
};

class CCommandLineInfo {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 };
  virtual ~CCommandLineInfo() = default;
  virtual void ParseParam(const std::string& param, BOOL flag, BOOL last);
  int m_nShellCommand = FileNew;
  std::string m_strFileName;
  std::string m_strPrinterName;
  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
};

constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_QUIT = 0x0002;
constexpr UINT HELP_INDEX = 0x0003;
constexpr UINT HELP_CONTENTS = 0x0003;
constexpr UINT HELP_HELPONHELP = 0x0004;
constexpr UINT HELP_FINDER = 0x000B;
constexpr DWORD HID_BASE_RESOURCE = 0x00020000;

class CWinApp : public CCmdTarget {
  FW_DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(const std::string& appName = {});
  ~CWinApp() override;

  std::string m_pszAppName;
  std::string m_pszExeName;
  std::string m_pszRegistryKey;
  std::string m_pszProfileName;
  std::string m_lpCmdLine;
  CWnd* m_pMainWnd = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance();
  virtual int Run();
  virtual BOOL OnIdle(LONG count);
  virtual BOOL PreTranslateMessage(MSG* msg);

  // The company key under which the profile lives; the profile is named after the
  // application. Binds the platform's user profile (and registers it as the
  // application's profile) unless a store was set explicitly.
  void SetRegistryKey(const std::string& company);
  plat::UserProfile* GetUserProfile() const { return userProfile_.get(); }
  void LoadStdProfileSettings(UINT maxMRU = 4);
  void SetProfileStore(ProfileStore* store);
  ProfileStore& GetProfileStore();
  int GetProfileInt(const std::string& section, const std::string& entry, int def);
  BOOL WriteProfileInt(const std::string& section, const std::string& entry, int value);
  std::string GetProfileString(const std::string& section, const std::string& entry, const std::string& def = {});
  BOOL WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);

  void AddDocTemplate(CDocTemplate* tmpl);  // taken over
  const std::vector<std::unique_ptr<CDocTemplate>>& GetDocTemplates() const { return templates_; }
  int GetOpenDocumentCount() const;
  virtual CDocument* OpenDocumentFile(const std::string& path);
  virtual void AddToRecentFileList(const std::string& path);
  CRecentFileList* GetRecentFileList() const { return recent_.get(); }
  // Asks every modified document, `first` (when given) before the others.
  BOOL SaveAllModified(CDocument* first = nullptr);
  void CloseAllDocuments(BOOL endSession);

  // Splits m_lpCmdLine into parameters: quotes group; an unquoted '-x', or '/x' without a
  // further slash (so absolute paths stay paths), is a flag.
  void ParseCommandLine(CCommandLineInfo& info);
  BOOL ProcessShellCommand(CCommandLineInfo& info);

  // Shell integration and the dialog look: remembered only.
  void EnableShellOpen() { shellOpen_ = true; }
  void RegisterShellFileTypes(BOOL withPrint = FALSE) { shellTypes_ = true, shellPrint_ = withPrint != 0; }
  void Enable3dControls() { controls3d_ = true; }
  bool ShellOpenEnabled() const { return shellOpen_; }
  bool ShellTypesRegistered() const { return shellTypes_; }
  bool Controls3d() const { return controls3d_; }

  // Help: the request goes to m_helpHandler (the presentation shows the help file,
  // named m_pszHelpFilePath); every request is kept for tests.
  virtual void WinHelp(DWORD data, UINT cmd = HELP_CONTEXT);
  std::string m_pszHelpFilePath;
  std::function<void(const std::string& file, DWORD data, UINT cmd)> m_helpHandler;
  struct HelpRequest {
    DWORD data;
    UINT cmd;
  };
  const std::vector<HelpRequest>& HelpRequests() const { return helpRequests_; }

  HCURSOR LoadCursor(UINT id) const { return fw::LoadCursor(id); }
  HCURSOR LoadStandardCursor(HCURSOR idc) const { return idc; }

  // Standard handlers a derived application maps to its commands.
  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup();
  void OnAppExit();
  BOOL OnOpenRecentFile(UINT id);
  void OnUpdateRecentFileMenu(CCmdUI* ui);

  // How Run waits while idle: given the milliseconds to the next timer (-1: none).
  // Without it Run waits in the host loop (wnd.h), else sleeps a little.
  std::function<void(long)> m_idleWait;

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  std::vector<std::unique_ptr<CDocTemplate>> templates_;
  std::unique_ptr<CRecentFileList> recent_;
  MemoryProfile memoryProfile_;
  ProfileStore* profile_ = nullptr;
  bool profileSetExplicitly_ = false;
  std::unique_ptr<plat::UserProfile> userProfile_;
  std::unique_ptr<UserProfileStore> userStore_;
  std::vector<HelpRequest> helpRequests_;
  bool shellOpen_ = false, shellTypes_ = false, shellPrint_ = false, controls3d_ = false;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// A message box captioned with the application's name (through the report sink).
int AfxMessageBox(const std::string& text, UINT type = plat::MB_OK);
// Runs an application: InitInstance, the message loop, ExitInstance. Returns the exit code.
int RunApplication(CWinApp& app, const std::string& commandLine);

}  // namespace fw
