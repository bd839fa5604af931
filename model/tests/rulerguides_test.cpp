// Pulling, moving, dropping and snapping guides through the rulers' guide half.
#include "model/rulerguides.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/guideline.h"
#include "model/outarea.h"
#include "model/tests/fakes.h"
#include "model/tests/memory_io.h"
#include "platform/report.h"

namespace {

class RecordingMarkers : public CRulerMarkerServices {
 public:
  void DrawHorzMarker(float x, plat::DC*) override { horz.push_back(x); }
  void DrawVertMarker(float y, plat::DC*) override { vert.push_back(y); }
  std::vector<float> horz, vert;
};

// Device = page x 2 + 15 (the rulers' thickness), so page = (device - 15) / 2.
struct RulerTest : ::testing::Test {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped{&sink};
  FakeApp app;
  FakeWindow prop{{0, 0, 100, 100}};
  FakeDocument doc;
  FakeView view{&doc, 200, 150};
  RecordingMarkers markers;
  CRulerGuides rulers{&view, 15, &markers};
  std::vector<std::uint32_t> blank;
  std::size_t gdiBefore = 0;

  void SetUp() override {
    CreateSharedDrawingTools();
    view.hasMatrix = true;
    view.viewMatrix = CMatrix3(2, 0, 0, 2, 15, 15);
    view.unitsPerPixel = 0.5;
    app.propertyFrame = &prop;
    blank = view.Pixels();
    gdiBefore = plat::GdiObjectCount();
  }
  CGuideList& list() { return rulers.GetGuideList(); }
  CGuideLine* Line(int i) { return static_cast<CGuideLine*>(list().GetAt(i)); }
  // The guides drawn once more over what is on screen: blank again when
  // the screen showed exactly the guides, each once.
  bool ScreenShowsTheGuides() {
    rulers.DrawGuides(nullptr);
    const bool ok = view.Pixels() == blank;
    rulers.DrawGuides(nullptr);
    return ok;
  }
};

TEST_F(RulerTest, NewGuidesComeOutOfTheRulers) {
  // A press in the corner drags both lines and makes a horizontal guide.
  EXPECT_EQ(rulers.OnLButtonDown(0, 5, 5), 1);
  EXPECT_EQ(rulers.GetDragState(), 3);
  EXPECT_NE(view.Pixels(), blank);
  EXPECT_EQ(rulers.OnMouseMove(0, 40, 40), 1);
  EXPECT_EQ(rulers.OnMouseMove(0, 65, 55), 1);
  EXPECT_EQ(rulers.OnLButtonUp(0, 65, 55), 1);
  EXPECT_EQ(rulers.GetDragState(), 0);
  ASSERT_EQ(list().GetSize(), 1);
  EXPECT_EQ(Line(0)->x, 25.0f);
  EXPECT_EQ(Line(0)->y, 20.0f);
  EXPECT_EQ(Line(0)->angle, 0.0);
  EXPECT_TRUE(ScreenShowsTheGuides());

  // From the left ruler: a vertical guide.
  EXPECT_EQ(rulers.OnLButtonDown(0, 5, 100), 1);
  EXPECT_EQ(rulers.GetDragState(), GUIDE_DRAG_VERT);
  rulers.OnMouseMove(0, 80, 100);
  rulers.OnLButtonUp(0, 80, 100);
  ASSERT_EQ(list().GetSize(), 2);
  EXPECT_EQ(Line(1)->angle, 90.0);
  EXPECT_EQ(Line(1)->x, 32.5f);

  // Released over a ruler band: nothing is made and nothing sounds.
  EXPECT_EQ(rulers.OnLButtonDown(0, 100, 5), 1);
  EXPECT_EQ(rulers.GetDragState(), GUIDE_DRAG_HORZ);
  rulers.OnMouseMove(0, 100, 10);
  rulers.OnLButtonUp(0, 100, 10);
  EXPECT_EQ(list().GetSize(), 2);
  EXPECT_TRUE(sink.beeps.empty());
  EXPECT_TRUE(ScreenShowsTheGuides());
  // The feedback line is dash-dot red in XOR.
  view.dc->StartRecording();
  rulers.OnLButtonDown(0, 100, 5);
  ASSERT_FALSE(view.dc->Recorded().empty());
  const plat::DcCall& c = view.dc->Recorded().back();
  EXPECT_EQ(c.op, "LineTo");
  EXPECT_EQ(c.penStyle, plat::PS_DASHDOT);
  EXPECT_EQ(c.rop2, plat::R2_NOTXORPEN);
  EXPECT_EQ(c.points[0], (plat::POINT{200, 5}));
  rulers.OnLButtonUp(0, 100, 5);
  EXPECT_EQ(view.dcTaken, view.dcReleased);
  EXPECT_EQ(plat::GdiObjectCount(), gdiBefore);  // the feedback pen is deleted
}

TEST_F(RulerTest, MovingGuidesStartsAtThreePixels) {
  list().Add(new CGuideLine(10, 20, 0.0));  // device y 55
  list().Add(new CGuideLine(50, 0, 90.0));  // device x 115
  rulers.DrawGuides(nullptr);

  EXPECT_EQ(rulers.OnLButtonDown(0, 100, 56), 1);  // within 3 pixels
  EXPECT_EQ(rulers.GetDragState(), GUIDE_DRAG_MOVE);
  EXPECT_EQ(Line(0)->selection, 2);
  EXPECT_EQ(Line(1)->selection, 0);
  rulers.OnMouseMove(0, 100, 58);  // 2 pixels
  EXPECT_EQ(Line(0)->y, 20.0f);
  rulers.OnMouseMove(0, 100, 59);  // 3 pixels: the guide follows from the press
  EXPECT_EQ(Line(0)->y, 21.5f);
  rulers.OnMouseMove(0, 100, 66);
  EXPECT_EQ(Line(0)->y, 25.0f);
  EXPECT_EQ(rulers.OnLButtonUp(0, 100, 66), 1);
  EXPECT_EQ(Line(0)->selection, 1);
  EXPECT_EQ(Line(0)->x, 10.0f);
  EXPECT_TRUE(ScreenShowsTheGuides());
  EXPECT_EQ(prop.text, "辅助线");  // the property window shows the moved guide
  EXPECT_EQ(rulers.HasSelectedGuide(), 1);
  EXPECT_EQ(rulers.GetSelectedGuide(), Line(0));

  // A press on the other guide takes the selection over; a press on nothing clears it.
  rulers.OnLButtonDown(0, 115, 100);
  EXPECT_EQ(Line(0)->selection, 0);
  EXPECT_EQ(Line(1)->selection, 2);
  rulers.OnLButtonUp(0, 115, 100);
  EXPECT_EQ(Line(1)->x, 50.0f);  // a click does not move it
  EXPECT_EQ(rulers.OnLButtonDown(0, 180, 140), 0);
  EXPECT_EQ(rulers.HasSelectedGuide(), 0);
  EXPECT_EQ(rulers.GetDragState(), 0);
  EXPECT_TRUE(ScreenShowsTheGuides());
  EXPECT_EQ(rulers.OnMouseMove(0, 100, 100), 0);
  EXPECT_EQ(rulers.OnLButtonUp(0, 100, 100), 0);
}

TEST_F(RulerTest, GuidesDroppedOnARulerAreDeletedWithABeep) {
  list().Add(new CGuideLine(10, 20, 0.0));
  list().Add(new CGuideLine(40, 0, 90.0));
  rulers.DrawGuides(nullptr);
  rulers.OnLButtonDown(0, 100, 55);
  rulers.OnMouseMove(0, 100, 30);
  rulers.OnMouseMove(0, 100, 8);
  prop.text.clear();
  rulers.OnLButtonUp(0, 100, 8);
  EXPECT_EQ(sink.beeps.size(), 1u);
  ASSERT_EQ(list().GetSize(), 1);
  EXPECT_EQ(Line(0)->x, 40.0f);
  EXPECT_TRUE(prop.text.empty());  // no refresh after a deletion
  EXPECT_TRUE(ScreenShowsTheGuides());
}

TEST_F(RulerTest, TrackMouseMovesBothMarkers) {
  rulers.TrackMouse(12.5f, 7.0f);
  EXPECT_EQ(markers.horz, std::vector<float>{12.5f});
  EXPECT_EQ(markers.vert, std::vector<float>{7.0f});
}

TEST_F(RulerTest, SnapPointToHorizontalAndVerticalGuides) {
  list().Add(new CGuideLine(0, 10, 180.0));
  list().Add(new CGuideLine(30, 0, 270.0));
  list().Add(new CGuideLine(0, 0, 45.0));  // oblique: never snaps
  list().Add(new COutArea(0, 0, 100, 100));
  CFPoint p{29.0f, 11.0f};
  EXPECT_EQ(rulers.SnapPoint(p, 1.5f), 1);
  EXPECT_EQ(p, (CFPoint{30.0f, 10.0f}));
  CFPoint q{29.0f, 11.0f};
  EXPECT_EQ(rulers.SnapPoint(q, 0.0f), 1);  // 0: 5 x 0.5
  CFPoint far{50.0f, 50.2f};
  EXPECT_EQ(rulers.SnapPoint(far, 0.1f), 0);
  EXPECT_EQ(far, (CFPoint{50.0f, 50.2f}));
}

TEST_F(RulerTest, SnapRectByTheKeysHeld) {
  list().Add(new CGuideLine(0, 10, 0.0));
  list().Add(new CGuideLine(30, 0, 90.0));
  list().Add(new CGuideLine(0, 0, 30.0));
  doc.pageWidth = 200;
  doc.pageHeight = 100;
  struct Case {
    const char* keys;
    CFRect in;
    float t;
    float step;
    CFRect out;
    int moved;
  };
  const std::vector<Case> cases = {
      {"", {9, 9, 19, 19}, 2, 5, {9, 9, 19, 19}, 0},
      {"Z", {28, 9, 38, 19}, 2, 5, {30, 10, 40, 20}, 1},          // top and left
      {"Z", {18, 1, 28.5f, 11}, 2, 5, {19.5f, 0, 30, 10}, 1},     // bottom and right
      {"Z", {0, 13, 5, 20}, 2, 5, {0, 13, 5, 20}, 0},             // too far
      {"X", {1, 98, 11, 99}, 1.5f, 5, {0, 99, 10, 100}, 1},       // page edges
      {"X", {195, -1.5f, 199, 2}, 2, 5, {196, 0, 200, 3.5f}, 1},
      {"C", {6, 7, 16, 17}, 2.5f, 5, {5, 5, 15, 15}, 1},          // grid
      {"C", {-6.5f, -3.75f, 1, 2}, 2, 5, {-5, -5, 2.5f, 0.75f}, 1},  // negative edges: nearest
      {"C", {7, 0, 12, 3}, 2, 5, {7, 0, 12, 3}, 0},               // exactly t away: strict
      {"C", {6, 6, 16, 16}, 2, 0.5f, {6, 6, 16, 16}, 0},          // step below 1
      {"ZC", {28, 42, 38, 51}, 2, 5, {30, 42, 40, 51}, 1},        // guide first, no grid after
      {"C", {6, 6, 16, 16}, 0, 5, {5, 5, 15, 15}, 1},             // 0: 5 x 0.5
  };
  for (const Case& c : cases) {
    view.keysDown.clear();
    for (const char* k = c.keys; *k; ++k) view.keysDown.insert(*k);
    doc.gridStep = c.step;
    CFRect r = c.in;
    EXPECT_EQ(rulers.SnapRect(r, c.t), c.moved) << c.keys << " " << c.in.left;
    EXPECT_EQ(r, c.out) << c.keys << " " << c.in.left << " -> " << r.left << "," << r.top << ","
                        << r.right << "," << r.bottom;
  }
}

TEST_F(RulerTest, ApplyingThePanelRedrawsOrBeeps) {
  auto* g = new CGuideLine(10, 20, 0.0);
  list().Add(g);
  rulers.DrawGuides(nullptr);
  rulers.OnLButtonDown(0, 100, 55);
  rulers.OnLButtonUp(0, 100, 55);
  ASSERT_EQ(rulers.ShowGuideProperties(&prop), 1);
  FakeWindow* panel = prop.Child();
  ASSERT_TRUE(panel);
  panel->SetItemText(IDC_GUIDE_Y2, "-80");
  rulers.ApplyGuideProperties(panel);
  EXPECT_TRUE(sink.beeps.empty());
  EXPECT_EQ(g->x, 10.0f);
  EXPECT_NEAR(g->angle, 45.0, 1e-9);
  EXPECT_TRUE(ScreenShowsTheGuides());
  panel->SetItemText(IDC_GUIDE_X1, "x");
  rulers.ApplyGuideProperties(panel);
  EXPECT_EQ(sink.beeps.size(), 1u);
  EXPECT_NEAR(g->angle, 45.0, 1e-9);
  EXPECT_TRUE(ScreenShowsTheGuides());
}

TEST_F(RulerTest, SaveAndLoad) {
  list().Add(new CGuideLine(1, 2, 0.0));
  list().Add(new COutArea(3, 4, 5, 6));
  MemFile file;
  EXPECT_EQ(rulers.SaveGuides(file), 1);
  EXPECT_EQ(file.data.size(), 50u);
  CRulerGuides other(&view, 15);
  file.pos = 0;
  EXPECT_EQ(other.LoadGuides(file), 1);
  ASSERT_EQ(other.GetGuideList().GetSize(), 2);
  MemFile again;
  other.SaveGuides(again);
  EXPECT_EQ(again.data, file.data);
}

}  // namespace
