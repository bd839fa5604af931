// The clipboard file another running program left in the shared store, pasted
// into the design view: the view paints and hit-tests what came, copies and
// cuts it, takes the file again in the output-area tool, then undoes it all.
// A pasted text takes the file at its caret too.
#include <vector>

#include "app/designview.h"
#include "fuzz/design_app.h"
#include "model/graphobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "platform/ipc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DesignProgram program;
  fuzz::Require(program.view != nullptr, "the program starts with a design view");
  // The seeds hold the formats at the ids a fresh store gives them.
  const ClipboardFormatIds& ids = RegisteredClipboardFormats();
  fuzz::Require(ids.boxItems == plat::kFirstSharedId && ids.objectList == plat::kFirstSharedId + 5 &&
                    ids.guideItems == plat::kFirstSharedId + 6,
                "the clipboard formats have the seeds' ids");
  const std::vector<std::uint8_t> file(data, data + size);
  auto leave = [&] { fuzz::Require(plat::WriteSharedFile("clipboard.dat", file), "the clipboard file is written"); };
  fw::SetClipboardStore(fw::ClipboardStore::Shared);

  leave();
  program.Command(fw::ID_EDIT_PASTE);
  program.Paint();
  program.Click();
  // Into the first pasted text, at a caret the text tool puts there when
  // the text shows in the drawing area.
  fw::RECT area;
  program.view->GetClientRect(&area);
  for (int i = 0; i < program.doc->GetObjectCount(); ++i) {
    const CGraphObject* o = program.doc->GetObjectAt(i);
    if (o->kind != OBJ_TEXT) continue;
    const plat::POINT p = program.view->PageToDevice(
        CFPoint{o->bounds.left / 2 + o->bounds.right / 2, o->bounds.top / 2 + o->bounds.bottom / 2});
    if (p.x < 0 || p.y < 0 || p.x >= area.right || p.y >= area.bottom) break;
    program.Command(ID_TOOL_TEXT);
    fw::MouseScript(program.view).Click(p.x, p.y);
    program.Command(fw::ID_EDIT_PASTE);
    program.Paint();
    program.Command(ID_TOOL_SELECT);
    break;
  }
  program.SelectAll();
  program.Command(fw::ID_EDIT_COPY);
  program.Command(fw::ID_EDIT_CUT);
  program.Command(fw::ID_EDIT_PASTE);
  program.Paint();

  leave();
  program.Command(ID_TOOL_SET_OUTAREA);
  program.Command(fw::ID_EDIT_PASTE);
  program.Paint();
  program.Command(ID_TOOL_SELECT_OUTAREA);
  program.Click();
  program.Command(fw::ID_EDIT_COPY);
  program.Command(fw::ID_EDIT_PASTE);
  program.Command(ID_TOOL_SELECT);
  program.Paint();

  program.UndoAll();
  program.Paint();
  fw::SetClipboardStore(fw::ClipboardStore::Process);
  return 0;
}
