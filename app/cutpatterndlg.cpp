#include "app/cutpatterndlg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/settingsload.h"
#include "framework/resources.h"
#include "model/geomutil.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/settings.h"
#include "model/undo.h"
#include "model/undoitems.h"
#include "output/cutpatterns.h"
#include "platform/report.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;
using namespace scutid;

namespace {

constexpr const char* kParallel = "ParallelCut";
constexpr const char* kRadiation = "RadiationCut";
constexpr const char* kCircle = "CircleCut";

struct OriginChoice {
  const char* item;
  float start, end;
  int x, y;  // 0 left/top, 1 centre, 2 right/bottom
};
constexpr OriginChoice kOrigins[] = {
    {"Left Up", 270, 360, 0, 0},      {"Center Up", 180, 360, 1, 0},     {"Right Up", 180, 270, 2, 0},
    {"Center Left", 270, 450, 0, 1},  {"Center", 0, 360, 1, 1},          {"Centet Right", 90, 270, 2, 1},
    {"Left Bottom", 0, 90, 0, 2},     {"Center Bottom", 0, 180, 1, 2},   {"Right Bottom", 90, 180, 2, 2},
    {"Click Ok", -1, -1, 0, 0},
};

std::string Format(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

float ToFloat(const std::string& text) {
  const double v = std::atof(text.c_str());
  return std::isfinite(v) && std::fabs(v) < 3.0e38 ? float(v) : 0.0f;
}

constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
constexpr fw::DWORD kEdit = kTab | fw::WS_BORDER;
constexpr fw::DWORD kCheck = kTab | fw::BS_AUTOCHECKBOX;
constexpr fw::DWORD kRadio = kTab | fw::BS_AUTORADIOBUTTON;
constexpr fw::DWORD kList = kTab | fw::WS_VSCROLL | fw::CBS_DROPDOWNLIST;
constexpr fw::DWORD kSpin = kChild | fw::UDS_SETBUDDYINT;
constexpr fw::DWORD kDialog = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;

// The rows every dialog has: size, OK and Exit, the list syntax.
void AddCommon(std::vector<DlgItemDef>& items, int syntaxTop) {
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Width", kChild, {10, 10, 60, 26}));
  items.push_back(DlgItemDef(IDC_SEL_WIDTH, CtrlKind::Static, "", kChild, {64, 10, 130, 26}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Height", kChild, {140, 10, 190, 26}));
  items.push_back(DlgItemDef(IDC_SEL_HEIGHT, CtrlKind::Static, "", kChild, {194, 10, 260, 26}));
  items.push_back(DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok", kTab | fw::BS_DEFPUSHBUTTON, {280, 10, 350, 34}));
  items.push_back(DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kTab, {280, 42, 350, 66}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "5,12,+6 = 5,12,18,24,30,......", kChild,
                             {10, syntaxTop, 270, syntaxTop + 16}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "5,,12,-6 = 5,5,12,6,0,6,12,....", kChild,
                             {10, syntaxTop + 18, 270, syntaxTop + 34}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "5,11,-6 = 5,11,5,1,7,13,.....", kChild,
                             {10, syntaxTop + 36, 270, syntaxTop + 52}));
}

void RegisterParallel() {
  std::vector<DlgItemDef> items;
  AddCommon(items, 200);
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Angle", kChild, {10, 40, 80, 56}));
  items.push_back(DlgItemDef(IDC_CUT_ANGLE, CtrlKind::Edit, "", kEdit, {84, 36, 160, 58}));
  items.push_back(DlgItemDef(IDC_BISECTRIX, CtrlKind::Button, "BiseCtrix", kCheck, {10, 66, 100, 84}));
  items.push_back(DlgItemDef(IDC_CUT_LINES, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {104, 64, 160, 86}));
  items.push_back(DlgItemDef(IDC_PARTS_SPIN, CtrlKind::Spin, "", kSpin, {160, 64, 174, 86}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Width", kChild, {10, 96, 80, 112}));
  items.push_back(DlgItemDef(IDC_LINE_WIDTHS, CtrlKind::Edit, "", kEdit, {84, 92, 260, 114}));
  items.push_back(DlgItemDef(IDC_ORIGIN_TOP, CtrlKind::Button, "Left(Top)", kRadio | fw::WS_GROUP, {10, 124, 110, 142}));
  items.push_back(DlgItemDef(IDC_ORIGIN_BOTTOM, CtrlKind::Button, "Right(Bottom)", kRadio, {120, 124, 240, 142}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Length", kChild, {10, 152, 80, 168}));
  items.push_back(DlgItemDef(IDC_TOTAL_LENGTH, CtrlKind::Static, "", kChild, {84, 152, 200, 168}));
  items.push_back(DlgItemDef(IDC_NO_CUT, CtrlKind::Button, "Not Cutting", kCheck, {10, 176, 130, 194}));
  fw::res::SetDialog(IDD_PARALLEL_CUT, DialogTemplate{"Parallel Line Cut", kDialog, {0, 0, 360, 262}, items});
}

void AddOrigin(std::vector<DlgItemDef>& items, int top) {
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Origin", kChild, {10, top + 4, 80, top + 20}));
  items.push_back(DlgItemDef(IDC_ORIGIN, CtrlKind::ComboBox, "", kList, {84, top, 200, top + 200}));
}

void RegisterRadiation() {
  std::vector<DlgItemDef> items;
  AddCommon(items, 230);
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Start", kChild, {10, 40, 60, 56}));
  items.push_back(DlgItemDef(IDC_START_ANGLE, CtrlKind::Edit, "", kEdit, {64, 36, 130, 58}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "End", kChild, {140, 40, 190, 56}));
  items.push_back(DlgItemDef(IDC_END_ANGLE, CtrlKind::Edit, "", kEdit, {194, 36, 260, 58}));
  items.push_back(DlgItemDef(IDC_BISECTRIX, CtrlKind::Button, "BiseCtrix", kCheck, {10, 66, 100, 84}));
  items.push_back(DlgItemDef(IDC_CUT_PARTS, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {104, 64, 160, 86}));
  items.push_back(DlgItemDef(IDC_PARTS_SPIN, CtrlKind::Spin, "", kSpin, {160, 64, 174, 86}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Angle", kChild, {10, 96, 80, 112}));
  items.push_back(DlgItemDef(IDC_SECTOR_WIDTHS, CtrlKind::Edit, "", kEdit, {84, 92, 260, 114}));
  AddOrigin(items, 122);
  items.push_back(DlgItemDef(IDC_THROW_BACK, CtrlKind::Button, "Inverse", kCheck, {10, 152, 100, 170}));
  items.push_back(DlgItemDef(IDC_KEEP_BORDER, CtrlKind::Button, "Reserve", kCheck, {110, 152, 200, 170}));
  items.push_back(DlgItemDef(IDC_NO_CUT, CtrlKind::Button, "Genarate", kCheck, {10, 178, 130, 196}));
  fw::res::SetDialog(IDD_RADIATION_CUT, DialogTemplate{"Radiation", kDialog, {0, 0, 360, 292}, items});
}

void RegisterCircle() {
  std::vector<DlgItemDef> items;
  AddCommon(items, 170);
  items.push_back(DlgItemDef(IDC_BISECTRIX, CtrlKind::Button, "BiseCtrix", kCheck, {10, 40, 100, 58}));
  items.push_back(DlgItemDef(IDC_CUT_PARTS, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {104, 38, 160, 60}));
  items.push_back(DlgItemDef(IDC_PARTS_SPIN, CtrlKind::Spin, "", kSpin, {160, 38, 174, 60}));
  items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, "Gaps", kChild, {10, 70, 80, 86}));
  items.push_back(DlgItemDef(IDC_RING_WIDTHS, CtrlKind::Edit, "", kEdit, {84, 66, 260, 88}));
  AddOrigin(items, 96);
  items.push_back(DlgItemDef(IDC_NO_CUT, CtrlKind::Button, "Genarate", kCheck, {10, 126, 130, 144}));
  fw::res::SetDialog(IDD_CIRCLE_CUT, DialogTemplate{"Circle Cut", kDialog, {0, 0, 360, 232}, items});
}

void FillOrigins(fw::CDialog& dlg, int index) {
  auto* box = dlg.Item<fw::CComboBox>(IDC_ORIGIN);
  if (!box) return;
  box->ResetContent();
  for (const OriginChoice& c : kOrigins) box->AddString(c.item);
  box->SetCurSel(index >= 0 && index < int(std::size(kOrigins)) ? index : 0);
}

int OriginIndex(const fw::CDialog& dlg) {
  auto* box = dlg.Item<fw::CComboBox>(IDC_ORIGIN);
  return box && box->GetCurSel() >= 0 ? box->GetCurSel() : 0;
}

void SetupSpin(fw::CDialog& dlg, fw::UINT buddy) {
  if (auto* spin = dlg.Item<fw::CSpinButtonCtrl>(IDC_PARTS_SPIN)) {
    spin->SetBuddy(dlg.GetDlgItem(buddy));
    spin->SetRange32(2, kMaxCutParts);
  }
}

void Enable(fw::CDialog& dlg, fw::UINT id, bool on) {
  if (fw::CWnd* w = dlg.GetDlgItem(id)) w->EnableWindow(on ? fw::TRUE : fw::FALSE);
}

}  // namespace

void RegisterCutPatternResources() {
  // Again after the tables were cleared.
  if (fw::res::FindDialog(IDD_PARALLEL_CUT)) return;
  RegisterParallel();
  RegisterRadiation();
  RegisterCircle();
}

// --- Shared -------------------------------------------------------------------------

CCutPatternDlg::CCutPatternDlg(fw::UINT templateId, CVORLAN98View& view) : fw::CDialog(templateId, &view), m_view(view) {
  RegisterCutPatternResources();
}

void CCutPatternDlg::InitCommon(bool noCut) {
  CFRect r;
  CSelectTracker* tracker = m_view.Tracker();
  m_hasSelection = tracker && tracker->GetSelectionBounds(&r) != 0;
  if (m_hasSelection) {
    m_bounds = CFRect(std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                      std::max(r.top, r.bottom));
    SetDlgItemText(IDC_SEL_WIDTH, Format("%.2f", std::fabs(r.right - r.left)));
    SetDlgItemText(IDC_SEL_HEIGHT, Format("%.2f", std::fabs(r.bottom - r.top)));
  } else {
    Enable(*this, fw::IDOK, false);
  }
  if (TheAppGlobals().serviceSwitch) {
    CheckDlgButton(IDC_NO_CUT, noCut ? 1 : 0);
  } else {
    CheckDlgButton(IDC_NO_CUT, 0);
    if (fw::CWnd* box = GetDlgItem(IDC_NO_CUT)) box->ShowWindow(fw::SW_HIDE);
  }
}

int CCutPatternDlg::ReadInt(fw::UINT id) const {
  const long v = std::strtol(GetDlgItemText(id).c_str(), nullptr, 10);
  return int(std::clamp<long>(v, -0x7FFFFFFFL, 0x7FFFFFFFL));
}

bool CCutPatternDlg::CheckParts(fw::UINT field, bool bisectrix) {
  if (!bisectrix) return true;
  const int parts = ReadInt(field);
  return Accept(field, parts < 2 ? "等分数不能小于2" : parts > kMaxCutParts ? "等分数不能大于10000" : nullptr);
}

bool CCutPatternDlg::CheckListSteps(fw::UINT field, int steps) {
  return Accept(field, steps < 0 ? "间隔数值超出范围" : steps > kMaxCutParts ? "分割数不能大于10000" : nullptr);
}

bool CCutPatternDlg::Accept(fw::UINT field, const char* refusal) {
  if (!refusal) return true;
  plat::MessageBox(refusal, "", plat::MB_OK);
  GotoDlgCtrl(GetDlgItem(field));
  return false;
}

CFPoint CCutPatternDlg::OriginOf(int index) const {
  const OriginChoice& c = kOrigins[std::clamp(index, 0, int(std::size(kOrigins)) - 1)];
  const float xs[] = {m_bounds.left, (m_bounds.left + m_bounds.right) / 2.0f, m_bounds.right};
  const float ys[] = {m_bounds.top, (m_bounds.top + m_bounds.bottom) / 2.0f, m_bounds.bottom};
  return CFPoint{xs[c.x], ys[c.y]};
}

void CCutPatternDlg::Cut(const std::function<std::unique_ptr<CPathObject>(int pass)>& pattern, bool noCut) {
  m_view.CutByPatterns(pattern, noCut);
  EndDialog(fw::IDOK);
}

// --- Parallel lines -------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CParallelCutDlg, fw::CDialog)
FW_ON_BN_CLICKED(IDC_BISECTRIX, OnModeChange)
FW_ON_CONTROL(fw::EN_UPDATE, IDC_CUT_ANGLE, Recompute)
FW_END_COMMAND_MAP()

CParallelCutDlg::CParallelCutDlg(CVORLAN98View& view) : CCutPatternDlg(IDD_PARALLEL_CUT, view) {}

fw::BOOL CParallelCutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  InitCommon(g_Profile.GetInt(kParallel, "NoCut", 0) != 0);
  SetupSpin(*this, IDC_CUT_LINES);
  SetDlgItemText(IDC_CUT_ANGLE, g_Profile.GetString(kParallel, "CutAngle", "0"));
  SetDlgItemText(IDC_LINE_WIDTHS, g_Profile.GetString(kParallel, "CutLineWidth", "2"));
  SetDlgItemText(IDC_CUT_LINES, std::to_string(g_Profile.GetInt(kParallel, "CutLines", 5)));
  CheckDlgButton(IDC_BISECTRIX, g_Profile.GetInt(kParallel, "BisectrixCut", 1) ? 1 : 0);
  CheckRadioButton(IDC_ORIGIN_TOP, IDC_ORIGIN_BOTTOM,
                   g_Profile.GetInt(kParallel, "Origin", 0) == 1 ? IDC_ORIGIN_BOTTOM : IDC_ORIGIN_TOP);
  Recompute();
  OnModeChange();
  GotoDlgCtrl(GetDlgItem(IDC_CUT_ANGLE));
  return fw::FALSE;
}

void CParallelCutDlg::OnModeChange() {
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  Enable(*this, IDC_CUT_LINES, bisectrix);
  Enable(*this, IDC_LINE_WIDTHS, !bisectrix);
}

void CParallelCutDlg::Recompute() {
  const float w = ToFloat(GetDlgItemText(IDC_SEL_WIDTH));
  const float h = ToFloat(GetDlgItemText(IDC_SEL_HEIGHT));
  const float angle = ToFloat(GetDlgItemText(IDC_CUT_ANGLE));
  const float theta = ReduceCutDirection(angle) / 180.0f * 3.1415927f;
  // The corners by the angle the strips are laid at (370 lies as 10).
  const bool above90 = NormalizeCutAngle(angle) > 90.0f;
  const bool bottom = IsDlgButtonChecked(IDC_ORIGIN_BOTTOM) != 0;
  if (!bottom) {
    m_p1 = above90 ? CFPoint{0, h} : CFPoint{0, 0};
    m_p2 = above90 ? CFPoint{w, 0} : CFPoint{w, h};
  } else {
    m_p1 = above90 ? CFPoint{w, 0} : CFPoint{w, h};
    m_p2 = above90 ? CFPoint{0, h} : CFPoint{0, 0};
  }
  const float diagonal = PointDistance(m_p1.x, m_p1.y, m_p2.x, m_p2.y);
  const float phi = VectorAngle(m_p1.x, m_p1.y, m_p2.x, m_p2.y);
  m_fTotal = std::fabs(std::sin(phi - theta) * diagonal);
  SetDlgItemText(IDC_TOTAL_LENGTH, Format("%.4f", m_fTotal));
}

void CParallelCutDlg::OnOK() {
  if (!m_hasSelection) return;
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  if (!CheckParts(IDC_CUT_LINES, bisectrix)) return;
  const std::string angleText = GetDlgItemText(IDC_CUT_ANGLE);
  const std::string widths = GetDlgItemText(IDC_LINE_WIDTHS);
  const int parts = ReadInt(IDC_CUT_LINES);
  const bool bottom = IsDlgButtonChecked(IDC_ORIGIN_BOTTOM) != 0;
  const bool noCut = IsDlgButtonChecked(IDC_NO_CUT) != 0;
  Recompute();
  const float angle = ToFloat(angleText);
  const CFRect b = m_bounds;
  const float ox = b.left + m_p1.x, oy = b.top + m_p1.y;
  if (!bisectrix &&
      !CheckListSteps(IDC_LINE_WIDTHS, ParallelCutListSteps(b.left, b.top, b.right, b.bottom, angle, ox, oy, widths)))
    return;
  g_Profile.WriteString(kParallel, "CutAngle", angleText.c_str());
  g_Profile.WriteString(kParallel, "CutLineWidth", widths.c_str());
  g_Profile.WriteInt(kParallel, "CutLines", parts);
  g_Profile.WriteInt(kParallel, "BisectrixCut", bisectrix ? 1 : 0);
  g_Profile.WriteInt(kParallel, "Origin", bottom ? 1 : 0);
  g_Profile.WriteInt(kParallel, "NoCut", noCut ? 1 : 0);
  Cut(
      [&](int pass) {
        const std::uint32_t flags = pass ? kCutPatternGapFirst : 0;
        return bisectrix ? MakeParallelCutLines(b.left, b.top, b.right, b.bottom, angle, parts, ox, oy, flags)
                         : MakeParallelCutLinesEx(b.left, b.top, b.right, b.bottom, angle, ox, oy, widths, flags);
      },
      noCut);
}

// --- Radiation --------------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CRadiationCutDlg, fw::CDialog)
FW_ON_BN_CLICKED(IDC_BISECTRIX, OnModeChange)
FW_ON_BN_CLICKED(IDC_KEEP_BORDER, OnModeChange)
FW_ON_CBN_SELCHANGE(IDC_ORIGIN, OnOriginChange)
FW_ON_BN_CLICKED(IDC_THROW_BACK, ShowAngles)
FW_END_COMMAND_MAP()

CRadiationCutDlg::CRadiationCutDlg(CVORLAN98View& view) : CCutPatternDlg(IDD_RADIATION_CUT, view) {}

fw::BOOL CRadiationCutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  InitCommon(g_Profile.GetInt(kRadiation, "NoCut", 0) != 0);
  SetupSpin(*this, IDC_CUT_PARTS);
  m_fStart = ToFloat(g_Profile.GetString(kRadiation, "StartAngle", "0"));
  m_fEnd = ToFloat(g_Profile.GetString(kRadiation, "EndAngle", "0"));
  SetDlgItemText(IDC_SECTOR_WIDTHS, g_Profile.GetString(kRadiation, "CutAngle", "2"));
  SetDlgItemText(IDC_CUT_PARTS, std::to_string(g_Profile.GetInt(kRadiation, "CutParts", 5)));
  CheckDlgButton(IDC_BISECTRIX, g_Profile.GetInt(kRadiation, "BisectrixCut", 1) ? 1 : 0);
  CheckDlgButton(IDC_THROW_BACK, g_Profile.GetInt(kRadiation, "ThrowBack", 1) ? 1 : 0);
  CheckDlgButton(IDC_KEEP_BORDER, g_Profile.GetInt(kRadiation, "KeepBorder", 1) ? 1 : 0);
  FillOrigins(*this, g_Profile.GetInt(kRadiation, "Origin", 0));
  OnModeChange();
  GotoDlgCtrl(GetDlgItem(IDC_START_ANGLE));
  OnOriginChange();
  return fw::FALSE;
}

void CRadiationCutDlg::OnModeChange() {
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  Enable(*this, IDC_CUT_PARTS, bisectrix);
  Enable(*this, IDC_SECTOR_WIDTHS, !bisectrix);
}

void CRadiationCutDlg::OnOriginChange() {
  const int index = OriginIndex(*this);
  m_fStart = kOrigins[index].start;
  m_fEnd = kOrigins[index].end;
  if (index != kClickOrigin) m_origin = OriginOf(index);
  ShowAngles();
}

void CRadiationCutDlg::ShowAngles() {
  if (m_fStart < 0.0f || m_fEnd < 0.0f) {
    SetDlgItemText(IDC_START_ANGLE, "-1");
    SetDlgItemText(IDC_END_ANGLE, "-1");
    return;
  }
  const bool inverse = IsDlgButtonChecked(IDC_THROW_BACK) != 0;
  SetDlgItemText(IDC_START_ANGLE, Format("%.1f", inverse ? m_fStart : m_fEnd));
  SetDlgItemText(IDC_END_ANGLE, Format("%.1f", inverse ? m_fEnd : m_fStart));
}

void CRadiationCutDlg::OnOK() {
  if (!m_hasSelection) return;
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  if (!CheckParts(IDC_CUT_PARTS, bisectrix)) return;
  const std::string widths = GetDlgItemText(IDC_SECTOR_WIDTHS);
  const int parts = ReadInt(IDC_CUT_PARTS);
  const int index = OriginIndex(*this);
  const bool noCut = IsDlgButtonChecked(IDC_NO_CUT) != 0;
  const bool inverse = IsDlgButtonChecked(IDC_THROW_BACK) != 0;
  // A clicked origin's pattern is made at the click, within the builders' limit.
  if (!bisectrix && index != kClickOrigin &&
      !CheckListSteps(IDC_SECTOR_WIDTHS, RadiationCutListSteps(kOrigins[index].start, kOrigins[index].end, widths)))
    return;
  g_Profile.WriteString(kRadiation, "StartAngle", GetDlgItemText(IDC_START_ANGLE).c_str());
  g_Profile.WriteString(kRadiation, "EndAngle", GetDlgItemText(IDC_END_ANGLE).c_str());
  g_Profile.WriteString(kRadiation, "CutAngle", widths.c_str());
  g_Profile.WriteInt(kRadiation, "CUTPARTS", parts);
  g_Profile.WriteInt(kRadiation, "BisectrixCut", bisectrix ? 1 : 0);
  g_Profile.WriteInt(kRadiation, "Origin", index);
  g_Profile.WriteInt(kRadiation, "NoCut", noCut ? 1 : 0);
  g_Profile.WriteInt(kRadiation, "ThrowBack", inverse ? 1 : 0);
  g_Profile.WriteInt(kRadiation, "KeepBorder", IsDlgButtonChecked(IDC_KEEP_BORDER) ? 1 : 0);
  if (index == kClickOrigin) {
    m_view.SetTool(ID_TOOL_RADIATION_CUT);
    EndDialog(fw::IDOK);
    return;
  }
  const CFRect b = m_bounds;
  const float start = kOrigins[index].start, end = kOrigins[index].end;
  const CFPoint o = OriginOf(index);
  Cut(
      [&](int pass) {
        const std::uint32_t flags = (pass ? kCutPatternGapFirst : 0) | (inverse ? kCutPatternThrowBack : 0);
        return bisectrix ? MakeRadiationCutByParts(b.left, b.top, b.right, b.bottom, o.x, o.y, start, end, parts, flags)
                         : MakeRadiationCutByAngles(b.left, b.top, b.right, b.bottom, o.x, o.y, start, end, widths,
                                                    flags);
      },
      noCut);
}

// --- Circles ----------------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CCircleCutDlg, fw::CDialog)
FW_ON_BN_CLICKED(IDC_BISECTRIX, OnModeChange)
FW_ON_CBN_SELCHANGE(IDC_ORIGIN, OnOriginChange)
FW_END_COMMAND_MAP()

CCircleCutDlg::CCircleCutDlg(CVORLAN98View& view) : CCutPatternDlg(IDD_CIRCLE_CUT, view) {}

fw::BOOL CCircleCutDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  InitCommon(g_Profile.GetInt(kCircle, "NoCut", 0) != 0);
  SetupSpin(*this, IDC_CUT_PARTS);
  SetDlgItemText(IDC_RING_WIDTHS, g_Profile.GetString(kCircle, "CutDistance", "2"));
  SetDlgItemText(IDC_CUT_PARTS, std::to_string(g_Profile.GetInt(kCircle, "CutParts", 5)));
  CheckDlgButton(IDC_BISECTRIX, g_Profile.GetInt(kCircle, "BisectrixCut", 1) ? 1 : 0);
  FillOrigins(*this, g_Profile.GetInt(kCircle, "Origin", 0));
  OnModeChange();
  OnOriginChange();
  GotoDlgCtrl(GetDlgItem(fw::IDOK));
  return fw::FALSE;
}

void CCircleCutDlg::OnModeChange() {
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  Enable(*this, IDC_CUT_PARTS, bisectrix);
  Enable(*this, IDC_RING_WIDTHS, !bisectrix);
}

void CCircleCutDlg::OnOriginChange() {
  const int index = OriginIndex(*this);
  if (index != kClickOrigin) m_origin = OriginOf(index);
}

void CCircleCutDlg::OnOK() {
  if (!m_hasSelection) return;
  const bool bisectrix = IsDlgButtonChecked(IDC_BISECTRIX) != 0;
  if (!CheckParts(IDC_CUT_PARTS, bisectrix)) return;
  const std::string widths = GetDlgItemText(IDC_RING_WIDTHS);
  const int parts = ReadInt(IDC_CUT_PARTS);
  const int index = OriginIndex(*this);
  const bool noCut = IsDlgButtonChecked(IDC_NO_CUT) != 0;
  if (!bisectrix && index != kClickOrigin) {
    const CFRect& b = m_bounds;
    const CFPoint o = OriginOf(index);
    if (!CheckListSteps(IDC_RING_WIDTHS, CircleCutListSteps(b.left, b.top, b.right, b.bottom, o.x, o.y, widths)))
      return;
  }
  g_Profile.WriteString(kCircle, "CutDistance", widths.c_str());
  g_Profile.WriteInt(kCircle, "CUTPARTS", parts);
  g_Profile.WriteInt(kCircle, "BisectrixCut", bisectrix ? 1 : 0);
  g_Profile.WriteInt(kCircle, "Origin", index);
  g_Profile.WriteInt(kCircle, "NoCut", noCut ? 1 : 0);
  g_Profile.WriteInt(kCircle, "ThrowBack", 0);
  if (index == kClickOrigin) {
    m_view.SetTool(ID_TOOL_CIRCLE_CUT);
    EndDialog(fw::IDOK);
    return;
  }
  const CFRect b = m_bounds;
  const CFPoint o = OriginOf(index);
  Cut(
      [&](int pass) {
        const std::uint32_t flags = pass ? kCutPatternGapFirst : 0;
        return bisectrix ? MakeCircleCutByParts(b.left, b.top, b.right, b.bottom, o.x, o.y, parts, flags)
                         : MakeCircleCutByDistances(b.left, b.top, b.right, b.bottom, o.x, o.y, widths, flags);
      },
      noCut);
}
