#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/controls.h"
#include "framework/wnd.h"

using namespace fw;

namespace {

// Answers the list's label notifications as told and records them.
class Parent : public CWnd {
 public:
  std::vector<std::string> log;
  LRESULT beginAnswer = 0, endAnswer = 1;
  BOOL OnNotify(WPARAM, LPARAM lp, LRESULT* result) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
    if (hdr->code == LVN_BEGINLABELEDIT) {
      log.push_back("begin " + std::to_string(info->item.iItem) + " " + info->item.pszText);
      *result = beginAnswer;
    } else if (hdr->code == LVN_ENDLABELEDIT) {
      log.push_back(std::string("end ") + (info->item.pszText ? info->item.pszText : "(cancelled)") + " " +
                    std::to_string(info->item.lParam));
      *result = endAnswer;
    }
    return TRUE;
  }
};

TEST(ListCtrl, LabelEditsNeedTheStyleAndTheParentsConsent) {
  Parent parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 200}, nullptr, 0));
  CListCtrl list, plain;
  ASSERT_TRUE(list.CreateEx(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_EDITLABELS,
                            RECT{0, 0, 100, 100}, &parent, 9));
  ASSERT_TRUE(plain.CreateEx(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{100, 0, 200, 100},
                             &parent, 10));
  list.InsertColumn(0, "a");
  list.InsertColumn(1, "b");
  list.InsertItem(0, "old");
  list.SetItemText(0, 1, "side");
  list.SetItemData(0, 42);
  EXPECT_TRUE(list.UserEditLabel(0, "new"));
  EXPECT_EQ(list.GetItemText(0, 0), "new");
  EXPECT_EQ(list.GetItemText(0, 1), "side");
  EXPECT_FALSE(list.UserEditLabel(0, "gone", true));
  EXPECT_EQ(list.GetItemText(0, 0), "new");
  parent.endAnswer = 0;
  EXPECT_FALSE(list.UserEditLabel(0, "refused"));
  parent.beginAnswer = 1;
  EXPECT_FALSE(list.UserEditLabel(0, "never asked"));
  EXPECT_FALSE(list.UserEditLabel(3, "no row"));
  EXPECT_EQ(parent.log, (std::vector<std::string>{"begin 0 old", "end new 42", "begin 0 new", "end (cancelled) 42",
                                                  "begin 0 new", "end refused 42", "begin 0 new"}));
  plain.InsertItem(0, "fixed");
  EXPECT_FALSE(plain.UserEditLabel(0, "x"));
  EXPECT_EQ(plain.GetItemText(0, 0), "fixed");
  ResetWindowSystem();
}

// Paints each row in the colour its item data holds.
class Painter : public CWnd {
 public:
  std::vector<UINT> drawn;
  void OnDrawItem(int, DRAWITEMSTRUCT* dis) override {
    drawn.push_back(dis->itemID);
    dis->hDC->FillSolidRect(dis->rcItem, COLORREF(dis->itemData));
  }
};

// An owner-drawn list repaints an invalidated row through its owner, and only there.
TEST(ListCtrl, OwnerDrawnRowsRepaintWhereInvalidated) {
  Painter parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 200}, nullptr, 0));
  CListCtrl list;
  ASSERT_TRUE(list.CreateEx(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED,
                            RECT{0, 0, 200, 100}, &parent, 9));
  list.InsertColumn(0, "a", LVCFMT_LEFT, 200);
  const COLORREF red = plat::RGB(200, 0, 0), green = plat::RGB(0, 160, 0), blue = plat::RGB(0, 0, 255);
  for (int i = 0; i < 2; ++i) {
    list.InsertItem(i, "row");
    list.SetItemData(i, red);
  }
  PumpPendingMessages();
  RECT r0{}, r1{};
  ASSERT_TRUE(list.GetItemRect(0, &r0, LVIR_BOUNDS));
  ASSERT_TRUE(list.GetItemRect(1, &r1, LVIR_BOUNDS));
  const plat::Surface& s = list.GetSurface().surface();
  EXPECT_EQ(s.GetPixel(5, r0.top + 2), red);
  EXPECT_EQ(s.GetPixel(5, r1.top + 2), red);
  // New data changes no picture by itself; the invalidated row shows it once painted.
  list.SetItemData(0, green);
  list.SetItemData(1, blue);
  parent.drawn.clear();
  list.InvalidateRect(&r1, FALSE);
  PumpPendingMessages();
  EXPECT_FALSE(parent.drawn.empty());
  EXPECT_EQ(s.GetPixel(5, r1.top + 2), blue);
  EXPECT_EQ(s.GetPixel(5, r0.top + 2), red);
  ResetWindowSystem();
}

// Rows beyond the page: a vertical scroll bar whose moves bring other rows to the top,
// painted there; the bar goes once the rows fit.
TEST(ListCtrl, OwnerDrawnRowsBeyondThePageScroll) {
  Painter parent;
  ASSERT_TRUE(parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 200, 200}, nullptr, 0));
  CListCtrl list;
  // A header and four rows of 17.
  ASSERT_TRUE(list.CreateEx(0, "SysListView32", "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED,
                            RECT{0, 0, 200, 17 * 5 + 8}, &parent, 9));
  list.InsertColumn(0, "a", LVCFMT_LEFT, 150);
  for (int i = 0; i < 4; ++i) list.InsertItem(i, "row");
  EXPECT_FALSE(list.GetStyle() & WS_VSCROLL);
  for (int i = 4; i < 10; ++i) list.InsertItem(i, "row");
  ASSERT_TRUE(list.GetStyle() & WS_VSCROLL);
  int lo = -1, hi = -1;
  list.GetScrollRange(SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 6);
  struct Step {
    UINT code, pos;
    int top;
  } steps[] = {{SB_LINEDOWN, 0, 1}, {SB_PAGEDOWN, 0, 5}, {SB_PAGEDOWN, 0, 6}, {SB_LINEUP, 0, 5},
               {SB_PAGEUP, 0, 1},   {SB_THUMBTRACK, 9, 6}, {SB_TOP, 0, 0},     {SB_BOTTOM, 0, 6}};
  for (const Step& st : steps) {
    PumpPendingMessages();
    parent.drawn.clear();
    list.SendMessage(WM_VSCROLL, MAKELONG(WORD(st.code), WORD(st.pos)), 0);
    PumpPendingMessages();
    EXPECT_EQ(list.GetTopIndex(), st.top) << st.code;
    EXPECT_EQ(list.GetScrollPos(SB_VERT), st.top) << st.code;
    EXPECT_EQ(list.HitTest(POINT{5, 17 + 2}), st.top) << st.code;
    ASSERT_FALSE(parent.drawn.empty()) << st.code;
    EXPECT_EQ(parent.drawn.front(), UINT(st.top)) << st.code;
  }
  while (list.GetItemCount() > 4) list.DeleteItem(0);
  EXPECT_FALSE(list.GetStyle() & WS_VSCROLL);
  EXPECT_EQ(list.GetTopIndex(), 0);
  ResetWindowSystem();
}

}  // namespace
