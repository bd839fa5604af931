#include "app/printoutdlg.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/designview.h"
#include "app/document.h"
#include "framework/resources.h"
#include "model/devices.h"
#include "model/graphobject.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "platform/printer.h"
#include "platform/report.h"

namespace printout {

namespace {

constexpr char kSection[] = "PrintInfo";

struct Paper {
  int code, length, width;
};
// The platform's paper codes in whole mm.
constexpr Paper kPapers[] = {
    {1, 279, 215},  {2, 279, 215},  {3, 431, 279},  {4, 279, 431},  {5, 355, 215},  {6, 215, 139},
    {7, 266, 184},  {8, 420, 297},  {9, 297, 210},  {10, 297, 210}, {11, 210, 148}, {12, 354, 250},
    {13, 257, 182}, {14, 330, 215}, {15, 275, 215}, {16, 355, 254}, {17, 431, 279}, {18, 279, 215},
    {19, 225, 98},  {20, 241, 104}, {21, 263, 114}, {22, 279, 120}, {23, 292, 127}, {24, 297, 210},
    {25, 297, 210}, {26, 297, 210}, {27, 220, 110}, {28, 229, 162}, {29, 458, 324}, {30, 324, 229},
    {31, 162, 114}, {32, 229, 114}, {33, 353, 250}, {34, 250, 176}, {35, 125, 176}, {36, 230, 110},
    {37, 190, 98},  {38, 165, 92},  {39, 279, 377}, {40, 304, 215}, {41, 330, 215}, {256, 297, 210},
};

std::string Fixed2(float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, double(v), std::chars_format::fixed, 2);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0.00");
}

}  // namespace

void PaperSizeOf(int code, int* length, int* width) {
  *length = *width = 0;
  for (const Paper& p : kPapers)
    if (p.code == code) {
      *length = p.length;
      *width = p.width;
      return;
    }
}

float FitRatio(float availW, float availH, float w, float h) {
  float r = 0.0f;
  const bool useW = w > 0.0f && std::isfinite(w);
  const bool useH = h > 0.0f && std::isfinite(h);
  if (useW && useH) r = std::min(availW / w, availH / h);
  else if (useW) r = availW / w;
  else if (useH) r = availH / h;
  if (!std::isfinite(r) || r < 0.01f) r = 0.01f;
  return r;
}

