#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/document.h"
#include "app/logodlg.h"
#include "app_fixture.h"
#include "framework/menu.h"
#include "platform/image_io.h"
#include "platform/paths.h"
#include "text/fontcatalog.h"
#include "text/textattr.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

const std::string kSourceDir = std::string(TINDREL_TEST_DATA) + "/../../..";

// The sample sign: a border, an arrow and a group of three squares; the
// lettering comes from SampleLettering.
void BuildSampleSign(CVORLAN98Doc& doc) {
  doc.GetPageInfo().m_pageWidth = 400.0f;
  doc.GetPageInfo().m_pageHeight = 200.0f;
  doc.AddObject(MakeRectPath(10, 10, 390, 190).release());
  auto arrow = std::make_unique<CPathObject>();
  const float pts[][2] = {{40, 80}, {200, 80}, {200, 50}, {300, 100}, {200, 150}, {200, 120}, {40, 120}};
  for (std::size_t i = 0; i < std::size(pts); ++i) arrow->AddPoint(pts[i][0], pts[i][1], i == 0 ? 0x11 : 0x01);
  arrow->AddPoint(40, 80, 0x41);
  arrow->EndPoints();
  doc.AddObject(arrow.release());
  auto group = std::make_unique<CGroupObject>();
  for (int i = 0; i < 3; ++i) group->AddChild(MakeRectPath(320, 40.0f + 45.0f * float(i), 360, 70.0f + 45.0f * float(i)));
  group->RecalcBounds();
  doc.AddObject(group.release());
}

// "EXIT" set in DejaVu Sans and turned into outlines, so the file needs no
// font; the language table is the caller's, with ID 0 in slot 0.
std::unique_ptr<CGraphObject> SampleLettering() {
  const int face = g_FontCatalog.FindEntry(0, 0, "DejaVu Sans");
  if (face < 0) return nullptr;
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 30.0f;
  attr.fontId[0] = std::uint16_t(face);
  CTextObject text(0, 40, 155, 300, 188);
  for (char c : std::string("EXIT")) text.chars.Add(std::make_unique<CBoxChar>(std::uint8_t(0), std::uint16_t(c), attr));
  text.Relayout(nullptr, -1);
  return text.ConvertToPath(-1);
}

class ResourcesTest : public AppTest {};

using Picture = std::vector<fw::COLORREF>;

// Each picture w x h drawn (not nearly all background) and unlike every other one.
void ExpectDrawnAndUnlike(const std::vector<Picture>& cells, int w, int h, fw::COLORREF background) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const auto drawn = std::count_if(cells[i].begin(), cells[i].end(), [&](fw::COLORREF c) { return c != background; });
    EXPECT_GT(drawn, w * h / 10) << "picture " << i << " is (nearly) empty";
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(cells[i], cells[j]) << "pictures " << j << " and " << i;
  }
}

// The `count` pictures w x h side by side in a file; none when it is not that size.
std::vector<Picture> ReadPictures(const std::string& file, int w, int h, int count) {
  const auto dib = plat::ReadBmpFile(file);
  EXPECT_TRUE(dib.has_value()) << file;
  if (!dib) return {};
  EXPECT_EQ(dib->width(), w * count) << file;
  EXPECT_EQ(dib->height(), h) << file;
  if (dib->width() != w * count || dib->height() != h) return {};
  std::vector<Picture> cells(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) cells[static_cast<std::size_t>(i)].push_back(dib->GetPixel(i * w + x, y));
  return cells;
}

// A strip of `count` pictures w x h, each its own.
void ExpectOwnPictures(const std::string& file, int w, int h, int count, fw::COLORREF background) {
  SCOPED_TRACE(file);
  const std::vector<Picture> cells = ReadPictures(file, w, h, count);
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(count));
  ExpectDrawnAndUnlike(cells, w, h, background);
}

