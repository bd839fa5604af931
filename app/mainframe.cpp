#include "app/mainframe.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <algorithm>

#include "app/appids.h"
#include "app/selecttracker.h"
#include "app/settingsload.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/menu.h"
#include "model/dllholder.h"
#include "model/graphobject.h"
#include "model/palette.h"
#include "model/records.h"
#include "platform/dc.h"
#include "text/createcftdlg.h"

namespace {

fw::HCURSOR g_cursors[29] = {};
plat::HPEN g_greyPen = nullptr;

constexpr fw::DWORD kMainBarStyle = 0x50402874;
constexpr fw::DWORD kStatusBarStyle = 0x50008200;
constexpr fw::DWORD kContextBarStyle = 0x50401432;
constexpr fw::DWORD kSecondBarStyle = 0x50404174;
constexpr fw::DWORD kPaletteBarStyle = 0x404130;
constexpr fw::DWORD kModeBarStyle = 0x50402834;
constexpr fw::DWORD kPropertyStyle = 0x80C81180;
constexpr fw::UINT kFirstTransformItem = appid::ID_TRANSFORM + 1;

// The item whose popup holds the command, searched through the popups.
bool FindPopupHolding(fw::CMenu* menu, fw::UINT id, fw::CMenu** owner, int* index) {
  if (!menu) return false;
  for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
    fw::CMenu* sub = menu->GetSubMenu(i);
    if (!sub) continue;
    for (int k = 0; k < sub->GetMenuItemCount(); ++k)
      if (!sub->GetSubMenu(k) && sub->GetMenuItemID(k) == id) {
        *owner = menu;
        *index = i;
        return true;
      }
    if (FindPopupHolding(sub, id, owner, index)) return true;
  }
  return false;
}

}  // namespace

fw::HCURSOR AppCursor(int index) { return index >= 0 && index < 29 ? g_cursors[index] : 0; }
plat::HPEN GreyPen() { return g_greyPen; }

// ---------------------------------------------------------------------------
// Bars.

void CToolContextBar::SetToolMode(std::uint32_t tool) {
  const bool node = tool == appid::ID_TOOL_NODE || tool == 40119 || tool == 40120 || tool == 40141 ||
                    tool == 40142 || (tool >= 32855 && tool <= 32862);
  const bool outArea = tool == appid::ID_SET_OUTAREA || tool == appid::ID_SELECT_OUTAREA;
  if (node) {
    LoadToolBar(appid::IDT_CONTEXT_NODE);
    m_group = appid::ID_TOOL_NODE;
    SetColumns(2);
  } else if (outArea) {
    if (m_group != appid::ID_CUT_OUT) {
      LoadToolBar(appid::IDT_CONTEXT_OUTAREA);
      m_group = appid::ID_CUT_OUT;
      SetColumns(1);
    }
  } else if (m_group != appid::ID_TOOL_SELECT) {
    LoadToolBar(appid::IDT_CONTEXT_SELECT);
    m_group = appid::ID_TOOL_SELECT;
    SetColumns(2);
  }
  if (m_hWnd) ModifyStyleEx(0, fw::WS_EX_NOPARENTNOTIFY);
}

void CToolContextBar::SetColumns(int n) {
  m_columns = n < 1 ? 1 : n;
  for (int i = 0; i < GetCount(); ++i) {
    fw::UINT id, style;
    int image;
    GetButtonInfo(i, id, style, image);
    if (m_columns > 1 && id == 0xFFFF) style = (style & ~fw::TBBS_WRAPPED) | fw::TBBS_SEPARATOR;
    if ((i + 1) % m_columns == 0)
      style |= fw::TBBS_WRAPPED;
    else
      style &= ~fw::TBBS_WRAPPED;
    SetButtonInfo(i, id, style, image);
  }
  if (fw::CFrameWnd* f = GetDockingFrame()) f->RecalcLayout();
}

