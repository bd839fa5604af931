#include "platform/printer.h"

#include <cups/cups.h>
#include <cups/pwg.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr int kMaxDpi = 600;
constexpr int kDefaultDpi = 300;
// Paper beyond this (tenths of a mm on a side) is refused: 2 m.
constexpr int kMaxPaper = 20000;

// The print server's and the PDF writer's libraries are loaded at their first
// use: a start that never prints does not map them.
#define TINDREL_CUPS_CALLS(X) \
  X(cupsCopyDestInfo) \
  X(cupsFindDestDefault) \
  X(ippGetString) \
  X(cupsGetOption) \
  X(ippGetResolution) \
  X(cupsFreeDestInfo) \
  X(cupsGetDests2) \
  X(cupsGetDest) \
  X(cupsFreeDests) \
  X(pwgMediaForPWG) \
  X(cupsCreateJob) \
  X(cupsLastErrorString) \
  X(cupsStartDocument) \
  X(cupsWriteRequestData) \
  X(cupsFinishDocument) \
  X(cupsCancelJob2)
#define TINDREL_CAIRO_CALLS(X) \
  X(cairo_surface_destroy) \
  X(cairo_pdf_surface_create) \
  X(cairo_surface_status) \
  X(cairo_image_surface_create_for_data) \
  X(cairo_create) \
  X(cairo_scale) \
  X(cairo_set_source_surface) \
  X(cairo_pattern_set_filter) \
  X(cairo_get_source) \
  X(cairo_paint) \
  X(cairo_show_page) \
  X(cairo_status) \
  X(cairo_destroy) \
  X(cairo_surface_flush) \
  X(cairo_surface_finish) \
  X(cairo_status_to_string)

struct PrintLibraries {
#define TINDREL_MEMBER(name) decltype(&::name) name = nullptr;
  TINDREL_CUPS_CALLS(TINDREL_MEMBER)
  TINDREL_CAIRO_CALLS(TINDREL_MEMBER)
#undef TINDREL_MEMBER
  bool ok = false;
};

PrintLibraries LoadPrintLibraries() {
  PrintLibraries libs;
  void* cups = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
  void* cairo = dlopen("libcairo.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!cups || !cairo) return libs;
  bool all = true;
#define TINDREL_LOAD(lib, name)                                     \
  libs.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name)); \
  all = all && libs.name != nullptr;
#define TINDREL_LOAD_CUPS(name) TINDREL_LOAD(cups, name)
#define TINDREL_LOAD_CAIRO(name) TINDREL_LOAD(cairo, name)
  TINDREL_CUPS_CALLS(TINDREL_LOAD_CUPS)
  TINDREL_CAIRO_CALLS(TINDREL_LOAD_CAIRO)
#undef TINDREL_LOAD_CAIRO
#undef TINDREL_LOAD_CUPS
#undef TINDREL_LOAD
  libs.ok = all;
  return libs;
}

