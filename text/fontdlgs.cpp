#include "text/fontdlgs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "framework/controls.h"
#include "framework/resources.h"
#include "model/pathnodes_util.h"
#include "model/services.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "platform/text_out.h"
#include "text/boxarray.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/textobject.h"

using namespace fw;

namespace {

constexpr const char* kSection = "SystemParam";
constexpr const char* kErrorCaption = "错误";
constexpr int kSizeListLength = 10;
constexpr int kPreviewChars = 16;
constexpr int kSliderMax = 1500;
constexpr int kZoneFirst = 161, kZoneLast = 251, kPositions = 94, kCodeColumn = 20, kCodeLine = 25;

std::string Format2(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

float ValueOf(const CDialog& dlg, UINT id) { return ParseSettingFloat(dlg.GetDlgItemText(id).c_str()); }

// Reads bytes as character codes: pairs for two-byte text, a lone lead byte
// taking 0xA1 as its trail.
std::vector<std::uint16_t> CodesOf(const std::string& bytes, bool twoByte) {
  std::vector<std::uint16_t> codes;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto lead = std::uint8_t(bytes[i]);
    if (!twoByte) {
      codes.push_back(lead);
      continue;
    }
    const std::uint8_t trail = i + 1 < bytes.size() ? std::uint8_t(bytes[++i]) : 0xA1;
    codes.push_back(std::uint16_t((lead << 8) | trail));
  }
  return codes;
}

bool IsTwoByteSample(std::uint8_t id) { return id == 128 || id == 129 || id == 133 || id == 134 || id == 136; }

std::map<std::uint8_t, std::string>& KeptSamples() {
  static std::map<std::uint8_t, std::string> kept;
  return kept;
}

const char kKorean[] = "\xB8\xF0\xB5\xA5\xBA\xB8\xB5\xE4";
const char kRussian[] = "\xF4\xD4\xE8\xC8\xF1\xD1\xE2\xC2\xF3\xD3\xE0\xC0\xEF\xCF";
const char kThai[] = "\xC8\xCB\xC3\xF1\xBD\xE2\xB7\xC5\xD6\xD0\xB9\xFA\xC4\xE0\xD3";

std::string Kept(std::uint8_t id) {
  auto it = KeptSamples().find(id);
  return it == KeptSamples().end() ? std::string() : it->second;
}

// The Font Setting preview's sample bytes of a language.
std::vector<std::uint16_t> SettingSample(std::uint8_t id) {
  std::string bytes;
  switch (id) {
    case 0: bytes = "CutterVorlan!"; break;
    case 129: bytes = kKorean; break;
    case 133: bytes = plat::Utf8ToGbk("，、。：；"); break;
    case 134: bytes = "Skelbrin"; break;
    case 186: bytes = "abcdefghijklmn"; break;
    case 204: bytes = kRussian; break;
    case 128:
    case 136: bytes = Kept(id); break;
    default: bytes = "CutterVorlan"; break;
  }
  return CodesOf(bytes, IsTwoByteSample(id));
}

// Whether a selected character can stand for the language in the preview.
bool SuitsLanguage(std::uint8_t id, std::uint16_t code) {
  const unsigned lead = code >> 8, trail = code & 0xFF;
  switch (id) {
    case 0: return code >= 0x21 && code <= 0xA0;
    case 129: return lead >= 0xA0 && lead <= 200 && trail >= 0xA0;
    case 133: return lead >= 0xA1 && lead <= 0xAF && trail >= 0xA1;
    case 134: return lead >= 0xB0 && trail >= 0xA1;
    case 186:
    case 204: return code != 0;
    default: return false;
  }
}

// The first character of the edited or selected text; 0 without one.
std::uint16_t FirstSelectedCode(CViewServices* view) {
  if (!view) return 0;
  auto* text = dynamic_cast<CTextObject*>(view->GetEditObject());
  if (!text)
    if (CDesignViewServices* dv = view->GetDesignView()) text = dynamic_cast<CTextObject*>(dv->GetSelectedObject());
  if (!text) return 0;
  CBoxChar* first = nullptr;
  for (int i = 0; i < text->chars.GetSize(); ++i)
    if (CBoxChar* c = text->chars.CharAt(i)) {
      if (!first) first = c;
      if (c->IsSelected()) return c->code;
    }
  return first ? first->code : 0;
}

// The record: global defaults, then the selected text's attributes.
CTextAttr LoadRecord(CViewServices* view) {
  CTextAttr record = DefaultTextAttr();
  if (ViewHasSelection(view))
    if (CDesignViewServices* dv = view->GetDesignView()) dv->GetTextAttributes(nullptr, &record, 0);
  return record;
}

// Draws characters of a record left to right from x with the baseline at y.
void DrawCodes(plat::HDC dc, const std::vector<std::uint16_t>& codes, std::uint8_t language, const CTextAttr& attr,
               float size, float x, float y) {
  int n = 0;
  for (std::uint16_t code : codes) {
    if (n++ >= kPreviewChars) break;
    CBoxChar c(language, code, attr);
    c.sizeX = c.sizeY = size;
    c.angle = c.skewX = c.skewY = 0.0f;
    c.x = x;
    c.y = y;
    c.DrawPlaced(dc, nullptr, 0);
    x += c.Measure(0) * size;
  }
}

template <class Box>
void SetItems(Box& box, const std::vector<std::string>& labels) {
  box.ResetContent();
  for (const std::string& label : labels) box.AddString(label);
}

// The language names of the named slots (UTF-8), slot i at position i.
std::vector<std::string> LanguageNames() {
  std::vector<std::string> names;
  for (int i = 0; i < CLanguage::kSlots; ++i) {
    std::string name = g_Language.GetName(i);
    if (name.empty()) break;
    names.push_back(plat::GbkToUtf8(name));
  }
  return names;
}

void StoreSlotFont(std::uint16_t code, int index) {
  char section[32];
  std::snprintf(section, sizeof section, "Language%d", FontSlotOf(code));
  g_IniFile.WriteInt(section, "DefaultType", (code >> 8) & 15);
  g_IniFile.WriteInt(section, "DefaultID", index);
}

// The preview frame of a dialog, cleared white, drawn on while in scope.
struct PreviewFrame {
  explicit PreviewFrame(CDialog& dlg) : frame(dlg.GetDlgItem(IDC_FONT_PREVIEW)) {
    if (!frame) return;
    RECT r;
    frame->GetClientRect(&r);
    dc = frame->GetDC();
    if (dc) dc->FillSolidRect(r, plat::RGB(255, 255, 255));
  }
  ~PreviewFrame() {
    if (frame && dc) frame->ReleaseDC(dc);
  }
  PreviewFrame(const PreviewFrame&) = delete;
  PreviewFrame& operator=(const PreviewFrame&) = delete;
  CWnd* frame;
  plat::HDC dc = nullptr;
};

// The font the face names (GBK) are drawn in: one that holds GB characters.
plat::Font* FaceNameFont() {
  static plat::Font* font = [] {
    plat::LOGFONT lf;
    lf.lfHeight = 16;
    lf.lfWeight = plat::FW_NORMAL;
    lf.lfCharSet = plat::GB2312_CHARSET;
    return new plat::Font(lf);  // lives for the process
  }();
  return font;
}

// A spin's step: -1 for a step of 0 or less (up), +1 for a positive one.
int SpinDirection(NMHDR* hdr) { return reinterpret_cast<NMUPDOWN*>(hdr)->iDelta <= 0 ? 1 : -1; }

}  // namespace

