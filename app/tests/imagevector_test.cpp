// Tracing bitmaps: the parameter loader, VectorizeBitmap over the libraries
// of the program folder, the Image Vector commands and their dialogs, and
// ReSample of an own font file through the program's tracing services.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/imagevectordlg.h"
#include "app/imagevectorizer.h"
#include "dialog_fixture.h"
#include "framework/controls.h"
#include "model/imageobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/services.h"
#include "model/settings.h"
#include "model/tests/image_fixtures.h"
#include "platform/bytes.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "text/cftfont.h"
#include "text/createcftdlg.h"
#include "text/outlinecodec.h"

using namespace apptest;
using namespace ivdlg;

namespace {

constexpr fw::UINT ID_IMAGE_VECTOR_CMD = 40022;
constexpr fw::UINT ID_IMAGE_TRACE_CMD = 32868;
constexpr fw::UINT ID_GRAPH_VECTOR_SET_CMD = 40062;
constexpr fw::UINT ID_VECTOR_SET_CMD = 40149;
constexpr fw::UINT ID_NEW_WINFONTS_CMD = 40072;

using Pixel = std::function<std::uint32_t(int x, int y)>;  // 0x00RRGGBB, y = 0 the top row

// A colour bitmap of w x h pixels.
plat::HBITMAP ColourBitmap(int w, int h, int bits, const Pixel& px) {
  const int bytes = bits / 8;
  const std::size_t stride = (std::size_t(w) * bytes + 1) / 2 * 2;
  std::vector<std::uint8_t> rows(stride * std::size_t(h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = px(x, y);
      std::uint8_t* p = rows.data() + std::size_t(y) * stride + std::size_t(x) * bytes;
      p[0] = std::uint8_t(c), p[1] = std::uint8_t(c >> 8), p[2] = std::uint8_t(c >> 16);
    }
  return plat::CreateBitmap(w, h, 1, plat::UINT(bits), rows.data());
}

// A monochrome bitmap, set bits white.
plat::HBITMAP MonoBitmap(int w, int h, const std::function<bool(int, int)>& white) {
  const std::size_t stride = (std::size_t(w) + 15) / 16 * 2;
  std::vector<std::uint8_t> rows(stride * std::size_t(h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (white(x, y)) rows[std::size_t(y) * stride + std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
  return plat::CreateBitmap(w, h, 1, 1, rows.data());
}

struct BitmapOwner {
  explicit BitmapOwner(plat::HBITMAP b) : bmp(b) {}
  ~BitmapOwner() { plat::DeleteObject(bmp); }
  plat::HBITMAP bmp;
};

CFRect BoundsOf(CGraphObject& o) {
  auto* path = dynamic_cast<CPathObject*>(&o);
  if (!path) return o.bounds;
  path->RecomputeBounds();
  return path->bounds;
}

int CurvePoints(CPathObject& p) {
  int n = 0;
  pathrec::Records r(p.points);
  for (std::size_t i = 0; i < r.n && i < std::size_t(p.count); ++i) {
    if (pathrec::IsControl(r.p[i].flags)) ++n;
  }
  return n;
}

class ImageVectorTest : public DialogViewTest {
 protected:
  void SetUp() override {
    DialogViewTest::SetUp();
    ASSERT_TRUE(GetTraceServices());  // installed by the start-up
    sink.clear();
  }
  // A BMP image object over (10, 20)-(90, 80), selected; palette white,
  // black, red.
  CImageObject* AddImage(const std::string& name, int w, int h, std::function<std::uint32_t(int, int)> index,
                         int bits) {
    BmpLayout layout;
    layout.width = w;
    layout.height = h;
    layout.bits = bits;
    layout.palette = {0xFFFFFF, 0x000000, 0xFF0000};
    layout.value = std::move(index);
    const ImageBytes bytes = MakeBmp(layout);
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    auto image = std::make_unique<CImageObject>(Path(name));
    image->bounds = CFRect(10, 20, 90, 80);
    CImageObject* raw = image.get();
    Add(std::move(image));
    view->Tracker()->Select(raw);
    return raw;
  }
  // A 1-bit image, black where the predicate holds.
  CImageObject* AddImage(const std::string& name, int w, int h, const std::function<bool(int, int)>& black) {
    return AddImage(name, w, h, [black](int x, int y) { return std::uint32_t(black(x, y) ? 1 : 0); }, 1);
  }
};

// --- Parameters ----------------------------------------------------------------------

TEST_F(ImageVectorTest, ParametersFollowDeltaAndTheSection) {
  struct Case {
    const char* what;
    bool vector;
    const char* delta;  // null: missing
    int iterations, tangent, cornerSurround;
    float corner, line, reparam;
  } cases[] = {
      {"vector default 2", true, nullptr, 2, 2, 3, 100.0f, 0.5f, 40.0f},
      {"vector 0", true, "0", 3, 4, 3, 100.0f, 0.5f, 40.0f},
      {"vector 1", true, "1", 1, 2, 4, 120.0f, 0.1f, 40.0f},
      {"vector 3", true, "3", 3, 5, 4, 100.0f, 0.8f, 40.0f},
      {"vector 4", true, "4", 4, 5, 5, 100.0f, 1.0f, 40.0f},
      {"vector 9", true, "9", 3, 4, 3, 100.0f, 0.5f, 40.0f},
      {"trace missing", false, nullptr, 3, 4, 3, 100.0f, 0.5f, 30.0f},
      {"trace 7", false, "7", 3, 4, 3, 100.0f, 0.5f, 30.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const char* section = c.vector ? "VECTOR" : "TRACE";
    g_Profile.WriteString(section, "Delta", c.delta ? c.delta : "");
    if (!c.delta) g_Profile.WriteString(section, "Delta", nullptr);
    // Not read while Delta >= 0.
    g_Profile.WriteFloat(section, "LineThreshold", 9.0f);
    g_Profile.WriteFloat(section, "FilterSurround", 7.0f);
    const ImageVectorParams p = LoadImageVectorParams(c.vector);
    EXPECT_EQ(p.Delta, c.delta ? std::atoi(c.delta) : (c.vector ? 2 : 50));
    EXPECT_EQ(p.FilterIterationCount, c.iterations);
    EXPECT_EQ(p.TangentSurround, c.tangent);
    EXPECT_EQ(p.CornerSurround, c.cornerSurround);
    EXPECT_EQ(p.CornerThreshold, c.corner);
    EXPECT_EQ(p.LineThreshold, c.line);
    EXPECT_EQ(p.ReparameterizeThreshold, c.reparam);
    EXPECT_EQ(p.FilterSurround, 2);
    EXPECT_EQ(p.FilterPercent, 0.33f);
  }
}

TEST_F(ImageVectorTest, NegativeDeltaReadsEveryField) {
  for (const char* section : {"VECTOR", "TRACE"}) {
    SCOPED_TRACE(section);
    g_Profile.WriteString(section, "Delta", section[0] == 'V' ? "-1" : "-1.4");
    g_Profile.WriteString(section, "CornerSurround", "3.6");  // integers are rounded
    g_Profile.WriteString(section, "KeepKnees", "1");
    g_Profile.WriteString(section, "LineThreshold", "0.25");
    const ImageVectorParams p = LoadImageVectorParams(section[0] == 'V');
    EXPECT_EQ(p.Delta, -1);
    EXPECT_EQ(p.CornerSurround, 4);
    EXPECT_EQ(p.KeepKnees, 1);
    EXPECT_EQ(p.LineThreshold, 0.25f);
    // Missing ones take the table's defaults.
    EXPECT_EQ(p.ReparameterizeThreshold, 30.0f);
    EXPECT_EQ(p.FilterIterationCount, 3);
    EXPECT_EQ(p.SubdivideThreshold, 0.03f);
    EXPECT_EQ(p.TangentSurround, 4);
  }
}

// --- VectorizeBitmap ---------------------------------------------------------------

TEST_F(ImageVectorTest, VectorizeBitmapTracesTheSecondColour) {
  CImageVectorizer vectorizer;
  ASSERT_TRUE(vectorizer.Lib(true).IsBound());
  ASSERT_TRUE(vectorizer.Lib(false).IsBound());
  const std::size_t blocks = plat::GlobalLiveCount();
  auto inSquare = [](int x, int y) { return x >= 10 && x < 40 && y >= 5 && y < 25; };
  struct Case {
    const char* what;
    plat::HBITMAP bmp;
    CFRect expected;  // pixels, y downward
  } cases[] = {
      // White background (the first pixel, bottom left): the black square.
      {"mono, black square", MonoBitmap(60, 40, [&](int x, int y) { return !inSquare(x, y); }), {10, 5, 40, 25}},
      // First pixel black: the white square.
      {"mono, white square", MonoBitmap(60, 40, inSquare), {10, 5, 40, 25}},
      // The bottom-left pixel black on white: the white rest of the image.
      {"first pixel black", MonoBitmap(60, 40, [](int x, int y) { return !(x < 4 && y >= 36); }), {0, 0, 60, 40}},
      {"24-bit", ColourBitmap(60, 40, 24, [&](int x, int y) { return inSquare(x, y) ? 0x2040A0u : 0xFFFF00u; }),
       {10, 5, 40, 25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BitmapOwner own(c.bmp);
    for (bool useVector : {true, false}) {
      std::unique_ptr<CGraphObject> o = vectorizer.VectorizeBitmap(c.bmp, useVector, 0);
      ASSERT_TRUE(o);
      EXPECT_EQ(o->kind, OBJ_PATH);
      const CFRect b = BoundsOf(*o);
      EXPECT_NEAR(b.left, c.expected.left, 0.5f);
      EXPECT_NEAR(b.top, c.expected.top, 0.5f);
      EXPECT_NEAR(b.right, c.expected.right, 0.5f);
      EXPECT_NEAR(b.bottom, c.expected.bottom, 0.5f);
    }
  }
  EXPECT_TRUE(sink.boxes.empty());

  // One colour: nothing, silently. Three: refused with the message.
  BitmapOwner one(ColourBitmap(20, 20, 24, [](int, int) { return 0x123456u; }));
  EXPECT_FALSE(vectorizer.VectorizeBitmap(one.bmp, true, 0));
  EXPECT_TRUE(sink.boxes.empty());
  BitmapOwner three(ColourBitmap(20, 20, 24, [](int x, int) { return x < 5 ? 0u : x < 10 ? 0xFFu : 0xFFFFFFu; }));
  EXPECT_FALSE(vectorizer.VectorizeBitmap(three.bmp, true, 0));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "彩色图像色彩不能超过2色");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  // Two pixels high: the library refuses it.
  BitmapOwner thin(MonoBitmap(20, 2, [](int x, int) { return x < 10; }));
  EXPECT_FALSE(vectorizer.VectorizeBitmap(thin.bmp, true, 0));
  EXPECT_FALSE(vectorizer.VectorizeBitmap(nullptr, true, 0));
  EXPECT_EQ(plat::GlobalLiveCount(), blocks);
}

TEST_F(ImageVectorTest, ServicesAndVectorizeImageTraceThroughVector) {
  BitmapOwner bmp(MonoBitmap(30, 30, [](int x, int y) { return std::hypot(x - 15.0, y - 15.0) > 9; }));
  // The image object's older operation goes through the same services.
  std::unique_ptr<CPathObject> path = TraceBitmap(bmp.bmp, 0);
  ASSERT_TRUE(path);
  EXPECT_GT(CurvePoints(*path), 0);
  std::unique_ptr<CGraphObject> viaFree = VectorizeBitmap(bmp.bmp, true, 0);
  ASSERT_TRUE(viaFree);
  EXPECT_EQ(BoundsOf(*viaFree), BoundsOf(*path));
  ASSERT_TRUE(GetTraceServices()->HasTracer(true));

  std::unique_ptr<CGraphObject> scanned = VectorizeImage(bmp.bmp, nullptr);
  ASSERT_TRUE(scanned);
  EXPECT_EQ(BoundsOf(*scanned), BoundsOf(*path));
  // Three colours: only a beep.
  BitmapOwner three(ColourBitmap(20, 20, 32, [](int x, int) { return x < 5 ? 0u : x < 10 ? 0xFFu : 0xFFFFFFu; }));
  EXPECT_FALSE(VectorizeImage(three.bmp, view));
  EXPECT_TRUE(sink.boxes.empty());
  EXPECT_EQ(sink.beeps.size(), 1u);

  // Without the program's services nothing is traced.
  StopApp();
  EXPECT_EQ(GetTraceServices(), nullptr);
  EXPECT_FALSE(VectorizeBitmap(bmp.bmp, true, 0));
}

// --- Image Vector (280) ---------------------------------------------------------------

TEST_F(ImageVectorTest, WithoutAnImageTheDialogOnlyAsksForOne) {
  AddRect(10, 10, 50, 50);
  SelectAll();
  g_Profile.WriteInt("VECTOR", "Delta", 4);
  Run(ID_IMAGE_VECTOR_CMD, [](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Image Vector");
    EXPECT_EQ(d.GetDlgItemText(IDC_VECTOR_MESSAGE), "Please Select Image");
    EXPECT_FALSE(d.GetDlgItem(fw::IDOK)->IsWindowEnabled());
    EXPECT_EQ(fw::CWnd::GetFocus(), d.GetDlgItem(fw::IDCANCEL));
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_PRECISION0, IDC_PRECISION4), IDC_PRECISION4);
    EXPECT_EQ(d.GetDlgItemText(IDC_BLACK_THRESHOLD), "512");
    d.ClickButton(IDC_PRECISION1);
    d.TypeText(IDC_BLACK_THRESHOLD, "300");
    d.ClickButton(fw::IDCANCEL);
    EXPECT_TRUE(d.IsEnded());
  });
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(doc->GetObjectCount(), 1);
  EXPECT_EQ(Steps(), 0);
  // Cancel keeps the choices.
  EXPECT_EQ(g_Profile.GetInt("VECTOR", "Delta", -9), 1);
  EXPECT_EQ(g_Profile.GetInt("VECTOR", "BlackThreshold", -9), 300);
}

TEST_F(ImageVectorTest, ImageVectorFitsTheTraceOntoTheImageInOneStep) {
  // 40 x 30 pixels onto 80 x 60 mm: the black square (8..27, 6..17) lands
  // at 10 + 2x, 20 + 2y.
  CImageObject* image = AddImage("sq.bmp", 40, 30, [](int x, int y) { return x >= 8 && x < 28 && y >= 6 && y < 18; });
  CGraphObject* other = AddRect(0, 0, 5, 5);
  view->Tracker()->ClearSelection(nullptr, true);
  view->Tracker()->Select(image);
  std::string message;
  Run(ID_IMAGE_VECTOR_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_PRECISION0, IDC_PRECISION4), IDC_NORMAL);
    EXPECT_TRUE(d.GetDlgItem(fw::IDOK)->IsWindowEnabled());
    d.ClickButton(IDC_PRECISION3);
    d.ClickButton(fw::IDOK);
    message = d.GetDlgItemText(IDC_VECTOR_MESSAGE);
    EXPECT_TRUE(d.IsEnded());
  });
  EXPECT_EQ(message, "图像含有2种色彩!!");
  EXPECT_EQ(g_Profile.GetInt("VECTOR", "Delta", -9), 3);
  ASSERT_EQ(doc->GetObjectCount(), 3);
  // Added at the end, then Turn Back moved the selected image behind it.
  EXPECT_EQ(doc->GetObjectAt(0), other);
  EXPECT_EQ(doc->GetObjectAt(2), image);
  auto* traced = dynamic_cast<CPathObject*>(doc->GetObjectAt(1));
  ASSERT_NE(traced, nullptr);
  EXPECT_EQ(traced->color, 255u);  // blue
  EXPECT_EQ(traced->matrix, CMatrix3(2, 0, 0, 2, 10, 20));
  ExpectRect(traced->bounds, 10 + 16, 20 + 12, 10 + 56, 20 + 36);
  EXPECT_TRUE(sink.boxes.empty());
  EXPECT_EQ(Steps(), 1);
  ASSERT_TRUE(Undo());
  ASSERT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(0), image);
  EXPECT_EQ(doc->GetObjectAt(1), other);
}

TEST_F(ImageVectorTest, CommandsPickTheirLibraryAndItsSection) {
  auto disc = [](int x, int y) { return std::hypot(x + 0.5 - 30, y + 0.5 - 30) <= 22; };
  CImageObject* image = AddImage("disc.bmp", 60, 60, disc);
  // [TRACE] takes every field: corners only. [VECTOR] stays on its defaults.
  g_Profile.WriteInt("TRACE", "Delta", -1);
  g_Profile.WriteFloat("TRACE", "CornerThreshold", 0.0f);
  for (fw::UINT id : {ID_IMAGE_TRACE_CMD, ID_IMAGE_VECTOR_CMD}) {
    SCOPED_TRACE(id);
    view->Tracker()->ClearSelection(nullptr, true);
    view->Tracker()->Select(image);
    Run(id, [](fw::CDialog& d) {
      d.ClickButton(fw::IDOK);
      EXPECT_TRUE(d.IsEnded());
    });
    auto* traced = dynamic_cast<CPathObject*>(doc->GetObjectAt(doc->GetObjectCount() - 2));
    ASSERT_NE(traced, nullptr);
    if (id == ID_IMAGE_TRACE_CMD)
      EXPECT_EQ(CurvePoints(*traced), 0);
    else
      EXPECT_GT(CurvePoints(*traced), 0);
  }
  EXPECT_EQ(doc->GetObjectCount(), 3);
  EXPECT_EQ(Steps(), 2);
}

TEST_F(ImageVectorTest, ImagesThatCannotBeTracedLeaveTheDialogOpen) {
  struct Case {
    const char* what;
    int bits;
    std::function<std::uint32_t(int, int)> index;
    const char* message;
    std::size_t beeps;
  } cases[] = {
      {"one colour", 1, [](int, int) { return 0u; }, "图像含有1种色彩!!", 0},
      {"three colours", 4, [](int x, int) { return std::uint32_t(x % 3); }, "彩色图像色彩不能超过2色", 1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sink.clear();
    CImageObject* image = AddImage("c" + std::to_string(n++) + ".bmp", 12, 12, c.index, c.bits);
    view->Tracker()->ClearSelection(nullptr, true);
    view->Tracker()->Select(image);
    const int before = doc->GetObjectCount();
    Run(ID_IMAGE_VECTOR_CMD, [&](fw::CDialog& d) {
      d.ClickButton(fw::IDOK);
      EXPECT_FALSE(d.IsEnded());
      EXPECT_EQ(d.GetDlgItemText(IDC_VECTOR_MESSAGE), c.message);
      d.ClickButton(fw::IDCANCEL);
    });
    EXPECT_EQ(doc->GetObjectCount(), before);
    EXPECT_EQ(sink.beeps.size(), c.beeps);
    EXPECT_TRUE(sink.boxes.empty());
  }
  EXPECT_EQ(Steps(), 0);
}

// --- Image Vector Set (213, 212) --------------------------------------------------------

TEST_F(ImageVectorTest, VectorSetListsEveryParameterWithItsDefault) {
  std::vector<std::string> lines;
  Run(ID_VECTOR_SET_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Image Vector Set");
    auto* list = d.Item<fw::CListBox>(IDC_PARAM_LIST);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->GetCount(); ++i) lines.push_back(list->GetText(i));
    // Choose a line, change it; a negative value is ignored.
    d.SelectListItem(IDC_PARAM_LIST, 2);
    EXPECT_EQ(d.GetDlgItemText(IDC_PARAM_VALUE), "3");
    d.TypeText(IDC_PARAM_VALUE, "4.5");
    d.ClickButton(IDC_PARAM_MODIFY);
    EXPECT_EQ(list->GetText(2), " 4.50  =CornerSurround");
    EXPECT_EQ(list->GetCurSel(), 2);
    d.SelectListItem(IDC_PARAM_LIST, 0);
    EXPECT_EQ(d.GetDlgItemText(IDC_PARAM_VALUE), "0.50");
    d.TypeText(IDC_PARAM_VALUE, "-2");
    d.ClickButton(IDC_PARAM_MODIFY);
    EXPECT_EQ(list->GetText(0), " 0.50  =AlignThreshold");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[0], " 0.50  =AlignThreshold");
  EXPECT_EQ(lines[1], "   60  =CornerAlwaysThreshold");
  EXPECT_EQ(lines[15], "   30  =ReparameterizeThreshold");
  EXPECT_EQ(lines[19], "    4  =TangentSurround");
  // OK on a fresh profile writes the defaults, not 1.0.
  EXPECT_EQ(g_Profile.GetString("VECTOR", "FilterPercent", ""), "0.3300");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "KeepKnees", ""), "0.0000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "CornerSurround", ""), "4.5000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "Delta", "none"), "none");

  // Initialize writes the defaults at once, even when the dialog is cancelled.
  Run(ID_VECTOR_SET_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_PARAM_LIST)->GetText(2), " 4.50  =CornerSurround");
    d.ClickButton(IDC_PARAM_INITIALIZE);
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_PARAM_LIST)->GetText(2), "    3  =CornerSurround");
    d.ClickButton(fw::IDCANCEL);
  });
  EXPECT_EQ(g_Profile.GetString("VECTOR", "CornerSurround", ""), "3.0000");
}

