// The screen grab window (dialog 226): covers the screen with a snapshot of it,
// lets the user drag a rectangle, makes the pixels inside it a black-and-white
// bitmap by a brightness threshold and traces that into the active design.
#pragma once
#include <cstdint>

#include "framework/dialog.h"
#include "platform/dc.h"

class CVORLAN98View;

namespace screengrab {

// Pixels [left, left + width) x [top, top + height): the inside of the rubber
// band from a to b, whose outline runs through both points.
struct Band {
  plat::LONG left = 0;
  plat::LONG top = 0;
  plat::LONG width = 0;
  plat::LONG height = 0;
};
Band BandInside(plat::POINT a, plat::POINT b);

// Smallest band side that is traced.
constexpr plat::LONG kMinBandSide = 3;

// A monochrome bitmap of exactly the band's pixels of `screen`: white where
// red + green + blue exceeds the threshold, black elsewhere (and outside the
// screen). Null for a band under kMinBandSide either way, or too large.
plat::HBITMAP MakeBandBitmap(const plat::Surface& screen, const Band& band, int threshold);

}  // namespace screengrab

class CScreenGrabDlg : public fw::CDialog {
 public:
  // `screen` is the snapshot shown and read; a traced band is added to the
  // document of `view`.
  CScreenGrabDlg(CVORLAN98View& view, plat::Surface screen, fw::CWnd* parent = nullptr);
  ~CScreenGrabDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnPaint() override;
  void OnDestroy() override;
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnMouseMove(fw::UINT flags, fw::POINT pt) override;
  void OnLButtonUp(fw::UINT flags, fw::POINT pt) override;

  int GetThreshold() const { return m_threshold; }
  // The band and the bitmap of the last grab (null when it was too small);
  // the bitmap lives as long as the window.
  const screengrab::Band& GetBand() const { return m_band; }
  plat::HBITMAP GetBandBitmap() const { return m_bandBitmap; }

 private:
  plat::POINT ToScreen(fw::POINT client) const;
  // XOR-draws the rubber band from the start to the end point.
  void DrawBand(plat::HDC dc) const;
  void Release();

  CVORLAN98View& m_view;
  plat::HBITMAP m_screen = nullptr;  // the snapshot
  plat::POINT m_start{};             // screen pixels
  plat::POINT m_end{};
  bool m_dragging = false;
  int m_threshold = 512;
  fw::HCURSOR m_oldCursor = 0;
  bool m_cursorSet = false;
  screengrab::Band m_band;
  plat::HBITMAP m_bandBitmap = nullptr;
};
