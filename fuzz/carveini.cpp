// The engraver models file from one hostile INI: every model is loaded,
// formats its commands with extreme coordinates, plots an outline with a
// curve, engraves a small design into a file and stores its origin.
#include <string>

#include "fuzz/fuzz_util.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "output/carver.h"
#include "output/carverun.h"
#include "output/clip.h"
#include "output/cmdformat.h"
#include "output/portfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  InstallOutputServices();
  const std::string path = fuzz::WriteScratchFile("Carves.INI", data, size);
  const std::string out = fuzz::ScratchFolder() + "carve.plt";

  CSegArray design;
  auto square = std::make_unique<CPathObject>();
  square->AddPoint(1, 1, 0x11);
  square->AddPoint(6, 1, 0x01);
  square->AddPoint(9, 3, 0x00);
  square->AddPoint(9, 7, 0x00);
  square->AddPoint(6, 9, 0x01);
  square->AddPoint(1, 1, 0x41);
  square->EndPoints();
  design.Add(std::move(square));

  CCarveDriver probe(nullptr, path);
  int models = 0;
  for (const std::string& model : probe.GetModelList()) {
    if (++models > 8) break;
    CCarveDriver dev(model.c_str(), path);
    fuzz::Require(dev.resolution > 0.0f, "a usable device step");
    for (const std::string& cmd : dev.commands) {
      fuzz::Require(cmd.size() <= CCarveDriver::kMaxTemplate, "templates are bounded");
      const std::int32_t args[2] = {-2147483647 - 1, 2147483647};
      fuzz::Require(FormatCommand(cmd, args).size() <= cmd.size() + 2 * 260, "expansion is bounded");
    }
    CPortFile port;
    port.SetSettingsPath(path);
    port.SetPortName(out.c_str());
    std::uint32_t stop = 0;
    if (dev.Begin(nullptr, &port, nullptr, &stop)) {
      dev.MoveTo(-2147483647 - 1, 2147483647);
      dev.LineTo(1e30f, -1e30f);
      dev.PolylineTo(0.5f, 0.5f);
      dev.PolylineToList(dev.commands[CCarveDriver::LineToExCmd]);
      dev.PolylineToList(",1e40,-1e40,nan,inf,,");
      dev.EndPolyline();
      CPathObject copy;
      copy.AddRectangle(0, 0, 400, 400);
      copy.EndPoints();
      copy.PlotToCarver(dev);
      dev.End();
    }
    CarveParams p;
    p.fillStep = 1.0f;
    p.area = CFRect(0, 0, 10, 10);
    p.drawContour = true;
    p.rotate = (models & 1) != 0;
    stop = 1;
    RunCarve(design, 10, 10, "Fuzz", p, dev, port, nullptr, &stop, nullptr);
    dev.SaveOrigin(nullptr);
  }
  design.DeleteAll();
  return 0;
}
