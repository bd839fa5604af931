#include "output/cutwindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/app.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/segarray.h"
#include "model/services.h"
#include "output/cutarrange.h"
#include "output/cutinfo.h"
#include "output/cutrun.h"
#include "output/cutlayout.h"
#include "output/cutter.h"
#include "output/halfcutdlg.h"
#include "output/portsettingdlg.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

constexpr int kTabMargin = 2;     // px between the bar and its tab control
constexpr int kTabHeader = 24;    // px of the tab row

void Register() {
  // Again after the tables were cleared.
  if (fw::res::FindDialog(cutid::IDD_CUT_KNIFE)) return;
  {
    using namespace cutid;
    using fw::MenuItemDef;
    constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
    constexpr fw::DWORD kCheck = kChild | fw::WS_TABSTOP | fw::BS_AUTOCHECKBOX;
    constexpr fw::DWORD kPush = kChild | fw::WS_TABSTOP | fw::BS_PUSHBUTTON;
    constexpr fw::DWORD kEdit = kChild | fw::WS_TABSTOP | fw::WS_BORDER;
    constexpr fw::DWORD kList = kChild | fw::WS_TABSTOP | fw::WS_VSCROLL | fw::CBS_DROPDOWNLIST;

    fw::res::SetString(IDR_CUT_FRAME, "VORLANCUT");
    fw::res::SetMenu(IDR_CUT_FRAME,
                     {
                         {"&Cut", std::vector<MenuItemDef>{{"CutterTest", IDC_TEST},
                                                           {"CutterReset", IDC_RESET},
                                                           {"GoCut", IDC_OUTPUT},
                                                           {"EXITCUT", IDC_EXIT}}},
                         {"&View", std::vector<MenuItemDef>{{"Redraw", ID_CUT_REDRAW}, {"GetRedraw", ID_CUT_REBUILD}}},
                         {"&Paper", std::vector<MenuItemDef>{{"Left", ID_TOOL_EDGE_LEFT},
                                                             {"Right", ID_TOOL_EDGE_RIGHT},
                                                             {"Top", ID_TOOL_EDGE_TOP},
                                                             {"Bottom", ID_TOOL_EDGE_BOTTOM}}},
                     });

    fw::res::SetDialog(IDD_CUT_BAR,
                       DialogTemplate{"",
                                      fw::WS_CHILD,
                                      {0, 0, 176, 420},
                                      {DlgItemDef(IDC_CUT_TAB, CtrlKind::TabCtrl, "", kChild | fw::WS_TABSTOP,
                                                  {kTabMargin, kTabMargin, 176 - kTabMargin, 420 - kTabMargin})}});

    fw::res::SetDialog(
        IDD_CUT_OPTIONS,
        DialogTemplate{"",
                       fw::WS_CHILD,
                       {0, 0, 164, 380},
                       {
                           DlgItemDef(IDC_SAVE_PAPER, CtrlKind::Button, "Save Paper", kCheck, {8, 8, 100, 26}),
                           DlgItemDef(IDC_COLORS, CtrlKind::Button, "Colors", kCheck, {8, 30, 70, 48}),
                           DlgItemDef(IDC_COLOR_LIST, CtrlKind::ComboBox, "", kList, {72, 28, 156, 200}),
                           DlgItemDef(IDC_AUTO_FEED, CtrlKind::Button, "AutoFeed", kCheck, {8, 52, 100, 70}),
                           DlgItemDef(IDC_TEXT_LINE, CtrlKind::Button, "TextLine", kCheck, {8, 74, 100, 92}),
                           DlgItemDef(IDC_PAGE_RECT, CtrlKind::Button, "PageRect", kCheck, {8, 96, 100, 114}),
                           DlgItemDef(IDC_SORT, CtrlKind::Button, "Sort", kCheck, {8, 118, 100, 136}),
                           DlgItemDef(IDC_KELVO, CtrlKind::Button, "Kelvo", kCheck, {8, 140, 100, 158}),
                           DlgItemDef(IDC_MIRROR, CtrlKind::Button, "Mir", kPush, {8, 164, 56, 186}),
                           DlgItemDef(IDC_ROTATE, CtrlKind::Button, "Rot", kPush, {60, 164, 108, 186}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Acc", kChild, {8, 196, 50, 212}),
                           DlgItemDef(IDC_ACCURACY, CtrlKind::Edit, "", kEdit, {54, 192, 120, 214}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Zoom", kChild, {8, 222, 50, 238}),
                           DlgItemDef(IDC_ZOOM, CtrlKind::Edit, "", kEdit, {54, 218, 120, 240}),
                           DlgItemDef(IDC_HALF_CUT, CtrlKind::Button, "HalfCut", kCheck, {8, 248, 90, 266}),
                           DlgItemDef(IDC_HALF_SET, CtrlKind::Button, "HalfSet", kPush, {94, 246, 156, 268}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Feed", kChild, {8, 280, 50, 296}),
                           DlgItemDef(IDC_FEED, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {54, 276, 120, 298}),
                       }});

    fw::res::SetDialog(
        IDD_CUT_KNIFE,
        DialogTemplate{"",
                       fw::WS_CHILD,
                       {0, 0, 164, 380},
                       {
                           DlgItemDef(IDC_PLOT_MODE, CtrlKind::Button, "PlotMode", kCheck, {8, 8, 100, 26}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Blade", kChild, {8, 36, 50, 52}),
                           DlgItemDef(IDC_BLADE, CtrlKind::Edit, "", kEdit, {54, 32, 120, 54}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Close", kChild, {8, 62, 50, 78}),
                           DlgItemDef(IDC_OVERCUT, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {54, 58, 120, 80}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "X", kChild, {8, 88, 50, 104}),
                           DlgItemDef(IDC_RATIO_X, CtrlKind::Edit, "", kEdit, {54, 84, 120, 106}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Y", kChild, {8, 114, 50, 130}),
                           DlgItemDef(IDC_RATIO_Y, CtrlKind::Edit, "", kEdit, {54, 110, 120, 132}),
                           DlgItemDef(0xFFFF, CtrlKind::Static, "Lap", kChild, {8, 140, 50, 156}),
                           DlgItemDef(IDC_LAP, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {54, 136, 120, 158}),
                           DlgItemDef(IDC_STEP_UP, CtrlKind::Button, "^", kPush, {60, 168, 90, 190}),
                           DlgItemDef(IDC_STEP_LEFT, CtrlKind::Button, "<", kPush, {28, 192, 58, 214}),
                           DlgItemDef(IDC_STEP_RIGHT, CtrlKind::Button, ">", kPush, {92, 192, 122, 214}),
                           DlgItemDef(IDC_STEP_DOWN, CtrlKind::Button, "v", kPush, {60, 216, 90, 238}),
                           DlgItemDef(IDC_PAUSE, CtrlKind::Button, "Pause", kCheck, {8, 248, 100, 266}),
                           DlgItemDef(IDC_PORT_SETTING, CtrlKind::Button, "PortSetting", kPush, {8, 274, 120, 296}),
                       }});
  }
}

std::string Format(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

long Whole(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

// The colour list as the objects fill it.
class ColorListAdapter final : public CListBoxServices {
 public:
  explicit ColorListAdapter(fw::CComboBox& box) : box_(box) {}
  int FindStringExact(std::string_view text) const override { return box_.FindStringExact(-1, std::string(text)); }
  int AddString(std::string_view text) override { return box_.AddString(std::string(text)); }

 private:
  fw::CComboBox& box_;
};

}  // namespace

void RegisterCutWindowResources() {
  RegisterCutRunResources();
  Register();
}

// --- Options page -------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CCutOptionsPage, fw::CDialog)
FW_ON_BN_CLICKED(cutid::IDC_SAVE_PAPER, OnSavePaper)
FW_ON_BN_CLICKED(cutid::IDC_COLORS, OnColors)
FW_ON_CBN_SELCHANGE(cutid::IDC_COLOR_LIST, OnColorChange)
FW_ON_BN_CLICKED(cutid::IDC_AUTO_FEED, OnAutoFeed)
FW_ON_BN_CLICKED(cutid::IDC_TEXT_LINE, OnTextLine)
FW_ON_BN_CLICKED(cutid::IDC_PAGE_RECT, OnPageRect)
FW_ON_BN_CLICKED(cutid::IDC_SORT, OnSort)
FW_ON_BN_CLICKED(cutid::IDC_KELVO, OnHandOver)
FW_ON_BN_CLICKED(cutid::IDC_MIRROR, OnMirror)
FW_ON_BN_CLICKED(cutid::IDC_ROTATE, OnRotate)
FW_ON_EN_KILLFOCUS(cutid::IDC_ACCURACY, OnAccuracyKillFocus)
FW_ON_EN_KILLFOCUS(cutid::IDC_ZOOM, OnZoomKillFocus)
FW_ON_BN_CLICKED(cutid::IDC_HALF_CUT, OnHalfCut)
FW_ON_BN_CLICKED(cutid::IDC_HALF_SET, OnHalfSet)
FW_ON_EN_KILLFOCUS(cutid::IDC_FEED, OnFeedKillFocus)
FW_END_COMMAND_MAP()

fw::BOOL CCutOptionsPage::Create(fw::CWnd* parent) {
  Register();
  if (!fw::CDialog::Create(cutid::IDD_CUT_OPTIONS, parent)) return fw::FALSE;
  Fill();
  return fw::TRUE;
}

void CCutOptionsPage::Fill() {
  using namespace cutid;
  CheckDlgButton(IDC_SAVE_PAPER, info_.savePaper ? 1 : 0);
  CheckDlgButton(IDC_COLORS, info_.colorFilter ? 1 : 0);
  CheckDlgButton(IDC_AUTO_FEED, info_.autoFeed ? 1 : 0);
  CheckDlgButton(IDC_TEXT_LINE, info_.textLine ? 1 : 0);
  CheckDlgButton(IDC_PAGE_RECT, info_.pageRect ? 1 : 0);
  CheckDlgButton(IDC_SORT, info_.sort ? 1 : 0);
  CheckDlgButton(IDC_KELVO, info_.remoteCut ? 1 : 0);
  CheckDlgButton(IDC_HALF_CUT, info_.halfCut ? 1 : 0);
  SetDlgItemText(IDC_ACCURACY, Format("%.2f", info_.curveAccurate));
  SetDlgItemText(IDC_ZOOM, Format("%.2f", info_.zoomCut));
  SetDlgItemText(IDC_FEED, std::to_string(info_.mmPageGap));
  if (fw::CWnd* list = GetDlgItem(IDC_COLOR_LIST)) list->ShowWindow(info_.colorFilter ? fw::SW_SHOW : fw::SW_HIDE);
}

void CCutOptionsPage::Collect() {
  using namespace cutid;
  info_.savePaper = Checked(IDC_SAVE_PAPER);
  info_.colorFilter = Checked(IDC_COLORS);
  info_.autoFeed = Checked(IDC_AUTO_FEED);
  info_.textLine = Checked(IDC_TEXT_LINE);
  info_.pageRect = Checked(IDC_PAGE_RECT);
  info_.sort = Checked(IDC_SORT);
  info_.remoteCut = Checked(IDC_KELVO);
  info_.halfCut = Checked(IDC_HALF_CUT);
  OnFeedKillFocus();
}

void CCutOptionsPage::EnableHandOver(bool devicePort) {
  fw::CWnd* box = GetDlgItem(cutid::IDC_KELVO);
  if (!box) return;
  box->EnableWindow(devicePort ? fw::TRUE : fw::FALSE);
  if (!devicePort) {
    CheckDlgButton(cutid::IDC_KELVO, 0);
    info_.remoteCut = 0;
  }
}

void CCutOptionsPage::FillColors(CSegArray& objects) {
  auto* box = Item<fw::CComboBox>(cutid::IDC_COLOR_LIST);
  if (!box) return;
  box->ResetContent();
  ColorListAdapter adapter(*box);
  objects.FillColorList(&adapter);
  const int sel = box->FindStringExact(-1, std::to_string(info_.colorIndex));
  box->SetCurSel(sel);
}

void CCutOptionsPage::Rearranged(int op, float ratio) {
  CCutArrangementHost* host = frame_.GetArrangementHost();
  CSegArray* list = host ? host->GetCutObjects() : nullptr;
  if (!list) return;
  if (Rearrange(CutRearrange(op), *list, host->GetArrangementRect(), info_.savePaper != 0, ratio))
    host->ArrangementChanged();
}

void CCutOptionsPage::OnSavePaper() {
  info_.savePaper = Checked(cutid::IDC_SAVE_PAPER);
  Rearranged(int(CutRearrange::SavePaper));
}

void CCutOptionsPage::OnColors() {
  info_.colorFilter = Checked(cutid::IDC_COLORS);
  if (fw::CWnd* list = GetDlgItem(cutid::IDC_COLOR_LIST)) list->ShowWindow(info_.colorFilter ? fw::SW_SHOW : fw::SW_HIDE);
  frame_.PostMessage(fw::WM_COMMAND, cutid::ID_CUT_REBUILD, 0);
}

void CCutOptionsPage::OnColorChange() {
  auto* box = Item<fw::CComboBox>(cutid::IDC_COLOR_LIST);
  if (!box || box->GetCurSel() < 0) return;
  // The number at the start of the entry.
  const std::string text = box->GetLBText(box->GetCurSel());
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return;
  info_.colorIndex = std::int32_t(std::clamp<long>(v, -1, 0x7FFFFFFF));
  frame_.PostMessage(fw::WM_COMMAND, cutid::ID_CUT_REBUILD, 0);
}

void CCutOptionsPage::OnAutoFeed() { info_.autoFeed = Checked(cutid::IDC_AUTO_FEED); }

void CCutOptionsPage::OnTextLine() {
  info_.textLine = Checked(cutid::IDC_TEXT_LINE);
  frame_.PostMessage(fw::WM_COMMAND, cutid::ID_CUT_REBUILD, 0);
}

void CCutOptionsPage::OnPageRect() { info_.pageRect = Checked(cutid::IDC_PAGE_RECT); }
void CCutOptionsPage::OnSort() { info_.sort = Checked(cutid::IDC_SORT); }
void CCutOptionsPage::OnHandOver() { info_.remoteCut = Checked(cutid::IDC_KELVO); }
void CCutOptionsPage::OnHalfCut() { info_.halfCut = Checked(cutid::IDC_HALF_CUT); }
void CCutOptionsPage::OnHalfSet() {
  // The run reads the lengths again when it starts.
  CHalfCutDlg dlg(this, frame_.GetIni());
  dlg.DoModal();
}

void CCutOptionsPage::OnMirror() { Rearranged(int(CutRearrange::Mirror)); }
void CCutOptionsPage::OnRotate() { Rearranged(int(CutRearrange::Rotate)); }

void CCutOptionsPage::OnAccuracyKillFocus() {
  const CutEntryValue v = ReadCutEntry(CutEntry::Accuracy, GetDlgItemText(cutid::IDC_ACCURACY));
  if (v.replaced) SetDlgItemText(cutid::IDC_ACCURACY, v.text);
  info_.curveAccurate = v.value;
}

void CCutOptionsPage::OnZoomKillFocus() {
  const CutEntryValue v = ReadCutEntry(CutEntry::Zoom, GetDlgItemText(cutid::IDC_ZOOM));
  if (v.replaced) SetDlgItemText(cutid::IDC_ZOOM, v.text);
  const float old = std::isfinite(info_.zoomCut) && info_.zoomCut > 0.0f ? info_.zoomCut : 1.0f;
  if (v.value == old) return;
  Rearranged(int(CutRearrange::Zoom), v.value / old);
  info_.zoomCut = v.value;
}

void CCutOptionsPage::OnFeedKillFocus() {
  const long v = Whole(GetDlgItemText(cutid::IDC_FEED));
  info_.mmPageGap = v >= 0 && v <= 500 ? std::uint32_t(v) : 20u;
}

// --- Knife-and-paper page ---------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CCutKnifePage, fw::CDialog)
FW_ON_EN_KILLFOCUS(cutid::IDC_BLADE, OnBladeKillFocus)
FW_ON_EN_KILLFOCUS(cutid::IDC_LAP, OnLapKillFocus)
FW_ON_BN_CLICKED(cutid::IDC_PAUSE, OnPause)
FW_ON_BN_CLICKED(cutid::IDC_STEP_UP, OnStepUp)
FW_ON_BN_CLICKED(cutid::IDC_STEP_DOWN, OnStepDown)
FW_ON_BN_CLICKED(cutid::IDC_STEP_LEFT, OnStepLeft)
FW_ON_BN_CLICKED(cutid::IDC_STEP_RIGHT, OnStepRight)
FW_ON_BN_CLICKED(cutid::IDC_PORT_SETTING, OnPortSetting)
FW_END_COMMAND_MAP()

fw::BOOL CCutKnifePage::Create(fw::CWnd* parent) {
  Register();
  if (!fw::CDialog::Create(cutid::IDD_CUT_KNIFE, parent)) return fw::FALSE;
  SetDlgItemText(cutid::IDC_LAP, std::to_string(info_.pageGaps));
  CheckDlgButton(cutid::IDC_PAUSE, info_.pauseCut ? 1 : 0);
  Fill();
  return fw::TRUE;
}

void CCutKnifePage::Fill() {
  using namespace cutid;
  fw::CWnd* plot = GetDlgItem(IDC_PLOT_MODE);
  fw::CWnd* blade = GetDlgItem(IDC_BLADE);
  if (!plot || !blade) return;
  if (device_.hardOffset == 0 || !device_.commands[CCutterDriver::PlotCmd].empty()) {
    plot->EnableWindow(fw::TRUE);
    CheckDlgButton(IDC_PLOT_MODE, device_.penMode ? 1 : 0);
  } else {
    CheckDlgButton(IDC_PLOT_MODE, 0);
    plot->EnableWindow(fw::FALSE);
  }
  blade->EnableWindow(device_.hardOffset == 0 ? fw::TRUE : fw::FALSE);
  SetDlgItemText(IDC_BLADE, Format("%.2f", device_.offset));
  SetDlgItemText(IDC_OVERCUT, std::to_string(device_.overcut));
  SetDlgItemText(IDC_RATIO_X, Format("%.4f", device_.ratioX));
  SetDlgItemText(IDC_RATIO_Y, Format("%.4f", device_.ratioY));
}

void CCutKnifePage::Collect() {
  using namespace cutid;
  const long over = Whole(GetDlgItemText(IDC_OVERCUT));
  if (over >= 0) device_.overcut = std::uint32_t(std::min<long>(over, 0x7FFFFFFF));
  // Only what the page lets the user change: a disabled box or edit keeps the model's value.
  if (fw::CWnd* blade = GetDlgItem(IDC_BLADE); blade && blade->IsWindowEnabled())
    device_.offset = ReadCutEntry(CutEntry::Blade, GetDlgItemText(IDC_BLADE)).value;
  if (fw::CWnd* plot = GetDlgItem(IDC_PLOT_MODE); plot && plot->IsWindowEnabled())
    device_.penMode = IsDlgButtonChecked(IDC_PLOT_MODE) ? 1 : 0;
  for (auto [id, ratio] : {std::pair{IDC_RATIO_X, &device_.ratioX}, std::pair{IDC_RATIO_Y, &device_.ratioY}}) {
    const std::string text = GetDlgItemText(id);
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (end != text.c_str() && std::isfinite(v)) *ratio = v;
  }
}

void CCutKnifePage::OnBladeKillFocus() {
  const CutEntryValue v = ReadCutEntry(CutEntry::Blade, GetDlgItemText(cutid::IDC_BLADE));
  if (v.replaced) SetDlgItemText(cutid::IDC_BLADE, v.text);
}

void CCutKnifePage::OnLapKillFocus() {
  const long v = Whole(GetDlgItemText(cutid::IDC_LAP));
  if (v >= 0) info_.pageGaps = std::uint32_t(std::min<long>(v, 0x7FFFFFFF));
}

void CCutKnifePage::OnPause() { info_.pauseCut = IsDlgButtonChecked(cutid::IDC_PAUSE) ? 1 : 0; }

void CCutKnifePage::Step(int step) {
  OnLapKillFocus();
  StepPaperWindow(info_, PaperStep(step));
  frame_.SendMessage(fw::WM_COMMAND, cutid::ID_CUT_REDRAW, 0);
}

void CCutKnifePage::OnStepUp() { Step(int(PaperStep::Up)); }
void CCutKnifePage::OnStepDown() { Step(int(PaperStep::Down)); }
void CCutKnifePage::OnStepLeft() { Step(int(PaperStep::Left)); }
void CCutKnifePage::OnStepRight() { Step(int(PaperStep::Right)); }

void CCutKnifePage::OnPortSetting() {
  // The device's own settings file; its port reads it again when it opens.
  CPortSettingDlg dlg(this);
  dlg.Port().SetSettingsPath(device_.port.GetSettingsPath());
  dlg.DoModal();
}

// --- Tabbed bar ---------------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CCutBar, fw::CDialogBar)
FW_ON_NOTIFY(fw::TCN_SELCHANGE, cutid::IDC_CUT_TAB, OnTabChange)
FW_END_COMMAND_MAP()

CCutBar::CCutBar(CCutFrame& frame, CCutInfo& info, CCutterDriver& device)
    : options_(frame, info), knife_(frame, info, device) {}

fw::BOOL CCutBar::Create(fw::CWnd* parent) {
  Register();
  if (!fw::CDialogBar::Create(parent, cutid::IDD_CUT_BAR, fw::WS_CHILD | fw::CBRS_LEFT | fw::WS_THICKFRAME,
                              cutid::IDD_CUT_BAR))
    return fw::FALSE;
  auto* tab = dynamic_cast<fw::CTabCtrl*>(GetDlgItem(cutid::IDC_CUT_TAB));
  if (!tab) return fw::FALSE;
  tab->InsertItem(0, "Options", 0);
  tab->InsertItem(1, "Knife", 1);
  if (!options_.Create(this) || !knife_.Create(this)) return fw::FALSE;
  tab->SetCurSel(0);
  fw::RECT r{};
  GetClientRect(&r);
  OnSize(0, r.width(), r.height());
  ShowPage(0);
  return fw::TRUE;
}

void CCutBar::ShowPage(int tab) {
  if (options_.m_hWnd) options_.ShowWindow(tab == 0 ? fw::SW_SHOW : fw::SW_HIDE);
  if (knife_.m_hWnd) knife_.ShowWindow(tab == 1 ? fw::SW_SHOW : fw::SW_HIDE);
}

void CCutBar::OnTabChange(fw::NMHDR*, fw::LRESULT* result) {
  if (auto* tab = dynamic_cast<fw::CTabCtrl*>(GetDlgItem(cutid::IDC_CUT_TAB))) ShowPage(tab->GetCurSel());
  if (result) *result = 0;
}

void CCutBar::OnSize(fw::UINT type, int cx, int cy) {
  fw::CDialogBar::OnSize(type, cx, cy);
  fw::CWnd* tab = GetDlgItem(cutid::IDC_CUT_TAB);
  if (!tab || cx <= 2 * kTabMargin || cy <= 2 * kTabMargin) return;
  tab->MoveWindow(kTabMargin, kTabMargin, cx - 2 * kTabMargin, cy - 2 * kTabMargin, fw::TRUE);
  // The pages fill the tab's display area.
  const int x = 2 * kTabMargin, y = kTabMargin + kTabHeader;
  const int w = std::max(0, cx - 4 * kTabMargin), h = std::max(0, cy - y - 2 * kTabMargin);
  for (fw::CDialog* page : {static_cast<fw::CDialog*>(&options_), static_cast<fw::CDialog*>(&knife_)})
    if (page->m_hWnd) page->MoveWindow(x, y, w, h, fw::TRUE);
}

void CCutBar::CollectPages() {
  if (options_.m_hWnd) options_.Collect();
  if (knife_.m_hWnd) knife_.Collect();
}

void CCutBar::RefreshPages(bool devicePort) {
  if (knife_.m_hWnd) knife_.Fill();
  if (options_.m_hWnd) options_.EnableHandOver(devicePort);
}

// --- Frame --------------------------------------------------------------------------------

using fw::CFrameWnd;
FW_IMPLEMENT_DYNAMIC(CCutFrame, CFrameWnd)

FW_BEGIN_COMMAND_MAP(CCutFrame, fw::CFrameWnd)
FW_ON_COMMAND(cutid::IDC_TEST, OnNothing)
FW_ON_COMMAND(cutid::IDC_RESET, OnNothing)
FW_ON_COMMAND(cutid::IDC_OUTPUT, OnNothing)
FW_ON_COMMAND(cutid::IDC_EXIT, OnNothing)
FW_ON_UPDATE_COMMAND_UI(cutid::IDC_TEST, OnUpdateTest)
FW_END_COMMAND_MAP()

CCutFrame::CCutFrame(CCutterDriver& device, CCutInfo& info, const CIniFile& ini)
    : device_(device), info_(info), ini_(ini), cutterBar_(device, info, ini), cutBar_(*this, info, device) {}

CCutFrame::CCutFrame() : CCutFrame(GetCutterDevice(), g_CutInfo, g_CutterIni) {}

int CCutFrame::OnCreate(fw::CREATESTRUCT* cs) {
  RegisterCutWindowResources();
  if (fw::CFrameWnd::OnCreate(cs) == -1) return -1;
  info_.Load(ini_);
  std::string model;
  ini_.GetString("CutInfo", "Device", model, "");
  if (model.size() > CCutterDriver::kMaxModelName) model.resize(CCutterDriver::kMaxModelName);
  device_.Load(model.c_str());
  EnableDocking(fw::CBRS_ALIGN_ANY);
  // The cutter bar first: it spans the whole width.
  cutterBar_.SetPages(&cutBar_);
  if (!cutterBar_.Create(this)) return -1;
  if (!cutBar_.Create(this)) return -1;
  cutterBar_.EnableDocking(fw::CBRS_ALIGN_ANY);
  cutBar_.EnableDocking(fw::CBRS_ALIGN_ANY);
  DockControlBar(&cutterBar_);
  DockControlBar(&cutBar_);
  cutterBar_.Refresh();
  RecalcLayout();
  return 0;
}

// While a job runs the frame is disabled and the job pumps messages: the window stays
// until the job ends (its Stop button ends it early).
void CCutFrame::OnClose() {
  if (!IsWindowEnabled()) return;
  DestroyWindow();
}

void CCutFrame::OnDestroy() {
  cutterBar_.SetPages(nullptr);
  host_ = nullptr;
  // The design program's window comes back.
  if (fw::CWnd* main = fw::AfxGetMainWnd(); main && main != this && main->m_hWnd) {
    main->ShowWindow(fw::SW_SHOW);
    main->BringWindowToTop();
    main->SetActiveWindow();
  }
  fw::CFrameWnd::OnDestroy();
}
