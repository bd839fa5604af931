#include "framework/docview.h"

#include <algorithm>

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/resources.h"

namespace fw {

FW_IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
FW_IMPLEMENT_DYNAMIC(CView, CWnd)
FW_IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)
FW_IMPLEMENT_DYNAMIC(CMDIChildWnd, CFrameWnd)
FW_IMPLEMENT_DYNAMIC(CMiniFrameWnd, CFrameWnd)
FW_IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)
FW_IMPLEMENT_DYNAMIC(CMDIFrameWnd, CFrameWnd)

FW_BEGIN_COMMAND_MAP(CFrameWnd, CWnd)
FW_ON_COMMAND_EX_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
FW_END_COMMAND_MAP()

// A child frame leaves the bars to the main frame.
FW_BEGIN_COMMAND_MAP(CMDIChildWnd, CWnd)
FW_END_COMMAND_MAP()

FW_BEGIN_COMMAND_MAP(CMDIFrameWnd, CFrameWnd)
FW_ON_COMMAND_EX_RANGE(ID_WINDOW_CASCADE, ID_WINDOW_TILE_VERT, OnWindowCommand)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_WINDOW_CASCADE, ID_WINDOW_TILE_VERT, OnUpdateWindowCommand)
FW_END_COMMAND_MAP()
FW_IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
FW_IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

