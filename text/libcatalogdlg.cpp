#include "text/libcatalogdlg.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/resources.h"
#include "model/helpers.h"
#include "model/pathnodes_util.h"
#include "model/pathpoints.h"
#include "model/services.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/codepage.h"
#include "text/fontcatalog.h"
#include "text/libpicobject.h"
#include "text/textattr.h"
#include "text/textobject.h"

using namespace fw;

namespace {

constexpr const char* kSection = "LibTypeSet";

struct Field {
  UINT id;
  const char* readKey;
  const char* writeKey;
  int def;
};
// Fields in the order they are written back; "StartNo" last.
constexpr Field kFields[] = {
    {IDC_CAT_START_X, "StartX", "STARTX", 10}, {IDC_CAT_START_Y, "StartY", "STARTY", 10},
    {IDC_CAT_END_X, "EndX", "EndX", 10},       {IDC_CAT_END_Y, "EndY", "EndY", 10},
    {IDC_CAT_LABEL_SIZE, "ENGSIZE", "EngSize", 10}, {IDC_CAT_LABEL_GAP, "ENGSPACE", "EngSpace", 2},
    {IDC_CAT_GAP_X, "SPACEX", "SpaceX", 10},   {IDC_CAT_GAP_Y, "SPACEY", "SpaceY", 10},
    {IDC_CAT_SIZE_X, "SIZEX", "SizeX", 40},    {IDC_CAT_SIZE_Y, "SIZEY", "SizeY", 40},
    {IDC_CAT_COLUMNS, "XNO", "XNO", 4},        {IDC_CAT_ROWS, "YNO", "YNO", 6},
};

std::string Utf8(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

}  // namespace

void RegisterLibCatalogResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  std::vector<DlgItemDef> items = {
      DlgItemDef(0, CtrlKind::Static, "Fonts", kChild, {10, 10, 80, 28}),
      DlgItemDef(IDC_CAT_FONT, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {80, 8, 300, 200}),
      DlgItemDef(0, CtrlKind::Static, "Lib Name:", kChild, {10, 36, 80, 54}),
      DlgItemDef(IDC_CAT_LIBRARY, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {80, 34, 300, 200}),
      DlgItemDef(0, CtrlKind::Static, "Lib Kind:", kChild, {10, 62, 80, 80}),
      DlgItemDef(IDC_CAT_KIND, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {80, 60, 300, 200}),
  };
  struct Label {
    UINT id;
    const char* text;
  } labels[] = {{IDC_CAT_START_X, "Start X:"},     {IDC_CAT_START_Y, "Start Y:"},   {IDC_CAT_END_X, "End X:"},
                {IDC_CAT_END_Y, "End Y:"},         {IDC_CAT_SIZE_X, "Graph Width:"}, {IDC_CAT_SIZE_Y, "Graph Height:"},
                {IDC_CAT_GAP_X, "X Gap:"},         {IDC_CAT_GAP_Y, "Y Gap:"},       {IDC_CAT_COLUMNS, "horizon"},
                {IDC_CAT_ROWS, "vertical"},        {IDC_CAT_LABEL_SIZE, "Fonts Size"}, {IDC_CAT_LABEL_GAP, "Length"},
                {IDC_CAT_START_NO, "Number"}};
  LONG y = 90;
  for (std::size_t i = 0; i < std::size(labels); ++i) {
    const LONG x = i % 2 == 0 ? 10 : 160;
    items.emplace_back(0, CtrlKind::Static, labels[i].text, kChild, RECT{x - 4, y, x + 81, y + 18});
    items.emplace_back(labels[i].id, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL, RECT{x + 82, y, x + 140, y + 18});
    if (i % 2 == 1) y += 24;
  }
  items.emplace_back(IDOK, CtrlKind::Button, "Save", kTab | BS_DEFPUSHBUTTON, RECT{60, y + 30, 140, y + 55});
  items.emplace_back(IDCANCEL, CtrlKind::Button, "Exit", kTab | BS_PUSHBUTTON, RECT{170, y + 30, 250, y + 55});
  res::SetDialog(IDD_LIB_CATALOG, DialogTemplate{"New GraphLib", kPopup, {0, 0, 310, y + 65}, std::move(items)});
}

FW_BEGIN_COMMAND_MAP(CNewGraphLibDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_CAT_LIBRARY, OnLibraryChanged)
FW_END_COMMAND_MAP()

CNewGraphLibDlg::CNewGraphLibDlg() : CDialog(IDD_LIB_CATALOG) {}
CNewGraphLibDlg::~CNewGraphLibDlg() = default;

BOOL CNewGraphLibDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* fonts = Item<CComboBox>(IDC_CAT_FONT)) {
    std::string name;
    for (int i = 0; g_FontCatalog.GetEntryName(0, 0, i, name) && !name.empty(); ++i)
      fonts->AddString(Utf8(name.substr(0, plat::GbkPrefixLength(name, 39))));
    fonts->SetCurSel(g_IniFile.GetInt(kSection, "EngNo", 0));
  }
  for (const Field& f : kFields) SetDlgItemText(f.id, std::to_string(g_IniFile.GetInt(kSection, f.readKey, f.def)));
  SetDlgItemText(IDC_CAT_START_NO, std::to_string(g_IniFile.GetInt(kSection, "StartNo", 0)));
  if (auto* libs = Item<CComboBox>(IDC_CAT_LIBRARY)) {
    std::string name;
    for (int i = 0; g_MountLibList.GetName(i, name); ++i) libs->AddString(Utf8(name));
    libs->SetCurSel(g_IniFile.GetInt(kSection, "LibNo", 0));
  }
  OnLibraryChanged();
  if (auto* kinds = Item<CComboBox>(IDC_CAT_KIND)) kinds->SetCurSel(g_IniFile.GetInt(kSection, "KindNo", 0));
  return TRUE;
}

