// links: tindrel_app
// Copy of 10,000 selected paths of 20 nodes to the program's clipboard and
// their paste back into a list, against packing and unpacking the same list
// directly.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/clipboard.h"
#include "framework/clipboard.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/services.h"

namespace {

constexpr int kPaths = 10000;
constexpr int kNodes = 20;

void FillPaths(CSegArray& list) {
  for (int i = 0; i < kPaths; ++i) {
    auto p = std::make_unique<CPathObject>();
    const float x = float(i % 100) * 4.0f, y = float(i / 100) * 4.0f;
    for (int k = 0; k < kNodes; ++k) {
      std::uint8_t flags = PP_NODE;
      if (k == 0) flags |= PP_START;
      if (k == kNodes - 1) flags |= PP_CLOSEEND;
      p->AddPoint(x + float(k % 5), y + float(k / 5), flags);
    }
    p->EndPoints();
    p->selected = 1;
    list.Add(std::move(p));
  }
}

struct ClipboardScope {
  ClipboardScope() {
    fw::ResetClipboard();
    RegisteredClipboardFormats().objectList = fw::RegisterClipboardFormat("Tindrel - [SEGMULTI]");
    old = SetClipboardServices(&TheAppClipboard());
  }
  ~ClipboardScope() {
    SetClipboardServices(old);
    fw::ResetClipboard();
  }
  CClipboardServices* old = nullptr;
};

void BM_CopyPastePaths(benchmark::State& state) {
  ClipboardScope scope;
  CSegArray list;
  FillPaths(list);
  CClipboardServices& clip = TheAppClipboard();
  for (auto _ : state) {
    list.CopyToClipboard();
    std::unique_ptr<CSegArray> back;
    if (clip.Open()) {
      back = CSegArray::UnpackFromGlobal(clip.GetData(RegisteredClipboardFormats().objectList));
      clip.Close();
    }
    if (!back || back->GetSize() != kPaths) state.SkipWithError("paste lost objects");
    benchmark::DoNotOptimize(back.get());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_CopyPastePaths)->Unit(benchmark::kMillisecond);

// The peer: the same list packed into a block and read back.
void BM_PackUnpackPaths(benchmark::State& state) {
  CSegArray list;
  FillPaths(list);
  for (auto _ : state) {
    plat::HGLOBAL h = 0;
    const std::uint32_t n = list.PackToGlobal(&h);
    std::unique_ptr<CSegArray> back;
    {
      plat::GlobalLockGuard lock(h);
      back = CSegArray::UnpackFromBuffer(lock.bytes(), n);
    }
    plat::GlobalFree(h);
    if (!back || back->GetSize() != kPaths) state.SkipWithError("unpack lost objects");
    benchmark::DoNotOptimize(back.get());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(BM_PackUnpackPaths)->Unit(benchmark::kMillisecond);

}  // namespace
