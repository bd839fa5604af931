#include "text/libbrowser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "framework/resources.h"
#include "model/pathnodes_util.h"
#include "model/pathpoints.h"
#include "model/services.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/codepage.h"
#include "platform/text_out.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/libpicobject.h"

using namespace fw;

namespace {

constexpr const char* kSection = "SystemParam";
constexpr int kPanelPictureLeft = 25;

int Stored(const char* key) { return g_IniFile.GetInt(kSection, key, 1); }

// The outline's scale into a cell of w x h pixels; 0 when it has no extent.
float FitScale(const CPathPointList& o, float w, float h) {
  const float ow = o.bounds.right - o.bounds.left, oh = o.bounds.bottom - o.bounds.top;
  const float sx = ow > 0 ? (w - 5) / ow : 0.0f, sy = oh > 0 ? (h - 5) / oh : 0.0f;
  if (ow > 0 && oh > 0) return std::min(sx, sy);
  return ow > 0 ? sx : sy;  // a flat outline scales by the axis it has
}

void DrawFitted(plat::HDC dc, const RECT& area, bool selected, const CPathPointList* outline) {
  if (!outline || !outline->points || !outline->hasBounds) return;
  const float s = FitScale(*outline, float(area.right - area.left), float(area.bottom - area.top));
  if (!(s > 0) || !std::isfinite(s)) return;
  const CMatrix3 m(s, 0, 0, s, float(area.left) + 2 - outline->bounds.left * s,
                   float(area.top) + 2 - outline->bounds.top * s);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, selected ? plat::RGB(255, 255, 255) : plat::RGB(0, 0, 0));
  plat::HPEN old = dc->SelectObject(pen);
  outline->DrawOutlineWith(dc, &m);
  dc->SelectObject(old);
  plat::DeleteObject(pen);
}

void FillCell(plat::HDC dc, const RECT& cell, bool selected) {
  dc->FillSolidRect(cell, selected ? plat::RGB(0, 0, 128) : plat::RGB(255, 255, 255));
}

template <class List>
int ItemNumber(const List* list, int index) {
  if (!list || index < 0 || index >= list->GetCount()) return -1;
  return std::atoi(list->GetLBText(index).c_str());
}
int ItemNumber(const CListBox* list, int index) {
  if (!list || index < 0 || index >= list->GetCount()) return -1;
  return std::atoi(list->GetText(index).c_str());
}

}  // namespace

// --- Templates --------------------------------------------------------------------

void RegisterLibBrowserResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  const DlgItemDef type(IDC_LIB_TYPE, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {2, 2, 140, 200});
  const DlgItemDef name(IDC_LIB_NAME, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {144, 2, 280, 200});
  res::SetDialog(IDD_LIB_GLYPH_PANEL,
                 DialogTemplate{"", WS_CHILD, {0, 0, 420, 26},
                                {type, name,
                                 DlgItemDef(IDC_LIB_PICTURE, CtrlKind::ComboBox, "",
                                            kTab | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL,
                                            {284, 2, 416, 300})}});
  res::SetDialog(IDD_LIB_SYMBOL_BAR,
                 DialogTemplate{"", WS_CHILD, {0, 0, 144, 400},
                                {DlgItemDef(IDC_LIB_TYPE, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL,
                                            {2, 2, 142, 200}),
                                 DlgItemDef(IDC_LIB_NAME, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL,
                                            {2, 26, 142, 200}),
                                 DlgItemDef(IDC_LIB_PICTURE, CtrlKind::ListBox, "",
                                            kTab | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL,
                                            {2, 50, 142, 398})}});
  std::vector<DlgItemDef> info = {
      DlgItemDef(0, CtrlKind::Static, "Lib Kind:", kChild, {10, 10, 80, 28}),
      DlgItemDef(IDC_LIB_TYPE, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {80, 8, 250, 200}),
      DlgItemDef(0, CtrlKind::Static, "Lib Name:", kChild, {260, 10, 330, 28}),
      DlgItemDef(IDC_LIB_NAME, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {330, 8, 500, 200}),
  };
  for (int i = 0; i < kLibInfoCells; ++i)
    info.emplace_back(IDC_LIB_CELL_FIRST + UINT(i), CtrlKind::Static, "", kChild,
                      RECT{10 + 61 * i, 40, 10 + 61 * i + 60, 100});
  info.emplace_back(IDC_LIB_SCROLL, CtrlKind::ScrollBar, "", kChild, RECT{10, 104, 497, 120});
  info.emplace_back(IDC_LIB_NUMBER, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL, RECT{10, 130, 120, 150});
  info.emplace_back(0, CtrlKind::Static, "Width", kChild, RECT{130, 132, 180, 150});
  info.emplace_back(IDC_LIB_WIDTH, CtrlKind::Static, "", kChild, RECT{180, 132, 260, 150});
  info.emplace_back(0, CtrlKind::Static, "Height", kChild, RECT{270, 132, 320, 150});
  info.emplace_back(IDC_LIB_HEIGHT, CtrlKind::Static, "", kChild, RECT{320, 132, 400, 150});
  info.emplace_back(IDC_LIB_RATIO, CtrlKind::Button, "Ratio Graph", kTab | BS_AUTOCHECKBOX, RECT{10, 160, 150, 178});
  info.emplace_back(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON, RECT{320, 160, 400, 185});
  info.emplace_back(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON, RECT{410, 160, 497, 185});
  res::SetDialog(IDD_LIB_INFO, DialogTemplate{"Lib Info", kPopup, {0, 0, 507, 195}, std::move(info)});
}