namespace {

std::string FileTitle(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ResourceField(UINT id, int index) {
  std::string s = res::String(id);
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t nl = s.find('\n', start);
    if (nl == std::string::npos) return std::string();
    start = nl + 1;
  }
  size_t end = s.find('\n', start);
  return s.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void SendInitialUpdate(CWnd* w) {
  for (CWnd* c : std::vector<CWnd*>(w->Children())) {
    if (!CWnd::FromHandle(c->m_hWnd)) continue;
    if (auto* v = dynamic_cast<CView*>(c)) v->OnInitialUpdate();
    SendInitialUpdate(c);
  }
}

}  // namespace

// Document.

CDocument::CDocument() = default;

CDocument::~CDocument() {
  for (CView* v : views_) v->document_ = nullptr;
  views_.clear();
  if (template_) template_->RemoveDocument(this);
}

FW_BEGIN_COMMAND_MAP(CDocument, CCmdTarget)
FW_ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
FW_ON_COMMAND(ID_FILE_SAVE, OnFileSave)
FW_ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
FW_END_COMMAND_MAP()

void CDocument::SetTitle(const std::string& title) {
  title_ = title;
  for (CView* v : views_)
    if (CFrameWnd* f = v->GetParentFrame()) f->OnUpdateFrameTitle(TRUE);
}

void CDocument::SetPathName(const std::string& path, BOOL addToMRU) {
  path_ = path;
  SetTitle(FileTitle(path));
  if (addToMRU)
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(path);
}

void CDocument::AddView(CView* view) {
  if (std::find(views_.begin(), views_.end(), view) != views_.end()) return;
  views_.push_back(view);
  view->document_ = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  view->document_ = nullptr;
  OnChangedViewList();
}

void CDocument::OnChangedViewList() {
  if (views_.empty() && m_bAutoDelete) OnCloseDocument();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  std::vector<CView*> views = views_;
  for (CView* v : views)
    if (v != sender && std::find(views_.begin(), views_.end(), v) != views_.end()) v->OnUpdate(sender, hint, hintObject);
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::string&) {
  DeleteContents();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(const std::string&) {
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!views_.empty()) {
    CView* v = views_.front();
    if (CFrameWnd* f = v->GetParentFrame()) {
      PreCloseFrame(f);
      f->DestroyWindow();
    } else {
      v->DestroyWindow();
    }
    if (!views_.empty() && views_.front() == v) RemoveView(v);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  std::string name = title_.empty() ? FileTitle(path_) : title_;
  CWinApp* app = AfxGetApp();
  int r = plat::MessageBox("Save changes to " + name + "?", app ? app->m_pszAppName : std::string(),
                           plat::MB_YESNOCANCEL | plat::MB_ICONEXCLAMATION);
  if (r == plat::IDYES) return DoFileSave();
  return r == plat::IDNO;
}

// Asks only when no view of the document outlives the frame (a frame closes its child frames too).
BOOL CDocument::CanCloseFrame(CFrameWnd* frame) {
  for (CView* v : views_)
    if (CFrameWnd* f = v->GetParentFrame(); f && f != frame && !(frame && frame->IsChild(f))) return TRUE;
  return SaveModified();
}

BOOL CDocument::DoSave(const std::string& path, BOOL replace) {
  std::string name = path;
  if (name.empty() || replace) {
    std::string ext, filter;
    if (template_) {
      template_->GetDocString(ext, CDocTemplate::filterExt);
      std::string f;
      if (template_->GetDocString(f, CDocTemplate::filterName) && !f.empty()) filter = f + "|*" + ext + "||";
    }
    CFileDialog dlg(FALSE, ext.empty() ? nullptr : ext.c_str() + (ext[0] == '.' ? 1 : 0),
                    (path.empty() ? title_ : path).c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str());
    if (dlg.DoModal() != IDOK) return FALSE;
    name = dlg.GetPathName();
  }
  if (!OnSaveDocument(name)) return FALSE;
  if (replace || path_.empty()) SetPathName(name);
  return TRUE;
}

BOOL CDocument::DoFileSave() { return DoSave(path_, path_.empty() ? TRUE : FALSE); }

void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

void CDocument::OnFileSave() { DoFileSave(); }
void CDocument::OnFileSaveAs() { DoSave(path_, TRUE); }

BOOL CDocument::OnCmdMsg(CmdCall& call) {
  if (DispatchCmdMsg(call)) return TRUE;
  return template_ ? template_->OnCmdMsg(call) : FALSE;
}

// View.

CView::CView() = default;

CView::~CView() {
  if (document_) document_->RemoveView(this);
}

CFrameWnd* CView::GetParentFrame() const {
  for (CWnd* p = GetParent(); p; p = p->GetParent())
    if (auto* f = dynamic_cast<CFrameWnd*>(p)) return f;
  return nullptr;
}

int CView::OnCreate(CREATESTRUCT* cs) {
  if (auto* ctx = static_cast<CCreateContext*>(cs->lpCreateParams); ctx && ctx->m_pCurrentDoc)
    ctx->m_pCurrentDoc->AddView(this);
  return CWnd::OnCreate(cs);
}

void CView::OnDestroy() {
  // The frame must not keep a view that is going away alone.
  if (CFrameWnd* f = GetParentFrame(); f && f->GetActiveView() == this) f->SetActiveView(nullptr, FALSE);
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() { delete this; }

void CView::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  OnDraw(ps.hdc);
  EndPaint(&ps);
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL activate, CView* activateView, CView*) {
  if (activate && activateView == this) SetFocus();
}

BOOL CView::OnCmdMsg(CmdCall& call) {
  if (DispatchCmdMsg(call)) return TRUE;
  return document_ ? document_->OnCmdMsg(call) : FALSE;
}

// Frame.

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
  if (m_hWnd) DestroyWindow();
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

BOOL CFrameWnd::LoadFrame(UINT id, DWORD style, CWnd* parent, CCreateContext* context) {
  m_nIDResource = id;
  frameTitle_ = ResourceField(id, 0);
  auto menu = std::make_unique<CMenu>();
  if (menu->LoadMenu(id)) menuDefault_ = std::move(menu);
  m_hAccelTable = res::FindAccelerators(id);
  SIZE screen = GetScreenSize();
  RECT r{0, 0, screen.cx * 3 / 4, screen.cy * 3 / 4};
  if (!CreateEx(0, "FwFrame", frameTitle_, style & ~WS_CHILD, r, parent, 0, context)) return FALSE;
  if (menuDefault_) SetMenu(menuDefault_.get());
  OnUpdateFrameTitle(TRUE);
  return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCT* cs) {
  auto* ctx = static_cast<CCreateContext*>(cs->lpCreateParams);
  if (!OnCreateClient(cs, ctx)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(CREATESTRUCT*, CCreateContext* context) {
  if (context && context->m_pNewViewClass) return CreateView(context) != nullptr;
  return TRUE;
}

CView* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
  if (!context || !context->m_pNewViewClass) return nullptr;
  CObject* o = context->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CView*>(o);
  if (!view) {
    delete o;
    return nullptr;
  }
  RECT r{};
  GetClientRect(&r);
  if (!view->Create("FwView", "", WS_CHILD | WS_VISIBLE, r, this, id, context)) {
    // A view whose WM_CREATE failed has already deleted itself.
    return nullptr;
  }
  return view;
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  CView* old = activeView_;
  if (old == view) return;
  activeView_ = view;
  if (notify) {
    if (old) old->OnActivateView(FALSE, view, old);
    if (view) view->OnActivateView(TRUE, view, old);
  }
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* v = GetActiveView();
  return v ? v->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL makeVisible) {
  if (!activeView_)
    if (auto* v = dynamic_cast<CView*>(GetDlgItem(AFX_IDW_PANE_FIRST))) SetActiveView(v, FALSE);
  SendInitialUpdate(this);
  if (!m_hWnd) return;
  if (makeVisible) {
    ActivateFrame(-1);
    if (activeView_ && !dynamic_cast<CMDIChildWnd*>(this)) activeView_->OnActivateView(TRUE, activeView_, activeView_);
  }
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int cmdShow) {
  ShowWindow(cmdShow == -1 ? (IsZoomed() ? SW_SHOWMAXIMIZED : SW_SHOW) : cmdShow);
  BringWindowToTop();
  if (!GetParent()) SetActiveWindow();
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE) || !addToTitle) return;
  CDocument* doc = GetActiveDocument();
  SetWindowText(doc && !doc->GetTitle().empty() ? frameTitle_ + " - " + doc->GetTitle() : frameTitle_);
}

void CFrameWnd::SetMessageText(const std::string& text) {
  if (auto* s = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR))) s->SetPaneText(0, text);
}