TEST_F(ResourcesTest, SampleSignIsWhatThisWriterWrites) {
  std::unique_ptr<CGraphObject> lettering;
  {
    const std::string slot = "[Language0]\nID=0\nNAME=English\n";
    WriteBytes(Path("fonts.ini"), std::vector<std::uint8_t>(slot.begin(), slot.end()));
    ScopedLanguages english(Path("fonts.ini"));
    lettering = SampleLettering();
  }
  ASSERT_NE(lettering, nullptr);
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  BuildSampleSign(doc);
  doc.AddObject(lettering.release());
  {
    // The file's font table stays empty whatever the program folder holds.
    ScopedLanguages none(Path("none.ini"));
    ASSERT_TRUE(doc.OnSaveDocument(Path("sign.t98")));
  }
  const std::string sample = kSourceDir + "/samples/sign.t98";
  if (std::getenv("TINDREL_UPDATE_SAMPLE")) std::filesystem::copy_file(Path("sign.t98"), sample,
                                                                         std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(ReadBytes(sample), ReadBytes(Path("sign.t98")));
  CVORLAN98Doc opened;
  ASSERT_TRUE(opened.OnOpenDocument(sample));
  EXPECT_EQ(opened.GetObjectCount(), 4);
  EXPECT_EQ(opened.GetPageWidth(), 400.0f);
  EXPECT_EQ(opened.GetPageHeight(), 200.0f);
  CFRect bounds;
  ASSERT_EQ(opened.GetObjectsBounds(&bounds), 1);
  EXPECT_EQ(bounds.left, 10.0f);
  EXPECT_EQ(bounds.bottom, 190.0f);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ResourcesTest, EveryToolBarHasAStripOfItsImages) {
  for (std::uint32_t id : {128u, 132u, 136u, 151u, 158u, 192u, 200u, 221u}) {
    SCOPED_TRACE(id);
    const fw::ToolBarDef* bar = fw::res::FindToolBar(id);
    ASSERT_NE(bar, nullptr);
    int images = 0;
    for (fw::UINT b : bar->ids)
      if (b != 0) ++images;
    const std::string* strip = fw::res::FindBitmap(id);
    ASSERT_NE(strip, nullptr);
    // The strip at 1x and, for dense screens, at 2x (NAME@2x.bmp).
    const std::string one = plat::GetProgramFolder() + *strip;
    const std::string two = one.substr(0, one.size() - 4) + "@2x.bmp";
    ExpectOwnPictures(one, bar->buttonWidth, bar->buttonHeight, images, plat::RGB(192, 192, 192));
    ExpectOwnPictures(two, bar->buttonWidth * 2, bar->buttonHeight * 2, images, plat::RGB(192, 192, 192));
    // Every button has a prompt or a menu item naming it.
    for (fw::UINT b : bar->ids) {
      if (b == 0) continue;
      const bool named = !fw::res::String(b).empty() || fw::res::FindMenu(129) != nullptr;
      EXPECT_TRUE(named) << b;
    }
  }
}

TEST_F(ResourcesTest, DialogPictureStripsHaveAPictureEachCell) {
  // The seal layouts (60 pixels, on white) and the library tree's library and kind.
  ExpectOwnPictures(plat::GetProgramFolder() + "res/seal.bmp", 60, 60, 7, plat::RGB(255, 255, 255));
  ExpectOwnPictures(plat::GetProgramFolder() + "res/libtree.bmp", 16, 16, 2, plat::RGB(255, 255, 255));

  // The text arrangement panels' picture buttons, 24 x 16 at 1x and twice that
  // in NAME@2x.bmp, each on the see-through background of the bars' pictures.
  const fw::COLORREF see_through = plat::RGB(192, 192, 192);
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const int w = 24 * scale, h = 16 * scale;
    std::vector<Picture> pictures;
    for (const fw::UINT id : {236u, 245u, 247u, 246u, 248u, 249u, 250u}) {
      const std::string* file = fw::res::FindBitmap(id);
      ASSERT_NE(file, nullptr) << id;
      std::string path = plat::GetProgramFolder() + *file;
      if (scale == 2) path.insert(path.size() - 4, "@2x");
      std::vector<Picture> one = ReadPictures(path, w, h, 1);
      ASSERT_EQ(one.size(), 1u) << path;
      EXPECT_GT(std::count(one[0].begin(), one[0].end(), see_through), w * h / 3) << path << " has no see-through ground";
      pictures.push_back(std::move(one[0]));
    }
    ExpectDrawnAndUnlike(pictures, w, h, see_through);
  }
}

