// PALETTE.INI through the palette store: names, every palette's colours,
// pens and brushes; a colour added reads back.
#include "fuzz/fuzz_util.h"
#include "model/palette.h"
#include "platform/dc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("PALETTE.INI", data, size);
  CPaletteStore store(path);
  const int palettes = store.GetPaletteCount();
  for (int i = 0; i < palettes && i < 16; ++i) {
    std::string name;
    store.GetPaletteName(i, name);
    if (!store.LoadPalette(i)) continue;
    for (int c = 0; c < store.GetColorCount() && c < 64; ++c) store.GetColorRef(c);
    store.GetColorTexts();
    if (plat::HPEN pen = store.CreateIndexPen(0, 0, 1)) plat::DeleteObject(pen);
    if (plat::HBRUSH brush = store.CreateIndexBrush(store.GetColorCount() - 1, 0))
      plat::DeleteObject(brush);
  }
  if (palettes > 0 && store.LoadPalette(0)) {
    const plat::COLORREF c = plat::RGB(1, 2, 3);
    int added = store.AddColor(c);
    if (added > 0) fuzz::Require(store.FindColor(c) >= 0, "an added colour is found");
    CPaletteStore again(path);
    if (added > 0 && again.LoadPalette(0))
      fuzz::Require(again.FindColor(c) >= 0, "an added colour reads back from the file");
  }
  return 0;
}