// --- Templates --------------------------------------------------------------------

void RegisterFontDialogResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  constexpr DWORD kList = kTab | CBS_DROPDOWNLIST | WS_VSCROLL;
  constexpr DWORD kNumber = kTab | ES_AUTOHSCROLL;
  res::SetDialog(IDD_FONT_PANEL,
                 DialogTemplate{"", WS_CHILD, {0, 0, 560, 26},
                                {DlgItemDef(IDC_FONT_LANGUAGE, CtrlKind::ComboBox, "", kList, {2, 2, 82, 200}),
                                 DlgItemDef(IDC_FONT_SOURCE, CtrlKind::ComboBox, "", kList, {86, 2, 226, 200}),
                                 DlgItemDef(IDC_PANEL_FONT, CtrlKind::ComboBox, "",
                                            kList | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, {230, 2, 450, 300}),
                                 DlgItemDef(IDC_PANEL_SIZE, CtrlKind::ComboBox, "", kTab | CBS_DROPDOWN | WS_VSCROLL,
                                            {454, 2, 556, 200})}});
  res::SetDialog(IDD_FONT_PREVIEW, DialogTemplate{"", WS_POPUP | WS_BORDER, {0, 0, 240, 60}, {}});

  std::vector<DlgItemDef> set = {
      DlgItemDef(0, CtrlKind::Static, "Size X", kChild, {6, 12, 66, 28}),
      DlgItemDef(IDC_FONT_SIZE_X, CtrlKind::Edit, "", kNumber, {68, 10, 130, 28}),
      DlgItemDef(IDC_FONT_SPIN_X, CtrlKind::Spin, "", kChild, {130, 10, 146, 28}),
      DlgItemDef(0, CtrlKind::Static, "Size Y", kChild, {6, 36, 66, 52}),
      DlgItemDef(IDC_FONT_SIZE_Y, CtrlKind::Edit, "", kNumber, {68, 34, 130, 52}),
      DlgItemDef(IDC_FONT_SPIN_Y, CtrlKind::Spin, "", kChild, {130, 34, 146, 52}),
      DlgItemDef(IDC_FONT_SLIDER, CtrlKind::Slider, "", kChild | TBS_VERT, {150, 10, 170, 130}),
      DlgItemDef(0, CtrlKind::Static, "WordGap", kChild, {6, 60, 66, 76}),
      DlgItemDef(IDC_FONT_BOX_GAP, CtrlKind::Edit, "", kNumber, {68, 58, 130, 76}),
      DlgItemDef(0, CtrlKind::Static, "LineGap", kChild, {6, 84, 66, 100}),
      DlgItemDef(IDC_FONT_LINE_GAP, CtrlKind::Edit, "", kNumber, {68, 82, 130, 100}),
      DlgItemDef(0, CtrlKind::Static, "Rotate", kChild, {6, 108, 66, 124}),
      DlgItemDef(IDC_FONT_ANGLE, CtrlKind::Edit, "", kNumber, {68, 106, 130, 124}),
      DlgItemDef(0, CtrlKind::Static, "Skew X", kChild, {6, 132, 66, 148}),
      DlgItemDef(IDC_FONT_SKEW_X, CtrlKind::Edit, "", kNumber, {68, 130, 130, 148}),
      DlgItemDef(0, CtrlKind::Static, "Skew Y", kChild, {6, 156, 66, 172}),
      DlgItemDef(IDC_FONT_SKEW_Y, CtrlKind::Edit, "", kNumber, {68, 154, 130, 172}),
      DlgItemDef(0, CtrlKind::Static, "Language", kChild, {180, 12, 250, 28}),
      DlgItemDef(IDC_FONT_LANGUAGE, CtrlKind::ComboBox, "", kList, {252, 10, 400, 200}),
      DlgItemDef(0, CtrlKind::Static, "FontTypes", kChild, {180, 36, 290, 52}),
      DlgItemDef(IDC_FONT_SOURCE, CtrlKind::ListBox, "", kTab | LBS_NOTIFY | WS_VSCROLL, {180, 54, 290, 180}),
      DlgItemDef(0, CtrlKind::Static, "Fonts", kChild, {294, 36, 400, 52}),
      DlgItemDef(IDC_FONT_LIST, CtrlKind::ListBox, "", kTab | LBS_NOTIFY | WS_VSCROLL, {294, 54, 400, 180}),
      DlgItemDef(IDC_FONT_PREVIEW, CtrlKind::Static, "", kChild, {410, 10, 560, 180}),
      DlgItemDef(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON, {380, 190, 460, 214}),
      DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON, {470, 190, 550, 214}),
  };
  res::SetDialog(IDD_FONT_SET, DialogTemplate{"Font Setting", kPopup, {0, 0, 570, 224}, std::move(set)});

  res::SetDialog(IDD_BASELINE,
                 DialogTemplate{"Baseline Setting", kPopup, {0, 0, 330, 130},
                                {DlgItemDef(0, CtrlKind::Static, "Base:", kChild, {10, 12, 70, 28}),
                                 DlgItemDef(IDC_BASE_VALUE, CtrlKind::Edit, "", kNumber, {72, 10, 130, 28}),
                                 DlgItemDef(IDC_BASE_SPIN, CtrlKind::Spin, "", kChild, {130, 10, 146, 28}),
                                 DlgItemDef(0, CtrlKind::Static, "Scale(%):", kChild, {10, 40, 70, 56}),
                                 DlgItemDef(IDC_BASE_SCALE, CtrlKind::Edit, "", kNumber, {72, 38, 130, 56}),
                                 DlgItemDef(IDC_BASE_SCALE_SPIN, CtrlKind::Spin, "", kChild, {130, 38, 146, 56}),
                                 DlgItemDef(IDC_FONT_PREVIEW, CtrlKind::Static, "", kChild, {156, 10, 320, 90}),
                                 DlgItemDef(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON, {150, 98, 230, 122}),
                                 DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON,
                                            {240, 98, 320, 122})}});

  res::SetDialog(IDD_CODE_TABLE,
                 DialogTemplate{"CHS QW", kPopup | WS_THICKFRAME, {0, 0, 300, 105},
                                {DlgItemDef(IDC_CODE_TEXT, CtrlKind::Static, "", kChild, {4, 4, 60, 22}),
                                 DlgItemDef(IDC_CODE_ZONE_SPIN, CtrlKind::Spin, "", kChild, {64, 2, 80, 22}),
                                 DlgItemDef(IDC_CODE_PAGE_SPIN, CtrlKind::Spin, "", kChild | UDS_HORZ, {84, 2, 116, 22}),
                                 DlgItemDef(IDC_CODE_LIST, CtrlKind::ListBox, "",
                                            kTab | LBS_NOTIFY | LBS_MULTICOLUMN | WS_HSCROLL, {0, kCodeLine, 300, 105})}});
}

