#include "app/palettesetdlg.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/dlgutil.h"
#include "app/mainframe.h"
#include "app/settingsload.h"
#include "framework/app.h"
#include "framework/resources.h"
#include "model/settings.h"
#include "platform/paths.h"
#include "platform/report.h"

using namespace palettedlg;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

constexpr int kCell = 25;
constexpr std::size_t kNameLimit = 40;
constexpr plat::COLORREF kSelectedFrame = 0x800000;
constexpr plat::COLORREF kWhite = 0xFFFFFF;
constexpr char kErrorCaption[] = "错误";

std::string Index3(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", i);
  return buf;
}

void Register() {
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  auto button = [&](fw::UINT id, const char* text, int x, int y) {
    return DlgItemDef(id, CtrlKind::Button, text, kTab, {x, y, x + 70, y + 24});
  };
  fw::res::SetDialog(
      IDD_PALETTE_SET,
      fw::DialogTemplate{"Palette Set",
                         kPopup,
                         {0, 0, 420, 300},
                         {
                             DlgItemDef(IDC_PALETTE_NAMES, CtrlKind::ComboBox, "",
                                        kTab | fw::CBS_DROPDOWN | fw::WS_VSCROLL, {10, 10, 300, 200}),
                             DlgItemDef(IDC_PALETTE_COLORS, CtrlKind::ListBox, "",
                                        kTab | fw::WS_HSCROLL | fw::LBS_NOTIFY | fw::LBS_OWNERDRAWFIXED |
                                            fw::LBS_MULTICOLUMN | fw::LBS_HASSTRINGS,
                                        {10, 40, 300, 250}),
                             DlgItemDef(0xFFFF, CtrlKind::Static, "Color", kChild, {320, 40, 410, 56}),
                             button(IDC_COLOR_ADD, "Add", 320, 60),
                             button(IDC_COLOR_MODIFY, "Modify", 320, 90),
                             button(IDC_COLOR_DELETE, "Delete", 320, 120),
                             DlgItemDef(0xFFFF, CtrlKind::Static, "Palette", kChild, {320, 150, 410, 166}),
                             button(IDC_PALETTE_ADD, "Add", 320, 170),
                             button(IDC_PALETTE_RENAME, "Rename", 320, 200),
                             button(IDC_PALETTE_DELETE, "Delete", 320, 230),
                             DlgItemDef(fw::IDOK, CtrlKind::Button, "Save", kTab | fw::BS_DEFPUSHBUTTON,
                                        {140, 264, 220, 290}),
                             DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab, {230, 264, 310, 290}),
                         }});
}

bool VorlanSwitch() { return TheAppGlobals().serviceSwitch != 0; }

}  // namespace

void RegisterPaletteSetDialog() {
  if (!fw::res::FindDialog(IDD_PALETTE_SET)) Register();
}

PaletteSaveFaults& TestPaletteSaveFaults() {
  static PaletteSaveFaults faults;
  return faults;
}

CPaletteSetDlg::CPaletteSetDlg(fw::CWnd* parent) : fw::CDialog(IDD_PALETTE_SET, parent) {
  RegisterPaletteSetDialog();
}

CPaletteSetDlg::~CPaletteSetDlg() = default;

std::string CPaletteSetDlg::WorkingCopyPath() { return CPaletteStore::GetPaletteFolder() + "PALETTE.TMP"; }

FW_BEGIN_COMMAND_MAP(CPaletteSetDlg, fw::CDialog)
FW_ON_CBN_SELCHANGE(IDC_PALETTE_NAMES, OnPaletteChosen)
FW_ON_CBN_EDITCHANGE(IDC_PALETTE_NAMES, OnNameTyped)
FW_ON_BN_CLICKED(IDC_COLOR_ADD, OnColorAdd)
FW_ON_BN_CLICKED(IDC_COLOR_MODIFY, OnColorModify)
FW_ON_BN_CLICKED(IDC_COLOR_DELETE, OnColorDelete)
FW_ON_BN_CLICKED(IDC_PALETTE_ADD, OnPaletteAdd)
FW_ON_BN_CLICKED(IDC_PALETTE_RENAME, OnPaletteRename)
FW_ON_BN_CLICKED(IDC_PALETTE_DELETE, OnPaletteDelete)
FW_END_COMMAND_MAP()

