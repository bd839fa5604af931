// The design view's zoom, grid, clipboard, image, transform and property
// window commands, each sent as WM_COMMAND to the view of a started program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/clipboard.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/propertyframe.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "app_fixture.h"
#include "framework/clipboard.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/input.h"
#include "model/dllholder.h"
#include "model/flexoril.h"
#include "model/guideline.h"
#include "model/guidelist.h"
#include "model/records.h"
#include "model/rectobject.h"
#include "model/rulerguides.h"
#include "model/settings.h"
#include "model/transformdlg.h"
#include "model/transformobject.h"
#include "platform/bytes.h"
#include "platform/gmem.h"
#include "text/arrange.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

constexpr fw::UINT kRedraw = 40031, kZoomNormal = 40110, kFit = 40111, kZoomInAt = 49008, kZoomOutAt = 49007,
                   kGrid = 32815, kProperty = 32819, kGetImage = 40021, kTransform = 60000, kUnTransform = 60100,
                   kCopy = 57634, kCut = 57635, kPaste = 57637;
constexpr int kRuler = 15;
constexpr int kAreaW = 800, kAreaH = 600;

// A 24-bit bitmap file of w x h grey pixels.
std::vector<std::uint8_t> BmpFile(std::int32_t w, std::int32_t h) {
  const std::uint32_t row = (std::uint32_t(std::max(w, 0)) * 3 + 3) & ~3u;
  const std::uint32_t pixels = row * std::uint32_t(std::abs(h));
  std::vector<std::uint8_t> f(54 + pixels, 0x80);
  f[0] = 'B', f[1] = 'M';
  plat::PutU32(f.data() + 2, std::uint32_t(f.size()));
  plat::PutU32(f.data() + 6, 0);
  plat::PutU32(f.data() + 10, 54);
  plat::PutU32(f.data() + 14, 40);
  plat::PutU32(f.data() + 18, std::uint32_t(w));
  plat::PutU32(f.data() + 22, std::uint32_t(h));
  plat::PutU16(f.data() + 26, 1);
  plat::PutU16(f.data() + 28, 24);
  plat::PutU32(f.data() + 30, 0);
  plat::PutU32(f.data() + 34, pixels);
  for (int at : {38, 42}) plat::PutU32(f.data() + at, 2835);
  plat::PutU32(f.data() + 46, 0);
  plat::PutU32(f.data() + 50, 0);
  return f;
}

// The clipboard's bytes of a format; empty when it is not there.
std::vector<std::uint8_t> ClipBytes(std::uint32_t format) {
  std::vector<std::uint8_t> out;
  if (!fw::OpenClipboard(nullptr)) return out;
  if (plat::HGLOBAL h = fw::GetClipboardData(format)) {
    plat::GlobalLockGuard lock(h);
    if (lock) out.assign(lock.bytes(), lock.bytes() + plat::GlobalSize(h));
  }
  fw::CloseClipboard();
  return out;
}

void PutOnClipboard(std::uint32_t format, const std::vector<std::uint8_t>& bytes) {
  ASSERT_TRUE(fw::OpenClipboard(nullptr));
  fw::EmptyClipboard();
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, bytes.size());
  {
    plat::GlobalLockGuard lock(h);
    std::memcpy(lock.bytes(), bytes.data(), bytes.size());
  }
  EXPECT_NE(fw::SetClipboardData(format, h), 0u);
  fw::CloseClipboard();
}

std::vector<std::uint8_t> Text(const char* s) { return std::vector<std::uint8_t>(s, s + std::strlen(s) + 1); }

class ViewCommandsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    view = StartDesignView(&main);
    ASSERT_NE(view, nullptr);
    doc = view->GetDoc();
    view->MoveWindow(0, 0, kAreaW + kRuler + 16, kAreaH + kRuler + 16);
    view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
    fw::PumpPendingMessages();
  }

  void Cmd(fw::UINT id) { view->SendMessage(fw::WM_COMMAND, id, 0); }
  fw::CCmdUI Update(fw::UINT id) { return UpdateOf(view, id); }
  CRectObject* AddRect(float l, float t, float r, float b) {
    auto* o = new CRectObject();
    o->x1 = l, o->y1 = t, o->x2 = r, o->y2 = b;
    o->bounds = CFRect(l, t, r, b);
    doc->AddObject(o, false);
    return o;
  }
  void SelectOnly(std::initializer_list<CGraphObject*> objects) {
    view->Tracker()->ClearSelection(nullptr, true);
    for (CGraphObject* o : objects) view->Tracker()->Select(o);
  }
  fw::POINT Dev(float x, float y) const {
    const plat::POINT p = view->PageToDevice(CFPoint{x, y});
    return fw::POINT{p.x, p.y};
  }
  // A new text being edited in the text tool, the characters typed.
  CTextObject* TypeText(float x, float y, const char* chars) {
    Cmd(ID_TOOL_SELECT);
    view->SetTool(ID_TOOL_TEXT);
    auto* text = new CTextObject(0, x, y, x + doc->GetPageWidth(), y);
    doc->AddObject(text, false);
    text->BeginEdit(ID_TOOL_TEXT, view);
    text->MoveCaret(view, 0, 1);
    view->SetEditObject(text);
    for (const char* c = chars; *c; ++c) view->SendMessage(fw::WM_CHAR, fw::WPARAM(std::uint8_t(*c)), 0);
    // The layout timer runs out.
    for (int i = 0; i < 5; ++i) view->SendMessage(fw::WM_TIMER, kTextLayoutTimer, 0);
    return text;
  }
  void UndoStep() {
    view->Tracker()->Hide(nullptr);
    view->GetUndoList()->UndoLastStep(*view);
    view->Tracker()->GetSelectionRect(nullptr);
    view->Tracker()->Show(nullptr);
  }
  // The page point at the centre of the drawing area.
  CFPoint Centre() const { return view->DeviceToPage(kRuler + kAreaW / 2, kRuler + kAreaH / 2); }
  void PointerAt(int x, int y) {
    fw::POINT p{x, y};
    view->ClientToScreen(&p);
    fw::Mouse::MoveTo(p);
  }
  std::uint32_t ObjectFormat() const { return RegisteredClipboardFormats().objectList; }

  CMDIMainFrame* main = nullptr;
  CVORLAN98View* view = nullptr;
  CVORLAN98Doc* doc = nullptr;
};

TEST_F(ViewCommandsTest, ZoomNormalAndFitInWindow) {
  const float w = doc->GetPageWidth(), h = doc->GetPageHeight();
  view->ZoomToRect(CFRect(0, 0, 40, 30));
  Cmd(kZoomNormal);
  const double normal = view->GetScale();
  // 10 mm left of and above the page, as much beyond it (at least its 5-pixel
  // shadow and one more): that rectangle fills the drawing area along one side,
  // and the page shows whole with its shadow.
  const CFRect shown = view->PageViewRect();
  EXPECT_FLOAT_EQ(shown.left, -10.0f);
  EXPECT_FLOAT_EQ(shown.top, -10.0f);
  EXPECT_GE(shown.right - w, 10.0f);
  EXPECT_FLOAT_EQ(shown.right - w, shown.bottom - h);
  const fw::POINT a = Dev(-10, -10), b = Dev(w, h), c = Dev(shown.right, shown.bottom);
  EXPECT_GE(a.x, kRuler - 1);
  EXPECT_GE(a.y, kRuler - 1);
  EXPECT_LE(b.x + 6, kRuler + kAreaW);
  EXPECT_LE(b.y + 6, kRuler + kAreaH);
  EXPECT_TRUE(std::abs((c.x - a.x) - kAreaW) <= 1 || std::abs((c.y - a.y) - kAreaH) <= 1);

  // An empty document keeps its zoom.
  view->ZoomToRect(CFRect(0, 0, 40, 30));
  const double close = view->GetScale();
  Cmd(kFit);
  EXPECT_EQ(view->GetScale(), close);

  // Nothing selected, everything inside the page: the same as Zoom Normal.
  CRectObject* small = AddRect(100, 100, 140, 130);
  Cmd(kFit);
  EXPECT_DOUBLE_EQ(view->GetScale(), normal);
  // An object off the page widens the rectangle to it.
  CRectObject* off = AddRect(0, 1000, 50, 1200);
  Cmd(kFit);
  EXPECT_GT(view->GetScale(), normal);
  EXPECT_LE(Dev(0, 1200).y, kRuler + kAreaH + 1);
  // A selection: its box fills the drawing area, centred.
  SelectOnly({small});
  Cmd(kFit);
  EXPECT_LT(view->GetScale(), normal);
  EXPECT_NEAR(Centre().x, 120.0f, 2 * view->GetScale());
  EXPECT_NEAR(Centre().y, 115.0f, 2 * view->GetScale());
  (void)off;
}

