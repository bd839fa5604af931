// The cut run as the user starts it: the cutter models file (and its
// "CutInfo" settings) from the input, Cutout opens the cut window over a design
// with a chosen output area, the cutter bar's Output runs the job, Exit
// closes the window. Every port is a file of the scratch folder; the "File"
// port's job finds no cut-job manager.
#include "app/cutview.h"
#include "framework/controls.h"
#include "fuzz/design_app.h"
#include "model/outarea.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/cutterbar.h"
#include "output/cutwindow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DesignProgram app;
  fuzz::Require(app.view != nullptr, "the program starts with a design view");
  g_CutterIni.SetPath(fuzz::WriteScratchFile("Cutters.INI", data, size));
  g_CutInfo = CCutInfo();
  GetCutterDevice().port.SetSettingsPath(fuzz::WriteScratchFile("Port.INI", nullptr, 0));
  fuzz::EmptyPortFile();
  app.AddRect(10, 10, 50, 30);
  app.AddRect(100, 200, 140, 260);
  app.AddEllipse(60, 40, 90, 80);
  auto area = std::make_unique<COutArea>(5, 5, 95, 85);
  area->selection = 1;
  app.doc->GetOutAreaList().Add(std::move(area));

  fuzz::DialogSteps dialogs;
  dialogs.file = fuzz::ScratchFolder() + "cut.plt";
  dialogs.step = [](fw::CDialog& d) {
    d.ClickButton(fw::IDOK);
    if (!d.IsEnded()) d.ClickButton(fw::IDCANCEL);
  };
  CCutFrame* frame = app.view->OpenCutWindow();
  fuzz::Require(frame != nullptr, "the cut window opens");
  const fw::HWND h = frame->m_hWnd;
  fw::PumpPendingMessages();
  CCutterBar& bar = frame->GetCutterBar();
  if (auto* output = dynamic_cast<fw::CButton*>(bar.GetDlgItem(cutid::IDC_OUTPUT))) output->Click();
  fw::PumpPendingMessages();
  if (fw::IsWindow(h))
    if (auto* exit = dynamic_cast<fw::CButton*>(bar.GetDlgItem(cutid::IDC_EXIT))) exit->Click();
  fw::PumpPendingMessages();
  if (fw::IsWindow(h)) frame->DestroyWindow();
  return 0;
}
