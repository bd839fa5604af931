// A BMP or TIFF file imported into a design as the user imports it (Get Image:
// the file dialog chooses it): the first byte picks the extension, the rest is
// the file. The view paints the image, selects it, undoes the import and
// paints again.
#include "fuzz/design_app.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr fw::UINT ID_GET_IMAGE = 40021;
  static const char* const kNames[] = {"in.bmp", "in.tif", "in.BMP", "in.TIF"};
  fuzz::DesignProgram app;
  fuzz::Require(app.view != nullptr, "the program starts with a design view");
  fuzz::DialogSteps dialogs;
  dialogs.file = fuzz::WriteScratchFile(kNames[data[0] % 4], data + 1, size - 1);
  const int before = app.doc->GetObjectCount();
  app.Command(ID_GET_IMAGE);
  const int added = app.doc->GetObjectCount() - before;
  fuzz::Require(added == 0 || added == 1, "one image at most");
  app.Paint();
  if (added) {
    app.view->Tracker()->Select(app.doc->GetObjectAt(app.doc->GetObjectCount() - 1));
    app.Paint();
  }
  app.UndoAll();
  fuzz::Require(app.doc->GetObjectCount() == before, "undo takes the image out");
  app.Paint();
  return 0;
}
