#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/input.h"
#include "framework/wnd.h"

using namespace fw;

// Windows that destroy and delete themselves inside their own handlers: nothing of
// them may be touched afterwards. Meant for the sanitizer build, where any such touch
// aborts the test.
namespace {

constexpr UINT kExit = 0xE141;
constexpr UINT kQuit = 0x9001;  // a handler that ends the window and lets the command route on
constexpr UINT kBye = WM_USER + 5;
constexpr UINT kCombo = 300;
constexpr UINT kEdit = 301;
constexpr UINT kTab = 302;

class Doomed : public CWnd {
  FW_DECLARE_COMMAND_MAP()

 public:
  bool* gone = nullptr;
  CComboBox combo;
  CEdit edit;
  CTabCtrl tabs;
  ~Doomed() override {
    if (gone) *gone = true;
  }
  void PostNcDestroy() override { delete this; }
  void End() { DestroyWindow(); }
  BOOL EndAndPass(UINT) {
    DestroyWindow();
    return FALSE;
  }
  LRESULT OnBye(WPARAM, LPARAM) {
    DestroyWindow();
    return 7;
  }
  void OnNotifyEnd(NMHDR*, LRESULT* r) {
    *r = 0;
    DestroyWindow();
  }
  void OnTimer(UINT) override { DestroyWindow(); }
  void OnPaint() override {
    PAINTSTRUCT ps;
    BeginPaint(&ps);
    EndPaint(&ps);
    if (endOnPaint) DestroyWindow();
  }
  void OnKeyDown(UINT, UINT, UINT) override { DestroyWindow(); }
  void OnLButtonDown(UINT, POINT) override { DestroyWindow(); }
  void OnSize(UINT, int, int) override {
    if (endOnSize) DestroyWindow();
  }
  void OnShowWindow(BOOL, UINT) override {
    if (endOnShow) DestroyWindow();
  }
  bool endOnPaint = false;
  bool endOnSize = false;
  bool endOnShow = false;
};
FW_BEGIN_COMMAND_MAP(Doomed, CWnd)
FW_ON_COMMAND(kExit, End)
FW_ON_COMMAND_EX(kQuit, EndAndPass)
FW_ON_MESSAGE(kBye, OnBye)
FW_ON_CBN_SELCHANGE(kCombo, End)
FW_ON_CONTROL(EN_UPDATE, kEdit, End)
FW_ON_NOTIFY(TCN_SELCHANGING, kTab, OnNotifyEnd)
FW_END_COMMAND_MAP()

struct DestroyInHandlerTest : ::testing::Test {
  ManualClock clock;
  ScopedClock sc{&clock};
  bool gone = false;
  Doomed* w = nullptr;
  HWND h = 0;
  void SetUp() override {
    w = new Doomed;
    w->gone = &gone;
    ASSERT_TRUE(w->CreateEx(0, "", "doomed", WS_VISIBLE, RECT{0, 0, 200, 100}, nullptr, 0));
    ASSERT_TRUE(w->combo.Create("ComboBox", "", CBS_DROPDOWNLIST | WS_VISIBLE | WS_CHILD, RECT{0, 0, 80, 20}, w, kCombo));
    w->combo.AddString("one");
    w->combo.AddString("two");
    ASSERT_TRUE(w->edit.Create("Edit", "", WS_VISIBLE | WS_CHILD, RECT{0, 30, 80, 50}, w, kEdit));
    ASSERT_TRUE(w->tabs.Create("SysTabControl32", "", WS_VISIBLE | WS_CHILD, RECT{0, 60, 80, 90}, w, kTab));
    w->tabs.InsertItem(0, "a");
    w->tabs.InsertItem(1, "b");
    h = w->m_hWnd;
    PumpPendingMessages();
  }
  void TearDown() override {
    if (!gone) w->DestroyWindow();
    ResetWindowSystem();
  }
};

TEST_F(DestroyInHandlerTest, EveryRouteLeavesTheDeletedWindowAlone) {
  struct Case {
    const char* what;
    std::function<void(DestroyInHandlerTest&)> act;
  };
  const Case cases[] = {
      {"menu command", [](auto& t) { EXPECT_EQ(SendMessage(t.h, WM_COMMAND, kExit, 0), 1); }},
      {"accelerator command", [](auto& t) { SendMessage(t.h, WM_COMMAND, MAKELONG(kExit, 1), 0); }},
      {"command routed on", [](auto& t) { EXPECT_EQ(SendMessage(t.h, WM_COMMAND, kQuit, 0), 0); }},
      {"message", [](auto& t) { EXPECT_EQ(SendMessage(t.h, kBye, 0, 0), 7); }},
      {"posted message", [](auto& t) {
         PostMessage(t.h, kBye, 0, 0);
         PumpPendingMessages();
       }},
      {"close", [](auto& t) { SendMessage(t.h, WM_CLOSE, 0, 0); }},
      {"timer", [](auto& t) {
         t.w->SetTimer(1, 10);
         t.clock.Advance(20);
         PumpPendingMessages();
       }},
      {"paint", [](auto& t) {
         t.w->endOnPaint = true;
         t.w->InvalidateRect(nullptr, TRUE);
         t.w->UpdateWindow();
       }},
      {"key", [](auto& t) {
         t.w->SetFocus();
         PostMessage(t.h, WM_KEYDOWN, VK_ESCAPE, 0);
         PumpPendingMessages();
       }},
      {"size", [](auto& t) {
         t.w->endOnSize = true;
         t.w->MoveWindow(RECT{10, 10, 300, 300});
       }},
      {"show", [](auto& t) {
         t.w->endOnShow = true;
         t.w->ShowWindow(SW_HIDE);
       }},
      {"combo selection", [](auto& t) { t.w->combo.UserSelect(1); }},
      {"typing", [](auto& t) { EXPECT_TRUE(t.w->edit.UserType("abc")); }},
      {"tab change", [](auto& t) { EXPECT_FALSE(t.w->tabs.UserSelect(1)); }},
  };
  for (const Case& c : cases) {
    TearDown();
    gone = false;
    SetUp();
    c.act(*this);
    EXPECT_TRUE(gone) << c.what;
    EXPECT_FALSE(IsWindow(h)) << c.what;
  }
}

}  // namespace
