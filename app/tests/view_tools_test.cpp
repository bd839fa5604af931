// The design view's tools, hints, selection colour, paste, page painting,
// right-button zoom, ruler painting and the guide lines in the file.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app_fixture.h"
#include "framework/clipboard.h"
#include "framework/input.h"
#include "model/guideline.h"
#include "model/palette.h"
#include "model/segarray.h"
#include "model/tests/shape_fixtures.h"
#include "platform/bytes.h"
#include "platform/font.h"
#include "platform/gmem.h"

using namespace apptest;

namespace {

// An object whose editing, emptiness and drawing the tests decide.
class EditObject : public CGraphObject {
 public:
  explicit EditObject(int empty = 0, int accept = 1) : empty_(empty), accept_(accept) { bounds = CFRect(10, 10, 40, 40); }
  int EndEdit(CViewServices*) override {
    ++ends;
    return accept_;
  }
  int BeginEdit(std::uint32_t, CViewServices*) override {
    ++begins;
    return 1;
  }
  int IsEmpty() override { return empty_; }
  void Draw(plat::DC*, const CMatrix3* m, const CFRect*) override {
    ++draws;
    drawnWith = m;
  }
  int ends = 0, begins = 0, draws = 0;
  const CMatrix3* drawnWith = nullptr;

 private:
  int empty_, accept_;
};

using shapetest::RecordsOf;

// An open polyline of three vertices as the multi-click tools leave it.
std::unique_ptr<CPathObject> Polyline() {
  auto p = std::make_unique<CPathObject>();
  p->AddPoint(0, 0, 0x11);
  p->AddPoint(50, 0, 0x01);
  p->AddPoint(50, 40, 0x21);
  p->EndPoints();
  p->RecalcBounds();
  return p;
}

class ToolsTest : public AppTest {
 protected:
  CVORLAN98View* Start(int areaW = 800, int areaH = 600) {
    view = StartDesignView(&main);
    if (!view) return nullptr;
    doc = view->GetDoc();
    view->MoveWindow(0, 0, areaW + 15 + 16, areaH + 15 + 16);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
    fw::PumpPendingMessages();
    return view;
  }
  bool Invalid() {
    fw::RECT r;
    return view->GetUpdateRect(&r) && !r.empty();
  }
  CUndoList& Undo() { return *view->GetUndoList(); }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;
};

TEST_F(ToolsTest, LeavingTextRemovesAnEmptyTextThatOneUndoBringsBack) {
  ASSERT_TRUE(Start());
  view->SetTool(ID_TOOL_TEXT);
  auto* text = new EditObject(1);
  doc->AddObject(text, false);
  view->SetEditObject(text);
  Undo().StartRecord(0);
  view->SetTool(ID_TOOL_SELECT);
  Undo().EndRecord();
  EXPECT_EQ(text->ends, 1);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_SELECT);

  ASSERT_TRUE(Undo().UndoLastStep(*view));
  ASSERT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(doc->GetObjectAt(0), text);
  EXPECT_EQ(view->GetEditObject(), text);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_TEXT);

  // A text that refuses to end its editing keeps the Text tool.
  auto* busy = new EditObject(0, 0);
  doc->AddObject(busy, false);
  view->SetEditObject(busy);
  view->SetTool(ID_TOOL_RECT);
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_TEXT);
  EXPECT_EQ(view->GetEditObject(), busy);
  EXPECT_EQ(doc->GetObjectCount(), 2);
}

