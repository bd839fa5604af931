#include "model/filetype.h"

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

}  // namespace

int GetFileTypeByExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return kImportText;
  const std::string ext = Upper(name.substr(dot));
  struct Entry {
    const char* ext;
    int type;
  };
  static const Entry kTable[] = {
      {".V98", kImportDocument}, {".T98", kImportDocument}, {".V95", kImportOldDocument},
      {".TXT", kImportText},     {".", kImportText},        {".PLT", kImportPlt},
      {".EPS", kImportEps},      {".AI", kImportEps},       {".CUT", kImportCut},
      {".DXF", kImportDxf},      {".TIF", kImportTif},      {".BMP", kImportBmp},
      {".CV5", kImportCv5},
  };
  for (const Entry& e : kTable)
    if (ext == e.ext) return e.type;
  return kImportOldDocument;
}
