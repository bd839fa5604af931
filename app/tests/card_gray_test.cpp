// Name card duplication and the grey image bars, from their commands.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/carddupdlg.h"
#include "app/grayvectordlg.h"
#include "dialog_fixture.h"
#include "framework/clipboard.h"
#include "model/imageobject.h"
#include "model/rectobject.h"
#include "model/settings.h"
#include "model/tests/image_fixtures.h"
#include "platform/gmem.h"

using namespace apptest;
using namespace carddlg;

namespace {

constexpr fw::UINT ID_CARD_DUP_CMD = 32871;
constexpr fw::UINT ID_GRAY_VECTOR_CMD = 32787;

class CardDupTest : public PrivateIniViewTest {};

void PutClipboardText(fw::CWnd* owner, const char* text) {
  ASSERT_TRUE(fw::OpenClipboard(owner));
  fw::EmptyClipboard();
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, std::strlen(text) + 1);
  {
    plat::GlobalLockGuard lock(h);
    std::memcpy(lock.bytes(), text, std::strlen(text) + 1);
  }
  fw::SetClipboardData(fw::CF_TEXT, h);
  fw::CloseClipboard();
}

std::string ClipboardText(fw::CWnd* owner) {
  std::string out;
  if (!fw::OpenClipboard(owner)) return out;
  if (plat::HGLOBAL h = fw::GetClipboardData(fw::CF_TEXT)) {
    plat::GlobalLockGuard lock(h);
    out = reinterpret_cast<const char*>(lock.bytes());
  }
  fw::CloseClipboard();
  return out;
}

TEST_F(CardDupTest, TwoByFourCardsAreCopiedInMemoryInOneStep) {
  PutClipboardText(view, "keep me");
  AddRect(10, 10, 80, 40);
  AddRect(0, 0, 5, 5);  // not selected: copied too
  Run(ID_CARD_DUP_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Name Card Duplicate");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_DUPX), "2");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_DUPY), "4");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_GAPX), "2.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_SIZE_X), "90.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_SIZE_Y), "55.00");
    d.SetCheckBox(IDC_CARD_RECT, 1);
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  // Two objects and the card outline, on eight cards.
  ASSERT_EQ(doc->GetObjectCount(), 3 * 8);
  int outlines = 0;
  std::vector<std::pair<float, float>> corners;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (o->kind == 2) {
      ++outlines;
      corners.emplace_back(o->bounds.left, o->bounds.top);
      EXPECT_NEAR(o->bounds.right - o->bounds.left, 90.0f, 1e-3f);
    }
  }
  EXPECT_EQ(outlines, 8);
  for (float x : {0.0f, 92.0f})
    for (float y : {0.0f, 57.0f, 114.0f, 171.0f})
      EXPECT_NE(std::find(corners.begin(), corners.end(), std::make_pair(x, y)), corners.end()) << x << "," << y;
  EXPECT_EQ(ClipboardText(view), "keep me");
  EXPECT_EQ(Steps(), 1);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(g_IniFile.GetInt("CARDDUP", "CARDRECT", 0), 1);
}

TEST_F(CardDupTest, AnObjectOffTheCardIsRefused) {
  AddRect(10, 10, 80, 40);
  AddRect(85, 50, 95, 56);  // sticks out below and right
  sink.clear();
  Run(ID_CARD_DUP_CMD, [](fw::CDialog& d) {
    d.ClickButton(fw::IDOK);
    EXPECT_FALSE(d.IsEnded());
    // Exactly on the card's edge is inside.
    d.SetDlgItemText(IDC_CARD_SIZE_X, "95");
    d.SetDlgItemText(IDC_CARD_SIZE_Y, "56");
    d.SetDlgItemText(IDC_CARD_DUPX, "1");
    d.SetDlgItemText(IDC_CARD_DUPY, "2");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "名片位置超出名片大小");
  EXPECT_EQ(doc->GetObjectCount(), 4);
}

TEST_F(CardDupTest, FormatsAndAuto) {
  Run(ID_CARD_DUP_CMD, [](fw::CDialog& d) {
    struct Case {
      fw::UINT combo;
      int item;
      fw::UINT x, y;
      const char *w, *h;
      bool editable;
    } cases[] = {
        {IDC_CARD_TYPE, 1, IDC_CARD_SIZE_X, IDC_CARD_SIZE_Y, "90.00", "55.00", false},
        {IDC_CARD_TYPE, 2, IDC_CARD_SIZE_X, IDC_CARD_SIZE_Y, "55.00", "90.00", false},
        {IDC_CARD_PAGE_TYPE, 2, IDC_CARD_PAGE_X, IDC_CARD_PAGE_Y, "260.00", "190.00", false},
        {IDC_CARD_PAGE_TYPE, 8, IDC_CARD_PAGE_X, IDC_CARD_PAGE_Y, "203.00", "140.00", false},
        {IDC_CARD_PAGE_TYPE, 0, IDC_CARD_PAGE_X, IDC_CARD_PAGE_Y, "190.00", "260.00", true},
        {IDC_CARD_TYPE, 0, IDC_CARD_SIZE_X, IDC_CARD_SIZE_Y, "90.00", "55.00", true},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.combo << ":" << c.item);
      d.SelectComboItem(c.combo, c.item);
      EXPECT_EQ(d.GetDlgItemText(c.x), c.w);
      EXPECT_EQ(d.GetDlgItemText(c.y), c.h);
      EXPECT_EQ(d.GetDlgItem(c.x)->IsWindowEnabled() != 0, c.editable);
    }
    // (190 + 2) / 90 across, (260 + 2) / 55 down; a card width of 0 counts as 55.
    d.ClickButton(IDC_CARD_AUTO);
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_DUPX), "2");
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_DUPY), "4");
    d.SetDlgItemText(IDC_CARD_SIZE_X, "0");
    d.ClickButton(IDC_CARD_AUTO);
    EXPECT_EQ(d.GetDlgItemText(IDC_CARD_DUPX), "3");
    // An empty design without the outline adds nothing; the settings are kept.
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  EXPECT_EQ(doc->GetObjectCount(), 0);
  EXPECT_EQ(Steps(), 0);
  EXPECT_EQ(g_IniFile.GetInt("CARDDUP", "DUPX", 0), 3);
}

