// Parallel-line, radiation and circle cuts: their dialogs on the selection.
#include "app/designview.h"
#include "app/cutpatterndlg.h"
#include "app/viewcmd.h"

namespace {

void OnParallelCut(CVORLAN98View& view) {
  CParallelCutDlg dlg(view);
  dlg.DoModal();
}

void OnRadiationCut(CVORLAN98View& view) {
  CRadiationCutDlg dlg(view);
  dlg.DoModal();
}

void OnCircleCut(CVORLAN98View& view) {
  CCircleCutDlg dlg(view);
  dlg.DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::CutPatternMap)
VIEW_ON_COMMAND(ID_TOOL_PARALLEL_CUT, OnParallelCut)
VIEW_ON_COMMAND(ID_TOOL_RADIATION_CUT, OnRadiationCut)
VIEW_ON_COMMAND(ID_TOOL_CIRCLE_CUT, OnCircleCut)
FW_END_COMMAND_FAMILY()
