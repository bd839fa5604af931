#include "app/shapedlgs.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "framework/resources.h"
#include "model/helpers.h"
#include "model/pathobject.h"
#include "model/rectobject.h"
#include "model/settings.h"
#include "model/shapebuilders.h"
#include "platform/report.h"

using namespace shapedlg;
using dlgutil::NumberOf;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

constexpr float kDegree = 3.1415926f / 180.0f;
constexpr int kMaxPreviewSides = 10000;
// The lists a table is built from are the texts it keeps in the profile.
constexpr std::size_t kListLimit = 199;
// Longer typed lists are cut: each field is looked up from the list's start.
constexpr std::size_t kTypedListLimit = 4096;

std::string Limit(std::string text, std::size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

// Field i of a number list; false when it is missing or unreadable.
bool Field(const std::string& list, int i, float* out) {
  if (list.find_first_not_of(" \t") == std::string::npos || i >= CountFields(list, ',')) return false;
  float v = 0.0f;
  if (!GetNumberField(list, v, i)) return false;
  *out = v;
  return true;
}

// The leading fields of a number list, up to the first missing or unreadable one.
std::vector<float> Fields(const std::string& list) {
  std::vector<float> out;
  float v = 0.0f;
  for (int i = 0; Field(list, i, &v); ++i) out.push_back(v);
  return out;
}

// Joins the made paths into the first: every later one's contours are
// appended to it and the later one dropped.
std::unique_ptr<CPathObject> JoinPaths(std::vector<std::unique_ptr<CPathObject>> parts) {
  std::unique_ptr<CPathObject> first;
  for (auto& p : parts) {
    if (!p) continue;
    if (!first) {
      first = std::move(p);
      continue;
    }
    first->AppendPath(*p);
  }
  return first;
}

void Register() {
  using namespace dlgutil::style;
  constexpr fw::DWORD kRadio = kTab | fw::BS_AUTORADIOBUTTON;
  auto ok = [&](int x, int y) {
    return DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok", kTab | fw::BS_DEFPUSHBUTTON, {x, y, x + 70, y + 24});
  };
  auto cancel = [&](int x, int y) {
    return DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab, {x, y, x + 70, y + 24});
  };
  const dlgutil::Labels label{70};
  fw::res::SetDialog(IDD_POLYGON,
                     fw::DialogTemplate{"RightPolygon Set",
                                        kPopup,
                                        {0, 0, 300, 170},
                                        {
                                            label("Border:", 10, 12),
                                            DlgItemDef(IDC_POLY_SIDES, CtrlKind::Edit, "", kEdit, {80, 10, 140, 32}),
                                            DlgItemDef(IDC_POLY_SPIN, CtrlKind::Spin, "", kChild, {140, 10, 156, 32}),
                                            label("Line:", 10, 44),
                                            DlgItemDef(IDC_POLY_LINE, CtrlKind::Edit, "", kEdit, {80, 42, 156, 64}),
                                            DlgItemDef(IDC_POLY_SHARP, CtrlKind::Button, "Sharp",
                                                       kTab | fw::BS_AUTOCHECKBOX, {10, 76, 156, 96}),
                                            DlgItemDef(IDC_POLY_PREVIEW, CtrlKind::Static, "", kChild | fw::WS_BORDER,
                                                       {170, 10, 290, 120}),
                                            ok(60, 132),
                                            cancel(160, 132),
                                        }});
  fw::res::SetDialog(IDD_TABLE, fw::DialogTemplate{"Table",
                                                   kPopup,
                                                   {0, 0, 320, 190},
                                                   {
                                                       label("Line", 10, 12),
                                                       DlgItemDef(IDC_TABLE_LINE, CtrlKind::Edit, "", kEdit,
                                                                  {90, 10, 160, 32}),
                                                       label("Outline", 170, 12),
                                                       DlgItemDef(IDC_TABLE_OUTLINE, CtrlKind::Edit, "", kEdit,
                                                                  {240, 10, 310, 32}),
                                                       label("Colunm", 10, 44),
                                                       DlgItemDef(IDC_WIDTHS, CtrlKind::Edit, "", kEdit,
                                                                  {90, 42, 310, 64}),
                                                       label("Row", 10, 76),
                                                       DlgItemDef(IDC_HEIGHTS, CtrlKind::Edit, "", kEdit,
                                                                  {90, 74, 310, 96}),
                                                       label("Use \",\" to seperate width", 10, 108, 300),
                                                       ok(80, 150),
                                                       cancel(170, 150),
                                                   }});
  fw::res::SetDialog(IDD_LINESTYLE,
                     fw::DialogTemplate{"OutRect",
                                        kPopup,
                                        {0, 0, 320, 180},
                                        {
                                            label("LineHeight:", 10, 12),
                                            DlgItemDef(IDC_LINE_HEIGHT, CtrlKind::Edit, "", kEdit, {90, 10, 150, 32}),
                                            label("LineWidth:", 160, 12),
                                            DlgItemDef(IDC_LINE_WIDTH, CtrlKind::Edit, "", kEdit, {240, 10, 310, 32}),
                                            label("XSpace", 10, 44),
                                            DlgItemDef(IDC_LINE_XSPACE, CtrlKind::Edit, "", kEdit, {90, 42, 150, 64}),
                                            label("YSpace", 160, 44),
                                            DlgItemDef(IDC_LINE_YSPACE, CtrlKind::Edit, "", kEdit, {240, 42, 310, 64}),
                                            DlgItemDef(IDC_LINE_SINGLE, CtrlKind::Button, "Single",
                                                       kRadio | fw::WS_GROUP, {10, 80, 120, 100}),
                                            DlgItemDef(IDC_LINE_DOUBLE, CtrlKind::Button, "Double", kRadio,
                                                       {130, 80, 240, 100}),
                                            ok(80, 140),
                                            cancel(170, 140),
                                        }});
  fw::res::SetDialog(IDD_RECTANGLE, fw::DialogTemplate{"Rectangle",
                                                       kPopup,
                                                       {0, 0, 280, 120},
                                                       {
                                                           label("Width", 10, 12),
                                                           DlgItemDef(IDC_WIDTHS, CtrlKind::Edit, "", kEdit,
                                                                      {80, 10, 270, 32}),
                                                           label("Lenth", 10, 44),
                                                           DlgItemDef(IDC_HEIGHTS, CtrlKind::Edit, "", kEdit,
                                                                      {80, 42, 270, 64}),
                                                           ok(60, 84),
                                                           cancel(150, 84),
                                                       }});
  fw::res::SetDialog(IDD_CIRCLE,
                     fw::DialogTemplate{"Circle",
                                        kPopup,
                                        {0, 0, 320, 200},
                                        {
                                            DlgItemDef(IDC_CIRCLE_CIRCLE, CtrlKind::Button, "Circle",
                                                       kRadio | fw::WS_GROUP, {10, 10, 80, 30}),
                                            DlgItemDef(IDC_CIRCLE_ARC, CtrlKind::Button, "Arc", kRadio,
                                                       {85, 10, 155, 30}),
                                            DlgItemDef(IDC_CIRCLE_PIE, CtrlKind::Button, "Ple", kRadio,
                                                       {160, 10, 230, 30}),
                                            DlgItemDef(IDC_CIRCLE_CHORD, CtrlKind::Button, "Chord", kRadio,
                                                       {235, 10, 305, 30}),
                                            label("XRadius", 10, 44),
                                            DlgItemDef(IDC_CIRCLE_RX, CtrlKind::Edit, "", kEdit, {90, 42, 310, 64}),
                                            label("YRadius", 10, 76),
                                            DlgItemDef(IDC_CIRCLE_RY, CtrlKind::Edit, "", kEdit, {90, 74, 310, 96}),
                                            label("StartAngle", 10, 108),
                                            DlgItemDef(IDC_CIRCLE_START, CtrlKind::Edit, "", kEdit,
                                                       {90, 106, 150, 128}),
                                            label("EndAngle", 160, 108),
                                            DlgItemDef(IDC_CIRCLE_END, CtrlKind::Edit, "", kEdit,
                                                       {240, 106, 310, 128}),
                                            ok(80, 160),
                                            cancel(170, 160),
                                        }});
}

}  // namespace

