// The data of an old version 5.6 document converted into an object-list
// block, which the program then reads.
#include <vector>

#include "app/olddoc.h"
#include "fuzz/fuzz_util.h"
#include "model/segarray.h"
#include "platform/bytes.h"
#include "text/textobject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  static const bool registered = (RegisterTextRecordReaders(), true);  // converted texts read too
  (void)registered;
  const std::vector<std::uint8_t> block = COldDocReader::ConvertData(data, size);
  fuzz::Require(block.size() >= 7 && plat::GetU32(block.data() + 1) == block.size() - 1, "block length");
  CSegArray::UnpackFromBuffer(block.data(), block.size());
  return 0;
}
