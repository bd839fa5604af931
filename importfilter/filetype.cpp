#include "importfilter/filetype.h"

#include <cstring>
#include <string>

#include "importfilter/filterio.h"

namespace imp {

int SniffImportBytes(const unsigned char* data, std::size_t n) {
  unsigned char buf[400] = {};
  std::memcpy(buf, data, n < 390 ? n : 390);
  if (buf[0] == 'B' && buf[1] == 'M') return IT_BMP;
  if (buf[0] == 'I' && buf[1] == 'I') return IT_TIFF;
  if (buf[0] == '%' && buf[1] == '!') return IT_EPS;
  std::size_t pos = 0;
  while (pos < 100 && buf[pos] <= 32) {
    std::size_t next = 0;
    for (std::size_t k = 1; k <= 4; ++k)
      if (buf[pos + k] > 32) {
        next = pos + k;
        break;
      }
    pos = next ? next : pos + 5;
  }
  if (buf[pos] == ';' && buf[pos + 1] == ':') return IT_PLT_COLON;
  if (buf[pos] == ';') ++pos;
  if (buf[pos] != 'I' || buf[pos + 1] != 'N') return IT_NOT_SNIFFED;
  const std::size_t text = ::strnlen(reinterpret_cast<const char*>(buf), sizeof buf);
  bool high = false;
  for (std::size_t i = 0; i < text; ++i) {
    if (buf[i] == ';') return IT_PLT;
    if (buf[i] > 128) high = true;
  }
  return high ? IT_HPGL_HIGH : IT_HPGL_ASCII;
}

int SniffImportFileType(const char* path) {
  auto head = ReadFileHead(path, 390);
  if (!head) return IT_NOT_SNIFFED;
  return SniffImportBytes(head->data(), head->size());
}

int ImportTypeOfExtension(const char* path) {
  if (!path) return IT_UNKNOWN;
  const char* base = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  const char* dot = std::strrchr(base, '.');
  if (!dot) return IT_UNKNOWN;
  std::string ext(dot);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  struct Entry {
    const char* ext;
    int type;
  };
  static const Entry kTable[] = {
      {".V95", IT_UNKNOWN}, {".TXT", IT_TEXT}, {".PLT", IT_PLT},  {".EPS", IT_EPS},
      {".AI", IT_EPS},      {".CUT", IT_CUT},  {".DXF", IT_DXF},  {".TIF", IT_TIFF},
      {".BMP", IT_BMP},     {".CV5", IT_CV5},
  };
  for (const Entry& e : kTable)
    if (ext == e.ext) return e.type;
  return IT_UNKNOWN;
}

int GetImportFileType(const char* path) {
#ifndef TINDREL_IMPORT_OLD
  const int sniffed = SniffImportFileType(path);
  if (sniffed != IT_NOT_SNIFFED) return sniffed;
#endif
  return ImportTypeOfExtension(path);
}

}  // namespace imp
