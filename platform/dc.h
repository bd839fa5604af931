// Device contexts over raster surfaces: pens, brushes, bitmaps, the binary and
// ternary raster operations, paths, clipping and block transfers, with the
// platform's pixel conventions:
//  - integer device coordinates; pixel (x, y) is sampled at the point (x, y);
//  - a line covers its first pixel and excludes its last one;
//  - a filled area covers the pixels whose sample point lies inside, with the
//    left and top edges inclusive and the right and bottom edges exclusive;
//  - Rectangle(l, t, r, b) with a pen covers exactly [l, r) x [t, b); with the
//    null pen its interior [l, r - 1) x [t, b - 1);
//  - a closed figure (and a stroked path) touches each of its pixels once, its
//    fill leaving out the outline; polylines draw segment by segment; drawing
//    anything twice with R2_XORPEN, R2_NOTXORPEN or R2_NOT leaves the surface
//    as it was;
//  - curves (ellipses, arcs, Beziers) are 8-connected chains one pixel thin.
// Surfaces hold 32-bit pixels 0x00RRGGBB (the byte order of a 32-bit
// device-independent bitmap); colours at the interface are COLORREF 0x00BBGGRR.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace plat {

class Font;  // platform/font.h
class DC;
class GdiObject;
class Pen;
class Brush;
class Bitmap;

using HDC = DC*;
using HGDIOBJ = GdiObject*;
using HPEN = Pen*;
using HBRUSH = Brush*;
using HBITMAP = Bitmap*;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Binary raster operations (SetROP2).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Ternary raster operations (BitBlt, StretchBlt, PatBlt): bits 16-23 are the
// truth table over pattern (0xF0), source (0xCC) and destination (0xAA).
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Pen styles. Dash patterns apply to pens of width 0 or 1; wider pens draw solid.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;        // 18 on, 6 off
constexpr int PS_DOT = 2;         // 3 on, 3 off
constexpr int PS_DASHDOT = 3;     // 9 on, 6 off, 3 on, 6 off
constexpr int PS_DASHDOTDOT = 4;  // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;  // drawn as solid

// Brush styles and hatches.
constexpr int BS_SOLID = 0;
constexpr int BS_NULL = 1;
constexpr int BS_HOLLOW = BS_NULL;
constexpr int BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;  // RGB(192, 192, 192)
constexpr int GRAY_BRUSH = 2;    // RGB(128, 128, 128)
constexpr int DKGRAY_BRUSH = 3;  // RGB(64, 64, 64)
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;

// Background modes, polygon fill modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Text alignment (state kept for the text output routines).
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// Clip results.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// Object kinds.
enum class GdiKind { Pen, Brush, Bitmap };

// The largest bitmap or surface: each side and the pixel count are bounded so
// that a hostile size fails cleanly instead of exhausting memory.
constexpr LONG kMaxSurfaceSide = 1 << 20;
constexpr std::int64_t kMaxSurfacePixels = std::int64_t(1) << 27;

