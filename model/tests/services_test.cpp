#include "model/services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/tests/fakes.h"

TEST(TextToCharCodes, GbkLeadBytesAndControlCharacters) {
  using V = std::vector<std::uint16_t>;
  struct Case {
    const char* what;
    std::string text;
    V codes;
  };
  const Case cases[] = {
      {"ascii", "Ab 1", {'A', 'b', ' ', '1'}},
      {"lead 0xB0", "\xB0\xA1", {0xB0A1}},
      {"lead 0x81", "\x81\x40x", {0x8140, 'x'}},
      {"lead 0x9F", "a\x9F\x7E", {'a', 0x9F7E}},
      {"lead 0xFE", "\xFE\xFE", {0xFEFE}},
      {"0x80 and 0xFF are single bytes", "\x80\xFF", {0x80, 0xFF}},
      {"trailing lead dropped", "ab\xC4", {'a', 'b'}},
      {"only a lead", "\x81", {}},
      {"CR kept, other controls dropped", "a\r\n\tb\x1F", {'a', 13, 'b'}},
      {"control after lead pairs with it", "\xB0\x0D", {0xB00D}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TextToCharCodes(c.text.c_str()), c.codes);
  }
  EXPECT_TRUE(TextToCharCodes(nullptr).empty());
}

TEST(AppServices, ActiveViewAndMainFrameThroughTheInstalledServices) {
  EXPECT_EQ(GetActiveView(), nullptr);
  EXPECT_EQ(GetMainFrame(), nullptr);
  {
    FakeApp app;
    FakeView view;
    app.activeView = &view;
    EXPECT_EQ(GetAppServices(), &app);
    EXPECT_EQ(GetActiveView(), &view);
    EXPECT_EQ(GetMainFrame(), &app.frame);
    app.hasFrame = false;
    EXPECT_EQ(GetMainFrame(), nullptr);
  }
  EXPECT_EQ(GetAppServices(), nullptr);
}

TEST(AppServices, RecordingUndoList) {
  FakeView view;
  EXPECT_EQ(RecordingUndoList(&view), nullptr);
  view.undo.StartRecord(0);
  EXPECT_EQ(RecordingUndoList(&view), &view.undo);
  view.undo.Suspend();
  EXPECT_EQ(RecordingUndoList(&view), nullptr);
  view.undo.Resume();
  view.undo.EndRecord();
  EXPECT_EQ(RecordingUndoList(nullptr), nullptr);
}

TEST(SharedDrawingTools, CreatedOnceWithTheirColours) {
  CreateSharedDrawingTools();
  SharedDrawingTools& t = SharedTools();
  ASSERT_NE(t.xorPen, nullptr);
  plat::HPEN first = t.xorPen;
  CreateSharedDrawingTools();
  EXPECT_EQ(t.xorPen, first);
  EXPECT_EQ(t.xorPen->color(), plat::RGB(255, 0, 0));
  EXPECT_EQ(t.xorPen->style(), plat::PS_SOLID);
  EXPECT_EQ(t.bluePen->color(), plat::RGB(0, 0, 255));
  EXPECT_EQ(t.dottedBluePen->style(), plat::PS_DOT);
  EXPECT_EQ(t.greenPen->color(), plat::RGB(0, 255, 0));
  EXPECT_EQ(t.xorBrush->color(), plat::RGB(255, 0, 0));
  EXPECT_EQ(t.moveCursor, 146u);
}
