// A file imported as the design program imports it: the first byte picks the
// extension, the rest is the file. Plug-in types go through "Import.dll"
// loaded by name from the program folder and both its read entry points;
// what comes back is unpacked as an object list.
#include <string>

#include "app/importcmd.h"
#include "fuzz/fuzz_util.h"
#include "model/filetype.h"
#include "model/segarray.h"
#include "platform/gmem.h"

namespace {

void TakeObjects(plat::HGLOBAL block) {
  if (!block) return;
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(block);
  plat::GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static CImportDll plugin;
  static const bool loaded = plugin.Load() != nullptr;
  (void)loaded;
  static const auto nFilterRead = reinterpret_cast<CImportDll::FilterReadFn>(plugin.GetProc("NFilterRead"));
  if (size == 0) return 0;
  static const char* const kNames[] = {"in.plt", "in.hgl", "in.eps", "in.ai", "in.dxf", "in.txt", "in", "in.v98",
                                       "in.v95", "in.cut"};
  const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  const std::string path = fuzz::WriteScratchFile(name, data + 1, size - 1);
  const int type = GetFileTypeByExtension(path);
  plat::HGLOBAL objects = 0, text = 0;
  ReadImportFile(path, type, &plugin, &objects, &text);
  TakeObjects(objects);
  if (text) {
    plat::GlobalLockGuard lock(text);
    fuzz::Require(lock && plat::GlobalSize(text) >= size - 1, "the text block holds the file");
  }
  if (text) plat::GlobalFree(text);
  if (plugin.Usable() && type >= kImportPlt && type <= kImportDxf) {
    TakeObjects(plugin.dllFilterRead(path.c_str(), 1));
    if (nFilterRead) TakeObjects(nFilterRead(path.c_str(), 0));
  }
  return 0;
}