void CModeBar::SetMode(std::uint32_t tool) {
  const std::uint32_t mode = tool == appid::ID_TOOL_GRAPHLIB ? appid::ID_TOOL_GRAPHLIB : appid::ID_TOOL_TEXT;
  if (mode == m_mode) return;
  m_mode = mode;
  LoadToolBar(mode == appid::ID_TOOL_GRAPHLIB ? appid::IDT_MODE_LIB : appid::IDT_MODE_TEXT);
  if (mode == appid::ID_TOOL_GRAPHLIB) {
    if (m_fontPanel && m_fontPanel->m_hWnd) m_fontPanel->ShowWindow(fw::SW_HIDE);
    PlaceGlyphPanel();
  } else {
    if (m_glyphPanel && m_glyphPanel->m_hWnd) m_glyphPanel->ShowWindow(fw::SW_HIDE);
    PlaceFontPanel();
  }
}

void CModeBar::PlaceFontPanel() {
  if (!m_hWnd) return;
  if (!m_fontPanel) {
    m_fontPanel = std::make_unique<CFontPanelDlg>();
    if (!m_fontPanel->Create(this)) {
      m_fontPanel.reset();
      return;
    }
  }
  const fw::DWORD side = GetDockSide();
  if (side == fw::CBRS_ALIGN_LEFT || side == fw::CBRS_ALIGN_RIGHT) {
    SetButtonInfo(0, 40051, fw::TBBS_BUTTON, 0);
    m_fontPanel->ShowWindow(fw::SW_HIDE);
    return;
  }
  PlaceOverFirstButton(*m_fontPanel, 40051);
}

fw::SIZE CModeBar::CalcFixedLayout(fw::BOOL stretch, fw::BOOL horz) {
  if (m_mode == appid::ID_TOOL_TEXT && m_fontPanel && m_fontPanel->m_hWnd)
    m_fontPanel->ShowWindow(horz ? fw::SW_SHOW : fw::SW_HIDE);
  return fw::CToolBar::CalcFixedLayout(stretch, horz);
}

void CModeBar::PlaceGlyphPanel() {
  if (!m_hWnd) return;
  if (!m_glyphPanel) {
    m_glyphPanel = std::make_unique<CLibGlyphPanel>();
    if (!m_glyphPanel->Create(this)) {
      m_glyphPanel.reset();
      return;
    }
  }
  PlaceOverFirstButton(*m_glyphPanel, 32809);
}

void CModeBar::PlaceOverFirstButton(fw::CWnd& panel, fw::UINT command) {
  fw::RECT r;
  panel.GetWindowRect(&r);
  SetButtonInfo(0, command, fw::TBBS_SEPARATOR, r.width());
  fw::RECT cell;
  GetItemRect(0, &cell);
  panel.SetWindowPos(nullptr, cell.left, cell.top, 0, 0, fw::SWP_NOSIZE | fw::SWP_NOZORDER | fw::SWP_NOACTIVATE);
  panel.ShowWindow(fw::SW_SHOW);
}

int CModeBar::SyncWithSelection() {
  CViewServices* view = ::GetActiveView();
  if (!view) return 0;
  if (CGraphObject* edit = view->GetEditObject(); edit && edit->kind == OBJ_TEXT) {
    SetMode(appid::ID_TOOL_TEXT);
    if (m_fontPanel && m_fontPanel->m_hWnd) m_fontPanel->UpdateControls();
    return 1;
  }
  CDesignViewServices* design = view->GetDesignView();
  auto* tracker = design ? dynamic_cast<CSelectTracker*>(design->GetSelectTracker()) : nullptr;
  CGraphObject* current = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!current) return 0;
  if (current->kind == OBJ_TEXT)
    SetMode(appid::ID_TOOL_TEXT);
  else if (current->kind == OBJ_LIBPIC) {
    SetMode(appid::ID_TOOL_GRAPHLIB);
    if (m_glyphPanel && m_glyphPanel->m_hWnd) m_glyphPanel->SyncWithSelection();
  }
  return 1;
}

