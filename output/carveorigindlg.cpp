#include "output/carveorigindlg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/controls.h"
#include "framework/resources.h"
#include "model/geometry.h"
#include "platform/report.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

namespace {

constexpr const char* kSection = "CarveInfo";
constexpr std::size_t kMaxName = 79;
constexpr int kCrossArm = 5;

void Register() {
  using namespace carveid;
  if (fw::res::FindDialog(IDD_CARVE_ORIGIN)) return;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kCheck = kTab | fw::BS_AUTOCHECKBOX;
  fw::res::SetDialog(
      IDD_CARVE_ORIGIN,
      DialogTemplate{"Origin Setting",
                     fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                     {0, 0, 400, 230},
                     {
                         DlgItemDef(IDC_WORK_AREA, CtrlKind::Static, "", kChild, {10, 10, 250, 170}),
                         DlgItemDef(IDC_SCROLL_X, CtrlKind::ScrollBar, "", kTab | fw::SBS_HORZ, {10, 174, 250, 190}),
                         DlgItemDef(IDC_SCROLL_Y, CtrlKind::ScrollBar, "", kTab | fw::SBS_VERT, {254, 10, 270, 170}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "X(mm):", kChild, {274, 14, 322, 30}),
                         DlgItemDef(IDC_ORIGIN_X, CtrlKind::Edit, "", kTab | fw::WS_BORDER, {324, 10, 390, 32}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Y(mm):", kChild, {274, 46, 322, 62}),
                         DlgItemDef(IDC_ORIGIN_Y, CtrlKind::Edit, "", kTab | fw::WS_BORDER, {324, 42, 390, 64}),
                         DlgItemDef(IDC_LIVE_MOVE, CtrlKind::Button, "Move Tool", kCheck, {282, 76, 390, 94}),
                         DlgItemDef(IDC_TOOL_DOWN, CtrlKind::Button, "Tool Down", kCheck, {282, 100, 390, 118}),
                         DlgItemDef(fw::IDOK, CtrlKind::Button, "Set", kTab | fw::BS_DEFPUSHBUTTON,
                                    {282, 140, 390, 164}),
                         DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Exit", kTab, {282, 172, 390, 196}),
                     }});
}

// atof of the field: its leading number, 0 for none.
double FieldValue(const std::string& text) { return std::atof(text.substr(0, 64).c_str()); }

}  // namespace

FW_BEGIN_COMMAND_MAP(CCarveOriginDlg, fw::CDialog)
FW_ON_EN_CHANGE(carveid::IDC_ORIGIN_X, OnXChanged)
FW_ON_EN_CHANGE(carveid::IDC_ORIGIN_Y, OnYChanged)
FW_ON_BN_CLICKED(carveid::IDC_LIVE_MOVE, OnLiveMove)
FW_ON_BN_CLICKED(carveid::IDC_TOOL_DOWN, OnToolDown)
FW_END_COMMAND_MAP()

CCarveOriginDlg::CCarveOriginDlg(fw::CWnd* parent, const std::string& iniPath, const std::string& portIni)
    : fw::CDialog(carveid::IDD_CARVE_ORIGIN, parent), m_ini(iniPath), m_device(nullptr, iniPath) {
  Register();
  if (!portIni.empty()) m_port.SetSettingsPath(portIni);
}

fw::BOOL CCarveOriginDlg::OnInitDialog() {
  using namespace carveid;
  fw::CDialog::OnInitDialog();
  m_originX = m_originY = -1000.0f;
  m_guard = 0;
  std::string model, port;
  m_ini.GetString(kSection, "Device", model, "");
  m_ini.GetString(kSection, "PORT", port, "");
  m_device.Load(model.substr(0, kMaxName).c_str());
  m_port.SetPortName(port.substr(0, kMaxName).c_str());
  m_port.RetryLimit = 10;
  m_port.LoadPortInfo();
  if (auto* bar = Item<fw::CScrollBar>(IDC_SCROLL_X)) bar->SetScrollRange(0, std::max(m_device.maxWidth, 0));
  if (auto* bar = Item<fw::CScrollBar>(IDC_SCROLL_Y)) bar->SetScrollRange(0, std::max(m_device.maxHeight, 0));
  // A stored origin outside the work area is shown at its nearest edge, so
  // that OK never stores the placeholder.
  const float maxX = float(std::max(m_device.maxWidth, 0)), maxY = float(std::max(m_device.maxHeight, 0));
  SetDlgItemText(IDC_ORIGIN_X, FormatTwoDecimals(std::clamp(m_device.originX, 0.0f, maxX)));
  SetDlgItemText(IDC_ORIGIN_Y, FormatTwoDecimals(std::clamp(m_device.originY, 0.0f, maxY)));
  m_stop = 0;
  m_running = true;
  if (!m_device.Begin(nullptr, &m_port, this, &m_stop)) {
    plat::MessageBeep(0);
    plat::MessageBox("没有联机", "错误", plat::MB_OK);
  }
  return fw::TRUE;
}

fw::RECT CCarveOriginDlg::Frame() const {
  fw::RECT r{};
  fw::CWnd* area = GetDlgItem(carveid::IDC_WORK_AREA);
  if (!area) return r;
  area->GetWindowRect(&r);
  ScreenToClient(&r);
  r.left += 1;
  r.top += 1;
  r.right -= 1;
  r.bottom -= 1;
  return r;
}

void CCarveOriginDlg::DrawCross(plat::HDC given) {
  if (!GetSafeHwnd()) return;
  plat::HDC dc = given ? given : GetDC();
  if (!dc) return;
  const fw::RECT f = Frame();
  // A work area of no size keeps the cross at the frame's edge.
  auto at = [](float v, std::int32_t max, plat::LONG size, plat::LONG edge) {
    if (max <= 0) return edge;
    return plat::LONG(std::clamp<std::int64_t>(TruncToLong(v / float(max) * float(size) + float(edge)), -100000, 100000));
  };
  const plat::LONG px = at(m_originX, m_device.maxWidth, f.width(), f.left);
  const plat::LONG py = at(m_originY, m_device.maxHeight, f.height(), f.top);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  plat::HGDIOBJ oldPen = dc->SelectStockObject(plat::BLACK_PEN);
  dc->MoveTo(px - kCrossArm, py);
  dc->LineTo(px + kCrossArm, py);
  dc->MoveTo(px, py - kCrossArm);
  dc->LineTo(px, py + kCrossArm);
  if (oldPen) dc->SelectObject(oldPen);
  dc->SetROP2(oldRop);
  if (!given) ReleaseDC(dc);
}

void CCarveOriginDlg::OnPaint() {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  if (plat::HDC dc = ps.hdc) {
    const fw::RECT f = Frame();
    plat::HGDIOBJ oldBrush = dc->SelectStockObject(plat::WHITE_BRUSH);
    dc->Rectangle(f);
    if (oldBrush) dc->SelectObject(oldBrush);
    DrawCross(dc);
  }
  EndPaint(&ps);
}

void CCarveOriginDlg::OnLButtonUp(fw::UINT flags, fw::POINT pt) {
  using namespace carveid;
  const fw::RECT f = Frame();
  if (f.width() > 0 && f.height() > 0 && pt.x >= f.left && pt.x < f.right && pt.y >= f.top && pt.y < f.bottom) {
    const float x = float(pt.x - f.left) / float(f.width()) * float(m_device.maxWidth);
    const float y = float(pt.y - f.top) / float(f.height()) * float(m_device.maxHeight);
    SetDlgItemText(IDC_ORIGIN_X, FormatTwoDecimals(x));
    if (auto* bar = Item<fw::CScrollBar>(IDC_SCROLL_X)) bar->SetScrollPos(TruncToLong(x));
    SetDlgItemText(IDC_ORIGIN_Y, FormatTwoDecimals(y));
    if (auto* bar = Item<fw::CScrollBar>(IDC_SCROLL_Y)) bar->SetScrollPos(TruncToLong(y));
  }
  fw::CDialog::OnLButtonUp(flags, pt);
}

void CCarveOriginDlg::OnXChanged() { Changed(true); }
void CCarveOriginDlg::OnYChanged() { Changed(false); }

void CCarveOriginDlg::Changed(bool x) {
  using namespace carveid;
  if (!GetSafeHwnd()) return;
  const double v = FieldValue(GetDlgItemText(x ? IDC_ORIGIN_X : IDC_ORIGIN_Y));
  const double max = x ? m_device.maxWidth : m_device.maxHeight;
  if (!(v >= 0.0 && v <= max)) {
    plat::MessageBeep(0);
    return;
  }
  DrawCross();
  (x ? m_originX : m_originY) = float(v);
  DrawCross();
  if (m_liveMove) MoveTool();
  if (!m_guard) {
    m_guard = 1;
    if (auto* bar = Item<fw::CScrollBar>(x ? IDC_SCROLL_X : IDC_SCROLL_Y))
      bar->SetScrollPos(TruncToLong(x ? m_originX : m_originY));
    m_guard = 0;
  }
}

void CCarveOriginDlg::Scrolled(bool x, fw::UINT code, fw::UINT pos) {
  using namespace carveid;
  const fw::UINT field = x ? IDC_ORIGIN_X : IDC_ORIGIN_Y;
  double v = FieldValue(GetDlgItemText(field));
  switch (code) {
    case fw::SB_LINELEFT: v -= 1.0; break;
    case fw::SB_LINERIGHT: v += 1.0; break;
    case fw::SB_PAGELEFT: v -= 10.0; break;
    case fw::SB_PAGERIGHT: v += 10.0; break;
    case fw::SB_THUMBPOSITION: v = double(pos); break;
    default: break;
  }
  const double max = std::max(x ? m_device.maxWidth : m_device.maxHeight, 0);
  v = std::isfinite(v) ? std::clamp(v, 0.0, max) : 0.0;
  if (auto* bar = Item<fw::CScrollBar>(x ? IDC_SCROLL_X : IDC_SCROLL_Y)) bar->SetScrollPos(TruncToLong(float(v)));
  if (!m_guard) {
    m_guard = 1;
    SetDlgItemText(field, FormatTwoDecimals(float(v)));
    m_guard = 0;
  }
}

void CCarveOriginDlg::OnHScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) {
  if (bar && bar->GetDlgCtrlID() == carveid::IDC_SCROLL_X) Scrolled(true, code, pos);
  fw::CDialog::OnHScroll(code, pos, bar);
}

