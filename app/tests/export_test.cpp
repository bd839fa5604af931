#include "app/vectorexport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <regex>
#include <set>
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

class ExportTest : public StartedDocumentTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(StartDocument());
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
  // The square's corners, closed back to its start, in multiples of 400; y
  // runs up, turned within the drawing's extent (top 400, bottom that of the
  // S curve), so the square keeps its place at the top.
  const auto pts = HpglPoints(plt);
  ASSERT_GE(pts.size(), 7u);
  long top = pts[0].second, bottom = top;
  for (auto [x, y] : pts) top = std::min(top, y), bottom = std::max(bottom, y);
  const long sum = top + bottom;
  const std::vector<std::pair<long, long>> square = {
      {400, sum - 400}, {800, sum - 400}, {800, sum - 800}, {400, sum - 800}, {400, sum - 400}};
  const std::vector<std::pair<long, long>> first(pts.begin(), pts.begin() + 5);
  EXPECT_EQ(first, square);
  EXPECT_EQ(sum - bottom, 400);
  // The flat quarter circle is one stroke to its end.
  EXPECT_EQ(pts[5], (std::pair<long, long>{1200, sum - 400}));
  EXPECT_EQ(pts[6], (std::pair<long, long>{1320, sum - 400}));
  EXPECT_EQ(pts[7], (std::pair<long, long>{1600, sum - 400}));  // the next object's start
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

TEST_F(ExportTest, SelfContainedEpsOfTheOutlinesInPoints) {
  AddSampleOutlines(doc);
  Export(Path("out.Eps"), 1);
  const std::string eps = ReadText(Path("out.Eps"));
  EXPECT_GOLDEN(eps, "export_outlines.eps");
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0\r\n", 0), 0u);
  // y runs up, turned within the drawing's extent: the box in points is the
  // drawing's box in millimetres (10 mm from the top, the S curve's bottom).
  std::smatch box;
  ASSERT_TRUE(std::regex_search(eps, box, std::regex("%%HiResBoundingBox: (\\S+) (\\S+) (\\S+) (\\S+)\r\n")));
  const double k = 72 / 25.4, half = 0.1075;
  EXPECT_NEAR(std::stod(box[1]), 10 * k - half, 0.002);
  EXPECT_NEAR(std::stod(box[2]), 10 * k - half, 0.002);
  const double sum = std::stod(box[2]) + std::stod(box[4]);
  char corner[64];
  std::snprintf(corner, sizeof corner, "\r\n%.3f %.3f m\r\n", 10 * k, sum - 10 * k);
  EXPECT_NE(eps.find(corner), std::string::npos) << corner;
  // Every operator of the body is defined in the prolog, inside a dictionary
  // begun in the setup and ended in the trailer, and the page is shown.
  const std::size_t body = eps.find("%%EndSetup\r\n");
  ASSERT_NE(body, std::string::npos);
  std::set<std::string> used;  // the last word of every line after the setup
  std::istringstream lines(eps.substr(body));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '%') continue;
    if (line.back() == '\r') line.pop_back();
    used.insert(line.substr(line.rfind(' ') + 1));
  }
  EXPECT_EQ(used, (std::set<std::string>{"K", "w", "u", "m", "l", "c", "s", "S", "U", "showpage", "end"}));
  for (const char* name : {"K", "w", "u", "U", "m", "l", "c", "S", "s"})
    EXPECT_NE(eps.find(std::string("/") + name + " {"), std::string::npos) << name;
  EXPECT_NE(eps.find("%%BeginSetup\r\nTindrelDict begin\r\n"), std::string::npos);
  EXPECT_NE(eps.find("showpage\r\n%%PageTrailer\r\n%%Trailer\r\nend\r\n%%EOF\r\n"), std::string::npos);
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

