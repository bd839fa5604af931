#include "text/replacefontsdlg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/controls.h"
#include "framework/resources.h"
#include "model/graphobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/services.h"
#include "text/arrange.h"
#include "text/fontcatalog.h"
#include "text/glyphsource.h"
#include "text/language.h"

namespace {

// Whole numbers separated by commas between `open` and the last `close` of
// the text; false when they are not there or not numbers.
bool ParseGroup(const std::string& text, char open, char close, std::vector<int>& out) {
  const std::size_t end = text.find_last_of(close);
  if (end == std::string::npos) return false;
  const std::size_t begin = text.find_last_of(open, end);
  if (begin == std::string::npos) return false;
  out.clear();
  const std::string inner = text.substr(begin + 1, end - begin - 1);
  const char* p = inner.c_str();
  while (true) {
    char* next = nullptr;
    const long v = std::strtol(p, &next, 10);
    if (next == p || v < -65536 || v > 65536) return false;
    out.push_back(int(v));
    p = next;
    while (*p == ' ') ++p;
    if (*p == '\0') return true;
    if (*p != ',') return false;
    ++p;
  }
}

// The list box of the dialog as the objects fill it.
class ListAdapter : public CListBoxServices {
 public:
  explicit ListAdapter(fw::CListBox* list) : list_(list) {}
  int FindStringExact(std::string_view text) const override {
    return list_->FindStringExact(-1, std::string(text));
  }
  int AddString(std::string_view text) override { return list_->AddString(std::string(text)); }

 private:
  fw::CListBox* list_;
};

class ComboAdapter : public CListBoxServices {
 public:
  explicit ComboAdapter(fw::CComboBox* combo) : combo_(combo) {}
  int FindStringExact(std::string_view text) const override {
    return combo_->FindStringExact(-1, std::string(text));
  }
  int AddString(std::string_view text) override { return combo_->AddString(std::string(text)); }

 private:
  fw::CComboBox* combo_;
};

class LinesAdapter : public CListBoxServices {
 public:
  int FindStringExact(std::string_view text) const override {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == text) return int(i);
    return -1;
  }
  int AddString(std::string_view text) override {
    lines.emplace_back(text);
    return int(lines.size()) - 1;
  }
  std::vector<std::string> lines;
};

// The line with its choice replaced.
std::string WithChoice(const std::string& line, int source, int font) {
  const std::size_t brace = line.find_last_of('{');
  char choice[32];
  std::snprintf(choice, sizeof choice, "{%d,%d}", source, font);
  return (brace == std::string::npos ? line + " -" : line.substr(0, brace)) + choice;
}

}  // namespace

bool ParseMissingFontLine(const std::string& line, MissingFontLine& out) {
  std::vector<int> choice, ids;
  if (!ParseGroup(line, '{', '}', choice) || choice.size() != 2) return false;
  const std::size_t brace = line.find_last_of('{');
  if (!ParseGroup(line.substr(0, brace), '[', ']', ids) || ids.size() != 3) return false;
  out.language = ids[0];
  out.type = ids[1];
  out.fontId = ids[2];
  out.source = choice[0];
  out.font = choice[1];
  return true;
}

bool ParseFontSourceLine(const std::string& line, int& language, int& type) {
  std::vector<int> v;
  if (!ParseGroup(line, '[', ']', v) || v.size() != 2) return false;
  language = v[0];
  type = v[1];
  return true;
}

FW_BEGIN_COMMAND_MAP(CReplaceFontsDlg, fw::CDialog)
FW_ON_LBN_SELCHANGE(IDC_MISSING_FONTS, OnMissingChanged)
FW_ON_CBN_SELCHANGE(IDC_FONT_SOURCES, OnSourceChanged)
FW_ON_LBN_SELCHANGE(IDC_SOURCE_FONTS, OnFontChanged)
FW_END_COMMAND_MAP()

CReplaceFontsDlg::CReplaceFontsDlg() : fw::CDialog(IDD_REPLACE_FONTS) {}

fw::BOOL CReplaceFontsDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  if (!m_fontTable || !m_objects) {
    EndDialog(-1);
    return fw::TRUE;
  }
  FillMissing();
  auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS);
  if (!missing || missing->GetCount() == 0) {
    EndDialog(1);  // every font is installed
    return fw::TRUE;
  }
  missing->SetCurSel(0);
  ShowChoice(0);
  return fw::TRUE;
}