std::uint32_t RightButtonCommand(std::uint32_t button, bool shift) {
  static const struct {
    std::uint32_t button, command;
  } kTable[] = {{appid::ID_TOOL_SELECT, 32784}, {appid::ID_TOOL_TEXT, 40051}, {appid::ID_TOOL_GRAPHLIB, 40079},
                {appid::ID_CUT_OUT, 40031},     {40046, 40049},                {32820, 40115},
                {40080, 32872},                 {40081, 32873},                {40082, 32874},
                {40083, 32875},                 {40084, 32876},                {40085, 32877},
                {57607, 32888},                 {appid::ID_TRANSFORM, appid::ID_UNTRANSFORM}};
  if (button == appid::ID_TOOL_NODE) return shift ? 32787 : 40022;
  for (const auto& row : kTable)
    if (row.button == button) return row.command;
  return 0;
}

void CToolContextBar::OnRButtonDown(fw::UINT flags, fw::POINT pt) {
  const int index = HitTest(pt);
  if (index >= 0) {
    const std::uint32_t command = RightButtonCommand(GetItemID(index), (flags & fw::MK_SHIFT) != 0);
    if (fw::CWnd* main = fw::AfxGetMainWnd(); main && command) main->SendMessage(fw::WM_COMMAND, command, 0);
  }
  fw::CToolBar::OnRButtonDown(flags, pt);
}

// ---------------------------------------------------------------------------
// Palette bar.

bool SendColorToActiveView(std::uint32_t packed) {
  auto* frame = dynamic_cast<fw::CFrameWnd*>(fw::AfxGetMainWnd());
  fw::CView* view = frame ? frame->GetActiveView() : nullptr;
  if (!view) return false;
  view->SendMessage(fw::WM_COMMAND, appid::ID_COLOR_PICK, fw::LPARAM(packed));
  view->SetFocus();
  return true;
}

FW_BEGIN_COMMAND_MAP(CColorListBox, fw::CListBox)
FW_ON_CONTROL_REFLECT(fw::LBN_SELCHANGE, OnSelChange)
FW_END_COMMAND_MAP()

void CColorListBox::Fill() {
  ResetContent();
  m_firstRow = 0;
  ThePaletteStore().FillListBox(*this);
  m_colorCount = ThePaletteStore().GetColorCount();
}

void CColorListBox::ScrollRows(int rows) {
  fw::RECT client;
  GetClientRect(&client);
  const int rowHeight = std::max(1, GetItemHeight(0));
  const int page = std::max(1, client.height() / rowHeight);
  const int totalRows = (GetCount() + m_perRow - 1) / m_perRow;
  const int last = std::max(0, totalRows - page);
  m_firstRow = std::clamp(m_firstRow + rows, 0, last);
  SetTopIndex(m_firstRow * m_perRow);
}

void CColorListBox::DrawItem(fw::DRAWITEMSTRUCT* dis) {
  if (!dis || !dis->hDC || int(dis->itemID) < 0 || int(dis->itemID) >= GetCount()) return;
  plat::DC* dc = dis->hDC;
  const std::uint32_t packed = std::uint32_t(std::strtoul(GetText(int(dis->itemID)).c_str(), nullptr, 10));
  plat::HBRUSH fill = plat::CreateSolidBrush(PackedRGBToColorRef(packed));
  const bool selected = (dis->itemState & fw::ODS_SELECTED) != 0;
  plat::HBRUSH frame = plat::CreateSolidBrush(selected ? plat::RGB(0, 0, 128) : plat::RGB(255, 255, 255));
  const fw::RECT& r = dis->rcItem;
  dc->FillRect(r, frame);
  dc->FillRect(fw::RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, fill);
  plat::DeleteObject(fill);
  plat::DeleteObject(frame);
}

