#include "output/carverun.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/controls.h"
#include "framework/wnd.h"
#include "model/graphobject.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/shapebuilders.h"
#include "output/carver.h"
#include "output/cutarrange.h"
#include "output/cuthandoff.h"
#include "output/cutter.h"
#include "output/portfile.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/report.h"

namespace {

constexpr std::uint8_t kKindSkipped = 240;

bool MeetsPage(const CFRect& b, float pageWidth, float pageHeight) {
  return b.left <= pageWidth && b.right >= 0.0f && b.bottom >= 0.0f && b.top <= pageHeight;
}

// One object as the raster draws it: a filled black copy (the design keeps
// its own colour and flags) and the rows its outline can reach.
struct Drawable {
  std::unique_ptr<CGraphObject> copy;
  CGraphObject* object = nullptr;
  bool culled = false;  // rows known
  double top = 0.0, bottom = 0.0;
};

// The raster rows the object's outline can reach: the points of its outline
// (control points too) through the matrix.
void OutlineRows(CGraphObject& o, const CMatrix3& m, Drawable& d) {
  std::unique_ptr<CPathPointList> outline(o.MakeOutline(&m, 0));
  if (!outline || !outline->points) return;
  plat::GlobalLockGuard lock(outline->points);
  const std::uint8_t* bytes = lock.bytes();
  if (!bytes) return;
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max(outline->count, 0)),
                                              plat::GlobalSize(outline->points) / sizeof(PathPoint));
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    PathPoint p;
    std::memcpy(&p, bytes + i * sizeof(PathPoint), sizeof p);
    if (p.flags == PP_END) break;
    if (!pathrec::IsPoint(p.flags)) continue;
    CFPoint q{p.x, p.y};
    if (!outline->matrix.IsIdentity()) outline->matrix.TransformPoint(q);
    if (!std::isfinite(q.y)) return;
    if (!any) d.top = d.bottom = q.y;
    d.top = std::min(d.top, double(q.y));
    d.bottom = std::max(d.bottom, double(q.y));
    any = true;
  }
  d.culled = any;
}

std::vector<Drawable> Drawables(const CSegArray& objects, float pageWidth, float pageHeight, const CMatrix3& m) {
  std::vector<Drawable> out;
  const std::vector<CGraphObject*>& list = objects.Objects();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    CGraphObject* o = *it;
    if (!o || o->selected == 2 || o->kind == OBJ_IMAGE || o->kind == kKindSkipped) continue;
    if (!MeetsPage(o->bounds, pageWidth, pageHeight)) continue;
    Drawable d;
    d.copy = o->Clone();
    if (d.copy) {
      d.copy->SetFlags(nullptr, OBJF_FILLED, OBJF_FILLED);
      d.copy->SetColorIndex(nullptr, 0, 0);
      d.object = d.copy.get();
    } else {
      d.object = o;
    }
    OutlineRows(*d.object, m, d);
    out.push_back(std::move(d));
  }
  return out;
}

void DrawFilledBlack(Drawable& d, plat::DC* dc, const CMatrix3& m) {
  CGraphObject& o = *d.object;
  if (d.copy) {
    o.Draw(dc, &m, nullptr);
    return;
  }
  // No copy to draw: the object itself, filled, its flags put back.
  const std::uint16_t keep = o.flags;
  o.flags = std::uint16_t(o.flags | OBJF_FILLED);
  o.Draw(dc, &m, nullptr);
  o.flags = keep;
}

// Pixels a pen or a rounding can reach beyond the outline's points.
constexpr double kRowMargin = 3.0;

// The first column from `c` on whose pixel is (or, with `marked` false, is
// not) different from the background; blocks of 8 are tested at once, as
// two vectors of 4.
std::int64_t Next(const std::uint32_t* px, std::int64_t c, std::int64_t w, std::uint32_t bg, bool marked) {
  using V = std::uint32_t __attribute__((vector_size(16)));
  constexpr std::uint32_t kColour = 0xFFFFFFu;
  const V colour = {kColour, kColour, kColour, kColour}, back = {bg, bg, bg, bg}, zero = {0, 0, 0, 0};
  auto load = [&](std::int64_t at) {
    V v;
    std::memcpy(&v, px + at, sizeof v);
    return ((v ^ back) & colour);
  };
  auto any = [](V v) {
    std::uint64_t h[2];
    std::memcpy(h, &v, sizeof h);
    return (h[0] | h[1]) != 0;
  };
  if (marked) {
    for (; c + 8 <= w; c += 8)
      if (any(load(c) | load(c + 4))) break;
    while (c < w && ((px[c] ^ bg) & kColour) == 0) ++c;
  } else {
    for (; c + 8 <= w; c += 8)
      if (any(V(load(c) == zero) | V(load(c + 4) == zero))) break;
    while (c < w && ((px[c] ^ bg) & kColour) != 0) ++c;
  }
  return c;
}