// --- Grey bars ----------------------------------------------------------------------

class GrayBarsTest : public DialogViewTest {
 protected:
  CImageObject* AddImage(int bits) {
    BmpLayout layout;
    layout.width = 16;
    layout.height = 12;
    layout.bits = bits;
    for (int i = 0; i < (1 << bits); ++i) {
      const std::uint32_t g = std::uint32_t(i * 255 / ((1 << bits) - 1));
      layout.palette.push_back((g << 16) | (g << 8) | g);
    }
    layout.value = [bits](int x, int) { return std::uint32_t(bits == 8 ? x * 16 : x & 1); };
    const std::string path = Path("g" + std::to_string(bits) + ".bmp");
    const ImageBytes bytes = MakeBmp(layout);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    auto image = std::make_unique<CImageObject>(path);
    image->bounds = CFRect(10, 20, 90, 80);  // 80 x 60 mm
    CImageObject* raw = image.get();
    Add(std::move(image));
    view->Tracker()->Select(raw);
    return raw;
  }
  static bool OkEnabled(fw::CDialog& d) { return d.GetDlgItem(fw::IDOK)->IsWindowEnabled() != 0; }
};

TEST_F(GrayBarsTest, GreyImageBecomesBarsInOneStep) {
  using namespace graydlg;
  EXPECT_FALSE(IsCommandEnabled(*view, ID_GRAY_VECTOR_CMD));
  AddImage(8);
  EXPECT_TRUE(IsCommandEnabled(*view, ID_GRAY_VECTOR_CMD));
  Run(ID_GRAY_VECTOR_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_WIDTH), "80.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_HEIGHT), "60.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_BAR), "7.00");
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_MIN), "20");
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_MAX), "80");
    EXPECT_TRUE(OkEnabled(d));
    d.TypeText(IDC_GRAY_COUNT, "5");
    EXPECT_FALSE(OkEnabled(d));
    d.TypeText(IDC_GRAY_COUNT, "6");
    EXPECT_TRUE(OkEnabled(d));
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_BAR), "10.00");
    d.TypeText(IDC_GRAY_BAR, "0");
    EXPECT_FALSE(OkEnabled(d));
    d.TypeText(IDC_GRAY_BAR, "0.5");
    EXPECT_TRUE(OkEnabled(d));
    EXPECT_EQ(d.GetDlgItemText(IDC_GRAY_COUNT), "120");
    d.ClickButton(fw::IDOK);
    EXPECT_FALSE(d.IsEnded());
    d.TypeText(IDC_GRAY_BAR, "12");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(1)->kind, 128);
  const CProfile p;
  EXPECT_EQ(p.GetString("IMAGE", "BarHeight", ""), "12.00");
  EXPECT_EQ(p.GetInt("IMAGE", "BarMinHeight", 0), 20);
  EXPECT_EQ(p.GetInt("IMAGE", "BarMaxHeight", 0), 80);
  EXPECT_EQ(Steps(), 1);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), 1);
}

TEST_F(GrayBarsTest, OneBitImageAndNoImageDisableOk) {
  using namespace graydlg;
  Run(ID_GRAY_VECTOR_CMD, [](fw::CDialog& d) {
    EXPECT_FALSE(OkEnabled(d));
    EXPECT_FALSE(d.GetDlgItem(IDC_GRAY_BUTTON)->IsWindowEnabled());
    d.ClickButton(fw::IDCANCEL);
  });
  AddImage(1);
  Run(ID_GRAY_VECTOR_CMD, [](fw::CDialog& d) {
    EXPECT_FALSE(OkEnabled(d));
    d.TypeText(IDC_GRAY_COUNT, "8");
    EXPECT_FALSE(OkEnabled(d));
    d.ClickButton(fw::IDCANCEL);
  });
  EXPECT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(Steps(), 0);
}

}  // namespace