TEST_F(ToolsTest, MultiClickToolsHandTheirPathToTheDocument) {
  ASSERT_TRUE(Start());
  // Open for the polyline, closed for the polygon, curved for the Bezier.
  for (std::uint32_t tool : {ID_TOOL_POLYLINE, ID_TOOL_POLYGON, ID_TOOL_BEZIER}) {
    const int before = doc->GetObjectCount();
    view->SetTool(tool);
    view->SetPendingObject(Polyline());
    ObjectDrag().multiClickOpen = 1;
    Undo().StartRecord(0);
    view->SetTool(ID_TOOL_SELECT);
    Undo().EndRecord();
    ASSERT_EQ(doc->GetObjectCount(), before + 1) << tool;
    EXPECT_EQ(view->GetPendingObject(), nullptr);
    EXPECT_EQ(ObjectDrag().multiClickOpen, 0);
    auto* path = dynamic_cast<CPathObject*>(doc->GetObjectAt(before));
    ASSERT_NE(path, nullptr);
    const std::vector<PathPoint> r = RecordsOf(*path);
    ASSERT_GE(r.size(), 4u);
    bool open = false, closed = false, control = false;
    for (const PathPoint& p : r) {
      if (p.flags == 0xFF) continue;
      open |= (p.flags & 0x20) != 0;
      closed |= (p.flags & 0x40) != 0;
      control |= (p.flags & 0x01) == 0;
    }
    if (tool != ID_TOOL_POLYGON) EXPECT_TRUE(open) << tool;
    EXPECT_EQ(closed, tool == ID_TOOL_POLYGON) << tool;
    EXPECT_EQ(control, tool == ID_TOOL_BEZIER) << tool;
  }
  // One undo step takes the last one away again.
  ASSERT_TRUE(Undo().UndoLastStep(*view));
  EXPECT_EQ(doc->GetObjectCount(), 2);
  // No vertex placed: nothing.
  view->SetTool(ID_TOOL_POLYLINE);
  view->SetTool(ID_TOOL_POLYGON);
  view->SetTool(ID_TOOL_SELECT);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  // A polygon's pending object that is no path is dropped.
  view->SetTool(ID_TOOL_POLYGON);
  view->SetPendingObject(std::make_unique<EditObject>());
  view->SetTool(ID_TOOL_SELECT);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(view->GetPendingObject(), nullptr);
}

TEST_F(ToolsTest, NodeSubToolsKeepNodeEditingAndOtherToolsEndIt) {
  ASSERT_TRUE(Start());
  view->SetTool(ID_TOOL_NODE);
  auto* path = new EditObject();
  doc->AddObject(path, false);
  doc->SetModifiedFlag(fw::FALSE);
  view->SetEditObject(path);
  for (std::uint32_t sub : {ID_TOOL_NODE_INSERT, ID_TOOL_NODE_DELETE, ID_TOOL_TO_CURVE, ID_TOOL_EXTEND,
                            ID_TOOL_NODE}) {
    view->SetTool(sub);
    EXPECT_EQ(view->GetCurrentTool(), sub);
  }
  EXPECT_EQ(path->ends, 0);
  EXPECT_EQ(view->GetEditObject(), path);
  view->SetTool(ID_TOOL_TO_LINE);
  view->SetTool(ID_TOOL_SELECT);  // from a sub-tool too
  EXPECT_EQ(path->ends, 1);
  EXPECT_EQ(view->GetEditObject(), nullptr);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(ObjectDrag().dragKind, 0);
}

TEST_F(ToolsTest, LeavingTheOutputAreaSelectionRepaints) {
  ASSERT_TRUE(Start());
  view->SetTool(ID_TOOL_SELECT_OUTAREA);
  fw::PumpPendingMessages();
  ASSERT_FALSE(Invalid());
  view->SetTool(ID_TOOL_SET_OUTAREA);
  view->SetTool(ID_TOOL_SELECT_OUTAREA);
  view->SetTool(ID_TOOL_SET_OUTAREA);
  EXPECT_FALSE(Invalid());
  view->SetTool(ID_TOOL_SELECT_OUTAREA);
  view->SetTool(ID_TOOL_RECT);
  EXPECT_TRUE(Invalid());
}

TEST_F(ToolsTest, ToolSwitchesAreUndoneAndFollowedByTheBars) {
  ASSERT_TRUE(Start());
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_NODE);  // its own undo step
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_NODE);
  EXPECT_EQ(main->GetContextBar().GetGroup(), 40118u);
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_NODE_INSERT);
  view->SetTool(ID_TOOL_NODE_INSERT);
  EXPECT_EQ(main->GetContextBar().GetGroup(), 40118u);  // the node bar stays
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT);
  EXPECT_EQ(main->GetContextBar().GetGroup(), 40070u);
  EXPECT_EQ(main->GetModeBar().GetMode(), ID_TOOL_TEXT);
  view->SetTool(ID_TOOL_GRAPHLIB);
  EXPECT_EQ(main->GetModeBar().GetMode(), ID_TOOL_GRAPHLIB);
  view->SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT);
  ASSERT_TRUE(Undo().UndoLastStep(*view));
  EXPECT_EQ(view->GetCurrentTool(), ID_TOOL_GRAPHLIB);
}