void RegisterShapeDialogs() {
  if (!fw::res::FindDialog(IDD_CIRCLE)) Register();
}

// --- Polygon --------------------------------------------------------------------

CPolygonDlg::CPolygonDlg(fw::CWnd* parent) : fw::CDialog(IDD_POLYGON, parent) { RegisterShapeDialogs(); }

FW_BEGIN_COMMAND_MAP(CPolygonDlg, fw::CDialog)
FW_ON_EN_CHANGE(IDC_POLY_SIDES, OnSidesChanged)
FW_ON_EN_CHANGE(IDC_POLY_LINE, OnChanged)
FW_ON_BN_CLICKED(IDC_POLY_SHARP, OnChanged)
FW_ON_NOTIFY(fw::UDN_DELTAPOS, IDC_POLY_SPIN, OnSpin)
FW_END_COMMAND_MAP()

fw::BOOL CPolygonDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const CProfile profile;
  const int sides = profile.GetInt("SystemParam", "PolygonAmount", 3);
  if (auto* spin = Item<fw::CSpinButtonCtrl>(IDC_POLY_SPIN)) {
    spin->SetRange(3, 360);
    spin->SetBuddy(GetDlgItem(IDC_POLY_SIDES));
    spin->SetPos(sides);
  }
  SetDlgItemInt(IDC_POLY_SIDES, fw::UINT(sides), fw::TRUE);
  SetDlgItemText(IDC_POLY_LINE, profile.GetString("SystemParam", "PolygonWidth", "0"));
  CheckDlgButton(IDC_POLY_SHARP, profile.GetInt("SystemParam", "SHARPPOLYGON", 0) != 0 ? 1 : 0);
  GotoDlgCtrl(GetDlgItem(fw::IDOK));
  return fw::FALSE;
}