// Null when the libraries are not there.
const PrintLibraries* Lib() {
  static const PrintLibraries libs = LoadPrintLibraries();
  return libs.ok ? &libs : nullptr;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The server's answers are taken as they come: bounded, clamped, defaulted.
void FillFromDest(cups_dest_t* dest, DevNames* names, DevMode* mode) {
  if (names) {
    names->driver = "winspool";
    names->device = dest->name ? dest->name : "";
    names->output = "";
  }
  if (!mode) return;
  *mode = DevMode{};
  const PrintLibraries* L = Lib();
  cups_dinfo_t* info = L->cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  if (!info) return;
  // The default media by its PWG name ("iso_a4_210x297mm"), its size from the name.
  const char* media = nullptr;
  if (ipp_attribute_t* m = L->cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media")) media = L->ippGetString(m, 0, nullptr);
  if (!media) media = L->cupsGetOption("media", dest->num_options, dest->options);
  if (media) {
    const std::string_view name(media, strnlen(media, 256));
    mode->paperSize = PaperCodeFromMedia(name);
    int width = 0, length = 0;
    if (MediaSize(name, &width, &length)) {
      mode->paperWidth = short(width);
      mode->paperLength = short(length);
    }
  }
  if (ipp_attribute_t* res = L->cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution")) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    int x = L->ippGetResolution(res, 0, &y, &units);
    if (units == IPP_RES_PER_CM) x = int(std::lround(x * 2.54));
    if (x > 0) mode->dpi = short(std::min(x, kMaxDpi));
  }
  L->cupsFreeDestInfo(info);
}

bool FindPrinter(const char* name, DevNames* names, DevMode* mode) {
  const PrintLibraries* L = Lib();
  if (!L) return false;
  cups_dest_t* dests = nullptr;
  const int n = L->cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  cups_dest_t* dest = L->cupsGetDest(name, nullptr, n, dests);
  const bool found = dest != nullptr;
  if (dest) FillFromDest(dest, names, mode);
  L->cupsFreeDests(n, dests);
  return found;
}

}  // namespace

short PaperCodeFromMedia(std::string_view media) {
  struct Entry {
    const char* prefix;
    short code;
  };
  static const Entry kTable[] = {{"na_letter_", DMPAPER_LETTER}, {"na_legal_", DMPAPER_LEGAL},
                                 {"iso_a3_", DMPAPER_A3},        {"iso_a4_", DMPAPER_A4},
                                 {"iso_a5_", DMPAPER_A5}};
  for (const Entry& e : kTable)
    if (StartsWith(media, e.prefix)) return e.code;
  return DMPAPER_USER;
}

bool MediaSize(std::string_view media, int* width, int* length) {
  *width = *length = 0;
  if (media.empty() || media.size() > 255) return false;
  const PrintLibraries* L = Lib();
  if (!L) return false;
  const std::string name(media);
  pwg_media_t* pwg = L->pwgMediaForPWG(name.c_str());
  if (!pwg || pwg->width <= 0 || pwg->length <= 0 || pwg->width / 10 > kMaxPaper || pwg->length / 10 > kMaxPaper)
    return false;
  // Sizes under a tenth of a millimetre give no paper.
  if (pwg->width / 10 <= 0 || pwg->length / 10 <= 0) return false;
  *width = pwg->width / 10;
  *length = pwg->length / 10;
  return true;
}

std::vector<std::string> GetPrinterNames() {
  std::vector<std::string> out;
  const PrintLibraries* L = Lib();
  if (!L) return out;
  cups_dest_t* dests = nullptr;
  const int n = L->cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < n; ++i)
    if (dests[i].name && !dests[i].instance) out.emplace_back(dests[i].name);
  L->cupsFreeDests(n, dests);
  return out;
}

bool GetDefaultPrinter(DevNames* names, DevMode* mode) { return FindPrinter(nullptr, names, mode); }

bool GetPrinter(const std::string& name, DevNames* names, DevMode* mode) {
  if (name.empty()) return false;
  return FindPrinter(name.c_str(), names, mode);
}

// ---- PrinterDC --------------------------------------------------------------

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

// The page raster of the last context, kept for the next one of its size:
// a new raster of a page is tens of megabytes of fresh memory to fault in.
struct SpareRaster {
  std::mutex mu;
  HBITMAP bitmap = nullptr;
  LONG width = 0, height = 0;
  RECT used{};
};

SpareRaster& Spare() {
  static SpareRaster* s = new SpareRaster;  // never destroyed: contexts may outlive statics
  return *s;
}

HBITMAP TakeSpare(LONG w, LONG h, RECT& used) {
  SpareRaster& s = Spare();
  std::lock_guard lock(s.mu);
  if (!s.bitmap || s.width != w || s.height != h) return nullptr;
  used = s.used;
  return std::exchange(s.bitmap, nullptr);
}

void KeepSpare(HBITMAP bitmap, LONG w, LONG h, const RECT& used) {
  SpareRaster& s = Spare();
  HBITMAP old;
  {
    std::lock_guard lock(s.mu);
    old = std::exchange(s.bitmap, bitmap);
    s.width = w, s.height = h, s.used = used;
  }
  if (old) DeleteObject(old);
}