TEST_F(ViewCommandsTest, ZoomAtThePointerHalvesOrDoublesTheSpanAboutIt) {
  Cmd(kZoomNormal);
  const double s0 = view->GetScale();
  PointerAt(kRuler + 200, kRuler + 150);
  const CFPoint p0 = view->DeviceToPage(kRuler + 200, kRuler + 150);
  Cmd(kZoomInAt);
  EXPECT_NEAR(view->GetScale(), s0 / 2, s0 * 1e-3);
  EXPECT_NEAR(Centre().x, p0.x, 2 * view->GetScale());
  EXPECT_NEAR(Centre().y, p0.y, 2 * view->GetScale());
  // The pointer's new page point goes to the centre in its turn.
  const CFPoint p1 = view->DeviceToPage(kRuler + 200, kRuler + 150);
  Cmd(kZoomInAt);
  EXPECT_NEAR(view->GetScale(), s0 / 4, s0 * 1e-3);
  EXPECT_NEAR(Centre().x, p1.x, 2 * view->GetScale());
  EXPECT_NEAR(Centre().y, p1.y, 2 * view->GetScale());
  PointerAt(kRuler + kAreaW / 2, kRuler + kAreaH / 2);
  const CFPoint c = Centre();
  Cmd(kZoomOutAt);
  EXPECT_NEAR(view->GetScale(), s0 / 2, s0 * 1e-3);
  EXPECT_NEAR(Centre().x, c.x, 2 * view->GetScale());
  Cmd(kRedraw);
  fw::RECT r;
  EXPECT_TRUE(view->GetUpdateRect(&r) && !r.empty());
}

TEST_F(ViewCommandsTest, GridFollowsItsSwitchAndNeedsAStep) {
  CPageInfo& page = doc->GetPageInfo();
  page.m_backColor = MakePackedRGB(255, 255, 0);
  page.m_gridColor = MakePackedRGB(0, 0, 0);
  page.m_gridSize = 50;
  const plat::COLORREF back = plat::RGB(255, 255, 0), line = plat::RGB(0, 0, 255);
  auto onLine = [&] {
    plat::POINT g = view->PageToDevice(CFPoint{50, 50});
    g.y += 3;
    return g;
  };
  // On from start-up.
  EXPECT_EQ(Update(kGrid).check, 1);
  EXPECT_EQ(PagePixels(view).At(onLine()), line);
  Cmd(kGrid);
  EXPECT_EQ(Update(kGrid).check, 0);
  EXPECT_EQ(PagePixels(view).At(onLine()), back);
  Cmd(kGrid);
  EXPECT_EQ(Update(kGrid).check, 1);
  EXPECT_EQ(PagePixels(view).At(onLine()), line);
  page.m_gridSize = 0;
  EXPECT_EQ(PagePixels(view).At(onLine()), back);
}

TEST_F(ViewCommandsTest, CopyPutsTheSelectionAndTheTextsOnTheClipboard) {
  PutOnClipboard(fw::CF_TEXT, Text("old"));
  // Nothing selected: disabled, and the clipboard is left alone.
  EXPECT_FALSE(Update(kCopy).enabled);
  Cmd(kCopy);
  EXPECT_EQ(ClipBytes(fw::CF_TEXT), Text("old"));

  CRectObject* rect = AddRect(10, 20, 110, 70);
  SelectOnly({rect});
  EXPECT_TRUE(Update(kCopy).enabled);
  Cmd(kCopy);
  const std::vector<std::uint8_t> block = ClipBytes(ObjectFormat());
  ASSERT_GE(block.size(), 7u);
  EXPECT_EQ(block[0], 2);
  const std::uint32_t n = plat::GetU32(block.data() + 1);
  ASSERT_LE(n, block.size());
  EXPECT_EQ(block[5], std::uint8_t(REC_RECT));
  EXPECT_EQ(5 + plat::GetU32(block.data() + 6) + 1, n);  // one record, then the end byte
  EXPECT_EQ(block[n - 1], 0xFE);
  EXPECT_TRUE(ClipBytes(fw::CF_TEXT).empty());

  // Two texts: their characters one after the other, no separator.
  CTextObject* ab = TypeText(10, 100, "AB");
  ASSERT_NE(ab, nullptr);
  ASSERT_EQ(ab->GetText(), "AB");
  CTextObject* cd = TypeText(10, 800, "CD");
  ASSERT_NE(cd, nullptr);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  Cmd(ID_TOOL_SELECT);
  SelectOnly({ab, cd});
  Cmd(kCopy);
  EXPECT_EQ(ClipBytes(fw::CF_TEXT), Text("ABCD"));
  EXPECT_FALSE(ClipBytes(ObjectFormat()).empty());
}

