#include "app/designview.h"
#include "app/shapedlgs.h"
#include "app/viewcmd.h"

namespace {

constexpr fw::UINT ID_POLYGON_SET = 40105;  // "RightPolygonSet..."
constexpr fw::UINT ID_OUT_RECT = 40106;     // "OutRect...\t[F9]"

void OnPolygonSet(CVORLAN98View& view) {
  CPolygonDlg dlg(&view);
  dlg.DoModal();
}

void OnTable(CVORLAN98View& view) { OpenShapeDialog(view, ID_TOOL_TABLE); }

void OnOutRect(CVORLAN98View& view) {
  CLineStyleDlg dlg(view, &view);
  dlg.DoModal();
}

void OnUpdateOutRect(CVORLAN98View& view, fw::CCmdUI* ui) { ui->Enable(view.GetSelectedCount() > 0); }

}  // namespace

void OpenShapeDialog(CVORLAN98View& view, std::uint32_t tool) {
  if (tool == ID_TOOL_RECT) {
    CRectangleDlg dlg(view, &view);
    dlg.DoModal();
  } else if (tool == ID_TOOL_CIRCLE) {
    CCircleDlg dlg(view, &view);
    dlg.DoModal();
  } else if (tool == ID_TOOL_TABLE) {
    CTableDlg dlg(view, &view);
    dlg.DoModal();
  }
}

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ShapeMap)
VIEW_ON_COMMAND(ID_POLYGON_SET, OnPolygonSet)
VIEW_ON_COMMAND(ID_TOOL_TABLE, OnTable)
VIEW_ON_COMMAND(ID_OUT_RECT, OnOutRect)
VIEW_ON_UPDATE(ID_OUT_RECT, OnUpdateOutRect)
FW_END_COMMAND_FAMILY()
