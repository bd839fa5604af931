#include "app/cutview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/graphobject.h"
#include "output/cutarrange.h"
#include "output/cutinfo.h"
#include "output/cutter.h"

FW_IMPLEMENT_DYNCREATE(CCUTView, CVORLANView)

FW_BEGIN_COMMAND_MAP(CCUTView, CVORLANView)
FW_ON_COMMAND(cutid::ID_CUT_REDRAW, OnRedraw)
FW_ON_COMMAND(cutid::ID_CUT_REBUILD, OnRebuild)
FW_ON_COMMAND(fw::AFX_ID_PREVIEW_CLOSE, OnPreviewClose)
FW_END_COMMAND_MAP()

namespace {

constexpr std::uint32_t kToolSelect = 40070;

// The bar over the cut view in the main frame: its "Close" ends the preview.
class CPreviewBar : public fw::CDialogBar {
  FW_DECLARE_COMMAND_MAP()

 public:
  explicit CPreviewBar(CCUTView& view) : m_view(view) {}
  void OnClose() override { m_view.OnPreviewClose(); }

 private:
  CCUTView& m_view;
};

FW_BEGIN_COMMAND_MAP(CPreviewBar, fw::CDialogBar)
FW_ON_COMMAND(fw::AFX_ID_PREVIEW_CLOSE, OnClose)
FW_END_COMMAND_MAP()
constexpr int kRulerThickness = 15;
constexpr int kPaperSlack = 2;  // px the paper may reach beyond the client

// The view's own list as the selection tracker sees a document.
class CutListServices final : public CDocumentServices {
 public:
  CutListServices(CSegArray& list, CCUTView& view) : list_(list), view_(view) {}
  CSegArray* GetObjectList() override { return &list_; }
  int GetObjectCount() const override { return list_.GetSize(); }
  CGraphObject* GetObjectAt(int index) const override { return list_.GetAt(index); }
  int IndexOfObject(const CGraphObject* object) const override { return list_.Find(object); }
  int AddObject(CGraphObject* object, bool update) override {
    const int i = list_.Add(object);
    if (update) view_.RepaintView(true);
    return i;
  }
  void InsertObject(CGraphObject* object, int index) override { list_.InsertAt(index, object); }
  int RemoveObject(CGraphObject* object) override {
    const int i = list_.Find(object);
    if (i >= 0) list_.RemoveAt(i);
    return i;
  }
  void RemoveObjects(const std::vector<CGraphObject*>& objects) override {
    for (CGraphObject* o : objects) RemoveObject(o);
  }
  float GetPageWidth() const override { return view_.GetPageWidth(); }
  float GetPageHeight() const override { return view_.GetPageHeight(); }
  float GetGridStep() const override { return 0.0f; }
  void SetModified(bool) override {}
  int GetViewCount() const override { return 1; }
  CViewServices* GetView(int index) override {
    if (index != 0) return nullptr;
    CViewServices& services = view_;  // the view as services, without a null test
    return &services;
  }

 private:
  CSegArray& list_;
  CCUTView& view_;
};

bool IsEdgeTool(std::uint32_t tool) { return tool >= cutid::ID_TOOL_EDGE_LEFT && tool <= cutid::ID_TOOL_EDGE_BOTTOM; }

std::uint32_t EdgeCursor(std::uint32_t tool) {
  return tool == cutid::ID_TOOL_EDGE_LEFT || tool == cutid::ID_TOOL_EDGE_RIGHT ? fw::IDC_SIZEWE : fw::IDC_SIZENS;
}

CFRect Ordered(CFRect r) {
  r.Normalize();
  return r;
}

}  // namespace

CCUTView::CCUTView() : m_list(std::make_unique<CutListServices>(m_objects, *this)) {
  m_currentTool = kToolSelect;
  m_tracker.SetView(this);
  // Here the tracker only selects, moves and rubber-bands: no handles.
  m_tracker.EnableHandles(false);
}

CCUTView::~CCUTView() {
  m_objects.DeleteAll();
}

CVORLAN98Doc* CCUTView::GetDesign() const {
  if (m_design) return m_design;
  auto* main = dynamic_cast<fw::CFrameWnd*>(fw::AfxGetMainWnd());
  return main ? dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument()) : nullptr;
}

CCutFrame* CCUTView::GetCutFrame() const { return dynamic_cast<CCutFrame*>(GetParentFrame()); }

CCutInfo& CCUTView::Info() const {
  CCutFrame* frame = GetCutFrame();
  return frame ? frame->GetInfo() : g_CutInfo;
}

