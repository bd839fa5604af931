#include "text/libconvertdlg.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "framework/resources.h"
#include "model/pathpoints.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/report.h"

using namespace fw;

namespace {

constexpr const char* kSection = "LibConvert";

std::string Gbk(const std::string& utf8) { return plat::Utf8ToGbk(utf8); }
std::string Utf8(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b) {
  const auto fa = plat::FindFileNoCase(a), fb = plat::FindFileNoCase(b);
  std::error_code ec;
  return fa && fb && std::filesystem::equivalent(*fa, *fb, ec);
}

}  // namespace

void RegisterLibConvertResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  auto label = [&](const char* text, LONG x, LONG y, LONG w = 60) {
    return DlgItemDef(0, CtrlKind::Static, text, kChild, RECT{x, y, x + w, y + 30});
  };
  auto edit = [&](UINT id, LONG x, LONG y, LONG w) {
    return DlgItemDef(id, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL, RECT{x, y, x + w, y + 20});
  };
  res::SetDialog(IDD_LIB_CONVERT,
                 DialogTemplate{"Convert GraphLib 5.x->6.x",
                                kPopup,
                                {0, 0, 420, 260},
                                {
                                    DlgItemDef(IDC_CONVERT_SOURCE, CtrlKind::ComboBox, "",
                                               kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 200, 30}),
                                    label("Output\n Path:", 10, 40), edit(IDC_CONVERT_OUT_PATH, 75, 40, 330),
                                    label("ID:", 10, 75), edit(IDC_CONVERT_ID, 75, 75, 60),
                                    label("Ver:", 150, 75, 40), edit(IDC_CONVERT_VERSION, 195, 75, 60),
                                    label("Ratio:", 270, 75, 50), edit(IDC_CONVERT_RATIO, 325, 75, 80),
                                    label("IncX:", 10, 105), edit(IDC_CONVERT_INC_X, 75, 105, 60),
                                    DlgItemDef(IDC_CONVERT_SPIN_X, CtrlKind::Spin, "", kChild, {135, 105, 150, 125}),
                                    label("IncY:", 170, 105, 40), edit(IDC_CONVERT_INC_Y, 215, 105, 60),
                                    DlgItemDef(IDC_CONVERT_SPIN_Y, CtrlKind::Spin, "", kChild, {275, 105, 290, 125}),
                                    label("CName:", 10, 135), edit(IDC_CONVERT_NAME1, 75, 135, 330),
                                    label("EName:", 10, 160), edit(IDC_CONVERT_NAME2, 75, 160, 330),
                                    label("OName:", 10, 185), edit(IDC_CONVERT_NAME3, 75, 185, 330),
                                    DlgItemDef(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON,
                                               {220, 225, 310, 250}),
                                    DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON,
                                               {320, 225, 410, 250}),
                                }});
}

FW_BEGIN_COMMAND_MAP(CLibConvertDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_CONVERT_SOURCE, OnLibraryChanged)
FW_END_COMMAND_MAP()

CLibConvertDlg::CLibConvertDlg() : CDialog(IDD_LIB_CONVERT) {}

CLibConvertDlg::~CLibConvertDlg() = default;

BOOL CLibConvertDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* e = Item<CEdit>(IDC_CONVERT_OUT_PATH)) e->LimitText(50);
  if (auto* e = Item<CEdit>(IDC_CONVERT_ID)) e->LimitText(4);
  for (UINT id : {IDC_CONVERT_NAME1, IDC_CONVERT_NAME2, IDC_CONVERT_NAME3})
    if (auto* e = Item<CEdit>(id)) e->LimitText(46);
  auto* combo = Item<CComboBox>(IDC_CONVERT_SOURCE);
  if (combo) {
    std::string name;
    for (int i = 0; g_MountLibList.GetFileName(i, name); ++i) combo->AddString(Utf8(name));
    combo->SetCurSel(0);
  }
  std::string text;
  g_IniFile.GetString(kSection, "OutPath", text, "C:\\VORLAN\\MOUNT");
  SetDlgItemText(IDC_CONVERT_OUT_PATH, Utf8(text));
  g_IniFile.GetString(kSection, "MARK", text, "VLIB");
  SetDlgItemText(IDC_CONVERT_ID, Utf8(text));
  g_IniFile.GetString(kSection, "VER", text, "6.0");
  SetDlgItemText(IDC_CONVERT_VERSION, Utf8(text));
  SetDlgItemInt(IDC_CONVERT_RATIO, UINT(g_IniFile.GetInt(kSection, "Ratio", 1024)));
  SetDlgItemText(IDC_CONVERT_INC_X, "0");
  SetDlgItemText(IDC_CONVERT_INC_Y, "0");
  OnLibraryChanged();
  return TRUE;
}