// --- Shared -----------------------------------------------------------------------

void CLibBrowser::FillTypes(CComboBox& types, int type) {
  types.ResetContent();
  types.AddString("Eng Symbols");
  types.AddString("Eng Fonts");
  std::string name;
  for (int i = 0; g_MountLibList.GetName(i, name); ++i) types.AddString(plat::GbkToUtf8(name));
  types.SetCurSel(std::clamp(type, 0, types.GetCount() - 1));
}

void CLibBrowser::FillNames(CComboBox& names, int type) {
  names.ResetContent();
  if (type == 0 || type == 1) {
    const int slot = type == 0 ? 2 : 0;
    std::string name;
    for (int i = 0; g_FontCatalog.GetEntryName(slot, 0, i, name) && !name.empty(); ++i)
      names.AddString(plat::GbkToUtf8(name.substr(0, plat::GbkPrefixLength(name, 39))));
  } else if (type >= 2 && lib_.OpenMounted(type - 2)) {
    for (int k = 0; k < lib_.GetKindCount(); ++k) names.AddString(plat::GbkToUtf8(lib_.GetKindName(k)));
  }
  names.SetCurSel(0);
}

int CLibBrowser::PictureOf(int type, const std::string& itemText, int first) {
  const int n = std::atoi(itemText.c_str());
  return type < 2 ? n : n - first;
}

std::unique_ptr<CPathPointList> CLibBrowser::Outline(int type, int number, int picture) const {
  if (type < 0 || number < 0 || picture < 0) return nullptr;
  if (type < 2) {
    CLibPicObject pic{std::uint16_t(type), std::uint16_t(number), std::uint16_t(picture)};
    return std::unique_ptr<CPathPointList>(pic.MakeOutline(nullptr, 0));
  }
  return lib_.ReadGraph(number, picture, nullptr);
}

void CLibBrowser::DrawCell(plat::HDC dc, const RECT& cell, bool selected, const CPathPointList* outline) {
  if (!dc) return;
  FillCell(dc, cell, selected);
  DrawFitted(dc, cell, selected, outline);
}

// --- Glyph panel --------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CLibGlyphPanel, CDialog)
FW_ON_CBN_SELCHANGE(IDC_LIB_TYPE, OnTypeChanged)
FW_ON_CBN_SELCHANGE(IDC_LIB_NAME, OnNameChanged)
FW_END_COMMAND_MAP()

CLibGlyphPanel::CLibGlyphPanel() : CDialog(IDD_LIB_GLYPH_PANEL) {}
CLibGlyphPanel::~CLibGlyphPanel() = default;

