// The table of published windows and the atoms of the name table, as another
// program might have left them: reading drops what is broken, and an entry or
// atom written afterwards reads back.
#include <unistd.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/ipc.h"
#include "platform/remote.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const bool ready = [] {
    plat::SetSharedFolder(fuzz::ScratchFolder());
    return plat::OpenMessageServer() >= 0;
  }();
  fuzz::Require(ready, "the message server opens");
  // The first byte picks the file; the rest is its content.
  if (size == 0) return 0;
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  if ((data[0] & 1) == 0) {
    fuzz::Require(plat::WriteSharedFile("windows.tbl", bytes), "the table can be written");
    for (const plat::PublishedWindow& w : plat::ReadPublishedWindows())
      fuzz::Require(w.pid > 0 && !w.title.empty() && w.title.size() <= 255, "entries are sane");
    fuzz::Require(plat::PublishWindows({{0, 7, "Fuzz", "Fuzz Window"}}), "we can publish");
    bool found = false;
    for (const plat::PublishedWindow& w : plat::ReadPublishedWindows())
      found = found || (w.pid == int(::getpid()) && w.window == 7 && w.title == "Fuzz Window");
    fuzz::Require(found, "our entry reads back");
  } else {
    fuzz::Require(plat::WriteSharedFile("names.tbl", bytes), "the table can be written");
    for (unsigned id = plat::kFirstSharedId; id < plat::kFirstSharedId + 32; ++id) {
      std::string name;
      char buf[16];
      plat::GlobalGetAtomName(plat::ATOM(id), name);
      fuzz::Require(plat::GlobalGetAtomName(plat::ATOM(id), buf, sizeof buf) < sizeof buf, "names are cut to fit");
    }
    plat::ATOM a = plat::GlobalAddAtom("/tmp/OSI0001.TMP");
    if (a) {
      fuzz::Require(plat::GlobalFindAtom("/TMP/osi0001.tmp") == a, "atoms ignore case");
      plat::GlobalDeleteAtom(a);
    }
  }
  return 0;
}