void CPolygonDlg::OnSidesChanged() {
  fw::BOOL ok = fw::FALSE;
  const int sides = int(GetDlgItemInt(IDC_POLY_SIDES, &ok, fw::TRUE));
  if (auto* spin = Item<fw::CSpinButtonCtrl>(IDC_POLY_SPIN); spin && ok) spin->SetPos(sides);
  DrawPreview();
}

void CPolygonDlg::OnSpin(fw::NMHDR* hdr, fw::LRESULT* result) {
  *result = 1;  // the step is taken here
  auto* spin = Item<fw::CSpinButtonCtrl>(IDC_POLY_SPIN);
  if (!spin) return;
  const int next = reinterpret_cast<fw::NMUPDOWN*>(hdr)->iPos + reinterpret_cast<fw::NMUPDOWN*>(hdr)->iDelta;
  if (next > 2 && next <= 360) SetDlgItemInt(IDC_POLY_SIDES, fw::UINT(next), fw::TRUE);
}

void CPolygonDlg::OnPaint() {
  fw::CDialog::OnPaint();
  DrawPreview();
}

void CPolygonDlg::DrawPreview() {
  fw::CWnd* area = GetDlgItem(IDC_POLY_PREVIEW);
  if (!area) return;
  fw::RECT r;
  area->GetClientRect(&r);
  plat::HDC dc = area->GetDC();
  if (!dc) return;
  dc->FillSolidRect(r, plat::RGB(255, 255, 255));
  plat::HBRUSH hollow = static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH));
  plat::HBRUSH oldBrush = dc->SelectObject(hollow);
  dc->Rectangle(r);
  fw::BOOL ok = fw::FALSE;
  const int sides = int(GetDlgItemInt(IDC_POLY_SIDES, &ok, fw::TRUE));
  const float x0 = float(r.left + 5), y0 = float(r.top + 5), x1 = float(r.right - 5), y1 = float(r.bottom - 5);
  const float line = NumberOf(*this, IDC_POLY_LINE) != 0.0f ? 5.0f : 0.0f;
  const float inner = IsDlgButtonChecked(IDC_POLY_SHARP) ? std::min(x1 - x0, y1 - y0) / 8.0f : 0.0f;
  if (ok && sides <= kMaxPreviewSides && x1 > x0 && y1 > y0) {
    if (std::unique_ptr<CPathObject> polygon = MakeRegularPolygonPath(x0, y0, x1, y1, sides, line, inner)) {
      const CMatrix3 identity;
      polygon->DrawOutline(dc, &identity, nullptr);
    }
  }
  dc->SelectObject(oldBrush);
  area->ReleaseDC(dc);
}

