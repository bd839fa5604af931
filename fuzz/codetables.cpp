// The GB/BIG5 tables as loaded from the program's folder, from hostile bytes:
// the input stands as both files; a damaged one is refused, and no
// conversion reads past what was loaded.
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "text/codetables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  fuzz::WriteScratchFile("BIG52GB.DAT", data, size);
  fuzz::WriteScratchFile("gb2big5.dat", data, size);
  CCodeTables tables(fuzz::ScratchFolder());
  const bool big5 = tables.LoadBig5ToGb() == 1, gb = tables.LoadGbToBig5() == 1;
  fuzz::Require(!big5 || size == 94u * 157 * 2, "only a whole BIG5 table loads");
  fuzz::Require(!gb || size == 88u * 95 * 2, "only a whole GB table loads");
  for (unsigned lead = 0x80; lead <= 0xFF; lead += 3)
    for (unsigned trail = 0x00; trail <= 0xFF; trail += 5) {
      (void)tables.Big5ToGb(std::uint16_t(lead | trail << 8));
      (void)tables.GbToBig5(std::uint16_t(lead << 8 | trail));
    }
  std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4096));
  for (char& c : text)
    if (c == 0) c = '\xA4';
  tables.Big5ToGbString(text.data());
  return 0;
}
