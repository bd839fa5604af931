#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/tests/fakes.h"
#include "model/undoitems.h"
#include "platform/codepage.h"
#include "platform/dib.h"
#include "platform/image_io.h"
#include "platform/report.h"
#include "platform/tests/temp_dir.h"
#include "text/sealdlg.h"
#include "text/sealobject.h"
#include "text/tests/text_fixtures.h"

using namespace fw;

namespace {

// Layout picture k is filled with grey 20 * (k + 1).
plat::COLORREF LayoutColor(int k) {
  const BYTE g = BYTE(20 * (k + 1));
  return plat::RGB(g, g, g);
}

struct SealDlgTest : ::testing::Test {
  TempDir dir;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  StubGlyphSource glyphs;
  FakeDocument doc;  // 400 x 900 page
  FakeView view{&doc};
  FakeApp app;
  ScriptedModalDriver driver;

  void SetUp() override {
    RegisterSealResources();
    auto strip = plat::Dib::Create(7 * 60, 60, 24);
    for (int k = 0; k < 7; ++k)
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) strip->SetPixel(k * 60 + x, y, LayoutColor(k));
    ASSERT_TRUE(plat::WriteBmpFile(dir / "layouts.bmp", *strip));
    res::SetBitmap(IDB_SEAL_LAYOUTS, dir / "layouts.bmp");
    app.activeView = &view;
    DefaultTextAttr() = TestAttr();
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
    DefaultTextAttr() = CTextAttr();
  }
};

std::vector<std::string> Items(CListBox* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->GetCount(); ++i) out.push_back(list->GetText(i));
  return out;
}

TEST_F(SealDlgTest, DefaultsMakeACentredSquareSeal) {
  std::vector<std::string> shapes, layouts, values;
  driver.Then([&](CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Area Setting");
    shapes = Items(d.Item<CListBox>(IDC_SEAL_SHAPES));
    layouts = Items(d.Item<CListBox>(IDC_SEAL_LAYOUT_LIST));
    EXPECT_EQ(d.Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO)->GetCurSel(), 0);
    EXPECT_TRUE(d.SelectComboItem(IDC_SEAL_LAYOUT_COMBO, 4));
    EXPECT_EQ(d.Item<CListBox>(IDC_SEAL_LAYOUT_LIST)->GetCurSel(), 4);
    EXPECT_TRUE(d.SelectListItem(IDC_SEAL_LAYOUT_LIST, 2));
    EXPECT_EQ(d.Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO)->GetCurSel(), 2);
    EXPECT_TRUE(d.SelectComboItem(IDC_SEAL_LAYOUT_COMBO, 4));
    d.ClickButton(IDOK);
  });
  driver.Then([&](CDialog& d) {
    for (UINT id : {IDC_SEAL_WIDTH, IDC_SEAL_HEIGHT, IDC_SEAL_BORDER, IDC_SEAL_CORNER, IDC_SEAL_MARGIN_X,
                    IDC_SEAL_MARGIN_Y, IDC_SEAL_GAP_X, IDC_SEAL_GAP_Y})
      values.push_back(d.GetDlgItemText(id));
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_SEAL_SHAPE_RECT, IDC_SEAL_SHAPE_ROUND), IDC_SEAL_SHAPE_RECT);
    EXPECT_EQ(d.GetDlgItemText(IDC_SEAL_TEXT), "标准方章");
    d.ClickButton(IDOK);
  });
  CSealAreaDlg dlg;
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shapes, (std::vector<std::string>{"方  形", "圆  形", "菱  形", "三角形", "倒三角", "其  它"}));
  EXPECT_EQ(layouts, (std::vector<std::string>{"空", "名章", "人名章1", "人名章2", "人名印章", "人名印章1", "人名印章2"}));
  EXPECT_EQ(values, (std::vector<std::string>{"20.00", "20.00", "1.00", "2.00", "0.50", "0.50", "0.50", "0.50"}));
  ASSERT_EQ(driver.Runs().size(), 2u);
  EXPECT_EQ(driver.Runs()[0].templateId, IDD_SEAL_PARAM);  // the inner run ends first
  EXPECT_EQ(driver.Runs()[1].templateId, IDD_SEAL_AREA);

  std::unique_ptr<CSealObject> seal = dlg.TakeSeal();
  ASSERT_TRUE(seal);
  EXPECT_FLOAT_EQ(seal->frame.left, 190);
  EXPECT_FLOAT_EQ(seal->frame.top, 440);
  EXPECT_FLOAT_EQ(seal->frame.right, 210);
  EXPECT_FLOAT_EQ(seal->frame.bottom, 460);
  EXPECT_FLOAT_EQ(seal->bounds.left, 190);
  EXPECT_EQ(seal->layoutKind, 4);
  EXPECT_EQ(seal->frameShape, 0);
  EXPECT_FLOAT_EQ(seal->borderWidth, 1);
  EXPECT_FLOAT_EQ(seal->cornerValue, 2);
  EXPECT_FLOAT_EQ(seal->gapY, 0.5f);
  ASSERT_EQ(seal->chars.GetSize(), 4);
  EXPECT_EQ(seal->chars.GetText(), plat::Utf8ToGbk("标准方章"));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(seal->chars.CharAt(i)->LanguageId(), 134);
  // Four cells: the first at the x1 / y0 corner.
  EXPECT_FLOAT_EQ(seal->chars.CharAt(0)->x, 210 - 1 - 0.5f - 8.25f);
  EXPECT_FLOAT_EQ(seal->chars.CharAt(0)->y, 440 + 1 + 0.5f + 8.25f);
  EXPECT_FLOAT_EQ(seal->chars.CharAt(3)->x, 191.5f);
  EXPECT_FLOAT_EQ(seal->chars.CharAt(3)->y, 458.5f);
  std::unique_ptr<CPathPointList> outline(seal->MakeOutline(nullptr, 0));
  EXPECT_TRUE(outline);
}

