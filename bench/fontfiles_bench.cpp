// links: tindrel_text
// The system's own font readers: TrueType outlines of the 6,763 GB2312
// characters (FreeType on the same codes beside them), own font file glyphs,
// the outline codec alone and BIG5 to GB text conversion.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/codepage.h"
#include "platform/gmem.h"
#include "text/cftfont.h"
#include "text/codetables.h"
#include "text/outlinecodec.h"
#include "text/truetype.h"

namespace {

constexpr const char* kSungGb = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

std::vector<std::uint16_t> Gb2312Codes() {
  std::vector<std::uint16_t> codes;
  for (unsigned lead = 0xB0; lead <= 0xF7; ++lead)
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail >= 0xFA) continue;
      codes.push_back(std::uint16_t(lead << 8 | trail));
    }
  return codes;
}

void BM_TrueTypeReaderOutlines(benchmark::State& state) {
  const auto codes = Gb2312Codes();
  std::size_t points = 0;
  for (auto _ : state) {
    for (std::uint16_t code : codes) {
      TtFontMetrics m;
      auto out = CTrueTypeReader::GetGlyphOutline(kSungGb, code, CTrueTypeReader::kGb2312, &m);
      if (out) points += std::size_t(out->count);
    }
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(codes.size()));
  state.counters["points/glyph"] = double(points) / double(state.iterations() * codes.size());
}
BENCHMARK(BM_TrueTypeReaderOutlines)->Unit(benchmark::kMillisecond);

// FreeType on the same codes: unscaled outlines walked by its decomposer.
void BM_FreeTypeOutlines(benchmark::State& state) {
  const auto codes = Gb2312Codes();
  std::vector<char32_t> unicode;
  for (std::uint16_t c : codes) unicode.push_back(plat::CharCodeToUnicode(plat::CP_GBK, c));
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) || FT_New_Face(lib, kSungGb, 0, &face)) {
    state.SkipWithError("FreeType cannot open the font");
    return;
  }
  FT_Outline_Funcs funcs{};
  funcs.move_to = [](const FT_Vector*, void* u) { return ++*static_cast<int*>(u), 0; };
  funcs.line_to = [](const FT_Vector*, void* u) { return ++*static_cast<int*>(u), 0; };
  funcs.conic_to = [](const FT_Vector*, const FT_Vector*, void* u) { return ++*static_cast<int*>(u), 0; };
  funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void* u) {
    return ++*static_cast<int*>(u), 0;
  };
  int segments = 0;
  for (auto _ : state) {
    for (char32_t u : unicode) {
      FT_UInt gi = FT_Get_Char_Index(face, u);
      if (FT_Load_Glyph(face, gi, FT_LOAD_NO_SCALE)) continue;
      FT_Outline_Decompose(&face->glyph->outline, &funcs, &segments);
    }
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(codes.size()));
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}
BENCHMARK(BM_FreeTypeOutlines)->Unit(benchmark::kMillisecond);

// The outlines of the GB2312 characters, read once.
const std::vector<std::unique_ptr<CPathPointList>>& Outlines() {
  static const auto outlines = [] {
    std::vector<std::unique_ptr<CPathPointList>> v;
    for (std::uint16_t code : Gb2312Codes()) {
      TtFontMetrics m;
      auto out = CTrueTypeReader::GetGlyphOutline(kSungGb, code, CTrueTypeReader::kGb2312, &m);
      if (!out) continue;
      // Into the 1024 frame, as the font builder stores them.
      const float s = 1024.0f / float(m.unitsPerEm ? m.unitsPerEm : 1024);
      CMatrix3 t(s, 0, 0, -s, -s * m.xMin, s * m.yMin + 1024.0f);
      out->Transform(&t);
      out->ApplyTransform();
      v.push_back(std::move(out));
    }
    return v;
  }();
  return outlines;
}

void BM_CodecEncode(benchmark::State& state) {
  const auto& outlines = Outlines();
  COutlineCodec codec;
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const auto& o : outlines) {
      plat::HGLOBAL h = 0;
      bytes += codec.Encode(*o, &h);
      plat::GlobalFree(h);
    }
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(outlines.size()));
  state.counters["bytes/glyph"] = double(bytes) / double(state.iterations() * outlines.size());
}
BENCHMARK(BM_CodecEncode)->Unit(benchmark::kMillisecond);

void BM_CodecDecode(benchmark::State& state) {
  const auto& outlines = Outlines();
  COutlineCodec codec;
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const auto& o : outlines) {
    plat::HGLOBAL h = 0;
    if (!codec.Encode(*o, &h)) continue;
    {
      plat::GlobalLockGuard g(h);
      blocks.emplace_back(g.bytes() + 4, g.bytes() + g.size());
    }
    plat::GlobalFree(h);
  }
  for (auto _ : state) {
    for (const auto& b : blocks) benchmark::DoNotOptimize(codec.DecodeData(b.data(), b.size(), nullptr, 6.0f));
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(blocks.size()));
}
BENCHMARK(BM_CodecDecode)->Unit(benchmark::kMillisecond);

void BM_CftGlyphs(benchmark::State& state) {
  const auto codes = Gb2312Codes();
  const std::string path =
      (std::filesystem::temp_directory_path() / ("tindrel-bench-" + std::to_string(::getpid()) + ".CFT")).string();
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xF7, 0xA1, 0xFE);
  CCftFont::CreateFile(path, h);
  COutlineCodec codec;
  for (std::uint16_t code : codes) {
    TtFontMetrics m;
    auto out = CTrueTypeReader::GetGlyphOutline(kSungGb, code, CTrueTypeReader::kGb2312, &m);
    plat::HGLOBAL block = 0;
    std::uint32_t n = out ? codec.Encode(*out, &block) : 0;
    {
      plat::GlobalLockGuard g(block);
      CCftFont::WriteGlyph(path, h, std::uint8_t(code >> 8), std::uint8_t(code), n ? g.bytes() : nullptr, n);
    }
    if (block) plat::GlobalFree(block);
  }
  std::size_t found = 0;
  for (auto _ : state) {
    for (std::uint16_t code : codes) found += CCftFont::ReadGlyph(path, code) ? 1 : 0;
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(codes.size()));
  state.counters["found"] = double(found) / double(state.iterations());
  std::filesystem::remove(path);
}
BENCHMARK(BM_CftGlyphs)->Unit(benchmark::kMillisecond);

void BM_Big5ToGbString(benchmark::State& state) {
  // 1 MB of BIG5 text: characters of every lead byte, with ASCII between.
  std::string text;
  unsigned k = 0;
  while (text.size() < (1u << 20)) {
    unsigned lead = 0xA4 + (k % 0x46), trail = 0x40 + (k % 0x3F);
    text.push_back(char(lead));
    text.push_back(char(trail));
    if (k % 7 == 0) text.push_back('a');
    ++k;
  }
  std::vector<char> buf(text.size() + 1);
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(text.begin(), text.end(), buf.begin());
    buf.back() = 0;
    state.ResumeTiming();
    g_CodeTables.Big5ToGbString(buf.data());
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_Big5ToGbString)->Unit(benchmark::kMicrosecond);

}  // namespace