void CColorListBox::OnSelChange() {
  const int sel = GetCurSel();
  if (sel < 0) return;
  SendColorToActiveView(std::uint32_t(std::strtoul(GetText(sel).c_str(), nullptr, 10)));
}

FW_BEGIN_COMMAND_MAP(CPaletteBar, fw::CDialogBar)
FW_ON_LBN_SELCHANGE(appid::IDC_COLOR_LIST, OnListSelChange)
FW_ON_BN_CLICKED(appid::IDC_COLOR_BUTTON, OnColorButton)
FW_END_COMMAND_MAP()

fw::BOOL CPaletteBar::Create(fw::CWnd* parent, fw::UINT templateId, fw::DWORD style, fw::UINT id) {
  if (!fw::CDialogBar::Create(parent, templateId, style, id)) return fw::FALSE;
  if (fw::SubclassDlgItem(m_list, appid::IDC_COLOR_LIST, this)) m_list.Fill();
  return fw::TRUE;
}

void CPaletteBar::OnListSelChange() {
  const int sel = m_list.GetCurSel();
  if (sel < 0) return;
  SendColorToActiveView(ThePaletteStore().GetColor(sel));
}

void CPaletteBar::OnColorButton() {
  auto* frame = dynamic_cast<fw::CFrameWnd*>(fw::AfxGetMainWnd());
  if (fw::CView* view = frame ? frame->GetActiveView() : nullptr) view->SetFocus();
  fw::CColorDialog dialog(0, fw::CC_FULLOPEN, this);
  if (dialog.DoModal() != fw::IDOK) return;
  SendColorToActiveView(ColorRefToPacked(dialog.GetColor()));
  CPaletteStore& store = ThePaletteStore();
  const int before = store.GetColorCount();
  const fw::COLORREF* custom = fw::CColorDialog::GetSavedCustomColors();
  for (int i = 0; custom && i < 16; ++i)
    if (store.FindColor(custom[i]) < 0) store.AddColor(custom[i]);
  if (store.GetColorCount() > before && m_list.m_hWnd) m_list.Fill();
}

void CPaletteBar::OnSize(fw::UINT type, int cx, int cy) {
  fw::CDialogBar::OnSize(type, cx, cy);
  fw::RECT client;
  GetClientRect(&client);
  if (fw::CWnd* frameCtl = GetDlgItem(appid::IDC_COLOR_FRAME)) {
    frameCtl->MoveWindow(0, 0, std::max(0, client.width() - 5), std::max(0, client.height() - 35));
    frameCtl->SetWindowPos(fw::HWND_BOTTOM, 0, 0, 0, 0, fw::SWP_NOMOVE | fw::SWP_NOSIZE | fw::SWP_NOACTIVATE);
  }
  if (m_list.m_hWnd) m_list.MoveWindow(0, 18, std::max(0, client.width() - 5), std::max(0, client.height() - 71));
}

void CPaletteBar::OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) {
  if (code == fw::SB_LINEUP)
    m_list.ScrollRows(-1);
  else if (code == fw::SB_LINEDOWN)
    m_list.ScrollRows(1);
  else
    fw::CDialogBar::OnVScroll(code, pos, bar);
}

// ---------------------------------------------------------------------------

using fw::CMDIFrameWnd;
FW_IMPLEMENT_DYNCREATE(CMDIMainFrame, CMDIFrameWnd)

FW_BEGIN_COMMAND_MAP(CMDIMainFrame, fw::CMDIFrameWnd)
FW_ON_COMMAND(appid::ID_SHOW_QUWEI, OnShowQuWei)
FW_ON_COMMAND(appid::ID_TEXT_EDITOR, OnTextEditor)
FW_ON_COMMAND(appid::ID_SHOW_PROPERTY, OnShowProperty)
FW_ON_COMMAND(appid::ID_VIEW_ACTIVE, OnViewActive)
FW_ON_COMMAND(appid::ID_DOC_CLOSED, OnDocumentClosed)
FW_ON_COMMAND(appid::ID_NEW_WINFONTS, OnNewWinFonts)
FW_ON_COMMAND(fw::ID_HELP, OnHelp)
FW_ON_COMMAND(appid::ID_HELP_TOPIC, OnHelpFinder)
FW_ON_COMMAND(fw::ID_HELP_FINDER, OnHelpFinder)
FW_ON_COMMAND(fw::ID_HELP_INDEX, OnHelpIndex)
FW_END_COMMAND_MAP()

