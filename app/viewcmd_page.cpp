#include "app/carddupdlg.h"
#include "app/coorddlg.h"
#include "app/designview.h"
#include "app/grayvectordlg.h"
#include "app/pagedlgs.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"

namespace {

constexpr fw::UINT ID_PAGE_SET = 40061;     // "&PageSet\t[F10]"
constexpr fw::UINT ID_PATH_SET = 40059;     // "Pa&thSet..."
constexpr fw::UINT ID_COORDINATE = 32820;   // "Coordinate...(&O)\t[F5]"
constexpr fw::UINT ID_CARD_DUP = 32871;     // "Card Dup...(R)\tShift+[F7]"
constexpr fw::UINT ID_GRAY_VECTOR = 32787;  // "Gray Image Vector...(&B)"

void OnPageSet(CVORLAN98View& view) {
  CPageSetDlg dlg(view, &view);
  dlg.DoModal();
}

void OnPathSet(CVORLAN98View& view) {
  CPathSetDlg dlg(&view);
  dlg.DoModal();
}

void OnCoordinate(CVORLAN98View& view) {
  CCoordinateDlg dlg(view, &view);
  dlg.DoModal();
}

void OnAlignToPage(CVORLAN98View& view, fw::UINT id) { view.AlignSelectionToPage(id); }

void OnCardDup(CVORLAN98View& view) {
  CNameCardDupDlg dlg(view, &view);
  dlg.DoModal();
}

void OnGrayVector(CVORLAN98View& view) {
  CGrayVectorDlg dlg(view, &view);
  dlg.DoModal();
}

// Objects selected, exactly one of them an image.
void OnUpdateGrayVector(CVORLAN98View& view, fw::CCmdUI* ui) {
  CSelectTracker* tracker = view.Tracker();
  bool on = false;
  if (tracker && view.GetSelectedCount() > 0) {
    tracker->GetSelectionRect(nullptr);
    on = tracker->GetImageCount() == 1;
  }
  ui->Enable(on);
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::PageMap)
VIEW_ON_COMMAND(ID_PAGE_SET, OnPageSet)
VIEW_ON_COMMAND(ID_PATH_SET, OnPathSet)
VIEW_ON_COMMAND(ID_COORDINATE, OnCoordinate)
VIEW_ON_COMMAND_RANGE(coorddlg::ID_PAGE_LEFT, coorddlg::ID_PAGE_VCENTER, OnAlignToPage)
VIEW_ON_COMMAND_RANGE(coorddlg::ID_PAGE_CENTER, coorddlg::ID_PAGE_CENTER, OnAlignToPage)
VIEW_ON_COMMAND(ID_CARD_DUP, OnCardDup)
VIEW_ON_COMMAND(ID_GRAY_VECTOR, OnGrayVector)
VIEW_ON_UPDATE(ID_GRAY_VECTOR, OnUpdateGrayVector)
FW_END_COMMAND_FAMILY()
