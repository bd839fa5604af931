#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "platform/report.h"

using namespace fw;

namespace {

constexpr UINT kDlg = 165;
enum : UINT { kWidth = 1001, kAmount = 1002, kSharp = 1003, kKind = 1004, kRound = 1005, kSquare = 1006, kList = 1007 };

void RegisterTable() {
  res::SetDialog(kDlg, DialogTemplate{"RightPolygon Set",
                                      WS_POPUP | WS_CAPTION,
                                      RECT{0, 0, 200, 150},
                                      {
                                          {kWidth, CtrlKind::Edit, "", ES_AUTOHSCROLL},
                                          {kAmount, CtrlKind::ComboBox, "", CBS_DROPDOWNLIST},
                                          {kSharp, CtrlKind::Button, "Sharp", BS_AUTOCHECKBOX},
                                          {kRound, CtrlKind::Button, "Round", BS_AUTORADIOBUTTON | WS_GROUP},
                                          {kSquare, CtrlKind::Button, "Square", BS_AUTORADIOBUTTON},
                                          {kList, CtrlKind::ListBox, "", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                           RECT{0, 0, 100, 48}},
                                          {IDOK, CtrlKind::Button, "OK", BS_DEFPUSHBUTTON | WS_GROUP},
                                          {IDCANCEL, CtrlKind::Button, "Cancel", BS_PUSHBUTTON},
                                      }});
}

class PolygonDlg : public CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  PolygonDlg() : CDialog(kDlg) {}
  float width = 2.0f;
  int amount = 3;
  int sharp = 0;
  int shape = 0;
  std::vector<std::string> notes;
  std::vector<UINT> drawn;

  BOOL OnInitDialog() override {
    auto* combo = Item<CComboBox>(kAmount);
    for (int i = 3; i <= 8; ++i) combo->AddString(std::to_string(i));
    Item<CEdit>(kWidth)->LimitText(5);
    auto* list = Item<CListBox>(kList);
    for (const char* c : {"255", "65280", "16711680", "0"}) list->AddString(c);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, kWidth, width);
    DDV_MinMaxFloat(dx, width, 0.1f, 100.0f);
    std::string a = std::to_string(amount);
    DDX_CBString(dx, kAmount, a);
    if (dx->m_bSaveAndValidate) amount = std::atoi(a.c_str());
    DDX_Check(dx, kSharp, sharp);
    DDX_Radio(dx, kRound, shape);
  }
  void OnAmountChanged() { notes.push_back("amount " + Item<CComboBox>(kAmount)->GetLBText(Item<CComboBox>(kAmount)->GetCurSel())); }
  void OnWidthChanged() { notes.push_back("width " + GetDlgItemText(kWidth)); }
  void OnListChanged() { notes.push_back("list " + std::to_string(Item<CListBox>(kList)->GetCurSel())); }
  void OnDrawItem(int id, DRAWITEMSTRUCT* dis) override {
    if (UINT(id) == kList) {
      drawn.push_back(dis->itemID | (dis->itemState & ODS_SELECTED ? 0x100u : 0u));
      // Each cell filled with its colour from the item text (owner drawing into our context).
      plat::HBRUSH b = plat::CreateSolidBrush(plat::COLORREF(std::stoul(Item<CListBox>(kList)->GetText(int(dis->itemID)))));
      dis->hDC->FillRect(dis->rcItem, b);
      plat::DeleteObject(b);
    }
    CDialog::OnDrawItem(id, dis);
  }
};
FW_BEGIN_COMMAND_MAP(PolygonDlg, CDialog)
FW_ON_CBN_SELCHANGE(kAmount, OnAmountChanged)
FW_ON_EN_CHANGE(kWidth, OnWidthChanged)
FW_ON_LBN_SELCHANGE(kList, OnListChanged)
FW_END_COMMAND_MAP()

struct DialogTest : ::testing::Test {
  plat::RecordingSink sink;
  plat::ScopedReportSink rs{&sink};
  void SetUp() override { RegisterTable(); }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
  }
};

