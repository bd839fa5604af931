#include "app/vectorexport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/document.h"
#include "app/importcmd.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "text/boxarray.h"
#include "text/texteditordlg.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

constexpr fw::UINT kExport = 40020;

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

std::string Golden(const std::string& name) { return ReadText(std::string(TINDREL_TEST_DATA) + "/" + name); }
#define EXPECT_GOLDEN(text, name) do { if (std::getenv("TINDREL_WRITE_GOLDEN")) { std::ofstream o(std::string(TINDREL_TEST_DATA) + "/" + name, std::ios::binary); o << text; } EXPECT_EQ(text, Golden(name)); } while (0)

// A path from nodes and Bezier pieces: "M x y", "L x y", "C x1 y1 x2 y2 x y",
// "Z" closes, "E" ends open.
std::unique_ptr<CPathObject> MakePath(const std::string& nodes) {
  auto p = std::make_unique<CPathObject>();
  std::istringstream in(nodes);
  std::string op;
  std::vector<PathPoint> pts;
  while (in >> op) {
    float x, y, x1, y1, x2, y2;
    if (op == "M") {
      in >> x >> y;
      pts.push_back({x, y, std::uint8_t(PP_START | PP_NODE)});
    } else if (op == "L") {
      in >> x >> y;
      pts.push_back({x, y, PP_NODE});
    } else if (op == "C") {
      in >> x1 >> y1 >> x2 >> y2 >> x >> y;
      pts.push_back({x1, y1, 0});
      pts.push_back({x2, y2, 0});
      pts.push_back({x, y, PP_NODE});
    } else if (op == "Z") {
      pts.back().flags |= PP_CLOSEEND;
    } else if (op == "E") {
      pts.back().flags |= PP_OPENEND;
    }
  }
  for (const PathPoint& pt : pts) p->AddPoint(pt);
  p->EndPoints();
  return p;
}

// The x, y pairs of every "PU"/"PD" of an HPGL file, in plotter units.
std::vector<std::pair<long, long>> HpglPoints(const std::string& plt, std::string ops = "PUPD") {
  std::vector<std::pair<long, long>> out;
  static const std::regex move("(P[UD])(-?\\d+),(-?\\d+);");
  for (auto it = std::sregex_iterator(plt.begin(), plt.end(), move); it != std::sregex_iterator(); ++it)
    if (ops.find((*it)[1].str()) != std::string::npos) out.push_back({std::stol((*it)[2]), std::stol((*it)[3])});
  return out;
}

std::size_t Count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

bool HaveProgram(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

class ExportTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    main = StartApp();
    ASSERT_NE(main, nullptr);
    fw::PumpPendingMessages();
    doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
    view = main->GetActiveView();
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(view, nullptr);
  }
  // The export dialog chooses `path` with a filter (empty path: Cancel), then
  // the command runs.
  void Export(const std::string& path, int filterIndex = 1) {
    driver.Then([this, path, filterIndex](fw::CDialog& dlg) {
      auto* file = dynamic_cast<fw::CFileDialog*>(&dlg);
      ASSERT_NE(file, nullptr);
      title = file->m_title;
      initialDir = file->m_initialDir;
      filters = file->Filters().size();
      open = file->IsOpenDialog();
      flags = file->m_flags;
      if (path.empty())
        dlg.EndDialog(fw::IDCANCEL);
      else
        file->Choose(path, filterIndex);
    });
    view->SendMessage(fw::WM_COMMAND, kExport, 0);
    EXPECT_EQ(driver.Pending(), 0u);
  }
  CTextObject* AddText(const std::string& utf8) {
    auto* t = new CTextObject(0, 0, 0, 100, 30);
    auto chars = TextToBoxArray(plat::Utf8ToGbk(utf8).c_str());
    t->chars.InsertArrayAt(0, *chars);
    doc->AddObject(t, false);
    return t;
  }
  void Add(std::unique_ptr<CGraphObject> o) { doc->AddObject(o.release(), false); }

  CMDIMainFrame* main = nullptr;
  CVORLAN98Doc* doc = nullptr;
  fw::CView* view = nullptr;
  fw::ScriptedModalDriver driver;
  std::string title, initialDir;
  std::size_t filters = 0;
  bool open = true;
  fw::DWORD flags = 0;
};

