#include "model/rulerguides.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "model/guideline.h"
#include "model/segarray.h"
#include "platform/report.h"

namespace {

// A view's DC for a scope, or the caller's.
class GuideDC {
 public:
  GuideDC(CViewServices* view, plat::DC* given) : view_(view), dc_(given) {
    if (!dc_ && view_) {
      dc_ = view_->GetDC();
      owned_ = dc_ != nullptr;
    }
  }
  ~GuideDC() {
    if (owned_) view_->ReleaseDC(dc_);
  }
  GuideDC(const GuideDC&) = delete;
  GuideDC& operator=(const GuideDC&) = delete;
  plat::DC* get() const { return dc_; }

 private:
  CViewServices* view_;
  plat::DC* dc_;
  bool owned_ = false;
};

// Moves `lo` onto `target` when it lies within t (else `hi`), carrying the
// other edge along.
bool SnapEdges(float& lo, float& hi, float target, float t) {
  const auto within = [&](float v) { return std::fabs(v - target) <= t; };
  if (within(lo)) {
    const float d = target - lo;
    lo = target;
    hi += d;
    return true;
  }
  if (within(hi)) {
    const float d = target - hi;
    hi = target;
    lo += d;
    return true;
  }
  return false;
}

CGuideLine* AsGuideLine(CGuideItem* item) {
  return item && item->letter == GUIDE_LINE_LETTER ? static_cast<CGuideLine*>(item) : nullptr;
}

}  // namespace

CRulerGuides::CRulerGuides(CViewServices* view, int thickness, CRulerMarkerServices* markers)
    : view_(view), thickness_(thickness), markers_(markers) {}

float CRulerGuides::Scale() const {
  return view_ ? static_cast<float>(view_->GetUnitsPerPixel()) : 1.0f;
}

CFPoint CRulerGuides::ToPage(int x, int y) const {
  CFPoint p{float(x), float(y)};
  const CMatrix3* m = view_ ? view_->GetViewMatrix() : nullptr;
  if (m && m->IsInvertible()) {
    m->CreateInverse()->TransformPoint(p);
  } else {
    p.x *= Scale();
    p.y *= Scale();
  }
  return p;
}

// --- The guide drag ---------------------------------------------------------------

int CRulerGuides::OnLButtonDown(std::uint32_t, int x, int y) {
  state_ = GUIDE_DRAG_NONE;
  moving_ = false;
  if (x > 0 && x < thickness_) state_ |= GUIDE_DRAG_VERT;
  if (y > 0 && y < thickness_) state_ |= GUIDE_DRAG_HORZ;
  press_ = last_ = ToPage(x, y);
  pressPixel_ = {x, y};
  if (state_ != GUIDE_DRAG_NONE) {
    DrawGuideFeedback(nullptr);
    return 1;
  }

  GuideDC dc(view_, nullptr);
  const CMatrix3* m = view_ ? view_->GetViewMatrix() : nullptr;
  const CFRect e = VisiblePageRect(view_);
  CGuideItem* hit = guides_.ItemAt(press_.x, press_.y, 3.0f * Scale());
  if (!hit) {
    guides_.ClearSelection(dc.get(), m, &e);
    return 0;
  }
  if (hit->selection == 0) {
    guides_.ClearSelection(dc.get(), m, &e);
    guides_.Select(dc.get(), m, &e, hit);
  }
  guides_.MarkAllSelected(dc.get(), m, &e);
  state_ = GUIDE_DRAG_MOVE;
  DrawGuideFeedback(dc.get());
  return 1;
}

int CRulerGuides::OnMouseMove(std::uint32_t, int x, int y) {
  if (state_ == GUIDE_DRAG_NONE) return 0;
  GuideDC dc(view_, nullptr);
  DrawGuideFeedback(dc.get());
  const CFPoint p = ToPage(x, y);
  if (state_ == GUIDE_DRAG_MOVE) {
    if (!moving_ && (std::abs(x - pressPixel_.x) >= 3 || std::abs(y - pressPixel_.y) >= 3))
      moving_ = true;
    if (moving_) {
      guides_.OffsetSelected(p.x - last_.x, p.y - last_.y);
      last_ = p;
    }
  } else {
    last_ = p;
  }
  DrawGuideFeedback(dc.get());
  return 1;
}