void CCUTView::SetPreviewState(std::unique_ptr<fw::CPrintPreviewState> state) {
  m_preview = std::move(state);
  auto* frame = GetParentFrame();
  if (!m_preview || !frame || m_previewBar) return;
  if (!fw::res::FindDialog(fw::AFX_IDD_PREVIEW_TOOLBAR))
    fw::res::SetDialog(fw::AFX_IDD_PREVIEW_TOOLBAR,
                       fw::DialogTemplate{"", fw::WS_CHILD, {0, 0, 640, 28},
                                          {fw::DlgItemDef(fw::AFX_ID_PREVIEW_CLOSE, fw::CtrlKind::Button, "Close",
                                                          fw::WS_CHILD | fw::WS_VISIBLE | fw::BS_PUSHBUTTON,
                                                          {4, 3, 80, 25})}});
  auto bar = std::make_unique<CPreviewBar>(*this);
  if (!bar->Create(frame, fw::AFX_IDD_PREVIEW_TOOLBAR, fw::WS_CHILD | fw::CBRS_TOP, fw::AFX_IDW_PREVIEW_BAR)) return;
  frame->DockControlBar(bar.get(), fw::CBRS_ALIGN_TOP);
  m_previewBar = std::move(bar);
}

// Closed after the command that asked has returned.
void CCUTView::OnPreviewClose() {
  if (m_preview) PostMessage(fw::WM_CLOSE, 0, 0);
}

void CCUTView::OnKeyDown(fw::UINT ch, fw::UINT repeat, fw::UINT flags) {
  if (ch == fw::VK_ESCAPE && m_preview) return OnPreviewClose();
  CVORLANView::OnKeyDown(ch, repeat, flags);
}

// --- Window ----------------------------------------------------------------------

fw::BOOL CCUTView::PreCreateWindow(fw::CREATESTRUCT& cs) {
  cs.style |= fw::WS_HSCROLL | fw::WS_VSCROLL;
  // A class of its own: light grey, and its cursor is the cut view's alone.
  cs.className = "TindrelCutView";
  if (fw::WndClass* c = fw::RegisterWndClass(cs.className, fw::CS_DBLCLKS, fw::IDC_ARROW)) c->background = plat::LTGRAY_BRUSH;
  return CVORLANView::PreCreateWindow(cs);
}

int CCUTView::OnCreate(fw::CREATESTRUCT* cs) {
  // The design is read, not shown: the view stays out of its view list.
  auto* ctx = static_cast<fw::CCreateContext*>(cs->lpCreateParams);
  fw::CDocument* doc = ctx ? ctx->m_pCurrentDoc : nullptr;
  m_design = dynamic_cast<CVORLAN98Doc*>(doc);
  if (ctx) ctx->m_pCurrentDoc = nullptr;
  const int result = CVORLANView::OnCreate(cs);
  if (ctx) ctx->m_pCurrentDoc = doc;
  if (result == -1) return -1;
  if (CCutFrame* frame = GetCutFrame()) frame->SetArrangementHost(this);
  return result;
}

void CCUTView::OnDestroy() {
  if (CCutFrame* frame = GetCutFrame(); frame && frame->GetArrangementHost() == this) {
    frame->SetArrangementHost(nullptr);
    frame->GetCutterBar().SetCutObjects(nullptr, {});
  }
  // Standing in the main frame's panes: they come back, without the preview's bar.
  if (m_previewBar && m_previewBar->m_hWnd) m_previewBar->DestroyWindow();
  m_previewBar.reset();
  if (m_preview)
    if (auto* frame = GetParentFrame(); frame && frame->IsInPreviewMode()) frame->OnSetPreviewMode(fw::FALSE, m_preview.get());
  CVORLANView::OnDestroy();
}

void CCUTView::OnInitialUpdate() {
  m_currentTool = kToolSelect;
  m_tracker.ClearSelection(nullptr, false);
  m_objects.DeleteAll();
  if (!m_rulers) {
    m_rulers = new CViewRulers(this, kRulerThickness);
    m_rulers->Reposition();
    m_zoom = m_rulers->GetZoomPointer();
    m_viewMatrix = m_rulers->GetMatrix();
  }
  const CFRect paper = Ordered(Info());
  SetPageSize(paper.left, paper.top, paper.right, paper.bottom);
  Rebuild();
  CCutFrame* frame = GetCutFrame();
  if (frame) frame->GetCutBar().Options().FillColors(m_objects);
  const CFRect fit = FitRect();
  SetPageRect(fit.left, fit.top, fit.right, fit.bottom);
  m_viewMatrix = m_rulers->GetMatrix();
  if (frame) {
    CVORLAN98Doc* design = GetDesign();
    frame->GetCutterBar().SetCutObjects(&m_objects, design ? design->GetTitle() : std::string());
  }
}

void CCUTView::OnSize(fw::UINT type, int cx, int cy) {
  CVORLANView::OnSize(type, cx, cy);
  if (m_rulers) m_rulers->Reposition();
}

