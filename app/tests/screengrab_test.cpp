// The screen grab: the band inside the rubber band, its black-and-white
// bitmap, and command 40164 on a fake screen (the window, the drag, the
// trace into the design, the missing screen).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/appids.h"
#include "app/imagevectorizer.h"
#include "app/screengrabdlg.h"
#include "dialog_fixture.h"
#include "framework/input.h"
#include "model/settings.h"
#include "platform/screen.h"

using namespace apptest;
using screengrab::Band;

namespace {

constexpr fw::UINT ID_SCREEN_GRAB = 40164;

constexpr std::uint32_t kGrey = 0x808080;   // 384
constexpr std::uint32_t kWhite = 0xFFFFFF;  // 765

std::uint32_t Sum(std::uint32_t p) { return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF); }

// A grey screen with a white square [50, 70) x [40, 60), white pixels in the
// first column and row of the test band (its corners stay grey) and two pixels
// right at the threshold of 512.
plat::Surface TestScreen() {
  plat::Surface s;
  s.Create(160, 120, false, kGrey);
  for (plat::LONG y = 40; y < 60; ++y)
    for (plat::LONG x = 50; x < 70; ++x) s.row(y)[x] = kWhite;
  s.row(50)[42] = kWhite;    // first column of the test band
  s.row(32)[60] = kWhite;    // its first row
  s.row(36)[46] = 0xFFFF02;  // 512: not set
  s.row(36)[47] = 0xFFFF03;  // 513: set
  return s;
}

class FakeScreen : public plat::ScreenSource {
 public:
  bool Grab(plat::Surface& out, std::string& reason) override {
    ++grabs;
    if (!ok) {
      reason = "no display";
      return false;
    }
    out = TestScreen();
    return true;
  }
  bool ok = true;
  int grabs = 0;
};

// Pixels of a bitmap, top row first: true for white.
std::vector<bool> WhiteOf(plat::HBITMAP bmp, plat::LONG* w = nullptr, plat::LONG* h = nullptr) {
  std::vector<bool> out;
  plat::BITMAP info{};
  if (!plat::GetBitmapInfo(bmp, &info)) return out;
  if (w) *w = info.bmWidth;
  if (h) *h = info.bmHeight;
  for (plat::LONG y = 0; y < info.bmHeight; ++y)
    for (plat::LONG x = 0; x < info.bmWidth; ++x) out.push_back(bmp->surface().row(y)[x] != 0);
  return out;
}

// What the band's bitmap must hold: each pixel of the band brighter than the threshold.
std::vector<bool> Expected(const plat::Surface& s, const Band& b, int threshold) {
  std::vector<bool> out;
  for (plat::LONG y = b.top; y < b.top + b.height; ++y)
    for (plat::LONG x = b.left; x < b.left + b.width; ++x) out.push_back(int(Sum(s.row(y)[x])) > threshold);
  return out;
}

TEST(ScreenGrabBand, InsideOfTheBandWhicheverWayItWasDragged) {
  struct Case {
    plat::POINT a, b;
    Band band;
  } cases[] = {
      {{10, 20}, {30, 25}, {11, 21, 19, 4}},
      {{30, 25}, {10, 20}, {11, 21, 19, 4}},
      {{30, 20}, {10, 25}, {11, 21, 19, 4}},
      {{7, 7}, {7, 7}, {8, 8, -1, -1}},  // a click
      {{7, 7}, {8, 9}, {8, 8, 0, 1}},
  };
  for (const Case& c : cases) {
    const Band b = screengrab::BandInside(c.a, c.b);
    EXPECT_EQ(b.left, c.band.left);
    EXPECT_EQ(b.top, c.band.top);
    EXPECT_EQ(b.width, c.band.width);
    EXPECT_EQ(b.height, c.band.height);
  }
}

