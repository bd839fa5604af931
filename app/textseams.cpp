#include "app/textseams.h"

#include "model/segarray.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/replacefontsdlg.h"
#include "text/textattr.h"
#include "text/textobject.h"

namespace appseam {

// The default text attributes; text records are read from here on.
void LoadTextDefaults() {
  RegisterTextRecordReaders();
  DefaultTextAttr().LoadDefaults();
}
std::uint16_t GetTextTMState() { return DefaultTextAttr().tmState; }

void LoadLanguageTable() { g_Language.Load(); }
void EnumWindowsFonts() { g_FontCatalog.EnumWindowsFonts(); }
void ScanCftMounts() { g_FontCatalog.ScanCftMounts(); }
// The graphic-library list is not in the program yet: no library.
int ScanMountedLibraries() { return 0; }

int WriteFontTable(CFileServices& file) { return g_Language.WriteToFile(file); }
plat::HGLOBAL ReadFontTable(CFileServices& file) { return g_Language.ReadFromFile(file); }

// Fonts all installed: the dialog ends at once and the characters keep the
// installed fonts' indexes.
void ReplaceFonts(plat::HGLOBAL fontTable, CSegArray& objects) {
  CReplaceFontsDlg dlg;
  dlg.m_fontTable = fontTable;
  dlg.m_objects = &objects;
  dlg.DoModal();
}

}  // namespace appseam