void CPolygonDlg::OnOK() {
  const CProfile profile;
  if (int(GetDlgItemInt(IDC_POLY_SIDES, nullptr, fw::TRUE)) > kMaxPreviewSides) {
    dlgutil::Refuse("A polygon has at most 10000 sides.", "RightPolygon Set");
    return;
  }
  profile.WriteInt("SystemParam", "SHARPPOLYGON", IsDlgButtonChecked(IDC_POLY_SHARP) ? 1 : 0);
  profile.WriteString("SystemParam", "PolygonWidth", Limit(GetDlgItemText(IDC_POLY_LINE), 30).c_str());
  profile.WriteInt("SystemParam", "PolygonAmount", int(GetDlgItemInt(IDC_POLY_SIDES, nullptr, fw::TRUE)));
  fw::CDialog::OnOK();
}

// --- Table ----------------------------------------------------------------------

CTableDlg::CTableDlg(CVORLAN98View& view, fw::CWnd* parent) : CViewDialog(IDD_TABLE, view, parent) {
  RegisterShapeDialogs();
}

fw::BOOL CTableDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const CProfile profile;
  SetDlgItemText(IDC_TABLE_LINE, profile.GetString("Table", "OWIDTH", "2"));
  SetDlgItemText(IDC_TABLE_OUTLINE, profile.GetString("Table", "IWIDTH", "2"));
  SetDlgItemText(IDC_WIDTHS, profile.GetString("Table", "WIDTHS", "200"));
  SetDlgItemText(IDC_HEIGHTS, profile.GetString("Table", "HEIGHTS", "200"));
  return fw::TRUE;
}

void CTableDlg::OnOK() {
  const CProfile profile;
  const float m = NumberOf(*this, IDC_TABLE_LINE);
  const float w = NumberOf(*this, IDC_TABLE_OUTLINE);
  if (!(m > 0.0f)) return;
  profile.WriteString("Table", "OWIDTH", Limit(GetDlgItemText(IDC_TABLE_LINE), 30).c_str());
  if (!(w > 0.0f)) return;
  const std::string widths = Limit(GetDlgItemText(IDC_WIDTHS), kListLimit);
  const std::string heights = Limit(GetDlgItemText(IDC_HEIGHTS), kListLimit);
  const std::vector<float> columns = Fields(widths), rows = Fields(heights);
  const CFPoint p0 = dlgutil::ToolPoint();
  // The far edges of the frame, as the cells below add up.
  auto farEdge = [&](float start, const std::vector<float>& sizes) {
    double e = double(start) + m - w + m;
    for (float v : sizes) e += double(v) + w;
    return e;
  };
  if (!PageHolds(farEdge(p0.x, columns)) || !PageHolds(farEdge(p0.y, rows))) {
    dlgutil::Refuse("The table is larger than a page can hold.", "Table");
    return;
  }
  if (!dlgutil::ConfirmObjects(double(columns.size()) * double(rows.size()), "Table", false)) return;
  profile.WriteString("Table", "IWIDTH", Limit(GetDlgItemText(IDC_TABLE_OUTLINE), 30).c_str());
  profile.WriteString("Table", "WIDTHS", widths.c_str());
  profile.WriteString("Table", "HEIGHTS", heights.c_str());

  std::vector<std::unique_ptr<CPathObject>> parts;
  float y = p0.y + m, x = p0.x + m;
  for (float h : rows) {
    x = p0.x + m;
    for (float c : columns) {
      parts.push_back(MakeRectanglePath(x, y, x + c, y + h));
      x += c + w;
    }
    y += h + w;
  }
  // Without a cell there is no table to frame.
  if (!parts.empty() && std::any_of(parts.begin(), parts.end(), [](const auto& p) { return p != nullptr; })) {
    parts.push_back(MakeRectanglePath(p0.x, p0.y, x - w + m, y - w + m));
    if (std::unique_ptr<CPathObject> table = JoinPaths(std::move(parts))) {
      table->RecalcBounds();
      dlgutil::AddObjectAsStep(m_view, std::move(table));
    }
  }
  fw::CDialog::OnOK();
}

// --- Frames around the selection -------------------------------------------------

CLineStyleDlg::CLineStyleDlg(CVORLAN98View& view, fw::CWnd* parent) : CViewDialog(IDD_LINESTYLE, view, parent) {
  RegisterShapeDialogs();
}

