// The engraving run: the design drawn black into a raster at the fill step,
// framed and inverted, then engraved row by row as strokes along the runs of
// marked pixels, optionally followed by the object outlines. The raster is
// drawn and scanned in bands so that a fine step on a large page stays
// within a bounded memory.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"

namespace fw {
class CWnd;
class CProgressCtrl;
}  // namespace fw
class CCarveDriver;
class CGraphObject;
class CGroupObject;
class CPortFile;
class CSegArray;

// Most pixels of one band, and the pixels a band takes when the objects are
// small enough for it (a smaller band stays in the caches).
constexpr std::int64_t kCarveBandPixels = std::int64_t(16) << 20;
constexpr std::int64_t kCarveBandPixelsSmall = std::int64_t(4) << 20;

// The runs of a raster row: pixels whose 24 colour bits differ from the
// background, as first and last column, left to right.
struct CarveRun {
  std::int64_t first, last;
};
void FindCarveRuns(const std::uint32_t* pixels, std::int64_t width, std::uint32_t background,
                   std::vector<CarveRun>& runs);

// Area kinds: the page, or the shape of the one object the design holds.
enum CarveAreaKind { kAreaPage = 0, kAreaOther = 1, kAreaCircle = 2, kAreaDiamond = 3, kAreaTriangle = 4,
                     kAreaInvertedTriangle = 5 };

// The output area of the design: the box of its one object on the page
// (kind by the object's kind), else the page (kind 0).
int FindCarveArea(const CSegArray& objects, float pageWidth, float pageHeight, CFRect& area);

struct CarveParams {
  float fillStep = 0.1f;      // mm per raster row and pixel
  float areaExpand = 0.0f;    // mm around the area
  float curveAccuracy = 4.0f;
  CFRect area;                // page mm
  int areaKind = kAreaPage;
  bool doubleWay = true;      // every second row right to left
  bool inverseOut = false;    // engrave the other colour
  bool drawContour = false;   // then the outlines
  bool rotate = false;
  bool mirror = true;
  bool textLine = true;       // texts add their frame to the outlines
};

// The raster of a run: its size and the page-to-raster matrix.
struct CarveRasterShape {
  std::int64_t width = 0;
  std::int64_t height = 0;
  CMatrix3 pageToRaster;
};
// Raster size and matrix for the parameters on a page. A rotated raster is
// as wide as the area is high.
CarveRasterShape CarveRasterFor(const CarveParams& params, float pageWidth, float pageHeight);

// Draws the design into a raster band by band through a memory context and
// hands every row's pixels (0x00RRGGBB, `width` of them) to `row` in order;
// `row` returns false to stop. 0 when done or stopped, 1 when the memory
// context, 2 when the bitmap could not be made (a side above the platform's
// limit included); the same rows as one raster of the whole height.
struct CarveRasterStats {
  std::int64_t peakBytes = 0;  // the band bitmap's pixels
  int bands = 0;
};
int ScanCarveRaster(const CSegArray& objects, float pageWidth, float pageHeight, const CarveParams& params,
                    const CarveRasterShape& shape, std::int64_t maxBandRows,
                    const std::function<bool(std::int64_t r, const std::uint32_t* pixels)>& row,
                    CarveRasterStats* stats = nullptr);

// The outlines of the objects that meet the rectangle, clipped to it; null
// when no object gives a path.
std::unique_ptr<CGroupObject> CollectCarveContour(const CSegArray& objects, const CFRect& rect, bool textLine);

enum class CarveResult {
  Done,           // every row went out (and a handed-over job was taken)
  Stopped,        // stopped by the idle flag: the data file deleted, nothing handed over
  NoContext,      // "Error In CreateDC,C2DCARVEDLG"
  NoBitmap,       // "Error In CreateBitmap,C2DCARVEDLG"
  PortFailed,     // the port or data file did not open
  SendFailed,     // a write failed
  HandOffFailed,  // written, not taken by the cut-job manager
};

// What a run leaves for its caller, and its hooks.
struct CarveTrace {
  std::int64_t maxBandRows = 0;  // 0: by the band pixels
  // After each raster row went out.
  std::function<void(std::int64_t r)> afterRow;
  CarveRasterStats raster;
  std::int64_t strokes = 0;      // runs sent
  std::string dataFile;          // the hand-off's data file
};

// The run over the design for the device's model (loaded) and the port (its
// name set). Reports its failures in message boxes; the idle flag is the
// device's stop flag (cleared here, set when the run ends).
CarveResult RunCarve(const CSegArray& objects, float pageWidth, float pageHeight, const std::string& title,
                     const CarveParams& params, CCarveDriver& device, CPortFile& port, fw::CWnd* window,
                     std::uint32_t* idleFlag, fw::CProgressCtrl* progress, CarveTrace* trace = nullptr);