TEST_F(ToolsTest, UpdateHintsDrawInvalidateOrRepaint) {
  ASSERT_TRUE(Start());
  fw::PumpPendingMessages();
  auto* drawn = new EditObject();
  doc->AddObject(drawn, true);  // hint 1: drawn at once through the view matrix
  EXPECT_EQ(drawn->draws, 1);
  EXPECT_EQ(drawn->drawnWith, view->GetViewMatrix());
  EXPECT_FALSE(Invalid());

  CSegArray more;
  auto* a = new EditObject();
  a->bounds = CFRect(100, 100, 110, 120);
  more.Add(a);
  doc->AddObjects(more);  // hint 3: the new objects' bounds, 3 pixels more
  fw::RECT r;
  ASSERT_TRUE(view->GetUpdateRect(&r));
  CFRect b = a->bounds;
  plat::POINT p0 = view->PageToDevice(CFPoint{b.left, b.top}), p1 = view->PageToDevice(CFPoint{b.right, b.bottom});
  EXPECT_LE(r.left, p0.x - 3);
  EXPECT_GE(r.right, p1.x + 3);
  EXPECT_LT(r.right - r.left, 30);
  fw::PumpPendingMessages();

  view->OnUpdate(nullptr, 7, nullptr);  // any other: the whole view
  ASSERT_TRUE(view->GetUpdateRect(&r));
  fw::RECT c;
  view->GetClientRect(&c);
  EXPECT_EQ(r, c);
}

TEST_F(ToolsTest, PaletteColourGoesToTheSelectionAndMarksTheDocument) {
  ASSERT_TRUE(Start());
  CPathObject* a = MakeRectPath(0, 0, 10, 10).release();
  CPathObject* b = MakeRectPath(20, 0, 30, 10).release();
  doc->AddObject(a, false);
  doc->AddObject(b, false);
  a->selected = 1;
  doc->SetModifiedFlag(fw::FALSE);
  view->SendMessage(fw::WM_COMMAND, ID_SELECTION_COLOR, 0x123456);
  EXPECT_EQ(a->color, 0x123456u);
  EXPECT_EQ(b->color, 0u);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(ToolsTest, PasteMovesTheObjectsInOneUndoStep) {
  ASSERT_TRUE(Start());
  {
    CSegArray list;
    list.Add(MakeRectPath(0, 0, 10, 10));
    list.Add(MakeLinePath(0, 20, 10, 20));
    ASSERT_NO_FATAL_FAILURE(PutObjectList(view, list));
  }
  CFPoint offset{5.0f, 7.0f};
  Undo().StartRecord(0);
  view->PasteObjects(&offset);
  Undo().EndRecord();
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(0)->bounds.left, 5.0f);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(0)->bounds.top, 7.0f);
  EXPECT_FLOAT_EQ(doc->GetObjectAt(1)->bounds.top, 27.0f);
  ASSERT_TRUE(Undo().UndoLastStep(*view));
  EXPECT_EQ(doc->GetObjectCount(), 0);
  // Without the format nothing happens.
  ASSERT_TRUE(fw::OpenClipboard(view));
  fw::EmptyClipboard();
  fw::CloseClipboard();
  view->PasteObjects(nullptr);
  EXPECT_EQ(doc->GetObjectCount(), 0);
}