TEST_F(SealDlgTest, CancelledParametersReturnToAreaSetting) {
  driver.Then([](CDialog& d) {
    d.SelectComboItem(IDC_SEAL_LAYOUT_COMBO, 3);
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());  // the parameters were cancelled
    EXPECT_EQ(d.Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO)->GetCurSel(), 3);
    d.ClickButton(IDCANCEL);
  });
  driver.Then([](CDialog& d) { d.ClickButton(IDCANCEL); });
  CSealAreaDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.TakeSeal(), nullptr);
  ASSERT_EQ(driver.Runs().size(), 2u);
  EXPECT_EQ(driver.Runs()[0].result, IDCANCEL);
}

TEST_F(SealDlgTest, OtherShapesOfferNoLayout) {
  driver.Then([](CDialog& d) {
    EXPECT_TRUE(d.SelectListItem(IDC_SEAL_SHAPES, 1));  // "圆  形"
    EXPECT_EQ(d.Item<CListBox>(IDC_SEAL_LAYOUT_LIST)->GetCount(), 0);
    EXPECT_EQ(d.Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO)->GetCount(), 0);
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_TRUE(d.SelectListItem(IDC_SEAL_SHAPES, 0));
    EXPECT_EQ(d.Item<CListBox>(IDC_SEAL_LAYOUT_LIST)->GetCount(), 7);
    d.ClickButton(IDCANCEL);
  });
  CSealAreaDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(driver.Runs().size(), 1u);  // no parameter dialog
}

TEST_F(SealDlgTest, LayoutPicturesAreDrawn) {
  std::vector<plat::COLORREF> rows, frame;
  driver.Then([&](CDialog& d) {
    auto* list = d.Item<CListBox>(IDC_SEAL_LAYOUT_LIST);
    EXPECT_EQ(list->GetItemHeight(0), 60);
    d.SelectListItem(IDC_SEAL_LAYOUT_LIST, 1);
    plat::HDC dc = list->GetDC();
    list->DrawItems(dc);
    list->ReleaseDC(dc);
    for (int y : {30, 90, 150}) rows.push_back(list->GetSurface().surface().GetPixel(30, y));
    d.ClickButton(IDCANCEL);
  });
  CSealAreaDlg area;
  area.DoModal();
  const plat::COLORREF hi = kImageHighlight;
  const plat::COLORREF selected = plat::RGB((40 + plat::GetRValue(hi)) / 2, (40 + plat::GetGValue(hi)) / 2,
                                            (40 + plat::GetBValue(hi)) / 2);
  EXPECT_EQ(rows, (std::vector<plat::COLORREF>{LayoutColor(0), selected, LayoutColor(2)}));

  driver.Then([&](CDialog& d) {
    const RECT r = d.GetDlgItem(IDC_SEAL_PICTURE)->GetRectInParent();
    d.Invalidate();
    d.UpdateWindow();
    const plat::Surface& s = d.GetSurface().surface();
    frame = {s.GetPixel(r.left + 5, r.top + 5), s.GetPixel(r.left + 64, r.top + 64), s.GetPixel(r.left + 65, r.top + 30)};
    d.ClickButton(IDCANCEL);
  });
  CSealParamDlg param(5);
  param.DoModal();
  EXPECT_EQ(frame[0], LayoutColor(5));
  EXPECT_EQ(frame[1], LayoutColor(5));
  EXPECT_NE(frame[2], LayoutColor(5));
}

