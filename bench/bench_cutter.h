// The cutter of the benchmarks: an HPGL-like model (0.025 mm a unit) in a
// settings file of its own, plotting into a file port in the temporary folder.
#pragma once
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/glyph_outlines.h"
#include "model/pathobject.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"

namespace benchcutter {

// The model's settings file, with its hard offset and overcut as given.
inline std::string WriteModel(int hardOffset, int overcut) {
  const std::string path = benchglyphs::TempPath("Cutters.INI");
  std::ofstream f(path);
  f << "[CutterDevices]\nHPGL=HPGL\n[HPGL]\nRS=0.025\nInitCmd=IN;\nHomeCmd=PU0,0;\nAbsCmd=PA;\n"
       "PenUp=PU;\nMoveTo=PU%d,%d;\nLineTo=PD%d,%d;\nLineToEx=PD%d,%d;\nHardOffset="
    << hardOffset << "\nOffset=0.3\nOVERCUT=" << overcut << "\n";
  return path;
}

// The model plotting into the file `outName`; both files go with it.
struct FileCutter {
  FileCutter(int hardOffset, int overcut, const char* outName)
      : iniPath(WriteModel(hardOffset, overcut)), outPath(benchglyphs::TempPath(outName)), ini(iniPath) {
    dev.port.SetSettingsPath(benchglyphs::TempPath("Port.INI"));
    dev.port.SetPortName(outPath.c_str());
  }
  ~FileCutter() {
    std::remove(outPath.c_str());
    std::remove(iniPath.c_str());
  }
  FileCutter(const FileCutter&) = delete;
  FileCutter& operator=(const FileCutter&) = delete;

  // One job of the paths, the port closed after it; false when it did not open.
  bool Plot(const std::vector<std::unique_ptr<CPathObject>>& paths, CCutInfo& info) {
    if (!dev.BeginJob(nullptr, info)) return false;
    for (const auto& p : paths) p->PlotToCutter(dev);
    dev.EndJob(info, 0);
    dev.ClosePort();
    return true;
  }

  const std::string iniPath;
  const std::string outPath;
  CIniFile ini;
  CCutterDriver dev{"HPGL", ini};
};

}  // namespace benchcutter
