// The design view on its view base: page mapping, rulers, scrolling, zoom,
// tools, hints and the page painting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/childframe.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app_fixture.h"
#include "framework/clock.h"
#include "framework/input.h"

using namespace apptest;

namespace {

class ViewTest : public AppTest {
 protected:
  // The program with its first design window; the view with the given
  // drawing area (client less the rulers) and its page fitted into it.
  CVORLAN98View* Start(int areaW = 800, int areaH = 600) {
    view = StartDesignView(&main);
    if (!view) return nullptr;
    doc = view->GetDoc();
    SizeArea(areaW, areaH);
    return view;
  }
  void SizeArea(int w, int h) {
    // The scroll bars take 16 pixels each.
    view->MoveWindow(0, 0, w + 15 + 16, h + 15 + 16);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  }
  CViewRulers& Rulers() { return *view->GetRulers(); }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;
};

TEST_F(ViewTest, FrameAndViewOpenMaximisedWithRulersAndSelectTool) {
  ASSERT_TRUE(Start());
  auto* frame = dynamic_cast<CVORLAN98Frame*>(view->GetParentFrame());
  ASSERT_NE(frame, nullptr);
  const fw::DWORD frameBits = fw::WS_CLIPSIBLINGS | fw::WS_CLIPCHILDREN | fw::WS_MAXIMIZE;
  EXPECT_EQ(frame->GetStyle() & frameBits, frameBits);
  EXPECT_EQ(view->GetStyle() & 0x47300000u, 0x47300000u);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);
  EXPECT_EQ(view->GetBarMask(), 28);
  ASSERT_NE(view->GetRulers(), nullptr);
  EXPECT_EQ(Rulers().GetThickness(), 15);
  ASSERT_NE(view->GetViewMatrix(), nullptr);
  EXPECT_TRUE(Rulers().Horizontal().IsWindowVisible());
  EXPECT_TRUE(Rulers().Vertical().IsWindowVisible());
  // Bars along the client edges, the corner between them.
  fw::RECT c;
  view->GetClientRect(&c);
  fw::RECT h = Rulers().Horizontal().GetRectInParent(), v = Rulers().Vertical().GetRectInParent();
  EXPECT_EQ(h.left, 15);
  EXPECT_EQ(h.top, -1);
  EXPECT_EQ(h.right, c.right);
  EXPECT_EQ(h.bottom, 15);
  EXPECT_EQ(v.left, -1);
  EXPECT_EQ(v.top, 15);
  EXPECT_EQ(v.right, 15);
  EXPECT_EQ(v.bottom, c.bottom);
  ASSERT_NE(Rulers().GetCorner(), nullptr);
  fw::RECT k = Rulers().GetCorner()->GetRectInParent();
  EXPECT_EQ(k.right - k.left, 15);
  EXPECT_EQ(k.bottom - k.top, 15);
}

TEST_F(ViewTest, PageMapsIntoTheDrawingAreaBothWays) {
  ASSERT_TRUE(Start(800, 600));
  EXPECT_DOUBLE_EQ(view->GetScale(), 1.5);
  EXPECT_EQ(Rulers().GetTickUnit(), 10u);
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().x, -400.0f);
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().y, 0.0f);
  EXPECT_FLOAT_EQ(Rulers().Horizontal().GetSmallStep(), 10.0f);
  EXPECT_FLOAT_EQ(Rulers().Horizontal().GetMediumStep(), 100.0f);
  EXPECT_FLOAT_EQ(Rulers().Horizontal().GetLargeStep(), 1000.0f);

  // The top-left pixel of the drawing area is the origin.
  CFPoint p = view->DeviceToPage(15, 15);
  EXPECT_FLOAT_EQ(p.x, -400.0f);
  EXPECT_FLOAT_EQ(p.y, 0.0f);
  p = view->DeviceToPage(415, 315);
  EXPECT_FLOAT_EQ(p.x, 200.0f);
  EXPECT_FLOAT_EQ(p.y, 450.0f);
  CFRect r = view->DeviceRectToPage(15, 15, 815, 615);
  EXPECT_EQ(r, CFRect(-400.0f, 0.0f, 800.0f, 900.0f));

  // Page corners land in the middle of the area, 1.5 mm a pixel.
  plat::POINT d = view->PageToDevice(CFPoint{0.0f, 0.0f});
  EXPECT_EQ(d.x, 281);
  EXPECT_EQ(d.y, 15);
  d = view->PageToDevice(CFPoint{400.0f, 900.0f});
  EXPECT_EQ(d.x, 548);
  EXPECT_EQ(d.y, 615);
  for (CFPoint q : {CFPoint{0, 0}, CFPoint{123.4f, 567.8f}, CFPoint{-50, 1000}}) {
    plat::POINT dev = view->PageToDevice(q);
    CFPoint back = view->DeviceToPage(dev.x, dev.y);
    EXPECT_NEAR(back.x, q.x, 1.5);
    EXPECT_NEAR(back.y, q.y, 1.5);
  }
}

