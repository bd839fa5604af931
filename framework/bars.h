// Control bars as models: tool bars with button lists, dialog bars, and the status
// bar with panes that records every text set.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/cmdtarget.h"
#include "framework/wnd.h"

namespace fw {

class CFrameWnd;

// Bar styles (the low word of a bar's style; WS_ bits above).
constexpr DWORD CBRS_FLOATING = 0x0001;
constexpr DWORD CBRS_SIZE_FIXED = 0x0002;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0004;
constexpr DWORD CBRS_HIDE_INPLACE = 0x0008;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_FLOAT_MULTI = 0x0040;
constexpr DWORD CBRS_BORDER_3D = 0x0080;
constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
constexpr DWORD CBRS_BORDER_ANY = 0x0F00;
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD CBRS_GRIPPER = 0x00400000;

// Tool bar control style and button styles/states.
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr UINT TBBS_BUTTON = 0x0000;
constexpr UINT TBBS_SEPARATOR = 0x0001;
constexpr UINT TBBS_CHECKBOX = 0x0002;
constexpr UINT TBBS_GROUP = 0x0004;
constexpr UINT TBBS_CHECKGROUP = TBBS_GROUP | TBBS_CHECKBOX;
constexpr UINT TBBS_CHECKED = 0x00010000;
constexpr UINT TBBS_PRESSED = 0x00020000;
constexpr UINT TBBS_DISABLED = 0x00040000;
constexpr UINT TBBS_HIDDEN = 0x00080000;
constexpr UINT TBBS_INDETERMINATE = 0x00100000;
constexpr UINT TBBS_WRAPPED = 0x00200000;

// Status bar pane styles.
constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = 0x0100;
constexpr UINT SBPS_POPOUT = 0x0200;
constexpr UINT SBPS_OWNERDRAW = 0x1000;
constexpr UINT SBPS_DISABLED = 0x04000000;
constexpr UINT SBPS_STRETCH = 0x08000000;

class CControlBar : public CWnd {
  FW_DECLARE_DYNAMIC(CControlBar)

 public:
  DWORD GetBarStyle() const { return barStyle_; }
  void SetBarStyle(DWORD style) { barStyle_ = style & (0xFFFFu | CBRS_GRIPPER); }
  DWORD GetDockStyle() const { return dockStyle_; }
  void EnableDocking(DWORD style) { dockStyle_ = style & CBRS_ALIGN_ANY; }
  // The side the bar is docked on (a CBRS_ALIGN_ value), 0 while not docked.
  DWORD GetDockSide() const { return dockSide_; }
  void SetDockSide(DWORD side) { dockSide_ = side; }
  bool IsHorizontal() const { return dockSide_ == CBRS_ALIGN_TOP || dockSide_ == CBRS_ALIGN_BOTTOM || dockSide_ == 0; }
  BOOL IsVisible() const { return (GetStyle() & WS_VISIBLE) != 0; }
  CFrameWnd* GetDockingFrame() const;
  virtual SIZE CalcFixedLayout(BOOL stretch, BOOL horz);
  // Updates the bar's items through the target's update handlers.
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler);
  void OnDestroy() override;

 protected:
  BOOL CreateBar(CWnd* parent, DWORD style, UINT id, const char* className);
  DWORD barStyle_ = 0;
  DWORD dockStyle_ = 0;
  DWORD dockSide_ = 0;
};

class CToolBar : public CControlBar {
  FW_DECLARE_DYNAMIC(CToolBar)

 public:
  struct Button {
    UINT id = 0;
    UINT style = 0;  // TBBS_ style and state bits
    int image = -1;  // image index; for a separator, its width
    std::string text;
  };

  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT borders = {},
                UINT id = AFX_IDW_TOOLBAR);
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  DWORD GetToolBarCtrlStyle() const { return ctrlStyle_; }
  // Loads the button list of a tool bar resource; FALSE when the resource is missing.
  BOOL LoadToolBar(UINT resourceId);
  UINT LoadedResource() const { return loaded_; }
  int LoadCount() const { return loadCount_; }
  // ids with ID_SEPARATOR for separators; images numbered in order of the others.
  BOOL SetButtons(const UINT* ids, int count);
  void SetSizes(SIZE button, SIZE image);
  SIZE GetButtonSize() const { return buttonSize_; }

  int GetCount() const { return int(buttons_.size()); }
  UINT GetItemID(int index) const;
  int CommandToIndex(UINT id) const;
  void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
  void SetButtonInfo(int index, UINT id, UINT style, int image);
  UINT GetButtonStyle(int index) const;
  void SetButtonStyle(int index, UINT style);
  BOOL SetButtonText(int index, const std::string& text);
  const Button& GetButton(int index) const { return buttons_.at(size_t(index)); }
  // Button rectangles in the bar's client coordinates: rows left to right, a new row
  // after each wrapped button.
  void GetItemRect(int index, RECT* r) const;
  // The button under a client point, or -1.
  int HitTest(POINT p) const;

  SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  DWORD ctrlStyle_ = TBSTYLE_FLAT;
  std::vector<Button> buttons_;
  SIZE buttonSize_{23, 22};
  UINT loaded_ = 0;
  int loadCount_ = 0;
};

class CDialogBar : public CControlBar {
  FW_DECLARE_DYNAMIC(CDialogBar)

 public:
  CDialogBar();
  ~CDialogBar() override;
  // The bar's controls come from the dialog template.
  BOOL Create(CWnd* parent, UINT templateId, DWORD style, UINT id);
  UINT TemplateId() const { return templateId_; }
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;

 private:
  UINT templateId_ = 0;
  SIZE size_{};
  std::vector<std::unique_ptr<CWnd>> controls_;
};

class CStatusBar : public CControlBar {
  FW_DECLARE_DYNAMIC(CStatusBar)

 public:
  struct Pane {
    UINT id = 0;
    UINT style = 0;
    int width = 0;
    std::string text;
    std::string widest;  // the widest text the pane must show whole (empty: none)
  };
  struct TextRecord {
    int pane;
    std::string text;
    bool update;  // repainted at once
  };

  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  // Separators (ID_SEPARATOR) stretch; other panes start with their string resource as
  // text and a width to fit it. FALSE when a string is missing.
  BOOL SetIndicators(const UINT* ids, int count);
  int GetCount() const { return int(panes_.size()); }
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  // The widest text a pane will show: the presentation measures it in its own font and
  // widens the pane to fit it whole (the width set stays the least).
  void SetPaneWidestText(int index, const std::string& widest);
  std::string GetPaneWidestText(int index) const;
  UINT GetPaneStyle(int index) const;
  void SetPaneStyle(int index, UINT style);
  BOOL SetPaneText(int index, const std::string& text, BOOL update = TRUE);
  std::string GetPaneText(int index) const;
  // Every text set, in order.
  const std::vector<TextRecord>& TextHistory() const { return history_; }
  void ClearHistory() { history_.clear(); }

  SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  std::vector<Pane> panes_;
  std::vector<TextRecord> history_;
};

}  // namespace fw