TEST(ScreenGrabBand, BitmapHoldsExactlyTheBandByThreshold) {
  const plat::Surface s = TestScreen();
  // Band [42, 81) x [32, 71): its first and last rows and columns count.
  const Band band{42, 32, 39, 39};
  for (int threshold : {512, 383, 764, 0}) {
    plat::HBITMAP bmp = screengrab::MakeBandBitmap(s, band, threshold);
    ASSERT_NE(bmp, nullptr);
    plat::LONG w = 0, h = 0;
    const std::vector<bool> got = WhiteOf(bmp, &w, &h);
    EXPECT_EQ(w, band.width);
    EXPECT_EQ(h, band.height);
    EXPECT_EQ(got, Expected(s, band, threshold)) << "threshold " << threshold;
    plat::DeleteObject(bmp);
  }
  // At 512: white (765) set, grey (384) not, 512 not, 513 set.
  plat::HBITMAP bmp = screengrab::MakeBandBitmap(s, band, 512);
  const std::vector<bool> got = WhiteOf(bmp);
  auto at = [&](plat::LONG x, plat::LONG y) { return bool(got[std::size_t((y - 32) * 39 + (x - 42))]); };
  EXPECT_TRUE(at(42, 50));
  EXPECT_TRUE(at(60, 32));
  EXPECT_FALSE(at(42, 32));
  EXPECT_TRUE(at(60, 50));
  EXPECT_FALSE(at(80, 70));
  EXPECT_FALSE(at(46, 36));
  EXPECT_TRUE(at(47, 36));
  plat::DeleteObject(bmp);
}

TEST(ScreenGrabBand, SmallBandsAndBandsOffTheScreen) {
  const plat::Surface s = TestScreen();
  for (plat::LONG side : {-1, 0, 2}) {
    EXPECT_EQ(screengrab::MakeBandBitmap(s, Band{10, 10, side, 10}, 512), nullptr) << side;
    EXPECT_EQ(screengrab::MakeBandBitmap(s, Band{10, 10, 10, side}, 512), nullptr) << side;
  }
  EXPECT_EQ(screengrab::MakeBandBitmap(s, Band{0, 0, 1 << 20, 1 << 20}, 512), nullptr);
  // Beyond the screen a band reads as black.
  plat::HBITMAP bmp = screengrab::MakeBandBitmap(s, Band{65, 55, 100, 100}, 512);
  ASSERT_NE(bmp, nullptr);
  const std::vector<bool> got = WhiteOf(bmp);
  EXPECT_TRUE(got[0]);
  EXPECT_FALSE(got[std::size_t(99 * 100 + 99)]);
  plat::DeleteObject(bmp);
}

class ScreenGrabTest : public DialogViewTest {
 protected:
  void SetUp() override {
    DialogViewTest::SetUp();
    scopedScreen = std::make_unique<plat::ScopedScreenSource>(&screen);
  }
  void TearDown() override {
    scopedScreen.reset();
    DialogViewTest::TearDown();
  }

  // Runs 40164 with a drag in the grab window's client coordinates; what the
  // window grabbed is kept.
  void Grab(fw::POINT from, fw::POINT to) {
    grabbed.clear();
    Run(ID_SCREEN_GRAB, [&](fw::CDialog& d) {
      auto& dlg = dynamic_cast<CScreenGrabDlg&>(d);
      mainShown = main->IsWindowVisible() != 0;
      cursor = dlg.GetClassCursor();
      dlg.GetWindowRect(&window);
      if (from.x == to.x && from.y == to.y)
        fw::MouseScript(&dlg).Click(from.x, from.y);
      else
        fw::MouseScript(&dlg).Drag(from.x, from.y, to.x, to.y, 3);
      band = dlg.GetBand();
      grabbed = WhiteOf(dlg.GetBandBitmap());
      ended = dlg.IsEnded();
    });
  }

  // Null when no tracing library is there to trace a plain square.
  static bool CanTrace() {
    // 16 x 20, white, black in columns 3 to 12 of rows 5 to 14.
    std::vector<std::uint8_t> bits(20 * 2, 0xFF);
    for (std::size_t y = 5; y < 15; ++y) {
      bits[y * 2] = 0xE0;
      bits[y * 2 + 1] = 0x07;
    }
    plat::HBITMAP bmp = plat::CreateBitmap(16, 20, 1, 1, bits.data());
    CImageVectorizer vectorizer;
    const bool traced = vectorizer.VectorizeBitmap(bmp, true, 0) != nullptr;
    plat::DeleteObject(bmp);
    return traced;
  }

