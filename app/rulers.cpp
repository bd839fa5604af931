#include "app/rulers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/services.h"
#include "platform/font.h"
#include "platform/text_out.h"
#include "text/texteditordlg.h"

std::uint32_t RulerTickUnit(double& zoom) {
  if (zoom > kMaxZoom) {
    zoom = kHugeZoom;
    return std::uint32_t(kHugeZoom);
  }
  std::uint32_t unit = 1000000;  // zooms of 100 000 and more
  for (std::uint32_t u = 1; u <= 100000; u *= 10)
    if (double(u) > zoom) {
      unit = u;
      break;
    }
  if (double(unit) / zoom < 3.0) unit *= 10;
  return unit;
}

// ---------------------------------------------------------------------------
// CRulerBar

CRulerBar::CRulerBar(bool vertical)
    : fw::CDialog(vertical ? appid::IDD_RULER_VERT : appid::IDD_RULER_HORZ), m_vertical(vertical) {}

CRulerBar::~CRulerBar() = default;

void CRulerBar::SetScale(std::uint32_t unit, float origin, double zoom) {
  m_small = float(unit);
  m_medium = float(unit) * 10.0f;
  m_large = float(unit) * 100.0f;
  m_origin = origin;
  m_zoom = zoom;
}

int CRulerBar::ToDevice(double page) const { return plat::SatTrunc((page - double(m_origin)) / m_zoom); }

int CRulerBar::Length() const {
  fw::SIZE c = GetClientSize();
  return m_vertical ? c.cy : c.cx;
}

void CRulerBar::OnSize(fw::UINT type, int cx, int cy) {
  fw::CDialog::OnSize(type, cx, cy);
  m_thickness = m_vertical ? cx : cy;
}

namespace {
// The point in the parent's client coordinates.
fw::POINT InParent(const fw::CWnd& bar, fw::POINT pt) {
  if (fw::CWnd* parent = bar.GetParent()) {
    bar.ClientToScreen(&pt);
    parent->ScreenToClient(&pt);
  }
  return pt;
}
}  // namespace

void CRulerBar::OnLButtonDown(fw::UINT flags, fw::POINT pt) {
  if (fw::CWnd* parent = GetParent()) parent->OnLButtonDown(flags, InParent(*this, pt));
}
void CRulerBar::OnMouseMove(fw::UINT flags, fw::POINT pt) {
  if (fw::CWnd* parent = GetParent()) parent->OnMouseMove(flags, InParent(*this, pt));
}
void CRulerBar::OnLButtonUp(fw::UINT flags, fw::POINT pt) {
  if (fw::CWnd* parent = GetParent()) parent->OnLButtonUp(flags, InParent(*this, pt));
}

