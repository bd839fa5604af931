#include "text/libmanagerdlg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "framework/resources.h"
#include "model/pathpoints.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/report.h"

using namespace fw;

namespace {

std::string Gbk(const std::string& utf8) { return plat::Utf8ToGbk(utf8); }
std::string Utf8(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

bool ContainsNoCase(const std::string& text, const std::string& part) {
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [](char a, char b) { return std::toupper(std::uint8_t(a)) == std::toupper(std::uint8_t(b)); });
  return it != text.end();
}

}  // namespace

void RegisterLibManagerResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  res::SetBitmap(IDB_LIB_TREE, "res/libtree.bmp");
  auto button = [&](UINT id, const char* text, LONG y) {
    return DlgItemDef(id, CtrlKind::Button, text, kTab | BS_PUSHBUTTON, RECT{470, y, 580, y + 24});
  };
  res::SetDialog(
      IDD_LIB_MANAGER,
      DialogTemplate{"Lib Manager",
                     kPopup,
                     {0, 0, 590, 420},
                     {
                         DlgItemDef(IDC_MGR_SOURCE_TYPE, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL,
                                    {10, 10, 220, 200}),
                         DlgItemDef(IDC_MGR_SOURCE_NAME, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL,
                                    {10, 36, 220, 200}),
                         DlgItemDef(IDC_MGR_PICTURES, CtrlKind::ListBox, "",
                                    kTab | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL,
                                    {10, 62, 220, 410}),
                         DlgItemDef(IDC_MGR_TREE, CtrlKind::TreeView, "",
                                    kTab | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                                        TVS_SHOWSELALWAYS,
                                    {230, 62, 460, 410}),
                         DlgItemDef(IDC_MGR_LIBRARIES, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL,
                                    {230, 10, 460, 200}),
                         DlgItemDef(IDC_MGR_FILE_NAME, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWN | WS_VSCROLL,
                                    {230, 36, 460, 200}),
                         button(IDC_MGR_NEW, "New", 10),
                         button(IDC_MGR_NEW_KIND, "New LibKind", 40),
                         button(IDC_MGR_DELETE_GRAPH, "DeleteGraph", 70),
                         button(IDC_MGR_APPEND_KIND, "AppendKind", 100),
                         button(IDC_MGR_RANDOMIZE, "Randomize", 130),
                         button(IDCANCEL, "Cancel", 380),
                     }});
}

FW_BEGIN_COMMAND_MAP(CLibManagerDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_MGR_SOURCE_TYPE, OnSourceTypeChanged)
FW_ON_CBN_SELCHANGE(IDC_MGR_SOURCE_NAME, OnSourceNameChanged)
FW_ON_LBN_DBLCLK(IDC_MGR_PICTURES, OnAddGraph)
FW_ON_BN_CLICKED(IDC_MGR_NEW, OnNewLibrary)
FW_ON_BN_CLICKED(IDC_MGR_NEW_KIND, OnNewKind)
FW_ON_BN_CLICKED(IDC_MGR_DELETE_GRAPH, OnDeleteGraph)
FW_ON_BN_CLICKED(IDC_MGR_APPEND_KIND, OnAppendKind)
FW_ON_BN_CLICKED(IDC_MGR_RANDOMIZE, OnRandomize)
FW_ON_NOTIFY(TVN_ENDLABELEDIT, IDC_MGR_TREE, OnEndLabelEdit)
FW_END_COMMAND_MAP()

CLibManagerDlg::CLibManagerDlg() : CDialog(IDD_LIB_MANAGER) {}
CLibManagerDlg::~CLibManagerDlg() = default;

void CLibManagerDlg::Say(const char* text) const { plat::MessageBox(text, "", plat::MB_OK); }

BOOL CLibManagerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  images_.Create(IDB_LIB_TREE, 16, plat::RGB(255, 255, 255));
  if (auto* tree = Item<CTreeCtrl>(IDC_MGR_TREE)) tree->SetImageList(&images_, TVSIL_NORMAL);
  if (auto* list = Item<CListBox>(IDC_MGR_PICTURES)) list->SetItemHeight(0, 40);
  Refresh();
  if (auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE)) CLibBrowser::FillTypes(*types, 0);
  OnSourceTypeChanged();
  return TRUE;
}