BOOL CLibGlyphPanel::Create(CWnd* parent) { return CDialog::Create(IDD_LIB_GLYPH_PANEL, parent); }

BOOL CLibGlyphPanel::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* types = Item<CComboBox>(IDC_LIB_TYPE)) CLibBrowser::FillTypes(*types, Stored("CurrentPicLibType"));
  OnTypeChanged();
  return TRUE;
}

void CLibGlyphPanel::OnTypeChanged() {
  auto* types = Item<CComboBox>(IDC_LIB_TYPE);
  auto* names = Item<CComboBox>(IDC_LIB_NAME);
  if (!types || !names) return;
  browser_.FillNames(*names, types->GetCurSel());
  OnNameChanged();
}

void CLibGlyphPanel::OnNameChanged() {
  auto* types = Item<CComboBox>(IDC_LIB_TYPE);
  auto* pictures = Item<CComboBox>(IDC_LIB_PICTURE);
  if (types && pictures) CLibBrowser::FillPictures(*pictures, types->GetCurSel(), 0);
}

void CLibGlyphPanel::GetSelection(int* type, int* number, int* picture) const {
  auto* types = Item<CComboBox>(IDC_LIB_TYPE);
  auto* names = Item<CComboBox>(IDC_LIB_NAME);
  auto* pictures = Item<CComboBox>(IDC_LIB_PICTURE);
  const int t = types ? types->GetCurSel() : -1;
  if (type) *type = t;
  if (number) *number = names ? names->GetCurSel() : -1;
  const int item = ItemNumber(pictures, pictures ? pictures->GetCurSel() : -1);
  if (picture) *picture = item < 0 ? -1 : CLibBrowser::PictureOf(t, std::to_string(item), 0);
}

int CLibGlyphPanel::SyncWithSelection() {
  CViewServices* view = GetActiveView();
  if (!view) return 0;
  CGraphObject* object = view->GetEditObject();
  if (!object)
    if (CDesignViewServices* dv = view->GetDesignView()) object = dv->GetSelectedObject();
  auto* pic = dynamic_cast<CLibPicObject*>(object);
  auto* types = Item<CComboBox>(IDC_LIB_TYPE);
  auto* names = Item<CComboBox>(IDC_LIB_NAME);
  auto* pictures = Item<CComboBox>(IDC_LIB_PICTURE);
  if (!pic || !types || !names || !pictures) return 0;
  if (pic->libraryType >= types->GetCount()) return 0;
  types->SetCurSel(pic->libraryType);
  OnTypeChanged();
  names->SetCurSel(pic->libraryNumber);
  OnNameChanged();
  const int first = pic->libraryType < 2 ? 32 : 0;
  pictures->SetCurSel(int(pic->pictureNumber) - first);
  return 1;
}

std::unique_ptr<CPathPointList> CLibGlyphPanel::CreatePicObject() {
  int type, number, picture;
  GetSelection(&type, &number, &picture);
  if (type < 0 || number < 0 || picture < 0) return nullptr;
  CLibPicObject pic{std::uint16_t(type), std::uint16_t(number), std::uint16_t(picture)};
  return std::unique_ptr<CPathPointList>(pic.MakeOutline(nullptr, 0));
}

void CLibGlyphPanel::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  auto* pictures = Item<CComboBox>(IDC_LIB_PICTURE);
  if (UINT(id) != IDC_LIB_PICTURE || !dis || !dis->hDC || !pictures) return CDialog::OnDrawItem(id, dis);
  int type, number;
  GetSelection(&type, &number, nullptr);
  const int item = ItemNumber(pictures, int(dis->itemID));
  const bool selected = (dis->itemState & ODS_SELECTED) != 0;
  FillCell(dis->hDC, dis->rcItem, selected);
  if (item < 0) return;
  std::unique_ptr<CPathPointList> outline =
      browser_.Outline(type, number, CLibBrowser::PictureOf(type, std::to_string(item), 0));
  if (!outline) return;
  RECT area = dis->rcItem;
  area.left += kPanelPictureLeft;
  DrawFitted(dis->hDC, area, selected, outline.get());
  const plat::COLORREF oldColor = dis->hDC->SetTextColor(plat::RGB(255, 0, 0));
  const int oldMode = dis->hDC->SetBkMode(plat::TRANSPARENT);
  plat::TextOut(dis->hDC, 1, dis->rcItem.top + 5, std::to_string(item));
  dis->hDC->SetBkMode(oldMode);
  dis->hDC->SetTextColor(oldColor);
}

