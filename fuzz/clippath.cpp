// A path record clipped to paper windows and cut with overcut and half cut:
// the clipped path stays a bounded, terminated path.
#include <string>

#include "fuzz/fuzz_util.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/settings.h"
#include "output/clip.h"
#include "output/cutinfo.h"
#include "output/cutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  auto path = CPathObject::LoadFromRecord(data, size);
  if (!path) return 0;
  path->ApplyTransform();
  static const std::string out = fuzz::ScratchFolder() + "clip.plt";
  static CIniFile ini(fuzz::ScratchFolder() + "none.INI");
  static CCutterDriver dev(ini);
  CCutOutputServices clipper;
  const CFRect windows[] = {{0, 0, 100, 100}, {-50, -50, 50, 50}, {10, 20, 10, 20}, {100, 100, 0, 0}};
  const std::size_t records = path->BlockRecords();
  for (const CFRect& w : windows) {
    auto clipped = clipper.ClipPathObject(*path, w.left, w.top, w.right, w.bottom);
    if (!clipped) continue;
    // A curve gives at most nine pieces of four points; a line one piece of two.
    fuzz::Require(clipped->BlockRecords() <= 48 * records + 64, "the clipped path is bounded");
    pathrec::Records r(clipped->points);
    fuzz::Require(clipped->count >= 2 && std::size_t(clipped->count) <= r.n, "count within the block");
    fuzz::Require(r.p[clipped->count - 1].flags == PP_END, "the clipped path is terminated");

    dev.port.SetSettingsPath(fuzz::ScratchFolder() + "Port.INI");
    dev.port.SetPortName(out.c_str());
    dev.hardOffset = 0;
    CCutInfo info;
    info.knifeOffset = 0.3f;
    info.halfCut = 0;
    if (!dev.BeginJob(nullptr, info)) continue;
    dev.overcut = 40;
    clipped->PlotToCutter(dev);
    dev.halfCut = 1;
    clipped->PlotToCutter(dev);
    dev.EndJob(info, 0.0f);
    dev.ClosePort();
  }
  return 0;
}
