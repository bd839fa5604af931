// The print-out dialog over a design, its stored settings (the user profile's
// "PrintInfo") from the input: the dialog takes OK and prints the design to a
// destination of a small resolution; without a print server the job is not
// sent, which the dialog reports.
#include "app/printoutdlg.h"
#include "fuzz/design_app.h"
#include "platform/printer.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DesignProgram app;
  fuzz::Require(app.view != nullptr, "the program starts with a design view");
  plat::UserProfile* profile = plat::GetAppProfile();
  fuzz::Require(profile != nullptr, "the program has a profile");
  // The profile's folder may not be there before anything was written.
  profile->WriteInt("PrintInfo", "Copies", 1);
  const std::string path = profile->path();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  fuzz::Require(f != nullptr, "the profile can be written");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  app.AddRect(10, 10, 60, 40);
  app.AddRect(-30, 200, 500, 260);
  app.AddEllipse(100, 100, 180, 150);

  fuzz::DialogSteps dialogs;
  dialogs.step = [](fw::CDialog& d) {
    auto* dlg = dynamic_cast<CPrintOutDlg*>(&d);
    if (!dlg) return;
    // A destination of 10 dpi on A4, so that every page is a small raster.
    dlg->m_setup.m_devNames.device = "Fuzz";
    dlg->m_setup.m_devMode = plat::DevMode{};
    dlg->m_setup.m_devMode.dpi = 10;
    // Turning the page twice brings it back and computes the zoom for the destination.
    d.ClickButton(printout::IDC_ROTATE90);
    d.ClickButton(printout::IDC_ROTATE90);
    d.ClickButton(fw::IDOK);
    if (!d.IsEnded()) d.ClickButton(fw::IDCANCEL);
  };
  app.Command(fw::ID_FILE_PRINT);
  fuzz::Require(dialogs.runs >= 1, "the dialog opens");
  return 0;
}
