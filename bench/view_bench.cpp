// links: tindrel_app
// The page, its shadow and a 1 mm grid of a 400 x 900 mm page filling a
// 1920 x 1080 view, and the two ruler bars along it.
#include <benchmark/benchmark.h>

#include "app/appresources.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "framework/wnd.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A view of a new document in a plain parent window, sized to the screen.
struct ViewSetup {
  ViewSetup() {
    appres::RegisterAppResources();
    parent.CreateEx(0, "FwBenchParent", "", fw::WS_POPUP | fw::WS_VISIBLE, fw::RECT{0, 0, kWidth + 40, kHeight + 40},
                    nullptr, 0);
    doc.m_bAutoDelete = fw::FALSE;
    doc.OnNewDocument();
    doc.GetPageInfo().m_gridSize = 1;
    view = new CVORLAN98View;
    view->Create("FwView", "", fw::WS_CHILD | fw::WS_VISIBLE, fw::RECT{0, 0, kWidth + 16, kHeight + 16}, &parent, 1);
    doc.AddView(view);
    view->OnInitialUpdate();
    bmp = plat::CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    old = dc.SelectObject(bmp);
  }
  ~ViewSetup() {
    dc.SelectObject(old);
    plat::DeleteObject(bmp);
    doc.RemoveView(view);
    fw::ResetWindowSystem();
  }
  fw::CWnd parent;
  CVORLAN98Doc doc;
  CVORLAN98View* view = nullptr;
  plat::DC dc;
  plat::HBITMAP bmp = nullptr, old = nullptr;
};

void BM_PageShadowAndGrid(benchmark::State& state) {
  ViewSetup s;
  const fw::RECT all{0, 0, kWidth, kHeight};
  auto* white = static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH));
  for (auto _ : state) {
    s.dc.FillRect(all, white);
    s.view->PaintPage(&s.dc);
  }
}
BENCHMARK(BM_PageShadowAndGrid)->Unit(benchmark::kMillisecond);

void BM_RulerBars(benchmark::State& state) {
  ViewSetup s;
  CViewRulers& rulers = *s.view->GetRulers();
  for (auto _ : state) {
    rulers.Horizontal().Paint(&s.dc, kWidth);
    rulers.Vertical().Paint(&s.dc, kHeight);
  }
}
BENCHMARK(BM_RulerBars)->Unit(benchmark::kMillisecond);

}  // namespace
