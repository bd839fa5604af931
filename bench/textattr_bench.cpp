// links: tindrel_app
// The design view's attribute service on a 10,000-character text selected
// whole: size and font applied in one undo step, and that step undone; as the
// peer, the relayout of the same text. Stub glyphs, so no installed face is
// needed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/selecttracker.h"
#include "bench/bench_app.h"
#include "text/tests/text_fixtures.h"
#include "text/textobject.h"

namespace {

constexpr int kChars = 10000;

// The program started with one document holding the text, selected.
class Session {
 public:
  Session() {
    if (!view) return;
    text = new CTextObject(0, 0, 0, 380, 880);
    const CTextAttr attr = TestAttr(3.0f);
    for (int i = 0; i < kChars; ++i) {
      const std::uint16_t code = i % 5 == 4 ? std::uint16_t('A' + i % 26)
                                            : std::uint16_t(((0xB0 + (i / 94) % 40) << 8) | (0xA1 + i % 94));
      text->chars.Add(std::make_unique<CBoxChar>(code, attr));
    }
    text->Relayout(nullptr, -1);
    view->GetDoc()->AddObject(text, false);
    view->Tracker()->Select(text);
    view->GetUndoList()->DeleteAll();
  }
  ~Session() {
    if (view) view->GetUndoList()->DeleteAll();
  }
  bool Ok() const { return view && text; }

  // Size and font of the whole text in one undo step.
  void Apply(float size, std::uint16_t fontId) {
    CTextAttr a = TestAttr(size);
    a.fontId[1] = fontId;
    a.currentFont = 134;
    CUndoList* undo = view->GetUndoList();
    undo->StartRecord(0);
    view->SetTextAttributes(&a, 1 | 2);
    undo->EndRecord();
  }
  void Undo() { view->SendMessage(fw::WM_COMMAND, 57643, 0); }

  StubGlyphSource glyphs;
  benchapp::DesignProgram program;
  CVORLAN98View* view = program.view;
  CTextObject* text = nullptr;
};

void BM_SetTextAttributes(benchmark::State& state) {
  Session s;
  if (!s.Ok()) {
    state.SkipWithError("the program did not start");
    return;
  }
  for (auto _ : state) {
    s.Apply(5.0f, 7);
    state.PauseTiming();
    s.Undo();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kChars);
}
BENCHMARK(BM_SetTextAttributes)->Unit(benchmark::kMillisecond);

void BM_UndoTextAttributes(benchmark::State& state) {
  Session s;
  if (!s.Ok()) {
    state.SkipWithError("the program did not start");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    s.Apply(5.0f, 7);
    state.ResumeTiming();
    s.Undo();
  }
  state.SetItemsProcessed(state.iterations() * kChars);
}
BENCHMARK(BM_UndoTextAttributes)->Unit(benchmark::kMillisecond);

// The peer: the same text laid out again.
void BM_RelayoutSameText(benchmark::State& state) {
  Session s;
  if (!s.Ok()) {
    state.SkipWithError("the program did not start");
    return;
  }
  for (auto _ : state) {
    s.text->Relayout(nullptr, 0);
    benchmark::DoNotOptimize(s.text->bounds);
  }
  state.SetItemsProcessed(state.iterations() * kChars);
}
BENCHMARK(BM_RelayoutSameText)->Unit(benchmark::kMillisecond);

}  // namespace