void CCarveOriginDlg::OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) {
  if (bar && bar->GetDlgCtrlID() == carveid::IDC_SCROLL_Y) Scrolled(false, code, pos);
  fw::CDialog::OnVScroll(code, pos, bar);
}

void CCarveOriginDlg::MoveTool() {
  m_stop = 0;
  m_device.PolylineTo(m_originX / m_device.resolution, m_originY / m_device.resolution);
}

void CCarveOriginDlg::OnLiveMove() { m_liveMove = IsDlgButtonChecked(carveid::IDC_LIVE_MOVE) ? 1 : 0; }

void CCarveOriginDlg::OnToolDown() {
  if (IsDlgButtonChecked(carveid::IDC_TOOL_DOWN))
    m_device.PenDown();
  else
    m_device.PenUp();
}

void CCarveOriginDlg::EndRun() {
  if (!m_running) return;
  m_running = false;
  m_device.PenUp();
  m_device.End();
}

void CCarveOriginDlg::OnOK() {
  m_device.originX = m_originX;
  m_device.originY = m_originY;
  m_device.SaveOrigin(nullptr);
  EndRun();
  EndDialog(fw::IDOK);
}

void CCarveOriginDlg::OnCancel() {
  EndRun();
  fw::CDialog::OnCancel();
}
