// Printing through a real print server: scripts/with-cupsd.sh starts a
// private one with the queue "TindrelTest" writing its jobs to
// $TINDREL_CUPS_DIR/out/job.pdf. Without it the tests skip.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>

#include "app/document.h"
#include "app/printoutdlg.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "model/settings.h"

using namespace apptest;
using namespace printout;

namespace {

std::string CupsDir() {
  const char* d = std::getenv("TINDREL_CUPS_DIR");
  return d ? d : "";
}
std::string JobFile() { return CupsDir() + "/out/job.pdf"; }

int CompletedJobs() {
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "TindrelTest", 0, CUPS_WHICHJOBS_COMPLETED);
  cupsFreeJobs(n, jobs);
  return n;
}
int ActiveJobs() {
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "TindrelTest", 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(n, jobs);
  return n;
}

// Waits (at most 60 s) for the queue to finish; the job's PDF or "".
std::string WaitForJob(int completedBefore) {
  for (int i = 0; i < 600; ++i) {
    if (ActiveJobs() == 0 && CompletedJobs() > completedBefore && std::filesystem::exists(JobFile())) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::vector<std::uint8_t> b = ReadBytes(JobFile());
  return std::string(b.begin(), b.end());
}

std::size_t PdfPages(const std::string& pdf) {
  static const std::regex page("/Type\\s*/Page[^s]");
  return std::size_t(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

class PrintTest : public StartedDocumentTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    if (CupsDir().empty()) GTEST_SKIP() << "no private print server: run through scripts/with-cupsd.sh";
    cupsSetServer(nullptr);
    ASSERT_NO_FATAL_FAILURE(StartDocument());
    doc->GetPageInfo().m_pageWidth = 400;
    doc->GetPageInfo().m_pageHeight = 900;
    std::filesystem::remove(JobFile());
  }
  // Opens the Print Out dialog through the command; `step` acts in it.
  // `setup` answers the printer set-up dialog when the step opens it.
  void Print(std::function<void(CPrintOutDlg&)> step, fw::ScriptedModalDriver::Step setup = nullptr) {
    driver.Then([step](fw::CDialog& dlg) {
      auto* out = dynamic_cast<CPrintOutDlg*>(&dlg);
      ASSERT_NE(out, nullptr);
      ASSERT_EQ(dlg.GetTemplateId(), IDD_PRINT_OUT);
      step(*out);
    });
    if (setup) driver.Then(setup);
    view->SendMessage(fw::WM_COMMAND, fw::ID_FILE_PRINT, 0);
    EXPECT_EQ(driver.Pending(), 0u);
  }
  void AddRect(float l, float t, float r, float b, std::uint32_t packed, bool filled) {
    auto p = MakeRectPath(l, t, r, b);
    p->color = packed;
    if (filled) p->flags |= OBJF_FILLED;
    doc->AddObject(p.release(), false);
  }
  // The user types into an edit that has the focus.
  static void Type(fw::CDialog& d, fw::UINT id, const std::string& text) {
    d.GotoDlgCtrl(d.GetDlgItem(id));
    EXPECT_TRUE(d.TypeText(id, text));
  }
};

}  // namespace

TEST(PrintPaper, SizesAndRatios) {
  struct Case {
    int code, length, width;
  } papers[] = {{1, 279, 215}, {8, 420, 297}, {9, 297, 210}, {11, 210, 148}, {10, 297, 210}, {24, 297, 210},
                {26, 297, 210}, {256, 297, 210}, {257, 0, 0}, {0, 0, 0}, {200, 0, 0}, {-1, 0, 0}};
  for (const Case& c : papers) {
    int l = -1, w = -1;
    PaperSizeOf(c.code, &l, &w);
    EXPECT_EQ(l, c.length) << c.code;
    EXPECT_EQ(w, c.width) << c.code;
  }
  const float inf = INFINITY;
  struct Fit {
    float aw, ah, w, h, ratio;
  } fits[] = {
      {210, 297, 400, 900, 0.33f},  {210, 297, 100, 0, 2.1f},    {210, 297, 0, 100, 2.97f},
      {210, 297, 0, 0, 0.01f},      {210, 297, 1e9f, 1e9f, 0.01f}, {-20, 297, 400, 900, 0.01f},
      {210, 297, NAN, 100, 2.97f},  {210, 297, inf, 100, 2.97f},
  };
  for (const Fit& f : fits) EXPECT_NEAR(FitRatio(f.aw, f.ah, f.w, f.h), f.ratio, 1e-6) << f.w << " " << f.h;
}

