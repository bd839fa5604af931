#include "app/textseams.h"

#include "model/segarray.h"
#include "text/fontcatalog.h"
#include "text/graphlib.h"
#include "text/language.h"
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

// The Replace Fonts dialog is not in the program yet: the table is read and freed.
void ReplaceFonts(plat::HGLOBAL, CSegArray&) {}

}  // namespace appseam