// --- Samples and shared pieces ------------------------------------------------------

std::vector<std::uint16_t> BuildFontSampleText(std::uint8_t id) {
  std::string bytes;
  switch (id) {
    case 0: bytes = "CutterVorlan!"; break;
    case 129: bytes = kKorean; break;
    case 133: bytes = plat::Utf8ToGbk("，、。：；"); break;
    case 134: bytes = "ArdomecSkelbrin"; break;
    case 204: bytes = kRussian; break;
    case 222: bytes = kThai; break;
    case 128:
    case 136: bytes = Kept(id); break;
    default: bytes = "AgeOther"; break;
  }
  return CodesOf(bytes, IsTwoByteSample(id));
}

void SetKeptFontSample(std::uint8_t id, const std::string& bytes) {
  if (id == 128 || id == 136) KeptSamples()[id] = bytes;
}

std::vector<std::string> CFontSourceChoice::FillAll() {
  struct Collect : CListBoxServices {
    std::vector<std::string>* out;
    int FindStringExact(std::string_view) const override { return -1; }
    int AddString(std::string_view text) override {
      out->emplace_back(text);
      return int(out->size()) - 1;
    }
  };
  std::vector<std::string> labels, codes;
  Collect l, c;
  l.out = &labels;
  c.out = &codes;
  g_Language.FillFontSources(l, c);
  codes_.clear();
  for (const std::string& code : codes) codes_.push_back(std::atoi(code.c_str()));
  for (std::string& label : labels) {
    while (!label.empty() && label.back() == ' ') label.pop_back();
    label = plat::GbkToUtf8(label);
  }
  return labels;
}

std::vector<std::string> CFontSourceChoice::FillSlot(int slot) {
  std::vector<std::string> labels;
  codes_.clear();
  const std::string name = g_Language.GetName(slot);
  if (name.empty()) return labels;
  const auto id = std::uint8_t(g_Language.GetId(slot));
  labels.push_back(plat::GbkToUtf8(name + "WinFonts"));
  codes_.push_back(MakeFontSource(0, id));
  labels.push_back(plat::GbkToUtf8(name + "TTFFonts"));
  codes_.push_back(MakeFontSource(1, id));
  const int mounts = g_Language.GetMountCount(slot);
  for (int j = 0; j < mounts && j < 256; ++j) {
    std::string label;
    codes_.push_back(g_Language.GetMountName(slot, j, label));
    labels.push_back(plat::GbkToUtf8(label));
  }
  return labels;
}