void RegisterTemplate() {
  using fw::CtrlKind;
  using fw::DlgItemDef;
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kEdit = kChild | fw::WS_TABSTOP | fw::WS_BORDER | fw::ES_AUTOHSCROLL;
  constexpr fw::DWORD kShow = kChild | fw::WS_BORDER | fw::ES_READONLY;
  constexpr fw::DWORD kCheck = kChild | fw::WS_TABSTOP | fw::BS_AUTOCHECKBOX;
  constexpr fw::DWORD kRadio = kChild | fw::BS_AUTORADIOBUTTON;
  auto label = [&](const char* text, fw::RECT r) { return DlgItemDef(0xFFFF, CtrlKind::Static, text, kChild, r); };
  auto group = [&](const char* text, fw::RECT r) {
    return DlgItemDef(0xFFFF, CtrlKind::Button, text, kChild | fw::BS_GROUPBOX, r);
  };
  fw::res::SetDialog(IDD_PRINT_OUT,
                     fw::DialogTemplate{"Print Out", kPopup, {0, 0, 420, 300}, {
                         label("Device", {10, 10, 60, 24}),
                         DlgItemDef(IDC_DEVICE, CtrlKind::Edit, "", kShow, {62, 8, 300, 24}),
                         DlgItemDef(IDC_PRINTER_SETTING, CtrlKind::Button, "Printer Setting",
                                    kChild | fw::WS_TABSTOP, {310, 6, 410, 26}),
                         group("Origin Size", {8, 32, 136, 80}),
                         label("X:", {14, 48, 30, 62}),
                         DlgItemDef(IDC_ORIGIN_X, CtrlKind::Edit, "", kShow, {32, 46, 80, 62}),
                         label("Y:", {84, 48, 96, 62}),
                         DlgItemDef(IDC_ORIGIN_Y, CtrlKind::Edit, "", kShow, {98, 46, 132, 62}),
                         group("Paper", {142, 32, 276, 80}),
                         DlgItemDef(IDC_PAPER_X, CtrlKind::Edit, "", kEdit, {150, 46, 206, 62}),
                         DlgItemDef(IDC_PAPER_Y, CtrlKind::Edit, "", kEdit, {212, 46, 268, 62}),
                         group("Graph", {282, 32, 410, 80}),
                         DlgItemDef(IDC_GRAPH_X, CtrlKind::Edit, "", kShow, {290, 46, 346, 62}),
                         DlgItemDef(IDC_GRAPH_Y, CtrlKind::Edit, "", kShow, {350, 46, 404, 62}),
                         group("Zoomed", {8, 86, 276, 134}),
                         label("Page", {12, 102, 48, 116}),
                         DlgItemDef(IDC_ZOOM_PAGE_X, CtrlKind::Edit, "", kShow, {50, 100, 92, 116}),
                         DlgItemDef(IDC_ZOOM_PAGE_Y, CtrlKind::Edit, "", kShow, {94, 100, 134, 116}),
                         label("Graph", {136, 102, 176, 116}),
                         DlgItemDef(IDC_ZOOM_GRAPH_X, CtrlKind::Edit, "", kShow, {178, 100, 222, 116}),
                         DlgItemDef(IDC_ZOOM_GRAPH_Y, CtrlKind::Edit, "", kShow, {226, 100, 270, 116}),
                         group("Space", {8, 140, 276, 206}),
                         label("Left", {12, 156, 48, 170}),
                         DlgItemDef(IDC_SPACE_LEFT, CtrlKind::Edit, "", kEdit, {50, 154, 94, 170}),
                         label("Top", {130, 156, 176, 170}),
                         DlgItemDef(IDC_SPACE_TOP, CtrlKind::Edit, "", kEdit, {178, 154, 222, 170}),
                         label("Right", {12, 180, 48, 194}),
                         DlgItemDef(IDC_SPACE_RIGHT, CtrlKind::Edit, "", kEdit, {50, 178, 94, 194}),
                         label("Bottom", {130, 180, 176, 194}),
                         DlgItemDef(IDC_SPACE_BOTTOM, CtrlKind::Edit, "", kEdit, {178, 178, 222, 194}),
                         DlgItemDef(IDC_BORDER, CtrlKind::Button, "Border", kCheck, {290, 90, 400, 104}),
                         DlgItemDef(IDC_CARVE_OUT, CtrlKind::Button, "Carve Out", kCheck, {290, 108, 400, 122}),
                         DlgItemDef(IDC_PRINT_IMAGE, CtrlKind::Button, "PrintImage", kCheck, {290, 126, 400, 140}),
                         DlgItemDef(IDC_ROTATE90, CtrlKind::Button, "Rotate90", kCheck, {290, 144, 400, 158}),
                         DlgItemDef(IDC_MIRROR, CtrlKind::Button, "Mirror", kCheck, {290, 162, 400, 176}),
                         DlgItemDef(IDC_BY_PAGE, CtrlKind::Button, "By Page", kRadio | fw::WS_GROUP | fw::WS_TABSTOP,
                                    {14, 214, 90, 228}),
                         DlgItemDef(IDC_BY_GRAPH, CtrlKind::Button, "By Graph", kRadio, {94, 214, 170, 228}),
                         DlgItemDef(IDC_USER_DEFINE, CtrlKind::Button, "User define", kRadio, {174, 214, 270, 228}),
                         label("Ratio", {12, 238, 48, 252}),
                         DlgItemDef(IDC_RATIO, CtrlKind::Edit, "", kEdit | fw::WS_GROUP, {50, 236, 110, 252}),
                         label("Copies", {130, 238, 176, 252}),
                         DlgItemDef(IDC_COPIES, CtrlKind::Edit, "", kEdit | fw::ES_NUMBER, {178, 236, 222, 252}),
                         DlgItemDef(fw::IDOK, CtrlKind::Button, "Print",
                                    kChild | fw::WS_TABSTOP | fw::BS_DEFPUSHBUTTON, {240, 266, 320, 290}),
                         DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kChild | fw::WS_TABSTOP,
                                    {330, 266, 410, 290}),
                     }});
}

}  // namespace printout

using namespace printout;

