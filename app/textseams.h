// What the application calls of the font and text layers, behind one narrow
// seam each until those layers are in the program: text defaults and their
// TM state, the language table, the font catalogue, the mounted graphic
// libraries, the document font table and the Replace Fonts dialog.
#pragma once
#include <cstdint>

#include "platform/gmem.h"

class CFileServices;
class CSegArray;

namespace appseam {

// The running text attributes from the profile (CTextAttr::LoadDefaults).
void LoadTextDefaults();
// The running attributes' TM state, written as "TMState" at exit.
std::uint16_t GetTextTMState();
// The language table of the main settings file (CLanguage::Load).
void LoadLanguageTable();
// The installed fonts into the font catalogue.
void EnumWindowsFonts();
// The own vector font files of every language slot.
void ScanCftMounts();
// The graphic libraries of the library folder; their count.
int ScanMountedLibraries();

// The document font table at the file's position; non-zero on success.
int WriteFontTable(CFileServices& file);
// The document font table at the file's position into one block (the caller
// frees it); 0 when it does not fit the file.
plat::HGLOBAL ReadFontTable(CFileServices& file);
// Lets the user map the design's fonts to installed ones.
void ReplaceFonts(plat::HGLOBAL fontTable, CSegArray& objects);

}  // namespace appseam