// --- Symbol bar ---------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CLibSymbolBar, CDialogBar)
FW_ON_CBN_SELCHANGE(IDC_LIB_TYPE, OnTypeChanged)
FW_ON_CBN_SELCHANGE(IDC_LIB_NAME, OnNameChanged)
FW_END_COMMAND_MAP()

BOOL CLibSymbolBar::Create(CWnd* parent, UINT id) {
  if (!CDialogBar::Create(parent, IDD_LIB_SYMBOL_BAR, CBRS_LEFT, id)) return FALSE;
  if (auto* list = dynamic_cast<CListBox*>(GetDlgItem(IDC_LIB_PICTURE))) list->SetItemHeight(0, 40);
  if (auto* types = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_TYPE)))
    CLibBrowser::FillTypes(*types, Stored("CurrentPicLibType"));
  OnTypeChanged();
  return TRUE;
}

void CLibSymbolBar::OnTypeChanged() {
  auto* types = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_TYPE));
  auto* names = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_NAME));
  if (!types || !names) return;
  browser_.FillNames(*names, types->GetCurSel());
  OnNameChanged();
}

void CLibSymbolBar::OnNameChanged() {
  auto* types = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_TYPE));
  auto* pictures = dynamic_cast<CListBox*>(GetDlgItem(IDC_LIB_PICTURE));
  if (types && pictures) CLibBrowser::FillPictures(*pictures, types->GetCurSel(), 1);
}

void CLibSymbolBar::GetSelection(int* type, int* number, int* picture) const {
  auto* types = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_TYPE));
  auto* names = dynamic_cast<CComboBox*>(GetDlgItem(IDC_LIB_NAME));
  auto* pictures = dynamic_cast<CListBox*>(GetDlgItem(IDC_LIB_PICTURE));
  const int t = types ? types->GetCurSel() : -1;
  if (type) *type = t;
  if (number) *number = names ? names->GetCurSel() : -1;
  const int item = ItemNumber(pictures, pictures ? pictures->GetCurSel() : -1);
  if (picture) *picture = item < 0 ? -1 : CLibBrowser::PictureOf(t, std::to_string(item), 1);
}

void CLibSymbolBar::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  auto* pictures = dynamic_cast<CListBox*>(GetDlgItem(IDC_LIB_PICTURE));
  if (UINT(id) != IDC_LIB_PICTURE || !dis || !dis->hDC || !pictures) return CDialogBar::OnDrawItem(id, dis);
  int type, number;
  GetSelection(&type, &number, nullptr);
  const int item = ItemNumber(pictures, int(dis->itemID));
  std::unique_ptr<CPathPointList> outline =
      item < 0 ? nullptr : browser_.Outline(type, number, CLibBrowser::PictureOf(type, std::to_string(item), 1));
  CLibBrowser::DrawCell(dis->hDC, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0, outline.get());
}

// --- Lib Info -----------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CLibInfoDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_LIB_TYPE, OnTypeChanged)
FW_ON_CBN_SELCHANGE(IDC_LIB_NAME, OnNameChanged)
FW_ON_EN_CHANGE(IDC_LIB_NUMBER, OnNumberChanged)
FW_END_COMMAND_MAP()

CLibInfoDlg::CLibInfoDlg() : CDialog(IDD_LIB_INFO) {}
CLibInfoDlg::~CLibInfoDlg() = default;

int CLibInfoDlg::Type() const {
  auto* types = Item<CComboBox>(IDC_LIB_TYPE);
  return types ? types->GetCurSel() : -1;
}

int CLibInfoDlg::Number() const {
  auto* names = Item<CComboBox>(IDC_LIB_NAME);
  return names ? names->GetCurSel() : -1;
}