int CFontSourceChoice::CodeAt(int index) const {
  return index >= 0 && index < Count() ? codes_[std::size_t(index)] : -1;
}

int CFontSourceChoice::IndexOf(std::uint16_t code) const {
  for (int i = 0; i < Count(); ++i)
    if ((codes_[std::size_t(i)] & 0xFFF) == (code & 0xFFF)) return i;
  return -1;
}

int FontSlotOf(std::uint16_t code) { return std::max(0, g_Language.FindId(std::uint8_t(code & 0xFF))); }

void SetRecordFont(CTextAttr& attr, std::uint16_t code, int index) {
  const int slot = FontSlotOf(code);
  attr.fontType[slot] = std::uint8_t((code >> 8) & 15);
  attr.fontId[slot] = std::uint16_t(index);
  attr.currentFont = code;
}

bool ViewHasSelection(CViewServices* view) {
  if (!view) return false;
  if (view->GetEditObject()) return true;
  CDesignViewServices* dv = view->GetDesignView();
  return dv && dv->GetSelectedCount() > 0;
}

// --- Sample popup -------------------------------------------------------------------

CFontPreviewDlg::CFontPreviewDlg() : CDialog(IDD_FONT_PREVIEW) {}

BOOL CFontPreviewDlg::Create(CWnd* parent) { return CDialog::Create(IDD_FONT_PREVIEW, parent); }

void CFontPreviewDlg::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  Paint(ps.hdc);
  EndPaint(&ps);
}

void CFontPreviewDlg::Paint(plat::HDC dc) {
  if (!dc) return;
  RECT client;
  GetClientRect(&client);
  dc->FillSolidRect(client, plat::RGB(255, 255, 255));
  const float height = float(std::min(client.width(), client.height())) * 0.8f;
  record.sizeX = record.sizeY = height;
  const auto language = std::uint8_t(record.currentFont & 0xFF);
  DrawCodes(dc, BuildFontSampleText(language), language, record, height, 5.0f, record.sizeY + 5.0f);
}

// --- Font panel ---------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CFontPanelDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_FONT_SOURCE, OnSourceChanged)
FW_ON_CBN_SELCHANGE(IDC_FONT_LANGUAGE, OnLanguageChanged)
FW_ON_CBN_SELCHANGE(IDC_PANEL_FONT, OnFontChanged)
FW_ON_CBN_SELCHANGE(IDC_PANEL_SIZE, OnSizeChosen)
FW_ON_CBN_EDITCHANGE(IDC_PANEL_SIZE, OnSizeTyped)
FW_ON_CONTROL(CBN_KILLFOCUS, IDC_PANEL_SIZE, OnSizeEdited)
FW_ON_CBN_DROPDOWN(IDC_PANEL_FONT, OnFontDropDown)
FW_ON_CBN_CLOSEUP(IDC_PANEL_FONT, OnFontCloseUp)
FW_END_COMMAND_MAP()

CFontPanelDlg::CFontPanelDlg() : CDialog(IDD_FONT_PANEL) {}
CFontPanelDlg::~CFontPanelDlg() = default;

BOOL CFontPanelDlg::Create(CWnd* parent) { return CDialog::Create(IDD_FONT_PANEL, parent); }

BOOL CFontPanelDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* languages = Item<CComboBox>(IDC_FONT_LANGUAGE)) SetItems(*languages, LanguageNames());
  UpdateControls();
  return TRUE;
}

void CFontPanelDlg::UpdateControls() {
  record_ = LoadRecord(GetActiveView());
  fontChanged_ = sizeChanged_ = sizeEdited_ = false;
  auto* sources = Item<CComboBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  if (!sources || !fonts) return;
  SetItems(*sources, sources_.FillAll());
  const int index = sources_.IndexOf(record_.currentFont);
  if (index < 0) return;
  sources->SetCurSel(index);
  if (auto* languages = Item<CComboBox>(IDC_FONT_LANGUAGE))
    languages->SetCurSel(g_Language.FindId(std::uint8_t(record_.currentFont & 0xFF)));
  FillFonts();
  fonts->SetCurSel(record_.fontId[FontSlotOf(record_.currentFont)]);
  SetDlgItemText(IDC_PANEL_SIZE, Format2(std::max(record_.sizeX, record_.sizeY)));
}

void CFontPanelDlg::FillFonts() {
  auto* sources = Item<CComboBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  if (!sources || !fonts) return;
  fonts->ResetContent();
  const int code = sources_.CodeAt(sources->GetCurSel());
  if (code < 0) return;
  const auto id = std::uint8_t(code & 0xFF);
  for (const std::string& name : FontSourceNames(id, (code >> 8) & 15)) fonts->AddString(plat::GbkToUtf8(name));
  CTextAttr& defaults = DefaultTextAttr();
  switch (id) {
    case 128: case 129: case 134: case 136:
      defaults.doubleByteLanguage = id;
      break;
    case 0: case 1: case 2: case 77: case 161: case 162: case 186: case 204: case 238: case 255:
      defaults.singleByteLanguage = id;
      break;
    default:
      break;
  }
}

void CFontPanelDlg::OnSourceChanged() {
  FillFonts();
  ReturnFocus();
}

void CFontPanelDlg::OnLanguageChanged() {
  auto* languages = Item<CComboBox>(IDC_FONT_LANGUAGE);
  auto* sources = Item<CComboBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  if (!languages || !sources || !fonts) return;
  const int slot = languages->GetCurSel();
  SetItems(*sources, sources_.FillSlot(slot));
  if (slot < 0 || slot >= kLanguageSlots || sources->GetCount() == 0) return;
  // The slot's stored face, else the first installed face of its language.
  const int kind = record_.fontType[slot];
  const int face = record_.fontId[slot];
  sources->SetCurSel(std::min(kind, sources->GetCount() - 1));
  FillFonts();
  const bool stored = sources->GetCurSel() == kind && face < fonts->GetCount();
  if (!stored) {
    sources->SetCurSel(0);
    FillFonts();
  }
  if (fonts->GetCount() > 0) {
    fonts->SetCurSel(stored ? face : 0);
    fontChanged_ = true;
    OnOK();
  }
  ReturnFocus();
}