int CRulerGuides::OnLButtonUp(std::uint32_t, int x, int y) {
  if (state_ == GUIDE_DRAG_NONE) return 0;
  GuideDC dc(view_, nullptr);
  DrawGuideFeedback(dc.get());
  const CMatrix3* m = view_ ? view_->GetViewMatrix() : nullptr;
  const CFRect e = VisiblePageRect(view_);
  const CFPoint p = ToPage(x, y);
  const bool overRuler = x < thickness_ || y < thickness_;
  bool deleted = false;

  if (state_ == GUIDE_DRAG_MOVE) {
    if (overRuler) {
      // Dropped back onto a ruler: the guides go. Their drag drawing is
      // already erased, so they are not drawn again before they go.
      plat::MessageBeep(0);
      for (CGuideItem* item : guides_.Items())
        if (item->selection != 0) item->selection = 1;
      guides_.DeleteSelected(view_);
      deleted = true;
    } else {
      guides_.UnmarkAllSelected(dc.get(), m, &e);
      guides_.RedrawSelected(dc.get(), m, &e);
    }
  } else if (!overRuler) {
    const double angle = (state_ & GUIDE_DRAG_HORZ) ? 0.0 : 90.0;
    auto* line = new CGuideLine(p.x, p.y, angle);
    guides_.Add(line);
    if (dc.get() && m) line->DrawGuide(dc.get(), m, &e);
  }
  state_ = GUIDE_DRAG_NONE;
  moving_ = false;
  if (!deleted) {
    CAppServices* app = GetAppServices();
    if (CWindowServices* prop = app ? app->GetPropertyFrame() : nullptr)
      guides_.ShowCurrentProperties(prop);
  }
  return 1;
}

void CRulerGuides::DrawGuideFeedback(plat::DC* given) {
  if (state_ == GUIDE_DRAG_NONE) return;
  GuideDC dc(view_, given);
  const CMatrix3* m = view_ ? view_->GetViewMatrix() : nullptr;
  if (!dc.get() || !m) return;
  if (state_ == GUIDE_DRAG_MOVE) {
    const CFRect e = VisiblePageRect(view_);
    guides_.DrawSelected(dc.get(), m, &e);
    return;
  }
  const plat::RECT cr = view_->GetClientRect();
  CFPoint at = last_;
  plat::POINT d{};
  m->TransformPointToInt(at, &d);
  plat::HPEN pen = plat::CreatePen(plat::PS_DASHDOT, 1, plat::RGB(255, 0, 0));
  plat::HPEN oldPen = pen ? dc.get()->SelectObject(pen) : nullptr;
  const int oldRop = dc.get()->SetROP2(plat::R2_NOTXORPEN);
  if (state_ & GUIDE_DRAG_HORZ) {
    dc.get()->MoveTo(cr.left, d.y);
    dc.get()->LineTo(cr.right, d.y);
  }
  if (state_ & GUIDE_DRAG_VERT) {
    dc.get()->MoveTo(d.x, cr.top);
    dc.get()->LineTo(d.x, cr.bottom);
  }
  if (oldRop) dc.get()->SetROP2(oldRop);
  if (oldPen) dc.get()->SelectObject(oldPen);
  if (pen) plat::DeleteObject(pen);
}

void CRulerGuides::TrackMouse(float x, float y) {
  if (!markers_) return;
  markers_->DrawHorzMarker(x, nullptr);
  markers_->DrawVertMarker(y, nullptr);
}