CMDIMainFrame::CMDIMainFrame() {
  for (int i = 0; i < 29; ++i) g_cursors[i] = fw::LoadCursor(appid::kCursorIds[i]);
  CreateSharedDrawingTools();
  if (!g_greyPen) g_greyPen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(128, 128, 128));
}

CMDIMainFrame::~CMDIMainFrame() {
  DeleteSharedDrawingTools();
  if (g_greyPen) plat::DeleteObject(g_greyPen);
  g_greyPen = nullptr;
}

fw::BOOL CMDIMainFrame::PreCreateWindow(fw::CREATESTRUCT& cs) {
  cs.x = cs.y = 0;
  cs.cx = 640;
  cs.cy = 475;
  return fw::CMDIFrameWnd::PreCreateWindow(cs);
}

int CMDIMainFrame::OnCreate(fw::CREATESTRUCT* cs) {
  if (fw::CMDIFrameWnd::OnCreate(cs) == -1) return -1;

  if (!m_mainBar.CreateEx(this, fw::TBSTYLE_FLAT, kMainBarStyle, fw::RECT{}, appid::IDT_MAIN) ||
      !m_mainBar.LoadToolBar(appid::IDT_MAIN))
    return -1;
  m_mainBar.EnableDocking(fw::CBRS_ALIGN_ANY);

  static const fw::UINT kIndicators[] = {fw::ID_SEPARATOR, appid::IDS_MOUSE, appid::IDS_WIDTH, appid::IDS_HEIGHT,
                                         appid::IDS_TYPE};
  if (!m_statusBar.Create(this, kStatusBarStyle, fw::AFX_IDW_STATUS_BAR) ||
      !m_statusBar.SetIndicators(kIndicators, 5))
    return -1;
  m_statusBar.SetPaneInfo(1, appid::IDS_MOUSE, fw::SBPS_NORMAL, 90);
  m_statusBar.SetPaneInfo(4, appid::IDS_TYPE, fw::SBPS_NOBORDERS, 80);
  // Room for the widest position and size the status commands write (ShowSize and
  // the mouse position: millimetres to a tenth).
  m_statusBar.SetPaneWidestText(1, "M: -9999.9,-9999.9");
  m_statusBar.SetPaneWidestText(2, "W: 99999.9");
  m_statusBar.SetPaneWidestText(3, "H: 99999.9");

  if (!m_contextBar.CreateEx(this, fw::TBSTYLE_FLAT, kContextBarStyle, fw::RECT{}, appid::IDT_CONTEXT_SELECT))
    return -1;
  m_contextBar.SetToolMode(appid::ID_TOOL_SELECT);
  m_contextBar.EnableDocking(fw::CBRS_ALIGN_LEFT);

  if (!m_secondBar.CreateEx(this, fw::TBSTYLE_FLAT, kSecondBarStyle, fw::RECT{}, appid::IDT_SECOND) ||
      !m_secondBar.LoadToolBar(appid::IDT_SECOND))
    return -1;
  m_secondBar.EnableDocking(fw::CBRS_ALIGN_ANY);

  if (!m_paletteBar.Create(this, appid::IDD_PALETTE_BAR, kPaletteBarStyle, appid::IDD_PALETTE_BAR)) return -1;
  m_paletteBar.EnableDocking(fw::CBRS_ALIGN_RIGHT);

  if (!m_modeBar.CreateEx(this, fw::TBSTYLE_FLAT, kModeBarStyle, fw::RECT{}, appid::IDT_MODE) ||
      !m_modeBar.LoadToolBar(appid::IDT_MODE))
    return -1;
  m_modeBar.EnableDocking(fw::CBRS_ALIGN_ANY);

  EnableDocking(fw::CBRS_ALIGN_ANY);
  DockControlBar(&m_contextBar);
  DockControlBar(&m_secondBar);
  DockControlBar(&m_mainBar);
  DockControlBar(&m_modeBar);
  m_modeBar.SetMode(appid::ID_TOOL_TEXT);
  LoadBarState("BarStates");
  for (fw::CToolBar* bar : {static_cast<fw::CToolBar*>(&m_mainBar), static_cast<fw::CToolBar*>(&m_secondBar), static_cast<fw::CToolBar*>(&m_modeBar)})
    StackForDockSide(*bar);
  return 0;
}

