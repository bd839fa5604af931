// The program's settings file and the user profile, both the input after its
// first byte up to a zero byte, read by the design program and one of its
// design dialogs (the first byte picks it); after the zero byte come lines
// typed into the dialog's fields. The dialog takes OK and the view paints
// what it made. The rectangle and circle dialogs open from a click with
// their tools; a cut pattern is cut at a click after its dialog's OK. At the
// end every step is undone.
#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/settingsload.h"
#include "fuzz/design_app.h"
#include "model/pathobject.h"
#include "model/settings.h"

namespace {

enum How { kCommand, kFrameCommand, kSelectedCommand, kToolClick, kCutClick };
struct DialogRoute {
  How how;
  fw::UINT id;
};
constexpr DialogRoute kRoutes[] = {
    {kCommand, 40061},                        // page
    {kCommand, 40059},                        // path
    {kSelectedCommand, 32820},                // coordinate
    {kCommand, 40105},                        // polygon
    {kSelectedCommand, 40106},                // outline frame
    {kCommand, ID_TOOL_TABLE},                // table
    {kToolClick, ID_TOOL_RECT},               // rectangle
    {kToolClick, ID_TOOL_CIRCLE},             // circle
    {kFrameCommand, 40058},                   // palette
    {kCutClick, ID_TOOL_PARALLEL_CUT},        // parallel-line cut
    {kCutClick, ID_TOOL_RADIATION_CUT},       // radiation cut
    {kCutClick, ID_TOOL_CIRCLE_CUT},          // circle cut
    {kSelectedCommand, 32871},                // name cards
    {kSelectedCommand, 40045},                // multiple duplication
    {kCommand, 40062},                        // vector settings
    {kCommand, 40149},                        // vector settings, all of them
};

// A selected rectangle as the one object the command works on.
void SelectOneRect(fuzz::DesignProgram& program) {
  auto* rect = new CPathObject;
  rect->AddRectangle(20, 30, 120, 90);
  rect->EndPoints();
  program.doc->AddObject(rect, true);
  program.view->Tracker()->Select(rect);
}

// A click at the middle of that rectangle.
void ClickRect(fuzz::DesignProgram& program) {
  const plat::POINT p = program.view->PageToDevice(CFPoint{70, 60});
  fw::MouseScript(program.view).Click(p.x, p.y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const DialogRoute& route = kRoutes[data[0] % std::size(kRoutes)];
  fuzz::InstallQuietSink();
  fuzz::UseScratchEnvironment();
  const std::string& profile = fuzz::DesignProgram::ProfilePath();
  const std::uint8_t* end = std::find(data + 1, data + size, 0);
  const std::string ini = fuzz::WriteScratchFile("VORLAN98.INI", data + 1, std::size_t(end - data - 1));
  fuzz::WriteFile(profile, data + 1, std::size_t(end - data - 1));
  std::vector<std::string> typed;
  if (end != data + size) {
    std::istringstream lines(std::string(end + 1, data + size));
    for (std::string line; std::getline(lines, line) && typed.size() < 64;) typed.push_back(line);
  }

  fuzz::DesignProgram program;
  fuzz::Require(program.view != nullptr, "the program starts with a design view");
  const std::string saved = g_IniFile.GetPath();
  g_IniFile.SetPath(ini);
  LoadAppSettings(SETTINGS_LAYOUT | SETTINGS_PALETTE, nullptr);
  fuzz::DialogSteps driver;
  driver.TypeThenOk();
  driver.typed = std::move(typed);

  switch (route.how) {
    case kCommand:
      program.Command(route.id);
      break;
    case kFrameCommand:
      program.main->SendMessage(fw::WM_COMMAND, route.id, 0);
      break;
    case kSelectedCommand:
      SelectOneRect(program);
      program.Command(route.id);
      break;
    case kToolClick:
      program.Command(route.id);
      ClickRect(program);
      break;
    case kCutClick:
      SelectOneRect(program);
      program.Command(route.id);
      ClickRect(program);
      break;
  }
  fuzz::Require(driver.runs > 0, "the dialog opened");
  program.Paint();
  program.Command(ID_TOOL_SELECT);
  program.UndoAll();
  program.Paint();
  g_IniFile.SetPath(saved);
  return 0;
}