BOOL CLibInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  char buf[64];
  const float w = std::fabs(target.right - target.left), h = std::fabs(target.bottom - target.top);
  std::snprintf(buf, sizeof(buf), "%10.2f", double(w));
  SetDlgItemText(IDC_LIB_WIDTH, buf);
  std::snprintf(buf, sizeof(buf), "%10.2f", double(h));
  SetDlgItemText(IDC_LIB_HEIGHT, buf);
  CheckDlgButton(IDC_LIB_RATIO, (w == 0 || h == 0) ? BST_CHECKED : BST_UNCHECKED);
  if (auto* types = Item<CComboBox>(IDC_LIB_TYPE)) CLibBrowser::FillTypes(*types, Stored("CurrentPicLibType"));
  OnTypeChanged();
  if (auto* names = Item<CComboBox>(IDC_LIB_NAME); names && names->GetCount() > 0) {
    names->SetCurSel(std::clamp(Stored("CurrentPicLibNo"), 0, names->GetCount() - 1));
    OnNameChanged();
  }
  if (auto* bar = Item<CScrollBar>(IDC_LIB_SCROLL)) bar->SetScrollPos(Stored("CurrentPicNo"));
  RedrawCells();
  return TRUE;
}

void CLibInfoDlg::OnTypeChanged() {
  auto* names = Item<CComboBox>(IDC_LIB_NAME);
  if (names) browser_.FillNames(*names, Type());
  OnNameChanged();
}

void CLibInfoDlg::OnNameChanged() {
  // Eight cells from the scroll position: codes 32 to 254, graphs 0 to 254.
  if (auto* bar = Item<CScrollBar>(IDC_LIB_SCROLL)) {
    bar->SetScrollRange(Type() < 2 ? 32 : 0, 254 - (kLibInfoCells - 1));
    bar->SetScrollPos(0);
  }
  chosen_ = 0;
  RedrawCells();
}

void CLibInfoDlg::OnNumberChanged() { RedrawCells(); }

int CLibInfoDlg::CellPicture(int cell) const {
  if (cell < 0 || cell >= kLibInfoCells) return -1;
  const int type = Type();
  const std::string typed = plat::Utf8ToGbk(GetDlgItemText(IDC_LIB_NUMBER));
  if (type < 2 && !typed.empty() && typed[0] == ' ') {
    // The characters typed after the blank, one per cell.
    const int id = g_Language.GetId(type == 0 ? 2 : 0);
    const bool doubleByte = id == 128 || id == 129 || id == 134 || id == 136;
    std::size_t i = 1;
    for (int c = 0; i < typed.size(); ++c) {
      const auto lead = std::uint8_t(typed[i]);
      int code = lead;
      std::size_t step = 1;
      if (doubleByte && lead >= 0x81 && i + 1 < typed.size()) {
        code = (lead << 8) | std::uint8_t(typed[i + 1]);
        step = 2;
      }
      if (c == cell) return code;
      i += step;
    }
    return 32;
  }
  auto* bar = Item<CScrollBar>(IDC_LIB_SCROLL);
  return (bar ? bar->GetScrollPos() : 0) + cell;
}

void CLibInfoDlg::RedrawCells() {
  const int type = Type(), number = Number();
  for (int i = 0; i < kLibInfoCells; ++i) {
    CWnd* cell = GetDlgItem(IDC_LIB_CELL_FIRST + UINT(i));
    if (!cell) continue;
    RECT r;
    cell->GetClientRect(&r);
    std::unique_ptr<CPathPointList> outline = browser_.Outline(type, number, CellPicture(i));
    plat::HDC dc = cell->GetDC();
    CLibBrowser::DrawCell(dc, r, i == chosen_, outline.get());
    cell->ReleaseDC(dc);
  }
}

void CLibInfoDlg::OnHScroll(UINT code, UINT pos, CWnd* bar) {
  auto* scroll = dynamic_cast<CScrollBar*>(bar);
  if (!scroll || scroll->GetDlgCtrlID() != IDC_LIB_SCROLL) return CDialog::OnHScroll(code, pos, bar);
  int p = scroll->GetScrollPos();
  switch (code) {
    case SB_LINELEFT: p -= 1; break;
    case SB_LINERIGHT: p += 1; break;
    case SB_PAGELEFT: p -= kLibInfoCells; break;
    case SB_PAGERIGHT: p += kLibInfoCells; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: p = int(pos); break;
    default: return;
  }
  scroll->SetScrollPos(p);  // clamped to the range
  RedrawCells();
}

