// The screen snapshot seam: what a source gives, what it may fail with, and
// the scope that installs one.
#include <gtest/gtest.h>

#include <string>

#include "platform/screen.h"

namespace {

class TestSource : public plat::ScreenSource {
 public:
  enum class Mode { Picture, Empty, Fail, FailSilently };
  explicit TestSource(Mode m) : mode(m) {}
  bool Grab(plat::Surface& out, std::string& reason) override {
    switch (mode) {
      case Mode::Picture:
        out.Create(4, 3, false, 0x123456);
        return true;
      case Mode::Empty:
        out.Create(0, 0, false);
        return true;
      case Mode::Fail:
        reason = "no X11 here";
        out.Create(2, 2, false);  // a half-made picture is not passed on
        return false;
      case Mode::FailSilently:
        return false;
    }
    return false;
  }
  Mode mode;
};

TEST(ScreenSnapshot, GivesThePictureOrAReason) {
  using Mode = TestSource::Mode;
  struct Case {
    bool installed;
    Mode mode;
    bool ok;
    const char* reason;  // null: any non-empty reason
  } cases[] = {
      {true, Mode::Picture, true, ""},
      {true, Mode::Fail, false, "no X11 here"},
      {true, Mode::FailSilently, false, nullptr},
      {true, Mode::Empty, false, nullptr},
      {false, Mode::Picture, false, nullptr},
  };
  for (const Case& c : cases) {
    TestSource source(c.mode);
    plat::ScopedScreenSource scoped(c.installed ? &source : nullptr);
    plat::Surface out;
    out.Create(9, 9, false);
    std::string reason = "stale";
    EXPECT_EQ(plat::GrabScreen(out, reason), c.ok);
    if (c.reason)
      EXPECT_EQ(reason, c.reason);
    else
      EXPECT_FALSE(reason.empty() || reason == "stale");
    if (c.ok) {
      EXPECT_EQ(out.width(), 4);
      EXPECT_EQ(out.height(), 3);
      EXPECT_EQ(out.row(2)[3], 0x123456u);
    } else {
      EXPECT_EQ(out.width(), 0);
      EXPECT_EQ(out.height(), 0);
    }
  }
}

TEST(ScreenSnapshot, ScopeRestoresThePreviousSource) {
  TestSource outer(TestSource::Mode::Picture), inner(TestSource::Mode::Fail);
  plat::ScopedScreenSource a(&outer);
  {
    plat::ScopedScreenSource b(&inner);
    EXPECT_EQ(plat::GetScreenSource(), &inner);
  }
  EXPECT_EQ(plat::GetScreenSource(), &outer);
}

}  // namespace
