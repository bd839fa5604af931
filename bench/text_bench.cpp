// links: tindrel_text
// Lettering on the installed faces: a 1,000-character text (800 GB
// characters in AR PL SungtiL GB, 200 Latin letters in DejaVu Sans) laid out,
// outlined, converted to paths and drawn into a 1920 x 1080 screen; as a
// floor, the same outlines straight from the platform fonts; a page of
// 100 lines x 50 GB characters at 5 mm repainted at 1920 x 1080, first, as it
// stands, scrolled, zoomed, and on a window at device pixel ratio 1 and 2; and packing
// and unpacking 10,000 items.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "model/pathpoints.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/dc.h"
#include "platform/font.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/textobject.h"

namespace {

struct Faces {
  Faces() {
    dir = std::filesystem::temp_directory_path() / "tindrel-text-bench";
    std::filesystem::create_directories(dir);
    const std::string ini = (dir / "VORLAN98.INI").string();
    std::ofstream(ini) << "[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=0\nNAME=EN\n";
    g_IniFile.SetPath(ini);
    g_Language.Load();
    g_FontCatalog.EnumWindowsFonts();
    song = g_FontCatalog.FindEntry(0, 0, plat::Utf8ToGbk("文鼎ＰＬ简报宋"));
    dejavu = g_FontCatalog.FindEntry(1, 0, "DejaVu Sans");
    attr.sizeX = attr.sizeY = 10.0f;
    attr.doubleByteLanguage = 134;
    attr.fontId[0] = std::uint16_t(song < 0 ? 0 : song);
    attr.fontId[1] = std::uint16_t(dejavu < 0 ? 0 : dejavu);
  }
  bool Ok() const { return song >= 0 && dejavu >= 0; }
  std::filesystem::path dir;
  int song = -1, dejavu = -1;
  CTextAttr attr;
};

Faces& TheFaces() {
  static Faces faces;
  return faces;
}

// 800 GB characters from the first level rows and 200 Latin letters, mixed.
std::vector<std::uint16_t> Codes() {
  std::vector<std::uint16_t> codes;
  for (int i = 0; i < 1000; ++i) {
    if (i % 5 == 4)
      codes.push_back(std::uint16_t('A' + i % 26));
    else
      codes.push_back(std::uint16_t(((0xB0 + (i / 94) % 40) << 8) | (0xA1 + i % 94)));
  }
  return codes;
}

// Laid out, with the glyphs of the GB characters fetched once (the items
// keep them; Latin glyphs are fetched at every use).
std::unique_ptr<CTextObject> MakeText() {
  auto t = std::make_unique<CTextObject>(0, 0, 0, 400, 400);
  for (std::uint16_t c : Codes()) t->chars.Add(std::make_unique<CBoxChar>(c, TheFaces().attr));
  t->Relayout(nullptr, -1);
  delete t->MakeOutline(nullptr, 0);
  return t;
}

#define NEED_FACES(state)                                      \
  if (!TheFaces().Ok()) {                                      \
    state.SkipWithError("AR PL SungtiL GB or DejaVu Sans missing"); \
    return;                                                    \
  }

// Fetching every glyph anew, as a freshly loaded text does.
void BM_FirstOutline(benchmark::State& state) {
  NEED_FACES(state);
  for (auto _ : state) {
    state.PauseTiming();
    auto t = std::make_unique<CTextObject>(0, 0, 0, 400, 400);
    for (std::uint16_t c : Codes()) t->chars.Add(std::make_unique<CBoxChar>(c, TheFaces().attr));
    t->Relayout(nullptr, -1);
    state.ResumeTiming();
    std::unique_ptr<CPathPointList> o(t->MakeOutline(nullptr, 0));
    benchmark::DoNotOptimize(o.get());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_FirstOutline)->Unit(benchmark::kMillisecond);

void BM_Layout(benchmark::State& state) {
  NEED_FACES(state);
  auto t = MakeText();
  for (auto _ : state) {
    t->Relayout(nullptr, 0);
    benchmark::DoNotOptimize(t->bounds);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Layout)->Unit(benchmark::kMillisecond);

void BM_MakeOutline(benchmark::State& state) {
  NEED_FACES(state);
  auto t = MakeText();
  for (auto _ : state) {
    std::unique_ptr<CPathPointList> o(t->MakeOutline(nullptr, 0));
    benchmark::DoNotOptimize(o.get());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MakeOutline)->Unit(benchmark::kMillisecond);

void BM_ConvertToPath(benchmark::State& state) {
  NEED_FACES(state);
  auto t = MakeText();
  for (auto _ : state) {
    auto paths = t->ConvertToPath(-1);
    benchmark::DoNotOptimize(paths.get());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ConvertToPath)->Unit(benchmark::kMillisecond);

void BM_Draw1920x1080(benchmark::State& state) {
  NEED_FACES(state);
  auto t = MakeText();
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(1920, 1080, 1, 32, nullptr);
  auto old = dc.SelectObject(bmp);
  // The text's 400 mm square onto the screen's height.
  CMatrix3 view(2.7f, 0, 0, 2.7f, 0, 0);
  for (auto _ : state) t->Draw(&dc, &view, nullptr);
  dc.SelectObject(old);
  plat::DeleteObject(bmp);
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Draw1920x1080)->Unit(benchmark::kMillisecond);

// A page of lettering: 100 lines of 50 GB characters at 5 mm, the whole
// page on a 1920 x 1080 screen, repainted as the design view does (white,
// then the text through the view matrix, the screen as the visible part).
// The first repaint happens before timing (counter "first ms").
std::unique_ptr<CTextObject> MakePage() {
  CTextAttr attr = TheFaces().attr;
  attr.sizeX = attr.sizeY = 5.0f;
  auto t = std::make_unique<CTextObject>(0, 0, 0, 300, 600);
  for (int line = 0; line < 100; ++line) {
    for (int i = 0; i < 50; ++i) {
      const int k = line * 50 + i;
      t->chars.Add(std::make_unique<CBoxChar>(
          std::uint16_t(((0xB0 + (k / 94) % 40) << 8) | (0xA1 + k % 94)), attr));
    }
    t->chars.Add(std::make_unique<CBoxChar>(std::uint16_t(13), attr));
  }
  t->Relayout(nullptr, -1);
  return t;
}

struct LetteredPage {
  std::unique_ptr<CTextObject> text;
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(1920, 1080, 1, 32, nullptr);
  plat::HGDIOBJ old = dc.SelectObject(bmp);
  float scale = 1.0f, ox = 0.0f, oy = 0.0f;  // px/mm; where the page's origin is, whole pixels
  double firstMs = 0.0;

  // Painted once unless `paint` is false.
  explicit LetteredPage(bool paint = true) {
    text = MakePage();
    scale = 1080.0f / (text->bounds.bottom - text->bounds.top + 10.0f);
    ox = std::round(5.0f - text->bounds.left * scale);
    oy = std::round(5.0f - text->bounds.top * scale);
    if (!paint) return;
    const auto start = std::chrono::steady_clock::now();
    Repaint();
    firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  ~LetteredPage() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
  }
  void Repaint() {
    const CMatrix3 view(scale, 0, 0, scale, ox, oy);
    const CFRect visible(-ox / scale, -oy / scale, (1920.0f - ox) / scale, (1080.0f - oy) / scale);
    dc.FillSolidRect(plat::RECT{0, 0, 1920, 1080}, plat::RGB(255, 255, 255));
    text->Draw(&dc, &view, &visible);
  }
};

void BM_RepaintPage1920x1080(benchmark::State& state) {
  NEED_FACES(state);
  LetteredPage page;
  for (auto _ : state) page.Repaint();
  state.SetItemsProcessed(state.iterations() * 5000);
  state.counters["px/mm"] = page.scale;
  state.counters["first ms"] = page.firstMs;
}
BENCHMARK(BM_RepaintPage1920x1080)->Unit(benchmark::kMillisecond);

// The first repaint of a page just made, as after opening it: every glyph
// fetched from the fonts and stroked.
void BM_FirstRepaintPage1920x1080(benchmark::State& state) {
  NEED_FACES(state);
  for (auto _ : state) {
    state.PauseTiming();
    auto page = std::make_unique<LetteredPage>(false);
    state.ResumeTiming();
    page->Repaint();
    state.PauseTiming();
    page.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_FirstRepaintPage1920x1080)->Unit(benchmark::kMillisecond);

// One scroll step and its repaint: the view moves 48 whole pixels down, then
// back up, and so on.
void BM_ScrollStepPage1920x1080(benchmark::State& state) {
  NEED_FACES(state);
  LetteredPage page;
  float step = -48.0f;
  for (auto _ : state) {
    page.oy += step;
    step = -step;
    page.Repaint();
  }
  state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_ScrollStepPage1920x1080)->Unit(benchmark::kMillisecond);

// One zoom step and its repaint: in by 1.25 about the screen's centre, then
// out again, and so on.
void BM_ZoomStepPage1920x1080(benchmark::State& state) {
  NEED_FACES(state);
  LetteredPage page;
  float factor = 1.25f;
  for (auto _ : state) {
    page.scale *= factor;
    page.ox = std::round(960.0f - (960.0f - page.ox) * factor);
    page.oy = std::round(540.0f - (540.0f - page.oy) * factor);
    factor = 1.0f / factor;
    page.Repaint();
  }
  state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_ZoomStepPage1920x1080)->Unit(benchmark::kMillisecond);

// The same page repainted on a window of 1920 x 1080 logical pixels on a
// screen of device pixel ratio 1 or 2 (argument): ratio 2 has four times the
// pixels and should take at most four times as long.
void BM_RepaintPageWindowAtRatio(benchmark::State& state) {
  NEED_FACES(state);
  auto t = MakePage();
  plat::WindowSurface window;
  window.SetRatio(double(state.range(0)));
  window.Resize(1920, 1080);
  plat::DC dc(window);
  const float scale = 1080.0f / (t->bounds.bottom - t->bounds.top + 10.0f);
  CMatrix3 view(scale, 0, 0, scale, 5.0f - t->bounds.left * scale, 5.0f - t->bounds.top * scale);
  const CFRect visible(t->bounds.left - 5.0f, t->bounds.top - 5.0f,
                       t->bounds.left + 1915.0f / scale, t->bounds.top + 1075.0f / scale);
  for (auto _ : state) {
    dc.FillSolidRect(plat::RECT{0, 0, 1920, 1080}, plat::RGB(255, 255, 255));
    t->Draw(&dc, &view, &visible);
  }
  state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_RepaintPageWindowAtRatio)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The floor: the same 1,000 outlines from the platform fonts, nothing else.
void BM_FloorPlatformOutlines(benchmark::State& state) {
  NEED_FACES(state);
  auto song = CFontCatalog::CreateCatalogFont(134, plat::Utf8ToGbk("文鼎ＰＬ简报宋"), -1024);
  auto dejavu = CFontCatalog::CreateCatalogFont(0, "DejaVu Sans", -1024);
  const std::vector<std::uint16_t> codes = Codes();
  std::vector<std::uint8_t> buf(1 << 16);
  const plat::MAT2 id = plat::IdentityMat2();
  for (auto _ : state) {
    std::size_t bytes = 0;
    for (std::uint16_t c : codes) {
      plat::Font& f = c >= 256 ? *song : *dejavu;
      plat::GLYPHMETRICS gm;
      plat::DWORD n = f.GetGlyphOutline(c, plat::GGO_NATIVE, &gm, plat::DWORD(buf.size()),
                                        buf.data(), &id);
      if (n != plat::GDI_ERROR) bytes += n;
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_FloorPlatformOutlines)->Unit(benchmark::kMillisecond);

void BM_PackUnpack10000(benchmark::State& state) {
  CBoxArray items;
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 10.0f;
  for (int i = 0; i < 10000; ++i) {
    if (i % 50 == 0)
      items.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, 1.0f));
    else
      items.Add(std::make_unique<CBoxChar>(std::uint16_t(0xB0A1 + i % 90), attr));
  }
  for (auto _ : state) {
    plat::HGLOBAL h = 0;
    const std::uint32_t n = items.PackToGlobal(&h);
    auto back = CBoxArray::UnpackFromGlobal(h);
    plat::GlobalFree(h);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(back.get());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_PackUnpack10000)->Unit(benchmark::kMillisecond);

}  // namespace
