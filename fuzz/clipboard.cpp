// What the program pastes from the clipboard, read through its own adapter:
// an object list block, a character list block or plain text. The first
// byte picks the format, the rest is the block.
#include <cstring>

#include "app/clipboard.h"
#include "framework/clipboard.h"
#include "fuzz/fuzz_util.h"
#include "model/records.h"
#include "model/segarray.h"
#include "platform/gmem.h"
#include "text/boxarray.h"
#include "text/textobject.h"

namespace {

void Put(std::uint32_t format, const std::uint8_t* data, std::size_t size) {
  fw::ResetClipboard();
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, size ? size : 1);
  if (!h) return;
  {
    plat::GlobalLockGuard lock(h);
    if (size) std::memcpy(lock.bytes(), data, size);
  }
  if (!fw::OpenClipboard(nullptr)) {
    plat::GlobalFree(h);
    return;
  }
  fw::EmptyClipboard();
  if (!fw::SetClipboardData(format, h)) plat::GlobalFree(h);
  fw::CloseClipboard();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  if (size == 0) return 0;
  ClipboardFormatIds& ids = RegisteredClipboardFormats();
  if (!ids.objectList) ids.objectList = fw::RegisterClipboardFormat("Tindrel - [SEGMULTI]");
  if (!ids.boxItems) ids.boxItems = fw::RegisterClipboardFormat("Tindrel - [TextBoxes]");
  CClipboardServices* old = SetClipboardServices(&TheAppClipboard());
  const std::uint32_t formats[3] = {ids.objectList, ids.boxItems, fw::CF_TEXT};
  Put(formats[data[0] % 3], data + 1, size - 1);

  CClipboardServices& clip = TheAppClipboard();
  if (clip.Open()) {
    std::unique_ptr<CSegArray> objects = CSegArray::UnpackFromGlobal(clip.GetData(ids.objectList));
    clip.Close();
    if (objects) fuzz::Require(!objects->IsEmpty(), "an unpacked list holds objects");
  }
  // Into a text at its caret, as the edited text takes it.
  CTextObject text;
  text.caretIndex = 0;
  text.PasteFromClipboard(nullptr);
  if (data[0] % 3 == 2)
    for (CBoxItem* item : text.chars.Items())
      if (item->IsChar()) {
        const std::uint16_t code = static_cast<CBoxChar*>(item)->code;
        fuzz::Require(code > 0xFF || code == 13 || code > 0x1F, "plain text brings no control byte but CR");
      }
  fuzz::Require(fw::OpenClipboard(nullptr) != 0, "the clipboard is closed again");
  fw::CloseClipboard();
  SetClipboardServices(old);
  return 0;
}