// Pixel value <-> COLORREF.
constexpr std::uint32_t PixelFromColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(std::uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

// The smallest and largest device pixel ratio a surface takes.
constexpr double kMinPixelRatio = 0.25;
constexpr double kMaxPixelRatio = 8.0;

// A raster of 32-bit pixels, top row first. A monochrome surface holds only
// 0x000000 and 0xFFFFFF. A surface of a window on a high-density screen has
// a pixel ratio: it holds ceil(w * ratio) x ceil(h * ratio) physical pixels
// for a logical size of w x h, and contexts drawing on it scale by the ratio.
class Surface {
 public:
  Surface() = default;
  // Allocates w x h logical pixels at the ratio (clamped to the range above,
  // 1 when not finite) filled with `fill`; false (surface left empty) for a
  // negative or too large size. 0 x 0 is a valid empty surface.
  bool Create(LONG w, LONG h, bool mono, std::uint32_t fill = 0, double ratio = 1.0);
  // New logical size at the surface's ratio, keeping the overlapping content;
  // new pixels get `fill`. A surface that is empty or still all `fill` takes
  // its new size without pixels: they are made when first asked for (a window
  // resized several times before it draws is allocated once).
  bool Resize(LONG w, LONG h, std::uint32_t fill);
  // Physical size.
  LONG width() const { return w_; }
  LONG height() const { return h_; }
  // Logical size and the ratio between the two.
  LONG logicalWidth() const { return lw_; }
  LONG logicalHeight() const { return lh_; }
  double ratio() const { return ratio_; }
  bool mono() const { return mono_; }
  std::uint32_t* row(LONG y) {
    Realize();
    return px_.data() + std::size_t(y) * std::size_t(w_);
  }
  const std::uint32_t* row(LONG y) const {
    Realize();
    return px_.data() + std::size_t(y) * std::size_t(w_);
  }
  std::uint32_t* data() {
    Realize();
    return px_.data();
  }
  const std::uint32_t* data() const {
    Realize();
    return px_.data();
  }
  // CLR_INVALID outside the surface.
  COLORREF GetPixel(LONG x, LONG y) const;
  void Fill(std::uint32_t value);

 private:
  void Realize() const {
    if (pending_) RealizeNow();
  }
  void RealizeNow() const;

  LONG w_ = 0;
  LONG h_ = 0;
  LONG lw_ = 0;
  LONG lh_ = 0;
  double ratio_ = 1.0;
  bool mono_ = false;
  // While set, px_ is not made yet and every pixel is pendingFill_.
  mutable bool pending_ = false;
  std::uint32_t pendingFill_ = 0;
  mutable std::vector<std::uint32_t> px_;
};

// Drawing objects. Created by the functions below, destroyed by DeleteObject.
class GdiObject {
 public:
  virtual ~GdiObject();
  GdiKind kind() const { return kind_; }
  bool stock() const { return stock_; }
  int selectCount() const { return selected_; }

 protected:
  explicit GdiObject(GdiKind k) : kind_(k) {}

 private:
  friend class DC;
  friend struct GdiRegistry;
  GdiKind kind_;
  bool stock_ = false;
  bool deletePending_ = false;
  int selected_ = 0;  // number of contexts holding it
};

class Pen : public GdiObject {
 public:
  Pen(int style, int width, COLORREF color);
  int style() const { return style_; }
  int width() const { return width_; }
  COLORREF color() const { return color_; }

 private:
  int style_;
  int width_;
  COLORREF color_;
};

class Brush : public GdiObject {
 public:
  Brush(int style, COLORREF color, int hatch);
  int style() const { return style_; }
  COLORREF color() const { return color_; }
  int hatch() const { return hatch_; }

 private:
  int style_;
  COLORREF color_;
  int hatch_;
};

class Bitmap : public GdiObject {
 public:
  Bitmap() : GdiObject(GdiKind::Bitmap) {}
  Surface& surface() { return surface_; }
  const Surface& surface() const { return surface_; }
  // Logical size (the pixel size but for a buffer made for a dense window).
  LONG width() const { return surface_.logicalWidth(); }
  LONG height() const { return surface_.logicalHeight(); }
  int bitsPixel() const { return surface_.mono() ? 1 : 32; }
  DC* selectedInto() const { return owner_; }

 private:
  friend class DC;
  Surface surface_;
  DC* owner_ = nullptr;
};

// Pen: a width below 1 draws 1 pixel wide. Null for an unknown style.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
// Null for an unknown hatch.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The stock objects live for the whole process; null for an unknown index.
HGDIOBJ GetStockObject(int index);
// Destroys an object. A stock object is left alone (TRUE). An object that is
// still selected into a context is destroyed when the last context releases
// it (TRUE). FALSE for null or an unknown handle.
BOOL DeleteObject(HGDIOBJ obj);
// True while the handle names a live object.
bool IsGdiObject(HGDIOBJ obj);
// Number of live objects that are not stock objects (leak checks in tests).
std::size_t GdiObjectCount();

// Bitmaps. planes * bitsPerPixel must be 1 (monochrome, set bits white) or
// 24/32 (colour). `bits` (may be null: zero-filled) holds rows top first, each
// padded to a multiple of 2 bytes as the platform's device-dependent format;
// 24-bit rows are B, G, R triples, 32-bit rows B, G, R, X. Null for a negative
// or too large size; a 0 x 0 bitmap is valid.
HBITMAP CreateBitmap(LONG w, LONG h, UINT planes, UINT bitsPerPixel, const void* bits);
// A colour bitmap for a window or memory context (zero-filled: black), at the
// pixel ratio of the context's surface; for a memory context whose selected
// bitmap is monochrome, a monochrome one.
HBITMAP CreateCompatibleBitmap(HDC dc, LONG w, LONG h);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};
// Size and format of a bitmap; false for an unknown handle.
bool GetBitmapInfo(HBITMAP bmp, BITMAP* out);