void CLibManagerDlg::Refresh() {
  auto* libraries = Item<CComboBox>(IDC_MGR_LIBRARIES);
  auto* files = Item<CComboBox>(IDC_MGR_FILE_NAME);
  auto* tree = Item<CTreeCtrl>(IDC_MGR_TREE);
  if (!libraries || !files || !tree) return;
  libraries->ResetContent();
  files->ResetContent();
  tree->DeleteAllItems();
  libraries->AddString("Eng Symbols");
  libraries->AddString("Eng Fonts");
  std::string name, file;
  for (int i = 0; g_MountLibList.GetName(i, name) && g_MountLibList.GetFileName(i, file); ++i) {
    libraries->AddString(Utf8(name));
    const HTREEITEM top = tree->InsertItem(Utf8(name), 0, 0);
    tree->SetItemData(top, std::uintptr_t(i));
    files->AddString(Utf8(file));
    CGraphLib lib;
    if (!lib.OpenMounted(i)) continue;
    for (int k = 0; k < lib.GetKindCount(); ++k) {
      const std::string kind = lib.GetKindName(k);
      if (kind.empty()) break;
      const HTREEITEM child = tree->InsertItem(Utf8(kind), 1, 1, top);
      tree->SetItemData(child, std::uintptr_t(k));
    }
  }
}

void CLibManagerDlg::GetTarget(int* library, int* kind) const {
  *library = -1;
  *kind = -1;
  auto* tree = Item<CTreeCtrl>(IDC_MGR_TREE);
  const HTREEITEM item = tree ? tree->GetSelectedItem() : 0;
  if (!item) return;
  const HTREEITEM parent = tree->GetParentItem(item);
  *library = int(tree->GetItemData(parent ? parent : item));
  if (parent) *kind = int(tree->GetItemData(item));
}

void CLibManagerDlg::OnSourceTypeChanged() {
  auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE);
  auto* names = Item<CComboBox>(IDC_MGR_SOURCE_NAME);
  if (!types || !names) return;
  browser_.FillNames(*names, types->GetCurSel());
  OnSourceNameChanged();
}

void CLibManagerDlg::OnSourceNameChanged() {
  auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE);
  auto* list = Item<CListBox>(IDC_MGR_PICTURES);
  if (!types || !list) return;
  list->ResetContent();
  const bool font = types->GetCurSel() < 2;
  for (int n = font ? 32 : 0; n <= (font ? 254 : 255); ++n) list->AddString(std::to_string(n));
}

int CLibManagerDlg::ItemPicture(int item) const {
  auto* list = Item<CListBox>(IDC_MGR_PICTURES);
  if (!list || item < 0 || item >= list->GetCount()) return -1;
  return std::atoi(list->GetText(item).c_str());
}

bool CLibManagerDlg::SourceChosen(int* type, int* number) const {
  auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE);
  auto* names = Item<CComboBox>(IDC_MGR_SOURCE_NAME);
  *type = types ? types->GetCurSel() : -1;
  *number = names ? names->GetCurSel() : -1;
  if (*type < 0 || *number < 0) {
    Say("请先选中一个图形!");
    return false;
  }
  return true;
}

void CLibManagerDlg::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  if (UINT(id) != IDC_MGR_PICTURES || !dis || !dis->hDC) return CDialog::OnDrawItem(id, dis);
  auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE);
  auto* names = Item<CComboBox>(IDC_MGR_SOURCE_NAME);
  std::unique_ptr<CPathPointList> outline = browser_.Outline(types ? types->GetCurSel() : -1,
                                                             names ? names->GetCurSel() : -1, ItemPicture(int(dis->itemID)));
  CLibBrowser::DrawCell(dis->hDC, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0, outline.get());
}

void CLibManagerDlg::OnEndLabelEdit(NMHDR* hdr, LRESULT* result) {
  *result = FALSE;
  auto* info = reinterpret_cast<NMTVDISPINFO*>(hdr);
  auto* tree = Item<CTreeCtrl>(IDC_MGR_TREE);
  if (!info || !tree || !info->item.pszText) return;
  const HTREEITEM item = info->item.hItem;
  const HTREEITEM parent = tree->GetParentItem(item);
  const int library = int(tree->GetItemData(parent ? parent : item));
  std::string file;
  if (!g_MountLibList.GetFileName(library, file)) return;
  const std::string text = Gbk(info->item.pszText);
  // A name the file does not take is not shown either.
  if (parent) {
    CGraphLib lib;
    *result = lib.OpenMounted(library) && lib.RenameKind(int(tree->GetItemData(item)), text);
  } else {
    *result = SetGraphLibName(GetMountLibPath() + file, text) != 0;
  }
}

void CLibManagerDlg::OnNewLibrary() {
  auto* files = Item<CComboBox>(IDC_MGR_FILE_NAME);
  if (!files) return;
  std::string name = Gbk(files->GetWindowText());
  if (name.empty()) return;
  if (!ContainsNoCase(name, ".LIB")) name += ".LIB";
  // Never over an existing library, whatever the letter case of its name.
  for (int i = 0; i < files->GetCount(); ++i)
    if (plat::EqualNoCaseAscii(Gbk(files->GetLBText(i)), name)) return;
  const std::string path = GetMountLibPath() + name;
  if (plat::FindFileNoCase(path)) return;
  GraphLibHeader h = MakeGraphLibHeader();
  const std::string newName = Gbk("新图库");
  for (char* field : {h.name1, h.name2, h.name3}) SetGraphLibText(field, 48, newName);
  if (!WriteGraphLibHeader(path, h)) return;
  g_MountLibList.ScanMountedLibraries();
  Refresh();
}