void CNewGraphLibDlg::OnLibraryChanged() {
  auto* libs = Item<CComboBox>(IDC_CAT_LIBRARY);
  auto* kinds = Item<CComboBox>(IDC_CAT_KIND);
  if (!libs || !kinds) return;
  kinds->ResetContent();
  if (libs->GetCurSel() >= 0 && lib_.OpenMounted(libs->GetCurSel()))
    for (int k = 0; k < lib_.GetKindCount() && !lib_.GetKindName(k).empty(); ++k)
      kinds->AddString(Utf8(lib_.GetKindName(k)));
  kinds->SetCurSel(0);
}

void CNewGraphLibDlg::OnOK() {
  auto value = [&](UINT id) { return ParseSettingFloat(GetDlgItemText(id).c_str()); };
  for (const Field& f : kFields) g_IniFile.WriteString(kSection, f.writeKey, GetDlgItemText(f.id));
  auto* fonts = Item<CComboBox>(IDC_CAT_FONT);
  auto* libs = Item<CComboBox>(IDC_CAT_LIBRARY);
  auto* kinds = Item<CComboBox>(IDC_CAT_KIND);
  const int font = fonts ? std::max(fonts->GetCurSel(), 0) : 0;
  const int library = libs ? libs->GetCurSel() : -1;
  const int kind = kinds ? kinds->GetCurSel() : -1;
  g_IniFile.WriteInt(kSection, "LibNo", library);
  g_IniFile.WriteInt(kSection, "KindNo", kind);
  const float startX = value(IDC_CAT_START_X), startY = value(IDC_CAT_START_Y);
  const float endX = value(IDC_CAT_END_X), endY = value(IDC_CAT_END_Y);
  const float sizeX = value(IDC_CAT_SIZE_X), sizeY = value(IDC_CAT_SIZE_Y);
  const float gapX = value(IDC_CAT_GAP_X), gapY = value(IDC_CAT_GAP_Y);
  const float labelSize = value(IDC_CAT_LABEL_SIZE), labelGap = value(IDC_CAT_LABEL_GAP);
  int n = int(value(IDC_CAT_START_NO));
  // A step that does not move on would place the same cell for ever.
  const float all[] = {startX, startY, endX, endY, sizeX, sizeY, gapX, gapY, labelSize, labelGap};
  if (!(sizeX + gapX > 0) || !(sizeY + gapY > 0) ||
      !std::all_of(std::begin(all), std::end(all), [](float v) { return std::isfinite(v); })) {
    ShowParamMessage(this, PARAM_MSG_ERROR, nullptr, PARAM_CODE_ILLEGAL, PARAM_CODE_PARAMETER);
    return;
  }
  // Labels from a copy of the defaults: the user's own sizes stay.
  CTextAttr label = DefaultTextAttr();
  label.sizeX = label.sizeY = labelSize;
  label.tmState = 0;
  label.mode = 0;
  label.fontType[0] = 0;
  label.fontId[0] = std::uint16_t(font);

  CViewServices* view = GetActiveView();
  CDocumentServices* doc = view ? view->GetDocument() : nullptr;
  if (doc && library >= 0 && kind >= 0) {
    pathnodes::UndoBracket bracket(view, 0);
    auto add = [&](CGraphObject* o) {
      doc->AddObject(o, true);
      AppendUndo(view, std::make_unique<CUndoAddObject>(o));
      o->InvalidateObjectRect(view, true);
    };
    bool more = true;
    for (float y = startY; more && y + sizeY + labelGap + labelSize < endY; y += sizeY + gapY) {
      for (float x = startX; x + sizeX < endX; x += sizeX + gapX) {
        auto pic = std::make_unique<CLibPicObject>(std::uint16_t(library + LIBTYPE_MOUNTED), std::uint16_t(kind),
                                                   std::uint16_t(std::clamp(n, 0, 0xFFFF)));
        std::unique_ptr<CPathPointList> outline(n >= 0 ? pic->MakeOutline(nullptr, 0) : nullptr);
        if (!outline) {
          more = false;
          break;
        }
        ++n;
        // One scale that fits the cell, the picture centred in it.
        const CFRect o = outline->bounds;
        const float ow = o.right - o.left, oh = o.bottom - o.top;
        float s = 1.0f;
        if (ow > 0 && oh > 0)
          s = std::min(sizeX / ow, sizeY / oh);
        else if (ow > 0 || oh > 0)
          s = ow > 0 ? sizeX / ow : sizeY / oh;
        const float w = ow * s, h = oh * s;
        const float left = x + (sizeX - w) / 2, top = y + (sizeY - h) / 2;
        pic->matrix = CMatrix3(s, 0, 0, s, left - o.left * s, top - o.top * s);
        pic->bounds = CFRect(left, top, left + w, top + h);
        add(pic.release());

        auto text = std::make_unique<CTextObject>(0, x + sizeX / 2.5f, y + sizeY + labelGap, x + sizeX,
                                                  y + sizeY + labelGap + labelSize);
        for (char c : std::to_string(n - 1)) text->chars.Add(std::make_unique<CBoxChar>(std::uint16_t(c), label));
        text->Relayout(nullptr, -1);
        add(text.release());
      }
    }
  }
  g_IniFile.WriteInt(kSection, "StartNo", n);
  EndDialog(IDOK);
}