// Rows of a band: a small band unless the objects are tall, never above the
// pixel limit.
std::int64_t BandRows(std::int64_t w, std::int64_t h, const std::vector<Drawable>& drawables) {
  if (w <= 0) return h;
  std::vector<double> heights;
  heights.reserve(drawables.size());
  for (const Drawable& d : drawables)
    if (d.culled) heights.push_back(d.bottom - d.top);
  std::int64_t rows = std::max<std::int64_t>(1, kCarveBandPixelsSmall / w);
  if (!heights.empty()) {
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    const double median = heights[heights.size() / 2];
    if (std::isfinite(median)) rows = std::max(rows, std::int64_t(std::min(2.0 * median, 1.0e9)));
  }
  return std::min(rows, std::max<std::int64_t>(1, kCarveBandPixels / w));
}

}  // namespace

void FindCarveRuns(const std::uint32_t* px, std::int64_t w, std::uint32_t bg, std::vector<CarveRun>& runs) {
  runs.clear();
  for (std::int64_t c = Next(px, 0, w, bg, true); c < w; c = Next(px, c, w, bg, true)) {
    const std::int64_t end = Next(px, c, w, bg, false);
    runs.push_back({c, end - 1});
    c = end;
  }
}

int FindCarveArea(const CSegArray& objects, float pageWidth, float pageHeight, CFRect& area) {
  int counted = 0;
  std::uint8_t kind = 0;
  CFRect one;
  const std::vector<CGraphObject*>& list = objects.Objects();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const CGraphObject* o = *it;
    if (!o || o->kind == kKindSkipped || !MeetsPage(o->bounds, pageWidth, pageHeight)) continue;
    if (++counted == 1) {
      one = o->bounds;
      kind = o->kind;
    }
  }
  if (counted != 1) {
    area = CFRect(0.0f, 0.0f, pageWidth, pageHeight);
    return kAreaPage;
  }
  area = one;
  switch (kind) {
    case 145: return kAreaCircle;
    case 146: return kAreaDiamond;
    case 147: return kAreaTriangle;
    case 148: return kAreaInvertedTriangle;
    default: return kAreaOther;
  }
}

CarveRasterShape CarveRasterFor(const CarveParams& p, float pageWidth, float pageHeight) {
  (void)pageWidth;
  (void)pageHeight;
  CarveRasterShape s;
  const float L = p.area.left - p.areaExpand, T = p.area.top - p.areaExpand;
  const float R = p.area.right + p.areaExpand, B = p.area.bottom + p.areaExpand;
  const std::int64_t w = std::max<std::int64_t>(0, TruncToLong((R - L) / p.fillStep));
  const std::int64_t h = std::max<std::int64_t>(0, TruncToLong((B - T) / p.fillStep));
  CMatrix3 a(1, 0, 0, 1, -L, -T);
  a.Multiply(CMatrix3(1.0f / p.fillStep, 0, 0, 1.0f / p.fillStep, 0, 0));
  const float fw = float(w), fh = float(h);
  if (p.mirror) a.Multiply(*MakeMirrorMatrix(0.0f, 0.0f, fw, fh, 1, 0));
  if (p.rotate) {
    a.Multiply(*MakeRotateMatrix(0.0f, 0.0f, fw, fh, 90.0f));
    // Turned about its centre, the area lies at ((w - h) / 2, (h - w) / 2).
    if (w != h) a.Multiply(CMatrix3(1, 0, 0, 1, (fh - fw) / 2.0f, (fw - fh) / 2.0f));
    s.width = h;
    s.height = w;
  } else {
    s.width = w;
    s.height = h;
  }
  s.pageToRaster = a;
  return s;
}