// The box of the pixels that are not white; empty when all are.
RECT DrawnBox(const Surface& page) {
  const LONG w = page.width(), h = page.height();
  RECT box{w, h, 0, 0};
  for (LONG y = 0; y < h; ++y) {
    const std::uint32_t* row = page.row(y);
    LONG x0 = 0;
    while (x0 < w && (row[x0] & kWhite) == kWhite) ++x0;
    if (x0 == w) continue;
    LONG x1 = w;
    while ((row[x1 - 1] & kWhite) == kWhite) --x1;
    box = {std::min(box.left, x0), std::min(box.top, y), std::max(box.right, x1), y + 1};
  }
  return box.left < box.right ? box : RECT{};
}

}  // namespace

std::unique_ptr<PrinterDC> PrinterDC::Create(const DevNames& names, const DevMode& mode) {
  int w = mode.paperWidth, l = mode.paperLength;
  if (w <= 0 || l <= 0 || w > kMaxPaper || l > kMaxPaper) return nullptr;
  if (mode.orientation == DMORIENT_LANDSCAPE) std::swap(w, l);
  const int dpi = mode.dpi > 0 ? std::min<int>(mode.dpi, kMaxDpi) : kDefaultDpi;
  std::unique_ptr<PrinterDC> p(new PrinterDC());
  p->device_ = names.device;
  p->dpi_ = dpi;
  p->widthPx_ = int(std::lround(w / 254.0 * dpi));
  p->heightPx_ = int(std::lround(l / 254.0 * dpi));
  p->widthPt_ = w / 254.0 * 72.0;
  p->heightPt_ = l / 254.0 * 72.0;
  if (p->widthPx_ <= 0 || p->heightPx_ <= 0) return nullptr;
  p->bitmap_ = TakeSpare(p->widthPx_, p->heightPx_, p->used_);
  if (!p->bitmap_) {
    p->bitmap_ = CreateBitmap(p->widthPx_, p->heightPx_, 1, 32, nullptr);
    p->used_ = {0, 0, p->widthPx_, p->heightPx_};
  }
  if (!p->bitmap_) return nullptr;
  p->oldBitmap_ = p->dc_.SelectObject(p->bitmap_);
  return p;
}

PrinterDC::~PrinterDC() {
  Discard();
  if (bitmap_) {
    dc_.SelectObject(oldBitmap_);
    KeepSpare(bitmap_, widthPx_, heightPx_, used_);
  }
}

void PrinterDC::Discard() {
  if (pdf_) {
    Lib()->cairo_surface_destroy(static_cast<cairo_surface_t*>(pdf_));
    pdf_ = nullptr;
  }
  if (!pdfPath_.empty()) {
    ::unlink(pdfPath_.c_str());
    pdfPath_.clear();
  }
  inDoc_ = inPage_ = false;
}

int PrinterDC::GetDeviceCaps(int index) const {
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi_;
    case HORZRES: return widthPx_;
    case VERTRES: return heightPx_;
    case HORZSIZE: return int(widthPx_ * 25.4 / dpi_);
    case VERTSIZE: return int(heightPx_ * 25.4 / dpi_);
    default: return 0;
  }
}

int PrinterDC::StartDoc(const std::string& title) {
  if (inDoc_) return -1;
  error_.clear();
  const PrintLibraries* L = Lib();
  if (!L) {
    error_ = "the print libraries are missing";
    return -1;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tindrel-print-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) {
    error_ = "cannot create the print file";
    return -1;
  }
  ::close(fd);
  pdfPath_ = buf.data();
  cairo_surface_t* s = L->cairo_pdf_surface_create(pdfPath_.c_str(), widthPt_, heightPt_);
  if (L->cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    L->cairo_surface_destroy(s);
    error_ = "cannot create the print file";
    Discard();
    return -1;
  }
  pdf_ = s;
  title_ = title;
  pages_ = 0;
  inDoc_ = true;
  return 1;
}

