#include "output/cutlayout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "output/cutinfo.h"
#include "platform/report.h"

namespace {

CCutInfo Paper(float l, float t, float w, float h, unsigned gaps) {
  CCutInfo info;
  info.left = l, info.top = t, info.right = l + w, info.bottom = t + h;
  info.pageGaps = gaps;
  return info;
}

TEST(CutLayoutTest, SteppingThePaperWindow) {
  struct Case {
    const char* what;
    CCutInfo paper;
    PaperStep step;
    float left, top;
    bool beep;
  } cases[] = {
      {"right by width less overlap", Paper(0, 0, 400, 300, 10), PaperStep::Right, 390, 0, false},
      {"down", Paper(0, 0, 400, 300, 10), PaperStep::Down, 0, 290, false},
      {"up from 600", Paper(0, 600, 400, 300, 10), PaperStep::Up, 0, 310, false},
      {"left past 0 stops at 0", Paper(5, 0, 400, 300, 10), PaperStep::Left, 0, 0, true},
      {"up past 0 stops at 0", Paper(0, 20, 400, 300, 10), PaperStep::Up, 0, 0, true},
      {"overlap as wide as the paper", Paper(50, 0, 10, 300, 10), PaperStep::Right, 50, 0, true},
      {"overlap wider than the paper", Paper(50, 40, 400, 30, 40), PaperStep::Up, 50, 40, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::RecordingSink sink;
    plat::ReportSink* old = plat::SetReportSink(&sink);
    CCutInfo info = c.paper;
    const float w = info.Width(), h = info.Height();
    EXPECT_EQ(StepPaperWindow(info, c.step), !c.beep);
    EXPECT_EQ(info.left, c.left);
    EXPECT_EQ(info.top, c.top);
    EXPECT_EQ(info.Width(), w);
    EXPECT_EQ(info.Height(), h);
    EXPECT_EQ(sink.beeps.size(), c.beep ? 1u : 0u);
    plat::SetReportSink(old);
  }
}

TEST(CutLayoutTest, EntriesAndTheirReplacements) {
  struct Case {
    CutEntry entry;
    const char* text;
    float value;
    const char* shown;  // null: kept
  } cases[] = {
      {CutEntry::Accuracy, "2", 2.0f, nullptr},      {CutEntry::Accuracy, "0.5", 0.5f, nullptr},
      {CutEntry::Accuracy, "0.3", 0.5f, "0.5"},      {CutEntry::Accuracy, "nan", 0.5f, "0.5"},
      {CutEntry::Accuracy, "abc", 0.5f, "0.5"},      {CutEntry::Zoom, "1.5", 1.5f, nullptr},
      {CutEntry::Zoom, "0", 1.0f, "1"},              {CutEntry::Zoom, "-2", 1.0f, "1"},
      {CutEntry::Zoom, "inf", 1.0f, "1"},            {CutEntry::Blade, "0.1", 0.1f, nullptr},
      {CutEntry::Blade, "0.51", 0.51f, nullptr},     {CutEntry::Blade, "0.6", 0.35f, "0.35"},
      {CutEntry::Blade, "0.05", 0.35f, "0.35"},      {CutEntry::Blade, "", 0.35f, "0.35"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CutEntryValue v = ReadCutEntry(c.entry, c.text);
    EXPECT_EQ(v.value, c.value);
    EXPECT_EQ(v.replaced, c.shown != nullptr);
    if (c.shown) EXPECT_EQ(v.text, c.shown);
  }
}

// Objects at (20, 30)-(120, 80) mm on a 200 x 100 page.
TEST(CutLayoutTest, ArrangementMatrices) {
  const CFRect objects{20, 30, 120, 80};
  struct Case {
    const char* what;
    unsigned mirror, savePaper;
    float zoom;
    CFRect want;
  } cases[] = {
      {"as they are", 0, 0, 1.0f, {20, 30, 120, 80}},
      {"save paper", 0, 1, 1.0f, {0.1f, 0.1f, 100.1f, 50.1f}},
      {"mirror across the page", 1, 0, 1.0f, {80, 30, 180, 80}},
      {"mirror and save paper", 1, 1, 1.0f, {0.1f, 0.1f, 100.1f, 50.1f}},
      {"zoom", 0, 0, 2.0f, {40, 60, 240, 160}},
      {"save paper and zoom", 0, 1, 0.5f, {0.05f, 0.05f, 50.05f, 25.05f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CCutInfo info;
    info.mirror = c.mirror;
    info.savePaper = c.savePaper;
    info.zoomCut = c.zoom;
    // Single precision: moving by (0.1 - 20) lands within an ulp or two of 0.1.
    CFRect r = objects;
    ArrangementMatrix(objects, 200, info).TransformRectBounds(r);
    EXPECT_NEAR(r.left, c.want.left, 1e-5f);
    EXPECT_NEAR(r.top, c.want.top, 1e-5f);
    EXPECT_NEAR(r.right, c.want.right, 1e-5f);
    EXPECT_NEAR(r.bottom, c.want.bottom, 1e-5f);
  }
}

}  // namespace
