// Documents, views, frames and the document template, in the framework's own order
// of creation and with its command routing: active view, its document, the child
// frame, the main frame, the application.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/bars.h"
#include "framework/cmdtarget.h"
#include "framework/menu.h"
#include "framework/wnd.h"

namespace fw {

class CDocTemplate;
class CDocument;
class CFrameWnd;
class CMDIChildWnd;
class CMDIFrameWnd;
class CView;

struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// What a frame keeps while it shows a preview in place of its panes; given back when
// the preview ends. lpfnCloseProc, when set, runs in place of closing the frame while
// the preview is shown.
struct CPrintPreviewState {
  UINT nIDMainPane = AFX_IDW_PANE_FIRST;
  CMenu* hMenu = nullptr;
  const std::vector<ACCEL>* hAccelTable = nullptr;
  std::vector<CControlBar*> hiddenBars;
  CView* pViewActiveOld = nullptr;
  HWND hWndViewActiveOld = 0;
  void (*lpfnCloseProc)(CFrameWnd* frame) = nullptr;
};

class CDocument : public CCmdTarget {
  FW_DECLARE_DYNAMIC(CDocument)

 public:
  CDocument();
  ~CDocument() override;

  const std::string& GetTitle() const { return title_; }
  virtual void SetTitle(const std::string& title);
  const std::string& GetPathName() const { return path_; }
  virtual void SetPathName(const std::string& path, BOOL addToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return template_; }
  BOOL IsModified() const { return modified_; }
  void SetModifiedFlag(BOOL modified = TRUE) { modified_ = modified; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return views_; }
  // Tells every view but the sender: OnUpdate(sender, hint, hint object).
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);

  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(const std::string& path);
  virtual BOOL OnSaveDocument(const std::string& path);
  // Destroys the document's frames and views, then the document (auto delete).
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  // Asks to save a modified document: TRUE to go on, FALSE when the user cancels.
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* frame);
  virtual void PreCloseFrame(CFrameWnd*) {}
  virtual void OnChangedViewList();
  // Saves under the path, asking for one (save dialog) when it is empty or replace is set.
  virtual BOOL DoSave(const std::string& path, BOOL replace = TRUE);
  BOOL DoFileSave();

  BOOL OnCmdMsg(CmdCall& call) override;

  BOOL m_bAutoDelete = TRUE;

 protected:
  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();
  FW_DECLARE_COMMAND_MAP()

 private:
  friend class CDocTemplate;
  CDocTemplate* template_ = nullptr;
  std::string title_;
  std::string path_;
  BOOL modified_ = FALSE;
  std::vector<CView*> views_;
};

class CView : public CWnd {
  FW_DECLARE_DYNAMIC(CView)

 public:
  CView();
  ~CView() override;
  CDocument* GetDocument() const { return document_; }
  CFrameWnd* GetParentFrame() const;

  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
  virtual void OnActivateView(BOOL activate, CView* activateView, CView* deactiveView);
  virtual void OnActivateFrame(UINT, CFrameWnd*) {}
  // Draws the view into a device context; the paint handler calls it clipped to the invalid area.
  virtual void OnDraw(plat::HDC) {}
  void OnPaint() override;

  BOOL OnCmdMsg(CmdCall& call) override;
  int OnCreate(CREATESTRUCT* cs) override;
  void OnDestroy() override;
  void PostNcDestroy() override;

 private:
  friend class CDocument;
  CDocument* document_ = nullptr;
};

