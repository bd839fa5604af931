#include "app/textseams.h"

#include "model/segarray.h"
#include "platform/bytes.h"
#include "text/textattr.h"
#include "text/textobject.h"

namespace appseam {

// The default text attributes; text records are read from here on.
void LoadTextDefaults() {
  RegisterTextRecordReaders();
  DefaultTextAttr().LoadDefaults();
}
std::uint16_t GetTextTMState() { return DefaultTextAttr().tmState; }

void LoadLanguageTable() {}
void EnumWindowsFonts() {}
void ScanCftMounts() {}
int ScanMountedLibraries() { return 0; }

// A table of no fonts: its size field 0.
int WriteFontTable(CFileServices& file) {
  std::uint8_t size[4];
  plat::PutU32(size, 0);
  return file.Write(size, sizeof size) ? 1 : 0;
}

// The size field n x 14 and the records, bounded by the file; the font data
// that the records point at is not needed while no font can be replaced.
plat::HGLOBAL ReadFontTable(CFileServices& file) {
  std::uint8_t head[4];
  if (file.Read(head, 4) != 4) return 0;
  const std::uint32_t size = plat::GetU32(head);
  const std::uint64_t pos = file.GetPosition();
  const std::uint64_t length = file.GetLength();
  if (size % 14 != 0 || size > (length > pos ? length - pos : 0)) return 0;
  plat::HGLOBAL block = plat::GlobalAlloc(plat::GHND, 4 + std::size_t(size));
  if (!block) return 0;
  bool ok;
  {
    plat::GlobalLockGuard lock(block);
    plat::PutU32(lock.bytes(), size);
    ok = file.Read(lock.bytes() + 4, size) == size;
  }
  if (!ok) {
    plat::GlobalFree(block);
    return 0;
  }
  return block;
}

void ReplaceFonts(plat::HGLOBAL, CSegArray&) {}

}  // namespace appseam