void CReplaceFontsDlg::FillMissing() {
  auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS);
  if (!missing) return;
  missing->ResetContent();
  ListAdapter list(missing);
  const plat::HGLOBAL old = SetDocumentFontTable(m_fontTable);
  for (CGraphObject* o : m_objects->Objects())
    if (o && (o->kind == OBJ_TRANSFORM || o->kind == OBJ_GROUP || o->kind == OBJ_TEXT))
      o->ListUsedFonts(nullptr, &list);
  SetDocumentFontTable(old);
}

void CReplaceFontsDlg::ShowChoice(int line) {
  auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS);
  auto* sources = Item<fw::CComboBox>(IDC_FONT_SOURCES);
  auto* fonts = Item<fw::CListBox>(IDC_SOURCE_FONTS);
  if (!missing || !sources || !fonts) return;
  MissingFontLine m;
  if (!ParseMissingFontLine(missing->GetText(line), m)) return;
  sources->ResetContent();
  ComboAdapter combo(sources);
  g_Language.ListLanguageFonts(std::uint8_t(m.language), combo);
  if (sources->GetCurSel() != m.source) {
    sources->SetCurSel(m.source);
    FillSourceFonts();
  }
  fonts->SetCurSel(m.font);
}

void CReplaceFontsDlg::FillSourceFonts() {
  auto* sources = Item<fw::CComboBox>(IDC_FONT_SOURCES);
  auto* fonts = Item<fw::CListBox>(IDC_SOURCE_FONTS);
  if (!sources || !fonts) return;
  fonts->ResetContent();
  const int at = sources->GetCurSel();
  int language = 0, type = 0;
  if (at < 0 || !ParseFontSourceLine(sources->GetLBText(at), language, type)) return;
  for (const std::string& name : FontSourceNames(std::uint8_t(language), type)) fonts->AddString(name);
}

void CReplaceFontsDlg::OnMissingChanged() {
  if (auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS))
    if (missing->GetCurSel() >= 0) ShowChoice(missing->GetCurSel());
}

void CReplaceFontsDlg::OnSourceChanged() { FillSourceFonts(); }

void CReplaceFontsDlg::OnFontChanged() {
  auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS);
  auto* sources = Item<fw::CComboBox>(IDC_FONT_SOURCES);
  auto* fonts = Item<fw::CListBox>(IDC_SOURCE_FONTS);
  if (!missing || !sources || !fonts) return;
  const int line = missing->GetCurSel();
  if (line < 0) return;
  const int font = std::max(fonts->GetCurSel(), 0);
  const int source = std::max(sources->GetCurSel(), 0);
  const std::string text = WithChoice(missing->GetText(line), source, font);
  missing->DeleteString(fw::UINT(line));
  missing->InsertString(line, text);
  // On to the next line; the last one stays chosen.
  const int next = line + 1 < missing->GetCount() ? line + 1 : line;
  missing->SetCurSel(next);
  if (next != line) ShowChoice(next);
}

void CReplaceFontsDlg::OnOK() {
  auto* missing = Item<fw::CListBox>(IDC_MISSING_FONTS);
  if (missing && m_objects) {
    for (int i = 0; i < missing->GetCount(); ++i) {
      MissingFontLine m;
      if (!ParseMissingFontLine(missing->GetText(i), m)) continue;
      // The new type comes from the line's own language's sources.
      LinesAdapter sources;
      g_Language.ListLanguageFonts(std::uint8_t(m.language), sources);
      int language = 0, newType = 0;
      if (m.source < 0 || m.source >= int(sources.lines.size()) ||
          !ParseFontSourceLine(sources.lines[std::size_t(m.source)], language, newType))
        continue;
      const std::uint16_t oldWord = std::uint16_t(((m.type & 0x0F) << 8) | (m.language & 0xFF));
      const std::uint16_t newWord = std::uint16_t(((newType & 0x0F) << 8) | (m.language & 0xFF));
      m_objects->ReplaceFont(oldWord, m.fontId, newWord, m.font);
    }
  }
  fw::CDialog::OnOK();
}

// --- Templates ----------------------------------------------------------------

