// links: tindrel_text
// Building an own font file of the 6,763 GB2312 characters (zones 176-247,
// positions 161-254) through the dialog, from the installed face and from the
// same face as a mounted TrueType file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/report.h"
#include "text/cftfont.h"
#include "text/createcftdlg.h"
#include "text/fontcatalog.h"
#include "text/language.h"

namespace {

const char kFolder[] = "/usr/share/fonts/truetype/arphic-gbsn00lp/";
const char kFace[] = "文鼎ＰＬ简报宋";

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned style) override { return plat::DefaultButton(style); }
  void MessageBeep(unsigned) override {}
};

struct Fonts {
  Fonts() {
    dir = std::filesystem::temp_directory_path() / ("tindrel-cft-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "VORLAN98.INI") << "[LANGUAGE0]\nID=134\nNAME=GB\nTTFMountPath=" << kFolder << "\n";
    g_IniFile.SetPath((dir / "VORLAN98.INI").string());
    g_Language.Load();
    g_FontCatalog.EnumWindowsFonts();
    g_TtfFontTable.ScanTtfMounts();
    fw::res::Clear();
    RegisterCreateCftResources();
  }
  ~Fonts() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
};

Fonts& TheFonts() {
  static Fonts f;
  return f;
}

// Create through the dialog from the source whose label starts with `source`.
void BuildGb2312(benchmark::State& state, const std::string& source, int font) {
  Fonts& fonts = TheFonts();
  QuietSink quiet;
  plat::ScopedReportSink sink(&quiet);
  if (font < 0) {
    state.SkipWithError("the face is not installed");
    return;
  }
  const std::string out = (fonts.dir / "GB.CFT").string();
  for (auto _ : state) {
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      auto* labels = d.Item<fw::CComboBox>(IDC_CFT_SOURCES);
      for (int i = 0; i < labels->GetCount(); ++i)
        if (labels->GetLBText(i).rfind(source, 0) == 0) d.SelectComboItem(IDC_CFT_SOURCES, i);
      d.SelectListItem(IDC_CFT_FONTS, font);
      d.TypeText(IDC_CFT_PATH, fonts.dir.string());
      d.TypeText(IDC_CFT_FILE, "GB.CFT");
      d.TypeText(IDC_CFT_BQH, "176");
      d.TypeText(IDC_CFT_EQH, "247");
      d.TypeText(IDC_CFT_BWH, "161");
      d.TypeText(IDC_CFT_EWH, "254");
      d.ClickButton(fw::IDOK);
      d.ClickButton(fw::IDCANCEL);
    });
    CCreateCftDlg dlg;
    dlg.DoModal();
    fw::ResetWindowSystem();
  }
  int glyphs = 0;
  for (int q = 176; q <= 247; ++q)
    for (int w = 161; w <= 254; ++w) glyphs += CCftFont::GetGlyphOffset(out, std::uint16_t(q << 8 | w)) != 0;
  state.counters["glyphs"] = glyphs;
  state.counters["bytes"] = double(std::filesystem::file_size(out));
  state.SetItemsProcessed(std::int64_t(state.iterations()) * glyphs);
}

void BM_CreateFromInstalledFace(benchmark::State& state) {
  TheFonts();
  BuildGb2312(state, "GBWinFonts", g_FontCatalog.FindEntry(0, 0, plat::Utf8ToGbk(kFace)));
}
BENCHMARK(BM_CreateFromInstalledFace)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CreateFromTrueTypeFile(benchmark::State& state) {
  TheFonts();
  BuildGb2312(state, "GBTTFFonts", g_TtfFontTable.FindEntry(0, 0, plat::Utf8ToGbk(kFace)));
}
BENCHMARK(BM_CreateFromTrueTypeFile)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