void CFontPanelDlg::OnFontChanged() {
  fontChanged_ = true;
  OnOK();
  ReturnFocus();
}

void CFontPanelDlg::OnSizeChosen() {
  auto* sizes = Item<CComboBox>(IDC_PANEL_SIZE);
  if (sizes && sizes->GetCurSel() >= 0) ApplySize(sizes->GetLBText(sizes->GetCurSel()));
  ReturnFocus();
}

void CFontPanelDlg::ReturnFocus() {
  if (CViewServices* view = GetActiveView()) view->TakeFocus();
}

void CFontPanelDlg::OnSizeEdited() {
  if (sizeEdited_) ApplySize(GetDlgItemText(IDC_PANEL_SIZE));
}

void CFontPanelDlg::ApplySize(const std::string& text) {
  sizeChanged_ = true;
  SetDlgItemText(IDC_PANEL_SIZE, text);
  OnOK();
}

void CFontPanelDlg::PutSizeOnTop(const std::string& text) {
  auto* sizes = Item<CComboBox>(IDC_PANEL_SIZE);
  if (!sizes) return;
  for (int i = sizes->GetCount() - 1; i >= 0; --i)
    if (sizes->GetLBText(i) == text) sizes->DeleteString(UINT(i));
  sizes->InsertString(0, text);
  while (sizes->GetCount() > kSizeListLength) sizes->DeleteString(UINT(sizes->GetCount() - 1));
  sizes->SetWindowText(text);
}

void CFontPanelDlg::OnOK() {
  auto* sources = Item<CComboBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  const int font = fonts ? fonts->GetCurSel() : -1;
  const int code = sources ? sources_.CodeAt(sources->GetCurSel()) : -1;
  if (font < 0 || code < 0) {
    plat::MessageBeep(0);
    fontChanged_ = sizeChanged_ = sizeEdited_ = false;
    return;
  }
  std::uint32_t mask = 0;
  sizeChanged_ = sizeChanged_ || sizeEdited_;
  if (fontChanged_) {
    SetRecordFont(record_, std::uint16_t(code), font);
    mask |= FONT_CHANGE_FONT;
  }
  const std::string sizeText = GetDlgItemText(IDC_PANEL_SIZE);
  const float size = ParseSettingFloat(sizeText.c_str());
  if (sizeChanged_ && size > 0.0f && std::isfinite(size)) {
    record_.sizeX = record_.sizeY = size;
    mask |= FONT_CHANGE_SIZE;
    PutSizeOnTop(Format2(size));
  }
  fontChanged_ = sizeChanged_ = sizeEdited_ = false;
  if (!mask) return;
  CViewServices* view = GetActiveView();
  CDesignViewServices* dv = view ? view->GetDesignView() : nullptr;
  if (dv && ViewHasSelection(view)) {
    pathnodes::UndoBracket bracket(view, 0);
    if (dv->SetTextAttributes(&record_, mask)) return;
  }
  CTextAttr& defaults = DefaultTextAttr();
  if (mask & FONT_CHANGE_SIZE) {
    defaults.sizeX = defaults.sizeY = size;
    g_Profile.WriteFloat(kSection, "FontSizeX", size);
    g_Profile.WriteFloat(kSection, "FontSizeY", size);
  }
  if (mask & FONT_CHANGE_FONT) {
    SetRecordFont(defaults, std::uint16_t(code), font);
    StoreSlotFont(std::uint16_t(code), font);
  }
}

void CFontPanelDlg::OnFontDropDown() {
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  if (!fonts) return;
  if (!preview_) {
    preview_ = std::make_unique<CFontPreviewDlg>();
    if (!preview_->Create(this)) {
      preview_.reset();
      return;
    }
  }
  RECT list, panel, own;
  fonts->GetDroppedControlRect(&list);
  GetWindowRect(&panel);
  preview_->GetWindowRect(&own);
  preview_->record = record_;
  preview_->SetWindowPos(nullptr, list.right, list.top + panel.height(), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  preview_->ShowWindow(SW_SHOWNOACTIVATE);
}

void CFontPanelDlg::OnFontCloseUp() {
  if (preview_ && preview_->m_hWnd) preview_->ShowWindow(SW_HIDE);
}

void CFontPanelDlg::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  auto* fonts = Item<CComboBox>(IDC_PANEL_FONT);
  if (UINT(id) != IDC_PANEL_FONT || !dis || !dis->hDC || !fonts) return CDialog::OnDrawItem(id, dis);
  const int item = int(dis->itemID);
  if (item < 0 || item >= fonts->GetCount()) return;
  // Only the dropped list shows the highlight; the closed box reads black on white.
  const bool highlighted = (dis->itemState & ODS_SELECTED) != 0 && fonts->GetDroppedState();
  plat::HDC dc = dis->hDC;
  dc->FillSolidRect(dis->rcItem, highlighted ? plat::RGB(0, 0, 128) : plat::RGB(255, 255, 255));
  const plat::COLORREF oldColor = dc->SetTextColor(highlighted ? plat::RGB(255, 255, 255) : plat::RGB(0, 0, 0));
  const int oldMode = dc->SetBkMode(plat::TRANSPARENT);
  plat::Font* oldFont = dc->SelectFont(FaceNameFont());
  plat::TextOut(dc, dis->rcItem.left + 2, dis->rcItem.top + 1, plat::Utf8ToGbk(fonts->GetLBText(item)));
  dc->SelectFont(oldFont);
  dc->SetBkMode(oldMode);
  dc->SetTextColor(oldColor);
  // The highlighted font of the dropped list in the sample popup.
  auto* sources = Item<CComboBox>(IDC_FONT_SOURCE);
  const int code = sources ? sources_.CodeAt(sources->GetCurSel()) : -1;
  if (highlighted && preview_ && preview_->m_hWnd && code >= 0) {
    SetRecordFont(preview_->record, std::uint16_t(code), item);
    plat::HDC pdc = preview_->GetDC();
    preview_->Paint(pdc);
    preview_->ReleaseDC(pdc);
  }
}