TEST_F(PrintTest, TheDialogStartsFromPrintInfoAndFitsTheA4Page) {
  Print([](CPrintOutDlg& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_DEVICE), "TindrelTest");
    EXPECT_TRUE(d.GetDlgItem(fw::IDOK)->IsWindowEnabled());
    EXPECT_EQ(d.GetDlgItemText(IDC_PAPER_X), "210");
    EXPECT_EQ(d.GetDlgItemText(IDC_PAPER_Y), "297");
    EXPECT_FALSE(d.GetDlgItem(IDC_PAPER_X)->IsWindowEnabled());
    EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "400");
    EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_Y), "900");
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_BY_PAGE, IDC_USER_DEFINE), IDC_BY_PAGE);
    EXPECT_FALSE(d.GetDlgItem(IDC_RATIO)->IsWindowEnabled());
    EXPECT_EQ(d.GetDlgItemText(IDC_RATIO), "0.32");  // 0.33 less 0.01
    EXPECT_EQ(d.GetDlgItemText(IDC_ZOOM_PAGE_X), "128");
    EXPECT_EQ(d.GetDlgItemText(IDC_ZOOM_PAGE_Y), "288");
    EXPECT_EQ(d.GetDlgItemText(IDC_COPIES), "1");
    // A margin set by the program leaves the ratio; typed by the user it counts.
    d.SetDlgItemText(IDC_SPACE_TOP, "97");
    EXPECT_EQ(d.GetDlgItemText(IDC_RATIO), "0.32");
    Type(d, IDC_SPACE_BOTTOM, "1");
    EXPECT_EQ(d.GetDlgItemText(IDC_RATIO), "0.21");  // 199 / 900 = 0.221
    d.ClickButton(fw::IDCANCEL);
  });
  // Cancel prints nothing and keeps "PrintInfo".
  EXPECT_EQ(g_Profile.GetInt("PrintInfo", "SpaceTop", -1), -1);
  EXPECT_FALSE(std::filesystem::exists(JobFile()));

  g_Profile.WriteInt("PrintInfo", "SpaceLeft", 10);
  g_Profile.WriteInt("PrintInfo", "Copies", 2);
  g_Profile.WriteInt("PrintInfo", "PrintRotate90", 1);
  g_Profile.WriteInt("PrintInfo", "ZoomType", 2);
  g_Profile.WriteString("PrintInfo", "PrintRatio", "0.25");
  Print([](CPrintOutDlg& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_SPACE_LEFT), "10");
    EXPECT_EQ(d.GetDlgItemText(IDC_COPIES), "2");
    EXPECT_TRUE(d.IsDlgButtonChecked(IDC_ROTATE90));
    EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_X), "900");
    EXPECT_EQ(d.GetDlgItemText(IDC_ORIGIN_Y), "400");
    EXPECT_EQ(d.GetCheckedRadioButton(IDC_BY_PAGE, IDC_USER_DEFINE), IDC_USER_DEFINE);
    EXPECT_TRUE(d.GetDlgItem(IDC_RATIO)->IsWindowEnabled());
    EXPECT_EQ(d.GetDlgItemText(IDC_RATIO), "0.25");
    EXPECT_EQ(d.GetDlgItemText(IDC_ZOOM_PAGE_X), "225");
    d.ClickButton(fw::IDCANCEL);
  });
}

