// A path record loaded, drawn into a small surface (its node marks too),
// hit-tested, transformed and written back: what it writes must load again
// and write the same bytes.
#include <vector>

#include "fuzz/object_util.h"
#include "model/pathobject.h"
#include "platform/dc.h"
#include "platform/gmem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto path = CPathObject::LoadFromRecord(data, size);
  if (!path) return 0;
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(48, 48, 1, 32, nullptr);
  auto old = dc.SelectObject(bmp);
  CMatrix3 view(0.25f, 0.0f, 0.0f, 0.25f, 4.0f, 4.0f);
  CFRect visible(0, 0, 48, 48);
  path->DrawOutline(&dc, &view, &visible);
  path->Transform(CMatrix3(0.0f, 1.0f, -1.0f, 0.0f, 10.0f, -5.0f));
  path->ApplyTransform();
  path->DrawFilled(&dc, &view, &visible);
  dc.SelectObject(old);
  plat::DeleteObject(bmp);
  fuzz::DrawEveryWay(*path, false);

  std::vector<std::uint8_t> first = fuzz::WrittenRecord(*path);
  if (!first.empty()) {
    auto again = CPathObject::LoadFromRecord(first.data(), first.size());
    fuzz::Require(again != nullptr, "a written path loads again");
    fuzz::Require(fuzz::WrittenRecord(*again) == first, "same record after a round trip");
  }
  return 0;
}