void CRulerGuides::DrawGuides(plat::DC* given) {
  GuideDC dc(view_, given);
  const CMatrix3* m = view_ ? view_->GetViewMatrix() : nullptr;
  if (!dc.get() || !m) return;
  const CFRect e = VisiblePageRect(view_);
  for (CGuideItem* item : guides_.Items()) item->DrawGuide(dc.get(), m, &e);
}

// --- Selection and properties -------------------------------------------------------

int CRulerGuides::HasSelectedGuide() const { return GetSelectedGuide() ? 1 : 0; }

CGuideItem* CRulerGuides::GetSelectedGuide() const {
  for (CGuideItem* item : guides_.Items())
    if (item->selection != 0) return item;
  return nullptr;
}

int CRulerGuides::ShowGuideProperties(CWindowServices* prop) {
  return guides_.ShowCurrentProperties(prop);
}

void CRulerGuides::ApplyGuideProperties(CWindowServices* panel) {
  GuideDC dc(view_, nullptr);
  DrawGuides(dc.get());
  const int ok = guides_.ApplyCurrentProperties(panel);
  DrawGuides(dc.get());
  if (!ok) plat::MessageBeep(0);
}

// --- Snapping -------------------------------------------------------------------------

int CRulerGuides::SnapPoint(CFPoint& p, float t) {
  if (t == 0.0f) t = 5.0f * Scale();
  int snapped = 0;
  for (CGuideItem* item : guides_.Items()) {
    CGuideLine* g = AsGuideLine(item);
    if (!g || !g->HitTest(p.x, p.y, t) || !g->ReduceAngle()) continue;
    if (g->IsHorizontal()) {
      p.y = g->y;
      snapped = 1;
    } else if (g->IsVertical()) {
      p.x = g->x;
      snapped = 1;
    }
  }
  return snapped;
}

int CRulerGuides::SnapRect(CFRect& r, float t) {
  if (t == 0.0f) t = 5.0f * Scale();
  if (!view_) return 0;
  const CFRect before = r;
  bool snapped = false;
  if (view_->IsKeyDown('Z')) {
    for (CGuideItem* item : guides_.Items()) {
      CGuideLine* g = AsGuideLine(item);
      if (!g || !g->ReduceAngle()) continue;
      if (g->IsHorizontal())
        snapped |= SnapEdges(r.top, r.bottom, g->y, t);
      else if (g->IsVertical())
        snapped |= SnapEdges(r.left, r.right, g->x, t);
    }
  }
  CDocumentServices* doc = view_->GetDocument();
  if (doc && view_->IsKeyDown('X')) {
    const float w = doc->GetPageWidth(), h = doc->GetPageHeight();
    snapped |= SnapEdges(r.top, r.bottom, 0.0f, t);
    snapped |= SnapEdges(r.top, r.bottom, h, t);
    snapped |= SnapEdges(r.left, r.right, 0.0f, t);
    snapped |= SnapEdges(r.left, r.right, w, t);
  }
  if (doc && !snapped && view_->IsKeyDown('C')) {
    const float step = doc->GetGridStep();
    if (std::isfinite(step) && step >= 1.0f) {
      const auto nearest = [step](float v) {
        return static_cast<float>(step * std::floor(double(v) / step + 0.5));
      };
      // An edge strictly within t of its nearest multiple moves there; the
      // opposite edge moves along.
      const auto snapAxis = [&](float& lo, float& hi) {
        const float nlo = nearest(lo);
        if (std::fabs(lo - nlo) < t) {
          hi += nlo - lo;
          lo = nlo;
          return;
        }
        const float nhi = nearest(hi);
        if (std::fabs(hi - nhi) < t) {
          lo += nhi - hi;
          hi = nhi;
        }
      };
      snapAxis(r.left, r.right);
      snapAxis(r.top, r.bottom);
    }
  }
  return r == before ? 0 : 1;
}

// --- Files -------------------------------------------------------------------------

int CRulerGuides::SaveGuides(CFileServices& file) { return guides_.WriteToFile(file); }

int CRulerGuides::LoadGuides(CFileServices& file) { return guides_.LoadFromFile(file); }