int CPaletteSetDlg::DoModal() {
  namespace fs = std::filesystem;
  const std::string copy = WorkingCopyPath();
  std::error_code ec;
  fs::copy_file(plat::ResolvePath(ThePaletteStore().GetPath()), plat::ResolvePath(copy),
                fs::copy_options::overwrite_existing, ec);
  if (ec) {
    plat::MessageBox("文件:[" + copy + "]打开失败!", kErrorCaption, plat::MB_OK | plat::MB_ICONSTOP);
    return fw::IDCANCEL;
  }
  m_store = std::make_unique<CPaletteStore>(copy);
  return fw::CDialog::DoModal();
}

fw::BOOL CPaletteSetDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  if (!m_store) m_store = std::make_unique<CPaletteStore>(WorkingCopyPath());
  if (auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS)) {
    list->SetColumnWidth(kCell);
    list->SetItemHeight(0, kCell);
  }
  CPaletteStore& global = ThePaletteStore();
  if (auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES)) {
    std::string name;
    for (int i = 0; global.GetPaletteName(i, name); ++i) names->AddString(name);
    names->SetCurSel(global.GetCurrentPalette());
  }
  m_palette = global.GetCurrentPalette();
  ShowPalette();
  return fw::TRUE;
}

bool CPaletteSetDlg::Editable() const { return m_palette >= 1 || VorlanSwitch(); }

void CPaletteSetDlg::Enable(fw::UINT id, bool on) {
  if (fw::CWnd* w = GetDlgItem(id)) w->EnableWindow(on ? fw::TRUE : fw::FALSE);
}

void CPaletteSetDlg::ShowPalette() {
  Enable(IDC_PALETTE_ADD, false);
  Enable(IDC_PALETTE_RENAME, false);
  const bool editable = Editable();
  for (fw::UINT id : {IDC_PALETTE_DELETE, IDC_COLOR_ADD, IDC_COLOR_MODIFY, IDC_COLOR_DELETE}) Enable(id, editable);
  m_store->LoadPalette(m_palette);
  if (auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS)) {
    list->ResetContent();
    for (int i = 0; i < m_store->GetColorCount(); ++i) list->AddString(Index3(i));
  }
}

void CPaletteSetDlg::OnPaletteChosen() {
  auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES);
  if (!names || names->GetCurSel() < 0) return;
  m_palette = names->GetCurSel();
  ShowPalette();
}

void CPaletteSetDlg::OnNameTyped() {
  auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES);
  if (!names) return;
  const std::string typed = names->GetWindowText();
  const bool exists = names->FindStringExact(-1, typed) >= 0;
  Enable(IDC_PALETTE_ADD, !exists && !typed.empty());
  if (!Editable()) {
    Enable(IDC_PALETTE_RENAME, false);
    Enable(IDC_PALETTE_DELETE, false);
    return;
  }
  Enable(IDC_PALETTE_RENAME, !exists && !typed.empty());
  Enable(IDC_PALETTE_DELETE, exists);
}

void CPaletteSetDlg::ColoursEdited() {
  if (auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS)) {
    list->Invalidate();
    list->SetFocus();
  }
  Enable(IDC_PALETTE_NAMES, false);
}

void CPaletteSetDlg::OnColorAdd() {
  if (!Editable()) return;
  if (m_store->GetColorCount() >= CPaletteStore::kMaxColors) return dlgutil::Refuse("调色板颜色已满", "Palette Set");
  fw::CColorDialog dlg(0, fw::CC_FULLOPEN, this);
  if (dlg.DoModal() != fw::IDOK) return;
  auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS);
  int index = m_store->FindColor(dlg.GetColor());
  if (index < 0) {
    const int before = m_store->GetColorCount();
    index = m_store->AddColor(dlg.GetColor());
    if (m_store->GetColorCount() == before) return;  // not added
    if (list) list->AddString(Index3(index));
  }
  if (list) list->SetCurSel(index);
  ColoursEdited();
}

void CPaletteSetDlg::OnColorModify() {
  auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS);
  const int sel = list ? list->GetCurSel() : -1;
  if (!Editable() || sel < 0) return;
  fw::CColorDialog dlg(m_store->GetColorRef(sel), fw::CC_FULLOPEN | fw::CC_RGBINIT, this);
  if (dlg.DoModal() != fw::IDOK) return;
  m_store->ChangeColor(sel, dlg.GetColor());
  ColoursEdited();
}

void CPaletteSetDlg::OnColorDelete() {
  auto* list = Item<fw::CListBox>(IDC_PALETTE_COLORS);
  const int sel = list ? list->GetCurSel() : -1;
  if (!Editable() || sel < 0) return;
  if (!m_store->DeleteColor(sel)) return;
  list->DeleteString(fw::UINT(list->GetCount() - 1));
  ColoursEdited();
}

