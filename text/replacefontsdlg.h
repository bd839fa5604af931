// The Replace Fonts dialog (267): the fonts a loaded design uses that are not
// installed, each mapped by the user to a font of one of its language's font
// sources. Also the templates of the text dialogs and arrangement pages.
//
// A line of list 1196: "%-40s  -[%d,%d,%d] -{%d,%d}" with the font name, the
// language id, the font type, the stored font id, then the chosen source
// index (in combo 1099) and font index (in list 1197).
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "platform/gmem.h"

class CSegArray;

constexpr std::uint32_t IDD_REPLACE_FONTS = 267;
constexpr std::uint32_t IDC_MISSING_FONTS = 1196;
constexpr std::uint32_t IDC_FONT_SOURCES = 1099;
constexpr std::uint32_t IDC_SOURCE_FONTS = 1197;

// The numbers of a list line, read from its end (a font name may hold any
// bracket). False when the line does not end in the two groups.
struct MissingFontLine {
  int language = 0, type = 0, fontId = 0;
  int source = 0, font = 0;
};
bool ParseMissingFontLine(const std::string& line, MissingFontLine& out);
// The language id and font type of a font-source line "... -[%d,%d]".
bool ParseFontSourceLine(const std::string& line, int& language, int& type);

class CReplaceFontsDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CReplaceFontsDlg();

  fw::BOOL OnInitDialog() override;
  void OnOK() override;

  // Set by the caller before the dialog runs; both stay the caller's.
  plat::HGLOBAL m_fontTable = 0;
  CSegArray* m_objects = nullptr;

 protected:
  void OnMissingChanged();
  void OnSourceChanged();
  void OnFontChanged();

 private:
  void FillMissing();
  void ShowChoice(int line);
  void FillSourceFonts();
};

// Registers the templates of the Replace Fonts dialog and of the arc, arch
// and along-path pages.
void RegisterTextDialogTemplates();
