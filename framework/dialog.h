// Dialogs built from control tables, modal and modeless, with value exchange and
// the modal driver: whoever runs the program's modal dialogs (a test script, later
// the presentation) decides what happens inside each modal run. The common dialogs
// (open, save, colour, print) run behind the same driver.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/wnd.h"
#include "platform/printer.h"

namespace fw {

class CDialog;

class CDataExchange {
 public:
  CDataExchange(CDialog* dlg, BOOL save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  UINT m_idLastControl = 0;
  bool failed = false;
  // Marks the exchange failed; the focus goes to the last control.
  void Fail();
  CWnd* PrepareCtrl(UINT id);
};

class CDialog : public CWnd {
  FW_DECLARE_DYNAMIC(CDialog)

 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally through the modal driver; returns the EndDialog result
  // (IDCANCEL when the driver leaves it open), -1 when it cannot be created.
  virtual int DoModal();
  // Creates the dialog modeless (a child when the template has WS_CHILD).
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);
  virtual void DoDataExchange(CDataExchange* dx);
  BOOL UpdateData(BOOL save = TRUE);

  UINT GetTemplateId() const { return templateId_; }
  bool IsModal() const { return modal_; }
  bool IsEnded() const { return ended_; }
  int GetResult() const { return result_; }

  // Control helpers.
  template <class T>
  T* Item(UINT id) const {
    return dynamic_cast<T*>(GetDlgItem(id));
  }
  void SetDlgItemText(UINT id, const std::string& text);
  std::string GetDlgItemText(UINT id) const;
  void SetDlgItemInt(UINT id, UINT value, BOOL isSigned = TRUE);
  UINT GetDlgItemInt(UINT id, BOOL* ok = nullptr, BOOL isSigned = TRUE) const;
  void CheckDlgButton(UINT id, UINT check);
  UINT IsDlgButtonChecked(UINT id) const;
  void CheckRadioButton(UINT first, UINT last, UINT check);
  UINT GetCheckedRadioButton(UINT first, UINT last) const;
  void GotoDlgCtrl(CWnd* ctrl);

  // What a user does (for the modal driver): click a button (IDOK and IDCANCEL run
  // OnOK and OnCancel), pick a combo or list item, type into an edit or combo, set a
  // check box by clicking it. FALSE when the control is missing or refuses.
  BOOL ClickButton(UINT id);
  BOOL SelectComboItem(UINT id, int index);
  BOOL SelectComboString(UINT id, const std::string& exact);
  BOOL SelectListItem(UINT id, int index);
  BOOL TypeText(UINT id, const std::string& text);
  BOOL SetCheckBox(UINT id, int check);

  BOOL PreTranslateMessage(MSG* msg) override;
  int OnCreate(CREATESTRUCT* cs) override;
  void OnClose() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnOKCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
  BOOL CreateDialogWindow(CWnd* parent, bool modal);
  // The first visible, enabled control with WS_TABSTOP, else the dialog itself.
  void FocusFirstTabStop();
  UINT templateId_ = 0;
  CWnd* parent_ = nullptr;
  std::string caption_;  // for dialogs without a template

 private:
  std::vector<std::unique_ptr<CWnd>> controls_;
  friend class ScriptedModalDriver;
  bool modal_ = false;
  bool ended_ = false;
  bool scriptedRun_ = false;
  int result_ = IDCANCEL;
};

// Decides what happens inside each modal run. RunModal is called after
// OnInitDialog; the dialog ends when someone calls EndDialog (clicking OK or Cancel).
class ModalDriver {
 public:
  virtual ~ModalDriver() = default;
  virtual void RunModal(CDialog& dlg) = 0;
};
// Installs a driver (nullptr: none; modal dialogs then end at once with IDCANCEL).
ModalDriver* SetModalDriver(ModalDriver* driver);
ModalDriver* GetModalDriver();

// Tests: one step per modal run, taken front to back; with no step left the dialog is
// cancelled. Every run is recorded.
class ScriptedModalDriver : public ModalDriver {
 public:
  using Step = std::function<void(CDialog&)>;
  struct Run {
    UINT templateId;
    std::string caption;
    int result;
    bool scripted;
  };
  ScriptedModalDriver();
  ~ScriptedModalDriver() override;
  void Then(Step step) { steps_.push_back(std::move(step)); }
  void RunModal(CDialog& dlg) override;
  const std::vector<Run>& Runs() const { return runs_; }
  size_t Pending() const { return steps_.size(); }
  // Called by DoModal after the run ends, to record the result.
  void Finished(CDialog& dlg);

