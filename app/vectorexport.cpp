#include "app/vectorexport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

#include "app/appids.h"
#include "app/designview.h"
#include "app/docfile.h"
#include "app/document.h"
#include "app/importcmd.h"
#include "app/mainframe.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "text/texteditordlg.h"

namespace {

constexpr char kWriteFailed[] = "文件:[%s]写入失败!";
constexpr char kErrorCaption[] = "错误";
constexpr std::size_t kMaxFolder = 50;

void ReportWriteFailure(const std::string& path) {
  std::string text = kWriteFailed;
  text.replace(text.find("%s"), 2, path);
  plat::MessageBox(text, kErrorCaption, plat::MB_OK | plat::MB_ICONHAND);
}

// Writes the whole content beside the target and renames it into place.
ExportResult WriteWhole(const std::string& path, const std::string& content) {
  CDocWriteFile file;
  if (!file.Create(plat::MapWindowsPath(path)) || !file.Write(content.data(), content.size()) || !file.Commit()) {
    file.Abort();
    ReportWriteFailure(path);
    return ExportResult::Failed;
  }
  return ExportResult::Written;
}

// Every object's outline through the matrix, appended into one list; null
// when no object has one.
std::unique_ptr<CPathPointList> CollectOutlines(CSegArray& objects, const CMatrix3& m) {
  std::unique_ptr<CPathPointList> all;
  for (CGraphObject* o : objects.Objects()) {
    if (!o) continue;
    std::unique_ptr<CPathPointList> outline(o->MakeOutline(&m, 0));
    if (!outline || !outline->points || outline->count == 0) continue;
    if (!all) all = std::move(outline);
    else all->AppendList(outline.get());
  }
  return all;
}

// Bounds of what a list draws: its nodes and the extremes of its curves.
struct Extent {
  float l = 0, t = 0, r = 0, b = 0;
  bool any = false;
  void Add(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!any) {
      l = r = x;
      t = b = y;
      any = true;
      return;
    }
    l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
  }
  // The curve's extremes between its ends, where its derivative is zero.
  void AddCurve(const CFPoint p[4]) {
    auto roots = [](float a0, float a1, float a2, float a3, float out[2]) {
      const double a = -a0 + 3.0 * a1 - 3.0 * a2 + a3, b = 2.0 * (a0 - 2.0 * a1 + a2), c = a1 - a0;
      int n = 0;
      if (std::fabs(a) < 1e-12) {
        if (std::fabs(b) > 1e-12) out[n++] = float(-c / b);
      } else {
        const double d = b * b - 4.0 * a * c;
        if (d >= 0) {
          const double s = std::sqrt(d);
          out[n++] = float((-b + s) / (2.0 * a));
          out[n++] = float((-b - s) / (2.0 * a));
        }
      }
      return n;
    };
    float ts[4];
    int n = roots(p[0].x, p[1].x, p[2].x, p[3].x, ts);
    n += roots(p[0].y, p[1].y, p[2].y, p[3].y, ts + n);
    for (int i = 0; i < n; ++i) {
      const float t = ts[i];
      if (!(t > 0.0f && t < 1.0f)) continue;
      const float u = 1.0f - t;
      const float w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
      Add(w0 * p[0].x + w1 * p[1].x + w2 * p[2].x + w3 * p[3].x, w0 * p[0].y + w1 * p[1].y + w2 * p[2].y + w3 * p[3].y);
    }
  }
};

// A sub-path's start counts with its first node, as the writers write it.
void ExtentOf(const CPathPointList& list, Extent& e) {
  if (!list.points) return;
  pathrec::Records r(list.points);
  const bool identity = list.matrix.IsIdentity();
  std::vector<CFPoint> recent;  // points since the last node, that node first
  CFPoint start{};
  bool startWaiting = false;
  for (std::size_t i = 0; i < r.n; ++i) {
    PathPoint p = r.p[i];
    if (p.flags == PP_END) break;
    if (!pathrec::IsPoint(p.flags)) continue;
    if (!identity) list.matrix.TransformPathPoint(p);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      recent.clear();
      continue;
    }
    if (pathrec::IsControl(p.flags)) {
      if (!recent.empty()) recent.push_back({p.x, p.y});
      continue;
    }
    if (p.flags & PP_START) {
      start = {p.x, p.y};
      startWaiting = true;
      recent.assign(1, start);
      continue;
    }
    if (startWaiting) e.Add(start.x, start.y);
    startWaiting = false;
    e.Add(p.x, p.y);
    if (recent.size() == 3) {
      const CFPoint seg[4] = {recent[0], recent[1], recent[2], {p.x, p.y}};
      e.AddCurve(seg);
    }
    recent.assign(1, CFPoint{p.x, p.y});
  }
}

// Every operator the body uses, in a dictionary of their own that the setup
// begins and the trailer ends.
constexpr char kEpsProlog[] =
    "%%BeginProlog\r\n"
    "/TindrelDict 9 dict def TindrelDict begin\r\n"
    "/u {} bind def /U {} bind def\r\n"
    "/K {setcmykcolor} bind def /w {setlinewidth} bind def\r\n"
    "/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def\r\n"
    "/S {stroke} bind def /s {closepath stroke} bind def\r\n"
    "end\r\n"
    "%%EndProlog\r\n";

void AppendFixed3(std::string& out, float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, double(v), std::chars_format::fixed, 3);
  out.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