#define PRINTOUT_ON_EDIT(ctrl_) \
  {::fw::CmdKind::Command, ::fw::EN_CHANGE, (ctrl_), (ctrl_), false, FW_CMD_THUNK(self_->OnMarginChanged(c_.id); return 1;)},

FW_BEGIN_COMMAND_MAP(CPrintOutDlg, CDialog)
FW_ON_BN_CLICKED(IDC_PRINTER_SETTING, OnPrinterSetting)
FW_ON_BN_CLICKED(IDC_ROTATE90, OnRotate90)
FW_ON_BN_CLICKED(IDC_BY_PAGE, OnByPage)
FW_ON_BN_CLICKED(IDC_BY_GRAPH, OnByGraph)
FW_ON_BN_CLICKED(IDC_USER_DEFINE, OnUserDefine)
PRINTOUT_ON_EDIT(IDC_SPACE_LEFT)
PRINTOUT_ON_EDIT(IDC_SPACE_TOP)
PRINTOUT_ON_EDIT(IDC_SPACE_RIGHT)
PRINTOUT_ON_EDIT(IDC_SPACE_BOTTOM)
PRINTOUT_ON_EDIT(IDC_PAPER_X)
PRINTOUT_ON_EDIT(IDC_PAPER_Y)
FW_ON_EN_CHANGE(IDC_RATIO, OnRatioChanged)
FW_END_COMMAND_MAP()

CPrintOutDlg::CPrintOutDlg(CVORLAN98Doc* doc, fw::CWnd* parent)
    : CDialog(IDD_PRINT_OUT, parent), m_setup(fw::TRUE), m_doc(doc) {}

int CPrintOutDlg::IntOf(fw::UINT id) const {
  const std::string s = GetDlgItemText(id);
  const float v = ParseSettingFloat(s.c_str());
  if (!std::isfinite(v)) return 0;
  return int(std::clamp(v, -100000.0f, 100000.0f));
}

float CPrintOutDlg::RatioFromEdit() const {
  const std::string s = GetDlgItemText(IDC_RATIO);
  float r = ParseSettingFloat(s.c_str());
  if (!std::isfinite(r) || r < 0.01f) r = 0.01f;
  return std::min(r, 100000.0f);
}

fw::BOOL CPrintOutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_setup.GetDefaults();
  if (m_doc) {
    m_pageRect = CFRect(0.0f, 0.0f, m_doc->GetPageWidth(), m_doc->GetPageHeight());
    m_haveObjects = m_doc->GetObjectsBounds(&m_bounds) != 0;
  }
  if (!m_haveObjects) m_bounds = CFRect();
  SetDlgItemInt(IDC_SPACE_LEFT, fw::UINT(g_Profile.GetInt(kSection, "SpaceLeft", 0)));
  SetDlgItemInt(IDC_SPACE_TOP, fw::UINT(g_Profile.GetInt(kSection, "SpaceTop", 0)));
  SetDlgItemInt(IDC_SPACE_RIGHT, fw::UINT(g_Profile.GetInt(kSection, "SpaceRight", 0)));
  SetDlgItemInt(IDC_SPACE_BOTTOM, fw::UINT(g_Profile.GetInt(kSection, "SpaceBottom", 0)));
  SetDlgItemInt(IDC_COPIES, fw::UINT(g_Profile.GetInt(kSection, "Copies", 1)));
  CheckDlgButton(IDC_BORDER, g_Profile.GetInt(kSection, "PrintBoard", 0) ? 1 : 0);
  CheckDlgButton(IDC_ROTATE90, g_Profile.GetInt(kSection, "PrintRotate90", 0) ? 1 : 0);
  CheckDlgButton(IDC_PRINT_IMAGE, g_Profile.GetInt(kSection, "PrintImage", 0) ? 1 : 0);
  CheckDlgButton(IDC_MIRROR, g_Profile.GetInt(kSection, "PrintMirror", 0) ? 1 : 0);
  const int zoom = g_Profile.GetInt(kSection, "ZoomType", 0);
  if (zoom >= 2) SetDlgItemText(IDC_RATIO, g_Profile.GetString(kSection, "PrintRatio", "1.0"));
  CheckRadioButton(IDC_BY_PAGE, IDC_USER_DEFINE, zoom <= 0 ? IDC_BY_PAGE : zoom == 1 ? IDC_BY_GRAPH : IDC_USER_DEFINE);
  if (fw::CWnd* ratio = GetDlgItem(IDC_RATIO)) ratio->EnableWindow(zoom >= 2);
  Refresh();
  return fw::TRUE;
}