TEST_F(ViewTest, AResizeRefitsAPageTheUserDidNotZoom) {
  ASSERT_TRUE(Start(800, 600));
  const double before = view->GetScale();
  view->MoveWindow(0, 0, 400 + 15 + 16, 900 + 15 + 16);
  const double refit = view->GetScale();
  EXPECT_NE(refit, before);
  view->SendMessage(fw::WM_COMMAND, ID_ZOOM_NORMAL, 0);  // what the refit shows
  EXPECT_DOUBLE_EQ(view->GetScale(), refit);
  doc->AddObject(MakeRectPath(0, 0, 10, 10).release(), false);
  view->ZoomToRect(CFRect(0, 0, 400, 800));  // the user's zoom, another origin
  view->MoveWindow(0, 0, 200 + 15 + 16, 900 + 15 + 16);
  EXPECT_DOUBLE_EQ(view->GetScale(), 1.0);
}

TEST(RulerTickUnit, DecadesThreePixelRuleFloorAndTheHugeZoom) {
  struct Case {
    double zoom;
    std::uint32_t unit;
    double zoomAfter;
  } cases[] = {
      {0.02, 1, 0.02},          // 50 px a millimetre
      {0.3, 1, 0.3},            // 3.3 px between ticks
      {0.5, 10, 0.5},           // 2 px: one decade up
      {1.5, 10, 1.5},           // the page example
      {4.0, 100, 4.0},          // 2.5 px
      {50.0, 1000, 50.0},       // 100 / 50 = 2 px -> 1000
      {250.0, 1000, 250.0},     // 4 px
      {20000.0, 100000, 20000.0},
      {150000.0, 1000000, 150000.0},
      {1000000.0, 10000000, 1000000.0},
      {2000000.0, 10000000, 10000000.0},
  };
  for (const Case& c : cases) {
    double z = c.zoom;
    EXPECT_EQ(RulerTickUnit(z), c.unit) << c.zoom;
    EXPECT_DOUBLE_EQ(z, c.zoomAfter) << c.zoom;
  }
}

TEST_F(ViewTest, ZoomHasAFloorAFiniteAreaAndIgnoresBadRectangles) {
  ASSERT_TRUE(Start(800, 600));
  CFRect tiny(0.0f, 0.0f, 1.0f, 1.0f);
  EXPECT_DOUBLE_EQ(view->ZoomToRect(tiny), 0.02);
  EXPECT_EQ(Rulers().GetTickUnit(), 1u);

  const double before = view->GetScale();
  const CFPoint origin = Rulers().GetOrigin();
  const float inf = std::numeric_limits<float>::infinity();
  for (CFRect bad : {CFRect(0, 0, inf, 10), CFRect(std::nanf(""), 0, 10, 10), CFRect(0, -inf, 10, 10)}) {
    EXPECT_DOUBLE_EQ(view->ZoomToRect(bad), before);
    EXPECT_EQ(Rulers().GetOrigin(), origin);
  }
  EXPECT_DOUBLE_EQ(Rulers().ZoomToRect(static_cast<const CFRect*>(nullptr)), 1.0);

  // A client no larger than the rulers still gives a finite zoom, and the
  // bars paint in bounded time.
  view->MoveWindow(0, 0, 16, 16);
  const double z = view->ZoomToRect(CFRect(0, 0, 400, 900));
  EXPECT_TRUE(std::isfinite(z));
  EXPECT_DOUBLE_EQ(z, 900.0);
  plat::DC dc;
  Rulers().Horizontal().Paint(&dc, 5000);
}

TEST_F(ViewTest, ScrollByMovesTheOriginAndTheMatrix) {
  ASSERT_TRUE(Start(800, 600));
  view->ZoomToRect(CFRect(0, 0, 400, 300));  // 0.5 mm a pixel
  ASSERT_DOUBLE_EQ(view->GetScale(), 0.5);
  const CFPoint o = Rulers().GetOrigin();
  const float e = view->GetViewMatrix()->m20, f = view->GetViewMatrix()->m21;
  Rulers().ScrollBy(10, 0);
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().x, o.x - 5.0f);
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().y, o.y);
  EXPECT_FLOAT_EQ(view->GetViewMatrix()->m20, e + 10.0f);
  EXPECT_FLOAT_EQ(Rulers().Horizontal().GetOrigin(), o.x - 5.0f);
  Rulers().ScrollBy(0, -20);
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().y, o.y + 10.0f);
  EXPECT_FLOAT_EQ(view->GetViewMatrix()->m21, f - 20.0f);
  // The mapping follows.
  CFPoint p{100.0f, 100.0f};
  plat::POINT d = view->PageToDevice(p);
  CFPoint back = view->DeviceToPage(d.x, d.y);
  EXPECT_NEAR(back.x, 100.0f, 0.5f);
  EXPECT_NEAR(back.y, 100.0f, 0.5f);
}