TEST_F(ImageVectorTest, GraphVectorSetWritesItsSevenUpToAZero) {
  Run(ID_GRAPH_VECTOR_SET_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Image Vector Set");
    EXPECT_EQ(d.GetDlgItemText(IDC_CORNERS), "3");
    EXPECT_EQ(d.GetDlgItemText(IDC_ANGLE_CAPTURE), "100");
    EXPECT_EQ(d.GetDlgItemText(IDC_FITTING_ACC), "0.50");
    EXPECT_EQ(d.GetDlgItemText(IDC_FITTING_TIMES), "3");
    EXPECT_EQ(d.GetDlgItemText(IDC_LINE_RESTORE), "0.01");
    EXPECT_EQ(d.GetDlgItemText(IDC_LINE_FITTING), "0.50");
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_ANGLE), 0u);
    d.TypeText(IDC_CORNERS, "6");
    d.TypeText(IDC_ANGLE_CAPTURE, "120");
    d.TypeText(IDC_FITTING_TIMES, "0");  // stops the writing here
    d.TypeText(IDC_LINE_FITTING, "12");
    d.ClickButton(fw::IDOK);
    EXPECT_TRUE(d.IsEnded());
  });
  EXPECT_EQ(g_Profile.GetString("VECTOR", "CornerSurround", ""), "6.0000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "CornerThreshold", ""), "120.0000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "ErrorThreshold", ""), "0.5000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "FilterIterationCount", "none"), "none");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "LineThreshold", "none"), "none");

  Run(ID_GRAPH_VECTOR_SET_CMD, [&](fw::CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_CORNERS), "6");
    d.ClickButton(IDC_RESTORE);
    EXPECT_EQ(d.GetDlgItemText(IDC_CORNERS), "3");
    d.SetCheckBox(IDC_ANGLE, 1);
    d.ClickButton(fw::IDOK);
  });
  EXPECT_EQ(g_Profile.GetString("VECTOR", "KeepKnees", ""), "1.0000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "SubdivideSearch", ""), "0.1000");
  EXPECT_EQ(g_Profile.GetString("VECTOR", "LineThreshold", ""), "0.5000");
}

