// The shape dialogs from their commands and tools: table, rectangle, circle,
// frames around the selection and the regular polygon settings.
#include <gtest/gtest.h>

#include <cmath>

#include "app/shapedlgs.h"
#include "dialog_fixture.h"
#include "model/helpers.h"
#include "model/rectobject.h"
#include "model/settings.h"

using namespace apptest;
using namespace shapedlg;

namespace {

constexpr fw::UINT ID_POLYGON_SET = 40105;
constexpr fw::UINT ID_OUT_RECT = 40106;

class ShapeDialogsTest : public DialogViewTest {
 protected:
  // The tool point: the last drag from (x, y) to (x + 5, y + 5), mm.
  void SetToolPoint(float x, float y) {
    ObjectDrag().start = CFPoint{x + 5, y + 5};
    ObjectDrag().last = CFPoint{x, y};
  }
  CPathObject* LastPath() { return dynamic_cast<CPathObject*>(doc->GetObjectAt(doc->GetObjectCount() - 1)); }
};

TEST_F(ShapeDialogsTest, TableBuildsCellsAndFrameAsOnePathInOneStep) {
  SetToolPoint(100, 50);
  Run(ID_TOOL_TABLE, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetTemplateId(), IDD_TABLE);
    EXPECT_EQ(d.GetDlgItemText(IDC_TABLE_LINE), "2");
    EXPECT_EQ(d.GetDlgItemText(IDC_WIDTHS), "200");
    d.SetDlgItemText(IDC_TABLE_LINE, "3");
    d.SetDlgItemText(IDC_TABLE_OUTLINE, "1");
    d.SetDlgItemText(IDC_WIDTHS, "10,20");
    d.SetDlgItemText(IDC_HEIGHTS, "5");
    d.ClickButton(fw::IDOK);
  });
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].result, fw::IDOK);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  CPathObject* table = LastPath();
  ASSERT_NE(table, nullptr);
  const std::vector<CFRect> parts = Contours(*table);
  ASSERT_EQ(parts.size(), 3u);
  ExpectRect(parts[0], 103, 53, 113, 58);
  ExpectRect(parts[1], 114, 53, 134, 58);
  // Frame: from the tool point to the last cell plus the margin.
  ExpectRect(parts[2], 100, 50, 137, 61);
  EXPECT_EQ(CProfile().GetString("Table", "WIDTHS", ""), "10,20");
  ASSERT_EQ(Steps(), 1);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), 0);
}

TEST_F(ShapeDialogsTest, TableRefusesBadMarginsAndMakesNothingFromEmptyLists) {
  struct Case {
    const char *margin, *line, *widths, *heights;
    bool closes;
  } cases[] = {
      {"0", "2", "10", "10", false},
      {"2", "-1", "10", "10", false},
      {"abc", "2", "10", "10", false},
      {"2", "2", "", "10", true},
      {"2", "2", "10", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.margin) + "|" + c.line + "|" + c.widths + "|" + c.heights);
    bool open = false;
    Run(ID_TOOL_TABLE, [&](fw::CDialog& d) {
      d.SetDlgItemText(IDC_TABLE_LINE, c.margin);
      d.SetDlgItemText(IDC_TABLE_OUTLINE, c.line);
      d.SetDlgItemText(IDC_WIDTHS, c.widths);
      d.SetDlgItemText(IDC_HEIGHTS, c.heights);
      d.ClickButton(fw::IDOK);
      open = !d.IsEnded();
    });
    EXPECT_EQ(open, !c.closes);
    EXPECT_EQ(doc->GetObjectCount(), 0);
    EXPECT_EQ(Steps(), 0);
  }
}

TEST_F(ShapeDialogsTest, RectangleOneFieldIsARectangleObjectSeveralOnePath) {
  SetToolPoint(200, 300);
  Run(ID_TOOL_RECT, [](fw::CDialog&) {});  // the command is not the dialog's
  EXPECT_TRUE(runs.empty());
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    EXPECT_EQ(d.GetTemplateId(), IDD_RECTANGLE);
    EXPECT_EQ(d.GetDlgItemText(IDC_WIDTHS), "100");
    d.SetDlgItemText(IDC_HEIGHTS, "");
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    d.SetDlgItemText(IDC_WIDTHS, "100,50");
    d.SetDlgItemText(IDC_HEIGHTS, "0,20");
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    d.SetDlgItemText(IDC_WIDTHS, "");
    d.ClickButton(fw::IDOK);
  });
  for (int i = 0; i < 3; ++i) OpenShapeDialog(*view, ID_TOOL_RECT);
  EXPECT_EQ(driver.Runs().size(), 3u);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  auto* rect = dynamic_cast<CRectObject*>(doc->GetObjectAt(0));
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->kind, 2);
  ExpectRect(rect->bounds, 150, 250, 250, 350);
  auto* path = dynamic_cast<CPathObject*>(doc->GetObjectAt(1));
  ASSERT_NE(path, nullptr);
  const std::vector<CFRect> parts = Contours(*path);
  ASSERT_EQ(parts.size(), 2u);
  ExpectRect(parts[0], 150, 250, 250, 350);
  ExpectRect(parts[1], 175, 290, 225, 310);
  EXPECT_EQ(Steps(), 2);
}