  FakeScreen screen;
  std::unique_ptr<plat::ScopedScreenSource> scopedScreen;
  Band band;
  std::vector<bool> grabbed;
  fw::RECT window{};
  fw::HCURSOR cursor = 0;
  bool mainShown = true;
  bool ended = false;
};

TEST_F(ScreenGrabTest, BothDragDirectionsGrabTheSamePixelsOfTheSnapshot) {
  const plat::Surface s = TestScreen();
  // The window lies at (1, 1): client (40, 30) is screen (41, 31).
  Grab({40, 30}, {80, 70});
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].templateId, appid::IDD_SCREEN_GRAB);
  EXPECT_TRUE(ended);
  EXPECT_EQ(runs[0].result, fw::IDOK);
  EXPECT_FALSE(mainShown);
  EXPECT_TRUE(main->IsWindowVisible());
  EXPECT_EQ(cursor, fw::IDC_CROSS);
  EXPECT_EQ(window.left, 1);
  EXPECT_EQ(window.top, 1);
  EXPECT_EQ(window.width(), 160);
  EXPECT_EQ(window.height(), 120);
  EXPECT_EQ(band.left, 42);
  EXPECT_EQ(band.top, 32);
  EXPECT_EQ(band.width, 39);
  EXPECT_EQ(band.height, 39);
  const std::vector<bool> forward = grabbed;
  EXPECT_EQ(forward, Expected(s, band, 512));

  Grab({80, 70}, {40, 30});
  EXPECT_EQ(band.left, 42);
  EXPECT_EQ(band.width, 39);
  EXPECT_EQ(grabbed, forward);
  Grab({80, 30}, {40, 70});
  EXPECT_EQ(grabbed, forward);
  EXPECT_EQ(screen.grabs, 3);
}

TEST_F(ScreenGrabTest, ThresholdComesFromTheProfile) {
  CProfile().WriteInt("VECTOR", "BlackThreshold", 383);
  Grab({40, 30}, {80, 70});
  EXPECT_EQ(grabbed, Expected(TestScreen(), band, 383));
  EXPECT_TRUE(grabbed.back());  // grey counts at 383
}

TEST_F(ScreenGrabTest, ClickOrNarrowBandAddsNothingAndCloses) {
  struct Case {
    fw::POINT from, to;
  } cases[] = {{{50, 50}, {50, 50}}, {{50, 50}, {53, 80}}, {{50, 50}, {80, 53}}, {{50, 50}, {51, 51}}};
  const int objects = doc->GetObjectCount();
  for (const Case& c : cases) {
    Grab(c.from, c.to);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(grabbed.empty()) << c.to.x << "," << c.to.y;
    EXPECT_EQ(doc->GetObjectCount(), objects);
    EXPECT_EQ(Steps(), 0);
    EXPECT_TRUE(main->IsWindowVisible());
  }
  // Three pixels either way are enough.
  Grab({50, 50}, {54, 54});
  EXPECT_EQ(grabbed.size(), 9u);
}

