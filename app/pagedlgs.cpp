#include "app/pagedlgs.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app/settingsload.h"
#include "framework/resources.h"
#include "model/helpers.h"
#include "model/settings.h"
#include "platform/dib.h"
#include "platform/image_io.h"
#include "platform/paths.h"
#include "text/graphlib.h"
#include "text/language.h"

using namespace pagedlg;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

constexpr plat::COLORREF kSelectedFrame = 0x800000;
constexpr plat::COLORREF kWhite = 0xFFFFFF;
constexpr int kPageKeysSize = 3000;
constexpr int kPageValueSize = 30;
constexpr std::size_t kPathLimit = 60;
// The folders' readers take up to 4095 bytes.
constexpr std::size_t kPathKept = 4096;
constexpr int kCategoryWidth = 150;

void Register() {
  using namespace dlgutil::style;
  constexpr fw::DWORD kList = kTab | fw::CBS_DROPDOWNLIST | fw::WS_VSCROLL;
  constexpr fw::DWORD kColours = kList | fw::CBS_OWNERDRAWFIXED | fw::CBS_HASSTRINGS;
  const dlgutil::Labels label{80};
  fw::res::SetDialog(IDD_PAGE_SET,
                     fw::DialogTemplate{"Page Setting",
                                        kPopup,
                                        {0, 0, 330, 250},
                                        {
                                            label("Page Type", 10, 10),
                                            DlgItemDef(IDC_PAGE_TYPE, CtrlKind::ComboBox, "", kList,
                                                       {100, 10, 320, 160}),
                                            label("Width", 10, 42),
                                            DlgItemDef(IDC_PAGE_WIDTH, CtrlKind::Edit, "", kEdit, {100, 40, 200, 62}),
                                            label("Lenth", 10, 72),
                                            DlgItemDef(IDC_PAGE_HEIGHT, CtrlKind::Edit, "", kEdit,
                                                       {100, 70, 200, 92}),
                                            label("Palette", 10, 102),
                                            DlgItemDef(IDC_PAGE_PALETTE, CtrlKind::ComboBox, "", kList,
                                                       {100, 100, 320, 250}),
                                            label("Background", 10, 132),
                                            DlgItemDef(IDC_PAGE_BACK, CtrlKind::ComboBox, "", kColours,
                                                       {100, 130, 200, 280}),
                                            label("Grid", 10, 162),
                                            DlgItemDef(IDC_PAGE_GRID_COLOR, CtrlKind::ComboBox, "", kColours,
                                                       {100, 160, 200, 310}),
                                            label("Grid Size", 210, 162),
                                            DlgItemDef(IDC_PAGE_GRID_SIZE, CtrlKind::Edit, "", kEdit,
                                                       {270, 160, 320, 182}),
                                            DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                       kTab | fw::BS_DEFPUSHBUTTON, {150, 212, 230, 238}),
                                            DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab,
                                                       {240, 212, 320, 238}),
                                        }});
  fw::res::SetDialog(IDD_PATH_SET, fw::DialogTemplate{"Path Set",
                                                      kPopup,
                                                      {0, 0, 520, 300},
                                                      {
                                                          DlgItemDef(IDC_PATH_LIST, CtrlKind::ListView, "",
                                                                     kTab | fw::LVS_REPORT | fw::LVS_SINGLESEL |
                                                                         fw::LVS_SHOWSELALWAYS | fw::LVS_EDITLABELS,
                                                                     {10, 10, 510, 250}),
                                                          DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                                     kTab | fw::BS_DEFPUSHBUTTON, {340, 262, 420, 288}),
                                                          DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab,
                                                                     {430, 262, 510, 288}),
                                                      }});
  fw::res::SetBitmap(IDB_COLOR_PICK, "res/pick.bmp");
}

// The key names of a section, each cut at its first '='.
std::vector<std::string> SectionKeys(const char* section) {
  std::vector<char> buf(kPageKeysSize, 0);
  g_IniFile.GetString(section, nullptr, buf.data(), kPageKeysSize, "");
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < buf.size() && buf[i];) {
    std::string key(&buf[i]);
    i += key.size() + 1;
    if (const std::size_t eq = key.find('='); eq != std::string::npos) key.resize(eq);
    keys.push_back(key);
  }
  return keys;
}

void SelectByText(fw::CComboBox* box, std::uint32_t value) {
  if (box) box->SetCurSel(box->FindStringExact(-1, std::to_string(value)));
}