void CRulerBar::Paint(plat::DC* dc, int length) {
  const int t = m_thickness;
  const int inner = t - 1;
  const fw::RECT all = m_vertical ? fw::RECT{0, 0, t, length} : fw::RECT{0, 0, length, t};
  dc->FillRect(all, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::LTGRAY_BRUSH)));

  // Edge lines: white outside, black next to the drawing area.
  plat::HPEN oldPen = dc->SelectObject(static_cast<plat::HPEN>(plat::GetStockObject(plat::WHITE_PEN)));
  const int oldRop = dc->SetROP2(plat::R2_COPYPEN);
  if (m_vertical) {
    dc->MoveTo(0, 0);
    dc->LineTo(0, length);
  } else {
    dc->MoveTo(0, 0);
    dc->LineTo(length, 0);
  }
  dc->SelectObject(static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)));
  if (m_vertical) {
    dc->MoveTo(inner, 0);
    dc->LineTo(inner, length);
  } else {
    dc->MoveTo(0, inner);
    dc->LineTo(length, inner);
  }
  const int oldBk = dc->SetBkMode(plat::TRANSPARENT);

  plat::Font* font = nullptr;
  plat::Font* oldFont = nullptr;
  if (m_vertical) {
    font = plat::CreateFont(8, 6, -900, 0, plat::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    oldFont = dc->SelectFont(font);
  }

  // Ticks by an integer index: k × unit is the page position. The unit keeps
  // at least 3 pixels between ticks, so the walk is bounded by the length.
  const double unit = m_small;
  const double zoom = m_zoom;
  if (unit > 0.0 && zoom > 0.0 && std::isfinite(zoom) && std::isfinite(double(m_origin))) {
    const double first = std::trunc(double(m_origin) / unit);
    const double end = double(m_origin) + double(length) * zoom;
    const double count = std::floor((end - first * unit) / unit);
    const long long n = count < 0.0 ? -1 : (long long)(std::min(count, double(length) + 2.0));
    const long long k0 = (long long)std::clamp(first, -9.0e15, 9.0e15);
    for (long long i = 0; i <= n; ++i) {
      const long long k = k0 + i;
      const double p = double(k) * unit;
      const int at = ToDevice(p);
      int reach;  // the tick's far end across the bar
      bool label = true;
      if (k % 100 == 0) {
        reach = t / 4;
      } else if (k % 10 == 0) {
        reach = t / 2;
      } else {
        reach = t * 3 / 4;
        label = false;
      }
      if (m_vertical) {
        dc->MoveTo(inner, at);
        dc->LineTo(reach, at);
      } else {
        dc->MoveTo(at, inner);
        dc->LineTo(at, reach);
      }
      if (label) {
        char text[32];
        const double mm = std::clamp(p, -2147483648.0, 2147483647.0);
        std::snprintf(text, sizeof text, "%-6d", int(mm));
        if (m_vertical)
          plat::TextOut(dc, t * 3 / 4, plat::SatAdd(at, 3), text);
        else
          plat::TextOut(dc, plat::SatAdd(at, 1), 0, text);
      }
    }
  }

  if (font) {
    dc->SelectFont(oldFont);
    plat::DeleteFont(font);
  }
  dc->SetBkMode(oldBk);
  dc->SetROP2(oldRop);
  dc->SelectObject(oldPen);
  DrawMark(dc);
}

void CRulerBar::DrawMark(plat::DC* dc) const {
  if (!dc) return;
  plat::HPEN pen = SharedTools().xorPen;
  if (!pen) pen = static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN));
  plat::HPEN oldPen = dc->SelectObject(pen);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  const int at = ToDevice(m_mark);
  if (m_vertical) {
    dc->MoveTo(0, at);
    dc->LineTo(m_thickness, at);
  } else {
    dc->MoveTo(at, 0);
    dc->LineTo(at, m_thickness);
  }
  dc->SetROP2(oldRop);
  dc->SelectObject(oldPen);
}

void CRulerBar::MoveMark(float pagePos) {
  plat::HDC dc = m_hWnd ? fw::CWnd::GetDC() : nullptr;
  DrawMark(dc);
  m_mark = pagePos;
  DrawMark(dc);
  if (dc) ReleaseDC(dc);
}

void CRulerBar::OnPaint() {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  if (ps.hdc) Paint(ps.hdc, Length());
  EndPaint(&ps);
}

// ---------------------------------------------------------------------------
// CViewRulers

CViewRulers::CViewRulers(fw::CWnd* view, int thickness)
    : m_thickness(thickness), m_view(view), m_guides(dynamic_cast<CViewServices*>(view), thickness, this) {
  CreateSharedDrawingTools();
  m_horz.SetThickness(thickness + 1);
  m_vert.SetThickness(thickness + 1);
  if (view && view->m_hWnd) {
    m_horz.Create(appid::IDD_RULER_HORZ, view);
    m_vert.Create(appid::IDD_RULER_VERT, view);
    m_corner = std::make_unique<CRulerCornerDlg>();
    if (m_corner->Create(view)) {
      m_corner->MoveWindow(0, 0, thickness, thickness);
      m_corner->ShowWindow(fw::SW_SHOW);
    }
  }
}

CViewRulers::~CViewRulers() {
  if (m_corner && m_corner->m_hWnd) m_corner->DestroyWindow();
  if (m_horz.m_hWnd) m_horz.DestroyWindow();
  if (m_vert.m_hWnd) m_vert.DestroyWindow();
}

void CViewRulers::DrawingArea(double* w, double* h) const {
  fw::SIZE c{0, 0};
  if (m_view) c = m_view->GetClientSize();
  *w = std::max(1.0, double(c.cx) - m_thickness);
  *h = std::max(1.0, double(c.cy) - m_thickness);
}

