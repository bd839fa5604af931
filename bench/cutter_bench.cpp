// links: tindrel_output
// The cutter device: 1,000 glyph outlines (DejaVu Sans, 50 mm, curves
// included) plotted through an HPGL-like model into a file port, with the
// knife compensation off and on, and as a half cut.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "model/pathobject.h"
#include "model/settings.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "platform/font.h"

namespace {

constexpr float kRs = 0.025f;
constexpr int kGlyphUnits = int(50.0f / kRs);  // 50 mm in plotter units

std::string TempPath(const char* name) {
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/tindrel-bench-" + std::to_string(getpid()) + "-" + name;
}

// One path per glyph, quadratic pieces raised to cubic Beziers.
std::vector<std::unique_ptr<CPathObject>> GlyphOutlines(int count) {
  plat::LOGFONT lf{};
  lf.lfHeight = -kGlyphUnits;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "DejaVu Sans");
  plat::Font font(lf);
  std::vector<std::unique_ptr<CPathObject>> out;
  const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789&@%$?";
  for (int i = 0; out.size() < std::size_t(count) && i < count * 4; ++i) {
    const unsigned ch = static_cast<unsigned char>(chars[std::size_t(i) % chars.size()]);
    plat::GLYPHMETRICS gm;
    plat::DWORD n = font.GetGlyphOutline(ch, plat::GGO_NATIVE, &gm, 0, nullptr, nullptr);
    if (n == plat::GDI_ERROR || n == 0) continue;
    std::vector<char> buf(n);
    font.GetGlyphOutline(ch, plat::GGO_NATIVE, &gm, n, buf.data(), nullptr);
    std::vector<plat::NativeContour> contours;
    if (!plat::ParseNativeOutline(buf.data(), buf.size(), &contours)) continue;
    const float ox = float((out.size() % 40) * kGlyphUnits), oy = float((out.size() / 40) * kGlyphUnits);
    auto pt = [&](const plat::POINTFX& p) {
      return CFPoint{ox + float(plat::FixedToDouble(p.x)), oy + kGlyphUnits - float(plat::FixedToDouble(p.y))};
    };
    auto path = std::make_unique<CPathObject>();
    for (const plat::NativeContour& c : contours) {
      CFPoint cur = pt(c.start);
      const CFPoint first = cur;
      path->AddPoint(cur.x, cur.y, 0x11);
      for (const plat::NativeCurve& curve : c.curves) {
        if (curve.type == plat::TT_PRIM_QSPLINE) {
          // Controls; between two of them the on-curve point is their middle.
          const std::size_t n = curve.points.size();
          for (std::size_t k = 0; k + 1 < n; ++k) {
            const CFPoint ctrl = pt(curve.points[k]);
            const CFPoint next = pt(curve.points[k + 1]);
            const CFPoint end = k + 2 == n ? next : CFPoint{(ctrl.x + next.x) / 2, (ctrl.y + next.y) / 2};
            path->AddPoint(cur.x + (ctrl.x - cur.x) * 2 / 3, cur.y + (ctrl.y - cur.y) * 2 / 3, 0);
            path->AddPoint(end.x + (ctrl.x - end.x) * 2 / 3, end.y + (ctrl.y - end.y) * 2 / 3, 0);
            path->AddPoint(end.x, end.y, 0x01);
            cur = end;
          }
        } else {
          for (const plat::POINTFX& p : curve.points) {
            cur = pt(p);
            path->AddPoint(cur.x, cur.y, 0x01);
          }
        }
      }
      path->AddPoint(first.x, first.y, 0x41);
    }
    path->EndPoints();
    out.push_back(std::move(path));
  }
  return out;
}

void BM_PlotGlyphs(benchmark::State& state) {
  const int mode = int(state.range(0));  // 0 plain, 1 compensation, 2 half cut
  const std::string iniPath = TempPath("Cutters.INI");
  {
    std::ofstream f(iniPath);
    f << "[CutterDevices]\nHPGL=HPGL\n[HPGL]\nRS=0.025\nInitCmd=IN;\nHomeCmd=PU0,0;\nAbsCmd=PA;\n"
         "PenUp=PU;\nMoveTo=PU%d,%d;\nLineTo=PD%d,%d;\nLineToEx=PD%d,%d;\nHardOffset=0\n"
         "Offset=0.3\nOVERCUT=40\n";
  }
  const std::string outPath = TempPath("job.plt");
  CIniFile ini(iniPath);
  auto glyphs = GlyphOutlines(1000);
  CCutterDriver dev("HPGL", ini);
  dev.port.SetSettingsPath(TempPath("Port.INI"));
  dev.port.SetPortName(outPath.c_str());
  dev.hardOffset = mode == 1 ? 0 : 1;
  CCutInfo info;
  info.knifeOffset = dev.offset;
  info.halfCut = mode == 2 ? 1 : 0;
  info.solidCut = 2.0f;
  info.voidCut = 0.5f;
  std::int64_t bytes = 0, commands = 0;
  for (auto _ : state) {
    if (!dev.BeginJob(nullptr, info)) {
      state.SkipWithError("port");
      break;
    }
    for (auto& g : glyphs) g->PlotToCutter(dev);
    dev.EndJob(info, 0);
    dev.ClosePort();
    state.PauseTiming();
    std::ifstream f(outPath, std::ios::binary);
    std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    bytes += std::int64_t(s.size());
    commands += std::count(s.begin(), s.end(), ';');
    state.ResumeTiming();
  }
  state.counters["glyphs"] = double(glyphs.size());
  state.counters["bytes_per_s"] = benchmark::Counter(double(bytes), benchmark::Counter::kIsRate);
  state.counters["commands_per_s"] = benchmark::Counter(double(commands), benchmark::Counter::kIsRate);
  std::remove(outPath.c_str());
  std::remove(iniPath.c_str());
}
BENCHMARK(BM_PlotGlyphs)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond);

}  // namespace
