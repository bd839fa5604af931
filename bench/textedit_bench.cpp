// links: tindrel_text
// Editing and curved layouts: the relayout after one keystroke in a
// 1,000-character text (from the keystroke's line, as the layout timer runs
// it; the goal is well inside one 60 Hz frame), an arc of 1,000 characters,
// and 100 and 1,000 characters along a 200-segment Bezier path (the time per
// character should stay flat).
#include <benchmark/benchmark.h>

#include <memory>

#include "model/pathobject.h"
#include "text/arrange.h"
#include "text/textobject.h"

namespace {

constexpr std::uint16_t kCode = 0xB0A1;  // double-byte: measured without a font

void UseDefaults() {
  CTextAttr& d = DefaultTextAttr();
  d.sizeX = d.sizeY = 10.0f;
  d.doubleByteLanguage = 134;
}

void Fill(CBoxArray& items, int n) {
  for (int i = 0; i < n; ++i) {
    auto c = std::make_unique<CBoxChar>(kCode, DefaultTextAttr());
    c->Measure(0);
    items.Add(std::move(c));
  }
}

void BM_KeystrokeRelayout(benchmark::State& state) {
  UseDefaults();
  CTextObject text(0, 0, 0, 200, 600);
  Fill(text.chars, 1000);
  text.Relayout(nullptr, -1);
  text.editMode = ID_TOOL_TEXT;
  for (auto _ : state) {
    text.caretIndex = 500;
    text.caretSide = 0;
    text.OnCharText(nullptr, kCode, 0);
    for (int tick = 0; tick < 4; ++tick) text.OnTimer(nullptr, kTextLayoutTimer);
    state.PauseTiming();
    text.DeleteCharAtCaret(nullptr);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_KeystrokeRelayout)->Unit(benchmark::kMicrosecond);

void BM_ArcLayout(benchmark::State& state) {
  UseDefaults();
  CBoxArray items;
  CMatrix3 m;
  Fill(items, 1000);
  CArcArrange arc(0, 2000, 4000, 0, &m, &items);
  for (auto _ : state) arc.Layout(0);
  state.SetItemsProcessed(state.iterations() * 1000);
  items.DeleteAll();
}
BENCHMARK(BM_ArcLayout)->Unit(benchmark::kMicrosecond);

// A wave of 200 Bezier segments, each about 40 mm long.
std::unique_ptr<CPathObject> Wave() {
  auto p = std::make_unique<CPathObject>();
  p->AddPoint(0, 0, 0x11);
  for (int i = 0; i < 200; ++i) {
    const float x = float(i) * 30.0f;
    const float up = i % 2 ? 15.0f : -15.0f;
    p->AddPoint(x + 10, up, 0x00);
    p->AddPoint(x + 20, up, 0x00);
    p->AddPoint(x + 30, 0, i == 199 ? 0x21 : 0x01);
  }
  p->EndPoints();
  return p;
}

void BM_AlongPathLayout(benchmark::State& state) {
  UseDefaults();
  CBoxArray items;
  CMatrix3 m;
  const int n = int(state.range(0));
  Fill(items, n);
  CPathArrange a(Wave(), &m, &items);
  a.flags = ARRF_TURN_ALONG;  // measured once; fit would measure every pass
  for (auto _ : state) a.Layout(0);
  state.SetItemsProcessed(state.iterations() * n);
  items.DeleteAll();
}
BENCHMARK(BM_AlongPathLayout)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
