#include "app/designview.h"
#include "app/imagevectordlg.h"
#include "app/viewcmd.h"

namespace {

// --- Tracing ---------------------------------------------------------------------------

constexpr fw::UINT ID_IMAGE_VECTOR = 40022;      // "Image Vector...(&V)"
constexpr fw::UINT ID_IMAGE_TRACE = 32868;       // the same dialog over "Trace.dll"
constexpr fw::UINT ID_GRAPH_VECTOR_SET = 40062;  // "Graph Vector Set...(&V)"
constexpr fw::UINT ID_VECTOR_SET = 40149;        // "VS (&N)"

void OnImageVector(CVORLAN98View& view) {
  CImageVectorDlg dlg(view, true, &view);
  dlg.DoModal();
}

void OnImageTrace(CVORLAN98View& view) {
  CImageVectorDlg dlg(view, false, &view);
  dlg.DoModal();
}

void OnGraphVectorSet(CVORLAN98View& view) {
  CVectorSetDlg dlg(&view);
  dlg.DoModal();
}

void OnVectorSet(CVORLAN98View& view) {
  CVectorSetAllDlg dlg(&view);
  dlg.DoModal();
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ImageMap)
VIEW_ON_COMMAND(ID_IMAGE_VECTOR, OnImageVector)
VIEW_ON_COMMAND(ID_IMAGE_TRACE, OnImageTrace)
VIEW_ON_COMMAND(ID_GRAPH_VECTOR_SET, OnGraphVectorSet)
VIEW_ON_COMMAND(ID_VECTOR_SET, OnVectorSet)
FW_END_COMMAND_FAMILY()
