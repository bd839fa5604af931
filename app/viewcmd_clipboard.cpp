// Copy, Cut and Paste of the design view: output areas in the output-area
// tools, characters of the edited text, else the selected objects.
#include "app/clipboard.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "model/guidelist.h"
#include "model/records.h"
#include "text/textobject.h"

namespace {

constexpr fw::UINT ID_EDIT_COPY = 57634;
constexpr fw::UINT ID_EDIT_PASTE = 57637;

bool InAreaMode(const CVORLAN98View& view) {
  const std::uint32_t tool = view.GetCurrentTool();
  return tool == ID_TOOL_SET_OUTAREA || tool == ID_TOOL_SELECT_OUTAREA;
}

CTextObject* EditedText(const CVORLAN98View& view) {
  CGraphObject* edit = view.GetEditObject();
  return edit && edit->kind == OBJ_TEXT ? dynamic_cast<CTextObject*>(edit) : nullptr;
}

int SelectedCount(CVORLAN98View& view) {
  CSelectTracker* tracker = view.Tracker();
  return tracker ? tracker->GetSelectedCount() : view.GetSelectedCount();
}

void OnEditCopy(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  if (InAreaMode(view)) {
    doc->GetOutAreaList().CopyToClipboard();
  } else if (CTextObject* text = EditedText(view)) {
    text->CopyToClipboard(&view);
  } else if (SelectedCount(view) > 0) {
    CopyToClipboard(view);
  }
}

void OnUpdateEditCopy(CVORLAN98View& view, fw::CCmdUI* ui) {
  if (InAreaMode(view))
    ui->Enable(view.AreaTracker().HasSelection());
  else
    ui->Enable(EditedText(view) != nullptr || SelectedCount(view) > 0);
}

void OnEditCut(CVORLAN98View& view) {
  OnEditCopy(view);
  view.OnEditDelete();
}

void OnEditPaste(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  CUndoList* undo = view.GetUndoList();
  undo->StartRecord(0);
  if (InAreaMode(view)) {
    if (doc->GetOutAreaList().PasteFromClipboard()) {
      view.AreaTracker().GetSelectionRect(nullptr);
      view.RepaintView(true);
      doc->SetModifiedFlag(fw::TRUE);
    }
  } else if (EditedText(view)) {
    PasteFromClipboard(view);
  } else {
    const int before = doc->GetObjectCount();
    view.PasteObjects(nullptr);
    if (doc->GetObjectCount() != before) doc->SetModifiedFlag(fw::TRUE);
  }
  undo->EndRecord();
}

void OnUpdateEditPaste(CVORLAN98View&, fw::CCmdUI* ui) { ui->Enable(fw::TRUE); }

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ClipboardMap)
VIEW_ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
VIEW_ON_UPDATE(ID_EDIT_COPY, OnUpdateEditCopy)
VIEW_ON_COMMAND(ID_EDIT_CUT, OnEditCut)
VIEW_ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
VIEW_ON_UPDATE(ID_EDIT_PASTE, OnUpdateEditPaste)
FW_END_COMMAND_FAMILY()