namespace {

// ---- Peers draw our files as we draw the design ----

// Ink on a grid of millimetres in the design's frame (y down): pixel (c, r)
// covers x0 + c / ppm, y0 + r / ppm.
struct InkGrid {
  float x0 = 0, y0 = 0, ppm = 10;
  int w = 0, h = 0;
  std::vector<std::uint8_t> ink;
  // What a peer's picture shows, less its edge pixels (their ink depends on
  // how the peer rounds the picture's size): left, top, right, bottom in mm.
  double view[4] = {-INFINITY, -INFINITY, INFINITY, INFINITY};
  bool At(int c, int r) const { return c >= 0 && r >= 0 && c < w && r < h && ink[std::size_t(r) * w + c]; }
  void Mark(double x, double y) {
    const long c = std::lround(std::floor((x - x0) * ppm)), r = std::lround(std::floor((y - y0) * ppm));
    if (c >= 0 && r >= 0 && c < w && r < h) ink[std::size_t(r) * w + c] = 1;
  }
  InkGrid Blank() const {
    InkGrid g = *this;
    std::fill(g.ink.begin(), g.ink.end(), 0);
    return g;
  }
  // The ink's box in millimetres (pixel centres); false without ink.
  bool Box(double out[4]) const {
    int c0 = w, r0 = h, c1 = -1, r1 = -1;
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c)
        if (At(c, r)) c0 = std::min(c0, c), c1 = std::max(c1, c), r0 = std::min(r0, r), r1 = std::max(r1, r);
    if (c1 < 0) return false;
    out[0] = x0 + (c0 + 0.5) / ppm, out[1] = y0 + (r0 + 0.5) / ppm;
    out[2] = x0 + (c1 + 0.5) / ppm, out[3] = y0 + (r1 + 0.5) / ppm;
    return true;
  }
};

// The share of a's ink pixels that have ink of b within `radius` pixels,
// among those both can show.
double Shared(const InkGrid& a, const InkGrid& b, int radius) {
  std::size_t inked = 0, shared = 0;
  for (int r = 0; r < a.h; ++r)
    for (int c = 0; c < a.w; ++c) {
      if (!a.At(c, r)) continue;
      const double x = a.x0 + (c + 0.5) / a.ppm, y = a.y0 + (r + 0.5) / a.ppm;
      if (x < b.view[0] || y < b.view[1] || x > b.view[2] || y > b.view[3]) continue;
      ++inked;
      bool near = false;
      for (int dr = -radius; dr <= radius && !near; ++dr)
        for (int dc = -radius; dc <= radius && !near; ++dc) near = b.At(c + dc, r + dr);
      shared += near;
    }
  return inked ? double(shared) / double(inked) : 0.0;
}

// The extent of what the design's outlines draw: their nodes and curves
// (sampled finely); a sub-path's start counts with its next node.
CFRect OutlineExtent(CSegArray& objects) {
  double box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
  auto add = [&box](double x, double y) {
    box[0] = std::min(box[0], x), box[1] = std::min(box[1], y), box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
  };
  for (CGraphObject* o : objects.Objects()) {
    std::unique_ptr<CPathPointList> outline(o ? o->MakeOutline(nullptr, 0) : nullptr);
    if (!outline || !outline->points) continue;
    outline->ApplyTransform();
    pathrec::Records r(outline->points);
    const PathPoint* start = nullptr;
    for (std::size_t i = 0; i < r.n && r.p[i].flags != PP_END; ++i) {
      const PathPoint& p = r.p[i];
      if (!pathrec::IsNode(p.flags)) continue;
      if (p.flags & PP_START) {
        start = &p;
        continue;
      }
      if (start) add(start->x, start->y);
      start = nullptr;
      add(p.x, p.y);
      if (i < 3 || !pathrec::IsControl(r.p[i - 1].flags) || !pathrec::IsControl(r.p[i - 2].flags)) continue;
      for (int k = 1; k < 256; ++k) {
        const double t = k / 256.0, u = 1 - t;
        const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
        double x = 0, y = 0;
        for (int j = 0; j < 4; ++j) x += w[j] * r.p[i - 3 + j].x, y += w[j] * r.p[i - 3 + j].y;
        add(x, y);
      }
    }
  }
  if (!(box[0] <= box[2])) return {};
  return CFRect(float(box[0]), float(box[1]), float(box[2]), float(box[3]));
}

// Our own drawing: every outline stroked one pixel wide by the platform.
InkGrid OwnDrawing(CSegArray& objects, InkGrid grid) {
  plat::DC dc;
  plat::HBITMAP bmp = plat::CreateBitmap(grid.w, grid.h, 1, 1, nullptr);
  plat::HBITMAP oldBmp = dc.SelectObject(bmp);
  dc.FillSolidRect(plat::RECT{0, 0, grid.w, grid.h}, plat::RGB(255, 255, 255));
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, plat::RGB(0, 0, 0));
  plat::HPEN oldPen = dc.SelectObject(pen);
  CMatrix3 toPixels(1, 0, 0, 1, -grid.x0, -grid.y0);
  toPixels.Multiply(CMatrix3(grid.ppm, 0, 0, grid.ppm, 0, 0));
  for (CGraphObject* o : objects.Objects()) {
    std::unique_ptr<CPathPointList> outline(o ? o->MakeOutline(&toPixels, 0) : nullptr);
    if (outline) outline->DrawOutline(&dc);
  }
  for (int r = 0; r < grid.h; ++r)
    for (int c = 0; c < grid.w; ++c) grid.ink[std::size_t(r) * grid.w + c] = dc.GetPixel(c, r) == plat::RGB(0, 0, 0);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBmp);
  plat::DeleteObject(pen);
  plat::DeleteObject(bmp);
  return grid;
}

