#include "app/appids.h"
#include "app/designview.h"
#include "app/scandlg.h"
#include "app/viewcmd.h"

namespace {

// Scanning.
void OnScan(CVORLAN98View& view) {
  CScanDlg dlg(&view);
  dlg.DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ImageMap)
VIEW_ON_COMMAND(appid::ID_SCAN, OnScan)
FW_END_COMMAND_FAMILY()