void CFrameWnd::OnSetPreviewMode(BOOL preview, CPrintPreviewState* state) {
  if (!state) return;
  if (preview) {
    if (previewState_) return;
    state->hMenu = GetMenu();
    SetMenu(nullptr);
    state->hAccelTable = m_hAccelTable;
    m_hAccelTable = nullptr;
    state->hiddenBars.clear();
    for (CControlBar* b : bars_)
      if (b->IsVisible()) {
        state->hiddenBars.push_back(b);
        b->ShowWindow(SW_HIDE);
      }
    state->pViewActiveOld = GetActiveView();
    state->hWndViewActiveOld = state->pViewActiveOld ? state->pViewActiveOld->m_hWnd : 0;
    if (CWnd* pane = GetDlgItem(state->nIDMainPane)) {
      pane->ShowWindow(SW_HIDE);
      pane->SetDlgCtrlID(AFX_IDW_PANE_SAVE);
    }
    m_lpfnCloseProc = state->lpfnCloseProc;
    previewState_ = state;
    RecalcLayout();
    return;
  }
  if (!previewState_) return;
  // The preview's own view is gone or stops being the active one.
  if (activeView_ && activeView_->GetDlgCtrlID() == AFX_IDW_PANE_FIRST && activeView_->GetParent() == this)
    SetActiveView(nullptr, FALSE);
  if (CWnd* pane = GetDlgItem(AFX_IDW_PANE_SAVE)) {
    pane->SetDlgCtrlID(state->nIDMainPane);
    pane->ShowWindow(SW_SHOW);
  }
  SetMenu(state->hMenu);
  m_hAccelTable = state->hAccelTable;
  for (CControlBar* b : state->hiddenBars)
    if (std::find(bars_.begin(), bars_.end(), b) != bars_.end() && b->m_hWnd) b->ShowWindow(SW_SHOWNA);
  state->hiddenBars.clear();
  m_lpfnCloseProc = nullptr;
  previewState_ = nullptr;
  CView* old = state->hWndViewActiveOld && CWnd::FromHandle(state->hWndViewActiveOld) == state->pViewActiveOld
                   ? state->pViewActiveOld
                   : nullptr;
  if (old && old->GetParentFrame() == this)
    SetActiveView(old);
  else if (old)
    old->OnActivateView(TRUE, old, old);
  RecalcLayout();
}

void CFrameWnd::OnDropFiles(HDROP drop) {
  CWinApp* app = AfxGetApp();
  SetActiveWindow();
  UINT n = DragQueryFile(drop, 0xFFFFFFFFu, nullptr);
  for (UINT i = 0; i < n && app; ++i) {
    std::string path;
    if (DragQueryFile(drop, i, &path)) app->OpenDocumentFile(path);
  }
}

void CFrameWnd::OnHelp() {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(HID_BASE_RESOURCE + m_nIDResource, HELP_CONTEXT);
}

void CFrameWnd::OnHelpFinder() {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(0, HELP_FINDER);
}

void CFrameWnd::OnHelpIndex() {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(0, HELP_INDEX);
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
  if (std::find(bars_.begin(), bars_.end(), bar) == bars_.end()) bars_.push_back(bar);
}

void CFrameWnd::RemoveControlBar(CControlBar* bar) { bars_.erase(std::remove(bars_.begin(), bars_.end(), bar), bars_.end()); }

void CFrameWnd::DockControlBar(CControlBar* bar, DWORD side) {
  if (!bar) return;
  DWORD allowed = bar->GetDockStyle() & dockSides_;
  if (side == 0) {
    DWORD own = bar->GetBarStyle() & CBRS_ALIGN_ANY;
    if (own & allowed) {
      for (DWORD s : {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT})
        if (own & allowed & s) {
          side = s;
          break;
        }
    } else {
      for (DWORD s : {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT})
        if (allowed & s) {
          side = s;
          break;
        }
    }
  }
  bar->SetDockSide(side);
  RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay) {
  if (!bar || !bar->m_hWnd) return;
  bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
  if (delay)
    DelayRecalcLayout();
  else
    RecalcLayout();
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
  for (CControlBar* b : bars_)
    if (b->GetDlgCtrlID() == id) return b;
  return nullptr;
}