void CLibConvertDlg::OnLibraryChanged() {
  auto* combo = Item<CComboBox>(IDC_CONVERT_SOURCE);
  if (!combo || combo->GetCurSel() < 0) return;
  if (!source_.Open(Gbk(combo->GetLBText(combo->GetCurSel())))) return;
  const GraphLibHeader& h = source_.GetHeader();
  SetDlgItemText(IDC_CONVERT_NAME1, Utf8(GraphLibText(h.name1, sizeof(h.name1), 47)));
  SetDlgItemText(IDC_CONVERT_NAME2, Utf8(GraphLibText(h.name2, sizeof(h.name2), 47)));
  SetDlgItemText(IDC_CONVERT_NAME3, Utf8(GraphLibText(h.name3, sizeof(h.name3), 47)));
}

void CLibConvertDlg::OnOK() {
  auto* combo = Item<CComboBox>(IDC_CONVERT_SOURCE);
  if (!combo || combo->GetCurSel() < 0) return;
  const std::string file = Gbk(combo->GetLBText(combo->GetCurSel()));
  if (!source_.Open(file)) return;
  std::string folder = Gbk(GetDlgItemText(IDC_CONVERT_OUT_PATH));
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder.push_back('\\');
  const std::string destPath = folder + file;
  // Writing the header would truncate the source before it is read.
  if (SameFile(destPath, source_.GetPath())) {
    plat::MessageBox(Utf8(destPath), "错误", plat::MB_OK | plat::MB_ICONSTOP);
    return;
  }

  GraphLibHeader h;
  std::memset(&h, 0, sizeof(h));
  const std::string id = Gbk(GetDlgItemText(IDC_CONVERT_ID));
  std::memcpy(h.magic, id.data(), std::min<std::size_t>(id.size(), 4));
  h.version = ParseSettingFloat(GetDlgItemText(IDC_CONVERT_VERSION).c_str());
  h.headerSize = kGraphLibHeaderSize;
  const float ratio = ParseSettingFloat(GetDlgItemText(IDC_CONVERT_RATIO).c_str());
  h.ratio = std::uint16_t(ratio >= 0.0f && ratio < 65536.0f ? int(ratio) : 0);
  SetGraphLibText(h.name1, sizeof(h.name1), Gbk(GetDlgItemText(IDC_CONVERT_NAME1)));
  SetGraphLibText(h.name2, sizeof(h.name2), Gbk(GetDlgItemText(IDC_CONVERT_NAME2)));
  SetGraphLibText(h.name3, sizeof(h.name3), Gbk(GetDlgItemText(IDC_CONVERT_NAME3)));
  const bool written = WriteGraphLibHeader(destPath, h) != 0;
  if (!written || !dest_.Open(destPath)) {
    // A header this program cannot open: nothing is left behind.
    if (written) {
      std::error_code ec;
      std::filesystem::remove(plat::ResolvePath(destPath), ec);
    }
    plat::MessageBox("图形库打开失败!", "", plat::MB_OK);
    return;
  }

  CWnd* ok = GetDlgItem(IDOK);
  for (int k = 0; k < source_.GetKindCount(); ++k) {
    GraphKindRecord rec{};
    SetGraphLibText(rec.name, sizeof(rec.name), source_.GetKindName(k));
    char second[32];
    std::snprintf(second, sizeof(second), "New Kind %d", k + 1);
    SetGraphLibText(rec.name2, sizeof(rec.name2), second);
    if (!dest_.AddKind(rec)) return;
    if (ok) ok->SetWindowText(Utf8(source_.GetKindName(k)));
    const int kind = dest_.GetKindCount() - 1;
    for (int j = 0; j < 256; ++j) {
      std::unique_ptr<CPathPointList> graph = source_.ReadGraph(k, j, nullptr);
      if (!graph) break;
      dest_.AddGraph(kind, *graph);
    }
  }
}

void CLibConvertDlg::OnCancel() {
  g_IniFile.WriteString(kSection, "OutPath", Gbk(GetDlgItemText(IDC_CONVERT_OUT_PATH)));
  g_IniFile.WriteString(kSection, "MARK", Gbk(GetDlgItemText(IDC_CONVERT_ID)));
  g_IniFile.WriteFloat(kSection, "VER", ParseSettingFloat(GetDlgItemText(IDC_CONVERT_VERSION).c_str()));
  const float ratio = ParseSettingFloat(GetDlgItemText(IDC_CONVERT_RATIO).c_str());
  g_IniFile.WriteInt(kSection, "Ratio", ratio >= 0.0f && ratio < 65536.0f ? int(ratio) : 0);
  CDialog::OnCancel();
}
