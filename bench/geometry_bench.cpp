// links: tindrel_model
// Curve flattening and point-list drawing of a 10,000-piece Bezier outline on
// a 1024 x 1024 surface, and point transforms over 1,000,000 points.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "model/bezier.h"
#include "model/geometry.h"
#include "model/pathpoints.h"
#include "platform/dc.h"

namespace {

constexpr int kRows = 100;
constexpr int kPiecesPerRow = 100;  // 10,000 pieces
constexpr int kSide = 1024;

struct Surface {
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(kSide, kSide, 1, 32, nullptr);
  plat::HBITMAP old = dc.SelectObject(bmp);
  ~Surface() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
  }
};

// Rows of waves: each piece 10 units wide with control points 8 units off the row.
std::vector<CBezierSegment> WavePieces() {
  std::vector<CBezierSegment> out;
  out.reserve(kRows * kPiecesPerRow);
  for (int r = 0; r < kRows; ++r) {
    float y = 10.0f + 10.0f * float(r);
    for (int i = 0; i < kPiecesPerRow; ++i) {
      float x = 10.0f + 10.0f * float(i);
      float bulge = (i % 2) ? 8.0f : -8.0f;
      out.push_back({{x, y}, {x + 3, y + bulge}, {x + 7, y + bulge}, {x + 10, y}, {}});
    }
  }
  return out;
}

std::unique_ptr<CPathPointList> WaveList() {
  auto list = std::make_unique<CPathPointList>();
  for (int r = 0; r < kRows; ++r) {
    float y = 10.0f + 10.0f * float(r);
    list->AddPoint(10.0f, y, 0x11);
    for (int i = 0; i < kPiecesPerRow; ++i) {
      float x = 10.0f + 10.0f * float(i);
      float bulge = (i % 2) ? 8.0f : -8.0f;
      list->AddPoint(x + 3, y + bulge, 0x00);
      list->AddPoint(x + 7, y + bulge, 0x00);
      list->AddPoint(x + 10, y, i + 1 == kPiecesPerRow ? 0x21 : 0x01);
    }
  }
  list->EndPoints();
  return list;
}

void BM_FlattenDrawPieces(benchmark::State& state) {
  Surface s;
  const auto pieces = WavePieces();
  for (auto _ : state) {
    for (int r = 0; r < kRows; ++r) {
      const CBezierSegment& first = pieces[std::size_t(r) * kPiecesPerRow];
      s.dc.MoveTo(plat::LONG(first.P0.x), plat::LONG(first.P0.y));
      for (int i = 0; i < kPiecesPerRow; ++i)
        pieces[std::size_t(r) * kPiecesPerRow + std::size_t(i)].DrawFlattened(&s.dc, 0.25f);
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_FlattenDrawPieces)->Unit(benchmark::kMillisecond);

void BM_FlattenToText(benchmark::State& state) {
  const auto pieces = WavePieces();
  for (auto _ : state) {
    std::size_t chars = 0;
    for (const auto& p : pieces) chars += FlattenBezierToText(p).size();
    benchmark::DoNotOptimize(chars);
  }
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_FlattenToText)->Unit(benchmark::kMillisecond);

void BM_DrawOutline(benchmark::State& state) {
  Surface s;
  auto list = WaveList();
  for (auto _ : state) list->DrawOutline(&s.dc);
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_DrawOutline)->Unit(benchmark::kMillisecond);

void BM_DrawOutlineClipped(benchmark::State& state) {
  Surface s;
  auto list = WaveList();
  const plat::RECT clip{0, 0, 512, 512};
  for (auto _ : state) list->DrawOutline(&s.dc, &clip);
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_DrawOutlineClipped)->Unit(benchmark::kMillisecond);

void BM_FillPath(benchmark::State& state) {
  Surface s;
  auto list = WaveList();
  for (auto _ : state) benchmark::DoNotOptimize(list->FillPath(&s.dc));
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_FillPath)->Unit(benchmark::kMillisecond);

void BM_BuildOutline(benchmark::State& state) {
  for (auto _ : state) {
    auto list = WaveList();
    benchmark::DoNotOptimize(list->count);
  }
  state.SetItemsProcessed(state.iterations() * kRows * kPiecesPerRow);
}
BENCHMARK(BM_BuildOutline)->Unit(benchmark::kMillisecond);

constexpr int kPoints = 1000000;

void BM_TransformPoints(benchmark::State& state) {
  auto m = MakeRotateMatrix(0, 0, 100, 100, 33.0f);
  std::vector<CFPoint> pts(kPoints);
  for (int i = 0; i < kPoints; ++i) pts[std::size_t(i)] = {float(i % 1000), float(i / 1000)};
  for (auto _ : state) {
    for (auto& p : pts) m->TransformPoint(p);
    benchmark::DoNotOptimize(pts.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TransformPoints)->Unit(benchmark::kMillisecond);

void BM_TransformPointsToInt(benchmark::State& state) {
  CMatrix3 m(3.78f, 0, 0, 3.78f, 12.5f, -7.25f);
  std::vector<CFPoint> pts(kPoints);
  std::vector<plat::POINT> out(kPoints);
  for (int i = 0; i < kPoints; ++i) pts[std::size_t(i)] = {float(i % 1000), float(i / 1000)};
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) m.TransformPointToInt(pts[std::size_t(i)], &out[std::size_t(i)]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TransformPointsToInt)->Unit(benchmark::kMillisecond);

// A pending transform baked into a list of 1,000,000 records.
void BM_ApplyTransformList(benchmark::State& state) {
  CPathPointList list;
  list.AddPoint(0, 0, 0x11);
  for (int i = 1; i < kPoints - 1; ++i) list.AddPoint(float(i % 1000), float(i / 1000), 0x01);
  list.EndPoints();
  CMatrix3 m(1.0001f, 0.0001f, -0.0001f, 1.0001f, 0.5f, 0.25f);
  for (auto _ : state) {
    list.Transform(&m);
    list.ApplyTransform();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ApplyTransformList)->Unit(benchmark::kMillisecond);

}  // namespace