CControlBar* CFrameWnd::GetCommandBar(UINT id) const {
  if (CControlBar* b = GetControlBar(id)) return b;
  if (id == ID_VIEW_TOOLBAR)
    for (CControlBar* b : bars_)
      if (dynamic_cast<CToolBar*>(b)) return b;
  return nullptr;
}

BOOL CFrameWnd::OnBarCheck(UINT id) {
  CControlBar* bar = GetCommandBar(id);
  if (!bar || !bar->m_hWnd) return FALSE;
  ShowControlBar(bar, bar->IsVisible() ? FALSE : TRUE, FALSE);
  return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* ui) {
  CControlBar* bar = GetCommandBar(ui->m_nID);
  ui->Enable(bar && bar->m_hWnd);
  ui->SetCheck(bar && bar->m_hWnd && bar->IsVisible() ? 1 : 0);
}

RECT CFrameWnd::LayoutBars() {
  RECT area{};
  GetClientRect(&area);
  for (CControlBar* b : bars_) {
    if (!b->IsVisible()) continue;
    DWORD side = b->GetDockSide();
    bool horz = side == CBRS_ALIGN_TOP || side == CBRS_ALIGN_BOTTOM;
    SIZE s = b->CalcFixedLayout(FALSE, horz);
    switch (side) {
      case CBRS_ALIGN_TOP:
        b->MoveWindow(area.left, area.top, area.width(), s.cy, FALSE);
        area.top = std::min(area.bottom, area.top + s.cy);
        break;
      case CBRS_ALIGN_BOTTOM:
        b->MoveWindow(area.left, area.bottom - s.cy, area.width(), s.cy, FALSE);
        area.bottom = std::max(area.top, area.bottom - s.cy);
        break;
      case CBRS_ALIGN_LEFT:
        b->MoveWindow(area.left, area.top, s.cx, area.height(), FALSE);
        area.left = std::min(area.right, area.left + s.cx);
        break;
      case CBRS_ALIGN_RIGHT:
        b->MoveWindow(area.right - s.cx, area.top, s.cx, area.height(), FALSE);
        area.right = std::max(area.left, area.right - s.cx);
        break;
      default:
        break;  // floating
    }
  }
  return area;
}

void CFrameWnd::RecalcLayout(BOOL) {
  LayoutDone();
  RECT area = LayoutBars();
  if (CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST)) pane->MoveWindow(area, TRUE);
}

void CFrameWnd::SaveBarState(const std::string& name) const {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  int n = 0;
  for (CControlBar* b : bars_) {
    if (b->GetDlgCtrlID() == 0) continue;
    std::string section = name + "-Bar" + std::to_string(n++);
    app->WriteProfileInt(section, "BarID", int(b->GetDlgCtrlID()));
    app->WriteProfileInt(section, "Visible", b->IsVisible() ? 1 : 0);
    app->WriteProfileInt(section, "DockSide", int(b->GetDockSide()));
  }
  app->WriteProfileInt(name + "-Summary", "Bars", n);
}

void CFrameWnd::LoadBarState(const std::string& name) {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  int n = std::clamp(app->GetProfileInt(name + "-Summary", "Bars", 0), 0, 256);
  for (int i = 0; i < n; ++i) {
    std::string section = name + "-Bar" + std::to_string(i);
    CControlBar* b = GetControlBar(UINT(app->GetProfileInt(section, "BarID", 0)));
    if (!b) continue;
    DWORD side = DWORD(app->GetProfileInt(section, "DockSide", int(b->GetDockSide())));
    if (side == 0 || side == CBRS_ALIGN_TOP || side == CBRS_ALIGN_BOTTOM || side == CBRS_ALIGN_LEFT ||
        side == CBRS_ALIGN_RIGHT)
      b->SetDockSide(side);
    b->ShowWindow(app->GetProfileInt(section, "Visible", 1) ? SW_SHOWNA : SW_HIDE);
  }
  RecalcLayout();
}

void CFrameWnd::UpdateControlBars(BOOL disableIfNoHandler) {
  for (CControlBar* b : std::vector<CControlBar*>(bars_))
    if (b->IsVisible()) b->OnUpdateCmdUI(this, disableIfNoHandler);
  if (layoutPending_) RecalcLayout();
}