// A tool bar docked on the left or right stands in one column.
void CMDIMainFrame::StackForDockSide(fw::CToolBar& bar) {
  const fw::DWORD side = bar.GetDockSide();
  const bool vertical = side == fw::CBRS_ALIGN_LEFT || side == fw::CBRS_ALIGN_RIGHT;
  for (int i = 0; i < bar.GetCount(); ++i) {
    const fw::UINT style = bar.GetButtonStyle(i);
    bar.SetButtonStyle(i, vertical ? (style | fw::TBBS_WRAPPED) : (style & ~fw::TBBS_WRAPPED));
  }
}

void CMDIMainFrame::OnClose() {
  SaveBarState("BarStates");
  fw::CMDIFrameWnd::OnClose();
}

void CMDIMainFrame::OnDestroy() {
  // The property window goes with the main window (it deletes itself).
  if (CPropertyFrame* frame = ThePropertyFrame()) {
    if (frame->m_hWnd)
      frame->DestroyWindow();
    else
      delete frame;
  }
  fw::CMDIFrameWnd::OnDestroy();
}

void CMDIMainFrame::OnSetPreviewMode(fw::BOOL preview, fw::CPrintPreviewState* state) {
  m_hAccelTable = nullptr;
  if (state) state->lpfnCloseProc = nullptr;
  fw::CMDIFrameWnd::OnSetPreviewMode(preview, state);
  m_hAccelTable = nullptr;
}

void CMDIMainFrame::ShowControlBars(std::uint16_t show, std::uint16_t which) {
  struct {
    std::uint16_t bit;
    fw::CControlBar* bar;
  } const bars[] = {{appid::BAR_MAIN, &m_mainBar},
                    {appid::BAR_CONTEXT, &m_contextBar},
                    {appid::BAR_PALETTE, &m_paletteBar},
                    {appid::BAR_SECOND, &m_secondBar}};
  for (const auto& b : bars)
    if ((which & b.bit) && b.bar->m_hWnd) ShowControlBar(b.bar, (show & b.bit) ? fw::TRUE : fw::FALSE, fw::TRUE);
}

// ---------------------------------------------------------------------------
// Menu set-up.

void CMDIMainFrame::OnInitMenu(fw::CMenu* menu) {
  fw::CMDIFrameWnd::OnInitMenu(menu);
  if (!menu || menu->HasCommand(kFirstTransformItem)) return;
  AddTransformItems(menu);

  // "Reserve": the item whose popup holds 40072, enabled by the service switch.
  fw::CMenu* reserveOwner = nullptr;
  int reserve = -1;
  if (FindPopupHolding(menu, appid::ID_NEW_WINFONTS, &reserveOwner, &reserve))
    reserveOwner->EnableMenuItem(fw::UINT(reserve), fw::MF_BYPOSITION |
                                                        (TheAppGlobals().serviceSwitch ? fw::MF_ENABLED : fw::MF_GRAYED));
}

