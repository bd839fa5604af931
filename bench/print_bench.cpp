// links: tindrel_app
// One A4 page at 300 dpi of 100 filled paths of 100 nodes (the design view
// benchmark's scene) printed through the objects' Print and EndPage (the page
// raster added to a PDF document), beside cairo filling the same polygons on
// an image surface of that size written as a PDF page. Goal: 0.5 s a page.
// And the sample design printed to the private print server's queue
// "TindrelTest" as the print dialog prints it (context, page, the objects,
// the document spooled) beside cupsPrintFile of the PDF that queue received;
// each pass waits, untimed, for the queue to empty (run the program through
// scripts/with-cupsd.sh; without it these skip).
#include <benchmark/benchmark.h>

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "app/document.h"
#include "bench/blob_path.h"
#include "bench/glyph_outlines.h"
#include "model/devices.h"
#include "model/pathobject.h"
#include "model/segarray.h"
#include "platform/printer.h"
#include "platform/report.h"

namespace {

using benchblob::Blob;

std::vector<std::unique_ptr<CPathObject>> Scene() {
  std::vector<std::unique_ptr<CPathObject>> out;
  for (int i = 0; i < 100; ++i) out.push_back(Blob(15.0f + float(i % 10) * 20.0f, 15.0f + float(i / 10) * 28.0f, 9.0f));
  return out;
}

void BM_PrintPage(benchmark::State& state) {
  plat::DevNames names;
  names.device = "bench";
  plat::DevMode mode;  // A4 portrait, 300 dpi
  auto printer = plat::PrinterDC::Create(names, mode);
  if (!printer || printer->StartDoc("bench") <= 0) {
    state.SkipWithError("printer context");
    return;
  }
  auto scene = Scene();
  const float px = float(printer->GetDeviceCaps(plat::LOGPIXELSX)) / 25.4f;
  const CMatrix3 m(px, 0, 0, px, 0, 0);
  PrintSettings settings;
  for (auto _ : state) {
    printer->StartPage();
    for (auto it = scene.rbegin(); it != scene.rend(); ++it) (*it)->Print(printer->GetDC(), &m, &settings);
    printer->EndPage();
  }
  printer->AbortDoc();
}
BENCHMARK(BM_PrintPage)->Unit(benchmark::kMillisecond);

void BM_CairoPeer(benchmark::State& state) {
  const int w = int(std::lround(210 / 25.4 * 300)), h = int(std::lround(297 / 25.4 * 300));
  const std::string path = benchglyphs::TempPath("peer.pdf");
  cairo_surface_t* pdf = cairo_pdf_surface_create(path.c_str(), 595.28, 841.89);
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  auto scene = Scene();
  const double px = 300 / 25.4;
  for (auto _ : state) {
    cairo_t* c = cairo_create(image);
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_paint(c);
    cairo_set_source_rgb(c, 0, 0, 0);
    for (int i = 0; i < 100; ++i) {
      const float cx = 15.0f + float(i % 10) * 20.0f, cy = 15.0f + float(i / 10) * 28.0f;
      for (int k = 0; k < 100; ++k) {
        const double a = 2.0 * 3.14159265358979 * k / 100.0;
        const double rr = 9.0 * (k % 2 ? 0.8 : 1.0);
        cairo_line_to(c, (cx + rr * std::cos(a)) * px, (cy + rr * std::sin(a)) * px);
      }
      cairo_close_path(c);
      cairo_fill(c);
    }
    cairo_destroy(c);
    cairo_t* p = cairo_create(pdf);
    cairo_scale(p, 72.0 / 300, 72.0 / 300);
    cairo_set_source_surface(p, image, 0, 0);
    cairo_paint(p);
    cairo_show_page(p);
    cairo_destroy(p);
    cairo_surface_flush(pdf);
  }
  cairo_surface_destroy(image);
  cairo_surface_finish(pdf);
  cairo_surface_destroy(pdf);
  std::remove(path.c_str());
}
BENCHMARK(BM_CairoPeer)->Unit(benchmark::kMillisecond);

constexpr const char* kQueue = "TindrelTest";

std::string CupsDir() {
  const char* d = std::getenv("TINDREL_CUPS_DIR");
  return d ? d : "";
}

int Jobs(int which) {
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, which);
  cupsFreeJobs(n, jobs);
  return n;
}

// At most 30 s for the queue to take every job.
bool WaitForQueue() {
  for (int i = 0; i < 3000; ++i) {
    if (Jobs(CUPS_WHICHJOBS_ACTIVE) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class QuietSink : public plat::ReportSink {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return plat::IDOK; }
  void MessageBeep(unsigned) override {}
};

// The sample printed as the print dialog does: A4 at 300 dpi, the objects
// bottom first, one page, spooled to the queue.
bool PrintSample(CVORLAN98Doc& doc) {
  plat::DevNames names;
  names.device = kQueue;
  plat::DevMode mode;
  auto printer = plat::PrinterDC::Create(names, mode);
  if (!printer || printer->StartDoc("sample") <= 0) return false;
  const float px = float(printer->GetDeviceCaps(plat::LOGPIXELSX)) / 25.4f;
  const CMatrix3 m(px, 0, 0, px, 0, 0);
  PrintSettings settings;
  if (printer->StartPage() <= 0) return false;
  CSegArray& objects = *doc.GetObjectList();
  for (int i = objects.GetSize() - 1; i >= 0; --i)
    if (CGraphObject* o = objects.GetAt(i)) o->Print(printer->GetDC(), &m, &settings);
  return printer->EndPage() > 0 && printer->EndDoc() > 0;
}

#define NEED_QUEUE(state)                                                             \
  if (CupsDir().empty()) {                                                            \
    state.SkipWithError("no private print server: run through scripts/with-cupsd.sh"); \
    return;                                                                           \
  }

void BM_PrintSampleToQueue(benchmark::State& state) {
  NEED_QUEUE(state);
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  CVORLAN98Doc doc;
  if (!doc.OnOpenDocument(TINDREL_SAMPLE)) {
    state.SkipWithError("the sample does not open");
    return;
  }
  for (auto _ : state) {
    if (!PrintSample(doc)) {
      state.SkipWithError("print");
      break;
    }
    state.PauseTiming();
    WaitForQueue();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PrintSampleToQueue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CupsPrintFilePeer(benchmark::State& state) {
  NEED_QUEUE(state);
  QuietSink quiet;
  plat::ScopedReportSink scoped(&quiet);
  CVORLAN98Doc doc;
  const std::string job = CupsDir() + "/out/job.pdf";
  std::filesystem::remove(job);
  if (!doc.OnOpenDocument(TINDREL_SAMPLE) || !PrintSample(doc) || !WaitForQueue()) {
    state.SkipWithError("the sample does not print");
    return;
  }
  const std::string pdf = benchglyphs::TempPath("sample.pdf");
  std::error_code error;
  for (int i = 0; i < 500 && !std::filesystem::exists(job); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!std::filesystem::copy_file(job, pdf, std::filesystem::copy_options::overwrite_existing, error)) {
    state.SkipWithError("the queue wrote no PDF");
    return;
  }
  for (auto _ : state) {
    if (cupsPrintFile(kQueue, pdf.c_str(), "sample", 0, nullptr) <= 0) {
      state.SkipWithError(cupsLastErrorString());
      break;
    }
    state.PauseTiming();
    WaitForQueue();
    state.ResumeTiming();
  }
  state.counters["pdf bytes"] = double(std::filesystem::file_size(pdf, error));
  std::filesystem::remove(pdf, error);
}
BENCHMARK(BM_CupsPrintFilePeer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