void CPaletteSetDlg::OnPaletteAdd() {
  auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES);
  if (!names) return;
  std::string name = names->GetWindowText();
  if (name.size() > kNameLimit) name.resize(kNameLimit);
  if (name.empty() || names->FindStringExact(-1, name) >= 0) return;
  if (m_store->GetPaletteCount() >= CPaletteStore::kMaxPalettes) return dlgutil::Refuse("调色板数量已满", "Palette Set");
  const int count = m_store->AddPalette(name);
  if (count <= 0) return;
  names->AddString(name);
  m_palette = count - 1;
  names->SetCurSel(m_palette);
  ShowPalette();
}

void CPaletteSetDlg::OnPaletteRename() {
  auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES);
  if (!names || !Editable()) return;
  std::string name = names->GetWindowText();
  if (name.size() > kNameLimit) name.resize(kNameLimit);
  if (name.empty() || names->FindStringExact(-1, name) >= 0) return;
  if (!m_store->RenamePalette(m_palette, name)) return;
  names->DeleteString(fw::UINT(m_palette));
  names->InsertString(m_palette, name);
  names->SetCurSel(m_palette);
  Enable(IDC_PALETTE_ADD, false);
  Enable(IDC_PALETTE_RENAME, false);
}

void CPaletteSetDlg::OnPaletteDelete() {
  auto* names = Item<fw::CComboBox>(IDC_PALETTE_NAMES);
  if (!names || !Editable()) return;
  if (!m_store->DeletePalette(m_palette)) return;
  m_store->LoadPaletteNames();
  names->DeleteString(fw::UINT(m_palette));
  if (m_palette >= names->GetCount()) m_palette = names->GetCount() - 1;
  if (m_palette < 0) m_palette = 0;
  names->SetCurSel(m_palette);
  ShowPalette();
}

void CPaletteSetDlg::OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) {
  if (std::uint32_t(id) != IDC_PALETTE_COLORS || !dis || !dis->hDC || !m_store) {
    fw::CDialog::OnDrawItem(id, dis);
    return;
  }
  plat::DC& dc = *dis->hDC;
  const bool selected = (dis->itemState & fw::ODS_SELECTED) != 0;
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 3, selected ? kSelectedFrame : kWhite);
  plat::HBRUSH brush = m_store->CreateIndexBrush(int(dis->itemID), plat::BS_SOLID);
  plat::HPEN oldPen = dc.SelectObject(pen);
  plat::HBRUSH oldBrush = brush ? dc.SelectObject(brush) : nullptr;
  fw::RECT r = dis->rcItem;
  r.left += 2, r.top += 2, r.right -= 2, r.bottom -= 2;
  dc.Rectangle(r);
  dc.SelectObject(oldPen);
  if (brush) dc.SelectObject(oldBrush);
  plat::DeleteObject(pen);
  if (brush) plat::DeleteObject(brush);
}

void CPaletteSetDlg::OnOK() {
  namespace fs = std::filesystem;
  CPaletteStore& global = ThePaletteStore();
  const std::string target = plat::ResolvePath(global.GetPath());
  const std::string backup = plat::ResolvePath(CPaletteStore::GetPaletteFolder() + "PALETTE.OLD");
  const PaletteSaveFaults& faults = TestPaletteSaveFaults();
  // The palette file is only ever replaced whole: a copy is kept as the
  // backup, then one rename puts the working copy over it.
  std::error_code ec;
  if (!faults.copy) fs::copy_file(target, backup, fs::copy_options::overwrite_existing, ec);
  bool ok = !faults.copy && !ec;
  if (ok && !faults.rename) fs::rename(plat::ResolvePath(WorkingCopyPath()), target, ec);
  ok = ok && !faults.rename && !ec;
  if (!ok) {
    plat::MessageBox("调色板保存失败!", kErrorCaption, plat::MB_OK | plat::MB_ICONSTOP);
    return;
  }
  global.LoadPaletteNames();
  global.LoadPalette(CProfile().GetInt("SystemParam", "PALETTETYPE", 0));
  if (auto* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd())) {
    CColorListBox& list = main->GetPaletteBar().GetList();
    if (list.m_hWnd) {
      list.Fill();
      list.Invalidate();
    }
  }
  fw::CDialog::OnOK();
}