std::string UpperExt(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

ExportResult ExportTextList(CSegArray& objects, const std::string& editorText, const std::string& path) {
  std::vector<std::string> texts;
  objects.CollectText(texts);
  std::string all;
  for (const std::string& t : texts) {
    all += t;
    all += "\r\n";
  }
  if (!editorText.empty()) {
    all += "--------------------\r\n";
    all += editorText;
  }
  if (all.empty()) return ExportResult::Nothing;
  return WriteWhole(path, all);
}

ExportResult ExportHpgl(CSegArray& objects, const std::string& path) {
  const CMatrix3 m(40.0f, 0.0f, 0.0f, 40.0f, 0.0f, 0.0f);
  std::unique_ptr<CPathPointList> all = CollectOutlines(objects, m);
  if (!all) return ExportResult::Nothing;
  // HPGL's y runs up: the drawing is turned within its own extent, so it reads
  // upright and stays where it was.
  Extent e;
  ExtentOf(*all, e);
  const CMatrix3 upright(1.0f, 0.0f, 0.0f, -1.0f, 0.0f, e.t + e.b);
  all->Transform(&upright);
  std::string out = "IN;\r\nPA;\r\nSP1;\r\n";
  all->WriteHpgl(out);
  out += "\r\n";
  return WriteWhole(path, out);
}

ExportResult ExportEps(CSegArray& objects, const std::string& path) {
  // Points with y up, turned within the drawing's own extent: the drawing's
  // box in points is its box in millimetres times 72 / 25.4.
  constexpr float k = 72.0f / 25.4f;
  const CMatrix3 m(k, 0.0f, 0.0f, -k, 0.0f, 0.0f);
  std::vector<std::unique_ptr<CPathPointList>> outlines;
  Extent e;
  for (CGraphObject* o : objects.Objects()) {
    if (!o) continue;
    std::unique_ptr<CPathPointList> outline(o->MakeOutline(&m, 0));
    if (!outline || !outline->points || outline->count == 0) continue;
    ExtentOf(*outline, e);
    outlines.push_back(std::move(outline));
  }
  const CMatrix3 up(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, -(e.t + e.b));
  for (const auto& o : outlines) o->Transform(&up);
  // The box holds the strokes: the outline's extent and half the line width.
  float box[4] = {};
  if (e.any) {
    constexpr float kHalfLine = 0.1075f;
    box[0] = e.l - kHalfLine, box[1] = -e.b - kHalfLine, box[2] = e.r + kHalfLine, box[3] = -e.t + kHalfLine;
  }
  std::string out = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Illustrator (TM) Exported From Cutter Vorlan V5.6\r\n";
  out += "%%BoundingBox:";
  for (int i = 0; i < 4; ++i) {
    const double v = i < 2 ? std::floor(double(box[i])) : std::ceil(double(box[i]));
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, std::int64_t(std::clamp(v, -1e15, 1e15)));
    out += ' ';
    out.append(buf, r.ptr);
  }
  out += "\r\n%%HiResBoundingBox:";
  for (float v : box) {
    out += ' ';
    AppendFixed3(out, v);
  }
  out += "\r\n%%EndComments\r\n";
  out += kEpsProlog;
  out += "%%BeginSetup\r\nTindrelDict begin\r\n1 setlinejoin\r\n%%EndSetup\r\n0.000 0.000 0.000 1.000 K\r\n0.215 w\r\n";
  for (const auto& o : outlines) o->WriteEps(out);
  out += "showpage\r\n%%PageTrailer\r\n%%Trailer\r\nend\r\n%%EOF\r\n";
  return WriteWhole(path, out);
}

void ExportVectorFile(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  std::string folder = g_Profile.GetString("SystemParam", "FilePath", "C:\\VORLAN\\");
  if (folder.size() > kMaxFolder) folder.resize(kMaxFolder);

  fw::CFileDialog dlg(fw::FALSE, nullptr, nullptr, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT, kExportFilter);
  fw::res::LoadString(appid::IDS_EXPORT, dlg.m_title);
  std::string initial = folder;
  if (initial.size() > 1 && (initial.back() == '\\' || initial.back() == '/')) initial.pop_back();
  dlg.m_initialDir = plat::MapWindowsPath(initial);
  if (dlg.DoModal() != fw::IDOK) return;

  std::string path = dlg.GetPathName();
  if (path.empty()) return;
  const std::string kept = ImportFolderOf(path);
  if (!kept.empty()) g_Profile.WriteString("SystemParam", "FilePath", kept.c_str());

  std::string ext = UpperExt(path);
  if (ext.empty()) {
    static const char* const kByFilter[] = {".TXT", ".PLT", ".EPS"};
    const int index = std::clamp(dlg.m_nFilterIndex, 1, 3);
    path += kByFilter[index - 1];
    ext = kByFilter[index - 1];
  }
  CSegArray& objects = *doc->GetObjectList();
  if (ext == ".TXT" || ext == ".") {
    std::string editor;
    if (auto* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd())) {
      CTextEditorDlg& ed = main->GetTextEditor();
      if (ed.Exists() && ed.IsWindowVisible()) editor = plat::Utf8ToGbk(ed.GetText());
    }
    ExportTextList(objects, editor, path);
  } else if (ext == ".PLT") {
    ExportHpgl(objects, path);
  } else if (ext == ".EPS") {
    ExportEps(objects, path);
  }
}
