// A design document file (".t98"), opened as a document and read by the
// header reader that the Import command uses.
#include "app/docfile.h"
#include "app/document.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("design.t98", data, size);
  {
    CVORLAN98Doc doc;
    doc.OnOpenDocument(path);
  }
  CDocHeaderReader reader;
  const int code = reader.Read(path.c_str());
  fuzz::Require(code == 0 || code == kDocCannotOpen || code == kDocBadHeader || code == kDocBadVersion, "reader code");
  fuzz::Require(code == 0 || (reader.m_objectBlock == 0 && reader.m_textBlock == 0), "no blocks after a failure");
  return 0;
}
