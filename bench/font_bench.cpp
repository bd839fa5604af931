// links: tindrel_platform
// Glyph outlines of the Chinese face: all 6,763 GB2312 characters per pass.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/font.h"

namespace {

constexpr const char* kSungGB = "AR PL SungtiL GB";  // fonts-arphic-gbsn00lp

std::vector<plat::UINT> Gb2312Codes() {
  std::vector<plat::UINT> codes;
  for (plat::UINT lead = 0xB0; lead <= 0xF7; ++lead) {
    for (plat::UINT trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail >= 0xFA) continue;  // the five empty places of zone 55
      codes.push_back(lead << 8 | trail);
    }
  }
  return codes;
}

plat::LOGFONT ChineseFont() {
  plat::LOGFONT lf;
  lf.lfHeight = -1024;
  lf.lfCharSet = plat::GB2312_CHARSET;
  lf.lfQuality = plat::PROOF_QUALITY;
  lf.SetFaceName(kSungGB);
  return lf;
}

void BM_Gb2312Outlines(benchmark::State& state) {
  plat::Font font(ChineseFont());
  if (font.RealizedFamily() != kSungGB) {
    state.SkipWithError("AR PL SungtiL GB is not installed");
    return;
  }
  const auto codes = Gb2312Codes();
  std::vector<unsigned char> buf(1 << 16);
  size_t bytes = 0, missing = 0;
  for (auto _ : state) {
    for (plat::UINT code : codes) {
      plat::GLYPHMETRICS gm;
      // As a caller does it: ask for the size, then fetch.
      plat::DWORD n = font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, 0, nullptr, nullptr);
      if (n == plat::GDI_ERROR || n > buf.size()) {
        ++missing;
        continue;
      }
      bytes += font.GetGlyphOutline(code, plat::GGO_NATIVE, &gm, n, buf.data(), nullptr);
    }
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(codes.size()));
  state.counters["bytes/glyph"] = double(bytes) / double(state.iterations() * codes.size());
  state.counters["missing"] = double(missing) / double(state.iterations());
}
BENCHMARK(BM_Gb2312Outlines)->Unit(benchmark::kMillisecond);

void BM_EnumerateFaces(benchmark::State& state) {
  for (auto _ : state) {
    int n = 0;
    plat::EnumFontFamiliesEx(plat::DEFAULT_CHARSET, [&](const plat::LOGFONT&, plat::DWORD) { return ++n, 1; });
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_EnumerateFaces);

}  // namespace

namespace {

// A font made, realised and deleted per use, as the catalogue and the rulers do.
void BM_MakeFont(benchmark::State& state, const char* face) {
  for (auto _ : state) {
    plat::LOGFONT lf;
    lf.lfHeight = -8;
    lf.lfWidth = -6;
    lf.lfEscapement = -900;
    lf.lfWeight = plat::FW_BOLD;
    lf.SetFaceName(face);
    plat::Font font(lf);
    benchmark::DoNotOptimize(font.IsRealized());
  }
}
BENCHMARK_CAPTURE(BM_MakeFont, installed_name, "DejaVu Sans");
BENCHMARK_CAPTURE(BM_MakeFont, alias, "Arial");

}  // namespace