// A window's persistent pixels: the framework keeps one per window, resizes it
// with the window and shows its pixels; XOR marks drawn outside painting stay
// until they are drawn again. Sizes are the window's logical pixels; the
// presentation sets the screen's pixel ratio.
class WindowSurface {
 public:
  WindowSurface() = default;
  WindowSurface(const WindowSurface&) = delete;
  WindowSurface& operator=(const WindowSurface&) = delete;
  // New client size, keeping the content; new pixels white. False for a bad size.
  bool Resize(LONG w, LONG h);
  // A new pixel ratio: the surface is made again, white, at the same logical
  // size. True when the ratio changed (the window must be drawn again).
  bool SetRatio(double ratio);
  double ratio() const { return surface_.ratio(); }
  LONG width() const { return surface_.logicalWidth(); }
  LONG height() const { return surface_.logicalHeight(); }
  Surface& surface() { return surface_; }
  const Surface& surface() const { return surface_; }

 private:
  Surface surface_;
};

// Float point in logical units, for the sub-pixel fill primitive.
struct PointF {
  float x = 0;
  float y = 0;
};

// One recorded call: the primitive's name as in the method ("LineTo",
// "Rectangle", "BitBlt", ...), its points in logical units (for blits: the
// destination and source corners and sizes packed as points), and the
// drawing state in effect.
struct DcCall {
  std::string op;
  std::vector<POINT> points;
  int penStyle = PS_NULL;
  int penWidth = 0;
  COLORREF penColor = 0;
  int brushStyle = BS_NULL;
  COLORREF brushColor = 0;
  int brushHatch = 0;
  int rop2 = R2_COPYPEN;
  DWORD rop3 = 0;       // blits only
  COLORREF color = 0;   // SetPixel, FillSolidRect, FillPolygonsF; TextOut's text colour
  // TextOut: the text and the selected font's height, width, escapement,
  // weight and face name.
  std::string text;
  LONG fontHeight = 0;
  LONG fontWidth = 0;
  LONG fontEscapement = 0;
  LONG fontWeight = 0;
  std::string fontFace;
  friend bool operator==(const DcCall&, const DcCall&) = default;
};

struct PathData;

// The pixels a stroked path set, kept by StrokePath(KeptStroke*) so that
// StrokeKept sets them again while the context draws on a surface of the same
// size through the same clip and origin with a pen of the same style and
// width: a repaint of an unchanged path without building it again. Only
// solid pens keep their pixels. A thin stroke of small curves drawn whole
// inside the clip box may be set again moved by whole pixels (a scroll).
class KeptStroke {
 public:
  bool IsKept() const { return kept_; }
  void Clear() {
    kept_ = movable_ = false;
    std::vector<LONG>().swap(runs_);
  }

 private:
  friend struct DcImpl;
  friend class DC;
  struct Key {
    LONG width = 0, height = 0;
    bool clipped = false;
    RECT clip{};
    POINT org{};
    double ratio = 1.0;
    int penStyle = 0, penWidth = 0;
    friend bool operator==(const Key&, const Key&) = default;
  };
  bool kept_ = false;
  bool movable_ = false;
  Key key_;
  RECT reach_{};               // the pixels its path could touch, in device units
  POINT cur_{};                // the current position the stroke left
  std::vector<LONG> runs_;     // y, x0, x1 of each run of pen pixels
};

class DC {
 public:
  // A memory context with the platform's initial 1 x 1 monochrome bitmap.
  DC();
  // A context drawing on a window's surface; the surface must outlive it.
  explicit DC(WindowSurface& window);
  ~DC();
  DC(const DC&) = delete;
  DC& operator=(const DC&) = delete;