// --- Arrangement -----------------------------------------------------------------

void CCUTView::Rebuild() {
  CVORLAN98Doc* design = GetDesign();
  if (!design) {
    m_objects.DeleteAll();
    return;
  }
  BuildCutArrangement(*design->GetObjectList(), design->GetOutAreaList(), design->GetPageWidth(),
                      design->GetPageHeight(), Info(), m_objects, m_arrangement);
}

CFRect CCUTView::FitRect() {
  CFRect u = Ordered(Info());
  CFRect b;
  if (m_objects.GetBoundRect(&b, 0)) {
    u.left = std::min(u.left, b.left);
    u.top = std::min(u.top, b.top);
    u.right = std::max(u.right, b.right);
    u.bottom = std::max(u.bottom, b.bottom);
  }
  return u;
}

void CCUTView::OnRedraw() {
  ZoomToRect(FitRect());
  RepaintAll();
}

void CCUTView::OnRebuild() {
  m_tracker.ClearSelection(nullptr, true);
  Rebuild();
  RepaintAll();
}

// --- Painting --------------------------------------------------------------------

void CCUTView::OnPaint() {
  PaintBuffered([this](plat::DC* dc, const fw::RECT&) { Paint(dc); });
}

void CCUTView::Paint(plat::DC* dc) {
  const fw::SIZE size = GetClientSize();
  dc->FillRect(fw::RECT{0, 0, size.cx, size.cy}, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::LTGRAY_BRUSH)));
  const CMatrix3* m = GetViewMatrix();
  if (!m) return;
  // The paper window, kept within a few pixels of the client.
  const CFRect paper = Ordered(Info());
  const plat::POINT a = PageToDevice(CFPoint{paper.left, paper.top});
  const plat::POINT b = PageToDevice(CFPoint{paper.right, paper.bottom});
  const fw::RECT r{std::max<plat::LONG>(a.x, -kPaperSlack), std::max<plat::LONG>(a.y, -kPaperSlack),
                   std::min<plat::LONG>(b.x, size.cx + kPaperSlack), std::min<plat::LONG>(b.y, size.cy + kPaperSlack)};
  if (r.left < r.right && r.top < r.bottom) {
    plat::HBRUSH old = dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH)));
    dc->Rectangle(r.left, r.top, r.right, r.bottom);
    dc->SelectObject(old);
  }
  for (int i = m_objects.GetSize() - 1; i >= 0; --i)
    if (CGraphObject* o = m_objects.GetAt(i)) o->Draw(dc, m, nullptr);
  m_tracker.DrawSelected(dc, m);
}

// --- Mouse -----------------------------------------------------------------------

int CCUTView::EdgeAt(CFPoint p) const {
  const float tol = float(3.0 * GetScale());
  const CFRect paper = Ordered(Info());
  if (p.x < paper.left - tol || p.x > paper.right + tol || p.y < paper.top - tol || p.y > paper.bottom + tol)
    return -1;
  if (std::fabs(p.x - paper.left) <= tol) return int(cutid::ID_TOOL_EDGE_LEFT);
  if (std::fabs(p.x - paper.right) <= tol) return int(cutid::ID_TOOL_EDGE_RIGHT);
  if (std::fabs(p.y - paper.top) <= tol) return int(cutid::ID_TOOL_EDGE_TOP);
  if (std::fabs(p.y - paper.bottom) <= tol) return int(cutid::ID_TOOL_EDGE_BOTTOM);
  return 0;
}

void CCUTView::OnLButtonDown(fw::UINT flags, fw::POINT pt) {
  SetFocus();
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  const int edge = EdgeAt(p);
  if (edge > 0) {
    m_currentTool = std::uint32_t(edge);
    SetClassCursor(EdgeCursor(m_currentTool));
    m_edgeStart = p;
    m_drag = CFRect(p.x, p.y, p.x, p.y);
    m_dragKind = DRAG_LINE | DRAG_PEN_RED;
    CaptureMouse();
    DrawCurrentDragShape();
    return;
  }
  if (edge < 0) SetCursor(fw::IDC_ARROW);
  m_tracker.OnLButtonDown(flags, p.x, p.y);
}

void CCUTView::ShowPaperSize(std::uint32_t tool, CFPoint p) {
  CCutFrame* frame = GetCutFrame();
  if (!frame || !frame->GetCutterBar().m_hWnd) return;
  const CFRect paper = Ordered(Info());
  const bool across = tool == cutid::ID_TOOL_EDGE_LEFT || tool == cutid::ID_TOOL_EDGE_RIGHT;
  float size = across ? paper.Width() : paper.Height();
  if (tool == cutid::ID_TOOL_EDGE_RIGHT) size = p.x - paper.left;
  if (tool == cutid::ID_TOOL_EDGE_BOTTOM) size = p.y - paper.top;
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", double(size));
  if (fw::CWnd* edit = frame->GetCutterBar().GetDlgItem(across ? cutid::IDC_PAPER_WIDTH : cutid::IDC_PAPER_HEIGHT))
    edit->SetWindowText(text);
}