TEST_F(ShapeDialogsTest, CircleKindsMakeOnePathAroundTheToolPoint) {
  struct Case {
    fw::UINT kind;
    const char *rx, *ry;
    int contours;
    CFRect box;  // of the first contour
  } cases[] = {
      {IDC_CIRCLE_CIRCLE, "50,20", "0", 2, CFRect(50, 50, 150, 150)},
      {IDC_CIRCLE_CIRCLE, "50", "30", 1, CFRect(50, 70, 150, 130)},
      {IDC_CIRCLE_ARC, "50,20", "", 2, CFRect(50, 50, 150, 150)},
      {IDC_CIRCLE_PIE, "40", "0", 1, CFRect(60, 60, 140, 140)},
      {IDC_CIRCLE_CHORD, "40", "20", 1, CFRect(60, 80, 140, 120)},
  };
  SetToolPoint(100, 100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    doc->GetObjectList();
    fw::ScriptedModalDriver driver;
    driver.Then([&](fw::CDialog& d) {
      EXPECT_EQ(d.GetTemplateId(), IDD_CIRCLE);
      EXPECT_FALSE(d.GetDlgItem(IDC_CIRCLE_START)->IsWindowEnabled());
      d.ClickButton(c.kind);
      EXPECT_EQ(d.GetDlgItem(IDC_CIRCLE_START)->IsWindowEnabled() != 0, c.kind != IDC_CIRCLE_CIRCLE);
      d.SetDlgItemText(IDC_CIRCLE_RX, c.rx);
      d.SetDlgItemText(IDC_CIRCLE_RY, c.ry);
      d.SetDlgItemText(IDC_CIRCLE_START, "0");
      d.SetDlgItemText(IDC_CIRCLE_END, "360");
      d.ClickButton(fw::IDOK);
    });
    const int before = doc->GetObjectCount();
    OpenShapeDialog(*view, ID_TOOL_CIRCLE);
    ASSERT_EQ(doc->GetObjectCount(), before + 1);
    CPathObject* p = LastPath();
    ASSERT_NE(p, nullptr);
    const std::vector<CFRect> parts = Contours(*p);
    ASSERT_EQ(int(parts.size()), c.contours);
    EXPECT_NEAR(parts[0].left, c.box.left, 0.5f);
    EXPECT_NEAR(parts[0].top, c.box.top, 0.5f);
    EXPECT_NEAR(parts[0].right, c.box.right, 0.5f);
    EXPECT_NEAR(parts[0].bottom, c.box.bottom, 0.5f);
  }
  EXPECT_EQ(Steps(), int(std::size(cases)));
  // An empty radius list makes nothing; the dialog still closes.
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    d.SetDlgItemText(IDC_CIRCLE_RX, "");
    d.ClickButton(fw::IDOK);
  });
  const int before = doc->GetObjectCount();
  OpenShapeDialog(*view, ID_TOOL_CIRCLE);
  EXPECT_EQ(doc->GetObjectCount(), before);
  EXPECT_EQ(driver.Runs().at(0).result, fw::IDOK);
}

TEST_F(ShapeDialogsTest, FramesGoAroundTheObjectsSelectedAtOk) {
  EXPECT_FALSE(IsCommandEnabled(*view, ID_OUT_RECT));
  AddRect(10, 10, 30, 20);
  AddRect(100, 100, 120, 140);
  SelectAll();
  EXPECT_TRUE(IsCommandEnabled(*view, ID_OUT_RECT));
  struct Case {
    fw::UINT style;
    int contours;
  } cases[] = {{IDC_LINE_SINGLE, 1}, {IDC_LINE_DOUBLE, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    const int before = doc->GetObjectCount();
    Run(ID_OUT_RECT, [&](fw::CDialog& d) {
      EXPECT_EQ(d.GetTemplateId(), IDD_LINESTYLE);
      d.ClickButton(c.style);
      d.SetDlgItemText(IDC_LINE_XSPACE, "2");
      d.SetDlgItemText(IDC_LINE_YSPACE, "3");
      d.SetDlgItemText(IDC_LINE_HEIGHT, "4");  // second frame, top and bottom
      d.SetDlgItemText(IDC_LINE_WIDTH, "5");   // second frame, left and right
      d.ClickButton(fw::IDOK);
    });
    // One frame per object selected when OK was pressed, none around the new frames.
    ASSERT_EQ(doc->GetObjectCount(), before + 2);
    auto* frame = dynamic_cast<CPathObject*>(doc->GetObjectAt(before));
    ASSERT_NE(frame, nullptr);
    const std::vector<CFRect> parts = Contours(*frame);
    ASSERT_EQ(int(parts.size()), c.contours);
    ExpectRect(parts[0], 8, 7, 32, 23);
    if (c.contours == 2) ExpectRect(parts[1], 3, 3, 37, 27);
  }
  EXPECT_EQ(CProfile().GetInt("SystemParam", "LINESTYLER", 0), 2);
  EXPECT_EQ(Steps(), 2);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), 4);
}

