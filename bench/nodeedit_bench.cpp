// links: tindrel_model
// Node editing of a 100,000-node path: one drag step (feedback erased, the
// selected nodes moved, feedback drawn) with every node and with one node
// selected, against one XOR outline draw of the same path; the segment hit
// test at the last segment; deleting every other node; inserting a node.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/pathobject.h"
#include "model/tests/fakes.h"

namespace {

constexpr int kNodes = 100000;

// One closed contour zigzagging over the window, every tenth segment a curve.
std::unique_ptr<CPathObject> MakePath(bool selectAll) {
  auto p = std::make_unique<CPathObject>();
  const std::uint8_t sel = selectAll ? PP_SELECTED : 0;
  p->AddPoint(0, 0, std::uint8_t(0x11 | sel));
  for (int i = 1; i < kNodes; ++i) {
    const float x = float(i % 1000), y = float((i / 1000) * 9 + (i % 2) * 4);
    if (i % 10 == 0) {
      p->AddPoint(x - 0.6f, y + 2, 0x00);
      p->AddPoint(x - 0.3f, y + 2, 0x00);
    }
    p->AddPoint(x, y, std::uint8_t(PP_NODE | sel));
  }
  p->AddPoint(0, 0, 0x41);
  p->EndPoints();
  return p;
}

struct Scene {
  Scene() : view(nullptr, 1000, 1000) {
    CreateSharedDrawingTools();
    view.tool = ID_TOOL_NODE;
    view.hasMatrix = true;
  }
  FakeView view;
};

void BM_XorOutlineDraw(benchmark::State& state) {
  Scene s;
  auto path = MakePath(false);
  plat::DC* dc = s.view.GetDC();
  dc->SetROP2(plat::R2_NOTXORPEN);
  for (auto _ : state) path->DrawOutline(dc, s.view.GetViewMatrix(), nullptr);
}
BENCHMARK(BM_XorOutlineDraw)->Unit(benchmark::kMillisecond);

void DragStep(benchmark::State& state, bool all) {
  Scene s;
  auto path = MakePath(all);
  if (!all) path->SelectNode(kNodes / 2, &s.view);
  path->selectedCount = all ? kNodes : 1;
  plat::DC* dc = s.view.GetDC();
  dc->SetROP2(plat::R2_NOTXORPEN);
  const CMatrix3* vm = s.view.GetViewMatrix();
  float d = 0.25f;
  for (auto _ : state) {
    path->DrawSelectedSegmentsXor(dc, vm);
    path->DrawCurrentHandles(dc, vm);
    path->MoveSelectedNodes(d, d, 0);
    path->DrawSelectedSegmentsXor(dc, vm);
    path->DrawCurrentHandles(dc, vm);
    d = -d;
  }
}
void BM_DragStepAllSelected(benchmark::State& state) { DragStep(state, true); }
void BM_DragStepOneSelected(benchmark::State& state) { DragStep(state, false); }
BENCHMARK(BM_DragStepAllSelected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragStepOneSelected)->Unit(benchmark::kMillisecond);

void BM_HitTestLastSegment(benchmark::State& state) {
  Scene s;
  auto path = MakePath(false);
  // Halfway along the closing segment from the last node back to the start.
  float x = float((kNodes - 1) % 1000) / 2.0f;
  float y = float(((kNodes - 1) / 1000) * 9 + ((kNodes - 1) % 2) * 4) / 2.0f;
  for (auto _ : state) benchmark::DoNotOptimize(path->HitTestSegment(&s.view, x, y));
  if (!path->HitTestSegment(&s.view, x, y)) state.SkipWithError("no hit");
}
BENCHMARK(BM_HitTestLastSegment)->Unit(benchmark::kMillisecond);

void BM_DeleteEveryOtherNode(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto path = MakePath(false);
    {
      plat::GlobalLockGuard g(path->points);
      auto* r = g.as<PathPoint>();
      int k = 0;
      for (int i = 0; i < path->count; ++i)
        if (r[i].flags == PP_NODE && (k++ % 2)) r[i].flags |= PP_SELECTED;
    }
    path->selectedCount = kNodes / 2;
    state.ResumeTiming();
    path->DeleteSelectedNodes(nullptr);
    benchmark::DoNotOptimize(path->count);
  }
}
BENCHMARK(BM_DeleteEveryOtherNode)->Unit(benchmark::kMillisecond);

void BM_InsertNodeOnFirstSegment(benchmark::State& state) {
  auto path = MakePath(false);
  for (auto _ : state) {
    path->currentNode = 1;
    path->hitParam = 0.5f;
    path->hitKind = HIT_LINE;
    path->InsertNode(nullptr);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertNodeOnFirstSegment)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