void CMDIMainFrame::AddTransformItems(fw::CMenu* menu) {
  if (!menu || menu->HasCommand(kFirstTransformItem)) return;
  // The library's transforms, in a popup right after "T&ransform...".
  CTransformDll& lib = TheTransformDll();
  const int count = lib.IsLoaded() ? lib.GetTransformCount() : 0;
  fw::CMenu* owner = nullptr;
  int at = -1;
  if (count > 0 && menu->FindItem(appid::ID_TRANSFORM, fw::MF_BYCOMMAND, &owner, &at) && owner) {
    auto popup = std::make_unique<fw::CMenu>();
    for (int i = count; i >= 1; --i) {
      char name[41] = {};
      plat::HBITMAP bitmap = nullptr;
      lib.dllGetTransformInfo(std::uint32_t(i), name, &bitmap);
      if (bitmap) plat::DeleteObject(bitmap);
      popup->InsertMenu(0, fw::MF_BYPOSITION | fw::MF_STRING, appid::ID_TRANSFORM + fw::UINT(i), name);
    }
    owner->InsertPopup(fw::UINT(at + 1), fw::MF_BYPOSITION, "Transforms", std::move(popup));
  }
}

// ---------------------------------------------------------------------------
// Status commands.

void CMDIMainFrame::SetPane(int pane, const std::string& text) {
  if (m_statusBar.m_hWnd) m_statusBar.SetPaneText(pane, text, fw::TRUE);
}

bool CMDIMainFrame::HandleStatusCommand(std::uint32_t id, fw::LPARAM lp) {
  switch (id) {
    case appid::ID_STATUS_MOUSE:
    case appid::ID_STATUS_SIZE:
    case appid::ID_STATUS_TYPE:
    case appid::ID_STATUS_MEASURE:
    case appid::ID_STATUS_TEXT:
    case appid::ID_STATUS_STRING:
      break;
    default:
      return false;
  }
  if (lp == 0) return true;  // nothing to show
  char text[256];
  if (id == appid::ID_STATUS_MOUSE) {
    const auto* f = reinterpret_cast<const float*>(lp);
    std::snprintf(text, sizeof text, "M: %.1f,%.1f", double(f[0]), double(f[1]));
    SetPane(1, text);
  } else if (id == appid::ID_STATUS_SIZE) {
    const auto* f = reinterpret_cast<const float*>(lp);
    ShowSize(f[0], f[1]);
  } else if (id == appid::ID_STATUS_TYPE) {
    ShowText(reinterpret_cast<const char*>(lp));
  } else if (id == appid::ID_STATUS_MEASURE) {
    const auto* f = reinterpret_cast<const float*>(lp);
    const double dx = std::fabs(double(f[2]) - double(f[0]));
    const double dy = std::fabs(double(f[3]) - double(f[1]));
    std::snprintf(text, sizeof text, "Measure (X = %.1f , Y = %.1f) -Lenth:%.1f", double(f[0]), double(f[1]),
                  std::sqrt(dx * dx + dy * dy));
    SetPane(0, text);
  } else if (id == appid::ID_STATUS_TEXT) {
    SetStatusText(reinterpret_cast<const char*>(lp));
  } else {
    SetPane(0, fw::res::String(fw::UINT(lp)));
  }
  return true;
}

fw::BOOL CMDIMainFrame::OnCommand(fw::WPARAM wp, fw::LPARAM lp) {
  if (wp <= 0xFFFFFFFFu && HandleStatusCommand(std::uint32_t(wp), lp)) return fw::TRUE;
  return fw::CMDIFrameWnd::OnCommand(wp, lp);
}

void CMDIMainFrame::SetStatusText(std::string_view text) { SetPane(0, std::string(text)); }

void CMDIMainFrame::ShowSize(float width, float height) {
  char text[64];
  std::snprintf(text, sizeof text, "W: %.1f", double(width));
  SetPane(2, text);
  std::snprintf(text, sizeof text, "H: %.1f", double(height));
  SetPane(3, text);
}