void CLibInfoDlg::ChooseCell(int cell) {
  if (cell < 0 || cell >= kLibInfoCells) return;
  chosen_ = cell;
  const std::string typed = GetDlgItemText(IDC_LIB_NUMBER);
  if (typed.empty() || typed[0] != ' ') SetDlgItemText(IDC_LIB_NUMBER, std::to_string(CellPicture(cell)));
  RedrawCells();
}

void CLibInfoDlg::OnLButtonDown(UINT flags, POINT pt) {
  for (int i = 0; i < kLibInfoCells; ++i) {
    CWnd* cell = GetDlgItem(IDC_LIB_CELL_FIRST + UINT(i));
    const RECT r = cell ? cell->GetRectInParent() : RECT{};
    if (cell && pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return ChooseCell(i);
  }
  CDialog::OnLButtonDown(flags, pt);
}

void CLibInfoDlg::StoreSelection(int picture) const {
  g_IniFile.WriteInt(kSection, "CurrentPicLibType", Type());
  g_IniFile.WriteInt(kSection, "CurrentPicLibNo", Number());
  g_IniFile.WriteInt(kSection, "CurrentPicNo", picture);
}

void CLibInfoDlg::OnOK() {
  const std::string typed = GetDlgItemText(IDC_LIB_NUMBER);
  const int picture = !typed.empty() && typed[0] == ' ' ? CellPicture(chosen_) : std::atoi(typed.c_str());
  StoreSelection(picture);
  const int type = Type(), number = Number();
  std::unique_ptr<CPathPointList> outline;
  auto pic = std::make_unique<CLibPicObject>(std::uint16_t(std::max(type, 0)), std::uint16_t(std::max(number, 0)),
                                             std::uint16_t(std::clamp(picture, 0, 0xFFFF)));
  if (type >= 0 && number >= 0 && picture >= 0) outline.reset(pic->MakeOutline(nullptr, 0));
  CViewServices* view = GetActiveView();
  CDocumentServices* doc = view ? view->GetDocument() : nullptr;
  const CFRect o = outline ? outline->bounds : CFRect();
  const float ow = o.right - o.left, oh = o.bottom - o.top;
  if (!outline || !doc || (ow == 0 && oh == 0)) {
    EndDialog(IDOK);
    return;
  }
  CFRect b = target;
  if (IsDlgButtonChecked(IDC_LIB_RATIO)) {
    // The longer side becomes 100 screen pixels at the view's scale.
    const float len = float(100.0 * view->GetUnitsPerPixel());
    const float a = oh != 0 ? ow / oh : std::numeric_limits<float>::infinity();
    const float w = a <= 1 ? len * a : len, h = a <= 1 ? len : len / a;
    b = CFRect(target.left, target.top, target.left + w, target.top + h);
  }
  // A flat outline takes the other axis's scale.
  float sx = ow != 0 ? (b.right - b.left) / ow : 0.0f;
  float sy = oh != 0 ? (b.bottom - b.top) / oh : 0.0f;
  if (ow == 0) sx = sy;
  if (oh == 0) sy = sx;
  pic->bounds = b;
  pic->matrix = CMatrix3(sx, 0, 0, sy, b.left - o.left * sx, b.top - o.top * sy);
  {
    pathnodes::UndoBracket bracket(view, 0);
    CLibPicObject* placed = pic.release();
    doc->AddObject(placed, true);
    AppendUndo(view, std::make_unique<CUndoAddObject>(placed));
    placed->InvalidateObjectRect(view, true);
  }
  EndDialog(IDOK);
}

void CLibInfoDlg::OnCancel() {
  auto* bar = Item<CScrollBar>(IDC_LIB_SCROLL);
  StoreSelection((bar ? bar->GetScrollPos() : 0) + chosen_);
  CDialog::OnCancel();
}