void CPrintOutDlg::Refresh() {
  const bool rotate = IsDlgButtonChecked(IDC_ROTATE90) != 0;
  const int pw = int(m_pageRect.Width()), ph = int(m_pageRect.Height());
  SetDlgItemInt(IDC_ORIGIN_X, fw::UINT(rotate ? ph : pw));
  SetDlgItemInt(IDC_ORIGIN_Y, fw::UINT(rotate ? pw : ph));
  const int gw = int(m_bounds.Width()), gh = int(m_bounds.Height());
  SetDlgItemInt(IDC_GRAPH_X, fw::UINT(rotate ? gh : gw));
  SetDlgItemInt(IDC_GRAPH_Y, fw::UINT(rotate ? gw : gh));

  const bool printer = m_setup.HasPrinter();
  SetDlgItemText(IDC_DEVICE, m_setup.m_devNames.device);
  plat::DevMode& mode = m_setup.m_devMode;
  int length = 0, width = 0;
  PaperSizeOf(mode.paperSize, &length, &width);
  if (printer) {
    mode.paperLength = short(length * 10);
    mode.paperWidth = short(width * 10);
  }
  const bool portrait = mode.orientation == plat::DMORIENT_PORTRAIT;
  SetDlgItemInt(IDC_PAPER_X, fw::UINT(portrait ? width : length));
  SetDlgItemInt(IDC_PAPER_Y, fw::UINT(portrait ? length : width));
  const bool userPaper = (mode.paperSize >= 24 && mode.paperSize <= 26) || mode.paperSize == 256;
  for (fw::UINT id : {IDC_PAPER_X, IDC_PAPER_Y})
    if (fw::CWnd* w = GetDlgItem(id)) w->EnableWindow(printer && userPaper);
  if (fw::CWnd* ok = GetDlgItem(fw::IDOK)) ok->EnableWindow(printer);
  if (printer) ComputeRatio();
  UpdateZoomed();
}

void CPrintOutDlg::ComputeRatio() {
  const int zoom = GetCheckedRadioButton(IDC_BY_PAGE, IDC_USER_DEFINE);
  if (zoom == IDC_USER_DEFINE) return;
  const float availW = float(IntOf(IDC_PAPER_X) - IntOf(IDC_SPACE_LEFT) - IntOf(IDC_SPACE_RIGHT));
  const float availH = float(IntOf(IDC_PAPER_Y) - IntOf(IDC_SPACE_TOP) - IntOf(IDC_SPACE_BOTTOM));
  float w = float(IntOf(IDC_ORIGIN_X)), h = float(IntOf(IDC_ORIGIN_Y));
  if (zoom == IDC_BY_GRAPH && m_haveObjects) {
    const float gw = float(IntOf(IDC_GRAPH_X)), gh = float(IntOf(IDC_GRAPH_Y));
    // A design of zero extent on both axes is placed by its page.
    if (gw > 0.0f || gh > 0.0f) w = gw, h = gh;
  }
  const float ratio = FitRatio(availW, availH, w, h);
  SetDlgItemText(IDC_RATIO, Fixed2(ratio - 0.01f));
}

void CPrintOutDlg::UpdateZoomed() {
  const float r = RatioFromEdit();
  auto scaled = [r](fw::UINT v) { return fw::UINT(std::clamp(float(int(v)) * r, 0.0f, 2.0e9f)); };
  SetDlgItemInt(IDC_ZOOM_PAGE_X, scaled(fw::UINT(IntOf(IDC_ORIGIN_X))));
  SetDlgItemInt(IDC_ZOOM_PAGE_Y, scaled(fw::UINT(IntOf(IDC_ORIGIN_Y))));
  SetDlgItemInt(IDC_ZOOM_GRAPH_X, scaled(fw::UINT(IntOf(IDC_GRAPH_X))));
  SetDlgItemInt(IDC_ZOOM_GRAPH_Y, scaled(fw::UINT(IntOf(IDC_GRAPH_Y))));
}