// --- Font Setting -------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CFontSetDlg, CDialog)
FW_ON_LBN_SELCHANGE(IDC_FONT_SOURCE, OnSourceChanged)
FW_ON_LBN_SELCHANGE(IDC_FONT_LIST, OnFontChanged)
FW_ON_CBN_SELCHANGE(IDC_FONT_LANGUAGE, OnLanguageChanged)
FW_ON_EN_CHANGE(IDC_FONT_SIZE_X, OnSizeEdited)
FW_ON_EN_CHANGE(IDC_FONT_SIZE_Y, OnSizeEdited)
FW_ON_EN_CHANGE(IDC_FONT_ANGLE, OnAngleEdited)
FW_ON_EN_CHANGE(IDC_FONT_SKEW_X, OnSkewEdited)
FW_ON_EN_CHANGE(IDC_FONT_SKEW_Y, OnSkewEdited)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_FONT_SPIN_X, OnSpin)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_FONT_SPIN_Y, OnSpin)
FW_END_COMMAND_MAP()

CFontSetDlg::CFontSetDlg() : CDialog(IDD_FONT_SET) {}

BOOL CFontSetDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  filling_ = true;
  CViewServices* view = GetActiveView();
  record_ = LoadRecord(view);
  sampleCode_ = FirstSelectedCode(view);
  SetDlgItemText(IDC_FONT_SIZE_X, Format2(record_.sizeX));
  SetDlgItemText(IDC_FONT_SIZE_Y, Format2(record_.sizeY));
  SetDlgItemText(IDC_FONT_LINE_GAP, Format2(record_.lineGap));
  SetDlgItemText(IDC_FONT_BOX_GAP, Format2(record_.boxGap));
  SetDlgItemText(IDC_FONT_ANGLE, Format2(record_.angle));
  SetDlgItemText(IDC_FONT_SKEW_X, Format2(record_.skewX));
  SetDlgItemText(IDC_FONT_SKEW_Y, Format2(record_.skewY));
  if (auto* slider = Item<CSliderCtrl>(IDC_FONT_SLIDER)) {
    slider->SetRange(0, kSliderMax);
    slider->SetPos(int(record_.sizeY));
  }
  if (auto* languages = Item<CComboBox>(IDC_FONT_LANGUAGE)) {
    SetItems(*languages, LanguageNames());
    languages->SetCurSel(g_Language.FindId(std::uint8_t(record_.currentFont & 0xFF)));
  }
  if (auto* sources = Item<CListBox>(IDC_FONT_SOURCE)) {
    SetItems(*sources, sources_.FillAll());
    const int index = sources_.IndexOf(record_.currentFont);
    if (index >= 0) {
      sources->SetCurSel(index);
      ListFonts(record_.fontId[FontSlotOf(record_.currentFont)]);
    }
  }
  filling_ = false;
  mask_ = 0;
  return TRUE;
}

void CFontSetDlg::ListFonts(int select) {
  auto* sources = Item<CListBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CListBox>(IDC_FONT_LIST);
  if (!sources || !fonts) return;
  fonts->ResetContent();
  const int code = sources_.CodeAt(sources->GetCurSel());
  if (code < 0) return;
  for (const std::string& name : FontSourceNames(std::uint8_t(code & 0xFF), (code >> 8) & 15))
    fonts->AddString(plat::GbkToUtf8(name));
  if (select >= 0 && select < fonts->GetCount()) fonts->SetCurSel(select);
}

void CFontSetDlg::OnSourceChanged() { ListFonts(-1); }

void CFontSetDlg::OnFontChanged() {
  auto* sources = Item<CListBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CListBox>(IDC_FONT_LIST);
  const int code = sources ? sources_.CodeAt(sources->GetCurSel()) : -1;
  const int font = fonts ? fonts->GetCurSel() : -1;
  if (code < 0 || font < 0) return;
  SetRecordFont(record_, std::uint16_t(code), font);
  Mark(FONT_CHANGE_FONT);
  DrawPreview();
}

void CFontSetDlg::OnLanguageChanged() {
  auto* languages = Item<CComboBox>(IDC_FONT_LANGUAGE);
  auto* sources = Item<CListBox>(IDC_FONT_SOURCE);
  if (!languages || !sources) return;
  SetItems(*sources, sources_.FillSlot(languages->GetCurSel()));
  const int kind = (record_.currentFont >> 8) & 15;
  if (kind < sources->GetCount()) sources->SetCurSel(kind);
  ListFonts(-1);
}

void CFontSetDlg::OnSpin(NMHDR* hdr, LRESULT* result) {
  *result = 1;  // the step is taken here
  const UINT id = hdr->idFrom == IDC_FONT_SPIN_X ? IDC_FONT_SIZE_X : IDC_FONT_SIZE_Y;
  const float value = ValueOf(*this, id) + float(SpinDirection(hdr));
  if (value < 0.0f) return;
  SetDlgItemText(id, Format2(value));
  Mark(FONT_CHANGE_SIZE);
}