TEST_F(ResourcesTest, MenusKeepTheirPlaces) {
  fw::CMenu design;
  ASSERT_TRUE(design.LoadMenu(129));
  fw::CMenu* distortion = design.GetSubMenu(4);
  ASSERT_NE(distortion, nullptr);
  EXPECT_EQ(design.GetMenuString(4, fw::MF_BYPOSITION), "&Distortion");
  EXPECT_EQ(distortion->GetMenuItemID(4), 60000u);
  EXPECT_EQ(distortion->GetMenuString(4, fw::MF_BYPOSITION), "T&ransform...");
  EXPECT_EQ(design.GetMenuString(7, fw::MF_BYPOSITION), "&System");
  fw::CMenu* system = design.GetSubMenu(7);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->GetMenuString(10, fw::MF_BYPOSITION), "Reserve");
  ASSERT_NE(system->GetSubMenu(10), nullptr);
  EXPECT_EQ(system->GetSubMenu(10)->GetMenuItemID(0), 40072u);
  // Texts the program's commands carry.
  for (auto [id, text] : std::initializer_list<std::pair<fw::UINT, const char*>>{
           {57600, "New(&N)\tCtrl+N"},
           {57601, "Open(&O)...\tCtrl+O"},
           {57606, "Print Setup(&R)..."},
           {57664, "About Tindrel(&A)..."},
           {40066, "Show QW(CHN)(&Q)"},
           {40067, "Text Editor(&E)"},
           {32807, "Show Property(&P)\t[Alt+DoubleClick]"},
           {57643, "Undo(&U)\tCtrl+Z"},
           {57635, "Cut(&T)\tCtrl+X"},
           {57667, "Help Topic(&H)"}})
    EXPECT_EQ(design.GetMenuString(id, fw::MF_BYCOMMAND), text) << id;
  fw::CMenu main;
  ASSERT_TRUE(main.LoadMenu(128));
  EXPECT_TRUE(main.HasCommand(57600));
  EXPECT_TRUE(main.HasCommand(57664));
  // Ctrl+Z is Undo and Ctrl+X is Cut.
  const auto* keys = fw::res::FindAccelerators(129);
  ASSERT_NE(keys, nullptr);
  auto find = [&](fw::WORD key) {
    for (const fw::ACCEL& a : *keys)
      if (a.key == key && (a.fVirt & fw::FCONTROL)) return fw::UINT(a.cmd);
    return fw::UINT(0);
  };
  EXPECT_EQ(find('Z'), 57643u);
  EXPECT_EQ(find('X'), 57635u);
}

TEST_F(ResourcesTest, EveryCursorOfTheFrameIsThere) {
  for (std::uint32_t id : appid::kCursorIds) EXPECT_TRUE(fw::res::HasCursor(id)) << id;
  for (std::uint32_t id : {100u, 176u, 203u, 207u, 211u, 223u, 227u}) EXPECT_NE(fw::res::FindDialog(id), nullptr) << id;
  for (std::uint32_t id = 104; id <= 123; ++id) EXPECT_FALSE(fw::res::String(id).empty()) << id;
}

TEST_F(ResourcesTest, LogoWindowShowsTheProgramsPicture) {
  CLogoDlg logo;
  ASSERT_TRUE(logo.Create());
  EXPECT_TRUE(logo.GetExStyle() & fw::WS_EX_TOPMOST);
  ASSERT_NE(logo.GetBitmap(), nullptr);
  plat::BITMAP info{};
  ASSERT_TRUE(plat::GetBitmapInfo(logo.GetBitmap(), &info));
  EXPECT_EQ(info.bmWidth, 400);
  EXPECT_NE(logo.GetDlgItem(appid::IDC_LOGO_TEXT), nullptr);
  logo.ShowWindow(fw::SW_SHOW);
  logo.UpdateWindow();
  EXPECT_EQ(logo.PaintCount(), 1);
  logo.DestroyWindow();
  EXPECT_EQ(logo.GetBitmap(), nullptr);
}

}  // namespace
