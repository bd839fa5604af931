// Engraving: the engraver output dialog on the design.
#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/viewcmd.h"
#include "output/carvedlg.h"

namespace {

void OnCarveOut(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  C2DCarveDlg dlg(*doc, doc->GetTitle(), &view);
  dlg.DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::CarveMap)
VIEW_ON_COMMAND(appid::ID_CARVE_OUT, OnCarveOut)
FW_END_COMMAND_FAMILY()