void CFontSetDlg::OnSlider(UINT code, UINT pos) {
  float y = ValueOf(*this, IDC_FONT_SIZE_Y);
  switch (code) {
    case SB_LINEUP: y -= 1.0f; break;
    case SB_LINEDOWN: y += 1.0f; break;
    case SB_PAGEUP: y -= 20.0f; break;
    case SB_PAGEDOWN: y += 20.0f; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: y = float(pos); break;
    default: return;
  }
  y = std::max(y, 0.0f);
  if (auto* slider = Item<CSliderCtrl>(IDC_FONT_SLIDER)) slider->SetPos(int(y));
  SetDlgItemText(IDC_FONT_SIZE_Y, Format2(y));
  Mark(FONT_CHANGE_SIZE);
}

void CFontSetDlg::OnHScroll(UINT code, UINT pos, CWnd* bar) {
  if (bar && bar->GetDlgCtrlID() == int(IDC_FONT_SLIDER)) return OnSlider(code, pos);
  CDialog::OnHScroll(code, pos, bar);
}

void CFontSetDlg::OnVScroll(UINT code, UINT pos, CWnd* bar) {
  if (bar && bar->GetDlgCtrlID() == int(IDC_FONT_SLIDER)) return OnSlider(code, pos);
  CDialog::OnVScroll(code, pos, bar);
}

void CFontSetDlg::OnPaint() {
  CDialog::OnPaint();
  DrawPreview();
}

void CFontSetDlg::DrawPreview() {
  PreviewFrame frame(*this);
  plat::HDC dc = frame.dc;
  if (!dc) return;
  const auto language = std::uint8_t(record_.currentFont & 0xFF);
  std::vector<std::uint16_t> codes = SettingSample(language);
  if (sampleCode_ && SuitsLanguage(language, sampleCode_)) codes = {sampleCode_};
  DrawCodes(dc, codes, language, record_, 60.0f, 5.0f, 65.0f);
}

void CFontSetDlg::OnOK() {
  auto fail = [](const char* message) {
    plat::MessageBox(std::string("     ") + message + "     ", kErrorCaption, plat::MB_OK | plat::MB_ICONSTOP);
  };
  const float sizeX = ValueOf(*this, IDC_FONT_SIZE_X), sizeY = ValueOf(*this, IDC_FONT_SIZE_Y);
  const float skewX = ValueOf(*this, IDC_FONT_SKEW_X), skewY = ValueOf(*this, IDC_FONT_SKEW_Y);
  auto* sources = Item<CListBox>(IDC_FONT_SOURCE);
  auto* fonts = Item<CListBox>(IDC_FONT_LIST);
  const int code = sources ? sources_.CodeAt(sources->GetCurSel()) : -1;
  const int font = fonts ? fonts->GetCurSel() : -1;
  if (!(sizeX > 0.0f) || !(sizeY > 0.0f)) return fail("  字号<=0  ");
  if (!(std::fabs(skewX) <= 60.0f) || !(std::fabs(skewY) <= 60.0f)) return fail(" -60 < 倾斜向度 < 60");
  if (code < 0) return fail(" 请选择一种字体类型 ");
  if (font < 0) return fail(" 请选择一种字体 ");

  record_.sizeX = sizeX;
  record_.sizeY = sizeY;
  record_.skewX = skewX;
  record_.skewY = skewY;
  record_.angle = ValueOf(*this, IDC_FONT_ANGLE);
  record_.lineGap = ValueOf(*this, IDC_FONT_LINE_GAP);
  record_.boxGap = ValueOf(*this, IDC_FONT_BOX_GAP);
  SetRecordFont(record_, std::uint16_t(code), font);

  CViewServices* view = GetActiveView();
  CDesignViewServices* dv = view ? view->GetDesignView() : nullptr;
  bool applied = false;
  if (dv && ViewHasSelection(view)) {
    pathnodes::UndoBracket bracket(view, 0);
    applied = dv->SetTextAttributes(&record_, mask_) != 0;
  }
  if (!applied) {
    if (sizeX > 1.0f) g_Profile.WriteFloat(kSection, "FontSizeX", sizeX);
    if (sizeY > 1.0f) g_Profile.WriteFloat(kSection, "FontSizeY", sizeY);
    g_Profile.WriteFloat(kSection, "FontAngle", record_.angle);
    g_Profile.WriteFloat(kSection, "FontSkewX", skewX);
    g_Profile.WriteFloat(kSection, "FontSkewY", skewY);
    g_Profile.WriteFloat(kSection, "LineGaps", record_.lineGap);
    g_Profile.WriteFloat(kSection, "BoxGaps", record_.boxGap);
    StoreSlotFont(std::uint16_t(code), font);
    DefaultTextAttr().Assign(record_);
  }
  EndDialog(IDOK);
}

// --- Baseline Setting ---------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CBaseLineDlg, CDialog)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_BASE_SPIN, OnSpin)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_BASE_SCALE_SPIN, OnSpin)
FW_END_COMMAND_MAP()

CBaseLineDlg::CBaseLineDlg() : CDialog(IDD_BASELINE) {}

BOOL CBaseLineDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_BASE_VALUE, g_Profile.GetString(kSection, "EnBaseLine", "0.20"));
  SetDlgItemText(IDC_BASE_SCALE, std::to_string(g_Profile.GetInt(kSection, "EnZoom", 100)));
  return TRUE;
}

