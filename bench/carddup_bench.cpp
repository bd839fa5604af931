// links: tindrel_app
// Name cards: a card of 200 glyph outlines copied 10 x 10 (19,800 pasted
// objects in one undo step), then that step undone; and the peer, unpacking
// the card's object block 99 times.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/carddupdlg.h"
#include "bench/bench_app.h"
#include "bench/glyph_outlines.h"
#include "model/segarray.h"
#include "platform/gmem.h"

namespace {

constexpr int kGlyphs = 200;
constexpr int kCards = 10;

// The glyphs shrunk onto a card of about 90 x 55 mm.
std::vector<std::unique_ptr<CPathObject>> Card() {
  std::vector<std::unique_ptr<CPathObject>> glyphs = benchglyphs::GlyphOutlines(kGlyphs);
  const CMatrix3 shrink(0.0045f, 0.0f, 0.0f, 0.0045f, 0.0f, 0.0f);
  for (auto& g : glyphs) {
    g->RecalcBounds();
    g->Transform(shrink);
  }
  return glyphs;
}

void BM_NameCards(benchmark::State& state) {
  benchapp::DesignProgram program;
  if (!program.Ready(state)) return;
  CVORLAN98View* view = program.view;
  CVORLAN98Doc* doc = program.doc;
  for (auto& g : Card()) doc->AddObject(g.release(), false);
  const int card = doc->GetObjectCount();
  CUndoList* undo = view->GetUndoList();
  for (auto _ : state) {
    undo->StartRecord(0);
    DuplicateCards(*view, kCards, kCards, 92.0f, 57.0f);
    undo->EndRecord();
    undo->UndoLastStep(*view);
  }
  state.counters["pasted"] = double(kCards * kCards - 1) * card;
}
BENCHMARK(BM_NameCards)->Unit(benchmark::kMillisecond);

void BM_UnpackCardBlock(benchmark::State& state) {
  CSegArray list;
  for (auto& g : Card()) list.Add(std::move(g));
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  {
    plat::GlobalLockGuard lock(h);
    for (auto _ : state) {
      for (int i = 0; i < kCards * kCards - 1; ++i) {
        std::unique_ptr<CSegArray> copy = CSegArray::UnpackFromBuffer(lock.bytes(), n);
        benchmark::DoNotOptimize(copy.get());
      }
    }
  }
  plat::GlobalFree(h);
}
BENCHMARK(BM_UnpackCardBlock)->Unit(benchmark::kMillisecond);

}  // namespace
