// links: tindrel_text
// Graphic libraries and seals: scanning a MOUNTLIB folder of 100 libraries
// (10 kinds x 50 graphs each, glyph outlines of AR PL SungtiL GB), outlining
// 1,000 library pictures through the mounted list, and outlining a seal whose
// four characters come from an own vector font file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/pathpoints.h"
#include "model/settings.h"
#include "platform/gmem.h"
#include "text/cftfont.h"
#include "text/glyphsource.h"
#include "text/graphlib.h"
#include "text/libpicobject.h"
#include "text/outlinecodec.h"
#include "text/sealobject.h"
#include "text/textattr.h"
#include "text/truetype.h"

namespace {

constexpr const char* kSungGb = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";
constexpr int kLibraries = 100, kKinds = 10, kGraphs = 50;

std::unique_ptr<CPathPointList> Glyph(std::uint16_t code) {
  TtFontMetrics m;
  return CTrueTypeReader::GetGlyphOutline(kSungGb, code, CTrueTypeReader::kGb2312, &m);
}

// The MOUNTLIB folder with its libraries, made once.
struct Mount {
  Mount() {
    dir = std::filesystem::temp_directory_path() / ("tindrel-graphlib-bench-" + std::to_string(::getpid()));
    const auto mount = dir / "mount";
    std::filesystem::create_directories(mount);
    const std::string ini = (dir / "VORLAN98.INI").string();
    std::ofstream(ini) << "[PATH]\nMOUNTLIB=" << mount.string() << "/\n";
    g_IniFile.SetPath(ini);
    const std::string first = (mount / "L000.LIB").string();
    GraphLibHeader h = MakeGraphLibHeader();
    SetGraphLibText(h.name1, 48, "Library");
    WriteGraphLibHeader(first, h);
    CGraphLib lib;
    lib.OpenPath(first);
    std::uint16_t code = 0xB0A1;
    for (int k = 0; k < kKinds; ++k) {
      GraphKindRecord rec{};
      SetGraphLibText(rec.name, 32, "Kind" + std::to_string(k));
      lib.AddKind(rec);
      for (int j = 0; j < kGraphs; ++j, ++code) {
        if ((code & 0xFF) > 0xFE) code = std::uint16_t((code & 0xFF00) + 0x1A1);
        if (auto g = Glyph(code)) ok = lib.AddGraph(k, *g) && ok;
      }
    }
    for (int i = 1; i < kLibraries; ++i) {
      char name[16];
      std::snprintf(name, sizeof(name), "L%03d.LIB", i);
      std::filesystem::copy_file(first, mount / name);
    }
  }
  ~Mount() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
  bool ok = true;
};

Mount& TheMount() {
  static Mount m;
  return m;
}

void BM_ScanMountedLibraries(benchmark::State& state) {
  if (!TheMount().ok) return state.SkipWithError("AR PL SungtiL GB is not installed");
  int count = 0;
  for (auto _ : state) count = g_MountLibList.ScanMountedLibraries();
  state.counters["libraries"] = count;
  state.SetItemsProcessed(std::int64_t(state.iterations()) * count);
}
BENCHMARK(BM_ScanMountedLibraries)->Unit(benchmark::kMillisecond);

void BM_LibPicMakeOutline(benchmark::State& state) {
  if (!TheMount().ok) return state.SkipWithError("AR PL SungtiL GB is not installed");
  g_MountLibList.ScanMountedLibraries();
  std::vector<std::unique_ptr<CLibPicObject>> pics;
  for (int i = 0; i < 1000; ++i) {
    auto p = std::make_unique<CLibPicObject>(std::uint16_t(LIBTYPE_MOUNTED + i % kLibraries),
                                             std::uint16_t(i % kKinds), std::uint16_t(i % kGraphs));
    p->matrix = CMatrix3(0.05f, 0, 0, 0.05f, float(i % 40) * 10, float(i / 40) * 10);
    pics.push_back(std::move(p));
  }
  std::size_t made = 0;
  for (auto _ : state) {
    for (auto& p : pics) {
      std::unique_ptr<CPathPointList> o(p->MakeOutline(nullptr, 0));
      made += o ? 1 : 0;
    }
  }
  state.counters["outlines"] = double(made) / double(state.iterations());
  state.SetItemsProcessed(std::int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_LibPicMakeOutline)->Unit(benchmark::kMillisecond);

// Characters of font type 2 read from one own vector font file.
class CftGlyphs : public CGlyphSource {
 public:
  explicit CftGlyphs(std::string path) : path_(std::move(path)) {}
  int FindSlot(std::uint8_t) override { return 0; }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t,
                                             std::uint16_t code) override {
    auto o = CCftFont::ReadGlyph(path_, code);
    if (o) o->ApplyTransform();
    return o;
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t, GlyphMetrics&) override { return false; }

 private:
  std::string path_;
};

void BM_SealMakeOutline(benchmark::State& state) {
  const std::uint16_t codes[] = {0xB1EA, 0xD7BC, 0xB7BD, 0xD5C2};  // the default seal text
  const std::string path = (TheMount().dir / "seal.CFT").string();
  CftHeader h = CCftFont::MakeHeader(0xB1, 0xD7, 0xA1, 0xFE);
  CCftFont::CreateFile(path, h);
  COutlineCodec codec;
  for (std::uint16_t code : codes) {
    auto g = Glyph(code);
    if (!g) return state.SkipWithError("AR PL SungtiL GB is not installed");
    plat::HGLOBAL block = 0;
    const std::uint32_t n = codec.Encode(*g, &block);
    {
      plat::GlobalLockGuard lock(block);
      CCftFont::WriteGlyph(path, h, std::uint8_t(code >> 8), std::uint8_t(code), lock.bytes(), n);
    }
    plat::GlobalFree(block);
  }
  CftGlyphs source(path);
  ScopedGlyphSource scope(&source);
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 10.0f;
  attr.fontType[0] = 2;
  CSealObject seal;
  seal.frame = seal.bounds = CFRect(0, 0, 20, 20);
  seal.layoutKind = 4;
  seal.borderWidth = 1.0f;
  seal.frameShape = 2;
  seal.cornerValue = 2.0f;
  seal.marginX = seal.marginY = seal.gapX = seal.gapY = 0.5f;
  for (std::uint16_t code : codes) seal.chars.Add(std::make_unique<CBoxChar>(134, code, attr));
  seal.LayoutChars();
  std::int64_t points = 0;
  for (auto _ : state) {
    std::unique_ptr<CPathPointList> o(seal.MakeOutline(nullptr, 0));
    points = o ? o->count : 0;
  }
  state.counters["records"] = double(points);
}
BENCHMARK(BM_SealMakeOutline)->Unit(benchmark::kMicrosecond);

}  // namespace