int PrinterDC::StartPage() {
  if (!inDoc_ || inPage_) return -1;
  Surface& page = dc_.GetSurface();
  for (LONG y = used_.top; y < used_.bottom; ++y)
    std::fill(page.row(y) + used_.left, page.row(y) + used_.right, kWhite);
  used_ = {0, 0, widthPx_, heightPx_};  // until EndPage finds it
  inPage_ = true;
  return 1;
}

int PrinterDC::EndPage() {
  if (!inDoc_ || !inPage_) return -1;
  inPage_ = false;
  const PrintLibraries* L = Lib();
  Surface& page = dc_.GetSurface();
  used_ = DrawnBox(page);
  auto* pdf = static_cast<cairo_surface_t*>(pdf_);
  cairo_t* cr = L->cairo_create(pdf);
  cairo_surface_t* image = nullptr;
  if (used_.right > used_.left) {
    // Our pixels are 0x00RRGGBB, cairo's RGB24 in the machine's order: the
    // drawn box in its place on the page.
    image = L->cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(page.row(used_.top) + used_.left), CAIRO_FORMAT_RGB24,
        used_.right - used_.left, used_.bottom - used_.top, page.width() * 4);
    L->cairo_scale(cr, 72.0 / dpi_, 72.0 / dpi_);
    L->cairo_set_source_surface(cr, image, used_.left, used_.top);
    L->cairo_pattern_set_filter(L->cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    L->cairo_paint(cr);
  }
  L->cairo_show_page(cr);
  const cairo_status_t status = L->cairo_status(cr);
  L->cairo_destroy(cr);
  // The page is written out before our raster is drawn over again.
  L->cairo_surface_flush(pdf);
  if (image) {
    L->cairo_surface_finish(image);
    L->cairo_surface_destroy(image);
  }
  if (status != CAIRO_STATUS_SUCCESS) {
    error_ = L->cairo_status_to_string(status);
    return -1;
  }
  ++pages_;
  return 1;
}

int PrinterDC::EndDoc() {
  if (!inDoc_) return -1;
  if (inPage_) EndPage();
  const PrintLibraries* L = Lib();
  auto* pdf = static_cast<cairo_surface_t*>(pdf_);
  L->cairo_surface_finish(pdf);
  const cairo_status_t status = L->cairo_surface_status(pdf);
  L->cairo_surface_destroy(pdf);
  pdf_ = nullptr;
  if (status != CAIRO_STATUS_SUCCESS) {
    error_ = L->cairo_status_to_string(status);
    Discard();
    return -1;
  }
  int result = 1;
  const int job = L->cupsCreateJob(CUPS_HTTP_DEFAULT, device_.c_str(), title_.c_str(), 0, nullptr);
  if (job <= 0) {
    error_ = L->cupsLastErrorString();
    result = -1;
  } else if (L->cupsStartDocument(CUPS_HTTP_DEFAULT, device_.c_str(), job, title_.c_str(), CUPS_FORMAT_PDF, 1) !=
             HTTP_STATUS_CONTINUE) {
    error_ = L->cupsLastErrorString();
    result = -1;
  } else {
    bool sent = true;
    if (FILE* f = std::fopen(pdfPath_.c_str(), "rb")) {
      char buf[65536];
      std::size_t n;
      while (sent && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        sent = L->cupsWriteRequestData(CUPS_HTTP_DEFAULT, buf, n) == HTTP_STATUS_CONTINUE;
      std::fclose(f);
    } else {
      sent = false;
    }
    const ipp_status_t finished = L->cupsFinishDocument(CUPS_HTTP_DEFAULT, device_.c_str());
    if (!sent || finished > IPP_STATUS_OK_CONFLICTING) {
      error_ = L->cupsLastErrorString();
      if (error_.empty() || !sent) error_ = "the job could not be sent";
      L->cupsCancelJob2(CUPS_HTTP_DEFAULT, device_.c_str(), job, 0);
      result = -1;
    }
  }
  Discard();
  return result;
}

int PrinterDC::AbortDoc() {
  if (!inDoc_) return -1;
  Discard();
  return 1;
}

}  // namespace plat