void CFrameWnd::UpdateMenuPopup(CMenu* popup) {
  if (!popup) return;
  CCmdUI state;
  state.m_pMenu = popup;
  for (int i = 0; i < popup->GetMenuItemCount(); ++i) {
    UINT id = popup->GetMenuItemID(i);
    if (id == 0 || id == MENU_NOT_FOUND) continue;
    state.m_nIndex = UINT(i);
    state.m_nIndexMax = UINT(popup->GetMenuItemCount());
    state.m_nID = id;
    state.DoUpdate(this, m_bAutoMenuEnable);
  }
}

void CFrameWnd::OnInitMenuPopup(CMenu* popup, UINT, BOOL sysMenu) {
  if (!sysMenu) UpdateMenuPopup(popup);
}

BOOL CFrameWnd::OnCmdMsg(CmdCall& call) {
  if (CView* v = GetActiveView(); v && v->OnCmdMsg(call)) return TRUE;
  if (DispatchCmdMsg(call)) return TRUE;
  if (!dynamic_cast<CMDIChildWnd*>(this))
    if (CWinApp* app = AfxGetApp(); app && app->OnCmdMsg(call)) return TRUE;
  return FALSE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
  if (m_hAccelTable && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN || msg->message == WM_CHAR))
    return TranslateAccelerator(GetTopLevelParent()->m_hWnd, m_hAccelTable, msg);
  return FALSE;
}

void CFrameWnd::OnClose() {
  if (m_lpfnCloseProc) {
    m_lpfnCloseProc(this);
    return;
  }
  CDocument* doc = GetActiveDocument();
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // The program ends: every modified document asks, the active one first.
    if (!app->SaveAllModified(doc)) return;
    const HWND self = m_hWnd;
    app->CloseAllDocuments(FALSE);
    if (!Alive(self)) return;
    doc = nullptr;
  } else if (doc && !doc->CanCloseFrame(this)) {
    return;
  }
  if (doc && doc->m_bAutoDelete) {
    bool other = false;
    for (CView* v : doc->GetViews())
      if (v->GetParentFrame() != this) other = true;
    if (!other) {
      doc->PreCloseFrame(this);
      doc->OnCloseDocument();
      return;
    }
  }
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) PostQuitMessage(0);
  CWnd::OnDestroy();
}

void CFrameWnd::OnSize(UINT, int, int) { RecalcLayout(); }

// The keys go on to the active view (an MDI frame's: its active child's), as after a
// click on a tool bar.
void CFrameWnd::OnSetFocus(CWnd*) {
  if (CView* v = GetActiveView(); v && v->IsWindowVisible()) v->SetFocus();
}

void CFrameWnd::PostNcDestroy() {
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  if (m_bAutoDelete) delete this;
}

// Mini frame.

BOOL CMiniFrameWnd::Create(const std::string& className, const std::string& title, DWORD style, const RECT& rect,
                           CWnd* parent, UINT id) {
  frameTitle_ = title;
  return CreateEx(0, className.empty() ? std::string("FwMiniFrame") : className, title, (style & ~WS_CHILD) | WS_POPUP,
                  rect, parent, id);
}

// MDI child.

BOOL CMDIChildWnd::LoadFrame(UINT id, DWORD style, CWnd* parent, CCreateContext* context) {
  m_nIDResource = id;
  auto* mdi = dynamic_cast<CMDIFrameWnd*>(parent ? parent : AfxGetMainWnd());
  if (!mdi) return FALSE;
  if (context && context->m_pNewDocTemplate) {
    m_hMenuShared = context->m_pNewDocTemplate->GetSharedMenu();
    m_hAccelTable = context->m_pNewDocTemplate->GetSharedAccelerators();
  }
  frameTitle_ = ResourceField(id, 0);
  RECT r{};
  mdi->GetMDIClient()->GetClientRect(&r);
  if (!CreateEx(0, "FwMDIChild", frameTitle_, (style | WS_CHILD) & ~WS_VISIBLE, r, mdi->GetMDIClient(), 0, context))
    return FALSE;
  return TRUE;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  CWnd* client = GetParent();
  return client ? dynamic_cast<CMDIFrameWnd*>(client->GetParent()) : nullptr;
}

void CMDIChildWnd::MDIActivate() {
  if (CMDIFrameWnd* f = GetMDIFrame()) f->MDIActivate(this);
}

void CMDIChildWnd::MDIMaximize() {
  if (CMDIFrameWnd* f = GetMDIFrame()) f->MDIMaximize(this);
}

void CMDIChildWnd::MDIRestore() {
  if (CMDIFrameWnd* f = GetMDIFrame()) f->MDIRestore(this);
}