// A PBM file (P4) as written by hp2xx and ghostscript; comments skipped.
struct Pbm {
  int w = 0, h = 0;
  std::vector<std::uint8_t> bits;
  bool Ink(int c, int r) const { return bits[std::size_t(r) * ((w + 7) / 8) + c / 8] & (0x80 >> (c % 8)); }
};

Pbm ReadPbm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Pbm p;
  std::string magic;
  in >> magic;
  if (magic != "P4") return p;
  auto number = [&in] {
    in >> std::ws;
    while (in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
      in >> std::ws;
    }
    int v = 0;
    in >> v;
    return v;
  };
  p.w = number();
  p.h = number();
  in.get();
  p.bits.resize(std::size_t((p.w + 7) / 8) * std::size_t(p.h));
  in.read(reinterpret_cast<char*>(p.bits.data()), std::streamsize(p.bits.size()));
  if (!in) p.w = p.h = 0;
  return p;
}

// A peer's ink mapped into the grid: `toDesign(c + 0.5, r + 0.5)` gives the
// design's millimetres of a pixel centre.
template <class F>
InkGrid PeerInk(const Pbm& pbm, const InkGrid& like, F toDesign) {
  InkGrid g = like.Blank();
  const auto [xa, ya] = toDesign(1, 1);
  const auto [xb, yb] = toDesign(pbm.w - 1, pbm.h - 1);
  g.view[0] = std::min(xa, xb), g.view[1] = std::min(ya, yb), g.view[2] = std::max(xa, xb), g.view[3] = std::max(ya, yb);
  for (int r = 0; r < pbm.h; ++r)
    for (int c = 0; c < pbm.w; ++c)
      if (pbm.Ink(c, r)) {
        const auto [x, y] = toDesign(c + 0.5, r + 0.5);
        g.Mark(x, y);
      }
  return g;
}

// Our drawing and a peer's: the same orientation and place (ink boxes within
// 0.5 mm), at least 95 % of the ink shared both ways (within 0.3 mm: hp2xx's
// pen is wider than ours).
void ExpectSameDrawing(const InkGrid& own, const InkGrid& peer, const std::string& what) {
  double a[4], b[4];
  ASSERT_TRUE(own.Box(a)) << what;
  ASSERT_TRUE(peer.Box(b)) << what << ": no ink";
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], 0.5) << what << " box " << i;
  const int radius = std::max(1, int(std::lround(0.3 * own.ppm)));
  EXPECT_GE(Shared(own, peer, radius), 0.95) << what << ": of our ink";
  EXPECT_GE(Shared(peer, own, radius), 0.95) << what << ": of the peer's ink";
}

// The extent of what the plug-in reads back from a file.
CFRect ImportedExtent(const std::string& path) {
  CImportDll plugin;
  if (!plugin.Load() || !plugin.dllFilterRead) return {};
  plat::HGLOBAL block = plugin.dllFilterRead(path.c_str(), 0);
  if (!block) return {};
  std::unique_ptr<CSegArray> read = CSegArray::UnpackFromGlobal(block);
  plat::GlobalFree(block);
  return read ? OutlineExtent(*read) : CFRect{};
}

void ExpectSameBox(const CFRect& got, const CFRect& want, float tolerance, const std::string& what) {
  EXPECT_NEAR(got.left, want.left, tolerance) << what;
  EXPECT_NEAR(got.top, want.top, tolerance) << what;
  EXPECT_NEAR(got.right, want.right, tolerance) << what;
  EXPECT_NEAR(got.bottom, want.bottom, tolerance) << what;
}

}  // namespace

