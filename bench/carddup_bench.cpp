// links: tindrel_app
// Name cards: a card of 200 glyph outlines copied 10 x 10 (19,800 pasted
// objects in one undo step), then that step undone; and the peer, unpacking
// the card's object block 99 times.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/appresources.h"
#include "app/carddupdlg.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/tindrelapp.h"
#include "bench/glyph_outlines.h"
#include "framework/app.h"
#include "framework/wnd.h"
#include "model/segarray.h"
#include "platform/gmem.h"
#include "platform/report.h"

namespace {

constexpr int kGlyphs = 200;
constexpr int kCards = 10;

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

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
  char tmpl[] = "/tmp/tindrel-bench-XXXXXX";
  const char* dir = ::mkdtemp(tmpl);
  ::setenv("TINDREL_PROFILE_DIR", (std::string(dir ? dir : "/tmp") + "/profile").c_str(), 1);
  QuietSink sink;
  plat::ScopedReportSink scoped(&sink);
  fw::ResetWindowSystem();
  appres::RegisterAppResources();
  {
    CVORLAN98App app;
    if (!app.InitInstance()) {
      state.SkipWithError("the program did not start");
      return;
    }
    fw::PumpPendingMessages();
    auto* main = dynamic_cast<CMDIMainFrame*>(app.m_pMainWnd);
    auto* view = main ? dynamic_cast<CVORLAN98View*>(main->GetActiveView()) : nullptr;
    if (!view) {
      state.SkipWithError("no design view");
      return;
    }
    CVORLAN98Doc* doc = view->GetDoc();
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
    if (main->m_hWnd) main->DestroyWindow();
    fw::ResetWindowSystem();
  }
  ::unsetenv("TINDREL_PROFILE_DIR");
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