TEST_F(ShapeDialogsTest, PolygonSettingsStoreWhatTheToolReads) {
  Run(ID_POLYGON_SET, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "RightPolygon Set");
    EXPECT_EQ(d.GetDlgItemText(IDC_POLY_SIDES), "3");
    EXPECT_EQ(d.GetDlgItemText(IDC_POLY_LINE), "0");
    auto* spin = d.Item<fw::CSpinButtonCtrl>(IDC_POLY_SPIN);
    ASSERT_NE(spin, nullptr);
    int lo = 0, hi = 0;
    spin->GetRange32(lo, hi);
    EXPECT_EQ(lo, 3);
    EXPECT_EQ(hi, 360);
    // Stepping stops at 3; typing goes through as typed.
    spin->UserDelta(-1);
    EXPECT_EQ(d.GetDlgItemText(IDC_POLY_SIDES), "3");
    spin->UserDelta(2);
    EXPECT_EQ(d.GetDlgItemText(IDC_POLY_SIDES), "5");
    EXPECT_EQ(spin->GetPos(), 5);
    d.TypeText(IDC_POLY_SIDES, "2");
    d.SetCheckBox(IDC_POLY_SHARP, 1);
    d.SetDlgItemText(IDC_POLY_LINE, "1.5");
    d.ClickButton(fw::IDOK);
  });
  const CProfile profile;
  EXPECT_EQ(profile.GetInt("SystemParam", "PolygonAmount", 0), 2);
  EXPECT_EQ(profile.GetInt("systemparam", "SharpPolygon", 0), 1);
  EXPECT_EQ(profile.GetString("SystemParam", "PolygonWidth", ""), "1.5");
}

TEST_F(ShapeDialogsTest, PolygonPreviewDrawsTheOutline) {
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    auto& dlg = static_cast<CPolygonDlg&>(d);
    d.SetDlgItemText(IDC_POLY_SIDES, "6");
    fw::CWnd* area = d.GetDlgItem(IDC_POLY_PREVIEW);
    ASSERT_NE(area, nullptr);
    dlg.DrawPreview();
    // Some dark pixels inside the white preview.
    plat::HDC dc = area->GetDC();
    fw::RECT r;
    area->GetClientRect(&r);
    int dark = 0;
    for (int y = r.top + 6; y < r.bottom - 6; ++y)
      for (int x = r.left + 6; x < r.right - 6; ++x) dark += dc->GetPixel(x, y) != 0xFFFFFFu;
    area->ReleaseDC(dc);
    EXPECT_GT(dark, 20);
    d.ClickButton(fw::IDCANCEL);
  });
  CPolygonDlg dlg(view);
  EXPECT_EQ(dlg.DoModal(), fw::IDCANCEL);
}

TEST_F(ShapeDialogsTest, ToolsOpenTheirDialogs) {
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    EXPECT_EQ(d.GetTemplateId(), IDD_RECTANGLE);
    d.ClickButton(fw::IDOK);
  });
  driver.Then([](fw::CDialog& d) {
    EXPECT_EQ(d.GetTemplateId(), IDD_CIRCLE);
    d.ClickButton(fw::IDCANCEL);
  });
  driver.Then([](fw::CDialog& d) {
    EXPECT_EQ(d.GetTemplateId(), IDD_TABLE);
    d.ClickButton(fw::IDCANCEL);
  });
  auto drag = [&](int x0, int y0, int x1, int y1) {
    view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{x0, y0});
    view->OnMouseMove(fw::MK_LBUTTON, fw::POINT{x1, y1});
    view->OnLButtonUp(0, fw::POINT{x1, y1});
  };
  view->SetTool(ID_TOOL_RECT);
  drag(300, 300, 302, 300);  // two pixels: a click
  ASSERT_EQ(doc->GetObjectCount(), 1);
  auto* rect = dynamic_cast<CRectObject*>(doc->GetObjectAt(0));
  ASSERT_NE(rect, nullptr);
  const CFPoint p = view->DeviceToPage(300, 300);
  EXPECT_NEAR((rect->bounds.left + rect->bounds.right) / 2, p.x, 1e-3f);
  EXPECT_NEAR(rect->bounds.right - rect->bounds.left, 100.0f, 1e-3f);
  EXPECT_EQ(Steps(), 1);
  view->SetTool(ID_TOOL_CIRCLE);
  drag(300, 300, 300, 301);
  view->SetTool(ID_TOOL_TABLE);
  drag(300, 300, 350, 350);
  EXPECT_EQ(driver.Runs().size(), 3u);
  EXPECT_EQ(doc->GetObjectCount(), 1);
}

}  // namespace