void CPrintOutDlg::OnPrinterSetting() {
  fw::CPrintDialog setup(fw::TRUE);
  setup.m_devMode = m_setup.m_devMode;
  setup.m_devNames = m_setup.m_devNames;
  if (setup.DoModal() == fw::IDOK) {
    m_setup.m_devMode = setup.m_devMode;
    m_setup.m_devNames = setup.m_devNames;
  }
  Refresh();
}

void CPrintOutDlg::OnRotate90() { Refresh(); }

void CPrintOutDlg::OnByPage() {
  if (fw::CWnd* ratio = GetDlgItem(IDC_RATIO)) ratio->EnableWindow(fw::FALSE);
  if (m_setup.HasPrinter()) ComputeRatio();
}

void CPrintOutDlg::OnByGraph() { OnByPage(); }

void CPrintOutDlg::OnUserDefine() {
  if (fw::CWnd* ratio = GetDlgItem(IDC_RATIO)) ratio->EnableWindow(fw::TRUE);
}

void CPrintOutDlg::OnMarginChanged(fw::UINT id) {
  fw::CWnd* focus = fw::CWnd::GetFocus();
  if (!focus || focus != GetDlgItem(id) || !m_setup.HasPrinter()) return;
  ComputeRatio();
}

void CPrintOutDlg::OnRatioChanged() { UpdateZoomed(); }

void CPrintOutDlg::Collect() {
  m_copies = std::clamp(IntOf(IDC_COPIES), 1, 999);
  m_pageWidth = IntOf(IDC_ORIGIN_X);
  m_pageHeight = IntOf(IDC_ORIGIN_Y);
  m_paperWidth = IntOf(IDC_PAPER_X);
  m_paperHeight = IntOf(IDC_PAPER_Y);
  m_ratio = RatioFromEdit();
  m_left = IntOf(IDC_SPACE_LEFT);
  m_top = IntOf(IDC_SPACE_TOP);
  m_right = IntOf(IDC_SPACE_RIGHT);
  m_bottom = IntOf(IDC_SPACE_BOTTOM);
  m_border = IsDlgButtonChecked(IDC_BORDER) ? 1 : 0;
  m_rotate = IsDlgButtonChecked(IDC_ROTATE90) ? 1 : 0;
  m_printImage = IsDlgButtonChecked(IDC_PRINT_IMAGE) ? 1 : 0;
  m_mirror = IsDlgButtonChecked(IDC_MIRROR) ? 1 : 0;
}

void CPrintOutDlg::WriteSettings() {
  g_Profile.WriteInt(kSection, "SpaceLeft", m_left);
  g_Profile.WriteInt(kSection, "SpaceTop", m_top);
  g_Profile.WriteInt(kSection, "SpaceRight", m_right);
  g_Profile.WriteInt(kSection, "SpaceBottom", m_bottom);
  g_Profile.WriteInt(kSection, "Copies", m_copies);
  g_Profile.WriteInt(kSection, "PrintBoard", m_border);
  g_Profile.WriteInt(kSection, "PrintRotate90", m_rotate);
  g_Profile.WriteInt(kSection, "PrintImage", m_printImage);
  g_Profile.WriteInt(kSection, "PrintMirror", m_mirror);
  const int zoom = GetCheckedRadioButton(IDC_BY_PAGE, IDC_USER_DEFINE);
  g_Profile.WriteInt(kSection, "ZoomType", zoom == IDC_BY_GRAPH ? 1 : zoom == IDC_USER_DEFINE ? 2 : 0);
  g_Profile.WriteString(kSection, "PrintRatio", GetDlgItemText(IDC_RATIO).c_str());
}

CMatrix3 CPrintOutDlg::BuildMatrix() const {
  CMatrix3 m;
  const CFRect& p = m_pageRect;
  if (m_mirror)
    if (auto mirror = MakeMirrorMatrix(p.left, p.top, p.right, p.bottom, 1, 0)) m.Multiply(*mirror);
  if (m_rotate) {
    if (auto rotate = MakeRotateMatrix(p.left, p.top, p.right, p.bottom, -90.0f)) m.Multiply(*rotate);
    // The turned page starts at the paper's corner again.
    CFRect turned = p;
    m.TransformRect(turned);
    turned.Normalize();
    m.Multiply(CMatrix3(1, 0, 0, 1, -turned.left, -turned.top));
  }
  m.Multiply(CMatrix3(m_ratio, 0, 0, m_ratio, 0, 0));
  m.Multiply(CMatrix3(m_pixelsX, 0, 0, m_pixelsY, 0, 0));
  m.Multiply(CMatrix3(1, 0, 0, 1, float(m_left) * m_pixelsX, float(m_top) * m_pixelsY));
  return m;
}