TEST_F(ViewCommandsTest, CutAndPasteOfObjectsAreOneUndoStepEach) {
  CRectObject* rect = AddRect(10, 20, 110, 70);
  SelectOnly({rect});
  const int steps = view->GetUndoList()->GetSize();
  ASSERT_TRUE(Update(kCut).enabled);
  Cmd(kCut);
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_FALSE(ClipBytes(ObjectFormat()).empty());
  EXPECT_EQ(view->GetUndoList()->GetSize(), steps + 1);
  UndoStep();
  ASSERT_EQ(doc->GetObjectCount(), 1);

  EXPECT_TRUE(Update(kPaste).enabled);
  Cmd(kPaste);
  ASSERT_EQ(doc->GetObjectCount(), 2);
  CGraphObject* pasted = doc->GetObjectAt(0) == rect ? doc->GetObjectAt(1) : doc->GetObjectAt(0);
  EXPECT_EQ(pasted->kind, OBJ_RECT);
  EXPECT_EQ(pasted->bounds, CFRect(10, 20, 110, 70));
  EXPECT_TRUE(doc->IsModified());
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 1);
}

TEST_F(ViewCommandsTest, PasteIntoTheEditedTextTakesCarriageReturnsOnly) {
  CTextObject* text = TypeText(50, 300, "");
  ASSERT_NE(text, nullptr);
  PutOnClipboard(fw::CF_TEXT, Text("AB\r\n"));
  EXPECT_EQ(PasteFromClipboard(*view), 1);
  PutOnClipboard(fw::CF_TEXT, Text("AB\r\n"));
  text->chars.DeleteAll();
  Cmd(kPaste);
  ASSERT_EQ(text->chars.GetSize(), 3);
  EXPECT_EQ(text->chars.CharAt(0)->code, 'A');
  EXPECT_EQ(text->chars.CharAt(1)->code, 'B');
  EXPECT_EQ(text->chars.CharAt(2)->code, 13);
  EXPECT_EQ(doc->GetObjectCount(), 1);
  // Without an edited text the text paste takes nothing.
  Cmd(ID_TOOL_SELECT);
  EXPECT_EQ(PasteFromClipboard(*view), 0);
  EXPECT_EQ(fw::GetOpenClipboardWindow(), nullptr);
}

TEST_F(ViewCommandsTest, ADamagedObjectBlockIsReportedAndAddsNothing) {
  AddRect(0, 0, 10, 10);
  // The length claims more than there is; a record runs past the end.
  std::vector<std::uint8_t> bad = {2, 0x40, 0, 0, 0, std::uint8_t(REC_RECT), 0xFF, 0xFF, 0, 0, 1, 2, 3, 0xFE};
  PutOnClipboard(ObjectFormat(), bad);
  sink.clear();
  Cmd(kPaste);
  EXPECT_EQ(doc->GetObjectCount(), 1);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "非法的CSegArray数据结构!");
}

TEST_F(ViewCommandsTest, GetImagePlacesTheLongerSideAt200Pixels) {
  view->ZoomToRect(CFRect(0, 0, 400, 300));
  ASSERT_DOUBLE_EQ(view->GetScale(), 0.5);
  const std::string good = Path("wide.bmp"), flat = Path("flat.bmp"), junk = Path("junk.bmp");
  WriteBytes(good, BmpFile(400, 100));
  WriteBytes(flat, BmpFile(0, 100));
  WriteBytes(junk, {'B', 'M', 1, 2, 3});
  fw::ScriptedModalDriver driver;
  std::string title;
  auto pick = [&](const std::string& path) {
    driver.Then([&, path](fw::CDialog& dlg) {
      auto* file = dynamic_cast<fw::CFileDialog*>(&dlg);
      ASSERT_NE(file, nullptr);
      title = file->m_title;
      if (path.empty())
        dlg.EndDialog(fw::IDCANCEL);
      else
        file->Choose(path);
    });
  };
  pick("");
  Cmd(kGetImage);
  EXPECT_EQ(title, "图形读取");
  EXPECT_EQ(doc->GetObjectCount(), 0);
  for (const std::string& refused : {flat, junk}) {
    pick(refused);
    Cmd(kGetImage);
    EXPECT_EQ(doc->GetObjectCount(), 0) << refused;
  }
  doc->SetModifiedFlag(fw::FALSE);
  pick(good);
  Cmd(kGetImage);
  ASSERT_EQ(doc->GetObjectCount(), 1);
  CGraphObject* image = doc->GetObjectAt(0);
  EXPECT_EQ(image->kind, OBJ_IMAGE);
  EXPECT_EQ(image->bounds, CFRect(0, 0, 100, 25));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(g_Profile.GetString("SystemParam", "Image", ""), dir);
  UndoStep();
  EXPECT_EQ(doc->GetObjectCount(), 0);
}