fw::BOOL CLineStyleDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const CProfile profile;
  const int style = profile.GetInt("SystemParam", "LINESTYLER", 2);
  CheckRadioButton(IDC_LINE_SINGLE, IDC_LINE_DOUBLE, style == 1 ? IDC_LINE_SINGLE : IDC_LINE_DOUBLE);
  SetDlgItemText(IDC_LINE_HEIGHT, Limit(profile.GetString("SystemParam", "LINEXWIDTH", "5.0"), 30));
  SetDlgItemText(IDC_LINE_WIDTH, Limit(profile.GetString("SystemParam", "LINEYWIDTH", "5.0"), 30));
  SetDlgItemText(IDC_LINE_XSPACE, Limit(profile.GetString("SystemParam", "LINEXSPACE", "5.0"), 30));
  SetDlgItemText(IDC_LINE_YSPACE, Limit(profile.GetString("SystemParam", "LINEYSPACE", "5.0"), 30));
  GotoDlgCtrl(GetDlgItem(IDC_LINE_HEIGHT));
  return fw::FALSE;
}

void CLineStyleDlg::OnOK() {
  const CProfile profile;
  const bool single = IsDlgButtonChecked(IDC_LINE_SINGLE) != 0;
  profile.WriteInt("SystemParam", "LINESTYLER", single ? 1 : 2);
  profile.WriteString("SystemParam", "LINEXWIDTH", Limit(GetDlgItemText(IDC_LINE_HEIGHT), 30).c_str());
  profile.WriteString("SystemParam", "LINEYWIDTH", Limit(GetDlgItemText(IDC_LINE_WIDTH), 30).c_str());
  profile.WriteString("SystemParam", "LINEXSPACE", Limit(GetDlgItemText(IDC_LINE_XSPACE), 30).c_str());
  profile.WriteString("SystemParam", "LINEYSPACE", Limit(GetDlgItemText(IDC_LINE_YSPACE), 30).c_str());
  const float growY = NumberOf(*this, IDC_LINE_HEIGHT);  // second frame, top and bottom
  const float growX = NumberOf(*this, IDC_LINE_WIDTH);   // second frame, left and right
  const float spaceX = NumberOf(*this, IDC_LINE_XSPACE);
  const float spaceY = NumberOf(*this, IDC_LINE_YSPACE);

  // The objects selected now: the frames added below are not framed again.
  std::vector<std::unique_ptr<CGraphObject>> frames;
  if (CVORLAN98Doc* doc = m_view.GetDoc()) {
    for (int i = 0; i < doc->GetObjectCount(); ++i) {
      CGraphObject* o = doc->GetObjectAt(i);
      if (!o || o->selected == 0) continue;
      const CFRect b = o->bounds;
      const float l = b.left - spaceX, t = b.top - spaceY, r = b.right + spaceX, btm = b.bottom + spaceY;
      std::unique_ptr<CPathObject> frame = MakeRectanglePath(l, t, r, btm);
      if (!frame) continue;
      if (!single) {
        if (std::unique_ptr<CPathObject> outer = MakeRectanglePath(l - growX, t - growY, r + growX, btm + growY))
          frame->AppendPath(*outer);
      }
      frame->RecalcBounds();
      frames.push_back(std::move(frame));
    }
  }
  dlgutil::AddObjectsAsStep(m_view, std::move(frames));
  fw::CDialog::OnOK();
}

// --- Rectangle ------------------------------------------------------------------

CRectangleDlg::CRectangleDlg(CVORLAN98View& view, fw::CWnd* parent) : CViewDialog(IDD_RECTANGLE, view, parent) {
  RegisterShapeDialogs();
}

fw::BOOL CRectangleDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  SetDlgItemInt(IDC_WIDTHS, 100, fw::TRUE);
  SetDlgItemInt(IDC_HEIGHTS, 100, fw::TRUE);
  return fw::TRUE;
}

void CRectangleDlg::OnOK() {
  const CFPoint c = dlgutil::ToolPoint();
  const std::string widths = Limit(GetDlgItemText(IDC_WIDTHS), kTypedListLimit);
  const std::string heights = Limit(GetDlgItemText(IDC_HEIGHTS), kTypedListLimit);
  const int n = CountFields(widths, ',');
  std::vector<std::unique_ptr<CPathObject>> parts;
  CFRect only;
  for (int i = 0; i < n; ++i) {
    float wv = 0.0f, hv = 0.0f;
    if (!Field(widths, i, &wv)) continue;
    const float a = wv / 2.0f;
    const float b = Field(heights, i, &hv) && hv != 0.0f ? hv / 2.0f : a;
    only = CFRect(c.x - a, c.y - b, c.x + a, c.y + b);
    parts.push_back(MakeRectanglePath(c.x - a, c.y - b, c.x + a, c.y + b));
  }
  if (n == 1 && !parts.empty() && parts.front()) {
    auto rect = std::make_unique<CRectObject>();
    rect->x1 = only.left, rect->y1 = only.top, rect->x2 = only.right, rect->y2 = only.bottom;
    rect->bounds = only;
    dlgutil::AddObjectAsStep(m_view, std::move(rect));
  } else if (std::unique_ptr<CPathObject> path = JoinPaths(std::move(parts))) {
    path->RecalcBounds();
    dlgutil::AddObjectAsStep(m_view, std::move(path));
  }
  fw::CDialog::OnOK();
}

