// links: tindrel_text
// The library dialogs driven headless: converting an old library of 20 kinds
// x 100 graphs into a new one, and one catalogue page of 20 pictures with
// their number labels.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/settings.h"
#include "model/tests/fakes.h"
#include "platform/report.h"
#include "text/graphlib.h"
#include "text/libcatalogdlg.h"
#include "text/libconvertdlg.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"

namespace {

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned style) override { return plat::DefaultButton(style); }
  void MessageBeep(unsigned) override {}
};

// A folder with an old library (20 kinds x 100 graphs) and a new one (2 kinds x 30).
struct Libraries {
  Libraries() {
    dir = std::filesystem::temp_directory_path() / ("tindrel-libdlg-bench-" + std::to_string(::getpid()));
    mount = (dir / "mount/").string();
    std::filesystem::create_directories(mount);
    std::filesystem::create_directories(dir / "out");
    std::ofstream(dir / "VORLAN98.INI") << "[PATH]\nMOUNTLIB=" << mount << "\n";
    g_IniFile.SetPath((dir / "VORLAN98.INI").string());
    std::vector<OldKind> kinds;
    for (int k = 0; k < 20; ++k) {
      OldKind kind{"Kind" + std::to_string(k), {}};
      for (int j = 0; j < 100; ++j) {
        const auto x = std::int16_t(j * 10);
        kind.graphs.push_back(MakeOld5Glyph({{{x, 0, true}, {std::int16_t(x + 50), 0, true},
                                              {std::int16_t(x + 50), 50, false}, {std::int16_t(x + 25), 80, true},
                                              {x, 50, true}, {x, 0, true}}}));
      }
      kinds.push_back(std::move(kind));
    }
    const std::string bytes = MakeOldLibrary("Old", kinds, 4);
    std::ofstream(mount + "A.LIB", std::ios::binary) << bytes;
    MakeLibrary(mount + "B.LIB", {30, 30}, "New");
    g_MountLibList.ScanMountedLibraries();
    fw::res::Clear();
    RegisterLibConvertResources();
    RegisterLibCatalogResources();
  }
  ~Libraries() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
  std::string mount;
};

Libraries& TheLibraries() {
  static Libraries l;
  return l;
}

void BM_ConvertOldLibrary(benchmark::State& state) {
  Libraries& libs = TheLibraries();
  QuietSink quiet;
  plat::ScopedReportSink sink(&quiet);
  const std::string out = (libs.dir / "out").string();
  for (auto _ : state) {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      d.SelectComboString(IDC_CONVERT_SOURCE, "A.LIB");
      d.TypeText(IDC_CONVERT_OUT_PATH, out);
      d.ClickButton(fw::IDOK);
      d.ClickButton(fw::IDCANCEL);
    });
    CLibConvertDlg dlg;
    dlg.DoModal();
    fw::ResetWindowSystem();
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * 2000);
  CGraphLib lib;
  lib.OpenPath(out + "/A.LIB");
  state.counters["kinds"] = lib.GetKindCount();
}
BENCHMARK(BM_ConvertOldLibrary)->Unit(benchmark::kMillisecond);

void BM_CataloguePage(benchmark::State& state) {
  Libraries& libs = TheLibraries();
  (void)libs;
  QuietSink quiet;
  plat::ScopedReportSink sink(&quiet);
  std::size_t placed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FakeDocument doc;
    FakeView view(&doc);
    FakeApp app;
    app.activeView = &view;
    g_IniFile.WriteInt("LibTypeSet", "StartNo", 0);
    state.ResumeTiming();
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      d.SelectComboItem(IDC_CAT_LIBRARY, 1);
      d.TypeText(IDC_CAT_END_X, "210");
      d.TypeText(IDC_CAT_END_Y, "280");
      d.ClickButton(fw::IDOK);
    });
    CNewGraphLibDlg dlg;
    dlg.DoModal();
    fw::ResetWindowSystem();
    placed = std::size_t(doc.GetObjectCount());
  }
  state.counters["objects"] = double(placed);
}
BENCHMARK(BM_CataloguePage)->Unit(benchmark::kMillisecond);

}  // namespace
