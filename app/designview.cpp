#include "app/designview.h"

#include "app/appids.h"
#include "app/document.h"
#include "app/importcmd.h"
#include "app/mainframe.h"
#include "framework/app.h"

using fw::CView;
FW_IMPLEMENT_DYNCREATE(CVORLAN98View, CView)

FW_BEGIN_COMMAND_MAP(CVORLAN98View, fw::CView)
FW_ON_COMMAND(appid::ID_FILE_IMPORT, OnFileImport)
FW_END_COMMAND_MAP()

CVORLAN98Doc* CVORLAN98View::GetDocument() const { return dynamic_cast<CVORLAN98Doc*>(fw::CView::GetDocument()); }

void CVORLAN98View::OnDraw(plat::HDC) {}

void CVORLAN98View::OnActivateView(fw::BOOL activate, fw::CView* activateView, fw::CView* deactiveView) {
  fw::CView::OnActivateView(activate, activateView, deactiveView);
  if (!activate) return;
  if (auto* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd())) {
    main->ShowControlBars(main->GetBarMask(), main->GetBarMask());
    main->SendMessage(fw::WM_COMMAND, 32843, 0);
  }
}

void CVORLAN98View::OnFileImport() {
  CVORLAN98Doc* doc = GetDocument();
  if (!doc) return;
  auto* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd());
  RunImportCommand(*doc, nullptr, main ? &main->GetTextEditor() : nullptr);
}