void CLibManagerDlg::OnNewKind() {
  int library, kind;
  GetTarget(&library, &kind);
  if (library < 0) {
    Say("Please Selecet Lib");
    return;
  }
  if (!lib_.OpenMounted(library)) return;
  GraphKindRecord rec{};
  char text[32];
  std::snprintf(text, sizeof(text), "%s%d", Gbk("新类别").c_str(), lib_.GetKindCount());
  SetGraphLibText(rec.name, sizeof(rec.name), text);
  std::snprintf(text, sizeof(text), "New Kind %d", lib_.GetKindCount());
  SetGraphLibText(rec.name2, sizeof(rec.name2), text);
  if (lib_.AddKind(rec)) Refresh();
}

void CLibManagerDlg::OnAddGraph() {
  auto* types = Item<CComboBox>(IDC_MGR_SOURCE_TYPE);
  auto* names = Item<CComboBox>(IDC_MGR_SOURCE_NAME);
  auto* list = Item<CListBox>(IDC_MGR_PICTURES);
  if (!types || !names || !list) return;
  std::unique_ptr<CPathPointList> outline =
      browser_.Outline(types->GetCurSel(), names->GetCurSel(), ItemPicture(list->GetCurSel()));
  int library, kind;
  GetTarget(&library, &kind);
  if (kind < 0) return Say("请选中一个图形库类别!");
  if (!lib_.OpenMounted(library)) return Say("图形库打开失败!");
  if (outline && lib_.AddGraph(kind, *outline))
    plat::MessageBeep(0);
  else
    Say("加入图形失败!");
}

void CLibManagerDlg::OnAppendKind() {
  int type, number;
  if (!SourceChosen(&type, &number)) return;
  if (type >= 2 && !browser_.Library().OpenMounted(type - 2)) return Say("图形库打开失败!");
  int library, kind;
  GetTarget(&library, &kind);
  if (kind < 0) return Say("请选中一个图形库类别!");
  if (!lib_.OpenMounted(library)) return Say("图形库打开失败!");
  auto* list = Item<CListBox>(IDC_MGR_PICTURES);
  for (int i = 0; list && i < list->GetCount(); ++i) {
    std::unique_ptr<CPathPointList> outline = browser_.Outline(type, number, ItemPicture(i));
    if (!outline) {
      if (type < 2) continue;  // a font has codes without a glyph (the blank among them)
      break;
    }
    if (!lib_.AddGraph(kind, *outline)) return Say("加入图形失败!");
  }
}

void CLibManagerDlg::OnDeleteGraph() {
  int type, number;
  if (!SourceChosen(&type, &number)) return;
  auto* list = Item<CListBox>(IDC_MGR_PICTURES);
  const int picture = list ? ItemPicture(list->GetCurSel()) : -1;
  if (picture < 0) return Say("请先选中一个图形!");
  if (type < 2) return Say("不能删除Windows图形!");
  CGraphLib& source = browser_.Library();
  if (!source.OpenMounted(type - 2)) return Say("图形库打开失败!");
  if (source.DeleteGraph(number, picture))
    plat::MessageBeep(0);
  else
    Say("删除图形失败!");
}

void CLibManagerDlg::OnRandomize() {
  int type, number;
  if (!SourceChosen(&type, &number)) return;
  CGraphLib& source = browser_.Library();
  if (type < 2 || !source.OpenMounted(type - 2)) return Say("图形库打开失败!");
  GraphKindRecord rec;
  std::array<std::uint32_t, kGraphsPerKind> table;
  if (!source.ReadKindRecord(number, &rec) || !source.ReadGraphTable(number, table)) return;
  std::vector<std::uint32_t> old(table.begin(), table.begin() + std::min<std::uint32_t>(rec.graphCount, kGraphsPerKind));
  std::array<std::uint32_t, kGraphsPerKind> shuffled{};
  std::minstd_rand random(std::uint32_t(std::time(nullptr)));
  for (std::size_t next = 0; !old.empty(); ++next) {
    const std::size_t r = random() % old.size();
    shuffled[next] = old[r];
    old.erase(old.begin() + std::ptrdiff_t(r));
  }
  std::copy(table.begin() + std::min<std::uint32_t>(rec.graphCount, kGraphsPerKind), table.end(),
            shuffled.begin() + std::min<std::uint32_t>(rec.graphCount, kGraphsPerKind));
  source.WriteGraphTable(number, shuffled);
}