class CFrameWnd : public CWnd {
  FW_DECLARE_DYNAMIC(CFrameWnd)
  FW_DECLARE_COMMAND_MAP()

 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the frame from resource `id`: its menu, accelerators and title string
  // (the first field of the string, up to a newline).
  virtual BOOL LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                         CCreateContext* context = nullptr);
  virtual BOOL OnCreateClient(CREATESTRUCT* cs, CCreateContext* context);
  CView* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);

  virtual CView* GetActiveView() const { return activeView_; }
  void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CDocument* GetActiveDocument();
  virtual CFrameWnd* GetActiveFrame() { return this; }
  void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);
  virtual void ActivateFrame(int cmdShow = -1);
  virtual void OnUpdateFrameTitle(BOOL addToTitle);
  // Message text in the status bar's first pane.
  void SetMessageText(const std::string& text);

  // Preview mode: entering keeps the menu, the accelerator table, the shown bars and
  // the active view in the state and hides them; the main pane steps aside (hidden,
  // id AFX_IDW_PANE_SAVE) so that a view created with AFX_IDW_PANE_FIRST takes its
  // place; leaving gives everything back.
  virtual void OnSetPreviewMode(BOOL preview, CPrintPreviewState* state);
  bool IsInPreviewMode() const { return previewState_ != nullptr; }
  void (*m_lpfnCloseProc)(CFrameWnd* frame) = nullptr;

  // Control bars.
  void EnableDocking(DWORD dockStyle) { dockSides_ = dockStyle & CBRS_ALIGN_ANY; }
  DWORD GetDockingSides() const { return dockSides_; }
  void AddControlBar(CControlBar* bar);
  void RemoveControlBar(CControlBar* bar);
  // Docks on the bar's own side (its CBRS_ALIGN_ style), or a given CBRS_ALIGN_ side.
  void DockControlBar(CControlBar* bar, DWORD side = 0);
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  CControlBar* GetControlBar(UINT id) const;
  const std::vector<CControlBar*>& GetControlBars() const { return bars_; }
  virtual void RecalcLayout(BOOL notify = TRUE);
  void DelayRecalcLayout() { layoutPending_ = true; }
  bool LayoutPending() const { return layoutPending_; }
  int LayoutCount() const { return layoutCount_; }
  // Bar visibility and sides kept in the profile under "<name>-Bar<n>".
  void SaveBarState(const std::string& profileName) const;
  void LoadBarState(const std::string& profileName);
  // Runs the update handlers of every bar (done at idle time).
  void UpdateControlBars(BOOL disableIfNoHandler = TRUE);
  // Runs the update handlers of a popup's items (WM_INITMENUPOPUP).
  void UpdateMenuPopup(CMenu* popup);

  const std::vector<ACCEL>* m_hAccelTable = nullptr;
  CMenu* GetDefaultMenu() const { return menuDefault_.get(); }
  BOOL m_bAutoMenuEnable = TRUE;
  BOOL m_bAutoDelete = TRUE;
  UINT m_nIDResource = 0;

  BOOL OnCmdMsg(CmdCall& call) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnClose() override;
  void OnDestroy() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) override;
  void OnSetFocus(CWnd* old) override;
  void PostNcDestroy() override;
  int OnCreate(CREATESTRUCT* cs) override;
  // Opens each dropped file through the application.
  void OnDropFiles(HDROP drop) override;
  // The framework's help handlers, for the frame's command map (ID_HELP,
  // ID_HELP_FINDER, ID_HELP_INDEX): the application's help with HELP_CONTEXT of the
  // frame's resource, HELP_FINDER, HELP_INDEX.
  void OnHelp();
  void OnHelpFinder();
  void OnHelpIndex();
  // ID_VIEW_TOOLBAR and ID_VIEW_STATUS_BAR show or hide their bar, the check mark
  // following it: the bar of that id, for the tool bar else the frame's first tool bar.
  CControlBar* GetCommandBar(UINT id) const;
  BOOL OnBarCheck(UINT id);
  void OnUpdateControlBarMenu(CCmdUI* ui);

 protected:
  // The client area left to the view (or the MDI client) after the bars.
  RECT LayoutBars();
  void LayoutDone() {
    layoutPending_ = false;
    ++layoutCount_;
  }
  std::unique_ptr<CMenu> menuDefault_;
  std::string frameTitle_;

 private:
  CView* activeView_ = nullptr;
  std::vector<CControlBar*> bars_;
  DWORD dockSides_ = 0;
  bool layoutPending_ = false;
  int layoutCount_ = 0;
  CPrintPreviewState* previewState_ = nullptr;
};

// A small floating frame (tool windows such as the property window).
class CMiniFrameWnd : public CFrameWnd {
  FW_DECLARE_DYNAMIC(CMiniFrameWnd)

 public:
  BOOL Create(const std::string& className, const std::string& title, DWORD style, const RECT& rect,
              CWnd* parent = nullptr, UINT id = 0);
};

// A splitter window: kept as an object by frames; no panes of its own here.
class CSplitterWnd : public CWnd {
  FW_DECLARE_DYNAMIC(CSplitterWnd)
};

class CMDIChildWnd : public CFrameWnd {
  FW_DECLARE_DYNAMIC(CMDIChildWnd)
  FW_DECLARE_COMMAND_MAP()

