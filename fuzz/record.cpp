// One record through the factory, whatever its letter: the object it makes
// is measured, drawn, moved and written; what it writes must read back and
// write the same bytes again. The shape library is loaded, as in the program.
#include <vector>

#include "fuzz/object_util.h"
#include "model/dllholder.h"
#include "model/graphobject.h"
#include "model/records.h"
#include "platform/dc.h"
#include "platform/gmem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  // Transformed objects read their data through the shape library.
  static const bool loaded = TransformDll().Load() != nullptr;
  (void)loaded;
  auto object = CreateObjectFromRecord(data, size);
  if (!object) return 0;
  object->RecalcBounds();
  // Saved, opened and saved again: the second save reproduces the first
  // reopened one (the first may still drop what writes nothing, such as an
  // empty path, and so dissolve a group left with one child).
  std::vector<std::uint8_t> first = fuzz::WrittenRecord(*object);
  if (!first.empty()) {
    auto again = CreateObjectFromRecord(first.data(), first.size());
    fuzz::Require(again != nullptr, "a written record reads back");
    std::vector<std::uint8_t> second = fuzz::WrittenRecord(*again);
    fuzz::Require(!second.empty(), "a record read back writes again");
    auto third = CreateObjectFromRecord(second.data(), second.size());
    fuzz::Require(third != nullptr && fuzz::WrittenRecord(*third) == second,
                  "same record after a round trip");
  }
  fuzz::DrawEveryWay(*object);
  object->Offset(3.0f, -2.0f);
  object->Transform(CMatrix3(0.5f, 0.0f, 0.0f, 0.5f, 1.0f, 2.0f));
  return 0;
}
