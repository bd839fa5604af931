// One library picture ('"') or seal ('P') record through the factory: the
// object is outlined, drawn, converted and written; what it writes must read
// back and write the same bytes again.
#include <vector>

#include "fuzz/fuzz_glyphs.h"
#include "fuzz/object_util.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "platform/dc.h"
#include "text/libpicobject.h"
#include "text/sealobject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  fuzz::InstallSquareGlyphs();
  static const bool registered = (RegisterLibraryRecordReaders(), true);
  (void)registered;
  auto object = CreateObjectFromRecord(data, size);
  if (!object) return 0;
  fuzz::RequireStableRecord(*object);
  if (auto* seal = dynamic_cast<CSealObject*>(object.get())) seal->LayoutChars();
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(64, 64, 1, 32, nullptr);
  auto old = dc.SelectObject(bmp);
  CMatrix3 m(0.5f, 0.0f, 0.0f, 0.5f, 1.0f, 2.0f);
  CFRect visible(0, 0, 64, 64);
  object->Draw(&dc, &m, &visible);
  delete object->MakeOutline(&m, 0);
  object->ConvertToPath(-1);
  object->Offset(3.0f, -2.0f);
  object->Transform(m);
  std::vector<std::uint8_t> last = fuzz::WrittenRecord(*object);
  if (!last.empty())
    fuzz::Require(CreateObjectFromRecord(last.data(), last.size()) != nullptr, "a moved object reads back");
  dc.SelectObject(old);
  plat::DeleteObject(bmp);
  return 0;
}