void CBaseLineDlg::OnSpin(NMHDR* hdr, LRESULT* result) {
  *result = 1;  // the step is taken here
  const int direction = SpinDirection(hdr);
  if (hdr->idFrom == IDC_BASE_SPIN) {
    // In hundredths, so that 0.45 + 0.05 reaches the limit exactly.
    const long next = std::lround(double(ValueOf(*this, IDC_BASE_VALUE)) * 100.0) + 5 * direction;
    if (next < -50 || next > 50) return;
    SetDlgItemText(IDC_BASE_VALUE, Format2(double(next) / 100.0));
  } else {
    const long next = std::lround(ValueOf(*this, IDC_BASE_SCALE)) + direction;
    if (next < 50 || next > 200) return;
    SetDlgItemText(IDC_BASE_SCALE, std::to_string(next));
  }
  DrawPreview();
}

void CBaseLineDlg::OnPaint() {
  CDialog::OnPaint();
  DrawPreview();
}

void CBaseLineDlg::DrawPreview() {
  PreviewFrame frame(*this);
  plat::HDC dc = frame.dc;
  if (!dc) return;
  const float scale = ValueOf(*this, IDC_BASE_SCALE);
  if (scale >= 50.0f) {
    const int oldScale = g_FontCatalog.scaleX;
    const float oldDescent = g_FontCatalog.descent;
    g_FontCatalog.scaleX = int(scale);
    g_FontCatalog.descent = ValueOf(*this, IDC_BASE_VALUE);
    const CTextAttr& attr = DefaultTextAttr();
    std::vector<std::uint16_t> codes;
    for (const char* p = "SkelPagebrin"; *p; ++p) codes.push_back(std::uint8_t(*p));
    DrawCodes(dc, codes, attr.singleByteLanguage, attr, 50.0f, 5.0f, 55.0f);
    g_FontCatalog.scaleX = oldScale;
    g_FontCatalog.descent = oldDescent;
  }
}

void CBaseLineDlg::OnOK() {
  const float scale = ValueOf(*this, IDC_BASE_SCALE);
  if (!(scale >= 50.0f)) return;
  const float base = ValueOf(*this, IDC_BASE_VALUE);
  g_FontCatalog.scaleX = int(scale);
  g_FontCatalog.descent = base;
  g_Profile.WriteString(kSection, "EnBaseLine", Format2(base).c_str());
  g_Profile.WriteInt(kSection, "EnZoom", int(scale));
  EndDialog(IDOK);
  if (CViewServices* view = GetActiveView()) view->RepaintView(true);
}

// --- Code-table input ---------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CQuWeiDlg, CDialog)
FW_ON_LBN_SELCHANGE(IDC_CODE_LIST, OnItemChosen)
FW_ON_LBN_DBLCLK(IDC_CODE_LIST, OnItemDoubleClick)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_CODE_ZONE_SPIN, OnSpin)
FW_ON_NOTIFY(UDN_DELTAPOS, IDC_CODE_PAGE_SPIN, OnSpin)
FW_END_COMMAND_MAP()

CQuWeiDlg::CQuWeiDlg() : CDialog(IDD_CODE_TABLE) {}

BOOL CQuWeiDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  zone_ = position_ = kZoneFirst;
  if (auto* list = Item<CListBox>(IDC_CODE_LIST)) list->SetColumnWidth(kCodeColumn);
  FillZone();
  return TRUE;
}

void CQuWeiDlg::FillZone() {
  if (auto* list = Item<CListBox>(IDC_CODE_LIST)) {
    list->ResetContent();
    for (int p = 0; p < kPositions; ++p) {
      const char bytes[2] = {char(zone_), char(kZoneFirst + p)};
      list->AddString(plat::GbkToUtf8(std::string(bytes, 2)));
    }
  }
  ShowCode();
}

void CQuWeiDlg::ShowCode() {
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d", zone_ - 160, position_ - 160);
  SetDlgItemText(IDC_CODE_TEXT, text);
}

void CQuWeiDlg::OnItemChosen() {
  auto* list = Item<CListBox>(IDC_CODE_LIST);
  const int item = list ? list->GetCurSel() : -1;
  if (item < 0 || item >= kPositions) return;
  position_ = kZoneFirst + item;
  ShowCode();
}

void CQuWeiDlg::OnItemDoubleClick() {
  OnItemChosen();
  CViewServices* view = GetActiveView();
  if (!view) return;
  view->TakeFocus();
  view->PostChar(std::uint32_t(zone_));
  view->PostChar(std::uint32_t(position_));
}

void CQuWeiDlg::OnSpin(NMHDR* hdr, LRESULT* result) {
  *result = 1;  // the step is taken here
  const int delta = reinterpret_cast<NMUPDOWN*>(hdr)->iDelta;
  if (hdr->idFrom == IDC_CODE_ZONE_SPIN) {
    const int zone = zone_ + (delta <= 0 ? -1 : 1);
    if (zone < kZoneFirst || zone > kZoneLast) return;
    zone_ = zone;
    position_ = kZoneFirst;
    FillZone();
    return;
  }
  auto* list = Item<CListBox>(IDC_CODE_LIST);
  if (!list) return;
  RECT client;
  list->GetClientRect(&client);
  const int step = std::max(1, client.width() / kCodeColumn - 1);
  const int top = list->GetTopIndex() + (delta >= 0 ? -step : step);
  list->SetTopIndex(std::clamp(top, 0, kPositions - 1));
}

void CQuWeiDlg::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (CWnd* list = GetDlgItem(IDC_CODE_LIST)) list->MoveWindow(0, kCodeLine, cx, std::max(0, cy - kCodeLine));
}

void CQuWeiDlg::OnCancel() { ShowWindow(SW_HIDE); }