TEST_F(ViewTest, PageSizeSetsTheScrollRangesFromTheLargerSide) {
  ASSERT_TRUE(Start(800, 600));
  int lo = 0, hi = 0;
  view->SetPageSize(0, 0, 400, 900);
  view->GetScrollRange(fw::SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, -1800);
  EXPECT_EQ(hi, 2700);
  view->GetScrollRange(fw::SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, -1800);
  EXPECT_EQ(hi, 2700);
  EXPECT_EQ(view->GetScrollPos(fw::SB_HORZ), -400);
  EXPECT_EQ(view->GetScrollPos(fw::SB_VERT), 0);
  EXPECT_FLOAT_EQ(view->GetPageWidth(), 400.0f);
  EXPECT_FLOAT_EQ(view->GetPageHeight(), 900.0f);

  // A huge or broken page from a file keeps both ends inside the integers.
  const float big = std::numeric_limits<float>::max();
  view->SetPageSize(0, 0, big, 10);
  view->GetScrollRange(fw::SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, -2 * (std::numeric_limits<int>::max() / 3));
  EXPECT_EQ(hi, 3 * (std::numeric_limits<int>::max() / 3));
  view->SetPageSize(0, 0, std::nanf(""), std::numeric_limits<float>::infinity());
  view->GetScrollRange(fw::SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
}

TEST_F(ViewTest, ScrollStepsAreThrottledPerDirection) {
  fw::ManualClock clock(5000);
  fw::ScopedClock scoped(&clock);
  ASSERT_TRUE(Start(800, 600));
  const fw::SIZE c = view->GetClientSize();
  const float x0 = Rulers().GetOrigin().x, y0 = Rulers().GetOrigin().y;
  const double zoom = view->GetScale();

  view->SendMessage(fw::WM_HSCROLL, fw::SB_LINELEFT);
  const float x1 = Rulers().GetOrigin().x;
  EXPECT_FLOAT_EQ(x1, float(x0 - int(c.cx / 10.0) * zoom));
  clock.Advance(50);
  view->SendMessage(fw::WM_HSCROLL, fw::SB_LINELEFT);  // too soon: dropped
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().x, x1);
  view->SendMessage(fw::WM_VSCROLL, fw::SB_PAGEDOWN);  // the other direction passes
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().y, float(y0 + int(c.cy / 3.0) * zoom));
  clock.Advance(50);
  view->SendMessage(fw::WM_HSCROLL, fw::SB_LINERIGHT);  // 100 ms after the first step
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().x, x0);
  clock.Advance(200);
  view->SendMessage(fw::WM_HSCROLL, fw::SB_THUMBTRACK);  // no step
  EXPECT_FLOAT_EQ(Rulers().GetOrigin().x, x0);
}

TEST_F(ViewTest, ToolsSetTheirClassCursors) {
  ASSERT_TRUE(Start());
  struct Case {
    std::uint32_t tool, cursor;
  } cases[] = {{ID_TOOL_SELECT, fw::IDC_ARROW}, {ID_TOOL_TEXT, fw::IDC_IBEAM}, {ID_TOOL_RECT, 154},
               {ID_TOOL_CIRCLE, 158},           {ID_TOOL_POLYLINE, 153},       {ID_TOOL_BEZIER, 163},
               {ID_TOOL_NODE, 195},             {ID_TOOL_TO_LINE, 199},        {ID_TOOL_SET_OUTAREA, 202},
               {ID_TOOL_MEASURE, fw::IDC_CROSS}, {ID_TOOL_PARALLEL_CUT, 266}};
  for (const Case& c : cases) {
    const int shown = fw::GetCursorDisplayCount();
    view->SetTool(c.tool);
    EXPECT_EQ(view->GetCurrentTool(), c.tool);
    EXPECT_EQ(view->GetClassCursor(), c.cursor) << c.tool;
    EXPECT_EQ(fw::GetCursorDisplayCount(), shown + 1) << c.tool;
  }
  // An id without a cursor leaves it.
  view->SetTool(ID_TOOL_RECT);
  view->SetTool(40122);
  EXPECT_EQ(view->GetClassCursor(), 154u);
  // The tool's own command switches and its update handler marks it.
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_CIRCLE);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_CIRCLE);
  fw::CCmdUI on, off;
  on.m_nID = ID_TOOL_CIRCLE;
  off.m_nID = ID_TOOL_RECT;
  static_cast<fw::CCmdTarget*>(view)->OnCmdMsg(ID_TOOL_CIRCLE, fw::CmdKind::Update, &on);
  static_cast<fw::CCmdTarget*>(view)->OnCmdMsg(ID_TOOL_RECT, fw::CmdKind::Update, &off);
  EXPECT_TRUE(on.radio);
  EXPECT_EQ(on.check, 1);
  EXPECT_TRUE(off.radio);
  EXPECT_EQ(off.check, 0);
}

}  // namespace
