// The Import command: file types by extension, the import plug-in binding,
// the import file dialog and the routing of each file type to its reader.
#pragma once
#include <cstdint>
#include <string>

#include "model/dllholder.h"
#include "model/filetype.h"
#include "platform/gmem.h"

class CVORLAN98Doc;
class CUndoList;
class CTextEditorDlg;

// The import plug-in "Import.dll" and its four entry points.
class CImportDll : public CDllHolder {
 public:
  using GetVersionFn = std::uint32_t (*)();
  using GetFiltersFn = int (*)(char* buffer);
  using FilterReadFn = plat::HGLOBAL (*)(const char* path, std::uint32_t value);
  using CanUseFn = int (*)(float version);

  static constexpr float kInterfaceVersion = 6.0f;

  CImportDll() { SetFileName("Import.dll"); }
  // Loads and binds; null when the library cannot be loaded (the holder
  // reports it).
  plat::HMODULE Load();
  // Whether the plug-in is loaded and accepted the interface version when
  // it was loaded; a plug-in that refuses is not used.
  bool Usable() const { return usable_; }
  // The plug-in's filter text, empty when it offers none.
  std::string Filters();

  GetVersionFn dllGetVersion = nullptr;
  GetFiltersFn dllGetFilters = nullptr;
  FilterReadFn dllFilterRead = nullptr;
  CanUseFn dllCanUse = nullptr;

 private:
  bool usable_ = false;
};

// The filter of the types the program reads itself.
inline constexpr char kImportOwnFilter[] =
    "Tindrel 6.x For95/98 (*.V98)|*.V98|Tindrel 5.6x For95 (*.V95)|*.V95|Text File (*.TXT)|*.Txt|";

// The folder part of a path: up to its last '/' or '\', that separator kept
// when it is the root or follows a drive's colon.
std::string ImportFolderOf(const std::string& path);

// Reads a chosen file by its type into an object block or a text block
// (movable blocks the caller frees; either may stay null). `plugin` is used
// for the plug-in's types when it is usable.
void ReadImportFile(const std::string& path, int type, CImportDll* plugin, plat::HGLOBAL* objectBlock,
                    plat::HGLOBAL* textBlock);

// Shows the import dialog and reads the chosen file. The type code of the
// file, or -1 when the user cancels ("FilePath" is then left as it was).
int ShowImportDialog(plat::HGLOBAL* objectBlock, plat::HGLOBAL* textBlock);

// The plain open dialog of image input: existing files only, no read-only
// box. The type code of the chosen file, or -1 on cancel.
int OpenFileOfType(std::string& path, const char* title, const char* filter, const char* initialFolder);

// The Import command on a document: the objects go into the document as one
// undo step of `undo` (when given), the text into the editor (when given).
// An import that brings nothing shows "File Format error !" (an empty text
// file excepted). Returns the type code, -1 on cancel.
int RunImportCommand(CVORLAN98Doc& doc, CUndoList* undo, CTextEditorDlg* editor);