// The selected colour item's text as a number; 0 without a selection.
std::uint32_t SelectedColour(fw::CComboBox* box) {
  if (!box || box->GetCurSel() < 0) return 0;
  return std::uint32_t(std::strtoul(box->GetLBText(box->GetCurSel()).c_str(), nullptr, 10));
}

void DrawPick(plat::DC& dc, int x, int y) {
  const std::string* file = fw::res::FindBitmap(IDB_COLOR_PICK);
  if (!file) return;
  std::optional<plat::Dib> dib = plat::ReadBmpFile(plat::GetProgramFolder() + *file);
  plat::HBITMAP bitmap = dib ? dib->CreateBitmap() : nullptr;
  if (!bitmap) return;
  plat::BITMAP info{};
  plat::HDC mem = plat::CreateCompatibleDC(&dc);
  if (mem && plat::GetBitmapInfo(bitmap, &info)) {
    plat::HBITMAP old = mem->SelectObject(bitmap);
    dc.BitBlt(x, y, info.bmWidth, info.bmHeight, mem, 0, 0, plat::SRCCOPY);
    mem->SelectObject(old);
  }
  if (mem) plat::DeleteDC(mem);
  plat::DeleteObject(bitmap);
}

bool EndsWithSeparator(const std::string& s) { return !s.empty() && (s.back() == '\\' || s.back() == '/'); }

}  // namespace

void RegisterPageDialogs() {
  if (!fw::res::FindDialog(IDD_PATH_SET)) Register();
}

// --- Page setting ---------------------------------------------------------------

CPageSetDlg::CPageSetDlg(CVORLAN98View& view, fw::CWnd* parent)
    : fw::CDialog(IDD_PAGE_SET, parent), m_view(view) {
  RegisterPageDialogs();
}

FW_BEGIN_COMMAND_MAP(CPageSetDlg, fw::CDialog)
FW_ON_CBN_SELCHANGE(IDC_PAGE_TYPE, OnPageTypeChanged)
FW_ON_CBN_SELCHANGE(IDC_PAGE_PALETTE, OnPaletteChanged)
FW_END_COMMAND_MAP()

fw::BOOL CPageSetDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  if (auto* types = Item<fw::CComboBox>(IDC_PAGE_TYPE))
    for (const std::string& key : SectionKeys("PAGE")) types->AddString(key);
  CVORLAN98Doc* doc = m_view.GetDoc();
  if (doc) {
    SetDlgItemText(IDC_PAGE_WIDTH, dlgutil::Format2(doc->GetPageWidth()));
    SetDlgItemText(IDC_PAGE_HEIGHT, dlgutil::Format2(doc->GetPageHeight()));
  }
  m_store.Open("PALETTE.INI");
  m_store.LoadPaletteNames();
  CPaletteStore& global = ThePaletteStore();
  if (auto* palettes = Item<fw::CComboBox>(IDC_PAGE_PALETTE)) {
    std::string name;
    for (int i = 0; global.GetPaletteName(i, name); ++i) palettes->AddString(name);
    palettes->SetCurSel(global.GetCurrentPalette());
  }
  m_palette = global.GetCurrentPalette();
  m_store.LoadPalette(m_palette);
  FillColours();
  if (doc) SetDlgItemInt(IDC_PAGE_GRID_SIZE, fw::UINT(doc->GetPageInfo().m_gridSize), fw::TRUE);
  return fw::TRUE;
}

void CPageSetDlg::FillColours() {
  CVORLAN98Doc* doc = m_view.GetDoc();
  auto* back = Item<fw::CComboBox>(IDC_PAGE_BACK);
  auto* grid = Item<fw::CComboBox>(IDC_PAGE_GRID_COLOR);
  for (fw::CComboBox* box : {back, grid}) {
    if (!box) continue;
    box->ResetContent();
    m_store.FillComboBox(*box);
  }
  if (!doc) return;
  SelectByText(back, doc->GetPageInfo().m_backColor);
  SelectByText(grid, doc->GetPageInfo().m_gridColor);
}

