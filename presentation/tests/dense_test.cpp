// The design program on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2,
// CTest entry presentation_dense_ratio_2): the view, its rulers and its bands
// are drawn at the physical pixels, the user's clicks land in logical ones.
// At ratio 1 the same tests hold wherever they do not need the dense screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/mainframe.h"
#include "app/rulers.h"
#include "app/tindrelapp.h"
#include "framework/dialog.h"
#include "framework/wnd.h"
#include "model/graphobject.h"
#include "model/segarray.h"
#include "platform/report.h"
#include "presentation/host.h"
#include "presentation/tests/started_program.h"
#include "presentation/widgets.h"

namespace {

using prestest::Pump;

std::vector<std::uint32_t> Pixels(const plat::Surface& s) {
  return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * std::size_t(s.height()));
}

// 2 x 2 blocks of physical pixels that are not one colour: none where a 1x
// picture was doubled.
int MixedBlocks(const plat::Surface& s, plat::LONG x0, plat::LONG y0) {
  int n = 0;
  for (plat::LONG y = y0 & ~1; y + 1 < s.height(); y += 2)
    for (plat::LONG x = x0 & ~1; x + 1 < s.width(); x += 2) {
      const std::uint32_t p = s.row(y)[x];
      n += s.row(y)[x + 1] != p || s.row(y + 1)[x] != p || s.row(y + 1)[x + 1] != p;
    }
  return n;
}

// Pixels of `a` with no pixel of the same colour in `b` within one physical
// pixel, inside [x0, w) x [y0, h).
int FarPixels(const plat::Surface& a, const plat::Surface& b, plat::LONG x0, plat::LONG y0) {
  int n = 0;
  for (plat::LONG y = y0 + 1; y + 1 < a.height(); ++y)
    for (plat::LONG x = x0 + 1; x + 1 < a.width(); ++x) {
      const std::uint32_t p = a.row(y)[x];
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) near = b.row(y + dy)[x + dx] == p;
      n += !near;
    }
  return n;
}

class DenseViewTest : public ::testing::Test, protected prestest::StartedProgram {
 protected:
  void SetUp() override {
    Begin("dense");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(app->OpenDocumentFile((std::filesystem::path(TINDREL_TEST_DATA).parent_path().parent_path().parent_path() / "samples/sign.t98").string()), nullptr);
    Pump();
    view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
    ASSERT_NE(view, nullptr);
    widget = host->WidgetOf(view->m_hWnd);
    ASSERT_NE(widget, nullptr);
    ASSERT_GT(view->GetObjectList()->GetSize(), 0);
  }
  void TearDown() override { Stop(); }
  bool Dense() const { return widget->devicePixelRatioF() == 2.0; }
  // The whole view drawn again now.
  const plat::Surface& Redrawn() {
    view->InvalidateRect(nullptr, fw::TRUE);
    view->UpdateWindow();
    return view->GetSurface().surface();
  }

  QWidget* widget = nullptr;
};

}  // namespace

// The sample at ratio 2 sets the physical pixels the view sets at ratio 1 on a
// surface of the same pixels at twice the zoom, give or take one physical pixel
// (the logical pixels' rounding of the view's coordinates).
TEST_F(DenseViewTest, TheSampleAtRatioTwoIsTheSampleAtTwiceTheZoom) {
  if (!Dense()) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
  CViewRulers* rulers = view->GetRulers();
  ASSERT_NE(rulers, nullptr);
  const plat::Surface& s = Redrawn();
  ASSERT_EQ(s.ratio(), 2.0);
  const fw::SIZE client = view->GetClientSize();
  ASSERT_EQ(s.width(), 2 * client.cx);
  const plat::Surface dense = s;
  const double zoom = rulers->GetZoom();
  const CFPoint origin = rulers->GetOrigin();
  const int t = rulers->GetThickness();
  // Drawn at the physical pixels, not doubled.
  EXPECT_GT(MixedBlocks(dense, 2 * t, 2 * t), 100);

  // The same view at ratio 1, twice the size, twice the zoom, its drawing
  // area where the dense one's is.
  view->GetSurface().SetRatio(1.0);
  fw::RECT r{};
  view->GetWindowRect(&r);
  view->GetParent()->ScreenToClient(&r);
  view->MoveWindow(r.left, r.top, r.width() + client.cx, r.height() + client.cy, fw::FALSE);
  ASSERT_EQ(view->GetClientSize().cx, 2 * client.cx);
  double w = 0, h = 0;
  rulers->DrawingArea(&w, &h);
  const double x0 = origin.x - t * zoom / 2, y0 = origin.y - t * zoom / 2;
  const CFRect fit(float(x0), float(y0), float(x0 + w * zoom / 2), float(y0 + h * zoom / 2));
  view->ZoomToRect(fit);
  const plat::Surface& plain = Redrawn();
  ASSERT_EQ(plain.ratio(), 1.0);
  ASSERT_EQ(plain.width(), dense.width());
  ASSERT_EQ(plain.height(), dense.height());
  // The rulers differ (their thickness is logical); the drawing area agrees
  // but for a few places.
  const int area = (dense.width() - 2 * t) * (dense.height() - 2 * t);
  EXPECT_LT(FarPixels(dense, plain, 2 * t, 2 * t), area / 50);
  EXPECT_LT(FarPixels(plain, dense, 2 * t, 2 * t), area / 50);
}

