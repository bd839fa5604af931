// A design file opened with File > Open as a ".t98", then brought in with
// Import as the format its first bytes claim (".V98", the older ".V95", else
// a text file). The view paints what it holds and hit-tests it with the
// select and node tools, its selection marks shown; undo takes the import out.
#include <cstring>
#include <string>

#include "app/appids.h"
#include "app/designview.h"
#include "app/olddoc.h"
#include "fuzz/design_app.h"

namespace {

bool StartsWith(const std::uint8_t* data, std::size_t size, const char* magic) {
  const std::size_t n = std::strlen(magic);
  return size >= n && std::memcmp(data, magic, n) == 0;
}

void Look(fuzz::DesignProgram& program) {
  program.Paint();
  program.Command(ID_TOOL_SELECT);
  program.Click();
  program.SelectAll();
  program.Paint();
  program.Command(ID_TOOL_NODE);
  program.Click();
  program.Paint();
  program.Command(ID_TOOL_SELECT);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DesignProgram program;
  fuzz::Require(program.view != nullptr, "the program starts with a design view");
  fuzz::DialogSteps driver;
  driver.TypeThenOk();

  driver.file = fuzz::WriteScratchFile("design.t98", data, size);
  program.main->SendMessage(fw::WM_COMMAND, fw::ID_FILE_OPEN, 0);
  program.TakeActiveView();
  fuzz::Require(program.view != nullptr, "a design view stays active");
  Look(program);

  const char* type = StartsWith(data, size, "CVF98")         ? "design.V98"
                     : StartsWith(data, size, kOldDocMagic) ? "design.V95"
                                                            : "design.txt";
  driver.file = fuzz::WriteScratchFile(type, data, size);
  program.Command(appid::ID_FILE_IMPORT);
  Look(program);
  program.UndoAll();
  program.Paint();
  return 0;
}