TEST_F(ToolsTest, PageShadowAndGridPixels) {
  ASSERT_TRUE(Start(800, 600));
  CPageInfo& page = doc->GetPageInfo();
  page.m_backColor = MakePackedRGB(255, 255, 0);
  page.m_gridColor = MakePackedRGB(0, 0, 0);
  const plat::COLORREF back = plat::RGB(255, 255, 0), shadow = plat::RGB(128, 128, 128),
                       white = plat::RGB(255, 255, 255), line = plat::RGB(0, 0, 255);
  for (float zoomW : {400.0f, 1200.0f}) {  // two zooms
    view->ZoomToRect(CFRect(0, 0, zoomW, zoomW));
    page.m_gridSize = 0;
    {
      PagePixels px(view);
      const plat::POINT p0 = view->PageToDevice(CFPoint{0, 0});
      const plat::POINT p1 = view->PageToDevice(CFPoint{400, 900});
      const int midY = std::min(p1.y - 1, 400);
      EXPECT_EQ(px.At(p0.x, p0.y), back);
      EXPECT_EQ(px.At(p1.x - 1, midY), back);
      // Five pixels of shadow on the right, from five pixels below the top.
      for (int i = 0; i < 5; ++i) EXPECT_EQ(px.At(p1.x + i, midY), shadow) << zoomW << " " << i;
      EXPECT_EQ(px.At(p1.x + 5, midY), white);
      EXPECT_EQ(px.At(p1.x, p0.y + 4), white);
      EXPECT_EQ(px.At(p1.x, p0.y + 5), shadow);
      if (p1.y + 5 < int(view->GetClientSize().cy)) {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(px.At(p0.x + 10, p1.y + i), shadow) << zoomW;
        EXPECT_EQ(px.At(p0.x + 10, p1.y + 5), white);
        EXPECT_EQ(px.At(p0.x + 4, p1.y), white);
      }
      // No grid at 0.
      const plat::POINT g = view->PageToDevice(CFPoint{50, 50});
      EXPECT_EQ(px.At(g.x, g.y + 3), back);
    }
    page.m_gridSize = 50;
    {
      PagePixels px(view);
      const plat::POINT g = view->PageToDevice(CFPoint{50, 50});
      const plat::POINT p0 = view->PageToDevice(CFPoint{0, 0});
      // NOT-XOR of black over yellow gives blue; crossings twice give yellow.
      EXPECT_EQ(px.At(g.x, g.y + 3), line);
      EXPECT_EQ(px.At(g.x + 3, g.y), line);
      EXPECT_EQ(px.At(g.x, g.y), back);
      EXPECT_EQ(px.At(g.x, p0.y), back);  // one pixel inside the top edge
      EXPECT_EQ(px.At(g.x, p0.y + 1), line);
      EXPECT_EQ(px.At(p0.x, g.y + 3), back);  // no line on the page edge
    }
  }
}

// The page fitted at opening, and by Zoom Normal, shows whole with its edge and
// shadow, and follows the window's later resizes (the frame's last layout comes
// after the document opened) until the user zooms.
TEST_F(ToolsTest, AFittedPageShowsWholeWithItsShadowThroughResizesUntilTheUserZooms) {
  ASSERT_TRUE(Start(400, 300));
  doc->AddObject(MakeRectPath(10, 10, 50, 30).release(), false);
  CPageInfo& page = doc->GetPageInfo();
  auto pageFits = [&] {
    const fw::SIZE c = view->GetClientSize();
    const plat::POINT p0 = view->PageToDevice(CFPoint{0, 0});
    const plat::POINT p1 = view->PageToDevice(CFPoint{page.m_pageWidth, page.m_pageHeight});
    // The page and its 5-pixel shadow inside the client area, clear of the rulers
    // and the scroll bars.
    return p0.x >= 15 && p0.y >= 15 && p1.x + 5 <= c.cx && p1.y + 5 <= c.cy;
  };
  // The sample's page, a tall one, and a long banner whose margins are a few pixels.
  for (fw::SIZE size : {fw::SIZE{400, 200}, fw::SIZE{400, 900}, fw::SIZE{30000, 300}}) {
    page.m_pageWidth = float(size.cx);
    page.m_pageHeight = float(size.cy);
    view->SendMessage(fw::WM_COMMAND, ID_ZOOM_NORMAL, 0);
    EXPECT_TRUE(pageFits()) << size.cx;
    for (fw::SIZE area : {fw::SIZE{1440, 886}, fw::SIZE{300, 200}, fw::SIZE{1600, 1000}}) {
      view->MoveWindow(0, 0, area.cx + 15 + 16, area.cy + 15 + 16);
      EXPECT_TRUE(pageFits()) << size.cx << " in " << area.cx;
      EXPECT_TRUE(view->ShowsFittedPage());
    }
  }
  // Once zoomed by the user the view keeps the user's zoom.
  view->ZoomToRect(CFRect(0, 0, 50, 50));
  const double zoom = view->GetScale();
  view->MoveWindow(0, 0, 700, 500);
  EXPECT_EQ(view->GetScale(), zoom);
  EXPECT_FALSE(view->ShowsFittedPage());
}

