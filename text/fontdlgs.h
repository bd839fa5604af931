// The font dialogs: the font panel of the mode bar with its sample popup,
// "Font Setting", "Baseline Setting" and the code-table input window.
//
// A font is named by its font-source code ((kind << 8) | language ID) and
// its entry index in that source. The source boxes list labels; the codes
// stand at the same positions in a parallel list the dialog keeps.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "text/textattr.h"

class CViewServices;

constexpr std::uint32_t IDD_FONT_PANEL = 103;
constexpr std::uint32_t IDD_FONT_SET = 174;
constexpr std::uint32_t IDD_BASELINE = 175;
constexpr std::uint32_t IDD_CODE_TABLE = 211;
constexpr std::uint32_t IDD_FONT_PREVIEW = 288;

constexpr std::uint32_t IDC_FONT_SOURCE = 1099;
constexpr std::uint32_t IDC_FONT_LANGUAGE = 1030;
constexpr std::uint32_t IDC_PANEL_FONT = 1100;
constexpr std::uint32_t IDC_PANEL_SIZE = 1027;
constexpr std::uint32_t IDC_FONT_LIST = 1098;
constexpr std::uint32_t IDC_FONT_SIZE_X = 1101;
constexpr std::uint32_t IDC_FONT_SIZE_Y = 1102;
constexpr std::uint32_t IDC_FONT_SPIN_X = 1204;
constexpr std::uint32_t IDC_FONT_SPIN_Y = 1205;
constexpr std::uint32_t IDC_FONT_SLIDER = 1207;
constexpr std::uint32_t IDC_FONT_BOX_GAP = 1208;
constexpr std::uint32_t IDC_FONT_LINE_GAP = 1209;
constexpr std::uint32_t IDC_FONT_ANGLE = 1177;
constexpr std::uint32_t IDC_FONT_SKEW_X = 1178;
constexpr std::uint32_t IDC_FONT_SKEW_Y = 1179;
constexpr std::uint32_t IDC_FONT_PREVIEW = 1158;
constexpr std::uint32_t IDC_BASE_VALUE = 1215;
constexpr std::uint32_t IDC_BASE_SPIN = 1217;
constexpr std::uint32_t IDC_BASE_SCALE = 1219;
constexpr std::uint32_t IDC_BASE_SCALE_SPIN = 1220;
constexpr std::uint32_t IDC_CODE_LIST = 1098;
constexpr std::uint32_t IDC_CODE_TEXT = 1364;
constexpr std::uint32_t IDC_CODE_ZONE_SPIN = 1362;
constexpr std::uint32_t IDC_CODE_PAGE_SPIN = 1363;

// Change mask handed to the view with the attributes.
constexpr std::uint32_t FONT_CHANGE_SIZE = 1;
constexpr std::uint32_t FONT_CHANGE_FONT = 2;
constexpr std::uint32_t FONT_CHANGE_ANGLE = 4;
constexpr std::uint32_t FONT_CHANGE_SKEW = 8;

// Registers the templates of the five windows.
void RegisterFontDialogResources();

// The character codes of a language's sample (two-byte codes for 129, 133,
// 134 and the kept samples of 128 and 136; a missing trail byte reads 0xA1).
std::vector<std::uint16_t> BuildFontSampleText(std::uint8_t languageId);
// The kept sample bytes of language 128 or 136 (empty until set).
void SetKeptFontSample(std::uint8_t languageId, const std::string& bytes);

// The source boxes' common part: the labels (UTF-8) a box shows, and the
// codes at the same positions.
class CFontSourceChoice {
 public:
  // Every source of every named language slot.
  std::vector<std::string> FillAll();
  // The sources of one slot: WinFonts, TTFFonts, then each mount.
  std::vector<std::string> FillSlot(int slot);
  // The code at a position; -1 outside.
  int CodeAt(int index) const;
  // The position of a code (low 12 bits compared); -1 when absent.
  int IndexOf(std::uint16_t code) const;
  int Count() const { return int(codes_.size()); }

 private:
  std::vector<int> codes_;
};

