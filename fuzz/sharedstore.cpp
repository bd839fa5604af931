// The per-user shared store's files: the name table and the clipboard store
// as another program might have left them. A name registered afterwards reads
// back, and so does a clipboard written afterwards.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_util.h"
#include "platform/ipc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const bool ready = [] {
    plat::SetSharedFolder(fuzz::ScratchFolder());
    return true;
  }();
  (void)ready;
  // The first byte picks the file; the rest is its content.
  if (size == 0) return 0;
  const bool names = (data[0] & 1) == 0;
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  fuzz::Require(plat::WriteSharedFile(names ? "names.tbl" : "clipboard.dat", bytes),
                "the store file can be written");
  if (names) {
    std::string name;
    for (unsigned id = plat::kFirstSharedId; id < plat::kFirstSharedId + 64; ++id)
      plat::GetSharedName(id, name);
    unsigned id = plat::RegisterSharedName("Fuzz Format");
    if (id) {
      fuzz::Require(plat::GetSharedName(id, name) && name == "Fuzz Format", "a name reads back");
      fuzz::Require(plat::RegisterSharedName("FUZZ format") == id, "names ignore case");
    }
  } else {
    std::vector<plat::ClipboardItem> items;
    std::uint32_t sequence = 0;
    plat::ReadSharedClipboard(items, &sequence);
    plat::SharedClipboardSequence();
    std::vector<plat::ClipboardItem> mine{{1, {'a', 'b', 0}}};
    std::uint32_t written = 0;
    fuzz::Require(plat::WriteSharedClipboard(mine, &written), "the clipboard can be written");
    items.clear();
    fuzz::Require(plat::ReadSharedClipboard(items, &sequence) && items.size() == 1 &&
                      items[0].data == mine[0].data && sequence == written,
                  "a written clipboard reads back");
  }
  return 0;
}
