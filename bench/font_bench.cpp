// links: tindrel_platform
// Glyph outlines of the Chinese face: all 6,763 GB2312 characters per pass,
// ours beside FreeType's own scaled outlines of the same characters.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
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
// Ten passes each: the mean and the best of them.
#define OUTLINE_PASSES(fn)                                                              \
  BENCHMARK(fn)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true) \
      ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
OUTLINE_PASSES(BM_Gb2312Outlines);

// The peer: FreeType loads each glyph at the same size (no hinting, no bitmap)
// and walks its outline.
void BM_Gb2312OutlinesFreeType(benchmark::State& state) {
  constexpr const char* kFile = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";
  const auto codes = Gb2312Codes();
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) != 0) {
    state.SkipWithError("FreeType does not start");
    return;
  }
  if (FT_New_Face(lib, kFile, 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, 1024) != 0) {
    FT_Done_FreeType(lib);
    state.SkipWithError("AR PL SungtiL GB is not installed");
    return;
  }
  FT_Outline_Funcs funcs{};
  funcs.move_to = [](const FT_Vector*, void* u) { return ++*static_cast<long*>(u), 0; };
  funcs.line_to = [](const FT_Vector*, void* u) { return ++*static_cast<long*>(u), 0; };
  funcs.conic_to = [](const FT_Vector*, const FT_Vector*, void* u) { return ++*static_cast<long*>(u), 0; };
  funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void* u) {
    return ++*static_cast<long*>(u), 0;
  };
  long segments = 0;
  std::size_t missing = 0;
  // The codes converted to Unicode before timing: the loop times the glyph loads.
  std::vector<unsigned long> unicodes;
  unicodes.reserve(codes.size());
  for (plat::UINT code : codes) unicodes.push_back(plat::CharCodeToUnicode(plat::CP_GBK, code));
  for (auto _ : state) {
    for (unsigned long unicode : unicodes) {
      const FT_UInt glyph = FT_Get_Char_Index(face, unicode);
      if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
        ++missing;
        continue;
      }
      FT_Outline_Decompose(&face->glyph->outline, &funcs, &segments);
    }
    benchmark::DoNotOptimize(segments);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(codes.size()));
  state.counters["missing"] = double(missing) / double(state.iterations());
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}
OUTLINE_PASSES(BM_Gb2312OutlinesFreeType);

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