  bool IsMemoryDC() const { return window_ == nullptr; }
  // Physical pixels per logical one of the surface drawn on: coordinates,
  // clips and pen widths are logical and scaled by it; pens of width 0 or 1
  // stay one physical pixel wide.
  double GetPixelRatio() const;
  // The pixels this context draws on (the selected bitmap's or the window's).
  Surface& GetSurface();

  // --- Objects: selecting returns the previous object of the same kind, null
  // on failure (unknown object; a bitmap selected into another context or
  // into a window context).
  HGDIOBJ SelectObject(HGDIOBJ obj);
  HPEN SelectObject(HPEN pen);
  HBRUSH SelectObject(HBRUSH brush);
  HBITMAP SelectObject(HBITMAP bmp);
  HGDIOBJ SelectStockObject(int index);
  HPEN GetCurrentPen() const { return pen_; }
  HBRUSH GetCurrentBrush() const { return brush_; }
  HBITMAP GetCurrentBitmap() const { return bitmap_; }
  // Font slot for the text routines (platform/font.h); returns the previous font.
  Font* SelectFont(Font* font);
  Font* GetCurrentFont() const { return font_; }

  // --- Modes; each setter returns the previous value (0 for an invalid one).
  int SetROP2(int mode);
  int GetROP2() const { return rop2_; }
  int SetBkMode(int mode);
  int GetBkMode() const { return bkMode_; }
  COLORREF SetBkColor(COLORREF c);
  COLORREF GetBkColor() const { return bkColor_; }
  COLORREF SetTextColor(COLORREF c);
  COLORREF GetTextColor() const { return textColor_; }
  int SetPolyFillMode(int mode);
  int GetPolyFillMode() const { return fillMode_; }
  UINT SetTextAlign(UINT align);
  UINT GetTextAlign() const { return textAlign_; }
  // Device = logical + viewport origin (times the pixel ratio, rounded).
  POINT SetViewportOrg(LONG x, LONG y);
  POINT GetViewportOrg() const { return org_; }

  // --- Clipping (device coordinates for SelectClipRect, logical otherwise).
  // Null removes the clip. Returns the region kind.
  int SelectClipRect(const RECT* deviceRect);
  int IntersectClipRect(LONG l, LONG t, LONG r, LONG b);
  // The clip rectangle in logical coordinates (the surface when unclipped).
  int GetClipBox(RECT* out) const;

  // --- Lines with the current pen and ROP2.
  POINT MoveTo(LONG x, LONG y);
  POINT MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(LONG x, LONG y);
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  POINT GetCurrentPosition() const { return cur_; }
  BOOL Polyline(const POINT* pts, int count);
  BOOL PolylineTo(const POINT* pts, int count);
  // 1 + 3n points / 3n points: cubic pieces; the curve starts on the first
  // point and runs into the last one, which (as a line's last pixel) is not set.
  BOOL PolyBezier(const POINT* pts, int count);
  BOOL PolyBezierTo(const POINT* pts, int count);
  BOOL Arc(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4);

  // --- Closed figures: filled with the brush, outlined with the pen.
  BOOL Polygon(const POINT* pts, int count);
  BOOL Rectangle(LONG l, LONG t, LONG r, LONG b);
  BOOL Rectangle(const RECT& rc) { return Rectangle(rc.left, rc.top, rc.right, rc.bottom); }
  BOOL RoundRect(LONG l, LONG t, LONG r, LONG b, LONG w, LONG h);
  BOOL Ellipse(LONG l, LONG t, LONG r, LONG b);
  BOOL Ellipse(const RECT& rc) { return Ellipse(rc.left, rc.top, rc.right, rc.bottom); }
  BOOL Pie(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4);
  BOOL Chord(LONG l, LONG t, LONG r, LONG b, LONG x3, LONG y3, LONG x4, LONG y4);
  // The whole rectangle [l, r) x [t, b) with the brush, ignoring ROP2.
  int FillRect(const RECT& rc, HBRUSH brush);
  // The whole rectangle in one colour, ignoring ROP2.
  void FillSolidRect(const RECT& rc, COLORREF color);