void RegisterTextDialogTemplates() {
  using fw::CtrlKind;
  using fw::DialogTemplate;
  using fw::DlgItemDef;
  const fw::DWORD child = fw::WS_CHILD | fw::WS_VISIBLE;
  const fw::DWORD tab = child | fw::WS_TABSTOP;
  fw::res::SetDialog(
      IDD_REPLACE_FONTS,
      DialogTemplate{"Replace Fonts....",
                     fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                     {0, 0, 420, 260},
                     {
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Can't find this Fonts:", child, {8, 8, 200, 20}),
                         DlgItemDef(IDC_MISSING_FONTS, CtrlKind::ListBox, "",
                                    tab | fw::WS_VSCROLL | fw::LBS_NOTIFY, {8, 22, 410, 110}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "Replace Other Fonts:", child, {8, 118, 200, 130}),
                         DlgItemDef(IDC_FONT_SOURCES, CtrlKind::ComboBox, "", tab | fw::CBS_DROPDOWNLIST,
                                    {8, 132, 192, 250}),
                         DlgItemDef(0xFFFF, CtrlKind::Static, "<=>", child, {194, 134, 226, 146}),
                         DlgItemDef(IDC_SOURCE_FONTS, CtrlKind::ListBox, "",
                                    tab | fw::WS_VSCROLL | fw::LBS_NOTIFY, {228, 132, 410, 220}),
                         DlgItemDef(fw::IDOK, CtrlKind::Button, "OK", tab | fw::BS_DEFPUSHBUTTON, {250, 230, 320, 252}),
                         DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", tab, {330, 230, 400, 252}),
                     }});

  // The pages share the placement radio buttons and the three boxes, each row
  // tall enough for the button's picture (24 x 16) beside its text.
  auto placement = [&]() {
    auto row = [](int column, int i) { return fw::RECT{column ? 108 : 6, 6 + 22 * i, column ? 212 : 104, 28 + 22 * i}; };
    return std::vector<DlgItemDef>{
        DlgItemDef(IDC_ARR_PLACE_ON, CtrlKind::Button, "On", tab | fw::BS_AUTORADIOBUTTON | fw::WS_GROUP, row(0, 0)),
        DlgItemDef(IDC_ARR_PLACE_CENTRED, CtrlKind::Button, "Centre", tab | fw::BS_AUTORADIOBUTTON, row(0, 1)),
        DlgItemDef(IDC_ARR_PLACE_HANG, CtrlKind::Button, "Under", tab | fw::BS_AUTORADIOBUTTON, row(0, 2)),
        DlgItemDef(IDC_ARR_PLACE_MIDDLE, CtrlKind::Button, "Middle", tab | fw::BS_AUTORADIOBUTTON, row(0, 3)),
        DlgItemDef(IDC_ARR_FIT, CtrlKind::Button, "Fit", tab | fw::BS_AUTOCHECKBOX | fw::WS_GROUP, row(1, 0)),
        DlgItemDef(IDC_ARR_UPSIDE_DOWN, CtrlKind::Button, "Turn", tab | fw::BS_AUTOCHECKBOX, row(1, 1)),
        DlgItemDef(IDC_ARR_REVERSE, CtrlKind::Button, "Reverse", tab | fw::BS_AUTOCHECKBOX, row(1, 2)),
        DlgItemDef(fw::IDOK, CtrlKind::Button, "OK", tab | fw::BS_DEFPUSHBUTTON, {152, 76, 212, 94}),
    };
  };
  auto field = [&](std::vector<DlgItemDef>& items, std::uint32_t id, const char* label, int row) {
    const int y = 102 + 16 * row;
    items.push_back(DlgItemDef(0xFFFF, CtrlKind::Static, label, child, {6, y, 70, y + 12}));
    items.push_back(DlgItemDef(id, CtrlKind::Edit, "", tab | fw::ES_AUTOHSCROLL, {72, y, 212, y + 14}));
  };
  std::vector<DlgItemDef> arc = placement();
  field(arc, IDC_ARC_START, "Start", 0);
  field(arc, IDC_ARC_END, "End", 1);
  field(arc, IDC_ARC_RADIUS, "Radius", 2);
  fw::res::SetDialog(IDD_ARRANGE_ARC, DialogTemplate{"弧形排列", fw::WS_CHILD, {0, 0, 218, 156}, arc});
  std::vector<DlgItemDef> arch = placement();
  field(arch, IDC_ARCH_WIDTH, "Width", 0);
  field(arch, IDC_ARCH_HEIGHT, "Lenth", 1);
  fw::res::SetDialog(IDD_ARRANGE_ARCH, DialogTemplate{"拱形排列", fw::WS_CHILD, {0, 0, 218, 140}, arch});
  std::vector<DlgItemDef> path = placement();
  field(path, IDC_PATH_DISTANCE, "Distance", 0);
  field(path, IDC_PATH_GAP, "Space", 1);
  fw::res::SetDialog(IDD_ARRANGE_PATH, DialogTemplate{"沿线排版", fw::WS_CHILD, {0, 0, 218, 140}, path});
}