void CMDIMainFrame::ShowText(std::string_view text) { SetPane(4, std::string(text)); }

void CMDIMainFrame::OpenTextEditor() {
  if (!m_textEditor.Exists() || !m_textEditor.IsWindowVisible()) OnTextEditor();
}

void CMDIMainFrame::CopyTextEditorSelection() { m_textEditor.CopySelection(); }

void CMDIMainFrame::SetToolMode(std::uint32_t tool) {
  if (m_contextBar.m_hWnd) m_contextBar.SetToolMode(tool);
}

int CMDIMainFrame::SyncWithSelection() { return m_modeBar.SyncWithSelection(); }

// ---------------------------------------------------------------------------
// Tool windows.

void CMDIMainFrame::ToggleWindow(fw::CWnd& window) {
  window.ShowWindow((window.GetStyle() & fw::WS_VISIBLE) ? fw::SW_HIDE : fw::SW_SHOW);
}

void CMDIMainFrame::OnShowQuWei() {
  if (!m_quWei.m_hWnd) {
    // Owned by the frame: it stays above it.
    if (!m_quWei.Create(appid::IDD_QUWEI, this)) return;
    fw::RECT frame, client;
    GetWindowRect(&frame);
    m_quWei.GetClientRect(&client);
    m_quWei.SetWindowPos(fw::HWND_TOP, frame.right - client.width() - 20, frame.bottom - client.height() - 20, 0, 0,
                         fw::SWP_NOSIZE);
  }
  ToggleWindow(m_quWei);
}

void CMDIMainFrame::OnNewWinFonts() {
  CCreateCftDlg dialog;
  dialog.DoModal();
}

void CMDIMainFrame::OnTextEditor() {
  if (!m_textEditor.Exists()) {
    if (!m_textEditor.Create(this)) return;
    if (fw::CEdit* edit = m_textEditor.GetEdit()) edit->LimitText(65536);
    fw::RECT frame, client;
    GetWindowRect(&frame);
    m_textEditor.GetClientRect(&client);
    m_textEditor.SetWindowPos(fw::HWND_TOP, frame.left + 20, frame.bottom - client.height() - 20, frame.width() - 50,
                              client.height(), fw::SWP_NOACTIVATE);
  }
  ToggleWindow(m_textEditor);
}

void CMDIMainFrame::OnShowProperty() {
  CPropertyFrame*& frame = ThePropertyFrame();
  if (!frame) frame = new CPropertyFrame(&frame);
  if (!frame->m_hWnd) {
    fw::RECT main;
    GetWindowRect(&main);
    fw::RECT r;
    r.left = 0;
    r.right = 200;
    r.bottom = main.bottom - 30;
    r.top = r.bottom - 25;
    if (!frame->Create("", "Property", kPropertyStyle, r, this)) return;
    frame->ShowWindow(fw::SW_SHOW);
  } else {
    ToggleWindow(*frame);
  }
  if (frame->GetStyle() & fw::WS_VISIBLE)
    if (fw::CView* view = GetActiveView()) view->PostMessage(fw::WM_COMMAND, appid::ID_REFRESH_PROPERTY, 0);
}

void CMDIMainFrame::OnViewActive() {
  fw::CView* view = GetActiveView();
  if (!view) return;
  if (auto* services = dynamic_cast<CViewServices*>(view)) {
    const std::uint32_t tool = services->GetCurrentTool();
    m_contextBar.SetToolMode(tool);
    m_modeBar.SetMode(tool);
  }
  view->PostMessage(fw::WM_COMMAND, appid::ID_REFRESH_PROPERTY, 0);
}

void CMDIMainFrame::OnDocumentClosed() {
  fw::CWinApp* app = fw::AfxGetApp();
  if (app && !app->GetDocTemplates().empty() && app->GetDocTemplates().front()->GetOpenDocumentCount() > 0) return;
  ShowControlBars(0, 0xFFFF);
}