TEST_F(DialogTest, ModalDriverSetsControlsPressesOkAndTheValuesComeBack) {
  ScriptedModalDriver driver;
  driver.Then([](CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "RightPolygon Set");
    EXPECT_EQ(d.GetDlgItemText(kWidth), "2");  // initialised from the member
    EXPECT_TRUE(d.SelectComboString(kAmount, "6"));
    EXPECT_FALSE(d.SelectComboString(kAmount, "9"));
    EXPECT_TRUE(d.TypeText(kWidth, "12.5"));
    EXPECT_TRUE(d.SetCheckBox(kSharp, BST_CHECKED));
    EXPECT_TRUE(d.ClickButton(kSquare));
    EXPECT_TRUE(d.ClickButton(IDOK));
  });
  PolygonDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.amount, 6);
  EXPECT_FLOAT_EQ(dlg.width, 12.5f);
  EXPECT_EQ(dlg.sharp, 1);
  EXPECT_EQ(dlg.shape, 1);
  EXPECT_EQ(dlg.m_hWnd, 0u);  // destroyed after the run
  std::vector<std::string> want = {"width 2", "amount 6", "width 12.5"};
  EXPECT_EQ(dlg.notes, want);
  ASSERT_EQ(driver.Runs().size(), 1u);
  EXPECT_EQ(driver.Runs()[0].templateId, kDlg);
  EXPECT_EQ(driver.Runs()[0].result, IDOK);
}

TEST_F(DialogTest, BadValueKeepsTheDialogOpen) {
  ScriptedModalDriver driver;
  driver.Then([](CDialog& d) {
    d.TypeText(kWidth, "500");  // out of range
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    d.TypeText(kWidth, "abc");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    d.TypeText(kWidth, "1234567");  // cut at the limit of 5
    EXPECT_EQ(d.GetDlgItemText(kWidth), "12345");
    d.ClickButton(IDCANCEL);
  });
  PolygonDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  // The exchange writes a value that parses before the range check refuses it.
  EXPECT_FLOAT_EQ(dlg.width, 500.0f);
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[0].text, "Please enter a number between 0.1 and 100.");
  EXPECT_EQ(sink.boxes[1].text, "Please enter a number.");
  // A run nobody scripts is cancelled; so is one with no driver at all.
  PolygonDlg again;
  EXPECT_EQ(again.DoModal(), IDCANCEL);
  EXPECT_FALSE(driver.Runs().back().scripted);
}

TEST_F(DialogTest, OwnerDrawnListDrawsVisibleRowsAndNotifiesSelection) {
  ScriptedModalDriver driver;
  std::vector<UINT> drawn;
  std::vector<std::string> notes;
  std::vector<plat::COLORREF> pixels;
  driver.Then([&](CDialog& d) {
    auto& dlg = static_cast<PolygonDlg&>(d);
    EXPECT_TRUE(d.SelectListItem(kList, 1));
    auto* list = d.Item<CListBox>(kList);
    plat::HDC dc = list->GetDC();
    list->DrawItems(dc);
    list->ReleaseDC(dc);
    drawn = dlg.drawn;
    notes = dlg.notes;
    for (int y : {5, 21, 37}) pixels.push_back(list->GetSurface().surface().GetPixel(50, y));
    d.ClickButton(IDCANCEL);
  });
  PolygonDlg dlg;
  dlg.DoModal();
  // 48 pixels of 16-pixel rows: three rows, the second selected.
  EXPECT_EQ(drawn, (std::vector<UINT>{0, 0x101, 2}));
  EXPECT_EQ(pixels, (std::vector<plat::COLORREF>{255, 65280, 16711680}));
  EXPECT_EQ(notes.back(), "list 1");
}