void CCUTView::OnMouseMove(fw::UINT flags, fw::POINT pt) {
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  if (IsEdgeTool(m_currentTool)) {
    ShowPaperSize(m_currentTool, p);
  } else {
    const int edge = EdgeAt(p);
    SetCursor(edge > 0 ? EdgeCursor(std::uint32_t(edge)) : fw::IDC_ARROW);
    m_tracker.OnMouseMove(flags, p.x, p.y);
  }
  CVORLANView::OnMouseMove(flags, pt);
}

void CCUTView::OnLButtonUp(fw::UINT flags, fw::POINT pt) {
  const CFPoint p = DeviceToPage(pt.x, pt.y);
  if (!IsEdgeTool(m_currentTool)) {
    m_tracker.OnLButtonUp(flags, p.x, p.y);
    return;
  }
  if (m_dragKind) DrawCurrentDragShape();
  m_dragKind = 0;
  ReleaseMouse();
  CCutInfo& paper = Info();
  paper.Normalize();
  const float w = paper.Width(), h = paper.Height();
  if (!(p == m_edgeStart)) {
    switch (m_currentTool) {
      case cutid::ID_TOOL_EDGE_LEFT:
        paper.left = p.x;
        paper.right = p.x + w;
        break;
      case cutid::ID_TOOL_EDGE_RIGHT:
        // A paper narrower than a millimetre is refused.
        if (p.x - paper.left >= 1.0f) paper.right = p.x;
        break;
      case cutid::ID_TOOL_EDGE_TOP:
        paper.top = p.y;
        paper.bottom = p.y + h;
        break;
      default:
        if (p.y - paper.top >= 1.0f) paper.bottom = p.y;
        break;
    }
  }
  m_currentTool = kToolSelect;
  SetClassCursor(fw::IDC_ARROW);
  OnRedraw();
}

// --- The design view's cut-out commands --------------------------------------------

CCutFrame* CVORLAN98View::OpenCutWindow() {
  RegisterCutWindowResources();
  auto frame = std::make_unique<CCutFrame>();
  frame->m_bAutoDelete = fw::FALSE;
  fw::CCreateContext ctx;
  ctx.m_pNewViewClass = FW_RUNTIME_CLASS(CCUTView);
  ctx.m_pCurrentDoc = GetDoc();
  if (!frame->LoadFrame(cutid::IDR_CUT_FRAME, fw::WS_OVERLAPPEDWINDOW, this, &ctx)) {
    if (frame->m_hWnd) frame->DestroyWindow();
    return nullptr;
  }
  frame->m_bAutoDelete = fw::TRUE;
  CCutFrame* cut = frame.release();
  cut->SetMenu(nullptr);
  cut->InitialUpdateFrame(nullptr, fw::FALSE);
  cut->SetWindowText("CutOut  ");
  cut->ShowWindow(fw::SW_SHOWMAXIMIZED);
  cut->UpdateWindow();
  if (fw::CWnd* main = fw::AfxGetMainWnd()) main->ShowWindow(fw::SW_HIDE);
  return cut;
}

void CVORLAN98View::OnCutout() { OpenCutWindow(); }

void CVORLAN98View::OnCutViewInFrame() {
  auto* main = dynamic_cast<fw::CFrameWnd*>(fw::AfxGetMainWnd());
  if (!main || main->IsInPreviewMode()) return;
  RegisterCutWindowResources();
  // The paper window comes from the stored parameters, as in the cut window.
  g_CutInfo.Load();
  auto state = std::make_unique<fw::CPrintPreviewState>();
  main->OnSetPreviewMode(fw::TRUE, state.get());
  main->m_lpfnCloseProc = nullptr;
  fw::CCreateContext ctx;
  ctx.m_pNewViewClass = FW_RUNTIME_CLASS(CCUTView);
  ctx.m_pCurrentDoc = GetDoc();
  ctx.m_pCurrentFrame = main;
  auto* view = new CCUTView;
  fw::RECT r{};
  main->GetClientRect(&r);
  if (!view->Create("", "", fw::WS_CHILD | fw::WS_VISIBLE | fw::WS_BORDER, r, main, fw::AFX_IDW_PANE_FIRST, &ctx)) {
    main->OnSetPreviewMode(fw::FALSE, state.get());
    return;
  }
  view->SetPreviewState(std::move(state));
  main->SetActiveView(view);
  view->OnInitialUpdate();
  main->RecalcLayout();
  main->UpdateWindow();
}