TEST_F(SealDlgTest, ParametersAreCheckedAndTheTextIsCut) {
  driver.Then([&](CDialog& d) {
    d.TypeText(IDC_SEAL_WIDTH, "0");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    d.TypeText(IDC_SEAL_WIDTH, "30");
    d.TypeText(IDC_SEAL_HEIGHT, "-2");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    d.TypeText(IDC_SEAL_HEIGHT, "10");
    d.ClickButton(IDC_SEAL_SHAPE_ROUND);
    d.TypeText(IDC_SEAL_TEXT, "王7");
    d.ClickButton(IDOK);
  });
  CSealParamDlg dlg(1);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_EQ(sink.boxes[0].text, "  非法的 参数  ");
  auto seal = dlg.TakeSeal();
  ASSERT_TRUE(seal);
  EXPECT_EQ(seal->frameShape, 2);
  EXPECT_FLOAT_EQ(seal->frame.right - seal->frame.left, 30);
  EXPECT_FLOAT_EQ(seal->frame.bottom - seal->frame.top, 10);
  ASSERT_EQ(seal->chars.GetSize(), 2);
  EXPECT_EQ(seal->chars.CharAt(0)->LanguageId(), 134);
  EXPECT_EQ(seal->chars.CharAt(1)->LanguageId(), 0);
  EXPECT_EQ(seal->chars.CharAt(1)->code, '7');

  // 398 single bytes and a Chinese character: its lead byte is the 399th and goes.
  driver.Then([&](CDialog& d) {
    d.TypeText(IDC_SEAL_TEXT, std::string(398, 'a') + "王");
    d.ClickButton(IDOK);
  });
  CSealParamDlg cut(1);
  ASSERT_EQ(cut.DoModal(), IDOK);
  seal = cut.TakeSeal();
  EXPECT_EQ(seal->chars.GetSize(), 398);
}

TEST_F(SealDlgTest, EditingASealReplacesItInOneUndoStep) {
  auto* old = new CSealObject;
  old->frame = old->bounds = CFRect(100, 100, 120, 130);
  old->layoutKind = 2;
  old->frameShape = 7;  // shown as the plain rectangle
  old->borderWidth = 0.75f;
  old->flags = OBJF_FILLED;
  old->color = 0x0000FF;
  old->matrix = CMatrix3(1, 0, 0, 1, 3, 4);
  AddText(old->chars, "ABC", TestAttr());
  old->chars.CharAt(1)->color = 0x00FF00;
  old->LayoutChars();
  doc.AddObject(new CSealObject, false);
  doc.AddObject(old, false);
  doc.AddObject(new CSealObject, false);

  std::vector<std::string> shown;
  driver.Then([&](CDialog& d) {
    shown = {d.GetDlgItemText(IDC_SEAL_WIDTH), d.GetDlgItemText(IDC_SEAL_HEIGHT),
             d.GetDlgItemText(IDC_SEAL_BORDER), d.GetDlgItemText(IDC_SEAL_TEXT)};
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_SEAL_SHAPE_RECT, IDC_SEAL_SHAPE_ROUND), IDC_SEAL_SHAPE_RECT);
    d.TypeText(IDC_SEAL_WIDTH, "40");
    d.ClickButton(IDOK);
  });
  FakeWindow props;
  props.visible = true;
  EXPECT_EQ(old->ShowProperties(&props), 0);
  EXPECT_FALSE(props.visible);
  EXPECT_EQ(shown, (std::vector<std::string>{"20.00", "30.00", "0.75", "ABC"}));

  ASSERT_EQ(doc.GetObjectCount(), 3);
  auto* made = dynamic_cast<CSealObject*>(doc.GetObjectAt(1));
  ASSERT_NE(made, nullptr);
  ASSERT_NE(made, old);
  EXPECT_FLOAT_EQ(made->frame.left, 90);  // centred on the old frame
  EXPECT_FLOAT_EQ(made->frame.right, 130);
  EXPECT_FLOAT_EQ(made->frame.top, 100);
  EXPECT_EQ(made->frameShape, 0);
  EXPECT_EQ(made->layoutKind, 2);
  EXPECT_EQ(made->flags, OBJF_FILLED);
  EXPECT_EQ(made->color, 0x0000FFu);
  EXPECT_TRUE(made->matrix == old->matrix);
  ASSERT_EQ(made->chars.GetSize(), 3);
  EXPECT_EQ(made->chars.CharAt(1)->color, 0x00FF00u);  // the same text keeps its characters
  EXPECT_FLOAT_EQ(made->chars.CharAt(2)->sizeY, 30 - 1.5f);

  ASSERT_EQ(view.undo.GetSize(), 1);
  ASSERT_TRUE(view.undo.UndoLastStep(view));
  ASSERT_EQ(doc.GetObjectCount(), 3);
  EXPECT_EQ(doc.GetObjectAt(1), old);
  EXPECT_FLOAT_EQ(old->frame.right, 120);

  // Cancel changes nothing.
  driver.Then([](CDialog& d) { d.ClickButton(IDCANCEL); });
  old->ShowProperties(nullptr);
  EXPECT_EQ(doc.GetObjectAt(1), old);
}

}  // namespace