void CMDIChildWnd::ActivateFrame(int cmdShow) {
  CMDIFrameWnd* f = GetMDIFrame();
  if (!f) return CFrameWnd::ActivateFrame(cmdShow);
  BOOL prevMax = FALSE;
  CMDIChildWnd* prev = f->MDIGetActive(&prevMax);
  bool maximize = cmdShow == SW_SHOWMAXIMIZED || (cmdShow == -1 && (IsZoomed() || (prev && prev != this && prevMax)));
  ShowWindow(maximize ? SW_SHOW : (cmdShow == -1 ? SW_SHOW : cmdShow));
  f->MDIActivate(this);
  if (maximize) f->MDIMaximize(this);
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* doc = GetActiveDocument();
  if (addToTitle && doc) SetWindowText(doc->GetTitle());
  if (CMDIFrameWnd* f = GetMDIFrame()) f->OnUpdateFrameTitle(addToTitle);
}

void CMDIChildWnd::OnDestroy() {
  if (CMDIFrameWnd* f = GetMDIFrame()) f->ChildDestroyed(this);
  CFrameWnd::OnDestroy();
}

void CMDIChildWnd::OnClose() { CFrameWnd::OnClose(); }

// MDI frame.

// The MDI client forwards the MDI messages to its frame.
LRESULT CMDIClientWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromHandle(HWND(wp)));
    switch (msg) {
      case WM_MDIACTIVATE:
        if (child) frame->MDIActivate(child);
        return 0;
      case WM_MDIMAXIMIZE:
        if (child) frame->MDIMaximize(child);
        return 0;
      case WM_MDIRESTORE:
        if (child) frame->MDIRestore(child);
        return 0;
      case WM_MDINEXT:
        frame->MDINext();
        return 0;
      case WM_MDIGETACTIVE: {
        BOOL max = FALSE;
        CMDIChildWnd* a = frame->MDIGetActive(&max);
        if (lp) *reinterpret_cast<BOOL*>(lp) = max;
        return a ? LRESULT(a->m_hWnd) : 0;
      }
      default:
        return CWnd::WindowProc(msg, wp, lp);
    }
}


CMDIFrameWnd::CMDIFrameWnd() = default;
CMDIFrameWnd::~CMDIFrameWnd() {
  if (m_hWnd) DestroyWindow();
}