// --- Circle ---------------------------------------------------------------------

CCircleDlg::CCircleDlg(CVORLAN98View& view, fw::CWnd* parent) : CViewDialog(IDD_CIRCLE, view, parent) {
  RegisterShapeDialogs();
}

FW_BEGIN_COMMAND_MAP(CCircleDlg, fw::CDialog)
FW_ON_BN_CLICKED(IDC_CIRCLE_CIRCLE, OnKindChanged)
FW_ON_BN_CLICKED(IDC_CIRCLE_ARC, OnKindChanged)
FW_ON_BN_CLICKED(IDC_CIRCLE_PIE, OnKindChanged)
FW_ON_BN_CLICKED(IDC_CIRCLE_CHORD, OnKindChanged)
FW_END_COMMAND_MAP()

fw::BOOL CCircleDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  CheckRadioButton(IDC_CIRCLE_CIRCLE, IDC_CIRCLE_CHORD, IDC_CIRCLE_CIRCLE);
  SetDlgItemInt(IDC_CIRCLE_RX, 200, fw::TRUE);
  SetDlgItemInt(IDC_CIRCLE_RY, 0, fw::TRUE);
  SetDlgItemInt(IDC_CIRCLE_START, fw::UINT(-40), fw::TRUE);
  SetDlgItemInt(IDC_CIRCLE_END, 220, fw::TRUE);
  OnKindChanged();
  return fw::TRUE;
}

void CCircleDlg::OnKindChanged() {
  const bool angles = IsDlgButtonChecked(IDC_CIRCLE_CIRCLE) == 0;
  for (fw::UINT id : {IDC_CIRCLE_START, IDC_CIRCLE_END})
    if (fw::CWnd* w = GetDlgItem(id)) w->EnableWindow(angles ? fw::TRUE : fw::FALSE);
}

void CCircleDlg::OnOK() {
  const CFPoint c = dlgutil::ToolPoint();
  const std::string rx = Limit(GetDlgItemText(IDC_CIRCLE_RX), kTypedListLimit);
  const std::string ry = Limit(GetDlgItemText(IDC_CIRCLE_RY), kTypedListLimit);
  const float start = NumberOf(*this, IDC_CIRCLE_START) * kDegree;
  const float end = NumberOf(*this, IDC_CIRCLE_END) * kDegree;
  std::unique_ptr<CPathObject> made;
  if (IsDlgButtonChecked(IDC_CIRCLE_CIRCLE)) {
    made = MakeConcentricEllipses(c.x, c.y, rx, ry);
  } else {
    const bool pie = IsDlgButtonChecked(IDC_CIRCLE_PIE) != 0;
    const bool chord = IsDlgButtonChecked(IDC_CIRCLE_CHORD) != 0;
    std::vector<std::unique_ptr<CPathObject>> parts;
    float a = 0.0f;
    for (int i = 0; Field(rx, i, &a); ++i) {
      float b = 0.0f;
      if (!Field(ry, i, &b) || b == 0.0f) b = a;
      const float x1 = c.x - a, y1 = c.y - b, x2 = c.x + a, y2 = c.y + b;
      std::unique_ptr<CPathObject> arc = pie ? MakePiePath(x1, y1, x2, y2, start, end)
                                             : MakeArcPath(x1, y1, x2, y2, start, end);
      if (arc && chord) arc->CloseLastContour();
      parts.push_back(std::move(arc));
    }
    made = JoinPaths(std::move(parts));
  }
  if (made) {
    made->RecalcBounds();
    dlgutil::AddObjectAsStep(m_view, std::move(made));
  }
  fw::CDialog::OnOK();
}
