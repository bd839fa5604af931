#include "app/textseams.h"

#include "model/segarray.h"
#include "text/fontcatalog.h"
#include "text/graphlib.h"
#include "text/language.h"
#include "text/replacefontsdlg.h"
#include "text/libpicobject.h"
#include "text/textattr.h"
#include "text/textobject.h"

namespace appseam {

// The default text attributes; text, library picture and seal records are
// read from here on.
void LoadTextDefaults() {
  RegisterTextRecordReaders();
  RegisterLibraryRecordReaders();
  DefaultTextAttr().LoadDefaults();
}
std::uint16_t GetTextTMState() { return DefaultTextAttr().tmState; }

void LoadLanguageTable() { g_Language.Load(); }
void EnumWindowsFonts() { g_FontCatalog.EnumWindowsFonts(); }
void ScanCftMounts() { g_FontCatalog.ScanCftMounts(); }
int ScanMountedLibraries() { return g_MountLibList.ScanMountedLibraries(); }

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