 private:
  std::vector<Step> steps_;
  std::vector<Run> runs_;
  ModalDriver* prev_;
};

// Common dialogs.

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_ANYCOLOR = 0x00000100;
constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;

class CCommonDialog : public CDialog {
 public:
  explicit CCommonDialog(CWnd* parent) : CDialog(0, parent) {}
};

class CFileDialog : public CCommonDialog {
 public:
  // filter: "Name|*.ext|Other|*.o||"
  CFileDialog(BOOL openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
              CWnd* parent = nullptr);
  BOOL IsOpenDialog() const { return open_; }
  DWORD m_flags;
  int m_nFilterIndex = 1;  // 1-based
  std::string m_initialDir;
  std::string m_title;
  const std::vector<std::pair<std::string, std::string>>& Filters() const { return filters_; }
  std::string GetDefExt() const { return defExt_; }
  std::string GetPathName() const { return path_; }
  std::string GetFileName() const;
  std::string GetFileTitle() const;
  std::string GetFileExt() const;
  std::string GetFolderPath() const;
  // The driver's choice: the path (the default extension added when it has none), then OK.
  void Choose(const std::string& path, int filterIndex = 0);

 private:
  BOOL open_;
  std::string defExt_;
  std::string path_;
  std::vector<std::pair<std::string, std::string>> filters_;
};

class CColorDialog : public CCommonDialog {
 public:
  explicit CColorDialog(COLORREF init = 0, DWORD flags = 0, CWnd* parent = nullptr);
  COLORREF GetColor() const { return color_; }
  void SetCurrentColor(COLORREF c) { color_ = c; }
  DWORD m_flags;
  // The 16 custom colours, kept for the whole program as the platform keeps them.
  static COLORREF* GetSavedCustomColors();
  // The driver's choice: the colour, then OK.
  void Choose(COLORREF c);

 private:
  COLORREF color_;
};

class CPrintDialog : public CCommonDialog {
 public:
  explicit CPrintDialog(BOOL printSetupOnly,
                        DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                      PD_NOSELECTION,
                        CWnd* parent = nullptr);
  DWORD m_flags;
  bool IsSetupOnly() const { return setupOnly_; }
  std::string GetDeviceName() const { return device_; }
  int GetCopies() const { return copies_; }
  int GetFromPage() const { return from_; }
  int GetToPage() const { return to_; }
  bool PrintAll() const { return !(m_flags & (PD_PAGENUMS | PD_SELECTION)); }
  bool IsLandscape() const { return landscape_; }
  // The driver's choice: printer, copies, orientation and paper code (0:
  // the printer's), then OK. The device blocks follow the printer chosen.
  void Choose(const std::string& device, int copies = 1, bool landscape = false, int paperSize = 0);

  // The device-mode and device-names blocks: the default destination's
  // (GetDefaults) or the one chosen.
  plat::DevMode m_devMode;
  plat::DevNames m_devNames;
  // Fills the blocks from the default destination; FALSE when there is none.
  BOOL GetDefaults();
  bool HasPrinter() const { return !m_devNames.device.empty(); }
  // A printer context for the blocks; null without a printer or a usable paper.
  std::unique_ptr<plat::PrinterDC> CreatePrinterDC() const;

 private:
  bool setupOnly_;
  std::string device_;
  int copies_ = 1, from_ = 1, to_ = 1;
  bool landscape_ = false;
};

// Value exchange between members and controls.
void DDX_Text(CDataExchange* dx, UINT id, std::string& value);
void DDX_Text(CDataExchange* dx, UINT id, int& value);
void DDX_Text(CDataExchange* dx, UINT id, UINT& value);
void DDX_Text(CDataExchange* dx, UINT id, long& value);
void DDX_Text(CDataExchange* dx, UINT id, float& value);
void DDX_Text(CDataExchange* dx, UINT id, double& value);
void DDX_Check(CDataExchange* dx, UINT id, int& value);
// value = index of the checked radio button of the group that starts at id; -1 none.
void DDX_Radio(CDataExchange* dx, UINT id, int& value);
void DDX_CBIndex(CDataExchange* dx, UINT id, int& value);
void DDX_CBString(CDataExchange* dx, UINT id, std::string& value);
void DDX_CBStringExact(CDataExchange* dx, UINT id, std::string& value);
void DDX_LBIndex(CDataExchange* dx, UINT id, int& value);
void DDX_LBString(CDataExchange* dx, UINT id, std::string& value);
void DDX_Slider(CDataExchange* dx, UINT id, int& value);
// Puts a member control object in the place of the template's control (once).
void DDX_Control(CDataExchange* dx, UINT id, CWnd& control);
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxFloat(CDataExchange* dx, float value, float minVal, float maxVal);
void DDV_MinMaxDouble(CDataExchange* dx, double value, double minVal, double maxVal);

}  // namespace fw