TEST_F(ImageVectorTest, MenuOffersTheVectorSettings) {
  fw::CMenu* menu = main->GetMenu();
  ASSERT_NE(menu, nullptr);
  for (fw::UINT id : {ID_IMAGE_VECTOR_CMD, ID_GRAPH_VECTOR_SET_CMD, ID_VECTOR_SET_CMD}) {
    EXPECT_FALSE(menu->GetMenuString(id, fw::MF_BYCOMMAND).empty()) << id;
  }
}

// --- ReSample -----------------------------------------------------------------------------

std::vector<std::uint8_t> EncodeRect(float l, float t, float r, float b) {
  CPathPointList list;
  list.AddPoint(l, t, 0x11);
  list.AddPoint(r, t, 0x01);
  list.AddPoint(r, b, 0x01);
  list.AddPoint(l, b, 0x01);
  list.AddPoint(l, t, 0x41);
  list.EndPoints();
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  codec.Encode(list, &h);
  plat::GlobalBlock owned(h);
  plat::GlobalLockGuard g(h);
  return g ? std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size()) : std::vector<std::uint8_t>();
}

TEST_F(ImageVectorTest, ResampleOfAnOwnFontFileWritesTracedGlyphs) {
  const std::string mount = Path("mount"), out = Path("out");
  std::filesystem::create_directories(mount);
  std::filesystem::create_directories(out);
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA2);
  std::strcpy(h.cName, "Src");
  std::strcpy(h.eName, "Source");
  const std::string source = mount + "/SRC.CFT";
  ASSERT_TRUE(CCftFont::CreateFile(source, h));
  const auto a = EncodeRect(100, 100, 900, 700);
  ASSERT_EQ(CCftFont::WriteGlyph(source, h, 0xB0, 0xA1, a.data(), a.size()), 1);
  ASSERT_EQ(CCftFont::WriteGlyph(source, h, 0xB0, 0xA2, nullptr, 0), 1);
  std::ofstream(Path("LANG.INI")) << "[LANGUAGE0]\nID=0\nNAME=EN\n[LANGUAGE1]\nID=134\nNAME=GB\nMounts=1\n"
                                     "MountName0=Own\nMountPath0=" << mount << "\n";
  ScopedLanguages languages(Path("LANG.INI"));

  fw::ScriptedModalDriver driver;
  driver.Then([&](fw::CDialog& d) {
    auto* combo = d.Item<fw::CComboBox>(IDC_CFT_SOURCES);
    ASSERT_NE(combo, nullptr);
    int own = -1;
    for (int i = 0; i < combo->GetCount(); ++i)
      if (combo->GetLBText(i).rfind("GBOwnFonts", 0) == 0) own = i;
    ASSERT_GE(own, 0);
    d.SelectComboItem(IDC_CFT_SOURCES, own);
    d.TypeText(IDC_CFT_PATH, out);
    d.TypeText(IDC_CFT_BQH, "176");
    d.TypeText(IDC_CFT_EQH, "176");
    d.TypeText(IDC_CFT_BWH, "161");
    d.TypeText(IDC_CFT_EWH, "162");
    d.ClickButton(IDC_CFT_RESAMPLE);
    d.ClickButton(fw::IDCANCEL);
  });
  main->SendMessage(fw::WM_COMMAND, ID_NEW_WINFONTS_CMD, 0);
  ASSERT_EQ(driver.Runs().size(), 1u);
  for (const auto& box : sink.boxes) EXPECT_EQ(box.caption, "Resample") << box.text;

  std::ifstream in(out + "/SRC.CFT", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(bytes.size(), 152u);
  auto entry = [&](std::size_t i) { return plat::GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 144 + 4 * i); };
  EXPECT_EQ(entry(1), 0xFFFFFFFFu);  // no glyph in the source
  ASSERT_NE(entry(0), 0xFFFFFFFFu);
  ASSERT_NE(entry(0), 0u);
  const std::uint32_t at = CCftFont::Scramble(entry(0), 0);
  ASSERT_LT(std::size_t(at) + 4, bytes.size());
  const std::uint32_t size = plat::GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
  ASSERT_LE(std::size_t(at) + size, bytes.size());
  COutlineCodec codec;
  auto glyph = codec.DecodeData(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at + 4, size - 4, nullptr, 6.0f);
  ASSERT_TRUE(glyph);
  ASSERT_TRUE(glyph->hasBounds);
  // The traced square, within a pixel of the source.
  EXPECT_NEAR(glyph->bounds.left, 100, 1.5f);
  EXPECT_NEAR(glyph->bounds.top, 100, 1.5f);
  EXPECT_NEAR(glyph->bounds.right, 900, 1.5f);
  EXPECT_NEAR(glyph->bounds.bottom, 700, 1.5f);
}

}  // namespace
