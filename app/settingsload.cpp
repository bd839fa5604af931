#include "app/settingsload.h"

#include <string>

#include "app/appids.h"
#include "app/textseams.h"
#include "framework/clipboard.h"
#include "framework/wnd.h"
#include "model/palette.h"
#include "model/services.h"
#include "model/settings.h"
#include "text/arrange.h"

namespace {

void ShowStage(fw::CWnd* window, const char* text) {
  if (!window) return;
  if (fw::CWnd* item = window->GetDlgItem(appid::IDC_LOGO_TEXT)) {
    item->SetWindowText(text);
    item->UpdateWindow();
  }
}

void RegisterFormats() {
  AppGlobals& g = TheAppGlobals();
  for (int i = 0; i < 7; ++i)
    g.clipboardFormats[i] = fw::RegisterClipboardFormat(std::string(kClipboardProgramName) + " - [" +
                                                        kClipboardFormatTags[i] + "]");
  ClipboardFormatIds& ids = RegisteredClipboardFormats();
  ids.boxItems = g.clipboardFormats[0];
  ids.objectList = g.clipboardFormats[5];
  ids.guideItems = g.clipboardFormats[6];
}

}  // namespace

AppGlobals& TheAppGlobals() {
  static AppGlobals g;
  return g;
}

void LoadAppSettings(unsigned stages, fw::CWnd* status) {
  AppGlobals& g = TheAppGlobals();
  if (stages & SETTINGS_CLIPBOARD) {
    ShowStage(status, "初始化...  裁剪板!");
    RegisterFormats();
  }
  if (stages & SETTINGS_LAYOUT) {
    ShowStage(status, "初始化...  版面!");
    appseam::LoadTextDefaults();
    g.autoFill = g_Profile.GetInt("SystemParam", "AutoFill", 1) != 0 ? 1 : 0;
    SetAutoFill(g.autoFill != 0);
    g.autoBD = g_Profile.GetInt("SystemParam", "AutoBD", 1) != 0 ? 1 : 0;
  }
  if (stages & SETTINGS_PALETTE) {
    ShowStage(status, "Initalize...  Ini");
    ShowStage(status, "Initalize...  Palette");
    ThePaletteStore().Open("PALETTE.INI");
  }
  if (stages & SETTINGS_FONTS) {
    appseam::LoadLanguageTable();
    ShowStage(status, "Initalize...  TrueType Fonts");
    appseam::EnumWindowsFonts();
    ShowStage(status, "Initalize...  Mount FH");
    appseam::ScanCftMounts();
    ShowStage(status, "Initalize...  Mount Graph Libary");
    appseam::ScanMountedLibraries();
  }
}