TEST_F(PrintTest, ZoomChoicesAndRatiosThatWouldBeZero) {
  struct Case {
    const char* name;
    std::function<void()> design;
    std::function<void(CPrintOutDlg&)> act;
    const char* shown;   // the ratio edit
    float used;          // the ratio printed with
  } cases[] = {
      {"rotate90", [] {}, [](CPrintOutDlg& d) { d.SetCheckBox(IDC_ROTATE90, 1); }, "0.22", 0.22f},
      {"by graph", [this] { AddRect(0, 0, 100, 50, 0, false); },
       [](CPrintOutDlg& d) { d.ClickButton(IDC_BY_GRAPH); }, "2.09", 2.09f},
      {"by graph, no objects", [] {}, [](CPrintOutDlg& d) { d.ClickButton(IDC_BY_GRAPH); }, "0.32", 0.32f},
      {"by graph, a flat design", [this] { AddRect(0, 10, 100, 10, 0, false); },
       [](CPrintOutDlg& d) { d.ClickButton(IDC_BY_GRAPH); }, "2.09", 2.09f},
      {"by graph, a point", [this] { AddRect(5, 5, 5, 5, 0, false); },
       [](CPrintOutDlg& d) { d.ClickButton(IDC_BY_GRAPH); }, "0.32", 0.32f},
      {"user define", [] {},
       [](CPrintOutDlg& d) {
         d.ClickButton(IDC_USER_DEFINE);
         Type(d, IDC_RATIO, "1.5");
         EXPECT_EQ(d.GetDlgItemText(IDC_ZOOM_PAGE_X), "600");
         EXPECT_EQ(d.GetDlgItemText(IDC_ZOOM_PAGE_Y), "1350");
       },
       "1.5", 1.5f},
      {"typed zero", [] {}, [](CPrintOutDlg& d) { d.ClickButton(IDC_USER_DEFINE), Type(d, IDC_RATIO, "0"); }, "0",
       0.01f},
      {"empty", [] {}, [](CPrintOutDlg& d) { d.ClickButton(IDC_USER_DEFINE), Type(d, IDC_RATIO, ""); }, "", 0.01f},
      {"not a number", [] {}, [](CPrintOutDlg& d) { d.ClickButton(IDC_USER_DEFINE), Type(d, IDC_RATIO, "abc"); },
       "abc", 0.01f},
      {"margins over the paper", [] {},
       [](CPrintOutDlg& d) { Type(d, IDC_SPACE_LEFT, "300"); }, "0.00", 0.01f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    while (doc->GetObjectCount() > 0) {
      CGraphObject* o = doc->GetObjectAt(0);
      doc->RemoveObjects({o});
      delete o;
    }
    g_Profile.WriteInt("PrintInfo", "ZoomType", 0);
    g_Profile.WriteInt("PrintInfo", "SpaceLeft", 0);
    g_Profile.WriteInt("PrintInfo", "PrintRotate90", 0);
    c.design();
    float used = -1;
    const int before = CompletedJobs();
    Print([&](CPrintOutDlg& d) {
      c.act(d);
      EXPECT_EQ(d.GetDlgItemText(IDC_RATIO), c.shown);
      EXPECT_TRUE(d.ClickButton(fw::IDOK));
      used = d.m_ratio;
      const CMatrix3 m = d.BuildMatrix();
      EXPECT_TRUE(std::isfinite(m.m00) && std::isfinite(m.m11) && std::isfinite(m.m01) && std::isfinite(m.m10));
    });
    EXPECT_NEAR(used, c.used, 1e-5);
    EXPECT_EQ(PdfPages(WaitForJob(before)), 1u);
    EXPECT_TRUE(sink.boxes.empty());
  }
  // What the dialog was left with is kept.
  EXPECT_EQ(g_Profile.GetInt("PrintInfo", "SpaceLeft", -1), 300);
  EXPECT_EQ(g_Profile.GetInt("PrintInfo", "ZoomType", -1), 0);
}

TEST_F(PrintTest, ThreeCopiesAreOneJobOfThreeA4Pages) {
  AddRect(10, 10, 390, 890, MakePackedRGB(0, 0, 0), false);
  const int before = CompletedJobs();
  Print([](CPrintOutDlg& d) {
    Type(d, IDC_COPIES, "3");
    d.SetCheckBox(IDC_BORDER, 1);
    EXPECT_TRUE(d.ClickButton(fw::IDOK));
  });
  const std::string pdf = WaitForJob(before);
  EXPECT_EQ(CompletedJobs(), before + 1);
  EXPECT_EQ(PdfPages(pdf), 3u);
  static const std::regex a4("/MediaBox \\[ ?0 0 595\\.[0-9]+ 841\\.[0-9]+ ?\\]");
  EXPECT_TRUE(std::regex_search(pdf, a4));
  EXPECT_EQ(g_Profile.GetInt("PrintInfo", "Copies", 0), 3);
  EXPECT_EQ(g_Profile.GetInt("PrintInfo", "PrintBoard", 0), 1);
}

// On paper the first object is on top; a later print shows its own objects
// only (the page raster kept from the one before is white again).
TEST_F(PrintTest, TheFirstObjectIsOnTopOnPaper) {
  if (std::system("command -v gs >/dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript is missing";
  // Prints and renders the job; the colour of a page point (mm), -1 outside.
  auto print = [&] {
    const int before = CompletedJobs();
    Print([](CPrintOutDlg& d) { EXPECT_TRUE(d.ClickButton(fw::IDOK)); });
    EXPECT_GT(WaitForJob(before).size(), 0u);
    const std::string ppm = Path("page.ppm");
    const std::string cmd = "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=ppmraw -r18 -sOutputFile='" + ppm + "' '" +
                            JobFile() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    const std::vector<std::uint8_t> img = ReadBytes(ppm);
    // "P6", comment lines, width, height, maximum, one white-space byte, pixels.
    std::string head(img.begin(), img.begin() + std::min<std::size_t>(img.size(), 200));
    head = std::regex_replace(head, std::regex("#[^\n]*\n"), "");
    int w = 0, h = 0, max = 0, used = 0;
    EXPECT_EQ(std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used), 3);
    const std::size_t comments = std::min<std::size_t>(img.size(), 200) - head.size();
    const std::size_t data = comments + std::size_t(used) + 1;
    // Page mm at the ratio 0.32 to pixels at 18 dpi.
    return [img, w, data](float xmm, float ymm) {
      const int x = int(xmm * 0.32f / 25.4f * 18), y = int(ymm * 0.32f / 25.4f * 18);
      const std::size_t at = data + (std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3;
      return at + 2 < img.size() ? (img[at] << 16) | (img[at + 1] << 8) | img[at + 2] : -1;
    };
  };
  AddRect(0, 0, 300, 600, MakePackedRGB(255, 0, 0), true);    // index 0
  AddRect(100, 300, 400, 900, MakePackedRGB(0, 0, 255), true);  // index 1, under it
  auto first = print();
  EXPECT_EQ(first(200, 450), 0xFF0000);  // the overlap
  EXPECT_EQ(first(350, 800), 0x0000FF);
  EXPECT_EQ(first(50, 800), 0xFFFFFF);

  while (doc->GetObjectCount() > 0) delete doc->RemoveObjectAt(0);
  AddRect(250, 50, 380, 150, MakePackedRGB(0, 160, 0), true);
  auto second = print();
  EXPECT_EQ(second(300, 100), 0x00A000);
  for (const auto& at : {std::pair{200.0f, 450.0f}, {350.0f, 800.0f}, {50.0f, 50.0f}, {50.0f, 800.0f}})
    EXPECT_EQ(second(at.first, at.second), 0xFFFFFF) << at.first << " " << at.second;
}

TEST_F(PrintTest, FailuresAreReported) {
  // A queue that refuses jobs.
  ASSERT_EQ(std::system("cupsreject TindrelTest"), 0);
  Print([](CPrintOutDlg& d) { EXPECT_TRUE(d.ClickButton(fw::IDOK)); });
  std::system("cupsaccept TindrelTest");
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text.rfind("打印失败!\n", 0), 0u) << sink.boxes[0].text;
  EXPECT_GT(sink.boxes[0].text.size(), std::string("打印失败!\n").size());
  EXPECT_EQ(sink.boxes[0].caption, "错误");

  // A paper the printer context cannot be made for, picked in the printer set-up.
  sink.clear();
  Print(
      [](CPrintOutDlg& d) {
        EXPECT_TRUE(d.ClickButton(IDC_PRINTER_SETTING));
        EXPECT_EQ(d.GetDlgItemText(IDC_PAPER_X), "0");
        EXPECT_TRUE(d.ClickButton(fw::IDOK));
      },
      [](fw::CDialog& dlg) {
        auto* setup = dynamic_cast<fw::CPrintDialog*>(&dlg);
        ASSERT_NE(setup, nullptr);
        EXPECT_TRUE(setup->IsSetupOnly());
        EXPECT_EQ(setup->m_devNames.device, "TindrelTest");
        setup->Choose("TindrelTest", 1, false, 300);
      });
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, kNoPrinterDC);

  // Landscape A3 from the set-up: the paper fields follow.
  Print(
      [](CPrintOutDlg& d) {
        EXPECT_TRUE(d.ClickButton(IDC_PRINTER_SETTING));
        EXPECT_EQ(d.GetDlgItemText(IDC_PAPER_X), "420");
        EXPECT_EQ(d.GetDlgItemText(IDC_PAPER_Y), "297");
        d.ClickButton(fw::IDCANCEL);
      },
      [](fw::CDialog& dlg) { static_cast<fw::CPrintDialog&>(dlg).Choose("TindrelTest", 1, true, 8); });
}

TEST_F(PrintTest, NoDestinationDisablesPrint) {
  const std::string saved = std::getenv("CUPS_SERVER") ? std::getenv("CUPS_SERVER") : "";
  ::setenv("CUPS_SERVER", (CupsDir() + "/no-such.sock").c_str(), 1);
  cupsSetServer(nullptr);
  Print([](CPrintOutDlg& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_DEVICE), "");
    EXPECT_FALSE(d.GetDlgItem(fw::IDOK)->IsWindowEnabled());
    EXPECT_FALSE(d.ClickButton(fw::IDOK));
    d.ClickButton(fw::IDCANCEL);
  });
  ::setenv("CUPS_SERVER", saved.c_str(), 1);
  cupsSetServer(nullptr);
  EXPECT_TRUE(sink.boxes.empty());
}