// The slot of a font-source code's language, slot 0 when it has none.
int FontSlotOf(std::uint16_t code);
// Notes a font in a record: the slot's type and id, and the current-font word.
void SetRecordFont(CTextAttr& attr, std::uint16_t code, int index);
// True when the design view has a selected or an edited object.
bool ViewHasSelection(CViewServices* view);

// The sample popup of the font panel: the sample of its record's language in
// its record's font.
class CFontPreviewDlg : public fw::CDialog {
 public:
  CFontPreviewDlg();
  fw::BOOL Create(fw::CWnd* parent);
  void OnPaint() override;
  // Paints into a device context of the client area.
  void Paint(plat::HDC dc);
  CTextAttr record;
};

// The font panel (dialog 103), a child of the mode bar in text mode.
class CFontPanelDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CFontPanelDlg();
  ~CFontPanelDlg() override;
  fw::BOOL Create(fw::CWnd* parent);
  fw::BOOL OnInitDialog() override;

  // Loads the record from the defaults and the selected text and shows it.
  void UpdateControls();
  // Lists the fonts of the chosen source; sets the default languages.
  void FillFonts();
  // Applies the chosen font and size to the selected text or the defaults.
  void OnOK() override;
  void OnCancel() override {}
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;

  const CTextAttr& Record() const { return record_; }
  CFontPreviewDlg* GetPreview() const { return preview_.get(); }

 private:
  void OnSourceChanged();
  void OnLanguageChanged();
  void OnFontChanged();
  void OnSizeChosen();
  void OnSizeTyped() { sizeEdited_ = true; }
  void OnSizeEdited();
  void OnFontDropDown();
  void OnFontCloseUp();
  // The keyboard goes back to the design after a choice in the panel.
  void ReturnFocus();
  void ApplySize(const std::string& text);
  void PutSizeOnTop(const std::string& text);

  CTextAttr record_;
  CFontSourceChoice sources_;
  std::unique_ptr<CFontPreviewDlg> preview_;
  bool fontChanged_ = false;
  bool sizeChanged_ = false;
  bool sizeEdited_ = false;  // typed into since the last apply
};

// "Font Setting" (dialog 174).
class CFontSetDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CFontSetDlg();
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnSourceChanged();
  void OnFontChanged();
  void OnLanguageChanged();
  void OnHScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnPaint() override;
  void DrawPreview();

  std::uint32_t GetChangeMask() const { return mask_; }
  const CTextAttr& Record() const { return record_; }

 private:
  void OnSizeEdited() { Mark(FONT_CHANGE_SIZE); }
  void OnAngleEdited() { Mark(FONT_CHANGE_ANGLE); }
  void OnSkewEdited() { Mark(FONT_CHANGE_SKEW); }
  void Mark(std::uint32_t bits) {
    if (!filling_) mask_ |= bits;
  }
  void OnSpin(fw::NMHDR* hdr, fw::LRESULT* result);
  void OnSlider(fw::UINT code, fw::UINT pos);
  void ListFonts(int select);

  CTextAttr record_;
  CFontSourceChoice sources_;
  std::uint32_t mask_ = 0;
  bool filling_ = false;
  std::uint16_t sampleCode_ = 0;  // the selected text's first character
};

// "Baseline Setting" (dialog 175).
class CBaseLineDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CBaseLineDlg();
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnPaint() override;
  void DrawPreview();

 private:
  void OnSpin(fw::NMHDR* hdr, fw::LRESULT* result);
};

// The code-table input window (dialog 211, modeless): the 94 characters of a
// GB zone; a double click types the chosen one into the active view.
class CQuWeiDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CQuWeiDlg();
  fw::BOOL OnInitDialog() override;
  void OnSize(fw::UINT type, int cx, int cy) override;
  void OnOK() override {}
  void OnCancel() override;

  int GetZone() const { return zone_; }
  int GetPosition() const { return position_; }

 private:
  void FillZone();
  void ShowCode();
  void OnItemChosen();
  void OnItemDoubleClick();
  void OnSpin(fw::NMHDR* hdr, fw::LRESULT* result);

  int zone_ = 161;
  int position_ = 161;
};
