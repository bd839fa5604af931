#include "platform/printer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace plat;

namespace {

// A4 at 50 dpi, a document started (the page file only: nothing is sent).
std::unique_ptr<PrinterDC> Started() {
  DevNames names;
  names.device = "nowhere";
  DevMode mode;
  mode.dpi = 50;
  auto p = PrinterDC::Create(names, mode);
  if (p && p->StartDoc("test") <= 0) p.reset();
  return p;
}

bool AllWhite(PrinterDC& p) {
  const Surface& s = p.GetDC()->GetSurface();
  for (LONG y = 0; y < s.height(); ++y) {
    const std::uint32_t* row = s.row(y);
    if (!std::all_of(row, row + s.width(), [](std::uint32_t v) { return (v & 0xFFFFFF) == 0xFFFFFF; }))
      return false;
  }
  return true;
}

}  // namespace

// Every page starts white: after a page drawn here and there, after a
// context whose page was left unfinished, and in a context that takes the
// raster of the one before.
TEST(PrinterDC, EveryPageStartsWhite) {
  auto p = Started();
  if (!p) GTEST_SKIP() << "the print libraries are missing";
  ASSERT_EQ(p->StartPage(), 1);
  EXPECT_TRUE(AllWhite(*p));
  p->GetDC()->FillSolidRect({10, 20, 30, 25}, RGB(0, 0, 0));
  p->GetDC()->FillSolidRect({300, 500, 301, 501}, RGB(255, 0, 0));
  ASSERT_EQ(p->EndPage(), 1);
  ASSERT_EQ(p->StartPage(), 1);
  EXPECT_TRUE(AllWhite(*p));
  p->GetDC()->FillSolidRect({0, 0, 5, 5}, RGB(0, 0, 255));
  ASSERT_EQ(p->EndPage(), 1);
  ASSERT_EQ(p->StartPage(), 1);
  EXPECT_TRUE(AllWhite(*p));
  p->GetDC()->FillSolidRect({100, 100, 200, 110}, RGB(0, 128, 0));  // left unfinished
  EXPECT_EQ(p->PagesAdded(), 2);
  p->AbortDoc();
  p.reset();

  for (int round = 0; round < 2; ++round) {
    auto q = Started();
    ASSERT_NE(q, nullptr);
    ASSERT_EQ(q->StartPage(), 1);
    EXPECT_TRUE(AllWhite(*q)) << round;
    q->GetDC()->FillSolidRect({50, 60, 70, 80}, RGB(0, 0, 0));
    ASSERT_EQ(q->EndPage(), 1);
    q->AbortDoc();
  }
}