TEST_F(ScreenGrabTest, WindowShowsTheSnapshotAndTheBandOnItself) {
  const plat::Surface s = TestScreen();
  Run(ID_SCREEN_GRAB, [&](fw::CDialog& dlg) {
    dlg.UpdateWindow();
    const plat::Surface& shown = dlg.GetSurface().surface();
    // Client (x, y) shows screen pixel (x + 1, y + 1).
    EXPECT_EQ(shown.row(39)[49] & 0xFFFFFF, kWhite);
    EXPECT_EQ(shown.row(38)[48] & 0xFFFFFF, kGrey);
    fw::MouseScript m(&dlg);
    m.Down(40, 30).Move(80, 70);
    // The band's outline is inverted, its inside left alone.
    EXPECT_EQ(shown.row(30)[40] & 0xFFFFFF, ~s.row(31)[41] & 0xFFFFFF);
    EXPECT_EQ(shown.row(70)[60] & 0xFFFFFF, ~s.row(71)[61] & 0xFFFFFF);
    EXPECT_EQ(shown.row(50)[60] & 0xFFFFFF, s.row(51)[61]);
    // A paint meanwhile keeps the band.
    dlg.Invalidate();
    dlg.UpdateWindow();
    EXPECT_EQ(shown.row(30)[40] & 0xFFFFFF, ~s.row(31)[41] & 0xFFFFFF);
    m.Move(60, 50);
    EXPECT_EQ(shown.row(70)[60] & 0xFFFFFF, s.row(71)[61]);
    m.Up(80, 70);
  });
  ASSERT_EQ(runs.size(), 1u);
  // The dialogs' cursor is back.
  const fw::WndClass* dialogs = fw::FindWndClass("#32770");
  ASSERT_NE(dialogs, nullptr);
  EXPECT_NE(dialogs->cursor, fw::IDC_CROSS);
}

TEST_F(ScreenGrabTest, EscapeEndsWithoutAGrab) {
  Run(ID_SCREEN_GRAB, [&](fw::CDialog& dlg) {
    fw::MouseScript(&dlg).Down(40, 30).Move(80, 70);
    dlg.SetFocus();
    fw::Keyboard::Stroke(fw::VK_ESCAPE);
    fw::PumpPendingMessages();
    ended = dlg.IsEnded();
    EXPECT_EQ(fw::CWnd::GetCapture(), nullptr);
  });
  EXPECT_TRUE(ended);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].result, fw::IDCANCEL);
  EXPECT_NE(fw::FindWndClass("#32770")->cursor, fw::IDC_CROSS);
  EXPECT_EQ(Steps(), 0);
  EXPECT_TRUE(main->IsWindowVisible());
}

TEST_F(ScreenGrabTest, NoSnapshotTellsWhyAndOpensNothing) {
  for (bool installed : {true, false}) {
    screen.ok = false;
    std::unique_ptr<plat::ScopedScreenSource> none;
    if (!installed) none = std::make_unique<plat::ScopedScreenSource>(nullptr);
    sink.clear();
    Run(ID_SCREEN_GRAB, [](fw::CDialog&) { ADD_FAILURE() << "no window without a snapshot"; });
    EXPECT_TRUE(runs.empty());
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "Screen Image Vector needs an X11 display.");
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_TRUE(main->IsWindowVisible());
    EXPECT_EQ(Steps(), 0);
  }
}

// Needs the tracing library.
TEST_F(ScreenGrabTest, GrabIsTracedIntoTheDesignAsOneUndoStep) {
  if (!CanTrace()) GTEST_SKIP() << "VectorizeBitmap traced nothing of a plain square: no tracing library yet";
  sink.clear();
  const int objects = doc->GetObjectCount();
  // Band [42, 81) x [32, 71) on grey: the white square [50, 70) x [40, 60)
  // lies at [8, 28) x [8, 28) of it (y downward), beside single pixels.
  Grab({40, 30}, {80, 70});
  ASSERT_EQ(doc->GetObjectCount(), objects + 1);
  EXPECT_EQ(Steps(), 1);
  CGraphObject* traced = doc->GetObjectAt(objects);
  EXPECT_FLOAT_EQ(traced->matrix.m00, 1.0f);
  EXPECT_FLOAT_EQ(traced->matrix.m11, 1.0f);
  EXPECT_FLOAT_EQ(traced->matrix.m20, 0.0f);
  EXPECT_FLOAT_EQ(traced->matrix.m21, 0.0f);
  const CFRect& r = traced->bounds;
  EXPECT_GE(r.left, -1.0f);
  EXPECT_GE(r.top, -1.0f);
  EXPECT_LE(r.right, 40.0f);
  EXPECT_LE(r.bottom, 40.0f);
  EXPECT_NEAR(r.right, 28.0f, 1.0f);
  EXPECT_NEAR(r.bottom, 28.0f, 1.0f);
  EXPECT_TRUE(sink.boxes.empty());
  ASSERT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), objects);
}

}  // namespace