void CPageSetDlg::OnPageTypeChanged() {
  auto* types = Item<fw::CComboBox>(IDC_PAGE_TYPE);
  if (!types || types->GetCurSel() < 0) return;
  const std::string key = types->GetLBText(types->GetCurSel());
  char value[kPageValueSize] = {};
  g_IniFile.GetString("PAGE", key.c_str(), value, kPageValueSize, "400,900");
  // A key without a value counts as missing.
  if (!value[0]) std::strcpy(value, "400,900");
  std::string field;
  GetField(value, 0, field, ',');
  SetDlgItemInt(IDC_PAGE_WIDTH, fw::UINT(std::atoi(field.c_str())), fw::TRUE);
  field.clear();
  GetField(value, 1, field, ',');
  SetDlgItemInt(IDC_PAGE_HEIGHT, fw::UINT(std::atoi(field.c_str())), fw::TRUE);
}

void CPageSetDlg::OnPaletteChanged() {
  auto* palettes = Item<fw::CComboBox>(IDC_PAGE_PALETTE);
  if (!palettes || palettes->GetCurSel() < 0) return;
  m_palette = palettes->GetCurSel();
  m_store.LoadPalette(m_palette);
  FillColours();
}

void CPageSetDlg::OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) {
  if ((std::uint32_t(id) != IDC_PAGE_BACK && std::uint32_t(id) != IDC_PAGE_GRID_COLOR) || !dis || !dis->hDC) {
    fw::CDialog::OnDrawItem(id, dis);
    return;
  }
  if (!(dis->itemAction & (fw::ODA_DRAWENTIRE | fw::ODA_SELECT))) return;
  plat::DC& dc = *dis->hDC;
  if (dis->itemAction & fw::ODA_SELECT) DrawPick(dc, dis->rcItem.left + 2, dis->rcItem.top);
  const bool selected = (dis->itemState & fw::ODS_SELECTED) != 0;
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 2, selected ? kSelectedFrame : kWhite);
  plat::HBRUSH brush = m_store.CreateIndexBrush(int(dis->itemID), plat::BS_SOLID);
  plat::HPEN oldPen = dc.SelectObject(pen);
  plat::HBRUSH oldBrush = brush ? dc.SelectObject(brush) : nullptr;
  fw::RECT r = dis->rcItem;
  r.left += 2;
  r.right -= 2;
  dc.Rectangle(r);
  dc.SelectObject(oldPen);
  if (brush) dc.SelectObject(oldBrush);
  plat::DeleteObject(pen);
  if (brush) plat::DeleteObject(brush);
}

void CPageSetDlg::OnOK() {
  float width = 0.0f, height = 0.0f;
  // The sizes are shown with two decimals and read back as decimal numbers.
  if (!dlgutil::ReadNumber(*this, IDC_PAGE_WIDTH, &width) || !dlgutil::ReadNumber(*this, IDC_PAGE_HEIGHT, &height)) {
    dlgutil::Refuse("Width and Lenth must be numbers.", "Page Setting");
    return;
  }
  if (!(width > 9.0f) || !(height > 9.0f)) return;
  // A grid step no larger than the largest page.
  const int gridSize = std::min(int(GetDlgItemInt(IDC_PAGE_GRID_SIZE, nullptr, fw::TRUE)), int(kMaxPageLength));
  auto* palettes = Item<fw::CComboBox>(IDC_PAGE_PALETTE);
  const int paletteType = palettes ? palettes->GetCurSel() : -1;
  const std::uint32_t back = SelectedColour(Item<fw::CComboBox>(IDC_PAGE_BACK));
  const std::uint32_t grid = SelectedColour(Item<fw::CComboBox>(IDC_PAGE_GRID_COLOR));

  const CProfile profile;
  profile.WriteFloat("SystemParam", "PAGEWIDTH", width);
  profile.WriteFloat("SystemParam", "PAGEHEIGHT", height);
  profile.WriteInt("SystemParam", "PALETTETYPE", paletteType);
  profile.WriteInt("SystemParam", "BACKCOLOR", int(back));
  profile.WriteInt("SystemParam", "GRIDSIZE", gridSize);
  profile.WriteInt("SystemParam", "GRIDCOLOR", int(grid));

  m_view.SetPageSize(0.0f, 0.0f, width, height);
  if (CVORLAN98Doc* doc = m_view.GetDoc()) {
    CPageInfo& page = doc->GetPageInfo();
    page.m_pageWidth = width;
    page.m_pageHeight = height;
    page.m_paletteType = paletteType;
    page.m_backColor = back;
    page.m_gridSize = gridSize;
    page.m_gridColor = grid;
    doc->SetModifiedFlag(fw::TRUE);
    LoadAppSettings(SETTINGS_LAYOUT, nullptr);
    doc->UpdateAllViews(nullptr);
  }
  if (CViewRulers* rulers = m_view.GetRulers()) {
    const CFRect area(-10.0f, -10.0f, width, height);
    rulers->ZoomToRect(&area);
    rulers->UpdateBars();
  }
  m_view.RepaintAll();
  fw::CDialog::OnOK();
}