BOOL CMDIFrameWnd::OnCreateClient(CREATESTRUCT*, CCreateContext*) {
  mdiClient_.frame = this;
  RECT r{};
  GetClientRect(&r);
  return mdiClient_.CreateEx(0, "MDIClient", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r, this, AFX_IDW_PANE_FIRST);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const {
  if (maximized) *maximized = active_ && active_->IsZoomed();
  return active_;
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::GetMDIChildren() const {
  std::vector<CMDIChildWnd*> out;
  for (CWnd* c : mdiClient_.Children())
    if (auto* m = dynamic_cast<CMDIChildWnd*>(c)) out.push_back(m);
  return out;
}

void CMDIFrameWnd::MDIActivate(CMDIChildWnd* child) {
  if (child == active_) return;
  CMDIChildWnd* old = active_;
  bool keepMax = old && old->IsZoomed();
  if (old)
    if (CView* v = old->GetActiveView()) v->OnActivateView(FALSE, v, v);
  active_ = child;
  if (child) {
    child->BringWindowToTop();
    if (keepMax && !child->IsZoomed()) child->ShowWindow(SW_SHOWMAXIMIZED);
  }
  if (old && keepMax && old->m_hWnd) old->ShowWindow(SW_RESTORE);
  UpdateMenuBar();
  if (child)
    if (CView* v = child->GetActiveView()) v->OnActivateView(TRUE, v, v);
  OnUpdateFrameTitle(TRUE);
}

void CMDIFrameWnd::MDIMaximize(CMDIChildWnd* child) {
  if (!child) return;
  child->ShowWindow(SW_SHOWMAXIMIZED);
  UpdateMenuBar();
}

void CMDIFrameWnd::MDIRestore(CMDIChildWnd* child) {
  if (!child) return;
  child->ShowWindow(SW_RESTORE);
  UpdateMenuBar();
}

void CMDIFrameWnd::MDINext() {
  std::vector<CMDIChildWnd*> kids = GetMDIChildren();
  if (kids.size() < 2) return;
  // The Z order's front is the active child; the next one comes up, the active goes last.
  CMDIChildWnd* next = kids[1];
  if (active_) active_->SetWindowPos(HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  MDIActivate(next);
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::RestoreChildren(RECT& area) {
  std::vector<CMDIChildWnd*> kids = GetMDIChildren();  // front first
  for (CMDIChildWnd* c : kids)
    if (c->IsZoomed()) c->ShowWindow(SW_RESTORE);
  mdiClient_.GetClientRect(&area);
  return kids;
}

void CMDIFrameWnd::MDICascade() {
  RECT area{};
  std::vector<CMDIChildWnd*> kids = RestoreChildren(area);
  if (kids.empty()) return;
  constexpr int step = 24;  // about a caption's height
  const int n = int(kids.size());
  const int cx = std::max(area.width() / 2, area.width() - step * (n - 1));
  const int cy = std::max(area.height() / 2, area.height() - step * (n - 1));
  // The back one at the top left; a step that would leave the client starts over.
  const int fit = std::max(1, std::min(area.width() - cx, area.height() - cy) / step + 1);
  for (int i = 0; i < n; ++i) {
    const int at = ((n - 1 - i) % fit) * step;
    kids[size_t(i)]->MoveWindow(RECT{at, at, at + cx, at + cy}, TRUE);
  }
  UpdateMenuBar();
}

void CMDIFrameWnd::MDITile(UINT how) {
  RECT area{};
  std::vector<CMDIChildWnd*> kids = RestoreChildren(area);
  if (kids.empty()) return;
  const int n = int(kids.size());
  const bool across = how == ID_WINDOW_TILE_VERT;
  const int total = across ? area.width() : area.height();
  for (int i = 0; i < n; ++i) {
    const int a = total * i / n, b = total * (i + 1) / n;
    kids[size_t(i)]->MoveWindow(across ? RECT{a, 0, b, area.height()} : RECT{0, a, area.width(), b}, TRUE);
  }
  UpdateMenuBar();
}

BOOL CMDIFrameWnd::OnWindowCommand(UINT id) {
  if (id == ID_WINDOW_CASCADE)
    MDICascade();
  else
    MDITile(id);
  return TRUE;
}

void CMDIFrameWnd::OnUpdateWindowCommand(CCmdUI* ui) { ui->Enable(active_ != nullptr); }

void CMDIFrameWnd::ChildDestroyed(CMDIChildWnd* child) {
  if (active_ != child) return;
  if (IsDestroying()) {
    active_ = nullptr;
    return;
  }
  if (CView* v = child->GetActiveView()) v->OnActivateView(FALSE, v, v);
  bool wasMax = child->IsZoomed();
  active_ = nullptr;
  CMDIChildWnd* next = nullptr;
  for (CMDIChildWnd* c : GetMDIChildren())
    if (c != child) {
      next = c;
      break;
    }
  if (next) {
    if (wasMax) next->ShowWindow(SW_SHOWMAXIMIZED);
    MDIActivate(next);
  } else {
    UpdateMenuBar();
    OnUpdateFrameTitle(TRUE);
  }
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() { return active_ ? static_cast<CFrameWnd*>(active_) : this; }

CView* CMDIFrameWnd::GetActiveView() const {
  // A preview in the frame's own pane comes before the children.
  if (IsInPreviewMode() && CFrameWnd::GetActiveView()) return CFrameWnd::GetActiveView();
  return active_ ? active_->GetActiveView() : CFrameWnd::GetActiveView();
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  if (IsInPreviewMode() && CFrameWnd::GetActiveView()) return CFrameWnd::GetActiveView()->GetDocument();
  return active_ ? active_->GetActiveDocument() : nullptr;
}

void CMDIFrameWnd::RecalcLayout(BOOL notify) {
  if (!mdiClient_.m_hWnd || IsInPreviewMode()) return CFrameWnd::RecalcLayout(notify);
  LayoutDone();
  RECT area = LayoutBars();
  mdiClient_.MoveWindow(area, TRUE);
  RECT client{0, 0, area.width(), area.height()};
  for (CMDIChildWnd* c : GetMDIChildren())
    if (c->IsZoomed()) c->MoveWindow(client, TRUE);
}

void CMDIFrameWnd::UpdateMenuBar() {
  if (barSource_ && barMaximized_) {
    const CMenu::Item* first = barSource_->FindItem(0, MF_BYPOSITION);
    if (first && (first->flags & MF_SYSMENU)) barSource_->DeleteMenu(0, MF_BYPOSITION);
  }
  CMenu* source = (active_ && active_->m_hMenuShared) ? active_->m_hMenuShared : menuDefault_.get();
  barMaximized_ = active_ && active_->IsZoomed() && source;
  if (barMaximized_) {
    auto sys = std::make_unique<CMenu>();
    sys->AppendMenu(MF_STRING, 0xF120, "&Restore");
    sys->AppendMenu(MF_STRING, 0xF060, "&Close");
    source->InsertPopup(0, MF_BYPOSITION | MF_BITMAP | MF_SYSMENU, "", std::move(sys));
  }
  barSource_ = source;
  SetMenu(source);
}

BOOL CMDIFrameWnd::OnCmdMsg(CmdCall& call) {
  if (IsInPreviewMode() && CFrameWnd::GetActiveView()) return CFrameWnd::OnCmdMsg(call);
  if (active_ && active_->OnCmdMsg(call)) return TRUE;
  if (DispatchCmdMsg(call)) return TRUE;
  if (CWinApp* app = AfxGetApp(); app && app->OnCmdMsg(call)) return TRUE;
  return FALSE;
}

LRESULT CMDIFrameWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    // The menus shown may belong to templates that outlive the frame.
    if (barSource_ && barMaximized_) {
      const CMenu::Item* first = barSource_->FindItem(0, MF_BYPOSITION);
      if (first && (first->flags & MF_SYSMENU)) barSource_->DeleteMenu(0, MF_BYPOSITION);
    }
    barSource_ = nullptr;
    barMaximized_ = false;
  }
  return CFrameWnd::WindowProc(msg, wp, lp);
}

// Templates.

CDocTemplate::CDocTemplate(UINT id, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                           const CRuntimeClass* viewClass)
    : resourceId_(id), docClass_(docClass), frameClass_(frameClass), viewClass_(viewClass) {
  auto menu = std::make_unique<CMenu>();
  if (menu->LoadMenu(id)) menu_ = std::move(menu);
  accel_ = res::FindAccelerators(id);
}

CDocTemplate::~CDocTemplate() {
  CloseAllDocuments(TRUE);
  for (CDocument* d : docs_) d->template_ = nullptr;
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!docClass_) return nullptr;
  CObject* o = docClass_->CreateObject();
  auto* doc = dynamic_cast<CDocument*>(o);
  if (!doc) {
    delete o;
    return nullptr;
  }
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other) {
  if (!frameClass_) return nullptr;
  CCreateContext ctx;
  ctx.m_pNewViewClass = viewClass_;
  ctx.m_pCurrentDoc = doc;
  ctx.m_pNewDocTemplate = this;
  ctx.m_pCurrentFrame = other;
  CObject* o = frameClass_->CreateObject();
  auto* frame = dynamic_cast<CFrameWnd*>(o);
  if (!frame) {
    delete o;
    return nullptr;
  }
  frame->m_bAutoDelete = FALSE;
  if (!frame->LoadFrame(resourceId_, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &ctx)) {
    if (frame->m_hWnd) frame->DestroyWindow();
    delete frame;
    return nullptr;
  }
  frame->m_bAutoDelete = TRUE;
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible) {
  frame->InitialUpdateFrame(doc, makeVisible);
}

void CDocTemplate::SetDefaultTitle(CDocument* doc) {
  std::string name;
  if (!GetDocString(name, docName) || name.empty()) name = "Untitled";
  doc->SetTitle(name + std::to_string(untitledCount_ + 1));
}

void CDocTemplate::AddDocument(CDocument* doc) {
  if (std::find(docs_.begin(), docs_.end(), doc) == docs_.end()) docs_.push_back(doc);
  doc->template_ = this;
}

void CDocTemplate::RemoveDocument(CDocument* doc) {
  docs_.erase(std::remove(docs_.begin(), docs_.end(), doc), docs_.end());
  if (doc->template_ == this) doc->template_ = nullptr;
}

BOOL CDocTemplate::GetDocString(std::string& out, DocStringIndex index) const {
  out.clear();
  std::string s;
  if (!res::LoadString(resourceId_, s)) return FALSE;
  out = ResourceField(resourceId_, int(index));
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  for (CDocument* d : std::vector<CDocument*>(docs_))
    if (std::find(docs_.begin(), docs_.end(), d) != docs_.end()) d->OnCloseDocument();
}

BOOL CDocTemplate::SaveAllModified(CDocument* skip) {
  for (CDocument* d : std::vector<CDocument*>(docs_))
    if (d != skip && !d->SaveModified()) return FALSE;
  return TRUE;
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const char* path, BOOL makeVisible) {
  CDocument* doc = CreateNewDocument();
  if (!doc) return nullptr;
  BOOL autoDelete = doc->m_bAutoDelete;
  doc->m_bAutoDelete = FALSE;
  CFrameWnd* frame = CreateNewFrame(doc, nullptr);
  doc->m_bAutoDelete = autoDelete;
  if (!frame) {
    delete doc;
    return nullptr;
  }
  if (!path) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      frame->DestroyWindow();  // takes the view and with it the document
      return nullptr;
    }
    ++untitledCount_;
  } else {
    if (!doc->OnOpenDocument(path)) {
      frame->DestroyWindow();
      return nullptr;
    }
    doc->SetPathName(path);
  }
  InitialUpdateFrame(frame, doc, makeVisible);
  return doc;
}

}  // namespace fw
