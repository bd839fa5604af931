// The printer stand-in over the print server: destinations, the device-mode
// and device-names records of a destination, and a printer device context
// that draws each page on a raster and sends the pages as one PDF job.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dc.h"
#include "platform/types.h"

namespace plat {

// GetDeviceCaps indexes.
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

constexpr short DMORIENT_PORTRAIT = 1;
constexpr short DMORIENT_LANDSCAPE = 2;

constexpr short DMPAPER_LETTER = 1;
constexpr short DMPAPER_LEGAL = 5;
constexpr short DMPAPER_A3 = 8;
constexpr short DMPAPER_A4 = 9;
constexpr short DMPAPER_A5 = 11;
constexpr short DMPAPER_USER = 256;

// The part of a device mode the program uses. Lengths in tenths of a mm.
struct DevMode {
  short paperSize = DMPAPER_A4;
  short paperLength = 2970;
  short paperWidth = 2100;
  short orientation = DMORIENT_PORTRAIT;
  short copies = 1;
  short dpi = 300;  // of the destination, at most 600
};

struct DevNames {
  std::string driver;
  std::string device;  // the destination's name
  std::string output;
};

// The paper code of a PWG media name ("iso_a4_210x297mm"): Letter 1, Legal 5,
// A3 8, A4 9, A5 11, anything else 256.
short PaperCodeFromMedia(std::string_view media);
// The paper size a PWG media name gives, in tenths of a mm; false for a name
// without a usable size (none, zero, or over 2 m).
bool MediaSize(std::string_view media, int* width, int* length);

// The names of the print server's destinations; empty without a server.
std::vector<std::string> GetPrinterNames();
// The default destination's names and device mode (its default media,
// resolution); false when there is no destination.
bool GetDefaultPrinter(DevNames* names, DevMode* mode);
// The same for a named destination.
bool GetPrinter(const std::string& name, DevNames* names, DevMode* mode);

// A printer context: one page raster at the destination's resolution at a
// time; EndPage adds the part of it drawn on as a PDF page of the paper's
// size (the rest is white paper), EndDoc sends the
// document to the destination. The calls return > 0 on success, <= 0 on
// failure, with the server's text in LastError().
class PrinterDC {
 public:
  // Null when the paper or resolution gives no usable raster.
  static std::unique_ptr<PrinterDC> Create(const DevNames& names, const DevMode& mode);
  ~PrinterDC();
  PrinterDC(const PrinterDC&) = delete;
  PrinterDC& operator=(const PrinterDC&) = delete;

  DC* GetDC() { return &dc_; }
  int GetDeviceCaps(int index) const;
  int StartDoc(const std::string& title);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();
  const std::string& LastError() const { return error_; }
  int PagesAdded() const { return pages_; }

 private:
  PrinterDC() = default;
  void Discard();
  DC dc_;
  // The part of the page raster that may hold other than white: cleared at
  // StartPage, found again at EndPage. The raster is kept for the next
  // context of the same size.
  RECT used_{};
  HBITMAP bitmap_ = nullptr;
  HBITMAP oldBitmap_ = nullptr;
  std::string device_;
  std::string title_;
  std::string pdfPath_;
  void* pdf_ = nullptr;  // cairo surface of the document
  int widthPx_ = 0, heightPx_ = 0, dpi_ = 300;
  double widthPt_ = 0, heightPt_ = 0;
  int pages_ = 0;
  bool inDoc_ = false, inPage_ = false;
  std::string error_;
};

}  // namespace plat