// Clicks at logical positions through Qt select what the same clicks given to
// the view select, at ratio 1 and 2.
TEST_F(DenseViewTest, ClicksAtLogicalPositionsSelectTheObjectsUnderThem) {
  CSegArray* list = view->GetObjectList();
  const int t = view->GetRulers()->GetThickness();
  auto clear = [&] {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(t + 2, t + 2));  // nothing there
    Pump();
  };
  int hits = 0;
  for (int i = 0; i < list->GetSize(); ++i) {
    const CFRect& r = list->GetAt(i)->bounds;
    for (const CFPoint& p : {CFPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, CFPoint{r.left, r.top},
                             CFPoint{r.left, (r.top + r.bottom) / 2}}) {
      const plat::POINT d = view->PageToDevice(p);
      SCOPED_TRACE(std::to_string(d.x) + "," + std::to_string(d.y));
      clear();
      view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{d.x, d.y});
      view->OnLButtonUp(0, fw::POINT{d.x, d.y});
      Pump();
      const CGraphObject* expected = view->GetSelectedObject();
      clear();
      QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(d.x, d.y));
      Pump();
      EXPECT_EQ(view->GetSelectedObject(), expected);
      hits += expected != nullptr;
    }
  }
  EXPECT_GT(hits, 0);
}

// A tracker's NOT-XOR band and an XOR rubber band drawn twice on the view's
// window leave its surface as it was, at ratio 1 and 2.
TEST_F(DenseViewTest, BandsDrawnTwiceLeaveTheSurfaceAsTheyWere) {
  const plat::Surface& s = Redrawn();
  const std::vector<std::uint32_t> shown = Pixels(s);
  const int t = view->GetRulers()->GetThickness();
  for (int rop : {plat::R2_NOTXORPEN, plat::R2_XORPEN}) {
    SCOPED_TRACE(rop);
    plat::DC* dc = view->GetDC();
    dc->SetROP2(rop);
    dc->SelectStockObject(plat::NULL_BRUSH);
    dc->SelectStockObject(rop == plat::R2_XORPEN ? plat::WHITE_PEN : plat::BLACK_PEN);
    dc->Rectangle(t + 3, t + 3, t + 140, t + 95);
    EXPECT_NE(Pixels(s), shown) << "no band drawn";
    dc->Rectangle(t + 3, t + 3, t + 140, t + 95);
    EXPECT_EQ(Pixels(s), shown);
    view->ReleaseDC(dc);
  }
}

// The rulers' digits at ratio 2 come from the font at twice the size: their
// strokes have physical detail a doubled 1x picture has not.
TEST_F(DenseViewTest, RulerDigitsAreDrawnAtThePhysicalSize) {
  if (!Dense()) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
  CRulerBar& bar = view->GetRulers()->Horizontal();
  bar.InvalidateRect(nullptr, fw::TRUE);
  bar.UpdateWindow();
  const plat::Surface& s = bar.GetSurface().surface();
  ASSERT_EQ(s.ratio(), 2.0);
  EXPECT_GT(MixedBlocks(s, 0, 0), 20);
}
