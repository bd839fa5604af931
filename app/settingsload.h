// Program-wide values of the design application and the staged settings
// loader that start-up, new documents and the settings dialogs run.
#pragma once
#include <cstdint>

namespace fw {
class CWnd;
}

// Stage bits of LoadAppSettings.
constexpr unsigned SETTINGS_LAYOUT = 1;     // text defaults, AutoFill, AutoBD
constexpr unsigned SETTINGS_FONTS = 2;      // languages, fonts, mounts, graphic libraries
constexpr unsigned SETTINGS_PALETTE = 4;    // "PALETTE.INI"
constexpr unsigned SETTINGS_CLIPBOARD = 8;  // the private clipboard formats
constexpr unsigned SETTINGS_ALL = 15;

// The program name in the clipboard format names.
inline constexpr char kClipboardProgramName[] = "CutterVorlan V60";
// The private clipboard formats "<program name> - [<tag>]", registered in this order.
inline constexpr const char* kClipboardFormatTags[7] = {"TextBoxes", "TextSeg", "Graph",   "Glyph",
                                                        "Group",     "SEGMULTI", "OBJMULTI"};

struct AppGlobals {
  std::uint16_t systemLanguageId = 0;
  std::uint32_t serviceSwitch = 0;  // 1 with "/Vorlan" on the command line
  std::uint32_t clipboardFormats[7] = {};
  std::uint32_t autoFill = 1;
  std::uint32_t autoBD = 1;
};
AppGlobals& TheAppGlobals();

// Runs the stages whose bits are set, in the fixed order clipboard, layout,
// palette, fonts; with a status window each stage's text goes into its
// control 1184 before the work.
void LoadAppSettings(unsigned stages, fw::CWnd* statusWindow);