void CViewRulers::SetMatrix() {
  if (!m_matrix)
    m_matrix = std::make_unique<CMatrix3>();
  else
    m_matrix->SetIdentity();
  const double inv = 1.0 / m_zoom;
  m_matrix->m00 = float(inv);
  m_matrix->m11 = float(inv);
  m_matrix->m20 = float(m_thickness - double(m_origin.x) / m_zoom);
  m_matrix->m21 = float(m_thickness - double(m_origin.y) / m_zoom);
}

double CViewRulers::ZoomToRect(const plat::RECT* rect) {
  if (!rect) return 1.0;
  CFRect r(float(rect->left), float(rect->top), float(rect->right), float(rect->bottom));
  return ZoomToRect(&r);
}

double CViewRulers::ZoomToRect(const CFRect* rect) {
  if (!rect) return 1.0;
  const double x0 = rect->left, y0 = rect->top, x1 = rect->right, y1 = rect->bottom;
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return m_zoom;
  double w, h;
  DrawingArea(&w, &h);
  double zoom = std::max((x1 - x0) / w, (y1 - y0) / h);
  if (!(zoom >= kMinZoom)) zoom = kMinZoom;
  m_unit = RulerTickUnit(zoom);
  m_zoom = zoom;
  m_origin.x = float(x0 - (w * zoom - (x1 - x0)) / 2.0);
  m_origin.y = float(y0 - (h * zoom - (y1 - y0)) / 2.0);
  m_horz.SetScale(m_unit, m_origin.x, m_zoom);
  m_vert.SetScale(m_unit, m_origin.y, m_zoom);
  SetMatrix();
  if (m_horz.m_hWnd) m_horz.Invalidate(fw::FALSE);
  if (m_vert.m_hWnd) m_vert.Invalidate(fw::FALSE);
  return m_zoom;
}

void CViewRulers::ScrollBy(int dx, int dy) {
  if (dx != 0) {
    m_origin.x = float(double(m_origin.x) - dx * m_zoom);
    if (m_matrix) m_matrix->m20 += float(dx);
    m_horz.SetOrigin(m_origin.x);
    if (m_horz.m_hWnd) {
      m_horz.ScrollWindow(dx, 0);
      m_horz.Invalidate(fw::FALSE);
      m_horz.UpdateWindow();
    }
  }
  if (dy != 0) {
    m_origin.y = float(double(m_origin.y) - dy * m_zoom);
    if (m_matrix) m_matrix->m21 += float(dy);
    m_vert.SetOrigin(m_origin.y);
    if (m_vert.m_hWnd) {
      m_vert.ScrollWindow(0, dy);
      m_vert.Invalidate(fw::FALSE);
      m_vert.UpdateWindow();
    }
  }
}

void CViewRulers::Reposition() {
  if (!m_view || !m_view->m_hWnd) return;
  fw::RECT c;
  m_view->GetClientRect(&c);
  const int t = m_thickness;
  if (m_horz.m_hWnd) {
    m_horz.MoveWindow(t, -1, std::max(0, c.right - t), t + 1);
    m_horz.ShowWindow(fw::SW_SHOW);
    m_horz.UpdateWindow();
  }
  if (m_vert.m_hWnd) {
    m_vert.MoveWindow(-1, t, t + 1, std::max(0, c.bottom - t));
    m_vert.ShowWindow(fw::SW_SHOW);
    m_vert.UpdateWindow();
  }
}

void CViewRulers::TrackMouse(CFPoint page) {
  m_markX = page.x;
  m_markY = page.y;
  m_guides.TrackMouse(page.x, page.y);
}

void CViewRulers::DrawHorzMarker(float x, plat::DC* dc) {
  if (dc) {
    m_horz.DrawMark(dc);
    m_horz.SetMark(x);
    m_horz.DrawMark(dc);
  } else {
    m_horz.MoveMark(x);
  }
}

void CViewRulers::DrawVertMarker(float y, plat::DC* dc) {
  if (dc) {
    m_vert.DrawMark(dc);
    m_vert.SetMark(y);
    m_vert.DrawMark(dc);
  } else {
    m_vert.MoveMark(y);
  }
}

void CViewRulers::UpdateBars() {
  for (CRulerBar* bar : {&m_horz, &m_vert})
    if (bar->m_hWnd) {
      bar->Invalidate(fw::FALSE);
      bar->UpdateWindow();
    }
}