TEST_F(ViewCommandsTest, TransformDialogThenUnTransformAndUndo) {
  for (bool recording : {true, false}) {
    SCOPED_TRACE(recording ? "recording" : "not recording");
    CRectObject* rect = AddRect(10, 20, 110, 70);
    SelectOnly({rect});
    fw::ScriptedModalDriver driver;
    driver.Then([](fw::CDialog& d) { d.ClickButton(fw::IDOK); });
    Cmd(kTransform);
    ASSERT_EQ(doc->GetObjectCount(), 1);
    auto* made = dynamic_cast<CTransformObject*>(doc->GetObjectAt(0));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetSource(), rect);
    Cmd(ID_TOOL_SELECT);
    EXPECT_FALSE(Update(kUnTransform).enabled);
    SelectOnly({made});
    EXPECT_TRUE(Update(kUnTransform).enabled);

    if (!recording) view->GetUndoList()->Suspend();
    Cmd(kUnTransform);
    if (!recording) view->GetUndoList()->Resume();
    ASSERT_EQ(doc->GetObjectCount(), 1);
    EXPECT_EQ(doc->GetObjectAt(0), rect);
    EXPECT_TRUE(rect->selected);
    EXPECT_EQ(rect->bounds, CFRect(10, 20, 110, 70));
    if (recording) {
      UndoStep();
      ASSERT_EQ(doc->GetObjectCount(), 1);
      EXPECT_EQ(doc->GetObjectAt(0), made);
      EXPECT_EQ(made->GetSource(), rect);
    }
    view->Tracker()->ClearSelection(nullptr, true);
    view->GetUndoList()->DeleteAll();
    delete doc->RemoveObjectAt(0);
  }
}

TEST_F(ViewCommandsTest, TransformItemsOfTheMenuTransformTheSelection) {
  CRectObject* rect = AddRect(10, 20, 110, 70);
  SelectOnly({rect});
  Cmd(kTransform + 2);
  auto* made = dynamic_cast<CTransformObject*>(doc->GetObjectAt(0));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetTransform() != 0, true);
}

TEST_F(ViewCommandsTest, AClosedViewIsNoLongerReachedByTheTransformLibrary) {
  CTransformDll& lib = TheTransformDll();
  ASSERT_TRUE(lib.IsLoaded());
  view->OnActivateView(fw::TRUE, view, nullptr);
  doc->SetModifiedFlag(fw::FALSE);
  view->GetParentFrame()->SendMessage(fw::WM_CLOSE, 0, 0);
  fw::PumpPendingMessages();
  // A press on a transform's handle reads the view matrix it was given.
  const std::uint32_t handle = lib.InitTransformSeg(1, CFRect(0, 0, 100, 100));
  ASSERT_NE(handle, 0u);
  lib.DoMouseCmd(handle, flexoril::kLButtonDown, 0, 0.0f, 0.0f);
  lib.DeleteTransform(handle);
}

class PropertyWindowTest : public ViewCommandsTest {
 protected:
  CPropertyFrame* Show() {
    main->SendMessage(fw::WM_COMMAND, appid::ID_SHOW_PROPERTY, 0);
    fw::PumpPendingMessages();
    return ThePropertyFrame();
  }
  std::intptr_t PageId() const {
    CPropertyFrame* f = ThePropertyFrame();
    return f && f->GetPageServices() ? f->GetPageServices()->GetUserData() : -1;
  }
};