  // --- Pixels. SetPixel ignores ROP2 and returns the colour set (CLR_INVALID
  // outside the surface or clip); GetPixel CLR_INVALID outside.
  COLORREF SetPixel(LONG x, LONG y, COLORREF c);
  COLORREF GetPixel(LONG x, LONG y) const;

  // --- Paths: between BeginPath and EndPath, MoveTo, LineTo, Polyline(To),
  // PolyBezier(To), Polygon, Rectangle, Ellipse and CloseFigure build the path
  // instead of drawing. The stroke/fill calls use the path and discard it.
  BOOL BeginPath();
  BOOL EndPath();
  BOOL AbortPath();
  BOOL CloseFigure();
  BOOL StrokePath();
  // The same, keeping its pixels in *keep (cleared when they cannot be kept).
  BOOL StrokePath(KeptStroke* keep);
  // Sets the pixels a StrokePath kept, with the current pen colour and ROP2,
  // as that stroke would now, and leaves the position and path as it did;
  // false (nothing done) when nothing is kept for this context and pen or
  // the calls are being recorded.
  bool StrokeKept(const KeptStroke& keep);
  // The same moved by (dx, dy) device pixels, as the same path moved so
  // would stroke; false (nothing done) where that cannot be told without
  // stroking it: the stroke or its moved place reaches out of the clip box.
  bool StrokeKept(const KeptStroke& keep, LONG dx, LONG dy);
  BOOL FillPath();
  BOOL StrokeAndFillPath();
  bool InPath() const;

  // --- Block transfers with a ternary raster operation. The source may be
  // null when the code does not use it. Colour to monochrome: pixels of the
  // source's background colour become white, all others black; monochrome to
  // colour: black becomes this context's text colour, white its background
  // colour. StretchBlt mirrors for negative sizes and samples nearest pixels.
  // Between surfaces of different pixel ratios the rectangles are scaled
  // apiece; a plain colour copy onto the denser one is smoothed.
  BOOL BitBlt(LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, DWORD rop);
  BOOL StretchBlt(LONG x, LONG y, LONG w, LONG h, DC* src, LONG xs, LONG ys, LONG ws, LONG hs,
                  DWORD rop);
  BOOL PatBlt(LONG x, LONG y, LONG w, LONG h, DWORD rop);

  // --- Sub-pixel fill for text and callers with float geometry: `polyCount`
  // closed polygons, `counts[i]` points each, taken one after another from
  // `pts`, in logical units, filled in one colour through ROP2 and the clip with
  // the given fill mode (ALTERNATE or WINDING). Pixel (x, y) is sampled at (x, y).
  // With `keepThinParts` (glyphs), a part thinner than a pixel that passes between
  // the sample points of a row or column still lights the pixel nearest its middle.
  void FillPolygonsF(const PointF* pts, const int* counts, int polyCount, int fillMode,
                     COLORREF color, bool keepThinParts = false);

  // --- Recording of the calls received (for tests).
  void StartRecording();
  void StopRecording();
  bool IsRecording() const { return recording_; }
  const std::vector<DcCall>& Recorded() const { return calls_; }
  void ClearRecording() { calls_.clear(); }
  // Records a call made by a drawing routine outside this class (text output).
  void RecordCall(DcCall call) {
    if (recording_) calls_.push_back(std::move(call));
  }

 private:
  friend struct DcImpl;
  WindowSurface* window_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HBITMAP defaultBitmap_ = nullptr;
  Font* font_ = nullptr;
  int rop2_ = R2_COPYPEN;
  int bkMode_ = OPAQUE;
  COLORREF bkColor_ = RGB(255, 255, 255);
  COLORREF textColor_ = RGB(0, 0, 0);
  int fillMode_ = ALTERNATE;
  UINT textAlign_ = TA_LEFT | TA_TOP;
  POINT org_{};
  POINT cur_{};
  bool clipped_ = false;
  RECT clip_{};  // device coordinates, when clipped_
  int styleState_ = 0;  // position in the pen's dash pattern
  PathData* path_ = nullptr;
  bool recording_ = false;
  std::vector<DcCall> calls_;
};

// A memory context; null source means compatible with the screen.
HDC CreateCompatibleDC(HDC dc);
// Deletes a context made by CreateCompatibleDC; its objects are deselected.
BOOL DeleteDC(HDC dc);

}  // namespace plat
