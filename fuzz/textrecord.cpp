// One text record ('!') through the factory: the text is laid out, drawn,
// outlined, converted and written; what it writes must read back and write
// the same bytes again.
#include <vector>

#include "fuzz/fuzz_glyphs.h"
#include "fuzz/object_util.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "text/textobject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  fuzz::InstallSquareGlyphs();
  static const bool registered = (RegisterTextRecordReaders(), true);
  (void)registered;
  auto object = CreateObjectFromRecord(data, size);
  if (!object) return 0;
  fuzz::RequireStableRecord(*object);
  object->Relayout(nullptr, -1);
  if (object->kind == OBJ_TEXT) {
    // The caret, the keys and the handles of whatever arrangement was read.
    auto* text = static_cast<CTextObject*>(object.get());
    text->MoveCaret(nullptr, 0, 1);
    if (CTextArrange* a = text->GetArrange()) {
      for (std::uint32_t key = NAV_END; key <= NAV_DOWN; ++key) {
        int side = 1;
        a->NavigateKey(key, text->caretIndex, &side);
      }
      int handle = -1;
      a->HitTestHandle(nullptr, 1.0f, 1.0f, &handle);
      for (int h = -1; h <= 5; ++h) text->MoveHandle(nullptr, h, 7.0f, -3.0f);
      text->Relayout(nullptr, -1);
    }
  }
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
  object->Draw(&dc, nullptr, nullptr);
  std::vector<std::uint8_t> last = fuzz::WrittenRecord(*object);
  if (!last.empty()) fuzz::Require(CreateObjectFromRecord(last.data(), last.size()) != nullptr,
                                   "a moved text reads back");
  dc.SelectObject(old);
  plat::DeleteObject(bmp);
  return 0;
}