void CPrintOutDlg::Print() {
  // The paper fields (user sizes) go back into the device mode.
  plat::DevMode& mode = m_setup.m_devMode;
  if (m_paperWidth > 0 && m_paperHeight > 0 && m_paperWidth <= 2000 && m_paperHeight <= 2000) {
    const bool portrait = mode.orientation == plat::DMORIENT_PORTRAIT;
    mode.paperWidth = short((portrait ? m_paperWidth : m_paperHeight) * 10);
    mode.paperLength = short((portrait ? m_paperHeight : m_paperWidth) * 10);
  }
  std::unique_ptr<plat::PrinterDC> printer = m_setup.CreatePrinterDC();
  if (!printer) {
    plat::MessageBox(kNoPrinterDC, kErrorCaption, plat::MB_OK | plat::MB_ICONHAND);
    return;
  }
  const std::string title = m_doc ? m_doc->GetTitle() : std::string();
  if (printer->StartDoc(title) <= 0) {
    std::string text = kPrintFailed;
    text.replace(text.find("%s"), 2, printer->LastError());
    plat::MessageBox(text, kErrorCaption, plat::MB_OK | plat::MB_ICONHAND);
    return;
  }
  m_pixelsX = float(printer->GetDeviceCaps(plat::LOGPIXELSX)) / 25.4f;
  m_pixelsY = float(printer->GetDeviceCaps(plat::LOGPIXELSY)) / 25.4f;
  m_matrix = BuildMatrix();

  plat::DC* dc = printer->GetDC();
  CFRect clip(-2.0f, -2.0f, m_pageRect.Width() + 2.0f, m_pageRect.Height() + 2.0f);
  plat::RECT device{};
  m_matrix.TransformRectBounds(clip, &device);
  dc->SelectClipRect(&device);

  PrintSettings settings;
  settings.printImages = std::uint32_t(m_printImage);
  bool ok = true;
  for (int copy = 0; copy < m_copies && ok; ++copy) {
    ok = printer->StartPage() > 0;
    if (!ok) break;
    if (m_border) {
      CFPoint quad[4];
      m_matrix.TransformRectToQuad(CFRect(0.0f, 0.0f, m_pageRect.Width(), m_pageRect.Height()), quad);
      const plat::POINT pts[5] = {{TruncToLong(quad[0].x), TruncToLong(quad[0].y)},
                                  {TruncToLong(quad[1].x), TruncToLong(quad[1].y)},
                                  {TruncToLong(quad[3].x), TruncToLong(quad[3].y)},
                                  {TruncToLong(quad[2].x), TruncToLong(quad[2].y)},
                                  {TruncToLong(quad[0].x), TruncToLong(quad[0].y)}};
      plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(0, 0, 0));
      plat::HPEN old = dc->SelectObject(pen);
      dc->Polyline(pts, 5);
      dc->SelectObject(old);
      plat::DeleteObject(pen);
    }
    if (m_doc) {
      CSegArray& objects = *m_doc->GetObjectList();
      for (int i = objects.GetSize() - 1; i >= 0; --i)
        if (CGraphObject* o = objects.GetAt(i)) o->Print(dc, &m_matrix, &settings);
    }
    ok = printer->EndPage() > 0;
  }
  if (ok) ok = printer->EndDoc() > 0;
  else printer->AbortDoc();
  dc->SelectClipRect(nullptr);
  if (!ok) {
    std::string text = kPrintFailed;
    text.replace(text.find("%s"), 2, printer->LastError());
    plat::MessageBox(text, kErrorCaption, plat::MB_OK | plat::MB_ICONHAND);
  }
}

void CPrintOutDlg::OnOK() {
  if (!m_setup.HasPrinter()) return;
  Collect();
  WriteSettings();
  Print();
  EndDialog(fw::IDOK);
}

void CPrintOutDlg::OnCancel() { EndDialog(fw::IDCANCEL); }

void PrintDesign(CVORLAN98View& view) {
  CPrintOutDlg dlg(view.GetDoc(), &view);
  dlg.DoModal();
}