// Two outlines: a 10 mm square and a flat quarter circle (its control points
// within 5 degrees of the chord), then a deep S curve.
void AddSampleOutlines(CVORLAN98Doc* doc) {
  doc->GetPageInfo().m_pageHeight = 60;
  doc->AddObject(MakePath("M 10 10 L 20 10 L 20 20 L 10 20 Z").release(), false);
  doc->AddObject(MakePath("M 30 10 C 31 10.05 32 10.05 33 10 E").release(), false);
  doc->AddObject(MakePath("M 40 10 C 60 60 20 60 45 12.5 E").release(), false);
}

}  // namespace

TEST_F(ExportTest, TextsAndTheEditorsTextAsGbk) {
  AddText("中文招牌");
  AddText("Sign 2");
  main->SendMessage(fw::WM_COMMAND, appid::ID_TEXT_EDITOR, 0);
  CTextEditorDlg& editor = main->GetTextEditor();
  ASSERT_TRUE(editor.Exists());
  ASSERT_TRUE(editor.IsWindowVisible());
  editor.SetDlgItemText(appid::IDC_TEXT_EDITOR_EDIT, "编辑器\r\nline 2");
  g_Profile.WriteString("SystemParam", "FilePath", Path("start").c_str());
  Export(Path("texts.TXT"));
  EXPECT_EQ(title, "Export");
  EXPECT_FALSE(open);
  EXPECT_EQ(filters, 3u);
  EXPECT_TRUE(flags & fw::OFN_OVERWRITEPROMPT);
  EXPECT_TRUE(flags & fw::OFN_HIDEREADONLY);
  EXPECT_EQ(initialDir, Path("start"));
  EXPECT_GOLDEN(ReadText(Path("texts.TXT")), "export_texts.txt");
  // A hidden editor adds nothing.
  main->SendMessage(fw::WM_COMMAND, appid::ID_TEXT_EDITOR, 0);
  ASSERT_FALSE(editor.IsWindowVisible());
  Export(Path("plain.txt"));
  EXPECT_EQ(ReadText(Path("plain.txt")), plat::Utf8ToGbk("中文招牌\r\nSign 2\r\n"));
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ExportTest, HpglOfSquaresCurvesAndTwoObjects) {
  AddSampleOutlines(doc);
  Export(Path("out.plt"), 2);
  const std::string plt = ReadText(Path("out.plt"));
  EXPECT_GOLDEN(plt, "export_outlines.plt");
  // One header, one closing line after all objects.
  EXPECT_EQ(plt.rfind("IN;\r\nPA;\r\nSP1;\r\n", 0), 0u);
  EXPECT_EQ(Count(plt, "IN;"), 1u);
  EXPECT_EQ(Count(plt, "PU"), 3u);
  EXPECT_EQ(plt.substr(plt.size() - 5), ";\r\n\r\n");
  // The square's corners, closed back to its start, in multiples of 400.
  const auto pts = HpglPoints(plt);
  ASSERT_GE(pts.size(), 7u);
  const std::vector<std::pair<long, long>> square = {{400, 400}, {800, 400}, {800, 800}, {400, 800}, {400, 400}};
  const std::vector<std::pair<long, long>> first(pts.begin(), pts.begin() + 5);
  EXPECT_EQ(first, square);
  // The flat quarter circle is one stroke to its end.
  EXPECT_EQ(pts[5], (std::pair<long, long>{1200, 400}));
  EXPECT_EQ(pts[6], (std::pair<long, long>{1320, 400}));
  EXPECT_EQ(pts[7], (std::pair<long, long>{1600, 400}));  // the next object's start
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(HpglBezier, SplitsAtMostElevenLevelsAndSkipsPoints) {
  // A start tangent that never straightens (first control on the start):
  // the left halves split down to the last level.
  const CFPoint hook[4] = {{0, 0}, {0, 0}, {100, 100}, {0, 100}};
  std::string out;
  CPathPointList::WriteHpglBezier(out, hook, 0);
  const std::size_t n = Count(out, "PD");
  EXPECT_GT(n, 11u);
  EXPECT_LE(n, 2048u);
  EXPECT_EQ(out.substr(out.size() - 10), std::string("PD0,100;\r\n"));
  // Four equal points write nothing; a nearly straight segment one stroke.
  out.clear();
  const CFPoint dot[4] = {{5, 5}, {5, 5}, {5, 5}, {5, 5}};
  CPathPointList::WriteHpglBezier(out, dot, 0);
  EXPECT_EQ(out, "");
  const CFPoint flat[4] = {{0, 0}, {1000, 10}, {2000, 10}, {3000, 0}};
  CPathPointList::WriteHpglBezier(out, flat, 0);
  EXPECT_EQ(out, "PD3000,0;\r\n");
}

TEST(HpglBezier, HugeCoordinatesSaturateAndNonFinitePointsAreSkipped) {
  CPathPointList list;
  const float inf = INFINITY;
  list.AddPoint(4294967296.0f, -4294967296.0f, PP_START | PP_NODE);
  list.AddPoint(NAN, 5, PP_NODE);
  list.AddPoint(-2.9f, 7.9f, PP_NODE);
  list.AddPoint(inf, 0, PP_NODE | PP_OPENEND);
  list.EndPoints();
  std::string plt, eps;
  list.WriteHpgl(plt);
  list.WriteEps(eps);
  EXPECT_EQ(plt, "PU2147483647,-2147483648;\r\nPD-2,7;\r\n");
  EXPECT_EQ(eps, "u\r\n4294967296.000 -4294967296.000 m\r\n-2.900 7.900 l\r\nU\r\n");
}

TEST_F(ExportTest, EpsOfTheOutlinesInPointsFromTheBottomEdge) {
  AddSampleOutlines(doc);
  Export(Path("out.Eps"), 1);
  const std::string eps = ReadText(Path("out.Eps"));
  EXPECT_GOLDEN(eps, "export_outlines.eps");
  // The square's first corner (10, 10) mm on a page of its height.
  const float h = doc->GetPageHeight();
  char corner[64];
  std::snprintf(corner, sizeof corner, "\r\n%.3f %.3f m\r\n", 10 * 72 / 25.4, (h - 10) * 72 / 25.4);
  EXPECT_NE(eps.find(corner), std::string::npos);
}

TEST_F(ExportTest, EmptyDesignCancelExtensionsAndTheFolder) {
  g_Profile.WriteString("SystemParam", "FilePath", "/kept/folder");
  // Cancel writes nothing and keeps the folder.
  Export("");
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FilePath", ""), "/kept/folder");
  // An empty design writes no PLT (and no text), but OK keeps the folder.
  std::filesystem::create_directories(Path("sub"));
  Export(Path("sub/empty.plt"), 2);
  Export(Path("sub/empty.txt"), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("sub/empty.plt")));
  EXPECT_FALSE(std::filesystem::exists(Path("sub/empty.txt")));
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FilePath", ""), Path("sub"));
  // The extension decides in any case; without one the filter's is added;
  // an unknown one writes nothing.
  Add(apptest::MakeRectPath(0, 0, 10, 10));
  struct Case {
    const char* chosen;
    int filter;
    const char* written;
    const char* start;
  } cases[] = {
      {"a.pLt", 1, "a.pLt", "IN;"},   {"b.EPS", 2, "b.EPS", "%!PS"}, {"c", 2, "c.PLT", "IN;"},
      {"d", 3, "d.EPS", "%!PS"},      {"e.xyz", 2, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    Export(Path(c.chosen), c.filter);
    if (!c.written) {
      EXPECT_FALSE(std::filesystem::exists(Path(c.chosen))) << c.chosen;
      continue;
    }
    EXPECT_EQ(ReadText(Path(c.written)).rfind(c.start, 0), 0u) << c.chosen;
  }
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  Add(apptest::MakeRectPath(0, 0, 10, 10));
  WriteBytes(Path("old.plt"), {'o', 'l', 'd'});
  for (int fault = 0; fault < 3; ++fault) {
    TestDocWriteFaults() = {};
    if (fault == 0) TestDocWriteFaults().create = true;
    if (fault == 1) TestDocWriteFaults().writeNumber = 1;
    if (fault == 2) TestDocWriteFaults().rename = true;
    sink.clear();
    Export(Path("old.plt"), 2);
    ASSERT_EQ(sink.boxes.size(), 1u) << fault;
    EXPECT_EQ(sink.boxes[0].text, "文件:[" + Path("old.plt") + "]写入失败!");
    EXPECT_EQ(sink.boxes[0].caption, "错误");
    EXPECT_EQ(ReadText(Path("old.plt")), "old");
  }
  TestDocWriteFaults() = {};
  // A folder that does not exist.
  sink.clear();
  Export(Path("no/such/dir/x.eps"), 3);
  ASSERT_EQ(sink.boxes.size(), 1u);
  // No temporary file is left behind.
  for (const auto& e : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".old.plt"), std::string::npos) << e.path();
}