TEST_F(ToolsTest, HugePageFromAFilePaintsInBoundedTime) {
  ASSERT_TRUE(Start(800, 600));
  CPageInfo& page = doc->GetPageInfo();
  page.m_gridSize = 1;
  page.m_backColor = MakePackedRGB(255, 255, 255);
  page.m_gridColor = MakePackedRGB(128, 128, 128);
  for (float size : {std::numeric_limits<float>::max(), 1.0e7f}) {
    page.m_pageWidth = page.m_pageHeight = size;
    view->SetPageSize(0, 0, size, size);
    PagePixels px(view);
    view->ZoomToRect(CFRect(0, 0, 1, 1));  // 50 pixels a millimetre
    PagePixels close(view);
    const plat::POINT g = view->PageToDevice(CFPoint{1.0f, 0.5f});
    EXPECT_EQ(close.At(g.x, g.y), plat::RGB(128, 128, 128)) << size;  // a grid line every 50 px
    EXPECT_EQ(close.At(g.x + 25, g.y), plat::RGB(255, 255, 255)) << size;
  }
}

TEST_F(ToolsTest, ShiftRightDragZoomsAndSmallOnesShowThePageOrZoomOut) {
  ASSERT_TRUE(Start(800, 600));
  const fw::SIZE c = view->GetClientSize();
  auto drag = [&](fw::POINT a, fw::POINT b) {
    view->OnRButtonDown(fw::MK_SHIFT | fw::MK_RBUTTON, a);
    EXPECT_EQ(view->GetDragKind(), 0x21);
    view->OnMouseMove(fw::MK_SHIFT | fw::MK_RBUTTON, b);
    view->OnRButtonUp(fw::MK_SHIFT, b);
    EXPECT_EQ(view->GetDragKind(), 0);
    EXPECT_EQ(fw::CWnd::GetCapture(), nullptr);
  };
  // 2 x 2 pixels with Select: the page with 25 mm to its top left.
  drag({300, 300}, {302, 302});
  EXPECT_DOUBLE_EQ(view->GetScale(), 925.0 / 600.0);
  CFPoint o = view->GetRulers()->GetOrigin();
  EXPECT_FLOAT_EQ(o.y, -25.0f);
  // A real rectangle becomes the view.
  const CFRect want = view->DeviceRectToPage(100, 100, 500, 400);
  drag({500, 400}, {100, 100});
  EXPECT_NEAR(view->GetScale(), double(want.right - want.left) / 800.0, 1e-6);
  // With the node tool a small drag zooms out, as Alt does.
  const double before = view->GetScale();
  view->SetCurrentTool(ID_TOOL_NODE);
  drag({300, 300}, {301, 300});
  // The client widened by half its size (in whole pixels) on every side.
  auto widened = [&](double z) {
    return std::max((c.cx + 2 * (c.cx / 2)) * z / 800.0, (c.cy + 2 * (c.cy / 2)) * z / 600.0);
  };
  const double out = widened(before);
  EXPECT_NEAR(view->GetScale(), out, out * 1e-5);
  const double mid = view->GetScale();
  fw::SetKeyDown(fw::VK_MENU, true);
  view->OnRButtonUp(0, {10, 10});
  fw::SetKeyDown(fw::VK_MENU, false);
  const double out2 = widened(mid);
  EXPECT_NEAR(view->GetScale(), out2, out2 * 1e-5);
  // No Shift: nothing.
  view->OnRButtonDown(0, {10, 10});
  view->OnRButtonUp(0, {10, 10});
  EXPECT_NEAR(view->GetScale(), out2, out2 * 1e-5);
}

