// The plug-in's entry points. Nothing else leaves the library (see the
// linker version scripts).
#include <cstdint>
#include <cstring>

#include "importfilter/dxfreader.h"
#include "importfilter/epsreader.h"
#include "importfilter/filetype.h"
#include "importfilter/pltreader.h"
#include "platform/gmem.h"
#include "platform/version.h"

#define IMPORT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

#ifdef TINDREL_IMPORT_OLD
constexpr char kFilters[] = "PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS;*.AI)|*.EPS;*.AI|";
#else
constexpr char kFilters[] =
    "PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS;*.AI)|*.EPS;*.AI|AutoCad (R12-R14)(*.DXF)|*.DXF||";
#endif

}  // namespace

IMPORT_EXPORT int CanUse(float version) { return version == 6.0f ? 1 : 0; }

IMPORT_EXPORT int GetFilters(char* buffer) {
  if (!buffer) return int(sizeof kFilters - 1);
  std::memcpy(buffer, kFilters, sizeof kFilters);
  return 2;
}

IMPORT_EXPORT std::uint32_t GetVersion() { return plat::GetVersion(); }

#ifdef TINDREL_IMPORT_OLD

IMPORT_EXPORT plat::HGLOBAL FilterRead(const char* path) {
  if (!path) return 0;
  switch (imp::GetImportFileType(path)) {
    case imp::IT_PLT: return imp::CPltReader().Read(path, 0);
    case imp::IT_EPS: return imp::CEpsReader().Read(path, 0);
    default: return 0;
  }
}

#else

IMPORT_EXPORT plat::HGLOBAL FilterRead(const char* path, std::uint32_t value) {
  if (!path) return 0;
  imp::CPltReader plt;
  switch (imp::GetImportFileType(path)) {
    case imp::IT_EPS: return imp::CEpsReader().Read(path, value);
    case imp::IT_DXF: return imp::CDxfReader().Read(path, value);
    case imp::IT_PLT_COLON: plt.colonMode = true; [[fallthrough]];
    case imp::IT_PLT:
    case imp::IT_HPGL_ASCII:
    case imp::IT_HPGL_HIGH: return plt.Read(path, value);
    default: return 0;
  }
}

IMPORT_EXPORT plat::HGLOBAL NFilterRead(const char* path, std::uint32_t value) {
  if (!path) return 0;
  switch (imp::GetImportFileType(path)) {
    case imp::IT_PLT:
    case imp::IT_HPGL_ASCII:
    case imp::IT_HPGL_HIGH: return imp::CPltReader().ReadWithLabels(path, value);
    case imp::IT_EPS: return imp::CEpsReader().Read(path, value);
    case imp::IT_DXF: return imp::CDxfReader().Read(path, value);
    default: return 0;
  }
}

#endif
