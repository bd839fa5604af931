// The engraver dialog over a design, with the engraver models file (and its
// "CarveInfo" settings) from the input: the origin dialog moves the tool live,
// lowers and raises it, takes a click in the work area and OK; then the
// dialog's OK engraves the design. Every port is a file of the scratch folder;
// the "File" port's job finds no cut-job manager.
#include "fuzz/design_app.h"
#include "output/carvedlg.h"
#include "output/carveorigindlg.h"

namespace {

void OriginStep(CCarveOriginDlg& d) {
  using namespace carveid;
  d.SetCheckBox(IDC_LIVE_MOVE, 1);
  d.TypeText(IDC_ORIGIN_X, "20");
  d.TypeText(IDC_ORIGIN_Y, "1e30");
  if (auto* bar = d.Item<fw::CScrollBar>(IDC_SCROLL_X)) bar->UserScroll(fw::SB_LINERIGHT);
  if (auto* bar = d.Item<fw::CScrollBar>(IDC_SCROLL_Y)) bar->UserScroll(fw::SB_PAGEDOWN);
  d.SetCheckBox(IDC_TOOL_DOWN, 1);
  d.SetCheckBox(IDC_TOOL_DOWN, 0);
  const fw::RECT f = d.Frame();
  d.OnLButtonUp(0, fw::POINT{(f.left + f.right) / 2, (f.top + f.bottom) / 2});
  d.ClickButton(fw::IDOK);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DesignProgram app;
  fuzz::Require(app.view != nullptr, "the program starts with a design view");
  const std::string ini = fuzz::WriteScratchFile("Carves.INI", data, size);
  const std::string portIni = fuzz::WriteScratchFile("Port.INI", nullptr, 0);
  fuzz::EmptyPortFile();
  app.AddRect(0, 0, 20, 10);
  app.AddRect(5, 2, 12, 8);
  app.AddEllipse(25, 0, 40, 12);

  fuzz::DialogSteps dialogs;
  dialogs.file = fuzz::ScratchFolder() + "origin.plt";
  dialogs.step = [](fw::CDialog& d) {
    if (auto* origin = dynamic_cast<CCarveOriginDlg*>(&d)) {
      OriginStep(*origin);
    } else if (dynamic_cast<C2DCarveDlg*>(&d)) {
      d.ClickButton(carveid::IDC_ORIGIN);
      d.ClickButton(fw::IDOK);
    } else {
      d.ClickButton(fw::IDOK);
    }
    if (!d.IsEnded()) d.ClickButton(fw::IDCANCEL);
  };
  C2DCarveDlg dlg(*app.doc, "Fuzz", app.view, ini, portIni);
  dlg.DoModal();
  fuzz::Require(!dlg.Running(), "the run ended with the dialog");
  return 0;
}