// --- Path setting ---------------------------------------------------------------

CPathSetDlg::CPathSetDlg(fw::CWnd* parent) : fw::CDialog(IDD_PATH_SET, parent) { RegisterPageDialogs(); }

FW_BEGIN_COMMAND_MAP(CPathSetDlg, fw::CDialog)
FW_ON_NOTIFY(fw::LVN_ENDLABELEDIT, IDC_PATH_LIST, OnEndLabelEdit)
FW_END_COMMAND_MAP()

fw::BOOL CPathSetDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  m_changed = 0;
  auto* list = Item<fw::CListCtrl>(IDC_PATH_LIST);
  if (!list) return fw::TRUE;
  fw::RECT client;
  list->GetClientRect(&client);
  list->InsertColumn(0, "路径", fw::LVCFMT_LEFT, std::max(0, int(client.right - client.left) - kCategoryWidth));
  list->InsertColumn(1, "类别", fw::LVCFMT_LEFT, kCategoryWidth);
  auto add = [&](std::string path, const std::string& category, std::uintptr_t value) {
    const int row = list->InsertItem(list->GetItemCount(), path);
    list->SetItemText(row, 1, category);
    list->SetItemData(row, value);
  };
  std::string palette = CPaletteStore::GetPaletteFolder();
  if (palette.size() > kPathLimit) palette.resize(kPathLimit);
  add(palette, "调色板", 0);
  add(GetMountLibPath(), "GraphLib", 1);
  for (int slot = 0; slot < CLanguage::kSlots; ++slot) {
    const std::string name = g_Language.GetName(slot);
    if (name.empty()) continue;
    std::string path;
    const int ttf = g_Language.GetTtfMountPath(slot, path);
    if (!path.empty()) add(path, name + "TTFFonts", std::uintptr_t(ttf));
    for (int group = 0; group < g_Language.GetMountCount(slot) && group < 256; ++group) {
      std::string mount, label;
      const int code = g_Language.GetMountPath(slot, group, mount);
      g_Language.GetMountName(slot, group, label);
      add(mount, label, std::uintptr_t(code));
    }
  }
  return fw::TRUE;
}

void CPathSetDlg::OnEndLabelEdit(fw::NMHDR* hdr, fw::LRESULT* result) {
  *result = 0;  // the row's text is set here
  auto* info = reinterpret_cast<fw::NMLVDISPINFO*>(hdr);
  auto* list = Item<fw::CListCtrl>(IDC_PATH_LIST);
  if (!info->item.pszText || !list) return;
  std::string text = info->item.pszText;
  // Longer than the settings give back: the row keeps its folder.
  if (text.size() >= kPathKept) {
    dlgutil::Refuse("路径太长", "Path Set");
    return;
  }
  if (text.empty()) text = GetProgramParentFolder();
  if (!EndsWithSeparator(text)) text += '\\';
  list->SetItemText(info->item.iItem, 0, text);
  m_changed = 1;
}

void CPathSetDlg::OnOK() {
  auto* list = Item<fw::CListCtrl>(IDC_PATH_LIST);
  if (m_changed && list) {
    for (int row = 0; row < list->GetItemCount(); ++row) {
      const std::string text = list->GetItemText(row, 0);
      if (row == 0) {
        g_IniFile.WriteString("PATH", "PALETTE", text);
        continue;
      }
      if (row == 1) {
        g_IniFile.WriteString("PATH", "MOUNTLIB", text);
        continue;
      }
      const auto value = std::uint32_t(list->GetItemData(row));
      const int slot = g_Language.FindId(std::uint8_t(value & 0xFF));
      const int kind = int(value >> 8);
      if (slot < 0 || kind < 1) continue;
      const std::string section = "Language" + std::to_string(slot);
      const std::string key = kind == 1 ? std::string("TTFMountPath") : "MountPath" + std::to_string(kind - 2);
      g_IniFile.WriteString(section.c_str(), key.c_str(), text);
    }
    LoadAppSettings(SETTINGS_FONTS, nullptr);
    if (CVORLAN98View* view = dlgutil::ActiveDesignView()) view->RepaintAll();
  }
  fw::CDialog::OnOK();
}