TEST_F(PropertyWindowTest, EachKindShowsItsPanel) {
  CPropertyFrame* frame = Show();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(app->GetPropertyFrame(), &frame->Services());

  CRectObject* rect = AddRect(10, 20, 110, 70);
  SelectOnly({rect});
  Cmd(kProperty);
  EXPECT_EQ(PageId(), std::intptr_t(IDD_NO_PROPERTIES));

  struct Case {
    std::unique_ptr<CTextArrange> (*make)();
    std::uint32_t page;
  } cases[] = {
      {[]() -> std::unique_ptr<CTextArrange> { return std::make_unique<CArcArrange>(0, 50, 100, 10, nullptr, nullptr); },
       IDD_ARRANGE_ARC},
      {[]() -> std::unique_ptr<CTextArrange> { return std::make_unique<CArchArrange>(); }, IDD_ARRANGE_ARCH},
      {[]() -> std::unique_ptr<CTextArrange> { return std::make_unique<CPathArrange>(); }, IDD_ARRANGE_PATH},
  };
  for (Case& c : cases) {
    CTextObject* text = TypeText(50, 300, "AB");
    ASSERT_NE(text, nullptr);
    Cmd(ID_TOOL_SELECT);
    text->SetArrange(c.make());
    SelectOnly({text});
    Cmd(kProperty);
    ASSERT_EQ(PageId(), std::intptr_t(c.page));
    fw::CDialog* page = frame->GetPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Item<fw::CButton>(IDC_ARR_PLACE_ON)->GetBitmap(), 236u);
    EXPECT_EQ(page->Item<fw::CButton>(IDC_ARR_FIT)->GetBitmap(), 250u);
    // Enter applies the panel to the text and marks the design changed.
    doc->SetModifiedFlag(fw::FALSE);
    page->Item<fw::CButton>(IDC_ARR_FIT)->Click();
    const bool fit = page->Item<fw::CButton>(IDC_ARR_FIT)->GetCheck() == fw::BST_CHECKED;
    page->GetDlgItem(IDC_ARR_FIT)->SetFocus();
    fw::Keyboard::Stroke(fw::VK_RETURN);
    fw::PumpPendingMessages();
    auto* curve = dynamic_cast<CCurveArrange*>(text->arrange.get());
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ((curve->flags & ARRF_FIT) != 0, fit);
    EXPECT_TRUE(doc->IsModified());
  }

  // A guide line: the rulers' current guide shows its panel; OK moves it.
  view->Tracker()->ClearSelection(nullptr, true);
  CGuideList& guides = view->GetRulers()->GetGuideList();
  auto* guide = new CGuideLine(10.0f, 10.0f, 0.0);
  guides.Add(guide);
  guides.Select(nullptr, nullptr, nullptr, guide);
  Cmd(kProperty);
  ASSERT_EQ(PageId(), std::intptr_t(IDD_GUIDE_LINE));
  fw::CDialog* page = frame->GetPage();
  EXPECT_EQ(page->Item<fw::CButton>(IDC_GUIDE_TWO_POINTS)->GetCheck(), fw::BST_CHECKED);
  page->SetDlgItemText(IDC_GUIDE_Y1, "40");
  page->SetDlgItemText(IDC_GUIDE_Y2, "40");
  doc->SetModifiedFlag(fw::FALSE);
  page->ClickButton(fw::IDOK);
  EXPECT_FLOAT_EQ(guide->y, 40.0f);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(PropertyWindowTest, EnterWithoutAViewAndTheCloseBox) {
  CPropertyFrame* frame = Show();
  ASSERT_NE(frame, nullptr);
  fw::RECT first;
  frame->GetWindowRect(&first);
  CTextObject* text = TypeText(50, 300, "AB");
  ASSERT_NE(text, nullptr);
  Cmd(ID_TOOL_SELECT);
  text->SetArrange(std::make_unique<CArcArrange>(0, 50, 100, 10, nullptr, nullptr));
  SelectOnly({text});
  Cmd(kProperty);
  fw::CDialog* page = frame->GetPage();
  ASSERT_NE(page, nullptr);
  // The design closes; Enter in its panel changes nothing.
  doc->SetModifiedFlag(fw::FALSE);
  view->GetParentFrame()->SendMessage(fw::WM_CLOSE, 0, 0);
  fw::PumpPendingMessages();
  ASSERT_EQ(app->GetActiveView(), nullptr);
  page->ClickButton(fw::IDOK);

  // The close box: the next Show Property makes a new window where the first was.
  frame->SendMessage(fw::WM_CLOSE, 0, 0);
  fw::PumpPendingMessages();
  EXPECT_EQ(ThePropertyFrame(), nullptr);
  EXPECT_EQ(app->GetPropertyFrame(), nullptr);
  CPropertyFrame* again = Show();
  ASSERT_NE(again, nullptr);
  fw::RECT second;
  again->GetWindowRect(&second);
  EXPECT_EQ(second.left, first.left);
  EXPECT_EQ(second.top, first.top);
}

}  // namespace