// Small designs exported to PLT and EPS: hp2xx and ghostscript draw them as we
// do (upright, at the design's place), ghostscript's box is ours, and our
// import brings both back where the objects were.
TEST_F(ExportTest, PeersDrawTheExportsAsWeDoAndTheyComeBackInPlace) {
  const bool hp2xx = HaveProgram("hp2xx"), gs = HaveProgram("gs");
  if (!hp2xx) std::printf("hp2xx is missing: its drawings are not compared\n");
  if (!gs) std::printf("ghostscript is missing: its drawings and boxes are not compared\n");
  // The shipped language slots: the text is set in DejaVu Sans.
  ScopedLanguages languages(std::string(TINDREL_TEST_DATA) + "/../../defaults/VORLAN98.INI");
  struct Case {
    const char* name;
    std::function<void(CSegArray&)> build;
  } cases[] = {
      {"text A8", [](CSegArray& s) {
         auto* t = new CTextObject(0, 0, 0, 100, 30);
         t->chars.InsertArrayAt(0, *TextToBoxArray("A8"));
         t->Relayout(nullptr, -1);
         s.Add(t);
       }},
      {"open curve", [](CSegArray& s) { s.Add(MakePath("M 10 50 C 20 10 40 10 50 50 C 55 70 70 75 80 40 E")); }},
      {"single line", [](CSegArray& s) { s.Add(apptest::MakeLinePath(10, 20, 60, 35)); }},
      {"far off the page", [](CSegArray& s) {
         s.Add(MakePath("M 900 -300 L 930 -300 L 930 -280 L 910 -280 L 910 -260 L 900 -260 L 900 -300 Z"));
       }},
      {"sample", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<CSegArray> own;
    CSegArray* objects = nullptr;
    if (c.build) {
      own = std::make_unique<CSegArray>();
      c.build(*own);
      objects = own.get();
    } else {
      StopApp();
      main = StartApp(std::string(TINDREL_TEST_DATA) + "/../../../samples/sign.t98");
      ASSERT_TRUE(started);
      fw::PumpPendingMessages();
      doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
      ASSERT_NE(doc, nullptr);
      objects = doc->GetObjectList();
      ASSERT_GT(objects->GetSize(), 0);
    }
    const std::string plt = Path(std::string(c.name) + ".plt"), eps = Path(std::string(c.name) + ".eps");
    ASSERT_EQ(ExportHpgl(*objects, plt), ExportResult::Written);
    ASSERT_EQ(ExportEps(*objects, eps), ExportResult::Written);

    // Export then import lands where the objects were.
    const CFRect extent = OutlineExtent(*objects);
    ExpectSameBox(ImportedExtent(plt), extent, 0.05f, "PLT round trip");
    ExpectSameBox(ImportedExtent(eps), extent, 0.05f, "EPS round trip");

    // Our drawing on a grid around the design: at most 10 pixels a millimetre,
    // at most about 1,200 pixels across.
    InkGrid grid;
    const float side = std::max(extent.right - extent.left, extent.bottom - extent.top) + 4;
    grid.ppm = std::min(10.0f, std::floor(1200.0f / side));
    grid.x0 = extent.left - 2, grid.y0 = extent.top - 2;
    grid.w = int(std::ceil((extent.right - extent.left + 4) * grid.ppm));
    grid.h = int(std::ceil((extent.bottom - extent.top + 4) * grid.ppm));
    grid.ink.assign(std::size_t(grid.w) * grid.h, 0);
    const InkGrid ours = OwnDrawing(*objects, grid);
    const int dpi = int(std::lround(grid.ppm * 25.4));
    // Both files turn y within the drawing's extent: y = top + bottom - y up.
    const double sum = double(extent.top) + extent.bottom;

    if (hp2xx) {
      // True size; the plot starts one pixel in from its coordinate range.
      const std::string report = RunCommand("hp2xx -q -m pbm -t -d " + std::to_string(dpi) + " -f '" + plt +
                                            ".pbm' '" + plt + "' 2>&1; hp2xx -m hpgl -f /dev/null '" + plt + "' 2>&1");
      std::smatch m;
      static const std::regex range("Coordinate range: \\(([-\\d.]+), ([-\\d.]+)\\) \\.\\.\\. \\(([-\\d.]+), ([-\\d.]+)\\)");
      ASSERT_TRUE(std::regex_search(report, m, range)) << report;
      const double xmin = std::stod(m[1]) / 40, ymax = std::stod(m[4]) / 40, mmPerPixel = 25.4 / dpi;
      const Pbm pbm = ReadPbm(plt + ".pbm");
      ASSERT_GT(pbm.w, 0) << report;
      ExpectSameDrawing(ours, PeerInk(pbm, ours, [&](double c, double r) {
                          return std::pair{xmin + (c - 1) * mmPerPixel, sum - (ymax - (r - 1) * mmPerPixel)};
                        }),
                        "hp2xx");
    }
    if (gs) {
      // ghostscript crops to the high-resolution box.
      const std::string text = ReadText(eps);
      std::smatch box;
      ASSERT_TRUE(std::regex_search(text, box, std::regex("%%HiResBoundingBox: (\\S+) (\\S+) (\\S+) (\\S+)\r\n")));
      const double llx = std::stod(box[1]), ury = std::stod(box[4]), ptPerPixel = 72.0 / dpi, k = 25.4 / 72;
      const std::string quiet = "gs -q -dSAFER -dBATCH -dNOPAUSE ";
      const std::string report = RunCommand(quiet + "-dEPSCrop -sDEVICE=pbmraw -r" + std::to_string(dpi) + " -o '" +
                                            eps + ".pbm' '" + eps + "' 2>&1");
      const Pbm pbm = ReadPbm(eps + ".pbm");
      ASSERT_GT(pbm.w, 0) << report;
      ExpectSameDrawing(ours, PeerInk(pbm, ours, [&](double c, double r) {
                          return std::pair{(llx + c * ptPerPixel) * k, sum - (ury - r * ptPerPixel) * k};
                        }),
                        "ghostscript");
      // Its measured box is ours, to a point; the drawing is moved onto a page
      // with room around it, as a document placing it would.
      std::smatch ours4, theirs;
      ASSERT_TRUE(std::regex_search(text, ours4, std::regex("%%BoundingBox: (-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\r\n")));
      long b[4];
      for (int i = 0; i < 4; ++i) b[i] = std::stol(ours4[i + 1]);
      const long dx = 100 - b[0], dy = 100 - b[1];
      const std::string measured =
          RunCommand(quiet + "-sDEVICE=bbox -dFIXEDMEDIA -dDEVICEWIDTHPOINTS=" + std::to_string(b[2] - b[0] + 200) +
                     " -dDEVICEHEIGHTPOINTS=" + std::to_string(b[3] - b[1] + 200) + " -c '" + std::to_string(dx) + " " +
                     std::to_string(dy) + " translate' -f '" + eps + "' 2>&1");
      ASSERT_TRUE(std::regex_search(measured, theirs, std::regex("%%BoundingBox: (\\S+) (\\S+) (\\S+) (\\S+)")))
          << measured;
      for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(std::stod(theirs[i + 1]) - (i % 2 ? dy : dx), double(b[i]), 1.0) << i << "\n" << measured;
    }
  }
  EXPECT_TRUE(sink.boxes.empty());
}

// Sub-paths of a lone start paint nothing: no bounds, no PU, no move.
TEST_F(ExportTest, LoneStartsAreLeftOut) {
  CSegArray design;
  design.Add(MakePath("M -40 -40 M 10 10 L 20 10 L 20 20 Z M 90 90"));
  ASSERT_EQ(ExportHpgl(design, Path("lone.plt")), ExportResult::Written);
  ASSERT_EQ(ExportEps(design, Path("lone.eps")), ExportResult::Written);
  const std::string plt = ReadText(Path("lone.plt")), eps = ReadText(Path("lone.eps"));
  EXPECT_EQ(HpglPoints(plt, "PU"), (std::vector<std::pair<long, long>>{{400, 800}}));
  EXPECT_EQ(Count(eps, " m\r\n"), 1u);
  EXPECT_NE(eps.find("%%BoundingBox: 28 28 57 57\r\n"), std::string::npos) << eps;
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
  // The import turns y back within the drawing's extent.
  long top = written[0].second, bottom = top;
  for (auto [x, y] : written) top = std::min(top, y), bottom = std::max(bottom, y);
  std::vector<CFPoint> ours;
  for (auto [x, y] : written) ours.push_back({x / 40.0f, (top + bottom - y) / 40.0f});
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
    static const std::regex box("%%HiResBoundingBox: ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+)");
    ASSERT_TRUE(std::regex_search(eps, m, box));
    const std::string report = RunCommand(
        "gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=bbox '" + Path("peer.eps") + "' 2>&1");
    std::smatch g;
    static const std::regex hires("%%HiResBoundingBox: ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+)");
    ASSERT_TRUE(std::regex_search(report, g, hires)) << report;
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(std::stod(g[i]), std::stod(m[i]), 0.5) << i << "\n" << report;
  }
}