TEST_F(ToolsTest, RulerBarsDrawTicksLabelsAndTheVerticalFont) {
  CRulerBar horz(false), vert(true);
  for (CRulerBar* bar : {&horz, &vert}) {
    bar->SetThickness(16);
    bar->SetScale(10, -400.0f, 1.5);
  }
  plat::DC dc;
  dc.StartRecording();
  horz.Paint(&dc, 800);
  std::vector<plat::DcCall> labels, ticks;
  const std::vector<plat::DcCall>& calls = dc.Recorded();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op == "TextOut") labels.push_back(calls[i]);
    if (calls[i].op == "LineTo" && i > 0 && calls[i - 1].op == "MoveTo" && calls[i - 1].points[0].y == 15 &&
        calls[i].points[0].y != 15)
      ticks.push_back(calls[i]);
  }
  // -400 .. 800 mm in steps of 100 mm, at one pixel right of the tick.
  ASSERT_GE(labels.size(), 12u);
  EXPECT_EQ(labels[0].text, "-400  ");
  EXPECT_EQ(labels[0].points[0], (plat::POINT{1, 0}));
  EXPECT_EQ(labels[1].text, "-300  ");
  EXPECT_EQ(labels[1].points[0], (plat::POINT{67, 0}));
  EXPECT_EQ(labels[4].text, "0     ");
  EXPECT_EQ(labels[4].points[0], (plat::POINT{267, 0}));
  EXPECT_EQ(labels[4].fontEscapement, 0);
  // Ticks: -400 medium (half), -390 short (a quarter), 0 long (three quarters).
  ASSERT_GE(ticks.size(), 41u);
  EXPECT_EQ(ticks[0].points[0], (plat::POINT{0, 8}));
  EXPECT_EQ(ticks[1].points[0], (plat::POINT{6, 12}));
  EXPECT_EQ(ticks[40].points[0], (plat::POINT{266, 4}));

  dc.ClearRecording();
  vert.Paint(&dc, 600);
  labels.clear();
  for (const plat::DcCall& call : dc.Recorded())
    if (call.op == "TextOut") labels.push_back(call);
  ASSERT_GE(labels.size(), 9u);
  EXPECT_EQ(labels[4].text, "0     ");
  EXPECT_EQ(labels[4].points[0], (plat::POINT{12, 269}));
  EXPECT_EQ(labels[4].fontEscapement, -900);
  EXPECT_EQ(labels[4].fontWeight, plat::FW_BOLD);
  EXPECT_EQ(labels[4].fontHeight, 8);
  EXPECT_EQ(labels[4].fontWidth, 6);
  EXPECT_EQ(labels[4].fontFace, "Arial");
  EXPECT_EQ(dc.GetCurrentFont(), nullptr);
}

TEST_F(ToolsTest, CursorMarksEraseToTheOldPixels) {
  ASSERT_TRUE(Start(800, 600));
  CRulerBar& bar = view->GetRulers()->Horizontal();
  fw::PumpPendingMessages();
  const plat::Surface& s = bar.GetSurface().surface();
  const std::vector<std::uint32_t> before(s.data(), s.data() + std::size_t(s.width()) * s.height());
  view->OnMouseMove(0, fw::POINT{415, 300});
  const int at = int((view->DeviceToPage(415, 300).x - bar.GetOrigin()) / view->GetScale());
  EXPECT_NE(s.row(2)[at], before[std::size_t(2 * s.width() + at)]);
  view->OnMouseMove(0, fw::POINT{420, 300});
  view->GetRulers()->TrackMouse(CFPoint{-99999.0f, -99999.0f});
  const std::vector<std::uint32_t> after(s.data(), s.data() + std::size_t(s.width()) * s.height());
  EXPECT_EQ(after, before);
}

TEST_F(ToolsTest, GuideLinesGoIntoTheFileAndComeBackByteIdentical) {
  ASSERT_TRUE(Start());
  view->GetRulers()->GetGuideList().Add(std::make_unique<CGuideLine>(100.0f, 200.0f, 45.0));
  view->GetRulers()->GetGuideList().Add(std::make_unique<CGuideLine>(0.0f, 300.0f, 0.0));
  doc->AddObject(MakeRectPath(10, 10, 50, 50).release(), false);
  const std::string first = Path("guides.t98"), second = Path("again.t98");
  ASSERT_TRUE(doc->OnSaveDocument(first));
  std::vector<std::uint8_t> bytes = ReadBytes(first);
  ASSERT_GT(bytes.size(), 64u);
  EXPECT_NE(plat::GetU32(bytes.data() + 16 + 4 * 4), 0u);  // entry 4: the guide lines

  auto* opened = dynamic_cast<CVORLAN98Doc*>(app->OpenDocumentFile(first.c_str()));
  ASSERT_NE(opened, nullptr);
  fw::PumpPendingMessages();
  auto* other = dynamic_cast<CVORLAN98View*>(opened->GetViews().front());
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->GetRulers()->GetGuideList().GetSize(), 2);
  ASSERT_TRUE(opened->OnSaveDocument(second));
  EXPECT_EQ(ReadBytes(second), bytes);
}

}  // namespace
