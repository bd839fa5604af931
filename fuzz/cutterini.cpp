// The cutter models file, the cutting parameters and the port settings from
// one hostile INI: every model is loaded and cuts a small job into a file;
// the port settings and device map are read from the same bytes.
#include <string>

#include "fuzz/fuzz_util.h"
#include "model/pathobject.h"
#include "model/settings.h"
#include "output/cmdformat.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/portfile.h"
#include "platform/port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("Cutters.INI", data, size);
  const std::string out = fuzz::ScratchFolder() + "job.plt";
  CIniFile ini(path);

  CCutInfo info;
  info.Load(ini);
  CPortFile settings;
  settings.SetSettingsPath(path);
  settings.SetPortName("COM1");
  for (int code = 1; code <= 23; ++code) plat::MapPortDevice(code, path);

  CCutterDriver probe(ini);
  int models = 0;
  for (const std::string& model : probe.GetModelList()) {
    if (++models > 8) break;
    CCutterDriver dev(model.c_str(), ini);
    dev.port.SetSettingsPath(path);
    dev.port.SetPortName(out.c_str());
    fuzz::Require(dev.rs > 0.0f, "a usable plotter step");
    for (const std::string& cmd : dev.commands) {
      fuzz::Require(cmd.size() <= CCutterDriver::kMaxTemplate, "templates are bounded");
      const std::int32_t args[2] = {-2147483647 - 1, 2147483647};
      fuzz::Require(FormatCommand(cmd, args).size() <= cmd.size() + 2 * 260, "expansion is bounded");
    }
    info.knifeOffset = dev.offset;
    if (!dev.BeginJob(nullptr, info)) continue;
    dev.overcut = dev.overcut % 100000;
    CPathObject square;
    square.AddRectangle(0, 0, 400, 400);
    square.AddPoint(0, 0, 0x11);
    square.AddPoint(100, 0, 0x00);
    square.AddPoint(400, 300, 0x00);
    square.AddPoint(400, 400, 0x41);
    square.EndPoints();
    square.PlotToCutter(dev);
    dev.halfCut = 1;
    square.PlotToCutter(dev);
    dev.EndJob(info, 1000.0f);
    dev.ClosePort();
    dev.Save();
  }
  return 0;
}
