// The page-to-device mapping of a view and its two ruler bars: the zoom
// (page millimetres per device pixel), the page origin at the top-left corner
// of the drawing area, the matrix from page to device pixels, the ruler bars
// along the top and left edges and the corner window where they meet.
#pragma once
#include <cstdint>
#include <memory>

#include "app/appids.h"
#include "framework/dialog.h"
#include "model/geometry.h"
#include "model/rulerguides.h"
#include "platform/dc.h"

class CRulerCornerDlg;

// Zoom limits and the tick unit of a zoom.
constexpr double kMinZoom = 0.02;
constexpr double kMaxZoom = 1000000.0;
constexpr double kHugeZoom = 10000000.0;  // the zoom and unit beyond kMaxZoom
// Page millimetres between two small ticks for a zoom, and the zoom itself
// after the limit above kMaxZoom.
std::uint32_t RulerTickUnit(double& zoom);

// One ruler bar. Painting and the cursor mark work on any device context so
// that they can be checked without a window.
class CRulerBar : public fw::CDialog {
 public:
  explicit CRulerBar(bool vertical);
  ~CRulerBar() override;

  bool IsVertical() const { return m_vertical; }
  // Tick unit, page origin along the bar's axis and zoom, kept for painting.
  void SetScale(std::uint32_t unit, float origin, double zoom);
  void SetOrigin(float origin) { m_origin = origin; }
  float GetOrigin() const { return m_origin; }
  float GetSmallStep() const { return m_small; }
  float GetMediumStep() const { return m_medium; }
  float GetLargeStep() const { return m_large; }
  int GetThickness() const { return m_thickness; }
  void SetThickness(int thickness) { m_thickness = thickness; }
  float GetMark() const { return m_mark; }
  void SetMark(float pagePos) { m_mark = pagePos; }

  // Paints the whole bar of the given length along its axis.
  void Paint(plat::DC* dc, int length);
  // XOR line across the bar at the page position of the mark.
  void DrawMark(plat::DC* dc) const;
  // Erases the mark at its old position (in the bar's window), draws it at the
  // new page position and keeps that.
  void MoveMark(float pagePos);

  void OnPaint() override;
  void OnSize(fw::UINT type, int cx, int cy) override;
  // Presses on a bar belong to the view under it: they start guide drags there.
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnMouseMove(fw::UINT flags, fw::POINT pt) override;
  void OnLButtonUp(fw::UINT flags, fw::POINT pt) override;

 private:
  // Device position along the bar of a page position (clamped to i32).
  int ToDevice(double page) const;
  int Length() const;

  float m_small = 1.0f;
  float m_medium = 10.0f;
  float m_large = 100.0f;
  int m_thickness = 15;
  float m_origin = 0.0f;
  double m_zoom = 1.0;
  float m_mark = -99999.0f;
  bool m_vertical;
};

// Owns the guide list through its guide half (CRulerGuides), to which the
// guide operations go; the bars are the guides' cursor markers.
class CViewRulers : public CRulerMarkerServices {
 public:
  // Creates both bars and the corner window as children of the view.
  CViewRulers(fw::CWnd* view, int thickness);
  ~CViewRulers() override;
  CViewRulers(const CViewRulers&) = delete;
  CViewRulers& operator=(const CViewRulers&) = delete;

  int GetThickness() const { return m_thickness; }
  double GetZoom() const { return m_zoom; }
  double* GetZoomPointer() { return &m_zoom; }
  // Null before the first zoom.
  const CMatrix3* GetMatrix() const { return m_matrix.get(); }
  CFPoint GetOrigin() const { return m_origin; }
  std::uint32_t GetTickUnit() const { return m_unit; }
  CRulerBar& Horizontal() { return m_horz; }
  CRulerBar& Vertical() { return m_vert; }
  CRulerCornerDlg* GetCorner() const { return m_corner.get(); }
  fw::CWnd* GetView() const { return m_view; }

  // Fits the page rectangle into the drawing area, centred; returns the zoom.
  // Without a rectangle: 1.0 and nothing changes; a rectangle that is not
  // finite leaves everything as it was.
  double ZoomToRect(const CFRect* rect);
  double ZoomToRect(const plat::RECT* rect);
  // Moves the origin by device pixels (positive: the page moves right/down).
  void ScrollBy(int dx, int dy);
  // Places both bars along the view's client edges and shows them.
  void Reposition();
  // Moves the cursor marks to a page point.
  void TrackMouse(CFPoint page);
  // Repaints both bars at once.
  void UpdateBars();
  // XOR feedback of a guide line being dragged.
  void DrawGuideFeedback(plat::DC* dc) { m_guides.DrawGuideFeedback(dc); }
  // The drawing area: the client size less the rulers, at least 1 x 1.
  void DrawingArea(double* w, double* h) const;

  // --- Guides.
  CRulerGuides& Guides() { return m_guides; }
  CGuideList& GetGuideList() { return m_guides.GetGuideList(); }
  // Mouse in view pixels; non-zero when a guide took it.
  int OnLButtonDown(std::uint32_t flags, int x, int y) { return m_guides.OnLButtonDown(flags, x, y); }
  int OnMouseMove(std::uint32_t flags, int x, int y) { return m_guides.OnMouseMove(flags, x, y); }
  int OnLButtonUp(std::uint32_t flags, int x, int y) { return m_guides.OnLButtonUp(flags, x, y); }
  void DrawGuides(plat::DC* dc) { m_guides.DrawGuides(dc); }
  int SnapRect(CFRect& r, float tolerance) { return m_guides.SnapRect(r, tolerance); }
  int SaveGuides(CFileServices& file) { return m_guides.SaveGuides(file); }
  int LoadGuides(CFileServices& file) { return m_guides.LoadGuides(file); }

  // --- CRulerMarkerServices: the bars' cursor marks.
  void DrawHorzMarker(float x, plat::DC* dc) override;
  void DrawVertMarker(float y, plat::DC* dc) override;

 private:
  void SetMatrix();

  CRulerBar m_horz{false};
  CRulerBar m_vert{true};
  int m_thickness;
  double m_zoom = 1.0;
  std::unique_ptr<CRulerCornerDlg> m_corner;
  float m_markX = -99999.0f;
  float m_markY = -99999.0f;
  std::unique_ptr<CMatrix3> m_matrix;
  CFPoint m_origin;
  fw::CWnd* m_view;
  std::uint32_t m_unit = 1;
  CRulerGuides m_guides;
};