// The peers read what we write: our import plug-in, hp2xx and ghostscript.
TEST_F(ExportTest, PeersReadTheFiles) {
  AddSampleOutlines(doc);
  Export(Path("peer.plt"), 2);
  Export(Path("peer.eps"), 3);
  const std::string plt = ReadText(Path("peer.plt"));
  const auto written = HpglPoints(plt);
  ASSERT_FALSE(written.empty());

  // Our plug-in: the same points to one plotter unit.
  CImportDll plugin;
  ASSERT_NE(plugin.Load(), nullptr);
  ASSERT_NE(plugin.dllFilterRead, nullptr);
  plat::HGLOBAL block = plugin.dllFilterRead(Path("peer.plt").c_str(), 0);
  ASSERT_NE(block, 0u);
  std::unique_ptr<CSegArray> read = CSegArray::UnpackFromGlobal(block);
  plat::GlobalFree(block);
  ASSERT_TRUE(read);
  std::vector<CFPoint> nodes;
  for (CGraphObject* o : read->Objects()) {
    std::unique_ptr<CPathPointList> outline(o->MakeOutline(nullptr, 0));
    if (!outline) continue;
    pathrec::Records r(outline->points);
    for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i)
      if (pathrec::IsNode(r.p[i].flags)) nodes.push_back({r.p[i].x, r.p[i].y});
  }
  auto near = [](const std::vector<CFPoint>& in, float x, float y) {
    for (const CFPoint& p : in)
      if (std::fabs(p.x - x) <= 0.025f + 1e-4f && std::fabs(p.y - y) <= 0.025f + 1e-4f) return true;
    return false;
  };
  std::vector<CFPoint> ours;
  for (auto [x, y] : written) ours.push_back({x / 40.0f, y / 40.0f});
  for (const CFPoint& p : ours) EXPECT_TRUE(near(nodes, p.x, p.y)) << p.x << "," << p.y;
  for (const CFPoint& p : nodes) EXPECT_TRUE(near(ours, p.x, p.y)) << p.x << "," << p.y;

  if (!HaveProgram("hp2xx")) {
    std::printf("hp2xx is missing: its check is skipped\n");
  } else {
    long x0 = written[0].first, x1 = x0, y0 = written[0].second, y1 = y0;
    for (auto [x, y] : written) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    const std::string report = RunCommand("hp2xx -m hpgl -f /dev/null '" + Path("peer.plt") + "' 2>&1");
    std::smatch m;
    static const std::regex range("Coordinate range: \\(([-\\d.]+), ([-\\d.]+)\\) \\.\\.\\. \\(([-\\d.]+), ([-\\d.]+)\\)");
    ASSERT_TRUE(std::regex_search(report, m, range)) << report;
    EXPECT_NEAR(std::stod(m[1]), x0, 0.5);
    EXPECT_NEAR(std::stod(m[2]), y0, 0.5);
    EXPECT_NEAR(std::stod(m[3]), x1, 0.5);
    EXPECT_NEAR(std::stod(m[4]), y1, 0.5);
  }

  if (!HaveProgram("gs")) {
    std::printf("ghostscript is missing: its check is skipped\n");
  } else {
    const std::string eps = ReadText(Path("peer.eps"));
    std::smatch m;
    static const std::regex box("%%BoundingBox: ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ");
    ASSERT_TRUE(std::regex_search(eps, m, box));
    const std::string report = RunCommand(
        "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=bbox -c \"/u{}def /U{}def /K{pop pop pop pop}def /w{setlinewidth}def "
        "/m{moveto}def /l{lineto}def /c{curveto}def /S{stroke}def /s{closepath stroke}def\" -f '" +
        Path("peer.eps") + "' -c showpage 2>&1");
    std::smatch g;
    static const std::regex hires("%%HiResBoundingBox: ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+)");
    ASSERT_TRUE(std::regex_search(report, g, hires)) << report;
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(std::stod(g[i]), std::stod(m[i]), 0.5) << i << "\n" << report;
  }
}
