// Import file types: by content first, then by extension.
#pragma once
#include <cstddef>

namespace imp {

enum ImportType : int {
  IT_UNKNOWN = 0,
  IT_TEXT = 1,
  IT_PLT = 2,
  IT_EPS = 3,
  IT_CUT = 4,
  IT_DXF = 5,
  IT_TIFF = 6,
  IT_BMP = 7,
  IT_CV5 = 8,
  IT_HPGL_ASCII = 9,
  IT_HPGL_HIGH = 10,
  IT_PLT_COLON = 11,
  IT_NOT_SNIFFED = 255,
};

// The type the first bytes of a file show (at most 390 of them), or 255.
int SniffImportBytes(const unsigned char* data, std::size_t n);
int SniffImportFileType(const char* path);
// The type of a file extension such as ".eps" (any case); 0 when unknown.
int ImportTypeOfExtension(const char* path);
int GetImportFileType(const char* path);

}  // namespace imp