TEST_F(DialogTest, EnterAndEscapePressTheDefaultAndCancelButtons) {
  ScriptedModalDriver driver;
  driver.Then([](CDialog& d) {
    MSG m{d.GetDlgItem(kWidth)->m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(d.PreTranslateMessage(&m));
  });
  driver.Then([](CDialog& d) {
    MSG m{d.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    d.PreTranslateMessage(&m);
  });
  PolygonDlg a, b;
  EXPECT_EQ(a.DoModal(), IDOK);
  EXPECT_EQ(b.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, ModelessDialogStaysUntilDestroyed) {
  CWnd parent;
  parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 300, 300}, nullptr, 0);
  res::SetDialog(264, DialogTemplate{"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, {}});
  CDialog panel;
  ASSERT_TRUE(panel.Create(264, &parent));
  panel.SetUserData(264);
  EXPECT_EQ(parent.GetWindow(GW_CHILD), &panel);
  EXPECT_EQ(parent.GetWindow(GW_CHILD)->GetUserData(), 264);
  EXPECT_TRUE(panel.IsWindowVisible());
  EXPECT_FALSE(panel.Create(999, &parent));  // no such template (and already created)
}

// Records whether it showed during its start and where the keyboard was at its run.
class FocusDlg : public CDialog {
 public:
  FocusDlg(UINT id, CWnd* parent, BOOL focusFirst) : CDialog(id, parent), focusFirst_(focusFirst) {}
  bool visibleAtStart = true;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    visibleAtStart = IsWindowVisible() != FALSE;
    if (!focusFirst_) GotoDlgCtrl(GetDlgItem(IDCANCEL));
    return focusFirst_;
  }

 private:
  BOOL focusFirst_;
};

// A modal dialog shows once its start is done, with the keyboard in its first tab
// stop (else in itself, so that Escape ends even a dialog without controls), and
// the keyboard goes back where it was when the dialog ends.
TEST_F(DialogTest, ModalDialogShowsAfterItsStartWithTheKeyboardInIt) {
  constexpr DWORD kTab = WS_TABSTOP;
  res::SetDialog(267, DialogTemplate{"Tabs", WS_POPUP | WS_CAPTION, RECT{0, 0, 200, 100},
                                     {{20, CtrlKind::Static, "Name", 0},
                                      {21, CtrlKind::Edit, "", kTab | WS_DISABLED},
                                      {22, CtrlKind::Edit, "", kTab},
                                      {IDCANCEL, CtrlKind::Button, "Cancel", kTab}}});
  res::SetDialog(268, DialogTemplate{"Grab", WS_POPUP, RECT{0, 0, 200, 100}, {}});
  CWnd owner;
  owner.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 300, 300}, nullptr, 0);
  CWnd field;
  field.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 20}, &owner, 7);
  field.SetFocus();
  struct Case {
    UINT dialog;
    BOOL focusFirst;
    UINT focused;  // 0: the dialog itself
  };
  for (const Case& c : {Case{267, TRUE, 22}, Case{267, FALSE, IDCANCEL}, Case{268, TRUE, 0}}) {
    ScriptedModalDriver driver;
    FocusDlg dlg(c.dialog, &owner, c.focusFirst);
    bool visibleAtRun = false, focusInDialog = false, endedByEscape = false;
    UINT focusedId = 99;
    driver.Then([&](CDialog& d) {
      CWnd* f = CWnd::GetFocus();
      visibleAtRun = d.IsWindowVisible() != FALSE;
      focusInDialog = f == &d || (f && d.IsChild(f));
      focusedId = f == &d ? 0u : f ? UINT(f->GetDlgCtrlID()) : 99u;
      // The key goes where the keyboard is.
      MSG esc{f ? f->m_hWnd : 0, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
      d.PreTranslateMessage(&esc);
      endedByEscape = d.IsEnded();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << c.dialog;
    EXPECT_TRUE(endedByEscape) << c.dialog;
    EXPECT_FALSE(dlg.visibleAtStart) << c.dialog;
    EXPECT_TRUE(visibleAtRun) << c.dialog;
    EXPECT_TRUE(focusInDialog) << c.dialog;
    EXPECT_EQ(focusedId, c.focused) << c.dialog;
    EXPECT_EQ(CWnd::GetFocus(), &field) << c.dialog;
  }
}

// Labels, picture frames and group boxes let the mouse through to the dialog or the
// control under them; a label with SS_NOTIFY takes its own clicks.
TEST_F(DialogTest, MouseGoesThroughLabelsFramesAndGroupBoxes) {
  enum : UINT { kFrame = 10, kNotify = 11, kGroup = 12, kInGroup = 13, kEdit = 14 };
  res::SetDialog(266, DialogTemplate{"Origin",
                                     WS_POPUP | WS_CAPTION,
                                     RECT{0, 0, 300, 200},
                                     {
                                         {kFrame, CtrlKind::Static, "", 0, RECT{10, 10, 110, 110}},
                                         {kNotify, CtrlKind::Static, "Go", SS_NOTIFY, RECT{120, 10, 160, 30}},
                                         {kGroup, CtrlKind::Button, "Set", BS_GROUPBOX, RECT{170, 10, 290, 110}},
                                         {kInGroup, CtrlKind::Button, "One", BS_AUTORADIOBUTTON, RECT{180, 30, 280, 50}},
                                         {kEdit, CtrlKind::Edit, "", 0, RECT{10, 120, 110, 140}},
                                     }});
  CDialog dlg;
  ASSERT_TRUE(dlg.Create(266, nullptr));
  dlg.ShowWindow(SW_SHOW);
  struct Case {
    LONG x, y;
    CWnd* want;
  };
  const Case cases[] = {
      {50, 50, &dlg},                        // inside the frame: the dialog
      {130, 20, dlg.GetDlgItem(kNotify)},    // a label that asks for clicks
      {175, 80, &dlg},                       // the group box's inside
      {200, 40, dlg.GetDlgItem(kInGroup)},   // a control inside the group box
      {50, 130, dlg.GetDlgItem(kEdit)},      // any other control
  };
  for (const Case& c : cases) {
    POINT p{c.x, c.y};
    dlg.ClientToScreen(&p);
    EXPECT_EQ(CWnd::WindowFromPoint(p), c.want) << c.x << "," << c.y;
  }
  dlg.DestroyWindow();
}

// The owner draws one combo item where it is asked to, into the context it is given.
struct ComboOwner : CDialog {
  std::vector<DRAWITEMSTRUCT> seen;
  void OnDrawItem(int, DRAWITEMSTRUCT* dis) override {
    seen.push_back(*dis);
    dis->hDC->FillSolidRect(dis->rcItem, plat::RGB(9, 9, 9));
  }
};

TEST_F(DialogTest, ComboItemDrawsIntoAGivenContext) {
  CWnd parent;
  parent.CreateEx(0, "", "", WS_VISIBLE, RECT{0, 0, 300, 300}, nullptr, 0);
  res::SetDialog(265, DialogTemplate{"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 30},
                                     {DlgItemDef(40, CtrlKind::ComboBox, "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                                 RECT{0, 0, 150, 120})}});
  ComboOwner owner;
  ASSERT_TRUE(owner.Create(265, &parent));
  auto* combo = owner.Item<CComboBox>(40);
  for (const char* s : {"a", "b", "c"}) combo->AddString(s);
  combo->SetItemData(2, 77);
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HBITMAP bmp = plat::CreateCompatibleBitmap(nullptr, 20, 10);
  plat::HBITMAP old = dc->SelectObject(bmp);
  EXPECT_TRUE(combo->DrawItem(2, dc, RECT{2, 3, 12, 8}, ODS_SELECTED));
  EXPECT_FALSE(combo->DrawItem(3, dc, RECT{0, 0, 20, 10}, 0));
  EXPECT_FALSE(combo->DrawItem(-1, dc, RECT{0, 0, 20, 10}, 0));
  ASSERT_EQ(owner.seen.size(), 1u);
  const DRAWITEMSTRUCT& d = owner.seen[0];
  EXPECT_EQ(d.CtlType, ODT_COMBOBOX);
  EXPECT_EQ(d.CtlID, 40u);
  EXPECT_EQ(d.itemID, 2u);
  EXPECT_EQ(d.itemState, ODS_SELECTED);
  EXPECT_EQ(d.itemData, 77u);
  EXPECT_EQ(d.hDC, dc);
  EXPECT_EQ(d.rcItem, (RECT{2, 3, 12, 8}));
  EXPECT_EQ(bmp->surface().GetPixel(2, 3), plat::RGB(9, 9, 9));
  EXPECT_EQ(bmp->surface().GetPixel(12, 8), plat::RGB(0, 0, 0));
  dc->SelectObject(old);
  plat::DeleteDC(dc);
  plat::DeleteObject(bmp);
}

TEST_F(DialogTest, CommonDialogsRunBehindTheDriver) {
  ScriptedModalDriver driver;
  driver.Then([](CDialog& d) {
    auto& f = dynamic_cast<CFileDialog&>(d);
    EXPECT_FALSE(f.IsOpenDialog());
    ASSERT_EQ(f.Filters().size(), 1u);
    EXPECT_EQ(f.Filters()[0].second, "*.t98");
    f.Choose("/tmp/sign");
  });
  driver.Then([](CDialog& d) { dynamic_cast<CColorDialog&>(d).Choose(plat::RGB(1, 2, 3)); });
  driver.Then([](CDialog& d) { dynamic_cast<CPrintDialog&>(d).Choose("Cutter", 2); });
  CFileDialog save(FALSE, "t98", "Untitled", OFN_OVERWRITEPROMPT, "Tindrel Files (*.t98)|*.t98||");
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(save.GetPathName(), "/tmp/sign.t98");
  EXPECT_EQ(save.GetFileTitle(), "sign");
  EXPECT_EQ(save.GetFileExt(), "t98");
  CColorDialog color(0);
  ASSERT_EQ(color.DoModal(), IDOK);
  EXPECT_EQ(color.GetColor(), plat::RGB(1, 2, 3));
  CPrintDialog print(FALSE);
  ASSERT_EQ(print.DoModal(), IDOK);
  EXPECT_EQ(print.GetDeviceName(), "Cutter");
  EXPECT_EQ(print.GetCopies(), 2);
  EXPECT_EQ(driver.Runs()[1].caption, "Color");
}

// A member control object takes the place of the template's control.
class ColorList : public CListBox {
  FW_DECLARE_COMMAND_MAP()

 public:
  int reflected = 0;
  void OnSel() { ++reflected; }
};
FW_BEGIN_COMMAND_MAP(ColorList, CListBox)
FW_ON_CONTROL_REFLECT(LBN_SELCHANGE, OnSel)
FW_END_COMMAND_MAP()

class ColorDlg : public PolygonDlg {
 public:
  ColorList list;
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, kList, list);
    PolygonDlg::DoDataExchange(dx);
  }
  BOOL OnInitDialog() override {
    UpdateData(FALSE);  // the member control first, then the items
    return PolygonDlg::OnInitDialog();
  }
};

TEST_F(DialogTest, SubclassedControlHandlesReflectedNotification) {
  ScriptedModalDriver driver;
  int reflected = -1;
  std::vector<std::string> notes;
  driver.Then([&](CDialog& d) {
    auto& dlg = static_cast<ColorDlg&>(d);
    EXPECT_EQ(d.GetDlgItem(kList), &dlg.list);
    EXPECT_EQ(dlg.list.GetCount(), 4);
    d.SelectListItem(kList, 2);
    reflected = dlg.list.reflected;
    notes = dlg.notes;
    d.ClickButton(IDCANCEL);
  });
  ColorDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(reflected, 1);
  // The reflected notification does not reach the parent's map.
  EXPECT_TRUE(notes.empty() || notes.back().rfind("list", 0) != 0);
}

}  // namespace