 public:
  BOOL LoadFrame(UINT id, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIMaximize();
  void MDIRestore();
  void ActivateFrame(int cmdShow = -1) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  CMenu* m_hMenuShared = nullptr;  // the template's menu, shown while this child is active

  void OnDestroy() override;
  void OnClose() override;
};

// The client area of the MDI frame: parent of the child frames; takes the MDI messages.
class CMDIClientWnd : public CWnd {
 public:
  CMDIFrameWnd* frame = nullptr;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class CMDIFrameWnd : public CFrameWnd {
  FW_DECLARE_DYNAMIC(CMDIFrameWnd)
  FW_DECLARE_COMMAND_MAP()

 public:
  CMDIFrameWnd();
  ~CMDIFrameWnd() override;

  BOOL OnCreateClient(CREATESTRUCT* cs, CCreateContext* context) override;
  CWnd* GetMDIClient() { return &mdiClient_; }
  CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
  void MDIActivate(CMDIChildWnd* child);
  void MDIMaximize(CMDIChildWnd* child);
  void MDIRestore(CMDIChildWnd* child);
  void MDINext();
  // Restores the children and lays them out: each one step down and right of the one
  // behind it (the active one in front), or side by side across the client
  // (ID_WINDOW_TILE_VERT) or one above the other (ID_WINDOW_TILE_HORZ).
  void MDICascade();
  void MDITile(UINT how);
  BOOL OnWindowCommand(UINT id);
  void OnUpdateWindowCommand(CCmdUI* ui);
  std::vector<CMDIChildWnd*> GetMDIChildren() const;
  CFrameWnd* GetActiveFrame() override;
  CView* GetActiveView() const override;
  CDocument* GetActiveDocument() override;
  void RecalcLayout(BOOL notify = TRUE) override;
  // The menu bar follows the active child: its shared menu, with the maximised child's
  // system-menu entry at position 0, or the frame's own menu without a child.
  void UpdateMenuBar();

  BOOL OnCmdMsg(CmdCall& call) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  friend class CMDIChildWnd;
  void ChildDestroyed(CMDIChildWnd* child);
  // The children, none maximised, and the client they lie in.
  std::vector<CMDIChildWnd*> RestoreChildren(RECT& area);
  CMDIClientWnd mdiClient_;
  CMDIChildWnd* active_ = nullptr;
  std::unique_ptr<CMenu> barMenu_;  // the menu bar shown (a copy with the system entry when needed)
  CMenu* barSource_ = nullptr;
  bool barMaximized_ = false;
};

class CDocTemplate : public CCmdTarget {
  FW_DECLARE_DYNAMIC(CDocTemplate)

 public:
  enum DocStringIndex {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName,
  };

  CDocTemplate(UINT id, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
               const CRuntimeClass* viewClass);
  ~CDocTemplate() override;

  virtual CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE) = 0;
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible = TRUE);
  virtual void SetDefaultTitle(CDocument* doc);
  void AddDocument(CDocument* doc);
  void RemoveDocument(CDocument* doc);
  int GetOpenDocumentCount() const { return int(docs_.size()); }
  const std::vector<CDocument*>& GetDocuments() const { return docs_; }
  BOOL GetDocString(std::string& out, DocStringIndex index) const;
  void CloseAllDocuments(BOOL endSession);
  BOOL SaveAllModified(CDocument* skip = nullptr);
  UINT GetResourceId() const { return resourceId_; }
  CMenu* GetSharedMenu() const { return menu_.get(); }
  const std::vector<ACCEL>* GetSharedAccelerators() const { return accel_; }

 protected:
  UINT resourceId_;
  const CRuntimeClass* docClass_;
  const CRuntimeClass* frameClass_;
  const CRuntimeClass* viewClass_;
  std::vector<CDocument*> docs_;
  std::unique_ptr<CMenu> menu_;
  const std::vector<ACCEL>* accel_ = nullptr;
  int untitledCount_ = 0;
};

class CMultiDocTemplate : public CDocTemplate {
  FW_DECLARE_DYNAMIC(CMultiDocTemplate)

 public:
  using CDocTemplate::CDocTemplate;
  // Document constructor, frame (and in it the view) created, then new or open, then
  // the initial update; a failed new or open destroys the frame and the document.
  CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE) override;
};

}  // namespace fw
