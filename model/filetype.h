// Document and image file types by the extension of a file name.
#pragma once
#include <string>

// Type codes of the file types by extension.
enum ImportFileType : int {
  kImportCancelled = -1,
  kImportDocument = 0,     // ".V98", ".T98"
  kImportOldDocument = 1,  // ".V95" and every extension not listed
  kImportText = 2,         // ".TXT", no extension, "."
  kImportPlt = 3,
  kImportEps = 4,
  kImportCut = 5,
  kImportDxf = 6,
  kImportTif = 7,
  kImportBmp = 8,
  kImportCv5 = 9,
};

// The type of a path by the extension of its file name (any case).
int GetFileTypeByExtension(const std::string& path);