int ScanCarveRaster(const CSegArray& objects, float pageWidth, float pageHeight, const CarveParams& params,
                    const CarveRasterShape& shape, std::int64_t maxBandRows,
                    const std::function<bool(std::int64_t r, const std::uint32_t* pixels)>& row,
                    CarveRasterStats* stats) {
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  if (!dc) return 1;
  const std::int64_t w = shape.width, h = shape.height;
  if (w > plat::kMaxSurfaceSide || h > plat::kMaxSurfaceSide) {
    plat::DeleteDC(dc);
    return 2;
  }
  const CMatrix3& a = shape.pageToRaster;
  std::vector<Drawable> drawables = Drawables(objects, pageWidth, pageHeight, a);
  std::int64_t bandRows = BandRows(w, h, drawables);
  if (maxBandRows > 0) bandRows = std::min(bandRows, maxBandRows);
  bandRows = std::min(bandRows, h);
  plat::HBITMAP bmp = plat::CreateCompatibleBitmap(dc, plat::LONG(w), plat::LONG(bandRows));
  if (!bmp) {
    plat::DeleteDC(dc);
    return 2;
  }
  plat::HBITMAP oldBmp = dc->SelectObject(bmp);
  if (stats) {
    stats->peakBytes = std::max(stats->peakBytes, w * bandRows * std::int64_t(sizeof(std::uint32_t)));
    stats->bands = 0;
  }
  // The frame inverts the area (grown by a pixel's worth) or the page.
  CFRect frameRect(0.0f, 0.0f, pageWidth, pageHeight);
  if (params.areaKind != kAreaPage) {
    frameRect = params.area;
    const float grow = params.areaExpand + 1.0f / params.fillStep;
    frameRect.Inflate(grow, grow);
  }
  std::unique_ptr<CPathObject> frame =
      MakeRectanglePathAt(frameRect.left, frameRect.top, frameRect.right, frameRect.bottom);
  if (frame) frame->flags = std::uint16_t(frame->flags | OBJF_FILLED);

  bool stopped = false;
  for (std::int64_t y0 = 0; y0 < h && !stopped; y0 += bandRows) {
    const std::int64_t rows = std::min(bandRows, h - y0);
    if (stats) ++stats->bands;
    // The band's rows of the whole raster: the same logical points, shifted
    // by whole pixels.
    dc->SetViewportOrg(0, plat::LONG(-y0));
    dc->SelectStockObject(plat::WHITE_PEN);
    dc->SelectStockObject(plat::WHITE_BRUSH);
    dc->Rectangle(-10, -10, plat::LONG(w + 10), plat::LONG(h + 10));
    const double bandTop = double(y0) - kRowMargin, bandBottom = double(y0 + rows) + kRowMargin;
    for (Drawable& d : drawables) {
      if (d.culled && (d.bottom < bandTop || d.top > bandBottom)) continue;
      DrawFilledBlack(d, dc, a);
    }
    if (frame) {
      const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
      plat::HGDIOBJ oldPen = dc->SelectStockObject(plat::NULL_PEN);
      frame->Draw(dc, &a, nullptr);
      if (oldPen) dc->SelectObject(oldPen);
      dc->SetROP2(oldRop);
    }
    const plat::Surface& s = dc->GetSurface();
    for (std::int64_t r = y0; r < y0 + rows; ++r) {
      if (!row(r, s.row(plat::LONG(r - y0)))) {
        stopped = true;
        break;
      }
    }
  }
  dc->SelectObject(oldBmp);
  plat::DeleteDC(dc);
  plat::DeleteObject(bmp);
  return 0;
}

std::unique_ptr<CGroupObject> CollectCarveContour(const CSegArray& objects, const CFRect& rect, bool textLine) {
  CSegArray collected;
  for (CGraphObject* o : objects.Objects()) {
    if (!o || o->kind == OBJ_IMAGE) continue;
    const CFRect& b = o->bounds;
    if (!(b.left <= rect.right && b.right >= rect.left && b.bottom >= rect.top && b.top <= rect.bottom)) continue;
    if (std::unique_ptr<CGraphObject> paths = CutPaths(*o, -1, textLine)) collected.Add(std::move(paths));
  }
  if (collected.IsEmpty()) return nullptr;
  std::unique_ptr<CGroupObject> group =
      CSegArray::ClipObjectsToRect(collected, rect.left, rect.top, rect.right, rect.bottom);
  collected.DeleteAll();
  return group;
}

namespace {

void DeleteFile(const std::string& path) {
  if (!path.empty()) std::remove(path.c_str());
}

void ReportOpenFailure(const CPortFile& port, int err) {
  std::string name = port.GetPortCode() > 0 ? port.GetPortName() : port.GetOpenPath();
  if (name.empty()) name = port.GetPortName();
  std::string text = "文件:[" + name + "]打开失败!";
  if (port.GetPortCode() > 0)
    text += "\n" + (port.GetOpenPath().empty() ? std::string("?") : port.GetOpenPath()) + ": " + std::strerror(err);
  plat::MessageBox(text, "错误", plat::MB_OK | plat::MB_ICONSTOP);
}

void ReportSendFailure() { plat::MessageBox("数据发送失败", "错误!", plat::MB_OK); }

// One pending message, as a dialog takes it.
void PumpOne(fw::CWnd* window) {
  fw::MSG msg;
  if (!fw::PeekMessage(&msg, fw::TRUE)) return;
  if (window && window->GetSafeHwnd() && window->PreTranslateMessage(&msg)) return;
  fw::DispatchMessage(&msg);
}

std::int32_t Clamp32(std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

CarveResult RunCarve(const CSegArray& objects, float pageWidth, float pageHeight, const std::string& title,
                     const CarveParams& params, CCarveDriver& device, CPortFile& port, fw::CWnd* window,
                     std::uint32_t* idleFlag, fw::CProgressCtrl* progress, CarveTrace* trace) {
  std::unique_ptr<CGroupObject> contour;
  if (params.drawContour)
    contour = CollectCarveContour(objects, CFRect(0.0f, 0.0f, pageWidth, pageHeight), params.textLine);

  const CarveRasterShape shape = CarveRasterFor(params, pageWidth, pageHeight);
  // Refused before anything is sent.
  if (plat::HDC probe = plat::CreateCompatibleDC(nullptr)) {
    plat::DeleteDC(probe);
  } else {
    plat::MessageBox("Error In CreateDC,C2DCARVEDLG", "error", plat::MB_OK);
    return CarveResult::NoContext;
  }
  if (shape.width > plat::kMaxSurfaceSide || shape.height > plat::kMaxSurfaceSide) {
    plat::MessageBox("Error In CreateBitmap,C2DCARVEDLG", "error", plat::MB_OK);
    return CarveResult::NoBitmap;
  }
  port.LoadPortInfo();

  const std::int64_t w = shape.width, h = shape.height;
  const float s = params.fillStep / device.resolution;
  const CMatrix3 d = device.useOrigin
                         ? CMatrix3(s, 0, 0, s, device.originX / device.resolution,
                                    device.originY / device.resolution)
                         : CMatrix3(s, 0, 0, s, -s / 2.0f * float(w), -s / 2.0f * float(h));

  // Every run through a device port goes to the cut-job manager: the port
  // writes into a data file.
  const std::string portName = port.GetPortName();
  const bool handOff = GetPortCode(portName.c_str()) != -1;
  std::string dataFile;
  if (handOff) {
    dataFile = MakeCutJobDataFile();
    port.SetPortName(dataFile.c_str());
  }
  if (trace) trace->dataFile = dataFile;
  const std::uint32_t background = params.inverseOut ? 0x000000u : 0xFFFFFFu;

  if (progress) {
    progress->SetRange32(0, Clamp32(h));
    progress->SetPos(0);
    progress->ShowWindow(fw::SW_SHOW);
  }
  auto hideProgress = [&] {
    if (progress) progress->ShowWindow(fw::SW_HIDE);
  };
  if (idleFlag) *idleFlag = 0;
  device.accuracy = params.curveAccuracy;
  if (!device.Begin(nullptr, &port, window, idleFlag)) {
    const int err = errno;
    const bool opened = port.IsOpen();
    device.End();
    DeleteFile(dataFile);
    hideProgress();
    if (!opened) {
      ReportOpenFailure(port, err);
      return CarveResult::PortFailed;
    }
    ReportSendFailure();
    return CarveResult::SendFailed;
  }

  auto stopped = [&] { return idleFlag && *idleFlag; };
  bool failed = false;
  std::int64_t strokes = 0;
  auto stroke = [&](std::int64_t c0, std::int64_t c1, std::int64_t r) {
    CFPoint a{float(c0), float(r)}, b{float(c1), float(r)};
    d.TransformPoint(a);
    d.TransformPoint(b);
    device.MoveTo(PlotterUnits(a.x), PlotterUnits(a.y));
    device.LineTo(PlotterUnits(b.x), PlotterUnits(b.y));
    ++strokes;
    if (device.WriteFailed()) failed = true;
  };
  std::vector<CarveRun> runs;
  auto rowFn = [&](std::int64_t r, const std::uint32_t* px) -> bool {
    const bool backward = params.doubleWay && (r & 1);
    if (!backward) {
      PumpOne(window);
      if (stopped()) return false;
      if (progress) progress->SetPos(Clamp32(r));
    }
    FindCarveRuns(px, w, background, runs);
    // A row's strokes go to the port in one write.
    device.Hold();
    if (!backward) {
      for (std::size_t i = 0; i < runs.size() && !stopped() && !failed; ++i) stroke(runs[i].first, runs[i].last, r);
    } else {
      // Right to left: each run from its right end to its left end.
      for (std::size_t i = runs.size(); i-- > 0 && !stopped() && !failed;) stroke(runs[i].last, runs[i].first, r);
    }
    device.Release();
    if (device.WriteFailed()) failed = true;
    if (!backward) PumpOne(window);
    if (trace && trace->afterRow) trace->afterRow(r);
    return !failed && !stopped();
  };
  CarveRasterStats stats;
  const int raster = ScanCarveRaster(objects, pageWidth, pageHeight, params, shape, trace ? trace->maxBandRows : 0,
                                     rowFn, &stats);
  if (trace) {
    trace->raster = stats;
    trace->strokes = strokes;
  }
  if (raster != 0) {
    device.End();
    DeleteFile(dataFile);
    hideProgress();
    plat::MessageBox(raster == 1 ? "Error In CreateDC,C2DCARVEDLG" : "Error In CreateBitmap,C2DCARVEDLG", "error",
                     plat::MB_OK);
    return raster == 1 ? CarveResult::NoContext : CarveResult::NoBitmap;
  }

  if (contour && !failed && !stopped()) {
    if (progress) progress->SetPos(0);
    contour->FlattenSubgroups();
    CMatrix3 m = shape.pageToRaster;
    m.Multiply(d);
    contour->Transform(m);
    std::int64_t total = 0;
    for (CGraphObject* c : contour->children.Objects())
      if (c && c->kind == OBJ_PATH) total += static_cast<const CPathObject*>(c)->count;
    if (progress) progress->SetRange32(0, Clamp32(total));
    std::int64_t pos = 0;
    for (CGraphObject* c : contour->children.Objects()) {
      if (stopped() || failed) break;
      if (!c || c->kind != OBJ_PATH) continue;
      auto* path = static_cast<CPathObject*>(c);
      path->ApplyTransform();
      device.Hold();
      path->PlotToCarver(device);
      device.Release();
      pos += path->count;
      if (progress) progress->SetPos(Clamp32(pos));
      if (device.WriteFailed()) failed = true;
    }
  }
  contour.reset();

  const bool wasStopped = stopped();
  if (!wasStopped && !failed) {
    device.End();
    failed = device.WriteFailed();
  } else {
    device.End();
  }
  hideProgress();
  if (failed) {
    DeleteFile(dataFile);
    ReportSendFailure();
    return CarveResult::SendFailed;
  }
  if (wasStopped) {
    DeleteFile(dataFile);
    return CarveResult::Stopped;
  }
  if (handOff) {
    CCutJob job;
    job.header.SetPortName(portName);
    job.dataPath = dataFile;
    job.name = title;
    job.header.version = 6.0f;
    job.header.OutMethod = device.outMethod;
    if (!SendJobToCutManager(job)) return CarveResult::HandOffFailed;
  }
  return CarveResult::Done;
}
